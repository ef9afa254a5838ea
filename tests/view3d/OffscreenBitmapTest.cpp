#include "view3d/OffscreenBitmap.h"

#include "GlTestSupport.h"
#include "view3d/ViewRenderSurface.h"

#include <gtest/gtest.h>

#include "view3d/GLContextRegistry.h"
#include <GL/gl.h>

#include <string>
#include <utility>
#include <vector>

namespace tsm {
namespace {

using test::DibPixel;
using test::ReadFileBytes;
using test::TempPath;

const std::array<uint8_t, 3> kClearBgr = {153, 102, 51}; // glClearColor(0.2, 0.4, 0.6): exact bytes
const std::array<uint8_t, 3> kRedBgr = {0, 0, 255};

void ClearToTestColour() {
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The lower-left half of a w x h bitmap, in red.
void DrawLowerLeftTriangle(int width, int height) {
    test::PixelProjection(width, height);
    glColor3ub(255, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2f(0, 0);
    glVertex2f(float(width), 0);
    glVertex2f(0, float(height));
    glEnd();
}

// -1 below the diagonal (inside), 1 above, 0 too close to tell.
int SideOfDiagonal(int x, int y, int width, int height) {
    const double t = (x + 0.5) / width + (y + 0.5) / height - 1.0;
    return t < -0.15 ? -1 : (t > 0.15 ? 1 : 0);
}

// The bytes of a w x h bitmap cleared to the test colour and saved.
std::vector<uint8_t> SavedClearBitmap(int width, int height) {
    RecordingPrompt prompt;
    OffscreenBitmap dib(prompt, width, height);
    EXPECT_TRUE(dib.Begin());
    ClearToTestColour();
    dib.Finish();
    dib.End();
    const std::string path = TempPath("dib-" + std::to_string(width) + "x" + std::to_string(height) + ".bmp");
    EXPECT_TRUE(dib.SaveAsBmpFile(path).ok());
    EXPECT_TRUE(prompt.texts.empty());
    return ReadFileBytes(path);
}

// Rows are padded to four bytes: one byte of padding for a width of 1, none for 4 (and three for 7, below).
TEST(OffscreenBitmap, BmpFileIsHeadersAndRowsOfFourByteMultiples) {
    const std::vector<uint8_t> file = SavedClearBitmap(1, 5);
    ASSERT_EQ(file.size(), 54u + 4u * 5u);
    // "BM", file size, two reserved words, pixel offset; then the info header: its size, 1 x 5 pixels, one
    // plane, 24 bits, no compression, 20 bytes of pixels, 283 pixels a metre both ways, no palette.
    const std::vector<uint8_t> headers = {'B', 'M', 74, 0, 0, 0, 0,  0, 0, 0, 54, 0, 0, 0, // file header
                                          40,  0,   0,  0, 1, 0, 0,  0, 5, 0, 0,  0, 1, 0,
                                          24,  0,   0,  0, 0, 0, 20, 0, 0, 0, 27, 1, 0, 0,
                                          27,  1,   0,  0, 0, 0, 0,  0, 0, 0, 0,  0};
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 54), headers);
    // Each row: one B, G, R pixel and one zero padding byte.
    for (size_t at = 54; at < file.size(); at += 4)
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + long(at), file.begin() + long(at) + 4),
                  (std::vector<uint8_t>{kClearBgr[0], kClearBgr[1], kClearBgr[2], 0}))
            << "byte " << at;
    const std::vector<uint8_t> unpadded = SavedClearBitmap(4, 3);
    ASSERT_EQ(unpadded.size(), 54u + 12u * 3u);
    // Padding anywhere would break the B, G, R cycle over the whole pixel area.
    for (size_t i = 54; i < unpadded.size(); ++i) EXPECT_EQ(unpadded[i], kClearBgr[(i - 54) % 3]) << i;
}

TEST(OffscreenBitmap, ARenderedPictureGivesExactPixelsInTheBitmapTheImageAndTheFile) {
    RecordingPrompt prompt;
    const int w = 7, h = 5; // 21-byte rows padded to 24
    OffscreenBitmap dib(prompt, w, h);
    ASSERT_TRUE(dib.Begin());
    ClearToTestColour();
    DrawLowerLeftTriangle(w, h);
    dib.Finish();

    // The bitmap is bottom-up: row 0 holds the triangle's long side.
    int checked = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int side = SideOfDiagonal(x, y, w, h);
            if (side == 0) continue;
            EXPECT_EQ(DibPixel(dib, x, y), side < 0 ? kRedBgr : kClearBgr) << x << "," << y;
            ++checked;
        }
        for (int pad = w * 3; pad < dib.Stride(); ++pad)
            EXPECT_EQ(dib.Bits()[size_t(y) * dib.Stride() + pad], 0) << "padding of row " << y;
    }
    EXPECT_GE(checked, 20);
    dib.End();

    // ToImage turns it top-down: the red corner is at the bottom left.
    const QImage image = dib.ToImage();
    ASSERT_EQ(image.size(), QSize(w, h));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(0, h - 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(w - 1, 0), qRgb(51, 102, 153));

    // The file holds the headers and exactly the bitmap's bytes.
    const std::string path = TempPath("dib-triangle.bmp");
    ASSERT_TRUE(dib.SaveAsBmpFile(path).ok());
    const std::vector<uint8_t> file = ReadFileBytes(path);
    ASSERT_EQ(file.size(), 54u + size_t(dib.Header().sizeImage));
    EXPECT_TRUE(std::equal(file.begin() + 54, file.end(), dib.Bits()));
    EXPECT_TRUE(prompt.texts.empty());

    // And a reader that is not ours sees the same picture.
    if (test::RunShell("command -v convert identify >/dev/null").status != 0)
        GTEST_SKIP() << "ImageMagick is not installed";
    // BMP3 is ImageMagick's name for the form with the 40-byte info header.
    EXPECT_EQ(test::CommandOutput("identify -format '%m %w %h %z' '" + path + "'"), "BMP3 7 5 8");
    const std::string rgb = test::CommandOutput("convert '" + path + "' -depth 8 rgb:-");
    ASSERT_EQ(rgb.size(), size_t(w * h * 3));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t at = (size_t(y) * w + x) * 3;
            const QRgb expected = image.pixel(x, y);
            EXPECT_EQ(qRgb(uint8_t(rgb[at]), uint8_t(rgb[at + 1]), uint8_t(rgb[at + 2])), expected)
                << x << "," << y;
        }
}

