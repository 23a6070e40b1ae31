// Level meters: the meter table that keeps each device's last meter reply, the level byte
// (a 0.5 dB level code and an indicator bit), the bar scaling and the panel status byte.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace plenum {

// ---- Level bytes ----------------------------------------------------------------------------
// Bits 0..6: level code L (0..127), dB = L / 2 - 60 (0 -> -60 dB, 120 -> 0 dB, 127 -> +3.5 dB).
// Bit 7: the channel's clip / limit indicator is lit.
constexpr int LevelCode(std::uint8_t levelByte) { return levelByte & 0x7F; }
constexpr double LevelDb(std::uint8_t levelByte) { return LevelCode(levelByte) / 2.0 - 60.0; }
constexpr bool IndicatorLit(std::uint8_t levelByte) { return (levelByte & 0x80) != 0; }

// Horizontal bars: the length in pixels, 5 (empty, -60 dB and below) .. 465 (full, above 0 dB),
// piecewise linear with breaks at -10 and -30 dB so that the top 10 dB take half the bar.
// Rounded to the nearest integer, ties to even.
int MeterBarWidth(float levelDb);
// Vertical bars: the top row of a bar filling down to the bottom, 1530 (empty) .. 0 (full), with
// the same breaks. Rounded to the nearest integer, ties to even.
int MeterBarTop(float levelDb);
inline constexpr int kMeterBarEmptyWidth = 5;
inline constexpr int kMeterBarFullWidth = 465;
inline constexpr int kMeterBarEmptyTop = 1530;

// ---- Panel status byte (row 17) --------------------------------------------------------------
struct PanelStatus {
    bool flag1 = false;    // bit 1
    bool flag2 = false;    // bit 2
    int panelNumber = 0;   // bits 3..6
    bool operator==(const PanelStatus&) const = default;
};
// The decoded byte when any of bits 1..6 is set (the application then records it and refreshes
// the device's status display); nothing otherwise.
std::optional<PanelStatus> DecodePanelStatus(std::uint8_t statusByte);

// ---- Meter table ----------------------------------------------------------------------------
namespace meter_rows {
inline constexpr int kRows = 100;
inline constexpr int kReplyRows = 18;         // rows 0..17 come from a reply
inline constexpr int kReplyFirstByte = 4;     // reply bytes 4..21
inline constexpr std::array<int, 3> kInputs{7, 8, 9};
// Two levels per output (0..2), the even row first: 10/11, 12/13, 14/15.
constexpr std::array<int, 2> Output(int output) { return {10 + 2 * output, 11 + 2 * output}; }
inline constexpr int kPanelStatus = 17;
}  // namespace meter_rows

class MeterTable {
public:
    static constexpr int kDevices = 25;

    // Copies bytes 4..21 of a meter reply to rows 0..17 of the device's column. A reply too short
    // to hold them, or a device slot outside 0..24, changes nothing and returns false.
    bool StoreReply(int deviceSlot, std::span<const std::uint8_t> reply);
    std::uint8_t at(int row, int deviceSlot) const;  // 0 outside the table
    std::optional<PanelStatus> panelStatus(int deviceSlot) const {
        return DecodePanelStatus(at(meter_rows::kPanelStatus, deviceSlot));
    }

private:
    std::array<std::array<std::uint8_t, kDevices>, meter_rows::kRows> rows_{};
};

}  // namespace plenum
