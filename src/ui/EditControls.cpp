#include "ui/EditControls.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "device/EditController.h"
#include "ui/Theme.h"

namespace plenum::ui {

using device::kFaderTrackBottom;
using device::kFaderTrackTop;

// ---- Fader ------------------------------------------------------------------------------------

EditFader::EditFader(double screenScale, QWidget* parent) : QWidget(parent), scale_(screenScale) {
    setCursor(Qt::SizeVerCursor);
    setMinimumHeight(Px(scale_, 90));
}

QSize EditFader::sizeHint() const { return {Px(scale_, 34), Px(scale_, 150)}; }

int EditFader::margin() const { return Px(scale_, 8); }

void EditFader::setTrack(int trackY) {
    track_ = std::clamp(trackY, kFaderTrackTop, kFaderTrackBottom);
    update();
}

int EditFader::yOfTrack(int trackY) const {
    const int usable = std::max(1, height() - 2 * margin());
    return margin() + (trackY - kFaderTrackTop) * usable / (kFaderTrackBottom - kFaderTrackTop);
}

int EditFader::trackOfY(int y) const {
    const int usable = std::max(1, height() - 2 * margin());
    return kFaderTrackTop + (y - margin()) * (kFaderTrackBottom - kFaderTrackTop) / usable;
}

void EditFader::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    held_ = true;
    emit pressed(trackOfY(event->position().toPoint().y()));
}

void EditFader::mouseMoveEvent(QMouseEvent* event) {
    if (held_) emit moved(trackOfY(event->position().toPoint().y()));
}

void EditFader::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !held_) return;
    held_ = false;
    emit released();
}

void EditFader::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

void EditFader::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int cx = width() / 2;
    const int top = margin();
    const int bottom = height() - margin();
    p.fillRect(QRect(cx - 2, top, 4, bottom - top), colours::kBorder);
    const int y = yOfTrack(track_);
    p.fillRect(QRect(cx - 2, y, 4, bottom - y), isEnabled() ? colours::kAccent : colours::kOffline);
    const int w = Px(scale_, 26);
    const int h = Px(scale_, 12);
    p.setPen(colours::kBorder);
    p.setBrush(isEnabled() ? colours::kText : colours::kTextDim);
    p.drawRoundedRect(QRectF(cx - w / 2.0, y - h / 2.0, w, h), 3, 3);
    p.setPen(colours::kWindow);
    p.drawLine(cx - w / 2 + 3, y, cx + w / 2 - 3, y);
}

// ---- Meters -----------------------------------------------------------------------------------

EditMeters::EditMeters(const MeterTable* table, int slot, DeviceKind kind, double screenScale, QWidget* parent)
    : QWidget(parent), table_(table), slot_(slot), scale_(screenScale) {
    setObjectName(QStringLiteral("EditMeters"));
    const std::vector<int> inputs(meter_rows::kInputs.begin(), meter_rows::kInputs.end());
    auto outputRows = [](int output) {
        const auto rows = meter_rows::Output(output);
        return std::vector<int>(rows.begin(), rows.end());
    };
    groups_.push_back({QStringLiteral("IN"), inputs, QStringLiteral("CLIP")});
    if (kind == DeviceKind::Sub) {
        groups_.push_back({QStringLiteral("OUT"), outputRows(0), QStringLiteral("LIM")});
    } else {
        groups_.push_back({QStringLiteral("LOW"), outputRows(0), QStringLiteral("LIM")});
        groups_.push_back({QStringLiteral("HIGH"), outputRows(1), QStringLiteral("LIM")});
    }
    refresh();
}

QSize EditMeters::sizeHint() const { return {Px(scale_, 150), Px(scale_, 300)}; }

int EditMeters::barTop(int row) const {
    if (table_ == nullptr) return kMeterBarEmptyTop;
    return MeterBarTop(static_cast<float>(LevelDb(table_->at(row, slot_))));
}

