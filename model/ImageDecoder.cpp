#include "model/ImageDecoder.h"

#include "model/TextCase.h"

#include "model/BmpDecoder.h"
#include "model/JpegDecoder.h"
#include "model/TextureImage.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>

// stb_image only for TGA: PNG and JPEG go to libpng and libjpeg-turbo, whose error handling we know.
// Static, so that its symbols cannot meet another copy linked into a library.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 16384
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace tsm {

namespace {

enum class ImageKind { Png, Jpeg, Bmp, Tga, Unknown };

ImageKind KindOf(std::string_view bytes, const std::string& name) {
    if (bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) return ImageKind::Png;
    if (bytes.substr(0, 3) == "\xFF\xD8\xFF") return ImageKind::Jpeg;
    if (bytes.substr(0, 2) == "BM") return ImageKind::Bmp;
    if (EndsWithAsciiLower(name, ".tga")) return ImageKind::Tga;
    return ImageKind::Unknown;
}

std::string TooLarge(const std::string& name, int64_t width, int64_t height) {
    return name + ": the image is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels, more than 16384 x 16384";
}

bool Allocate(TextureImage& image, int64_t width, int64_t height) {
    try {
        image.pixels.resize(size_t(width) * size_t(height) * 3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    image.width = int32_t(width);
    image.height = int32_t(height);
    return true;
}

Outcome DecodePng(std::string_view bytes, const std::string& name, std::unique_ptr<TextureImage>& out) {
    // The size straight from the header chunk, before libpng reads anything else.
    if (bytes.size() >= 24 && bytes.substr(12, 4) == "IHDR") {
        const auto* p = reinterpret_cast<const uint8_t*>(bytes.data()) + 16;
        const int64_t width = int64_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        const int64_t height = int64_t(p[4]) << 24 | p[5] << 16 | p[6] << 8 | p[7];
        // Unsigned: two 32-bit sides may multiply past the signed range.
        if (uint64_t(width) * uint64_t(height) > uint64_t(kMaxImagePixels))
            return Outcome::Failed(TooLarge(name, width, height));
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return Outcome::Failed(name + ": the PNG image cannot be read (" + png.message + ")");
    // Texture painters store 16-bit images in sRGB like 8-bit ones; without this flag libpng would take
    // such a file without a gamma chunk as linear and brighten every mid-tone.
    png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    const int64_t width = png.width, height = png.height;
    if (width * height > kMaxImagePixels) {
        png_image_free(&png);
        return Outcome::Failed(TooLarge(name, width, height));
    }
    auto image = std::make_unique<TextureImage>();
    if (!(png.format & PNG_FORMAT_FLAG_ALPHA)) {
        // Opaque: straight into the texture, without a copy with alpha to strip.
        png.format = PNG_FORMAT_RGB;
        if (!Allocate(*image, width, height)) {
            png_image_free(&png);
            return Outcome::Failed(name + ": out of memory for the image");
        }
        if (!png_image_finish_read(&png, nullptr, image->pixels.data(), 0, nullptr))
            return Outcome::Failed(name + ": the PNG image cannot be read (" + png.message + ")");
        out = std::move(image);
        return Outcome::Ok();
    }
    // Read with alpha and drop it: a texture's alpha is a mask or unused, never a colour to blend into.
    png.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba;
    try {
        rgba.resize(size_t(width) * size_t(height) * 4);
    } catch (const std::bad_alloc&) {
        png_image_free(&png);
        return Outcome::Failed(name + ": out of memory for the image");
    }
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr))
        return Outcome::Failed(name + ": the PNG image cannot be read (" + png.message + ")");
    if (!Allocate(*image, width, height)) return Outcome::Failed(name + ": out of memory for the image");
    for (size_t i = 0, n = size_t(width) * size_t(height); i < n; ++i)
        std::memcpy(&image->pixels[i * 3], &rgba[i * 4], 3);
    out = std::move(image);
    return Outcome::Ok();
}

Outcome DecodeTga(std::string_view bytes, const std::string& name, std::unique_ptr<TextureImage>& out) {
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = bytes.size() > 0x7fffffff ? 0x7fffffff : int(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, length, &width, &height, &channels))
        return Outcome::Failed(name + ": the TGA image cannot be read (" + stbi_failure_reason() + ")");
    if (int64_t(width) * height > kMaxImagePixels) return Outcome::Failed(TooLarge(name, width, height));
    // stb_image makes up the pixels of a file cut short, so that a header alone could ask for millions
    // of them: the data must be there, at least one packet of 128 pixels per byte and pixel size when
    // run-length coded.
    if (bytes.size() < 18) return Outcome::Failed(name + ": the TGA image is cut short");
    const auto* header = reinterpret_cast<const uint8_t*>(bytes.data());
    const int64_t pixelBytes = std::max(1, (header[16] + 7) / 8);
    const int64_t pixelCount = int64_t(width) * height;
    const int64_t needed =
        (header[2] & 8) ? (pixelCount + 127) / 128 * (1 + pixelBytes) : pixelCount * pixelBytes;
    if (int64_t(bytes.size()) - 18 < needed) return Outcome::Failed(name + ": the TGA image is cut short");
    stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 3);
    if (!pixels)
        return Outcome::Failed(name + ": the TGA image cannot be read (" + stbi_failure_reason() + ")");
    auto image = std::make_unique<TextureImage>();
    const bool allocated = Allocate(*image, width, height);
    if (allocated) std::memcpy(image->pixels.data(), pixels, image->pixels.size());
    stbi_image_free(pixels);
    if (!allocated) return Outcome::Failed(name + ": out of memory for the image");
    out = std::move(image);
    return Outcome::Ok();
}

} // namespace

