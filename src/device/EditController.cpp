#include "device/EditController.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "core/BinaryIO.h"
#include "core/Config.h"
#include "core/FactoryPrograms.h"
#include "core/ImageLayout.h"
#include "core/Registry.h"
#include "core/ValueCodecs.h"
#include "device/EditTexts.h"
#include "device/ProgramFile.h"
#include "device/ProgramMemory.h"
#include "fir/FirFile.h"
#include "fir/XoverMode.h"
#include "sat/FirSettings.h"

namespace plenum::device {
namespace {

constexpr std::array<std::string_view, kPeqTypeCount> kPeqTypeNames{
    "Bell", "HSh1", "HSh2", "HShQ", "LSh1", "LSh2", "LShQ", "LP-1", "LP-2",
    "LP-Q", "HP-1", "HP-2", "HP-Q", "BP",   "Notch", "AP-1", "AP-2", "Ext"};
// The band types that carry a gain (bell and shelves): the ones Flat PEQ resets.
constexpr int kLastGainType = 6;
constexpr std::array<std::string_view, 13> kSlopeNames{
    "Bypass",        "-6dB/oct BW",  "-12dB/oct BW", "-12dB/oct LR", "-12dB/oct BS", "-18dB/oct BW", "-24dB/oct BW",
    "-24dB/oct LR",  "-24dB/oct BS", "-36dB/oct BW", "-36dB/oct LR", "-48dB/oct BW", "-48dB/oct LR"};
constexpr std::array<std::string_view, 2> kSourceNames{"LINE", "MIC"};
constexpr std::array<std::string_view, 2> kLeftRight{"L", "R"};
constexpr int kGeqBands = 31;  // the room page
constexpr int kGeqFirstBand = 10;
constexpr int kQCodeMax = 255;

// The subwoofer's analog left/right choice: bit 1 = left, bit 2 = right of input byte 17 (the
// bits the satellite's source and Dante choices leave free).
constexpr int kAnalogLeftBit = 1;
constexpr int kAnalogRightBit = 2;

struct ControlNames {
    Control control;
    std::string_view sat;
    std::string_view sub;
};
constexpr std::array<ControlNames, kControlCount> kControlNames{{
    {Control::InpSource, "LabelInpSource", "LabelInpSource"},
    {Control::DanteLR, "LabelDanteLR", "LabelDanteLR"},
    {Control::AnalogLR, "LabelAnalogLR", "LabelAnalogLR"},
    {Control::GainSrc, "TextGainSrc", "TextGainSrc"},
    {Control::InGain, "TextInGain", "TextInGain"},
    {Control::Mute, "ImgMuteG", "ImgMuteG"},
    {Control::Phase, "LabelCheckPhase", "LabelCheckPhase"},
    {Control::Delay, "TextDly", "TextDly"},
    {Control::DelayCoarse, "UpDownDlyA", "UpDownDlyA"},
    {Control::DelayFine, "UpDownDlyF", "UpDownDlyF"},
    {Control::GateEnable, "LabelGateEn", "LabelGateEn"},
    {Control::GateThreshold, "NGText", "NGText"},
    {Control::CmpEnable, "LabelCmpEn", "LabelCmpEn"},
    {Control::CmpAuto, "LabelAutoCmp", "LabelAutoCmp"},
    {Control::CmpThreshold, "CmpText", "CmpText"},
    {Control::CmpRatio, "CmpRatioText", "CmpRatioText"},
    {Control::CmpMakeUp, "CmpMakeUpText", "CmpMakeUpText"},
    {Control::LimEnable, "LabelLimEn", "LabelLimEn"},
    {Control::LimThreshold, "LimText", "LimText"},
    {Control::MakeUp, "HLimText", "HLimText"},
    {Control::LhLink, "CheckLHLink", "CheckLHLink"},
    {Control::DlfEnable, "LabelDLFEn", "LabelDLFEn"},
    {Control::Dlf, "TextDLF", "TextDLF"},
    {Control::RoomCorrection, "TextRoomCorrection", "TextRoomCorrection"},
    {Control::NoiseEnable, "LabelNoiseGenEnable", "LabelNoiseGenEnable"},
    {Control::NoiseType, "LabelOptionNoiseGenType", "LabelOptionNoiseGenType"},
    {Control::NoiseLevel, "TextNoiseLev", "TextNoiseLev"},
    {Control::EqType, "LblEQType", "LblEQType"},
    {Control::EqGain, "TxtEqGain", "TxtEqGain"},
    {Control::EqFreq, "TxtEqFreq", "TxtEqFreq"},
    {Control::EqQ, "TxtEqQ", "TxtEqQ"},
    {Control::EqBypass, "LabelEqByp", "LabelEqByp"},
    {Control::XoverHpSlope, "UCComboHpLp", "ComboHpLp"},
    {Control::XoverHpFreq, "TextHpLpF", "TextHpLpF"},
    {Control::XoverLpSlope, "UCComboHpLp", "ComboHpLp"},
    {Control::XoverLpFreq, "TextHpLpF", "TextHpLpF"},
    {Control::FirEnable, "UCBtnFirEn", "UCBtnFirEn"},
    {Control::FirWindowType, "UCComboWinType", "UCComboWinType"},
    {Control::FirTaps, "UCComboNtaps", "UCComboNtaps"},
    {Control::FirAttenuation, "UCWinAtt", "UCWinAtt"},
    {Control::FirFrequency, "TextFirFreq", "TextFirFreq"},
    {Control::MirMinLatency, "UCBtnMirMinLatency", "UCBtnMirMinLatency"},
    {Control::XoverMode, "LabelXoverMode", "LabelXoverMode"},
    {Control::FirLabel, "LabelFir", "LabelFir"},
}};

constexpr std::array<std::string_view, 9> kFirTapNames{"256", "288", "320", "352", "384", "416", "448", "480", "512"};

std::string Fixed(double value, int decimals, bool decimalComma) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (decimalComma) std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

bool Bit(std::uint8_t byte, int bit) { return (byte & (1 << bit)) != 0; }

std::vector<int> UniqueLinkTargets(const AppContext& ctx, int slot) {
    std::vector<int> targets;
    for (const int target : LinkTargets(ctx, slot))
        if (std::find(targets.begin(), targets.end(), target) == targets.end()) targets.push_back(target);
    return targets;
}

}  // namespace

std::string_view ControlName(Control control, DeviceKind kind) {
    const ControlNames& names = kControlNames[static_cast<std::size_t>(control)];
    assert(names.control == control);
    return kind == DeviceKind::Sub ? names.sub : names.sat;
}

int FaderPositionFromTrack(int trackY, int steps) {
    if (steps <= 1) return 1;
    const int y = std::clamp(trackY, kFaderTrackTop, kFaderTrackBottom);
    const double fraction = static_cast<double>(y - kFaderTrackTop) / (kFaderTrackBottom - kFaderTrackTop);
    return 1 + static_cast<int>(std::lround(fraction * (steps - 1)));
}

int FaderTrackFromPosition(int position, int steps) {
    if (steps <= 1) return kFaderTrackTop;
    const double fraction = static_cast<double>(std::clamp(position, 1, steps) - 1) / (steps - 1);
    return kFaderTrackTop + static_cast<int>(std::lround(fraction * (kFaderTrackBottom - kFaderTrackTop)));
}

// ---- Construction and window state ----------------------------------------------------------

EditController::EditController(AppContext& ctx, int slot, EditSink& sink, Prompter& prompter)
    : ctx_(ctx), slot_(slot), kind_(KindOf(ctx.device(slot))), sink_(sink), prompter_(prompter) {
    if (kind_ == DeviceKind::Sat) {
        // Which bypass bit of byte 34 belongs to which input page: INPUT 0, ROOM 1, PRE X-OVER 2.
        pages_ = {{texts::kPageInput, 0, 0, 10},
                  {texts::kPageOutput, 1, sat::kInputBands, sat::kOutputBands},
                  {texts::kPageOutput, 2, sat::kInputBands, sat::kOutputBands},
                  {texts::kPageRoom, 0, 10, 31},
                  {texts::kPagePreXover, 0, 41, 10}};
    } else {
        pages_ = {{texts::kPageInput, 0, 0, sub::kInputBands}, {texts::kPageOutput, 1, sub::kInputBands, sub::kOutputBands}};
    }
    selectPage(0);
}

EditSatController::EditSatController(AppContext& ctx, int slot, EditSink& sink, Prompter& prompter)
    : EditController(ctx, slot, sink, prompter) {
    assert(kind() == DeviceKind::Sat);
}

EditSubController::EditSubController(AppContext& ctx, int slot, EditSink& sink, Prompter& prompter)
    : EditController(ctx, slot, sink, prompter) {
    assert(kind() == DeviceKind::Sub);
}

void EditController::selectPage(int page) {
    if (page < 0 || page >= pageCount()) return;
    page_ = page;
    band_ = pageInfo(page).firstBand;
    refresh();
}

std::vector<int> EditController::pageBands() const {
    const PageInfo& info = pageInfo(page_);
    std::vector<int> bands(static_cast<std::size_t>(info.bandCount));
    for (int i = 0; i < info.bandCount; ++i) bands[static_cast<std::size_t>(i)] = info.firstBand + i;
    return bands;
}

bool EditController::selectBand(int band) {
    const PageInfo& info = pageInfo(page_);
    if (band < info.firstBand || band >= info.firstBand + info.bandCount) return false;
    band_ = band;
    refresh();
    return true;
}

void EditController::chooseDelayUnit(int index) {
    if (index != 0 && index != 1) return;
    delayMetres_ = index == 1;
    refresh();
}

std::vector<std::string_view> EditController::slopeMenu() const {
    const int last = kind_ == DeviceKind::Sat ? kSatSlopeMax : kSubSlopeMax;
    return {kSlopeNames.begin(), kSlopeNames.begin() + last + 1};
}

std::vector<std::string_view> EditController::peqTypeMenu() { return {kPeqTypeNames.begin(), kPeqTypeNames.end()}; }

std::vector<std::string_view> EditController::delayUnitMenu() { return {"ms", "m"}; }

std::vector<std::string_view> EditController::firWindowMenu() {
    std::vector<std::string_view> names;
    for (const auto& info : kFirWindows) names.push_back(info.label);
    return names;
}

std::vector<std::string_view> EditController::firTapsMenu() { return {kFirTapNames.begin(), kFirTapNames.end()}; }

std::vector<std::string_view> EditController::xoverModeMenu() {
    return {fir::kXoverModeLabels.begin(), fir::kXoverModeLabels.end()};
}

std::string EditController::programLabel() const {
    std::string label;
    for (int i = 0; i < kProgramNameLength; ++i) {
        const auto c = static_cast<char>(image(i));
        label.push_back(c == '\0' ? ' ' : c);
    }
    while (!label.empty() && label.back() == ' ') label.pop_back();
    return label;
}

// The device name and the program label ("name - P3", without the label's closing ": "); a group
// member also says which group its group values come from.
std::string EditController::caption() const {
    std::string label = ProgramLabel(ctx_, slot_);
    if (label.ends_with(": ")) label.resize(label.size() - 2);
    std::string text = DisplayName(ctx_, slot_) + " - " + label;
    for (const GroupRecord& group : ctx_.groups)
        if (group.isInUse() && group.hasMember(slot_))
            text += FillText(texts::kMemberOfGroup.pick(ctx_.LanguageFlag), {group.Name});
    return text;
}

unsigned EditController::takeRedraw() { return std::exchange(pendingGraphs_, kGraphNone); }

// ---- Image access ---------------------------------------------------------------------------

std::uint8_t EditController::image(int offset) const {
    const auto index = static_cast<std::size_t>(slot_);
    return kind_ == DeviceKind::Sub ? ctx_.subImage[index][static_cast<std::size_t>(offset)]
                                    : ctx_.satImage[index][static_cast<std::size_t>(offset)];
}

std::uint8_t& EditController::image(int offset) {
    const auto index = static_cast<std::size_t>(slot_);
    return kind_ == DeviceKind::Sub ? ctx_.subImage[index][static_cast<std::size_t>(offset)]
                                    : ctx_.satImage[index][static_cast<std::size_t>(offset)];
}

std::uint8_t EditController::statusByte(int offset) const { return ctx_.statusOf(slot_)[static_cast<std::size_t>(offset)]; }

std::array<int, 5> EditController::bandOffsets(int band) const {
    if (kind_ == DeviceKind::Sat) {
        if (band < sat::kInputBands)
            return {sat::kInPeqType + band, sat::kInPeqFreqHigh + band, sat::kInPeqFreqLow + band, sat::kInPeqQ + band,
                    sat::kInPeqGain + band};
        const int b = band - sat::kInputBands;
        const int w = std::max(way(), 0);
        return {sat::OutPeqOffset(sat::kOutPeqType, b, w), sat::OutPeqOffset(sat::kOutPeqFreqHigh, b, w),
                sat::OutPeqOffset(sat::kOutPeqFreqLow, b, w), sat::OutPeqOffset(sat::kOutPeqQ, b, w),
                sat::OutPeqOffset(sat::kOutPeqGain, b, w)};
    }
    if (band < sub::kInputBands)
        return {sub::kInPeqType + band, sub::kInPeqFreqHigh + band, sub::kInPeqFreqLow + band, sub::kInPeqQ + band,
                sub::kInPeqGain + band};
    const int b = band - sub::kInputBands;
    return {sub::kOutPeqType + b, sub::kOutPeqFreqHigh + b, sub::kOutPeqFreqLow + b, sub::kOutPeqQ + b,
            sub::kOutPeqGain + b};
}

int EditController::gainOffset() const {
    if (way() < 0) return sat::kInputGain;  // the same offset in both images
    return kind_ == DeviceKind::Sub ? sub::kOutputGain : sat::kOutputGain + way();
}

std::array<int, 3> EditController::delayOffsets() const {
    if (way() < 0) return {sat::kInputDelay, sat::kInputDelay + 1, sat::kInputDelay + 2};
    if (kind_ == DeviceKind::Sub) return {sub::kOutDelay, sub::kOutDelay + 1, sub::kOutDelay + 2};
    return {sat::kOutDelayHigh + way(), sat::kOutDelayLow + way(), sat::kOutDelaySamples + way()};
}

std::array<int, 3> EditController::filterOffsets(bool lowPass) const {
    if (way() < 0) {
        const int base = kind_ == DeviceKind::Sat ? sat::kInputXover : sub::kInputXover;
        return {base, base + 1, base + 2};
    }
    if (kind_ == DeviceKind::Sub) {
        const int base = lowPass ? sub::kOutLp : sub::kOutHp;
        return {base, base + 1, base + 2};
    }
    const int w = way();
    return lowPass ? std::array{sat::kOutLpSlope + w, sat::kOutLpFreqHigh + w, sat::kOutLpFreqLow + w}
                   : std::array{sat::kOutHpSlope + w, sat::kOutHpFreqHigh + w, sat::kOutHpFreqLow + w};
}

// Field f (0 release, 1 ratio, 2 threshold/on, 3 attack, 4 make-up) of the compressor the page
// edits: the input compressor, or on a satellite's way page that way's compressor.
int EditController::compressorField(int field) const {
    if (kind_ == DeviceKind::Sub) return sub::kCompressor + field;
    if (way() < 0) return sat::kCompressor + field;
    return sat::kOutCompressor + 2 * field + way();
}

int EditController::sourceChoice() const { return Bit(image(sat::kInputConfig), 3) ? 1 : 0; }

int EditController::inputSection() const {
    if (kind_ == DeviceKind::Sub) return 0;
    return page_ == 3 ? 1 : page_ == 4 ? 2 : 0;
}

int EditController::limiterWay() const { return kind_ == DeviceKind::Sub ? 0 : way(); }

// ---- What the view shows --------------------------------------------------------------------

int EditController::faderSteps(Control control) const {
    switch (control) {
        case Control::InGain: return kGainIndexMax + 1;
        case Control::GateThreshold: return static_cast<int>(kGateThresholdList.size());
        case Control::CmpThreshold:
        case Control::LimThreshold: return 41;
        case Control::MakeUp: {
            const ValueRange range = kind_ == DeviceKind::Sat ? ranges::kSatOutputMakeUpDb : ranges::kSubOutputMakeUpDb;
            return static_cast<int>((range.max - range.min) * 2) + 1;
        }
        case Control::Dlf: return 101;
        case Control::EqGain: return kPeqGainCodeMax + 1;
        default: return 0;
    }
}

ControlState EditController::state(Control control) const {
    ControlState s;
    const bool comma = ctx_.DecimalComma;
    const bool sat = kind_ == DeviceKind::Sat;
    const bool onWay = way() >= 0;
    switch (control) {
        case Control::InpSource:
            s.position = sourceChoice();
            s.text = kSourceNames[static_cast<std::size_t>(s.position)];
            break;
        case Control::DanteLR:
            s.position = Bit(image(sat::kInputConfig), 5) ? 1 : 0;
            s.text = kLeftRight[static_cast<std::size_t>(s.position)];
            break;
        case Control::AnalogLR:
            s.visible = !sat;
            s.position = Bit(image(sat::kInputConfig), kAnalogRightBit) ? 1 : 0;
            s.text = kLeftRight[static_cast<std::size_t>(s.position)];
            break;
        case Control::GainSrc:
            s.position = image(18 + sourceChoice());
            s.text = GainText(s.position);
            break;
        case Control::InGain: {
            const int index = image(gainOffset());
            s.position = GainFaderPosition(index);
            s.text = GainText(index);
            break;
        }
        case Control::Mute:
            if (!onWay) s.checked = image(sat::kInputMute) != 0;
            else s.checked = sat ? Bit(image(sat::kOutputMutes), way()) : Bit(image(sub::kOutputMute), 0);
            break;
        case Control::Phase:
            if (!onWay) s.checked = image(sat::kPolarity) != 0;
            else s.checked = sat ? Bit(image(sat::kOutputPolarities), way()) : Bit(image(sub::kOutputPolarity), 0);
            break;
        case Control::Delay:
        case Control::DelayCoarse:
        case Control::DelayFine: {
            const auto at = delayOffsets();
            const DelayCode code{static_cast<std::uint16_t>(image(at[0]) * 256 + image(at[1])), image(at[2])};
            s.text = DelayText(code, delayMetres_);
            if (comma) std::replace(s.text.begin(), s.text.end(), '.', ',');
            s.position = control == Control::DelayFine ? code.samples : code.wholeMs;
            break;
        }
        case Control::GateEnable: s.checked = Bit(image(sat::kGate + 2), 7); break;
        case Control::GateThreshold: {
            const int position = std::min<int>(image(sat::kGate), static_cast<int>(kGateThresholdList.size()) - 1);
            s.position = static_cast<int>(kGateThresholdList.size()) - position;
            s.text = std::to_string(kGateThresholdList[static_cast<std::size_t>(position)]);
            break;
        }
        case Control::CmpEnable: s.checked = Bit(image(compressorField(2)), 7); break;
        case Control::CmpAuto: {
            const int offset = !sat ? sub::kCompressorAuto : onWay ? sat::kOutCompressorAuto + way() : sat::kCompressorAuto;
            s.checked = image(offset) != 0;
            break;
        }
        case Control::CmpThreshold: {
            const int db = image(compressorField(2)) & 0x7F;
            s.position = 1 + db;
            s.text = std::to_string(-db);
            break;
        }
        case Control::CmpRatio:
            s.position = image(compressorField(1)) + 1;
            s.text = std::to_string(s.position) + ":1";
            break;
        case Control::CmpMakeUp: s.text = Fixed(image(compressorField(4)) / 2.0, 1, comma); break;
        case Control::LimEnable:
        case Control::LimThreshold: {
            s.enabled = !sat || onWay;
            const std::uint8_t byte = image(sat ? sat::kLimiterSecond + std::max(way(), 0) : sub::kLimiter + 2);
            s.checked = Bit(byte, 7);
            s.position = 1 + (byte & 0x7F);
            s.text = std::to_string(-(byte & 0x7F));
            break;
        }
        case Control::MakeUp: {
            s.enabled = !sat || onWay;
            const double db = image(sat ? sat::kMakeUp + std::max(way(), 0) : sub::kMakeUp) / 2.0 - 12.0;
            const double top = sat ? ranges::kSatOutputMakeUpDb.max : ranges::kSubOutputMakeUpDb.max;
            s.position = 1 + static_cast<int>(std::lround((top - db) * 2));
            s.text = Fixed(db, 1, comma);
            break;
        }
        case Control::LhLink:
            s.visible = sat;
            s.enabled = onWay;
            s.checked = lhLink_;
            break;
        case Control::DlfEnable: s.checked = Bit(image(sat ? 30 : sub::kDlf), 7); break;
        case Control::Dlf: {
            const int amount = image(sat ? 30 : sub::kDlf) & 0x7F;
            s.position = 101 - amount;
            s.text = std::to_string(amount);
            break;
        }
        case Control::RoomCorrection:
            s.visible = sat;
            s.position = sat ? image(sat::kRoomCorrection) : 0;
            s.text = std::to_string(s.position);
            break;
        case Control::NoiseEnable: s.checked = statusByte(status::kNoiseEnable) != 0; break;
        case Control::NoiseType: s.position = statusByte(status::kNoiseType); break;
        case Control::NoiseLevel:
            s.position = -statusByte(status::kNoiseLevel);
            s.text = std::to_string(s.position);
            break;
        case Control::EqType: {
            s.position = image(bandOffsets(band_)[0]);
            if (s.position < kPeqTypeCount) s.text = kPeqTypeNames[static_cast<std::size_t>(s.position)];
            break;
        }
        case Control::EqGain: {
            const int code = std::min(image(bandOffsets(band_)[4]) & 0x3F, kPeqGainCodeMax);
            s.position = PeqGainFaderFromCode(code);
            s.checked = Bit(image(bandOffsets(band_)[4]), 7);  // the band's own bypass
            s.text = Fixed(PeqGainDb(code), 1, comma);
            break;
        }
        case Control::EqFreq: {
            const auto at = bandOffsets(band_);
            s.position = JoinFrequency(image(at[1]), image(at[2]));
            s.text = std::to_string(s.position);
            break;
        }
        case Control::EqQ:
            s.position = image(bandOffsets(band_)[3]);
            s.text = Fixed(QFromCode(s.position), 2, comma);
            break;
        case Control::EqBypass:
            if (!onWay) s.checked = Bit(image(sat ? sat::kInputEqBypass : sub::kInputEqBypass), inputSection());
            else s.checked = Bit(image(sat ? sat::kOutputEqBypass : sub::kOutputEqBypass), sat ? way() : 0);
            break;
        case Control::XoverHpSlope:
        case Control::XoverLpSlope:
        case Control::XoverHpFreq:
        case Control::XoverLpFreq: {
            const bool lowPass = control == Control::XoverLpSlope || control == Control::XoverLpFreq;
            s.enabled = !lowPass || onWay;
            const auto at = filterOffsets(lowPass);
            if (control == Control::XoverHpSlope || control == Control::XoverLpSlope) {
                s.position = image(at[0]);
                if (s.position < static_cast<int>(kSlopeNames.size())) s.text = kSlopeNames[static_cast<std::size_t>(s.position)];
            } else {
                s.position = JoinFrequency(image(at[1]), image(at[2]));
                s.text = std::to_string(s.position);
            }
            break;
        }
        case Control::FirEnable:
        case Control::FirWindowType:
        case Control::FirTaps:
        case Control::FirAttenuation:
        case Control::FirFrequency:
        case Control::MirMinLatency:
        case Control::XoverMode:
        case Control::FirLabel: firState(control, s); break;
    }
    return s;
}

void EditController::firState(Control control, ControlState& s) const {
    s.visible = kind_ == DeviceKind::Sat && way() >= 0;
    if (!s.visible) return;
    const SatParamImage& sat = ctx_.satImage[static_cast<std::size_t>(slot_)];
    const FirWaySettings fir = ReadFirWay(sat, way());
    const int mode = XoverModeCode(sat);
    switch (control) {
        case Control::FirEnable: s.checked = Bit(statusByte(status::kFirEnabled), way()); break;
        case Control::FirWindowType:
            s.position = fir.window;
            s.text = kFirWindows[static_cast<std::size_t>(fir.window)].label;
            break;
        case Control::FirTaps:
            s.position = (fir.taps - kFirSettingMinTaps) / kFirSettingTapStep;
            s.text = std::to_string(fir.taps);
            break;
        case Control::FirAttenuation:
            s.position = fir.attenuationSetting;
            s.text = std::to_string(fir.attenuationSetting);
            s.enabled = kFirWindows[static_cast<std::size_t>(fir.window)].adjustable;
            break;
        case Control::FirFrequency:
            s.position = FirEntryIsLowPass(mode, way()) ? fir.lowPassHz : fir.highPassHz;
            s.text = std::to_string(s.position);
            break;
        case Control::MirMinLatency:
            s.checked = fir.removeLatency;
            s.text = fir::LatencySwitchCaption(mode == 2 ? fir::XoverSideKind::Mir : fir::XoverSideKind::Fir);
            break;
        case Control::XoverMode:
            s.position = mode;
            s.text = fir::kXoverModeLabels[static_cast<std::size_t>(mode)];
            break;
        case Control::FirLabel: {
            const auto& table = ctx_.satExtra[static_cast<std::size_t>(slot_)].fir[static_cast<std::size_t>(way())];
            s.text = fir::FirLabel(table.name, table.taps);
            break;
        }
        default: break;
    }
}

std::int16_t EditController::filterKey(Control control, TextBoxModel& box, int& key) const {
    bool decimals = true;
    switch (control) {
        case Control::GateThreshold:
        case Control::CmpThreshold:
        case Control::CmpRatio:
        case Control::LimThreshold:
        case Control::Dlf:
        case Control::RoomCorrection:
        case Control::NoiseLevel:
        case Control::EqFreq:
        case Control::XoverHpFreq:
        case Control::XoverLpFreq:
        case Control::FirAttenuation:
        case Control::FirFrequency: decimals = false; break;
        default: break;
    }
    // The ratio box shows "N:1"; only its digits are typed, and Enter drops the ":1".
    return NumericKeyFilter(box, key, decimals, true, ctx_.DecimalComma);
}

// ---- The edit flow --------------------------------------------------------------------------

bool EditController::blocked() const { return ctx_.flags.GuiUpdating != 0 || ctx_.flags.TxSuspended != 0; }

void EditController::refuse(Refusal refusal) {
    Tell(prompter_, ctx_.LanguageFlag, RefusalText(refusal, kind_));
    refresh();  // the controls show the value that stayed
}

void EditController::refresh() {
    if (observer_ == nullptr) return;
    const Bool16 previous = ctx_.flags.GuiUpdating;
    ctx_.flags.GuiUpdating = kTrue16;
    observer_->refreshControls();
    ctx_.flags.GuiUpdating = previous;
}

void EditController::redraw(unsigned graphs, std::span<const EditTarget> changed) {
    if (graphs == kGraphNone) return;
    pendingGraphs_ |= graphs;
    if (observer_ != nullptr) observer_->redrawGraphs(graphs, changed);
}

unsigned EditController::graphsOf(const EditTarget& target) const {
    const unsigned outputEq = target.address.way == 1 ? kGraphOutputEqHigh : kGraphOutputEqLow;
    switch (target.family) {
        case ParamFamily::InputPeqBand:
        case ParamFamily::InputEqBypass:
        case ParamFamily::InputCrossover: return kGraphInputEq;
        case ParamFamily::OutputPeqBand:
        case ParamFamily::OutputEqBypass: return outputEq | kGraphCrossover;
        case ParamFamily::OutputHighPass:
        case ParamFamily::OutputLowPass:
        case ParamFamily::OutputGain:
        case ParamFamily::OutputDelay:
        case ParamFamily::OutputPolarity:
        case ParamFamily::OutputMute:
        case ParamFamily::InputPolarity:
        case ParamFamily::FirOutput:
        case ParamFamily::FirDesign: return kGraphCrossover;
        default: return kGraphNone;
    }
}

void EditController::runSends(const std::vector<EditTarget>& targets) {
    unsigned graphs = kGraphNone;
    for (const EditTarget& target : targets) {
        sink_.send(slot_, target.family, target.address);
        sink_.sendToLinked(slot_, target.family, target.address);
        graphs |= graphsOf(target);
    }
    redraw(graphs, targets);
}

bool EditController::apply(const Edit& edit, std::optional<Refusal> parseRefusal) {
    if (blocked()) return false;
    if (parseRefusal) {
        refuse(*parseRefusal);
        return false;
    }
    const auto index = static_cast<std::size_t>(slot_);
    const std::vector<std::uint8_t> imageBefore =
        kind_ == DeviceKind::Sub ? std::vector<std::uint8_t>(ctx_.subImage[index].bytes.begin(), ctx_.subImage[index].bytes.end())
                                 : std::vector<std::uint8_t>(ctx_.satImage[index].bytes.begin(), ctx_.satImage[index].bytes.end());
    const DeviceStatusRecord statusBefore = ctx_.statusOf(slot_);

    ParamEditor editor(ctx_, slot_);
    const EditResult result = edit(editor);
    if (!result.ok()) {
        refuse(result.refusal);
        return false;
    }
    EditStep step;
    for (std::size_t i = 0; i < imageBefore.size(); ++i)
        if (imageBefore[i] != image(static_cast<int>(i)))
            step.bytes.push_back({false, static_cast<int>(i), imageBefore[i], image(static_cast<int>(i))});
    const DeviceStatusRecord& statusAfter = ctx_.statusOf(slot_);
    for (std::size_t i = 0; i < statusBefore.size(); ++i)
        if (statusBefore[i] != statusAfter[i]) step.bytes.push_back({true, static_cast<int>(i), statusBefore[i], statusAfter[i]});
    step.targets = result.sends;
    history_.record(step);

    refresh();
    runSends(result.sends);
    return true;
}

bool EditController::setXoverMode(int code) {
    return apply([&](ParamEditor& e) { return e.xoverMode(code); });
}

bool EditController::editFirWay(int way, const ParamEditor::FirWayChange& change) {
    return apply([&](ParamEditor& e) { return e.firWay(way, change); });
}

bool EditController::setFirStopBand(int way, bool lowPass, int entry) {
    return apply([&](ParamEditor& e) { return e.firStopBand(way, lowPass, entry); });
}

bool EditController::setFirEnable(int way, bool on) {
    return apply([&](ParamEditor& e) { return e.firEnable(way, on); });
}

bool EditController::editOutputFilter(int way, bool lowPass, std::optional<int> slope, std::optional<double> frequencyHz) {
    return apply([&](ParamEditor& e) { return e.outputFilter(way, lowPass, slope, frequencyHz); });
}

std::optional<double> EditController::parse(Control control, std::string_view text) const {
    std::string cleaned(text);
    std::replace(cleaned.begin(), cleaned.end(), ',', '.');
    cleaned = CleanEnteredText(cleaned);
    while (!cleaned.empty() && cleaned.front() == ' ') cleaned.erase(cleaned.begin());
    while (!cleaned.empty() && cleaned.back() == ' ') cleaned.pop_back();
    if (control == Control::CmpRatio && cleaned.ends_with(":1")) cleaned.resize(cleaned.size() - 2);
    double value = 0;
    const char* end = cleaned.data() + cleaned.size();
    const auto [ptr, error] = std::from_chars(cleaned.data(), end, value);
    if (cleaned.empty() || error != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool EditController::applyValue(Control control, double v) {
    const int w = way();
    const int cmpWay = kind_ == DeviceKind::Sat ? w : -1;
    const int peqWay = std::max(w, 0);
    switch (control) {
        case Control::GainSrc: return apply([&](ParamEditor& e) { return e.sourceGainDb(sourceChoice(), v); });
        case Control::InGain:
            return apply([&](ParamEditor& e) { return w < 0 ? e.inputGainDb(v) : e.outputGainDb(w, v); });
        case Control::Delay:
            return apply([&](ParamEditor& e) { return w < 0 ? e.inputDelay(v, delayMetres_) : e.outputDelay(w, v, delayMetres_); });
        case Control::GateThreshold:
            return apply([&](ParamEditor& e) { return e.gate(std::nullopt, v, std::nullopt, std::nullopt); });
        case Control::CmpThreshold: return apply([&](ParamEditor& e) { return e.compressor(cmpWay, {.thresholdDb = v}); });
        case Control::CmpRatio: {
            // Ratios are whole: 1:1 .. 32:1.
            const bool valid = v == std::floor(v) && ranges::kCompressorRatio.contains(v);
            if (!valid) return apply({}, Refusal::WrongValue);
            return apply([&](ParamEditor& e) { return e.compressor(cmpWay, {.ratio = static_cast<int>(v)}); });
        }
        case Control::CmpMakeUp: return apply([&](ParamEditor& e) { return e.compressor(cmpWay, {.makeUpDb = v}); });
        case Control::LimThreshold:
            if (limiterWay() < 0) return false;
            return apply([&](ParamEditor& e) { return e.limiter(limiterWay(), std::nullopt, v); });
        case Control::MakeUp:
            if (limiterWay() < 0) return false;
            return apply([&](ParamEditor& e) {
                if (!lhLink_ || kind_ != DeviceKind::Sat) return e.makeUpDb(limiterWay(), v);
                // With L/H link ticked both ways take the value.
                EditResult low = e.makeUpDb(0, v);
                if (!low.ok()) return low;
                EditResult high = e.makeUpDb(1, v);
                low.sends.insert(low.sends.end(), high.sends.begin(), high.sends.end());
                return low;
            });
        case Control::Dlf: return apply([&](ParamEditor& e) { return e.dlf(std::nullopt, v, std::nullopt); });
        case Control::RoomCorrection: return apply([&](ParamEditor& e) { return e.roomCorrection(v); });
        case Control::NoiseLevel: return apply([&](ParamEditor& e) { return e.noise(std::nullopt, std::nullopt, v); });
        case Control::EqGain: return apply([&](ParamEditor& e) { return e.peqBand(band_, peqWay, {.gainDb = v}); });
        case Control::EqFreq: return apply([&](ParamEditor& e) { return e.peqBand(band_, peqWay, {.frequencyHz = v}); });
        case Control::EqQ: return apply([&](ParamEditor& e) { return e.peqBand(band_, peqWay, {.q = v}); });
        case Control::XoverHpFreq:
            return apply([&](ParamEditor& e) {
                return w < 0 ? e.inputCrossover(std::nullopt, v) : e.outputFilter(w, false, std::nullopt, v);
            });
        case Control::XoverLpFreq:
            if (w < 0) return false;
            return apply([&](ParamEditor& e) { return e.outputFilter(w, true, std::nullopt, v); });
        case Control::FirAttenuation:
            if (w < 0) return false;
            return apply([&](ParamEditor& e) { return e.firWay(w, {.attenuationSetting = v}); });
        case Control::FirFrequency: {
            if (w < 0 || kind_ != DeviceKind::Sat) return false;
            ParamEditor::FirWayChange change;
            const bool lowPass = FirEntryIsLowPass(XoverModeCode(ctx_.satImage[static_cast<std::size_t>(slot_)]), w);
            (lowPass ? change.lowPassHz : change.highPassHz) = v;
            return apply([&](ParamEditor& e) { return e.firWay(w, change); });
        }
        default: return false;
    }
}

bool EditController::enterText(Control control, std::string_view text) {
    if (blocked()) return false;
    const auto value = parse(control, text);
    if (!value) {
        const Refusal refusal = control == Control::EqQ ? Refusal::WrongQ
                                : (control == Control::EqFreq || control == Control::XoverHpFreq ||
                                   control == Control::XoverLpFreq || control == Control::FirFrequency)
                                    ? Refusal::WrongFrequency
                                : control == Control::FirAttenuation ? Refusal::WrongAttenuation
                                                                     : Refusal::WrongValue;
        refuse(refusal);
        return false;
    }
    return applyValue(control, *value);
}

bool EditController::setFaderPosition(Control control, int position) {
    const int steps = faderSteps(control);
    if (steps == 0) return false;
    const int p = std::clamp(position, 1, steps);
    switch (control) {
        case Control::InGain: return applyValue(control, GainTableDb(GainIndexFromFader(p)));
        case Control::GateThreshold: return applyValue(control, kGateThresholdList.back() - 5.0 * (p - 1));
        case Control::CmpThreshold:
        case Control::LimThreshold: return applyValue(control, -(p - 1.0));
        case Control::MakeUp: {
            const double top = kind_ == DeviceKind::Sat ? ranges::kSatOutputMakeUpDb.max : ranges::kSubOutputMakeUpDb.max;
            return applyValue(control, top - 0.5 * (p - 1));
        }
        case Control::Dlf: return applyValue(control, 101.0 - p);
        case Control::EqGain: return applyValue(control, PeqGainDb(PeqGainCodeFromFader(p)));
        default: return false;
    }
}

void EditController::faderPress(Control control) {
    if (faderSteps(control) == 0 || blocked()) return;
    dragging_ = control;
    history_.beginGesture();
}

bool EditController::faderMove(Control control, int trackY) {
    if (dragging_ != control) return false;  // a move without the button held
    return setFaderPosition(control, FaderPositionFromTrack(trackY, faderSteps(control)));
}

void EditController::faderRelease(Control control) {
    if (dragging_ != control) return;
    dragging_.reset();
    history_.endGesture();
}

bool EditController::step(Control control, int delta) {
    if (blocked()) return false;
    switch (control) {
        case Control::GainSrc: {
            const int index = std::clamp(image(18 + sourceChoice()) + delta, 0, kGainIndexZeroDb);
            return applyValue(control, GainTableDb(index));
        }
        case Control::DelayCoarse:
        case Control::DelayFine: {
            const auto at = delayOffsets();
            const double maxMs = way() >= 0 ? kOutputDelayMaxMs
                                 : kind_ == DeviceKind::Sub ? kSubInputDelayMaxMs : kSatInputDelayMaxMs;
            const int perMs = 48;
            const int total = (image(at[0]) * 256 + image(at[1])) * perMs + image(at[2]) +
                              delta * (control == Control::DelayCoarse ? perMs : 1);
            const int clamped = std::clamp(total, 0, static_cast<int>(maxMs) * perMs);
            const double ms = clamped / perMs + (clamped % perMs) * kDelaySampleMs;
            const int w = way();
            // Stepping works in milliseconds whatever unit the box shows.
            return apply([&](ParamEditor& e) { return w < 0 ? e.inputDelay(ms) : e.outputDelay(w, ms); });
        }
        case Control::EqQ: {
            const int code = std::clamp(image(bandOffsets(band_)[3]) + delta, 0, kQCodeMax);
            return applyValue(control, QFromCode(code));
        }
        case Control::RoomCorrection:
            return applyValue(control, std::clamp(image(sat::kRoomCorrection) + delta, 0, 100));
        case Control::NoiseLevel:
            return applyValue(control, std::clamp(-statusByte(status::kNoiseLevel) + delta, -50, -10));
        default:
            // An up/down beside a fader moves it one position (up = towards the top).
            if (faderSteps(control) == 0) return false;
            return setFaderPosition(control, state(control).position - delta);
    }
}

bool EditController::choose(Control control, int index) {
    const int w = way();
    switch (control) {
        case Control::InpSource: return apply([&](ParamEditor& e) { return e.inputSource(index, std::nullopt); });
        case Control::DanteLR: return apply([&](ParamEditor& e) { return e.inputSource(std::nullopt, index); });
        case Control::AnalogLR:
            if (kind_ != DeviceKind::Sub) return false;
            return apply([&](ParamEditor&) -> EditResult {
                if (index != 0 && index != 1) return {Refusal::WrongValue, {}};
                std::uint8_t& flags = image(sub::kInputConfig);
                flags = static_cast<std::uint8_t>(flags & ~((1 << kAnalogLeftBit) | (1 << kAnalogRightBit)));
                flags = static_cast<std::uint8_t>(flags | (1 << (index == 0 ? kAnalogLeftBit : kAnalogRightBit)));
                return {Refusal::None, {{ParamFamily::Input, {}}}};
            });
        case Control::NoiseType: return apply([&](ParamEditor& e) { return e.noise(std::nullopt, index, std::nullopt); });
        case Control::EqType:
            return apply([&](ParamEditor& e) { return e.peqBand(band_, std::max(w, 0), {.type = index}); });
        case Control::XoverHpSlope:
            return apply([&](ParamEditor& e) {
                return w < 0 ? e.inputCrossover(index, std::nullopt) : e.outputFilter(w, false, index, std::nullopt);
            });
        case Control::XoverLpSlope:
            if (w < 0) return false;
            return apply([&](ParamEditor& e) { return e.outputFilter(w, true, index, std::nullopt); });
        case Control::FirWindowType:
            if (w < 0) return false;
            return apply([&](ParamEditor& e) { return e.firWay(w, {.window = index}); });
        case Control::FirTaps:
            if (w < 0) return false;
            return apply([&](ParamEditor& e) {
                return e.firWay(w, {.taps = kFirSettingMinTaps + kFirSettingTapStep * index});
            });
        case Control::XoverMode: return apply([&](ParamEditor& e) { return e.xoverMode(index); });
        default: return false;
    }
}

bool EditController::toggle(Control control) {
    if (blocked()) return false;
    const bool now = state(control).checked;
    const int w = way();
    const int cmpWay = kind_ == DeviceKind::Sat ? w : -1;
    switch (control) {
        case Control::Mute:
            return apply([&](ParamEditor& e) { return w < 0 ? e.inputMute(!now) : e.outputMute(w, !now); });
        case Control::Phase:
            return apply([&](ParamEditor& e) { return w < 0 ? e.inputPolarity(!now) : e.outputPolarity(w, !now); });
        case Control::GateEnable:
            return apply([&](ParamEditor& e) { return e.gate(!now, std::nullopt, std::nullopt, std::nullopt); });
        case Control::CmpEnable: return apply([&](ParamEditor& e) { return e.compressor(cmpWay, {.on = !now}); });
        case Control::CmpAuto: return apply([&](ParamEditor& e) { return e.compressor(cmpWay, {.automatic = !now}); });
        case Control::LimEnable:
            if (limiterWay() < 0) return false;
            return apply([&](ParamEditor& e) { return e.limiter(limiterWay(), !now, std::nullopt); });
        case Control::DlfEnable: return apply([&](ParamEditor& e) { return e.dlf(!now, std::nullopt, std::nullopt); });
        case Control::FirEnable:
            if (w < 0) return false;
            return apply([&](ParamEditor& e) { return e.firEnable(w, !now); });
        case Control::MirMinLatency:
            if (w < 0) return false;
            return apply([&](ParamEditor& e) { return e.firWay(w, {.removeLatency = !now}); });
        case Control::NoiseEnable:
            return apply([&](ParamEditor& e) { return e.noise(!now, std::nullopt, std::nullopt); });
        case Control::EqBypass:
            return apply([&](ParamEditor& e) { return w < 0 ? e.inputEqBypass(inputSection(), !now) : e.outputEqBypass(w, !now); });
        case Control::LhLink: {
            if (kind_ != DeviceKind::Sat || w < 0) return false;
            if (lhLink_) {
                lhLink_ = false;
                refresh();
                return true;
            }
            if (!Ask(prompter_, ctx_.LanguageFlag, texts::kLhLink)) {
                refresh();  // the box is cleared again
                return false;
            }
            lhLink_ = true;
            return apply([&](ParamEditor&) -> EditResult {
                image(sat::kMakeUp + 1) = image(sat::kMakeUp);
                return {Refusal::None, {{ParamFamily::MakeUpGain, {1, 0, 0, 0}}}};
            });
        }
        default: return false;
    }
}

bool EditController::doubleClick(Control control) {
    switch (control) {
        case Control::InGain: return applyValue(control, GainTableDb(kGainIndexZeroDb));
        case Control::EqGain: return applyValue(control, PeqGainDb(kPeqGainCodeZero));
        default: return false;
    }
}

bool EditController::graphPress(int band) {
    if (blocked() || !selectBand(band)) return false;
    history_.beginGesture();
    refresh();
    return true;
}

std::string EditController::graphMove(double frequencyHz, double gainDb) {
    if (!history_.inGesture()) return readout_;
    const double frequency = std::round(std::clamp(frequencyHz, ranges::kFrequencyHz.min, ranges::kFrequencyHz.max));
    const double gain = std::round(std::clamp(gainDb, ranges::kPeqGainDb.min, ranges::kPeqGainDb.max) * 2.0) / 2.0;
    const int w = std::max(way(), 0);
    if (apply([&](ParamEditor& e) { return e.peqBand(band_, w, {.frequencyHz = frequency, .gainDb = gain}); })) {
        const std::string f = std::to_string(static_cast<int>(frequency));
        const std::string g = Fixed(gain, 1, ctx_.DecimalComma);
        readout_ = FillText(texts::kGraphReadout.pick(ctx_.LanguageFlag), {f, g});
    }
    return readout_;
}

void EditController::graphRelease() {
    history_.endGesture();
    readout_.clear();
}

// ---- Button bar -----------------------------------------------------------------------------

bool EditController::flatPeq() {
    if (blocked() || !Ask(prompter_, ctx_.LanguageFlag, texts::kFlatPeq)) return false;
    history_.beginGesture();
    const int w = std::max(way(), 0);
    for (const int band : pageBands()) {
        if (image(bandOffsets(band)[0]) > kLastGainType) continue;
        apply([&](ParamEditor& e) { return e.peqBand(band, w, {.gainDb = 0.0}); });
    }
    history_.endGesture();
    return true;
}

void EditController::loadFactoryImage(int slot) {
    const auto index = static_cast<std::size_t>(slot);
    if (ctx_.device(slot).isSub())
        ctx_.subImage[index] = SubFactoryImage();
    else
        ctx_.satImage[index] = SatFactoryImage(ctx_.statusOf(slot)[status::kSystemMode]);
}

void EditController::wholeProgramChanged() {
    history_.clear();
    refresh();
    redraw(kGraphAll, {});
}

bool EditController::recallFactory() {
    if (blocked() || !Ask(prompter_, ctx_.LanguageFlag, texts::kRecallFactory)) return false;
    auto recall = [&](int slot) {
        if (ctx_.device(slot).isConnected())
            sink_.recallFactory(slot);
        else
            loadFactoryImage(slot);  // nothing is sent to a device that is not connected
    };
    recall(slot_);
    const std::vector<int> targets = UniqueLinkTargets(ctx_, slot_);
    if (!targets.empty() && Ask(prompter_, ctx_.LanguageFlag, texts::kRecallFactoryLinked)) {
        for (const int target : targets) {
            recall(target);
            RefreshOpenWindow(ctx_, windows_, target);
        }
    }
    wholeProgramChanged();
    return true;
}

std::vector<std::string> EditController::programExtensions() const {
    return ProgramExtensions(kind_, ctx_.device(slot_).ModelCode);
}

std::string EditController::programFilter() const {
    const Bilingual& first = kind_ == DeviceKind::Sub ? texts::kSubProgramFilter : texts::kSatProgramFilter;
    const std::vector<std::string> extensions = programExtensions();
    std::string filter = std::string(first.pick(ctx_.LanguageFlag)) + "|*" + extensions.front();
    for (std::size_t i = 1; i < extensions.size(); ++i)
        filter += "|file program (*" + extensions[i] + ")|*" + extensions[i];
    return filter;
}

std::filesystem::path EditController::programFolder() const { return AppPaths(ctx_.dataDir).presetDir(); }

bool EditController::loadProgram(const std::filesystem::path& path) {
    if (blocked()) return false;
    const bool sub = kind_ == DeviceKind::Sub;
    const std::uint8_t model = ctx_.device(slot_).ModelCode;
    const MessageText& cantLoad = sub ? texts::kCantLoadSub : texts::kCantLoadSat;
    const MessageText& wrongFile = sub ? texts::kWrongFileSub : texts::kCantLoadSat;
    if (!ExtensionAccepted(path, kind_, model)) {
        Tell(prompter_, ctx_.LanguageFlag, sub ? texts::kWrongFileSub : texts::kWrongExtension);
        return false;
    }
    std::error_code error;
    const auto bytes = ReadWholeFile(path, error, 4096);
    if (!bytes) {
        Tell(prompter_, ctx_.LanguageFlag, cantLoad);
        return false;
    }
    const auto program = DecodeProgram(*bytes);
    if (!program || !ProgramFits(*program, path, kind_, model)) {
        Tell(prompter_, ctx_.LanguageFlag, wrongFile);
        return false;
    }
    auto install = [&](int slot) {
        const auto index = static_cast<std::size_t>(slot);
        if (sub)
            std::copy(program->image.begin(), program->image.end(), ctx_.subImage[index].bytes.begin());
        else
            std::copy(program->image.begin(), program->image.end(), ctx_.satImage[index].bytes.begin());
        if (ctx_.device(slot).isConnected()) sink_.writeProgram(slot);
    };
    install(slot_);
    // The subwoofer window offers the loaded program to its linked devices too.
    const std::vector<int> targets = sub ? UniqueLinkTargets(ctx_, slot_) : std::vector<int>{};
    if (!targets.empty() && Ask(prompter_, ctx_.LanguageFlag, texts::kLoadProgramLinked)) {
        for (const int target : targets) {
            install(target);
            RefreshOpenWindow(ctx_, windows_, target);
        }
    }
    wholeProgramChanged();
    return true;
}

bool EditController::saveProgram(const std::filesystem::path& path) {
    if (!FileNameSupported(path)) {
        Tell(prompter_, ctx_.LanguageFlag, texts::kBadFileNameCharacter);
        return false;
    }
    std::filesystem::path target = path;
    const std::uint8_t model = ctx_.device(slot_).ModelCode;
    if (!ExtensionAccepted(target, kind_, model)) target += programExtensions().front();
    const auto index = static_cast<std::size_t>(slot_);
    const Bytes bytes = kind_ == DeviceKind::Sub ? EncodeProgram(kind_, model, ctx_.subImage[index].bytes)
                                                 : EncodeProgram(kind_, model, ctx_.satImage[index].bytes);
    if (WriteFileAtomic(target, bytes)) {
        Tell(prompter_, ctx_.LanguageFlag, texts::kCantSave);
        return false;
    }
    return true;
}

bool EditController::importGeq(const std::filesystem::path& path) {
    if (!canImportGeq() || blocked()) return false;
    std::error_code error;
    const auto bytes = ReadWholeFile(path, error, 64 * 1024);
    const auto points = bytes ? ParseGeqText(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                                             kGeqBands)
                              : std::nullopt;
    if (!points) {
        Tell(prompter_, ctx_.LanguageFlag, texts::kImportGeqWrong);
        return false;
    }
    history_.beginGesture();
    for (std::size_t i = 0; i < points->size(); ++i) {
        const int band = kGeqFirstBand + static_cast<int>(i);
        const GeqPoint point = (*points)[i];
        apply([&](ParamEditor& e) {
            return e.peqBand(band, 0, {.type = 0, .frequencyHz = point.frequencyHz, .gainDb = point.gainDb});
        });
    }
    history_.endGesture();
    return true;
}

// ---- History --------------------------------------------------------------------------------

void EditController::restore(const EditStep& step, bool after) {
    for (const ByteChange& change : step.bytes) {
        const std::uint8_t value = after ? change.after : change.before;
        if (change.statusRecord)
            ctx_.statusOf(slot_)[static_cast<std::size_t>(change.offset)] = value;
        else
            image(change.offset) = value;
    }
    refresh();
    runSends(step.targets);
}

bool EditController::undo() {
    if (blocked() || history_.inGesture()) return false;
    const auto step = history_.takeUndo();
    if (!step) return false;
    restore(*step, false);
    return true;
}

bool EditController::redo() {
    if (blocked() || history_.inGesture()) return false;
    const auto step = history_.takeRedo();
    if (!step) return false;
    restore(*step, true);
    return true;
}

void EditController::imageReadBack() { wholeProgramChanged(); }

}  // namespace plenum::device
