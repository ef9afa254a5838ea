// Turning and mirroring the whole model about its centre, for the model-coordinate wizard. The faces, edges
// and development keep their identities; only positions and what derives from them (planes, fold angles,
// bounds, mirror partners) change, so a development made before still fits the model afterwards.
#pragma once

#include "model/Document.h"

namespace tsm {

enum class Axis { X, Y, Z };

// Turns every vertex of every solid by a multiple of 90 degrees (counter-clockwise looking down the axis
// towards the origin) about the model's centre. Quarter turns use exact sines and cosines, so that
// the shape does not drift however often the wizard turns it.
void RotateModelQuarter(Mesh& model, Axis axis, int quarterTurns);
// Mirrors every vertex in x about the centre and turns every face over, so that the outside stays the
// outside.
void MirrorModelX(Mesh& model);

} // namespace tsm