Outcome DecodeImage(std::string_view bytes, const std::string& name, std::unique_ptr<TextureImage>& image) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    switch (KindOf(bytes, name)) {
    case ImageKind::Png:
        return DecodePng(bytes, name, image);
    case ImageKind::Tga:
        return DecodeTga(bytes, name, image);
    case ImageKind::Jpeg: {
        RecordingPrompt messages;
        image = DecodeJpeg(data, bytes.size(), messages);
        if (image) return Outcome::Ok();
        std::string why = messages.texts.empty() ? "unknown error" : messages.texts.front();
        while (!why.empty() && why.back() == '\n') why.pop_back();
        return Outcome::Failed(name + ": the JPEG image cannot be read (" + why + ")");
    }
    case ImageKind::Bmp: {
        BmpImage decoded = DecodeBmp(data, bytes.size(), name);
        if (!decoded.ok()) {
            std::string why = decoded.reason();
            while (!why.empty() && why.back() == '\n') why.pop_back();
            return Outcome::Failed(name + ": the BMP image cannot be read (" + why + ")");
        }
        image = std::move(*decoded);
        return Outcome::Ok();
    }
    case ImageKind::Unknown:
        break;
    }
    return Outcome::Failed(name + ": the file is not a PNG, JPEG, BMP or TGA image");
}

Outcome DecodeImageFile(const std::string& path, std::unique_ptr<TextureImage>& image) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes;
    if (file) {
        file.seekg(0, std::ios::end);
        const std::streamoff size = file.tellg();
        file.seekg(0, std::ios::beg);
        // No image we accept can need more than its pixels' worth plus headers.
        if (size < 0 || size > kMaxImagePixels * 4 + (int64_t(1) << 20))
            return Outcome::Failed(path + ": the image file is too large");
        bytes.resize(size_t(size));
        if (size > 0 && !file.read(bytes.data(), size)) file.setstate(std::ios::failbit);
    }
    if (!file) return Outcome::Failed(path + ": the image file cannot be read");
    return DecodeImage(bytes, path, image);
}

} // namespace tsm
