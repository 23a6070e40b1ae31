#include "dsp/GraphGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

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

double PlotScales::X(double frequencyHz) const { return kX * std::log10(frequencyHz / fMinHz); }

double PlotScales::FrequencyAtX(double x) const { return fMinHz * std::pow(10.0, x / kX); }

PlotScales ComputeScales(const PlotArea& area, const GraphView& view, double fMinHz, double fMaxHz) {
    PlotScales s;
    s.width = area.width;
    s.height = area.height;
    s.fMinHz = fMinHz;
    s.kX = area.width / (std::log10(fMaxHz) - std::log10(fMinHz));
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

    // Frequency lines and labels.
    for (const auto& mark : FrequencyMarks()) {
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

    // Phase labels on the right, every 60 degrees; the lines would crowd the magnitude grid, so
    // only short ticks are drawn.
    if (view.showPhase) {
        for (int deg = 180; deg >= -180; deg -= 60) {
            const double y = scales.PhaseY(deg);
            canvas.SetPen(kGridGrey, 1);
            canvas.Line(At(area, scales.width - 6, y), At(area, scales.width, y));
            canvas.SetPen(kLabelColour, 1);
            canvas.Text(At(area, scales.width + 4, std::clamp(y - kCharHeight / 2, -kTopMargin, scales.height)),
                        AxisLabel(deg));
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
        const double x = scales.XFromLog(grid.log(k) - logMin);
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
    DrawGridCurve(
        canvas, area, scales, grid, phaseDeg, style, [&](double deg) { return scales.PhaseY(deg); },
        [](double before, double after) { return std::abs(after - before) > 180.0; });
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

}  // namespace plenum
