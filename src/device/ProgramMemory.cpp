#include "device/ProgramMemory.h"

#include <algorithm>
#include <array>

#include "core/ImageLayout.h"
#include "device/ProgramTexts.h"
#include "sat/DeviceMemory.h"

namespace plenum::device {
namespace {

constexpr std::uint8_t kSlotBits = 0x7F;

std::string TrimRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

std::string Trim(std::string text) {
    text = TrimRight(std::move(text));
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string TwoDigits(int number) { return (number < 10 ? "0" : "") + std::to_string(number); }

ProgramBook& BookOf(AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub()) return ctx.subExtra[index];
    return ctx.satExtra[index];
}

const ProgramBook& BookOf(const AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub()) return ctx.subExtra[index];
    return ctx.satExtra[index];
}

std::span<std::uint8_t> ImageOf(AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub()) return ctx.subImage[index].bytes;
    return ctx.satImage[index].bytes;
}

std::span<const std::uint8_t> ImageOf(const AppContext& ctx, int slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (ctx.device(slot).isSub()) return ctx.subImage[index].bytes;
    return ctx.satImage[index].bytes;
}

}  // namespace

bool SequenceBroken(comm::DeviceComm& comm, int slot, std::int16_t result) {
    return result != 0 || !comm.context().device(slot).isConnected();
}

std::int16_t ReadProgramList(comm::DeviceComm& comm, int slot, const ProgressFn& progress) {
    AppContext& ctx = comm.context();
    const bool sub = ctx.device(slot).isSub();
    std::vector<std::uint8_t> image(sub ? SubParamImage::size() : SatParamImage::size());
    ProgramBook& book = BookOf(ctx, slot);
    for (int k = 0; k < kProgramSlots; ++k) {
        if (progress && !progress(k, kProgramSlots)) return 0;
        if (const auto result = ReadBlock(comm, slot, ProgramSlotAddress(k), image, true); result != 0) return result;
        const auto index = static_cast<std::size_t>(k);
        book.ProgramNames[index].assign(image.begin(), image.begin() + kProgramNameLength);
        book.ProgramLocked[index] = image[sat::kProgramLock] != 0 ? 1 : 0;
        if (!sub) ctx.ProgramSystem[static_cast<std::size_t>(slot)][index] = image[sat::kProgramSystem];
    }
    if (progress) progress(kProgramSlots, kProgramSlots);
    return 0;
}

std::string ProgramListLine(const AppContext& ctx, int slot, int programSlot) {
    const auto index = static_cast<std::size_t>(programSlot);
    std::string line = TwoDigits(programSlot + 1) + ": " + PadProgramName(BookOf(ctx, slot).ProgramNames[index]);
    if (!ctx.device(slot).isSub())
        line += ctx.ProgramSystem[static_cast<std::size_t>(slot)][index] > 0 ? " (BRIDGE)" : " (2-WAY)";
    return line;
}

int PreselectedProgram(const AppContext& ctx, int slot) {
    const int current = ctx.statusOf(slot)[status::kCurrentProgram] & kSlotBits;
    return current < kProgramSlots ? current : 0;
}

std::string ProgramLabel(const AppContext& ctx, int slot) {
    const auto image = ImageOf(ctx, slot);
    const std::string name = Trim(std::string(image.begin(), image.begin() + kProgramNameLength));
    return name + " - P" + std::to_string(PreselectedProgram(ctx, slot) + 1) + ": ";
}

NameCheck CheckProgramName(std::string_view name) {
    if (name.empty() || name == " ") return NameCheck::Invalid;
    for (char c : name)
        if (static_cast<unsigned char>(c) > 127) return NameCheck::NotAdmitted;
    return NameCheck::Ok;
}

std::string PadProgramName(std::string_view name) {
    std::string padded(name.substr(0, kProgramNameLength));
    padded.resize(kProgramNameLength, ' ');
    return padded;
}

ProgramStore::ProgramStore(comm::DeviceComm& comm, Prompter& prompter, int slot, ProgramMode mode)
    : comm_(comm), prompter_(prompter), slot_(slot), mode_(mode) {
    selectLine(PreselectedProgram(comm.context(), slot));
}

