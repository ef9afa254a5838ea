#include "model/BmpDecoder.h"

#include "ImageTestSupport.h"
#include "tests/support/ShellCommand.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

using namespace tsm;
using namespace tsm::testimage;

namespace {

constexpr uint32_t K = 0x000000; // black: pixels a stream skips or an index outside the table

// Everything a bitmap file can state, written in file order: file header (optional), info or core header,
// masks, colour table, gap, pixels.
struct BmpLayout {
    bool fileHeader = true;
    uint32_t pixelOffset = 0xFFFFFFFF; // default: right after the gap
    uint32_t headerBytes = 40;         // 12 writes the core header; other sizes pad the info header
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    uint32_t imageBytes = 0;
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> masks;
    std::vector<uint32_t> palette; // 0xRRGGBB
    std::vector<uint8_t> gap;
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> Build(const BmpLayout& s) {
    std::vector<uint8_t> body;
    Put32(body, s.headerBytes);
    if (s.headerBytes == 12) {
        Put16(body, uint32_t(s.width));
        Put16(body, uint32_t(s.height));
        Put16(body, 1);
        Put16(body, s.bitsPerPixel);
    } else {
        Put32(body, uint32_t(s.width));
        Put32(body, uint32_t(s.height));
        Put16(body, 1);
        Put16(body, s.bitsPerPixel);
        Put32(body, s.compression);
        Put32(body, s.imageBytes);
        Put32(body, 2835);
        Put32(body, 2835);
        Put32(body, s.coloursUsed);
        Put32(body, 0);
        while (body.size() < s.headerBytes) body.push_back(0);
    }
    for (uint32_t m : s.masks) Put32(body, m);
    for (uint32_t c : s.palette) {
        body.push_back(uint8_t(c));
        body.push_back(uint8_t(c >> 8));
        body.push_back(uint8_t(c >> 16));
        if (s.headerBytes != 12) body.push_back(0);
    }
    body.insert(body.end(), s.gap.begin(), s.gap.end());
    const uint32_t offset = s.pixelOffset != 0xFFFFFFFF ? s.pixelOffset : uint32_t(14 + body.size());
    body.insert(body.end(), s.pixels.begin(), s.pixels.end());
    if (!s.fileHeader) return body;
    std::vector<uint8_t> file = {'B', 'M'};
    Put32(file, uint32_t(14 + body.size()));
    Put32(file, 0);
    Put32(file, offset);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

BmpDecodeResult Decode(const std::vector<uint8_t>& bytes) {
    return DecodeBmp(bytes.data(), bytes.size());
}

uint32_t Pixel(const CTextureImage& image, int x, int y) {
    const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 3];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

// All pixels, rows top to bottom.
std::vector<uint32_t> Pixels(const CTextureImage& image) {
    std::vector<uint32_t> all;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) all.push_back(Pixel(image, x, y));
    return all;
}

// Decodes and checks the size; the image, or an empty one so that later checks fail rather than crash.
CTextureImage DecodeOk(const BmpLayout& layout) {
    BmpDecodeResult result = Decode(Build(layout));
    EXPECT_EQ(result.status, BmpStatus::Ok);
    if (result.status != BmpStatus::Ok || !result.image) return {};
    EXPECT_EQ(result.image->width, layout.width);
    EXPECT_EQ(result.image->height, layout.height < 0 ? -layout.height : layout.height);
    EXPECT_EQ(result.image->pixels.size(), size_t(result.image->width) * result.image->height * 3);
    return std::move(*result.image);
}

const std::vector<uint32_t> kFour = {0x102030, 0xA0B0C0, 0x00FF00, 0x0000FF};

} // namespace

TEST(BmpDecoder, OneBitRowsArePaddedToFourBytesAndStoredBottomUp) {
    BmpLayout s;
    s.width = 10;
    s.height = 2;
    s.bitsPerPixel = 1;
    s.palette = {kFour[0], kFour[1]};
    // Stored row 0 is the bottom row: bits 1000000001; the two padding bytes are junk and must be skipped.
    // Stored row 1 is the top row: bits 0101010101.
    s.pixels = {0x80, 0x40, 0xFF, 0xFF, 0x55, 0x40, 0xFF, 0xFF};
    const CTextureImage image = DecodeOk(s);
    const uint32_t a = kFour[0], b = kFour[1];
    EXPECT_EQ(Pixels(image), (std::vector<uint32_t>{a, b, a, b, a, b, a, b, a, b, //
                                                    b, a, a, a, a, a, a, a, a, b}));
}

TEST(BmpDecoder, FourAndEightBitIndicesUseTheGivenOrImpliedTableLength) {
    // 4 bits, odd width: the high nibble comes first; a table of 7 entries leaves index 15 black.
    BmpLayout four;
    four.width = 3;
    four.height = 1;
    four.bitsPerPixel = 4;
    four.coloursUsed = 7;
    four.palette = {0, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666};
    four.pixels = {0x16, 0xF0, 0, 0};
    EXPECT_EQ(Pixels(DecodeOk(four)), (std::vector<uint32_t>{0x111111, 0x666666, K}));

    // 8 bits in a bare DIB (no file header): with no count the table has 256 entries, and the pixels are
    // found after all of them.
    BmpLayout implied;
    implied.fileHeader = false;
    implied.width = 2;
    implied.bitsPerPixel = 8;
    for (uint32_t i = 0; i < 256; ++i) implied.palette.push_back(i * 0x010101);
    implied.pixels = {0x05, 0xFE, 0, 0};
    EXPECT_EQ(Pixels(DecodeOk(implied)), (std::vector<uint32_t>{0x050505, 0xFEFEFE}));

    // With a count of 3 the pixels follow the third entry; index 200 lies outside the table.
    BmpLayout given = implied;
    given.coloursUsed = 3;
    given.palette = {kFour[0], kFour[1], kFour[2]};
    given.pixels = {2, 200, 0, 0};
    EXPECT_EQ(Pixels(DecodeOk(given)), (std::vector<uint32_t>{kFour[2], K}));
}

TEST(BmpDecoder, SixteenAndThirtyTwoBitPixelsFollowDefaultOrGivenMasks) {
    // 16-bit without masks is 5-5-5; five bits widen by repetition (10000 -> 10000100 = 132).
    BmpLayout rgb555;
    rgb555.width = 4;
    rgb555.bitsPerPixel = 16;
    rgb555.pixels = {0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03, 0x10, 0x00};
    EXPECT_EQ(Pixels(DecodeOk(rgb555)), (std::vector<uint32_t>{0xFFFFFF, 0xFF0000, 0x00FF00, 0x000084}));

    // 5-6-5 masks: six green bits widen the same way (000001 -> 00000100).
    BmpLayout rgb565 = rgb555;
    rgb565.compression = 3;
    rgb565.masks = {0xF800, 0x07E0, 0x001F};
    rgb565.pixels = {0xFF, 0xFF, 0xE0, 0x07, 0x20, 0x00, 0x00, 0x80};
    EXPECT_EQ(Pixels(DecodeOk(rgb565)), (std::vector<uint32_t>{0xFFFFFF, 0x00FF00, 0x000400, 0x840000}));

    // 32-bit without masks is B, G, R and an unused byte.
    BmpLayout bgrx;
    bgrx.width = 1;
    bgrx.bitsPerPixel = 32;
    bgrx.pixels = {0x10, 0x20, 0x30, 0xFF};
    EXPECT_EQ(Pixels(DecodeOk(bgrx)), (std::vector<uint32_t>{0x302010}));

    // Masks in another order, and 10-bit channels that keep their top 8 bits.
    BmpLayout swapped = bgrx;
    swapped.compression = 3;
    swapped.masks = {0x0000FF, 0x00FF00, 0xFF0000};
    swapped.pixels = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(Pixels(DecodeOk(swapped)), (std::vector<uint32_t>{0x112233}));
    BmpLayout tenBit = swapped;
    tenBit.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    const uint32_t tenBitValue = 0x3FFu << 20 | 0x200u << 10; // red all ones, green 0x200, blue 0
    tenBit.pixels = {uint8_t(tenBitValue), uint8_t(tenBitValue >> 8), uint8_t(tenBitValue >> 16),
                     uint8_t(tenBitValue >> 24)};
    EXPECT_EQ(Pixels(DecodeOk(tenBit)), (std::vector<uint32_t>{0xFF8000}));

    // A mask of all 32 bits keeps the top byte; an empty mask gives 0.
    BmpLayout wholeWord = swapped;
    wholeWord.masks = {0xFFFFFFFF, 0, 0x000000FF};
    EXPECT_EQ(Pixels(DecodeOk(wholeWord)), (std::vector<uint32_t>{0x440011}));

    // A mask with a hole in it is no colour channel.
    BmpLayout holed = swapped;
    holed.masks = {0xF0F0, 0x0F00, 0x000F};
    EXPECT_EQ(Decode(Build(holed)).status, BmpStatus::ConversionFailed);
}

TEST(BmpDecoder, TwentyFourBitRowsTopDownAndBottomUp) {
    BmpLayout s;
    s.width = 3;
    s.height = 2;
    // 9 bytes of B, G, R per row padded to 12.
    s.pixels = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,
                11, 12, 13, 14, 15, 16, 17, 18, 19, 0xEE, 0xEE, 0xEE};
    const std::vector<uint32_t> first = {0x030201, 0x060504, 0x090807};
    const std::vector<uint32_t> second = {0x0D0C0B, 0x100F0E, 0x131211};
    std::vector<uint32_t> bottomUp = second;
    bottomUp.insert(bottomUp.end(), first.begin(), first.end());
    EXPECT_EQ(Pixels(DecodeOk(s)), bottomUp);

