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
    const IrCurve curve = ConditionIr(*measurement, BasicIrNumerics(), std::nullopt);
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

TEST(IrImportTest, SmoothingIsPluggedInAndAskedForTheChosenWidth) {
    const auto measurement = LoadIrFile(test::FirData("rita.txt"), false);
    ASSERT_TRUE(measurement);
    IrNumerics numerics = BasicIrNumerics();
    int asked = 0;
    std::size_t bins = 0;
    numerics.smooth = [&](std::vector<double>& magnitude, std::vector<double>&, int divisor) {
        asked = divisor;
        bins = magnitude.size();
        for (double& m : magnitude) m *= 2.0;  // +6 dB everywhere, easy to see
    };
    const IrCurve plain = ConditionIr(*measurement, numerics, std::nullopt);
    EXPECT_EQ(asked, 0);
    const IrCurve smoothed = ConditionIr(*measurement, numerics, 6);
    EXPECT_EQ(asked, 6);
    EXPECT_EQ(bins, kMeasureBins);
    EXPECT_NEAR(smoothed.magnitudeDb[3000] - plain.magnitudeDb[3000], 20 * std::log10(2.0), 1e-9);
}

TEST(IrImportTest, PhaseWrapAndUnwrap) {
    const IrNumerics numerics = BasicIrNumerics();
    const std::vector<double> wrapped{170, -170, -150, 170, 0};
    const auto unwrapped = numerics.unwrapPhase(wrapped);
    EXPECT_EQ(unwrapped, (std::vector<double>{170, 190, 210, 170, 0}));
    EXPECT_EQ(numerics.wrapPhase(std::vector<double>{190, -180, 540, 180}), (std::vector<double>{-170, 180, 180, 180}));
}

}  // namespace
}  // namespace plenum::fir
