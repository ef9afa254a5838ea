// The cutting outlines: hand-built parts whose union is known, with flaps, holes, T-junctions, parts that
// cover each other's flaps and damaged coordinates.
#include "engine/CutOutline.h"

#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

double Area(const ClosedPath& path) {
    return SignedArea2(path) / 2;
}

// Every segment of the path is longer than the resolution, and no two non-neighbouring segments meet.
void ExpectSimple(const ClosedPath& path) {
    const size_t n = path.size();
    ASSERT_GE(n, 3u);
    for (size_t i = 0; i < n; ++i) {
        const Point2 a = path[i], b = path[(i + 1) % n];
        EXPECT_GT(std::hypot(b.x - a.x, b.y - a.y), kCutResolutionMM / 2) << "segment " << i;
    }
}

// A quad face from its corners, in the given order.
Face* Quad(DevelopmentFixture& f, double x0, double y0, double x1, double y1, bool reversed = false) {
    std::vector<Vertex*> v = {f.AddVertex(x0, y0), f.AddVertex(x1, y0), f.AddVertex(x1, y1),
                              f.AddVertex(x0, y1)};
    if (reversed) std::reverse(v.begin(), v.end());
    return f.AddFace(v);
}

// The square of side 10 that two triangles make, joined along its diagonal, with its line records.
Part* JoinedSquare(DevelopmentFixture& f) {
    const std::vector<Face*> faces = f.Strip(2);
    DevelopmentFixture::Join(faces[0], faces[1]);
    Part* part = f.AddPart(faces);
    DevelopmentFixture::MakeLines(part);
    return part;
}

} // namespace

TEST(CutOutline, TwoTrianglesMakeOneClockwiseSquareAndTheirDiagonalIsAFold) {
    DevelopmentFixture f;
    Part* part = JoinedSquare(f);
    part->x = 5;
    part->y = 7;
    for (auto& line : part->lines)
        line->drawKind = line->second != nullptr ? DrawKind::Valley : DrawKind::Cut;

    const std::vector<PartCutOutline> outlines = CutOutlines(f.Dev(), true);
    ASSERT_EQ(outlines.size(), 1u);
    EXPECT_EQ(outlines[0].partIndex, 0u);
    EXPECT_TRUE(outlines[0].holes.empty());
    ASSERT_EQ(outlines[0].outer.size(), 4u) << "the diagonal's ends are no corners of the outline";
    EXPECT_DOUBLE_EQ(Area(outlines[0].outer), 100.0) << "clockwise on the sheet: positive with y down";
    for (const Point2& p : outlines[0].outer) {
        EXPECT_TRUE((p.x == 5 || p.x == 15) && (p.y == 7 || p.y == 17)) << p.x << ", " << p.y;
    }

    const std::vector<FoldSegment> folds = FoldSegments(f.Dev());
    ASSERT_EQ(folds.size(), 1u);
    EXPECT_EQ(folds[0].kind, FoldKind::Valley);
    // The rising diagonal, part offset included.
    EXPECT_DOUBLE_EQ(std::fabs(folds[0].b.x - folds[0].a.x), 10.0);
    EXPECT_DOUBLE_EQ(folds[0].a.x + folds[0].b.x, 2 * 10.0);
    // A hidden fold is not scored.
    for (auto& line : part->lines) line->hidden = true;
    EXPECT_TRUE(FoldSegments(f.Dev()).empty());
}

// A fold whose sides end apart (a slit closed with the paper's give: the second triangle's far corner 0.2
// short along its own edge) is still paper: the outline is the square, not a notch down the diagonal that
// a machine would cut along.
TEST(CutOutline, AFoldWhoseSidesEndApartIsNoNotch) {
    DevelopmentFixture f;
    const Part* part = JoinedSquare(f);
    HalfEdge* far =
        DevelopmentFixture::Shared(part->faces[0], part->faces[1])->twin; // in the second triangle
    const Point2 from = far->Pos2D(), towards = far->next->next->Pos2D();
    const Point2 moved = from + (towards - from) * (0.2 / Length(towards - from));
    far->x2d = moved.x, far->y2d = moved.y;

    const std::vector<PartCutOutline> outlines = CutOutlines(f.Dev(), false);
    ASSERT_EQ(outlines.size(), 1u);
    EXPECT_TRUE(outlines[0].holes.empty());
    EXPECT_EQ(outlines[0].outer.size(), 4u);
    EXPECT_NEAR(Area(outlines[0].outer), 100.0, 1e-6);
}

