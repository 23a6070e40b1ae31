// What the desktop application's benchmarks share: a fleet of simulated loudspeakers on loopback
// (every sixth one a subwoofer) and the main window listing and connecting all of them.
#pragma once

#include <QDialog>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "core/AppContext.h"
#include "core/Config.h"
#include "core/Registry.h"
#include "sim/Simulator.h"
#include "ui/ConnectDialog.h"
#include "ui/MainWindow.h"

namespace plenum::bench {

// Everything a benchmark's main window stands on: a scratch data folder (removed at the end), the
// application context, real loopback transports aimed at the simulator and a scripted prompter. The
// network services (announce listener, bridge) stay off.
struct BenchDesk {
    BenchDesk(const std::string& name, sim::Simulator& simulator)
        : data(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))),
          paths(data),
          network(comm::kMainNetworkSlots),
          deps{ctx, paths, prompter, network, serial, sleeper, {simulator.commonPort(), "/nonexistent/tty%d"}} {
        std::filesystem::create_directories(data);
        ctx.dataDir = data;
        EnsureWorkFolders(paths);
        deps.startNetworkServices = false;
    }
    ~BenchDesk() {
        std::error_code ignored;
        std::filesystem::remove_all(data, ignored);
    }
    BenchDesk(const BenchDesk&) = delete;
    BenchDesk& operator=(const BenchDesk&) = delete;

    std::filesystem::path data;
    AppContext ctx;
    AppPaths paths;
    ScriptedPrompter prompter;
    comm::AsioNetworkTransport network;
    comm::AsioSerialTransport serial;
    comm::SteadySleeper sleeper;
    ui::MainWindowDeps deps;
};

inline void AddFleet(sim::Simulator& simulator, int devices) {
    for (int i = 0; i < devices; ++i) {
        sim::DeviceConfig config;
        config.host = "127.0.1." + std::to_string(i + 2);
        config.modelCode = i % 6 == 5 ? 1 : 0;
        char uid[13];
        std::snprintf(uid, sizeof uid, "0BEEF000%04X", static_cast<unsigned>((i + 1) & 0xFFFF));
        config.uniqueId = uid;
        config.name = "BENCH " + std::to_string(i + 1);
        config.busId = static_cast<std::uint8_t>(i + 1);
        config.meterSeed = static_cast<std::uint32_t>(i + 1);
        simulator.add(config);
    }
}

// Loads the window, lists every simulated device as found, shows the window and connects all
// (the connection dialog connects at once).
inline void ListAndConnectAll(ui::MainWindow& window, AppContext& ctx, sim::Simulator& simulator, int devices) {
    window.setModalRunner([](QDialog& dialog) {
        if (auto* connect = dynamic_cast<ui::ConnectDialog*>(&dialog)) connect->connectNow();
        return dialog.result();
    });
    window.load();
    for (int i = 0; i < devices; ++i) {
        DeviceRecord& found = ctx.foundTable[static_cast<std::size_t>(i)];
        const sim::DeviceConfig& config = simulator.device(static_cast<std::size_t>(i)).config();
        found.Present = kTrue16;
        found.Address = config.host;
        found.LinkMode = kLinkLan;
        found.UniqueId = config.uniqueId;
        found.ModelCode = config.modelCode;
        found.DeviceName = config.name;
    }
    window.mergeFoundDevices();
    window.show();
    window.connectAllDevices();
    window.settle();
}

}  // namespace plenum::bench
