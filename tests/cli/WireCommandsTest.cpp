// A venue set up with plenumctl alone: three simulated loudspeakers (two satellites, one
// subwoofer) on 127.0.0.2-4 are searched, connected, edited and disconnected through a chain of
// invocations on one data folder.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <sstream>

#include "cli/CliRunner.h"
#include "comm/FirmwareImage.h"
#include "comm/FirmwareLoader.h"
#include "core/BinaryIO.h"
#include "core/FolderLock.h"
#include "sim/Simulator.h"
#include "store/ProjectFile.h"
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
        return test::RunCli(dir.path().string(), std::move(args), timeouts);
    }
    bool listedOnline(int slot) {
        for (const auto& row : nlohmann::json::parse(run({"--json", "list"}).out))
            if (row["slot"] == slot) return row["connected"].get<bool>();
        ADD_FAILURE() << "slot " << slot << " not listed";
        return false;
    }
    std::size_t linesWith(const std::string& text, const std::string& part) {
        std::size_t count = 0;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) count += line.find(part) != std::string::npos;
        return count;
    }
    // Request frames only: a late acknowledge byte of an earlier invocation is no request.
    std::size_t requestCount(const sim::SimulatedDevice& device) {
        std::size_t count = 0;
        for (const auto& f : device.frames()) count += f.fromHost && f.bytes.size() > 1;
        return count;
    }
    int framesWithCode(const sim::SimulatedDevice& device, std::uint8_t code) {
        int count = 0;
        for (const auto& f : device.frames()) count += f.fromHost && f.bytes.size() > 3 && f.bytes[3] == code;
        return count;
    }

    // The session the last invocation saved mirrors every on-line device.
    ::testing::AssertionResult sessionMirrorsDevices() {
        AppContext ctx;
        if (!LoadSessionProject(ctx, AppPaths(dir.path())).restored()) return ::testing::AssertionFailure() << "no session";
        return test::MirrorsDevices(ctx, simulator);
    }

    sim::Simulator simulator;
    std::vector<sim::SimulatedDevice*> devices;
    test::TempDir dir;
    // Short enough that a device giving up on the host costs about a second, not 49.
    cli::WireTimeouts timeouts{FastWire(), FastLoader()};

    static comm::CommTimeouts FastWire() {
        comm::CommTimeouts t = test::FastTimeouts();
        t.read = comm::Millis{100};
        t.reconnect = comm::Millis{100};
        return t;
    }
    static comm::LoaderTimeouts FastLoader() {
        comm::LoaderTimeouts t;
        t.connect = comm::Millis{500};
        t.reply = comm::Millis{1000};
        t.erase = comm::Millis{1000};
        t.verify = comm::Millis{300};
        t.settle = comm::Millis{20};
        return t;
    }
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
    EXPECT_TRUE(sessionMirrorsDevices());
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
    EXPECT_TRUE(sessionMirrorsDevices());
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
    // The status line once per value, as the window shows it, rising to 100.
    std::vector<int> percents;
    std::istringstream lines(update.err);
    for (std::string line; std::getline(lines, line);) {
        if (line.find('%') == std::string::npos) continue;
        ASSERT_EQ(line.rfind("Status:", 0), 0u) << line;
        ASSERT_EQ(line.find('%'), line.size() - 1) << line;
        percents.push_back(std::stoi(line.substr(7)));
    }
    ASSERT_GE(percents.size(), 3u) << update.err;
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::adjacent_find(percents.begin(), percents.end(), std::greater_equal<>()) == percents.end())
        << update.err;
    EXPECT_NE(update.err.find("Firmware successfully loaded!"), std::string::npos);
    EXPECT_EQ(devices[0]->readMemory(1, 3), (test::WireBytes{0, 4, 1}));
    EXPECT_FALSE(nlohmann::json::parse(run({"--json", "list"}).out)[0]["connected"].get<bool>());
    EXPECT_EQ(run({"firmware", "1", (dir / "missing.sfu").string(), "--lan"}).exitCode, 1);
}

