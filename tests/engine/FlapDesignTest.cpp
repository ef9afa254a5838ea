#include "engine/FlapDesign.h"

#include "engine/Buildability.h"
#include "engine/Flaps.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

constexpr double kSixtyDegrees = 1.0471975511965976;

// A face of `part` across the full flap of `side` (5 high), from `near` to `far` off its edge.
void BlockFlap(DevelopmentFixture& scene, HalfEdge* side, Part* part, double near, double far) {
    side->flapHeight = 5;
    const FlapShape shape = ComputeFlapShape(*side, false);
    const Point2 start = side->Pos2D(), end = side->next->Pos2D();
    const Point2 base = (start + end) * 0.5;
    const Point2 tip = (shape.tipStart + shape.tipEnd) * 0.5;
    const Point2 out = (tip - base) * (1 / Length(tip - base));
    const Point2 along = (end - start) * (1 / Length(end - start));
    const Point2 p[3] = {base + out * near - along * 3, base + out * near + along * 3, base + out * far};
    Face* face = scene.AddFace({scene.AddVertex(0, 0, 1), scene.AddVertex(1, 0, 1), scene.AddVertex(0, 1, 1)},
                               {p[0], p[1], p[2]});
    face->part = part;
    part->faces.push_back(face);
}

double FlapArea(const HalfEdge& side) {
    const std::array<Point2, 4> q = FlapOutline(side);
    return SharedArea({q.begin(), q.end()}, {{-1e3, -1e3}, {1e3, -1e3}, {1e3, 1e3}, {-1e3, 1e3}});
}

// Two triangles sharing a cut edge, each a part of its own, far apart on the sheet; their corners run
// counter-clockwise as seen on the sheet (y down), as the unfolder lays faces.
class CutEdgeScene : public DevelopmentFixture {
public:
    HalfEdge* h = nullptr; // the first part's side
    HalfEdge* t = nullptr; // the second part's side
    Part* first = nullptr;
    Part* second = nullptr;

    CutEdgeScene() {
        Vertex *a = AddVertex(0, 0), *b = AddVertex(20, 0), *c = AddVertex(0, -20), *d = AddVertex(20, -20);
        Face* one = AddFace({a, b, c});
        Face* two = AddFace({b, d, c}, {{120, 0}, {120, -20}, {100, -20}});
        PairEdges();
        first = AddPart({one});
        second = AddPart({two});
        MakeLines(first);
        MakeLines(second);
        h = Shared(one, two);
        t = h->twin;
        for (HalfEdge* side : {h, t}) side->flapAngle1 = side->flapAngle2 = kSixtyDegrees;
        h->hasFlap = true;
    }

    void Block(HalfEdge* side, Part* part, double near, double far) {
        BlockFlap(*this, side, part, near, far);
    }
};

