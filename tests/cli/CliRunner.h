// Runs plenumctl in-process against one data folder, as a chain of invocations would.
#pragma once

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace plenum::test {

struct CliResult {
    int exitCode;
    std::string out;
    std::string err;
};

inline CliResult RunCli(const std::string& dataDir, std::vector<std::string> args,
                        const cli::WireTimeouts& timeouts = {}) {
    args.insert(args.begin(), {"plenumctl", "--data-dir", dataDir});
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int code = cli::RunPlenumctl(static_cast<int>(argv.size()), argv.data(), out, err, timeouts);
    return {code, out.str(), err.str()};
}

}  // namespace plenum::test
