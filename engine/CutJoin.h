// What the cut and join tools do to the development: cut a fold, join a cut edge back, and find a line's
// ends and part.
// They keep every link consistent (faces and their parts, `joined` pairs and line records) and recompute
// extents where a part's shape changed, but neither take undo copies nor mark the document modified: the
// document commands (DocumentEdits.h) wrap them with that. Positions are development millimetres with the
// part's offset included, y growing downwards.
#pragma once

#include "model/Document.h"

#include <array>

namespace tsm {

// A fold: both sides of the edge lie in the line's part, joined.
bool IsFoldLine(const PartLine& line);
// A cut edge that has a neighbour to join with: the line's `first` corner has a twin that is not joined,
// and that twin lies in another face that belongs to a part of the same development.
bool IsJoinableCutLine(const PartLine& line);

// Cuts the fold `line` (IsFoldLine must hold). The other side gets a line record of its own. When the cut
// splits the part, the faces that no longer connect to the clicked side's face become a new part, and the
// clicked side's piece (the one holding `line.first`) moves by 2.5 % of `printableWidthMM` perpendicular to
// the edge, into that face; the new piece stays. Returns the new part, or null when the part stayed whole.
Part* CutAtLine(Development& development, PartLine& line, double printableWidthMM);

// Joins the cut edge `line` (IsJoinableCutLine must hold) with its twin side. The part holding
// `line.first` stays; the twin's part is turned onto it and merged into it. When both sides lie in one
// part, only the twin's face moves across, after its folds are cut, and whatever no longer connects
// becomes new parts. Coincident cut edges of the result are joined within `coincidentThresholdMM`.
void JoinAtLine(Development& development, PartLine& line, double coincidentThresholdMM);

// The join tool's second click at `click`: `line` when the click is nearer to the midpoint of its own side
// of the edge, else the line of the twin's side (also on a tie), so that the side nearer the click stays.
PartLine& JoinLineForClick(PartLine& line, const Point2& click);

// A line's end points in development coordinates: the `first` corner and the next one, offset included.
std::array<Point2, 2> LineEnds(const PartLine& line);
// The part holding `line`, by its `first` corner's face.
Part* PartOf(const PartLine& line);

} // namespace tsm
