// The application's own controls: a button (UCButton), a combo box (UCCombo) and a numeric box
// with up/down steppers (UCTextUpDown). All are dark, flat and sized from ScreenScale.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QHBoxLayout>
#include <QWidget>
#include <functional>

#include "ui/Glyphs.h"

class QLineEdit;
class QToolButton;

namespace plenum::ui {

class UCButton : public QAbstractButton {
    Q_OBJECT
public:
    // Tool: icon above a short caption (the main tool area). Inline: icon left of the caption.
    // Icon: a square icon-only button (tile actions).
    enum class Shape { Tool, Inline, Icon };

    UCButton(Glyph glyph, Shape shape, double screenScale, QWidget* parent = nullptr);
    void setGlyph(Glyph glyph);
    // The colour of the icon and of the hover frame; the caption stays in the text colour.
    void setAccent(const QColor& accent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Glyph glyph_;
    Shape shape_;
    double scale_;
    QColor accent_;
    bool hovered_ = false;
};

class UCCombo : public QComboBox {
    Q_OBJECT
public:
    explicit UCCombo(double screenScale, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// An integer box with steppers. Each edit is passed through the filter (when set), which returns
// the text the box shows instead; the steppers and the mouse wheel move within [minimum, maximum].
class UCTextUpDown : public QWidget {
    Q_OBJECT
public:
    UCTextUpDown(int minimum, int maximum, double screenScale, QWidget* parent = nullptr);
    void setFilter(std::function<QString(const QString&)> filter) { filter_ = std::move(filter); }
    int value() const;
    bool hasValue() const;
    void setValue(int value);
    QLineEdit* edit() const { return edit_; }
    // Types text into the box as the user would, through the filter.
    void typeText(const QString& text);

signals:
    void valueChanged(int value);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void step(int delta);
    void onEdited(const QString& text);

    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
    int minimum_;
    int maximum_;
    std::function<QString(const QString&)> filter_;
};

// The row every dialog ends with: Cancel, then the accented action button, right-aligned.
struct DialogButtons {
    UCButton* ok;
    UCButton* cancel;
    QHBoxLayout* row;
};
DialogButtons MakeDialogButtons(QWidget* parent, double screenScale, const QString& okCaption, const QString& cancelCaption,
                                Glyph okGlyph, const QString& okName = QStringLiteral("CmdOk"));

}  // namespace plenum::ui
