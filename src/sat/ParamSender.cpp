#include "sat/ParamSender.h"

#include <algorithm>

#include "core/DeviceState.h"

namespace plenum {

void RefreshOpenWindow(AppContext& ctx, EditWindowRefresher* windows, int slot) {
    if (ctx.device(slot).EditOpen == 0 || windows == nullptr) return;
    ctx.flags.GuiUpdating = kTrue16;
    windows->refreshFromImage(slot);
    ctx.flags.GuiUpdating = kFalse16;
}

ParamCommand PrepareParam(const AppContext& ctx, int slot, ParamFamily family, const ParamAddress& address) {
    const DeviceKind kind = KindOf(ctx.device(slot));
    const auto index = static_cast<std::size_t>(slot);
    return kind == DeviceKind::Sub
               ? BuildParamCommand(family, kind, address, ctx.subImage[index], ctx.subStatus[index])
               : BuildParamCommand(family, kind, address, ctx.satImage[index], ctx.satStatus[index]);
}

std::int16_t SendPrepared(comm::DeviceComm& comm, int slot, const ParamCommand& command) {
    std::copy_n(command.block.begin(), command.blockLength, comm.TxBlockBuffer.begin());
    comm.LastTxResult = comm.SendCommand(slot, command.code, command.params);
    return comm.LastTxResult;
}

std::int16_t SendParam(comm::DeviceComm& comm, int slot, ParamFamily family, const ParamAddress& address) {
    return SendPrepared(comm, slot, PrepareParam(comm.context(), slot, family, address));
}

std::vector<int> LinkTargets(const AppContext& ctx, int source) {
    std::vector<int> targets;
    const DeviceRecord& from = ctx.device(source);
    const std::uint8_t sourceMask = ctx.statusOf(source)[status::kLinkMask];
    for (int bit = 0; bit < 3; ++bit) {
        if ((sourceMask & (1 << bit)) == 0) continue;
        for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
            const DeviceRecord& to = ctx.device(slot);
            if (to.isSub() || !to.isPresent() || to.ModelCode != from.ModelCode || slot == source) continue;
            if ((ctx.statusOf(slot)[status::kLinkMask] & (1 << bit)) == 0) continue;
            targets.push_back(slot);
        }
    }
    return targets;
}

std::vector<LinkedSend> PrepareLinked(AppContext& ctx, int source, ParamFamily family, const ParamAddress& address,
                                      EditWindowRefresher* windows) {
    std::vector<LinkedSend> sends;
    const DeviceKind kind = KindOf(ctx.device(source));
    const CarriedBytes carried = BytesCarried(family, kind, address);
    const auto from = static_cast<std::size_t>(source);
    for (const int target : LinkTargets(ctx, source)) {
        const auto to = static_cast<std::size_t>(target);
        // Targets share the source's model, so they are of the same kind. Only the carried bits
        // are copied: the other bits of a shared byte belong to instances not sent here, and the
        // target's image must keep matching its device.
        for (const CarriedByte& byte : carried.image) {
            const auto at = static_cast<std::size_t>(byte.offset);
            std::uint8_t& target = kind == DeviceKind::Sub ? ctx.subImage[to][at] : ctx.satImage[to][at];
            const std::uint8_t source = kind == DeviceKind::Sub ? ctx.subImage[from][at] : ctx.satImage[from][at];
            target = static_cast<std::uint8_t>((target & ~byte.mask) | (source & byte.mask));
        }
        for (const CarriedByte& byte : carried.status) {
            const auto at = static_cast<std::size_t>(byte.offset);
            std::uint8_t& kept = ctx.statusOf(target)[at];
            kept = static_cast<std::uint8_t>((kept & ~byte.mask) | (ctx.statusOf(source)[at] & byte.mask));
        }
        RefreshOpenWindow(ctx, windows, target);
        sends.push_back({target, PrepareParam(ctx, target, family, address)});
    }
    return sends;
}

void SendParamToLinked(comm::DeviceComm& comm, int source, ParamFamily family, const ParamAddress& address,
                       EditWindowRefresher* windows) {
    for (const LinkedSend& send : PrepareLinked(comm.context(), source, family, address, windows))
        SendPrepared(comm, send.slot, send.command);
}

}  // namespace plenum
