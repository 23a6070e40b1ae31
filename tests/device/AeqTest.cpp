// Automatic-EQ results through the bridge, end to end: a loopback client talks to the bridge
// server, whose messages the handler turns into stores and bypass switches on a simulated
// satellite. The right target lands in the device; everything not addressed to an open, selected
// satellite is ignored; unreadable, truncated and oversized messages are refused and the server
// keeps serving.
#include <gtest/gtest.h>

#include <asio/read.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "comm/AeqMessage.h"
#include "comm/BridgeServer.h"
#include "device/Aeq.h"
#include "device/FirStore.h"
#include "fir/FirWord.h"
#include "sat/DeviceMemory.h"
#include "support/SimRig.h"

namespace plenum::device {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kSatModel = 8;

std::vector<double> Impulse(std::size_t length) {
    // A decaying, ringing response: its peak is 2.5 at sample 3.
    std::vector<double> values(length);
    for (std::size_t i = 0; i < length; ++i)
        values[i] = 0.4 * std::exp(-0.01 * static_cast<double>(i)) * std::cos(0.3 * static_cast<double>(i));
    values[3] = -2.5;
    return values;
}

class AeqRig : public test::SimRig {
protected:
    sim::SimulatedDevice* sat = nullptr;
    sim::SimulatedDevice* sat2 = nullptr;
    std::unique_ptr<AeqBridgeHandler> handler;
    std::unique_ptr<comm::BridgeServer> server;
    std::vector<int> redraws;
    int disconnects = 0;
    asio::io_context io;

    void SetUp() override {
        sat = &addDevice("127.0.0.2", kSatModel);
        sat2 = &addDevice("127.0.0.3", kSatModel);
        start();
        bringOnline(1, *sat);
        bringOnline(2, *sat2);
        for (int slot : {1, 2}) {
            ASSERT_EQ(ReadStatus(*comm, slot), 0);
            ASSERT_EQ(ReadImage(*comm, slot), 0);
            ctx.device(slot).EditOpen = kTrue16;
        }
        sat->clearLog();
        sat2->clearLog();
        handler = std::make_unique<AeqBridgeHandler>(*comm, prompter);
        server = std::make_unique<comm::BridgeServer>(comm::BridgeCallbacks{
            nullptr, [this](int) { ++disconnects; },
            [this](int client, const Bytes& message) {
                const AeqHandled handled = handler->handle(message);
                if (handled.redrawSlot >= 0) redraws.push_back(handled.redrawSlot);
                server->WriteDataToClient(client, handled.answer);
            }});
        ASSERT_EQ(server->start(0), comm::LinkResult::Ok);
    }

    asio::ip::tcp::socket connectClient() {
        asio::ip::tcp::socket socket(io);
        socket.connect({asio::ip::address_v4::loopback(), server->port()});
        return socket;
    }

