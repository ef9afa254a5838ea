#include "engine/ModelOperations.h"
#include "engine/Topology.h"
#include "tests/support/engine/MeshFixtures.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>

using namespace tsm;
using namespace tsm::test;

namespace {

// Beyond the links the invariant check follows, every corner's vertex, edge and ring neighbours, every edge's
// ends and mirror partner, every vertex's outgoing corners and every part line's corner are still owned by
// the model: no pointer dangles after an operation that releases corners, faces, vertices or edges.
void ExpectNoDanglingLinks(const Document& doc) {
    const std::vector<std::string> problems = CheckModelInvariants(doc);
    EXPECT_TRUE(problems.empty()) << problems.front();
    std::set<const void*> owned;
    for (const auto& solid : doc.model->solids) {
        for (const auto& v : solid->vertices) owned.insert(v.get());
        for (const auto& e : solid->edges) owned.insert(e.get());
        for (const auto& f : solid->faces)
            for (const auto& h : f->halfEdges) owned.insert(h.get());
    }
    for (const auto& solid : doc.model->solids) {
        for (const auto& f : solid->faces)
            for (const auto& h : f->halfEdges)
                EXPECT_TRUE(owned.count(h->vertex) && owned.count(h->next) && owned.count(h->edge));
        for (const auto& e : solid->edges)
            EXPECT_TRUE(owned.count(e->vertex1) && owned.count(e->vertex2) &&
                        (!e->symmetricEdge || owned.count(e->symmetricEdge)));
        for (const auto& v : solid->vertices)
            for (HalfEdge* h : v->outgoing) EXPECT_TRUE(owned.count(h));
    }
    if (!doc.development) return;
    for (const auto& part : doc.development->parts)
        for (const auto& line : part->lines) {
            EXPECT_TRUE(owned.count(line->first));
            EXPECT_EQ(line->edge, line->first->edge);
        }
}

// A part holding every face of the solid, with one line per corner.
Part* AddPartOverSolid(Document& doc, Solid& solid) {
    if (!doc.development) doc.development = std::make_unique<Development>();
    auto part = std::make_unique<Part>();
    part->solid = &solid;
    for (auto& face : solid.faces) {
        face->part = part.get();
        part->faces.push_back(face.get());
        for (auto& h : face->halfEdges) {
            auto line = std::make_unique<PartLine>();
            line->first = h.get();
            line->edge = h->edge;
            h->line = line.get();
            part->lines.push_back(std::move(line));
        }
    }
    return doc.development->AppendPart(std::move(part));
}

// The face's vertices as a cycle starting at its smallest vertex number, so rotated lists compare equal.
std::vector<int> CycleOf(const Solid& solid, const Face& face) {
    std::vector<int> ids;
    for (const auto& h : face.halfEdges) ids.push_back(VertexNumber(solid, h->vertex));
    std::rotate(ids.begin(), std::min_element(ids.begin(), ids.end()), ids.end());
    return ids;
}

} // namespace

TEST(ModelOperations, NormaliseRemovesDuplicateCornersDegenerateFacesUnusedVerticesAndEmptySolids) {
    Document doc;
    Mesh& model = *doc.model;
    // Vertex 2 repeats vertex 1, vertex 4 is unused, face {5,6,7} is collinear; size is 5 (vertex 4).
    Solid* a = AddSolid(
        model,
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {1, 1, 0}},
        {{0, 1, 2, 3}, {5, 6, 7}, {3, 1, 8}});
    // Its only face loses the middle corner (0.0001 apart, under 5 * 0.0001) and keeps two corners.
    AddSolid(model, {{0, 0, 2}, {0, 0, 2.0001}, {0, 1, 2}}, {{0, 1, 2}});
    // No faces at all.
    AddRawSolid(model, {{1, 1, 1}}, {});
    Face* kept0 = a->faces[0].get();
    Face* kept1 = a->faces[2].get();
    Part* part = AddPartOverSolid(doc, *a);

    RecordingPrompt prompt;
    NormaliseModel(doc, prompt);
    // Vertices 2, 4, 5, 6, 7 of the first solid, all three of the second, the one of the third.
    EXPECT_EQ(prompt.texts,
              std::vector<std::string>{
                  "9 vertice(s), 2 face(s) and 2 object(s) were deleted for data normalization."});

    ASSERT_EQ(model.solids.size(), 1u);
    ASSERT_EQ(a->faces.size(), 2u);
    EXPECT_EQ(a->faces[0].get(), kept0);
    EXPECT_EQ(a->faces[1].get(), kept1);
    EXPECT_EQ(a->vertices.size(), 4u);
    EXPECT_EQ(kept0->CornerCount(), 3u);
    // The two remaining triangles meet along 1-3 and lie flat.
    ASSERT_EQ(a->edges.size(), 5u);
    EXPECT_EQ(a->edges[0]->foldAngle, 180.0);
    EXPECT_NE(a->edges[0]->halfEdge2, nullptr);
    // The part lost the removed face and the lines of the released corners.
    EXPECT_EQ(part->faces.size(), 2u);
    EXPECT_EQ(part->lines.size(), 6u);
    ExpectNoDanglingLinks(doc);
}

