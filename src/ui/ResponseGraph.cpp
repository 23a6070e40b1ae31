#include "ui/ResponseGraph.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "dsp/MeasureGrid.h"
#include "dsp/Response.h"
#include "sat/ImageResponse.h"
#include "ui/QtCanvas.h"

namespace plenum::ui {

const FrequencyGrid& DisplayGrid() {
    static const FrequencyGrid grid;
    return grid;
}

namespace {

PointF ToPoint(const QPointF& p) { return {p.x(), p.y()}; }

Rgb PhaseShade(Rgb colour) {
    const auto shade = [](std::uint8_t v) { return static_cast<std::uint8_t>(v * 0.6); };
    return {shade(colour.r), shade(colour.g), shade(colour.b)};
}

}  // namespace

GraphCurve CurveOf(const DeviceResponse& response, int channel, CurveStyle style) {
    GraphCurve curve;
    const auto magnitude = response.summedMagnitudeDb(channel);
    curve.magnitudeDb.assign(magnitude.begin(), magnitude.end());
    curve.phaseDeg.resize(static_cast<std::size_t>(FrequencyGrid::kPointCount));
    response.DrawnPhaseDeg(channel, curve.phaseDeg);
    curve.style = style;
    return curve;
}

GraphCurve SummedWaysCurve(const DeviceResponse& response, CurveStyle style) {
    GraphCurve curve;
    curve.magnitudeDb.resize(static_cast<std::size_t>(FrequencyGrid::kPointCount));
    curve.phaseDeg.resize(curve.magnitudeDb.size());
    SummedWaysResponse(response, curve.magnitudeDb, curve.phaseDeg);
    curve.style = style;
    return curve;
}

ResponseGraph::ResponseGraph(const FrequencyGrid& grid, QWidget* parent) : QWidget(parent), grid_(grid) {
    setObjectName("Label5");  // the graph area of the edit windows
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ResponseGraph::setView(const GraphView& view) {
    if (view == view_) return;
    view_ = view;
    update();
}

void ResponseGraph::setCurves(std::vector<GraphCurve> curves) {
    curves_ = std::move(curves);
    if (cursorX_) updateCursor({plotArea().left + *cursorX_, plotArea().top});
    update();
}

void ResponseGraph::setReadoutCurve(int index) {
    readoutCurve_ = index;
    update();
}

void ResponseGraph::setHandles(std::vector<BandHandle> handles, int selectedBand) {
    handles_ = std::move(handles);
    selectedBand_ = selectedBand;
    update();
}

PlotArea ResponseGraph::plotArea() const { return PlotAreaOf(width(), height()); }

PlotScales ResponseGraph::scales() const { return ComputeScales(plotArea(), view_); }

std::optional<PointF> ResponseGraph::handlePosition(int band) const {
    for (const auto& handle : handles_)
        if (handle.band == band) return HandlePosition(plotArea(), scales(), handle);
    return std::nullopt;
}

BandHandle* ResponseGraph::handleOf(int band) {
    const auto it = std::find_if(handles_.begin(), handles_.end(), [band](const BandHandle& h) { return h.band == band; });
    return it == handles_.end() ? nullptr : &*it;
}

void ResponseGraph::paintOn(Canvas& canvas) const {
    const PlotArea area = PlotAreaOf(canvas.width(), canvas.height());
    const PlotScales s = ComputeScales(area, view_);
    canvas.SetPen(kGridGrey, 1);
    canvas.Clear(kGraphBackground);
    DrawGrid(canvas, area, s, view_);
    for (const auto& curve : curves_) {
        if (curve.magnitudeDb.size() == static_cast<std::size_t>(FrequencyGrid::kPointCount))
            DrawMagnitudeCurve(canvas, area, s, grid_, curve.magnitudeDb, curve.style);
        const CurveStyle rightStyle{PhaseShade(curve.style.colour), 1};
        if (view_.showPhase && curve.phaseDeg.size() == static_cast<std::size_t>(FrequencyGrid::kPointCount))
            DrawPhaseCurve(canvas, area, s, grid_, curve.phaseDeg, rightStyle);
        else if (view_.showDelay && curve.delayMs.size() == static_cast<std::size_t>(FrequencyGrid::kPointCount))
            DrawDelayCurve(canvas, area, s, grid_, curve.delayMs, rightStyle);
    }
    double legendTop = area.top + 14;  // below the cursor readout's row
    for (const auto& curve : curves_) {
        if (curve.name.empty()) continue;
        canvas.SetPen(curve.style.colour, 1);
        canvas.Text({area.left + 4, legendTop}, curve.name);
        legendTop += 11;
    }
    DrawBandHandles(canvas, area, s, handles_, selectedBand_);
    if (drag_) {
        DrawDragReadout(canvas, drag_->pointer, BandDragReadout(drag_->last));
    } else if (cursorX_) {
        DrawCursor(canvas, area, *cursorX_, cursorReadout_);
    }
}

void ResponseGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QtCanvas canvas(painter, width(), height());
    paintOn(canvas);
}

void ResponseGraph::updateCursor(PointF pointer) {
    const PlotArea area = plotArea();
    const double x = pointer.x - area.left;
    if (x < 0 || x > area.width || curves_.empty()) {
        if (cursorX_) emit cursorLeft();
        cursorX_.reset();
        return;
    }
    const auto& curve = curves_[static_cast<std::size_t>(std::clamp<int>(readoutCurve_, 0, static_cast<int>(curves_.size()) - 1))];
    if (curve.magnitudeDb.size() != static_cast<std::size_t>(FrequencyGrid::kPointCount)) return;
    CursorValue value = CursorAt(grid_, scales(), x, curve.magnitudeDb);
    const auto point = static_cast<std::size_t>(value.point);
    if (point < curve.delayMs.size() && point < curve.phaseDeg.size()) {
        // The phase as the view draws it: wrapped, or continuous over an unwrapped range.
        double phase = curve.phaseDeg[point];
        if (view_.phaseScale != PhaseScale::Wrapped) {
            std::vector<double> unwrapped(point + 1);
            UnwrapPhaseDeg(unwrapped, std::span<const double>(curve.phaseDeg).first(point + 1));
            phase = unwrapped.back();
        }
        value.readout = CursorReadout(value.frequencyHz, value.magnitudeDb, phase, curve.delayMs[point]);
    }
    cursorX_ = x;
    cursorReadout_ = value.readout;
    emit cursorMoved(value.frequencyHz, value.magnitudeDb, QString::fromStdString(value.readout));
}

void ResponseGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const PointF at = ToPoint(event->position());
    const int band = HitTestHandle(plotArea(), scales(), handles_, at, selectedBand_);
    if (band < 0) return;
    const PointF centre = *handlePosition(band);
    const BandHandle& handle = *handleOf(band);
    drag_ = Drag{band, {centre.x - at.x, centre.y - at.y}, {handle.frequencyHz, handle.gainDb}, at};
    if (band != selectedBand_) {
        selectedBand_ = band;
        emit bandPicked(band);
    }
    update();
}

