#include "dsp/GridEvaluation.h"

#include <cassert>
#include <cfloat>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>

namespace plenum {

namespace {

// The kernel works on L doubles at a time through GCC's generic vectors. It is compiled twice:
// with L = 2 for any x86-64 (SSE2 registers) and with L = 4 inside an AVX2 function, chosen at
// run time. Everything is inlined into those two functions, so no vector crosses a call and GCC's
// note that 32-byte vectors are passed differently with and without AVX does not concern us.
#pragma GCC diagnostic ignored "-Wpsabi"
#define PLENUM_INLINE inline __attribute__((always_inline))

constexpr std::uint64_t kMantissaBits = 0x000FFFFFFFFFFFFF;
constexpr std::uint64_t kExponentOfOne = 0x3FF0000000000000;  // the bits of 1.0
constexpr std::int64_t kMagicBits = 0x4338000000000000;       // the bits of 1.5 * 2^52
constexpr double kMagic = 6755399441055744.0;
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kSqrtHalf = 0.70710678118654752;
constexpr double kDbPerOctave = 3.0102999566398120;  // 10 log10(2)
constexpr double kDbPerNeper = 4.3429448190325182;   // 10 / ln(10)
constexpr double kTanPiOver8 = 0.41421356237309505;
constexpr double kTruePiOver4 = 0.78539816339744831;

// Vector types of 2 and 4 lanes: values, comparison results and raw bit patterns.
typedef double Vec2 __attribute__((vector_size(16)));
typedef std::int64_t Mask2 __attribute__((vector_size(16)));
typedef std::uint64_t Bits2 __attribute__((vector_size(16)));
typedef double Vec4 __attribute__((vector_size(32)));
typedef std::int64_t Mask4 __attribute__((vector_size(32)));
typedef std::uint64_t Bits4 __attribute__((vector_size(32)));

template <int L>
struct Lanes;
template <>
struct Lanes<2> {
    using Vec = Vec2;
    using Mask = Mask2;
    using Bits = Bits2;
};
template <>
struct Lanes<4> {
    using Vec = Vec4;
    using Mask = Mask4;
    using Bits = Bits4;
};

template <int L>
struct Kernel {
    using Vec = typename Lanes<L>::Vec;
    using Mask = typename Lanes<L>::Mask;
    using Bits = typename Lanes<L>::Bits;

