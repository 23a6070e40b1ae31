#include "sat/FirDefaults.h"

#include "core/ImageLayout.h"

namespace plenum {
namespace {

void FillWay(SatParamImage& image, int way) {
    for (std::size_t i = 0; i < kFirDesignDefaults.size(); ++i)
        image[static_cast<std::size_t>(sat::kFirDesign + way) + 2 * i] = kFirDesignDefaults[i];
}

}  // namespace

FirDefaultsResult InitFirDefaults(SatParamImage& image) {
    FirDefaultsResult result;
    result.way0Filled = (image[505] == 0 && image[507] == 0) || (image[507] == 0 && image[511] == 0);
    result.way1Filled = (image[506] == 0 && image[508] == 0) || image[512] == 0;
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
