// The drawing surface graphs are written against: a size, a pen (colour and width), lines and
// text. The Qt view paints through a QPainter-backed implementation (src/ui); tests record what
// was drawn (RecordingCanvas); ImageCanvas renders into pixels and writes PNG files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plenum {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct PointF {
    double x = 0.0, y = 0.0;
    bool operator==(const PointF&) const = default;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void Clear(Rgb background) = 0;
    virtual void SetPen(Rgb colour, int widthPx) = 0;
    virtual void Line(PointF from, PointF to) = 0;
    // Text with its top-left corner at the point, in the pen colour.
    virtual void Text(PointF topLeft, std::string_view text) = 0;
    // Connected lines through the points; canvases with a faster path override it.
    virtual void Polyline(std::span<const PointF> points) {
        for (std::size_t i = 1; i < points.size(); ++i) Line(points[i - 1], points[i]);
    }
};

// Keeps every drawing operation in order, for tests of the geometry.
class RecordingCanvas : public Canvas {
public:
    struct Op {
        enum class Kind { Clear, Pen, Line, Text } kind;
        Rgb colour{};
        int penWidth = 0;
        PointF from{}, to{};
        std::string text;
    };

    RecordingCanvas(int width, int height) : width_(width), height_(height) {}
    int width() const override { return width_; }
    int height() const override { return height_; }
    void Clear(Rgb background) override { ops_.push_back({Op::Kind::Clear, background, 0, {}, {}, {}}); }
    void SetPen(Rgb colour, int widthPx) override { ops_.push_back({Op::Kind::Pen, colour, widthPx, {}, {}, {}}); }
    void Line(PointF from, PointF to) override { ops_.push_back({Op::Kind::Line, {}, 0, from, to, {}}); }
    void Text(PointF topLeft, std::string_view text) override {
        ops_.push_back({Op::Kind::Text, {}, 0, topLeft, topLeft, std::string(text)});
    }
    const std::vector<Op>& ops() const { return ops_; }

private:
    int width_, height_;
    std::vector<Op> ops_;
};

}  // namespace plenum
