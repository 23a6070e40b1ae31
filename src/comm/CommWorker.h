// CommWorker: the communication thread. One std::thread runs the work that windows post, one job
// at a time, so that the transactions of the whole application still go out one after another
// while the thread that posted them keeps running. It knows nothing of any toolkit: a job is a
// callable, and the front end decides how its result travels back (the desktop application
// marshals it to the user-interface thread as a queued call).
//
// Order. User work (a command, a block transfer, a connect, a removal) runs in the order it was
// posted. Background work (the meter poll) runs only when no user work is waiting, and a long
// background job lets waiting user work through between two of its transactions by calling
// runPendingUserWork(): a fader edit never waits for a whole poll round.
//
// Coalescing. User work may carry a key, (slot, parameter). A job posted with a key replaces a
// job with the same key that is still waiting: when a fader is dragged faster than the link can
// carry, the superseded positions are dropped and the newest goes out, at the place of the newest
// post. A job that has started is never dropped, so the last position always goes out; with a
// fast link nothing waits and every movement is sent.
//
// Threading contract (the rule every front end follows):
//  - While a job runs, the worker is the only writer of what the job touches (the device records,
//    images and status records of the application context, DeviceComm and the transports).
//  - The posting thread reads that state only after the job's result has reached it, and does
//    not write it while jobs may run; the flags both sides use (CommFlags) are atomic.
//  - A question a job must ask goes through a Prompter that runs it on the posting thread and
//    waits for the answer (ForwardingPrompter below).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "core/Prompter.h"

namespace plenum::comm {

enum class JobPriority : std::uint8_t {
    User = 0,        // posted by a user's action: runs in posting order
    Background = 1,  // periodic work (the meter poll): only when no user work waits
};

// What makes two posts the same edit: the device slot and a parameter number of the caller's
// choosing (for example the command code and channel of a fader).
struct JobKey {
    int slot = 0;
    int parameter = 0;
    bool operator==(const JobKey&) const = default;
};

class CommWorker {
public:
    using Job = std::function<void()>;
    using JobId = std::uint64_t;

    CommWorker();
    // Stops the thread after the running job; jobs still waiting are dropped without running.
    ~CommWorker();
    CommWorker(const CommWorker&) = delete;
    CommWorker& operator=(const CommWorker&) = delete;

    // Queues a job; returns its id. With a key, a waiting user job of the same key is dropped
    // (it never runs). Background jobs take no key. Thread-safe.
    JobId post(Job job, JobPriority priority = JobPriority::User, std::optional<JobKey> key = std::nullopt);

    // Called from inside a running job, on the worker: runs the user jobs waiting now (and those
    // they post meanwhile) before the caller goes on. Does nothing elsewhere or from a user job.
    void runPendingUserWork();

    // True on the worker's own thread.
    bool onWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }
    // No job running and none waiting. Thread-safe.
    bool idle() const;
    std::size_t waiting() const;
    // Blocks until idle() (or `timeout` passes; false then). Never call it from a thread that a
    // running job waits on (a prompter's thread): use idle() with that thread's own event loop.
    bool waitIdle(std::chrono::milliseconds timeout = std::chrono::milliseconds{60000}) const;
    // Jobs dropped by coalescing since the start (for tests and benchmarks).
    std::uint64_t droppedCount() const;

private:
    struct Entry {
        JobId id;
        JobPriority priority;
        std::optional<JobKey> key;
        Job job;
    };
    void run();
    // Takes the next job to run (user before background), or nothing; `userOnly` leaves
    // background jobs waiting. Called with the mutex held.
    std::optional<Entry> takeNext(bool userOnly);
    void execute(Entry& entry);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    mutable std::condition_variable settled_;
    std::deque<Entry> user_;
    std::deque<Entry> background_;
    JobId nextId_ = 1;
    int running_ = 0;  // jobs started and not finished (nested by runPendingUserWork)
    bool runningBackground_ = false;
    bool stopping_ = false;
    std::uint64_t dropped_ = 0;
    std::thread thread_;
};

// A Prompter for the worker's transactions: every message, question and progress report is run
// on the thread that owns the real prompter, and the worker waits for it. `runOnOwner` must run
// the function it is given on that thread and return when it has finished (directly when the
// caller already is that thread).
class ForwardingPrompter final : public Prompter {
public:
    using Invoker = std::function<void(const std::function<void()>&)>;
    ForwardingPrompter(Prompter& target, Invoker runOnOwner) : target_(target), runOnOwner_(std::move(runOnOwner)) {}

    void showMessage(Icon icon, const std::string& title, const std::string& text) override;
    bool askYesNo(Icon icon, const std::string& title, const std::string& text) override;
    void progress(int value, int maximum, const std::string& caption) override;

private:
    Prompter& target_;
    Invoker runOnOwner_;
};

}  // namespace plenum::comm
