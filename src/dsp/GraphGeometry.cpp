#include "dsp/GraphGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "dsp/MeasureGrid.h"
#include "dsp/Response.h"

namespace plenum {

namespace {

constexpr std::array<ZoomLevel, kZoomLevelCount> kZoomLevels{{{30, 5}, {60, 10}, {90, 15}, {120, 20}}};

constexpr std::array<FrequencyMark, 10> kFrequencyMarks{{{20, "20Hz"},
                                                          {50, nullptr},
                                                          {100, "100Hz"},
                                                          {200, "200Hz"},
                                                          {500, "500Hz"},
                                                          {1000, "1kHz"},
                                                          {2000, "2kHz"},
                                                          {5000, "5kHz"},
                                                          {10000, "10kHz"},
                                                          {20000, "20kHz"}}};

// Label room around the plot, in pixels (the labels are at most four characters wide).
constexpr double kLeftMargin = 36, kRightMargin = 36, kTopMargin = 8, kBottomMargin = 18;
constexpr double kCharWidth = 6, kCharHeight = 8;

PointF At(const PlotArea& area, double x, double y) { return {area.left + x, area.top + y}; }

double ClampRow(const PlotScales& scales, double y) { return std::clamp(y, 0.0, scales.height); }

}  // namespace

ZoomLevel ZoomOf(int level) {
    if (level < 0 || level >= kZoomLevelCount) level = 0;
    return kZoomLevels[static_cast<std::size_t>(level)];
}

GraphView ZoomedBy(GraphView view, int levels) {
    const int level = (view.zoomLevel < 0 || view.zoomLevel >= kZoomLevelCount) ? 0 : view.zoomLevel;
    view.zoomLevel = static_cast<std::int16_t>(std::clamp(level + levels, 0, kZoomLevelCount - 1));
    return view;
}

GraphView ShiftedBy(GraphView view, int steps) {
    view.offsetDb = std::clamp(view.offsetDb + steps * ZoomOf(view.zoomLevel).stepDb, -kOffsetLimitDb, kOffsetLimitDb);
    return view;
}

std::string AxisLabel(int value) {
    char text[16];
    if (value == 0) return " 0";
    std::snprintf(text, sizeof text, "%+d", value);
    return (value > -10 && value < 10) ? std::string(" ") + text : std::string(text);
}

std::span<const FrequencyMark> FrequencyMarks() { return kFrequencyMarks; }

PlotArea PlotAreaOf(int canvasWidth, int canvasHeight) {
    PlotArea area;
    area.left = kLeftMargin;
    area.top = kTopMargin;
    area.width = std::max(1.0, canvasWidth - kLeftMargin - kRightMargin);
    area.height = std::max(1.0, canvasHeight - kTopMargin - kBottomMargin);
    return area;
}

double PlotScales::X(double frequencyHz) const {
    return linear ? kX * frequencyHz : kX * std::log10(frequencyHz / fMinHz);
}

double PlotScales::FrequencyAtX(double x) const { return linear ? x / kX : fMinHz * std::pow(10.0, x / kX); }

RightScale PhaseScaleOf(PhaseScale scale) {
    switch (scale) {
        case PhaseScale::Wrapped: return {180, -180, 60};
        case PhaseScale::Unwrapped500: return {100, -500, 100};
        case PhaseScale::Unwrapped5k: return {1000, -5000, 1000};
        case PhaseScale::Unwrapped50k: return {10000, -50000, 10000};
    }
    return {};
}

std::string RightScaleLabel(double value, double step) {
    const long whole = std::lround(value);
    if (whole == 0) return "0";
    const bool thousands = step >= 1000;
    char text[24];
    std::snprintf(text, sizeof text, "%+ld%s", thousands ? whole / 1000 : whole, thousands ? "K" : "");
    return text;
}

PlotScales ComputeScales(const PlotArea& area, const GraphView& view, double fMinHz, double fMaxHz) {
    PlotScales s;
    s.width = area.width;
    s.height = area.height;
    s.fMinHz = fMinHz;
    s.linear = view.linearFrequency;
    s.phase = PhaseScaleOf(view.phaseScale);
    s.kX = s.linear ? area.width / fMaxHz : area.width / (std::log10(fMaxHz) - std::log10(fMinHz));
    s.kY = area.height / ZoomOf(view.zoomLevel).spanDb;
    s.y0 = area.height / 2 - s.kY * view.offsetDb;
    return s;
}

void DrawGrid(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const GraphView& view) {
    const ZoomLevel zoom = ZoomOf(view.zoomLevel);
    canvas.SetPen(kGridGrey, 1);
    // Frame.
    canvas.Line(At(area, 0, 0), At(area, scales.width, 0));
    canvas.Line(At(area, scales.width, 0), At(area, scales.width, scales.height));
    canvas.Line(At(area, scales.width, scales.height), At(area, 0, scales.height));
    canvas.Line(At(area, 0, scales.height), At(area, 0, 0));

    // Frequency lines and labels: the decades, or every 2 kHz on a linear axis.
    static const std::array<FrequencyMark, 11> kLinearMarks{{{0, nullptr},
                                                             {2000, "2kHz"},
                                                             {4000, "4kHz"},
                                                             {6000, "6kHz"},
                                                             {8000, "8kHz"},
                                                             {10000, "10kHz"},
                                                             {12000, "12kHz"},
                                                             {14000, "14kHz"},
                                                             {16000, "16kHz"},
                                                             {18000, "18kHz"},
                                                             {20000, "20kHz"}}};
    const std::span<const FrequencyMark> marks = scales.linear ? std::span<const FrequencyMark>(kLinearMarks) : FrequencyMarks();
    for (const auto& mark : marks) {
        const double x = scales.X(mark.frequencyHz);
        canvas.SetPen(kGridGrey, 1);
        canvas.Line(At(area, x, 0), At(area, x, scales.height));
        if (mark.label) {
            const double textWidth = kCharWidth * std::char_traits<char>::length(mark.label);
            const double left = std::clamp(x - textWidth / 2, -kLeftMargin, scales.width + kRightMargin - textWidth);
            canvas.SetPen(kLabelColour, 1);
            canvas.Text(At(area, left, scales.height + 4), mark.label);
        }
    }

    // Magnitude lines at the multiples of the step that the offset leaves in view.
    const double topDb = scales.y0 / scales.kY;
    const double bottomDb = (scales.y0 - scales.height) / scales.kY;
    const int first = static_cast<int>(std::ceil(bottomDb / zoom.stepDb - 1e-9));
    const int last = static_cast<int>(std::floor(topDb / zoom.stepDb + 1e-9));
    for (int i = last; i >= first; --i) {
        const double db = i * zoom.stepDb;
        const double y = scales.Y(db);
        canvas.SetPen(kGridGrey, 1);
        canvas.Line(At(area, 0, y), At(area, scales.width, y));
        canvas.SetPen(kLabelColour, 1);
        canvas.Text(At(area, -kLeftMargin + 2, std::clamp(y - kCharHeight / 2, -kTopMargin, scales.height)),
                    AxisLabel(static_cast<int>(db)));
    }

    // The right-hand grid: the phase every 60 degrees (or the unwrapped range's steps), or the
    // group delay every 2 ms.
    if (view.showPhase || view.showDelay) {
        const bool wrapped = view.showPhase && view.phaseScale == PhaseScale::Wrapped;
        const RightScale right = view.showPhase ? scales.phase : kDelayScale;
        const int steps = static_cast<int>(std::lround((right.top - right.bottom) / right.step));
        for (int i = 0; i <= steps; ++i) {
            const double value = right.top - i * right.step;
            const double y = scales.RightY(right, value);
            canvas.SetPen(kGridGrey, 1);
            canvas.Line(At(area, 0, y), At(area, scales.width, y));
            canvas.SetPen(kLabelColour, 1);
            canvas.Text(At(area, scales.width + 4, std::clamp(y - kCharHeight / 2, -kTopMargin, scales.height)),
                        wrapped ? AxisLabel(static_cast<int>(value)) : RightScaleLabel(value, right.step));
        }
    }
}

namespace {

// Builds the drawn points of a curve: x from the grid's log axis, y through toRow; the segment
// from the last point left of fmin to the first one right of it is cut at x = 0.
template <typename ToRow, typename Break>
void DrawGridCurve(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const FrequencyGrid& grid,
                   std::span<const double> values, const CurveStyle& style, ToRow toRow, Break breaksBetween) {
    canvas.SetPen(style.colour, style.penWidth);
    const double logMin = std::log10(scales.fMinHz / kAxisMinHz);
    std::vector<PointF> run;
    run.reserve(static_cast<std::size_t>(FrequencyGrid::kPointCount));
    double previousX = 0, previousY = 0;
    bool havePrevious = false;
    bool started = false;
    for (int k = 1; k < FrequencyGrid::kPointCount; ++k) {
        const double x = scales.linear ? scales.X(grid.frequency(k)) : scales.XFromLog(grid.log(k) - logMin);
        const double y = toRow(values[static_cast<std::size_t>(k)]);
        if (x > scales.width) break;
        if (x < 0) {
            previousX = x;
            previousY = y;
            havePrevious = true;
            continue;
        }
        if (!started && havePrevious && x > 0) {
            const double t = -previousX / (x - previousX);
            run.push_back(At(area, 0, ClampRow(scales, previousY + t * (y - previousY))));
        }
        started = true;
        if (!run.empty() && breaksBetween(values[static_cast<std::size_t>(k - 1)], values[static_cast<std::size_t>(k)])) {
            canvas.Polyline(run);
            run.clear();
        }
        run.push_back(At(area, x, ClampRow(scales, y)));
    }
    if (run.size() >= 2) canvas.Polyline(run);
}

}  // namespace

void DrawMagnitudeCurve(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const FrequencyGrid& grid,
                        std::span<const double> magnitudeDb, const CurveStyle& style) {
    DrawGridCurve(
        canvas, area, scales, grid, magnitudeDb, style, [&](double db) { return scales.Y(db); },
        [](double, double) { return false; });
}

void DrawPhaseCurve(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const FrequencyGrid& grid,
                    std::span<const double> phaseDeg, const CurveStyle& style) {
    if (scales.phase.top - scales.phase.bottom > 360.0) {
        std::vector<double> unwrapped(phaseDeg.size());
        UnwrapPhaseDeg(unwrapped, phaseDeg);
        DrawGridCurve(
            canvas, area, scales, grid, std::span<const double>(unwrapped), style,
            [&](double deg) { return scales.PhaseY(deg); }, [](double, double) { return false; });
        return;
    }
    DrawGridCurve(
        canvas, area, scales, grid, phaseDeg, style, [&](double deg) { return scales.PhaseY(deg); },
        [](double before, double after) { return std::abs(after - before) > 180.0; });
}

void DrawDelayCurve(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const FrequencyGrid& grid,
                    std::span<const double> delayMs, const CurveStyle& style) {
    DrawGridCurve(
        canvas, area, scales, grid, delayMs, style, [&](double ms) { return scales.DelayY(ms); },
        [](double, double) { return false; });
}

std::vector<double> GroupDelayMsFromPhase(const FrequencyGrid& grid, std::span<const double> wrappedPhaseDeg) {
    const std::size_t n = std::min(wrappedPhaseDeg.size(), static_cast<std::size_t>(FrequencyGrid::kPointCount));
    std::vector<double> phase(n), delay(n, 0.0);
    if (n < 2) return delay;
    UnwrapPhaseDeg(phase, wrappedPhaseDeg.first(n));
    // tau = -dphi / (2 pi df) with phi in degrees: -dphi_deg / (360 df) s.
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t lo = k == 0 ? 0 : k - 1;
        const std::size_t hi = k + 1 == n ? n - 1 : k + 1;
        const double df = grid.frequency(static_cast<int>(hi)) - grid.frequency(static_cast<int>(lo));
        delay[k] = -(phase[hi] - phase[lo]) / (360.0 * df) * 1000.0;
    }
    return delay;
}

