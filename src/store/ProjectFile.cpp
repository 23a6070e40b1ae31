#include "store/ProjectFile.h"

#include <algorithm>
#include <memory>

#include "groups/GroupFile.h"
#include "store/BlockCodec.h"
#include "store/SlotRecords.h"

namespace plenum {
namespace {

// The preset list of a settings block: the device's program slots.
constexpr std::int16_t kPresetListUpperBound = kProgramSlots - 1;

bool HasDeviceBlock(const DeviceRecord& record) { return record.isPresent() && record.ModelCode != 2; }

// A satellite's settings array carries, after its coefficients, the system byte each of its eight
// program slots was stored under (ProgramSystem): the program list shows it, and the device's
// program slots are read again only when the device itself is. Files written before these bytes
// were added lack them and load with the table cleared.
Bytes ProjectSettings(const AppContext& ctx, int slot) {
    Bytes plain = SlotSettings(ctx, slot);
    if (!ctx.device(slot).isSub()) {
        const auto& system = ctx.ProgramSystem[static_cast<std::size_t>(slot)];
        plain.insert(plain.end(), system.begin(), system.end());
    }
    return plain;
}

// Hands out the next block to read: in a stream every block follows the last; in a fixed-record
// file each block starts its own record.
class BlockSource {
public:
    BlockSource(std::span<const std::uint8_t> file, ProjectLayout layout)
        : file_(file), layout_(layout), stream_(file) {}

    BinaryReader& next() {
        if (layout_ == ProjectLayout::Stream) return stream_;
        const std::size_t start = index_++ * kSessionRecordSize;
        if (start >= file_.size()) {
            record_ = std::make_unique<BinaryReader>(std::span<const std::uint8_t>{});
            record_->fail();
        } else {
            record_ = std::make_unique<BinaryReader>(
                file_.subspan(start, std::min(kSessionRecordSize, file_.size() - start)));
        }
        return *record_;
    }

    // True when every block read so far was whole and the file holds nothing after the last.
    bool complete() const {
        if (layout_ == ProjectLayout::Stream) return stream_.ok() && stream_.atEnd();
        return !failed_ && index_ * kSessionRecordSize >= file_.size();
    }
    void check(const BinaryReader& reader) {
        if (!reader.ok()) failed_ = true;
    }

private:
    std::span<const std::uint8_t> file_;
    ProjectLayout layout_;
    BinaryReader stream_;
    std::unique_ptr<BinaryReader> record_;
    std::size_t index_ = 0;
    bool failed_ = false;
};

}  // namespace

std::vector<Bytes> EncodeProjectBlocks(const AppContext& ctx, std::int16_t marker) {
    std::vector<Bytes> blocks;
    auto block = [&](auto&& fill) {
        BinaryWriter out;
        fill(out);
        blocks.push_back(out.take());
    };
    block([&](BinaryWriter& out) { out.i16(marker); });
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        block([&](BinaryWriter& out) { WriteDeviceRecord(out, ctx.device(slot)); });

    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        const DeviceRecord& record = ctx.device(slot);
        if (!HasDeviceBlock(record)) continue;
        const auto index = static_cast<std::size_t>(slot);
        if (record.isSub()) {
            block([&](BinaryWriter& out) { out.bytes(ctx.subStatus[index].bytes); });
            block([&](BinaryWriter& out) { out.bytes(ctx.subImage[index].bytes); });
            block([&](BinaryWriter& out) { WriteSubExtra(out, ctx.subExtra[index]); });
        } else {
            block([&](BinaryWriter& out) { out.bytes(ctx.satStatus[index].bytes); });
            block([&](BinaryWriter& out) { out.bytes(ctx.satImage[index].bytes); });
            block([&](BinaryWriter& out) { WriteSatExtra(out, ctx.satExtra[index]); });
        }
        block([&](BinaryWriter& out) {
            const Bytes packed = PackBlock(ProjectSettings(ctx, slot));
            out.i16(static_cast<std::int16_t>(static_cast<int>(packed.size()) - 1));
            out.i16(kPresetListUpperBound);
            out.bytes(packed);
        });
    }
    for (const GroupRecord& group : ctx.groups) block([&](BinaryWriter& out) { WriteGroupRecord(out, group); });
    for (std::size_t g = 0; g < ctx.groups.size(); ++g) {
        if (!ctx.groups[g].isInUse()) continue;
        block([&](BinaryWriter& out) {
            out.i32(ctx.groupState[g].windowLeft);
            out.i32(ctx.groupState[g].windowTop);
        });
    }
    return blocks;
}

