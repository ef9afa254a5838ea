#include "MeshReaderTestSupport.h"

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

namespace {

const char* const kSquareVertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

std::vector<Vec3> CornerPositions(const Face& face) {
    std::vector<Vec3> positions;
    for (auto& h : face.halfEdges) positions.push_back(h->vertex->position);
    return positions;
}

MeshRead Obj(const std::string& text) {
    return ReadMesh(text, MeshFormat::Obj, "model.obj");
}

TEST(ObjReaderTest, PolygonsMaterialsAndTextureCoordinatesReachTheFaces) {
    const MeshRead read =
        Obj(std::string(kSquareVertices) +
            "v 0.5 2 0\nvt 0.25 0.5\nvt 0.75\nvt 1 1 0\n"
            "f 1 2 3 5 4\nusemtl red\nf 1/1 2/2/1 3/-1\nusemtl blue\nf 1 2 5\nusemtl red\nf 2 3 4\n");
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    const auto& faces = read.SolidAt().faces;
    ASSERT_EQ(faces.size(), 4u);
    // A polygon keeps all its corners, counter-clockwise seen from +z.
    EXPECT_EQ(faces[0]->CornerCount(), 5u);
    EXPECT_EQ(CornerPositions(*faces[0]),
              (std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5, 2, 0}, {0, 1, 0}}));
    // One material per distinct name; faces before any "usemtl" have none.
    ASSERT_EQ(read.doc->model->materials.size(), 2u);
    EXPECT_EQ(read.doc->model->materials[1]->name, "blue");
    EXPECT_EQ((std::vector<int>{faces[0]->materialIndex, faces[1]->materialIndex, faces[2]->materialIndex,
                                faces[3]->materialIndex}),
              (std::vector<int>{-1, 0, 1, 0}));
    // Corners in file order (a triangle is never rotated); a missing v is 0, and no "vt" gives 0 0. OBJ
    // counts v up the image, the model down: v arrives turned over.
    const Face& textured = *faces[1];
    EXPECT_EQ((std::vector<double>{textured.Corner(0)->u, textured.Corner(0)->v, textured.Corner(1)->u,
                                   textured.Corner(1)->v, textured.Corner(2)->u, textured.Corner(2)->v,
                                   faces[2]->Corner(0)->u, faces[2]->Corner(0)->v}),
              (std::vector<double>{0.25, 0.5, 0.75, 1, 1, 0, 0, 0}));
}

TEST(ObjReaderTest, NegativeIndicesCountBackFromTheLastVertex) {
    // Relative indices refer to the vertices read so far, not to the whole file.
    const MeshRead relative = Obj(std::string(kSquareVertices) + "f -4 -3 -2 -1\nv 9 9 9\n");
    const MeshRead absolute = Obj(std::string(kSquareVertices) + "f 1 2 3 4\nv 9 9 9\n");
    ASSERT_TRUE(relative.result.ok()) << relative.result.reason();
    ASSERT_TRUE(absolute.result.ok());
    EXPECT_EQ(CornerPositions(*relative.SolidAt().faces[0]), CornerPositions(*absolute.SolidAt().faces[0]));
    // Mixed forms with slashes.
    const MeshRead mixed = Obj(std::string(kSquareVertices) + "vt 0 0\nf 1/-1 -3//1 3/1/2 -1\n");
    ASSERT_TRUE(mixed.result.ok()) << mixed.result.reason();
    EXPECT_EQ(CornerPositions(*mixed.SolidAt().faces[0]), CornerPositions(*absolute.SolidAt().faces[0]));
}

TEST(ObjReaderTest, GroupsAndObjectsBecomeSolids) {
    const MeshRead read = Obj(std::string(kSquareVertices) + "v 0 0 1\n"
                                                             "f 1 2 3\n" // before any group: an unnamed solid
                                                             "o Body\nf 1 3 4\n"
                                                             "g Lid Top\nf 1 2 5\n"
                                                             "o Body\nf 2 3 5\n"); // back to an earlier solid
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    std::vector<std::pair<std::string, size_t>> solids;
    for (const auto& solid : read.doc->model->solids) solids.emplace_back(solid->name, solid->faces.size());
    ASSERT_EQ(solids, (std::vector<std::pair<std::string, size_t>>{{"", 1}, {"Body", 2}, {"Lid Top", 1}}));
    // Each solid owns the vertices its faces use, in file order; vertex 5 is shared, so two solids copy it.
    ASSERT_EQ(read.SolidAt(1).vertices.size(), 5u);
    EXPECT_EQ(read.SolidAt(1).vertices[4]->position, (Vec3{0, 0, 1}));
    EXPECT_EQ(read.SolidAt(2).vertices.size(), 3u);
    for (size_t s = 0; s < 3; ++s)
        for (auto& face : read.SolidAt(s).faces) {
            EXPECT_EQ(face->solid, &read.SolidAt(s));
            for (auto& h : face->halfEdges) {
                bool owned = false;
                for (auto& v : read.SolidAt(s).vertices) owned = owned || v.get() == h->vertex;
                EXPECT_TRUE(owned) << "a corner names a vertex of another solid";
            }
        }
    // An empty group creates no solid.
    const MeshRead empty = Obj(std::string(kSquareVertices) + "g unused\ng used\nf 1 2 3\n");
    ASSERT_EQ(empty.doc->model->solids.size(), 1u);
    EXPECT_EQ(empty.SolidAt().name, "used");
}

TEST(ObjReaderTest, IgnoresWhatAPaperModelDoesNotKeep) {
    // Comments (one ending in a backslash), normals, smoothing, libraries, lines, CRLF line ends, tabs,
    // trailing blanks, a statement continued over lines.
    const MeshRead read = Obj("# exported from C:\\\r\nmtllib x.mtl\r\nv 0 0 0 1\r\nv\t1 0 0\r\nv 0 1 0 \r\n"
                              "vn 0 0 1\r\ns off\r\nl 1 2\r\nf 1//1 2//1 \\ \r\n  3//1 # a comment\r\n");
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    EXPECT_EQ(read.Vertices(), 3u);
    EXPECT_EQ(read.Faces(), 1u);
}

} // namespace
