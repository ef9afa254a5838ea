#include "sheet/PageList.h"

#include "model/Settings.h"
#include "sheet/Paper.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

// A4 portrait with 15 mm margins: sheets of 180 x 267 in development coordinates.
constexpr double kPw = 180.0;
constexpr double kPh = 267.0;

using Pages = std::vector<std::pair<int, int>>;

// Each polygon becomes a part of its own at `offset`, with corner positions relative to it.
struct Sheets {
    DevelopmentFixture fx;
    Paper paper;

    void Polygon(const std::vector<Point2>& corners, Point2 offset = {0, 0}) {
        std::vector<Vertex*> vertices;
        for (size_t i = 0; i < corners.size(); ++i) vertices.push_back(fx.AddVertex(double(i), 0));
        Part* part = fx.AddPart({fx.AddFace(vertices, corners)});
        part->x = offset.x;
        part->y = offset.y;
    }
    // A 10 mm square whose top left corner is at (x, y) in development coordinates.
    void Square(double x, double y) { Polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {x, y}); }
    // A lone segment, as a two-corner outline.
    void Segment(Point2 a, Point2 b) { Polygon({a, b}); }

    bool Blank(int c, int r) const { return IsSheetBlank(*fx.doc.development, paper, c, r); }
    // The sheets of a grid row by row, '#' for one with content and '.' for a blank one, rows apart.
    std::string Map(int columns, int rows) const {
        std::string map;
        for (int r = 0; r < rows; ++r) {
            if (r > 0) map += ' ';
            for (int c = 0; c < columns; ++c) map += Blank(c, r) ? '.' : '#';
        }
        return map;
    }
    Pages List(bool skip, int columns, int rows) {
        fx.doc.sheetColumns = columns;
        fx.doc.sheetRows = rows;
        Pages out;
        for (const SheetIndex& s : BuildPageList(fx.doc, paper, skip)) out.emplace_back(s.column, s.row);
        return out;
    }
};

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
std::pair<int, int> GridOf(double x1, double y1, const Paper& paper = MakePaper(kPaperA4), double x0 = 0,
                           double y0 = 0) {
    Document doc;
    doc.development = std::make_unique<Development>();
    Part* part = doc.development->AppendPart(std::make_unique<Part>());
    part->x = x0;
    part->y = y0;
    part->width = x1 - x0;
    part->height = y1 - y0;
    UpdateSheetGrid(doc, paper, false);
    return {doc.sheetColumns, doc.sheetRows};
}

} // namespace

TEST(IsSheetBlank, EdgesCountWhereTheyPassAndBordersBelongRightOrBelow) {
    const struct {
        std::vector<Point2> outline;
        std::string map; // of a 3 x 3 grid
    } cases[] = {
        // A thin triangle from sheet (0, 0) to sheet (2, 0); its long edges pass through sheet (1, 0).
        {{{10, 10}, {2 * kPw + 10, 10}, {10, 20}}, "### ... ..."},
        // A diagonal clipping only a corner region of a sheet.
        {{{kPw - 5, 2 * kPh - 20}, {kPw + 20, 2 * kPh + 5}}, "... ##. .#."},
        // A segment lying on the border between columns 0 and 1 counts for column 1 only; likewise between
        // rows 0 and 1.
        {{{kPw, 10}, {kPw, 20}}, ".#. ... ..."},
        {{{10, kPh}, {20, kPh}}, "... #.. ..."},
        // The left and top borders of the grid belong to the first sheet.
        {{{0, 0}, {0, 30}}, "#.. ... ..."},
        // A point on a four-sheet corner belongs to the lower right sheet alone.
        {{{kPw, kPh}, {kPw, kPh}}, "... .#. ..."},
        // A segment ending on the border reaches the next sheet by its end point; one stopping short does
        // not.
        {{{kPw - 10, 10}, {kPw, 10}}, "##. ... ..."},
        {{{kPw - 10, 10}, {kPw - 1e-9, 10}}, "#.. ... ..."},
    };
    for (const auto& c : cases) {
        Sheets s;
        s.Polygon(c.outline);
        EXPECT_EQ(s.Map(3, 3), c.map) << c.outline[0].x << ", " << c.outline[0].y;
    }
    // Flaps, texts and pictures do not count, only part edges.
    Sheets t;
    auto text = std::make_unique<TextBlock>();
    text->rect[0] = text->rect[1] = text->rect[3] = 10;
    text->rect[2] = 50;
    t.fx.Dev().texts.push_back(std::move(text));
    EXPECT_TRUE(t.Blank(0, 0));
}

