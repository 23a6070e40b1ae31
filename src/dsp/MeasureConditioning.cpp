#include "dsp/MeasureConditioning.h"

#include "dsp/FrequencyGrid.h"
#include "dsp/MeasureGrid.h"
#include "dsp/Smoothing.h"

namespace plenum {

static_assert(measure_grid::kTransformLength == 4 * FrequencyGrid::kTransformLength);

int ConditionMeasurement(std::span<const double> frequenciesHz, std::span<const double> magnitude,
                         std::span<const double> phaseDeg, double widthOctaves, ConditionedCurve& curve) {
    if (phaseDeg.size() != magnitude.size()) return kMeasureBadSize;
    const auto bins = static_cast<std::size_t>(measure_grid::kBinCount);
    std::vector<double> unwrapped(phaseDeg.size());
    UnwrapPhaseDeg(unwrapped, phaseDeg);
    std::vector<double> mag(bins), phase(bins);
    if (const int status = InterpolateMeasure(frequenciesHz, magnitude, mag); status != kMeasureOk) return status;
    if (const int status = InterpolateMeasure(frequenciesHz, unwrapped, phase); status != kMeasureOk) return status;
    if (widthOctaves != 0.0)
        if (const int status = SmoothFractionalOctave(mag, phase, mag, phase, widthOctaves); status != kSmoothOk)
            return status;
    MagnitudeToDb(mag, mag);
    WrapPhaseDeg(phase, phase);
    curve.magnitudeDb = std::move(mag);
    curve.phaseDeg = std::move(phase);
    return kMeasureOk;
}

std::vector<double> MeasurementToDisplayGrid(std::span<const double> bins) {
    std::vector<double> display(static_cast<std::size_t>(FrequencyGrid::kPointCount));
    for (std::size_t k = 0; k < display.size() && 4 * k < bins.size(); ++k) display[k] = bins[4 * k];
    return display;
}

}  // namespace plenum
