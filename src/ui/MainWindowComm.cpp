// The main window's work on the wire: connecting, disconnecting and removing devices, the lock
// windows of the tiles' menus, the meter poll and the exit sequence. Each posts a job to the communication thread and finishes in a
// completion on the window's thread; the window never waits for a reply.
#include <QCloseEvent>
#include <QDialog>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include "core/Registry.h"
#include "ui/ConnectDialog.h"
#include "ui/DeviceTile.h"
#include "ui/MainWindow.h"
#include "ui/EditWindow.h"
#include "ui/ProgramWindows.h"
#include "ui/SmallWindows.h"
#include "ui/Theme.h"
#include "ui/TileArea.h"
#include "ui/UiTexts.h"
#include "ui/logic/DeviceActions.h"

namespace plenum::ui {

bool MainWindow::settle(int timeoutMs) { return commThread_->settle(timeoutMs); }

void MainWindow::holdWire() {
    ctx_.flags.CommBusy = kTrue16;
    commThread_->settle();
}

void MainWindow::releaseWire() { ctx_.flags.CommBusy = kFalse16; }

// ---- Tiles -----------------------------------------------------------------------------------

void MainWindow::openLockWindow(int slot, device::LockMode mode) {
    if (!ctx_.device(slot).isConnected()) return;
    holdWire();
    {
        PasswordWindow window(*commThread_, slot, mode, this);
        connect(&window, &PasswordWindow::toggled, this, [this](int s) {
            if (EditWindow* edit = editWindow(s)) edit->updateLockCaptions();
        });
        runModal_(window);
    }
    releaseWire();
}

void MainWindow::toggleConnection(int slot) {
    if (ctx_.device(slot).isConnected())
        disconnectDevice(slot);
    else
        connectDevice(slot);
}

void MainWindow::connectDevice(int slot) {
    if (!ctx_.device(slot).isPresent() || ctx_.device(slot).isConnected()) return;
    // The LAN check asks the network object, which belongs to the communication thread.
    commThread_->post(
        this, [this, slot] { return connector_->networkAvailable(slot); },
        [this, slot](bool available) {
            if (available) chooseAndConnect(slot);
        });
}

void MainWindow::chooseAndConnect(int slot) {
    comm::TransferDirection direction{};
    {
        ConnectDialog dialog(ctx_, slot, this);
        if (runModal_(dialog) != QDialog::Accepted) return;
        direction = dialog.direction();
    }
    commThread_->post(
        this,
        [this, slot, direction] {
            // The meter poll and the group check keep away while the connection is made.
            ctx_.flags.CommBusy = kTrue16;
            connector_->connectOne(slot, direction);
            ctx_.flags.CommBusy = kFalse16;
        },
        [this, slot] { refreshTile(slot); });
}

void MainWindow::disconnectDevice(int slot) {
    commThread_->post(this, [this, slot] { connector_->disconnect(slot); }, [this, slot] { refreshTile(slot); });
}

void MainWindow::removeDevice(int slot) {
    commThread_->post(
        this, [this, slot] { return RemoveDevice(ctx_, commThread_->prompter(), comm(), slot); },
        [this, slot](RemoveResult result) {
            if (result != RemoveResult::Removed) return;
            tileArea_->removeTile(slot);
            updateCounts();
        });
}

void MainWindow::onRetrying(int slot, int attempt) {
    retryWindow_->setDevice(Q(DisplayName(ctx_, slot)));
    // The first attempt stays silent, as a first failed reconnect does. Later, a failed reconnect
    // puts its retry count on the label; a silent device that takes the link back at once is
    // shown with the attempt.
    if (attempt < 2) return;
    retryWindow_->setLabel(FillText(captions::kRetryAttempt.pick(ctx_.LanguageFlag), {std::to_string(attempt)}));
    retryWindow_->show();
}

// ---- Connect all -----------------------------------------------------------------------------

void MainWindow::connectAllDevices() {
    comm::TransferDirection direction{};
    {
        ConnectDialog dialog(ctx_, ConnectDialog::kAllDevices, this);
        if (runModal_(dialog) != QDialog::Accepted) return;
        direction = dialog.direction();
    }
    showConnectProgress(QString(), 0, 0);
    commThread_->post(
        this,
        [this, direction] {
            ctx_.flags.CommBusy = kTrue16;
            connector_->connectAll(direction, [this](int slot, int done, int total) {
                // The name is read here, on the thread that writes the records.
                const QString name = Q(DisplayName(ctx_, slot));
                QMetaObject::invokeMethod(
                    this, [this, name, done, total] { showConnectProgress(name, done, total); }, Qt::QueuedConnection);
            });
            ctx_.flags.CommBusy = kFalse16;
        },
        [this] {
            endConnectProgress();
            refreshAll();
        });
}

void MainWindow::showConnectProgress(const QString& deviceName, int done, int total) {
    connectProgress_->setRange(0, total);
    connectProgress_->setValue(done);
    connectProgress_->setVisible(true);
    if (total > 0)
        showStatus(Q(FillText(captions::kConnectingDevice.pick(ctx_.LanguageFlag),
                              {deviceName.toStdString(), std::to_string(done + 1), std::to_string(total)})));
}

void MainWindow::endConnectProgress() {
    connectProgress_->setVisible(false);
    statusBar()->clearMessage();
}

// ---- Timers and exit -------------------------------------------------------------------------

void MainWindow::pollMeters() {
    if (pollRunning_) return;
    pollRunning_ = true;
    comm::CommWorker& worker = commThread_->worker();
    commThread_->post(
        this, [this, &worker] { return meterPoll_->pollAll(*this, [&worker] { worker.runPendingUserWork(); }); },
        [this](const MeterPoll::Round& round) { onMeterRound(round); }, comm::JobPriority::Background);
}

void MainWindow::onMeterRound(const MeterPoll::Round& round) {
    // The next round is posted only after this one: the meter table is this thread's to read now.
    pollRunning_ = false;
    for (int slot : round.refreshed) {
        if (DeviceTile* tile = tileArea_->tile(slot)) tile->setLevels(PeakLevels(meterPoll_->table(), slot));
        if (EditWindow* window = editWindow(slot)) window->refreshMeters();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (exitRan_) {
        event->accept();
        return;
    }
    // The exit sequence is on its way: the window closes when it has run.
    if (exitRunning_ || !ConfirmExit(ctx_, prompter_)) {
        event->ignore();
        return;
    }
    exitRunning_ = true;
    timerVuMeter_->stop();
    timerCheckEqGrp_->stop();
    if (listener_) listener_->stop();
    if (bridge_) bridge_->stop();
    for (auto& [slot, window] : editWindows_)
        if (window) window->disconnect(this);
    commThread_->post(
        this, [this] { return RunExitSequence(ctx_, comm(), paths_); },
        [this](std::error_code) {
            exitRan_ = true;
            for (auto& [slot, window] : editWindows_)
                if (window) window->close();
            // The groups stay in the session project: their windows go without the removal question.
            closeGroupWindows();
            close();
        });
    event->ignore();
}

}  // namespace plenum::ui
