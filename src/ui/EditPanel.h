// The control strip of an edit window: every control of the window's controller as a widget that
// carries the control's name (ControlName) as its objectName. Faders are vertical strips with a
// text box below; values with up/downs get "-"/"+" steppers; toggles are checkable buttons;
// lists are combo boxes; two-way choices are buttons that switch to the other entry. The panel
// forwards each event to the controller and re-reads every control from it in refresh().
#pragma once

#include <QWidget>
#include <vector>

#include "device/EditController.h"

class QBoxLayout;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace plenum::ui {

class EditFader;

class EditPanel final : public QWidget {
    Q_OBJECT
public:
    EditPanel(device::EditController& controller, double screenScale, int languageFlag, QWidget* parent = nullptr);

    // Re-reads every control; the caller raises GuiUpdating around it.
    void refresh();
    EditFader* fader(device::Control control) const;
    QLineEdit* textBox(device::Control control) const;

signals:
    // UCBtnEditMode: the crossover-mode window of the device.
    void editModeRequested();

protected:
    // The text boxes' key filter: each typed key goes through the control's numeric rules first.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { Fader, Text, Toggle, List, Switch, Label };
    struct Binding {
        device::Control control;
        Kind kind;
        QWidget* box = nullptr;     // the group's frame: shown and hidden with the control
        QLineEdit* text = nullptr;  // Fader, Text
        EditFader* fader = nullptr;
        QPushButton* button = nullptr;  // Toggle, Switch
        QComboBox* list = nullptr;
        QLabel* caption = nullptr;
        QLabel* label = nullptr;  // Label
    };

    QBoxLayout* addFader(QBoxLayout* row, device::Control control, const char* en, const char* zh, const char* sliderName);
    QWidget* addText(QGridLayout* grid, int row, device::Control control, const char* en, const char* zh, bool steppers);
    QPushButton* addToggle(QBoxLayout* row, device::Control control, const char* en, const char* zh);
    QComboBox* addList(QGridLayout* grid, int row, device::Control control, const char* en, const char* zh);
    QPushButton* addSwitch(QGridLayout* grid, int row, device::Control control, const char* en, const char* zh);
    void addLabel(QGridLayout* grid, int row, device::Control control);
    // The FIR/MIR crossover controls of an output way (satellites).
    void addFirControls(QBoxLayout* strip);
    QToolButton* stepper(device::Control control, int delta, QWidget* parent);
    QString name(device::Control control) const;
    QString pick(const char* en, const char* zh) const;
    void refresh(Binding& binding);
    void watchKeys(QLineEdit* box, device::Control control);

    device::EditController& controller_;
    double scale_;
    int language_;
    std::vector<Binding> bindings_;
    QComboBox* delayUnit_ = nullptr;
};

}  // namespace plenum::ui
