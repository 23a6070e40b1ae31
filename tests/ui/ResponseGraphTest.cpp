// The response graph widget on Qt's offscreen platform: handle geometry, a band drag that emits
// the band's new frequency and gain, the cursor readout, and the pictures a sound engineer reads
// (written to $PLENUM_SCREENSHOT_DIR when it is set, else to a temporary folder).
#include "ui/ResponseGraph.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "TestApp.h"
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "core/FactoryPrograms.h"
#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"
#include "sat/ImageResponse.h"
#include "ui/QtCanvas.h"

namespace plenum::ui {
namespace {

using test_support::App;

const FrequencyGrid& Grid() {
    static const FrequencyGrid grid;
    return grid;
}

constexpr CurveStyle kLowStyle{{250, 204, 21}, 2};
constexpr CurveStyle kHighStyle{{56, 189, 248}, 2};
constexpr CurveStyle kSumStyle{{235, 235, 235}, 1};

void PutInputBand(SatParamImage& image, int band, int type, int hz, double q, double gainDb) {
    image[static_cast<std::size_t>(sat::kInPeqType + band)] = static_cast<std::uint8_t>(type);
    image[static_cast<std::size_t>(sat::kInPeqFreqHigh + band)] = static_cast<std::uint8_t>(hz >> 8);
    image[static_cast<std::size_t>(sat::kInPeqFreqLow + band)] = static_cast<std::uint8_t>(hz & 0xFF);
    image[static_cast<std::size_t>(sat::kInPeqQ + band)] = static_cast<std::uint8_t>(QCodeNearest(q));
    image[static_cast<std::size_t>(sat::kInPeqGain + band)] = static_cast<std::uint8_t>(PeqGainCode(gainDb));
}

// A satellite as a window shows it: the factory crossover, the input page's equaliser on with a
// 6 dB bell at 1 kHz (band 1), a low shelf and a high-pass band; LOW, HIGH and their sum drawn.
class GraphScene {
public:
    GraphScene() : response(Grid(), SatGraphLayout()) {
        image = SatFactoryImage(0);
        image[sat::kInputEqBypass] = 0b110;
        PutInputBand(image, 0, 0, 1000, 1.4, 6.0);
        PutInputBand(image, 1, 4, 120, 1.25, 4.0);
        PutInputBand(image, 2, 11, 35, 1.25, 0.0);
        PutInputBand(image, 3, 0, 6300, 3.0, -4.5);
        LoadResponse(response, image);
    }

    void fill(ResponseGraph& graph) const {
        // The sum first, so that the ways' own curves show on top of it where they meet.
        GraphCurve sum = SummedWaysCurve(response, kSumStyle);
        sum.name = "LOW+HIGH";
        std::vector<GraphCurve> curves;
        curves.push_back(std::move(sum));
        curves.push_back(CurveOf(response, sat_graph::kLow, kLowStyle));
        curves.push_back(CurveOf(response, sat_graph::kHigh, kHighStyle));
        curves[1].name = "LOW";
        curves[2].name = "HIGH";
        graph.setCurves(std::move(curves));
        graph.setReadoutCurve(0);
        std::vector<BandHandle> handles;
        for (int band = 0; band < 10; ++band) handles.push_back(SatBandHandle(image, band, 0));
        graph.setHandles(std::move(handles), 0);
    }

