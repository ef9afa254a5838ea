// What a person with scissors and glue meets on a laid-out development: parts that do not lie wholly on
// one sheet's printable area, glue flaps that cover a face or another flap (each flap taken as the
// quadrilateral corner, tipStart, tipEnd, next corner), faces on faces, and flaps made lower than the
// others or too small to hold glue (the tallest flap stands for the flap height: the document's rounds when a
// fitted development is scaled, the flaps' own heights do not). Covering means sharing some area; touching
// along a line or at a point does not count.
#pragma once

#include "engine/Layout.h"
#include "model/Document.h"

#include <vector>

namespace tsm {

// Intersections smaller than this (mm^2) are rounding along a shared edge, not paper on paper.
constexpr double kMinOverlapAreaMM2 = 1e-4;

struct Buildability {
    int partsNotFitting = 0; // parts whose box (flaps included) is not inside one sheet's printable area
    int faceFaceOverlaps = 0;
    int flapFaceOverlaps = 0;
    int flapFlapOverlaps = 0;
    int flapsShortened = 0; // flaps lower than the development's tallest flap
    // Flaps holding less than half the area of their edge's reference flap (ReferenceFlapArea at the
    // tallest flap's height): too little to glue.
    int flapsTooSmall = 0;
};

// The fit rule: whether a part of this box could lie on one sheet at all (its size), and whether it does
// where the layout put it (sheet k spans [k w, (k + 1) w) of the printable width w, and likewise down).
bool PartFitsSheet(double widthMM, double heightMM, const SheetArea& sheet);
bool PartOnOneSheet(const Part& part, const SheetArea& sheet);

// The area two polygons share; `convex` must be convex (either winding), `polygon` any simple polygon.
double SharedArea(const std::vector<Point2>& polygon, const std::vector<Point2>& convex);

// Counts every flaw above over the whole development (every part against every part).
Buildability MeasureBuildability(const Development& development, const SheetArea& sheet);

} // namespace tsm
