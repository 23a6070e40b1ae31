// Fuzzes the simulator's request framing and the device's answer to whatever frames come out:
// the first input byte picks the link (network or USB) and a chunk size, the rest is the byte stream
// a host might send. Every request must come out whole and framed, every byte must be accounted for,
// and the device must answer each request with exactly the reply length of its code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "sim/DeviceModel.h"
#include "sim/RequestFramer.h"

using namespace plenum::sim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool network = (data[0] & 1) != 0;
    const std::size_t chunk = 1 + (data[0] >> 1);
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    static DeviceModel satellite(DeviceIdentity{0, 0, 1, 2, {}}, 1);
    static DeviceModel subwoofer(DeviceIdentity{1, 0, 1, 2, {}}, 1);
    RequestFramer framer(network);
    std::vector<FramerEvent> events;
    for (std::size_t offset = 0; offset < stream.size(); offset += chunk) {
        framer.feed(stream.subspan(offset, std::min(chunk, stream.size() - offset)), events);
        if (offset % 3 == 0) framer.abandonPartial(events);
    }
    std::size_t accounted = framer.pendingSize();
    for (const auto& event : events) {
        accounted += event.bytes.size();
        if (event.kind != FramerEvent::Kind::Request) continue;
        if (RequestLength(event.bytes) != event.bytes.size() || event.bytes.back() != kFrameEnd) std::abort();
        const Request request{event.bytes, network ? LinkKind::Network : LinkKind::Usb};
        for (DeviceModel* device : {&satellite, &subwoofer}) {
            const auto reply = device->handle(request);
            if (reply.size() !=
                ReplyLength(request.code(), device->identity().isSub(), request.blockLength())) {
                std::abort();
            }
        }
    }
    if (accounted != stream.size() || framer.pendingSize() > kMaxRequestLength) std::abort();
    return 0;
}
