// The FIR wizard's engine: exponential sine sweep and its inverse, play and record, peak level,
// impulse response by deconvolution, windowing, magnitude on the measurement grid, the correcting
// FIR towards an EQ target, and the verify pass. Qt-free; the wizard's pages and plenumctl drive it.
//
// Measurement. The sweep rises exponentially from 10 Hz to 22 kHz over 2^17 samples (2.7 s at
// 48 kHz), -6 dB full scale, with short raised-cosine fades at both ends; its inverse filter is
// the time-reversed sweep with a -6 dB/octave envelope (Farina), so that sweep * inverse is a
// band-limited impulse. The recording (the sweep plus one second of tail) is convolved with the
// inverse filter and divided, bin by bin, by the sweep-through-inverse spectrum, which takes away
// the inverse filter's small ripple and level; the linear impulse response then sits at its true
// lag while harmonic distortion lands before it (at the end of the circular buffer), where the
// window does not reach.
//
// Window. The impulse response is cut from 1 ms before its peak to `windowLengthMs` after it, with
// a raised-cosine fade over the first 1 ms and the last fifth: the room's later reflections are
// left out, the loudspeaker's own response kept.
//
// Correction. The measured magnitude (windowed IR on the 65536-point grid, smoothed over the
// smoothing width) is compared with the target between the frequency limits; the target is a
// shape, its level is taken from the measurement (the 1/f-weighted mean difference over the
// limits, i.e. the mean on a logarithmic frequency axis). The wanted correction is the
// difference, limited to `boostLimitDb` of boost and kMaxCutDb of cut, held at its edge values
// outside the limits and faded to 0 dB over one octave beyond them.
//
// FIR. Frequency sampling: the wanted magnitude, as a zero-phase spectrum, is transformed back,
// centred on the latency (D = latency * 48 samples, so 2 D + 1 taps, at most 1023 and a trailing
// zero tap to fill the device's 1024) and shaped with a Hann window. Truncation smooths the
// magnitude; `precision` is the number of refinement passes: each adds the remaining error (within
// the limits) to the wanted magnitude and designs again. Linear phase keeps the loudspeaker's
// phase and costs the latency; the minimum-phase form (MinPhase.h) has the same magnitude with
// almost no delay. If the finished filter would boost anywhere (it must not clip in the device,
// whose coefficients are 24-bit words below 1) its gain is lowered until its largest gain is
// 0 dB and the wizard shows kFilterGainReduced.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/AudioCard.h"
#include "core/Texts.h"

