#include "sat/ParamCommands.h"

#include <gtest/gtest.h>

#include <string>

namespace plenum {
namespace {

// Every image and status byte holds a value derived from its offset, so a payload shows which
// offsets it was taken from.
constexpr std::uint8_t P(int offset) { return static_cast<std::uint8_t>((offset * 7 + 3) & 0xFF); }

template <std::size_t N>
ByteImage<N> Patterned() {
    ByteImage<N> image;
    for (std::size_t i = 0; i < N; ++i) image[i] = P(static_cast<int>(i));
    return image;
}

struct Golden {
    std::string name;
    ParamFamily family;
    DeviceKind kind;
    ParamAddress address;
    std::uint8_t code;
    std::array<int, 9> expected;  // byte values; -1 ends a short command's eight bytes
    bool nineByte = false;
};

void PrintTo(const Golden& golden, std::ostream* out) { *out << golden.name; }

class ParamCommandGolden : public ::testing::TestWithParam<Golden> {};

TEST_P(ParamCommandGolden, Payload) {
    const Golden& g = GetParam();
    const auto satImage = Patterned<576>();
    const auto subImage = Patterned<192>();
    const auto status = Patterned<384>();
    ASSERT_TRUE(AddressValid(g.family, g.kind, g.address));
    const ParamCommand command = g.kind == DeviceKind::Sat
                                     ? BuildParamCommand(g.family, g.kind, g.address, satImage, status)
                                     : BuildParamCommand(g.family, g.kind, g.address, subImage, status);
    EXPECT_EQ(command.code, g.code);
    EXPECT_EQ(command.nineByte, g.nineByte);
    for (std::size_t i = 0; i < (g.nineByte ? 9u : 8u); ++i) {
        const int actual = g.nineByte ? command.block[i] : command.params[i];
        EXPECT_EQ(actual, g.expected[i]) << "byte " << i;
    }
}

// Bit helpers: the patterned byte's bit.
constexpr int Bit(int offset, int bit) { return (P(offset) >> bit) & 1; }

const Golden kRows[] = {
    {"SatOutputPeqBand0Way1", ParamFamily::OutputPeqBand, DeviceKind::Sat, {1, 0, 0, 0}, 5,
     {1, 1, 0, P(358), P(374), P(390), P(406), P(422)}},
    {"SatOutputPeqBand7Way1", ParamFamily::OutputPeqBand, DeviceKind::Sat, {1, 7, 0, 0}, 5,
     {1, 1, 7, P(372), P(388), P(404), P(420), P(436)}},
    {"SatInputPeqBand50", ParamFamily::InputPeqBand, DeviceKind::Sat, {0, 50, 0, 0}, 5,
     {0, 0, 50, P(85), P(136), P(187), P(238), P(289)}},
    {"SatInputSection2Bypass", ParamFamily::InputEqBypass, DeviceKind::Sat, {0, 0, 2, 0}, 6,
     {0, 2, Bit(34, 2), 0, 0, 0, 0, 0}},
    {"SatOutputWay1Bypass", ParamFamily::OutputEqBypass, DeviceKind::Sat, {1, 0, 0, 0}, 6,
     {1, 1, Bit(356, 1), 0, 0, 0, 0, 0}},
    {"SatInputGainChannel", ParamFamily::InputGain, DeviceKind::Sat, {0, 0, 0, 2}, 1, {0, 2, P(20), 0, 0, 0, 0, 0}},
    {"SatOutputGainWay1", ParamFamily::OutputGain, DeviceKind::Sat, {1, 0, 0, 0}, 1, {1, 1, P(335), 0, 0, 0, 0, 0}},
    {"SatMakeUpWay1", ParamFamily::MakeUpGain, DeviceKind::Sat, {1, 0, 0, 0}, 1, {3, 1, P(495), P(518), 0, 0, 0, 0}},
    {"SatInputDelay", ParamFamily::InputDelay, DeviceKind::Sat, {}, 2, {0, 0, P(23), P(24), P(25), 0, 0, 0}},
    {"SatOutputDelayWay1", ParamFamily::OutputDelay, DeviceKind::Sat, {1, 0, 0, 0}, 2,
     {1, 1, P(339), P(341), P(343), 0, 0, 0}},
    {"SatOutputMuteWay0", ParamFamily::OutputMute, DeviceKind::Sat, {0, 0, 0, 0}, 3, {1, 0, Bit(336, 0), 0, 0, 0, 0, 0}},
    {"SatOutputPolarityWay1", ParamFamily::OutputPolarity, DeviceKind::Sat, {1, 0, 0, 0}, 4,
     {1, 1, Bit(337, 1), 0, 0, 0, 0, 0}},
    {"SatInputCompressor", ParamFamily::InputCompressor, DeviceKind::Sat, {}, 7,
     {0, 0, P(329), P(330), P(328), P(331), P(332), P(333), P(327)}, true},
    {"SatOutputCompressorWay1", ParamFamily::OutputCompressor, DeviceKind::Sat, {1, 0, 0, 0}, 7,
     {1, 1, P(477), P(479), P(475), P(481), P(483), P(485), P(473)}, true},
    {"SatOutputCompressorWay0OwnAutoFlag", ParamFamily::OutputCompressor, DeviceKind::Sat, {0, 0, 0, 0}, 7,
     {1, 0, P(476), P(478), P(474), P(480), P(482), P(484), P(472)}, true},
    {"SatLimiterWay1", ParamFamily::Limiter, DeviceKind::Sat, {1, 0, 0, 0}, 8, {1, P(489), P(491), P(487), 0, 0, 0, 0}},
    {"SatGate", ParamFamily::Gate, DeviceKind::Sat, {}, 9, {0, P(27), P(28), P(26), 0, 0, 0, 0}},
    {"SatInputCrossover", ParamFamily::InputCrossover, DeviceKind::Sat, {}, 10, {0, 0, 0, P(32), P(33), P(31), 0, 0}},
    {"SatHighPassWay1", ParamFamily::OutputHighPass, DeviceKind::Sat, {1, 0, 0, 0}, 10,
     {1, 1, 0, P(347), P(349), P(345), 0, 0}},
    {"SatLowPassWay0", ParamFamily::OutputLowPass, DeviceKind::Sat, {0, 0, 0, 0}, 10,
     {1, 0, 1, P(352), P(354), P(350), 0, 0}},
    {"SatInput", ParamFamily::Input, DeviceKind::Sat, {}, 11, {0, P(17), P(18), P(19), 0, 0, 0, 0}},
    {"SatNoiseFromStatus", ParamFamily::NoiseGenerator, DeviceKind::Sat, {}, 12, {P(222), P(223), P(224), 0, 0, 0, 0, 0}},
    {"SatFirEnable", ParamFamily::FirEnable, DeviceKind::Sat, {1, 0, 0, 0}, 13, {0, 1, Bit(380, 1), 0, 0, 0, 0, 0}},
    // Block write of image 503..516: live program address 384 + 503 = 0x000377, 14 bytes.
    {"SatFirDesign", ParamFamily::FirDesign, DeviceKind::Sat, {}, 23, {0, 3, 0x77, 0, 14, 0, 0, 0}},
    {"SatDlfTwoBytes", ParamFamily::Dlf, DeviceKind::Sat, {}, 16, {0, P(30), P(29), 0, 0, 0, 0, 0}},
    {"SatApplyFirWay", ParamFamily::ApplyFirWay, DeviceKind::Sat, {1, 0, 0, 0}, 17, {1, 1, 0, 0, 0, 0, 0, 0}},
    {"SatOutputLimiterWay1", ParamFamily::OutputLimiter, DeviceKind::Sat, {1, 0, 0, 0}, 19, {1, P(493), 0, 0, 0, 0, 0, 0}},
    {"SatRoom", ParamFamily::RoomCorrection, DeviceKind::Sat, {}, 29, {P(500), 0, 0, 0, 0, 0, 0, 0}},
    {"SatFirOutput", ParamFamily::FirOutput, DeviceKind::Sat, {}, 31, {0, P(520), 0, 0, 0, 0, 0, 0}},
    {"SatStandby", ParamFamily::AutoStandby, DeviceKind::Sat, {}, 20, {P(227), P(228), 0, 0, 0, 0, 0, 0}},
    {"SatSleep", ParamFamily::AutoSleep, DeviceKind::Sat, {}, 21, {P(225), P(226), 0, 0, 0, 0, 0, 0}},
    {"SatSpeakerLoad", ParamFamily::SpeakerLoad, DeviceKind::Sat, {}, 32, {P(262), P(263), 0, 0, 0, 0, 0, 0}},
    {"SatAmpBoost", ParamFamily::AmpBoost, DeviceKind::Sat, {}, 33, {P(266), 0, 0, 0, 0, 0, 0, 0}},
    {"SatStoreState", ParamFamily::StoreState, DeviceKind::Sat, {}, 27, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"SatRecallFactory", ParamFamily::RecallFactory, DeviceKind::Sat, {}, 28, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"SatGroupGain", ParamFamily::GroupGain, DeviceKind::Sat, {}, 1, {4, 0, P(229), 0, 0, 0, 0, 0}},
    {"SatGroupDelay", ParamFamily::GroupDelay, DeviceKind::Sat, {}, 2, {2, 0, P(230), P(231), P(232), 0, 0, 0}},
    {"SatGroupEqBypass", ParamFamily::GroupEqBypass, DeviceKind::Sat, {}, 6, {2, 0, P(233), 0, 0, 0, 0, 0}},
    {"SatGroupBand3", ParamFamily::GroupPeqBand, DeviceKind::Sat, {0, 3, 0, 0}, 5,
     {2, 0, 3, P(237), P(242), P(247), P(252), P(257)}},
    {"SubGroupBand0", ParamFamily::GroupPeqBand, DeviceKind::Sub, {0, 0, 0, 0}, 5,
     {2, 0, 0, P(234), P(239), P(244), P(249), P(254)}},

    {"SubOutputBand7IsBand12", ParamFamily::OutputPeqBand, DeviceKind::Sub, {0, 7, 0, 0}, 5,
     {1, 0, 7, P(84), P(92), P(100), P(108), P(116)}},
    {"SubInputBand4", ParamFamily::InputPeqBand, DeviceKind::Sub, {0, 4, 0, 0}, 5,
     {0, 0, 4, P(38), P(43), P(48), P(53), P(58)}},
    {"SubInputGain", ParamFamily::InputGain, DeviceKind::Sub, {0, 0, 0, 1}, 1, {0, 1, P(20), 0, 0, 0, 0, 0}},
    {"SubOutputGain", ParamFamily::OutputGain, DeviceKind::Sub, {0, 0, 0, 3}, 1, {1, 3, P(66), 0, 0, 0, 0, 0}},
    {"SubMakeUp", ParamFamily::MakeUpGain, DeviceKind::Sub, {}, 1, {3, 0, P(127), 0, 0, 0, 0, 0}},
    {"SubInputDelayChannel", ParamFamily::InputDelay, DeviceKind::Sub, {0, 0, 0, 1}, 2,
     {0, 1, P(23), P(24), P(25), 0, 0, 0}},
    {"SubCompressor", ParamFamily::InputCompressor, DeviceKind::Sub, {}, 7,
     {0, 0, P(61), P(62), P(60), P(63), P(64), P(65), P(59)}, true},
    {"SubLimiter", ParamFamily::Limiter, DeviceKind::Sub, {}, 8, {0, P(124), P(125), P(123), 0, 0, 0, 0}},
    {"SubGate", ParamFamily::Gate, DeviceKind::Sub, {}, 9, {0, P(27), P(28), P(26), 0, 0, 0, 0}},
    {"SubInputCrossover", ParamFamily::InputCrossover, DeviceKind::Sub, {}, 10, {0, 0, 0, P(31), P(32), P(30), 0, 0}},
    {"SubHighPass", ParamFamily::OutputHighPass, DeviceKind::Sub, {}, 10, {1, 0, 0, P(71), P(72), P(70), 0, 0}},
    {"SubLowPass", ParamFamily::OutputLowPass, DeviceKind::Sub, {}, 10, {1, 0, 1, P(74), P(75), P(73), 0, 0}},
    {"SubInput", ParamFamily::Input, DeviceKind::Sub, {}, 11, {0, P(17), P(18), P(19), 0, 0, 0, 0}},
    {"SubDlfOneByte", ParamFamily::Dlf, DeviceKind::Sub, {}, 16, {0, P(29), 0, 0, 0, 0, 0, 0}},
    {"SubOutputLimiter", ParamFamily::OutputLimiter, DeviceKind::Sub, {}, 19, {0, P(126), 0, 0, 0, 0, 0, 0}},
    {"SubOutputBypass", ParamFamily::OutputEqBypass, DeviceKind::Sub, {}, 6, {1, 0, Bit(76, 0), 0, 0, 0, 0, 0}},
    {"SubInputBypass", ParamFamily::InputEqBypass, DeviceKind::Sub, {}, 6, {0, 0, Bit(33, 0), 0, 0, 0, 0, 0}},
    {"SubOutputDelay", ParamFamily::OutputDelay, DeviceKind::Sub, {}, 2, {1, 0, P(67), P(68), P(69), 0, 0, 0}},
    {"SubOutputMute", ParamFamily::OutputMute, DeviceKind::Sub, {}, 3, {1, 0, Bit(128, 0), 0, 0, 0, 0, 0}},
    {"SubOutputPolarity", ParamFamily::OutputPolarity, DeviceKind::Sub, {}, 4, {1, 0, Bit(129, 0), 0, 0, 0, 0, 0}},
};

INSTANTIATE_TEST_SUITE_P(Table, ParamCommandGolden, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return info.param.name; });

TEST(ParamCommands, AddressLimits) {
    EXPECT_TRUE(AddressValid(ParamFamily::InputPeqBand, DeviceKind::Sat, {0, 50, 0, 0}));
    EXPECT_FALSE(AddressValid(ParamFamily::InputPeqBand, DeviceKind::Sat, {0, 51, 0, 0}));
    EXPECT_FALSE(AddressValid(ParamFamily::InputPeqBand, DeviceKind::Sub, {0, 5, 0, 0}));
    EXPECT_FALSE(AddressValid(ParamFamily::OutputPeqBand, DeviceKind::Sub, {1, 0, 0, 0}));
    EXPECT_FALSE(AddressValid(ParamFamily::OutputGain, DeviceKind::Sat, {2, 0, 0, 0}));
    EXPECT_FALSE(AddressValid(ParamFamily::InputEqBypass, DeviceKind::Sat, {0, 0, 3, 0}));
    EXPECT_TRUE(AddressValid(ParamFamily::OutputDelay, DeviceKind::Sub, {}));
    EXPECT_FALSE(AddressValid(ParamFamily::OutputDelay, DeviceKind::Sub, {1, 0, 0, 0}));
    EXPECT_FALSE(AddressValid(ParamFamily::OutputMute, DeviceKind::Sub, {1, 0, 0, 0}));
    EXPECT_FALSE(AddressValid(ParamFamily::RoomCorrection, DeviceKind::Sub, {}));
}

TEST(ParamCommands, EveryFamilyIsDescribedOnceInOrder) {
    for (int i = 0; i < kParamFamilyCount; ++i) {
        const auto family = static_cast<ParamFamily>(i);
        EXPECT_EQ(InfoOf(family).family, family);
        EXPECT_TRUE(FamilyExists(family, DeviceKind::Sat) || FamilyExists(family, DeviceKind::Sub));
    }
}

TEST(ParamCommands, CarriedBytesFollowThePayload) {
    using Bytes = std::vector<CarriedByte>;
    const auto band = BytesCarried(ParamFamily::OutputPeqBand, DeviceKind::Sat, {1, 0, 0, 0});
    EXPECT_EQ(band.image, (Bytes{{358}, {374}, {390}, {406}, {422}}));
    EXPECT_TRUE(band.status.empty());
    EXPECT_EQ(BytesCarried(ParamFamily::NoiseGenerator, DeviceKind::Sat, {}).status,
              (Bytes{{222}, {223}, {224}}));
    EXPECT_EQ(BytesCarried(ParamFamily::Dlf, DeviceKind::Sub, {}).image, (Bytes{{29}}));
    Bytes design;
    for (int offset = 503; offset <= 516; ++offset) design.push_back({offset});
    EXPECT_EQ(BytesCarried(ParamFamily::FirDesign, DeviceKind::Sat, {}).image, design);
}

// The FIR design block carries the 14 design bytes through TxBlockBuffer.
TEST(ParamCommands, FirDesignBlockHoldsBothWaysBytes) {
    const auto image = Patterned<576>();
    const auto command = BuildParamCommand(ParamFamily::FirDesign, DeviceKind::Sat, {}, image, Patterned<384>());
    ASSERT_EQ(command.blockLength, 14);
    for (std::size_t i = 0; i < 14; ++i) EXPECT_EQ(command.block[i], P(503 + static_cast<int>(i))) << i;
    EXPECT_FALSE(FamilyExists(ParamFamily::FirDesign, DeviceKind::Sub));
}

// A byte shared by ways or sections is carried only with the bit of the instance sent.
TEST(ParamCommands, SharedBytesCarryOnlyTheirBit) {
    using Bytes = std::vector<CarriedByte>;
    EXPECT_EQ(BytesCarried(ParamFamily::OutputMute, DeviceKind::Sat, {1, 0, 0, 0}).image, (Bytes{{336, 0x02}}));
    EXPECT_EQ(BytesCarried(ParamFamily::OutputPolarity, DeviceKind::Sat, {0, 0, 0, 0}).image, (Bytes{{337, 0x01}}));
    EXPECT_EQ(BytesCarried(ParamFamily::OutputEqBypass, DeviceKind::Sat, {1, 0, 0, 0}).image, (Bytes{{356, 0x02}}));
    EXPECT_EQ(BytesCarried(ParamFamily::InputEqBypass, DeviceKind::Sat, {0, 0, 2, 0}).image, (Bytes{{34, 0x04}}));
    EXPECT_EQ(BytesCarried(ParamFamily::InputEqBypass, DeviceKind::Sub, {}).image, (Bytes{{33, 0x01}}));
    EXPECT_EQ(BytesCarried(ParamFamily::OutputMute, DeviceKind::Sub, {}).image, (Bytes{{128, 0x01}}));
    EXPECT_EQ(BytesCarried(ParamFamily::OutputDelay, DeviceKind::Sub, {}).image, (Bytes{{67}, {68}, {69}}));
    EXPECT_EQ(BytesCarried(ParamFamily::FirEnable, DeviceKind::Sat, {1, 0, 0, 0}).status, (Bytes{{380, 0x02}}));
    EXPECT_EQ(BytesCarried(ParamFamily::FirEnable, DeviceKind::Sat, {0, 0, 0, 0}).status, (Bytes{{380, 0x01}}));
}

}  // namespace
}  // namespace plenum
