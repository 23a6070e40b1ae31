// The look of the desktop application: a dark, low-glare palette for dim venues and control
// rooms, one accent per device family, status colours that read at a glance, and every size
// scaled by ScreenScale so the windows keep their proportions on high-dpi displays.
#pragma once

#include <QColor>
#include <QString>

#include "core/Texts.h"

class QApplication;
class QFont;

namespace plenum::ui {

namespace colours {
inline const QColor kWindow{0x16, 0x19, 0x1e};
inline const QColor kPanel{0x1e, 0x22, 0x29};
inline const QColor kRaised{0x27, 0x2c, 0x35};
inline const QColor kRaisedHover{0x31, 0x37, 0x42};
inline const QColor kBorder{0x38, 0x3f, 0x4b};
inline const QColor kText{0xe6, 0xe9, 0xef};
inline const QColor kTextDim{0x95, 0x9e, 0xab};
inline const QColor kAccent{0x3b, 0xa7, 0xff};
inline const QColor kSat{0x38, 0xbd, 0xf8};
inline const QColor kSub{0xf5, 0x9e, 0x0b};
inline const QColor kOnline{0x22, 0xc5, 0x5e};
inline const QColor kOffline{0x6b, 0x72, 0x80};
inline const QColor kDanger{0xef, 0x44, 0x44};
}  // namespace colours

// Pixels at 96 dpi scaled to the display.
int Px(double screenScale, double pixelsAt96Dpi);
// One twip is 1/1440 inch: 15 twips make a pixel at 96 dpi.
int TwipsToPx(double screenScale, int twips);

// Installs the palette, the style sheet and the font (a family that carries both Latin and CJK
// glyphs, so Chinese renders on every platform that has it).
void ApplyTheme(QApplication& app, double screenScale);
QFont UiFont(double screenScale, double pointSize, bool bold = false);

inline QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
inline QString Pick(const Bilingual& text, int languageFlag) { return Q(text.pick(languageFlag)); }
// Message texts use CR LF line breaks; widgets want LF.
QString WithLineBreaks(QString text);

}  // namespace plenum::ui
