// The edit windows of a satellite (FrmEditSat) and a subwoofer (FrmEditSub) without their widgets:
// the window state (page, band, delay unit, the L/H link box), the rule of every control, the edit
// flow, the button-bar functions and the undo history. A view forwards the user's events here and
// draws what the queries return; the controller never touches a widget or a socket.
//
// The edit flow of every control:
//  1. ignored while GuiUpdating or TxSuspended is raised;
//  2. a typed value is validated, a refusal shown with the window's own text, nothing changed;
//  3. the value is converted and written into the image (ParamEditor);
//  4. the view refreshes its controls under GuiUpdating (EditObserver::refreshControls);
//  5. each family instance written is sent to the device, then to its linked devices (EditSink);
//  6. the affected graphs are marked and the view asked to redraw them.
// Steps 3..6 are also what undo and redo run, with the earlier or later bytes.
//
// Differences between the two windows are data (pages, bands, ranges, texts, file types): the
// satellite's and the subwoofer's controllers are the same class built with different tables.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/AppContext.h"
#include "core/NumericKeyFilter.h"
#include "core/Prompter.h"
#include "device/EditHistory.h"
#include "device/EditSink.h"
#include "sat/ParamEditor.h"

namespace plenum::device {

// The window's controls, named after the controls they stand for (ControlName gives the name a
// widget carries as its objectName). One entry covers a control group: fader, text box and
// up/down of the same value.
enum class Control : std::uint8_t {
    InpSource,       // LabelInpSource: choose 0 / 1
    DanteLR,         // LabelDanteLR: choose 0 (left) / 1 (right)
    AnalogLR,        // LabelAnalogLR (subwoofer): choose 0 (left) / 1 (right)
    GainSrc,         // UpDownGainSrc, TextGainSrc: source gain of the chosen source
    InGain,          // ImgSlInGain, Slider1, TextInGain: input gain or the selected output's gain
    Mute,            // ImgMuteG: toggle
    Phase,           // LabelCheckPhase: toggle
    Delay,           // TextDly (typed in the delay unit)
    DelayCoarse,     // UpDownDlyA: whole milliseconds
    DelayFine,       // UpDownDlyF: samples of 1/48 ms
    GateEnable,      // LabelGateEn
    GateThreshold,   // NGSl, SliderNG, NGText
    CmpEnable,       // LabelCmpEn
    CmpAuto,         // LabelAutoCmp (input) / LabelAutoCmpOut (output way)
    CmpThreshold,    // CmpSl, SliderCmp, CmpText
    CmpRatio,        // ratio text "N:1"
    CmpMakeUp,       // compressor make-up
    LimEnable,       // LabelLimEn
    LimThreshold,    // LimSl, SliderLim, LimText
    MakeUp,          // HLimSl, SliderHLim, HLimText
    LhLink,          // CheckLHLink
    DlfEnable,       // LabelDLFEn
    Dlf,             // DLFSl, SliderDLF, TextDLF
    RoomCorrection,  // UpDownRoomCorrection, TextRoomCorrection
    NoiseEnable,     // LabelNoiseGenEnable
    NoiseType,       // LabelOptionNoiseGenType: choose 0 / 1
    NoiseLevel,      // UpDownNoiseLev, TextNoiseLev
    EqType,          // LblEQType: choose 0..17
    EqGain,          // ImgEQGain, Slider2, TxtEqGain
    EqFreq,          // TxtEqFreq
    EqQ,             // UDEqQ, TxtEqQ
    EqBypass,        // LabelEqByp: the page's input section or the way's equaliser
    XoverHpSlope,    // UCComboHpLp(0) / ComboHpLp(0): the input crossover on the input page
    XoverHpFreq,     // TextHpLpF(0)
    XoverLpSlope,    // UCComboHpLp(1) / ComboHpLp(1)
    XoverLpFreq,     // TextHpLpF(1)
    // The FIR/MIR crossover of the way shown (satellite output pages; sat/FirSettings.h).
    FirEnable,       // UCBtnFirEn: the way's FIR runs (toggle)
    FirWindowType,   // UCComboWinType: choose the FIR window 0..10
    FirTaps,         // UCComboNtaps: choose a position in firTapsMenu() (256..512 taps)
    FirAttenuation,  // UCWinAtt: the attenuation setting in dB (0..99, added to 21 dB)
    FirFrequency,    // TextFirFreq: the way's FIR frequency, 250..20000 Hz (FirEntryIsLowPass)
    MirMinLatency,   // UCBtnMirMinLatency: the latency switch (toggle)
    XoverMode,       // LabelXoverMode: choose the output crossover mode 0..3; shows its caption
    FirLabel,        // LabelFir: "FIR: Name=...; Taps=..." of the FIR the way holds (shown only)
};
inline constexpr int kControlCount = static_cast<int>(Control::FirLabel) + 1;
std::string_view ControlName(Control control, DeviceKind kind);

// What a view shows for a control.
struct ControlState {
    std::string text;       // the text box or label text
    int position = 0;       // fader position (1 = top), list index, or the up/down's value
    bool checked = false;   // toggles and on/off labels
    bool enabled = true;
    bool visible = true;
};

// The graphs a view redraws after an edit.
enum Graph : unsigned {
    kGraphNone = 0,
    kGraphInputEq = 1,       // the input equaliser of the page shown
    kGraphOutputEqLow = 2,   // way LOW (the subwoofer's output)
    kGraphOutputEqHigh = 4,  // way HIGH
    kGraphCrossover = 8,     // the crossover / summed response (filters, output gains, delays, polarities)
    kGraphAll = 15,
};

class EditObserver {
public:
    virtual ~EditObserver() = default;
    // Called with GuiUpdating raised: re-read every control state.
    virtual void refreshControls() {}
    // The graphs to redraw and the family instances whose bytes changed; an empty list means the
    // whole image was replaced (a program loaded, a factory recall, a read-back), so a view
    // recomputes everything instead of the touched sections.
    virtual void redrawGraphs(unsigned graphs, std::span<const EditTarget> changed) {
        (void)graphs;
        (void)changed;
    }
};

struct PageInfo {
    Bilingual label;
    int channel = 0;  // 0 input, 1 way LOW (the subwoofer's output), 2 way HIGH
    int firstBand = 0;
    int bandCount = 0;
};

// The fader track: positions 1..steps spread over vertical units 400..2360 (top = position 1).
inline constexpr int kFaderTrackTop = 400;
inline constexpr int kFaderTrackBottom = 2360;
int FaderPositionFromTrack(int trackY, int steps);
int FaderTrackFromPosition(int position, int steps);

class EditController {
public:
    EditController(AppContext& ctx, int slot, EditSink& sink, Prompter& prompter);

