// The rules of the EQ target editor (FrmFIREq), free of any toolkit: a fixed number of bands, each
// Bell, Hi Shv, Lo Shv or Disabled, with gain -12..+12 dB, frequency 50..20000 Hz and Q 0.1..10 on
// a 0.05 grid; "flat" after a question; ".eqt" files in the TargetEq folder; the last applied
// target kept in DefEqTarget.ini; closing with changes asks whether to apply them.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "audio/Wizard.h"
#include "core/Prompter.h"

namespace plenum::ui {

inline constexpr int kEqTargetBands = 8;
inline constexpr double kEqTargetMaxGainDb = 12.0;
inline constexpr double kEqTargetMinHz = 50.0;
inline constexpr double kEqTargetMaxHz = 20000.0;
inline constexpr double kEqTargetQStep = 0.05;

// The target kept between runs; a missing or unreadable file gives the flat target.
std::vector<audio::EqBand> LoadDefaultEqTarget(const std::filesystem::path& dataDir);
bool SaveDefaultEqTarget(const std::filesystem::path& dataDir, const std::vector<audio::EqBand>& bands);

class EqTargetEdit {
public:
    EqTargetEdit(Prompter& prompter, int languageFlag, bool decimalComma, std::vector<audio::EqBand> bands);

    const std::vector<audio::EqBand>& bands() const { return bands_; }
    const audio::EqBand& band(int index) const { return bands_[static_cast<std::size_t>(index)]; }
    bool changed() const { return changed_; }

    void chooseType(int band, audio::EqBandType type);
    // Typed values: unreadable or out of range shows the warning ("  不正确的 Q 值" for a Q) and
    // keeps the old value; the Q snaps to its grid.
    bool enterGain(int band, std::string_view text);
    bool enterFrequency(int band, std::string_view text);
    bool enterQ(int band, std::string_view text);
    // "EQ Flat" / "Are you sure ?": every band disabled at 0 dB.
    bool flat();

    // Written atomically; a failure says "Can't write the file.".
    bool save(const std::filesystem::path& path);
    bool load(const std::filesystem::path& path);
    // The target is taken: it becomes the default and the editor has no changes left (the design
    // uses it even when the default file cannot be written, which is then said).
    bool applied(const std::filesystem::path& dataDir);
    // Closing: without changes nothing is asked; with changes "Do you want to apply EQ target
    // changes?" — true when the user wants them applied.
    bool askApply() const;

private:
    std::optional<double> number(std::string_view text) const;
    Prompter& prompter_;
    int language_;
    bool decimalComma_;
    std::vector<audio::EqBand> bands_;
    bool changed_ = false;
};

}  // namespace plenum::ui