void ResponseGraph::mouseMoveEvent(QMouseEvent* event) {
    const PointF at = ToPoint(event->position());
    if (!drag_) {
        updateCursor(at);
        update();
        return;
    }
    drag_->pointer = at;
    const BandDragValue value =
        DragValueAt(plotArea(), scales(), {at.x + drag_->grabOffset.x, at.y + drag_->grabOffset.y});
    if (value != drag_->last) {
        drag_->last = value;
        // The handle follows at once; the window's recomputed handles replace it.
        if (BandHandle* handle = handleOf(drag_->band)) {
            handle->frequencyHz = value.frequencyHz;
            if (handle->carriesGain) handle->gainDb = value.gainDb;
        }
        emit bandDragged(drag_->band, value.frequencyHz, value.gainDb);
    }
    update();
}

void ResponseGraph::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !drag_) return QWidget::mouseReleaseEvent(event);
    const int band = drag_->band;
    drag_.reset();
    updateCursor(ToPoint(event->position()));
    emit bandDragFinished(band);
    update();
}

void ResponseGraph::leaveEvent(QEvent*) {
    if (drag_) return;
    if (cursorX_) emit cursorLeft();
    cursorX_.reset();
    update();
}

void ResponseGraph::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) return;
    const GraphView next = (event->modifiers() & Qt::ControlModifier) ? ZoomedBy(view_, -steps) : ShiftedBy(view_, steps);
    if (next == view_) return;
    view_ = next;
    emit viewChanged(view_);
    update();
}

}  // namespace plenum::ui
