// What the 3D view shows of one assembly step: the parts built up to it, the newest highlighted, seen from
// where the newest part's faces look at the camera.
#pragma once

#include "engine/BuildOrder.h"
#include "view3d/Camera3D.h"
#include "view3d/ModelGeometry.h"

#include <vector>

namespace tsm {

// The parts of steps 0 ... `step` (0-based) of `order`, the last one new. Inactive for a step beyond the
// order.
AssemblyStepView StepView(const Development& development, const std::vector<BuildStep>& order, size_t step);

// The turn (pitch, yaw; degrees) under which the area-weighted mean normal of the part's faces points at
// the camera, so that most of them face it. A part whose normals cancel out is seen from the direction of
// its faces from the model's centre.
void TurnTowardsPart(const Mesh& model, const Part& part, Camera3D& camera);

// TurnTowardsPart, then the part's centre brought to the middle of the picture and the camera moved in
// until the part fills a good share of it: a picture of the whole model shows a small part as a few pixels.
void FrameStepPart(const Mesh& model, const Part& part, Camera3D& camera);

} // namespace tsm
