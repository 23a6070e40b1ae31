#include "fir/IrLibrary.h"

#include <cctype>
#include <nlohmann/json.hpp>

#include "core/AtomicText.h"
#include "core/BinaryIO.h"

namespace plenum::fir {

namespace {

constexpr int kIndexVersion = 1;
const char* const kIndexName = "index.json";

// A device key as a folder name: letters, digits, '-' and '_' kept, anything else '_'.
std::string FolderName(const std::string& key) {
    std::string out = key;
    for (char& c : out)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
    return out.empty() ? "_" : out;
}

}  // namespace

std::string IrDeviceKey(const DeviceRecord& device) {
    return device.UniqueId.empty() ? "address-" + device.Address : device.UniqueId;
}

IrLibrary::IrLibrary(std::filesystem::path irFolder) : folder_(std::move(irFolder) / "imported") {}

void IrLibrary::load() {
    devices_.clear();
    std::error_code error;
    const auto bytes = ReadWholeFile(folder_ / kIndexName, error);
    if (!bytes) return;
    const auto index = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (!index.is_object() || !index.contains("version") || index["version"] != kIndexVersion ||
        !index.contains("devices") || !index["devices"].is_object())
        return;
    for (const auto& [device, slots] : index["devices"].items()) {
        if (!slots.is_array()) continue;
        for (const auto& entry : slots) {
            // The index is a file a user can edit: an entry with a missing or mistyped field is
            // skipped (nlohmann's value() would throw on a wrong type), the others still load.
            if (!entry.is_object()) continue;
            const auto field = [&entry](const char* key, bool (nlohmann::json::*is)() const noexcept) {
                return entry.contains(key) && (entry[key].*is)();
            };
            if (!field("slot", &nlohmann::json::is_number_integer) || !field("file", &nlohmann::json::is_string) ||
                !field("name", &nlohmann::json::is_string) || !field("smoothing", &nlohmann::json::is_number) ||
                !field("way", &nlohmann::json::is_number_integer))
                continue;
            const auto slot = entry["slot"].get<std::int64_t>();
            if (slot < 0 || slot >= kIrSlots) continue;
            KeptIr kept;
            kept.name = entry["name"].get<std::string>();
            kept.file = std::filesystem::path(entry["file"].get<std::string>());
            kept.smoothingOctaves = entry["smoothing"].get<double>();
            const auto way = entry["way"].get<std::int64_t>();
            if (way < 0 || way > 1) continue;
            kept.way = static_cast<int>(way);
            devices_[device][static_cast<std::size_t>(slot)] = std::move(kept);
        }
    }
}

bool IrLibrary::save() const {
    nlohmann::json devices = nlohmann::json::object();
    for (const auto& [device, slots] : devices_) {
        nlohmann::json list = nlohmann::json::array();
        for (int slot = 0; slot < kIrSlots; ++slot) {
            const auto& kept = slots[static_cast<std::size_t>(slot)];
            if (!kept) continue;
            list.push_back({{"slot", slot},
                            {"name", kept->name},
                            {"file", kept->file.generic_string()},
                            {"smoothing", kept->smoothingOctaves},
                            {"way", kept->way}});
        }
        devices[device] = std::move(list);
    }
    const std::string text = nlohmann::json{{"version", kIndexVersion}, {"devices", devices}}.dump(2);
    return !WriteTextFileAtomic(folder_ / kIndexName, text);
}

bool IrLibrary::keep(const std::string& device, int slot, const std::filesystem::path& source,
                     double smoothingOctaves, int way) {
    if (slot < 0 || slot >= kIrSlots) return false;
    const std::filesystem::path deviceFolder(FolderName(device));
    std::error_code error;
    std::filesystem::create_directories(folder_ / deviceFolder, error);
    if (error) return false;
    std::filesystem::path relative;
    if (std::filesystem::equivalent(source.parent_path(), folder_ / deviceFolder, error)) {
        // Re-importing a kept copy of this loudspeaker needs no copy.
        relative = deviceFolder / source.filename();
    } else {
        // A new copy never replaces an existing one: the index (or its rollback when the index
        // cannot be written) may still point at it. "<slot>-<name>", else "<slot>-<n>-<name>".
        const std::string prefix = std::to_string(slot + 1) + "-";
        relative = deviceFolder / (prefix + source.filename().string());
        for (int n = 2; std::filesystem::exists(folder_ / relative, error) || error; ++n) {
            if (error || n > 100000) return false;
            relative = deviceFolder / (prefix + std::to_string(n) + "-" + source.filename().string());
        }
        const auto bytes = ReadWholeFile(source, error);
        if (!bytes || WriteFileAtomic(folder_ / relative, *bytes)) return false;
    }
    auto& slots = devices_[device];
    const auto previous = slots[static_cast<std::size_t>(slot)];
    slots[static_cast<std::size_t>(slot)] = KeptIr{source.filename().string(), relative, smoothingOctaves, way};
    if (save()) return true;
    slots[static_cast<std::size_t>(slot)] = previous;
    return false;
}

const KeptIr* IrLibrary::find(const std::string& device, int slot) const {
    if (slot < 0 || slot >= kIrSlots) return nullptr;
    const auto it = devices_.find(device);
    if (it == devices_.end() || !it->second[static_cast<std::size_t>(slot)]) return nullptr;
    return &*it->second[static_cast<std::size_t>(slot)];
}

std::optional<IrCurve> IrLibrary::curve(const std::string& device, int slot) const {
    const KeptIr* kept = find(device, slot);
    if (kept == nullptr) return std::nullopt;
    // The copy was parsed with the point as decimal separator or it would not have been kept.
    const auto measurement = LoadIrFile(folder_ / kept->file, false);
    if (!measurement) return std::nullopt;
    return ConditionIr(*measurement, kept->smoothingOctaves);
}

}  // namespace plenum::fir
