// The edit window's device bar on Qt's offscreen platform against the demo's simulated
// loudspeakers: each button opens its window for the window's device through the main window's
// modal runner, and what a store, recall or restore changed shows in the edit window afterwards.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include "MainWindowFixture.h"
#include "core/ImageLayout.h"
#include "device/Locks.h"
#include "support/SimRig.h"
#include "ui/BackupWindows.h"
#include "ui/CommThread.h"
#include "ui/DeviceTile.h"
#include "ui/EditPanel.h"
#include "ui/EditWindow.h"
#include "ui/ProgramWindows.h"
#include "ui/SettingsWindow.h"

namespace plenum::ui {
namespace {

using device::Control;

class DeviceBarTest : public test_support::OnlineDemoTest {
protected:
    // The next window a bar button opens is shown, its opening reads are waited for, then
    // `drive` works it (and the work it posted is waited for).
    template <typename Window>
    void onNextWindow(std::function<void(Window&)> drive) {
        window->setModalRunner([this, drive](QDialog& dialog) {
            ++modalRuns;
            auto* typed = dynamic_cast<Window*>(&dialog);
            EXPECT_NE(typed, nullptr) << dialog.objectName().toStdString();
            if (typed == nullptr) return 0;
            dialog.show();
            EXPECT_TRUE(window->commThread().settle(5000));
            drive(*typed);
            EXPECT_TRUE(window->commThread().settle(5000));
            dialog.hide();
            return dialog.result();
        });
    }

    void press(EditWindow& edit, const char* name) {
        QAbstractButton* button = edit.deviceButton(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
        ASSERT_TRUE(window->commThread().settle(5000));
        QApplication::processEvents();
        useDefaultDialogs();
    }
};

TEST_F(DeviceBarTest, EveryButtonOpensItsWindowForTheWindowsDevice) {
    EditWindow& edit = openEdit(sat);
    struct Case {
        const char* button;
        const char* window;
    };
    const Case cases[] = {{"ButtonStore", "FrmStore"},    {"ButtonRecall", "FrmStore"},   {"ButtonBackup", "FrmBackup"},
                          {"ButtonRestore", "FrmRestore"}, {"ButtonLockGui", "FrmPwd"},    {"ButtonLockPanel", "FrmPwd"},
                          {"ButtonAdmin", "FrmPwd"},       {"ButtonSettings", "FrmSettingsSAT"}};
    for (const Case& c : cases) {
        QString opened;
        window->setModalRunner([&](QDialog& dialog) {
            opened = dialog.objectName();
            return 0;
        });
        press(edit, c.button);
        EXPECT_EQ(opened.toStdString(), c.window) << c.button;
    }
    EXPECT_TRUE(mirrored());
}

TEST_F(DeviceBarTest, StoreThenRecallShowsTheRecalledProgram) {
    EditWindow& edit = openEdit(sat);
    sim::SimulatedDevice& speaker = device("127.0.0.2");
    onNextWindow<StoreWindow>([](StoreWindow& store) {
        EXPECT_EQ(store.list()->count(), 8);
        store.position()->setCurrentIndex(2);
        store.nameBox()->setText(QStringLiteral("Evening"));
        emit store.nameBox()->textEdited(QStringLiteral("Evening"));
        QTest::mouseClick(store.actionButton(), Qt::LeftButton);
    });
    press(edit, "ButtonStore");
    const auto name = speaker.readMemory(ProgramSlotAddress(2), 16);
    EXPECT_EQ(std::string(name.begin(), name.end()), "Evening         ");
    EXPECT_TRUE(edit.captionLabel().text().contains(QStringLiteral(" - P3"))) << edit.captionLabel().text().toStdString();

    // Somebody changes the stored program's first input band on the loudspeaker; an edit in the
    // window meanwhile is one undo step.
    const std::uint8_t hz[] = {0x0C, 0x35};
    speaker.writeMemory(ProgramSlotAddress(2) + sat::kInPeqFreqHigh, std::span(hz, 1));
    speaker.writeMemory(ProgramSlotAddress(2) + sat::kInPeqFreqLow, std::span(hz + 1, 1));
    edit.controller().selectBand(0);
    QLineEdit* freq = edit.panel().textBox(Control::EqFreq);
    freq->setText(QStringLiteral("1000"));
    QTest::keyClick(freq, Qt::Key_Return);
    ASSERT_TRUE(edit.controller().canUndo());
    speaker.clearLog();

    onNextWindow<StoreWindow>([](StoreWindow& recall) {
        EXPECT_EQ(recall.list()->currentRow(), 2);
        EXPECT_EQ(recall.list()->item(2)->text().toStdString(), "03: Evening          (2-WAY)");
        QTest::mouseClick(recall.actionButton(), Qt::LeftButton);
    });
    press(edit, "ButtonRecall");
    const auto codes = speaker.receivedCodes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), std::uint8_t{0x1A}), codes.end());
    EXPECT_EQ(edit.panel().textBox(Control::EqFreq)->text(), QStringLiteral("3125"));
    EXPECT_FALSE(edit.controller().canUndo());
    EXPECT_TRUE(mirrored());
}

