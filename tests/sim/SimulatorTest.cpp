// The simulator over real loopback sockets and a pty, driven by a bare host that builds its frames
// by hand.
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "sim/WireClient.h"
#include "support/TempDir.h"

namespace plenum::sim {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::WireEnd;

constexpr std::uint8_t kBus = 7;

DeviceConfig Config(const char* host, std::uint8_t model = 0) {
    DeviceConfig config;
    config.host = host;
    config.modelCode = model;
    config.busId = kBus;
    return config;
}

WireEnd ConnectTo(SimulatedDevice& device) {
    return test::Connect(device.config().host, device.port());
}

// Nothing more than expected: a short wait sees no extra byte.
void ExpectSilence(WireEnd& link) {
    EXPECT_TRUE(link.receive(1, 60ms).empty());
}

struct CodeCase {
    const char* name;
    Bytes request;
    std::size_t sat;
    std::size_t sub;
};
// Test names, not bytes, in listings.
void PrintTo(const CodeCase& c, std::ostream* out) {
    *out << c.name;
}

class SimReplyLengthOverTcpTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(SimReplyLengthOverTcpTest, SatAndSubOnTheCommonPort) {
    Simulator simulator;
    SimulatedDevice& sat = simulator.add(Config("127.0.0.2", 0));
    SimulatedDevice& sub = simulator.add(Config("127.0.0.3", 1));
    simulator.start();
    for (auto [device, expected] : {std::pair{&sat, GetParam().sat}, std::pair{&sub, GetParam().sub}}) {
        WireEnd link = ConnectTo(*device);
        ASSERT_TRUE(link.isOpen());
        const Bytes reply = link.transact(GetParam().request, expected);
        ASSERT_EQ(reply.size(), expected) << device->config().host;
        EXPECT_EQ(reply.front(), 0xF0);
        EXPECT_EQ(reply.back(), 0xF7);
        EXPECT_EQ(reply[3], GetParam().request[3]);
        ExpectSilence(link);
        EXPECT_EQ(device->receivedCodes(), Bytes{GetParam().request[3]});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SimReplyLengthOverTcpTest,
    ::testing::Values(CodeCase{"Identify", test::ShortFrame(0, 0), 30, 30},
                      CodeCase{"NineBytePayload", test::NineByteFrame(kBus, {1, 2, 3, 4, 5, 6, 7, 8, 9}), 5,
                               5},
                      CodeCase{"Bye", test::ShortFrame(kBus, 15), 13, 13},
                      CodeCase{"Code17", test::ShortFrame(kBus, 17), 5, 5},
                      CodeCase{"BlockRead256", test::BlockReadFrame(kBus, 0, 256), 261, 261},
                      CodeCase{"BlockRead764", test::BlockReadFrame(kBus, 384, 764), 769, 769},
                      CodeCase{"BlockWrite", test::BlockWriteFrame(kBus, 384, Bytes(100, 0x42)), 5, 5},
                      CodeCase{"MeterPoll", test::ShortFrame(kBus, 24), 23, 23},
                      CodeCase{"FactoryRecall", test::ShortFrame(kBus, 28), 5, 5},
                      CodeCase{"Code96", test::ShortFrame(kBus, 96), 13, 5},
                      CodeCase{"Code115", test::ShortFrame(kBus, 115), 13, 5},
                      CodeCase{"ParameterCode", test::ShortFrame(kBus, 5, {1, 2, 3}), 5, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatorTest, DevicesShareTheCommonPortOnTheirOwnAddresses) {
    Simulator simulator;
    SimulatedDevice& first = simulator.add(Config("127.0.0.2"));
    SimulatedDevice& second = simulator.add(Config("127.0.0.3"));
    simulator.start();
    EXPECT_NE(simulator.commonPort(), 0);
    EXPECT_EQ(first.port(), simulator.commonPort());
    EXPECT_EQ(second.port(), simulator.commonPort());

    // Added while running: listening as soon as add() returns.
    SimulatedDevice& late = simulator.add(Config("127.0.0.4", 1));
    EXPECT_EQ(late.port(), simulator.commonPort());
    EXPECT_EQ(simulator.size(), 3u);
    WireEnd link = ConnectTo(late);
    EXPECT_EQ(link.transact(test::ShortFrame(kBus, 96), 5).size(), 5u) << "the late one is a SUB";

    // Same address and port twice cannot both listen.
    EXPECT_THROW(simulator.add(Config("127.0.0.2")), std::system_error);
    DeviceConfig badUid = Config("127.0.0.5");
    badUid.uniqueId = "XYZ";
    EXPECT_THROW(simulator.add(badUid), std::invalid_argument);
}

TEST(SimulatorTest, BlockReadAndWriteAgainstTheMemoryMap) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);

    Bytes program(192);
    for (std::size_t i = 0; i < program.size(); ++i) program[i] = static_cast<std::uint8_t>(255 - i);
    const std::uint32_t slot2 = 16384 * 3 + 384;
    device.writeMemory(slot2, program);
    const Bytes reply = link.transact(test::BlockReadFrame(kBus, slot2, 192), 197);
    ASSERT_EQ(reply.size(), 197u);
    EXPECT_EQ(Bytes(reply.begin() + 4, reply.end() - 1), program);
    ASSERT_TRUE(link.send({0x00}));

    Bytes block(769);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i % 251);
    EXPECT_EQ(link.transact(test::BlockWriteFrame(kBus, 384, block), 5),
              (Bytes{0xF0, 0x78, kBus, 0x17, 0xF7}));
    EXPECT_EQ(device.readMemory(384, 769), block);
    ASSERT_TRUE(link.send({0x00}));

