#include "view3d/GLText.h"
#include "view3d/OffscreenBitmap.h"

#include <gtest/gtest.h>

#include "view3d/GLContextRegistry.h"
#include <GL/gl.h>

#include <QImage>

#include <algorithm>
#include <array>
#include <utility>

namespace tsm {
namespace {

// The first and last columns of a top-down image holding dark pixels; last < first when there are none.
std::pair<int, int> DarkColumns(const QImage& image) {
    std::pair<int, int> columns{image.width(), -1};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                columns = {std::min(columns.first, x), std::max(columns.second, x)};
    return columns;
}

std::array<double, 16> ModelviewMatrix() {
    std::array<double, 16> m{};
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// A white bitmap with an orthographic view where one em spans `pixelsPerEm` pixels and the origin sits at
// pixel (originX, originY) from the bottom left; black, unlit drawing.
void SetUpTextView(const OffscreenBitmap& dib, double pixelsPerEm, double originX, double originY) {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-originX / pixelsPerEm, (dib.Width() - originX) / pixelsPerEm, -originY / pixelsPerEm,
            (dib.Height() - originY) / pixelsPerEm, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glColor3f(0, 0, 0);
}

TEST(GLText, WithoutACurrentContextTheFontCannotBeBuilt) {
    ASSERT_EQ(glctx::Current(), nullptr);
    RecordingPrompt prompt;
    EXPECT_EQ(BuildOutlineFont("Arial", prompt), 0u);
    EXPECT_EQ(prompt.texts, std::vector<std::string>{"Font Build Failed"});
    // And drawing with no font draws nothing (no GL call without a context to take it).
    DrawGLText("123", 0);
}

// The digits' outlines and advances are compared whole in the development's picture with GL edge IDs.
TEST(GLText, MetricsOfTheOtherGlyphs) {
    RecordingPrompt prompt;
    OffscreenBitmap dib(prompt, 8, 8);
    ASSERT_TRUE(dib.Begin());
    const GlyphMetrics* m = OutlineGlyphMetrics();
    // Windows-1252 bytes: 0x80 is the euro sign; 0x81 is undefined and stays empty.
    EXPECT_GT(m[0x80].blackBoxX, 0.3f);
    EXPECT_EQ(m[0x81].cellIncX, 0.0f);
    // Control codes and code 255 (never built) are empty, and their lists advance by nothing.
    EXPECT_EQ(m[0x07].cellIncX, 0.0f);
    EXPECT_EQ(m[255].cellIncX, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    for (int code : {int('W'), 255}) {
        glLoadIdentity();
        glCallList(dib.FontListBase() + code);
        EXPECT_FLOAT_EQ(float(ModelviewMatrix()[12]), m[code].cellIncX) << code;
    }
    dib.End();
}

TEST(GLText, HolesStayOpenAndFacesPointOutwards) {
    RecordingPrompt prompt;
    const double pixelsPerEm = 100;
    OffscreenBitmap dib(prompt, 100, 100);
    ASSERT_TRUE(dib.Begin());
    const GlyphMetrics* m = OutlineGlyphMetrics();
    const double middle = m['0'].originY / 2; // half the height of the zero, in em
    const int middleRow = 100 - 20 - int(middle * pixelsPerEm);

    // Seen from the front with back faces culled: the zero's inside stays white. The caller's matrix comes
    // back, whatever it was.
    SetUpTextView(dib, pixelsPerEm, 50, 20);
    glEnable(GL_CULL_FACE);
    glTranslatef(0, 0, 0.5f);
    const auto before = ModelviewMatrix();
    DrawGLText("", dib.FontListBase());
    EXPECT_EQ(ModelviewMatrix(), before);
    DrawGLText("0", dib.FontListBase());
    EXPECT_EQ(ModelviewMatrix(), before);
    dib.Finish();
    QImage front = dib.ToImage();
    EXPECT_EQ(front.pixel(50, middleRow), qRgb(255, 255, 255));
    EXPECT_LE(DarkColumns(front).first, DarkColumns(front).second);

    // Turned round: the back face is drawn (wound the other way), with its hole too.
    SetUpTextView(dib, pixelsPerEm, 50, 20);
    glRotatef(180, 0, 1, 0);
    DrawGLText("0", dib.FontListBase());
    dib.Finish();
    QImage back = dib.ToImage();
    EXPECT_EQ(back.pixel(50, middleRow), qRgb(255, 255, 255));
    EXPECT_LE(DarkColumns(back).first, DarkColumns(back).second);

    // Seen edge-on from the side: only the walls show, as deep as the extrusion (0.3 em).
    SetUpTextView(dib, pixelsPerEm, 50, 20);
    glRotatef(90, 0, 1, 0);
    DrawGLText("0", dib.FontListBase());
    dib.Finish();
    const auto [left, right] = DarkColumns(dib.ToImage());
    EXPECT_NEAR(right - left + 1, 0.3 * pixelsPerEm, 2.0);
    glDisable(GL_CULL_FACE);
    dib.End();
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
