#include "fir/ExternalFir.h"

#include <cmath>

#include "fir/FirWord.h"
#include "fir/NumberText.h"

namespace plenum::fir {

namespace {

inline constexpr Bilingual kStoreTitle{"FIR", "FIR"};
inline constexpr Bilingual kStoreQuestionInput{"Store FIR to Device", "存储 FIR 参数到设备"};
inline constexpr Bilingual kStoreQuestionOutput{"Store FIR to Device", "存储 FIR 到设备"};
inline constexpr Bilingual kNotUpdatedInput{"FIR not updated", "FIR 参数没有被更新"};
inline constexpr Bilingual kNotUpdatedOutput{"FIR not updated", "FIR 没有被更新"};
inline constexpr Bilingual kExitInput{"Exit - FIR not imported\r\n               Are you sure ? ",
                                      "退出 - FIR 参数没有被导入\r\n您确定吗 ?"};
inline constexpr Bilingual kExitOutput{"Exit - FIR not imported\r\n               Are you sure ? ",
                                       "退出 - FIR 没有被导入\r\n您确定吗 ?"};

const Bilingual& Pick(ExternalFirTarget target, const Bilingual& input, const Bilingual& output) {
    return target == ExternalFirTarget::Input ? input : output;
}

}  // namespace

int SnapPhaseThreshold(double value) {
    if (value > kPhaseThresholdMax) return kPhaseThresholdMax;
    for (int level = kPhaseThresholdMin; level <= kPhaseThresholdMax; ++level) {
        if (level < value) continue;
        if (level == value || level == kPhaseThresholdMin) return level;
        return (level - value) <= (value - (level - 1)) ? level : level - 1;
    }
    return kPhaseThresholdMax;
}

std::optional<int> EnterPhaseThreshold(std::string_view text, Prompter& prompter, int languageFlag) {
    const auto value = ParseDecimal(text, false);
    if (!value) {
        Tell(prompter, languageFlag, texts::kWrongValue);
        return std::nullopt;
    }
    return SnapPhaseThreshold(*value);
}

ExternalFirWindow::ExternalFirWindow(ExternalFirTarget target, int tapLimit)
    : target_(target),
      buffer_(tapLimit, target == ExternalFirTarget::Input ? FirMessageSet::Loader : FirMessageSet::OutputWindow) {}

void ExternalFirWindow::setCurrent(std::vector<double> coefficients, std::string name) {
    current_ = std::move(coefficients);
    currentName_ = std::move(name);
}

bool ExternalFirWindow::load(const std::filesystem::path& path, Prompter& prompter, int languageFlag,
                             bool decimalComma) {
    if (!buffer_.load(path, prompter, languageFlag, decimalComma)) return false;
    pending_ = true;
    return true;
}

std::string ExternalFirWindow::currentCaption() const { return "Current FIR - " + currentName_; }

std::string ExternalFirWindow::importedCaption() const {
    if (buffer_.empty()) return {};
    return "Imported FIR - " + buffer_.name() + " - Taps = " + std::to_string(buffer_.taps());
}

std::string ExternalFirWindow::announcement() const {
    return "Filter FIR with " + std::to_string(buffer_.taps()) + " taps.";
}

bool ExternalFirWindow::confirmStore(Prompter& prompter, int languageFlag) const {
    if (buffer_.empty()) return false;
    return Ask(prompter, languageFlag,
               MessageText{kStoreTitle, Pick(target_, kStoreQuestionInput, kStoreQuestionOutput), Icon::Question});
}

void ExternalFirWindow::storeFinished(bool stored, Prompter& prompter, int languageFlag) {
    if (!stored) {
        Tell(prompter, languageFlag,
             MessageText{kStoreTitle, Pick(target_, kNotUpdatedInput, kNotUpdatedOutput), Icon::Exclamation});
        return;
    }
    current_.clear();
    // The device holds the words; the current FIR is what they read back as.
    for (const double c : buffer_.coefficients()) current_.push_back(DecodeFirWord(EncodeFirWord(c)));
    currentName_ = buffer_.name();
    pending_ = false;
}

bool ExternalFirWindow::mayClose(Prompter& prompter, int languageFlag) const {
    if (!pending_) return true;
    return Ask(prompter, languageFlag,
               MessageText{kStoreTitle, Pick(target_, kExitInput, kExitOutput), Icon::Question});
}

}  // namespace plenum::fir
