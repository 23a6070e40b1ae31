// Line icons drawn with QPainter, so they stay sharp at every ScreenScale and need no image files.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace plenum::ui {

enum class Glyph { None, Add, Search, Save, Open, Group, Connect, Disconnect, Edit, Remove, Firmware, Grip };

void PaintGlyph(QPainter& painter, Glyph glyph, const QRectF& box, const QColor& colour);

// The front of a loudspeaker cabinet: a tall two-way box for a satellite, a square box with one
// large driver for a subwoofer.
void PaintCabinet(QPainter& painter, bool subwoofer, const QRectF& box, const QColor& accent, bool online);

}  // namespace plenum::ui
