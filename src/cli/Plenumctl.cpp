#include <ostream>

#include "cli/Commands.h"
#include "cli/ResponseCommand.h"
#include "core/Version.h"

namespace plenum::cli {

int RunPlenumctl(int argc, const char* const argv[], std::ostream& out, std::ostream& err,
                 const WireTimeouts& timeouts) {
    CLI::App app{"plenumctl - control DSP loudspeakers from the command line.\n"
                 "Every invocation restores the session of the data folder and saves it again when the "
                 "command has run (also when it failed), so invocations chain like one session.",
                 "plenumctl"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("plenumctl ") + kVersionText, "Print the name and version and exit");
    GlobalOptions options;
    options.timeouts = timeouts;
    app.add_option("--data-dir", options.dataDir, "Data folder (default: $XDG_DATA_HOME/plenum)");
    app.add_option("--lang", options.lang, "Language of the messages: en or zh (default: the saved choice)")
        ->check(CLI::IsMember({"en", "zh"}));
    auto* yes = app.add_flag("--yes", options.yes, "Answer Yes to every question");
    app.add_flag("--no", options.no, "Answer No to every question")->excludes(yes);
    app.add_flag("--json", options.json, "Print results as JSON");
    app.add_option("--device-port", options.devicePort,
                   "TCP port of the loudspeakers (default: $PLENUM_DEVICE_PORT, else 1001)")
        ->check(CLI::Range(1, 65535));

    Action action;
    AddRegistryCommands(app, action);
    AddSettingsCommands(app, action);
    AddDeviceCommands(app, action);
    AddWireCommands(app, action);
    AddGroupCommands(app, action);
    AddDriftCommands(app, action);
    AddProgramCommands(app, action);
    AddFirCommands(app, action);
    AddResponseCommand(app);  // needs no session: prints while the arguments are parsed
    AddFirDesignCommands(app, out, err, options);  // the same for fir design and fir response
    AddWizardCommand(app, out, err, options);      // and for the wizard

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error, out, err);
        // The commands that run while the arguments are parsed (fir design, wizard) end with
        // their own exit code; anything else here is a usage error.
        if (dynamic_cast<const CLI::RuntimeError*>(&error) != nullptr) return code;
        return code == 0 ? kExitOk : kExitUsage;
    }
    if (!action) return kExitOk;

    CliSession session(options, out, err);
    if (!session.open()) return kExitRefused;
    const int result = action(session);
    // A failing command may still have changed the application state (a device the transaction
    // took off-line, one that a firmware attempt disconnected): the next invocation must see it.
    // Only a usage error is known to have changed nothing.
    if (result == kExitUsage) return result;
    const bool saved = session.save();
    if (result != kExitOk) return result;
    return saved ? kExitOk : kExitIo;
}

}  // namespace plenum::cli
