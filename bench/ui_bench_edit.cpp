// A fader of the satellite edit window, end to end, in the desktop application: the PEQ gain fader
// of the LOW way (a band of the way and the crossover's summed curve recomputed at each movement),
// on a satellite linked to a second one, so that each movement goes to two devices.
//
// 1. Fader move: at zero latency with the meter poll stopped, one movement from the mouse event to
//    both frames received by the simulated devices and the graph repainted (convert, image, send,
//    link fan-out, recompute, repaint), averaged over many movements.
// 2. Under load: 24 simulated loudspeakers answering 5 ms late (a wireless LAN), all on-line, the
//    meter poll running, the fader dragged at 60 movements a second for 10 s. A 1 ms timer on the
//    user-interface thread measures the gaps of its event loop; every frame of the fader's
//    parameter the edited device receives is matched with the movement that produced it (the
//    movement whose prepared command it equals) to give the time from movement to wire. While the
//    link is slower than the hand, movements a newer one supersedes may be dropped; the last one
//    always goes out.
//
// Run the optimised build offscreen: QT_QPA_PLATFORM=offscreen build/release/bench/ui_bench_edit
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>
#include <QTimer>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/Frame.h"
#include "core/Config.h"
#include "core/ImageLayout.h"
#include "core/Registry.h"
#include "sat/ParamSender.h"
#include "sim/Simulator.h"
#include "ui/ConnectDialog.h"
#include "ui/EditControls.h"
#include "ui/EditWindow.h"
#include "ui/MainWindow.h"
#include "UiBenchFleet.h"
#include "ui/ResponseGraph.h"

