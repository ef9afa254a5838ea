#include "tools/lib/ModelBuilder.h"

#include "engine/Classify.h"
#include "tests/engine/FlatOverlap.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using namespace tsm;

namespace {

CSolid& AddMesh(Document& doc, const std::string& name, const MeshData& mesh, int material = -1) {
    return AddSolid(doc, name, mesh.vertices, mesh.faces, material);
}

// Shoelace sum in development coordinates; with y growing downwards a negative value is counter-clockwise
// as seen on the sheet.
double SignedArea(const CFace& face) {
    double sum = 0;
    for (const auto& h : face.halfEdges) sum += h->x2d * h->next->y2d - h->next->x2d * h->y2d;
    return sum / 2;
}

int Folds(const CSolid& solid) {
    int folds = 0;
    for (const auto& edge : solid.edges) folds += edge->halfEdge1->joined ? 1 : 0;
    return folds;
}

// Checks everything a fixture development promises, for every part of the document.
void ExpectSoundDevelopment(const Document& doc, double scale) {
    ASSERT_NE(doc.development, nullptr);
    const Development& development = *doc.development;
    EXPECT_FALSE(development.reversed);
    EXPECT_TRUE(CheckModelInvariants(doc).empty());
    for (const auto& solid : doc.model->solids)
        for (const auto& face : solid->faces) {
            if (!solid->inDevelopment) {
                EXPECT_EQ(face->part, nullptr);
                continue;
            }
            ASSERT_NE(face->part, nullptr);
            EXPECT_EQ(development.parts[face->partIndex].get(), face->part);
            // Counter-clockwise on the sheet, so flaps fall outside with reversed false.
            EXPECT_LT(SignedArea(*face), 0);
            for (const auto& h : face->halfEdges) {
                EXPECT_NEAR(Length(h->next->Pos2D() - h->Pos2D()), h->edge->length * scale, 1e-9 * scale);
                if (h->joined) {
                    // A fold's two sides lie on the same segment, in opposite directions.
                    EXPECT_NEAR(Length(h->Pos2D() - h->joined->next->Pos2D()), 0, 1e-9);
                    EXPECT_NEAR(Length(h->next->Pos2D() - h->joined->Pos2D()), 0, 1e-9);
                }
                ASSERT_NE(h->line, nullptr);
                EXPECT_EQ(h->line->second != nullptr, h->joined != nullptr);
            }
        }
    for (const auto& part : development.parts) {
        // Every corner lies inside the part's box, which starts at (0, 0).
        for (const CFace* face : part->faces)
            for (const auto& h : face->halfEdges) {
                EXPECT_TRUE(h->x2d >= -1e-9 && h->x2d <= part->width + 1e-9) << h->x2d;
                EXPECT_TRUE(h->y2d >= -1e-9 && h->y2d <= part->height + 1e-9) << h->y2d;
            }
        EXPECT_EQ(test::OverlappingFacePairs(*part), 0);
    }
}

} // namespace

TEST(ModelBuilder, AddSolidNumbersVerticesOnAndSkipsBadFaces) {
    Document doc;
    CSolid& cube = AddMesh(doc, "cube", Cube(40), 0);
    EXPECT_EQ(cube.name, "cube");
    for (const auto& face : cube.faces) EXPECT_EQ(face->materialIndex, 0);
    for (const auto& vertex : cube.vertices) EXPECT_EQ(vertex->outgoing.size(), 3u);
    EXPECT_DOUBLE_EQ(doc.model->size, 40.0);
    EXPECT_EQ(AddMesh(doc, "tet", Tetrahedron(10)).vertices.front()->index, 8);
    // Out-of-range, negative and two-corner faces would otherwise make dangling vertex pointers.
    CSolid& bad = AddSolid(doc, "bad", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                           {{0, 1, 2}, {0, 1, 7}, {-1, 1, 2}, {0, 1}, {}});
    ASSERT_EQ(bad.faces.size(), 1u);
    ASSERT_EQ(bad.edges.size(), 3u);
    for (const auto& edge : bad.edges) EXPECT_EQ(edge->halfEdge2, nullptr);
    EXPECT_TRUE(CheckModelInvariants(doc).empty());
    // Non-positive sizes give an empty image rather than a huge or negative allocation.
    EXPECT_TRUE(MakeCheckerboard(0, 10, 1, {}, {})->pixels.empty());
    EXPECT_TRUE(MakeCheckerboard(-3, -3, 0, {}, {})->pixels.empty());
}

