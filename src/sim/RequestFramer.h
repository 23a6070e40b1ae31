// Request framing from the device's side of the link.
//
// A request has no length field and no checksum: it starts with 0xF0 0x78, its command code (byte 3)
// fixes its length and it ends with 0xF7.
//   short form       every code but 7 and 23        13 bytes
//   nine-byte form   code 7                         14 bytes
//   block write      code 23, N = p4 x 256 + p5     N + 10 bytes (N at most 769, the host's buffer)
//   firmware chunk   code 0xA2, laid out like a block write
// Between frames a network host sends a single 0x00 byte to acknowledge a reply.
//
// The framer never trusts its input. Bytes that cannot start a frame are dropped; a candidate that
// does not end in 0xF7 where its length says it must is given up one byte at a time (the 0xF0 is
// dropped and scanning resumes right after it), so a frame hidden behind garbage is still found.
// A partial frame that stays incomplete can be abandoned by the caller after a quiet spell, which
// resynchronises the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace plenum::sim {

inline constexpr std::uint8_t kFrameStart = 0xF0;
inline constexpr std::uint8_t kFrameTag = 0x78;
inline constexpr std::uint8_t kFrameEnd = 0xF7;
inline constexpr std::uint8_t kHostAcknowledge = 0x00;
inline constexpr std::size_t kShortRequestLength = 13;
inline constexpr std::size_t kMaxBlockWriteLength = 769;  // the host's transmit buffer
inline constexpr std::size_t kMaxRequestLength = kMaxBlockWriteLength + 10;

// The total length of the request whose first bytes are `head`: nullopt while `head` is too short
// to tell, 0 when `head` cannot begin a request (bad start, bad tag, block length out of range).
std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> head);

struct FramerEvent {
    enum class Kind { Request, Acknowledge, Dropped };
    Kind kind;
    std::vector<std::uint8_t> bytes;  // the whole request, {0x00}, or the dropped bytes
};

class RequestFramer {
  public:
    // A serial link has no acknowledge byte: there a lone 0x00 is garbage like any other.
    explicit RequestFramer(bool acceptAcknowledge) : acceptAcknowledge_(acceptAcknowledge) {}

    // Consumes `bytes` and appends what they complete to `events`, in order. Consecutive dropped
    // bytes are reported as one event.
    void feed(std::span<const std::uint8_t> bytes, std::vector<FramerEvent>& events);
    // Gives up the partial request held back (drops its first byte and rescans the rest).
    void abandonPartial(std::vector<FramerEvent>& events);
    bool hasPartial() const { return !pending_.empty(); }
    std::size_t pendingSize() const { return pending_.size(); }

  private:
    void scan(std::vector<FramerEvent>& events);
    void drop(std::uint8_t byte, std::vector<FramerEvent>& events);

    bool acceptAcknowledge_;
    std::vector<std::uint8_t> pending_;  // starts with 0xF0 whenever it is not empty
};

}  // namespace plenum::sim
