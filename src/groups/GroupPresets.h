// The group equaliser presets: ten named curves (the last three the user's own) and the current
// custom curve, each a 25-byte record in the group block's field-major band layout (field f of
// band b at 5 f + b: type, frequency high, frequency low, Q code, gain code with bit 7 = band
// bypass).
//
// The user presets live in "GroupP.lst" in the data folder: a marker byte 11, then the records of
// presets 8, 9 and 10. A file that does not start with the marker, has another length, or holds a
// band no equaliser can play (type outside the list, gain code above +15 dB, frequency outside
// 20..20000 Hz) is ignored as a whole: the built-in curves stay.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/AppContext.h"

namespace plenum {

using GroupCurve = std::array<std::uint8_t, 25>;

inline constexpr int kGroupPresetCount = 10;    // presets 1..10 at index 0..9
inline constexpr int kCustomPresetIndex = 10;  // the current custom curve ("CUSTOM")
inline constexpr int kFirstUserPreset = 7;     // presets 8, 9, 10 (index 7..9) are the user's
inline constexpr std::uint8_t kGroupPresetMarker = 11;
inline constexpr std::size_t kGroupPresetFileSize = 1 + 3 * 25;
inline constexpr std::string_view kGroupPresetFileName = "GroupP.lst";

// The three user records of a preset file, or nothing when the file is not one.
std::optional<std::array<GroupCurve, 3>> ParseGroupPresetFile(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> EncodeGroupPresetFile(const std::array<GroupCurve, 3>& user);

class GroupPresets {
public:
    GroupPresets();  // the built-in curves
    // Replaces presets 8-10 from the file in `dataDir` when it is valid; false otherwise.
    bool load(const std::filesystem::path& dataDir);
    // Stores `curve` as preset index 7, 8 or 9 and rewrites the file (atomically).
    std::error_code saveUserPreset(const std::filesystem::path& dataDir, int index, const GroupCurve& curve);

    const GroupCurve& curve(int index) const { return records_[static_cast<std::size_t>(index)]; }
    void setCustom(const GroupCurve& curve) { records_[kCustomPresetIndex] = curve; }
    static std::string_view name(int index);  // "CLASSIC" .. "USER 3", "CUSTOM" for 10
    // The first preset equal to `curve`, else kCustomPresetIndex.
    int match(const GroupCurve& curve) const;

private:
    std::array<GroupCurve, 11> records_{};
};

// The preset matching of the group timer: every group in use gets the index of the first preset
// its equaliser equals, or "CUSTOM" (and the custom record becomes its curve).
void MatchGroupPresets(AppContext& ctx, GroupPresets& presets);

}  // namespace plenum
