// The FIR windows of a satellite, opened from its edit window's FIR menu. Each is a child of the
// edit window (closing that closes them) and there is one of each kind per edit window.
#include <algorithm>

#include "ui/EditWindow.h"
#include "ui/FirWindows.h"
#include "ui/MainWindow.h"
#include "ui/WizardWindows.h"

namespace plenum::ui {

QDialog* MainWindow::openFirWindow(int slot, int kind) {
    EditWindow* edit = editWindow(slot);
    if (edit == nullptr || ctx_.device(slot).isSub()) return nullptr;
    static const char* const kNames[] = {"FrmOutXoverMode", "FormExternalFIRPhaseOut", "FrmImportFdt", "FrmWizardFIR"};
    if (kind < 0 || kind > 3) return nullptr;
    if (auto* open = edit->findChild<QDialog*>(QString::fromLatin1(kNames[kind]), Qt::FindDirectChildrenOnly)) {
        open->show();
        open->raise();
        return open;
    }
    const FirFilePicker picker = [this](const QString& folder, const QString& filter) {
        return pickFile_(false, folder, filter);
    };
    // The way the window addresses: the LOW way unless the edit window shows the HIGH way's page.
    const int way = std::max(0, edit->controller().way());
    QDialog* dialog = nullptr;
    switch (static_cast<FirWindowKind>(kind)) {
        case FirWindowKind::XoverMode:
            dialog = new FrmOutXoverMode(ctx_, *commThread_, prompter_, edit->controller(), edit);
            break;
        case FirWindowKind::ExternalFir:
            dialog = new FormExternalFIRPhaseOut(ctx_, *commThread_, prompter_, slot, way, picker, edit);
            break;
        case FirWindowKind::ImportIr: {
            auto* import = new FrmImportFdt(ctx_, prompter_, *irLibrary_, slot, way, picker, edit);
            connect(import, &FrmImportFdt::imported, edit, [edit, import](int index, const QString&) {
                if (const auto& held = import->slotCurve(index)) edit->setExternalIr(ImportedIrCurve(*held));
            });
            dialog = import;
            break;
        }
        case FirWindowKind::Wizard: {
            // The demo has no sound card to speak of: its virtual card comes first and is chosen.
            const FirFilePicker saver = [this](const QString& folder, const QString& filter) {
                return pickFile_(true, folder, filter);
            };
            auto* wizard = new FrmWizardFIR(ctx_, *commThread_, prompter_, slot, soundCards_, demoPort_ != 0, picker,
                                            saver, edit);
            wizard->chooseOutput(way);
            dialog = wizard;
            break;
        }
    }
    dialog->setWindowFlag(Qt::Window);
    dialog->show();
    return dialog;
}

void MainWindow::showKeptIr(EditWindow& window, int slot) {
    if (ctx_.device(slot).isSub()) return;
    const std::string key = fir::IrDeviceKey(ctx_.device(slot));
    for (int i = 0; i < FrmImportFdt::kSlots; ++i) {
        const fir::KeptIr* kept = irLibrary_->find(key, i);
        if (kept == nullptr) continue;
        if (auto curve = irLibrary_->curve(key, i)) {
            window.setExternalIr(ImportedIrCurve(ImportedIr{kept->name, kept->way, std::move(*curve)}));
            return;
        }
    }
}

}  // namespace plenum::ui
