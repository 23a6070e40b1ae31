// plenumctl fir load / fir store / ir import against a simulated satellite and subwoofer, through
// a chain of invocations on one data folder (the kept FIR travels in the session project).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/CliRunner.h"
#include "fir/FirData.h"
#include "fir/FirWord.h"
#include "sim/Simulator.h"
#include "store/ProjectFile.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

constexpr std::uint32_t kWayZeroWords = 4096 + 36;

class FirCli : public ::testing::Test {
protected:
    void SetUp() override {
        const std::uint8_t models[] = {8, 1};
        for (int i = 0; i < 2; ++i) {
            sim::DeviceConfig config;
            config.host = "127.0.0." + std::to_string(2 + i);
            config.modelCode = models[i];
            config.uniqueId = "00AA00BB00E" + std::to_string(i);
            config.name = "Cab " + std::to_string(i);
            devices.push_back(&simulator.add(config));
        }
        simulator.start();
        ASSERT_EQ(run({"search", "127.0.0.1", "10"}).out, "1\n2\n");
        const auto connect = run({"connect", "all", "--read"});
        ASSERT_EQ(connect.exitCode, 0) << connect.err;
        for (auto* device : devices) device->clearLog();
    }
    test::CliResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device-port", std::to_string(simulator.commonPort())});
        return test::RunCli(dir.path().string(), std::move(args), timeouts);
    }
    std::vector<test::WireBytes> requests(int device) {
        std::vector<test::WireBytes> frames;
        for (const auto& f : devices[static_cast<std::size_t>(device)]->frames())
            if (f.fromHost && f.bytes.size() > 1) frames.push_back(f.bytes);
        return frames;
    }
    std::vector<std::int32_t> deviceWords(std::size_t taps) {
        const auto bytes = devices[0]->readMemory(kWayZeroWords, taps * 3);
        std::vector<std::int32_t> words;
        for (std::size_t i = 0; i < taps; ++i)
            words.push_back(fir::FirWordFromBytes(std::span<const std::uint8_t, 3>(bytes.data() + 3 * i, 3)));
        return words;
    }
    ::testing::AssertionResult sessionMirrorsDevices() {
        AppContext ctx;
        if (!LoadSessionProject(ctx, AppPaths(dir.path())).restored()) return ::testing::AssertionFailure() << "no session";
        return test::MirrorsDevices(ctx, simulator);
    }

    sim::Simulator simulator;
    std::vector<sim::SimulatedDevice*> devices;
    test::TempDir dir;
    cli::WireTimeouts timeouts{test::FastTimeouts(), {}};
};

TEST_F(FirCli, LoadStoresTheFilesWordsAndPrintsTheLabel) {
    const auto load = run({"fir", "load", "1", "0", test::FirData("taps256.txt").string()});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    EXPECT_EQ(load.out, "FIR: Name=taps256.txt; Taps=256\n");
    EXPECT_EQ(deviceWords(256), test::ReadWords("taps256.words"));
    EXPECT_TRUE(sessionMirrorsDevices());

    // The kept words come back from the session project and go out again unchanged.
    const auto first = requests(0);
    devices[0]->clearLog();
    const auto store = run({"fir", "store", "1", "0"});
    ASSERT_EQ(store.exitCode, 0) << store.err;
    EXPECT_EQ(store.out, "FIR: Name=taps256.txt; Taps=256\n");
    EXPECT_EQ(requests(0), first);
}

TEST_F(FirCli, RefusedFilesSayWhyAndSendNothing) {
    struct Case {
        const char* file;
        const char* message;
    };
    for (const Case& c : {Case{"taps300.txt", "Error: Wrong File, use one of the followings taps:\n"
                                              "256, 288, 320, 352, 384, 416, 448, 480, 512, 1024"},
                          Case{"plus4.txt", "Error: Wrong File, coefficients out of range (<=-4 or >=+4)"},
                          Case{"taps1025.txt", "Error: Wrong File, max num of Taps should be 1024"},
                          Case{"unsupported.dat", "Error: Wrong File"}}) {
        const auto load = run({"fir", "load", "1", "1", test::FirData(c.file).string()});
        EXPECT_EQ(load.exitCode, 1) << c.file;
        EXPECT_NE(load.err.find(c.message), std::string::npos) << load.err;
        EXPECT_EQ(load.out, "");
    }
    EXPECT_TRUE(requests(0).empty());
}

