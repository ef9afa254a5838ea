#include "sheet/DevelopmentRaster.h"

#include "engine/Classify.h"
#include "engine/EditOperations.h"
#include "engine/FlapOutline.h"
#include "engine/Flaps.h"
#include "model/TextureImage.h"
#include "sheet/VectorLines.h"
#include "tests/sheet/ExportFixtures.h"
#include "tests/sheet/RasterFixtures.h"
#include "tests/sheet/ReferenceImage.h"
#include "tests/sheet/VectorFixture.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tsm {
namespace {

using namespace tsm::test;

constexpr double kPi = 3.14159265358979323846;
const Rgb kWhite{1, 1, 1};
const Rgb kFaceBlue{0.3f, 0.5f, 0.8f};

// ---- Pure logic ----

TEST(DevelopmentRaster, LayerOrderFollowsTheSettings) {
    Settings s;
    using L = RasterLayer;
    // Defaults: pictures A under flaps, faces, pictures B, then lines; GL edge IDs off.
    EXPECT_EQ(RasterLayerOrder(true, s),
              (std::vector<L>{L::PicturesBelow, L::Flaps, L::Faces, L::PicturesAbove, L::Lines}));
    // Bitmap outputs without line alpha leave lines and flap outlines to the vector pass; the screen never.
    s.bLineAlpha = false;
    EXPECT_EQ(RasterLayerOrder(true, s),
              (std::vector<L>{L::PicturesBelow, L::Flaps, L::Faces, L::PicturesAbove}));
    EXPECT_FALSE(RasterDrawsFlapOutlines(true, s));
    EXPECT_TRUE(RasterDrawsFlapOutlines(false, s));
    EXPECT_EQ(RasterLayerOrder(false, s).back(), L::Lines);
    // Hidden flaps: no flap layer and no outlines.
    s.bDrawFlap = false;
    EXPECT_EQ(RasterLayerOrder(false, s),
              (std::vector<L>{L::PicturesBelow, L::Faces, L::PicturesAbove, L::Lines}));
    EXPECT_FALSE(RasterDrawsFlapOutlines(false, s));
    // GL edge IDs only when edge IDs are shown at all, and last.
    s.bUseOpenGLToDrawEdgeID = true;
    EXPECT_NE(RasterLayerOrder(false, s).back(), L::EdgeIds);
    s.bDrawNumber = true;
    EXPECT_EQ(RasterLayerOrder(false, s).back(), L::EdgeIds);
}

TEST(DevelopmentRaster, LineStyleOfEachKind) {
    Settings s;
    CPartLine line;
    CHalfEdge a, b;
    a.next = &b;
    line.first = &a;

    line.drawKind = DrawKind::Mountain; // default style 3: mountain dashes
    RasterLineStyle style = RasterStyleOfLine(line, s);
    EXPECT_TRUE(style.drawn);
    EXPECT_TRUE(style.dashed);
    EXPECT_EQ(style.patternMM, s.mountainDash);
    EXPECT_FALSE(style.whiteUnderlay);
    // The value picks the pattern, not the kind: a mountain fold with style 2 takes the valley dashes.
    s.iMountainLineStyle = kLineValleyDashes;
    EXPECT_EQ(RasterStyleOfLine(line, s).patternMM, s.valleyDash);
    // The white underlay goes under dashed lines only.
    s.bDrawWhiteBkLine = true;
    EXPECT_TRUE(RasterStyleOfLine(line, s).whiteUnderlay);
    line.drawKind = DrawKind::Cut;
    style = RasterStyleOfLine(line, s);
    EXPECT_TRUE(style.drawn);
    EXPECT_FALSE(style.dashed);
    EXPECT_FALSE(style.whiteUnderlay);
    // Style 1 draws nothing, flap-fold kinds follow their fold's style.
    s.iValleyLineStyle = kLineNone;
    line.drawKind = DrawKind::FlapValley;
    EXPECT_FALSE(RasterStyleOfLine(line, s).drawn);
    line.drawKind = DrawKind::FlapMountain;
    EXPECT_TRUE(RasterStyleOfLine(line, s).drawn);
    // Omitted folds and flaps without fold line are no lines; hidden lines are never drawn.
    for (DrawKind kind :
         {DrawKind::Omitted, DrawKind::FlapOnly, static_cast<DrawKind>(7), static_cast<DrawKind>(-1)}) {
        line.drawKind = kind;
        EXPECT_FALSE(RasterStyleOfLine(line, s).drawn) << static_cast<int>(kind);
    }
    line.drawKind = DrawKind::Cut;
    line.hidden = true;
    EXPECT_FALSE(RasterStyleOfLine(line, s).drawn);
    // A line without its end corner (damaged links) is skipped rather than followed.
    line.hidden = false;
    a.next = nullptr;
    EXPECT_FALSE(RasterStyleOfLine(line, s).drawn);
}

TEST(DevelopmentRaster, LineWidthAndAlpha) {
    Settings s;
    EXPECT_EQ(RasterLineWidthPixels(false, s), 1);
    EXPECT_EQ(RasterLineWidthPixels(true, s), 3); // iLineWidthID 2 + 1
    s.iLineWidthID = -5;                          // damaged setting: still a visible line
    EXPECT_EQ(RasterLineWidthPixels(true, s), 1);
    EXPECT_FLOAT_EQ(RasterLineAlpha(s), 0.5f);
    s.dLineAlphaValue = 1.7;
    EXPECT_FLOAT_EQ(RasterLineAlpha(s), 1.0f);
    s.dLineAlphaValue = -0.2;
    EXPECT_FLOAT_EQ(RasterLineAlpha(s), 0.0f);
    s.dLineAlphaValue = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FLOAT_EQ(RasterLineAlpha(s), 1.0f);
}

TEST(DevelopmentRaster, FaceMaterialFallsBackToTheDefaultMaterial) {
    Document doc;
    CMaterial& first = AddMaterial(doc, "First", {1, 0, 0});
    CFace face;
    face.materialIndex = 0;
    EXPECT_EQ(&FaceMaterial(*doc.model, face), &first);
    // -1 is the default material; an index naming no material (damaged file) too.
    face.materialIndex = -1;
    EXPECT_EQ(&FaceMaterial(*doc.model, face), &doc.model->defaultMaterial);
    face.materialIndex = 7;
    EXPECT_EQ(&FaceMaterial(*doc.model, face), &doc.model->defaultMaterial);
    face.materialIndex = -3;
    EXPECT_EQ(&FaceMaterial(*doc.model, face), &doc.model->defaultMaterial);
}

// Two triangles of a 10 mm square cut apart along the diagonal, u = x / 10 and v = y / 10 in both. The
// flap on face 0's diagonal covers where face 1 lies before the cut, so its corners take u, v from that
// same map, wherever face 1 has been moved to.
TEST(DevelopmentRaster, FlapTextureCoordinatesContinueTheNeighbour) {
    DevelopmentFixture f;
    CVertex* v0 = f.Vertex(0, 0);
    CVertex* v1 = f.Vertex(0, 10);
    CVertex* v2 = f.Vertex(10, 10);
    CVertex* v3 = f.Vertex(10, 0);
    CFace* face0 = f.Face({v0, v1, v2});
    CFace* face1 = f.Face({v0, v2, v3});
    f.PairEdges();
    for (CFace* face : {face0, face1})
        for (auto& c : face->halfEdges) {
            c->u = c->x2d / 10;
            c->v = c->y2d / 10;
        }
    CHalfEdge* h = DevelopmentFixture::Shared(face0, face1); // v2 -> v0
    ASSERT_NE(h, nullptr);
    h->hasFlap = true;
    h->flapHeight = 3;
    h->flapAngle1 = h->flapAngle2 = kPi / 4;
    ComputeFlapShape(*h, false);
    const std::array<Point2, 4> q = FlapOutline(*h);

    const auto expectMap = [&](const char* what) {
        Point2 uv[4];
        ASSERT_TRUE(FlapTextureCoordinates(*h, uv)) << what;
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(uv[i].x, q[i].x / 10, 1e-12) << what << " corner " << i;
            EXPECT_NEAR(uv[i].y, q[i].y / 10, 1e-12) << what << " corner " << i;
        }
    };
    expectMap("in place");
    // Face 1 turned by 90 degrees and moved elsewhere on the development: nothing changes.
    for (auto& c : face1->halfEdges) {
        const Point2 p = Rotate(c->Pos2D(), kPi / 2) + Point2{50, -7};
        c->x2d = p.x;
        c->y2d = p.y;
    }
    expectMap("moved");
    // Face 1 drawn at twice the size: the map is per edge length, so still nothing changes.
    for (auto& c : face1->halfEdges) {
        c->x2d *= 2;
        c->y2d *= 2;
    }
    expectMap("scaled");
    // Without a neighbour (an open edge) there is nothing to show.
    Point2 uv[4];
    CHalfEdge* open = face0->Corner(0);
    ASSERT_EQ(open->twin, nullptr);
    EXPECT_FALSE(FlapTextureCoordinates(*open, uv));
}

