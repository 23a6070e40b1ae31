// The transaction against simulated loudspeakers over real loopback sockets and a pty. Time-outs
// are shrunk so that the retry paths take tenths of a second.
#include <gtest/gtest.h>

#include "Scripted.h"
#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/DeviceComm.h"
#include "sim/Simulator.h"
#include "support/Eventually.h"
#include "support/TempDir.h"

namespace plenum::comm {
namespace {

using test::Bytes;

using plenum::test::Eventually;

CommTimeouts FastTimeouts() {
    CommTimeouts t;
    t.read = Millis{300};
    t.reconnect = Millis{300};
    t.reconnectPause = Millis{2};
    return t;
}

class SimRig : public ::testing::Test {
protected:
    sim::Simulator simulator;
    plenum::test::TempDir dir;
    AppContext ctx;
    AsioNetworkTransport network;
    AsioSerialTransport serial;
    ScriptedPrompter prompter;
    SteadySleeper sleeper;
    test::RecordingHooks ui;
    std::unique_ptr<DeviceComm> comm;

    sim::SimulatedDevice& addDevice(const std::string& host, std::uint8_t model, std::uint8_t busId = 1) {
        sim::DeviceConfig config;
        config.host = host;
        config.modelCode = model;
        config.busId = busId;
        return simulator.add(config);
    }

    void start() {
        simulator.start();
        comm = std::make_unique<DeviceComm>(ctx, network, serial, prompter, sleeper,
                                            LinkSettings{simulator.commonPort(), (dir.path() / "ttySIM%d").string()},
                                            FastTimeouts());
        comm->setHooks(ui.hooks());
    }

    // Lists the device in `slot` as a LAN device, connects it and identifies it.
    void bringOnline(int slot, const sim::SimulatedDevice& device) {
        DeviceRecord& record = ctx.device(slot);
        record.Present = kTrue16;
        record.LinkMode = kLinkLan;
        record.Address = device.config().host;
        record.ModelCode = device.config().modelCode;
        ASSERT_EQ(network.TcpConnect(slot, record.Address, device.port(), Millis{1000}), LinkResult::Ok);
        record.Connected = kTrue16;
        const int acknowledged = device.acknowledgesReceived();
        ASSERT_EQ(comm->SendCommand(slot, CommandCode::Identify), 0);
        // Settled: the device has seen the acknowledge, so a later clearLog() starts clean.
        ASSERT_TRUE(Eventually([&] { return device.acknowledgesReceived() == acknowledged + 1; }));
    }

    static Bytes lastSent(const sim::SimulatedDevice& device) {
        const auto frames = device.frames();
        for (auto it = frames.rbegin(); it != frames.rend(); ++it)
            if (!it->fromHost) return it->bytes;
        return {};
    }

