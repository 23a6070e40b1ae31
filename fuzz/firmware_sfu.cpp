// Fuzzes the .sfu parser: any byte string is either refused with a reason or accepted as a file
// that BuildSfu reproduces byte for byte (so nothing is accepted that the format does not describe).
// A 13-byte input is also read as a loader status reply for every loader code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "comm/FirmwareImage.h"
#include "comm/FirmwareProtocol.h"

using namespace plenum::comm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const SfuParse parsed = ParseSfu(file);
    if (parsed.ok()) {
        const FirmwareImage& firmware = parsed.firmware;
        if (firmware.image.size() + kSfuHeaderLength != size) std::abort();
        if (Crc32(firmware.image) != firmware.imageCrc) std::abort();
        const auto rebuilt = BuildSfu(firmware.kind, firmware.version, firmware.image);
        if (!std::equal(rebuilt.begin(), rebuilt.end(), file.begin(), file.end())) std::abort();
    } else if (!parsed.firmware.image.empty()) {
        std::abort();
    }
    if (size == kLoaderReplyLength) {
        for (auto code : {LoaderCode::Enter, LoaderCode::Erase, LoaderCode::Write, LoaderCode::Verify,
                          LoaderCode::Boot}) {
            if (const auto reply = ParseLoaderReply(code, file)) (void)ErrorOf(reply->status);
        }
    }
    return 0;
}
