// Whether a development is large enough to build by hand: once its typical edge is shorter than two flaps,
// the flaps and edge IDs cover the faces and the parts cannot be cut and glued.
#pragma once

#include "model/Document.h"

#include <optional>
#include <string>

namespace tsm {

// The median length in millimetres of the edges of the development's faces (a fold counted from both of
// its faces, a cut edge once per side); none without an edge.
std::optional<double> MedianEdgeLengthMM(const Development& development);

// The warning after unfolding when the median edge is shorter than twice the default flap height; empty
// when the development is buildable or there is none.
std::string UnbuildableWarning(const Document& document);

} // namespace tsm
