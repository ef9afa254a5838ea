// The readable edge labels' placement: shrinking to the face, the flap, the leader, the part-edge text,
// never upside down, and the box overlap they are kept apart by.
#include "engine/EdgeLabels.h"

#include "engine/Flaps.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tsm;
using namespace tsm::test;

namespace {

constexpr double kPi = 3.14159265358979323846;

EdgeLabelRules Rules(bool onFlaps = false) {
    EdgeLabelRules rules;
    rules.onFlaps = onFlaps;
    rules.largestSizeMM = 3.0;
    rules.smallestSizeMM = 2.0;
    return rules;
}

// One rectangular part, `width` by 20 mm, at (10, 10) whose left edge (corner 0, running down the sheet)
// carries ID 7, optionally with a 5 mm flap outside it.
struct RectangleFixture : DevelopmentFixture {
    Face* square = nullptr;
    explicit RectangleFixture(double width, bool flap = false) {
        square = AddFace({AddVertex(0, 0), AddVertex(0, 20), AddVertex(width, 20), AddVertex(width, 0)});
        PairEdges();
        Part* part = AddPart({square});
        part->x = part->y = 10;
        MakeLines(part);
        HalfEdge& left = *square->Corner(0);
        left.edge->edgeId = 7;
        if (flap) {
            left.hasFlap = true;
            left.flapHeight = 5.0;
            left.line->drawKind = DrawKind::FlapMountain;
        }
    }
};

} // namespace

// Room decides the spot and the size: the largest size where it fits, shrunk step by step to the
// smallest, then the flap, then a leader to a free spot.
TEST(EdgeLabels, ShrinkToTheFaceThenTheFlapThenALeader) {
    const struct {
        double width;
        bool flap, onFlaps;
        EdgeLabelSpot spot;
        double leastSize, mostSize;
    } cases[] = {
        {20, false, false, EdgeLabelSpot::Face, 3.0, 3.0},  {3, false, false, EdgeLabelSpot::Face, 2.0, 2.5},
        {2, false, false, EdgeLabelSpot::Leader, 2.0, 2.0}, {2, true, false, EdgeLabelSpot::Flap, 2.0, 3.0},
        {20, true, true, EdgeLabelSpot::Flap, 2.0, 3.0},    {20, true, false, EdgeLabelSpot::Face, 3.0, 3.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << (c.flap ? " flap" : "") << (c.onFlaps ? " on flaps" : ""));
        RectangleFixture fixture(c.width, c.flap);
        const std::vector<EdgeLabel> labels = PlaceEdgeLabels(fixture.Dev(), Rules(c.onFlaps));
        ASSERT_EQ(labels.size(), 1u);
        const EdgeLabel& label = labels[0];
        EXPECT_EQ(label.spot, c.spot);
        EXPECT_EQ(label.text, "7");
        EXPECT_GE(label.sizeMM, c.leastSize - 1e-9);
        EXPECT_LE(label.sizeMM, c.mostSize + 1e-9);
        const double x = label.centreMM.x, y = label.centreMM.y;
        switch (c.spot) {
        case EdgeLabelSpot::Face: // inside, next to the left edge, read upwards along it
            EXPECT_TRUE(x > 10 && x < 10 + c.width && y > 10 && y < 30) << x << ", " << y;
            EXPECT_NEAR(label.angle, -kPi / 2, 1e-9);
            break;
        case EdgeLabelSpot::Flap: // outside the left edge, within the flap's height
            EXPECT_TRUE(x < 10 && x > 5) << x;
            break;
        case EdgeLabelSpot::Leader: { // level, clear of the square, the leader from the edge's middle to it
            EXPECT_EQ(label.angle, 0.0);
            EXPECT_NEAR(label.leaderStartMM.y, 20, 1e-9);
            EXPECT_NEAR(label.leaderStartMM.x, 10, 0.5);
            const std::array<Point2, 4> face{{{10, 10}, {10 + c.width, 10}, {10 + c.width, 30}, {10, 30}}};
            EXPECT_FALSE(LabelBoxesOverlap(LabelBox(label.centreMM, 0, label.sizeMM, 1), face));
            EXPECT_LE(std::abs(label.leaderEndMM.x - x), 0.6 + 0.2 + 1e-9);
            EXPECT_LE(std::abs(label.leaderEndMM.y - y), 1.0 + 0.2 + 1e-9);
            break;
        }
        }
    }
}