    // A negative height stores the top row first.
    s.height = -2;
    std::vector<uint32_t> topDown = first;
    topDown.insert(topDown.end(), second.begin(), second.end());
    EXPECT_EQ(Pixels(DecodeOk(s)), topDown);

    // The same for an indexed image.
    BmpLayout indexed;
    indexed.width = 1;
    indexed.height = -2;
    indexed.bitsPerPixel = 8;
    indexed.coloursUsed = 2;
    indexed.palette = {kFour[0], kFour[1]};
    indexed.pixels = {1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Pixels(DecodeOk(indexed)), (std::vector<uint32_t>{kFour[1], kFour[0]}));

    // The last row's padding may be missing; one more byte missing is a conversion error.
    s.pixels.resize(s.pixels.size() - 3);
    EXPECT_EQ(Decode(Build(s)).status, BmpStatus::Ok);
    s.pixels.pop_back();
    EXPECT_EQ(Decode(Build(s)).status, BmpStatus::ConversionFailed);
}

TEST(BmpDecoder, RunLengthEightBitRunsAbsoluteBlocksEndOfLineAndDelta) {
    BmpLayout s;
    s.width = 6;
    s.height = 3;
    s.bitsPerPixel = 8;
    s.compression = 1;
    s.coloursUsed = 4;
    s.palette = kFour;
    s.pixels = {
        0x02, 0x01, 0x00, 0x00,             // bottom row: 2 x index 1, end of line
        0x08, 0x02, 0x00, 0x00,             // middle row: a run of 8 clipped at the row's end
        0x00, 0x02, 0x01, 0x00,             // top row: delta 1 right, 0 up
        0x00, 0x03, 0x02, 0x03, 0x01, 0x00, // absolute 2, 3, 1 padded to 16 bits
        0x00, 0x01,                         // end of bitmap
    };
    s.imageBytes = uint32_t(s.pixels.size());
    const uint32_t c1 = kFour[1], c2 = kFour[2], c3 = kFour[3];
    const std::vector<uint32_t> expected = {K,  c2, c3, c1, K,  K,  //
                                            c2, c2, c2, c2, c2, c2, //
                                            c1, c1, K,  K,  K,  K};
    EXPECT_EQ(Pixels(DecodeOk(s)), expected);

    // Without a stated size the stream runs to the end of the file, even past the unpacked size (a
    // 1 x 1 image's run needs 2 bytes where its pixel has 1).
    s.imageBytes = 0;
    EXPECT_EQ(Pixels(DecodeOk(s)), expected);
    BmpLayout single = s;
    single.width = 1;
    single.height = 1;
    single.pixels = {0x01, 0x03, 0x00, 0x01};
    EXPECT_EQ(Pixels(DecodeOk(single)), (std::vector<uint32_t>{c3}));

    // A stream cut short leaves the rest black; a stated size shorter than the stream cuts it there.
    BmpLayout cut = s;
    cut.pixels.resize(8);
    EXPECT_EQ(Pixels(DecodeOk(cut)),
              (std::vector<uint32_t>{K, K, K, K, K, K, c2, c2, c2, c2, c2, c2, c1, c1, K, K, K, K}));
    cut = s;
    cut.imageBytes = 4;
    EXPECT_EQ(Pixels(DecodeOk(cut)),
              (std::vector<uint32_t>{K, K, K, K, K, K, K, K, K, K, K, K, c1, c1, K, K, K, K}));

    // A delta past the top row ends the image; so does running out of rows.
    BmpLayout away = s;
    away.pixels = {0x00, 0x02, 0x00, 0xFF, 0x03, 0x01};
    EXPECT_EQ(Pixels(DecodeOk(away)), std::vector<uint32_t>(18, K));

    // An absolute block whose bytes run past the stream reads only what is there.
    BmpLayout shortBlock = s;
    shortBlock.pixels = {0x00, 0x05, 0x01, 0x02};
    EXPECT_EQ(Pixels(DecodeOk(shortBlock)),
              (std::vector<uint32_t>{K, K, K, K, K, K, K, K, K, K, K, K, c1, c2, K, K, K, K}));
}

