// Searching for and connecting to simulated loudspeakers over loopback: every connection error
// code, the questions, the settings transfer both ways and the search's rules.
#include "comm/Connection.h"

#include <gtest/gtest.h>

#include "comm/Discovery.h"
#include "core/FactoryPrograms.h"
#include "core/Registry.h"
#include "sat/DeviceMemory.h"
#include "support/SimRig.h"

namespace plenum::comm {
namespace {

TEST(Discovery, OctetClampingAndUniqueIdText) {
    struct Row {
        int position, typed, shown;
    } rows[] = {{1, 300, 255}, {3, 0, 1}, {0, 224, 223}, {0, 0, 1}, {2, -5, 0}, {3, 255, 254}, {1, 17, 17}};
    for (const auto& row : rows) EXPECT_EQ(ClampOctet(row.position, row.typed), row.shown);
    const std::array<std::uint8_t, 6> id{0x0A, 0xFF, 0x00, 0x9C, 0x41, 0x07};
    EXPECT_EQ(UniqueIdText(id), "0AFF009C4107");
}

class Connect : public test::SimRig {
protected:
    sim::SimulatedDevice& device(const std::string& host, std::uint8_t model, std::array<std::uint8_t, 3> firmware = {0, 3, 4},
                                 std::uint8_t variant = 0) {
        sim::DeviceConfig config;
        config.host = host;
        config.modelCode = model;
        config.firmware = firmware;
        config.variant = variant;
        config.uniqueId = "0AFF009C41" + std::to_string(10 + simulator.size());
        config.name = "Stage " + std::to_string(simulator.size());
        return simulator.add(config);
    }
    void list(int slot, const std::string& address, std::uint8_t model, std::int16_t linkMode = kLinkLan) {
        DeviceRecord& r = ctx.device(slot);
        r.Present = kTrue16;
        r.Address = address;
        r.ModelCode = model;
        r.LinkMode = linkMode;
        r.SlotIndex = static_cast<std::int16_t>(slot);
        ResetImageToDefaults(ctx, slot);
    }
    void begin() {
        start();
        transfer = std::make_unique<DeviceSettingsTransfer>(*comm);
        connector = std::make_unique<DeviceConnector>(*comm, *transfer, prompter);
    }
    std::unique_ptr<DeviceSettingsTransfer> transfer;
    std::unique_ptr<DeviceConnector> connector;
};

TEST_F(Connect, LoadPutsTheImageIntoTheDeviceAndLearnsItsIdentity) {
    auto& sat = device("127.0.0.2", 8);
    begin();
    list(1, "127.0.0.2", 8);
    ctx.satImage[1][20] = 99;
    EXPECT_EQ(connector->SendConnectDevice(1, TransferDirection::LoadToDevice), ConnectError::None);
    EXPECT_TRUE(ctx.device(1).isConnected());
    EXPECT_EQ(ctx.device(1).UniqueId, "0AFF009C4110");
    EXPECT_EQ(ctx.device(1).DeviceName, "Stage 0");
    EXPECT_EQ(sat.readMemory(384 + 20, 1), test::WireBytes{99});
    EXPECT_EQ(connector->firmwareVersion(1), 34);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    EXPECT_TRUE(connector->fwFeatureFlag(1) == false);  // model 8 needs 38
    EXPECT_EQ(prompter.entries().size(), 0u);            // an empty stored ID asks nothing
}

TEST_F(Connect, ReadTakesTheDevicesState) {
    auto& sub = device("127.0.0.3", 1);
    begin();
    list(2, "127.0.0.3", 1);
    sub.writeMemory(384 + 66, test::WireBytes{42});
    EXPECT_EQ(connector->SendConnectDevice(2, TransferDirection::ReadFromDevice), ConnectError::None);
    EXPECT_EQ(ctx.subImage[2][66], 42);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 2, sub));
}

