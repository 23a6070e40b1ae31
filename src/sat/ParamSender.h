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

// Refreshes the slot's edit window, when open, from its image with GuiUpdating raised, so that
// the window's control events send nothing.
void RefreshOpenWindow(AppContext& ctx, EditWindowRefresher* windows, int slot);

// The family's command as the slot's image and status record give it now.
ParamCommand PrepareParam(const AppContext& ctx, int slot, ParamFamily family, const ParamAddress& address = {});
// Runs the transaction of a prepared command (LastTxResult keeps the result).
std::int16_t SendPrepared(comm::DeviceComm& comm, int slot, const ParamCommand& command);

// The single-device send: builds the family's command from the slot's image and status record
// and runs the transaction. Returns its result (0 / -1).
std::int16_t SendParam(comm::DeviceComm& comm, int slot, ParamFamily family, const ParamAddress& address = {});

// The devices a change on `source` reaches, in fan-out order: for each bit 0..2 set in the
// source's LinkMask, every listed slot 1..24 of the same model (never a subwoofer, never the
// source) that has the same bit set. A device sharing two bits appears twice.
std::vector<int> LinkTargets(const AppContext& ctx, int source);

// One device the link fan-out reaches and the command it receives.
struct LinkedSend {
    int slot = 0;
    ParamCommand command;
};
// The image side of the link send, on the thread that owns the images: copies the family's bytes
// from the source to each target (of a byte shared by ways or sections, only the bits of the
// instance sent), refreshes a target's open edit window, and returns the commands to send.
std::vector<LinkedSend> PrepareLinked(AppContext& ctx, int source, ParamFamily family, const ParamAddress& address = {},
                                      EditWindowRefresher* windows = nullptr);

// The link send: PrepareLinked, then each command sent.
void SendParamToLinked(comm::DeviceComm& comm, int source, ParamFamily family, const ParamAddress& address = {},
                       EditWindowRefresher* windows = nullptr);

}  // namespace plenum
