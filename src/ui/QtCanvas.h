// The graphs' drawing surface on a QPainter: what the response graphs look like on screen.
// Text uses a small fixed-pitch font whose cell is close to the 6 x 8 pixels the graph geometry
// reserves for its labels.
#pragma once

#include <QFont>
#include <QPainter>
#include <vector>

#include "dsp/Canvas.h"

namespace plenum::ui {

class QtCanvas : public Canvas {
public:
    // Paints through `painter` (owned by the caller, active) on a surface of the given size.
    QtCanvas(QPainter& painter, int width, int height);

    int width() const override { return width_; }
    int height() const override { return height_; }
    void Clear(Rgb background) override;
    void SetPen(Rgb colour, int widthPx) override;
    void Line(PointF from, PointF to) override;
    void Text(PointF topLeft, std::string_view text) override;
    void Polyline(std::span<const PointF> points) override;

    static QFont GraphFont();

private:
    QPainter& painter_;
    int width_, height_;
    std::vector<QPointF> points_;
};

inline QColor ToQColor(Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

}  // namespace plenum::ui
