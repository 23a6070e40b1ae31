// plenumctl group and drift commands against three simulated loudspeakers (two satellites and a
// subwoofer on 127.0.0.2-4), through a chain of invocations on one data folder.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"
#include "core/ImageLayout.h"
#include "sim/Simulator.h"
#include "store/ProjectFile.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

using test::WireBytes;

class GroupCli : public ::testing::Test {
protected:
    void SetUp() override {
        const std::uint8_t models[] = {8, 6, 1};
        for (int i = 0; i < 3; ++i) {
            sim::DeviceConfig config;
            config.host = "127.0.0." + std::to_string(2 + i);
            config.modelCode = models[i];
            config.uniqueId = "00AA00BB00D" + std::to_string(i);
            config.name = "Cab " + std::to_string(i);
            devices.push_back(&simulator.add(config));
        }
        devices[0]->writeMemory(229, WireBytes{120, 0, 80, 0});
        simulator.start();
        ASSERT_EQ(run({"search", "127.0.0.2", "4"}).out, "1\n2\n3\n");
        const auto connect = run({"connect", "all", "--read"});
        ASSERT_EQ(connect.exitCode, 0) << connect.err;
    }
    test::CliResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device-port", std::to_string(simulator.commonPort())});
        return test::RunCli(dir.path().string(), std::move(args), timeouts);
    }
    ::testing::AssertionResult sessionMirrorsDevices() {
        AppContext ctx;
        if (!LoadSessionProject(ctx, AppPaths(dir.path())).restored()) return ::testing::AssertionFailure() << "no session";
        return test::MirrorsDevices(ctx, simulator);
    }
    std::vector<WireBytes> writes(int device) {
        std::vector<WireBytes> frames;
        for (const auto& f : devices[static_cast<std::size_t>(device)]->frames())
            if (f.fromHost && f.bytes.size() > 3 && f.bytes[3] != 22 && f.bytes[3] != 0) frames.push_back(f.bytes);
        return frames;
    }
    void clearLogs() {
        for (auto* d : devices) d->clearLog();
    }

    sim::Simulator simulator;
    std::vector<sim::SimulatedDevice*> devices;
    test::TempDir dir;
    cli::WireTimeouts timeouts{test::FastTimeouts(), {}};
};

TEST_F(GroupCli, AddSetCheckSyncAndRemove) {
    // Without --yes the warning is answered No: nothing happens.
    const auto declined = run({"group", "add", "PA", "1", "2", "3"});
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.err.find("All devices will be synchronized with the parameters of the Group"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "group", "list"}).out).size(), 0u);
    EXPECT_EQ(run({"--yes", "group", "add", "X", "3", "2"}).exitCode, 1);  // a subwoofer is no Left
    EXPECT_EQ(run({"--yes", "group", "add", "X", "1", "1"}).err, "Can't Add: Please use different device for Left and Right\n");

    const auto added = run({"--yes", "group", "add", "PA", "1", "2", "3"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(added.out, "1\n");
    EXPECT_EQ(devices[1]->readMemory(229, 4), (WireBytes{120, 0, 70, 0}));
    EXPECT_TRUE(sessionMirrorsDevices());
    EXPECT_EQ(run({"--yes", "group", "add", "AGAIN", "1", "2"}).exitCode, 1);  // members of a group already

    clearLogs();
    ASSERT_EQ(run({"group", "set", "PA", "gain", "-3"}).exitCode, 0);
    ASSERT_EQ(run({"group", "set", "1", "delay", "30m"}).exitCode, 0);
    ASSERT_EQ(run({"group", "set", "1", "subdelay", "30m"}).exitCode, 0);
    ASSERT_EQ(run({"group", "set", "1", "eq.2", "type=Bell", "freq=500", "q=2", "gain=-4"}).exitCode, 0);
    ASSERT_EQ(run({"group", "set", "1", "eqonsub", "1"}).exitCode, 0);
    ASSERT_EQ(run({"group", "set", "1", "mute", "1"}).exitCode, 0);
    EXPECT_EQ(run({"group", "set", "1", "gain", "loud"}).err, "Warning: Wrong value\n");
    EXPECT_EQ(run({"group", "set", "1", "eq.2", "q=40"}).err, "Warning: Wrong value\n");
    EXPECT_EQ(run({"group", "set", "1", "volume", "1"}).exitCode, 2);
    EXPECT_TRUE(sessionMirrorsDevices());
    EXPECT_EQ(devices[0]->readMemory(230, 3), (WireBytes{0, 70, 47}));
    EXPECT_EQ(devices[2]->readMemory(230, 3), (WireBytes{0, 88, 11}));
    EXPECT_EQ(devices[2]->readMemory(234 + 2, 1), WireBytes{0});
    EXPECT_EQ(devices[2]->readMemory(234 + 22, 1), WireBytes{22});
    EXPECT_EQ(devices[1]->readMemory(384 + 21, 1), WireBytes{1});
    // gain, delay, band, mute reach the satellites; gain, delay, bypass and 5 bands, mute the Sub.
    EXPECT_TRUE(test::Eventually([&] { return writes(0).size() == 4u && writes(2).size() == 9u; }));

    const auto listed = nlohmann::json::parse(run({"--json", "group", "list"}).out);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["name"], "PA");
    EXPECT_EQ(listed[0]["gain"], -3.0);
    EXPECT_EQ(listed[0]["preset"], "CUSTOM");
    EXPECT_TRUE(listed[0]["insync"].get<bool>());

    // Another client changes the Right's group gain: check finds it; --no leaves it, --yes syncs.
    devices[1]->writeMemory(229, WireBytes{40});
    const auto found = run({"group", "check"});
    EXPECT_EQ(found.exitCode, 1);
    EXPECT_EQ(found.out, "1  PA: not synchronized (slots 2)\n");
    EXPECT_NE(found.err.find("Device(s) on the Group PAnot synchronized."), std::string::npos);
    EXPECT_EQ(devices[1]->readMemory(229, 1), WireBytes{40});
    const auto synced = run({"--yes", "group", "check"});
    EXPECT_EQ(synced.exitCode, 0) << synced.err;
    EXPECT_EQ(synced.out, "1  PA: synchronized (slots 2)\n");
    EXPECT_NE(devices[1]->readMemory(229, 1), WireBytes{40});
    EXPECT_EQ(run({"group", "check"}).out, "1  PA: in sync\n");
    EXPECT_TRUE(sessionMirrorsDevices());

    ASSERT_EQ(run({"group", "set", "1", "preset", "JAZZ"}).exitCode, 0);
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "group", "list"}).out)[0]["preset"], "JAZZ");
    ASSERT_EQ(run({"group", "sync", "1"}).exitCode, 0);

    clearLogs();
    EXPECT_EQ(run({"group", "remove", "1"}).exitCode, 1);
    ASSERT_EQ(run({"--yes", "group", "remove", "1"}).exitCode, 0);
    EXPECT_EQ(run({"group", "list"}).out, "");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(writes(i).empty());
}