TEST(CutOutline, FlapsJoinTheOutlineAndFollowTheirKinds) {
    DevelopmentFixture f;
    Face* face = Quad(f, 0, 0, 10, 10);
    f.PairEdges();
    Part* part = f.AddPart({face});
    DevelopmentFixture::MakeLines(part);
    // The top edge (0, 0) -> (10, 0) carries a flap 5 high above it, its tips 4 mm in from the ends.
    HalfEdge* top = face->Corner(0);
    top->flapHeight = 5;
    top->flapAngle1 = top->flapAngle2 = std::atan2(5, 4);
    f.Dev().reversed = true;
    // Trapezoid (0,0) (4,-5) (6,-5) (10,0): area (10 + 2) / 2 * 5 = 30.
    const struct {
        DrawKind kind;
        bool withFlaps;
        double area;
        size_t corners;
        size_t folds;
    } cases[] = {
        {DrawKind::FlapMountain, true, 130, 6, 1},
        {DrawKind::FlapValley, true, 130, 6, 1},
        {DrawKind::FlapOnly, true, 130, 6, 0},
        {DrawKind::FlapMountain, false, 100, 4, 1}, // flaps off: the faces alone
        {DrawKind::Cut, true, 100, 4, 0},
    };
    for (const auto& c : cases) {
        top->line->drawKind = c.kind;
        const std::vector<PartCutOutline> outlines = CutOutlines(f.Dev(), c.withFlaps);
        ASSERT_EQ(outlines.size(), 1u);
        EXPECT_NEAR(Area(outlines[0].outer), c.area, 1e-6) << static_cast<int>(c.kind);
        EXPECT_EQ(outlines[0].outer.size(), c.corners);
        ExpectSimple(outlines[0].outer);
        EXPECT_EQ(FoldSegments(f.Dev()).size(), c.folds);
    }
}

TEST(CutOutline, AFrameOfFacesHasAHoleAndMixedWindingsDoNotCancel) {
    DevelopmentFixture f;
    // 30 x 30 with a 10 x 10 hole; the side faces meet the long ones at T-junctions; two faces run the
    // other way round, as in a mirrored development, and one lies over another.
    std::vector<Face*> faces = {Quad(f, 0, 0, 30, 10), Quad(f, 0, 20, 30, 30, true), Quad(f, 0, 10, 10, 20),
                                Quad(f, 20, 10, 30, 20, true), Quad(f, 0, 0, 10, 10, true)};
    f.PairEdges();
    f.AddPart(faces);
    const std::vector<PartCutOutline> outlines = CutOutlines(f.Dev(), true);
    ASSERT_EQ(outlines.size(), 1u);
    EXPECT_NEAR(Area(outlines[0].outer), 900, 1e-6);
    EXPECT_EQ(outlines[0].outer.size(), 4u) << "T-junction points on straight sides are dropped";
    ASSERT_EQ(outlines[0].holes.size(), 1u);
    EXPECT_NEAR(Area(outlines[0].holes[0]), -100, 1e-6) << "holes run the other way";
    ExpectSimple(outlines[0].holes[0]);
}

TEST(CutOutline, AFlapUnderAnotherPartIsNotCut) {
    DevelopmentFixture f;
    Face* a = Quad(f, 0, 0, 10, 10);
    Face* b = Quad(f, 0, 12, 10, 22);
    f.PairEdges();
    f.AddPart({a});
    Part* lower = f.AddPart({b});
    DevelopmentFixture::MakeLines(lower);
    // b's top edge runs (10, 12) -> (0, 12) in a clockwise face; its flap reaches up to y = 7, 3 mm into a.
    HalfEdge* h = nullptr;
    for (auto& corner : b->halfEdges)
        if (corner->y2d == 12 && corner->next->y2d == 12) h = corner.get();
    ASSERT_NE(h, nullptr);
    h->flapHeight = 5;
    h->flapAngle1 = h->flapAngle2 = std::atan2(5, 1);
    f.Dev().reversed = h->next->x2d > h->x2d; // the flap stands above b
    h->line->drawKind = DrawKind::FlapMountain;
    const std::vector<PartCutOutline> outlines = CutOutlines(f.Dev(), true);
    ASSERT_EQ(outlines.size(), 2u);
    EXPECT_NEAR(Area(outlines[0].outer), 100, 1e-6);
    // The flap keeps its 2 mm below a: its trapezoid (10 + 8) / 2 * 5 = 45 less the strip under a, 3 mm
    // high between the widths 8 and 9.2: 25.8.
    EXPECT_NEAR(Area(outlines[1].outer), 100 + 45 - 25.8, 1e-3);
    for (const Point2& p : outlines[1].outer) EXPECT_GE(p.y, 10 - 1e-9) << "nothing of it inside a";
}

TEST(CutOutline, DamagedAndEmptyDevelopmentsGiveNoOutline) {
    EXPECT_TRUE(CutOutlines(Development(), true).empty());
    DevelopmentFixture f;
    Face* face = Quad(f, 0, 0, 10, 10);
    Face* flat = Quad(f, 0, 0, 0, 10); // no area
    f.PairEdges();
    Part* part = f.AddPart({face, flat});
    f.Dev().parts.push_back(nullptr);
    face->Corner(2)->x2d = std::nan("");
    EXPECT_TRUE(CutOutlines(f.Dev(), true).empty());
    face->Corner(2)->x2d = 1e300;
    EXPECT_TRUE(CutOutlines(f.Dev(), true).empty());
    face->Corner(2)->x2d = 10;
    part->faces.push_back(nullptr);
    EXPECT_EQ(CutOutlines(f.Dev(), true).size(), 1u);
}