// A device that drops off in the middle of "Read current settings from Device": the status
// read's second piece and everything after it get no reply. Nothing read so far may reach the
// records, and the later pieces, which the off-line device no longer receives, must not copy
// older replies into the image (a stale status piece once became slot 2's program, passwords
// included).
TEST_F(Connect, ReadThatLosesTheDeviceChangesNothing) {
    auto& sat = device("127.0.0.2", 8);
    begin();
    list(1, "127.0.0.2", 8);
    sat.writeMemory(203, test::WireBytes{'S', 'E', 'C', 'R', 'E', 'T'});
    const DeviceStatusRecord statusBefore = ctx.satStatus[1];
    const SatParamImage imageBefore = ctx.satImage[1];
    // identify, firmware version, model-8 variant and the first status piece go through.
    sat.setFault(sim::Fault::CloseConnection, -1, 4);
    EXPECT_EQ(connector->connectOne(1, TransferDirection::ReadFromDevice), std::vector<int>{});
    EXPECT_EQ(prompter.lastText(), "Device not found");
    EXPECT_FALSE(ctx.device(1).isConnected());
    EXPECT_EQ(ctx.satStatus[1], statusBefore);
    EXPECT_EQ(ctx.satImage[1], imageBefore);
}

// The read-back after "Load current settings to Device" fails on the wire: that is a lost device,
// not settings that did not stick.
TEST_F(Connect, ReadBackLostIsNotASettingsMismatch) {
    auto& sat = device("127.0.0.2", 8);
    begin();
    list(1, "127.0.0.2", 8);
    // identify, variant, firmware and the three image pieces written go through.
    sat.setFault(sim::Fault::CloseConnection, -1, 6);
    EXPECT_EQ(connector->connectOne(1, TransferDirection::LoadToDevice), std::vector<int>{});
    EXPECT_EQ(prompter.lastText(), "Device not found");
    EXPECT_FALSE(ctx.device(1).isConnected());
}

// The port a scan found is kept in init.cfg, so that the next run reaches the USB device (a
// command, a firmware update) without scanning again.
TEST_F(Connect, UsbPortIsKeptForTheNextRun) {
    sim::DeviceConfig config;
    config.host = "127.0.0.3";
    config.modelCode = 8;
    config.ptyPath = (dir.path() / "ttySIM2").string();  // serial port 3
    auto& usb = simulator.add(config);
    begin();
    ctx.dataDir = dir.path();
    list(1, "USB", 8, kLinkUsb);
    ASSERT_EQ(connector->SendConnectDevice(1, TransferDirection::ReadFromDevice), ConnectError::None);
    EXPECT_EQ(ctx.UsbComPort, 3);
    EXPECT_EQ(LoadInitCfg(AppPaths(dir.path())).usbComPort(), 3);

    // The next run: the port comes from init.cfg and the device answers at once.
    AppContext next;
    next.UsbComPort = LoadInitCfg(AppPaths(dir.path())).usbComPort();
    next.device(1) = ctx.device(1);
    comm->closeLink(1);
    DeviceComm again(next, network, serial, prompter, sleeper, comm->links(), test::FastTimeouts());
    usb.clearLog();
    EXPECT_EQ(again.SendCommand(1, CommandCode::MeterPoll), 0);
    EXPECT_TRUE(again.replyReceived());
    EXPECT_EQ(usb.receivedCodes(), std::vector<std::uint8_t>{24});
}

TEST_F(Connect, ErrorCodes) {
    device("127.0.0.2", 8);
    device("127.0.0.4", 0, {0, 3, 3});
    begin();
    // 10: another on-line device with the same address and another model.
    list(1, "127.0.0.2", 8);
    list(5, "127.0.0.2", 6);
    ctx.device(5).Connected = kTrue16;
    EXPECT_EQ(connector->SendConnectDevice(1, TransferDirection::ReadFromDevice), ConnectError::IpAlreadyUsed);
    ctx.device(5).Connected = kFalse16;
    // 4: the device reports another model.
    list(2, "127.0.0.2", 6);
    EXPECT_EQ(connector->SendConnectDevice(2, TransferDirection::ReadFromDevice), ConnectError::Mismatch);
    EXPECT_FALSE(ctx.device(2).isConnected());
    EXPECT_FALSE(network.TcpIsConnected(2));
    // 3: nothing listens there.
    list(3, "127.0.0.9", 8);
    EXPECT_EQ(connector->SendConnectDevice(3, TransferDirection::ReadFromDevice), ConnectError::NetworkFailed);
    // 5: firmware 0.3.3 is refused with its message.
    list(4, "127.0.0.4", 0);
    EXPECT_EQ(connector->SendConnectDevice(4, TransferDirection::ReadFromDevice), ConnectError::Declined);
    EXPECT_EQ(prompter.lastText(), "An old firmware version has been detected.\r\nPlease update the firmware with version >= v0.3.4");
    EXPECT_EQ(connector->firmwareVersion(4), 33);
    // 1: another USB device is on-line; 2: no serial port answers (the pattern finds nothing).
    list(6, "USB", 8, kLinkUsb);
    list(7, "USB", 0, kLinkUsb);
    ctx.device(7).Connected = kTrue16;
    EXPECT_EQ(connector->SendConnectDevice(6, TransferDirection::ReadFromDevice), ConnectError::UsbAlreadyUsed);
    ctx.device(7).Connected = kFalse16;
    EXPECT_EQ(connector->SendConnectDevice(6, TransferDirection::ReadFromDevice), ConnectError::NoSerialPort);
    EXPECT_FALSE(ctx.device(6).isConnected());
}

