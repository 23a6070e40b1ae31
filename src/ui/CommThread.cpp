#include "ui/CommThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace plenum::ui {

// The retry window lives on the user-interface thread; the transaction tells it what to show
// without waiting.
class CommThread::RetryForwarder final : public comm::RetryInfoWindow {
public:
    RetryForwarder(CommThread& owner, comm::RetryInfoWindow& window) : owner_(owner), window_(window) {}
    void show() override { later([this] { window_.show(); }); }
    void hide() override { later([this] { window_.hide(); }); }
    void setLabel(const std::string& text) override {
        later([this, text] { window_.setLabel(text); });
    }

private:
    void later(std::function<void()> function) {
        QMetaObject::invokeMethod(&owner_, std::move(function), Qt::QueuedConnection);
    }
    CommThread& owner_;
    comm::RetryInfoWindow& window_;
};

class CommThread::TileForwarder final : public comm::TileStatusSink {
public:
    TileForwarder(CommThread& owner, comm::TileStatusSink& tiles) : owner_(owner), tiles_(tiles) {}
    void switchOffline(int slot) override {
        QMetaObject::invokeMethod(&owner_, [this, slot] { tiles_.switchOffline(slot); }, Qt::QueuedConnection);
    }

private:
    CommThread& owner_;
    comm::TileStatusSink& tiles_;
};

class CommThread::RetryReporter final : public comm::RetryObserver {
public:
    explicit RetryReporter(CommThread& owner) : owner_(owner) {}
    void retrying(int slot, int attempt) override {
        QMetaObject::invokeMethod(
            &owner_, [this, slot, attempt] { emit owner_.retryingDevice(slot, attempt); }, Qt::QueuedConnection);
    }

private:
    CommThread& owner_;
};

// The give-up button at every retry attempt (and closing, which gives up whatever retries).
class CommThread::GiveUpProbe final : public comm::AbortProbe {
public:
    explicit GiveUpProbe(CommThread& owner) : owner_(owner) {}
    bool AltAbort() override { return owner_.giveUp_.exchange(false) || owner_.closing_; }

private:
    CommThread& owner_;
};

CommThread::CommThread(AppContext& ctx, Prompter& prompter, comm::NetworkTransport& network,
                       comm::SerialTransport& serial, comm::Sleeper& sleeper, comm::LinkSettings links,
                       comm::CommTimeouts timeouts, QObject* parent)
    : QObject(parent), ctx_(ctx) {
    forwarding_ = std::make_unique<comm::ForwardingPrompter>(
        prompter, [this](const std::function<void()>& function) { runOnOwner(function); });
    comm_ = std::make_unique<comm::DeviceComm>(ctx_, network, serial, *forwarding_, sleeper, links, timeouts);
    retryReporter_ = std::make_unique<RetryReporter>(*this);
    giveUpProbe_ = std::make_unique<GiveUpProbe>(*this);
    comm_->setHooks({nullptr, nullptr, this, retryReporter_.get(), giveUpProbe_.get()});
    worker_ = std::make_unique<comm::CommWorker>();
}

CommThread::~CommThread() {
    closing_ = true;
    giveUp_ = true;
    // A running job may still ask a question or wait for a reconnect: keep answering until it ends.
    settle(30000);
    worker_.reset();
}

void CommThread::setHooks(comm::RetryInfoWindow* retryWindow, comm::TileStatusSink* tiles, comm::AbortProbe* altKey) {
    // Only while nothing runs: the transaction reads its hooks on the worker.
    settle();
    retryForwarder_ = retryWindow ? std::make_unique<RetryForwarder>(*this, *retryWindow) : nullptr;
    tileForwarder_ = tiles ? std::make_unique<TileForwarder>(*this, *tiles) : nullptr;
    altKey_ = altKey;
    comm_->setHooks({retryForwarder_.get(), tileForwarder_.get(), this, retryReporter_.get(), giveUpProbe_.get()});
}

comm::TileStatusSink* CommThread::tileSink() { return tileForwarder_.get(); }

bool CommThread::AltAbort() {
    // Asked at each shown retry: the Alt key ends the retries (the give-up button is asked first,
    // at the top of every attempt).
    const bool key = altKey_ != nullptr && altKey_->AltAbort();
    return key || closing_;
}

void CommThread::runOnOwner(const std::function<void()>& function) {
    if (QThread::currentThread() == thread()) {
        function();
        return;
    }
    // While the owner is closing, questions are not asked any more: they read as No.
    if (closing_) return;
    QMetaObject::invokeMethod(this, [&function] { function(); }, Qt::BlockingQueuedConnection);
}

void CommThread::deliver(const QPointer<QObject>& target, std::function<void()> completion) {
    QMetaObject::invokeMethod(
        this,
        [target, completion = std::move(completion), this]() mutable {
            if (target && !closing_) completion();
            emit jobFinished();
        },
        Qt::QueuedConnection);
}

bool CommThread::settle(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        while (!worker_->idle()) {
            if (clock.elapsed() > timeoutMs) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            worker_->waitIdle(std::chrono::milliseconds{2});
        }
        // The completions of the finished jobs, which may post more work.
        QCoreApplication::processEvents();
        if (worker_->idle()) return true;
    }
}

}  // namespace plenum::ui
