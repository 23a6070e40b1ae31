// The device's reading of the parameter commands: which memory bytes each command writes.
//
// This is the loudspeaker's own description of its commands, written from its side of the wire. It
// shares nothing with the host's encoder, so a value set by the host and read back with a block
// read only comes back unchanged when both descriptions agree byte for byte.
//
// A parameter command either lands in the live program (device memory from 384, the host's
// parameter image) or in the status record (memory from 0). The first payload bytes select the
// section (0 input, 1 output, 3 make-up gain), the way (0 LOW, 1 HIGH; a subwoofer has one output,
// way 0), the band or the input equaliser section. A request whose selector the device does not
// know, whose index is out of range, or whose code the device kind does not have, is acknowledged
// and changes nothing: garbage can never write outside the bytes its command owns.
//
// Besides the parameters the device keeps its programs: store program copies the live program
// into slot k, recall program copies slot k back, recall factory rebuilds the factory program.
// StoreState (27) and ApplyFirWay (17 with P1 = 1) are acknowledged; the simulated device has
// nothing to commit or to load for them. Command 17 with P1 = 0 closes a FIR store (below).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace plenum::sim {

class DeviceModel;

// The parameter commands, with the codes the wire gives them.
enum class ParamCode : std::uint8_t {
    SetGain = 1,
    SetDelay = 2,
    SetMute = 3,
    SetPolarity = 4,
    SetPeqBand = 5,
    SetEqBypass = 6,
    SetCompressor = 7,
    SetLimiter = 8,
    SetGate = 9,
    SetCrossover = 10,
    SetInput = 11,
    SetNoiseGenerator = 12,
    SetFirEnable = 13,
    SetDlf = 16,
    ApplyFirWay = 17,
    SetPanelLock = 18,
    SetOutputLimiter = 19,
    SetAutoStandby = 20,
    SetAutoSleep = 21,
    StoreProgram = 25,
    RecallProgram = 26,
    StoreState = 27,
    RecallFactory = 28,
    SetRoomCorrection = 29,
    SetFirOutput = 31,
    SetSpeakerLoad = 32,
    SetAmpBoost = 33,
};

// Status record bytes the parameter and program commands own.
inline constexpr std::uint32_t kStatusCurrentProgram = 202;  // bits 0..6: slot last stored or recalled
inline constexpr std::uint8_t kCurrentProgramSlotBits = 0x7F;
inline constexpr std::uint32_t kStatusPanelLocked = 219;
inline constexpr std::uint32_t kStatusNoiseGenerator = 222;  // enable, type, level
inline constexpr std::uint32_t kStatusAutoSleep = 225;       // enable, time
inline constexpr std::uint32_t kStatusAutoStandby = 227;     // enable, time
inline constexpr std::uint32_t kStatusSystemMode = 261;      // 0 = 2-WAY, above 0 = BRIDGE
inline constexpr std::uint32_t kStatusSpeakerLoad = 262;     // way LOW, way HIGH
inline constexpr std::uint32_t kStatusAmpBoost = 266;
// The group block: gain, delay (ms high, ms low, 1/48 ms steps), equaliser bypass and five
// equaliser bands field-major (field f of band b at 234 + 5 f + b).
inline constexpr std::uint32_t kStatusGroupGain = 229;
inline constexpr std::uint32_t kStatusGroupDelay = 230;
inline constexpr std::uint32_t kStatusGroupEqBypass = 233;
inline constexpr std::uint32_t kStatusGroupPeq = 234;
inline constexpr std::uint8_t kGroupBandCount = 5;
// Where this device keeps the FIR enable flags (bit w = FIR of way w on). The host never reads
// them back as such; the byte is one the status record leaves unassigned, chosen near its end so
// that the settings blocks, which grow from the front, stay clear of it.
inline constexpr std::uint32_t kStatusFirEnabled = 380;

// The FIR areas, one per output way of a satellite, 4096 bytes apart from 4096: the name (32
// bytes) and four configuration bytes the host writes first, 1024 coefficient words of three
// bytes from byte 36, all written with block writes; then the close record at 3108 (tap count
// high, low, closed flag), which the device itself writes when command 17 with P1 = 0 closes
// the store of way P2 with the tap count in P3, P4 and the flag in P5. The device keeps the
// same three bytes in its live program at 497..499. A close with a way above 1 or more than 1024
// taps is acknowledged and changes nothing; command 17 with P1 = 1 (apply a way's FIR) only
// acknowledges.
inline constexpr std::uint32_t kFirAreaAddress = 4096;
inline constexpr std::uint32_t kFirAreaStride = 4096;
inline constexpr std::uint32_t kFirCloseRecord = 3108;
inline constexpr std::uint32_t kLiveFirClose = 497;
inline constexpr std::size_t kFirMaxTaps = 1024;

// The mark store program leaves at the base of a used program slot (16384 x (k + 1)).
inline constexpr std::uint8_t kSlotUsedMark = 0x55;

// One byte change: the bits of `mask` take the bits of `value`.
struct MemoryWrite {
    std::uint32_t address = 0;
    std::uint8_t value = 0;
    std::uint8_t mask = 0xFF;
    bool operator==(const MemoryWrite&) const = default;
};

// The writes a parameter command asks of a satellite (`isSub` false) or a subwoofer, in payload
// order. `payload` is what follows the command code: P1..P8, or b0..b8 of the nine-byte
// compressor form. Empty when the command writes nothing on this device kind (unknown code or
// selector, index out of range, payload too short). Program commands (25, 26, 28) are not
// parameter writes and decode to nothing here.
std::vector<MemoryWrite> DecodeParameter(bool isSub, std::uint8_t code,
                                         std::span<const std::uint8_t> payload);

// The program the device returns to on recall factory: 576 bytes for a satellite, 192 for a
// subwoofer. A satellite's 1500 Hz crossover slope and its program system byte follow the system
// mode (status byte 261).
std::vector<std::uint8_t> FactoryProgram(bool isSub, std::uint8_t systemMode);

// Plugs the parameter and program handlers into the device's dispatch table.
void InstallParameterHandlers(DeviceModel& device);

}  // namespace plenum::sim
