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

TEST(ViewControls, ZoomStopsAtTheEndsAndOffsetMovesInGridSteps) {
    const struct {
        GraphView view;
        int zoomBy, shiftBy;
        GraphView expected;
    } rows[] = {
        {{0, 0.0, false}, 1, 0, {1, 0.0, false}},
        {{3, 0.0, true}, 1, 0, {3, 0.0, true}},
        {{0, 0.0, false}, -1, 0, {0, 0.0, false}},
        {{9, 0.0, false}, 1, 0, {1, 0.0, false}},     // a bad level counts as level 0
        {{0, 0.0, false}, 0, 2, {0, 10.0, false}},    // 5 dB steps at level 0
        {{3, 0.0, false}, 0, -3, {3, -60.0, false}},  // 20 dB steps at level 3
        {{3, 90.0, false}, 0, 2, {3, kOffsetLimitDb, false}},
        {{1, -95.0, false}, 0, -1, {1, -kOffsetLimitDb, false}},
    };
    for (const auto& row : rows) EXPECT_EQ(ShiftedBy(ZoomedBy(row.view, row.zoomBy), row.shiftBy), row.expected);
}

TEST(GridDrawing, PhaseGridEverySixtyDegreesAcrossThePlot) {
    const PlotArea area = PlotAreaOf(700, 330);
    for (const double offset : {0.0, 7.5}) {
        const GraphView view{0, offset, true};
        const PlotScales scales = ComputeScales(area, view);
        RecordingCanvas canvas(700, 330);
        DrawGrid(canvas, area, scales, view);
        for (int deg = -180; deg <= 180; deg += 60) {
            const double y = area.top + scales.PhaseY(deg);
            const auto lines = Lines(canvas);
            const bool across = std::any_of(lines.begin(), lines.end(), [&](const Op& l) {
                return l.from.y == y && l.to.y == y && l.from.x == area.left && l.to.x == area.right();
            });
            EXPECT_TRUE(across) << deg << " offset " << offset;
        }
    }
    // Without the phase view no line lies at +-60 degrees unless a magnitude line does.
    const GraphView plain{0, 7.5, false};
    const PlotScales scales = ComputeScales(area, plain);
    RecordingCanvas canvas(700, 330);
    DrawGrid(canvas, area, scales, plain);
    for (const auto& l : Lines(canvas)) EXPECT_NE(l.from.y, area.top + scales.PhaseY(60)) << l.from.x;
}

TEST(Cursor, ReadsTheCurveAndDrawsTheReadoutBesideTheLine) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {});
    std::vector<double> curve(FrequencyGrid::kPointCount, 0.0);
    curve[341] = -3.04;
    const CursorValue value = CursorAt(Grid(), scales, scales.X(1000.0), curve);
    EXPECT_EQ(value.point, 341);
    EXPECT_DOUBLE_EQ(value.frequencyHz, Grid().frequency(341));
    EXPECT_DOUBLE_EQ(value.magnitudeDb, -3.04);
    EXPECT_EQ(value.readout, "999.0Hz -3.0dB; ");

    for (const double x : {100.0, area.width - 10}) {
        RecordingCanvas canvas(700, 330);
        DrawCursor(canvas, area, x, value.readout);
        const auto texts = Texts(canvas);
        ASSERT_EQ(texts.size(), 1u);
        const auto text = std::find_if(canvas.ops().begin(), canvas.ops().end(),
                                       [](const Op& op) { return op.kind == Op::Kind::Text; });
        EXPECT_DOUBLE_EQ(text->from.y, area.top + 2);
        EXPECT_GE(text->from.x, area.left);
        EXPECT_LE(text->from.x + 6.0 * value.readout.size(), area.right());
        if (x < 200) EXPECT_GT(text->from.x, area.left + x);   // right of the line
        else EXPECT_LT(text->from.x, area.left + x);            // flipped to its left
    }
}

TEST(BandHandles, PositionAndGainRule) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {});
    const struct {
        int type;
        bool carriesGain;
    } types[] = {{0, true}, {3, true}, {6, true}, {7, false}, {12, false}, {13, true}, {14, false}, {16, false}, {17, false}};
    for (const auto& t : types) {
        const BandHandle handle = BandHandleOf(4, 1000, 6.0, t.type, false);
        EXPECT_EQ(handle.carriesGain, t.carriesGain) << t.type;
        const PointF at = HandlePosition(area, scales, handle);
        EXPECT_DOUBLE_EQ(at.x, area.left + scales.X(1000));
        EXPECT_DOUBLE_EQ(at.y, area.top + scales.Y(t.carriesGain ? 6.0 : 0.0)) << t.type;
    }
    // A frequency below the axis sits on its left edge.
    EXPECT_DOUBLE_EQ(HandlePosition(area, scales, BandHandleOf(0, 0, 0, 0, false)).x, area.left);
}