bool ProgramStore::isSub() const { return comm_.context().device(slot_).isSub(); }
bool ProgramStore::admin() const { return BookOf(comm_.context(), slot_).AdminLogged != 0; }
std::int16_t ProgramStore::locked(int programSlot) const {
    return BookOf(comm_.context(), slot_).ProgramLocked[static_cast<std::size_t>(programSlot)];
}

std::vector<std::string> ProgramStore::lines() const {
    std::vector<std::string> result;
    for (int k = 0; k < kProgramSlots; ++k) result.push_back(ProgramListLine(comm_.context(), slot_, k));
    return result;
}

void ProgramStore::selectLine(int programSlot) {
    if (programSlot < 0 || programSlot >= kProgramSlots) return;
    name_ = TrimRight(BookOf(comm_.context(), slot_).ProgramNames[static_cast<std::size_t>(programSlot)]);
    selectPosition(programSlot);
}

void ProgramStore::selectPosition(int programSlot) {
    if (programSlot < 0 || programSlot >= kProgramSlots) return;
    selected_ = programSlot;
    lockChecked_ = locked(programSlot) != 0;
}

void ProgramStore::setName(std::string_view name) {
    if (!name.empty() && static_cast<unsigned char>(name.front()) > 127)
        name_.clear();
    else
        name_ = std::string(name.substr(0, kProgramNameLength));
}

bool ProgramStore::typeKey(int characterCode) {
    if (characterCode < 0 || characterCode > 127) {
        name_.clear();
        return false;
    }
    return true;
}

bool ProgramStore::showsLockCheck() const { return mode_ == ProgramMode::Store && admin(); }
bool ProgramStore::showsLockedLabel() const {
    return mode_ == ProgramMode::Store && !admin() && locked(selected_) != 0;
}

bool ProgramStore::step(int& done, int total) {
    ++done;
    prompter_.progress(done, total, "");
    return !progress_ || progress_(done, total);
}

ProgramOutcome ProgramStore::store() {
    AppContext& ctx = comm_.context();
    const int lang = ctx.LanguageFlag;
    switch (CheckProgramName(name_)) {
        case NameCheck::Invalid: Tell(prompter_, lang, texts::kInvalidProgramName); return ProgramOutcome::Refused;
        case NameCheck::NotAdmitted:
            Tell(prompter_, lang, texts::kNameNotAdmitted, {name_});
            return ProgramOutcome::Refused;
        case NameCheck::Ok: break;
    }
    if (!isSub() && !ctx.device(slot_).isConnected()) return ProgramOutcome::Refused;
    const int k = selected_;
    const auto index = static_cast<std::size_t>(k);
    ProgramBook& book = BookOf(ctx, slot_);
    std::uint8_t lockByte = 0;
    if (admin()) {
        lockByte = lockChecked_ ? 1 : 0;
    } else if (book.ProgramLocked[index] == 1) {
        Tell(prompter_, lang, texts::kProgramLocked);
        return ProgramOutcome::Refused;
    }
    // The records change only once the user said Yes, so that a No changes nothing.
    if (!Ask(prompter_, lang, texts::kStoreConfirm)) return ProgramOutcome::Declined;
    if (admin()) book.ProgramLocked[index] = lockByte;

    const auto image = ImageOf(ctx, slot_);
    constexpr int kTotal = 3;
    int done = 0;
    image[sat::kProgramLock] = lockByte;
    if (SequenceBroken(comm_, slot_, WriteBlock(comm_, slot_, kProgramLockAddress, image.subspan(sat::kProgramLock, 1))))
        return ProgramOutcome::Failed;
    if (!step(done, kTotal)) return ProgramOutcome::Cancelled;

    const std::string padded = PadProgramName(name_);
    if (!isSub()) {
        const std::uint8_t system = ctx.statusOf(slot_)[status::kSystemMode];
        ctx.ProgramSystem[static_cast<std::size_t>(slot_)][index] = system;
        // The stored program must carry the system byte it was stored under (the program list is
        // read back from it), so the live byte is brought in line first when it differs.
        if (image[sat::kProgramSystem] != system) {
            image[sat::kProgramSystem] = system;
            if (SequenceBroken(comm_, slot_, WriteBlock(comm_, slot_, kLiveProgramAddress + sat::kProgramSystem,
                                                          image.subspan(sat::kProgramSystem, 1))))
                return ProgramOutcome::Failed;
        }
    }
    std::copy(padded.begin(), padded.end(), image.begin());
    book.ProgramNames[index] = padded;
    if (SequenceBroken(comm_, slot_, WriteBlock(comm_, slot_, kProgramNameAddress, image.first(kProgramNameLength))))
        return ProgramOutcome::Failed;
    if (!step(done, kTotal)) return ProgramOutcome::Cancelled;
    if (SequenceBroken(comm_, slot_, comm_.SendCommand(slot_, kStoreProgramCode, {static_cast<std::uint8_t>(k)})))
        return ProgramOutcome::Failed;
    step(done, kTotal);
    prompter_.progress(0, 0, "");

    std::uint8_t& current = ctx.statusOf(slot_)[status::kCurrentProgram];
    current = static_cast<std::uint8_t>((current & ~kSlotBits) | k);
    if (refresh_) refresh_(slot_);
    return ProgramOutcome::Done;
}