TEST(DevelopmentRaster, EdgeIdPlacement) {
    Settings settings;
    CPart part;
    part.x = 100;
    part.y = 50;
    CHalfEdge a, b;
    a.next = &b;
    a.x2d = 0;
    a.y2d = 0;
    b.x2d = 10;
    b.y2d = 0;
    EdgeIdPlacement place;
    // B to the right of A: turned by 180 degrees; midpoint includes the part's offset.
    ASSERT_TRUE(PlaceEdgeId(part, a, true, place));
    EXPECT_DOUBLE_EQ(place.angle, kPi);
    EXPECT_DOUBLE_EQ(place.midpointMM.x, 105);
    EXPECT_DOUBLE_EQ(place.midpointMM.y, 50);
    // The other corner first: B to the left, upright.
    ASSERT_TRUE(PlaceEdgeId(part, a, false, place));
    EXPECT_DOUBLE_EQ(place.angle, 0.0);
    // A vertical edge running down the sheet: asin(1).
    b.x2d = 0;
    b.y2d = 10;
    ASSERT_TRUE(PlaceEdgeId(part, a, true, place));
    EXPECT_DOUBLE_EQ(place.angle, kPi / 2);
    // An edge without length has no direction.
    b.y2d = 0;
    EXPECT_FALSE(PlaceEdgeId(part, a, true, place));
    // Which corner is A: the mirror flag against bInvertEdgeID.
    Development development;
    EXPECT_FALSE(EdgeIdFromThisCorner(development, settings));
    development.reversed = true;
    EXPECT_TRUE(EdgeIdFromThisCorner(development, settings));
    settings.bInvertEdgeID = true;
    EXPECT_FALSE(EdgeIdFromThisCorner(development, settings));
}

