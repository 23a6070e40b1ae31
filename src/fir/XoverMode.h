// The crossover-mode window's rules: the output crossover modes of a two-way cabinet, which side
// of a way each mode builds as a FIR, the panel captions, the frequency limits of the entries,
// the latency text, and designing one FIR side into the words a store sends.
//
// A way has a high-pass and a low-pass side. Mode 0 builds both sides from IIR sections; the
// other modes replace sides with a designed FIR:
//   1 "XOVER FIR + HP"  the high-pass side is a linear-phase FIR, the low-pass stays IIR;
//   2 "XOVER MIR"       both sides are minimum-phase FIRs;
//   3 "XOVER FIR + LP"  the low-pass side is a linear-phase FIR, the high-pass stays IIR.
// The mode is the cabinet's image byte 520.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Prompter.h"
#include "fir/FirDesign.h"
#include "fir/FirWord.h"

namespace plenum::fir {

enum class XoverMode : int { Iir = 0, FirHp = 1, Mir = 2, FirLp = 3 };
inline constexpr int kXoverModeCount = 4;
inline constexpr std::array<std::string_view, kXoverModeCount> kXoverModeLabels{
    "XOVER IIR", "XOVER FIR + HP", "XOVER MIR", "XOVER FIR + LP"};

std::optional<XoverMode> XoverModeFromCode(int code);

enum class XoverSideKind { Iir, Fir, Mir };

// What a mode builds for one side of a way.
XoverSideKind SideKind(XoverMode mode, bool highPass);

// "IIR - HIGH PASS", "FIR - LOW PASS", "MIR - HIGH PASS" ...
std::string_view SideCaption(XoverMode mode, bool highPass);

// The latency switch of a FIR or MIR panel ("" for an IIR panel) and its states.
std::string_view LatencySwitchCaption(XoverSideKind kind);
inline constexpr std::array<std::string_view, 2> kLatencySwitchStates{"OFF", "ON"};

// "Latency = 5.312 ms" (three decimals).
std::string LatencyText(double ms);

// The stop-band entries a FIR side offers after the IIR slopes, and the attenuation list of the
// adjustable windows (its position 0 is "<-70").
inline constexpr std::array<std::string_view, 9> kFirStopBandLabels{
    "---", "-40dB NXF", "-45dB NXF", "-50dB NXF", "-55dB NXF", "-60dB NXF", "-65dB NXF", "-70dB NXF", "<-75dB NXF"};
inline constexpr std::array<std::string_view, 8> kFirAttenuationLabels{"<-70", "-70", "-65", "-60",
                                                                      "-55", "-50", "-45", "-40"};

// Frequency limits of the entries.
inline constexpr double kIirXoverMinHz = 20.0;
inline constexpr double kIirXoverMaxHz = 20000.0;

// Checks a typed crossover frequency for a side of this kind: the value, or nothing after
// "Wrong value" (title "Warning") when the text is not a number or outside 20..20000 Hz (IIR) or
// 250..20000 Hz (FIR, MIR). The caller keeps the old value then.
std::optional<double> CheckXoverFrequency(std::string_view text, XoverSideKind kind, Prompter& prompter,
                                          int languageFlag);

// Checks a typed attenuation setting for an adjustable window: 0..99 dB added to the window's
// 21 dB; anything else shows "Wong Value" (title "Warning").
std::optional<double> CheckAttenuationSetting(std::string_view text, Prompter& prompter, int languageFlag);

// One designed side, ready to store: the words (slots after the last tap zero), the values read
// back from them for the graph, and the latency.
struct DesignedSide {
    FirWords words{};
    std::vector<double> quantised;  // one per tap
    int taps = 0;
    double latencyMs = 0;
    std::string name;               // the label's name, e.g. "HP Kaiser 1000Hz"
};

// Designs a FIR side (a request with minimumPhase set for a MIR side; at most 512 taps are used).
// A non-zero design result shows "Wrong XOver paramaters" and gives nothing.
std::optional<DesignedSide> DesignSide(const FirDesignRequest& request, Prompter& prompter, int languageFlag);

// A way keeps one FIR in the device. When both its sides are FIR (the MIR mode) the stored FIR is
// the two designs convolved: both are minimum phase, so is their cascade, and its energy sits in
// the first taps; the cascade is cut to `maxTaps`.
std::vector<double> CascadeSides(std::span<const double> first, std::span<const double> second, int maxTaps);

// A way's curve on the display grid (FrequencyGrid, 6827 points): the cascade of its sides, the
// magnitudes in dB added and the phases added and wrapped into (-180, 180].
struct WayCurve {
    std::vector<double> magnitudeDb;
    std::vector<double> phaseDeg;
};
WayCurve FlatWayCurve();
// Adds an IIR side: the slope's cascade of crossover sections at the frequency.
void AddIirSide(WayCurve& curve, int slopeCode, bool lowPass, double frequencyHz);
// Adds a FIR side from its transform (FirResponse, whose first bins are the display grid).
void AddFirSide(WayCurve& curve, std::span<const double> magnitudeDb, std::span<const double> phaseDeg);
void WrapWayPhase(WayCurve& curve);

}  // namespace plenum::fir
