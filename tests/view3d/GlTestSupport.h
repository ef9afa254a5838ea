// Small helpers for the tests that draw with OpenGL and look at the pixels.
#pragma once

#include "tests/support/ShellCommand.h"

#include "view3d/OffscreenBitmap.h"

#include <GL/gl.h>

#include <array>
#include <cstdint>
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

inline std::string TempPath(const std::string& name) {
    return std::string(TESSALY_BINARY_DIR) + "/" + name;
}

} // namespace tsm::test
