// What the desktop application's benchmarks share: a fleet of simulated loudspeakers on loopback
// (every sixth one a subwoofer) and the main window listing and connecting all of them.
#pragma once

#include <QDialog>

#include <cstdio>
#include <string>

#include "core/AppContext.h"
#include "sim/Simulator.h"
#include "ui/ConnectDialog.h"
#include "ui/MainWindow.h"

namespace plenum::bench {

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
