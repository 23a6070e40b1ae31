#include "dsp/Biquad.h"

#include <algorithm>
#include <cmath>

namespace plenum {

bool BiquadCoefficients::isFinite() const {
    return std::isfinite(a1) && std::isfinite(a2) && std::isfinite(b0) && std::isfinite(b1) &&
           std::isfinite(b2);
}

namespace {

constexpr std::array<std::string_view, kPeqTypeCount> kPeqLabels{
    "Bell", "HSh1", "HSh2", "HShQ", "LSh1", "LSh2", "LShQ", "LP-1", "LP-2",
    "LP-Q", "HP-1", "HP-2", "HP-Q", "BP",   "Notch", "AP-1", "AP-2", "Ext"};

constexpr std::array<std::string_view, kXoverSlopeCount> kSlopeLabels{
    "Bypass",       "-6dB/oct BW",  "-12dB/oct BW", "-12dB/oct LR", "-12dB/oct BS", "-18dB/oct BW",
    "-24dB/oct BW", "-24dB/oct LR", "-24dB/oct BS", "-36dB/oct BW", "-36dB/oct LR", "-48dB/oct BW",
    "-48dB/oct LR", "---",          "-40dB NXF",    "-45dB NXF",    "-50dB NXF",    "-55dB NXF",
    "-60dB NXF",    "-65dB NXF",    "-70dB NXF",    "<-75dB NXF"};

// The cascades of the IIR slopes. The Q values are the firmware's decimals exactly, including
// the ones that differ from the textbook Butterworth tables (0.7 in code 9, 2.583 in code 11).
constexpr std::array<XoverCascade, kXoverLastIirSlope + 1> kCascades{{
    {0, {}},
    {1, {{{1, 0.0}}}},
    {1, {{{2, 0.707}}}},
    {2, {{{1, 0.0}, {1, 0.0}}}},
    {1, {{{2, 0.48}}}},
    {2, {{{1, 0.0}, {2, 1.0}}}},
    {2, {{{2, 0.54}, {2, 1.3}}}},
    {2, {{{2, 0.707}, {2, 0.707}}}},
    {2, {{{2, 0.54}, {2, 0.806}}}},
    {3, {{{2, 0.518}, {2, 0.7}, {2, 1.932}}}},
    {3, {{{2, 0.54}, {2, 0.707}, {2, 1.3}}}},
    {4, {{{2, 0.51}, {2, 0.6}, {2, 0.9}, {2, 2.583}}}},
    {4, {{{2, 0.54}, {2, 0.54}, {2, 1.3}, {2, 1.3}}}},
}};

// Newton coefficients t0..t4 of the design rate over x = f/kHz (nodes 2, 7, 11, 16 kHz), per
// shelf kind (HSh1, HSh2, LSh1, LSh2), gain sign (boost, cut) and gain node (15, 12, 9 dB).
// They were fitted by the firmware's authors so that the fixed-slope shelves keep their shape at
// high gains; only the numbers are known, so they are kept exactly as the device uses them.
using NewtonRow = std::array<double, 5>;
constexpr std::array<std::array<std::array<NewtonRow, 3>, 2>, 4> kShelfRateTable{{
    {{// HSh1
      {{{117000, -1600, 108.333333333333, -41.6666666666667, 6.01851851851852},
        {98000, -1200, -102.777777777778, 5.95238095238095, 0.607108940442274},
        {76500, -800, -50, 3.17460317460317, 0.702075702075702}}},
      {{{112000, -1000, -125, -5.15873015873016, 0.274725274725275},
        {94000, -800, -91.6666666666667, -3.17460317460317, 0.134818884818885},
        {73000, -400, -52.7777777777778, -2.77777777777778, 0.136514719848053}}}}},
    {{// HSh2
      {{{67100, -420, -54.7222222222222, 3.45238095238095, -0.036290869624203},
        {61600, -320, -38.0555555555556, 2.65873015873016, -0.00407000407000406},
        {56000, -200, -26.3888888888889, 2.42063492063492, -0.0205196038529372}}},
      {{{66200, -400, -34.7222222222222, -0.515873015873016, 0.0725817392484059},
        {60700, -270, -25.5555555555556, -0.396825396825397, 0.51943426943427},
        {55000, -150, -11.1111111111111, -0.873015873015873, 0.503154253154253}}}}},
    {{// LSh1
      {{{20000, 1000, 41.6666666666667, -2.77777777777778, 0.0118708452041785},
        {24000, 800, 50, -4.36507936507937, 0.189085605752272},
        {30000, 600, 30.5555555555556, -2.3015873015873, -0.0122100122100122}}},
      {{{21000, 900, 45.8333333333333, -2.57936507936508, 0.190781440781441},
        {24500, 800, 29.1666666666667, -0.277777777777778, -0.00474833808167141},
        {31500, 450, 33.3333333333333, -0.714285714285715, -0.420906254239588}}}}},
    {{// LSh2
      {{{34500, 400, 27.7777777777778, -1.58730158730159, -0.0127187627187627},
        {37500, 300, 22.2222222222222, -1.19047619047619, -0.0407000407000407},
        {41250, 200, 15.2777777777778, -1.15079365079365, -0.0298466965133632}}},
      {{{35000, 350, 26.3888888888889, -0.674603174603175, 0.011362094695428},
        {38000, 250, 20.8333333333333, -0.198412698412698, -0.250135666802333},
        {41850, 140, 13.6111111111111, -0.0396825396825397, -0.251831501831502}}}}},
}};

double NewtonOverFrequency(const NewtonRow& t, double x) {
    const double u = x - 2.0;
    return t[0] + t[1] * u + t[2] * u * (x - 7.0) + t[3] * u * (x - 7.0) * (x - 11.0) +
           t[4] * u * (x - 7.0) * (x - 11.0) * (x - 16.0);
}

// The stored form negates the feedback coefficients of the normalised transfer function.
BiquadCoefficients Stored(double b0, double b1, double b2, double A1, double A2) {
    return {-A1, -A2, b0, b1, b2};
}

}  // namespace

std::optional<PeqType> PeqTypeFromCode(int code) {
    if (code < 0 || code >= kPeqTypeCount) return std::nullopt;
    return static_cast<PeqType>(code);
}

std::string_view PeqTypeLabel(PeqType type) { return kPeqLabels.at(static_cast<std::size_t>(type)); }

std::string_view XoverSlopeLabel(int slopeCode) {
    if (slopeCode < 0 || slopeCode >= kXoverSlopeCount) return {};
    return kSlopeLabels[static_cast<std::size_t>(slopeCode)];
}

XoverCascade XoverSlopeStages(int slopeCode) {
    if (slopeCode < 0 || slopeCode > kXoverLastIirSlope) return {};
    return kCascades[static_cast<std::size_t>(slopeCode)];
}

double BellQFactor(double gainDb) {
    // The firmware widens the bell at low gains so that its shape follows an analogue console
    // EQ: a quartic in Newton form over the nodes 3, 6, 9, 12 dB, capped at its 3 dB value.
    const double g = std::abs(gainDb);
    const double p = 1.9799 - 0.19327634 * (g - 3) + 0.01610636 * (g - 3) * (g - 6) -
                     0.00052378412 * (g - 3) * (g - 6) * (g - 9) -
                     0.000032736507 * (g - 3) * (g - 6) * (g - 9) * (g - 12);
    return std::min(p, 1.9799);
}

BiquadCoefficients DesignBell(double frequencyHz, double q, double gainDb) {
    if (gainDb == 0.0) return BiquadCoefficients::Identity();
    const double V = std::pow(10.0, std::abs(gainDb) / 20.0);
    const double K = std::tan(kPi * frequencyHz / kSampleRateHz);
    const double Qc = q * BellQFactor(gainDb);
    const double K2 = K * K;
    if (gainDb > 0.0) {
        const double d = 1 + K / Qc + K2;
        return Stored((1 + V * K / Qc + K2) / d, 2 * (K2 - 1) / d, (1 - V * K / Qc + K2) / d, 2 * (K2 - 1) / d,
                      (1 - K / Qc + K2) / d);
    }
    const double d = 1 + V * K / Qc + K2;
    return Stored((1 + K / Qc + K2) / d, 2 * (K2 - 1) / d, (1 - K / Qc + K2) / d, 2 * (K2 - 1) / d,
                  (1 - V * K / Qc + K2) / d);
}

double ShelfRate(int kind, double gainDb, double frequencyHz) {
    if (gainDb >= -6.0 && gainDb <= 6.0) return kSampleRateHz;
    if (kind < 0 || kind > 3) return kSampleRateHz;
    const double x = std::max(frequencyHz / 1000.0, 2.0);
    const double g = std::abs(gainDb);
    const auto& rows = kShelfRateTable[static_cast<std::size_t>(kind)][gainDb > 0.0 ? 0 : 1];
    const double F15 = NewtonOverFrequency(rows[0], x);
    const double F12 = NewtonOverFrequency(rows[1], x);
    const double F9 = NewtonOverFrequency(rows[2], x);
    // Newton interpolation in the gain through (6, 48000), (9, F9), (12, F12), (15, F15); the
    // divided-difference factors are the firmware's truncated decimals of 1/3, 1/6 and 1/9.
    const double d1 = (F9 - 48000) * 0.333333333333;
    const double e1 = (F12 - F9) * 0.333333333333;
    const double f1 = (F15 - F12) * 0.333333333333;
    const double d2 = (e1 - d1) * 0.166666666666667;
    const double e2 = (f1 - e1) * 0.166666666666667;
    const double d3 = (e2 - d2) * 0.111111111111111;
    return 48000 + d1 * (g - 6) + d2 * (g - 6) * (g - 9) + d3 * (g - 6) * (g - 9) * (g - 12);
}

BiquadCoefficients DesignShelf(PeqType type, double frequencyHz, double q, double gainDb) {
    if (gainDb == 0.0) return BiquadCoefficients::Identity();
    const double A = std::sqrt(std::pow(10.0, gainDb / 20.0));
    double s = 0.0;
    double fs = kSampleRateHz;
    switch (type) {
        case PeqType::HighShelf1:
        case PeqType::LowShelf1:
            s = 0.9;
            q = 0.4;
            fs = ShelfRate(type == PeqType::HighShelf1 ? 0 : 2, gainDb, frequencyHz);
            break;
        case PeqType::HighShelf2:
        case PeqType::LowShelf2:
            s = 1.578486;
            q = 1.3080997467041016;  // the device's single-precision value, shown as 1.3081
            fs = ShelfRate(type == PeqType::HighShelf2 ? 1 : 3, gainDb, frequencyHz);
            break;
        case PeqType::HighShelfQ:
        case PeqType::LowShelfQ:
            s = q < 1.0 ? q + 0.5 : 0.06 * q + 1.5;
            break;
        default:
            return BiquadCoefficients::Identity();
    }
    const double beta = (s / q) * std::sqrt(A);
    const double w = kTwoPi * frequencyHz / fs;
    const double c = std::cos(w);
    const double s1 = std::sin(w);
    const bool high =
        type == PeqType::HighShelf1 || type == PeqType::HighShelf2 || type == PeqType::HighShelfQ;
    if (high) {
        const double a0 = (A + 1) - (A - 1) * c + beta * s1;
        return Stored(A * ((A + 1) + (A - 1) * c + beta * s1) / a0, -2 * A * ((A - 1) + (A + 1) * c) / a0,
                      A * ((A + 1) + (A - 1) * c - beta * s1) / a0, 2 * ((A - 1) - (A + 1) * c) / a0,
                      ((A + 1) - (A - 1) * c - beta * s1) / a0);
    }
    const double a0 = (A + 1) + (A - 1) * c + beta * s1;
    return Stored(A * ((A + 1) - (A - 1) * c + beta * s1) / a0, 2 * A * ((A - 1) - (A + 1) * c) / a0,
                  A * ((A + 1) - (A - 1) * c - beta * s1) / a0, -2 * ((A - 1) + (A + 1) * c) / a0,
                  ((A + 1) + (A - 1) * c - beta * s1) / a0);
}

BiquadCoefficients DesignXoverSection(int order, bool lowPass, double frequencyHz, double q) {
    if (order == 1) {
        const double K = std::tan(kPi * frequencyHz / kSampleRateHz);
        const double p = (K - 1) / (K + 1);
        if (lowPass) return {-p, 0.0, (1 + p) / 2, (1 + p) / 2, 0.0};
        return {-p, 0.0, (1 - p) / 2, -(1 - p) / 2, 0.0};
    }
    if (order == 2) {
        const double w = kTwoPi * frequencyHz / kSampleRateHz;
        const double alpha = std::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        const double cw = std::cos(w);
        const double a1 = 2 * cw / a0;
        const double a2 = -(1 - alpha) / a0;
        if (lowPass) return {a1, a2, (1 - cw) / 2 / a0, (1 - cw) / a0, (1 - cw) / 2 / a0};
        return {a1, a2, (1 + cw) / 2 / a0, -(1 + cw) / a0, (1 + cw) / 2 / a0};
    }
    return BiquadCoefficients::Identity();
}

BiquadCoefficients DesignBandFilter(PeqType type, double frequencyHz, double q, double gainDb) {
    const double bandwidthHz = frequencyHz / q;
    const double K = std::tan(kPi * bandwidthHz / kSampleRateHz);
    const double c = (K - 1) / (K + 1);
    const double w = kTwoPi * frequencyHz / kSampleRateHz;
    const double a1 = (1 - c) * std::cos(w);
    if (type == PeqType::BandPass) {
        const double A = std::pow(10.0, gainDb / 20.0);
        return {a1, c, A * (1 + c) / 2, 0.0, -A * (1 + c) / 2};
    }
    return {a1, c, (1 - c) / 2, -(1 - c) * std::cos(w), (1 - c) / 2};
}

BiquadCoefficients DesignAllPass(int order, double frequencyHz, double q) {
    if (order == 1) {
        const double K = std::tan(kPi * frequencyHz / kSampleRateHz);
        const double p = (K - 1) / (K + 1);
        return {-p, 0.0, p, 1.0, 0.0};
    }
    const double w = kTwoPi * frequencyHz / kSampleRateHz;
    const double alpha = std::sin(w) / (2 * q);
    const double a0 = 1 + alpha;
    return {2 * std::cos(w) / a0, -(1 - alpha) / a0, (1 - alpha) / a0, -2 * std::cos(w) / a0, 1.0};
}

std::optional<BiquadCoefficients> DesignPeq(const PeqBand& band) {
    const auto type = PeqTypeFromCode(band.typeCode);
    if (!type) return std::nullopt;
    const double f = band.frequencyHz;
    switch (*type) {
        case PeqType::Bell:
            return DesignBell(f, band.q, band.gainDb);
        case PeqType::HighShelf1:
        case PeqType::HighShelf2:
        case PeqType::HighShelfQ:
        case PeqType::LowShelf1:
        case PeqType::LowShelf2:
        case PeqType::LowShelfQ:
            return DesignShelf(*type, f, band.q, band.gainDb);
        case PeqType::LowPass1:
            return DesignXoverSection(1, true, f, 0.0);
        case PeqType::LowPass2:
            return DesignXoverSection(2, true, f, kButterworthQ);
        case PeqType::LowPassQ:
            return DesignXoverSection(2, true, f, band.q);
        case PeqType::HighPass1:
            return DesignXoverSection(1, false, f, 0.0);
        case PeqType::HighPass2:
            return DesignXoverSection(2, false, f, kButterworthQ);
        case PeqType::HighPassQ:
            return DesignXoverSection(2, false, f, band.q);
        case PeqType::BandPass:
        case PeqType::Notch:
            return DesignBandFilter(*type, f, band.q, band.gainDb);
        case PeqType::AllPass1:
            return DesignAllPass(1, f, band.q);
        case PeqType::AllPass2:
            return DesignAllPass(2, f, band.q);
        case PeqType::Ext:
            return std::nullopt;
    }
    return std::nullopt;
}

double Log10Safe(double x) { return x > 0.0 ? std::log10(x) : kLog10OfNothing; }

double Atan2Phase(double y, double x) {
    if (x > 0.0) return std::atan(y / x);
    if (x < 0.0) {
        if (y == 0.0) return kPi;
        return std::atan(y / x) + (y > 0.0 ? kPi : -kPi);
    }
    if (y == 0.0) return 0.0;
    return y > 0.0 ? kPi / 2 : -kPi / 2;
}

double HalfAngleSineSquared(double frequencyHz) {
    const double s = std::sin(kPi * frequencyHz / kSampleRateHz);
    return s * s;
}

double Omega(double frequencyHz) { return kTwoPi * frequencyHz / kSampleRateHz; }
double DoubleOmega(double frequencyHz) { return kFourPi * frequencyHz / kSampleRateHz; }

double SectionMagnitudeDb(const BiquadCoefficients& c, double frequencyHz) {
    // |H|^2 in the sin^2 form: with phi = sin^2(w/2) the numerator and denominator of
    // |H(e^jw)|^2 are polynomials in phi, which stays accurate at low frequencies where the
    // cos w form loses digits to cancellation.
    const double phi = HalfAngleSineSquared(frequencyHz);
    const double A1 = -c.a1;
    const double A2 = -c.a2;
    const double nHalf = (c.b0 + c.b1 + c.b2) / 2;
    const double dHalf = (1 + A1 + A2) / 2;
    const double N = nHalf * nHalf - phi * (4 * c.b0 * c.b2 * (1 - phi) + c.b1 * (c.b0 + c.b2));
    const double D = dHalf * dHalf - phi * (4 * A2 * (1 - phi) + A1 * (1 + A2));
    return 10 * Log10Safe(N) - 10 * Log10Safe(D);
}

namespace {
double SectionPhaseRadians(const BiquadCoefficients& c, double frequencyHz) {
    const double w = Omega(frequencyHz);
    const double w2 = DoubleOmega(frequencyHz);
    const double A1 = -c.a1;
    const double A2 = -c.a2;
    const double cw = std::cos(w), sw = std::sin(w), cw2 = std::cos(w2), sw2 = std::sin(w2);
    const double Nr = c.b0 + c.b1 * cw + c.b2 * cw2;
    const double Ni = c.b1 * sw + c.b2 * sw2;
    const double Dr = 1 + A1 * cw + A2 * cw2;
    const double Di = A1 * sw + A2 * sw2;
    // arg(N/D) = arg(N * conj(D)) with the sign convention of z^-1 = e^-jw folded in.
    const double re = Ni * Di + Dr * Nr;
    const double im = Di * Nr - Dr * Ni;
    return Atan2Phase(im, re);
}
}  // namespace

double SectionPhaseDeg(const BiquadCoefficients& c, double frequencyHz) {
    return SectionPhaseRadians(c, frequencyHz) * kSectionDegPerRad;
}

float SectionPhaseRad(const BiquadCoefficients& c, double frequencyHz) {
    return static_cast<float>(SectionPhaseRadians(c, frequencyHz));
}

double PhaseWrapStep(PhaseWrapState& state, double rawDeg, bool reset) {
    if (reset) {
        state.previousRaw = rawDeg;
        state.previousOut = rawDeg;
        return rawDeg;
    }
    double out = rawDeg - state.previousRaw + state.previousOut;
    if (out > 180.0) out -= 360.0;
    if (out < -180.0) out += 360.0;
    if (out == -180.0) out = -179.0;
    if (out == 180.0) out = 179.0;
    state.previousRaw = rawDeg;
    state.previousOut = out;
    return out;
}

}  // namespace plenum
