#include "sheet/DevelopmentRaster.h"

#include "engine/Classify.h"
#include "engine/CutJoin.h"
#include "engine/EdgeColor.h"
#include "engine/FlapEdits.h"
#include "engine/FlapOutline.h"
#include "engine/Flaps.h"
#include "engine/PartEdits.h"
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

TEST(DevelopmentRaster, LineStyleWidthAndAlpha) {
    Settings s;
    PartLine line;
    HalfEdge a, b;
    a.next = &b;
    line.first = &a;
    // Styles, patterns and underlays of drawn kinds are pinned by the line-style reference image.
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

    EXPECT_EQ(RasterLineWidthPixels(false, s), 1);
    EXPECT_EQ(RasterLineWidthPixels(true, s), 3); // lineWidthChoice 2 + 1
    s.lineWidthChoice = -5;                       // damaged setting: still a visible line
    EXPECT_EQ(RasterLineWidthPixels(true, s), 1);
    // The alpha is held to 0..1; NaN from a damaged file is opaque.
    for (const auto& [stored, alpha] : std::vector<std::pair<double, float>>{
             {0.5, 0.5f}, {1.7, 1.0f}, {-0.2, 0.0f}, {std::nan(""), 1.0f}}) {
        s.lineAlpha = stored;
        EXPECT_FLOAT_EQ(RasterLineAlpha(s), alpha) << stored;
    }
}

// Where the flap has a neighbour, its texture is pinned by the reference picture of flaps coloured with the
// face.
TEST(DevelopmentRaster, FlapOnAnOpenEdgeHasNoTextureCoordinates) {
    DevelopmentFixture f;
    Face* face = f.AddFace({f.AddVertex(0, 0), f.AddVertex(0, 10), f.AddVertex(10, 10)});
    f.PairEdges();
    ASSERT_EQ(face->Corner(0)->twin, nullptr);
    Point2 uv[4];
    EXPECT_FALSE(FlapTextureCoordinates(*face->Corner(0), uv));
}

