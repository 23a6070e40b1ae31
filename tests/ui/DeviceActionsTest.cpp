// The edit-window limit and the exit sequence against a simulated loudspeaker over loopback,
// without any window.
#include <gtest/gtest.h>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/Connection.h"
#include "core/Registry.h"
#include "sim/Simulator.h"
#include "store/ProjectFile.h"
#include "sat/DeviceMemory.h"
#include "support/TempDir.h"
#include "ui/logic/DeviceActions.h"

namespace plenum::ui {
namespace {

class DeviceActionsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    AppContext ctx;
    ScriptedPrompter prompter;
    sim::Simulator simulator;
    comm::AsioNetworkTransport network{comm::kMainNetworkSlots};
    comm::AsioSerialTransport serial;
    comm::SteadySleeper sleeper;
    std::unique_ptr<comm::DeviceComm> comm;

    sim::SimulatedDevice& start(std::uint8_t model, const std::string& name = "DELAY TOWER") {
        sim::DeviceConfig config;
        config.host = "127.0.0.5";
        config.modelCode = model;
        config.name = name;
        config.uniqueId = "0AFF009C4107";
        config.hwFamily = 3;
        sim::SimulatedDevice& device = simulator.add(config);
        simulator.start();
        comm::CommTimeouts fast;
        fast.read = comm::Millis{300};
        fast.reconnect = comm::Millis{200};
        fast.reconnectPause = comm::Millis{1};
        comm = std::make_unique<comm::DeviceComm>(ctx, network, serial, prompter, sleeper,
                                                  comm::LinkSettings{simulator.commonPort(), "/nonexistent/tty%d"}, fast);
        return device;
    }

    void list(int slot, std::uint8_t model, const std::string& address = "127.0.0.5") {
        DeviceRecord& record = ctx.device(slot);
        record.Present = kTrue16;
        record.SlotIndex = static_cast<std::int16_t>(slot);
        record.LinkMode = kLinkLan;
        record.Address = address;
        record.ModelCode = model;
        record.DeviceName = "RX 5T";
    }
};

TEST_F(DeviceActionsTest, TheEditWindowLimitCountsOnlyOpenWindows) {
    start(6);
    for (int slot = 1; slot <= 6; ++slot) list(slot, 6);
    for (int slot = 1; slot <= 5; ++slot) EXPECT_EQ(OpenEditWindow(ctx, slot, slot), EditWindowResult::Opened);
    EXPECT_EQ(OpenEditWindow(ctx, 2, 2), EditWindowResult::AlreadyOpen);
    EXPECT_EQ(OpenEditWindow(ctx, 6, 6), EditWindowResult::TooMany);
    CloseEditWindow(ctx, 1);
    EXPECT_EQ(ctx.device(1).EditWindow, kNoTile);
    EXPECT_EQ(OpenEditWindow(ctx, 6, 6), EditWindowResult::Opened);
}

TEST_F(DeviceActionsTest, ExitSequenceSavesTheSessionAndRestoredDevicesComeBackOffline) {
    start(6);
    list(1, 6);
    DeviceSettingsTransfer transfer(*comm);
    comm::DeviceConnector connector(*comm, transfer, prompter);
    ASSERT_EQ(connector.SendConnectDevice(1, comm::TransferDirection::ReadFromDevice), comm::ConnectError::None);
    const AppPaths paths(dir.path());
    EXPECT_FALSE(RunExitSequence(ctx, *comm, paths));
    EXPECT_FALSE(network.TcpIsConnected(1));

    AppContext restored;
    ASSERT_TRUE(LoadSessionProject(restored, paths).restored());
    MarkRestoredDevicesOffline(restored);
    EXPECT_TRUE(restored.device(1).isPresent());
    EXPECT_FALSE(restored.device(1).isConnected());
}

}  // namespace
}  // namespace plenum::ui
