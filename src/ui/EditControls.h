// The widgets of the edit windows that the application's own controls do not cover: the vertical
// fader with its 400..2360 track, and the vertical level meters with their clip/limit lamps and
// the front panel's status.
#pragma once

#include <QWidget>
#include <vector>

#include "sat/ParamCommands.h"
#include "dsp/Meters.h"

namespace plenum::ui {

// A vertical fader. The pointer's height maps onto the device's track units 400 (top) .. 2360
// (bottom); the window turns those into fader steps. Press, every move with the button held,
// release and double-click are reported as they come.
class EditFader final : public QWidget {
    Q_OBJECT
public:
    EditFader(double screenScale, QWidget* parent = nullptr);
    // The knob's position in track units.
    void setTrack(int trackY);
    int track() const { return track_; }
    // The widget's y for a track position, and back.
    int yOfTrack(int trackY) const;
    int trackOfY(int y) const;
    QSize sizeHint() const override;

signals:
    void pressed(int trackY);
    void moved(int trackY);
    void released();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int margin() const;
    double scale_;
    int track_ = 400;
    bool held_ = false;
};

// The edit window's meters: one vertical bar per level row (MeterBarTop over the bar's height),
// a lamp per group lit while any of its level bytes carries the indicator bit, the groups'
// names below, and the panel status of the device's last meter reply.
class EditMeters final : public QWidget {
    Q_OBJECT
public:
    struct Group {
        QString name;
        std::vector<int> rows;  // meter table rows, one bar each
        QString lamp;           // "CLIP" or "LIM"
    };
    EditMeters(const MeterTable* table, int slot, DeviceKind kind, double screenScale, QWidget* parent = nullptr);
    // Re-reads the device's column of the meter table.
    void refresh();
    // The bar's top in track units (0 full .. 1530 empty) as drawn now.
    int barTop(int row) const;
    bool lampLit(int group) const;
    QString panelText() const { return panelText_; }
    const std::vector<Group>& groups() const { return groups_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const MeterTable* table_;
    int slot_;
    double scale_;
    std::vector<Group> groups_;
    QString panelText_;
};

}  // namespace plenum::ui
