// One round of the meter poll, without a toolkit: every listed, on-line device is asked for its
// levels in slot order; a whole, valid reply refreshes the device's column of the meter table, and
// the result of each request is kept as the device's last meter result.
//
// The reply's last row is the front panel's status byte. When the device reports a panel event
// (any of bits 1..6: somebody used the loudspeaker's own panel, for example to recall a program),
// its flags and panel number are recorded for the device and its status and live program are read
// back, so that the application's records equal the loudspeaker's memory again; the window then
// refreshes what it shows of the device.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "comm/DeviceComm.h"
#include "dsp/Meters.h"
#include "sat/DeviceMemory.h"

namespace plenum::ui {

class MeterPoll {
public:
    explicit MeterPoll(comm::DeviceComm& comm);

    struct Round {
        std::vector<int> refreshed;    // slots whose levels came in
        std::vector<int> panelEvents;  // slots that reported a panel event (read back already)
    };
    // Polls slots 1..24. Does nothing while CommBusy or TxSuspended is set. A missing meter reply
    // is not worth the communication alert (the next round asks again), so AlertHold is held
    // around each request. `hooks` receive the refresh of a device read back after a panel event.
    // `betweenRequests`, when given, is called before each device's request: on the
    // communication thread it lets waiting edits go out first (CommWorker::runPendingUserWork);
    // the round stops when they set CommBusy or TxSuspended.
    Round pollAll(AutoUpdateHooks& hooks, const std::function<void()>& betweenRequests = {});

    const MeterTable& table() const { return table_; }
    // The transaction result of the device's last meter request (0 before the first).
    std::int16_t lastResult(int slot) const { return lastResult_.at(static_cast<std::size_t>(slot)); }
    // The last panel event the device reported, if any.
    std::optional<PanelStatus> lastPanelEvent(int slot) const { return panel_.at(static_cast<std::size_t>(slot)); }

private:
    comm::DeviceComm& comm_;
    MeterTable table_;
    std::array<std::int16_t, kSlotCount> lastResult_{};
    std::array<std::optional<PanelStatus>, kSlotCount> panel_{};
    std::array<int, kSlotCount> lastProgram_{};
};

}  // namespace plenum::ui
