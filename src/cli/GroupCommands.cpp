// plenumctl group add / list / set / sync / check / remove: device groups over the same rules as
// the group windows. A group is named by its number 1-8 (as group list prints it) or by its name.
// Questions ("All devices will be synchronized ...", "Remove Group", "EQ Flat") are answered by
// --yes / --no; without either the answer is No and nothing happens.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>
#include <sstream>

#include "cli/Commands.h"
#include "comm/DeviceComm.h"
#include "core/ValueCodecs.h"
#include "dsp/Biquad.h"
#include "groups/GroupEditor.h"
#include "sat/DeviceMemory.h"

namespace plenum::cli {
namespace {

using json = nlohmann::json;

std::string RoleName(GroupRole role) {
    switch (role) {
        case GroupRole::Left: return "Left";
        case GroupRole::Right: return "Right";
        case GroupRole::Sub: return "Sub";
    }
    return "";
}

// The group a command names: its number 1-8 or the name of a group in use.
std::optional<int> FindGroup(CliSession& session, const std::string& text) {
    const AppContext& ctx = session.ctx();
    int number = 0;
    if ((std::istringstream(text) >> number) && std::to_string(number) == text && number >= 1 && number <= kGroupCount) {
        if (ctx.groups[static_cast<std::size_t>(number - 1)].isInUse()) return number - 1;
    } else {
        for (int g = 0; g < kGroupCount; ++g)
            if (ctx.groups[static_cast<std::size_t>(g)].isInUse() && ctx.groups[static_cast<std::size_t>(g)].Name == text) return g;
    }
    session.err() << "plenumctl: no group '" << text << "' (see: plenumctl group list)\n";
    return std::nullopt;
}

std::optional<double> Number(CliSession& session, const std::string& text, const std::string& what) {
    const auto value = ParseGroupNumber(text);
    if (!value) session.err() << "plenumctl: '" << text << "' is not a number (" << what << ")\n";
    return value;
}

std::optional<bool> Flag(CliSession& session, const std::string& text, const std::string& what) {
    if (text == "0") return false;
    if (text == "1") return true;
    session.err() << "plenumctl: '" << text << "' is not 0 or 1 (" << what << ")\n";
    return std::nullopt;
}

int AddGroup(CliSession& session, const std::string& name, const std::vector<int>& slots) {
    AppContext& ctx = session.ctx();
    const auto g = BeginAddGroup(ctx, session.prompter());
    if (!g) return kExitRefused;
    GroupSelection selection;
    selection.name = name;
    selection.left = slots[0];
    selection.right = slots[1];
    selection.withSub = slots.size() > 2;
    if (selection.withSub) selection.sub = slots[2];
    // The chooser offers only eligible devices; a slot it would not offer is refused here.
    const std::vector<std::pair<GroupRole, int>> roles{{GroupRole::Left, selection.left},
                                                       {GroupRole::Right, selection.right},
                                                       {GroupRole::Sub, selection.sub}};
    for (const auto& [role, slot] : roles) {
        if (slot == 0 || EligibleForRole(ctx, slot, role, kNoGroup)) continue;
        session.err() << "plenumctl: slot " << slot << " cannot be the " << RoleName(role)
                      << " of a group (a listed network "
                      << (role == GroupRole::Sub ? "subwoofer" : "satellite") << " in no other group)\n";
        return kExitRefused;
    }
    if (!ConfirmSelection(ctx, session.prompter(), selection)) return kExitRefused;
    DirectGroupSink sink(session.comm());
    CreateGroup(ctx, *g, selection, sink);
    session.out() << (*g + 1) << '\n';
    return kExitOk;
}

json GroupJson(const AppContext& ctx, int g) {
    const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
    json bands = json::array();
    for (int b = 0; b < kGroupBands; ++b) {
        auto f = [&](int field) { return group.Peq[static_cast<std::size_t>(5 * field + b)]; };
        bands.push_back({{"type", std::string(PeqTypeLabel(static_cast<PeqType>(std::min<int>(f(0), kPeqTypeCount - 1))))},
                         {"freq", JoinFrequency(f(1), f(2))},
                         {"q", std::round(QFromCode(f(3)) * 100.0) / 100.0},
                         {"gain", PeqGainDb(f(4) & 0x7F)},
                         {"bypass", (f(4) & 0x80) != 0 ? 1 : 0}});
    }
    bool inSync = true;
    for (const int slot : GroupMembers(group)) inSync = inSync && !DeviceDiffersFromGroup(ctx, g, slot);
    json out{{"group", g + 1},
             {"name", group.Name},
             {"left", group.LeftDev},
             {"right", group.RightDev},
             {"sub", group.HasSub == 1 ? json(group.SubDev) : json(nullptr)},
             {"mute", group.Mute},
             {"gain", group.Gain == 0 ? json("-inf") : json(GainTableDb(group.Gain))},
             {"delay", GroupDelayMs(group.SatDelay)},
             {"subdelay", GroupDelayMs(group.SubDelay)},
             {"eqbypass", group.EqBypass},
             {"eqonsub", group.EqOnSub != 0 ? 1 : 0},
             {"preset", std::string(GroupPresets::name(ctx.groupState[static_cast<std::size_t>(g)].PresetIndex))},
             {"eq", bands},
             {"insync", inSync}};
    return out;
}

int ListGroups(CliSession& session) {
    AppContext& ctx = session.ctx();
    GroupPresets presets;
    presets.load(ctx.dataDir);
    MatchGroupPresets(ctx, presets);
    json rows = json::array();
    for (int g = 0; g < kGroupCount; ++g)
        if (ctx.groups[static_cast<std::size_t>(g)].isInUse()) rows.push_back(GroupJson(ctx, g));
    if (session.options().json) {
        session.out() << rows.dump() << '\n';
        return kExitOk;
    }
    for (const auto& row : rows) {
        session.out() << row["group"].get<int>() << "  " << row["name"].get<std::string>() << "  L=" << row["left"].get<int>()
                      << " R=" << row["right"].get<int>();
        if (!row["sub"].is_null()) session.out() << " S=" << row["sub"].get<int>();
        session.out() << "  gain=" << (row["gain"].is_string() ? row["gain"].get<std::string>() : row["gain"].dump())
                      << " delay=" << row["delay"].dump() << " mute=" << row["mute"].dump()
                      << " preset=" << row["preset"].get<std::string>()
                      << (row["insync"].get<bool>() ? "" : "  not synchronized") << '\n';
    }
    return kExitOk;
}

// A delay value: milliseconds, or metres with an "m" after the number.
bool SetDelay(CliSession& session, GroupEditor& editor, bool sub, std::string text) {
    const bool metres = !text.empty() && (text.back() == 'm' || text.back() == 'M');
    if (metres) text.pop_back();
    if (metres != editor.metres()) editor.toggleDelayUnit();
    (void)session;
    return editor.setDelayText(sub, text);
}

int SetGroupParam(CliSession& session, const std::string& groupText, const std::string& param,
                  const std::vector<std::string>& values) {
    const auto g = FindGroup(session, groupText);
    if (!g) return kExitRefused;
    AppContext& ctx = session.ctx();
    GroupPresets presets;
    presets.load(ctx.dataDir);
    DirectGroupSink sink(session.comm());
    GroupEditor editor(ctx, *g, presets, session.prompter(), sink);
    auto single = [&]() -> const std::string* {
        if (values.size() == 1 && values[0].find('=') == std::string::npos) return &values[0];
        session.err() << "plenumctl: " << param << " takes one value\n";
        return nullptr;
    };
    bool done = false;
    if (param == "mute" || param == "eqbypass" || param == "eqonsub" || param == "eqflat") {
        const std::string* value = single();
        if (value == nullptr) return kExitUsage;
        const auto flag = Flag(session, *value, param);
        if (!flag) return kExitUsage;
        if (param == "mute") {
            editor.setMute(*flag);
            done = true;
        } else if (param == "eqbypass") {
            editor.setEqBypass(*flag);
            done = true;
        } else if (param == "eqonsub") {
            done = editor.setEqOnSub(*flag);
            if (!done) session.err() << "plenumctl: group " << (*g + 1) << " has no Sub\n";
        } else {
            done = !*flag || editor.eqFlat();
        }
    } else if (param == "gain") {
        const std::string* value = single();
        if (value == nullptr) return kExitUsage;
        done = editor.setGainText(*value);
    } else if (param == "delay" || param == "subdelay") {
        const std::string* value = single();
        if (value == nullptr) return kExitUsage;
        if (param == "subdelay" && !editor.hasSub()) {
            session.err() << "plenumctl: group " << (*g + 1) << " has no Sub\n";
            return kExitRefused;
        }
        done = SetDelay(session, editor, param == "subdelay", *value);
    } else if (param == "preset" || param == "savepreset") {
        const std::string* value = single();
        if (value == nullptr) return kExitUsage;
        int index = -1;
        for (int i = 0; i < kGroupPresetCount; ++i)
            if (*value == std::to_string(i + 1) || *value == GroupPresets::name(i)) index = i;
        if (index < 0 || (param == "savepreset" && index < kFirstUserPreset)) {
            session.err() << "plenumctl: '" << *value << "' is not a "
                          << (param == "preset" ? "preset (1-10 or its name)" : "user preset (8, 9 or 10)") << '\n';
            return kExitUsage;
        }
        if (param == "preset") {
            done = editor.loadPreset(index);
        } else if (const auto error = editor.savePreset(index)) {
            session.err() << "plenumctl: cannot write " << kGroupPresetFileName << ": " << error.message() << '\n';
            return kExitIo;
        } else {
            done = true;
        }
    } else if (param.rfind("eq.", 0) == 0) {
        const auto band = ParseGroupNumber(param.substr(3));
        if (!band || *band < 0 || *band >= kGroupBands || *band != static_cast<int>(*band)) {
            session.err() << "plenumctl: group bands are eq.0 .. eq.4\n";
            return kExitUsage;
        }
        GroupEditor::BandChange change;
        for (const std::string& field : values) {
            const auto equals = field.find('=');
            const std::string key = field.substr(0, equals), value = equals == std::string::npos ? "" : field.substr(equals + 1);
            if (equals == std::string::npos) {
                session.err() << "plenumctl: " << param << " takes key=value fields (type freq q gain bypass)\n";
                return kExitUsage;
            }
            if (key == "type") {
                int code = -1;
                for (int t = 0; t < kPeqTypeCount; ++t)
                    if (value == std::to_string(t) || value == PeqTypeLabel(static_cast<PeqType>(t))) code = t;
                if (code < 0) {
                    session.err() << "plenumctl: '" << value << "' is not a PEQ type\n";
                    return kExitUsage;
                }
                change.type = code;
            } else if (key == "freq" || key == "q" || key == "gain") {
                const auto number = Number(session, value, key);
                if (!number) return kExitUsage;
                (key == "freq" ? change.frequencyHz : key == "q" ? change.q : change.gainDb) = *number;
            } else if (key == "bypass") {
                const auto flag = Flag(session, value, key);
                if (!flag) return kExitUsage;
                change.bypass = *flag;
            } else {
                session.err() << "plenumctl: '" << key << "' is not a field of " << param << '\n';
                return kExitUsage;
            }
        }
        done = editor.setBand(static_cast<int>(*band), change);
    } else {
        session.err() << "plenumctl: no group parameter '" << param
                      << "' (mute, gain, delay, subdelay, eq.B, eqbypass, eqonsub, eqflat, preset, savepreset)\n";
        return kExitUsage;
    }
    return done ? kExitOk : kExitRefused;
}

int SyncGroup(CliSession& session, const std::string& groupText) {
    const auto g = FindGroup(session, groupText);
    if (!g) return kExitRefused;
    DirectGroupSink sink(session.comm());
    SynchronizeGroup(session.ctx(), *g, sink);
    return kExitOk;
}

// Reads each on-line member's status record (its group block) from the device, then runs the
// synchronisation check of every group in use.
int CheckGroups(CliSession& session) {
    AppContext& ctx = session.ctx();
    comm::DeviceComm& comm = session.comm();
    DirectGroupSink sink(comm);
    bool allInSync = true;
    json rows = json::array();
    for (int g = 0; g < kGroupCount; ++g) {
        const GroupRecord& group = ctx.groups[static_cast<std::size_t>(g)];
        if (!group.isInUse()) continue;
        std::vector<int> drifted;
        for (const int slot : GroupMembers(group)) {
            if (ctx.device(slot).isConnected()) ReadStatus(comm, slot);
            if (DeviceDiffersFromGroup(ctx, g, slot)) drifted.push_back(slot);
        }
        const bool synced = CheckGroupSync(ctx, g, session.prompter(), sink);
        const std::string state = drifted.empty() ? "in sync" : synced ? "synchronized" : "not synchronized";
        allInSync = allInSync && synced;
        rows.push_back({{"group", g + 1}, {"name", group.Name}, {"drifted", drifted}, {"state", state}});
        if (!session.options().json) {
            session.out() << (g + 1) << "  " << group.Name << ": " << state;
            if (!drifted.empty()) {
                session.out() << " (slots";
                for (const int slot : drifted) session.out() << ' ' << slot;
                session.out() << ')';
            }
            session.out() << '\n';
        }
    }
    if (session.options().json) session.out() << rows.dump() << '\n';
    return allInSync ? kExitOk : kExitRefused;
}

int RemoveGroup(CliSession& session, const std::string& groupText) {
    const auto g = FindGroup(session, groupText);
    if (!g) return kExitRefused;
    GroupPresets presets;
    struct NoSends : GroupSink {
        void send(const std::vector<LinkedSend>&) override {}
    } sink;
    GroupEditor editor(session.ctx(), *g, presets, session.prompter(), sink);
    return editor.removeGroup() ? kExitOk : kExitRefused;
}

}  // namespace

void AddGroupCommands(CLI::App& app, Action& action) {
    auto* group = app.add_subcommand("group", "Device groups: a Left and a Right satellite and an optional subwoofer");
    group->require_subcommand(1);

    auto name = std::make_shared<std::string>();
    auto slots = std::make_shared<std::vector<int>>();
    auto* add = group->add_subcommand("add", "Create a group from the Left device's group values (asks; use --yes)");
    add->add_option("NAME", *name, "Group name")->required();
    add->add_option("SLOTS", *slots, "LEFT RIGHT [SUB] slots 1-24")->required()->expected(2, 3)->check(CLI::Range(1, 24));
    add->callback([&action, name, slots] {
        action = [name, slots](CliSession& session) { return AddGroup(session, *name, *slots); };
    });

    group->add_subcommand("list", "List the groups in use")->callback([&action] { action = ListGroups; });

    auto target = std::make_shared<std::string>();
    auto param = std::make_shared<std::string>();
    auto values = std::make_shared<std::vector<std::string>>();
    auto* set = group->add_subcommand(
        "set", "Set a group value and write it to every member: mute 0|1, gain DB, delay MS|Nm, subdelay MS|Nm, "
               "eq.B type=T freq=HZ q=Q gain=DB bypass=0|1, eqbypass 0|1, eqonsub 0|1, eqflat 1, preset 1-10|NAME, "
               "savepreset 8-10");
    set->add_option("G", *target, "Group number 1-8 or name")->required();
    set->add_option("PARAM", *param, "Group parameter")->required();
    set->add_option("VALUE", *values, "Value, or key=value fields")->required();
    set->callback([&action, target, param, values] {
        action = [target, param, values](CliSession& session) { return SetGroupParam(session, *target, *param, *values); };
    });

    auto* sync = group->add_subcommand("sync", "Send the whole group record to every member");
    sync->add_option("G", *target, "Group number 1-8 or name")->required();
    sync->callback([&action, target] {
        action = [target](CliSession& session) { return SyncGroup(session, *target); };
    });

    group->add_subcommand("check", "Read the members' group blocks and offer to synchronise drifted groups")
        ->callback([&action] { action = CheckGroups; });

    auto* remove = group->add_subcommand("remove", "Remove a group (asks; nothing is sent to the members)");
    remove->add_option("G", *target, "Group number 1-8 or name")->required();
    remove->callback([&action, target] {
        action = [target](CliSession& session) { return RemoveGroup(session, *target); };
    });
}

}  // namespace plenum::cli
