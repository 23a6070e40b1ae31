#include "fir/FirDesign.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/MinPhase.h"

namespace plenum {

namespace {

// How far below the stop band the minimum-phase construction floors the power (see MinPhase.h).
constexpr double kMinimumPhaseFloorBelowStopBandDb = 40.0;

double Sinc(double x) {
    if (x == 0.0) return 1.0;
    const double arg = std::numbers::pi * x;
    return std::sin(arg) / arg;
}

// The odd-length linear-phase design (see the header).
std::vector<double> LinearPhase(FirWindow window, double attenuationDb, int length, double frequencyHz,
                                bool highPass) {
    const auto size = static_cast<std::size_t>(length);
    const auto centre = (size - 1) / 2;
    const double cutoff = 2.0 * frequencyHz / kFirSampleRateHz;  // fraction of half the sample rate
    const auto w = MakeFirWindow(window, length, attenuationDb);
    std::vector<double> h(size);
    double sum = 0.0;
    for (std::size_t n = 0; n < size; ++n) {
        const double m = static_cast<double>(n) - static_cast<double>(centre);
        h[n] = cutoff * Sinc(cutoff * m) * w[n];
        sum += h[n];
    }
    for (double& tap : h) tap /= sum;
    if (highPass) {
        for (double& tap : h) tap = -tap;
        h[centre] += 1.0;
    }
    return h;
}

}  // namespace

double DesignAttenuationDb(const FirDesignRequest& request) {
    const auto& info = Info(request.window);
    return info.adjustable ? request.attenuationDb : info.attenuationDb;
}

int PeakTap(std::span<const double> taps) {
    int peak = 0;
    double largest = -1.0;
    for (std::size_t n = 0; n < taps.size(); ++n)
        if (std::abs(taps[n]) > largest) largest = std::abs(taps[n]), peak = static_cast<int>(n);
    return peak;
}

int RemoveLeadingTaps(std::span<double> taps, double attenuationDb) {
    double energy = 0.0;
    for (const double tap : taps) energy += tap * tap;
    const double allowed = energy * std::pow(10.0, -attenuationDb / 10.0);
    std::size_t cut = 0;
    double removed = 0.0;
    while (cut < taps.size() && removed + taps[cut] * taps[cut] <= allowed) removed += taps[cut] * taps[cut], ++cut;
    if (cut == 0 || cut == taps.size()) return 0;  // nothing to cut, or no energy at all
    std::copy(taps.begin() + static_cast<std::ptrdiff_t>(cut), taps.end(), taps.begin());
    std::fill(taps.end() - static_cast<std::ptrdiff_t>(cut), taps.end(), 0.0);
    return static_cast<int>(cut);
}

FirDesignResult DesignFir(const FirDesignRequest& request, FirDesign& design) {
    const int code = static_cast<int>(request.window);
    if (code < 0 || code >= kFirWindowCount) return FirDesignResult::BadWindow;
    if (request.taps < kFirMinTaps || request.taps > kFirMaxTaps) return FirDesignResult::BadTaps;
    if (!(request.frequencyHz >= kFirMinFrequencyHz && request.frequencyHz <= kFirMaxFrequencyHz) ||
        !(request.frequencyHz < kFirSampleRateHz / 2.0))
        return FirDesignResult::BadFrequency;
    const double attenuationDb = DesignAttenuationDb(request);
    if (Info(request.window).adjustable &&
        !(attenuationDb >= kMinAdjustableAttenuationDb && attenuationDb <= kMaxAdjustableAttenuationDb))
        return FirDesignResult::BadAttenuation;

    const int odd = request.taps % 2 == 1 ? request.taps : request.taps - 1;
    std::vector<double> h = LinearPhase(request.window, attenuationDb, odd, request.frequencyHz, request.highPass);
    h.resize(static_cast<std::size_t>(request.taps), 0.0);
    if (request.minimumPhase) {
        h = MinimumPhaseFir(h, -(attenuationDb + kMinimumPhaseFloorBelowStopBandDb));
        if (h.empty()) return FirDesignResult::BadTaps;  // cannot happen for the accepted counts
    }
    if (request.removeLatency) RemoveLeadingTaps(h, attenuationDb);

    design.latencySamples = PeakTap(h);
    design.latencyMs = SamplesToMs(design.latencySamples);
    design.coefficients = std::move(h);
    return FirDesignResult::Ok;
}

}  // namespace plenum
