// The desktop application's event loop while the meter poll runs on a slow network: 24 simulated
// loudspeakers on loopback, each reply 5 ms late (a wireless LAN), all on-line, the poll timer
// running for 10 s. A 1 ms timer on the user-interface thread measures the gaps of its event loop;
// the last line gives their 99th percentile and maximum and the poll rounds completed.
//
// Run the optimised build offscreen: QT_QPA_PLATFORM=offscreen build/release/bench/ui_bench_poll
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "core/Config.h"
#include "core/Registry.h"
#include "sim/Simulator.h"
#include "ui/ConnectDialog.h"
#include "ui/MainWindow.h"
#include "UiBenchFleet.h"

namespace {

using namespace plenum;

constexpr int kDevices = 24;
constexpr int kLatencyMs = 5;
constexpr int kRunMs = 10000;

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sim::Simulator simulator;
    bench::AddFleet(simulator, kDevices);
    simulator.start();

    bench::BenchDesk desk("plenum-bench-poll", simulator);
    AppContext& ctx = desk.ctx;
    {
        ui::MainWindow window(desk.deps);
        bench::ListAndConnectAll(window, ctx, simulator, kDevices);
        int online = 0;
        for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) online += ctx.device(slot).isConnected() ? 1 : 0;
        for (int i = 0; i < kDevices; ++i)
            simulator.device(static_cast<std::size_t>(i)).setLatency(std::chrono::milliseconds(kLatencyMs));

        std::vector<double> gaps;
        QElapsedTimer clock;
        qint64 last = -1;
        int rounds = 0;
        bool wasRunning = false;
        QTimer probe;
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0) gaps.push_back(static_cast<double>(now - last) / 1e6);
            last = now;
            if (wasRunning && !window.meterPollRunning()) ++rounds;
            wasRunning = window.meterPollRunning();
        });
        clock.start();
        probe.start();
        QTimer::singleShot(kRunMs, &app, &QApplication::quit);
        app.exec();
        probe.stop();
        window.vuMeterTimer()->stop();
        window.settle();
        std::printf("poll: %d of %d devices on-line, %d meter rounds in %d s\n", online, kDevices, rounds, kRunMs / 1000);
        std::printf("poll: UI stall p99 %.1f ms, max %.1f ms with %d devices at %d ms\n", Percentile(gaps, 0.99),
                    gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()), kDevices, kLatencyMs);
        ctx.flags.CommBusy = kTrue16;  // the window's destruction needs no exit question
    }
    simulator.stop();
    return 0;
}
