#include "comm/CommWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

namespace plenum::comm {
namespace {

using namespace std::chrono_literals;

// Records what ran, in order; thread-safe.
struct Journal {
    std::mutex mutex;
    std::vector<std::string> entries;
    void add(std::string entry) {
        std::lock_guard lock(mutex);
        entries.push_back(std::move(entry));
    }
    std::vector<std::string> read() {
        std::lock_guard lock(mutex);
        return entries;
    }
};

// Holds the worker inside a job until released, so that posts pile up behind it.
struct Gate {
    std::promise<void> opened;
    std::shared_future<void> future = opened.get_future().share();
    std::promise<void> entered;
    void holdWorker(CommWorker& worker) {
        worker.post([this] {
            entered.set_value();
            future.wait();
        });
        entered.get_future().wait();
    }
    void open() { opened.set_value(); }
};

TEST(CommWorkerTest, UserWorkRunsInPostingOrderOffTheCallersThread) {
    Journal journal;
    std::atomic<bool> onCaller{false};
    const auto caller = std::this_thread::get_id();
    CommWorker worker;
    for (int i = 0; i < 50; ++i)
        worker.post([&, i] {
            if (std::this_thread::get_id() == caller) onCaller = true;
            journal.add(std::to_string(i));
        });
    ASSERT_TRUE(worker.waitIdle(5000ms));
    const auto entries = journal.read();
    ASSERT_EQ(entries.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(entries[static_cast<std::size_t>(i)], std::to_string(i));
    EXPECT_FALSE(onCaller);
    EXPECT_TRUE(worker.idle());
}

// A poll round of three devices lets an edit posted during its first request through before the
// second: the edit waits for one transaction, not for the whole round.
TEST(CommWorkerTest, EditsGoBeforeTheNextMeterRequest) {
    Journal journal;
    CommWorker worker;
    std::promise<void> firstRequest, editPosted;
    auto editPostedFuture = editPosted.get_future();
    worker.post(
        [&] {
            for (int device = 1; device <= 3; ++device) {
                worker.runPendingUserWork();
                journal.add("meter " + std::to_string(device));
                if (device == 1) {
                    firstRequest.set_value();
                    editPostedFuture.wait();
                }
            }
        },
        JobPriority::Background);
    firstRequest.get_future().wait();
    worker.post([&] { journal.add("edit"); });
    worker.post([&] { journal.add("poll again"); }, JobPriority::Background);
    worker.post([&] { journal.add("edit 2"); });
    editPosted.set_value();
    ASSERT_TRUE(worker.waitIdle(5000ms));
    EXPECT_EQ(journal.read(),
              (std::vector<std::string>{"meter 1", "edit", "edit 2", "meter 2", "meter 3", "poll again"}));
}

// User work never steps aside: a user job that calls runPendingUserWork keeps the order.
TEST(CommWorkerTest, UserWorkDoesNotOvertakeUserWork) {
    Journal journal;
    CommWorker worker;
    Gate gate;
    gate.holdWorker(worker);
    worker.post([&] {
        journal.add("connect 1");
        worker.runPendingUserWork();
        journal.add("connect 2");
    });
    worker.post([&] { journal.add("edit"); });
    gate.open();
    ASSERT_TRUE(worker.waitIdle(5000ms));
    EXPECT_EQ(journal.read(), (std::vector<std::string>{"connect 1", "connect 2", "edit"}));
}

// Queued fader positions of one parameter collapse to the newest; other parameters and devices
// keep theirs, and the newest goes out in the place of its own post.
TEST(CommWorkerTest, SupersededPositionsOfTheSameParameterAreDropped) {
    Journal journal;
    CommWorker worker;
    Gate gate;
    gate.holdWorker(worker);
    const JobKey gain{3, 5}, otherDevice{4, 5}, delay{3, 9};
    worker.post([&] { journal.add("gain 1"); }, JobPriority::User, gain);
    worker.post([&] { journal.add("other 1"); }, JobPriority::User, otherDevice);
    worker.post([&] { journal.add("gain 2"); }, JobPriority::User, gain);
    worker.post([&] { journal.add("delay 1"); }, JobPriority::User, delay);
    worker.post([&] { journal.add("plain"); });
    worker.post([&] { journal.add("gain 3"); }, JobPriority::User, gain);
    gate.open();
    ASSERT_TRUE(worker.waitIdle(5000ms));
    EXPECT_EQ(journal.read(), (std::vector<std::string>{"other 1", "delay 1", "plain", "gain 3"}));
    EXPECT_EQ(worker.droppedCount(), 2u);
}

// With nothing queued (a fast link) every movement goes out, also the one posted while the
// previous position is on the wire.
TEST(CommWorkerTest, StartedPositionsAreNeverDropped) {
    Journal journal;
    CommWorker worker;
    std::promise<void> started, release;
    auto releaseFuture = release.get_future();
    const JobKey gain{3, 5};
    worker.post(
        [&] {
            journal.add("gain 1");
            started.set_value();
            releaseFuture.wait();
        },
        JobPriority::User, gain);
    started.get_future().wait();
    worker.post([&] { journal.add("gain 2"); }, JobPriority::User, gain);
    release.set_value();
    ASSERT_TRUE(worker.waitIdle(5000ms));
    for (int i = 3; i <= 5; ++i) {
        worker.post([&, i] { journal.add("gain " + std::to_string(i)); }, JobPriority::User, gain);
        ASSERT_TRUE(worker.waitIdle(5000ms));
    }
    EXPECT_EQ(journal.read(), (std::vector<std::string>{"gain 1", "gain 2", "gain 3", "gain 4", "gain 5"}));
    EXPECT_EQ(worker.droppedCount(), 0u);
}

// The caller's side: a mailbox of functions its thread runs while the worker waits, as the user
// interface's event loop does.
class CallerMailbox {
public:
    void runOnCaller(const std::function<void()>& function) {
        if (std::this_thread::get_id() == owner_) {
            function();
            return;
        }
        std::promise<void> done;
        {
            std::lock_guard lock(mutex_);
            inbox_.push_back([&] {
                function();
                done.set_value();
            });
        }
        ready_.notify_all();
        done.get_future().wait();
    }
    // Serves the mailbox until `finished` says so.
    void serveUntil(const std::function<bool()>& finished) {
        while (!finished()) {
            std::function<void()> next;
            {
                std::unique_lock lock(mutex_);
                ready_.wait_for(lock, 5ms, [this] { return !inbox_.empty(); });
                if (inbox_.empty()) continue;
                next = std::move(inbox_.front());
                inbox_.pop_front();
            }
            next();
        }
    }

private:
    std::thread::id owner_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> inbox_;
};

// A transaction's question is asked on the caller's thread while the job waits for its answer;
// messages and progress travel the same way, in order.
TEST(CommWorkerTest, QuestionsAreAnsweredOnTheCallersThread) {
    ScriptedPrompter scripted;
    scripted.answer(false);
    scripted.answer(true);
    std::vector<std::thread::id> askedOn;
    struct Recording final : Prompter {
        Prompter& inner;
        std::vector<std::thread::id>& threads;
        Recording(Prompter& i, std::vector<std::thread::id>& t) : inner(i), threads(t) {}
        void showMessage(Icon icon, const std::string& title, const std::string& text) override {
            threads.push_back(std::this_thread::get_id());
            inner.showMessage(icon, title, text);
        }
        bool askYesNo(Icon icon, const std::string& title, const std::string& text) override {
            threads.push_back(std::this_thread::get_id());
            return inner.askYesNo(icon, title, text);
        }
        void progress(int value, int maximum, const std::string& caption) override {
            threads.push_back(std::this_thread::get_id());
            inner.progress(value, maximum, caption);
        }
    } recording(scripted, askedOn);
    CallerMailbox mailbox;
    ForwardingPrompter forwarding(recording, [&](const std::function<void()>& f) { mailbox.runOnCaller(f); });

    CommWorker worker;
    std::atomic<bool> done{false};
    std::vector<bool> answers;
    worker.post([&] {
        answers.push_back(forwarding.askYesNo(Icon::Question, "Q", "first"));
        forwarding.progress(1, 2, "half");
        answers.push_back(forwarding.askYesNo(Icon::Question, "Q", "second"));
        forwarding.showMessage(Icon::Exclamation, "T", "said");
        done = true;
    });
    mailbox.serveUntil([&] { return done.load(); });
    ASSERT_TRUE(worker.waitIdle(5000ms));
    EXPECT_EQ(answers, (std::vector<bool>{false, true}));
    ASSERT_EQ(askedOn.size(), 4u);
    for (const auto id : askedOn) EXPECT_EQ(id, std::this_thread::get_id());
    ASSERT_EQ(scripted.entries().size(), 3u);
    EXPECT_EQ(scripted.lastText(), "said");
    EXPECT_EQ(scripted.progressValues(), (std::vector<int>{1}));

    // On the caller's own thread the forwarding prompter asks directly.
    EXPECT_TRUE(forwarding.askYesNo(Icon::Question, "Q", "direct"));
}

TEST(CommWorkerTest, StoppingDropsWaitingWorkAfterTheRunningJob) {
    std::atomic<int> ran{0};
    Gate gate;
    std::thread opener;
    {
        CommWorker worker;
        gate.holdWorker(worker);
        for (int i = 0; i < 5; ++i) worker.post([&] { ++ran; });
        EXPECT_EQ(worker.waiting(), 5u);
        opener = std::thread([&] {
            std::this_thread::sleep_for(20ms);
            gate.open();
        });
    }
    opener.join();
    EXPECT_EQ(ran.load(), 0);
}

}  // namespace
}  // namespace plenum::comm
