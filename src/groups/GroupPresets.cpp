#include "groups/GroupPresets.h"

#include <algorithm>

#include "core/BinaryIO.h"
#include "core/ValueCodecs.h"

namespace plenum {
namespace {

constexpr std::array<std::string_view, 11> kNames{"CLASSIC", "DISCO", "JAZZ",   "POP",    "RNB",   "ROCK METAL",
                                                  "VOCAL",   "USER 1", "USER 2", "USER 3", "CUSTOM"};

// Every built-in curve uses the same five bands: a low shelf, three bells and a high shelf; the
// presets differ in their gains. A user preset starts flat.
constexpr std::array<std::uint8_t, 5> kTypes{5, 0, 0, 0, 2};  // LSh2, Bell, Bell, Bell, HSh2
constexpr std::array<std::uint16_t, 5> kFrequenciesHz{80, 250, 1000, 4000, 10000};
constexpr std::array<std::uint8_t, 5> kQCodes{12, 18, 18, 18, 12};  // Q 0.7 and 1.0
constexpr std::array<std::array<int, 5>, 10> kGainsDb{{
    {2, 0, -1, 1, 3},    // CLASSIC
    {6, 2, -2, 1, 4},    // DISCO
    {3, 1, 0, 2, 2},     // JAZZ
    {-1, 2, 3, 1, -1},   // POP
    {5, 3, -1, 0, 2},    // RNB
    {5, -1, -3, 3, 5},   // ROCK METAL
    {-3, -1, 4, 3, 0},   // VOCAL
    {0, 0, 0, 0, 0},     // USER 1
    {0, 0, 0, 0, 0},     // USER 2
    {0, 0, 0, 0, 0},     // USER 3
}};

GroupCurve BuiltIn(const std::array<int, 5>& gainsDb) {
    GroupCurve curve{};
    for (std::size_t b = 0; b < 5; ++b) {
        curve[b] = kTypes[b];
        curve[5 + b] = static_cast<std::uint8_t>(kFrequenciesHz[b] >> 8);
        curve[10 + b] = static_cast<std::uint8_t>(kFrequenciesHz[b] & 0xFF);
        curve[15 + b] = kQCodes[b];
        curve[20 + b] = static_cast<std::uint8_t>(kPeqGainCodeZero + 2 * gainsDb[b]);
    }
    return curve;
}

bool Playable(const GroupCurve& curve) {
    for (std::size_t b = 0; b < 5; ++b) {
        const int hz = JoinFrequency(curve[5 + b], curve[10 + b]);
        if (curve[b] >= kPeqTypeCount || (curve[20 + b] & 0x7F) > kPeqGainCodeMax || hz < 20 || hz > 20000) return false;
    }
    return true;
}

}  // namespace

std::optional<std::array<GroupCurve, 3>> ParseGroupPresetFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kGroupPresetFileSize || bytes[0] != kGroupPresetMarker) return std::nullopt;
    std::array<GroupCurve, 3> user{};
    for (std::size_t i = 0; i < 3; ++i) {
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(1 + 25 * i), 25, user[i].begin());
        if (!Playable(user[i])) return std::nullopt;
    }
    return user;
}

std::vector<std::uint8_t> EncodeGroupPresetFile(const std::array<GroupCurve, 3>& user) {
    std::vector<std::uint8_t> bytes{kGroupPresetMarker};
    for (const GroupCurve& curve : user) bytes.insert(bytes.end(), curve.begin(), curve.end());
    return bytes;
}

GroupPresets::GroupPresets() {
    for (std::size_t i = 0; i < kGainsDb.size(); ++i) records_[i] = BuiltIn(kGainsDb[i]);
    records_[kCustomPresetIndex] = records_[kFirstUserPreset];
}

bool GroupPresets::load(const std::filesystem::path& dataDir) {
    std::error_code error;
    const auto bytes = ReadWholeFile(dataDir / kGroupPresetFileName, error, kGroupPresetFileSize + 1);
    if (!bytes) return false;
    const auto user = ParseGroupPresetFile(*bytes);
    if (!user) return false;
    std::copy(user->begin(), user->end(), records_.begin() + kFirstUserPreset);
    return true;
}

std::error_code GroupPresets::saveUserPreset(const std::filesystem::path& dataDir, int index, const GroupCurve& curve) {
    if (index < kFirstUserPreset || index >= kGroupPresetCount) return std::make_error_code(std::errc::invalid_argument);
    std::array<GroupCurve, 3> user{};
    std::copy_n(records_.begin() + kFirstUserPreset, 3, user.begin());
    user[static_cast<std::size_t>(index - kFirstUserPreset)] = curve;
    const auto bytes = EncodeGroupPresetFile(user);
    if (const auto error = WriteFileAtomic(dataDir / kGroupPresetFileName, bytes)) return error;
    records_[static_cast<std::size_t>(index)] = curve;
    return {};
}

std::string_view GroupPresets::name(int index) {
    if (index < 0 || index > kCustomPresetIndex) return kNames[kCustomPresetIndex];
    return kNames[static_cast<std::size_t>(index)];
}

int GroupPresets::match(const GroupCurve& curve) const {
    for (int i = 0; i < kGroupPresetCount; ++i)
        if (records_[static_cast<std::size_t>(i)] == curve) return i;
    return kCustomPresetIndex;
}

void MatchGroupPresets(AppContext& ctx, GroupPresets& presets) {
    for (int g = 0; g < kGroupCount; ++g) {
        const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
        if (!group.isInUse()) continue;
        const int index = presets.match(group.Peq);
        ctx.groupState[static_cast<std::size_t>(g)].PresetIndex = static_cast<std::int16_t>(index);
        if (index == kCustomPresetIndex) presets.setCustom(group.Peq);
    }
}

}  // namespace plenum
