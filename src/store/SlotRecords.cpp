#include "store/SlotRecords.h"

#include <algorithm>
#include <cstring>

#include "core/ImageLayout.h"

namespace plenum {
namespace {

constexpr std::size_t kMaxTextField = 255;
constexpr std::size_t kSubNameBytes = 16;


}  // namespace

void WriteDeviceRecord(BinaryWriter& out, const DeviceRecord& r) {
    out.i16(r.Connected);
    out.i16(r.EditOpen);
    out.i16(r.SlotIndex);
    out.countedString(r.Address);
    out.i16(r.LinkMode);
    out.i16(r.HwFamily);
    out.i16(r.Present);
    out.u8(r.ModelCode);
    out.countedString(r.DeviceName);
    out.countedString(r.UniqueId);
    out.i16(r.TilePos);
    out.i32(r.TileWindow);
    out.i32(r.EditWindow);
}

DeviceRecord ReadDeviceRecord(BinaryReader& in) {
    DeviceRecord r;
    r.Connected = in.i16();
    r.EditOpen = in.i16();
    r.SlotIndex = in.i16();
    r.Address = in.countedString(kMaxTextField);
    r.LinkMode = in.i16();
    r.HwFamily = in.i16();
    r.Present = in.i16();
    r.ModelCode = in.u8();
    r.DeviceName = in.countedString(kMaxTextField);
    r.UniqueId = in.countedString(kMaxTextField);
    r.TilePos = in.i16();
    r.TileWindow = in.i32();
    r.EditWindow = in.i32();
    const bool valid = IsBool16(r.Connected) && IsBool16(r.EditOpen) && IsBool16(r.Present) && r.SlotIndex >= 0 &&
                       r.SlotIndex < kSlotCount && r.LinkMode >= 0 && r.LinkMode <= kLinkLan && r.ModelCode <= 11 &&
                       r.TilePos >= 0 && r.TilePos <= kNoTile;
    if (!valid) in.fail();
    return r;
}

void WriteSatExtra(BinaryWriter& out, const SatExtraRecord& extra) {
    for (const auto& name : extra.ProgramNames) out.countedString(name);
    for (std::int16_t locked : extra.ProgramLocked) out.i16(locked);
    out.i16(extra.AdminLogged);
    for (int way = 0; way < kWays; ++way) {
        out.countedString(extra.fir[static_cast<std::size_t>(way)].name);
        out.i16(extra.fir[static_cast<std::size_t>(way)].taps);
        out.countedString(extra.mir[static_cast<std::size_t>(way)].name);
        out.i16(extra.mir[static_cast<std::size_t>(way)].taps);
    }
    out.padTo(out.size() + (kFirTaps + kMirTaps) * 2 * 4);
}

void ReadSatExtra(BinaryReader& in, SatExtraRecord& extra) {
    for (auto& name : extra.ProgramNames) name = in.countedString(kMaxTextField);
    for (std::int16_t& locked : extra.ProgramLocked) locked = in.i16();
    extra.AdminLogged = in.i16();
    for (int way = 0; way < kWays; ++way) {
        auto& fir = extra.fir[static_cast<std::size_t>(way)];
        auto& mir = extra.mir[static_cast<std::size_t>(way)];
        fir.name = in.countedString(kMaxTextField);
        fir.taps = in.i16();
        mir.name = in.countedString(kMaxTextField);
        mir.taps = in.i16();
        if (fir.taps < 0 || fir.taps > kFirTaps || mir.taps < 0 || mir.taps > kMirTaps) in.fail();
    }
    in.skip((kFirTaps + kMirTaps) * 2 * 4);
}

void WriteSubExtra(BinaryWriter& out, const SubExtraRecord& extra) {
    for (const auto& name : extra.ProgramNames) {
        std::array<std::uint8_t, kSubNameBytes> field{};
        std::memcpy(field.data(), name.data(), std::min(name.size(), kSubNameBytes));
        out.bytes(field);
    }
}

void ReadSubExtra(BinaryReader& in, SubExtraRecord& extra) {
    for (auto& name : extra.ProgramNames) {
        std::array<std::uint8_t, kSubNameBytes> field{};
        in.bytes(field);
        const auto end = std::find(field.begin(), field.end(), 0);
        name.assign(field.begin(), end);
    }
}

std::size_t SlotSettingsSize(bool isSub) {
    return isSub ? kProgramSlots + 1 : static_cast<std::size_t>(kWays * (kFirTaps + kMirTaps) * 4);
}

Bytes SlotSettings(const AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    BinaryWriter out;
    if (ctx.device(slot).isSub()) {
        const SubExtraRecord& extra = ctx.subExtra[index];
        for (std::int16_t locked : extra.ProgramLocked) out.u8(locked != 0 ? 1 : 0);
        out.u8(extra.AdminLogged != 0 ? 1 : 0);
        return out.take();
    }
    const SatExtraRecord& extra = ctx.satExtra[index];
    for (const auto& table : extra.fir)
        for (float value : table.values) out.f32(value);
    for (const auto& table : extra.mir)
        for (float value : table.values) out.f32(value);
    return out.take();
}

void ApplySlotSettings(AppContext& ctx, int slot, std::span<const std::uint8_t> settings) {
    const auto index = static_cast<std::size_t>(slot);
    BinaryReader in(settings);
    if (ctx.device(slot).isSub()) {
        SubExtraRecord& extra = ctx.subExtra[index];
        for (std::int16_t& locked : extra.ProgramLocked) locked = in.u8();
        extra.AdminLogged = in.u8();
        return;
    }
    SatExtraRecord& extra = ctx.satExtra[index];
    for (auto& table : extra.fir)
        for (float& value : table.values) value = in.f32();
    for (auto& table : extra.mir)
        for (float& value : table.values) value = in.f32();
}

}  // namespace plenum