namespace plenum::audio {

inline constexpr Bilingual kFilterGainReduced{"Filter gain has been reduced to avoid clipping",
                                              "滤波器增益已降低以避免削波"};

inline constexpr int kWizardMaxTaps = 1024;
inline constexpr double kMaxCutDb = 30.0;
// The largest latency a linear-phase design of 1023 taps has, on the 0.1 ms grid.
inline constexpr double kWizardMaxLatencyMs = 10.6;

enum class DesignMode { Normal, MinimizeRipple };

struct WizardSettings {
    double smoothingOctaves = 1.0 / 6;  // 1/6, 1/5, 1/4, 1/3, 1/2
    int smoothingThreshold = 0;         // 0..10 (kept with the configuration)
    double lowerHz = 100.0;             // up to 1000
    double upperHz = 16000.0;           // up to 20000
    double latencyMs = 10.0;            // 1.0 .. kWizardMaxLatencyMs, step 0.1
    int precision = 5;                  // 1..10 refinement passes
    double boostLimitDb = 6.0;          // 1..30, step 0.5
    double windowLengthMs = 20.0;       // 2.0..40.0, step 0.1
    double zeroOffset = 0.0;            // -30..+30, the graph's zero line
    DesignMode mode = DesignMode::Normal;  // MinimizeRipple: one more 1/3-octave smoothing of the correction
    bool minimumPhase = false;
};

// The wizard's snapping rule: candidates start + k * step up to `upper`; the value becomes the
// first candidate not below it, or the one just below when that is nearer.
double SnapToGrid(double value, double start, double step, double upper);
// Snaps every stepped setting and clamps the limits; the lower limit stays below the upper one.
WizardSettings Snapped(WizardSettings settings);

// ---- sweep, files, deconvolution -------------------------------------------------------------
inline constexpr int kSweepSamples = 1 << 17;
inline constexpr double kSweepStartHz = 10.0;
inline constexpr double kSweepEndHz = 22000.0;
inline constexpr int kRecordTailSamples = kAudioSampleRateHz;

struct Sweep {
    std::vector<double> sweep;
    std::vector<double> inverse;
};
Sweep MakeSweep();

// Mono 32-bit float WAV at 48 kHz (TS/SW.wav, TS/ISW.wav). Writes/reads nothing on failure and
// says why in `error`.
bool WriteWav(const std::filesystem::path& path, const std::vector<double>& samples, std::string& error);
std::optional<std::vector<double>> ReadWav(const std::filesystem::path& path, std::string& error);
// Writes TS/SW.wav and TS/ISW.wav under `folder`; reads them back when they are there and fit.
bool WriteSweepFiles(const std::filesystem::path& folder, const Sweep& sweep, std::string& error);
std::optional<Sweep> ReadSweepFiles(const std::filesystem::path& folder, std::string& error);

// The full circular impulse response (a power-of-two length) of `recorded` for `sweep`.
std::vector<double> Deconvolve(const std::vector<double>& recorded, const Sweep& sweep);

struct WindowedIr {
    std::vector<double> taps;
    int start = 0;  // index of taps[0] in the full response
    int peak = 0;   // index of the peak in the full response
};
// Cuts the response around its peak (or from `start` when given, for the verify pass, with
// `extraSamples` more length).
WindowedIr WindowIr(const std::vector<double>& full, double windowLengthMs, std::optional<int> start = {},
                    int extraSamples = 0);

// ---- magnitude on the measurement grid ---------------------------------------------------------
// |H| in dB on the 32769 bins, smoothed over `widthOctaves` (0: not smoothed).
std::vector<double> GridMagnitudeDb(const std::vector<double>& taps, double widthOctaves);

// ---- EQ target ------------------------------------------------------------------------------
enum class EqBandType { Bell, HiShv, LoShv, Disabled };
struct EqBand {
    EqBandType type = EqBandType::Disabled;
    double gainDb = 0;        // -12..+12
    double frequencyHz = 1000;  // 50..20000
    double q = 1.0;           // 0.1..10, step 0.05
};
std::string_view EqBandTypeLabel(EqBandType type);  // "Bell", "Hi Shv", "Lo Shv", "Disabled"
// A target file: one band a line, "TYPE,GAIN,FREQ,Q" (TYPE one of the labels), in a ".eqt" file
// as is and in "DefEqTarget.ini" as "BandN=TYPE,GAIN,FREQ,Q" under an "[EqTarget]" section.
// Blank lines and lines starting with ';' or '#' are skipped. Any other line, or a value out of
// range, refuses the whole file with the reason in `error`.
std::optional<std::vector<EqBand>> ParseEqTarget(std::string_view text, std::string& error);
std::optional<std::vector<EqBand>> LoadEqTarget(const std::filesystem::path& path, std::string& error);
std::string FormatEqTarget(const std::vector<EqBand>& bands, bool iniForm);
// The target in dB on the 32769 bins (all zero: flat).
std::vector<double> TargetDb(const std::vector<EqBand>& bands);

// ---- impulse response files -------------------------------------------------------------------
// ".irw": text, "IRW 1" on the first line, the sample rate (48000) on the second, then one sample
// a line. ".txt": one sample a line at 48 kHz. ".wav": any format libsndfile reads, 48 kHz, the
// first channel. At most 10 s, finite values, not all zero; anything else is refused with a reason.
std::optional<std::vector<double>> LoadImpulseResponse(const std::filesystem::path& path, std::string& error);
bool SaveIrw(const std::filesystem::path& path, const std::vector<double>& taps, std::string& error);

// ---- wizard configuration (".wzn" and ".wiz", the same layout: "key=value" lines) ----------------
std::string FormatWizardSettings(const WizardSettings& settings);
std::optional<WizardSettings> ParseWizardSettings(std::string_view text, std::string& error);

// ---- measurement and design -----------------------------------------------------------------
struct Measurement {
    std::vector<double> full;  // circular impulse response
    WindowedIr ir;
    double peakLevelDb = -400;  // of the recording, dB full scale
    bool clipped = false;       // the recording reached full scale
};

struct MeasureRequest {
    int outputChannel = 0;
    int inputChannel = 0;
    AudioProgress progress;
    const std::atomic<bool>* cancel = nullptr;
    std::optional<int> windowStart;  // verify pass: the first measurement's start
    int extraSamples = 0;            // verify pass: the FIR's length
};

// Plays the sweep, records, checks the level and computes the windowed impulse response.
// A recording without signal (peak below -80 dB) fails.
AudioResult Measure(AudioCard& card, const Sweep& sweep, const WizardSettings& settings, const MeasureRequest& request,
                    Measurement& measurement);

struct Correction {
    std::vector<double> taps;          // kWizardMaxTaps
    std::vector<double> wantedDb;      // the wanted correction on the grid
    std::vector<double> responseDb;    // the FIR's magnitude on the grid (after any gain reduction)
    double gainReductionDb = 0;        // > 0: kFilterGainReduced is shown
    bool gainReduced() const { return gainReductionDb > 0; }
};

// `measuredDb`: the smoothed measured magnitude; `targetDb`: TargetDb(...).
Correction DesignCorrection(const std::vector<double>& measuredDb, const std::vector<double>& targetDb,
                            const WizardSettings& settings);

// The mean of a - b between `lowHz` and `highHz` on a logarithmic frequency axis (1/f weights):
// the level the target takes from a measurement.
double MeanDifferenceDb(const std::vector<double>& a, const std::vector<double>& b, double lowHz, double highHz);
// The largest |a - b - mean(a - b)| between `lowHz` and `highHz` (mean on a log frequency axis).
double LargestDeviationDb(const std::vector<double>& a, const std::vector<double>& b, double lowHz, double highHz);
// The largest |a - b| between `lowHz` and `highHz`.
double LargestDifferenceDb(const std::vector<double>& a, const std::vector<double>& b, double lowHz, double highHz);

}  // namespace plenum::audio
