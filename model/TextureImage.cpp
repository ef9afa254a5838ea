#include "model/TextureImage.h"

#include <cstring>
#include <utility>

namespace tsm {

void Resample(int32_t srcWidth, int32_t srcHeight, const uint8_t* srcPixels, int32_t dstWidth,
              int32_t dstHeight, uint8_t* dstPixels, bool flipRows) {
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0) return;
    // 64-bit products: a 32768-pixel side times a row number would overflow 32 bits.
    const int64_t srcStride = int64_t(srcWidth) * 3;
    for (int64_t j = 0; j < dstHeight; ++j) {
        const int64_t rowIndex = flipRows ? dstHeight - 1 - j : j;
        const int64_t srcRow = rowIndex * srcHeight / dstHeight;
        const uint8_t* srcLine = srcPixels + srcRow * srcStride;
        uint8_t* dstLine = dstPixels + j * int64_t(dstWidth) * 3;
        for (int64_t i = 0; i < dstWidth; ++i) {
            const uint8_t* src = srcLine + (i * srcWidth / dstWidth) * 3;
            dstLine[i * 3 + 0] = src[0];
            dstLine[i * 3 + 1] = src[1];
            dstLine[i * 3 + 2] = src[2];
        }
    }
}

void MakeBitmap(CMaterial& material) {
    const CTextureImage* texture = material.texture.get();
    if (!texture || texture->width <= 0 || texture->height <= 0 ||
        texture->pixels.size() != size_t(texture->width) * size_t(texture->height) * 3) {
        material.bitmap.reset();
        return;
    }
    auto bitmap = std::make_unique<CDib24>();
    bitmap->width = texture->width;
    bitmap->height = texture->height;
    const size_t stride = size_t(bitmap->Stride());
    bitmap->bits.assign(stride * size_t(bitmap->height), 0);
    const size_t srcStride = size_t(texture->width) * 3;
    for (size_t y = 0; y < size_t(bitmap->height); ++y) {
        // Bitmap rows run bottom-up, texture rows top-down.
        const uint8_t* src = texture->pixels.data() + (size_t(texture->height) - 1 - y) * srcStride;
        uint8_t* dst = bitmap->bits.data() + y * stride;
        for (size_t x = 0; x < size_t(texture->width); ++x) {
            dst[x * 3 + 0] = src[x * 3 + 2];
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3 + 0];
        }
    }
    material.bitmap = std::move(bitmap);
}

void ApplySizeLimit(CMaterial& material, int32_t limitPixels) {
    CTextureImage* texture = material.texture.get();
    if (!texture || limitPixels <= 0) return;
    if (texture->width <= limitPixels && texture->height <= limitPixels) return;
    if (texture->width <= 0 || texture->height <= 0 ||
        texture->pixels.size() != size_t(texture->width) * size_t(texture->height) * 3)
        return;
    std::vector<uint8_t> resampled(size_t(limitPixels) * size_t(limitPixels) * 3);
    Resample(texture->width, texture->height, texture->pixels.data(), limitPixels, limitPixels,
             resampled.data(), false);
    texture->pixels = std::move(resampled);
    texture->width = limitPixels;
    texture->height = limitPixels;
}

void ReleaseTexture(CMaterial& material) {
    material.texture.reset();
    material.textureFileName.clear();
    material.bitmap.reset();
    if (material.glTexture != -1) {
        // A material deletes its GL texture, in the context that made it, when it is destroyed; a
        // short-lived material that takes over the texture name does exactly that here.
        CMaterial holder;
        holder.glTexture = std::exchange(material.glTexture, -1);
        holder.glContext = std::exchange(material.glContext, nullptr);
    }
}

} // namespace tsm
