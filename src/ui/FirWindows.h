// The FIR windows of a satellite: the crossover-mode window (FrmOutXoverMode), the external FIR
// windows of the input and of an output way (FormExternalFIRPhase / FormExternalFIRPhaseOut) and
// the IR import window (FrmImportFdt). The rules live in src/fir (XoverMode, ExternalFir,
// IrImport); these views forward the user's entries there, draw the curves, and post every store
// to the communication thread with a progress bar the user can cancel.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/AppContext.h"
#include "core/Prompter.h"
#include "device/FirStore.h"
#include "fir/ExternalFir.h"
#include "fir/IrImport.h"
#include "fir/IrLibrary.h"
#include "ui/CommThread.h"
#include "ui/ResponseGraph.h"
#include "ui/XoverModeWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace plenum::ui {

// Picks a file to open in `folder` with a filter in the "name|pattern|..." form; "" cancels.
using FirFilePicker = std::function<QString(const QString& folder, const QString& filter)>;
// The Qt form ("name (pattern);;...") of a dialog filter written "name|pattern|name|pattern".
QString QtFilter(std::string_view filter);

// Posts a FIR store for (slot, way) and calls `done` on `receiver`'s thread. A progress dialog
// over `receiver` counts the blocks (in the language `languageFlag`); its Cancel stops the store
// before the next block.
void PostFirStore(CommThread& thread, QWidget* receiver, int slot, int way, std::vector<double> coefficients,
                  std::string name, std::function<void(device::FirStoreOutcome)> done, int languageFlag);

class FormExternalFIRPhaseOut : public QDialog {
    Q_OBJECT
public:
    FormExternalFIRPhaseOut(AppContext& ctx, CommThread& thread, Prompter& prompter, int slot, int way,
                            FirFilePicker pickFile, QWidget* parent = nullptr,
                            fir::ExternalFirTarget target = fir::ExternalFirTarget::Output);

    bool loadFile(const QString& path);
    // The load button: the picker, then loadFile.
    void load();
    // The store button: question, then the store posted; `stored` tells the outcome.
    bool store();
    bool enterThreshold(const QString& text);
    int threshold() const { return threshold_; }
    const fir::ExternalFirWindow& rules() const { return rules_; }
    QString currentText() const;
    QString importedText() const;
    QString announcementText() const;
    ResponseGraph& graph() { return *graph_; }
    FirGraphBar& graphBar() { return *graphBar_; }

signals:
    void stored(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    AppContext& ctx_;
    CommThread& thread_;
    Prompter& prompter_;
    int slot_;
    int way_;
    FirFilePicker pickFile_;
    fir::ExternalFirWindow rules_;
    int threshold_ = -60;
    QLabel* current_ = nullptr;
    QLabel* imported_ = nullptr;
    QLabel* announcement_ = nullptr;
    QLineEdit* thresholdEntry_ = nullptr;
    ResponseGraph* graph_ = nullptr;
    FirGraphBar* graphBar_ = nullptr;
};

// The input FIR of a cabinet: the same window on the input slot with the input window's wording.
class FormExternalFIRPhase final : public FormExternalFIRPhaseOut {
    Q_OBJECT
public:
    FormExternalFIRPhase(AppContext& ctx, CommThread& thread, Prompter& prompter, int slot, FirFilePicker pickFile,
                         QWidget* parent = nullptr);
};

// The imported IR curves: 8 slots, each a curve per device and output way.
struct ImportedIr {
    std::string name;
    int way = 0;
    fir::IrCurve curve;
};

class FrmImportFdt final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSlots = 8;
    // The slots start with what `library` keeps for the device; every import is kept there.
    FrmImportFdt(AppContext& ctx, Prompter& prompter, fir::IrLibrary& library, int slot, int way, FirFilePicker pickFile,
                 QWidget* parent = nullptr);

    void chooseSmoothing(int index);
    void chooseSlot(int index);
    bool importFile(const QString& path);
    void importPicked();
    QString labelText() const;
    const std::optional<ImportedIr>& slotCurve(int index) const {
        return slots_[static_cast<std::size_t>(index)];
    }

signals:
    // A slot's curve changed (the edit window draws it on its graph).
    void imported(int slot, const QString& name);

private:
    AppContext& ctx_;
    Prompter& prompter_;
    fir::IrLibrary& library_;
    std::string deviceKey_;
    int device_;
    int way_;
    FirFilePicker pickFile_;
    double smoothingOctaves_ = 0;
    int slot_ = 0;
    std::array<std::optional<ImportedIr>, kSlots> slots_{};
    QComboBox* smoothing_ = nullptr;
    QComboBox* slotChoice_ = nullptr;
    QLabel* label_ = nullptr;
};

// The graph curve of an imported IR (magnitude and drawn phase on the display grid).
GraphCurve ImportedIrCurve(const ImportedIr& ir);

}  // namespace plenum::ui
