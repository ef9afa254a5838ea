#include "sheet/PagePrinter.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
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

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

using namespace tsm;
using tsm::test::DevelopmentFixture;
using tsm::test::SquaresIn;

namespace {

class PagePrinterTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tessaly_print_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // An A4 PDF without unprintable margins at `dpi`.
    static std::unique_ptr<QPdfWriter> A4Pdf(const std::string& path, int dpi) {
        auto pdf = std::make_unique<QPdfWriter>(QString::fromStdString(path));
        pdf->setPageSize(QPageSize(QPageSize::A4));
        pdf->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        pdf->setResolution(dpi);
        return pdf;
    }

    // Page `page` of a PDF as poppler renders it.
    QImage Rendered(const std::string& pdf, int page, int dpi) {
        const std::string stem = Path("page");
        test::CommandOutput("pdftoppm -png -r " + std::to_string(dpi) + " -f " + std::to_string(page) +
                            " -l " + std::to_string(page) + " -singlefile '" + pdf + "' '" + stem + "'");
        return QImage(QString::fromStdString(stem + ".png"));
    }

    std::filesystem::path dir_;
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

} // namespace

TEST_F(PagePrinterTest, PdfHasOnePagePerPrintedSheetWithItsLabel) {
    DevelopmentFixture fx;
    // A 3 x 2 grid whose top middle sheet is empty.
    SquaresIn(fx, {{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}});
    const std::string pdfPath = Path("grid.pdf");
    RecordingPrompt prompt(true);
    PrintOutcome outcome;
    {
        auto pdf = A4Pdf(pdfPath, 150);
        ASSERT_TRUE(PrintDevelopment(*pdf, fx.doc, Settings(), Paper{}, prompt, PrintOptions{}, &outcome))
            << outcome.detail;
    }
    // Same paper as the model and all of it printable: no question.
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_EQ(outcome.pagesPrinted, 5);

    const std::string info = test::CommandOutput("pdfinfo '" + pdfPath + "'");
    EXPECT_NE(info.find("Pages:           5\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Page size:       595 x 842 pts (A4)"), std::string::npos) << info;

    const char* labels[5] = {"1/5 (row1 col1)", "2/5 (row1 col3)", "3/5 (row2 col1)", "4/5 (row2 col2)",
                             "5/5 (row2 col3)"};
    for (int n = 1; n <= 5; ++n) {
        const std::string text = test::CommandOutput("pdftotext -f " + std::to_string(n) + " -l " +
                                                     std::to_string(n) + " '" + pdfPath + "' -");
        EXPECT_NE(text.find(labels[n - 1]), std::string::npos) << "page " << n << ": " << text;
    }

    // The square of each page stands at (50, 50) mm in its sheet, printed 15 mm in from the paper edge:
    // its outline at 65 mm from the edge.
    const QImage page4 = Rendered(pdfPath, 4, 100);
    ASSERT_FALSE(page4.isNull());
    EXPECT_LT(DarkestNear(page4, 65, 70, 100), 160);
    // And nothing where no part lies.
    EXPECT_EQ(DarkestNear(page4, 120, 150, 100, 5), 255);
}

TEST_F(PagePrinterTest, PageRangeOfTheDialogIsLimitedToThePageCount) {
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}, {1, 0}, {2, 0}});
    const std::string pdfPath = Path("range.pdf");
    RecordingPrompt prompt(true);
    PrintOutcome outcome;
    PrintOptions options;
    options.fromPage = 2;
    options.toPage = 9; // past the end
    {
        auto pdf = A4Pdf(pdfPath, 100);
        ASSERT_TRUE(PrintDevelopment(*pdf, fx.doc, Settings(), Paper{}, prompt, options, &outcome));
    }
    EXPECT_EQ(outcome.pagesPrinted, 2);
    const std::string text = test::CommandOutput("pdftotext '" + pdfPath + "' -");
    EXPECT_NE(text.find("2/3 (row1 col2)"), std::string::npos) << text;
    EXPECT_NE(text.find("3/3 (row1 col3)"), std::string::npos) << text;
    EXPECT_EQ(text.find("1/3"), std::string::npos) << text;
}

