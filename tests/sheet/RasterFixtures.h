// Developments and helpers for the raster drawing tests: textures whose colours say where they were
// sampled, a textured cube, and rendering into images whose pixels the tests look up by development
// position.
#pragma once

#include "engine/Extents.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "sheet/DevelopmentRaster.h"
#include "sheet/RasterRender.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"
#include "view3d/OffscreenBitmap.h"

#include <GL/gl.h>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace tsm::test {

// The quadrants of the quadrant texture, as the image shows them (top = first rows).
const Rgb kTopLeft{1.0f, 0.0f, 0.0f};
const Rgb kTopRight{0.0f, 0.6f, 0.0f};
const Rgb kBottomLeft{0.0f, 0.0f, 1.0f};
const Rgb kBottomRight{1.0f, 0.8f, 0.0f};

inline void PutPixel(TextureImage& image, int x, int y, Rgb c) {
    uint8_t* p = image.pixels.data() + (size_t(y) * size_t(image.width) + size_t(x)) * 3;
    p[0] = uint8_t(std::lround(c.r * 255));
    p[1] = uint8_t(std::lround(c.g * 255));
    p[2] = uint8_t(std::lround(c.b * 255));
}

inline std::unique_ptr<TextureImage> UniformTexture(int width, int height, Rgb colour) {
    auto image = std::make_unique<TextureImage>();
    image->width = width;
    image->height = height;
    image->pixels.resize(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) PutPixel(*image, x, y, colour);
    return image;
}

// Four colours, one per quadrant, so that a sampled colour tells which way u and v run.
inline std::unique_ptr<TextureImage> QuadrantTexture(int size) {
    auto image = UniformTexture(size, size, kTopLeft);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool right = x >= size / 2, bottom = y >= size / 2;
            PutPixel(*image, x, y,
                     bottom ? (right ? kBottomRight : kBottomLeft) : (right ? kTopRight : kTopLeft));
        }
    return image;
}

// A 30 mm cube with the quadrant texture over every face, unfolded into one part with flaps.
inline void BuildTexturedCube(Document& doc) {
    AddMaterial(doc, "Quadrants", {0.5f, 0.5f, 0.5f}, QuadrantTexture(64));
    const MeshData cube = Cube(30);
    Solid& solid = AddSolid(doc, "Cube", cube.vertices, cube.faces, 0);
    AssignFaceUV(solid);
    const std::vector<std::string> problems = UnfoldForFixture(doc);
    EXPECT_TRUE(problems.empty());
    ComputeDevelopmentExtent(*doc.development, false);
}

// The middle of a face: the mean of its corners.
inline Point2 FaceMiddle(const Part& part, const Face& face) {
    Point2 sum{0, 0};
    for (const auto& corner : face.halfEdges) sum = sum + corner->Pos2D();
    return Point2{part.x, part.y} + sum * (1.0 / double(face.CornerCount()));
}

inline QRgb PixelAt(const QImage& image, const RasterProjection& projection, const Point2& mm) {
    const Point2 p = projection.ToPixel(mm);
    const int x = int(std::floor(p.x)), y = int(std::floor(p.y));
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return qRgb(1, 2, 3);
    return image.pixel(x, y);
}

inline ::testing::AssertionResult ColourNear(QRgb actual, Rgb expected, int tolerance = 2) {
    const int r = int(std::lround(expected.r * 255)), g = int(std::lround(expected.g * 255)),
              b = int(std::lround(expected.b * 255));
    if (std::max({std::abs(qRed(actual) - r), std::abs(qGreen(actual) - g), std::abs(qBlue(actual) - b)}) <=
        tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << qRed(actual) << ", " << qGreen(actual) << ", " << qBlue(actual) << ") instead of ("
           << r << ", " << g << ", " << b << ")";
}

// How far two pictures of the same size are apart: the largest channel difference and how many pixels
// differ at all.
struct ImageDifference {
    int largest = 0;
    long pixels = 0;
};
inline ImageDifference CompareImages(const QImage& a, const QImage& b) {
    ImageDifference d;
    if (a.size() != b.size()) return {255, long(a.width()) * a.height()};
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int diff = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                       std::abs(qBlue(p) - qBlue(q))});
            if (diff == 0) continue;
            ++d.pixels;
            d.largest = std::max(d.largest, diff);
        }
    return d;
}

// Bitmap mode through the output path: white paper, textures of the output's own context.
inline QImage RenderBitmap(Document& doc, const Settings& settings, const RasterProjection& projection,
                           IPrompt& prompt) {
    OffscreenBitmap output(prompt, projection.widthPixels, projection.heightPixels);
    if (!RenderDevelopment(doc, settings, projection, output, prompt)) return QImage();
    return output.ToImage();
}

// The drawing as the view draws it on screen, over white instead of the sheets.
inline QImage RenderScreen(Document& doc, const Settings& settings, const RasterProjection& projection,
                           bool highlightPicked, IPrompt& prompt, size_t itemsPerDepthChunk = 0) {
    OffscreenBitmap output(prompt, projection.widthPixels, projection.heightPixels);
    if (!output.Begin()) return QImage();
    {
        TextureCache textures(TextureSource::BitmapFirst);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        RasterTarget target;
        target.projection = projection;
        target.textures = &textures;
        target.fontListBase = output.FontListBase();
        RasterMode mode;
        mode.bitmapMode = false, mode.highlightPicked = highlightPicked,
        mode.itemsPerDepthChunk = itemsPerDepthChunk;
        DrawRaster(doc, settings, target, mode);
        output.Finish();
    }
    output.End();
    return output.ToImage();
}

// The whole development across `width` pixels with `border` on each side, as the whole-development
// outputs size it: the height follows the frame's aspect.
inline RasterProjection WholeFit(const Development& development, int width, int border) {
    const double scale = (width - 2.0 * border) / development.frame[2];
    const int height = int(std::ceil(development.frame[3] * scale)) + 2 * border;
    return WholeProjection(development, width, height, border);
}

// The development's frame with `marginMM` around it at `pixelsPerMM`.
inline RasterProjection FrameProjection(const Development& development, double pixelsPerMM, double marginMM) {
    const double* f = development.frame;
    const int width = int(std::ceil((f[2] + 2 * marginMM) * pixelsPerMM));
    const int height = int(std::ceil((f[3] + 2 * marginMM) * pixelsPerMM));
    return RegionProjection(width, height, pixelsPerMM, f[0] - marginMM, f[1] - marginMM);
}

} // namespace tsm::test
