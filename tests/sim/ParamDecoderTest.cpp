// The device's reading of the parameter and program commands: a frame goes in, and exactly the
// expected memory bytes change (every other byte of the 147 KiB memory is compared too).
#include "sim/ParamDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "sim/DeviceModel.h"
#include "sim/Simulator.h"
#include "sim/WireClient.h"

namespace plenum::sim {
namespace {

using test::Bytes;

constexpr std::uint8_t kBus = 4;
constexpr std::uint8_t kSat = 0;
constexpr std::uint8_t kSub = 1;

DeviceModel MakeDevice(std::uint8_t model) {
    DeviceIdentity identity;
    identity.modelCode = model;
    identity.busId = kBus;
    return DeviceModel(identity, 1);
}

Bytes Memory(const DeviceModel& device) {
    return device.read(0, kMemorySize);
}

Bytes Send(DeviceModel& device, const Bytes& frame) {
    return device.handle(Request{frame, LinkKind::Network});
}

Bytes Short(std::uint8_t code, std::initializer_list<std::uint8_t> params = {}) {
    return test::ShortFrame(kBus, code, params);
}

// An expected byte: live program offset or status record offset, and its value.
struct Expect {
    std::uint32_t address;
    std::uint8_t value;
};
Expect L(std::uint32_t offset, std::uint8_t value) {
    return {kLiveProgramAddress + offset, value};
}
Expect S(std::uint32_t offset, std::uint8_t value) {
    return {kStatusAddress + offset, value};
}

struct DecodeCase {
    const char* name;
    std::uint8_t model;
    Bytes frame;
    std::vector<Expect> changes;  // empty: the request must change nothing
};
void PrintTo(const DecodeCase& c, std::ostream* out) {
    *out << c.name;
}

// Every byte differing between before and after, as (address, new value).
std::vector<std::pair<std::uint32_t, std::uint8_t>> Diff(const Bytes& before, const Bytes& after) {
    std::vector<std::pair<std::uint32_t, std::uint8_t>> changed;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] != after[i]) changed.emplace_back(static_cast<std::uint32_t>(i), after[i]);
    }
    return changed;
}

class SimDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(SimDecodeTest, FrameInMemoryBytesOut) {
    const DecodeCase& c = GetParam();
    DeviceModel device = MakeDevice(c.model);
    const Bytes before = Memory(device);
    const Bytes reply = Send(device, c.frame);
    EXPECT_EQ(reply.size(), kAckReplyLength) << "a parameter command is acknowledged";

    std::vector<std::pair<std::uint32_t, std::uint8_t>> expected;
    for (const Expect& e : c.changes) expected.emplace_back(e.address, e.value);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Diff(before, Memory(device)), expected);
}

