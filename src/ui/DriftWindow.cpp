#include "ui/DriftWindow.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace plenum::ui {
namespace {

QString Bytes(const std::vector<std::uint8_t>& bytes) {
    QString text;
    for (const std::uint8_t b : bytes) text += QString("%1 ").arg(b, 2, 16, QChar('0')).toUpper();
    return text.trimmed();
}

// The bytes of a parameter (masked to its bits) in the given records.
std::vector<std::uint8_t> ValueBytes(const device::NamedParam& param, std::span<const std::uint8_t> program,
                                     const DeviceStatusRecord& status) {
    std::vector<std::uint8_t> out;
    for (const CarriedByte& byte : param.image) out.push_back(program[static_cast<std::size_t>(byte.offset)] & byte.mask);
    for (const int offset : param.status) out.push_back(status[static_cast<std::size_t>(offset)]);
    return out;
}

}  // namespace

DriftWindow::DriftWindow(AppContext& ctx, CommThread& thread, std::vector<int> targets, EditWindowRefresher* windows,
                         QWidget* parent)
    : QWidget(parent), ctx_(ctx), thread_(thread), slots_(std::move(targets)), windows_(windows) {
    setObjectName("FrmDrift");
    setWindowTitle("Project / Device");
    auto* layout = new QVBoxLayout(this);
    auto* compareButton = new QPushButton("Compare", this);
    compareButton->setObjectName("ButtonCompare");
    table_ = new QTableWidget(0, 6, this);
    table_->setObjectName("TableDrift");
    table_->setHorizontalHeaderLabels({"Device", "Parameter", "Project", "Device value", "", ""});
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(compareButton);
    layout->addWidget(table_);
    connect(compareButton, &QPushButton::clicked, this, &DriftWindow::compare);
}

void DriftWindow::compare() {
    const std::vector<int> targets = slots_;
    thread_.post(
        this,
        [&ctx = ctx_, &comm = thread_.comm(), targets] {
            std::vector<Row> found;
            for (const int slot : targets) {
                if (!ctx.device(slot).isPresent() || !ctx.device(slot).isConnected()) continue;
                const auto snapshot = device::ReadSnapshot(comm, slot);
                if (!snapshot) continue;
                for (const auto* param : device::CompareWithSnapshot(ctx, slot, *snapshot))
                    found.push_back({slot, param, *snapshot});
            }
            return found;
        },
        [this](std::vector<Row> found) {
            rows_ = std::move(found);
            fill();
            emit compared();
        });
}

void DriftWindow::fill() {
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        const int r = static_cast<int>(i);
        const auto index = static_cast<std::size_t>(row.slot);
        const std::span<const std::uint8_t> project =
            ctx_.device(row.slot).isSub() ? std::span<const std::uint8_t>(ctx_.subImage[index].bytes)
                                          : std::span<const std::uint8_t>(ctx_.satImage[index].bytes);
        table_->setItem(r, 0, new QTableWidgetItem(QString("%1 %2").arg(row.slot).arg(QString::fromStdString(ctx_.device(row.slot).DeviceName))));
        table_->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(row.param->name)));
        table_->setItem(r, 2, new QTableWidgetItem(Bytes(ValueBytes(*row.param, project, ctx_.statusOf(row.slot)))));
        table_->setItem(r, 3, new QTableWidgetItem(Bytes(ValueBytes(*row.param, row.snapshot.program, row.snapshot.status))));
        auto* keep = new QPushButton("keep project", table_);
        auto* take = new QPushButton("take device", table_);
        keep->setObjectName(QString("ButtonKeep%1").arg(r));
        take->setObjectName(QString("ButtonTake%1").arg(r));
        table_->setCellWidget(r, 4, keep);
        table_->setCellWidget(r, 5, take);
        connect(keep, &QPushButton::clicked, this, [this, r] { keepProject(r); });
        connect(take, &QPushButton::clicked, this, [this, r] { takeDevice(r); });
    }
}

void DriftWindow::dropRow(int row) {
    const Row done = rows_[static_cast<std::size_t>(row)];
    rows_.erase(rows_.begin() + row);
    fill();
    emit resolved(done.slot, QString::fromStdString(done.param->name));
}

void DriftWindow::keepProject(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    const Row& chosen = rows_[static_cast<std::size_t>(row)];
    const auto sends = device::PrepareProjectToDevice(ctx_, chosen.slot, {chosen.param});
    thread_.post(
        this, [&comm = thread_.comm(), sends] {
            for (const LinkedSend& send : sends) SendPrepared(comm, send.slot, send.command);
        },
        [this, row] { dropRow(row); });
}

void DriftWindow::takeDevice(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    const Row chosen = rows_[static_cast<std::size_t>(row)];
    // The records are written by a job, where the worker is their only writer.
    thread_.post(
        this, [&ctx = ctx_, chosen] { device::TakeFromDevice(ctx, chosen.slot, chosen.snapshot, {chosen.param}); },
        [this, row, slot = chosen.slot] {
            RefreshOpenWindow(ctx_, windows_, slot);
            dropRow(row);
        });
}

}  // namespace plenum::ui
