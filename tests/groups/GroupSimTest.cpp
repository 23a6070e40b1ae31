// Groups end to end against three simulated loudspeakers (two satellites and a subwoofer on
// 127.0.0.2-4): creation, every group command reaching every member (frames and memory), a member
// drifted behind the application's back found and resynchronised, a declined synchronisation, a
// drifted member asked on connect with only the differing items written, and the drift view.
#include <gtest/gtest.h>

#include <functional>

#include "comm/Connection.h"
#include "core/ImageLayout.h"
#include "core/Registry.h"
#include "device/Drift.h"
#include "groups/GroupEditor.h"
#include "sat/DeviceMemory.h"
#include "sat/FirSettings.h"
#include "support/SimRig.h"

namespace plenum {
namespace {

using test::WireBytes;

// The connection's group step as an application wires it.
struct GroupHooks : comm::ConnectionHooks {
    explicit GroupHooks(comm::DeviceComm& comm) : comm(comm) {}
    bool differsFromGroup(int group, int slot) override { return DeviceDiffersFromGroup(comm.context(), group, slot); }
    void synchronizeWithGroup(int group, int slot) override {
        DirectGroupSink sink(comm);
        SyncDeviceWithGroup(comm.context(), group, slot, sink);
    }
    comm::DeviceComm& comm;
};

class GroupVenue : public test::SimRig {
protected:
    void SetUp() override {
        const std::uint8_t models[] = {8, 6, 1};
        for (int i = 0; i < 3; ++i) {
            sim::DeviceConfig config;
            config.host = "127.0.0." + std::to_string(2 + i);
            config.modelCode = models[i];
            config.uniqueId = "00AA00BB00C" + std::to_string(i);
            config.name = "Cab " + std::to_string(i);
            devices.push_back(&simulator.add(config));
        }
        // The Left's group block as another tool left it: a delay of 75 ms (beyond the group's 70).
        devices[0]->writeMemory(229, WireBytes{120, 0, 75, 5, 1});
        devices[2]->writeMemory(230, WireBytes{0, 12, 3});
        start();
        transfer = std::make_unique<DeviceSettingsTransfer>(*comm);
        hooks = std::make_unique<GroupHooks>(*comm);
        connector = std::make_unique<comm::DeviceConnector>(*comm, *transfer, prompter, hooks.get());
        for (int slot = 1; slot <= 3; ++slot) {
            DeviceRecord& r = ctx.device(slot);
            r.Present = kTrue16;
            r.Address = devices[static_cast<std::size_t>(slot - 1)]->config().host;
            r.ModelCode = models[slot - 1];
            r.LinkMode = kLinkLan;
            r.SlotIndex = static_cast<std::int16_t>(slot);
            ResetImageToDefaults(ctx, slot);
            ASSERT_EQ(connector->SendConnectDevice(slot, comm::TransferDirection::ReadFromDevice), comm::ConnectError::None);
        }
        ASSERT_TRUE(test::MirrorsDevices(ctx, simulator));
        DirectGroupSink sink(*comm);
        CreateGroup(ctx, 0, {"PA", true, 1, 2, 3}, sink);
        ASSERT_TRUE(settled());
    }

    // Every on-line device's memory equals the application's records once the last acknowledge
    // is in.
    bool settled() { return test::Eventually([&] { return bool(test::MirrorsDevices(ctx, simulator)); }); }
    std::vector<int> codes(int device) {
        std::vector<int> out;
        for (const auto& frame : requests(*devices[static_cast<std::size_t>(device)])) out.push_back(frame[3]);
        return out;
    }
    void clearLogs() {
        for (auto* d : devices) d->clearLog();
    }