    // Sends one framed payload and waits (bounded) for the answer while polling the server.
    Bytes ask(asio::ip::tcp::socket& client, const Bytes& payload) {
        asio::write(client, asio::buffer(*comm::FrameBridgeMessage(payload)));
        return answer(client);
    }
    Bytes answer(asio::ip::tcp::socket& client) {
        Bytes framed;
        client.non_blocking(true);
        for (int i = 0; i < 2000 && framed.size() < 6; ++i) {
            server->poll();
            std::array<std::uint8_t, 64> buffer{};
            std::error_code error;
            const std::size_t got = client.read_some(asio::buffer(buffer), error);
            if (!error) framed.insert(framed.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
            else if (error != asio::error::would_block) break;
            else std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        client.non_blocking(false);
        if (framed.size() < 6) return {};
        return Bytes(framed.begin() + 4, framed.end());
    }

    std::vector<std::int32_t> deviceWords(sim::SimulatedDevice& device, int way, std::size_t taps) {
        const auto bytes = device.readMemory(FirAreaAddress(way) + kFirHeaderLength, taps * 3);
        std::vector<std::int32_t> words;
        for (std::size_t i = 0; i < taps; ++i)
            words.push_back(fir::FirWordFromBytes(std::span<const std::uint8_t, 3>(bytes.data() + 3 * i, 3)));
        return words;
    }
    std::string deviceName(sim::SimulatedDevice& device, int way) {
        const auto bytes = device.readMemory(FirAreaAddress(way), kFirNameBytes);
        return std::string(bytes.begin(), std::find(bytes.begin(), bytes.end(), std::uint8_t{0}));
    }
    std::uint8_t deviceImageByte(sim::SimulatedDevice& device, int offset) {
        return device.readMemory(kLiveProgramAddress + static_cast<std::uint32_t>(offset), 1).at(0);
    }
};

const Bytes kSelectDone{0x81, 0};
const Bytes kResponseDone{0x82, 0};
const Bytes kResponseIgnored{0x82, 1};

TEST_F(AeqRig, TheSelectedFirTargetLandsInTheDevice) {
    auto client = connectClient();
    ASSERT_EQ(ask(client, comm::AeqSelectMessage(1, 3)), kSelectDone);
    const auto response = Impulse(3000);
    ASSERT_EQ(ask(client, comm::AeqResponseMessage(1, 3, response)), kResponseDone);

    const auto table = AeqTable(response, kFirTaps);
    ASSERT_EQ(table.size(), 1024u);
    EXPECT_DOUBLE_EQ(table[3], -1.0);  // scaled by the peak
    const auto expected = fir::EncodeFirWords(table);
    EXPECT_EQ(deviceWords(*sat, 0, 1024), std::vector<std::int32_t>(expected.begin(), expected.end()));
    EXPECT_EQ(deviceName(*sat, 0), "QORVIL");
    EXPECT_EQ(ctx.satExtra[1].fir[0].name, "QORVIL");
    EXPECT_EQ(ctx.satExtra[1].fir[0].taps, 1024);
    EXPECT_EQ(ctx.satImage[1][kAeqAppliedImage], 1);
    EXPECT_EQ(deviceImageByte(*sat, kAeqAppliedImage), 1);
    EXPECT_EQ(redraws, std::vector<int>{1});
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));
    EXPECT_TRUE(requests(*sat2).empty());
}

TEST_F(AeqRig, TheSelectedMirTargetLandsInTheDeviceWithItsOwnName) {
    auto client = connectClient();
    ASSERT_EQ(ask(client, comm::AeqSelectMessage(1, 2)), kSelectDone);
    const auto response = Impulse(300);  // shorter than the table: zero padded
    ASSERT_EQ(ask(client, comm::AeqResponseMessage(1, 2, response)), kResponseDone);

    const auto table = AeqTable(response, kMirTaps);
    ASSERT_EQ(table.size(), 512u);
    EXPECT_EQ(table[400], 0.0);
    EXPECT_EQ(deviceName(*sat, 1), "QORVIL OUT");
    const auto expected = fir::EncodeFirWords(table);
    EXPECT_EQ(deviceWords(*sat, 1, 512), std::vector<std::int32_t>(expected.begin(), expected.begin() + 512));
    EXPECT_EQ(ctx.satExtra[1].mir[1].name, "QORVIL OUT");
    EXPECT_EQ(ctx.satExtra[1].mir[1].taps, 512);
    EXPECT_FLOAT_EQ(ctx.satExtra[1].mir[1].values[3], -1.0f);
    EXPECT_EQ(deviceImageByte(*sat, kAeqAppliedImage), 1);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));
}

struct IgnoredCase {
    const char* name;
    int selectDevice, selectTarget;
    int sendDevice, sendTarget;
    bool closeWindow;
};

class AeqIgnored : public AeqRig, public ::testing::WithParamInterface<IgnoredCase> {};

