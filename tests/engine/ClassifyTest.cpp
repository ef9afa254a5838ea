#include "engine/Classify.h"

#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/support/engine/MeshFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

PartLine* LineOf(const Face* face, const Face* other) {
    return DevelopmentFixture::Shared(face, other)->line;
}
Edge* EdgeOf(const Face* face, const Face* other) {
    return DevelopmentFixture::Shared(face, other)->edge;
}

// Two triangles folded along their shared edge, in one part.
struct FoldFixture {
    DevelopmentFixture fx;
    std::vector<Face*> t = fx.Strip(2);
    Part* part = nullptr;
    DisplaySettings display;
    FoldFixture() {
        part = fx.AddPart({t[0], t[1]});
        DevelopmentFixture::Join(t[0], t[1]);
        DevelopmentFixture::MakeLines(part);
    }
    Edge* Fold() { return EdgeOf(t[0], t[1]); }
    PartLine* FoldLine() { return LineOf(t[0], t[1]); }
    DrawKind Classify(double angle, bool mountain) {
        Fold()->foldAngle = angle;
        Fold()->foldSense = mountain;
        ClassifyPartLines(fx.Dev(), fx.Model(), display);
        return FoldLine()->drawKind;
    }
};

// Three triangles T0-T1-T2 as parts {T0}, {T2}, {T1} in that order, all cut apart. The flap of edge T0/T1
// lies on T1 (the last part), that of T1/T2 on T2 (the second part).
struct CutFixture {
    DevelopmentFixture fx;
    std::vector<Face*> t = fx.Strip(3);
    DisplaySettings display;
    CutFixture() {
        for (Face* f : {t[0], t[2], t[1]}) DevelopmentFixture::MakeLines(fx.AddPart({f}));
        DevelopmentFixture::Shared(t[1], t[0])->hasFlap = true;
        DevelopmentFixture::Shared(t[2], t[1])->hasFlap = true;
        EdgeOf(t[0], t[1])->foldSense = true;
        EdgeOf(t[1], t[2])->foldSense = false;
    }
};

} // namespace

TEST(ClassifyPartLines, FoldLinesAreOmittedOnlyWhenFlatterThanTheThreshold) {
    // Flat means strictly flatter than the threshold, and only while flat edges are omitted at all.
    const struct {
        int threshold;
        bool omit;
        double angle;
        bool mountain;
        DrawKind drawn;
    } cases[] = {{175, true, 175.0, true, DrawKind::Mountain},
                 {175, true, 175.0, false, DrawKind::Valley},
                 {175, true, 175.0001, true, DrawKind::Omitted},
                 {179, true, 179.5, false, DrawKind::Omitted},
                 {175, false, 180.0, true, DrawKind::Mountain}};
    for (const auto& c : cases) {
        FoldFixture f;
        f.display.flatFoldAngleDegrees = c.threshold;
        f.display.omitFlatFolds = c.omit;
        EXPECT_EQ(f.Classify(c.angle, c.mountain), c.drawn) << c.threshold << " " << c.omit << " " << c.angle;
    }
    FoldFixture f;
    // One record per fold: the two corners share it.
    EXPECT_EQ(f.FoldLine(), LineOf(f.t[1], f.t[0]));
    // A fold is never numbered, whatever its flap flags say.
    DevelopmentFixture::Shared(f.t[0], f.t[1])->hasFlap = true;
    f.Classify(90.0, true);
    EXPECT_EQ(f.Fold()->edgeId, -1);
    // The hidden flag wins over the angle.
    f.display.omitFlatFolds = false;
    f.FoldLine()->hidden = true;
    EXPECT_EQ(f.Classify(90.0, true), DrawKind::Omitted);
    // A damaged record without a corner or an edge is skipped.
    auto broken = std::make_unique<PartLine>();
    broken->drawKind = DrawKind::Valley;
    PartLine* raw = f.part->lines.emplace_back(std::move(broken)).get();
    f.FoldLine()->hidden = false;
    EXPECT_EQ(f.Classify(90.0, true), DrawKind::Mountain);
    EXPECT_EQ(raw->drawKind, DrawKind::Valley);
}

