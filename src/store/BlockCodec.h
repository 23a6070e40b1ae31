// The codec for packed blocks in project and backup files: PackBits run-length coding (the
// TIFF/Apple scheme). Settings blocks are mostly coefficient tables with long runs of zeros, so
// it saves space, it is invertible, and its worst case grows the data by one byte in 128.
//
// Format: a header byte n, then
//   n in 0..127     n + 1 literal bytes follow
//   n in 129..255   the next byte repeated 257 - n times (2..128)
//   n = 128         no operation
#pragma once

#include <optional>
#include <span>

#include "core/BinaryIO.h"

namespace plenum {

Bytes PackBlock(std::span<const std::uint8_t> plain);
// Decodes a packed block whose plain size must be exactly plainSize; anything else (truncated
// runs, too many bytes) is refused.
std::optional<Bytes> UnpackBlock(std::span<const std::uint8_t> packed, std::size_t plainSize);

}  // namespace plenum
