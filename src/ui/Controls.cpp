#include "ui/Controls.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "ui/Theme.h"

namespace plenum::ui {

// ---- UCButton --------------------------------------------------------------------------------

UCButton::UCButton(Glyph glyph, Shape shape, double screenScale, QWidget* parent)
    : QAbstractButton(parent), glyph_(glyph), shape_(shape), scale_(screenScale), accent_(colours::kText) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void UCButton::setGlyph(Glyph glyph) {
    glyph_ = glyph;
    update();
}

void UCButton::setAccent(const QColor& accent) {
    accent_ = accent;
    update();
}

QSize UCButton::sizeHint() const {
    const QFontMetrics metrics(font());
    switch (shape_) {
        case Shape::Tool:
            return {std::max(Px(scale_, 58), metrics.horizontalAdvance(text()) + Px(scale_, 18)), Px(scale_, 54)};
        case Shape::Inline:
            return {metrics.horizontalAdvance(text()) + Px(scale_, glyph_ == Glyph::None ? 28 : 38), Px(scale_, 28)};
        case Shape::Icon: break;
    }
    return {Px(scale_, 28), Px(scale_, 28)};
}

void UCButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void UCButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void UCButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = shape_ == Shape::Tool ? QColor(Qt::transparent) : colours::kRaised;
    if (enabled && hovered_) fill = colours::kRaisedHover;
    if (enabled && isDown()) fill = colours::kBorder;
    const QColor border = enabled && (hovered_ || hasFocus()) ? accent_ : (shape_ == Shape::Tool ? QColor(Qt::transparent) : colours::kBorder);
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    const double radius = Px(scale_, 6);
    painter.drawRoundedRect(frame, radius, radius);

    const QColor iconColour = enabled ? accent_ : colours::kOffline;
    const QColor textColour = enabled ? colours::kText : colours::kOffline;
    painter.setPen(textColour);
    switch (shape_) {
        case Shape::Tool: {
            const double icon = Px(scale_, 24);
            PaintGlyph(painter, glyph_, QRectF((width() - icon) / 2, Px(scale_, 6), icon, icon), iconColour);
            painter.setPen(textColour);
            painter.drawText(QRectF(0, Px(scale_, 32), width(), Px(scale_, 18)), Qt::AlignCenter, text());
            break;
        }
        case Shape::Inline: {
            if (glyph_ == Glyph::None) {
                painter.drawText(rect(), Qt::AlignCenter, text());
                break;
            }
            const double icon = Px(scale_, 16);
            const double left = Px(scale_, 9);
            PaintGlyph(painter, glyph_, QRectF(left, (height() - icon) / 2, icon, icon), iconColour);
            painter.setPen(textColour);
            painter.drawText(QRectF(left + icon + Px(scale_, 6), 0, width(), height()), Qt::AlignVCenter | Qt::AlignLeft,
                             text());
            break;
        }
        case Shape::Icon: {
            const double icon = Px(scale_, 16);
            PaintGlyph(painter, glyph_, QRectF((width() - icon) / 2, (height() - icon) / 2, icon, icon), iconColour);
            break;
        }
    }
}

// ---- UCCombo ---------------------------------------------------------------------------------

UCCombo::UCCombo(double screenScale, QWidget* parent) : QComboBox(parent) {
    auto px = [screenScale](double v) { return QString::number(Px(screenScale, v)); };
    setStyleSheet(QStringLiteral("QComboBox { color: %1; background: %2; border: 1px solid %3; border-radius: %4px;"
                                 " padding: %5px %6px; min-height: %7px; }"
                                 "QComboBox:hover { border-color: %8; }"
                                 "QComboBox::drop-down { border: none; width: %9px; }"
                                 "QComboBox QAbstractItemView { color: %1; background: %2; border: 1px solid %3;"
                                 " selection-background-color: %8; }")
                      .arg(colours::kText.name(), colours::kWindow.name(), colours::kBorder.name(), px(5), px(3),
                           px(8), px(20), colours::kAccent.name(), px(20)));
}

