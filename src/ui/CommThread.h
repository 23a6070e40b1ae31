// CommThread: the desktop application's communication thread. It owns the command transaction
// (DeviceComm) and runs every job on a CommWorker, so that no slot of a window waits on a socket.
// Windows post a job (any callable that talks to devices through comm()) with a completion that
// Qt delivers on the receiver's thread as a queued call; a receiver destroyed meanwhile receives
// nothing.
//
// The threading rule, for every window that posts:
//  - Inside a job (the worker thread) the job may read and write the application context, call
//    DeviceComm, the connector and the device-memory routines: while a job runs, the worker is the
//    only writer of device records, images and status records.
//  - On the user-interface thread a window reads that state in its completion, or when busy() is
//    false; it never calls DeviceComm or a transport itself and never writes device records while
//    busy(). CommFlags are atomic and may be set from either side (TxSuspended, GuiUpdating while
//    a window fills its controls).
//  - A question, alert or progress report of a transaction is shown on the user-interface thread
//    while the job waits (prompter()); the retry window and the tiles' off-line switch are updated
//    there too, without the job waiting. The retry window's give-up button and the Alt key feed
//    the transaction's abort probe.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

#include "comm/CommWorker.h"
#include "comm/DeviceComm.h"
#include "core/AppContext.h"
#include "core/Prompter.h"

namespace plenum::ui {

class CommThread final : public QObject, private comm::AbortProbe {
    Q_OBJECT
public:
    // `prompter` is the user-interface thread's prompter; this object must be created on that
    // thread, which becomes the one questions are asked on.
    CommThread(AppContext& ctx, Prompter& prompter, comm::NetworkTransport& network, comm::SerialTransport& serial,
               comm::Sleeper& sleeper, comm::LinkSettings links, comm::CommTimeouts timeouts, QObject* parent = nullptr);
    // Gives up a retrying transaction, lets the running job finish (answering its questions with
    // the event loop) and stops the thread.
    ~CommThread() override;

    // For jobs (and, while !busy(), for the user-interface thread's reads).
    comm::DeviceComm& comm() { return *comm_; }
    // The prompter a job hands to the rules it calls: it asks on the user-interface thread.
    Prompter& prompter() { return *forwarding_; }
    comm::CommWorker& worker() { return *worker_; }
    // For jobs: the tiles' off-line switch, carried out on this object's thread.
    comm::TileStatusSink* tileSink();

    // The user-interface side of the transaction. Each hook is called on this object's thread.
    // `retryWindow` also learns which device is retried (retryingDevice signal).
    void setHooks(comm::RetryInfoWindow* retryWindow, comm::TileStatusSink* tiles, comm::AbortProbe* altKey);

    // Posts `work` (run on the worker, returning R or void) and calls `done(R)` / `done()` on
    // `receiver`'s thread when it has finished. See CommWorker for priorities and keys.
    template <typename Work, typename Done>
    comm::CommWorker::JobId post(QObject* receiver, Work work, Done done,
                                 comm::JobPriority priority = comm::JobPriority::User,
                                 std::optional<comm::JobKey> key = std::nullopt) {
        QPointer<QObject> target(receiver);
        return worker_->post(
            [this, target, work = std::move(work), done = std::move(done)]() mutable {
                using Result = std::invoke_result_t<Work&>;
                if constexpr (std::is_void_v<Result>) {
                    work();
                    deliver(target, [done = std::move(done)]() mutable { done(); });
                } else {
                    deliver(target, [done = std::move(done), result = work()]() mutable { done(std::move(result)); });
                }
            },
            priority, key);
    }
    comm::CommWorker::JobId post(std::function<void()> work, comm::JobPriority priority = comm::JobPriority::User,
                                 std::optional<comm::JobKey> key = std::nullopt) {
        return worker_->post(std::move(work), priority, key);
    }

    // A job is running or waiting.
    bool busy() const { return !worker_->idle(); }
    // Runs the caller's event loop until no job runs or waits (questions keep being answered);
    // false when `timeoutMs` passed first.
    bool settle(int timeoutMs = 60000);
    // Gives up the transaction that is retrying now (the retry window's button).
    void giveUp() { giveUp_ = true; }

    // Runs `function` on this object's thread and waits for it (directly when already there).
    void runOnOwner(const std::function<void()>& function);

signals:
    // The device the transaction is trying to reach again (on this object's thread).
    void retryingDevice(int slot, int attempt);
    // A job finished (after its own completion was queued).
    void jobFinished();

private:
    bool AltAbort() override;
    void deliver(const QPointer<QObject>& target, std::function<void()> completion);

    class RetryForwarder;
    class TileForwarder;
    class RetryReporter;
    class GiveUpProbe;

    AppContext& ctx_;
    std::unique_ptr<comm::ForwardingPrompter> forwarding_;
    std::unique_ptr<comm::DeviceComm> comm_;
    std::unique_ptr<RetryForwarder> retryForwarder_;
    std::unique_ptr<TileForwarder> tileForwarder_;
    std::unique_ptr<RetryReporter> retryReporter_;
    std::unique_ptr<GiveUpProbe> giveUpProbe_;
    comm::AbortProbe* altKey_ = nullptr;
    std::atomic<bool> giveUp_{false};
    std::atomic<bool> closing_{false};
    // Last: stopped first, while everything its jobs use still exists.
    std::unique_ptr<comm::CommWorker> worker_;
};

}  // namespace plenum::ui
