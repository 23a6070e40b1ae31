#include "ui/logic/WizardFlow.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/AtomicText.h"
#include "fir/NumberText.h"
#include "ui/logic/WizardTexts.h"

namespace plenum::ui {

namespace {

const WizardSettingRule& RuleOf(WizardSetting setting) { return kWizardSettingRules[static_cast<std::size_t>(setting)]; }

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

WizardMeasurement Kept(const audio::Measurement& m) {
    WizardMeasurement kept;
    kept.taps = m.ir.taps;
    kept.start = m.ir.start;
    kept.peakLevelDb = m.peakLevelDb;
    return kept;
}

}  // namespace

double SettingValue(const audio::WizardSettings& s, WizardSetting setting) {
    switch (setting) {
        case WizardSetting::Threshold: return s.smoothingThreshold;
        case WizardSetting::LowerHz: return s.lowerHz;
        case WizardSetting::UpperHz: return s.upperHz;
        case WizardSetting::LatencyMs: return s.latencyMs;
        case WizardSetting::Precision: return s.precision;
        case WizardSetting::BoostDb: return s.boostLimitDb;
        case WizardSetting::WindowMs: return s.windowLengthMs;
        case WizardSetting::ZeroOffset: return s.zeroOffset;
    }
    return 0;
}

void SetSettingValue(audio::WizardSettings& s, WizardSetting setting, double value) {
    const WizardSettingRule& rule = RuleOf(setting);
    const double snapped = audio::SnapToGrid(value, rule.start, rule.step, rule.upper);
    switch (setting) {
        case WizardSetting::Threshold: s.smoothingThreshold = static_cast<int>(std::lround(snapped)); break;
        case WizardSetting::LowerHz: s.lowerHz = snapped; break;
        case WizardSetting::UpperHz: s.upperHz = snapped; break;
        case WizardSetting::LatencyMs: s.latencyMs = snapped; break;
        case WizardSetting::Precision: s.precision = static_cast<int>(std::lround(snapped)); break;
        case WizardSetting::BoostDb: s.boostLimitDb = snapped; break;
        case WizardSetting::WindowMs: s.windowLengthMs = snapped; break;
        case WizardSetting::ZeroOffset: s.zeroOffset = snapped; break;
    }
    // The limits keep their order (the engine's rule: the upper one moves).
    s = audio::Snapped(s);
}

std::string SettingText(const audio::WizardSettings& s, WizardSetting setting) {
    return Fixed(SettingValue(s, setting), RuleOf(setting).decimals);
}

std::string SmoothingText(double octaves) {
    for (const std::string_view text : kSmoothingWidthTexts)
        if (const auto width = ParseSmoothingWidth(text); width && std::abs(*width - octaves) < 1e-6)
            return std::string(text);
    return std::string(kDefaultSmoothingWidthText);
}

std::optional<WizardMeasurement> IrFromFile(const std::filesystem::path& path, double windowLengthMs) {
    std::string error;
    auto taps = audio::LoadImpulseResponse(path, error);
    if (!taps) return std::nullopt;
    // Room after the peak for the whole window, as a measurement's circular response has.
    taps->resize(taps->size() + static_cast<std::size_t>(windowLengthMs * audio::kAudioSampleRateHz / 1000) + 96, 0.0);
    const audio::WindowedIr ir = audio::WindowIr(*taps, windowLengthMs);
    WizardMeasurement m;
    m.taps = ir.taps;
    m.start = ir.start;
    return m;
}

WizardFlow::WizardFlow(Prompter& prompter, int languageFlag, bool decimalComma)
    : prompter_(prompter), language_(languageFlag), decimalComma_(decimalComma) {}

bool WizardFlow::canGoNext() const {
    switch (page_) {
        case WizardPage::Measure: return measurement_.has_value();
        case WizardPage::Verify: return false;
        default: return true;
    }
}

bool WizardFlow::next() {
    if (page_ == WizardPage::Wiring && !wiringComplete()) return false;
    if (!canGoNext()) return false;
    page_ = static_cast<WizardPage>(static_cast<int>(page_) + 1);
    return true;
}

void WizardFlow::back() {
    if (!canGoBack()) return;
    // An IR opened from a file skipped the measuring pages; Back returns to the start.
    if (page_ == WizardPage::ViewIr && measurement_ && !measurement_->peakLevelDb) {
        page_ = WizardPage::Welcome;
        return;
    }
    page_ = static_cast<WizardPage>(static_cast<int>(page_) - 1);
}

bool WizardFlow::openIr(const std::filesystem::path& path) {
    auto m = IrFromFile(path, settings_.windowLengthMs);
    if (!m) {
        Tell(prompter_, language_, texts::kWizardCantOpenIr);
        return false;
    }
    measurement_ = std::move(*m);
    correction_.reset();
    verification_.reset();
    stored_ = false;
    page_ = WizardPage::ViewIr;
    return true;
}

bool WizardFlow::enter(WizardSetting setting, std::string_view text) {
    const auto value = fir::ParseDecimal(text, decimalComma_);
    if (!value) {
        Tell(prompter_, language_, texts::kWrongValue);
        return false;
    }
    SetSettingValue(settings_, setting, *value);
    return true;
}

bool WizardFlow::enterSmoothing(std::string_view text) {
    const auto width = ParseSmoothingWidth(text);
    if (!width) {
        Tell(prompter_, language_, texts::kWizardSmoothingRefused);
        return false;
    }
    settings_.smoothingOctaves = *width;
    return true;
}

bool WizardFlow::saveConfig(const std::filesystem::path& path) const {
    return written(!WriteTextFileAtomic(path, audio::FormatWizardSettings(settings_)));
}

bool WizardFlow::written(bool ok) const {
    if (!ok) Tell(prompter_, language_, texts::kWizardCantWrite);
    return ok;
}

bool WizardFlow::loadConfig(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    const auto parsed = in ? audio::ParseWizardSettings(text.str(), error) : std::nullopt;
    if (!parsed) {
        Tell(prompter_, language_, texts::kWrongValue);
        return false;
    }
    settings_ = *parsed;
    return true;
}

void WizardFlow::chooseWiring(int card, int outputChannel, int inputChannel) {
    card_ = card;
    outputChannel_ = outputChannel;
    inputChannel_ = inputChannel;
}

bool WizardFlow::wiringComplete() const {
    if (card_ >= 0 && outputChannel_ >= 0 && inputChannel_ >= 0) return true;
    Tell(prompter_, language_, texts::kWizardSetAllAsio);
    return false;
}

std::optional<WizardMeasurement> WizardFlow::accepted(const audio::AudioResult& result, const audio::Measurement& m) {
    if (result.status == audio::AudioStatus::Cancelled) return std::nullopt;
    if (!result.ok()) {
        Tell(prompter_, language_, texts::kWizardMeasureFailed);
        return std::nullopt;
    }
    return Kept(m);
}

void WizardFlow::measured(const audio::AudioResult& result, const audio::Measurement& m) {
    auto kept = accepted(result, m);
    if (!kept) return;
    measurement_ = std::move(kept);
    correction_.reset();
    verification_.reset();
    stored_ = false;
}

void WizardFlow::testedMic(const audio::AudioResult& result, double peakLevelDb) {
    if (result.status == audio::AudioStatus::Cancelled) return;
    if (!result.ok()) {
        micPeakDb_.reset();
        Tell(prompter_, language_, texts::kWizardMeasureFailed);
        return;
    }
    micPeakDb_ = peakLevelDb;
}

std::string WizardFlow::peakText() const {
    std::optional<double> peak = micPeakDb_;
    if (measurement_ && measurement_->peakLevelDb) peak = measurement_->peakLevelDb;
    if (!peak) return std::string(texts::kWizardNoPeakLevel.pick(language_));
    return FillText(texts::kWizardPeakLevel.pick(language_), {Fixed(*peak, 1)});
}

std::optional<WizardFlow::DesignInput> WizardFlow::designInput() const {
    if (!measurement_) return std::nullopt;
    return DesignInput{measuredDb(), audio::TargetDb(target_), settings_};
}

void WizardFlow::designed(audio::Correction correction) {
    if (correction.taps.empty()) return;
    correction_ = std::move(correction);
    stored_ = false;
    if (correction_->gainReduced()) Tell(prompter_, language_, texts::kWizardGainReduced);
}

bool WizardFlow::confirmStore() {
    if (!correction_) {
        Tell(prompter_, language_, texts::kWizardCantStore);
        return false;
    }
    if (stored_)
        return Ask(prompter_, language_, texts::kWizardAlreadyStored) && Ask(prompter_, language_, texts::kWizardAreYouSure);
    return true;
}

void WizardFlow::storeFinished(device::FirStoreOutcome outcome, const std::vector<double>& sentTaps) {
    switch (outcome) {
        case device::FirStoreOutcome::Done:
            storedTaps_ = sentTaps;
            stored_ = correction_ && correction_->taps == sentTaps;
            break;
        case device::FirStoreOutcome::Failed:
        case device::FirStoreOutcome::Refused:
            Tell(prompter_, language_, texts::kWizardStoreFailed);
            break;
        case device::FirStoreOutcome::Cancelled:
            break;
    }
}

bool WizardFlow::saveFir(const std::filesystem::path& path) {
    if (!correction_) {
        Tell(prompter_, language_, texts::kWizardCantSave);
        return false;
    }
    std::ostringstream text;
    text.precision(17);
    for (const double t : correction_->taps) text << t << "\r\n";
    return written(!WriteTextFileAtomic(path, text.str()));
}

bool WizardFlow::saveIr(const std::filesystem::path& path) {
    std::string error;
    return measurement_ && written(audio::SaveIrw(path, measurement_->taps, error));
}

bool WizardFlow::confirmVerify() { return stored_ || Ask(prompter_, language_, texts::kWizardVerifyNotStored); }

void WizardFlow::verified(const audio::AudioResult& result, const audio::Measurement& m) {
    if (auto kept = accepted(result, m)) verification_ = std::move(kept);
}

bool WizardFlow::verifyFromFile(const std::filesystem::path& path) {
    auto m = IrFromFile(path, settings_.windowLengthMs + 1000.0 * audio::kWizardMaxTaps / audio::kAudioSampleRateHz);
    if (!m) {
        Tell(prompter_, language_, texts::kWizardCantOpenVerify);
        return false;
    }
    verification_ = std::move(*m);
    return true;
}

std::vector<double> WizardFlow::measuredDb() const {
    if (!measurement_) return {};
    return audio::GridMagnitudeDb(measurement_->taps, settings_.smoothingOctaves);
}

std::vector<double> WizardFlow::verifiedDb() const {
    if (!verification_) return {};
    return audio::GridMagnitudeDb(verification_->taps, settings_.smoothingOctaves);
}

std::vector<double> WizardFlow::targetLineDb() const {
    std::vector<double> target = audio::TargetDb(target_);
    const std::vector<double> measured = measuredDb();
    if (measured.size() != target.size()) return target;
    // The target's level follows the measurement, as in the design.
    const double level = audio::MeanDifferenceDb(measured, target, settings_.lowerHz, settings_.upperHz);
    for (double& v : target) v += level;
    return target;
}

bool WizardFlow::askStoreConfig() { return Ask(prompter_, language_, texts::kWizardExit); }

}  // namespace plenum::ui
