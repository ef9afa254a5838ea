#include "model/TextureImage.h"

#include "ImageTestSupport.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace tsm;
using namespace tsm::testimage;

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

std::unique_ptr<TextureImage> Texture(int w, int h) {
    auto texture = std::make_unique<TextureImage>();
    texture->width = w;
    texture->height = h;
    texture->pixels = TracedImage(w, h);
    return texture;
}

struct Loaded {
    std::unique_ptr<TextureImage> image;
    int32_t width = -1, height = -1;
    std::vector<PromptRecord> messages;
};

Loaded Load(const std::string& path, int32_t maximum) {
    Loaded loaded;
    TitledPrompt prompt;
    loaded.image = LoadTextureImage(path, loaded.width, loaded.height, maximum, prompt);
    loaded.messages = prompt.records;
    return loaded;
}

} // namespace

TEST(MakeBitmap, TurnsRowsAndChannelsAndPadsEachRowToFourBytes) {
    const struct {
        int w, h;
        std::vector<uint8_t> bits;
    } cases[] = {{2, 2, {110, 1, 0, 111, 1, 1, 0, 0, 100, 0, 0, 101, 0, 1, 0, 0}}, // bottom row first
                 {4, 1, {100, 0, 0, 101, 0, 1, 102, 0, 2, 103, 0, 3}}};            // no padding
    for (const auto& c : cases) {
        Material material;
        material.texture = Texture(c.w, c.h);
        MakeBitmap(material);
        EXPECT_EQ(material.bitmap->bits, c.bits) << c.w;
    }
}

// Rows are turned several pixels at a time: widths around the step and its end within the row.
TEST(MakeBitmap, TurnsEveryPixelOfRowsOfAnyWidth) {
    for (int w : {1, 3, 4, 5, 6, 7, 8, 9, 11, 16, 17, 21, 64, 67}) {
        Material material;
        material.texture = std::make_unique<TextureImage>();
        material.texture->width = w;
        material.texture->height = 3;
        for (int i = 0; i < w * 3 * 3; ++i) material.texture->pixels.push_back(uint8_t(i * 7 + 1));
        MakeBitmap(material);
        const Bitmap24& bitmap = *material.bitmap;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(bitmap.bits[size_t(y * bitmap.Stride() + x * 3 + c)],
                              material.texture->pixels[size_t(((2 - y) * w + x) * 3 + 2 - c)])
                        << w << " " << x << "," << y;
        EXPECT_EQ(bitmap.bits.size(), size_t(bitmap.Stride()) * 3);
    }
}

TEST(ApplySizeLimit, ResamplesOnlyTexturesBeyondTheLimitIntoASquare) {
    const struct {
        int32_t width, height, limit;
        int32_t newWidth, newHeight;
    } cases[] = {
        {512, 512, 256, 256, 256},
        {100, 300, 256, 256, 256}, // one side beyond the limit is enough
        {256, 64, 256, 256, 64},   // at the limit: left alone, even when not square
        {512, 512, 0, 512, 512},   // no limit
    };
    for (const auto& c : cases) {
        Material material;
        material.texture = Texture(c.width, c.height);
        MakeBitmap(material);
        ApplySizeLimit(material, c.limit);
        EXPECT_EQ(material.texture->width, c.newWidth) << c.width << "x" << c.height;
        EXPECT_EQ(material.texture->height, c.newHeight) << c.width << "x" << c.height;
        EXPECT_EQ(material.texture->pixels.size(), size_t(c.newWidth) * c.newHeight * 3);
        EXPECT_EQ(material.bitmap->width, c.width); // the bitmap is not rebuilt
    }
    Material none;
    ApplySizeLimit(none, 64);
    EXPECT_EQ(none.texture, nullptr);
}

