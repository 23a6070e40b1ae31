#include "device/Drift.h"

#include <algorithm>

#include "core/ImageLayout.h"
#include "sat/DeviceMemory.h"

namespace plenum::device {
namespace {

std::string Expand(std::string pattern, const std::vector<int>& numbers) {
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size() && next < numbers.size(); ++i) {
        const bool placeholder = (pattern[i] == 'W' || pattern[i] == 'B' || pattern[i] == 'S') &&
                                 (i == 0 || pattern[i - 1] == '.') && (i + 1 == pattern.size() || pattern[i + 1] == '.');
        if (!placeholder) continue;
        const std::string number = std::to_string(numbers[next++]);
        pattern.replace(i, 1, number);
        i += number.size() - 1;
    }
    return pattern;
}

NamedParam Make(DeviceKind kind, const std::string& name, ParamFamily family, const ParamAddress& address) {
    const CarriedBytes carried = BytesCarried(family, kind, address);
    return {name, family, address, carried.image, carried.status};
}

// How one name pattern spreads over the instances of its family: W stands for the way, B for the
// band, S for the section (or the input source).
enum class Spread {
    One,          // one instance (only where the kind has the family)
    Way,          // out.W...: each output way (only where the kind has the family)
    Band,         // each input band
    WayBand,      // each band of each output way
    Section,      // each input equaliser section
    SourceChoice, // the input family's source byte (17), compared on its own
    SourceGain,   // the input family's two source gains (18, 19), each compared on its own
};

struct NameRule {
    const char* pattern;
    ParamFamily family;
    Spread spread;
};

// In the order of plenumctl help params, then the FIR settings that have no such name. The input family carries the source choice and both
// source gains in one command; each has its own name and is compared on its own byte.
constexpr NameRule kNameRules[] = {
    {"input.gain", ParamFamily::InputGain, Spread::One},
    {"input.mute", ParamFamily::InputMute, Spread::One},
    {"input.polarity", ParamFamily::InputPolarity, Spread::One},
    {"input.delay", ParamFamily::InputDelay, Spread::One},
    {"input.source", ParamFamily::Input, Spread::SourceChoice},
    {"input.srcgain.S", ParamFamily::Input, Spread::SourceGain},
    {"out.W.gain", ParamFamily::OutputGain, Spread::Way},
    {"out.W.mute", ParamFamily::OutputMute, Spread::Way},
    {"out.W.polarity", ParamFamily::OutputPolarity, Spread::Way},
    {"out.W.delay", ParamFamily::OutputDelay, Spread::Way},
    {"out.W.makeup", ParamFamily::MakeUpGain, Spread::Way},
    {"out.W.hlimiter", ParamFamily::OutputLimiter, Spread::Way},
    {"peq.in.B", ParamFamily::InputPeqBand, Spread::Band},
    {"peq.out.W.B", ParamFamily::OutputPeqBand, Spread::WayBand},
    {"eqbypass.in.S", ParamFamily::InputEqBypass, Spread::Section},
    {"eqbypass.out.W", ParamFamily::OutputEqBypass, Spread::Way},
    {"xover.in", ParamFamily::InputCrossover, Spread::One},
    {"xover.out.W.hp", ParamFamily::OutputHighPass, Spread::Way},
    {"xover.out.W.lp", ParamFamily::OutputLowPass, Spread::Way},
    {"gate", ParamFamily::Gate, Spread::One},
    {"dlf", ParamFamily::Dlf, Spread::One},
    {"compressor", ParamFamily::InputCompressor, Spread::One},
    {"out.W.compressor", ParamFamily::OutputCompressor, Spread::Way},
    {"limiter.W", ParamFamily::Limiter, Spread::Way},
    {"noise", ParamFamily::NoiseGenerator, Spread::One},
    {"room", ParamFamily::RoomCorrection, Spread::One},
    // The satellite's crossover FIR settings: the output mode (byte 520) and both ways' design
    // bytes (503..516), which the device sends and takes as one block.
    {"fir.output", ParamFamily::FirOutput, Spread::One},
    {"fir.design", ParamFamily::FirDesign, Spread::One},
};

void AddRule(std::vector<NamedParam>& params, DeviceKind kind, const NameRule& rule) {
    const AddressLimits limits = LimitsOf(rule.family, kind);
    auto add = [&](const std::vector<int>& numbers, const ParamAddress& address) {
        params.push_back(Make(kind, Expand(rule.pattern, numbers), rule.family, address));
    };
    switch (rule.spread) {
        case Spread::One:
            if (FamilyExists(rule.family, kind)) add({}, {});
            break;
        case Spread::Way:
            if (!FamilyExists(rule.family, kind)) break;
            for (int way = 0; way < limits.ways; ++way) add({way}, {way, 0, 0, 0});
            break;
        case Spread::Band:
            for (int band = 0; band < limits.bands; ++band) add({band}, {0, band, 0, 0});
            break;
        case Spread::WayBand:
            for (int way = 0; way < limits.ways; ++way)
                for (int band = 0; band < limits.bands; ++band) add({way, band}, {way, band, 0, 0});
            break;
        case Spread::Section:
            for (int section = 0; section < limits.sections; ++section) add({section}, {0, 0, section, 0});
            break;
        case Spread::SourceChoice:
            params.push_back({rule.pattern, rule.family, {}, {{sat::kInputConfig}}, {}});
            break;
        case Spread::SourceGain:
            for (int source = 0; source < 2; ++source)
                params.push_back({Expand(rule.pattern, {source}), rule.family, {}, {{sat::kInputConfig + 1 + source}}, {}});
            break;
    }
}

std::vector<NamedParam> Build(DeviceKind kind) {
    std::vector<NamedParam> params;
    for (const NameRule& rule : kNameRules) AddRule(params, kind, rule);
    return params;
}

std::uint8_t ImageByte(const AppContext& ctx, int slot, int offset) {
    const auto index = static_cast<std::size_t>(slot);
    const auto at = static_cast<std::size_t>(offset);
    return ctx.device(slot).isSub() ? ctx.subImage[index][at] : ctx.satImage[index][at];
}

}  // namespace

