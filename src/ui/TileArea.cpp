#include "ui/TileArea.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

#include "core/Registry.h"
#include "ui/DeviceTile.h"
#include "ui/Theme.h"

namespace plenum::ui {
namespace {

constexpr int kGridColumns = 10;
constexpr int kGridRows = 10;
constexpr int kMargin = 12;  // pixels at 96 dpi around the grid

int SlotOf(const QMimeData* mime) {
    if (!mime->hasFormat(DeviceTile::MimeType())) return -1;
    bool ok = false;
    const int slot = mime->data(DeviceTile::MimeType()).toInt(&ok);
    return ok ? slot : -1;
}

}  // namespace

TileArea::TileArea(const AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("TileArea"));
    setAcceptDrops(true);
    setAutoFillBackground(false);
    updateMinimumSize();
}

QSize TileArea::cellSize() const { return {TwipsToPx(ctx_.ScreenScale, 2500), TwipsToPx(ctx_.ScreenScale, 3600)}; }

QPoint TileArea::originOf(int position) const {
    const TileOrigin origin = TileOriginOf(position);
    const int margin = Px(ctx_.ScreenScale, kMargin);
    return {margin + TwipsToPx(ctx_.ScreenScale, origin.xTwips), margin + TwipsToPx(ctx_.ScreenScale, origin.yTwips)};
}

int TileArea::positionAt(QPoint point) const {
    const int margin = Px(ctx_.ScreenScale, kMargin);
    const QSize cell = cellSize();
    const int column = std::clamp((point.x() - margin) / cell.width(), 0, kGridColumns - 1);
    const int row = std::clamp((point.y() - margin) / cell.height(), 0, kGridRows - 1);
    return row * kGridColumns + column;
}

DeviceTile* TileArea::addTile(int slot) {
    removeTile(slot);
    auto* tile = new DeviceTile(ctx_, slot, this);
    tiles_[slot] = tile;
    placeTile(slot);
    tile->show();
    updateMinimumSize();
    update();
    return tile;
}

void TileArea::removeTile(int slot) {
    const auto it = tiles_.find(slot);
    if (it == tiles_.end()) return;
    it->second->hide();
    it->second->deleteLater();
    tiles_.erase(it);
    updateMinimumSize();
    update();
}

void TileArea::removeAll() {
    while (!tiles_.empty()) removeTile(tiles_.begin()->first);
}

DeviceTile* TileArea::tile(int slot) const {
    const auto it = tiles_.find(slot);
    return it == tiles_.end() ? nullptr : it->second;
}

void TileArea::placeTile(int slot) {
    DeviceTile* tile = this->tile(slot);
    if (!tile) return;
    const int position = ctx_.device(slot).TilePos;
    const QSize cell = cellSize();
    const QPoint origin = originOf(position >= 0 && position < 100 ? position : 0);
    tile->move(origin + QPoint((cell.width() - tile->width()) / 2, (cell.height() - tile->height()) / 2));
}

void TileArea::refreshAll() {
    for (auto& [slot, tile] : tiles_) {
        placeTile(slot);
        tile->refresh();
    }
    updateMinimumSize();
    update();
}

void TileArea::setEmptyHint(const QString& hint) {
    emptyHint_ = hint;
    update();
}

void TileArea::updateMinimumSize() {
    // Wide and tall enough for every occupied cell plus one spare column and row to drop into.
    int columns = 5, rows = 4;
    for (const auto& [slot, tile] : tiles_) {
        const int position = ctx_.device(slot).TilePos;
        if (position < 0 || position > 99) continue;
        columns = std::max(columns, position % kGridColumns + 2);
        rows = std::max(rows, position / kGridColumns + 2);
    }
    columns = std::min(columns, kGridColumns);
    rows = std::min(rows, kGridRows);
    const int margin = Px(ctx_.ScreenScale, kMargin);
    setMinimumSize(2 * margin + columns * cellSize().width(), 2 * margin + rows * cellSize().height());
}

void TileArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), colours::kWindow);
    // Faint cell corners show where a dragged tile can land.
    painter.setPen(QPen(QColor(0x2a, 0x30, 0x3a), Px(ctx_.ScreenScale, 2)));
    const QSize cell = cellSize();
    for (int row = 0; row <= kGridRows; ++row)
        for (int column = 0; column <= kGridColumns; ++column) {
            const QPoint corner = originOf(0) + QPoint(column * cell.width(), row * cell.height());
            if (corner.x() > width() || corner.y() > height()) continue;
            painter.drawPoint(corner);
        }
    if (dropHighlight_ >= 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colours::kAccent, 1.5, Qt::DashLine));
        painter.setBrush(QColor(colours::kAccent.red(), colours::kAccent.green(), colours::kAccent.blue(), 25));
        const QRect box(originOf(dropHighlight_), cell);
        painter.drawRoundedRect(QRectF(box).adjusted(4, 4, -4, -4), 8, 8);
    }
    if (tiles_.empty() && !emptyHint_.isEmpty()) {
        painter.setPen(colours::kTextDim);
        painter.setFont(UiFont(ctx_.ScreenScale, 11));
        painter.drawText(rect(), Qt::AlignCenter, emptyHint_);
    }
    if (firstPaint_) {
        auto hook = std::move(firstPaint_);
        firstPaint_ = nullptr;
        hook();
    }
}

void TileArea::dragEnterEvent(QDragEnterEvent* event) {
    if (SlotOf(event->mimeData()) >= 0) event->acceptProposedAction();
}

void TileArea::dragMoveEvent(QDragMoveEvent* event) {
    if (SlotOf(event->mimeData()) < 0) return;
    // The cell under the dragged tile's centre, not under the mouse pointer.
    const QPoint hotSpot = event->mimeData()->property("hotSpot").toPoint();
    const QPoint centre = event->position().toPoint() - hotSpot + QPoint(cellSize().width() / 2, cellSize().height() / 2);
    dropHighlight_ = positionAt(centre);
    event->acceptProposedAction();
    update();
}

void TileArea::dropEvent(QDropEvent* event) {
    const int slot = SlotOf(event->mimeData());
    const int position = dropHighlight_ >= 0 ? dropHighlight_ : positionAt(event->position().toPoint());
    dropHighlight_ = -1;
    update();
    if (slot < 0) return;
    event->acceptProposedAction();
    emit tileDropped(slot, position);
}

}  // namespace plenum::ui
