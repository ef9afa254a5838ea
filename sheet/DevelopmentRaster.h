// The raster drawing of the development with OpenGL: flaps, faces, pictures, lines and GL edge IDs in
// their stacking order, for the view on screen and for bitmap outputs; and the lightening of outputs.
#pragma once

#include "model/Document.h"
#include "sheet/RasterProjection.h"
#include "view3d/GLTextures.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace tsm {

// The stacking order, bottom first. Flap fills and their outlines form one layer because each flap's
// outline lies between its own fill and the flaps drawn over it.
enum class RasterLayer {
    PicturesBelow, // imagesA, under the parts
    Flaps,
    Faces,
    PicturesAbove, // imagesB, over the faces but under the lines
    Lines,
    EdgeIds,
};

// On screen (not in bitmap mode), a dashed line whose pattern repeats in fewer pixels than this is drawn
// as one solid line at the pattern's coverage.
constexpr double kSolidDashPeriodPixels = 1.5;

// On screen, edge IDs whose em is smaller than this many pixels are left out: no one reads them, and
// their glyphs cost as many triangles as legible ones.
constexpr double kSmallestScreenEdgeIdPixels = 2.0;

// On screen, lines are drawn without GL line smoothing when the view shows fewer pixels per millimetre
// than this. The two lines of a 2 mm feature then lie less than a pixel apart, so anti-aliasing makes
// nothing more legible, while the software rasterizer turns every smoothed segment into triangles: of a
// fitted view of thousands of parts, that is a third of the frame or more.
constexpr double kSmoothScreenLinesPixelsPerMM = 0.5;

struct RasterMode {
    // Bitmap outputs (print, export): lines lineWidthChoice + 1 pixels wide, and with translucentLines off no
    // lines or flap outlines at all because the vector pass draws them afterwards. On screen lines are 1
    // pixel.
    bool bitmapMode = true;
    // Screen only: faces picked by the corresponding-face check are filled red.
    bool highlightPicked = false;
    // Flaps or faces gathered into one set of draw calls before the depth buffer that keeps their order
    // is cleared; 0: as many as it tells apart. 1 draws them strictly one after another.
    size_t itemsPerDepthChunk = 0;
};

// The layers DrawRaster draws for the current settings, bottom first; empty layers are left out.
std::vector<RasterLayer> RasterLayerOrder(bool bitmapMode, const Settings& settings);
bool RasterDrawsFlapOutlines(bool bitmapMode, const Settings& settings);

// How the raster renderer draws one part line under the current settings.
struct RasterLineStyle {
    bool drawn = false;
    bool dashed = false;
    bool whiteUnderlay = false;        // white solid segment under the dashes
    const double* patternMM = nullptr; // the six pattern values when dashed
};
RasterLineStyle RasterStyleOfLine(const PartLine& line, const Settings& settings);

int RasterLineWidthPixels(bool bitmapMode, const Settings& settings);
// Whether lines and flap outlines are drawn with GL line smoothing: only with line alpha (smoothing works
// through blending), then always in bitmap outputs and on screen from kSmoothScreenLinesPixelsPerMM up.
bool RasterSmoothsLines(bool bitmapMode, const Settings& settings, const RasterProjection& projection);
// lineAlpha limited to 0..1; a damaged value draws opaque.
float RasterLineAlpha(const Settings& settings);

// The material a face is filled with: its own, or the model's default material for index -1 or an index
// that names no material.
Material& FaceMaterial(Mesh& model, const Face& face);

// The texture coordinates of the flap on `h` (at A, tipStart, tipEnd, B) when it shows the neighbouring
// face: the neighbour's texture as if that face were unfolded across the edge onto the flap, which is
// where it will be glued under it. False without a neighbouring face.
bool FlapTextureCoordinates(const HalfEdge& h, Point2 (&uv)[4]);

// Where an edge ID is written: the middle of its edge, and the text's rotation (radians, counter-clockwise
// as seen on the sheet) chosen as the overlay and EPS choose it.
struct EdgeIdPlacement {
    Point2 midpointMM;
    double angle = 0.0;
};
// `corner` must belong to a face of `part`. False for an edge without length.
bool PlaceEdgeId(const Part& part, const HalfEdge& corner, bool thisCornerFirst, EdgeIdPlacement& placement);
// Whether A is the corner itself (rather than the next one) for this development.
bool EdgeIdFromThisCorner(const Development& development, const Settings& settings);
// Every edge ID the development shows, placed, in drawing order (part, face, corner): the one walk the
// overlay and the SVG export share, so that both write the same numbers at the same places.
void ForEachEdgeIdPlacement(const Development& development, const Settings& settings,
                            const std::function<void(int edgeId, const EdgeIdPlacement&)>& visit);

// Convex and simple (turning once round): such a polygon can be filled as a fan. Collinear corners allowed.
bool IsConvexPolygon(const std::vector<Point2>& points);

// Lightening of bitmap outputs (lightenColorsToWhite): a pixel whose three channels are all at least this
// becomes pure white, so that near-white paper prints as no ink at all.
constexpr uint8_t kWhitishMinimum = 252;
// `bits` holds `height` rows of `width` 3-byte pixels, rows `stride` bytes apart.
void LightenPixels(uint8_t* bits, int width, int height, int stride);

// What DrawRaster draws into: the projection of the current GL context's buffer, the textures of that
// context, and its outline font (0: none, GL edge IDs are not drawn).
struct RasterTarget {
    RasterProjection projection;
    TextureCache* textures = nullptr;
    unsigned fontListBase = 0;
};

// Sets viewport and matrices so that development millimetres can be drawn directly.
void ApplyProjection(const RasterProjection& projection);

// Draws the development of `doc` into the current GL context, over what it holds (nothing is cleared).
// GL state other than the buffer contents is restored afterwards. Parts outside the raster are skipped.
void DrawRaster(Document& doc, const Settings& settings, const RasterTarget& target, const RasterMode& mode);

} // namespace tsm
