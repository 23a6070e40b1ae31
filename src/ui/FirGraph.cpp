#include "ui/FirGraph.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>

#include "fir/FirResponse.h"

namespace plenum::ui {

const FrequencyGrid& FirDisplayGrid() {
    static const FrequencyGrid grid;
    return grid;
}

GraphView FirGraphView() {
    GraphView view;
    view.zoomLevel = 3;
    view.offsetDb = 40;
    return view;
}

GraphCurve FirCurve(std::span<const double> coefficients, CurveStyle style, std::string name) {
    GraphCurve curve;
    curve.style = style;
    curve.name = std::move(name);
    FirResponse response;
    if (coefficients.empty() || response.Compute(coefficients) != 0) return curve;
    const auto n = static_cast<std::ptrdiff_t>(FrequencyGrid::kPointCount);
    curve.magnitudeDb.assign(response.magnitudeDb().begin(), response.magnitudeDb().begin() + n);
    curve.phaseDeg.assign(response.phaseDeg().begin(), response.phaseDeg().begin() + n);
    return curve;
}

FirGraphBar::FirGraphBar(ResponseGraph& graph, int languageFlag, QWidget* parent) : QWidget(parent), graph_(graph) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    phase_ = new QPushButton(languageFlag == 1 ? QStringLiteral("相位") : QStringLiteral("Phase"), this);
    phase_->setCheckable(true);
    row->addWidget(phase_);
    row->addStretch(1);
    connect(phase_, &QPushButton::toggled, this, &FirGraphBar::setShowPhase);
}

void FirGraphBar::setShowPhase(bool on) {
    GraphView v = graph_.view();
    v.showPhase = on;
    graph_.setView(v);
    const QSignalBlocker blocker(phase_);
    phase_->setChecked(on);
}

}  // namespace plenum::ui
