#include "MeshReaderTestSupport.h"

#include "model/MeshImport.h"
#include "tools/lib/Invariants.h"

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

namespace {

struct Expected {
    const char* file;
    size_t vertices;
    size_t faces;
    size_t quads; // faces with four corners
};

// The counts of the meshes' provenance note and of their own headers.
const Expected kMeshes[] = {
    {"cube_quad.off", 8, 6, 6},     {"cross_quad.off", 40, 38, 38}, {"3torus.off", 19, 23, 23},
    {"cactus.off", 620, 1236, 0},   {"bunny.obj", 1839, 3674, 0},   {"cube-shuffled.off", 8, 12, 0},
    {"hedra_open.off", 6, 6, 0},    {"icosahedron.off", 12, 20, 0}, {"tripod.off", 24, 44, 0},
    {"geosphere.off", 162, 320, 0},
};

TEST(MeshImportTest, EveryCommittedMeshReadsWithItsCounts) {
    for (const Expected& mesh : kMeshes) {
        SCOPED_TRACE(mesh.file);
        Document doc;
        EngineCompletion completion;
        const MeshReadResult result = ReadMeshFile(MeshDataDir() + mesh.file, doc, &completion);
        ASSERT_TRUE(result.ok) << result.message;
        EXPECT_EQ(result.skippedFaces, 0);
        ASSERT_EQ(doc.model->solids.size(), 1u);
        const CSolid& solid = *doc.model->solids[0];
        EXPECT_EQ(solid.vertices.size(), mesh.vertices);
        EXPECT_EQ(solid.faces.size(), mesh.faces);
        size_t quads = 0;
        for (auto& face : solid.faces) {
            quads += face->CornerCount() == 4;
            // The completion ran: rings are closed and planes have unit normals.
            EXPECT_EQ(face->Corner(face->CornerCount() - 1)->next, face->Corner(0));
            EXPECT_NEAR(Length(face->Normal()), 1.0, 1e-9);
        }
        EXPECT_EQ(quads, mesh.quads);
        EXPECT_TRUE(CheckModelInvariants(doc).empty());
    }
}

TEST(MeshImportTest, ExtensionChoosesTheReaderIgnoringCase) {
    EXPECT_EQ(MeshFormatFromExtension("a/b/model.OBJ"), MeshFormat::Obj);
    EXPECT_EQ(MeshFormatFromExtension("x.Off"), MeshFormat::Off);
    EXPECT_EQ(MeshFormatFromExtension("x.stl"), MeshFormat::Stl);
    EXPECT_EQ(MeshFormatFromExtension("x.PLY"), MeshFormat::Ply);
    // A dot in a folder name is no extension.
    EXPECT_EQ(MeshFormatFromExtension("dir.obj/mesh"), MeshFormat::Unknown);
    EXPECT_EQ(MeshFormatFromExtension("model.tsm"), MeshFormat::Unknown);
    EXPECT_EQ(MeshFormatFromExtension(".obj"), MeshFormat::Unknown);
}

TEST(MeshImportTest, ContentAnnouncesItsFormat) {
    EXPECT_EQ(MeshFormatFromContent("ply\nformat ascii 1.0\n"), MeshFormat::Ply);
    EXPECT_EQ(MeshFormatFromContent("# comment\n\nCOFF\n3 1 0\n"), MeshFormat::Off);
    EXPECT_EQ(MeshFormatFromContent("OFF 3 1 0\n"), MeshFormat::Off);
    EXPECT_EQ(MeshFormatFromContent("solid x\n facet normal 0 0 1\n"), MeshFormat::Stl);
    EXPECT_EQ(MeshFormatFromContent(BinaryStl(CubeMesh(), "solid but binary")), MeshFormat::Stl);
    EXPECT_EQ(MeshFormatFromContent("# exported\nv 0 0 0\n"), MeshFormat::Obj);
    // "plywood" is no PLY header, and text without a known first statement announces nothing.
    EXPECT_EQ(MeshFormatFromContent("plywood\n"), MeshFormat::Unknown);
    EXPECT_EQ(MeshFormatFromContent("hello world\n"), MeshFormat::Unknown);
    EXPECT_EQ(MeshFormatFromContent(""), MeshFormat::Unknown);
}

TEST(MeshImportTest, ContentWinsWhereTheExtensionLies) {
    ScratchFolder folder;
    const std::string off = LoadFile(MeshDataDir() + "cube_quad.off");
    const struct {
        std::string name;
        std::string bytes;
        MeshFormat format;
    } cases[] = {
        {"really_off.stl", off, MeshFormat::Off},
        {"really_ply.obj", WritePly(CubeMesh(), PlyEncoding::Little), MeshFormat::Ply},
        {"really_stl.off", BinaryStl(CubeMesh()), MeshFormat::Stl},
        {"really_obj.ply", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", MeshFormat::Obj},
        {"no_extension", off, MeshFormat::Off},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc;
        const MeshReadResult result = ReadMeshFile(folder.Write(c.name, c.bytes), doc);
        EXPECT_TRUE(result.ok) << result.message;
        EXPECT_EQ(result.format, c.format);
    }
}

TEST(MeshImportTest, UnreadableFilesFailWithTheirName) {
    ScratchFolder folder;
    Document doc;
    // Missing file.
    MeshReadResult result = ReadMeshFile("/nonexistent/dir/gone.obj", doc);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "gone.obj: the file cannot be opened");
    // A folder is no file, whatever its name.
    std::filesystem::create_directory(folder.Path("x.obj"));
    result = ReadMeshFile(folder.Path("x.obj"), doc);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "x.obj: the file cannot be opened");
    // Neither extension nor content names a mesh format.
    result = ReadMeshFile(folder.Write("notes.txt", "hello world\n"), doc);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "notes.txt: the file is not an OBJ, OFF, STL or PLY mesh");
    // An empty OBJ file holds no face.
    result = ReadMeshFile(folder.Write("empty.obj", ""), doc);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "empty.obj: the file holds no face with three or more distinct corners");
    // Failures leave the document as it was.
    EXPECT_TRUE(doc.model->solids.empty());
    EXPECT_TRUE(doc.model->materials.empty());
}

} // namespace