void DrawResponseGraph(Canvas& canvas, const DeviceResponse& response, std::span<const CurveStyle> styles) {
    const PlotArea area = PlotAreaOf(canvas.width(), canvas.height());
    const PlotScales scales = ComputeScales(area, response.view);
    canvas.SetPen(kGridGrey, 1);
    canvas.Clear(kGraphBackground);
    DrawGrid(canvas, area, scales, response.view);
    std::vector<double> phase(static_cast<std::size_t>(FrequencyGrid::kPointCount));
    for (int ch = 0; ch < response.channelCount(); ++ch) {
        const CurveStyle style = styles.empty() ? CurveStyle{}
                                                : styles[std::min<std::size_t>(static_cast<std::size_t>(ch), styles.size() - 1)];
        DrawMagnitudeCurve(canvas, area, scales, response.grid(), response.summedMagnitudeDb(ch), style);
        if (response.view.showPhase) {
            response.DrawnPhaseDeg(ch, phase);
            DrawPhaseCurve(canvas, area, scales, response.grid(), phase, style);
        }
    }
}

int CursorGridPoint(const FrequencyGrid& grid, const PlotScales& scales, double mouseX) {
    return grid.NearestPoint(std::round(scales.FrequencyAtX(mouseX)));
}

std::string CursorReadout(double frequencyHz, double magnitudeDb) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1fHz %.1fdB; ", frequencyHz, magnitudeDb);
    return text;
}

