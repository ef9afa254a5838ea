// Rendering with OpenGL into a 24-bit memory bitmap, with no window and no display: the renderer behind
// printing, bitmap export and both views. GL draws through EGL (GLContextRegistry); the result is kept as a
// Windows-style DIB (rows bottom-up, B, G, R, each row padded to 4 bytes) because the BMP writer and the page
// stretching want exactly that.
#pragma once

#include "model/Outcome.h"
#include "model/Prompt.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace tsm {

// The 40-byte BITMAPINFOHEADER of a 24-bit bitmap, little-endian on disk.
struct BitmapInfoHeader {
    int32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    int16_t planes = 1;
    int16_t bitCount = 24;
    int32_t compression = 0; // BI_RGB
    int32_t sizeImage = 0;   // height x stride
    int32_t xPelsPerMeter = 283;
    int32_t yPelsPerMeter = 283;
    int32_t clrUsed = 0;
    int32_t clrImportant = 0;
};

// Bytes of one 24-bit row: width x 3 rounded up to a multiple of 4.
inline int32_t DibStride(int32_t width) {
    return (width * 3 + 3) & ~3;
}

// The largest width and height of a bitmap; larger renderers have none. Begin fails with "Error" where the
// driver draws less (glctx::MaxDrawSide); the development's renderers band to stay within that.
constexpr int kMaxRenderSidePixels = 16384;
// The largest side the driver draws in one piece, at most kMaxRenderSidePixels; larger pictures are drawn
// in bands.
int RenderSideLimit();

class OffscreenBitmap {
public:
    // Failures are reported through `prompt` with the system's texts and leave an object that can still be
    // destroyed; Begin then fails.
    OffscreenBitmap(IPrompt& prompt, int width, int height);
    virtual ~OffscreenBitmap();
    OffscreenBitmap(const OffscreenBitmap&) = delete;
    OffscreenBitmap& operator=(const OffscreenBitmap&) = delete;

    // Makes the renderer's GL context current on its bitmap and builds the outline font ("Arial"). The
    // context shares lists and textures with the views' contexts when a view exists (ViewRenderSurface).
    bool Begin();
    // Waits for the drawing and copies it into the bitmap; call before reading Bits().
    void Finish();
    // Deletes the font lists and the context and makes current again what was current before Begin.
    void End();

    // Through WriteWholeFile; "write error" through the prompt on failure, the reason in the outcome.
    Outcome SaveAsBmpFile(const std::string& path);

    int Width() const { return header_.width; }
    int Height() const { return header_.height; }
    int32_t Stride() const { return DibStride(header_.width); }
    const BitmapInfoHeader& Header() const { return header_; }
    // Null when the bitmap could not be made.
    uint8_t* Bits() { return bits_.empty() ? nullptr : bits_.data(); }
    const uint8_t* Bits() const { return bits_.empty() ? nullptr : bits_.data(); }
    bool HasBitmap() const { return !bits_.empty(); }
    unsigned FontListBase() const { return fontListBase_; }
    // A top-down copy of the bitmap for Qt painting and PNG files.
    QImage ToImage() const;

private:
    class Impl;
    IPrompt& prompt_;
    BitmapInfoHeader header_;
    std::vector<uint8_t> bits_;
    unsigned fontListBase_ = 0;
    Impl* impl_ = nullptr;
};

// The 14-byte file header, the info header and the rows of a bottom-up 24-bit bitmap, through
// WriteWholeFile. Fails without writing when the header does not describe a consistent 24-bit bitmap.
Outcome WriteBmpFile(const std::string& path, const BitmapInfoHeader& header, const uint8_t* bits);

} // namespace tsm