    static PLENUM_INLINE Vec Load(const double* p) {
        Vec v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static PLENUM_INLINE void Store(double* p, Vec v) { std::memcpy(p, &v, sizeof v); }
    static PLENUM_INLINE Vec Splat(double x) { return Vec{} + x; }
    static PLENUM_INLINE Bits BitsOf(Vec v) { return (Bits)v; }
    static PLENUM_INLINE Vec FromBits(Bits b) { return (Vec)b; }
    static PLENUM_INLINE Vec Select(Mask m, Vec yes, Vec no) { return m ? yes : no; }
    static PLENUM_INLINE Mask Finite(Vec v, Vec largest) {
        const Mask below = v <= largest;
        const Mask above = v >= -largest;
        return below & above;
    }
    static PLENUM_INLINE Mask NormalPositive(Vec v, Vec smallest, Vec largest) {
        const Mask below = v <= largest;
        const Mask above = v >= smallest;
        return below & above;
    }
    static PLENUM_INLINE bool AllSet(Mask m) {
        std::int64_t all = -1;
        for (int l = 0; l < L; ++l) all &= m[l];
        return all == -1;
    }

    // 10 log10(n / d) for normal positive n and d. Writing n = 2^en mn and d = 2^ed md with
    // mantissas in [1, 2), the ratio mn / md is brought into [sqrt(1/2), sqrt(2)] by moving one
    // octave into the exponent; then ln(r) = 2 atanh(s) with s = (mn - md) / (mn + md),
    // |s| <= 0.1716, whose odd series converges by a factor s^2 <= 0.0295 per term: eleven terms
    // leave < 1e-17 relative. mn - md is exact (Sterbenz), so the only roundings are the one
    // division and the series.
    static PLENUM_INLINE Vec RatioDb(Vec n, Vec d) {
        const Bits nb = BitsOf(n), db = BitsOf(d);
        Mask octaves = (Mask)(nb >> 52) - (Mask)(db >> 52);
        Vec mn = FromBits((nb & kMantissaBits) | kExponentOfOne);
        const Vec md = FromBits((db & kMantissaBits) | kExponentOfOne);
        const Mask high = mn > kSqrt2 * md;
        mn = Select(high, mn * 0.5, mn);
        octaves -= high;  // a true mask is -1
        const Mask low = mn < kSqrtHalf * md;
        mn = Select(low, mn * 2.0, mn);
        octaves += low;
        const Vec s = (mn - md) / (mn + md);
        // sum_{j=0..10} s^2j / (2j + 1), as two interleaved Horner chains in s^4 (even and odd j)
        // so that the latency of one long chain does not serialise the loop.
        const Vec s2 = s * s;
        const Vec s4 = s2 * s2;
        Vec even = Splat(1.0 / 21), odd = Splat(1.0 / 19);
        for (int j = 8; j >= 0; j -= 2) {
            even = even * s4 + 1.0 / (2 * j + 1);
            if (j > 0) odd = odd * s4 + 1.0 / (2 * j - 1);
        }
        const Vec lnRatio = 2.0 * s * (even + s2 * odd);
        // int64 -> double without a conversion instruction: in [2^52, 2^53) doubles are the
        // integers, so 1.5 * 2^52 + e (|e| < 2^51) has the bits of 1.5 * 2^52 plus e.
        const Vec octavesAsDouble = (Vec)(octaves + kMagicBits) - kMagic;
        return octavesAsDouble * kDbPerOctave + lnRatio * kDbPerNeper;
    }

    // Atan2Phase(y, x) for finite y and x: the angle of (x, y) in (-pi, pi], 0 for (0, 0) and pi
    // on the negative real axis whatever the sign of the zero y. atan of t = min/max in [0, 1] is
    // reduced to |u| <= tan(pi/8) (u = (t - 1)/(t + 1) adds pi/4, formed as (lo - hi)/(lo + hi)
    // in one division) and summed as the alternating series u - u^3/3 + ...; with u^2 <= 0.1716
    // twenty terms leave < 1e-17. The quadrant fold uses the firmware's pi, like the scalar form.
    static PLENUM_INLINE Vec Atan2PhaseVec(Vec y, Vec x) {
        const Bits noSign = Bits{} + static_cast<std::uint64_t>(INT64_MAX);
        const Vec ax = FromBits(BitsOf(x) & noSign);
        const Vec ay = FromBits(BitsOf(y) & noSign);
        const Mask steep = ay > ax;
        const Vec hi = Select(steep, ay, ax);
        const Vec lo = Select(steep, ax, ay);
        const Mask reduced = lo > kTanPiOver8 * hi;
        const Mask origin = hi == 0.0;
        const Vec num = Select(reduced, lo - hi, lo);
        const Vec den = Select(origin, Splat(1.0), Select(reduced, lo + hi, hi));
        const Vec u = num / den;
        // sum_{j=0..19} (-1)^j u^2j / (2j + 1), as two interleaved Horner chains in u^4.
        const Vec u2 = u * u;
        const Vec u4 = u2 * u2;
        Vec even = Splat(1.0 / 37), odd = Splat(-1.0 / 39);
        for (int j = 16; j >= 0; j -= 2) {
            even = even * u4 + 1.0 / (2 * j + 1);
            odd = odd * u4 - 1.0 / (2 * j + 3);
        }
        Vec angle = u * (even + u2 * odd) + Select(reduced, Splat(kTruePiOver4), Splat(0.0));
        angle = Select(steep, kPi / 2 - angle, angle);
        angle = Select(x < 0.0, kPi - angle, angle);
        angle = Select(y < 0.0, -angle, angle);
        return angle;
    }

    struct Section {
        double b0, b1, b2, A1, A2;
        double n0, n1, n2, d0, d1, d2;  // the per-section parts of N and D
    };

    static PLENUM_INLINE void Run(const FrequencyGrid& grid, const Section& c, bool evaluateMagnitude, double* mag,
                                  double* ph) {
        const double* phi = grid.phi().data();
        const double* omp = grid.oneMinusPhi().data();
        const double* cw = grid.cosW().data();
        const double* sw = grid.sinW().data();
        const double* cw2 = grid.cos2W().data();
        const double* sw2 = grid.sin2W().data();
        constexpr int kLast = FrequencyGrid::kPointCount;
        // Point 0 (0 Hz) is defined as 0 dB / 0 degrees. Blocks of L cover 1..6826; the last
        // block is moved back to end at the last point, recomputing a few points identically.
        mag[0] = 0.0;
        ph[0] = 0.0;
        for (int start = 1; start < kLast; start += L) {
            const int k = start + L <= kLast ? start : kLast - L;
            const Vec vcw = Load(cw + k), vsw = Load(sw + k), vcw2 = Load(cw2 + k), vsw2 = Load(sw2 + k);
            const Vec Nr = c.b0 + c.b1 * vcw + c.b2 * vcw2;
            const Vec Ni = c.b1 * vsw + c.b2 * vsw2;
            const Vec Dr = 1.0 + c.A1 * vcw + c.A2 * vcw2;
            const Vec Di = c.A1 * vsw + c.A2 * vsw2;
            const Vec re = Ni * Di + Dr * Nr;
            const Vec im = Di * Nr - Dr * Ni;
            const Vec largest = Splat(DBL_MAX);
            const Mask phaseOk = Finite(re, largest) & Finite(im, largest);
            Vec phase = Atan2PhaseVec(im, re) * kSectionDegPerRad;
            if (!AllSet(phaseOk)) {
                for (int l = 0; l < L; ++l)
                    if (!phaseOk[l]) phase[l] = Atan2Phase(im[l], re[l]) * kSectionDegPerRad;
            }
            Store(ph + k, phase);

            if (!evaluateMagnitude) {
                Store(mag + k, Splat(0.0));
                continue;
            }
            const Vec vphi = Load(phi + k), vomp = Load(omp + k);
            const Vec N = c.n0 - vphi * (c.n1 * vomp + c.n2);
            const Vec D = c.d0 - vphi * (c.d1 * vomp + c.d2);
            const Vec smallest = Splat(DBL_MIN);
            const Mask magOk = NormalPositive(N, smallest, largest) & NormalPositive(D, smallest, largest);
            Vec db = RatioDb(N, D);
            if (!AllSet(magOk)) {
                for (int l = 0; l < L; ++l)
                    if (!magOk[l]) db[l] = 10 * Log10Safe(N[l]) - 10 * Log10Safe(D[l]);
            }
            Store(mag + k, db);
        }
    }
};

using Section = Kernel<2>::Section;

void RunBaseline(const FrequencyGrid& grid, const Section& c, bool magnitude, double* mag, double* ph) {
    Kernel<2>::Run(grid, c, magnitude, mag, ph);
}

#if defined(__x86_64__) && defined(__GNUC__)
#define PLENUM_HAVE_AVX2_PATH 1
__attribute__((target("avx2"))) void RunAvx2(const FrequencyGrid& grid, const Section& c, bool magnitude, double* mag,
                                             double* ph) {
    Kernel<4>::Run(grid, reinterpret_cast<const Kernel<4>::Section&>(c), magnitude, mag, ph);
}
#endif

bool UseAvx2() {
#ifdef PLENUM_HAVE_AVX2_PATH
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
#else
    return false;
#endif
}

void CheckSizes(std::span<double> magnitudeDb, std::span<double> phaseDeg) {
    assert(magnitudeDb.size() >= static_cast<std::size_t>(FrequencyGrid::kPointCount));
    assert(phaseDeg.size() >= static_cast<std::size_t>(FrequencyGrid::kPointCount));
    (void)magnitudeDb;
    (void)phaseDeg;
}

}  // namespace

void EvaluateSectionOnGrid(const FrequencyGrid& grid, const BiquadCoefficients& c, MagnitudeRule rule,
                           std::span<double> magnitudeDb, std::span<double> phaseDeg, EvaluationPath path) {
    CheckSizes(magnitudeDb, phaseDeg);
    // The per-section parts of N, D and the phase terms, formed exactly as in SectionMagnitudeDb.
    Section s{};
    s.b0 = c.b0;
    s.b1 = c.b1;
    s.b2 = c.b2;
    s.A1 = -c.a1;
    s.A2 = -c.a2;
    const double nHalf = (c.b0 + c.b1 + c.b2) / 2;
    const double dHalf = (1 + s.A1 + s.A2) / 2;
    s.n0 = nHalf * nHalf;
    s.n1 = 4 * c.b0 * c.b2;
    s.n2 = c.b1 * (c.b0 + c.b2);
    s.d0 = dHalf * dHalf;
    s.d1 = 4 * s.A2;
    s.d2 = s.A1 * (1 + s.A2);
    const bool magnitude = rule == MagnitudeRule::Evaluate;
#ifdef PLENUM_HAVE_AVX2_PATH
    if (path == EvaluationPath::Best && UseAvx2()) {
        RunAvx2(grid, s, magnitude, magnitudeDb.data(), phaseDeg.data());
        return;
    }
#endif
    RunBaseline(grid, s, magnitude, magnitudeDb.data(), phaseDeg.data());
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