    const Bytes status = link.transact(test::BlockReadFrame(kBus, 1, 3), 8);
    EXPECT_EQ(Bytes(status.begin() + 4, status.end() - 1), (Bytes{0, 3, 4})) << "firmware 0.3.4";
}

TEST(SimulatorTest, LogsFramesAcknowledgesAndCodesInOrder) {
    plenum::test::TempDir dir;
    Simulator simulator;
    DeviceConfig config = Config("127.0.0.2");
    config.logPath = (dir / "frames.log").string();
    SimulatedDevice& device = simulator.add(config);
    simulator.start();
    WireEnd link = ConnectTo(device);
    ASSERT_EQ(link.transact(test::ShortFrame(0, 0), 30).size(), 30u);
    ASSERT_TRUE(link.send({0x00}));
    ASSERT_EQ(link.transact(test::ShortFrame(kBus, 24), 23).size(), 23u);
    ASSERT_TRUE(link.send({0x00, 0x33}));  // an acknowledge and a stray byte
    ASSERT_EQ(link.transact(test::ShortFrame(kBus, 5), 5).size(), 5u);

    EXPECT_EQ(device.receivedCodes(), (Bytes{0, 24, 5}));
    EXPECT_EQ(device.acknowledgesReceived(), 2);
    const auto frames = device.frames();
    ASSERT_EQ(frames.size(), 8u);
    const std::vector<std::pair<bool, std::size_t>> expected = {
        {true, 13}, {false, 30}, {true, 1}, {true, 13}, {false, 23}, {true, 1}, {true, 13}, {false, 5}};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].fromHost, expected[i].first) << i;
        EXPECT_EQ(frames[i].bytes.size(), expected[i].second) << i;
        if (i) {
            EXPECT_GE(frames[i].secondsSinceStart, frames[i - 1].secondsSinceStart);
        }
    }

    std::ifstream log(config.logPath);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 9u) << "eight frames and the dropped byte";
    EXPECT_NE(lines[0].find(" rx F0 78 00 00 00 00 00 00 00 00 00 00 F7"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(" tx F0 78 07 00 78 02"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(" rx 00"), std::string::npos) << lines[2];
    EXPECT_NE(lines[6].find(" drop 33"), std::string::npos) << lines[6];

    device.clearLog();
    EXPECT_TRUE(device.frames().empty());
    EXPECT_TRUE(device.receivedCodes().empty());
    EXPECT_EQ(device.acknowledgesReceived(), 0);
}

TEST(SimulatorTest, IgnoresFramesForAnotherBusId) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    EXPECT_TRUE(link.transact(test::ShortFrame(kBus + 1, 24), 23, 200ms).empty());
    EXPECT_EQ(link.transact(test::ShortFrame(kBus, 24), 23).size(), 23u) << "and stays in step";
}

