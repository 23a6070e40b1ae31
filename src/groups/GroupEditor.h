// The rules of the group edit window (FrmEditVelmarGroup) for one group: every change updates the
// GroupRecord and is written at once to each member through the group commands; member edit
// windows that are open redraw. Typed numbers are refused with "Wrong value" and change nothing;
// values beyond a limit are set to the limit, as the window's boxes do.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dsp/Biquad.h"
#include "groups/GroupModel.h"
#include "groups/GroupPresets.h"

namespace plenum {

inline constexpr double kGroupSatDelayMaxMs = 70.979;
inline constexpr double kGroupSubDelayMaxMs = 249.979;
inline constexpr double kGroupDelayMaxMetres = 84.992;
inline constexpr double kGroupGainMaxDb = 12.0;

// A typed number of the group window: digits, a sign, blanks and the decimal separator, where ","
// and "." are both taken as the separator. Nothing for anything else.
std::optional<double> ParseGroupNumber(std::string_view text);

// The group delay code of a typed value: metres limited to 84.992 and converted (/ 0.34), then
// limited to the role's maximum; byte 0 always 0, byte 1 whole ms, byte 2 the 1/48 ms steps.
std::array<std::uint8_t, 3> GroupDelayCode(double value, bool metres, bool sub);
double GroupDelayMs(const std::array<std::uint8_t, 3>& code);

class GroupEditor {
public:
    GroupEditor(AppContext& ctx, int g, GroupPresets& presets, Prompter& prompter, GroupSink& sink,
                EditWindowRefresher* windows = nullptr);

    int group() const { return g_; }
    const GroupRecord& record() const { return ctx_.groups[static_cast<std::size_t>(g_)]; }
    bool hasSub() const { return record().HasSub == 1; }

    struct MemberRow {
        GroupRole role;
        std::string label;       // "LEFT", "RIGHT", "SUB"
        std::string deviceName;  // the member's device name
        std::string state;       // "ON-LINE" / "OFF-LINE"
    };
    // Left, Right and, for a group with Sub, the Sub.
    std::vector<MemberRow> memberRows() const;

    void setMute(bool muted);
    // Gain by code (the slider) or by typed dB (limited to -90.5..+12).
    void setGainCode(int code);
    bool setGainText(std::string_view text);
    double gainDb() const;

    // The delay unit: milliseconds or metres ("DELAY [ms]" / "DELAY [m]").
    bool metres() const { return metres_; }
    void toggleDelayUnit() { metres_ = !metres_; }
    std::string delayCaption() const;
    std::string delayText(bool sub) const;  // in the current unit, three decimals
    bool setDelayText(bool sub, std::string_view text);
    void setDelay(bool sub, double valueInUnit);
    // The fine (one 1/48 ms step) and coarse (1 ms) up-down buttons.
    void stepDelay(bool sub, int steps, bool coarse);

    struct BandChange {
        std::optional<int> type{};
        std::optional<double> frequencyHz{};  // limited to 20..20000
        std::optional<double> q{};            // refused outside the Q list
        std::optional<double> gainDb{};       // refused outside -15..+15
        std::optional<bool> bypass{};
    };
    // Refusals show their message and change nothing. Returns whether the band changed.
    bool setBand(int band, const BandChange& change);
    bool setBandText(int band, std::string_view field, std::string_view text);  // field "freq", "q", "gain"
    void toggleBandBypass(int band);
    void setEqBypass(bool bypassed);
    // "EQ Flat": asks, then every group in use gets its bands' gains flat and written.
    bool eqFlat();
    // Loads preset 0..9 into the equaliser and writes all bands.
    bool loadPreset(int index);
    // Stores the equaliser as preset 7, 8 or 9 and rewrites GroupP.lst.
    std::error_code savePreset(int index);
    std::string presetCaption() const;
    bool setEqOnSub(bool on);

    // The window's close: asks "Remove Group"; Yes frees the record (nothing is sent).
    bool removeGroup();

    // The five bands for the response graph.
    std::vector<PeqBand> graphBands() const;
    // Dragging a band point: new frequency and gain, and the readout text.
    std::string dragBand(int band, double frequencyHz, double gainDb);

private:
    GroupRecord& rec() { return ctx_.groups[static_cast<std::size_t>(g_)]; }
    void dispatch(const std::vector<LinkedSend>& sends, const std::vector<int>& slots);
    void writeBands(int g, const std::vector<int>& bands);
    void refuse(const MessageText& message);

    AppContext& ctx_;
    int g_;
    GroupPresets& presets_;
    Prompter& prompter_;
    GroupSink& sink_;
    EditWindowRefresher* windows_;
    bool metres_ = false;
};

// The main window's group timer: skipped while CommBusy; preset matching, then the
// synchronisation check of every group in use.
void GroupTimerTick(AppContext& ctx, GroupPresets& presets, Prompter& prompter, GroupSink& sink,
                    EditWindowRefresher* windows = nullptr);

}  // namespace plenum