TEST(BuildPageList, MatchesTheSheetBySheetTestOnManySegments) {
    // The page list only tests the sheets near each segment; it must agree with the full test,
    // including segments whose ends sit exactly on borders.
    Sheets s;
    uint32_t state = 12345;
    const auto next = [&state](int range) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<uint32_t>(range));
    };
    const auto coordinate = [&](double step, int sheets) {
        if (next(3) == 0) return step * next(sheets + 1); // exactly on a border
        return next(int(step * sheets * 100)) / 100.0 - 20.0;
    };
    const auto sheetBySheet = [](const Sheets& sheets) {
        Pages expected;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                if (!sheets.Blank(c, r)) expected.emplace_back(c, r);
        return expected;
    };
    for (int i = 0; i < 60; ++i) {
        const bool axisAligned = next(4) == 0;
        Point2 a{coordinate(kPw, 4), coordinate(kPh, 3)};
        Point2 b{coordinate(kPw, 4), coordinate(kPh, 3)};
        if (axisAligned) b.x = a.x;
        Sheets one;
        one.Segment(a, b);
        s.Segment(a, b);
        EXPECT_EQ(one.List(true, 4, 3), sheetBySheet(one)) << a.x << "," << a.y << " - " << b.x << "," << b.y;
    }
    EXPECT_EQ(s.List(true, 4, 3), sheetBySheet(s));
}

TEST(BuildPageList, NoDevelopmentNoPrintableAreaAndDamagedGrids) {
    Document doc;
    // Nothing drawn: with skipping every sheet is blank; without it the single sheet prints.
    EXPECT_TRUE(BuildPageList(doc, Paper{}, true).empty());
    ASSERT_EQ(BuildPageList(doc, Paper{}, false).size(), 1u);
    // Margins wider than the paper: no sheet has a printable area, and nothing divides by it.
    Sheets s;
    s.Square(10, 10);
    s.paper.sideMarginMM = 200;
    EXPECT_TRUE(s.List(true, 2, 1).empty());
    EXPECT_EQ(s.List(false, 2, 1).size(), 2u);
    EXPECT_TRUE(s.Blank(0, 0));
    // Counts below 1 are read as 1, and huge ones stop at the grid limit instead of allocating without bound.
    s.paper = Paper{};
    EXPECT_EQ(s.List(false, 0, -4), (Pages{{0, 0}}));
    EXPECT_EQ(s.List(true, -1, 0), (Pages{{0, 0}}));
    EXPECT_EQ(s.List(false, 2000000000, 1).size(), static_cast<size_t>(kMaxSheetsPerAxis));
    EXPECT_EQ(s.List(true, 2000000000, 2000000000), (Pages{{0, 0}}));
}

TEST(BuildPageList, SegmentsFarOutsideTheGridAreIgnored) {
    Sheets s;
    s.Segment({-1e308, -1e308}, {1e308, -1e308}); // above every sheet
    s.Segment({-5000, 10}, {-4000, 10});          // left of the grid
    s.Square(kPw + 10, 10);
    EXPECT_EQ(s.List(true, 2, 2), (Pages{{1, 0}}));
    // A segment running right across the grid marks every sheet of its row.
    s.Segment({-1e300, kPh + 5}, {1e300, kPh + 5});
    EXPECT_EQ(s.List(true, 2, 2), (Pages{{1, 0}, {0, 1}, {1, 1}}));
}

