#include "fir/FirWindow.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <span>
#include <string>

namespace plenum {

namespace {

// Measured stop-band attenuation (dB) of a windowed-sinc low-pass for window powers
// 0, 0.5, 1, ... (the first node is set to exactly 21 dB, where the power is 0: the rectangle).
constexpr std::array<double, 25> kSinePowerTable{21.0, 27.9, 33.8, 39.1, 43.9, 48.6, 53.0, 57.2, 61.4,
                                                 65.4, 69.3, 73.2, 77.0, 80.8, 84.5, 88.2, 91.8, 95.4,
                                                 99.0, 102.6, 106.1, 109.6, 113.1, 116.5, 120.0};
constexpr std::array<double, 13> kSincPowerTable{21.0, 30.2, 38.5, 46.6, 54.6, 62.6, 70.8,
                                                 79.3, 88.1, 97.5, 107.6, 119.2, 127.6};
constexpr double kPowerStep = 0.5;

double PowerFromTable(std::span<const double> attenuations, double attenuationDb) {
    if (attenuationDb <= attenuations.front()) return 0.0;
    for (std::size_t i = 0; i + 1 < attenuations.size(); ++i)
        if (attenuationDb < attenuations[i + 1])
            return kPowerStep * (static_cast<double>(i) +
                                 (attenuationDb - attenuations[i]) / (attenuations[i + 1] - attenuations[i]));
    return kPowerStep * static_cast<double>(attenuations.size() - 1);
}

// Modified Bessel function of the first kind, order 0, by its power series
// I0(x) = sum_k ((x/2)^k / k!)^2; for the arguments of a window (|x| <= 15) it converges to full
// double precision in under 40 terms.
double BesselI0(double x) {
    const double half = 0.5 * x;
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 100; ++k) {
        term *= half / k;
        const double add = term * term;
        sum += add;
        if (add < sum * 1e-17) break;
    }
    return sum;
}

// Sum of cosines a0 - a1 cos(2 pi n/(L-1)) + a2 cos(4 pi n/(L-1)) - a3 cos(6 pi n/(L-1)).
double CosineSum(std::span<const double> a, double x /* n / (L-1) */) {
    double w = 0.0, sign = 1.0;
    for (std::size_t k = 0; k < a.size(); ++k, sign = -sign)
        w += sign * a[k] * std::cos(2.0 * std::numbers::pi * static_cast<double>(k) * x);
    return w;
}

std::string Folded(std::string_view text) {
    std::string folded;
    for (const char c : text)
        if (c != ' ' && c != '-' && c != '_' && c != '\t')
            folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

}  // namespace

std::optional<FirWindow> FirWindowFromCode(int code) {
    if (code < 0 || code >= kFirWindowCount) return std::nullopt;
    return static_cast<FirWindow>(code);
}

std::optional<FirWindow> FirWindowFromName(std::string_view name) {
    std::string folded = Folded(name);
    if (folded.empty()) return std::nullopt;
    if (std::all_of(folded.begin(), folded.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return folded.size() <= 2 ? FirWindowFromCode(std::stoi(folded)) : std::nullopt;
    if (folded.ends_with("nuttall")) folded.pop_back();
    for (int code = 0; code < kFirWindowCount; ++code)
        if (Folded(kFirWindows[static_cast<std::size_t>(code)].label) == folded) return static_cast<FirWindow>(code);
    return std::nullopt;
}

double FirWindowAttenuationDb(FirWindow window, double settingDb) {
    const auto& info = Info(window);
    return info.adjustable ? info.attenuationDb + settingDb : info.attenuationDb;
}

double KaiserBeta(double attenuationDb) {
    if (attenuationDb > 50.0) return 0.1102 * (attenuationDb - 8.7);
    if (attenuationDb > 21.0)
        return 0.5842 * std::pow(attenuationDb - 21.0, 0.4) + 0.07886 * (attenuationDb - 21.0);
    return 0.0;
}

double WindowPower(FirWindow window, double attenuationDb) {
    if (window == FirWindow::Sine) return PowerFromTable(kSinePowerTable, attenuationDb);
    if (window == FirWindow::Sinc) return PowerFromTable(kSincPowerTable, attenuationDb);
    return 0.0;
}

std::vector<double> MakeFirWindow(FirWindow window, int length, double attenuationDb) {
    const auto size = static_cast<std::size_t>(std::max(length, 1));
    std::vector<double> w(size, 1.0);
    if (size == 1) return w;
    const double span = static_cast<double>(size - 1);

    static constexpr double kHann[] = {0.5, 0.5};
    static constexpr double kHamming[] = {0.54, 0.46};
    static constexpr double kBlackman[] = {0.42, 0.5, 0.08};
    static constexpr double kBlackmanHarris[] = {0.35875, 0.48829, 0.14128, 0.01168};
    static constexpr double kBlackmanNuttall[] = {0.3635819, 0.4891775, 0.1365995, 0.0106411};
    static constexpr double kNuttall[] = {0.355768, 0.487396, 0.144232, 0.012604};

    const double beta = window == FirWindow::KaiserBessel ? KaiserBeta(Info(window).attenuationDb)
                                                          : KaiserBeta(attenuationDb);
    const double power = WindowPower(window, attenuationDb);
    const double besselOfBeta = BesselI0(beta);

    // The first half (centre included), mirrored, so the window is exactly symmetric.
    for (std::size_t n = 0; n <= (size - 1) / 2; ++n) {
        const double x = static_cast<double>(n) / span;  // 0 .. 1/2
        const double centred = 2.0 * x - 1.0;           // -1 .. 0
        double value = 1.0;
        switch (window) {
            case FirWindow::Rect: break;
            case FirWindow::Kaiser:
            case FirWindow::KaiserBessel:
                value = BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - centred * centred))) / besselOfBeta;
                break;
            case FirWindow::Sinc: {
                const double arg = std::numbers::pi * centred;
                const double lanczos = arg == 0.0 ? 1.0 : std::sin(arg) / arg;
                value = power == 0.0 ? 1.0 : std::pow(std::max(0.0, lanczos), power);
                break;
            }
            case FirWindow::Sine: {
                const double sine = std::sin(std::numbers::pi * (static_cast<double>(n) + 0.5) / static_cast<double>(size));
                value = power == 0.0 ? 1.0 : std::pow(sine, power);
                break;
            }
            case FirWindow::Hanning: value = CosineSum(kHann, x); break;
            case FirWindow::Hamming: value = CosineSum(kHamming, x); break;
            case FirWindow::Blackman: value = CosineSum(kBlackman, x); break;
            case FirWindow::BlackmanHarris: value = CosineSum(kBlackmanHarris, x); break;
            case FirWindow::BlackmanNuttall: value = CosineSum(kBlackmanNuttall, x); break;
            case FirWindow::Nuttall: value = CosineSum(kNuttall, x); break;
        }
        w[n] = value;
        w[size - 1 - n] = value;
    }
    return w;
}

}  // namespace plenum
