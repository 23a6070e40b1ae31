// The crossover-mode window (FrmOutXoverMode) of a satellite: the output crossover mode, the
// high-pass and low-pass panels of each way, the FIR design of the FIR and MIR sides and their
// store into the device.
//
// The window keeps no settings of its own: it reads the mode and every way's sides from the
// slot's image (sat/FirSettings.h) whenever it redraws, and each change goes through the edit
// window's controller, so it is written into the image, sent on the communication thread by the
// edit window's sink (with the link fan-out), recorded for undo and shown in the edit window. The
// typed entries are checked here first with this window's own messages. What the window holds is
// the last design of each side, for the graph, the latency text and the store.
#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "core/AppContext.h"
#include "core/Prompter.h"
#include "device/EditController.h"
#include "fir/XoverMode.h"
#include "ui/CommThread.h"
#include "ui/ResponseGraph.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace plenum::ui {

class FirGraphBar;

class FrmOutXoverMode final : public QDialog {
    Q_OBJECT
public:
    FrmOutXoverMode(AppContext& ctx, CommThread& thread, Prompter& prompter, device::EditController& controller,
                    QWidget* parent = nullptr);

    // A side as the image gives it.
    struct SideSettings {
        fir::XoverSideKind kind = fir::XoverSideKind::Iir;
        double frequencyHz = 1000;  // the IIR filter's or the FIR side's frequency, by kind
        int slope = 0;              // the IIR slope code (slope byte below 13)
        int stopBand = 0;           // the FIR stop-band entry
        FirWindow window = FirWindow::Hamming;
        double attenuationSetting = 59;
        int taps = 512;
        bool removeLatency = false;
    };
    SideSettings settings(int way, bool highPass) const;

    // The last design of a side: its quantised taps and latency, and what it was designed from.
    struct Side {
        std::vector<double> designed;
        double latencyMs = 0;
        FirDesignRequest request;
    };
    Side& side(int way, bool highPass) { return sides_[static_cast<std::size_t>(way * 2 + (highPass ? 0 : 1))]; }

    // User events. Each change goes to the device; a refusal shows its message and changes nothing.
    bool chooseMode(int code);
    void chooseWay(int way);
    bool enterFrequency(bool highPass, const QString& text);
    bool enterAttenuation(bool highPass, const QString& text);
    bool chooseSlope(bool highPass, int code);
    bool chooseStopBand(bool highPass, int entry);
    bool chooseWindow(bool highPass, int code);
    bool chooseTaps(bool highPass, int taps);
    bool setRemoveLatency(bool highPass, bool on);
    // Designs the FIR sides of the shown way; false after "Wrong XOver paramaters".
    bool design();
    // Designs and posts the store of the shown way's FIR (FirStore, with progress); false when
    // nothing was posted.
    // Designs the current way's FIR sides and stores them. While the communication thread is
    // still sending earlier edits the store waits for it (the button is disabled meanwhile).
    bool storeWay();

    fir::XoverMode mode() const;
    int way() const { return way_; }
    QString panelCaption(bool highPass) const;
    QString firLabelText() const;
    QString latencyText() const;
    ResponseGraph& graph() { return *graph_; }
    FirGraphBar& graphBar() { return *graphBar_; }
    // Re-reads the image (the edit window changed it, or a read-back replaced it).
    void refresh();
    // How many FIR designs the graph and latency texts have made so far.
    int designsMade() const { return designsMade_; }

signals:
    void stored(int way, int outcome);

protected:
    // The window is hidden, not closed, and the edit window refreshes it only while it is shown:
    // showing it again reads the image afresh.
    void showEvent(QShowEvent* event) override;

private:
    void storeWhenIdle();
    struct Panel {
        QGroupBox* box = nullptr;
        QLineEdit* frequency = nullptr;
        QComboBox* slope = nullptr;
        QComboBox* stopBand = nullptr;
        QComboBox* window = nullptr;
        QComboBox* attenuation = nullptr;
        QComboBox* taps = nullptr;
        QPushButton* latency = nullptr;
        QLabel* latencyCaption = nullptr;
        std::array<QLabel*, 5> rowLabels{};  // slope, stop band, window, attenuation, taps
    };
    Panel buildPanel(bool highPass);
    void connectPanel(Panel& p, bool highPass);
    void fillPanel(Panel& p, bool highPass);
    void redraw();
    FirDesignRequest requestOf(int way, bool highPass) const;
    // The side's design for the graph: the last design when it still matches the settings,
    // otherwise a fresh one (without a message).
    std::vector<double> tapsForGraph(int way, bool highPass) const;
    // The design of a side's current settings, kept per side until its request changes (a fader
    // step elsewhere in the edit window redraws this window without changing its FIRs); null when
    // the settings cannot be designed.
    const FirDesign* currentDesign(int way, bool highPass) const;
    struct CachedDesign {
        bool made = false;
        bool ok = false;
        FirDesignRequest request;
        FirDesign design;
    };
    mutable std::array<CachedDesign, 4> designs_{};
    mutable int designsMade_ = 0;
    bool editFir(const ParamEditor::FirWayChange& change);
    QString pick(const char* en, const char* zh) const;

    AppContext& ctx_;
    CommThread& thread_;
    Prompter& prompter_;
    device::EditController& controller_;
    int slot_;
    int way_ = 0;
    std::array<Side, 4> sides_{};
    std::array<Panel, 2> panels_{};
    QComboBox* modes_ = nullptr;
    QComboBox* ways_ = nullptr;
    QLabel* firLabel_ = nullptr;
    QLabel* latency_ = nullptr;
    QPushButton* store_ = nullptr;
    bool storePending_ = false;
    ResponseGraph* graph_ = nullptr;
    FirGraphBar* graphBar_ = nullptr;
    bool filling_ = false;
};

}  // namespace plenum::ui
