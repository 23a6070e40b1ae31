// The main window keeps running while the wire waits: with simulated loudspeakers on a slow link
// the event loop goes on during "Connect all" and the meter poll, "Connect all" names each device
// as it goes, and a loudspeaker that stops answering shows the retry window, whose give-up button
// ends the transaction.
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <atomic>

#include "MainWindowFixture.h"

namespace plenum::ui {
namespace {

using namespace std::chrono_literals;
using test_support::MainWindowTest;

// Counts the ticks of a 10 ms timer and the longest gap between two of them: the event loop's
// stall while the window works.
class LoopWatch {
public:
    LoopWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            if (ticks_ > 0) maxGapMs_ = std::max(maxGapMs_, now - last_);
            last_ = now;
            ++ticks_;
            if (onTick) onTick();
        });
        clock_.start();
        timer_.start();
    }
    int ticks() const { return ticks_; }
    qint64 maxGapMs() const { return maxGapMs_; }
    std::function<void()> onTick;

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 maxGapMs_ = 0;
    int ticks_ = 0;
};

// Runs the event loop until `condition` holds or `timeoutMs` passes.
template <typename Condition>
bool PumpUntil(Condition condition, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

class ResponsiveWindowTest : public MainWindowTest {
protected:
    void setLatency(std::chrono::milliseconds latency) {
        for (std::size_t i = 0; i < simulator.size(); ++i) simulator.device(i).setLatency(latency);
    }
};

TEST_F(ResponsiveWindowTest, ConnectAllKeepsTheLoopRunningAndNamesEachDevice) {
    open(true);
    window->vuMeterTimer()->stop();
    setLatency(30ms);
    QStringList progress;
    LoopWatch watch;
    watch.onTick = [&] {
        const QString message = window->statusBar()->currentMessage();
        if (window->connectProgress()->isVisible() && !message.isEmpty() && !progress.contains(message))
            progress << message;
    };
    QElapsedTimer clock;
    clock.start();
    clickAndSettle(window->toolArea().connectAllButton(), Qt::LeftButton);
    const qint64 elapsedMs = clock.elapsed();
    for (const char* host : {"127.0.0.2", "127.0.0.3", "127.0.0.4"})
        EXPECT_TRUE(ctx.device(slotOf(host)).isConnected()) << host << ": " << prompter.lastText();
    EXPECT_GE(elapsedMs, 3 * 5 * 30) << "several transactions per device at 30 ms each";
    EXPECT_GT(watch.ticks(), elapsedMs / 40) << "the timer kept firing";
    EXPECT_LT(watch.maxGapMs(), 250) << "no stall of the length of a connection";
    EXPECT_EQ(progress, (QStringList{"Connecting MAIN LEFT (1 of 3)", "Connecting FRONT FILL (2 of 3)",
                                     "Connecting SUB CENTER (3 of 3)"}));
    EXPECT_FALSE(window->connectProgress()->isVisible()) << "gone when done";
}

TEST_F(ResponsiveWindowTest, MeterPollRunsOffTheLoopAndOneRoundAtATime) {
    open(true);
    window->vuMeterTimer()->stop();
    connectAll();
    setLatency(60ms);
    const auto polls = [&] {
        int n = 0;
        for (std::size_t i = 0; i < kDemoListedAtStart; ++i)
            for (const std::uint8_t code : simulator.device(i).receivedCodes()) n += code == 24 ? 1 : 0;
        return n;
    };
    const int before = polls();
    LoopWatch watch;
    QElapsedTimer clock;
    clock.start();
    window->pollMeters();
    EXPECT_TRUE(window->meterPollRunning()) << "posted, not run on the spot";
    window->pollMeters();  // a tick while the round runs adds nothing
    ASSERT_TRUE(window->settle(10000));
    EXPECT_FALSE(window->meterPollRunning());
    EXPECT_GE(clock.elapsed(), 3 * 60);
    EXPECT_TRUE(test_support::Eventually([&] { return polls() == before + 3; })) << polls() - before;
    EXPECT_GT(watch.ticks(), 5);
    EXPECT_LT(watch.maxGapMs(), 120) << "a poll round is 180 ms; the loop did not wait for it";
    const int main = slotOf("127.0.0.2");
    EXPECT_EQ(window->tile(main)->levels(), PeakLevels(window->meters(), main));
}

TEST_F(ResponsiveWindowTest, SilentDeviceShowsTheRetryWindowAndGivingUpEndsIt) {
    open(true);
    window->vuMeterTimer()->stop();
    connectAll();
    const int slot = slotOf("127.0.0.3");
    simulator.device(1).setFault(sim::Fault::NoReply);
    std::optional<std::int16_t> result;
    LoopWatch watch;
    // A command posted as an edit window would post it.
    window->commThread().post(
        window.get(), [&] { return window->comm().SendCommand(slot, std::uint8_t{0x30}); },
        [&](std::int16_t value) { result = value; });
    ASSERT_TRUE(PumpUntil([&] { return window->retryWindow().isVisible(); }));
    EXPECT_EQ(window->retryWindow().deviceText(), "FRONT FILL");
    EXPECT_FALSE(result) << "still retrying";
    const int ticksWhileRetrying = watch.ticks();
    EXPECT_GT(ticksWhileRetrying, 10) << "the loop ran while the device was silent";

    clickAndSettle(window->retryWindow().giveUpButton(), Qt::LeftButton);
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, -1);
    EXPECT_FALSE(ctx.device(slot).isConnected());
    EXPECT_FALSE(window->tile(slot)->showsOnline());
    EXPECT_FALSE(window->retryWindow().isVisible());
    EXPECT_TRUE(ctx.device(slotOf("127.0.0.2")).isConnected()) << "only the silent device";
    simulator.device(1).setFault(sim::Fault::None);
}

}  // namespace
}  // namespace plenum::ui
