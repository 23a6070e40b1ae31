// Program memory, locks, device settings, backup and restore against simulated loudspeakers: each
// operation is checked on the wire (the simulator's frame log), in the device's memory and in the
// application's records.
#include <gtest/gtest.h>

#include <fstream>

#include "core/ImageLayout.h"
#include "device/Backup.h"
#include "device/DeviceSettings.h"
#include "device/Locks.h"
#include "device/ProgramMemory.h"
#include "device/ProgramTexts.h"
#include "sat/DeviceMemory.h"
#include "support/SimRig.h"

namespace plenum::device {
namespace {

constexpr std::uint8_t kSatModel = 8;
constexpr std::uint8_t kOtherSatModel = 4;
constexpr int kCode = 3;  // F0 78 id code ...

std::uint32_t BlockAddress(const test::WireBytes& frame) {
    return (std::uint32_t(frame[4]) << 16) | (std::uint32_t(frame[5]) << 8) | frame[6];
}
std::size_t BlockLength(const test::WireBytes& frame) { return std::size_t(frame[7]) * 256 + frame[8]; }

class ProgramRig : public test::SimRig {
protected:
    sim::SimulatedDevice* sat = nullptr;
    sim::SimulatedDevice* linked = nullptr;
    sim::SimulatedDevice* sub = nullptr;
    sim::SimulatedDevice* other = nullptr;

    void SetUp() override {
        sat = &addDevice("127.0.0.2", kSatModel);
        linked = &addDevice("127.0.0.3", kSatModel);
        sub = &addDevice("127.0.0.4", kSubModelCode);
        other = &addDevice("127.0.0.5", kOtherSatModel);
        start();
        int slot = 1;
        for (auto* device : {sat, linked, sub, other}) {
            bringOnline(slot, *device);
            readBack(slot);
            ++slot;
        }
        for (auto* device : {sat, linked, sub, other}) device->clearLog();
    }
    void readBack(int slot) {
        ASSERT_EQ(ReadStatus(*comm, slot), 0);
        ASSERT_EQ(ReadImage(*comm, slot), 0);
    }
    sim::SimulatedDevice& deviceOf(int slot) {
        return slot == 1 ? *sat : slot == 2 ? *linked : slot == 3 ? *sub : *other;
    }
    ::testing::AssertionResult mirrors(int slot) { return test::MirrorsDevice(ctx, slot, deviceOf(slot)); }
    std::vector<test::WireBytes> sent(int slot) { return requests(deviceOf(slot)); }
    std::string memoryText(int slot, std::uint32_t address, std::size_t length) {
        const auto bytes = deviceOf(slot).readMemory(address, length);
        return std::string(bytes.begin(), bytes.end());
    }
    void setPasswords(int slot, const std::string& user, const std::string& admin) {
        test::WireBytes bytes(6, 0);
        std::copy(user.begin(), user.end(), bytes.begin());
        deviceOf(slot).writeMemory(status::kUserPassword, bytes);
        std::fill(bytes.begin(), bytes.end(), 0);
        std::copy(admin.begin(), admin.end(), bytes.begin());
        deviceOf(slot).writeMemory(status::kAdminPassword, bytes);
        ASSERT_EQ(ReadStatus(*comm, slot), 0);
        deviceOf(slot).clearLog();
    }
    void store(int slot, int k, const std::string& name) {
        ProgramStore window(*comm, prompter, slot, ProgramMode::Store);
        window.selectPosition(k);
        window.setName(name);
        ASSERT_EQ(window.store(), ProgramOutcome::Done);
    }
};

// --- program memory -----------------------------------------------------------------------------

TEST_F(ProgramRig, StoreWritesLockByteNameThenStoresTheSlot) {
    ProgramStore window(*comm, prompter, 1, ProgramMode::Store);
    window.selectPosition(2);
    window.setName("VOCAL");
    ASSERT_EQ(window.store(), ProgramOutcome::Done);
    const auto frames = sent(1);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0][kCode], 0x17);
    EXPECT_EQ(BlockAddress(frames[0]), 400u);
    EXPECT_EQ(BlockLength(frames[0]), 1u);
    EXPECT_EQ(frames[0][9], 0);
    EXPECT_EQ(BlockAddress(frames[1]), 384u);
    EXPECT_EQ(std::string(frames[1].begin() + 9, frames[1].begin() + 25), "VOCAL           ");
    EXPECT_EQ(frames[2][kCode], 0x19);
    EXPECT_EQ(frames[2][4], 2);
    EXPECT_EQ(memoryText(1, ProgramSlotAddress(2), 16), "VOCAL           ");
    EXPECT_EQ(ctx.satExtra[1].ProgramNames[2], "VOCAL           ");
    EXPECT_EQ(ctx.satStatus[1][status::kCurrentProgram] & 0x7F, 2);
    EXPECT_EQ(ProgramLabel(ctx, 1), "VOCAL - P3: ");
    EXPECT_EQ(prompter.progressValues().back(), 0);
    EXPECT_TRUE(mirrors(1));
}

