#include "device/Backup.h"

#include <algorithm>

#include "core/ImageLayout.h"
#include "device/ProgramTexts.h"
#include "sat/DeviceMemory.h"

namespace plenum::device {
namespace {

// Status fields a restore takes from the file; every other field (network settings, passwords,
// names, locks, firmware digits) keeps the device's value.
struct FieldRange {
    int first;
    int last;
};
constexpr FieldRange kRestoredFields[] = {
    {status::kRecallMode, status::kRecallMode},
    {status::kNoiseEnable, status::kNoiseLevel},
    {status::kAutoSleepEnable, status::kAutoStandbyTime},
    {status::kGrpGain, 258},
    {status::kLinkMask, status::kLinkMask},
};

std::string TwoDigits(int number) { return (number < 10 ? "0" : "") + std::to_string(number); }

std::string TrimName(const std::uint8_t* bytes) {
    std::string name(bytes, bytes + kProgramNameLength);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    const auto first = name.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : name.substr(first);
}

const char* ModeName(std::uint8_t mode) { return mode > 0 ? "BRIDGE" : "2-WAY"; }

ProgramBook& BookOf(AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub()) return ctx.subExtra[index];
    return ctx.satExtra[index];
}

std::size_t ImageSize(const AppContext& ctx, int slot) {
    return ctx.device(slot).isSub() ? SubParamImage::size() : SatParamImage::size();
}

bool Report(ProgressFn const& progress, Prompter& prompter, int& done, int total) {
    ++done;
    prompter.progress(done, total, "");
    return !progress || progress(done, total);
}

}  // namespace

bool BackupItems::any() const {
    return actualProgram || systemData || std::find(programs.begin(), programs.end(), true) != programs.end();
}

BackupItems BackupItems::All(int programCount) {
    BackupItems items;
    items.actualProgram = items.systemData = true;
    items.programs.assign(static_cast<std::size_t>(programCount), true);
    return items;
}

std::string BackupHeader(const AppContext& ctx, int slot) {
    const DeviceRecord& record = ctx.device(slot);
    return std::string(texts::kBackupHeader.pick(ctx.LanguageFlag)) +
           (record.isNetwork() ? "IP:" + record.Address : std::string("USB"));
}

std::string BackupProgramLine(const BackupFile& file, int programSlot) {
    const std::string number = TwoDigits(programSlot + 1);
    if (!file.hasProgram(programSlot)) return number + ": --";
    const auto& image = file.programs[static_cast<std::size_t>(programSlot)].image;
    std::string line = number + ":" + TrimName(image.data());
    if (!file.isSub()) line += image[sat::kProgramSystem] > 0 ? " (BRIDGE)" : " (2-WAY)";
    return line;
}

// --- Backup ------------------------------------------------------------------------------------

BackupWindow::BackupWindow(comm::DeviceComm& comm, Prompter& prompter, int slot)
    : comm_(comm), prompter_(prompter), slot_(slot) {
    items.programs.assign(static_cast<std::size_t>(ProgramCountOf(comm.context().device(slot).ModelCode)), false);
}

std::vector<std::string> BackupWindow::programLines() const {
    std::vector<std::string> lines;
    const ProgramBook& book = BookOf(comm_.context(), slot_);
    for (int k = 0; k < programCount(); ++k) {
        const std::string name = k < kProgramSlots ? book.ProgramNames[static_cast<std::size_t>(k)] : std::string();
        lines.push_back(TwoDigits(k + 1) + ": " + name);
    }
    return lines;
}

void BackupWindow::selectAll(bool selected) {
    items.actualProgram = items.systemData = selected;
    std::fill(items.programs.begin(), items.programs.end(), selected);
}

bool BackupWindow::confirmClose() { return Ask(prompter_, comm_.context().LanguageFlag, texts::kCloseConfirm); }

