// Printing the development onto any paged device: a printer, a print preview or a PDF file. One sheet
// per page: the sheet's faces, flaps and pictures as a bitmap stretched onto the page (with the lines too
// when they are printed smoothly), then alignment crosses, the page label, texts and edge IDs, and the
// lines as vectors when they are printed clearly. The GUI's Print and Print Preview and tsmtool's print
// all come through PrintDevelopment.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Result.h"
#include "sheet/Paper.h"
#include "sheet/PrintJob.h"

#include <memory>
#include <string>

class QPainter;
class QPagedPaintDevice;

namespace tsm {

class OffscreenBitmap;

// The device's paper, printable area and resolution. Painting on a paged device starts at the
// printable area's top left corner, as on a printer.
PrinterPage MeasurePrinterPage(const QPagedPaintDevice& device);

// Draws single pages of one job. Keeps the band renderer from page to page, since every page of a job
// has the same bitmap size.
class PagePrinter {
public:
    PagePrinter(Document& document, const Settings& settings, const Paper& paper, const PrintState& state,
                const PrinterPage& printer, IPrompt& prompt);
    ~PagePrinter();
    PagePrinter(const PagePrinter&) = delete;
    PagePrinter& operator=(const PagePrinter&) = delete;

    // Rows rendered at once; 0 (the default) lets the renderer choose by the bitmap's width.
    void SetBandRows(int rows) { bandRows_ = rows; }
    // Each part's number on its largest face, over the overlay (off by default).
    void SetPartNumbers(bool on) { partNumbers_ = on; }

    // Page `pageNumber` (1-based) onto `painter`, whose origin is the printer's printable area. False when
    // the bitmap could not be rendered (the renderer has told the user); the vectors are drawn anyway.
    bool PrintPage(QPainter& painter, int pageNumber);

    // The size of the bitmap the last page was rendered at, and the bands it took.
    BitmapSize LastBitmapSize() const { return lastSize_; }
    int LastBandCount() const { return lastBands_; }

private:
    bool DrawBitmap(QPainter& painter, const SheetIndex& sheet);

    Document& document_;
    const Settings& settings_;
    Paper paper_;
    PrintState state_;
    PrinterPage printer_;
    IPrompt& prompt_;
    int bandRows_ = 0;
    bool partNumbers_ = false;
    std::unique_ptr<OffscreenBitmap> band_;
    BitmapSize lastSize_;
    int lastBands_ = 0;
};

struct PrintOptions {
    bool preview = false;
    int fromPage = 0; // a print dialog's range; 0 and 0 print every page
    int toPage = 0;
    int bandRows = 0;         // see PagePrinter::SetBandRows
    bool partNumbers = false; // see PagePrinter::SetPartNumbers
};

struct PrintedJob {
    PrintState state;      // as the job computed it
    int pagesPrinted = 0;  // pages that went to the device
    BitmapSize bitmapSize; // of the last page
};

// The whole job on `device`: the page list, the paper and printable checks with their questions, then
// every page of the range, each on a new page of the device. Failed (nothing to print, the device refused
// a page) or cancelled (the user was told: "Could not start print job." when the device cannot be painted
// on, a page that could not be rendered), the reason said for the command line.
Result<PrintedJob> PrintDevelopment(QPagedPaintDevice& device, Document& document, const Settings& settings,
                                    const Paper& paper, IPrompt& prompt, const PrintOptions& options);

} // namespace tsm
