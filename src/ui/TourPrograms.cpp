// The tour's visit of the device bar of a satellite's edit window: programs stored under their
// names and one recalled, a backup saved and restored, the password window and the device
// settings. In Chinese the same windows are shown without changing anything.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>

#include "device/DeviceSettings.h"
#include "ui/BackupWindows.h"
#include "ui/CommThread.h"
#include "ui/EditWindow.h"
#include "ui/MainWindow.h"
#include "ui/ProgramWindows.h"
#include "ui/SettingsWindow.h"
#include "ui/Tour.h"

namespace plenum::ui {
namespace {

// Waits (with the event loop running) until the window's own job has finished.
template <typename Window>
void WaitFor(const Window& window) {
    for (int i = 0; i < 2000 && window.running(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

void TypeName(StoreWindow& store, int position, const QString& name) {
    store.position()->setCurrentIndex(position);
    store.nameBox()->setText(name);
    emit store.nameBox()->textEdited(name);
}

}  // namespace

void Tour::programStep(MainWindow& window, bool english) {
    const QString suffix = english ? QString() : QStringLiteral("-chinese");
    int sat = -1;
    EditWindow* edit = openDemoSatellite(window, sat);
    if (edit == nullptr) return;
    // The questions and messages of these windows are shown over the edit window too.
    prompter_.setBackdrop(edit);
    CommThread& thread = window.commThread();
    // Each window is shown over the edit window that opened it.
    auto over = [&](QDialog& dialog, const QString& name) {
        dialog.show();
        thread.settle(10000);
        camera_.shootOver(*edit, dialog, name + suffix);
    };
    auto press = [&](const char* button) {
        if (QAbstractButton* b = edit->deviceButton(QString::fromLatin1(button))) b->click();
        thread.settle(20000);
        QApplication::processEvents();
    };

    // Store: three programs under their names; the first question is photographed.
    struct Stored {
        int position;
        const char* name;
    };
    const Stored programs[] = {{0, "Matinee"}, {1, "Speech"}, {2, "Concert Night"}};
    for (const Stored& program : programs) {
        const bool first = program.position == 0;
        window.setModalRunner([&](QDialog& dialog) {
            auto* typed = dynamic_cast<StoreWindow*>(&dialog);
            if (typed == nullptr) return 0;
            auto& store = *typed;
            dialog.show();
            thread.settle(10000);
            if (english) {
                TypeName(store, program.position, QString::fromLatin1(program.name));
                if (first) camera_.shootOver(*edit, dialog, QStringLiteral("store-window"));
                prompter_.expect(first ? QStringLiteral("store-question") : QStringLiteral("store-question-again"));
                store.run();
                thread.settle(20000);
                QApplication::processEvents();
            } else {
                TypeName(store, 3, QStringLiteral("Late Show"));
                camera_.shootOver(*edit, dialog, QStringLiteral("store-window") + suffix);
                dialog.reject();
            }
            dialog.hide();
            return dialog.result();
        });
        press("ButtonStore");
        if (!english) break;
    }
    if (english) camera_.shoot(*edit, QStringLiteral("edit-sat-after-store"));

    // Recall the second program.
    window.setModalRunner([&](QDialog& dialog) {
        auto* typed = dynamic_cast<StoreWindow*>(&dialog);
        if (typed == nullptr) return 0;
        auto& recall = *typed;
        over(dialog, QStringLiteral("recall-window"));
        if (english) {
            recall.list()->setCurrentRow(1);
            prompter_.expect(QStringLiteral("recall-question"));
            recall.run();
            thread.settle(20000);
            QApplication::processEvents();
        } else {
            dialog.reject();
        }
        dialog.hide();
        return dialog.result();
    });
    press("ButtonRecall");

    // Backup of the live program, the system data and the stored programs into the Backup folder.
    const QString file = QString::fromStdString((ctx_.dataDir / "Backup" / "main-left.bck").string());
    window.setFilePicker([file](bool, const QString&, const QString&) { return file; });
    window.setModalRunner([&](QDialog& dialog) {
        auto* typed = dynamic_cast<BackupDialog*>(&dialog);
        if (typed == nullptr) return 0;
        auto& backup = *typed;
        dialog.show();
        thread.settle(10000);
        backup.actualBox()->setChecked(true);
        backup.systemBox()->setChecked(true);
        for (int k = 0; k < 3; ++k) backup.programBox(k)->setChecked(true);
        camera_.shootOver(*edit, dialog, QStringLiteral("backup-window") + suffix);
        if (english) {
            prompter_.expect(QStringLiteral("backup-saved"));
            backup.save();
            WaitFor(backup);
            thread.settle(20000);
        }
        dialog.hide();
        return 0;
    });
    press("ButtonBackup");

    // Restore from that file.
    window.setModalRunner([&](QDialog& dialog) {
        auto* typed = dynamic_cast<RestoreDialog*>(&dialog);
        if (typed == nullptr) return 0;
        auto& restore = *typed;
        dialog.show();
        thread.settle(10000);
        restore.chooseFile();
        WaitFor(restore);
        thread.settle(10000);
        camera_.shootOver(*edit, dialog, QStringLiteral("restore-window") + suffix);
        if (english) {
            prompter_.expect(QStringLiteral("restore-question"));
            prompter_.expect(QStringLiteral("restore-done"));
            restore.restore();
            WaitFor(restore);
            thread.settle(20000);
        }
        dialog.hide();
        return 0;
    });
    press("ButtonRestore");

    // The password window for the administrator login, with a password typed.
    window.setModalRunner([&](QDialog& dialog) {
        auto* typed = dynamic_cast<PasswordWindow*>(&dialog);
        if (typed == nullptr) return 0;
        auto& pwd = *typed;
        pwd.passwordBox()->setText(QStringLiteral("secret"));
        over(dialog, QStringLiteral("password-window"));
        dialog.reject();
        dialog.hide();
        return dialog.result();
    });
    press("ButtonAdmin");

    // The device settings.
    window.setModalRunner([&](QDialog& dialog) {
        over(dialog, QStringLiteral("settings-window"));
        dialog.reject();
        dialog.hide();
        return dialog.result();
    });
    press("ButtonSettings");

    // A loudspeaker whose firmware offers the wireless sections and the amplifier boost (the
    // front fill, off line by now: its window shows what was read when it was connected).
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        if (!ctx_.device(slot).isPresent() || slot == sat || !device::FwFeatureFlagOf(ctx_, slot)) continue;
        SettingsWindow settings(thread, slot, true, &window);
        settings.show();
        camera_.shootOver(window, settings, QStringLiteral("settings-window-wireless") + suffix);
        settings.hide();
        break;
    }

    prompter_.setBackdrop(&window);
    window.setModalRunner([](QDialog& dialog) {
        dialog.reject();
        return 0;
    });
    window.setFilePicker([](bool, const QString&, const QString&) { return QString(); });
    edit->close();
    QApplication::processEvents();
}

}  // namespace plenum::ui
