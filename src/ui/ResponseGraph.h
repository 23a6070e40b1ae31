// The response graph of the edit windows: grid and labels for the view's zoom, offset and phase
// view, the curves the window hands over, the handles of the bands it shows, a cursor line with
// its readout while the mouse is over the plot, and band dragging with the "Freq=...Hz;
// Gain=...dB" readout beside the pointer.
//
// The graph holds copies of its curves and handles; the window owns the rules. A drag emits the
// band's new values at every movement that changes them; the window runs its edit flow, then
// hands back the recomputed curves and handles (setCurves, setHandles). One press-move-release
// is one drag: bandDragFinished closes it (one undo step).
#pragma once

#include <QWidget>
#include <optional>
#include <span>
#include <vector>

#include "dsp/GraphGeometry.h"

namespace plenum {
class DeviceResponse;
}

namespace plenum::ui {

struct GraphCurve {
    std::vector<double> magnitudeDb;  // FrequencyGrid::kPointCount values
    std::vector<double> phaseDeg;     // the drawn (wrapped) phase; empty: none drawn in phase view
    // The group delay in ms (the FIR windows); when present the cursor reads phase and delay too.
    std::vector<double> delayMs;
    CurveStyle style;
    std::string name;  // shown in the legend at the plot's top left in the curve's colour; "": none
};

// A channel of a response as a curve: its summed magnitude and drawn phase (polarity applied).
GraphCurve CurveOf(const DeviceResponse& response, int channel, CurveStyle style);
// A satellite's LOW + HIGH acoustic sum (SummedWaysResponse) as a curve: the crossover graph's path.
GraphCurve SummedWaysCurve(const DeviceResponse& response, CurveStyle style);

// The one display grid every graph of the application draws on (made once, on first use).
const FrequencyGrid& DisplayGrid();

class ResponseGraph : public QWidget {
    Q_OBJECT

public:
    explicit ResponseGraph(const FrequencyGrid& grid, QWidget* parent = nullptr);

    void setView(const GraphView& view);
    const GraphView& view() const { return view_; }
    // Curves in drawing order (later ones on top). The cursor reads the readout curve.
    void setCurves(std::vector<GraphCurve> curves);
    const std::vector<GraphCurve>& curves() const { return curves_; }
    void setReadoutCurve(int index);
    // The handles of the bands the window shows; selectedBand -1 for none.
    void setHandles(std::vector<BandHandle> handles, int selectedBand);
    const std::vector<BandHandle>& handles() const { return handles_; }
    int selectedBand() const { return selectedBand_; }
    bool isDragging() const { return drag_.has_value(); }

    // Geometry of the current size, in widget pixels.
    PlotArea plotArea() const;
    PlotScales scales() const;
    std::optional<PointF> handlePosition(int band) const;

    // Draws the whole graph on any canvas of the widget's size (paint events, screenshots). Phase
    // curves are drawn one pixel wide in a darker shade of their curve's colour, so that magnitude
    // and phase of one path read apart.
    void paintOn(Canvas& canvas) const;

    QSize sizeHint() const override { return {720, 340}; }
    QSize minimumSizeHint() const override { return {320, 160}; }

signals:
    // A press on a band's handle selected that band.
    void bandPicked(int band);
    // A drag moved the band to these values (whole Hz, 0.5 dB steps, within the PEQ ranges).
    void bandDragged(int band, double frequencyHz, double gainDb);
    void bandDragFinished(int band);
    // The cursor moved over the plot: the readout curve's value at the nearest grid point.
    void cursorMoved(double frequencyHz, double magnitudeDb, const QString& readout);
    void cursorLeft();
    // The wheel shifted the curves (wheel) or changed the zoom (Ctrl + wheel).
    void viewChanged(const GraphView& view);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Drag {
        int band;
        PointF grabOffset;  // handle centre minus the press point
        BandDragValue last;
        PointF pointer;
    };
    void updateCursor(PointF pointer);
    BandHandle* handleOf(int band);

    const FrequencyGrid& grid_;
    GraphView view_;
    std::vector<GraphCurve> curves_;
    int readoutCurve_ = 0;
    std::vector<BandHandle> handles_;
    int selectedBand_ = -1;
    std::optional<double> cursorX_;  // relative to the plot's left edge
    std::string cursorReadout_;
    std::optional<Drag> drag_;
};

}  // namespace plenum::ui
