#include "ui/logic/TileMeter.h"

#include <algorithm>

namespace plenum::ui {
namespace {

// Highest level code of the rows, with the indicator bit when any row has it.
template <typename Rows>
std::uint8_t Peak(const MeterTable& table, int slot, const Rows& rows) {
    int code = 0;
    bool lit = false;
    for (const int row : rows) {
        const std::uint8_t byte = table.at(row, slot);
        code = std::max(code, LevelCode(byte));
        lit = lit || IndicatorLit(byte);
    }
    return static_cast<std::uint8_t>(code | (lit ? 0x80 : 0));
}

}  // namespace

TileLevels PeakLevels(const MeterTable& table, int slot) {
    constexpr int kOutputRows[] = {10, 11, 12, 13, 14, 15};
    return {Peak(table, slot, meter_rows::kInputs), Peak(table, slot, kOutputRows)};
}

double TileBarFraction(std::uint8_t levelByte) {
    const int width = MeterBarWidth(static_cast<float>(LevelDb(levelByte)));
    return static_cast<double>(width - kMeterBarEmptyWidth) / (kMeterBarFullWidth - kMeterBarEmptyWidth);
}

}  // namespace plenum::ui