    std::vector<sim::SimulatedDevice*> devices;
    std::unique_ptr<DeviceSettingsTransfer> transfer;
    std::unique_ptr<GroupHooks> hooks;
    std::unique_ptr<comm::DeviceConnector> connector;
    GroupPresets presets;
};

TEST_F(GroupVenue, CreationWritesTheLeftsValuesToEveryMember) {
    EXPECT_EQ(devices[1]->readMemory(229, 5), (WireBytes{120, 0, 70, 5, 1}));  // the delay limited to 70 ms
    EXPECT_EQ(devices[0]->readMemory(230, 3), (WireBytes{0, 70, 5}));
    EXPECT_EQ(devices[2]->readMemory(229, 4), (WireBytes{120, 0, 12, 3}));     // the Sub keeps its delay
    EXPECT_EQ(ctx.groups[0].SubDelay, (std::array<std::uint8_t, 3>{0, 12, 3}));
}

TEST_F(GroupVenue, EveryGroupCommandReachesEveryMember) {
    DirectGroupSink sink(*comm);
    GroupEditor editor(ctx, 0, presets, prompter, sink);
    struct Step {
        const char* name;
        std::function<void()> edit;
        std::vector<int> satCodes;  // the frames each satellite receives
        std::vector<int> subCodes;
    };
    const std::vector<Step> steps{
        {"mute", [&] { editor.setMute(true); }, {3}, {3}},
        {"gain", [&] { editor.setGainText("-6"); }, {1}, {1}},
        {"sat delay", [&] { editor.setDelayText(false, "12,5"); }, {2}, {}},
        {"sub delay in metres", [&] {
             editor.toggleDelayUnit();
             editor.setDelayText(true, "30");
         }, {}, {2}},
        {"band", [&] { editor.setBand(4, {.type = 2, .frequencyHz = 8000, .q = 0.7, .gainDb = 4.5}); }, {5}, {}},
        {"eq bypass", [&] { editor.setEqBypass(true); }, {6}, {}},
        {"eq on sub", [&] { editor.setEqOnSub(true); }, {}, {6, 5, 5, 5, 5, 5}},
        {"band with eq on sub", [&] { editor.toggleBandBypass(0); }, {5}, {5}},
        {"preset", [&] { editor.loadPreset(2); }, {5, 5, 5, 5, 5}, {5, 5, 5, 5, 5}},
    };
    for (const Step& step : steps) {
        clearLogs();
        step.edit();
        ASSERT_TRUE(settled()) << step.name;
        // The simulator logs a frame once it has answered it.
        test::Eventually([&] { return codes(0) == step.satCodes && codes(1) == step.satCodes && codes(2) == step.subCodes; });
        EXPECT_EQ(codes(0), step.satCodes) << step.name;
        EXPECT_EQ(codes(1), step.satCodes) << step.name;
        EXPECT_EQ(codes(2), step.subCodes) << step.name;
    }
    EXPECT_EQ(devices[0]->readMemory(384 + 21, 1), WireBytes{1});
    EXPECT_EQ(devices[2]->readMemory(230, 3), (WireBytes{0, 88, 11}));  // 30 m = 88.235 ms
    EXPECT_EQ(devices[1]->readMemory(230, 3), (WireBytes{0, 12, 24}));
    EXPECT_EQ(devices[2]->readMemory(233, 1), WireBytes{1});
    EXPECT_EQ(devices[1]->readMemory(234, 25), std::vector<std::uint8_t>(presets.curve(2).begin(), presets.curve(2).end()));
    EXPECT_EQ(devices[2]->readMemory(234, 25), devices[0]->readMemory(234, 25));
}

TEST_F(GroupVenue, ADriftedMemberIsFoundAndResynchronisedOrLeftWhenDeclined) {
    DirectGroupSink sink(*comm);
    devices[1]->writeMemory(229, WireBytes{50});  // another client changes the Right's group gain
    ASSERT_EQ(ReadStatus(*comm, 2), 0);
    clearLogs();
    prompter.answer(true);
    EXPECT_TRUE(CheckGroupSync(ctx, 0, prompter, sink));
    EXPECT_EQ(prompter.lastText(), "Device(s) on the Group PAnot synchronized.\r\n\r\nDo you want synchronize?");
    ASSERT_TRUE(settled());
    EXPECT_EQ(devices[1]->readMemory(229, 1), WireBytes{120});
    test::Eventually([&] { return codes(1).size() == 9u && codes(2).size() == 3u; });
    EXPECT_EQ(codes(1), (std::vector<int>{3, 1, 2, 6, 5, 5, 5, 5, 5}));
    EXPECT_EQ(codes(2), (std::vector<int>{3, 1, 2}));  // no equaliser on the Sub

    devices[0]->writeMemory(231, WireBytes{7});
    ASSERT_EQ(ReadStatus(*comm, 1), 0);
    clearLogs();
    prompter.answer(false);
    EXPECT_FALSE(CheckGroupSync(ctx, 0, prompter, sink));
    EXPECT_TRUE(ctx.groupState[0].SyncDeclined);
    EXPECT_FALSE(CheckGroupSync(ctx, 0, prompter, sink));
    GroupTimerTick(ctx, presets, prompter, sink);
    EXPECT_EQ(prompter.questionCount(), 2u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(codes(i).empty());
    EXPECT_EQ(devices[0]->readMemory(231, 1), WireBytes{7});
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(GroupVenue, ADriftedMemberIsAskedOnConnectAndOnlyDifferingItemsAreWritten) {
    ASSERT_TRUE(connector->disconnect(3));
    // Behind the application's back: the Sub's group gain and one of its equaliser bands. With
    // EQ on Sub off, the band is no difference.
    devices[2]->writeMemory(229, WireBytes{90});
    devices[2]->writeMemory(234 + 20 + 1, WireBytes{44});
    EXPECT_FALSE(DeviceDiffersFromGroup(ctx, 0, 3));
    clearLogs();
    prompter.clear();
    prompter.answer(true);
    ASSERT_EQ(connector->SendConnectDevice(3, comm::TransferDirection::ReadFromDevice), comm::ConnectError::None);
    EXPECT_EQ(prompter.questionCount(), 1u);
    EXPECT_EQ(prompter.entries().back().text, "Do you want to synchronize the device with the Group?");
    ASSERT_TRUE(settled());
    test::Eventually([&] { return !requests(*devices[2]).empty() && requests(*devices[2]).back()[3] == 1; });
    const auto frames = requests(*devices[2]);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back(), (WireBytes{0xF0, 0x78, 1, 1, 4, 0, 120, 0, 0, 0, 0, 0, 0xF7}));
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const WireBytes& f) { return f[3] == 1 || f[3] == 5; }), 1);
    EXPECT_EQ(devices[2]->readMemory(234 + 21, 1), WireBytes{44});

