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

} // namespace

TEST(FitToPrinter, QuestionsScalesAndOrigins) {
    EXPECT_STREQ(
        kMessagePaperMismatch,
        "The size of paper specified by Tessaly Designer is not same as Printer setting.\nAdjust scale?");
    EXPECT_STREQ(kMessageNotPrintable,
                 "A part of development may not fit into printable area.\nAdjust scale?");
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
    // Preparation starts from scale 1 at (0, 0).
    EXPECT_TRUE(state.scale == 1 && !state.scaled && state.originXMM == 0 && !state.preview);
    // With blank sheets printed every sheet is a page.
    settings.bNoPrintBrankPage = false;
    EXPECT_EQ(PreparePrintJob(fx.doc, settings, Paper{}, true).PageCount(), 6);
    EXPECT_TRUE(PreparePrintJob(fx.doc, settings, Paper{}, true).preview);

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
    // Top left corner: horizontal then vertical, 20 mm either side; the bottom right corner at origin +
    // the scaled printable size (90 x 133.5).
    EXPECT_EQ((std::vector<double>{strokes[0].from.x, strokes[0].to.x, strokes[0].from.y, strokes[1].from.y,
                                   strokes[1].to.y, strokes[6].from.y, strokes[7].from.x}),
              (std::vector<double>{10, 50, 40, 20, 60, 40 + 133.5, 30 + 90}));
    const Point2 label = PageLabelAnchor(state, a4);
    EXPECT_EQ(std::make_pair(label.x, label.y), std::make_pair(30.0 + 45.0, 40.0 + 133.5 + 2.0));
    // Row and column are counted from 1 in the label.
    EXPECT_EQ(PageLabelText(1, 1, {0, 0}), "1/1 (row1 col1)");
    EXPECT_EQ(PageLabelText(4, 5, {1, 1}), "4/5 (row2 col2)");
    EXPECT_EQ(PageLabelText(12, 30, {4, 2}), "12/30 (row3 col5)");
}
