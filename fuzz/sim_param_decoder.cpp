// Fuzzes the device's reading of the parameter and program commands: byte 0 picks the device kind
// and the command code comes next, the rest is the payload (any length, also too short). A
// parameter command may only write the live program and the status bytes it owns; program
// commands may only write the live program, the program slots and the current program byte; a
// FIR store's close (17) only the live program and the way's close record; and
// every request is answered with exactly the reply length of its code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "sim/DeviceModel.h"
#include "sim/ParamDecoder.h"

using namespace plenum::sim;

namespace {

// The status bytes parameter commands write: panel lock, FIR enable, amplifier boost, noise
// generator, power saving, speaker load, and the group block (gain, delay, equaliser bypass and
// the five bands' five bytes) that the gain, delay, bypass and band commands write with selector
// 4 or 2.
bool OwnedStatusByte(std::uint32_t address) {
    return (address >= kStatusGroupGain && address < kStatusGroupPeq + 5u * kGroupBandCount) ||
           address == kStatusPanelLocked || address == kStatusFirEnabled || address == kStatusAmpBoost ||
           (address >= kStatusNoiseGenerator && address < kStatusNoiseGenerator + 3) ||
           (address >= kStatusAutoSleep && address < kStatusAutoSleep + 4) ||
           (address >= kStatusSpeakerLoad && address < kStatusSpeakerLoad + 2);
}

// Command 17 with P1 = 0 closes a FIR store: the satellite writes the way's close record.
bool FirCloseRecord(std::uint32_t address) {
    for (std::uint32_t way = 0; way < 2; ++way) {
        const std::uint32_t record = kFirAreaAddress + kFirAreaStride * way + kFirCloseRecord;
        if (address >= record && address < record + 3) return true;
    }
    return false;
}

bool InLiveProgram(std::uint32_t address, bool isSub) {
    const std::size_t length = isSub ? kSubProgramLength : kSatProgramLength;
    return address >= kLiveProgramAddress && address < kLiveProgramAddress + length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const bool isSub = (data[0] & 1) != 0;
    const std::uint8_t code = data[1];
    const std::span<const std::uint8_t> payload(data + 2, size - 2);

    for (const MemoryWrite& write : DecodeParameter(isSub, code, payload)) {
        if (!InLiveProgram(write.address, isSub) && !OwnedStatusByte(write.address)) std::abort();
    }

    // Through the device, as a frame of the length its code fixes (block writes are the host's
    // own memory access and are left to the framer's fuzz target).
    if (code == 0x17) return 0;
    const std::size_t payloadLength = code == 7 ? 9 : 8;
    std::vector<std::uint8_t> frame = {kFrameStart, kFrameTag, 1, code};
    for (std::size_t i = 0; i < payloadLength; ++i) frame.push_back(i < payload.size() ? payload[i] : 0);
    frame.push_back(kFrameEnd);

    static DeviceModel satellite(DeviceIdentity{0, 0, 1, 2, {}}, 1);
    static DeviceModel subwoofer(DeviceIdentity{1, 0, 1, 2, {}}, 1);
    DeviceModel& device = isSub ? subwoofer : satellite;
    const std::vector<std::uint8_t> before = device.read(0, kMemorySize);
    const Request request{frame, LinkKind::Network};
    const auto reply = device.handle(request);
    if (reply.size() != ReplyLength(code, isSub, request.blockLength())) std::abort();
    const std::vector<std::uint8_t> after = device.read(0, kMemorySize);
    const bool programCommand = code == 25 || code == 26 || code == 28;
    constexpr std::size_t kChunk = 4096;  // compare whole chunks first: the memory is 144 KiB
    for (std::uint32_t address = 0; address < kMemorySize; ++address) {
        if (address % kChunk == 0 && std::memcmp(&before[address], &after[address], kChunk) == 0) {
            address += kChunk - 1;
            continue;
        }
        if (before[address] == after[address]) continue;
        if (InLiveProgram(address, isSub) || OwnedStatusByte(address)) continue;
        if (programCommand && (address == kStatusCurrentProgram || address >= kProgramSlotStride)) continue;
        if (code == 17 && !isSub && FirCloseRecord(address)) continue;
        std::abort();
    }
    return 0;
}
