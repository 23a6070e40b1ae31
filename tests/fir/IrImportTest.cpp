#include <gtest/gtest.h>

#include <cmath>

#include "fir/FirData.h"
#include "fir/IrImport.h"

namespace plenum::fir {
namespace {

struct IrCase {
    const char* name;
    const char* file;
    bool parses;
    IrFormat format;
};

class IrImportGolden : public ::testing::TestWithParam<IrCase> {};

TEST_P(IrImportGolden, DetectsAndParses) {
    const IrCase& c = GetParam();
    const auto measurement = LoadIrFile(test::FirData(c.file), false);
    ASSERT_EQ(measurement.has_value(), c.parses);
    if (!c.parses) return;
    EXPECT_EQ(measurement->format, c.format);
    ASSERT_EQ(measurement->rows.size(), 240u);
    EXPECT_DOUBLE_EQ(measurement->rows.front().frequencyHz, 20.0);
    EXPECT_DOUBLE_EQ(measurement->rows.front().fourth, 0.98);
}

INSTANTIATE_TEST_SUITE_P(Files, IrImportGolden,
                         ::testing::Values(IrCase{"Smaart", "smaart.txt", true, IrFormat::Smaart},
                                           IrCase{"Rita", "rita.txt", true, IrFormat::Rita},
                                           IrCase{"RitaMarkerInMixedCase", "rita_mixed_case.txt", true, IrFormat::Rita},
                                           IrCase{"NonNumericField", "smaart_bad_field.txt", false, IrFormat::Smaart},
                                           IrCase{"ThreeColumns", "smaart_three_columns.txt", false, IrFormat::Smaart},
                                           IrCase{"CsvExtension", "smaart.csv", false, IrFormat::Smaart},
                                           IrCase{"OneByte", "one_byte.txt", false, IrFormat::Smaart},
                                           IrCase{"CoefficientFile", "taps256.txt", false, IrFormat::Smaart}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IrImportTest, SmaartAndRitaExportsOfOneMeasurementAgree) {
    const auto smaart = LoadIrFile(test::FirData("smaart.txt"), false);
    const auto rita = LoadIrFile(test::FirData("rita.txt"), false);
    ASSERT_TRUE(smaart && rita);
    EXPECT_EQ(smaart->rows, rita->rows);
}

TEST(IrImportTest, CsvIsRefusedBeforeItIsOpened) {
    EXPECT_FALSE(IsIrFileName("measure.csv"));
    EXPECT_TRUE(IsIrFileName("measure.TXT"));
    // A path that does not exist is refused the same way: the extension decides first.
    ScriptedPrompter prompter;
    EXPECT_FALSE(ImportIrFile("/nonexistent/measure.csv", prompter, 0, false));
    ASSERT_EQ(prompter.messageCount(), 1u);
    EXPECT_EQ(prompter.entries()[0].title, " Error");
    EXPECT_EQ(prompter.entries()[0].text, "Wrong File");
    ImportIrFile(test::FirData("smaart_bad_field.txt"), prompter, 1, false);
    EXPECT_EQ(prompter.entries()[1].text, "错误的文件");
}

TEST(IrImportTest, ConditionedCurveLiesOnTheDisplayGrid) {
    const auto measurement = LoadIrFile(test::FirData("smaart.txt"), false);
    ASSERT_TRUE(measurement);
    const auto conditioned = ConditionIr(*measurement, 0.0);
    ASSERT_TRUE(conditioned);
    const IrCurve& curve = *conditioned;
    ASSERT_EQ(curve.frequencyHz.size(), kDisplayPoints);
    EXPECT_DOUBLE_EQ(curve.frequencyHz[1], 48000.0 / 16384.0);
    EXPECT_DOUBLE_EQ(curve.frequencyHz[kDisplayPoints - 1], 6826 * 48000.0 / 16384.0);
    // The measured high-pass: -3 dB and -90 degrees at its 100 Hz corner, flat far above it.
    const auto at = [&](double hz) { return static_cast<std::size_t>(std::lround(hz * 16384.0 / 48000.0)); };
    EXPECT_NEAR(curve.magnitudeDb[at(100)], -3.0, 0.1);
    EXPECT_NEAR(curve.phaseDeg[at(100)], 90.0, 1.5);
    EXPECT_NEAR(curve.magnitudeDb[at(10000)], 0.0, 0.01);
    for (double phase : curve.phaseDeg) {
        EXPECT_GT(phase, -180.0);
        EXPECT_LE(phase, 180.0);
    }
}

TEST(IrImportTest, SmoothingFlattensTheRippleButKeepsTheLevel) {
    // A dense measurement (1/200 octave) of a flat response with a 1 dB ripple every 1/24 octave:
    // a sixth-octave smoothing averages four periods away and leaves the level at 0 dB.
    IrMeasurement rippled;
    for (int i = 0; i <= 2000; ++i) {
        const double octaves = i / 200.0;
        rippled.rows.push_back({20.0 * std::exp2(octaves), std::sin(2 * M_PI * 24 * octaves), 0.0, 1.0});
    }
    const auto smoothed = ConditionIr(rippled, 1.0 / 6);
    const auto raw = ConditionIr(rippled, 0.0);
    ASSERT_TRUE(smoothed && raw);
    double rawSpread = 0, smoothedSpread = 0;
    for (std::size_t k = 20; k < kDisplayPoints; ++k) {  // about 60 Hz .. 20 kHz
        rawSpread = std::max(rawSpread, std::abs(raw->magnitudeDb[k]));
        smoothedSpread = std::max(smoothedSpread, std::abs(smoothed->magnitudeDb[k]));
    }
    EXPECT_GT(rawSpread, 0.95);
    EXPECT_LT(smoothedSpread, 0.15);
}

TEST(IrImportTest, AWidthTheSmoothingDoesNotTakeConditionsNothing) {
    const auto measurement = LoadIrFile(test::FirData("rita.txt"), false);
    ASSERT_TRUE(measurement);
    EXPECT_FALSE(ConditionIr(*measurement, 9.0));
}

}  // namespace
}  // namespace plenum::fir
