#include "dsp/GridEvaluation.h"

#include <cassert>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>

namespace plenum {

namespace {

// Four doubles processed together through GCC's generic vectors: plain SSE2 pairs on a baseline
// x86-64 build, one AVX register where the compiler may use it. Everything stays inside this
// file (no vector crosses a non-inlined call), so GCC's note that 32-byte vectors are passed
// differently with and without AVX does not concern us.
#pragma GCC diagnostic ignored "-Wpsabi"
using Vec = double __attribute__((vector_size(32)));
using Mask = std::int64_t __attribute__((vector_size(32)));
constexpr int kLanes = 4;

#define PLENUM_INLINE inline __attribute__((always_inline))

PLENUM_INLINE Vec Load(const double* p) {
    Vec v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
PLENUM_INLINE void Store(double* p, Vec v) { std::memcpy(p, &v, sizeof v); }
PLENUM_INLINE Vec Splat(double x) { return Vec{x, x, x, x}; }
PLENUM_INLINE Mask SplatMask(std::int64_t x) { return Mask{x, x, x, x}; }
PLENUM_INLINE Mask Bits(Vec v) {
    Mask m;
    std::memcpy(&m, &v, sizeof m);
    return m;
}
PLENUM_INLINE Vec FromBits(Mask m) {
    Vec v;
    std::memcpy(&v, &m, sizeof v);
    return v;
}
PLENUM_INLINE Vec Select(Mask m, Vec yes, Vec no) { return m ? yes : no; }
PLENUM_INLINE bool AllSet(Mask m) { return (m[0] & m[1] & m[2] & m[3]) == -1; }

constexpr std::int64_t kMantissaBits = 0x000FFFFFFFFFFFFF;
constexpr std::int64_t kExponentOfOne = 0x3FF0000000000000;  // the bits of 1.0
constexpr std::int64_t kMagicBits = 0x4338000000000000;  // the bits of 1.5 * 2^52
constexpr double kMagic = 6755399441055744.0;
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kSqrtHalf = 0.70710678118654752;
constexpr double kDbPerOctave = 3.0102999566398120;  // 10 log10(2)
constexpr double kDbPerNeper = 4.3429448190325182;   // 10 / ln(10)
constexpr double kTanPiOver8 = 0.41421356237309505;
constexpr double kTruePiOver4 = 0.78539816339744831;

// 10 log10(n / d) for normal positive n and d. Writing n = 2^en mn and d = 2^ed md with mantissas
// in [1, 2), the ratio mn / md is brought into [sqrt(1/2), sqrt(2)] by moving one octave into the
// exponent; then ln(r) = 2 atanh(s) with s = (mn - md) / (mn + md), |s| <= 0.1716, whose odd
// series converges by a factor s^2 <= 0.0295 per term: eleven terms leave < 1e-17 relative.
// mn - md is exact (Sterbenz), so the only roundings are the one division and the series.
PLENUM_INLINE Vec RatioDb(Vec n, Vec d) {
    const Mask nb = Bits(n), db = Bits(d);
    Mask octaves = (nb >> 52) - (db >> 52);
    Vec mn = FromBits((nb & kMantissaBits) | kExponentOfOne);
    const Vec md = FromBits((db & kMantissaBits) | kExponentOfOne);
    const Mask high = mn > kSqrt2 * md;
    mn = Select(high, mn * 0.5, mn);
    octaves -= high;  // a true mask is -1
    const Mask low = mn < kSqrtHalf * md;
    mn = Select(low, mn * 2.0, mn);
    octaves += low;
    const Vec s = (mn - md) / (mn + md);
    const Vec s2 = s * s;
    Vec series = Splat(1.0 / 21);
    series = series * s2 + 1.0 / 19;
    series = series * s2 + 1.0 / 17;
    series = series * s2 + 1.0 / 15;
    series = series * s2 + 1.0 / 13;
    series = series * s2 + 1.0 / 11;
    series = series * s2 + 1.0 / 9;
    series = series * s2 + 1.0 / 7;
    series = series * s2 + 1.0 / 5;
    series = series * s2 + 1.0 / 3;
    series = series * s2 + 1.0;
    const Vec lnRatio = 2.0 * s * series;
    // int64 -> double without a conversion instruction: in [2^52, 2^53) doubles are the
    // integers, so 1.5 * 2^52 + e (|e| < 2^51) has the bits of 1.5 * 2^52 plus e.
    const Vec octavesAsDouble = FromBits(octaves + kMagicBits) - kMagic;
    return octavesAsDouble * kDbPerOctave + lnRatio * kDbPerNeper;
}

// Atan2Phase(y, x) for finite y and x: the angle of (x, y) in (-pi, pi], with 0 for (0, 0) and pi
// on the negative real axis whatever the sign of the zero y. atan of t = min/max in [0, 1] is
// reduced to |u| <= tan(pi/8) (u = (t - 1)/(t + 1) adds pi/4) and summed as the alternating
// series u - u^3/3 + ...; with u^2 <= 0.1716 twenty terms leave < 1e-17. The quadrant fold uses
// the firmware's pi, like the scalar form.
PLENUM_INLINE Vec Atan2PhaseVec(Vec y, Vec x) {
    const Vec ax = FromBits(Bits(x) & SplatMask(INT64_MAX));
    const Vec ay = FromBits(Bits(y) & SplatMask(INT64_MAX));
    const Mask steep = ay > ax;
    const Vec hi = Select(steep, ay, ax);
    const Vec lo = Select(steep, ax, ay);
    const Mask reduced = lo > kTanPiOver8 * hi;
    const Mask origin = hi == 0.0;
    const Vec num = Select(reduced, lo - hi, lo);
    const Vec den = Select(origin, Splat(1.0), Select(reduced, lo + hi, hi));
    const Vec u = num / den;
    const Vec u2 = u * u;
    Vec series = Splat(-1.0 / 39);
    for (int n = 18; n >= 0; --n) series = series * u2 + ((n % 2 == 0) ? 1.0 : -1.0) / (2 * n + 1);
    Vec angle = u * series + Select(reduced, Splat(kTruePiOver4), Splat(0.0));
    angle = Select(steep, kPi / 2 - angle, angle);
    angle = Select(x < 0.0, kPi - angle, angle);
    angle = Select(y < 0.0, -angle, angle);
    return angle;
}

void CheckSizes(std::span<double> magnitudeDb, std::span<double> phaseDeg) {
    assert(magnitudeDb.size() >= static_cast<std::size_t>(FrequencyGrid::kPointCount));
    assert(phaseDeg.size() >= static_cast<std::size_t>(FrequencyGrid::kPointCount));
    (void)magnitudeDb;
    (void)phaseDeg;
}

}  // namespace

void EvaluateSectionOnGrid(const FrequencyGrid& grid, const BiquadCoefficients& c, MagnitudeRule rule,
                           std::span<double> magnitudeDb, std::span<double> phaseDeg) {
    CheckSizes(magnitudeDb, phaseDeg);
    const double A1 = -c.a1;
    const double A2 = -c.a2;
    // The per-section parts of N, D and the phase terms, formed as in SectionMagnitudeDb.
    const double nHalf = (c.b0 + c.b1 + c.b2) / 2;
    const double dHalf = (1 + A1 + A2) / 2;
    const double n0 = nHalf * nHalf, n1 = 4 * c.b0 * c.b2, n2 = c.b1 * (c.b0 + c.b2);
    const double d0 = dHalf * dHalf, d1 = 4 * A2, d2 = A1 * (1 + A2);
    const bool evaluateMagnitude = rule == MagnitudeRule::Evaluate;

    const double* phi = grid.phi().data();
    const double* omp = grid.oneMinusPhi().data();
    const double* cw = grid.cosW().data();
    const double* sw = grid.sinW().data();
    const double* cw2 = grid.cos2W().data();
    const double* sw2 = grid.sin2W().data();
    double* mag = magnitudeDb.data();
    double* ph = phaseDeg.data();

    constexpr int kLast = FrequencyGrid::kPointCount;
    // Point 0 (0 Hz) is defined as 0 dB / 0 degrees. Blocks of four cover 1..6826; the last
    // block is moved back to end at the last point, recomputing a few points identically.
    mag[0] = 0.0;
    ph[0] = 0.0;
    for (int start = 1; start < kLast; start += kLanes) {
        const int k = start + kLanes <= kLast ? start : kLast - kLanes;
        const Vec vcw = Load(cw + k), vsw = Load(sw + k), vcw2 = Load(cw2 + k), vsw2 = Load(sw2 + k);
        const Vec Nr = c.b0 + c.b1 * vcw + c.b2 * vcw2;
        const Vec Ni = c.b1 * vsw + c.b2 * vsw2;
        const Vec Dr = 1 + A1 * vcw + A2 * vcw2;
        const Vec Di = A1 * vsw + A2 * vsw2;
        const Vec re = Ni * Di + Dr * Nr;
        const Vec im = Di * Nr - Dr * Ni;
        const Mask phaseOk = (re <= DBL_MAX) & (re >= -DBL_MAX) & (im <= DBL_MAX) & (im >= -DBL_MAX);
        Vec phase = Atan2PhaseVec(im, re) * kSectionDegPerRad;
        if (!AllSet(phaseOk)) {
            for (int l = 0; l < kLanes; ++l)
                if (!phaseOk[l]) phase[l] = Atan2Phase(im[l], re[l]) * kSectionDegPerRad;
        }
        Store(ph + k, phase);

        if (!evaluateMagnitude) {
            Store(mag + k, Splat(0.0));
            continue;
        }
        const Vec vphi = Load(phi + k), vomp = Load(omp + k);
        const Vec N = n0 - vphi * (n1 * vomp + n2);
        const Vec D = d0 - vphi * (d1 * vomp + d2);
        const Mask magOk = (N >= DBL_MIN) & (N <= DBL_MAX) & (D >= DBL_MIN) & (D <= DBL_MAX);
        Vec db = RatioDb(N, D);
        if (!AllSet(magOk)) {
            for (int l = 0; l < kLanes; ++l)
                if (!magOk[l]) db[l] = 10 * Log10Safe(N[l]) - 10 * Log10Safe(D[l]);
        }
        Store(mag + k, db);
    }
}

void EvaluateSectionOnGridExact(const FrequencyGrid& grid, const BiquadCoefficients& c, MagnitudeRule rule,
                                std::span<double> magnitudeDb, std::span<double> phaseDeg) {
    CheckSizes(magnitudeDb, phaseDeg);
    magnitudeDb[0] = 0.0;
    phaseDeg[0] = 0.0;
    for (int k = 1; k < FrequencyGrid::kPointCount; ++k) {
        const double f = grid.frequency(k);
        const auto at = static_cast<std::size_t>(k);
        magnitudeDb[at] = rule == MagnitudeRule::Evaluate ? SectionMagnitudeDb(c, f) : 0.0;
        phaseDeg[at] = SectionPhaseDeg(c, f);
    }
}

void EvaluateSectionOnGridComplex(const FrequencyGrid& grid, const BiquadCoefficients& c, MagnitudeRule rule,
                                  std::span<double> magnitudeDb, std::span<double> phaseDeg) {
    CheckSizes(magnitudeDb, phaseDeg);
    magnitudeDb[0] = 0.0;
    phaseDeg[0] = 0.0;
    for (int k = 1; k < FrequencyGrid::kPointCount; ++k) {
        const double w = Omega(grid.frequency(k));
        const std::complex<double> z1 = std::polar(1.0, -w);
        const std::complex<double> z2 = z1 * z1;
        const std::complex<double> h = (c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 - c.a1 * z1 - c.a2 * z2);
        const auto at = static_cast<std::size_t>(k);
        magnitudeDb[at] = rule == MagnitudeRule::Evaluate ? 20.0 * std::log10(std::abs(h)) : 0.0;
        phaseDeg[at] = std::arg(h) * kSectionDegPerRad;
    }
}

}  // namespace plenum
