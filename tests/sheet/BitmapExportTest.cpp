// The bitmap outputs: the size dialog's numbers and checks, the whole-development BMP, one BMP per sheet
// and the BMP that becomes the model's texture.

#include "sheet/BitmapExport.h"

#include "engine/Extents.h"
#include "model/Settings.h"
#include "sheet/ExportCommands.h"
#include "sheet/RasterRender.h"
#include "tests/sheet/RasterFixtures.h"
#include "tests/sheet/ReferenceImage.h"
#include "tools/lib/ModelBuilder.h"
#include "view3d/OffscreenBitmap.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace tsm;
using namespace tsm::test;

namespace {

testing::AssertionResult Done(const Outcome& outcome) {
    if (outcome.ok()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << outcome.reason();
}

constexpr int kNoLimit = kBmpMaximumPixels;

class BitmapExportTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tessaly_bmp_" + std::to_string(::getpid()) + "_" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    Settings settings_;
    fs::path dir_;
};

// The 40-byte info header of a written BMP and its total size.
struct BmpFacts {
    int64_t fileSize = -1;
    int32_t width = 0, height = 0;
    int16_t bitCount = 0;
    int32_t sizeImage = 0;
};

BmpFacts ReadBmpFacts(const std::string& path) {
    BmpFacts facts;
    std::ifstream in(path, std::ios::binary);
    if (!in) return facts;
    unsigned char header[54] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    if (in.gcount() != 54 || header[0] != 'B' || header[1] != 'M') return facts;
    auto i32 = [&](int at) {
        return int32_t(header[at] | header[at + 1] << 8 | header[at + 2] << 16 | header[at + 3] << 24);
    };
    facts.width = i32(18);
    facts.height = i32(22);
    facts.bitCount = int16_t(header[28] | header[29] << 8);
    facts.sizeImage = i32(34);
    facts.fileSize = int64_t(fs::file_size(path));
    return facts;
}

BmpSizeChooser AcceptAsOffered(IPrompt& prompt) {
    return [&prompt](BmpSizeState& state) { return AcceptBmpSize(state, prompt); };
}

BmpSizeChooser WidthOf(int width) {
    return [width](BmpSizeState& state) {
        EditBmpWidth(state, width);
        return true;
    };
}

// The textured cube made big enough to lie across 3 x 2 sheets of A4 portrait, with a text and edge IDs.
void BuildThreeByTwo(Document& doc) {
    BuildTexturedCube(doc);
    Development& dev = *doc.development;
    ComputeDevelopmentExtent(dev, true);
    ScaleDevelopment(dev, 380.0 / dev.frame[2], false); // 380 x 528 mm
    ComputeDevelopmentExtent(dev, true);
    double rect[4] = {dev.frame[0] + 5, dev.frame[1] + 5, 120, 30};
    AddText(doc, rect, {"Sheets 3 x 2"}, 48, 0x00800000);
    UpdateSheetGrid(doc, Paper::FromSettings(Settings()), true);
}

} // namespace

TEST(BmpSize, StartsAt72PixelsPerInchPlusTheBorders) {
    // 300 x 200 mm: 850.39 and 566.93 pixels, truncated; the borders go outside the content.
    const BmpSizeState s = InitialBmpSize(300, 200, kBmpMaximumPixels, 5, 5);
    EXPECT_EQ(s.baseWidth, 850);
    EXPECT_EQ(s.baseHeight, 566);
    EXPECT_EQ(s.width, 850);
    EXPECT_EQ(s.height, 566);
    EXPECT_EQ(s.scalePercent, 100);
    EXPECT_EQ(s.OutputWidth(), 860);
    EXPECT_EQ(s.OutputHeight(), 576);
    EXPECT_DOUBLE_EQ(s.aspect, 200.0 / 300.0);
}

