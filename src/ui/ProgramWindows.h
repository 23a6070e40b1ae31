// The password window (FrmPwd) and the program memory window (FrmStore) as views over their
// controllers (device/Locks.h, device/ProgramMemory.h). Every press of OK / STORE / RECALL is
// posted to the communication thread; the window reads the records again when the job is done,
// and closes itself when the controller says the operation went through.
#pragma once

#include <QDialog>
#include <atomic>
#include <memory>

#include "device/Locks.h"
#include "device/ProgramMemory.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace plenum::ui {

class CommThread;

// FrmPwd: the caller picks the mode (0 GUI lock, 1 administrator login, 10 panel lock).
class PasswordWindow final : public QDialog {
    Q_OBJECT
  public:
    PasswordWindow(CommThread& thread, int slot, device::LockMode mode, QWidget* parent = nullptr);
    ~PasswordWindow() override;

    QLineEdit* passwordBox() const { return text_; }
    QPushButton* okButton() const { return ok_; }
    QLabel* actionLabel() const { return action_; }
    // OK (also Enter in the password box).
    void submit();
    // Cancel: not while the lock command is on its way.
    void reject() override;

  signals:
    // The lock or login changed: callers refresh their captions.
    void toggled(int slot);

  private:
    CommThread& thread_;
    int slot_;
    std::unique_ptr<device::PasswordLock> lock_;
    bool running_ = false;
    bool closing_ = false;
    QLabel* prompt_;
    QLabel* action_;
    QLineEdit* text_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// FrmStore in store or recall mode for one device.
class StoreWindow final : public QDialog {
    Q_OBJECT
  public:
    StoreWindow(CommThread& thread, int slot, device::ProgramMode mode, QWidget* parent = nullptr);
    ~StoreWindow() override;

    QListWidget* list() const { return list_; }
    QComboBox* position() const { return combo_; }
    QLineEdit* nameBox() const { return name_; }
    QCheckBox* lockBox() const { return check_; }
    QLabel* lockedLabel() const { return locked_; }
    QPushButton* actionButton() const { return action_; }
    QProgressBar* progressBar() const { return bar_; }
    device::ProgramStore& controller() { return *store_; }

    // Re-reads the device's program list (posted) and redraws the list.
    void readList();
    // Button 0: STORE or RECALL.
    void run();
    // CANCEL: closes the window; while a store or recall runs it stops it before its next command.
    void reject() override;
    bool running() const { return running_; }

  signals:
    // A store or recall went through; the edit window rebuilds its caption.
    void programChanged(int slot);

  private:
    void fill();
    void showLock();

    CommThread& thread_;
    int slot_;
    std::unique_ptr<device::ProgramStore> store_;
    QListWidget* list_;
    QComboBox* combo_;
    QLineEdit* name_;
    QCheckBox* check_;
    QLabel* locked_;
    QPushButton* action_;
    QPushButton* cancel_;
    QProgressBar* bar_;
    bool filling_ = false;
    bool running_ = false;
    bool closing_ = false;
    std::atomic<bool> stop_{false};
};

}  // namespace plenum::ui
