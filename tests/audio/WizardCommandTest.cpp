#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "cli/CliRunner.h"

namespace plenum {
namespace {

namespace fs = std::filesystem;

std::string LastLine(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == '\n') t.pop_back();
    const auto nl = t.rfind('\n');
    return nl == std::string::npos ? t : t.substr(nl + 1);
}

class WizardCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("plenum-wizard-cli-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    test::CliResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), "wizard");
        return test::RunCli((dir_ / "data").string(), std::move(args));
    }
    fs::path dir_;
};

TEST_F(WizardCommand, BuiltinResponseIsRecoveredAndCorrected) {
    const auto r = Run({"--card", "virtual", "--response", "builtin", "--ts-dir", dir_.string(), "--save-ir",
                        (dir_ / "m.irw").string(), "--save-fir", (dir_ / "fir.txt").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::regex last(R"(wizard: IR error ([0-9.]+) dB, corrected deviation ([0-9.]+) dB, boost limit ([0-9.]+) dB)");
    std::smatch m;
    const std::string line = LastLine(r.out);
    ASSERT_TRUE(std::regex_match(line, m, last)) << line;
    EXPECT_LT(std::stod(m[1]), 0.5);
    EXPECT_LT(std::stod(m[2]), 2.0);
    EXPECT_EQ(m[3], "6.0");
    EXPECT_TRUE(fs::exists(dir_ / "TS" / "SW.wav"));
    EXPECT_TRUE(fs::exists(dir_ / "TS" / "ISW.wav"));
    EXPECT_TRUE(fs::exists(dir_ / "m.irw"));
    EXPECT_TRUE(fs::exists(dir_ / "fir.txt"));
    EXPECT_NE(r.out.find("Peak Level = "), std::string::npos);

    // The measured IR file plays back as a known response of its own.
    const auto again = Run({"--card", "virtual", "--response", (dir_ / "m.irw").string(), "--noise-db", "-70",
                            "--boost", "3"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    const std::string againLine = LastLine(again.out);
    ASSERT_TRUE(std::regex_match(againLine, m, last)) << again.out;
    EXPECT_LT(std::stod(m[1]), 0.5);
    EXPECT_EQ(m[3], "3.0");
}

TEST_F(WizardCommand, TargetFileIsUsed) {
    std::ofstream(dir_ / "t.eqt") << "Bell,3,2000,1\n";
    const auto r = Run({"--card", "virtual", "--response", "builtin", "--target", (dir_ / "t.eqt").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(LastLine(r.out).find("wizard: IR error "), std::string::npos);
}

TEST_F(WizardCommand, BadInputIsRefusedWithAClearError) {
    std::ofstream(dir_ / "bad.txt") << "1\nnot a sample\n";
    std::ofstream(dir_ / "bad.eqt") << "Bell,99,2000,1\n";
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--card", "virtual", "--response", (dir_ / "bad.txt").string()}, "line 2 is not a number"},
        {{"--card", "virtual", "--response", (dir_ / "missing.irw").string()}, "cannot open"},
        {{"--card", "virtual"}, "needs --response"},
        {{"--card", "virtual", "--response", "builtin", "--target", (dir_ / "bad.eqt").string()}, "gain must be"},
        {{"--card", "sideways", "--response", "builtin"}, "PortAudio device number"},
        {{"--card", "virtual", "--response", "builtin", "--smoothing", "1/7"}, "Admited value"},
        {{"--card", "virtual", "--response", "builtin", "--way", "1"}, "--way requires --store"},
    };
    for (const Case& c : cases) {
        const auto r = Run(c.args);
        EXPECT_NE(r.exitCode, 0) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("wizard: IR error"), std::string::npos);
    }
}

}  // namespace
}  // namespace plenum
