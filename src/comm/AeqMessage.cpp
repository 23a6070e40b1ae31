#include "comm/AeqMessage.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace plenum::comm {
namespace {

int U16(std::span<const std::uint8_t> bytes, std::size_t at) { return bytes[at] << 8 | bytes[at + 1]; }

double F64(std::span<const std::uint8_t> bytes, std::size_t at) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i) bits |= std::uint64_t{bytes[at + i]} << (8 * i);
    return std::bit_cast<double>(bits);
}

void PutHead(std::vector<std::uint8_t>& out, AeqCode code, int device, int target) {
    out.push_back(static_cast<std::uint8_t>(code));
    out.push_back(static_cast<std::uint8_t>(device));
    out.push_back(static_cast<std::uint8_t>(target >> 8));
    out.push_back(static_cast<std::uint8_t>(target));
}

}  // namespace

AeqRequest ReadAeqMessage(std::span<const std::uint8_t> payload) {
    if (payload.empty()) return AeqUnreadable{"empty message"};
    if (payload.size() > kMaxAeqMessage) return AeqUnreadable{"message too long"};
    switch (payload[0]) {
        case static_cast<std::uint8_t>(AeqCode::Select):
            if (payload.size() != 4) return AeqUnreadable{"select: wrong length"};
            return AeqSelect{payload[1], U16(payload, 2)};
        case static_cast<std::uint8_t>(AeqCode::EqBypass):
        case static_cast<std::uint8_t>(AeqCode::AuxBypass): {
            if (payload.size() != 5) return AeqUnreadable{"bypass: wrong length"};
            if (payload[4] > 1) return AeqUnreadable{"bypass: value not 0 or 1"};
            return AeqBypass{payload[0] == static_cast<std::uint8_t>(AeqCode::AuxBypass), payload[1], U16(payload, 2),
                             payload[4]};
        }
        case static_cast<std::uint8_t>(AeqCode::Response): {
            if (payload.size() < kAeqResponseHeader) return AeqUnreadable{"response: truncated header"};
            const auto count = static_cast<std::size_t>(U16(payload, 4));
            if (count == 0 || count > kMaxAeqCoefficients) return AeqUnreadable{"response: count out of range"};
            if (payload.size() != kAeqResponseHeader + 8 * count) return AeqUnreadable{"response: length does not match count"};
            AeqResponse response{payload[1], U16(payload, 2), {}};
            response.values.reserve(count);
            for (std::size_t i = 0; i < count; ++i) {
                const double value = F64(payload, kAeqResponseHeader + 8 * i);
                if (!std::isfinite(value)) return AeqUnreadable{"response: value not finite"};
                response.values.push_back(value);
            }
            return response;
        }
        default:
            return AeqUnreadable{"unknown code"};
    }
}

std::uint8_t AeqAnswerCode(const AeqRequest& request) {
    if (std::holds_alternative<AeqSelect>(request)) return static_cast<std::uint8_t>(AeqCode::Select) | kAeqAnswerBit;
    if (std::holds_alternative<AeqResponse>(request)) return static_cast<std::uint8_t>(AeqCode::Response) | kAeqAnswerBit;
    if (const auto* bypass = std::get_if<AeqBypass>(&request))
        return static_cast<std::uint8_t>(bypass->aux ? AeqCode::AuxBypass : AeqCode::EqBypass) | kAeqAnswerBit;
    return kAeqUnreadable;
}

std::array<std::uint8_t, 2> AeqAnswer(std::uint8_t code, AeqStatus status) {
    return {code, static_cast<std::uint8_t>(status)};
}

std::vector<std::uint8_t> AeqSelectMessage(int device, int target) {
    std::vector<std::uint8_t> out;
    PutHead(out, AeqCode::Select, device, target);
    return out;
}

std::vector<std::uint8_t> AeqResponseMessage(int device, int target, std::span<const double> values) {
    std::vector<std::uint8_t> out;
    PutHead(out, AeqCode::Response, device, target);
    out.push_back(static_cast<std::uint8_t>(values.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(values.size()));
    for (const double value : values) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    return out;
}

std::vector<std::uint8_t> AeqBypassMessage(bool aux, int device, int target, int value) {
    std::vector<std::uint8_t> out;
    PutHead(out, aux ? AeqCode::AuxBypass : AeqCode::EqBypass, device, target);
    out.push_back(static_cast<std::uint8_t>(value));
    return out;
}

}  // namespace plenum::comm
