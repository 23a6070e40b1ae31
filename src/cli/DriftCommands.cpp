// plenumctl diff / sync: does every loudspeaker still play what the project says? diff reads each
// on-line device into a snapshot and lists, per parameter name, the project's and the device's
// value (nothing is written anywhere); sync resolves the differences one way: --from project sends
// the project's values of the differing parameters (nothing else), --from device takes the
// device's values into the project.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/Commands.h"
#include "comm/DeviceComm.h"
#include "device/Drift.h"
#include "device/ParamValues.h"

namespace plenum::cli {
namespace {

using json = nlohmann::json;

// The slots a SLOT|all argument names: every listed on-line device for "all".
std::optional<std::vector<int>> Targets(CliSession& session, const std::string& target) {
    const AppContext& ctx = session.ctx();
    std::vector<int> slots;
    if (target == "all") {
        for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
            if (ctx.device(slot).isPresent() && ctx.device(slot).isConnected()) slots.push_back(slot);
        return slots;
    }
    int slot = 0;
    if (!(std::istringstream(target) >> slot) || std::to_string(slot) != target || slot < 1 || slot > 24) {
        session.err() << "plenumctl: '" << target << "' is not a slot (1-24) or 'all'\n";
        return std::nullopt;
    }
    if (!ctx.device(slot).isPresent() || !ctx.device(slot).isConnected()) {
        session.err() << "plenumctl: slot " << slot << (ctx.device(slot).isPresent() ? " is off-line\n" : " holds no device\n");
        return std::nullopt;
    }
    return std::vector<int>{slot};
}

struct SlotDrift {
    int slot;
    device::DeviceSnapshot snapshot;
    std::vector<const device::NamedParam*> differing;
};

// Reads and compares every target; false (after saying why) when a device did not answer.
bool Compare(CliSession& session, const std::vector<int>& slots, std::vector<SlotDrift>& drifts) {
    for (const int slot : slots) {
        auto snapshot = device::ReadSnapshot(session.comm(), slot);
        if (!snapshot) {
            session.wireFailure(slot);
            return false;
        }
        auto differing = device::CompareWithSnapshot(session.ctx(), slot, *snapshot);
        drifts.push_back({slot, std::move(*snapshot), std::move(differing)});
    }
    return true;
}

int Diff(CliSession& session, const std::string& target) {
    const auto slots = Targets(session, target);
    if (!slots) return target == "all" ? kExitUsage : kExitRefused;
    std::vector<SlotDrift> drifts;
    if (!Compare(session, *slots, drifts)) return kExitRefused;
    const AppContext& ctx = session.ctx();
    json rows = json::array();
    for (const SlotDrift& drift : drifts) {
        auto deviceSide = std::make_unique<AppContext>(ctx);
        device::ApplySnapshot(*deviceSide, drift.slot, drift.snapshot);
        for (const device::NamedParam* param : drift.differing) {
            const json project = device::ParamValue(ctx, drift.slot, param->name);
            const json held = device::ParamValue(*deviceSide, drift.slot, param->name);
            rows.push_back({{"slot", drift.slot}, {"param", param->name}, {"project", project}, {"device", held}});
            if (!session.options().json)
                session.out() << session.deviceLabel(drift.slot) << "  " << param->name << "  project: " << device::ParamValueText(project)
                              << "  device: " << device::ParamValueText(held) << '\n';
        }
    }
    if (session.options().json) session.out() << rows.dump() << '\n';
    return kExitOk;
}

int Sync(CliSession& session, const std::string& target, const std::string& from, const std::vector<std::string>& only) {
    for (const std::string& name : only) {
        if (device::FindNamedParam(DeviceKind::Sat, name) == nullptr && device::FindNamedParam(DeviceKind::Sub, name) == nullptr) {
            session.err() << "plenumctl: no parameter '" << name << "' (see: plenumctl help params)\n";
            return kExitUsage;
        }
    }
    const auto slots = Targets(session, target);
    if (!slots) return target == "all" ? kExitUsage : kExitRefused;
    std::vector<SlotDrift> drifts;
    if (!Compare(session, *slots, drifts)) return kExitRefused;
    AppContext& ctx = session.ctx();
    bool sent = true;
    json rows = json::array();
    for (SlotDrift& drift : drifts) {
        std::vector<const device::NamedParam*> chosen;
        for (const device::NamedParam* param : drift.differing)
            if (only.empty() || std::find(only.begin(), only.end(), param->name) != only.end()) chosen.push_back(param);
        if (from == "project") {
            for (const LinkedSend& send : device::PrepareProjectToDevice(ctx, drift.slot, chosen))
                sent = SendPrepared(session.comm(), send.slot, send.command) == 0 && sent;
        } else {
            device::TakeFromDevice(ctx, drift.slot, drift.snapshot, chosen);
        }
        for (const device::NamedParam* param : chosen) {
            rows.push_back({{"slot", drift.slot}, {"param", param->name}});
            if (!session.options().json) session.out() << session.deviceLabel(drift.slot) << "  " << param->name << '\n';
        }
    }
    if (session.options().json) session.out() << rows.dump() << '\n';
    return sent ? kExitOk : kExitRefused;
}

}  // namespace

void AddDriftCommands(CLI::App& app, Action& action) {
    auto target = std::make_shared<std::string>();
    auto* diff = app.add_subcommand("diff", "Compare the project with the devices: every parameter whose values differ");
    diff->add_option("SLOT", *target, "Slot 1-24 or 'all' (the on-line devices)")->required();
    diff->callback([&action, target] {
        action = [target](CliSession& session) { return Diff(session, *target); };
    });

    auto from = std::make_shared<std::string>();
    auto only = std::make_shared<std::vector<std::string>>();
    auto* sync = app.add_subcommand("sync", "Resolve differences between the project and the devices");
    sync->add_option("SLOT", *target, "Slot 1-24 or 'all' (the on-line devices)")->required();
    sync->add_option("--from", *from, "project: send the project's values; device: take the device's values")
        ->required()
        ->check(CLI::IsMember({"project", "device"}));
    sync->add_option("--only", *only, "Only these parameters (names of plenumctl help params)");
    sync->callback([&action, target, from, only] {
        action = [target, from, only](CliSession& session) { return Sync(session, *target, *from, *only); };
    });
}

}  // namespace plenum::cli
