#include "sheet/PageList.h"

#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

// A4 portrait with 15 mm margins: sheets of 180 x 267 in development coordinates.
constexpr double kPw = 180.0;
constexpr double kPh = 267.0;

Paper A4() {
    return Paper{};
}

// Each polygon becomes a part of its own at `offset`, with corner positions relative to it.
struct Sheets {
    DevelopmentFixture fx;

    void Polygon(const std::vector<Point2>& corners, Point2 offset = {0, 0}) {
        std::vector<CVertex*> vertices;
        for (size_t i = 0; i < corners.size(); ++i) vertices.push_back(fx.Vertex(double(i), 0));
        CFace* face = fx.Face(vertices, corners);
        CPart* part = fx.Part({face});
        part->x = offset.x;
        part->y = offset.y;
    }
    // A 10 mm square whose top left corner is at (x, y) in development coordinates.
    void Square(double x, double y) { Polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {x, y}); }
    // A lone segment, as a two-corner outline.
    void Segment(Point2 a, Point2 b) { Polygon({a, b}); }

    bool Blank(int c, int r) const { return IsSheetBlank(*fx.doc.development, A4(), c, r); }
    std::vector<std::pair<int, int>> Pages(bool skip, int columns, int rows) {
        fx.doc.sheetColumns = columns;
        fx.doc.sheetRows = rows;
        std::vector<std::pair<int, int>> out;
        for (const SheetIndex& s : BuildPageList(fx.doc, A4(), skip)) out.emplace_back(s.column, s.row);
        return out;
    }
};

using Pages = std::vector<std::pair<int, int>>;

} // namespace

TEST(BuildPageList, BlankMiddleTopSheetIsSkipped) {
    Sheets s;
    // Content in every sheet of a 3 x 2 grid except (1, 0); the part offset places each square.
    s.Square(50, 50);
    s.Square(2 * kPw + 50, 50);
    s.Square(50, kPh + 50);
    s.Square(kPw + 50, kPh + 50);
    s.Square(2 * kPw + 50, kPh + 50);
    UpdateSheetGrid(s.fx.doc, A4(), false);
    ASSERT_EQ(s.fx.doc.sheetColumns, 3);
    ASSERT_EQ(s.fx.doc.sheetRows, 2);
    // Printed as (1,1), (3,1), (1,2), (2,2), (3,2) counted from 1: rows outside, columns inside.
    EXPECT_EQ(s.Pages(true, 3, 2), (Pages{{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}));
    // Without skipping every sheet is a page, in the same order.
    EXPECT_EQ(s.Pages(false, 3, 2), (Pages{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}));
    EXPECT_TRUE(s.Blank(1, 0));
    EXPECT_FALSE(s.Blank(1, 1));
}

TEST(IsSheetBlank, SegmentCrossingASheetWithoutEndsInsideMakesItNonBlank) {
    Sheets s;
    // A thin triangle from sheet (0, 0) to sheet (2, 0); its long edges pass through sheet (1, 0).
    s.Polygon({{10, 10}, {2 * kPw + 10, 10}, {10, 20}});
    EXPECT_FALSE(s.Blank(0, 0));
    EXPECT_FALSE(s.Blank(1, 0));
    EXPECT_FALSE(s.Blank(2, 0));
    EXPECT_TRUE(s.Blank(0, 1));
    // A diagonal clipping only a corner region of a sheet.
    Sheets d;
    d.Segment({kPw - 5, 2 * kPh - 20}, {kPw + 20, 2 * kPh + 5});
    EXPECT_FALSE(d.Blank(1, 1));
    EXPECT_FALSE(d.Blank(0, 1));
    EXPECT_FALSE(d.Blank(1, 2));
    EXPECT_TRUE(d.Blank(0, 2));
    // Flaps, texts and pictures do not count, only part edges.
    Sheets t;
    auto text = std::make_unique<CTextBlock>();
    text->rect[0] = 10;
    text->rect[1] = 10;
    text->rect[2] = 50;
    text->rect[3] = 10;
    t.fx.Dev().texts.push_back(std::move(text));
    EXPECT_TRUE(t.Blank(0, 0));
}

TEST(IsSheetBlank, BorderPointsBelongToTheSheetRightOrBelow) {
    // A segment lying on the border between columns 0 and 1 counts for column 1 only.
    Sheets v;
    v.Segment({kPw, 10}, {kPw, 20});
    EXPECT_TRUE(v.Blank(0, 0));
    EXPECT_FALSE(v.Blank(1, 0));
    // The same on the border between rows 0 and 1.
    Sheets h;
    h.Segment({10, kPh}, {20, kPh});
    EXPECT_TRUE(h.Blank(0, 0));
    EXPECT_FALSE(h.Blank(0, 1));
    // The left and top borders of the grid belong to the first sheet.
    Sheets edge;
    edge.Segment({0, 0}, {0, 30});
    EXPECT_FALSE(edge.Blank(0, 0));
    // A point on a four-sheet corner belongs to the lower right sheet alone.
    Sheets corner;
    corner.Segment({kPw, kPh}, {kPw, kPh});
    EXPECT_TRUE(corner.Blank(0, 0));
    EXPECT_TRUE(corner.Blank(1, 0));
    EXPECT_TRUE(corner.Blank(0, 1));
    EXPECT_FALSE(corner.Blank(1, 1));
    // A segment ending on the border reaches the next sheet by its end point.
    Sheets touch;
    touch.Segment({kPw - 10, 10}, {kPw, 10});
    EXPECT_FALSE(touch.Blank(0, 0));
    EXPECT_FALSE(touch.Blank(1, 0));
    // One stopping short of the border does not.
    Sheets shortOf;
    shortOf.Segment({kPw - 10, 10}, {kPw - 1e-9, 10});
    EXPECT_TRUE(shortOf.Blank(1, 0));
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
        const int kind = next(3);
        if (kind == 0) return step * next(sheets + 1); // exactly on a border
        return next(int(step * sheets * 100)) / 100.0 - 20.0;
    };
    for (int i = 0; i < 60; ++i) {
        const bool axisAligned = next(4) == 0;
        Point2 a{coordinate(kPw, 4), coordinate(kPh, 3)};
        Point2 b{coordinate(kPw, 4), coordinate(kPh, 3)};
        if (axisAligned) b.x = a.x;
        Sheets one;
        one.Segment(a, b);
        s.Segment(a, b);
        Pages expected;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                if (!one.Blank(c, r)) expected.emplace_back(c, r);
        EXPECT_EQ(one.Pages(true, 4, 3), expected) << a.x << "," << a.y << " - " << b.x << "," << b.y;
    }
    Pages expected;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            if (!s.Blank(c, r)) expected.emplace_back(c, r);
    EXPECT_EQ(s.Pages(true, 4, 3), expected);
}

