#include "ui/BackupWindows.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "device/ProgramTexts.h"
#include "ui/CommThread.h"

namespace plenum::ui {
namespace {

QString Text(const Bilingual& text, int languageFlag) {
    const auto picked = text.pick(languageFlag);
    return QString::fromUtf8(picked.data(), static_cast<qsizetype>(picked.size()));
}

QString BackupFolder(const AppContext& ctx) {
    // The Backup folder below the data folder, created on first use.
    const QString folder = QString::fromStdString((ctx.dataDir / "Backup").string());
    QDir().mkpath(folder);
    return folder;
}

// The file dialog's filter: the device family's files end in ".bck" or ".Bck".
QString BackupFilter() { return QStringLiteral("file Bck (*.Bck *.bck)"); }

// Called on the communication thread: the bar is moved on the window's thread, and a stop asked
// for there ends the transfer before its next step.
device::ProgressFn ProgressTo(QProgressBar* bar, const std::atomic<bool>& stop) {
    return [bar, &stop](int done, int total) {
        QMetaObject::invokeMethod(bar, [bar, done, total] { bar->setRange(0, total), bar->setValue(done); });
        return !stop.load();
    };
}

}  // namespace

// --- FrmBackup ------------------------------------------------------------------------------------

BackupDialog::BackupDialog(CommThread& thread, int slot, QWidget* parent)
    : QDialog(parent), thread_(thread), slot_(slot),
      backup_(std::make_unique<device::BackupWindow>(thread.comm(), thread.prompter(), slot)) {
    setObjectName("FrmBackup");
    const int lang = thread.comm().context().LanguageFlag;
    setWindowTitle(Text(texts::kBackupSaved.title, lang));
    header_ = new QLabel(QString::fromStdString(backup_->header()), this);
    header_->setObjectName("LabelHeader");
    actual_ = new QCheckBox(Text(texts::kBackupActualProgram, lang), this);
    system_ = new QCheckBox(Text(texts::kBackupSystemData, lang), this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(header_, 0, 0, 1, 2);
    layout->addWidget(actual_, 1, 0, 1, 2);
    layout->addWidget(system_, 2, 0, 1, 2);
    layout->addWidget(new QLabel(Text(texts::kBackupPrograms, lang), this), 3, 0, 1, 2);
    int row = 4;
    for (const std::string& line : backup_->programLines()) {
        programs_.push_back(new QCheckBox(QString::fromStdString(line), this));
        layout->addWidget(programs_.back(), row++, 0, 1, 2);
        if (programs_.size() >= 8) break;  // a 120-program model lists its first page only
    }
    auto* all = new QPushButton(Text(texts::kSelectAll, lang), this);
    auto* none = new QPushButton(Text(texts::kUnselectAll, lang), this);
    // Enter in the window selects nothing by itself.
    all->setAutoDefault(false);
    none->setAutoDefault(false);
    layout->addWidget(all, row, 0);
    layout->addWidget(none, row++, 1);
    bar_ = new QProgressBar(this);
    layout->addWidget(bar_, row++, 0, 1, 2);
    save_ = new QPushButton(Text(texts::kSaveButton, lang), this);
    save_->setObjectName("LabelSave");
    close_ = new QPushButton(Text(texts::kCloseButton, lang), this);
    layout->addWidget(save_, row, 0);
    layout->addWidget(close_, row, 1);
    auto setAll = [this](bool on) {
        for (QCheckBox* box : programs_) box->setChecked(on);
        actual_->setChecked(on), system_->setChecked(on);
    };
    connect(all, &QPushButton::clicked, this, [setAll] { setAll(true); });
    connect(none, &QPushButton::clicked, this, [setAll] { setAll(false); });
    connect(save_, &QPushButton::clicked, this, &BackupDialog::save);
    connect(close_, &QPushButton::clicked, this, &BackupDialog::reject);
    backup_->setProgress(ProgressTo(bar_, stop_));
    pick_ = [this](const QString& folder, const QString& filter) {
        return QFileDialog::getSaveFileName(this, windowTitle(), folder, filter);
    };
}

// A job of the window may still be queued or running (its owner closed it from outside): it is
// waited for, with the event loop running so that its questions are answered, and its completion
// does nothing more.
BackupDialog::~BackupDialog() {
    closing_ = true;
    if (running_) thread_.settle();
}

void BackupDialog::takeItems() {
    backup_->items.actualProgram = actual_->isChecked();
    backup_->items.systemData = system_->isChecked();
    for (std::size_t k = 0; k < programs_.size(); ++k) backup_->items.programs[k] = programs_[k]->isChecked();
}

void BackupDialog::save() {
    if (running_) return;
    takeItems();
    const AppContext& ctx = thread_.comm().context();
    // An off-line device or an empty selection is refused before the save dialog (the controller
    // says which); otherwise the user names the file first.
    std::filesystem::path file;
    if (ctx.device(slot_).isConnected() && backup_->items.any()) {
        QString path = pick_(BackupFolder(ctx), BackupFilter());
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".bck");
        file = path.toStdString();
    }
    running_ = true;
    stop_ = false;
    save_->setEnabled(false);
    thread_.post(this, [this, file] { return backup_->save(file); },
                 [this](device::TransferOutcome) {
                     running_ = false;
                     if (closing_) return;
                     save_->setEnabled(true);
                 });
}

void BackupDialog::reject() {
    if (running_) {
        stop_ = true;
        return;
    }
    bool close = false;
    thread_.post(this, [this] { return backup_->confirmClose(); }, [&close](bool answer) { close = answer; });
    thread_.settle();
    if (close) QDialog::reject();
}

// --- FrmRestore -----------------------------------------------------------------------------------

RestoreDialog::RestoreDialog(CommThread& thread, int slot, QWidget* parent)
    : QDialog(parent), thread_(thread), slot_(slot),
      restoreWindow_(std::make_unique<device::RestoreWindow>(thread.comm(), thread.prompter(), slot)) {
    setObjectName("FrmRestore");
    const int lang = thread.comm().context().LanguageFlag;
    setWindowTitle(Text(texts::kRestoreDone.title, lang));
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(Text(texts::kBackupFileName, lang), this), 0, 0);
    file_ = new QLabel(this);
    file_->setObjectName("LabelFile");
    layout->addWidget(file_, 0, 1);
    choose_ = new QPushButton("...", this);
    layout->addWidget(choose_, 0, 2);
    const int items = 2 + static_cast<int>(restoreWindow_->selection().programs.size());
    for (int item = 0; item < items && item < 10; ++item) {
        boxes_.push_back(new QCheckBox(this));
        presence_.push_back(new QLabel(this));
        layout->addWidget(boxes_.back(), item + 1, 0, 1, 2);
        layout->addWidget(presence_.back(), item + 1, 2);
    }
    bar_ = new QProgressBar(this);
    layout->addWidget(bar_, 12, 0, 1, 3);
    restore_ = new QPushButton(Text(texts::kRestoreButton, lang), this);
    restore_->setObjectName("LabelRestore");
    close_ = new QPushButton(Text(texts::kCloseButton, lang), this);
    layout->addWidget(restore_, 13, 0);
    layout->addWidget(close_, 13, 2);
    connect(choose_, &QPushButton::clicked, this, &RestoreDialog::chooseFile);
    connect(restore_, &QPushButton::clicked, this, &RestoreDialog::restore);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    restoreWindow_->setProgress(ProgressTo(bar_, stop_));
    pick_ = [this](const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(this, windowTitle(), folder, filter);
    };
    fill();
}

