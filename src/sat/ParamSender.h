// Sending parameter families: to the edited device, and through the link fan-out to the devices
// linked with it. Both take the family's bytes straight from the images (the edit wrote them
// first) and store each result in LastTxResult.
#pragma once

#include <vector>

#include "comm/DeviceComm.h"
#include "sat/ParamCommands.h"

namespace plenum {

// Refreshes an open edit window's controls from its device's image. The link fan-out calls it
// with GuiUpdating raised, so the window's control events send nothing.
class EditWindowRefresher {
public:
    virtual ~EditWindowRefresher() = default;
    virtual void refreshFromImage(int slot) = 0;
};

// The single-device send: builds the family's command from the slot's image and status record
// and runs the transaction. Returns its result (0 / -1).
std::int16_t SendParam(comm::DeviceComm& comm, int slot, ParamFamily family, const ParamAddress& address = {});

// The devices a change on `source` reaches, in fan-out order: for each bit 0..2 set in the
// source's LinkMask, every listed slot 1..24 of the same model (never a subwoofer, never the
// source) that has the same bit set. A device sharing two bits appears twice.
std::vector<int> LinkTargets(const AppContext& ctx, int source);

// The link send: copies the family's bytes from the source to each target (of a byte shared by
// ways or sections, only the bits of the instance sent) and sends them there, refreshing a
// target's open edit window first.
void SendParamToLinked(comm::DeviceComm& comm, int source, ParamFamily family, const ParamAddress& address = {},
                       EditWindowRefresher* windows = nullptr);

}  // namespace plenum
