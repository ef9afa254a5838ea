// The part numbers as the drawings print them: on each part's largest face, fitted to it, in the sizes
// the builder can still read. The EPS, DXF and EMF writers leave them out.
#pragma once

#include "engine/BuildOrder.h"
#include "model/Document.h"
#include "sheet/RasterProjection.h"

#include <string>
#include <vector>

class QPainter;

namespace tsm {

// Font sizes of a part number, millimetres: the largest, and the smallest a builder can read (a cap
// height of about 1.5 mm).
constexpr double kLargestPartNumberMM = 12.0;
constexpr double kSmallestPartNumberMM = 2.2;

// One <text> per part, centred on its place (PlacePartNumbers between the sizes above).
std::string SvgPartNumbers(const Development& development);

// The same numbers painted through `projection` (development millimetres to the painter's pixels), as the
// print puts them over its overlay.
void PaintPartNumbers(QPainter& painter, const Development& development, const RasterProjection& projection);

} // namespace tsm