// ---------------------------------------------------------------------------------------------
// Faults

struct ReplyFaultCase {
    const char* name;
    Fault fault;
    Bytes request;
    std::size_t expectedLength;  // what arrives within the wait
    std::function<bool(const Bytes&)> check;
};
// Test names, not bytes, in listings.
void PrintTo(const ReplyFaultCase& c, std::ostream* out) {
    *out << c.name;
}

class SimReplyFaultTest : public ::testing::TestWithParam<ReplyFaultCase> {};

// Each fault spoils exactly the requests it was set for; the next request is answered normally,
// and the device carried the faulted request out all the same.
TEST_P(SimReplyFaultTest, SpoilsCountRequestsThenRecovers) {
    const auto& c = GetParam();
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    device.setFault(c.fault, 2);
    for (int round = 0; round < 2; ++round) {
        const Bytes reply = link.transact(c.request, c.request[3] == 0 ? 30 : 5, 300ms);
        EXPECT_EQ(reply.size(), c.expectedLength) << round;
        EXPECT_TRUE(c.check(reply)) << round;
    }
    const Bytes normal = link.transact(c.request, c.request[3] == 0 ? 30 : 5);
    ASSERT_EQ(normal.size(), c.request[3] == 0 ? 30u : 5u);
    EXPECT_EQ(normal.front(), 0xF0);
    EXPECT_EQ(normal.back(), 0xF7);
    if (c.request[3] == 0) {
        EXPECT_EQ(normal[4], 0x78);
    }
    if (c.request[3] == 0x17) {
        EXPECT_EQ(device.readMemory(1000, 2), (Bytes{0xAB, 0xCD}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimReplyFaultTest,
    ::testing::Values(
        ReplyFaultCase{"NoReply", Fault::NoReply, test::BlockWriteFrame(kBus, 1000, {0xAB, 0xCD}), 0,
                       [](const Bytes&) { return true; }},
        ReplyFaultCase{"Garbled", Fault::Garbled, test::ShortFrame(kBus, 5), 5,
                       [](const Bytes& r) { return r.front() != 0xF0 && r.back() != 0xF7 && r[2] != 0; }},
        ReplyFaultCase{"AllZero", Fault::AllZero, test::ShortFrame(0, 0), 30,
                       [](const Bytes& r) { return r == Bytes(30, 0); }},
        ReplyFaultCase{"ShortReply", Fault::ShortReply, test::ShortFrame(0, 0), 29,
                       [](const Bytes& r) { return r.front() == 0xF0 && r.back() != 0xF7; }},
        ReplyFaultCase{"BadIdentify", Fault::BadIdentify, test::ShortFrame(0, 0), 30,
                       [](const Bytes& r) { return r.front() == 0xF0 && r[4] != 0x78 && r.back() == 0xF7; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatorFaultTest, UntilClearedAndBadIdentifyCountsIdentifyOnly) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    device.setFault(Fault::NoReply);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(link.transact(test::ShortFrame(kBus, 5), 5, 100ms).empty());
    device.setFault(Fault::None);
    EXPECT_EQ(link.transact(test::ShortFrame(kBus, 5), 5).size(), 5u);

    device.setFault(Fault::BadIdentify, 1);
    EXPECT_EQ(link.transact(test::ShortFrame(kBus, 24), 23)[0], 0xF0) << "not an identify: not counted";
    EXPECT_NE(link.transact(test::ShortFrame(0, 0), 30)[4], 0x78);
    EXPECT_EQ(link.transact(test::ShortFrame(0, 0), 30)[4], 0x78);
}

TEST(SimulatorFaultTest, LateReplyHoldsBackTheNextOne) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    device.setLateDelay(150ms);
    device.setFault(Fault::Late, 1);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(link.send(test::ShortFrame(kBus, 24)));
    ASSERT_TRUE(link.send(test::ShortFrame(kBus, 5)));
    EXPECT_TRUE(link.receive(1, 100ms).empty()) << "not before the delay";
    const Bytes both = link.receive(23 + 5, 2000ms);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(both.size(), 28u);
    EXPECT_EQ(both[3], 0x18) << "replies keep the order of the requests";
    EXPECT_EQ(both[23 + 3], 0x05);
    EXPECT_GE(elapsed, 150ms);
}

// A slow network delays every reply, not just one, and leaves the faults to themselves: a late
// reply waits for both delays.
TEST(SimulatorFaultTest, LatencyDelaysEveryReplyOnTopOfTheLateFault) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    device.setLatency(80ms);
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(link.transact(test::ShortFrame(kBus, 24), 23, 2000ms).size(), 23u);
        EXPECT_GE(std::chrono::steady_clock::now() - start, 80ms) << "round " << round;
    }
    device.setLateDelay(100ms);
    device.setFault(Fault::Late, 1);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(link.transact(test::ShortFrame(kBus, 5), 5, 2000ms).size(), 5u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 180ms);
    device.setLatency(0ms);
    start = std::chrono::steady_clock::now();
    ASSERT_EQ(link.transact(test::ShortFrame(kBus, 5), 5, 2000ms).size(), 5u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 80ms) << "back to a fast link";
}

TEST(SimulatorFaultTest, CloseConnectionHangsUpWithoutCarryingOut) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    device.setFault(Fault::CloseConnection, 1);
    ASSERT_TRUE(link.send(test::BlockWriteFrame(kBus, 2000, {1, 2, 3})));
    EXPECT_TRUE(link.closedByPeer());
    EXPECT_EQ(device.readMemory(2000, 3), (Bytes{0, 0, 0}));
    WireEnd again = ConnectTo(device);
    EXPECT_EQ(again.transact(test::ShortFrame(0, 0), 30).size(), 30u) << "a new connection is served";
}

TEST(SimulatorFaultTest, RefuseConnectionUntilCleared) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    SimulatedDevice& neighbour = simulator.add(Config("127.0.0.3"));
    simulator.start();
    WireEnd open = ConnectTo(device);
    device.setFault(Fault::RefuseConnection);
    EXPECT_TRUE(open.closedByPeer()) << "open connections are dropped";
    EXPECT_FALSE(ConnectTo(device).isOpen());
    EXPECT_FALSE(ConnectTo(device).isOpen());
    EXPECT_TRUE(ConnectTo(neighbour).isOpen()) << "only that device refuses";
    device.setFault(Fault::None);
    WireEnd back = ConnectTo(device);
    ASSERT_TRUE(back.isOpen());
    EXPECT_EQ(back.transact(test::ShortFrame(0, 0), 30).size(), 30u);
    EXPECT_EQ(device.port(), simulator.commonPort());
}

