// Fuzz target of the image decoders of imported textures (PNG, JPEG, BMP by their signatures, TGA for
// anything else) and of the material library parser: any bytes give an image of the size it claims or a
// message, never a crash, a sanitizer report or an allocation beyond the pixel limit.
#include "model/ImageDecoder.h"
#include "model/MtlReader.h"
#include "model/TextureImage.h"

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
    for (const MtlMaterial& material : ReadMtl(bytes))
        if (material.texture.size() > size) std::abort();
    return 0;
}