TEST(ModelBuilder, CubeFixtureDevelopmentIsOneFlatCrossWithFlapsOnTheCuts) {
    Document doc;
    AddMesh(doc, "cube", Cube(40));
    const std::vector<std::string> problems = UnfoldForFixture(doc);
    EXPECT_TRUE(problems.empty()) << problems.front();
    ExpectSoundDevelopment(doc, 1.0);
    const Development& development = *doc.development;
    ASSERT_EQ(development.parts.size(), 1u);
    const CPart& part = *development.parts[0];
    EXPECT_EQ(part.faces.size(), 6u);
    EXPECT_EQ(part.solid, doc.model->solids[0].get());

    // A spanning tree of six faces: five folds, seven cuts numbered 1 to 7; one line per fold, two per cut,
    // exactly one side of a cut carrying the flap.
    std::set<int> ids;
    for (const auto& edge : doc.model->solids[0]->edges)
        if (!edge->halfEdge1->joined) {
            EXPECT_NE(edge->halfEdge1->hasFlap, edge->halfEdge2->hasFlap);
            ids.insert(edge->edgeId);
        }
    EXPECT_EQ(Folds(*doc.model->solids[0]), 5);
    EXPECT_EQ(ids, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(part.lines.size(), 5u + 14u);
    for (const auto& line : part.lines) {
        if (line->second) {
            EXPECT_EQ(line->drawKind, DrawKind::Mountain);
            continue;
        }
        EXPECT_EQ(line->drawKind, line->first->hasFlap ? DrawKind::FlapMountain : DrawKind::Cut);
        if (!line->first->hasFlap) continue;
        // The flap lies on the outer side of its edge, away from the face.
        const CHalfEdge& h = *line->first;
        const Point2 a = h.Pos2D(), b = h.next->Pos2D();
        auto side = [&](Point2 p) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); };
        EXPECT_LT(side((h.flapShape.tipStart + h.flapShape.tipEnd) * 0.5) * side(h.next->next->Pos2D()), 0);
        EXPECT_DOUBLE_EQ(h.flapHeight, 5.0);
    }
    // Flaps stick out of the 120 x 160 mm cross, so the box is larger by up to a flap on each side.
    const double a = std::max(part.width, part.height), b = std::min(part.width, part.height);
    EXPECT_TRUE(a >= 160 && a <= 170 + 1e-9) << a;
    EXPECT_TRUE(b >= 120 && b <= 130 + 1e-9) << b;
    EXPECT_DOUBLE_EQ(development.frame[2], part.width);
    EXPECT_DOUBLE_EQ(development.frame[3], part.height);
}

TEST(ModelBuilder, ExplicitCutsDecideThePartsAndBadPairsChangeNothing) {
    Document doc;
    CSolid& cube = AddMesh(doc, "cube", Cube(20));
    for (const auto& pair : std::vector<std::pair<int, int>>{{1, 0}, {0, 12}, {-1, 0}, {0, -1}}) {
        const auto problems = UnfoldForFixture(doc, {pair});
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find("names no edge"), std::string::npos);
        EXPECT_EQ(doc.development, nullptr);
    }
    // Face 1 is the top; cutting its four edges frees it. The cup below cannot close in the plane, so
    // its vertical edges outside the tree are cut as well.
    std::vector<std::pair<int, int>> cuts;
    for (const auto& h : cube.faces[1]->halfEdges)
        for (size_t e = 0; e < cube.edges.size(); ++e)
            if (cube.edges[e].get() == h->edge) cuts.push_back({0, int(e)});
    EXPECT_TRUE(UnfoldForFixture(doc, cuts).empty());
    ExpectSoundDevelopment(doc, 1.0);
    ASSERT_EQ(doc.development->parts.size(), 2u);
    EXPECT_EQ(doc.development->parts[0]->faces.size(), 5u);
    EXPECT_EQ(cube.faces[1]->partIndex, 1);

    // A flat 2 x 2 sheet: explicit mode keeps the fourth inner edge folded since its sides meet; the
    // spanning-tree rule cuts it.
    Document sheet;
    CSolid& grid = AddMesh(sheet, "sheet", Grid(2, 2, 10));
    size_t openEdge = 0;
    while (grid.edges[openEdge]->halfEdge2) ++openEdge;
    EXPECT_TRUE(UnfoldForFixture(sheet, {{0, int(openEdge)}}).empty());
    ExpectSoundDevelopment(sheet, 1.0);
    EXPECT_EQ(Folds(grid), 4);
    EXPECT_TRUE(UnfoldForFixture(sheet).empty());
    EXPECT_EQ(Folds(grid), 3);
    // Open edges: one line each, drawn as plain cuts, no flap, no number.
    for (const auto& line : sheet.development->parts[0]->lines) {
        if (line->first->twin) continue;
        EXPECT_EQ(line->second, nullptr);
        EXPECT_FALSE(line->first->hasFlap);
        EXPECT_EQ(line->drawKind, DrawKind::Cut);
        EXPECT_EQ(line->edge->edgeId, -1);
    }
}

TEST(ModelBuilder, ScaleAndFlapHeightOptionsApply) {
    Document doc;
    AddMesh(doc, "tet", Tetrahedron(10));
    FixtureUnfoldOptions options;
    options.scale = 2.5;
    options.flapHeightMM = 3;
    EXPECT_TRUE(UnfoldForFixture(doc, {}, options).empty());
    ExpectSoundDevelopment(doc, 2.5);
    EXPECT_DOUBLE_EQ(doc.development->scale, 2.5);
    for (const auto& face : doc.model->solids[0]->faces)
        for (const auto& h : face->halfEdges) EXPECT_DOUBLE_EQ(h->flapHeight, 3.0);
}
