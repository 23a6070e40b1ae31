// File forms of the per-slot records that project and backup files share: the device record,
// the extra records, and the slot's packed settings (what the fixed records cannot hold).
#pragma once

#include <optional>
#include <span>

#include "core/AppContext.h"
#include "core/BinaryIO.h"

namespace plenum {

// DeviceRecord field by field in declaration order: 16-bit Connected, EditOpen, SlotIndex;
// Address counted; 16-bit LinkMode, HwFamily, Present; 8-bit ModelCode; DeviceName and UniqueId
// counted; 16-bit TilePos; 32-bit TileWindow, EditWindow. An empty record takes 29 bytes.
void WriteDeviceRecord(BinaryWriter& out, const DeviceRecord& record);
// Fails the reader on values no device record can hold.
DeviceRecord ReadDeviceRecord(BinaryReader& in);

// SatExtraRecord: the 8 program names (counted), the 8 lock flags and AdminLogged (16-bit), the
// name and tap count of each way's FIR and MIR table, then the two sample buffers (1024 and 512
// pairs of 32-bit values) written as zeros — the coefficients travel in the settings block.
void WriteSatExtra(BinaryWriter& out, const SatExtraRecord& extra);
// Reads the record; the coefficient values of `extra` are left as they are.
void ReadSatExtra(BinaryReader& in, SatExtraRecord& extra);

// SubExtraRecord: exactly 128 bytes, the 8 program names as 16 zero-padded bytes each. Its lock
// flags and administrator flag travel in the settings block.
inline constexpr std::size_t kSubExtraSize = 128;
void WriteSubExtra(BinaryWriter& out, const SubExtraRecord& extra);
void ReadSubExtra(BinaryReader& in, SubExtraRecord& extra);

// The slot's settings array before packing: for a satellite the FIR and MIR coefficients of both
// ways (32-bit floats: FIR way 0, FIR way 1, MIR way 0, MIR way 1); for a subwoofer the 8 program
// lock flags and the administrator flag, one byte each.
Bytes SlotSettings(const AppContext& ctx, int slot);
std::size_t SlotSettingsSize(bool isSub);
void ApplySlotSettings(AppContext& ctx, int slot, std::span<const std::uint8_t> settings);

}  // namespace plenum
