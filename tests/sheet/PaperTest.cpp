#include "sheet/Paper.h"

#include "model/Settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tsm;

namespace {

Paper MakePaper(int32_t code, bool landscape = false, int32_t side = 15, int32_t top = 15) {
    Paper paper;
    paper.sizeCode = code;
    paper.landscape = landscape ? 1 : 0;
    paper.sideMarginMM = side;
    paper.topMarginMM = top;
    return paper;
}

// Paper width and height, printable width and height.
std::vector<double> Sizes(const Paper& paper) {
    return {paper.PaperWidth(), paper.PaperHeight(), paper.PrintableWidth(), paper.PrintableHeight()};
}

// The sheet grid of a development whose only content is a box from (x0, y0) to (x1, y1).
std::pair<int, int> Grid(double x1, double y1, const Paper& paper = MakePaper(kPaperA4), double x0 = 0,
                         double y0 = 0) {
    Document doc;
    doc.development = std::make_unique<Development>();
    CPart* part = doc.development->AppendPart(std::make_unique<CPart>());
    part->x = x0;
    part->y = y0;
    part->width = x1 - x0;
    part->height = y1 - y0;
    UpdateSheetGrid(doc, paper, false);
    return {doc.sheetColumns, doc.sheetRows};
}

} // namespace

TEST(Paper, SizesPrintableAreasAndNames) {
    const Paper fresh;
    EXPECT_EQ((std::vector<int32_t>{fresh.sizeCode, fresh.landscape, fresh.sideMarginMM, fresh.topMarginMM}),
              (std::vector<int32_t>{kPaperA4, 0, 15, 15}));
    EXPECT_EQ(fresh.customWidthMM, 0.0);
    // The paper follows the settings a model file carries.
    Settings s;
    s.iPaperSize = kPaperB4;
    s.iPaperOrientation = 1;
    s.iMarginSide = 7;
    s.iMarginTop = 9;
    Paper custom = MakePaper(kPaperCustom, false, 10, 10);
    custom.customWidthMM = 100;
    custom.customHeightMM = 50;
    Paper odd = MakePaper(kPaperA3);
    odd.landscape = -3; // any non-zero orientation value means landscape
    const std::pair<Paper, std::vector<double>> cases[] = {
        {Paper::FromSettings(s), {364, 257, 350, 239}},
        {MakePaper(kPaperA4), {210, 297, 180, 267}},
        {MakePaper(kPaperA4, true), {297, 210, 267, 180}},
        {MakePaper(kPaperLetter, true), {279.4, 215.9, 249.4, 185.9}},
        // The table rows are in code order, the B sizes the Japanese series.
        {MakePaper(kPaperB5), {182, 257, 152, 227}},
        {MakePaper(kPaperB1), {728, 1030, 698, 1000}},
        {MakePaper(kPaperA1), {594, 841, 564, 811}},
        {MakePaper(kPaperLegal), {215.9, 355.6, 185.9, 325.6}},
        {odd, {420, 297, 390, 267}},
        // A custom size is taken as entered, whatever the orientation.
        {custom, {100, 50, 80, 30}},
    };
    for (const auto& [paper, sizes] : cases) {
        const std::vector<double> actual = Sizes(paper);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], sizes[i], 1e-9) << paper.sizeCode << " " << i;
    }
    custom.landscape = 1;
    EXPECT_DOUBLE_EQ(custom.PaperWidth(), 100.0);
    // Names as shown to the user; custom has none.
    const char* names[] = {"A4", "A3", "A2", "A1", "B5", "B4", "B3", "B2", "B1", "Letter", "legal"};
    for (int code = 0; code <= kPaperLegal; ++code) EXPECT_STREQ(Paper::SizeName(code), names[code]);
    EXPECT_STREQ(Paper::SizeName(kPaperCustom), "");
    // Codes from a damaged file never read past the table: they behave as A4.
    for (int32_t code :
         {-1, 12, 1000, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
        EXPECT_DOUBLE_EQ(MakePaper(code).PaperWidth(), 210.0) << code;
        EXPECT_DOUBLE_EQ(MakePaper(code, true).PaperWidth(), 297.0) << code;
        EXPECT_STREQ(Paper::SizeName(code), "") << code;
    }
}

