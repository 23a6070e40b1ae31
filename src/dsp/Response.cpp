#include "dsp/Response.h"

#include <cassert>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace plenum {

namespace {

void AddRange(std::vector<int>& slots, int first, int count) {
    for (int i = 0; i < count; ++i) slots.push_back(first + i);
}

constexpr auto kPoints = static_cast<std::size_t>(FrequencyGrid::kPointCount);
constexpr double kLargestUsableCoefficient = 1e100;

}  // namespace

ResponseLayout SatelliteLayout() {
    using namespace sat_slots;
    ResponseLayout layout;
    layout.slotCount = kCount;
    for (int way = 0; way < 2; ++way) {
        std::vector<int> slots;
        AddRange(slots, InputBand(0), kInputBands);
        AddRange(slots, kInputXover, kMaxXoverSections);
        AddRange(slots, OutputBand(way, 0), kOutputBands);
        AddRange(slots, OutputHighPass(way), kMaxXoverSections);
        AddRange(slots, OutputLowPass(way), kMaxXoverSections);
        layout.channels.push_back(std::move(slots));
    }
    return layout;
}

ResponseLayout SubwooferLayout() {
    ResponseLayout layout;
    layout.slotCount = sub_slots::kCount;
    std::vector<int> slots;
    AddRange(slots, 0, sub_slots::kCount);
    layout.channels.push_back(std::move(slots));
    return layout;
}

bool IsUsableSection(const BiquadCoefficients& c) {
    for (const double x : {c.a1, c.a2, c.b0, c.b1, c.b2})
        if (!(std::abs(x) <= kLargestUsableCoefficient)) return false;  // also NaN
    return true;
}

DeviceResponse::DeviceResponse(const FrequencyGrid& grid, ResponseLayout layout)
    : grid_(grid),
      layout_(std::move(layout)),
      slots_(static_cast<std::size_t>(layout_.slotCount)),
      channelsOfSlot_(static_cast<std::size_t>(layout_.slotCount)),
      sums_(layout_.channels.size()),
      inverted_(layout_.channels.size(), false),
      scratchMagnitude_(kPoints),
      scratchPhase_(kPoints),
      zeros_(kPoints, 0.0) {
    for (std::size_t ch = 0; ch < layout_.channels.size(); ++ch) {
        for (const int slot : layout_.channels[ch]) {
            if (slot < 0 || slot >= layout_.slotCount) throw std::invalid_argument("response layout: slot out of range");
            channelsOfSlot_[static_cast<std::size_t>(slot)].push_back(static_cast<int>(ch));
        }
        sums_[ch].magnitudeDb.assign(kPoints, 0.0);
        sums_[ch].phaseDeg.assign(kPoints, 0.0);
    }
}

std::span<const double> DeviceResponse::slotMagnitudeDb(int slot) const {
    const Slot& s = slots_.at(static_cast<std::size_t>(slot));
    return s.flat ? std::span<const double>(zeros_) : std::span<const double>(s.magnitudeDb);
}

std::span<const double> DeviceResponse::slotPhaseDeg(int slot) const {
    const Slot& s = slots_.at(static_cast<std::size_t>(slot));
    return s.flat ? std::span<const double>(zeros_) : std::span<const double>(s.phaseDeg);
}

std::span<const double> DeviceResponse::summedMagnitudeDb(int channel) const {
    return sums_.at(static_cast<std::size_t>(channel)).magnitudeDb;
}

std::span<const double> DeviceResponse::summedPhaseDeg(int channel) const {
    return sums_.at(static_cast<std::size_t>(channel)).phaseDeg;
}

void DeviceResponse::DrawnPhaseDeg(int channel, std::span<double> out) const {
    const auto sum = summedPhaseDeg(channel);
    const double polarity = polarityInverted(channel) ? 180.0 : 0.0;
    PhaseWrapState state;
    for (std::size_t k = 0; k < kPoints; ++k) out[k] = PhaseWrapStep(state, sum[k] - polarity, k == 0);
}

void DeviceResponse::Commit(int slotIndex, bool flat) {
    Slot& slot = slotAt(slotIndex);
    if (slot.flat && flat) return;
    const double* oldMag = slot.flat ? zeros_.data() : slot.magnitudeDb.data();
    const double* oldPhase = slot.flat ? zeros_.data() : slot.phaseDeg.data();
    const double* newMag = flat ? zeros_.data() : scratchMagnitude_.data();
    const double* newPhase = flat ? zeros_.data() : scratchPhase_.data();
    for (const int ch : channelsOfSlot_[static_cast<std::size_t>(slotIndex)]) {
        double* sumMag = sums_[static_cast<std::size_t>(ch)].magnitudeDb.data();
        double* sumPhase = sums_[static_cast<std::size_t>(ch)].phaseDeg.data();
        for (std::size_t k = 0; k < kPoints; ++k) {
            sumMag[k] += newMag[k] - oldMag[k];
            sumPhase[k] += newPhase[k] - oldPhase[k];
        }
    }
    if (!flat) {
        // The slot takes the scratch buffers; its old buffers (or fresh ones) become the scratch.
        std::swap(slot.magnitudeDb, scratchMagnitude_);
        std::swap(slot.phaseDeg, scratchPhase_);
        if (scratchMagnitude_.size() != kPoints) scratchMagnitude_.assign(kPoints, 0.0);
        if (scratchPhase_.size() != kPoints) scratchPhase_.assign(kPoints, 0.0);
    }
    slot.flat = flat;
}

