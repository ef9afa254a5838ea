// The development's lines in an SVG drawing as a printed sheet shows them, so that a print-and-cut file's
// picture of the sheet lies over the printed page. With translucent lines the print draws them into its
// bitmap (pixels of the bitmap wide, at the line alpha, dashes walked in millimetres, flap outlines under
// the faces); without, as vectors pens of whole printer pixels.
#pragma once

#include "model/Document.h"

#include <array>
#include <string>

namespace tsm {

// How wide a line pixel is on paper, in pixels per millimetre: of the print's bitmap with translucent
// lines, of the printer itself without. `printDpi` is the printer's resolution.
double PrintedLinePixelsPerMM(const Settings& settings, int printDpi);

// The flaps' fills, each followed by its outline, the last flap first (an earlier flap lies over a later
// one, its fill over the later one's outline): polygons and polylines in development millimetres.
std::string SvgPrintedFlaps(const Development& development, const Settings& settings, double pixelsPerMM);

// The part lines as the print's bitmap draws them, per layer (indexed by VectorLayer; the flap outline
// layer stays empty, SvgPrintedFlaps draws those).
std::array<std::string, 4> SvgPrintedBitmapLines(const Development& development, const Settings& settings,
                                                 double pixelsPerMM);

} // namespace tsm
