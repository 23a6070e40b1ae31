// The loudspeaker's FIR coefficient word: 24-bit two's complement with 21 fractional bits, three
// bytes per tap, most significant first. A coefficient c becomes round(c * 2^21); a negative value
// is held as 2^24 + v. The device's range is therefore -4 .. 4 - 2^-21; the file parsers refuse
// anything at or beyond +-4 before a coefficient gets here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/DeviceState.h"

namespace plenum::fir {

inline constexpr double kFirWordScale = 2097152.0;  // 2^21
inline constexpr std::int32_t kFirWordModulus = 16777216;  // 2^24
inline constexpr std::int32_t kFirWordNegative = 8388608;  // 2^23: words from here on are negative
inline constexpr std::size_t kFirWordBytes = 3;

// round(c * 2^21), negatives as 2^24 + v. A coefficient that rounds to +2^23 (c within 2^-22 of
// +4) is held as the largest positive word instead of wrapping to -4.
std::int32_t EncodeFirWord(double coefficient);
// w / 2^21 below 2^23, else -(2^24 - w) / 2^21. Only the low 24 bits of `word` count.
double DecodeFirWord(std::int32_t word);

// The three wire bytes of a word, most significant first, and back.
std::array<std::uint8_t, kFirWordBytes> FirWordBytes(std::int32_t word);
std::int32_t FirWordFromBytes(std::span<const std::uint8_t, kFirWordBytes> bytes);

// The 1024 words of an output way, taps beyond the coefficients' count 0.
using FirWords = std::array<std::int32_t, kFirTaps>;
FirWords EncodeFirWords(std::span<const double> coefficients);

// The application keeps an output way's FIR as the coefficient each sent word stands for. A word
// has at most 24 significant bits, so its value is exact in a float and the words come back
// unchanged: the table is the record of the sent words.
FirWords FirWordsOf(const CoefficientTable<kFirTaps>& table);
void KeepFirWords(CoefficientTable<kFirTaps>& table, const FirWords& words);

// The words laid out for the wire: three bytes each, in tap order.
std::vector<std::uint8_t> FirWordStream(const FirWords& words);

}  // namespace plenum::fir
