// Response graph geometry: where magnitude, phase and frequency land on the canvas, the grid and
// its labels for each zoom level, how summed curves become lines, the cursor and its readout,
// and the handles by which a band is dragged across the graph.
//
// Layout: the plot occupies the canvas minus margins for the labels (magnitude on the left,
// phase on the right, frequencies below). Coordinates inside the plot follow the mapping
//   x(f) = kX * log10(f / fmin),      kX = plot width / (log10(fmax) - log10(fmin)),
//   y(dB) = Y0 - kY * dB,             kY = plot height / span, Y0 = plot height / 2 - kY * offset,
//   y(deg) = plot height / 2 - deg * plot height / 360,
// and are shifted by the plot's top-left corner when drawn.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dsp/Canvas.h"
#include "dsp/FrequencyGrid.h"

namespace plenum {

class DeviceResponse;

// How the phase is drawn: wrapped into +-180 degrees, or made continuous and drawn over one of
// three ranges (the FIR windows, where a linear-phase FIR turns through tens of thousands of
// degrees across the band).
enum class PhaseScale : std::uint8_t { Wrapped = 0, Unwrapped500 = 1, Unwrapped5k = 2, Unwrapped50k = 3 };
inline constexpr int kPhaseScaleCount = 4;
// The range labels as the FIR windows list them ("-500 to 100" ...), index 1..3 of PhaseScale.
inline constexpr std::array<std::string_view, 3> kUnwrappedRangeLabels{"-500 to 100", "-5K  to  1K", "-50k  to 10K"};

// The per-device view settings of a response graph.
struct GraphView {
    std::int16_t zoomLevel = 0;  // 0..3, see ZoomOf
    double offsetDb = 0.0;       // shift of the 0 dB line
    bool showPhase = false;
    // The FIR windows' views: the phase scale, a linear frequency axis (0..20 kHz) instead of the
    // logarithmic one (20 Hz..20 kHz), and the group delay on the right-hand scale (+10..-2 ms)
    // instead of the phase.
    PhaseScale phaseScale = PhaseScale::Wrapped;
    bool linearFrequency = false;
    bool showDelay = false;
    bool operator==(const GraphView&) const = default;
};

// The right-hand scale of a view: top and bottom value, the step between its lines and labels.
struct RightScale {
    double top = 180, bottom = -180, step = 60;
};
RightScale PhaseScaleOf(PhaseScale scale);
inline constexpr RightScale kDelayScale{10, -2, 2};
// A label of the unwrapped phase and delay scales: "+100", "0", "-500", "+1K", "-50K", "+10", "-2".
std::string RightScaleLabel(double value, double step);

struct ZoomLevel {
    double spanDb;  // the whole height
    double stepDb;  // grid and label step
};
inline constexpr int kZoomLevelCount = 4;
// Levels 0..3: 30, 60, 90, 120 dB in steps of 5, 10, 15, 20 dB. Out-of-range levels give level 0.
ZoomLevel ZoomOf(int level);

// Zoom and offset as the user changes them. The zoom steps through levels 0..3 and stops at the
// ends; the offset moves in steps of the zoom level's grid step, so grid lines stay on round
// values, and stops at +-kOffsetLimitDb (at level 3 that still shows labels down to -160).
inline constexpr double kOffsetLimitDb = 100.0;
GraphView ZoomedBy(GraphView view, int levels);
GraphView ShiftedBy(GraphView view, int steps);

// A label of the magnitude or phase axis: the signed value, with one leading blank for
// single-digit values and for zero (" +5", " 0", " -5", "+15", "-100", "+180").
std::string AxisLabel(int value);

struct FrequencyMark {
    double frequencyHz;
    const char* label;  // nullptr: a grid line without label
};
// The vertical grid lines of the 20 Hz..20 kHz axis: decades and their 2 and 5 multiples.
std::span<const FrequencyMark> FrequencyMarks();

inline constexpr double kAxisMinHz = 20.0;
inline constexpr double kAxisMaxHz = 20000.0;

struct PlotArea {
    double left = 0, top = 0, width = 0, height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};
// The plot rectangle of a canvas, leaving room for the labels.
PlotArea PlotAreaOf(int canvasWidth, int canvasHeight);

// Scales recomputed whenever the grid is drawn (the canvas may have been resized).
struct PlotScales {
    double width = 0, height = 0;
    double kX = 0;  // pixels per decade (per Hz on a linear axis)
    double kY = 0;  // pixels per dB
    double y0 = 0;  // row of 0 dB after the offset
    double fMinHz = kAxisMinHz;
    bool linear = false;  // linear frequency axis from 0 Hz
    RightScale phase{};   // the phase range the plot's height spans

