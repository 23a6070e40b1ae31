// The search window, the connection dialog, the firmware window and the tiles' level meters on
// Qt's offscreen platform, against the demo's simulated loudspeakers on loopback.
#include <QProgressBar>
#include <QRadioButton>
#include <QTreeWidget>
#include <fstream>
#include <set>

#include "MainWindowFixture.h"
#include "support/SimRig.h"
#include "comm/FirmwareImage.h"
#include "ui/FirmwareWindow.h"
#include "ui/SearchWindow.h"

namespace plenum::ui {
namespace {

using test_support::MainWindowTest;

class DeviceWindowsTest : public MainWindowTest {
  protected:
    struct SearchSeen {
        int found = -1;
        bool buttonsDisabledWhileGuarded = false;
        bool guardRunning = false;
        int guardMs = 0;
        QString host, status, address;
        QStringList listed;
        bool closedDuringGuard = false;
    };

    // Runs the search window from the tool button over 127.0.0.from..to; the guard's end is
    // simulated rather than waited for.
    SearchSeen search(int from, int to) {
        SearchSeen seen;
        window->setModalRunner([&](QDialog& dialog) {
            auto& searchWindow = dynamic_cast<SearchWindow&>(dialog);
            const int octets[] = {127, 0, 0, from};
            for (int i = 0; i < 4; ++i) searchWindow.fromBox(i)->setValue(octets[i]);
            searchWindow.toBox()->setValue(to);
            seen.host = searchWindow.hostLabel()->text();
            seen.found = searchWindow.startSearch();
            seen.buttonsDisabledWhileGuarded =
                !searchWindow.okButton()->isEnabled() && !searchWindow.cancelButton()->isEnabled();
            seen.guardRunning = searchWindow.guardTimer()->isActive();
            seen.guardMs = searchWindow.guardTimer()->interval();
            seen.status = searchWindow.statusLabel()->text();
            seen.address = searchWindow.addressLabel()->text();
            for (int i = 0; i < searchWindow.foundList()->topLevelItemCount(); ++i)
                seen.listed << searchWindow.foundList()->topLevelItem(i)->text(1);
            int finished = 0;
            QObject::connect(&searchWindow, &QDialog::finished, [&finished] { ++finished; });
            searchWindow.reject();
            seen.closedDuringGuard = finished > 0;
            searchWindow.guardElapsed();
            EXPECT_TRUE(searchWindow.okButton()->isEnabled());
            EXPECT_TRUE(searchWindow.cancelButton()->isEnabled());
            searchWindow.reject();
            EXPECT_EQ(finished, 1);
            return QDialog::Rejected;
        });
        clickAndSettle(window->toolArea().searchButton(), Qt::LeftButton);
        useDefaultDialogs();
        return seen;
    }

    // Opens the firmware window of `slot`, chooses `file` (empty: none) and presses Update.
    comm::FwUpdateDemo::Outcome updateFirmware(int slot, const std::filesystem::path& file,
                                               QString* title = nullptr, QString* fileLabel = nullptr,
                                               int* progressShown = nullptr) {
        comm::FwUpdateDemo::Outcome outcome{};
        window->setModalRunner([&](QDialog& dialog) {
            auto& firmware = dynamic_cast<FirmwareWindow&>(dialog);
            EXPECT_EQ(ctx.flags.CommBusy, kTrue16) << "no meter poll while the window is open";
            if (title) *title = firmware.windowTitle();
            if (fileLabel) *fileLabel = firmware.fileLabel()->text();
            if (!file.empty()) {
                firmware.setFilePicker([&](const QString& filter) {
                    EXPECT_TRUE(filter.contains(QStringLiteral("*.sfu"))) << filter.toStdString();
                    return QString::fromStdString(file.string());
                });
                firmware.browse();
            }
            std::set<int> shown;
            QObject::connect(firmware.progressBar(), &QProgressBar::valueChanged,
                             [&shown](int value) { shown.insert(value); });
            outcome = firmware.Update_Click();
            if (progressShown) *progressShown = static_cast<int>(shown.size());
            EXPECT_EQ(firmware.statusLabel()->text(), QStringLiteral("Status:"));
            return QDialog::Rejected;
        });
        window->openFirmwareWindow(slot);
        useDefaultDialogs();
        return outcome;
    }

