#include "comm/Frame.h"

#include "core/ValueCodecs.h"

#include <algorithm>

namespace plenum::comm {

FrameForm FormOf(std::uint8_t code) {
    switch (static_cast<CommandCode>(code)) {
        case CommandCode::NinePayload: return FrameForm::NinePayload;
        case CommandCode::BlockWrite: return FrameForm::BlockWrite;
        default: return FrameForm::Short;
    }
}

std::size_t RequestLength(std::uint8_t code, const CommandParams& params) {
    switch (FormOf(code)) {
        case FrameForm::Short: return kShortFrameLength;
        case FrameForm::NinePayload: return kNinePayloadFrameLength;
        case FrameForm::BlockWrite: return BlockLength(params) + kBlockWriteOverhead;
    }
    return kShortFrameLength;
}

std::size_t ReplyLength(std::uint8_t code, const CommandParams& params, DeviceFamily family) {
    switch (static_cast<CommandCode>(code)) {
        case CommandCode::Identify: return 30;
        case CommandCode::BlockRead: return BlockLength(params) + 5;  // F0 78 id 16 block F7
        case CommandCode::MeterPoll: return 23;
        case CommandCode::Offline: return 13;
        case CommandCode::Long96:
        case CommandCode::Long115: return family == DeviceFamily::Sub ? 5 : 13;
        default: return 5;  // the acknowledge frame, 17, 23 and 25..28 included
    }
}

FrameError BuildRequest(std::uint8_t busId, std::uint8_t code, const CommandParams& params,
                        const BlockBuffer& block, std::vector<std::uint8_t>& out) {
    out.clear();
    const FrameForm form = FormOf(code);
    if (form == FrameForm::BlockWrite && BlockLength(params) > block.size()) return FrameError::BlockTooLong;
    // Sized once and filled in place: a frame is written without reallocation.
    out.resize(RequestLength(code, params));
    out[0] = kFrameStart;
    out[1] = kFrameMarker;
    out[2] = code == ToByte(CommandCode::Identify) ? 0 : busId;
    out[3] = code;
    auto body = out.begin() + 4;
    switch (form) {
        case FrameForm::Short: std::copy(params.begin(), params.end(), body); break;
        case FrameForm::NinePayload: std::copy_n(block.begin(), 9, body); break;
        case FrameForm::BlockWrite:
            body = std::copy_n(params.begin(), 5, body);
            std::copy_n(block.begin(), BlockLength(params), body);
            break;
    }
    out.back() = kFrameEnd;
    return FrameError::None;
}

ReplyClass ClassifyReply(std::span<const std::uint8_t> reply) {
    if (!reply.empty() && reply.front() == kFrameStart && reply.back() == kFrameEnd) return ReplyClass::Valid;
    const bool empty = std::all_of(reply.begin(), reply.end(), [](std::uint8_t b) { return b == 0; });
    return empty ? ReplyClass::Empty : ReplyClass::Garbled;
}

std::optional<std::uint8_t> IdentifiedBusId(std::span<const std::uint8_t> reply) {
    if (reply.size() < 5 || reply[4] != kFrameMarker) return std::nullopt;
    return reply[2];
}

CommandParams BlockTransferParams(std::uint32_t address, std::size_t length) {
    NumberBytes number{};
    PutNumber(number, address, 0);
    PutNumber(number, static_cast<double>(length), 4);
    return {number[1], number[2], number[3], number[6], number[7], 0, 0, 0};
}

}  // namespace plenum::comm
