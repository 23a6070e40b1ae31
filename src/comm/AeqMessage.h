// The messages of the automatic-EQ bridge, inside the bridge server's length-prefixed frames
// (docs/aeq-bridge.md). Pure byte work: the reader accepts exactly the layouts below and refuses
// anything else, so whatever a client sends can only end in a refusal.
//
// Requests (client to program), multi-byte integers big-endian:
//   0x01 select    device u8, target u16                       (4 bytes)
//   0x02 response  device u8, target u16, count u16, count x f64 little-endian IEEE 754
//                  (6 + 8 * count bytes, 1 <= count <= kMaxAeqCoefficients, every value finite)
//   0x03 EQ bypass device u8, target u16, value u8 (0 or 1)    (5 bytes)
//   0x04 AUX bypass device u8, target u16, value u8 (0 or 1)   (5 bytes)
// Answer (program to client), one per request: code | 0x80, status (AeqStatus); a request that
// could not be read is answered with code 0xFF and Refused.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace plenum::comm {

inline constexpr std::size_t kMaxAeqCoefficients = 4096;
inline constexpr std::size_t kAeqResponseHeader = 6;
inline constexpr std::size_t kMaxAeqMessage = kAeqResponseHeader + 8 * kMaxAeqCoefficients;  // 32774

enum class AeqCode : std::uint8_t { Select = 0x01, Response = 0x02, EqBypass = 0x03, AuxBypass = 0x04 };
inline constexpr std::uint8_t kAeqAnswerBit = 0x80;
inline constexpr std::uint8_t kAeqUnreadable = 0xFF;

enum class AeqStatus : std::uint8_t {
    Done = 0,     // selected, applied or switched
    Ignored = 1,  // the device or target is not the selected one, its slot is not in use or its window is closed
    Refused = 2,  // the message could not be read or its values are out of range
    Failed = 3    // the loudspeaker did not answer; the program reported it
};

struct AeqSelect {
    int device = 0;
    int target = 0;
};
struct AeqResponse {
    int device = 0;
    int target = 0;
    std::vector<double> values;
};
struct AeqBypass {
    bool aux = false;  // false: equaliser bypass, true: AUX bypass
    int device = 0;
    int target = 0;
    int value = 0;
};
struct AeqUnreadable {
    std::string reason;
};
using AeqRequest = std::variant<AeqSelect, AeqResponse, AeqBypass, AeqUnreadable>;

AeqRequest ReadAeqMessage(std::span<const std::uint8_t> payload);

// The code a request is answered with.
std::uint8_t AeqAnswerCode(const AeqRequest& request);
std::array<std::uint8_t, 2> AeqAnswer(std::uint8_t code, AeqStatus status);

// Client side (tests, tools): the payloads of the requests.
std::vector<std::uint8_t> AeqSelectMessage(int device, int target);
std::vector<std::uint8_t> AeqResponseMessage(int device, int target, std::span<const double> values);
std::vector<std::uint8_t> AeqBypassMessage(bool aux, int device, int target, int value);

}  // namespace plenum::comm
