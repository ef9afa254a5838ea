#include "MeshReaderTestSupport.h"

#include "engine/Topology.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
    BuildEdges(solid);
    EXPECT_EQ(solid.edges.size(), 18u);
    for (auto& edge : solid.edges) EXPECT_NE(edge->halfEdge2, nullptr);
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

TEST(StlReaderTest, EveryBinaryTruncationFailsNamingTheRecord) {
    const std::string full = BinaryStl(CubeMesh());
    for (size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        const MeshRead read = Stl(full.substr(0, length));
        EXPECT_FALSE(read.result.ok());
        if (length < 84) {
            EXPECT_EQ(read.result.reason(),
                      "part.stl: the file ends inside the 84-byte header of a binary STL file");
        } else {
            const size_t record = (length - 84) / 50 + 1;
            EXPECT_EQ(read.result.reason(), "part.stl, triangle " + std::to_string(record) +
                                                ": the file ends inside this record (12 triangles declared)");
        }
        EXPECT_TRUE(read.doc->model->solids.empty());
    }
}

TEST(StlReaderTest, BadCoordinatesAndMalformedLinesAreRefused) {
    SimpleMesh mesh{{{0, 0, 0}, {1, 0, 0}, {0, std::numeric_limits<double>::infinity(), 0}}, {{0, 1, 2}}};
    std::string huge(80, ' ');
    PutLE32(huge, 0xFFFFFFFFu);
    const std::string facet = "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n";
    ExpectRefused(
        MeshFormat::Stl, "part.stl",
        {
            {facet + "vertex 0 1 zero\nendloop\nendfacet\nendsolid s\n",
             "part.stl, line 6: \"zero\" is not a number"},
            {facet + "vertex 0 1\nendloop\nendfacet\nendsolid s\n",
             "part.stl, line 6: a vertex needs three coordinates"},
            {facet + "endfacet\n", "part.stl, line 6: \"endfacet\" is not expected here"},
            {"solid s\nvertex 0 0 0\nendsolid s\n", "part.stl, line 2: \"vertex\" is not expected here"},
            {"solid s\nfacet normal 0 0 1\nloop\n", "part.stl, line 3: \"loop\" is not expected here"},
            // Truncated text: inside a facet, or before "endsolid".
            {facet, "part.stl, line 5: the file ends inside a facet or before \"endsolid\""},
            {facet + "vertex 0 1 0\nendloop\nendfacet\n",
             "part.stl, line 8: the file ends inside a facet or before \"endsolid\""},
            {BinaryStl(mesh), "part.stl, triangle 1: a corner has a coordinate that is not a finite number"},
            // A huge declared count is refused before any room is reserved.
            {huge + std::string(50, '\0'),
             "part.stl, triangle 2: the file ends inside this record (4294967295 triangles declared)"},
        });
}

} // namespace
