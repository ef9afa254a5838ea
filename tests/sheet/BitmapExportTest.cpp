// The bitmap outputs: the size dialog's numbers and checks, the whole-development BMP, one BMP per sheet
// and the BMP that becomes the model's texture.

#include "sheet/BitmapExport.h"

#include "engine/Extents.h"
#include "model/Settings.h"
#include "sheet/ExportCommands.h"
#include "sheet/RasterRender.h"
#include "tests/sheet/GoldenFiles.h"
#include "tests/sheet/RasterFixtures.h"
#include "tests/sheet/ReferenceImage.h"
#include "tools/lib/ModelBuilder.h"
#include "view3d/OffscreenBitmap.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;
using namespace tsm;
using namespace tsm::test;

namespace {

testing::AssertionResult Done(const Outcome& outcome) {
    if (outcome.ok()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << outcome.reason();
}

// Width, height, scale, base width and base height of the size dialog.
std::vector<int> Fields(const BmpSizeState& s) {
    return {s.width, s.height, s.scalePercent, s.baseWidth, s.baseHeight};
}

// The info header of a written BMP: width, height, bits per pixel, image bytes, and the file's size.
std::vector<int64_t> BmpFacts(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return {};
    const auto i32 = [&](int at) {
        return int64_t(int32_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8 |
                               uint8_t(bytes[at + 2]) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24));
    };
    return {i32(18), i32(22), uint8_t(bytes[28]) | uint8_t(bytes[29]) << 8, i32(34), int64_t(bytes.size())};
}

BmpSizeChooser WidthOf(int width) {
    return [width](BmpSizeState& state) {
        EditBmpWidth(state, width);
        return true;
    };
}

const BmpSizeChooser kCancel = [](BmpSizeState&) { return false; };

} // namespace

TEST(BmpSize, StartingValuesCapsAndUnusableContent) {
    RecordingPrompt prompt(true);
    // 300 x 200 mm: 850.39 and 566.93 pixels, truncated; the borders go outside the content.
    BmpSizeState s = InitialBmpSize(300, 200, kBmpMaximumPixels, 5, 5);
    EXPECT_EQ(Fields(s), (std::vector<int>{850, 566, 100, 850, 566}));
    EXPECT_EQ(std::make_pair(s.OutputWidth(), s.OutputHeight()), std::make_pair(860, 576));
    const struct {
        double w, h;
        std::vector<int> fields;
    } cases[] = {
        // 2000 mm wide: base 5669, capped to 4000, the height in proportion, scale 70.56 + 0.5 truncated.
        {2000, 1000, {4000, 2000, 71, 5669, 2834}},
        // A tall content: the height is capped second and the width follows it (200 * 100 / 283 = 70.67).
        {100, 2000, {200, 4000, 71, 283, 5669}},
        // Both too large: the width cap leaves a height above the maximum, which is capped in turn.
        {3000, 6000, {2000, 4000, 24, 8503, 17007}},
        // Empty, negative and NaN sizes have no base; the OK check refuses them instead of dividing by zero.
        {0, 100, {0, 283, 0, 0, 283}},
        {-5, 100, {0, 283, 0, 0, 283}},
        {std::nan(""), 100, {0, 283, 0, 0, 283}},
        // A development without height (one straight cut line) has no height to show.
        {100, 0, {283, 0, 100, 283, 0}},
    };
    for (const auto& c : cases) {
        s = InitialBmpSize(c.w, c.h, kBmpMaximumPixels, 0, 0);
        EXPECT_EQ(Fields(s), c.fields) << c.w << " x " << c.h;
        if (c.fields[0] == 0 || c.fields[1] == 0) {
            EXPECT_FALSE(AcceptBmpSize(s, prompt)) << c.w << " x " << c.h;
        }
    }
    EXPECT_EQ(prompt.texts, std::vector<std::string>(4, "Specify a value of 1 - 4000 for pixel number."));
    // Sizes beyond any int do not overflow.
    const BmpSizeState huge = InitialBmpSize(1e300, 1e300, kBmpMaximumPixels, 0, 0);
    EXPECT_EQ(huge.width, kBmpMaximumPixels);
    EXPECT_GT(huge.baseWidth, 0);
}

