// The firmware window's controller and FwLoader end to end: simulated loudspeakers on loopback TCP
// and on a pty, real asio transports, time-outs shrunk so that a silent device costs a fraction of
// a second. Every injected loader failure must show its message and leave the device able to take
// the next attempt.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "Scripted.h"
#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/DeviceComm.h"
#include "comm/FirmwareUpdate.h"
#include "sim/Simulator.h"
#include "support/Eventually.h"
#include "support/TempDir.h"

namespace plenum::comm {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::LoaderFailure;

constexpr int kSlot = 3;
constexpr int kUsbPort = 5;                 // the pty is published as ttySIM4
constexpr std::size_t kImageLength = 5000;  // ten chunks

class CountingSleeper final : public Sleeper {
  public:
    void sleepFor(Millis duration) override { pauses.push_back(duration); }
    std::vector<Millis> pauses;
};

class RecordingTiles final : public TileStatusSink {
  public:
    void switchOffline(int slot) override { offline.push_back(slot); }
    std::vector<int> offline;
};

CommTimeouts FastComm() {
    CommTimeouts t;
    t.read = Millis{400};
    t.reconnect = Millis{400};
    t.reconnectPause = Millis{1};
    return t;
}

LoaderTimeouts FastLoader() {
    LoaderTimeouts t;
    t.connect = Millis{500};
    t.reply = Millis{1000};
    t.erase = Millis{1000};
    t.verify = Millis{300};
    return t;
}

Bytes Image() {
    Bytes image(kImageLength);
    std::uint32_t x = 12345;
    for (auto& byte : image) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(x >> 16);
    }
    return image;
}

using plenum::test::Eventually;

class FirmwareRig : public ::testing::Test {
  protected:
    sim::Simulator simulator;
    plenum::test::TempDir dir;
    AppContext ctx;
    AsioNetworkTransport network;
    AsioSerialTransport serial;
    ScriptedPrompter prompter;
    CountingSleeper sleeper;
    RecordingTiles tiles;
    std::unique_ptr<DeviceComm> comm;
    std::unique_ptr<FwLoader> loader;
    std::unique_ptr<FwUpdateDemo> window;
    sim::SimulatedDevice* device = nullptr;

    // One loudspeaker on 127.0.0.2 and on a pty, listed in kSlot as a LAN or a USB device.
    void start(bool usb, std::uint8_t model = 0, std::uint8_t networkLinkMode = 2) {
        sim::DeviceConfig config;
        config.host = "127.0.0.2";
        config.modelCode = model;
        config.networkLinkMode = networkLinkMode;
        config.busId = 7;
        config.ptyPath = (dir.path() / ("ttySIM" + std::to_string(kUsbPort - 1))).string();
        device = &simulator.add(config);
        simulator.start();
        const LinkSettings links{simulator.commonPort(), (dir.path() / "ttySIM%d").string()};
        comm = std::make_unique<DeviceComm>(ctx, network, serial, prompter, sleeper, links, FastComm());
        loader = std::make_unique<FwLoader>(network, serial, sleeper, simulator.commonPort(), FastLoader());

        DeviceRecord& record = ctx.device(kSlot);
        record.Present = kTrue16;
        record.ModelCode = model;
        record.DeviceName = "LEFT";
        record.UniqueId = "0011223344AA";
        record.Address = usb ? "USB" : config.host;
        record.LinkMode = usb ? kLinkUsb : kLinkLan;
        ctx.UsbComPort = kUsbPort;
        ctx.FwUsbMode = usb;
        window = std::make_unique<FwUpdateDemo>(ctx, *comm, *loader, prompter, kSlot, &tiles);
    }

    void bringOnline() {
        DeviceRecord& record = ctx.device(kSlot);
        if (record.isNetwork()) {
            ASSERT_EQ(network.TcpConnect(kSlot, record.Address, simulator.commonPort(), Millis{1000}),
                      LinkResult::Ok);
        }
        record.Connected = kTrue16;
        ASSERT_EQ(comm->SendCommand(kSlot, CommandCode::Identify), 0);
    }