TEST(BmpSize, CapsAtTheMaximum) {
    // 2000 mm wide: base 5669, capped to 4000, the height in proportion, scale 70.56 + 0.5 truncated.
    BmpSizeState s = InitialBmpSize(2000, 1000, kBmpMaximumPixels, 5, 5);
    EXPECT_EQ(s.baseWidth, 5669);
    EXPECT_EQ(s.width, 4000);
    EXPECT_EQ(s.height, 2000);
    EXPECT_EQ(s.scalePercent, 71);
    // A tall content: the height is capped second and the width follows it.
    s = InitialBmpSize(100, 2000, kBmpMaximumPixels, 0, 0);
    EXPECT_EQ(s.baseWidth, 283);
    EXPECT_EQ(s.height, 4000);
    EXPECT_EQ(s.width, 200);
    EXPECT_EQ(s.scalePercent, 71); // 200 * 100 / 283 = 70.67
    // Both too large: the width cap leaves a height above the maximum, which is capped in turn.
    s = InitialBmpSize(3000, 6000, kBmpMaximumPixels, 0, 0);
    EXPECT_EQ(s.height, 4000);
    EXPECT_EQ(s.width, 2000);
}

TEST(BmpSize, UnusableContentGivesNothingToAccept) {
    RecordingPrompt prompt(true);
    // Empty, negative and NaN sizes have no base; the OK check refuses them instead of dividing by zero.
    for (const double w : {0.0, -5.0, std::nan("")}) {
        const BmpSizeState s = InitialBmpSize(w, 100, kBmpMaximumPixels, 5, 5);
        EXPECT_EQ(s.baseWidth, 0);
        EXPECT_EQ(s.width, 0);
        EXPECT_EQ(s.scalePercent, 0);
        EXPECT_FALSE(AcceptBmpSize(s, prompt));
    }
    // A development without height (one straight cut line) has no height to show.
    const BmpSizeState flat = InitialBmpSize(100, 0, kBmpMaximumPixels, 0, 0);
    EXPECT_EQ(flat.width, 283);
    EXPECT_EQ(flat.height, 0);
    EXPECT_FALSE(AcceptBmpSize(flat, prompt));
    // Sizes beyond any int do not overflow.
    const BmpSizeState huge = InitialBmpSize(1e300, 1e300, kBmpMaximumPixels, 0, 0);
    EXPECT_EQ(huge.width, kBmpMaximumPixels);
    EXPECT_GT(huge.baseWidth, 0);
    ASSERT_EQ(prompt.texts.size(), 4u);
    EXPECT_EQ(prompt.texts[0], "Specify a value of 1 - 4000 for pixel number.");
}

TEST(BmpSize, FieldsFollowEachOther) {
    BmpSizeState s = InitialBmpSize(300, 200, kBmpMaximumPixels, 5, 5);
    // Width: the height keeps the aspect (425 * 2/3 = 283.3), the scale is against the base width.
    EditBmpWidth(s, 425);
    EXPECT_EQ(s.height, 283);
    EXPECT_EQ(s.scalePercent, 50);
    EXPECT_EQ(s.OutputWidth(), 435);
    // Height: 283 / (2/3) = 424.5 rounds up.
    EditBmpHeight(s, 283);
    EXPECT_EQ(s.width, 425);
    EXPECT_EQ(s.scalePercent, 50);
    // Scale: 200 % of the base width, the height from the width.
    EditBmpScale(s, 200);
    EXPECT_EQ(s.width, 1700);
    EXPECT_EQ(s.height, 1133);
    EXPECT_EQ(s.scalePercent, 200);
    // Values below 1 (width, height) or not above 0 (scale) change nothing.
    const BmpSizeState before = s;
    EditBmpWidth(s, 0);
    EditBmpHeight(s, -3);
    EditBmpScale(s, 0);
    EditBmpScale(s, -10);
    EditBmpScale(s, std::nan(""));
    EXPECT_EQ(s.width, before.width);
    EXPECT_EQ(s.height, before.height);
    EXPECT_EQ(s.scalePercent, before.scalePercent);
    // A typed value far beyond any field still gives a bounded size.
    EditBmpScale(s, 1e30);
    EXPECT_GT(s.width, 0);
    EXPECT_LE(s.width, 1000000000);
}

