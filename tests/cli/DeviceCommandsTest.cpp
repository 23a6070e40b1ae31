// plenumctl set / get / read / write / dump against a simulated loudspeaker on loopback, through
// chained invocations on one data folder.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <sstream>

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
        ctx.DeviceIdTable[1] = satDevice->config().busId;  // as identify left them
        ctx.DeviceIdTable[2] = subDevice->config().busId;
        ctx.satImage[1] = SatFactoryImage(0);
        ctx.subImage[2] = SubFactoryImage();
        subDevice->writeMemory(384, ctx.subImage[2].bytes);
        for (int slot : {1, 2}) {
            const auto status = (slot == 1 ? satDevice : subDevice)->readMemory(0, 384);
            std::copy(status.begin(), status.end(), ctx.statusOf(slot).bytes.begin());
        }
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
    // A value on the 0.2 dB grid prints as the display shows it, without binary noise.
    ASSERT_EQ(run({"set", "1", "input.gain", "-1.6"}).exitCode, 0);
    EXPECT_EQ(run({"get", "1", "input.gain"}).out, "-1.6\n");
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "get", "1", "input.gain"}).out)["value"], -1.6);

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

std::string HexOf(const test::WireBytes& bytes) {
    std::string text;
    char byte[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02x" : "%02x", bytes[i]);
        text += byte;
    }
    return text;
}

// Parameters that take one plain value (their usage's arguments column holds no "NAME=") go out as
// one short frame each, byte for byte as the device expects it.
TEST_F(DeviceCommands, PlainValuesSendTheirFrame) {
    struct Row {
        int slot;
        std::string param;
        std::string value;
        std::string frame;
    } rows[] = {
        {1, "input.polarity", "1", "f0 78 01 04 00 00 01 00 00 00 00 00 f7"},
        {1, "input.mute", "1", "f0 78 01 03 00 00 01 00 00 00 00 00 f7"},
        {1, "input.gain", "-6", "f0 78 01 01 00 00 65 00 00 00 00 00 f7"},
        {1, "input.delay", "1", "f0 78 01 02 00 00 00 01 00 00 00 00 f7"},
        {1, "input.srcgain.1", "-6", "f0 78 01 0b 00 11 83 65 00 00 00 00 f7"},
        {1, "out.1.gain", "-6", "f0 78 01 01 01 01 65 00 00 00 00 00 f7"},
        {1, "out.1.mute", "1", "f0 78 01 03 01 01 01 00 00 00 00 00 f7"},
        {1, "out.0.polarity", "1", "f0 78 01 04 01 00 01 00 00 00 00 00 f7"},
        {1, "out.1.delay", "2", "f0 78 01 02 01 01 00 02 00 00 00 00 f7"},
        {1, "out.1.makeup", "3", "f0 78 01 01 03 01 1e 00 00 00 00 00 f7"},
        {1, "out.0.hlimiter", "10", "f0 78 01 13 00 0a 00 00 00 00 00 00 f7"},
        {1, "eqbypass.in.2", "1", "f0 78 01 06 00 02 01 00 00 00 00 00 f7"},
        {1, "eqbypass.out.1", "1", "f0 78 01 06 01 01 01 00 00 00 00 00 f7"},
        {1, "room", "55", "f0 78 01 1d 37 00 00 00 00 00 00 00 f7"},
        {2, "input.polarity", "1", "f0 78 01 04 00 00 01 00 00 00 00 00 f7"},
        {2, "input.mute", "1", "f0 78 01 03 00 00 01 00 00 00 00 00 f7"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.param + " on slot " + std::to_string(row.slot));
        sim::SimulatedDevice& device = row.slot == 1 ? *satDevice : *subDevice;
        device.clearLog();
        const auto set = run({"set", std::to_string(row.slot), row.param, row.value});
        ASSERT_EQ(set.exitCode, 0) << set.err;
        EXPECT_EQ(set.err, "");
        ASSERT_TRUE(test::Eventually([&] { return !requests(device).empty(); }));
        const auto frames = requests(device);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(HexOf(frames[0]), row.frame);
    }
}

// Every parameter that `plenumctl help params` lists is accepted in the form its arguments column
// shows: a plain value, or each of its NAME= fields.
TEST_F(DeviceCommands, EveryParameterTakesWhatHelpParamsShows) {
    testing::internal::CaptureStdout();
    ASSERT_EQ(run({"help", "params"}).exitCode, 0);
    const std::string help = testing::internal::GetCapturedStdout();
    // A value the edit windows accept, by the placeholder of the usage or by the field's name.
    const std::map<std::string, std::string> plain{{"DB", "-6"}, {"0|1", "1"}, {"MS", "5"}, {"CODE", "10"}, {"0..100", "50"}};
    const std::map<std::string, std::string> field{
        {"type", "1"},    {"freq", "1000"}, {"q", "2"},         {"gain", "3"},      {"bypass", "1"},
        {"slope", "2"},   {"on", "1"},      {"auto", "1"},      {"attack", "10"},   {"release", "100"},
        {"amount", "50"}, {"reference", "40"}, {"ratio", "4"},  {"makeup", "3"},    {"level", "-20"},
        {"choice", "1"},  {"dante", "1"},   {"threshold", "-20"}};
    // Thresholds differ by parameter; the gate's comes from its list.
    const std::map<std::string, std::string> gateThreshold{{"threshold", "-70"}};
    std::istringstream lines(help.substr(help.find('\n') + 1));
    int checked = 0;
    for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0;) {
        std::istringstream words(line);
        std::string pattern;
        words >> pattern;
        // The arguments column starts at the 21st character and ends at two blanks.
        const std::string rest = line.substr(20);
        std::istringstream arguments(rest.substr(0, rest.find("  ")));
        std::vector<std::string> args;
        for (std::string word; arguments >> word;) args.push_back(word);
        ASSERT_FALSE(args.empty()) << line;
        std::string name = pattern;
        for (const char* number : {"W", "B", "S"})
            for (auto at = name.find(std::string(".") + number); at != std::string::npos; at = name.find(std::string(".") + number))
                name.replace(at + 1, 1, "1");
        SCOPED_TRACE(name);
        std::vector<std::vector<std::string>> values;
        if (args[0].find('=') == std::string::npos) {
            ASSERT_EQ(args.size(), 1u) << line;
            ASSERT_TRUE(plain.count(args[0])) << line;
            values.push_back({plain.at(args[0])});
        } else {
            for (const auto& arg : args) {
                const std::string key = arg.substr(0, arg.find('='));
                ASSERT_TRUE(field.count(key)) << line;
                values.push_back({key + "=" + (name == "gate" && key == "threshold" ? gateThreshold.at(key) : field.at(key))});
            }
        }
        for (const auto& value : values) {
            std::vector<std::string> command{"set", "1", name};
            command.insert(command.end(), value.begin(), value.end());
            const auto set = run(command);
            EXPECT_EQ(set.exitCode, 0) << value[0] << ": " << set.err;
            EXPECT_EQ(set.err, "") << value[0];
            ++checked;
        }
    }
    EXPECT_GE(checked, 40);
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
    ASSERT_TRUE(LoadSessionProject(ctx, AppPaths(dir.path())).restored());
    EXPECT_TRUE(test::MirrorsDevice(ctx, 2, *subDevice));
}

TEST_F(DeviceCommands, OfflineDeviceChangesTheImageOnly) {
    AppContext ctx;
    ASSERT_TRUE(LoadSessionProject(ctx, AppPaths(dir.path())).restored());
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