// An imported texture is the only copy of its image: shrunk, it leaves the whole image in a bitmap first;
// within the limit it gets none. A bitmap made before is kept as it is.
TEST(LimitTextureKeepingWholeImage, MakesTheBitmapOnlyWhereTheTextureShrinks) {
    const struct {
        int32_t width, height, limit, newWidth;
        bool bitmapBefore, bitmapAfter;
    } cases[] = {
        {512, 512, 256, 256, false, true}, {100, 300, 256, 256, false, true},
        {256, 64, 256, 256, false, false}, {512, 512, 0, 512, false, false},
        {512, 512, 256, 256, true, true},  {64, 64, 256, 64, true, true},
    };
    for (const auto& c : cases) {
        Material material, whole;
        material.texture = Texture(c.width, c.height);
        whole.texture = Texture(c.width, c.height);
        MakeBitmap(whole);
        if (c.bitmapBefore) MakeBitmap(material);
        LimitTextureKeepingWholeImage(material, c.limit);
        EXPECT_EQ(material.texture->width, c.newWidth) << c.width << "x" << c.height << " " << c.limit;
        ASSERT_EQ(material.bitmap != nullptr, c.bitmapAfter) << c.width << "x" << c.height << " " << c.limit;
        if (material.bitmap) {
            EXPECT_EQ(material.bitmap->bits, whole.bitmap->bits) << c.width << "x" << c.height;
        }
    }
}

TEST(ChooseTextureSize, TakesTheNextGreaterPowerOfTwoWithinTheLimits) {
    struct Case {
        int32_t width, height, maximum;
        int32_t target;
        bool clamped, keep;
    };
    const Case cases[] = {
        {64, 64, 1024, 128, false, true},      // listed powers of two are kept as they are
        {256, 256, 1024, 512, false, true},    // ... including their own size, not the next one
        {256, 64, 1024, 512, false, true},     // ... and may stay non-square
        {100, 50, 1024, 128, false, false},    // strictly greater: 100 -> 128
        {32, 32, 1024, 64, false, false},      // 32 is not in the list, which starts at 64
        {2000, 10, 1024, 1024, true, false},   // next would be 2048
        {32768, 32768, 1024, 64, true, false}, // no size greater than 32768: raised to 64
        {40000, 100, 1024, 128, false, false}, // one side beyond the list: the other one decides
        {100, 50, 32, 64, true, false},        // a limit below 64 still gives 64
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " max " +
                     std::to_string(c.maximum));
        const TextureSizing sizing = ChooseTextureSize(c.width, c.height, c.maximum);
        EXPECT_EQ(sizing.target, c.target);
        EXPECT_EQ(sizing.clamped, c.clamped);
        EXPECT_EQ(sizing.keepAsDecoded, c.keep);
    }
}

TEST(LoadTextureImage, BringsDecodedImagesToTheirTextureSize) {
    TempFolder folder;
    // Traced pixels: kept, resampled up to the next listed size, or clamped.
    const struct {
        int32_t width, height, maximum, target;
    } cases[] = {{64, 64, 1024, 64}, {300, 20, 1024, 512}, {512, 512, 256, 256}};
    std::map<std::string, Loaded> loaded;
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.width) + "x" + std::to_string(c.height) + ".bmp";
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteBytes(folder.File(name), Bmp24(c.width, c.height, TracedImage(c.width, c.height))));
        Loaded& l = loaded[name] = Load(folder.File(name), c.maximum);
        ASSERT_NE(l.image, nullptr);
        EXPECT_EQ(l.image->width, c.target);
        EXPECT_EQ(l.image->pixels.size(), size_t(c.target) * c.target * 3);
        // The decoded size is reported; nothing is said.
        EXPECT_EQ(l.width, c.width);
        EXPECT_EQ(l.height, c.height);
        EXPECT_TRUE(l.messages.empty());
    }
    // Kept pixel for pixel.
    EXPECT_EQ(loaded["64x64.bmp"].image->pixels, TracedImage(64, 64));
    // Nearest neighbour without row flip: target (511, 511) comes from source (511 * 300 / 512,
    // 511 * 20 / 512) = (299, 19); a flip would give row 0 there. The traced bytes hold x modulo 256.
    const std::vector<uint8_t>& strip = loaded["300x20.bmp"].image->pixels;
    EXPECT_EQ(strip[(511 * 512 + 511) * 3], uint8_t(299));
    EXPECT_EQ(strip[(511 * 512 + 511) * 3 + 1], 19);
    EXPECT_EQ(strip[1], 0); // target (0, 0) from row 0
    // Clamped: target (1, 1) from source (2, 2).
    EXPECT_EQ(loaded["512x512.bmp"].image->pixels[(256 + 1) * 3 + 0], 2);
    EXPECT_EQ(loaded["512x512.bmp"].image->pixels[(256 + 1) * 3 + 1], 2);
}

