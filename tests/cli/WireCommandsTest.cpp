// A venue set up with plenumctl alone: three simulated loudspeakers (two satellites, one
// subwoofer) on 127.0.0.2-4 are searched, connected, edited and disconnected through a chain of
// invocations on one data folder.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"
#include "comm/FirmwareImage.h"
#include "core/BinaryIO.h"
#include "core/FolderLock.h"
#include "sim/Simulator.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

class Venue : public ::testing::Test {
protected:
    void SetUp() override {
        const std::uint8_t models[] = {8, 6, 1};
        for (int i = 0; i < 3; ++i) {
            sim::DeviceConfig config;
            config.host = "127.0.0." + std::to_string(2 + i);
            config.modelCode = models[i];
            config.uniqueId = "00AA00BB00C" + std::to_string(i);
            config.name = "Cab " + std::to_string(i);
            devices.push_back(&simulator.add(config));
        }
        simulator.start();
        for (auto* device : devices) device->writeMemory(384 + 20, test::WireBytes{103});
    }
    test::CliResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device-port", std::to_string(simulator.commonPort())});
        return test::RunCli(dir.path().string(), std::move(args));
    }
    int framesWithCode(const sim::SimulatedDevice& device, std::uint8_t code) {
        int count = 0;
        for (const auto& f : device.frames()) count += f.fromHost && f.bytes.size() > 3 && f.bytes[3] == code;
        return count;
    }

    sim::Simulator simulator;
    std::vector<sim::SimulatedDevice*> devices;
    test::TempDir dir;
};

TEST_F(Venue, SearchConnectEditDisconnect) {
    ASSERT_EQ(run({"add", "0"}).out, "1\n");  // slot 1 is taken by hand; the search fills 2..4
    const auto search = run({"search", "127.0.0.1", "10"});
    ASSERT_EQ(search.exitCode, 0) << search.err;
    EXPECT_EQ(search.out, "2\n3\n4\n");
    EXPECT_NE(search.err.find("Searching IP:127.0.0.2"), std::string::npos);
    const auto again = run({"search", "127.0.0.1", "10"});
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(again.err.substr(again.err.find("Search Device")), "Search Device: No new Device(s) found\n");

    ASSERT_EQ(run({"--yes", "remove", "1"}).exitCode, 0);  // the hand-added USB device cannot connect here
    const auto connect = run({"connect", "all", "--read"});
    ASSERT_EQ(connect.exitCode, 0) << connect.err;
    EXPECT_EQ(connect.out, "2\n3\n4\n");
    const auto listed = nlohmann::json::parse(run({"--json", "list"}).out);
    ASSERT_EQ(listed.size(), 3u);
    for (const auto& row : listed) EXPECT_TRUE(row["connected"].get<bool>()) << row.dump();
    EXPECT_EQ(listed[2]["model_code"], 1);
    EXPECT_EQ(listed[0]["unique_id"], "00AA00BB00C0");
    // Images equal the devices' memory.
    for (int i = 0; i < 3; ++i) {
        const bool sub = i == 2;
        const auto dump = run({"dump", std::to_string(2 + i), "--image"}).out;
        const auto memory = devices[static_cast<std::size_t>(i)]->readMemory(384, sub ? 192 : 576);
        EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), sub ? 12 : 36);
        char first[64];
        std::snprintf(first, sizeof first, "0010: %02X %02X %02X %02X %02X", memory[16], memory[17], memory[18], memory[19],
                      memory[20]);
        EXPECT_EQ(dump.substr(dump.find("0010:"), 20), std::string(first)) << i;
    }

    // The next invocations reach the on-line devices again without a new transfer.
    const int readsBefore = framesWithCode(*devices[0], 22);
    ASSERT_EQ(run({"set", "2", "input.gain", "-3"}).exitCode, 0);
    EXPECT_EQ(run({"get", "2", "input.gain"}).out, "-3.0\n");
    ASSERT_TRUE(test::Eventually([&] { return devices[0]->readMemory(384 + 20, 1) == test::WireBytes{116}; }));
    EXPECT_EQ(framesWithCode(*devices[0], 22), readsBefore);
    EXPECT_EQ(framesWithCode(*devices[0], 15), 0);  // only disconnect sends 15

    const auto meters = run({"--json", "meters", "3"});
    ASSERT_EQ(meters.exitCode, 0) << meters.err;
    EXPECT_EQ(nlohmann::json::parse(meters.out)["outputs"].size(), 6u);
    const auto raw = run({"raw", "4", "0"});
    EXPECT_EQ(raw.out.substr(0, 2), "F0");
    EXPECT_EQ(raw.out.size(), 30u * 3);

    const auto disconnect = run({"--yes", "disconnect", "3"});
    ASSERT_EQ(disconnect.exitCode, 0) << disconnect.err;
    ASSERT_TRUE(test::Eventually([&] { return framesWithCode(*devices[1], 15) == 1; }));
    EXPECT_FALSE(nlohmann::json::parse(run({"--json", "list"}).out)[1]["connected"].get<bool>());
    EXPECT_EQ(run({"disconnect", "3"}).err, "plenumctl: slot 3 is not on-line\n");
}

TEST_F(Venue, BadArgumentsAndASecondProgramOnTheFolder) {
    EXPECT_EQ(run({"search", "127.0.0.0", "10"}).exitCode, 2);
    EXPECT_EQ(run({"search", "300.0.0.1", "10"}).exitCode, 2);
    EXPECT_EQ(run({"search", "127.0.0.5", "4"}).exitCode, 2);
    EXPECT_EQ(run({"connect", "all"}).exitCode, 2);
    EXPECT_EQ(run({"connect", "x", "--read"}).exitCode, 2);
    EXPECT_EQ(run({"connect", "1", "--read", "--load"}).exitCode, 2);
    EXPECT_EQ(run({"raw", "1", "256"}).exitCode, 2);

    std::string error;
    const auto held = DataFolderLock::Acquire(dir.path(), error);
    ASSERT_TRUE(held);
    const auto refused = run({"list"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "plenumctl: the data folder " + dir.path().string() + " is in use by another Plenum program\n");
}

TEST_F(Venue, FirmwareUpdateOverTheLanWithProgress) {
    ASSERT_EQ(run({"search", "127.0.0.2", "2"}).out, "1\n");
    ASSERT_EQ(run({"connect", "1", "--read"}).exitCode, 0);
    const test::WireBytes image(20000, 0x5C);
    const auto sfu = comm::BuildSfu(comm::FirmwareKind::Satellite, {0, 4, 1}, image);
    ASSERT_FALSE(WriteFileAtomic(dir / "new.sfu", sfu));
    const auto usbOnly = run({"firmware", "1", (dir / "new.sfu").string()});
    EXPECT_EQ(usbOnly.exitCode, 1);
    EXPECT_NE(usbOnly.err.find("Update available only in USB mode"), std::string::npos);
    const auto update = run({"firmware", "1", (dir / "new.sfu").string(), "--lan"});
    ASSERT_EQ(update.exitCode, 0) << update.err;
    EXPECT_NE(update.err.find("100%"), std::string::npos);
    EXPECT_NE(update.err.find("Firmware successfully loaded!"), std::string::npos);
    EXPECT_EQ(devices[0]->readMemory(1, 3), (test::WireBytes{0, 4, 1}));
    EXPECT_FALSE(nlohmann::json::parse(run({"--json", "list"}).out)[0]["connected"].get<bool>());
    EXPECT_EQ(run({"firmware", "1", (dir / "missing.sfu").string(), "--lan"}).exitCode, 1);
}

}  // namespace
}  // namespace plenum
