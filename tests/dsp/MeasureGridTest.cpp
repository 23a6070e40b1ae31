// Interpolation onto the measurement grid, dB conversion, phase wrap and unwrap.
#include "dsp/MeasureGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace plenum {
namespace {

using measure_grid::FrequencyAt;
constexpr auto kBins = static_cast<std::size_t>(measure_grid::kBinCount);

TEST(MeasureGrid, IsTheHalfSpectrumOfA65536PointTransformAt48k) {
    EXPECT_EQ(measure_grid::kBinCount, 32769);
    EXPECT_DOUBLE_EQ(FrequencyAt(32768), 24000.0);
    EXPECT_DOUBLE_EQ(FrequencyAt(1), 48000.0 / 65536.0);
}

TEST(InterpolateMeasure, StraightLinesBetweenPointsAndEndValuesOutside) {
    // Points at 100 Hz (value 1), 1000 Hz (value 10), 1000 Hz again (step to 20), 10 kHz (value 0).
    const std::vector<double> f{100.0, 1000.0, 1000.0, 10000.0};
    const std::vector<double> v{1.0, 10.0, 20.0, 0.0};
    std::vector<double> out(kBins);
    ASSERT_EQ(InterpolateMeasure(f, v, out), kMeasureOk);
    struct Row {
        int bin;
        double expected;
    };
    const auto at = [](double hz) { return static_cast<int>(std::lround(hz / measure_grid::kBinSpacingHz)); };
    for (const Row& row : std::vector<Row>{
             {0, 1.0},
             {at(50.0), 1.0},
             {32768, 0.0},
         })
        EXPECT_DOUBLE_EQ(out[static_cast<std::size_t>(row.bin)], row.expected) << row.bin;
    for (const int bin : {200, 1000, 1365, 1366, 5000, 13000}) {
        const double hz = FrequencyAt(bin);
        double expected;
        if (hz < 1000.0)
            expected = 1.0 + 9.0 * (hz - 100.0) / 900.0;
        else
            expected = 20.0 - 20.0 * (hz - 1000.0) / 9000.0;
        if (hz >= 10000.0) expected = 0.0;
        EXPECT_NEAR(out[static_cast<std::size_t>(bin)], expected, 1e-12) << bin;
    }
}

TEST(InterpolateMeasure, OnePointGivesAFlatCurve) {
    std::vector<double> out(kBins);
    ASSERT_EQ(InterpolateMeasure(std::vector<double>{1000.0}, std::vector<double>{-3.0}, out), kMeasureOk);
    for (const double v : out) ASSERT_EQ(v, -3.0);
}

TEST(InterpolateMeasure, RefusedInputWritesNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        std::vector<double> f, v;
        std::size_t resultSize;
        int status;
    };
    const std::vector<Row> rows{
        {"no points", {}, {}, kBins, kMeasureBadSize},
        {"mismatched", {1.0, 2.0}, {1.0}, kBins, kMeasureBadSize},
        {"short result", {1.0}, {1.0}, kBins - 1, kMeasureBadSize},
        {"descending", {200.0, 100.0}, {1.0, 2.0}, kBins, kMeasureBadPoints},
        {"nan frequency", {100.0, nan}, {1.0, 2.0}, kBins, kMeasureBadPoints},
        {"infinite value", {100.0, 200.0}, {1.0, std::numeric_limits<double>::infinity()}, kBins, kMeasureBadPoints},
    };
    for (const Row& row : rows) {
        std::vector<double> out(row.resultSize, 42.0);
        EXPECT_EQ(InterpolateMeasure(row.f, row.v, out), row.status) << row.name;
        for (const double x : out) ASSERT_EQ(x, 42.0) << row.name;
    }
}

TEST(MagnitudeToDb, TwentyLogTenWithAFloor) {
    const std::vector<double> in{1.0, 10.0, 0.5, 1e-3, 0.0, -1.0, 1e-25};
    std::vector<double> out(in.size());
    ASSERT_EQ(MagnitudeToDb(out, in), kMeasureOk);
    const std::vector<double> expected{0.0, 20.0, 20.0 * std::log10(0.5), -60.0, kMagnitudeFloorDb, kMagnitudeFloorDb,
                                       kMagnitudeFloorDb};
    for (std::size_t i = 0; i < in.size(); ++i) EXPECT_NEAR(out[i], expected[i], 1e-12) << in[i];
    std::vector<double> inPlace = in;
    ASSERT_EQ(MagnitudeToDb(inPlace, inPlace), kMeasureOk);
    EXPECT_EQ(inPlace, out);
    std::vector<double> shorter(2);
    EXPECT_EQ(MagnitudeToDb(shorter, in), kMeasureBadSize);
}

TEST(WrapPhase, IntoMinus180To180) {
    struct Row {
        double in, out;
    };
    for (const Row& row : std::vector<Row>{{0, 0},
                                           {179.5, 179.5},
                                           {180, 180},
                                           {-180, 180},
                                           {190, -170},
                                           {-190, 170},
                                           {540, 180},
                                           {721, 1},
                                           {-725, -5},
                                           {-36000.25, -0.25}})
        EXPECT_NEAR(WrapPhaseDeg(row.in), row.out, 1e-9) << row.in;
    std::vector<double> values{190.0, -190.0};
    ASSERT_EQ(WrapPhaseDeg(values, values), kMeasureOk);
    EXPECT_DOUBLE_EQ(values[0], -170.0);
    EXPECT_DOUBLE_EQ(values[1], 170.0);
}

TEST(UnwrapPhase, RemovesWholeTurnsAndKeepsTheStart) {
    // A pure delay: the phase falls 37 degrees a bin, far past many turns.
    std::vector<double> ramp(2000), wrapped(2000), unwrapped(2000);
    for (std::size_t k = 0; k < ramp.size(); ++k) ramp[k] = 100.0 - 37.0 * static_cast<double>(k);
    ASSERT_EQ(WrapPhaseDeg(wrapped, ramp), kMeasureOk);
    ASSERT_EQ(UnwrapPhaseDeg(unwrapped, wrapped), kMeasureOk);
    for (std::size_t k = 0; k < ramp.size(); ++k) ASSERT_NEAR(unwrapped[k], ramp[k], 1e-9) << k;

    // In place, and wrap(unwrap(x)) == wrap(x).
    std::vector<double> again = wrapped;
    ASSERT_EQ(UnwrapPhaseDeg(again, again), kMeasureOk);
    for (std::size_t k = 0; k < ramp.size(); ++k) ASSERT_NEAR(WrapPhaseDeg(again[k]), wrapped[k], 1e-9);

    std::vector<double> empty;
    EXPECT_EQ(UnwrapPhaseDeg(empty, empty), kMeasureOk);
    std::vector<double> shorter(3);
    EXPECT_EQ(UnwrapPhaseDeg(shorter, wrapped), kMeasureBadSize);
}

}  // namespace
}  // namespace plenum