    std::filesystem::path writeFile(const Bytes& bytes, const std::string& name = "update.sfu") {
        const auto path = dir.path() / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path goodFile(std::array<std::uint8_t, 3> version = {0, 4, 2},
                                   FirmwareKind kind = FirmwareKind::Satellite) {
        return writeFile(BuildSfu(kind, version, Image()));
    }

    int runningVersion() const {
        const Bytes digits = device->readMemory(1, 3);
        return 100 * digits[0] + 10 * digits[1] + digits[2];
    }

    std::size_t countOf(std::uint8_t code) const {
        const auto codes = device->receivedCodes();
        return static_cast<std::size_t>(std::count(codes.begin(), codes.end(), code));
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& entry : prompter.entries()) texts.push_back(entry.text);
        return texts;
    }
};

TEST_F(FirmwareRig, LanUpdateTakesTheDeviceOfflineLoadsWithProgressAndBootsTheNewVersion) {
    start(false);
    bringOnline();
    window->chooseFile(goodFile({0, 4, 2}));
    EXPECT_EQ(window->title(), "Firmware Update - Only LAN Mode");
    EXPECT_EQ(window->addressText(), "127.0.0.2");
    EXPECT_EQ(window->versionText(), "0.0.0");  // nothing read from the device yet
    EXPECT_EQ(runningVersion(), 34);

    ASSERT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Loaded);

    EXPECT_EQ(runningVersion(), 42);
    EXPECT_EQ(device->loaderSnapshot().boots, 1);
    EXPECT_EQ(device->loaderSnapshot().runningCrc, Crc32(Image()));
    // Off-line first: command 15 came over the application's link before the loader entered.
    const auto codes = device->receivedCodes();
    const auto bye = std::find(codes.begin(), codes.end(), 0x0F);
    const auto enter = std::find(codes.begin(), codes.end(), 0xA0);
    ASSERT_NE(bye, codes.end());
    EXPECT_LT(bye, enter);
    EXPECT_FALSE(ctx.device(kSlot).isConnected());
    EXPECT_FALSE(network.TcpIsConnected(kSlot));
    EXPECT_EQ(tiles.offline, std::vector<int>{kSlot});
    EXPECT_EQ(countOf(0xA2), 10u);

    const auto& progress = prompter.progressValues();
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end() - 1));
    EXPECT_EQ(progress.end()[-2], 100);
    EXPECT_EQ(progress.back(), 0);  // 0 of 0 closes the progress
    EXPECT_EQ(window->statusText(), "Status:");
    EXPECT_EQ(prompter.lastText(), "Firmware successfully loaded!");
    EXPECT_EQ(prompter.entries().back().title, "Firmware Update");
}

TEST_F(FirmwareRig, UsbUpdateOverThePtySaysSoInChinese) {
    start(true, 1);
    ctx.LanguageFlag = 1;
    bringOnline();
    window->chooseFile(goodFile({0, 3, 8}, FirmwareKind::Subwoofer));
    EXPECT_EQ(window->title(), "固件升级 - 只工作在 USB 模式");
    ASSERT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Loaded) << prompter.lastText();
    EXPECT_EQ(runningVersion(), 38);
    EXPECT_EQ(countOf(0x0F), 1u);
    EXPECT_FALSE(serial.IsConnected());
    EXPECT_EQ(prompter.lastText(), "固件升级成功!");
    EXPECT_EQ(prompter.entries().back().title, "固件升级");
}

TEST_F(FirmwareRig, LanSuccessInChineseHasItsOwnText) {
    start(false);
    ctx.LanguageFlag = 1;
    window->chooseFile(goodFile());
    ASSERT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Loaded);
    EXPECT_EQ(prompter.lastText(), "固件被成功调入!");
    EXPECT_EQ(countOf(0x0F), 0u);  // it was off-line already: nothing but the loader reached it
}

TEST_F(FirmwareRig, NoFileTouchesNoDevice) {
    start(false);
    bringOnline();
    EXPECT_EQ(window->fileLabel(), "Search .sfu file");
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::NoFile);
    EXPECT_EQ(prompter.lastText(), "please insert a .sfu file");
    EXPECT_EQ(prompter.entries().back().title, "Search File");
    EXPECT_TRUE(ctx.device(kSlot).isConnected());
    EXPECT_EQ(countOf(0x0F), 0u);
}