bool EditMeters::lampLit(int group) const {
    if (table_ == nullptr) return false;
    const auto& rows = groups_.at(static_cast<std::size_t>(group)).rows;
    return std::any_of(rows.begin(), rows.end(), [this](int row) { return IndicatorLit(table_->at(row, slot_)); });
}

void EditMeters::refresh() {
    panelText_.clear();
    if (table_ != nullptr) {
        if (const auto panel = table_->panelStatus(slot_)) {
            panelText_ = QStringLiteral("PANEL %1").arg(panel->panelNumber);
            if (panel->flag1) panelText_ += QStringLiteral(" F1");
            if (panel->flag2) panelText_ += QStringLiteral(" F2");
        }
    }
    update();
}

void EditMeters::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colours::kPanel);
    p.setFont(UiFont(scale_, 7.5, true));
    const int lampH = Px(scale_, 14);
    const int nameH = Px(scale_, 16);
    const int panelH = Px(scale_, 16);
    const int scaleW = Px(scale_, 24);
    const int top = lampH + Px(scale_, 6);
    const int bottom = height() - nameH - panelH;
    const int barH = std::max(1, bottom - top);
    // dB scale on the left, at the breaks of the bar mapping.
    p.setPen(colours::kTextDim);
    for (const float db : {0.0f, -10.0f, -20.0f, -30.0f, -45.0f, -60.0f}) {
        const int y = top + MeterBarTop(db) * barH / kMeterBarEmptyTop;
        p.drawText(QRect(0, y - 7, scaleW - 3, 14), Qt::AlignRight | Qt::AlignVCenter, QString::number(db, 'f', 0));
        p.fillRect(QRect(scaleW - 2, y, width() - scaleW, 1), colours::kRaised);
    }
    const int groupW = (width() - scaleW) / static_cast<int>(groups_.size());
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const Group& group = groups_[g];
        const int left = scaleW + static_cast<int>(g) * groupW;
        const int barW = std::max(3, (groupW - Px(scale_, 8)) / static_cast<int>(group.rows.size()) - 2);
        const QRect lamp(left + 2, 0, groupW - 6, lampH);
        const bool lit = lampLit(static_cast<int>(g));
        p.setPen(Qt::NoPen);
        p.setBrush(lit ? colours::kDanger : colours::kRaised);
        p.drawRoundedRect(lamp, 3, 3);
        p.setPen(lit ? colours::kText : colours::kTextDim);
        p.drawText(lamp, Qt::AlignCenter, group.lamp);
        for (std::size_t b = 0; b < group.rows.size(); ++b) {
            const int x = left + Px(scale_, 3) + static_cast<int>(b) * (barW + 2);
            p.fillRect(QRect(x, top, barW, barH), colours::kWindow);
            const int y = top + barTop(group.rows[b]) * barH / kMeterBarEmptyTop;
            // Green up to -10 dB, amber to 0 dB, red above.
            const int y10 = top + MeterBarTop(-10.0f) * barH / kMeterBarEmptyTop;
            const int y0 = top + MeterBarTop(-0.01f) * barH / kMeterBarEmptyTop;
            if (y < bottom) p.fillRect(QRect(x, std::max(y, y10), barW, bottom - std::max(y, y10)), colours::kOnline);
            if (y < y10) p.fillRect(QRect(x, std::max(y, y0), barW, y10 - std::max(y, y0)), QColor(0xfa, 0xcc, 0x15));
            if (y < y0) p.fillRect(QRect(x, y, barW, y0 - y), colours::kDanger);
        }
        p.setPen(colours::kText);
        p.drawText(QRect(left, bottom + 2, groupW, nameH), Qt::AlignCenter, group.name);
    }
    p.setPen(colours::kTextDim);
    p.drawText(QRect(0, height() - panelH, width(), panelH), Qt::AlignCenter,
               panelText_.isEmpty() ? QStringLiteral("PANEL —") : panelText_);
}

}  // namespace plenum::ui