TEST(BmpDecoder, RunLengthFourBitAlternatesNibbles) {
    BmpLayout s;
    s.width = 5;
    s.height = 2;
    s.bitsPerPixel = 4;
    s.compression = 2;
    s.palette = kFour;
    s.coloursUsed = 4;
    s.pixels = {
        0x05, 0x12,                   // bottom row: 1, 2, 1, 2, 1
        0x00, 0x00,                   // end of line
        0x00, 0x05, 0x30, 0x12, 0x30, // absolute 3, 0, 1, 2, 3 in three bytes ...
        0x00,                         // ... padded to four
        0x00, 0x01,
    };
    s.imageBytes = uint32_t(s.pixels.size());
    const std::vector<uint32_t>& c = kFour;
    EXPECT_EQ(Pixels(DecodeOk(s)), (std::vector<uint32_t>{c[3], c[0], c[1], c[2], c[3], //
                                                          c[1], c[2], c[1], c[2], c[1]}));
}

TEST(BmpDecoder, CoreHeaderUsesThreeBytePaletteEntries) {
    // 1-bit with its implied table of 2 three-byte entries, in a bare DIB and in a file.
    BmpLayout one;
    one.headerBytes = 12;
    one.width = 2;
    one.bitsPerPixel = 1;
    one.palette = {kFour[0], kFour[1]};
    one.pixels = {0x40, 0, 0, 0};
    EXPECT_EQ(Pixels(DecodeOk(one)), (std::vector<uint32_t>{kFour[0], kFour[1]}));
    one.fileHeader = false;
    EXPECT_EQ(Pixels(DecodeOk(one)), (std::vector<uint32_t>{kFour[0], kFour[1]}));

    // 4 bits: 16 entries of 3 bytes precede the pixels.
    BmpLayout four = one;
    four.bitsPerPixel = 4;
    four.palette.assign(16, 0);
    four.palette[9] = 0x123456;
    four.pixels = {0x90, 0, 0, 0};
    EXPECT_EQ(Pixels(DecodeOk(four)), (std::vector<uint32_t>{0x123456, 0}));

    // 8 bits: 256 entries.
    BmpLayout eight = one;
    eight.bitsPerPixel = 8;
    eight.palette.assign(256, 0);
    eight.palette[255] = 0xABCDEF;
    eight.pixels = {0xFF, 0, 0, 0};
    EXPECT_EQ(Pixels(DecodeOk(eight)), (std::vector<uint32_t>{0xABCDEF, 0}));

    // 24 bits, no table.
    BmpLayout full = one;
    full.bitsPerPixel = 24;
    full.palette.clear();
    full.pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    EXPECT_EQ(Pixels(DecodeOk(full)), (std::vector<uint32_t>{0x030201, 0x060504}));

    // The core header has no 16- or 32-bit forms.
    full.bitsPerPixel = 32;
    EXPECT_EQ(Decode(Build(full)).status, BmpStatus::ConversionFailed);
}

