#include "ui/logic/DeviceActions.h"

#include "core/Registry.h"
#include "store/ProjectFile.h"

namespace plenum::ui {

EditWindowResult OpenEditWindow(AppContext& ctx, int slot, int windowIndex) {
    DeviceRecord& record = ctx.device(slot);
    if (record.EditOpen != 0) return EditWindowResult::AlreadyOpen;
    if (!CanOpenEditWindow(ctx)) return EditWindowResult::TooMany;
    record.EditOpen = kTrue16;
    record.EditWindow = windowIndex;
    return EditWindowResult::Opened;
}

void CloseEditWindow(AppContext& ctx, int slot) {
    DeviceRecord& record = ctx.device(slot);
    record.EditOpen = kFalse16;
    record.EditWindow = kNoTile;
}

bool ConfirmExit(AppContext& ctx, Prompter& prompter) {
    ctx.flags.CommBusy = kTrue16;
    if (Ask(prompter, ctx.LanguageFlag, texts::kExitConfirm)) return true;
    ctx.flags.CommBusy = kFalse16;
    return false;
}

std::error_code RunExitSequence(AppContext& ctx, comm::DeviceComm& comm, const AppPaths& paths) {
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (ctx.device(slot).isPresent() && ctx.device(slot).isConnected()) comm.sendOffline(slot);
    for (int slot = 0; slot < comm::kMainNetworkSlots; ++slot)
        if (comm.network().TcpIsConnected(slot)) comm.network().TcpClose(slot);
    if (comm.serial().IsConnected()) comm.serial().Disconnect();
    return SaveSessionProject(ctx, paths);
}

void MarkRestoredDevicesOffline(AppContext& ctx) {
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        DeviceRecord& record = ctx.device(slot);
        record.Connected = kFalse16;
        record.EditOpen = kFalse16;
        record.EditWindow = kNoTile;
    }
}

std::string TileModelText(const AppContext& ctx, int slot) {
    const DeviceRecord& record = ctx.device(slot);
    std::string name = ModelName(record.ModelCode, ctx.statusOf(slot)[status::kHwVariant]);
    if (name.find_first_not_of(' ') == std::string::npos) name = record.isSub() ? "SUB" : "SAT";
    return name;
}

std::string TileAddressText(const AppContext& ctx, int slot) {
    const DeviceRecord& record = ctx.device(slot);
    if (!record.isNetwork()) return "USB";
    return std::string(LinkModeName(record.LinkMode)) + "  " + record.Address;
}

}  // namespace plenum::ui