std::string CursorReadout(double frequencyHz, double magnitudeDb, double phaseDeg, double delayMs) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1fDeg; %.3fms; ", phaseDeg, delayMs);
    return CursorReadout(frequencyHz, magnitudeDb) + text;
}

void DrawCursor(Canvas& canvas, const PlotArea& area, double mouseX) {
    canvas.SetPen(kCursorColour, 1);
    canvas.Line(At(area, mouseX, 0), At(area, mouseX, area.height));
}

CursorValue CursorAt(const FrequencyGrid& grid, const PlotScales& scales, double mouseX,
                     std::span<const double> magnitudeDb) {
    CursorValue value;
    value.point = CursorGridPoint(grid, scales, mouseX);
    value.frequencyHz = grid.frequency(value.point);
    value.magnitudeDb = magnitudeDb[static_cast<std::size_t>(value.point)];
    value.readout = CursorReadout(value.frequencyHz, value.magnitudeDb);
    return value;
}

namespace {

double TextWidth(std::string_view text) { return kCharWidth * static_cast<double>(text.size()); }

}  // namespace

void DrawCursor(Canvas& canvas, const PlotArea& area, double mouseX, std::string_view readout) {
    DrawCursor(canvas, area, mouseX);
    const double width = TextWidth(readout);
    const double left = mouseX + 4 + width <= area.width ? mouseX + 4 : std::max(0.0, mouseX - 4 - width);
    canvas.Text(At(area, left, 2), readout);
}

