// FrmEditVelmarGroup: the editor of one group as a thin view over GroupEditor. Member rows with
// "ON-LINE" / "OFF-LINE", mute, gain, SAT and SUB delay with the ms / m unit, the five-band group
// equaliser with band and EQ bypass, "EQ Flat", presets, "EQ on Sub" and the response graph with
// band dragging. Closing asks "Remove Group"; No keeps the window.
#pragma once

#include <QWidget>

#include "dsp/FrequencyGrid.h"
#include "groups/GroupEditor.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace plenum::ui {

class ResponseGraph;

class GroupWindow final : public QWidget {
    Q_OBJECT
public:
    GroupWindow(AppContext& ctx, int group, GroupPresets& presets, Prompter& prompter, GroupSink& sink,
                EditWindowRefresher* windows = nullptr, QWidget* parent = nullptr);

    GroupEditor& editor() { return editor_; }
    ResponseGraph* graph() const { return graph_; }
    int band() const { return band_; }
    void selectBand(int band);
    // Fills every control from the group record (after the timer's preset matching, a sync, a
    // project load); sends nothing. With `keepTyping` (the periodic refresh) a box the user has
    // typed into but not entered keeps the typed text.
    void refresh(bool keepTyping = false);
    // The drag readout of the graph ("Freq=...Hz; Gain=...dB").
    QString readout() const;

signals:
    // The group was removed (the record is free); the window closes itself.
    void removed(int group);
    // The members' state against the project, in the drift window.
    void driftRequested(int group);
    // Other loudspeakers for the roles (the chooser in edit mode).
    void membersRequested(int group);

protected:
    void closeEvent(QCloseEvent* event) override;
    // The window's place goes into the group's state (saved with the project).
    void moveEvent(QMoveEvent* event) override;

private:
    void build();
    void redrawGraph();
    void rememberPosition();

    AppContext& ctx_;
    GroupEditor editor_;
    GroupPresets& presets_;
    FrequencyGrid grid_;
    int band_ = 0;
    bool filling_ = false;
    std::vector<QLabel*> members_;
    QPushButton* mute_ = nullptr;
    QSlider* gainSlider_ = nullptr;
    QLineEdit* gain_ = nullptr;
    QPushButton* unit_ = nullptr;
    QLineEdit* satDelay_ = nullptr;
    QLineEdit* subDelay_ = nullptr;
    std::vector<QPushButton*> subSteps_;
    QComboBox* bandBox_ = nullptr;
    QComboBox* type_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QLineEdit* bandGain_ = nullptr;
    QLineEdit* q_ = nullptr;
    QCheckBox* bandBypass_ = nullptr;
    QCheckBox* eqBypass_ = nullptr;
    QCheckBox* eqOnSub_ = nullptr;
    QComboBox* preset_ = nullptr;
    QLabel* presetCaption_ = nullptr;
    QLabel* readout_ = nullptr;
    ResponseGraph* graph_ = nullptr;
};

}  // namespace plenum::ui
