#include "model/BmpDecoder.h"

#include "ImageTestSupport.h"
#include "tests/support/ShellCommand.h"

#include <gtest/gtest.h>

#include <array>
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
// masks, colour table, gap, pixels. The setters chain, so that a case is one expression.
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

    BmpLayout& Size(int32_t w, int32_t h) { return width = w, height = h, *this; }
    BmpLayout& Bits(uint16_t bits, uint32_t compressionCode = 0) {
        return bitsPerPixel = bits, compression = compressionCode, *this;
    }
    BmpLayout& Table(std::vector<uint32_t> colours, uint32_t used = 0) {
        return palette = std::move(colours), coloursUsed = used, *this;
    }
    BmpLayout& Masks(std::vector<uint32_t> m) { return compression = 3, masks = std::move(m), *this; }
    BmpLayout& Px(std::vector<uint8_t> p) { return pixels = std::move(p), *this; }
    BmpLayout& Header(uint32_t bytes, bool inFile = true) {
        return headerBytes = bytes, fileHeader = inFile, *this;
    }
};

std::vector<uint8_t> Build(const BmpLayout& s) {
    std::vector<uint8_t> body;
    Put32(body, s.headerBytes);
    if (s.headerBytes == 12) {
        for (uint32_t v : {uint32_t(s.width), uint32_t(s.height), 1u, uint32_t(s.bitsPerPixel)})
            Put16(body, v);
    } else {
        for (uint32_t v : {uint32_t(s.width), uint32_t(s.height)}) Put32(body, v);
        Put16(body, 1);
        Put16(body, s.bitsPerPixel);
        for (uint32_t v : {s.compression, s.imageBytes, 2835u, 2835u, s.coloursUsed, 0u}) Put32(body, v);
        body.resize(std::max<size_t>(body.size(), s.headerBytes), 0);
    }
    for (uint32_t m : s.masks) Put32(body, m);
    for (uint32_t c : s.palette) {
        body.insert(body.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
        if (s.headerBytes != 12) body.push_back(0);
    }
    body.insert(body.end(), s.gap.begin(), s.gap.end());
    const uint32_t offset = s.pixelOffset != 0xFFFFFFFF ? s.pixelOffset : uint32_t(14 + body.size());
    body.insert(body.end(), s.pixels.begin(), s.pixels.end());
    if (!s.fileHeader) return body;
    std::vector<uint8_t> file = {'B', 'M'};
    for (uint32_t v : {uint32_t(14 + body.size()), 0u, offset}) Put32(file, v);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

BmpImage Decode(const std::vector<uint8_t>& bytes) {
    return DecodeBmp(bytes.data(), bytes.size());
}

// The status whose message a decode failed with; Ok when it decoded (or failed with no status's message).
BmpStatus Status(const BmpImage& decoded) {
    for (BmpStatus s : {BmpStatus::ReadFailed, BmpStatus::UnknownFormat, BmpStatus::ConversionFailed,
                        BmpStatus::OutOfMemory})
        if (!decoded.ok() && decoded.reason() == BmpStatusMessage(s, "")) return s;
    return BmpStatus::Ok;
}

BmpStatus Status(const BmpLayout& layout) {
    return Status(Decode(Build(layout)));
}

uint32_t Pixel(const TextureImage& image, int x, int y) {
    const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 3];
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

// Decodes and checks the size; all pixels, rows top to bottom, or none so that later checks fail rather than
// crash.
std::vector<uint32_t> Pixels(const BmpLayout& layout) {
    BmpImage result = Decode(Build(layout));
    EXPECT_TRUE(result.ok()) << result.reason();
    if (!result.ok()) return {};
    const TextureImage& image = **result;
    EXPECT_EQ(image.width, layout.width);
    EXPECT_EQ(image.height, layout.height < 0 ? -layout.height : layout.height);
    EXPECT_EQ(image.pixels.size(), size_t(image.width) * image.height * 3);
    std::vector<uint32_t> all;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) all.push_back(Pixel(image, x, y));
    return all;
}

using Colours = std::vector<uint32_t>;
const Colours kFour = {0x102030, 0xA0B0C0, 0x00FF00, 0x0000FF};
const uint32_t c0 = kFour[0], c1 = kFour[1], c2 = kFour[2], c3 = kFour[3];

} // namespace

