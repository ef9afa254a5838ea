#include "engine/Topology.h"
#include "tests/support/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>

using namespace tsm;
using namespace tsm::test;

namespace {

// Every link of the model points at an object the model still owns: no dangling pointer survives an
// operation that releases corners, faces, vertices or edges.
void ExpectNoDanglingLinks(const CMeshModel& model) {
    std::set<const void*> corners, faces, vertices, edges;
    for (const auto& solid : model.solids) {
        for (const auto& v : solid->vertices) vertices.insert(v.get());
        for (const auto& e : solid->edges) edges.insert(e.get());
        for (const auto& f : solid->faces) {
            faces.insert(f.get());
            for (const auto& h : f->halfEdges) corners.insert(h.get());
        }
    }
    for (const auto& solid : model.solids) {
        for (const auto& f : solid->faces)
            for (const auto& h : f->halfEdges) {
                EXPECT_TRUE(vertices.count(h->vertex));
                EXPECT_TRUE(corners.count(h->next));
                EXPECT_TRUE(corners.count(h->prev));
                EXPECT_TRUE(edges.count(h->edge));
                EXPECT_TRUE(!h->twin || corners.count(h->twin));
                EXPECT_TRUE(!h->joined || corners.count(h->joined));
            }
        for (const auto& e : solid->edges) {
            EXPECT_TRUE(corners.count(e->halfEdge1));
            EXPECT_TRUE(!e->halfEdge2 || corners.count(e->halfEdge2));
            EXPECT_TRUE(vertices.count(e->vertex1));
            EXPECT_TRUE(vertices.count(e->vertex2));
            EXPECT_TRUE(!e->symmetricEdge || edges.count(e->symmetricEdge));
        }
        for (const auto& v : solid->vertices)
            for (CHalfEdge* h : v->outgoing) EXPECT_TRUE(corners.count(h));
    }
    const Document* doc = model.document;
    if (!doc || !doc->development) return;
    for (const auto& part : doc->development->parts) {
        for (CFace* f : part->faces) EXPECT_TRUE(faces.count(f));
        for (const auto& line : part->lines) {
            EXPECT_TRUE(corners.count(line->first));
            EXPECT_TRUE(!line->second || corners.count(line->second));
            EXPECT_EQ(line->edge, line->first->edge);
        }
    }
}

// A part holding every face of the solid, with one line per corner.
CPart* AddPartOverSolid(Document& doc, CSolid& solid) {
    if (!doc.development) doc.development = std::make_unique<Development>();
    auto part = std::make_unique<CPart>();
    part->solid = &solid;
    for (auto& face : solid.faces) {
        face->part = part.get();
        part->faces.push_back(face.get());
        for (auto& h : face->halfEdges) {
            auto line = std::make_unique<CPartLine>();
            line->first = h.get();
            line->edge = h->edge;
            h->line = line.get();
            part->lines.push_back(std::move(line));
        }
    }
    return doc.development->AppendPart(std::move(part));
}

// The face's vertices as a cycle starting at its smallest vertex number, so rotated lists compare equal.
std::vector<int> CycleOf(const CSolid& solid, const CFace& face) {
    std::vector<int> ids;
    for (const auto& h : face.halfEdges) ids.push_back(VertexNumber(solid, h->vertex));
    std::rotate(ids.begin(), std::min_element(ids.begin(), ids.end()), ids.end());
    return ids;
}

// Two triangles whose facing open edges lie `gap` apart in x; the left one's edge runs 0->1 at x = 0.
CSolid* AddSplitPair(CMeshModel& model, double gap) {
    return AddSolid(model, {{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {gap, 1, 0}, {gap, 0, 0}, {1, 1, 0}},
                    {{0, 1, 2}, {3, 4, 5}});
}

} // namespace

TEST(ModelOperations, NormaliseRemovesDuplicateCornersDegenerateFacesUnusedVerticesAndEmptySolids) {
    Document doc;
    CMeshModel& model = *doc.model;
    // Vertex 2 repeats vertex 1, vertex 4 is unused, face {5,6,7} is collinear; size is 5 (vertex 4).
    CSolid* a = AddSolid(
        model,
        {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {1, 1, 0}},
        {{0, 1, 2, 3}, {5, 6, 7}, {3, 1, 8}});
    // Its only face loses the middle corner (0.0001 apart, under 5 * 0.0001) and keeps two corners.
    AddSolid(model, {{0, 0, 2}, {0, 0, 2.0001}, {0, 1, 2}}, {{0, 1, 2}});
    // No faces at all.
    AddRawSolid(model, {{1, 1, 1}}, {});
    CFace* kept0 = a->faces[0].get();
    CFace* kept1 = a->faces[2].get();
    CPart* part = AddPartOverSolid(doc, *a);

    RecordingPrompt prompt;
    const NormaliseCounts counts = NormaliseModel(doc, prompt);
    EXPECT_EQ(counts.vertices,
              9); // 2, 4, 5, 6, 7 of the first solid, all three of the second, one of the third
    EXPECT_EQ(counts.faces, 2);
    EXPECT_EQ(counts.solids, 2);
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0],
              "9 vertice(s), 2 face(s) and 2 object(s) were deleted for data normalization.");

    ASSERT_EQ(model.solids.size(), 1u);
    ASSERT_EQ(a->faces.size(), 2u);
    EXPECT_EQ(a->faces[0].get(), kept0);
    EXPECT_EQ(a->faces[1].get(), kept1);
    EXPECT_EQ(a->vertices.size(), 4u);
    EXPECT_EQ(kept0->CornerCount(), 3u);
    EXPECT_DOUBLE_EQ(kept0->plane[2], 1.0);
    // The two remaining triangles meet along 1-3 and lie flat.
    ASSERT_EQ(a->edges.size(), 5u);
    EXPECT_EQ(a->edges[0]->foldAngle, 180.0);
    EXPECT_NE(a->edges[0]->halfEdge2, nullptr);
    // The part lost the removed face and the lines of the released corners.
    EXPECT_EQ(part->faces.size(), 2u);
    EXPECT_EQ(part->lines.size(), 6u);
    ExpectNoDanglingLinks(model);
}

