#include "sheet/PrintJob.h"

#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/sheet/PrintFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tsm;
using tsm::test::DevelopmentFixture;
using tsm::test::SquaresIn;

namespace {

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

// US Letter with a quarter inch unprintable all round.
PrinterPage LetterPrinter() {
    return Printer(215.9, 279.4, 6.35, 6.35, 215.9 - 12.7, 279.4 - 12.7);
}

} // namespace

TEST(FitToPrinter, A4ModelOnLetterPaperAsksAndScales) {
    const Paper a4;
    {
        // Widths differ by 5.9 mm: the paper question; Yes scales by the smaller paper ratio.
        PrintState state;
        RecordingPrompt yes(true);
        FitToPrinter(state, a4, LetterPrinter(), yes);
        ASSERT_EQ(yes.texts, std::vector<std::string>{kMessagePaperMismatch});
        const double r = std::min(215.9 / 210.0, 279.4 / 297.0);
        EXPECT_NEAR(r, 0.9407, 1e-4);
        EXPECT_TRUE(state.scaled);
        EXPECT_DOUBLE_EQ(state.scale, r);
        // The scaled printable area is centred in the printer's printable area.
        EXPECT_NEAR(state.originXMM, 6.35 + (203.2 - 180.0 * r) / 2, 1e-9);
        EXPECT_NEAR(state.originYMM, 6.35 + (266.7 - 267.0 * r) / 2, 1e-9);
    }
    {
        // No prints unscaled at the model's margins.
        PrintState state;
        RecordingPrompt no(false);
        FitToPrinter(state, a4, LetterPrinter(), no);
        EXPECT_EQ(no.texts.size(), 1u);
        EXPECT_FALSE(state.scaled);
        EXPECT_EQ(state.scale, 1.0);
        EXPECT_EQ(state.originXMM, 15.0);
        EXPECT_EQ(state.originYMM, 15.0);
    }
    {
        // The exact text, line break included.
        EXPECT_STREQ(
            kMessagePaperMismatch,
            "The size of paper specified by Tessaly Designer is not same as Printer setting.\nAdjust scale?");
    }
}

TEST(FitToPrinter, PrintableAreaLargeEnoughAsksNothing) {
    const Paper a4;
    // A4 printer paper, printable 203 x 271 mm: the model's 180 x 267 fits; scale 1 at the margins.
    PrintState state;
    state.originXMM = state.originYMM = -7; // whatever an earlier job left
    RecordingPrompt prompt(true);
    FitToPrinter(state, a4, Printer(210, 297, 3.5, 13, 203, 271), prompt);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_FALSE(state.scaled);
    EXPECT_EQ(state.scale, 1.0);
    EXPECT_EQ(state.originXMM, 15.0);
    EXPECT_EQ(state.originYMM, 15.0);
}

