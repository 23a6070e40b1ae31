// The command frame of the loudspeaker protocol: three request forms, the reply length each
// command code implies, and the framing check of a reply.
//
// Every frame starts with 0xF0 0x78 and ends with 0xF7; there is no length field and no checksum,
// so both ends delimit a frame by the length the command code implies. Requests:
//   short       F0 78 id code p1..p8 F7                      13 bytes, every code but 7 and 23
//   code 7      F0 78 id 07 b0..b8 F7                        14 bytes, b = TxBlockBuffer[0..8]
//   block write F0 78 id 17 p1..p5 data[0..N-1] F7           N + 10 bytes, N = p4 * 256 + p5
// The bus id is 0 for identify (code 0) and the device's learnt id for everything else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace plenum::comm {

inline constexpr std::uint8_t kFrameStart = 0xF0;
inline constexpr std::uint8_t kFrameMarker = 0x78;
inline constexpr std::uint8_t kFrameEnd = 0xF7;
// The one-byte frame a network host sends after every valid reply.
inline constexpr std::uint8_t kAcknowledgeByte = 0x00;

// TxBlockBuffer and RxBuffer hold indices 0..768.
inline constexpr std::size_t kBlockBufferSize = 769;
// A block read's whole reply (block + 5 framing bytes) must fit RxBuffer.
inline constexpr std::size_t kMaxBlockReadLength = kBlockBufferSize - 5;

inline constexpr std::size_t kShortFrameLength = 13;
inline constexpr std::size_t kNinePayloadFrameLength = 14;
inline constexpr std::size_t kBlockWriteOverhead = 10;

// The command codes the transaction itself treats specially. Parameter commands use many more
// codes; they travel as plain bytes and take the short form.
enum class CommandCode : std::uint8_t {
    Identify = 0,
    NinePayload = 7,
    Offline = 15,  // back to stand-alone operation; sent on exit, removal and after a port scan
    Ack17 = 17,
    BlockRead = 22,
    BlockWrite = 23,
    MeterPoll = 24,
    Ack25 = 25,
    Ack26 = 26,
    Ack27 = 27,
    FactoryRecall = 28,
    Long96 = 96,
    Long115 = 115,
};

constexpr std::uint8_t ToByte(CommandCode code) { return static_cast<std::uint8_t>(code); }

// The two bodies of the transaction differ by family: SUB is model code 1, every other code SAT.
enum class DeviceFamily { Sat, Sub };

using CommandParams = std::array<std::uint8_t, 8>;  // p1..p8
using BlockBuffer = std::array<std::uint8_t, kBlockBufferSize>;

enum class FrameForm { Short, NinePayload, BlockWrite };

FrameForm FormOf(std::uint8_t code);

// N of a block write or block read: p4 * 256 + p5.
constexpr std::size_t BlockLength(const CommandParams& params) {
    return static_cast<std::size_t>(params[3]) * 256u + params[4];
}

// P1..P5 of a block read (22) or write (23): the 24-bit address and the 16-bit length, both
// most significant byte first (through PutNumber, as the device expects).
CommandParams BlockTransferParams(std::uint32_t address, std::size_t length);

// Length of the request frame for code and params.
std::size_t RequestLength(std::uint8_t code, const CommandParams& params);

// Number of reply bytes the host reads for a request. A block read beyond kMaxBlockReadLength
// still reports its protocol length; callers check it against RxBuffer.
std::size_t ReplyLength(std::uint8_t code, const CommandParams& params, DeviceFamily family);

// Why a request cannot be built. Each one is a caller's mistake the frame refuses to send.
enum class FrameError { None, BlockTooLong };

// Builds the request into `out` (cleared first). `block` is TxBlockBuffer; it is read for codes 7
// and 23 only. A block write whose N exceeds the buffer is refused and leaves `out` empty.
FrameError BuildRequest(std::uint8_t busId, std::uint8_t code, const CommandParams& params,
                        const BlockBuffer& block, std::vector<std::uint8_t>& out);

// How a network reply of the expected length is judged.
enum class ReplyClass {
    Valid,    // starts with 0xF0 and ends with 0xF7
    Empty,    // every byte is 0: nothing arrived
    Garbled,  // something arrived, but it is no frame
};
ReplyClass ClassifyReply(std::span<const std::uint8_t> reply);

// The identify reply names the device's bus id only when its byte 4 is 0x78.
std::optional<std::uint8_t> IdentifiedBusId(std::span<const std::uint8_t> reply);

}  // namespace plenum::comm
