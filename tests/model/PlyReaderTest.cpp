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

TEST(PlyReaderTest, EveryBinaryTruncationFails) {
    for (PlyEncoding encoding : {PlyEncoding::Little, PlyEncoding::Big}) {
        const std::string full = WritePly(CubeMesh(), encoding);
        for (size_t length = 0; length < full.size(); ++length) {
            SCOPED_TRACE(length);
            const MeshRead read = Ply(full.substr(0, length));
            EXPECT_FALSE(read.result.ok());
            EXPECT_EQ(read.result.reason().rfind("box.ply, ", 0), 0u) << read.result.reason();
            EXPECT_TRUE(read.doc->model->solids.empty());
        }
        // Vertex records are 25 bytes, face records 19 (a count, four ints, a short): 100 bytes into the
        // faces ends inside the sixth face, with enough bytes left for the declared counts.
        const size_t body = full.find("end_header\n") + 11;
        const MeshRead cut = Ply(full.substr(0, body + 8 * 25 + 100));
        EXPECT_EQ(cut.result.reason(), "box.ply, face 6: the file ends inside this record");
        const MeshRead noEdge = Ply(full.substr(0, full.size() - 1));
        EXPECT_EQ(noEdge.result.reason(), "box.ply, edge 1: the file ends inside this record");
    }
}

TEST(PlyReaderTest, MalformedHeadersAndAsciiBodiesNameTheLine) {
    const std::string vertex = "element vertex 3\nproperty float x\nproperty float y\nproperty float z\n";
    const std::string face = "element face 1\nproperty list uchar int vertex_indices\n";
    const std::string header = "ply\nformat ascii 1.0\n" + vertex + face + "end_header\n";
    const std::string padding = "\n\n\n\n\n\n\n\n\n\n";
    const std::string body = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    ExpectRefused(
        MeshFormat::Ply, "box.ply",
        {
            {"", "box.ply, line 1: the file does not begin with \"ply\""},
            {"ply\nformat ascii 1.0\n" + vertex + face,
             "box.ply, line 8: the file ends before \"end_header\""},
            {"ply\n" + vertex + face + "end_header\n" + body,
             "box.ply, line 8: the header has no format line"},
            {"ply\nformat text 1.0\n", "box.ply, line 2: \"text\" is not a PLY format"},
            {"ply\nformat ascii\n", "box.ply, line 2: the format line needs a kind and a version"},
            {"ply\nformat ascii 1.0\nproperty float x\n",
             "box.ply, line 3: a property comes before any element"},
            {"ply\nformat ascii 1.0\nelement vertex -1\n",
             "box.ply, line 3: an element needs a name and a count"},
            {"ply\nformat ascii 1.0\nelement vertex 3\nproperty real x\n",
             "box.ply, line 4: the property has no known type and name"},
            {"ply\nformat ascii 1.0\nbogus\n", "box.ply, line 3: \"bogus\" is not a PLY header keyword"},
            {"ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n" + face +
                 "end_header\n" + body,
             "box.ply, line 3: the vertex element lacks an x, y or z property"},
            {"ply\nformat ascii 1.0\n" + vertex +
                 "element face 1\nproperty list uchar int corners\nend_header\n" + body,
             "box.ply, line 7: the face element has no vertex index list"},
            {"ply\nformat ascii 1.0\n" + vertex + "end_header\n" + body,
             "box.ply: the file declares no vertex or no face element"},
            {header + "0 0 0\n1 x 0\n0 1 0\n3 0 1 2\n", "box.ply, line 11: \"x\" is not a number"},
            {header + "0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n",
             "box.ply, line 13: a vertex index is outside the 3 vertices"},
            {header + "0 0 0\n1 0 0\n0 1 0\n3 0 1 -2\n", "box.ply, line 13: a vertex index is not an index"},
            {header + "0 0 0\n1 0 0\n0 1 0\n3 0 1.5 2\n", "box.ply, line 13: a vertex index is not an index"},
            {header + "0 0 0\n1 0 0\n0 1 0\n2.5 0 1 2\n", "box.ply, line 13: a list length is not a count"},
            // A length beyond any count must not be converted to an integer at all.
            {header + "0 0 0\n1 0 0\n0 1 0\n1e300 0 1 2\n", "box.ply, line 13: a list length is not a count"},
            {header + "0 0 0\n1 0 0\n0 1 0\n3 0 1" + padding,
             "box.ply, line 23: the file ends inside this record"},
            // Huge declared counts are refused before any room is reserved: the records', and a face list's.
            {"ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\n" + vertex.substr(17) + face +
                 "end_header\n0123",
             "box.ply, line 3: the element \"vertex\" declares 4000000000 records, more than the file's "
             "remaining 4 bytes can hold"},
            {"ply\nformat binary_little_endian 1.0\nelement vertex 0\n" + vertex.substr(17) +
                 "element face 1\nproperty list uint int vertex_indices\nend_header\n\xF0\xFF\xFF\xFF" +
                 "abcd",
             "box.ply, face 1: the file ends inside this record"},
        });
}

} // namespace
