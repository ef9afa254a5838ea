#include "model/TextureImage.h"
#include "model/TextCase.h"

#include "model/BmpDecoder.h"
#include "model/JpegDecoder.h"
#include "model/Settings.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <new>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tsm {

namespace {

constexpr int32_t kSmallestTextureSize = 64;
constexpr int32_t kLargestTextureSize = 32768;

// The extension of the last path component with its dot, in lower case; empty when it has none.
std::string LowerExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return AsciiLower(path.substr(dot));
}

struct SideSize {
    bool isListedPower = false;
    int32_t nextGreater = 0; // 0 when the side is 32768 or more
};

SideSize SizeOfSide(int32_t side) {
    SideSize size;
    for (int32_t power = kSmallestTextureSize; power <= kLargestTextureSize; power *= 2) {
        if (side == power) size.isListedPower = true;
        if (size.nextGreater == 0 && power > side) size.nextGreater = power;
    }
    return size;
}

} // namespace

TextureSizing ChooseTextureSize(int32_t width, int32_t height, int32_t maximumSize) {
    const SideSize w = SizeOfSide(width);
    const SideSize h = SizeOfSide(height);
    TextureSizing sizing;
    sizing.target = std::max(w.nextGreater, h.nextGreater);
    if (sizing.target > maximumSize) {
        sizing.target = maximumSize;
        sizing.clamped = true;
    }
    if (sizing.target < kSmallestTextureSize) {
        sizing.target = kSmallestTextureSize;
        sizing.clamped = true;
    }
    sizing.keepAsDecoded = w.isListedPower && h.isListedPower && !sizing.clamped;
    return sizing;
}

std::unique_ptr<TextureImage> LoadTextureImage(const std::string& path, int32_t& decodedWidth,
                                               int32_t& decodedHeight, int32_t maximumSize, IPrompt& prompt) {
    const std::string extension = LowerExtension(path);
    std::unique_ptr<TextureImage> decoded;
    if (extension == ".jpg" || extension == ".jpeg")
        decoded = LoadJpegFile(path, prompt);
    else if (extension == ".bmp")
        decoded = LoadBmpFile(path, prompt);
    if (!decoded) return nullptr;
    decodedWidth = decoded->width;
    decodedHeight = decoded->height;

    const TextureSizing sizing = ChooseTextureSize(decoded->width, decoded->height, maximumSize);
    if (sizing.keepAsDecoded) return decoded;
    auto resampled = std::unique_ptr<TextureImage>(new (std::nothrow) TextureImage);
    bool allocated = resampled && int64_t(sizing.target) * sizing.target <= kMaxImagePixels;
    if (allocated) {
        try {
            resampled->pixels.resize(size_t(sizing.target) * size_t(sizing.target) * 3);
        } catch (const std::bad_alloc&) {
            allocated = false;
        }
    }
    if (!allocated) {
        prompt.Message("Out of memory.", PromptIcon::None, "Error");
        return nullptr;
    }
    resampled->width = sizing.target;
    resampled->height = sizing.target;
    Resample(decoded->width, decoded->height, decoded->pixels.data(), sizing.target, sizing.target,
             resampled->pixels.data(), false);
    return resampled;
}

void LoadTextureIntoMaterial(Material& material, const std::string& path, int32_t limitPixels,
                             IPrompt& prompt) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return;
    // Decoded while the old image still lives, so that the new one never takes its addresses: texture
    // caches tell a material's images apart by them.
    std::unique_ptr<TextureImage> image =
        LoadTextureImage(path, material.imageWidth, material.imageHeight, limitPixels, prompt);
    ReleaseTexture(material);
    if (!image) return;
    material.texture = std::move(image);
    material.textureFileName = path;
    MakeBitmap(material);
}

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

namespace {

// One texture row as bitmap pixels: R and B change places.
#if defined(__x86_64__) || defined(__i386__)
// Four pixels a step through one byte shuffle, which every x86-64 processor of the last fifteen years has;
// the large textures of imported scans have millions of pixels. A step reads and writes 16 bytes, the last
// four as they were until the next step turns them, so the steps stop where fewer than 16 are left.
__attribute__((target("ssse3"))) const uint8_t* SwapRedBlueFast(const uint8_t* src, const uint8_t* end,
                                                                uint8_t*& dst) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
    for (; end - src >= 16; src += 12, dst += 12)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                         _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), order));
    return src;
}
#endif

void SwapRedBlue(const uint8_t* src, const uint8_t* end, uint8_t* dst, bool fast) {
#if defined(__x86_64__) || defined(__i386__)
    if (fast) src = SwapRedBlueFast(src, end, dst);
#else
    (void)fast;
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // A word per pixel rather than three bytes: the fourth byte read is the next pixel's, the fourth
    // written is overwritten by it; the row's last pixel, which has no next one, goes byte by byte.
    for (; end - src > 3; src += 3, dst += 3) {
        uint32_t rgb;
        std::memcpy(&rgb, src, 4);
        const uint32_t bgr = __builtin_bswap32(rgb) >> 8;
        std::memcpy(dst, &bgr, 4);
    }
#endif
    for (; src < end; src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

bool CanShuffleBytes() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("ssse3");
#else
    return false;
#endif
}

} // namespace

void MakeBitmap(Material& material) {
    const TextureImage* texture = material.texture.get();
    if (!texture || texture->width <= 0 || texture->height <= 0 ||
        texture->pixels.size() != size_t(texture->width) * size_t(texture->height) * 3) {
        material.bitmap.reset();
        return;
    }
    auto bitmap = std::make_unique<Bitmap24>();
    bitmap->width = texture->width;
    bitmap->height = texture->height;
    const size_t width = size_t(texture->width), height = size_t(texture->height);
    const size_t stride = size_t(bitmap->Stride());
    // Each row is turned in a scratch row that stays in cache and then appended, so that the bitmap's own
    // megabytes are written once rather than cleared first; the padding stays zero.
    std::vector<uint8_t> row(stride, 0);
    bitmap->bits.reserve(stride * height);
    const bool fast = CanShuffleBytes();
    for (size_t y = 0; y < height; ++y) {
        // Bitmap rows run bottom-up, texture rows top-down.
        const uint8_t* src = texture->pixels.data() + (height - 1 - y) * width * 3;
        SwapRedBlue(src, src + width * 3, row.data(), fast);
        bitmap->bits.insert(bitmap->bits.end(), row.begin(), row.end());
    }
    material.bitmap = std::move(bitmap);
}

void ApplySizeLimit(Material& material, int32_t limitPixels) {
    TextureImage* texture = material.texture.get();
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

void LimitTextureKeepingWholeImage(Material& material, int32_t limitPixels) {
    const TextureImage* texture = material.texture.get();
    if (!material.bitmap && texture && limitPixels > 0 &&
        (texture->width > limitPixels || texture->height > limitPixels))
        MakeBitmap(material);
    ApplySizeLimit(material, limitPixels);
}

void ReleaseTexture(Material& material) {
    material.texture.reset();
    material.textureFileName.clear();
    material.bitmap.reset();
}

} // namespace tsm
