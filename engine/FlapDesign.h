// Glue flaps designed to be cut out as printed: every cut edge between two faces gets one flap, on a side
// where it covers neither a face nor another flap of its part, made lower and narrower where the full
// flap would. A flap never drops below half the area of its edge's reference flap (base angles of 45
// degrees, height the smaller of the flap height and half the edge), so that it still holds glue. Every
// flap first takes the smallest such shape that has room and then grows into the room the others leave,
// so that a flap designed early never takes all the room a neighbour needed. Parts apart on the sheet
// never meet, their boxes holding their flaps, so only a flap's own part is searched.
#pragma once

#include "model/Document.h"

#include <vector>

namespace tsm {

// A cut edge where no side has room, and on each side the face of the same part that the smallest
// allowed flap there runs into (the face itself, or the face whose flap it is); null where none was found.
struct CrowdedEdge {
    HalfEdge* sides[2] = {nullptr, nullptr};
    const Face* blockers[2] = {nullptr, nullptr};
};

struct FlapDesignCounts {
    int designed = 0; // cut edges that got a flap clear of everything
    int crowded = 0;  // cut edges where no side has room: the reference flap is kept on the first side
    std::vector<CrowdedEdge> crowdedEdges;
};

// The reference flap's area for an edge of `length` with flaps `height` high.
double ReferenceFlapArea(double length, double height);

// The lowest flap the design tries on an edge of `length` whose base angles' cotangents sum to `spread`
// that still holds half the reference area; -1 where none does.
double LowestFlapHeight(double length, double height, double spread);

// Whether an edge of `length` has a side whose corners, allowing base angles up to their own, can carry a
// flap the design would try that keeps half its reference area, with nothing else in its way. An edge
// between two slivers may have none: cut there, it could never be glued.
bool HoldsFlap(double length, double height, const HalfEdge& side1, const HalfEdge& side2);

// Whether a flap the design would try on an edge of `length` keeps half its reference area with its base
// angle at one end no wider than `gap` (a slit there opens that wide): that end's angle is the corner's
// `angleThere` under the design's caps, the other end keeps `angleOther`.
bool FitsBesideSlit(double length, double height, double gap, double angleThere, double angleOther);

// Designs the flaps of every part from the sides PlaceFlaps chose (tried first) and the corners' own base
// angles (the widest allowed), at most `height` high; positions in the development's current units. Part
// boxes are stale afterwards.
FlapDesignCounts DesignFlaps(Development& development, double height);

} // namespace tsm
