// tsmtool render and the bitmap exports end to end: the real program on the sample models, its pictures
// read back and its sizes compared with what the size dialog's numbers give for the same model.

#include "engine/EngineCompletion.h"
#include "model/OpenPipeline.h"
#include "sheet/BitmapExport.h"
#include "sheet/Paper.h"
#include "tests/cli/ToolTestFolder.h"
#include "view3d/OffscreenBitmap.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

// Width, height and bit depth from a BMP's info header; zeros when the file is no BMP.
std::array<int32_t, 3> BmpHeader(const std::string& path) {
    const std::string bytes = test::FileBytes(path);
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) return {0, 0, 0};
    auto i32 = [&](size_t at) {
        return int32_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8 | uint8_t(bytes[at + 2]) << 16 |
                       uint8_t(bytes[at + 3]) << 24);
    };
    return {i32(18), i32(22), uint8_t(bytes[28])};
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
        ASSERT_EQ(r.status, 0) << test::Joined(args) << r.err;
        EXPECT_EQ(r.err, "") << test::Joined(args);
    }
};

// The whole-development size the dialog offers for a sample, opened as tsmtool opens it.
BmpSizeState OfferedWholeSize(const std::string& path) {
    const Settings defaults;
    RecordingPrompt prompt;
    EngineCompletion completion;
    DocumentController documents(defaults, prompt, completion);
    if (!documents.OpenModelFile(path)) return {};
    UpdateSheetGrid(*documents.Current(),
                    Paper::FromSettings(WithDisplay(defaults, documents.Current()->display)), true);
    return WholeBmpSize(*documents.Current(), kBmpMaximumPixels, kWholeBmpBorderPixels);
}

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
    // Without --width: 72 pixels per inch plus 5 pixels of border on each side.
    const BmpSizeState offered = OfferedWholeSize(Sample("cube.tsm"));
    ASSERT_GT(offered.width, 0);
    Ok({"export", "bmp", Sample("cube.tsm"), Out("cube.bmp")});
    const auto header = BmpHeader(Out("cube.bmp"));
    EXPECT_EQ(header, (std::array<int32_t, 3>{offered.baseWidth + 10, offered.baseHeight + 10, 24}));
    EXPECT_EQ(fs::file_size(Out("cube.bmp")), 54u + size_t(DibStride(header[0])) * header[1]);

    // --width is the content width: the height follows the aspect, the borders come on top.
    BmpSizeState typed = offered;
    EditBmpWidth(typed, 400);
    Ok({"export", "bmp", "--width", "400", Sample("cube.tsm"), Out("w400.bmp")});
    EXPECT_EQ(BmpHeader(Out("w400.bmp")), (std::array<int32_t, 3>{410, typed.OutputHeight(), 24}));
    // The picture reads as a BMP: white border, something drawn inside.
    const QImage image = Picture(Out("w400.bmp"));
    ASSERT_EQ(image.width(), 410);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    bool ink = false;
    for (int y = 0; y < image.height() && !ink; ++y)
        for (int x = 0; x < image.width() && !ink; ++x) ink = qGray(image.pixel(x, y)) < 160;
    EXPECT_TRUE(ink);
}

TEST_F(RenderCommandTest, SizeChecksOfTheDialog) {
    // Out of range, typed or not: the dialog's message and no file.
    for (const char* width : {"5000", "0", "-3"}) {
        const test::ToolRun r = Run({"export", "bmp", "--width", width, Sample("cube.tsm"), Out("big.bmp")});
        EXPECT_EQ(r.status, 1) << width;
        EXPECT_EQ(r.err.rfind("message: Specify a value of 1 - 4000 for pixel number.\n", 0), 0u) << r.err;
        EXPECT_FALSE(fs::exists(Out("big.bmp")));
    }
    // Above 15 MB the question; the default answer No writes nothing, --yes writes the file.
    BmpSizeState typed = OfferedWholeSize(Sample("cube.tsm"));
    EditBmpWidth(typed, 2500);
    ASSERT_LE(typed.height, kBmpMaximumPixels);
    const int64_t megabytes = EstimatedBmpMegabytes(typed.OutputWidth(), typed.OutputHeight());
    ASSERT_GT(megabytes, 15);
    const std::string question = "message: The size of BMP file will be about " + std::to_string(megabytes) +
                                 "MB. \\n This may load heavy task on your PC. Continue?\n";
    test::ToolRun r = Run({"export", "bmp", "--width", "2500", Sample("cube.tsm"), Out("large.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(question, 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(Out("large.bmp")));
    r = Run({"--yes", "export", "bmp", "--width", "2500", Sample("cube.tsm"), Out("large.bmp")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, question);
    EXPECT_EQ(BmpHeader(Out("large.bmp"))[0], 2510);
}

TEST_F(RenderCommandTest, OneBmpPerPrintedSheet) {
    // The house lies on the first of its two sheets; the blank second one is no page.
    Ok({"export", "sheets", Sample("house.tsm"), Out("house.bmp")});
    // 180 x 267 mm at 72 pixels per inch, no border.
    EXPECT_EQ(BmpHeader(Out("house_001.bmp")), (std::array<int32_t, 3>{510, 756, 24}));
    // Every sheet a page, at a given width: 90 x 267 / 180 = 133.5.
    Ok({"--set", "bNoPrintBrankPage=0", "export", "sheets", "--width", "90", Sample("house.tsm"),
        Out("all.bmp")});
    EXPECT_EQ(BmpHeader(Out("all_001.bmp"))[0], 90);
    EXPECT_EQ(BmpHeader(Out("all_002.bmp"))[1], 134);
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"all_001.bmp", "all_002.bmp", "house_001.bmp", "stderr.txt"}));
}

TEST_F(RenderCommandTest, RefusalsExitOne) {
    // A name that is not a BMP's.
    test::ToolRun r = Run({"export", "bmp", Sample("cube.tsm"), Out("cube.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("message: Cannot load file of specified type.\n", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(Out("cube.png")));
    // A model without development.
    r = Run({"export", "sheets", WritePlainCube("plain.tsm"), Out("plain.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("message: No data for development.\ntsmtool: "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Out("plain_001.bmp")));
    // Rendering it still shows its empty sheet.
    r = Run({"render", "--view", "2d", "--size", "100x100", Out("plain.tsm"), Out("plain.png")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(QImage(QString::fromStdString(Out("plain.png"))).size(), QSize(100, 100));
    // An output that cannot be written.
    r = Run({"render", "--view", "2d", Sample("cube.tsm"), Out("no/such/dir/a.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("tsmtool: cannot write "), std::string::npos) << r.err;
}

// Each way EGL can fail, forced: the renderer's or the view's text, why, exit 1 and no picture.
TEST_F(RenderCommandTest, GlFailuresExitOneSayingWhy) {
    const struct {
        const char *forced, *view, *text, *reason;
    } cases[] = {
        {"display", "2d", "OpenGL Context Error", "no EGL display"},
        {"config", "3d", "Rendering Context Create Failed", "no configuration"},
        {"context", "3d", "Rendering Context Create Failed", "refused"},
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
