// The FIR wizard of a satellite (FrmWizardFIR), its graph control (UCWizard) and the EQ target
// editor (FrmFIREq). The rules live in ui/logic (WizardFlow, EqTargetEdit) and the mathematics
// in src/audio; these views forward the user's entries, run the measurement and the design on a
// thread of their own with a progress bar and Cancel, and post the store to the communication
// thread (PostFirStore).
#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "audio/AudioCard.h"
#include "core/AppContext.h"
#include "core/Prompter.h"
#include "ui/CommThread.h"
#include "ui/FirWindows.h"
#include "ui/ResponseGraph.h"
#include "ui/SoundCards.h"
#include "ui/logic/EqTargetEdit.h"
#include "ui/logic/WizardFlow.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QStackedWidget;

namespace plenum::ui {

// Runs one piece of work on a thread of its own, with a progress dialog whose Cancel sets the
// flag the work polls; the completion runs on the owner's thread, never after the owner is gone.
class BackgroundWork final : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(const std::atomic<bool>& cancel, const std::function<void(double)>& progress)>;
    BackgroundWork(QWidget* owner, int languageFlag);
    ~BackgroundWork() override;  // cancels and waits for the work
    bool busy() const { return running_; }
    // `indeterminate`: a busy bar without fractions.
    void run(const QString& caption, bool indeterminate, Work work, std::function<void()> done);
    void cancel() { cancel_ = true; }
    void setCaption(const QString& caption);

signals:
    void progressed(double fraction);

private:
    QWidget* owner_;
    int languageFlag_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
    QPointer<QProgressDialog> bar_;
};

// The wizard's graph: the views "IR", "FIR", "IRxFIR", "Target" and "Before"/"After", magnitude
// alone or "Magn && Phase", the zero offset, a right click steps the zoom, and the cursor readout.
class UCWizard final : public QWidget {
    Q_OBJECT
public:
    enum class View { Ir = 0, Fir, IrxFir, Target, BeforeAfter };
    struct Curves {
        std::vector<double> irTaps;       // the measured impulse response
        std::vector<double> irDb;         // its smoothed magnitude (engine grid)
        std::vector<double> firTaps;      // the correcting FIR
        std::vector<double> firDb;        // its magnitude (engine grid)
        std::vector<double> targetDb;     // the target at the measurement's level (engine grid)
        std::vector<double> afterTaps;    // the verify measurement
        std::vector<double> afterDb;
    };
    explicit UCWizard(QWidget* parent = nullptr);

    void setCurves(Curves curves);
    void setView(View view);
    View view() const { return view_; }
    void setShowPhase(bool on);
    void setZeroOffset(double offsetDb);
    ResponseGraph& graph() { return *graph_; }
    QString readoutText() const;
    // The readout of the shown curve at a frequency (what the cursor shows there).
    QString readoutAt(double frequencyHz) const;

signals:
    void viewChosen(int view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void redraw();
    Curves curves_;
    View view_ = View::Ir;
    bool showPhase_ = false;
    double zeroOffsetDb_ = 0;
    ResponseGraph* graph_ = nullptr;
    QButtonGroup* views_ = nullptr;
    QPushButton* phase_ = nullptr;
    QLabel* readout_ = nullptr;
    std::vector<double> readoutPhase_;
    std::vector<double> readoutDelayMs_;
};

class FrmFIREq final : public QDialog {
    Q_OBJECT
public:
    FrmFIREq(AppContext& ctx, Prompter& prompter, std::vector<audio::EqBand> bands, FirFilePicker pickFile,
             FirFilePicker pickSaveFile, QWidget* parent = nullptr);

