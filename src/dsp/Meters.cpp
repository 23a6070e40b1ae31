#include "dsp/Meters.h"

#include <cmath>

namespace plenum {

namespace {
// std::nearbyint rounds in the current mode, which is to-nearest-even unless changed.
int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }
}  // namespace

int MeterBarWidth(float levelDb) {
    const double db = levelDb;
    if (db > 0.0) return kMeterBarFullWidth;
    if (db > -10.0) return RoundHalfEven(240 + (db + 10) * 225 / 10);
    if (db > -30.0) return RoundHalfEven(110 + (db + 30) * 130 / 20);
    if (db > -60.0) return RoundHalfEven(5 + (db + 60) * 105 / 30);
    return kMeterBarEmptyWidth;  // also NaN
}

int MeterBarTop(float levelDb) {
    const double db = levelDb;
    if (db > 0.0) return 0;
    if (db > -10.0) return RoundHalfEven(620 - (db + 10) * 620 / 10);
    if (db > -30.0) return RoundHalfEven(1150 - (db + 30) * 530 / 20);
    if (db > -60.0) return RoundHalfEven(1530 - (db + 60) * 380 / 30);
    return kMeterBarEmptyTop;  // also NaN
}

std::optional<PanelStatus> DecodePanelStatus(std::uint8_t statusByte) {
    if ((statusByte & 0x7E) == 0) return std::nullopt;
    return PanelStatus{(statusByte & 0x02) != 0, (statusByte & 0x04) != 0, (statusByte >> 3) & 0x0F};
}

bool MeterTable::StoreReply(int deviceSlot, std::span<const std::uint8_t> reply) {
    using namespace meter_rows;
    if (deviceSlot < 0 || deviceSlot >= kDevices) return false;
    if (reply.size() < static_cast<std::size_t>(kReplyFirstByte + kReplyRows)) return false;
    for (int row = 0; row < kReplyRows; ++row)
        rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(deviceSlot)] =
            reply[static_cast<std::size_t>(kReplyFirstByte + row)];
    return true;
}

std::uint8_t MeterTable::at(int row, int deviceSlot) const {
    if (row < 0 || row >= meter_rows::kRows || deviceSlot < 0 || deviceSlot >= kDevices) return 0;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(deviceSlot)];
}

}  // namespace plenum
