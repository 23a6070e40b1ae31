// The tour's visit of the FIR windows on the demo satellite: the crossover-mode window with the
// LOW way's low-pass built as a linear-phase FIR and stored (with its group delay, then its phase
// unwrapped), the edit window's FIR/MIR controls, the external FIR window with a
// coefficient file loaded next to the stored FIR, and a measured response imported onto the
// edit window's graph.
#include <QApplication>
#include <QTabBar>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "fir/FirDesign.h"
#include "ui/EditWindow.h"
#include "ui/FirGraph.h"
#include "ui/FirWindows.h"
#include "ui/MainWindow.h"
#include "ui/Tour.h"

namespace plenum::ui {
namespace {

// A coefficient file as a filter design program exports it: a 384-tap Blackman low-pass at 2 kHz.
std::filesystem::path WriteFirFile(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const auto path = folder / "LOW-2k-Blackman.txt";
    FirDesignRequest request;
    request.window = FirWindow::Blackman;
    request.taps = 384;
    request.frequencyHz = 2000;
    FirDesign design;
    DesignFir(request, design);
    std::ofstream out(path);
    out.precision(12);
    for (const double c : design.coefficients) out << c << "\r\n";
    return path;
}

// A measurement program's text export of a small two-way cabinet measured at 1 m: a 70 Hz
// roll-off, a little baffle step and cone break-up ripple, the tweeter's top octave falling off.
std::filesystem::path WriteIrFile(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const auto path = folder / "cabinet-1m.txt";
    std::ofstream out(path);
    out << "Transfer Function\r\nMeasurement: cabinet 1m\r\nFrequency\tMagnitude\tPhase\tCoherence\r\n";
    for (double f = 10; f <= 24000; f *= std::pow(2.0, 1.0 / 48)) {
        const double x = std::log2(f / 1000.0);
        const double high = 20 * std::log10(std::pow(f / 70.0, 4) / std::sqrt(1 + std::pow(f / 70.0, 8)));
        const double low = -10 * std::log10(1 + std::pow(f / 18000.0, 6));
        const double ripple = 1.2 * std::sin(3.1 * x) * std::exp(-x * x / 8) + 1.5 * std::exp(-std::pow(std::log2(f / 2600.0) / 0.25, 2));
        const double mag = high + low + ripple - 0.8 * std::tanh(std::log2(f / 400.0));
        const double phase = std::remainder(180.0 * (1 - std::tanh(std::log2(f / 70.0))) - 0.0004 * 360.0 * f, 360.0);
        out << f << "\t" << mag << "\t" << phase << "\t" << 0.98 << "\r\n";
    }
    return path;
}

}  // namespace

void Tour::firStep(MainWindow& window, bool english) {
    const QString suffix = english ? QString() : QStringLiteral("-chinese");
    int sat = -1;
    EditWindow* edit = openDemoSatellite(window, sat);
    if (edit == nullptr) return;

    // The crossover: the LOW way's low-pass as a 512-tap Kaiser FIR at 1.2 kHz, stored, shown
    // with its group delay; then the same way's phase unwrapped over the widest range.
    if (auto* xover = dynamic_cast<FrmOutXoverMode*>(window.openFirWindow(sat, static_cast<int>(FirWindowKind::XoverMode)))) {
        xover->resize(900, 680);
        xover->chooseMode(static_cast<int>(fir::XoverMode::FirLp));
        xover->chooseWay(0);
        xover->chooseWindow(false, static_cast<int>(FirWindow::Kaiser));
        xover->enterAttenuation(false, QStringLiteral("60"));
        xover->chooseTaps(false, 512);
        xover->setRemoveLatency(false, false);
        xover->enterFrequency(false, QStringLiteral("1200"));
        if (english) {
            xover->storeWay();
            window.settle();
        } else {
            xover->design();
        }
        xover->graphBar().chooseView(FirGraphBar::kWithDelay);
        camera_.shoot(*xover, QStringLiteral("fir-xover-mode") + suffix);
        xover->graphBar().chooseView(FirGraphBar::kWithPhase);
        xover->graphBar().choosePhase(true);
        xover->graphBar().chooseRange(1);
        camera_.shoot(*xover, QStringLiteral("fir-xover-unwrapped") + suffix);
        xover->graphBar().chooseView(FirGraphBar::kMagnitude);
        xover->graphBar().choosePhase(false);
        xover->close();
    }

    // The FIR/MIR controls of the LOW way's output page in the edit window.
    edit->pages().setCurrentIndex(1);
    window.settle();
    camera_.shoot(*edit, QStringLiteral("fir-edit-controls") + suffix);

    // The external FIR of the LOW way: a file loaded beside what the device holds.
    if (auto* external = dynamic_cast<FormExternalFIRPhaseOut*>(
            window.openFirWindow(sat, static_cast<int>(FirWindowKind::ExternalFir)))) {
        external->resize(900, 560);
        external->loadFile(QString::fromStdString(WriteFirFile(ctx_.dataDir / "FIR").string()));
        external->graphBar().chooseView(FirGraphBar::kWithDelay);
        camera_.shoot(*external, QStringLiteral("fir-external") + suffix);
        // Leaving without storing asks first.
        prompter_.expect(QStringLiteral("fir-external-close-question") + suffix, true);
        external->close();
    }

    // A measured response on the crossover page of the edit window.
    if (auto* import = dynamic_cast<FrmImportFdt*>(window.openFirWindow(sat, static_cast<int>(FirWindowKind::ImportIr)))) {
        import->chooseSmoothing(1);  // 1/6 octave
        import->importFile(QString::fromStdString(WriteIrFile(ctx_.dataDir / "IR").string()));
        camera_.shoot(*import, QStringLiteral("fir-import-ir") + suffix);
        import->close();
        edit->pages().setCurrentIndex(1);
        camera_.shoot(*edit, QStringLiteral("fir-ir-on-edit-graph") + suffix);
        edit->setExternalIr(std::nullopt);
    }
    edit->close();
    QApplication::processEvents();
}

}  // namespace plenum::ui