TEST(Paper, GridMeasures) {
    const Paper a4 = MakePaper(kPaperA4);
    // Outer margins are counted once on each side of the whole grid.
    EXPECT_EQ((std::vector<double>{a4.SheetsWidth(3), a4.SheetsHeight(2), a4.SheetsWidth(1)}),
              (std::vector<double>{570, 564, 210}));
    // SheetCorner(1, 1) is the lower right paper corner of sheet (0, 0).
    const Point2 corner = a4.SheetCorner(1, 1), origin = a4.SheetCorner(0, 0);
    EXPECT_EQ((std::vector<double>{corner.x, corner.y, origin.x, origin.y}),
              (std::vector<double>{210, 297, 30, 30}));
}

TEST(UpdateSheetGrid, OnePercentAllowanceAndBoundedCounts) {
    const std::pair<int, int> one{1, 1}, limit{kMaxSheetsPerAxis, kMaxSheetsPerAxis};
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const struct {
        double x1, y1;
        Paper paper;
        std::pair<int, int> grid;
    } cases[] = {
        // pw x 1.01 = 181.8 on A4 portrait, ph x 1.01 = 269.67 for the rows.
        {181, 10, MakePaper(kPaperA4), one},
        {182, 10, MakePaper(kPaperA4), {2, 1}},
        {364, 10, MakePaper(kPaperA4), {3, 1}},
        {10, 269, MakePaper(kPaperA4), one},
        {10, 270, MakePaper(kPaperA4), {1, 2}},
        // Landscape swaps the steps.
        {270, 182, MakePaper(kPaperA4, true), {2, 2}},
        // Margins wider than the paper leave no printable width: never a division by it; an unset custom
        // size (0 x 0) behaves the same way.
        {500, 10, MakePaper(kPaperA4, false, 200, 15), one},
        {500, 500, MakePaper(kPaperA4, false, 105, 150), one},
        {500, 500, MakePaper(kPaperCustom), one},
        // Absurd coordinates are held at the grid limit, unmeasurable ones give a single sheet; just below
        // the limit the count is exact.
        {1e300, 1e300, MakePaper(kPaperA4), limit},
        {inf, 10, MakePaper(kPaperA4), {kMaxSheetsPerAxis, 1}},
        {nan, nan, MakePaper(kPaperA4), one},
        {181.8 * 998.5, 10, MakePaper(kPaperA4), {999, 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(Grid(c.x1, c.y1, c.paper), c.grid) << c.x1 << " x " << c.y1;
    // Content wholly at negative coordinates adds nothing.
    EXPECT_EQ(Grid(-100, -10, MakePaper(kPaperA4), -500, -900), one);
}

TEST(UpdateSheetGrid, WithoutContentOneSheetAndPartsMeasuredWhenAsked) {
    Document doc;
    doc.sheetColumns = doc.sheetRows = 4;
    // No development at all, or one without parts, texts or pictures.
    UpdateSheetGrid(doc, MakePaper(kPaperA4), true);
    EXPECT_EQ(std::make_pair(doc.sheetColumns, doc.sheetRows), std::make_pair(1, 1));
    doc.sheetColumns = doc.sheetRows = 4;
    doc.development = std::make_unique<Development>();
    UpdateSheetGrid(doc, MakePaper(kPaperA4), true);
    EXPECT_EQ(std::make_pair(doc.sheetColumns, doc.sheetRows), std::make_pair(1, 1));
    // A part whose stored box is empty: one column until the part is measured.
    auto face = std::make_unique<CFace>();
    for (double x : {0.0, 400.0}) {
        auto h = std::make_unique<CHalfEdge>();
        h->x2d = x;
        h->face = face.get();
        face->halfEdges.push_back(std::move(h));
    }
    doc.development->AppendPart(std::make_unique<CPart>())->faces.push_back(face.get());
    UpdateSheetGrid(doc, MakePaper(kPaperA4), false);
    EXPECT_EQ(doc.sheetColumns, 1);
    UpdateSheetGrid(doc, MakePaper(kPaperA4), true);
    EXPECT_EQ(doc.sheetColumns, 3);
    EXPECT_DOUBLE_EQ(doc.development->frame[2], 400.0);
}
