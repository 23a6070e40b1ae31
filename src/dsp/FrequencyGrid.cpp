#include "dsp/FrequencyGrid.h"

#include <algorithm>
#include <cmath>

#include "dsp/Biquad.h"

namespace plenum {

FrequencyGrid::FrequencyGrid() {
    const auto n = static_cast<std::size_t>(kPointCount);
    for (auto* table : {&frequencyHz_, &logAxis_, &phi_, &oneMinusPhi_, &cosW_, &sinW_, &cos2W_, &sin2W_})
        table->resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double f = FrequencyAt(static_cast<int>(k));
        frequencyHz_[k] = f;
        logAxis_[k] = f > 0.0 ? std::log10(f / 20.0) : kLogOfZero;
        phi_[k] = HalfAngleSineSquared(f);
        oneMinusPhi_[k] = 1 - phi_[k];
        cosW_[k] = std::cos(Omega(f));
        sinW_[k] = std::sin(Omega(f));
        cos2W_[k] = std::cos(DoubleOmega(f));
        sin2W_[k] = std::sin(DoubleOmega(f));
    }
}

int FrequencyGrid::NearestPoint(double frequencyHz) const {
    // The grid is sorted, so the scan for "the first point at or above f" is a binary search.
    const auto above = std::lower_bound(frequencyHz_.begin(), frequencyHz_.end(), frequencyHz);
    if (above == frequencyHz_.begin()) return 0;
    if (above == frequencyHz_.end()) return kPointCount - 1;
    const auto below = above - 1;
    const int upper = static_cast<int>(above - frequencyHz_.begin());
    return (frequencyHz - *below < *above - frequencyHz) ? upper - 1 : upper;
}

}  // namespace plenum
