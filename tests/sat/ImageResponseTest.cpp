// The curves drawn from a parameter image: physical checks of what the loudspeaker plays (a bell
// peaks at its gain, an LR24 pair sums flat, polarity turns the phase by 180 degrees), and the
// fast path (recomputing only what an edit touched) against a full load.
#include "sat/ImageResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "core/FactoryPrograms.h"
#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"

namespace plenum {
namespace {

constexpr auto kPoints = static_cast<std::size_t>(FrequencyGrid::kPointCount);

class ImageResponseTest : public ::testing::Test {
protected:
    const FrequencyGrid grid;
    int At(double hz) const { return grid.NearestPoint(hz); }
    double Mag(const DeviceResponse& r, int channel, double hz) const {
        return r.summedMagnitudeDb(channel)[static_cast<std::size_t>(At(hz))];
    }
    std::vector<double> Drawn(const DeviceResponse& r, int channel) const {
        std::vector<double> phase(kPoints);
        r.DrawnPhaseDeg(channel, phase);
        return phase;
    }
};

void PutSatInputBand(SatParamImage& image, int band, int type, int hz, int qCode, double gainDb, bool bypass = false) {
    image[static_cast<std::size_t>(sat::kInPeqType + band)] = static_cast<std::uint8_t>(type);
    image[static_cast<std::size_t>(sat::kInPeqFreqHigh + band)] = static_cast<std::uint8_t>(hz >> 8);
    image[static_cast<std::size_t>(sat::kInPeqFreqLow + band)] = static_cast<std::uint8_t>(hz & 0xFF);
    image[static_cast<std::size_t>(sat::kInPeqQ + band)] = static_cast<std::uint8_t>(qCode);
    image[static_cast<std::size_t>(sat::kInPeqGain + band)] =
        static_cast<std::uint8_t>(PeqGainCode(gainDb) | (bypass ? 0x80 : 0));
}

TEST_F(ImageResponseTest, SatelliteFactoryImagePlaysAFlatLinkwitzRileyPair) {
    DeviceResponse r(grid, SatGraphLayout());
    LoadResponse(r, SatFactoryImage(0));
    for (std::size_t k = 0; k < kPoints; ++k) ASSERT_EQ(r.summedMagnitudeDb(sat_graph::kInput)[k], 0.0) << k;
    // The 1500 Hz -24 dB/oct LR pair: -6.02 dB at the crossover on both ways, full level an
    // octave and more away, each way 24 dB down two octaves into its stop band.
    EXPECT_NEAR(Mag(r, sat_graph::kLow, 1500), -6.02, 0.01);
    EXPECT_NEAR(Mag(r, sat_graph::kHigh, 1500), -6.02, 0.01);
    EXPECT_NEAR(Mag(r, sat_graph::kLow, 100), 0.0, 0.01);
    EXPECT_NEAR(Mag(r, sat_graph::kHigh, 15000), 0.0, 0.05);
    EXPECT_LT(Mag(r, sat_graph::kLow, 6000), -23.0);
    EXPECT_LT(Mag(r, sat_graph::kHigh, 375), -23.0);

    std::vector<double> sumDb(kPoints), sumDeg(kPoints);
    SummedWaysResponse(r, sumDb, sumDeg);
    // The acoustic sum of the pair is the all-pass of the slope: flat, with the phase of a
    // second-order all-pass at the crossover frequency.
    const auto allPass = DesignAllPass(2, 1500, kButterworthQ);
    for (std::size_t k = 1; k < kPoints; ++k) {
        ASSERT_NEAR(sumDb[k], 0.0, 0.01) << grid.frequency(static_cast<int>(k));
        const double expected = SectionPhaseDeg(allPass, grid.frequency(static_cast<int>(k)));
        const double diff = std::remainder(sumDeg[k] - expected, 360.0);
        ASSERT_NEAR(diff, 0.0, 1.1) << grid.frequency(static_cast<int>(k));  // 1.1: +-180 is drawn as +-179
    }
}

TEST_F(ImageResponseTest, BridgeModeFactoryImageIsFlatOnBothWays) {
    DeviceResponse r(grid, SatGraphLayout());
    LoadResponse(r, SatFactoryImage(1));
    for (int ch = 0; ch < 3; ++ch)
        for (std::size_t k = 0; k < kPoints; ++k) ASSERT_EQ(r.summedMagnitudeDb(ch)[k], 0.0) << ch << " " << k;
}

TEST_F(ImageResponseTest, SubwooferFactoryImageIsItsLowPass) {
    DeviceResponse r(grid, SubGraphLayout());
    LoadResponse(r, SubFactoryImage());
    for (std::size_t k = 0; k < kPoints; ++k) ASSERT_EQ(r.summedMagnitudeDb(sub_graph::kInput)[k], 0.0) << k;
    // "-24dB/oct BW" at 100 Hz: -3 dB at the corner, 24 dB per octave beyond.
    const auto stages = XoverSlopeStages(6);
    double expected = 0;
    for (int i = 0; i < stages.count; ++i)
        expected += SectionMagnitudeDb(DesignXoverSection(2, true, 100, stages.stages[static_cast<std::size_t>(i)].q),
                                       grid.frequency(At(100)));
    EXPECT_NEAR(Mag(r, sub_graph::kOutput, 100), expected, 1e-9);
    EXPECT_NEAR(expected, -3.0, 0.15);
    EXPECT_NEAR(Mag(r, sub_graph::kOutput, 25), 0.0, 0.05);
    EXPECT_NEAR(Mag(r, sub_graph::kOutput, 400), -48.0, 1.0);
}

struct BandCase {
    std::string name;
    bool bandBypass;
    std::uint8_t sectionBits;  // byte 34
    double expectedAt1kHz;
};

class SatBellTest : public ImageResponseTest, public ::testing::WithParamInterface<BandCase> {};

TEST_P(SatBellTest, SixDbBellAtOneKilohertzOnInputBand) {
    const BandCase& c = GetParam();
    SatParamImage image = SatFactoryImage(1);
    image[sat::kInputEqBypass] = c.sectionBits;
    PutSatInputBand(image, 12, 0, 1000, 26, 6.0, c.bandBypass);  // band 12: the ROOM page, Q 1.4
    DeviceResponse r(grid, SatGraphLayout());
    LoadResponse(r, image);
    for (const int ch : {sat_graph::kInput, sat_graph::kLow, sat_graph::kHigh}) {
        EXPECT_NEAR(Mag(r, ch, 1000), c.expectedAt1kHz, 0.01) << ch;
        EXPECT_NEAR(Mag(r, ch, 20), 0.0, 0.05) << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bands, SatBellTest,
    ::testing::Values(BandCase{"Active", false, 0, 6.0},
                      BandCase{"OtherSectionsBypassed", false, 0b101, 6.0},
                      BandCase{"BandBypassBit", true, 0, 0.0},
                      BandCase{"RoomSectionBypassed", false, 0b010, 0.0}),
    [](const auto& info) { return info.param.name; });

TEST_F(ImageResponseTest, PolarityTurnsThePhaseByHalfATurn) {
    SatParamImage image = SatFactoryImage(0);
    DeviceResponse normal(grid, SatGraphLayout());
    LoadResponse(normal, image);
    const auto reference = Drawn(normal, sat_graph::kHigh);

    struct Row {
        std::uint8_t input, outputBits;
        bool highFlipped;
    };
    for (const Row row : {Row{0, 0b10, true}, Row{1, 0b00, true}, Row{1, 0b10, false}, Row{0, 0b01, false}}) {
        image[sat::kPolarity] = row.input;
        image[sat::kOutputPolarities] = row.outputBits;
        DeviceResponse r(grid, SatGraphLayout());
        LoadResponse(r, image);
        const auto phase = Drawn(r, sat_graph::kHigh);
        for (const double hz : {500.0, 1500.0, 3000.0, 12000.0}) {
            const auto k = static_cast<std::size_t>(At(hz));
            const double turn = std::abs(std::remainder(phase[k] - reference[k], 360.0));
            EXPECT_NEAR(turn, row.highFlipped ? 180.0 : 0.0, 1.01) << int(row.input) << int(row.outputBits) << " " << hz;
        }
        EXPECT_EQ(r.summedMagnitudeDb(sat_graph::kHigh)[static_cast<std::size_t>(At(3000))],
                  normal.summedMagnitudeDb(sat_graph::kHigh)[static_cast<std::size_t>(At(3000))]);
    }
}

TEST_F(ImageResponseTest, AnInvertedWayCancelsAtTheCrossover) {
    SatParamImage image = SatFactoryImage(0);
    image[sat::kOutputPolarities] = 0b10;
    DeviceResponse r(grid, SatGraphLayout());
    LoadResponse(r, image);
    std::vector<double> sumDb(kPoints), sumDeg(kPoints);
    SummedWaysResponse(r, sumDb, sumDeg);
    EXPECT_LT(sumDb[static_cast<std::size_t>(At(1500))], -40.0);
    EXPECT_NEAR(sumDb[static_cast<std::size_t>(At(100))], 0.0, 0.1);
}

TEST_F(ImageResponseTest, GainsShiftTheirChannels) {
    SatParamImage image = SatFactoryImage(1);
    image[sat::kInputGain] = static_cast<std::uint8_t>(GainIndexNearest(-6.0));
    image[sat::kOutputGain + 1] = static_cast<std::uint8_t>(GainIndexNearest(3.0));
    DeviceResponse r(grid, SatGraphLayout());
    LoadResponse(r, image);
    EXPECT_NEAR(Mag(r, sat_graph::kInput, 1000), -6.0, 1e-9);
    EXPECT_NEAR(Mag(r, sat_graph::kLow, 1000), -6.0, 1e-9);
    EXPECT_NEAR(Mag(r, sat_graph::kHigh, 1000), -3.0, 1e-9);
    EXPECT_NEAR(r.summedPhaseDeg(sat_graph::kHigh)[static_cast<std::size_t>(At(1000))], 0.0, 1e-9);
}

TEST_F(ImageResponseTest, SubwooferBandsAndPolarityFollowTheirBytes) {
    SubParamImage image = SubFactoryImage();
    image[sub::kOutputEqBypass] = 0;
    const int b = 2;  // output band 2 = edit-window band 7
    image[sub::kOutPeqType + b] = 0;
    image[sub::kOutPeqFreqHigh + b] = 0;
    image[sub::kOutPeqFreqLow + b] = 50;
    image[sub::kOutPeqQ + b] = 26;
    image[sub::kOutPeqGain + b] = static_cast<std::uint8_t>(PeqGainCode(-6.0));
    image[sub::kOutputPolarity] = 1;
    DeviceResponse r(grid, SubGraphLayout());
    LoadResponse(r, image);
    DeviceResponse factory(grid, SubGraphLayout());
    LoadResponse(factory, SubFactoryImage());
    EXPECT_NEAR(Mag(r, sub_graph::kOutput, 50) - Mag(factory, sub_graph::kOutput, 50), -6.0, 0.05);
    EXPECT_EQ(SubPeqBand(image, 7).gainDb, -6.0);
    EXPECT_TRUE(r.polarityInverted(sub_graph::kOutput));
    EXPECT_FALSE(r.polarityInverted(sub_graph::kInput));
}

// Every edit the graph shows, applied to the image, refreshed by family and compared with a
// response loaded from scratch: the fast path recomputes everything that changed.
struct EditCase {
    std::string name;
    std::function<void(SatParamImage&)> edit;
    ParamFamily family;
    ParamAddress address;
};

class SatRefreshTest : public ImageResponseTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(SatRefreshTest, RefreshEqualsAFullLoad) {
    SatParamImage image = SatFactoryImage(0);
    image[sat::kInputEqBypass] = 0;
    image[sat::kOutputEqBypass] = 0;
    for (int band = 0; band < sat::kInputBands; ++band) PutSatInputBand(image, band, band % 17, 40 + 300 * band, 20, -3.0);
    DeviceResponse r(grid, SatGraphLayout());
    LoadResponse(r, image);

    const EditCase& c = GetParam();
    c.edit(image);
    const EditTarget target{c.family, c.address};
    RefreshResponse(r, image, std::span<const EditTarget>(&target, 1));

    DeviceResponse fresh(grid, SatGraphLayout());
    LoadResponse(fresh, image);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_EQ(r.polarityInverted(ch), fresh.polarityInverted(ch));
        double worst = 0;
        for (std::size_t k = 0; k < kPoints; ++k) {
            worst = std::max({worst, std::abs(r.summedMagnitudeDb(ch)[k] - fresh.summedMagnitudeDb(ch)[k]),
                              std::abs(r.summedPhaseDeg(ch)[k] - fresh.summedPhaseDeg(ch)[k])});
        }
        EXPECT_LT(worst, 1e-9) << "channel " << ch;
    }
}

ParamAddress Way(int way) { return {way, 0, 0, 0}; }
ParamAddress Band(int band, int way = 0) { return {way, band, 0, 0}; }

INSTANTIATE_TEST_SUITE_P(
    Families, SatRefreshTest,
    ::testing::Values(
        EditCase{"InputBandDrag", [](auto& i) { PutSatInputBand(i, 12, 0, 2500, 26, 7.5); }, ParamFamily::InputPeqBand,
                 Band(12)},
        EditCase{"InputBandBypassBit", [](auto& i) { i[sat::kInPeqGain + 3] |= 0x80; }, ParamFamily::InputPeqBand,
                 Band(3)},
        EditCase{"InputSectionBypass", [](auto& i) { i[sat::kInputEqBypass] = 0b100; }, ParamFamily::InputEqBypass,
                 {0, 0, 2, 0}},
        EditCase{"OutputBand",
                 [](auto& i) {
                     i[sat::OutPeqOffset(sat::kOutPeqType, 5, 1)] = 3;
                     i[sat::OutPeqOffset(sat::kOutPeqFreqHigh, 5, 1)] = 0x1F;
                     i[sat::OutPeqOffset(sat::kOutPeqQ, 5, 1)] = 10;
                     i[sat::OutPeqOffset(sat::kOutPeqGain, 5, 1)] = 50;
                 },
                 ParamFamily::OutputPeqBand, Band(5, 1)},
        EditCase{"OutputSectionBypass",
                 [](auto& i) {
                     i[sat::OutPeqOffset(sat::kOutPeqGain, 0, 0)] = 44;
                     i[sat::kOutputEqBypass] = 0b01;
                 },
                 ParamFamily::OutputEqBypass, Way(0)},
        EditCase{"InputCrossover", [](auto& i) { i[sat::kInputXover] = 11; i[sat::kInputXover + 2] = 80; },
                 ParamFamily::InputCrossover, {}},
        EditCase{"HighPassOfLow", [](auto& i) { i[sat::kOutHpSlope] = 5; }, ParamFamily::OutputHighPass, Way(0)},
        EditCase{"LowPassOfHigh", [](auto& i) { i[sat::kOutLpSlope + 1] = 2; i[sat::kOutLpFreqHigh + 1] = 40; },
                 ParamFamily::OutputLowPass, Way(1)},
        EditCase{"InputGain", [](auto& i) { i[sat::kInputGain] = 100; }, ParamFamily::InputGain, {}},
        EditCase{"OutputGain", [](auto& i) { i[sat::kOutputGain + 1] = 60; }, ParamFamily::OutputGain, Way(1)},
        EditCase{"InputPolarity", [](auto& i) { i[sat::kPolarity] = 1; }, ParamFamily::InputPolarity, {}},
        EditCase{"OutputPolarity", [](auto& i) { i[sat::kOutputPolarities] = 2; }, ParamFamily::OutputPolarity,
                 Way(1)},
        EditCase{"InputBandType", [](auto& i) { i[sat::kInPeqType + 30] = 14; }, ParamFamily::InputPeqBand,
                 Band(30)}),
    [](const auto& info) { return info.param.name; });

TEST_F(ImageResponseTest, BandNumbersMapToTheirSlots) {
    EXPECT_EQ(SatBandSlot(0, 1), sat_slots::InputBand(0));
    EXPECT_EQ(SatBandSlot(50, 0), sat_slots::InputBand(50));
    EXPECT_EQ(SatBandSlot(51, 1), sat_slots::OutputBand(1, 0));
    EXPECT_EQ(SatBandSlot(58, 0), sat_slots::OutputBand(0, 7));
    EXPECT_EQ(SubBandSlot(4), sub_slots::InputBand(4));
    EXPECT_EQ(SubBandSlot(12), sub_slots::OutputBand(7));
    SatParamImage image = SatFactoryImage(0);
    PutSatInputBand(image, 12, 0, 1000, 26, 6.0);
    const BandHandle handle = SatBandHandle(image, 12, 0);
    EXPECT_EQ(handle.band, 12);
    EXPECT_EQ(handle.frequencyHz, 1000.0);
    EXPECT_EQ(handle.gainDb, 6.0);
    EXPECT_TRUE(handle.bypassed);  // the factory program bypasses the ROOM section
    EXPECT_TRUE(SubBandHandle(SubFactoryImage(), 12).carriesGain);
    EXPECT_EQ(sat_graph::InputSectionOf(9), 0);
    EXPECT_EQ(sat_graph::InputSectionOf(10), 1);
    EXPECT_EQ(sat_graph::InputSectionOf(40), 1);
    EXPECT_EQ(sat_graph::InputSectionOf(41), 2);
}

}  // namespace
}  // namespace plenum
