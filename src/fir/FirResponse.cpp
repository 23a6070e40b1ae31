#include "fir/FirResponse.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "dsp/FrequencyGrid.h"
#include "dsp/MeasureGrid.h"

namespace plenum {

static_assert(FirResponse::kTransformLength == FrequencyGrid::kTransformLength);

FirResponse::FirResponse()
    : transform_(kTransformLength),
      ramped_(kTransformLength),
      frequencyHz_(kBinCount),
      magnitude_(kBinCount),
      magnitudeDb_(kBinCount),
      phaseDeg_(kBinCount),
      groupDelayMs_(kBinCount) {
    for (int k = 0; k < kBinCount; ++k) frequencyHz_[static_cast<std::size_t>(k)] = FrequencyGrid::FrequencyAt(k);
}

int FirResponse::Compute(std::span<const double> coefficients) {
    if (coefficients.empty() || coefficients.size() > static_cast<std::size_t>(kTransformLength) ||
        !std::all_of(coefficients.begin(), coefficients.end(), [](double c) { return std::isfinite(c); }))
        return 1;

    auto time = transform_.time();
    auto ramp = ramped_.time();
    std::fill(time.begin(), time.end(), 0.0);
    std::fill(ramp.begin(), ramp.end(), 0.0);
    for (std::size_t n = 0; n < coefficients.size(); ++n) {
        time[n] = coefficients[n];
        ramp[n] = static_cast<double>(n) * coefficients[n];
    }
    const auto h = transform_.Forward();
    const auto nh = ramped_.Forward();

    constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
    constexpr double kMsPerSample = 1000.0 / kSampleRateHz;
    double largest = 0.0;
    for (std::size_t k = 0; k < h.size(); ++k) {
        const double power = std::norm(h[k]);
        largest = std::max(largest, power);
        magnitude_[k] = std::sqrt(power);
        magnitudeDb_[k] = power > kMagnitudeFloor * kMagnitudeFloor ? 10.0 * std::log10(power) : kMagnitudeFloorDb;
        phaseDeg_[k] = std::atan2(h[k].imag(), h[k].real()) * kDegreesPerRadian;
        if (phaseDeg_[k] <= -180.0) phaseDeg_[k] = 180.0;
        // Re(nh / h) = Re(nh conj(h)) / |h|^2
        groupDelayMs_[k] =
            power > 0.0 ? (nh[k].real() * h[k].real() + nh[k].imag() * h[k].imag()) / power * kMsPerSample : 0.0;
    }

    // Bins 200 dB or more below the largest carry no phase: hold the last meaningful delay.
    const double threshold = largest * 1e-20;
    const auto first = std::find_if(h.begin(), h.end(), [&](const auto& x) { return std::norm(x) > threshold; });
    double held = first == h.end() ? 0.0 : groupDelayMs_[static_cast<std::size_t>(first - h.begin())];
    for (std::size_t k = 0; k < h.size(); ++k) {
        if (std::norm(h[k]) > threshold)
            held = groupDelayMs_[k];
        else
            groupDelayMs_[k] = held;
    }
    return 0;
}

}  // namespace plenum