TEST_F(DeviceBarTest, CancelStopsARunningStoreBeforeItsNextCommand) {
    EditWindow& edit = openEdit(sat);
    sim::SimulatedDevice& speaker = device("127.0.0.2");
    onNextWindow<StoreWindow>([](StoreWindow& store) {
        store.position()->setCurrentIndex(5);
        store.nameBox()->setText(QStringLiteral("Never"));
        emit store.nameBox()->textEdited(QStringLiteral("Never"));
        QTest::mouseClick(store.actionButton(), Qt::LeftButton);
        ASSERT_TRUE(store.running());
        store.reject();  // CANCEL while the store runs: the window stays until it has stopped
        EXPECT_TRUE(store.isVisible());
    });
    speaker.clearLog();
    press(edit, "ButtonStore");
    const auto codes = speaker.receivedCodes();
    EXPECT_EQ(std::find(codes.begin(), codes.end(), std::uint8_t{0x19}), codes.end());
    const auto name = speaker.readMemory(ProgramSlotAddress(5), 16);
    EXPECT_EQ(std::string(name.begin(), name.end()), std::string(16, ' '));
    EXPECT_TRUE(mirrored());
}

TEST_F(DeviceBarTest, LockButtonsFollowTheLockState) {
    EditWindow& edit = openEdit(sat);
    // The user password "stage" on the loudspeaker and in its record.
    const test::WireBytes password{'s', 't', 'a', 'g', 'e', 0};
    device("127.0.0.2").writeMemory(status::kUserPassword, password);
    std::copy(password.begin(), password.end(), ctx.statusOf(sat).bytes.begin() + status::kUserPassword);
    EXPECT_EQ(edit.deviceButton(QStringLiteral("ButtonLockGui"))->text(), QStringLiteral("Lock GUI"));
    EXPECT_EQ(edit.deviceButton(QStringLiteral("ButtonAdmin"))->text(), QStringLiteral("Admin Login"));
    onNextWindow<PasswordWindow>([this](PasswordWindow& pwd) {
        EXPECT_EQ(pwd.actionLabel()->text(), QStringLiteral("Lock GUI"));
        pwd.passwordBox()->setText(QStringLiteral("Stage"));
        QTest::keyClick(pwd.passwordBox(), Qt::Key_Return);
        ASSERT_TRUE(window->commThread().settle(5000));
        EXPECT_TRUE(pwd.isVisible()) << "a wrong password keeps the window open";
        pwd.passwordBox()->setText(QStringLiteral("stage"));
        QTest::keyClick(pwd.passwordBox(), Qt::Key_Return);
    });
    prompter.clear();
    press(edit, "ButtonLockGui");
    EXPECT_EQ(prompter.entries().front().text, "Wrong Password");
    EXPECT_EQ(device("127.0.0.2").readMemory(device::kGuiLockAddress, 1)[0], 1);
    EXPECT_EQ(edit.deviceButton(QStringLiteral("ButtonLockGui"))->text(), QStringLiteral("Unlock GUI"));
    EXPECT_TRUE(mirrored());
}

// The tile's menu offers the same three lock actions with the device's captions and opens the same
// password window; the open edit window shows the new caption afterwards.
TEST_F(DeviceBarTest, TileMenuLocksThroughThePasswordWindow) {
    EditWindow& edit = openEdit(sat);
    const test::WireBytes password{'s', 't', 'a', 'g', 'e', 0};
    device("127.0.0.2").writeMemory(status::kUserPassword, password);
    std::copy(password.begin(), password.end(), ctx.statusOf(sat).bytes.begin() + status::kUserPassword);
    auto menuCaptions = [this] {
        QMenu menu;
        window->tile(sat)->fillMenu(menu);
        QStringList captions;
        for (const char* name : {"MenuLockGui", "MenuLockPanel", "MenuAdmin"}) {
            QAction* action = menu.findChild<QAction*>(QString::fromLatin1(name));
            captions << (action != nullptr && action->isEnabled() ? action->text() : QStringLiteral("?"));
        }
        return captions.join(QStringLiteral(", "));
    };
    EXPECT_EQ(menuCaptions(), QStringLiteral("Lock GUI, Lock Panel, Admin Login"));

    QString opened;
    onNextWindow<PasswordWindow>([&](PasswordWindow& pwd) {
        opened = pwd.actionLabel()->text();
        pwd.passwordBox()->setText(QStringLiteral("stage"));
        QTest::keyClick(pwd.passwordBox(), Qt::Key_Return);
    });
    {
        QMenu menu;
        window->tile(sat)->fillMenu(menu);
        menu.findChild<QAction*>(QStringLiteral("MenuLockPanel"))->trigger();
    }
    ASSERT_TRUE(window->commThread().settle(5000));
    useDefaultDialogs();
    EXPECT_EQ(opened, QStringLiteral("Lock Panel"));
    EXPECT_EQ(device("127.0.0.2").readMemory(status::kPanelLocked, 1)[0], 1);
    EXPECT_EQ(menuCaptions(), QStringLiteral("Lock GUI, Unlock Panel, Admin Login"));
    EXPECT_EQ(edit.deviceButton(QStringLiteral("ButtonLockPanel"))->text(), QStringLiteral("Unlock Panel"));
    EXPECT_EQ(ctx.flags.CommBusy, kFalse16) << "the wire is free again";
    EXPECT_TRUE(mirrored());
}