TEST_P(AeqIgnored, NothingReachesAnyDeviceAndNothingChanges) {
    const IgnoredCase& c = GetParam();
    if (c.closeWindow) ctx.device(1).EditOpen = 0;
    const auto images = ctx.satImage;
    const auto extras = ctx.satExtra;
    auto client = connectClient();
    ASSERT_EQ(ask(client, comm::AeqSelectMessage(c.selectDevice, c.selectTarget)), kSelectDone);
    EXPECT_EQ(ask(client, comm::AeqResponseMessage(c.sendDevice, c.sendTarget, Impulse(1024))), kResponseIgnored);
    EXPECT_EQ(ask(client, comm::AeqBypassMessage(false, c.sendDevice, 0, 1)).at(1),
              c.sendDevice == c.selectDevice && !c.closeWindow && c.sendDevice == 1 ? 0 : 1);
    if (c.sendDevice != 1 || c.closeWindow || c.sendDevice != c.selectDevice) {
        EXPECT_TRUE(requests(*sat).empty());
        EXPECT_TRUE(requests(*sat2).empty());
        EXPECT_TRUE(ctx.satImage == images);
        EXPECT_TRUE(redraws.empty());
    }
    EXPECT_TRUE(ctx.satExtra == extras);
    EXPECT_EQ(deviceImageByte(*sat, kAeqAppliedImage), 0);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));
}

INSTANTIATE_TEST_SUITE_P(Cases, AeqIgnored,
                         ::testing::Values(IgnoredCase{"AnnouncedThreeDeliveredFour", 1, 3, 1, 4, false},
                                           IgnoredCase{"WindowClosed", 1, 3, 1, 3, true},
                                           IgnoredCase{"UnknownDevice", 7, 3, 7, 3, false},
                                           IgnoredCase{"OtherDeviceThanSelected", 1, 3, 2, 3, false},
                                           IgnoredCase{"SlotOutOfRange", 1, 3, 30, 3, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AeqRig, BypassBitsAreSetAndSent) {
    auto client = connectClient();
    ASSERT_EQ(ask(client, comm::AeqSelectMessage(1, 3)), kSelectDone);
    struct Step {
        bool aux;
        int target;
        int value;
        int offset;
        std::uint8_t mask;
    };
    for (const Step& s : {Step{false, 0, 1, kAeqEqBypassInput, 1}, Step{false, 4, 1, kAeqEqBypassInput, 4},
                          Step{false, 2, 1, kAeqEqBypassOutput, 2}, Step{false, 4, 0, kAeqEqBypassInput, 4},
                          Step{true, 3, 1, kAeqAuxBypassFir, 1}, Step{true, 2, 1, kAeqAuxBypassMir, 2},
                          Step{true, 2, 0, kAeqAuxBypassMir, 2}}) {
        SCOPED_TRACE(testing::Message() << (s.aux ? "aux " : "eq ") << s.target << "=" << s.value);
        const Bytes reply = ask(client, comm::AeqBypassMessage(s.aux, 1, s.target, s.value));
        ASSERT_EQ(reply, (Bytes{static_cast<std::uint8_t>(s.aux ? 0x84 : 0x83), 0}));
        EXPECT_EQ((ctx.satImage[1][s.offset] & s.mask) != 0, s.value == 1);
        EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));
    }
    // Out of range: AUX has no target 0.
    EXPECT_EQ(ask(client, comm::AeqBypassMessage(true, 1, 0, 1)), (Bytes{0x84, 2}));
}

Bytes WithNaN() {
    Bytes message = comm::AeqResponseMessage(1, 3, std::vector<double>{1.0, std::numeric_limits<double>::quiet_NaN()});
    return message;
}

struct BadCase {
    const char* name;
    Bytes payload;
    Bytes answer;
};

class AeqBadMessage : public AeqRig, public ::testing::WithParamInterface<BadCase> {};

