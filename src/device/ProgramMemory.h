// Program memory: the eight programs a loudspeaker keeps in its own memory (slot k at device
// address 16384 * (k + 1) + 384, laid out like the live program: name in bytes 0..15, lock byte
// at 16, a satellite's system byte at 519). ProgramStore is the controller of the store / recall
// window (FrmStore); the free functions read the program list back and build the texts the
// windows show.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "comm/DeviceComm.h"
#include "core/Prompter.h"
#include "sat/ParamSender.h"

namespace plenum::device {

// Long transfers tell how far they got (done of total) and may be cancelled: the callback
// returns false to stop before the next command. The caller's thread is the one that runs the
// transfer; a window posts the work and forwards the calls itself.
using ProgressFn = std::function<bool(int done, int total)>;

inline constexpr std::uint8_t kStoreProgramCode = 0x19;
inline constexpr std::uint8_t kRecallProgramCode = 0x1A;
inline constexpr std::uint8_t kStoreStateCode = 0x1B;
inline constexpr std::uint32_t kProgramNameAddress = 384;
inline constexpr std::uint32_t kProgramLockAddress = 400;

// Reads every stored program of the device (slot by slot, in pieces of 192 bytes) and fills
// ProgramNames, ProgramLocked and, for a satellite, ProgramSystem. Stops at the first failed read;
// slots already read keep their new values.
std::int16_t ReadProgramList(comm::DeviceComm& comm, int slot, const ProgressFn& progress = {});

// "01: name            (2-WAY)": two-digit number, ": ", the slot's name padded to 16, and for
// a satellite " (BRIDGE)" or " (2-WAY)" from ProgramSystem.
std::string ProgramListLine(const AppContext& ctx, int slot, int programSlot);
// The line a window selects on opening: CurrentProgram bits 0..6 when 0..7, else the first.
int PreselectedProgram(const AppContext& ctx, int slot);
// "name - P3: ": the live program's name (trimmed), " - P", the slot number 1..8 of
// CurrentProgram, ": ".
std::string ProgramLabel(const AppContext& ctx, int slot);

enum class NameCheck { Ok, Invalid, NotAdmitted };
// Empty and " " are invalid; a character outside 0..127 is not admitted.
NameCheck CheckProgramName(std::string_view name);
// Padded with blanks to 16 characters; a longer text keeps its first 16.
std::string PadProgramName(std::string_view name);

// What a store or recall came to.
enum class ProgramOutcome {
    Done,
    Refused,   // a rule said no (its message was shown), nothing sent
    Declined,  // the user answered No
    Failed,    // a transaction failed; the commands after it were not sent
    Cancelled  // the progress callback stopped it
};

enum class ProgramMode { Store, Recall };

// The store / recall window's state and rules for one device.
class ProgramStore {
public:
    // `refresh` is told after a device's state was read back (its window redraws); `readFirBlocks`
    // re-reads a satellite's coefficient tables after a recall. Either may be empty.
    ProgramStore(comm::DeviceComm& comm, Prompter& prompter, int slot, ProgramMode mode);

    void setRefresh(std::function<void(int slot)> refresh) { refresh_ = std::move(refresh); }
    void setProgress(ProgressFn progress) { progress_ = std::move(progress); }

    ProgramMode mode() const { return mode_; }
    int slot() const { return slot_; }
    std::vector<std::string> lines() const;

    // Selecting a line copies its name (right-trimmed) to the name box and the position selector.
    void selectLine(int programSlot);
    int selected() const { return selected_; }
    // The position selector alone (store mode): refreshes the lock display.
    void selectPosition(int programSlot);
    const std::string& name() const { return name_; }
    // The name box: a first character outside 0..127 clears it.
    void setName(std::string_view name);
    // The name box's key filter: true when the key is taken, false when it cleared the box.
    bool typeKey(int characterCode);

    // Lock display (store mode only): with the administrator logged in the check box shows the
    // slot's lock; otherwise the "Locked Program" label shows when the slot is locked.
    bool showsLockCheck() const;
    bool showsLockedLabel() const;
    bool lockChecked() const { return lockChecked_; }
    void setLockChecked(bool checked) { lockChecked_ = checked; }

    // Button 0.
    ProgramOutcome store();
    ProgramOutcome recall();
    ProgramOutcome run() { return mode_ == ProgramMode::Store ? store() : recall(); }

private:
    bool isSub() const;
    bool admin() const;
    std::int16_t locked(int programSlot) const;
    bool step(int& done, int total);
    ProgramOutcome copyToLinked();

    comm::DeviceComm& comm_;
    Prompter& prompter_;
    int slot_;
    ProgramMode mode_;
    int selected_ = 0;
    std::string name_;
    bool lockChecked_ = false;
    std::function<void(int)> refresh_;
    ProgressFn progress_;
};

// A transaction failed or the device dropped off-line during a sequence (a call to an off-line
// device returns 0 without sending).
bool SequenceBroken(comm::DeviceComm& comm, int slot, std::int16_t result);

}  // namespace plenum::device
