// Filling sheets one after another with boxes that each fit a sheet, so that a development at a fixed
// scale prints on as few pages as its parts' boxes allow: a part's box goes on the first sheet with room
// for it, where it leaves the least room beside it (the free room kept as the largest rectangles there
// are), and a new sheet is started only when no sheet has room.
#pragma once

#include <vector>

namespace tsm {

struct PackBox {
    double w = 0, h = 0;
};

// A rectangle of a sheet no box may overlap (touching is clear), from the sheet's top left corner.
struct PackBlock {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct PackedBox {
    int sheet = 0;
    double x = 0, y = 0; // the box's top left corner on its sheet
};

// Places `boxes` in their order on sheets of w x h clear of `blocked` (the same on every sheet); a box may
// be up to `tolerance` larger than the room it takes. Empty when some box, or the sheet, cannot take a
// place on an empty sheet (negative, not finite, or too large).
std::vector<PackedBox> PackOnSheets(const std::vector<PackBox>& boxes, double w, double h,
                                    const std::vector<PackBlock>& blocked, double tolerance);

} // namespace tsm