TEST(BmpSize, FieldsFollowEachOther) {
    BmpSizeState s = InitialBmpSize(300, 200, kBmpMaximumPixels, 5, 5);
    // Width: the height keeps the aspect (425 * 2/3 = 283.3), the scale is against the base width.
    EditBmpWidth(s, 425);
    EXPECT_EQ(Fields(s), (std::vector<int>{425, 283, 50, 850, 566}));
    EXPECT_EQ(s.OutputWidth(), 435);
    // Height: 283 / (2/3) = 424.5 rounds up.
    EditBmpHeight(s, 283);
    EXPECT_EQ(Fields(s), (std::vector<int>{425, 283, 50, 850, 566}));
    // Scale: 200 % of the base width, the height from the width.
    EditBmpScale(s, 200);
    EXPECT_EQ(Fields(s), (std::vector<int>{1700, 1133, 200, 850, 566}));
    // Values below 1 (width, height) or not above 0 (scale) change nothing.
    EditBmpWidth(s, 0);
    EditBmpHeight(s, -3);
    for (double scale : {0.0, -10.0, std::nan("")}) EditBmpScale(s, scale);
    EXPECT_EQ(Fields(s), (std::vector<int>{1700, 1133, 200, 850, 566}));
    // A typed value far beyond any field still gives a bounded size.
    EditBmpScale(s, 1e30);
    EXPECT_GT(s.width, 0);
    EXPECT_LE(s.width, 1000000000);
}

TEST(BmpSize, OkChecksTheRangeThenTheFileSize) {
    const std::string tooBig =
        "The picture will be about %d MB.\nMaking it takes a while and much memory. Continue?";
    const auto question = [&](int mb) {
        std::string text = tooBig;
        return text.replace(text.find("%d"), 2, std::to_string(mb));
    };
    const std::string range = "Specify a value of 1 - 4000 for pixel number.";
    const struct {
        int width, height, border;
        bool answer, accepted;
        std::vector<std::string> asked;
    } cases[] = {
        {2000, 2000, 0, false, true, {}},              // 12 MB: accepted without a question
        {2500, 2500, 0, false, false, {question(18)}}, // 18.75 MB, truncated: No keeps the dialog open
        {2500, 2500, 0, true, true, {question(18)}},   // Yes accepts
        {2305, 2305, 0, false, true, {}},              // 15.9 MB is not above 15
        {2305, 2305, 5, false, false, {question(16)}}, // the estimate is of the file, borders included
        {4001, 200, 5, true, false, {range}},          // above the maximum
        {4000, 9, 5, true, false, {range}},            // below both borders together
        {4000, 10, 5, true, true, {}},
        {4000, 0, 0, true, false, {range}}, // below 1
    };
    for (const auto& c : cases) {
        BmpSizeState s;
        s.width = c.width;
        s.height = c.height;
        s.borderX = s.borderY = c.border;
        RecordingPrompt prompt(c.answer);
        EXPECT_EQ(AcceptBmpSize(s, prompt), c.accepted) << c.width << " x " << c.height;
        EXPECT_EQ(prompt.texts, c.asked) << c.width << " x " << c.height;
    }
    EXPECT_EQ(EstimatedBmpMegabytes(-5, 100), 0);
    // The starting values of a content capped at the maximum pass, borders and all.
    RecordingPrompt capped(true);
    EXPECT_TRUE(AcceptBmpSize(InitialBmpSize(2000, 1000, kBmpMaximumPixels, 5, 5), capped));
}