TEST(FitToPrinter, PrintableCheckAndThresholds) {
    const Paper a4;
    {
        // Same paper, printable area too small: the second question; Yes shrinks to fit, centred.
        PrintState state;
        RecordingPrompt yes(true);
        FitToPrinter(state, a4, Printer(210, 297, 20, 18, 170, 261), yes);
        ASSERT_EQ(yes.texts, std::vector<std::string>{kMessageNotPrintable});
        EXPECT_STREQ(kMessageNotPrintable,
                     "A part of development may not fit into printable area.\nAdjust scale?");
        const double s = std::min(170.0 / 180.0, 261.0 / 267.0);
        EXPECT_DOUBLE_EQ(state.scale, s);
        EXPECT_NEAR(state.originXMM, 20.0 + (170.0 - 180.0 * s) / 2, 1e-9);
        EXPECT_NEAR(state.originYMM, 18.0 + (261.0 - 267.0 * s) / 2, 1e-9);
    }
    {
        // Paper within 5 mm (4 and 3 mm off) is not questioned; exactly 5.0 mm is not either.
        for (double d : {4.0, 5.0}) {
            PrintState state;
            RecordingPrompt prompt(true);
            FitToPrinter(state, a4, Printer(210 + d, 297 - d, 0, 0, 210 + d, 297 - d), prompt);
            EXPECT_TRUE(prompt.texts.empty()) << d;
            EXPECT_EQ(state.scale, 1.0);
        }
        // 5.01 mm in the height alone is.
        PrintState state;
        RecordingPrompt prompt(false);
        FitToPrinter(state, a4, Printer(210, 297 + 5.01, 0, 0, 210, 302), prompt);
        EXPECT_EQ(prompt.texts, std::vector<std::string>{kMessagePaperMismatch});
    }
    {
        // A landscape model against portrait printer paper: the orientation counts in the paper check.
        Paper landscape;
        landscape.landscape = 1;
        PrintState state;
        RecordingPrompt yes(true);
        FitToPrinter(state, landscape, Printer(210, 297, 0, 0, 210, 297), yes);
        ASSERT_EQ(yes.texts, std::vector<std::string>{kMessagePaperMismatch});
        EXPECT_DOUBLE_EQ(state.scale, 210.0 / 297.0);
    }
    {
        // A device that reports no paper at all never yields a zero, infinite or NaN scale.
        PrintState state;
        RecordingPrompt yes(true);
        FitToPrinter(state, a4, Printer(0, 0, 0, 0, 0, 0), yes);
        EXPECT_TRUE(std::isfinite(state.scale));
        EXPECT_GT(state.scale, 0);
        EXPECT_TRUE(std::isfinite(state.originXMM) && std::isfinite(state.originYMM));
    }
}