TEST_F(FirmwareRig, UsbModeRefusesANetworkDeviceAndLanModeAUsbDevice) {
    start(false);
    bringOnline();
    window->chooseFile(goodFile());
    ctx.FwUsbMode = true;
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Refused);
    EXPECT_EQ(prompter.lastText(), "Can't update firmware\r\nUpdate available only in USB mode");
    EXPECT_EQ(prompter.entries().back().title, "Fw Update");
    EXPECT_TRUE(ctx.device(kSlot).isConnected());

    DeviceRecord& record = ctx.device(kSlot);
    record.LinkMode = kLinkUsb;
    record.Address = "USB";
    ctx.FwUsbMode = false;
    ctx.LanguageFlag = 1;
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Refused);
    EXPECT_EQ(prompter.lastText(), "无法更新固件\r\n更新只在 LAN 模式有效");
    EXPECT_EQ(countOf(0x0F), 0u);
    EXPECT_EQ(device->loaderSnapshot().boots, 0);
}

TEST_F(FirmwareRig, AFileForTheOtherKindOrDamagedIsWrongBeforeTheDeviceSeesIt) {
    start(false);
    window->chooseFile(goodFile({0, 4, 0}, FirmwareKind::Subwoofer));
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(window->lastError(), FwLoadError::WrongFile);
    EXPECT_EQ(prompter.lastText(), "Wrong firmware file!");

    Bytes damaged = BuildSfu(FirmwareKind::Satellite, {0, 4, 0}, Image());
    damaged[100] ^= 1;
    window->chooseFile(writeFile(damaged, "damaged.sfu"));
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(prompter.lastText(), "Wrong firmware file!");
    window->chooseFile(dir.path() / "missing.sfu");
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(countOf(0xA0), 0u);
}

// The file is checked while the device is still on-line: a file that cannot be loaded costs the
// user nothing, not even the connection.
TEST_F(FirmwareRig, AFileThatCannotBeLoadedLeavesAnOnlineDeviceAlone) {
    start(false);
    bringOnline();
    Bytes damaged = BuildSfu(FirmwareKind::Satellite, {0, 4, 0}, Image());
    damaged[100] ^= 1;
    const std::filesystem::path files[] = {
        goodFile({0, 4, 0}, FirmwareKind::Subwoofer),
        writeFile(damaged, "damaged.sfu"),
        writeFile(Bytes{'P', 'S', 'F', 'U'}, "short.sfu"),
        dir.path() / "missing.sfu",
        dir.path(),  // a folder, not a file
    };
    ASSERT_TRUE(Eventually([&] { return device->acknowledgesReceived() == 1; }));  // of the identify
    device->clearLog();
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        prompter.clear();
        window->chooseFile(file);
        EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
        EXPECT_EQ(window->lastError(), FwLoadError::WrongFile);
        EXPECT_EQ(prompter.lastText(), "Wrong firmware file!");
        EXPECT_EQ(prompter.messageCount(), 1u);
        EXPECT_TRUE(ctx.device(kSlot).isConnected());
        EXPECT_TRUE(network.TcpIsConnected(kSlot));
        EXPECT_EQ(window->statusText(), "Status:");
    }
    EXPECT_TRUE(device->frames().empty());
    EXPECT_TRUE(tiles.offline.empty());
    EXPECT_EQ(comm->SendCommand(kSlot, CommandCode::Identify), 0);  // the link is still the same
}

// A device refusing an update names the link it was asked over: USB, wireless LAN or wired LAN.
struct RefusedLinkCase {
    const char* name;
    bool usb;
    std::uint8_t networkLinkMode;
    const char* english;
    const char* chinese;
};

class RefusedLink : public FirmwareRig, public ::testing::WithParamInterface<RefusedLinkCase> {};

TEST_P(RefusedLink, TheMessageNamesTheLinkAsItIs) {
    const RefusedLinkCase& c = GetParam();
    start(c.usb, 0, c.networkLinkMode);
    window->chooseFile(goodFile());
    device->setLoaderFailure(LoaderFailure::Mode, -1);
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(window->lastError(), FwLoadError::ModeUnavailable);
    EXPECT_EQ(prompter.lastText(), c.english);
    ctx.LanguageFlag = 1;
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(prompter.lastText(), c.chinese);
    EXPECT_EQ(prompter.entries().back().title, "固件升级");
}

INSTANTIATE_TEST_SUITE_P(
    Loader, RefusedLink,
    ::testing::Values(RefusedLinkCase{"Usb", true, 2, "Firmware update not available in USB mode.",
                                      "USB 模式，固件升级功能不可用."},
                      RefusedLinkCase{"Wlan", false, 1, "Firmware update not available in WLAN mode.",
                                      "WLAN 模式，固件升级功能不可用."},
                      RefusedLinkCase{"Lan", false, 2, "Firmware update not available in LAN mode.",
                                      "LAN 模式，固件升级功能不可用."}),
    [](const auto& info) { return std::string(info.param.name); });