SlotResult DeviceResponse::SetSection(int slot, const BiquadCoefficients& c, MagnitudeRule rule) {
    if (!IsUsableSection(c)) return SlotResult::Kept;
    if (c.isIdentity()) {
        SetFlat(slot);
        return SlotResult::Updated;
    }
    EvaluateSectionOnGrid(grid_, c, rule, scratchMagnitude_, scratchPhase_);
    Commit(slot, false);
    return SlotResult::Updated;
}

void DeviceResponse::SetFlat(int slot) { Commit(slot, true); }

SlotResult DeviceResponse::SetPeqBand(int slot, const PeqBand& band) {
    if (band.isBypassed()) {
        SetFlat(slot);
        return SlotResult::Updated;
    }
    const auto type = PeqTypeFromCode(band.typeCode);
    if (!type) return SlotResult::Kept;
    if (*type == PeqType::Ext) {
        // An external filter has no IIR section; it contributes nothing to the IIR response.
        SetFlat(slot);
        return SlotResult::Updated;
    }
    const auto section = DesignPeq(band);
    if (!section) return SlotResult::Kept;
    return SetSection(slot, *section, IsAllPass(*type) ? MagnitudeRule::Flat : MagnitudeRule::Evaluate);
}

SlotResult DeviceResponse::SetCrossover(int firstSlot, int slopeCode, bool lowPass, double frequencyHz) {
    const XoverCascade cascade = XoverSlopeStages(slopeCode);
    std::array<BiquadCoefficients, kMaxXoverSections> sections{};
    for (int i = 0; i < cascade.count; ++i) {
        const auto& stage = cascade.stages[static_cast<std::size_t>(i)];
        sections[static_cast<std::size_t>(i)] = DesignXoverSection(stage.order, lowPass, frequencyHz, stage.q);
        if (!IsUsableSection(sections[static_cast<std::size_t>(i)])) return SlotResult::Kept;
    }
    for (int i = 0; i < kMaxXoverSections; ++i) {
        const int slot = firstSlot + i;
        if (i >= cascade.count) {
            SetFlat(slot);
            continue;
        }
        const auto& c = sections[static_cast<std::size_t>(i)];
        // Linkwitz-Riley slopes repeat a section: its curve is copied, not evaluated again.
        if (i > 0 && c == sections[static_cast<std::size_t>(i - 1)] && !slotIsFlat(slot - 1)) {
            const Slot& previous = slotAt(slot - 1);
            std::copy(previous.magnitudeDb.begin(), previous.magnitudeDb.end(), scratchMagnitude_.begin());
            std::copy(previous.phaseDeg.begin(), previous.phaseDeg.end(), scratchPhase_.begin());
            Commit(slot, false);
            continue;
        }
        SetSection(slot, c, MagnitudeRule::Evaluate);
    }
    return SlotResult::Updated;
}

void DeviceResponse::Resum() {
    for (std::size_t ch = 0; ch < sums_.size(); ++ch) {
        auto& sum = sums_[ch];
        std::fill(sum.magnitudeDb.begin(), sum.magnitudeDb.end(), 0.0);
        std::fill(sum.phaseDeg.begin(), sum.phaseDeg.end(), 0.0);
        for (const int slotIndex : layout_.channels[ch]) {
            const Slot& slot = slots_[static_cast<std::size_t>(slotIndex)];
            if (slot.flat) continue;
            for (std::size_t k = 0; k < kPoints; ++k) {
                sum.magnitudeDb[k] += slot.magnitudeDb[k];
                sum.phaseDeg[k] += slot.phaseDeg[k];
            }
        }
    }
}

DeviceResponse& ResponseStore::Open(int deviceSlot, const ResponseLayout& layout) {
    if (deviceSlot < 0 || deviceSlot >= kDeviceSlots) throw std::out_of_range("device slot");
    auto& entry = devices_[static_cast<std::size_t>(deviceSlot)];
    if (!entry || entry->layout() != layout) entry = std::make_unique<DeviceResponse>(grid_, layout);
    return *entry;
}

DeviceResponse* ResponseStore::Find(int deviceSlot) {
    if (deviceSlot < 0 || deviceSlot >= kDeviceSlots) return nullptr;
    return devices_[static_cast<std::size_t>(deviceSlot)].get();
}

void ResponseStore::Close(int deviceSlot) {
    if (deviceSlot >= 0 && deviceSlot < kDeviceSlots) devices_[static_cast<std::size_t>(deviceSlot)].reset();
}

int ResponseStore::openCount() const {
    int count = 0;
    for (const auto& d : devices_) count += d ? 1 : 0;
    return count;
}

}  // namespace plenum
