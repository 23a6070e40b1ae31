#include "ui/SmallWindows.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "ui/Theme.h"
#include "ui/UiTexts.h"

namespace plenum::ui {

// ---- FrmshowInfo -----------------------------------------------------------------------------

FrmshowInfo::FrmshowInfo(double screenScale, int languageFlag, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FrmshowInfo"));
    setAutoFillBackground(true);
    device_ = new QLabel(this);
    device_->setObjectName(QStringLiteral("LabelDevice"));
    device_->setAlignment(Qt::AlignCenter);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("LabelInfo"));
    label_->setFont(UiFont(screenScale, 11, true));
    label_->setAlignment(Qt::AlignCenter);
    hint_ = new QLabel(this);
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kTextDim.name()));
    giveUp_ = new QPushButton(this);
    giveUp_->setObjectName(QStringLiteral("CmdGiveUp"));
    connect(giveUp_, &QPushButton::clicked, this, &FrmshowInfo::giveUpRequested);
    retranslate(languageFlag);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Px(screenScale, 24), Px(screenScale, 14), Px(screenScale, 24), Px(screenScale, 12));
    layout->setSpacing(Px(screenScale, 6));
    layout->addWidget(device_);
    layout->addWidget(label_);
    layout->addWidget(hint_);
    layout->addWidget(giveUp_, 0, Qt::AlignCenter);
    setFixedSize(Px(screenScale, 320), Px(screenScale, 150));
}

void FrmshowInfo::retranslate(int languageFlag) {
    setWindowTitle(Pick(captions::kRetryTitle, languageFlag));
    hint_->setText(Pick(captions::kRetryHint, languageFlag));
    giveUp_->setText(Pick(captions::kRetryGiveUp, languageFlag));
}

void FrmshowInfo::setDevice(const QString& deviceName) { device_->setText(deviceName); }

QString FrmshowInfo::deviceText() const { return device_->text(); }

void FrmshowInfo::show() {
    QWidget::show();
    raise();
    repaint();
}

void FrmshowInfo::hide() { QWidget::hide(); }

void FrmshowInfo::setLabel(const std::string& text) {
    label_->setText(Q(text));
    if (isVisible()) update();
}

QString FrmshowInfo::labelText() const { return label_->text(); }

// ---- AltKeyProbe -----------------------------------------------------------------------------

AltKeyProbe::AltKeyProbe(QObject* parent) : QObject(parent) {
    if (qApp) qApp->installEventFilter(this);
}

bool AltKeyProbe::AltAbort() {
    const bool onGuiThread = QThread::currentThread() == thread();
    const bool held = onGuiThread && QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
    const bool pressed = pressedSinceAsked_.exchange(false);
    return held || pressed;
}

bool AltKeyProbe::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt)
        pressedSinceAsked_ = true;
    return QObject::eventFilter(watched, event);
}

// ---- FrmMaxWinOpen ---------------------------------------------------------------------------

FrmMaxWinOpen::FrmMaxWinOpen(double screenScale, int languageFlag, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmMaxWinOpen"));
    setWindowTitle(Pick(captions::kMaxWinTitle, languageFlag));
    auto* count = new QLabel(QStringLiteral("5 / 5"), this);
    count->setFont(UiFont(screenScale, 22, true));
    count->setStyleSheet(QStringLiteral("color: %1;").arg(colours::kSub.name()));
    auto* text = new QLabel(Pick(captions::kMaxWinText, languageFlag), this);
    text->setObjectName(QStringLiteral("LabelMaxWin"));
    text->setWordWrap(true);
    text->setMinimumWidth(Px(screenScale, 290));
    auto* ok = new QPushButton(Pick(captions::kOk, languageFlag), this);
    ok->setObjectName(QStringLiteral("CmdOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(count);
    row->addSpacing(Px(screenScale, 16));
    row->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Px(screenScale, 22), Px(screenScale, 20), Px(screenScale, 22), Px(screenScale, 16));
    layout->addLayout(row);
    layout->addSpacing(Px(screenScale, 10));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace plenum::ui