TEST_F(ProgramRig, NoToTheQuestionSendsNothing) {
    prompter.answer(false);
    ProgramStore window(*comm, prompter, 1, ProgramMode::Store);
    window.setName("X");
    EXPECT_EQ(window.store(), ProgramOutcome::Declined);
    EXPECT_TRUE(sent(1).empty());
    EXPECT_EQ(prompter.lastText(), "               Are you sure ? ");
}

TEST_F(ProgramRig, LockedSlotIsRefusedWithoutAdministratorBeforeAnyCommand) {
    ctx.satExtra[1].ProgramLocked[4] = 1;
    ProgramStore window(*comm, prompter, 1, ProgramMode::Store);
    window.selectPosition(4);
    EXPECT_TRUE(window.showsLockedLabel());
    EXPECT_FALSE(window.showsLockCheck());
    window.setName("NEW");
    EXPECT_EQ(window.store(), ProgramOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Program locked");
    EXPECT_TRUE(sent(1).empty());
}

TEST_F(ProgramRig, AdministratorSendsTheCheckBoxAsLockByte) {
    ctx.satExtra[1].ProgramLocked[4] = 1;
    ctx.satExtra[1].AdminLogged = 1;
    ProgramStore window(*comm, prompter, 1, ProgramMode::Store);
    window.selectPosition(4);
    EXPECT_TRUE(window.showsLockCheck());
    EXPECT_TRUE(window.lockChecked());
    window.setName("LOCKED");
    ASSERT_EQ(window.store(), ProgramOutcome::Done);
    EXPECT_EQ(sent(1)[0][9], 1);
    EXPECT_EQ(sat->readMemory(ProgramSlotAddress(4) + 16, 1)[0], 1);
    ASSERT_EQ(ReadProgramList(*comm, 1), 0);
    EXPECT_EQ(ctx.satExtra[1].ProgramLocked[4], 1);
    EXPECT_EQ(ctx.satExtra[1].ProgramNames[4], "LOCKED          ");
}

struct NameCase {
    const char* name;
    const char* text;
    NameCheck check;
};
class ProgramNames : public ::testing::TestWithParam<NameCase> {};
TEST_P(ProgramNames, RulesOfTheNameBox) { EXPECT_EQ(CheckProgramName(GetParam().text), GetParam().check); }
INSTANTIATE_TEST_SUITE_P(Names, ProgramNames,
                         ::testing::Values(NameCase{"Empty", "", NameCheck::Invalid},
                                           NameCase{"OneSpace", " ", NameCheck::Invalid},
                                           NameCase{"TwoSpaces", "  ", NameCheck::Ok},
                                           NameCase{"Plain", "Live 1", NameCheck::Ok},
                                           NameCase{"Accented", "Caf\xc3\xa9", NameCheck::NotAdmitted}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramNamePadding, SixteenUnpaddedOneFollowedByFifteenBlanks) {
    EXPECT_EQ(PadProgramName("ABCDEFGHIJKLMNOP"), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(PadProgramName("ABCDEFGHIJKLMNOPQ"), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(PadProgramName("A"), "A               ");
    EXPECT_EQ(PadProgramName("  "), std::string(16, ' '));
}

TEST_F(ProgramRig, RefusedNamesSayWhyAndSendNothing) {
    ProgramStore window(*comm, prompter, 1, ProgramMode::Store);
    window.setName(" ");
    EXPECT_EQ(window.store(), ProgramOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Please input a valid name.");
    window.setName("Caf\xc3\xa9");
    EXPECT_EQ(window.store(), ProgramOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "The following name Caf\xc3\xa9 is not admitted");
    window.setName("\xc3\xa9t\xc3\xa9");  // a first character the box cannot hold clears it
    EXPECT_EQ(window.name(), "");
    EXPECT_TRUE(sent(1).empty());
}

TEST_F(ProgramRig, PreselectionIgnoresBitSeven) {
    for (auto [current, line] : {std::pair{0x83, 3}, std::pair{8, 0}, std::pair{127, 0}, std::pair{7, 7}}) {
        ctx.satStatus[1][status::kCurrentProgram] = static_cast<std::uint8_t>(current);
        EXPECT_EQ(PreselectedProgram(ctx, 1), line) << current;
        EXPECT_EQ(ProgramStore(*comm, prompter, 1, ProgramMode::Recall).selected(), line);
    }
}

TEST_F(ProgramRig, ListLinesShowNumberNameAndSystemMode) {
    store(1, 0, "TWO WAY");
    ctx.ProgramSystem[1][1] = 1;
    EXPECT_EQ(ProgramListLine(ctx, 1, 0), "01: TWO WAY          (2-WAY)");
    EXPECT_EQ(ProgramListLine(ctx, 1, 1).substr(20), " (BRIDGE)");
    EXPECT_EQ(ProgramListLine(ctx, 3, 0), "01:                 ");
}

TEST_F(ProgramRig, RecallLoadsTheSlotAndReadsTheStateBack) {
    store(1, 5, "SHOW");
    // The live program changes after the store; the recall brings the stored one back.
    sat->writeMemory(384 + sat::kInputGain, test::WireBytes{7});
    readBack(1);
    sat->clearLog();
    ASSERT_EQ(ReadProgramList(*comm, 1), 0);
    prompter.answer(true);   // overwrite the current settings
    prompter.answer(false);  // not to the linked device
    ProgramStore window(*comm, prompter, 1, ProgramMode::Recall);
    window.selectLine(5);
    ASSERT_EQ(window.recall(), ProgramOutcome::Done);
    EXPECT_NE(ctx.satImage[1][sat::kInputGain], 7);
    EXPECT_EQ(sat->readMemory(384, 576), sat->readMemory(ProgramSlotAddress(5), 576));
    EXPECT_EQ(ProgramLabel(ctx, 1), "SHOW - P6: ");
    EXPECT_TRUE(mirrors(1));
    EXPECT_TRUE(sent(2).empty());
}

TEST_F(ProgramRig, RecallCopiesToLinkedDevicesOnYes) {
    sat->writeMemory(status::kLinkMask, test::WireBytes{1});
    linked->writeMemory(status::kLinkMask, test::WireBytes{1});
    readBack(1);
    readBack(2);
    store(1, 1, "LINKED");
    ASSERT_EQ(ReadProgramList(*comm, 1), 0);
    ctx.device(2).EditOpen = kTrue16;
    std::vector<int> refreshed;
    ProgramStore window(*comm, prompter, 1, ProgramMode::Recall);
    window.setRefresh([&](int slot) { refreshed.push_back(slot); });
    window.selectLine(1);
    ASSERT_EQ(window.recall(), ProgramOutcome::Done);
    EXPECT_EQ(prompter.lastText(), "Recall the program also to the linked device(s)?");
    EXPECT_EQ(linked->readMemory(384, 576), sat->readMemory(384, 576));
    EXPECT_EQ(linked->receivedCodes().back(), 0x16);  // read back after the StoreState
    EXPECT_EQ(refreshed, (std::vector<int>{1, 2}));
    EXPECT_TRUE(mirrors(2));
}

TEST_F(ProgramRig, SatelliteRecallUnderAnotherSystemModeIsRefused) {
    ctx.ProgramSystem[1][3] = 1;
    ProgramStore window(*comm, prompter, 1, ProgramMode::Recall);
    window.selectLine(3);
    EXPECT_EQ(window.recall(), ProgramOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "The selected program mismatch with the System settings.");
    EXPECT_TRUE(sent(1).empty());
}

TEST_F(ProgramRig, SubwooferRecallHasNoSystemCheck) {
    ctx.ProgramSystem[3][3] = 1;
    ProgramStore window(*comm, prompter, 3, ProgramMode::Recall);
    window.selectLine(3);
    EXPECT_EQ(window.recall(), ProgramOutcome::Done);
    EXPECT_EQ(sent(3)[0][kCode], 0x1A);
    EXPECT_TRUE(mirrors(3));
}

TEST_F(ProgramRig, FailedTransactionEndsTheStore) {
    sat->setFault(sim::Fault::CloseConnection, -1, 1);  // the lock byte arrives, then the link drops
    ProgramStore window(*comm, prompter, 1, ProgramMode::Store);
    window.setName("LOST");
    EXPECT_EQ(window.store(), ProgramOutcome::Failed);
    EXPECT_FALSE(ctx.device(1).isConnected());
    EXPECT_EQ(ctx.satExtra[1].ProgramNames[0], "LOST            ");  // changed before the failing command
    sat->setFault(sim::Fault::None);
    for (std::uint8_t code : sat->receivedCodes()) EXPECT_NE(code, 0x19);
}

// --- locks --------------------------------------------------------------------------------------

TEST_F(ProgramRig, GuiLockWritesByte218) {
    setPasswords(1, "user1", "admin1");
    PasswordLock window(*comm, prompter, 1, LockMode::Gui);
    EXPECT_EQ(window.prompt(), "Insert User Password");
    EXPECT_EQ(window.actionCaption(), "Lock GUI");
    EXPECT_EQ(window.submit("USER1"), LockOutcome::WrongPassword);
    EXPECT_EQ(prompter.lastText(), "Wrong Password");
    EXPECT_TRUE(sent(1).empty());
    EXPECT_EQ(window.submit("user1"), LockOutcome::Toggled);
    const auto frames = sent(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(BlockAddress(frames[0]), 218u);
    EXPECT_EQ(sat->readMemory(218, 1)[0], 1);
    EXPECT_EQ(window.actionCaption(), "Unlock GUI");
    EXPECT_TRUE(mirrors(1));
}

TEST_F(ProgramRig, PanelLockSendsCode0x12) {
    setPasswords(1, "abcdef", "admin1");
    PasswordLock window(*comm, prompter, 1, LockMode::Panel);
    EXPECT_EQ(window.actionCaption(), "Lock Panel");
    EXPECT_EQ(window.submit(""), LockOutcome::WrongPassword);
    EXPECT_EQ(window.submit("abcdef"), LockOutcome::Toggled);
    EXPECT_EQ(sent(1)[0][kCode], 0x12);
    EXPECT_EQ(sent(1)[0][4], 1);
    EXPECT_EQ(sat->readMemory(219, 1)[0], 1);
    EXPECT_EQ(window.actionCaption(), "Unlock Panel");
    EXPECT_TRUE(mirrors(1));
}

TEST_F(ProgramRig, AdministratorLoginIsHeldLocallyAndToggles) {
    setPasswords(3, "user1", "Boss");
    ctx.LanguageFlag = 1;
    PasswordLock window(*comm, prompter, 3, LockMode::Admin);
    EXPECT_EQ(window.prompt(), "输入管理员密码");
    EXPECT_EQ(window.submit("boss"), LockOutcome::WrongPassword);
    EXPECT_EQ(prompter.lastText(), "密码错误");
    EXPECT_EQ(window.submit("Boss"), LockOutcome::Toggled);
    EXPECT_TRUE(AdminLogged(ctx, 3));
    EXPECT_EQ(window.submit("Boss"), LockOutcome::Toggled);
    EXPECT_FALSE(AdminLogged(ctx, 3));
    EXPECT_TRUE(sent(3).empty());
}

// --- device settings ----------------------------------------------------------------------------

struct AddressCase {
    const char* name;
    const char* text;
    AddressKind kind;
    AddressCheck check;
};
class Addresses : public ::testing::TestWithParam<AddressCase> {};
TEST_P(Addresses, RangesOfTheAddressBoxes) {
    EXPECT_EQ(CheckAddress(GetParam().text, GetParam().kind), GetParam().check);
}
INSTANTIATE_TEST_SUITE_P(
    Boxes, Addresses,
    ::testing::Values(AddressCase{"HighestIp", "223.255.255.254", AddressKind::Ip, AddressCheck::Ok},
                      AddressCase{"Multicast", "224.0.0.1", AddressKind::Ip, AddressCheck::OutOfRange},
                      AddressCase{"ZeroFirst", "0.1.2.3", AddressKind::Ip, AddressCheck::OutOfRange},
                      AddressCase{"Broadcast", "10.0.0.255", AddressKind::Gateway, AddressCheck::OutOfRange},
                      AddressCase{"ThreeFields", "10.0.0", AddressKind::Ip, AddressCheck::Malformed},
                      AddressCase{"Empty", "", AddressKind::Mask, AddressCheck::Malformed},
                      AddressCase{"Letters", "10.0.a.1", AddressKind::Ip, AddressCheck::Malformed},
                      AddressCase{"FullMask", "255.255.255.255", AddressKind::Mask, AddressCheck::Ok},
                      AddressCase{"Above255", "255.256.0.0", AddressKind::Mask, AddressCheck::OutOfRange}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramRig, EachNetworkSectionIsWrittenAndReadBack) {
    DeviceSettingsWindow window(*comm, prompter, 1, true);
    NetworkSettings lan = ReadNetwork(ctx.satStatus[1], NetSection::Lan);
    EXPECT_EQ(lan.ip, "127.0.0.2");
    lan.mode = 1;
    lan.ip = "192.168.1.20";
    NetworkSettings wlan = ReadNetwork(ctx.satStatus[1], NetSection::Wlan);
    wlan.ssid = "venue";
    wlan.key = "k";
    wlan.ip = "10.1.1.1";
    wlan.mask = "255.0.0.0";
    wlan.gateway = "10.0.0.1";
    NetworkSettings ap = ReadNetwork(ctx.satStatus[1], NetSection::AccessPoint);
    ap.ssid = "stage";
    ap.key = "abcdefgh";
    ap.channel = 11;
    ASSERT_EQ(window.applyNetwork(NetSection::Lan, lan), SettingsOutcome::Done);
    ASSERT_EQ(window.applyNetwork(NetSection::Wlan, wlan), SettingsOutcome::Done);
    ASSERT_EQ(window.applyNetwork(NetSection::AccessPoint, ap), SettingsOutcome::Done);
    EXPECT_EQ(prompter.questionCount(), 3u);
    const auto frames = sent(1);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(BlockAddress(frames[0]), 27u);
    EXPECT_EQ(BlockLength(frames[0]), 13u);
    EXPECT_EQ(BlockAddress(frames[2]), 119u);
    EXPECT_TRUE(mirrors(1));
    ctx.satStatus[1] = {};
    readBack(1);
    EXPECT_EQ(ReadNetwork(ctx.satStatus[1], NetSection::Lan), lan);
    EXPECT_EQ(ReadNetwork(ctx.satStatus[1], NetSection::Wlan), wlan);
    EXPECT_EQ(ReadNetwork(ctx.satStatus[1], NetSection::AccessPoint), ap);
}

TEST_F(ProgramRig, NetworkChecksRefuseWithTheirMessages) {
    DeviceSettingsWindow window(*comm, prompter, 1, true);
    NetworkSettings ap = ReadNetwork(ctx.satStatus[1], NetSection::AccessPoint);
    ap.key = "1234567";
    EXPECT_EQ(window.applyNetwork(NetSection::AccessPoint, ap), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Key has to be min 8 digits");
    ap.key = "12345678";
    ap.ssid = "";
    EXPECT_EQ(window.applyNetwork(NetSection::AccessPoint, ap), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Please insert a SSID");
    NetworkSettings lan = ReadNetwork(ctx.satStatus[1], NetSection::Lan);
    lan.ip = "224.0.0.1";
    EXPECT_EQ(window.applyNetwork(NetSection::Lan, lan), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Wrong IP Address, the range of the IP address is from 1.0.0.1 to 223.255.255.254");
    lan.ip = "10.0.0.2";
    lan.gateway = "10.0.0";
    EXPECT_EQ(window.applyNetwork(NetSection::Lan, lan), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Please insert a correct Gateway");
    NetworkSettings wlan = ReadNetwork(ctx.satStatus[1], NetSection::Wlan);
    wlan.ip = "10.0.0.3";
    wlan.gateway = "10.0.0.1";
    wlan.mask = "255.255.255.0";
    wlan.key = "";
    EXPECT_EQ(window.applyNetwork(NetSection::Wlan, wlan), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Key has to be min 1 digits");
    EXPECT_TRUE(sent(1).empty());
    EXPECT_EQ(prompter.questionCount(), 0u);
}

TEST_F(ProgramRig, OfflineDeviceGetsNoNetworkSection) {
    ctx.device(1).Connected = kFalse16;
    DeviceSettingsWindow window(*comm, prompter, 1, true);
    NetworkSettings wlan = ReadNetwork(ctx.satStatus[1], NetSection::Wlan);
    wlan.ip = "10.0.0.3";
    wlan.gateway = "10.0.0.1";
    wlan.mask = "255.255.255.0";
    wlan.key = "x";
    EXPECT_EQ(window.applyNetwork(NetSection::Wlan, wlan), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Can't update WLAN, device off-line");
    EXPECT_TRUE(sent(1).empty());
}

// The window applies every section it shows: one the user left as the device has it is neither
// checked nor written, even when the device's own values would not pass the checks (a wireless
// LAN never joined has no key and no address) or the device is off line.
TEST_F(ProgramRig, UntouchedNetworkSectionIsSkippedBeforeTheChecks) {
    DeviceSettingsWindow window(*comm, prompter, 1, true);
    const NetworkSettings wlan = ReadNetwork(ctx.satStatus[1], NetSection::Wlan);
    ASSERT_NE(CheckNetwork(NetSection::Wlan, wlan), nullptr);
    EXPECT_EQ(window.applyNetwork(NetSection::Wlan, wlan), SettingsOutcome::Unchanged);
    EXPECT_EQ(window.applyNetwork(NetSection::Lan, ReadNetwork(ctx.satStatus[1], NetSection::Lan)),
              SettingsOutcome::Unchanged);
    ctx.device(1).Connected = kFalse16;
    EXPECT_EQ(window.applyNetwork(NetSection::AccessPoint, ReadNetwork(ctx.satStatus[1], NetSection::AccessPoint)),
              SettingsOutcome::Unchanged);
    EXPECT_EQ(prompter.messageCount() + prompter.questionCount(), 0u);
    EXPECT_TRUE(sent(1).empty());
}

TEST_F(ProgramRig, WithoutTheFeatureFlagNoWirelessOrBoost) {
    DeviceSettingsWindow window(*comm, prompter, 1, false);
    EXPECT_FALSE(window.offersWireless());
    EXPECT_FALSE(window.offersBoost());
    EXPECT_EQ(window.applyNetwork(NetSection::AccessPoint, ReadNetwork(ctx.satStatus[1], NetSection::AccessPoint)),
              SettingsOutcome::Refused);
    DeviceSettingsWindow subWindow(*comm, prompter, 3, true);
    EXPECT_FALSE(subWindow.offersAmplifier());
    EXPECT_EQ(subWindow.applyAmplifier({true, 1, 1}), SettingsOutcome::Refused);
    EXPECT_TRUE(sent(1).empty());
}

TEST_F(ProgramRig, PowerSaveSendsStandbyThenSleep) {
    DeviceSettingsWindow window(*comm, prompter, 1, true);
    ASSERT_EQ(window.applyPowerSave(true, 2, true, 5), SettingsOutcome::Done);
    const auto frames = sent(1);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][kCode], 20);
    EXPECT_EQ(frames[1][kCode], 21);
    EXPECT_EQ(sat->readMemory(225, 4), (test::WireBytes{1, 2, 1, 5}));
    EXPECT_EQ(window.applyRecallMode(2), SettingsOutcome::Done);
    EXPECT_EQ(sat->readMemory(220, 1)[0], 2);
    EXPECT_EQ(window.applyBoost(true), SettingsOutcome::Done);
    EXPECT_EQ(sent(1).back()[kCode], 33);
    EXPECT_EQ(window.applyBoost(true), SettingsOutcome::Unchanged);
    EXPECT_TRUE(mirrors(1));
}

TEST_F(ProgramRig, BridgeAsksThenWritesSystemByteAndLoads) {
    DeviceSettingsWindow window(*comm, prompter, 1, true);
    prompter.answer(false);
    EXPECT_EQ(window.applyAmplifier({true, 2, 1}), SettingsOutcome::Declined);
    EXPECT_TRUE(sent(1).empty());
    ASSERT_EQ(window.applyAmplifier({true, 2, 1}), SettingsOutcome::Done);
    EXPECT_EQ(sat->readMemory(261, 1)[0], 1);
    EXPECT_EQ(sat->readMemory(262, 2), (test::WireBytes{2, 1}));
    EXPECT_EQ(sent(1).back()[kCode], 32);
    EXPECT_TRUE(mirrors(1));
}

struct LimiterCase {
    const char* name;
    std::uint8_t system, loadHigh, loadLow, flag264;
    std::uint8_t min0, min1;
};
class LimiterMinimums : public ::testing::TestWithParam<LimiterCase> {};
TEST_P(LimiterMinimums, RaisedToTheLoadsMinimum) {
    AppContext ctx;
    const auto& c = GetParam();
    ctx.satStatus[1][261] = c.system;
    ctx.satStatus[1][262] = c.loadLow;
    ctx.satStatus[1][263] = c.loadHigh;
    ctx.satStatus[1][264] = c.flag264;
    ApplyLimiterMinimums(ctx, 1);
    EXPECT_EQ(ctx.satImage[1][492], c.min0);
    EXPECT_EQ(ctx.satImage[1][493], c.min1);
    ctx.satImage[1][492] = ctx.satImage[1][493] = 20;  // already above: left alone
    if (c.system == 0) {
        EXPECT_EQ(ApplyLimiterMinimums(ctx, 1), 0);
        EXPECT_EQ(ctx.satImage[1][492], 20);
    }
}
INSTANTIATE_TEST_SUITE_P(Loads, LimiterMinimums,
                         ::testing::Values(LimiterCase{"High4Low8", 0, 1, 2, 0, 1, 15},
                                           LimiterCase{"High8Low4", 0, 2, 1, 0, 6, 9},
                                           LimiterCase{"Both4Flag", 0, 1, 1, 1, 6, 15},
                                           LimiterCase{"Both4NoFlag", 0, 1, 1, 0, 9, 9},
                                           LimiterCase{"Bridge4", 1, 1, 1, 0, 10, 0},
                                           LimiterCase{"Bridge8", 1, 1, 2, 0, 16, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramRig, PasswordChangeChecksOldAndLength) {
    setPasswords(1, "old", "adm");
    DeviceSettingsWindow window(*comm, prompter, 1, true);
    EXPECT_EQ(window.changePassword(false, "nope", "new"), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Wrong User password");
    EXPECT_EQ(window.changePassword(true, "nope", "new"), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Wrong Admin password");
    EXPECT_EQ(window.changePassword(false, "old", "1234567"), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Wrong password lenght, max 6 characters");
    EXPECT_TRUE(sent(1).empty());
    ASSERT_EQ(window.changePassword(false, "old", "n3w"), SettingsOutcome::Done);
    EXPECT_EQ(sat->readMemory(212, 6), (test::WireBytes{'n', '3', 'w', 0, 0, 0}));
    EXPECT_TRUE(mirrors(1));
    PasswordLock lock(*comm, prompter, 1, LockMode::Gui);
    EXPECT_EQ(lock.submit("n3w"), LockOutcome::Toggled);
}

TEST_F(ProgramRig, GroupResetIsRefusedForAGroupMember) {
    ctx.groups[0].InUse = kTrue16;
    ctx.groups[0].Member[1] = kTrue16;
    DeviceSettingsWindow window(*comm, prompter, 1, true);
    EXPECT_EQ(window.resetGroup(), SettingsOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Can't reset Group parameters\r\nDevice used in a group");
    EXPECT_TRUE(sent(1).empty());
    ctx.groups[0].InUse = kFalse16;
    ASSERT_EQ(window.resetGroup(), SettingsOutcome::Done);
    std::vector<int> codes;
    for (const auto& frame : sent(1)) codes.push_back(frame[kCode]);
    EXPECT_EQ(codes, (std::vector<int>{2, 1, 6, 5, 5, 5, 5, 5}));
    EXPECT_EQ(ctx.satStatus[1][status::kGrpGain], kResetGroupGain);
}

TEST_F(ProgramRig, FeatureFlagFollowsModelAndFirmware) {
    ctx.satStatus[1][1] = 0, ctx.satStatus[1][2] = 3, ctx.satStatus[1][3] = 8;  // version 38
    EXPECT_TRUE(FwFeatureFlagOf(ctx, 1));  // model 8
    ctx.satStatus[1][3] = 7;
    EXPECT_FALSE(FwFeatureFlagOf(ctx, 1));
}

// --- backup and restore ---------------------------------------------------------------------------

class BackupRig : public ProgramRig {
protected:
    void SetUp() override {
        ProgramRig::SetUp();
        // The source: programs stored, its own live settings and system data.
        store(1, 0, "FIRST");
        sat->writeMemory(384 + sat::kInputGain, test::WireBytes{99});
        readBack(1);
        store(1, 6, "SEVENTH");
        sat->writeMemory(status::kAutoSleepEnable, test::WireBytes{1, 3, 1, 4});
        sat->writeMemory(status::kGrpGain, test::WireBytes{120});
        readBack(1);
        ctx.satExtra[1].fir[0].values[10] = 0.75f;
        // The target has a name, passwords and network settings of its own.
        setPasswords(2, "tgtusr", "tgtadm");
        readBack(2);
        for (auto* device : {sat, linked, sub, other}) device->clearLog();
        file = dir.path() / "show.bck";
    }
    void backupAll() {
        BackupWindow window(*comm, prompter, 1);
        window.selectAll(true);
        ASSERT_EQ(window.save(file), TransferOutcome::Done);
        EXPECT_EQ(prompter.lastText(), "Backup file successfully saved");
    }
    std::filesystem::path file;
};

TEST_F(BackupRig, BackupReadsEveryProgramSlotInPieces) {
    backupAll();
    const auto frames = sent(1);
    ASSERT_EQ(frames.size(), 24u);  // 8 slots, 3 pieces of 192 bytes each
    EXPECT_EQ(BlockAddress(frames[3]), ProgramSlotAddress(1));
    EXPECT_EQ(BlockLength(frames[3]), 192u);
    const auto read = LoadBackupFile(file);
    ASSERT_TRUE(read.file);
    EXPECT_EQ(read.file->formatCode, kSatModel + 98);
    EXPECT_EQ(BackupProgramLine(*read.file, 6), "07:SEVENTH (2-WAY)");
}

// The live program's system byte can differ from the device's system mode (another client, the
// device's panel). The file's actual program carries the system mode; the application's image
// stays what the device holds: a backup only reads the device.
TEST_F(BackupRig, BackupOfAProgramMadeForAnotherModeLeavesTheImageAsTheDeviceHasIt) {
    sat->writeMemory(384 + sat::kProgramSystem, test::WireBytes{1});
    readBack(1);
    ASSERT_EQ(ctx.satStatus[1][status::kSystemMode], 0);
    sat->clearLog();
    backupAll();
    EXPECT_TRUE(mirrors(1));
    EXPECT_EQ(ctx.satImage[1][sat::kProgramSystem], 1);
    const auto read = LoadBackupFile(file);
    ASSERT_TRUE(read.file);
    EXPECT_EQ(read.file->image[sat::kProgramSystem], 0);
    EXPECT_EQ(read.file->headerByte, 0);
}

TEST_F(BackupRig, RestoreIntoASecondSatelliteOfTheSameModel) {
    backupAll();
    const auto targetName = linked->readMemory(status::kName, 16);
    const auto targetNetwork = linked->readMemory(27, 171);
    const auto targetPasswords = linked->readMemory(203, 15);
    RestoreWindow window(*comm, prompter, 2);
    EXPECT_EQ(window.fileCaption(), "select a backup file");
    ASSERT_TRUE(window.openFile(file));
    EXPECT_EQ(window.fileCaption(), "show.bck");
    window.selectAll(true);
    prompter.clear();
    ASSERT_EQ(window.restore(), TransferOutcome::Done);
    EXPECT_EQ(prompter.lastText(), "Backup file successfully loaded");
    EXPECT_EQ(linked->readMemory(384, 576), sat->readMemory(384, 576));
    for (int k = 0; k < kProgramSlots; ++k) {
        EXPECT_EQ(linked->readMemory(ProgramSlotAddress(k), 576), sat->readMemory(ProgramSlotAddress(k), 576)) << k;
        EXPECT_EQ(linked->readMemory(ProgramSlotBase(k), 1)[0], kSlotUsedMarker);
    }
    EXPECT_EQ(linked->readMemory(225, 4), (test::WireBytes{1, 3, 1, 4}));
    EXPECT_EQ(linked->readMemory(229, 1)[0], 120);
    EXPECT_EQ(linked->readMemory(status::kName, 16), targetName);
    EXPECT_EQ(linked->readMemory(27, 171), targetNetwork);
    EXPECT_EQ(linked->readMemory(203, 15), targetPasswords);
    EXPECT_EQ(ctx.satExtra[2].fir[0].values[10], 0.75f);
    EXPECT_EQ(ctx.satExtra[2].ProgramNames[6], "SEVENTH         ");
    EXPECT_TRUE(mirrors(2));
    EXPECT_EQ(prompter.progressValues().back(), 0);
}

TEST_F(BackupRig, FileWithOnlyProgramsRestoresOnlyTheChosenOnes) {
    BackupWindow backup(*comm, prompter, 1);
    backup.items.programs[6] = true;
    ASSERT_EQ(backup.save(file), TransferOutcome::Done);
    RestoreWindow window(*comm, prompter, 2);
    ASSERT_TRUE(window.openFile(file));
    EXPECT_FALSE(window.file()->hasActualProgram());
    EXPECT_FALSE(window.file()->hasSystemData());
    EXPECT_EQ(window.programLines()[0], "01: --");
    window.selectAll(true);
    EXPECT_FALSE(window.selection().actualProgram);
    linked->clearLog();
    ASSERT_EQ(window.restore(), TransferOutcome::Done);
    const auto frames = sent(2);
    ASSERT_EQ(frames.size(), 4u);  // three pieces and the marker
    EXPECT_EQ(BlockAddress(frames[0]), ProgramSlotAddress(6));
    EXPECT_EQ(BlockAddress(frames[3]), ProgramSlotBase(6));
}

TEST_F(BackupRig, SatelliteBackupIsRefusedBySubAndOtherModel) {
    backupAll();
    for (int slot : {3, 4}) {
        RestoreWindow window(*comm, prompter, slot);
        EXPECT_FALSE(window.openFile(file));
        EXPECT_EQ(prompter.lastText(), "Wrong format file");
        EXPECT_FALSE(window.file());
        EXPECT_EQ(window.restore(), TransferOutcome::Refused);
        EXPECT_EQ(prompter.lastText(), "Please select a backup file");
        EXPECT_TRUE(sent(slot).empty());
    }
}

TEST_F(BackupRig, TruncatedBackupRestoresNothing) {
    backupAll();
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 10);
    RestoreWindow window(*comm, prompter, 2);
    EXPECT_FALSE(window.openFile(file));
    EXPECT_EQ(prompter.lastText(), "The backup file is damaged, nothing restored");
    EXPECT_EQ(window.restore(), TransferOutcome::Refused);
    EXPECT_TRUE(sent(2).empty());
}

TEST_F(BackupRig, SystemModeDifferenceIsAsked) {
    backupAll();
    linked->writeMemory(261, test::WireBytes{1});
    readBack(2);
    prompter.answer(false);
    RestoreWindow window(*comm, prompter, 2);
    EXPECT_FALSE(window.openFile(file));
    EXPECT_EQ(prompter.lastText(),
              "the current system data is set as BRIDGE\r\nthe selected backup file is set as 2-WAY.\r\n"
              "Do you want to continue?");
}

TEST_F(BackupRig, DroppedLinkInterruptsTheRestoreAndLeavesTheFile) {
    backupAll();
    const auto before = std::filesystem::file_size(file);
    std::ifstream in(file, std::ios::binary);
    const std::string original((std::istreambuf_iterator<char>(in)), {});
    RestoreWindow window(*comm, prompter, 2);
    ASSERT_TRUE(window.openFile(file));
    window.selectAll(true);
    linked->setFault(sim::Fault::CloseConnection, -1, 4);
    EXPECT_EQ(window.restore(), TransferOutcome::Failed);
    EXPECT_EQ(prompter.lastText(), "Restore interrupted, the device did not answer");
    EXPECT_FALSE(ctx.device(2).isConnected());
    linked->setFault(sim::Fault::None);
    EXPECT_EQ(std::filesystem::file_size(file), before);
    std::ifstream again(file, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), original);
}

TEST_F(BackupRig, BackupRefusalsAndSubwooferRoundTrip) {
    BackupWindow window(*comm, prompter, 3);
    EXPECT_EQ(window.save(file), TransferOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Please select an item");
    window.selectAll(true);
    ctx.device(3).Connected = kFalse16;
    EXPECT_EQ(window.save(file), TransferOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Can't backup, Device off-line");
    ctx.device(3).Connected = kTrue16;
    EXPECT_EQ(BackupHeader(ctx, 3), "Backup IP:127.0.0.4");
    ASSERT_EQ(window.save(file), TransferOutcome::Done);
    RestoreWindow restore(*comm, prompter, 3);
    ASSERT_TRUE(restore.openFile(file));
    restore.selectAll(true);
    ASSERT_EQ(restore.restore(), TransferOutcome::Done);
    EXPECT_TRUE(mirrors(3));
    RestoreWindow intoSat(*comm, prompter, 1);
    EXPECT_FALSE(intoSat.openFile(file));
    EXPECT_EQ(prompter.lastText(), "Wrong format file");
}

}  // namespace
}  // namespace plenum::device
