#include "ui/logic/DeviceActions.h"

#include <cstdio>

#include "core/Registry.h"
#include "store/ProjectFile.h"

namespace plenum::ui {
namespace {

constexpr std::size_t kIdentifyLength = 30;

std::string UniqueIdText(const comm::BlockBuffer& reply) {
    std::string text;
    char hex[3];
    for (std::size_t i = 6; i <= 11; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", reply[i]);
        text += hex;
    }
    return text;
}

std::string TrimmedName(const comm::BlockBuffer& reply) {
    std::string name(reinterpret_cast<const char*>(&reply[13]), 16);
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

bool IsKnownFamily(int family) { return family == 0 || family == 1 || family == 2 || family == 3 || family == 6; }

}  // namespace

bool ConnectPrecheck(const AppContext& ctx, Prompter& prompter, const comm::NetworkTransport& network, int slot) {
    if (!ctx.device(slot).isNetwork()) return true;
    if (network.TcpLocalAddress() != "127.0.0.1") return true;
    Tell(prompter, ctx.LanguageFlag, texts::kLanNotFound);
    return false;
}

ConnectResult OpenDeviceLink(AppContext& ctx, comm::DeviceComm& comm, int slot) {
    DeviceRecord& record = ctx.device(slot);
    ctx.flags.TxSuspended = kFalse16;
    auto fail = [&](ConnectResult result) {
        record.Connected = kFalse16;
        comm.closeLink(slot);
        return result;
    };
    if (record.isNetwork()) {
        record.Connected = kTrue16;
        if (!comm.network().TcpIsConnected(slot) &&
            !comm::IsOk(comm.network().TcpConnect(slot, record.Address, comm.links().devicePort,
                                                  comm.timeouts().connecting)))
            return fail(ConnectResult::NetworkNotFound);
    } else {
        record.Connected = kTrue16;
        if (!comm.FindUsbPort(slot)) return fail(ConnectResult::UsbNotFound);
        ctx.flags.SilentComm = kFalse16;  // the scan leaves it set; later alerts must show
        record.Connected = kTrue16;
    }
    if (comm.SendCommand(slot, comm::CommandCode::Identify) != 0 || comm.lastReplyLength() < kIdentifyLength)
        return fail(ConnectResult::Mismatch);
    const comm::BlockBuffer& reply = comm.RxBuffer;
    if ((reply[12] >> 4) != record.ModelCode) return fail(ConnectResult::Mismatch);
    record.LinkMode = reply[5];
    if (IsKnownFamily(reply[12] & 0x0F)) record.HwFamily = reply[12] & 0x0F;
    record.UniqueId = UniqueIdText(reply);
    record.DeviceName = TrimmedName(reply);
    record.Connected = kTrue16;
    return ConnectResult::Connected;
}

const MessageText& ConnectFailureText(ConnectResult result) {
    return result == ConnectResult::Mismatch ? texts::kConnectMismatch : texts::kConnectNotFound;
}

bool DisconnectDevice(AppContext& ctx, Prompter& prompter, comm::DeviceComm& comm, int slot) {
    if (!Ask(prompter, ctx.LanguageFlag, texts::kDisconnectConfirm, {DisplayName(ctx, slot)})) return false;
    DeviceRecord& record = ctx.device(slot);
    comm.sendOffline(slot);
    record.Connected = kFalse16;
    comm.closeLink(slot);
    if (record.isNetwork()) AddPair(ctx.removedConnected, record.UniqueId, std::string(LinkModeName(record.LinkMode)));
    return true;
}

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