TEST(BmpDecoder, IndexedTablesImpliedCountedAndTopDown) {
    // 8 bits in a bare DIB (no file header): with no count the table has 256 entries, and the pixels are
    // found after all of them.
    Colours greys;
    for (uint32_t i = 0; i < 256; ++i) greys.push_back(i * 0x010101);
    BmpLayout implied = BmpLayout().Header(40, false).Size(2, 1).Bits(8).Table(greys).Px({0x05, 0xFE, 0, 0});
    EXPECT_EQ(Pixels(implied), (Colours{0x050505, 0xFEFEFE}));
    // With a count of 3 the pixels follow the third entry; index 200 lies outside the table.
    EXPECT_EQ(Pixels(implied.Table({c0, c1, c2}, 3).Px({2, 200, 0, 0})), (Colours{c2, K}));
    // A top-down indexed image.
    EXPECT_EQ(Pixels(BmpLayout().Size(1, -2).Bits(8).Table({c0, c1}, 2).Px({1, 0, 0, 0, 0, 0, 0, 0})),
              (Colours{c1, c0}));
}

TEST(BmpDecoder, SixteenAndThirtyTwoBitPixelsFollowDefaultOrGivenMasks) {
    // 16-bit without masks is 5-5-5; five bits widen by repetition (10000 -> 10000100 = 132).
    BmpLayout sixteen = BmpLayout().Size(4, 1).Bits(16);
    EXPECT_EQ(Pixels(sixteen.Px({0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03, 0x10, 0x00})),
              (Colours{0xFFFFFF, 0xFF0000, 0x00FF00, 0x000084}));
    // Masks in another order, and 10-bit channels that keep their top 8 bits (red all ones, green 0x200).
    BmpLayout swapped =
        BmpLayout().Bits(32).Masks({0x0000FF, 0x00FF00, 0xFF0000}).Px({0x11, 0x22, 0x33, 0x44});
    EXPECT_EQ(Pixels(swapped), (Colours{0x112233}));
    const uint32_t ten = 0x3FFu << 20 | 0x200u << 10;
    EXPECT_EQ(Pixels(BmpLayout(swapped)
                         .Masks({0x3FF00000, 0x000FFC00, 0x000003FF})
                         .Px({uint8_t(ten), uint8_t(ten >> 8), uint8_t(ten >> 16), uint8_t(ten >> 24)})),
              (Colours{0xFF8000}));
    // A mask of all 32 bits keeps the top byte; an empty mask gives 0.
    EXPECT_EQ(Pixels(BmpLayout(swapped).Masks({0xFFFFFFFF, 0, 0x000000FF})), (Colours{0x440011}));
    // A mask with a hole in it is no colour channel.
    EXPECT_EQ(Status(BmpLayout(swapped).Masks({0xF0F0, 0x0F00, 0x000F})), BmpStatus::ConversionFailed);
}

TEST(BmpDecoder, TwentyFourBitRowsTopDownAndBottomUp) {
    // 9 bytes of B, G, R per row padded to 12.
    BmpLayout s = BmpLayout().Size(3, 2).Px(
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0xEE, 0xEE, 0xEE});
    EXPECT_EQ(Pixels(s), (Colours{0x0D0C0B, 0x100F0E, 0x131211, 0x030201, 0x060504, 0x090807}));
    // A negative height stores the top row first.
    s.Size(3, -2);
    EXPECT_EQ(Pixels(s), (Colours{0x030201, 0x060504, 0x090807, 0x0D0C0B, 0x100F0E, 0x131211}));
    // The last row's padding may be missing; one more byte missing is a conversion error.
    s.pixels.resize(s.pixels.size() - 3);
    EXPECT_EQ(Status(s), BmpStatus::Ok);
    s.pixels.pop_back();
    EXPECT_EQ(Status(s), BmpStatus::ConversionFailed);
}

