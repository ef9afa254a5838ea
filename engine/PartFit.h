// Keeping each part of an unfolding small enough for one sheet: the convex hull of a part's corners, and
// a turn under which that hull, with room for its flaps and the layout's spacing, fits the sheet's
// printable area by the one fit rule (PartFitsSheet). Flaps lie within their height of the part's edges,
// so the hull grown by the flap height holds them all: the test is safe without the flaps' shapes.
#pragma once

#include "engine/Layout.h"
#include "model/Geometry.h"

#include <vector>

namespace tsm {

struct PartLimit {
    bool active = false;
    SheetArea sheet;
    double scale = 1.0;        // mm per unit of the positions tested
    double flapHeightMM = 5.0; // room on every side
    double spacingMM = 0.0;    // the layout's gap beside each part
};

// Indices of the hull's corners in counter-clockwise order (for y up), collinear points left out.
std::vector<size_t> ConvexHull(const std::vector<Point2>& points);

// Whether the points turned by `turn` radians fit the limit.
bool FitsTurned(const std::vector<Point2>& hull, const PartLimit& limit, double turn);

// A turn under which the hull fits: `preferred` when it fits, else the first of the turns that lay a hull
// edge along x or along y. False when none fits.
bool FindFittingTurn(const std::vector<Point2>& hull, const PartLimit& limit, double preferred, double& turn);

// Of the turns that fit (`preferred`, and those that lay a hull edge along x or along y), the one whose
// box around the hull is smallest, `preferred` on a tie: parts that lie compactly leave their sheets
// fewer. False when none fits.
bool FindCompactTurn(const std::vector<Point2>& hull, const PartLimit& limit, double preferred, double& turn);

} // namespace tsm
