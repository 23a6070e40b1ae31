// plenumctl response: prints the response of one PEQ band or one crossover filter on the
// 6827-point grid as CSV lines "k,freq,mag_db,phase_deg".
//   plenumctl response peq --type T --freq F --q Q --gain G [--bypass]
//   plenumctl response xover --slope S (--lowpass|--highpass) --freq F
#pragma once

#include <CLI/CLI.hpp>

namespace plenum {

// Adds the "response" subcommand (with "peq" and "xover") to the application; the output goes to
// std::cout, errors to std::cerr with a non-zero exit through CLI11.
void AddResponseCommand(CLI::App& app);

}  // namespace plenum
