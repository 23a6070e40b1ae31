// plenumctl set / get / read / write / dump / help params: the device's parameters by name.
// Values are converted and refused exactly as the edit windows do (ParamEditor); a set writes
// the image, sends the family to the device and carries it to the linked devices.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <ostream>
#include <sstream>

#include "cli/Commands.h"
#include "comm/DeviceComm.h"
#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"
#include "device/ParamValues.h"
#include "dsp/Biquad.h"
#include "sat/DeviceMemory.h"
#include "sat/ParamEditor.h"
#include "sat/ParamSender.h"

namespace plenum::cli {
namespace {

using Values = std::map<std::string, std::string>;
using json = nlohmann::json;

// A refusal of the command line itself (not a value the device family refuses).
struct UsageError {
    std::string text;
};

std::optional<double> ParseNumber(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

double Number(const std::string& text, const std::string& what) {
    const auto value = ParseNumber(text);
    if (!value) throw UsageError{"'" + text + "' is not a number (" + what + ")"};
    return *value;
}

int Integer(const std::string& text, const std::string& what) {
    const double value = Number(text, what);
    if (value != std::floor(value)) throw UsageError{"'" + text + "' is not a whole number (" + what + ")"};
    return static_cast<int>(value);
}

bool Flag(const std::string& text, const std::string& what) {
    if (text == "0") return false;
    if (text == "1") return true;
    throw UsageError{"'" + text + "' is not 0 or 1 (" + what + ")"};
}

// A PEQ type by list position or label ("Bell", "HSh1", ...; case-insensitive).
int PeqTypeOf(const std::string& text) {
    if (const auto number = ParseNumber(text)) return static_cast<int>(*number);
    for (int code = 0; code < kPeqTypeCount; ++code) {
        const auto label = PeqTypeLabel(static_cast<PeqType>(code));
        if (label.size() == text.size() &&
            std::equal(label.begin(), label.end(), text.begin(),
                       [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                   std::tolower(static_cast<unsigned char>(b)); }))
            return code;
    }
    throw UsageError{"'" + text + "' is not a PEQ type"};
}

template <typename T>
std::optional<T> Opt(const Values& values, const std::string& key, T (*convert)(const std::string&, const std::string&)) {
    const auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    return convert(it->second, key);
}

// The key=value fields of a PEQ band and of a compressor.
ParamEditor::PeqChange PeqFields(const Values& k) {
    return {Opt<int>(k, "type", [](const std::string& t, const std::string&) { return PeqTypeOf(t); }),
            Opt<double>(k, "freq", Number), Opt<double>(k, "q", Number), Opt<double>(k, "gain", Number),
            Opt<bool>(k, "bypass", Flag)};
}

ParamEditor::CompressorChange CompressorFields(const Values& k) {
    return {Opt<bool>(k, "on", Flag),          Opt<bool>(k, "auto", Flag),       Opt<double>(k, "threshold", Number),
            Opt<int>(k, "ratio", Integer),      Opt<double>(k, "makeup", Number), Opt<int>(k, "attack", Integer),
            Opt<int>(k, "release", Integer)};
}

// ---- The parameter table ----------------------------------------------------------------------
// A pattern names the parameter; W (way), B (band), S (section or source) stand for numbers.
// Its value as get prints it comes from device::ParamValueOf.
struct ParamSpec {
    std::string pattern;
    std::string usage;  // "ARGUMENTS  description"
    std::function<EditResult(ParamEditor&, const std::vector<int>&, const std::vector<std::string>&, const Values&)> set;
};

// A usage reads "ARGUMENTS  description", the two apart by at least two blanks. The arguments
// column alone says what the parameter takes: "NAME=..." words are its fields, anything else stands
// for one plain value. The description may hold any text ("1 = inverted").
struct UsageColumns {
    std::string arguments;
    std::string description;
};

UsageColumns SplitUsage(const std::string& usage) {
    const auto gap = usage.find("  ");
    if (gap == std::string::npos) return {usage, {}};
    const auto text = usage.find_first_not_of(' ', gap);
    return {usage.substr(0, gap), text == std::string::npos ? std::string() : usage.substr(text)};
}

std::vector<std::string> FieldsOf(const ParamSpec& spec) {
    std::vector<std::string> fields;
    std::istringstream words(SplitUsage(spec.usage).arguments);
    for (std::string word; words >> word;)
        if (const auto equals = word.find('='); equals != std::string::npos) fields.push_back(word.substr(0, equals));
    return fields;
}

const std::string& Single(const std::vector<std::string>& positional, const std::string& what) {
    if (positional.size() != 1) throw UsageError{what + " takes one value"};
    return positional[0];
}

const std::vector<ParamSpec>& ParamTable() {
    static const std::vector<ParamSpec> table = {
        {"input.gain", "DB          input gain, -90.5..12 dB",
         [](ParamEditor& e, auto&, auto& p, auto&) { return e.inputGainDb(Number(Single(p, "input.gain"), "dB")); }},
        {"input.mute", "0|1         input mute",
         [](ParamEditor& e, auto&, auto& p, auto&) { return e.inputMute(Flag(Single(p, "input.mute"), "mute")); }},
        {"input.polarity", "0|1     input polarity (1 = inverted)",
         [](ParamEditor& e, auto&, auto& p, auto&) { return e.inputPolarity(Flag(Single(p, "input.polarity"), "polarity")); }},
        {"input.delay", "MS         input delay, 0..300 ms (subwoofer 0..200); larger values are set to the limit",
         [](ParamEditor& e, auto&, auto& p, auto&) { return e.inputDelay(Number(Single(p, "input.delay"), "ms")); }},
        {"input.source", "choice=0|1 dante=0|1   input source choice and Dante channel (0 left, 1 right)",
         [](ParamEditor& e, auto&, auto&, const Values& k) {
             return e.inputSource(Opt<int>(k, "choice", Integer), Opt<int>(k, "dante", Integer));
         }},
        {"input.srcgain.S", "DB    source gain S (0 or 1), -90.5..0 dB",
         [](ParamEditor& e, auto& n, auto& p, auto&) { return e.sourceGainDb(n[0], Number(Single(p, "srcgain"), "dB")); }},
        {"out.W.gain", "DB          output gain of way W (0 LOW, 1 HIGH; subwoofer 0)",
         [](ParamEditor& e, auto& n, auto& p, auto&) { return e.outputGainDb(n[0], Number(Single(p, "gain"), "dB")); }},
        {"out.W.mute", "0|1         output mute of way W",
         [](ParamEditor& e, auto& n, auto& p, auto&) { return e.outputMute(n[0], Flag(Single(p, "mute"), "mute")); }},
        {"out.W.polarity", "0|1     output polarity of way W (1 = inverted)",
         [](ParamEditor& e, auto& n, auto& p, auto&) {
             return e.outputPolarity(n[0], Flag(Single(p, "polarity"), "polarity"));
         }},
        {"out.W.delay", "MS         output delay of way W, 0..40 ms; larger values are set to the limit",
         [](ParamEditor& e, auto& n, auto& p, auto&) { return e.outputDelay(n[0], Number(Single(p, "delay"), "ms")); }},
        {"out.W.makeup", "DB        output make-up of way W, -12..12 dB (subwoofer -9..12)",
         [](ParamEditor& e, auto& n, auto& p, auto&) { return e.makeUpDb(n[0], Number(Single(p, "makeup"), "dB")); }},
        {"out.W.hlimiter", "CODE    output limiter setting of way W (0..255)",
         [](ParamEditor& e, auto& n, auto& p, auto&) { return e.outputLimiter(n[0], Integer(Single(p, "hlimiter"), "code")); }},
        {"peq.in.B", "type=T freq=HZ q=Q gain=DB bypass=0|1   input band B (0..50; subwoofer 0..4)",
         [](ParamEditor& e, auto& n, auto&, const Values& k) {
             const int inputBands = e.kind() == DeviceKind::Sub ? sub::kInputBands : sat::kInputBands;
             if (n[0] >= inputBands) return EditResult{Refusal::WrongValue, {}};
             return e.peqBand(n[0], 0,
                              PeqFields(k));
         }},
        {"peq.out.W.B", "type=T freq=HZ q=Q gain=DB bypass=0|1   output band B (0..7) of way W",
         [](ParamEditor& e, auto& n, auto&, const Values& k) {
             const int inputBands = e.kind() == DeviceKind::Sub ? sub::kInputBands : sat::kInputBands;
             if (n[1] < 0 || n[1] >= 8) throw UsageError{"output bands are 0..7"};
             return e.peqBand(inputBands + n[1], n[0],
                              PeqFields(k));
         }},
        {"eqbypass.in.S", "0|1   bypass of input EQ section S (0..2; subwoofer 0)",
         [](ParamEditor& e, auto& n, auto& p, auto&) { return e.inputEqBypass(n[0], Flag(Single(p, "bypass"), "bypass")); }},
        {"eqbypass.out.W", "0|1  bypass of the output EQ of way W",
         [](ParamEditor& e, auto& n, auto& p, auto&) { return e.outputEqBypass(n[0], Flag(Single(p, "bypass"), "bypass")); }},
        {"xover.in", "slope=S freq=HZ   input crossover (slope list position 0..12; subwoofer 0..8)",
         [](ParamEditor& e, auto&, auto&, const Values& k) {
             return e.inputCrossover(Opt<int>(k, "slope", Integer), Opt<double>(k, "freq", Number));
         }},
        {"xover.out.W.hp", "slope=S freq=HZ   output high-pass of way W",
         [](ParamEditor& e, auto& n, auto&, const Values& k) {
             return e.outputFilter(n[0], false, Opt<int>(k, "slope", Integer), Opt<double>(k, "freq", Number));
         }},
        {"xover.out.W.lp", "slope=S freq=HZ   output low-pass of way W",
         [](ParamEditor& e, auto& n, auto&, const Values& k) {
             return e.outputFilter(n[0], true, Opt<int>(k, "slope", Integer), Opt<double>(k, "freq", Number));
         }},
        {"gate", "on=0|1 threshold=DB attack=MS release=MS   noise gate (-90..-60 dB; attack 1..1000, release 30..1000 ms from the lists)",
         [](ParamEditor& e, auto&, auto&, const Values& k) {
             return e.gate(Opt<bool>(k, "on", Flag), Opt<double>(k, "threshold", Number), Opt<int>(k, "attack", Integer),
                           Opt<int>(k, "release", Integer));
         }},
        {"dlf", "on=0|1 amount=0..100 reference=0..100   DLF (reference: satellite only)",
         [](ParamEditor& e, auto&, auto&, const Values& k) {
             return e.dlf(Opt<bool>(k, "on", Flag), Opt<double>(k, "amount", Number), Opt<double>(k, "reference", Number));
         }},
        {"compressor", "on=0|1 auto=0|1 threshold=DB ratio=1..32 makeup=DB attack=CODE release=CODE   input compressor",
         [](ParamEditor& e, auto&, auto&, const Values& k) {
             return e.compressor(-1, CompressorFields(k));
         }},
        {"out.W.compressor", "on=0|1 auto=0|1 threshold=DB ratio=1..32 makeup=DB attack=CODE release=CODE   output compressor of way W (satellite)",
         [](ParamEditor& e, auto& n, auto&, const Values& k) {
             return e.compressor(n[0], CompressorFields(k));
         }},
        {"limiter.W", "on=0|1 threshold=DB   limiter of way W, -40..0 dB",
         [](ParamEditor& e, auto& n, auto&, const Values& k) {
             return e.limiter(n[0], Opt<bool>(k, "on", Flag), Opt<double>(k, "threshold", Number));
         }},
        {"noise", "on=0|1 type=0|1 level=DB   noise generator, -50..-10 dB",
         [](ParamEditor& e, auto&, auto&, const Values& k) {
             return e.noise(Opt<bool>(k, "on", Flag), Opt<int>(k, "type", Integer), Opt<double>(k, "level", Number));
         }},
        {"room", "0..100    room correction (satellite)",
         [](ParamEditor& e, auto&, auto& p, auto&) { return e.roomCorrection(Number(Single(p, "room"), "value")); }},
    };
    return table;
}

// Finds the parameter and the numbers standing for W, B and S.
const ParamSpec* FindParam(const std::string& name, std::vector<int>& numbers) {
    for (const ParamSpec& spec : ParamTable()) {
        if (auto found = device::MatchParamPattern(spec.pattern, name)) {
            numbers = std::move(*found);
            return &spec;
        }
    }
    return nullptr;
}

bool Listed(CliSession& session, int slot) {
    if (session.ctx().device(slot).isPresent()) return true;
    session.err() << "plenumctl: slot " << slot << " holds no device\n";
    return false;
}

int SetParam(CliSession& session, int slot, const std::string& name, const std::vector<std::string>& args) {
    std::vector<int> numbers;
    const ParamSpec* spec = FindParam(name, numbers);
    if (spec == nullptr) {
        session.err() << "plenumctl: no parameter '" << name << "' (see: plenumctl help params)\n";
        return kExitUsage;
    }
    if (!Listed(session, slot)) return kExitRefused;
    std::vector<std::string> positional;
    Values keyed;
    for (const auto& arg : args) {
        const auto equals = arg.find('=');
        if (equals == std::string::npos)
            positional.push_back(arg);
        else
            keyed[arg.substr(0, equals)] = arg.substr(equals + 1);
    }
    AppContext& ctx = session.ctx();
    EditResult result;
    try {
        // The arguments are checked against the usage before anything is changed.
        const std::vector<std::string> fields = FieldsOf(*spec);
        if (!keyed.empty() && !positional.empty()) throw UsageError{name + " takes either a value or key=value fields"};
        if (keyed.empty() && positional.empty()) throw UsageError{name + " needs a value"};
        if (fields.empty() && !keyed.empty()) throw UsageError{name + " takes a plain value"};
        if (!fields.empty() && !positional.empty()) throw UsageError{name + " takes key=value fields"};
        for (const auto& [key, value] : keyed)
            if (std::find(fields.begin(), fields.end(), key) == fields.end())
                throw UsageError{"'" + key + "' is not a field of " + name};
        ParamEditor editor(ctx, slot);
        result = spec->set(editor, numbers, positional, keyed);
    } catch (const UsageError& error) {
        session.err() << "plenumctl: " << error.text << '\n';
        return kExitUsage;
    }
    if (!result.ok()) {
        Tell(session.prompter(), ctx.LanguageFlag, RefusalText(result.refusal, KindOf(ctx.device(slot))));
        return kExitRefused;
    }
    if (!ctx.device(slot).isConnected()) session.err() << "plenumctl: slot " << slot << " is off-line: image changed, nothing sent\n";
    comm::DeviceComm& comm = session.comm();
    bool sent = true;
    for (const EditTarget& target : result.sends) {
        sent = SendParam(comm, slot, target.family, target.address) == 0 && sent;
        SendParamToLinked(comm, slot, target.family, target.address);
    }
    // The image keeps the new value either way, as after a failed send from the edit window.
    return sent ? kExitOk : session.wireFailure(slot);
}

// Values computed from the image in steps like 0.2 dB carry binary noise (-1.5999999999999996);
// rounded to three decimals they print as the display shows them (-1.6), in text and JSON.
json RoundedForPrint(json value) {
    if (value.is_number_float()) return std::round(value.get<double>() * 1000.0) / 1000.0 + 0.0;
    if (value.is_object())
        for (auto& [key, field] : value.items()) field = RoundedForPrint(field);
    return value;
}

int GetParam(CliSession& session, int slot, const std::string& name) {
    std::vector<int> numbers;
    const ParamSpec* spec = FindParam(name, numbers);
    if (spec == nullptr) {
        session.err() << "plenumctl: no parameter '" << name << "' (see: plenumctl help params)\n";
        return kExitUsage;
    }
    if (!Listed(session, slot)) return kExitRefused;
    // Addresses outside the device's range read nothing.
    ParamEditor probe(session.ctx(), slot);
    const bool sub = probe.kind() == DeviceKind::Sub;
    const int maxWay = sub ? 0 : 1;
    const bool wayFirst = spec->pattern.find(".W") != std::string::npos;
    if (wayFirst && numbers[0] > maxWay) {
        session.err() << "plenumctl: this device has no way " << numbers[0] << '\n';
        return kExitUsage;
    }
    if (spec->pattern == "peq.in.B" && numbers[0] >= (sub ? sub::kInputBands : sat::kInputBands)) {
        session.err() << "plenumctl: no input band " << numbers[0] << '\n';
        return kExitUsage;
    }
    if ((spec->pattern == "peq.out.W.B" && numbers[1] > 7) || (spec->pattern == "eqbypass.in.S" && numbers[0] > (sub ? 0 : 2)) ||
        (spec->pattern == "input.srcgain.S" && numbers[0] > 1)) {
        session.err() << "plenumctl: no such " << name << '\n';
        return kExitUsage;
    }
    const json value = RoundedForPrint(device::ParamValueOf(session.ctx(), slot, spec->pattern, numbers));
    if (session.options().json) {
        session.out() << json{{"slot", slot}, {"param", name}, {"value", value}}.dump() << '\n';
    } else if (value.is_object()) {
        std::string line;
        for (const auto& [key, field] : value.items()) line += (line.empty() ? "" : " ") + key + "=" + (field.is_string() ? field.get<std::string>() : field.dump());
        session.out() << line << '\n';
    } else {
        session.out() << (value.is_string() ? value.get<std::string>() : value.dump()) << '\n';
    }
    return kExitOk;
}

void Hex(std::ostream& out, std::span<const std::uint8_t> bytes) {
    char line[24];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0) {
            std::snprintf(line, sizeof line, "%04zx:", i);
            out << line;
        }
        std::snprintf(line, sizeof line, " %02X", bytes[i]);
        out << line;
        if (i % 16 == 15 || i + 1 == bytes.size()) out << '\n';
    }
}

bool OnLine(CliSession& session, int slot) {
    if (!Listed(session, slot)) return false;
    if (session.ctx().device(slot).isConnected()) return true;
    session.err() << "plenumctl: slot " << slot << " is off-line\n";
    return false;
}

}  // namespace

