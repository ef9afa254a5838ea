#include "model/GltfReader.h"

#include "ImageTestSupport.h"
#include "MeshReaderTestSupport.h"
#include "TexturedModelSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tsm {
namespace {

using namespace testimage;
using test::MeshRead;

std::string Base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t rest = bytes.size() - i;
        uint32_t n = uint32_t(uint8_t(bytes[i])) << 16;
        if (rest > 1) n |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (rest > 2) n |= uint8_t(bytes[i + 2]);
        out += digits[(n >> 18) & 63];
        out += digits[(n >> 12) & 63];
        out += rest > 1 ? digits[(n >> 6) & 63] : '=';
        out += rest > 2 ? digits[n & 63] : '=';
    }
    return out;
}

template <typename T> void Append(std::string& out, std::initializer_list<T> values) {
    for (T value : values) out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// Two materials: a checker texture on a quad whose u runs over two periods (sampler mirrored in u), and a
// plain colour (linear 0.5 red) on a triangle; the node moves everything by (10, 0, 0).
struct TwoMaterialFile {
    std::string bin;
    std::string json;
};

TwoMaterialFile TwoMaterials(const std::string& extraMaterialJson = "", int wrapS = 33648) {
    TwoMaterialFile file;
    Append<float>(file.bin, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 0, 0});          // 5 positions, 60 bytes
    Append<float>(file.bin, {0.1f, 0.1f, 1.9f, 0.1f, 1.9f, 0.4f, 0.1f, 0.4f, 0, 0}); // 5 uv, 40 bytes
    Append<uint16_t>(file.bin, {0, 1, 2, 0, 2, 3, 1, 4, 2, 0});                      // 9 indices (+pad)
    file.json = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
      "nodes":[{"mesh":0,"translation":[10,0,0]}],
      "meshes":[{"primitives":[
        {"attributes":{"POSITION":0,"TEXCOORD_0":1},"indices":2,"material":0},
        {"attributes":{"POSITION":0,"TEXCOORD_0":1},"indices":3,"material":1}]}],
      "materials":[{"name":"checker","pbrMetallicRoughness":{"baseColorTexture":{"index":0)" +
                extraMaterialJson + R"(}}},
                   {"name":"paint","pbrMetallicRoughness":{"baseColorFactor":[0.5,0,0,1]}}],
      "textures":[{"source":0,"sampler":0}],
      "samplers":[{"wrapS":)" +
                std::to_string(wrapS) + R"(,"wrapT":10497}],
      "images":[{"uri":"data:image/png;base64,)" +
                Base64(Png(8, 8, Checker(4))) + R"("}],
      "buffers":[{"byteLength":120,"uri":"BUFFER"}],
      "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":60},{"buffer":0,"byteOffset":60,"byteLength":40},
                     {"buffer":0,"byteOffset":100,"byteLength":12},{"buffer":0,"byteOffset":112,"byteLength":6}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":5,"type":"VEC3"},
                   {"bufferView":1,"componentType":5126,"count":5,"type":"VEC2"},
                   {"bufferView":2,"componentType":5123,"count":6,"type":"SCALAR"},
                   {"bufferView":3,"componentType":5123,"count":3,"type":"SCALAR"}]})";
    return file;
}

std::string WithDataUri(TwoMaterialFile file) {
    const size_t at = file.json.find("BUFFER");
    return file.json.replace(at, 6, "data:application/octet-stream;base64," + Base64(file.bin));
}

std::string Glb(TwoMaterialFile file) {
    std::string json = file.json;
    const size_t uri = json.find(R"(,"uri":"BUFFER")");
    json.erase(uri, std::strlen(R"(,"uri":"BUFFER")"));
    while (json.size() % 4) json += ' ';
    while (file.bin.size() % 4) file.bin += '\0';
    std::string glb = "glTF";
    Append<uint32_t>(
        glb, {2, uint32_t(12 + 8 + json.size() + 8 + file.bin.size()), uint32_t(json.size()), 0x4E4F534A});
    glb += json;
    Append<uint32_t>(glb, {uint32_t(file.bin.size()), 0x004E4942});
    return glb + file.bin;
}

