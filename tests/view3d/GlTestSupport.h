// Small helpers for the tests that draw with OpenGL and look at the pixels.
#pragma once

#include "tests/support/ShellCommand.h"

#include "view3d/OffscreenBitmap.h"

#include "view3d/GLContextRegistry.h"
#include <GL/gl.h>

#include <QImage>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tsm::test {

// One GL unit per pixel, origin at the bottom-left corner.
inline void PixelProjection(int width, int height) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// B, G, R of the DIB pixel at column x of row y counted from the bottom.
inline std::array<uint8_t, 3> DibPixel(const OffscreenBitmap& dib, int x, int yFromBottom) {
    const uint8_t* p = dib.Bits() + size_t(yFromBottom) * size_t(dib.Stride()) + size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

inline uint16_t Le16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

inline std::string TempPath(const std::string& name) {
    return std::string(TESSALY_BINARY_DIR) + "/" + name;
}

// The darkest pixels' bounding box in a top-down image, or an empty rectangle.
struct PixelBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive
    int count = 0;
    bool Empty() const { return right < left; }
};
inline PixelBox DarkBox(const QImage& image, int threshold = 128) {
    PixelBox box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < threshold) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
    return box;
}

inline bool CommandExists(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace tsm::test
