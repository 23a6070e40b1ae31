// FrmBackup and FrmRestore as views over device::BackupWindow and device::RestoreWindow: the item
// check boxes, the file dialogs (replaceable by tests and the tour) and a progress bar. SAVE and
// RESTORE are posted to the communication thread.
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "device/Backup.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace plenum::ui {

class CommThread;

// Chooses a file: (starting folder, filter) -> path, empty when cancelled.
using BackupFilePicker = std::function<QString(const QString& folder, const QString& filter)>;

class BackupDialog final : public QDialog {
    Q_OBJECT
  public:
    BackupDialog(CommThread& thread, int slot, QWidget* parent = nullptr);
    ~BackupDialog() override;
    void setFilePicker(BackupFilePicker picker) { pick_ = std::move(picker); }

    QCheckBox* actualBox() const { return actual_; }
    QCheckBox* systemBox() const { return system_; }
    QCheckBox* programBox(int k) const { return programs_[static_cast<std::size_t>(k)]; }
    QPushButton* saveButton() const { return save_; }
    QLabel* header() const { return header_; }

    void save();  // SAVE
    // CLOSE asks first; while a backup runs it stops it before the next read instead.
    void reject() override;
    bool running() const { return running_; }

  private:
    void takeItems();

    CommThread& thread_;
    int slot_;
    std::unique_ptr<device::BackupWindow> backup_;
    QLabel* header_;
    QCheckBox* actual_;
    QCheckBox* system_;
    std::vector<QCheckBox*> programs_;
    QPushButton* save_;
    QPushButton* close_;
    QProgressBar* bar_;
    BackupFilePicker pick_;
    bool running_ = false;
    bool closing_ = false;
    std::atomic<bool> stop_{false};
};

class RestoreDialog final : public QDialog {
    Q_OBJECT
  public:
    RestoreDialog(CommThread& thread, int slot, QWidget* parent = nullptr);
    ~RestoreDialog() override;
    void setFilePicker(BackupFilePicker picker) { pick_ = std::move(picker); }

    QLabel* fileLabel() const { return file_; }
    QLabel* presence(int item) const { return presence_[static_cast<std::size_t>(item)]; }  // 0 actual, 1 system, 2.. programs
    QCheckBox* itemBox(int item) const { return boxes_[static_cast<std::size_t>(item)]; }
    QPushButton* restoreButton() const { return restore_; }

    void chooseFile();  // the file button
    void restore();     // RESTORE
    // CLOSE; while a restore runs it stops it before the next item instead.
    void reject() override;
    bool running() const { return running_; }
    QProgressBar* progressBar() const { return bar_; }

  signals:
    void restored(int slot);

  private:
    void fill();

    CommThread& thread_;
    int slot_;
    std::unique_ptr<device::RestoreWindow> restoreWindow_;
    QLabel* file_;
    std::vector<QLabel*> presence_;
    std::vector<QCheckBox*> boxes_;
    QPushButton* choose_;
    QPushButton* restore_;
    QPushButton* close_;
    QProgressBar* bar_;
    BackupFilePicker pick_;
    bool running_ = false;
    bool closing_ = false;
    std::atomic<bool> stop_{false};
};

}  // namespace plenum::ui
