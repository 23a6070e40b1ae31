// The level indicator of a device tile: one bar for the loudest input and one for the loudest
// output of the device's last meter reply, each with the clip lamp lit when any of its channels
// reports its indicator. The tile is a glance at the whole loudspeaker, so the per-channel detail
// stays in the edit window.
#pragma once

#include <cstdint>

#include "dsp/Meters.h"

namespace plenum::ui {

struct TileLevels {
    std::uint8_t input = 0;   // a level byte: the highest input code, bit 7 when any input clips
    std::uint8_t output = 0;  // the same over every output row
    bool operator==(const TileLevels&) const = default;
};

TileLevels PeakLevels(const MeterTable& table, int slot);

// The length of a tile bar for a level byte, as a fraction 0..1 of the whole bar: the meter scale
// of the edit windows (MeterBarWidth), so a tile and an editor show a level at the same place.
double TileBarFraction(std::uint8_t levelByte);

}  // namespace plenum::ui
