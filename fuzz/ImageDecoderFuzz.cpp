// Fuzz target of the image decoders of imported textures (PNG, JPEG, BMP by their signatures, TGA for
// anything else) and of the material library parser: any bytes give an image of the size it claims or a
// message, never a crash, a sanitizer report or an allocation beyond the pixel limit. Each texture
// statement's options are applied to a quad whose coordinates reach past the image, as an import does:
// the corners must keep finite coordinates and the texture a size it can be stored at.
#include "model/ImageDecoder.h"
#include "model/MeshBuilder.h"
#include "model/MtlReader.h"
#include "model/TextureImage.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tsm;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<TextureImage> image;
    const Outcome outcome = DecodeImage(bytes, "fuzz.tga", image);
    if (outcome.ok() != (image != nullptr) || (!outcome.ok() && outcome.reason().empty()) ||
        (image && image->pixels.size() != size_t(image->width) * size_t(image->height) * 3)) {
        std::fprintf(stderr, "a decode disagrees with its outcome\n");
        std::abort();
    }
    for (const MtlMaterial& material : ReadMtl(bytes)) {
        if (material.texture.size() > size) std::abort();
        if (material.texture.empty()) continue;
        Document doc;
        MeshBuilder quad;
        for (const Vec3& p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}, Vec3{0, 1, 0}}) quad.AddVertex(p);
        const double uvs[4][2] = {{-0.5, -0.5}, {1.5, -0.5}, {1.5, 1.5}, {-0.5, 1.5}};
        for (const auto& uv : uvs) quad.AddTexCoord(uv[0], uv[1]);
        quad.UseMaterial(material.name);
        quad.AddFace({0, 1, 2, 3}, {0, 1, 2, 3});
        quad.Finish(doc, nullptr);
        auto texture = std::make_unique<TextureImage>();
        texture->width = texture->height = 4;
        texture->pixels.assign(4 * 4 * 3, 0x80);
        AttachImportedTexture(*doc.model, 0, std::move(texture), material.mapping, material.texture);
        const TextureImage* stored = doc.model->materials.at(0)->texture.get();
        if (!stored || stored->width != stored->height || stored->width > 8192 ||
            stored->pixels.size() != size_t(stored->width) * size_t(stored->height) * 3) {
            std::fprintf(stderr, "the texture was not stored at a texture size\n");
            std::abort();
        }
        for (const auto& corner : doc.model->solids.at(0)->faces.at(0)->halfEdges)
            if (!std::isfinite(corner->u) || !std::isfinite(corner->v)) {
                std::fprintf(stderr, "a texture option left a corner with coordinates that are not finite\n");
                std::abort();
            }
    }
    return 0;
}
