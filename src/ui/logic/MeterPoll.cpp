#include "ui/logic/MeterPoll.h"

namespace plenum::ui {

MeterPoll::MeterPoll(comm::DeviceComm& comm) : comm_(comm) { lastProgram_.fill(-1); }

MeterPoll::Round MeterPoll::pollAll(AutoUpdateHooks& hooks, const std::function<void()>& betweenRequests) {
    Round round;
    AppContext& ctx = comm_.context();
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        if (betweenRequests) betweenRequests();
        if (ctx.flags.CommBusy || ctx.flags.TxSuspended) return round;
        if (!ctx.device(slot).isPresent() || !ctx.device(slot).isConnected()) continue;
        const auto index = static_cast<std::size_t>(slot);
        ctx.flags.AlertHold = kTrue16;
        lastResult_[index] = comm_.SendCommand(slot, comm::CommandCode::MeterPoll);
        ctx.flags.AlertHold = kFalse16;
        // Only a whole, valid reply is a reading: a garbled one (BadReply) or none keeps the last.
        if (lastResult_[index] != 0 || !comm_.replyReceived()) continue;
        if (!table_.StoreReply(slot, std::span(comm_.RxBuffer).first(comm_.lastReplyLength()))) continue;
        round.refreshed.push_back(slot);
        if (const auto panel = table_.panelStatus(slot)) {
            panel_[index] = panel;
            round.panelEvents.push_back(slot);
            AutoUpdate(comm_, slot, UpdateMarks{.status = true}, lastProgram_[index], hooks);
        }
    }
    return round;
}

}  // namespace plenum::ui