TEST(DevelopmentRaster, ConvexPolygons) {
    EXPECT_TRUE(IsConvexPolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    EXPECT_TRUE(IsConvexPolygon({{0, 0}, {0, 10}, {10, 10}, {10, 0}})); // the other winding
    EXPECT_TRUE(IsConvexPolygon({{0, 0}, {5, 0}, {10, 0}, {10, 10}}));  // a corner on a straight side
    EXPECT_TRUE(IsConvexPolygon({{0, 0}, {10, 0}, {10, 0}, {0, 10}}));  // a repeated corner
    // An L turns both ways; a pentagram turns one way but twice round; a line has no area.
    EXPECT_FALSE(IsConvexPolygon({{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}}));
    std::vector<Point2> star;
    for (int i = 0; i < 5; ++i) star.push_back(Rotate({0, 10}, i * 4 * kPi / 5));
    EXPECT_FALSE(IsConvexPolygon(star));
    EXPECT_FALSE(IsConvexPolygon({{0, 0}, {5, 0}, {10, 0}}));
    EXPECT_FALSE(IsConvexPolygon({{0, 0}, {10, 0}, {5, 0}, {0, 10}})); // turns back on itself
    EXPECT_FALSE(IsConvexPolygon({{0, 0}, {1, 1}}));
}

TEST(DevelopmentRaster, LighteningTurnsWhitishPixelsWhite) {
    // Two rows of two pixels, rows padded to 8 bytes; the padding must stay as it is.
    uint8_t bits[16] = {252, 252, 252, 251, 255, 255, 0xAA, 0xAA, //
                        255, 254, 253, 10,  20,  30,  0xBB, 0xBB};
    LightenPixels(bits, 2, 2, 8);
    const uint8_t expected[16] = {255, 255, 255, 251, 255, 255, 0xAA, 0xAA, //
                                  255, 255, 255, 10,  20,  30,  0xBB, 0xBB};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bits[i], expected[i]) << i;
    // Bad sizes change nothing and do not read outside the buffer.
    uint8_t one[3] = {253, 253, 253};
    LightenPixels(one, 1, 1, 2); // stride shorter than a row
    LightenPixels(one, 0, 1, 4);
    LightenPixels(nullptr, 1, 1, 4);
    EXPECT_EQ(one[0], 253);
}

// ---- Pictures ----

// The darkest and the lightest pixel within `radius` of a development point: thin and smoothed lines
// need not fall on the pixel the point rounds to.
int Luma(QRgb c) {
    return qRed(c) + qGreen(c) + qBlue(c);
}
QRgb DarkestNear(const QImage& image, const RasterProjection& projection, const Point2& mm, int radius = 1) {
    const Point2 p = projection.ToPixel(mm);
    QRgb best = qRgb(255, 255, 255);
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int x = int(std::floor(p.x)) + dx, y = int(std::floor(p.y)) + dy;
            if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) continue;
            if (Luma(image.pixel(x, y)) < Luma(best)) best = image.pixel(x, y);
        }
    return best;
}
QRgb LightestNear(const QImage& image, const RasterProjection& projection, const Point2& mm, int radius = 1) {
    const Point2 p = projection.ToPixel(mm);
    QRgb best = qRgb(0, 0, 0);
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int x = int(std::floor(p.x)) + dx, y = int(std::floor(p.y)) + dy;
            if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) continue;
            if (Luma(image.pixel(x, y)) > Luma(best)) best = image.pixel(x, y);
        }
    return best;
}

Rgb Scaled(Rgb c, float f) {
    return {c.r * f, c.g * f, c.b * f};
}

TEST(DevelopmentRasterImage, TexturedPart) {
    Settings settings;
    RecordingPrompt prompt;
    Document doc;
    BuildTexturedCube(doc);
    const Development& dev = *doc.development;
    ASSERT_EQ(dev.parts.size(), 1u);
    // The faces and their lines alone (cut edges drawn as cuts); the flaps have a test of their own.
    settings.bDrawFlap = false;
    Reclassify(doc, settings);
    const RasterProjection projection = WholeFit(dev, 400, 5);
    const QImage image = RenderBitmap(doc, settings, projection, prompt);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_TRUE(MatchesReference(image, "raster_textured_part"));

    // v = 0 is the texture's top row and u = 0 its left column, on every face.
    const CPart& part = *dev.parts[0];
    for (const CFace* face : part.faces) {
        EXPECT_TRUE(ColourNear(PixelAt(image, projection, PointAtUV(part, *face, 0.25, 0.25)), kTopLeft));
        EXPECT_TRUE(ColourNear(PixelAt(image, projection, PointAtUV(part, *face, 0.75, 0.25)), kTopRight));
        EXPECT_TRUE(ColourNear(PixelAt(image, projection, PointAtUV(part, *face, 0.25, 0.75)), kBottomLeft));
        EXPECT_TRUE(ColourNear(PixelAt(image, projection, PointAtUV(part, *face, 0.75, 0.75)), kBottomRight));
    }
    // Outside the parts the paper stays pure white: the border and the part's bounding box corners.
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(399, image.height() - 1), qRgb(255, 255, 255));
    EXPECT_EQ(PixelAt(image, projection, {dev.frame[0] + 0.5, dev.frame[1] + 0.5}), qRgb(255, 255, 255));

    // The full-size bitmap (bottom row first) and the texture (top row first) give the same picture.
    MakeBitmap(*doc.model->materials[0]);
    ASSERT_NE(doc.model->materials[0]->bitmap, nullptr);
    EXPECT_EQ(RenderBitmap(doc, settings, projection, prompt), image);
}

