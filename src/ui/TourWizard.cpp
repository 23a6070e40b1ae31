// The tour's visit of the FIR wizard on the demo satellite with the virtual sound card: the
// welcome page, the wiring page, the measured impulse response, the calculated correction over
// the measurement, the verify pass before and after the stored FIR, and the EQ target editor.
#include <QApplication>

#include "ui/EditWindow.h"
#include "ui/MainWindow.h"
#include "ui/Tour.h"
#include "ui/WizardWindows.h"

namespace plenum::ui {

void Tour::wizardStep(MainWindow& window, bool english) {
    const QString suffix = english ? QString() : QStringLiteral("-chinese");
    int sat = -1;
    EditWindow* edit = openDemoSatellite(window, sat);
    if (edit == nullptr) return;
    auto* wizard = dynamic_cast<FrmWizardFIR*>(window.openFirWindow(sat, static_cast<int>(FirWindowKind::Wizard)));
    if (wizard == nullptr) return;
    wizard->resize(980, 720);
    camera_.shoot(*wizard, QStringLiteral("wizard-welcome") + suffix);
    wizard->next();
    wizard->next();
    if (english) camera_.shoot(*wizard, QStringLiteral("wizard-wiring"));
    wizard->next();
    wizard->measure();
    wizard->settle();
    wizard->next();
    if (english) camera_.shoot(*wizard, QStringLiteral("wizard-measured-ir"));
    wizard->next();
    // The demo's loudspeaker needs its treble lifted: the design has to bring its gain down.
    prompter_.expect(QStringLiteral("wizard-gain-reduced") + suffix);
    wizard->calculate();
    wizard->settle();
    camera_.shoot(*wizard, QStringLiteral("wizard-calculated-fir") + suffix);
    if (english) {
        wizard->store();
        wizard->settle();
        wizard->next();
        wizard->verify();
        wizard->settle();
        camera_.shoot(*wizard, QStringLiteral("wizard-verify"));
        wizard->editTarget();
        if (FrmFIREq* target = wizard->targetEditor()) {
            target->resize(620, 560);
            target->chooseType(0, static_cast<int>(audio::EqBandType::LoShv));
            target->enterGain(0, QStringLiteral("3"));
            target->enterFrequency(0, QStringLiteral("150"));
            target->chooseType(1, static_cast<int>(audio::EqBandType::HiShv));
            target->enterGain(1, QStringLiteral("-2"));
            target->enterFrequency(1, QStringLiteral("8000"));
            camera_.shoot(*target, QStringLiteral("wizard-eq-target"));
            prompter_.expect(QStringLiteral("wizard-eq-target-close-question"), false);
            target->close();
        }
    }
    prompter_.expect(QStringLiteral("wizard-exit-question") + suffix, false);
    wizard->close();
    edit->close();
    QApplication::processEvents();
}

}  // namespace plenum::ui
