#include "model/ImageDecoder.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace tsm {
namespace {

using namespace testimage;

std::string Bytes(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The picture at half opacity: its alpha must be dropped, never blended into the colours.
std::string HalfClearPng(int w, int h, const std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> rgba;
    for (size_t i = 0; i < rgb.size(); i += 3) rgba.insert(rgba.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 128});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> bytes(1024);
    png_alloc_size_t size = bytes.size();
    png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), 0, nullptr);
    return std::string(bytes.begin(), bytes.begin() + std::ptrdiff_t(size));
}

// A 16-bit PNG of one pixel without a gamma chunk, as texture painters save them.
std::string DeepPngWithoutGamma(std::array<uint16_t, 3> rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = 1;
    image.format = PNG_FORMAT_LINEAR_RGB;
    std::string bytes(1024, '\0');
    png_alloc_size_t size = bytes.size();
    png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr);
    bytes.resize(size);
    return bytes.erase(bytes.find("gAMA") - 4, 16); // length, name, value, check
}

TEST(ImageDecoderTest, DeepPngsWithoutGammaAreSrgbLikeTheOthers) {
    std::unique_ptr<TextureImage> image;
    ASSERT_TRUE(DecodeImage(DeepPngWithoutGamma({0x8080, 0x4040, 0xC0C0}), "deep.png", image).ok());
    EXPECT_EQ(image->pixels, (std::vector<uint8_t>{128, 64, 192})); // not brightened as linear values
}

TEST(ImageDecoderTest, EveryKindComesOutTopDownWithItsColoursUnchanged) {
    const std::vector<uint8_t> checker = Checker(1);
    TempFolder folder;
    WriteJpeg(folder.File("c.jpg"), 16, 16, 3, Checker(8));
    const struct {
        const char* name;
        std::string bytes;
        int size;
        int tolerance;
    } cases[] = {
        {"c.png", Png(2, 2, checker), 2, 0},
        {"clear.png", HalfClearPng(2, 2, checker), 2, 0},
        {"c.bmp", Bytes(Bmp24(2, 2, checker)), 2, 0},
        {"c.tga", Tga(2, 2, checker, false), 2, 0},
        {"top.tga", Tga(2, 2, checker, true), 2, 0},
        // The content decides, not the name.
        {"lying.jpg", Png(2, 2, checker), 2, 0},
        {"c.jpg", Bytes(ReadBytes(folder.File("c.jpg"))), 16, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TextureImage> image;
        const Outcome outcome = DecodeImage(c.bytes, c.name, image);
        ASSERT_TRUE(outcome.ok()) << outcome.reason();
        ASSERT_EQ(image->width, c.size);
        ASSERT_EQ(image->height, c.size);
        // The four corner pixels are the four colours of the checker, top-left first.
        const int last = c.size - 1;
        const int at[4][2] = {{0, 0}, {last, 0}, {0, last}, {last, last}};
        for (int k = 0; k < 4; ++k)
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_NEAR(image->pixels[size_t(at[k][1] * c.size + at[k][0]) * 3 + size_t(ch)],
                            checker[size_t(k) * 3 + size_t(ch)], c.tolerance);
    }
}

} // namespace
} // namespace tsm
