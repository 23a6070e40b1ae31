// Drift between the project and the loudspeakers: does every device still hold what the
// application's image says? A device's status record and live program are read into a snapshot
// (nothing is written), then compared parameter by parameter under the names plenumctl's
// set / get use ("input.gain", "peq.out.1.3", ...). A difference is resolved either way: the
// project's values of the differing parameters are sent to the device (one command per family
// instance, nothing else), or the device's values are taken into the image.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "comm/DeviceComm.h"
#include "sat/ParamCommands.h"
#include "sat/ParamSender.h"

namespace plenum::device {

// One named parameter of a device kind: the family instance that carries it and the image and
// status bytes (with their bit masks) that hold its value.
struct NamedParam {
    std::string name;
    ParamFamily family;
    ParamAddress address;
    std::vector<CarriedByte> image;
    std::vector<CarriedByte> status;
};

// Every named parameter of the kind, in the order of plenumctl help params.
const std::vector<NamedParam>& NamedParams(DeviceKind kind);
const NamedParam* FindNamedParam(DeviceKind kind, const std::string& name);

// A device's memory as read: status record (address 0) and live program (address 384).
struct DeviceSnapshot {
    DeviceStatusRecord status{};
    std::vector<std::uint8_t> program;
};

// Reads the snapshot of an on-line device; nothing when any piece did not arrive. The application's
// records are not touched and nothing is written to the device.
std::optional<DeviceSnapshot> ReadSnapshot(comm::DeviceComm& comm, int slot);

// The parameters whose bytes differ between the slot's records and the snapshot.
std::vector<const NamedParam*> CompareWithSnapshot(const AppContext& ctx, int slot, const DeviceSnapshot& snapshot);

// A copy of the context in which the slot's records are the snapshot: the device's side, for
// reading values with the same code that reads the project's.
void ApplySnapshot(AppContext& scratch, int slot, const DeviceSnapshot& snapshot);

// --from project: the command of each differing family instance (each once), built from the image.
std::vector<LinkedSend> PrepareProjectToDevice(const AppContext& ctx, int slot, const std::vector<const NamedParam*>& params);
// --from device: the parameters' bytes from the snapshot into the slot's records.
void TakeFromDevice(AppContext& ctx, int slot, const DeviceSnapshot& snapshot, const std::vector<const NamedParam*>& params);

}  // namespace plenum::device
