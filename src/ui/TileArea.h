// The main window's client area: the 10 x 10 grid of tile positions (position p at column p mod 10,
// row p div 10; a cell is 2500 x 3600 twips) holding one FrmDevice per listed device. Dropping a
// dragged tile on a free cell asks the main window to move it there.
#pragma once

#include <QWidget>
#include <functional>
#include <map>

#include "core/AppContext.h"

namespace plenum::ui {

class DeviceTile;

class TileArea final : public QWidget {
    Q_OBJECT
public:
    explicit TileArea(const AppContext& ctx, QWidget* parent = nullptr);

    DeviceTile* addTile(int slot);
    void removeTile(int slot);
    void removeAll();
    DeviceTile* tile(int slot) const;
    int tileCount() const { return static_cast<int>(tiles_.size()); }
    // Moves every tile to the cell its record names and redraws them.
    void refreshAll();
    void placeTile(int slot);

    QSize cellSize() const;
    // The grid position under a point of the area (0..99).
    int positionAt(QPoint point) const;
    QPoint originOf(int position) const;
    void setEmptyHint(const QString& hint);
    // Called once, after the first paint (start-up timing).
    void setFirstPaintHook(std::function<void()> hook) { firstPaint_ = std::move(hook); }

signals:
    void tileDropped(int slot, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void updateMinimumSize();

    const AppContext& ctx_;
    std::map<int, DeviceTile*> tiles_;
    QString emptyHint_;
    int dropHighlight_ = -1;
    std::function<void()> firstPaint_;
};

}  // namespace plenum::ui
