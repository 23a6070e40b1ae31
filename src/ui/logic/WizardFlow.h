// The rules of the FIR wizard, free of any toolkit: the pages and what lets the user go on, the
// settings with their grids, the measurement, the correction, the store and verify questions and
// the files. The window (FrmWizardFIR) runs the measurement and the design off its thread and
// hands the results here; every message goes through the Prompter.
//
// The wizard corrects one output way of one satellite. Its FIR is "stored" once the store
// transaction went through; a new measurement or a new design makes it not stored again. The
// virtual sound card plays through the FIR the wizard stored last, as the loudspeaker would.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/Wizard.h"
#include "core/Prompter.h"
#include "device/FirStore.h"

namespace plenum::ui {

enum class WizardPage { Welcome = 0, Geometry, Wiring, Measure, ViewIr, Calculate, Verify };
inline constexpr int kWizardPageCount = 7;

// The stepped settings. The smoothing width (a list of fractions) and the design mode (a choice)
// have their own entries.
enum class WizardSetting { Threshold = 0, LowerHz, UpperHz, LatencyMs, Precision, BoostDb, WindowMs, ZeroOffset };
inline constexpr int kWizardSettingCount = 8;

// A setting's grid: start + k * step up to `upper`, shown with `decimals`.
struct WizardSettingRule {
    WizardSetting setting;
    double start;
    double step;
    double upper;
    int decimals;
};
inline constexpr std::array<WizardSettingRule, kWizardSettingCount> kWizardSettingRules{{
    {WizardSetting::Threshold, 0, 1, 10, 0},
    {WizardSetting::LowerHz, 1, 1, 1000, 0},
    {WizardSetting::UpperHz, 1, 1, 20000, 0},
    {WizardSetting::LatencyMs, 1.0, 0.1, audio::kWizardMaxLatencyMs, 1},
    {WizardSetting::Precision, 1, 1, 10, 0},
    {WizardSetting::BoostDb, 1, 0.5, 30, 1},
    {WizardSetting::WindowMs, 2.0, 0.1, 40.0, 1},
    {WizardSetting::ZeroOffset, -30, 1, 30, 0},
}};

double SettingValue(const audio::WizardSettings& settings, WizardSetting setting);
void SetSettingValue(audio::WizardSettings& settings, WizardSetting setting, double value);
// The text a setting's entry shows.
std::string SettingText(const audio::WizardSettings& settings, WizardSetting setting);
// The smoothing width as the entry shows it ("1/6" ... "1/2").
std::string SmoothingText(double octaves);

// One measurement as the wizard keeps it.
struct WizardMeasurement {
    std::vector<double> taps;  // the windowed impulse response
    int start = 0;             // where the window started in the full response (for the verify pass)
    std::optional<double> peakLevelDb;  // none for an IR opened from a file
};

class WizardFlow {
public:
    WizardFlow(Prompter& prompter, int languageFlag, bool decimalComma);

    // ---- pages -----------------------------------------------------------------------------
    WizardPage page() const { return page_; }
    // "Next": false (and a message where one applies) when the page is not done.
    bool next();
    void back();
    bool canGoBack() const { return page_ != WizardPage::Welcome; }
    bool canGoNext() const;
    // "Open existing IR": the file becomes the measurement and the wizard shows it.
    bool openIr(const std::filesystem::path& path);

    // ---- settings --------------------------------------------------------------------------
    const audio::WizardSettings& settings() const { return settings_; }
    // A typed value: unreadable shows the warning and keeps the old value; anything else snaps.
    bool enter(WizardSetting setting, std::string_view text);
    bool enterSmoothing(std::string_view text);
    void chooseMode(audio::DesignMode mode) { settings_.mode = mode; }
    void setMinimumPhase(bool on) { settings_.minimumPhase = on; }
    void setSettings(const audio::WizardSettings& settings) { settings_ = audio::Snapped(settings); }
    bool saveConfig(const std::filesystem::path& path) const;
    bool loadConfig(const std::filesystem::path& path);

