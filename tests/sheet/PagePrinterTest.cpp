#include "sheet/PagePrinter.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "model/Settings.h"
#include "sheet/PageList.h"
#include "sheet/PrintJob.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/sheet/GoldenFiles.h"
#include "tests/sheet/ReferenceImage.h"
#include "tests/support/ShellCommand.h"
#include "tools/lib/Samples.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

// A 10 mm square part at (50, 50) mm inside each listed sheet of the A4 grid (180 x 267 printable), its
// outline as cut lines.
void SquaresIn(DevelopmentFixture& fx, const std::vector<SheetIndex>& sheets) {
    int columns = 1, rows = 1;
    for (const SheetIndex& s : sheets) {
        std::vector<Vertex*> v;
        for (int i = 0; i < 4; ++i) v.push_back(fx.AddVertex(i, s.column * 10 + s.row));
        Face* face = fx.AddFace(v, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
        Part* part = fx.AddPart({face});
        part->x = s.column * 180.0 + 50;
        part->y = s.row * 267.0 + 50;
        columns = std::max(columns, s.column + 1);
        rows = std::max(rows, s.row + 1);
    }
    fx.PairEdges();
    for (auto& part : fx.Dev().parts) DevelopmentFixture::MakeLines(part.get());
    ComputeDevelopmentExtent(fx.Dev(), true);
    ClassifyPartLines(fx.Dev(), fx.Model(), fx.doc.display);
    fx.doc.sheetColumns = columns;
    fx.doc.sheetRows = rows;
}

struct PrintRun {
    bool ok = false;
    Result<PrintedJob> outcome = Outcome::Cancelled();
    std::vector<std::string> asked;
    std::string pdf;
};

class PagePrinterTest : public testing::Test {
protected:
    // Prints into an A4 PDF without unprintable margins at `dpi`, answering every question with Yes.
    PrintRun Print(Document& doc, const Settings& settings, const std::string& name, int dpi,
                   const PrintOptions& options = {}) {
        PrintRun run;
        run.pdf = dir_.Path(name);
        RecordingPrompt prompt(true);
        {
            QPdfWriter pdf(QString::fromStdString(run.pdf));
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
            pdf.setResolution(dpi);
            run.outcome = PrintDevelopment(pdf, doc, settings, Paper{}, prompt, options);
            run.ok = run.outcome.ok();
        }
        run.asked = prompt.texts;
        return run;
    }
    // Page `page` of a PDF as poppler renders it, or its text.
    QImage Rendered(const std::string& pdf, int page, int dpi) {
        const std::string stem = dir_.Path("page"), n = std::to_string(page);
        test::CommandOutput("pdftoppm -png -r " + std::to_string(dpi) + " -f " + n + " -l " + n +
                            " -singlefile '" + pdf + "' '" + stem + "'");
        return QImage(QString::fromStdString(stem + ".png"));
    }
    static std::string Text(const std::string& pdf, int page) {
        const std::string n = std::to_string(page);
        return test::CommandOutput("pdftotext -f " + n + " -l " + n + " '" + pdf + "' -");
    }

    test::ScratchDir dir_;
};

// The darkest grey level around a point given in millimetres from the paper's top left corner.
int DarkestNear(const QImage& image, double xMM, double yMM, int dpi, int radius = 2) {
    const int cx = int(xMM * dpi / 25.4), cy = int(yMM * dpi / 25.4);
    int darkest = 255;
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x)
            if (image.valid(x, y)) darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

// A page of a 200 (or 100) dpi printer whose whole A4 page is printable, drawn into an image; the square
// of SquaresIn's first sheet.
QImage PrintedPage(const Settings& settings, int dpi, int bandRows = -1, int* bands = nullptr) {
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}});
    RecordingPrompt prompt(true);
    PrintState state = PreparePrintJob(fx.doc, settings, Paper{}, false);
    PrinterPage printer;
    printer.paperWidthMM = printer.printableWidthMM = 210;
    printer.paperHeightMM = printer.printableHeightMM = 297;
    printer.dpiX = printer.dpiY = dpi;
    FitToPrinter(state, Paper{}, printer, prompt);
    QImage page(int(210 * dpi / 25.4), int(297 * dpi / 25.4), QImage::Format_RGB32);
    page.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
    page.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
    page.fill(Qt::white);
    QPainter painter(&page);
    PagePrinter pages(fx.doc, settings, Paper{}, state, printer, prompt);
    if (bandRows >= 0) pages.SetBandRows(bandRows);
    EXPECT_TRUE(pages.PrintPage(painter, 1));
    if (bands != nullptr) *bands = pages.LastBandCount();
    return page;
}

