#include "ui/QtCanvas.h"

#include <QFontDatabase>

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

void QtCanvas::Polyline(std::span<const PointF> points) {
    points_.clear();
    points_.reserve(points.size());
    for (const auto& p : points) points_.emplace_back(p.x, p.y);
    painter_.drawPolyline(points_.data(), static_cast<int>(points_.size()));
}

}  // namespace plenum::ui
