// The FIR window types of the crossover designer and the window shapes behind them.
//
// Every window is symmetric over the filter's taps (w[n] = w[L-1-n]) and is 1 at the centre of
// an odd length. The nominal stop-band attenuation is what a windowed-sinc low-pass with the
// window reaches; it is fixed for most windows, and for the three adjustable ones (Kaiser, Sinc,
// Sine) it is 21 dB plus the way's attenuation setting and chooses the window's shape parameter:
//   Kaiser: I0(beta sqrt(1 - x^2)) / I0(beta), x = 2n/(L-1) - 1, with beta from the attenuation
//           by Kaiser's formula (J. F. Kaiser, "Nonrecursive digital filter design using the
//           I0-sinh window function", 1974);
//   Sinc:   the Lanczos window sinc(x) raised to a power p;
//   Sine:   the sine window sin(pi (n + 1/2) / L) raised to a power p.
// At 21 dB every adjustable window is the rectangle (beta = 0, p = 0). The powers p come from a
// table measured once: the stop-band attenuation of a 511-tap windowed-sinc low-pass for p in
// steps of 1/2 (first stop-band null onwards); the power for an attenuation is interpolated
// linearly between the table's nodes.
//
// The fixed windows use the classic coefficient sets: Hanning 0.5 - 0.5 cos, Hamming
// 0.54 - 0.46 cos, Blackman 0.42 / 0.5 / 0.08, Blackman-Harris (4 terms, 0.35875 / 0.48829 /
// 0.14128 / 0.01168, F. J. Harris 1978), Blackman-Nuttall (0.3635819 / 0.4891775 / 0.1365995 /
// 0.0106411) and Nuttall (0.355768 / 0.487396 / 0.144232 / 0.012604, A. H. Nuttall 1981).
// "Kaiser -Bessel" is the Kaiser window at its fixed 64 dB (beta 6.09).
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace plenum {

enum class FirWindow : int {
    Rect = 0,
    Kaiser = 1,
    Sinc = 2,
    Hanning = 3,
    Hamming = 4,
    Blackman = 5,
    BlackmanHarris = 6,
    BlackmanNuttall = 7,
    Nuttall = 8,
    KaiserBessel = 9,
    Sine = 10,
};
inline constexpr int kFirWindowCount = 11;

struct FirWindowInfo {
    std::string_view label;  // as the window lists show it
    double attenuationDb;    // nominal; for adjustable windows the base the setting is added to
    bool adjustable;
};

inline constexpr std::array<FirWindowInfo, kFirWindowCount> kFirWindows{{
    {"Rect", 21, false},
    {"Kaiser", 21, true},
    {"Sinc", 21, true},
    {"Hanning", 43, false},
    {"Hamming", 53, false},
    {"Blackman", 75, false},
    {"Blackman -Harris", 108, false},
    {"Blackman -Nuttal", 72, false},
    {"Nuttal", 112, false},
    {"Kaiser -Bessel", 64, false},
    {"Sine", 21, true},
}};

// Range of the attenuation an adjustable window can be designed for.
inline constexpr double kMinAdjustableAttenuationDb = 21.0;
inline constexpr double kMaxAdjustableAttenuationDb = 120.0;

constexpr const FirWindowInfo& Info(FirWindow window) { return kFirWindows[static_cast<std::size_t>(window)]; }

// The window for a list position, nothing for a code outside 0..10.
std::optional<FirWindow> FirWindowFromCode(int code);

// The window for a label, compared without regard to case, blanks, '-' and '_', so "Rect",
// "blackman-harris", "BlackmanNuttal" and "kaiser_bessel" all name their window; the spelling
// "Nuttall" is taken for "Nuttal" too. A number 0..10 names the window at that list position.
std::optional<FirWindow> FirWindowFromName(std::string_view name);

// The attenuation a design with this window is made for: the table value, or for adjustable
// windows 21 dB + `settingDb`.
double FirWindowAttenuationDb(FirWindow window, double settingDb);

// Kaiser's beta for a stop-band attenuation in dB.
double KaiserBeta(double attenuationDb);

// The power applied to the Sinc or Sine window for an attenuation in 21..120 dB.
double WindowPower(FirWindow window, double attenuationDb);

// The window of `length` taps designed for `attenuationDb` (used by the adjustable windows only).
// `length` must be at least 1.
std::vector<double> MakeFirWindow(FirWindow window, int length, double attenuationDb);

}  // namespace plenum
