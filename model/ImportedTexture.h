// How an imported model's material gets its texture: the texture coordinates of its faces are moved by
// the file's texture transform; a mirrored or clamped wrap (which a model file cannot keep: it always
// draws repeated) is baked into the image and the coordinates; the image is brought to a texture size.
// Also the colour conversions the model formats need.
#pragma once

#include "model/Mesh.h"

#include <array>
#include <cstdint>
#include <memory>

namespace tsm {

enum class TextureWrap { Repeat, Mirrored, Clamp };

struct TextureMapping {
    // u' = m[0] u + m[1] v + m[2], v' = m[3] u + m[4] v + m[5], applied before the wrap.
    std::array<double, 6> matrix{1, 0, 0, 0, 1, 0};
    TextureWrap wrapU = TextureWrap::Repeat;
    TextureWrap wrapV = TextureWrap::Repeat;
};

// The mapping of `inner` followed by that of `outer` (wraps of `outer`).
TextureMapping ComposeMappings(const TextureMapping& outer, const TextureMapping& inner);

// Moves the coordinates of every face of `materialIndex`, bakes the wrap, and makes `decoded` the
// material's texture (brought to a square power of two no larger than 8192, without a bitmap until a
// size limit shrinks it; the decoded size goes to imageWidth and imageHeight). `fileName` becomes the
// texture's file name.
void AttachImportedTexture(Mesh& model, int materialIndex, std::unique_ptr<TextureImage> decoded,
                           const TextureMapping& mapping, const std::string& fileName);

// Sets the material's ambient, diffuse and flat colour from 8-bit-exact channels in [0, 1].
void SetMaterialColour(Material& material, const float rgb[3]);

// A linear light value in [0, 1] as the 8-bit sRGB-encoded value a colour is stored in.
uint8_t LinearToSrgb8(double linear);
// Multiplies every pixel by a linear factor, in linear light (the pixels are sRGB-encoded).
void MultiplyLinear(TextureImage& image, const float factor[3]);

} // namespace tsm
