#include "comm/Frame.h"

#include <gtest/gtest.h>

#include "Scripted.h"

namespace plenum::comm {
namespace {

struct ReplyRow {
    const char* name;
    std::uint8_t code;
    std::uint8_t p4, p5;
    DeviceFamily family;
    std::size_t expected;
};

class ReplyLengthTable : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(ReplyLengthTable, MatchesProtocol) {
    const ReplyRow& row = GetParam();
    CommandParams params{};
    params[3] = row.p4;
    params[4] = row.p5;
    EXPECT_EQ(ReplyLength(row.code, params, row.family), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ReplyLengthTable,
    ::testing::Values(ReplyRow{"IdentifySat", 0, 0, 0, DeviceFamily::Sat, 30},
                      ReplyRow{"IdentifySub", 0, 0, 0, DeviceFamily::Sub, 30},
                      ReplyRow{"BlockRead256", 22, 1, 0, DeviceFamily::Sat, 261},
                      ReplyRow{"BlockRead192", 22, 0, 192, DeviceFamily::Sub, 197},
                      ReplyRow{"BlockWriteAck", 23, 1, 0, DeviceFamily::Sat, 5},
                      ReplyRow{"MeterPoll", 24, 0, 0, DeviceFamily::Sat, 23},
                      ReplyRow{"OfflineSat", 15, 0, 0, DeviceFamily::Sat, 13},
                      ReplyRow{"OfflineSub", 15, 0, 0, DeviceFamily::Sub, 13},
                      ReplyRow{"Code96Sat", 96, 0, 0, DeviceFamily::Sat, 13},
                      ReplyRow{"Code96Sub", 96, 0, 0, DeviceFamily::Sub, 5},
                      ReplyRow{"Code115Sat", 115, 0, 0, DeviceFamily::Sat, 13},
                      ReplyRow{"Code115Sub", 115, 0, 0, DeviceFamily::Sub, 5},
                      ReplyRow{"Code17", 17, 0, 0, DeviceFamily::Sat, 5},
                      ReplyRow{"Code25", 25, 0, 0, DeviceFamily::Sat, 5},
                      ReplyRow{"Code28", 28, 0, 0, DeviceFamily::Sub, 5},
                      ReplyRow{"ParameterCode5", 5, 3, 3, DeviceFamily::Sat, 5},
                      ReplyRow{"NinePayload", 7, 0, 0, DeviceFamily::Sat, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuildRequest, ShortFrameCarriesBusIdCodeAndParameters) {
    BlockBuffer block{};
    std::vector<std::uint8_t> frame;
    ASSERT_EQ(BuildRequest(9, 5, {1, 2, 3, 4, 5, 6, 7, 8}, block, frame), FrameError::None);
    EXPECT_EQ(test::Hex(frame), "F0 78 09 05 01 02 03 04 05 06 07 08 F7");
}

TEST(BuildRequest, IdentifyAlwaysGoesOutWithBusIdZero) {
    BlockBuffer block{};
    std::vector<std::uint8_t> frame;
    ASSERT_EQ(BuildRequest(0x42, 0, {}, block, frame), FrameError::None);
    EXPECT_EQ(test::Hex(frame), "F0 78 00 00 00 00 00 00 00 00 00 00 F7");
}

TEST(BuildRequest, CodeSevenSendsNineBlockBytesInsteadOfParameters) {
    BlockBuffer block{};
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(0xA0 + i);
    std::vector<std::uint8_t> frame;
    ASSERT_EQ(BuildRequest(1, 7, {9, 9, 9, 9, 9, 9, 9, 9}, block, frame), FrameError::None);
    EXPECT_EQ(test::Hex(frame), "F0 78 01 07 A0 A1 A2 A3 A4 A5 A6 A7 A8 F7");
}

TEST(BuildRequest, BlockWriteOfNBytesIsNPlusTenWithEndByteAtNPlusNine) {
    BlockBuffer block{};
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7 + 1);
    for (std::size_t n : {std::size_t{1}, std::size_t{192}, std::size_t{300}, kBlockBufferSize}) {
        const CommandParams params{0, 1, 0x80, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n & 0xFF),
                                   0xEE, 0xEE, 0xEE};
        std::vector<std::uint8_t> frame;
        ASSERT_EQ(BuildRequest(3, 23, params, block, frame), FrameError::None) << n;
        ASSERT_EQ(frame.size(), n + 10) << n;
        EXPECT_EQ(frame[n + 9], kFrameEnd) << n;
        EXPECT_EQ(test::Hex(std::span(frame).first(9)),
                  test::Hex(std::vector<std::uint8_t>{0xF0, 0x78, 3, 0x17, 0, 1, 0x80, params[3], params[4]}));
        EXPECT_TRUE(std::equal(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n), frame.begin() + 9)) << n;
    }
}

TEST(BuildRequest, BlockWriteLongerThanTheBufferIsRefused) {
    BlockBuffer block{};
    std::vector<std::uint8_t> frame{1, 2, 3};
    EXPECT_EQ(BuildRequest(3, 23, {0, 0, 0, 3, 2}, block, frame), FrameError::BlockTooLong);  // 770 bytes
    EXPECT_TRUE(frame.empty());
}

TEST(ClassifyReply, FramingAndEmptiness) {
    using V = std::vector<std::uint8_t>;
    EXPECT_EQ(ClassifyReply(V{0xF0, 0x78, 1, 5, 0xF7}), ReplyClass::Valid);
    EXPECT_EQ(ClassifyReply(V{0, 0, 0, 0, 0}), ReplyClass::Empty);
    EXPECT_EQ(ClassifyReply(V{0xF0, 0x78, 1, 5, 0x00}), ReplyClass::Garbled);  // short: end byte missing
    EXPECT_EQ(ClassifyReply(V{0x0F, 0x78, 1, 5, 0xF7}), ReplyClass::Garbled);
    EXPECT_EQ(ClassifyReply(V{0, 0, 0, 0, 1}), ReplyClass::Garbled);
}

TEST(IdentifiedBusId, OnlyWithMarkerInByteFour) {
    using V = std::vector<std::uint8_t>;
    EXPECT_EQ(IdentifiedBusId(V{0xF0, 0x78, 0x23, 0, 0x78, 2}), std::optional<std::uint8_t>(0x23));
    EXPECT_EQ(IdentifiedBusId(V{0xF0, 0x78, 0x23, 0, 0x77, 2}), std::nullopt);
    EXPECT_EQ(IdentifiedBusId(V{0xF0, 0x78, 0x23}), std::nullopt);
}

TEST(SerialNaming, PatternsAndPaths) {
    EXPECT_TRUE(IsValidSerialPattern("/dev/ttyUSB%d"));
    EXPECT_TRUE(IsValidSerialPattern("/tmp/100%%/tty%d"));
    EXPECT_FALSE(IsValidSerialPattern("/dev/ttyUSB"));
    EXPECT_FALSE(IsValidSerialPattern("/dev/tty%d%d"));
    EXPECT_FALSE(IsValidSerialPattern("/dev/tty%s"));
    EXPECT_FALSE(IsValidSerialPattern("/dev/tty%d%"));
    EXPECT_EQ(SerialPortPath("/dev/ttyUSB%d", 1), "/dev/ttyUSB0");
    EXPECT_EQ(SerialPortPath("/tmp/x/ttySIM%d", 5), "/tmp/x/ttySIM4");
    EXPECT_EQ(SerialPortPath("/tmp/100%%/tty%d", 72), "/tmp/100%/tty71");
}

TEST(LinkSettings, EnvironmentOverridesAndRejectsBadValues) {
    ::setenv("PLENUM_DEVICE_PORT", "15001", 1);
    ::setenv("PLENUM_SERIAL_PATTERN", "/tmp/sim/tty%d", 1);
    std::vector<std::string> problems;
    LinkSettings settings = LinkSettings::FromEnvironment(&problems);
    EXPECT_EQ(settings.devicePort, 15001);
    EXPECT_EQ(settings.serialPattern, "/tmp/sim/tty%d");
    EXPECT_TRUE(problems.empty());

    ::setenv("PLENUM_DEVICE_PORT", "70000", 1);
    ::setenv("PLENUM_SERIAL_PATTERN", "/tmp/%s%n", 1);
    settings = LinkSettings::FromEnvironment(&problems);
    EXPECT_EQ(settings.devicePort, kDefaultDevicePort);
    EXPECT_EQ(settings.serialPattern, "/dev/ttyUSB%d");
    EXPECT_EQ(problems.size(), 2u);
    ::unsetenv("PLENUM_DEVICE_PORT");
    ::unsetenv("PLENUM_SERIAL_PATTERN");
}

}  // namespace
}  // namespace plenum::comm
