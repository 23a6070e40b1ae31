// Biquad sections as the loudspeaker's DSP builds them: the PEQ type and crossover slope lists,
// the design formula of every type, and the evaluation of one section at one frequency.
//
// The loudspeaker designs its own filters from the parameters we send; the application designs
// them a second time only to draw the responses, so every constant here is the one the device
// firmware uses (including its slightly off pi and degree factor), not a textbook value. All
// designs run at the one fixed rate of 48 kHz, in double precision.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/ValueCodecs.h"

namespace plenum {

inline constexpr double kSampleRateHz = 48000.0;
inline constexpr double kPi = 3.14159265358979;
inline constexpr double kTwoPi = 6.28318530717958;
inline constexpr double kFourPi = 12.56637061435916;
// Degrees per radian in the section phase: the firmware's factor, 1.4e-7 above the true one.
inline constexpr double kSectionDegPerRad = 57.2957877855694;
// Degrees per radian where the full-range crossover graph converts single-precision radians.
inline constexpr double kGraphDegPerRad = 57.2957795130823;
inline constexpr double kButterworthQ = 0.707;
// Log10Safe's answer for a non-positive argument (so +-2000 dB after the factor 10).
inline constexpr double kLog10OfNothing = -200.0;

constexpr double SampleRate() { return kSampleRateHz; }

// One second-order section in the form of a direct-form-I processor that adds its feedback:
// y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] + a1 y[n-1] + a2 y[n-2], so
// H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + A1 z^-1 + A2 z^-2) with A1 = -a1, A2 = -a2.
// Designs are normalised to a0 = 1 before they are stored. Field order is the stored order.
struct BiquadCoefficients {
    double a1 = 0.0;
    double a2 = 0.0;
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;