TEST_F(Connect, IdentifyWithoutMarkerIsAMismatch) {
    auto& sat = device("127.0.0.2", 8);
    begin();
    list(1, "127.0.0.2", 8);
    sat.setFault(sim::Fault::BadIdentify, 1);
    EXPECT_EQ(connector->SendConnectDevice(1, TransferDirection::ReadFromDevice), ConnectError::Mismatch);
}

TEST_F(Connect, SettingsThatDoNotStickFailWithEleven) {
    auto& sat = device("127.0.0.2", 8);
    begin();
    // A transfer whose device changes the program behind the application's back.
    struct Tampering : SettingsTransfer {
        Tampering(SettingsTransfer& inner, sim::SimulatedDevice& device) : inner(inner), device(device) {}
        std::int16_t loadToDevice(int slot) override {
            const auto result = inner.loadToDevice(slot);
            device.writeMemory(384 + 100, test::WireBytes{0xEE});
            return result;
        }
        std::int16_t readFromDevice(int slot) override { return inner.readFromDevice(slot); }
        ReadBack compareWithDevice(int slot) override { return inner.compareWithDevice(slot); }
        SettingsTransfer& inner;
        sim::SimulatedDevice& device;
    } tampering(*transfer, sat);
    DeviceConnector connector2(*comm, tampering, prompter);
    list(1, "127.0.0.2", 8);
    EXPECT_EQ(connector2.connectOne(1, TransferDirection::LoadToDevice), std::vector<int>{});
    EXPECT_EQ(prompter.entries().back().title, "Can't Connect");
    EXPECT_EQ(prompter.lastText(), "Current settings mismatch with the device settings");
    EXPECT_FALSE(ctx.device(1).isConnected());
}

TEST_F(Connect, QuestionsAboutIdentityAndModelVariant) {
    device("127.0.0.2", 8, {0, 3, 8}, 3);
    begin();
    list(1, "127.0.0.2", 8);
    ctx.device(1).UniqueId = "000000000001";
    EXPECT_EQ(connector->SendConnectDevice(1, TransferDirection::ReadFromDevice), ConnectError::Mismatch);  // variant 0 vs 3
    ctx.HiddenConvertMode = true;
    prompter.answer(true);   // convert RX 9T to RX LOW 11T
    prompter.answer(false);  // different unique ID: stop
    EXPECT_EQ(connector->SendConnectDevice(1, TransferDirection::ReadFromDevice), ConnectError::Declined);
    const auto& questions = prompter.entries();
    ASSERT_GE(questions.size(), 2u);
    EXPECT_EQ(questions[questions.size() - 2].text,
              "Device mismatch:\r\nthe plate connected is the RX LOW 11T.\r\nthe software device selected is the RX 9T.\r\n"
              "do you want to convert the RX 9T to a RX LOW 11T?");
    EXPECT_EQ(questions.back().text, "Found device with different Unique ID, do you want to continue?");
    EXPECT_EQ(ctx.satStatus[1][status::kHwVariant], 3);
    prompter.answer(true);
    EXPECT_EQ(connector->SendConnectDevice(1, TransferDirection::ReadFromDevice), ConnectError::None);
    EXPECT_TRUE(connector->fwFeatureFlag(1));  // model 8 at version 38
}

