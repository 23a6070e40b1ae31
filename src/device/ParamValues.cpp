#include "device/ParamValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <sstream>

#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"
#include "dsp/Biquad.h"
#include "sat/ParamCommands.h"
#include "sat/ParamEditor.h"

namespace plenum::device {
namespace {

using json = nlohmann::json;

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

class ImageView {
public:
    ImageView(const AppContext& ctx, int slot) : ctx_(ctx), slot_(slot), sub_(ctx.device(slot).isSub()) {}
    bool sub() const { return sub_; }
    DeviceKind kind() const { return sub_ ? DeviceKind::Sub : DeviceKind::Sat; }
    int at(int satOffset, int subOffset) const {
        const auto index = static_cast<std::size_t>(slot_);
        return sub_ ? ctx_.subImage[index][static_cast<std::size_t>(subOffset)]
                    : ctx_.satImage[index][static_cast<std::size_t>(satOffset)];
    }
    int at(int offset) const { return at(offset, offset); }
    int status(int offset) const { return ctx_.statusOf(slot_)[static_cast<std::size_t>(offset)]; }

private:
    const AppContext& ctx_;
    int slot_;
    bool sub_;
};

json GainValue(int index) { return index == 0 ? json("-inf") : json(GainTableDb(index)); }
json DelayValue(int high, int low, int samples) {
    return std::stod(DelayText({static_cast<std::uint16_t>(high * 256 + low), static_cast<std::uint8_t>(samples)}, false));
}
json BandValue(int type, int high, int low, int q, int gain) {
    return {{"type", std::string(PeqTypeLabel(static_cast<PeqType>(type)))},
            {"freq", JoinFrequency(static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(low))},
            {"q", std::stod(Fixed(QFromCode(q), 2))},
            {"gain", PeqGainDb(gain & 0x7F)},
            {"bypass", (gain & kPeqBypassBit) != 0 ? 1 : 0}};
}
// A one-flag family (output mute, polarity) and the output delay, read where the parameter
// table puts them for the device's kind.
json CarriedFlag(const ImageView& v, ParamFamily family, int way) {
    const CarriedByte byte = BytesCarried(family, v.kind(), {way, 0, 0, 0}).image.front();
    return json((v.at(byte.offset) & byte.mask) != 0 ? 1 : 0);
}
json CarriedDelay(const ImageView& v, int way) {
    const auto bytes = BytesCarried(ParamFamily::OutputDelay, v.kind(), {way, 0, 0, 0}).image;
    return DelayValue(v.at(bytes[0].offset), v.at(bytes[1].offset), v.at(bytes[2].offset));
}
json FilterValue(int slope, int high, int low) {
    return {{"slope", slope}, {"freq", JoinFrequency(static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(low))}};
}

// ---- The values by pattern ---------------------------------------------------------------------
// The patterns are those of plenumctl set / get: W (way), B (band), S (section or source) stand
// for numbers.
struct ValueSpec {
    std::string pattern;
    std::function<json(const ImageView&, const std::vector<int>&)> get;
};

const std::vector<ValueSpec>& ValueTable() {
    static const std::vector<ValueSpec> table = {
        {"input.gain",
         [](const ImageView& v, auto&) { return GainValue(v.at(sat::kInputGain)); }},
        {"input.mute",
         [](const ImageView& v, auto&) { return json(v.at(sat::kInputMute)); }},
        {"input.polarity",
         [](const ImageView& v, auto&) { return json(v.at(sat::kPolarity)); }},
        {"input.delay",
         [](const ImageView& v, auto&) { return DelayValue(v.at(23), v.at(24), v.at(25)); }},
        {"input.source",
         [](const ImageView& v, auto&) {
             const int flags = v.at(sat::kInputConfig);
             return json{{"choice", (flags & 8) ? 1 : 0}, {"dante", (flags & 32) ? 1 : 0}};
         }},
        {"input.srcgain.S",
         [](const ImageView& v, auto& n) { return GainValue(v.at(18 + n[0])); }},
        {"out.W.gain",
         [](const ImageView& v, auto& n) { return GainValue(v.at(sat::kOutputGain + n[0], sub::kOutputGain)); }},
        {"out.W.mute",
         [](const ImageView& v, auto& n) { return CarriedFlag(v, ParamFamily::OutputMute, n[0]); }},
        {"out.W.polarity",
         [](const ImageView& v, auto& n) { return CarriedFlag(v, ParamFamily::OutputPolarity, n[0]); }},
        {"out.W.delay",
         [](const ImageView& v, auto& n) { return CarriedDelay(v, n[0]); }},
        {"out.W.makeup",
         [](const ImageView& v, auto& n) { return json(v.at(sat::kMakeUp + n[0], sub::kMakeUp) / 2.0 - 12.0); }},
        {"out.W.hlimiter",
         [](const ImageView& v, auto& n) { return json(v.at(sat::kHLimiter + n[0], sub::kHLimiter)); }},
        {"peq.in.B",
         [](const ImageView& v, auto& n) {
             const int b = n[0];
             return v.sub() ? BandValue(v.at(34 + b), v.at(39 + b), v.at(44 + b), v.at(49 + b), v.at(54 + b))
                            : BandValue(v.at(35 + b), v.at(86 + b), v.at(137 + b), v.at(188 + b), v.at(239 + b));
         }},
        {"peq.out.W.B",
         [](const ImageView& v, auto& n) {
             const int w = n[0], b = n[1];
             if (v.sub()) return BandValue(v.at(77 + b), v.at(85 + b), v.at(93 + b), v.at(101 + b), v.at(109 + b));
             auto o = [&](int base) { return v.at(sat::OutPeqOffset(base, b, w)); };
             return BandValue(o(357), o(373), o(389), o(405), o(421));
         }},
        {"eqbypass.in.S",
         [](const ImageView& v, auto& n) { return json((v.at(sat::kInputEqBypass, sub::kInputEqBypass) >> n[0]) & 1); }},
        {"eqbypass.out.W",
         [](const ImageView& v, auto& n) { return json((v.at(sat::kOutputEqBypass, sub::kOutputEqBypass) >> n[0]) & 1); }},
        {"xover.in",
         [](const ImageView& v, auto&) {
             return v.sub() ? FilterValue(v.at(30), v.at(31), v.at(32)) : FilterValue(v.at(31), v.at(32), v.at(33));
         }},
        {"xover.out.W.hp",
         [](const ImageView& v, auto& n) {
             if (v.sub()) return FilterValue(v.at(70), v.at(71), v.at(72));
             return FilterValue(v.at(344 + n[0]), v.at(346 + n[0]), v.at(348 + n[0]));
         }},
        {"xover.out.W.lp",
         [](const ImageView& v, auto& n) {
             if (v.sub()) return FilterValue(v.at(73), v.at(74), v.at(75));
             return FilterValue(v.at(350 + n[0]), v.at(352 + n[0]), v.at(354 + n[0]));
         }},
        {"gate",
         [](const ImageView& v, auto&) {
             const int b28 = v.at(28);
             auto pick = [](auto& list, int index) { return index < static_cast<int>(list.size()) ? json(list[static_cast<std::size_t>(index)]) : json(nullptr); };
             return json{{"on", b28 >> 7}, {"threshold", pick(kGateThresholdList, v.at(26))},
                         {"attack", pick(kGateList28, b28 & 0x7F)}, {"release", pick(kGateList27, v.at(27))}};
         }},
        {"dlf",
         [](const ImageView& v, auto&) {
             const int byte = v.at(30, 29);
             json out{{"on", byte >> 7}, {"amount", byte & 0x7F}};
             if (!v.sub()) out["reference"] = v.at(29);
             return out;
         }},
        {"compressor",
         [](const ImageView& v, auto&) {
             const int base = v.sub() ? sub::kCompressor : sat::kCompressor;
             return json{{"on", v.at(base + 2, base + 2) >> 7}, {"auto", v.at(sat::kCompressorAuto, sub::kCompressorAuto)},
                         {"threshold", -(v.at(base + 2, base + 2) & 0x7F)}, {"ratio", v.at(base + 1, base + 1) + 1},
                         {"makeup", v.at(base + 4, base + 4) / 2.0}, {"attack", v.at(base + 3, base + 3)},
                         {"release", v.at(base, base)}};
         }},
        {"out.W.compressor",
         [](const ImageView& v, auto& n) {
             auto f = [&](int field) { return v.at(sat::kOutCompressor + 2 * field + n[0]); };
             return json{{"on", f(2) >> 7}, {"auto", v.at(sat::kOutCompressorAuto + n[0])}, {"threshold", -(f(2) & 0x7F)},
                         {"ratio", f(1) + 1}, {"makeup", f(4) / 2.0}, {"attack", f(3)}, {"release", f(0)}};
         }},
        {"limiter.W",
         [](const ImageView& v, auto& n) {
             const int byte = v.at(sat::kLimiterSecond + n[0], sub::kLimiter + 2);
             return json{{"on", byte >> 7}, {"threshold", -(byte & 0x7F)}};
         }},
        {"noise",
         [](const ImageView& v, auto&) {
             return json{{"on", v.status(status::kNoiseEnable)}, {"type", v.status(status::kNoiseType)},
                         {"level", -v.status(status::kNoiseLevel)}};
         }},
        {"room",
         [](const ImageView& v, auto&) { return json(v.at(sat::kRoomCorrection)); }},
    };
    return table;
}

std::vector<std::string> SplitName(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, '.');) parts.push_back(part);
    return parts;
}

}  // namespace

