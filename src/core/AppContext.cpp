#include "core/AppContext.h"

namespace plenum {

AppContext::AppContext() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        deviceTable[static_cast<std::size_t>(slot)].SlotIndex = static_cast<std::int16_t>(slot);
        foundTable[static_cast<std::size_t>(slot)].SlotIndex = static_cast<std::int16_t>(slot);
    }
}

DeviceStatusRecord& AppContext::statusOf(int slot) {
    const auto index = static_cast<std::size_t>(slot);
    return device(slot).isSub() ? subStatus.at(index) : satStatus.at(index);
}

const DeviceStatusRecord& AppContext::statusOf(int slot) const {
    const auto index = static_cast<std::size_t>(slot);
    return device(slot).isSub() ? subStatus.at(index) : satStatus.at(index);
}

int FirmwareVersion(const DeviceStatusRecord& record) {
    return 100 * record[status::kFirmware] + 10 * record[status::kFirmware + 1] + record[status::kFirmware + 2];
}

}  // namespace plenum