    static std::vector<Bytes> fromHost(const sim::SimulatedDevice& device) {
        std::vector<Bytes> frames;
        for (const auto& frame : device.frames())
            if (frame.fromHost && frame.bytes.size() > 1) frames.push_back(frame.bytes);
        return frames;
    }
};

TEST_F(SimRig, IdentifyGoesOutWithBusIdZeroAndLearnsTheDevicesId) {
    auto& device = addDevice("127.0.0.2", 8, 0x2C);
    start();
    ctx.DeviceIdTable[1] = 0x09;
    bringOnline(1, device);
    EXPECT_EQ(ctx.DeviceIdTable[1], 0x2C);
    EXPECT_EQ(fromHost(device).at(0)[2], 0x00);
    EXPECT_EQ(comm->lastReplyLength(), 30u);
    EXPECT_TRUE(Eventually([&] { return device.acknowledgesReceived() == 1; }));
    // Later commands carry the learnt id.
    ASSERT_EQ(comm->SendCommand(1, 5, {1, 2, 3}), 0);
    EXPECT_EQ(fromHost(device).back()[2], 0x2C);
}

TEST_F(SimRig, IdentifyWithoutMarkerIsRefusedAndTheLinkStays) {
    auto& device = addDevice("127.0.0.2", 0, 0x2C);
    start();
    bringOnline(1, device);
    ctx.DeviceIdTable[1] = 0x05;
    device.setFault(sim::Fault::BadIdentify, 1);
    EXPECT_EQ(comm->SendCommand(1, CommandCode::Identify), -1);
    EXPECT_EQ(ctx.DeviceIdTable[1], 0x05);
    EXPECT_TRUE(ctx.device(1).isConnected());
    EXPECT_TRUE(network.TcpIsConnected(1));
}

TEST_F(SimRig, BlockReadOf256BytesReads261) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    Bytes pattern(256);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>(255 - i);
    device.writeMemory(384, pattern);
    ASSERT_EQ(comm->SendCommand(1, CommandCode::BlockRead, {0, 0x01, 0x80, 1, 0}), 0);
    EXPECT_EQ(comm->lastReplyLength(), 261u);
    EXPECT_TRUE(Eventually([&] { return lastSent(device).size() == 261u; }));
    EXPECT_TRUE(std::equal(pattern.begin(), pattern.end(), comm->RxBuffer.begin() + 4));
    EXPECT_EQ(comm->RxBuffer[260], kFrameEnd);
}

TEST_F(SimRig, BlockWriteOfNSendsNPlusTenAndLands) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    constexpr std::size_t n = 300;
    for (std::size_t i = 0; i < n; ++i) comm->TxBlockBuffer[i] = static_cast<std::uint8_t>(i * 13);
    const std::uint32_t address = 16384 * 3 + 384;  // program slot 2
    ASSERT_EQ(comm->SendCommand(1, CommandCode::BlockWrite,
                                {static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 8),
                                 static_cast<std::uint8_t>(address), n >> 8, n & 0xFF}),
              0);
    const Bytes frame = fromHost(device).back();
    ASSERT_EQ(frame.size(), n + 10);
    EXPECT_EQ(frame[n + 9], kFrameEnd);
    const auto memory = device.readMemory(address, n);
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), comm->TxBlockBuffer.begin()));
}

TEST_F(SimRig, AllZeroReplyIsTreatedAsNoReply) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    device.clearLog();
    device.setFault(sim::Fault::AllZero, 1);
    EXPECT_EQ(comm->SendCommand(1, 5, {4}), 0);
    EXPECT_EQ(comm->BadReply, kFalse16);
    EXPECT_EQ(device.receivedCodes(), (std::vector<std::uint8_t>{5, 5}));  // resent after the reconnect
    EXPECT_EQ(comm->RxBuffer[0], kFrameStart);
}

TEST_F(SimRig, GarbledAndShortRepliesSetBadReplyAndKeepTheLink) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    for (sim::Fault fault : {sim::Fault::Garbled, sim::Fault::ShortReply}) {
        device.setFault(fault, 1);
        EXPECT_EQ(comm->SendCommand(1, 5), 0) << sim::FaultName(fault);
        EXPECT_EQ(comm->BadReply, kTrue16) << sim::FaultName(fault);
        EXPECT_TRUE(network.TcpIsConnected(1));
    }
}

TEST_F(SimRig, LateReplyAndClosedConnectionRecoverByReconnecting) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    device.setLateDelay(Millis{600});
    device.setFault(sim::Fault::Late, 1);
    EXPECT_EQ(comm->SendCommand(1, 5), 0);
    device.setFault(sim::Fault::CloseConnection, 1);
    EXPECT_EQ(comm->SendCommand(1, CommandCode::MeterPoll), 0);
    EXPECT_EQ(comm->lastReplyLength(), 23u);
    EXPECT_TRUE(ctx.device(1).isConnected());
    EXPECT_TRUE(ui.labels.empty());
}

TEST_F(SimRig, LinkDownForGoodGivesOneSilentAndTenShownReconnects) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    ctx.device(1).EditOpen = kTrue16;
    device.setFault(sim::Fault::RefuseConnection);
    EXPECT_EQ(comm->SendCommand(1, 5), -1);
    ASSERT_EQ(ui.labels.size(), 10u);
    EXPECT_EQ(ui.labels.front(), "Reconnection retry 1 of 10");
    EXPECT_EQ(ui.labels.back(), "Reconnection retry 10 of 10");
    EXPECT_EQ(ui.events, (std::vector<std::string>{"show", "hide"}));
    EXPECT_FALSE(ctx.device(1).isConnected());
    EXPECT_FALSE(network.TcpIsConnected(1));
    EXPECT_EQ(ui.offline, std::vector<int>{1});
    EXPECT_EQ(prompter.messageCount(), 1u);
}

