// The arithmetic of a print job, free of any printer: which sheets become which pages, whether the
// model's paper suits the printer's (and the questions asked when it does not), the scale and where the
// scaled printable area lands on the printer's paper, the size of each page's bitmap, the alignment
// crosses and the page label. PagePrinter draws with these values; the tests check them without a printer.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "sheet/PageList.h"
#include "sheet/Paper.h"

#include <string>
#include <vector>

namespace tsm {

extern const char* const kMessagePaperMismatch;  // "The size of paper specified by ...\nAdjust scale?"
extern const char* const kMessageNotPrintable;   // "A part of development may not fit ...\nAdjust scale?"
extern const char* const kMessagePrintJobFailed; // "Could not start print job."

// Printer paper that differs from the model's by more than this in width or height is questioned.
constexpr double kPaperMismatchMM = 5.0;
// The alignment crosses: strokes this far either side of each corner, drawn with a pen this wide.
constexpr double kCrossArmMM = 20.0;
constexpr int kCrossPenPixels = 5;
// The page label stands this far below the printable area.
constexpr double kPageLabelGapMM = 2.0;
constexpr int kPageLabelPoints = 10;

// What the printer reports, converted to millimetres with its own pixels per inch in each direction.
struct PrinterPage {
    double paperWidthMM = 0;
    double paperHeightMM = 0;
    double offsetXMM = 0; // the printable area's top left corner, from the physical paper edge
    double offsetYMM = 0;
    double printableWidthMM = 0;
    double printableHeightMM = 0;
    double dpiX = 0; // device pixels per inch
    double dpiY = 0;

    double PixelsPerMMX() const { return dpiX / 25.4; }
    double PixelsPerMMY() const { return dpiY / 25.4; }
};

// The state one job shares between its steps; a new job starts afresh.
struct PrintState {
    double scale = 1.0;
    bool scaled = false;
    double originXMM = 0; // the scaled printable area's top left corner, from the physical paper edge
    double originYMM = 0;
    std::vector<SheetIndex> pages;
    bool preview = false;

    int PageCount() const { return static_cast<int>(pages.size()); }
};

// The preparation step: scale 1, origin (0, 0), the page list of the document's grid (blank sheets left
// out with skipBlankPages).
PrintState PreparePrintJob(const Document& document, const Settings& settings, const Paper& paper,
                           bool preview);

// The sheet of a 1-based page; a number outside the list gives page 1's sheet ((0, 0) for an empty list).
SheetIndex PageToSheet(const PrintState& state, int pageNumber);

// The beginning of the job: the paper check, else the printable check, each with its Yes/No question;
// Yes scales the model's printable area to fit and centres it in the printer's printable area, anything
// else prints at scale 1 at the model's margins.
void FitToPrinter(PrintState& state, const Paper& paper, const PrinterPage& printer, IPrompt& prompt);

// The pages to print, 1-based and inclusive: a range as a print dialog returns it (0 and 0 for all pages)
// limited to the page count. An empty job (no pages, or a range wholly past the end) gives first > last.
struct PageRange {
    int first = 1;
    int last = 0;
};
PageRange PrintedPages(const PrintState& state, int fromPage, int toPage);

// The resolution tsmtool prints at unless told otherwise, and the printer the print-and-cut files' picture
// of the sheet is drawn for.
constexpr int kDefaultPrintDpi = 600;

// resolutionChoice as the divisor of the page bitmap's size: 1, 2, 4 or 8, the value clamped to 0..3.
int ResolutionDivisor(int resolutionID);

// The page bitmap: the model's printable area times the scale in device pixels, truncated; outside a
// preview divided by the resolution divisor (integer division), never below 1 pixel. Sizes beyond
// `maxSidePixels` (a damaged paper or device) are clamped to it.
struct BitmapSize {
    int width = 0;
    int height = 0;
};
BitmapSize PageBitmapSize(const Paper& paper, const PrinterPage& printer, double scale, int resolutionID,
                          bool preview, int maxSidePixels = 1 << 20);

// "%d/%d (row%d col%d)" with the page number, the page count, the row + 1 and the column + 1.
std::string PageLabelText(int pageNumber, int pageCount, const SheetIndex& sheet);

// Crosses are printed with printCropMarks on and only when the job has more than one page.
bool PrintsAlignmentCrosses(const PrintState& state, bool printTombo);

// The strokes of the four crosses at the corners of the scaled printable area, in millimetres from the
// physical paper edge: per corner the horizontal stroke, then the vertical one.
struct StrokeMM {
    Point2 from;
    Point2 to;
};
std::vector<StrokeMM> AlignmentCrossStrokes(const PrintState& state, const Paper& paper);

// Where the page label's top centre stands, in millimetres from the physical paper edge: centred under
// the scaled printable area, 2 mm below it.
Point2 PageLabelAnchor(const PrintState& state, const Paper& paper);

} // namespace tsm
