#include <gtest/gtest.h>

#include <asio/ip/tcp.hpp>
#include <asio/ip/udp.hpp>
#include <asio/read.hpp>
#include <asio/write.hpp>
#include <thread>

#include "Scripted.h"
#include "comm/Announce.h"
#include "comm/BridgeServer.h"

namespace plenum::comm {
namespace {

using test::Bytes;

DeviceAnnounce Sample() {
    DeviceAnnounce announce;
    announce.linkMode = 1;
    announce.uniqueId = "0AFF009C4107";
    announce.modelCode = 8;
    announce.hwFamily = 3;
    announce.name = "Stage left";
    announce.devicePort = 1001;
    return announce;
}

TEST(Announce, EncodesTheDocumentedLayoutAndParsesBack) {
    const auto datagram = EncodeAnnounce(Sample());
    ASSERT_TRUE(datagram);
    EXPECT_EQ(test::Hex(*datagram),
              "50 4C 4E 41 01 01 0A FF 00 9C 41 07 83 53 74 61 67 65 20 6C 65 66 74 20 20 20 20 20 20 03 E9");
    EXPECT_EQ(ParseAnnounce(*datagram), Sample());
}

TEST(Announce, RejectsMalformedDatagrams) {
    const Bytes good = *EncodeAnnounce(Sample());
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
    } cases[] = {
        {"short", [](Bytes& d) { d.pop_back(); }},
        {"long", [](Bytes& d) { d.push_back(0); }},
        {"magic", [](Bytes& d) { d[0] = 'X'; }},
        {"version", [](Bytes& d) { d[4] = 2; }},
        {"link mode", [](Bytes& d) { d[5] = 3; }},
        {"port zero", [](Bytes& d) { d[29] = d[30] = 0; }},
    };
    for (auto& c : cases) {
        Bytes datagram = good;
        c.damage(datagram);
        std::string why;
        EXPECT_FALSE(ParseAnnounce(datagram, &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
    }
    DeviceAnnounce bad = Sample();
    bad.uniqueId = "0AFF009C41G7";
    EXPECT_FALSE(EncodeAnnounce(bad));
}

TEST(AnnounceListener, DeliversValidAnnouncesWithTheSenderAddress) {
    std::vector<DeviceAnnounce> heard;
    AnnounceListener listener([&](const DeviceAnnounce& a) { heard.push_back(a); });
    ASSERT_EQ(listener.start("127.0.0.1", 0), LinkResult::Ok);
    asio::io_context io;
    asio::ip::udp::socket sender(io, asio::ip::udp::endpoint(asio::ip::make_address_v4("127.0.0.5"), 0));
    const asio::ip::udp::endpoint target(asio::ip::address_v4::loopback(), listener.port());
    sender.send_to(asio::buffer(*EncodeAnnounce(Sample())), target);
    sender.send_to(asio::buffer(Bytes{1, 2, 3}), target);
    for (int i = 0; i < 200 && heard.empty(); ++i) {
        listener.poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    listener.poll();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].address, "127.0.0.5");
    EXPECT_EQ(heard[0].uniqueId, "0AFF009C4107");
    EXPECT_EQ(listener.rejectedCount(), 1);
}

TEST(BridgeFramer, SplitsAStreamFedInAnyPieces) {
    Bytes stream;
    for (const Bytes& payload : {Bytes{1, 2, 3}, Bytes{}, Bytes(5000, 0x42)}) {
        const auto framed = *FrameBridgeMessage(payload);
        stream.insert(stream.end(), framed.begin(), framed.end());
    }
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{4096}, stream.size()}) {
        BridgeMessageFramer framer;
        std::vector<Bytes> messages;
        for (std::size_t at = 0; at < stream.size(); at += piece)
            ASSERT_EQ(framer.feed(std::span(stream).subspan(at, std::min(piece, stream.size() - at)), messages),
                      BridgeMessageFramer::Status::Ok);
        ASSERT_EQ(messages.size(), 3u) << piece;
        EXPECT_EQ(messages[0], (Bytes{1, 2, 3}));
        EXPECT_TRUE(messages[1].empty());
        EXPECT_EQ(messages[2].size(), 5000u);
    }
}