// A job of the window may still be queued or running (its owner closed it from outside): it is
// waited for, with the event loop running so that its questions are answered, and its completion
// does nothing more.
RestoreDialog::~RestoreDialog() {
    closing_ = true;
    if (running_) thread_.settle();
}

void RestoreDialog::fill() {
    const int lang = thread_.comm().context().LanguageFlag;
    file_->setText(QString::fromStdString(restoreWindow_->fileCaption()));
    const auto& file = restoreWindow_->file();
    const std::vector<std::string> lines = restoreWindow_->programLines();
    for (std::size_t item = 0; item < boxes_.size(); ++item) {
        bool present = false;
        if (item == 0) {
            boxes_[item]->setText(Text(texts::kBackupActualProgram, lang));
            present = file && file->hasActualProgram();
        } else if (item == 1) {
            boxes_[item]->setText(Text(texts::kBackupSystemData, lang));
            present = file && file->hasSystemData();
        } else {
            boxes_[item]->setText(QString::fromStdString(lines[item - 2]));
            present = restoreWindow_->present(static_cast<int>(item - 2));
        }
        presence_[item]->setText(Text(present ? texts::kYes : texts::kNo, lang));
        boxes_[item]->setEnabled(present);
        boxes_[item]->setChecked(present);
    }
}

void RestoreDialog::chooseFile() {
    if (running_) return;
    const QString path = pick_(BackupFolder(thread_.comm().context()), BackupFilter());
    if (path.isEmpty()) return;
    const std::filesystem::path file = path.toStdString();
    running_ = true;
    thread_.post(this, [this, file] { return restoreWindow_->openFile(file); },
                 [this](bool) {
                     running_ = false;
                     if (closing_) return;
                     fill();
                 });
}

void RestoreDialog::reject() {
    if (running_) {
        stop_ = true;
        return;
    }
    QDialog::reject();
}

void RestoreDialog::restore() {
    if (running_) return;
    device::BackupItems wanted;
    wanted.actualProgram = boxes_[0]->isChecked();
    wanted.systemData = boxes_[1]->isChecked();
    for (std::size_t item = 2; item < boxes_.size(); ++item) wanted.programs.push_back(boxes_[item]->isChecked());
    restoreWindow_->select(wanted);
    running_ = true;
    stop_ = false;
    restore_->setEnabled(false);
    thread_.post(this, [this] { return restoreWindow_->restore(); },
                 [this](device::TransferOutcome outcome) {
                     running_ = false;
                     if (closing_) return;
                     restore_->setEnabled(true);
                     if (outcome == device::TransferOutcome::Done) emit restored(slot_);
                 });
}

}  // namespace plenum::ui
