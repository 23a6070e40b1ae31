// The loudspeaker's value codes, as pure functions: gain table, PEQ gain, Q, 16-bit frequency,
// delay split, and the NumberBytes scratch that frames multi-byte numbers big-endian.
// Callers validate typed values against the ranges (see the *Range constants) before converting;
// these functions clamp only where the device's own rules say a value is set to its limit.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace plenum {

// ---- Gain table (input, source and output gains) -------------------------------------------
inline constexpr int kGainIndexMax = 191;   // +12 dB
inline constexpr int kGainIndexZeroDb = 131;
inline constexpr double kGainMinDb = -90.5;  // index 0, shown as "-inf"

double GainTableDb(int index);
// The index whose table value is nearest to dB (ties go to the lower index), over 0..maxIndex.
int GainIndexNearest(double db, int maxIndex = kGainIndexMax);
// Gain faders run upside down: position = top index - index + 1.
constexpr int GainFaderPosition(int index, int topIndex = kGainIndexMax) { return topIndex - index + 1; }
constexpr int GainIndexFromFader(int position, int topIndex = kGainIndexMax) { return topIndex - position + 1; }
// Text shown for a gain index: "-inf" for index 0, otherwise dB with one decimal.
std::string GainText(int index);

// ---- PEQ gain code: dB = code / 2 - 15, code 0..60 ------------------------------------------
inline constexpr int kPeqGainCodeMax = 60;
inline constexpr int kPeqGainCodeZero = 30;
constexpr double PeqGainDb(int code) { return code / 2.0 - 15.0; }
int PeqGainCode(double db);  // 30 + 2*dB, rounded; caller checks -15..+15
constexpr int PeqGainCodeFromFader(int position) { return 61 - position; }  // position 1..61
constexpr int PeqGainFaderFromCode(int code) { return 61 - code; }

// Number of entries of the PEQ type list ("Bell" .. "Ext"); a band's type byte is its position.
inline constexpr int kPeqTypeCount = 18;

// ---- Q code: Q = 0.1 + 0.05 * k -------------------------------------------------------------
constexpr double QFromCode(int code) { return 0.1 + 0.05 * code; }
int QCodeNearest(double q);  // nearest k, limited to 0..255

// ---- NumberBytes / PutNumber ----------------------------------------------------------------
// An 8-byte scratch array. PutNumber rounds the value (ties to even) and writes it 32-bit
// big-endian at start..start+3. Frequencies use start 0 and bytes 2, 3; block commands use a
// 24-bit address at bytes 1..3 (start 0) and a 16-bit length at bytes 6..7 (start 4).
using NumberBytes = std::array<std::uint8_t, 8>;
void PutNumber(NumberBytes& bytes, double value, int start);

struct FrequencyBytes {
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    bool operator==(const FrequencyBytes&) const = default;
};
FrequencyBytes SplitFrequency(double hz);  // through PutNumber, start 0, bytes 2 and 3
constexpr int JoinFrequency(std::uint8_t high, std::uint8_t low) { return high * 256 + low; }

// ---- Delay ----------------------------------------------------------------------------------
// A delay is whole milliseconds (16-bit) plus extra samples of 1/48 ms (0..47).
inline constexpr double kDelaySampleMs = 0.02083334;
inline constexpr double kMetresPerMs = 0.34;
inline constexpr double kSatInputDelayMaxMs = 300.0;
inline constexpr double kSubInputDelayMaxMs = 200.0;
inline constexpr double kOutputDelayMaxMs = 40.0;

struct DelayCode {
    std::uint16_t wholeMs = 0;
    std::uint8_t samples = 0;
    std::uint8_t high() const { return static_cast<std::uint8_t>(wholeMs >> 8); }
    std::uint8_t low() const { return static_cast<std::uint8_t>(wholeMs & 0xFF); }
    bool operator==(const DelayCode&) const = default;
};
// Splits a delay; values above maxMs are set to maxMs, negative values to 0.
DelayCode SplitDelayMs(double ms, double maxMs);
DelayCode SplitDelayMetres(double metres, double maxMs);
double DelayMs(const DelayCode& code);
// The shown value with three decimals, in ms or (metres = true) in metres.
std::string DelayText(const DelayCode& code, bool metres);

// ---- Bits -----------------------------------------------------------------------------------
// Tests bit n (0..31) of the 32-bit value b3 b2 b1 b0 (most significant first); other n: false.
bool BitSet(int n, std::uint8_t b3, std::uint8_t b2, std::uint8_t b1, std::uint8_t b0);

// ---- Ranges the text boxes accept -----------------------------------------------------------
struct ValueRange {
    double min;
    double max;
    bool contains(double v) const { return v >= min && v <= max; }
};
namespace ranges {
inline constexpr ValueRange kInputGainDb{-90.5, 12.0};
inline constexpr ValueRange kSourceGainDb{-90.5, 0.0};
inline constexpr ValueRange kGateThresholdDb{-90.0, -60.0};
inline constexpr ValueRange kCompressorThresholdDb{-40.0, 0.0};
inline constexpr ValueRange kCompressorRatio{1.0, 32.0};
inline constexpr ValueRange kCompressorMakeUpDb{0.0, 12.0};
inline constexpr ValueRange kLimiterThresholdDb{-40.0, 0.0};
inline constexpr ValueRange kSatOutputMakeUpDb{-12.0, 12.0};
inline constexpr ValueRange kSubOutputMakeUpDb{-9.0, 12.0};
inline constexpr ValueRange kDlf{0.0, 100.0};
inline constexpr ValueRange kRoomCorrection{0.0, 100.0};
inline constexpr ValueRange kNoiseLevelDb{-50.0, -10.0};
inline constexpr ValueRange kPeqGainDb{-15.0, 15.0};
inline constexpr ValueRange kFrequencyHz{20.0, 20000.0};
}  // namespace ranges

// ---- Noise gate value lists (positions stored in the gate bytes) ----------------------------
inline constexpr std::array<int, 7> kGateThresholdList{-90, -85, -80, -75, -70, -65, -60};  // byte 26
inline constexpr std::array<int, 26> kGateList28{1,   2,   3,   4,   5,   10,  15,  20,  25,  30,  40,  50,  60,
                                                 70,  80,  90,  100, 200, 300, 400, 500, 600, 700, 800, 900, 1000};
inline constexpr std::array<int, 17> kGateList27{30,  40,  50,  60,  70,  80,  90,  100, 200,
                                                 300, 400, 500, 600, 700, 800, 900, 1000};

}  // namespace plenum