TEST(OffscreenBitmap, UnusableSizesReportTheirTextsAndNothingCrashes) {
    const std::pair<int, int> sizes[] = {{0, 5},     {5, 0},     {-3, 4},         {4, -3},
                                         {16385, 1}, {1, 16385}, {100000, 100000}};
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        RecordingPrompt prompt;
        OffscreenBitmap dib(prompt, w, h);
        // Refused before anything is allocated for it.
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"CreateDIBSection Error"});
        EXPECT_FALSE(dib.HasBitmap());
        EXPECT_EQ(dib.Bits(), nullptr);
        EXPECT_TRUE(dib.ToImage().isNull());
        // Begin stops at selecting the missing bitmap; the rest does nothing.
        EXPECT_FALSE(dib.Begin());
        EXPECT_EQ(prompt.texts.back(), "Select Object Error");
        EXPECT_EQ(glctx::Current(), nullptr);
        dib.Finish();
        dib.End();
        EXPECT_TRUE(dib.SaveAsBmpFile(TempPath("dib-never.bmp")).failed());
        EXPECT_EQ(prompt.texts.back(), "write error");
    }
}

TEST(OffscreenBitmap, TheLargestSideTheDriverDrawsIsAccepted) {
    for (const auto& [w, h] : {std::pair{kMaxRenderSidePixels, 1}, std::pair{1, kMaxRenderSidePixels}}) {
        RecordingPrompt prompt;
        OffscreenBitmap dib(prompt, w, h);
        ASSERT_TRUE(dib.Begin());
        ClearToTestColour();
        dib.Finish();
        // The far corner is drawn too.
        EXPECT_EQ(DibPixel(dib, w - 1, h - 1), kClearBgr);
        dib.End();
        EXPECT_TRUE(prompt.texts.empty());
    }
}

TEST(OffscreenBitmap, WriteFailuresSayWriteError) {
    RecordingPrompt prompt;
    OffscreenBitmap dib(prompt, 3, 2);
    EXPECT_TRUE(dib.SaveAsBmpFile("/nonexistent-folder/x.bmp").failed());
    EXPECT_EQ(prompt.texts, std::vector<std::string>{"write error"});

    // WriteBmpFile refuses what is not a consistent 24-bit bitmap.
    BitmapInfoHeader header = dib.Header();
    EXPECT_TRUE(WriteBmpFile(TempPath("dib-bad.bmp"), header, nullptr).failed());
    header.sizeImage += 4;
    EXPECT_TRUE(WriteBmpFile(TempPath("dib-bad.bmp"), header, dib.Bits()).failed());
    header = dib.Header();
    header.width = 0;
    EXPECT_TRUE(WriteBmpFile(TempPath("dib-bad.bmp"), header, dib.Bits()).failed());
}

// Begin and End leave the caller's context as they found it; repeated calls are harmless, and a second job
// on the same object draws again.
TEST(OffscreenBitmap, BeginAndEndLeaveTheCallersContextAsTheyFoundIt) {
    RecordingPrompt prompt;
    {
        OffscreenBitmap dib(prompt, 3, 3);
        dib.Finish(); // before Begin: nothing to read
        dib.End();
        ASSERT_TRUE(dib.Begin());
        EXPECT_TRUE(dib.Begin());
        EXPECT_NE(glctx::Current(), nullptr);
        ClearToTestColour();
        dib.Finish();
        dib.End();
        dib.End();
        EXPECT_EQ(glctx::Current(), nullptr);
        EXPECT_EQ(DibPixel(dib, 2, 2), kClearBgr);
        ASSERT_TRUE(dib.Begin());
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        dib.Finish();
        dib.End();
        EXPECT_EQ(DibPixel(dib, 0, 0), kRedBgr);
    }
    // A view's context current before: current again after, on its own buffer.
    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(6, 4));
    unsigned fontBase = 0;
    {
        OffscreenBitmap dib(prompt, 9, 9);
        ASSERT_TRUE(dib.Begin());
        fontBase = dib.FontListBase();
        ASSERT_NE(fontBase, 0u);
        EXPECT_TRUE(glIsList(fontBase + '1'));
        ClearToTestColour();
        dib.Finish();
    } // destroyed without End: the destructor ends it
    EXPECT_EQ(glctx::Current(), view.Context());
    // The renderer shared the view's lists and deleted its font with it.
    EXPECT_FALSE(glIsList(fontBase + '1'));
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    view.Finish();
    EXPECT_EQ(view.Image().pixel(5, 3), qRgb(255, 0, 0));
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
