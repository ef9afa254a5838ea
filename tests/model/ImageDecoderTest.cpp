#include "model/ImageDecoder.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace tsm {
namespace {

using namespace testimage;

std::string Bytes(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A PNG that announces `w` x `h` pixels and holds no image data after its header.
std::string PngHeaderOnly(uint32_t w, uint32_t h) {
    std::string chunk = "IHDR";
    for (uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8) chunk += char(v >> shift);
    chunk += std::string("\x08\x02\x00\x00\x00", 5);
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), uInt(chunk.size())));
    std::string png("\x89PNG\r\n\x1a\n\x00\x00\x00\x0d", 12);
    png += chunk;
    for (int shift = 24; shift >= 0; shift -= 8) png += char(crc >> shift);
    return png;
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

TEST(ImageDecoderTest, BadAndHugeImagesAreRefusedWithAMessageNamingThem) {
    std::string truncated = Png(2, 2, Checker(1));
    truncated.resize(truncated.size() - 20);
    std::string hugeTga = Tga(1, 1, {1, 2, 3}, false);
    hugeTga[12] = hugeTga[14] = char(0x20);
    hugeTga[13] = hugeTga[15] = char(0x4E); // 20000 x 20000
    const std::pair<std::string, std::string> cases[] = {
        {PngHeaderOnly(20000, 20000), "big.png: the image is 20000 x 20000 pixels, more than 16384 x 16384"},
        {hugeTga, "big.tga: the image is 20000 x 20000 pixels, more than 16384 x 16384"},
        {truncated, "big.png: the PNG image cannot be read"},
        {"plain text", "big.png: the file is not a PNG, JPEG, BMP or TGA image"},
        {"\xFF\xD8\xFF\xE0 broken", "big.png: the JPEG image cannot be read"},
        {"BM", "big.png: the BMP image cannot be read"},
    };
    for (const auto& [bytes, message] : cases) {
        const std::string name = message.substr(0, message.find(':'));
        std::unique_ptr<TextureImage> image;
        const Outcome outcome = DecodeImage(bytes, name, image);
        EXPECT_TRUE(outcome.failed());
        EXPECT_EQ(outcome.reason().substr(0, message.size()), message);
        EXPECT_EQ(image, nullptr);
    }
    std::unique_ptr<TextureImage> image;
    EXPECT_EQ(DecodeImageFile("/nonexistent/t.png", image).reason(),
              "/nonexistent/t.png: the image file cannot be read");
}

} // namespace
} // namespace tsm
