#include "view3d/OffscreenBitmap.h"

#include "GlTestSupport.h"

#include <gtest/gtest.h>

#include "view3d/GLContextRegistry.h"
#include <GL/gl.h>

#include <array>

namespace tsm {
namespace {

using test::DarkBox;
using test::PixelBox;

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

TEST(GLText, MetricsTableDescribesTheGlyphsInEmUnits) {
    RecordingPrompt prompt;
    OffscreenBitmap dib(prompt, 8, 8);
    ASSERT_TRUE(dib.Begin());
    ASSERT_TRUE(prompt.texts.empty());
    const GlyphMetrics* m = OutlineGlyphMetrics();

    // Digits (edge IDs) are tabular: one advance for all, a little over half an em.
    const float digitAdvance = m['0'].cellIncX;
    EXPECT_GT(digitAdvance, 0.45f);
    EXPECT_LT(digitAdvance, 0.65f);
    for (int c = '0'; c <= '9'; ++c) {
        SCOPED_TRACE(std::string(1, char(c)));
        EXPECT_FLOAT_EQ(m[c].cellIncX, digitAdvance);
        EXPECT_EQ(m[c].cellIncY, 0.0f);
        // Digits stand on the baseline (within the overshoot of round ones) and are about 0.7 em tall.
        EXPECT_NEAR(m[c].blackBoxY, 0.72, 0.05);
        EXPECT_NEAR(m[c].originY - m[c].blackBoxY, 0.0, 0.02);
        EXPECT_GT(m[c].blackBoxX, 0.1f);
        EXPECT_GE(m[c].originX, 0.0f);
        EXPECT_LE(m[c].originX + m[c].blackBoxX, m[c].cellIncX + 0.01f);
    }
    // A descender goes below the baseline.
    EXPECT_LT(m['g'].originY - m['g'].blackBoxY, -0.1f);
    // Space advances without ink.
    EXPECT_GT(m[' '].cellIncX, 0.2f);
    EXPECT_EQ(m[' '].blackBoxX, 0.0f);
    // Windows-1252 bytes: 0x80 is the euro sign and 0xE9 e-acute; 0x81 is undefined and stays empty.
    EXPECT_GT(m[0x80].blackBoxX, 0.3f);
    EXPECT_GT(m[0xE9].blackBoxY, m['e'].blackBoxY);
    EXPECT_EQ(m[0x81].cellIncX, 0.0f);
    // Control codes and code 255 (never built) are empty.
    EXPECT_EQ(m[0x07].cellIncX, 0.0f);
    EXPECT_EQ(m[255].cellIncX, 0.0f);
    EXPECT_EQ(m[255].blackBoxX, 0.0f);
    dib.End();
}

TEST(GLText, EachListAdvancesByItsCellIncrement) {
    RecordingPrompt prompt;
    OffscreenBitmap dib(prompt, 8, 8);
    ASSERT_TRUE(dib.Begin());
    const unsigned base = dib.FontListBase();
    const GlyphMetrics* m = OutlineGlyphMetrics();
    glMatrixMode(GL_MODELVIEW);
    for (int code : {int('1'), int('W'), int(' '), 0x80, 255}) {
        glLoadIdentity();
        glCallList(base + code);
        const auto after = ModelviewMatrix();
        EXPECT_FLOAT_EQ(float(after[12]), m[code].cellIncX) << code;
        EXPECT_EQ(after[13], 0.0) << code;
        EXPECT_TRUE(glIsList(base + code)) << code;
    }
    dib.End();
}

TEST(GLText, AnEmptyStringDrawsNothingAndLeavesTheMatrixAlone) {
    RecordingPrompt prompt;
    OffscreenBitmap dib(prompt, 40, 20);
    ASSERT_TRUE(dib.Begin());
    SetUpTextView(dib, 20, 20, 5);
    glTranslatef(0.25f, 0.5f, 0);
    glRotatef(30, 0, 0, 1);
    const auto before = ModelviewMatrix();
    DrawGLText("", dib.FontListBase());
    EXPECT_EQ(ModelviewMatrix(), before);
    // A text with no font (base 0) draws nothing either.
    DrawGLText("123", 0);
    EXPECT_EQ(ModelviewMatrix(), before);
    dib.Finish();
    EXPECT_TRUE(DarkBox(dib.ToImage()).Empty());
    // A real text restores the matrix too.
    DrawGLText("42", dib.FontListBase());
    EXPECT_EQ(ModelviewMatrix(), before);
    dib.End();
}

TEST(GLText, DigitsRenderCentredOnTheOriginStandingOnTheBaseline) {
    RecordingPrompt prompt;
    const double pixelsPerEm = 50;
    OffscreenBitmap dib(prompt, 240, 120);
    ASSERT_TRUE(dib.Begin());
    SetUpTextView(dib, pixelsPerEm, 120, 40);
    DrawGLText("123", dib.FontListBase());
    dib.Finish();
    const QImage image = dib.ToImage();
    image.save(QString::fromStdString(test::TempPath("gltext-123.png")));
    dib.End();

    // Where the ink must be, from the metrics: the advances are centred on the origin.
    const GlyphMetrics* m = OutlineGlyphMetrics();
    const double width = m['1'].cellIncX + m['2'].cellIncX + m['3'].cellIncX;
    const double inkLeft = -width / 2 + m['1'].originX;
    const double inkRight =
        -width / 2 + m['1'].cellIncX + m['2'].cellIncX + m['3'].originX + m['3'].blackBoxX;
    double inkTop = 0, inkBottom = 0;
    for (int c : {'1', '2', '3'}) {
        inkTop = std::max(inkTop, double(m[c].originY));
        inkBottom = std::min(inkBottom, double(m[c].originY - m[c].blackBoxY));
    }
    const PixelBox box = DarkBox(image);
    ASSERT_FALSE(box.Empty());
    const double tolerance = 1.5; // pixels: edge coverage
    EXPECT_NEAR(box.left, 120 + inkLeft * pixelsPerEm, tolerance);
    EXPECT_NEAR(box.right + 1, 120 + inkRight * pixelsPerEm, tolerance);
    // Image rows run top-down; the baseline is 40 pixels above the bottom.
    EXPECT_NEAR(box.top, 120 - 40 - inkTop * pixelsPerEm, tolerance);
    EXPECT_NEAR(box.bottom + 1, 120 - 40 - inkBottom * pixelsPerEm, tolerance);
    // Three glyphs of strokes, not filled boxes: well under half of the ink box is dark.
    const int boxArea = (box.right - box.left + 1) * (box.bottom - box.top + 1);
    EXPECT_GT(box.count, boxArea / 8);
    EXPECT_LT(box.count, boxArea / 2);
}

TEST(GLText, HolesStayOpenAndFacesPointOutwards) {
    RecordingPrompt prompt;
    const double pixelsPerEm = 100;
    OffscreenBitmap dib(prompt, 100, 100);
    ASSERT_TRUE(dib.Begin());
    const GlyphMetrics* m = OutlineGlyphMetrics();
    const double middle = m['0'].originY / 2; // half the height of the zero, in em
    const int middleRow = 100 - 20 - int(middle * pixelsPerEm);

    // Seen from the front with back faces culled: the zero's inside stays white.
    SetUpTextView(dib, pixelsPerEm, 50, 20);
    glEnable(GL_CULL_FACE);
    DrawGLText("0", dib.FontListBase());
    dib.Finish();
    QImage front = dib.ToImage();
    EXPECT_EQ(front.pixel(50, middleRow), qRgb(255, 255, 255));
    const PixelBox frontBox = DarkBox(front);
    ASSERT_FALSE(frontBox.Empty());
    EXPECT_LT(frontBox.left, 45);
    EXPECT_GT(frontBox.right, 55);

    // Turned round: the back face is drawn (wound the other way), with its hole too.
    SetUpTextView(dib, pixelsPerEm, 50, 20);
    glRotatef(180, 0, 1, 0);
    DrawGLText("0", dib.FontListBase());
    dib.Finish();
    QImage back = dib.ToImage();
    EXPECT_EQ(back.pixel(50, middleRow), qRgb(255, 255, 255));
    EXPECT_FALSE(DarkBox(back).Empty());

    // Seen edge-on from the side: only the walls show, as deep as the extrusion (0.3 em).
    SetUpTextView(dib, pixelsPerEm, 50, 20);
    glRotatef(90, 0, 1, 0);
    DrawGLText("0", dib.FontListBase());
    dib.Finish();
    const PixelBox side = DarkBox(dib.ToImage());
    ASSERT_FALSE(side.Empty());
    EXPECT_NEAR(side.right - side.left + 1, 0.3 * pixelsPerEm, 2.0);
    glDisable(GL_CULL_FACE);
    dib.End();
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