TEST_F(GroupCli, DiffNamesExactlyTheChangedParametersAndSyncWritesOnlyThem) {
    EXPECT_EQ(run({"--json", "diff", "all"}).out, "[]\n");
    // Behind the application's back: another client writes two satellites and the subwoofer.
    devices[0]->writeMemory(384 + sat::kInputGain, WireBytes{100});
    devices[0]->writeMemory(384 + sat::kOutputMutes, WireBytes{0x02});
    devices[1]->writeMemory(384 + sat::kGate, WireBytes{3});
    devices[2]->writeMemory(384 + sub::kOutDelay + 1, WireBytes{9});
    clearLogs();
    const auto diff = run({"--json", "diff", "all"});
    ASSERT_EQ(diff.exitCode, 0) << diff.err;
    const auto rows = nlohmann::json::parse(diff.out);
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(std::to_string(row["slot"].get<int>()) + ":" + row["param"].get<std::string>());
    EXPECT_EQ(names, (std::vector<std::string>{"1:input.gain", "1:out.1.mute", "2:gate", "3:out.0.delay"}));
    EXPECT_NE(rows[0]["device"], rows[0]["project"]);
    EXPECT_EQ(rows[1]["project"], 0);
    EXPECT_EQ(rows[1]["device"], 1);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(writes(i).empty());  // nothing written
    const auto text = run({"diff", "1"});
    EXPECT_NE(text.out.find("input.gain  project: "), std::string::npos) << text.out;
    EXPECT_EQ(run({"diff", "9"}).exitCode, 1);

    clearLogs();
    const auto only = run({"sync", "1", "--from", "project", "--only", "out.1.mute"});
    ASSERT_EQ(only.exitCode, 0) << only.err;
    ASSERT_TRUE(test::Eventually([&] { return !writes(0).empty(); }));
    EXPECT_EQ(writes(0), (std::vector<WireBytes>{{0xF0, 0x78, 1, 3, 1, 1, 0, 0, 0, 0, 0, 0, 0xF7}}));
    EXPECT_EQ(devices[0]->readMemory(384 + sat::kOutputMutes, 1), WireBytes{0});
    EXPECT_EQ(devices[0]->readMemory(384 + sat::kInputGain, 1), WireBytes{100});
    EXPECT_EQ(run({"sync", "1", "--from", "project", "--only", "nothing.here"}).exitCode, 2);

    ASSERT_EQ(run({"sync", "all", "--from", "device"}).exitCode, 0);
    EXPECT_EQ(run({"--json", "diff", "all"}).out, "[]\n");
    EXPECT_EQ(run({"get", "1", "input.gain"}).out, rows[0]["device"].dump() + "\n");
    EXPECT_TRUE(sessionMirrorsDevices());
}

TEST_F(GroupCli, ADriftedMemberIsOfferedItsGroupOnConnect) {
    ASSERT_EQ(run({"--yes", "group", "add", "PA", "1", "2", "3"}).exitCode, 0);
    ASSERT_EQ(run({"--yes", "disconnect", "2"}).exitCode, 0);
    devices[1]->writeMemory(229, WireBytes{60});
    clearLogs();
    const auto connect = run({"--yes", "connect", "2", "--read"});
    ASSERT_EQ(connect.exitCode, 0) << connect.err;
    EXPECT_NE(connect.err.find("Do you want to synchronize the device with the Group?"), std::string::npos);
    // The simulator logs a frame once it has answered it: wait for the last one.
    ASSERT_TRUE(test::Eventually([&] { return !writes(1).empty() && writes(1).back()[3] == 1; }));
    const auto written = writes(1);
    ASSERT_FALSE(written.empty()) << connect.err;
    EXPECT_EQ(written.back(), (WireBytes{0xF0, 0x78, 1, 1, 4, 0, 120, 0, 0, 0, 0, 0, 0xF7}));
    EXPECT_EQ(std::count_if(written.begin(), written.end(), [](const WireBytes& f) { return f[3] >= 1 && f[3] <= 6; }), 1);
    EXPECT_TRUE(sessionMirrorsDevices());
}

}  // namespace
}  // namespace plenum
