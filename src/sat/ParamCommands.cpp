#include "sat/ParamCommands.h"

#include <algorithm>
#include <cassert>

#include "core/ImageLayout.h"
#include "sat/DeviceMemory.h"
#include "sat/FirDefaults.h"

namespace plenum {
namespace {

// Where one payload byte comes from.
struct Src {
    enum class K : std::uint8_t { Zero, Const, Way, Band, Section, Caller, Image, ImageBitWay, ImageBitSection, Status, StatusBitWay };
    K kind = K::Zero;
    int base = 0;        // constant value, or image / status offset
    int wayStride = 0;   // image offset grows by this per way
    int bandStride = 0;  // ... and by this per band
};

constexpr Src Z{};
constexpr Src C(int value) { return {Src::K::Const, value}; }
constexpr Src kWay{Src::K::Way};
constexpr Src kBand{Src::K::Band};
constexpr Src kSection{Src::K::Section};
constexpr Src kCaller{Src::K::Caller};
constexpr Src S(int offset, int wayStride = 0, int bandStride = 0) { return {Src::K::Image, offset, wayStride, bandStride}; }
constexpr Src BitOfWay(int offset) { return {Src::K::ImageBitWay, offset}; }
constexpr Src BitOfSection(int offset) { return {Src::K::ImageBitSection, offset}; }
constexpr Src A(int offset, int bandStride = 0) { return {Src::K::Status, offset, 0, bandStride}; }
constexpr Src StatusBitOfWay(int offset) { return {Src::K::StatusBitWay, offset}; }

struct Form {
    std::array<Src, 8> params{};
    std::array<Src, kParamBlockMax> block{};
    std::size_t blockLength = 0;
    bool nineByte = false;
    AddressLimits limits{};
};

constexpr Form Short(std::array<Src, 8> p, AddressLimits limits = {}) {
    Form form;
    form.params = p;
    form.limits = limits;
    return form;
}
constexpr Form Nine(std::array<Src, 9> p, AddressLimits limits = {}) {
    Form form;
    std::copy(p.begin(), p.end(), form.block.begin());
    form.blockLength = p.size();
    form.nineByte = true;
    form.limits = limits;
    return form;
}
// A block write of image bytes first .. first + N - 1 of the live program (memory address 384 +
// offset): P1..P3 the 24-bit address, P4:P5 the length.
template <std::size_t N>
constexpr Form ImageBlock(int first) {
    static_assert(N <= kParamBlockMax);
    const int address = static_cast<int>(kLiveProgramAddress) + first;
    Form form;
    form.params = {C((address >> 16) & 0xFF), C((address >> 8) & 0xFF), C(address & 0xFF), C(0), C(static_cast<int>(N)),
                   Src{}, Src{}, Src{}};
    for (std::size_t i = 0; i < N; ++i) form.block[i] = Src{Src::K::Image, first + static_cast<int>(i)};
    form.blockLength = N;
    return form;
}

struct Row {
    FamilyInfo info;
    std::optional<Form> sat;
    std::optional<Form> sub;
};

constexpr AddressLimits kTwoWays{2, 1, 1};

// Satellite payloads follow the image layout of a 576-byte program; subwoofer payloads the
// 192-byte one. Output ways exist only on the satellite; a subwoofer's single output is way 0,
// and its output delay, mute and polarity take the satellite's output-way forms with way 0.
const std::array<Row, kParamFamilyCount> kTable{{
    {{ParamFamily::InputGain, "input.gain", 1, true, true},
     Short({C(0), kCaller, S(20), Z, Z, Z, Z, Z}), Short({C(0), kCaller, S(20), Z, Z, Z, Z, Z})},
    {{ParamFamily::OutputGain, "out.gain", 1, true, true},
     Short({C(1), kWay, S(334, 1), Z, Z, Z, Z, Z}, kTwoWays), Short({C(1), kCaller, S(66), Z, Z, Z, Z, Z})},
    {{ParamFamily::MakeUpGain, "makeup", 1, true, true},
     Short({C(3), kWay, S(494, 1), S(517, 1), Z, Z, Z, Z}, kTwoWays), Short({C(3), Z, S(127), Z, Z, Z, Z, Z})},
    {{ParamFamily::InputDelay, "input.delay", 2, true, true},
     Short({C(0), Z, S(23), S(24), S(25), Z, Z, Z}), Short({C(0), kCaller, S(23), S(24), S(25), Z, Z, Z})},
    {{ParamFamily::OutputDelay, "out.delay", 2, true, true},
     Short({C(1), kWay, S(338, 1), S(340, 1), S(342, 1), Z, Z, Z}, kTwoWays),
     Short({C(1), kWay, S(67), S(68), S(69), Z, Z, Z})},
    {{ParamFamily::InputMute, "input.mute", 3, true, true},
     Short({C(0), Z, S(21), Z, Z, Z, Z, Z}), Short({C(0), Z, S(21), Z, Z, Z, Z, Z})},
    {{ParamFamily::OutputMute, "out.mute", 3, true, true},
     Short({C(1), kWay, BitOfWay(336), Z, Z, Z, Z, Z}, kTwoWays), Short({C(1), kWay, BitOfWay(128), Z, Z, Z, Z, Z})},
    {{ParamFamily::InputPolarity, "input.polarity", 4, true, true},
     Short({C(0), Z, S(22), Z, Z, Z, Z, Z}), Short({C(0), Z, S(22), Z, Z, Z, Z, Z})},
    {{ParamFamily::OutputPolarity, "out.polarity", 4, true, true},
     Short({C(1), kWay, BitOfWay(337), Z, Z, Z, Z, Z}, kTwoWays), Short({C(1), kWay, BitOfWay(129), Z, Z, Z, Z, Z})},
    {{ParamFamily::InputPeqBand, "peq.in", 5, true, true},
     Short({C(0), Z, kBand, S(35, 0, 1), S(86, 0, 1), S(137, 0, 1), S(188, 0, 1), S(239, 0, 1)}, {1, 51, 1}),
     Short({C(0), Z, kBand, S(34, 0, 1), S(39, 0, 1), S(44, 0, 1), S(49, 0, 1), S(54, 0, 1)}, {1, 5, 1})},
    {{ParamFamily::OutputPeqBand, "peq.out", 5, true, true},
     Short({C(1), kWay, kBand, S(357, 1, 2), S(373, 1, 2), S(389, 1, 2), S(405, 1, 2), S(421, 1, 2)}, {2, 8, 1}),
     Short({C(1), Z, kBand, S(77, 0, 1), S(85, 0, 1), S(93, 0, 1), S(101, 0, 1), S(109, 0, 1)}, {1, 8, 1})},
    {{ParamFamily::InputEqBypass, "eqbypass.in", 6, true, true},
     Short({C(0), kSection, BitOfSection(34), Z, Z, Z, Z, Z}, {1, 1, 3}),
     Short({C(0), kSection, BitOfSection(33), Z, Z, Z, Z, Z})},
    {{ParamFamily::OutputEqBypass, "eqbypass.out", 6, true, true},
     Short({C(1), kWay, BitOfWay(356), Z, Z, Z, Z, Z}, kTwoWays), Short({C(1), Z, BitOfWay(76), Z, Z, Z, Z, Z})},
    // The compressor's nine bytes: section, way, then the settings in the device's order and the
    // automatic flag last. The input compressor's flag is byte 327; an output way has its own at
    // 472 + way, so switching one never changes the other.
    {{ParamFamily::InputCompressor, "compressor", 7, true, true},
     Nine({C(0), C(0), S(329), S(330), S(328), S(331), S(332), S(333), S(327)}),
     Nine({C(0), C(0), S(61), S(62), S(60), S(63), S(64), S(65), S(59)})},
    {{ParamFamily::OutputCompressor, "out.compressor", 7, true, false},
     Nine({C(1), kWay, S(476, 1), S(478, 1), S(474, 1), S(480, 1), S(482, 1), S(484, 1), S(472, 1)}, kTwoWays),
     std::nullopt},
    {{ParamFamily::Limiter, "limiter", 8, true, true},
     Short({kWay, S(488, 1), S(490, 1), S(486, 1), Z, Z, Z, Z}, kTwoWays), Short({C(0), S(124), S(125), S(123), Z, Z, Z, Z})},
    {{ParamFamily::Gate, "gate", 9, true, true},
     Short({C(0), S(27), S(28), S(26), Z, Z, Z, Z}), Short({C(0), S(27), S(28), S(26), Z, Z, Z, Z})},
    {{ParamFamily::InputCrossover, "xover.in", 10, true, true},
     Short({C(0), Z, kCaller, S(32), S(33), S(31), Z, Z}), Short({C(0), Z, kCaller, S(31), S(32), S(30), Z, Z})},
    {{ParamFamily::OutputHighPass, "xover.out.hp", 10, true, true},
     Short({C(1), kWay, C(0), S(346, 1), S(348, 1), S(344, 1), Z, Z}, kTwoWays),
     Short({C(1), Z, C(0), S(71), S(72), S(70), Z, Z})},
    {{ParamFamily::OutputLowPass, "xover.out.lp", 10, true, true},
     Short({C(1), kWay, C(1), S(352, 1), S(354, 1), S(350, 1), Z, Z}, kTwoWays),
     Short({C(1), Z, C(1), S(74), S(75), S(73), Z, Z})},
    {{ParamFamily::Input, "input", 11, true, true},
     Short({C(0), S(17), S(18), S(19), Z, Z, Z, Z}), Short({C(0), S(17), S(18), S(19), Z, Z, Z, Z})},
    {{ParamFamily::NoiseGenerator, "noise", 12, true, true},
     Short({A(222), A(223), A(224), Z, Z, Z, Z, Z}), Short({A(222), A(223), A(224), Z, Z, Z, Z, Z})},
    {{ParamFamily::FirEnable, "fir.enable", 13, true, false},
     Short({C(0), kWay, StatusBitOfWay(status::kFirEnabled), Z, Z, Z, Z, Z}, kTwoWays), std::nullopt},
    {{ParamFamily::Dlf, "dlf", 16, true, true},
     Short({C(0), S(30), S(29), Z, Z, Z, Z, Z}), Short({C(0), S(29), Z, Z, Z, Z, Z, Z})},
    {{ParamFamily::ApplyFirWay, "fir.apply", 17, true, false},
     Short({C(1), kWay, Z, Z, Z, Z, Z, Z}, kTwoWays), std::nullopt},
    {{ParamFamily::OutputLimiter, "out.limiter", 19, true, true},
     Short({kWay, S(492, 1), Z, Z, Z, Z, Z, Z}, kTwoWays), Short({C(0), S(126), Z, Z, Z, Z, Z, Z})},
    {{ParamFamily::RoomCorrection, "room", 29, true, false},
     Short({S(500), Z, Z, Z, Z, Z, Z, Z}), std::nullopt},
    {{ParamFamily::FirOutput, "fir.output", 31, true, false},
     Short({C(0), S(520), Z, Z, Z, Z, Z, Z}), std::nullopt},
    {{ParamFamily::FirDesign, "fir.design", 23, true, false}, ImageBlock<kFirDesignBlockSize>(sat::kFirDesign), std::nullopt},
    {{ParamFamily::AutoStandby, "standby", 20, true, true},
     Short({A(227), A(228), Z, Z, Z, Z, Z, Z}), Short({A(227), A(228), Z, Z, Z, Z, Z, Z})},
    {{ParamFamily::AutoSleep, "sleep", 21, true, true},
     Short({A(225), A(226), Z, Z, Z, Z, Z, Z}), Short({A(225), A(226), Z, Z, Z, Z, Z, Z})},
    {{ParamFamily::SpeakerLoad, "speaker.load", 32, true, true},
     Short({A(262), A(263), Z, Z, Z, Z, Z, Z}), Short({A(262), A(263), Z, Z, Z, Z, Z, Z})},
    {{ParamFamily::AmpBoost, "amp.boost", 33, true, true},
     Short({A(266), Z, Z, Z, Z, Z, Z, Z}), Short({A(266), Z, Z, Z, Z, Z, Z, Z})},
    {{ParamFamily::StoreState, "store.state", 27, true, true}, Short({}), Short({})},
    {{ParamFamily::RecallFactory, "recall.factory", 28, true, true}, Short({}), Short({})},
    // Group block commands: selector 4 (gain) or 2 (delay, equaliser) names the group block, whose
    // bytes lie in the status record at 229 (gain), 230..232 (delay), 233 (bypass) and 234..258
    // (five bands, field-major: field f of band b at 234 + 5 f + b).
    {{ParamFamily::GroupGain, "group.gain", 1, true, true},
     Short({C(4), Z, A(229), Z, Z, Z, Z, Z}), Short({C(4), Z, A(229), Z, Z, Z, Z, Z})},
    {{ParamFamily::GroupDelay, "group.delay", 2, true, true},
     Short({C(2), Z, A(230), A(231), A(232), Z, Z, Z}), Short({C(2), Z, A(230), A(231), A(232), Z, Z, Z})},
    {{ParamFamily::GroupEqBypass, "group.eqbypass", 6, true, true},
     Short({C(2), Z, A(233), Z, Z, Z, Z, Z}), Short({C(2), Z, A(233), Z, Z, Z, Z, Z})},
    {{ParamFamily::GroupPeqBand, "group.peq", 5, true, true},
     Short({C(2), Z, kBand, A(234, 1), A(239, 1), A(244, 1), A(249, 1), A(254, 1)}, {1, kGroupBands, 1}),
     Short({C(2), Z, kBand, A(234, 1), A(239, 1), A(244, 1), A(249, 1), A(254, 1)}, {1, kGroupBands, 1})},
}};

const Row& RowOf(ParamFamily family) {
    const Row& row = kTable[static_cast<std::size_t>(family)];
    assert(row.info.family == family && "table rows are in enum order");
    return row;
}

const Form& FormOf(ParamFamily family, DeviceKind kind) {
    const Row& row = RowOf(family);
    return kind == DeviceKind::Sub ? *row.sub : *row.sat;
}

int ImageOffset(const Src& src, const ParamAddress& a) { return src.base + a.way * src.wayStride + a.band * src.bandStride; }
std::uint8_t BitMask(int bit) { return static_cast<std::uint8_t>(1u << bit); }

}  // namespace

const FamilyInfo& InfoOf(ParamFamily family) { return RowOf(family).info; }

bool FamilyExists(ParamFamily family, DeviceKind kind) {
    const Row& row = RowOf(family);
    return kind == DeviceKind::Sub ? row.sub.has_value() : row.sat.has_value();
}

AddressLimits LimitsOf(ParamFamily family, DeviceKind kind) { return FormOf(family, kind).limits; }

bool AddressValid(ParamFamily family, DeviceKind kind, const ParamAddress& a) {
    if (!FamilyExists(family, kind)) return false;
    const AddressLimits limits = LimitsOf(family, kind);
    return a.way >= 0 && a.way < limits.ways && a.band >= 0 && a.band < limits.bands && a.section >= 0 &&
           a.section < limits.sections;
}

template <std::size_t N>
ParamCommand BuildParamCommand(ParamFamily family, DeviceKind kind, const ParamAddress& a, const ByteImage<N>& image,
                               const DeviceStatusRecord& status) {
    const Form& form = FormOf(family, kind);
    auto byteOf = [&](const Src& src) -> std::uint8_t {
        switch (src.kind) {
            case Src::K::Zero: return 0;
            case Src::K::Const: return static_cast<std::uint8_t>(src.base);
            case Src::K::Way: return static_cast<std::uint8_t>(a.way);
            case Src::K::Band: return static_cast<std::uint8_t>(a.band);
            case Src::K::Section: return static_cast<std::uint8_t>(a.section);
            case Src::K::Caller: return a.callerValue;
            case Src::K::Image: return image[static_cast<std::size_t>(ImageOffset(src, a))];
            case Src::K::ImageBitWay: return (image[static_cast<std::size_t>(src.base)] >> a.way) & 1;
            case Src::K::ImageBitSection: return (image[static_cast<std::size_t>(src.base)] >> a.section) & 1;
            case Src::K::Status: return status[static_cast<std::size_t>(ImageOffset(src, a))];
            case Src::K::StatusBitWay: return (status[static_cast<std::size_t>(src.base)] >> a.way) & 1;
        }
        return 0;
    };
    ParamCommand command;
    command.code = InfoOf(family).code;
    command.nineByte = form.nineByte;
    command.blockLength = static_cast<std::uint8_t>(form.blockLength);
    for (std::size_t i = 0; i < form.blockLength; ++i) command.block[i] = byteOf(form.block[i]);
    if (!form.nineByte)
        for (std::size_t i = 0; i < 8; ++i) command.params[i] = byteOf(form.params[i]);
    return command;
}

template ParamCommand BuildParamCommand(ParamFamily, DeviceKind, const ParamAddress&, const SatParamImage&,
                                        const DeviceStatusRecord&);
template ParamCommand BuildParamCommand(ParamFamily, DeviceKind, const ParamAddress&, const SubParamImage&,
                                        const DeviceStatusRecord&);

CarriedBytes BytesCarried(ParamFamily family, DeviceKind kind, const ParamAddress& a) {
    CarriedBytes carried;
    const Form& form = FormOf(family, kind);
    std::vector<Src> sources(form.block.begin(), form.block.begin() + static_cast<std::ptrdiff_t>(form.blockLength));
    if (!form.nineByte) sources.insert(sources.begin(), form.params.begin(), form.params.end());
    for (const Src& src : sources) {
        switch (src.kind) {
            case Src::K::Image: carried.image.push_back({ImageOffset(src, a)}); break;
            case Src::K::ImageBitWay: carried.image.push_back({src.base, BitMask(a.way)}); break;
            case Src::K::ImageBitSection: carried.image.push_back({src.base, BitMask(a.section)}); break;
            case Src::K::Status: carried.status.push_back({ImageOffset(src, a)}); break;
            case Src::K::StatusBitWay: carried.status.push_back({src.base, BitMask(a.way)}); break;
            default: break;
        }
    }
    return carried;
}

}  // namespace plenum
