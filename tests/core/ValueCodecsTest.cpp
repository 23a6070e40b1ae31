#include "core/ValueCodecs.h"

#include <gtest/gtest.h>

namespace plenum {
namespace {

struct GainRow {
    int index;
    double db;
};

TEST(GainTable, SegmentsMeetAtTheirEnds) {
    const GainRow rows[] = {{0, -90.5}, {1, -90.0}, {10, -63.0}, {11, -60.0}, {40, -31.0},
                            {41, -30.0}, {80, -10.5}, {81, -10.0}, {131, 0.0}, {191, 12.0}};
    for (const auto& row : rows) {
        EXPECT_DOUBLE_EQ(GainTableDb(row.index), row.db) << "index " << row.index;
        EXPECT_EQ(GainIndexNearest(row.db), row.index) << row.db << " dB";
    }
}

TEST(GainTable, TypedValueSnapsToNearestEntry) {
    EXPECT_EQ(GainIndexNearest(-61.4), 11);   // -60 is nearer than -63
    EXPECT_EQ(GainIndexNearest(-62.0), 10);   // -63 vs -60: -63 nearer by 1 dB
    EXPECT_EQ(GainIndexNearest(0.09), 131);   // 0.2 dB steps above -10 dB
    EXPECT_EQ(GainIndexNearest(0.11), 132);
    EXPECT_EQ(GainIndexNearest(50.0), 191);   // beyond the table: its top
    EXPECT_EQ(GainIndexNearest(-10.0, 131), 81);
    EXPECT_EQ(GainText(0), "-inf");
    EXPECT_EQ(GainText(131), "0.0");
}

TEST(GainTable, FaderRunsUpsideDown) {
    EXPECT_EQ(GainFaderPosition(191), 1);
    EXPECT_EQ(GainFaderPosition(0), 192);
    for (int i = 0; i <= 191; ++i) EXPECT_EQ(GainIndexFromFader(GainFaderPosition(i)), i);
}

TEST(PeqGain, CodesAtTheEndsAndCentre) {
    EXPECT_EQ(PeqGainCode(15.0), 60);
    EXPECT_EQ(PeqGainCode(-15.0), 0);
    EXPECT_EQ(PeqGainCode(0.0), 30);
    EXPECT_EQ(PeqGainCode(-7.5), 15);
    EXPECT_DOUBLE_EQ(PeqGainDb(60), 15.0);
    EXPECT_EQ(PeqGainCodeFromFader(31), 30);  // fader centre is 0 dB
    EXPECT_EQ(PeqGainCodeFromFader(1), 60);
    EXPECT_EQ(PeqGainCodeFromFader(61), 0);
}

TEST(QCode, NearestStep) {
    EXPECT_DOUBLE_EQ(QFromCode(23), 1.25);
    EXPECT_DOUBLE_EQ(QFromCode(44), 2.3);
    EXPECT_EQ(QCodeNearest(1.25), 23);
    EXPECT_EQ(QCodeNearest(1.27), 23);
    EXPECT_EQ(QCodeNearest(1.28), 24);
    EXPECT_EQ(QCodeNearest(0.01), 0);
    EXPECT_EQ(QCodeNearest(1000.0), 255);
}

TEST(PutNumber, BigEndianAtStart) {
    NumberBytes bytes{};
    PutNumber(bytes, 20000, 0);
    EXPECT_EQ(bytes[2], 78);
    EXPECT_EQ(bytes[3], 32);
    PutNumber(bytes, 16384.0 * 3 + 384, 0);  // program slot 2 address: 49536 = 0x00C180
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0xC1);
    EXPECT_EQ(bytes[3], 0x80);
    PutNumber(bytes, 192, 4);
    EXPECT_EQ(bytes[6], 0);
    EXPECT_EQ(bytes[7], 192);
    PutNumber(bytes, 2.5, 4);  // ties go to even
    EXPECT_EQ(bytes[7], 2);
    EXPECT_EQ(SplitFrequency(20000), (FrequencyBytes{78, 32}));
    EXPECT_EQ(SplitFrequency(1000.4), (FrequencyBytes{3, 232}));
}

struct DelayRow {
    const char* name;
    double ms;
    double maxMs;
    DelayCode expected;
};

TEST(Delay, SplitsAndLimits) {
    const DelayRow rows[] = {
        {"one and a half ms", 1.5, kSatInputDelayMaxMs, {1, 24}},
        {"above the input limit", 400.0, kSatInputDelayMaxMs, {300, 0}},
        {"above the output limit", 41.0, kOutputDelayMaxMs, {40, 0}},
        {"sub input limit", 250.0, kSubInputDelayMaxMs, {200, 0}},
        {"remainder rounding to 48 stays 47", 2.999, kSatInputDelayMaxMs, {2, 47}},
        {"negative", -3.0, kSatInputDelayMaxMs, {0, 0}},
        {"one sample", 0.0208, kSatInputDelayMaxMs, {0, 1}},
    };
    for (const auto& row : rows) EXPECT_EQ(SplitDelayMs(row.ms, row.maxMs), row.expected) << row.name;
    EXPECT_EQ(SplitDelayMetres(0.34, kSatInputDelayMaxMs), (DelayCode{1, 0}));
    EXPECT_EQ(SplitDelayMetres(102.332, kSatInputDelayMaxMs).wholeMs, 300);
    EXPECT_EQ(DelayText({1, 24}, false), "1.500");
    EXPECT_EQ(DelayText({300, 0}, true), "102.000");
    EXPECT_EQ((DelayCode{300, 0}).high(), 1);
    EXPECT_EQ((DelayCode{300, 0}).low(), 44);
}

TEST(BitSet, BytesMostSignificantFirst) {
    EXPECT_TRUE(BitSet(9, 0, 0, 2, 0));
    EXPECT_FALSE(BitSet(8, 0, 0, 2, 0));
    EXPECT_TRUE(BitSet(0, 0, 0, 0, 1));
    EXPECT_TRUE(BitSet(31, 128, 0, 0, 0));
    EXPECT_TRUE(BitSet(16, 0, 1, 0, 0));
    EXPECT_FALSE(BitSet(32, 255, 255, 255, 255));
    EXPECT_FALSE(BitSet(-1, 255, 255, 255, 255));
}

}  // namespace
}  // namespace plenum
