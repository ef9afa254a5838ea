// Glue flaps: their shape from height and base angles, automatic base angles, and which side of each
// edge carries the flap.
#pragma once

#include "model/Document.h"

#include <array>

namespace tsm {

// Sets h.flapShape from h, h.next, flapHeight and the two angles; `sideFlag` is the development's
// `reversed` flag (false puts the flap to the right of the edge as seen on the sheet).
void ComputeFlapShape(HalfEdge& h, bool sideFlag);
// Base angles limited by maxFlapBaseAngleDegrees and the neighbouring face's corner angles.
void AutoFlapAngles(HalfEdge& h, int32_t maxBaseAngleDegrees);
void AutoFlapAnglesAll(Mesh& model, int32_t maxBaseAngleDegrees);
// Chooses the flap side of every edge of the development: the smaller face, or the first visited.
void PlaceFlaps(Development& development, Mesh& model, double heightMM);
// The closed flap polygon: h, tipStart, tipEnd, h.next (positions relative to the part).
std::array<Point2, 4> FlapOutline(const HalfEdge& h);

} // namespace tsm
