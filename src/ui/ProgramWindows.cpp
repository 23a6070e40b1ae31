#include "ui/ProgramWindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ImageLayout.h"
#include "device/ProgramTexts.h"
#include "ui/CommThread.h"

namespace plenum::ui {
namespace {

QString Text(const Bilingual& text, int languageFlag) {
    const auto picked = text.pick(languageFlag);
    return QString::fromUtf8(picked.data(), static_cast<qsizetype>(picked.size()));
}

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// --- FrmPwd ---------------------------------------------------------------------------------------

PasswordWindow::PasswordWindow(CommThread& thread, int slot, device::LockMode mode, QWidget* parent)
    : QDialog(parent), thread_(thread), slot_(slot),
      lock_(std::make_unique<device::PasswordLock>(thread.comm(), thread.prompter(), slot, mode)) {
    setObjectName("FrmPwd");
    const int lang = thread.comm().context().LanguageFlag;
    setWindowTitle(Text(texts::kWrongPassword.title, lang));
    prompt_ = new QLabel(FromStd(lock_->prompt()), this);
    prompt_->setObjectName("LabelPrompt");
    action_ = new QLabel(FromStd(lock_->actionCaption()), this);
    action_->setObjectName("LabelAction");
    text_ = new QLineEdit(this);
    text_->setObjectName("TextPwd");
    text_->setEchoMode(QLineEdit::Password);
    text_->clear();
    ok_ = new QPushButton(Text(texts::kOk, lang), this);
    ok_->setObjectName("LabelOk");
    cancel_ = new QPushButton(Text(texts::kCancel, lang), this);
    cancel_->setObjectName("LabelCancel");
    auto* layout = new QGridLayout(this);
    layout->addWidget(action_, 0, 0, 1, 2);
    layout->addWidget(prompt_, 1, 0, 1, 2);
    layout->addWidget(text_, 2, 0, 1, 2);
    layout->addWidget(ok_, 3, 0);
    layout->addWidget(cancel_, 3, 1);
    connect(ok_, &QPushButton::clicked, this, &PasswordWindow::submit);
    connect(text_, &QLineEdit::returnPressed, this, &PasswordWindow::submit);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

// A job of the window may still be queued or running (its owner closed it from outside): it is
// waited for, with the event loop running so that its questions are answered, and its completion
// does nothing more.
PasswordWindow::~PasswordWindow() {
    closing_ = true;
    if (running_) thread_.settle();
}

void PasswordWindow::submit() {
    if (running_) return;
    running_ = true;
    ok_->setEnabled(false);
    const std::string entered = text_->text().toStdString();
    thread_.post(
        this, [this, entered] { return lock_->submit(entered); },
        [this](device::LockOutcome outcome) {
            running_ = false;
            if (closing_) return;
            ok_->setEnabled(true);
            action_->setText(FromStd(lock_->actionCaption()));
            if (outcome == device::LockOutcome::WrongPassword) return;
            emit toggled(slot_);
            accept();
        });
}

void PasswordWindow::reject() {
    if (!running_) QDialog::reject();
}

// --- FrmStore -------------------------------------------------------------------------------------

StoreWindow::StoreWindow(CommThread& thread, int slot, device::ProgramMode mode, QWidget* parent)
    : QDialog(parent), thread_(thread), slot_(slot),
      store_(std::make_unique<device::ProgramStore>(thread.comm(), thread.prompter(), slot, mode)) {
    setObjectName("FrmStore");
    const int lang = thread.comm().context().LanguageFlag;
    const bool storing = mode == device::ProgramMode::Store;
    setWindowTitle(Text(storing ? texts::kStoreProgramTitle : texts::kRecallProgramTitle, lang));
    auto* memory = new QGroupBox(Text(texts::kMemoryProgram, lang), this);
    list_ = new QListWidget(memory);
    list_->setObjectName("List1");
    (new QVBoxLayout(memory))->addWidget(list_);
    auto* nameGroup = new QGroupBox(Text(texts::kEditName, lang), this);
    name_ = new QLineEdit(nameGroup);
    name_->setObjectName("Text1");
    name_->setMaxLength(kProgramNameLength);
    (new QVBoxLayout(nameGroup))->addWidget(name_);
    auto* positionGroup = new QGroupBox(Text(texts::kSelectPosition, lang), this);
    combo_ = new QComboBox(positionGroup);
    combo_->setObjectName("Combo1");
    for (int k = 1; k <= kProgramSlots; ++k) combo_->addItem(QString::number(k));
    (new QVBoxLayout(positionGroup))->addWidget(combo_);
    nameGroup->setVisible(storing);
    positionGroup->setVisible(storing);
    check_ = new QCheckBox(Text(texts::kLockProgram, lang), this);
    check_->setObjectName("CheckLockProgram");
    locked_ = new QLabel(Text(texts::kLockedProgram, lang), this);
    locked_->setObjectName("LabelLock");
    action_ = new QPushButton(Text(storing ? texts::kStoreButton : texts::kRecallButton, lang), this);
    action_->setObjectName("LabelButton0");
    cancel_ = new QPushButton(Text(texts::kCancelButton, lang), this);
    cancel_->setObjectName("LabelButton1");
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 3);
    bar_->setValue(0);
    auto* layout = new QGridLayout(this);
    layout->addWidget(memory, 0, 0, 1, 2);
    layout->addWidget(nameGroup, 1, 0);
    layout->addWidget(positionGroup, 1, 1);
    layout->addWidget(check_, 2, 0);
    layout->addWidget(locked_, 2, 1);
    layout->addWidget(bar_, 3, 0, 1, 2);
    layout->addWidget(action_, 4, 0);
    layout->addWidget(cancel_, 4, 1);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (filling_ || row < 0) return;
        store_->selectLine(row);
        fill();
    });
    connect(combo_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (filling_ || index < 0) return;
        store_->selectPosition(index);
        showLock();
    });
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        store_->setName(text.toStdString());
        if (store_->name().empty() && !text.isEmpty()) name_->clear();
    });
    connect(check_, &QCheckBox::toggled, this, [this](bool on) { store_->setLockChecked(on); });
    connect(action_, &QPushButton::clicked, this, &StoreWindow::run);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    // Called on the communication thread: the bar is moved on this one; CANCEL stops the sequence
    // before its next command.
    store_->setProgress([this](int done, int total) {
        QMetaObject::invokeMethod(bar_, [bar = bar_, done, total] { bar->setRange(0, total), bar->setValue(done); });
        return !stop_.load();
    });
    fill();
}

