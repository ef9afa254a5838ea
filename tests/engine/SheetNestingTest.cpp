#include "engine/SheetNesting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tsm {
namespace {

NestShape Rectangle(double w, double h) {
    return {w, h, {{{0, 0}, {w, 0}, {w, h}, {0, h}}}};
}

// An L of bars `t` thick along the left and the bottom of its w x h box.
NestShape Ell(double w, double h, double t) {
    return {w, h, {{{0, 0}, {t, 0}, {t, h}, {0, h}}, {{0, h - t}, {w, h - t}, {w, h}, {0, h}}}};
}

TEST(NestOnSheets, ShapesTakeTheRoomTheirNeighboursBoxesLeave) {
    // The rectangle fits only in the empty corner of the L's box: by boxes it would need a second sheet.
    const std::vector<PackedBox> placed =
        NestOnSheets({Ell(90, 50, 10), Rectangle(70, 30)}, 102, 62, {}, 2, 1);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[1].sheet, 0);
    // Beside the L's upright bar and above its foot, the spacing apart.
    EXPECT_GE(placed[1].x, placed[0].x + 10 + 2);
    EXPECT_LE(placed[1].y + 30 + 2, placed[0].y + 40 + 1e-9);
}

TEST(NestOnSheets, SpacingBlockedZonesAndBadInput) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<NestShape> shapes;
        double w, h, spacing;
        std::vector<PackBlock> blocked;
        std::vector<PackedBox> expected; // empty: refused
    };
    const Case cases[] = {
        // A shape takes every cell it touches: one cell more than its size apart.
        {"two squares side by side",
         {Rectangle(40, 40), Rectangle(40, 40)},
         102,
         50,
         10,
         {},
         {{0, 0, 0}, {0, 51, 0}}},
        {"too far apart for one sheet",
         {Rectangle(40, 40), Rectangle(40, 40)},
         100,
         65,
         25,
         {},
         {{0, 0, 0}, {1, 0, 0}}},
        {"a corner kept out", {Rectangle(40, 40)}, 100, 50, 0, {{0, 0, 30, 30}}, {{0, 31, 0}}},
        {"larger than the sheet", {Rectangle(120, 10)}, 100, 50, 0, {}, {}},
        {"no size", {Rectangle(10, 10)}, 100, 50, 60, {}, {}},
        {"not a number", {Rectangle(nan, 10)}, 100, 50, 0, {}, {}},
        {"a corner not a number", {{10, 10, {{{0, 0}, {nan, 0}, {10, 10}}}}}, 100, 50, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<PackedBox> placed = NestOnSheets(c.shapes, c.w, c.h, c.blocked, c.spacing, 1);
        ASSERT_EQ(placed.size(), c.expected.size());
        for (size_t i = 0; i < placed.size(); ++i) {
            EXPECT_EQ(placed[i].sheet, c.expected[i].sheet) << i;
            EXPECT_NEAR(placed[i].x, c.expected[i].x, 1e-9) << i;
            EXPECT_NEAR(placed[i].y, c.expected[i].y, 1e-9) << i;
        }
    }
}

} // namespace
} // namespace tsm