TEST(SimulatorFaultTest, RefusingBeforeStartNeverListens) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    device.setFault(Fault::RefuseConnection);
    simulator.start();
    EXPECT_NE(device.port(), 0) << "the port is reserved";
    EXPECT_FALSE(ConnectTo(device).isOpen());
    device.setFault(Fault::None);
    EXPECT_TRUE(ConnectTo(device).isOpen());
}

// ---------------------------------------------------------------------------------------------
// Garbage, pty, lifetime

TEST(SimulatorTest, SurvivesGarbageAndAnswersTheNextGoodFrame) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    std::mt19937 random(99);
    for (int round = 0; round < 8; ++round) {
        Bytes noise(1 + random() % 300);
        for (auto& byte : noise) {
            const auto r = random() % 8;
            byte = r == 0 ? 0xF0 : r == 1 ? 0x78 : r == 2 ? 0x17 : static_cast<std::uint8_t>(random() | 1);
        }
        ASSERT_TRUE(link.send(noise));
        // Noise may end inside something that looks like a frame: the device answers it, or drops
        // it after a quiet spell. Drain whatever comes, then expect a clean exchange.
        link.receive(100000, 300ms);
        const Bytes reply = link.transact(test::ShortFrame(0, 0), 30, 1000ms);
        ASSERT_EQ(reply.size(), 30u) << "round " << round;
        EXPECT_EQ(reply[4], 0x78);
    }
}