MeshRead Gltf(const std::string& bytes, const std::string& name = "model.gltf") {
    return test::ReadMesh(bytes, MeshFormat::Gltf, name);
}

TEST(GltfReaderTest, TwoMaterialsTransformsAndAMirroredTextureArriveAsDrawn) {
    const TwoMaterialFile file = TwoMaterials();
    for (const auto& [name, bytes] :
         {std::pair{"data URI", WithDataUri(file)}, std::pair{"glb", Glb(file)}}) {
        SCOPED_TRACE(name);
        const MeshRead read = Gltf(bytes);
        ASSERT_TRUE(read.result.ok()) << read.result.reason();
        EXPECT_EQ(read.result->faces, 3);
        // The quad and the triangle share their corner vertices.
        EXPECT_EQ(read.Vertices(), 5u);
        const Mesh& model = *read.doc->model;
        ASSERT_EQ(model.materials.size(), 2u);
        EXPECT_EQ(model.materials[1]->name, "paint");
        EXPECT_NEAR(model.materials[1]->flatColor[0], 188 / 255.0, 1e-6); // linear 0.5 is sRGB 188
        EXPECT_EQ(model.materials[1]->texture, nullptr);
        double lowest = 1e9;
        for (const auto& v : read.SolidAt().vertices) lowest = std::min(lowest, v->position.x);
        EXPECT_EQ(lowest, 10);
        // Each textured face shows at its texture centre what a mirrored sampler shows there: the
        // centres are u 1.3 (mirrored back to 0.7, where repeating would give 0.3) and u 0.7, both in the
        // top right quadrant (green).
        for (size_t f = 0; f < 2; ++f) {
            const Face& face = *read.SolidAt().faces[f];
            ASSERT_EQ(face.materialIndex, 0);
            EXPECT_EQ(FaceColour(model, face), (std::array<uint8_t, 3>{0, 255, 0})) << "face " << f;
        }
    }
}

TEST(GltfReaderTest, TextureTransformMovesTheCoordinates) {
    // Repeated, the first face's centre (u 1.3) shows red; a quarter scale and half a period on move it
    // to u 0.825, in the top right quadrant.
    const MeshRead moved = Gltf(WithDataUri(TwoMaterials(
        R"(,"extensions":{"KHR_texture_transform":{"offset":[0.5,0],"scale":[0.25,1]}})", 10497)));
    ASSERT_TRUE(moved.result.ok()) << moved.result.reason();
    const Face& face = *moved.SolidAt().faces[0];
    EXPECT_EQ(FaceColour(*moved.doc->model, face), (std::array<uint8_t, 3>{0, 255, 0}));
}

TEST(GltfReaderTest, MaterialsSharingAnImageEachTintTheirOwnCopy) {
    TwoMaterialFile file = TwoMaterials();
    const std::string paint = R"("baseColorFactor":[0.5,0,0,1]})";
    file.json.replace(file.json.find(paint), paint.size(),
                      R"("baseColorFactor":[1,0.5,1,1],"baseColorTexture":{"index":0}})");
    const MeshRead read = Gltf(WithDataUri(file));
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    // Both centres are in the green quadrant (the triangle's at u 1.27, mirrored to 0.73); linear 0.5 of
    // green is sRGB 188 on the triangle only.
    EXPECT_EQ(FaceColour(*read.doc->model, *read.SolidAt().faces[0]), (std::array<uint8_t, 3>{0, 255, 0}));
    EXPECT_EQ(FaceColour(*read.doc->model, *read.SolidAt().faces[2]), (std::array<uint8_t, 3>{0, 188, 0}));
}

