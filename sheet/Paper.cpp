#include "sheet/Paper.h"

#include "engine/Extents.h"
#include "sheet/RegistrationMarks.h"

#include <cmath>

namespace tsm {

namespace {

struct PaperEntry {
    const char* name;
    double widthMM; // portrait
    double heightMM;
};

// Indexed by PaperSizeCode; the B sizes are the Japanese B series.
constexpr PaperEntry kPaperTable[] = {
    {"A4", 210.0, 297.0},  {"A3", 297.0, 420.0},     {"A2", 420.0, 594.0},    {"A1", 594.0, 841.0},
    {"B5", 182.0, 257.0},  {"B4", 257.0, 364.0},     {"B3", 364.0, 515.0},    {"B2", 515.0, 728.0},
    {"B1", 728.0, 1030.0}, {"Letter", 215.9, 279.4}, {"legal", 215.9, 355.6},
};
constexpr int32_t kTableSize = static_cast<int32_t>(sizeof(kPaperTable) / sizeof(kPaperTable[0]));

// A code read from a damaged file must not index past the table; such paper behaves as A4.
const PaperEntry& EntryFor(int32_t code) {
    return (code >= 0 && code < kTableSize) ? kPaperTable[code] : kPaperTable[kPaperA4];
}

// floor(extent / step) + 1, kept within 1..kMaxSheetsPerAxis whatever the inputs.
int32_t SheetCount(double extent, double step) {
    if (!(step > 0.0) || !std::isfinite(step)) return 1; // nothing printable: one sheet is all there is
    const double count = std::floor(extent / step) + 1.0;
    if (!(count >= 1.0)) return 1; // also NaN, and content lying wholly at negative coordinates
    if (count >= kMaxSheetsPerAxis) return kMaxSheetsPerAxis;
    return static_cast<int32_t>(count);
}

} // namespace

Paper Paper::FromSettings(const Settings& settings) {
    Paper paper;
    paper.sizeCode = settings.paperSize;
    paper.landscape = settings.paperOrientation;
    paper.sideMarginMM = settings.marginSideMM;
    paper.topMarginMM = settings.marginTopMM;
    return paper;
}

const char* Paper::SizeName(int32_t code) {
    return (code >= 0 && code < kTableSize) ? kPaperTable[code].name : "";
}

// A custom size is taken as given: its width is the width on the sheet whatever the orientation.
double Paper::PaperWidth() const {
    if (sizeCode == kPaperCustom) return customWidthMM;
    const PaperEntry& entry = EntryFor(sizeCode);
    return landscape != 0 ? entry.heightMM : entry.widthMM;
}

double Paper::PaperHeight() const {
    if (sizeCode == kPaperCustom) return customHeightMM;
    const PaperEntry& entry = EntryFor(sizeCode);
    return landscape != 0 ? entry.widthMM : entry.heightMM;
}

double Paper::PrintableWidth() const {
    return PaperWidth() - 2.0 * sideMarginMM;
}

double Paper::PrintableHeight() const {
    return PaperHeight() - 2.0 * topMarginMM;
}

double Paper::SheetsWidth(int n) const {
    return PrintableWidth() * n + 2.0 * sideMarginMM;
}

double Paper::SheetsHeight(int n) const {
    return PrintableHeight() * n + 2.0 * topMarginMM;
}

Point2 Paper::SheetCorner(int column, int row) const {
    return {PrintableWidth() * column + 2.0 * sideMarginMM, PrintableHeight() * row + 2.0 * topMarginMM};
}

SheetArea PrintableRegion(const Paper& paper, const Settings& settings) {
    SheetArea area{paper.PrintableWidth(), paper.PrintableHeight(), {}};
    // The registration marks' zones as the printable area sees them.
    for (const PaperRect& zone : MarkKeepOutZones(MarksKindOf(settings), paper)) {
        const KeepOut k{std::max(0.0, zone.left - paper.sideMarginMM),
                        std::max(0.0, zone.top - paper.topMarginMM),
                        std::min(area.printableWidthMM, zone.right - paper.sideMarginMM),
                        std::min(area.printableHeightMM, zone.bottom - paper.topMarginMM)};
        if (k.x0 < k.x1 && k.y0 < k.y1) area.keepOuts.push_back(k);
    }
    return area;
}

void UpdateSheetGrid(Document& document, const Paper& paper, bool recompute) {
    if (!document.development) {
        document.sheetColumns = 1;
        document.sheetRows = 1;
        return;
    }
    Development& development = *document.development;
    ComputeDevelopmentExtent(development, recompute);
    // The 1 % allowance lets content reach slightly past the last full sheet without adding a column
    // or row; content at negative coordinates lies in the first sheet's margin and adds nothing.
    const double* frame = development.frame;
    document.sheetColumns = SheetCount(frame[0] + frame[2], paper.PrintableWidth() * 1.01);
    document.sheetRows = SheetCount(frame[1] + frame[3], paper.PrintableHeight() * 1.01);
}

} // namespace tsm
