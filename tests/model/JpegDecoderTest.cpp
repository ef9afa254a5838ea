#include "model/JpegDecoder.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace tsm;
using namespace tsm::testimage;

namespace {

// Blocks of flat colour, 8-pixel aligned, so that a quality-100 JPEG gives them back almost exactly.
std::vector<uint8_t> Blocks(int w, int h, int components) {
    std::vector<uint8_t> samples;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int block = (x / 8) * 3 + (y / 8) * 5;
            for (int c = 0; c < components; ++c) samples.push_back(uint8_t((block * 37 + c * 90) % 200 + 20));
        }
    return samples;
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int worst = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

struct Decoded {
    std::unique_ptr<TextureImage> image;
    std::vector<PromptRecord> messages;
};

Decoded Decode(const std::string& path) {
    TitledPrompt prompt;
    std::unique_ptr<TextureImage> image = LoadJpegFile(path, prompt);
    return {std::move(image), prompt.records};
}

// The one message of a failed decode: its text, or "" (and a failure) when there is none or an image.
std::string FailureText(const std::string& path, const char* title = "JPEG Error",
                        PromptIcon* icon = nullptr) {
    const Decoded d = Decode(path);
    EXPECT_EQ(d.image, nullptr) << path;
    EXPECT_EQ(d.messages.size(), 1u) << path;
    if (d.messages.size() != 1) return "";
    if (title) {
        EXPECT_EQ(d.messages[0].title, title) << path;
    }
    if (icon) *icon = d.messages[0].icon;
    return d.messages[0].text;
}

} // namespace

TEST(JpegDecoder, ColourImagesDecodeToTheirRowsTopToBottom) {
    TempFolder folder;
    const std::vector<uint8_t> rgb = Blocks(100, 50, 3);
    ASSERT_TRUE(WriteJpeg(folder.File("blocks.jpg"), 100, 50, 3, rgb));
    const Decoded colour = Decode(folder.File("blocks.jpg"));
    ASSERT_NE(colour.image, nullptr);
    EXPECT_TRUE(colour.messages.empty());
    EXPECT_EQ(colour.image->width, 100);
    EXPECT_EQ(colour.image->height, 50);
    ASSERT_EQ(colour.image->pixels.size(), rgb.size());
    // Lossy, but close at quality 100 with flat blocks; a row or channel mix-up would be far off.
    EXPECT_LE(MaxDifference(colour.image->pixels, rgb), 6);
    // CMYK, its inks stored inverted behind the Adobe marker as nearly every such file has them: the
    // colour is what the inks print.
    std::vector<uint8_t> cmyk;
    for (int i = 0; i < 16 * 16; ++i) cmyk.insert(cmyk.end(), {200, 100, 50, 128});
    ASSERT_TRUE(WriteJpeg(folder.File("cmyk.jpg"), 16, 16, 4, cmyk));
    const Decoded printed = Decode(folder.File("cmyk.jpg"));
    ASSERT_NE(printed.image, nullptr);
    EXPECT_LE(MaxDifference(printed.image->pixels, {100, 50, 25}), 3);
}

TEST(JpegDecoder, FailuresShowTheirTextAndAbandonTheDecode) {
    TempFolder folder;
    // Not a JPEG at all: the library's own text in a box titled "JPEG Error". Twice, so that a broken
    // jump back (stack or decompressor state) would show on the second decode.
    ASSERT_TRUE(WriteBytes(folder.File("garbage.jpg"), {'B', 'M', 0, 0, 0, 0}));
    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(FailureText(folder.File("garbage.jpg")), "Not a JPEG file: starts with 0x42 0x4d");
    // An empty file, and a good file cut inside its header: the library's error, then a good file decodes
    // normally.
    const std::string good = folder.File("good.jpg"), cut = folder.File("cut.jpg");
    ASSERT_TRUE(WriteJpeg(good, 32, 32, 3, Blocks(32, 32, 3)));
    std::vector<uint8_t> bytes = ReadBytes(good);
    for (size_t length : {0, 40}) {
        ASSERT_TRUE(WriteBytes(cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(length))));
        FailureText(cut);
        EXPECT_NE(Decode(good).image, nullptr);
    }
    // Cut inside the image data: the library only warns and fills the rest, so an image results and
    // nothing is shown.
    bytes = ReadBytes(good);
    bytes.resize(bytes.size() - 100);
    ASSERT_TRUE(WriteBytes(cut, bytes));
    const Decoded truncated = Decode(cut);
    ASSERT_NE(truncated.image, nullptr);
    EXPECT_EQ(truncated.image->width, 32);
    EXPECT_TRUE(truncated.messages.empty());

    // A missing file and a huge image have their own texts.
    EXPECT_EQ(FailureText(folder.File("absent.jpg"), nullptr),
              "JPEG :\nCan't open " + folder.File("absent.jpg") + "\n");
    // A frame header claiming 65000 x 65000 pixels (12 GB of RGB): refused before anything is allocated,
    // with the error icon.
    ASSERT_TRUE(WriteJpeg(folder.File("small.jpg"), 8, 8, 3, Blocks(8, 8, 3)));
    bytes = ReadBytes(folder.File("small.jpg"));
    size_t sof = 0;
    while (sof + 8 < bytes.size() && !(bytes[sof] == 0xFF && bytes[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 8, bytes.size());
    // FF C0, length (2), precision (1), height (2), width (2).
    for (size_t at : {5, 6, 7, 8}) bytes[sof + at] = at % 2 ? 0xFD : 0xE8;
    ASSERT_TRUE(WriteBytes(folder.File("huge.jpg"), bytes));
    PromptIcon icon = PromptIcon::None;
    EXPECT_EQ(FailureText(folder.File("huge.jpg"), nullptr, &icon), "JpegFile :\nOut of memory");
    EXPECT_EQ(icon, PromptIcon::Error);
}
