// The development as an SVG drawing in millimetres: filled faces and flaps under one layer each of cut
// lines, mountain folds, valley folds and flap outlines, drawn exactly as the vector line renderer draws
// them (dashes as real segments). Layers are Inkscape layers, so cutting and editing tools can switch
// them on and off.
#pragma once

#include "model/Document.h"
#include "model/Outcome.h"

#include <string>

namespace tsm {

struct SvgOptions {
    bool fillFaces = true;
    bool fillFlaps = true;
    bool overlay = true;      // texts and edge IDs
    bool partNumbers = false; // with the overlay, each part's number on its largest face
    // Above 0: the lines as a printer of this resolution (dots per inch) prints them, rather than as the
    // screen shows them; see SvgPrintedLines.h.
    int printDpi = 0;
};

// The whole file. Recomputes the development's extent first (as every export does).
std::string RenderSvg(const Document& document, const Settings& settings, const SvgOptions& options);

// The drawing itself in development millimetres: fills, then the line layers. With `asLayers` each group
// is an Inkscape layer with its id and label; without, plain groups, for a drawing nested in another layer.
std::string SvgDrawingGroups(const Document& document, const Settings& settings, const SvgOptions& options,
                             bool asLayers);

// Writes RenderSvg's text to `path` through WriteWholeFile. Fails with a reason when there is no
// development or the file cannot be written.
Outcome ExportSvg(const Document& document, const Settings& settings, const std::string& path,
                  const SvgOptions& options);

// XML text or attribute content: markup characters escaped, control characters and bytes that are not
// valid UTF-8 replaced by '?', so that any byte string gives well-formed XML.
std::string EscapeXml(const std::string& text);

// A number for SVG: at most four decimals (a tenth of a micrometre), no trailing zeros, '.' whatever the
// locale; non-finite values become 0.
std::string SvgNumber(double value);

} // namespace tsm
