// Minimum-phase version of an FIR filter by the real cepstrum (the homomorphic method of
// Oppenheim and Schafer, "Discrete-Time Signal Processing", section 13.5).
//
// The log magnitude of the filter's transform is transformed back to the real cepstrum; folding
// the cepstrum onto its causal half (c[0], 2 c[n] for n > 0) gives the complex cepstrum of the
// minimum-phase filter with the same magnitude, and exponentiating its transform gives that
// filter's spectrum. The causal cepstrum is kept only up to quefrency L (the filter's length):
// c[0], 2 c[1..L-1], c[L], and zero beyond. That lifter smooths the log magnitude a little at
// the scale of the transform bins, which keeps the minimum-phase response short enough to be cut
// to L taps without disturbing the magnitude where a full-length fold would (a high-pass whose
// stop band reaches below the filter's own resolution rings long otherwise).
//
// The log of a zero magnitude is undefined, and the deep nulls of a windowed design's stop band
// make the cepstrum long and the result sensitive to rounding: so a floor is added to the power
// before the logarithm, `floorDb` below the largest bin (and never less than 1e-7 of the smallest
// non-zero power). The crossover designer puts it 40 dB below its stop band: low enough that the
// magnitude down to the stop band is kept, high enough that the nulls under it do not spread the
// minimum-phase response beyond the taps it keeps.
//
// The transform is 65536 points by default; the result keeps the input's length L, and L must be
// at most a quarter of the transform so that the cepstrum's aliasing stays negligible.
#pragma once

#include <span>
#include <vector>

namespace plenum {

inline constexpr int kMinimumPhaseTransformLength = 65536;
inline constexpr double kMinimumPhaseDefaultFloorDb = -160.0;

// The minimum-phase taps (as many as the input), or an empty vector when the input is empty,
// longer than transformLength / 4, or has no energy at all.
std::vector<double> MinimumPhaseFir(std::span<const double> taps, double floorDb = kMinimumPhaseDefaultFloorDb,
                                    int transformLength = kMinimumPhaseTransformLength);

}  // namespace plenum