ProgramOutcome ProgramStore::recall() {
    AppContext& ctx = comm_.context();
    const int lang = ctx.LanguageFlag;
    const int k = selected_;
    const auto index = static_cast<std::size_t>(k);
    const std::uint8_t system = ctx.statusOf(slot_)[status::kSystemMode];
    if (!isSub() && ctx.ProgramSystem[static_cast<std::size_t>(slot_)][index] != system) {
        Tell(prompter_, lang, texts::kRecallMismatch);
        return ProgramOutcome::Refused;
    }
    if (!Ask(prompter_, lang, texts::kRecallConfirm)) return ProgramOutcome::Declined;
    if (SequenceBroken(comm_, slot_, comm_.SendCommand(slot_, kRecallProgramCode, {static_cast<std::uint8_t>(k)})))
        return ProgramOutcome::Failed;
    if (ctx.device(slot_).isConnected()) {
        if (SequenceBroken(comm_, slot_, ReadStatus(comm_, slot_))) return ProgramOutcome::Failed;
        if (SequenceBroken(comm_, slot_, ReadImage(comm_, slot_))) return ProgramOutcome::Failed;
        if (refresh_) refresh_(slot_);
    }
    std::uint8_t& current = ctx.statusOf(slot_)[status::kCurrentProgram];
    current = static_cast<std::uint8_t>((current & ~kSlotBits) | k);
    return copyToLinked();
}

ProgramOutcome ProgramStore::copyToLinked() {
    AppContext& ctx = comm_.context();
    std::vector<int> targets = LinkTargets(ctx, slot_);
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
    if (targets.empty()) return ProgramOutcome::Done;
    if (!Ask(prompter_, ctx.LanguageFlag, texts::kRecallLinked)) return ProgramOutcome::Done;
    const auto source = static_cast<std::size_t>(slot_);
    const std::uint8_t system = ctx.statusOf(slot_)[status::kSystemMode];
    ProgramOutcome outcome = ProgramOutcome::Done;
    for (int target : targets) {
        if (ctx.statusOf(target)[status::kSystemMode] != system) continue;
        const auto t = static_cast<std::size_t>(target);
        ctx.satImage[t] = ctx.satImage[source];
        ctx.satExtra[t].fir = ctx.satExtra[source].fir;
        ctx.satExtra[t].mir = ctx.satExtra[source].mir;
        if (SequenceBroken(comm_, target, WriteImage(comm_, target)) ||
            SequenceBroken(comm_, target, comm_.SendCommand(target, kStoreStateCode))) {
            outcome = ProgramOutcome::Failed;
            continue;
        }
        if (ctx.device(target).EditOpen != 0) {
            ReadStatus(comm_, target);
            ReadImage(comm_, target);
            if (refresh_) refresh_(target);
        }
    }
    return outcome;
}

}  // namespace plenum::device
