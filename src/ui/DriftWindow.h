// The drift window: does every loudspeaker still play what the project says? "Compare" reads the
// chosen devices into snapshots on the communication thread and lists each parameter (by its
// plenumctl name) whose bytes differ, with the project's and the device's value in units (dB, ms,
// Hz, band fields); per row "keep project" sends the project's value, "take device" takes the
// device's into the project. Opened from a tile (one slot) or from a group window (its members).
#pragma once

#include <QWidget>
#include <vector>

#include "device/Drift.h"
#include "ui/CommThread.h"

class QLabel;
class QTableWidget;

namespace plenum::ui {

class DriftWindow final : public QWidget {
    Q_OBJECT
public:
    DriftWindow(AppContext& ctx, CommThread& thread, std::vector<int> targets, EditWindowRefresher* windows = nullptr,
                QWidget* parent = nullptr);

    // Posts the comparison; the table fills when it is done.
    void compare();
    // A row's resolution, posted to the communication thread; the row goes when it is done.
    void keepProject(int row);
    void takeDevice(int row);

    struct Row {
        int slot;
        const device::NamedParam* param;
        device::DeviceSnapshot snapshot;
        std::string projectValue;  // as plenumctl get prints it
        std::string deviceValue;
    };
    const std::vector<Row>& rows() const { return rows_; }
    QTableWidget* table() const { return table_; }
    QString status() const;

signals:
    void compared();
    void resolved(int slot, const QString& param);

private:
    void fill();
    void dropRow(int row);
    void showSummary();

    AppContext& ctx_;
    CommThread& thread_;
    std::vector<int> slots_;
    EditWindowRefresher* windows_;
    std::vector<Row> rows_;
    std::vector<int> offline_;  // chosen devices that were not compared
    QTableWidget* table_;
    QLabel* status_;
};

}  // namespace plenum::ui
