// Glue flaps: their shape from height and base angles, automatic base angles, and which side of each
// edge carries the flap.
#pragma once

#include "model/Document.h"

#include <array>

namespace tsm {

// The computed outline of a glue flap: the two outer corners, next to the start and next to the end of the
// edge, relative to the part like the corners. Worked out when asked for, never stored.
struct FlapShape {
    Point2 tipStart;
    Point2 tipEnd;
};

// The flap of h from h, h.next, flapHeight and the two angles; `sideFlag` is the development's `reversed`
// flag (false puts the flap to the right of the edge as seen on the sheet).
FlapShape ComputeFlapShape(const HalfEdge& h, bool sideFlag);
// The side flag of the development that h's part belongs to; false for a corner outside every part.
bool FlapSideFlag(const HalfEdge& h);
// Base angles limited by maxFlapBaseAngleDegrees and the neighbouring face's corner angles.
void AutoFlapAngles(HalfEdge& h, int32_t maxBaseAngleDegrees);
void AutoFlapAnglesAll(Mesh& model, int32_t maxBaseAngleDegrees);
// Chooses the flap side of every edge of the development: the smaller face, or the first visited.
void PlaceFlaps(Development& development, Mesh& model, double heightMM);
// The closed flap polygon: h, tipStart, tipEnd, h.next (positions relative to the part), on the side that
// FlapSideFlag gives or on `sideFlag`'s.
std::array<Point2, 4> FlapOutline(const HalfEdge& h);
std::array<Point2, 4> FlapOutline(const HalfEdge& h, bool sideFlag);

} // namespace tsm
