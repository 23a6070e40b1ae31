// FrmPwd and FrmStore offscreen: typed input and button presses go through the communication
// thread to a simulated loudspeaker, and the windows redraw from the records afterwards.
#include "ui/ProgramWindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "MainWindowFixture.h"
#include "core/ImageLayout.h"
#include "sat/DeviceMemory.h"
#include "support/SimRig.h"
#include "ui/BackupWindows.h"
#include "ui/CommThread.h"
#include "ui/SettingsWindow.h"

namespace plenum::ui {
namespace {

class ProgramWindowsTest : public test::SimRig {
protected:
    void SetUp() override {
        test_support::App();
        device = &addDevice("127.0.0.2", 8);
        start();
        bringOnline(1, *device);
        device->writeMemory(status::kUserPassword, test::WireBytes{'p', 'w', 0, 0, 0, 0});
        ASSERT_EQ(ReadStatus(*comm, 1), 0);
        ASSERT_EQ(ReadImage(*comm, 1), 0);
        device->clearLog();
        thread = std::make_unique<CommThread>(ctx, prompter, network, serial, sleeper, comm->links(),
                                              test::FastTimeouts());
    }
    void TearDown() override { thread.reset(); }

    sim::SimulatedDevice* device = nullptr;
    std::unique_ptr<CommThread> thread;
};

TEST_F(ProgramWindowsTest, PasswordWindowLocksTheGui) {
    PasswordWindow window(*thread, 1, device::LockMode::Gui);
    window.show();
    EXPECT_EQ(window.actionLabel()->text(), "Lock GUI");
    QTest::keyClicks(window.passwordBox(), "PW");
    QTest::keyClick(window.passwordBox(), Qt::Key_Return);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(prompter.lastText(), "Wrong Password");
    EXPECT_TRUE(window.isVisible());
    window.passwordBox()->setText("pw");
    QTest::mouseClick(window.okButton(), Qt::LeftButton);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(device->readMemory(218, 1)[0], 1);
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.actionLabel()->text(), "Unlock GUI");
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *device));
}

TEST_F(ProgramWindowsTest, StoreWindowStoresUnderTheTypedName) {
    ctx.LanguageFlag = 1;
    StoreWindow window(*thread, 1, device::ProgramMode::Store);
    window.show();
    EXPECT_EQ(window.windowTitle(), "存储预设");
    EXPECT_EQ(window.list()->count(), 8);
    EXPECT_FALSE(window.lockBox()->isVisible());
    window.position()->setCurrentIndex(4);
    window.nameBox()->clear();
    QTest::keyClicks(window.nameBox(), "Matinee");
    QTest::mouseClick(window.actionButton(), Qt::LeftButton);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(window.result(), QDialog::Accepted);
    const auto name = device->readMemory(ProgramSlotAddress(4), 16);
    EXPECT_EQ(std::string(name.begin(), name.end()), "Matinee         ");
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *device));

    StoreWindow recall(*thread, 1, device::ProgramMode::Recall);
    recall.readList();
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(recall.list()->currentRow(), 4);
    EXPECT_EQ(recall.list()->item(4)->text().toStdString(), "05: Matinee          (2-WAY)");
    QTest::mouseClick(recall.actionButton(), Qt::LeftButton);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(recall.result(), QDialog::Accepted);
    EXPECT_EQ(device->receivedCodes().back(), 0x16);
}

TEST_F(ProgramWindowsTest, LockedProgramShowsTheLabelWithoutAdministrator) {
    ctx.satExtra[1].ProgramLocked[0] = 1;
    ctx.satStatus[1][status::kCurrentProgram] = 0;
    StoreWindow window(*thread, 1, device::ProgramMode::Store);
    window.show();
    EXPECT_TRUE(window.lockedLabel()->isVisible());
    ctx.satExtra[1].AdminLogged = 1;
    StoreWindow admin(*thread, 1, device::ProgramMode::Store);
    admin.show();
    EXPECT_TRUE(admin.lockBox()->isVisible());
    EXPECT_TRUE(admin.lockBox()->isChecked());
    EXPECT_FALSE(admin.lockedLabel()->isVisible());
}

