#include "engine/Topology.h"
#include "tests/support/engine/MeshFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace tsm;
using namespace tsm::test;

namespace {

// Every corner's edge names it, and twins are mutual: the links BuildEdges promises.
void ExpectConsistentPairing(const Solid& solid) {
    for (const auto& face : solid.faces)
        for (const auto& h : face->halfEdges) {
            ASSERT_NE(h->edge, nullptr);
            EXPECT_TRUE(h->edge->halfEdge1 == h.get() || h->edge->halfEdge2 == h.get());
            EXPECT_TRUE(!h->twin || h->twin->twin == h.get());
        }
}

} // namespace

TEST(Topology, LinkFaceRingRotatesQuadOntoTheShorterDiagonal) {
    Mesh model;
    // Diagonal 1-3 (length 2) is shorter than 0-2 (length 4): corner 1 must lead afterwards.
    Solid* solid = AddRawSolid(model, {{-2, 0, 0}, {0, -1, 0}, {2, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    Face& face = *solid->faces[0];
    std::vector<HalfEdge*> before;
    for (auto& h : face.halfEdges) before.push_back(h.get());
    LinkFaceRing(face);
    ASSERT_EQ(face.CornerCount(), 4u);
    EXPECT_EQ(face.Corner(0), before[1]);
    EXPECT_EQ(face.Corner(1), before[2]);
    EXPECT_EQ(face.Corner(3), before[0]);
    // The rotation leaves the ring itself untouched, forwards and backwards.
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(before[i]->next, before[(i + 1) % 4]);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(PreviousCorner(*before[i]), before[(i + 3) % 4]);

    // Equal diagonals (a square) keep the stored order: only strictly shorter rotates.
    Solid* square = AddRawSolid(model, BoxPositions({0, 0, 0}, {1, 1, 0}), {{0, 1, 3, 2}});
    HalfEdge* first = square->faces[0]->Corner(0);
    LinkFaceRing(*square->faces[0]);
    EXPECT_EQ(square->faces[0]->Corner(0), first);

    // A triangle is never rotated even when the distances would say so.
    Solid* tri = AddRawSolid(model, {{0, 0, 0}, {5, 0, 0}, {0, 0.1, 0}}, {{0, 1, 2}});
    first = tri->faces[0]->Corner(0);
    LinkFaceRing(*tri->faces[0]);
    EXPECT_EQ(tri->faces[0]->Corner(0), first);
}

// A ring not linked yet, one that runs into a loop without the corner, and a corner without a face have no
// previous corner; the walk stops after the face's corner count.
TEST(Topology, PreviousCornerOfABrokenRingIsNone) {
    Mesh model;
    Face& face = *AddRawSolid(model, BoxPositions({0, 0, 0}, {1, 1, 0}), {{0, 1, 3, 2}})->faces[0];
    HalfEdge* first = face.Corner(0);
    EXPECT_EQ(PreviousCorner(*first), nullptr);
    LinkFaceRing(face);
    ASSERT_EQ(PreviousCorner(*first), face.Corner(3));
    face.Corner(3)->next = face.Corner(1);
    EXPECT_EQ(PreviousCorner(*first), nullptr);
    HalfEdge loose;
    loose.next = face.Corner(1);
    EXPECT_EQ(PreviousCorner(loose), nullptr);
}

TEST(Topology, ComputeFacePlaneUsesLargestFanTriangle) {
    Mesh model;
    // Counter-clockwise seen from +z: normal +z, plane through z = 2.
    Solid* solid = AddRawSolid(model, {{0, 0, 2}, {1, 0, 2}, {0, 1, 2}}, {{0, 1, 2}});
    Face& face = *solid->faces[0];
    ComputeFacePlane(face);
    EXPECT_DOUBLE_EQ(face.plane[0], 0);
    EXPECT_DOUBLE_EQ(face.plane[1], 0);
    EXPECT_DOUBLE_EQ(face.plane[2], 1);
    EXPECT_DOUBLE_EQ(face.plane[3], -2);

    // The first fan triangle is a sliver tilted out of the face's main plane; the plane must come from the
    // large second triangle.
    Solid* bent = AddRawSolid(model, {{0, 0, 0}, {1, 0, 0.001}, {1, 0.001, 0}, {0, 5, 0}}, {{0, 1, 2, 3}});
    ComputeFacePlane(*bent->faces[0]);
    EXPECT_NEAR(bent->faces[0]->plane[2], 1.0, 1e-12);
    EXPECT_NEAR(bent->faces[0]->plane[3], 0.0, 1e-12);

    // A quad folded along its diagonal into two 15-20-25 triangles of exactly equal area: the first
    // triangle (normal -z) wins over the second (normal -y).
    Solid* folded = AddRawSolid(model, {{0, 0, 0}, {9, 12, 0}, {25, 0, 0}, {16, 0, 12}}, {{0, 1, 2, 3}});
    ComputeFacePlane(*folded->faces[0]);
    EXPECT_EQ(folded->faces[0]->plane[1], 0.0);
    EXPECT_EQ(folded->faces[0]->plane[2], -1.0);

    // Collinear corners, or only two: no triangle has area, so the stored plane stays.
    Solid* flat = AddRawSolid(model, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{0, 1, 2}, {0, 1}});
    for (auto& f : flat->faces) {
        f->plane[0] = 0.25;
        ComputeFacePlane(*f);
        EXPECT_EQ(f->plane[0], 0.25);
    }
}

// A triangle gets a plane exactly when Heron's radicand of its sides is positive, however thin or far
// from the unit scale: slivers around the shortcut's bound, tiny and huge coordinates.
TEST(Topology, ComputeFacePlaneOfATriangleFollowsHeronsRadicand) {
    Mesh model;
    for (double scale : {1.0, 1e-30, 1e-55, 1e-170, 1e30, 1e55, 1e160})
        for (double height : {1.0, 2e-4, 1e-4, 0.5e-4, 1e-8, 1e-12, 1e-16, 1e-17, 0.0}) {
            const Vec3 p[3] = {{0, 0, 0}, {scale, 0, 0}, {0.5 * scale, height * scale, 0}};
            Solid* solid = AddRawSolid(model, {p[0], p[1], p[2]}, {{0, 1, 2}});
            Face& face = *solid->faces[0];
            face.plane[2] = 0.25;
            ComputeFacePlane(face);
            const double a = Distance(p[0], p[1]), b = Distance(p[1], p[2]), c = Distance(p[2], p[0]);
            const double s = (a + b + c) / 2;
            EXPECT_EQ(face.plane[2], s * (s - a) * (s - b) * (s - c) > 0 ? 1.0 : 0.25)
                << scale << " " << height;
        }
}

TEST(Topology, ThreeFacesOnOneEdgeWarnOnceAndLeaveOneOpenEdge) {
    Mesh model;
    // Faces 0 and 1 both run 0->1, face 2 runs 1->0: it finds two candidates and pairs with the first.
    Solid* solid = AddRawSolid(model, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}},
                               {{0, 1, 2}, {0, 1, 4}, {1, 0, 3}});
    for (auto& face : solid->faces) {
        LinkFaceRing(*face);
        ComputeFacePlane(*face);
    }
    testing::internal::CaptureStderr();
    BuildEdges(*solid);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Warning: two or more halfedges are assigned to one halfedge\n");

    EXPECT_EQ(solid->edges.size(), 8u); // 9 corners, one pair
    EXPECT_EQ(solid->faces[0]->Corner(0)->twin, solid->faces[2]->Corner(0));
    EXPECT_EQ(solid->faces[1]->Corner(0)->twin, nullptr);
    ExpectConsistentPairing(*solid);
}

