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

} // namespace

TEST(JpegDecoder, ColourImagesDecodeToTheirRowsTopToBottom) {
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string path = folder.File("blocks.jpg");
    const std::vector<uint8_t> rgb = Blocks(100, 50, 3);
    ASSERT_TRUE(WriteJpeg(path, 100, 50, 3, rgb));
    TitledPrompt prompt;
    const std::unique_ptr<CTextureImage> image = LoadJpegFile(path, prompt);
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(prompt.records.empty());
    EXPECT_EQ(image->width, 100);
    EXPECT_EQ(image->height, 50);
    ASSERT_EQ(image->pixels.size(), rgb.size());
    // Lossy, but close at quality 100 with flat blocks; a row or channel mix-up would be far off.
    EXPECT_LE(MaxDifference(image->pixels, rgb), 6);
}

TEST(JpegDecoder, GreyImagesGiveEqualRedGreenAndBlue) {
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string path = folder.File("grey.jpg");
    const std::vector<uint8_t> grey = Blocks(24, 17, 1);
    ASSERT_TRUE(WriteJpeg(path, 24, 17, 1, grey));
    TitledPrompt prompt;
    const std::unique_ptr<CTextureImage> image = LoadJpegFile(path, prompt);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->pixels.size(), size_t(24 * 17 * 3));
    std::vector<uint8_t> reds;
    for (size_t i = 0; i < image->pixels.size(); i += 3) {
        ASSERT_EQ(image->pixels[i], image->pixels[i + 1]) << "pixel " << i / 3;
        ASSERT_EQ(image->pixels[i], image->pixels[i + 2]) << "pixel " << i / 3;
        reds.push_back(image->pixels[i]);
    }
    // And the grey itself is the image's, row for row.
    EXPECT_LE(MaxDifference(reds, grey), 6);
}

TEST(JpegDecoder, FourComponentImagesAreRefused) {
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string path = folder.File("cmyk.jpg");
    ASSERT_TRUE(WriteJpeg(path, 16, 16, 4, Blocks(16, 16, 4)));
    TitledPrompt prompt;
    EXPECT_EQ(LoadJpegFile(path, prompt), nullptr);
    ASSERT_EQ(prompt.records.size(), 1u);
    EXPECT_EQ(prompt.records[0].text, "JPEG :\nUnsupported number of color components: 4\n");
    EXPECT_EQ(prompt.records[0].title, "JPEG Error");
}

TEST(JpegDecoder, LibraryErrorsShowTheLibraryTextAndAbandonTheDecode) {
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());

    // Not a JPEG at all: the library's own text in a box titled "JPEG Error". Twice, so that a broken
    // jump back (stack or decompressor state) would show on the second decode.
    const std::string garbage = folder.File("garbage.jpg");
    ASSERT_TRUE(WriteBytes(garbage, {'B', 'M', 0, 0, 0, 0}));
    for (int round = 0; round < 2; ++round) {
        TitledPrompt prompt;
        EXPECT_EQ(LoadJpegFile(garbage, prompt), nullptr);
        ASSERT_EQ(prompt.records.size(), 1u);
        EXPECT_EQ(prompt.records[0].text, "Not a JPEG file: starts with 0x42 0x4d");
        EXPECT_EQ(prompt.records[0].title, "JPEG Error");
    }

    // An empty file.
    const std::string empty = folder.File("empty.jpg");
    ASSERT_TRUE(WriteBytes(empty, {}));
    TitledPrompt emptyPrompt;
    EXPECT_EQ(LoadJpegFile(empty, emptyPrompt), nullptr);
    ASSERT_EQ(emptyPrompt.records.size(), 1u);
    EXPECT_EQ(emptyPrompt.records[0].title, "JPEG Error");

    // A good file cut inside its header: the library's error, then a good file decodes normally.
    const std::string good = folder.File("good.jpg");
    ASSERT_TRUE(WriteJpeg(good, 32, 32, 3, Blocks(32, 32, 3)));
    std::vector<uint8_t> bytes = ReadBytes(good);
    bytes.resize(40);
    const std::string cut = folder.File("cut.jpg");
    ASSERT_TRUE(WriteBytes(cut, bytes));
    TitledPrompt cutPrompt;
    EXPECT_EQ(LoadJpegFile(cut, cutPrompt), nullptr);
    ASSERT_EQ(cutPrompt.records.size(), 1u);
    EXPECT_EQ(cutPrompt.records[0].title, "JPEG Error");
    TitledPrompt goodPrompt;
    EXPECT_NE(LoadJpegFile(good, goodPrompt), nullptr);
    EXPECT_TRUE(goodPrompt.records.empty());

    // Cut inside the image data: the library only warns and fills the rest, so an image results and
    // nothing is shown.
    bytes = ReadBytes(good);
    bytes.resize(bytes.size() - 100);
    ASSERT_TRUE(WriteBytes(cut, bytes));
    TitledPrompt truncatedPrompt;
    const std::unique_ptr<CTextureImage> truncated = LoadJpegFile(cut, truncatedPrompt);
    ASSERT_NE(truncated, nullptr);
    EXPECT_EQ(truncated->width, 32);
    EXPECT_TRUE(truncatedPrompt.records.empty());
}

TEST(JpegDecoder, MissingFilesAndHugeImagesHaveTheirOwnTexts) {
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string absent = folder.File("absent.jpg");
    TitledPrompt prompt;
    EXPECT_EQ(LoadJpegFile(absent, prompt), nullptr);
    ASSERT_EQ(prompt.records.size(), 1u);
    EXPECT_EQ(prompt.records[0].text, "JPEG :\nCan't open " + absent + "\n");

    // A frame header claiming 65000 x 65000 pixels (12 GB of RGB): refused before anything is allocated,
    // with the error icon.
    const std::string small = folder.File("small.jpg");
    ASSERT_TRUE(WriteJpeg(small, 8, 8, 3, Blocks(8, 8, 3)));
    std::vector<uint8_t> bytes = ReadBytes(small);
    size_t sof = 0;
    for (size_t i = 0; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    ASSERT_NE(sof, 0u);
    // FF C0, length (2), precision (1), height (2), width (2).
    bytes[sof + 5] = 0xFD;
    bytes[sof + 6] = 0xE8;
    bytes[sof + 7] = 0xFD;
    bytes[sof + 8] = 0xE8;
    const std::string huge = folder.File("huge.jpg");
    ASSERT_TRUE(WriteBytes(huge, bytes));
    TitledPrompt hugePrompt;
    EXPECT_EQ(LoadJpegFile(huge, hugePrompt), nullptr);
    ASSERT_EQ(hugePrompt.records.size(), 1u);
    EXPECT_EQ(hugePrompt.records[0].text, "JpegFile :\nOut of memory");
    EXPECT_EQ(hugePrompt.records[0].icon, PromptIcon::Error);
}
