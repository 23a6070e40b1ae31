// The firmware window (FwUpdateDemo): the device's address, firmware version, name and unique ID,
// the chosen ".sfu" file, the status line with the loader's progress, and Update. The rules are
// comm::FwUpdateDemo's; this view forwards the file dialog and the button, and shows the status
// line and a progress bar while the load runs on the communication thread. The window cannot be
// closed while a load runs: a loader left half-way leaves the device waiting for its image.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "comm/CommWorker.h"
#include "comm/FirmwareUpdate.h"
#include "core/Prompter.h"

class QLabel;
class QProgressBar;

namespace plenum::ui {

class CommThread;
class UCButton;

class FirmwareWindow final : public QDialog {
    Q_OBJECT
  public:
    // The wire must be held (no other job runs) while the window is open.
    FirmwareWindow(AppContext& ctx, CommThread& thread, comm::FwLoader& loader, Prompter& prompter, int slot,
                   QWidget* parent = nullptr);
    ~FirmwareWindow() override;

    // Picks the firmware file; tests and the tour replace the file dialog.
    using FilePicker = std::function<QString(const QString& filter)>;
    void setFilePicker(FilePicker picker) { pickFile_ = std::move(picker); }

    comm::FwUpdateDemo& controller() { return *controller_; }
    QLabel* fileLabel() const { return file_; }
    QLabel* statusLabel() const { return status_; }
    QProgressBar* progressBar() const { return bar_; }
    UCButton* updateButton() const { return update_; }
    UCButton* browseButton() const { return browse_; }

    void browse();
    // Runs the load on the communication thread; this thread's event loop keeps running (the
    // window repaints, questions are asked) until it ends.
    comm::FwUpdateDemo::Outcome Update_Click();
    bool loading() const { return loading_; }

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class ProgressPrompter;
    void refresh();
    void onProgress(int value, int maximum);

    CommThread& thread_;
    std::unique_ptr<ProgressPrompter> progressPrompter_;
    std::unique_ptr<comm::ForwardingPrompter> forwarding_;
    std::unique_ptr<comm::FwUpdateDemo> controller_;
    bool loading_ = false;
    QLabel* address_;
    QLabel* version_;
    QLabel* name_;
    QLabel* uniqueId_;
    QLabel* file_;
    QLabel* status_;
    QProgressBar* bar_;
    UCButton* browse_;
    UCButton* update_;
    FilePicker pickFile_;
};

// "Fw Update(*.Sfu)|*.sfu" as a Qt file-dialog filter.
QString QtFileFilter(const std::string& filter);

}  // namespace plenum::ui