TEST(BmpDecoder, FileHeaderPixelOffsetIsUsedWhenPresent) {
    // Bytes between the table and the pixels are skipped through the offset.
    BmpLayout s;
    s.gap = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x11};
    s.pixels = {0x30, 0x20, 0x10, 0};
    EXPECT_EQ(Pixels(DecodeOk(s)), (std::vector<uint32_t>{0x102030}));
    // An offset of 0 means "right after the headers and the table".
    BmpLayout zero;
    zero.pixelOffset = 0;
    zero.pixels = {0x30, 0x20, 0x10, 0};
    EXPECT_EQ(Pixels(DecodeOk(zero)), (std::vector<uint32_t>{0x102030}));
    // An offset past the end of the file has no pixels.
    BmpLayout beyond = zero;
    beyond.pixelOffset = 1000;
    EXPECT_EQ(Decode(Build(beyond)).status, BmpStatus::ConversionFailed);
}

TEST(BmpDecoder, HeadersThatMakeNoImageAreConversionErrors) {
    const auto status = [](const BmpLayout& s) { return Decode(Build(s)).status; };
    BmpLayout base;
    base.pixels = std::vector<uint8_t>(64, 0);
    BmpLayout s = base;
    s.bitsPerPixel = 2; // no such depth
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
    s = base;
    s.width = 0;
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
    s = base;
    s.width = -3;
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
    s = base;
    s.height = 0;
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
    s = base;
    s.bitsPerPixel = 4; // RLE8 needs 8 bits
    s.compression = 1;
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
    s = base;
    s.bitsPerPixel = 4; // run-length images cannot be top-down
    s.compression = 2;
    s.height = -1;
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
    s = base;
    s.compression = 3; // bit fields on 24 bits
    s.masks = {0xFF0000, 0xFF00, 0xFF};
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
    for (uint32_t compression : {4u, 5u, 6u, 0xFFFFFFFFu}) { // JPEG, PNG and others inside a BMP
        s = base;
        s.compression = compression;
        EXPECT_EQ(status(s), BmpStatus::ConversionFailed) << compression;
    }
    // Masks announced but missing.
    s = base;
    s.bitsPerPixel = 16;
    s.compression = 3;
    s.pixels.clear();
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
    // A colour table longer than the file.
    s = base;
    s.bitsPerPixel = 8;
    s.pixels.clear();
    EXPECT_EQ(status(s), BmpStatus::ConversionFailed);
}

