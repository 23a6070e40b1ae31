// The demonstration fleet: simulated loudspeakers on loopback that `plenum --demo` lists as if a
// search had found them, so every window can be tried without hardware.
#pragma once

#include <vector>

#include "core/AppContext.h"
#include "sim/Simulator.h"

namespace plenum::ui {

// Two satellites of different models and one subwoofer on 127.0.0.2..4, all on the simulator's
// common port.
std::vector<sim::DeviceConfig> DemoDeviceConfigs();
// Fills FoundTable with what the simulated devices answer to a search (the main window then merges
// it into the device list, as after the search window).
void FillFoundTable(AppContext& ctx, sim::Simulator& simulator);
// True when every simulated device is listed already (a demo started on a kept data folder).
bool DemoDevicesListed(const AppContext& ctx, sim::Simulator& simulator);

}  // namespace plenum::ui
