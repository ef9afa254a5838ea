#include "engine/Flaps.h"

#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// A lone edge P1 -> P2 with its flap parameters.
struct Edge2D {
    HalfEdge h, end;
    FlapShape shape;
    Edge2D(Point2 p1, Point2 p2, double height, double angle1Deg, double angle2Deg) {
        h.x2d = p1.x;
        h.y2d = p1.y;
        end.x2d = p2.x;
        end.y2d = p2.y;
        h.next = &end;
        h.flapHeight = height;
        h.flapAngle1 = angle1Deg * kDeg;
        h.flapAngle2 = angle2Deg * kDeg;
    }
    const Point2& Start(bool side) {
        shape = ComputeFlapShape(h, side);
        return shape.tipStart;
    }
    const Point2& End() const { return shape.tipEnd; }
};

#define EXPECT_POINT(p, ex, ey)                                                                              \
    do {                                                                                                     \
        EXPECT_NEAR((p).x, (ex), 1e-9);                                                                      \
        EXPECT_NEAR((p).y, (ey), 1e-9);                                                                      \
    } while (0)

} // namespace

TEST(ComputeFlapShape, TrianglesTrapezoidsAndRectangles) {
    // Each row: the edge P1 -> P2, the flap height, the angles at its end and at its start, the side flag,
    // and the two tips.
    struct Case {
        Point2 p1, p2;
        double height, angle1, angle2;
        bool side;
        Point2 start, end;
    };
    const Case cases[] = {
        // T equals H on a 10 mm edge: the sides meet at the flap height, one tip.
        {{0, 0}, {10, 0}, 5, 45, 45, true, {5, -5}, {5, -5}},
        // T = 10 > H on a 20 mm edge: a trapezoid, tipStart next to P1 and tipEnd next to P2.
        {{0, 0}, {20, 0}, 5, 45, 45, true, {5, -5}, {15, -5}},
        // Right angles take the trapezoid rule directly: a rectangle of flap height.
        {{0, 0}, {20, 0}, 5, 90, 90, false, {0, 5}, {20, 5}},
        // L = 6 < 2 H: the tip stands H over the midpoint, not where the 45-degree sides would meet.
        {{2, 3}, {8, 3}, 5, 45, 45, false, {5, 8}, {5, 8}},
        // flapAngle1 belongs to the end of the edge, flapAngle2 to its start.
        {{0, 0}, {20, 0}, 5, 90, 45, true, {5, -5}, {20, -5}},
        {{0, 0}, {20, 0}, 5, 45, 90, false, {0, 5}, {15, 5}},
        // Flag false puts the flap to the right of the edge's direction as seen on the sheet (y down).
        {{0, 0}, {0, 10}, 5, 45, 45, false, {-5, 5}, {-5, 5}},
        // A zero-length edge has no direction: the flap collapses onto the corner.
        {{4, 4}, {4, 4}, 5, 45, 45, false, {4, 4}, {4, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Edge2D e(c.p1, c.p2, c.height, c.angle1, c.angle2);
        EXPECT_POINT(e.Start(c.side), c.start.x, c.start.y);
        EXPECT_POINT(e.End(), c.end.x, c.end.y);
    }
    // Nearly parallel sides (|c| below 1e-6) count as parallel too.
    Edge2D e({0, 0}, {20, 0}, 5, 90, 90);
    e.h.flapAngle1 = 90 * kDeg + 4e-7;
    EXPECT_NEAR(e.Start(false).y, 5, 1e-6);
    EXPECT_NEAR(e.End().y, 5, 1e-6);
}

TEST(ComputeFlapShape, DegenerateInputGivesFiniteTips) {
    // A corner without a successor.
    HalfEdge lone;
    lone.x2d = 1;
    lone.y2d = 2;
    EXPECT_POINT(ComputeFlapShape(lone, true).tipEnd, 1, 2);
    // Angles 0 and pi (damaged file) would put a trapezoid tip at infinity.
    Edge2D flat({0, 0}, {10, 0}, 5, 0, 180);
    const Point2 tip = flat.Start(false);
    EXPECT_TRUE(std::isfinite(tip.x) && std::isfinite(tip.y));
    EXPECT_TRUE(std::isfinite(flat.End().x) && std::isfinite(flat.End().y));
}

TEST(FlapOutline, FollowsTheCornersAndTheSideOfItsPartsDevelopment) {
    // Each row: whether the corner has a face, the face a part, the part a development, and whether that
    // development is drawn reversed; then the y of both flap tips.
    const struct {
        bool face, part, development, reversed;
        double y;
    } cases[] = {
        {false, false, false, false, 5}, {true, false, false, false, 5}, {true, true, false, false, 5},
        {true, true, true, false, 5},    {true, true, true, true, -5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Edge2D e({0, 0}, {20, 0}, 5, 90, 90);
        Development dev;
        dev.reversed = c.reversed;
        Part part;
        part.development = c.development ? &dev : nullptr;
        Face face;
        face.part = c.part ? &part : nullptr;
        e.h.face = c.face ? &face : nullptr;
        EXPECT_POINT(FlapOutline(e.h)[1], 0, c.y);
        EXPECT_POINT(FlapOutline(e.h)[2], 20, c.y);
        // Nothing is kept between calls: moving the edge's end moves the flap.
        e.end.x2d = 30;
        EXPECT_POINT(FlapOutline(e.h)[2], 30, c.y);
        EXPECT_POINT(FlapOutline(e.h)[3], 30, 0);
    }
}

namespace {

// F1 = (A, B, C), the right triangle of area 50; F2 = (B, D, C) of area 100 shares B-C with it. In F2 the
// angle at C is 90 degrees and at B 45 degrees.
struct TwoFaces {
    DevelopmentFixture fx;
    Vertex* a = fx.AddVertex(0, 0);
    Vertex* b = fx.AddVertex(10, 0);
    Vertex* c = fx.AddVertex(0, 10);
    Vertex* d = fx.AddVertex(10, 20);
    Face* small = fx.AddFace({a, b, c});
    Face* large = fx.AddFace({b, d, c});
    TwoFaces() { fx.PairEdges(); }
    HalfEdge* SmallSide() { return DevelopmentFixture::Shared(small, large); }
    HalfEdge* LargeSide() { return DevelopmentFixture::Shared(large, small); }
};

} // namespace

TEST(AutoFlapAngles, LimitedByTheSettingAndTheNeighbourCorners) {
    TwoFaces f;
    for (auto& face : f.fx.solid->faces)
        for (auto& corner : face->halfEdges) corner->flapAngle1 = corner->flapAngle2 = -1;
    AutoFlapAnglesAll(f.fx.Model(), 90);
    // flapAngle1 sits at the end of h (C, 90 degrees in F2), flapAngle2 at its start (B, 45 degrees).
    HalfEdge* h = f.SmallSide(); // runs B -> C
    EXPECT_NEAR(h->flapAngle1, 90 * kDeg, 1e-12);
    EXPECT_NEAR(h->flapAngle2, 45 * kDeg, 1e-12);
    EXPECT_NEAR(f.LargeSide()->flapAngle1, 45 * kDeg, 1e-12);
    AutoFlapAngles(*h, 60);
    EXPECT_NEAR(h->flapAngle1, 60 * kDeg, 1e-12);
    EXPECT_NEAR(h->flapAngle2, 45 * kDeg, 1e-12);
    // Without a twin both angles are the limit; every corner of every solid was set.
    EXPECT_DOUBLE_EQ(f.small->Corner(0)->flapAngle1, 90 * kDeg);
    EXPECT_DOUBLE_EQ(f.small->Corner(0)->flapAngle2, 90 * kDeg);
    for (auto& face : f.fx.solid->faces)
        for (auto& corner : face->halfEdges) EXPECT_TRUE(corner->flapAngle1 > 0 && corner->flapAngle2 > 0);
    // A neighbour corner with a zero-length side falls back to the limit.
    f.d->position = f.c->position;
    AutoFlapAngles(*h, 45);
    EXPECT_DOUBLE_EQ(h->flapAngle1, 45 * kDeg);
    EXPECT_FALSE(std::isnan(h->flapAngle2));
}

// The smaller face carries the flap whichever is visited first; on equal areas the one visited first does.
TEST(PlaceFlaps, SmallerFaceOrElseTheFirstVisitedCarriesTheFlap) {
    for (bool equal : {false, true})
        for (bool secondFirst : {false, true}) {
            SCOPED_TRACE(testing::Message() << equal << secondFirst);
            TwoFaces f;
            if (equal) f.d->position = {10, 10, 0}; // both triangles of area 50
            f.fx.AddPart({secondFirst ? f.large : f.small});
            f.fx.AddPart({secondFirst ? f.small : f.large});
            f.small->Corner(0)->hasFlap = true; // an open edge never keeps a flap
            PlaceFlaps(f.fx.Dev(), f.fx.Model(), 7.5);
            EXPECT_EQ(f.SmallSide()->hasFlap, !(equal && secondFirst));
            EXPECT_EQ(f.LargeSide()->hasFlap, equal && secondFirst);
            EXPECT_FALSE(f.small->Corner(0)->hasFlap);
            for (auto& face : f.fx.solid->faces)
                for (auto& corner : face->halfEdges) EXPECT_DOUBLE_EQ(corner->flapHeight, 7.5);
        }
}
