#include "ui/EditPanel.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/EditControls.h"
#include "ui/Theme.h"

namespace plenum::ui {

using device::Control;

EditPanel::EditPanel(device::EditController& controller, double screenScale, int languageFlag, QWidget* parent)
    : QWidget(parent), controller_(controller), scale_(screenScale), language_(languageFlag) {
    setObjectName(QStringLiteral("EditPanel"));
    // A lit toggle reads at a glance: accent when on, red for a muted channel.
    setStyleSheet(QStringLiteral("QPushButton:checked { background: %1; color: %2; border-color: %1; }"
                                 "QPushButton#ImgMuteG:checked { background: %3; color: %4; border-color: %3; }")
                      .arg(colours::kAccent.name(), colours::kWindow.name(), colours::kDanger.name(), colours::kText.name()));
    auto* strip = new QHBoxLayout(this);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(Px(scale_, 6));

    // The faders, each with its text box and the toggles of its family below.
    QBoxLayout* gain = addFader(strip, Control::InGain, "GAIN", "增益", "Slider1");
    addToggle(gain, Control::Mute, "MUTE", "静音");
    addToggle(gain, Control::Phase, "POL INV", "反相");
    addToggle(addFader(strip, Control::EqGain, "PEQ GAIN", "PEQ 增益", "Slider2"), Control::EqBypass, "EQ BYP",
              "EQ 旁通");
    addToggle(addFader(strip, Control::GateThreshold, "GATE", "噪声门", "SliderNG"), Control::GateEnable, "ON", "开");
    QBoxLayout* cmp = addFader(strip, Control::CmpThreshold, "COMP", "压缩", "SliderCmp");
    addToggle(cmp, Control::CmpEnable, "ON", "开");
    addToggle(cmp, Control::CmpAuto, "AUTO", "自动");
    addToggle(addFader(strip, Control::LimThreshold, "LIMIT", "限幅", "SliderLim"), Control::LimEnable, "ON", "开");
    addToggle(addFader(strip, Control::MakeUp, "MAKE-UP", "补偿增益", "SliderHLim"), Control::LhLink, "L/H LINK",
              "L/H 联动");
    addToggle(addFader(strip, Control::Dlf, "DLF", "DLF", "SliderDLF"), Control::DlfEnable, "ON", "开");

    // The band and crossover values.
    auto* eq = new QGridLayout;
    eq->setVerticalSpacing(Px(scale_, 3));
    addList(eq, 0, Control::EqType, "TYPE", "类型");
    addText(eq, 1, Control::EqFreq, "FREQ Hz", "频率 Hz", false);
    addText(eq, 2, Control::EqQ, "Q", "Q", true);
    addList(eq, 3, Control::XoverHpSlope, "HP SLOPE", "高通斜率");
    addText(eq, 4, Control::XoverHpFreq, "HP Hz", "高通 Hz", false);
    addList(eq, 5, Control::XoverLpSlope, "LP SLOPE", "低通斜率");
    addText(eq, 6, Control::XoverLpFreq, "LP Hz", "低通 Hz", false);
    eq->setRowStretch(7, 1);
    strip->addLayout(eq, 3);

    // Source, delay, dynamics values and the extras.
    auto* more = new QGridLayout;
    more->setVerticalSpacing(Px(scale_, 3));
    addSwitch(more, 0, Control::InpSource, "SOURCE", "输入源");
    addSwitch(more, 1, Control::DanteLR, "DANTE L/R", "Dante 左/右");
    addSwitch(more, 9, Control::AnalogLR, "ANALOG L/R", "模拟 左/右");
    addText(more, 2, Control::GainSrc, "SRC GAIN dB", "输入源增益 dB", true);
    QWidget* delay = addText(more, 3, Control::Delay, "DELAY", "延时", true);
    auto* fine = static_cast<QHBoxLayout*>(delay->layout());
    fine->addWidget(stepper(Control::DelayFine, -1, delay));
    fine->addWidget(stepper(Control::DelayFine, +1, delay));
    delayUnit_ = new QComboBox(delay);
    delayUnit_->setObjectName(QStringLiteral("LabelUnitDelay"));
    for (const auto unit : device::EditController::delayUnitMenu()) delayUnit_->addItem(Q(unit));
    connect(delayUnit_, &QComboBox::activated, this, [this](int index) { controller_.chooseDelayUnit(index); });
    fine->addWidget(delayUnit_);
    addText(more, 4, Control::CmpRatio, "RATIO", "压缩比", true);
    addText(more, 5, Control::CmpMakeUp, "COMP GAIN dB", "压缩增益 dB", true);
    addText(more, 6, Control::RoomCorrection, "ROOM CORR", "房间校正", true);
    QPushButton* noise = addSwitch(more, 7, Control::NoiseType, "NOISE", "噪声");
    auto* noiseRow = static_cast<QHBoxLayout*>(noise->parentWidget()->layout());
    addToggle(noiseRow, Control::NoiseEnable, "ON", "开");
    addText(more, 8, Control::NoiseLevel, "NOISE dB", "噪声电平 dB", true);
    if (controller_.kind() == DeviceKind::Sat) addFirControls(strip);
    more->setRowStretch(10, 1);
    strip->addLayout(more, 4);
}

void EditPanel::addFirControls(QBoxLayout* strip) {
    auto* fir = new QGridLayout;
    fir->setVerticalSpacing(Px(scale_, 3));
    addList(fir, 0, Control::XoverMode, "MODE", "模式");
    addList(fir, 1, Control::FirWindowType, "WINDOW", "窗");
    addList(fir, 2, Control::FirTaps, "TAPS", "抽头数");
    addText(fir, 3, Control::FirAttenuation, "ATT dB", "衰减 dB", false);
    addText(fir, 4, Control::FirFrequency, "FIR Hz", "FIR 频率 Hz", false);
    auto* switches = new QHBoxLayout;
    addToggle(switches, Control::FirEnable, "FIR ON", "FIR 开");
    addToggle(switches, Control::MirMinLatency, "MIN LAT", "最小延时");
    fir->addLayout(switches, 5, 0, 1, 2);
    auto* editMode = new QPushButton(pick("XOVER MODE...", "分频模式..."), this);
    editMode->setObjectName(QStringLiteral("UCBtnEditMode"));
    connect(editMode, &QPushButton::clicked, this, &EditPanel::editModeRequested);
    fir->addWidget(editMode, 6, 0, 1, 2);
    addLabel(fir, 7, Control::FirLabel);
    fir->setRowStretch(8, 1);
    strip->addLayout(fir, 3);
}

void EditPanel::addLabel(QGridLayout* grid, int row, Control control) {
    Binding b{control, Kind::Label};
    b.label = new QLabel(this);
    b.label->setObjectName(name(control));
    b.box = b.label;
    grid->addWidget(b.label, row, 0, 1, 2);
    bindings_.push_back(b);
}

QString EditPanel::pick(const char* en, const char* zh) const { return QString::fromUtf8(language_ == 1 ? zh : en); }

QString EditPanel::name(Control control) const {
    QString text = Q(device::ControlName(control, controller_.kind()));
    if (control == Control::XoverHpSlope || control == Control::XoverHpFreq) text += QStringLiteral("(0)");
    if (control == Control::XoverLpSlope || control == Control::XoverLpFreq) text += QStringLiteral("(1)");
    return text;
}

QBoxLayout* EditPanel::addFader(QBoxLayout* row, Control control, const char* en, const char* zh, const char* sliderName) {
    Binding b{control, Kind::Fader};
    b.box = new QWidget(this);
    auto* column = new QVBoxLayout(b.box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Px(scale_, 3));
    b.caption = new QLabel(pick(en, zh), b.box);
    b.caption->setAlignment(Qt::AlignCenter);
    b.fader = new EditFader(scale_, b.box);
    b.fader->setObjectName(QString::fromUtf8(sliderName));
    b.text = new QLineEdit(b.box);
    b.text->setObjectName(name(control));
    b.text->setAlignment(Qt::AlignCenter);
    b.text->setMaximumWidth(Px(scale_, 64));
    column->addWidget(b.caption);
    column->addWidget(b.fader, 1, Qt::AlignHCenter);
    column->addWidget(b.text, 0, Qt::AlignHCenter);
    connect(b.fader, &EditFader::pressed, this, [this, control](int) { controller_.faderPress(control); });
    connect(b.fader, &EditFader::moved, this, [this, control](int y) { controller_.faderMove(control, y); });
    connect(b.fader, &EditFader::released, this, [this, control] { controller_.faderRelease(control); });
    connect(b.fader, &EditFader::doubleClicked, this, [this, control] { controller_.doubleClick(control); });
    watchKeys(b.text, control);
    row->addWidget(b.box);
    bindings_.push_back(b);
    return column;
}

QToolButton* EditPanel::stepper(Control control, int delta, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(delta > 0 ? QStringLiteral("+") : QStringLiteral("−"));
    button->setAutoRepeat(true);
    button->setObjectName(name(control) + (delta > 0 ? QStringLiteral("Up") : QStringLiteral("Down")));
    connect(button, &QToolButton::clicked, this, [this, control, delta] { controller_.step(control, delta); });
    return button;
}

QWidget* EditPanel::addText(QGridLayout* grid, int row, Control control, const char* en, const char* zh, bool steppers) {
    Binding b{control, Kind::Text};
    b.box = new QWidget(this);
    auto* line = new QHBoxLayout(b.box);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(Px(scale_, 2));
    b.text = new QLineEdit(b.box);
    b.text->setObjectName(name(control));
    b.text->setMaximumWidth(Px(scale_, 80));
    line->addWidget(b.text);
    const Control stepped = control == Control::Delay ? Control::DelayCoarse : control;
    if (steppers) {
        line->addWidget(stepper(stepped, -1, b.box));
        line->addWidget(stepper(stepped, +1, b.box));
    }
    line->addStretch(1);
    b.caption = new QLabel(pick(en, zh), this);
    grid->addWidget(b.caption, row, 0);
    grid->addWidget(b.box, row, 1);
    watchKeys(b.text, control);
    bindings_.push_back(b);
    return b.box;
}

QPushButton* EditPanel::addToggle(QBoxLayout* row, Control control, const char* en, const char* zh) {
    Binding b{control, Kind::Toggle};
    b.button = new QPushButton(pick(en, zh), this);
    b.button->setObjectName(name(control));
    b.button->setCheckable(true);
    b.box = b.button;
    row->addWidget(b.button);
    connect(b.button, &QPushButton::clicked, this, [this, control] {
        controller_.toggle(control);
        // A refused or ignored toggle leaves the button as the controller says.
        for (Binding& binding : bindings_)
            if (binding.control == control) refresh(binding);
    });
    bindings_.push_back(b);
    return b.button;
}

QComboBox* EditPanel::addList(QGridLayout* grid, int row, Control control, const char* en, const char* zh) {
    Binding b{control, Kind::List};
    b.list = new QComboBox(this);
    b.list->setObjectName(name(control));
    std::vector<std::string_view> entries;
    switch (control) {
        case Control::XoverHpSlope:
        case Control::XoverLpSlope: entries = controller_.slopeMenu(); break;
        case Control::FirWindowType: entries = device::EditController::firWindowMenu(); break;
        case Control::FirTaps: entries = device::EditController::firTapsMenu(); break;
        case Control::XoverMode: entries = device::EditController::xoverModeMenu(); break;
        default: entries = device::EditController::peqTypeMenu(); break;
    }
    for (const auto entry : entries) b.list->addItem(Q(entry));
    b.box = b.list;
    b.caption = new QLabel(pick(en, zh), this);
    grid->addWidget(b.caption, row, 0);
    grid->addWidget(b.list, row, 1);
    connect(b.list, &QComboBox::activated, this, [this, control](int index) { controller_.choose(control, index); });
    bindings_.push_back(b);
    return b.list;
}

QPushButton* EditPanel::addSwitch(QGridLayout* grid, int row, Control control, const char* en, const char* zh) {
    Binding b{control, Kind::Switch};
    b.box = new QWidget(this);
    auto* line = new QHBoxLayout(b.box);
    line->setContentsMargins(0, 0, 0, 0);
    b.button = new QPushButton(b.box);
    b.button->setObjectName(name(control));
    line->addWidget(b.button);
    line->addStretch(1);
    b.caption = new QLabel(pick(en, zh), this);
    grid->addWidget(b.caption, row, 0);
    grid->addWidget(b.box, row, 1);
    connect(b.button, &QPushButton::clicked, this, [this, control] {
        controller_.choose(control, controller_.state(control).position == 0 ? 1 : 0);
    });
    bindings_.push_back(b);
    return b.button;
}

void EditPanel::watchKeys(QLineEdit* box, Control control) {
    box->setProperty("control", static_cast<int>(control));
    box->installEventFilter(this);
    connect(box, &QLineEdit::returnPressed, this,
            [this, control, box] { controller_.enterText(control, box->text().toStdString()); });
}

bool EditPanel::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box == nullptr || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const auto* press = static_cast<QKeyEvent*>(event);
    const bool enter = press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter;
    const QString typed = press->text();
    if (!enter && (typed.size() != 1 || typed[0].unicode() < 32 || typed[0].unicode() > 126)) return false;
    const auto control = static_cast<Control>(box->property("control").toInt());
    TextBoxModel model{box->text().toStdString(), static_cast<std::size_t>(box->cursorPosition())};
    int key = enter ? kKeyEnter : typed[0].unicode();
    controller_.filterKey(control, model, key);
    if (enter) {
        box->setText(Q(model.text));  // a cleaned ratio or "-00" entry
        return false;
    }
    if (key == 0) return true;  // swallowed
    if (key != typed[0].unicode()) {
        box->insert(QString(QChar(key)));  // the locale's decimal separator
        return true;
    }
    return false;
}

