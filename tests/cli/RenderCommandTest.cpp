// tsmtool render and the bitmap exports end to end: the real program on the sample models, its pictures
// read back, its sizes and bytes compared across the ways of asking for them.

#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

#include <QImage>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

QImage Picture(const std::string& path) {
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

int CountBlue(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60) ++count;
        }
    return count;
}

class RenderCommandTest : public test::ToolTestFolder {
protected:
    // Runs tsmtool, expecting success.
    void Ok(const std::vector<std::string>& args) {
        const test::ToolRun r = Run(args);
        ASSERT_EQ(r.status, 0) << r.line << r.err;
        EXPECT_EQ(r.err, "") << r.line;
    }
};

} // namespace

TEST_F(RenderCommandTest, RendersTheFittedViewAsPngOrBmp) {
    Ok({"render", "--view", "2d", Sample("house.tsm"), Out("house.png")});
    const QImage png = Picture(Out("house.png"));
    // What the picture shows is the development view's business; here its size, format and options.
    EXPECT_EQ(png.size(), QSize(800, 600));

    // The same picture as a 24-bit BMP, rows bottom-up: pixel for pixel what the PNG holds.
    Ok({"render", "--size", "321x200", "--view", "2d", Sample("house.tsm"), Out("small.PNG")});
    Ok({"render", "--view", "2d", "--size", "321x200", Sample("house.tsm"), Out("small.bmp")});
    EXPECT_EQ(fs::file_size(Out("small.bmp")), 54u + 964u * 200u); // 963 bytes a row, padded to 964
    EXPECT_EQ(Picture(Out("small.bmp")), Picture(Out("small.PNG")));

    // Page labels when asked.
    Ok({"render", "--view", "2d", "--labels", Sample("house.tsm"), Out("labels.png")});
    EXPECT_EQ(CountBlue(png), 0);
    EXPECT_GT(CountBlue(Picture(Out("labels.png"))), 30);
}

// --width is the content width, the borders (5 pixels each side) come on top, for the whole development;
// for one BMP per printed sheet it is the sheet's.
TEST_F(RenderCommandTest, BmpExportsAtTheGivenWidth) {
    Ok({"export", "bmp", "--width", "400", Sample("cube.tsm"), Out("w400.bmp")});
    EXPECT_EQ(Picture(Out("w400.bmp")).width(), 410);
    // Every sheet a page once blank ones are not skipped: 90 x 267 / 180 = 133.5.
    Ok({"--set", "bNoPrintBrankPage=0", "export", "sheets", "--width", "90", Sample("house.tsm"),
        Out("all.bmp")});
    EXPECT_EQ(Picture(Out("all_002.bmp")).size(), QSize(90, 134));
}

// Each way EGL can fail, forced: the renderer's or the view's text, why, exit 1 and no picture.
TEST_F(RenderCommandTest, GlFailuresExitOneSayingWhy) {
    const struct {
        const char *forced, *view, *text, *reason;
    } cases[] = {
        {"display", "2d", "OpenGL Context Error", "no EGL display"},
        {"config", "3d", "Rendering Context Create Failed", "no configuration"},
        {"context", "2d", "OpenGL Context Error", "refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.forced) + " " + c.view);
        const test::ToolRun r = Run({"render", "--view", c.view, Sample("cube.tsm"), Out("never.png")},
                                    std::string("TESSALY_GL_FAIL=") + c.forced);
        EXPECT_EQ(r.status, 1);
        for (const std::string text : {c.text, "tsmtool: rendering failed: ", c.reason})
            EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(Out("never.png")));
    }
}

TEST_F(RenderCommandTest, Renders3DViewFromTheDefaultOrTheGivenCamera) {
    Ok({"render", "--view", "3d", Sample("cube.tsm"), Out("cube.png")});
    const QImage png = Picture(Out("cube.png"));
    ASSERT_EQ(png.size(), QSize(800, 600));
    // The white background of the 3D window around the model, the blue mountain edges on it.
    EXPECT_EQ(png.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_GT(CountBlue(png), 300);

    // Other angles give another picture.
    Ok({"render", "--view", "3d", "--yaw", "45", "--pitch", "-20", Sample("cube.tsm"), Out("turned.png")});
    EXPECT_NE(Picture(Out("turned.png")), png);

    // The colour of the 3D background comes from the settings.
    Ok({"--set", "color_7=255", "render", "--view", "3d", "--size", "40x30", Sample("cube.tsm"),
        Out("red.png")});
    EXPECT_EQ(QImage(QString::fromStdString(Out("red.png"))).pixel(0, 0), qRgb(255, 0, 0));
}
