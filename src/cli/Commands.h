// plenumctl's commands. Each group of commands registers its subcommands on the CLI11 app and,
// when one of them is chosen, sets the action that runs against the opened session.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <span>
#include <string>

#include "cli/CliSession.h"

namespace plenum::cli {

using Action = std::function<int(CliSession&)>;

void AddRegistryCommands(CLI::App& app, Action& action);  // list, add, remove
void AddSettingsCommands(CLI::App& app, Action& action);  // lang, project save|load
void AddDeviceCommands(CLI::App& app, Action& action);    // set, get, read, write, dump, help params
void AddWireCommands(CLI::App& app, Action& action);      // search, connect, disconnect, meters, raw
void AddGroupCommands(CLI::App& app, Action& action);     // group add|list|set|sync|check|remove
void AddDriftCommands(CLI::App& app, Action& action);     // diff, sync
// program, backup, restore, lock, login, logout, settings
void AddProgramCommands(CLI::App& app, Action& action);
void AddFirCommands(CLI::App& app, Action& action);  // fir load|store, ir import
// fir design, fir response: computations that need no session; they print to `out` while the
// arguments are parsed and report refusals on `err` (in the language of --lang).
void AddFirDesignCommands(CLI::App& app, std::ostream& out, std::ostream& err, const GlobalOptions& options);
// wizard: the FIR wizard's measurement and design, headless (needs no session either, unless
// --store sends the designed FIR to a satellite of the data folder's list).
void AddWizardCommand(CLI::App& app, std::ostream& out, std::ostream& err, const GlobalOptions& options);

// Stores coefficients into (slot, way) of an on-line satellite with the FIR store and prints the
// way's label; the exit code says how it went (the reason is on the error stream).
int StoreFirCoefficients(CliSession& session, int slot, int way, std::span<const double> coefficients,
                         const std::string& name);

// Runs plenumctl with the given arguments (argv[0] is the program name), on the wire with the given
// time-outs (the protocol's own by default).
int RunPlenumctl(int argc, const char* const argv[], std::ostream& out, std::ostream& err,
                 const WireTimeouts& timeouts = {});

}  // namespace plenum::cli
