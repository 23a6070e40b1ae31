// A bridge client's byte stream: any bytes in any split give messages no larger than the limit.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "comm/BridgeServer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum::comm;
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    BridgeMessageFramer framer;
    std::vector<std::vector<std::uint8_t>> messages;
    for (std::size_t at = 1; at < size; at += piece) {
        const std::size_t take = piece < size - at ? piece : size - at;
        if (framer.feed(std::span<const std::uint8_t>(data + at, take), messages) ==
            BridgeMessageFramer::Status::TooLong)
            break;
    }
    for (const auto& message : messages)
        if (message.size() > kMaxBridgeMessage) __builtin_trap();
    return 0;
}