TEST(BmpDecoder, RunLengthEightBitRunsAbsoluteBlocksEndOfLineAndDelta) {
    BmpLayout s = BmpLayout().Size(6, 3).Bits(8, 1).Table(kFour, 4).Px({
        0x02, 0x01, 0x00, 0x00,             // bottom row: 2 x index 1, end of line
        0x08, 0x02, 0x00, 0x00,             // middle row: a run of 8 clipped at the row's end
        0x00, 0x02, 0x01, 0x00,             // top row: delta 1 right, 0 up
        0x00, 0x03, 0x02, 0x03, 0x01, 0x00, // absolute 2, 3, 1 padded to 16 bits
        0x00, 0x01,                         // end of bitmap
    });
    s.imageBytes = uint32_t(s.pixels.size());
    const Colours expected = {K, c2, c3, c1, K, K, c2, c2, c2, c2, c2, c2, c1, c1, K, K, K, K};
    EXPECT_EQ(Pixels(s), expected);
    // Without a stated size the stream runs to the end of the file, even past the unpacked size (a
    // 1 x 1 image's run needs 2 bytes where its pixel has 1).
    s.imageBytes = 0;
    EXPECT_EQ(Pixels(s), expected);
    EXPECT_EQ(Pixels(BmpLayout(s).Size(1, 1).Px({0x01, 0x03, 0x00, 0x01})), (Colours{c3}));
    // A stream cut short leaves the rest black; a stated size shorter than the stream cuts it there.
    BmpLayout cut = s;
    cut.pixels.resize(8);
    EXPECT_EQ(Pixels(cut), (Colours{K, K, K, K, K, K, c2, c2, c2, c2, c2, c2, c1, c1, K, K, K, K}));
    cut = s;
    cut.imageBytes = 4;
    EXPECT_EQ(Pixels(cut), (Colours{K, K, K, K, K, K, K, K, K, K, K, K, c1, c1, K, K, K, K}));
    // A delta past the top row ends the image; so does running out of rows.
    EXPECT_EQ(Pixels(BmpLayout(s).Px({0x00, 0x02, 0x00, 0xFF, 0x03, 0x01})), Colours(18, K));
    // An absolute block whose bytes run past the stream reads only what is there.
    EXPECT_EQ(Pixels(BmpLayout(s).Px({0x00, 0x05, 0x01, 0x02})),
              (Colours{K, K, K, K, K, K, K, K, K, K, K, K, c1, c2, K, K, K, K}));
}

TEST(BmpDecoder, RunLengthFourBitAlternatesNibbles) {
    // Bottom row: a run of 1, 2, 1, 2, 1 and the end of the line. Top row: absolute 3, 0, 1, 2, 3 in three
    // bytes padded to four, then the end of the bitmap.
    BmpLayout s = BmpLayout().Size(5, 2).Bits(4, 2).Table(kFour, 4).Px(
        {0x05, 0x12, 0x00, 0x00, 0x00, 0x05, 0x30, 0x12, 0x30, 0x00, 0x00, 0x01});
    s.imageBytes = uint32_t(s.pixels.size());
    EXPECT_EQ(Pixels(s), (Colours{c3, c0, c1, c2, c3, c1, c2, c1, c2, c1}));
}

TEST(BmpDecoder, FileHeaderPixelOffsetIsUsedWhenPresent) {
    // Bytes between the table and the pixels are skipped through the offset.
    BmpLayout s = BmpLayout().Px({0x30, 0x20, 0x10, 0});
    s.gap = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x11};
    EXPECT_EQ(Pixels(s), (Colours{0x102030}));
    // An offset of 0 means "right after the headers and the table"; one past the end of the file has no
    // pixels.
    BmpLayout zero = BmpLayout().Px({0x30, 0x20, 0x10, 0});
    zero.pixelOffset = 0;
    EXPECT_EQ(Pixels(zero), (Colours{0x102030}));
    zero.pixelOffset = 1000;
    EXPECT_EQ(Status(zero), BmpStatus::ConversionFailed);
}

