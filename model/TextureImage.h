// Texture images of materials: loading image files into square power-of-two textures, nearest-neighbour
// resampling, the 2D bitmap made from a texture, and the texture size limit.
#pragma once

#include "model/Mesh.h"
#include "model/Prompt.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tsm {

// No decoded or resampled image may hold more pixels than this (16384 x 16384, 768 MiB of RGB); larger
// ones are refused as out of memory before anything is allocated for them.
constexpr int64_t kMaxImagePixels = int64_t(1) << 28;

// The size a decoded image is brought to. `target` is the smallest listed power of two (64 ... 32768)
// strictly greater than the larger side, limited to `maximumSize` and at least 64 (`clamped` when either
// applied). An image whose sides are both listed powers of two is kept as it is unless clamped.
struct TextureSizing {
    int32_t target = 64;
    bool clamped = false;
    bool keepAsDecoded = false;
};
TextureSizing ChooseTextureSize(int32_t width, int32_t height, int32_t maximumSize);

// Decodes a ".jpg", ".jpeg" or ".bmp" file (extension in any case; any other extension gives null without
// a message) and brings it to its texture size (ChooseTextureSize; resampled square without row flip).
// The decoded size goes to the out-parameters, which are left alone when decoding fails. Decoder failures
// are reported through `prompt` and give null.
std::unique_ptr<TextureImage> LoadTextureImage(const std::string& path, int32_t& decodedWidth,
                                               int32_t& decodedHeight, int32_t maximumSize, IPrompt& prompt);

// Replaces the material's texture with the image file at `path`, within `limitPixels` a side: the old
// texture and bitmap go, the decoded size goes to imageWidth/imageHeight, and a loaded image
// becomes the texture with its file name and bitmap. Without a file at `path` nothing changes.
void LoadTextureIntoMaterial(Material& material, const std::string& path, int32_t limitPixels,
                             IPrompt& prompt);

// Nearest-neighbour copy of a packed RGB image (3 bytes per pixel, rows top to bottom) into another size.
// Target pixel (i, j) takes source column i * srcWidth / dstWidth and source row j * srcHeight / dstHeight
// (integer division); with `flipRows` the source row is (dstHeight - 1 - j) * srcHeight / dstHeight.
// `dstPixels` must hold dstWidth * dstHeight * 3 bytes. Sizes of 0 or less copy nothing.
void Resample(int32_t srcWidth, int32_t srcHeight, const uint8_t* srcPixels, int32_t dstWidth,
              int32_t dstHeight, uint8_t* dstPixels, bool flipRows);

// Builds the material's 24-bit bottom-up bitmap (B, G, R, rows padded to 4 bytes) from its texture, at the
// texture's full size; a material without texture loses its bitmap.
void MakeBitmap(Material& material);

// Resamples a texture wider or taller than `limitPixels` to limitPixels x limitPixels (no row flip). The
// bitmap is left as it is, so a bitmap made before keeps the full resolution.
void ApplySizeLimit(Material& material, int32_t limitPixels);

// The same for a model's material, whose 2D drawing keeps the whole image: one without a bitmap (an
// imported texture, the only copy of its image) gets its bitmap before the texture shrinks.
void LimitTextureKeepingWholeImage(Material& material, int32_t limitPixels);

// Frees the pixels, forgets the image file name, and deletes the bitmap.
void ReleaseTexture(Material& material);

} // namespace tsm
