#include "groups/GroupEditor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/ValueCodecs.h"
#include "groups/GroupTexts.h"

namespace plenum {
namespace {

// Band types that carry a gain (bell and shelves): "EQ Flat" sets their gain to 0 dB; the other
// types have no gain to flatten and keep their byte.
constexpr int kLastGainType = 6;
constexpr int kStepsPerMs = 48;

std::size_t At(int field, int band) { return static_cast<std::size_t>(5 * field + band); }

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

std::optional<double> ParseGroupNumber(std::string_view text) {
    std::string cleaned;
    for (const char c : text) {
        if (c == ' ') continue;
        if (c == ',' || c == '.') {
            cleaned += '.';
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '+') {
            cleaned += c;
        } else {
            return std::nullopt;
        }
    }
    if (!cleaned.empty() && cleaned.front() == '+') cleaned.erase(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(cleaned.data(), cleaned.data() + cleaned.size(), value);
    if (cleaned.empty() || error != std::errc{} || end != cleaned.data() + cleaned.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::array<std::uint8_t, 3> GroupDelayCode(double value, bool metres, bool sub) {
    double ms = value;
    if (metres) ms = std::min(value, kGroupDelayMaxMetres) / kMetresPerMs;
    const DelayCode code = SplitDelayMs(ms, sub ? kGroupSubDelayMaxMs : kGroupSatDelayMaxMs);
    return {0, code.low(), code.samples};
}

double GroupDelayMs(const std::array<std::uint8_t, 3>& code) {
    return DelayMs({static_cast<std::uint16_t>(code[0] * 256 + code[1]), code[2]});
}

GroupEditor::GroupEditor(AppContext& ctx, int g, GroupPresets& presets, Prompter& prompter, GroupSink& sink,
                         EditWindowRefresher* windows)
    : ctx_(ctx), g_(g), presets_(presets), prompter_(prompter), sink_(sink), windows_(windows) {}

std::vector<GroupEditor::MemberRow> GroupEditor::memberRows() const {
    const int lang = ctx_.LanguageFlag;
    const GroupRecord& group = record();
    auto row = [&](GroupRole role, const Bilingual& label, int slot) {
        const DeviceRecord& device = ctx_.device(slot);
        return MemberRow{role, std::string(label.pick(lang)), device.DeviceName,
                         std::string((device.isConnected() ? texts::kMemberOnLine : texts::kMemberOffLine).pick(lang))};
    };
    std::vector<MemberRow> rows{row(GroupRole::Left, texts::kRoleLeft, group.LeftDev),
                                row(GroupRole::Right, texts::kRoleRight, group.RightDev)};
    if (hasSub()) rows.push_back(row(GroupRole::Sub, texts::kRoleSub, group.SubDev));
    return rows;
}

void GroupEditor::dispatch(const std::vector<LinkedSend>& sends, const std::vector<int>& slots) {
    for (const int slot : slots) RefreshOpenWindow(ctx_, windows_, slot);
    sink_.send(sends);
}

void GroupEditor::refuse(const MessageText& message) { Tell(prompter_, ctx_.LanguageFlag, message); }

void GroupEditor::setMute(bool muted) {
    rec().Mute = muted ? 1 : 0;
    std::vector<LinkedSend> sends;
    const auto members = GroupMembers(record());
    for (const int slot : members) sends.push_back(WriteMute(ctx_, g_, slot));
    dispatch(sends, members);
}

void GroupEditor::setGainCode(int code) {
    rec().Gain = static_cast<std::uint8_t>(std::clamp(code, 0, kGainIndexMax));
    std::vector<LinkedSend> sends;
    const auto members = GroupMembers(record());
    for (const int slot : members) sends.push_back(WriteGain(ctx_, g_, slot));
    dispatch(sends, members);
}

bool GroupEditor::setGainText(std::string_view text) {
    const auto db = ParseGroupNumber(text);
    if (!db) {
        refuse(texts::kWrongValue);
        return false;
    }
    setGainCode(GainIndexNearest(std::clamp(*db, kGainMinDb, kGroupGainMaxDb)));
    return true;
}

double GroupEditor::gainDb() const { return GainTableDb(record().Gain); }

std::string GroupEditor::delayCaption() const {
    return std::string((metres_ ? texts::kDelayMetres : texts::kDelayMs).pick(ctx_.LanguageFlag));
}

std::string GroupEditor::delayText(bool sub) const {
    const double ms = GroupDelayMs(sub ? record().SubDelay : record().SatDelay);
    return Fixed(metres_ ? ms * kMetresPerMs : ms, 3);
}

void GroupEditor::setDelay(bool sub, double valueInUnit) {
    GroupRecord& group = rec();
    (sub ? group.SubDelay : group.SatDelay) = GroupDelayCode(std::max(valueInUnit, 0.0), metres_, sub);
    std::vector<int> targets{group.LeftDev, group.RightDev};
    if (sub) {
        if (!hasSub()) return;
        targets = {group.SubDev};
    }
    std::vector<LinkedSend> sends;
    for (const int slot : targets) sends.push_back(WriteDelay(ctx_, g_, slot));
    dispatch(sends, targets);
}

bool GroupEditor::setDelayText(bool sub, std::string_view text) {
    const auto value = ParseGroupNumber(text);
    if (!value || *value < 0) {
        refuse(texts::kWrongValue);
        return false;
    }
    setDelay(sub, *value);
    return true;
}

void GroupEditor::stepDelay(bool sub, int steps, bool coarse) {
    const auto& code = sub ? record().SubDelay : record().SatDelay;
    int total = (code[0] * 256 + code[1]) * kStepsPerMs + code[2] + steps * (coarse ? kStepsPerMs : 1);
    const int maxMs = sub ? 249 : kSatGroupDelayMaxMs;
    total = std::clamp(total, 0, maxMs * kStepsPerMs + kStepsPerMs - 1);
    GroupRecord& group = rec();
    auto& delay = sub ? group.SubDelay : group.SatDelay;
    delay[0] = 0;
    delay[1] = static_cast<std::uint8_t>(total / kStepsPerMs);
    delay[2] = static_cast<std::uint8_t>(total % kStepsPerMs);
    std::vector<int> targets = sub ? std::vector<int>{group.SubDev} : std::vector<int>{group.LeftDev, group.RightDev};
    if (sub && !hasSub()) return;
    std::vector<LinkedSend> sends;
    for (const int slot : targets) sends.push_back(WriteDelay(ctx_, g_, slot));
    dispatch(sends, targets);
}

void GroupEditor::writeBands(int g, const std::vector<int>& bands) {
    const GroupRecord& group = ctx_.groups[static_cast<std::size_t>(g)];
    const auto members = EqMembers(group);
    std::vector<LinkedSend> sends;
    for (const int band : bands)
        for (const int slot : members) sends.push_back(WriteBand(ctx_, g, slot, band));
    dispatch(sends, members);
}

bool GroupEditor::setBand(int band, const BandChange& change) {
    if (band < 0 || band >= kGroupBands) return false;
    if (change.type && (*change.type < 0 || *change.type >= kPeqTypeCount)) {
        refuse(texts::kWrongValue);
        return false;
    }
    if (change.q && !(std::isfinite(*change.q) && *change.q >= QFromCode(0) - 1e-9 && *change.q <= QFromCode(255) + 1e-9)) {
        refuse(texts::kWrongQ);
        return false;
    }
    if (change.gainDb && !(std::isfinite(*change.gainDb) && ranges::kPeqGainDb.contains(*change.gainDb))) {
        refuse(texts::kWrongValue);
        return false;
    }
    if (change.frequencyHz && !std::isfinite(*change.frequencyHz)) {
        refuse(texts::kWrongValue);
        return false;
    }
    GroupCurve& peq = rec().Peq;
    if (change.type) peq[At(0, band)] = static_cast<std::uint8_t>(*change.type);
    if (change.frequencyHz) {
        const FrequencyBytes f = SplitFrequency(std::clamp(*change.frequencyHz, ranges::kFrequencyHz.min, ranges::kFrequencyHz.max));
        peq[At(1, band)] = f.high;
        peq[At(2, band)] = f.low;
    }
    if (change.q) peq[At(3, band)] = static_cast<std::uint8_t>(QCodeNearest(*change.q));
    std::uint8_t gain = peq[At(4, band)];
    if (change.gainDb) gain = static_cast<std::uint8_t>((gain & 0x80) | PeqGainCode(*change.gainDb));
    if (change.bypass) gain = static_cast<std::uint8_t>(*change.bypass ? (gain | 0x80) : (gain & 0x7F));
    peq[At(4, band)] = gain;
    writeBands(g_, {band});
    return true;
}

bool GroupEditor::setBandText(int band, std::string_view field, std::string_view text) {
    const auto value = ParseGroupNumber(text);
    if (!value) {
        refuse(field == "q" ? texts::kWrongQ : texts::kWrongValue);
        return false;
    }
    if (field == "freq") return setBand(band, {.frequencyHz = *value});
    if (field == "q") return setBand(band, {.q = *value});
    if (field == "gain") return setBand(band, {.gainDb = *value});
    return false;
}

void GroupEditor::toggleBandBypass(int band) {
    if (band < 0 || band >= kGroupBands) return;
    setBand(band, {.bypass = (record().Peq[At(4, band)] & 0x80) == 0});
}

void GroupEditor::setEqBypass(bool bypassed) {
    rec().EqBypass = bypassed ? 1 : 0;
    const auto members = EqMembers(record());
    std::vector<LinkedSend> sends;
    for (const int slot : members) sends.push_back(WriteEqBypass(ctx_, g_, slot));
    dispatch(sends, members);
}

bool GroupEditor::eqFlat() {
    if (!Ask(prompter_, ctx_.LanguageFlag, texts::kGroupEqFlat)) return false;
    // This group first, then every other group in use.
    std::vector<int> order{g_};
    for (int g = 0; g < kGroupCount; ++g)
        if (g != g_ && ctx_.groups[static_cast<std::size_t>(g)].isInUse()) order.push_back(g);
    for (const int g : order) {
        GroupCurve& peq = ctx_.groups[static_cast<std::size_t>(g)].Peq;
        for (int band = 0; band < kGroupBands; ++band)
            if (peq[At(0, band)] <= kLastGainType)
                peq[At(4, band)] = static_cast<std::uint8_t>((peq[At(4, band)] & 0x80) | kPeqGainCodeZero);
        writeBands(g, {0, 1, 2, 3, 4});
    }
    return true;
}

bool GroupEditor::loadPreset(int index) {
    if (index < 0 || index >= kGroupPresetCount) return false;
    rec().Peq = presets_.curve(index);
    ctx_.groupState[static_cast<std::size_t>(g_)].PresetIndex = static_cast<std::int16_t>(index);
    writeBands(g_, {0, 1, 2, 3, 4});
    return true;
}

std::error_code GroupEditor::savePreset(int index) {
    const auto error = presets_.saveUserPreset(ctx_.dataDir, index, record().Peq);
    if (!error) ctx_.groupState[static_cast<std::size_t>(g_)].PresetIndex = static_cast<std::int16_t>(index);
    return error;
}

std::string GroupEditor::presetCaption() const {
    const int index = ctx_.groupState[static_cast<std::size_t>(g_)].PresetIndex;
    if (index == kCustomPresetIndex) return std::string(texts::kCustomPreset.pick(ctx_.LanguageFlag));
    return std::string(GroupPresets::name(index));
}

bool GroupEditor::setEqOnSub(bool on) {
    if (!hasSub()) {
        rec().EqOnSub = kFalse16;
        return false;
    }
    rec().EqOnSub = ToBool16(on);
    if (!on) return true;
    const int sub = record().SubDev;
    std::vector<LinkedSend> sends{WriteEqBypass(ctx_, g_, sub)};
    for (int band = 0; band < kGroupBands; ++band) sends.push_back(WriteBand(ctx_, g_, sub, band));
    dispatch(sends, {sub});
    return true;
}

bool GroupEditor::removeGroup() {
    if (!Ask(prompter_, ctx_.LanguageFlag, texts::kRemoveGroup, {record().Name})) return false;
    rec().InUse = kFalse16;
    return true;
}

std::vector<PeqBand> GroupEditor::graphBands() const {
    std::vector<PeqBand> bands;
    const GroupCurve& peq = record().Peq;
    for (int band = 0; band < kGroupBands; ++band) {
        PeqBand b;
        b.typeCode = peq[At(0, band)];
        b.frequencyHz = JoinFrequency(peq[At(1, band)], peq[At(2, band)]);
        b.q = QFromCode(peq[At(3, band)]);
        b.gainDb = PeqGainDb(peq[At(4, band)] & 0x7F);
        b.bypass = (peq[At(4, band)] & 0x80) != 0 || record().EqBypass != 0 ? 1 : 0;
        bands.push_back(b);
    }
    return bands;
}

std::string GroupEditor::dragBand(int band, double frequencyHz, double gainDb) {
    const double hz = std::clamp(frequencyHz, ranges::kFrequencyHz.min, ranges::kFrequencyHz.max);
    const double db = std::clamp(std::round(gainDb * 2.0) / 2.0, ranges::kPeqGainDb.min, ranges::kPeqGainDb.max);
    setBand(band, {.frequencyHz = hz, .gainDb = db});
    const GroupCurve& peq = record().Peq;
    return FillText(texts::kGroupBandReadout.pick(ctx_.LanguageFlag),
                    {std::to_string(JoinFrequency(peq[At(1, band)], peq[At(2, band)])),
                     Fixed(PeqGainDb(peq[At(4, band)] & 0x7F), 1)});
}

void GroupTimerTick(AppContext& ctx, GroupPresets& presets, Prompter& prompter, GroupSink& sink,
                    EditWindowRefresher* windows) {
    if (ctx.flags.CommBusy != 0) return;
    MatchGroupPresets(ctx, presets);
    for (int g = 0; g < kGroupCount; ++g)
        if (ctx.groups[static_cast<std::size_t>(g)].isInUse()) CheckGroupSync(ctx, g, prompter, sink, windows);
}

}  // namespace plenum
