// Fractional-octave smoothing of a measured response on the measurement grid.
//
// Every bin whose frequency lies in the band (20 Hz to 20 kHz) is replaced by the average over the
// bins within +-width/2 octaves of it: bins from f * 2^(-w/2) to f * 2^(+w/2), a rectangular
// window on the linear bin axis, so a fixed fraction of an octave wide at every frequency. The
// window may reach outside the band (the bins there are read, not written); bins outside the band
// are copied unchanged.
//
// Magnitude is averaged as power (the mean of |H|^2, then the square root), as measurement
// software does, so that a narrow notch does not pull the smoothed curve down more than its
// energy warrants. Phase is averaged after unwrapping (an average across a 360 degree wrap would
// be meaningless); each smoothed value is then moved by the same whole turns that unwrapping
// added at that bin, so the result stays on the input's own branch: a wrapped input gives a
// nearly wrapped output (wrap it again for display), a continuous input a continuous output.
//
// Cost: one pass builds running sums of power and unwrapped phase, and each bin's average is the
// difference of two running sums, so the whole smoothing is O(N) whatever the width.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "core/Texts.h"

namespace plenum {

// The widths the wizard's "Smoothing Width [Oct]" entry accepts.
inline constexpr std::string_view kSmoothingWidthTexts[] = {"1/6", "1/5", "1/4", "1/3", "1/2"};
inline constexpr std::string_view kDefaultSmoothingWidthText = "1/6";

// Shown for any other width. No Chinese form of this text exists; both languages show it as is.
inline constexpr Bilingual kSmoothingWidthRefused{"Admited value: 1/6, 1/5, 1/4, 1/3, 1/2",
                                                  "Admited value: 1/6, 1/5, 1/4, 1/3, 1/2"};

// The width in octaves for one of the accepted texts (blanks around it are allowed); nothing for
// any other text, for which the caller shows kSmoothingWidthRefused.
std::optional<double> ParseSmoothingWidth(std::string_view text);

struct SmoothingBand {
    double lowHz = 20.0;
    double highHz = 20000.0;
    int sampleRateHz = 48000;
    int transformLength = 65536;  // the arrays hold transformLength / 2 + 1 bins
};

inline constexpr int kSmoothOk = 0;
inline constexpr int kSmoothBadSize = 1;      // arrays not of transformLength / 2 + 1 values
inline constexpr int kSmoothBadSettings = 2;  // width not in (0, 4] octaves, or a bad band

// Smooths magnitude (linear) and phase (degrees) over `widthOctaves`. The outputs may be the same
// arrays as the inputs. Returns kSmoothOk or a refusal, in which case nothing is written.
int SmoothFractionalOctave(std::span<const double> magnitude, std::span<const double> phaseDeg,
                           std::span<double> magnitudeOut, std::span<double> phaseOut, double widthOctaves,
                           const SmoothingBand& band = {});

}  // namespace plenum
