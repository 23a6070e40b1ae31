// The password window (FrmPwd): toggles the GUI lock (mode 0), the front-panel lock (mode 10) or
// the administrator login (mode 1) of one device once the right password was typed.
//
// The passwords are the six bytes at status 203 (administrator) and 212 (user). A password shorter
// than six characters is stored followed by zero bytes, so the text a password forms is its bytes
// up to the first zero; the comparison is case-sensitive and takes the whole entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "comm/DeviceComm.h"
#include "core/Prompter.h"

namespace plenum::device {

enum class LockMode : int { Gui = 0, Admin = 1, Panel = 10 };

inline constexpr std::size_t kPasswordLength = 6;
inline constexpr std::uint32_t kGuiLockAddress = 218;
inline constexpr std::uint8_t kPanelLockCode = 0x12;

// The text the six password bytes at `offset` form.
std::string PasswordText(const DeviceStatusRecord& status, int offset);
// The six bytes a password is stored as (zero filled); the caller checked the length.
void PutPassword(DeviceStatusRecord& status, int offset, std::string_view password);

bool GuiLocked(const AppContext& ctx, int slot);
bool PanelLocked(const AppContext& ctx, int slot);
bool AdminLogged(const AppContext& ctx, int slot);

// The caption of the action the window (and the menus) offer for a mode in the device's state:
// "Lock GUI" / "Unlock GUI", "Lock Panel" / "Unlock Panel", "Admin Login" / "Admin Logout".
std::string LockActionCaption(const AppContext& ctx, int slot, LockMode mode);
std::string LockPrompt(const AppContext& ctx, LockMode mode);

enum class LockOutcome {
    Toggled,        // the state changed (and was sent, for the two device locks)
    WrongPassword,  // "Wrong Password" shown, nothing changed
    Failed          // the lock command's transaction failed; the record holds the new value
};

class PasswordLock {
public:
    PasswordLock(comm::DeviceComm& comm, Prompter& prompter, int slot, LockMode mode)
        : comm_(comm), prompter_(prompter), slot_(slot), mode_(mode) {}
    LockMode mode() const { return mode_; }
    std::string prompt() const { return LockPrompt(comm_.context(), mode_); }
    std::string actionCaption() const { return LockActionCaption(comm_.context(), slot_, mode_); }
    // OK (or Enter in the password box).
    LockOutcome submit(std::string_view entered);

private:
    comm::DeviceComm& comm_;
    Prompter& prompter_;
    int slot_;
    LockMode mode_;
};

}  // namespace plenum::device