// The file with `extra` appended to its buffer as buffer view 4, and `from` in its JSON replaced by `to`.
std::string Edited(const std::string& from, const std::string& to, const std::string& extra = "") {
    TwoMaterialFile file = TwoMaterials();
    file.json.replace(file.json.find(R"(120,"uri")"), 3, std::to_string(120 + extra.size()));
    file.json.replace(file.json.find(R"("byteLength":6})") + 15, 0,
                      R"(,{"buffer":0,"byteOffset":120,"byteLength":)" + std::to_string(extra.size()) + "}");
    file.bin += extra;
    return WithDataUri({file.bin, file.json.replace(file.json.find(from), from.size(), to)});
}

TEST(GltfReaderTest, WhatPublishedFilesDoShowsTheTextureAtEachFaceCentre) {
    const std::string uvs = R"({"bufferView":1,"componentType":5126,"count":5,"type":"VEC2")";
    const std::string sparse = R"(,"sparse":{"count":2,"indices":{"bufferView":4,"componentType":5121},
                                   "values":{"bufferView":4,"byteOffset":4}})";
    // Vertices 2 and 3 moved a period and more down.
    std::string moved;
    Append<uint8_t>(moved, {2, 3, 0, 0});
    Append<float>(moved, {1.9f, 1.4f, 0.1f, 1.4f});
    const std::array<uint8_t, 3> green{0, 255, 0}, yellow{255, 255, 0}, tinted{0, 188, 0};
    const struct {
        const char* name;
        std::string bytes;
        std::array<uint8_t, 3> colours[2];
    } cases[] = {
        {"sparse over a view", Edited(uvs, uvs + sparse, moved), {yellow, yellow}},
        // Vertices 0 and 1 stay at (0, 0).
        {"sparse over zeros",
         Edited(uvs, R"({"componentType":5126,"count":5,"type":"VEC2")" + sparse, moved),
         {green, yellow}},
        {"specular-glossiness",
         Edited(R"("pbrMetallicRoughness":{"baseColorTexture":{"index":0}})",
                R"("extensions":{"KHR_materials_pbrSpecularGlossiness":{"diffuseFactor":[1,0.5,1,1],
                   "diffuseTexture":{"index":0}}})"),
         {tinted, tinted}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MeshRead read = Gltf(c.bytes);
        ASSERT_TRUE(read.result.ok()) << read.result.reason();
        for (size_t f = 0; f < 2; ++f)
            EXPECT_EQ(FaceColour(*read.doc->model, *read.SolidAt().faces[f]), c.colours[f]) << "face " << f;
    }
}

// Files that travel without their folders: the buffer named in another case and the image by another
// machine's path are found by name near the model, and the substitutes are told.
TEST(GltfReaderTest, ExternalFilesNamedWronglyAreFoundByNameNearTheModel) {
    TempFolder folder;
    std::filesystem::create_directories(folder.File("data/images"));
    TwoMaterialFile file = TwoMaterials();
    folder.Write("data/model.bin", file.bin);
    folder.Write("data/images/checker.png", Png(8, 8, Checker(4)));
    std::string json = file.json;
    json.replace(json.find("BUFFER"), 6, "Model.BIN");
    const size_t image = json.find("data:image/png");
    json.replace(image, json.find('"', image) - image, R"(C:\\Users\\x\\Checker.PNG)");
    MeshRead read;
    test::RecordingCompletion completion;
    read.result = ReadMeshBytes(json, "m.gltf", MeshFormat::Gltf, *read.doc, &completion, folder.File(""));
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    EXPECT_EQ(
        read.result->warnings,
        (std::vector<std::string>{folder.File("C:\\Users\\x\\Checker.PNG") + ": the file is not there; " +
                                      folder.File("data/images/checker.png") + " is used in its place",
                                  folder.File("Model.BIN") + ": the file is not there; " +
                                      folder.File("data/model.bin") + " is used in its place"}));
    EXPECT_EQ(FaceColour(*read.doc->model, *read.SolidAt().faces[0]), (std::array<uint8_t, 3>{0, 255, 0}));
}