std::optional<std::vector<int>> MatchParamPattern(const std::string& pattern, const std::string& name) {
    const auto parts = SplitName(name);
    const auto wanted = SplitName(pattern);
    if (wanted.size() != parts.size()) return std::nullopt;
    std::vector<int> numbers;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (wanted[i] == "W" || wanted[i] == "B" || wanted[i] == "S") {
            const std::string& text = parts[i];
            int value = -1;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < 0 || value >= 64)
                return std::nullopt;
            numbers.push_back(value);
        } else if (wanted[i] != parts[i]) {
            return std::nullopt;
        }
    }
    return numbers;
}

json ParamValueOf(const AppContext& ctx, int slot, const std::string& pattern, const std::vector<int>& numbers) {
    for (const ValueSpec& spec : ValueTable())
        if (spec.pattern == pattern) return spec.get(ImageView(ctx, slot), numbers);
    return nullptr;
}

json ParamValue(const AppContext& ctx, int slot, const std::string& name) {
    for (const ValueSpec& spec : ValueTable())
        if (const auto numbers = MatchParamPattern(spec.pattern, name)) return spec.get(ImageView(ctx, slot), *numbers);
    return nullptr;
}

std::string_view ParamUnit(const std::string& name) {
    struct Unit {
        const char* pattern;
        std::string_view unit;
    };
    static constexpr Unit units[] = {{"input.gain", "dB"},  {"input.srcgain.S", "dB"}, {"out.W.gain", "dB"},
                                     {"out.W.makeup", "dB"}, {"input.delay", "ms"},     {"out.W.delay", "ms"}};
    for (const Unit& u : units)
        if (MatchParamPattern(u.pattern, name)) return u.unit;
    return {};
}

namespace {

// A number as a person reads it: at most three decimals, no trailing zeros ("-2.4", not
// "-2.4000000000000004"; "6.25"; "1000").
std::string Plain(const json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (!value.is_number_float()) return value.dump();
    std::string text = Fixed(value.get<double>(), 3);
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

}  // namespace

std::string ParamValueText(const json& value) {
    if (!value.is_object()) return Plain(value);
    std::string line;
    for (const auto& [key, field] : value.items()) line += (line.empty() ? "" : " ") + key + "=" + Plain(field);
    return line;
}

}  // namespace plenum::device