TEST_F(PagePrinterTest, AlignmentCrossesOnlyWithMoreThanOnePage) {
    Settings settings;
    settings.bPrintTombo = true;
    // The cross at the printable area's top left corner (15, 15) mm reaches 20 mm left into the margin;
    // at (5, 15) mm nothing else is drawn.
    {
        // Two pages: the crosses are there.
        DevelopmentFixture fx;
        SquaresIn(fx, {{0, 0}, {1, 0}});
        const std::string pdfPath = Path("two.pdf");
        RecordingPrompt prompt(true);
        {
            auto pdf = A4Pdf(pdfPath, 150);
            ASSERT_TRUE(PrintDevelopment(*pdf, fx.doc, settings, Paper{}, prompt, PrintOptions{}));
        }
        const QImage page = Rendered(pdfPath, 1, 100);
        EXPECT_LT(DarkestNear(page, 5, 15, 100), 80);
        EXPECT_LT(DarkestNear(page, 15, 5, 100), 80);
        // Bottom right corner: (195, 282) mm.
        EXPECT_LT(DarkestNear(page, 205, 282, 100), 80);
    }
    {
        // A larger grid with only one non-blank sheet is a single-page job: no crosses.
        DevelopmentFixture fx;
        SquaresIn(fx, {{0, 0}});
        fx.doc.sheetColumns = 2;
        fx.doc.sheetRows = 2;
        const std::string pdfPath = Path("one.pdf");
        RecordingPrompt prompt(true);
        PrintOutcome outcome;
        {
            auto pdf = A4Pdf(pdfPath, 150);
            ASSERT_TRUE(PrintDevelopment(*pdf, fx.doc, settings, Paper{}, prompt, PrintOptions{}, &outcome));
        }
        EXPECT_EQ(outcome.state.PageCount(), 1);
        const QImage page = Rendered(pdfPath, 1, 100);
        EXPECT_EQ(DarkestNear(page, 5, 15, 100), 255);
        EXPECT_EQ(DarkestNear(page, 15, 5, 100), 255);
    }
}

TEST_F(PagePrinterTest, LowResolutionRendersAnEighthAndPreviewIsNotReduced) {
    Settings settings;
    settings.iResolutionID = 3; // "Low"
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}});
    RecordingPrompt prompt(true);
    {
        // 1200 dpi: the printable 180 x 267 mm are 8503 x 12614 device pixels; Low renders an eighth.
        PrintOutcome outcome;
        auto pdf = A4Pdf(Path("low.pdf"), 1200);
        ASSERT_TRUE(PrintDevelopment(*pdf, fx.doc, settings, Paper{}, prompt, PrintOptions{}, &outcome));
        EXPECT_EQ(outcome.bitmapSize.width, 8503 / 8);
        EXPECT_EQ(outcome.bitmapSize.height, 12614 / 8);
    }
    {
        // The same setting in a preview at 100 dpi renders at the preview's full resolution.
        PrintOutcome outcome;
        PrintOptions options;
        options.preview = true;
        auto pdf = A4Pdf(Path("preview.pdf"), 100);
        ASSERT_TRUE(PrintDevelopment(*pdf, fx.doc, settings, Paper{}, prompt, options, &outcome));
        EXPECT_TRUE(outcome.state.preview);
        EXPECT_EQ(outcome.bitmapSize.width, int(180 * 100 / 25.4));
        EXPECT_EQ(outcome.bitmapSize.height, int(267 * 100 / 25.4));
    }
}

TEST_F(PagePrinterTest, LinesAreVectorsOnlyWhenPrintedClearly) {
    Settings settings;
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}});
    const PrintState state = PreparePrintJob(fx.doc, settings, Paper{}, false);
    PrintState fitted = state;
    RecordingPrompt prompt(true);
    // An image standing in for a 200 dpi printer whose whole A4 page is printable.
    PrinterPage printer;
    printer.paperWidthMM = printer.printableWidthMM = 210;
    printer.paperHeightMM = printer.printableHeightMM = 297;
    printer.dpiX = printer.dpiY = 200;
    FitToPrinter(fitted, Paper{}, printer, prompt);
    const auto print = [&](bool lineAlpha) {
        settings.bLineAlpha = lineAlpha;
        settings.bPrintPageNumber = false;
        QImage page(int(210 * 200 / 25.4), int(297 * 200 / 25.4), QImage::Format_RGB32);
        page.setDotsPerMeterX(int(200 / 0.0254 + 0.5));
        page.setDotsPerMeterY(int(200 / 0.0254 + 0.5));
        page.fill(Qt::white);
        QPainter painter(&page);
        PagePrinter printerPages(fx.doc, settings, Paper{}, fitted, printer, prompt);
        EXPECT_TRUE(printerPages.PrintPage(painter, 1));
        return page;
    };
    // The square's top edge runs at y = 15 + 50 mm; its middle at x = 15 + 55 mm.
    const QImage smooth = print(true);
    const QImage clear = print(false);
    // Smoothly printed lines are in the bitmap, half transparent: grey, never black.
    const int smoothDarkest = DarkestNear(smooth, 70, 65, 200, 3);
    EXPECT_LT(smoothDarkest, 230);
    EXPECT_GT(smoothDarkest, 60);
    // Clearly printed lines are opaque vector strokes on top: black.
    EXPECT_LT(DarkestNear(clear, 70, 65, 200, 3), 30);
}