TEST(BmpDecoder, StatedSizesBeyondTheBytesAllocateNothing) {
    // Huge sizes with a few bytes of pixels: refused by the byte count, without overflow.
    BmpLayout s;
    s.pixels = std::vector<uint8_t>(16, 0);
    for (const auto& [width, height, bpp] : std::vector<std::tuple<int32_t, int32_t, uint16_t>>{
             {INT_MAX, INT_MAX, 32}, {INT_MAX, INT_MIN, 32}, {1, INT_MIN, 24}, {100000, 100000, 1}}) {
        s.width = width;
        s.height = height;
        s.bitsPerPixel = bpp;
        EXPECT_EQ(Decode(Build(s)).status, BmpStatus::ConversionFailed) << width << "x" << height;
    }
    // A tiny run-length stream may not claim a vast image.
    BmpLayout rle;
    rle.width = 100000;
    rle.height = 100000;
    rle.bitsPerPixel = 8;
    rle.compression = 1;
    rle.palette = kFour;
    rle.coloursUsed = 4;
    rle.pixels = {0x00, 0x01};
    EXPECT_EQ(Decode(Build(rle)).status, BmpStatus::ConversionFailed);

    // All pixels present but more than a texture may hold: out of memory, decided before allocating.
    BmpLayout big;
    big.width = 16385;
    big.height = 16385;
    big.bitsPerPixel = 1;
    big.palette = {0, 0xFFFFFF};
    big.pixels.assign(size_t((16385 + 31) / 32 * 4) * 16385, 0);
    EXPECT_EQ(Decode(Build(big)).status, BmpStatus::OutOfMemory);

    // Headers cut short are unreadable files.
    const std::vector<uint8_t> full = Build(BmpLayout{});
    for (size_t length : {size_t(0), size_t(1), size_t(2), size_t(13), size_t(17), size_t(53)})
        EXPECT_EQ(DecodeBmp(full.data(), length).status, BmpStatus::ReadFailed) << length;
    EXPECT_EQ(DecodeBmp(nullptr, 0).status, BmpStatus::ReadFailed);
}