    SatParamImage image;
    DeviceResponse response;
};

void Send(QWidget& widget, QEvent::Type type, PointF at, Qt::MouseButtons buttons) {
    const QPointF local(at.x, at.y);
    QMouseEvent event(type, local, widget.mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

QString ShotFolder(QTemporaryDir& fallback) {
    const QByteArray dir = qgetenv("PLENUM_SCREENSHOT_DIR");
    return dir.isEmpty() ? fallback.path() : QString::fromLocal8Bit(dir);
}

class ResponseGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        graph.resize(720, 340);
        graph.show();
        scene.fill(graph);
    }
    PointF At(double hz, double db) const {
        const PlotArea area = graph.plotArea();
        const PlotScales s = graph.scales();
        return {area.left + s.X(hz), area.top + s.Y(db)};
    }
    QApplication& app = App();  // before any widget
    ResponseGraph graph{Grid()};
    GraphScene scene;
};

TEST_F(ResponseGraphTest, HandlesSitAtTheirBandsValues) {
    const auto bell = graph.handlePosition(0);
    ASSERT_TRUE(bell);
    EXPECT_NEAR(bell->x, At(1000, 6).x, 1e-9);
    EXPECT_NEAR(bell->y, At(1000, 6).y, 1e-9);
    const auto highPass = graph.handlePosition(2);  // "HP-2" carries no gain: on the 0 dB line
    ASSERT_TRUE(highPass);
    EXPECT_NEAR(highPass->y, At(35, 0).y, 1e-9);
    EXPECT_FALSE(graph.handlePosition(40));
    EXPECT_EQ(graph.objectName(), "Label5");
}

TEST_F(ResponseGraphTest, DraggingAHandleEmitsTheBandsNewFrequencyAndGain) {
    QSignalSpy picked(&graph, &ResponseGraph::bandPicked);
    QSignalSpy dragged(&graph, &ResponseGraph::bandDragged);
    QSignalSpy finished(&graph, &ResponseGraph::bandDragFinished);

    // Grab band 4 (index 3) two pixels off its centre: the grab offset keeps it from jumping.
    const PointF handle = *graph.handlePosition(3);
    Send(graph, QEvent::MouseButtonPress, {handle.x + 2, handle.y - 1}, Qt::LeftButton);
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked.at(0).at(0).toInt(), 3);
    EXPECT_TRUE(graph.isDragging());
    EXPECT_EQ(dragged.count(), 0);

    const PointF target = At(2000, 3);
    Send(graph, QEvent::MouseMove, {target.x + 2, target.y - 1}, Qt::LeftButton);
    Send(graph, QEvent::MouseMove, {target.x + 2, target.y - 1.1}, Qt::LeftButton);  // same values: no signal
    ASSERT_EQ(dragged.count(), 1);
    EXPECT_EQ(dragged.at(0).at(0).toInt(), 3);
    EXPECT_DOUBLE_EQ(dragged.at(0).at(1).toDouble(), 2000.0);
    EXPECT_DOUBLE_EQ(dragged.at(0).at(2).toDouble(), 3.0);
    // The handle follows before the window answers.
    EXPECT_NEAR(graph.handlePosition(3)->x, At(2000, 3).x, 1e-9);

    Send(graph, QEvent::MouseButtonRelease, {target.x + 2, target.y - 1}, Qt::NoButton);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 3);
    EXPECT_FALSE(graph.isDragging());
    EXPECT_EQ(graph.selectedBand(), 3);
}

TEST_F(ResponseGraphTest, APressAwayFromTheHandlesDragsNothing) {
    QSignalSpy dragged(&graph, &ResponseGraph::bandDragged);
    const PointF empty = At(3000, -12);
    Send(graph, QEvent::MouseButtonPress, empty, Qt::LeftButton);
    Send(graph, QEvent::MouseMove, At(4000, -10), Qt::LeftButton);
    Send(graph, QEvent::MouseButtonRelease, At(4000, -10), Qt::NoButton);
    EXPECT_EQ(dragged.count(), 0);
    EXPECT_EQ(graph.selectedBand(), 0);
}

TEST_F(ResponseGraphTest, CursorReadsTheReadoutCurve) {
    QSignalSpy cursor(&graph, &ResponseGraph::cursorMoved);
    QSignalSpy left(&graph, &ResponseGraph::cursorLeft);
    Send(graph, QEvent::MouseMove, At(100, -14), Qt::NoButton);
    ASSERT_EQ(cursor.count(), 1);
    const int k = Grid().NearestPoint(100);
    std::vector<double> sum(static_cast<std::size_t>(FrequencyGrid::kPointCount)), phase(sum.size());
    SummedWaysResponse(scene.response, sum, phase);
    EXPECT_DOUBLE_EQ(cursor.at(0).at(0).toDouble(), Grid().frequency(k));
    EXPECT_DOUBLE_EQ(cursor.at(0).at(1).toDouble(), sum[static_cast<std::size_t>(k)]);
    EXPECT_EQ(cursor.at(0).at(2).toString().toStdString(), CursorReadout(Grid().frequency(k), sum[static_cast<std::size_t>(k)]));
    Send(graph, QEvent::MouseMove, {2, 2}, Qt::NoButton);  // over the labels, off the plot
    EXPECT_EQ(left.count(), 1);
}

TEST_F(ResponseGraphTest, WheelShiftsAndCtrlWheelZooms) {
    QSignalSpy changed(&graph, &ResponseGraph::viewChanged);
    const QPointF at(300, 150);
    QWheelEvent up(at, graph.mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&graph, &up);
    EXPECT_EQ(graph.view(), (GraphView{0, 5.0, false}));
    QWheelEvent zoomOut(at, graph.mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                        false);
    QApplication::sendEvent(&graph, &zoomOut);
    EXPECT_EQ(graph.view(), (GraphView{1, 5.0, false}));
    EXPECT_EQ(changed.count(), 2);
}

