#include "comm/FirmwareProtocol.h"

#include <cassert>

#include "comm/Frame.h"

namespace plenum::comm {

namespace {

constexpr std::uint8_t Byte(LoaderCode code) {
    return static_cast<std::uint8_t>(code);
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::vector<std::uint8_t> Short(LoaderCode code, const std::array<std::uint8_t, 8>& params) {
    std::vector<std::uint8_t> frame{kFrameStart, kFrameMarker, kLoaderBusId, Byte(code)};
    frame.insert(frame.end(), params.begin(), params.end());
    frame.push_back(kFrameEnd);
    return frame;
}

}  // namespace

std::vector<std::uint8_t> BuildLoaderEnter(const FirmwareImage& firmware) {
    const auto length = static_cast<std::uint32_t>(firmware.image.size());
    return Short(LoaderCode::Enter,
                 {static_cast<std::uint8_t>(firmware.kind), firmware.version[0], firmware.version[1],
                  firmware.version[2], static_cast<std::uint8_t>(length >> 24),
                  static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 8),
                  static_cast<std::uint8_t>(length)});
}

std::vector<std::uint8_t> BuildLoaderErase() {
    return Short(LoaderCode::Erase, {});
}

std::vector<std::uint8_t> BuildLoaderWrite(std::uint32_t offset, std::span<const std::uint8_t> data) {
    assert(!data.empty() && data.size() + kLoaderCrcLength <= kBlockBufferSize && offset <= kMaxLoaderOffset);
    const std::size_t n = data.size() + kLoaderCrcLength;
    std::vector<std::uint8_t> frame{kFrameStart, kFrameMarker, kLoaderBusId, Byte(LoaderCode::Write)};
    frame.reserve(n + kLoaderWriteOverhead);
    PutBigEndian(frame, offset, 3);
    PutBigEndian(frame, static_cast<std::uint32_t>(n), 2);
    frame.insert(frame.end(), data.begin(), data.end());
    PutBigEndian(frame, Crc32(data), 4);
    frame.push_back(kFrameEnd);
    return frame;
}

std::vector<std::uint8_t> BuildLoaderVerify(std::uint32_t imageCrc) {
    return Short(LoaderCode::Verify,
                 {static_cast<std::uint8_t>(imageCrc >> 24), static_cast<std::uint8_t>(imageCrc >> 16),
                  static_cast<std::uint8_t>(imageCrc >> 8), static_cast<std::uint8_t>(imageCrc)});
}

std::vector<std::uint8_t> BuildLoaderBoot() {
    return Short(LoaderCode::Boot, {});
}

std::optional<LoaderReply> ParseLoaderReply(LoaderCode code, std::span<const std::uint8_t> reply) {
    if (reply.size() != kLoaderReplyLength || reply[0] != kFrameStart || reply[1] != kFrameMarker ||
        reply[3] != Byte(code) || reply[kLoaderReplyLength - 1] != kFrameEnd) {
        return std::nullopt;
    }
    LoaderReply parsed;
    parsed.status = static_cast<LoaderStatus>(reply[4]);
    for (std::size_t i = 0; i < parsed.data.size(); ++i) parsed.data[i] = reply[5 + i];
    return parsed;
}

FwLoadError ErrorOfStatusByte(std::uint8_t status) {
    switch (status) {
        case 0:
            return FwLoadError::None;
        case 1:
            return FwLoadError::WrongFile;
        case 2:
            return FwLoadError::Protected;
        case 3:
            return FwLoadError::EraseFailed;
        case 4:
            return FwLoadError::WriteFailed;
        case 5:
            return FwLoadError::CantConnect;
        case 7:
            return FwLoadError::Checksum;
        case 8:
            return FwLoadError::ModeUnavailable;
        case 9:
            return FwLoadError::WriteFailed;
        default:
            return FwLoadError::Checksum;
    }
}

FwLoadError ErrorOf(LoaderStatus status) {
    return ErrorOfStatusByte(static_cast<std::uint8_t>(status));
}

}  // namespace plenum::comm