// A label moved away from its edge stays on the printable area of the edge's sheet, clear of its
// keep-outs; with no room there it is left out rather than printed off the paper.
TEST(EdgeLabels, ALeaderStaysOnItsSheet) {
    struct Case {
        double sheetWidth;
        std::vector<KeepOut> keepOuts;
        bool placed;
        double leastX, mostX; // where the label's box may lie
    };
    // Everything but the right of the face (at x 10 to 12, y 10 to 30) kept out.
    const std::vector<KeepOut> onlyRight{{0, 0, 9.9, 40}, {0, 0, 40, 9.9}, {0, 30.1, 40, 40}};
    const Case cases[] = {
        {200, {}, true, 0, 200},             // room all round
        {16, onlyRight, true, 12, 16},       // right of the face
        {12.5, onlyRight, true, 10, 12},     // too narrow there: inside the face, clear of its edges
        {40, {{0, 0, 40, 40}}, false, 0, 0}, // the whole sheet kept out: left out, not put off the paper
        {40, {}, true, 0, 40},               // the second sheet's content starts at 40: never past it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "sheet " << c.sheetWidth << " wide, " << c.keepOuts.size() << " keep-outs");
        RectangleFixture fixture(2);
        EdgeLabelRules rules = Rules();
        rules.sheet = SheetArea{c.sheetWidth, 40, c.keepOuts};
        const std::vector<EdgeLabel> labels = PlaceEdgeLabels(fixture.Dev(), rules);
        ASSERT_EQ(labels.size(), c.placed ? 1u : 0u);
        if (!c.placed) continue;
        EXPECT_EQ(labels[0].spot, EdgeLabelSpot::Leader);
        for (const Point2& corner : LabelBox(labels[0].centreMM, 0, labels[0].sizeMM, 1)) {
            EXPECT_GE(corner.x, c.leastX);
            EXPECT_LE(corner.x, c.mostX);
            EXPECT_GE(corner.y, 0);
            EXPECT_LE(corner.y, 40);
        }
    }
}

// Two square parts sharing a cut edge: each side has its own label, inside its own face, naming the part
// across the edge; the text reads left to right.
TEST(EdgeLabels, BothSidesNameThePartAcross) {
    DevelopmentFixture f;
    Vertex *top = f.AddVertex(20, 0), *bottom = f.AddVertex(20, 20);
    Face* a = f.AddFace({f.AddVertex(0, 0), f.AddVertex(0, 20), bottom, top});
    Face* b = f.AddFace({top, bottom, f.AddVertex(40, 20), f.AddVertex(40, 0)},
                        {{0, 0}, {0, 20}, {20, 20}, {20, 0}});
    f.PairEdges();
    Part* big = f.AddPart({a});
    Part* small = f.AddPart({b});
    small->x = 30;
    f.MakeLines(big);
    f.MakeLines(small);
    DevelopmentFixture::Shared(a, b)->edge->edgeId = 4;
    // The first part is larger on the sheet: it is built first and numbered 1.
    b->Corner(0)->y2d = b->Corner(3)->y2d = 5;
    EdgeLabelRules rules = Rules();
    rules.partEdge = true;
    const std::vector<EdgeLabel> labels = PlaceEdgeLabels(f.Dev(), rules);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].text, "2-4");
    EXPECT_EQ(labels[1].text, "1-4");
    EXPECT_LT(labels[0].centreMM.x, 20);
    EXPECT_GT(labels[1].centreMM.x, 30);
    for (const EdgeLabel& label : labels) {
        EXPECT_EQ(label.spot, EdgeLabelSpot::Face);
        EXPECT_TRUE(std::cos(label.angle) > 1e-9 || std::sin(label.angle) < 0) << label.angle;
    }
    // Without the rule, the ID alone; a keep-out box over the whole of the first face leaves it a leader.
    rules.partEdge = false;
    const std::array<Point2, 4> keepOut{{{0.5, 0.5}, {19.5, 0.5}, {19.5, 19.5}, {0.5, 19.5}}};
    const std::vector<EdgeLabel> kept = PlaceEdgeLabels(f.Dev(), rules, {keepOut});
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].text, "4");
    EXPECT_EQ(kept[0].spot, EdgeLabelSpot::Leader);
}

TEST(EdgeLabels, BoxesOverlapOnlyWhenTheyShareArea) {
    const struct {
        Point2 centre;
        double angle;
        bool overlap;
    } cases[] = {
        {{0, 0}, 0, true},           {{1.7, 0}, 0, true}, {{1.8, 0}, 0, false}, {{2.5, 0}, kPi / 2, false},
        {{1.2, 1.2}, kPi / 4, true}, {{0, 2.9}, 0, true}, {{0, 3.0}, 0, false}, {{2.2, 2.2}, kPi / 4, false},
    };
    const auto box = LabelBox({0, 0}, 0, 3.0, 1); // 1.8 wide, 3 tall
    for (const auto& c : cases)
        EXPECT_EQ(LabelBoxesOverlap(box, LabelBox(c.centre, c.angle, 3.0, 1)), c.overlap)
            << c.centre.x << ", " << c.centre.y << " at " << c.angle;
}