bool PeqTypeCarriesGain(int typeCode) {
    // Bell, the six shelves and the band pass; passes, notch, all-passes and "Ext" do not.
    return (typeCode >= 0 && typeCode <= 6) || typeCode == 13;
}

BandHandle BandHandleOf(int band, double frequencyHz, double gainDb, int typeCode, bool bypassed) {
    BandHandle handle;
    handle.band = band;
    handle.frequencyHz = frequencyHz;
    handle.carriesGain = PeqTypeCarriesGain(typeCode);
    handle.gainDb = handle.carriesGain ? gainDb : 0.0;
    handle.bypassed = bypassed;
    return handle;
}

PointF HandlePosition(const PlotArea& area, const PlotScales& scales, const BandHandle& handle) {
    const double f = std::clamp(handle.frequencyHz, kAxisMinHz, kAxisMaxHz);
    const double y = handle.carriesGain ? handle.gainDb : 0.0;
    return At(area, scales.X(f), ClampRow(scales, scales.Y(y)));
}

int HitTestHandle(const PlotArea& area, const PlotScales& scales, std::span<const BandHandle> handles,
                  PointF canvasPoint, int selectedBand, double radiusPx) {
    int best = -1;
    double bestDistance = 0;
    for (const auto& handle : handles) {
        const PointF at = HandlePosition(area, scales, handle);
        const double distance = std::hypot(at.x - canvasPoint.x, at.y - canvasPoint.y);
        if (distance > radiusPx) continue;
        const bool nearer = best < 0 || distance < bestDistance;
        const bool tie = best >= 0 && distance == bestDistance && best != selectedBand;
        if (nearer || tie) {
            best = handle.band;
            bestDistance = distance;
        }
    }
    return best;
}