TEST(BmpDecoder, HeadersThatMakeNoImageAreConversionErrors) {
    const BmpLayout base = BmpLayout().Px(std::vector<uint8_t>(64, 0));
    std::vector<BmpLayout> bad = {
        BmpLayout(base).Bits(2),                         // no such depth
        BmpLayout(base).Size(0, 1),                      //
        BmpLayout(base).Size(-3, 1),                     //
        BmpLayout(base).Size(1, 0),                      //
        BmpLayout(base).Bits(4, 1),                      // RLE8 needs 8 bits
        BmpLayout(base).Bits(4, 2).Size(1, -1),          // run-length images cannot be top-down
        BmpLayout(base).Masks({0xFF0000, 0xFF00, 0xFF}), // bit fields on 24 bits
        BmpLayout(base).Bits(16, 3).Px({}),              // masks announced but missing
        BmpLayout(base).Bits(8).Px({}),                  // a colour table longer than the file
        BmpLayout(base).Header(12, false).Bits(32),      // the core header has no 32 bits
    };
    for (uint32_t compression : {4u, 5u, 6u, 0xFFFFFFFFu}) // JPEG, PNG and others inside a BMP
        bad.push_back(BmpLayout(base).Bits(24, compression));
    // Huge sizes with a few bytes of pixels: refused by the byte count, without overflow.
    for (const auto& [width, height, bpp] : std::vector<std::tuple<int32_t, int32_t, uint16_t>>{
             {INT_MAX, INT_MAX, 32}, {INT_MAX, INT_MIN, 32}, {1, INT_MIN, 24}, {100000, 100000, 1}})
        bad.push_back(BmpLayout().Size(width, height).Bits(bpp).Px(std::vector<uint8_t>(16, 0)));
    // A tiny run-length stream may not claim a vast image.
    bad.push_back(BmpLayout().Size(100000, 100000).Bits(8, 1).Table(kFour, 4).Px({0x00, 0x01}));
    for (size_t i = 0; i < bad.size(); ++i)
        EXPECT_EQ(Status(bad[i]), BmpStatus::ConversionFailed) << "case " << i;

    // All pixels present but more than a texture may hold: out of memory, decided before allocating.
    BmpLayout big = BmpLayout().Size(16385, 16385).Bits(1).Table({0, 0xFFFFFF});
    big.pixels.assign(size_t((16385 + 31) / 32 * 4) * 16385, 0);
    EXPECT_EQ(Status(big), BmpStatus::OutOfMemory);

    // Headers cut short are unreadable files.
    const std::vector<uint8_t> full = Build(BmpLayout{});
    for (size_t length : {size_t(0), size_t(1), size_t(2), size_t(13), size_t(17), size_t(53)})
        EXPECT_EQ(Status(DecodeBmp(full.data(), length)), BmpStatus::ReadFailed) << length;
    EXPECT_EQ(Status(DecodeBmp(nullptr, 0)), BmpStatus::ReadFailed);
}

TEST(BmpDecoder, FailuresShowTheirMessageInABoxTitledError) {
    TempFolder folder;
    const auto load = [&](const std::string& name, const std::vector<uint8_t>* bytes) {
        const std::string path = folder.File(name);
        if (bytes) {
            EXPECT_TRUE(WriteBytes(path, *bytes));
        }
        TitledPrompt prompt;
        EXPECT_EQ(LoadBmpFile(path, prompt), nullptr) << name;
        EXPECT_EQ(prompt.records.size(), 1u) << name;
        if (prompt.records.size() != 1) return std::string();
        EXPECT_EQ(prompt.records[0].title, "Error");
        return prompt.records[0].text;
    };
    const auto failedToOpen = [&](const std::string& name) {
        return "Failed to open DIB file " + folder.File(name) + ".\n";
    };

    // The version 4 and 5 headers (108 and 124 bytes) and the OS/2 2.x header (64) are not read.
    for (uint32_t size : {108u, 124u, 64u, 16u}) {
        const std::vector<uint8_t> bytes = Build(BmpLayout().Header(size).Px({1, 2, 3, 0}));
        EXPECT_EQ(load("v" + std::to_string(size) + ".bmp", &bytes), "Unknown DIB file format.");
    }
    EXPECT_EQ(load("absent.bmp", nullptr), failedToOpen("absent.bmp"));
    std::vector<uint8_t> header = Build(BmpLayout{});
    header.resize(30);
    EXPECT_EQ(load("header.bmp", &header), failedToOpen("header.bmp"));
    // A folder is no file, whatever its name.
    std::filesystem::create_directory(folder.File("folder.bmp"));
    EXPECT_EQ(load("folder.bmp", nullptr), failedToOpen("folder.bmp"));
    const std::vector<uint8_t> cut = Build(BmpLayout().Size(4, 1));
    EXPECT_EQ(load("cut.bmp", &cut), "Image file conversion error.");

    // Too large to hold (the case itself is decoded above): the text of the box.
    EXPECT_EQ(BmpStatusMessage(BmpStatus::OutOfMemory, "x"), "Out of memory.");

    // A readable file gives its image and no message.
    ASSERT_TRUE(WriteBytes(folder.File("good.bmp"), Build(BmpLayout().Px(std::vector<uint8_t>(4, 0)))));
    TitledPrompt prompt;
    EXPECT_NE(LoadBmpFile(folder.File("good.bmp"), prompt), nullptr);
    EXPECT_TRUE(prompt.records.empty());
}

