#include "store/BlockCodec.h"

#include <gtest/gtest.h>

#include <random>

namespace plenum {
namespace {

TEST(BlockCodec, KnownEncodings) {
    EXPECT_EQ(PackBlock(Bytes{}), Bytes{});
    EXPECT_EQ(PackBlock(Bytes{5}), (Bytes{0, 5}));
    EXPECT_EQ(PackBlock(Bytes{0, 0, 0}), (Bytes{254, 0}));
    EXPECT_EQ(PackBlock(Bytes{1, 2, 3, 3}), (Bytes{3, 1, 2, 3, 3}));
    EXPECT_EQ(PackBlock(Bytes{1, 2, 3, 3, 3}), (Bytes{1, 1, 2, 254, 3}));
    EXPECT_EQ(PackBlock(Bytes(300, 0)).size(), 6u);  // 128 + 128 + 44
}

TEST(BlockCodec, RoundTripsRandomAndRunnyData) {
    std::mt19937 random(1234);
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t size = random() % 2000;
        Bytes plain(size);
        const unsigned alphabet = 1 + random() % 4 == 1 ? 256 : 1 + random() % 3;
        for (auto& b : plain) b = static_cast<std::uint8_t>(random() % alphabet);
        const Bytes packed = PackBlock(plain);
        EXPECT_LE(packed.size(), size + (size + 127) / 128);
        const auto unpacked = UnpackBlock(packed, size);
        ASSERT_TRUE(unpacked) << trial;
        EXPECT_EQ(*unpacked, plain) << trial;
    }
}

TEST(BlockCodec, RefusesWrongSizesAndTruncation) {
    const Bytes packed = PackBlock(Bytes{1, 2, 3, 3, 3, 9});
    EXPECT_FALSE(UnpackBlock(packed, 5));
    EXPECT_FALSE(UnpackBlock(packed, 7));
    for (std::size_t cut = 1; cut < packed.size(); ++cut)
        EXPECT_FALSE(UnpackBlock(std::span(packed).first(cut), 6)) << cut;
    EXPECT_TRUE(UnpackBlock(Bytes{128, 128}, 0));  // no-op headers
}

}  // namespace
}  // namespace plenum
