// Placing the parts of a development side by side on the paper: largest first, each at the candidate
// corner that keeps the paper-shaped rectangle around everything smallest, optionally never across a
// sheet boundary.
#pragma once

#include "model/Document.h"
#include "model/Settings.h"

namespace tsm {

struct SheetArea {
    double printableWidthMM = 180.0;
    double printableHeightMM = 267.0;
};

// Places every part of `development`. `modelSize` is the model's size, which sets the spacing in automatic
// mode; in automatic mode the development is then scaled so that the arrangement fits one sheet, and
// `defaultFlapHeightMM` with it (rounded to a tenth of a millimetre).
void LayoutParts(Development& development, double modelSize, const LayoutMethod& method,
                 const SheetArea& sheet, double& defaultFlapHeightMM);

// "Recalculate Parts Layout" after its dialog: back to scale 1.0 (automatic) or documentScale, then
// LayoutParts with `method`. The document's default flap height follows the scale. Does nothing without a
// development.
void RecalculatePartsLayout(Document& document, const LayoutMethod& method, const SheetArea& sheet);

} // namespace tsm