// ---- Agreement with an encoder and decoder we did not write ----

namespace {

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// ImageMagick's own decode of `path`: 8-bit RGB rows top to bottom.
std::vector<uint8_t> DecodeWithConvert(const std::string& path) {
    const test::ShellResult run = test::RunShell("convert " + Quote(path) + " -depth 8 rgb:- 2>/dev/null");
    if (run.status != 0) return {};
    return std::vector<uint8_t>(run.out.begin(), run.out.end());
}

uint32_t U32At(const std::vector<uint8_t>& file, size_t at) {
    return uint32_t(file[at] | file[at + 1] << 8 | file[at + 2] << 16 | file[at + 3] << 24);
}

// Header size, bits per pixel and compression of a BMP file.
std::array<uint32_t, 3> Facts(const std::vector<uint8_t>& file) {
    if (file.size() < 34) return {0, 0, 0};
    const bool core = U32At(file, 14) == 12;
    return {U32At(file, 14), uint32_t(file[core ? 24 : 28] | file[core ? 25 : 29] << 8),
            core ? 0 : U32At(file, 30)};
}

// The same pixels with a 40-byte info header: the first 40 bytes of the long header, its three colour masks
// after it (or none for plain 5-5-5), and the pixel bytes as they were.
std::vector<uint8_t> ShortenHeader(const std::vector<uint8_t>& file, bool keepMasks) {
    const uint32_t pixelOffset = U32At(file, 10);
    std::vector<uint8_t> out = {'B', 'M'};
    const uint32_t newOffset = 14 + 40 + (keepMasks ? 12 : 0);
    for (uint32_t v : {uint32_t(newOffset + file.size() - pixelOffset), 0u, newOffset}) Put32(out, v);
    out.insert(out.end(), file.begin() + 14, file.begin() + 54);
    out[14] = 40;
    if (keepMasks) out.insert(out.end(), file.begin() + 54, file.begin() + 66);
    if (!keepMasks) out[30] = out[31] = out[32] = out[33] = 0;
    out.insert(out.end(), file.begin() + pixelOffset, file.end());
    return out;
}

} // namespace