TEST(BmpSize, WholeAndSheetStartingValuesAndSheetNames) {
    Document doc;
    BuildTexturedCube(doc);
    // The bounding box is recomputed first: a stale frame does not decide the size.
    const double width = doc.development->frame[2], height = doc.development->frame[3];
    doc.development->frame[2] = 1;
    const BmpSizeState whole = WholeBmpSize(doc, kBmpMaximumPixels, 5);
    EXPECT_EQ(whole.baseWidth, int(width / 25.4 * 72));
    EXPECT_EQ(whole.baseHeight, int(height / 25.4 * 72));
    // No development: nothing to size.
    Document empty;
    EXPECT_EQ(WholeBmpSize(empty, kBmpMaximumPixels, 5).width, 0);
    // One A4 sheet with margins 15: 180 x 267 mm printable, 510 x 756 pixels, no border.
    const BmpSizeState sheet = SheetBmpSize(Paper{}, kBmpMaximumPixels);
    EXPECT_EQ(std::make_tuple(sheet.width, sheet.height, sheet.OutputWidth()),
              std::make_tuple(510, 756, 510));

    EXPECT_EQ(SheetBmpPath("/tmp/out/name.BMP", 1), "/tmp/out/name_001.bmp");
    // Only the last component's extension goes; a dot in a folder name stays.
    EXPECT_EQ(SheetBmpPath("/tmp/v1.2/name", 3), "/tmp/v1.2/name_003.bmp");
    // Beyond three digits the number grows.
    EXPECT_EQ(SheetBmpPath("name.bmp", 1000), "name_1000.bmp");
}

TEST(BitmapExport, CommandRefusals) {
    ScratchDir dir;
    Settings settings;
    RecordingPrompt prompt(true);
    // No development: refused before anything else.
    Document empty;
    EXPECT_FALSE(ExportWholeBmp(empty, settings, dir.Path("a.bmp"), WidthOf(100), prompt).ok());
    // A name with another extension.
    Document doc;
    BuildTexturedCube(doc);
    EXPECT_FALSE(ExportSheetBmps(doc, settings, dir.Path("a.png"), WidthOf(100), prompt).ok());
    // Cancel in the size dialog ends the command quietly.
    EXPECT_TRUE(ExportWholeBmp(doc, settings, dir.Path("b.bmp"), kCancel, prompt).cancelled());
    EXPECT_FALSE(fs::exists(dir.Path("b.bmp")));
    EXPECT_EQ(prompt.texts,
              (std::vector<std::string>{"No data for development.", "Cannot load file of specified type."}));
    // A folder that does not exist: the renderer's "write error", and a failure.
    EXPECT_FALSE(WriteWholeBmp(doc, settings, dir.Path("missing/d.bmp"), 40, 40, 5, prompt).ok());
    EXPECT_EQ(prompt.texts.back(), "write error");
}

