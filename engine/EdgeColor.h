// What the edge colour tool does: which lines it may act on, painting and hiding them.
// They keep every link consistent (faces and their parts, `joined` pairs and line records) and recompute
// extents where a part's shape changed, but neither take undo copies nor mark the document modified: the
// document commands (DocumentEdits.h) wrap them with that. Positions are development millimetres with the
// part's offset included, y growing downwards.
#pragma once

#include "model/Document.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tsm {

// The "Edge Color" dialog's target check boxes.
struct EdgeColorTargets {
    bool cutLines = true;
    bool mountain = true;
    bool valley = true;
};

// Whether the colour tool may act on `line`: kinds Mountain and FlapMountain need `mountain`, Valley and
// FlapValley need `valley`, Cut needs `cutLines`; with flat edges omitted, a flat edge's line only when
// its kind is Cut, FlapMountain or FlapValley.
bool CanColorLine(const PartLine& line, const EdgeColorTargets& targets, const DisplaySettings& display);
// Shows the line and gives its `first` corner (and that corner's joined partner) the colour.
void PaintLine(PartLine& line, const std::array<uint8_t, 3>& rgb);
void HideLine(PartLine& line);
// The `first` corner's side colour as 0-255 channels (rounded).
std::array<uint8_t, 3> LineColor(const PartLine& line);
// The lines that lie wholly inside the rectangle (any two opposite corners) and that CanColorLine allows,
// in part order then line order.
std::vector<PartLine*> LinesInRect(Development& development, const Point2& a, const Point2& b,
                                   const EdgeColorTargets& targets, const DisplaySettings& display);

} // namespace tsm
