// The measurement side's frequency grid and the plain conversions done on it.
//
// Measured responses (imported exports, wizard measurements) are conditioned on the bins of a
// 65536-point transform at 48 kHz: 32769 values for bins 0..32768, bin k at k * 48000 / 65536 Hz.
// The functions here take the caller's arrays and write results into the caller's arrays; each
// returns 0 on success and a non-zero status for arguments it refuses, writing nothing then.
#pragma once

#include <span>

namespace plenum {

namespace measure_grid {
inline constexpr int kSampleRateHz = 48000;
inline constexpr int kTransformLength = 65536;
inline constexpr int kBinCount = kTransformLength / 2 + 1;  // 32769
inline constexpr double kBinSpacingHz = static_cast<double>(kSampleRateHz) / kTransformLength;
constexpr double FrequencyAt(int bin) { return bin * kBinSpacingHz; }
}  // namespace measure_grid

// Statuses shared by the conditioning functions.
inline constexpr int kMeasureOk = 0;
inline constexpr int kMeasureBadSize = 1;    // arrays of the wrong or mismatched length, no points
inline constexpr int kMeasureBadPoints = 2;  // frequencies not finite or not ascending, values not finite

// Resamples a measured curve (frequencies in Hz, ascending, and one value per frequency) onto the
// 32769 bins: straight-line interpolation between the two measured points around each bin, on the
// linear frequency axis; bins below the first or above the last measured frequency take the end
// values. Equal neighbouring frequencies are allowed (a step): the later point wins from there on.
// `result` must hold exactly measure_grid::kBinCount values.
int InterpolateMeasure(std::span<const double> frequenciesHz, std::span<const double> values,
                       std::span<double> result);

// 20 * log10(magnitude) for each value; magnitudes at or below kMagnitudeFloor (zero, negative,
// or too small for a double's logarithm to mean anything) give kMagnitudeFloorDb. `out` and `in`
// may be the same array.
inline constexpr double kMagnitudeFloor = 1e-20;
inline constexpr double kMagnitudeFloorDb = -400.0;
int MagnitudeToDb(std::span<double> out, std::span<const double> in);

// Each phase in degrees wrapped into (-180, +180]. `out` and `in` may be the same array.
int WrapPhaseDeg(std::span<double> out, std::span<const double> in);
double WrapPhaseDeg(double degrees);

// The phase made continuous: every step between neighbours larger than 180 degrees in size is
// taken as a wrap and removed by whole turns, so the first value is kept and no two neighbours of
// the result differ by more than 180 degrees. `out` and `in` may be the same array.
int UnwrapPhaseDeg(std::span<double> out, std::span<const double> in);

}  // namespace plenum
