// The demo tour: a scripted walk through the application on the demo loudspeakers, run offscreen,
// writing one PNG per step (the main window, with any dialog or message box drawn over it with its
// title bar) and printing each path. It ends the program by answering the exit question.
#pragma once

#include <QDir>
#include <QString>
#include <deque>
#include <memory>

#include "core/AppContext.h"
#include "core/Prompter.h"

class QWidget;

namespace plenum::sim {
class Simulator;
}

namespace plenum::ui {

class EditWindow;
class MainWindow;

// Writes the numbered pictures.
class TourCamera {
public:
    explicit TourCamera(const QString& folder, double screenScale);
    // The widget alone, or the main window with `overlay` centred over it and the rest dimmed.
    void shoot(QWidget& widget, const QString& name);
    void shootOver(QWidget& main, QWidget& overlay, const QString& name);
    int count() const { return step_; }

private:
    void write(const QPixmap& picture, const QString& name);
    QDir dir_;
    double scale_;
    int step_ = 0;
};

// Answers message boxes from the tour's script, photographing each one over the main window.
class TourPrompter final : public Prompter {
public:
    TourPrompter(TourCamera& camera, const AppContext& ctx) : camera_(camera), ctx_(ctx) {}
    void setBackdrop(QWidget* main) { backdrop_ = main; }
    // The picture name and the answer of the next message or question.
    void expect(const QString& name, bool answer = true) { script_.push_back({name, answer}); }

    void showMessage(Icon icon, const std::string& title, const std::string& text) override;
    bool askYesNo(Icon icon, const std::string& title, const std::string& text) override;

private:
    bool present(Icon icon, const std::string& title, const std::string& text, bool question);
    struct Line {
        QString name;
        bool answer;
    };
    TourCamera& camera_;
    const AppContext& ctx_;
    QWidget* backdrop_ = nullptr;
    std::deque<Line> script_;
};

class Tour {
public:
    Tour(const QString& folder, AppContext& ctx);
    Prompter& prompter() { return prompter_; }
    void shootStartup(QWidget& splash);
    void attach(MainWindow& window);
    // Runs every step, then closes the main window (which ends the program).
    void run(MainWindow& window, sim::Simulator& simulator);

private:
    // The demo's first satellite (at 127.0.0.2) with its edit window open and shown, or null when it
    // is not listed or not on-line; `slot` receives its slot.
    EditWindow* openDemoSatellite(MainWindow& window, int& slot);
    // The search window before (and, with `search`, after) a search of the demo's range.
    void searchStep(MainWindow& window, bool search);
    // The connection dialog for one slot or ConnectDialog::kAllDevices; `connect` presses OK.
    void connectStep(MainWindow& window, int slot, const QString& picture, bool connect);
    // The firmware window; with `load`, Update without a file, then a LAN load of a demo image.
    void firmwareStep(MainWindow& window, int slot, bool load);
    // Both edit windows: a moved PEQ band, a crossover, the meters after a few polls, the phase view.
    void editStep(MainWindow& window, bool english);
    // The FIR windows of the demo satellite: a FIR crossover designed and stored, an external FIR
    // file loaded, a measured response imported onto the edit window's graph.
    void firStep(MainWindow& window, bool english);
    // The FIR wizard with the virtual sound card: its pages, the measurement, the correction
    // stored and verified, the EQ target editor (English), the welcome and the design (Chinese).
    void wizardStep(MainWindow& window, bool english);
    // The group chooser, a group window with its graph and the drift window over its members.
    void groupStep(MainWindow& window, sim::Simulator& simulator, bool english);
    // A satellite's device bar: store, recall, backup, restore, password and settings windows.
    void programStep(MainWindow& window, bool english);

    AppContext& ctx_;
    TourCamera camera_;
    TourPrompter prompter_;
};

}  // namespace plenum::ui
