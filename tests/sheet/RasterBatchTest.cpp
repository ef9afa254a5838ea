#include "sheet/RasterBatch.h"

#include "engine/Extents.h"
#include "sheet/DevelopmentRaster.h"
#include "tests/sheet/RasterFixtures.h"
#include "tests/view3d/View3DFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tsm {
namespace {

using namespace tsm::test;

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
    settings.bColorFlapWithFace = true;
    settings.bDrawWhiteBkLine = true;
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
