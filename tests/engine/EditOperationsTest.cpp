#include "engine/EditOperations.h"

#include "engine/Classify.h"
#include "engine/EngineCompletion.h"
#include "engine/Extents.h"
#include "engine/Topology.h"
#include "engine/Unfolder.h"
#include "model/MeshImport.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tools/lib/Invariants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

using namespace tsm;
using test::DevelopmentFixture;

namespace {

Point2 DevPos(const CHalfEdge* c) {
    return c->Pos2D() + Point2{c->face->part->x, c->face->part->y};
}

void ExpectNear(const Point2& a, const Point2& b, double eps = 1e-9) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
}

// A 3 x 3 grid of unit-10 squares, each running counter-clockwise on the sheet; faces named by column
// and row. Only the squares listed are made.
struct Grid : DevelopmentFixture {
    CVertex* v[4][4];
    CFace* sq[3][3] = {};
    explicit Grid(const std::vector<std::pair<int, int>>& cells) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) v[i][j] = Vertex(10.0 * i, 10.0 * j);
        for (auto [i, j] : cells) sq[i][j] = Face({v[i][j], v[i][j + 1], v[i + 1][j + 1], v[i + 1][j]});
        PairEdges();
    }
    void Finish(CPart* part) {
        MakeLines(part);
        ComputePartExtent(*part);
    }
};

// What the link check leaves out: every corner of a part has a record of that part naming it, and no
// record is left over.
std::string LineRecordProblem(const Development& dev) {
    size_t corners = 0, named = 0;
    for (const auto& part : dev.parts) {
        for (const CFace* face : part->faces) {
            if (face->part != part.get()) return "a face names another part";
            corners += face->halfEdges.size();
        }
        for (const auto& line : part->lines)
            for (const CHalfEdge* side : {line->first, line->second}) {
                if (side == nullptr) continue;
                if (side->line != line.get() || side->face->part != part.get()) return "a stray record";
                ++named;
            }
        if (part->faces.empty()) return "an empty part";
    }
    return corners == named ? "" : "corners without a record";
}

void Reclassify(DevelopmentFixture& fx) {
    SeparateCorners(fx.Model());
    ClassifyPartLines(fx.Dev(), fx.Model(), fx.doc.display);
}

} // namespace

TEST(CutJoin, CutInsideAPartLeavesItWholeAndDrawsBothSides) {
    // A ring of four squares around a shared corner: one cut leaves it connected.
    Grid fx({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    auto& s = fx.sq;
    CPart* part = fx.Part({s[0][0], s[1][0], s[1][1], s[0][1]});
    fx.Join(s[0][0], s[1][0]), fx.Join(s[1][0], s[1][1]), fx.Join(s[1][1], s[0][1]),
        fx.Join(s[0][1], s[0][0]);
    fx.Finish(part);
    CHalfEdge* h = DevelopmentFixture::Shared(s[0][0], s[1][0]);
    ASSERT_TRUE(IsFoldLine(*h->line));
    EXPECT_EQ(CutAtLine(fx.Dev(), *h->line, 180.0), nullptr);
    Reclassify(fx);
    EXPECT_EQ(fx.Dev().parts.size(), 1u);
    ASSERT_NE(h->line, h->twin->line);
    for (CHalfEdge* side : {h, h->twin}) {
        EXPECT_EQ(side->line->first, side);
        EXPECT_EQ(side->line->second, nullptr);
        EXPECT_EQ(side->line->drawKind, DrawKind::Cut);
    }
    EXPECT_TRUE(IsJoinableCutLine(*h->line));
    EXPECT_TRUE(CheckModelInvariants(fx.doc).empty());
    EXPECT_EQ(LineRecordProblem(fx.Dev()), "");
}

TEST(CutJoin, CutThatSplitsMovesTheClickedSideByTwoAndAHalfPercent) {
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed);
        Grid fx({{0, 0}, {1, 0}});
        CFace* a = fx.sq[0][0];
        CFace* b = fx.sq[1][0];
        CPart* part = fx.Part({a, b});
        fx.Dev().reversed = reversed;
        fx.Join(a, b);
        fx.Finish(part);
        CHalfEdge* h = DevelopmentFixture::Shared(a, b);
        const Point2 d = DevPos(h->next) - DevPos(h);
        const Point2 o = Point2{d.y, -d.x} * ((reversed ? -4.5 : 4.5) / Length(d));
        const Point2 before = DevPos(h), otherBefore = DevPos(h->twin);
        CPart* q = CutAtLine(fx.Dev(), *h->line, 180.0);
        Reclassify(fx);
        ASSERT_NE(q, nullptr);
        ASSERT_EQ(fx.Dev().parts.size(), 2u);
        EXPECT_EQ(a->part, part);
        EXPECT_EQ(b->part, q);
        EXPECT_EQ(b->partIndex, 1);
        ExpectNear(DevPos(h), before + o);
        ExpectNear(DevPos(h->twin), otherBefore);
        // The piece moves into h's face, away from the other.
        EXPECT_EQ(o.x < 0, !reversed);
        EXPECT_TRUE(CheckModelInvariants(fx.doc).empty());
    }
}