    int codesReceived(std::uint8_t code) {
        int n = 0;
        for (std::size_t i = 0; i < simulator.size(); ++i)
            for (const std::uint8_t received : simulator.device(i).receivedCodes())
                n += received == code ? 1 : 0;
        return n;
    }
};

TEST_F(DeviceWindowsTest, SearchFindsTheUnlistedLoudspeakerAndGuardsItsButtons) {
    open(true);
    ASSERT_EQ(listedCount(), 3);
    const SearchSeen seen = search(2, 8);
    EXPECT_EQ(seen.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(seen.found, 1) << "127.0.0.2-4 are listed and left out; 127.0.0.5 answers";
    EXPECT_TRUE(seen.buttonsDisabledWhileGuarded);
    EXPECT_TRUE(seen.guardRunning);
    EXPECT_EQ(seen.guardMs, 20000);
    EXPECT_EQ(seen.status, QStringLiteral("Searching Device, please wait....."));
    EXPECT_EQ(seen.address, QStringLiteral("Searching IP:127.0.0.5"));
    ASSERT_EQ(seen.listed.size(), 1);
    EXPECT_EQ(seen.listed[0], QStringLiteral("MAIN RIGHT"));
    EXPECT_FALSE(seen.closedDuringGuard) << "closing waits for the guard";

    EXPECT_EQ(listedCount(), 4);
    const int right = slotOf("127.0.0.5");
    ASSERT_GT(right, 0);
    ASSERT_NE(window->tile(right), nullptr);
    EXPECT_EQ(ctx.device(right).DeviceName, "MAIN RIGHT");
    EXPECT_EQ(ctx.device(right).UniqueId, "0AFF009C4104");
    EXPECT_EQ(ctx.flags.CommBusy, 0);
    // The range is stored for the next search.
    EXPECT_EQ(LoadInitCfg(paths()).fromOctet(3), 2);

    // Searched again, everything in range is listed: nothing is probed and nothing new is found.
    prompter.clear();
    EXPECT_EQ(search(2, 5).found, 0);
    EXPECT_EQ(prompter.lastText(), "No new Device(s) found");
    EXPECT_EQ(listedCount(), 4);
}

TEST_F(DeviceWindowsTest, ListFilledBySearchAndByHandRefusesThe25th) {
    open(true);
    ASSERT_EQ(search(5, 5).found, 1);
    listFound(16);  // a second range of the venue
    addByHand(11);
    addByHand(8, 3);
    addByHand(8, 4);
    addByHand(10, 2);
    ASSERT_EQ(listedCount(), 24);
    EXPECT_EQ(window->tileArea().tileCount(), 24);
    prompter.clear();
    const int runs = modalRuns;
    clickAndSettle(window->toolArea().addButton(), Qt::LeftButton);
    EXPECT_EQ(modalRuns, runs);
    EXPECT_EQ(prompter.lastText(), "Can't add device, max 24 devices");
    EXPECT_EQ(listedCount(), 24);
}

TEST_F(DeviceWindowsTest, ConnectAllBringsTheDemoLoudspeakersOnlineAndTheirMetersMove) {
    open(true);
    // The test polls by hand: the timer's rounds would add requests of their own.
    window->vuMeterTimer()->stop();
    clickAndSettle(window->toolArea().connectAllButton(), Qt::LeftButton);
    EXPECT_EQ(lastConnectTitle, QStringLiteral("Connect All Device(s) added"));
    for (const char* host : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
        const int slot = slotOf(host);
        ASSERT_TRUE(ctx.device(slot).isConnected()) << host;
        EXPECT_TRUE(window->tile(slot)->showsOnline()) << host;
    }
    EXPECT_EQ(ctx.flags.CommBusy, 0) << "cleared when the dialog closed";
    EXPECT_EQ(prompter.messageCount(), 0u);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));

    std::set<int> inputLevels;
    for (int tick = 0; tick < 8; ++tick) {
        window->pollMeters();
    window->settle();
        inputLevels.insert(window->tile(slotOf("127.0.0.2"))->levels().input & 0x7F);
    }
    EXPECT_GT(inputLevels.size(), 1u) << "the simulated programme moves the input bar";
    const int main = slotOf("127.0.0.2");
    EXPECT_EQ(window->tile(main)->levels(), PeakLevels(window->meters(), main));
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));

    // No meter request while a connection or a modal dialog holds the link.
    const int polls = codesReceived(24);
    ctx.flags.CommBusy = kTrue16;
    window->pollMeters();
    window->settle();
    ctx.flags.CommBusy = kFalse16;
    ctx.flags.TxSuspended = kTrue16;
    window->pollMeters();
    window->settle();
    ctx.flags.TxSuspended = kFalse16;
    EXPECT_EQ(codesReceived(24), polls);
    window->pollMeters();
    window->settle();
    EXPECT_EQ(codesReceived(24), polls + 3);
}

TEST_F(DeviceWindowsTest, ConnectAllWithNothingReachableSaysDevicesNotFound) {
    open();
    listFound(2);
    ctx.device(1).Address = "127.0.0.9";
    ctx.device(2).Address = "127.0.0.10";
    clickAndSettle(window->toolArea().connectAllButton(), Qt::LeftButton);
    ASSERT_EQ(prompter.messageCount(), 1u);
    EXPECT_EQ(prompter.entries().back().title, "Connect");
    EXPECT_EQ(prompter.lastText(), "Device(s) not found");
    EXPECT_FALSE(window->tile(1)->showsOnline());
}

