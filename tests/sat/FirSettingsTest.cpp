#include "sat/FirSettings.h"

#include <gtest/gtest.h>

#include "sat/FirDefaults.h"

namespace plenum {
namespace {

// The device's default bytes read as a way open between the FIR limits.
TEST(FirSettings, DefaultsReadAsAnOpenWay) {
    SatParamImage image;
    InitFirDefaults(image);
    for (const int way : {0, 1}) {
        const FirWaySettings s = ReadFirWay(image, way);
        EXPECT_EQ(s, FirWaySettings{}) << way;
        EXPECT_EQ(s.window, 4);  // Hamming
        EXPECT_EQ(s.lowPassHz, 20000);
        EXPECT_EQ(s.highPassHz, 250);
        EXPECT_EQ(s.attenuationSetting, 59);
        EXPECT_EQ(s.taps, 512);
        EXPECT_TRUE(s.removeLatency);
    }
}

struct WayRow {
    const char* name;
    int way;
    FirWaySettings settings;
    std::array<int, 7> bytes;  // byte i of the way, at 503 + way + 2 i
};
void PrintTo(const WayRow& row, std::ostream* out) { *out << row.name; }

class FirWayBytes : public ::testing::TestWithParam<WayRow> {};

TEST_P(FirWayBytes, WriteThenRead) {
    const WayRow& row = GetParam();
    SatParamImage image;
    WriteFirWay(image, row.way, row.settings);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(image[static_cast<std::size_t>(FirWayByte(row.way, i))], row.bytes[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(ReadFirWay(image, row.way), row.settings);
    // The other way's bytes stay untouched.
    for (int i = 0; i < 7; ++i) EXPECT_EQ(image[static_cast<std::size_t>(FirWayByte(1 - row.way, i))], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FirWayBytes,
    ::testing::Values(WayRow{"KaiserWay0", 0, {1, 1500, 300, 39, 384, false}, {1, 5, 220, 1, 44, 39, 8}},
                      WayRow{"NuttalWay1", 1, {8, 20000, 250, 0, 256, true}, {8, 78, 32, 0, 250, 0, 17}},
                      WayRow{"SineWay1Max", 1, {10, 250, 20000, 99, 512, true}, {10, 0, 250, 78, 32, 99, 1}}),
    [](const auto& info) { return info.param.name; });

TEST(FirSettings, OutOfRangeBytesReadAsTheNearestValidValue) {
    SatParamImage image;
    for (int i = 0; i < 7; ++i) image[static_cast<std::size_t>(FirWayByte(0, i))] = 0xFF;
    const FirWaySettings s = ReadFirWay(image, 0);
    EXPECT_TRUE(FirWaySettingsValid(s));
    EXPECT_EQ(s.window, 10);
    EXPECT_EQ(s.lowPassHz, 20000);
    EXPECT_EQ(s.taps, 256);
    EXPECT_EQ(s.attenuationSetting, 99);
}

TEST(FirSettings, ValidityAndStopBand) {
    EXPECT_TRUE(FirTapsValid(256));
    EXPECT_TRUE(FirTapsValid(480));
    EXPECT_FALSE(FirTapsValid(250));
    EXPECT_FALSE(FirTapsValid(1024));
    EXPECT_FALSE(FirWaySettingsValid({.lowPassHz = 249}));
    EXPECT_FALSE(FirWaySettingsValid({.window = 11}));
    SatParamImage image;
    image[344] = 7;   // an IIR slope: "---"
    image[351] = 17;  // way 1 low-pass: "-60dB NXF"
    EXPECT_EQ(FirStopBand(image, 0, false), 0);
    EXPECT_EQ(FirStopBand(image, 1, true), 4);
    image[520] = 9;
    EXPECT_EQ(XoverModeCode(image), 0);
    image[520] = 2;
    EXPECT_EQ(XoverModeCode(image), 2);
}

}  // namespace
}  // namespace plenum