TEST_F(FirCli, StoreWithoutKeptFirAndSubwooferAreRefused) {
    const auto store = run({"fir", "store", "1", "1"});
    EXPECT_EQ(store.exitCode, 1);
    EXPECT_NE(store.err.find("no FIR kept for way 1"), std::string::npos) << store.err;
    const auto sub = run({"fir", "load", "2", "0", test::FirData("taps256.txt").string()});
    EXPECT_EQ(sub.exitCode, 1);
    EXPECT_NE(sub.err.find("subwoofer"), std::string::npos) << sub.err;
    EXPECT_EQ(run({"fir", "load", "1", "2", test::FirData("taps256.txt").string()}).exitCode, 2);
    EXPECT_TRUE(requests(0).empty());
    EXPECT_TRUE(requests(1).empty());
}

TEST_F(FirCli, DroppedLinkIsReported) {
    devices[0]->setFault(sim::Fault::CloseConnection, -1, 3);
    const auto load = run({"fir", "load", "1", "0", test::FirData("taps256.txt").string()});
    devices[0]->setFault(sim::Fault::None);
    EXPECT_EQ(load.exitCode, 1);
    EXPECT_EQ(load.out, "");
    EXPECT_NE(load.err.find("off-line"), std::string::npos) << load.err;
}

TEST_F(FirCli, IrImportPrintsTheCurveOnTheDisplayGrid) {
    const auto import = run({"ir", "import", test::FirData("rita_mixed_case.txt").string()});
    ASSERT_EQ(import.exitCode, 0) << import.err;
    std::istringstream lines(import.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "freq,mag_db,phase_deg");
    std::size_t rows = 0;
    std::string last;
    while (std::getline(lines, line)) ++rows, last = line;
    EXPECT_EQ(rows, 6827u);
    EXPECT_EQ(last.substr(0, last.find(',')), "19998.05");
    EXPECT_EQ(import.err, "");

    const auto smoothed = run({"ir", "import", test::FirData("smaart.txt").string(), "--smooth", "1/6"});
    EXPECT_EQ(smoothed.exitCode, 0);
    EXPECT_EQ(smoothed.err, "");
    EXPECT_NE(smoothed.out, import.out);

    const auto csv = run({"ir", "import", test::FirData("smaart.csv").string()});
    EXPECT_EQ(csv.exitCode, 1);
    EXPECT_NE(csv.err.find(" Error: Wrong File"), std::string::npos) << csv.err;
    EXPECT_EQ(csv.out, "");
    for (const char* width : {"sixth", "1/7"}) {
        const auto refused = run({"ir", "import", test::FirData("smaart.txt").string(), "--smooth", width});
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_NE(refused.err.find("Admited value: 1/6, 1/5, 1/4, 1/3, 1/2"), std::string::npos) << refused.err;
    }
}

TEST_F(FirCli, WizardStoresTheDesignedFirIntoTheSatellite) {
    const std::string saved = (dir.path() / "wizard.txt").string();
    const auto r = run({"wizard", "--card", "virtual", "--response", "builtin", "--save-fir", saved, "--store", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("FIR: Name=FIR Wizard; Taps=1024\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.rfind("wizard: IR error "), std::string::npos);
    std::vector<double> taps;
    std::ifstream in(saved);
    for (double v; in >> v;) taps.push_back(v);
    ASSERT_EQ(taps.size(), 1024u);
    const auto words = fir::EncodeFirWords(taps);
    EXPECT_EQ(deviceWords(1024), std::vector<std::int32_t>(words.begin(), words.begin() + 1024));
    EXPECT_TRUE(sessionMirrorsDevices());

    // A subwoofer runs no FIR: refused, nothing sent.
    devices[1]->clearLog();
    const auto sub = run({"wizard", "--card", "virtual", "--response", "builtin", "--store", "2"});
    EXPECT_EQ(sub.exitCode, 1);
    EXPECT_NE(sub.err.find("is a subwoofer"), std::string::npos) << sub.err;
    EXPECT_TRUE(requests(1).empty());
}

}  // namespace
}  // namespace plenum
