// The readable edge labels drawn with the GL outline font, for the development view and the bitmap
// outputs when the user has chosen that font ("Use bitmap font for edge ID").
#pragma once

#include "engine/EdgeLabels.h"

#include <vector>

namespace tsm {

// Draws in development millimetres (y down) into the current GL context: each leader as a thin grey line,
// each label centred on its place, turned with it, at its own size. `fontListBase` 0 draws nothing.
void DrawEdgeLabelsGL(const std::vector<EdgeLabel>& labels, unsigned fontListBase);

} // namespace tsm
