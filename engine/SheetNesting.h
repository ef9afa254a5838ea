// Setting parts out on sheets by their shapes rather than their boxes: the branching strips an unfolding
// cuts leave most of their boxes empty, and a neighbour may reach into that room. Each shape is drawn on a
// grid of cells (every cell it touches taken), and goes on the first sheet where it meets no taken cell
// nor comes nearer than the spacing to one, at the topmost, then leftmost such place.
#pragma once

#include "engine/SheetPacking.h"
#include "model/Geometry.h"

#include <vector>

namespace tsm {

struct NestShape {
    double w = 0, h = 0;                       // its box, from (0, 0)
    std::vector<std::vector<Point2>> polygons; // convex pieces in the box's coordinates
};

// Places each shape's box (top left corner, as PackOnSheets does, with the spacing kept beside it) on sheets
// of w x h clear of `blocked` and `spacing` apart, in their order, on cells of `cell` millimetres. Empty when
// some shape fits no empty sheet or the input is no size.
std::vector<PackedBox> NestOnSheets(const std::vector<NestShape>& shapes, double w, double h,
                                    const std::vector<PackBlock>& blocked, double spacing, double cell);

} // namespace tsm
