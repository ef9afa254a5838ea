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
// LayoutParts with `method`, and the texts off the sheets brought back onto them. The document's default
// flap height follows the scale. Does nothing without a development.
void RecalculatePartsLayout(Document& document, const LayoutMethod& method, const SheetArea& sheet);

// Moves each text that no sheet holds whole (across a sheet border, or left of or above the first sheet)
// onto the nearest sheet of those the parts lie on, as little as it takes; a text larger than a sheet goes to
// that sheet's top left corner. Texts already on a sheet stay where they are.
void BringTextsOntoSheets(Development& development, const SheetArea& sheet);

// What the layout dialog proposes for the document's development: the method it was last laid out with
// in this session, otherwise `preferred` (the user's last choice); its scale is the development's own.
LayoutMethod ProposedLayoutMethod(const Document& document, const LayoutMethod& preferred);

// Whether the dialog's answer lays the development out as it is now: the same method and, without
// "Auto", the same scale.
bool SameLayout(const LayoutMethod& a, double scaleA, const LayoutMethod& b, double scaleB);

} // namespace tsm
