// The FIR design parameters of a satellite's two output ways (image bytes 503..516, way 0 at the
// odd offsets 503, 505, ... 515 and way 1 at 504, 506, ... 516). A way whose parameters are empty
// gets the defaults before they are written to the device as one 14-byte block.
#pragma once

#include <array>
#include <cstdint>

#include "core/DeviceState.h"

namespace plenum {

// The seven default bytes of a way: 4, then 20000 Hz (78, 32), the 16-bit value 250 (0, 250),
// 59 and 1.
inline constexpr std::array<std::uint8_t, 7> kFirDesignDefaults{4, 78, 32, 0, 250, 59, 1};
inline constexpr int kFirDesignBlockSize = 14;

struct FirDefaultsResult {
    bool way0Filled = false;
    bool way1Filled = false;
    bool any() const { return way0Filled || way1Filled; }
};

// Way 0 counts as empty when bytes 505 and 507 are both zero or bytes 507 and 511 are both zero;
// way 1 when bytes 506 and 508 are both zero or byte 512 is zero. In frequencies: a way reads as
// empty when its low-pass is 0 Hz, or, on the HIGH way, when its high-pass is a multiple of 256 Hz,
// or, on the LOW way, when both its low-pass and its high-pass are multiples of 256 Hz. Reading the
// image refills such a way, so settings written to a device must never read as empty.
bool FirWayReadsEmpty(const SatParamImage& image, int way);
// Empty ways get the defaults.
FirDefaultsResult InitFirDefaults(SatParamImage& image);

// The 14 design bytes in offset order (503, 504, ... 516): pair by pair, way 0 then way 1.
std::array<std::uint8_t, kFirDesignBlockSize> PackFirDesign(const SatParamImage& image);

}  // namespace plenum