TEST(BmpDecoder, FailuresShowTheirMessageInABoxTitledError) {
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const auto load = [&](const std::string& name, const std::vector<uint8_t>* bytes) {
        const std::string path = folder.File(name);
        if (bytes) {
            EXPECT_TRUE(WriteBytes(path, *bytes));
        }
        TitledPrompt prompt;
        std::unique_ptr<CTextureImage> image = LoadBmpFile(path, prompt);
        EXPECT_EQ(image, nullptr) << name;
        EXPECT_EQ(prompt.records.size(), 1u) << name;
        if (prompt.records.size() != 1) return PromptRecord{};
        EXPECT_EQ(prompt.records[0].title, "Error");
        return prompt.records[0];
    };

    // The version 4 and 5 headers (108 and 124 bytes) and the OS/2 2.x header (64) are not read.
    for (uint32_t size : {108u, 124u, 64u, 16u}) {
        BmpLayout s;
        s.headerBytes = size;
        s.pixels = {1, 2, 3, 0};
        const std::vector<uint8_t> bytes = Build(s);
        EXPECT_EQ(load("v" + std::to_string(size) + ".bmp", &bytes).text, "Unknown DIB file format.");
    }

    EXPECT_EQ(load("absent.bmp", nullptr).text,
              "Failed to open DIB file " + folder.File("absent.bmp") + ".\n");
    const std::vector<uint8_t> empty;
    EXPECT_EQ(load("empty.bmp", &empty).text, "Failed to open DIB file " + folder.File("empty.bmp") + ".\n");
    std::vector<uint8_t> header = Build(BmpLayout{});
    header.resize(30);
    EXPECT_EQ(load("header.bmp", &header).text,
              "Failed to open DIB file " + folder.File("header.bmp") + ".\n");

    // A folder is no file, whatever its name.
    std::filesystem::create_directory(folder.File("folder.bmp"));
    EXPECT_EQ(load("folder.bmp", nullptr).text,
              "Failed to open DIB file " + folder.File("folder.bmp") + ".\n");

    BmpLayout noPixels;
    noPixels.width = 4;
    const std::vector<uint8_t> cut = Build(noPixels);
    EXPECT_EQ(load("cut.bmp", &cut).text, "Image file conversion error.");

    // Too large to hold (the case itself is decoded above): the text of the box.
    EXPECT_EQ(BmpStatusMessage(BmpStatus::OutOfMemory, "x"), "Out of memory.");
    EXPECT_EQ(BmpStatusMessage(BmpStatus::Ok, "x"), "");

    // A readable file gives its image and no message.
    BmpLayout one;
    one.pixels = std::vector<uint8_t>(4, 0);
    const std::vector<uint8_t> good = Build(one);
    ASSERT_TRUE(WriteBytes(folder.File("good.bmp"), good));
    TitledPrompt prompt;
    EXPECT_NE(LoadBmpFile(folder.File("good.bmp"), prompt), nullptr);
    EXPECT_TRUE(prompt.records.empty());
}

// ---- Agreement with an encoder and decoder we did not write ----