EditFader* EditPanel::fader(Control control) const {
    for (const Binding& b : bindings_)
        if (b.control == control && b.fader != nullptr) return b.fader;
    return nullptr;
}

QLineEdit* EditPanel::textBox(Control control) const {
    for (const Binding& b : bindings_)
        if (b.control == control && b.text != nullptr) return b.text;
    return nullptr;
}

void EditPanel::refresh() {
    for (Binding& binding : bindings_) refresh(binding);
    const QSignalBlocker blocker(delayUnit_);
    delayUnit_->setCurrentIndex(controller_.delayInMetres() ? 1 : 0);
}

void EditPanel::refresh(Binding& b) {
    const device::ControlState s = controller_.state(b.control);
    b.box->setVisible(s.visible);
    if (b.caption != nullptr) b.caption->setVisible(s.visible);
    b.box->setEnabled(s.enabled);
    switch (b.kind) {
        case Kind::Fader:
            b.fader->setTrack(device::FaderTrackFromPosition(s.position, controller_.faderSteps(b.control)));
            b.text->setText(Q(s.text));
            break;
        case Kind::Text: b.text->setText(Q(s.text)); break;
        case Kind::Toggle:
            b.button->setChecked(s.checked);
            if (b.control == Control::MirMinLatency && !s.text.empty()) b.button->setToolTip(Q(s.text));
            break;
        case Kind::Switch:
            // The noise generator's two types have no names of their own.
            b.button->setText(s.text.empty() ? pick("TYPE %1", "类型 %1").arg(s.position + 1) : Q(s.text));
            break;
        case Kind::List: {
            const QSignalBlocker blocker(b.list);
            b.list->setCurrentIndex(s.position);
            break;
        }
        case Kind::Label: b.label->setText(Q(s.text)); break;
    }
}

}  // namespace plenum::ui
