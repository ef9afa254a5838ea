#include "sheet/PagePrinter.h"

#include "model/Settings.h"
#include "sheet/DevelopmentOverlay.h"
#include "sheet/PartNumberLabels.h"
#include "sheet/QPainterOutput.h"
#include "sheet/RasterProjection.h"
#include "sheet/RasterRender.h"
#include "sheet/RegistrationMarks.h"
#include "sheet/VectorLines.h"
#include "view3d/OffscreenBitmap.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

constexpr double kMillimetresPerPoint = 25.4 / 72.0;

// Device pixels of a length in millimetres from the physical paper edge, measured from the printable
// area where the painter's origin is.
double DeviceX(const PrinterPage& printer, double mmFromEdge) {
    return (mmFromEdge - printer.offsetXMM) * printer.PixelsPerMMX();
}
double DeviceY(const PrinterPage& printer, double mmFromEdge) {
    return (mmFromEdge - printer.offsetYMM) * printer.PixelsPerMMY();
}

// A cross whose centre lies in a keep-out zone of the marks is left out, stroke by stroke.
bool CrossInZone(const StrokeMM& stroke, const std::vector<PaperRect>& zones) {
    const Point2 centre{(stroke.from.x + stroke.to.x) / 2, (stroke.from.y + stroke.to.y) / 2};
    return std::any_of(zones.begin(), zones.end(),
                       [&](const PaperRect& zone) { return zone.Contains(centre); });
}

void DrawCrosses(QPainter& painter, const PrintState& state, const Paper& paper, const PrinterPage& printer,
                 const std::vector<PaperRect>& zones) {
    painter.save();
    painter.setPen(QPen(Qt::black, kCrossPenPixels, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const StrokeMM& stroke : AlignmentCrossStrokes(state, paper))
        if (!CrossInZone(stroke, zones))
            painter.drawLine(QLineF(DeviceX(printer, stroke.from.x), DeviceY(printer, stroke.from.y),
                                    DeviceX(printer, stroke.to.x), DeviceY(printer, stroke.to.y)));
    painter.restore();
}

// Clears the keep-out zones of the registration marks, then paints the marks: the cutter's sensor must
// find nothing else near them.
void DrawRegistrationMarks(QPainter& painter, const Paper& paper, const PrinterPage& printer,
                           MarksKind marks) {
    painter.save();
    painter.setPen(Qt::NoPen);
    for (const PaperRect& zone : MarkKeepOutZones(marks, paper))
        painter.fillRect(QRectF(QPointF(DeviceX(printer, zone.left), DeviceY(printer, zone.top)),
                                QPointF(DeviceX(printer, zone.right), DeviceY(printer, zone.bottom))),
                         Qt::white);
    painter.setBrush(Qt::black);
    for (const std::vector<Point2>& shape :
         RegistrationMarkShapes(marks, paper.PaperWidth(), paper.PaperHeight())) {
        QPolygonF polygon;
        for (const Point2& p : shape) polygon << QPointF(DeviceX(printer, p.x), DeviceY(printer, p.y));
        painter.drawPolygon(polygon);
    }
    painter.restore();
}

void DrawPageLabel(QPainter& painter, const PrintState& state, const Paper& paper, const PrinterPage& printer,
                   int pageNumber) {
    const QString text =
        QString::fromStdString(PageLabelText(pageNumber, state.PageCount(), PageToSheet(state, pageNumber)));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(kPageLabelPoints);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetricsF metrics(painter.font(), painter.device());
    const Point2 anchor = PageLabelAnchor(state, paper);
    // Centred on the anchor, its top on it: the painter wants the start of the baseline.
    painter.drawText(QPointF(DeviceX(printer, anchor.x) - metrics.horizontalAdvance(text) / 2,
                             DeviceY(printer, anchor.y) + metrics.ascent()),
                     text);
    painter.restore();
}

} // namespace

