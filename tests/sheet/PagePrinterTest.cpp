#include "sheet/PagePrinter.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/sheet/GoldenFiles.h"
#include "tests/sheet/PrintFixtures.h"
#include "tests/sheet/ReferenceImage.h"
#include "tests/support/ShellCommand.h"
#include "tools/lib/Samples.h"

#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace tsm;
using tsm::test::DevelopmentFixture;
using tsm::test::SquaresIn;

namespace {

struct PrintRun {
    bool ok = false;
    PrintOutcome outcome;
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
            run.ok = PrintDevelopment(pdf, doc, settings, Paper{}, prompt, options, &run.outcome);
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

} // namespace

TEST_F(PagePrinterTest, PdfHasOnePagePerPrintedSheetWithItsLabel) {
    DevelopmentFixture fx;
    // A 3 x 2 grid whose top middle sheet is empty.
    SquaresIn(fx, {{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}});
    const PrintRun run = Print(fx.doc, Settings(), "grid.pdf", 150);
    ASSERT_TRUE(run.ok) << run.outcome.detail;
    // Same paper as the model and all of it printable: no question.
    EXPECT_TRUE(run.asked.empty());
    EXPECT_EQ(run.outcome.pagesPrinted, 5);
    const std::string info = test::CommandOutput("pdfinfo '" + run.pdf + "'");
    EXPECT_NE(info.find("Pages:           5\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << info;
    const char* labels[5] = {"1/5 (row1 col1)", "2/5 (row1 col3)", "3/5 (row2 col1)", "4/5 (row2 col2)",
                             "5/5 (row2 col3)"};
    for (int n = 1; n <= 5; ++n) EXPECT_NE(Text(run.pdf, n).find(labels[n - 1]), std::string::npos) << n;
    // The square of each page stands at (50, 50) mm in its sheet, printed 15 mm in from the paper edge:
    // its outline at 65 mm from the edge; nothing where no part lies.
    const QImage page4 = Rendered(run.pdf, 4, 100);
    ASSERT_FALSE(page4.isNull());
    EXPECT_LT(DarkestNear(page4, 65, 70, 100), 160);
    EXPECT_EQ(DarkestNear(page4, 120, 150, 100, 5), 255);

    // The dialog's page range is limited to the page count.
    PrintOptions options;
    options.fromPage = 4;
    options.toPage = 9; // past the end
    const PrintRun range = Print(fx.doc, Settings(), "range.pdf", 100, options);
    EXPECT_EQ(range.outcome.pagesPrinted, 2);
    const std::string text = test::CommandOutput("pdftotext '" + range.pdf + "' -");
    EXPECT_NE(text.find("4/5 (row2 col2)"), std::string::npos) << text;
    EXPECT_NE(text.find("5/5 (row2 col3)"), std::string::npos) << text;
    EXPECT_EQ(text.find("3/5"), std::string::npos) << text;

    // Without "print page number" both pages are printed, neither labelled.
    Settings settings;
    settings.bPrintPageNumber = false;
    const PrintRun unlabelled = Print(fx.doc, settings, "nolabel.pdf", 100);
    EXPECT_EQ(unlabelled.outcome.pagesPrinted, 5);
    EXPECT_EQ(test::CommandOutput("pdftotext '" + unlabelled.pdf + "' -").find("(row"), std::string::npos);
}

TEST_F(PagePrinterTest, AlignmentCrossesOnlyWithMoreThanOnePage) {
    Settings settings;
    settings.bPrintTombo = true;
    // The cross at the printable area's top left corner (15, 15) mm reaches 20 mm left into the margin; at
    // (5, 15) mm nothing else is drawn. Bottom right corner: (195, 282) mm.
    DevelopmentFixture two;
    SquaresIn(two, {{0, 0}, {1, 0}});
    const QImage crossed = Rendered(Print(two.doc, settings, "two.pdf", 150).pdf, 1, 100);
    EXPECT_LT(DarkestNear(crossed, 5, 15, 100), 80);
    EXPECT_LT(DarkestNear(crossed, 15, 5, 100), 80);
    EXPECT_LT(DarkestNear(crossed, 205, 282, 100), 80);
    // A larger grid with only one non-blank sheet is a single-page job: no crosses.
    DevelopmentFixture one;
    SquaresIn(one, {{0, 0}});
    one.doc.sheetColumns = one.doc.sheetRows = 2;
    const PrintRun run = Print(one.doc, settings, "one.pdf", 150);
    EXPECT_EQ(run.outcome.state.PageCount(), 1);
    const QImage plain = Rendered(run.pdf, 1, 100);
    EXPECT_EQ(DarkestNear(plain, 5, 15, 100), 255);
    EXPECT_EQ(DarkestNear(plain, 15, 5, 100), 255);
}

TEST_F(PagePrinterTest, LowResolutionRendersAnEighthAndPreviewIsNotReduced) {
    Settings settings;
    settings.iResolutionID = 3; // "Low"
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}});
    // 1200 dpi: the printable 180 x 267 mm are 8503 x 12614 device pixels; Low renders an eighth.
    const PrintRun low = Print(fx.doc, settings, "low.pdf", 1200);
    ASSERT_TRUE(low.ok);
    EXPECT_EQ(std::make_pair(low.outcome.bitmapSize.width, low.outcome.bitmapSize.height),
              std::make_pair(8503 / 8, 12614 / 8));
    // The same setting in a preview at 100 dpi renders at the preview's full resolution.
    PrintOptions options;
    options.preview = true;
    const PrintRun preview = Print(fx.doc, settings, "preview.pdf", 100, options);
    ASSERT_TRUE(preview.ok);
    EXPECT_TRUE(preview.outcome.state.preview);
    EXPECT_EQ(std::make_pair(preview.outcome.bitmapSize.width, preview.outcome.bitmapSize.height),
              std::make_pair(int(180 * 100 / 25.4), int(267 * 100 / 25.4)));
}

TEST_F(PagePrinterTest, LinesAreVectorsOnlyWhenPrintedClearly) {
    Settings settings;
    settings.bPrintPageNumber = false;
    // The square's top edge runs at y = 15 + 50 mm; its middle at x = 15 + 55 mm. Smoothly printed lines
    // are in the bitmap, half transparent: grey, never black.
    const int smoothDarkest = DarkestNear(PrintedPage(settings, 200), 70, 65, 200, 3);
    EXPECT_LT(smoothDarkest, 230);
    EXPECT_GT(smoothDarkest, 60);
    // Clearly printed lines are opaque vector strokes on top: black.
    settings.bLineAlpha = false;
    EXPECT_LT(DarkestNear(PrintedPage(settings, 200), 70, 65, 200, 3), 30);
}

TEST_F(PagePrinterTest, BandsJoinWithoutSeams) {
    Settings settings;
    settings.iResolutionID = 0;
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

TEST_F(PagePrinterTest, FailuresAreReportedNotThrown) {
    // A file that cannot be created: the job cannot start.
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}});
    const PrintRun run = Print(fx.doc, Settings(), "no/such/folder/x.pdf", 100);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.asked, std::vector<std::string>{"Could not start print job."});
    EXPECT_EQ(run.outcome.pagesPrinted, 0);
    // Without a development there is nothing to print and nothing is asked.
    Document doc;
    const PrintRun empty = Print(doc, Settings(), "empty.pdf", 100);
    EXPECT_FALSE(empty.ok);
    EXPECT_TRUE(empty.asked.empty());
    EXPECT_FALSE(empty.outcome.detail.empty());
}
