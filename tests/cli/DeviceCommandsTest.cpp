// plenumctl set / get / read / write / dump against a simulated loudspeaker on loopback, through
// chained invocations on one data folder.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"
#include "core/FactoryPrograms.h"
#include "sim/Simulator.h"
#include "store/ProjectFile.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

class DeviceCommands : public ::testing::Test {
protected:
    void SetUp() override {
        sim::DeviceConfig sat;
        sat.host = "127.0.0.2";
        sat.modelCode = 8;
        satDevice = &simulator.add(sat);
        sim::DeviceConfig sub;
        sub.host = "127.0.0.3";
        sub.modelCode = 1;
        subDevice = &simulator.add(sub);
        simulator.start();
        satDevice->writeMemory(384, SatFactoryImage(0).bytes);
        // A session in which both devices are listed and on-line, as a connect would leave it.
        AppContext ctx;
        auto list = [&](int slot, const sim::SimulatedDevice& device) {
            DeviceRecord& r = ctx.device(slot);
            r.Present = r.Connected = kTrue16;
            r.LinkMode = kLinkLan;
            r.Address = device.config().host;
            r.ModelCode = device.config().modelCode;
        };
        list(1, *satDevice);
        list(2, *subDevice);
        ctx.satImage[1] = SatFactoryImage(0);
        ctx.subImage[2] = SubFactoryImage();
        ASSERT_FALSE(SaveSessionProject(ctx, AppPaths(dir.path())));
    }

    test::CliResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device-port", std::to_string(simulator.commonPort())});
        return test::RunCli(dir.path().string(), std::move(args));
    }

    std::vector<test::WireBytes> requests(const sim::SimulatedDevice& device) {
        std::vector<test::WireBytes> frames;
        for (const auto& f : device.frames())
            if (f.fromHost && f.bytes.size() > 1) frames.push_back(f.bytes);
        return frames;
    }

    sim::Simulator simulator;
    sim::SimulatedDevice* satDevice = nullptr;
    sim::SimulatedDevice* subDevice = nullptr;
    test::TempDir dir;
};