TEST(BmpSize, OkChecksTheRangeThenTheFileSize) {
    // 2000 x 2000 is 12 MB: accepted without a question.
    RecordingPrompt no(false);
    BmpSizeState s;
    s.width = 2000;
    s.height = 2000;
    EXPECT_EQ(EstimatedBmpMegabytes(2000, 2000), 12);
    EXPECT_TRUE(AcceptBmpSize(s, no));
    EXPECT_TRUE(no.texts.empty());
    // 2500 x 2500 is 18.75 MB, truncated 18: asked; No keeps the dialog open, Yes accepts.
    s.width = 2500;
    s.height = 2500;
    EXPECT_FALSE(AcceptBmpSize(s, no));
    ASSERT_EQ(no.texts.size(), 1u);
    EXPECT_EQ(no.texts[0],
              "The size of BMP file will be about 18MB. \n This may load heavy task on your PC. Continue?");
    RecordingPrompt yes(true);
    EXPECT_TRUE(AcceptBmpSize(s, yes));
    // The estimate is of the file, borders included: 2305 x 2305 is 15.9 MB (not above 15), with borders
    // of 5 it is 16.1 MB.
    RecordingPrompt borders(false);
    s.width = s.height = 2305;
    EXPECT_TRUE(AcceptBmpSize(s, borders));
    s.borderX = s.borderY = 5;
    EXPECT_FALSE(AcceptBmpSize(s, borders));
    ASSERT_EQ(borders.texts.size(), 1u);
    EXPECT_NE(borders.texts[0].find("about 16MB"), std::string::npos);
    EXPECT_EQ(EstimatedBmpMegabytes(0, 100), 0);
    EXPECT_EQ(EstimatedBmpMegabytes(-5, 100), 0);

    // Out of range: above the maximum, below 1, below both borders together.
    RecordingPrompt range(true);
    s = InitialBmpSize(300, 200, kBmpMaximumPixels, 5, 5);
    s.width = 4001;
    EXPECT_FALSE(AcceptBmpSize(s, range));
    s.width = 4000;
    s.height = 9; // less than 2 x 5
    EXPECT_FALSE(AcceptBmpSize(s, range));
    s.height = 10;
    EXPECT_TRUE(AcceptBmpSize(s, range));
    s.borderX = s.borderY = 0;
    s.height = 0;
    EXPECT_FALSE(AcceptBmpSize(s, range));
    ASSERT_EQ(range.texts.size(), 3u);
    for (const std::string& text : range.texts)
        EXPECT_EQ(text, "Specify a value of 1 - 4000 for pixel number.");
    // The starting values of a content capped at the maximum pass, borders and all.
    RecordingPrompt capped(true);
    EXPECT_TRUE(AcceptBmpSize(InitialBmpSize(2000, 1000, kBmpMaximumPixels, 5, 5), capped));
}

TEST(BmpSize, WholeAndSheetStartingValues) {
    Document doc;
    BuildTexturedCube(doc);
    // The bounding box is recomputed first: a stale frame does not decide the size.
    const double width = doc.development->frame[2], height = doc.development->frame[3];
    doc.development->frame[2] = 1;
    const BmpSizeState whole = WholeBmpSize(doc, kBmpMaximumPixels, 5);
    EXPECT_EQ(whole.baseWidth, int(width / 25.4 * 72));
    EXPECT_EQ(whole.baseHeight, int(height / 25.4 * 72));
    EXPECT_EQ(whole.OutputWidth(), whole.width + 10);
    // No development: nothing to size.
    Document empty;
    EXPECT_EQ(WholeBmpSize(empty, kBmpMaximumPixels, 5).width, 0);
    // One A4 sheet with margins 15: 180 x 267 mm printable, 510 x 756 pixels, no border.
    const BmpSizeState sheet = SheetBmpSize(Paper{}, kBmpMaximumPixels);
    EXPECT_EQ(sheet.width, 510);
    EXPECT_EQ(sheet.height, 756);
    EXPECT_EQ(sheet.OutputWidth(), 510);
}