    // In sync: connecting again asks nothing.
    ASSERT_TRUE(connector->disconnect(3));
    prompter.clear();
    ASSERT_EQ(connector->SendConnectDevice(3, comm::TransferDirection::ReadFromDevice), comm::ConnectError::None);
    EXPECT_EQ(prompter.questionCount(), 0u);
}

TEST_F(GroupVenue, TheDriftViewNamesExactlyTheChangedParametersAndSyncsOnlyThem) {
    // Another client writes the Left's input gain and an output band, the Sub's noise generator.
    devices[0]->writeMemory(384 + 20, WireBytes{100});
    devices[0]->writeMemory(384 + sat::OutPeqOffset(sat::kOutPeqGain, 3, 1), WireBytes{50});
    devices[2]->writeMemory(222, WireBytes{1});
    std::vector<std::string> names;
    for (int slot = 1; slot <= 3; ++slot) {
        const auto snapshot = device::ReadSnapshot(*comm, slot);
        ASSERT_TRUE(snapshot);
        for (const auto* param : device::CompareWithSnapshot(ctx, slot, *snapshot)) names.push_back(param->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"input.gain", "peq.out.1.3", "noise"}));

    clearLogs();
    const auto left = device::ReadSnapshot(*comm, 1);
    const auto differing = device::CompareWithSnapshot(ctx, 1, *left);
    for (const LinkedSend& send : device::PrepareProjectToDevice(ctx, 1, {differing[1]})) SendPrepared(*comm, send.slot, send.command);
    test::Eventually([&] { return requests(*devices[0]).size() == 6u; });
    const auto frames = requests(*devices[0]);
    ASSERT_EQ(frames.size(), 6u);  // five 192-byte reads, one band
    EXPECT_EQ(frames[5][3], 5);
    EXPECT_EQ(frames[5][4], 1);
    for (int i = 0; i < 5; ++i) EXPECT_NE(frames[static_cast<std::size_t>(i)][3], 5);
    device::TakeFromDevice(ctx, 1, *left, {differing[0]});
    EXPECT_EQ(ctx.satImage[1][20], 100);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *devices[0]));
}

// The crossover FIR settings are compared too (satellites only): the output mode and the design
// block, which a sync writes back as one block.
TEST_F(GroupVenue, TheDriftViewCoversTheCrossoverFirSettings) {
    devices[0]->writeMemory(384 + sat::kFirMirOutput, WireBytes{2});
    devices[1]->writeMemory(384 + FirWayByte(1, 4), WireBytes{7});
    std::vector<std::string> names;
    for (int slot = 1; slot <= 3; ++slot) {
        const auto snapshot = device::ReadSnapshot(*comm, slot);
        ASSERT_TRUE(snapshot);
        for (const auto* param : device::CompareWithSnapshot(ctx, slot, *snapshot)) names.push_back(param->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"fir.output", "fir.design"}));
    EXPECT_EQ(device::FindNamedParam(DeviceKind::Sub, "fir.design"), nullptr);
    EXPECT_EQ(device::FindNamedParam(DeviceKind::Sub, "fir.output"), nullptr);

    const auto right = device::ReadSnapshot(*comm, 2);
    const auto differing = device::CompareWithSnapshot(ctx, 2, *right);
    ASSERT_EQ(differing.size(), 1u);
    for (const LinkedSend& send : device::PrepareProjectToDevice(ctx, 2, differing)) SendPrepared(*comm, send.slot, send.command);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 2, *devices[1]));
    const auto left = device::ReadSnapshot(*comm, 1);
    device::TakeFromDevice(ctx, 1, *left, device::CompareWithSnapshot(ctx, 1, *left));
    EXPECT_EQ(ctx.satImage[1][sat::kFirMirOutput], 2);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *devices[0]));
}

}  // namespace
}  // namespace plenum
