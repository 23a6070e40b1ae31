// The "response" subcommand of plenumctl, driven through CLI11 as the tool's main would.
#include "cli/ResponseCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>

#include "dsp/ResponseCsv.h"

namespace plenum {
namespace {

// Runs the command line (without the program name); returns CLI11's exit code and the output.
std::pair<int, std::string> RunCommand(std::vector<std::string> args) {
    CLI::App app("plenumctl");
    AddResponseCommand(app);
    std::ostringstream captured;
    std::streambuf* saved = std::cout.rdbuf(captured.rdbuf());
    std::ostringstream errors;
    int code = 0;
    std::reverse(args.begin(), args.end());
    try {
        app.parse(args);
    } catch (const CLI::ParseError& e) {
        code = app.exit(e, captured, errors);
    }
    std::cout.rdbuf(saved);
    return {code, captured.str()};
}

std::string Expected(const PeqBand& band) {
    const FrequencyGrid grid;
    std::ostringstream out;
    WritePeqResponseCsv(out, grid, band);
    return out.str();
}

TEST(ResponseCommand, PeqPrintsTheCurve) {
    const auto [code, out] = RunCommand({"response", "peq", "--type", "0", "--freq", "1000", "--q", "1.25", "--gain", "-4.5"});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, Expected({1000, -4.5, 1.25, 0, 0}));
    const auto [bypassCode, bypassed] =
        RunCommand({"response", "peq", "--type", "0", "--freq", "1000", "--q", "1.25", "--gain", "-4.5", "--bypass"});
    EXPECT_EQ(bypassCode, 0);
    EXPECT_EQ(bypassed, Expected({1000, -4.5, 1.25, 0, 1}));
}

TEST(ResponseCommand, XoverPrintsTheSummedCurve) {
    const auto [code, out] = RunCommand({"response", "xover", "--slope", "12", "--highpass", "--freq", "80"});
    EXPECT_EQ(code, 0);
    const FrequencyGrid grid;
    std::ostringstream expected;
    WriteXoverResponseCsv(expected, grid, 12, false, 80);
    EXPECT_EQ(out, expected.str());
}

TEST(ResponseCommand, BadArgumentsPrintNothing) {
    const std::vector<std::vector<std::string>> bad{
        {"response", "peq", "--type", "18", "--freq", "1000", "--q", "1", "--gain", "0"},
        {"response", "peq", "--type", "0", "--freq", "25000", "--q", "1", "--gain", "0"},
        {"response", "peq", "--type", "0", "--freq", "1000", "--q", "0", "--gain", "0"},
        {"response", "peq", "--type", "0", "--freq", "1000", "--q", "1", "--gain", "16"},
        {"response", "peq", "--type", "0", "--freq", "abc", "--q", "1", "--gain", "0"},
        {"response", "peq", "--freq", "1000", "--q", "1", "--gain", "0"},
        {"response", "xover", "--slope", "7", "--lowpass", "--highpass", "--freq", "1000"},
        {"response", "xover", "--slope", "7", "--freq", "1000"},
        {"response", "xover", "--slope", "22", "--lowpass", "--freq", "1000"},
        {"response"},
    };
    for (const auto& args : bad) {
        const auto [code, out] = RunCommand(args);
        EXPECT_NE(code, 0) << args[1] << " " << args.size();
        EXPECT_EQ(out.find("0,0,0,0"), std::string::npos);
    }
}

}  // namespace
}  // namespace plenum