// The status line goes through each percentage once, rising, and the prompter hears each once.
TEST_F(FirmwareRig, ProgressReportsEachPercentageOnce) {
    struct CaptionPrompter final : ScriptedPrompter {
        void progress(int value, int maximum, const std::string& caption) override {
            ScriptedPrompter::progress(value, maximum, caption);
            if (maximum > 0) captions.push_back(caption);
        }
        std::vector<std::string> captions;
    } captions;
    start(false);
    FwUpdateDemo captioned(ctx, *comm, *loader, captions, kSlot, &tiles);
    captioned.chooseFile(goodFile());
    ASSERT_EQ(captioned.Update_Click(), FwUpdateDemo::Outcome::Loaded);
    // 0 % after the erase, written × 99 / length after each chunk, 100 % after the boot.
    std::vector<std::string> expected{"Status:0%"};
    for (std::size_t done = kLoaderChunkLength;; done += kLoaderChunkLength) {
        done = std::min(done, kImageLength);
        const std::string line = "Status:" + std::to_string(done * 99 / kImageLength) + "%";
        if (line != expected.back()) expected.push_back(line);
        if (done == kImageLength) break;
    }
    expected.push_back("Status:100%");
    EXPECT_EQ(captions.captions, expected);
    EXPECT_EQ(captioned.statusText(), "Status:");
}

struct InjectedCase {
    const char* name;
    LoaderFailure failure;
    bool usb;
    FwLoadError error;
    const char* text;
};

class InjectedFailure : public FirmwareRig, public ::testing::WithParamInterface<InjectedCase> {};

// The device fails once; the message names the fault, the device keeps its old firmware and the
// very next attempt succeeds without any reset of the simulator.
TEST_P(InjectedFailure, ShowsItsMessageAndTheNextAttemptSucceeds) {
    const InjectedCase& c = GetParam();
    start(c.usb);
    bringOnline();
    window->chooseFile(goodFile({0, 4, 5}));
    device->setLoaderFailure(c.failure, c.failure == LoaderFailure::Checksum ? kChunkAttempts : 1);

    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(window->lastError(), c.error);
    EXPECT_EQ(prompter.lastText(), c.text);
    EXPECT_EQ(prompter.entries().back().title, "Firmware Update");
    EXPECT_EQ(runningVersion(), 34);
    EXPECT_FALSE(ctx.device(kSlot).isConnected());
    EXPECT_FALSE(network.TcpIsConnected(kSlot));
    EXPECT_FALSE(serial.IsConnected());

    prompter.clear();
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Loaded) << prompter.lastText();
    EXPECT_EQ(runningVersion(), 45);
    EXPECT_EQ(prompter.lastText(), "Firmware successfully loaded!");
}

INSTANTIATE_TEST_SUITE_P(
    Loader, InjectedFailure,
    ::testing::Values(InjectedCase{"WrongImage", LoaderFailure::WrongImage, false, FwLoadError::WrongFile,
                                   "Wrong firmware file!"},
                      InjectedCase{"Protected", LoaderFailure::Protected, false, FwLoadError::Protected,
                                   "Device FLASH is protected!"},
                      InjectedCase{"EraseFailed", LoaderFailure::EraseFailed, false, FwLoadError::EraseFailed,
                                   "Device FLASH erase failed!"},
                      InjectedCase{"WriteFailed", LoaderFailure::WriteFailed, false, FwLoadError::WriteFailed,
                                   "Device FLASH write failed!"},
                      InjectedCase{"BusyLan", LoaderFailure::Busy, false, FwLoadError::CantConnect,
                                   "Can't connect host 127.0.0.2"},
                      InjectedCase{"BusyUsb", LoaderFailure::Busy, true, FwLoadError::CantConnect,
                                   "Can't connect device"},
                      InjectedCase{"Silent", LoaderFailure::Silent, false, FwLoadError::Timeout,
                                   "Command timeout expired. Please try again."},
                      InjectedCase{"SilentUsb", LoaderFailure::Silent, true, FwLoadError::Timeout,
                                   "Command timeout expired. Please try again."},
                      InjectedCase{"Checksum", LoaderFailure::Checksum, false, FwLoadError::Checksum,
                                   "Command checksum error. Please try again."},
                      InjectedCase{"ChecksumUsb", LoaderFailure::Checksum, true, FwLoadError::Checksum,
                                   "Command checksum error. Please try again."},
                      InjectedCase{"ModeLan", LoaderFailure::Mode, false, FwLoadError::ModeUnavailable,
                                   "Firmware update not available in LAN mode."},
                      InjectedCase{"ModeUsb", LoaderFailure::Mode, true, FwLoadError::ModeUnavailable,
                                   "Firmware update not available in USB mode."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirmwareRig, WriteFailureHalfWayHasShownProgressAndRestartsCleanly) {
    start(false);
    window->chooseFile(goodFile());
    device->setLoaderFailure(LoaderFailure::WriteFailed);
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(device->loaderSnapshot().state, sim::LoaderState::Entered);
    EXPECT_GT(prompter.progressValues().size(), 2u);
    EXPECT_NE(window->statusText(), "Status:");  // how far it got stays on the status line
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Loaded);
    EXPECT_EQ(device->loaderSnapshot().received, kImageLength);
}

TEST_F(FirmwareRig, OneBadChunkIsSentAgainAndTheLoadGoesOn) {
    start(false);
    window->chooseFile(goodFile());
    device->setLoaderFailure(LoaderFailure::Checksum, kChunkAttempts - 1);
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Loaded);
    EXPECT_EQ(loader->chunkRetries(), kChunkAttempts - 1);
    EXPECT_EQ(countOf(0xA2), 10u + kChunkAttempts - 1);
    EXPECT_EQ(std::count(sleeper.pauses.begin(), sleeper.pauses.end(), FastLoader().retryPause),
              kChunkAttempts - 1);
}