TEST_F(ProgramWindowsTest, SettingsWindowWritesTheChangedSections) {
    SettingsWindow plain(*thread, 1, false);
    plain.show();
    EXPECT_FALSE(plain.section(device::NetSection::Wlan).group->isVisible());
    EXPECT_FALSE(plain.boostBox()->isVisible());
    SettingsWindow window(*thread, 1, true);
    window.show();
    EXPECT_EQ(window.objectName(), "FrmSettingsSAT");
    EXPECT_EQ(window.section(device::NetSection::Lan).ip->text(), "127.0.0.2");
    window.section(device::NetSection::Lan).ip->setText("10.1.2.3");
    window.section(device::NetSection::AccessPoint).channel->setValue(9);
    window.recallMode()->setCurrentIndex(1);
    QTest::mouseClick(window.applyButton(), Qt::LeftButton);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(device->readMemory(28, 4), (test::WireBytes{10, 1, 2, 3}));
    EXPECT_EQ(device->readMemory(119 + 78, 1)[0], 9);
    EXPECT_EQ(device->readMemory(220, 1)[0], 1);
    EXPECT_EQ(prompter.questionCount(), 2u);  // the reboot question for each network section
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *device));
    window.section(device::NetSection::Lan).ip->setText("0.1.2.3");
    QTest::mouseClick(window.applyButton(), Qt::LeftButton);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(prompter.lastText(), "Wrong IP Address, the range of the IP address is from 1.0.0.1 to 223.255.255.254");
    EXPECT_EQ(device->readMemory(28, 4), (test::WireBytes{10, 1, 2, 3}));
}

class BackupWindowsTest : public ProgramWindowsTest {
protected:
    void SetUp() override {
        second = &addDevice("127.0.0.3", 8);
        ProgramWindowsTest::SetUp();
        bringOnline(2, *second);
        ASSERT_EQ(ReadStatus(*comm, 2), 0);
        ASSERT_EQ(ReadImage(*comm, 2), 0);
        ctx.dataDir = dir.path();
    }
    sim::SimulatedDevice* second = nullptr;
};

TEST_F(BackupWindowsTest, BackupThenRestoreIntoTheSecondDevice) {
    device->writeMemory(384 + sat::kInputGain, test::WireBytes{77});
    device->writeMemory(ProgramSlotAddress(2), test::WireBytes{'S', 'L', 'O', 'T'});
    ASSERT_EQ(ReadImage(*comm, 1), 0);
    const QString file = QString::fromStdString((dir.path() / "gui.bck").string());
    BackupDialog backup(*thread, 1);
    backup.show();
    EXPECT_EQ(backup.header()->text(), "Backup IP:127.0.0.2");
    QString folderAsked;
    backup.setFilePicker([&](const QString& folder, const QString&) { return folderAsked = folder, file; });
    QTest::mouseClick(backup.saveButton(), Qt::LeftButton);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(prompter.lastText(), "Please select an item");
    EXPECT_TRUE(folderAsked.isEmpty());
    backup.actualBox()->setChecked(true);
    backup.programBox(2)->setChecked(true);
    QTest::mouseClick(backup.saveButton(), Qt::LeftButton);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(prompter.lastText(), "Backup file successfully saved");
    EXPECT_TRUE(folderAsked.endsWith("Backup"));

    RestoreDialog restore(*thread, 2);
    restore.show();
    EXPECT_EQ(restore.fileLabel()->text(), "select a backup file");
    restore.setFilePicker([&](const QString&, const QString&) { return file; });
    restore.chooseFile();
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(restore.fileLabel()->text(), "gui.bck");
    EXPECT_EQ(restore.presence(0)->text(), "YES");
    EXPECT_EQ(restore.presence(1)->text(), "NO");
    EXPECT_EQ(restore.presence(4)->text(), "YES");
    EXPECT_FALSE(restore.itemBox(1)->isEnabled());
    QTest::mouseClick(restore.restoreButton(), Qt::LeftButton);
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(prompter.lastText(), "Backup file successfully loaded");
    EXPECT_EQ(second->readMemory(384, 576), device->readMemory(384, 576));
    EXPECT_EQ(second->readMemory(ProgramSlotAddress(2), 576), device->readMemory(ProgramSlotAddress(2), 576));
    EXPECT_TRUE(test::MirrorsDevice(ctx, 2, *second));
}

// CLOSE while the programs are being read stops the backup before the next read: no file is
// written, the window stays; a second CLOSE asks and closes it.
TEST_F(BackupWindowsTest, CloseDuringABackupStopsItAndWritesNoFile) {
    const QString file = QString::fromStdString((dir.path() / "stopped.bck").string());
    BackupDialog backup(*thread, 1);
    backup.show();
    backup.setFilePicker([&](const QString&, const QString&) { return file; });
    backup.actualBox()->setChecked(true);
    QTest::mouseClick(backup.saveButton(), Qt::LeftButton);
    ASSERT_TRUE(backup.running());
    backup.reject();
    EXPECT_TRUE(backup.isVisible());
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_FALSE(backup.running());
    EXPECT_FALSE(std::filesystem::exists(file.toStdString()));
    EXPECT_NE(prompter.lastText(), "Backup file successfully saved");
    EXPECT_LT(device->receivedCodes().size(), 8u * 3u) << "the reads stopped early";
    backup.reject();
    EXPECT_EQ(prompter.lastText(), "Are you sure?");
    EXPECT_FALSE(backup.isVisible());
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *device));
}

}  // namespace
}  // namespace plenum::ui
