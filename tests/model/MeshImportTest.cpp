#include "ImageTestSupport.h"
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

TEST(MeshImportTest, ExtensionOrContentChoosesTheReader) {
    // The extension ignores case; a dot in a folder name is no extension.
    const std::pair<const char*, MeshFormat> names[] = {{"a/b/model.OBJ", MeshFormat::Obj},
                                                        {"x.Off", MeshFormat::Off},
                                                        {"x.stl", MeshFormat::Stl},
                                                        {"x.PLY", MeshFormat::Ply},
                                                        {"dir.obj/mesh", MeshFormat::Unknown},
                                                        {"model.tsm", MeshFormat::Unknown},
                                                        {".obj", MeshFormat::Unknown}};
    for (const auto& [name, format] : names) EXPECT_EQ(MeshFormatFromExtension(name), format) << name;
    // "plywood" is no PLY header, and text without a known first statement announces nothing.
    const std::pair<std::string, MeshFormat> contents[] = {
        {"# comment\n\nCOFF\n3 1 0\n", MeshFormat::Off},
        {"OFF 3 1 0\n", MeshFormat::Off},
        {"solid x\n facet normal 0 0 1\n", MeshFormat::Stl},
        {BinaryStl(CubeMesh(), "solid but binary"), MeshFormat::Stl},
        {"plywood\n", MeshFormat::Unknown},
        {"hello world\n", MeshFormat::Unknown},
        {"", MeshFormat::Unknown}};
    for (const auto& [text, format] : contents) EXPECT_EQ(MeshFormatFromContent(text), format) << text;
}

TEST(MeshImportTest, ContentWinsWhereTheExtensionLies) {
    testimage::TempFolder folder;
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
        const Result<MeshReadCounts> result = ReadMeshFile(folder.Write(c.name, c.bytes), doc);
        EXPECT_TRUE(result.ok()) << result.reason();
        EXPECT_EQ(result->format, c.format);
    }
}

} // namespace