TEST_F(FirmwareRig, ARefusedConnectionNamesTheHost) {
    start(false);
    window->chooseFile(goodFile());
    device->setFault(sim::Fault::RefuseConnection);
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(prompter.lastText(), "Can't connect host 127.0.0.2");
    ctx.LanguageFlag = 1;
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(prompter.lastText(), "无法连接到主机 127.0.0.2");
    device->setFault(sim::Fault::None);
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Loaded);
}

TEST_F(FirmwareRig, AMissingSerialPortCannotConnectTheDevice) {
    start(true);
    window->chooseFile(goodFile());
    ctx.UsbComPort = 9;  // nothing published there
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(prompter.lastText(), "Can't connect device");
    ctx.UsbComPort = 0;  // never found by a scan
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(window->lastError(), FwLoadError::CantConnect);
}

TEST_F(FirmwareRig, AWirelessDeviceRefusesUpdatesOverTheAir) {
    start(false, 0, 1);
    window->chooseFile(goodFile());
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(prompter.lastText(), "Firmware update not available in WLAN mode.");
    ctx.LanguageFlag = 1;
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(prompter.lastText(), "WLAN 模式，固件升级功能不可用.");
}

// Faults of the link itself, not of the loader: a garbled status frame is a checksum error, a
// connection closed under the loader a time-out; neither leaves the device stuck.
TEST_F(FirmwareRig, LinkFaultsMapToChecksumAndTimeout) {
    start(false);
    window->chooseFile(goodFile());
    device->setFault(sim::Fault::Garbled, 1);
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(window->lastError(), FwLoadError::Checksum);
    device->setFault(sim::Fault::CloseConnection, 1);
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Failed);
    EXPECT_EQ(window->lastError(), FwLoadError::Timeout);
    EXPECT_EQ(window->Update_Click(), FwUpdateDemo::Outcome::Loaded);
}

TEST_F(FirmwareRig, WindowLabelsComeFromTheRecord) {
    start(false);
    ctx.statusOf(kSlot)[1] = 0;
    ctx.statusOf(kSlot)[2] = 3;
    ctx.statusOf(kSlot)[3] = 9;
    EXPECT_EQ(window->versionText(), "0.3.9");
    EXPECT_EQ(window->nameText(), "LEFT");
    EXPECT_EQ(window->uniqueIdText(), "0011223344AA");
    EXPECT_EQ(window->addressCaption(), "IP Device:");
    EXPECT_EQ(window->fileFilter(), "Fw Update(*.Sfu)|*.sfu");
    ctx.LanguageFlag = 1;
    EXPECT_EQ(window->fileLabel(), "查找 .sfu 文件");
    EXPECT_EQ(window->title(), "固件升级 - 只工作在 LAN 模式");
    window->chooseFile("/tmp/x.sfu");
    window->chooseFile("");
    EXPECT_EQ(window->fileLabel(), "/tmp/x.sfu");
}

}  // namespace
}  // namespace plenum::comm
