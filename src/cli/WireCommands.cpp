// plenumctl search / connect / disconnect / meters / raw: the commands that find devices and
// talk to them directly.
#include <cstdio>
#include <ostream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "comm/AsioNetwork.h"
#include "comm/Connection.h"
#include "comm/Discovery.h"
#include "comm/FirmwareUpdate.h"
#include "core/Registry.h"
#include "dsp/Meters.h"
#include "groups/GroupModel.h"
#include "sat/DeviceMemory.h"

namespace plenum::cli {
namespace {

using json = nlohmann::json;

// A dotted IPv4 address whose octets lie in the address boxes' ranges.
bool ParseFromAddress(const std::string& text, std::array<int, 4>& octets) {
    std::istringstream in(text);
    char dot = 0;
    for (int i = 0; i < 4; ++i) {
        if (!(in >> octets[static_cast<std::size_t>(i)])) return false;
        if (i < 3 && (!(in >> dot) || dot != '.')) return false;
        if (comm::ClampOctet(i, octets[static_cast<std::size_t>(i)]) != octets[static_cast<std::size_t>(i)]) return false;
    }
    return in.peek() == EOF && text.find_first_not_of("0123456789.") == std::string::npos;
}

int Search(CliSession& session, const std::string& fromText, int lastOctet) {
    std::array<int, 4> from{};
    if (!ParseFromAddress(fromText, from)) {
        session.err() << "plenumctl: '" << fromText << "' is not a search address (1-223.0-255.0-255.1-254)\n";
        return kExitUsage;
    }
    if (lastOctet < from[3] || lastOctet > 255) {
        session.err() << "plenumctl: the last octet must lie between " << from[3] << " and 255\n";
        return kExitUsage;
    }
    AppContext& ctx = session.ctx();
    comm::AsioNetworkTransport searchNetwork(comm::kSearchNetworkSlots);
    comm::DeviceSearch search(ctx, session.paths(), searchNetwork, session.prompter(),
                              session.comm().links().devicePort, session.comm().timeouts());
    if (!search.open()) return kExitRefused;
    search.from = from;
    search.toLastOctet = lastOctet;
    search.run([&](const std::string& status) { session.err() << status << '\n'; });
    const std::vector<int> added = MergeFoundDevices(ctx, session.prompter());
    for (int slot : added) AssignTilePos(ctx, slot);
    if (session.options().json) {
        session.out() << json(added).dump() << '\n';
    } else {
        for (int slot : added) session.out() << slot << '\n';
    }
    return kExitOk;
}

// The connection's last step: a group member whose group block differs is offered its group's
// values, and only the differing items are written.
struct WireUi : comm::ConnectionHooks {
    explicit WireUi(comm::DeviceComm& comm) : comm_(comm) {}
    bool differsFromGroup(int group, int slot) override { return DeviceDiffersFromGroup(comm_.context(), group, slot); }
    void synchronizeWithGroup(int group, int slot) override {
        DirectGroupSink sink(comm_);
        SyncDeviceWithGroup(comm_.context(), group, slot, sink);
    }

private:
    comm::DeviceComm& comm_;
};

int Connect(CliSession& session, const std::string& target, bool load) {
    AppContext& ctx = session.ctx();
    comm::DeviceComm& comm = session.comm();
    DeviceSettingsTransfer transfer(comm);
    WireUi ui(comm);
    comm::DeviceConnector connector(comm, transfer, session.prompter(), &ui);
    const auto direction = load ? comm::TransferDirection::LoadToDevice : comm::TransferDirection::ReadFromDevice;
    std::vector<int> online;
    if (target == "all") {
        online = connector.connectAll(direction);
    } else {
        int slot = 0;
        if (!(std::istringstream(target) >> slot) || slot < 1 || slot > 24 || std::to_string(slot) != target) {
            session.err() << "plenumctl: '" << target << "' is not a slot (1-24) or 'all'\n";
            return kExitUsage;
        }
        const DeviceRecord& record = ctx.device(slot);
        if (!record.isPresent()) {
            session.err() << "plenumctl: slot " << slot << " holds no device\n";
            return kExitRefused;
        }
        if (record.isConnected()) {
            session.err() << "plenumctl: slot " << slot << " is already on-line\n";
            return kExitOk;
        }
        if (!connector.networkAvailable(slot)) return kExitRefused;
        online = connector.connectOne(slot, direction);
    }
    if (session.options().json)
        session.out() << json(online).dump() << '\n';
    else
        for (int slot : online) session.out() << slot << '\n';
    return online.empty() ? kExitRefused : kExitOk;
}

int Disconnect(CliSession& session, int slot) {
    AppContext& ctx = session.ctx();
    if (!ctx.device(slot).isPresent() || !ctx.device(slot).isConnected()) {
        session.err() << "plenumctl: slot " << slot << " is not on-line\n";
        return kExitRefused;
    }
    DeviceSettingsTransfer transfer(session.comm());
    comm::DeviceConnector connector(session.comm(), transfer, session.prompter());
    return connector.disconnect(slot) ? kExitOk : kExitRefused;
}

// The transaction accepts a network reply that is not a frame (and returns 0) but flags it; what
// RxBuffer holds then is no reply to decode.
bool GarbledReply(comm::DeviceComm& comm, int slot) {
    return comm.context().device(slot).isSub() ? comm.BadReplySub != 0 : comm.BadReply != 0;
}

bool RequireOnline(CliSession& session, int slot) {
    const DeviceRecord& record = session.ctx().device(slot);
    if (record.isPresent() && record.isConnected()) return true;
    session.err() << "plenumctl: slot " << slot << (record.isPresent() ? " is off-line\n" : " holds no device\n");
    return false;
}

int Meters(CliSession& session, int slot) {
    if (!RequireOnline(session, slot)) return kExitRefused;
    comm::DeviceComm& comm = session.comm();
    session.ctx().flags.AlertHold = kTrue16;
    const auto result = comm.SendCommand(slot, comm::CommandCode::MeterPoll);
    session.ctx().flags.AlertHold = kFalse16;
    if (result != 0) return session.wireFailure(slot);
    if (GarbledReply(comm, slot)) return session.garbledReply(slot);
    MeterTable table;
    if (!table.StoreReply(slot, std::span(comm.RxBuffer).first(comm.lastReplyLength()))) {
        session.err() << "plenumctl: no meter reply from slot " << slot << '\n';
        return kExitRefused;
    }
    auto level = [&](int row) {
        const std::uint8_t byte = table.at(row, slot);
        return json{{"row", row}, {"db", LevelDb(byte)}, {"clip", IndicatorLit(byte)}};
    };
    json rows{{"inputs", json::array()}, {"outputs", json::array()}};
    for (int row : meter_rows::kInputs) rows["inputs"].push_back(level(row));
    for (int output = 0; output < 3; ++output)
        for (int row : meter_rows::Output(output)) rows["outputs"].push_back(level(row));
    rows["panel"] = table.at(meter_rows::kPanelStatus, slot);
    if (session.options().json) {
        session.out() << rows.dump() << '\n';
        return kExitOk;
    }
    for (const char* group : {"inputs", "outputs"})
        for (const auto& row : rows[group]) {
            char line[80];
            std::snprintf(line, sizeof line, "%-7s row %2d %6.1f dB%s\n", group, row["row"].get<int>(),
                          row["db"].get<double>(), row["clip"].get<bool>() ? "  CLIP" : "");
            session.out() << line;
        }
    return kExitOk;
}

int Raw(CliSession& session, int slot, int code, const std::vector<int>& params) {
    if (!RequireOnline(session, slot)) return kExitRefused;
    comm::CommandParams p{};
    for (std::size_t i = 0; i < params.size(); ++i) p[i] = static_cast<std::uint8_t>(params[i]);
    comm::DeviceComm& comm = session.comm();
    if (comm.SendCommand(slot, static_cast<std::uint8_t>(code), p) != 0) return session.wireFailure(slot);
    if (GarbledReply(comm, slot)) return session.garbledReply(slot);
    std::string hex;
    char byte[4];
    for (std::size_t i = 0; i < comm.lastReplyLength(); ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", comm.RxBuffer[i]);
        hex += byte;
    }
    session.out() << hex << '\n';
    return kExitOk;
}

int Firmware(CliSession& session, int slot, const std::string& file, bool lanMode) {
    AppContext& ctx = session.ctx();
    if (!ctx.device(slot).isPresent()) {
        session.err() << "plenumctl: slot " << slot << " holds no device\n";
        return kExitRefused;
    }
    // Updates go over USB only, unless LAN mode is chosen (as the start-up screen's hidden key does).
    ctx.FwUsbMode = !lanMode;
    comm::DeviceComm& comm = session.comm();
    // The loader uses the network object's spare 26th connection slot, beside the devices' 1..24.
    comm::FwLoader loader(comm.network(), comm.serial(), session.sleeper(), comm.links().devicePort,
                          session.options().timeouts.loader, comm::kMainNetworkSlots - 1);
    loader.SetDeviceKind(ctx.device(slot).isSub() ? comm::FirmwareKind::Subwoofer : comm::FirmwareKind::Satellite);
    comm::FwUpdateDemo window(ctx, comm, loader, session.prompter(), slot);
    window.chooseFile(file);
    return window.Update_Click() == comm::FwUpdateDemo::Outcome::Loaded ? kExitOk : kExitRefused;
}

}  // namespace

void AddWireCommands(CLI::App& app, Action& action) {
    auto* search = app.add_subcommand("search", "Search the network from FROM_ADDRESS up to LAST_OCTET and list new devices");
    auto from = std::make_shared<std::string>();
    auto last = std::make_shared<int>(0);
    search->add_option("FROM_ADDRESS", *from, "First address, A.B.C.D")->required();
    search->add_option("LAST_OCTET", *last, "Last value of the fourth octet")->required();
    search->callback([&action, from, last] {
        action = [from, last](CliSession& session) { return Search(session, *from, *last); };
    });

    auto* connect = app.add_subcommand("connect", "Bring a device (or all listed devices) on-line");
    auto target = std::make_shared<std::string>();
    auto load = std::make_shared<bool>(false);
    auto read = std::make_shared<bool>(false);
    connect->add_option("SLOT", *target, "Slot 1-24, or all")->required();
    auto* loadFlag = connect->add_flag("--load", *load, "Load current settings to Device");
    auto* readFlag = connect->add_flag("--read", *read, "Read current settings from Device");
    loadFlag->excludes(readFlag);
    connect->callback([&action, target, load, read] {
        if (!*load && !*read) throw CLI::RequiredError("--load or --read");
        action = [target, load](CliSession& session) { return Connect(session, *target, *load); };
    });

    auto* disconnect = app.add_subcommand("disconnect", "Take an on-line device off-line (command 15)");
    auto slot = std::make_shared<int>(0);
    disconnect->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    disconnect->callback([&action, slot] {
        action = [slot](CliSession& session) { return Disconnect(session, *slot); };
    });

    auto* meters = app.add_subcommand("meters", "Poll a device's level meters once");
    meters->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    meters->callback([&action, slot] {
        action = [slot](CliSession& session) { return Meters(session, *slot); };
    });

    auto* firmware = app.add_subcommand("firmware", "Load a firmware image (.sfu) into a device (progress on stderr)");
    auto file = std::make_shared<std::string>();
    auto lan = std::make_shared<bool>(false);
    firmware->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    firmware->add_option("FILE", *file, "Firmware image (.sfu)")->required();
    firmware->add_flag("--lan", *lan, "Update over the LAN (default: USB only)");
    firmware->callback([&action, slot, file, lan] {
        action = [slot, file, lan](CliSession& session) { return Firmware(session, *slot, *file, *lan); };
    });

    auto* raw = app.add_subcommand("raw", "Send one command and print the reply in hex");
    auto code = std::make_shared<int>(0);
    auto params = std::make_shared<std::vector<int>>();
    raw->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    raw->add_option("CODE", *code, "Command code 0-255")->required()->check(CLI::Range(0, 255));
    raw->add_option("P", *params, "Up to eight parameter bytes 0-255")->expected(0, 8)->check(CLI::Range(0, 255));
    raw->callback([&action, slot, code, params] {
        action = [slot, code, params](CliSession& session) { return Raw(session, *slot, *code, *params); };
    });
}

}  // namespace plenum::cli