TEST(LoadTextureImage, ChoosesTheDecoderByTheExtensionInAnyCase) {
    TempFolder folder;
    const std::vector<uint8_t> grey(64 * 64, 128);
    // Any extension but .bmp, .jpg and .jpeg gives no image and no message, even for a valid image. The
    // extension decides, not the content: a JPEG named .bmp goes to the BMP decoder and fails there.
    const struct {
        const char* name;
        bool image;
        size_t messages;
    } cases[] = {{"upper.JPG", true, 0},      {"mixed.JpEg", true, 0},     {"jpeg.bmp", false, 1},
                 {"image.png", false, 0},     {"image.jpg.txt", false, 0}, {"image", false, 0},
                 {"dir.bmp/image", false, 0}, {"image.jp", false, 0}};
    for (const auto& c : cases) {
        const std::string path = folder.File(c.name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        ASSERT_TRUE(WriteJpeg(path, 64, 64, 1, grey));
        const Loaded loaded = Load(path, 1024);
        EXPECT_EQ(loaded.image != nullptr, c.image) << c.name;
        EXPECT_EQ(loaded.messages.size(), c.messages) << c.name;
        EXPECT_EQ(loaded.width, c.image ? 64 : -1) << c.name; // left alone on failure
    }
    ASSERT_TRUE(WriteBytes(folder.File("upper.BMP"), Bmp24(64, 64, TracedImage(64, 64))));
    EXPECT_NE(Load(folder.File("upper.BMP"), 1024).image, nullptr);
}

TEST(LoadTextureIntoMaterial, ReplacesTheTextureWithinTheCurrentLimit) {
    Settings settings;
    settings.limitTextureSize = true;
    settings.textureLimitChoice = 1; // 128
    TempFolder folder;
    ASSERT_TRUE(WriteBytes(folder.File("wood.bmp"), Bmp24(300, 20, TracedImage(300, 20))));

    Material material;
    material.texture = Texture(8, 8);
    material.textureFileName = "old.bmp";
    MakeBitmap(material);
    const TextureImage* old = material.texture.get();

    // No file at the path: nothing changes, nothing is said.
    TitledPrompt prompt;
    LoadTextureIntoMaterial(material, folder.File("absent.bmp"), TextureSizeLimit(settings), prompt);
    EXPECT_EQ(material.texture->width, 8);
    EXPECT_EQ(material.textureFileName, "old.bmp");
    EXPECT_TRUE(prompt.records.empty());

    // A file: the new image is limited to 128 x 128 (512 would be next) and the bitmap is made at the
    // texture's size. The new image never takes the old one's address, by which texture caches tell them
    // apart.
    LoadTextureIntoMaterial(material, folder.File("wood.bmp"), TextureSizeLimit(settings), prompt);
    ASSERT_NE(material.texture, nullptr);
    EXPECT_NE(material.texture.get(), old);
    EXPECT_EQ(material.texture->width, 128);
    ASSERT_NE(material.bitmap, nullptr);
    EXPECT_EQ(material.bitmap->width, 128);

    // Without the user limit the system's limit applies.
    settings.limitTextureSize = false;
    settings.systemTextureLimit = 256;
    LoadTextureIntoMaterial(material, folder.File("wood.bmp"), TextureSizeLimit(settings), prompt);
    ASSERT_NE(material.texture, nullptr);
    EXPECT_EQ(material.texture->width, 256);
}