TEST(BuildPageList, NoDevelopmentOrNoPrintableArea) {
    Document doc;
    // Nothing drawn: with skipping every sheet is blank; without it the single sheet prints.
    EXPECT_TRUE(BuildPageList(doc, A4(), true).empty());
    ASSERT_EQ(BuildPageList(doc, A4(), false).size(), 1u);
    // Margins wider than the paper: no sheet has a printable area, and nothing divides by it.
    Sheets s;
    s.Square(10, 10);
    Paper bad;
    bad.sideMarginMM = 200;
    s.fx.doc.sheetColumns = 2;
    s.fx.doc.sheetRows = 1;
    EXPECT_TRUE(BuildPageList(s.fx.doc, bad, true).empty());
    EXPECT_EQ(BuildPageList(s.fx.doc, bad, false).size(), 2u);
    EXPECT_TRUE(IsSheetBlank(s.fx.Dev(), bad, 0, 0));
}

TEST(BuildPageList, DamagedGridCountsAreBounded) {
    Sheets s;
    s.Square(10, 10);
    // Counts below 1 are read as 1 ...
    EXPECT_EQ(s.Pages(false, 0, -4), (Pages{{0, 0}}));
    EXPECT_EQ(s.Pages(true, -1, 0), (Pages{{0, 0}}));
    // ... and huge ones stop at the grid limit instead of allocating without bound.
    EXPECT_EQ(s.Pages(false, 2000000000, 1).size(), static_cast<size_t>(kMaxSheetsPerAxis));
    EXPECT_EQ(s.Pages(true, 2000000000, 2000000000), (Pages{{0, 0}}));
}

TEST(BuildPageList, SegmentsFarOutsideTheGridAreIgnored) {
    Sheets s;
    s.Segment({-1e308, -1e308}, {1e308, -1e308}); // above every sheet
    s.Segment({-5000, 10}, {-4000, 10});          // left of the grid
    s.Square(kPw + 10, 10);
    EXPECT_EQ(s.Pages(true, 2, 2), (Pages{{1, 0}}));
    // A segment running right across the grid marks every sheet of its row.
    s.Segment({-1e300, kPh + 5}, {1e300, kPh + 5});
    EXPECT_EQ(s.Pages(true, 2, 2), (Pages{{1, 0}, {0, 1}, {1, 1}}));
}

TEST(BuildPageList, BorderPointsSurviveRoundingOfTheSheetWidth) {
    // Letter portrait prints 185.9 mm wide, which binary doubles cannot hold exactly: 7 x pw divided by
    // pw comes out just below 7, so a sheet search by division alone would miss sheet 7.
    Paper letter;
    letter.sizeCode = kPaperLetter;
    const double pw = letter.PrintableWidth();
    ASSERT_LT((7 * pw) / pw, 7.0);
    Sheets s;
    s.Segment({7 * pw, 10}, {7 * pw, 10});
    EXPECT_FALSE(IsSheetBlank(s.fx.Dev(), letter, 7, 0));
    EXPECT_TRUE(IsSheetBlank(s.fx.Dev(), letter, 6, 0));
    s.fx.doc.sheetColumns = 8;
    s.fx.doc.sheetRows = 1;
    const std::vector<SheetIndex> pages = BuildPageList(s.fx.doc, letter, true);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].column, 7);
    // The other way round: the last double before 9 x pw lies in sheet 8, yet divides to exactly 9.
    const double beforeNine = std::nextafter(9 * pw, 0.0);
    ASSERT_EQ(std::floor(beforeNine / pw), 9.0);
    Sheets t;
    t.Segment({beforeNine, 10}, {beforeNine, 10});
    EXPECT_FALSE(IsSheetBlank(t.fx.Dev(), letter, 8, 0));
    t.fx.doc.sheetColumns = 10;
    t.fx.doc.sheetRows = 1;
    const std::vector<SheetIndex> before = BuildPageList(t.fx.doc, letter, true);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_EQ(before[0].column, 8);
}
