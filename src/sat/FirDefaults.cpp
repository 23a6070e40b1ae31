#include "sat/FirDefaults.h"

#include "core/ImageLayout.h"
#include "sat/FirSettings.h"

namespace plenum {
namespace {

void FillWay(SatParamImage& image, int way) {
    for (std::size_t i = 0; i < kFirDesignDefaults.size(); ++i)
        image[static_cast<std::size_t>(sat::kFirDesign + way) + 2 * i] = kFirDesignDefaults[i];
}

}  // namespace

bool FirWayReadsEmpty(const SatParamImage& image, int way) {
    auto byte = [&](int i) { return image[static_cast<std::size_t>(FirWayByte(way, i))]; };
    const bool lowPassZero = byte(1) == 0 && byte(2) == 0;
    const bool highPassLowByteZero = byte(4) == 0;
    if (way == 0) return lowPassZero || (byte(2) == 0 && highPassLowByteZero);
    return lowPassZero || highPassLowByteZero;
}

FirDefaultsResult InitFirDefaults(SatParamImage& image) {
    FirDefaultsResult result;
    result.way0Filled = FirWayReadsEmpty(image, 0);
    result.way1Filled = FirWayReadsEmpty(image, 1);
    if (result.way0Filled) FillWay(image, 0);
    if (result.way1Filled) FillWay(image, 1);
    return result;
}

std::array<std::uint8_t, kFirDesignBlockSize> PackFirDesign(const SatParamImage& image) {
    std::array<std::uint8_t, kFirDesignBlockSize> block{};
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = image[sat::kFirDesign + i];
    return block;
}

}  // namespace plenum
