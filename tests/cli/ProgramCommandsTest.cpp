// plenumctl program / backup / restore / lock / login / logout / settings against simulated
// loudspeakers: two satellites of one model and a subwoofer found, connected and worked on through
// a chain of invocations on one data folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliRunner.h"
#include "core/ImageLayout.h"
#include "sim/Simulator.h"
#include "store/ProjectFile.h"
#include "support/SimRig.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

constexpr std::uint32_t SlotAddress(int k) { return 16384u * static_cast<std::uint32_t>(k + 1) + 384; }

class ProgramCli : public ::testing::Test {
protected:
    void SetUp() override {
        const std::uint8_t models[] = {8, 8, 1};
        for (int i = 0; i < 3; ++i) {
            sim::DeviceConfig config;
            config.host = "127.0.0." + std::to_string(2 + i);
            config.modelCode = models[i];
            config.uniqueId = "00AA00BB00D" + std::to_string(i);
            config.name = "Cab " + std::to_string(i);
            config.firmware = {0, 3, 9};  // version 39: WLAN and access point offered
            devices.push_back(&simulator.add(config));
        }
        simulator.start();
        for (auto* device : devices) {
            device->writeMemory(203, test::WireBytes{'a', 'd', 'm', 0, 0, 0});
            device->writeMemory(212, test::WireBytes{'u', 's', 'r', 0, 0, 0});
        }
        ASSERT_EQ(run({"search", "127.0.0.1", "10"}).out, "1\n2\n3\n");
        const auto connect = run({"connect", "all", "--read"});
        ASSERT_EQ(connect.exitCode, 0) << connect.err;
        for (auto* device : devices) device->clearLog();
    }
    test::CliResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device-port", std::to_string(simulator.commonPort())});
        return test::RunCli(dir.path().string(), std::move(args), timeouts);
    }
    std::size_t requestCount(const sim::SimulatedDevice& device) {
        std::size_t count = 0;
        for (const auto& f : device.frames()) count += f.fromHost && f.bytes.size() > 1;
        return count;
    }
    ::testing::AssertionResult sessionMirrorsDevices() {
        AppContext ctx;
        if (!LoadSessionProject(ctx, AppPaths(dir.path())).restored()) return ::testing::AssertionFailure() << "no session";
        return test::MirrorsDevices(ctx, simulator);
    }
    std::string memoryText(int device, std::uint32_t address, std::size_t length) {
        const auto bytes = devices[static_cast<std::size_t>(device)]->readMemory(address, length);
        return std::string(bytes.begin(), bytes.end());
    }

    sim::Simulator simulator;
    std::vector<sim::SimulatedDevice*> devices;
    test::TempDir dir;
    cli::WireTimeouts timeouts{FastWire(), {}};

    static comm::CommTimeouts FastWire() {
        comm::CommTimeouts t = test::FastTimeouts();
        t.read = comm::Millis{150};
        t.reconnect = comm::Millis{100};
        return t;
    }
};