namespace {

using namespace plenum;

constexpr int kDevices = 24;
constexpr int kLatencyMs = 5;
constexpr int kRunMs = 10000;
constexpr int kMoveIntervalMs = 16;  // a hand's drag as the pointer reports it
constexpr int kZeroLatencyMoves = 400;

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

void Mouse(QWidget& widget, QEvent::Type type, int y) {
    const QPointF at(widget.width() / 2.0, y);
    QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// The request the simulator receives for a prepared command.
std::vector<std::uint8_t> RequestOf(const ParamCommand& command, std::uint8_t busId) {
    comm::BlockBuffer block{};
    if (command.nineByte) std::copy(command.block.begin(), command.block.end(), block.begin());
    std::vector<std::uint8_t> out;
    comm::BuildRequest(busId, command.code, command.params, block, out);
    return out;
}

// Host requests the device received since its log was cleared.
int RequestsReceived(const sim::SimulatedDevice& device) { return static_cast<int>(device.receivedCodes().size()); }

// The fader sweeps its track up and down one step at a time (0.5 dB of PEQ gain), so that each
// movement changes the value.
class Sweep {
public:
    Sweep(const ui::EditFader& fader, int steps) : fader_(fader), steps_(steps), position_(steps / 2) {}
    int next() {
        if (position_ + direction_ < 1 || position_ + direction_ > steps_) direction_ = -direction_;
        position_ += direction_;
        return start();
    }
    int start() const { return fader_.yOfTrack(device::FaderTrackFromPosition(position_, steps_)); }

private:
    const ui::EditFader& fader_;
    int steps_;
    int position_;
    int direction_ = 1;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sim::Simulator simulator;
    bench::AddFleet(simulator, kDevices);
    simulator.start();

    bench::BenchDesk desk("plenum-bench-edit", simulator);
    AppContext& ctx = desk.ctx;
    int exitCode = 0;
    {
        ui::MainWindow window(desk.deps);
        bench::ListAndConnectAll(window, ctx, simulator, kDevices);
        window.vuMeterTimer()->stop();
        window.settle();

        // The first two satellites are linked (bit 0 of both link masks, in the image and the device).
        auto slotOf = [&](const std::string& host) {
            for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
                if (ctx.device(slot).Address == host && ctx.device(slot).isConnected()) return slot;
            return 0;
        };
        sim::SimulatedDevice& edited = simulator.device(0);
        sim::SimulatedDevice& linked = simulator.device(1);
        const int slot = slotOf(edited.config().host);
        const int linkedSlot = slotOf(linked.config().host);
        if (slot == 0 || linkedSlot == 0) {
            std::fprintf(stderr, "edit: the edited satellites did not come on-line\n");
            return 1;
        }
        for (const int s : {slot, linkedSlot}) {
            ctx.statusOf(s)[status::kLinkMask] = 1;
            simulator.device(s == slot ? 0 : 1).writeMemory(status::kLinkMask, std::vector<std::uint8_t>{1});
        }

        window.openEditWindow(slot);
        ui::EditWindow* edit = window.editWindow(slot);
        if (edit == nullptr) return 1;
        edit->show();
        for (int page = 0; page < edit->controller().pageCount(); ++page)
            if (edit->controller().pageInfo(page).channel == 1) edit->pages().setCurrentIndex(page);
        auto* fader = edit->findChild<ui::EditFader*>(QStringLiteral("Slider2"));
        if (fader == nullptr) return 1;
        QApplication::processEvents();

        // ---- 1. One movement end to end at zero latency ---------------------------------------
        Sweep sweep(*fader, edit->controller().faderSteps(device::Control::EqGain));
        Mouse(*fader, QEvent::MouseButtonPress, sweep.start());
        window.settle();
        edited.clearLog();
        linked.clearLog();
        QElapsedTimer one;
        one.start();
        for (int i = 0; i < kZeroLatencyMoves; ++i) {
            Mouse(*fader, QEvent::MouseMove, sweep.next());
            // Both frames on the wire, answered, and the graph painted.
            while (RequestsReceived(edited) <= i || RequestsReceived(linked) <= i) window.commThread().settle(1000);
            edit->graph().repaint();
        }
        const double moveMs = static_cast<double>(one.nsecsElapsed()) / 1e6 / kZeroLatencyMoves;
        Mouse(*fader, QEvent::MouseButtonRelease, sweep.start());
        window.settle();

        // ---- 2. A 10 s drag with 24 slow devices and the meter poll ----------------------------
        for (int i = 0; i < kDevices; ++i)
            simulator.device(static_cast<std::size_t>(i)).setLatency(std::chrono::milliseconds(kLatencyMs));
        edited.clearLog();
        window.vuMeterTimer()->start();

        struct Movement {
            double at;  // the simulator's clock
            std::vector<std::uint8_t> request;
        };
        std::vector<Movement> movements;
        const ParamAddress address{};  // band 0 of way LOW
        const std::uint8_t busId = edited.config().busId;
        QPointer<ui::EditFader> watched(fader);
        auto move = [&] {
            if (watched.isNull()) return;
            // The clock is read before the event: the frame may reach the device before the event
            // handler returns.
            const double at = simulator.secondsSinceStart();
            Mouse(*fader, QEvent::MouseMove, sweep.next());
            const ParamCommand command = PrepareParam(ctx, slot, ParamFamily::OutputPeqBand, address);
            movements.push_back({at, RequestOf(command, busId)});
        };
        Mouse(*fader, QEvent::MouseButtonPress, sweep.start());
        QTimer drag;
        drag.setInterval(kMoveIntervalMs);
        QObject::connect(&drag, &QTimer::timeout, move);

        std::vector<double> gaps;
        QElapsedTimer clock;
        qint64 last = -1;
        QTimer probe;
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0) gaps.push_back(static_cast<double>(now - last) / 1e6);
            last = now;
        });
        clock.start();
        probe.start();
        drag.start();
        // A loop of its own: QApplication::quit would close (and delete) the edit window.
        QEventLoop run;
        QTimer::singleShot(kRunMs, &run, &QEventLoop::quit);
        run.exec();
        drag.stop();
        probe.stop();
        if (watched.isNull()) {
            std::fprintf(stderr, "edit: the fader's window closed during the drag\n");
            return 1;
        }
        Mouse(*fader, QEvent::MouseButtonRelease, sweep.start());
        window.vuMeterTimer()->stop();
        window.settle();

        // Each received frame of the fader's parameter against the latest movement it equals.
        std::vector<double> toWire;
        int framesOfFader = 0;
        for (const sim::LoggedFrame& frame : edited.frames()) {
            if (!frame.fromHost) continue;
            for (auto it = movements.rbegin(); it != movements.rend(); ++it) {
                if (it->at > frame.secondsSinceStart || it->request != frame.bytes) continue;
                toWire.push_back((frame.secondsSinceStart - it->at) * 1000.0);
                ++framesOfFader;
                break;
            }
        }
        const bool lastWentOut = !movements.empty() && [&] {
                for (const sim::LoggedFrame& frame : edited.frames())
                    if (frame.fromHost && frame.bytes == movements.back().request) return true;
                return false;
            }();
        std::printf("edit: %zu movements in %d s, %d reached the device (%s), meter poll running\n", movements.size(),
                    kRunMs / 1000, framesOfFader, lastWentOut ? "the last included" : "THE LAST MISSING");
        if (!lastWentOut) exitCode = 1;
        std::printf("edit: fader move %.2f ms; UI stall p99 %.1f ms, max %.1f ms; edit to wire p99 %.1f ms with %d devices at %d ms\n",
                    moveMs, Percentile(gaps, 0.99), gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()),
                    Percentile(toWire, 0.99), kDevices, kLatencyMs);
        ctx.flags.CommBusy = kTrue16;  // the window's destruction needs no exit question
    }
    simulator.stop();
    return exitCode;
}
