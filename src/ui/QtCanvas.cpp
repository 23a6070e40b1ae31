#include "ui/QtCanvas.h"

#include <QFontDatabase>
#include <algorithm>
#include <cmath>

namespace plenum::ui {

QtCanvas::QtCanvas(QPainter& painter, int width, int height) : painter_(painter), width_(width), height_(height) {
    painter_.setFont(GraphFont());
    painter_.setRenderHint(QPainter::Antialiasing, true);
}

QFont QtCanvas::GraphFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(10);
    return font;
}

void QtCanvas::Clear(Rgb background) { painter_.fillRect(0, 0, width_, height_, ToQColor(background)); }

void QtCanvas::SetPen(Rgb colour, int widthPx) {
    QPen pen(ToQColor(colour));
    pen.setWidthF(widthPx);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter_.setPen(pen);
}

void QtCanvas::Line(PointF from, PointF to) { painter_.drawLine(QPointF(from.x, from.y), QPointF(to.x, to.y)); }

void QtCanvas::Text(PointF topLeft, std::string_view text) {
    const QString string = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    painter_.drawText(QRectF(topLeft.x, topLeft.y, width_, height_), Qt::AlignLeft | Qt::AlignTop, string);
}

// A response curve has up to 6827 points on a few hundred pixel columns: up to 20 points share a
// column at the top of the axis, and a wide pen strokes every tiny segment (a 2-pixel curve costs
// tens of milliseconds). Each run of points within one column is reduced to its first, lowest,
// highest and last point, in their order along the curve: the same pixels, a few points a column.
void QtCanvas::Polyline(std::span<const PointF> points) {
    points_.clear();
    points_.reserve(std::min<std::size_t>(points.size(), 4 * static_cast<std::size_t>(width_) + 8));
    std::size_t i = 0;
    while (i < points.size()) {
        const double column = std::floor(points[i].x);
        std::size_t end = i + 1;
        std::size_t low = i, high = i;
        while (end < points.size() && std::floor(points[end].x) == column) {
            if (points[end].y < points[low].y) low = end;
            if (points[end].y > points[high].y) high = end;
            ++end;
        }
        std::size_t keep[] = {i, std::min(low, high), std::max(low, high), end - 1};
        std::size_t previous = points.size();
        for (const std::size_t k : keep) {
            if (k == previous) continue;
            points_.emplace_back(points[k].x, points[k].y);
            previous = k;
        }
        i = end;
    }
    painter_.drawPolyline(points_.data(), static_cast<int>(points_.size()));
}

}  // namespace plenum::ui