namespace {

bool HaveConvert() {
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// ImageMagick's own decode of `path` as 8-bit RGB rows top to bottom.
bool DecodeWithConvert(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb) {
    const test::ShellResult run = test::RunShell("convert " + Quote(path) + " -depth 8 ppm:- 2>/dev/null");
    if (run.status != 0) return false;
    const std::vector<uint8_t> bytes(run.out.begin(), run.out.end());
    // "P6" then width, height and maximum value separated by white space, one white space, the samples.
    size_t pos = 2;
    int fields[3] = {0, 0, 0};
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') return false;
    for (int& field : fields) {
        while (pos < bytes.size() && std::isspace(bytes[pos])) ++pos;
        while (pos < bytes.size() && std::isdigit(bytes[pos])) field = field * 10 + (bytes[pos++] - '0');
    }
    ++pos;
    width = fields[0];
    height = fields[1];
    if (fields[2] != 255 || bytes.size() - pos != size_t(width) * height * 3) return false;
    rgb.assign(bytes.begin() + long(pos), bytes.end());
    return true;
}

struct HeaderFacts {
    uint32_t headerBytes = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t compression = 0;
};

HeaderFacts ReadFacts(const std::vector<uint8_t>& file) {
    HeaderFacts facts;
    if (file.size() < 34) return facts;
    const auto u32 = [&](size_t at) {
        return uint32_t(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24);
    };
    facts.headerBytes = u32(14);
    facts.bitsPerPixel =
        uint16_t(file[facts.headerBytes == 12 ? 24 : 28] | file[facts.headerBytes == 12 ? 25 : 29] << 8);
    facts.compression = facts.headerBytes == 12 ? 0 : u32(30);
    return facts;
}

// The same pixels with a 40-byte info header: the first 40 bytes of the long header, its three colour masks
// after it (or none for plain 5-5-5), and the pixel bytes as they were.
std::vector<uint8_t> ShortenHeader(const std::vector<uint8_t>& file, bool keepMasks) {
    const auto u32 = [&](size_t at) {
        return uint32_t(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24);
    };
    const uint32_t pixelOffset = u32(10);
    std::vector<uint8_t> out = {'B', 'M'};
    const uint32_t newOffset = 14 + 40 + (keepMasks ? 12 : 0);
    Put32(out, uint32_t(newOffset + file.size() - pixelOffset));
    Put32(out, 0);
    Put32(out, newOffset);
    out.insert(out.end(), file.begin() + 14, file.begin() + 54);
    out[14] = 40;
    if (!keepMasks) out[30] = out[31] = out[32] = out[33] = 0;
    if (keepMasks) out.insert(out.end(), file.begin() + 54, file.begin() + 66);
    out.insert(out.end(), file.begin() + pixelOffset, file.end());
    return out;
}

struct Variant {
    std::string name;
    std::string options;     // for convert, with the output format prefix
    HeaderFacts expected;    // what the file ImageMagick writes must be
    int bits[3] = {8, 8, 8}; // significant bits of R, G, B
    enum { AsWritten, ShortHeaderWithMasks, ShortHeaderPlain } use = AsWritten;
};

} // namespace

TEST(BmpDecoder, AgreesWithImageMagickOnEveryFormItWrites) {
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed (package imagemagick); the "
                        "comparison with an independent BMP codec was not run";
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    // 13 x 9 (odd width, so every depth has row padding) with 117 different colours.
    const int w = 13, h = 9;
    std::vector<uint8_t> picture;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            picture.push_back(uint8_t(x * 19));
            picture.push_back(uint8_t(y * 29));
            picture.push_back(uint8_t(x * y * 7 + 40));
        }
    std::vector<uint8_t> ppm;
    const std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    ppm.assign(head.begin(), head.end());
    ppm.insert(ppm.end(), picture.begin(), picture.end());
    const std::string source = folder.File("picture.ppm");
    ASSERT_TRUE(WriteBytes(source, ppm));

