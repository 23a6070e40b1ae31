// The response engine's curve storage: per drawn device, one magnitude and one phase curve per
// section slot (a PEQ band, or one section of a crossover filter), and per channel the
// point-by-point sum of its slots' curves.
//
// Storage is created on demand, per device (ResponseStore::Open), and per slot only once the slot
// holds something other than a flat curve: a satellite's 87 slots of 6827 points would otherwise
// cost 9.5 MB per device even when most bands are bypassed, and 25 devices far more.
//
// Updating one slot is what a fader drag costs, so channel sums are kept up to date by adding
// the difference between the slot's new and old curves (O(points) per channel, independent of
// the number of slots). Every curve is finite (designs with coefficients beyond 1e100 are
// refused), so the sums stay finite; their rounding drift is a few ulp per update, below 1e-12 dB
// after a million updates, and Resum() recomputes them exactly at any time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "dsp/Biquad.h"
#include "dsp/FrequencyGrid.h"
#include "dsp/GraphGeometry.h"
#include "dsp/GridEvaluation.h"

namespace plenum {

// Which slots a device has and which slots each channel sums.
struct ResponseLayout {
    int slotCount = 0;
    std::vector<std::vector<int>> channels;
    bool operator==(const ResponseLayout&) const = default;
};

// Slot numbers of a satellite: 51 input bands, the input crossover, then per output way (0 LOW,
// 1 HIGH) 8 bands, the high-pass and the low-pass crossover. Channel w is output way w.
namespace sat_slots {
inline constexpr int kInputBands = 51;
inline constexpr int kOutputBands = 8;
inline constexpr int kInputXover = kInputBands;  // 4 slots
inline constexpr int kWayBase = kInputXover + kMaxXoverSections;
inline constexpr int kWayStride = kOutputBands + 2 * kMaxXoverSections;
inline constexpr int kCount = kWayBase + 2 * kWayStride;
constexpr int InputBand(int band) { return band; }
constexpr int OutputBand(int way, int band) { return kWayBase + way * kWayStride + band; }
constexpr int OutputHighPass(int way) { return kWayBase + way * kWayStride + kOutputBands; }
constexpr int OutputLowPass(int way) { return OutputHighPass(way) + kMaxXoverSections; }
}  // namespace sat_slots

// Slot numbers of a subwoofer: 5 input bands, the input crossover, 8 output bands, the output
// high-pass and low-pass. One channel.
namespace sub_slots {
inline constexpr int kInputBands = 5;
inline constexpr int kOutputBands = 8;
inline constexpr int kInputXover = kInputBands;
inline constexpr int kOutputBand0 = kInputXover + kMaxXoverSections;
inline constexpr int kOutputHighPass = kOutputBand0 + kOutputBands;
inline constexpr int kOutputLowPass = kOutputHighPass + kMaxXoverSections;
inline constexpr int kCount = kOutputLowPass + kMaxXoverSections;
constexpr int InputBand(int band) { return band; }
constexpr int OutputBand(int band) { return kOutputBand0 + band; }
}  // namespace sub_slots

ResponseLayout SatelliteLayout();
ResponseLayout SubwooferLayout();

// A design whose coefficients are infinite, NaN or beyond 1e100 in size counts as a division by
// zero or an overflow: no valid band comes near (|K| <= 3.7 for 20 kHz), and beyond it the
// squared terms of the evaluation could overflow.
bool IsUsableSection(const BiquadCoefficients& c);

// What a slot update did.
enum class SlotResult {
    Updated,
    Kept,  // the design divided by zero or overflowed, or the type code is unknown: the
           // previous curve stays
};

class DeviceResponse {
public:
    DeviceResponse(const FrequencyGrid& grid, ResponseLayout layout);

    const ResponseLayout& layout() const { return layout_; }
    const FrequencyGrid& grid() const { return grid_; }
    int channelCount() const { return static_cast<int>(sums_.size()); }

    // A PEQ band: bypassed, "Ext" and 0 dB bells and shelves are flat; all-passes add no
    // magnitude; every other type is designed and evaluated.
    SlotResult SetPeqBand(int slot, const PeqBand& band);
    // A crossover filter on kMaxXoverSections consecutive slots from firstSlot: its cascade's
    // sections, the remaining slots flat. Slope 0, the FIR stop-band entries and unknown codes
    // are flat. When any section fails, none of the slots changes.
    SlotResult SetCrossover(int firstSlot, int slopeCode, bool lowPass, double frequencyHz);
    SlotResult SetSection(int slot, const BiquadCoefficients& c, MagnitudeRule rule);
    void SetFlat(int slot);

    void SetPolarityInverted(int channel, bool inverted) { inverted_.at(static_cast<std::size_t>(channel)) = inverted; }
    bool polarityInverted(int channel) const { return inverted_.at(static_cast<std::size_t>(channel)); }

    bool slotIsFlat(int slot) const { return slots_.at(static_cast<std::size_t>(slot)).flat; }
    std::span<const double> slotMagnitudeDb(int slot) const;
    std::span<const double> slotPhaseDeg(int slot) const;

    // The channel's summed curves; the phase is the raw sum, before polarity and wrapping.
    std::span<const double> summedMagnitudeDb(int channel) const;
    std::span<const double> summedPhaseDeg(int channel) const;
    // The phase a graph draws: the sum, minus 180 degrees when the polarity is inverted, through
    // PhaseWrapStep point by point from k = 0 (reset there). out holds kPointCount values.
    void DrawnPhaseDeg(int channel, std::span<double> out) const;

    // Recomputes the channel sums from the slot curves.
    void Resum();

    // The graph's per-device view settings (zoom, offset, phase view).
    GraphView view;

private:
    struct Slot {
        bool flat = true;
        std::vector<double> magnitudeDb, phaseDeg;  // empty until the slot is first non-flat
    };
    struct Sum {
        std::vector<double> magnitudeDb, phaseDeg;
    };

    // Moves the scratch curves (or a flat curve) into the slot, updating the sums by difference.
    void Commit(int slot, bool flat);
    Slot& slotAt(int slot) { return slots_.at(static_cast<std::size_t>(slot)); }

    const FrequencyGrid& grid_;
    ResponseLayout layout_;
    std::vector<Slot> slots_;
    std::vector<std::vector<int>> channelsOfSlot_;
    std::vector<Sum> sums_;
    std::vector<bool> inverted_;
    std::vector<double> scratchMagnitude_, scratchPhase_;
    std::vector<double> zeros_;
};

// The curve storage of every device slot 0..24, created only for devices that are drawn.
class ResponseStore {
public:
    static constexpr int kDeviceSlots = 25;
    explicit ResponseStore(const FrequencyGrid& grid) : grid_(grid) {}

    // The device's curves, created (flat) when missing or when its layout changed.
    DeviceResponse& Open(int deviceSlot, const ResponseLayout& layout);
    DeviceResponse* Find(int deviceSlot);
    void Close(int deviceSlot);
    int openCount() const;

private:
    const FrequencyGrid& grid_;
    std::array<std::unique_ptr<DeviceResponse>, kDeviceSlots> devices_;
};

}  // namespace plenum
