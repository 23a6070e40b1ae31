#include "dsp/ImageCanvas.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <string>

#include "dsp/GraphGeometry.h"
#include "dsp/Response.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

TEST(ImageCanvas, LinesTextAndPen) {
    ImageCanvas canvas(40, 20);
    canvas.Clear({10, 20, 30});
    EXPECT_EQ(canvas.pixel(39, 19), (Rgb{10, 20, 30}));
    canvas.SetPen({255, 0, 0}, 1);
    canvas.Line({0, 0}, {39, 19});
    EXPECT_EQ(canvas.pixel(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(canvas.pixel(39, 19), (Rgb{255, 0, 0}));
    EXPECT_EQ(canvas.pixel(20, 10), (Rgb{255, 0, 0}));
    canvas.SetPen({0, 255, 0}, 3);
    canvas.Line({5, 15}, {5, 15});
    EXPECT_EQ(canvas.pixel(4, 14), (Rgb{0, 255, 0}));
    EXPECT_EQ(canvas.pixel(6, 16), (Rgb{0, 255, 0}));
    // Huge, infinite and NaN coordinates are drawn (or dropped) without running away.
    canvas.Line({-1e300, 5}, {1e300, 5});
    canvas.Line({std::nan(""), 5}, {INFINITY, 5});
    canvas.Text({std::nan(""), 0}, "x");
    canvas.SetPen({0, 0, 255}, 1);
    canvas.Text({30, 2}, "1");
    EXPECT_EQ(canvas.pixel(32, 2), (Rgb{0, 0, 255}));  // the top of the "1"
    EXPECT_EQ(canvas.pixel(-1, 0), Rgb{});
}

TEST(ImageCanvas, ReadoutAndLegendLettersHaveGlyphs) {
    // An unknown character is drawn as a closed 5x7 box: its top-left and bottom-right corners.
    const auto isBox = [](char ch) {
        ImageCanvas canvas(8, 8);
        canvas.SetPen({255, 255, 255}, 1);
        canvas.Text({0, 0}, std::string(1, ch));
        return canvas.pixel(0, 0) == Rgb{255, 255, 255} && canvas.pixel(4, 6) == Rgb{255, 255, 255} &&
               canvas.pixel(0, 3) == Rgb{255, 255, 255} && canvas.pixel(4, 3) == Rgb{255, 255, 255} &&
               canvas.pixel(2, 0) == Rgb{255, 255, 255} && canvas.pixel(2, 6) == Rgb{255, 255, 255};
    };
    ASSERT_TRUE(isBox('~'));
    for (const char ch : std::string("Freq=1000Hz; Gain=-6.0dB LOW+HIGH")) EXPECT_FALSE(isBox(ch)) << ch;
}

TEST(ImageCanvas, WritesAPngThatReadsBack) {
    test::TempDir dir;
    const FrequencyGrid grid;
    DeviceResponse response(grid, SatelliteLayout());
    response.SetPeqBand(0, {1000, 6, 2, 0, 0});
    response.SetCrossover(sat_slots::OutputLowPass(0), 12, true, 1500.0);
    response.SetCrossover(sat_slots::OutputHighPass(1), 12, false, 1500.0);
    response.view = {1, 0.0, true};
    ImageCanvas canvas(800, 400);
    const CurveStyle styles[] = {{{255, 200, 0}, 2}, {{0, 200, 255}, 2}};
    DrawResponseGraph(canvas, response, styles);
    const auto path = dir / "graph.png";
    ASSERT_FALSE(canvas.WritePng(path));

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    EXPECT_EQ(image.width, 800u);
    EXPECT_EQ(image.height, 400u);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    const Rgb first = canvas.pixel(123, 45);
    EXPECT_EQ(pixels[(45 * 800 + 123) * 3], first.r);
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));

    // A folder that does not exist: an error and no file.
    EXPECT_TRUE(canvas.WritePng(dir / "missing" / "graph.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

}  // namespace
}  // namespace plenum
