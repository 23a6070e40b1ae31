#include "core/Registry.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/FactoryPrograms.h"

namespace plenum {
namespace {

constexpr std::array<std::string_view, 11> kVariantNames{
    "RX 7T", "RX 9T", "RX 11T", "RX LOW 11T", "RX LOW 13T", "PODIA 27T",
    "RX 5T", "RX 5",  "RX 44T", "RX 312",     "RX LOW 314"};

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool IsUserSlot(int slot) { return slot >= kFirstUserSlot && slot <= kLastUserSlot; }

}  // namespace

std::string ModelName(int modelCode, int variant) {
    auto entry = [](std::size_t index) { return std::string(kVariantNames[index]); };
    switch (modelCode) {
        case 0: return entry(0);
        case 6: return entry(6);
        case 8:
            switch (variant) {
                case 2: return entry(2);
                case 3: return entry(3);
                case 4: return entry(4);
                case 5: return entry(5);
                case 6: return entry(7);
                default: return entry(1);
            }
        case 10:
            if (variant == 1) return entry(8);
            if (variant == 2) return entry(9);
            return "";
        case 11: return entry(10);
        default: return " ";
    }
}

std::string DisplayName(const AppContext& ctx, int slot) {
    const DeviceRecord& record = ctx.device(slot);
    const std::string trimmed = Trim(record.DeviceName);
    const bool isVariantName =
        std::find(kVariantNames.begin(), kVariantNames.end(), trimmed) != kVariantNames.end();
    if (!isVariantName) return trimmed;
    return Trim(ModelName(record.ModelCode, ctx.statusOf(slot)[status::kHwVariant]));
}

std::optional<int> FirstFreeSlot(const AppContext& ctx) {
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (!ctx.device(slot).isPresent()) return slot;
    return std::nullopt;
}

void ClearSlot(AppContext& ctx, int slot) {
    DeviceRecord cleared;
    cleared.SlotIndex = static_cast<std::int16_t>(slot);
    ctx.device(slot) = cleared;
}

void AssignTilePos(AppContext& ctx, int slot) {
    DeviceRecord& record = ctx.device(slot);
    record.TilePos = 0;
    auto taken = [&](int position) {
        for (int other = kFirstUserSlot; other <= kLastUserSlot; ++other)
            if (other != slot && ctx.device(other).isPresent() && ctx.device(other).TilePos == position) return true;
        return false;
    };
    int chosen = 100;  // beyond the grid: nothing free in the 5 x 7 area
    for (int column = 0; column <= 4 && chosen > 99; ++column)
        for (int row = 0; row <= 6; ++row)
            if (const int position = 10 * row + column; !taken(position)) {
                chosen = position;
                break;
            }
    record.TilePos = static_cast<std::int16_t>(chosen > 99 ? 40 : chosen);
}

TileOrigin TileOriginOf(int tilePos) { return {2500 * (tilePos % 10), 3600 * (tilePos / 10)}; }

int CountEditWindows(const AppContext& ctx) {
    int count = 0;
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (ctx.device(slot).EditOpen != 0) ++count;
    return count;
}

bool CanOpenEditWindow(const AppContext& ctx) { return CountEditWindows(ctx) <= kMaxEditWindows - 1; }

void AddPair(RemovedDeviceList& list, const std::string& uniqueId, const std::string& modeName) {
    for (auto& row : list)
        if (row.first.empty()) {
            row = {uniqueId, modeName};
            return;
        }
    list.emplace_back(uniqueId, modeName);
}

void ResetImageToDefaults(AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub())
        ctx.subImage[index] = SubFactoryImage();
    else
        ctx.satImage[index] = SatFactoryImage(ctx.satStatus[index][status::kSystemMode]);
}

std::optional<int> BeginAddDevice(AppContext& ctx, Prompter& prompter) {
    const auto slot = FirstFreeSlot(ctx);
    if (!slot) Tell(prompter, ctx.LanguageFlag, texts::kCantAddMax, {std::to_string(kMaxDevices)});
    return slot;
}

int EffectiveVariant(int modelCode, int variant) { return (modelCode == 8 || modelCode == 10) ? variant : 0; }

bool IsDuplicateModel(const AppContext& ctx, int modelCode, int variant) {
    const int wanted = EffectiveVariant(modelCode, variant);
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        const DeviceRecord& record = ctx.device(slot);
        if (record.isPresent() && record.ModelCode == modelCode &&
            EffectiveVariant(record.ModelCode, ctx.ModelVariant[static_cast<std::size_t>(slot)]) == wanted)
            return true;
    }
    return false;
}

