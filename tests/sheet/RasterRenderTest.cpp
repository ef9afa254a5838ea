#include "sheet/RasterRender.h"

#include "sheet/Paper.h"
#include "tests/sheet/ExportFixtures.h"
#include "tests/sheet/RasterFixtures.h"
#include "tests/sheet/ReferenceImage.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tsm {
namespace {

using namespace tsm::test;

TEST(RasterRender, BandRows) {
    // A one-pixel column fits whole; never no rows at all.
    EXPECT_EQ((std::vector<int>{BandRows(4000), BandRows(1), BandRows(0), BandRows(-5),
                                BandRows(int(kBandPixels) * 2)}),
              (std::vector<int>{int(kBandPixels / 4000), int(kBandPixels), 1, 1, 1}));
}

// Everything the drawing can show at once: textures, flaps coloured with the face, smoothed lines with
// alpha, GL edge IDs and a picture.
void BuildBusyCube(Document& doc, Settings& s) {
    BuildTexturedCube(doc);
    s.bColorFlapWithFace = true;
    s.bDrawNumber = true;
    s.bUseOpenGLToDrawEdgeID = true;
    s.iEdgeIDfontSizePoint = 14;
    const double* f = doc.development->frame;
    const double rect[4] = {f[0] + 10, f[1] + 10, 40, 30};
    AddPicture(doc, true, rect, QuadrantTexture(16));
}

TEST(RasterRender, BandsGiveTheSamePixelsAsOneRendering) {
    Settings settings;
    RecordingPrompt prompt;
    Document doc;
    BuildBusyCube(doc, settings);
    const RasterProjection projection = WholeFit(*doc.development, 300, 5);
    ASSERT_GT(projection.heightPixels, 300);

    OffscreenBitmap whole(prompt, projection.widthPixels, projection.heightPixels);
    ASSERT_TRUE(RenderDevelopment(doc, settings, projection, whole, prompt, projection.heightPixels));
    // Bands that do not divide the height (the last one reaches past the bottom), and bands of one row.
    for (int rows : {37, 64, 1}) {
        SCOPED_TRACE("bands of " + std::to_string(rows) + " rows");
        OffscreenBitmap banded(prompt, projection.widthPixels, projection.heightPixels);
        ASSERT_TRUE(RenderDevelopment(doc, settings, projection, banded, prompt, rows));
        // The rasterizer evaluates colours and texture coordinates from each tile's corner, so a band
        // may round a blended or filtered pixel one level differently; geometry never differs.
        const size_t bytes = size_t(whole.Stride()) * size_t(whole.Height());
        size_t differing = 0;
        int largest = 0;
        for (size_t i = 0; i < bytes; ++i) {
            const int d = std::abs(int(whole.Bits()[i]) - int(banded.Bits()[i]));
            if (d != 0) ++differing;
            largest = std::max(largest, d);
        }
        EXPECT_LE(largest, 1);
        EXPECT_LE(differing, bytes / 1000);
    }
    EXPECT_TRUE(prompt.texts.empty());
}

// Six boxes, one on each sheet of a 3 x 2 grid of A4 sheets, and a long seventh crossing from sheet
// (2, 1) into sheet (1, 1).
struct SixSheets {
    Document doc;
    Paper paper; // A4 portrait, margins 15: printable 180 x 267
    std::vector<Rgb> colours{{0.9f, 0.3f, 0.3f}, {0.3f, 0.8f, 0.3f}, {0.3f, 0.4f, 0.9f}, {0.9f, 0.8f, 0.2f},
                             {0.7f, 0.3f, 0.8f}, {0.2f, 0.8f, 0.8f}, {0.6f, 0.6f, 0.6f}};

