// FrmDevice: one listed loudspeaker on the main window's grid. It renders the record (name, model,
// link and address, on-line state) and forwards the user's actions to the main window; it changes
// nothing itself.
#pragma once

#include <QFrame>

#include "core/AppContext.h"
#include "ui/logic/TileMeter.h"

class QLabel;
class QMenu;
class QPainter;

namespace plenum::ui {

class UCButton;

class DeviceTile final : public QFrame {
    Q_OBJECT
public:
    DeviceTile(const AppContext& ctx, int slot, QWidget* parent = nullptr);
    int slot() const { return slot_; }
    // Re-reads the record (and the language) and redraws.
    void refresh();
    bool showsOnline() const { return online_; }
    // The level indicator of an on-line device; repaints only when a bar or lamp changes.
    void setLevels(const TileLevels& levels);
    const TileLevels& levels() const { return levels_; }
    QString statusText() const;

    UCButton* connectButton() const { return connect_; }
    UCButton* editButton() const { return edit_; }
    UCButton* removeButton() const { return remove_; }
    UCButton* firmwareButton() const { return firmware_; }

    static QString MimeType() { return QStringLiteral("application/x-plenum-tile-slot"); }

    // The tile's menu (right click): on-line/off-line, compare with the device, and the lock
    // actions with the captions of the device's state ("Lock GUI" / "Unlock GUI", "Lock Panel" /
    // "Unlock Panel", "Admin Login" / "Admin Logout"), the three for an on-line device only.
    void fillMenu(QMenu& menu);

signals:
    void connectRequested(int slot);     // off-line: connect; on-line: disconnect
    void editRequested(int slot);
    void removeRequested(int slot);
    void firmwareRequested(int slot);
    void driftRequested(int slot);  // compare the project with the device
    void lockRequested(int slot, int mode);  // the password window in a device::LockMode

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void paintMeters(QPainter& painter);
    const AppContext& ctx_;
    int slot_;
    bool online_ = false;
    TileLevels levels_;
    QPoint pressPos_;
    QLabel* name_;
    QLabel* model_;
    QLabel* address_;
    QLabel* status_;
    UCButton* connect_;
    UCButton* edit_;
    UCButton* remove_;
    UCButton* firmware_;
};

}  // namespace plenum::ui
