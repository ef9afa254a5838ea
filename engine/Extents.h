// Where each part lies and how large the whole development is; rescaling to an absolute scale.
#pragma once

#include "model/Document.h"

namespace tsm {

// Moves the part's corners so that its box (flaps that stick out included) starts at (0, 0) and puts the
// offset into the part's position. A part already in place (up to rounding) keeps its corners, position and
// size, so measuring it again changes nothing.
void ComputePartExtent(Part& part);
// frame = bounding box of parts, texts and both picture lists.
void ComputeDevelopmentExtent(Development& development, bool recomputeParts);
// Multiplies everything by targetScale / scale; the target is absolute. Returns that factor, by which the
// owner of the development scales its default flap height too.
double ScaleDevelopment(Development& development, double targetScale, bool scaleTexts);

// The scale (mm per model unit) at which the largest of the model's height, width and depth (its
// axis-aligned box, as the status bar's assembled size measures it) is `sizeMM`; 0 for a flat or empty box.
double ScaleForLargestDimension(const Mesh& model, double sizeMM);

} // namespace tsm
