#include "sheet/RasterRender.h"

#include "engine/Extents.h"
#include "sheet/RasterBatch.h"
#include "sheet/RasterProjection.h"
#include "tests/sheet/ExportFixtures.h"
#include "tests/sheet/RasterFixtures.h"
#include "tests/sheet/ReferenceImage.h"
#include "tests/view3d/View3DFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
    s.colorFlapsLikeFaces = true;
    s.drawEdgeIds = true;
    s.drawEdgeIdsWithGL = true;
    s.edgeIdFontSizePt = 14;
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
        const ImageDifference d = CompareImages(whole.ToImage(), banded.ToImage());
        EXPECT_LE(d.largest, 1);
        EXPECT_LE(d.pixels, long(whole.Width()) * whole.Height() / 250);
    }
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(RasterRender, WholeDevelopmentWithItsBorder) {
    Settings settings;
    settings.drawFlaps = false;
    RecordingPrompt prompt;
    Document doc;
    AddMaterial(doc, "Green", {0.2f, 0.7f, 0.3f});
    const MeshData grid = Grid(1, 1, 40); // one flat square: the frame is exactly the face
    AddSolid(doc, "Square", grid.vertices, grid.faces, 0);
    ASSERT_TRUE(UnfoldForFixture(doc).empty());
    ComputeDevelopmentExtent(*doc.development, true);
    Reclassify(doc, settings);
    settings.translucentLines = false; // lines belong to the vector pass: only the face is drawn
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

void ExpectPoint(const Point2& actual, double x, double y) {
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
}

TEST(RasterProjection, DegenerateProjectionsKeepAUsableScale) {
    Development development; // empty: a frame without width
    RasterProjection p = WholeProjection(development, 100, 100, 5);
    EXPECT_DOUBLE_EQ(p.pixelsPerMMX, 1.0);
    ExpectPoint(p.ToPixel({0, 0}), 5, 5);
    // Borders that leave no room, and a frame of NaN (damaged file): scale 1, finite origin.
    development.frame[2] = 50;
    EXPECT_DOUBLE_EQ(WholeProjection(development, 10, 10, 5).pixelsPerMMX, 1.0);
    EXPECT_DOUBLE_EQ(WholeProjection(development, 10, 10, 8).pixelsPerMMX, 1.0);
    development.frame[0] = std::numeric_limits<double>::quiet_NaN();
    development.frame[2] = std::numeric_limits<double>::infinity();
    p = WholeProjection(development, 100, 100, 5);
    EXPECT_TRUE(std::isfinite(p.pixelsPerMMX) && p.pixelsPerMMX > 0);
    EXPECT_TRUE(std::isfinite(p.originX));
    // A scale that is not positive would map everything onto one point: it becomes 1.
    EXPECT_DOUBLE_EQ(RegionProjection(10, 10, 0.0, 0, 0).pixelsPerMMX, 1.0);
    EXPECT_DOUBLE_EQ(RegionProjection(10, 10, -3.0, 0, 0).pixelsPerMMY, 1.0);
    // A projection with a broken scale still maps back without dividing by zero.
    p.pixelsPerMMX = 0;
    EXPECT_TRUE(std::isfinite(p.ToDevelopment({10, 10}).x));
}

TEST(RasterProjection, RegionCornerRoundTripAndBands) {
    RasterProjection p = RegionProjection(400, 300, 3.5, -12.25, 40);
    // The region's corner is the top left pixel.
    for (const Point2 mm : {Point2{0, 0}, Point2{-12.25, 40}, Point2{77.1, 3.3}}) {
        const Point2 back = p.ToDevelopment(p.ToPixel(mm));
        ExpectPoint(back, mm.x, mm.y);
    }
    ExpectPoint(p.ToPixel({-12.25, 40}), 0, 0);
    // Rows 100 to 149 as a raster of their own: the same point lies 100 rows higher in it.
    const RasterProjection band = p.Band(100, 50);
    EXPECT_EQ(std::make_pair(band.widthPixels, band.heightPixels), std::make_pair(400, 50));
    const Point2 mm{20, 75};
    ExpectPoint(band.ToPixel(mm), p.ToPixel(mm).x, p.ToPixel(mm).y - 100);
    double rect[4];
    band.VisibleRect(rect);
    EXPECT_NEAR(rect[1], 40 + 100 / 3.5, 1e-9);
    EXPECT_NEAR(rect[3], 50 / 3.5, 1e-9);
    // The band remembers where it lies in the whole raster, also when cut again.
    const RasterProjection inner = band.Band(10, 20);
    EXPECT_EQ((std::vector<int>{band.bandFirstRow, band.bandOfHeightPixels, inner.bandFirstRow,
                                inner.bandOfHeightPixels}),
              (std::vector<int>{100, 300, 110, 300}));
    ExpectPoint(inner.ToPixel(mm), p.ToPixel(mm).x, p.ToPixel(mm).y - 110);
    EXPECT_EQ(p.bandOfHeightPixels, 0);
}

// The depth a 24-bit buffer stores for z under the raster projection (z in [-1000, 1000] to [1, 0]).
long StoredDepth(float z) {
    const double window = 0.5 - double(z) / 2000.0;
    return std::lround(window * double((1 << 24) - 1));
}

TEST(DrawOrderDepths, LaterItemsLieNearerAndStayApart) {
    const DrawOrderDepths depths(24, 0);
    const size_t chunk = depths.ChunkSize();
    EXPECT_EQ(chunk, (size_t(1) << 19) - 1);
    // Stored depths rise with the drawing order and never meet, at both ends of a chunk; the first item
    // stands off the cleared value 0 and the last stays inside the range.
    long previous = 0;
    for (size_t i : {size_t(0), size_t(1), size_t(2), chunk / 2, chunk / 2 + 1, chunk - 2, chunk - 1}) {
        const long stored = StoredDepth(depths.Z(i));
        EXPECT_GE(stored - previous, 8) << "item " << i;
        EXPECT_LT(stored, 1L << 24);
        previous = stored;
    }
    // A shallower buffer still keeps its items apart, in fewer per chunk; a limit lowers the chunk.
    EXPECT_EQ(DrawOrderDepths(16, 0).ChunkSize(), (size_t(1) << 11) - 1);
    EXPECT_EQ(DrawOrderDepths(24, 5).ChunkSize(), 5u);
    EXPECT_EQ(DrawOrderDepths(32, 0).ChunkSize(), chunk);
    // Without a usable depth buffer every item is a chunk of its own.
    EXPECT_EQ(DrawOrderDepths(0, 0).ChunkSize(), 1u);
    EXPECT_EQ(DrawOrderDepths(8, 0).ChunkSize(), 1u);
}

size_t NonWhitePixels(const QImage& image) {
    size_t count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) ++count;
    return count;
}