TEST(ModelOperations, NormaliseLeavesCleanModelsAloneAndWarnsAboutMoreThanFiveHundredFaces) {
    for (int faces : {500, 501}) {
        Document doc;
        const MeshData strip = Grid(faces, 1, 1);
        AddSolid(*doc.model, strip.vertices, strip.faces);
        RecordingPrompt prompt;
        const NormaliseCounts counts = NormaliseModel(doc, prompt);
        EXPECT_EQ(counts.vertices + counts.faces + counts.solids, 0);
        EXPECT_EQ(doc.model->size, faces); // bounds are computed first
        ExpectNoDanglingLinks(doc);
        if (faces == 500) {
            EXPECT_TRUE(prompt.texts.empty()); // the limit itself is fine
        } else {
            EXPECT_EQ(prompt.texts,
                      std::vector<std::string>{
                          "Too many faces (# of faces: 501).\nIt may take very long time to assemble."});
        }
    }
}

TEST(ModelOperations, FlipFacesTwiceRestoresCornersAndEdgeClasses) {
    Document doc;
    Mesh& model = *doc.model;
    Solid* cube = AddBox(model, {-1, -1, -1}, {1, 1, 1});
    // An open kite whose diagonals differ, so that relinking may rotate its corner list.
    Solid* kite = AddSolid(model, {{-2, 0, 3}, {0, -1, 3}, {2, 0, 3}, {0, 1, 3}}, {{0, 1, 2, 3}});
    FindEdge(*cube, 0, 1)->edgeClass = EdgeClass::MarkedOpen;
    FindEdge(*cube, 3, 7)->edgeClass = EdgeClass::MarkedJoined;
    FindEdge(*kite, 3, 0)->edgeClass = EdgeClass::MarkedOpen;
    ComputeBounds(model);
    FindSymmetricEdges(model);
    AddPartOverSolid(doc, *cube);
    // Only solids in the development are flipped.
    Solid* outside = AddBox(model, {5, 5, 5}, {6, 6, 6});
    outside->inDevelopment = false;

    struct Snapshot {
        std::vector<std::vector<int>> cycles;
        std::map<std::pair<int, int>, EdgeClass> classes;
    };
    auto snapshot = [](const Solid& s) {
        Snapshot shot;
        for (const auto& f : s.faces) shot.cycles.push_back(CycleOf(s, *f));
        for (const auto& e : s.edges) {
            const int a = VertexNumber(s, e->vertex1), b = VertexNumber(s, e->vertex2);
            shot.classes[{std::min(a, b), std::max(a, b)}] = e->edgeClass;
        }
        return shot;
    };
    const Snapshot cubeBefore = snapshot(*cube), kiteBefore = snapshot(*kite);

    FlipFaces(model, true);
    // Inside out: every cube edge becomes a valley, every plane is negated, the classes follow the edges.
    ASSERT_EQ(cube->edges.size(), 12u);
    for (const auto& e : cube->edges) {
        EXPECT_NEAR(e->foldAngle, 90.0, 1e-9);
        EXPECT_FALSE(e->foldSense);
    }
    EXPECT_EQ(cube->faces[1]->plane[2], -1.0);
    EXPECT_EQ(snapshot(*cube).classes, cubeBefore.classes);
    EXPECT_EQ(snapshot(*kite).classes, kiteBefore.classes);
    ExpectNoDanglingLinks(doc);

    EXPECT_EQ(outside->faces[1]->plane[2], 1.0);
    FlipFaces(model, true);
    for (const auto* pair : {&cubeBefore, &kiteBefore}) {
        const Snapshot after = snapshot(pair == &cubeBefore ? *cube : *kite);
        EXPECT_EQ(after.cycles, pair->cycles);
        EXPECT_EQ(after.classes, pair->classes);
    }
    EXPECT_EQ(cube->faces[1]->plane[2], 1.0);
    // Mirror partners are found again on the new edge records.
    EXPECT_EQ(FindEdge(*cube, 1, 3)->symmetricEdge, FindEdge(*cube, 0, 2));
    ExpectNoDanglingLinks(doc);
    FlipFaces(model, false);
    EXPECT_EQ(outside->faces[1]->plane[2], -1.0);
}