TEST(DevelopmentRasterImage, TextureFilterFollowsTheSmoothingSetting) {
    Settings settings;
    RecordingPrompt prompt;
    Document doc;
    BuildTexturedCube(doc);
    // A 2 x 2 texture magnified: linear filtering blends the quadrants, nearest keeps them sharp.
    doc.model->materials[0]->texture = QuadrantTexture(2);
    const CPart& part = *doc.development->parts[0];
    const CFace& face = *part.faces[0];
    const RasterProjection projection = WholeFit(*doc.development, 400, 5);
    const Point2 nearMiddle = PointAtUV(part, face, 0.45, 0.45);
    const QRgb smooth = PixelAt(RenderBitmap(doc, settings, projection, prompt), projection, nearMiddle);
    EXPECT_FALSE(ColourNear(smooth, kTopLeft, 20));
    settings.bTextureSmooth = false;
    const QRgb sharp = PixelAt(RenderBitmap(doc, settings, projection, prompt), projection, nearMiddle);
    EXPECT_TRUE(ColourNear(sharp, kTopLeft));
}

// Two points inside each drawn flap, a quarter of the way along its base from either end and halfway
// out to the tips: (development point, flap corner, weights of the corners A, tipStart, tipEnd, B).
struct FlapProbe {
    Point2 mm;
    const CHalfEdge* h = nullptr;
    double weights[4] = {0, 0, 0, 0};
};
std::vector<FlapProbe> FlapProbes(const Development& dev) {
    std::vector<FlapProbe> probes;
    for (const auto& part : dev.parts)
        for (const auto& line : part->lines) {
            if (!HasDrawnFlap(line->drawKind)) continue;
            const std::array<Point2, 4> q = FlapOutline(*line->first);
            for (double s : {0.25, 0.75}) {
                FlapProbe probe;
                probe.h = line->first;
                // Halfway between the base point and the tip side point at the same fraction s.
                probe.weights[0] = 0.5 * (1 - s);
                probe.weights[3] = 0.5 * s;
                probe.weights[1] = 0.5 * (1 - s);
                probe.weights[2] = 0.5 * s;
                Point2 p{part->x, part->y};
                for (int i = 0; i < 4; ++i) p = p + q[i] * probe.weights[i];
                probe.mm = p;
                probes.push_back(probe);
            }
        }
    return probes;
}

TEST(DevelopmentRasterImage, FlapsWhiteOrColouredWithTheFace) {
    Settings settings;
    RecordingPrompt prompt;
    Document doc;
    BuildTexturedCube(doc);
    const Development& dev = *doc.development;
    const RasterProjection projection = WholeFit(dev, 400, 5);
    const auto probes = FlapProbes(dev);
    ASSERT_GE(probes.size(), 14u);

    // By default flaps are white paper with their outline.
    const QImage white = RenderBitmap(doc, settings, projection, prompt);
    EXPECT_TRUE(MatchesReference(white, "raster_flaps_white"));
    for (const auto& p : probes) EXPECT_TRUE(ColourNear(PixelAt(white, projection, p.mm), kWhite));

    // Coloured with the face: each flap shows the neighbouring face's texture where it will lie under it.
    settings.bColorFlapWithFace = true;
    const QImage textured = RenderBitmap(doc, settings, projection, prompt);
    EXPECT_TRUE(MatchesReference(textured, "raster_flaps_face_texture"));
    int checked = 0;
    for (const auto& p : probes) {
        Point2 uv[4];
        ASSERT_TRUE(FlapTextureCoordinates(*p.h, uv));
        Point2 c{0, 0};
        for (int i = 0; i < 4; ++i) c = c + uv[i] * p.weights[i];
        const double u = c.x - std::floor(c.x), v = c.y - std::floor(c.y);
        // Only where the sample lies well inside one quadrant of the (repeating) texture.
        const auto clear = [](double t) { return std::abs(t - 0.5) > 0.03 && t > 0.03 && t < 0.97; };
        if (!clear(u) || !clear(v)) continue;
        const Rgb expected =
            v < 0.5 ? (u < 0.5 ? kTopLeft : kTopRight) : (u < 0.5 ? kBottomLeft : kBottomRight);
        EXPECT_TRUE(ColourNear(PixelAt(textured, projection, p.mm), expected));
        ++checked;
    }
    EXPECT_GE(checked, 10);

    // Without a texture the flap takes the neighbour's flat colour; with materials off it stays white.
    doc.model->materials[0]->texture.reset();
    const Rgb flat{0.2f, 0.6f, 0.3f};
    float* colour = doc.model->materials[0]->flatColor;
    colour[0] = flat.r;
    colour[1] = flat.g;
    colour[2] = flat.b;
    const QImage coloured = RenderBitmap(doc, settings, projection, prompt);
    for (const auto& p : probes) EXPECT_TRUE(ColourNear(PixelAt(coloured, projection, p.mm), flat));
    settings.bUseMaterial = false;
    const QImage plain = RenderBitmap(doc, settings, projection, prompt);
    for (const auto& p : probes) EXPECT_TRUE(ColourNear(PixelAt(plain, projection, p.mm), kWhite));
    EXPECT_TRUE(prompt.texts.empty());
}

