#include "dsp/MinPhase.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>

#include "dsp/Fft.h"

namespace plenum {

namespace {

// The transform and its buffers (1.5 MB at 65536 points) are kept per thread between calls:
// allocating and clearing them afresh costs more than the arithmetic.
RealFft& Workspace(int transformLength) {
    thread_local std::unique_ptr<RealFft> fft;
    if (!fft || fft->length() != transformLength) fft = std::make_unique<RealFft>(transformLength);
    return *fft;
}

}  // namespace

std::vector<double> MinimumPhaseFir(std::span<const double> taps, double floorDb, int transformLength) {
    const auto length = taps.size();
    if (length == 0 || transformLength < 8 || transformLength % 2 != 0 ||
        length > static_cast<std::size_t>(transformLength / 4))
        return {};

    RealFft& fft = Workspace(transformLength);
    const auto bins = static_cast<std::size_t>(fft.binCount());
    const double scale = 1.0 / transformLength;

    // Power spectrum, and the floor added before the logarithm.
    auto spectrum = fft.Forward(taps);
    double smallest = std::numeric_limits<double>::infinity(), largest = 0.0;
    for (std::size_t k = 0; k < bins; ++k) {
        const double power = std::norm(spectrum[k]);
        spectrum[k] = power;
        if (power > 0.0) smallest = std::min(smallest, power);
        largest = std::max(largest, power);
    }
    if (!std::isfinite(smallest) || !std::isfinite(largest)) return {};
    const double floor = std::max(1e-7 * smallest, largest * std::pow(10.0, floorDb / 10.0));

    // log|H| = 0.5 log(|H|^2); the real cepstrum is its inverse transform (real and even).
    for (std::size_t k = 0; k < bins; ++k) spectrum[k] = 0.5 * std::log(spectrum[k].real() + floor);
    auto cepstrum = fft.Inverse();

    // Fold onto the causal half and lifter at the filter's length (see the header).
    cepstrum[0] *= scale;
    for (std::size_t n = 1; n < length; ++n) cepstrum[n] *= 2.0 * scale;
    cepstrum[length] *= scale;
    std::fill(cepstrum.begin() + static_cast<std::ptrdiff_t>(length) + 1, cepstrum.end(), 0.0);

    // exp of the transform of the complex cepstrum is the minimum-phase spectrum (std::polar
    // rather than the complex exp: the same value without cexp's special-case handling, at half
    // the cost).
    auto logSpectrum = fft.Forward();
    for (std::size_t k = 0; k < bins; ++k)
        logSpectrum[k] = std::polar(std::exp(logSpectrum[k].real()), logSpectrum[k].imag());
    auto impulse = fft.Inverse();

    std::vector<double> result(length);
    for (std::size_t n = 0; n < length; ++n) result[n] = impulse[n] * scale;
    return result;
}

}  // namespace plenum