    SixSheets() {
        for (int i = 0; i < 7; ++i) {
            AddMaterial(doc, "Colour " + std::to_string(i), colours[i]);
            const MeshData box = i < 6 ? Box(30, 20, 10) : Box(60, 10, 10);
            AddSolid(doc, "Box " + std::to_string(i), box.vertices, box.faces, i);
        }
        EXPECT_TRUE(UnfoldForFixture(doc).empty());
        Development& dev = *doc.development;
        EXPECT_EQ(dev.parts.size(), 7u);
        for (int i = 0; i < 6; ++i) {
            CPart& part = *dev.parts[i];
            part.x = (i % 3) * paper.PrintableWidth() + 40;
            part.y = (i / 3) * paper.PrintableHeight() + 60;
        }
        dev.parts[6]->x = 2 * paper.PrintableWidth() - 15;
        dev.parts[6]->y = paper.PrintableHeight() + 20;
        UpdateSheetGrid(doc, paper, false);
    }
    CPart& Part(int i) { return *doc.development->parts[size_t(i)]; }
    Rgb Colour(int i) const { return colours[size_t(i)]; }
};

TEST(RasterRender, RegionOfOneSheet) {
    RecordingPrompt prompt;
    SixSheets s;
    ASSERT_EQ(s.doc.sheetColumns, 3);
    ASSERT_EQ(s.doc.sheetRows, 2);
    const double pw = s.paper.PrintableWidth(), ph = s.paper.PrintableHeight();

    // Sheet (1, 1) at 2 pixels per mm, as the per-sheet export sizes it: width / printable width.
    OffscreenBitmap sheet(prompt, 360, 534);
    ASSERT_TRUE(RenderRegion(s.doc, Settings(), sheet, 360 / pw, pw, ph, prompt));
    const QImage image = sheet.ToImage();
    EXPECT_TRUE(MatchesReference(image, "raster_sheet_1_1"));
    const RasterProjection projection = RegionProjection(360, 534, 2.0, pw, ph);
    // Its own box, and the part of the long box that reaches into it; nothing of the other sheets.
    const CFace& own = *s.Part(4).faces[0];
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, FaceMiddle(s.Part(4), own)), s.Colour(4)));
    int longBoxPixels = 0, otherPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            longBoxPixels += bool(ColourNear(c, s.Colour(6)));
            for (int i : {0, 1, 2, 3, 5}) otherPixels += bool(ColourNear(c, s.Colour(i)));
        }
    EXPECT_GT(longBoxPixels, 100);
    EXPECT_EQ(otherPixels, 0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));

    // The same picture as that sheet's rectangle of the whole grid rendered at the same scale; only
    // single pixels along smoothed edges may round differently under the other transform.
    OffscreenBitmap grid(prompt, 3 * 360, 2 * 534);
    ASSERT_TRUE(RenderRegion(s.doc, Settings(), grid, 2.0, 0, 0, prompt));
    const ImageDifference d = CompareImages(grid.ToImage().copy(360, 534, 360, 534), image);
    EXPECT_LE(d.pixels, 360 * 534 / 500);
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(RasterRender, WholeDevelopmentWithItsBorder) {
    Settings settings;
    settings.bDrawFlap = false;
    RecordingPrompt prompt;
    Document doc;
    AddMaterial(doc, "Green", {0.2f, 0.7f, 0.3f});
    const MeshData grid = Grid(1, 1, 40); // one flat square: the frame is exactly the face
    AddSolid(doc, "Square", grid.vertices, grid.faces, 0);
    ASSERT_TRUE(UnfoldForFixture(doc).empty());
    ComputeDevelopmentExtent(*doc.development, true);
    Reclassify(doc, settings);
    settings.bLineAlpha = false; // lines belong to the vector pass: only the face is drawn
    OffscreenBitmap output(prompt, 90, 90);
    ASSERT_TRUE(RenderWhole(doc, settings, output, 5, prompt));
    const QImage image = output.ToImage();
    // 40 mm across 80 pixels: the face covers exactly the pixels inside the 5-pixel border.
    const Rgb green{0.2f, 0.7f, 0.3f};
    for (const auto& [x, y] : {std::pair{5, 5}, std::pair{84, 84}})
        EXPECT_TRUE(ColourNear(image.pixel(x, y), green));
    for (const auto& [x, y] : {std::pair{4, 5}, std::pair{5, 4}, std::pair{85, 84}, std::pair{84, 85}})
        EXPECT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << ", " << y;
    // Without a development there is nothing to fit.
    Document empty;
    EXPECT_FALSE(RenderWhole(empty, settings, output, 5, prompt));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(RasterRender, LighteningARenderedBitmap) {
    Settings settings;
    settings.bLineAlpha = false;
    RecordingPrompt prompt;
    Document doc;
    // 0.99 x 255 = 252.45: whitish. 0.98 x 255 = 249.9: kept.
    AddMaterial(doc, "Almost white", {0.99f, 0.99f, 0.99f});
    AddMaterial(doc, "Light grey", {0.98f, 0.98f, 0.98f});
    const MeshData left = Grid(1, 1, 20), right = Translated(Grid(1, 1, 20), {30, 0, 0});
    AddSolid(doc, "Left", left.vertices, left.faces, 0);
    AddSolid(doc, "Right", right.vertices, right.faces, 1);
    ASSERT_TRUE(UnfoldForFixture(doc).empty());
    settings.bDrawFlap = false;
    OffscreenBitmap output(prompt, 200, 100);
    const RasterProjection projection = RegionProjection(200, 100, 2.0, -10, -10);
    ASSERT_TRUE(RenderDevelopment(doc, settings, projection, output, prompt));
    const CPart& a = *doc.development->parts[0];
    const CPart& b = *doc.development->parts[1];
    const QRgb before = PixelAt(output.ToImage(), projection, FaceMiddle(a, *a.faces[0]));
    EXPECT_GE(qRed(before), 252);
    EXPECT_LT(qRed(before), 255);
    LightenBitmap(output);
    const QImage after = output.ToImage();
    EXPECT_EQ(PixelAt(after, projection, FaceMiddle(a, *a.faces[0])), qRgb(255, 255, 255));
    EXPECT_EQ(qRed(PixelAt(after, projection, FaceMiddle(b, *b.faces[0]))), 250);
}

TEST(RasterRender, RefusesOutputsItCannotFill) {
    RecordingPrompt prompt;
    Document doc;
    BuildTexturedCube(doc);
    // A projection of another size than the output.
    OffscreenBitmap output(prompt, 50, 40);
    EXPECT_FALSE(RenderDevelopment(doc, Settings(), RegionProjection(60, 40, 1, 0, 0), output, prompt));
    // An output the renderer could not create: its own message, and no rendering.
    RecordingPrompt failing;
    OffscreenBitmap none(failing, 0, 10);
    EXPECT_FALSE(RenderRegion(doc, Settings(), none, 1.0, 0, 0, failing));
    EXPECT_EQ(failing.texts, std::vector<std::string>{"CreateDIBSection Error"});
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
