// The visible part of each glue flap's outline: the pieces that do not lie under paper, that is under a
// face of any part or under a flap drawn earlier in the same drawing pass.
#pragma once

#include "model/Document.h"

#include <functional>

namespace tsm {

// Receives one visible piece of a flap outline, in development coordinates (part offset included).
using FlapPieceSink = std::function<void(const Point2& a, const Point2& b)>;

// Flaps whose base is shorter than this (mm) never hide anything: they have no area worth covering.
constexpr double kMinHidingFlapBaseMM = 0.001;

// Clears every part line's flap-drawn mark; a drawing pass starts with it so that no flap is hidden by
// flaps of an earlier pass.
void BeginFlapOutlinePass(Development& development);

// Emits the visible pieces of the three outer sides of the flap on line.first (start -> tipStart,
// tipStart -> tipEnd, tipEnd -> end; the base is the part line itself), then marks the line as drawn so
// that flaps drawn after it are hidden where they lie under it. `part` is the part owning the line.
void DrawFlapOutline(Development& development, const Part& part, PartLine& line, const FlapPieceSink& sink);

// True for the drawKind values whose line carries a drawn flap.
bool HasDrawnFlap(DrawKind drawKind);

// Geometry shared with the development view. Segments cross where their lines meet at a point inside
// both (ends included); parallel segments never cross. `t` is the crossing's parameter along ab.
bool SegmentsCross(const Point2& a, const Point2& b, const Point2& c, const Point2& d, double* t);
// Inside or on the border; a degenerate (zero-area) triangle contains nothing.
bool PointInTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c);
// rect is x, y, width, height; the border counts as inside.
bool PointInRect(const Point2& p, const double rect[4]);
// An end inside the rectangle or the segment crossing one of its four sides.
bool SegmentTouchesRect(const Point2& a, const Point2& b, const double rect[4]);

} // namespace tsm
