// The development rendered off screen into a bitmap of any size, for printing and the bitmap outputs:
// white paper, then the raster drawing in bitmap mode. Large bitmaps are rendered in horizontal bands.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "sheet/RasterProjection.h"
#include "view3d/OffscreenBitmap.h"

#include <cstdint>

namespace tsm {

// Pixels rendered at once. The GL implementation keeps colour and depth buffers of the renderer's size
// beside its bitmap, so bands of this many pixels keep that cost to some tens of megabytes for outputs
// of any size.
constexpr int64_t kBandPixels = int64_t(4) << 20;
// Rows per band for an output `width` pixels wide; at least 1.
int BandRows(int width);

// Renders the development as `projection` places it into `output`, which was constructed with the
// projection's size; afterwards output's bits hold the picture and its context is ended. Outputs taller
// than `bandRows` rows (0: BandRows of the width) go band by band through one renderer of band height,
// each band copied into output's bits. Textures are made in the rendering context and deleted with it.
// False when nothing could be rendered: a renderer failure (already reported through `prompt` or the
// output's prompt) or a projection whose size differs from the output's.
bool RenderDevelopment(Document& doc, const Settings& settings, const RasterProjection& projection,
                       OffscreenBitmap& output, IPrompt& prompt, int bandRows = 0);

// The development's bounding box across the output's width less `borderPixels` on each side.
bool RenderWhole(Document& doc, const Settings& settings, OffscreenBitmap& output, int borderPixels,
                 IPrompt& prompt, int bandRows = 0);

// `pixelsPerMM` with development point (leftMM, topMM) at the output's top left corner.
bool RenderRegion(Document& doc, const Settings& settings, OffscreenBitmap& output, double pixelsPerMM,
                  double leftMM, double topMM, IPrompt& prompt, int bandRows = 0);

// lightenColorsToWhite applied to a rendered bitmap: whitish pixels become pure white.
void LightenBitmap(OffscreenBitmap& output);

} // namespace tsm
