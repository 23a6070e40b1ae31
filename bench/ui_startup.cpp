// Start-up of the main window on Qt's offscreen platform, measured two ways:
// - in this process (Google Benchmark): from constructing the main window (its transaction,
//   connector, tiles and timers, the session project restored with 24 listed devices) to its first
//   paint, against a bare QWidget shown and painted;
// - as whole programs (cold, what a user waits for): `plenum --timing` started N times on a data
//   folder listing 24 devices (its own figure excludes the start-up screen), against this program
//   started with --bare-window, which measures main() to a bare window's first paint. Both print
//   their peak RSS; the medians and the ratio close the output.
//
// Run the optimised build: build/release/bench/ui_bench_startup
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <vector>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "core/Registry.h"
#include "store/ProjectFile.h"
#include "ui/MainWindow.h"
#include "ui/Theme.h"
#include "ui/logic/ProcessStats.h"

namespace {

using Clock = std::chrono::steady_clock;
using plenum::ui::PeakRssKiB;

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Spins the event loop until `done` or five seconds, whichever comes first.
template <typename Done>
void WaitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class BareWindow final : public QWidget {
  public:
    bool painted = false;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Qt::black);
        painted = true;
    }
};

// The samples of each benchmark, in milliseconds, for the closing summary.
struct Samples {
    std::vector<double> bare;
    std::vector<double> main;
};
Samples& Collected() {
    static Samples samples;
    return samples;
}

// A data folder whose session project lists 24 network devices, as a venue would leave it.
class VenueFolder {
  public:
    VenueFolder() {
        plenum::AppContext ctx;
        ctx.dataDir = path();
        plenum::ScriptedPrompter quiet;
        for (int i = 0; i < 24; ++i) {
            plenum::DeviceRecord& found = ctx.foundTable[static_cast<std::size_t>(i)];
            found.Present = plenum::kTrue16;
            found.Address = "10.0.0." + std::to_string(i + 1);
            found.LinkMode = plenum::kLinkLan;
            found.ModelCode = static_cast<std::uint8_t>(i % 4 == 3 ? 1 : 0);
            found.UniqueId = "0AFF009C4" + std::to_string(100 + i);
            found.DeviceName = "ARRAY " + std::to_string(i + 1);
        }
        plenum::MergeFoundDevices(ctx, quiet);
        plenum::EnsureAeqFolders(paths());
        plenum::EnsureWorkFolders(paths());
        plenum::SaveSessionProject(ctx, paths());
    }
    std::filesystem::path path() const { return dir_.path().toStdString(); }
    plenum::AppPaths paths() const { return plenum::AppPaths(path()); }

  private:
    QTemporaryDir dir_;
};

void BM_BareWindowFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = Clock::now();
        auto window = std::make_unique<BareWindow>();
        window->resize(1180, 760);
        window->show();
        WaitFor([&] { return window->painted; });
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        Collected().bare.push_back(seconds * 1000);
        window.reset();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_BareWindowFirstPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

void BM_MainWindowFirstPaint24Devices(benchmark::State& state) {
    VenueFolder venue;
    plenum::ScriptedPrompter prompter;
    plenum::comm::SteadySleeper sleeper;
    for (auto _ : state) {
        const auto start = Clock::now();
        plenum::AppContext ctx;
        ctx.dataDir = venue.path();
        plenum::comm::AsioNetworkTransport network(plenum::comm::kMainNetworkSlots);
        plenum::comm::AsioSerialTransport serial;
        plenum::ui::MainWindowDeps deps{ctx, venue.paths(), prompter, network, serial, sleeper};
        deps.startNetworkServices = false;  // the announce port is one per machine
        auto window = std::make_unique<plenum::ui::MainWindow>(deps);
        bool painted = false;
        window->setFirstPaintHook([&] { painted = true; });
        window->load();
        window->show();
        WaitFor([&] { return painted; });
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        Collected().main.push_back(seconds * 1000);
        int listed = 0;
        for (int slot = plenum::kFirstUserSlot; slot <= plenum::kLastUserSlot; ++slot)
            listed += ctx.device(slot).isPresent();
        state.counters["listed"] = listed;
        window.reset();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_MainWindowFirstPaint24Devices)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

}  // namespace

