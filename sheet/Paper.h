// The paper a development is laid out on, its printable area, and the grid of sheets.
#pragma once

#include "engine/Layout.h"
#include "model/Document.h"
#include "model/Settings.h"

#include <cstdint>

namespace tsm {

enum PaperSizeCode : int32_t {
    kPaperA4 = 0,
    kPaperA3,
    kPaperA2,
    kPaperA1,
    kPaperB5,
    kPaperB4,
    kPaperB3,
    kPaperB2,
    kPaperB1,
    kPaperLetter,
    kPaperLegal,
    kPaperCustom
};

class Paper {
public:
    int32_t sizeCode = kPaperA4;
    int32_t landscape = 0;
    int32_t sideMarginMM = 15;
    int32_t topMarginMM = 15;
    double customWidthMM = 0.0;
    double customHeightMM = 0.0;

    virtual ~Paper() = default;

    // The paper the current settings describe (size code, orientation and margins of the model file).
    static Paper FromSettings(const Settings& settings);
    static const char* SizeName(int32_t code); // "A4", ..., "legal"; "" for custom or unknown

    double PaperWidth() const;  // mm, orientation applied
    double PaperHeight() const; // mm
    double PrintableWidth() const;
    double PrintableHeight() const;
    double SheetsWidth(int n) const; // grid width of n columns, outer margins included
    double SheetsHeight(int n) const;
    Point2 SheetCorner(int column, int row) const;
};

// The area of one sheet that parts must lie within: the printable rectangle, less the keep-out zones of the
// registration marks the settings ask for. Every fit decision (the unfolder's part size limit, the layout,
// the buildability count) reads it from here, so that the marks shrink them all alike.
SheetArea PrintableRegion(const Paper& paper, const Settings& settings);

// Upper bound of the sheet grid's columns and of its rows, so that a damaged file (huge coordinates, margins
// wider than the paper) cannot ask for an unbounded page list.
constexpr int32_t kMaxSheetsPerAxis = 1000;

// Recomputes the development's frame (each part's extent first with `recompute`) and the document's
// sheet columns and rows. Without a development the grid is 1 x 1.
void UpdateSheetGrid(Document& document, const Paper& paper, bool recompute);

} // namespace tsm