    int slot() const { return slot_; }
    DeviceKind kind() const { return kind_; }
    void setObserver(EditObserver* observer) { observer_ = observer; }
    // Open edit windows of other slots, refreshed when a recall reaches their device.
    void setWindows(EditWindowRefresher* windows) { windows_ = windows; }

    // ---- Window state ------------------------------------------------------------------------
    int pageCount() const { return static_cast<int>(pages_.size()); }
    const PageInfo& pageInfo(int page) const { return pages_.at(static_cast<std::size_t>(page)); }
    int page() const { return page_; }
    // Selects a page and its first band; the view is refreshed (under GuiUpdating).
    void selectPage(int page);
    int channel() const { return pageInfo(page_).channel; }
    // The output way the page edits (0 LOW, 1 HIGH), or -1 on an input page.
    int way() const { return channel() == 0 ? -1 : channel() - 1; }
    std::vector<int> pageBands() const;
    int selectedBand() const { return band_; }
    // Selects a band of the page shown; false (nothing changes) for a band of another page.
    bool selectBand(int band);
    bool delayInMetres() const { return delayMetres_; }
    // The delay-unit menu: 0 milliseconds, 1 metres.
    void chooseDelayUnit(int index);
    // The entries of the pop-up menus the window opens: the crossover slopes this device
    // offers, the PEQ types, the delay units (index 0 ms, 1 m). A choice is forwarded as its index
    // to choose() / chooseDelayUnit().
    std::vector<std::string_view> slopeMenu() const;
    static std::vector<std::string_view> peqTypeMenu();
    // The FIR controls' lists: the window types, the tap counts, the crossover modes.
    static std::vector<std::string_view> firWindowMenu();
    static std::vector<std::string_view> firTapsMenu();
    static std::vector<std::string_view> xoverModeMenu();
    static std::vector<std::string_view> delayUnitMenu();
    // Device name and program label.
    std::string caption() const;
    std::string programLabel() const;
    ControlState state(Control control) const;
    int faderSteps(Control control) const;  // 0 when the control has no fader
    // The key filter of the control's text box (NumericKeyFilter with the control's rules).
    std::int16_t filterKey(Control control, TextBoxModel& box, int& key) const;
    // Graphs marked since the last call.
    unsigned takeRedraw();