TEST(PrintJob, GridWithEmptyTopMiddleSheetPrintsFivePages) {
    Settings settings;
    DevelopmentFixture fx;
    SquaresIn(fx, {{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}});
    const PrintState state = PreparePrintJob(fx.doc, settings, Paper{}, false);
    ASSERT_EQ(state.PageCount(), 5);
    // Print order: left to right, top to bottom, the blank (1, 0) left out.
    const int expected[5][2] = {{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(PageToSheet(state, n).column, expected[n - 1][0]) << n;
        EXPECT_EQ(PageToSheet(state, n).row, expected[n - 1][1]) << n;
    }
    EXPECT_EQ(PageLabelText(4, state.PageCount(), PageToSheet(state, 4)), "4/5 (row2 col2)");
    // Preparation starts from scale 1 at (0, 0).
    EXPECT_EQ(state.scale, 1.0);
    EXPECT_FALSE(state.scaled);
    EXPECT_EQ(state.originXMM, 0.0);

    // With blank sheets printed every sheet is a page.
    settings.bNoPrintBrankPage = false;
    EXPECT_EQ(PreparePrintJob(fx.doc, settings, Paper{}, true).PageCount(), 6);
    EXPECT_TRUE(PreparePrintJob(fx.doc, settings, Paper{}, true).preview);
}

TEST(PrintJob, PageLookupAndRange) {
    PrintState state;
    // An empty list gives the first sheet rather than reading past the list.
    EXPECT_EQ(PageToSheet(state, 1).column, 0);
    state.pages = {{0, 0}, {2, 0}, {1, 1}};
    // Numbers outside 1..count give page 1's sheet.
    EXPECT_EQ(PageToSheet(state, 0).column, 0);
    EXPECT_EQ(PageToSheet(state, 4).column, 0);
    EXPECT_EQ(PageToSheet(state, -3).column, 0);
    EXPECT_EQ(PageToSheet(state, 3).column, 1);

    // A dialog's "all pages" (0, 0) is every page; a range is cut at the page count.
    PageRange all = PrintedPages(state, 0, 0);
    EXPECT_EQ(all.first, 1);
    EXPECT_EQ(all.last, 3);
    PageRange cut = PrintedPages(state, 2, 99);
    EXPECT_EQ(cut.first, 2);
    EXPECT_EQ(cut.last, 3);
    // A range wholly past the end prints nothing.
    PageRange past = PrintedPages(state, 7, 9);
    EXPECT_GT(past.first, past.last);
    // No pages at all: nothing to print.
    PageRange none = PrintedPages(PrintState{}, 0, 0);
    EXPECT_GT(none.first, none.last);
}

TEST(PageBitmapSize, ResolutionDividesOutsidePreviewOnly) {
    const Paper a4; // 180 x 267 printable
    PrinterPage printer = Printer(210, 297, 0, 0, 210, 297);
    printer.dpiX = printer.dpiY = 1200;
    const int fullW = int(180.0 * 1200 / 25.4), fullH = int(267.0 * 1200 / 25.4);
    EXPECT_EQ(fullW, 8503);
    EXPECT_EQ(fullH, 12614);
    // "Very High", "High", "Middle", "Low": 1, 1/2, 1/4, 1/8 of the device resolution.
    for (int id = 0; id < 4; ++id) {
        const BitmapSize size = PageBitmapSize(a4, printer, 1.0, id, false);
        EXPECT_EQ(size.width, fullW / (1 << id)) << id;
        EXPECT_EQ(size.height, fullH / (1 << id)) << id;
    }
    // Preview is never reduced, even at "Low".
    const BitmapSize preview = PageBitmapSize(a4, printer, 1.0, 3, true);
    EXPECT_EQ(preview.width, fullW);
    EXPECT_EQ(preview.height, fullH);
    // Out-of-range IDs from a settings file are clamped, not shifted by garbage.
    EXPECT_EQ(ResolutionDivisor(-5), 1);
    EXPECT_EQ(ResolutionDivisor(99), 8);
    // The scale shrinks the bitmap with the printed area.
    EXPECT_EQ(PageBitmapSize(a4, printer, 0.5, 0, false).width, int(90.0 * 1200 / 25.4));
    // Damaged values never give an empty or unbounded bitmap.
    const BitmapSize nan = PageBitmapSize(a4, printer, std::numeric_limits<double>::quiet_NaN(), 0, false);
    EXPECT_EQ(nan.width, 1);
    EXPECT_EQ(nan.height, 1);
    const BitmapSize huge = PageBitmapSize(a4, printer, 1e12, 0, false, 16384);
    EXPECT_EQ(huge.width, 16384);
    EXPECT_EQ(huge.height, 16384);
}

TEST(PrintJob, CrossesAndLabelPlacement) {
    PrintState state;
    state.pages = {{0, 0}};
    // A single-page job never prints crosses, even with bPrintTombo.
    EXPECT_FALSE(PrintsAlignmentCrosses(state, true));
    state.pages.push_back({1, 0});
    EXPECT_TRUE(PrintsAlignmentCrosses(state, true));
    EXPECT_FALSE(PrintsAlignmentCrosses(state, false));

    state.scale = 0.5;
    state.originXMM = 30;
    state.originYMM = 40;
    const Paper a4;
    const std::vector<StrokeMM> strokes = AlignmentCrossStrokes(state, a4);
    ASSERT_EQ(strokes.size(), 8u);
    // Top left corner: horizontal then vertical, 20 mm either side.
    EXPECT_EQ(strokes[0].from.x, 10.0);
    EXPECT_EQ(strokes[0].to.x, 50.0);
    EXPECT_EQ(strokes[0].from.y, 40.0);
    EXPECT_EQ(strokes[1].from.y, 20.0);
    EXPECT_EQ(strokes[1].to.y, 60.0);
    // Bottom right corner at origin + the scaled printable size (90 x 133.5).
    EXPECT_EQ(strokes[6].from.y, 40.0 + 133.5);
    EXPECT_EQ(strokes[7].from.x, 30.0 + 90.0);

    const Point2 label = PageLabelAnchor(state, a4);
    EXPECT_EQ(label.x, 30.0 + 45.0);
    EXPECT_EQ(label.y, 40.0 + 133.5 + 2.0);
    // Row and column are counted from 1 in the label.
    EXPECT_EQ(PageLabelText(1, 1, {0, 0}), "1/1 (row1 col1)");
    EXPECT_EQ(PageLabelText(12, 30, {4, 2}), "12/30 (row3 col5)");
}
