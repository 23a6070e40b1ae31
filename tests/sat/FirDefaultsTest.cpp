#include "sat/FirDefaults.h"
#include "sat/FirSettings.h"

#include <gtest/gtest.h>

namespace plenum {
namespace {

TEST(FirDefaults, EmptyImageGetsDefaultsOnBothWays) {
    SatParamImage image;
    EXPECT_TRUE(InitFirDefaults(image).any());
    const std::array<std::uint8_t, 14> expected{4, 4, 78, 78, 32, 32, 0, 0, 250, 250, 59, 59, 1, 1};
    EXPECT_EQ(PackFirDesign(image), expected);
}

TEST(FirDefaults, EmptinessRulesPerWay) {
    SatParamImage image;
    // Way 0: 505 = 0, 507 = 78, 511 = 0 -> kept (507 is not zero).
    image[503] = 9, image[505] = 0, image[507] = 78, image[509] = 1, image[511] = 0, image[513] = 2, image[515] = 3;
    // Way 1: 506 = 0, 508 = 78, 512 = 0 -> replaced (512 is zero).
    image[504] = 9, image[506] = 0, image[508] = 78, image[512] = 0;
    const auto result = InitFirDefaults(image);
    EXPECT_FALSE(result.way0Filled);
    EXPECT_TRUE(result.way1Filled);
    EXPECT_EQ(image[503], 9);
    EXPECT_EQ(image[507], 78);
    EXPECT_EQ(image[504], 4);
    EXPECT_EQ(image[512], 250);
    EXPECT_FALSE(InitFirDefaults(image).any());  // a second pass finds nothing empty
}

// Which frequencies make a way read as empty: byte i of a way sits at 503 + way + 2 i.
TEST(FirDefaults, WayReadsEmptyByFrequency) {
    struct Row {
        int way;
        int lowPassHz;
        int highPassHz;
        bool empty;
    };
    const Row rows[] = {
        {0, 20000, 250, false}, {0, 0, 250, true},      {0, 1024, 512, true},  {0, 1024, 513, false},
        {0, 1025, 512, false},  {1, 20000, 250, false}, {1, 20000, 1024, true}, {1, 0, 250, true},
        {1, 1024, 1025, false}, {1, 19968, 256, true},
    };
    for (const Row& row : rows) {
        SatParamImage image;
        FirWaySettings settings;
        settings.lowPassHz = row.lowPassHz;
        settings.highPassHz = row.highPassHz;
        WriteFirWay(image, row.way, settings);
        EXPECT_EQ(FirWayReadsEmpty(image, row.way), row.empty) << row.way << " " << row.lowPassHz << " " << row.highPassHz;
        EXPECT_EQ(InitFirDefaults(image).any(), true);  // the other way is all zero
    }
}

TEST(FirDefaults, OtherBytesUntouched) {
    SatParamImage image;
    image[502] = 0x11;
    image[517] = 0x22;
    InitFirDefaults(image);
    EXPECT_EQ(image[502], 0x11);
    EXPECT_EQ(image[517], 0x22);
}

}  // namespace
}  // namespace plenum