TEST(SimulatorTest, PartialFrameIsGivenUpAfterAQuietSpell) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    // A block-write head announcing 500 bytes swallows the identify behind it...
    Bytes stream = {0xF0, 0x78, kBus, 0x17, 1, 2, 3, 0x01, 0xF4};
    const Bytes identify = test::ShortFrame(0, 0);
    stream.insert(stream.end(), identify.begin(), identify.end());
    const auto start = std::chrono::steady_clock::now();
    const Bytes reply = link.transact(stream, 30, 2000ms);
    // ...until the device gives the partial up and finds the identify inside it.
    ASSERT_EQ(reply.size(), 30u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_EQ(device.receivedCodes(), Bytes{0});
}

TEST(SimulatorTest, ServesTheUsbLinkOnAPty) {
    plenum::test::TempDir dir;
    const std::string linkPath = (dir / "ttySIM4").string();
    {
        Simulator simulator;
        DeviceConfig config = Config("127.0.0.2", 1);
        config.ptyPath = linkPath;
        SimulatedDevice& device = simulator.add(config);
        simulator.start();
        ASSERT_TRUE(std::filesystem::is_symlink(linkPath));
        EXPECT_EQ(std::filesystem::read_symlink(linkPath).string(), device.ptySlavePath());

        for (int opening = 0; opening < 2; ++opening) {  // the host may close and reopen the port
            WireEnd serial = test::OpenSerial(linkPath);
            ASSERT_TRUE(serial.isOpen());
            const Bytes identify = serial.transact(test::ShortFrame(0, 0), 30);
            ASSERT_EQ(identify.size(), 30u);
            EXPECT_EQ(identify[5], 0) << "the device reports the USB link";
            EXPECT_EQ(identify[12] >> 4, 1);
            EXPECT_EQ(serial.transact(test::ShortFrame(kBus, 96), 5).size(), 5u);
            ASSERT_TRUE(serial.send({0x00}));  // no acknowledge on USB: dropped
            Bytes data(192, 0x5C);
            EXPECT_EQ(serial.transact(test::BlockWriteFrame(kBus, 384, data), 5).size(), 5u);
            const Bytes block = serial.transact(test::BlockReadFrame(kBus, 384, 192), 197);
            EXPECT_EQ(Bytes(block.begin() + 4, block.end() - 1), data);
            ExpectSilence(serial);
        }
        EXPECT_EQ(device.acknowledgesReceived(), 0);
        device.setFault(Fault::CloseConnection, 1);
        WireEnd serial = test::OpenSerial(linkPath);
        EXPECT_TRUE(serial.transact(test::ShortFrame(0, 0), 30, 200ms).empty()) << "a cable cannot hang up";
        EXPECT_EQ(serial.transact(test::ShortFrame(0, 0), 30).size(), 30u);
        WireEnd network = ConnectTo(device);
        EXPECT_EQ(network.transact(test::ShortFrame(0, 0), 30)[5], 2) << "and LAN on the network";
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(linkPath)))
        << "link removed at stop";
}

TEST(SimulatorTest, StopClosesEverythingAndStartServesAgain) {
    Simulator simulator;
    SimulatedDevice& device = simulator.add(Config("127.0.0.2"));
    simulator.start();
    WireEnd link = ConnectTo(device);
    ASSERT_EQ(link.transact(test::ShortFrame(0, 0), 30).size(), 30u);
    device.writeMemory(500, Bytes{9, 9});
    simulator.stop();
    EXPECT_TRUE(link.closedByPeer());
    EXPECT_FALSE(ConnectTo(device).isOpen());
    simulator.start();
    WireEnd again = ConnectTo(device);
    EXPECT_EQ(again.transact(test::BlockReadFrame(kBus, 500, 2), 7)[4], 9) << "memory survives a restart";
}

TEST(SimulatorTest, FaultNamesRoundTrip) {
    for (Fault fault :
         {Fault::None, Fault::NoReply, Fault::Garbled, Fault::AllZero, Fault::Late, Fault::CloseConnection,
          Fault::RefuseConnection, Fault::BadIdentify, Fault::ShortReply}) {
        Fault parsed = Fault::None;
        EXPECT_TRUE(FaultFromName(FaultName(fault), parsed));
        EXPECT_EQ(parsed, fault);
    }
    Fault parsed = Fault::Late;
    EXPECT_FALSE(FaultFromName("sometimes", parsed));
    EXPECT_EQ(parsed, Fault::Late);
}

}  // namespace
}  // namespace plenum::sim