    EqTargetEdit& rules() { return rules_; }
    void chooseType(int band, int type);
    bool enterGain(int band, const QString& text);
    bool enterFrequency(int band, const QString& text);
    bool enterQ(int band, const QString& text);
    bool flat();
    bool saveFile(const QString& path);
    bool loadFile(const QString& path);
    // Applies the target (the wizard takes it) and keeps it as the default.
    void apply();

signals:
    void targetApplied();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Row {
        QComboBox* type = nullptr;
        QLineEdit* gain = nullptr;
        QLineEdit* frequency = nullptr;
        QLineEdit* q = nullptr;
    };
    void refresh();
    AppContext& ctx_;
    EqTargetEdit rules_;
    FirFilePicker pickFile_;
    FirFilePicker pickSaveFile_;
    std::array<Row, kEqTargetBands> rows_{};
    ResponseGraph* graph_ = nullptr;
    bool filling_ = false;
};

class FrmWizardFIR final : public QDialog {
    Q_OBJECT
public:
    FrmWizardFIR(AppContext& ctx, CommThread& thread, Prompter& prompter, int slot, SoundCards cards,
                 bool virtualCardFirst, FirFilePicker pickFile, FirFilePicker pickSaveFile, QWidget* parent = nullptr);
    ~FrmWizardFIR() override;

    WizardFlow& flow() { return flow_; }
    UCWizard& graph() { return *graph_; }
    QString pageTitle() const;
    QString statusText() const;
    QString peakText() const;

    // The pages' controls, as the user works them.
    void chooseOutput(int way);
    int way() const { return way_; }
    // The cards as listed: 0 is the virtual card when `virtualCardFirst`, else the last entry.
    int cardCount() const;
    void chooseCard(int index);
    void chooseChannels(int outputChannel, int inputChannel);
    bool next();
    void back();
    bool enter(WizardSetting setting, const QString& text);
    bool enterSmoothing(const QString& text);
    // Opening an IR, the measurements (the Measure page, the Test Mic pass, the verify pass) and
    // the design: false when nothing was started, as while another job or a store runs.
    bool openIr(const QString& path);
    bool measure();
    bool testMic();
    bool calculate();
    bool verify();
    bool store();
    bool saveFir(const QString& path);
    void editTarget();
    FrmFIREq* targetEditor() const { return targetEditor_; }
    // Stops the running measurement or design (the progress bar's Cancel).
    void cancelWork() { work_.cancel(); }
    bool workBusy() const { return work_.busy(); }
    // Runs the event loop until the measurement or design and any store are done.
    bool settle(int timeoutMs = 60000);

signals:
    // The measurement's progress, 0..1 (on the window's thread).
    void measureProgress(double fraction);
    void stored(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildWelcome();
    QWidget* buildGeometry();
    QWidget* buildWiring();
    QWidget* buildMeasure();
    QWidget* buildViewIr();
    QWidget* buildCalculate();
    QWidget* buildVerify();
    QLineEdit* settingEntry(WizardSetting setting);
    std::unique_ptr<audio::AudioCard> openCard() const;
    // Measures on a thread; `done` gets the result on the window's thread.
    bool runMeasurement(bool verifyPass, std::function<void(const audio::AudioResult&, const audio::Measurement&)> done);
    void refresh();
    void redraw();
    QString text(const Bilingual& text) const;

    AppContext& ctx_;
    CommThread& thread_;
    Prompter& prompter_;
    int slot_;
    int way_ = 0;
    SoundCards cards_;
    bool virtualCardFirst_;
    std::vector<audio::AudioDeviceInfo> cardList_;  // index -1: the virtual card
    FirFilePicker pickFile_;
    FirFilePicker pickSaveFile_;
    WizardFlow flow_;
    std::optional<audio::Sweep> sweep_;
    BackgroundWork work_;
    bool storing_ = false;
    QString status_;
    QLabel* title_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* peak_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    UCWizard* graph_ = nullptr;
    QWidget* filler_ = nullptr;  // takes the graph's room on the pages without a graph
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QComboBox* outputs_ = nullptr;
    QComboBox* cardChoice_ = nullptr;
    QComboBox* outChannel_ = nullptr;
    QComboBox* inChannel_ = nullptr;
    QLineEdit* smoothing_ = nullptr;
    std::array<QLineEdit*, kWizardSettingCount> entries_{};
    QPointer<FrmFIREq> targetEditor_;
};

}  // namespace plenum::ui