void AddDeviceCommands(CLI::App& app, Action& action) {
    auto slot = std::make_shared<int>(0);
    auto name = std::make_shared<std::string>();
    auto values = std::make_shared<std::vector<std::string>>();

    auto* set = app.add_subcommand("set", "Set a parameter of a device and send it (see: plenumctl help params)");
    set->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    set->add_option("PARAM", *name, "Parameter name")->required();
    set->add_option("VALUE", *values, "Value, or key=value fields")->required();
    set->callback([&action, slot, name, values] {
        action = [slot, name, values](CliSession& session) { return SetParam(session, *slot, *name, *values); };
    });

    auto* get = app.add_subcommand("get", "Print a parameter of a device as the application holds it");
    get->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    get->add_option("PARAM", *name, "Parameter name")->required();
    get->callback([&action, slot, name] {
        action = [slot, name](CliSession& session) { return GetParam(session, *slot, *name); };
    });

    // read and write move the status record and the live program as one, in either direction.
    auto transfer = [&action, slot](CLI::App* command, bool toDevice) {
        command->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
        command->callback([&action, slot, toDevice] {
            action = [slot, toDevice](CliSession& session) {
                if (!OnLine(session, *slot)) return kExitRefused;
                comm::DeviceComm& comm = session.comm();
                const bool ok = toDevice ? WriteStatus(comm, *slot) == 0 && WriteImage(comm, *slot) == 0
                                         : ReadStatus(comm, *slot) == 0 && ReadImage(comm, *slot) == 0;
                if (ok) return kExitOk;
                session.err() << "plenumctl: " << (toDevice ? "writing" : "reading") << " slot " << *slot << " failed\n";
                return session.wireFailure(*slot);
            };
        });
    };
    transfer(app.add_subcommand("read", "Read a device's status and live program into the application"), false);
    transfer(app.add_subcommand("write", "Write the application's status record and live program to a device"), true);

    auto* dump = app.add_subcommand("dump", "Print a device's image or status record in hex, as held");
    dump->add_option("SLOT", *slot, "Slot 1-24")->required()->check(CLI::Range(1, 24));
    auto status = std::make_shared<bool>(false);
    auto image = std::make_shared<bool>(false);
    auto* imageFlag = dump->add_flag("--image", *image, "The live program image");
    dump->add_flag("--status", *status, "The status record")->excludes(imageFlag);
    dump->callback([&action, slot, status, image] {
        if (!*status && !*image) throw CLI::RequiredError("--image or --status");
        action = [slot, status](CliSession& session) {
            if (!Listed(session, *slot)) return kExitRefused;
            const AppContext& ctx = session.ctx();
            const auto index = static_cast<std::size_t>(*slot);
            if (*status)
                Hex(session.out(), ctx.statusOf(*slot).bytes);
            else if (ctx.device(*slot).isSub())
                Hex(session.out(), ctx.subImage[index].bytes);
            else
                Hex(session.out(), ctx.satImage[index].bytes);
            return kExitOk;
        };
    });

    auto* help = app.add_subcommand("help", "Help on a topic: params");
    auto topic = std::make_shared<std::string>();
    help->add_option("TOPIC", *topic, "params")->required()->check(CLI::IsMember({"params"}));
    help->callback([topic] {
        std::printf("Parameters of plenumctl set / get (W = way 0 LOW, 1 HIGH; a subwoofer has way 0 only):\n");
        for (const ParamSpec& spec : ParamTable()) {
            const UsageColumns columns = SplitUsage(spec.usage);
            // Two blanks at least between the columns, as in the usage itself.
            std::printf("  %-17s %-52s  %s\n", spec.pattern.c_str(), columns.arguments.c_str(),
                        columns.description.c_str());
        }
        std::printf("PEQ types: ");
        for (int code = 0; code < kPeqTypeCount; ++code)
            std::printf("%d=%s%s", code, std::string(PeqTypeLabel(static_cast<PeqType>(code))).c_str(),
                        code + 1 < kPeqTypeCount ? ", " : "\n");
    });
}

}  // namespace plenum::cli