// The tiny development (a 10 mm square with a valley diagonal and a mountain flap fold) on blue faces.
struct LineCase : TinyDevelopment {
    LineCase() {
        doc.model->defaultMaterial.flatColor[0] = kFaceBlue.r;
        doc.model->defaultMaterial.flatColor[1] = kFaceBlue.g;
        doc.model->defaultMaterial.flatColor[2] = kFaceBlue.b;
    }
    // Along the valley diagonal, whose line starts at face 0's corner v2 (30, 20) and runs to v0 (20, 10):
    // the middle of its first dash (2 mm) and of the first gap (1 mm) with the valley pattern (2, 1, 0.5, 1).
    Point2 Along(double distanceMM) const {
        return Point2{30, 20} - Point2{1, 1} * (distanceMM / std::sqrt(2.0));
    }
    Point2 DashMiddle() const { return Along(1.0); }
    Point2 GapMiddle() const { return Along(2.5); }
};

struct LineVariant {
    bool bitmapMode;
    bool lineAlpha;
    bool underlay;
};

QImage RenderLineVariant(LineCase& c, const RasterProjection& projection, int style, const LineVariant& v,
                         IPrompt& prompt) {
    Settings s;
    s.iMountainLineStyle = style;
    s.iValleyLineStyle = style;
    s.bLineAlpha = v.lineAlpha;
    s.bDrawWhiteBkLine = v.underlay;
    return v.bitmapMode ? RenderBitmap(c.doc, s, projection, prompt)
                        : RenderScreen(c.doc, s, projection, false, prompt);
}

