// tsmtool render and the bitmap exports end to end: the real program on the sample models, its pictures
// read back, its sizes and bytes compared across the ways of asking for them.

#include "tests/cli/ToolTestFolder.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <cstring>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

// Width, height and bit depth from a BMP's info header (zeros for a short file).
std::array<int32_t, 3> BmpHeader(const std::string& path) {
    const std::string bytes = test::FileBytes(path) + std::string(54, '\0');
    int32_t size[2];
    std::memcpy(size, bytes.data() + 18, sizeof size); // little-endian, as the machine
    return {size[0], size[1], uint8_t(bytes[28])};
}

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
    ASSERT_EQ(png.size(), QSize(800, 600));
    // Grey around the fitted sheets, white paper in the middle.
    EXPECT_EQ(png.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(png.pixel(799, 599), qRgb(128, 128, 128));
    bool paper = false;
    for (int x = 300; x < 500 && !paper; ++x) paper = png.pixel(x, 500) == qRgb(255, 255, 255);
    EXPECT_TRUE(paper);

    // The same picture as a 24-bit BMP, rows bottom-up: pixel for pixel what the PNG holds.
    Ok({"render", "--size", "321x200", "--view", "2d", Sample("house.tsm"), Out("small.PNG")});
    Ok({"render", "--view", "2d", "--size", "321x200", Sample("house.tsm"), Out("small.bmp")});
    EXPECT_EQ(BmpHeader(Out("small.bmp")), (std::array<int32_t, 3>{321, 200, 24}));
    EXPECT_EQ(fs::file_size(Out("small.bmp")), 54u + 964u * 200u); // 963 bytes a row, padded to 964
    EXPECT_EQ(Picture(Out("small.bmp")), Picture(Out("small.PNG")));

    // Labels when asked, or when the settings say so.
    Ok({"render", "--view", "2d", "--labels", Sample("house.tsm"), Out("labels.png")});
    Ok({"--set", "bDrawPageNumber=1", "render", "--view", "2d", Sample("house.tsm"), Out("set.png")});
    EXPECT_EQ(CountBlue(png), 0);
    EXPECT_GT(CountBlue(Picture(Out("labels.png"))), 30);
    EXPECT_EQ(Picture(Out("set.png")), Picture(Out("labels.png")));
}

TEST_F(RenderCommandTest, WholeBmpAtTheOfferedOrGivenWidth) {
    // Without --width, the size the dialog offers: 72 pixels per inch plus 5 pixels of border on each side.
    Ok({"export", "bmp", Sample("cube.tsm"), Out("cube.bmp")});
    EXPECT_EQ(BmpHeader(Out("cube.bmp")), (std::array<int32_t, 3>{350, 477, 24}));
    // --width is the content width, the borders come on top.
    Ok({"export", "bmp", "--width", "400", Sample("cube.tsm"), Out("w400.bmp")});
    EXPECT_EQ(BmpHeader(Out("w400.bmp"))[0], 410);
    // Out of range, typed or not: the dialog's message and no file.
    for (const char* width : {"5000", "0"}) {
        const test::ToolRun r = Run({"export", "bmp", "--width", width, Sample("cube.tsm"), Out("big.bmp")});
        EXPECT_EQ(r.status, 1) << width;
        EXPECT_EQ(r.err.rfind("message: Specify a value of 1 - 4000 for pixel number.\n", 0), 0u) << r.err;
        EXPECT_FALSE(fs::exists(Out("big.bmp")));
    }
}

TEST_F(RenderCommandTest, OneBmpPerPrintedSheet) {
    // Every sheet a page once blank ones are not skipped, at a given width: 90 x 267 / 180 = 133.5.
    Ok({"--set", "bNoPrintBrankPage=0", "export", "sheets", "--width", "90", Sample("house.tsm"),
        Out("all.bmp")});
    EXPECT_EQ(BmpHeader(Out("all_002.bmp")), (std::array<int32_t, 3>{90, 134, 24}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"all_001.bmp", "all_002.bmp", "stderr.txt"}));
}

TEST_F(RenderCommandTest, RendersAModelWithoutDevelopmentButNotIntoAMissingFolder) {
    // A model without development still shows its empty sheet.
    test::ToolRun r =
        Run({"render", "--view", "2d", "--size", "100x100", WritePlainCube("plain.tsm"), Out("plain.png")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(QImage(QString::fromStdString(Out("plain.png"))).size(), QSize(100, 100));
    // An output that cannot be written.
    r = Run({"render", "--view", "2d", Sample("cube.tsm"), Out("no/such/dir/a.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("tsmtool: cannot write the picture: ", 0), 0u) << r.err;
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
    EXPECT_EQ(png.pixel(799, 599), qRgb(255, 255, 255));
    EXPECT_GT(CountBlue(png), 300);

    // Other angles give another picture; the same angles as the default the same one, also as a BMP.
    Ok({"render", "--view", "3d", "--yaw", "45", "--pitch", "-20", Sample("cube.tsm"), Out("turned.png")});
    Ok({"render", "--view", "3d", "--yaw", "-30", "--pitch", "30.0", Sample("cube.tsm"), Out("same.bmp")});
    EXPECT_NE(Picture(Out("turned.png")), png);
    EXPECT_EQ(Picture(Out("same.bmp")), png);

    // The colour of the 3D background comes from the settings.
    Ok({"--set", "color_7=255", "render", "--view", "3d", "--size", "40x30", Sample("cube.tsm"),
        Out("red.png")});
    EXPECT_EQ(QImage(QString::fromStdString(Out("red.png"))).pixel(0, 0), qRgb(255, 0, 0));
}