TEST_F(DeviceBarTest, BackupThenRestoreShowsTheRestoredImage) {
    EditWindow& edit = openEdit(sat);
    sim::SimulatedDevice& speaker = device("127.0.0.2");
    const QString file = QString::fromStdString((dir.path() / "main-left").string());
    QString folderOffered;
    window->setFilePicker([&](bool, const QString& folder, const QString&) {
        folderOffered = folder;
        return file;
    });
    onNextWindow<BackupDialog>([](BackupDialog& backup) {
        EXPECT_EQ(backup.header()->text(), QStringLiteral("Backup IP:127.0.0.2"));
        backup.actualBox()->setChecked(true);
        QTest::mouseClick(backup.saveButton(), Qt::LeftButton);
    });
    press(edit, "ButtonBackup");
    EXPECT_EQ(prompter.lastText(), "Backup file successfully saved");
    EXPECT_TRUE(folderOffered.endsWith(QStringLiteral("Backup")));
    // A name without an extension gets the backup files' one.
    ASSERT_TRUE(std::filesystem::exists(file.toStdString() + ".bck"));

    edit.controller().selectBand(0);
    QLineEdit* freq = edit.panel().textBox(Control::EqFreq);
    const QString before = freq->text();
    freq->setText(QStringLiteral("5000"));
    QTest::keyClick(freq, Qt::Key_Return);
    ASSERT_TRUE(window->commThread().settle(5000));
    ASSERT_EQ(freq->text(), QStringLiteral("5000"));

    window->setFilePicker([&](bool, const QString&, const QString&) { return file + QStringLiteral(".bck"); });
    onNextWindow<RestoreDialog>([](RestoreDialog& restore) {
        restore.chooseFile();
        ASSERT_TRUE(restore.running());
        for (int i = 0; i < 500 && restore.running(); ++i) QTest::qWait(10);
        ASSERT_FALSE(restore.running());
        EXPECT_EQ(restore.presence(0)->text(), QStringLiteral("YES"));
        EXPECT_EQ(restore.presence(1)->text(), QStringLiteral("NO"));
        QTest::mouseClick(restore.restoreButton(), Qt::LeftButton);
    });
    press(edit, "ButtonRestore");
    EXPECT_EQ(prompter.lastText(), "Backup file successfully loaded");
    EXPECT_EQ(edit.panel().textBox(Control::EqFreq)->text(), before);
    EXPECT_FALSE(edit.controller().canUndo());
    EXPECT_EQ(speaker.readMemory(384 + sat::kInPeqFreqHigh, 1)[0], ctx.satImage[static_cast<std::size_t>(sat)][sat::kInPeqFreqHigh]);
    EXPECT_TRUE(mirrored());
}

TEST_F(DeviceBarTest, SettingsOfASubwooferHaveNoAmplifierSection) {
    EditWindow& edit = openEdit(sub);
    onNextWindow<SettingsWindow>([](SettingsWindow& settings) {
        EXPECT_EQ(settings.objectName(), QStringLiteral("FrmSettingsSUB"));
        EXPECT_FALSE(settings.amplifierGroup()->isVisible());
        settings.recallMode()->setCurrentIndex(2);
        QTest::mouseClick(settings.applyButton(), Qt::LeftButton);
    });
    prompter.clear();
    press(edit, "ButtonSettings");
    EXPECT_EQ(device("127.0.0.4").readMemory(device::kRecallModeAddress, 1)[0], 2);
    EXPECT_EQ(prompter.questionCount(), 0u) << "untouched network sections ask nothing";
    EXPECT_TRUE(mirrored());
}

}  // namespace
}  // namespace plenum::ui
