// What the flap tools do to a line's flap: switch its side, set its height or shape, add one.
// They keep every link consistent (faces and their parts, `joined` pairs and line records) and recompute
// extents where a part's shape changed, but neither take undo copies nor mark the document modified: the
// document commands (DocumentEdits.h) wrap them with that. Positions are development millimetres with the
// part's offset included, y growing downwards.
#pragma once

#include "model/Document.h"

namespace tsm {

// "Switch Flap Position": with a twin both sides swap their flap; on an open edge the flap comes and goes
// (lineKind NoFlap <-> MountainFlap). Extents of the parts involved are recomputed; the caller reclassifies.
void SwitchFlapPosition(PartLine& line);
// The `first` corner's flap height in mm (> 0); the part's extent is recomputed.
void SetFlapHeight(PartLine& line, double heightMM);
// Adds a flap on the line's `first` side: lineKind becomes `kind` (not NoFlap) and hasFlap is set; the
// extent is recomputed; the caller reclassifies.
void AddFlap(PartLine& line, LineKind kind);
// What the flap dialog edits: height in mm and the two base angles in radians (each within (0, pi)).
void SetFlapShape(PartLine& line, double heightMM, double angle1, double angle2);

} // namespace tsm
