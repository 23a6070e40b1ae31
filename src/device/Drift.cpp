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

std::vector<NamedParam> Build(DeviceKind kind) {
    std::vector<NamedParam> params;
    auto exists = [&](ParamFamily family) { return FamilyExists(family, kind); };
    auto one = [&](const std::string& name, ParamFamily family) {
        if (exists(family)) params.push_back(Make(kind, name, family, {}));
    };
    auto perWay = [&](const std::string& pattern, ParamFamily family) {
        if (!exists(family)) return;
        for (int way = 0; way < LimitsOf(family, kind).ways; ++way)
            params.push_back(Make(kind, Expand(pattern, {way}), family, {way, 0, 0, 0}));
    };
    one("input.gain", ParamFamily::InputGain);
    one("input.mute", ParamFamily::InputMute);
    one("input.polarity", ParamFamily::InputPolarity);
    one("input.delay", ParamFamily::InputDelay);
    // The input family carries the source choice (17) and both source gains (18, 19); each has
    // its own name and is compared on its own byte, but travels in the one command.
    params.push_back({"input.source", ParamFamily::Input, {}, {{sat::kInputConfig}}, {}});
    for (int source = 0; source < 2; ++source)
        params.push_back({Expand("input.srcgain.S", {source}), ParamFamily::Input, {}, {{sat::kInputConfig + 1 + source}}, {}});
    perWay("out.W.gain", ParamFamily::OutputGain);
    perWay("out.W.mute", ParamFamily::OutputMute);
    perWay("out.W.polarity", ParamFamily::OutputPolarity);
    perWay("out.W.delay", ParamFamily::OutputDelay);
    perWay("out.W.makeup", ParamFamily::MakeUpGain);
    perWay("out.W.hlimiter", ParamFamily::OutputLimiter);
    for (int band = 0; band < LimitsOf(ParamFamily::InputPeqBand, kind).bands; ++band)
        params.push_back(Make(kind, Expand("peq.in.B", {band}), ParamFamily::InputPeqBand, {0, band, 0, 0}));
    const AddressLimits out = LimitsOf(ParamFamily::OutputPeqBand, kind);
    for (int way = 0; way < out.ways; ++way)
        for (int band = 0; band < out.bands; ++band)
            params.push_back(Make(kind, Expand("peq.out.W.B", {way, band}), ParamFamily::OutputPeqBand, {way, band, 0, 0}));
    for (int section = 0; section < LimitsOf(ParamFamily::InputEqBypass, kind).sections; ++section)
        params.push_back(Make(kind, Expand("eqbypass.in.S", {section}), ParamFamily::InputEqBypass, {0, 0, section, 0}));
    perWay("eqbypass.out.W", ParamFamily::OutputEqBypass);
    one("xover.in", ParamFamily::InputCrossover);
    perWay("xover.out.W.hp", ParamFamily::OutputHighPass);
    perWay("xover.out.W.lp", ParamFamily::OutputLowPass);
    one("gate", ParamFamily::Gate);
    one("dlf", ParamFamily::Dlf);
    one("compressor", ParamFamily::InputCompressor);
    perWay("out.W.compressor", ParamFamily::OutputCompressor);
    perWay("limiter.W", ParamFamily::Limiter);
    one("noise", ParamFamily::NoiseGenerator);
    one("room", ParamFamily::RoomCorrection);
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
        for (const int offset : param.status)
            differs |= ctx.statusOf(slot)[static_cast<std::size_t>(offset)] != snapshot.status[static_cast<std::size_t>(offset)];
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
        for (const int offset : param->status)
            ctx.statusOf(slot)[static_cast<std::size_t>(offset)] = snapshot.status[static_cast<std::size_t>(offset)];
    }
}

}  // namespace plenum::device