TEST_F(SimRig, NothingIsSentToAnOfflineDevice) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    device.clearLog();
    ctx.device(1).Connected = kFalse16;
    EXPECT_EQ(comm->SendCommand(1, 5), 0);
    EXPECT_EQ(comm->SendCommand(1, CommandCode::BlockRead, {0, 0, 0, 0, 192}), 0);
    std::this_thread::sleep_for(Millis{50});
    EXPECT_TRUE(device.frames().empty());
}

TEST_F(SimRig, AlertOnlyForTheDeviceWithItsEditWindowOpen) {
    auto& withWindow = addDevice("127.0.0.2", 0);
    auto& without = addDevice("127.0.0.3", 6);
    start();
    bringOnline(1, withWindow);
    bringOnline(2, without);
    ctx.device(1).EditOpen = kTrue16;
    withWindow.setFault(sim::Fault::RefuseConnection);
    without.setFault(sim::Fault::RefuseConnection);
    EXPECT_EQ(comm->SendCommand(2, 5), -1);
    EXPECT_EQ(prompter.messageCount(), 0u);
    EXPECT_EQ(comm->SendCommand(1, 5), -1);
    ASSERT_EQ(prompter.messageCount(), 1u);
    EXPECT_EQ(prompter.entries()[0].title, "Communication problem");
    EXPECT_EQ(ui.offline, (std::vector<int>{2, 1}));
}

TEST_F(SimRig, SubRepliesFiveBytesToCode96AndSatThirteen) {
    auto& sat = addDevice("127.0.0.2", 0);
    auto& sub = addDevice("127.0.0.3", kSubModelCode);
    start();
    bringOnline(1, sat);
    bringOnline(2, sub);
    ASSERT_EQ(comm->SendCommand(1, 96), 0);
    EXPECT_EQ(comm->lastReplyLength(), 13u);
    EXPECT_TRUE(Eventually([&] { return lastSent(sat).size() == 13u; }));
    ASSERT_EQ(comm->SendCommand(2, 96), 0);
    EXPECT_EQ(comm->lastReplyLength(), 5u);
    EXPECT_TRUE(Eventually([&] { return lastSent(sub).size() == 5u; }));
    EXPECT_EQ(comm->BadReply | comm->BadReplySub, kFalse16);
}

TEST_F(SimRig, UsbPortIsFoundByTheScanOnThePty) {
    sim::DeviceConfig config;
    config.host = "127.0.0.2";
    config.busId = 0x31;
    config.ptyPath = (dir.path() / "ttySIM4").string();  // serial port 5
    auto& device = simulator.add(config);
    start();
    DeviceRecord& record = ctx.device(4);
    record.Present = kTrue16;
    record.Address = "USB";
    record.LinkMode = kLinkUsb;
    ASSERT_TRUE(comm->FindUsbPort(4));
    EXPECT_EQ(ctx.UsbComPort, 5);
    EXPECT_EQ(ctx.DeviceIdTable[4], 0x31);
    EXPECT_FALSE(serial.IsConnected());
    EXPECT_EQ(device.receivedCodes(), (std::vector<std::uint8_t>{0, 15}));
    EXPECT_EQ(device.acknowledgesReceived(), 0);

    // The connect routine then takes the device on-line over the same port.
    record.Connected = kTrue16;
    device.writeMemory(0, Bytes{0, 0, 3, 9});
    ASSERT_EQ(comm->SendCommand(4, CommandCode::BlockRead, {0, 0, 1, 0, 3}), 0);  // the firmware digits
    EXPECT_EQ(comm->RxBuffer[4], 0);
    EXPECT_EQ(comm->RxBuffer[5], 3);
    EXPECT_EQ(comm->RxBuffer[6], 9);
    EXPECT_TRUE(serial.IsConnected());
}

TEST_F(SimRig, ScanFindsTheListeningDevices) {
    addDevice("127.0.0.2", 0);
    addDevice("127.0.0.4", 0);
    start();
    std::vector<std::string> addresses;
    for (int host = 1; host <= 20; ++host) addresses.push_back("127.0.0." + std::to_string(host));
    EXPECT_EQ(network.TcpScan(addresses, simulator.commonPort(), Millis{500}),
              (std::vector<std::string>{"127.0.0.2", "127.0.0.4"}));
}

}  // namespace
}  // namespace plenum::comm
