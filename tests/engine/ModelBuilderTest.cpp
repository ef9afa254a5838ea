#include "tools/lib/ModelBuilder.h"

#include "engine/Classify.h"
#include "tests/engine/FlatOverlap.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

using namespace tsm;

// What the spanning-tree unfolding of a fixture gives is pinned byte for byte by the committed samples
// (SamplesTest); here the bad input and the explicit cuts that those samples do not take.

namespace {

Solid& AddMesh(Document& doc, const std::string& name, const MeshData& mesh) {
    return AddSolid(doc, name, mesh.vertices, mesh.faces);
}

int Folds(const Solid& solid) {
    int folds = 0;
    for (const auto& edge : solid.edges) folds += edge->halfEdge1->Joined() ? 1 : 0;
    return folds;
}

} // namespace

TEST(ModelBuilder, AddSolidNumbersVerticesOnAndSkipsBadFaces) {
    Document doc;
    Solid& cube = AddMesh(doc, "cube", Cube(40));
    for (const auto& vertex : cube.vertices) EXPECT_EQ(vertex->outgoing.size(), 3u);
    EXPECT_DOUBLE_EQ(doc.model->size, 40.0);
    EXPECT_EQ(AddMesh(doc, "tet", Tetrahedron(10)).vertices.front()->index, 8);
    // Out-of-range, negative and two-corner faces would otherwise make dangling vertex pointers.
    Solid& bad = AddSolid(doc, "bad", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                          {{0, 1, 2}, {0, 1, 7}, {-1, 1, 2}, {0, 1}, {}});
    ASSERT_EQ(bad.faces.size(), 1u);
    ASSERT_EQ(bad.edges.size(), 3u);
    for (const auto& edge : bad.edges) EXPECT_EQ(edge->halfEdge2, nullptr);
    EXPECT_TRUE(CheckModelInvariants(doc).empty());
    // Non-positive sizes give an empty image rather than a huge or negative allocation.
    EXPECT_TRUE(MakeCheckerboard(0, 10, 1, {}, {})->pixels.empty());
    EXPECT_TRUE(MakeCheckerboard(-3, -3, 0, {}, {})->pixels.empty());
}

TEST(ModelBuilder, ExplicitCutsKeepFoldsThatCloseAndBadPairsChangeNothing) {
    Document doc;
    AddMesh(doc, "cube", Cube(20));
    for (const auto& pair : std::vector<std::pair<int, int>>{{1, 0}, {0, 12}, {-1, 0}, {0, -1}}) {
        const auto problems = UnfoldForFixture(doc, {pair});
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find("names no edge"), std::string::npos);
        EXPECT_EQ(doc.development, nullptr);
    }
    // A flat 2 x 2 sheet: explicit mode keeps the fourth inner edge folded since its sides meet; the
    // spanning-tree rule cuts it.
    Document sheet;
    Solid& grid = AddMesh(sheet, "sheet", Grid(2, 2, 10));
    size_t openEdge = 0;
    while (grid.edges[openEdge]->halfEdge2) ++openEdge;
    EXPECT_TRUE(UnfoldForFixture(sheet, {{0, int(openEdge)}}).empty());
    EXPECT_TRUE(CheckModelInvariants(sheet).empty());
    EXPECT_EQ(test::OverlappingFacePairs(*sheet.development), 0);
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
