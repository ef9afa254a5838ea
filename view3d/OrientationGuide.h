// The orientation guide the 3D view draws over the model: squares on the axis planes and an arrow.
#pragma once

#include "model/Mesh.h"

namespace tsm {

// The guide, drawn over the model around its centre (a no-op for mode 0 or without a model).
void DrawOrientationGuide(const Mesh& model, int guideMode);

} // namespace tsm