    double X(double frequencyHz) const;           // relative to the plot's left edge
    double XFromLog(double log10OverMin) const { return kX * log10OverMin; }
    double Y(double magnitudeDb) const { return y0 - kY * magnitudeDb; }
    double PhaseY(double phaseDeg) const { return RightY(phase, phaseDeg); }
    double DelayY(double delayMs) const { return RightY(kDelayScale, delayMs); }
    double RightY(const RightScale& scale, double value) const {
        return (scale.top - value) * height / (scale.top - scale.bottom);
    }
    double FrequencyAtX(double x) const;          // the inverse of X
};
PlotScales ComputeScales(const PlotArea& area, const GraphView& view, double fMinHz = kAxisMinHz,
                         double fMaxHz = kAxisMaxHz);

// Colours of the graph. The grid grey is the device family's; the rest are ours.
inline constexpr Rgb kGridGrey{80, 80, 80};
inline constexpr Rgb kGraphBackground{0, 0, 0};
inline constexpr Rgb kLabelColour{170, 170, 170};
inline constexpr Rgb kCursorColour{220, 220, 220};

struct CurveStyle {
    Rgb colour{255, 255, 0};
    int penWidth = 1;
};

// Grid lines and labels for the zoom level, offset and phase view. Magnitude labels whose value
// lies outside the visible range after the offset are not drawn. In phase view the phase grid
// (lines and labels on the right) runs every 60 degrees from +180 to -180; with offset 0 its
// lines fall on the magnitude lines (every zoom level spans six grid steps).
void DrawGrid(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const GraphView& view);

// Connects the curve's values at grid points k = 1..6826 in order; 0 Hz is never drawn. The
// segment that crosses fmin is cut at the plot's left edge (points between 0 Hz and fmin lie
// left of the axis), and values beyond the plot's top or bottom run along that edge.
void DrawMagnitudeCurve(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const FrequencyGrid& grid,
                        std::span<const double> magnitudeDb, const CurveStyle& style);
// The same for a phase curve that is already wrapped (DeviceResponse::DrawnPhaseDeg); where the
// wrap jumps by more than 180 degrees between neighbours the line is broken instead of crossing
// the plot. With an unwrapped scale the curve is made continuous first and drawn over its range.
void DrawPhaseCurve(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const FrequencyGrid& grid,
                    std::span<const double> phaseDeg, const CurveStyle& style);
// A group delay curve in ms over the delay scale.
void DrawDelayCurve(Canvas& canvas, const PlotArea& area, const PlotScales& scales, const FrequencyGrid& grid,
                    std::span<const double> delayMs, const CurveStyle& style);
// The group delay of a wrapped phase on the display grid: the phase unwrapped, then
// -dphi/domega by central differences (one-sided at the ends), in ms.
std::vector<double> GroupDelayMsFromPhase(const FrequencyGrid& grid, std::span<const double> wrappedPhaseDeg);

// The whole graph of a device in drawing order: clear, grid and labels, then for each channel its
// summed magnitude and, in phase view, its drawn phase. styles[ch] styles channel ch (the last
// style repeats for further channels; none given: yellow).
void DrawResponseGraph(Canvas& canvas, const DeviceResponse& response, std::span<const CurveStyle> styles);

// ---- Cursor ---------------------------------------------------------------------------------
// The grid point under the mouse: f = 20 * 10^(x / kX) rounded to whole Hz, then the nearest grid
// point (half-way goes to the upper point). x is relative to the plot's left edge.
int CursorGridPoint(const FrequencyGrid& grid, const PlotScales& scales, double mouseX);
// "<f>Hz <dB>dB; " with one decimal each, e.g. "1001.9Hz -3.0dB; ".
std::string CursorReadout(double frequencyHz, double magnitudeDb);
// The FIR windows' form, which appends "<phase>Deg; <delay>ms; " (phase one decimal, delay three).
std::string CursorReadout(double frequencyHz, double magnitudeDb, double phaseDeg, double delayMs);
// The vertical cursor line at the mouse x (relative to the plot's left edge).
void DrawCursor(Canvas& canvas, const PlotArea& area, double mouseX);

// What the cursor reads from a curve: the nearest grid point, its frequency and the curve's
// value there, and the readout text.
struct CursorValue {
    int point = 0;
    double frequencyHz = 0;
    double magnitudeDb = 0;
    std::string readout;
};
CursorValue CursorAt(const FrequencyGrid& grid, const PlotScales& scales, double mouseX,
                     std::span<const double> magnitudeDb);
// The cursor line with its readout at the top of the plot, beside the line (on its left when the
// text would leave the plot on the right).
void DrawCursor(Canvas& canvas, const PlotArea& area, double mouseX, std::string_view readout);

// ---- Band handles and dragging ----------------------------------------------------------------
// A band's handle sits at the band's frequency and, for types that carry a gain (bell, shelves,
// band pass), at its gain; the others (passes, notch, all-passes, "Ext") sit on the 0 dB line.
struct BandHandle {
    int band = 0;  // the edit window's band number
    double frequencyHz = 1000;
    double gainDb = 0;
    bool carriesGain = true;
    bool bypassed = false;  // drawn dimmed
    std::string label;      // shown above the handle; empty: the band number plus one
};
bool PeqTypeCarriesGain(int typeCode);
BandHandle BandHandleOf(int band, double frequencyHz, double gainDb, int typeCode, bool bypassed);

inline constexpr double kHandleRadiusPx = 5.0;
inline constexpr Rgb kHandleColour{0, 200, 255};
inline constexpr Rgb kSelectedHandleColour{255, 80, 80};
inline constexpr Rgb kBypassedHandleColour{90, 110, 120};

// Canvas position of a handle (frequency clamped to the axis, row to the plot).
PointF HandlePosition(const PlotArea& area, const PlotScales& scales, const BandHandle& handle);
// The band whose handle is nearest to a canvas point within radiusPx (the selected band wins a
// tie, handles on top of each other go to the later one, which is drawn on top); -1 for none.
int HitTestHandle(const PlotArea& area, const PlotScales& scales, std::span<const BandHandle> handles,
                  PointF canvasPoint, int selectedBand = -1, double radiusPx = kHandleRadiusPx);
// Each handle as a small square with its label above it (by default the band number counted
// from one), the selected one last and in its own colour.
void DrawBandHandles(Canvas& canvas, const PlotArea& area, const PlotScales& scales,
                     std::span<const BandHandle> handles, int selectedBand);

// A drag position as band values: the frequency under the pointer in whole Hz within 20..20000,
// the gain under it on the 0.5 dB grid within -15..+15 dB.
struct BandDragValue {
    double frequencyHz = 0;
    double gainDb = 0;
    bool operator==(const BandDragValue&) const = default;
};
BandDragValue DragValueAt(const PlotArea& area, const PlotScales& scales, PointF canvasPoint);
// "Freq=1000Hz; Gain=6.0dB": whole Hz and one decimal of dB.
std::string BandDragReadout(const BandDragValue& value);
// The readout beside the pointer (below right, moved inside the canvas near its edges).
void DrawDragReadout(Canvas& canvas, PointF canvasPoint, std::string_view readout);

}  // namespace plenum