const std::vector<NamedParam>& NamedParams(DeviceKind kind) {
    static const std::vector<NamedParam> sat = Build(DeviceKind::Sat);
    static const std::vector<NamedParam> sub = Build(DeviceKind::Sub);
    return kind == DeviceKind::Sub ? sub : sat;
}

const NamedParam* FindNamedParam(DeviceKind kind, const std::string& name) {
    const auto& params = NamedParams(kind);
    const auto it = std::find_if(params.begin(), params.end(), [&](const NamedParam& p) { return p.name == name; });
    return it == params.end() ? nullptr : &*it;
}

std::optional<DeviceSnapshot> ReadSnapshot(comm::DeviceComm& comm, int slot) {
    DeviceSnapshot snapshot;
    snapshot.program.resize(comm.context().device(slot).isSub() ? SubParamImage::size() : SatParamImage::size());
    if (ReadBlock(comm, slot, kStatusAddress, snapshot.status.bytes, true) != 0) return std::nullopt;
    if (ReadBlock(comm, slot, kLiveProgramAddress, snapshot.program, true) != 0) return std::nullopt;
    return snapshot;
}

std::vector<const NamedParam*> CompareWithSnapshot(const AppContext& ctx, int slot, const DeviceSnapshot& snapshot) {
    std::vector<const NamedParam*> differing;
    for (const NamedParam& param : NamedParams(KindOf(ctx.device(slot)))) {
        bool differs = false;
        for (const CarriedByte& byte : param.image)
            differs |= ((ImageByte(ctx, slot, byte.offset) ^ snapshot.program[static_cast<std::size_t>(byte.offset)]) & byte.mask) != 0;
        for (const CarriedByte& byte : param.status)
            differs |= ((ctx.statusOf(slot)[static_cast<std::size_t>(byte.offset)] ^
                         snapshot.status[static_cast<std::size_t>(byte.offset)]) &
                        byte.mask) != 0;
        if (differs) differing.push_back(&param);
    }
    return differing;
}

void ApplySnapshot(AppContext& scratch, int slot, const DeviceSnapshot& snapshot) {
    const auto index = static_cast<std::size_t>(slot);
    scratch.statusOf(slot) = snapshot.status;
    if (scratch.device(slot).isSub())
        std::copy(snapshot.program.begin(), snapshot.program.end(), scratch.subImage[index].bytes.begin());
    else
        std::copy(snapshot.program.begin(), snapshot.program.end(), scratch.satImage[index].bytes.begin());
}

std::vector<LinkedSend> PrepareProjectToDevice(const AppContext& ctx, int slot, const std::vector<const NamedParam*>& params) {
    std::vector<LinkedSend> sends;
    std::vector<std::pair<ParamFamily, ParamAddress>> sent;
    for (const NamedParam* param : params) {
        const auto key = std::make_pair(param->family, param->address);
        const bool already = std::any_of(sent.begin(), sent.end(), [&](const auto& s) {
            return s.first == key.first && s.second.way == key.second.way && s.second.band == key.second.band &&
                   s.second.section == key.second.section;
        });
        if (already) continue;
        sent.push_back(key);
        sends.push_back({slot, PrepareParam(ctx, slot, param->family, param->address)});
    }
    return sends;
}

void TakeFromDevice(AppContext& ctx, int slot, const DeviceSnapshot& snapshot, const std::vector<const NamedParam*>& params) {
    const auto index = static_cast<std::size_t>(slot);
    for (const NamedParam* param : params) {
        for (const CarriedByte& byte : param->image) {
            const auto at = static_cast<std::size_t>(byte.offset);
            std::uint8_t& mine = ctx.device(slot).isSub() ? ctx.subImage[index][at] : ctx.satImage[index][at];
            mine = static_cast<std::uint8_t>((mine & ~byte.mask) | (snapshot.program[at] & byte.mask));
        }
        for (const CarriedByte& byte : param->status) {
            const auto at = static_cast<std::size_t>(byte.offset);
            std::uint8_t& mine = ctx.statusOf(slot)[at];
            mine = static_cast<std::uint8_t>((mine & ~byte.mask) | (snapshot.status[at] & byte.mask));
        }
    }
}

}  // namespace plenum::device
