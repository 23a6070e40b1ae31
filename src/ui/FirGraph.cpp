#include "ui/FirGraph.h"

#include <QHBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "fir/FirResponse.h"

namespace plenum::ui {

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
    curve.delayMs.assign(response.groupDelayMs().begin(), response.groupDelayMs().begin() + n);
    return curve;
}

void HoldWhereQuiet(GraphCurve& curve, double thresholdDb) {
    for (std::vector<double>* values : {&curve.phaseDeg, &curve.delayMs})
        for (std::size_t k = 1; k < curve.magnitudeDb.size() && k < values->size(); ++k)
            if (curve.magnitudeDb[k] < thresholdDb) (*values)[k] = (*values)[k - 1];
}

FirGraphBar::FirGraphBar(ResponseGraph& graph, int languageFlag, QWidget* parent) : QWidget(parent), graph_(graph) {
    const bool zh = languageFlag == 1;
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("VIEW"), this);
    view_ = new QComboBox(this);
    view_->setObjectName(QStringLiteral("ComboView"));
    view_->addItems(zh ? QStringList{QStringLiteral("幅度"), QStringLiteral("幅度 + 相位"), QStringLiteral("幅度 + 延时")}
                       : QStringList{QStringLiteral("Magnitude"), QStringLiteral("Magn + Phase"), QStringLiteral("Magn + Delay")});
    phase_ = new QComboBox(this);
    phase_->setObjectName(QStringLiteral("ComboPhase"));
    phase_->addItems(zh ? QStringList{QStringLiteral("卷绕相位"), QStringLiteral("展开相位")}
                        : QStringList{QStringLiteral("Wrapped"), QStringLiteral("Unwrapped")});
    range_ = new QComboBox(this);
    range_->setObjectName(QStringLiteral("ComboPhaseRange"));
    for (const auto label : kUnwrappedRangeLabels) range_->addItem(Q(label));
    axis_ = new QComboBox(this);
    axis_->setObjectName(QStringLiteral("ComboFrequencyAxis"));
    axis_->addItems(zh ? QStringList{QStringLiteral("线性"), QStringLiteral("对数")}
                       : QStringList{QStringLiteral("Linear"), QStringLiteral("Logarithm")});
    for (QWidget* w : {static_cast<QWidget*>(caption), static_cast<QWidget*>(view_), static_cast<QWidget*>(phase_),
                       static_cast<QWidget*>(range_), static_cast<QWidget*>(axis_)})
        row->addWidget(w);
    row->addStretch(1);
    connect(view_, &QComboBox::activated, this, &FirGraphBar::chooseView);
    connect(phase_, &QComboBox::activated, this, [this](int index) { choosePhase(index == 1); });
    connect(range_, &QComboBox::activated, this, &FirGraphBar::chooseRange);
    connect(axis_, &QComboBox::activated, this, [this](int index) { chooseLinear(index == 0); });
    apply(graph_.view());
}

void FirGraphBar::chooseView(int choice) {
    GraphView v = graph_.view();
    v.showPhase = choice == kWithPhase;
    v.showDelay = choice == kWithDelay;
    apply(v);
}

void FirGraphBar::choosePhase(bool unwrapped) {
    GraphView v = graph_.view();
    v.phaseScale = unwrapped ? static_cast<PhaseScale>(1 + rangeIndex_) : PhaseScale::Wrapped;
    apply(v);
}

void FirGraphBar::chooseRange(int index) {
    if (index < 0 || index >= static_cast<int>(kUnwrappedRangeLabels.size())) return;
    rangeIndex_ = index;
    GraphView v = graph_.view();
    if (v.phaseScale != PhaseScale::Wrapped) v.phaseScale = static_cast<PhaseScale>(1 + index);
    apply(v);
}

void FirGraphBar::chooseLinear(bool linear) {
    GraphView v = graph_.view();
    v.linearFrequency = linear;
    apply(v);
}

void FirGraphBar::apply(GraphView view) {
    graph_.setView(view);
    const QSignalBlocker b1(view_), b2(phase_), b3(range_), b4(axis_);
    view_->setCurrentIndex(view.showPhase ? kWithPhase : view.showDelay ? kWithDelay : kMagnitude);
    phase_->setCurrentIndex(view.phaseScale == PhaseScale::Wrapped ? 0 : 1);
    range_->setCurrentIndex(rangeIndex_);
    range_->setEnabled(view.phaseScale != PhaseScale::Wrapped);
    axis_->setCurrentIndex(view.linearFrequency ? 0 : 1);
}

}  // namespace plenum::ui
