// Reading and writing device state, and the link fan-out, against simulated loudspeakers.
#include "sat/DeviceMemory.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/FactoryPrograms.h"
#include "sat/FirDefaults.h"
#include "sat/FirSettings.h"
#include "sat/ParamEditor.h"
#include "sat/ParamSender.h"
#include "support/SimRig.h"

namespace plenum {
namespace {

using test::WireBytes;

// Address and length of a block request frame (code 22 or 23).
struct BlockRequest {
    std::uint8_t code;
    std::uint32_t address;
    int length;
    bool operator==(const BlockRequest&) const = default;
};

std::vector<BlockRequest> BlockRequests(const std::vector<WireBytes>& frames) {
    std::vector<BlockRequest> out;
    for (const auto& f : frames)
        if (f[3] == 22 || f[3] == 23)
            out.push_back({f[3], static_cast<std::uint32_t>(f[4] << 16 | f[5] << 8 | f[6]), f[7] * 256 + f[8]});
    return out;
}

class DeviceMemory : public test::SimRig {};

TEST_F(DeviceMemory, SatImageReadsThreePiecesAndFillsFirDefaults) {
    auto& device = addDevice("127.0.0.2", 8);
    start();
    bringOnline(1, device);
    SatParamImage deviceImage = SatFactoryImage(0);
    deviceImage[575] = 0x5A;
    // Way 0 holds real FIR parameters, way 1 is empty.
    for (int i = 0; i < 7; ++i) deviceImage[503 + 2 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(10 + i);
    device.writeMemory(384, deviceImage.bytes);
    ASSERT_EQ(ReadImage(*comm, 1), 0);
    ASSERT_TRUE(test::Eventually([&] { return BlockRequests(requests(device)).size() == 4; }));
    EXPECT_EQ(BlockRequests(requests(device)),
              (std::vector<BlockRequest>{{22, 384, 192}, {22, 576, 192}, {22, 768, 192}, {23, 887, 14}}));
    EXPECT_EQ(ctx.satImage[1][575], 0x5A);
    EXPECT_EQ(ctx.satImage[1][503], 10);  // way 0 kept
    EXPECT_EQ(ctx.satImage[1][504], 4);   // way 1 defaulted
    const auto written = device.readMemory(384 + 503, 14);
    EXPECT_EQ(written, (WireBytes{10, 4, 11, 78, 12, 32, 13, 0, 14, 250, 15, 59, 16, 1}));
}

TEST_F(DeviceMemory, SatImageWithFirParametersWritesNothing) {
    auto& device = addDevice("127.0.0.2", 8);
    start();
    bringOnline(1, device);
    SatParamImage deviceImage = SatFactoryImage(0);
    for (std::size_t i = 503; i <= 516; ++i) deviceImage[i] = 9;
    device.writeMemory(384, deviceImage.bytes);
    ASSERT_EQ(ReadImage(*comm, 1), 0);
    EXPECT_EQ(ctx.satImage[1], deviceImage);
    ASSERT_TRUE(test::Eventually([&] { return BlockRequests(requests(device)).size() == 3; }));
    EXPECT_EQ(BlockRequests(requests(device)).back().code, 22);
}

// A HIGH-way FIR high-pass at a multiple of 256 Hz used to read back as an empty way, so the next
// read replaced the way's settings with the defaults and wrote them to the device.
TEST_F(DeviceMemory, FirHighPassAt1024HzSurvivesReadBack) {
    auto& device = addDevice("127.0.0.2", 8);
    start();
    bringOnline(1, device);
    ctx.satImage[1] = SatFactoryImage(0);
    device.writeMemory(384, ctx.satImage[1].bytes);
    ParamEditor editor(ctx, 1);
    const EditResult result = editor.firWay(1, {.window = 7, .highPassHz = 1024, .taps = 320});
    ASSERT_TRUE(result.ok());
    for (const EditTarget& target : result.sends) ASSERT_EQ(SendParam(*comm, 1, target.family, target.address), 0);
    const FirWaySettings stored = ReadFirWay(ctx.satImage[1], 1);
    ASSERT_EQ(ReadImage(*comm, 1), 0);
    const FirWaySettings read = ReadFirWay(ctx.satImage[1], 1);
    EXPECT_EQ(read, stored);
    EXPECT_EQ(read.window, 7);
    EXPECT_EQ(read.highPassHz, 1025);
    EXPECT_EQ(read.taps, 320);
    const auto design = PackFirDesign(ctx.satImage[1]);
    EXPECT_EQ(device.readMemory(384 + 503, 14), WireBytes(design.begin(), design.end()));
}

TEST_F(DeviceMemory, SubImageIsOneReadAndStatusTwo) {
    auto& device = addDevice("127.0.0.3", 1);
    start();
    bringOnline(2, device);
    const SubParamImage deviceImage = SubFactoryImage();
    device.writeMemory(384, deviceImage.bytes);
    ASSERT_EQ(ReadImage(*comm, 2), 0);
    ASSERT_EQ(ReadStatus(*comm, 2), 0);
    EXPECT_EQ(ctx.subImage[2], deviceImage);
    EXPECT_EQ(WireBytes(ctx.subStatus[2].bytes.begin(), ctx.subStatus[2].bytes.end()), device.readMemory(0, 384));
    ASSERT_TRUE(test::Eventually([&] { return BlockRequests(requests(device)).size() == 3; }));
    EXPECT_EQ(BlockRequests(requests(device)),
              (std::vector<BlockRequest>{{22, 384, 192}, {22, 0, 192}, {22, 192, 192}}));
}

TEST_F(DeviceMemory, WritesLandWhereTheMapSays) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    ctx.satImage[1] = SatFactoryImage(0);
    ctx.satImage[1][0] = 'Z';
    ASSERT_EQ(WriteImageToSlot(*comm, 1, 2), 0);
    EXPECT_EQ(device.readMemory(49536, 576), WireBytes(ctx.satImage[1].bytes.begin(), ctx.satImage[1].bytes.end()));
    ctx.satStatus[1][300] = 0x42;
    ASSERT_EQ(WriteStatus(*comm, 1), 0);
    EXPECT_EQ(device.readMemory(300, 1), WireBytes{0x42});
    ASSERT_EQ(WriteImage(*comm, 1), 0);
    EXPECT_EQ(device.readMemory(384, 1), WireBytes{'Z'});
    ASSERT_TRUE(test::Eventually([&] { return BlockRequests(requests(device)).size() == 3 + 2 + 3; }));
    EXPECT_EQ(BlockRequests(requests(device))[0], (BlockRequest{23, 49536, 192}));
    EXPECT_EQ(BlockRequests(requests(device))[4], (BlockRequest{23, 192, 192}));
}

TEST_F(DeviceMemory, FailedImageReadLeavesTheImage) {
    auto& device = addDevice("127.0.0.2", 0);
    start();
    bringOnline(1, device);
    ctx.satImage[1] = SatFactoryImage(0);
    device.setFault(sim::Fault::CloseConnection);
    device.writeMemory(384, WireBytes(576, 0x11));
    EXPECT_EQ(ReadImage(*comm, 1), -1);
    EXPECT_EQ(ctx.satImage[1], SatFactoryImage(0));
    EXPECT_FALSE(ctx.device(1).isConnected());
}

class LinkFanOut : public test::SimRig {
protected:
    void SetUp() override {
        for (int i = 0; i < 4; ++i) devices.push_back(&addDevice("127.0.0." + std::to_string(2 + i), i == 3 ? 1 : 8));
        start();
        for (int i = 0; i < 4; ++i) bringOnline(i + 1, *devices[static_cast<std::size_t>(i)]);
        for (int slot = 1; slot <= 3; ++slot) ctx.satImage[static_cast<std::size_t>(slot)] = SatFactoryImage(0);
    }
    int peqFramesAt(int index) {
        int count = 0;
        for (const auto& f : requests(*devices[static_cast<std::size_t>(index)])) count += f[3] == 5;
        return count;
    }
    std::vector<sim::SimulatedDevice*> devices;
};

TEST_F(LinkFanOut, OncePerSharedBitSameModelNeverASub) {
    ctx.satStatus[1][status::kLinkMask] = 0b011;  // source
    ctx.satStatus[2][status::kLinkMask] = 0b011;  // shares two bits: twice
    ctx.satStatus[3][status::kLinkMask] = 0b100;  // shares none
    ctx.subStatus[4][status::kLinkMask] = 0b111;  // a subwoofer: never
    EXPECT_EQ(LinkTargets(ctx, 1), (std::vector<int>{2, 2}));
    ctx.satImage[1][358] = 9;  // output band 0 of way 1
    SendParam(*comm, 1, ParamFamily::OutputPeqBand, {1, 0, 0, 0});
    SendParamToLinked(*comm, 1, ParamFamily::OutputPeqBand, {1, 0, 0, 0});
    EXPECT_EQ(ctx.satImage[2][358], 9);
    EXPECT_EQ(ctx.satImage[3][358], 0);
    ASSERT_TRUE(test::Eventually([&] { return peqFramesAt(1) == 2; }));
    EXPECT_EQ(peqFramesAt(0), 1);
    EXPECT_EQ(peqFramesAt(2), 0);
    EXPECT_EQ(peqFramesAt(3), 0);
    const WireBytes frame = requests(*devices[1]).back();
    EXPECT_EQ((WireBytes{frame[4], frame[5], frame[6], frame[7]}), (WireBytes{1, 1, 0, 9}));
}

TEST_F(LinkFanOut, SlotZeroSourceReachesListedDevicesAndRefreshesOpenWindows) {
    struct Windows : EditWindowRefresher {
        explicit Windows(AppContext& c) : ctx(c) {}
        void refreshFromImage(int slot) override { seen.push_back({slot, ctx.flags.GuiUpdating != 0}); }
        AppContext& ctx;
        std::vector<std::pair<int, bool>> seen;
    } windows(ctx);
    ctx.device(0).ModelCode = 8;
    ctx.satStatus[0][status::kLinkMask] = 0b001;
    ctx.satStatus[3][status::kLinkMask] = 0b001;
    ctx.device(3).EditOpen = kTrue16;
    ctx.satImage[0][27] = 7;
    SendParamToLinked(*comm, 0, ParamFamily::Gate, {}, &windows);
    EXPECT_EQ(LinkTargets(ctx, 0), std::vector<int>{3});
    EXPECT_EQ(ctx.satImage[3][27], 7);
    EXPECT_EQ(windows.seen, (std::vector<std::pair<int, bool>>{{3, true}}));
    EXPECT_EQ(ctx.flags.GuiUpdating, 0);
    EXPECT_EQ(comm->LastTxResult, 0);
}

// Bytes shared by several instances of a family (a bit per way or per input section): the fan-out
// sends one instance's bit, so it may copy only that bit. Two linked satellites start with
// different other bits; after the edit and the fan-out each image still equals its device.
struct SharedByteEdit {
    std::string name;
    int offset;
    std::uint8_t sourceByte;
    std::uint8_t targetByte;
    std::uint8_t targetAfter;
    std::function<EditResult(ParamEditor&)> apply;
};

void PrintTo(const SharedByteEdit& edit, std::ostream* out) { *out << edit.name; }

class LinkFanOutSharedBytes : public test::SimRig, public ::testing::WithParamInterface<SharedByteEdit> {};

TEST_P(LinkFanOutSharedBytes, EachLinkedImageEqualsItsDevice) {
    const SharedByteEdit& edit = GetParam();
    std::vector<sim::SimulatedDevice*> devices{&addDevice("127.0.0.2", 8), &addDevice("127.0.0.3", 8)};
    start();
    for (int slot = 1; slot <= 2; ++slot) {
        auto& device = *devices[static_cast<std::size_t>(slot - 1)];
        bringOnline(slot, device);
        ctx.satImage[static_cast<std::size_t>(slot)] = SatFactoryImage(0);
        ctx.satImage[static_cast<std::size_t>(slot)][static_cast<std::size_t>(edit.offset)] =
            slot == 1 ? edit.sourceByte : edit.targetByte;
        ctx.satStatus[static_cast<std::size_t>(slot)][status::kLinkMask] = 0b001;
        device.writeMemory(0, ctx.satStatus[static_cast<std::size_t>(slot)].bytes);
        device.writeMemory(384, ctx.satImage[static_cast<std::size_t>(slot)].bytes);
    }
    ParamEditor editor(ctx, 1);
    const EditResult result = edit.apply(editor);
    ASSERT_TRUE(result.ok());
    for (const EditTarget& target : result.sends) {
        ASSERT_EQ(SendParam(*comm, 1, target.family, target.address), 0);
        SendParamToLinked(*comm, 1, target.family, target.address);
    }
    EXPECT_EQ(ctx.satImage[2][static_cast<std::size_t>(edit.offset)], edit.targetAfter);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

// The FIR enables of both ways share status byte 380; enabling way 1 on the source sends only way
// 1's bit to a linked satellite, so the target keeps its own way 0 bit in the app as on the device.
TEST_F(DeviceMemory, LinkedFirEnableCopiesOnlyItsWayBit) {
    std::vector<sim::SimulatedDevice*> devices{&addDevice("127.0.0.2", 8), &addDevice("127.0.0.3", 8)};
    start();
    for (int slot = 1; slot <= 2; ++slot) {
        auto& device = *devices[static_cast<std::size_t>(slot - 1)];
        bringOnline(slot, device);
        ctx.satImage[static_cast<std::size_t>(slot)] = SatFactoryImage(0);
        ctx.satStatus[static_cast<std::size_t>(slot)][status::kLinkMask] = 0b001;
        ctx.satStatus[static_cast<std::size_t>(slot)][status::kFirEnabled] = slot == 1 ? 0x00 : 0x01;
        device.writeMemory(0, ctx.satStatus[static_cast<std::size_t>(slot)].bytes);
        device.writeMemory(384, ctx.satImage[static_cast<std::size_t>(slot)].bytes);
    }
    ParamEditor editor(ctx, 1);
    const EditResult result = editor.firEnable(1, true);
    ASSERT_TRUE(result.ok());
    for (const EditTarget& target : result.sends) {
        ASSERT_EQ(SendParam(*comm, 1, target.family, target.address), 0);
        SendParamToLinked(*comm, 1, target.family, target.address);
    }
    EXPECT_EQ(ctx.satStatus[1][status::kFirEnabled], 0x02);
    EXPECT_EQ(ctx.satStatus[2][status::kFirEnabled], 0x03);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

INSTANTIATE_TEST_SUITE_P(
    Bits, LinkFanOutSharedBytes,
    ::testing::Values(
        SharedByteEdit{"OutputMuteWay1", 336, 0x00, 0x81, 0x83, [](ParamEditor& e) { return e.outputMute(1, true); }},
        SharedByteEdit{"OutputPolarityWay0", 337, 0x02, 0x40, 0x41,
                       [](ParamEditor& e) { return e.outputPolarity(0, true); }},
        SharedByteEdit{"OutputEqBypassWay1", 356, 0x03, 0x02, 0x00,
                       [](ParamEditor& e) { return e.outputEqBypass(1, false); }},
        SharedByteEdit{"InputEqBypassSection1", 34, 0x07, 0x00, 0x00,
                       [](ParamEditor& e) { return e.inputEqBypass(1, false); }},
        SharedByteEdit{"InputEqBypassSection2", 34, 0x00, 0x03, 0x07,
                       [](ParamEditor& e) { return e.inputEqBypass(2, true); }}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace plenum