    static constexpr BiquadCoefficients Identity() { return {}; }
    // False when a design divided by zero or overflowed (an infinity or NaN in any field).
    bool isFinite() const;
    bool isIdentity() const { return *this == Identity(); }
    bool operator==(const BiquadCoefficients&) const = default;
};

// The PEQ band type; the code is the position in the type list every PEQ window offers.
enum class PeqType : std::int16_t {
    Bell = 0,
    HighShelf1 = 1,  // "HSh1"
    HighShelf2 = 2,  // "HSh2"
    HighShelfQ = 3,  // "HShQ"
    LowShelf1 = 4,   // "LSh1"
    LowShelf2 = 5,   // "LSh2"
    LowShelfQ = 6,   // "LShQ"
    LowPass1 = 7,    // "LP-1"
    LowPass2 = 8,    // "LP-2", Q 0.707
    LowPassQ = 9,    // "LP-Q"
    HighPass1 = 10,  // "HP-1"
    HighPass2 = 11,  // "HP-2", Q 0.707
    HighPassQ = 12,  // "HP-Q"
    BandPass = 13,   // "BP"
    Notch = 14,
    AllPass1 = 15,  // "AP-1"
    AllPass2 = 16,  // "AP-2"
    Ext = 17,       // an external filter: no IIR section is designed for it
};
static_assert(static_cast<int>(PeqType::Ext) + 1 == kPeqTypeCount);

// The type of a code 0..17; nothing for any other code (a bad image byte).
std::optional<PeqType> PeqTypeFromCode(int code);
std::string_view PeqTypeLabel(PeqType type);
constexpr bool IsAllPass(PeqType type) { return type == PeqType::AllPass1 || type == PeqType::AllPass2; }

// One PEQ band as the response engine sees it. Gain -15..+15 dB in 0.5 dB steps and Q from the
// device's Q list arrive already limited by the windows; the engine rejects nothing.
struct PeqBand {
    double frequencyHz = 1000.0;
    double gainDb = 0.0;
    double q = 1.0;
    std::int16_t typeCode = 0;  // a PeqType code; other values design nothing
    std::int16_t bypass = 0;    // 1 = bypassed
    bool isBypassed() const { return bypass == 1; }
    bool operator==(const PeqBand&) const = default;
};

// Crossover slopes. Codes 0..12 are IIR (a subwoofer offers 0..8, a full-range cabinet 0..12);
// the list then continues with the FIR stop-band entries, which have no IIR sections.
inline constexpr int kXoverSlopeBypass = 0;
inline constexpr int kXoverLastIirSlope = 12;
inline constexpr int kXoverSlopeCount = 22;  // 13 IIR entries and 9 FIR stop-band entries
inline constexpr int kMaxXoverSections = 4;

std::string_view XoverSlopeLabel(int slopeCode);  // "" for codes outside the list

// One stage of a slope's cascade: order 1 (Q unused) or 2.
struct XoverStage {
    int order = 0;
    double q = 0.0;
};
struct XoverCascade {
    int count = 0;  // 0 for "Bypass", the FIR entries and unknown codes
    std::array<XoverStage, kMaxXoverSections> stages{};
};
XoverCascade XoverSlopeStages(int slopeCode);

// ---- Designs: pure functions of their parameters ------------------------------------------
// They may return non-finite coefficients when a parameter divides by zero (Q = 0) or overflows;
// BiquadCoefficients::isFinite tells, and the engine then keeps the slot's previous curve.

// The bell's Q correction Qc / Q for a gain: 1.9799 up to 3 dB, falling to about 1 at 15 dB.
double BellQFactor(double gainDb);
// Peaking filter with the firmware's gain-dependent Q correction; identity at exactly 0 dB.
BiquadCoefficients DesignBell(double frequencyHz, double q, double gainDb);
// The six shelves (types 1..6); identity at exactly 0 dB.
BiquadCoefficients DesignShelf(PeqType type, double frequencyHz, double q, double gainDb);
// The corrected design rate of the fixed-slope shelves; kind 0 HSh1, 1 HSh2, 2 LSh1, 3 LSh2.
double ShelfRate(int kind, double gainDb, double frequencyHz);
// Crossover section of order 0 (identity), 1 or 2.
BiquadCoefficients DesignXoverSection(int order, bool lowPass, double frequencyHz, double q);
// Band pass (13, with gain) and notch (14, gain unused) of bandwidth f/Q.
BiquadCoefficients DesignBandFilter(PeqType type, double frequencyHz, double q, double gainDb);
// All pass of order 1 or 2 (Q used by order 2 only).
BiquadCoefficients DesignAllPass(int order, double frequencyHz, double q);
// The section of a band, by type; nothing for "Ext" and unknown codes. Ignores the bypass flag.
std::optional<BiquadCoefficients> DesignPeq(const PeqBand& band);

// ---- Evaluation at one frequency (f = 0 is the caller's business) -------------------------
double Log10Safe(double x);            // log10(x) for x > 0, -200 otherwise
double Atan2Phase(double y, double x);  // the firmware's four-quadrant arctangent, radians
double SectionMagnitudeDb(const BiquadCoefficients& c, double frequencyHz);
double SectionPhaseDeg(const BiquadCoefficients& c, double frequencyHz);
float SectionPhaseRad(const BiquadCoefficients& c, double frequencyHz);

// The three angle terms every evaluation uses, written once so that the grid tables and the
// single-point functions round identically: sin^2(pi f / fs), 2 pi f / fs and 4 pi f / fs.
double HalfAngleSineSquared(double frequencyHz);
double Omega(double frequencyHz);
double DoubleOmega(double frequencyHz);

// Running re-wrap of a summed phase curve into -180..180, point by point in grid order. The
// state is per curve (the caller owns it); reset at the first point of each curve.
struct PhaseWrapState {
    double previousRaw = 0.0;
    double previousOut = 0.0;
};
double PhaseWrapStep(PhaseWrapState& state, double rawDeg, bool reset);

}  // namespace plenum
