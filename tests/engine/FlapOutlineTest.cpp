#include "engine/FlapOutline.h"

#include "engine/Classify.h"
#include "engine/Extents.h"
#include "engine/Flaps.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

struct Piece {
    Point2 a, b;
};

// Squares with flaps (DevelopmentFixture::Square, AddFlap) and the outlines drawn of them.
class FlapScene : public DevelopmentFixture {
public:
    // Part boxes (flap tips included) and flap shapes; absolute positions stay where they were built.
    void Finish() { ComputeDevelopmentExtent(Dev(), true); }

    std::vector<Piece> Draw(Part* part, PartLine* line) {
        std::vector<Piece> pieces;
        DrawFlapOutline(Dev(), *part, *line, [&](const Point2& a, const Point2& b) {
            pieces.push_back({a, b});
        });
        return pieces;
    }
};

#define EXPECT_PIECE(piece, ax, ay, bx, by)                                                                  \
    do {                                                                                                     \
        EXPECT_NEAR((piece).a.x, (ax), 1e-9);                                                                \
        EXPECT_NEAR((piece).a.y, (ay), 1e-9);                                                                \
        EXPECT_NEAR((piece).b.x, (bx), 1e-9);                                                                \
        EXPECT_NEAR((piece).b.y, (by), 1e-9);                                                                \
    } while (0)

} // namespace

TEST(FlapOutlineGeometry, CrossingsTrianglesAndRectangles) {
    double t = -1;
    // A plain X crossing reports where along the first segment it lies.
    EXPECT_TRUE(SegmentsCross({0, 0}, {10, 0}, {4, -1}, {4, 1}, &t));
    EXPECT_DOUBLE_EQ(t, 0.4);
    // Touching at an end counts: the ends belong to both segments.
    EXPECT_TRUE(SegmentsCross({0, 0}, {10, 0}, {10, 0}, {10, 5}, &t));
    EXPECT_DOUBLE_EQ(t, 1.0);
    // Parallel (even overlapping) segments never cross.
    EXPECT_FALSE(SegmentsCross({0, 0}, {10, 0}, {2, 0}, {5, 0}, &t));
    EXPECT_FALSE(SegmentsCross({0, 0}, {10, 0}, {0, 1}, {10, 1}, &t));
    // Lines that meet outside one of the segments do not cross.
    EXPECT_FALSE(SegmentsCross({0, 0}, {10, 0}, {4, 1}, {4, 3}, &t));
    // A zero-length segment has no direction and crosses nothing.
    EXPECT_FALSE(SegmentsCross({0, 0}, {0, 0}, {-1, -1}, {1, 1}, &t));

    // Both orientations of a triangle work, the border is inside, a flat triangle holds nothing.
    EXPECT_TRUE(PointInTriangle({1, 1}, {0, 0}, {4, 0}, {0, 4}));
    EXPECT_TRUE(PointInTriangle({1, 1}, {0, 0}, {0, 4}, {4, 0}));
    EXPECT_TRUE(PointInTriangle({2, 0}, {0, 0}, {4, 0}, {0, 4}));
    EXPECT_FALSE(PointInTriangle({3, 3}, {0, 0}, {4, 0}, {0, 4}));
    EXPECT_FALSE(PointInTriangle({1, 1}, {0, 0}, {2, 2}, {4, 4}));
    EXPECT_FALSE(PointInTriangle({NAN, 1}, {0, 0}, {4, 0}, {0, 4}));

    const double rect[4] = {10, 20, 5, 5};
    EXPECT_TRUE(PointInRect({10, 25}, rect));
    EXPECT_FALSE(PointInRect({9.99, 22}, rect));
    // A rectangle given with a negative width still spans both of its ends.
    const double flipped[4] = {15, 20, -5, 5};
    EXPECT_TRUE(PointInRect({12, 22}, flipped));
    // A segment passing right through the rectangle touches it though neither end is inside.
    EXPECT_TRUE(SegmentTouchesRect({0, 22}, {30, 22}, rect));
    EXPECT_TRUE(SegmentTouchesRect({12, 22}, {30, 30}, rect));
    EXPECT_FALSE(SegmentTouchesRect({0, 0}, {30, 0}, rect));
}