// A printer whose paper and printable area are given in millimetres, at 600 dpi.
PrinterPage Printer(double paperW, double paperH, double offX, double offY, double printW, double printH) {
    PrinterPage p;
    p.paperWidthMM = paperW;
    p.paperHeightMM = paperH;
    p.offsetXMM = offX;
    p.offsetYMM = offY;
    p.printableWidthMM = printW;
    p.printableHeightMM = printH;
    p.dpiX = p.dpiY = 600;
    return p;
}

} // namespace

TEST_F(PagePrinterTest, PdfHasOnePagePerPrintedSheetWithItsLabel) {
    DevelopmentFixture fx;
    // A 3 x 2 grid whose top middle sheet is empty.
    SquaresIn(fx, {{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}});
    const PrintRun run = Print(fx.doc, Settings(), "grid.pdf", 150);
    ASSERT_TRUE(run.ok) << run.outcome.reason();
    // Same paper as the model and all of it printable: no question.
    EXPECT_TRUE(run.asked.empty());
    EXPECT_EQ(run.outcome->pagesPrinted, 5);
    const std::string info = test::CommandOutput("pdfinfo '" + run.pdf + "'");
    EXPECT_NE(info.find("Pages:           5\n"), std::string::npos) << info;
    const char* labels[5] = {"1/5 (row1 col1)", "2/5 (row1 col3)", "3/5 (row2 col1)", "4/5 (row2 col2)",
                             "5/5 (row2 col3)"};
    for (int n = 1; n <= 5; ++n) EXPECT_NE(Text(run.pdf, n).find(labels[n - 1]), std::string::npos) << n;
    // The square of each page stands at (50, 50) mm in its sheet, printed 15 mm in from the paper edge:
    // its outline at 65 mm from the edge; nothing where no part lies.
    const QImage page4 = Rendered(run.pdf, 4, 100);
    ASSERT_FALSE(page4.isNull());
    EXPECT_LT(DarkestNear(page4, 65, 70, 100), 160);
    EXPECT_EQ(DarkestNear(page4, 120, 150, 100, 5), 255);
}

TEST_F(PagePrinterTest, AlignmentCrossesAtTheCornersOfAMultiPageJob) {
    Settings settings;
    settings.printCropMarks = true;
    // The cross at the printable area's top left corner (15, 15) mm reaches 20 mm left into the margin; at
    // (5, 15) mm nothing else is drawn. Bottom right corner: (195, 282) mm.
    DevelopmentFixture two;
    SquaresIn(two, {{0, 0}, {1, 0}});
    const QImage crossed = Rendered(Print(two.doc, settings, "two.pdf", 150).pdf, 1, 100);
    EXPECT_LT(DarkestNear(crossed, 5, 15, 100), 80);
    EXPECT_LT(DarkestNear(crossed, 15, 5, 100), 80);
    EXPECT_LT(DarkestNear(crossed, 205, 282, 100), 80);
}

TEST_F(PagePrinterTest, LinesAreVectorsOnlyWhenPrintedClearly) {
    Settings settings;
    settings.printPageNumbers = false;
    // The square's top edge runs at y = 15 + 50 mm; its middle at x = 15 + 55 mm. Smoothly printed lines
    // are in the bitmap, half transparent: grey, never black.
    const int smoothDarkest = DarkestNear(PrintedPage(settings, 200), 70, 65, 200, 3);
    EXPECT_LT(smoothDarkest, 230);
    EXPECT_GT(smoothDarkest, 60);
    // Clearly printed lines are opaque vector strokes on top: black.
    settings.translucentLines = false;
    EXPECT_LT(DarkestNear(PrintedPage(settings, 200), 70, 65, 200, 3), 30);
}

TEST_F(PagePrinterTest, BandsJoinWithoutSeams) {
    Settings settings;
    settings.resolutionChoice = 0;
    int wholeBands = 0, manyBands = 0;
    const QImage whole = PrintedPage(settings, 100, 0, &wholeBands);
    // 1051 rows in bands of 37: the last band is short.
    const QImage banded = PrintedPage(settings, 100, 37, &manyBands);
    EXPECT_EQ(wholeBands, 1);
    EXPECT_EQ(manyBands, (1051 + 36) / 37);
    // The bands land on fractional device rows, so a pixel may round differently at a seam, but the
    // picture is the same: no row is lost, shifted or doubled.
    ASSERT_EQ(whole.size(), banded.size());
    int differing = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            differing += std::abs(qGray(whole.pixel(x, y)) - qGray(banded.pixel(x, y))) > 16;
    EXPECT_LT(differing, 40) << differing;
}