TEST(CutJoin, JoiningTwoPartsLandsTheMovedEdgeOnTheStayingOne) {
    Grid fx({{0, 0}, {1, 0}});
    CFace* a = fx.sq[0][0];
    CFace* b = fx.sq[1][0];
    CPart* pa = fx.Part({a});
    CPart* pb = fx.Part({b});
    // B lies turned and elsewhere.
    pb->x = 70, pb->y = -13;
    RotatePart(*pb, {75, -8}, 37);
    fx.Finish(pa), fx.Finish(pb);
    CHalfEdge* h = DevelopmentFixture::Shared(a, b);
    CHalfEdge* t = h->twin;
    const Point2 stay = DevPos(h);
    ASSERT_TRUE(IsJoinableCutLine(*h->line));
    JoinAtLine(fx.Dev(), *h->line, 0.0001);
    Reclassify(fx);
    ASSERT_EQ(fx.Dev().parts.size(), 1u);
    EXPECT_EQ(b->part, pa);
    EXPECT_EQ(h->joined, t);
    EXPECT_EQ(t->line, h->line);
    EXPECT_EQ(pa->lines.size(), 7u);
    EXPECT_EQ(t->Pos2D(), h->next->Pos2D());
    EXPECT_EQ(t->next->Pos2D(), h->Pos2D());
    ExpectNear(DevPos(h), stay);
    // B's far corner lies where it lay on the model: the two squares make a 20 x 10 strip.
    ExpectNear(DevPos(t->next->next) - DevPos(h), {10, 0});
    EXPECT_TRUE(CheckModelInvariants(fx.doc).empty());
    EXPECT_EQ(LineRecordProblem(fx.Dev()), "");
}

TEST(CutJoin, JoiningTwoFacesOfOnePartMovesOneFaceAndSplitsOffTheRest) {
    // A plus of five squares, with the top right one folded to the top and the bottom right one folded to
    // the right one. Joining the top right square with the right one moves the right square only.
    struct Case {
        double threshold;
        bool rightStaysFolded; // its now coincident cut edge towards the centre joins again
    };
    for (const Case& c : {Case{0.0, false}, Case{0.0001, true}}) {
        Grid fx({{1, 1}, {1, 0}, {1, 2}, {0, 1}, {2, 1}, {2, 0}, {2, 2}});
        auto& s = fx.sq;
        CPart* part = fx.Part({s[1][1], s[1][0], s[1][2], s[0][1], s[2][1], s[2][0], s[2][2]});
        for (CFace* f : {s[1][0], s[1][2], s[0][1], s[2][1]}) fx.Join(s[1][1], f);
        fx.Join(s[1][0], s[2][0]), fx.Join(s[2][1], s[2][2]);
        fx.Finish(part);
        CHalfEdge* h = DevelopmentFixture::Shared(s[2][0], s[2][1]);
        JoinAtLine(fx.Dev(), *h->line, c.threshold);
        Reclassify(fx);
        ASSERT_EQ(fx.Dev().parts.size(), 2u);
        EXPECT_EQ(s[2][1]->part, part);
        EXPECT_EQ(fx.Dev().parts[1]->faces, std::vector<CFace*>{s[2][2]});
        EXPECT_EQ(h->joined, h->twin);
        CHalfEdge* toCentre = DevelopmentFixture::Shared(s[2][1], s[1][1]);
        EXPECT_EQ(toCentre->joined != nullptr, c.rightStaysFolded);
        EXPECT_TRUE(CheckModelInvariants(fx.doc).empty());
        EXPECT_EQ(LineRecordProblem(fx.Dev()), "");
    }
}