TEST(DevelopmentRaster, ConvexPolygons) {
    std::vector<Point2> star; // turns one way but twice round
    for (int i = 0; i < 5; ++i) star.push_back(Rotate({0, 10}, i * 4 * kPi / 5));
    const std::pair<std::vector<Point2>, bool> cases[] = {
        {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true},
        {{{0, 0}, {0, 10}, {10, 10}, {10, 0}}, true},                  // the other winding
        {{{0, 0}, {5, 0}, {10, 0}, {10, 10}}, true},                   // a corner on a straight side
        {{{0, 0}, {10, 0}, {10, 0}, {0, 10}}, true},                   // a repeated corner
        {{{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}}, false}, // an L turns both ways
        {star, false},
        {{{0, 0}, {5, 0}, {10, 0}}, false},          // a line has no area
        {{{0, 0}, {10, 0}, {5, 0}, {0, 10}}, false}, // turns back on itself
        {{{0, 0}, {1, 1}}, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(IsConvexPolygon(cases[i].first), cases[i].second) << i;
}

TEST(DevelopmentRaster, LighteningTurnsWhitishPixelsWhite) {
    // Two rows of two pixels, rows padded to 8 bytes; the padding must stay as it is.
    uint8_t bits[16] = {252, 252, 252, 251, 255, 255, 0xAA, 0xAA, //
                        255, 254, 253, 10,  20,  30,  0xBB, 0xBB};
    LightenPixels(bits, 2, 2, 8);
    const uint8_t expected[16] = {255, 255, 255, 251, 255, 255, 0xAA, 0xAA, //
                                  255, 255, 255, 10,  20,  30,  0xBB, 0xBB};
    EXPECT_TRUE(std::equal(bits, bits + 16, expected));
    // Bad sizes change nothing and do not read outside the buffer.
    uint8_t one[3] = {253, 253, 253};
    LightenPixels(one, 1, 1, 2); // stride shorter than a row
    LightenPixels(one, 0, 1, 4);
    LightenPixels(nullptr, 1, 1, 4);
    EXPECT_EQ(one[0], 253);
}

void SetColour(float* target, Rgb c) {
    target[0] = c.r, target[1] = c.g, target[2] = c.b;
}

TEST(DevelopmentRasterImage, TexturedPart) {
    Settings settings;
    RecordingPrompt prompt;
    Document doc;
    BuildTexturedCube(doc);
    const Development& dev = *doc.development;
    ASSERT_EQ(dev.parts.size(), 1u);
    // The faces and their lines alone (cut edges drawn as cuts); the flaps have a test of their own.
    settings.drawFlaps = false;
    Reclassify(doc, settings);
    const RasterProjection projection = WholeFit(dev, 400, 5);
    const QImage image = RenderBitmap(doc, settings, projection, prompt);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_TRUE(MatchesReference(image, "raster_textured_part"));
    // The full-size bitmap (bottom row first) and the texture (top row first) give the same picture.
    MakeBitmap(*doc.model->materials[0]);
    ASSERT_NE(doc.model->materials[0]->bitmap, nullptr);
    EXPECT_EQ(RenderBitmap(doc, settings, projection, prompt), image);
}

// Two points inside each drawn flap, a quarter of the way along its base from either end and halfway
// out to the tips.
std::vector<Point2> FlapProbes(const Development& dev) {
    std::vector<Point2> probes;
    for (const auto& part : dev.parts)
        for (const auto& line : part->lines) {
            if (!HasDrawnFlap(line->drawKind)) continue;
            const std::array<Point2, 4> q = FlapOutline(*line->first);
            for (double s : {0.25, 0.75}) {
                const double weights[4] = {0.5 * (1 - s), 0.5 * (1 - s), 0.5 * s, 0.5 * s};
                Point2 mm{part->x, part->y};
                for (int i = 0; i < 4; ++i) mm = mm + q[i] * weights[i];
                probes.push_back(mm);
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
    const auto expectProbes = [&](const QImage& image, Rgb colour) {
        for (const Point2& mm : probes) EXPECT_TRUE(ColourNear(PixelAt(image, projection, mm), colour));
    };

    // By default flaps are white paper with their outline.
    const QImage white = RenderBitmap(doc, settings, projection, prompt);
    EXPECT_TRUE(MatchesReference(white, "raster_flaps_white"));

    // Coloured with the face: each flap shows the neighbouring face's texture where it will lie under it.
    settings.colorFlapsLikeFaces = true;
    EXPECT_TRUE(
        MatchesReference(RenderBitmap(doc, settings, projection, prompt), "raster_flaps_face_texture"));

    // Without a texture the flap takes the neighbour's flat colour; with materials off it stays white.
    doc.model->materials[0]->texture.reset();
    const Rgb flat{0.2f, 0.6f, 0.3f};
    SetColour(doc.model->materials[0]->flatColor, flat);
    expectProbes(RenderBitmap(doc, settings, projection, prompt), flat);
    settings.useMaterials = false;
    expectProbes(RenderBitmap(doc, settings, projection, prompt), kWhite);
    EXPECT_TRUE(prompt.texts.empty());
}

// The tiny development (a 10 mm square with a valley diagonal and a mountain flap fold) on blue faces.
struct LineCase : TinyDevelopment {
    RecordingPrompt prompt;
    RasterProjection projection;
    LineCase() {
        SetColour(doc.model->defaultMaterial.flatColor, kFaceBlue);
        projection = FrameProjection(Dev(), 12, 2);
    }
    QImage Bitmap(const Settings& s) { return RenderBitmap(doc, s, projection, prompt); }
    QImage Screen(const Settings& s, bool highlight = false) {
        return RenderScreen(doc, s, projection, highlight, prompt);
    }
};

TEST(DevelopmentRasterImage, LineStylesUnderlayAndAlpha) {
    LineCase c;
    // Rows: bitmap with alpha, without and with underlay; screen without alpha, without and with
    // underlay. Columns: styles 0 (solid), 1 (none), 2 (valley dashes), 3 (mountain dashes).
    const struct {
        bool bitmapMode, lineAlpha, underlay;
    } variants[4] = {{true, true, false}, {true, true, true}, {false, false, false}, {false, false, true}};
    const int w = c.projection.widthPixels, h = c.projection.heightPixels;
    QImage montage(w * 4, h * 4, QImage::Format_RGB32);
    montage.fill(Qt::black);
    QPainter painter(&montage);
    for (int row = 0; row < 4; ++row)
        for (int style = 0; style < 4; ++style) {
            const auto& v = variants[row];
            Settings s;
            s.mountainLineStyle = s.valleyLineStyle = style;
            s.translucentLines = v.lineAlpha;
            s.whiteLinesUnderFolds = v.underlay;
            painter.drawImage(style * w, row * h, v.bitmapMode ? c.Bitmap(s) : c.Screen(s));
        }
    painter.end();
    EXPECT_TRUE(MatchesReference(montage, "raster_line_styles"));
    EXPECT_TRUE(c.prompt.texts.empty());
}

TEST(DevelopmentRasterImage, PickedFaceAndMaterials) {
    LineCase c;
    c.face0->picked = true;
    const Point2 in0 = FaceMiddle(*c.part, *c.face0), in1 = FaceMiddle(*c.part, *c.face1);
    const QImage screen = c.Screen(Settings(), true);
    EXPECT_TRUE(MatchesReference(screen, "raster_picked_face"));
    // Textures give way to the red too.
    c.doc.model->defaultMaterial.texture = QuadrantTexture(8);
    EXPECT_EQ(PixelAt(c.Screen(Settings(), true), c.projection, in0), qRgb(255, 0, 0));
    c.doc.model->defaultMaterial.texture.reset();
    // Bitmap outputs never show the pick mark, nor does the screen when not highlighting.
    EXPECT_TRUE(ColourNear(PixelAt(c.Bitmap(Settings()), c.projection, in0), kFaceBlue));
    EXPECT_TRUE(ColourNear(PixelAt(c.Screen(Settings()), c.projection, in0), kFaceBlue));

    // Index -1 is the default material, an index naming no material too; materials off: white faces.
    Settings settings;
    AddMaterial(c.doc, "Red", {0.9f, 0.1f, 0.1f});
    c.face0->materialIndex = -1;
    c.face1->materialIndex = 0;
    QImage image = c.Bitmap(settings);
    EXPECT_TRUE(ColourNear(PixelAt(image, c.projection, in0), kFaceBlue));
    EXPECT_TRUE(ColourNear(PixelAt(image, c.projection, in1), {0.9f, 0.1f, 0.1f}));
    for (int damaged : {12, -3}) {
        c.face1->materialIndex = damaged;
        EXPECT_TRUE(ColourNear(PixelAt(c.Bitmap(settings), c.projection, in1), kFaceBlue)) << damaged;
    }
    settings.useMaterials = false;
    image = c.Bitmap(settings);
    EXPECT_TRUE(ColourNear(PixelAt(image, c.projection, in0), kWhite));
    EXPECT_TRUE(ColourNear(PixelAt(image, c.projection, in1), kWhite));
}

TEST(DevelopmentRasterImage, PicturesUnderAndAboveTheParts) {
    LineCase c;
    const Rgb green{0.1f, 0.7f, 0.2f};
    // List A overlaps the left half of the square and the flap; list B, mirrored by its negative width,
    // the right edge of the square.
    AddPicture(c.doc, false, {14, 12, 10, 6}, UniformTexture(8, 8, green));
    AddPicture(c.doc, true, {32, 12, -6, 4}, QuadrantTexture(16));
    const RasterProjection projection = RegionProjection(240, 156, 12, 12, 8);
    const QImage image = RenderBitmap(c.doc, Settings(), projection, c.prompt);
    EXPECT_TRUE(MatchesReference(image, "raster_pictures"));
    // A picture without an image, or without a material, shows nothing and breaks nothing.
    AddPicture(c.doc, true, {20, 10, 4, 4}, nullptr);
    auto loose = std::make_unique<ImageBlock>();
    loose->rect[2] = loose->rect[3] = 100;
    c.Dev().imagesA.push_back(std::move(loose));
    EXPECT_EQ(RenderBitmap(c.doc, Settings(), projection, c.prompt), image);
}

TEST(DevelopmentRasterImage, ConcaveFacesAreFilledInsideOnly) {
    Settings settings;
    settings.drawFlaps = false;
    RecordingPrompt prompt;
    Document doc;
    ASSERT_TRUE(BuildCrossPrism(doc).empty());
    ComputeDevelopmentExtent(*doc.development, true);
    Reclassify(doc, settings);
    const Face& top = *doc.model->solids[0]->faces[0]; // the plus, material "Sky"
    // Development position of a point (x, y) of the plus, from three of its corners (the plus is flat).
    const auto place = [&](double x, double y) {
        const HalfEdge* k[3] = {top.Corner(0), top.Corner(1), top.Corner(3)};
        const Vec3 p0 = k[0]->vertex->position, p1 = k[1]->vertex->position, p2 = k[2]->vertex->position;
        const double a1 = p1.x - p0.x, b1 = p1.y - p0.y, a2 = p2.x - p0.x, b2 = p2.y - p0.y;
        const double det = a1 * b2 - a2 * b1;
        const double s = ((x - p0.x) * b2 - a2 * (y - p0.y)) / det;
        const double t = (a1 * (y - p0.y) - (x - p0.x) * b1) / det;
        const Point2 q0 = k[0]->Pos2D(), q1 = k[1]->Pos2D(), q2 = k[2]->Pos2D();
        return Point2{top.part->x, top.part->y} + q0 + (q1 - q0) * s + (q2 - q0) * t;
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
    s.drawEdgeIds = true;
    s.edgeIdFontSizePt = 10;
    ComputeDevelopmentExtent(*doc.development, true);
    Reclassify(doc, s);
    const RasterProjection projection = FrameProjection(*doc.development, 5, 3);

    s.translucentLines = true;
    s.drawEdgeIdsWithGL = true;
    EXPECT_TRUE(MatchesReference(RenderBitmap(doc, s, projection, prompt), "raster_edge_ids_gl"));
    // Edge IDs not shown: no text, whatever the GL switch says.
    s.drawEdgeIds = false;
    const QImage noIds = RenderBitmap(doc, s, projection, prompt);
    s.drawEdgeIdsWithGL = false;
    EXPECT_EQ(RenderBitmap(doc, s, projection, prompt), noIds);
}

// On screen, GL edge IDs whose em covers fewer than two pixels are left out, and lines lose their smoothing
// below half a pixel per millimetre; bitmap outputs keep both at every scale. Smoothed lines leave grey
// pixels of partial coverage, unsmoothed black lines over white faces only black and white.
TEST(DevelopmentRasterImage, ScreenLeavesOutIllegibleGLEdgeIdsAndLineSmoothing) {
    Settings s;
    RecordingPrompt prompt;
    Document doc;
    ASSERT_TRUE(BuildSampleCube(doc).empty());
    s.edgeIdFontSizePt = 10; // an em of 3.53 mm
    s.drawEdgeIdsWithGL = true;
    s.useMaterials = false;
    s.drawFlaps = false;
    s.lineAlpha = 1.0;
    s.mountainLineStyle = kLineSolid;
    s.valleyLineStyle = kLineSolid;
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
        {1.2, true, true, true},    // 4.2 pixels
        {0.55, true, false, true},  // 1.94 pixels
        {0.5, true, false, true},   // lines still smoothed
        {0.49, true, false, false}, // just below half a pixel per millimetre
        {0.55, false, true, true},  // the same sizes in a bitmap output
        {0.49, false, true, true},  // lines smoothed where the screen's are not
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pixelsPerMM) + (c.screen ? " screen" : " bitmap"));
        const RasterProjection projection = FrameProjection(*doc.development, c.pixelsPerMM, 3);
        EXPECT_EQ(RasterSmoothsLines(!c.screen, s, projection), c.smoothed);
        const auto render = [&](bool numbers) {
            s.drawEdgeIds = numbers;
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
    s.translucentLines = false;
    EXPECT_FALSE(RasterSmoothsLines(true, s, RegionProjection(100, 100, 2.0, 0, 0)));
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(DevelopmentRasterImage, DamagedDevelopmentsDrawWithoutCrashing) {
    Settings settings;
    settings.drawEdgeIdsWithGL = true;
    settings.drawEdgeIds = true;
    LineCase c;
    // A face of two corners, a corner at NaN, a null part and a null face pointer, a null line.
    c.part->faces.push_back(c.AddFace({c.solid->vertices[0].get(), c.solid->vertices[1].get()}));
    c.part->faces.push_back(nullptr);
    c.part->lines.push_back(nullptr);
    c.Dev().parts.push_back(nullptr);
    c.face1->Corner(1)->x2d = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(c.Bitmap(settings).isNull());
    // No development, no model: nothing drawn, nothing broken.
    Document empty;
    EXPECT_FALSE(RenderBitmap(empty, settings, c.projection, c.prompt).isNull());
    // No texture source: textured materials fall back to their colour.
    OffscreenBitmap output(c.prompt, c.projection.widthPixels, c.projection.heightPixels);
    ASSERT_TRUE(output.Begin());
    RasterTarget target;
    target.projection = c.projection;
    DrawRaster(c.doc, settings, target, RasterMode{});
    output.Finish();
    output.End();
    EXPECT_TRUE(c.prompt.texts.empty());
}

} // namespace
} // namespace tsm
