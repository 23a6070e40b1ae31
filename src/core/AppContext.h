// AppContext: everything the application keeps for the whole run, in one object that is passed by
// reference. Nothing in the program is global; every test builds its own context.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/DeviceState.h"
#include "core/Version.h"

namespace plenum {

struct AppContext {
    DeviceTable deviceTable{};  // the device list (slots 0..24)
    DeviceTable foundTable{};   // discovery results (FoundTable), merged into the list
    std::array<std::uint8_t, kSlotCount> DeviceIdTable{};
    std::array<std::int16_t, kSlotCount> ModelVariant{};
    RemovedDeviceList removedConnected;  // network devices that were on-line when removed
    RemovedDeviceList removedAll;        // every removed network device

    std::array<DeviceStatusRecord, kSlotCount> satStatus{};
    std::array<DeviceStatusRecord, kSlotCount> subStatus{};
    std::array<SatParamImage, kSlotCount> satImage{};
    std::array<SubParamImage, kSlotCount> subImage{};
    std::array<SatExtraRecord, kSlotCount> satExtra{};
    std::array<SubExtraRecord, kSlotCount> subExtra{};
    std::array<ExtFilterEntry, kSlotCount> extFilter{};
    // ProgramSystem: per device and program slot, the system byte (image byte 519) the program
    // was stored under, as the program list read back from the device says (satellites only).
    std::array<std::array<std::uint8_t, kProgramSlots>, kSlotCount> ProgramSystem{};

    std::array<GroupRecord, kGroupCount> groups{};
    std::array<GroupState, kGroupCount> groupState{};

    CommFlags flags;
    std::int16_t LanguageFlag = 0;  // 0 English, 1 Chinese
    bool DecimalComma = false;
    double ScreenScale = 1.0;
    bool HiddenEditMode = false;
    bool HiddenConvertMode = false;
    bool FwUsbMode = true;
    std::int16_t UsbComPort = 0;

    std::filesystem::path dataDir;  // the folder every data path is built below

    AppContext();

    DeviceTable& devices() { return deviceTable; }
    const DeviceTable& devices() const { return deviceTable; }
    DeviceRecord& device(int slot) { return deviceTable.at(static_cast<std::size_t>(slot)); }
    const DeviceRecord& device(int slot) const { return deviceTable.at(static_cast<std::size_t>(slot)); }

    // The status record of a slot from the table of its family (SAT or SUB).
    DeviceStatusRecord& statusOf(int slot);
    const DeviceStatusRecord& statusOf(int slot) const;
};

}  // namespace plenum
