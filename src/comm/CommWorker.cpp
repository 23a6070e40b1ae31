#include "comm/CommWorker.h"

#include <algorithm>

namespace plenum::comm {

CommWorker::CommWorker() : thread_([this] { run(); }) {}

CommWorker::~CommWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        user_.clear();
        background_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

CommWorker::JobId CommWorker::post(Job job, JobPriority priority, std::optional<JobKey> key) {
    JobId id = 0;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        if (priority == JobPriority::Background) {
            background_.push_back({id, priority, std::nullopt, std::move(job)});
        } else {
            if (key) {
                const auto before = user_.size();
                std::erase_if(user_, [&](const Entry& entry) { return entry.key == key; });
                dropped_ += before - user_.size();
            }
            user_.push_back({id, priority, key, std::move(job)});
        }
    }
    wake_.notify_all();
    return id;
}

std::optional<CommWorker::Entry> CommWorker::takeNext(bool userOnly) {
    std::deque<Entry>* queue = !user_.empty() ? &user_ : (!userOnly && !background_.empty() ? &background_ : nullptr);
    if (queue == nullptr) return std::nullopt;
    Entry entry = std::move(queue->front());
    queue->pop_front();
    ++running_;
    return entry;
}

void CommWorker::execute(Entry& entry) {
    entry.job();
    entry.job = nullptr;  // what the job captured goes before the worker says it is idle
    {
        std::lock_guard lock(mutex_);
        --running_;
    }
    settled_.notify_all();
}

void CommWorker::run() {
    for (;;) {
        std::optional<Entry> entry;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !user_.empty() || !background_.empty(); });
            if (stopping_) return;
            entry = takeNext(false);
            runningBackground_ = entry->priority == JobPriority::Background;
        }
        execute(*entry);
        std::lock_guard lock(mutex_);
        runningBackground_ = false;
    }
}

void CommWorker::runPendingUserWork() {
    if (!onWorkerThread()) return;
    for (;;) {
        std::optional<Entry> entry;
        {
            std::lock_guard lock(mutex_);
            // Only a background job steps aside; user work keeps its posting order.
            if (!runningBackground_ || stopping_) return;
            entry = takeNext(true);
        }
        if (!entry) return;
        execute(*entry);
    }
}

bool CommWorker::idle() const {
    std::lock_guard lock(mutex_);
    return running_ == 0 && user_.empty() && background_.empty();
}

std::size_t CommWorker::waiting() const {
    std::lock_guard lock(mutex_);
    return user_.size() + background_.size();
}

bool CommWorker::waitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return settled_.wait_for(lock, timeout,
                             [this] { return running_ == 0 && user_.empty() && background_.empty(); });
}

std::uint64_t CommWorker::droppedCount() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

// ---- ForwardingPrompter -------------------------------------------------------------------------

void ForwardingPrompter::showMessage(Icon icon, const std::string& title, const std::string& text) {
    runOnOwner_([&] { target_.showMessage(icon, title, text); });
}

bool ForwardingPrompter::askYesNo(Icon icon, const std::string& title, const std::string& text) {
    bool answer = false;
    runOnOwner_([&] { answer = target_.askYesNo(icon, title, text); });
    return answer;
}

void ForwardingPrompter::progress(int value, int maximum, const std::string& caption) {
    runOnOwner_([&] { target_.progress(value, maximum, caption); });
}

}  // namespace plenum::comm