// The child run of --bare-window: main() to the first paint of a bare window, then peak RSS.
int BareWindowProcess(int argc, char** argv, Clock::time_point launched) {
    QApplication app(argc, argv);
    BareWindow window;
    window.resize(1180, 760);
    window.show();
    WaitFor([&] { return window.painted; });
    std::printf("first paint: %.2f ms\npeak RSS: %ld KiB\n",
                std::chrono::duration<double, std::milli>(Clock::now() - launched).count(), PeakRssKiB());
    return 0;
}

struct ProcessFigures {
    std::vector<double> ms;
    long peakRssKiB = 0;
};

// Starts `program` `runs` times and reads the first figure matching `timePattern` and the RSS line.
ProcessFigures RunProcesses(const QString& program, const QStringList& arguments, const QString& timePattern,
                            const QString& rssPattern, int runs) {
    ProcessFigures figures;
    const QRegularExpression timeRe(timePattern), rssRe(rssPattern);
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished(2000);
            continue;
        }
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        if (const auto m = timeRe.match(out); m.hasMatch()) figures.ms.push_back(m.captured(1).toDouble());
        if (const auto m = rssRe.match(out); m.hasMatch())
            figures.peakRssKiB = std::max(figures.peakRssKiB, m.captured(1).toLong());
    }
    return figures;
}

void ColdStarts(const char* self) {
    constexpr int kRuns = 9;
    const QString bench = QString::fromLocal8Bit(self);
    const QString plenum =
        QFileInfo(bench).absoluteDir().absoluteFilePath(QStringLiteral("../src/ui/plenum"));
    if (!QFileInfo::exists(plenum)) {
        std::printf("cold starts skipped: %s not built\n", plenum.toLocal8Bit().constData());
        return;
    }
    VenueFolder venue;
    const ProcessFigures bare =
        RunProcesses(bench, {QStringLiteral("--bare-window")}, QStringLiteral("first paint: ([0-9.]+) ms"),
                     QStringLiteral("peak RSS: ([0-9]+) KiB"), kRuns);
    const ProcessFigures app =
        RunProcesses(plenum,
                     {QStringLiteral("--timing"), QStringLiteral("--startup-ms"), QStringLiteral("0"),
                      QStringLiteral("--data-dir"), QString::fromStdString(venue.path().string())},
                     QStringLiteral("first paint: ([0-9.]+) ms"),
                     QStringLiteral("peak RSS at first paint with 24 listed devices: ([0-9]+) KiB"), kRuns);
    const double bareMs = Median(bare.ms), appMs = Median(app.ms);
    std::printf(
        "cold start, median of %d processes: bare Qt window %.1f ms (peak RSS %ld KiB); plenum with 24 "
        "listed "
        "devices %.1f ms to the main window's first paint (peak RSS %ld KiB), %.2fx the bare window\n",
        kRuns, bareMs, bare.peakRssKiB, appMs, app.peakRssKiB, bareMs > 0 ? appMs / bareMs : 0.0);
}

int main(int argc, char** argv) {
    const Clock::time_point launched = Clock::now();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::string_view(argv[1]) == "--bare-window")
        return BareWindowProcess(argc, argv, launched);
    QApplication app(argc, argv);
    plenum::ui::ApplyTheme(app, 1.0);
    const long rssBeforeKiB = PeakRssKiB();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double bare = Median(Collected().bare);
    const double main = Median(Collected().main);
    // In a warm process the bare window costs almost nothing, so no ratio here: the cold starts below
    // compare like with like.
    std::printf("\nin-process median first paint: bare window %.2f ms, main window with 24 devices %.1f ms\n",
                bare, main);
    std::printf("peak RSS of this process: %ld KiB (%ld KiB before the first window)\n", PeakRssKiB(),
                rssBeforeKiB);
    ColdStarts(argv[0]);
    return 0;
}