    // ImageMagick 6 writes the 40-byte header (BMP3), the 12-byte core header (BMP2) and the 124-byte
    // header (BMP). Its 16-bit BMP3 output announces bit fields without writing the masks (and its own
    // reader decodes that file to black), so the 16-bit and 32-bit bit-field forms are taken from its
    // 124-byte files with the header shortened to 40 bytes plus the masks; the pixels stay as it wrote
    // them and are compared with its decode of the original file. RLE4 it never writes (4-bit RLE output
    // is widened to RLE8); that form is covered by the hand-built stream above.
    std::vector<Variant> variants = {
        {"info1", "-type Palette -colors 2 BMP3:", {40, 1, 0}},
        {"info4", "-type Palette -colors 9 -compress None BMP3:", {40, 4, 0}},
        {"info8", "-type Palette -compress None BMP3:", {40, 8, 0}},
        {"info8rle", "-type Palette -compress RLE BMP3:", {40, 8, 1}},
        {"info24", "-type TrueColor BMP3:", {40, 24, 0}},
        {"info32", "-alpha set -define bmp3:alpha=true BMP3:", {40, 32, 0}},
        {"core1", "-type Palette -colors 2 BMP2:", {12, 1, 0}},
        {"core4", "-type Palette -colors 9 BMP2:", {12, 4, 0}},
        {"core8", "-type Palette -compress None BMP2:", {12, 8, 0}},
        {"core24", "-type TrueColor BMP2:", {12, 24, 0}},
        {"rgb565", "-define bmp:subtype=RGB565 BMP:", {124, 16, 3}, {5, 6, 5}, Variant::ShortHeaderWithMasks},
        {"rgb555", "-define bmp:subtype=RGB555 BMP:", {124, 16, 3}, {5, 5, 5}, Variant::ShortHeaderWithMasks},
        {"rgb555plain",
         "-define bmp:subtype=RGB555 BMP:",
         {124, 16, 3},
         {5, 5, 5},
         Variant::ShortHeaderPlain},
        {"argb1555",
         "-alpha set -define bmp:subtype=ARGB1555 BMP:",
         {124, 16, 3},
         {5, 5, 5},
         Variant::ShortHeaderWithMasks},
        {"argb4444",
         "-alpha set -define bmp:subtype=ARGB4444 BMP:",
         {124, 16, 3},
         {4, 4, 4},
         Variant::ShortHeaderWithMasks},
        {"argb8888", "-alpha set BMP:", {124, 32, 3}, {8, 8, 8}, Variant::ShortHeaderWithMasks},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name + ": convert " + v.options);
        const std::string written = folder.File(v.name + ".bmp");
        ASSERT_EQ(std::system(("convert " + Quote(source) + " " + v.options + Quote(written)).c_str()), 0);
        std::vector<uint8_t> file = ReadBytes(written);
        const HeaderFacts facts = ReadFacts(file);
        // The variant really is the form it claims to cover.
        ASSERT_EQ(facts.headerBytes, v.expected.headerBytes);
        ASSERT_EQ(facts.bitsPerPixel, v.expected.bitsPerPixel);
        ASSERT_EQ(facts.compression, v.expected.compression);

        int theirWidth = 0, theirHeight = 0;
        std::vector<uint8_t> theirs;
        ASSERT_TRUE(DecodeWithConvert(written, theirWidth, theirHeight, theirs));
        if (v.use != Variant::AsWritten) {
            // The long header itself is refused.
            EXPECT_EQ(Decode(file).status, BmpStatus::UnknownFormat);
            file = ShortenHeader(file, v.use == Variant::ShortHeaderWithMasks);
            ASSERT_EQ(ReadFacts(file).headerBytes, 40u);
        }
        const BmpDecodeResult ours = Decode(file);
        ASSERT_EQ(ours.status, BmpStatus::Ok);
        ASSERT_EQ(ours.image->width, theirWidth);
        ASSERT_EQ(ours.image->height, theirHeight);
        ASSERT_EQ(ours.image->pixels.size(), theirs.size());
        // Channels of fewer than 8 bits are widened differently by the two decoders; the bits the file
        // holds must agree exactly.
        int mismatches = 0;
        for (size_t i = 0; i < theirs.size(); ++i) {
            const int drop = 8 - v.bits[i % 3];
            if ((ours.image->pixels[i] >> drop) != (theirs[i] >> drop) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << (i / 3) % size_t(w) << "," << (i / 3) / size_t(w) << " channel "
                              << i % 3 << ": ours " << int(ours.image->pixels[i]) << ", theirs "
                              << int(theirs[i]);
        }
        EXPECT_EQ(mismatches, 0);
        // A palette of 2 or 9 colours still shows more than one colour (the comparison is not trivial).
        EXPECT_NE(Pixel(*ours.image, 0, 0), Pixel(*ours.image, w - 1, h - 1));
    }
}
