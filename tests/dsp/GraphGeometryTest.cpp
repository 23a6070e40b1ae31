#include "dsp/GraphGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dsp/Response.h"

namespace plenum {
namespace {

using Op = RecordingCanvas::Op;

const FrequencyGrid& Grid() {
    static const FrequencyGrid grid;
    return grid;
}

std::vector<std::string> Texts(const RecordingCanvas& canvas) {
    std::vector<std::string> texts;
    for (const auto& op : canvas.ops())
        if (op.kind == Op::Kind::Text) texts.push_back(op.text);
    return texts;
}

std::vector<Op> Lines(const RecordingCanvas& canvas) {
    std::vector<Op> lines;
    for (const auto& op : canvas.ops())
        if (op.kind == Op::Kind::Line) lines.push_back(op);
    return lines;
}

struct LabelRow {
    int value;
    const char* text;
};

TEST(AxisLabels, SignedWithBlankForSingleDigits) {
    const LabelRow rows[] = {{60, "+60"},  {15, "+15"},   {5, " +5"},     {0, " 0"},     {-5, " -5"},
                             {-25, "-25"}, {-100, "-100"}, {-160, "-160"}, {180, "+180"}, {-120, "-120"}};
    for (const auto& row : rows) EXPECT_EQ(AxisLabel(row.value), row.text);
}

TEST(Scales, PeakPositionsAtZoomLevels) {
    const PlotArea area{0, 0, 600, 300};
    const PlotScales level0 = ComputeScales(area, {0, 0.0, false});
    EXPECT_DOUBLE_EQ(level0.Y(15.0), 0.0);  // +15 dB touches the top edge
    EXPECT_DOUBLE_EQ(level0.Y(-15.0), 300.0);
    const PlotScales level3 = ComputeScales(area, {3, 0.0, false});
    EXPECT_DOUBLE_EQ(level3.Y(15.0), 150.0 - 150.0 / 4);  // a quarter of the half-height up
    const PlotScales shifted = ComputeScales(area, {1, 10.0, false});
    EXPECT_DOUBLE_EQ(shifted.Y(0.0), 150.0 - 5.0 * 10.0);  // kY = 300 / 60
    EXPECT_DOUBLE_EQ(level0.PhaseY(180.0), 0.0);
    EXPECT_DOUBLE_EQ(level0.PhaseY(0.0), 150.0);
    EXPECT_DOUBLE_EQ(level0.X(20.0), 0.0);
    EXPECT_DOUBLE_EQ(level0.X(20000.0), 600.0);
    EXPECT_NEAR(level0.X(200.0), 200.0, 1e-9);
    EXPECT_NEAR(level0.FrequencyAtX(level0.X(1234.0)), 1234.0, 1e-9);
    EXPECT_DOUBLE_EQ(ComputeScales(area, {7, 0.0, false}).kY, level0.kY);  // bad level: level 0
}

TEST(GridDrawing, LabelsFollowZoomAndOffset) {
    const PlotArea area = PlotAreaOf(700, 330);
    const struct {
        GraphView view;
        std::vector<std::string> magnitudeLabels;
    } rows[] = {
        {{0, 0.0, false}, {"+15", "+10", " +5", " 0", " -5", "-10", "-15"}},
        {{3, 0.0, false}, {"+60", "+40", "+20", " 0", "-20", "-40", "-60"}},
        {{2, 0.0, false}, {"+45", "+30", "+15", " 0", "-15", "-30", "-45"}},
        {{3, 100.0, false}, {"-40", "-60", "-80", "-100", "-120", "-140", "-160"}},
        {{0, 10.0, false}, {" +5", " 0", " -5", "-10", "-15", "-20", "-25"}},
    };
    for (const auto& row : rows) {
        RecordingCanvas canvas(700, 330);
        DrawGrid(canvas, area, ComputeScales(area, row.view), row.view);
        auto texts = Texts(canvas);
        const std::vector<std::string> frequencies{"20Hz", "100Hz", "200Hz", "500Hz", "1kHz",
                                                   "2kHz", "5kHz",  "10kHz", "20kHz"};
        ASSERT_GE(texts.size(), frequencies.size());
        EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 9), frequencies);
        EXPECT_EQ(std::vector<std::string>(texts.begin() + 9, texts.end()), row.magnitudeLabels);
    }
    RecordingCanvas canvas(700, 330);
    const GraphView phaseView{0, 0.0, true};
    DrawGrid(canvas, area, ComputeScales(area, phaseView), phaseView);
    auto texts = Texts(canvas);
    EXPECT_EQ(std::vector<std::string>(texts.end() - 7, texts.end()),
              (std::vector<std::string>{"+180", "+120", "+60", " 0", "-60", "-120", "-180"}));
}

