#include "dsp/MeasureGrid.h"

#include <algorithm>
#include <cmath>

namespace plenum {

namespace {

bool AllFinite(std::span<const double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

int InterpolateMeasure(std::span<const double> frequenciesHz, std::span<const double> values,
                       std::span<double> result) {
    if (frequenciesHz.empty() || frequenciesHz.size() != values.size() ||
        result.size() != static_cast<std::size_t>(measure_grid::kBinCount))
        return kMeasureBadSize;
    if (!AllFinite(frequenciesHz) || !AllFinite(values) ||
        !std::is_sorted(frequenciesHz.begin(), frequenciesHz.end()))
        return kMeasureBadPoints;

    // One sweep over bins and measured points together: `next` is the first measured point
    // above the bin's frequency, so the bin lies between points next-1 and next.
    const std::size_t last = frequenciesHz.size() - 1;
    std::size_t next = 0;
    for (std::size_t k = 0; k < result.size(); ++k) {
        const double f = measure_grid::FrequencyAt(static_cast<int>(k));
        while (next <= last && frequenciesHz[next] <= f) ++next;
        if (next == 0) {
            result[k] = values.front();
        } else if (next > last) {
            result[k] = values.back();
        } else {
            const double f0 = frequenciesHz[next - 1], f1 = frequenciesHz[next];
            const double t = (f - f0) / (f1 - f0);  // f1 > f >= f0, so f1 > f0
            result[k] = values[next - 1] + t * (values[next] - values[next - 1]);
        }
    }
    return kMeasureOk;
}

int MagnitudeToDb(std::span<double> out, std::span<const double> in) {
    if (out.size() != in.size()) return kMeasureBadSize;
    for (std::size_t i = 0; i < in.size(); ++i)
        out[i] = in[i] > kMagnitudeFloor ? 20.0 * std::log10(in[i]) : kMagnitudeFloorDb;
    return kMeasureOk;
}

double WrapPhaseDeg(double degrees) {
    double wrapped = std::remainder(degrees, 360.0);  // in [-180, 180]
    if (wrapped <= -180.0) wrapped += 360.0;
    return wrapped;
}

int WrapPhaseDeg(std::span<double> out, std::span<const double> in) {
    if (out.size() != in.size()) return kMeasureBadSize;
    for (std::size_t i = 0; i < in.size(); ++i) out[i] = WrapPhaseDeg(in[i]);
    return kMeasureOk;
}

int UnwrapPhaseDeg(std::span<double> out, std::span<const double> in) {
    if (out.size() != in.size()) return kMeasureBadSize;
    if (in.empty()) return kMeasureOk;
    double offset = 0.0;
    double previous = in[0];
    out[0] = in[0];
    for (std::size_t i = 1; i < in.size(); ++i) {
        const double current = in[i];
        const double step = current - previous;
        // Whole turns that bring the step into [-180, 180].
        offset -= 360.0 * std::round(step / 360.0);
        previous = current;
        out[i] = current + offset;
    }
    return kMeasureOk;
}

}  // namespace plenum
