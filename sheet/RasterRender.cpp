#include "sheet/RasterRender.h"

#include "sheet/DevelopmentRaster.h"
#include "view3d/GLTextures.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

namespace tsm {

namespace {

// Clears to white paper, draws in bitmap mode and copies the picture into the renderer's bits.
void RenderInto(OffscreenBitmap& renderer, Document& doc, const Settings& settings,
                const RasterProjection& projection, TextureCache& textures) {
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RasterTarget target;
    target.projection = projection;
    target.textures = &textures;
    target.fontListBase = renderer.FontListBase();
    RasterMode mode;
    mode.bitmapMode = true;
    DrawRaster(doc, settings, target, mode);
    renderer.Finish();
}

bool HasBits(const OffscreenBitmap& renderer) {
    return renderer.Width() > 0 && renderer.Height() > 0 && renderer.Bits() != nullptr;
}

} // namespace

int BandRows(int width) {
    if (width <= 0) return 1;
    return int(std::max<int64_t>(1, kBandPixels / width));
}

bool RenderDevelopment(Document& doc, const Settings& settings, const RasterProjection& projection,
                       OffscreenBitmap& output, IPrompt& prompt, int bandRows) {
    const int width = output.Width(), height = output.Height();
    if (!HasBits(output) || projection.widthPixels != width || projection.heightPixels != height)
        return false;
    // Bands are also what keeps a bitmap taller than the driver draws within its limit.
    const int rows = std::min(bandRows > 0 ? bandRows : BandRows(width), RenderSideLimit());

    if (height <= rows) {
        if (!output.Begin()) return false;
        {
            TextureCache textures(TextureSource::BitmapFirst);
            RenderInto(output, doc, settings, projection, textures);
        }
        output.End();
        return true;
    }

    OffscreenBitmap band(prompt, width, rows);
    if (!HasBits(band) || !band.Begin()) return false;
    {
        // One set of textures serves every band: they are made in the band renderer's context once.
        TextureCache textures(TextureSource::BitmapFirst);
        const size_t stride = size_t(output.Stride());
        for (int top = 0; top < height; top += rows) {
            RenderInto(band, doc, settings, projection.Band(top, rows), textures);
            // Both bitmaps run bottom-up: the band's top `count` rows are its last ones, and in the output
            // they start height - top - count rows above the bottom. The last band may reach past the
            // output's bottom; those rows are not copied.
            const int count = std::min(rows, height - top);
            std::memcpy(output.Bits() + size_t(height - top - count) * stride,
                        band.Bits() + size_t(rows - count) * stride, size_t(count) * stride);
        }
    }
    band.End();
    return true;
}

bool RenderWhole(Document& doc, const Settings& settings, OffscreenBitmap& output, int borderPixels,
                 IPrompt& prompt, int bandRows) {
    if (!doc.development) return false;
    const RasterProjection projection =
        WholeProjection(*doc.development, output.Width(), output.Height(), borderPixels);
    return RenderDevelopment(doc, settings, projection, output, prompt, bandRows);
}

bool RenderRegion(Document& doc, const Settings& settings, OffscreenBitmap& output, double pixelsPerMM,
                  double leftMM, double topMM, IPrompt& prompt, int bandRows) {
    const RasterProjection projection =
        RegionProjection(output.Width(), output.Height(), pixelsPerMM, leftMM, topMM);
    return RenderDevelopment(doc, settings, projection, output, prompt, bandRows);
}

void LightenBitmap(OffscreenBitmap& output) {
    if (!HasBits(output)) return;
    LightenPixels(output.Bits(), output.Width(), output.Height(), output.Stride());
}

} // namespace tsm