TEST(DevelopmentRasterImage, LineStylesUnderlayAndAlpha) {
    RecordingPrompt prompt;
    LineCase c;
    const RasterProjection projection = FrameProjection(c.Dev(), 12, 2);
    // Rows: bitmap with alpha, without and with underlay; screen without alpha, without and with
    // underlay. Columns: styles 0 (solid), 1 (none), 2 (valley dashes), 3 (mountain dashes).
    const LineVariant variants[4] = {
        {true, true, false}, {true, true, true}, {false, false, false}, {false, false, true}};
    QImage montage(projection.widthPixels * 4, projection.heightPixels * 4, QImage::Format_RGB32);
    montage.fill(Qt::black);
    QPainter painter(&montage);
    for (int row = 0; row < 4; ++row) {
        for (int style = 0; style < 4; ++style) {
            SCOPED_TRACE("row " + std::to_string(row) + " style " + std::to_string(style));
            const LineVariant& v = variants[row];
            const QImage tile = RenderLineVariant(c, projection, style, v, prompt);
            ASSERT_FALSE(tile.isNull());
            painter.drawImage(style * projection.widthPixels, row * projection.heightPixels, tile);

            const QRgb dash = DarkestNear(tile, projection, c.DashMiddle());
            // Line colour black: half over the background with alpha 0.5, black without blending.
            const Rgb under = v.underlay && style >= 2 ? kWhite : kFaceBlue;
            const Rgb drawn = v.lineAlpha ? Scaled(under, 0.5f) : Rgb{0, 0, 0};
            if (style == kLineNone) {
                // Not drawn at all, so no underlay either.
                EXPECT_TRUE(ColourNear(dash, kFaceBlue));
                EXPECT_TRUE(ColourNear(DarkestNear(tile, projection, c.GapMiddle()), kFaceBlue));
            } else if (style == kLineSolid) {
                // Solid lines get no underlay: the line goes straight over the face, gaps or not.
                EXPECT_TRUE(ColourNear(dash, Scaled(kFaceBlue, v.lineAlpha ? 0.5f : 0.0f), 4));
                EXPECT_TRUE(ColourNear(DarkestNear(tile, projection, c.GapMiddle()),
                                       Scaled(kFaceBlue, v.lineAlpha ? 0.5f : 0.0f), 4));
            } else {
                // Valley dashes (2, 1, 0.5, 1) or mountain dashes (1, 1) along the diagonal; the gap
                // shows the underlay, white, or the face.
                const bool valley = style == kLineValleyDashes;
                const Point2 dashAt = valley ? c.DashMiddle() : c.Along(0.5);
                const Point2 gapAt = valley ? c.GapMiddle() : c.Along(1.5);
                EXPECT_TRUE(ColourNear(DarkestNear(tile, projection, dashAt), drawn, 4));
                EXPECT_TRUE(
                    ColourNear(LightestNear(tile, projection, gapAt), v.underlay ? kWhite : kFaceBlue));
            }
        }
    }
    painter.end();
    EXPECT_TRUE(MatchesReference(montage, "raster_line_styles"));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(DevelopmentRasterImage, LinesLeftToTheVectorPassAndPatternsThatDrawNothing) {
    Settings s;
    RecordingPrompt prompt;
    LineCase c;
    const RasterProjection projection = FrameProjection(c.Dev(), 12, 2);
    // Bitmap outputs without line alpha: no fold lines, no cut lines, no flap outlines in the raster.
    s.bLineAlpha = false;
    const QImage image = RenderBitmap(c.doc, s, projection, prompt);
    EXPECT_TRUE(ColourNear(DarkestNear(image, projection, c.DashMiddle()), kFaceBlue));
    EXPECT_TRUE(ColourNear(DarkestNear(image, projection, {25, 20}), kFaceBlue)); // bottom cut line
    EXPECT_TRUE(ColourNear(DarkestNear(image, projection, {16, 15}), kWhite));    // flap's outer side
    // A pattern starting below 0.01 draws no dashes at all.
    s.bLineAlpha = true;
    s.valleyDash[0] = -1;
    const QImage noDashes = RenderBitmap(c.doc, s, projection, prompt);
    for (double d : {0.5, 1.0, 2.5, 3.2, 5.0})
        EXPECT_TRUE(ColourNear(DarkestNear(noDashes, projection, c.Along(d)), kFaceBlue)) << d;
    // The mountain style 1: the flap's fold line is not drawn, the flap's outline is.
    s.iMountainLineStyle = kLineNone;
    const QImage noMountain = RenderBitmap(c.doc, s, projection, prompt);
    EXPECT_TRUE(ColourNear(DarkestNear(noMountain, projection, {20, 12.5}, 0), kFaceBlue, 12) ||
                ColourNear(DarkestNear(noMountain, projection, {20, 12.5}, 0), kWhite, 12));
    // The green outline at alpha 0.5 over the white flap.
    EXPECT_TRUE(ColourNear(DarkestNear(noMountain, projection, {16, 15}), {0.5f, 0.75f, 0.5f}, 4));
}

// On screen a pattern repeating within 1.5 pixels is drawn as one solid line at its coverage: along the
// line the picture is that of a solid line whose alpha is the coverage times the line alpha.
TEST(DevelopmentRasterImage, FineDashesOnScreenAreOneSolidLineAtTheirCoverage) {
    RecordingPrompt prompt;
    LineCase c;
    const RasterProjection projection = FrameProjection(c.Dev(), 12, 2);
    Settings s;
    s.bLineAlpha = true;
    s.dLineAlphaValue = 0.8;
    s.bDrawWhiteBkLine = false;
    s.iValleyLineStyle = kLineValleyDashes;
    const double fine[6] = {0.01, 0.03, 0.015, 0.025, 0.015, 0.025}; // 1.44 pixels a cycle, 1/3 ink
    std::copy(fine, fine + 6, s.valleyDash);
    const QImage screen = RenderScreen(c.doc, s, projection, false, prompt);
    const QImage bitmap = RenderBitmap(c.doc, s, projection, prompt);
    s.iValleyLineStyle = kLineSolid;
    s.dLineAlphaValue = 0.8 / 3;
    const QImage solid = RenderScreen(c.doc, s, projection, false, prompt);
    bool bitmapDiffers = false;
    for (double d = 1.0; d < 13.0; d += 0.37) {
        const QRgb expected = DarkestNear(solid, projection, c.Along(d));
        EXPECT_TRUE(ColourNear(DarkestNear(screen, projection, c.Along(d)),
                               {qRed(expected) / 255.0f, qGreen(expected) / 255.0f, qBlue(expected) / 255.0f},
                               1))
            << d;
        bitmapDiffers = bitmapDiffers || DarkestNear(bitmap, projection, c.Along(d)) !=
                                             DarkestNear(screen, projection, c.Along(d));
    }
    // Bitmap outputs still draw every dash.
    EXPECT_TRUE(bitmapDiffers);
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(DevelopmentRasterImage, PickedFaceIsRedOnScreenOnly) {
    RecordingPrompt prompt;
    LineCase c;
    c.face0->picked = true;
    const RasterProjection projection = FrameProjection(c.Dev(), 12, 2);
    const Point2 inPicked = FaceMiddle(*c.part, *c.face0), inOther = FaceMiddle(*c.part, *c.face1);
    const QImage screen = RenderScreen(c.doc, Settings(), projection, true, prompt);
    EXPECT_TRUE(MatchesReference(screen, "raster_picked_face"));
    EXPECT_EQ(PixelAt(screen, projection, inPicked), qRgb(255, 0, 0));
    EXPECT_TRUE(ColourNear(PixelAt(screen, projection, inOther), kFaceBlue));
    // Textures give way to the red too.
    c.doc.model->defaultMaterial.texture = QuadrantTexture(8);
    EXPECT_EQ(PixelAt(RenderScreen(c.doc, Settings(), projection, true, prompt), projection, inPicked),
              qRgb(255, 0, 0));
    c.doc.model->defaultMaterial.texture.reset();
    // Bitmap outputs never show the pick mark, nor does the screen when not highlighting.
    EXPECT_TRUE(ColourNear(PixelAt(RenderBitmap(c.doc, Settings(), projection, prompt), projection, inPicked),
                           kFaceBlue));
    EXPECT_TRUE(
        ColourNear(PixelAt(RenderScreen(c.doc, Settings(), projection, false, prompt), projection, inPicked),
                   kFaceBlue));
}

TEST(DevelopmentRasterImage, PicturesUnderAndAboveTheParts) {
    RecordingPrompt prompt;
    LineCase c;
    const Rgb green{0.1f, 0.7f, 0.2f};
    // List A overlaps the left half of the square and the flap; list B, mirrored by its negative width,
    // the right edge of the square.
    AddPicture(c.doc, false, {14, 12, 10, 6}, UniformTexture(8, 8, green));
    AddPicture(c.doc, true, {32, 12, -6, 4}, QuadrantTexture(16));
    const RasterProjection projection = RegionProjection(240, 156, 12, 12, 8);
    const QImage image = RenderBitmap(c.doc, Settings(), projection, prompt);
    EXPECT_TRUE(MatchesReference(image, "raster_pictures"));

    EXPECT_TRUE(ColourNear(PixelAt(image, projection, {15, 12.5}), green));    // picture A alone
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, {22, 17}), kFaceBlue));  // under face 0
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, {17.5, 15}), kWhite));   // under the flap
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, {31, 12.5}), kTopLeft)); // mirrored: u = 0 at x 32
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, {31, 15.5}), kBottomLeft));
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, {28, 12.5}), kTopRight)); // over face 1
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, {28, 15.5}), kBottomRight));
    // Lines stay above list B: the right cut line crosses it.
    EXPECT_TRUE(ColourNear(DarkestNear(image, projection, {30, 13}), Scaled(kTopRight, 0.5f), 6) ||
                ColourNear(DarkestNear(image, projection, {30, 13}), Scaled(kTopLeft, 0.5f), 6));
    // A picture without an image, or without a material, shows nothing and breaks nothing.
    AddPicture(c.doc, true, {20, 10, 4, 4}, nullptr);
    auto loose = std::make_unique<CImageBlock>();
    loose->rect[2] = loose->rect[3] = 100;
    c.Dev().imagesA.push_back(std::move(loose));
    const QImage again = RenderBitmap(c.doc, Settings(), projection, prompt);
    EXPECT_EQ(again, image);
}

