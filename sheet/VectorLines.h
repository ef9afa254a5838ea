// The cut and fold lines and the visible flap outlines of the development as solid pen segments: the
// drawing used by vector printing, the metafile, the clipboard and the SVG export.
#pragma once

#include "model/Document.h"
#include "sheet/VectorOutput.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tsm {

// Values of cutLineStyle, mountainLineStyle and valleyLineStyle. The value picks the dash pattern, not
// the kind of line: a mountain fold may well be dashed with the valley pattern.
enum LineStyle : int32_t {
    kLineSolid = 0,
    kLineNone = 1,
    kLineValleyDashes = 2,
    kLineMountainDashes = 3,
};

// A dash shorter than this ends the pattern's cycle (the walk restarts at the first dash).
constexpr double kMinDashLength = 0.01;

// One drawn dash: distances from the segment's start.
struct DashSpan {
    double from = 0, to = 0;
};

// Walks (dash, gap) pairs along a segment of `length`, starting afresh at its start: draws each dash
// clipped to the segment, restarts at the first pair after the last one or at a dash below
// kMinDashLength, and draws nothing when the first dash is below it. A final dash without its gap is
// followed by no gap. The walk stops when a whole cycle does not advance, so bad patterns never hang.
std::vector<DashSpan> WalkDashes(double length, const double* list, size_t count);
// The same into `spans` (emptied first), for callers that walk many lines.
void WalkDashes(double length, const double* list, size_t count, std::vector<DashSpan>& spans);
inline std::vector<DashSpan> WalkDashes(double length, const std::vector<double>& list) {
    return WalkDashes(length, list.data(), list.size());
}

// One cycle of a dash pattern as WalkDashes walks it: its length and the part of it that is ink, both in
// pattern units. Zero length when the pattern draws nothing or does not advance.
struct DashCycle {
    double length = 0.0;
    double ink = 0.0;
    // The share of a long line the dashes cover, 0..1.
    double Coverage() const { return length > 0.0 ? std::min(1.0, std::max(0.0, ink / length)) : 0.0; }
};
DashCycle DashCycleOf(const double* list, size_t count);

// The vector renderer's dash list: the pattern's positive values in order, each times sqrt(sx² + sy²),
// so the dashes scale with the diagonal of one device millimetre square.
std::vector<double> VectorDashList(const double (&patternMM)[6], double sx, double sy);

// The style a part line of this drawKind takes from the settings; kLineNone for kinds drawn as no line.
int32_t LineStyleForKind(DrawKind drawKind, const Settings& settings);
// Layer of a drawn line kind: cut, mountain (with or without flap) or valley.
VectorLayer LayerForKind(DrawKind drawKind);
// A stored colour (three floats 0..1) as a pen colour: each channel times 255, truncated.
PenColour PenColourOf(const float (&rgb)[3]);
// Pen width of the vector lines in device pixels.
int VectorLineWidth(const Settings& settings);

// How device coordinates are formed from development millimetres times the scale.
enum class DeviceRounding {
    Truncate, // whole device pixels, as a device context takes them
    None,     // kept exact, for outputs that convert back to millimetres
};

// Draws the lines of the development on `output`: device x = development x * sx, device y =
// development y * sy (the caller places the device origin). Calls output.Begin() and output.End().
// Changes only the flap-drawn marks of the part lines.
void DrawVectorLines(VectorOutput& output, Development& development, const Settings& settings, double sx,
                     double sy, DeviceRounding rounding = DeviceRounding::Truncate);

} // namespace tsm
