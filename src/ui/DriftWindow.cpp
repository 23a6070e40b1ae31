#include "ui/DriftWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

#include "core/Registry.h"
#include "device/ParamValues.h"
#include "ui/Theme.h"
#include "ui/UiTexts.h"

namespace plenum::ui {

DriftWindow::DriftWindow(AppContext& ctx, CommThread& thread, std::vector<int> targets, EditWindowRefresher* windows,
                         QWidget* parent)
    : QWidget(parent), ctx_(ctx), thread_(thread), slots_(std::move(targets)), windows_(windows) {
    const int lang = ctx_.LanguageFlag;
    setObjectName("FrmDrift");
    setWindowTitle(Pick(captions::kDriftTitle, lang));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    status_ = new QLabel(this);
    status_->setObjectName("LabelDriftStatus");
    auto* compareButton = new QPushButton(Pick(captions::kDriftCompare, lang), this);
    compareButton->setObjectName("ButtonCompare");
    top->addWidget(status_, 1);
    top->addWidget(compareButton);
    table_ = new QTableWidget(0, 6, this);
    table_->setObjectName("TableDrift");
    table_->setHorizontalHeaderLabels({Pick(captions::kDriftDevice, lang), Pick(captions::kDriftParam, lang),
                                       Pick(captions::kDriftProject, lang), Pick(captions::kDriftDeviceValue, lang),
                                       QString(), QString()});
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    table_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    layout->addLayout(top);
    layout->addWidget(table_);
    connect(compareButton, &QPushButton::clicked, this, &DriftWindow::compare);
}

QString DriftWindow::status() const { return status_->text(); }

void DriftWindow::compare() {
    const std::vector<int> targets = slots_;
    status_->setText(Pick(captions::kDriftReading, ctx_.LanguageFlag));
    struct Found {
        std::vector<Row> rows;
        std::vector<int> offline;
    };
    thread_.post(
        this,
        [&ctx = ctx_, &comm = thread_.comm(), targets] {
            Found found;
            for (const int slot : targets) {
                if (!ctx.device(slot).isPresent() || !ctx.device(slot).isConnected()) {
                    found.offline.push_back(slot);
                    continue;
                }
                const auto snapshot = device::ReadSnapshot(comm, slot);
                if (!snapshot) {
                    found.offline.push_back(slot);
                    continue;
                }
                const auto differing = device::CompareWithSnapshot(ctx, slot, *snapshot);
                if (differing.empty()) continue;
                // The device's side read with the same code as the project's: a copy of the records
                // holding the snapshot.
                auto deviceSide = std::make_unique<AppContext>(ctx);
                device::ApplySnapshot(*deviceSide, slot, *snapshot);
                for (const auto* param : differing) {
                    // A plain value carries its unit: "-4.8 dB", "12.5 ms".
                    const std::string_view unit = device::ParamUnit(param->name);
                    auto text = [&](const AppContext& records) {
                        std::string value = device::ParamValueText(device::ParamValue(records, slot, param->name));
                        return unit.empty() ? value : value + " " + std::string(unit);
                    };
                    found.rows.push_back({slot, param, *snapshot, text(ctx), text(*deviceSide)});
                }
            }
            return found;
        },
        [this](Found found) {
            rows_ = std::move(found.rows);
            offline_ = std::move(found.offline);
            fill();
            emit compared();
        });
}

void DriftWindow::showSummary() {
    const int lang = ctx_.LanguageFlag;
    QString text = rows_.empty() ? Pick(captions::kDriftNone, lang)
                                 : Q(FillText(captions::kDriftFound.pick(lang), {std::to_string(rows_.size())}));
    for (const int slot : offline_) text += QStringLiteral("   ") + Q(FillText(captions::kDriftOffline.pick(lang), {DisplayName(ctx_, slot)}));
    status_->setText(text);
}

void DriftWindow::fill() {
    const int lang = ctx_.LanguageFlag;
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        const int r = static_cast<int>(i);
        table_->setItem(r, 0, new QTableWidgetItem(QString("%1  %2").arg(row.slot).arg(Q(DisplayName(ctx_, row.slot)))));
        table_->setItem(r, 1, new QTableWidgetItem(Q(row.param->name)));
        table_->setItem(r, 2, new QTableWidgetItem(Q(row.projectValue)));
        table_->setItem(r, 3, new QTableWidgetItem(Q(row.deviceValue)));
        auto* keep = new QPushButton(Pick(captions::kKeepProject, lang), table_);
        auto* take = new QPushButton(Pick(captions::kTakeDevice, lang), table_);
        keep->setObjectName(QString("ButtonKeep%1").arg(r));
        take->setObjectName(QString("ButtonTake%1").arg(r));
        table_->setCellWidget(r, 4, keep);
        table_->setCellWidget(r, 5, take);
        connect(keep, &QPushButton::clicked, this, [this, r] { keepProject(r); });
        connect(take, &QPushButton::clicked, this, [this, r] { takeDevice(r); });
    }
    showSummary();
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