TEST(DevelopmentRasterImage, DefaultMaterialAndMaterialsOff) {
    Settings settings;
    RecordingPrompt prompt;
    LineCase c;
    CMaterial& red = AddMaterial(c.doc, "Red", {0.9f, 0.1f, 0.1f});
    (void)red;
    c.face1->materialIndex = 0;
    c.face0->materialIndex = -1;
    const RasterProjection projection = FrameProjection(c.Dev(), 12, 2);
    const Point2 in0 = FaceMiddle(*c.part, *c.face0), in1 = FaceMiddle(*c.part, *c.face1);
    const QImage image = RenderBitmap(c.doc, settings, projection, prompt);
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, in0), kFaceBlue)); // index -1: the default material
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, in1), {0.9f, 0.1f, 0.1f}));
    c.face1->materialIndex = 12; // names no material
    EXPECT_TRUE(
        ColourNear(PixelAt(RenderBitmap(c.doc, settings, projection, prompt), projection, in1), kFaceBlue));
    settings.bUseMaterial = false;
    const QImage plain = RenderBitmap(c.doc, settings, projection, prompt);
    EXPECT_TRUE(ColourNear(PixelAt(plain, projection, in0), kWhite));
    EXPECT_TRUE(ColourNear(PixelAt(plain, projection, in1), kWhite));
}

TEST(DevelopmentRasterImage, ConcaveFacesAreFilledInsideOnly) {
    Settings settings;
    settings.bDrawFlap = false;
    RecordingPrompt prompt;
    Document doc;
    ASSERT_TRUE(BuildCrossPrism(doc).empty());
    ComputeDevelopmentExtent(*doc.development, true);
    Reclassify(doc, settings);
    const CFace& top = *doc.model->solids[0]->faces[0]; // the plus, material "Sky"
    const CPart& part = *top.part;
    // Development position of a point (x, y) of the plus, from three of its corners (the plus is flat).
    const auto place = [&](double x, double y) {
        const CHalfEdge* k[3] = {top.Corner(0), top.Corner(1), top.Corner(3)};
        const Vec3 p0 = k[0]->vertex->position, p1 = k[1]->vertex->position, p2 = k[2]->vertex->position;
        const double a1 = p1.x - p0.x, b1 = p1.y - p0.y, a2 = p2.x - p0.x, b2 = p2.y - p0.y;
        const double det = a1 * b2 - a2 * b1;
        const double s = ((x - p0.x) * b2 - a2 * (y - p0.y)) / det;
        const double t = (a1 * (y - p0.y) - (x - p0.x) * b1) / det;
        const Point2 q0 = k[0]->Pos2D(), q1 = k[1]->Pos2D(), q2 = k[2]->Pos2D();
        return Point2{part.x, part.y} + q0 + (q1 - q0) * s + (q2 - q0) * t;
    };
    const RasterProjection projection = FrameProjection(*doc.development, 6, 3);
    const QImage image = RenderBitmap(doc, settings, projection, prompt);
    const Rgb sky{0.55f, 0.75f, 0.95f};
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, place(15, 15)), sky)); // the middle
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, place(15, 4)), sky));  // an arm
    // A notch: a fan from the first corner would cover it.
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, place(7, 7)), kWhite));
    EXPECT_TRUE(ColourNear(PixelAt(image, projection, place(23, 23)), kWhite));
}

TEST(DevelopmentRasterImage, EdgeIdsWithGLText) {
    Settings s;
    RecordingPrompt prompt;
    Document doc;
    ASSERT_TRUE(BuildSampleCube(doc).empty());
    s.bDrawNumber = true;
    s.iEdgeIDfontSizePoint = 10;
    ComputeDevelopmentExtent(*doc.development, true);
    Reclassify(doc, s);
    const RasterProjection projection = FrameProjection(*doc.development, 5, 3);

    // Dark pixels within 2 mm of each numbered edge's middle, away from the edge itself.
    const auto darkNearIds = [&](const QImage& image) {
        int dark = 0;
        for (const auto& part : doc.development->parts)
            for (const CFace* face : part->faces)
                for (const auto& corner : face->halfEdges) {
                    if (corner->edge->edgeId == -1) continue;
                    EdgeIdPlacement place;
                    if (!PlaceEdgeId(*part, *corner, EdgeIdFromThisCorner(*doc.development, s), place))
                        continue;
                    const Point2 c = projection.ToPixel(place.midpointMM);
                    for (int dy = -10; dy <= 10; ++dy)
                        for (int dx = -10; dx <= 10; ++dx) {
                            const int x = int(c.x) + dx, y = int(c.y) + dy;
                            if (x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
                                Luma(image.pixel(x, y)) < 3 * 60)
                                ++dark;
                        }
                }
        return dark;
    };
    s.bLineAlpha = true;
    const int withoutText = darkNearIds(RenderBitmap(doc, s, projection, prompt));
    s.bUseOpenGLToDrawEdgeID = true;
    const QImage image = RenderBitmap(doc, s, projection, prompt);
    EXPECT_TRUE(MatchesReference(image, "raster_edge_ids_gl"));
    EXPECT_GT(darkNearIds(image), withoutText + 100);
    // Edge IDs not shown: no text, whatever the GL switch says.
    s.bDrawNumber = false;
    EXPECT_EQ(darkNearIds(RenderBitmap(doc, s, projection, prompt)), withoutText);
}