    // ---- User events (each runs the edit flow) -----------------------------------------------
    // A confirmed text entry; false when refused (the refusal was shown) or ignored.
    bool enterText(Control control, std::string_view text);
    bool step(Control control, int delta);
    bool choose(Control control, int index);
    bool toggle(Control control);
    bool doubleClick(Control control);
    // Fader drag: press sets the fader's dragging flag and starts one undo step, every move while
    // the flag is set sends, release clears it and ends the step.
    void faderPress(Control control);
    bool faderMove(Control control, int trackY);
    void faderRelease(Control control);
    bool setFaderPosition(Control control, int position);
    // Graph drag of a band: press selects it, each move sets its frequency and gain (clamped to
    // the graph's range, gain in 0.5 dB) and returns the "Freq=…Hz; Gain=…dB" readout.
    bool graphPress(int band);
    std::string graphMove(double frequencyHz, double gainDb);
    void graphRelease();
    std::string graphReadout() const { return readout_; }

    // ---- Crossover FIR -----------------------------------------------------------------------
    // The satellite's FIR settings (sat/FirSettings.h) through the edit flow: the crossover-mode
    // window and the FIR controls of the output pages call these. Each returns false when
    // ignored or refused (the refusal shown).
    bool setXoverMode(int code);
    bool editFirWay(int way, const ParamEditor::FirWayChange& change);
    bool setFirStopBand(int way, bool lowPass, int entry);
    bool setFirEnable(int way, bool on);
    bool editOutputFilter(int way, bool lowPass, std::optional<int> slope, std::optional<double> frequencyHz);

    // ---- Button bar ----------------------------------------------------------------------------
    bool flatPeq();
    bool recallFactory();
    // Program files; the view's file dialog offers programFilter() below programFolder().
    std::string programFilter() const;
    std::vector<std::string> programExtensions() const;
    std::filesystem::path programFolder() const;
    bool loadProgram(const std::filesystem::path& path);
    bool saveProgram(const std::filesystem::path& path);
    bool canImportGeq() const { return kind_ == DeviceKind::Sat; }
    bool importGeq(const std::filesystem::path& path);

    // ---- History -------------------------------------------------------------------------------
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    bool undo();
    bool redo();
    // After the image was read back from the device (connection flow): history cleared, every
    // control and graph refreshed.
    void imageReadBack();

private:
    using Edit = std::function<EditResult(ParamEditor&)>;
    bool blocked() const;
    bool apply(const Edit& edit, std::optional<Refusal> parseRefusal = std::nullopt);
    void refuse(Refusal refusal);
    void runSends(const std::vector<EditTarget>& targets);
    void restore(const EditStep& step, bool after);
    void refresh();
    void redraw(unsigned graphs, std::span<const EditTarget> changed);
    unsigned graphsOf(const EditTarget& target) const;
    std::optional<double> parse(Control control, std::string_view text) const;
    void firState(Control control, ControlState& s) const;
    bool applyValue(Control control, double value);
    void wholeProgramChanged();
    void loadFactoryImage(int slot);

    std::uint8_t image(int offset) const;
    std::uint8_t& image(int offset);
    std::uint8_t statusByte(int offset) const;
    std::array<int, 5> bandOffsets(int band) const;  // type, freq high, freq low, Q, gain
    int gainOffset() const;                          // the gain the InGain fader edits
    std::array<int, 3> delayOffsets() const;
    std::array<int, 3> filterOffsets(bool lowPass) const;  // slope, freq high, freq low
    int compressorField(int field) const;
    int sourceChoice() const;
    int inputSection() const;
    int limiterWay() const;

    AppContext& ctx_;
    int slot_;
    DeviceKind kind_;
    EditSink& sink_;
    Prompter& prompter_;
    EditObserver* observer_ = nullptr;
    EditWindowRefresher* windows_ = nullptr;
    std::vector<PageInfo> pages_;
    int page_ = 0;
    int band_ = 0;
    bool delayMetres_ = false;
    bool lhLink_ = false;
    std::optional<Control> dragging_;  // the fader whose button is held
    unsigned pendingGraphs_ = kGraphNone;
    std::string readout_;
    EditHistory history_;
};

// The two windows. They differ only in the tables the base class is built with.
// Each checks that its slot holds a device of its kind.
class EditSatController final : public EditController {
public:
    EditSatController(AppContext& ctx, int slot, EditSink& sink, Prompter& prompter);
};
class EditSubController final : public EditController {
public:
    EditSubController(AppContext& ctx, int slot, EditSink& sink, Prompter& prompter);
};

}  // namespace plenum::device
