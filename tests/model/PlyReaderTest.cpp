#include "MeshReaderTestSupport.h"

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

namespace {

MeshRead Ply(const std::string& bytes) {
    return ReadMesh(bytes, MeshFormat::Ply, "box.ply");
}

std::vector<std::vector<Vec3>> FaceCorners(const MeshRead& read) {
    std::vector<std::vector<Vec3>> faces;
    for (auto& face : read.SolidAt().faces) {
        faces.emplace_back();
        for (auto& h : face->halfEdges) faces.back().push_back(h->vertex->position);
    }
    return faces;
}

TEST(PlyReaderTest, AllThreeEncodingsGiveTheSameModel) {
    SimpleMesh cube = CubeMesh();
    // Coordinates that need every bit of a double.
    cube.vertices[6] = {1.0 / 3.0, 1e-300, -12345.678901234567};
    const MeshRead ascii = Ply(WritePly(cube, PlyEncoding::Ascii));
    const MeshRead little = Ply(WritePly(cube, PlyEncoding::Little));
    const MeshRead big = Ply(WritePly(cube, PlyEncoding::Big));
    for (const MeshRead* read : {&ascii, &little, &big}) {
        ASSERT_TRUE(read->result.ok()) << read->result.reason();
        ASSERT_EQ(read->Vertices(), 8u);
        ASSERT_EQ(read->Faces(), 6u);
        for (size_t v = 0; v < 8; ++v) EXPECT_EQ(read->SolidAt().vertices[v]->position, cube.vertices[v]);
    }
    EXPECT_EQ(FaceCorners(ascii), FaceCorners(little));
    EXPECT_EQ(FaceCorners(ascii), FaceCorners(big));
}

TEST(PlyReaderTest, AnyScalarTypesAndFacesBeforeVertices) {
    // Big endian; float coordinates, a ushort count with uint16 indices under the other usual name, and
    // the face element declared before the vertices it uses.
    std::string bytes =
        "ply\r\nformat binary_big_endian 1.0\r\nelement face 1\r\n"
        "property list ushort uint16 vertex_index\r\nelement vertex 3\r\n"
        "property float x\r\nproperty float y\r\nproperty float z\r\nproperty list uchar int extra\r\n"
        "end_header\r\n";
    auto putBE = [&](uint32_t value, int size) {
        for (int i = size - 1; i >= 0; --i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    putBE(3, 2);
    for (uint32_t i : {0u, 1u, 2u}) putBE(i, 2);
    const float positions[3][3] = {{0, 0, 0}, {2, 0, 0}, {0, 0.5f, 0}};
    for (const auto& p : positions) {
        for (float c : p) {
            uint32_t bits;
            std::memcpy(&bits, &c, 4);
            putBE(bits, 4);
        }
        putBE(1, 1); // a one-value list the reader skips
        putBE(77, 4);
    }
    const MeshRead read = Ply(bytes);
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    EXPECT_EQ(read.SolidAt().vertices[1]->position, (Vec3{2, 0, 0}));
    EXPECT_EQ(read.SolidAt().vertices[2]->position, (Vec3{0, 0.5, 0}));
    EXPECT_EQ(read.Faces(), 1u);
}

} // namespace
