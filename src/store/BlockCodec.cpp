#include "store/BlockCodec.h"

namespace plenum {

Bytes PackBlock(std::span<const std::uint8_t> plain) {
    Bytes out;
    out.reserve(plain.size() + plain.size() / 128 + 1);
    std::size_t i = 0;
    while (i < plain.size()) {
        std::size_t run = 1;
        while (i + run < plain.size() && run < 128 && plain[i + run] == plain[i]) ++run;
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(257 - run));
            out.push_back(plain[i]);
            i += run;
            continue;
        }
        // Literals up to the next run of at least three equal bytes: breaking a literal stretch for
        // a pair would cost a header and save nothing.
        auto runOfThreeAt = [&](std::size_t at) {
            return at + 2 < plain.size() && plain[at] == plain[at + 1] && plain[at] == plain[at + 2];
        };
        std::size_t count = 1;
        while (i + count < plain.size() && count < 128 && !runOfThreeAt(i + count)) ++count;
        out.push_back(static_cast<std::uint8_t>(count - 1));
        out.insert(out.end(), plain.begin() + static_cast<std::ptrdiff_t>(i),
                   plain.begin() + static_cast<std::ptrdiff_t>(i + count));
        i += count;
    }
    return out;
}

std::optional<Bytes> UnpackBlock(std::span<const std::uint8_t> packed, std::size_t plainSize) {
    Bytes out;
    out.reserve(plainSize);
    std::size_t i = 0;
    while (i < packed.size()) {
        const std::uint8_t header = packed[i++];
        if (header < 128) {
            const std::size_t count = header + 1u;
            if (packed.size() - i < count || out.size() + count > plainSize) return std::nullopt;
            out.insert(out.end(), packed.begin() + static_cast<std::ptrdiff_t>(i),
                       packed.begin() + static_cast<std::ptrdiff_t>(i + count));
            i += count;
        } else if (header > 128) {
            const std::size_t count = 257u - header;
            if (i >= packed.size() || out.size() + count > plainSize) return std::nullopt;
            out.insert(out.end(), count, packed[i++]);
        }
    }
    if (out.size() != plainSize) return std::nullopt;
    return out;
}

}  // namespace plenum