Bytes LayOutProject(const std::vector<Bytes>& blocks, ProjectLayout layout) {
    Bytes file;
    for (const Bytes& block : blocks) {
        file.insert(file.end(), block.begin(), block.end());
        if (layout == ProjectLayout::FixedRecords) {
            // Every block fits a record: the largest, a satellite's extra record, is under 13 kB.
            file.resize(((file.size() + kSessionRecordSize - 1) / kSessionRecordSize) * kSessionRecordSize, 0);
        }
    }
    return file;
}

Bytes EncodeExtFile(const AppContext& ctx, bool withMarker) {
    BinaryWriter out;
    if (withMarker) out.i16(kExtProjectMarker);
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        const ExtFilterEntry& entry = ctx.extFilter[static_cast<std::size_t>(slot)];
        out.bytes(entry.record);
        for (const auto& pair : entry.pairs) {
            out.i32(pair[0]);
            out.i32(pair[1]);
        }
    }
    return out.take();
}

ProjectStatus DecodeProject(AppContext& ctx, std::span<const std::uint8_t> file, ProjectLayout layout,
                            std::initializer_list<std::int16_t> acceptedMarkers) {
    BlockSource source(file, layout);
    {
        BinaryReader& in = source.next();
        const std::int16_t marker = in.i16();
        if (!in.ok()) return ProjectStatus::Corrupt;
        if (std::find(acceptedMarkers.begin(), acceptedMarkers.end(), marker) == acceptedMarkers.end())
            return ProjectStatus::WrongMarker;
    }
    // Decode into a copy; the caller's state changes only when the whole file was good.
    auto staged = std::make_unique<AppContext>(ctx);
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        BinaryReader& in = source.next();
        DeviceRecord record = ReadDeviceRecord(in);
        source.check(in);
        record.EditOpen = kFalse16;  // no edit window is open right after loading
        staged->device(slot) = std::move(record);
    }
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        const DeviceRecord& record = staged->device(slot);
        const auto index = static_cast<std::size_t>(slot);
        if (!HasDeviceBlock(record)) {
            staged->satStatus[index] = {}, staged->subStatus[index] = {};
            staged->satImage[index] = {}, staged->subImage[index] = {};
            staged->satExtra[index] = {}, staged->subExtra[index] = {};
            staged->ProgramSystem[index] = {};
            continue;
        }
        if (record.isSub()) {
            BinaryReader& status = source.next();
            status.bytes(staged->subStatus[index].bytes);
            source.check(status);
            BinaryReader& image = source.next();
            image.bytes(staged->subImage[index].bytes);
            source.check(image);
            BinaryReader& extra = source.next();
            staged->subExtra[index] = {};
            ReadSubExtra(extra, staged->subExtra[index]);
            source.check(extra);
        } else {
            BinaryReader& status = source.next();
            status.bytes(staged->satStatus[index].bytes);
            source.check(status);
            BinaryReader& image = source.next();
            image.bytes(staged->satImage[index].bytes);
            source.check(image);
            BinaryReader& extra = source.next();
            staged->satExtra[index] = {};
            ReadSatExtra(extra, staged->satExtra[index]);
            source.check(extra);
        }
        BinaryReader& settings = source.next();
        const std::int16_t storedUpper = settings.i16();
        settings.i16();  // the preset list's upper bound: informational
        if (storedUpper < -1) settings.fail();
        Bytes packed(static_cast<std::size_t>(std::max<int>(storedUpper + 1, 0)));
        settings.bytes(packed);
        const bool sub = record.isSub();
        const std::size_t coefficients = SlotSettingsSize(sub);
        auto plain = UnpackBlock(packed, sub ? coefficients : coefficients + kProgramSlots);
        if (!plain && !sub) plain = UnpackBlock(packed, coefficients);
        if (!plain) settings.fail();
        source.check(settings);
        if (plain) {
            ApplySlotSettings(*staged, slot, std::span<const std::uint8_t>(*plain).first(coefficients));
            auto& system = staged->ProgramSystem[index];
            system = {};
            if (plain->size() > coefficients)
                std::copy_n(plain->begin() + static_cast<std::ptrdiff_t>(coefficients), system.size(), system.begin());
        }
        // The hardware variant of models 8 and 10 lives in status byte 265 as well.
        if (record.ModelCode == 8 || record.ModelCode == 10)
            staged->ModelVariant[index] = staged->statusOf(slot)[status::kHwVariant];
    }
    for (auto& group : staged->groups) {
        BinaryReader& in = source.next();
        group = ReadGroupRecord(in);
        source.check(in);
    }
    for (std::size_t g = 0; g < staged->groups.size(); ++g) {
        if (!staged->groups[g].isInUse()) continue;
        BinaryReader& in = source.next();
        staged->groupState[g].windowLeft = in.i32();
        staged->groupState[g].windowTop = in.i32();
        source.check(in);
    }
    if (!source.complete()) return ProjectStatus::Corrupt;
    ctx = std::move(*staged);
    return ProjectStatus::Loaded;
}

