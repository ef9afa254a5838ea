#include "model/ObjMaterials.h"

#include "ImageTestSupport.h"
#include "MeshReaderTestSupport.h"
#include "TexturedModelSupport.h"

#include <gtest/gtest.h>

namespace tsm {
namespace {

using namespace testimage;
using test::MeshRead;

// A unit cube; its faces take the quadrants of the checker by the texture coordinates given here (OBJ
// counts v up the image), two of them through coordinates a period away.
constexpr const char* kCube =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
    "vt 0.1 0.6\nvt 0.4 0.6\nvt 0.4 0.9\nvt 0.1 0.9\n"     // top left: red
    "vt 1.6 0.6\nvt 1.9 0.6\nvt 1.9 0.9\nvt 1.6 0.9\n"     // top right a period on: green
    "vt 0.1 -0.9\nvt 0.4 -0.9\nvt 0.4 -0.6\nvt 0.1 -0.6\n" // bottom left a period down: blue
    "vt 0.6 0.1\nvt 0.9 0.1\nvt 0.9 0.4\nvt 0.6 0.4\n"     // bottom right: yellow
    "usemtl checker\nf 1/1 4/2 3/3 2/4\nf 5/5 6/6 7/7 8/8\nf 1/9 2/10 6/11 5/12\nf 2/13 3/14 7/15 6/16\n"
    "usemtl red\nf 3 4 8 7\nusemtl lost\nf 4 1 5 8\n";

MeshRead ReadIn(const TempFolder& folder, const std::string& obj) {
    MeshRead read;
    test::RecordingCompletion completion;
    read.result = ReadMeshBytes(obj, "cube.obj", MeshFormat::Obj, *read.doc, &completion, folder.File(""));
    return read;
}

TEST(ObjMaterialsTest, EveryFaceShowsTheTextureColourAtItsTextureCentre) {
    TempFolder folder;
    folder.Write("my tex.png", Png(8, 8, Checker(4)));
    folder.Write("lib one.mtl", "newmtl checker\nKd 1 1 1\nmap_Kd -blendu on -s 1 1 1 my tex.png\n");
    folder.Write("b.mtl",
                 "# second library\nnewmtl red\nKd 1 0 0\nnewmtl lost\nKd 0 0.5 1\nmap_Kd sub/gone.png\n");
    const MeshRead read =
        ReadIn(folder, std::string("mtllib lib one.mtl\nmtllib b.mtl absent.mtl\n") + kCube);
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    EXPECT_EQ(
        read.result->warnings,
        (std::vector<std::string>{"absent.mtl: the material library cannot be read; its materials have no "
                                  "colour or texture",
                                  folder.File("sub/gone.png") +
                                      ": the texture image is missing; the model comes in without it"}));
    const Mesh& model = *read.doc->model;
    ASSERT_EQ(model.materials.size(), 3u);
    ASSERT_NE(model.materials[0]->texture, nullptr);
    EXPECT_EQ(model.materials[0]->texture->width, 64);
    EXPECT_EQ(model.materials[0]->imageWidth, 8);
    EXPECT_EQ(model.materials[0]->bitmap, nullptr);  // no second copy until a size limit shrinks the texture
    EXPECT_EQ(model.materials[2]->texture, nullptr); // the missing image: untextured, colour kept
    const float red[3] = {1, 0, 0}, lost[3] = {0, 0.5f, 1};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(model.materials[1]->flatColor[c], red[c]);
        EXPECT_NEAR(model.materials[2]->diffuse[c], lost[c], 1 / 255.0); // kept to 8 bits
    }
    const std::array<uint8_t, 3> expected[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    const auto& faces = read.SolidAt().faces;
    for (size_t f = 0; f < 4; ++f) EXPECT_EQ(FaceColour(model, *faces[f]), expected[f]) << "face " << f;
}

TEST(ObjMaterialsTest, TexturesNamedOnAnotherMachineAreFoundByNameAndUndefinedMaterialsAreGrey) {
    TempFolder folder;
    std::filesystem::create_directories(folder.File("textures/old"));
    folder.Write("textures/my tex.png", Png(8, 8, Checker(4)));
    folder.Write("textures/old/MY TEX.PNG", Png(8, 8, std::vector<uint8_t>(8 * 8 * 3, 0)));
    // Kd does not tint the texture.
    folder.Write("m.mtl", "newmtl checker\r\nKd 0 0 1\r\nmap_Kd C:\\Users\\x\\Textures\\My Tex.PNG\r\n"
                          "newmtl red\nKd 1 0 0\n");
    folder.Write("n.mtl", "newmtl red\nKd 0 1 0\n"); // a later library does not redefine a material
    const MeshRead read = ReadIn(folder, std::string("mtllib M.MTL n.mtl\n") + kCube);
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    EXPECT_EQ(
        read.result->warnings,
        (std::vector<std::string>{
            "M.MTL: the material library is not there; " + folder.File("m.mtl") + " is used in its place",
            folder.File("C:/Users/x/Textures/My Tex.PNG") + ": the texture image is not there; " +
                folder.File("textures/my tex.png") + " is used in its place",
            "\"lost\": no material library defines this material; it comes in grey"}));
    const Mesh& model = *read.doc->model;
    EXPECT_EQ(model.materials[1]->flatColor[0], 1);
    EXPECT_EQ(model.materials[2]->flatColor[0], 0.6f);
    const std::array<uint8_t, 3> expected[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    for (size_t f = 0; f < 4; ++f)
        EXPECT_EQ(FaceColour(model, *read.SolidAt().faces[f]), expected[f]) << "face " << f;
}

TEST(ObjMaterialsTest, ClampIsBakedIntoTheImageAndTheCoordinates) {
    // Clamped: the face beyond the image shows the edge colour the clamped sampler would give.
    TempFolder folder;
    folder.Write("t.png", Png(8, 8, Checker(4)));
    folder.Write("m.mtl", "newmtl m\nmap_Kd -clamp on t.png\n");
    const MeshRead read =
        ReadIn(folder, "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                       "vt 0.1 0.9\nvt 0.4 0.9\nvt 0.1 0.6\nvt 2.1 0.9\nvt 2.4 0.9\nvt 2.1 0.6\n"
                       "usemtl m\nf 1/1 2/2 3/3\nf 2/4 4/5 3/6\n");
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    const Mesh& model = *read.doc->model;
    EXPECT_EQ(FaceColour(model, *read.SolidAt().faces[0]), (std::array<uint8_t, 3>{255, 0, 0}));
    EXPECT_EQ(FaceColour(model, *read.SolidAt().faces[1]), (std::array<uint8_t, 3>{0, 255, 0}));
}

} // namespace
} // namespace tsm
