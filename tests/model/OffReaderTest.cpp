#include "MeshReaderTestSupport.h"

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

namespace {

MeshRead Off(const std::string& text) {
    return ReadMesh(text, MeshFormat::Off, "shape.off");
}

TEST(OffReaderTest, ReadsVerticesAndPolygonsInFileOrder) {
    const MeshRead read = Off(LoadFile(MeshDataDir() + "cube_quad.off"));
    ASSERT_TRUE(read.result.ok) << read.result.message;
    ASSERT_EQ(read.Vertices(), 8u);
    ASSERT_EQ(read.Faces(), 6u);
    EXPECT_EQ(read.Solid().vertices[0]->position, (Vec3{-1, -1, -1}));
    EXPECT_EQ(read.Solid().vertices[7]->position, (Vec3{1, -1, 1}));
    // The file's faces point outwards: the first one ("0 3 7 4") lies in y = -1.
    EXPECT_NEAR(read.Solid().faces[0]->plane[1], -1.0, 1e-12);
    EXPECT_TRUE(read.doc->model->materials.empty());
}

TEST(OffReaderTest, ColoursNormalsAndCommentsAreIgnored) {
    // COFF: four colour values per vertex; face colours after the corner list; comments and blank lines
    // anywhere; the counts on the keyword's own line.
    const MeshRead coloured = Off("# a comment\n\nCOFF 3 1 0\n0 0 0 255 0 0 255\n1 0 0 0 255 0 255 # x\n"
                                  "\n0 1 0 0 0 255 255\n3 0 1 2 0.5 0.5 0.5\n");
    ASSERT_TRUE(coloured.result.ok) << coloured.result.message;
    EXPECT_EQ(coloured.Vertices(), 3u);
    EXPECT_EQ(coloured.Faces(), 1u);
    EXPECT_TRUE(coloured.doc->model->materials.empty());
    // NOFF: a normal after each vertex.
    const MeshRead normals = Off("NOFF\r\n3 1 3\r\n0 0 0 0 0 1\r\n1 0 0 0 0 1\r\n0 1 0 0 0 1\r\n3 0 1 2\r\n");
    ASSERT_TRUE(normals.result.ok) << normals.result.message;
    EXPECT_EQ(normals.Solid().vertices[1]->position, (Vec3{1, 0, 0}));
}

TEST(OffReaderTest, MalformedLinesNameFileAndLine) {
    const std::string head = "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n";
    // Room for the declared counts, so that the line itself is what fails.
    const std::string padding = "\n# ........................................\n";
    ExpectRefused(
        MeshFormat::Off, "shape.off",
        {
            {"", "shape.off: the file holds no OFF header"},
            {"# only a comment\n", "shape.off: the file holds no OFF header"},
            {"PLY\n", "shape.off, line 1: \"PLY\" is not an OFF header"},
            {"4OFF\n3 1 0\n", "shape.off, line 1: only three-dimensional OFF files can be read"},
            {"OFF\n", "shape.off, line 1: the file ends before the vertex and face counts"},
            {"OFF\n3\n", "shape.off, line 2: the vertex and face counts are not two counts"},
            {"OFF\n-3 1 0\n", "shape.off, line 2: the vertex and face counts are not two counts"},
            {"OFF\n3 1 0\n0 0 0\n1 0" + padding, "shape.off, line 4: a vertex needs three coordinates"},
            {"OFF\n3 1 0\n0 0 0\n1 0 zero" + padding, "shape.off, line 4: \"zero\" is not a number"},
            {head + "3 0 1 3\n", "shape.off, line 6: vertex index 3 is outside the 3 vertices"},
            {head + "3 0 1 -1\n", "shape.off, line 6: vertex index -1 is outside the 3 vertices"},
            {head + "4 0 1 2\n",
             "shape.off, line 6: the face lists 4 corners but the line holds only 3 indices"},
            {head + "three 0 1 2\n", "shape.off, line 6: \"three\" is not a corner count"},
            {head + "3 0 1.5 2\n", "shape.off, line 6: \"1.5\" is not a vertex index"},
        });
}

TEST(OffReaderTest, TruncationsFailAtTheLastLine) {
    // Every cut inside the vertex or face lists either loses a whole line (the count is missing) or
    // leaves a broken one; neither reads as a complete file.
    const std::string full = "OFF\n4 2 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2 3\n";
    const size_t bodyStart = full.find("0 0 0");
    for (size_t length = bodyStart; length + 2 < full.size(); ++length) {
        SCOPED_TRACE(length);
        const MeshRead read = Off(full.substr(0, length));
        EXPECT_FALSE(read.result.ok);
        EXPECT_EQ(read.result.message.rfind("shape.off, line ", 0), 0u) << read.result.message;
    }
    // With room for the counts, the end of the file itself is the failure, at the last line read.
    const std::string padding = "# ........................................\n";
    const MeshRead ended = Off("OFF\n3 2 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n" + padding);
    EXPECT_EQ(ended.result.message, "shape.off, line 7: the file ends after 1 of 2 faces");
    const MeshRead noVertices = Off("OFF\n3 1 0\n0 0 0\n" + padding);
    EXPECT_EQ(noVertices.result.message, "shape.off, line 4: the file ends after 1 of 3 vertices");
}

TEST(OffReaderTest, HugeDeclaredCountsAreRefusedBeforeReserving) {
    // A tiny file declaring two billion vertices must not make the reader reserve room for them.
    const MeshRead vertices = Off("OFF\n2000000000 1 0\n0 0 0\n");
    EXPECT_FALSE(vertices.result.ok);
    EXPECT_EQ(
        vertices.result.message,
        "shape.off, line 2: the file declares 2000000000 vertices and 1 faces, more than its 6 remaining "
        "bytes can hold");
    const MeshRead faces = Off("OFF\n3 2000000000 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    EXPECT_FALSE(faces.result.ok);
    EXPECT_NE(faces.result.message.find("declares 3 vertices and 2000000000 faces"), std::string::npos);
    // Counts beyond 32 bits are no counts at all.
    const MeshRead beyond = Off("OFF\n99999999999 1 0\n");
    EXPECT_EQ(beyond.result.message, "shape.off, line 2: the vertex and face counts are not two counts");
    // The tightest file that holds its counts still reads.
    const MeshRead tight = Off("OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2");
    EXPECT_TRUE(tight.result.ok) << tight.result.message;
}

} // namespace
