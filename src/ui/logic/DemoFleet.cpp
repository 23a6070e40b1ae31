#include "ui/logic/DemoFleet.h"


namespace plenum::ui {

std::vector<sim::DeviceConfig> DemoDeviceConfigs() {
    auto device = [](const char* host, std::uint8_t model, const char* name, const char* uniqueId, std::uint8_t busId) {
        // Each loudspeaker plays its own programme on the meters.
        sim::DeviceConfig config;
        config.host = host;
        config.modelCode = model;
        config.name = name;
        config.uniqueId = uniqueId;
        config.busId = busId;
        config.meterSeed = 7u * busId + 3u;
        config.firmware = {0, 4, 1};
        return config;
    };
    return {device("127.0.0.2", 0, "MAIN LEFT", "0AFF009C4101", 1),
            device("127.0.0.3", 6, "FRONT FILL", "0AFF009C4102", 2),
            device("127.0.0.4", 1, "SUB CENTER", "0AFF009C4103", 3),
            device("127.0.0.5", 0, "MAIN RIGHT", "0AFF009C4104", 4)};
}

void FillFoundTable(AppContext& ctx, sim::Simulator& simulator) {
    for (DeviceRecord& found : ctx.foundTable) found = DeviceRecord{};
    for (std::size_t i = 0; i < simulator.size() && i < kDemoListedAtStart; ++i) {
        const sim::DeviceConfig& config = simulator.device(i).config();
        DeviceRecord& found = ctx.foundTable[i];
        found.Present = kTrue16;
        found.Address = config.host;
        found.LinkMode = config.networkLinkMode;
        found.UniqueId = config.uniqueId;
        found.ModelCode = config.modelCode;
        found.HwFamily = config.hwFamily;
        found.DeviceName = config.name;
    }
}

bool DemoDevicesListed(const AppContext& ctx, sim::Simulator& simulator) {
    for (std::size_t i = 0; i < simulator.size() && i < kDemoListedAtStart; ++i) {
        const std::string& host = simulator.device(i).config().host;
        bool listed = false;
        for (int slot = kFirstUserSlot; slot <= kLastUserSlot && !listed; ++slot)
            listed = ctx.device(slot).isPresent() && ctx.device(slot).isNetwork() && ctx.device(slot).Address == host;
        if (!listed) return false;
    }
    return true;
}

}  // namespace plenum::ui