PrinterPage MeasurePrinterPage(const QPagedPaintDevice& device) {
    PrinterPage page;
    const QPageLayout layout = device.pageLayout();
    const QRectF full = layout.fullRect(QPageLayout::Point);
    const QRectF paint = layout.paintRect(QPageLayout::Point);
    page.paperWidthMM = full.width() * kMillimetresPerPoint;
    page.paperHeightMM = full.height() * kMillimetresPerPoint;
    page.offsetXMM = paint.left() * kMillimetresPerPoint;
    page.offsetYMM = paint.top() * kMillimetresPerPoint;
    page.printableWidthMM = paint.width() * kMillimetresPerPoint;
    page.printableHeightMM = paint.height() * kMillimetresPerPoint;
    page.dpiX = device.logicalDpiX();
    page.dpiY = device.logicalDpiY();
    return page;
}

PagePrinter::PagePrinter(Document& document, const Settings& settings, const Paper& paper,
                         const PrintState& state, const PrinterPage& printer, IPrompt& prompt)
    : document_(document), settings_(settings), paper_(paper), state_(state), printer_(printer),
      prompt_(prompt) {}

PagePrinter::~PagePrinter() = default;

bool PagePrinter::DrawBitmap(QPainter& painter, const SheetIndex& sheet) {
    const BitmapSize size = PageBitmapSize(paper_, printer_, state_.scale, settings_.resolutionChoice,
                                           state_.preview, RenderSideLimit());
    lastSize_ = size;
    lastBands_ = 0;
    const double pw = paper_.PrintableWidth(), ph = paper_.PrintableHeight();
    if (!(pw > 0) || !(ph > 0) || !std::isfinite(pw) || !std::isfinite(ph)) return false;

    // The sheet's printable rectangle fills the bitmap exactly, whatever truncation did to its size.
    RasterProjection projection;
    projection.widthPixels = size.width;
    projection.heightPixels = size.height;
    projection.pixelsPerMMX = size.width / pw;
    projection.pixelsPerMMY = size.height / ph;
    projection.originX = -double(sheet.column) * size.width;
    projection.originY = -double(sheet.row) * size.height;

    // Where the bitmap is stretched to, in device pixels.
    const QRectF target(DeviceX(printer_, state_.originXMM), DeviceY(printer_, state_.originYMM),
                        pw * state_.scale * printer_.PixelsPerMMX(),
                        ph * state_.scale * printer_.PixelsPerMMY());
    const double deviceRowsPerRow = target.height() / size.height;

    // The page is rendered and sent to the device a band at a time, so no page needs its whole bitmap.
    const int rows =
        std::min({size.height, bandRows_ > 0 ? bandRows_ : BandRows(size.width), RenderSideLimit()});
    if (band_ == nullptr || band_->Width() != size.width || band_->Height() != rows)
        band_ = std::make_unique<OffscreenBitmap>(prompt_, size.width, rows);
    if (!band_->HasBitmap()) return false;

    const bool lighten = settings_.lightenColorsToWhite && !state_.preview;
    const size_t stride = size_t(band_->Stride());
    painter.save();
    // Colour on colour: pixels are copied, not blended with their neighbours.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int top = 0; top < size.height; top += rows) {
        if (!RenderDevelopment(document_, settings_, projection.Band(top, rows), *band_, prompt_)) {
            painter.restore();
            return false;
        }
        if (lighten) LightenBitmap(*band_);
        // The band's bits run bottom-up: its top `count` rows are its last ones.
        const int count = std::min(rows, size.height - top);
        const QImage rowsUpsideDown(band_->Bits() + size_t(rows - count) * stride, size.width, count,
                                    int(stride), QImage::Format_BGR888);
        const QImage image = rowsUpsideDown.mirrored(false, true);
        painter.drawImage(QRectF(target.left(), target.top() + top * deviceRowsPerRow, target.width(),
                                 count * deviceRowsPerRow),
                          image, QRectF(0, 0, size.width, count));
        ++lastBands_;
    }
    painter.restore();
    return true;
}