TransferOutcome BackupWindow::save(const std::filesystem::path& path) {
    AppContext& ctx = comm_.context();
    const int lang = ctx.LanguageFlag;
    const DeviceRecord& record = ctx.device(slot_);
    if (!record.isConnected()) {
        Tell(prompter_, lang, texts::kBackupOffline);
        return TransferOutcome::Refused;
    }
    if (!items.any()) {
        Tell(prompter_, lang, texts::kBackupNoItem);
        return TransferOutcome::Refused;
    }
    const auto index = static_cast<std::size_t>(slot_);
    const bool sub = record.isSub();
    BackupFile file = EmptyBackup(record.ModelCode);
    file.status = ctx.statusOf(slot_);
    if (sub) {
        std::copy(ctx.subImage[index].bytes.begin(), ctx.subImage[index].bytes.end(), file.image.begin());
        file.records.subExtra = ctx.subExtra[index];
    } else {
        // The saved live program carries the system mode it is backed up under. Only the file's
        // copy takes it: the application's image stays what the device holds, whose live byte may
        // differ (a backup reads the device and changes nothing on it).
        file.image = ctx.satImage[index].bytes;
        file.image[sat::kProgramSystem] = ctx.satStatus[index][status::kSystemMode];
        file.records.satExtra = ctx.satExtra[index];
    }
    file.headerByte = file.image[sat::kProgramSystem];

    // Each program entry is read from the device; the application keeps one set of extra records
    // and coefficient tables per device, and every entry carries that set.
    const int n = static_cast<int>(file.programs.size());
    int done = 0;
    std::vector<std::uint8_t> image(ImageSize(ctx, slot_));
    for (int k = 0; k < n; ++k) {
        BackupProgram& program = file.programs[static_cast<std::size_t>(k)];
        if (SequenceBroken(comm_, slot_, ReadBlock(comm_, slot_, ProgramSlotAddress(k), image, true))) {
            prompter_.progress(0, 0, "");
            Tell(prompter_, lang, texts::kBackupFailed);
            return TransferOutcome::Failed;
        }
        std::copy(image.begin(), image.end(), program.image.begin());
        program.records = file.records;
        if (!Report(progress_, prompter_, done, n)) {
            prompter_.progress(0, 0, "");
            return TransferOutcome::Cancelled;
        }
    }
    prompter_.progress(0, 0, "");
    file.actualProgramFlag = items.actualProgram ? 1 : 0;
    file.systemDataFlag = items.systemData ? 1 : 0;
    const ProgramBook& book = BookOf(ctx, slot_);
    for (int k = 0; k < n; ++k) {
        const auto i = static_cast<std::size_t>(k);
        file.slotFlags[i] = k < kProgramSlots ? book.ProgramLocked[i] : std::int16_t{0};
        file.programFlags[i] = items.programs[i] ? 1 : 0;
    }
    if (SaveBackupFile(path, file)) {
        Tell(prompter_, lang, texts::kBackupFailed);
        return TransferOutcome::FileError;
    }
    Tell(prompter_, lang, texts::kBackupSaved);
    return TransferOutcome::Done;
}

// --- Restore -----------------------------------------------------------------------------------

RestoreWindow::RestoreWindow(comm::DeviceComm& comm, Prompter& prompter, int slot)
    : comm_(comm), prompter_(prompter), slot_(slot) {
    items_.programs.assign(static_cast<std::size_t>(ProgramCountOf(comm.context().device(slot).ModelCode)), false);
}

bool RestoreWindow::askModeMismatch(const Bilingual& what, std::uint8_t deviceMode, std::uint8_t fileMode) {
    if ((deviceMode > 0) == (fileMode > 0)) return true;
    const int lang = comm_.context().LanguageFlag;
    const std::string fileText = std::string(ModeName(fileMode)) + ".";
    return Ask(prompter_, lang, texts::kRestoreModeMismatch, {what.pick(lang), ModeName(deviceMode), fileText});
}

bool RestoreWindow::openFile(const std::filesystem::path& path) {
    AppContext& ctx = comm_.context();
    const int lang = ctx.LanguageFlag;
    file_.reset();
    fileName_.clear();
    std::fill(items_.programs.begin(), items_.programs.end(), false);
    items_.actualProgram = items_.systemData = false;
    BackupReadResult read = LoadBackupFile(path);
    const std::uint8_t model = ctx.device(slot_).ModelCode;
    if (read.error == BackupReadError::WrongFormat || (read.file && !BackupAcceptedBy(read.file->formatCode, model))) {
        Tell(prompter_, lang, texts::kWrongFormatFile);
        return false;
    }
    if (!read.file) {
        Tell(prompter_, lang, texts::kDamagedBackupFile);
        return false;
    }
    if (read.file->programs.size() != items_.programs.size()) {
        Tell(prompter_, lang, texts::kWrongFormatFile);
        return false;
    }
    if (!ctx.device(slot_).isSub()) {
        const std::uint8_t deviceMode = ctx.statusOf(slot_)[status::kSystemMode];
        if (read.file->hasSystemData() &&
            !askModeMismatch(texts::kCurrentSystemData, deviceMode, read.file->status[status::kSystemMode]))
            return false;
        if (read.file->hasActualProgram() &&
            !askModeMismatch(texts::kActualProgram, deviceMode, read.file->image[sat::kProgramSystem]))
            return false;
    }
    file_ = std::move(read.file);
    fileName_ = path.filename();
    return true;
}

std::string RestoreWindow::fileCaption() const {
    if (!file_) return std::string(texts::kSelectBackupFileCaption.pick(comm_.context().LanguageFlag));
    return fileName_.string();
}

bool RestoreWindow::present(int programSlot) const { return file_ && file_->hasProgram(programSlot); }