TEST(Topology, OpenEdgesFollowThePairedOnesInTheOrderOfTheirEnds) {
    Mesh model;
    // Faces 3-2-1 and 2-0-1 share 1-2; the four other sides stay open.
    Solid* solid = AddRawSolid(model, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{3, 2, 1}, {2, 0, 1}});
    for (auto& face : solid->faces) LinkFaceRing(*face);
    BuildEdges(*solid);
    std::vector<std::tuple<Vertex*, Vertex*, bool>> edges, expected;
    for (const auto& e : solid->edges) edges.emplace_back(e->vertex1, e->vertex2, e->halfEdge2 != nullptr);
    for (auto [a, b, paired] :
         {std::tuple(1, 2, true), {0, 1, false}, {1, 3, false}, {2, 0, false}, {3, 2, false}})
        expected.emplace_back(solid->vertices[a].get(), solid->vertices[b].get(), paired);
    EXPECT_EQ(edges, expected);
    ExpectConsistentPairing(*solid);
}

TEST(Topology, UpdateEdgeGeometryParallelThreshold) {
    Mesh model;
    // Two triangles folded along the x axis by a chosen angle; their normals' dot product is cos(angle).
    auto foldBy = [&model](double angle) {
        Solid* s =
            AddSolid(model, {{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -std::cos(angle), std::sin(angle)}},
                     {{0, 1, 2}, {1, 0, 3}});
        return FindEdge(*s, 0, 1);
    };
    // cos = 0.999995 is above 0.99999: counted as flat.
    Edge* nearlyFlat = foldBy(std::acos(0.999995));
    EXPECT_EQ(nearlyFlat->foldAngle, 180.0);
    EXPECT_TRUE(nearlyFlat->foldSense);
    // cos = 0.9999 is a real fold of about 0.81 degrees; lifting the second face toward +z is a valley
    // seen from the +z normals.
    Edge* slight = foldBy(std::acos(0.9999));
    EXPECT_NEAR(slight->foldAngle, 180.0 - std::acos(0.9999) * 57.29577951308232, 1e-7);
    EXPECT_FALSE(slight->foldSense);
    // Each row: the second face lifted by this many degrees, toward +z for a valley or toward -z for a
    // mountain, from slight to nearly folded shut.
    const struct {
        double degrees;
        bool mountain;
    } folds[] = {{1, false}, {-1, true}, {90, false}, {-90, true}, {179, false}, {-179, true}};
    for (const auto& f : folds) {
        const Edge* edge = foldBy(f.degrees * 3.14159265358979323846 / 180);
        EXPECT_EQ(edge->foldSense, f.mountain) << f.degrees;
        EXPECT_NEAR(edge->foldAngle, 180 - std::abs(f.degrees), 1e-9) << f.degrees;
    }
}

