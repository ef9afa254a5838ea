#include "view3d/OffscreenBitmap.h"

#include "tests/support/ShellCommand.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/ViewRenderSurface.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace tsm {
namespace {

// B, G, R of the DIB pixel at column x of row y counted from the bottom.
std::array<uint8_t, 3> DibPixel(const OffscreenBitmap& dib, int x, int yFromBottom) {
    const uint8_t* p = dib.Bits() + size_t(yFromBottom) * size_t(dib.Stride()) + size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

std::string TempPath(const std::string& name) {
    return std::string(TESSALY_BINARY_DIR) + "/" + name;
}

const std::array<uint8_t, 3> kClearBgr = {153, 102, 51}; // glClearColor(0.2, 0.4, 0.6): exact bytes
const std::array<uint8_t, 3> kRedBgr = {0, 0, 255};

void ClearToTestColour() {
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The lower-left half of the bitmap, in red.
void DrawLowerLeftTriangle() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3ub(255, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2f(0, 0);
    glVertex2f(1, 0);
    glVertex2f(0, 1);
    glEnd();
}

TEST(OffscreenBitmap, ARenderedPictureGivesExactPixelsInTheBitmapTheImageAndTheFile) {
    RecordingPrompt prompt;
    const int w = 7, h = 5; // 21-byte rows padded to 24
    OffscreenBitmap dib(prompt, w, h);
    ASSERT_TRUE(dib.Begin());
    ClearToTestColour();
    DrawLowerLeftTriangle();
    dib.Finish();

    // The bitmap is bottom-up: row 0 holds the triangle's long side. Every pixel is compared below, through
    // another reader.
    EXPECT_EQ(DibPixel(dib, w - 2, 0), kRedBgr);
    EXPECT_EQ(DibPixel(dib, w - 1, h - 1), kClearBgr);
    EXPECT_EQ(DibPixel(dib, 0, h - 2), kRedBgr);
    for (int y = 0; y < h; ++y)
        for (int pad = w * 3; pad < dib.Stride(); ++pad)
            EXPECT_EQ(dib.Bits()[size_t(y) * dib.Stride() + pad], 0) << "padding of row " << y;
    dib.End();

    // ToImage turns it top-down: the red corner is at the bottom left.
    const QImage image = dib.ToImage();
    ASSERT_EQ(image.size(), QSize(w, h));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(0, h - 1), qRgb(255, 0, 0));

    // The file holds the headers and exactly the bitmap's bytes: "BM", file size, two reserved words, pixel
    // offset; the info header's size, 7 x 5 pixels, one plane, 24 bits, no compression, 120 bytes of
    // pixels, 283 pixels a metre both ways, no palette.
    const std::string path = TempPath("dib-triangle.bmp");
    ASSERT_TRUE(dib.SaveAsBmpFile(path).ok());
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::vector<uint8_t> headers = {'B', 'M', 174, 0, 0, 0, 0,   0, 0, 0, 54, 0, 0, 0, // file header
                                          40,  0,   0,   0, 7, 0, 0,   0, 5, 0, 0,  0, 1, 0,
                                          24,  0,   0,   0, 0, 0, 120, 0, 0, 0, 27, 1, 0, 0,
                                          27,  1,   0,   0, 0, 0, 0,   0, 0, 0, 0,  0};
    ASSERT_EQ(file.size(), 54u + 24u * 5u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 54), headers);
    EXPECT_TRUE(std::equal(file.begin() + 54, file.end(), dib.Bits()));
    EXPECT_TRUE(prompt.texts.empty());
    // Rows already a multiple of four bytes get no padding.
    EXPECT_EQ(OffscreenBitmap(prompt, 4, 3).Stride(), 12);

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
    const std::pair<int, int> sizes[] = {{0, 5}, {5, 0}, {16385, 1}, {1, 16385}};
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        RecordingPrompt prompt;
        OffscreenBitmap dib(prompt, w, h);
        // Refused before anything is allocated for it.
        EXPECT_EQ(prompt.texts, std::vector<std::string>{"CreateDIBSection Error"});
        EXPECT_FALSE(dib.HasBitmap());
        EXPECT_TRUE(dib.ToImage().isNull());
        // Begin stops at selecting the missing bitmap; the rest does nothing.
        EXPECT_FALSE(dib.Begin());
        EXPECT_EQ(prompt.texts.back(), "Select Object Error");
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

// WriteBmpFile refuses what is not a consistent 24-bit bitmap.
TEST(OffscreenBitmap, InconsistentHeadersAreNotWritten) {
    RecordingPrompt prompt;
    OffscreenBitmap dib(prompt, 3, 2);
    BitmapInfoHeader header = dib.Header();
    EXPECT_TRUE(WriteBmpFile(TempPath("dib-bad.bmp"), header, nullptr).failed());
    header.sizeImage += 4;
    EXPECT_TRUE(WriteBmpFile(TempPath("dib-bad.bmp"), header, dib.Bits()).failed());
    header = dib.Header();
    header.width = 0;
    EXPECT_TRUE(WriteBmpFile(TempPath("dib-bad.bmp"), header, dib.Bits()).failed());
}

// Begin and End leave the caller's context as they found it, here a view's, current again on its own
// buffer; a second Begin changes nothing.
TEST(OffscreenBitmap, BeginAndEndLeaveTheCallersContextAsTheyFoundIt) {
    RecordingPrompt prompt;
    ViewRenderSurface view(prompt, RenderSlot::View3D);
    ASSERT_TRUE(view.Resize(6, 4));
    unsigned fontBase = 0;
    {
        OffscreenBitmap dib(prompt, 9, 9);
        ASSERT_TRUE(dib.Begin());
        const auto context = glctx::Current();
        EXPECT_TRUE(dib.Begin());
        EXPECT_EQ(glctx::Current(), context);
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
