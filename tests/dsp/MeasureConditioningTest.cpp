// The import conditioning chain: resample, smooth, dB, wrap, display grid.
#include "dsp/MeasureConditioning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/FrequencyGrid.h"
#include "dsp/MeasureGrid.h"
#include "dsp/Smoothing.h"

namespace plenum {
namespace {

// A measured pure delay of 0.1 ms at 0.5 (-6 dB), 1/24-octave points from 10 Hz to 24 kHz, phase
// wrapped as exports write it.
struct Export {
    std::vector<double> f, mag, phase;
    Export() {
        for (double hz = 10.0; hz <= 24000.0; hz *= std::exp2(1.0 / 24)) {
            f.push_back(hz);
            mag.push_back(0.5);
            phase.push_back(WrapPhaseDeg(-360.0 * hz * 1e-4));
        }
    }
};

TEST(MeasureConditioning, ADelayComesOutAsItsLineWrappedAndInDb) {
    const Export e;
    ConditionedCurve curve;
    ASSERT_EQ(ConditionMeasurement(e.f, e.mag, e.phase, 0.0, curve), 0);
    ASSERT_EQ(curve.magnitudeDb.size(), static_cast<std::size_t>(measure_grid::kBinCount));
    for (std::size_t k = 14; k < 32000; k += 97) {  // 10 Hz .. 23.4 kHz
        const double hz = measure_grid::FrequencyAt(static_cast<int>(k));
        EXPECT_NEAR(curve.magnitudeDb[k], 20.0 * std::log10(0.5), 1e-9) << k;
        // Between the measured points the unwrapped phase is a straight line, as the delay's is.
        EXPECT_NEAR(WrapPhaseDeg(curve.phaseDeg[k] - (-360.0 * hz * 1e-4)), 0.0, 1e-6) << k;
        EXPECT_GT(curve.phaseDeg[k], -180.0);
        EXPECT_LE(curve.phaseDeg[k], 180.0);
    }
}

TEST(MeasureConditioning, SmoothingIsTheSmoothersAndRefusalsKeepTheCurve) {
    const Export e;
    ConditionedCurve plain, smoothed;
    ASSERT_EQ(ConditionMeasurement(e.f, e.mag, e.phase, 0.0, plain), 0);
    ASSERT_EQ(ConditionMeasurement(e.f, e.mag, e.phase, *ParseSmoothingWidth("1/6"), smoothed), 0);
    EXPECT_NEAR(smoothed.magnitudeDb[1365], plain.magnitudeDb[1365], 1e-9);  // flat stays flat

    ConditionedCurve kept = smoothed;
    EXPECT_NE(ConditionMeasurement(e.f, e.mag, std::vector<double>(3), 0.0, kept), 0);
    EXPECT_NE(ConditionMeasurement(std::vector<double>{}, std::vector<double>{}, std::vector<double>{}, 0.0, kept), 0);
    EXPECT_NE(ConditionMeasurement(e.f, e.mag, e.phase, -1.0, kept), 0);
    EXPECT_EQ(kept.magnitudeDb, smoothed.magnitudeDb);
}

TEST(MeasureConditioning, DisplayGridPointsAreEveryFourthBin) {
    std::vector<double> bins(static_cast<std::size_t>(measure_grid::kBinCount));
    for (std::size_t k = 0; k < bins.size(); ++k) bins[k] = measure_grid::FrequencyAt(static_cast<int>(k));
    const auto display = MeasurementToDisplayGrid(bins);
    const FrequencyGrid grid;
    ASSERT_EQ(display.size(), static_cast<std::size_t>(FrequencyGrid::kPointCount));
    for (int k = 0; k < FrequencyGrid::kPointCount; ++k) ASSERT_EQ(display[static_cast<std::size_t>(k)], grid.frequency(k));
}

}  // namespace
}  // namespace plenum
