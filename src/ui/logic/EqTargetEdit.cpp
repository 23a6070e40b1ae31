#include "ui/logic/EqTargetEdit.h"

#include <cmath>

#include "core/AtomicText.h"
#include "fir/NumberText.h"
#include "ui/logic/WizardTexts.h"

namespace plenum::ui {

namespace {

constexpr const char* kDefaultTargetFile = "DefEqTarget.ini";

// A target of exactly kEqTargetBands bands: missing ones disabled, extra ones left out.
std::vector<audio::EqBand> Fitted(std::vector<audio::EqBand> bands) {
    bands.resize(kEqTargetBands);
    return bands;
}

}  // namespace

std::vector<audio::EqBand> LoadDefaultEqTarget(const std::filesystem::path& dataDir) {
    std::string error;
    auto bands = audio::LoadEqTarget(dataDir / kDefaultTargetFile, error);
    return Fitted(bands ? std::move(*bands) : std::vector<audio::EqBand>{});
}

bool SaveDefaultEqTarget(const std::filesystem::path& dataDir, const std::vector<audio::EqBand>& bands) {
    return !WriteTextFileAtomic(dataDir / kDefaultTargetFile, audio::FormatEqTarget(bands, true));
}

EqTargetEdit::EqTargetEdit(Prompter& prompter, int languageFlag, bool decimalComma, std::vector<audio::EqBand> bands)
    : prompter_(prompter), language_(languageFlag), decimalComma_(decimalComma), bands_(Fitted(std::move(bands))) {}

std::optional<double> EqTargetEdit::number(std::string_view text) const { return fir::ParseDecimal(text, decimalComma_); }

void EqTargetEdit::chooseType(int band, audio::EqBandType type) {
    auto& b = bands_[static_cast<std::size_t>(band)];
    if (b.type == type) return;
    b.type = type;
    changed_ = true;
}

bool EqTargetEdit::enterGain(int band, std::string_view text) {
    const auto v = number(text);
    if (!v || std::abs(*v) > kEqTargetMaxGainDb) {
        Tell(prompter_, language_, texts::kWrongValue);
        return false;
    }
    bands_[static_cast<std::size_t>(band)].gainDb = std::round(*v * 10) / 10;
    changed_ = true;
    return true;
}

bool EqTargetEdit::enterFrequency(int band, std::string_view text) {
    const auto v = number(text);
    if (!v || *v < kEqTargetMinHz || *v > kEqTargetMaxHz) {
        Tell(prompter_, language_, texts::kWrongFrequency);
        return false;
    }
    bands_[static_cast<std::size_t>(band)].frequencyHz = std::round(*v);
    changed_ = true;
    return true;
}

bool EqTargetEdit::enterQ(int band, std::string_view text) {
    const auto v = number(text);
    if (!v || *v < 0.1 || *v > 10.0) {
        Tell(prompter_, language_, texts::kWrongQ);
        return false;
    }
    bands_[static_cast<std::size_t>(band)].q = audio::SnapToGrid(*v, 0.1, kEqTargetQStep, 10.0);
    changed_ = true;
    return true;
}

bool EqTargetEdit::flat() {
    if (!Ask(prompter_, language_, texts::kEqFlat)) return false;
    bands_.assign(kEqTargetBands, audio::EqBand{});
    changed_ = true;
    return true;
}

bool EqTargetEdit::save(const std::filesystem::path& path) {
    if (!WriteTextFileAtomic(path, audio::FormatEqTarget(bands_, false))) return true;
    Tell(prompter_, language_, texts::kEqTargetCantWrite);
    return false;
}

bool EqTargetEdit::load(const std::filesystem::path& path) {
    std::string error;
    auto bands = audio::LoadEqTarget(path, error);
    if (!bands) {
        Tell(prompter_, language_, texts::kEqTargetWrongFile);
        return false;
    }
    bands_ = Fitted(std::move(*bands));
    changed_ = true;
    return true;
}

bool EqTargetEdit::applied(const std::filesystem::path& dataDir) {
    changed_ = false;
    if (SaveDefaultEqTarget(dataDir, bands_)) return true;
    Tell(prompter_, language_, texts::kEqTargetCantWrite);
    return false;
}

bool EqTargetEdit::askApply() const { return changed_ && Ask(prompter_, language_, texts::kEqApplyChanges); }

}  // namespace plenum::ui
