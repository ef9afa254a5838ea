// Flap base angles that reach past a thin neighbour over the faces beyond it, across folds gentle enough
// for a glued flap to follow.
#pragma once

#include "model/Mesh.h"

#include <vector>

namespace tsm {

// Widens the base angles of both sides of each edge where the neighbouring face is narrow at a corner but
// meets the faces beyond it in gentle folds (30 degrees at most): a flap of that corner's angle holds little
// glue, and one reaching over the faces beyond holds all it should. A wider angle is kept only where the
// flap at `flapHeight` (model units) lies wholly on those faces laid out flat; no angle grows past
// `maxAngle` (radians).
// Returns the sides widened with the angles they had, for an unfolding that is cancelled to put back.
struct FlapAnglesBefore {
    HalfEdge* side;
    double angle1, angle2;
};
std::vector<FlapAnglesBefore> WidenFlapsAcrossGentleFolds(const std::vector<Edge*>& edges, double flapHeight,
                                                          double maxAngle);

} // namespace tsm
