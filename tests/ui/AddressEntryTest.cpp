// The octet boxes: what a box shows after each keystroke, and which address texts are accepted.
#include <gtest/gtest.h>

#include "ui/logic/AddressEntry.h"

namespace plenum::ui {
namespace {

struct ClampCase {
    const char* name;
    int position;
    const char* typed;
    const char* shown;
};

class ClampOctetTextTest : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ClampOctetTextTest, ShowsTheClampedNumber) {
    EXPECT_EQ(ClampOctetText(GetParam().position, GetParam().typed), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Octets, ClampOctetTextTest,
    ::testing::Values(ClampCase{"FirstBelowOneBecomesOne", 0, "0", "1"},
                      ClampCase{"FirstAbove223Becomes223", 0, "224", "223"},
                      ClampCase{"First223Stays", 0, "223", "223"},
                      ClampCase{"SecondAbove255Becomes255", 1, "300", "255"},
                      ClampCase{"ThirdZeroStays", 2, "0", "0"},
                      ClampCase{"FourthZeroBecomesOne", 3, "0", "1"},
                      ClampCase{"FourthAbove254Becomes254", 3, "255", "254"},
                      ClampCase{"LeadingZerosDrop", 1, "007", "7"},
                      ClampCase{"LettersAreDropped", 2, "1a2", "12"},
                      ClampCase{"AFourthDigitIsIgnored", 1, "1234", "123"},
                      ClampCase{"EmptyStaysEmptyForTyping", 0, "", ""},
                      ClampCase{"OnlyLettersLeaveItEmpty", 3, "x", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitAddress, AcceptsOnlyAddressesTheBoxesCouldHold) {
    EXPECT_EQ(SplitAddress("192.168.1.20"), (Octets{192, 168, 1, 20}));
    EXPECT_EQ(JoinAddress(*SplitAddress("10.0.0.1")), "10.0.0.1");
    for (const char* bad : {"0.1.2.3", "224.0.0.1", "10.0.0.0", "10.0.0.255", "10.0.0", "10.0.0.1.2", "10..0.1",
                            "10.0.0.x", "1000.0.0.1", ""})
        EXPECT_FALSE(SplitAddress(bad)) << bad;
}

}  // namespace
}  // namespace plenum::ui
