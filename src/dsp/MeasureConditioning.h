// Conditioning of an imported measured response (frequency, linear magnitude, phase in degrees)
// for display: resampled onto the 32769 measurement bins, smoothed over a fraction of an octave
// between 20 Hz and 20 kHz, magnitude in dB, phase wrapped into (-180, 180], and reduced to the
// display grid.
//
// The phase is unwrapped before it is resampled (a straight line drawn across a 360 degree wrap
// would pass through every angle in between) and wrapped again at the end.
#pragma once

#include <span>
#include <vector>

namespace plenum {

struct ConditionedCurve {
    std::vector<double> magnitudeDb;  // measure_grid::kBinCount values
    std::vector<double> phaseDeg;
};

// widthOctaves 0 means no smoothing. Returns 0, or the non-zero status of the step that refused
// the input (InterpolateMeasure's or SmoothFractionalOctave's), leaving `curve` untouched.
int ConditionMeasurement(std::span<const double> frequenciesHz, std::span<const double> magnitude,
                         std::span<const double> phaseDeg, double widthOctaves, ConditionedCurve& curve);

// The display grid's points are every fourth measurement bin (k * 48000 / 16384 Hz is bin 4k of
// the 65536-point transform), so the reduction picks those bins: FrequencyGrid::kPointCount values.
std::vector<double> MeasurementToDisplayGrid(std::span<const double> bins);

}  // namespace plenum