TEST(DrawFlapOutline, CoveredPiecesAreLeftOutAndThePartOffsetIsAdded) {
    // The flap of a 10 mm square at the origin lies at x 10..15, y 0..10. Each row: another square over
    // it (size 0 for none), the part's move after measuring, and the pieces drawn. Uncovered, the three
    // outer sides come in order, the base left out, and own faces never hide their flap; a long side is
    // split where it enters another part's face.
    const struct {
        double x, y, size;
        Point2 offset;
        std::vector<Piece> pieces;
    } cases[] = {
        {0, 0, 0, {0, 0}, {{{10, 10}, {15, 10}}, {{15, 10}, {15, 0}}, {{15, 0}, {10, 0}}}},
        {0, 0, 0, {100, 50}, {{{110, 60}, {115, 60}}, {{115, 60}, {115, 50}}, {{115, 50}, {110, 50}}}},
        {10, -5, 20, {0, 0}, {}},
        {5, -10, 15, {0, 0}, {{{10, 10}, {15, 10}}, {{15, 10}, {15, 5}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        FlapScene scene;
        Part* part = scene.Square(0, 0, 10);
        PartLine* line = scene.AddFlap(part, 2, 5);
        if (c.size > 0) scene.Square(c.x, c.y, c.size);
        scene.Finish();
        part->x += c.offset.x;
        part->y += c.offset.y;
        BeginFlapOutlinePass(scene.Dev());
        const std::vector<Piece> pieces = scene.Draw(part, line);
        ASSERT_EQ(pieces.size(), c.pieces.size());
        for (size_t k = 0; k < pieces.size(); ++k)
            EXPECT_PIECE(pieces[k], c.pieces[k].a.x, c.pieces[k].a.y, c.pieces[k].b.x, c.pieces[k].b.y);
        // Drawn or not, the flap has had its turn in this pass.
        EXPECT_TRUE(line->flapDrawn);
    }
    // A new pass clears the mark, so the flap does not hide itself the second time round; without one
    // its own mark covers it.
    FlapScene scene;
    Part* part = scene.Square(0, 0, 10);
    PartLine* line = scene.AddFlap(part, 2, 5);
    scene.Finish();
    line->flapDrawn = true;
    BeginFlapOutlinePass(scene.Dev());
    EXPECT_EQ(scene.Draw(part, line).size(), 3u);
    EXPECT_TRUE(scene.Draw(part, line).empty());
}

TEST(DrawFlapOutline, FlapDrawnFirstHidesTheLaterOne) {
    FlapScene scene;
    Part* first = scene.Square(0, 0, 10);
    PartLine* firstLine = scene.AddFlap(first, 2, 5); // x 10..15, y 0..10
    Part* second = scene.Square(20, 2, 10);
    PartLine* secondLine = scene.AddFlap(second, 0, 7); // x 13..20, y 2..12
    scene.Finish();

    BeginFlapOutlinePass(scene.Dev());
    const std::vector<Piece> a = scene.Draw(first, firstLine);
    const std::vector<Piece> b = scene.Draw(second, secondLine);
    // The earlier flap in line order is whole: the later one is not drawn yet when it is tested.
    EXPECT_EQ(a.size(), 3u);
    // The later flap's tip side (x = 13, y 2..12, midpoint under the first flap) is gone; the sides
    // whose midpoints lie clear of it stay, since flap outlines do not split pieces.
    ASSERT_EQ(b.size(), 2u);
    EXPECT_PIECE(b[0], 20, 2, 13, 2);
    EXPECT_PIECE(b[1], 13, 12, 20, 12);

    // A first flap whose base is below the threshold, a sliver of a parallelogram (base angles adding up
    // to a half turn) leaning down through the later tip side's midpoint (13, 7): it must not hide that
    // side; at a base just over the threshold it does.
    for (const double base : {0.0005, 0.002}) {
        SCOPED_TRACE(base);
        HalfEdge* h = firstLine->first;
        h->x2d = h->next->x2d;
        h->y2d = h->next->y2d + base;
        h->flapHeight = 4;
        h->flapAngle1 = std::atan2(3, 7 - base / 2);
        h->flapAngle2 = 3.14159265358979323846 - h->flapAngle1;
        BeginFlapOutlinePass(scene.Dev());
        scene.Draw(first, firstLine);
        EXPECT_EQ(scene.Draw(second, secondLine).size(), base < kMinHidingFlapBaseMM ? 3u : 2u);
    }
}

TEST(DrawFlapOutline, DamagedRecordsDrawNothing) {
    FlapScene scene;
    Part* part = scene.Square(0, 0, 10);
    scene.Finish();
    // A line without a half-edge: nothing to draw and nothing marked as drawn.
    PartLine empty;
    EXPECT_TRUE(scene.Draw(part, &empty).empty());
    EXPECT_FALSE(empty.flapDrawn);
    // A face with fewer than three corners in another part, and a null part, do not upset the tests.
    Face* sliver = scene.AddFace({scene.AddVertex(11, 0), scene.AddVertex(12, 0)});
    scene.AddPart({sliver});
    scene.Dev().parts.back()->width = 50;
    scene.Dev().parts.back()->height = 50;
    scene.Dev().parts.push_back(nullptr);
    PartLine* line = scene.AddFlap(part, 2, 5);
    BeginFlapOutlinePass(scene.Dev());
    EXPECT_EQ(scene.Draw(part, line).size(), 3u);
}