TEST(BmpDecoder, AgreesWithImageMagickOnEveryFormItWrites) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick's convert is not installed (package imagemagick); the "
                        "comparison with an independent BMP codec was not run";
    TempFolder folder;
    // 13 x 9 (odd width, so every depth has row padding) with 117 different colours.
    const int w = 13, h = 9;
    std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ppm += {char(x * 19), char(y * 29), char(x * y * 7 + 40)};
    const std::string source = folder.File("picture.ppm");
    ASSERT_TRUE(WriteBytes(source, std::vector<uint8_t>(ppm.begin(), ppm.end())));

    // ImageMagick 6 writes the 40-byte header (BMP3), the 12-byte core header (BMP2) and the 124-byte
    // header (BMP). Its 16-bit BMP3 output announces bit fields without writing the masks (and its own
    // reader decodes that file to black), so the 16-bit and 32-bit bit-field forms are taken from its
    // 124-byte files with the header shortened to 40 bytes plus the masks (or without them: plain 5-5-5);
    // the pixels stay as it wrote them and are compared with its decode of the original file. RLE4 it
    // never writes (4-bit RLE output is widened to RLE8); that form is covered by the hand-built stream.
    enum Use { AsWritten, WithMasks, Plain };
    const struct {
        std::string options;           // for convert, with the output format prefix
        std::array<uint32_t, 3> facts; // what the file ImageMagick writes must be
        int bits;                      // significant bits of R and B (G has one more in 5-6-5)
        Use use;
    } variants[] = {
        {"-type Palette -colors 2 BMP3:", {40, 1, 0}, 8, AsWritten},
        {"-type Palette -colors 9 -compress None BMP3:", {40, 4, 0}, 8, AsWritten},
        {"-type Palette -compress None BMP3:", {40, 8, 0}, 8, AsWritten},
        {"-type Palette -compress RLE BMP3:", {40, 8, 1}, 8, AsWritten},
        {"-type TrueColor BMP3:", {40, 24, 0}, 8, AsWritten},
        {"-alpha set -define bmp3:alpha=true BMP3:", {40, 32, 0}, 8, AsWritten},
        {"-type Palette -colors 9 BMP2:", {12, 4, 0}, 8, AsWritten},
        {"-type TrueColor BMP2:", {12, 24, 0}, 8, AsWritten},
        {"-define bmp:subtype=RGB565 BMP:", {124, 16, 3}, 5, WithMasks},
        {"-define bmp:subtype=RGB555 BMP:", {124, 16, 3}, 5, WithMasks},
        {"-define bmp:subtype=RGB555 BMP:", {124, 16, 3}, 5, Plain},
        {"-alpha set -define bmp:subtype=ARGB4444 BMP:", {124, 16, 3}, 4, WithMasks},
        {"-alpha set BMP:", {124, 32, 3}, 8, WithMasks},
    };
    for (const auto& v : variants) {
        SCOPED_TRACE("convert " + v.options + (v.use == Plain ? " without masks" : ""));
        const std::string written = folder.File("written.bmp");
        ASSERT_EQ(std::system(("convert " + Quote(source) + " " + v.options + Quote(written)).c_str()), 0);
        std::vector<uint8_t> file = ReadBytes(written);
        // The variant really is the form it claims to cover.
        ASSERT_EQ(Facts(file), v.facts);
        const std::vector<uint8_t> theirs = DecodeWithConvert(written);
        ASSERT_EQ(theirs.size(), size_t(w * h * 3));
        if (v.use != AsWritten) {
            // The long header itself is refused.
            EXPECT_EQ(Status(Decode(file)), BmpStatus::UnknownFormat);
            file = ShortenHeader(file, v.use == WithMasks);
            ASSERT_EQ(Facts(file)[0], 40u);
        }
        const BmpImage decoded = Decode(file);
        ASSERT_TRUE(decoded.ok()) << decoded.reason();
        const TextureImage& ours = **decoded;
        ASSERT_EQ(ours.width, w);
        ASSERT_EQ(ours.pixels.size(), theirs.size());
        // Channels of fewer than 8 bits are widened differently by the two decoders; the bits the file
        // holds must agree exactly.
        const bool sixGreen = v.options.find("RGB565") != std::string::npos;
        int mismatches = 0;
        for (size_t i = 0; i < theirs.size(); ++i) {
            const int drop = 8 - v.bits - (sixGreen && i % 3 == 1 ? 1 : 0);
            if ((ours.pixels[i] >> drop) != (theirs[i] >> drop) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << (i / 3) % size_t(w) << "," << (i / 3) / size_t(w) << " channel "
                              << i % 3 << ": ours " << int(ours.pixels[i]) << ", theirs " << int(theirs[i]);
        }
        EXPECT_EQ(mismatches, 0);
        // A palette of 2 or 9 colours still shows more than one colour (the comparison is not trivial).
        EXPECT_NE(Pixel(ours, 0, 0), Pixel(ours, w - 1, h - 1));
    }
}