TEST(GltfReaderTest, BadFilesAreRefusedWithAClearMessage) {
    const TwoMaterialFile file = TwoMaterials();
    std::string truncated = Glb(file);
    truncated.resize(truncated.size() - 30);
    auto edit = [&](const std::string& from, const std::string& to) {
        std::string json = WithDataUri(file);
        const size_t at = json.find(from);
        return at == std::string::npos ? std::string("missing ") + from : json.replace(at, from.size(), to);
    };
    const std::pair<std::string, std::string> cases[] = {
        {truncated, "model.gltf: the glTF file cannot be read ("},
        {"{not json", "model.gltf: the glTF file cannot be read ("},
        {edit(R"("count":5,"type":"VEC3")", R"("count":4000000000,"type":"VEC3")"),
         "model.gltf: accessor 0 reaches outside its buffer view"},
        {edit(R"("byteOffset":100,"byteLength":12)", R"("byteOffset":100,"byteLength":1200)"),
         "model.gltf: the buffer view of accessor 2 lies outside its buffer"},
        {edit(
             R"("asset":{"version":"2.0"})",
             R"("asset":{"version":"2.0"},"extensionsUsed":["KHR_draco_mesh_compression"],"extensionsRequired":["KHR_draco_mesh_compression"])"),
         "model.gltf: the file uses KHR_draco_mesh_compression (Draco-compressed meshes), which is not read"},
        {edit(R"("textures":[{"source":0,"sampler":0}])",
              R"("textures":[{"source":0,"sampler":0,"extensions":{"KHR_texture_basisu":{"source":0}}}])"),
         "model.gltf: the file uses KHR_texture_basisu (KTX2 textures), which is not read"},
        {edit(R"("baseColorTexture":{"index":0)", R"("baseColorTexture":{"index":0,"texCoord":1)"),
         "model.gltf: material \"checker\" takes its texture from TEXCOORD_1; only TEXCOORD_0 is read"},
        {edit(R"("count":5,"type":"VEC2")",
              R"("count":5,"type":"VEC2","sparse":{"count":1,"values":{"bufferView":1},
                 "indices":{"bufferView":0,"byteOffset":14,"componentType":5121}})"),
         "model.gltf: accessor 1 has a sparse index past its elements"},
        {edit(R"("count":5,"type":"VEC2")",
              R"("count":5,"type":"VEC2","sparse":{"count":1,"values":{"bufferView":1},
                 "indices":{"bufferView":3,"byteOffset":6,"componentType":5121}})"),
         "model.gltf: the sparse elements of accessor 1 lie outside their buffer"},
        {edit(R"("nodes":[{"mesh":0,)", R"("nodes":[{"mesh":0,"children":[0],)"),
         "model.gltf: the nodes nest too deep (a node may be its own ancestor)"},
    };
    for (const auto& [bytes, message] : cases) {
        SCOPED_TRACE(message);
        const MeshRead read = Gltf(bytes);
        EXPECT_FALSE(read.result.ok());
        EXPECT_EQ(read.result.reason().substr(0, message.size()), message);
        EXPECT_TRUE(read.doc->model->solids.empty());
    }
    // A texture that does not decode, or whose only image is WebP: one warning naming it, the model comes
    // in untextured.
    const std::pair<std::string, std::string> untextured[] = {
        {edit("data:image/png;base64,", "data:image/png;base64,AAAA"), "image 0: "},
        {edit(R"("source":0,)", R"("extensions":{"EXT_texture_webp":{"source":0}},)"),
         "model.gltf: texture 0"}};
    for (const auto& [bytes, warning] : untextured) {
        const MeshRead broken = Gltf(bytes);
        ASSERT_TRUE(broken.result.ok()) << broken.result.reason();
        ASSERT_EQ(broken.result->warnings.size(), 1u);
        EXPECT_EQ(broken.result->warnings[0].substr(0, warning.size()), warning)
            << broken.result->warnings[0];
        EXPECT_EQ(broken.doc->model->materials[0]->texture, nullptr);
    }
    // Both at once: told in the order the materials came, though the image is decoded later.
    std::string both = edit("data:image/png;base64,", "data:image/png;base64,AAAA");
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{
              R"("sampler":0}])", R"("sampler":0},{"extensions":{"EXT_texture_webp":{"source":0}}}])"},
          {R"("baseColorFactor":[0.5,0,0,1])",
           R"("baseColorFactor":[0.5,0,0,1],"baseColorTexture":{"index":1})"}})
        both.replace(both.find(from), from.size(), to);
    const MeshRead read = Gltf(both);
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    ASSERT_EQ(read.result->warnings.size(), 2u);
    EXPECT_EQ(read.result->warnings[0].substr(0, 9), "image 0: ");
    EXPECT_EQ(read.result->warnings[1].substr(0, 21), "model.gltf: texture 1");
}

