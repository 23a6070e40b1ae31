// The imported measured responses (the IR import window's 8 slots) kept per loudspeaker across
// sessions.
//
// Where: below the data folder's "IR" folder, in "imported/". Each import is copied there first
// ("imported/<device>/<slot>-<file name>", "<slot>-<n>-<file name>" when that copy exists: a
// copy is never overwritten), so a curve survives its original being moved or
// deleted, and "imported/index.json" records per device and slot the copy, the name shown, the
// smoothing and the output way. A loudspeaker is known by its serial (DeviceRecord::UniqueId), or
// by its address when it reported none. The index is written atomically after every change; a
// missing or unreadable index loads nothing (an entry with a missing or mistyped field is
// skipped) and the copies stay on disk. Replacing a slot's import keeps the copy of the earlier
// file (an import is never deleted by the application).
//
// Index format (version 1):
//   {"version": 1, "devices": {"<device>": [{"slot": 0, "name": "m.txt", "file": "<copy, relative
//    to imported/>", "smoothing": 0.1667, "way": 0}, ...]}}
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "core/DeviceState.h"
#include "fir/IrImport.h"

namespace plenum::fir {

inline constexpr int kIrSlots = 8;

struct KeptIr {
    std::string name;
    std::filesystem::path file;  // relative to the library folder
    double smoothingOctaves = 0;
    int way = 0;
    bool operator==(const KeptIr&) const = default;
};

// The key of a loudspeaker in the library.
std::string IrDeviceKey(const DeviceRecord& device);

class IrLibrary {
public:
    // `irFolder`: the data folder's "IR" folder.
    explicit IrLibrary(std::filesystem::path irFolder);

    const std::filesystem::path& folder() const { return folder_; }
    // Reads the index (what was kept before is replaced).
    void load();
    // Copies the file into the library and records it in the slot, then saves the index. False
    // (nothing changed) when the slot is out of range, the copy fails or the index cannot be written.
    bool keep(const std::string& device, int slot, const std::filesystem::path& source, double smoothingOctaves,
              int way);
    const KeptIr* find(const std::string& device, int slot) const;
    // The kept import read again from its copy and conditioned as it was; nothing when the copy is
    // gone or no longer reads.
    std::optional<IrCurve> curve(const std::string& device, int slot) const;

private:
    bool save() const;
    std::filesystem::path folder_;
    std::map<std::string, std::array<std::optional<KeptIr>, kIrSlots>> devices_;
};

}  // namespace plenum::fir
