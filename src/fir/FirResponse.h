// The response of a coefficient set: its 16384-point transform at 48 kHz on bins 0..8192
// (0 Hz to 24 kHz in steps of 48000 / 16384 Hz). The first 6827 bins are the display grid
// (FrequencyGrid), and the frequencies are computed by the same formula, so they are equal.
//
// For each bin: magnitude (linear and dB, the dB floored as MagnitudeToDb does), phase in degrees
// wrapped into (-180, 180], and group delay in ms. The group delay is the derivative of the phase
// taken exactly rather than by differences: tau = Re( DFT(n h[n]) / DFT(h[n]) ) samples, which
// needs a second transform but no unwrapping. Where the magnitude vanishes (more than 200 dB
// below the largest bin) the phase has no meaning; such a bin's group delay repeats the last
// meaningful one below it (the first meaningful one for leading bins).
//
// An object keeps its transforms and arrays, so computing again allocates nothing.
#pragma once

#include <span>
#include <vector>

#include "dsp/Fft.h"

namespace plenum {

class FirResponse {
public:
    static constexpr int kSampleRateHz = 48000;
    static constexpr int kTransformLength = 16384;
    static constexpr int kBinCount = kTransformLength / 2 + 1;  // 8193

    FirResponse();

    // 0 on success; 1 for an empty set, one longer than the transform, or a value that is not
    // finite (the arrays are then left as they were).
    int Compute(std::span<const double> coefficients);

    std::span<const double> frequencies() const { return frequencyHz_; }
    std::span<const double> magnitude() const { return magnitude_; }
    std::span<const double> magnitudeDb() const { return magnitudeDb_; }
    std::span<const double> phaseDeg() const { return phaseDeg_; }
    std::span<const double> groupDelayMs() const { return groupDelayMs_; }

private:
    RealFft transform_, ramped_;
    std::vector<double> frequencyHz_, magnitude_, magnitudeDb_, phaseDeg_, groupDelayMs_;
};

}  // namespace plenum