TEST_F(Connect, ConnectAllAndDisconnect) {
    auto& a = device("127.0.0.2", 8);
    device("127.0.0.3", 1);
    begin();
    list(1, "127.0.0.2", 8);
    list(2, "127.0.0.3", 1);
    list(3, "127.0.0.9", 0);  // not there: stays off-line, no message
    EXPECT_EQ(connector->connectAll(TransferDirection::ReadFromDevice), (std::vector<int>{1, 2}));
    EXPECT_EQ(prompter.entries().size(), 0u);
    a.clearLog();
    prompter.answer(true);
    EXPECT_TRUE(connector->disconnect(1));
    EXPECT_EQ(prompter.lastText(), "Disconnect Device: Stage 0\r\nare you sure?");
    EXPECT_FALSE(ctx.device(1).isConnected());
    ASSERT_EQ(ctx.removedConnected.size(), 1u);
    EXPECT_EQ(ctx.removedConnected[0].first, "0AFF009C4110");
    ASSERT_TRUE(test::Eventually([&] { return !requests(a).empty(); }));
    EXPECT_EQ(requests(a)[0][3], 15);
    // Connect-all with nothing left that answers.
    ctx.device(2).Connected = kFalse16;
    network.TcpClose(2);
    ctx.device(2).Address = "127.0.0.10";
    ctx.device(1).Address = "127.0.0.11";
    EXPECT_TRUE(connector->connectAll(TransferDirection::ReadFromDevice).empty());
    EXPECT_EQ(prompter.lastText(), "Device(s) not found");
}

TEST_F(Connect, GroupMemberIsOfferedSynchronisation) {
    device("127.0.0.2", 8);
    begin();
    list(1, "127.0.0.2", 8);
    ctx.groups[3].InUse = kTrue16;
    ctx.groups[3].Member[1] = kTrue16;
    struct Hooks : ConnectionHooks {
        void synchronizeWithGroup(int group, int slot) override { synced.push_back({group, slot}); }
        std::vector<std::pair<int, int>> synced;
    } hooks;
    DeviceConnector connector2(*comm, *transfer, prompter, &hooks);
    prompter.answer(true);
    EXPECT_EQ(connector2.SendConnectDevice(1, TransferDirection::ReadFromDevice), ConnectError::None);
    EXPECT_EQ(prompter.lastText(), "Do you want to synchronize the device with the Group?");
    EXPECT_EQ(hooks.synced, (std::vector<std::pair<int, int>>{{3, 1}}));
}

class Search : public test::SimRig {};

TEST_F(Search, FindsEveryAnsweringDeviceAndSkipsBadIdentify) {
    addDevice("127.0.0.2", 8);
    addDevice("127.0.0.3", 1);
    auto& bad = addDevice("127.0.0.4", 0);
    start();
    bad.setFault(sim::Fault::BadIdentify);
    AsioNetworkTransport searchNetwork(kSearchNetworkSlots);
    DeviceSearch search(ctx, AppPaths(dir.path()), searchNetwork, prompter, simulator.commonPort(), test::FastTimeouts());
    ASSERT_TRUE(search.open());
    search.from = {127, 0, 0, 1};
    search.toLastOctet = 6;
    std::vector<std::string> status;
    EXPECT_EQ(search.run([&](const std::string& s) { status.push_back(s); }), 2);
    EXPECT_EQ(status.front(), "Searching Device, please wait.....");
    EXPECT_EQ(status[1], "Searching IP:127.0.0.2");
    EXPECT_EQ(ctx.foundTable[0].Address, "127.0.0.2");
    EXPECT_EQ(ctx.foundTable[0].ModelCode, 8);
    EXPECT_EQ(ctx.foundTable[0].LinkMode, kLinkLan);
    EXPECT_EQ(ctx.foundTable[1].ModelCode, 1);
    EXPECT_FALSE(ctx.foundTable[2].isPresent());
    EXPECT_EQ(LoadInitCfg(AppPaths(dir.path())).toOctet(3), 6);
    EXPECT_EQ(MergeFoundDevices(ctx, prompter), (std::vector<int>{1, 2}));

    // Everything in range is listed now (and the bad one answers nothing useful): a second search
    // probes only the rest and adds nothing.
    ASSERT_TRUE(search.open());
    search.from = {127, 0, 0, 2};
    search.toLastOctet = 3;
    EXPECT_TRUE(search.addressList().empty());
    EXPECT_EQ(search.run(), 0);
    EXPECT_TRUE(MergeFoundDevices(ctx, prompter).empty());
    EXPECT_EQ(prompter.lastText(), "No new Device(s) found");
}

}  // namespace
}  // namespace plenum::comm