TEST_F(DeviceCommands, SetSendsTheFamilyAndGetReadsItBack) {
    const auto set = run({"set", "1", "input.gain", "-6"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    ASSERT_TRUE(test::Eventually([&] { return !requests(*satDevice).empty(); }));
    const auto frame = requests(*satDevice).back();
    EXPECT_EQ((test::WireBytes(frame.begin() + 3, frame.begin() + 7)), (test::WireBytes{1, 0, 0, 101}));
    EXPECT_EQ(run({"get", "1", "input.gain"}).out, "-6.0\n");

    ASSERT_EQ(run({"set", "1", "peq.out.1.7", "type=HShQ", "freq=20000", "q=2.3", "gain=15"}).exitCode, 0);
    EXPECT_EQ(run({"get", "1", "peq.out.1.7"}).out, "bypass=0 freq=20000 gain=15.0 q=2.3 type=HShQ\n");
    const auto json = nlohmann::json::parse(run({"--json", "get", "1", "peq.out.1.7"}).out);
    EXPECT_EQ(json["value"]["freq"], 20000);

    ASSERT_EQ(run({"set", "2", "peq.out.0.7", "gain=1"}).exitCode, 0);  // subwoofer band 12
    ASSERT_TRUE(test::Eventually([&] { return !requests(*subDevice).empty(); }));
    const auto subFrame = requests(*subDevice).back();
    EXPECT_EQ(subFrame[3], 5);
    EXPECT_EQ(subFrame[6], 7);
    EXPECT_EQ(run({"set", "2", "input.delay", "250"}).exitCode, 0);
    EXPECT_EQ(run({"get", "2", "input.delay"}).out, "200.0\n");
    // A plain value, though the description says "(1 = inverted)".
    EXPECT_EQ(run({"set", "1", "input.polarity", "1"}).exitCode, 0);
    EXPECT_EQ(run({"get", "1", "input.polarity"}).out, "1\n");
}

TEST_F(DeviceCommands, RefusalsUseTheWindowsTextsAndChangeNothing) {
    const auto before = run({"dump", "1", "--image"}).out;
    const auto subBefore = run({"dump", "2", "--image"}).out;
    struct Row {
        std::vector<std::string> args;
        int exitCode;
        std::string err;
    } rows[] = {
        {{"set", "1", "input.gain", "-91"}, 1, "Warning: Wrong value\n"},
        {{"set", "1", "peq.in.3", "freq=19"}, 1, "Warning: Wrong value\n"},
        {{"set", "1", "peq.in.51", "gain=0"}, 1, "Warning: Wrong value\n"},
        {{"set", "1", "out.2.gain", "0"}, 1, "Warning: Wrong value\n"},
        {{"set", "2", "out.1.gain", "0"}, 1, "Warning:   Incorrect value\n"},
        {{"set", "2", "peq.in.0", "freq=19"}, 1, "Warning:   Incorrect value\n"},
        {{"set", "1", "nonsense", "1"}, 2, "plenumctl: no parameter 'nonsense' (see: plenumctl help params)\n"},
        {{"set", "1", "gate", "volume=3"}, 2, "plenumctl: 'volume' is not a field of gate\n"},
        {{"set", "1", "input.gain", "loud"}, 2, "plenumctl: 'loud' is not a number (dB)\n"},
        {{"set", "1", "input.mute", "2"}, 2, "plenumctl: '2' is not 0 or 1 (mute)\n"},
        {{"set", "1", "gate", "1"}, 2, "plenumctl: gate takes key=value fields\n"},
        {{"set", "5", "input.gain", "0"}, 1, "plenumctl: slot 5 holds no device\n"},
    };
    for (const auto& row : rows) {
        const auto result = run(row.args);
        EXPECT_EQ(result.exitCode, row.exitCode) << row.args[2];
        EXPECT_EQ(result.err, row.err) << row.args[2];
    }
    EXPECT_EQ(run({"--lang", "zh", "set", "1", "peq.in.3", "q=0.01"}).err, "警告:   不正确的 Q 值\n");
    EXPECT_EQ(run({"--lang", "zh", "set", "1", "peq.in.3", "freq=19"}).err, "警告:   不正确的频率值\n");
    EXPECT_EQ(run({"--lang", "zh", "set", "2", "peq.in.3", "q=0.01"}).err, "警告:   不正确的 Q 值\n");
    EXPECT_EQ(run({"--lang", "zh", "set", "2", "peq.in.3", "freq=19"}).err, "警告:   不正确的值\n");
    EXPECT_EQ(run({"dump", "1", "--image"}).out, before);
    EXPECT_EQ(run({"dump", "2", "--image"}).out, subBefore);
    EXPECT_TRUE(requests(*satDevice).empty());
    EXPECT_TRUE(requests(*subDevice).empty());
}

TEST_F(DeviceCommands, ReadBringsTheDeviceStateAndDumpShowsIt) {
    test::WireBytes name(16, ' ');
    std::copy_n("FRONT OF HOUSE", 14, name.begin());
    satDevice->writeMemory(384, name);
    satDevice->writeMemory(384 + 20, test::WireBytes{77});
    ASSERT_EQ(run({"read", "1"}).exitCode, 0);
    EXPECT_EQ(run({"get", "1", "input.gain"}).out, "-12.0\n");
    const auto dump = run({"dump", "1", "--image"}).out;
    EXPECT_EQ(dump.substr(0, 54), "0000: 46 52 4F 4E 54 20 4F 46 20 48 4F 55 53 45 20 20\n");
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 36);
    const auto status = run({"dump", "2", "--status"}).out;
    EXPECT_EQ(std::count(status.begin(), status.end(), '\n'), 24);
    EXPECT_EQ(run({"dump", "1"}).exitCode, 2);
}

TEST_F(DeviceCommands, WriteSendsStatusAndImage) {
    ASSERT_EQ(run({"set", "1", "room", "55"}).exitCode, 0);
    ASSERT_EQ(run({"write", "1"}).exitCode, 0);
    EXPECT_EQ(satDevice->readMemory(384 + 500, 1), test::WireBytes{55});
}

// The subwoofer's one output has a delay, mute and polarity of its own: set sends them, get reads
// them from where the device keeps them, and the device's memory agrees with the image.
TEST_F(DeviceCommands, SubwooferOutputDelayMuteAndPolarity) {
    subDevice->writeMemory(384, SubFactoryImage().bytes);
    struct Row {
        std::string param;
        std::string value;
        std::string shown;
        test::WireBytes payload;  // code and P1..P5 of the frame sent
    } rows[] = {
        {"out.0.delay", "12.5", "12.5\n", {2, 1, 0, 0, 12, 24}},
        {"out.0.delay", "41", "40.0\n", {2, 1, 0, 0, 40, 0}},
        {"out.0.mute", "1", "1\n", {3, 1, 0, 1, 0, 0}},
        {"out.0.polarity", "1", "1\n", {4, 1, 0, 1, 0, 0}},
        {"out.0.mute", "0", "0\n", {3, 1, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        const std::size_t before = requests(*subDevice).size();
        const auto set = run({"set", "2", row.param, row.value});
        ASSERT_EQ(set.exitCode, 0) << row.param << ": " << set.err;
        EXPECT_EQ(run({"get", "2", row.param}).out, row.shown) << row.param;
        ASSERT_TRUE(test::Eventually([&] { return requests(*subDevice).size() == before + 1; }));
        const auto frame = requests(*subDevice).back();
        EXPECT_EQ((test::WireBytes(frame.begin() + 3, frame.begin() + 9)), row.payload) << row.param;
    }
    EXPECT_EQ(run({"get", "2", "out.1.mute"}).exitCode, 2);
    AppContext ctx;
    ASSERT_TRUE(LoadSessionProject(ctx, AppPaths(dir.path())));
    EXPECT_EQ(subDevice->readMemory(384, 192), test::WireBytes(ctx.subImage[2].bytes.begin(), ctx.subImage[2].bytes.end()));
}

TEST_F(DeviceCommands, OfflineDeviceChangesTheImageOnly) {
    AppContext ctx;
    ASSERT_TRUE(LoadSessionProject(ctx, AppPaths(dir.path())));
    ctx.device(1).Connected = kFalse16;
    ASSERT_FALSE(SaveSessionProject(ctx, AppPaths(dir.path())));
    const auto set = run({"set", "1", "input.mute", "1"});
    EXPECT_EQ(set.exitCode, 0);
    EXPECT_EQ(set.err, "plenumctl: slot 1 is off-line: image changed, nothing sent\n");
    EXPECT_EQ(run({"get", "1", "input.mute"}).out, "1\n");
    EXPECT_EQ(run({"read", "1"}).err, "plenumctl: slot 1 is off-line\n");
    EXPECT_TRUE(requests(*satDevice).empty());
}

}  // namespace
}  // namespace plenum