TEST(BitmapExport, ThreeByTwoSheetExport) {
    ScratchDir dir;
    Settings settings;
    settings.skipBlankPages = false;
    settings.drawEdgeIds = true;
    // The textured cube made big enough to lie across 3 x 2 sheets of A4 portrait, with a text and edge IDs.
    Document doc;
    BuildTexturedCube(doc);
    Development& dev = *doc.development;
    ComputeDevelopmentExtent(dev, true);
    ScaleDevelopment(dev, 380.0 / dev.frame[2], false); // 380 x 528 mm
    ComputeDevelopmentExtent(dev, true);
    double rect[4] = {dev.frame[0] + 5, dev.frame[1] + 5, 120, 30};
    AddText(doc, rect, {"Sheets 3 x 2"}, 48, 0x00800000);
    UpdateSheetGrid(doc, Paper::FromSettings(Settings()), true);
    ASSERT_EQ(std::make_pair(doc.sheetColumns, doc.sheetRows), std::make_pair(3, 2));
    RecordingPrompt prompt(true);
    std::vector<std::string> written;
    ASSERT_TRUE(Done(ExportSheetBmps(doc, settings, dir.Path("grid.bmp"), WidthOf(120), prompt, &written)));
    ASSERT_EQ(written.size(), 6u);
    EXPECT_EQ(written[5], dir.Path("grid_006.bmp"));
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

TEST(BitmapExport, TextureBmpBecomesTheModelsTexture) {
    ScratchDir dir;
    Settings settings;
    Document doc;
    BuildTexturedCube(doc);
    const double u0 = doc.development->parts[0]->faces[0]->Corner(0)->u;
    RecordingPrompt prompt(true);
    // The file cannot be written, or the size dialog is cancelled: the model keeps its materials and
    // coordinates.
    EXPECT_FALSE(ExportTextureBmp(doc, settings, dir.Path("missing/t.bmp"), WidthOf(64), prompt).ok());
    EXPECT_TRUE(ExportTextureBmp(doc, settings, dir.Path("t.bmp"), kCancel, prompt).cancelled());
    ASSERT_EQ(doc.model->materials.size(), 1u);
    EXPECT_EQ(doc.model->materials[0]->name, "Quadrants");
    EXPECT_EQ(doc.development->parts[0]->faces[0]->Corner(0)->u, u0);

    // One face in a plain colour, so that its middle has one colour on the bitmap and in the texture.
    AddMaterial(doc, "Plain", {0.2f, 0.6f, 0.3f});
    Part& part = *doc.development->parts[0];
    Face& marked = *part.faces[2];
    marked.materialIndex = 1;
    // A second solid outside the development keeps no old material and gets (0, 0).
    AddSolid(doc, "Loose", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, 0);
    Face& loose = *doc.model->solids[1]->faces[0];
    loose.Corner(0)->u = 0.7;
    RecordingPrompt asked(true);
    EXPECT_TRUE(ConfirmTextureReset(asked));
    EXPECT_EQ(asked.texts,
              std::vector<std::string>{
                  "Reset UV coordinates and material settings so that \nthe BMP file can be used as a "
                  "texture image. \nYou can edit the BMP and set it under \nConfiguration > Texture "
                  "Configuration."});
    const std::string path = dir.Path("paint.bmp");
    ASSERT_TRUE(Done(ExportTextureBmp(doc, settings, path, WidthOf(256), prompt)));

    // Border 0: the content is exactly the bitmap.
    const std::vector<int64_t> facts = BmpFacts(path);
    ASSERT_EQ(facts.size(), 5u);
    EXPECT_EQ(facts[0], 256);
    ASSERT_EQ(doc.model->materials.size(), 1u);
    const Material& material = *doc.model->materials[0];
    EXPECT_EQ(material.name, "paint");
    EXPECT_EQ(material.textureFileName, path);
    ASSERT_NE(material.texture, nullptr);
    EXPECT_EQ((std::vector<int64_t>{material.imageWidth, material.imageHeight}),
              (std::vector<int64_t>{facts[0], facts[1]}));
    for (auto& face : doc.model->solids[0]->faces) EXPECT_EQ(face->materialIndex, 0);
    EXPECT_EQ(loose.materialIndex, 0);
    EXPECT_EQ(loose.Corner(0)->u, 0.0);
    EXPECT_TRUE(doc.modified);

    // Each corner's (u, v) is its place on the bitmap over the bitmap's size, v = 0 at the top row.
    const RasterProjection projection = WholeProjection(*doc.development, int(facts[0]), int(facts[1]), 0);
    for (Face* face : part.faces)
        for (auto& corner : face->halfEdges) {
            const Point2 pixel = projection.ToPixel({part.x + corner->x2d, part.y + corner->y2d});
            EXPECT_NEAR(corner->u, pixel.x / facts[0], 1e-12);
            EXPECT_NEAR(corner->v, pixel.y / facts[1], 1e-12);
        }
    // The texture now paints each face as it looked: the plain face's middle, looked up in the texture at
    // the face's middle (u, v), shows the plain colour.
    double u = 0, v = 0;
    for (auto& corner : marked.halfEdges)
        u += corner->u / marked.CornerCount(), v += corner->v / marked.CornerCount();
    const TextureImage& texture = *material.texture;
    const uint8_t* p =
        texture.pixels.data() + (size_t(v * texture.height) * texture.width + size_t(u * texture.width)) * 3;
    EXPECT_NEAR(p[0], 0.2 * 255, 3);
    EXPECT_NEAR(p[1], 0.6 * 255, 3);
    EXPECT_NEAR(p[2], 0.3 * 255, 3);
}