// On screen, GL edge IDs whose em covers fewer than two pixels are left out, and lines lose their smoothing
// below half a pixel per millimetre; bitmap outputs keep both at every scale. Smoothed lines leave grey
// pixels of partial coverage, unsmoothed black lines over white faces only black and white.
TEST(DevelopmentRasterImage, ScreenLeavesOutIllegibleGLEdgeIdsAndLineSmoothing) {
    Settings s;
    RecordingPrompt prompt;
    Document doc;
    ASSERT_TRUE(BuildSampleCube(doc).empty());
    s.iEdgeIDfontSizePoint = 10; // an em of 3.53 mm
    s.bUseOpenGLToDrawEdgeID = true;
    s.bUseMaterial = false;
    s.bDrawFlap = false;
    s.dLineAlphaValue = 1.0;
    s.iMountainLineStyle = kLineSolid;
    s.iValleyLineStyle = kLineSolid;
    ComputeDevelopmentExtent(*doc.development, true);
    Reclassify(doc, s);
    for (const auto& part : doc.development->parts)
        for (const auto& line : part->lines) PaintLine(*line, {0, 0, 0});
    struct Case {
        double pixelsPerMM;
        bool screen;
        bool idsDrawn;
        bool smoothed;
    };
    const Case cases[] = {
        {5.0, true, true, true},    // 17.6 pixels an em
        {1.2, true, true, true},    // 4.2 pixels
        {0.55, true, false, true},  // 1.94 pixels
        {0.5, true, false, true},   // lines still smoothed
        {0.49, true, false, false}, // just below half a pixel per millimetre
        {0.25, true, false, false}, // 0.88 pixels
        {0.55, false, true, true},  // the same sizes in a bitmap output
        {1.2, false, true, true},   // 4.2 pixels
        {0.49, false, true, true},  // lines smoothed where the screen's are not
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pixelsPerMM) + (c.screen ? " screen" : " bitmap"));
        const RasterProjection projection = FrameProjection(*doc.development, c.pixelsPerMM, 3);
        EXPECT_EQ(RasterSmoothsLines(!c.screen, s, projection), c.smoothed);
        const auto render = [&](bool numbers) {
            s.bDrawNumber = numbers;
            return c.screen ? RenderScreen(doc, s, projection, false, prompt)
                            : RenderBitmap(doc, s, projection, prompt);
        };
        const QImage without = render(false);
        const QImage with = render(true);
        ASSERT_FALSE(with.isNull());
        EXPECT_EQ(with != without, c.idsDrawn);
        long black = 0, grey = 0;
        for (int y = 0; y < without.height(); ++y)
            for (int x = 0; x < without.width(); ++x) {
                const QRgb p = without.pixel(x, y) & 0xffffff;
                black += p == 0;
                grey += p != 0 && p != 0xffffff;
            }
        EXPECT_GT(black + grey, 0);
        EXPECT_EQ(grey > 0, c.smoothed) << grey << " grey pixels";
    }
    // A stretched screen goes by its smaller scale; without line alpha nothing is smoothed.
    RasterProjection stretched = RegionProjection(100, 100, 2.0, 0, 0);
    stretched.pixelsPerMMY = -0.45;
    EXPECT_FALSE(RasterSmoothsLines(false, s, stretched));
    s.bLineAlpha = false;
    EXPECT_FALSE(RasterSmoothsLines(true, s, RegionProjection(100, 100, 2.0, 0, 0)));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(DevelopmentRasterImage, DamagedDevelopmentsDrawWithoutCrashing) {
    Settings settings;
    settings.bUseOpenGLToDrawEdgeID = true;
    settings.bDrawNumber = true;
    RecordingPrompt prompt;
    LineCase c;
    const RasterProjection projection = FrameProjection(c.Dev(), 12, 2);
    // A face of two corners, a corner at NaN, a null part and a null face pointer, a null line.
    CFace* thin = c.Face({c.solid->vertices[0].get(), c.solid->vertices[1].get()});
    c.part->faces.push_back(thin);
    c.part->faces.push_back(nullptr);
    c.part->lines.push_back(nullptr);
    c.Dev().parts.push_back(nullptr);
    c.face1->Corner(1)->x2d = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(RenderBitmap(c.doc, settings, projection, prompt).isNull());
    // No development, no model: nothing drawn, nothing broken.
    Document empty;
    EXPECT_FALSE(RenderBitmap(empty, settings, projection, prompt).isNull());
    // No texture source: textured materials fall back to their colour.
    OffscreenBitmap output(prompt, projection.widthPixels, projection.heightPixels);
    ASSERT_TRUE(output.Begin());
    RasterTarget target;
    target.projection = projection;
    DrawRaster(c.doc, settings, target, RasterMode{});
    output.Finish();
    output.End();
    EXPECT_TRUE(prompt.texts.empty());
}

} // namespace
} // namespace tsm
