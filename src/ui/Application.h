// The desktop application's start: options, the start-up sequence (language, display check,
// decimal separator, folders, the two-second start-up screen), the transports, the demo
// loudspeakers and the main window.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace plenum::ui {

struct Options {
    QString dataDir;                         // --data-dir DIR
    std::optional<int> languageFlag;         // --lang en|zh (this run only)
    std::optional<std::uint16_t> devicePort; // --device-port N
    std::optional<std::uint16_t> bridgePort; // --bridge-port N, else PLENUM_BRIDGE_PORT
    bool demo = false;                       // --demo
    QString tourDir;                         // --tour DIR (with --demo): scripted screenshots
    bool timing = false;                     // --timing: print start-up figures
    int startupMs = 2000;                    // --startup-ms N: length of the start-up screen
};

// Parses the arguments (argv[0] first). On a bad argument returns nothing and says why in `error`.
std::optional<Options> ParseOptions(const QStringList& arguments, QString& error);

int RunApplication(int argc, char** argv);

}  // namespace plenum::ui
