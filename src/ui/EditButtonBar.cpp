// The edit window's button bars: program files, GEQ import, factory recall and Flat PEQ; and the
// device bar, which opens the program memory, backup, restore, lock and settings windows for the
// window's device. The rules and questions are the controllers'; the window only picks the files
// and redraws what a recall or restore brought back.
#include <QHBoxLayout>
#include <QStringList>

#include "device/DeviceSettings.h"
#include "device/Locks.h"
#include "device/ProgramMemory.h"
#include "device/ProgramTexts.h"
#include "ui/BackupWindows.h"
#include "ui/CommThread.h"
#include "ui/Controls.h"
#include "ui/EditWindow.h"
#include "ui/ProgramWindows.h"
#include "ui/SettingsWindow.h"
#include "ui/Theme.h"

namespace plenum::ui {

// "text|pattern|text|pattern" as the file dialog's "text;;text" (each text names its patterns).
QString EditWindow::qtFilter(const std::string& filter) const {
    const QStringList parts = Q(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) entries << parts[i];
    return entries.join(QStringLiteral(";;"));
}

void EditWindow::loadProgram() {
    const QString file = pickFile_(false, Q(controller_->programFolder().string()), qtFilter(controller_->programFilter()));
    if (file.isEmpty()) return;
    if (controller_->loadProgram(file.toStdString())) reloadFromDevice();
}

void EditWindow::saveProgram() {
    const QString file = pickFile_(true, Q(controller_->programFolder().string()), qtFilter(controller_->programFilter()));
    if (!file.isEmpty()) controller_->saveProgram(file.toStdString());
}

void EditWindow::importGeq() {
    const QString file = pickFile_(false, Q(controller_->programFolder().string()), QStringLiteral("file GEQ (*.Txt *.txt)"));
    if (!file.isEmpty()) controller_->importGeq(file.toStdString());
}

void EditWindow::recallFactory() { controller_->recallFactory(); }

void EditWindow::flatPeq() { controller_->flatPeq(); }

// --- The device bar -----------------------------------------------------------------------------

namespace {

constexpr device::LockMode kLockModes[3] = {device::LockMode::Gui, device::LockMode::Panel, device::LockMode::Admin};

}  // namespace

QWidget* EditWindow::buildDeviceBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("DeviceBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    const int lang = ctx_.LanguageFlag;
    row->addWidget(barButton(QStringLiteral("ButtonStore"), Pick(texts::kStoreProgramTitle, lang), Glyph::Save,
                             &EditWindow::storeProgram));
    row->addWidget(barButton(QStringLiteral("ButtonRecall"), Pick(texts::kRecallProgramTitle, lang), Glyph::Open,
                             &EditWindow::recallProgram));
    row->addWidget(barButton(QStringLiteral("ButtonBackup"), Pick(texts::kBackupSaved.title, lang), Glyph::Save,
                             &EditWindow::backupDevice));
    row->addWidget(barButton(QStringLiteral("ButtonRestore"), Pick(texts::kRestoreDone.title, lang), Glyph::Open,
                             &EditWindow::restoreDevice));
    row->addSpacing(Px(ctx_.ScreenScale, 12));
    void (EditWindow::*lockActions[3])() = {&EditWindow::lockGui, &EditWindow::lockPanel, &EditWindow::adminLogin};
    const char* lockNames[3] = {"ButtonLockGui", "ButtonLockPanel", "ButtonAdmin"};
    for (int i = 0; i < 3; ++i) {
        lockButtons_[i] = barButton(QString::fromLatin1(lockNames[i]), QString(), Glyph::None, lockActions[i]);
        row->addWidget(lockButtons_[i]);
    }
    row->addSpacing(Px(ctx_.ScreenScale, 12));
    row->addWidget(barButton(QStringLiteral("ButtonSettings"), pick("Settings", "设置"), Glyph::Edit,
                             &EditWindow::openSettings));
    row->addStretch(1);
    updateLockCaptions();
    return bar;
}

QAbstractButton* EditWindow::deviceButton(const QString& name) const { return findChild<QAbstractButton*>(name); }

void EditWindow::updateLockCaptions() {
    for (int i = 0; i < 3; ++i)
        if (lockButtons_[i] != nullptr) lockButtons_[i]->setText(Q(device::LockActionCaption(ctx_, slot(), kLockModes[i])));
}

// While a device window is open, the meter poll and the group check keep off the wire (as they do
// while the connection dialog is open).
int EditWindow::runDeviceWindow(QDialog& dialog) {
    const Bool16 before = ctx_.flags.CommBusy;
    ctx_.flags.CommBusy = kTrue16;
    const int result = runModal_ ? runModal_(dialog) : dialog.exec();
    ctx_.flags.CommBusy = before;
    return result;
}

void EditWindow::storeProgram() {
    if (thread_ == nullptr || !thread_->settle(5000)) return;
    StoreWindow window(*thread_, slot(), device::ProgramMode::Store, this);
    // The names in the list are the device's: read again on opening.
    window.readList();
    connect(&window, &StoreWindow::programChanged, this, [this] { updateCaption(); });
    runDeviceWindow(window);
}

void EditWindow::recallProgram() {
    if (thread_ == nullptr || !thread_->settle(5000)) return;
    StoreWindow window(*thread_, slot(), device::ProgramMode::Recall, this);
    window.readList();
    // A linked device that took the program too is redrawn by its own window (on this thread).
    const int own = slot();
    window.controller().setRefresh([this, own, refresh = refreshDevice_](int other) {
        if (other != own && refresh) refresh(other);
    });
    connect(&window, &StoreWindow::programChanged, this, [this] { reloadFromDevice(); });
    runDeviceWindow(window);
}

void EditWindow::backupDevice() {
    if (thread_ == nullptr || !thread_->settle(5000)) return;
    // The program entries show the names the device holds now.
    if (ctx_.device(slot()).isConnected()) {
        const int target = slot();
        thread_->post(this, [this, target] { return device::ReadProgramList(thread_->comm(), target); },
                      [](std::int16_t) {});
        if (!thread_->settle(20000)) return;
    }
    BackupDialog window(*thread_, slot(), this);
    window.setFilePicker([this](const QString& folder, const QString& filter) {
        return pickFile_ ? pickFile_(true, folder, filter) : QString();
    });
    runDeviceWindow(window);
}

void EditWindow::restoreDevice() {
    if (thread_ == nullptr || !thread_->settle(5000)) return;
    RestoreDialog window(*thread_, slot(), this);
    window.setFilePicker([this](const QString& folder, const QString& filter) {
        return pickFile_ ? pickFile_(false, folder, filter) : QString();
    });
    connect(&window, &RestoreDialog::restored, this, [this] { reloadFromDevice(); });
    runDeviceWindow(window);
}

void EditWindow::openLockWindow(int index) {
    if (thread_ == nullptr || !thread_->settle(5000)) return;
    PasswordWindow window(*thread_, slot(), kLockModes[index], this);
    connect(&window, &PasswordWindow::toggled, this, [this] { updateLockCaptions(); });
    runDeviceWindow(window);
}

void EditWindow::lockGui() { openLockWindow(0); }
void EditWindow::lockPanel() { openLockWindow(1); }
void EditWindow::adminLogin() { openLockWindow(2); }

void EditWindow::openSettings() {
    if (thread_ == nullptr || !thread_->settle(5000)) return;
    SettingsWindow window(*thread_, slot(), device::FwFeatureFlagOf(ctx_, slot()), this);
    runDeviceWindow(window);
}

}  // namespace plenum::ui