TEST(CutJoin, TheSideNearerTheSecondClickStays) {
    Grid fx({{0, 0}, {0, 1}});
    CPart* top = fx.Part({fx.sq[0][0]});
    CPart* bottom = fx.Part({fx.sq[0][1]});
    fx.Finish(top), fx.Finish(bottom);
    bottom->y += 10; // midpoints of the two sides at (5, 10) and (5, 20)
    CHalfEdge* h = DevelopmentFixture::Shared(fx.sq[0][0], fx.sq[0][1]);
    CPartLine& own = *h->line;
    CPartLine& twin = *h->twin->line;
    EXPECT_EQ(&JoinLineForClick(own, {5, 11}), &own);
    EXPECT_EQ(&JoinLineForClick(own, {4, 19}), &twin);
    EXPECT_EQ(&JoinLineForClick(own, {0, 15}), &twin);
    EXPECT_EQ(&JoinLineForClick(twin, {0, 15}), &own);
}

TEST(FlapEdits, MenuActionsChangeTheFlapAndTheExtent) {
    // One square: the flap of its left edge (an open edge) sticks out to the left; 45-degree flaps of
    // height 5 on a 10 mm edge are triangles 5 mm high.
    struct Case {
        const char* name;
        std::function<void(CPartLine&)> act;
        LineKind kind;
        bool hasFlap;
        DrawKind drawn;
        double width;
    };
    const std::vector<Case> cases = {
        {"switch adds", [](CPartLine& l) { SwitchFlapPosition(l); }, LineKind::MountainFlap, true,
         DrawKind::FlapMountain, 15},
        {"switch removes",
         [](CPartLine& l) {
             AddFlap(l, LineKind::ValleyFlap);
             SwitchFlapPosition(l);
         },
         LineKind::NoFlap, false, DrawKind::Cut, 10},
        {"valley", [](CPartLine& l) { AddFlap(l, LineKind::ValleyFlap); }, LineKind::ValleyFlap, true,
         DrawKind::FlapValley, 15},
        {"flat, 3 mm",
         [](CPartLine& l) {
             AddFlap(l, LineKind::FlatFlap);
             SetFlapHeight(l, 3);
             SetFlapHeight(l, -1);
         },
         LineKind::FlatFlap, true, DrawKind::FlapOnly, 13},
        {"details",
         [](CPartLine& l) {
             AddFlap(l, LineKind::MountainFlap);
             SetFlapShape(l, 2, 1.5707963267948966, 1.5707963267948966);
             SetFlapShape(l, 9, 0, 1);
         },
         LineKind::MountainFlap, true, DrawKind::FlapMountain, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Grid fx({{0, 0}});
        CPart* part = fx.Part({fx.sq[0][0]});
        fx.Finish(part);
        CPartLine& line = *fx.sq[0][0]->Corner(0)->line;
        c.act(line);
        Reclassify(fx);
        EXPECT_EQ(line.lineKind, c.kind);
        EXPECT_EQ(line.first->hasFlap, c.hasFlap);
        EXPECT_EQ(line.drawKind, c.drawn);
        EXPECT_DOUBLE_EQ(part->width, c.width);
        EXPECT_DOUBLE_EQ(part->x, 10 - c.width);
    }
}

TEST(FlapEdits, SwitchingMovesTheFlapToTheTwinAndRemeasuresBothParts) {
    Grid fx({{0, 0}, {1, 0}});
    CPart* left = fx.Part({fx.sq[0][0]});
    CPart* right = fx.Part({fx.sq[1][0]});
    CHalfEdge* h = DevelopmentFixture::Shared(fx.sq[0][0], fx.sq[1][0]);
    h->hasFlap = true;
    fx.Finish(left), fx.Finish(right);
    right->x += 30;
    EXPECT_DOUBLE_EQ(left->width, 15);
    SwitchFlapPosition(*h->line);
    EXPECT_FALSE(h->hasFlap);
    EXPECT_TRUE(h->twin->hasFlap);
    EXPECT_DOUBLE_EQ(left->width, 10);
    EXPECT_DOUBLE_EQ(right->width, 15);
    EXPECT_DOUBLE_EQ(right->x, 35); // the flap sticks out to the left of the right square
}

TEST(PartEdits, RotationTurnsCounterClockwiseOnTheSheetAndComesBack) {
    for (double degrees : {90.0, 45.0, 33.0}) {
        SCOPED_TRACE(degrees);
        Grid fx({{0, 0}, {1, 0}});
        CPart* part = fx.Part({fx.sq[0][0], fx.sq[1][0]});
        fx.Join(fx.sq[0][0], fx.sq[1][0]);
        fx.Finish(part);
        part->x = 20, part->y = 30;
        std::vector<Point2> start;
        for (CFace* f : part->faces)
            for (auto& c : f->halfEdges) start.push_back(DevPos(c.get()));
        const Point2 centre = NearestCorner(*part, {21, 29});
        ExpectNear(centre, {20, 30}, 0);
        RotatePart(*part, centre, degrees);
        // The square's corner 10 mm right of the centre turns upwards on the sheet (y decreasing).
        const double r = degrees * 3.14159265358979323846 / 180;
        ExpectNear(DevPos(fx.sq[0][0]->Corner(3)), {20 + 10 * std::cos(r), 30 - 10 * std::sin(r)});
        const int turns = static_cast<int>(360 / degrees) - 1;
        for (int k = 0; k < turns; ++k) RotatePart(*part, centre, degrees);
        if (360 / degrees != static_cast<int>(360 / degrees)) continue;
        size_t i = 0;
        for (CFace* f : part->faces)
            for (auto& c : f->halfEdges) ExpectNear(DevPos(c.get()), start[i++]);
    }
}

TEST(PartEdits, TextsStackAddDeleteAndDuplicate) {
    struct Case {
        size_t index;
        StackOrder order;
        std::vector<int> expected;
        size_t newIndex;
    };
    const std::vector<Case> cases = {
        {0, StackOrder::Top, {1, 2, 0}, 2},    {1, StackOrder::Top, {0, 2, 1}, 2},
        {2, StackOrder::Top, {0, 1, 2}, 2},    {0, StackOrder::Upper, {1, 0, 2}, 1},
        {2, StackOrder::Upper, {0, 1, 2}, 2},  {0, StackOrder::Lower, {0, 1, 2}, 0},
        {2, StackOrder::Lower, {0, 2, 1}, 1},  {2, StackOrder::Bottom, {2, 0, 1}, 0},
        {1, StackOrder::Bottom, {1, 0, 2}, 0}, {1, StackOrder::UnderDevelopment, {0, 1, 2}, 1},
        {7, StackOrder::Top, {0, 1, 2}, 7},
    };
    for (const Case& c : cases) {
        Development dev;
        for (int k = 0; k < 3; ++k) AddText(dev, MakeText({0, 0}, {"x"}, "Sans", 10, k));
        EXPECT_EQ(ReorderText(dev, c.index, c.order), c.newIndex);
        std::vector<int> colors;
        for (auto& t : dev.texts) colors.push_back(t->color);
        EXPECT_EQ(colors, c.expected) << c.index << " " << static_cast<int>(c.order);
    }
    Development dev;
    const CTextBlock made = MakeText({3, 4}, {"ab", "\xc3\xa9\xc3\xa9\xc3\xa9"}, "Sans", 72, 5);
    EXPECT_DOUBLE_EQ(made.rect[2], 0.6 * 25.4 * 3);
    EXPECT_DOUBLE_EQ(made.rect[3], 2 * 25.4 + 2);
    EXPECT_EQ(AddText(dev, made), 0u);
    EXPECT_EQ(DuplicateText(dev, 0), 1u);
    EXPECT_DOUBLE_EQ(dev.texts[1]->rect[0], 8);
    EXPECT_DOUBLE_EQ(dev.texts[1]->rect[1], 9);
    DeleteText(dev, 0);
    DeleteText(dev, 5);
    ASSERT_EQ(dev.texts.size(), 1u);
    EXPECT_DOUBLE_EQ(dev.texts[0]->rect[0], 8);
}

TEST(PartEdits, PicturesMoveBetweenTheListsOnTop) {
    Development dev;
    for (int k = 0; k < 2; ++k) dev.imagesA.push_back(std::make_unique<CImageBlock>());
    dev.imagesB.push_back(std::make_unique<CImageBlock>());
    CImageBlock* moving = dev.imagesA[0].get();
    bool above = false;
    EXPECT_EQ(ReorderPicture(dev, above, 0, StackOrder::UnderDevelopment), 0u);
    EXPECT_FALSE(above);
    EXPECT_EQ(ReorderPicture(dev, above, 0, StackOrder::AboveDevelopment), 1u);
    EXPECT_TRUE(above);
    EXPECT_EQ(dev.imagesB[1].get(), moving);
    EXPECT_EQ(dev.imagesA.size(), 1u);
    EXPECT_EQ(ReorderPicture(dev, above, 1, StackOrder::Bottom), 0u);
    EXPECT_EQ(dev.imagesB[0].get(), moving);
    DeletePicture(dev, true, 0);
    EXPECT_EQ(dev.imagesB.size(), 1u);
    EXPECT_NE(dev.imagesB[0].get(), moving);
}

TEST(EdgeColor, WhichLinesTheToolMayTake) {
    CEdge flat, folded;
    flat.foldAngle = 178;
    folded.foldAngle = 120;
    const DrawKind kinds[] = {DrawKind::Cut,     DrawKind::Mountain,     DrawKind::Valley,
                              DrawKind::Omitted, DrawKind::FlapMountain, DrawKind::FlapValley,
                              DrawKind::FlapOnly};
    // Per kind: the target that enables it (0 cut, 1 mountain, 2 valley, -1 none), and whether a flat edge
    // still can be taken.
    const int needs[] = {0, 1, 2, -1, 1, 2, -1};
    const bool flatAllowed[] = {true, false, false, false, true, true, false};
    for (size_t k = 0; k < 7; ++k)
        for (int target = 0; target < 3; ++target)
            for (bool omitFlat : {false, true})
                for (CEdge* edge : {&flat, &folded}) {
                    CPartLine line;
                    line.drawKind = kinds[k];
                    line.edge = edge;
                    EdgeColorTargets only{target == 0, target == 1, target == 2};
                    DisplaySettings display;
                    display.bOmitFlatEdge = omitFlat;
                    const bool expected =
                        needs[k] == target && (edge == &folded || !omitFlat || flatAllowed[k]);
                    EXPECT_EQ(CanColorLine(line, only, display), expected) << k << target << omitFlat;
                }
}

TEST(EdgeColor, PaintHidePickAndRectangle) {
    Grid fx({{0, 0}, {1, 0}});
    CPart* part = fx.Part({fx.sq[0][0], fx.sq[1][0]});
    fx.Join(fx.sq[0][0], fx.sq[1][0]);
    fx.Finish(part);
    for (auto& e : fx.solid->edges) e->foldAngle = e->halfEdge2 ? 90 : 0;
    Reclassify(fx);
    CHalfEdge* h = DevelopmentFixture::Shared(fx.sq[0][0], fx.sq[1][0]);
    HideLine(*h->line);
    EXPECT_TRUE(h->line->hidden);
    PaintLine(*h->line, {255, 128, 1});
    EXPECT_FALSE(h->line->hidden);
    EXPECT_FLOAT_EQ(h->twin->sideColor[1], 128 / 255.0f);
    EXPECT_EQ(LineColor(*h->twin->line), (std::array<uint8_t, 3>{255, 128, 1}));
    h->sideColor[2] = 0.5f; // 127.5 rounds up
    EXPECT_EQ(LineColor(*h->line)[2], 128);
    // The fold and the three cut lines of the left square lie within x <= 10.
    const auto inside = LinesInRect(fx.Dev(), {10, 10}, {-1, -1}, EdgeColorTargets{}, fx.doc.display);
    EXPECT_EQ(inside.size(), 4u);
    EXPECT_EQ(LinesInRect(fx.Dev(), {10, 10}, {-1, -1}, {false, true, true}, fx.doc.display).size(), 1u);
}

// Every test mesh: unfold, then cut random folds and join random cut edges; the links hold after each.
TEST(CutJoin, RandomCutsAndJoinsKeepEveryLink) {
    const std::filesystem::path folder = std::filesystem::path(TESSALY_SOURCE_DIR) / "tests/data/meshes";
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (MeshFormatFromExtension(entry.path().string()) != MeshFormat::Unknown)
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        Document doc;
        EngineCompletion engine;
        ASSERT_TRUE(ReadMeshFile(path, doc, &engine).ok);
        RecordingPrompt prompt;
        NormaliseModel(doc, prompt);
        ComputeBounds(*doc.model);
        ASSERT_TRUE(UnfoldDocument(doc, Settings(), prompt, nullptr, UnfoldOptions()));
        Development& dev = *doc.development;
        std::mt19937 random(1234);
        int done[2] = {0, 0};
        for (int step = 0; step < 40; ++step) {
            std::vector<CPartLine*> candidates;
            for (auto& part : dev.parts)
                for (auto& line : part->lines)
                    if (step % 2 == 0 ? IsFoldLine(*line) : IsJoinableCutLine(*line))
                        candidates.push_back(line.get());
            if (candidates.empty()) continue;
            CPartLine* line = candidates[random() % candidates.size()];
            ++done[step % 2];
            if (step % 2 == 0)
                CutAtLine(dev, *line, 180.0);
            else
                JoinAtLine(dev, JoinLineForClick(*line, LineEnds(*line)[0]), 0.0001);
            SeparateCorners(*doc.model);
            ClassifyPartLines(dev, *doc.model, doc.display);
            const auto problems = CheckModelInvariants(doc);
            ASSERT_TRUE(problems.empty()) << "step " << step << ": " << problems.front();
            ASSERT_EQ(LineRecordProblem(dev), "") << "step " << step;
        }
        EXPECT_GT(done[0], 0);
        EXPECT_GT(done[1], 0);
    }
}
