// The parameter commands of both device kinds as one table. Each family (input gain, PEQ band,
// gate, ...) is described once: its command code and, per device kind, where each payload byte
// comes from (a constant selector, the addressed way / band / section, an image byte, one bit of
// an image byte, a status byte, or a value the caller passes). The same description drives the
// single-device send, the link fan-out (the image bytes a family carries are derived from it) and
// the command-line tool, so a family cannot be sent one way and copied another.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/DeviceState.h"

namespace plenum {

enum class DeviceKind : std::uint8_t { Sat = 0, Sub = 1 };
inline DeviceKind KindOf(const DeviceRecord& record) { return record.isSub() ? DeviceKind::Sub : DeviceKind::Sat; }

enum class ParamFamily : std::uint8_t {
    InputGain,
    OutputGain,
    MakeUpGain,
    InputDelay,
    OutputDelay,
    InputMute,
    OutputMute,
    InputPolarity,
    OutputPolarity,
    InputPeqBand,
    OutputPeqBand,
    InputEqBypass,
    OutputEqBypass,
    InputCompressor,
    OutputCompressor,
    Limiter,
    Gate,
    InputCrossover,
    OutputHighPass,
    OutputLowPass,
    Input,
    NoiseGenerator,
    FirEnable,
    Dlf,
    ApplyFirWay,
    OutputLimiter,
    RoomCorrection,
    FirOutput,
    // The 14 FIR design bytes of both ways (image 503..516) as one block write (command 23).
    FirDesign,
    AutoStandby,
    AutoSleep,
    SpeakerLoad,
    AmpBoost,
    StoreState,
    RecallFactory,
    // The group block of the status record (gain, delay, five-band equaliser and its bypass): the
    // values every member of a device group must hold. The group mute is the input mute.
    GroupGain,
    GroupDelay,
    GroupEqBypass,
    GroupPeqBand,
};
inline constexpr int kParamFamilyCount = static_cast<int>(ParamFamily::GroupPeqBand) + 1;
inline constexpr int kGroupBands = 5;

// Which instance of a family is meant: an output way (0 LOW, 1 HIGH), a band, an input EQ section,
// and the value the caller supplies for families that carry one (channel, enable flag, filter
// selector).
struct ParamAddress {
    int way = 0;
    int band = 0;
    int section = 0;
    std::uint8_t callerValue = 0;
};

// A command ready for the transaction: a short command with eight payload bytes, the nine-byte
// form of the compressor (payload in TxBlockBuffer bytes 0..8), or a block write whose params
// give address and length and whose data goes through TxBlockBuffer (blockLength bytes).
inline constexpr std::size_t kParamBlockMax = 14;
struct ParamCommand {
    std::uint8_t code = 0;
    std::array<std::uint8_t, 8> params{};
    bool nineByte = false;
    std::array<std::uint8_t, kParamBlockMax> block{};
    std::uint8_t blockLength = 0;  // bytes of `block` that go to TxBlockBuffer (9 for nineByte)
    bool operator==(const ParamCommand&) const = default;
};

struct FamilyInfo {
    ParamFamily family;
    std::string_view name;
    std::uint8_t code;
    bool onSat;
    bool onSub;
};
const FamilyInfo& InfoOf(ParamFamily family);
bool FamilyExists(ParamFamily family, DeviceKind kind);

// Addressing limits of a family on a kind (ways, bands, sections that exist).
struct AddressLimits {
    int ways = 1;
    int bands = 1;
    int sections = 1;
};
AddressLimits LimitsOf(ParamFamily family, DeviceKind kind);
bool AddressValid(ParamFamily family, DeviceKind kind, const ParamAddress& address);

// The command for one family instance, built from the device's image and status record.
// Precondition: FamilyExists and AddressValid.
template <std::size_t N>
ParamCommand BuildParamCommand(ParamFamily family, DeviceKind kind, const ParamAddress& address,
                               const ByteImage<N>& image, const DeviceStatusRecord& status);

// One image or status byte a family instance carries, and the bits of it that belong to the
// instance: the whole byte, or the one bit of a way or section in a byte those share (output
// mutes, polarities and EQ bypasses, the input EQ sections, the FIR enables). The link fan-out copies only these bits, since only
// they reach the device.
struct CarriedByte {
    int offset = 0;
    std::uint8_t mask = 0xFF;
    bool operator==(const CarriedByte&) const = default;
};

// The image bytes and status bytes a family instance carries, in payload order: what the link
// fan-out copies.
struct CarriedBytes {
    std::vector<CarriedByte> image;
    std::vector<CarriedByte> status;
};
CarriedBytes BytesCarried(ParamFamily family, DeviceKind kind, const ParamAddress& address);

}  // namespace plenum
