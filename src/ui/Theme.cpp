#include "ui/Theme.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>
#include <QStyleFactory>
#include <cmath>

namespace plenum::ui {
namespace {

// Preferred families in order: the CJK family carries matching Latin glyphs, so one family
// serves both languages; the others are fallbacks.
QStringList FontFamilies() {
    QStringList wanted{"Noto Sans CJK SC", "Noto Sans SC", "Source Han Sans SC", "Microsoft YaHei", "PingFang SC",
                       "DejaVu Sans"};
    const QStringList installed = QFontDatabase::families();
    QStringList chosen;
    for (const QString& family : wanted)
        if (installed.contains(family)) chosen << family;
    return chosen;
}

QString StyleSheet(double scale) {
    auto px = [scale](double v) { return QString::number(Px(scale, v)); };
    return QStringLiteral(
               "QToolTip { color: %1; background: %2; border: 1px solid %3; padding: %4px; }"
               "QMessageBox, QDialog, QProgressDialog { background: %5; }"
               "QMessageBox QLabel { color: %1; }"
               "QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: %6px;"
               "  padding: %6px %7px; min-width: %8px; }"
               "QPushButton:hover { background: %9; }"
               "QPushButton:default { border-color: %10; }"
               "QScrollArea { border: none; background: %11; }"
               "QScrollBar:vertical, QScrollBar:horizontal { background: %5; width: %12px; height: %12px; }"
               "QScrollBar::handle { background: %3; border-radius: %13px; min-height: %14px; min-width: %14px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
               "QStatusBar { color: %15; background: %5; border-top: 1px solid %3; }"
               "QStatusBar::item { border: none; }"
               "QRadioButton, QCheckBox { color: %1; spacing: %6px; }"
               "QMenu { color: %1; background: %2; border: 1px solid %3; }"
               "QMenu::item:selected { background: %9; }")
        .arg(colours::kText.name(), colours::kRaised.name(), colours::kBorder.name(), px(4), colours::kPanel.name(),
             px(4), px(14), px(64), colours::kRaisedHover.name(), colours::kAccent.name(), colours::kWindow.name())
        .arg(px(10), px(4), px(24), colours::kTextDim.name());
}

}  // namespace

int Px(double screenScale, double pixelsAt96Dpi) { return static_cast<int>(std::lround(pixelsAt96Dpi * screenScale)); }

int TwipsToPx(double screenScale, int twips) { return static_cast<int>(std::lround(twips / 15.0 * screenScale)); }

QFont UiFont(double screenScale, double pointSize, bool bold) {
    QFont font;
    const QStringList families = FontFamilies();
    if (!families.isEmpty()) font.setFamilies(families);
    // Point sizes follow the display's own dpi already; the scale only matters for pixel layouts,
    // so fonts are given in pixels to keep them in step with the scaled geometry.
    font.setPixelSize(Px(screenScale, pointSize * 96.0 / 72.0));
    font.setBold(bold);
    return font;
}

void ApplyTheme(QApplication& app, double screenScale) {
    app.setStyle(QStyleFactory::create("Fusion"));
    QPalette palette;
    palette.setColor(QPalette::Window, colours::kPanel);
    palette.setColor(QPalette::WindowText, colours::kText);
    palette.setColor(QPalette::Base, colours::kWindow);
    palette.setColor(QPalette::AlternateBase, colours::kRaised);
    palette.setColor(QPalette::Text, colours::kText);
    palette.setColor(QPalette::Button, colours::kRaised);
    palette.setColor(QPalette::ButtonText, colours::kText);
    palette.setColor(QPalette::Highlight, colours::kAccent);
    palette.setColor(QPalette::HighlightedText, QColor(Qt::white));
    palette.setColor(QPalette::ToolTipBase, colours::kRaised);
    palette.setColor(QPalette::ToolTipText, colours::kText);
    palette.setColor(QPalette::PlaceholderText, colours::kTextDim);
    palette.setColor(QPalette::Disabled, QPalette::Text, colours::kOffline);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, colours::kOffline);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, colours::kOffline);
    app.setPalette(palette);
    app.setFont(UiFont(screenScale, 9.5));
    app.setStyleSheet(StyleSheet(screenScale));
}

QString WithLineBreaks(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

}  // namespace plenum::ui