// The tolerance is 1e-6 of the model's size, inclusive; the count is shown even when nothing was merged.
TEST(ModelOperations, JoinMergesOpenEdgesWithinToleranceOfOneSolid) {
    // Two triangles whose facing open edges lie `gap` apart in x; the left one's edge runs 0->1 at x = 0.
    const auto splitPair = [](double gap) -> std::pair<std::vector<Vec3>, FaceList> {
        return {{{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {gap, 1, 0}, {gap, 0, 0}, {1, 1, 0}},
                {{0, 1, 2}, {3, 4, 5}}};
    };
    const struct {
        const char* name;
        std::vector<std::pair<std::vector<Vec3>, FaceList>> solids;
        int merged;
        size_t vertices, edges; // of the first solid afterwards
    } cases[] = {
        {"exactly the tolerance apart", {splitPair(1e-6)}, 1, 4, 5},
        {"just beyond the tolerance", {splitPair(std::nextafter(1e-6, 1.0))}, 0, 6, 6},
        {"coincident edges of two solids",
         {{{{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}}, {{0, 1, 2}}},
          {{{0, 1, 0}, {0, 0, 0}, {1, 1, 0}}, {{0, 1, 2}}}},
         0,
         3,
         3},
        // Open edges 0->1 and 3->0 share vertex 0; only vertex 3 (a copy of 1) may go.
        {"one end shared already",
         {{{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}}, {{0, 1, 2}, {3, 0, 4}}}},
         1,
         4,
         5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc;
        for (const auto& [p, f] : c.solids) AddSolid(*doc.model, p, f);
        Solid& first = *doc.model->solids[0];
        AddPartOverSolid(doc, first);
        doc.model->size = 1.0;
        RecordingPrompt prompt;
        EXPECT_EQ(JoinAdjacentIsolatedEdges(*doc.model, prompt), c.merged);
        EXPECT_EQ(prompt.texts, std::vector<std::string>{std::to_string(c.merged) + " edges were merged."});
        EXPECT_EQ(first.vertices.size(), c.vertices);
        ASSERT_EQ(first.edges.size(), c.edges);
        for (const auto& e : first.edges)
            if (e->halfEdge2) {
                EXPECT_EQ(e->foldAngle, 180.0);
                EXPECT_EQ(e->halfEdge2->edge, e.get());
            }
        ExpectNoDanglingLinks(doc);
    }
}

TEST(ModelOperations, SymmetricEdgesAgreeWithAllPairsSearch) {
    // A bumpy grid of squares, mirror-symmetric across x = 0, with two vertices on the negative side
    // pushed off their mirror positions; the large one has more edges than the short sort takes.
    for (const int side : {6, 48}) {
        const int across = side == 6 ? 8 : side;
        MeshData mesh = Translated(Grid(across, side, 1), {-across / 2.0, 0, 0});
        for (Vec3& v : mesh.vertices) {
            const double bump = std::fmod(std::abs(v.x) * 7.3 + v.y * 3.1, 1.0);
            v.y += 0.3 * bump;
            v.z = 2 * bump;
        }
        mesh.vertices[size_t(3 * (across + 1) + across / 2 - 2)].z += 0.5; // (-2, 3)
        mesh.vertices[size_t(6 * (across + 1))].y += 0.4;                  // (-across / 2, 6)
        Mesh model;
        Solid* grid = AddSolid(model, mesh.vertices, mesh.faces);
        ComputeBounds(model);
        FindSymmetricEdges(model);

        const double q = std::pow(model.size * 0.005, 2);
        auto ends = [](const Edge& e) {
            return std::make_pair(e.halfEdge1->vertex->position, e.halfEdge1->next->vertex->position);
        };
        auto mirror = [](Vec3 v) { return Vec3{-v.x, v.y, v.z}; };
        int paired = 0, unpaired = 0;
        for (const auto& e : grid->edges) {
            const auto [a1, a2] = ends(*e);
            std::vector<const Edge*> candidates;
            for (const auto& f : grid->edges) {
                const auto [b1, b2] = ends(*f);
                const bool eNeg = (a1.x + a2.x) / 2 < 0, fNeg = (b1.x + b2.x) / 2 < 0;
                if (eNeg == fNeg) continue;
                if ((DistanceSquared(a1, mirror(b1)) < q && DistanceSquared(a2, mirror(b2)) < q) ||
                    (DistanceSquared(a1, mirror(b2)) < q && DistanceSquared(a2, mirror(b1)) < q))
                    candidates.push_back(f.get());
            }
            ASSERT_LE(candidates.size(), 1u) << "the fixture should have unique mirror images";
            if (candidates.empty()) {
                EXPECT_EQ(e->symmetricEdge, nullptr);
                ++unpaired;
            } else {
                EXPECT_EQ(e->symmetricEdge, candidates[0]);
                ++paired;
            }
        }
        // Both outcomes occur, so the comparison is not vacuous.
        EXPECT_GT(paired, 80);
        EXPECT_GE(unpaired,
                  6 + 6); // the on-plane edges, the displaced vertices' edges and their mirror images
    }
}

TEST(ModelOperations, BrokenCoordinatesDoNotCrash) {
    Document doc;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    AddSolid(*doc.model, {{0, 0, 0}, {1, 0, 0}, {nan, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}});
    ComputeBounds(*doc.model);
    FindSymmetricEdges(*doc.model);
    RecordingPrompt prompt;
    JoinAdjacentIsolatedEdges(*doc.model, prompt);
    NormaliseModel(doc, prompt);
    FlipFaces(*doc.model, false);
    ExpectNoDanglingLinks(doc);
}
