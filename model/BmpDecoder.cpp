#include "model/BmpDecoder.h"

#include "model/TextureImage.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <vector>

namespace tsm {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;

// A run-length stream can describe many pixels in few bytes (end-of-line and delta skip whole areas), so
// its image may not be arbitrarily larger than the stream. Solid images from real encoders stay near 128
// pixels per byte.
constexpr int64_t kRlePixelsPerByte = 1024;
constexpr int64_t kRleMinimumPixelAllowance = 65536;

// Files are never read beyond what the largest acceptable image needs (32 bits per pixel plus headers).
constexpr int64_t kMaxFileBytes = kMaxImagePixels * 4 + (int64_t(1) << 20);

uint16_t U16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int32_t I32(const uint8_t* p) {
    return int32_t(U32(p));
}

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

// One colour channel of a 16- or 32-bit pixel: where its bits are and how many there are.
struct Channel {
    int shift = 0;
    int bits = 0;

    // Fewer than 8 bits are widened by repeating the bit pattern, so that a full channel becomes 255;
    // more than 8 keep their top 8 bits.
    uint8_t Extract(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t value = bits >= 32 ? pixel : (pixel >> shift) & ((uint32_t(1) << bits) - 1);
        if (bits >= 8) return uint8_t(value >> (bits - 8));
        uint32_t widened = 0;
        int filled = 0;
        while (filled < 8) {
            widened = (widened << bits) | value;
            filled += bits;
        }
        return uint8_t(widened >> (filled - 8));
    }
};

// Masks must be one contiguous run of bits; an empty mask gives a channel that is always 0.
bool MakeChannel(uint32_t mask, Channel& channel) {
    channel = Channel{};
    if (mask == 0) return true;
    int shift = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    int bits = 0;
    while (mask & 1) {
        mask >>= 1;
        ++bits;
    }
    if (mask != 0) return false;
    channel.shift = shift;
    channel.bits = bits;
    return true;
}

struct Layout {
    int32_t width = 0;
    int64_t rows = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    uint32_t compression = kBiRgb;
    std::vector<Rgb> palette; // the entries the pixel indices can reach; missing ones read as black
    Channel red, green, blue;
    const uint8_t* pixels = nullptr;
    size_t pixelBytes = 0;
};

// Image row of the n-th row stored in the file.
uint8_t* OutputRow(const Layout& layout, std::vector<uint8_t>& out, int64_t storedRow) {
    const int64_t row = layout.topDown ? storedRow : layout.rows - 1 - storedRow;
    return out.data() + row * int64_t(layout.width) * 3;
}

void PutIndex(const Layout& layout, uint8_t* dst, uint32_t index) {
    if (index >= layout.palette.size()) return; // out of the table: stays black
    const Rgb& c = layout.palette[index];
    dst[0] = c.r;
    dst[1] = c.g;
    dst[2] = c.b;
}

void DecodeUncompressed(const Layout& layout, std::vector<uint8_t>& out) {
    const int64_t stride = (int64_t(layout.bitsPerPixel) * layout.width + 31) / 32 * 4;
    for (int64_t s = 0; s < layout.rows; ++s) {
        const uint8_t* src = layout.pixels + s * stride;
        uint8_t* dst = OutputRow(layout, out, s);
        for (int32_t x = 0; x < layout.width; ++x, dst += 3) {
            switch (layout.bitsPerPixel) {
            case 1:
                PutIndex(layout, dst, (src[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                PutIndex(layout, dst, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
                break;
            case 8:
                PutIndex(layout, dst, src[x]);
                break;
            case 24:
                dst[0] = src[x * 3 + 2];
                dst[1] = src[x * 3 + 1];
                dst[2] = src[x * 3 + 0];
                break;
            default: {
                const uint32_t pixel =
                    layout.bitsPerPixel == 16 ? U16(src + int64_t(x) * 2) : U32(src + int64_t(x) * 4);
                dst[0] = layout.red.Extract(pixel);
                dst[1] = layout.green.Extract(pixel);
                dst[2] = layout.blue.Extract(pixel);
                break;
            }
            }
        }
    }
}

// Runs and absolute blocks that reach past the row's end are clipped; pixels the stream skips (delta,
// early end of line, early end of stream) stay black. Every step consumes at least two bytes, so the
// loop ends with the stream.
void DecodeRle(const Layout& layout, std::vector<uint8_t>& out) {
    const bool fourBit = layout.compression == kBiRle4;
    const uint8_t* p = layout.pixels;
    const uint8_t* const end = layout.pixels + layout.pixelBytes;
    int64_t x = 0;
    int64_t y = 0;
    auto put = [&](uint32_t index) {
        if (x < layout.width) PutIndex(layout, OutputRow(layout, out, y) + x * 3, index);
        ++x;
    };
    while (end - p >= 2 && y < layout.rows) {
        const uint8_t count = p[0];
        const uint8_t value = p[1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) put(fourBit ? ((i & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: right and up
            if (end - p < 2) break;
            x += p[0];
            y += p[1];
            p += 2;
        } else { // absolute block of `value` pixels, padded to a 16-bit boundary
            const int64_t bytes = fourBit ? (value + 1) / 2 : value;
            const int64_t padded = (bytes + 1) & ~int64_t(1);
            const int64_t available = std::min<int64_t>(padded, end - p);
            for (int i = 0; i < value; ++i) {
                const int64_t byteIndex = fourBit ? i / 2 : i;
                if (byteIndex >= available) break;
                const uint8_t b = p[byteIndex];
                put(fourBit ? ((i & 1) ? b & 15 : b >> 4) : b);
            }
            p += available;
        }
    }
}

} // namespace

BmpImage DecodeBmp(const uint8_t* data, size_t size, const std::string& path) {
    const auto Fail = [&path](BmpStatus status) { return Outcome::Failed(BmpStatusMessage(status, path)); };
    if (!data) return Fail(BmpStatus::ReadFailed);
    size_t pos = 0;
    uint32_t pixelOffset = 0;
    const bool hasFileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    if (hasFileHeader) {
        if (size < kFileHeaderBytes) return Fail(BmpStatus::ReadFailed);
        pixelOffset = U32(data + 10);
        pos = kFileHeaderBytes;
    }
    if (size - pos < 4) return Fail(BmpStatus::ReadFailed);
    const uint32_t headerBytes = U32(data + pos);
    if (headerBytes != kCoreHeaderBytes && headerBytes != kInfoHeaderBytes)
        return Fail(BmpStatus::UnknownFormat);
    if (size - pos < headerBytes) return Fail(BmpStatus::ReadFailed);

    Layout layout;
    const uint8_t* h = data + pos;
    const bool core = headerBytes == kCoreHeaderBytes;
    int64_t height = 0;
    uint32_t imageBytes = 0;
    uint32_t coloursUsed = 0;
    if (core) {
        layout.width = U16(h + 4);
        height = U16(h + 6);
        layout.bitsPerPixel = U16(h + 10);
    } else {
        layout.width = I32(h + 4);
        height = I32(h + 8);
        layout.bitsPerPixel = U16(h + 14);
        layout.compression = U32(h + 16);
        imageBytes = U32(h + 20);
        coloursUsed = U32(h + 32);
    }
    pos += headerBytes;

    const int bpp = layout.bitsPerPixel;
    const bool depthOk = core ? (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24)
                              : (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32);
    if (!depthOk || layout.width <= 0 || height == 0) return Fail(BmpStatus::ConversionFailed);
    layout.topDown = height < 0;
    layout.rows = height < 0 ? -height : height;

    const bool rle = layout.compression == kBiRle8 || layout.compression == kBiRle4;
    switch (layout.compression) {
    case kBiRgb:
        break;
    case kBiRle8:
    case kBiRle4:
        // Run-length images are stored bottom-up only.
        if (bpp != (layout.compression == kBiRle8 ? 8 : 4) || layout.topDown)
            return Fail(BmpStatus::ConversionFailed);
        break;
    case kBiBitfields:
        if (bpp != 16 && bpp != 32) return Fail(BmpStatus::ConversionFailed);
        break;
    default:
        return Fail(BmpStatus::ConversionFailed);
    }

    uint32_t masks[3] = {0, 0, 0};
    if (layout.compression == kBiBitfields) {
        if (size - pos < 12) return Fail(BmpStatus::ConversionFailed);
        for (int i = 0; i < 3; ++i) masks[i] = U32(data + pos + 4 * i);
        pos += 12;
    } else if (bpp == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    if (!MakeChannel(masks[0], layout.red) || !MakeChannel(masks[1], layout.green) ||
        !MakeChannel(masks[2], layout.blue))
        return Fail(BmpStatus::ConversionFailed);

    // The colour table: its length is given (info header) or implied by the depth; entries past what the
    // depth can index are never used but still occupy the file.
    const size_t entryBytes = core ? 3 : 4;
    const uint64_t tableEntries = (coloursUsed != 0 || bpp > 8) ? coloursUsed : (uint64_t(1) << bpp);
    if (bpp <= 8) {
        const uint64_t usable = std::min<uint64_t>(tableEntries, uint64_t(1) << bpp);
        if (usable * entryBytes > size - pos) return Fail(BmpStatus::ConversionFailed);
        layout.palette.resize(size_t(usable));
        for (size_t i = 0; i < layout.palette.size(); ++i) {
            const uint8_t* e = data + pos + i * entryBytes;
            layout.palette[i] = Rgb{e[2], e[1], e[0]};
        }
    }
    const uint64_t pixelStart =
        (hasFileHeader && pixelOffset != 0) ? pixelOffset : pos + tableEntries * entryBytes;
    if (pixelStart > size) return Fail(BmpStatus::ConversionFailed);
    layout.pixels = data + pixelStart;
    const uint64_t available = size - pixelStart;

    const int64_t pixelCount = int64_t(layout.width) * layout.rows;
    if (rle) {
        // Without a size in the header the stream runs to the end of the file. (The unpacked size of the
        // pixels is no bound for it: a 1-pixel image would get no room even for its end-of-bitmap code.)
        layout.pixelBytes = size_t(imageBytes != 0 ? std::min<uint64_t>(imageBytes, available) : available);
        if (pixelCount >
            std::max<int64_t>(kRleMinimumPixelAllowance, int64_t(layout.pixelBytes) * kRlePixelsPerByte))
            return Fail(BmpStatus::ConversionFailed);
    } else {
        // The last row's padding may be missing; everything else must be there. Compared by division, as
        // the product of a stated width and height can exceed 64 bits.
        const uint64_t rowBits = uint64_t(bpp) * uint64_t(layout.width);
        const uint64_t stride = (rowBits + 31) / 32 * 4;
        const uint64_t lastRow = (rowBits + 7) / 8;
        if (lastRow > available || uint64_t(layout.rows - 1) > (available - lastRow) / stride)
            return Fail(BmpStatus::ConversionFailed);
        layout.pixelBytes = size_t(stride * uint64_t(layout.rows - 1) + lastRow);
    }
    if (pixelCount > kMaxImagePixels) return Fail(BmpStatus::OutOfMemory);

    auto image = std::unique_ptr<TextureImage>(new (std::nothrow) TextureImage);
    if (!image) return Fail(BmpStatus::OutOfMemory);
    try {
        image->pixels.resize(size_t(pixelCount) * 3);
    } catch (const std::bad_alloc&) {
        return Fail(BmpStatus::OutOfMemory);
    }
    image->width = layout.width;
    image->height = int32_t(layout.rows);
    if (rle)
        DecodeRle(layout, image->pixels);
    else
        DecodeUncompressed(layout, image->pixels);

    return image;
}

std::string BmpStatusMessage(BmpStatus status, const std::string& path) {
    switch (status) {
    case BmpStatus::Ok:
        return {};
    case BmpStatus::ReadFailed:
        return "Failed to open DIB file " + path + ".\n";
    case BmpStatus::UnknownFormat:
        return "Unknown DIB file format.";
    case BmpStatus::ConversionFailed:
        return "Image file conversion error.";
    case BmpStatus::OutOfMemory:
        return "Out of memory.";
    }
    return {};
}

std::unique_ptr<TextureImage> LoadBmpFile(const std::string& path, IPrompt& prompt) {
    BmpStatus status = BmpStatus::ReadFailed;
    std::vector<uint8_t> bytes;
    // Only regular files: a folder opens as a stream on some systems and claims an endless size.
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(path, error);
    const uintmax_t fileBytes = regular ? std::filesystem::file_size(path, error) : 0;
    std::ifstream in;
    if (regular && !error) in.open(path, std::ios::binary);
    if (in) {
        const size_t wanted = size_t(std::min<uintmax_t>(fileBytes, uintmax_t(kMaxFileBytes)));
        try {
            bytes.resize(wanted);
            status = BmpStatus::Ok;
        } catch (const std::bad_alloc&) {
            status = BmpStatus::OutOfMemory;
        }
        if (status == BmpStatus::Ok && wanted > 0 &&
            !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(wanted)))
            status = BmpStatus::ReadFailed;
    }
    BmpImage decoded = status == BmpStatus::Ok ? DecodeBmp(bytes.data(), bytes.size(), path)
                                               : BmpImage(Outcome::Failed(BmpStatusMessage(status, path)));
    if (decoded.ok()) return std::move(decoded).value();
    prompt.Message(decoded.reason(), PromptIcon::None, "Error");
    return nullptr;
}

} // namespace tsm
