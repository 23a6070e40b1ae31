// Backup and restore of one loudspeaker (FrmBackup, FrmRestore): the controllers hold the
// windows' item selections and run the transfers over the command transaction; the file format
// is store/BackupFile.h.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "comm/DeviceComm.h"
#include "core/Prompter.h"
#include "device/ProgramMemory.h"
#include "store/BackupFile.h"

namespace plenum::device {

inline constexpr std::uint8_t kSlotUsedMarker = 0x55;

// Which items a backup holds or a restore writes.
struct BackupItems {
    bool actualProgram = false;
    bool systemData = false;
    std::vector<bool> programs;  // one per program slot
    bool any() const;
    static BackupItems All(int programCount);
};

enum class TransferOutcome {
    Done,
    Refused,    // a rule said no (message shown), nothing sent or written
    Declined,   // the user answered No
    Failed,     // a transaction failed (message shown); what was written before stays
    Cancelled,  // the progress callback stopped it
    FileError   // the file could not be written (message shown)
};

// "Backup IP:192.168.0.10" or "Backup USB".
std::string BackupHeader(const AppContext& ctx, int slot);
// "01: name (2-WAY)" from a program of a backup file; "01: --" when the file lacks it.
std::string BackupProgramLine(const BackupFile& file, int programSlot);

class BackupWindow {
public:
    BackupWindow(comm::DeviceComm& comm, Prompter& prompter, int slot);
    int programCount() const { return static_cast<int>(items.programs.size()); }
    std::string header() const { return BackupHeader(comm_.context(), slot_); }
    // The program entries as the window lists them (number, ": ", the slot's name).
    std::vector<std::string> programLines() const;
    void selectAll(bool selected);

    // "SAVE" once the user chose `file` in the save dialog.
    TransferOutcome save(const std::filesystem::path& file);
    // "CLOSE": true when the window may close.
    bool confirmClose();

    void setProgress(ProgressFn progress) { progress_ = std::move(progress); }

    BackupItems items;

private:
    comm::DeviceComm& comm_;
    Prompter& prompter_;
    int slot_;
    ProgressFn progress_;
};

class RestoreWindow {
public:
    RestoreWindow(comm::DeviceComm& comm, Prompter& prompter, int slot);

    // The file the user chose: refused with "Wrong format file" (or a damaged-file message) when
    // the device cannot take it; asks when its system mode differs from the device's. False when
    // no file is open afterwards.
    bool openFile(const std::filesystem::path& file);
    const std::optional<BackupFile>& file() const { return file_; }
    // "select a backup file" until a file is open, then its name.
    std::string fileCaption() const;
    // "YES" / "NO" per item, from the file's flags.
    bool present(int programSlot) const;
    std::vector<std::string> programLines() const;
    // Only items the file holds can be ticked; the others stay unticked.
    void select(const BackupItems& wanted);
    void selectAll(bool selected);
    const BackupItems& selection() const { return items_; }

    // "RESTORE".
    TransferOutcome restore();
    void setProgress(ProgressFn progress) { progress_ = std::move(progress); }

private:
    bool askModeMismatch(const Bilingual& what, std::uint8_t deviceMode, std::uint8_t fileMode);
    bool step(int& done, int total);

    comm::DeviceComm& comm_;
    Prompter& prompter_;
    int slot_;
    std::optional<BackupFile> file_;
    std::filesystem::path fileName_;
    BackupItems items_;
    ProgressFn progress_;
};

}  // namespace plenum::device
