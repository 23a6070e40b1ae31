// Announce datagrams from the network: parse anything; what parses must encode back to itself.
#include <cstddef>
#include <cstdint>
#include <span>

#include "comm/Announce.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum::comm;
    const auto announce = ParseAnnounce(std::span<const std::uint8_t>(data, size));
    if (announce) {
        const auto again = EncodeAnnounce(*announce);
        if (!again || ParseAnnounce(*again) != announce) __builtin_trap();
    }
    return 0;
}