TEST_F(PagePrinterTest, PrintedSamplePageMatchesReference) {
    Document doc;
    ASSERT_TRUE(BuildSampleHouse(doc).empty());
    UpdateSheetGrid(doc, Paper{}, true);
    const PrintRun run = Print(doc, Settings(), "house.pdf", 300);
    ASSERT_TRUE(run.ok);
    EXPECT_TRUE(test::MatchesReference(Rendered(run.pdf, 1, 40), "print_house_page1", {24, 0.01}));
}

TEST_F(PagePrinterTest, NothingToPrintIsAFailureWithAReason) {
    // Without a development there is nothing to print and nothing is asked.
    Document doc;
    const PrintRun empty = Print(doc, Settings(), "empty.pdf", 100);
    EXPECT_FALSE(empty.ok);
    EXPECT_TRUE(empty.asked.empty());
    EXPECT_EQ(empty.outcome.reason(), "the model has no development");
}

TEST(FitToPrinter, QuestionsScalesAndOrigins) {
    Paper landscape;
    landscape.landscape = 1;
    const double letter = std::min(215.9 / 210.0, 279.4 / 297.0),
                 small = std::min(170.0 / 180.0, 261.0 / 267.0);
    // US Letter with a quarter inch unprintable all round.
    const PrinterPage letterPrinter = Printer(215.9, 279.4, 6.35, 6.35, 203.2, 266.7);
    const struct {
        Paper paper;
        PrinterPage printer;
        bool answer;
        const char* asked; // the question, if any
        double scale, originX, originY;
    } cases[] = {
        // Widths differ by 5.9 mm: the paper question; Yes scales by the smaller paper ratio, the scaled
        // printable area centred in the printer's printable area; No prints unscaled at the model's margins.
        {Paper{}, letterPrinter, true, kMessagePaperMismatch, letter, 6.35 + (203.2 - 180.0 * letter) / 2,
         6.35 + (266.7 - 267.0 * letter) / 2},
        {Paper{}, letterPrinter, false, kMessagePaperMismatch, 1, 15, 15},
        // Printable 203 x 271 mm: the model's 180 x 267 fits; scale 1 at the margins, nothing asked.
        {Paper{}, Printer(210, 297, 3.5, 13, 203, 271), true, nullptr, 1, 15, 15},
        // Same paper, printable area too small: the second question; Yes shrinks to fit, centred.
        {Paper{}, Printer(210, 297, 20, 18, 170, 261), true, kMessageNotPrintable, small,
         20.0 + (170.0 - 180.0 * small) / 2, 18.0 + (261.0 - 267.0 * small) / 2},
        // Paper within 5 mm (4 and 3 mm off, or exactly 5) is not questioned; 5.01 in the height alone is.
        {Paper{}, Printer(214, 293, 0, 0, 214, 293), true, nullptr, 1, 15, 15},
        {Paper{}, Printer(215, 292, 0, 0, 215, 292), true, nullptr, 1, 15, 15},
        {Paper{}, Printer(210, 302.01, 0, 0, 210, 302), false, kMessagePaperMismatch, 1, 15, 15},
        // A landscape model against portrait printer paper: the orientation counts in the paper check.
        {landscape, Printer(210, 297, 0, 0, 210, 297), true, kMessagePaperMismatch, 210.0 / 297.0, NAN, NAN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.printer.paperWidthMM << " x " << c.printer.paperHeightMM);
        PrintState state;
        state.originXMM = state.originYMM = -7; // whatever an earlier job left
        RecordingPrompt prompt(c.answer);
        FitToPrinter(state, c.paper, c.printer, prompt);
        EXPECT_EQ(prompt.texts, c.asked ? std::vector<std::string>{c.asked} : std::vector<std::string>{});
        EXPECT_DOUBLE_EQ(state.scale, c.scale);
        EXPECT_EQ(state.scaled, c.scale != 1);
        if (!std::isnan(c.originX)) {
            EXPECT_NEAR(state.originXMM, c.originX, 1e-9);
        }
        if (!std::isnan(c.originY)) {
            EXPECT_NEAR(state.originYMM, c.originY, 1e-9);
        }
    }
    // A device that reports no paper at all never yields a zero, infinite or NaN scale.
    PrintState state;
    RecordingPrompt yes(true);
    FitToPrinter(state, Paper{}, Printer(0, 0, 0, 0, 0, 0), yes);
    EXPECT_TRUE(std::isfinite(state.scale) && state.scale > 0);
    EXPECT_TRUE(std::isfinite(state.originXMM) && std::isfinite(state.originYMM));
}

