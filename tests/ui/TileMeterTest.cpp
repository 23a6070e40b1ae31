// The tile's level indicator: the loudest input and output of a meter reply with their clip
// lamps, and bar lengths on the editors' meter scale.
#include <gtest/gtest.h>

#include <vector>

#include "ui/logic/TileMeter.h"

namespace plenum::ui {
namespace {

// A meter reply frame whose bytes 4..21 are the given rows 0..17.
std::vector<std::uint8_t> Reply(const std::vector<std::pair<int, std::uint8_t>>& rows) {
    std::vector<std::uint8_t> reply(23, 0);
    for (const auto& [row, value] : rows) reply[static_cast<std::size_t>(4 + row)] = value;
    return reply;
}

struct PeakCase {
    const char* name;
    std::vector<std::pair<int, std::uint8_t>> rows;
    TileLevels expected;
};

class PeakLevelsTest : public ::testing::TestWithParam<PeakCase> {};

TEST_P(PeakLevelsTest, TakesTheLoudestChannelAndAnyLamp) {
    MeterTable table;
    ASSERT_TRUE(table.StoreReply(3, Reply(GetParam().rows)));
    EXPECT_EQ(PeakLevels(table, 3), GetParam().expected);
    EXPECT_EQ(PeakLevels(table, 4), TileLevels{}) << "another device's column is untouched";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PeakLevelsTest,
    ::testing::Values(PeakCase{"Silent", {}, {0, 0}},
                      PeakCase{"LoudestInputWins", {{7, 40}, {8, 100}, {9, 60}}, {100, 0}},
                      PeakCase{"EveryOutputRowCounts", {{10, 20}, {13, 90}, {15, 30}}, {0, 90}},
                      // The lamp of a quiet channel lights the bar of a louder one.
                      PeakCase{"LampFromAnotherChannel", {{7, 0x80 | 10}, {9, 110}}, {0x80 | 110, 0}},
                      // Rows the tile does not show (panel status, the unused rows) change nothing.
                      PeakCase{"OtherRowsIgnored", {{0, 127}, {6, 127}, {16, 127}, {17, 0x7E}}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TileBarFraction, FollowsTheEditorsMeterScale) {
    EXPECT_DOUBLE_EQ(TileBarFraction(0), 0.0);                   // -60 dB: the empty bar
    EXPECT_DOUBLE_EQ(TileBarFraction(120), 1.0);                 // 0 dB: full
    EXPECT_DOUBLE_EQ(TileBarFraction(127 | 0x80), 1.0);          // +3.5 dB, lamp bit ignored
    EXPECT_NEAR(TileBarFraction(100), (240.0 - 5) / 460, 1e-9);  // -10 dB: half the bar
}

}  // namespace
}  // namespace plenum::ui
