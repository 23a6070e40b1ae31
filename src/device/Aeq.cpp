#include "device/Aeq.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <variant>

#include "comm/AeqMessage.h"
#include "device/FirStore.h"
#include "sat/DeviceMemory.h"
#include "sat/ParamEditor.h"
#include "sat/ParamSender.h"

namespace plenum::device {
namespace {

// Slot in use, window open, a satellite, and the selected device.
bool Addressed(const AppContext& ctx, const AeqSelection& selection, int device) {
    if (device < 0 || device >= kSlotCount || device != selection.AeqDevice) return false;
    const DeviceRecord& record = ctx.device(device);
    return record.isPresent() && record.EditOpen != 0 && !record.isSub();
}

std::int16_t WriteImageByte(comm::DeviceComm& comm, int slot, int offset) {
    const std::uint8_t value = comm.context().satImage[static_cast<std::size_t>(slot)][offset];
    return WriteBlock(comm, slot, kLiveProgramAddress + static_cast<std::uint32_t>(offset),
                      std::span<const std::uint8_t>(&value, 1));
}

std::uint8_t WithBit(std::uint8_t byte, int bit, int value) {
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    return value ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
}

}  // namespace

std::vector<double> AeqTable(std::span<const double> response, std::size_t taps) {
    double peak = 0.0;
    for (const double value : response) {
        if (!std::isfinite(value)) return {};
        peak = std::max(peak, std::abs(value));
    }
    if (peak <= 0.0 || taps == 0) return {};
    std::vector<double> table(taps, 0.0);
    const std::size_t used = std::min(taps, response.size());
    for (std::size_t i = 0; i < used; ++i) table[i] = response[i] / peak;
    const std::size_t fade = taps / 8;
    for (std::size_t i = 0; i < fade; ++i) {
        // Half Hann from 1 down to (almost) 0 over the last `fade` taps.
        const double x = static_cast<double>(i + 1) / static_cast<double>(fade);
        table[taps - fade + i] *= 0.5 * (1.0 + std::cos(std::numbers::pi * x));
    }
    return table;
}

AeqOutcome ApplyAeq(comm::DeviceComm& comm, Prompter& prompter, const AeqSelection& selection, int device, int target,
                    std::span<const double> response) {
    AppContext& ctx = comm.context();
    if (!Addressed(ctx, selection, device) || target != selection.AeqTarget) return AeqOutcome::Ignored;
    if (target < 1 || target > 4) return AeqOutcome::Refused;
    const bool mir = target <= 2;
    const int way = mir ? target - 1 : target - 3;
    const std::vector<double> table = AeqTable(response, mir ? kMirTaps : kFirTaps);
    if (table.empty()) return AeqOutcome::Refused;

    const auto slot = static_cast<std::size_t>(device);
    FirStore store(comm, prompter, device, way);
    const FirStoreOutcome stored = store.store(table, mir ? kAeqMirName : kAeqFirName);
    if (stored == FirStoreOutcome::Refused) return AeqOutcome::Refused;
    if (stored != FirStoreOutcome::Done) return AeqOutcome::Failed;
    if (mir) {
        auto& kept = ctx.satExtra[slot].mir[static_cast<std::size_t>(way)];
        std::transform(table.begin(), table.end(), kept.values.begin(), [](double v) { return static_cast<float>(v); });
        kept.name = kAeqMirName;
        kept.taps = static_cast<std::int16_t>(kMirTaps);
    }
    ctx.satImage[slot][kAeqAppliedImage] = 1;
    if (WriteImageByte(comm, device, kAeqAppliedImage) != 0) return AeqOutcome::Failed;
    return AeqOutcome::Done;
}

AeqOutcome AeqSetEqBypass(comm::DeviceComm& comm, const AeqSelection& selection, int device, int target, int value) {
    AppContext& ctx = comm.context();
    if (!Addressed(ctx, selection, device)) return AeqOutcome::Ignored;
    if (target < 0 || target > 4 || (value != 0 && value != 1)) return AeqOutcome::Refused;
    ParamEditor editor(ctx, device);
    // Target 0, 3, 4: input section 0, 1, 2; target 1, 2: output way 0, 1.
    const EditResult edit = (target == 1 || target == 2) ? editor.outputEqBypass(target - 1, value != 0)
                                                         : editor.inputEqBypass(target == 0 ? 0 : target - 2, value != 0);
    if (!edit.ok()) return AeqOutcome::Refused;
    for (const EditTarget& send : edit.sends)
        if (SendParam(comm, device, send.family, send.address) != 0) return AeqOutcome::Failed;
    return AeqOutcome::Done;
}

AeqOutcome AeqSetAuxBypass(comm::DeviceComm& comm, const AeqSelection& selection, int device, int target, int value) {
    AppContext& ctx = comm.context();
    if (!Addressed(ctx, selection, device)) return AeqOutcome::Ignored;
    if (target < 1 || target > 4 || (value != 0 && value != 1)) return AeqOutcome::Refused;
    const int offset = target >= 3 ? kAeqAuxBypassFir : kAeqAuxBypassMir;
    const int bit = target >= 3 ? target - 3 : target - 1;
    auto& byte = ctx.satImage[static_cast<std::size_t>(device)][offset];
    byte = WithBit(byte, bit, value);
    if (WriteImageByte(comm, device, offset) != 0) return AeqOutcome::Failed;
    return AeqOutcome::Done;
}

int AeqFirmwareNumber(const AppContext& ctx, int slot) {
    const DeviceStatusRecord& status = ctx.statusOf(slot);
    return 100 * status[1] + 10 * status[2] + status[3];
}

bool AeqFirmwareTooOld(const AppContext& ctx, int slot) {
    if (slot < 0 || slot >= kSlotCount || !ctx.device(slot).isConnected()) return false;
    return AeqFirmwareNumber(ctx, slot) < kAeqMinFirmware;
}

AeqHandled AeqBridgeHandler::handle(std::span<const std::uint8_t> message) {
    const comm::AeqRequest request = comm::ReadAeqMessage(message);
    const std::uint8_t code = comm::AeqAnswerCode(request);
    AeqOutcome outcome = AeqOutcome::Refused;
    int slot = -1;
    if (const auto* select = std::get_if<comm::AeqSelect>(&request)) {
        if (select->device < kSlotCount && select->target >= 1 && select->target <= 4) {
            selection_ = {select->device, select->target};
            outcome = AeqOutcome::Done;
        }
    } else if (const auto* response = std::get_if<comm::AeqResponse>(&request)) {
        outcome = ApplyAeq(comm_, prompter_, selection_, response->device, response->target, response->values);
        slot = response->device;
    } else if (const auto* bypass = std::get_if<comm::AeqBypass>(&request)) {
        outcome = bypass->aux ? AeqSetAuxBypass(comm_, selection_, bypass->device, bypass->target, bypass->value)
                              : AeqSetEqBypass(comm_, selection_, bypass->device, bypass->target, bypass->value);
        slot = bypass->device;
    }
    comm::AeqStatus status = comm::AeqStatus::Refused;
    switch (outcome) {
        case AeqOutcome::Done: status = comm::AeqStatus::Done; break;
        case AeqOutcome::Ignored: status = comm::AeqStatus::Ignored; break;
        case AeqOutcome::Refused: status = comm::AeqStatus::Refused; break;
        case AeqOutcome::Failed: status = comm::AeqStatus::Failed; break;
    }
    const auto answer = comm::AeqAnswer(code, status);
    AeqHandled handled{{answer.begin(), answer.end()}, -1};
    // The window redraws whenever the records changed: after a store, also one whose close failed.
    if (slot >= 0 && (outcome == AeqOutcome::Done || outcome == AeqOutcome::Failed)) handled.redrawSlot = slot;
    return handled;
}

}  // namespace plenum::device
