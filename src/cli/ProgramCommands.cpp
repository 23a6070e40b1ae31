// plenumctl program / backup / restore / lock / login / logout / settings: the loudspeaker's
// program memory, backup files, locks and own settings, over the same controllers as the windows.
#include <map>
#include <ostream>
#include <sstream>

#include "cli/Commands.h"
#include "core/ImageLayout.h"
#include "device/ProgramTexts.h"
#include "device/Backup.h"
#include "device/DeviceSettings.h"
#include "device/Locks.h"
#include "device/ProgramMemory.h"
#include "sat/DeviceMemory.h"

namespace plenum::cli {
namespace {

using namespace plenum::device;

bool RequireOnline(CliSession& session, int slot) {
    const DeviceRecord& record = session.ctx().device(slot);
    if (record.isPresent() && record.isConnected()) return true;
    session.err() << "plenumctl: slot " << slot << (record.isPresent() ? " is off-line\n" : " holds no device\n");
    return false;
}

bool RequirePresent(CliSession& session, int slot) {
    if (session.ctx().device(slot).isPresent()) return true;
    session.err() << "plenumctl: slot " << slot << " holds no device\n";
    return false;
}

int ExitOf(ProgramOutcome outcome) { return outcome == ProgramOutcome::Done ? kExitOk : kExitRefused; }

// --- program ------------------------------------------------------------------------------------

int ProgramList(CliSession& session, int slot) {
    if (!RequireOnline(session, slot)) return kExitRefused;
    if (SequenceBroken(session.comm(), slot, ReadProgramList(session.comm(), slot))) return session.wireFailure(slot);
    for (int k = 0; k < kProgramSlots; ++k) {
        session.out() << ProgramListLine(session.ctx(), slot, k);
        if (session.ctx().device(slot).isSub() ? session.ctx().subExtra[static_cast<std::size_t>(slot)].ProgramLocked[static_cast<std::size_t>(k)]
                                               : session.ctx().satExtra[static_cast<std::size_t>(slot)].ProgramLocked[static_cast<std::size_t>(k)])
            session.out() << " [locked]";
        session.out() << '\n';
    }
    return kExitOk;
}

int ProgramStoreCommand(CliSession& session, int slot, int k, const std::string& name, int lock) {
    if (!RequireOnline(session, slot)) return kExitRefused;
    ProgramStore window(session.comm(), session.prompter(), slot, ProgramMode::Store);
    window.selectPosition(k - 1);
    window.setName(name);
    if (name.size() > kProgramNameLength || (!name.empty() && static_cast<unsigned char>(name.front()) > 127)) {
        // The name box takes 16 characters and clears on a first character it cannot hold; the
        // command line says so instead of storing something else than was asked.
        if (name.size() > kProgramNameLength) {
            session.err() << "plenumctl: a program name has at most 16 characters\n";
            return kExitUsage;
        }
        window.setName("");
        Tell(session.prompter(), session.ctx().LanguageFlag, texts::kNameNotAdmitted, {name});
        return kExitRefused;
    }
    if (lock >= 0) {
        if (!window.showsLockCheck()) {
            session.err() << "plenumctl: locking a program needs the administrator login (plenumctl login "
                          << slot << " --admin)\n";
            return kExitRefused;
        }
        window.setLockChecked(lock == 1);
    }
    const auto outcome = window.store();
    if (outcome == ProgramOutcome::Failed) return session.wireFailure(slot);
    return ExitOf(outcome);
}

int ProgramRecallCommand(CliSession& session, int slot, int k) {
    if (!RequireOnline(session, slot)) return kExitRefused;
    // The recall checks the system byte the slot was stored under: read the list first.
    if (SequenceBroken(session.comm(), slot, ReadProgramList(session.comm(), slot))) return session.wireFailure(slot);
    ProgramStore window(session.comm(), session.prompter(), slot, ProgramMode::Recall);
    window.selectLine(k - 1);
    const auto outcome = window.recall();
    if (outcome == ProgramOutcome::Failed) return session.wireFailure(slot);
    if (outcome == ProgramOutcome::Done) session.out() << ProgramLabel(session.ctx(), slot) << '\n';
    return ExitOf(outcome);
}

// --- backup and restore -------------------------------------------------------------------------

// "actual,system,programs=1-8" (or programs for all, programs=3 for one; programs= may repeat).
bool ParseItems(const std::string& text, int programCount, BackupItems& items, std::string& error) {
    items = BackupItems{};
    items.programs.assign(static_cast<std::size_t>(programCount), false);
    std::istringstream in(text);
    for (std::string token; std::getline(in, token, ',');) {
        if (token == "actual") {
            items.actualProgram = true;
        } else if (token == "system") {
            items.systemData = true;
        } else if (token == "programs") {
            std::fill(items.programs.begin(), items.programs.end(), true);
        } else if (token.rfind("programs=", 0) == 0) {
            const std::string range = token.substr(9);
            int first = 0, last = 0;
            char dash = 0;
            std::istringstream r(range);
            if (!(r >> first)) return error = "'" + token + "' names no program", false;
            last = first;
            if (r >> dash && (dash != '-' || !(r >> last))) return error = "'" + token + "' is not a range A-B", false;
            if (!r.eof() && r.peek() != EOF) return error = "'" + token + "' is not a range A-B", false;
            if (first < 1 || last > programCount || first > last)
                return error = "programs lie between 1 and " + std::to_string(programCount), false;
            for (int k = first; k <= last; ++k) items.programs[static_cast<std::size_t>(k - 1)] = true;
        } else {
            return error = "unknown item '" + token + "' (actual, system, programs=A-B)", false;
        }
    }
    return true;
}

int BackupCommand(CliSession& session, int slot, const std::string& file, const std::string& itemsText) {
    if (!RequirePresent(session, slot)) return kExitRefused;
    AppContext& ctx = session.ctx();
    BackupWindow window(session.comm(), session.prompter(), slot);
    if (itemsText.empty()) {
        window.selectAll(true);
    } else {
        std::string error;
        if (!ParseItems(itemsText, window.programCount(), window.items, error)) {
            session.err() << "plenumctl: " << error << '\n';
            return kExitUsage;
        }
    }
    if (ctx.device(slot).isConnected()) {
        // The window works on the records the application keeps live; the command line reads them
        // back first.
        comm::DeviceComm& comm = session.comm();
        if (SequenceBroken(comm, slot, ReadStatus(comm, slot)) || SequenceBroken(comm, slot, ReadImage(comm, slot)) ||
            SequenceBroken(comm, slot, ReadProgramList(comm, slot)))
            return session.wireFailure(slot);
    }
    const auto outcome = window.save(file);
    if (outcome == TransferOutcome::FileError) return kExitIo;
    return outcome == TransferOutcome::Done ? kExitOk : kExitRefused;
}

int RestoreCommand(CliSession& session, int slot, const std::string& file, const std::string& itemsText) {
    if (!RequirePresent(session, slot)) return kExitRefused;
    RestoreWindow window(session.comm(), session.prompter(), slot);
    if (!window.openFile(file)) return kExitRefused;
    const int n = static_cast<int>(window.selection().programs.size());
    if (itemsText.empty()) {
        window.selectAll(true);
    } else {
        BackupItems wanted;
        std::string error;
        if (!ParseItems(itemsText, n, wanted, error)) {
            session.err() << "plenumctl: " << error << '\n';
            return kExitUsage;
        }
        window.select(wanted);
    }
    const auto outcome = window.restore();
    if (outcome == TransferOutcome::Failed) return session.wireFailure(slot);
    return outcome == TransferOutcome::Done ? kExitOk : kExitRefused;
}

// --- locks --------------------------------------------------------------------------------------

int LockCommand(CliSession& session, int slot, const std::string& which, const std::string& state,
                const std::string& password) {
    if (!RequireOnline(session, slot)) return kExitRefused;
    const LockMode mode = which == "panel" ? LockMode::Panel : LockMode::Gui;
    const bool want = state == "on";
    const bool now = mode == LockMode::Panel ? PanelLocked(session.ctx(), slot) : GuiLocked(session.ctx(), slot);
    PasswordLock window(session.comm(), session.prompter(), slot, mode);
    if (now == want) {
        // The window toggles; asked for the state the device is already in, nothing is sent.
        session.err() << "plenumctl: the " << which << " lock is already " << state << '\n';
        return kExitOk;
    }
    switch (window.submit(password)) {
        case LockOutcome::Toggled: return kExitOk;
        case LockOutcome::WrongPassword: return kExitRefused;
        case LockOutcome::Failed: return session.wireFailure(slot);
    }
    return kExitRefused;
}

int LoginCommand(CliSession& session, int slot, bool admin, const std::string& password) {
    if (!RequirePresent(session, slot)) return kExitRefused;
    AppContext& ctx = session.ctx();
    if (!admin) {
        // Only the administrator has a login to hold; a user login checks the password.
        if (password == PasswordText(ctx.statusOf(slot), status::kUserPassword)) return kExitOk;
        Tell(session.prompter(), ctx.LanguageFlag, texts::kWrongPassword);
        return kExitRefused;
    }
    if (AdminLogged(ctx, slot)) {
        session.err() << "plenumctl: the administrator is already logged in on slot " << slot << '\n';
        return kExitOk;
    }
    PasswordLock window(session.comm(), session.prompter(), slot, LockMode::Admin);
    return window.submit(password) == LockOutcome::Toggled ? kExitOk : kExitRefused;
}

int LogoutCommand(CliSession& session, int slot) {
    if (!RequirePresent(session, slot)) return kExitRefused;
    AppContext& ctx = session.ctx();
    const auto index = static_cast<std::size_t>(slot);
    (ctx.device(slot).isSub() ? ctx.subExtra[index].AdminLogged : ctx.satExtra[index].AdminLogged) = 0;
    return kExitOk;
}

// --- settings -----------------------------------------------------------------------------------

const char* const kTimes[] = {"3", "5", "10", "15", "30", "60"};
const char* const kRecallModes[] = {"mutes", "sources", "gain"};

std::string OnOff(bool on) { return on ? "on" : "off"; }
std::string Ohm(std::uint8_t load) { return load == 2 ? "8" : "4"; }

void PrintSection(std::ostream& out, NetSection section, const NetworkSettings& s) {
    const std::string p = SectionName(section);
    if (section == NetSection::AccessPoint)
        out << p << ".mode=" << OnOff(s.mode != 0) << '\n';
    else
        out << p << ".mode=" << (s.mode != 0 ? "dhcp" : "static") << '\n';
    out << p << ".ip=" << s.ip << '\n' << p << ".mask=" << s.mask << '\n' << p << ".gateway=" << s.gateway << '\n';
    if (section == NetSection::Lan) return;
    out << p << ".ssid=" << s.ssid << '\n'
        << p << ".security=" << (s.security != 0 ? "wpa2" : "wpa") << '\n'
        << p << ".key=" << s.key << '\n'
        << p << ".channel=" << int(s.channel) << '\n';
}

int PrintSettings(CliSession& session, int slot, const DeviceSettingsWindow& window) {
    const DeviceStatusRecord& s = session.ctx().statusOf(slot);
    std::ostream& out = session.out();
    PrintSection(out, NetSection::Lan, ReadNetwork(s, NetSection::Lan));
    if (window.offersWireless()) {
        PrintSection(out, NetSection::Wlan, ReadNetwork(s, NetSection::Wlan));
        PrintSection(out, NetSection::AccessPoint, ReadNetwork(s, NetSection::AccessPoint));
    }
    auto time = [](std::uint8_t position) { return position < 6 ? kTimes[position] : "3"; };
    out << "sleep=" << OnOff(s[status::kAutoSleepEnable] != 0) << '\n'
        << "sleep.time=" << time(s[status::kAutoSleepTime]) << '\n'
        << "standby=" << OnOff(s[status::kAutoStandbyEnable] != 0) << '\n'
        << "standby.time=" << time(s[status::kAutoStandbyTime]) << '\n'
        << "recall=" << kRecallModes[s[status::kRecallMode] < 3 ? s[status::kRecallMode] : 0] << '\n';
    if (window.offersAmplifier())
        out << "bridge=" << OnOff(s[status::kSystemMode] > 0) << '\n'
            << "load.low=" << Ohm(s[status::kSpeakerLoad]) << '\n'
            << "load.high=" << Ohm(s[status::kSpeakerLoad + 1]) << '\n';
    if (window.offersBoost()) out << "boost=" << OnOff(s[status::kAmpBoost] != 0) << '\n';
    return kExitOk;
}

int IndexOf(const char* const* list, int size, const std::string& value) {
    for (int i = 0; i < size; ++i)
        if (value == list[i]) return i;
    return -1;
}

struct SettingsChanges {
    std::map<NetSection, NetworkSettings> network;
    bool power = false, recall = false, amplifier = false, boost = false, groupReset = false;
    bool sleepOn = false, standbyOn = false, boostOn = false;
    int sleepTime = 0, standbyTime = 0, recallMode = 0;
    AmplifierSettings amp;
    std::map<std::string, std::string> passwords;  // user, user.old, admin, admin.old
};

bool ParseSetting(const AppContext& ctx, int slot, const std::string& assignment, SettingsChanges& c,
                  std::string& error) {
    const auto equals = assignment.find('=');
    if (equals == std::string::npos) return error = "'" + assignment + "' is not KEY=VALUE", false;
    const std::string key = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    const DeviceStatusRecord& s = ctx.statusOf(slot);
    auto bad = [&] { return error = "'" + value + "' is no value for " + key, false; };
    auto onOff = [&](bool& out) {
        if (value != "on" && value != "off") return false;
        out = value == "on";
        return true;
    };
    for (NetSection section : {NetSection::Lan, NetSection::Wlan, NetSection::AccessPoint}) {
        const std::string prefix = std::string(SectionName(section)) + ".";
        if (key.rfind(prefix, 0) != 0) continue;
        auto [it, fresh] = c.network.try_emplace(section, ReadNetwork(s, section));
        NetworkSettings& n = it->second;
        const std::string field = key.substr(prefix.size());
        if (field == "mode") {
            if (section == NetSection::AccessPoint) {
                bool on = false;
                if (!onOff(on)) return bad();
                n.mode = on ? 1 : 0;
            } else if (value == "static" || value == "dhcp") {
                n.mode = value == "dhcp" ? 1 : 0;
            } else {
                return bad();
            }
        } else if (field == "ip") {
            n.ip = value;
        } else if (field == "mask") {
            n.mask = value;
        } else if (field == "gateway") {
            n.gateway = value;
        } else if (section != NetSection::Lan && field == "ssid") {
            n.ssid = value;
        } else if (section != NetSection::Lan && field == "key") {
            n.key = value;
        } else if (section != NetSection::Lan && field == "security") {
            if (value != "wpa" && value != "wpa2") return bad();
            n.security = value == "wpa2" ? 1 : 0;
        } else if (section != NetSection::Lan && field == "channel") {
            int channel = 0;
            if (!(std::istringstream(value) >> channel) || channel < kMinChannel || channel > kMaxChannel) return bad();
            n.channel = static_cast<std::uint8_t>(channel);
        } else {
            return error = "unknown setting '" + key + "'", false;
        }
        return true;
    }
    auto initPower = [&] {
        if (c.power) return;
        c.power = true;
        c.sleepOn = s[status::kAutoSleepEnable] != 0;
        c.sleepTime = s[status::kAutoSleepTime];
        c.standbyOn = s[status::kAutoStandbyEnable] != 0;
        c.standbyTime = s[status::kAutoStandbyTime];
    };
    auto initAmp = [&] {
        if (c.amplifier) return;
        c.amplifier = true;
        c.amp.bridge = s[status::kSystemMode] > 0;
        c.amp.loadLow = s[status::kSpeakerLoad] == 2 ? 2 : 1;
        c.amp.loadHigh = s[status::kSpeakerLoad + 1] == 2 ? 2 : 1;
    };
    if (key == "sleep" || key == "standby") {
        initPower();
        if (!onOff(key == "sleep" ? c.sleepOn : c.standbyOn)) return bad();
    } else if (key == "sleep.time" || key == "standby.time") {
        initPower();
        const int position = IndexOf(kTimes, 6, value);
        if (position < 0) return bad();
        (key == "sleep.time" ? c.sleepTime : c.standbyTime) = position;
    } else if (key == "recall") {
        c.recall = true;
        c.recallMode = IndexOf(kRecallModes, 3, value);
        if (c.recallMode < 0) return bad();
    } else if (key == "bridge") {
        initAmp();
        if (!onOff(c.amp.bridge)) return bad();
    } else if (key == "load.low" || key == "load.high") {
        initAmp();
        if (value != "4" && value != "8") return bad();
        (key == "load.low" ? c.amp.loadLow : c.amp.loadHigh) = value == "8" ? 2 : 1;
    } else if (key == "boost") {
        c.boost = true;
        if (!onOff(c.boostOn)) return bad();
    } else if (key == "user.password" || key == "user.password.old" || key == "admin.password" ||
               key == "admin.password.old") {
        c.passwords[key] = value;
    } else if (key == "group.reset") {
        if (value != "yes") return bad();
        c.groupReset = true;
    } else {
        return error = "unknown setting '" + key + "'", false;
    }
    return true;
}

int Settings(CliSession& session, int slot, const std::vector<std::string>& assignments) {
    if (!RequirePresent(session, slot)) return kExitRefused;
    AppContext& ctx = session.ctx();
    comm::DeviceComm& comm = session.comm();
    if (ctx.device(slot).isConnected() && SequenceBroken(comm, slot, ReadStatus(comm, slot)))
        return session.wireFailure(slot);
    DeviceSettingsWindow window(comm, session.prompter(), slot, FwFeatureFlagOf(ctx, slot));
    if (assignments.empty()) return PrintSettings(session, slot, window);

    SettingsChanges c;
    for (const std::string& assignment : assignments) {
        std::string error;
        if (!ParseSetting(ctx, slot, assignment, c, error)) {
            session.err() << "plenumctl: " << error << '\n';
            return kExitUsage;
        }
    }
    if ((c.network.count(NetSection::Wlan) || c.network.count(NetSection::AccessPoint)) && !window.offersWireless()) {
        session.err() << "plenumctl: this device's firmware has no WLAN or access point settings\n";
        return kExitRefused;
    }
    if ((c.amplifier && !window.offersAmplifier()) || (c.boost && !window.offersBoost())) {
        session.err() << "plenumctl: this device has no such amplifier setting\n";
        return kExitRefused;
    }
    std::vector<SettingsOutcome> outcomes;
    for (const auto& [section, settings] : c.network) outcomes.push_back(window.applyNetwork(section, settings));
    if (c.amplifier) outcomes.push_back(window.applyAmplifier(c.amp));
    for (const char* who : {"user", "admin"}) {
        const std::string key = std::string(who) + ".password";
        if (!c.passwords.count(key)) continue;
        const std::string old = c.passwords.count(key + ".old") ? c.passwords[key + ".old"] : std::string();
        outcomes.push_back(window.changePassword(std::string(who) == "admin", old, c.passwords[key]));
    }
    if (c.power) outcomes.push_back(window.applyPowerSave(c.sleepOn, c.sleepTime, c.standbyOn, c.standbyTime));
    if (c.recall) outcomes.push_back(window.applyRecallMode(c.recallMode));
    if (c.boost) outcomes.push_back(window.applyBoost(c.boostOn));
    if (c.groupReset) outcomes.push_back(window.resetGroup());
    for (SettingsOutcome outcome : outcomes) {
        if (outcome == SettingsOutcome::Failed) return session.wireFailure(slot);
        if (outcome == SettingsOutcome::Refused || outcome == SettingsOutcome::Declined) return kExitRefused;
    }
    return kExitOk;
}

}  // namespace

void AddProgramCommands(CLI::App& app, Action& action) {
    auto slot = std::make_shared<int>(0);
    auto k = std::make_shared<int>(0);
    auto text = std::make_shared<std::string>();
    auto lock = std::make_shared<int>(-1);

    auto* program = app.add_subcommand("program", "List, store or recall the programs kept in a device");
    program->require_subcommand(1);
    auto* list = program->add_subcommand("list", "Read and list the device's eight programs");
    list->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    list->callback([&action, slot] { action = [slot](CliSession& s) { return ProgramList(s, *slot); }; });
    auto* store = program->add_subcommand("store", "Store the live settings as program K under NAME");
    store->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    store->add_option("K", *k, "Program 1-8")->required()->check(CLI::Range(1, 8));
    store->add_option("NAME", *text, "Program name, at most 16 characters")->required();
    store->add_option("--lock", *lock, "Lock (1) or unlock (0) the program; needs the administrator login")
        ->check(CLI::Range(0, 1));
    store->callback([&action, slot, k, text, lock] {
        action = [=](CliSession& s) { return ProgramStoreCommand(s, *slot, *k, *text, *lock); };
    });
    auto* recall = program->add_subcommand("recall", "Recall program K into the live settings");
    recall->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    recall->add_option("K", *k, "Program 1-8")->required()->check(CLI::Range(1, 8));
    recall->callback([&action, slot, k] { action = [=](CliSession& s) { return ProgramRecallCommand(s, *slot, *k); }; });

    auto file = std::make_shared<std::string>();
    auto items = std::make_shared<std::string>();
    auto* backup = app.add_subcommand("backup", "Save the device's programs and settings to a backup file (.bck)");
    backup->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    backup->add_option("FILE", *file, "Backup file (.bck)")->required();
    backup->add_option("--items", *items, "actual,system,programs=A-B (default: everything)");
    backup->callback([&action, slot, file, items] {
        action = [=](CliSession& s) { return BackupCommand(s, *slot, *file, *items); };
    });
    auto* restore = app.add_subcommand("restore", "Write a backup file's items back into the device");
    restore->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    restore->add_option("FILE", *file, "Backup file (.bck)")->required();
    restore->add_option("--items", *items, "actual,system,programs=A-B (default: every item in the file)");
    restore->callback([&action, slot, file, items] {
        action = [=](CliSession& s) { return RestoreCommand(s, *slot, *file, *items); };
    });

    auto which = std::make_shared<std::string>();
    auto state = std::make_shared<std::string>();
    auto password = std::make_shared<std::string>();
    auto admin = std::make_shared<bool>(false);
    auto* lockCmd = app.add_subcommand("lock", "Lock or unlock the device's front panel or GUI");
    lockCmd->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    lockCmd->add_option("WHICH", *which, "panel or gui")->required()->check(CLI::IsMember({"panel", "gui"}));
    lockCmd->add_option("STATE", *state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    lockCmd->add_option("--password", *password, "The user password")->required();
    lockCmd->callback([&action, slot, which, state, password] {
        action = [=](CliSession& s) { return LockCommand(s, *slot, *which, *state, *password); };
    });
    auto* login = app.add_subcommand("login", "Log in on a device (--admin: as administrator, kept by plenum)");
    login->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    login->add_flag("--admin", *admin, "Administrator login");
    login->add_option("--password", *password, "The password")->required();
    login->callback([&action, slot, admin, password] {
        action = [=](CliSession& s) { return LoginCommand(s, *slot, *admin, *password); };
    });
    auto* logout = app.add_subcommand("logout", "Log the administrator out of a device");
    logout->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    logout->callback([&action, slot] { action = [=](CliSession& s) { return LogoutCommand(s, *slot); }; });

    auto assignments = std::make_shared<std::vector<std::string>>();
    auto* settings = app.add_subcommand("settings", "Print a device's own settings, or change them with KEY=VALUE");
    settings->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    settings->add_option("KEY=VALUE", *assignments,
                         "lan|wlan|ap.{mode,ip,mask,gateway,ssid,security,key,channel}, sleep, sleep.time, "
                         "standby, standby.time, recall, bridge, load.low, load.high, boost, "
                         "user|admin.password[.old], group.reset=yes");
    settings->callback([&action, slot, assignments] {
        action = [=](CliSession& s) { return Settings(s, *slot, *assignments); };
    });
}

}  // namespace plenum::cli