TEST(SheetBmpPath, NumbersFollowTheBaseName) {
    EXPECT_EQ(SheetBmpPath("/tmp/out/name.bmp", 1), "/tmp/out/name_001.bmp");
    EXPECT_EQ(SheetBmpPath("/tmp/out/name.bmp", 12), "/tmp/out/name_012.bmp");
    EXPECT_EQ(SheetBmpPath("/tmp/out/name.BMP", 7), "/tmp/out/name_007.bmp");
    // Only the last component's extension goes; a dot in a folder name stays.
    EXPECT_EQ(SheetBmpPath("/tmp/v1.2/name", 3), "/tmp/v1.2/name_003.bmp");
    EXPECT_EQ(SheetBmpPath("a.b.bmp", 2), "a.b_002.bmp");
    // Beyond three digits the number grows.
    EXPECT_EQ(SheetBmpPath("name.bmp", 1000), "name_1000.bmp");
}

TEST_F(BitmapExportTest, WholeBmpHasTheChosenSizeAndRows) {
    Document doc;
    BuildTexturedCube(doc);
    RecordingPrompt prompt(true);
    ASSERT_TRUE(Done(ExportWholeBmp(doc, settings_, Path("whole.bmp"), WidthOf(301), prompt)));
    const BmpSizeState expected = [&] {
        BmpSizeState s = WholeBmpSize(doc, kBmpMaximumPixels, 5);
        EditBmpWidth(s, 301);
        return s;
    }();
    const BmpFacts facts = ReadBmpFacts(Path("whole.bmp"));
    EXPECT_EQ(facts.width, 311);
    EXPECT_EQ(facts.height, expected.OutputHeight());
    EXPECT_EQ(facts.bitCount, 24);
    // 311 x 3 = 933 bytes, padded to 936 per row.
    EXPECT_EQ(facts.sizeImage, 936 * facts.height);
    EXPECT_EQ(facts.fileSize, 54 + 936 * int64_t(facts.height));
    EXPECT_TRUE(prompt.texts.empty());

    // The outer border pixels stay white paper (lines on the frame's edge reach a pixel or two into it);
    // the content reaches the border: a column just inside it has ink.
    const QImage image(QString::fromStdString(Path("whole.bmp")));
    ASSERT_FALSE(image.isNull());
    for (int y = 0; y < image.height(); ++y) {
        ASSERT_EQ(image.pixel(0, y), qRgb(255, 255, 255)) << y;
        ASSERT_EQ(image.pixel(image.width() - 1, y), qRgb(255, 255, 255)) << y;
    }
    for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixel(x, 0), qRgb(255, 255, 255)) << x;
    bool inked = false;
    for (int y = 0; y < image.height() && !inked; ++y) inked = qGray(image.pixel(6, y)) < 200;
    EXPECT_TRUE(inked);
}

TEST_F(BitmapExportTest, CommandRefusals) {
    RecordingPrompt prompt(true);
    // No development: refused before anything else.
    Document empty;
    EXPECT_FALSE(ExportWholeBmp(empty, settings_, Path("a.bmp"), WidthOf(100), prompt).ok());
    // A name with another extension.
    Document doc;
    BuildTexturedCube(doc);
    EXPECT_FALSE(ExportSheetBmps(doc, settings_, Path("a.png"), WidthOf(100), prompt).ok());
    // Cancel in the size dialog ends the command quietly.
    EXPECT_TRUE(ExportWholeBmp(
                    doc, settings_, Path("b.bmp"), [](BmpSizeState&) { return false; }, prompt)
                    .cancelled());
    EXPECT_FALSE(fs::exists(Path("b.bmp")));
    ASSERT_EQ(prompt.texts.size(), 2u);
    EXPECT_EQ(prompt.texts[0], "No data for development.");
    EXPECT_EQ(prompt.texts[1], "Cannot load file of specified type.");
    // A name without extension gets ".bmp", as the save dialog appends it.
    // At the size the dialog offers (72 pixels per inch plus the borders), accepted without a question.
    EXPECT_TRUE(Done(ExportWholeBmp(doc, settings_, Path("c"), AcceptAsOffered(prompt), prompt)));
    const BmpSizeState offered = WholeBmpSize(doc, kBmpMaximumPixels, kWholeBmpBorderPixels);
    const BmpFacts facts = ReadBmpFacts(Path("c.bmp"));
    EXPECT_EQ(facts.width, offered.baseWidth + 10);
    EXPECT_EQ(facts.height, offered.baseHeight + 10);
    EXPECT_EQ(prompt.texts.size(), 2u);
    // A folder that does not exist: the renderer's "write error", and a failure.
    EXPECT_FALSE(WriteWholeBmp(doc, settings_, Path("missing/d.bmp"), 40, 40, 5, prompt).ok());
    EXPECT_EQ(prompt.texts.back(), "write error");
}

