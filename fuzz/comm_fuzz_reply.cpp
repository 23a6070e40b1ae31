// Replies off the wire: the framing check and the identify rule must take any bytes; request
// building must take any code and parameters and never write past its buffers.
#include <cstddef>
#include <cstdint>
#include <span>

#include "comm/Frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum::comm;
    const std::span<const std::uint8_t> bytes(data, size);
    (void)ClassifyReply(bytes);
    (void)IdentifiedBusId(bytes);
    if (size >= 10) {
        CommandParams params{};
        for (std::size_t i = 0; i < params.size(); ++i) params[i] = data[2 + i];
        BlockBuffer block{};
        std::vector<std::uint8_t> frame;
        if (BuildRequest(data[0], data[1], params, block, frame) == FrameError::None) {
            if (frame.size() != RequestLength(data[1], params) || frame.back() != kFrameEnd) __builtin_trap();
        }
        (void)ReplyLength(data[1], params, data[0] & 1 ? DeviceFamily::Sub : DeviceFamily::Sat);
    }
    return 0;
}