TEST(BuildPageList, BorderPointsSurviveRoundingOfTheSheetWidth) {
    // Letter portrait prints 185.9 mm wide, which binary doubles cannot hold exactly: 7 x pw divided by
    // pw comes out just below 7, so a sheet search by division alone would miss sheet 7. The other way
    // round: the last double before 9 x pw lies in sheet 8, yet divides to exactly 9.
    Paper letter;
    letter.sizeCode = kPaperLetter;
    const double pw = letter.PrintableWidth();
    ASSERT_LT((7 * pw) / pw, 7.0);
    const double beforeNine = std::nextafter(9 * pw, 0.0);
    ASSERT_EQ(std::floor(beforeNine / pw), 9.0);
    for (const auto& [x, column] : {std::pair{7 * pw, 7}, std::pair{beforeNine, 8}}) {
        Sheets s;
        s.paper = letter;
        s.Segment({x, 10}, {x, 10});
        EXPECT_FALSE(s.Blank(column, 0));
        EXPECT_TRUE(s.Blank(column - 1, 0));
        EXPECT_EQ(s.List(true, 10, 1), (Pages{{column, 0}}));
    }
}

TEST(Paper, SizesPrintableAreasAndNames) {
    // The paper follows the settings a model file carries.
    Settings s;
    s.paperSize = kPaperB4;
    s.paperOrientation = 1;
    s.marginSideMM = 7;
    s.marginTopMM = 9;
    Paper custom = MakePaper(kPaperCustom, false, 10, 10);
    custom.customWidthMM = 100;
    custom.customHeightMM = 50;
    Paper odd = MakePaper(kPaperA3);
    odd.landscape = -3; // any non-zero orientation value means landscape
    const std::pair<Paper, std::vector<double>> cases[] = {
        {Paper::FromSettings(s), {364, 257, 350, 239}}, // the B sizes are the Japanese series
        {MakePaper(kPaperA4, true), {297, 210, 267, 180}},
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
    EXPECT_STREQ(Paper::SizeName(kPaperCustom), "");
    // Codes from a damaged file never read past the table: they behave as A4.
    for (int32_t code :
         {-1, 12, 1000, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
        EXPECT_DOUBLE_EQ(MakePaper(code).PaperWidth(), 210.0) << code;
        EXPECT_DOUBLE_EQ(MakePaper(code, true).PaperWidth(), 297.0) << code;
        EXPECT_STREQ(Paper::SizeName(code), "") << code;
    }
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
        {10, 269, MakePaper(kPaperA4), one},
        {10, 270, MakePaper(kPaperA4), {1, 2}},
        // Landscape swaps the steps.
        {270, 182, MakePaper(kPaperA4, true), {2, 2}},
        // Margins wider than the paper leave no printable width: never a division by it; an unset custom
        // size (0 x 0) behaves the same way.
        {500, 10, MakePaper(kPaperA4, false, 200, 15), one},
        {500, 500, MakePaper(kPaperCustom), one},
        // Absurd coordinates are held at the grid limit, unmeasurable ones give a single sheet; just below
        // the limit the count is exact.
        {1e300, 1e300, MakePaper(kPaperA4), limit},
        {inf, 10, MakePaper(kPaperA4), {kMaxSheetsPerAxis, 1}},
        {nan, nan, MakePaper(kPaperA4), one},
        {181.8 * 998.5, 10, MakePaper(kPaperA4), {999, 1}},
    };
    for (const auto& c : cases) EXPECT_EQ(GridOf(c.x1, c.y1, c.paper), c.grid) << c.x1 << " x " << c.y1;
    // Content wholly at negative coordinates adds nothing.
    EXPECT_EQ(GridOf(-100, -10, MakePaper(kPaperA4), -500, -900), one);
}