// The lowest step the design tries that keeps half the reference area (flaps 5 high: steps 5, 4.25, ...,
// 1.25), below the apex where the sides meet; none where even the highest is too narrow.
TEST(DesignFlaps, LowestHeightIsTheDesignsLastStepThatHoldsGlue) {
    const struct {
        double length, spread, lowest;
    } cases[] = {
        {20, 2, 2.25},    // 45 degrees: 2.25 x 17.75 holds 37.5, 1.75 x 18.25 does not
        {4, 2, 1.25},     // a short edge: the apex at 2 caps the high steps, every step holds 2
        {20, 3.74, 2.75}, // one end narrowed
        {20, 5.48, -1.0}, // both ends at 0.35 radians: 5 x 6.3 is below 37.5 already
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(LowestFlapHeight(c.length, 5, c.spread), c.lowest) << c.spread;
}

// Beside a slit one base angle must close below the slit's opening, to the widest the design's caps allow
// (0.35, then 0.2 radians) or the corner's own where that is narrower; flaps 5 high.
TEST(DesignFlaps, FitsBesideASlitOnlyWhereTheNarrowedFlapHoldsGlue) {
    const struct {
        double length, gap, there;
        bool fits;
    } cases[] = {
        {20, 0.4, 0.785, true},   // narrowed to 0.35: 5 x 10.6 holds 37.5
        {20, 0.3, 0.785, false},  // narrowed to 0.2: 5 x 5.2 and every lower step fall short
        {30, 0.3, 0.785, true},   // a longer edge: 5 x 15.2 holds 62.5
        {30, 0.15, 0.785, false}, // no cap is that narrow
        {100, 0.15, 0.1, true},   // the corner itself is narrower than the slit
        {0, 0.4, 0.785, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitsBesideSlit(c.length, 5, c.gap, c.there, 0.785), c.fits) << c.length << " " << c.gap;
}

// An edge holds a flap where either side's corners leave room for half the reference area; flaps 5 high.
TEST(DesignFlaps, HoldsAFlapUnlessBothSidesAreSliversAtItsEnds) {
    const struct {
        double length, side1[2], side2[2];
        bool holds;
    } cases[] = {
        {4, {0.785, 0.785}, {0.785, 0.785}, true},
        {4, {0.785, 0.31}, {0.31, 0.785}, false}, // 4 x 4 / (2 x 4.1) = 1.94, below half of 4
        {4, {0.785, 0.34}, {0.1, 0.1}, true},     // 4 x 4 / (2 x 3.8) = 2.1: one side is enough
        {4, {0.1, 0.1}, {0.1, 0.1}, false},
        {60, {0.1, 0.785}, {0.1, 0.785}, true}, // a long edge: 5 x 32.5 holds 137.5
        {0, {0.785, 0.785}, {0.785, 0.785}, false},
    };
    for (const auto& c : cases) {
        HalfEdge side1, side2;
        side1.flapAngle1 = c.side1[0], side1.flapAngle2 = c.side1[1];
        side2.flapAngle1 = c.side2[0], side2.flapAngle2 = c.side2[1];
        EXPECT_EQ(HoldsFlap(c.length, 5, side1, side2), c.holds) << c.length << " " << c.side1[1];
    }
}

TEST(DesignFlaps, MovesAFlapOffAFaceThenLowersItThenKeepsTheReference) {
    const double length = std::sqrt(800.0);
    const double least = ReferenceFlapArea(length, 5) / 2;
    EXPECT_DOUBLE_EQ(ReferenceFlapArea(length, 5), 5 * (length - 5));
    EXPECT_DOUBLE_EQ(ReferenceFlapArea(4, 5), 2 * 2);

    CutEdgeScene free;
    FlapDesignCounts counts = DesignFlaps(free.Dev(), 5);
    EXPECT_EQ(counts.designed, 1);
    EXPECT_TRUE(free.h->hasFlap);
    EXPECT_DOUBLE_EQ(free.h->flapHeight, 5);

    // The first side's flap would cover a face of its part: the other side takes it, full height.
    CutEdgeScene moved;
    moved.Block(moved.h, moved.first, 1, 4);
    counts = DesignFlaps(moved.Dev(), 5);
    EXPECT_EQ(counts.designed, 1);
    EXPECT_FALSE(moved.h->hasFlap);
    ASSERT_TRUE(moved.t->hasFlap);
    EXPECT_DOUBLE_EQ(moved.t->flapHeight, 5);

    // Faces beyond 4 of the base on both sides: a lower flap on the first side, still holding glue.
    CutEdgeScene lowered;
    lowered.Block(lowered.h, lowered.first, 4, 6);
    lowered.Block(lowered.t, lowered.second, 4, 6);
    counts = DesignFlaps(lowered.Dev(), 5);
    EXPECT_EQ(counts.designed, 1);
    ASSERT_TRUE(lowered.h->hasFlap);
    EXPECT_LT(lowered.h->flapHeight, 4);
    EXPECT_GE(FlapArea(*lowered.h), least);

    // No room on either side: the reference flap stays where the first side had it.
    CutEdgeScene crowded;
    crowded.Block(crowded.h, crowded.first, 0.2, 3);
    crowded.Block(crowded.t, crowded.second, 0.2, 3);
    counts = DesignFlaps(crowded.Dev(), 5);
    EXPECT_EQ(counts.crowded, 1);
    EXPECT_TRUE(crowded.h->hasFlap);
    EXPECT_NEAR(FlapArea(*crowded.h), 2 * least, 1e-9);
}

// Two faces of one part whose cut edges face each other 6 apart, the other sides covered: a full flap
// (5 high) on the first would leave the second no room, so each first takes the least glue it may and
// then grows into what the other leaves.
TEST(DesignFlaps, FacingFlapsShareTheGapBetweenThem) {
    DevelopmentFixture scene;
    Vertex *a = scene.AddVertex(0, 0), *b = scene.AddVertex(20, 0), *c = scene.AddVertex(10, -15);
    Vertex *d = scene.AddVertex(20, 6), *e = scene.AddVertex(0, 6), *f = scene.AddVertex(10, 21);
    Face* low = scene.AddFace({a, b, c});
    Face* high = scene.AddFace({d, e, f});
    Face* lowTwin = scene.AddFace({b, a, scene.AddVertex(0, 0, 1)}, {{120, 0}, {100, 0}, {110, 15}});
    Face* highTwin = scene.AddFace({e, d, scene.AddVertex(0, 0, 2)}, {{100, 50}, {120, 50}, {110, 35}});
    scene.PairEdges();
    scene.AddPart({low, high});
    Part* apart = scene.AddPart({lowTwin, highTwin});
    HalfEdge* sides[2] = {DevelopmentFixture::Shared(low, lowTwin),
                          DevelopmentFixture::Shared(high, highTwin)};
    for (HalfEdge* side : sides) {
        for (HalfEdge* h : {side, side->twin}) h->flapAngle1 = h->flapAngle2 = 0.7853981633974483;
        side->hasFlap = true;
        BlockFlap(scene, side->twin, apart, 0.2, 3);
    }
    const FlapDesignCounts counts = DesignFlaps(scene.Dev(), 5);
    EXPECT_EQ(counts.crowded, 0);
    EXPECT_EQ(counts.designed, 2);
    const double least = ReferenceFlapArea(20, 5) / 2;
    for (HalfEdge* side : sides) ASSERT_TRUE(side->hasFlap);
    EXPECT_LE(sides[0]->flapHeight + sides[1]->flapHeight, 6);
    // Each grew past the least glue it first took (37.8 of 37.5), to the highest step both fit: 2.75.
    for (HalfEdge* side : sides) EXPECT_GT(FlapArea(*side), 1.2 * least);
}

} // namespace