namespace {

// The companion file's entries, or nothing when the file is damaged.
std::optional<std::array<ExtFilterEntry, kSlotCount>> ParseExtFile(std::span<const std::uint8_t> file,
                                                                    bool withMarker) {
    BinaryReader in(file);
    if (withMarker && in.i16() != kExtProjectMarker) return std::nullopt;
    std::array<ExtFilterEntry, kSlotCount> entries{};
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        ExtFilterEntry& entry = entries[static_cast<std::size_t>(slot)];
        in.bytes(entry.record);
        for (auto& pair : entry.pairs) {
            pair[0] = in.i32();
            pair[1] = in.i32();
        }
    }
    if (!in.ok() || !in.atEnd()) return std::nullopt;
    return entries;
}

}  // namespace

bool DecodeExtFile(AppContext& ctx, std::span<const std::uint8_t> file, bool withMarker) {
    const auto entries = ParseExtFile(file, withMarker);
    if (entries) ctx.extFilter = *entries;
    return entries.has_value();
}

std::filesystem::path CompanionPath(const std::filesystem::path& projectFile) {
    std::filesystem::path companion = projectFile;
    companion += ".ext";
    return companion;
}

std::error_code SaveProject(const AppContext& ctx, const std::filesystem::path& file) {
    if (auto error = WriteFileAtomic(CompanionPath(file), EncodeExtFile(ctx, true))) return error;
    return WriteFileAtomic(file, LayOutProject(EncodeProjectBlocks(ctx, kProjectMarker), ProjectLayout::Stream));
}

bool LoadProject(AppContext& ctx, Prompter& prompter, const std::filesystem::path& file) {
    std::error_code error;
    const auto bytes = ReadWholeFile(file, error);
    if (!bytes) {
        Tell(prompter, ctx.LanguageFlag,
             error == std::errc::no_such_file_or_directory ? texts::kFileNotFound : texts::kFileWrong);
        return false;
    }
    // The companion is checked first, so that the state changes only when both files are good; a
    // project without one has no external-filter data.
    std::array<ExtFilterEntry, kSlotCount> ext{};
    if (const auto companion = ReadWholeFile(CompanionPath(file), error)) {
        const auto parsed = ParseExtFile(*companion, true);
        if (!parsed) {
            Tell(prompter, ctx.LanguageFlag, texts::kFileWrong);
            return false;
        }
        ext = *parsed;
    }
    if (DecodeProject(ctx, *bytes, ProjectLayout::Stream, {kProjectMarker, kProjectMarkerOld}) !=
        ProjectStatus::Loaded) {
        Tell(prompter, ctx.LanguageFlag, texts::kFileWrong);
        return false;
    }
    ctx.extFilter = ext;
    return true;
}

