// Texture images of materials: nearest-neighbour resampling, the 2D bitmap made from a texture, and the
// texture size limit.
#pragma once

#include "model/Mesh.h"

#include <cstdint>

namespace tsm {

// Nearest-neighbour copy of a packed RGB image (3 bytes per pixel, rows top to bottom) into another size.
// Target pixel (i, j) takes source column i * srcWidth / dstWidth and source row j * srcHeight / dstHeight
// (integer division); with `flipRows` the source row is (dstHeight - 1 - j) * srcHeight / dstHeight.
// `dstPixels` must hold dstWidth * dstHeight * 3 bytes. Sizes of 0 or less copy nothing.
void Resample(int32_t srcWidth, int32_t srcHeight, const uint8_t* srcPixels, int32_t dstWidth,
              int32_t dstHeight, uint8_t* dstPixels, bool flipRows);

// Builds the material's 24-bit bottom-up bitmap (B, G, R, rows padded to 4 bytes) from its texture, at the
// texture's full size; a material without texture loses its bitmap.
void MakeBitmap(CMaterial& material);

// Resamples a texture wider or taller than `limitPixels` to limitPixels x limitPixels (no row flip). The
// bitmap is left as it is, so a bitmap made before keeps the full resolution.
void ApplySizeLimit(CMaterial& material, int32_t limitPixels);

// Frees the pixels, forgets the image file name, and deletes the bitmap and the GL texture.
void ReleaseTexture(CMaterial& material);

} // namespace tsm