TEST_F(ProgramCli, StoreListRecall) {
    const auto store = run({"--yes", "program", "store", "1", "3", "Evening"});
    ASSERT_EQ(store.exitCode, 0) << store.err;
    EXPECT_EQ(memoryText(0, SlotAddress(2), 16), "Evening         ");
    EXPECT_TRUE(sessionMirrorsDevices());
    const auto list = run({"program", "list", "1"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("03: Evening          (2-WAY)\n"), std::string::npos) << list.out;
    // Change the live program on the device, then recall program 3.
    devices[0]->writeMemory(384 + sat::kInputGain, test::WireBytes{9});
    const auto recall = run({"--yes", "program", "recall", "1", "3"});
    ASSERT_EQ(recall.exitCode, 0) << recall.err;
    EXPECT_EQ(recall.out, "Evening - P3: \n");
    EXPECT_EQ(devices[0]->readMemory(384, 576), devices[0]->readMemory(SlotAddress(2), 576));
    EXPECT_TRUE(sessionMirrorsDevices());
}

TEST_F(ProgramCli, WithoutYesNothingIsStored) {
    const auto store = run({"program", "store", "1", "1", "Never"});
    EXPECT_EQ(store.exitCode, 1);
    EXPECT_NE(store.err.find("Are you sure ?"), std::string::npos);
    EXPECT_EQ(requestCount(*devices[0]), 0u);
}

TEST_F(ProgramCli, LockedProgramNeedsTheAdministrator) {
    ASSERT_EQ(run({"--yes", "program", "store", "1", "2", "Pinned", "--lock", "1"}).exitCode, 1);  // not logged in
    EXPECT_EQ(run({"login", "1", "--admin", "--password", "ADM"}).exitCode, 1);
    ASSERT_EQ(run({"login", "1", "--admin", "--password", "adm"}).exitCode, 0);
    const auto locked = run({"--yes", "program", "store", "1", "2", "Pinned", "--lock", "1"});
    ASSERT_EQ(locked.exitCode, 0) << locked.err;
    EXPECT_EQ(devices[0]->readMemory(SlotAddress(1) + 16, 1)[0], 1);
    ASSERT_EQ(run({"logout", "1"}).exitCode, 0);
    ASSERT_EQ(run({"program", "list", "1"}).exitCode, 0);
    devices[0]->clearLog();
    const auto refused = run({"--yes", "program", "store", "1", "2", "Other"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Program locked"), std::string::npos);
    EXPECT_EQ(requestCount(*devices[0]), 0u);
}

TEST_F(ProgramCli, PanelAndGuiLocks) {
    const auto wrong = run({"lock", "1", "panel", "on", "--password", "nope"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.err.find("Wrong Password"), std::string::npos);
    ASSERT_EQ(run({"lock", "1", "panel", "on", "--password", "usr"}).exitCode, 0);
    EXPECT_EQ(devices[0]->readMemory(219, 1)[0], 1);
    ASSERT_EQ(run({"lock", "1", "gui", "on", "--password", "usr"}).exitCode, 0);
    EXPECT_EQ(devices[0]->readMemory(218, 1)[0], 1);
    devices[0]->clearLog();
    EXPECT_EQ(run({"lock", "1", "gui", "on", "--password", "usr"}).exitCode, 0);  // already on: nothing sent
    EXPECT_EQ(requestCount(*devices[0]), 0u);
    ASSERT_EQ(run({"lock", "1", "gui", "off", "--password", "usr"}).exitCode, 0);
    EXPECT_EQ(devices[0]->readMemory(218, 1)[0], 0);
    EXPECT_TRUE(sessionMirrorsDevices());
}

TEST_F(ProgramCli, SettingsPrintAndChange) {
    const auto shown = run({"settings", "1"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("lan.ip=127.0.0.2\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("ap.ssid=SIM-127.0.0.2\n"), std::string::npos);
    EXPECT_NE(shown.out.find("bridge=off\n"), std::string::npos);
    const auto changed = run({"--yes", "settings", "1", "lan.mode=dhcp", "wlan.ssid=venue", "wlan.key=k",
                              "wlan.ip=10.0.0.5", "wlan.mask=255.255.255.0", "wlan.gateway=10.0.0.1",
                              "ap.channel=11", "sleep=on", "sleep.time=30", "recall=gain", "load.high=8",
                              "boost=on", "user.password.old=usr", "user.password=new1"});
    ASSERT_EQ(changed.exitCode, 0) << changed.err;
    const auto again = run({"settings", "1"}).out;
    for (const char* line : {"lan.mode=dhcp\n", "wlan.ssid=venue\n", "wlan.ip=10.0.0.5\n", "ap.channel=11\n",
                             "sleep=on\n", "sleep.time=30\n", "recall=gain\n", "load.high=8\n", "boost=on\n"})
        EXPECT_NE(again.find(line), std::string::npos) << line << again;
    EXPECT_EQ(memoryText(0, 212, 4), "new1");
    EXPECT_TRUE(sessionMirrorsDevices());
    const auto subShown = run({"settings", "3"}).out;
    EXPECT_EQ(subShown.find("bridge="), std::string::npos);
}

TEST_F(ProgramCli, SettingsRefusalsChangeNothing) {
    const auto bad = run({"--yes", "settings", "1", "lan.ip=224.0.0.1"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("Wrong IP Address, the range of the IP address is from 1.0.0.1 to 223.255.255.254"),
              std::string::npos);
    const auto key = run({"--yes", "settings", "1", "ap.key=1234567"});
    EXPECT_NE(key.err.find("Key has to be min 8 digits"), std::string::npos);
    const auto password = run({"--yes", "settings", "1", "admin.password.old=adm", "admin.password=1234567"});
    EXPECT_NE(password.err.find("Wrong password lenght, max 6 characters"), std::string::npos);
    EXPECT_EQ(run({"settings", "1", "nonsense=1"}).exitCode, 2);
    EXPECT_EQ(run({"--no", "settings", "1", "lan.mode=dhcp"}).exitCode, 1);  // the reboot question
    for (auto* device : devices)
        for (const auto& frame : device->frames()) EXPECT_FALSE(frame.fromHost && frame.bytes.size() > 3 && frame.bytes[3] == 0x17);
}

TEST_F(ProgramCli, BackupAndRestoreIntoTheSecondSatellite) {
    ASSERT_EQ(run({"--yes", "program", "store", "1", "1", "Alpha"}).exitCode, 0);
    ASSERT_EQ(run({"--yes", "program", "store", "1", "8", "Omega"}).exitCode, 0);
    ASSERT_EQ(run({"set", "1", "input.gain", "-6"}).exitCode, 0);
    const std::string file = (dir.path() / "venue.bck").string();
    const auto backup = run({"backup", "1", file});
    ASSERT_EQ(backup.exitCode, 0) << backup.err;
    EXPECT_NE(backup.err.find("Backup file successfully saved"), std::string::npos);
    const auto targetNetwork = devices[1]->readMemory(27, 171);
    const auto restore = run({"--yes", "restore", "2", file});
    ASSERT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_EQ(devices[1]->readMemory(384, 576), devices[0]->readMemory(384, 576));
    for (int k = 0; k < 8; ++k) EXPECT_EQ(devices[1]->readMemory(SlotAddress(k), 576), devices[0]->readMemory(SlotAddress(k), 576));
    EXPECT_EQ(devices[1]->readMemory(27, 171), targetNetwork);
    EXPECT_EQ(memoryText(1, 5, 5), "Cab 1");
    EXPECT_TRUE(sessionMirrorsDevices());

    const auto sub = run({"--yes", "restore", "3", file});
    EXPECT_EQ(sub.exitCode, 1);
    EXPECT_NE(sub.err.find("Wrong format file"), std::string::npos);

    // Only program 8, into slot 1 of the second satellite's memory it came from.
    devices[1]->clearLog();
    const auto one = run({"--yes", "restore", "2", file, "--items", "programs=8"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(requestCount(*devices[1]), 4u);
    EXPECT_EQ(run({"--yes", "restore", "2", file, "--items", "programs=9"}).exitCode, 2);
}

TEST_F(ProgramCli, PartialBackupAndDamagedFile) {
    const std::string file = (dir.path() / "part.bck").string();
    ASSERT_EQ(run({"backup", "3", file, "--items", "system,programs=2-3"}).exitCode, 0);
    std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
    devices[2]->clearLog();
    const auto restore = run({"--yes", "restore", "3", file});
    EXPECT_EQ(restore.exitCode, 1);
    EXPECT_NE(restore.err.find("The backup file is damaged, nothing restored"), std::string::npos);
    EXPECT_EQ(requestCount(*devices[2]), 0u);
}

}  // namespace
}  // namespace plenum