// A file that cannot be loaded is refused before the device hears of it: it stays on-line. A load
// that fails once it has begun leaves the device off-line, and the session remembers that.
TEST_F(Venue, FirmwareRefusesABadFileWithoutTouchingTheDevice) {
    ASSERT_EQ(run({"search", "127.0.0.2", "2"}).out, "1\n");
    ASSERT_EQ(run({"connect", "1", "--read"}).exitCode, 0);
    const test::WireBytes image(3000, 0x5C);
    ASSERT_FALSE(WriteFileAtomic(dir / "sub.sfu", comm::BuildSfu(comm::FirmwareKind::Subwoofer, {0, 4, 1}, image)));
    auto damaged = comm::BuildSfu(comm::FirmwareKind::Satellite, {0, 4, 1}, image);
    damaged[30] ^= 0xFF;
    ASSERT_FALSE(WriteFileAtomic(dir / "damaged.sfu", damaged));
    ASSERT_FALSE(WriteFileAtomic(dir / "text.sfu", test::WireBytes{'h', 'e', 'l', 'l', 'o'}));
    devices[0]->clearLog();
    for (const char* file : {"sub.sfu", "damaged.sfu", "text.sfu", "missing.sfu"}) {
        const auto refused = run({"firmware", "1", (dir / file).string(), "--lan"});
        EXPECT_EQ(refused.exitCode, 1) << file;
        EXPECT_EQ(refused.err, "Firmware Update: Wrong firmware file!\n") << file;
        EXPECT_TRUE(listedOnline(1)) << file;
    }
    EXPECT_EQ(requestCount(*devices[0]), 0u);

    ASSERT_FALSE(WriteFileAtomic(dir / "good.sfu", comm::BuildSfu(comm::FirmwareKind::Satellite, {0, 4, 1}, image)));
    devices[0]->setLoaderFailure(sim::LoaderFailure::Protected);
    const auto failed = run({"firmware", "1", (dir / "good.sfu").string(), "--lan"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("Device FLASH is protected!"), std::string::npos) << failed.err;
    EXPECT_EQ(framesWithCode(*devices[0], 15), 1);
    EXPECT_FALSE(listedOnline(1));
    EXPECT_EQ(run({"connect", "1", "--read"}).out, "1\n");
}

// A device that stops answering, or hangs up, or refuses the link: the failing set tells each retry
// as the retry window numbers them, says why it failed, and the session keeps the device off-line,
// so that a later connect brings it back.
TEST_F(Venue, AFailingSetTellsTheRetriesAndLeavesTheDeviceOffline) {
    ASSERT_EQ(run({"search", "127.0.0.2", "2"}).out, "1\n");
    for (const sim::Fault fault : {sim::Fault::NoReply, sim::Fault::CloseConnection, sim::Fault::RefuseConnection}) {
        SCOPED_TRACE(sim::FaultName(fault));
        ASSERT_EQ(run({"connect", "1", "--read"}).out, "1\n");
        ASSERT_TRUE(listedOnline(1));
        devices[0]->setFault(fault);
        const auto set = run({"set", "1", "input.gain", "-3"});
        EXPECT_EQ(set.exitCode, 1);
        EXPECT_EQ(linesWith(set.err, "plenumctl: Cab 0 (slot 1) does not answer: Reconnection retry "), 10u) << set.err;
        EXPECT_EQ(linesWith(set.err, "Reconnection retry 1 of 10"), 1u);
        EXPECT_EQ(linesWith(set.err, "Reconnection retry 10 of 10"), 1u);
        const std::string last = "plenumctl: Cab 0 (slot 1) did not answer and is now off-line\n";
        ASSERT_GE(set.err.size(), last.size());
        EXPECT_EQ(set.err.substr(set.err.size() - last.size()), last);

        EXPECT_FALSE(listedOnline(1));
        EXPECT_EQ(run({"get", "1", "input.gain"}).out, "-3.0\n");  // the image kept the edit
        devices[0]->setFault(sim::Fault::None);
        devices[0]->clearLog();
        EXPECT_EQ(run({"set", "1", "input.gain", "-4"}).err, "plenumctl: slot 1 is off-line: image changed, nothing sent\n");
        EXPECT_EQ(requestCount(*devices[0]), 0u);
    }
    const auto again = run({"connect", "1", "--load"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, "1\n");
    EXPECT_TRUE(listedOnline(1));
    EXPECT_EQ(run({"raw", "1", "0"}).exitCode, 0);
}

// A reply that is not a frame is no reply to decode: raw and meters say so and fail, and the
// device stays on-line (the transaction keeps the link).
TEST_F(Venue, GarbledRepliesAreErrors) {
    ASSERT_EQ(run({"search", "127.0.0.2", "4"}).out, "1\n2\n3\n");
    ASSERT_EQ(run({"connect", "all", "--read"}).out, "1\n2\n3\n");
    struct Row {
        std::vector<std::string> args;
        sim::Fault fault;
    } rows[] = {
        {{"raw", "1", "0"}, sim::Fault::Garbled},       {{"raw", "1", "24"}, sim::Fault::ShortReply},
        {{"raw", "2", "3", "0", "0", "0"}, sim::Fault::Garbled},  {{"meters", "1"}, sim::Fault::Garbled},
        {{"--json", "meters", "2"}, sim::Fault::ShortReply},     {{"raw", "3", "24"}, sim::Fault::Garbled},
        {{"meters", "3"}, sim::Fault::ShortReply},  // the subwoofer's flag is its own
    };
    for (const auto& row : rows) {
        const int slot = std::stoi(row.args[row.args[0] == "--json" ? 2 : 1]);
        SCOPED_TRACE(row.args[0] + " " + row.args[1] + " " + sim::FaultName(row.fault));
        devices[static_cast<std::size_t>(slot - 1)]->setFault(row.fault, 1);
        const auto result = run(row.args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "plenumctl: Cab " + std::to_string(slot - 1) + " (slot " + std::to_string(slot) +
                                  ") answered with a garbled reply (not a reply frame)\n");
        EXPECT_TRUE(listedOnline(slot));
        EXPECT_EQ(run(row.args).exitCode, 0);  // the fault is spent: the next reply is whole
    }
}

}  // namespace
}  // namespace plenum
