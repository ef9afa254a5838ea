// tsmtool render and the bitmap exports end to end: the real program on the sample models, its pictures
// read back and its sizes compared with what the size dialog's numbers give for the same model.

#include "engine/EngineCompletion.h"
#include "model/BinaryWriter.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"
#include "sheet/BitmapExport.h"
#include "sheet/Paper.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"
#include "view3d/OffscreenBitmap.h"

#include <gtest/gtest.h>

#include <QImage>

#include <sys/wait.h>
#include <unistd.h>

#include "tests/cli/ToolTestFolder.h"
#include <cstdio>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace tsm;

namespace {

using RunResult = test::ToolRun;

std::string Bytes(const std::string& path) {
    return test::FileBytes(path);
}

// Width, height and bit depth from a BMP's info header; zeros when the file is no BMP.
struct BmpHeader {
    int32_t width = 0, height = 0, bitCount = 0;
};
BmpHeader ReadBmpHeader(const std::string& path) {
    const std::string bytes = Bytes(path);
    BmpHeader header;
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) return header;
    auto i32 = [&](size_t at) {
        return int32_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8 | uint8_t(bytes[at + 2]) << 16 |
                       uint8_t(bytes[at + 3]) << 24);
    };
    header.width = i32(18);
    header.height = i32(22);
    header.bitCount = uint8_t(bytes[28]);
    return header;
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

