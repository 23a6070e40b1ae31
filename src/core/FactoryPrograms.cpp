#include "core/FactoryPrograms.h"

#include <array>
#include <string_view>

#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"

namespace plenum {
namespace {

constexpr std::string_view kFactoryName = "FACTORY PRESET  ";  // 16 characters
constexpr std::string_view kFlatName = "FLAT            ";

// Default frequencies of the 51 input bands: the octave list repeated band by band.
constexpr std::array<int, 8> kOctaveList{63, 125, 250, 500, 1000, 2000, 4000, 8000};
// Low bytes of the subwoofer's default output-band frequencies (high bytes are 0).
constexpr std::array<std::uint8_t, 8> kSubBandList{25, 31, 40, 50, 63, 80, 100, 125};
// Room bands 10..40 of the satellite input start narrower (Q 2.3) than the others (Q 1.25).
constexpr int kRoomBandFirst = 10;
constexpr int kRoomBandLast = 40;
constexpr std::uint8_t kDefaultQCode = 23;
constexpr std::uint8_t kRoomQCode = 44;

template <std::size_t N>
void PutText(ByteImage<N>& image, int offset, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) image[static_cast<std::size_t>(offset) + i] =
        static_cast<std::uint8_t>(text[i]);
}

template <std::size_t N>
void PutFrequency(ByteImage<N>& image, int highOffset, int lowOffset, double hz) {
    const FrequencyBytes f = SplitFrequency(hz);
    image[static_cast<std::size_t>(highOffset)] = f.high;
    image[static_cast<std::size_t>(lowOffset)] = f.low;
}

}  // namespace

std::uint8_t FactoryCrossoverSlope(std::uint8_t systemByte) { return systemByte == 0 ? 7 : 0; }

SatParamImage SatFactoryImage(std::uint8_t systemByte) {
    using namespace sat;
    SatParamImage image;
    PutText(image, kProgramName, kFactoryName);
    image[17] = 17, image[18] = 131, image[19] = 131;
    image[kInputGain] = kGainIndexZeroDb;
    image[26] = 5, image[27] = 10, image[28] = 138;
    image[29] = 100, image[30] = 228;
    image[31] = 0, image[32] = 0, image[33] = 20;
    image[kInputEqBypass] = 7;
    for (int band = 0; band < kInputBands; ++band) {
        image[static_cast<std::size_t>(kInPeqType + band)] = 0;
        PutFrequency(image, kInPeqFreqHigh + band, kInPeqFreqLow + band,
                     kOctaveList[static_cast<std::size_t>(band) % kOctaveList.size()]);
        const bool room = band >= kRoomBandFirst && band <= kRoomBandLast;
        image[static_cast<std::size_t>(kInPeqQ + band)] = room ? kRoomQCode : kDefaultQCode;
        image[static_cast<std::size_t>(kInPeqGain + band)] = kPeqGainCodeZero;
    }
    image[290] = 3;
    for (std::size_t i = 0; i < kFlatName.size(); ++i) {
        image[291 + 2 * i] = static_cast<std::uint8_t>(kFlatName[i]);
        image[292 + 2 * i] = static_cast<std::uint8_t>(kFlatName[i]);
    }
    image[325] = 1, image[326] = 1;
    constexpr std::array<std::uint8_t, 7> kCompressor{0, 200, 31, 132, 30, 0, 0};
    for (std::size_t i = 0; i < kCompressor.size(); ++i) image[kCompressorAuto + i] = kCompressor[i];
    image[kOutputGain] = kGainIndexZeroDb, image[kOutputGain + 1] = kGainIndexZeroDb;

    const std::uint8_t slope = FactoryCrossoverSlope(systemByte);
    // LOW way: high-pass off at 50 Hz, low-pass at 1500 Hz. HIGH way: high-pass at 1500 Hz,
    // low-pass off at 20000 Hz.
    image[kOutHpSlope + 0] = 0;
    PutFrequency(image, kOutHpFreqHigh + 0, kOutHpFreqLow + 0, 50);
    image[kOutLpSlope + 0] = slope;
    PutFrequency(image, kOutLpFreqHigh + 0, kOutLpFreqLow + 0, 1500);
    image[kOutHpSlope + 1] = slope;
    PutFrequency(image, kOutHpFreqHigh + 1, kOutHpFreqLow + 1, 1500);
    image[kOutLpSlope + 1] = 0;
    PutFrequency(image, kOutLpFreqHigh + 1, kOutLpFreqLow + 1, 20000);

    image[kOutputEqBypass] = 3;
    constexpr std::array<std::uint8_t, 6> kOutCompressorValues{200, 31, 132, 30, 0, 0};
    for (std::size_t field = 0; field < kOutCompressorValues.size(); ++field)
        for (std::size_t way = 0; way < 2; ++way) image[kOutCompressor + 2 * field + way] = kOutCompressorValues[field];
    for (std::size_t way = 0; way < 2; ++way) {
        image[kLimiterThird + way] = 200;
        image[kLimiterFirst + way] = 9;
        image[kLimiterSecond + way] = 130;
    }
    image[kRoomCorrection] = 100;
    image[kProgramSystem] = systemByte;
    return image;
}

SubParamImage SubFactoryImage() {
    using namespace sub;
    SubParamImage image;
    PutText(image, kProgramName, kFactoryName);
    image[17] = 23;
    image[18] = 131, image[19] = 131, image[kInputGain] = 131;
    image[26] = 5, image[27] = 10, image[28] = 138;
    image[kDlf] = 228;
    image[30] = 0, image[31] = 0, image[32] = 20;
    image[kInputEqBypass] = 1;
    constexpr std::array<std::uint8_t, 7> kCompressor{0, 200, 31, 132, 30, 0, 0};
    for (std::size_t i = 0; i < kCompressor.size(); ++i) image[kCompressorAuto + i] = kCompressor[i];
    image[kOutputGain] = 131;
    image[70] = 0, image[71] = 0, image[72] = 20;
    image[73] = 6, image[74] = 0, image[75] = 100;
    image[kOutputEqBypass] = 1;
    for (std::size_t band = 0; band < kOutputBands; ++band) {
        image[kOutPeqQ + band] = 44;
        image[kOutPeqGain + band] = kPeqGainCodeZero;
        image[kOutPeqFreqHigh + band] = 0;
        image[kOutPeqFreqLow + band] = kSubBandList[band];
    }
    constexpr std::array<std::uint8_t, 6> kOutCompressorValues{200, 31, 132, 30, 0, 0};
    for (std::size_t i = 0; i < kOutCompressorValues.size(); ++i) image[kOutCompressor + i] = kOutCompressorValues[i];
    image[123] = 200, image[124] = 9, image[125] = 130;
    return image;
}

}  // namespace plenum
