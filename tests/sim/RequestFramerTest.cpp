#include "sim/RequestFramer.h"

#include <gtest/gtest.h>

#include <random>

#include "sim/WireClient.h"

namespace plenum::sim {
namespace {

using test::Bytes;
using Kind = FramerEvent::Kind;

std::vector<FramerEvent> Feed(RequestFramer& framer, const Bytes& bytes) {
    std::vector<FramerEvent> events;
    framer.feed(bytes, events);
    return events;
}

std::vector<Bytes> Requests(const std::vector<FramerEvent>& events) {
    std::vector<Bytes> requests;
    for (const auto& event : events) {
        if (event.kind == Kind::Request) requests.push_back(event.bytes);
    }
    return requests;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct LengthCase {
    const char* name;
    Bytes head;
    std::optional<std::size_t> length;
};
// Test names, not bytes, in listings.
void PrintTo(const LengthCase& c, std::ostream* out) {
    *out << c.name;
}

class SimRequestLengthTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(SimRequestLengthTest, FollowsTheCommandCode) {
    EXPECT_EQ(RequestLength(GetParam().head), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SimRequestLengthTest,
    ::testing::Values(LengthCase{"Empty", {}, std::nullopt}, LengthCase{"NotAStart", {0x78}, 0},
                      LengthCase{"StartOnly", {0xF0}, std::nullopt}, LengthCase{"BadTag", {0xF0, 0x77}, 0},
                      LengthCase{"NoCodeYet", {0xF0, 0x78, 1}, std::nullopt},
                      LengthCase{"Identify", {0xF0, 0x78, 0, 0x00}, 13},
                      LengthCase{"MeterPoll", {0xF0, 0x78, 1, 0x18}, 13},
                      LengthCase{"NineBytePayload", {0xF0, 0x78, 1, 0x07}, 14},
                      LengthCase{"BlockWriteHeadIncomplete", {0xF0, 0x78, 1, 0x17, 0, 0, 0, 1}, std::nullopt},
                      LengthCase{"BlockWrite256", {0xF0, 0x78, 1, 0x17, 0, 0, 0, 1, 0}, 266},
                      LengthCase{"BlockWriteEmpty", {0xF0, 0x78, 1, 0x17, 0, 0, 0, 0, 0}, 10},
                      LengthCase{"BlockWriteLargest", {0xF0, 0x78, 1, 0x17, 0, 0, 0, 3, 1}, 779},
                      LengthCase{"BlockWriteTooLong", {0xF0, 0x78, 1, 0x17, 0, 0, 0, 3, 2}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RequestFramerTest, FramesEveryFormWhateverTheChunking) {
    const Bytes stream =
        Concat({test::ShortFrame(0, 0x00), test::NineByteFrame(1, {1, 2, 3, 4, 5, 6, 7, 8, 9}),
                test::BlockWriteFrame(1, 384, Bytes(192, 0xF7)), test::BlockReadFrame(1, 0, 192)});
    for (std::size_t chunk : {std::size_t{1}, std::size_t{5}, std::size_t{13}, stream.size()}) {
        RequestFramer framer(true);
        std::vector<FramerEvent> events;
        for (std::size_t offset = 0; offset < stream.size(); offset += chunk) {
            const std::size_t n = std::min(chunk, stream.size() - offset);
            framer.feed(std::span(stream).subspan(offset, n), events);
        }
        const auto requests = Requests(events);
        ASSERT_EQ(requests.size(), 4u) << "chunk " << chunk;
        EXPECT_EQ(requests[1].size(), 14u);
        EXPECT_EQ(requests[2].size(), 202u);
        EXPECT_EQ(events.size(), 4u) << "nothing dropped";
        EXPECT_FALSE(framer.hasPartial());
    }
}

TEST(RequestFramerTest, AcknowledgeOnlyOnNetworkLinks) {
    const Bytes stream = Concat({Bytes{0x00}, test::ShortFrame(1, 5), Bytes{0x00}});
    RequestFramer network(true);
    const auto networkEvents = Feed(network, stream);
    ASSERT_EQ(networkEvents.size(), 3u);
    EXPECT_EQ(networkEvents[0].kind, Kind::Acknowledge);
    EXPECT_EQ(networkEvents[2].kind, Kind::Acknowledge);

    RequestFramer serial(false);
    const auto serialEvents = Feed(serial, stream);
    ASSERT_EQ(serialEvents.size(), 3u);
    EXPECT_EQ(serialEvents[0].kind, Kind::Dropped);
    EXPECT_EQ(serialEvents[1].kind, Kind::Request);
    EXPECT_EQ(serialEvents[2].kind, Kind::Dropped);
}

// Garbage of every kind in front of a good frame: the good frame still comes out whole, and every
// garbage byte is reported dropped.
TEST(RequestFramerTest, ResynchronisesOnTheNextStart) {
    const Bytes good = test::ShortFrame(1, 0x18);
    const std::vector<std::pair<const char*, Bytes>> garbage = {
        {"stray bytes", {0x12, 0x34, 0x78, 0xF7}},
        {"start without tag", {0xF0, 0x12}},
        {"start start", {0xF0}},
        {"short frame without its end", {0xF0, 0x78, 1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 0x33}},
        {"block write announcing too much", {0xF0, 0x78, 1, 0x17, 1, 2, 3, 0xFF, 0xFF}},
    };
    for (const auto& [name, junk] : garbage) {
        RequestFramer framer(true);
        const auto events = Feed(framer, Concat({junk, good}));
        const auto requests = Requests(events);
        ASSERT_EQ(requests.size(), 1u) << name;
        EXPECT_EQ(requests[0], good) << name;
        std::size_t dropped = 0;
        for (const auto& e : events) {
            if (e.kind == Kind::Dropped) dropped += e.bytes.size();
        }
        EXPECT_EQ(dropped, junk.size()) << name;
    }
}

// A block write header whose length swallows the next frame: the frame inside is found once the
// long candidate fails its end byte, or when the caller abandons the partial after a quiet spell.
TEST(RequestFramerTest, FindsAFrameSwallowedByABogusLongHeader) {
    const Bytes bogus = {0xF0, 0x78, 1, 0x17, 1, 2, 3, 0, 20};  // announces 30 bytes
    const Bytes good = test::ShortFrame(1, 0x05);
    RequestFramer framer(true);
    EXPECT_TRUE(Requests(Feed(framer, Concat({bogus, good}))).empty());
    EXPECT_TRUE(framer.hasPartial());
    std::vector<FramerEvent> events;
    framer.abandonPartial(events);
    const auto requests = Requests(events);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], good);
    EXPECT_FALSE(framer.hasPartial());

    RequestFramer completing(true);
    const auto completed = Requests(Feed(completing, Concat({bogus, good, Bytes(8, 0x11), good})));
    ASSERT_EQ(completed.size(), 2u) << "the failed candidate gives back the frames inside it";
    EXPECT_EQ(completed[0], good);
    EXPECT_EQ(completed[1], good);
}

TEST(RequestFramerTest, RandomNoiseNeverYieldsAMalformedRequest) {
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        Bytes noise(1 + random() % 2000);
        for (auto& byte : noise) {
            const auto r = random() % 10;
            byte = r == 0 ? 0xF0 : r == 1 ? 0x78 : r == 2 ? 0xF7 : static_cast<std::uint8_t>(random());
        }
        RequestFramer framer(round % 2 == 0);
        std::size_t total = 0;
        for (const auto& event : Feed(framer, noise)) {
            total += event.bytes.size();
            if (event.kind != Kind::Request) continue;
            ASSERT_EQ(RequestLength(event.bytes), event.bytes.size());
            ASSERT_EQ(event.bytes.back(), 0xF7);
        }
        EXPECT_EQ(total + framer.pendingSize(), noise.size()) << "every byte is accounted for";
        EXPECT_LE(framer.pendingSize(), kMaxRequestLength);
    }
}

}  // namespace
}  // namespace plenum::sim