// Gathering flaps and faces into batches must give exactly the picture of drawing them one after
// another, also where parts lie on each other: the house's parts moved onto one another, flaps in the
// colours and textures of their faces, smoothed outlines over the fills below them.
TEST(RasterBatchImage, BatchesDrawExactlyAsOneByOne) {
    OpenedSample sample("house.tsm");
    ASSERT_TRUE(sample.opened);
    Document& doc = *sample.Doc();
    Development& dev = *doc.development;
    ASSERT_GE(dev.parts.size(), 3u);
    for (size_t i = 1; i < dev.parts.size(); ++i) {
        dev.parts[i]->x = dev.parts[0]->x + 3.0 * double(i);
        dev.parts[i]->y = dev.parts[0]->y + 2.0 * double(i);
    }
    ComputeDevelopmentExtent(dev, true);
    Settings settings = WithDisplay(sample.settings, doc.display);
    settings.colorFlapsLikeFaces = true;
    settings.whiteLinesUnderFolds = true;
    dev.parts[0]->faces[0]->picked = true;
    const RasterProjection projection = FrameProjection(dev, 5, 4);
    RecordingPrompt prompt;
    const QImage batched = RenderScreen(doc, settings, projection, true, prompt);
    ASSERT_FALSE(batched.isNull());
    EXPECT_GT(NonWhitePixels(batched), size_t(batched.width() * batched.height() / 10));
    for (size_t chunk : {size_t(1), size_t(2), size_t(7)}) {
        const QImage chunked = RenderScreen(doc, settings, projection, true, prompt, chunk);
        const ImageDifference difference = CompareImages(batched, chunked);
        EXPECT_EQ(difference.pixels, 0) << "items per chunk " << chunk;
    }
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
