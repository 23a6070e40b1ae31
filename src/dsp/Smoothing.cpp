#include "dsp/Smoothing.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace plenum {

std::optional<double> ParseSmoothingWidth(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    for (std::size_t i = 0; i < std::size(kSmoothingWidthTexts); ++i)
        if (text == kSmoothingWidthTexts[i]) return 1.0 / static_cast<double>(6 - i);  // 1/6 ... 1/2
    return std::nullopt;
}

int SmoothFractionalOctave(std::span<const double> magnitude, std::span<const double> phaseDeg,
                           std::span<double> magnitudeOut, std::span<double> phaseOut, double widthOctaves,
                           const SmoothingBand& band) {
    if (band.transformLength < 2 || band.transformLength % 2 != 0) return kSmoothBadSettings;
    const auto n = static_cast<std::size_t>(band.transformLength / 2 + 1);
    if (magnitude.size() != n || phaseDeg.size() != n || magnitudeOut.size() != n || phaseOut.size() != n)
        return kSmoothBadSize;
    if (!(widthOctaves > 0.0 && widthOctaves <= 4.0) || band.sampleRateHz <= 0 || !(band.lowHz >= 0.0) ||
        !(band.highHz >= band.lowHz) || !std::isfinite(band.highHz))
        return kSmoothBadSettings;

    // Running sums from bin 0: power[i] and phase[i] hold the sums over bins 0..i-1. The phase
    // is unwrapped on the way; `turns[k]` keeps what unwrapping added at bin k.
    std::vector<double> power(n + 1), phase(n + 1), turns(n);
    double offset = 0.0, previous = phaseDeg[0], powerSum = 0.0, phaseSum = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const double p = phaseDeg[k];
        offset -= 360.0 * std::round((p - previous) / 360.0);
        previous = p;
        turns[k] = offset;
        powerSum += magnitude[k] * magnitude[k];
        phaseSum += p + offset;
        power[k + 1] = powerSum;
        phase[k + 1] = phaseSum;
    }

    const double binHz = static_cast<double>(band.sampleRateHz) / band.transformLength;
    const auto firstBin = static_cast<std::size_t>(std::ceil(band.lowHz / binHz));
    const auto lastBin = std::min(n - 1, static_cast<std::size_t>(std::floor(band.highHz / binHz)));
    const double below = std::exp2(-0.5 * widthOctaves), above = std::exp2(0.5 * widthOctaves);

    // Outside the band the input is kept (copied first: the outputs may alias the inputs, and the
    // running sums already hold everything the band needs).
    for (std::size_t k = 0; k < n; ++k) {
        if (k >= firstBin && k <= lastBin) continue;
        magnitudeOut[k] = magnitude[k];
        phaseOut[k] = phaseDeg[k];
    }
    for (std::size_t k = firstBin; k <= lastBin && k < n; ++k) {
        const double bin = static_cast<double>(k);
        // lo <= k <= hi because below < 1 < above.
        const auto lo = static_cast<std::size_t>(std::ceil(bin * below));
        const auto hi = std::min(n - 1, static_cast<std::size_t>(std::floor(bin * above)));
        const double count = static_cast<double>(hi - lo + 1);
        // A difference of running sums can round just below zero over bins of no power.
        magnitudeOut[k] = std::sqrt(std::max(0.0, power[hi + 1] - power[lo]) / count);
        phaseOut[k] = (phase[hi + 1] - phase[lo]) / count - turns[k];
    }
    return kSmoothOk;
}

}  // namespace plenum
