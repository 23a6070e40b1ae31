#include "sim/RequestFramer.h"

#include <algorithm>

namespace plenum::sim {

namespace {
constexpr std::uint8_t kCodeNineBytePayload = 0x07;
constexpr std::uint8_t kCodeBlockWrite = 0x17;
constexpr std::uint8_t kCodeLoaderWrite = 0xA2;  // firmware chunk: the block-write layout
constexpr std::size_t kBlockWriteHeader = 9;     // F0 78 id 17 p1..p5
}  // namespace

std::optional<std::size_t> RequestLength(std::span<const std::uint8_t> head) {
    if (head.empty()) return std::nullopt;
    if (head[0] != kFrameStart) return 0;
    if (head.size() < 2) return std::nullopt;
    if (head[1] != kFrameTag) return 0;
    if (head.size() < 4) return std::nullopt;
    const std::uint8_t code = head[3];
    if (code == kCodeNineBytePayload) return kShortRequestLength + 1;
    if (code != kCodeBlockWrite && code != kCodeLoaderWrite) return kShortRequestLength;
    if (head.size() < kBlockWriteHeader) return std::nullopt;
    const std::size_t blockLength = static_cast<std::size_t>(head[7]) * 256 + head[8];
    if (blockLength > kMaxBlockWriteLength) return 0;
    return blockLength + 10;
}

void RequestFramer::feed(std::span<const std::uint8_t> bytes, std::vector<FramerEvent>& events) {
    for (std::uint8_t byte : bytes) {
        if (pending_.empty()) {
            if (byte == kFrameStart) {
                pending_.push_back(byte);
            } else if (acceptAcknowledge_ && byte == kHostAcknowledge) {
                events.push_back({FramerEvent::Kind::Acknowledge, {byte}});
            } else {
                drop(byte, events);
            }
            continue;
        }
        pending_.push_back(byte);
        scan(events);
    }
}

void RequestFramer::abandonPartial(std::vector<FramerEvent>& events) {
    if (pending_.empty()) return;
    std::vector<std::uint8_t> rest(pending_.begin() + 1, pending_.end());
    drop(pending_.front(), events);
    pending_.clear();
    feed(rest, events);
}

// Called after every byte appended to a non-empty pending_: decides whether pending_ is a complete
// request, a hopeless one, or still growing. A hopeless candidate loses its 0xF0 and the bytes after
// it are fed again, which is what makes a frame behind garbage visible.
void RequestFramer::scan(std::vector<FramerEvent>& events) {
    const std::optional<std::size_t> length = RequestLength(pending_);
    if (!length) return;
    const bool complete = *length != 0 && pending_.size() == *length;
    if (*length != 0 && !complete) return;
    if (complete && pending_.back() == kFrameEnd) {
        events.push_back({FramerEvent::Kind::Request, std::move(pending_)});
        pending_.clear();
        return;
    }
    abandonPartial(events);
}

void RequestFramer::drop(std::uint8_t byte, std::vector<FramerEvent>& events) {
    if (!events.empty() && events.back().kind == FramerEvent::Kind::Dropped) {
        events.back().bytes.push_back(byte);
    } else {
        events.push_back({FramerEvent::Kind::Dropped, {byte}});
    }
}

}  // namespace plenum::sim