// A skinned quad posed by its two joints: the node's own move is ignored, each vertex follows its joints'
// transforms after their inverse bind matrices, weighted.
TEST(GltfReaderTest, SkinnedMeshesArePosedByTheirJoints) {
    std::string bin;
    Append<float>(bin, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0});               // 4 positions, 48 bytes
    Append<uint8_t>(bin, {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0}); // 16 bytes, vertex 3 on A and B
    Append<float>(bin, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0.5f, 0.5f, 0, 0}); // 64 bytes
    Append<float>(bin, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});       // 128 bytes: joint A
    Append<float>(bin, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1});      // joint B bound at y 1
    Append<uint16_t>(bin, {0, 1, 2, 0, 2, 3});                                  // 12 bytes
    const std::string json = R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,1,2]}],
      "nodes":[{"mesh":0,"skin":0,"translation":[100,0,0]},{"translation":[0,0,5]},{"translation":[0,3,0]}],
      "skins":[{"joints":[1,2],"inverseBindMatrices":3}],
      "meshes":[{"primitives":[{"attributes":{"POSITION":0,"JOINTS_0":1,"WEIGHTS_0":2},"indices":4}]}],
      "buffers":[{"byteLength":268,"uri":"data:application/octet-stream;base64,BIN"}],
      "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":48},{"buffer":0,"byteOffset":48,"byteLength":16},
                     {"buffer":0,"byteOffset":64,"byteLength":64},{"buffer":0,"byteOffset":128,"byteLength":128},
                     {"buffer":0,"byteOffset":256,"byteLength":12}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3"},
                   {"bufferView":1,"componentType":5121,"count":4,"type":"VEC4"},
                   {"bufferView":2,"componentType":5126,"count":4,"type":"VEC4"},
                   {"bufferView":3,"componentType":5126,"count":2,"type":"MAT4"},
                   {"bufferView":4,"componentType":5123,"count":6,"type":"SCALAR"}]})";
    const auto file = [&](uint8_t joint) {
        std::string bytes = bin;
        bytes[48 + 12] = char(joint);
        std::string text = json;
        return text.replace(text.find("BIN"), 3, Base64(bytes));
    };
    const MeshRead read = Gltf(file(0));
    ASSERT_TRUE(read.result.ok()) << read.result.reason();
    const Vec3 expected[] = {{0, 0, 5}, {1, 0, 5}, {1, 3, 0}, {0, 2, 2.5}};
    ASSERT_EQ(read.Vertices(), 4u);
    for (size_t v = 0; v < 4; ++v) {
        const Vec3 p = read.SolidAt().vertices[v]->position;
        EXPECT_NEAR(p.x, expected[v].x, 1e-6) << v;
        EXPECT_NEAR(p.y, expected[v].y, 1e-6) << v;
        EXPECT_NEAR(p.z, expected[v].z, 1e-6) << v;
    }
    const MeshRead bad = Gltf(file(7));
    EXPECT_EQ(bad.result.reason(), "model.gltf: a vertex of skin 0 leans on a joint it does not have");
}

} // namespace
} // namespace tsm