TEST(ModelOperations, NormaliseLeavesCleanModelsAloneAndWarnsAboutMoreThanFiveHundredFaces) {
    for (int faces : {500, 501}) {
        Document doc;
        std::vector<Vec3> p;
        FaceList list;
        for (int t = 0; t < faces; ++t) {
            p.insert(p.end(), {{double(t), 0, 0}, {t + 1.0, 0, 0}, {double(t), 1, 0}});
            list.push_back({3 * t, 3 * t + 1, 3 * t + 2});
        }
        AddSolid(*doc.model, p, list);
        RecordingPrompt prompt;
        const NormaliseCounts counts = NormaliseModel(doc, prompt);
        EXPECT_EQ(counts.vertices + counts.faces + counts.solids, 0);
        EXPECT_EQ(doc.model->size, faces); // bounds are computed first
        ExpectNoDanglingLinks(*doc.model);
        if (faces == 500) {
            EXPECT_TRUE(prompt.texts.empty()); // the limit itself is fine
        } else {
            EXPECT_EQ(prompt.texts,
                      std::vector<std::string>{
                          "Too many faces (# of faces: 501).\nIt may take very long time to assemble."});
        }
    }
}

TEST(ModelOperations, FlipFacesTwiceRestoresPlanesCornersAndEdgeClasses) {
    Document doc;
    CMeshModel& model = *doc.model;
    CSolid* cube = AddBox(model, {-1, -1, -1}, {1, 1, 1});
    // An open kite whose diagonals differ, so that relinking may rotate its corner list.
    CSolid* kite = AddSolid(model, {{-2, 0, 3}, {0, -1, 3}, {2, 0, 3}, {0, 1, 3}}, {{0, 1, 2, 3}});
    FindEdge(*cube, 0, 1)->edgeClass = EdgeClass::MarkedOpen;
    FindEdge(*cube, 3, 7)->edgeClass = EdgeClass::MarkedJoined;
    FindEdge(*kite, 3, 0)->edgeClass = EdgeClass::MarkedOpen;
    ComputeBounds(model);
    FindSymmetricEdges(model);
    AddPartOverSolid(doc, *cube);
    // Only solids in the development are flipped.
    CSolid* outside = AddBox(model, {5, 5, 5}, {6, 6, 6});
    outside->inDevelopment = false;

    struct Snapshot {
        std::vector<std::vector<double>> planes;
        std::vector<std::vector<int>> cycles;
        std::map<std::pair<int, int>, EdgeClass> classes;
    };
    auto snapshot = [](const CSolid& s) {
        Snapshot shot;
        for (const auto& f : s.faces) {
            shot.planes.push_back({f->plane[0], f->plane[1], f->plane[2], f->plane[3]});
            shot.cycles.push_back(CycleOf(s, *f));
        }
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
    ExpectNoDanglingLinks(model);

    EXPECT_EQ(outside->faces[1]->plane[2], 1.0);
    FlipFaces(model, true);
    for (const auto* pair : {&cubeBefore, &kiteBefore}) {
        const Snapshot after = snapshot(pair == &cubeBefore ? *cube : *kite);
        EXPECT_EQ(after.planes, pair->planes);
        EXPECT_EQ(after.cycles, pair->cycles);
        EXPECT_EQ(after.classes, pair->classes);
    }
    for (const auto& e : cube->edges) EXPECT_TRUE(e->foldSense);
    // Mirror partners are found again on the new edge records.
    EXPECT_EQ(FindEdge(*cube, 1, 3)->symmetricEdge, FindEdge(*cube, 0, 2));
    ExpectNoDanglingLinks(model);
    FlipFaces(model, false);
    EXPECT_EQ(outside->faces[1]->plane[2], -1.0);
}

TEST(ModelOperations, JoinMergesOpenEdgesWithinToleranceInclusive) {
    Document doc;
    CMeshModel& model = *doc.model;
    CSolid* solid = AddSplitPair(model, 1e-6);
    model.size = 1.0; // tolerance 1e-6, exactly the gap
    AddPartOverSolid(doc, *solid);
    RecordingPrompt prompt;
    EXPECT_EQ(JoinAdjacentIsolatedEdges(model, prompt), 1);
    EXPECT_EQ(prompt.texts, std::vector<std::string>{"1 edges were merged."});
    EXPECT_EQ(solid->vertices.size(), 4u);
    ASSERT_EQ(solid->edges.size(), 5u);
    CEdge* joined = FindEdge(*solid, 0, 1);
    ASSERT_NE(joined, nullptr);
    ASSERT_NE(joined->halfEdge2, nullptr);
    EXPECT_EQ(joined->halfEdge1->twin, joined->halfEdge2);
    EXPECT_EQ(joined->halfEdge2->twin, joined->halfEdge1);
    EXPECT_EQ(joined->halfEdge2->edge, joined);
    EXPECT_EQ(joined->foldAngle, 180.0);
    // The second triangle now uses the first one's vertices.
    EXPECT_EQ(solid->faces[1]->Corner(0)->vertex, solid->vertices[1].get());
    EXPECT_EQ(solid->faces[1]->Corner(1)->vertex, solid->vertices[0].get());
    EXPECT_EQ(solid->vertices[0]->outgoing.size(), 2u);
    ExpectNoDanglingLinks(model);
}

TEST(ModelOperations, JoinLeavesEdgesBeyondToleranceAcrossSolidsOrSharingBothEnds) {
    const struct {
        const char* name;
        std::vector<std::pair<std::vector<Vec3>, FaceList>> solids;
        int merged;
        size_t vertices; // of the first solid afterwards
    } cases[] = {
        {"just beyond the tolerance",
         {{{{0, 0, 0},
            {0, 1, 0},
            {-1, 0, 0},
            {std::nextafter(1e-6, 1.0), 1, 0},
            {std::nextafter(1e-6, 1.0), 0, 0},
            {1, 1, 0}},
           {{0, 1, 2}, {3, 4, 5}}}},
         0,
         6},
        {"coincident edges of two solids",
         {{{{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}}, {{0, 1, 2}}},
          {{{0, 1, 0}, {0, 0, 0}, {1, 1, 0}}, {{0, 1, 2}}}},
         0,
         3},
        // Open edges 0->1 and 3->0 share vertex 0; only vertex 3 (a copy of 1) may go.
        {"one end shared already",
         {{{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}}, {{0, 1, 2}, {3, 0, 4}}}},
         1,
         4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMeshModel model;
        for (const auto& [p, f] : c.solids) AddSolid(model, p, f);
        model.size = 1.0;
        RecordingPrompt prompt;
        EXPECT_EQ(JoinAdjacentIsolatedEdges(model, prompt), c.merged);
        // The count is shown even when nothing was merged.
        EXPECT_EQ(prompt.texts, std::vector<std::string>{std::to_string(c.merged) + " edges were merged."});
        EXPECT_EQ(model.solids[0]->vertices.size(), c.vertices);
        ExpectNoDanglingLinks(model);
    }
}

TEST(ModelOperations, SymmetricEdgesNeverPairAnEdgeOnThePlaneWithItself) {
    CMeshModel model;
    CSolid* cube = AddBox(model, {-1, -1, -1}, {1, 1, 1});
    ComputeBounds(model);
    FindSymmetricEdges(model);
    int paired = 0;
    for (const auto& e : cube->edges) {
        const bool crossesPlane = e->vertex1->position.x != e->vertex2->position.x;
        if (crossesPlane) {
            EXPECT_EQ(e->symmetricEdge, nullptr); // its mirror image is itself
        } else if (e->symmetricEdge) {
            // Partners are mutual and lie on opposite sides, their mirrored midpoints the same.
            ++paired;
            EXPECT_EQ(e->symmetricEdge->symmetricEdge, e.get());
            EXPECT_NE(e->mark, e->symmetricEdge->mark);
            EXPECT_EQ(e->mirroredMidpoint, e->symmetricEdge->mirroredMidpoint);
        }
    }
    EXPECT_EQ(paired, 8);

    // A copy of the cube in a second solid: its edges across the plane coincide with the first cube's, but
    // both copies lie on the same side, so they still stay unpaired.
    CSolid* copy = AddBox(model, {-1, -1, -1}, {1, 1, 1});
    FindSymmetricEdges(model);
    for (const CSolid* s : {cube, copy})
        for (const auto& e : s->edges)
            EXPECT_TRUE(e->vertex1->position.x == e->vertex2->position.x || !e->symmetricEdge);
}

TEST(ModelOperations, SymmetricEdgesAgreeWithAllPairsSearch) {
    // A bumpy, jittered grid surface that is mirror-symmetric across x = 0, its triangulation mirrored
    // too, with two vertices on the negative side pushed off their mirror positions.
    auto noise = [](int i, int j, int salt) {
        unsigned h = unsigned(i * 73856093) ^ unsigned(j * 19349663) ^ unsigned(salt * 83492791);
        h = h * 2654435761u;
        return double(h % 1000) / 1000.0;
    };
    const int half = 4, rows = 7;
    auto id = [&](int i, int j) { return (i + half) * rows + j; };
    std::vector<Vec3> p;
    for (int i = -half; i <= half; ++i)
        for (int j = 0; j < rows; ++j) {
            const int m = std::abs(i);
            const double x = m == 0 ? 0.0 : m + 0.3 * noise(m, j, 1);
            p.push_back({i < 0 ? -x : x, j + 0.3 * noise(m, j, 2), 2 * noise(m, j, 3)});
        }
    p[size_t(id(-2, 3))].z += 0.5;
    p[size_t(id(-4, 6))].y += 0.4;
    FaceList faces;
    for (int i = -half; i < half; ++i)
        for (int j = 0; j + 1 < rows; ++j) {
            const int a = id(i, j), b = id(i + 1, j), c = id(i + 1, j + 1), d = id(i, j + 1);
            if (i >= 0)
                faces.insert(faces.end(), {{a, b, c}, {a, c, d}});
            else
                faces.insert(faces.end(), {{a, b, d}, {b, c, d}});
        }
    CMeshModel model;
    CSolid* grid = AddSolid(model, p, faces);
    ComputeBounds(model);
    FindSymmetricEdges(model);

    const double q = std::pow(model.size * 0.005, 2);
    auto ends = [](const CEdge& e) {
        return std::make_pair(e.halfEdge1->vertex->position, e.halfEdge1->next->vertex->position);
    };
    auto mirror = [](Vec3 v) { return Vec3{-v.x, v.y, v.z}; };
    int paired = 0, unpaired = 0;
    for (const auto& e : grid->edges) {
        const auto [a1, a2] = ends(*e);
        std::vector<const CEdge*> candidates;
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
    EXPECT_GT(paired, 100);
    EXPECT_GE(unpaired, 6 + 2); // the on-plane edges, and at least the edges around the displaced vertices
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
    ExpectNoDanglingLinks(*doc.model);
}