std::vector<std::string> RestoreWindow::programLines() const {
    std::vector<std::string> lines;
    for (int k = 0; k < static_cast<int>(items_.programs.size()); ++k)
        lines.push_back(file_ ? BackupProgramLine(*file_, k) : TwoDigits(k + 1) + ": --");
    return lines;
}

void RestoreWindow::select(const BackupItems& wanted) {
    items_.actualProgram = file_ && file_->hasActualProgram() && wanted.actualProgram;
    items_.systemData = file_ && file_->hasSystemData() && wanted.systemData;
    for (std::size_t k = 0; k < items_.programs.size(); ++k)
        items_.programs[k] = present(static_cast<int>(k)) && k < wanted.programs.size() && wanted.programs[k];
}

void RestoreWindow::selectAll(bool selected) {
    select(selected ? BackupItems::All(static_cast<int>(items_.programs.size())) : BackupItems{});
}

bool RestoreWindow::step(int& done, int total) { return Report(progress_, prompter_, done, total); }

TransferOutcome RestoreWindow::restore() {
    AppContext& ctx = comm_.context();
    const int lang = ctx.LanguageFlag;
    if (!file_) {
        Tell(prompter_, lang, texts::kRestoreNoFile);
        return TransferOutcome::Refused;
    }
    if (!ctx.device(slot_).isConnected()) {
        Tell(prompter_, lang, texts::kRestoreOffline);
        return TransferOutcome::Refused;
    }
    if (!items_.any()) {
        Tell(prompter_, lang, texts::kRestoreNoItem);
        return TransferOutcome::Refused;
    }
    if (!Ask(prompter_, lang, texts::kRestoreConfirm)) return TransferOutcome::Declined;

    const BackupFile& file = *file_;
    const auto index = static_cast<std::size_t>(slot_);
    const bool sub = ctx.device(slot_).isSub();
    const int total = (items_.systemData ? 1 : 0) + (items_.actualProgram ? 1 : 0) +
                      static_cast<int>(std::count(items_.programs.begin(), items_.programs.end(), true));
    int done = 0;
    auto broken = [&](std::int16_t result) {
        if (!SequenceBroken(comm_, slot_, result)) return false;
        prompter_.progress(0, 0, "");
        Tell(prompter_, lang, texts::kRestoreInterrupted);
        return true;
    };
    auto stopped = [&] {
        if (step(done, total)) return false;
        prompter_.progress(0, 0, "");
        return true;
    };

    if (items_.systemData) {
        DeviceStatusRecord& status = ctx.statusOf(slot_);
        for (const FieldRange& range : kRestoredFields)
            for (int i = range.first; i <= range.last; ++i)
                status[static_cast<std::size_t>(i)] = file.status[static_cast<std::size_t>(i)];
        if (!sub) status[status::kSystemMode] = file.status[status::kSystemMode];
        if (broken(WriteStatus(comm_, slot_))) return TransferOutcome::Failed;
        if (stopped()) return TransferOutcome::Cancelled;
    }
    if (items_.actualProgram) {
        if (sub) {
            std::copy_n(file.image.begin(), SubParamImage::size(), ctx.subImage[index].bytes.begin());
        } else {
            ctx.satImage[index].bytes = file.image;
            ctx.satExtra[index].fir = file.records.satExtra.fir;
            ctx.satExtra[index].mir = file.records.satExtra.mir;
        }
        if (broken(WriteImage(comm_, slot_))) return TransferOutcome::Failed;
        if (broken(comm_.SendCommand(slot_, kStoreStateCode))) return TransferOutcome::Failed;
        if (stopped()) return TransferOutcome::Cancelled;
    }
    ProgramBook& book = BookOf(ctx, slot_);
    const std::size_t imageSize = ImageSize(ctx, slot_);
    for (std::size_t k = 0; k < items_.programs.size(); ++k) {
        if (!items_.programs[k]) continue;
        const auto& image = file.programs[k].image;
        const int programSlot = static_cast<int>(k);
        if (k < kProgramSlots) {
            book.ProgramLocked[k] = image[sat::kProgramLock];
            book.ProgramNames[k].assign(image.begin(), image.begin() + kProgramNameLength);
            if (!sub) ctx.ProgramSystem[index][k] = image[sat::kProgramSystem];
        }
        if (broken(WriteImageToSlot(comm_, slot_, programSlot, std::span(image).first(imageSize))))
            return TransferOutcome::Failed;
        if (file.programFlags[k] == 1) {
            const std::uint8_t marker = kSlotUsedMarker;
            if (broken(WriteBlock(comm_, slot_, ProgramSlotBase(programSlot), std::span(&marker, 1))))
                return TransferOutcome::Failed;
        }
        if (stopped()) return TransferOutcome::Cancelled;
    }
    prompter_.progress(0, 0, "");
    Tell(prompter_, lang, texts::kRestoreDone);
    return TransferOutcome::Done;
}

}  // namespace plenum::device