TEST(CurveDrawing, ZeroHertzIsNeverDrawnAndTheLeftEdgeIsCut) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {});
    std::vector<double> flat(FrequencyGrid::kPointCount, 3.0);
    flat[0] = 1000.0;  // would show as a spike if 0 Hz were drawn
    RecordingCanvas canvas(700, 330);
    DrawMagnitudeCurve(canvas, area, scales, Grid(), flat, {});
    const auto lines = Lines(canvas);
    ASSERT_FALSE(lines.empty());
    double minX = 1e9, maxX = -1e9;
    for (const auto& line : lines) {
        minX = std::min({minX, line.from.x, line.to.x});
        maxX = std::max({maxX, line.from.x, line.to.x});
        EXPECT_DOUBLE_EQ(line.from.y, area.top + scales.Y(3.0));
    }
    EXPECT_DOUBLE_EQ(minX, area.left);
    EXPECT_LT(maxX, area.right());
    EXPECT_GT(maxX, area.right() - 1.0);
    // One segment per grid point from the first one above 20 Hz (k = 7) to the last.
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(FrequencyGrid::kPointCount - 7));
}

TEST(CurveDrawing, ValuesBeyondThePlotRunAlongItsEdge) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {});
    std::vector<double> loud(FrequencyGrid::kPointCount, 2000.0);
    RecordingCanvas canvas(700, 330);
    DrawMagnitudeCurve(canvas, area, scales, Grid(), loud, {});
    for (const auto& line : Lines(canvas)) ASSERT_DOUBLE_EQ(line.from.y, area.top);
}

TEST(CurveDrawing, PhaseBreaksAtWraps) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {0, 0, true});
    std::vector<double> phase(FrequencyGrid::kPointCount);
    for (std::size_t k = 0; k < phase.size(); ++k) phase[k] = k < 3000 ? 170.0 : -170.0;
    RecordingCanvas canvas(700, 330);
    DrawPhaseCurve(canvas, area, scales, Grid(), phase, {});
    for (const auto& line : Lines(canvas)) ASSERT_DOUBLE_EQ(line.from.y, line.to.y);
}

TEST(GraphDrawing, OrderClearGridCurves) {
    DeviceResponse response(Grid(), SubwooferLayout());
    response.SetPeqBand(0, {1000, 6, 1, 0, 0});
    response.view = {1, 0.0, true};
    RecordingCanvas canvas(800, 400);
    const CurveStyle styles[] = {{{255, 0, 0}, 2}};
    DrawResponseGraph(canvas, response, styles);
    const auto& ops = canvas.ops();
    const auto firstLine = std::find_if(ops.begin(), ops.end(), [](const Op& op) { return op.kind == Op::Kind::Line; });
    const auto clear = std::find_if(ops.begin(), ops.end(), [](const Op& op) { return op.kind == Op::Kind::Clear; });
    ASSERT_NE(clear, ops.end());
    EXPECT_LT(clear, firstLine);
    const auto gridPen = std::find_if(ops.begin(), ops.end(), [](const Op& op) { return op.kind == Op::Kind::Pen; });
    EXPECT_EQ(gridPen->colour, kGridGrey);
    EXPECT_EQ(gridPen->penWidth, 1);
    // The curve pen comes after every grid text: magnitude, then phase.
    int curvePens = 0;
    bool textAfterCurve = false;
    for (const auto& op : ops) {
        if (op.kind == Op::Kind::Pen && op.colour == Rgb{255, 0, 0} && op.penWidth == 2) ++curvePens;
        if (op.kind == Op::Kind::Text && curvePens > 0) textAfterCurve = true;
    }
    EXPECT_EQ(curvePens, 2);
    EXPECT_FALSE(textAfterCurve);
}

TEST(Cursor, NearestPointAndReadout) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {});
    EXPECT_EQ(CursorGridPoint(Grid(), scales, scales.X(1000.0)), 341);
    EXPECT_EQ(CursorGridPoint(Grid(), scales, 0.0), 7);  // 20 Hz: 20.5 Hz is nearer than 17.6 Hz
    EXPECT_EQ(CursorGridPoint(Grid(), scales, scales.X(19999.0)), 6826);
    EXPECT_EQ(CursorReadout(Grid().frequency(341), -3.04), "999.0Hz -3.0dB; ");
    EXPECT_EQ(CursorReadout(20.5078125, 0.0), "20.5Hz 0.0dB; ");
    EXPECT_EQ(CursorReadout(1000.0, 1.26, -45.04, 0.1234), "1000.0Hz 1.3dB; -45.0Deg; 0.123ms; ");
    RecordingCanvas canvas(700, 330);
    DrawCursor(canvas, area, 100.0);
    const auto lines = Lines(canvas);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_DOUBLE_EQ(lines[0].from.x, area.left + 100.0);
    EXPECT_DOUBLE_EQ(lines[0].to.y, area.bottom());
}

}  // namespace
}  // namespace plenum
