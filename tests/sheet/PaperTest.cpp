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

// A development whose only content is a box from (x0, y0) to (x1, y1).
void SetContent(Document& doc, double x0, double y0, double x1, double y1) {
    doc.development = std::make_unique<Development>();
    CPart* part = doc.development->AppendPart(std::make_unique<CPart>());
    part->x = x0;
    part->y = y0;
    part->width = x1 - x0;
    part->height = y1 - y0;
}

std::pair<int, int> Grid(double maxX, double maxY, const Paper& paper = MakePaper(kPaperA4)) {
    Document doc;
    SetContent(doc, 0, 0, maxX, maxY);
    UpdateSheetGrid(doc, paper, false);
    return {doc.sheetColumns, doc.sheetRows};
}

} // namespace

TEST(Paper, ConstructionAndSettings) {
    const Paper fresh;
    EXPECT_EQ(fresh.sizeCode, kPaperA4);
    EXPECT_EQ(fresh.landscape, 0);
    EXPECT_EQ(fresh.sideMarginMM, 15);
    EXPECT_EQ(fresh.topMarginMM, 15);
    EXPECT_EQ(fresh.customWidthMM, 0.0);
    // The paper follows the settings a model file carries.
    Settings s;
    s.iPaperSize = kPaperB4;
    s.iPaperOrientation = 1;
    s.iMarginSide = 7;
    s.iMarginTop = 9;
    const Paper paper = Paper::FromSettings(s);
    EXPECT_EQ(paper.sizeCode, kPaperB4);
    EXPECT_EQ(paper.landscape, 1);
    EXPECT_EQ(paper.sideMarginMM, 7);
    EXPECT_EQ(paper.topMarginMM, 9);
    EXPECT_DOUBLE_EQ(paper.PaperWidth(), 364.0);
    EXPECT_DOUBLE_EQ(paper.PrintableWidth(), 350.0);
    EXPECT_DOUBLE_EQ(paper.PrintableHeight(), 239.0);
}

TEST(Paper, SizesAndPrintableAreas) {
    // A4 with 15 mm margins: 180 x 267 portrait, 267 x 180 landscape.
    EXPECT_DOUBLE_EQ(MakePaper(kPaperA4).PrintableWidth(), 180.0);
    EXPECT_DOUBLE_EQ(MakePaper(kPaperA4).PrintableHeight(), 267.0);
    EXPECT_DOUBLE_EQ(MakePaper(kPaperA4, true).PrintableWidth(), 267.0);
    EXPECT_DOUBLE_EQ(MakePaper(kPaperA4, true).PrintableHeight(), 180.0);
    // Letter landscape swaps the table entry.
    EXPECT_DOUBLE_EQ(MakePaper(kPaperLetter, true).PaperWidth(), 279.4);
    EXPECT_DOUBLE_EQ(MakePaper(kPaperLetter, true).PaperHeight(), 215.9);
    // The table rows are in code order, the B sizes the Japanese series.
    EXPECT_DOUBLE_EQ(MakePaper(kPaperB5).PaperWidth(), 182.0);
    EXPECT_DOUBLE_EQ(MakePaper(kPaperB1).PaperHeight(), 1030.0);
    EXPECT_DOUBLE_EQ(MakePaper(kPaperA1).PaperHeight(), 841.0);
    EXPECT_DOUBLE_EQ(MakePaper(kPaperLegal).PaperHeight(), 355.6);
    // Any non-zero orientation value means landscape.
    Paper odd = MakePaper(kPaperA3);
    odd.landscape = -3;
    EXPECT_DOUBLE_EQ(odd.PaperWidth(), 420.0);
    // Names as shown to the user; custom has none.
    const char* names[] = {"A4", "A3", "A2", "A1", "B5", "B4", "B3", "B2", "B1", "Letter", "legal"};
    for (int code = 0; code <= kPaperLegal; ++code) EXPECT_STREQ(Paper::SizeName(code), names[code]);
    EXPECT_STREQ(Paper::SizeName(kPaperCustom), "");
}

