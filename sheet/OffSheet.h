// Parts and texts that no printed sheet holds whole: beyond the sheets, in the space left of or above the
// first one, or across the border between two sheets (printing would cut them apart or clip them).
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "sheet/Paper.h"

#include <string>

namespace tsm {

struct OffSheetCount {
    int parts = 0;
    int texts = 0;
    int total() const { return parts + texts; }
};

// Whether the box (x, y, width, height in development millimetres; width and height may be negative)
// lies wholly inside the printable area of one sheet of the document's grid.
bool InsideOneSheet(const double box[4], const Paper& paper, int columns, int rows);

bool PartOffSheet(const Part& part, const Document& document, const Paper& paper);
bool TextOffSheet(const TextBlock& text, const Document& document, const Paper& paper);
// Counts over the document's development (zero without one), against its current sheet grid.
OffSheetCount CountOffSheet(const Document& document, const Paper& paper);

// "2 parts lie outside the sheets.", "1 part and 1 text lie outside the sheets."; empty for none.
std::string OffSheetText(const OffSheetCount& count);

// Before printing or exporting: true when every part and text lies on a sheet, or when the user goes on
// anyway (`goOnLabel`: "Print anyway", "Export anyway"); false on Cancel.
bool ConfirmOffSheet(const Document& document, const Paper& paper, IPrompt& prompt,
                     const std::string& goOnLabel);

} // namespace tsm