class RenderCommandTest : public test::ToolTestFolder {};

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
    RunResult r = Run({"render", "--view", "2d", Sample("house.tsm"), Out("house.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const QImage png(QString::fromStdString(Out("house.png")));
    ASSERT_EQ(png.size(), QSize(800, 600));
    // Grey around the fitted sheets, white paper in the middle.
    EXPECT_EQ(png.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(png.pixel(799, 599), qRgb(128, 128, 128));
    bool paper = false;
    for (int x = 300; x < 500 && !paper; ++x) paper = png.pixel(x, 500) == qRgb(255, 255, 255);
    EXPECT_TRUE(paper);

    // The same picture as a 24-bit BMP, rows bottom-up: pixel for pixel what the PNG holds.
    r = Run({"render", "--size", "321x200", "--view", "2d", Sample("house.tsm"), Out("small.PNG")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"render", "--view", "2d", "--size", "321x200", Sample("house.tsm"), Out("small.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    const BmpHeader header = ReadBmpHeader(Out("small.bmp"));
    EXPECT_EQ(header.width, 321);
    EXPECT_EQ(header.height, 200);
    EXPECT_EQ(header.bitCount, 24);
    EXPECT_EQ(fs::file_size(Out("small.bmp")), 54u + 964u * 200u); // 963 bytes a row, padded to 964
    const QImage fromPng =
        QImage(QString::fromStdString(Out("small.PNG"))).convertToFormat(QImage::Format_RGB32);
    const QImage fromBmp =
        QImage(QString::fromStdString(Out("small.bmp"))).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(fromBmp.size(), QSize(321, 200));
    EXPECT_EQ(fromBmp, fromPng);
}

TEST_F(RenderCommandTest, LabelsWhenAsked) {
    ASSERT_EQ(Run({"render", "--view", "2d", Sample("house.tsm"), Out("plain.png")}).status, 0);
    ASSERT_EQ(Run({"render", "--view", "2d", "--labels", Sample("house.tsm"), Out("labels.png")}).status, 0);
    ASSERT_EQ(
        Run({"--set", "bDrawPageNumber=1", "render", "--view", "2d", Sample("house.tsm"), Out("set.png")})
            .status,
        0);
    const QImage plain(QString::fromStdString(Out("plain.png")));
    const QImage labels(QString::fromStdString(Out("labels.png")));
    EXPECT_EQ(CountBlue(plain), 0);
    EXPECT_GT(CountBlue(labels), 30);
    EXPECT_EQ(QImage(QString::fromStdString(Out("set.png"))), labels);
}

TEST_F(RenderCommandTest, WholeBmpAtTheOfferedOrGivenWidth) {
    // Without --width: 72 pixels per inch plus 5 pixels of border on each side.
    const BmpSizeState offered = OfferedWholeSize(Sample("cube.tsm"));
    ASSERT_GT(offered.width, 0);
    RunResult r = Run({"export", "bmp", Sample("cube.tsm"), Out("cube.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    BmpHeader header = ReadBmpHeader(Out("cube.bmp"));
    EXPECT_EQ(header.width, offered.baseWidth + 10);
    EXPECT_EQ(header.height, offered.baseHeight + 10);
    EXPECT_EQ(header.bitCount, 24);
    EXPECT_EQ(fs::file_size(Out("cube.bmp")), 54u + size_t(DibStride(header.width)) * header.height);

    // --width is the content width: the height follows the aspect, the borders come on top.
    BmpSizeState typed = offered;
    EditBmpWidth(typed, 400);
    r = Run({"export", "bmp", "--width", "400", Sample("cube.tsm"), Out("w400.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    header = ReadBmpHeader(Out("w400.bmp"));
    EXPECT_EQ(header.width, 410);
    EXPECT_EQ(header.height, typed.OutputHeight());
    // The picture reads as a BMP: white border, something drawn inside.
    const QImage image(QString::fromStdString(Out("w400.bmp")));
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
        const RunResult r = Run({"export", "bmp", "--width", width, Sample("cube.tsm"), Out("big.bmp")});
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
    RunResult r = Run({"export", "bmp", "--width", "2500", Sample("cube.tsm"), Out("large.bmp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(question, 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(Out("large.bmp")));
    r = Run({"--yes", "export", "bmp", "--width", "2500", Sample("cube.tsm"), Out("large.bmp")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, question);
    EXPECT_EQ(ReadBmpHeader(Out("large.bmp")).width, 2510);
}

TEST_F(RenderCommandTest, OneBmpPerPrintedSheet) {
    // The house lies on the first of its two sheets; the blank second one is no page.
    RunResult r = Run({"export", "sheets", Sample("house.tsm"), Out("house.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    const BmpHeader header = ReadBmpHeader(Out("house_001.bmp"));
    EXPECT_EQ(header.width, 510); // 180 x 267 mm at 72 pixels per inch, no border
    EXPECT_EQ(header.height, 756);
    EXPECT_FALSE(fs::exists(Out("house_002.bmp")));
    EXPECT_FALSE(fs::exists(Out("house.bmp")));
    // Every sheet a page, at a given width.
    r = Run({"--set", "bNoPrintBrankPage=0", "export", "sheets", "--width", "90", Sample("house.tsm"),
             Out("all.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBmpHeader(Out("all_001.bmp")).width, 90);
    EXPECT_EQ(ReadBmpHeader(Out("all_002.bmp")).height, 134); // 90 x 267 / 180 = 133.5
    EXPECT_FALSE(fs::exists(Out("all_003.bmp")));
}

TEST_F(RenderCommandTest, RefusalsExitOne) {
    // A name that is not a BMP's.
    RunResult r = Run({"export", "bmp", Sample("cube.tsm"), Out("cube.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("message: Cannot load file of specified type.\n", 0), 0u) << r.err;
    EXPECT_FALSE(fs::exists(Out("cube.png")));
    // A model without development.
    Document plain;
    const MeshData cube = Cube(20);
    AddSolid(plain, "Cube", cube.vertices, cube.faces);
    const Outcome written = WriteBinaryModel(plain, Settings(), Out("plain.tsm"));
    ASSERT_TRUE(written.ok()) << written.reason();
    r = Run({"export", "sheets", Out("plain.tsm"), Out("plain.bmp")});
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

TEST_F(RenderCommandTest, UsageErrorsExitTwo) {
    const std::string cube = Sample("cube.tsm");
    const std::vector<std::vector<std::string>> bad = {
        {"render", cube, Out("a.png")},                 // no view
        {"render", "--view", "4d", cube, Out("a.png")}, // no such view
        {"render", "--view", "2d", "--yaw", "10", cube, Out("a.png")},
        {"render", "--view", "3d", "--labels", cube, Out("a.png")},
        {"render", "--view", "3d", "--yaw", "ten", cube, Out("a.png")},
        {"render", "--view", "3d", "--pitch", "1e999", cube, Out("a.png")},
        {"render", "--view", "3d", cube, "--pitch"},
        {"info", "--yaw", "10", cube},
        {"render", "--view", "2d", cube, Out("a.jpg")}, // neither PNG nor BMP
        {"render", "--view", "2d", cube},               // no output
        {"render", "--view", "2d", "--size", "0x10", cube, Out("a.png")},
        {"render", "--view", "2d", "--size", "10", cube, Out("a.png")},
        {"render", "--view", "2d", "--size", "20000x10", cube, Out("a.png")},
        {"render", "--view", "2d", "--size", "10x", cube, Out("a.png")},
        {"render", "--view", "2d", "--size", "10x10x10", cube, Out("a.png")},
        {"render", "--view", "2d", "--width", "10", cube, Out("a.png")},
        {"render", "--view"},
        {"export", "bmp", "--width", "ten", cube, Out("a.bmp")},
        {"export", "bmp", "--width", "10px", cube, Out("a.bmp")},
        {"export", "bmp", "--width"},
        {"export", "eps", "--width", "10", cube, Out("a.eps")},
        {"export", "bmp", "--labels", cube, Out("a.bmp")},
        {"export", "sheets", "--view", "2d", cube, Out("a.bmp")},
        {"info", "--size", "10x10", cube},
    };
    for (const auto& args : bad) {
        const RunResult r = Run(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(r.status, 2) << joined << r.err;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << joined;
    }
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename(), "stderr.txt") << entry.path();
}

// Each way EGL can fail, forced: the renderer's or the view's text, why, exit 1 and no picture.
TEST_F(RenderCommandTest, GlFailuresExitOneSayingWhy) {
    const struct {
        const char* forced;
        const char* view;
        const char* text;
        const char* reason;
    } cases[] = {
        {"display", "2d", "OpenGL Context Error", "no EGL display"},
        {"config", "3d", "Rendering Context Create Failed", "no configuration"},
        {"context", "3d", "Rendering Context Create Failed", "refused"},
        {"context", "2d", "OpenGL Context Error", "refused"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.forced) + " " + c.view);
        setenv("TESSALY_GL_FAIL", c.forced, 1);
        const RunResult r = Run({"render", "--view", c.view, Sample("cube.tsm"), Out("never.png")});
        unsetenv("TESSALY_GL_FAIL");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.text), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("tsmtool: rendering failed: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(Out("never.png")));
    }
}

TEST_F(RenderCommandTest, Renders3DViewFromTheDefaultOrTheGivenCamera) {
    RunResult r = Run({"render", "--view", "3d", Sample("cube.tsm"), Out("cube.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const QImage png(QString::fromStdString(Out("cube.png")));
    ASSERT_EQ(png.size(), QSize(800, 600));
    // The white background of the 3D window around the model, the blue mountain edges on it.
    EXPECT_EQ(png.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(png.pixel(799, 599), qRgb(255, 255, 255));
    EXPECT_GT(CountBlue(png), 300);

    // Other angles give another picture; the same angles as the default the same one, also as a BMP.
    ASSERT_EQ(Run({"render", "--view", "3d", "--yaw", "45", "--pitch", "-20", Sample("cube.tsm"),
                   Out("turned.png")})
                  .status,
              0);
    ASSERT_EQ(Run({"render", "--view", "3d", "--yaw", "-30", "--pitch", "30.0", Sample("cube.tsm"),
                   Out("same.bmp")})
                  .status,
              0);
    const QImage turned(QString::fromStdString(Out("turned.png")));
    const QImage same = QImage(QString::fromStdString(Out("same.bmp"))).convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(turned, png);
    EXPECT_EQ(same, png.convertToFormat(QImage::Format_RGB32));

    // The colour of the 3D background comes from the settings.
    ASSERT_EQ(Run({"--set", "color_7=255", "render", "--view", "3d", "--size", "40x30", Sample("cube.tsm"),
                   Out("red.png")})
                  .status,
              0);
    EXPECT_EQ(QImage(QString::fromStdString(Out("red.png"))).pixel(0, 0), qRgb(255, 0, 0));
}
