#include "tools/lib/Primitives.h"

#include "tools/lib/ModelBuilder.h"

#include <gtest/gtest.h>

using namespace tsm;

// Convex shapes are closed and outward (no open edges, no valleys, V - E + F = 2); a torus is closed with
// Euler characteristic 0 and folds its inner side as valleys; an open sheet has an open border and a flat
// inside.
TEST(Primitives, ShapesAreClosedOutwardAndHaveTheRightCounts) {
    const struct {
        const char* name;
        MeshData mesh;
        size_t vertices, faces, openEdges;
        long euler;
        bool valleys;
    } cases[] = {{"cube", Cube(10), 8, 6, 0, 2, false},
                 {"tetrahedron", Tetrahedron(10), 4, 4, 0, 2, false},
                 {"icosphere2", Icosphere(2, 5), 162, 320, 0, 2, false},
                 {"cylinder", Cylinder(25, 5, 10), 52, 100, 0, 2, false},
                 {"cylinder min", Cylinder(1, 5, 10), 8, 12, 0, 2, false},
                 {"prism", Prism(10, 6, 4), 6, 5, 0, 2, false},
                 {"torus", Torus(8, 6, 30, 10), 48, 48, 0, 0, true},
                 {"torus of triangles", Torus(8, 6, 30, 10, true), 48, 96, 0, 0, true},
                 {"grid", Grid(3, 2, 1), 12, 6, 10, 1, false},
                 {"gear", Gear(12, 40, 50, 12), 98, 192, 0, 2, true},
                 {"trefoil", TrefoilTube(60, 6, 10, 3), 360, 720, 0, 0, true},
                 {"star", Stellated(Icosphere(0, 10), 8), 32, 60, 0, 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc;
        const Solid& solid = AddSolid(doc, "shape", c.mesh.vertices, c.mesh.faces);
        size_t open = 0, valleys = 0;
        for (const auto& edge : solid.edges) {
            open += !edge->halfEdge2;
            valleys += edge->halfEdge2 && !edge->foldSense;
        }
        EXPECT_EQ(solid.vertices.size(), c.vertices);
        EXPECT_EQ(solid.faces.size(), c.faces);
        EXPECT_EQ(open, c.openEdges);
        EXPECT_EQ(valleys > 0, c.valleys);
        EXPECT_EQ(long(solid.vertices.size()) - long(solid.edges.size()) + long(solid.faces.size()), c.euler);
    }
}

TEST(Primitives, GeometryIsExact) {
    // Every tetrahedron edge has the asked length.
    Document doc;
    const Solid& tet = AddSolid(doc, "t", Tetrahedron(7).vertices, Tetrahedron(7).faces);
    for (const auto& edge : tet.edges) EXPECT_NEAR(edge->length, 7.0, 1e-12);
    // Icosphere vertices lie on the sphere, also the ones made by subdivision.
    for (const Vec3& v : Icosphere(3, 4).vertices) EXPECT_NEAR(Length(v), 4.0, 1e-12);
    // Subdivision is capped, so a huge request cannot allocate without bound.
    EXPECT_EQ(Icosphere(100, 1).faces.size(), 20u * 16384u);
}