TEST_F(DeviceWindowsTest, FailedSingleConnectShowsTheMessageOfItsCode) {
    open(true);
    const int main = slotOf("127.0.0.2");
    ctx.device(main).ModelCode = 6;  // listed as another model than the one that answers
    clickAndSettle(window->tile(main)->connectButton(), Qt::LeftButton);
    EXPECT_EQ(lastConnectTitle, QStringLiteral("Connect Device MAIN LEFT"));
    EXPECT_EQ(prompter.entries().back().title, "Can't Connect");
    EXPECT_EQ(prompter.lastText(), "Device mismatch");
    EXPECT_FALSE(ctx.device(main).isConnected());
    EXPECT_FALSE(window->tile(main)->showsOnline());

    addByHand(11);  // a USB cabinet, and no serial port answers
    const int usb = slotOf("USB");
    ASSERT_GT(usb, 0);
    clickAndSettle(window->tile(usb)->connectButton(), Qt::LeftButton);
    EXPECT_EQ(lastConnectTitle, QStringLiteral("USB - Connect Device"));
    EXPECT_EQ(prompter.lastText(), "Device not found");
    EXPECT_FALSE(ctx.device(usb).isConnected());
}

TEST_F(DeviceWindowsTest, ConnectDialogLoadsOrReadsAsChosen) {
    open(true);
    const int main = slotOf("127.0.0.2");
    window->setModalRunner([&](QDialog& dialog) {
        auto& connectDialog = dynamic_cast<ConnectDialog&>(dialog);
        EXPECT_EQ(connectDialog.loadOption()->text(), QStringLiteral("Load current settings to Device"));
        EXPECT_EQ(connectDialog.readOption()->text(), QStringLiteral("Read current settings from Device"));
        EXPECT_EQ(ctx.flags.CommBusy, kTrue16);
        connectDialog.loadOption()->setChecked(true);
        EXPECT_EQ(connectDialog.direction(), comm::TransferDirection::LoadToDevice);
        connectDialog.connectNow();
        return dialog.result();
    });
    const int blockWrites = codesReceived(23);
    window->connectDevice(main);
    window->settle();
    EXPECT_TRUE(ctx.device(main).isConnected()) << prompter.lastText();
    EXPECT_GT(codesReceived(23), blockWrites) << "the program's image went to the device";
}

TEST_F(DeviceWindowsTest, FirmwareWindowRefusesTheOtherLinkAndAMissingFile) {
    open(true);
    const int main = slotOf("127.0.0.2");
    const std::filesystem::path file = dir.path() / "fw.sfu";
    {
        const std::vector<std::uint8_t> bytes =
            comm::BuildSfu(comm::FirmwareKind::Satellite, {0, 4, 2}, std::vector<std::uint8_t>(3000, 0x5A));
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ctx.FwUsbMode = true;
    QString title, label;
    EXPECT_EQ(updateFirmware(main, {}, &title, &label), comm::FwUpdateDemo::Outcome::NoFile);
    EXPECT_EQ(title, QStringLiteral("Firmware Update - Only USB Mode"));
    EXPECT_EQ(label, QStringLiteral("Search .sfu file"));
    EXPECT_EQ(prompter.entries().back().title, "Search File");
    EXPECT_EQ(prompter.lastText(), "please insert a .sfu file");

    EXPECT_EQ(updateFirmware(main, file), comm::FwUpdateDemo::Outcome::Refused);
    EXPECT_EQ(prompter.entries().back().title, "Fw Update");
    EXPECT_EQ(prompter.lastText(), "Can't update firmware\r\nUpdate available only in USB mode");

    ctx.FwUsbMode = false;
    addByHand(11);
    EXPECT_EQ(updateFirmware(slotOf("USB"), file, &title), comm::FwUpdateDemo::Outcome::Refused);
    EXPECT_EQ(title, QStringLiteral("Firmware Update - Only LAN Mode"));
    EXPECT_EQ(prompter.lastText(), "Can't update firmware\r\nUpdate available only in LAN mode");
}

TEST_F(DeviceWindowsTest, FirmwareLoadOverTheLanTakesTheDeviceOfflineAndReportsProgress) {
    open(true);
    const int main = slotOf("127.0.0.2");
    clickAndSettle(window->tile(main)->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(ctx.device(main).isConnected());
    const std::filesystem::path file = dir.path() / "fw.sfu";
    {
        const std::vector<std::uint8_t> bytes =
            comm::BuildSfu(comm::FirmwareKind::Satellite, {0, 4, 2}, std::vector<std::uint8_t>(5000, 0xA5));
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ctx.FwUsbMode = false;
    prompter.clear();
    int progressSteps = 0;
    EXPECT_EQ(updateFirmware(main, file, nullptr, nullptr, &progressSteps),
              comm::FwUpdateDemo::Outcome::Loaded)
        << prompter.lastText();
    EXPECT_GE(progressSteps, 3) << "the bar moved through the load and ended full";
    EXPECT_EQ(prompter.lastText(), "Firmware successfully loaded!");
    EXPECT_FALSE(ctx.device(main).isConnected());
    EXPECT_FALSE(window->tile(main)->showsOnline());
}

}  // namespace
}  // namespace plenum::ui
