#include "ui/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace plenum::ui {
namespace {

// Icons are drawn on a 24 x 24 design grid mapped into the box.
void MapToGrid(QPainter& painter, const QRectF& box) {
    const double side = std::min(box.width(), box.height());
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(side / 24.0, side / 24.0);
}

}  // namespace

void PaintGlyph(QPainter& painter, Glyph glyph, const QRectF& box, const QColor& colour) {
    if (glyph == Glyph::None) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    MapToGrid(painter, box);
    QPen pen(colour, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    switch (glyph) {
        case Glyph::Add:
            painter.drawRoundedRect(QRectF(5, 3, 11, 18), 2, 2);
            painter.drawEllipse(QPointF(10.5, 14.5), 3, 3);
            painter.drawEllipse(QPointF(10.5, 7.5), 1.5, 1.5);
            painter.drawLine(QPointF(19, 5), QPointF(19, 11));
            painter.drawLine(QPointF(16, 8), QPointF(22, 8));
            break;
        case Glyph::Search:
            painter.drawEllipse(QPointF(10, 10), 6, 6);
            painter.drawLine(QPointF(14.5, 14.5), QPointF(20, 20));
            break;
        case Glyph::Save:
            painter.drawLine(QPointF(12, 3), QPointF(12, 14));
            painter.drawPolyline(QPolygonF{{QPointF(7.5, 9.5), QPointF(12, 14), QPointF(16.5, 9.5)}});
            painter.drawPolyline(QPolygonF{{QPointF(4, 15), QPointF(4, 20), QPointF(20, 20), QPointF(20, 15)}});
            break;
        case Glyph::Open:
            painter.drawPolygon(QPolygonF{{QPointF(3, 6), QPointF(9, 6), QPointF(11, 8), QPointF(21, 8),
                                           QPointF(21, 19), QPointF(3, 19)}});
            painter.drawLine(QPointF(3, 11), QPointF(21, 11));
            break;
        case Glyph::Group:
            painter.drawRoundedRect(QRectF(2.5, 6, 6, 13), 1.5, 1.5);
            painter.drawRoundedRect(QRectF(15.5, 6, 6, 13), 1.5, 1.5);
            painter.drawRoundedRect(QRectF(9, 12, 6, 7), 1.5, 1.5);
            painter.drawLine(QPointF(5.5, 3.5), QPointF(18.5, 3.5));
            break;
        case Glyph::Connect:
            painter.drawLine(QPointF(12, 2.5), QPointF(12, 11));
            painter.drawArc(QRectF(4.5, 4.5, 15, 15), 120 * 16, -240 * 16);
            break;
        case Glyph::Disconnect:
            painter.drawLine(QPointF(12, 2.5), QPointF(12, 11));
            painter.drawArc(QRectF(4.5, 4.5, 15, 15), 120 * 16, -240 * 16);
            painter.drawLine(QPointF(4, 4), QPointF(20, 20));
            break;
        case Glyph::Edit:  // three faders
            for (int i = 0; i < 3; ++i) {
                const double x = 6 + 6 * i;
                const double knob = i == 0 ? 8 : (i == 1 ? 15 : 11);
                painter.drawLine(QPointF(x, 3), QPointF(x, 21));
                painter.save();
                painter.setBrush(colour);
                painter.drawRoundedRect(QRectF(x - 2.5, knob - 1.5, 5, 3), 1, 1);
                painter.restore();
            }
            break;
        case Glyph::Remove:
            painter.drawLine(QPointF(4, 6), QPointF(20, 6));
            painter.drawLine(QPointF(9.5, 6), QPointF(10, 3.5));
            painter.drawLine(QPointF(10, 3.5), QPointF(14, 3.5));
            painter.drawLine(QPointF(14, 3.5), QPointF(14.5, 6));
            painter.drawPolyline(QPolygonF{{QPointF(6, 6), QPointF(7, 21), QPointF(17, 21), QPointF(18, 6)}});
            painter.drawLine(QPointF(10, 10), QPointF(10, 17));
            painter.drawLine(QPointF(14, 10), QPointF(14, 17));
            break;
        case Glyph::Firmware:
            painter.drawRoundedRect(QRectF(6, 6, 12, 12), 1.5, 1.5);
            for (int i = 0; i < 3; ++i) {
                const double p = 9 + 3 * i;
                painter.drawLine(QPointF(p, 2.5), QPointF(p, 6));
                painter.drawLine(QPointF(p, 18), QPointF(p, 21.5));
                painter.drawLine(QPointF(2.5, p), QPointF(6, p));
                painter.drawLine(QPointF(18, p), QPointF(21.5, p));
            }
            break;
        case Glyph::Grip:
            painter.setBrush(colour);
            painter.setPen(Qt::NoPen);
            for (int row = 0; row < 3; ++row)
                for (int column = 0; column < 2; ++column)
                    painter.drawEllipse(QPointF(9 + 6 * column, 6 + 6 * row), 1.3, 1.3);
            break;
        case Glyph::None: break;
    }
    painter.restore();
}

void PaintCabinet(QPainter& painter, bool subwoofer, const QRectF& box, const QColor& accent, bool online) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double height = box.height();
    const double width = subwoofer ? height * 0.95 : height * 0.58;
    const QRectF cabinet(box.center().x() - width / 2, box.top(), width, height);
    QLinearGradient body(cabinet.topLeft(), cabinet.bottomRight());
    body.setColorAt(0, QColor(0x2f, 0x35, 0x40));
    body.setColorAt(1, QColor(0x1a, 0x1e, 0x24));
    painter.setPen(QPen(QColor(0x44, 0x4b, 0x58), 1));
    painter.setBrush(body);
    painter.drawRoundedRect(cabinet, width * 0.08, width * 0.08);

    auto driver = [&](QPointF centre, double radius) {
        QRadialGradient cone(centre, radius);
        cone.setColorAt(0, QColor(0x3a, 0x41, 0x4d));
        cone.setColorAt(0.75, QColor(0x12, 0x15, 0x1a));
        cone.setColorAt(1, QColor(0x50, 0x58, 0x66));
        painter.setPen(QPen(QColor(0x55, 0x5d, 0x6b), 1));
        painter.setBrush(cone);
        painter.drawEllipse(centre, radius, radius);
        painter.setBrush(QColor(0x22, 0x26, 0x2d));
        painter.drawEllipse(centre, radius * 0.28, radius * 0.28);
    };
    if (subwoofer) {
        driver(cabinet.center() + QPointF(0, -height * 0.03), width * 0.38);
    } else {
        driver(QPointF(cabinet.center().x(), cabinet.top() + height * 0.27), width * 0.22);
        driver(QPointF(cabinet.center().x(), cabinet.top() + height * 0.64), width * 0.36);
    }
    // The power lamp: lit in the family colour while the device is on-line.
    const QPointF lamp(cabinet.center().x(), cabinet.bottom() - height * 0.07);
    painter.setPen(Qt::NoPen);
    painter.setBrush(online ? accent : QColor(0x44, 0x4b, 0x58));
    painter.drawEllipse(lamp, height * 0.025, height * 0.025);
    painter.restore();
}

}  // namespace plenum::ui
