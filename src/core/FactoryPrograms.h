// The factory programs the application builds itself: the image a newly listed device starts
// with, and what "recall factory" restores on a device that is not connected.
#pragma once

#include <cstdint>

#include "core/DeviceState.h"

namespace plenum {

// systemByte is the device's system mode (status byte 261): 0 = 2-WAY, above 0 = BRIDGE.
SatParamImage SatFactoryImage(std::uint8_t systemByte);
SubParamImage SubFactoryImage();

// Slope list position of the 1500 Hz factory crossover of a satellite: a 24 dB/oct
// Linkwitz-Riley pair in 2-WAY mode; in BRIDGE mode both amplifiers drive one way, so the
// crossover is off (bypass).
std::uint8_t FactoryCrossoverSlope(std::uint8_t systemByte);

}  // namespace plenum
