// What the FIR windows share for their graphs: the display grid, the view they open with, and a
// coefficient set's transform as a graph curve.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include <QString>
#include <QWidget>

#include "dsp/FrequencyGrid.h"
#include "ui/ResponseGraph.h"

class QPushButton;

namespace plenum::ui {

const FrequencyGrid& FirDisplayGrid();

// The FIR graphs span +20 to -100 dB: the whole stop band of a steep design stays in view.
GraphView FirGraphView();

// The transform of a coefficient set (FirResponse) on the display grid: magnitude, wrapped phase
// and group delay. An empty set or one that cannot be transformed gives a curve without values.
GraphCurve FirCurve(std::span<const double> coefficients, CurveStyle style, std::string name);

// The view controls above a FIR graph; each change sets the graph's view.
class FirGraphBar final : public QWidget {
    Q_OBJECT
public:
    FirGraphBar(ResponseGraph& graph, int languageFlag, QWidget* parent = nullptr);
    void setShowPhase(bool on);

private:
    ResponseGraph& graph_;
    QPushButton* phase_ = nullptr;
};

inline QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace plenum::ui
