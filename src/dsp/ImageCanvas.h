// A canvas that renders into an RGB pixel buffer and writes it as a PNG file (through libpng):
// screenshots of graphs without a display. Lines are drawn with Bresenham's algorithm and a
// square pen; text uses a small built-in 5x7 pixel font covering the digits, signs and the
// letters of the graph labels, readouts ("Freq=...Hz; Gain=...dB" included) and the LOW / HIGH
// legend (other characters show as an empty box).
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "dsp/Canvas.h"

namespace plenum {

class ImageCanvas : public Canvas {
public:
    ImageCanvas(int width, int height);

    int width() const override { return width_; }
    int height() const override { return height_; }
    void Clear(Rgb background) override;
    void SetPen(Rgb colour, int widthPx) override;
    void Line(PointF from, PointF to) override;
    void Text(PointF topLeft, std::string_view text) override;

    Rgb pixel(int x, int y) const;  // black outside the image
    // Writes the image as an 8-bit RGB PNG; on failure returns the error and leaves no partial
    // file behind (the image is written to a temporary file beside the target and renamed).
    std::error_code WritePng(const std::filesystem::path& path) const;

private:
    void Plot(int x, int y);
    void Dot(int x, int y);  // one pen-sized dot centred on (x, y)

    int width_, height_;
    Rgb pen_{255, 255, 255};
    int penWidth_ = 1;
    std::vector<std::uint8_t> rgb_;
};

}  // namespace plenum
