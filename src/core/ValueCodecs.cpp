#include "core/ValueCodecs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace plenum {

double GainTableDb(int index) {
    if (index <= 0) return kGainMinDb;
    if (index <= 10) return -90.0 + 3.0 * (index - 1);
    if (index <= 40) return index - 71.0;
    if (index <= 80) return (index - 41) / 2.0 - 30.0;
    return (index - 81) / 5.0 - 10.0;
}

int GainIndexNearest(double db, int maxIndex) {
    int best = 0;
    double bestDistance = std::abs(GainTableDb(0) - db);
    for (int index = 1; index <= maxIndex; ++index) {
        const double distance = std::abs(GainTableDb(index) - db);
        // The table steps are at least 0.2 dB, so 1e-9 only absorbs rounding of the typed value.
        if (distance < bestDistance - 1e-9) {
            best = index;
            bestDistance = distance;
        }
    }
    return best;
}

std::string GainText(int index) {
    if (index <= 0) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", GainTableDb(index));
    return text;
}

int PeqGainCode(double db) {
    return std::clamp(static_cast<int>(std::lround(30.0 + 2.0 * db)), 0, kPeqGainCodeMax);
}

int QCodeNearest(double q) { return std::clamp(static_cast<int>(std::lround((q - 0.1) / 0.05)), 0, 255); }

void PutNumber(NumberBytes& bytes, double value, int start) {
    const auto rounded = static_cast<std::int64_t>(std::nearbyint(value));
    const auto word = static_cast<std::uint32_t>(rounded);
    for (int i = 0; i < 4; ++i) {
        const int at = start + i;
        if (at >= 0 && at < static_cast<int>(bytes.size()))
            bytes[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(word >> (8 * (3 - i)));
    }
}

FrequencyBytes SplitFrequency(double hz) {
    NumberBytes bytes{};
    PutNumber(bytes, hz, 0);
    return {bytes[2], bytes[3]};
}

DelayCode SplitDelayMs(double ms, double maxMs) {
    if (!(ms > 0.0)) ms = 0.0;  // also catches NaN
    ms = std::min(ms, maxMs);
    // The epsilon keeps a value like 3.4 m / 0.34 (9.999999... ms) at the 10 ms it stands for.
    const double whole = std::floor(ms + 1e-9);
    const long samples = std::lround(std::max(ms - whole, 0.0) / kDelaySampleMs);
    return {static_cast<std::uint16_t>(whole), static_cast<std::uint8_t>(std::clamp(samples, 0L, 47L))};
}

DelayCode SplitDelayMetres(double metres, double maxMs) { return SplitDelayMs(metres / kMetresPerMs, maxMs); }

double DelayMs(const DelayCode& code) { return code.wholeMs + code.samples * kDelaySampleMs; }

std::string DelayText(const DelayCode& code, bool metres) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", metres ? DelayMs(code) * kMetresPerMs : DelayMs(code));
    return text;
}

bool BitSet(int n, std::uint8_t b3, std::uint8_t b2, std::uint8_t b1, std::uint8_t b0) {
    static constexpr std::array<std::uint8_t, 8> kMasks{1, 2, 4, 8, 16, 32, 64, 128};
    if (n < 0 || n > 31) return false;
    const std::array<std::uint8_t, 4> bytes{b0, b1, b2, b3};
    return (bytes[static_cast<std::size_t>(n / 8)] & kMasks[static_cast<std::size_t>(n % 8)]) != 0;
}

}  // namespace plenum
