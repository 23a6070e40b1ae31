// One contract for every transport: the asio links against real loopback peers and the scripted
// doubles against their in-memory peers must answer alike, or the transaction's unit tests (which
// run on the doubles) would prove nothing about the real links.
#include <gtest/gtest.h>

#include "LoopbackPeers.h"
#include "Scripted.h"
#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"

namespace plenum::comm {
namespace {

using test::Bytes;
using test::Responder;

constexpr Millis kShort{60};

// The far end of a network contract test.
struct NetworkRig {
    std::unique_ptr<NetworkTransport> transport;
    std::string listening;  // an address with a listener on `port`
    std::string refusing;   // an address without one
    std::uint16_t port = 0;
    std::function<void(Responder)> setResponder;
    std::shared_ptr<void> keepAlive;
};

NetworkRig RealNetwork() {
    auto server = std::make_shared<test::LoopbackServer>();
    NetworkRig rig;
    rig.transport = std::make_unique<AsioNetworkTransport>();
    rig.listening = "127.0.0.1";
    rig.refusing = "127.0.0.9";  // the server binds 127.0.0.1 only
    rig.port = server->port();
    rig.setResponder = [server](Responder r) { server->setResponder(std::move(r)); };
    rig.keepAlive = server;
    return rig;
}

NetworkRig ScriptedNetworkRig() {
    auto network = std::make_unique<test::ScriptedNetwork>();
    auto responder = std::make_shared<Responder>([](const Bytes&) { return Bytes{}; });
    network->listen("127.0.0.1", 4321, [responder](const Bytes& request) { return (*responder)(request); });
    NetworkRig rig;
    rig.transport = std::move(network);
    rig.listening = "127.0.0.1";
    rig.refusing = "127.0.0.9";
    rig.port = 4321;
    rig.setResponder = [responder](Responder r) { *responder = std::move(r); };
    rig.keepAlive = responder;
    return rig;
}

using NetworkFactory = NetworkRig (*)();
class NetworkContract : public ::testing::TestWithParam<NetworkFactory> {
protected:
    NetworkRig rig = GetParam()();
    NetworkTransport& net = *rig.transport;
};

// Waits for a reply that arrives in pieces on a real link; the scripted link has it at once.
LinkResult ReadAll(NetworkTransport& net, int slot, std::span<std::uint8_t> reply) {
    return net.TcpRead(slot, reply, Millis{2000});
}

TEST_P(NetworkContract, ExchangesFramesOnAConnectedSlot) {
    rig.setResponder([](const Bytes& request) { return Bytes{0xF0, 0x78, 1, request.at(3), 0xF7}; });
    ASSERT_EQ(net.TcpConnect(1, rig.listening, rig.port, Millis{1000}), LinkResult::Ok);
    EXPECT_TRUE(net.TcpIsConnected(1));
    EXPECT_FALSE(net.TcpIsConnected(2));
    const Bytes frame{0xF0, 0x78, 1, 0x24, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7};
    ASSERT_EQ(net.TcpSend(1, frame), LinkResult::Ok);
    Bytes reply(5, 0xEE);
    ASSERT_EQ(ReadAll(net, 1, reply), LinkResult::Ok);
    EXPECT_EQ(test::Hex(reply), "F0 78 01 24 F7");
}

TEST_P(NetworkContract, RefusedAddressDoesNotConnect) {
    EXPECT_EQ(net.TcpConnect(1, rig.refusing, rig.port, Millis{1000}), LinkResult::Refused);
    EXPECT_FALSE(net.TcpIsConnected(1));
    EXPECT_NE(net.TcpSend(1, Bytes{0}), LinkResult::Ok);
}

TEST_P(NetworkContract, SilenceTimesOutWithZeroes) {
    ASSERT_EQ(net.TcpConnect(0, rig.listening, rig.port, Millis{1000}), LinkResult::Ok);
    ASSERT_EQ(net.TcpSend(0, Bytes{1, 2, 3}), LinkResult::Ok);
    Bytes reply(5, 0xEE);
    EXPECT_EQ(net.TcpRead(0, reply, kShort), LinkResult::TimedOut);
    EXPECT_EQ(reply, Bytes(5, 0));
}

TEST_P(NetworkContract, ShortReplyReadsWithTheRestZero) {
    rig.setResponder([](const Bytes&) { return Bytes{0xF0, 0x78, 9}; });
    ASSERT_EQ(net.TcpConnect(0, rig.listening, rig.port, Millis{1000}), LinkResult::Ok);
    ASSERT_EQ(net.TcpSend(0, Bytes{1}), LinkResult::Ok);
    Bytes reply(5, 0xEE);
    EXPECT_EQ(net.TcpRead(0, reply, Millis{300}), LinkResult::Ok);
    EXPECT_EQ(test::Hex(reply), "F0 78 09 00 00");
}

TEST_P(NetworkContract, ClosedSlotRefusesTraffic) {
    ASSERT_EQ(net.TcpConnect(4, rig.listening, rig.port, Millis{1000}), LinkResult::Ok);
    net.TcpClose(4);
    net.TcpClose(4);  // closing twice is harmless
    EXPECT_FALSE(net.TcpIsConnected(4));
    EXPECT_EQ(net.TcpSend(4, Bytes{0}), LinkResult::Closed);
    Bytes reply(5);
    EXPECT_EQ(net.TcpRead(4, reply, kShort), LinkResult::Closed);
}

TEST_P(NetworkContract, SlotsAreIndependentConnections) {
    rig.setResponder([](const Bytes& request) { return request; });
    ASSERT_EQ(net.TcpConnect(1, rig.listening, rig.port, Millis{1000}), LinkResult::Ok);
    ASSERT_EQ(net.TcpConnect(2, rig.listening, rig.port, Millis{1000}), LinkResult::Ok);
    ASSERT_EQ(net.TcpSend(2, Bytes{0x22, 0x22}), LinkResult::Ok);
    ASSERT_EQ(net.TcpSend(1, Bytes{0x11, 0x11}), LinkResult::Ok);
    Bytes one(2), two(2);
    ASSERT_EQ(ReadAll(net, 1, one), LinkResult::Ok);
    ASSERT_EQ(ReadAll(net, 2, two), LinkResult::Ok);
    EXPECT_EQ(one, (Bytes{0x11, 0x11}));
    EXPECT_EQ(two, (Bytes{0x22, 0x22}));
    net.TcpClose(1);
    EXPECT_TRUE(net.TcpIsConnected(2));
}

TEST_P(NetworkContract, BadArgumentsChangeNothing) {
    EXPECT_EQ(net.TcpInit(0), LinkResult::BadArgument);
    ASSERT_EQ(net.TcpInit(kSearchNetworkSlots), LinkResult::Ok);
    EXPECT_EQ(net.TcpConnect(kSearchNetworkSlots, rig.listening, rig.port, Millis{100}), LinkResult::BadArgument);
    EXPECT_EQ(net.TcpConnect(-1, rig.listening, rig.port, Millis{100}), LinkResult::BadArgument);
    for (const char* address : {"300.1.1.1", "not an address", "", "1.2.3", "::1"})
        EXPECT_EQ(net.TcpConnect(0, address, rig.port, Millis{100}), LinkResult::BadArgument) << address;
    EXPECT_EQ(net.TcpSend(kSearchNetworkSlots, Bytes{0}), LinkResult::BadArgument);
    Bytes reply(3);
    EXPECT_EQ(net.TcpRead(-1, reply, kShort), LinkResult::BadArgument);
    EXPECT_FALSE(net.TcpIsConnected(99));
    net.TcpClose(99);
}

TEST_P(NetworkContract, ScanReportsAnsweringAddressesInListOrder) {
    std::vector<std::string> reported;
    const auto found = net.TcpScan({rig.refusing, "bogus", rig.listening, "127.0.0.10"}, rig.port, Millis{500},
                                   [&](const std::string& a) { reported.push_back(a); });
    EXPECT_EQ(found, std::vector<std::string>{rig.listening});
    EXPECT_EQ(reported, std::vector<std::string>{rig.listening});
    EXPECT_TRUE(net.TcpScan({}, rig.port, Millis{500}).empty());
}

TEST_P(NetworkContract, LocalAddressIsDottedText) {
    const std::string local = net.TcpLocalAddress();
    EXPECT_FALSE(local.empty());
    EXPECT_EQ(std::count(local.begin(), local.end(), '.'), 3);
}

INSTANTIATE_TEST_SUITE_P(Transports, NetworkContract, ::testing::Values(&RealNetwork, &ScriptedNetworkRig),
                         [](const auto& info) { return info.index == 0 ? "Asio" : "Scripted"; });

struct SerialRig {
    std::unique_ptr<SerialTransport> transport;
    std::string portName;
    std::function<void(Responder)> setResponder;
    std::shared_ptr<void> keepAlive;
};

SerialRig RealSerial() {
    auto pty = std::make_shared<test::PtyPeer>();
    SerialRig rig;
    rig.transport = std::make_unique<AsioSerialTransport>();
    rig.portName = pty->slavePath();
    rig.setResponder = [pty](Responder r) { pty->setResponder(std::move(r)); };
    rig.keepAlive = pty;
    return rig;
}

SerialRig ScriptedSerialRig() {
    auto serial = std::make_unique<test::ScriptedSerial>();
    auto responder = std::make_shared<Responder>([](const Bytes&) { return Bytes{}; });
    serial->attach("/dev/ttySCRIPT0", [responder](const Bytes& request) { return (*responder)(request); });
    SerialRig rig;
    rig.transport = std::move(serial);
    rig.portName = "/dev/ttySCRIPT0";
    rig.setResponder = [responder](Responder r) { *responder = std::move(r); };
    rig.keepAlive = responder;
    return rig;
}

using SerialFactory = SerialRig (*)();
class SerialContract : public ::testing::TestWithParam<SerialFactory> {
protected:
    SerialRig rig = GetParam()();
    SerialTransport& serial = *rig.transport;
};

TEST_P(SerialContract, ExchangesRawBytes) {
    rig.setResponder([](const Bytes& request) { return Bytes{0xF0, 0x78, 0x11, request.at(3), 0x0D, 0x0A, 0x00, 0xF7}; });
    ASSERT_EQ(serial.Connect(rig.portName, kSerialBaudRate), LinkResult::Ok);
    EXPECT_TRUE(serial.IsConnected());
    ASSERT_EQ(serial.WriteCommand(Bytes{0xF0, 0x78, 0x00, 0x13, 0x0D, 0x11, 0x03, 0, 0, 0, 0, 0, 0xF7}), LinkResult::Ok);
    Bytes reply(8);
    ASSERT_EQ(serial.ReadCommandResponse(reply, Millis{2000}), LinkResult::Ok);
    EXPECT_EQ(test::Hex(reply), "F0 78 11 13 0D 0A 00 F7");  // no character mapping, no flow control
}

TEST_P(SerialContract, IncompleteReplyTimesOutWithTheRestZero) {
    rig.setResponder([](const Bytes&) { return Bytes{0xF0, 0x78}; });
    ASSERT_EQ(serial.Connect(rig.portName, kSerialBaudRate), LinkResult::Ok);
    ASSERT_EQ(serial.WriteCommand(Bytes{1}), LinkResult::Ok);
    Bytes reply(4, 0xEE);
    EXPECT_EQ(serial.ReadCommandResponse(reply, Millis{200}), LinkResult::TimedOut);
    EXPECT_EQ(test::Hex(reply), "F0 78 00 00");
}

TEST_P(SerialContract, MissingPortDoesNotOpen) {
    EXPECT_NE(serial.Connect("/nonexistent/ttyUSB0", kSerialBaudRate), LinkResult::Ok);
    EXPECT_FALSE(serial.IsConnected());
    EXPECT_EQ(serial.Connect("", kSerialBaudRate), LinkResult::BadArgument);
    EXPECT_EQ(serial.WriteCommand(Bytes{1}), LinkResult::Closed);
}

TEST_P(SerialContract, DisconnectCloses) {
    ASSERT_EQ(serial.Connect(rig.portName, kSerialBaudRate), LinkResult::Ok);
    serial.Disconnect();
    serial.Disconnect();
    EXPECT_FALSE(serial.IsConnected());
    Bytes reply(2);
    EXPECT_EQ(serial.ReadCommandResponse(reply, kShort), LinkResult::Closed);
}

INSTANTIATE_TEST_SUITE_P(Transports, SerialContract, ::testing::Values(&RealSerial, &ScriptedSerialRig),
                         [](const auto& info) { return info.index == 0 ? "Asio" : "Scripted"; });

}  // namespace
}  // namespace plenum::comm
