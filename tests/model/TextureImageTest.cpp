#include "model/TextureImage.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tsm;

namespace {

// Pixel (x, y) of a w-wide image gets the bytes (x, y, 100 + x + 10 * y), so that every copy can be traced.
std::vector<uint8_t> TracedImage(int w, int h) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            pixels.push_back(uint8_t(x));
            pixels.push_back(uint8_t(y));
            pixels.push_back(uint8_t(100 + x + 10 * y));
        }
    return pixels;
}

// Source (column, row) each target pixel came from.
std::vector<std::pair<int, int>> Sources(const std::vector<uint8_t>& pixels) {
    std::vector<std::pair<int, int>> sources;
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) sources.emplace_back(pixels[i], pixels[i + 1]);
    return sources;
}

std::unique_ptr<CTextureImage> Texture(int w, int h) {
    auto texture = std::make_unique<CTextureImage>();
    texture->width = w;
    texture->height = h;
    texture->pixels = TracedImage(w, h);
    return texture;
}

} // namespace

TEST(Resample, PicksSourcePixelsByTruncatedIntegerRatios) {
    const std::vector<uint8_t> src = TracedImage(3, 3);
    std::vector<uint8_t> dst(2 * 2 * 3);
    // Downscaling 3 -> 2 takes columns/rows 0*3/2 = 0 and 1*3/2 = 1 (truncated, never rounded up to 2).
    Resample(3, 3, src.data(), 2, 2, dst.data(), false);
    EXPECT_EQ(Sources(dst), (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
    // Upscaling 2 -> 5 repeats source columns 0,0,0,1,1 (i * 2 / 5).
    const std::vector<uint8_t> small = TracedImage(2, 1);
    std::vector<uint8_t> wide(5 * 1 * 3);
    Resample(2, 1, small.data(), 5, 1, wide.data(), false);
    EXPECT_EQ(Sources(wide), (std::vector<std::pair<int, int>>{{0, 0}, {0, 0}, {0, 0}, {1, 0}, {1, 0}}));
    // The third byte is copied as it is.
    EXPECT_EQ(wide[3 * 3 + 2], 101);
}

TEST(Resample, FlipTakesRowsFromTheBottom) {
    const std::vector<uint8_t> src = TracedImage(1, 4);
    std::vector<uint8_t> dst(1 * 2 * 3);
    // Flipped row j reads source row (2 - 1 - j) * 4 / 2: rows 2 and 0.
    Resample(1, 4, src.data(), 1, 2, dst.data(), true);
    EXPECT_EQ(Sources(dst), (std::vector<std::pair<int, int>>{{0, 2}, {0, 0}}));
    Resample(1, 4, src.data(), 1, 2, dst.data(), false);
    EXPECT_EQ(Sources(dst), (std::vector<std::pair<int, int>>{{0, 0}, {0, 2}}));
}

TEST(MakeBitmap, WritesBottomUpBgrRowsPaddedToFourBytes) {
    CMaterial material;
    material.texture = Texture(3, 2);
    MakeBitmap(material);
    ASSERT_NE(material.bitmap, nullptr);
    const CDib24& bmp = *material.bitmap;
    EXPECT_EQ(bmp.width, 3);
    EXPECT_EQ(bmp.height, 2);
    // 9 bytes of pixels per row padded to 12.
    ASSERT_EQ(bmp.Stride(), 12);
    ASSERT_EQ(bmp.bits.size(), 24u);
    // Bitmap row 0 is the bottom texture row (y = 1); pixel (2, 1) is R=2, G=1, B=112 -> B, G, R.
    EXPECT_EQ(bmp.bits[2 * 3 + 0], 112);
    EXPECT_EQ(bmp.bits[2 * 3 + 1], 1);
    EXPECT_EQ(bmp.bits[2 * 3 + 2], 2);
    // Bitmap row 1 is the top texture row; pixel (0, 0) is R=0, G=0, B=100.
    EXPECT_EQ(bmp.bits[12 + 0], 100);
    EXPECT_EQ(bmp.bits[12 + 2], 0);
    // Padding bytes stay zero.
    EXPECT_EQ(bmp.bits[9], 0);
    EXPECT_EQ(bmp.bits[23], 0);

    // Without a texture the material has no bitmap.
    material.texture.reset();
    MakeBitmap(material);
    EXPECT_EQ(material.bitmap, nullptr);
}

TEST(ApplySizeLimit, ResamplesOnlyTexturesBeyondTheLimitAndKeepsTheBitmap) {
    CMaterial material;
    material.texture = Texture(512, 512);
    MakeBitmap(material);
    ApplySizeLimit(material, 256);
    EXPECT_EQ(material.texture->width, 256);
    EXPECT_EQ(material.texture->height, 256);
    EXPECT_EQ(material.texture->pixels.size(), 256u * 256u * 3u);
    // Nearest neighbour without flip: target (1, 1) comes from source (2, 2).
    EXPECT_EQ(material.texture->pixels[(256 + 1) * 3 + 0], 2);
    EXPECT_EQ(material.texture->pixels[(256 + 1) * 3 + 1], 2);
    // The bitmap is not rebuilt.
    EXPECT_EQ(material.bitmap->width, 512);

    // One side beyond the limit is enough, and the result is square.
    CMaterial tall;
    tall.texture = Texture(100, 300);
    ApplySizeLimit(tall, 256);
    EXPECT_EQ(tall.texture->width, 256);
    EXPECT_EQ(tall.texture->height, 256);

    // A texture at the limit is left alone, even when not square.
    CMaterial fits;
    fits.texture = Texture(256, 64);
    ApplySizeLimit(fits, 256);
    EXPECT_EQ(fits.texture->width, 256);
    EXPECT_EQ(fits.texture->height, 64);

    // No texture, or a limit of 0 or less: nothing happens.
    CMaterial none;
    ApplySizeLimit(none, 64);
    EXPECT_EQ(none.texture, nullptr);
    ApplySizeLimit(fits, 0);
    EXPECT_EQ(fits.texture->width, 256);
}

namespace {
int g_releasedTexture = -2;
void RecordRelease(CMaterial& material) {
    g_releasedTexture = material.glTexture;
    material.glTexture = -1;
}
} // namespace

TEST(ReleaseTexture, FreesPixelsNameBitmapAndTheGlTexture) {
    SetGlTextureReleaser(&RecordRelease);
    CMaterial material;
    material.texture = Texture(4, 4);
    material.textureFileName = "/tmp/wood.bmp";
    MakeBitmap(material);
    material.glTexture = 42;
    ReleaseTexture(material);
    SetGlTextureReleaser(nullptr);
    EXPECT_EQ(material.texture, nullptr);
    EXPECT_EQ(material.bitmap, nullptr);
    EXPECT_TRUE(material.textureFileName.empty());
    EXPECT_EQ(material.glTexture, -1);
    // The GL texture was handed to the registered releaser exactly as the material held it.
    EXPECT_EQ(g_releasedTexture, 42);
}
