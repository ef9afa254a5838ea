// The part numbers as the drawings print them: on each part's largest face, fitted to it, in the sizes
// the builder can still read. The EPS, DXF and EMF writers leave them out.
#pragma once

#include "engine/BuildOrder.h"
#include "model/Document.h"

#include <string>
#include <vector>

namespace tsm {

// Font sizes of a part number, millimetres: the largest, and the smallest a builder can read (a cap
// height of about 1.5 mm).
constexpr double kLargestPartNumberMM = 12.0;
constexpr double kSmallestPartNumberMM = 2.2;

// One <text> per part, centred on its place (PlacePartNumbers between the sizes above).
std::string SvgPartNumbers(const Development& development);

} // namespace tsm