bool CompleteAddDevice(AppContext& ctx, Prompter& prompter, int slot, const AddDeviceChoice& choice) {
    if (!IsUserSlot(slot)) return false;
    if (IsDuplicateModel(ctx, choice.modelCode, choice.variant)) {
        Tell(prompter, ctx.LanguageFlag, texts::kDeviceAlreadyListed);
        return false;
    }
    const auto index = static_cast<std::size_t>(slot);
    DeviceRecord record;
    record.SlotIndex = static_cast<std::int16_t>(slot);
    record.Address = "USB";
    record.ModelCode = choice.modelCode;
    record.Present = kTrue16;
    record.LinkMode = choice.network ? kLinkLan : kLinkUsb;
    // A device added with the network option keeps its typed address, so it can be connected
    // without a search; without one it keeps "USB" until a search finds it.
    if (choice.network && !choice.address.empty()) record.Address = choice.address;
    const int variant = EffectiveVariant(choice.modelCode, choice.variant);
    if (choice.modelCode == 8 || choice.modelCode == 10) ctx.ModelVariant[index] = choice.variant;
    record.DeviceName = ModelName(choice.modelCode, variant);
    ctx.device(slot) = record;

    DeviceStatusRecord& statusRecord = ctx.statusOf(slot);
    statusRecord[status::kHwVariant] = static_cast<std::uint8_t>(variant);
    std::string padded = record.DeviceName.substr(0, status::kNameLength);
    padded.resize(status::kNameLength, ' ');
    for (int i = 0; i < status::kNameLength; ++i)
        statusRecord[static_cast<std::size_t>(status::kName + i)] = static_cast<std::uint8_t>(padded[static_cast<std::size_t>(i)]);
    ResetImageToDefaults(ctx, slot);
    return true;
}

std::vector<int> MergeFoundDevices(AppContext& ctx, Prompter& prompter) {
    std::vector<int> added;
    for (const DeviceRecord& found : ctx.foundTable) {
        if (!found.isPresent()) continue;
        bool known = false;
        for (int slot = kFirstUserSlot; slot <= kLastUserSlot && !known; ++slot) {
            const DeviceRecord& listed = ctx.device(slot);
            known = listed.isPresent() && listed.LinkMode == found.LinkMode && listed.Address == found.Address;
        }
        if (known) continue;
        const auto slot = FirstFreeSlot(ctx);
        if (!slot) continue;
        if (!IsListableModel(found.ModelCode)) continue;  // a model this application does not drive
        DeviceRecord record;
        record.Address = found.Address;
        record.ModelCode = found.ModelCode;
        record.LinkMode = found.LinkMode;
        record.HwFamily = found.HwFamily;
        record.UniqueId = found.UniqueId;
        record.DeviceName = found.DeviceName;
        record.SlotIndex = static_cast<std::int16_t>(*slot);
        record.Present = kTrue16;
        ctx.device(*slot) = record;
        ResetImageToDefaults(ctx, *slot);
        added.push_back(*slot);
    }
    if (added.empty()) Tell(prompter, ctx.LanguageFlag, texts::kNoNewDevice);
    return added;
}

RemoveResult RemoveDevice(AppContext& ctx, Prompter& prompter, DeviceLinkControl& link, int slot) {
    for (const GroupRecord& group : ctx.groups)
        if (group.isInUse() && group.hasMember(slot)) {
            Tell(prompter, ctx.LanguageFlag, texts::kRemoveInGroup);
            return RemoveResult::InGroup;
        }
    DeviceRecord& record = ctx.device(slot);
    if (record.EditOpen != 0) {
        Tell(prompter, ctx.LanguageFlag, texts::kRemoveEditOpen);
        return RemoveResult::EditOpen;
    }
    if (!Ask(prompter, ctx.LanguageFlag, texts::kRemoveConfirm)) return RemoveResult::Declined;

    ctx.flags.CommBusy = kTrue16;
    const std::string modeName(LinkModeName(record.LinkMode));
    if (record.isConnected()) {
        link.sendOffline(slot);
        record.Connected = kFalse16;
        link.closeLink(slot);
        if (record.isNetwork()) AddPair(ctx.removedConnected, record.UniqueId, modeName);
    }
    if (record.isNetwork()) AddPair(ctx.removedAll, record.UniqueId, modeName);

    const auto index = static_cast<std::size_t>(slot);
    ClearSlot(ctx, slot);
    ctx.satStatus[index] = {};
    ctx.subStatus[index] = {};
    ctx.satImage[index] = {};
    ctx.subImage[index] = {};
    ctx.satExtra[index] = {};
    ctx.subExtra[index] = {};
    ctx.ModelVariant[index] = 0;
    ctx.DeviceIdTable[index] = 0;
    ctx.flags.CommBusy = kFalse16;
    return RemoveResult::Removed;
}

}  // namespace plenum