TEST_P(AeqBadMessage, IsRefusedAndTheServerKeepsServing) {
    auto client = connectClient();
    ASSERT_EQ(ask(client, comm::AeqSelectMessage(1, 3)), kSelectDone);
    const auto images = ctx.satImage;
    EXPECT_EQ(ask(client, GetParam().payload), GetParam().answer);
    EXPECT_TRUE(requests(*sat).empty());
    EXPECT_TRUE(ctx.satImage == images);
    EXPECT_EQ(ask(client, comm::AeqSelectMessage(1, 4)), kSelectDone);
    EXPECT_EQ(handler->selection().AeqTarget, 4);
}

Bytes Truncated() {
    Bytes message = comm::AeqResponseMessage(1, 3, Impulse(10));
    message.resize(message.size() - 5);
    return message;
}
Bytes TooManyValues() {
    Bytes message = comm::AeqResponseMessage(1, 3, Impulse(comm::kMaxAeqCoefficients + 1));
    return message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AeqBadMessage,
    ::testing::Values(BadCase{"Empty", {}, {0xFF, 2}}, BadCase{"UnknownCode", {0x09, 1, 0, 3}, {0xFF, 2}},
                      BadCase{"SelectTooShort", {0x01, 1, 0}, {0xFF, 2}},
                      BadCase{"SelectTargetOutOfRange", {0x01, 1, 0, 5}, {0x81, 2}},
                      BadCase{"BypassValueTwo", {0x03, 1, 0, 3, 2}, {0xFF, 2}},
                      BadCase{"ResponseTruncated", Truncated(), {0xFF, 2}},
                      BadCase{"ResponseCountZero", {0x02, 1, 0, 3, 0, 0}, {0xFF, 2}},
                      BadCase{"ResponseNotFinite", WithNaN(), {0xFF, 2}},
                      BadCase{"ResponseTooManyValues", TooManyValues(), {0xFF, 2}},
                      BadCase{"ResponseAllZero", comm::AeqResponseMessage(1, 3, std::vector<double>(16, 0.0)),
                              {0x82, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AeqRig, OversizedAndTruncatedFramesDeliverNothingAndTheServerKeepsServing) {
    {
        auto oversized = connectClient();
        asio::write(oversized, asio::buffer(Bytes{0x00, 0x10, 0x00, 0x01, 0x02, 1, 0, 3}));
        for (int i = 0; i < 400 && disconnects < 1; ++i) {
            server->poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(disconnects, 1);
    }
    {
        auto truncated = connectClient();
        asio::write(truncated, asio::buffer(Bytes{0x00, 0x00, 0x00, 0x20, 0x02, 1, 0, 3}));
        server->poll();
        truncated.close();
        for (int i = 0; i < 400 && disconnects < 2; ++i) {
            server->poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_EQ(disconnects, 2);
    }
    EXPECT_TRUE(requests(*sat).empty());
    EXPECT_EQ(handler->selection().AeqDevice, -1);
    auto client = connectClient();
    EXPECT_EQ(ask(client, comm::AeqSelectMessage(1, 3)), kSelectDone);
    EXPECT_EQ(ask(client, comm::AeqResponseMessage(1, 3, Impulse(1024))), kResponseDone);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));
}

TEST_F(AeqRig, TheServerCannotBeReachedFromAnotherAddress) {
    asio::ip::tcp::socket other(io);
    std::error_code error;
    other.connect({asio::ip::make_address_v4("127.0.0.2"), server->port()}, error);
    EXPECT_TRUE(error);
}

TEST(AeqTableTest, ScalesByThePeakAndFadesTheTail) {
    const std::vector<double> flat(2048, -0.5);
    const auto table = AeqTable(flat, 1024);
    ASSERT_EQ(table.size(), 1024u);
    EXPECT_DOUBLE_EQ(table[0], -1.0);
    EXPECT_DOUBLE_EQ(table[1024 - 128 - 1], -1.0);
    EXPECT_NEAR(table[1023], 0.0, 1e-12);
    EXPECT_GT(table[1024 - 64], -1.0);
    EXPECT_TRUE(AeqTable(std::vector<double>(8, 0.0), 512).empty());
    EXPECT_TRUE(AeqTable({}, 512).empty());
}

}  // namespace
}  // namespace plenum::device