TEST(BandHandles, HitTestTakesTheNearestWithinTheRadius) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {});
    const std::vector<BandHandle> handles{BandHandleOf(0, 100, 0, 0, false), BandHandleOf(1, 1000, 6, 0, false),
                                          BandHandleOf(2, 1000, 6, 0, false), BandHandleOf(3, 1040, 6, 0, false)};
    const PointF band0 = HandlePosition(area, scales, handles[0]);
    const PointF band1 = HandlePosition(area, scales, handles[1]);
    const PointF band3 = HandlePosition(area, scales, handles[3]);
    const struct {
        const char* name;
        PointF at;
        int selected;
        int expected;
    } rows[] = {
        {"centre", band0, -1, 0},
        {"inside the radius", {band0.x + 3, band0.y - 3}, -1, 0},
        {"outside the radius", {band0.x + 5, band0.y + 5}, -1, -1},
        {"stacked: the later one", band1, -1, 2},
        {"stacked: the selected one", band1, 1, 1},
        {"nearest of two", {band3.x - 1, band3.y}, -1, 3},
        {"empty plot", {area.left + 5, area.top + 5}, -1, -1},
    };
    for (const auto& row : rows) EXPECT_EQ(HitTestHandle(area, scales, handles, row.at, row.selected), row.expected) << row.name;
}

TEST(BandHandles, SelectedDrawnLastInItsColourWithBandNumbers) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {});
    const std::vector<BandHandle> handles{BandHandleOf(0, 100, 0, 0, false), BandHandleOf(12, 1000, 6, 0, false),
                                          BandHandleOf(40, 5000, -3, 0, true)};
    RecordingCanvas canvas(700, 330);
    DrawBandHandles(canvas, area, scales, handles, 12);
    EXPECT_EQ(Texts(canvas), (std::vector<std::string>{"1", "41", "13"}));
    std::vector<Rgb> pens;
    for (const auto& op : canvas.ops())
        if (op.kind == Op::Kind::Pen) pens.push_back(op.colour);
    EXPECT_EQ(pens, (std::vector<Rgb>{kHandleColour, kBypassedHandleColour, kSelectedHandleColour}));
    // Each handle is a closed square around its position.
    const auto lines = Lines(canvas);
    ASSERT_EQ(lines.size(), 12u);
    const PointF centre = HandlePosition(area, scales, handles[1]);
    for (std::size_t i = 8; i < 12; ++i) {
        EXPECT_NEAR(std::max(std::abs(lines[i].from.x - centre.x), std::abs(lines[i].from.y - centre.y)),
                    kHandleRadiusPx - 1, 1e-9);
    }
}

TEST(BandDrag, PointerToBandValuesAndReadout) {
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, {});
    const auto at = [&](double hz, double db) { return PointF{area.left + scales.X(hz), area.top + scales.Y(db)}; };
    const struct {
        const char* name;
        PointF pointer;
        BandDragValue expected;
        const char* readout;
    } rows[] = {
        {"on the grid", at(1000, 6), {1000, 6}, "Freq=1000Hz; Gain=6.0dB"},
        {"whole Hz, half dB", at(1234.4, -3.3), {1234, -3.5}, "Freq=1234Hz; Gain=-3.5dB"},
        {"no negative zero", at(500, -0.2), {500, 0}, "Freq=500Hz; Gain=0.0dB"},
        {"left of the axis", {area.left - 30, area.top - 40}, {20, 15}, "Freq=20Hz; Gain=15.0dB"},
        {"beyond the right and bottom", {area.right() + 30, area.bottom() + 40}, {20000, -15},
         "Freq=20000Hz; Gain=-15.0dB"},
    };
    for (const auto& row : rows) {
        const BandDragValue value = DragValueAt(area, scales, row.pointer);
        EXPECT_EQ(value, row.expected) << row.name;
        EXPECT_EQ(BandDragReadout(value), row.readout) << row.name;
    }
    // With an offset and another zoom level the gain follows the drawn scale.
    const GraphView view{1, 10.0, false};
    const PlotScales shifted = ComputeScales(area, view);
    EXPECT_EQ(DragValueAt(area, shifted, {area.left + shifted.X(200), area.top + shifted.Y(-12)}),
              (BandDragValue{200, -12}));

    RecordingCanvas canvas(700, 330);
    DrawDragReadout(canvas, {690, 320}, "Freq=1000Hz; Gain=6.0dB");
    const auto& text = canvas.ops().back();
    EXPECT_EQ(text.text, "Freq=1000Hz; Gain=6.0dB");
    EXPECT_LE(text.from.x + 6.0 * text.text.size(), 700.0);
    EXPECT_LE(text.from.y + 8.0, 330.0);
}