// Satellite: output ways 0 LOW / 1 HIGH, 51 input bands, 8 output bands interleaved by way.
INSTANTIATE_TEST_SUITE_P(
    Satellite, SimDecodeTest,
    ::testing::Values(
        DecodeCase{"InputGain", kSat, Short(1, {0, 0, 0x8A}), {L(20, 0x8A)}},
        DecodeCase{"OutputGainWay1", kSat, Short(1, {1, 1, 0x77}), {L(335, 0x77)}},
        DecodeCase{"MakeUpWay1", kSat, Short(1, {3, 1, 0x21, 0x22}), {L(495, 0x21), L(518, 0x22)}},
        DecodeCase{"InputDelay", kSat, Short(2, {0, 0, 1, 2, 24}), {L(23, 1), L(24, 2), L(25, 24)}},
        DecodeCase{"OutputDelayWay1", kSat, Short(2, {1, 1, 3, 40, 47}), {L(339, 3), L(341, 40), L(343, 47)}},
        DecodeCase{"InputMute", kSat, Short(3, {0, 0, 1}), {L(21, 1)}},
        DecodeCase{"OutputMuteWay1IsBit1", kSat, Short(3, {1, 1, 1}), {L(336, 0x02)}},
        DecodeCase{"InputPolarity", kSat, Short(4, {0, 0, 1}), {L(22, 1)}},
        DecodeCase{"OutputPolarityWay0IsBit0", kSat, Short(4, {1, 0, 1}), {L(337, 0x01)}},
        DecodeCase{"InputPeqBand0",
                   kSat,
                   Short(5, {0, 0, 0, 2, 1, 0xF4, 23, 30}),
                   {L(35, 2), L(86, 1), L(137, 0xF4), L(188, 23), L(239, 30)}},
        DecodeCase{"InputPeqBand50",
                   kSat,
                   Short(5, {0, 0, 50, 3, 78, 32, 44, 60}),
                   {L(85, 3), L(136, 78), L(187, 32), L(238, 44), L(289, 60)}},
        DecodeCase{"OutputPeqBand0Way1",
                   kSat,
                   Short(5, {1, 1, 0, 4, 5, 6, 7, 8}),
                   {L(358, 4), L(374, 5), L(390, 6), L(406, 7), L(422, 8)}},
        DecodeCase{"OutputPeqBand7Way1",
                   kSat,
                   Short(5, {1, 1, 7, 4, 5, 6, 7, 8}),
                   {L(372, 4), L(388, 5), L(404, 6), L(420, 7), L(436, 8)}},
        DecodeCase{"OutputPeqBand3Way0",
                   kSat,
                   Short(5, {1, 0, 3, 4, 5, 6, 7, 8}),
                   {L(363, 4), L(379, 5), L(395, 6), L(411, 7), L(427, 8)}},
        DecodeCase{"InputEqBypassSection2IsBit2", kSat, Short(6, {0, 2, 1}), {L(34, 0x04)}},
        DecodeCase{"OutputEqBypassWay1IsBit1", kSat, Short(6, {1, 1, 1}), {L(356, 0x02)}},
        DecodeCase{"InputCompressor",
                   kSat,
                   test::NineByteFrame(kBus, {0, 0, 11, 12, 13, 14, 15, 16, 1}),
                   {L(329, 11), L(330, 12), L(328, 13), L(331, 14), L(332, 15), L(333, 16), L(327, 1)}},
        DecodeCase{"OutputCompressorWay1",
                   kSat,
                   test::NineByteFrame(kBus, {1, 1, 21, 22, 23, 24, 25, 26, 1}),
                   {L(477, 21), L(479, 22), L(475, 23), L(481, 24), L(483, 25), L(485, 26), L(473, 1)}},
        DecodeCase{"OutputCompressorWay0",
                   kSat,
                   test::NineByteFrame(kBus, {1, 0, 21, 22, 23, 24, 25, 26, 1}),
                   {L(476, 21), L(478, 22), L(474, 23), L(480, 24), L(482, 25), L(484, 26), L(472, 1)}},
        DecodeCase{"LimiterWay1", kSat, Short(8, {1, 9, 130, 200}), {L(489, 9), L(491, 130), L(487, 200)}},
        DecodeCase{"Gate", kSat, Short(9, {0, 10, 138, 5}), {L(27, 10), L(28, 138), L(26, 5)}},
        DecodeCase{"InputCrossoverAnyFilterSelector",
                   kSat,
                   Short(10, {0, 0, 2, 5, 220, 7}),
                   {L(32, 5), L(33, 220), L(31, 7)}},
        DecodeCase{
            "OutputHighPassWay1", kSat, Short(10, {1, 1, 0, 5, 220, 7}), {L(347, 5), L(349, 220), L(345, 7)}},
        DecodeCase{
            "OutputLowPassWay0", kSat, Short(10, {1, 0, 1, 78, 32, 3}), {L(352, 78), L(354, 32), L(350, 3)}},
        DecodeCase{"Input", kSat, Short(11, {0, 17, 100, 131}), {L(17, 17), L(18, 100), L(19, 131)}},
        DecodeCase{"NoiseGenerator", kSat, Short(12, {1, 2, 40}), {S(222, 1), S(223, 2), S(224, 40)}},
        DecodeCase{"FirEnableWay1", kSat, Short(13, {0, 1, 1}), {S(kStatusFirEnabled, 0x02)}},
        DecodeCase{"DlfTwoBytes", kSat, Short(16, {0, 228, 100}), {L(30, 228), L(29, 100)}},
        DecodeCase{"OutputLimiterWay1", kSat, Short(19, {1, 15}), {L(493, 15)}},
        DecodeCase{"RoomCorrection", kSat, Short(29, {77}), {L(500, 77)}},
        DecodeCase{"FirOutput", kSat, Short(31, {0, 2}), {L(520, 2)}},
        DecodeCase{"AutoStandby", kSat, Short(20, {1, 3}), {S(227, 1), S(228, 3)}},
        DecodeCase{"AutoSleep", kSat, Short(21, {1, 5}), {S(225, 1), S(226, 5)}},
        DecodeCase{"SpeakerLoad", kSat, Short(32, {1, 1}), {S(262, 1), S(263, 1)}},
        DecodeCase{"AmpBoost", kSat, Short(33, {1}), {S(266, 1)}},
        DecodeCase{"PanelLock", kSat, Short(0x12, {1}), {S(219, 1)}},
        DecodeCase{"GroupGain", kSat, Short(1, {4, 0, 120}), {S(229, 120)}},
        DecodeCase{"GroupDelay", kSat, Short(2, {2, 0, 1, 70, 47}), {S(230, 1), S(231, 70), S(232, 47)}},
        DecodeCase{"GroupEqBypass", kSat, Short(6, {2, 0, 1}), {S(233, 1)}},
        DecodeCase{"GroupPeqBand4",
                   kSat,
                   Short(5, {2, 0, 4, 1, 3, 0xE8, 23, 0x9E}),
                   {S(238, 1), S(243, 3), S(248, 0xE8), S(253, 23), S(258, 0x9E)}},
        DecodeCase{"GroupPeqBand5IsNoBand", kSat, Short(5, {2, 0, 5, 1, 3, 0xE8, 23, 30}), {}},
        DecodeCase{"GroupGainOnSub", kSub, Short(1, {4, 0, 99}), {S(229, 99)}},
        // Found by the decoder's fuzz target (bytes 00 01 04 01 04 00): a group gain with a non-zero
        // P2 is still the group gain, a status byte the command owns.
        DecodeCase{"GroupGainAnyOutput", kSat, Short(1, {4, 1, 4, 0}), {S(229, 4)}},
        // Acknowledged, nothing to keep.
        DecodeCase{"ApplyFirWay", kSat, Short(17, {1, 1}), {}}, DecodeCase{"StoreState", kSat, Short(27), {}},
        // Selectors and indices the device does not have.
        DecodeCase{"GainSelector2", kSat, Short(1, {2, 0, 5}), {}},
        DecodeCase{"OutputGainWay2", kSat, Short(1, {1, 2, 5}), {}},
        DecodeCase{"InputPeqBand51", kSat, Short(5, {0, 0, 51, 1, 1, 1, 1, 1}), {}},
        DecodeCase{"OutputPeqBand8", kSat, Short(5, {1, 0, 8, 1, 1, 1, 1, 1}), {}},
        DecodeCase{"InputEqBypassSection3", kSat, Short(6, {0, 3, 1}), {}},
        DecodeCase{"OutputFilterSelector2", kSat, Short(10, {1, 0, 2, 1, 1, 1}), {}},
        DecodeCase{"CompressorSection2", kSat, test::NineByteFrame(kBus, {2, 0, 1, 1, 1, 1, 1, 1, 1}), {}},
        DecodeCase{"LimiterWay2", kSat, Short(8, {2, 1, 1, 1}), {}},
        DecodeCase{"GateSelector1", kSat, Short(9, {1, 10, 138, 5}), {}},
        DecodeCase{"UnknownCode", kSat, Short(0x40, {1, 1, 1, 1, 1, 1, 1, 1}), {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Subwoofer: one output, 5 input and 8 output bands, its own offsets.
INSTANTIATE_TEST_SUITE_P(
    Subwoofer, SimDecodeTest,
    ::testing::Values(
        DecodeCase{"InputGain", kSub, Short(1, {0, 0, 140}), {L(20, 140)}},
        DecodeCase{"OutputGain", kSub, Short(1, {1, 0, 120}), {L(66, 120)}},
        DecodeCase{"OutputGainAnyOutputNumber", kSub, Short(1, {1, 3, 120}), {L(66, 120)}},
        DecodeCase{"MakeUp", kSub, Short(1, {3, 0, 100, 9}), {L(127, 100)}},
        DecodeCase{"InputDelayAnyChannel", kSub, Short(2, {0, 1, 1, 44, 5}), {L(23, 1), L(24, 44), L(25, 5)}},
        DecodeCase{"InputMute", kSub, Short(3, {0, 0, 1}), {L(21, 1)}},
        DecodeCase{"InputPolarity", kSub, Short(4, {0, 0, 1}), {L(22, 1)}},
        DecodeCase{"InputPeqBand4",
                   kSub,
                   Short(5, {0, 0, 4, 1, 2, 3, 4, 5}),
                   {L(38, 1), L(43, 2), L(48, 3), L(53, 4), L(58, 5)}},
        DecodeCase{"OutputPeqBand7",
                   kSub,
                   Short(5, {1, 0, 7, 1, 2, 3, 4, 5}),
                   {L(84, 1), L(92, 2), L(100, 3), L(108, 4), L(116, 5)}},
        DecodeCase{"InputEqBypass", kSub, Short(6, {0, 0, 1}), {L(33, 1)}},
        DecodeCase{"OutputEqBypass", kSub, Short(6, {1, 0, 1}), {L(76, 1)}},
        DecodeCase{"Compressor",
                   kSub,
                   test::NineByteFrame(kBus, {0, 0, 11, 12, 13, 14, 15, 16, 1}),
                   {L(61, 11), L(62, 12), L(60, 13), L(63, 14), L(64, 15), L(65, 16), L(59, 1)}},
        DecodeCase{"Limiter", kSub, Short(8, {0, 9, 130, 200}), {L(124, 9), L(125, 130), L(123, 200)}},
        DecodeCase{"Gate", kSub, Short(9, {0, 10, 138, 5}), {L(27, 10), L(28, 138), L(26, 5)}},
        DecodeCase{"InputCrossover", kSub, Short(10, {0, 0, 0, 1, 44, 3}), {L(31, 1), L(32, 44), L(30, 3)}},
        DecodeCase{"OutputHighPass", kSub, Short(10, {1, 0, 0, 1, 30, 2}), {L(71, 1), L(72, 30), L(70, 2)}},
        DecodeCase{"OutputLowPass", kSub, Short(10, {1, 0, 1, 1, 100, 6}), {L(74, 1), L(75, 100), L(73, 6)}},
        DecodeCase{"Input", kSub, Short(11, {0, 23, 131, 131}), {L(17, 23), L(18, 131), L(19, 131)}},
        DecodeCase{"DlfOneByte", kSub, Short(16, {0, 228, 99}), {L(29, 228)}},
        DecodeCase{"OutputLimiter", kSub, Short(19, {0, 12}), {L(126, 12)}},
        DecodeCase{"OutputDelay", kSub, Short(2, {1, 0, 0, 40, 0}), {L(68, 40)}},
        DecodeCase{"OutputDelayAllBytes", kSub, Short(2, {1, 0, 1, 2, 47}), {L(67, 1), L(68, 2), L(69, 47)}},
        DecodeCase{"OutputMuteIsBit0", kSub, Short(3, {1, 0, 1}), {L(128, 0x01)}},
        DecodeCase{"OutputPolarityIsBit0", kSub, Short(4, {1, 0, 1}), {L(129, 0x01)}},
        DecodeCase{"NoiseGenerator", kSub, Short(12, {1, 0, 30}), {S(222, 1), S(224, 30)}},
        DecodeCase{"AutoStandby", kSub, Short(20, {1, 2}), {S(227, 1), S(228, 2)}},
        DecodeCase{"PanelLock", kSub, Short(0x12, {1}), {S(219, 1)}},
        // Satellite-only parameters and indices a subwoofer does not have.
        DecodeCase{"NoOutput1Delay", kSub, Short(2, {1, 1, 1, 2, 3}), {}},
        DecodeCase{"NoOutput1Mute", kSub, Short(3, {1, 1, 1}), {}},
        DecodeCase{"NoOutput1Polarity", kSub, Short(4, {1, 1, 1}), {}},
        DecodeCase{"NoOutputCompressor", kSub, test::NineByteFrame(kBus, {1, 0, 1, 1, 1, 1, 1, 1, 1}), {}},
        DecodeCase{"NoRoomCorrection", kSub, Short(29, {77}), {}},
        DecodeCase{"NoFirEnable", kSub, Short(13, {0, 0, 1}), {}},
        DecodeCase{"NoFirOutput", kSub, Short(31, {0, 2}), {}},
        DecodeCase{"InputPeqBand5", kSub, Short(5, {0, 0, 5, 1, 1, 1, 1, 1}), {}},
        DecodeCase{"OutputPeqWay1", kSub, Short(5, {1, 1, 0, 1, 1, 1, 1, 1}), {}},
        DecodeCase{"InputEqBypassSection1", kSub, Short(6, {0, 1, 1}), {}},
        DecodeCase{"LimiterWay1", kSub, Short(8, {1, 9, 130, 200}), {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimDecodeFlagsTest, OneBitChangesAndTheOthersStay) {
    DeviceModel device = MakeDevice(kSat);
    const std::uint32_t mutes = kLiveProgramAddress + 336;
    const std::uint32_t inputBypass = kLiveProgramAddress + 34;
    device.write(mutes, Bytes{0xFF});
    device.write(inputBypass, Bytes{0x05});

    Send(device, Short(3, {1, 0, 0}));  // unmute way 0
    EXPECT_EQ(device.read(mutes, 1)[0], 0xFE);
    Send(device, Short(3, {1, 0, 1}));
    EXPECT_EQ(device.read(mutes, 1)[0], 0xFF);
    Send(device, Short(6, {0, 1, 1}));  // bypass section 1
    EXPECT_EQ(device.read(inputBypass, 1)[0], 0x07);
    Send(device, Short(6, {0, 0, 0}));
    EXPECT_EQ(device.read(inputBypass, 1)[0], 0x06);

    Send(device, Short(13, {0, 0, 1}));  // FIR on, both ways, then way 0 off
    Send(device, Short(13, {0, 1, 1}));
    Send(device, Short(13, {0, 0, 0}));
    EXPECT_EQ(device.read(kStatusFirEnabled, 1)[0], 0x02);
}

TEST(SimDecodeFlagsTest, PanelLockTakesTheFirstParameterByte) {
    DeviceModel device = MakeDevice(kSat);
    Send(device, Short(0x12, {1}));
    EXPECT_EQ(device.read(kStatusPanelLocked, 1)[0], 1);
    Send(device, Short(0x12, {0}));
    EXPECT_EQ(device.read(kStatusPanelLocked, 1)[0], 0);
}

// --- programs ---

Bytes Pattern(std::size_t length, std::uint8_t seed) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

struct ProgramCase {
    const char* name;
    std::uint8_t model;
    std::size_t length;
};
void PrintTo(const ProgramCase& c, std::ostream* out) {
    *out << c.name;
}

class SimProgramTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(SimProgramTest, StoreThenRecallRoundTrip) {
    const auto [name, model, length] = GetParam();
    DeviceModel device = MakeDevice(model);
    device.write(kStatusCurrentProgram, Bytes{0x80});  // bit 7 is not the device's to change
    const Bytes stored = Pattern(length, 3);
    Send(device, test::BlockWriteFrame(kBus, kLiveProgramAddress, stored));

    const Bytes before = Memory(device);
    Send(device, Short(25, {2}));
    constexpr std::uint32_t kSlot2 = 49536;  // 16384 x 3 + 384
    ASSERT_EQ(ProgramSlotAddress(2), kSlot2);
    std::vector<std::pair<std::uint32_t, std::uint8_t>> expected = {{16384 * 3, kSlotUsedMark},
                                                                    {kStatusCurrentProgram, 0x82}};
    for (std::size_t i = 0; i < length; ++i) {
        if (stored[i] != 0) expected.emplace_back(kSlot2 + i, stored[i]);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Diff(before, Memory(device)), expected)
        << "store writes the slot, its mark and 202, nothing else";

    Send(device, test::BlockWriteFrame(kBus, kLiveProgramAddress, Pattern(length, 200)));
    Send(device, Short(26, {5}));  // an empty slot: recall loads zeros
    EXPECT_EQ(device.read(kLiveProgramAddress, length), Bytes(length, 0));
    EXPECT_EQ(device.read(kStatusCurrentProgram, 1)[0], 0x85);

    Send(device, Short(26, {2}));
    EXPECT_EQ(device.read(kLiveProgramAddress, length), stored);
    EXPECT_EQ(device.read(kStatusCurrentProgram, 1)[0], 0x82);
    EXPECT_EQ(device.read(kSlot2, length), stored) << "recall leaves the slot as it was";
}

TEST_P(SimProgramTest, SlotsBeyondSevenAreRefused) {
    DeviceModel device = MakeDevice(GetParam().model);
    Send(device, test::BlockWriteFrame(kBus, kLiveProgramAddress, Pattern(GetParam().length, 9)));
    const Bytes before = Memory(device);
    for (std::uint8_t slot : {8, 9, 127, 255}) {
        EXPECT_EQ(Send(device, Short(25, {slot})).size(), kAckReplyLength);
        EXPECT_EQ(Send(device, Short(26, {slot})).size(), kAckReplyLength);
    }
    EXPECT_EQ(Memory(device), before);
}

TEST_P(SimProgramTest, StoreIntoTheLastSlotStaysInsideMemory) {
    DeviceModel device = MakeDevice(GetParam().model);
    const Bytes stored = Pattern(GetParam().length, 1);
    Send(device, test::BlockWriteFrame(kBus, kLiveProgramAddress, stored));
    Send(device, Short(25, {7}));
    EXPECT_EQ(device.read(ProgramSlotAddress(7), GetParam().length), stored);
    EXPECT_EQ(device.read(16384 * 8, 1)[0], kSlotUsedMark);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimProgramTest,
                         ::testing::Values(ProgramCase{"Satellite", kSat, kSatProgramLength},
                                           ProgramCase{"Subwoofer", kSub, kSubProgramLength}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- factory programs ---

struct FactoryRun {
    std::size_t offset;
    Bytes bytes;
};

void ExpectRuns(const Bytes& program, const std::vector<FactoryRun>& runs) {
    for (const FactoryRun& run : runs) {
        EXPECT_EQ(Bytes(program.begin() + static_cast<std::ptrdiff_t>(run.offset),
                        program.begin() + static_cast<std::ptrdiff_t>(run.offset + run.bytes.size())),
                  run.bytes)
            << "at offset " << run.offset;
    }
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

TEST(SimFactoryTest, SatelliteFactoryProgramIn2WayMode) {
    DeviceModel device = MakeDevice(kSat);
    Send(device, test::BlockWriteFrame(kBus, kLiveProgramAddress, Bytes(kSatProgramLength, 0xEE)));
    const Bytes statusBefore = device.read(0, kStatusLength);
    EXPECT_EQ(Send(device, Short(28)).size(), kAckReplyLength);
    const Bytes program = device.read(kLiveProgramAddress, kSatProgramLength);
    ExpectRuns(program, {
                            {0, Text("FACTORY PRESET  ")},
                            {16, {0, 17, 131, 131, 131}},
                            {26, {5, 10, 138, 100, 228, 0, 0, 20, 7}},
                            {35, Bytes(51, 0)},
                            // Band frequencies repeat 63 .. 8000 Hz: bands 0, 7, 8 and 50 (= 250 Hz).
                            {86, {0}},
                            {137, {63}},
                            {86 + 7, {0x1F}},
                            {137 + 7, {0x40}},
                            {137 + 8, {63}},
                            {86 + 50, {0}},
                            {137 + 50, {250}},
                            // Q 1.25, but 2.3 for the room bands 10 .. 40.
                            {188 + 9, {23, 44}},
                            {188 + 40, {44, 23}},
                            {239, Bytes(51, 30)},
                            {290, {3, 'F', 'F', 'L', 'L', 'A', 'A', 'T', 'T', ' ', ' '}},
                            {321, {' ', ' ', 0, 0, 1, 1, 0, 200, 31, 132, 30, 0, 0, 131, 131, 0, 0}},
                            {344, {0, 7, 0, 5, 50, 220, 7, 0, 5, 78, 220, 32, 3}},
                            {357, Bytes(80, 0)},
                            {474, {200, 200, 31, 31, 132, 132, 30, 30, 0, 0, 0, 0, 200, 200, 9, 9, 130, 130}},
                            {500, {100}},
                            {519, {0}},
                        });
    std::size_t nonZero = 0;
    for (std::uint8_t byte : program) nonZero += byte != 0;
    EXPECT_EQ(nonZero, 276u) << "every byte not in the factory table is 0";
    EXPECT_EQ(device.read(0, kStatusLength), statusBefore);
}

TEST(SimFactoryTest, SatelliteInBridgeModeKeepsTheCrossoverOff) {
    DeviceModel device = MakeDevice(kSat);
    device.write(kStatusSystemMode, Bytes{1});
    Send(device, Short(28));
    const Bytes program = device.read(kLiveProgramAddress, kSatProgramLength);
    EXPECT_EQ(program[345], 0) << "HIGH way high-pass at 1500 Hz";
    EXPECT_EQ(program[350], 0) << "LOW way low-pass at 1500 Hz";
    EXPECT_EQ(program[519], 1) << "the program remembers its system mode";
    EXPECT_EQ(FactoryProgram(false, 0)[345], 7);
}

TEST(SimFactoryTest, SubwooferFactoryProgram) {
    DeviceModel device = MakeDevice(kSub);
    Send(device, test::BlockWriteFrame(kBus, kLiveProgramAddress, Bytes(kSubProgramLength, 0xEE)));
    const Bytes slotBefore = device.read(ProgramSlotAddress(0), kSubProgramLength);
    Send(device, Short(28));
    const Bytes program = device.read(kLiveProgramAddress, kSubProgramLength);
    ExpectRuns(program, {
                            {0, Text("FACTORY PRESET  ")},
                            {16, {0, 23, 131, 131, 131}},
                            {26, {5, 10, 138, 228, 0, 0, 20, 1}},
                            {34, Bytes(25, 0)},
                            {59, {0, 200, 31, 132, 30, 0, 0, 131, 0, 0, 0}},
                            {70, {0, 0, 20, 6, 0, 100, 1}},
                            {77, Bytes(16, 0)},
                            {93, {25, 31, 40, 50, 63, 80, 100, 125}},
                            {101, {44, 44, 44, 44, 44, 44, 44, 44}},
                            {109, {30, 30, 30, 30, 30, 30, 30, 30}},
                            {117, {200, 31, 132, 30, 0, 0, 200, 9, 130, 0, 0, 0}},
                        });
    EXPECT_EQ(device.read(kLiveProgramAddress + kSubProgramLength, 1)[0], 0) << "nothing past 192 bytes";
    EXPECT_EQ(device.read(ProgramSlotAddress(0), kSubProgramLength), slotBefore);
}

// --- FIR store close ---

// Command 17 with P1 = 0 closes the store of way P2: tap count and flag into the way's close record
// and into live bytes 497..499. Anything else it carries changes nothing.
TEST(SimFirCloseTest, CloseRecordAndLiveBytes) {
    DeviceModel device = MakeDevice(kSat);
    const Bytes before = Memory(device);
    Send(device, Short(17, {0, 1, 4, 0, 1}));  // way 1, 1024 taps, closed
    EXPECT_EQ(device.read(kFirAreaAddress + kFirAreaStride + kFirCloseRecord, 3), (Bytes{4, 0, 1}));
    EXPECT_EQ(device.read(kLiveProgramAddress + kLiveFirClose, 3), (Bytes{4, 0, 1}));
    EXPECT_EQ(Diff(before, Memory(device)).size(), 4u);  // 497 and 499 changed, 498 stays 0 twice

    const Bytes after = Memory(device);
    for (const Bytes& frame : {Short(17, {0, 2, 1, 0, 1}), Short(17, {0, 0, 4, 1, 1}), Short(17, {1, 0, 1, 0, 1})})
        Send(device, frame);
    EXPECT_EQ(Memory(device), after);

    DeviceModel sub = MakeDevice(kSub);
    const Bytes subBefore = Memory(sub);
    Send(sub, Short(17, {0, 0, 1, 0, 1}));
    EXPECT_EQ(Memory(sub), subBefore);
}

// --- garbage ---

// Where parameter commands may write: the live program and the status bytes they own.
std::set<std::uint32_t> WritableBy(std::uint8_t model) {
    std::set<std::uint32_t> allowed = {kStatusPanelLocked, kStatusFirEnabled, kStatusAmpBoost,
                                       kStatusSpeakerLoad, kStatusSpeakerLoad + 1};
    for (std::uint32_t i = 0; i < 3; ++i) allowed.insert(kStatusNoiseGenerator + i);
    for (std::uint32_t i = 0; i < 4; ++i) allowed.insert(kStatusAutoSleep + i);
    for (std::uint32_t i = kStatusGroupGain; i < kStatusGroupPeq + 5u * kGroupBandCount; ++i) allowed.insert(i);
    const std::size_t length = model == kSub ? kSubProgramLength : kSatProgramLength;
    for (std::uint32_t i = 0; i < length; ++i) allowed.insert(kLiveProgramAddress + i);
    if (model == kSat)  // the close records of a FIR store (command 17 with P1 = 0)
        for (std::uint32_t way = 0; way < 2; ++way)
            for (std::uint32_t i = 0; i < 3; ++i) allowed.insert(kFirAreaAddress + kFirAreaStride * way + kFirCloseRecord + i);
    return allowed;
}

// Every code (but the block write and the program commands, whose business is memory) with the
// selector bytes swept over small values (the group block's selectors 2 and 4 included) and the rest random: nothing lands outside the bytes
// the parameter commands own, on either kind.
TEST(SimDecodeGarbageTest, NeverWritesOutsideTheLiveProgramAndItsStatusBytes) {
    std::mt19937 random(20240611);
    for (std::uint8_t model : {kSat, kSub}) {
        const std::set<std::uint32_t> allowed = WritableBy(model);
        for (int code = 0; code < 256; ++code) {
            if (code == 0x17 || code == 25 || code == 26 || code == 28) continue;
            for (int p1 = 0; p1 <= 4; ++p1) {  // 4: the group gain's selector
                for (int p2 = 0; p2 < 4; ++p2) {
                    for (int p3 : {0, 1, 2, 3, 4, 5, 7, 8, 9, 50, 51, 52, 60, 128, 255}) {
                        std::array<std::uint8_t, 9> payload{};
                        for (auto& byte : payload) byte = static_cast<std::uint8_t>(random());
                        payload[0] = static_cast<std::uint8_t>(p1);
                        payload[1] = static_cast<std::uint8_t>(p2);
                        payload[2] = static_cast<std::uint8_t>(p3);
                        for (const MemoryWrite& write :
                             DecodeParameter(model == kSub, static_cast<std::uint8_t>(code), payload)) {
                            ASSERT_TRUE(allowed.count(write.address))
                                << "code " << code << " wrote " << write.address << " on model "
                                << int(model);
                        }
                    }
                }
            }
        }
    }
}

// The same through the device, with whole random frames and random truncations.
TEST(SimDecodeGarbageTest, RandomFramesChangeOnlyOwnedBytes) {
    std::mt19937 random(7);
    for (std::uint8_t model : {kSat, kSub}) {
        const std::set<std::uint32_t> allowed = WritableBy(model);
        DeviceModel device = MakeDevice(model);
        const Bytes before = Memory(device);
        for (int i = 0; i < 20000; ++i) {
            std::uint8_t code = static_cast<std::uint8_t>(random() % 40);
            if (code == 0x17 || code == 25 || code == 26 || code == 28) code = 5;
            Bytes frame = code == 7 ? test::NineByteFrame(kBus, Bytes(9)) : Short(code);
            for (std::size_t j = 4; j + 1 < frame.size(); ++j)
                frame[j] = static_cast<std::uint8_t>(random() % 12);
            if (random() % 8 == 0) frame.resize(random() % frame.size());
            if (frame.size() < 5) continue;
            Send(device, frame);
        }
        for (const auto& [address, value] : Diff(before, Memory(device))) {
            EXPECT_TRUE(allowed.count(address)) << "address " << address << " on model " << int(model);
        }
    }
}

// --- over the wire ---

// A set followed by a block read of the live program, as the host does it, on the running
// simulator over loopback TCP.
TEST(SimDecodeOverTcpTest, SetThenReadBack) {
    Simulator simulator;
    DeviceConfig satConfig;
    satConfig.host = "127.0.0.2";
    satConfig.busId = kBus;
    DeviceConfig subConfig = satConfig;
    subConfig.host = "127.0.0.3";
    subConfig.modelCode = kSub;
    SimulatedDevice& sat = simulator.add(satConfig);
    SimulatedDevice& sub = simulator.add(subConfig);
    simulator.start();

    test::WireEnd satLink = test::Connect(sat.config().host, sat.port());
    ASSERT_TRUE(satLink.isOpen());
    ASSERT_EQ(satLink.transact(Short(5, {1, 1, 0, 4, 78, 32, 44, 60}), 5).size(), 5u);
    satLink.send({0x00});
    // The host reads the live program in pieces of 192 bytes; these bytes lie in the second and third.
    Bytes reply;
    for (std::uint32_t piece : {192u, 384u}) {
        const Bytes data =
            satLink.transact(test::BlockReadFrame(kBus, kLiveProgramAddress + piece, 192), 197);
        ASSERT_EQ(data.size(), 197u);
        satLink.send({0x00});
        reply.insert(reply.end(), data.begin() + 4, data.end() - 1);
    }
    for (auto [offset, value] :
         std::initializer_list<std::pair<int, int>>{{358, 4}, {374, 78}, {390, 32}, {406, 44}, {422, 60}}) {
        EXPECT_EQ(reply[static_cast<std::size_t>(offset - 192)], value) << "offset " << offset;
    }

    test::WireEnd subLink = test::Connect(sub.config().host, sub.port());
    ASSERT_TRUE(subLink.isOpen());
    ASSERT_EQ(subLink.transact(Short(16, {0, 77, 88}), 5).size(), 5u);
    subLink.send({0x00});
    ASSERT_EQ(subLink.transact(Short(25, {2}), 5).size(), 5u);
    subLink.send({0x00});
    reply = subLink.transact(test::BlockReadFrame(kBus, ProgramSlotAddress(2), 192), 197);
    ASSERT_EQ(reply.size(), 197u);
    EXPECT_EQ(reply[4 + 29], 77) << "the stored program carries the one-byte DLF";
    EXPECT_EQ(reply[4 + 30], 0);
    EXPECT_EQ(sub.readMemory(kStatusCurrentProgram, 1)[0], 2);
}

}  // namespace
}  // namespace plenum::sim