    const std::vector<audio::EqBand>& target() const { return target_; }
    void setTarget(std::vector<audio::EqBand> bands) { target_ = std::move(bands); }

    // ---- wiring ----------------------------------------------------------------------------
    // The card (an index into the window's list, -1 none) and its channels (-1 none).
    void chooseWiring(int card, int outputChannel, int inputChannel);
    int card() const { return card_; }
    int outputChannel() const { return outputChannel_; }
    int inputChannel() const { return inputChannel_; }
    // Shows "Please set all ASIO parameters" when something is missing.
    bool wiringComplete() const;

    // ---- measurement -----------------------------------------------------------------------
    // A measurement's end: a failure shows the ASIO message, a cancel changes nothing.
    void measured(const audio::AudioResult& result, const audio::Measurement& measurement);
    // The Test Mic pass: only its peak level is kept.
    void testedMic(const audio::AudioResult& result, double peakLevelDb);
    const std::optional<WizardMeasurement>& measurement() const { return measurement_; }
    std::string peakText() const;

    // ---- correction ------------------------------------------------------------------------
    // The design's inputs, taken on the window's thread before the design runs elsewhere.
    struct DesignInput {
        std::vector<double> measuredDb;
        std::vector<double> targetDb;
        audio::WizardSettings settings;
    };
    std::optional<DesignInput> designInput() const;
    // Keeps the design (the FIR is then not stored); says so when its gain had to come down.
    void designed(audio::Correction correction);
    const std::optional<audio::Correction>& correction() const { return correction_; }

    // ---- store, save, verify ---------------------------------------------------------------
    // The questions before a store; false: nothing to store or the user said No.
    bool confirmStore();
    // A store's end with the taps it sent: the loudspeaker then holds those taps, and the FIR
    // counts as stored only when they are still the current design.
    void storeFinished(device::FirStoreOutcome outcome, const std::vector<double>& sentTaps);
    bool isStored() const { return stored_; }
    // What the loudspeaker holds from the wizard (empty before the first store).
    const std::vector<double>& storedTaps() const { return storedTaps_; }
    // The files are written atomically; a failure says "Can't write the file." and leaves an
    // earlier file as it was.
    bool saveFir(const std::filesystem::path& path);
    bool saveIr(const std::filesystem::path& path);
    // The question before a verify pass of a FIR not stored; true: go on.
    bool confirmVerify();
    void verified(const audio::AudioResult& result, const audio::Measurement& measurement);
    // A verify from a measurement file; a file that cannot be read says "Can't open IR verify file".
    bool verifyFromFile(const std::filesystem::path& path);
    const std::optional<WizardMeasurement>& verification() const { return verification_; }

    // ---- curves (dB on the engine's 32769-bin grid, smoothed as the settings say) -------------
    std::vector<double> measuredDb() const;
    std::vector<double> verifiedDb() const;
    // The target at the measurement's level.
    std::vector<double> targetLineDb() const;

    // Leaving: "Do you want to store all wizard configurations to PC?"
    bool askStoreConfig();

private:
    // Shows the write failure; returns `ok`.
    bool written(bool ok) const;
    // A finished measurement worth keeping: nothing for a cancel, the ASIO message for a failure.
    std::optional<WizardMeasurement> accepted(const audio::AudioResult& result, const audio::Measurement& m);
    Prompter& prompter_;
    int language_;
    bool decimalComma_;
    WizardPage page_ = WizardPage::Welcome;
    audio::WizardSettings settings_;
    std::vector<audio::EqBand> target_;
    int card_ = -1;
    int outputChannel_ = -1;
    int inputChannel_ = -1;
    std::optional<double> micPeakDb_;
    std::optional<WizardMeasurement> measurement_;
    std::optional<audio::Correction> correction_;
    std::optional<WizardMeasurement> verification_;
    bool stored_ = false;
    std::vector<double> storedTaps_;
};

// The IR of a file as the wizard uses it: cut with the window length like a measurement.
std::optional<WizardMeasurement> IrFromFile(const std::filesystem::path& path, double windowLengthMs);

}  // namespace plenum::ui
