// The rules behind the main window's device actions, kept free of any toolkit so that tests drive
// them directly: the edit-window limit, the exit sequence and the tile's lines. Connecting and
// disconnecting are comm::DeviceConnector's.
// The views call these and only render the outcome.
#pragma once

#include <system_error>

#include "comm/DeviceComm.h"
#include "core/AppContext.h"
#include "core/Config.h"
#include "core/Prompter.h"

namespace plenum::ui {

// ---- Edit windows ----------------------------------------------------------------------------
enum class EditWindowResult { Opened, AlreadyOpen, TooMany };
// Marks the slot's edit window open (EditOpen, EditWindow = windowIndex) unless five are open.
EditWindowResult OpenEditWindow(AppContext& ctx, int slot, int windowIndex);
void CloseEditWindow(AppContext& ctx, int slot);

// ---- Exit ------------------------------------------------------------------------------------
// Sets CommBusy and asks the exit question; a No clears CommBusy again and returns false.
bool ConfirmExit(AppContext& ctx, Prompter& prompter);
// Command 15 to every on-line device (slots 1..24), every open network connection closed (the
// main object's 26 slots), the serial port closed, the session project saved. Returns the save's
// error, if any.
std::error_code RunExitSequence(AppContext& ctx, comm::DeviceComm& comm, const AppPaths& paths);

// After a project or the session project was restored no link is open yet: every device is shown
// off-line and no edit window is open, so the user connects them again.
void MarkRestoredDevicesOffline(AppContext& ctx);

// The lines of a tile: "<name>", "<model>", "<link> <address>".
std::string TileModelText(const AppContext& ctx, int slot);
std::string TileAddressText(const AppContext& ctx, int slot);

}  // namespace plenum::ui
