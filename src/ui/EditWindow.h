// The edit windows of one loudspeaker: FrmEditSat (a satellite, five pages) and FrmEditSub (a
// subwoofer, two pages). A window is the view of an EditController: it forwards every event
// there and draws what the controller reports — the page tabs and their band selector, the
// control strip, the response graph with the page's curves and band handles, the vertical
// meters, the caption and the button bar. Undo and redo are Ctrl+Z / Ctrl+Shift+Z.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "core/AppContext.h"
#include "core/Prompter.h"
#include "device/EditController.h"
#include "dsp/Meters.h"
#include "dsp/Response.h"
#include "ui/Glyphs.h"

class QAbstractButton;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QTabBar;

namespace plenum::ui {

class CommThread;
class EditMeters;
class EditPanel;
class ResponseGraph;
class UCButton;
struct GraphCurve;

// The FIR windows a satellite's edit window opens from its FIR menu.
enum class FirWindowKind { XoverMode = 0, ExternalFir = 1, ImportIr = 2, Wizard = 3 };

struct EditWindowDeps {
    AppContext& ctx;
    int slot;
    device::EditSink& sink;  // where the window's sends go
    Prompter& prompter;
    const MeterTable* meters = nullptr;
    // Picks a program or GEQ file (save = true for the save dialog); an empty result cancels.
    std::function<QString(bool save, const QString& folder, const QString& filter)> pickFile;
    // The device bar (programs, backup, locks, settings) talks to the device through `thread`;
    // without it the bar is not shown. `runModal` runs its windows (exec() when empty);
    // `refreshDevice` redraws another device whose state a recall read back.
    CommThread* thread = nullptr;
    std::function<int(QDialog&)> runModal = {};
    std::function<void(int slot)> refreshDevice = {};
};

class EditWindow : public QDialog, private device::EditObserver {
    Q_OBJECT
public:
    ~EditWindow() override;

    int slot() const { return controller_->slot(); }
    device::EditController& controller() { return *controller_; }
    EditPanel& panel() { return *panel_; }
    ResponseGraph& graph() { return *graph_; }
    EditMeters& meters() { return *meters_; }
    QTabBar& pages() { return *pages_; }
    QComboBox& bandSelector() { return *bands_; }
    QAction& undoAction() { return *undo_; }
    QAction& redoAction() { return *redo_; }
    QLabel& captionLabel() { return *caption_; }
    // The lock buttons' captions from the device's lock state (after a password window, also
    // one the main window opened).
    void updateLockCaptions();
    // The curves the graph draws from.
    const DeviceResponse& response() const { return response_; }

    // The meter table has new levels for the window's device.
    void refreshMeters();
    // The device's image was read back (the connection flow): history cleared, all redrawn.
    void reloadFromDevice();
    // Another window wrote into this device's image (the link fan-out): controls and graphs redrawn.
    void refreshFromImage();
    void setPhaseView(bool on);
    void setZoom(int level);

    // The button bar.
    void loadProgram();
    void saveProgram();
    void importGeq();
    void recallFactory();
    void flatPeq();
    // The device bar: each opens its window for this window's device.
    void storeProgram();
    void recallProgram();
    void backupDevice();
    void restoreDevice();
    void lockGui();
    void lockPanel();
    void adminLogin();
    void openSettings();
    QAbstractButton* deviceButton(const QString& name) const;
    // The FIR menu (satellites): asks the main window for the chosen FIR window.
    void requestFirWindow(FirWindowKind kind) { emit firWindowRequested(slot(), static_cast<int>(kind)); }
    // An imported measurement drawn over the output pages' curves; nothing removes it.
    void setExternalIr(std::optional<GraphCurve> curve);
    bool hasExternalIr() const { return externalIr_ != nullptr; }

signals:
    void firWindowRequested(int slot, int kind);
    // The window became the active one: its device is the current device.
    void activated(int slot);

protected:
    EditWindow(EditWindowDeps deps, std::unique_ptr<device::EditController> controller, QWidget* parent);
    void changeEvent(QEvent* event) override;

private:
    void refreshControls() override;
    void redrawGraphs(unsigned graphs, std::span<const EditTarget> changed) override;
    QWidget* buildButtonBar();
    QWidget* buildDeviceBar();
    int runDeviceWindow(QDialog& dialog);
    void openLockWindow(int mode);
    QWidget* buildGraphBar();
    void buildActions();
    void connectGraph();
    UCButton* barButton(const QString& name, const QString& caption, Glyph glyph, void (EditWindow::*action)());
    void showPage(int page);
    void fillBands();
    void loadCurves();
    void updateHandles();
    void updateCaption();
    QString pick(const char* en, const char* zh) const;
    QString qtFilter(const std::string& filter) const;

    AppContext& ctx_;
    Prompter& prompter_;
    const MeterTable* meterTable_;
    std::function<QString(bool, const QString&, const QString&)> pickFile_;
    CommThread* thread_;
    std::function<int(QDialog&)> runModal_;
    std::function<void(int)> refreshDevice_;
    UCButton* lockButtons_[3] = {};
    std::unique_ptr<device::EditController> controller_;
    DeviceResponse response_;
    QLabel* caption_;
    QTabBar* pages_;
    QComboBox* bands_;
    EditPanel* panel_;
    ResponseGraph* graph_;
    EditMeters* meters_;
    QPushButton* phase_;
    QComboBox* zoom_;
    QLabel* cursor_;
    QAction* undo_;
    QAction* redo_;
    bool graphDragging_ = false;
    std::unique_ptr<GraphCurve> externalIr_;
};

class FrmEditSat final : public EditWindow {
    Q_OBJECT
public:
    explicit FrmEditSat(EditWindowDeps deps, QWidget* parent = nullptr);
};

class FrmEditSub final : public EditWindow {
    Q_OBJECT
public:
    explicit FrmEditSub(EditWindowDeps deps, QWidget* parent = nullptr);
};

}  // namespace plenum::ui
