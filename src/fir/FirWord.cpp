#include "fir/FirWord.h"

#include <algorithm>
#include <cmath>

namespace plenum::fir {

std::int32_t EncodeFirWord(double coefficient) {
    const double scaled = std::nearbyint(coefficient * kFirWordScale);
    const auto v = static_cast<std::int32_t>(
        std::clamp(scaled, -static_cast<double>(kFirWordNegative), static_cast<double>(kFirWordNegative - 1)));
    return v < 0 ? kFirWordModulus + v : v;
}

double DecodeFirWord(std::int32_t word) {
    const std::int32_t w = word & (kFirWordModulus - 1);
    if (w < kFirWordNegative) return w / kFirWordScale;
    return -(kFirWordModulus - w) / kFirWordScale;
}

std::array<std::uint8_t, kFirWordBytes> FirWordBytes(std::int32_t word) {
    const auto w = static_cast<std::uint32_t>(word);
    return {static_cast<std::uint8_t>(w >> 16), static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w)};
}

std::int32_t FirWordFromBytes(std::span<const std::uint8_t, kFirWordBytes> bytes) {
    return (static_cast<std::int32_t>(bytes[0]) << 16) | (static_cast<std::int32_t>(bytes[1]) << 8) | bytes[2];
}

FirWords EncodeFirWords(std::span<const double> coefficients) {
    FirWords words{};
    const std::size_t count = std::min(coefficients.size(), words.size());
    for (std::size_t i = 0; i < count; ++i) words[i] = EncodeFirWord(coefficients[i]);
    return words;
}

FirWords FirWordsOf(const CoefficientTable<kFirTaps>& table) {
    FirWords words{};
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = EncodeFirWord(table.values[i]);
    return words;
}

void KeepFirWords(CoefficientTable<kFirTaps>& table, const FirWords& words) {
    for (std::size_t i = 0; i < words.size(); ++i) table.values[i] = static_cast<float>(DecodeFirWord(words[i]));
}

std::vector<std::uint8_t> FirWordStream(const FirWords& words) {
    std::vector<std::uint8_t> stream;
    stream.reserve(words.size() * kFirWordBytes);
    for (std::int32_t word : words) {
        const auto bytes = FirWordBytes(word);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
    return stream;
}

}  // namespace plenum::fir
