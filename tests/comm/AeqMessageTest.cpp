// The automatic-EQ bridge messages: what the client helpers write reads back unchanged, and every
// malformed layout is refused.
#include <gtest/gtest.h>

#include <variant>

#include "comm/AeqMessage.h"

namespace plenum::comm {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(AeqMessage, RequestsReadBackAsWritten) {
    const auto select = ReadAeqMessage(AeqSelectMessage(24, 4));
    ASSERT_TRUE(std::holds_alternative<AeqSelect>(select));
    EXPECT_EQ(std::get<AeqSelect>(select).device, 24);
    EXPECT_EQ(std::get<AeqSelect>(select).target, 4);
    EXPECT_EQ(AeqAnswerCode(select), 0x81);

    const std::vector<double> values{1.5, -0.25, 1e-9, 0.0};
    const auto response = ReadAeqMessage(AeqResponseMessage(3, 2, values));
    ASSERT_TRUE(std::holds_alternative<AeqResponse>(response));
    EXPECT_EQ(std::get<AeqResponse>(response).values, values);
    EXPECT_EQ(std::get<AeqResponse>(response).target, 2);

    const auto aux = ReadAeqMessage(AeqBypassMessage(true, 1, 3, 1));
    ASSERT_TRUE(std::holds_alternative<AeqBypass>(aux));
    EXPECT_TRUE(std::get<AeqBypass>(aux).aux);
    EXPECT_EQ(AeqAnswerCode(aux), 0x84);
    EXPECT_EQ(AeqAnswerCode(ReadAeqMessage(AeqBypassMessage(false, 1, 0, 0))), 0x83);
}

TEST(AeqMessage, TheResponseLayoutIsBigEndianHeadLittleEndianValues) {
    const Bytes message = AeqResponseMessage(1, 3, std::vector<double>{1.0});
    EXPECT_EQ(message, (Bytes{0x02, 1, 0, 3, 0, 1, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
}

TEST(AeqMessage, MalformedMessagesAreRefused) {
    Bytes longCount = AeqResponseMessage(1, 3, std::vector<double>(2, 0.5));
    longCount[5] = 3;  // says three values, carries two
    Bytes infinite = AeqResponseMessage(1, 3, std::vector<double>{1.0});
    infinite[12] = 0xF0;
    infinite[13] = 0x7F;  // +inf
    const std::vector<Bytes> cases{{},
                                   {0x00},
                                   {0x05, 1, 0, 1},
                                   {0x01, 1, 0},
                                   {0x01, 1, 0, 3, 0},
                                   {0x03, 1, 0, 3},
                                   {0x04, 1, 0, 3, 7},
                                   {0x02, 1, 0, 3, 0},
                                   {0x02, 1, 0, 3, 0, 0},
                                   {0x02, 1, 0, 3, 0x10, 0x01},
                                   longCount,
                                   infinite,
                                   Bytes(kMaxAeqMessage + 1, 0x02)};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const auto request = ReadAeqMessage(cases[i]);
        EXPECT_TRUE(std::holds_alternative<AeqUnreadable>(request));
        EXPECT_EQ(AeqAnswerCode(request), kAeqUnreadable);
    }
}

}  // namespace
}  // namespace plenum::comm