TEST(Paper, CustomAndUnknownSizeCodes) {
    Paper custom = MakePaper(kPaperCustom, false, 10, 10);
    custom.customWidthMM = 100;
    custom.customHeightMM = 50;
    EXPECT_DOUBLE_EQ(custom.PrintableWidth(), 80.0);
    EXPECT_DOUBLE_EQ(custom.PrintableHeight(), 30.0);
    // A custom size is taken as entered, whatever the orientation.
    custom.landscape = 1;
    EXPECT_DOUBLE_EQ(custom.PaperWidth(), 100.0);
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
    EXPECT_DOUBLE_EQ(a4.SheetsWidth(3), 570.0);
    EXPECT_DOUBLE_EQ(a4.SheetsHeight(2), 564.0);
    EXPECT_DOUBLE_EQ(a4.SheetsWidth(1), 210.0);
    // SheetCorner(1, 1) is the lower right paper corner of sheet (0, 0).
    const Point2 corner = a4.SheetCorner(1, 1);
    EXPECT_DOUBLE_EQ(corner.x, 210.0);
    EXPECT_DOUBLE_EQ(corner.y, 297.0);
    const Point2 origin = a4.SheetCorner(0, 0);
    EXPECT_DOUBLE_EQ(origin.x, 30.0);
    EXPECT_DOUBLE_EQ(origin.y, 30.0);
}

TEST(UpdateSheetGrid, OnePercentAllowanceDecidesTheColumnCount) {
    // pw x 1.01 = 181.8 on A4 portrait.
    EXPECT_EQ(Grid(181.0, 10).first, 1);
    EXPECT_EQ(Grid(182.0, 10).first, 2);
    EXPECT_EQ(Grid(364.0, 10).first, 3);
    // ph x 1.01 = 269.67 for the rows.
    EXPECT_EQ(Grid(10, 269.0).second, 1);
    EXPECT_EQ(Grid(10, 270.0).second, 2);
    // Landscape swaps the steps.
    EXPECT_EQ(Grid(270.0, 182.0, MakePaper(kPaperA4, true)), std::make_pair(2, 2));
}

TEST(UpdateSheetGrid, WithoutContentTheGridIsOneSheet) {
    Document doc;
    doc.sheetColumns = 4;
    doc.sheetRows = 4;
    // No development at all.
    UpdateSheetGrid(doc, MakePaper(kPaperA4), true);
    EXPECT_EQ(doc.sheetColumns, 1);
    EXPECT_EQ(doc.sheetRows, 1);
    // A development without parts, texts or pictures.
    doc.sheetColumns = 4;
    doc.development = std::make_unique<Development>();
    UpdateSheetGrid(doc, MakePaper(kPaperA4), true);
    EXPECT_EQ(doc.sheetColumns, 1);
    EXPECT_EQ(doc.sheetRows, 1);
    // Content wholly at negative coordinates adds nothing.
    SetContent(doc, -500, -900, -100, -10);
    UpdateSheetGrid(doc, MakePaper(kPaperA4), false);
    EXPECT_EQ(doc.sheetColumns, 1);
    EXPECT_EQ(doc.sheetRows, 1);
}

TEST(UpdateSheetGrid, RecomputesPartExtentsWhenAsked) {
    Document doc;
    doc.development = std::make_unique<Development>();
    CSolid solid;
    auto face = std::make_unique<CFace>();
    for (double x : {0.0, 400.0}) {
        auto h = std::make_unique<CHalfEdge>();
        h->x2d = x;
        h->face = face.get();
        face->halfEdges.push_back(std::move(h));
    }
    CPart* part = doc.development->AppendPart(std::make_unique<CPart>());
    part->faces.push_back(face.get());
    // The stored box is empty: one column until the part is measured.
    UpdateSheetGrid(doc, MakePaper(kPaperA4), false);
    EXPECT_EQ(doc.sheetColumns, 1);
    UpdateSheetGrid(doc, MakePaper(kPaperA4), true);
    EXPECT_EQ(doc.sheetColumns, 3);
    EXPECT_DOUBLE_EQ(doc.development->frame[2], 400.0);
}

TEST(UpdateSheetGrid, BadPaperOrContentGivesABoundedGrid) {
    // Margins wider than the paper leave no printable width: never a division by it.
    EXPECT_EQ(Grid(500, 10, MakePaper(kPaperA4, false, 200, 15)), std::make_pair(1, 1));
    EXPECT_EQ(Grid(500, 500, MakePaper(kPaperA4, false, 105, 150)), std::make_pair(1, 1));
    // An unset custom size (0 x 0) behaves the same way.
    EXPECT_EQ(Grid(500, 500, MakePaper(kPaperCustom)), std::make_pair(1, 1));
    // Absurd coordinates are held at the grid limit ...
    EXPECT_EQ(Grid(1e300, 1e300), std::make_pair(kMaxSheetsPerAxis, kMaxSheetsPerAxis));
    EXPECT_EQ(Grid(std::numeric_limits<double>::infinity(), 10).first, kMaxSheetsPerAxis);
    // ... and unmeasurable ones give a single sheet.
    EXPECT_EQ(Grid(std::nan(""), std::nan("")), std::make_pair(1, 1));
    // Just below the limit the count is exact.
    EXPECT_EQ(Grid(181.8 * 998.5, 10).first, 999);
}
