#include "sim/ParamDecoder.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "sim/DeviceModel.h"

namespace plenum::sim {

namespace {

constexpr std::uint8_t kNone = 0xFF;

// Payload positions: P1..P8 of a short command, b0..b8 of the compressor's nine bytes.
constexpr std::uint8_t P(int n) {
    return static_cast<std::uint8_t>(n - 1);
}
constexpr std::uint8_t B(int n) {
    return static_cast<std::uint8_t>(n);
}

enum class Area : std::uint8_t { Live, Status };

// One payload byte and where it lands: byte base + unit x unitStride + band x bandStride of the
// area; or, for a flag, bit `unit` of byte `base`, set when the payload byte is not 0.
struct Placement {
    std::uint8_t from;
    Area area;
    std::uint16_t base;
    std::uint8_t unitStride = 0;
    std::uint8_t bandStride = 0;
    bool flag = false;
};

Placement Live(std::uint8_t from, std::uint16_t offset, std::uint8_t unitStride = 0,
               std::uint8_t bandStride = 0) {
    return {from, Area::Live, offset, unitStride, bandStride, false};
}
Placement LiveFlag(std::uint8_t from, std::uint16_t offset) {
    return {from, Area::Live, offset, 0, 0, true};
}
Placement Status(std::uint8_t from, std::uint16_t offset) {
    return {from, Area::Status, offset, 0, 0, false};
}
Placement StatusBand(std::uint8_t from, std::uint16_t offset) {
    return {from, Area::Status, offset, 0, 1, false};
}
Placement StatusFlag(std::uint8_t from, std::uint16_t offset) {
    return {from, Area::Status, offset, 0, 0, true};
}

// The payload byte naming an instance (a way or an equaliser section: the unit; a band) and how
// many instances the device has.
struct Index {
    std::uint8_t at = kNone;
    std::uint8_t count = 1;
};
constexpr Index kOne{};
constexpr Index Unit(std::uint8_t at, std::uint8_t count) {
    return {at, count};
}

// A payload byte that must hold a given selector value for the row to apply.
struct Condition {
    std::uint8_t at;
    std::uint8_t value;
};
constexpr Condition Is(std::uint8_t at, std::uint8_t value) {
    return {at, value};
}

struct Decoding {
    ParamCode code;
    std::vector<Condition> when;
    Index unit;
    Index band;
    std::vector<Placement> placements;
};

using C = ParamCode;

// A satellite: 576-byte program, two output ways, 51 input bands in three equaliser sections,
// 8 output bands per way interleaved by way.
const std::vector<Decoding>& SatelliteDecodings() {
    static const std::vector<Decoding> table = {
        {C::SetGain, {Is(P(1), 0)}, kOne, kOne, {Live(P(3), 20)}},
        {C::SetGain, {Is(P(1), 1)}, Unit(P(2), 2), kOne, {Live(P(3), 334, 1)}},
        {C::SetGain, {Is(P(1), 3)}, Unit(P(2), 2), kOne, {Live(P(3), 494, 1), Live(P(4), 517, 1)}},
        {C::SetDelay, {Is(P(1), 0)}, kOne, kOne, {Live(P(3), 23), Live(P(4), 24), Live(P(5), 25)}},
        {C::SetDelay,
         {Is(P(1), 1)},
         Unit(P(2), 2),
         kOne,
         {Live(P(3), 338, 1), Live(P(4), 340, 1), Live(P(5), 342, 1)}},
        {C::SetMute, {Is(P(1), 0)}, kOne, kOne, {Live(P(3), 21)}},
        {C::SetMute, {Is(P(1), 1)}, Unit(P(2), 2), kOne, {LiveFlag(P(3), 336)}},
        {C::SetPolarity, {Is(P(1), 0)}, kOne, kOne, {Live(P(3), 22)}},
        {C::SetPolarity, {Is(P(1), 1)}, Unit(P(2), 2), kOne, {LiveFlag(P(3), 337)}},
        {C::SetPeqBand,
         {Is(P(1), 0)},
         kOne,
         Unit(P(3), 51),
         {Live(P(4), 35, 0, 1), Live(P(5), 86, 0, 1), Live(P(6), 137, 0, 1), Live(P(7), 188, 0, 1),
          Live(P(8), 239, 0, 1)}},
        {C::SetPeqBand,
         {Is(P(1), 1)},
         Unit(P(2), 2),
         Unit(P(3), 8),
         {Live(P(4), 357, 1, 2), Live(P(5), 373, 1, 2), Live(P(6), 389, 1, 2), Live(P(7), 405, 1, 2),
          Live(P(8), 421, 1, 2)}},
        {C::SetEqBypass, {Is(P(1), 0)}, Unit(P(2), 3), kOne, {LiveFlag(P(3), 34)}},
        {C::SetEqBypass, {Is(P(1), 1)}, Unit(P(2), 2), kOne, {LiveFlag(P(3), 356)}},
        // The six compressor settings arrive in the memory order 329, 330, 328, 331, 332, 333
        // (bit 7 of 330: compressor on); b8 is the automatic flag.
        {C::SetCompressor,
         {Is(B(0), 0)},
         kOne,
         kOne,
         {Live(B(2), 329), Live(B(3), 330), Live(B(4), 328), Live(B(5), 331), Live(B(6), 332),
          Live(B(7), 333), Live(B(8), 327)}},
        // An output way keeps the same six fields as two-element arrays, field f (of 328 + f) at
        // 474 + 2f + way; its automatic flag is its own, at 472 + way.
        {C::SetCompressor,
         {Is(B(0), 1)},
         Unit(B(1), 2),
         kOne,
         {Live(B(2), 476, 1), Live(B(3), 478, 1), Live(B(4), 474, 1), Live(B(5), 480, 1), Live(B(6), 482, 1),
          Live(B(7), 484, 1), Live(B(8), 472, 1)}},
        {C::SetLimiter,
         {},
         Unit(P(1), 2),
         kOne,
         {Live(P(2), 488, 1), Live(P(3), 490, 1), Live(P(4), 486, 1)}},
        {C::SetGate, {Is(P(1), 0)}, kOne, kOne, {Live(P(2), 27), Live(P(3), 28), Live(P(4), 26)}},
        // The input crossover's P3 names the filter the host edits; the device keeps one slope
        // and frequency for it whichever filter is named.
        {C::SetCrossover, {Is(P(1), 0)}, kOne, kOne, {Live(P(4), 32), Live(P(5), 33), Live(P(6), 31)}},
        {C::SetCrossover,
         {Is(P(1), 1), Is(P(3), 0)},
         Unit(P(2), 2),
         kOne,
         {Live(P(4), 346, 1), Live(P(5), 348, 1), Live(P(6), 344, 1)}},
        {C::SetCrossover,
         {Is(P(1), 1), Is(P(3), 1)},
         Unit(P(2), 2),
         kOne,
         {Live(P(4), 352, 1), Live(P(5), 354, 1), Live(P(6), 350, 1)}},
        {C::SetInput, {Is(P(1), 0)}, kOne, kOne, {Live(P(2), 17), Live(P(3), 18), Live(P(4), 19)}},
        {C::SetFirEnable, {Is(P(1), 0)}, Unit(P(2), 2), kOne, {StatusFlag(P(3), kStatusFirEnabled)}},
        {C::SetDlf, {Is(P(1), 0)}, kOne, kOne, {Live(P(2), 30), Live(P(3), 29)}},
        {C::SetOutputLimiter, {}, Unit(P(1), 2), kOne, {Live(P(2), 492, 1)}},
        {C::SetRoomCorrection, {}, kOne, kOne, {Live(P(1), 500)}},
        {C::SetFirOutput, {Is(P(1), 0)}, kOne, kOne, {Live(P(2), 520)}},
    };
    return table;
}

// A subwoofer: 192-byte program, one output (way 0), 5 input bands in one equaliser section and
// 8 output bands. Its output keeps its delay at 67..69 and its mute and polarity in bit 0 of 128
// and 129. It has no output-way compressor, no FIR and no room correction: those requests change
// nothing.
const std::vector<Decoding>& SubwooferDecodings() {
    static const std::vector<Decoding> table = {
        {C::SetGain, {Is(P(1), 0)}, kOne, kOne, {Live(P(3), 20)}},
        // P2 is the output number the host chose; the subwoofer's one output takes any number.
        {C::SetGain, {Is(P(1), 1)}, kOne, kOne, {Live(P(3), 66)}},
        {C::SetGain, {Is(P(1), 3)}, kOne, kOne, {Live(P(3), 127)}},
        {C::SetDelay, {Is(P(1), 0)}, kOne, kOne, {Live(P(3), 23), Live(P(4), 24), Live(P(5), 25)}},
        {C::SetDelay, {Is(P(1), 1)}, Unit(P(2), 1), kOne, {Live(P(3), 67), Live(P(4), 68), Live(P(5), 69)}},
        {C::SetMute, {Is(P(1), 0)}, kOne, kOne, {Live(P(3), 21)}},
        {C::SetMute, {Is(P(1), 1)}, Unit(P(2), 1), kOne, {LiveFlag(P(3), 128)}},
        {C::SetPolarity, {Is(P(1), 0)}, kOne, kOne, {Live(P(3), 22)}},
        {C::SetPolarity, {Is(P(1), 1)}, Unit(P(2), 1), kOne, {LiveFlag(P(3), 129)}},
        {C::SetPeqBand,
         {Is(P(1), 0)},
         kOne,
         Unit(P(3), 5),
         {Live(P(4), 34, 0, 1), Live(P(5), 39, 0, 1), Live(P(6), 44, 0, 1), Live(P(7), 49, 0, 1),
          Live(P(8), 54, 0, 1)}},
        {C::SetPeqBand,
         {Is(P(1), 1)},
         Unit(P(2), 1),
         Unit(P(3), 8),
         {Live(P(4), 77, 0, 1), Live(P(5), 85, 0, 1), Live(P(6), 93, 0, 1), Live(P(7), 101, 0, 1),
          Live(P(8), 109, 0, 1)}},
        {C::SetEqBypass, {Is(P(1), 0)}, Unit(P(2), 1), kOne, {LiveFlag(P(3), 33)}},
        {C::SetEqBypass, {Is(P(1), 1)}, Unit(P(2), 1), kOne, {LiveFlag(P(3), 76)}},
        {C::SetCompressor,
         {Is(B(0), 0)},
         kOne,
         kOne,
         {Live(B(2), 61), Live(B(3), 62), Live(B(4), 60), Live(B(5), 63), Live(B(6), 64), Live(B(7), 65),
          Live(B(8), 59)}},
        {C::SetLimiter, {}, Unit(P(1), 1), kOne, {Live(P(2), 124), Live(P(3), 125), Live(P(4), 123)}},
        {C::SetGate, {Is(P(1), 0)}, kOne, kOne, {Live(P(2), 27), Live(P(3), 28), Live(P(4), 26)}},
        {C::SetCrossover, {Is(P(1), 0)}, kOne, kOne, {Live(P(4), 31), Live(P(5), 32), Live(P(6), 30)}},
        {C::SetCrossover,
         {Is(P(1), 1), Is(P(3), 0)},
         Unit(P(2), 1),
         kOne,
         {Live(P(4), 71), Live(P(5), 72), Live(P(6), 70)}},
        {C::SetCrossover,
         {Is(P(1), 1), Is(P(3), 1)},
         Unit(P(2), 1),
         kOne,
         {Live(P(4), 74), Live(P(5), 75), Live(P(6), 73)}},
        {C::SetInput, {Is(P(1), 0)}, kOne, kOne, {Live(P(2), 17), Live(P(3), 18), Live(P(4), 19)}},
        // One DLF setting byte (a satellite has two).
        {C::SetDlf, {Is(P(1), 0)}, kOne, kOne, {Live(P(2), 29)}},
        {C::SetOutputLimiter, {Is(P(1), 0)}, kOne, kOne, {Live(P(2), 126)}},
    };
    return table;
}

// Settings both kinds keep in their status records, at the same offsets.
const std::vector<Decoding>& StatusDecodings() {
    static const std::vector<Decoding> table = {
        {C::SetNoiseGenerator,
         {},
         kOne,
         kOne,
         {Status(P(1), kStatusNoiseGenerator), Status(P(2), kStatusNoiseGenerator + 1),
          Status(P(3), kStatusNoiseGenerator + 2)}},
        {C::SetAutoStandby,
         {},
         kOne,
         kOne,
         {Status(P(1), kStatusAutoStandby), Status(P(2), kStatusAutoStandby + 1)}},
        {C::SetAutoSleep,
         {},
         kOne,
         kOne,
         {Status(P(1), kStatusAutoSleep), Status(P(2), kStatusAutoSleep + 1)}},
        {C::SetSpeakerLoad,
         {},
         kOne,
         kOne,
         {Status(P(1), kStatusSpeakerLoad), Status(P(2), kStatusSpeakerLoad + 1)}},
        {C::SetAmpBoost, {}, kOne, kOne, {Status(P(1), kStatusAmpBoost)}},
        {C::SetPanelLock, {}, kOne, kOne, {Status(P(1), kStatusPanelLocked)}},
        // The group block: selector 4 for its gain, 2 for its delay and equaliser.
        {C::SetGain, {Is(P(1), 4)}, kOne, kOne, {Status(P(3), kStatusGroupGain)}},
        {C::SetDelay,
         {Is(P(1), 2)},
         kOne,
         kOne,
         {Status(P(3), kStatusGroupDelay), Status(P(4), kStatusGroupDelay + 1), Status(P(5), kStatusGroupDelay + 2)}},
        {C::SetEqBypass, {Is(P(1), 2)}, kOne, kOne, {Status(P(3), kStatusGroupEqBypass)}},
        {C::SetPeqBand,
         {Is(P(1), 2)},
         kOne,
         Unit(P(3), kGroupBandCount),
         {StatusBand(P(4), kStatusGroupPeq), StatusBand(P(5), kStatusGroupPeq + kGroupBandCount),
          StatusBand(P(6), kStatusGroupPeq + 2 * kGroupBandCount), StatusBand(P(7), kStatusGroupPeq + 3 * kGroupBandCount),
          StatusBand(P(8), kStatusGroupPeq + 4 * kGroupBandCount)}},
    };
    return table;
}

bool Fits(std::uint8_t at, std::span<const std::uint8_t> payload) {
    return at == kNone || at < payload.size();
}

bool Matches(const Decoding& row, std::uint8_t code, std::span<const std::uint8_t> payload) {
    if (static_cast<std::uint8_t>(row.code) != code) return false;
    return std::all_of(row.when.begin(), row.when.end(), [&](const Condition& condition) {
        return condition.at < payload.size() && payload[condition.at] == condition.value;
    });
}

// The instance a payload names; nullopt-like kNone when it does not exist on this device.
std::uint8_t InstanceOf(const Index& index, std::span<const std::uint8_t> payload) {
    if (index.at == kNone) return 0;
    const std::uint8_t value = payload[index.at];
    return value < index.count ? value : kNone;
}

std::vector<MemoryWrite> Writes(const Decoding& row, std::span<const std::uint8_t> payload) {
    const bool fits = Fits(row.unit.at, payload) && Fits(row.band.at, payload) &&
                      std::all_of(row.placements.begin(), row.placements.end(),
                                  [&](const Placement& placement) { return Fits(placement.from, payload); });
    if (!fits) return {};
    const std::uint8_t unit = InstanceOf(row.unit, payload);
    const std::uint8_t band = InstanceOf(row.band, payload);
    if (unit == kNone || band == kNone) return {};

    std::vector<MemoryWrite> writes;
    writes.reserve(row.placements.size());
    for (const Placement& placement : row.placements) {
        const std::uint32_t areaBase = placement.area == Area::Live ? kLiveProgramAddress : kStatusAddress;
        MemoryWrite write;
        if (placement.flag) {
            write.address = areaBase + placement.base;
            write.mask = static_cast<std::uint8_t>(1u << unit);
            write.value = payload[placement.from] != 0 ? write.mask : 0;
        } else {
            write.address =
                areaBase + placement.base + unit * placement.unitStride + band * placement.bandStride;
            write.value = payload[placement.from];
        }
        writes.push_back(write);
    }
    return writes;
}

// --- factory programs ---

constexpr std::string_view kFactoryName = "FACTORY PRESET  ";
constexpr std::string_view kFlatCurveName = "FLAT            ";
constexpr std::array<std::uint16_t, 8> kOctaveBandsHz = {63, 125, 250, 500, 1000, 2000, 4000, 8000};
constexpr std::array<std::uint8_t, 8> kSubOutputBandsHz = {25, 31, 40, 50, 63, 80, 100, 125};

constexpr std::uint8_t kGain0Db = 131;
constexpr std::uint8_t kPeqGain0Db = 30;
constexpr std::uint8_t kQ125 = 23;  // Q = 0.1 + 0.05 k
constexpr std::uint8_t kQ230 = 44;
constexpr std::uint8_t kSlopeBypass = 0;
constexpr std::uint8_t kSlope24Lr = 7;  // the 2-WAY crossover at 1500 Hz
constexpr std::uint16_t kXoverHz = 1500;

void Put(std::vector<std::uint8_t>& program, std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), program.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::uint8_t High(std::uint16_t hz) {
    return static_cast<std::uint8_t>(hz >> 8);
}
std::uint8_t Low(std::uint16_t hz) {
    return static_cast<std::uint8_t>(hz & 0xFF);
}

std::vector<std::uint8_t> SatelliteFactory(std::uint8_t systemMode) {
    std::vector<std::uint8_t> program(kSatProgramLength, 0);
    std::copy(kFactoryName.begin(), kFactoryName.end(), program.begin());
    Put(program, 17, {17, kGain0Db, kGain0Db});  // LINE, Dante left, source gains 0 dB
    Put(program, 20, {kGain0Db});
    Put(program, 26, {5, 10, 138});                       // gate -65 dB, on
    Put(program, 29, {100, 228});                         // DLF
    Put(program, 31, {kSlopeBypass, High(20), Low(20)});  // input crossover off, 20 Hz
    Put(program, 34, {0x07});                             // all three input sections bypassed
    constexpr int kInputBands = 51;
    for (int band = 0; band < kInputBands; ++band) {  // type 0 "Bell" everywhere
        const std::uint16_t hz = kOctaveBandsHz[static_cast<std::size_t>(band) % kOctaveBandsHz.size()];
        const bool roomBand = band >= 10 && band <= 40;
        program[86 + band] = High(hz);
        program[137 + band] = Low(hz);
        program[188 + band] = roomBand ? kQ230 : kQ125;
        program[239 + band] = kPeqGain0Db;
    }
    Put(program, 290, {3});
    for (std::size_t i = 0; i < kFlatCurveName.size(); ++i) {  // two curve names, interleaved
        program[291 + 2 * i] = static_cast<std::uint8_t>(kFlatCurveName[i]);
        program[292 + 2 * i] = static_cast<std::uint8_t>(kFlatCurveName[i]);
    }
    Put(program, 325, {1, 1});
    Put(program, 327, {0, 200, 31, 132, 30, 0, 0});  // compressor, manual
    Put(program, 334, {kGain0Db, kGain0Db});
    // LOW: high-pass off at 50 Hz, low-pass at 1500 Hz; HIGH: high-pass at 1500 Hz, low-pass off
    // at 20 kHz. A bridged amplifier drives one way, so the crossover then stays off.
    const std::uint8_t xoverSlope = systemMode == 0 ? kSlope24Lr : kSlopeBypass;
    Put(program, 344, {kSlopeBypass, xoverSlope});                        // high-pass slope LOW, HIGH
    Put(program, 346, {High(50), High(kXoverHz)});                        // high-pass frequency high bytes
    Put(program, 348, {Low(50), Low(kXoverHz)});                          // ... low bytes
    Put(program, 350, {xoverSlope, kSlopeBypass});                        // low-pass slope LOW, HIGH
    Put(program, 352, {High(kXoverHz), High(20000)});                     // low-pass frequency high bytes
    Put(program, 354, {Low(kXoverHz), Low(20000)});                       // ... low bytes
    Put(program, 356, {0x03});                                            // both output equalisers bypassed
    Put(program, 474, {200, 200, 31, 31, 132, 132, 30, 30, 0, 0, 0, 0});  // output compressors
    Put(program, 486, {200, 200, 9, 9, 130, 130});                        // limiters
    Put(program, 500, {100});
    Put(program, 519, {systemMode});
    return program;
}

std::vector<std::uint8_t> SubwooferFactory() {
    std::vector<std::uint8_t> program(kSubProgramLength, 0);
    std::copy(kFactoryName.begin(), kFactoryName.end(), program.begin());
    Put(program, 17, {23, kGain0Db, kGain0Db, kGain0Db});  // input configuration, input gain
    Put(program, 26, {5, 10, 138});
    Put(program, 29, {228});
    Put(program, 30, {kSlopeBypass, High(20), Low(20)});
    Put(program, 33, {0x01});
    Put(program, 59, {0, 200, 31, 132, 30, 0, 0});
    Put(program, 66, {kGain0Db});
    Put(program, 70, {kSlopeBypass, High(20), Low(20)});  // output high-pass off, 20 Hz
    Put(program, 73, {6, High(100), Low(100)});           // output low-pass -24 dB/oct BW, 100 Hz
    Put(program, 76, {0x01});
    for (std::size_t band = 0; band < kSubOutputBandsHz.size(); ++band) {
        program[85 + band] = 0;
        program[93 + band] = kSubOutputBandsHz[band];
        program[101 + band] = kQ230;
        program[109 + band] = kPeqGain0Db;
    }
    Put(program, 117, {200, 31, 132, 30, 0, 0});
    Put(program, 123, {200, 9, 130});
    return program;
}

// --- handlers ---

std::span<const std::uint8_t> PayloadOf(const Request& request) {
    constexpr std::size_t kHead = 4;  // F0 78 id code
    if (request.frame.size() < kHead + 1) return {};
    return request.frame.subspan(kHead, request.frame.size() - kHead - 1);
}

std::uint8_t ByteAt(const DeviceModel& device, std::uint32_t address) {
    return device.read(address, 1)[0];
}

void PutByte(DeviceModel& device, std::uint32_t address, std::uint8_t value) {
    device.write(address, std::span<const std::uint8_t>(&value, 1));
}

void ParameterHandler(DeviceModel& device, const Request& request, std::vector<std::uint8_t>&) {
    for (const MemoryWrite& write :
         DecodeParameter(device.identity().isSub(), request.code(), PayloadOf(request))) {
        const std::uint8_t old = ByteAt(device, write.address);
        PutByte(device, write.address,
                static_cast<std::uint8_t>((old & ~write.mask) | (write.value & write.mask)));
    }
}

// P1 names the program slot; anything else than 0..7 is not a slot and changes nothing.
bool SlotOf(const Request& request, std::size_t& slot) {
    const auto payload = PayloadOf(request);
    if (payload.empty() || payload[0] >= kProgramSlots) return false;
    slot = payload[0];
    return true;
}

void SetCurrentProgram(DeviceModel& device, std::size_t slot) {
    const std::uint8_t old = ByteAt(device, kStatusCurrentProgram);
    PutByte(device, kStatusCurrentProgram,
            static_cast<std::uint8_t>((old & ~kCurrentProgramSlotBits) | static_cast<std::uint8_t>(slot)));
}

void StoreProgram(DeviceModel& device, const Request& request, std::vector<std::uint8_t>&) {
    std::size_t slot = 0;
    if (!SlotOf(request, slot)) return;
    const auto live = device.read(kLiveProgramAddress, device.programLength());
    device.write(ProgramSlotAddress(slot), live);
    PutByte(device, static_cast<std::uint32_t>(kProgramSlotStride * (slot + 1)), kSlotUsedMark);
    SetCurrentProgram(device, slot);
}

void RecallProgram(DeviceModel& device, const Request& request, std::vector<std::uint8_t>&) {
    std::size_t slot = 0;
    if (!SlotOf(request, slot)) return;
    const auto stored = device.read(ProgramSlotAddress(slot), device.programLength());
    device.write(kLiveProgramAddress, stored);
    SetCurrentProgram(device, slot);
}

void CloseFirStore(DeviceModel& device, const Request& request, std::vector<std::uint8_t>&) {
    const auto payload = PayloadOf(request);
    if (device.identity().isSub() || payload.size() < 5 || payload[0] != 0 || payload[1] > 1) return;
    if (static_cast<std::size_t>(payload[2]) * 256 + payload[3] > kFirMaxTaps) return;
    const std::array<std::uint8_t, 3> record{payload[2], payload[3], payload[4]};
    device.write(kFirAreaAddress + kFirAreaStride * payload[1] + kFirCloseRecord, record);
    device.write(kLiveProgramAddress + kLiveFirClose, record);
}

void RecallFactory(DeviceModel& device, const Request&, std::vector<std::uint8_t>&) {
    device.write(kLiveProgramAddress,
                 FactoryProgram(device.identity().isSub(), ByteAt(device, kStatusSystemMode)));
}

}  // namespace

std::vector<MemoryWrite> DecodeParameter(bool isSub, std::uint8_t code,
                                         std::span<const std::uint8_t> payload) {
    for (const auto* table : {isSub ? &SubwooferDecodings() : &SatelliteDecodings(), &StatusDecodings()}) {
        for (const Decoding& row : *table) {
            if (Matches(row, code, payload)) return Writes(row, payload);
        }
    }
    return {};
}

std::vector<std::uint8_t> FactoryProgram(bool isSub, std::uint8_t systemMode) {
    return isSub ? SubwooferFactory() : SatelliteFactory(systemMode);
}

void InstallParameterHandlers(DeviceModel& device) {
    for (const auto* table : {&SatelliteDecodings(), &SubwooferDecodings(), &StatusDecodings()}) {
        for (const Decoding& row : *table)
            device.setHandler(static_cast<std::uint8_t>(row.code), &ParameterHandler);
    }
    device.setHandler(static_cast<std::uint8_t>(ParamCode::StoreProgram), &StoreProgram);
    device.setHandler(static_cast<std::uint8_t>(ParamCode::RecallProgram), &RecallProgram);
    device.setHandler(static_cast<std::uint8_t>(ParamCode::RecallFactory), &RecallFactory);
    device.setHandler(static_cast<std::uint8_t>(ParamCode::ApplyFirWay), &CloseFirStore);
}

}  // namespace plenum::sim