TEST_F(BitmapExportTest, TwelveSheetsGiveTwelveNumberedFiles) {
    settings_.bNoPrintBrankPage = false;
    Document doc;
    BuildTexturedCube(doc);
    doc.sheetColumns = 4;
    doc.sheetRows = 3;
    RecordingPrompt prompt(true);
    std::vector<std::string> written;
    ASSERT_TRUE(Done(ExportSheetBmps(doc, settings_, Path("name.bmp"), WidthOf(18), prompt, &written)));
    ASSERT_EQ(written.size(), 12u);
    EXPECT_EQ(written.front(), Path("name_001.bmp"));
    EXPECT_EQ(written.back(), Path("name_012.bmp"));
    // 18 pixels wide (56 bytes per row padded to 56), 267/180 x 18 = 26.7 rows rounded to 27.
    for (int n = 1; n <= 12; ++n) {
        const BmpFacts facts = ReadBmpFacts(SheetBmpPath(Path("name.bmp"), n));
        EXPECT_EQ(facts.width, 18) << n;
        EXPECT_EQ(facts.height, 27) << n;
        EXPECT_EQ(facts.fileSize, 54 + 56 * 27) << n;
    }
    EXPECT_FALSE(fs::exists(Path("name_000.bmp")));
    EXPECT_FALSE(fs::exists(Path("name_013.bmp")));
    EXPECT_FALSE(fs::exists(Path("name.bmp")));
}

TEST_F(BitmapExportTest, BlankSheetsAreLeftOutOfTheNumbering) {
    // With bNoPrintBrankPage on only sheets with lines count: the cube's sheet alone is page 1.
    Document doc;
    BuildTexturedCube(doc);
    doc.sheetColumns = 3;
    doc.sheetRows = 2;
    RecordingPrompt prompt(true);
    std::vector<std::string> written;
    ASSERT_TRUE(Done(ExportSheetBmps(doc, settings_, Path("one.bmp"), WidthOf(20), prompt, &written)));
    EXPECT_EQ(written, std::vector<std::string>{Path("one_001.bmp")});
}

TEST_F(BitmapExportTest, ThreeByTwoSheetExport) {
    settings_.bNoPrintBrankPage = false;
    settings_.bDrawNumber = true;
    Document doc;
    BuildThreeByTwo(doc);
    ASSERT_EQ(doc.sheetColumns, 3);
    ASSERT_EQ(doc.sheetRows, 2);
    RecordingPrompt prompt(true);
    std::vector<std::string> written;
    ASSERT_TRUE(Done(ExportSheetBmps(doc, settings_, Path("grid.bmp"), WidthOf(120), prompt, &written)));
    ASSERT_EQ(written.size(), 6u);
    // The six pages laid out as the sheets lie, with a one-pixel grey gap between them.
    const int w = 120, h = 178;
    QImage grid(3 * w + 2, 2 * h + 1, QImage::Format_RGB32);
    grid.fill(qRgb(128, 128, 128));
    {
        QPainter painter(&grid);
        for (int n = 0; n < 6; ++n) {
            const QImage page(QString::fromStdString(written[n]));
            ASSERT_EQ(page.size(), QSize(w, h)) << written[n];
            painter.drawImage((n % 3) * (w + 1), (n / 3) * (h + 1), page);
        }
    }
    EXPECT_TRUE(MatchesReference(grid, "sheet-export-3x2"));
}