TEST(BridgeFramer, OversizedLengthBreaksTheStream) {
    BridgeMessageFramer framer;
    std::vector<Bytes> messages;
    EXPECT_EQ(framer.feed(Bytes{0, 1, 0, 1, 9, 9}, messages), BridgeMessageFramer::Status::TooLong);
    EXPECT_EQ(framer.feed(*FrameBridgeMessage(Bytes{1}), messages), BridgeMessageFramer::Status::TooLong);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(FrameBridgeMessage(Bytes(kMaxBridgeMessage + 1)));
}

class BridgeRig : public ::testing::Test {
protected:
    std::vector<std::string> events;
    std::vector<Bytes> received;
    BridgeServer server{{[this](int c) { events.push_back("connected " + std::to_string(c)); },
                         [this](int c) { events.push_back("disconnected " + std::to_string(c)); },
                         [this](int c, const Bytes& m) {
                             events.push_back("message " + std::to_string(c));
                             received.push_back(m);
                         }}};
    asio::io_context io;

    asio::ip::tcp::socket connectClient() {
        asio::ip::tcp::socket socket(io);
        socket.connect({asio::ip::address_v4::loopback(), server.port()});
        return socket;
    }
    // Polls the server until `count` events have been seen (bounded).
    void pollUntil(std::size_t count) {
        for (int i = 0; i < 400 && events.size() < count; ++i) {
            server.poll();
            if (events.size() < count) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
};

TEST_F(BridgeRig, ListensOnLoopbackOnly) {
    ASSERT_EQ(server.start(0), LinkResult::Ok);
    asio::ip::tcp::socket other(io);
    std::error_code error;
    other.connect({asio::ip::make_address_v4("127.0.0.2"), server.port()}, error);
    EXPECT_TRUE(error);
}

TEST_F(BridgeRig, DeliversMessagesAndWritesBack) {
    ASSERT_EQ(server.start(0), LinkResult::Ok);
    auto client = connectClient();
    const Bytes payload{'E', 'Q', 1, 2};
    asio::write(client, asio::buffer(*FrameBridgeMessage(payload)));
    pollUntil(2);
    ASSERT_EQ(events, (std::vector<std::string>{"connected 1", "message 1"}));
    EXPECT_EQ(received.at(0), payload);

    ASSERT_EQ(server.WriteDataToClient(1, Bytes{7, 8, 9}), LinkResult::Ok);
    Bytes answer(7);
    asio::read(client, asio::buffer(answer));
    EXPECT_EQ(test::Hex(answer), "00 00 00 03 07 08 09");
    EXPECT_EQ(server.WriteDataToClient(2, Bytes{1}), LinkResult::BadArgument);

    client.close();
    pollUntil(3);
    EXPECT_EQ(events.back(), "disconnected 1");
    EXPECT_EQ(server.clientCount(), 0u);
}

TEST_F(BridgeRig, OversizedMessageDisconnectsTheClientWithoutDelivering) {
    ASSERT_EQ(server.start(0), LinkResult::Ok);
    auto client = connectClient();
    asio::write(client, asio::buffer(Bytes{0x7F, 0xFF, 0xFF, 0xFF, 1, 2, 3}));
    pollUntil(2);
    EXPECT_EQ(events, (std::vector<std::string>{"connected 1", "disconnected 1"}));
    EXPECT_TRUE(received.empty());
    // Other clients are unaffected.
    auto second = connectClient();
    asio::write(second, asio::buffer(*FrameBridgeMessage(Bytes{5})));
    pollUntil(4);
    EXPECT_EQ(events.back(), "message 2");
}

}  // namespace
}  // namespace plenum::comm