void DrawBandHandles(Canvas& canvas, const PlotArea& area, const PlotScales& scales,
                     std::span<const BandHandle> handles, int selectedBand) {
    const auto draw = [&](const BandHandle& handle, bool selected) {
        const PointF c = HandlePosition(area, scales, handle);
        const Rgb colour = selected ? kSelectedHandleColour : handle.bypassed ? kBypassedHandleColour : kHandleColour;
        canvas.SetPen(colour, selected ? 2 : 1);
        const double r = kHandleRadiusPx - 1;
        const PointF corners[] = {{c.x - r, c.y - r}, {c.x + r, c.y - r}, {c.x + r, c.y + r}, {c.x - r, c.y + r},
                                  {c.x - r, c.y - r}};
        canvas.Polyline(corners);
        const std::string number = handle.label.empty() ? std::to_string(handle.band + 1) : handle.label;
        canvas.Text({c.x - TextWidth(number) / 2, c.y - r - kCharHeight - 3}, number);
    };
    const BandHandle* selected = nullptr;
    for (const auto& handle : handles) {
        if (handle.band == selectedBand) {
            selected = &handle;
            continue;
        }
        draw(handle, false);
    }
    if (selected) draw(*selected, true);
}

BandDragValue DragValueAt(const PlotArea& area, const PlotScales& scales, PointF canvasPoint) {
    BandDragValue value;
    value.frequencyHz = std::clamp(std::round(scales.FrequencyAtX(canvasPoint.x - area.left)), kAxisMinHz, kAxisMaxHz);
    const double db = (scales.y0 - (canvasPoint.y - area.top)) / scales.kY;
    value.gainDb = std::clamp(std::round(db * 2.0) / 2.0, -15.0, 15.0) + 0.0;  // no "-0.0"
    return value;
}

std::string BandDragReadout(const BandDragValue& value) {
    char text[64];
    std::snprintf(text, sizeof text, "Freq=%.0fHz; Gain=%.1fdB", value.frequencyHz, value.gainDb);
    return text;
}

void DrawDragReadout(Canvas& canvas, PointF canvasPoint, std::string_view readout) {
    const double width = TextWidth(readout);
    double left = canvasPoint.x + 12;
    if (left + width > canvas.width()) left = canvasPoint.x - 12 - width;
    double top = canvasPoint.y + 14;
    if (top + kCharHeight > canvas.height()) top = canvasPoint.y - 14 - kCharHeight;
    canvas.SetPen(kCursorColour, 1);
    canvas.Text({std::max(0.0, left), std::max(0.0, top)}, readout);
}

}  // namespace plenum
