// What a cutting machine cuts and scores for each part: the outline of its paper (faces and glue flaps as
// printed) as simple closed paths, and its fold lines as open segments. Coordinates are development
// millimetres, y down, part offsets included.
#pragma once

#include "model/Document.h"

#include <cstddef>
#include <vector>

namespace tsm {

using ClosedPath = std::vector<Point2>; // the last point joins the first; no point repeats its neighbour

struct PartCutOutline {
    size_t partIndex = 0;          // index into development.parts
    ClosedPath outer;              // clockwise as seen on the sheet (y down)
    std::vector<ClosedPath> holes; // counter-clockwise, each inside `outer`
};

enum class FoldKind { Mountain, Valley };

struct FoldSegment {
    size_t partIndex = 0;
    FoldKind kind = FoldKind::Mountain;
    Point2 a, b;
};

// Points closer than this (mm) are taken as one; the outlines are exact to half of it.
constexpr double kCutResolutionMM = 0.0001;

// One entry per connected piece of each part's paper: its faces and, with `withFlaps`, the flaps as the
// print shows them (a flap under another part's face, or under a flap of an earlier part, is hidden
// there and not cut). A part whose paper is one piece, as every part is unless a flap is cut off, has
// exactly one entry. Parts without area give none. Order: parts in development order.
std::vector<PartCutOutline> CutOutlines(const Development& development, bool withFlaps);

// The drawn fold lines (mountain and valley, at faces and at flaps; hidden lines left out), whole,
// from corner to corner: a fold meets the outline at its ends.
std::vector<FoldSegment> FoldSegments(const Development& development);

// Twice the signed area by the shoelace sum; positive for a path that runs clockwise on the sheet (y down).
double SignedArea2(const ClosedPath& path);

} // namespace tsm
