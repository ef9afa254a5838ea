#include "tools/lib/Primitives.h"

#include "tools/lib/ModelBuilder.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

struct Counts {
    size_t vertices, faces, edges, openEdges, valleys;
};

Counts Build(const MeshData& mesh) {
    Document doc;
    const CSolid& solid = AddSolid(doc, "shape", mesh.vertices, mesh.faces);
    Counts counts{solid.vertices.size(), solid.faces.size(), solid.edges.size(), 0, 0};
    for (const auto& edge : solid.edges) {
        if (!edge->halfEdge2)
            ++counts.openEdges;
        else if (!edge->foldSense)
            ++counts.valleys;
    }
    return counts;
}

} // namespace

TEST(Primitives, ClosedShapesAreClosedOutwardAndHaveTheRightCounts) {
    // Closed, consistently oriented and convex: no open edges and no valleys; V - E + F = 2.
    struct Case {
        const char* name;
        MeshData mesh;
        size_t vertices, faces;
    };
    const std::vector<Case> cases = {{"cube", Cube(10), 8, 6},
                                     {"tetrahedron", Tetrahedron(10), 4, 4},
                                     {"icosahedron", Icosphere(0, 5), 12, 20},
                                     {"icosphere2", Icosphere(2, 5), 162, 320},
                                     {"cylinder", Cylinder(25, 5, 10), 52, 100},
                                     {"cylinder min", Cylinder(1, 5, 10), 8, 12},
                                     {"prism", Prism(10, 6, 4), 6, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Counts counts = Build(c.mesh);
        EXPECT_EQ(counts.vertices, c.vertices);
        EXPECT_EQ(counts.faces, c.faces);
        EXPECT_EQ(counts.openEdges, 0u);
        EXPECT_EQ(counts.valleys, 0u);
        EXPECT_EQ(long(counts.vertices) - long(counts.edges) + long(counts.faces), 2);
    }
}

TEST(Primitives, GeometryIsExact) {
    // Every tetrahedron edge has the asked length.
    Document doc;
    const CSolid& tet = AddSolid(doc, "t", Tetrahedron(7).vertices, Tetrahedron(7).faces);
    for (const auto& edge : tet.edges) EXPECT_NEAR(edge->length, 7.0, 1e-12);
    // Icosphere vertices lie on the sphere, also the ones made by subdivision.
    for (const Vec3& v : Icosphere(3, 4).vertices) EXPECT_NEAR(Length(v), 4.0, 1e-12);
    // Subdivision is capped, so a huge request cannot allocate without bound.
    EXPECT_EQ(Icosphere(100, 1).faces.size(), 20u * 16384u);
}

TEST(Primitives, TorusAndGrid) {
    // A torus is closed with Euler characteristic 0, and its inner side folds as valleys.
    const Counts quads = Build(Torus(8, 6, 30, 10));
    EXPECT_EQ(quads.faces, 48u);
    EXPECT_EQ(quads.vertices, 48u);
    EXPECT_EQ(quads.openEdges, 0u);
    EXPECT_GT(quads.valleys, 0u);
    EXPECT_EQ(long(quads.vertices) - long(quads.edges) + long(quads.faces), 0);
    const Counts triangles = Build(Torus(8, 6, 30, 10, true));
    EXPECT_EQ(triangles.faces, 96u);
    EXPECT_EQ(triangles.openEdges, 0u);
    // An open sheet: its border is open, its inside flat.
    const Counts grid = Build(Grid(3, 2, 1));
    EXPECT_EQ(grid.faces, 6u);
    EXPECT_EQ(grid.vertices, 12u);
    EXPECT_EQ(grid.openEdges, 10u);
    EXPECT_EQ(grid.valleys, 0u);
}