TEST(PrintJob, PagesInPrintOrderLookupAndRange) {
    Settings settings;
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}});
    PrintState state = PreparePrintJob(fx.doc, settings, Paper{}, false);
    // Print order: left to right, top to bottom, the blank (1, 0) left out.
    std::vector<std::pair<int, int>> order;
    for (int n = 1; n <= state.PageCount(); ++n)
        order.emplace_back(PageToSheet(state, n).column, PageToSheet(state, n).row);
    EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}));
    // With blank sheets printed every sheet is a page.
    settings.skipBlankPages = false;
    EXPECT_EQ(PreparePrintJob(fx.doc, settings, Paper{}, true).PageCount(), 6);

    // Numbers outside 1..count give page 1's sheet.
    state.pages = {{0, 0}, {2, 0}, {1, 1}};
    for (int n : {0, 4, -3}) EXPECT_EQ(PageToSheet(state, n).column, 0) << n;
    EXPECT_EQ(PageToSheet(state, 3).column, 1);
    // A dialog's "all pages" (0, 0) is every page; a range is cut at the page count.
    EXPECT_EQ(std::make_pair(PrintedPages(state, 0, 0).first, PrintedPages(state, 0, 0).last),
              std::make_pair(1, 3));
    EXPECT_EQ(std::make_pair(PrintedPages(state, 2, 99).first, PrintedPages(state, 2, 99).last),
              std::make_pair(2, 3));
    // A range wholly past the end prints nothing; nor does a job without pages.
    EXPECT_GT(PrintedPages(state, 7, 9).first, PrintedPages(state, 7, 9).last);
    EXPECT_GT(PrintedPages(PrintState{}, 0, 0).first, PrintedPages(PrintState{}, 0, 0).last);
    // An empty list gives the first sheet rather than reading past the list.
    EXPECT_EQ(PageToSheet(PrintState{}, 1).column, 0);
}

TEST(PageBitmapSize, ResolutionDividesOutsidePreviewOnly) {
    const Paper a4; // 180 x 267 printable
    PrinterPage printer = Printer(210, 297, 0, 0, 210, 297);
    printer.dpiX = printer.dpiY = 1200;
    const int fullW = 8503, fullH = 12614; // 180 and 267 mm at 1200 dpi
    // "Very High", "High", "Middle", "Low": 1, 1/2, 1/4, 1/8 of the device resolution; preview is never
    // reduced, even at "Low".
    for (int id = 0; id < 4; ++id) {
        const BitmapSize size = PageBitmapSize(a4, printer, 1.0, id, false);
        EXPECT_EQ(std::make_pair(size.width, size.height), std::make_pair(fullW >> id, fullH >> id)) << id;
    }
    const BitmapSize preview = PageBitmapSize(a4, printer, 1.0, 3, true);
    EXPECT_EQ(std::make_pair(preview.width, preview.height), std::make_pair(fullW, fullH));
    // Out-of-range IDs from a settings file are clamped, not shifted by garbage.
    EXPECT_EQ(ResolutionDivisor(-5), 1);
    EXPECT_EQ(ResolutionDivisor(99), 8);
    // The scale shrinks the bitmap with the printed area.
    EXPECT_EQ(PageBitmapSize(a4, printer, 0.5, 0, false).width, int(90.0 * 1200 / 25.4));
    // Damaged values never give an empty or unbounded bitmap.
    const BitmapSize nan = PageBitmapSize(a4, printer, std::numeric_limits<double>::quiet_NaN(), 0, false);
    EXPECT_EQ(std::make_pair(nan.width, nan.height), std::make_pair(1, 1));
    const BitmapSize huge = PageBitmapSize(a4, printer, 1e12, 0, false, 16384);
    EXPECT_EQ(std::make_pair(huge.width, huge.height), std::make_pair(16384, 16384));
}

TEST(PrintJob, CrossesAndLabelPlacement) {
    PrintState state;
    state.pages = {{0, 0}};
    // A single-page job never prints crosses, even with printCropMarks.
    EXPECT_FALSE(PrintsAlignmentCrosses(state, true));
    state.pages.push_back({1, 0});
    EXPECT_TRUE(PrintsAlignmentCrosses(state, true));
    EXPECT_FALSE(PrintsAlignmentCrosses(state, false));
    // A scaled job's label is centred under the scaled printable area (90 x 133.5).
    state.scale = 0.5;
    state.originXMM = 30;
    state.originYMM = 40;
    const Paper a4;
    const Point2 label = PageLabelAnchor(state, a4);
    EXPECT_EQ(std::make_pair(label.x, label.y), std::make_pair(30.0 + 45.0, 40.0 + 133.5 + 2.0));
}
