// Placing the parts of a development side by side on the paper: largest first, each at the candidate
// corner that keeps the paper-shaped rectangle around everything smallest, optionally never across a
// sheet boundary.
#pragma once

#include "model/Document.h"
#include "model/Settings.h"

#include <optional>
#include <vector>

namespace tsm {

// A rectangle of every sheet's printable area that parts keep out of (the room around a cutting machine's
// registration marks), in millimetres from the printable area's top left corner.
struct KeepOut {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct SheetArea {
    double printableWidthMM = 180.0;
    double printableHeightMM = 267.0;
    std::vector<KeepOut> keepOuts; // the same on every sheet
};

// Where a box of w x h millimetres can lie on one sheet, inside the printable area and clear of the
// keep-outs (touching is clear): its top left corner, the topmost then leftmost such place that rests
// against the area's edges or a keep-out. Nothing when there is no such place.
std::optional<Point2> FreeSpotOnSheet(double w, double h, const SheetArea& sheet);

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
