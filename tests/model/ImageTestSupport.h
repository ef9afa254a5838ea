// Fixtures shared by the model tests: a scratch folder, a scoped C locale, a prompt that keeps titles and
// icons, little-endian byte writers, a 24-bit BMP writer and a JPEG writer on libjpeg's compression side.
#pragma once

#include "model/Mesh.h"
#include "model/Prompt.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

namespace tsm::testimage {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-image-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(File(name), std::ios::binary) << bytes;
        return File(name);
    }

private:
    std::filesystem::path path_;
};

// Switches one category of the C locale for a scope, as the GUI does from the environment.
class ScopedLocale {
public:
    ScopedLocale(int category, const char* name)
        : category_(category), saved_(std::setlocale(category, nullptr)) {
        active_ = std::setlocale(category, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(category_, saved_.c_str()); }
    bool Active() const { return active_; }

private:
    int category_;
    std::string saved_;
    bool active_ = false;
};

struct PromptRecord {
    std::string text;
    PromptIcon icon = PromptIcon::None;
    std::string title;
};

// Keeps every message with its icon and title, in order.
class TitledPrompt : public IPrompt {
public:
    void Message(const std::string& text, PromptIcon icon, const std::string& title) override {
        records.push_back({text, icon, title});
    }
    bool AskYesNo(const std::string& text) override {
        records.push_back({text, PromptIcon::None, "?"});
        return false;
    }
    bool AskOkCancel(const std::string& text) override {
        records.push_back({text, PromptIcon::None, "?"});
        return false;
    }
    std::vector<PromptRecord> records;
};

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)});
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A plain 24-bit bottom-up BMP with both headers, from R, G, B rows top to bottom.
inline std::vector<uint8_t> Bmp24(int w, int h, const std::vector<uint8_t>& rgb) {
    const uint32_t stride = uint32_t(w * 3 + 3) & ~3u;
    std::vector<uint8_t> out = {'B', 'M'};
    for (uint32_t v : {54 + stride * uint32_t(h), 0u, 54u, 40u, uint32_t(w), uint32_t(h)}) Put32(out, v);
    Put16(out, 1);
    Put16(out, 24);
    out.resize(54, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
        out.resize(out.size() + stride - uint32_t(w) * 3, 0);
    }
    return out;
}

// A PNG of R, G, B rows top to bottom, written by libpng.
inline std::string Png(int w, int h, const std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::string bytes(size, '\0');
    png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr);
    bytes.resize(size);
    return bytes;
}

// An uncompressed 24-bit TGA, its rows stored bottom-up (the format's default) or top-down.
inline std::string Tga(int w, int h, const std::vector<uint8_t>& rgb, bool topDown) {
    std::vector<uint8_t> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(out, uint32_t(w));
    Put16(out, uint32_t(h));
    out.push_back(24);
    out.push_back(topDown ? 0x20 : 0);
    for (int row = 0; row < h; ++row) {
        const int y = topDown ? row : h - 1 - row;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
    }
    return std::string(out.begin(), out.end());
}

// A 2 x 2 checker of four known colours: red, green (top row), blue, yellow (bottom row), each a block
// of `block` pixels a side.
inline std::vector<uint8_t> Checker(int block) {
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 2 * block; ++y)
        for (int x = 0; x < 2 * block; ++x) {
            const uint8_t* c = colours[(y / block) * 2 + x / block];
            rgb.insert(rgb.end(), c, c + 3);
        }
    return rgb;
}

// Compresses interleaved samples of `components` per pixel (1 grey, 3 RGB, 4 CMYK) into a JPEG file.
inline bool WriteJpeg(const std::string& path, int w, int h, int components,
                      const std::vector<uint8_t>& samples, int quality = 100) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    // Full-resolution colour, so that flat blocks come back close to exact.
    cinfo.comp_info[0].h_samp_factor = 1;
    cinfo.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(w) * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint8_t* src = &samples[size_t(cinfo.next_scanline) * w * components];
        std::copy(src, src + row.size(), row.begin());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

} // namespace tsm::testimage
