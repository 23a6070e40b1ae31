// Crossover FIR design: windowed-sinc low-pass and high-pass filters, their minimum-phase ("MIR")
// versions and the latency switch.
//
// Linear phase. The ideal low-pass at the crossover frequency fc, h[n] = 2 fc/fs sinc(2 fc/fs
// (n - M)), centred on M = (L-1)/2, is multiplied by the window (FirWindow.h) and scaled to a
// gain of exactly 1 at 0 Hz (the taps sum to 1). The high-pass is its spectral inversion: a unit
// impulse at the centre minus the low-pass, so a low-pass and a high-pass of the same crossover
// add up to a pure delay of M samples.
//
// Tap counts. A symmetric filter of even length has a zero at half the sample rate and its centre
// falls between two taps, so it can be neither a high-pass nor the exact complement of a
// low-pass. The device's tap counts are even (256 ... 512, 1024); an even count L is therefore
// built as the odd design of L - 1 taps followed by one zero tap, for both kinds, and the delay is
// a whole (L-2)/2 samples.
//
// Minimum phase ("MIR"). The linear-phase design is turned into the minimum-phase filter of the
// same magnitude (MinPhase.h, on a 65536-point transform, the power floored 40 dB below the
// design's stop band) and keeps the tap count: the energy moves to the first taps and the delay
// almost vanishes.
//
// The latency switch ("Remove FIR latency" / "Remove MIR latency"). With the switch on, the
// leading taps are cut away as long as the energy cut stays at or below the design's stop-band
// level, 10^(-A/10) of the filter's energy (A the design's attenuation in dB); the remaining taps
// move to the front and the freed taps at the end are zero. So the response changes by no more,
// as energy, than the stop band already lets through, and the delay shrinks by the taps cut. A
// linear-phase filter loses the start of its pre-ringing (it is then no longer exactly linear in
// phase); a minimum-phase filter has its energy in front already and changes little.
//
// Latency of a design: the position of its largest tap (its main peak) in samples at 48 kHz,
// given in ms: (L-1)/2 for an odd linear-phase design, near 0 for a minimum-phase high-pass.
#pragma once

#include <span>
#include <vector>

#include "core/Texts.h"
#include "fir/FirWindow.h"

namespace plenum {

inline constexpr int kFirSampleRateHz = 48000;
inline constexpr int kFirMinTaps = 3;
inline constexpr int kFirMaxTaps = 1024;
inline constexpr int kCrossoverFirMaxTaps = 512;  // the crossover window uses at most 512 taps
inline constexpr double kFirMinFrequencyHz = 250.0;
inline constexpr double kFirMaxFrequencyHz = 20000.0;

// Shown by the caller for any non-zero design result; nothing is stored then.
inline constexpr Bilingual kWrongXoverParameters{"Wrong XOver paramaters", "错误的分频参数"};

struct FirDesignRequest {
    FirWindow window = FirWindow::Rect;
    // The stop-band attenuation in dB: for the adjustable windows (Kaiser, Sinc, Sine) 21 + the
    // way's setting, within 21..120; the fixed windows use their table value and ignore this.
    double attenuationDb = 21.0;
    int taps = kCrossoverFirMaxTaps;  // kFirMinTaps .. kFirMaxTaps
    double frequencyHz = 1000.0;      // the crossover frequency, kFirMinFrequencyHz .. kFirMaxFrequencyHz
    bool highPass = false;
    bool minimumPhase = false;        // the MIR form
    bool removeLatency = false;       // the latency switch
    bool operator==(const FirDesignRequest&) const = default;
};

// Design results: 0 is success, anything else means the crossover cannot be built.
enum class FirDesignResult : int {
    Ok = 0,
    BadWindow = 1,
    BadTaps = 2,
    BadFrequency = 3,
    BadAttenuation = 4,
};

struct FirDesign {
    std::vector<double> coefficients;  // `taps` values
    int latencySamples = 0;
    double latencyMs = 0.0;
};

// Designs the filter into `design` (left untouched on failure).
FirDesignResult DesignFir(const FirDesignRequest& request, FirDesign& design);

// The attenuation the design is actually made for (the table value for the fixed windows).
double DesignAttenuationDb(const FirDesignRequest& request);

// Index of the largest tap in magnitude (the first of equals); 0 for no taps.
int PeakTap(std::span<const double> taps);
inline double SamplesToMs(double samples) { return samples * 1000.0 / kFirSampleRateHz; }

// The latency switch on its own: cuts the leading taps whose energy together is at most
// 10^(-attenuationDb/10) of the filter's energy and moves the rest to the front. Returns the
// number of taps cut.
int RemoveLeadingTaps(std::span<double> taps, double attenuationDb);

}  // namespace plenum