TEST(QtCanvasTest, DenseCurvesKeepEveryColumnsExtent) {
    App();
    // Many points in one pixel column (as at the top of the frequency axis) are thinned to a few,
    // but the column still spans the lowest and highest of them, and the curve goes on from there.
    std::vector<PointF> points;
    for (int i = 0; i <= 200; ++i) points.push_back({100.0 + i * 0.004, i % 2 ? 20.0 + i * 0.3 : 140.0 - i * 0.3});
    points.push_back({180.0, 80.0});
    QImage image(200, 160, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        QtCanvas canvas(painter, 200, 160);
        canvas.SetPen({255, 255, 255}, 1);
        canvas.Polyline(points);
    }
    for (int y = 22; y <= 138; y += 4) EXPECT_GT(qGray(image.pixel(100, y)), 100) << y;
    EXPECT_GT(qGray(image.pixel(140, 80)), 60);  // on the way to the last point
    EXPECT_EQ(qGray(image.pixel(150, 20)), 0);
}

TEST_F(ResponseGraphTest, PicturesOfTheGraph) {
    QTemporaryDir fallback;
    const QDir dir(ShotFolder(fallback));
    ASSERT_TRUE(dir.exists());
    const auto shoot = [&](const QString& name) {
        const QImage picture = graph.grab().toImage();
        EXPECT_FALSE(picture.isNull()) << name.toStdString();
        EXPECT_TRUE(picture.save(dir.filePath(name))) << name.toStdString();
        return picture;
    };

    // The crossover and the input equaliser with the cursor on the bell.
    Send(graph, QEvent::MouseMove, At(1000, 0), Qt::NoButton);
    const QImage magnitude = shoot("graph-sat-magnitude.png");
    // The selected handle is drawn in its own colour at the bell's position.
    const PointF bell = *graph.handlePosition(0);
    bool selectedColourFound = false;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            const QColor c = magnitude.pixelColor(static_cast<int>(bell.x + kHandleRadiusPx - 1) + dx,
                                                  static_cast<int>(bell.y) + dy);
            selectedColourFound |= c.red() > 200 && c.green() < 150 && c.blue() < 150;
        }
    }
    EXPECT_TRUE(selectedColourFound);

    graph.setView({1, 0.0, true});
    Send(graph, QEvent::MouseMove, At(1500, 0), Qt::NoButton);
    shoot("graph-sat-phase.png");

    graph.setView({0, 0.0, false});
    const PointF handle = *graph.handlePosition(0);
    Send(graph, QEvent::MouseButtonPress, handle, Qt::LeftButton);
    Send(graph, QEvent::MouseMove, At(2500, 9), Qt::LeftButton);
    // The window answers a drag by writing the band and handing back the new curves.
    PutInputBand(scene.image, 0, 0, 2500, 1.4, 9.0);
    RefreshResponse(scene.response, scene.image, ParamFamily::InputPeqBand, {0, 0, 0, 0});
    scene.fill(graph);
    shoot("graph-sat-band-drag.png");
    Send(graph, QEvent::MouseButtonRelease, At(2500, 9), Qt::NoButton);

    // A subwoofer: its output response with the factory low-pass and a boost at 45 Hz.
    SubParamImage sub = SubFactoryImage();
    sub[sub::kOutputEqBypass] = 0;
    sub[sub::kOutPeqFreqLow + 2] = 45;
    sub[sub::kOutPeqGain + 2] = static_cast<std::uint8_t>(PeqGainCode(5.0));
    DeviceResponse subResponse(Grid(), SubGraphLayout());
    LoadResponse(subResponse, sub);
    graph.setCurves({CurveOf(subResponse, sub_graph::kOutput, {{245, 158, 11}, 2})});
    graph.setReadoutCurve(0);
    std::vector<BandHandle> handles;
    for (int band = 5; band < 13; ++band) handles.push_back(SubBandHandle(sub, band));
    graph.setHandles(std::move(handles), 7);
    graph.setView({1, 0.0, false});
    Send(graph, QEvent::MouseMove, At(100, 0), Qt::NoButton);
    shoot("graph-sub-output.png");
}

}  // namespace
}  // namespace plenum::ui
