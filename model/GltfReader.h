// glTF 2.0, as .gltf (JSON with external or data-URI buffers and images) or .glb (binary with embedded
// ones), parsed by tinygltf. Every mesh of the default scene is placed by its node transforms (a skinned
// one by its joints'); the triangles of every primitive come in with TEXCOORD_0 (sparse accessors
// included), and each material with its base colour factor and base colour texture (its sampler's wrap
// and KHR_texture_transform applied), or the diffuse ones of KHR_materials_pbrSpecularGlossiness when it
// has no base colour texture.
#pragma once

#include "model/ImportedTexture.h"
#include "model/MeshBuilder.h"
#include "model/Outcome.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tsm {

// A material as the file gives it, waiting for its faces to exist.
struct ImportedMaterial {
    std::string name; // the builder's material name (unique in the file)
    float colour[3] = {1, 1, 1};
    std::unique_ptr<TextureImage> image; // decoded, factor applied, once attached; null without texture
    std::string imageName;
    int imageSource = -1; // the file's image, -1 without texture
    float factor[3] = {1, 1, 1};
    size_t warningAt = 0; // where among the warnings this texture's would go
    TextureMapping mapping;
};

// The file's texture images, decoding while the mesh is built.
class GltfImages {
public:
    GltfImages();
    ~GltfImages(); // waits for the decoding
    GltfImages(const GltfImages&) = delete;
    GltfImages& operator=(const GltfImages&) = delete;

private:
    struct Decoding;
    std::unique_ptr<Decoding> decoding_;
    friend Outcome ReadGltf(std::string_view, const std::string&, const std::string&, MeshBuilder&,
                            std::vector<ImportedMaterial>&, GltfImages&, std::vector<std::string>&);
    friend void AttachImportedMaterials(Mesh&, int, std::vector<ImportedMaterial>&, GltfImages&,
                                        std::vector<std::string>&);
};

// Fills `builder` and `materials`, or fails with the message naming the file, and starts decoding the
// images into `images`. External files are read from `directory` (none when it is empty).
Outcome ReadGltf(std::string_view bytes, const std::string& fileName, const std::string& directory,
                 MeshBuilder& builder, std::vector<ImportedMaterial>& materials, GltfImages& images,
                 std::vector<std::string>& warnings);

// Gives the model's materials from `firstMaterial` on the colours and textures of the entries of the
// same name. A texture that is missing or cannot be decoded adds a warning (among those ReadGltf gave,
// where it was read), and its material comes in without it.
void AttachImportedMaterials(Mesh& model, int firstMaterial, std::vector<ImportedMaterial>& materials,
                             GltfImages& images, std::vector<std::string>& warnings);

} // namespace tsm
