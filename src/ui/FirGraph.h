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
#include "ui/Theme.h"

class QComboBox;

namespace plenum::ui {

// The FIR graphs span +20 to -100 dB: the whole stop band of a steep design stays in view.
GraphView FirGraphView();

// The transform of a coefficient set (FirResponse) on the display grid: magnitude, wrapped phase
// and group delay. An empty set or one that cannot be transformed gives a curve without values.
GraphCurve FirCurve(std::span<const double> coefficients, CurveStyle style, std::string name);

// Where the magnitude lies below `thresholdDb` the phase and the group delay mean nothing (a
// stop band's nulls turn them into noise): there the curve holds its last value from below.
void HoldWhereQuiet(GraphCurve& curve, double thresholdDb);

// The view controls above a FIR graph; each choice sets the graph's view at once:
//   "VIEW": the magnitude alone, with the phase, or with the group delay on the right scale;
//   "Wrapped" / "Unwrapped" phase, and the unwrapped range ("-500 to 100", "-5K  to  1K",
//   "-50k  to 10K"), offered while the phase is unwrapped;
//   "Linear" / "Logarithm" frequency axis.
class FirGraphBar final : public QWidget {
    Q_OBJECT
public:
    enum ViewChoice { kMagnitude = 0, kWithPhase = 1, kWithDelay = 2 };
    FirGraphBar(ResponseGraph& graph, int languageFlag, QWidget* parent = nullptr);
    void chooseView(int choice);
    void choosePhase(bool unwrapped);
    void chooseRange(int index);  // 0..2
    void chooseLinear(bool linear);

private:
    void apply(GraphView view);
    ResponseGraph& graph_;
    QComboBox* view_ = nullptr;
    QComboBox* phase_ = nullptr;
    QComboBox* range_ = nullptr;
    QComboBox* axis_ = nullptr;
    int rangeIndex_ = 0;
};


}  // namespace plenum::ui