// A job of the window may still be queued or running (its owner closed it from outside): it is
// waited for, with the event loop running so that its questions are answered, and its completion
// does nothing more.
StoreWindow::~StoreWindow() {
    closing_ = true;
    if (running_) thread_.settle();
}

void StoreWindow::fill() {
    filling_ = true;
    list_->clear();
    for (const std::string& line : store_->lines()) list_->addItem(FromStd(line));
    list_->setCurrentRow(store_->selected());
    combo_->setCurrentIndex(store_->selected());
    name_->setText(FromStd(store_->name()));
    filling_ = false;
    showLock();
}

void StoreWindow::showLock() {
    check_->setVisible(store_->showsLockCheck());
    check_->setChecked(store_->lockChecked());
    locked_->setVisible(store_->showsLockedLabel());
}

void StoreWindow::readList() {
    if (running_) return;
    running_ = true;
    action_->setEnabled(false);
    // The job needs nothing of the window: the records it fills are the application's.
    thread_.post(this, [&comm = thread_.comm(), slot = slot_] { return device::ReadProgramList(comm, slot); },
                 [this](std::int16_t) {
                     running_ = false;
                     if (closing_) return;
                     action_->setEnabled(true);
                     // The line of CurrentProgram again, now that the records are the device's.
                     store_->selectLine(device::PreselectedProgram(thread_.comm().context(), slot_));
                     fill();
                 });
}

void StoreWindow::run() {
    if (running_) return;
    running_ = true;
    stop_ = false;
    action_->setEnabled(false);
    thread_.post(this, [this] { return store_->run(); },
                 [this](device::ProgramOutcome outcome) {
                     running_ = false;
                     if (closing_) return;
                     action_->setEnabled(true);
                     if (outcome == device::ProgramOutcome::Done) {
                         emit programChanged(slot_);
                         accept();
                         return;
                     }
                     fill();
                 });
}

void StoreWindow::reject() {
    if (running_) {
        stop_ = true;
        return;
    }
    QDialog::reject();
}

}  // namespace plenum::ui
