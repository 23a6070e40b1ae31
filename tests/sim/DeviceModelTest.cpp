#include "sim/DeviceModel.h"

#include <gtest/gtest.h>

#include "sim/WireClient.h"

namespace plenum::sim {
namespace {

using test::Bytes;

DeviceIdentity Identity(std::uint8_t model) {
    DeviceIdentity identity;
    identity.modelCode = model;
    identity.hwFamily = 3;
    identity.busId = 9;
    identity.uniqueId = {0x0A, 0xFF, 0x00, 0x9C, 0x41, 0x07};
    return identity;
}

Bytes Handle(DeviceModel& device, const Bytes& frame, LinkKind link = LinkKind::Network) {
    return device.handle(Request{frame, link});
}

struct ReplyCase {
    const char* name;
    std::uint8_t code;
    std::size_t sat;
    std::size_t sub;
};
// Test names, not bytes, in listings.
void PrintTo(const ReplyCase& c, std::ostream* out) {
    *out << c.name;
}

class SimReplyLengthTest : public ::testing::TestWithParam<ReplyCase> {};

// The host reads exactly this many bytes; a device that sends more or fewer desynchronises it.
TEST_P(SimReplyLengthTest, PerFamily) {
    const auto& c = GetParam();
    DeviceModel sat(Identity(0), 1), sub(Identity(1), 1);
    const Bytes request = c.code == 0 ? test::ShortFrame(0, 0) : test::ShortFrame(9, c.code);
    const Bytes satReply = Handle(sat, request), subReply = Handle(sub, request);
    EXPECT_EQ(satReply.size(), c.sat);
    EXPECT_EQ(subReply.size(), c.sub);
    for (const Bytes& reply : {satReply, subReply}) {
        EXPECT_EQ(reply.front(), 0xF0);
        EXPECT_EQ(reply.back(), 0xF7);
        EXPECT_EQ(reply[3], c.code);
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, SimReplyLengthTest,
                         ::testing::Values(ReplyCase{"Identify", 0, 30, 30}, ReplyCase{"Parameter5", 5, 5, 5},
                                           ReplyCase{"Bye15", 15, 13, 13}, ReplyCase{"Code17", 17, 5, 5},
                                           ReplyCase{"MeterPoll24", 24, 23, 23},
                                           ReplyCase{"Code25", 25, 5, 5}, ReplyCase{"Code26", 26, 5, 5},
                                           ReplyCase{"Code27", 27, 5, 5}, ReplyCase{"Code28", 28, 5, 5},
                                           ReplyCase{"Code96", 96, 13, 5}, ReplyCase{"Code115", 115, 13, 5},
                                           ReplyCase{"Code255", 255, 5, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceModelTest, IdentifyReplyCarriesTheDeviceFromItsMemory) {
    DeviceModel device(Identity(8), 1);
    device.initialiseMemory({0, 3, 9}, "LEFT TOP", 4);
    const Bytes reply = Handle(device, test::ShortFrame(0, 0));
    ASSERT_EQ(reply.size(), 30u);
    EXPECT_EQ(reply[2], 9) << "bus id";
    EXPECT_EQ(reply[4], 0x78);
    EXPECT_EQ(reply[5], 2) << "LAN on a network link";
    EXPECT_EQ(Bytes(reply.begin() + 6, reply.begin() + 12), (Bytes{0x0A, 0xFF, 0x00, 0x9C, 0x41, 0x07}));
    EXPECT_EQ(reply[12], 0x83) << "model 8 in the high nibble, family 3 in the low one";
    EXPECT_EQ(std::string(reply.begin() + 13, reply.begin() + 29), "LEFT TOP        ");
    EXPECT_EQ(Handle(device, test::ShortFrame(0, 0), LinkKind::Usb)[5], 0) << "USB on the serial link";

    // The name is the device's own: a status record written by the host renames it.
    const std::string renamed = "RENAMED BY HOST ";
    device.write(kStatusName, Bytes(renamed.begin(), renamed.end()));
    const Bytes again = Handle(device, test::ShortFrame(0, 0));
    EXPECT_EQ(std::string(again.begin() + 13, again.begin() + 29), renamed);
}

TEST(DeviceModelTest, MemoryStartsWithFirmwareNameAndVariant) {
    DeviceModel device(Identity(0), 1);
    device.initialiseMemory({0, 3, 4}, "A NAME LONGER THAN SIXTEEN", 6);
    EXPECT_EQ(device.read(1, 3), (Bytes{0, 3, 4}));
    const Bytes name = device.read(kStatusName, 16);
    EXPECT_EQ(std::string(name.begin(), name.end()), "A NAME LONGER TH");
    EXPECT_EQ(device.read(kStatusVariant, 1)[0], 6);
    EXPECT_EQ(device.read(ProgramSlotAddress(7), 1)[0], ' ') << "program names are blank";
    EXPECT_EQ(ProgramSlotAddress(2), 49536u);
}

TEST(DeviceModelTest, BlockWriteThenBlockReadAcrossTheMap) {
    DeviceModel device(Identity(0), 1);
    Bytes data(192);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
    for (std::uint32_t address : {0u, 384u, 768u, ProgramSlotAddress(0), ProgramSlotAddress(7)}) {
        EXPECT_EQ(Handle(device, test::BlockWriteFrame(9, address, data)).size(), 5u);
        EXPECT_EQ(device.read(address, data.size()), data) << address;
        const Bytes reply = Handle(device, test::BlockReadFrame(9, address, data.size()));
        ASSERT_EQ(reply.size(), 197u);
        EXPECT_EQ(Bytes(reply.begin() + 4, reply.end() - 1), data) << address;
    }
}

TEST(DeviceModelTest, OutsideTheMapReadsZeroAndWritesNothing) {
    DeviceModel device(Identity(0), 1);
    const std::uint32_t end = static_cast<std::uint32_t>(kMemorySize);
    Handle(device, test::BlockWriteFrame(9, end - 2, Bytes{1, 2, 3, 4}));
    EXPECT_EQ(device.read(end - 2, 4), (Bytes{1, 2, 0, 0}));
    const Bytes reply = Handle(device, test::BlockReadFrame(9, 0xFFFFF0, 4));
    EXPECT_EQ(reply, (Bytes{0xF0, 0x78, 9, 0x16, 0, 0, 0, 0, 0xF7}));
}

TEST(DeviceModelTest, AnswersItsBusIdAndBroadcastOnly) {
    DeviceModel device(Identity(0), 1);
    EXPECT_TRUE(device.addressedToMe(Request{test::ShortFrame(0, 0)}));
    EXPECT_FALSE(device.addressedToMe(Request{test::ShortFrame(9, 0)})) << "identify goes out with bus id 0";
    EXPECT_TRUE(device.addressedToMe(Request{test::ShortFrame(9, 5)}));
    EXPECT_TRUE(device.addressedToMe(Request{test::ShortFrame(0, 5)}));
    EXPECT_FALSE(device.addressedToMe(Request{test::ShortFrame(4, 5)}));
}

TEST(DeviceModelTest, MeterLevelsMoveRepeatablyAndClipNowAndThen) {
    MeterGenerator first(42), second(42), other(43);
    int clips = 0, changes = 0;
    std::array<std::uint8_t, kMeterRows> previous = first.next();
    EXPECT_EQ(previous, second.next());
    EXPECT_NE(previous, other.next());
    for (int poll = 0; poll < 2000; ++poll) {
        const auto rows = first.next();
        ASSERT_EQ(rows, second.next()) << "same seed, same sequence";
        for (std::size_t row = 0; row < kMeterRows; ++row) {
            const bool shown = row >= 7 && row <= 15;
            if (!shown) {
                ASSERT_EQ(rows[row], 0) << "row " << row;
                continue;
            }
            if (rows[row] & 0x80) ++clips;
            if ((rows[row] & 0x7F) != (previous[row] & 0x7F)) ++changes;
        }
        previous = rows;
    }
    EXPECT_GT(changes, 2000 * 9 / 2) << "levels move";
    EXPECT_GT(clips, 0) << "a clip now and then";
    EXPECT_LT(clips, 2000 * 9 / 20) << "but not all the time";
}

TEST(DeviceModelTest, MeterReplyFramesTheRows) {
    DeviceModel device(Identity(1), 5);
    MeterGenerator reference(5);
    const Bytes reply = Handle(device, test::ShortFrame(9, 0x18));
    const auto rows = reference.next();
    EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 22), Bytes(rows.begin(), rows.end()));
}

TEST(DeviceModelTest, HandlersPlugInPerCode) {
    DeviceModel device(Identity(0), 1);
    device.setHandler(5, [](DeviceModel& model, const Request& request, Bytes& reply) {
        model.write(kLiveProgramAddress + 20, Bytes{request.param(1), request.param(2)});
        reply[3] = 0x55;
    });
    const Bytes reply = Handle(device, test::ShortFrame(9, 5, {0xAB, 0xCD}));
    EXPECT_EQ(reply.size(), 5u);
    EXPECT_EQ(reply[3], 0x55);
    EXPECT_EQ(device.read(kLiveProgramAddress + 20, 2), (Bytes{0xAB, 0xCD}));
}

TEST(DeviceModelTest, UniqueIdParsing) {
    std::array<std::uint8_t, 6> bytes{};
    EXPECT_TRUE(ParseUniqueId("0aff009C4107", bytes));
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 6>{0x0A, 0xFF, 0x00, 0x9C, 0x41, 0x07}));
    for (const char* bad : {"", "0AFF009C410", "0AFF009C41077", "0AFF009C41G7", "0AFF 09C4107"}) {
        EXPECT_FALSE(ParseUniqueId(bad, bytes)) << bad;
    }
}

}  // namespace
}  // namespace plenum::sim