std::error_code SaveSessionProject(const AppContext& ctx, const AppPaths& paths) {
    if (auto error = WriteFileAtomic(paths.sessionExtProject(), EncodeExtFile(ctx, false))) return error;
    if (auto error = WriteFileAtomic(paths.sessionBusIds(), ctx.DeviceIdTable)) return error;
    return WriteFileAtomic(paths.sessionProject(),
                           LayOutProject(EncodeProjectBlocks(ctx, kSessionMarker), ProjectLayout::FixedRecords));
}

namespace {

// Renames a file the program could not read to the first free "<name>.bad[.N]" beside it.
std::optional<std::filesystem::path> SetAside(const std::filesystem::path& file) {
    for (int n = 0; n < 1000; ++n) {
        std::filesystem::path target = file;
        target += n == 0 ? std::string(".bad") : ".bad." + std::to_string(n);
        std::error_code error;
        if (std::filesystem::exists(target, error) || error) continue;
        std::filesystem::rename(file, target, error);
        if (!error) return target;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

SessionRestore LoadSessionProject(AppContext& ctx, const AppPaths& paths) {
    SessionRestore restore;
    auto setAside = [&](const std::filesystem::path& file) {
        restore.status = SessionRestore::Status::SetAside;
        if (auto kept = SetAside(file)) restore.keptAs.push_back(std::move(*kept));
    };
    std::error_code error;
    const auto bytes = ReadWholeFile(paths.sessionProject(), error);
    if (!bytes) {
        if (error != std::errc::no_such_file_or_directory) setAside(paths.sessionProject());
        return restore;
    }
    // The companion is parsed before the state changes, so that a damaged one is set aside too
    // rather than silently replaced by empty external-filter data at the next save.
    std::array<ExtFilterEntry, kSlotCount> ext{};
    bool extDamaged = false;
    if (const auto companion = ReadWholeFile(paths.sessionExtProject(), error)) {
        const auto parsed = ParseExtFile(*companion, false);
        extDamaged = !parsed;
        if (parsed) ext = *parsed;
    }
    if (DecodeProject(ctx, *bytes, ProjectLayout::FixedRecords, {kSessionMarker, kSessionMarkerOld}) !=
        ProjectStatus::Loaded) {
        setAside(paths.sessionProject());
        if (std::filesystem::exists(paths.sessionExtProject(), error)) setAside(paths.sessionExtProject());
        return restore;
    }
    ctx.extFilter = ext;
    if (const auto ids = ReadWholeFile(paths.sessionBusIds(), error, 64); ids && ids->size() == kSlotCount)
        std::copy(ids->begin(), ids->end(), ctx.DeviceIdTable.begin());
    restore.status = SessionRestore::Status::Restored;
    if (extDamaged)
        if (auto kept = SetAside(paths.sessionExtProject())) restore.keptAs.push_back(std::move(*kept));
    return restore;
}

void TellSessionProblem(Prompter& prompter, int languageFlag, const SessionRestore& restore) {
    if (restore.status != SessionRestore::Status::SetAside && restore.keptAs.empty()) return;
    std::string names;
    for (const auto& kept : restore.keptAs) names += (names.empty() ? "" : ", ") + kept.filename().string();
    Tell(prompter, languageFlag, texts::kSessionSetAside, {names.empty() ? std::string("-") : names});
}

}  // namespace plenum