TEST_F(BitmapExportTest, TextureBmpBecomesTheModelsTexture) {
    Document doc;
    BuildTexturedCube(doc);
    // One face in a plain colour, so that its middle has one colour on the bitmap and in the texture.
    CMaterial& plain = AddMaterial(doc, "Plain", {0.2f, 0.6f, 0.3f});
    (void)plain;
    CPart& part = *doc.development->parts[0];
    CFace& marked = *part.faces[2];
    marked.materialIndex = 1;
    // A second solid outside the development keeps no old material and gets (0, 0).
    AddSolid(doc, "Loose", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, 0);
    CFace& loose = *doc.model->solids[1]->faces[0];
    loose.Corner(0)->u = 0.7;

    RecordingPrompt prompt(true);
    EXPECT_TRUE(ConfirmTextureReset(prompt));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0],
              "Reset UV coordinates and material settings so that \nthe BMP file can be used as a "
              "texture image. \nYou can edit the BMP and set it from \n[3DModelWindow]-[Texture "
              "Configuration].");
    const std::string path = Path("paint.bmp");
    ASSERT_TRUE(Done(ExportTextureBmp(doc, settings_, path, WidthOf(256), prompt)));

    // Border 0: the content is exactly the bitmap.
    const BmpFacts facts = ReadBmpFacts(path);
    EXPECT_EQ(facts.width, 256);
    ASSERT_EQ(doc.model->materials.size(), 1u);
    const CMaterial& material = *doc.model->materials[0];
    EXPECT_EQ(material.name, "paint");
    EXPECT_EQ(material.textureFileName, path);
    ASSERT_NE(material.texture, nullptr);
    EXPECT_EQ(material.imageWidth, 256);
    EXPECT_EQ(material.imageHeight, facts.height);
    for (auto& face : doc.model->solids[0]->faces) EXPECT_EQ(face->materialIndex, 0);
    EXPECT_EQ(loose.materialIndex, 0);
    EXPECT_EQ(loose.Corner(0)->u, 0.0);
    EXPECT_TRUE(doc.modified);

    // Each corner's (u, v) is its place on the bitmap over the bitmap's size, v = 0 at the top row.
    const RasterProjection projection = WholeProjection(*doc.development, facts.width, facts.height, 0);
    for (CFace* face : part.faces)
        for (auto& corner : face->halfEdges) {
            const Point2 pixel = projection.ToPixel({part.x + corner->x2d, part.y + corner->y2d});
            EXPECT_NEAR(corner->u, pixel.x / facts.width, 1e-12);
            EXPECT_NEAR(corner->v, pixel.y / facts.height, 1e-12);
            EXPECT_GE(corner->u, -1e-9);
            EXPECT_LE(corner->u, 1 + 1e-9);
            EXPECT_GE(corner->v, -1e-9);
            EXPECT_LE(corner->v, 1 + 1e-9);
        }
    // The texture now paints each face as it looked: the plain face's middle, looked up in the texture at
    // the face's middle (u, v), shows the plain colour.
    double u = 0, v = 0;
    for (auto& corner : marked.halfEdges) {
        u += corner->u / marked.CornerCount();
        v += corner->v / marked.CornerCount();
    }
    const CTextureImage& texture = *material.texture;
    const int tx = int(u * texture.width), ty = int(v * texture.height);
    const uint8_t* p = texture.pixels.data() + (size_t(ty) * texture.width + tx) * 3;
    EXPECT_NEAR(p[0], 0.2 * 255, 3);
    EXPECT_NEAR(p[1], 0.6 * 255, 3);
    EXPECT_NEAR(p[2], 0.3 * 255, 3);
}

TEST_F(BitmapExportTest, TextureResetNeedsTheFile) {
    Document doc;
    BuildTexturedCube(doc);
    const double u = doc.development->parts[0]->faces[0]->Corner(0)->u;
    RecordingPrompt prompt(true);
    // The file cannot be written: the model keeps its materials and coordinates.
    EXPECT_FALSE(ExportTextureBmp(doc, settings_, Path("missing/t.bmp"), WidthOf(64), prompt).ok());
    EXPECT_EQ(doc.model->materials.size(), 1u);
    EXPECT_EQ(doc.model->materials[0]->name, "Quadrants");
    EXPECT_EQ(doc.development->parts[0]->faces[0]->Corner(0)->u, u);
    // Cancelled in the size dialog: likewise.
    EXPECT_TRUE(ExportTextureBmp(
                    doc, settings_, Path("t.bmp"), [](BmpSizeState&) { return false; }, prompt)
                    .cancelled());
    EXPECT_EQ(doc.model->materials[0]->name, "Quadrants");
}
