// An automatic-EQ bridge message: any bytes are read or refused, and what is read keeps the limits.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "comm/AeqMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum::comm;
    const AeqRequest request = ReadAeqMessage(std::span<const std::uint8_t>(data, size));
    if (const auto* response = std::get_if<AeqResponse>(&request)) {
        if (response->values.empty() || response->values.size() > kMaxAeqCoefficients) __builtin_trap();
        for (const double value : response->values)
            if (!std::isfinite(value)) __builtin_trap();
    }
    if (const auto* bypass = std::get_if<AeqBypass>(&request))
        if (bypass->value != 0 && bypass->value != 1) __builtin_trap();
    (void)AeqAnswerCode(request);
    return 0;
}