TEST(ClassifyPartLines, CutEdgeFlapSideAndNumberingOrder) {
    // The side without the flap is a plain cut line; the flap side follows the edge's fold sense unless
    // flaps are switched off. Numbers go by where the flap side is met (part {T2} before part {T1}), not by
    // the first side met; switching flaps off keeps them; a cut without any flap gets none, and the others
    // stay dense from 1.
    const struct {
        bool drawFlap, flapOnT1;
        DrawKind t1Side, t2Side;
        int id01, id12;
    } cases[] = {{true, true, DrawKind::FlapMountain, DrawKind::FlapValley, 2, 1},
                 {false, true, DrawKind::Cut, DrawKind::Cut, 2, 1},
                 {true, false, DrawKind::Cut, DrawKind::FlapValley, -1, 1}};
    for (const auto& k : cases) {
        SCOPED_TRACE(&k - cases);
        CutFixture c;
        c.display.drawFlaps = k.drawFlap;
        DevelopmentFixture::Shared(c.t[1], c.t[0])->hasFlap = k.flapOnT1;
        // Stale numbers go, also on a solid outside the development.
        for (auto& edge : c.fx.solid->edges) edge->edgeId = 42;
        Solid* other = c.fx.Model().AppendSolid(std::make_unique<Solid>());
        other->inDevelopment = false;
        other->edges.push_back(std::make_unique<Edge>());
        other->edges.back()->edgeId = 7;
        ClassifyPartLines(c.fx.Dev(), c.fx.Model(), c.display);
        EXPECT_EQ(other->edges.back()->edgeId, -1);
        EXPECT_EQ(LineOf(c.t[0], c.t[1])->drawKind, DrawKind::Cut);
        EXPECT_EQ(LineOf(c.t[1], c.t[0])->drawKind, k.t1Side);
        EXPECT_EQ(LineOf(c.t[1], c.t[2])->drawKind, DrawKind::Cut);
        EXPECT_EQ(LineOf(c.t[2], c.t[1])->drawKind, k.t2Side);
        EXPECT_EQ(EdgeOf(c.t[0], c.t[1])->edgeId, k.id01);
        EXPECT_EQ(EdgeOf(c.t[1], c.t[2])->edgeId, k.id12);
        // Every other edge is open and stays unnumbered and a plain cut (stored lineKind 0).
        for (auto& edge : c.fx.solid->edges) {
            if (edge->halfEdge2 != nullptr) continue;
            EXPECT_EQ(edge->edgeId, -1);
            if (edge->halfEdge1->line != nullptr) {
                EXPECT_EQ(edge->halfEdge1->line->drawKind, DrawKind::Cut);
            }
        }
    }
}

TEST(CollectFlatGroup, CrossesOnlyJoinedFlatOrHiddenFolds) {
    DevelopmentFixture fx;
    std::vector<Face*> t = fx.Strip(5);
    Part* part = fx.AddPart(t);
    for (int k = 0; k < 3; ++k) DevelopmentFixture::Join(t[k], t[k + 1]); // T3/T4 stays cut
    DevelopmentFixture::MakeLines(part);
    EdgeOf(t[0], t[1])->foldAngle = 180.0; // flat fold
    EdgeOf(t[1], t[2])->foldAngle = 90.0;  // sharp fold
    EdgeOf(t[2], t[3])->foldAngle = 90.0;  // sharp but hidden
    LineOf(t[2], t[3])->hidden = true;
    EdgeOf(t[3], t[4])->foldAngle = 180.0; // flat but cut

    DisplaySettings display;
    const auto collect = [&](Face* start) {
        for (Face* f : t) f->visited = false;
        std::vector<Face*> group;
        CollectFlatGroup(*start, group, display);
        return group;
    };
    EXPECT_EQ(collect(t[0]), (std::vector<Face*>{t[0], t[1]}));
    EXPECT_EQ(collect(t[1]), (std::vector<Face*>{t[1], t[0]}));
    // A hidden line joins its faces whatever the angle; a cut edge never does.
    EXPECT_EQ(collect(t[3]), (std::vector<Face*>{t[3], t[2]}));
    EXPECT_EQ(collect(t[4]), (std::vector<Face*>{t[4]}));

    // With omission off only hidden lines join faces.
    display.omitFlatFolds = false;
    EXPECT_EQ(collect(t[0]), (std::vector<Face*>{t[0]}));
    EXPECT_EQ(collect(t[2]), (std::vector<Face*>{t[2], t[3]}));
}

TEST(ClassifyPartLines, FoldsOfARealBoxAreMountainsAndItsCutsFollowTheFlap) {
    // Fold senses come from the topology code here, not from the fixture: a convex box folds outwards.
    Document doc;
    Solid* box = tsm::test::AddBox(*doc.model, {0, 0, 0}, {10, 20, 30});
    doc.development = std::make_unique<Development>();
    Part* part = doc.development->AppendPart(std::make_unique<Part>());
    for (auto& face : box->faces) {
        face->part = part;
        part->faces.push_back(face.get());
        for (auto& h : face->halfEdges) h->joinsTwin = h->twin != nullptr;
    }
    // Cut one edge; its flap goes on the side met second, in the same part.
    Edge* cut = tsm::test::FindEdge(*box, 0, 1);
    ASSERT_NE(cut, nullptr);
    cut->halfEdge1->joinsTwin = cut->halfEdge2->joinsTwin = false;
    cut->halfEdge2->hasFlap = true;
    DevelopmentFixture::MakeLines(part);
    ClassifyPartLines(*doc.development, *doc.model, doc.display);
    int folds = 0;
    for (auto& line : part->lines) {
        if (line->edge == cut) continue;
        ++folds;
        EXPECT_EQ(line->drawKind, DrawKind::Mountain);
    }
    EXPECT_EQ(folds, 11);
    EXPECT_EQ(cut->halfEdge1->line->drawKind, DrawKind::Cut);
    EXPECT_EQ(cut->halfEdge2->line->drawKind, DrawKind::FlapMountain);
    EXPECT_EQ(cut->edgeId, 1);
}
