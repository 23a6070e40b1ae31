// The external FIR windows: one for the input FIR of a cabinet, one for the FIR of an output way.
// Each shows the FIR the application keeps for the device next to a file the user loads, and
// stores the loaded one. The two differ in the slot they address, the file types they offer and
// the wording of some Chinese messages.
//
// The store itself is a device transaction the window posts away from the GUI thread, so storing
// is split in two steps: confirmStore() asks the question, storeFinished() takes the outcome.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Prompter.h"
#include "fir/FirFile.h"

namespace plenum::fir {

enum class ExternalFirTarget { Input, Output };

// The phase threshold: an integer level from -80 to -40 dB.
inline constexpr int kPhaseThresholdMin = -80;
inline constexpr int kPhaseThresholdMax = -40;

// Snaps a value to the threshold range: the first integer from -80 up that is not below the
// value, or its predecessor when that is nearer (a value half-way between takes the upper one);
// below -80 gives -80, above -40 gives -40.
int SnapPhaseThreshold(double value);

// The typed threshold: snapped, or nothing after "Wrong value" when the text is not a number.
std::optional<int> EnterPhaseThreshold(std::string_view text, Prompter& prompter, int languageFlag);

class ExternalFirWindow {
public:
    ExternalFirWindow(ExternalFirTarget target, int tapLimit);

    ExternalFirTarget target() const { return target_; }
    // The FIR the application keeps for the slot (quantised values) and its name.
    void setCurrent(std::vector<double> coefficients, std::string name);
    const std::vector<double>& current() const { return current_; }

    // The load button. True when a file was loaded and accepted.
    bool load(const std::filesystem::path& path, Prompter& prompter, int languageFlag, bool decimalComma);
    const FirCoefficientBuffer& imported() const { return buffer_; }
    bool hasImport() const { return !buffer_.empty(); }
    // An import that was not stored yet.
    bool pending() const { return pending_; }

    std::string currentCaption() const;    // "Current FIR - name"
    std::string importedCaption() const;   // "Imported FIR - name - Taps = n", "" before a load
    std::string announcement() const;      // "Filter FIR with n taps."

    // The store button's question; false when the user says no or there is nothing to store.
    bool confirmStore(Prompter& prompter, int languageFlag) const;
    // The store's outcome: a store that went through makes the import the current FIR; any
    // other shows "FIR not updated" and leaves the current FIR.
    void storeFinished(bool stored, Prompter& prompter, int languageFlag);

    // Closing: with an import not stored, asks whether to leave; false keeps the window open.
    bool mayClose(Prompter& prompter, int languageFlag) const;

private:
    ExternalFirTarget target_;
    FirCoefficientBuffer buffer_;
    std::vector<double> current_;
    std::string currentName_;
    bool pending_ = false;
};

}  // namespace plenum::fir