bool PagePrinter::PrintPage(QPainter& painter, int pageNumber) {
    const double px = printer_.PixelsPerMMX(), py = printer_.PixelsPerMMY();
    const SheetIndex sheet = PageToSheet(state_, pageNumber);

    painter.save();
    // Nothing outside the physical page.
    painter.setClipRect(QRectF(-printer_.offsetXMM * px, -printer_.offsetYMM * py, printer_.paperWidthMM * px,
                               printer_.paperHeightMM * py));

    const bool rendered = DrawBitmap(painter, sheet);
    // Print-and-cut registration marks on every page, as the settings ask.
    const MarksKind marks = MarksKindOf(settings_);
    if (PrintsAlignmentCrosses(state_, settings_.printCropMarks))
        DrawCrosses(painter, state_, paper_, printer_, MarkKeepOutZones(marks, paper_));
    if (settings_.printPageNumbers) DrawPageLabel(painter, state_, paper_, printer_, pageNumber);

    // Development millimetres onto the page: the sheet's printable corner at the scaled area's corner.
    const double sx = state_.scale * px, sy = state_.scale * py;
    const double originX = DeviceX(printer_, state_.originXMM) - sheet.column * paper_.PrintableWidth() * sx;
    const double originY = DeviceY(printer_, state_.originYMM) - sheet.row * paper_.PrintableHeight() * sy;
    RasterProjection projection;
    projection.widthPixels = static_cast<int>(std::min(1e9, paper_.PrintableWidth() * sx));
    projection.heightPixels = static_cast<int>(std::min(1e9, paper_.PrintableHeight() * sy));
    projection.pixelsPerMMX = sx;
    projection.pixelsPerMMY = sy;
    projection.originX = originX;
    projection.originY = originY;
    DrawOverlay(painter, document_, settings_, projection, OverlayMode::Print);
    if (partNumbers_ && !settings_.drawPartNumbers && document_.development != nullptr)
        PaintPartNumbers(painter, *document_.development, projection);

    if (!settings_.translucentLines && document_.development != nullptr) {
        painter.save();
        painter.translate(originX, originY);
        QPainterOutput output(painter);
        DrawVectorLines(output, *document_.development, settings_, sx, sy);
        painter.restore();
    }
    if (marks != MarksKind::None) DrawRegistrationMarks(painter, paper_, printer_, marks);
    painter.restore();
    return rendered;
}

Result<PrintedJob> PrintDevelopment(QPagedPaintDevice& device, Document& document, const Settings& settings,
                                    const Paper& paper, IPrompt& prompt, const PrintOptions& options) {
    if (document.development == nullptr) return Outcome::Failed("the model has no development");
    PrintedJob out;
    out.state = PreparePrintJob(document, settings, paper, options.preview);
    const PrinterPage printer = MeasurePrinterPage(device);
    FitToPrinter(out.state, paper, printer, prompt);
    const PageRange range = PrintedPages(out.state, options.fromPage, options.toPage);
    if (range.first > range.last) return Outcome::Failed("there is no page to print");

    QPainter painter;
    if (!painter.begin(&device)) {
        prompt.Message(kMessagePrintJobFailed);
        return Outcome::Cancelled(kMessagePrintJobFailed);
    }
    // Part numbers asked for this print count as the setting, so that the edge labels keep clear of them.
    Settings run = settings;
    run.drawPartNumbers = run.drawPartNumbers || options.partNumbers;
    PagePrinter pages(document, run, paper, out.state, printer, prompt);
    pages.SetBandRows(options.bandRows);
    pages.SetPartNumbers(options.partNumbers);
    Outcome outcome = Outcome::Ok();
    for (int n = range.first; n <= range.last && outcome.ok(); ++n) {
        if (n > range.first && !device.newPage()) {
            outcome = Outcome::Failed("the device refused a new page");
            break;
        }
        // One failed render fails every page alike; the user has been told once.
        if (!pages.PrintPage(painter, n)) outcome = Outcome::Cancelled("the page could not be rendered");
        ++out.pagesPrinted;
        out.bitmapSize = pages.LastBitmapSize();
    }
    painter.end();
    if (!outcome.ok()) return outcome;
    return out;
}

} // namespace tsm
