#include "engine/Buildability.h"

#include "engine/Extents.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

TEST(SharedArea, OverlapsTouchesAndConcaveShapes) {
    const std::vector<Point2> square{{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    const std::vector<Point2> lShape{{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}};
    struct Case {
        std::vector<Point2> polygon, convex;
        double area;
    } cases[] = {
        {square, {{1, 1}, {3, 1}, {3, 3}, {1, 3}}, 1.0},          // a quarter shared
        {square, {{2, 0}, {4, 0}, {4, 2}, {2, 2}}, 0.0},          // touching along an edge
        {square, {{3, 3}, {4, 3}, {4, 4}}, 0.0},                  // apart
        {square, {{0.5, 0.5}, {0.5, 1.5}, {1.5, 1.5}}, 0.5},      // inside, clockwise
        {square, {{1, 0}, {1, 2}, {1, 2}, {1, 0}}, 0.0},          // a flap of no height
        {lShape, {{0.5, 0.5}, {3, 0.5}, {3, 3}, {0.5, 3}}, 2.25}, // the notch left out
        {{{-1, -1}, {5, -1}, {5, 5}, {-1, 5}}, square, 4.0},      // convex one inside
        // A flap whose sides meet at its top, the two top corners apart by rounding only: the edge
        // between them has no direction and must not cut anything away.
        {square, {{0, 0}, {1, 1}, {1 + 4.5e-16, 1 - 2.3e-16}, {2, 0}}, 1.0},
        {square, {{0, 0}, {1, 1}, {1 - 2.3e-16, 1 - 2.3e-16}, {2, 0}}, 1.0},
    };
    for (const Case& c : cases) EXPECT_NEAR(SharedArea(c.polygon, c.convex), c.area, 1e-12);
}

TEST(PartOnOneSheet, WhollyInsideOneSheetsPrintableArea) {
    const SheetArea sheet{100, 200, {}};
    struct Case {
        double x, y, w, h;
        bool onOne;
    } cases[] = {
        {0, 0, 100, 200, true},   // exactly one sheet
        {5, 5, 90, 190, true},    // inside
        {150, 210, 40, 50, true}, // inside the second column's second row
        {90, 5, 20, 20, false},   // across the first column break
        {5, 190, 20, 20, false},  // across the first row break
        {-1, 5, 20, 20, false},   // partly in the margin
        {0, 0, 101, 10, false},   // wider than a sheet
    };
    for (const Case& c : cases) {
        Part part;
        part.x = c.x, part.y = c.y, part.width = c.w, part.height = c.h;
        EXPECT_EQ(PartOnOneSheet(part, sheet), c.onOne) << c.x << ", " << c.y;
        if (c.onOne) {
            EXPECT_TRUE(PartFitsSheet(c.w, c.h, sheet));
        }
    }
    EXPECT_FALSE(PartFitsSheet(100.1, 10, sheet));
    EXPECT_FALSE(PartFitsSheet(10, 200.1, sheet));
}

TEST(PartOnOneSheet, KeepOutsShrinkTheFit) {
    // A 10 x 10 keep-out at the top left and one 20 wide across the bottom right of a 100 x 200 area.
    const SheetArea sheet{100, 200, {{0, 0, 10, 10}, {80, 180, 100, 200}}};
    const struct {
        double x, y, w, h;
        bool onOne, fits;
    } cases[] = {
        {10, 0, 90, 180, true, true},    // touching both keep-outs
        {5, 5, 20, 20, false, true},     // in the top left one
        {105, 205, 20, 20, false, true}, // the same on the second sheet
        {0, 10, 100, 170, true, true},   // the band between them
        {0, 10, 100, 171, false, false}, // a millimetre into the lower one, nowhere room for it
        {0, 0, 100, 200, false, false},  // the whole sheet
    };
    for (const auto& c : cases) {
        Part part;
        part.x = c.x, part.y = c.y, part.width = c.w, part.height = c.h;
        EXPECT_EQ(PartOnOneSheet(part, sheet), c.onOne) << c.x << ", " << c.y;
        EXPECT_EQ(PartFitsSheet(c.w, c.h, sheet), c.fits) << c.w << " x " << c.h;
    }
}

TEST(MeasureBuildability, CountsFlapsOnFacesFlapsOnFlapsAndPartsAcrossSheets) {
    DevelopmentFixture scene;
    Part* a = scene.Square(0, 0, 10);
    scene.AddFlap(a, 2, 4); // reaches x = 14, into b
    scene.Square(12, 0, 10);
    Part* c = scene.Square(0, 20, 10);
    scene.AddFlap(c, 2, 4); // x 10..14
    Part* d = scene.Square(18, 20, 10);
    scene.AddFlap(d, 0, 3);            // x 15..18: clear of c's flap, and lower than the others
    Part* e = scene.Square(45, 0, 10); // across the sheet break at x = 50
    scene.AddFlap(e, 0, 2);            // x 43..45 touches nothing
    ComputeDevelopmentExtent(scene.Dev(), true);
    const SheetArea sheet{50, 100, {}};
    Buildability found = MeasureBuildability(scene.Dev(), sheet);
    EXPECT_EQ(found.partsNotFitting, 1);
    EXPECT_EQ(found.flapFaceOverlaps, 1);
    EXPECT_EQ(found.flapFlapOverlaps, 0);
    EXPECT_EQ(found.faceFaceOverlaps, 0);
    EXPECT_EQ(found.flapsShortened, 2);
    EXPECT_EQ(found.flapsTooSmall, 0); // e's 2 x 10 holds more than half of 4 x 6

    // d's flap raised to 6 mm reaches back to x = 12, over c's flap but short of c itself.
    d->faces[0]->Corner(0)->flapHeight = 6;
    Part* f = scene.Square(5, 5, 2); // a face on a's face
    (void)f;
    ComputeDevelopmentExtent(scene.Dev(), true);
    found = MeasureBuildability(scene.Dev(), sheet);
    EXPECT_EQ(found.flapFlapOverlaps, 1);
    EXPECT_EQ(found.faceFaceOverlaps, 1);
    EXPECT_EQ(found.flapsShortened, 3);
    EXPECT_EQ(found.flapsTooSmall, 0);

    // e's flap lowered to 1 mm: 10 against half of the 5 x 5 reference the 6 mm flaps set.
    e->faces[0]->Corner(0)->flapHeight = 1;
    EXPECT_EQ(MeasureBuildability(scene.Dev(), sheet).flapsTooSmall, 1);
}

} // namespace