// The right-hand scales of the FIR windows: each unwrapped range and the delay scale, with the
// labels they show from top to bottom.
struct RightScaleRow {
    const char* name;
    GraphView view;
    std::vector<std::string> labels;
};
void PrintTo(const RightScaleRow& row, std::ostream* out) { *out << row.name; }
class RightScales : public ::testing::TestWithParam<RightScaleRow> {};

TEST_P(RightScales, LabelsFromTopToBottom) {
    const RightScaleRow& row = GetParam();
    const PlotArea area = PlotAreaOf(700, 330);
    const PlotScales scales = ComputeScales(area, row.view);
    RecordingCanvas canvas(700, 330);
    DrawGrid(canvas, area, scales, row.view);
    const auto texts = Texts(canvas);
    ASSERT_GE(texts.size(), row.labels.size());
    EXPECT_EQ(std::vector<std::string>(texts.end() - static_cast<std::ptrdiff_t>(row.labels.size()), texts.end()), row.labels);
}

GraphView FirView(PhaseScale scale, bool delay) {
    GraphView view;
    view.showPhase = !delay;
    view.showDelay = delay;
    view.phaseScale = scale;
    return view;
}

INSTANTIATE_TEST_SUITE_P(
    Fir, RightScales,
    ::testing::Values(
        RightScaleRow{"Wrapped", FirView(PhaseScale::Wrapped, false), {"+180", "+120", "+60", " 0", "-60", "-120", "-180"}},
        RightScaleRow{"Unwrapped500", FirView(PhaseScale::Unwrapped500, false), {"+100", "0", "-100", "-200", "-300", "-400", "-500"}},
        RightScaleRow{"Unwrapped5k", FirView(PhaseScale::Unwrapped5k, false), {"+1K", "0", "-1K", "-2K", "-3K", "-4K", "-5K"}},
        RightScaleRow{"Unwrapped50k", FirView(PhaseScale::Unwrapped50k, false), {"+10K", "0", "-10K", "-20K", "-30K", "-40K", "-50K"}},
        RightScaleRow{"Delay", FirView(PhaseScale::Unwrapped5k, true), {"+10", "+8", "+6", "+4", "+2", "0", "-2"}}),
    [](const auto& info) { return info.param.name; });

TEST(Scales, LinearFrequencyAxis) {
    const PlotArea area = PlotAreaOf(700, 330);
    GraphView view;
    view.linearFrequency = true;
    const PlotScales scales = ComputeScales(area, view);
    EXPECT_DOUBLE_EQ(scales.X(0), 0);
    EXPECT_DOUBLE_EQ(scales.X(10000), area.width / 2);
    EXPECT_DOUBLE_EQ(scales.FrequencyAtX(area.width), 20000);
    RecordingCanvas canvas(700, 330);
    DrawGrid(canvas, area, scales, view);
    const auto texts = Texts(canvas);
    EXPECT_EQ(texts.front(), "2kHz");
    EXPECT_TRUE(std::find(texts.begin(), texts.end(), "20kHz") != texts.end());
    EXPECT_TRUE(std::find(texts.begin(), texts.end(), "100Hz") == texts.end());
    // A curve's point at 10 kHz lands in the middle.
    std::vector<double> flat(FrequencyGrid::kPointCount, 0.0);
    RecordingCanvas curve(700, 330);
    DrawMagnitudeCurve(curve, area, scales, Grid(), flat, {});
    ASSERT_FALSE(curve.ops().empty());
}

// A pure delay of D samples has the phase -360 f D / fs degrees: its group delay is D / fs at
// every frequency, whatever the wraps.
TEST(GroupDelay, PureDelayFromTheWrappedPhase) {
    const double delaySamples = 96.0;  // 2 ms
    std::vector<double> phase(FrequencyGrid::kPointCount);
    for (int k = 0; k < FrequencyGrid::kPointCount; ++k)
        phase[static_cast<std::size_t>(k)] = std::remainder(-360.0 * Grid().frequency(k) * delaySamples / 48000.0, 360.0);
    const auto delay = GroupDelayMsFromPhase(Grid(), phase);
    ASSERT_EQ(delay.size(), phase.size());
    for (const int k : {0, 1, 341, 3000, FrequencyGrid::kPointCount - 1}) EXPECT_NEAR(delay[static_cast<std::size_t>(k)], 2.0, 1e-9) << k;
    EXPECT_EQ(RightScaleLabel(-50000, 10000), "-50K");
    EXPECT_EQ(RightScaleLabel(0, 2), "0");
}

}  // namespace
}  // namespace plenum
