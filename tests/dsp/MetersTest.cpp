#include "dsp/Meters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace plenum {
namespace {

struct BarRow {
    float db;
    int width;
    int top;
};

TEST(MeterBars, Breakpoints) {
    const BarRow rows[] = {
        {static_cast<float>(LevelDb(0)), 5, 1530},   // code 0: -60 dB, empty bar
        {static_cast<float>(LevelDb(120)), 465, 0},  // code 120: 0 dB, full
        {static_cast<float>(LevelDb(127)), 465, 0},  // +3.5 dB: clamped
        {-10.0f, 240, 620},                          // both neighbouring segments agree
        {-30.0f, 110, 1150},
        {-80.0f, 5, 1530},
        {-5.0f, 352, 310},   // 240 + 112.5 = 352.5: a tie, to the even 352
        {-59.0f, 8, 1517},   // 8.5 -> 8 (ties to even); 1530 - 12.666 -> 1517
        {-57.0f, 16, 1492},  // 15.5 -> 16; 1530 - 38 = 1492
        {-0.5f, 454, 31},    // 240 + 213.75 -> 454; 620 - 589 = 31
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.db);
        EXPECT_EQ(MeterBarTop(row.db), row.top);
        EXPECT_EQ(MeterBarWidth(row.db), row.width);
    }
    EXPECT_EQ(MeterBarWidth(std::nanf("")), 5);
    EXPECT_EQ(MeterBarTop(std::nanf("")), 1530);
}

TEST(MeterBars, MonotonicOverEveryLevelCode) {
    int lastWidth = 0, lastTop = 100000;
    for (int code = 0; code < 128; ++code) {
        const auto db = static_cast<float>(LevelDb(static_cast<std::uint8_t>(code)));
        EXPECT_GE(MeterBarWidth(db), lastWidth);
        EXPECT_LE(MeterBarTop(db), lastTop);
        lastWidth = MeterBarWidth(db);
        lastTop = MeterBarTop(db);
    }
}

TEST(LevelByte, CodeAndIndicator) {
    EXPECT_EQ(LevelDb(0x80), -60.0);
    EXPECT_TRUE(IndicatorLit(0x80));
    EXPECT_FALSE(IndicatorLit(0x7F));
    EXPECT_EQ(LevelDb(0xFF), 3.5);
    EXPECT_EQ(LevelCode(0xF8), 120);
    EXPECT_EQ(LevelDb(121), 0.5);
}

struct PanelRow {
    std::uint8_t byte;
    bool any;
    PanelStatus status;
};

TEST(PanelStatusByte, Decoding) {
    const PanelRow rows[] = {
        {0x00, false, {}},
        {0x01, false, {}},  // bit 0 is not a panel bit
        {0x80, false, {}},  // nor bit 7
        {0x02, true, {true, false, 0}},
        {0x04, true, {false, true, 0}},
        {0x78, true, {false, false, 15}},
        {0x4A, true, {true, false, 9}},
        {0xFF, true, {true, true, 15}},
    };
    for (const auto& row : rows) {
        const auto decoded = DecodePanelStatus(row.byte);
        EXPECT_EQ(decoded.has_value(), row.any) << int(row.byte);
        if (decoded) {
            EXPECT_EQ(*decoded, row.status) << int(row.byte);
        }
    }
}

TEST(MeterTable, StoresReplyBytesFourToTwentyOne) {
    MeterTable table;
    std::vector<std::uint8_t> reply(22);
    for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<std::uint8_t>(100 + i);
    reply[21] = 0x0A;  // row 17: panel status
    EXPECT_TRUE(table.StoreReply(5, reply));
    EXPECT_EQ(table.at(0, 5), 104);
    EXPECT_EQ(table.at(meter_rows::kInputs[0], 5), 111);
    EXPECT_EQ(table.at(meter_rows::Output(2)[1], 5), 119);
    EXPECT_EQ(table.at(0, 4), 0);
    ASSERT_TRUE(table.panelStatus(5).has_value());
    EXPECT_EQ(table.panelStatus(5)->panelNumber, 1);

    // A short reply or a bad slot changes nothing.
    std::vector<std::uint8_t> shortReply(21, 0xEE);
    EXPECT_FALSE(table.StoreReply(5, shortReply));
    EXPECT_FALSE(table.StoreReply(25, reply));
    EXPECT_FALSE(table.StoreReply(-1, reply));
    EXPECT_EQ(table.at(0, 5), 104);
    EXPECT_EQ(table.at(100, 5), 0);
    // Rows 18..99 are not touched by replies.
    EXPECT_EQ(table.at(18, 5), 0);
}

}  // namespace
}  // namespace plenum
