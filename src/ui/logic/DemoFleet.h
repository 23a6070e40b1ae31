// The demonstration fleet: simulated loudspeakers on loopback that `plenum --demo` lists as if a
// search had found them, so every window can be tried without hardware.
#pragma once

#include <vector>

#include "core/AppContext.h"
#include "sim/Simulator.h"

namespace plenum::ui {

// Two satellites of different models and one subwoofer on 127.0.0.2..4, listed at start, and a
// second main satellite on 127.0.0.5 left for the search window to find; all on the simulator's
// common port.
std::vector<sim::DeviceConfig> DemoDeviceConfigs();
inline constexpr std::size_t kDemoListedAtStart = 3;
// Fills FoundTable with what the first kDemoListedAtStart simulated devices answer to a search
// (the main window then merges it into the device list, as after the search window).
void FillFoundTable(AppContext& ctx, sim::Simulator& simulator);
// True when the devices listed at start are listed already (a demo started on a kept data folder).
bool DemoDevicesListed(const AppContext& ctx, sim::Simulator& simulator);

}  // namespace plenum::ui
