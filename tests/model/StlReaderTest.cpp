#include "MeshReaderTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace tsm;
using namespace tsm::test;

namespace {

MeshRead Stl(const std::string& bytes) {
    return ReadMesh(bytes, MeshFormat::Stl, "part.stl");
}

// ASCII STL of the mesh, each face fanned into triangles, all in one solid.
std::string AsciiStl(const SimpleMesh& mesh, const std::string& name) {
    std::string out = "solid " + name + "\n";
    for (auto& f : mesh.faces)
        for (size_t i = 2; i < f.size(); ++i) {
            out += "  facet normal 0 0 0\n    outer loop\n";
            for (int c : {f[0], f[i - 1], f[i]}) {
                const Vec3& p = mesh.vertices[static_cast<size_t>(c)];
                char line[96];
                std::snprintf(line, sizeof line, "      vertex %g %g %g\n", p.x, p.y, p.z);
                out += line;
            }
            out += "    endloop\n  endfacet\n";
        }
    return out + "endsolid " + name + "\n";
}

// Every edge of a closed cube's triangles pairs with another once the corners share vertices.
void ExpectClosedCube(const MeshRead& read) {
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    ASSERT_EQ(read.doc->model->solids.size(), 1u);
    Solid& solid = *read.doc->model->solids[0];
    EXPECT_EQ(solid.vertices.size(), 8u);
    EXPECT_EQ(solid.faces.size(), 12u);
    std::map<std::pair<const Vertex*, const Vertex*>, int> sides;
    for (auto& face : solid.faces)
        for (size_t i = 0, n = face->CornerCount(); i < n; ++i)
            ++sides[std::minmax(face->Corner(i)->vertex, face->Corner((i + 1) % n)->vertex)];
    EXPECT_EQ(sides.size(), 18u);
    for (const auto& [ends, count] : sides) EXPECT_EQ(count, 2);
}

TEST(StlReaderTest, AsciiCornersWithEqualCoordinatesBecomeOneVertex) {
    const MeshRead read = Stl(AsciiStl(CubeMesh(), "cube"));
    ExpectClosedCube(read);
    EXPECT_EQ(read.SolidAt().name, "cube");
    // Vertices in order of first appearance: the first triangle is 0, 3, 2 of the cube.
    EXPECT_EQ(read.SolidAt().vertices[1]->position, (Vec3{0, 1, 0}));
}

TEST(StlReaderTest, BinaryCornersWithEqualCoordinatesBecomeOneVertex) {
    ExpectClosedCube(Stl(BinaryStl(CubeMesh())));
    // A binary header that begins with "solid" is still binary: its size gives it away.
    ExpectClosedCube(Stl(BinaryStl(CubeMesh(), "solid looks like text")));
}

TEST(StlReaderTest, MergingIsExact) {
    SimpleMesh mesh{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-0.0, 0, 0}, {1, 0, 0}, {0, -1, 0}, {1e-6, 0, 0}},
                    {{0, 1, 2}, {3, 5, 4}, {6, 5, 1}}};
    const MeshRead read = Stl(BinaryStl(mesh));
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    // 0 and -0 are one point; a point 1e-6 away is another.
    EXPECT_EQ(read.Vertices(), 5u);
}

TEST(StlReaderTest, EachAsciiSolidIsASolidOfTheModel) {
    SimpleMesh triangle{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}};
    const MeshRead read =
        Stl(AsciiStl(triangle, "first") + AsciiStl(triangle, "second part") + "solid\nendsolid\n");
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    ASSERT_EQ(read.doc->model->solids.size(), 2u); // the empty third solid adds nothing
    EXPECT_EQ(read.SolidAt(0).name, "first");
    EXPECT_EQ(read.SolidAt(1).name, "second part");
    EXPECT_EQ(read.SolidAt(1).vertices.size(), 3u);
}

} // namespace