TEST(Topology, ComputeBoundsSizeCenterAndDominantAxis) {
    {
        Mesh model;
        AddBox(model, {-1, 2, 3}, {3, 4, 5});
        // Hidden solids and solids outside the development do not count.
        AddBox(model, {100, 100, 100}, {200, 200, 200})->shown = false;
        AddBox(model, {-100, -100, -100}, {-50, -50, -50})->inDevelopment = false;
        ComputeBounds(model);
        EXPECT_EQ(model.boundsMin, (Vec3{-1, 2, 3}));
        EXPECT_EQ(model.boundsMax, (Vec3{3, 4, 5}));
        EXPECT_EQ(model.center, (Vec3{1, 3, 4}));
        EXPECT_EQ(model.size, 4.0);
        EXPECT_EQ(model.dominantAxis, 1);
    }
    struct Case {
        Vec3 extent;
        int axis;
        const char* why;
    };
    const Case cases[] = {
        {{10, 0.1, 10}, 1, "dy exactly 1% of dx and dz still counts as tall"},
        {{10, 0.09, 1}, 0, "flat in y, wider in x"},
        {{1, 0.001, 10}, 2, "flat in y, deeper in z"},
        {{10, 0.05, 10}, 0, "flat in y, dz equal to dx is not larger"},
        {{0, 0, 0}, 1, "a single point"},
    };
    for (const Case& c : cases) {
        Mesh model;
        AddRawSolid(model, {{0, 0, 0}, c.extent}, {});
        ComputeBounds(model);
        EXPECT_EQ(model.dominantAxis, c.axis) << c.why;
    }
    // No visible vertex: an empty box at the origin rather than infinite extents.
    Mesh empty;
    AddBox(empty)->shown = false;
    ComputeBounds(empty);
    EXPECT_EQ(empty.size, 0.0);
    EXPECT_EQ(empty.center, (Vec3{0, 0, 0}));
}
