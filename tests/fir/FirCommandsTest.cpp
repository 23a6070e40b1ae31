// plenumctl fir design and fir response, run in-process as the tool's main runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliRunner.h"
#include "fir/FirDesign.h"
#include "fir/FirResponse.h"

namespace plenum {
namespace {

namespace fs = std::filesystem;

class FirCommands : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("plenum-fir-cli-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    test::CliResult Run(std::vector<std::string> args) { return test::RunCli((dir_ / "data").string(), std::move(args)); }
    std::string Write(const std::string& name, const std::string& text) {
        const auto path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    fs::path dir_;
};

std::vector<double> Lines(const std::string& text) {
    std::vector<double> values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) values.push_back(std::stod(line));
    return values;
}

TEST_F(FirCommands, DesignPrintsTheCoefficientsExactly) {
    struct Row {
        std::vector<std::string> args;
        FirDesignRequest request;
    };
    const std::vector<Row> rows{
        {{"--window", "Hamming", "--taps", "512", "--freq", "1200", "--type", "lp"},
         {FirWindow::Hamming, 53, 512, 1200, false, false, false}},
        {{"--window", "kaiser", "--att", "80", "--taps", "255", "--freq", "3000", "--type", "hp"},
         {FirWindow::Kaiser, 80, 255, 3000, true, false, false}},
        {{"--window", "Blackman -Harris", "--taps", "1024", "--freq", "250", "--type", "lp", "--min-phase"},
         {FirWindow::BlackmanHarris, 108, 1024, 250, false, true, false}},
        {{"--window", "10", "--att", "60", "--taps", "384", "--freq", "20000", "--type", "hp", "--min-latency"},
         {FirWindow::Sine, 60, 384, 20000, true, false, true}},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args{"fir", "design"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const auto result = Run(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        FirDesign expected;
        ASSERT_EQ(DesignFir(row.request, expected), FirDesignResult::Ok);
        EXPECT_EQ(Lines(result.out), expected.coefficients) << row.args[1];
    }
}

TEST_F(FirCommands, CrossoversThatCannotBeBuiltPrintTheMessageAndNothingElse) {
    struct Row {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string wrong = "Wrong XOver paramaters";
    const std::vector<Row> rows{
        {{"fir", "design", "--window", "Rect", "--taps", "512", "--freq", "249", "--type", "lp"}, wrong},
        {{"fir", "design", "--window", "Rect", "--taps", "2048", "--freq", "1000", "--type", "lp"}, wrong},
        {{"fir", "design", "--window", "Kaiser", "--att", "10", "--taps", "512", "--freq", "1000", "--type", "hp"}, wrong},
        {{"--lang", "zh", "fir", "design", "--window", "Rect", "--taps", "512", "--freq", "30000", "--type", "lp"},
         "错误的分频参数"},
        {{"fir", "design", "--window", "Gauss", "--taps", "512", "--freq", "1000", "--type", "lp"}, "unknown window"},
        {{"fir", "design", "--window", "Hamming", "--att", "60", "--taps", "512", "--freq", "1000", "--type", "lp"},
         "fixed attenuation of 53 dB"},
        {{"fir", "design", "--window", "Rect", "--taps", "512", "--freq", "1000", "--type", "bp"}, "type"},
        {{"fir", "design", "--window", "Rect", "--taps", "512", "--freq", "abc", "--type", "lp"}, "freq"},
    };
    for (const Row& row : rows) {
        const auto result = Run(row.args);
        EXPECT_NE(result.exitCode, 0) << row.message;
        EXPECT_EQ(result.out, "") << row.message;
        EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
    }
}

TEST_F(FirCommands, ResponsePrintsTheTransformOfTheFile) {
    FirDesignRequest request;
    request.window = FirWindow::Blackman;
    request.taps = 256;
    request.frequencyHz = 2000;
    FirDesign design;
    ASSERT_EQ(DesignFir(request, design), FirDesignResult::Ok);
    const auto designed = Run({"fir", "design", "--window", "Blackman", "--taps", "256", "--freq", "2000", "--type", "lp"});
    ASSERT_EQ(designed.exitCode, 0);
    // CR LF line ends and a blank line are read too.
    std::string text;
    for (char c : designed.out) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const auto path = Write("lp.txt", text + "\r\n");

    const auto result = Run({"fir", "response", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    FirResponse expected;
    ASSERT_EQ(expected.Compute(design.coefficients), 0);
    std::istringstream lines(result.out);
    std::string line;
    std::size_t k = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(k, 8193u);
        std::istringstream fields(line);
        std::string f, db, deg, gd;
        ASSERT_TRUE(std::getline(fields, f, ',') && std::getline(fields, db, ',') && std::getline(fields, deg, ',') &&
                    std::getline(fields, gd));
        ASSERT_EQ(std::stod(f), expected.frequencies()[k]);
        ASSERT_EQ(std::stod(db), expected.magnitudeDb()[k]);
        ASSERT_EQ(std::stod(deg), expected.phaseDeg()[k]);
        ASSERT_EQ(std::stod(gd), expected.groupDelayMs()[k]);
        ++k;
    }
    EXPECT_EQ(k, 8193u);
}

TEST_F(FirCommands, UnreadableCoefficientFilesAreRefused) {
    std::string tooMany;
    for (int i = 0; i < 1025; ++i) tooMany += "0.001\n";
    const std::vector<std::string> paths{
        (dir_ / "missing.txt").string(),
        Write("empty.txt", ""),
        Write("words.txt", "0.5\nabc\n"),
        Write("two.txt", "0.5 0.25\n"),
        Write("nan.txt", "0.5\nnan\n"),
        Write("many.txt", tooMany),
    };
    for (const auto& path : paths) {
        const auto result = Run({"fir", "response", path});
        EXPECT_NE(result.exitCode, 0) << path;
        EXPECT_EQ(result.out, "") << path;
        EXPECT_NE(result.err.find("Wrong File"), std::string::npos) << path;
    }
}

}  // namespace
}  // namespace plenum