TEST_F(PagePrinterTest, BandsJoinWithoutSeams) {
    Settings settings;
    settings.iResolutionID = 0;
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}});
    RecordingPrompt prompt(true);
    PrintState state = PreparePrintJob(fx.doc, settings, Paper{}, false);
    PrinterPage printer;
    printer.paperWidthMM = printer.printableWidthMM = 210;
    printer.paperHeightMM = printer.printableHeightMM = 297;
    printer.dpiX = printer.dpiY = 100;
    FitToPrinter(state, Paper{}, printer, prompt);
    const auto print = [&](int bandRows, int* bands) {
        QImage page(int(210 * 100 / 25.4), int(297 * 100 / 25.4), QImage::Format_RGB32);
        page.setDotsPerMeterX(int(100 / 0.0254 + 0.5));
        page.setDotsPerMeterY(int(100 / 0.0254 + 0.5));
        page.fill(Qt::white);
        QPainter painter(&page);
        PagePrinter pages(fx.doc, settings, Paper{}, state, printer, prompt);
        pages.SetBandRows(bandRows);
        EXPECT_TRUE(pages.PrintPage(painter, 1));
        *bands = pages.LastBandCount();
        return page;
    };
    int wholeBands = 0, manyBands = 0;
    const QImage whole = print(0, &wholeBands);
    // 1051 rows in bands of 37: the last band is short.
    const QImage banded = print(37, &manyBands);
    EXPECT_EQ(wholeBands, 1);
    EXPECT_EQ(manyBands, (1051 + 36) / 37);
    // The bands land on fractional device rows, so a pixel may round differently at a seam, but the
    // picture is the same: no row is lost, shifted or doubled.
    ASSERT_EQ(whole.size(), banded.size());
    int differing = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            if (std::abs(qGray(whole.pixel(x, y)) - qGray(banded.pixel(x, y))) > 16) ++differing;
    EXPECT_LT(differing, 40) << differing;
}

TEST_F(PagePrinterTest, PrintedSamplePageMatchesReference) {
    Document doc;
    ASSERT_TRUE(BuildSampleHouse(doc).empty());
    UpdateSheetGrid(doc, Paper{}, true);
    const std::string pdfPath = Path("house.pdf");
    RecordingPrompt prompt(true);
    {
        auto pdf = A4Pdf(pdfPath, 300);
        ASSERT_TRUE(PrintDevelopment(*pdf, doc, Settings(), Paper{}, prompt, PrintOptions{}));
    }
    const QImage page = Rendered(pdfPath, 1, 40);
    EXPECT_TRUE(test::MatchesReference(page, "print_house_page1", {24, 0.01}));
}

TEST_F(PagePrinterTest, FailuresAreReportedNotThrown) {
    {
        // A file that cannot be created: the job cannot start.
        DevelopmentFixture fx;
        SquaresIn(fx, {{0, 0}});
        RecordingPrompt prompt(true);
        PrintOutcome outcome;
        auto pdf = A4Pdf(Path("no/such/folder/x.pdf"), 100);
        EXPECT_FALSE(PrintDevelopment(*pdf, fx.doc, Settings(), Paper{}, prompt, PrintOptions{}, &outcome));
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"Could not start print job."});
        EXPECT_EQ(outcome.pagesPrinted, 0);
    }
    {
        // Without a development there is nothing to print and nothing is asked.
        Document doc;
        RecordingPrompt prompt(true);
        PrintOutcome outcome;
        auto pdf = A4Pdf(Path("empty.pdf"), 100);
        EXPECT_FALSE(PrintDevelopment(*pdf, doc, Settings(), Paper{}, prompt, PrintOptions{}, &outcome));
        EXPECT_TRUE(prompt.texts.empty());
        EXPECT_FALSE(outcome.detail.empty());
    }
}

TEST_F(PagePrinterTest, NoLabelWithoutPrintPageNumber) {
    Settings settings;
    settings.bPrintPageNumber = false;
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}, {1, 0}});
    const std::string pdfPath = Path("nolabel.pdf");
    RecordingPrompt prompt(true);
    {
        auto pdf = A4Pdf(pdfPath, 100);
        ASSERT_TRUE(PrintDevelopment(*pdf, fx.doc, settings, Paper{}, prompt, PrintOptions{}));
    }
    // Both pages printed, neither labelled.
    EXPECT_NE(test::CommandOutput("pdfinfo '" + pdfPath + "'").find("Pages:           2\n"),
              std::string::npos);
    EXPECT_EQ(test::CommandOutput("pdftotext '" + pdfPath + "' -").find("(row"), std::string::npos);
}
