// The rules behind the main window's device actions, kept free of any toolkit so that tests drive
// them directly: the tile's connect and disconnect, the edit-window limit, the exit sequence.
// The views call these and only render the outcome.
#pragma once

#include <system_error>

#include "comm/DeviceComm.h"
#include "core/AppContext.h"
#include "core/Config.h"
#include "core/Prompter.h"

namespace plenum::ui {

// ---- Tile connect / disconnect ---------------------------------------------------------------
// Before a network device is connected: with no LAN or WLAN address on this computer (the
// transport reports 127.0.0.1) tells "LAN or WLAN not found" and returns false. USB devices pass.
bool ConnectPrecheck(const AppContext& ctx, Prompter& prompter, const comm::NetworkTransport& network, int slot);

// Result codes of a connection attempt; the numbers are the connection dialog's error codes.
enum class ConnectResult { Connected = 0, UsbNotFound = 2, NetworkNotFound = 3, Mismatch = 4 };

// Opens the link of a listed off-line device and identifies it: a network device gets its
// connection on the device port (the connecting time-out), a USB device its serial port by the
// port scan; the identify reply must name the listed model. On success the record takes the link
// mode, hardware family, unique ID and name from the reply and is on-line. On failure the device
// stays off-line with its link closed. This is the part of connecting that needs no dialog
// choices; loading or reading settings is left to the connection dialog.
ConnectResult OpenDeviceLink(AppContext& ctx, comm::DeviceComm& comm, int slot);
// The catalogued message for a failed connection.
const MessageText& ConnectFailureText(ConnectResult result);

// Asks "Disconnect Device: <name> / are you sure?"; on Yes sends command 15, takes the device
// off-line, closes its link and, for a network device, records its unique ID in the first
// removed-device list. Returns true when the device was disconnected.
bool DisconnectDevice(AppContext& ctx, Prompter& prompter, comm::DeviceComm& comm, int slot);

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
