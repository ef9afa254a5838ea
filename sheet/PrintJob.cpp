#include "sheet/PrintJob.h"

#include "model/Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tsm {

const char* const kMessagePaperMismatch =
    "The size of paper specified by Tessaly Designer is not same as Printer setting.\nAdjust scale?";
const char* const kMessageNotPrintable =
    "A part of development may not fit into printable area.\nAdjust scale?";
const char* const kMessagePrintJobFailed = "Could not start print job.";

namespace {

bool Positive(double v) {
    return v > 0 && std::isfinite(v);
}

// The smallest of the candidates that are usable; 1 when none is, so that a damaged paper never yields a
// scale of zero, infinity or NaN.
double SmallestUsable(std::initializer_list<double> candidates) {
    double best = 0;
    for (double c : candidates)
        if (Positive(c) && (best == 0 || c < best)) best = c;
    return best == 0 ? 1.0 : best;
}

int TruncatedPixels(double v, int maxSidePixels) {
    if (!(v >= 1)) return 1; // NaN, negative or below one pixel
    if (v >= maxSidePixels) return maxSidePixels;
    return static_cast<int>(v);
}

} // namespace

PrintState PreparePrintJob(const Document& document, const Settings& settings, const Paper& paper,
                           bool preview) {
    PrintState state;
    state.pages = BuildPageList(document, paper, settings.skipBlankPages);
    state.preview = preview;
    return state;
}

SheetIndex PageToSheet(const PrintState& state, int pageNumber) {
    if (state.pages.empty()) return {};
    if (pageNumber < 1 || pageNumber > state.PageCount()) pageNumber = 1;
    return state.pages[static_cast<size_t>(pageNumber - 1)];
}

void FitToPrinter(PrintState& state, const Paper& paper, const PrinterPage& printer, IPrompt& prompt) {
    state.scale = 1.0;
    state.scaled = false;
    const double modelPrintableWidth = paper.PrintableWidth();
    const double modelPrintableHeight = paper.PrintableHeight();

    bool adjust = false;
    double ratio = 1.0;
    if (std::fabs(printer.paperWidthMM - paper.PaperWidth()) > kPaperMismatchMM ||
        std::fabs(printer.paperHeightMM - paper.PaperHeight()) > kPaperMismatchMM) {
        if (prompt.AskYesNo(kMessagePaperMismatch)) {
            adjust = true;
            ratio = SmallestUsable(
                {printer.paperWidthMM / paper.PaperWidth(), printer.paperHeightMM / paper.PaperHeight()});
        }
    } else if (modelPrintableWidth > printer.printableWidthMM ||
               modelPrintableHeight > printer.printableHeightMM) {
        adjust = prompt.AskYesNo(kMessageNotPrintable);
    }

    if (adjust) {
        state.scale = SmallestUsable({ratio, printer.printableWidthMM / (modelPrintableWidth * ratio),
                                      printer.printableHeightMM / (modelPrintableHeight * ratio)});
        state.scaled = true;
        state.originXMM =
            printer.offsetXMM + (printer.printableWidthMM - modelPrintableWidth * state.scale) / 2;
        state.originYMM =
            printer.offsetYMM + (printer.printableHeightMM - modelPrintableHeight * state.scale) / 2;
    } else {
        state.originXMM = paper.sideMarginMM;
        state.originYMM = paper.topMarginMM;
    }
}

PageRange PrintedPages(const PrintState& state, int fromPage, int toPage) {
    PageRange range;
    const int count = state.PageCount();
    if (fromPage <= 0 && toPage <= 0) {
        range.first = 1;
        range.last = count;
        return range;
    }
    range.first = std::max(1, fromPage);
    range.last = toPage <= 0 ? count : std::min(toPage, count);
    return range;
}

int ResolutionDivisor(int resolutionID) {
    return 1 << std::clamp(resolutionID, 0, 3);
}

BitmapSize PageBitmapSize(const Paper& paper, const PrinterPage& printer, double scale, int resolutionID,
                          bool preview, int maxSidePixels) {
    BitmapSize size;
    size.width = TruncatedPixels(paper.PrintableWidth() * scale * printer.PixelsPerMMX(), maxSidePixels);
    size.height = TruncatedPixels(paper.PrintableHeight() * scale * printer.PixelsPerMMY(), maxSidePixels);
    if (!preview) {
        const int divisor = ResolutionDivisor(resolutionID);
        size.width = std::max(1, size.width / divisor);
        size.height = std::max(1, size.height / divisor);
    }
    return size;
}

std::string PageLabelText(int pageNumber, int pageCount, const SheetIndex& sheet) {
    char text[96];
    std::snprintf(text, sizeof text, "%d/%d (row%d col%d)", pageNumber, pageCount, sheet.row + 1,
                  sheet.column + 1);
    return text;
}

bool PrintsAlignmentCrosses(const PrintState& state, bool printTombo) {
    return printTombo && state.PageCount() != 1;
}

std::vector<StrokeMM> AlignmentCrossStrokes(const PrintState& state, const Paper& paper) {
    const double w = paper.PrintableWidth() * state.scale;
    const double h = paper.PrintableHeight() * state.scale;
    const Point2 corners[4] = {{state.originXMM, state.originYMM},
                               {state.originXMM + w, state.originYMM},
                               {state.originXMM, state.originYMM + h},
                               {state.originXMM + w, state.originYMM + h}};
    std::vector<StrokeMM> strokes;
    for (const Point2& c : corners) {
        strokes.push_back({{c.x - kCrossArmMM, c.y}, {c.x + kCrossArmMM, c.y}});
        strokes.push_back({{c.x, c.y - kCrossArmMM}, {c.x, c.y + kCrossArmMM}});
    }
    return strokes;
}

Point2 PageLabelAnchor(const PrintState& state, const Paper& paper) {
    return {state.originXMM + paper.PrintableWidth() * state.scale / 2,
            state.originYMM + paper.PrintableHeight() * state.scale + kPageLabelGapMM};
}

} // namespace tsm