void UCCombo::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    // The style sheet removes the platform arrow; draw a chevron that matches the line icons.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(isEnabled() ? colours::kTextDim : colours::kOffline, 1.6, Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    const QPointF centre(width() - height() / 2.0, height() / 2.0);
    const double half = height() / 9.0;
    painter.drawPolyline(QPolygonF{{centre + QPointF(-half, -half / 2), centre + QPointF(0, half / 2),
                                    centre + QPointF(half, -half / 2)}});
}

// ---- UCTextUpDown ----------------------------------------------------------------------------

UCTextUpDown::UCTextUpDown(int minimum, int maximum, double screenScale, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(maximum) {
    edit_ = new QLineEdit(this);
    edit_->setAlignment(Qt::AlignCenter);
    edit_->setMaxLength(3);
    auto px = [screenScale](double v) { return QString::number(Px(screenScale, v)); };
    edit_->setStyleSheet(QStringLiteral("QLineEdit { color: %1; background: %2; border: 1px solid %3;"
                                        " border-radius: %4px; padding: %5px; min-height: %6px; }"
                                        "QLineEdit:focus { border-color: %7; }")
                             .arg(colours::kText.name(), colours::kWindow.name(), colours::kBorder.name(), px(5),
                                  px(2), px(20), colours::kAccent.name()));
    auto makeStepper = [&](Qt::ArrowType arrow) {
        auto* button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(Px(screenScale, 16), Px(screenScale, 13));
        button->setStyleSheet(QStringLiteral("QToolButton { background: %1; border: 1px solid %2; border-radius: 3px; }"
                                             "QToolButton:hover { background: %3; }")
                                  .arg(colours::kRaised.name(), colours::kBorder.name(), colours::kRaisedHover.name()));
        return button;
    };
    up_ = makeStepper(Qt::UpArrow);
    down_ = makeStepper(Qt::DownArrow);
    auto* steppers = new QVBoxLayout;
    steppers->setSpacing(Px(screenScale, 1));
    steppers->addWidget(up_);
    steppers->addWidget(down_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Px(screenScale, 2));
    layout->addWidget(edit_, 1);
    layout->addLayout(steppers);
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
    connect(edit_, &QLineEdit::textEdited, this, &UCTextUpDown::onEdited);
}

bool UCTextUpDown::hasValue() const { return !edit_->text().isEmpty(); }

int UCTextUpDown::value() const { return edit_->text().toInt(); }

void UCTextUpDown::setValue(int value) {
    const int clamped = std::clamp(value, minimum_, maximum_);
    const QString text = QString::number(clamped);
    if (edit_->text() == text) return;
    edit_->setText(text);
    emit valueChanged(clamped);
}

void UCTextUpDown::typeText(const QString& text) {
    edit_->setText(text);
    onEdited(text);
}

void UCTextUpDown::onEdited(const QString& text) {
    const QString shown = filter_ ? filter_(text) : text;
    if (shown != text) {
        const int cursor = std::min(edit_->cursorPosition(), static_cast<int>(shown.size()));
        edit_->setText(shown);
        edit_->setCursorPosition(cursor);
    }
    if (!shown.isEmpty()) emit valueChanged(shown.toInt());
}

void UCTextUpDown::step(int delta) { setValue((hasValue() ? value() : minimum_ - delta) + delta); }

void UCTextUpDown::wheelEvent(QWheelEvent* event) {
    step(event->angleDelta().y() > 0 ? 1 : -1);
    event->accept();
}

DialogButtons MakeDialogButtons(QWidget* parent, double screenScale, const QString& okCaption, const QString& cancelCaption,
                                Glyph okGlyph, const QString& okName) {
    auto* ok = new UCButton(okGlyph, UCButton::Shape::Inline, screenScale, parent);
    ok->setObjectName(okName);
    ok->setText(okCaption);
    ok->setAccent(colours::kAccent);
    auto* cancel = new UCButton(Glyph::None, UCButton::Shape::Inline, screenScale, parent);
    cancel->setObjectName(QStringLiteral("CmdCancel"));
    cancel->setText(cancelCaption);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cancel);
    row->addWidget(ok);
    return {ok, cancel, row};
}

}  // namespace plenum::ui
