// The overlay drawn over the development's raster: texts sized to the device, rectangles for unreadable
// texts on screen, and edge IDs turned with their edges, centred on them and hidden when too small.

#include "sheet/DevelopmentOverlay.h"

#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <cmath>

using namespace tsm;
using namespace tsm::test;

namespace {

constexpr double kPi = 3.14159265358979323846;

// A 10 mm square part (corners v0 (0,0), v1 (0,10), v2 (10,10), v3 (10,0) in ring order) placed at (20, 30)
// with edge IDs 7 (left), 10 (bottom), 123 (right) and 4 (top), and a right triangle part (0,0), (0,10),
// (10,0) at (40, 30) whose hypotenuse carries 55 and whose other edges carry none.
struct OverlayFixture : DevelopmentFixture {
    CFace* square = nullptr;
    CFace* triangle = nullptr;
    CPart* squarePart = nullptr;
    CPart* trianglePart = nullptr;

    OverlayFixture() {
        square = Face({Vertex(0, 0), Vertex(0, 10), Vertex(10, 10), Vertex(10, 0)});
        triangle = Face({Vertex(0, 0, 1), Vertex(0, 10, 1), Vertex(10, 0, 1)});
        PairEdges();
        squarePart = Part({square});
        trianglePart = Part({triangle});
        MakeLines(squarePart);
        MakeLines(trianglePart);
        const int ids[4] = {7, 10, 123, 4};
        for (int i = 0; i < 4; ++i) square->Corner(i)->edge->edgeId = ids[i];
        triangle->Corner(1)->edge->edgeId = 55;
        squarePart->x = 20, squarePart->y = 30, trianglePart->x = 40, trianglePart->y = 30;
    }

    CTextBlock& Text(double x, double y, double w, double h, std::vector<std::string> lines, int size,
                     int32_t colour = 0) {
        auto block = std::make_unique<CTextBlock>();
        block->rect[0] = x, block->rect[1] = y, block->rect[2] = w, block->rect[3] = h;
        block->lines = std::move(lines);
        block->fontSize = size;
        block->color = colour;
        Dev().texts.push_back(std::move(block));
        return *Dev().texts.back();
    }
};

QImage Device(int width = 200, int height = 200) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// 4 pixels per mm with development (15, 25) at the device's top left: the square spans pixels 20..60 in
// x and y, the triangle 100..140 in x.
RasterProjection Projection(double pixelsPerMM = 4.0) {
    return RegionProjection(200, 200, pixelsPerMM, 15, 25);
}

std::vector<OverlayItem> EdgeIds(const std::vector<OverlayItem>& items) {
    std::vector<OverlayItem> ids;
    for (const OverlayItem& item : items)
        if (item.edgeId != -1) ids.push_back(item);
    return ids;
}

// Where the baseline's middle lies, and the direction the glyphs stand up to, on the device.
struct Baseline {
    QPointF middle;
    QPointF up;
};
Baseline BaselineOf(const OverlayItem& item, const QPaintDevice& device) {
    const double width =
        QFontMetricsF(item.font, const_cast<QPaintDevice*>(&device)).horizontalAdvance(item.text);
    const double phi = item.angleDegrees * kPi / 180;
    const QPointF along(std::cos(phi), std::sin(phi));
    return {item.origin + along * (width / 2), QPointF(std::sin(phi), -std::cos(phi))};
}

} // namespace

TEST(OverlayFontSize, DegenerateDevicesGiveZero) {
    // The ordinary sizes are checked where the overlay uses them.
    EXPECT_EQ(OverlayFontSize(10, 4, 0), 0.0);
    EXPECT_EQ(OverlayFontSize(10, 1e308, 1e-300), 0.0);
}

TEST(DevelopmentOverlay, EdgeIdsTurnWithTheirEdgesCentredOnTheFacesSide) {
    Settings settings;
    settings.bDrawNumber = true;
    OverlayFixture f;
    const QImage device = Device();
    // Part by part, corner by corner; the triangle's edges without ID are left out. Not mirrored and not
    // inverted: A is the next corner, B the corner itself. The bottom edge runs from A (10,10) to B (0,10),
    // B left of A: angle 0. The top edge has B right of A: pi, upside down. Left edge: asin(-1), a quarter
    // turn clockwise as seen; right edge asin(1). The hypotenuse from A (10,0) to B (0,10): asin(0.707) = 45
    // degrees counter-clockwise. The painter turns the other way round.
    const char* texts[5] = {"7", "10", "123", "4", "55"};
    const double angles[5] = {90, 0, -90, 180, -45};
    // Device midpoints of the edges and the faces' middles.
    const QPointF mids[5] = {{20, 40}, {40, 60}, {60, 40}, {40, 20}, {120, 40}};
    const QPointF centres[5] = {{40, 40}, {40, 40}, {40, 40}, {40, 40}, {113.3, 33.3}};
    for (const bool inverted : {false, true}) {
        settings.bInvertEdgeID = inverted;
        const std::vector<OverlayItem> ids =
            EdgeIds(BuildOverlay(f.doc, settings, Projection(), OverlayMode::Print, device));
        ASSERT_EQ(ids.size(), 5u);
        const double lift = kEdgeIdLiftEm * ids[0].font.pointSizeF() * device.logicalDpiY() / 72.0;
        for (size_t i = 0; i < ids.size(); ++i) {
            SCOPED_TRACE(texts[i]);
            EXPECT_EQ(ids[i].text, texts[i]);
            if (!inverted) {
                EXPECT_NEAR(i == 3 ? std::abs(ids[i].angleDegrees) : ids[i].angleDegrees, angles[i], 1e-9);
            }
            const Baseline b = BaselineOf(ids[i], device);
            // The middle of the measured width sits on the edge's midpoint, lifted off the edge.
            const QPointF off = b.middle - mids[i];
            EXPECT_NEAR(off.x(), b.up.x() * lift, 1e-9);
            EXPECT_NEAR(off.y(), b.up.y() * lift, 1e-9);
            // The glyphs stand towards the face, or away from it when inverted.
            const QPointF inward = centres[i] - mids[i];
            EXPECT_EQ(b.up.x() * inward.x() + b.up.y() * inward.y() > 0, !inverted);
        }
    }
    // A mirrored development puts them back on the face's side.
    f.Dev().reversed = true;
    const std::vector<OverlayItem> ids =
        EdgeIds(BuildOverlay(f.doc, settings, Projection(), OverlayMode::Print, device));
    EXPECT_LT(BaselineOf(ids[1], device).up.y(),
              0); // bottom edge: the number stands upwards, into the square
}

TEST(DevelopmentOverlay, PaintedEdgeIdIsCentredOnItsEdge) {
    Settings settings;
    settings.bDrawNumber = true;
    settings.iEdgeIDfontSizePoint = 12;
    OverlayFixture f;
    f.Dev().parts.pop_back(); // the square alone
    for (int i : {0, 2}) f.square->Corner(i)->edge->edgeId = -1;
    f.square->Corner(3)->edge->edgeId = 88; // top, upside down
    f.square->Corner(1)->edge->edgeId = 88; // bottom, upright
    QImage image = Device();
    {
        QPainter painter(&image);
        DrawOverlay(painter, f.doc, settings, Projection(), OverlayMode::Print);
    }
    // The ink of each number: its horizontal middle is the edge's (x = 40), and it lies inside the square
    // (between y 20 and 60), next to its own edge.
    for (const auto& [fromY, toY] : {std::pair{0, 40}, std::pair{40, 200}}) {
        double sumX = 0;
        int count = 0, minY = 1000, maxY = -1;
        for (int y = fromY; y < toY; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    sumX += x + 0.5;
                    ++count;
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                }
        ASSERT_GT(count, 10) << fromY;
        EXPECT_NEAR(sumX / count, 40.0, 1.0) << fromY;
        EXPECT_GE(minY, 20) << fromY;
        EXPECT_LT(maxY, 60) << fromY;
    }
}

TEST(DevelopmentOverlay, EdgeIdsHideAtThreeOrLess) {
    Settings s;
    s.bDrawNumber = true;
    s.iEdgeIDfontSizePoint = 3;
    OverlayFixture f;
    const QImage device = Device();
    const double oneToOne = device.logicalDpiY() / 25.4;
    // Exactly 3 on the device: hidden; a little more: shown.
    ASSERT_EQ(OverlayFontSize(3, oneToOne, device.logicalDpiY()), 3.0);
    EXPECT_TRUE(EdgeIds(BuildOverlay(f.doc, s, Projection(oneToOne), OverlayMode::Screen, device)).empty());
    EXPECT_EQ(
        EdgeIds(BuildOverlay(f.doc, s, Projection(oneToOne * 1.01), OverlayMode::Screen, device)).size(), 5u);
    EXPECT_TRUE(
        EdgeIds(BuildOverlay(f.doc, s, Projection(oneToOne * 0.99), OverlayMode::Print, device)).empty());
    // Not shown at all, or drawn by the GL renderer instead.
    s.bDrawNumber = false;
    EXPECT_TRUE(EdgeIds(BuildOverlay(f.doc, s, Projection(), OverlayMode::Screen, device)).empty());
    s.bDrawNumber = true;
    s.bUseOpenGLToDrawEdgeID = true;
    EXPECT_TRUE(EdgeIds(BuildOverlay(f.doc, s, Projection(), OverlayMode::Screen, device)).empty());
}

TEST(DevelopmentOverlay, TextLinesAreSpreadOverTheirRect) {
    OverlayFixture f;
    // 20 mm high, two lines 2 mm apart: each line 9 mm, the second starting 11 mm below the first.
    f.Text(20, 50, 40, 20, {"Alpha", "Beta"}, 10, 0x000000FF);
    const QImage device = Device();
    const std::vector<OverlayItem> items =
        BuildOverlay(f.doc, Settings(), Projection(), OverlayMode::Print, device);
    ASSERT_EQ(items.size(), 2u);
    const double ascent = QFontMetricsF(items[0].font, const_cast<QImage*>(&device)).ascent();
    EXPECT_EQ(items[0].text + " " + items[1].text, "Alpha Beta");
    EXPECT_DOUBLE_EQ(items[0].origin.x(), 20.0);
    EXPECT_DOUBLE_EQ(items[0].origin.y(), 100.0 + ascent); // (50 - 25) x 4, top-aligned
    EXPECT_DOUBLE_EQ(items[1].origin.y(), 144.0 + ascent); // (61 - 25) x 4
    EXPECT_EQ(items[0].angleDegrees, 0.0);
    EXPECT_EQ(items[0].colour, QColor(255, 0, 0)); // 0x00BBGGRR
    EXPECT_NEAR(items[0].font.pointSizeF(), 10 * 4 / (96 / 25.4), 1e-9);
}

TEST(DevelopmentOverlay, SmallTextsBecomeRectanglesOnScreenOnly) {
    OverlayFixture f;
    const QImage device = Device();
    const double oneToOne = device.logicalDpiY() / 25.4;
    f.Text(20, 30, 10, 5, {"four"}, 4, 0x00FF0000);
    f.Text(40, 30, 10, 5, {"three"}, 3, 0x00FF0000);
    ASSERT_EQ(OverlayFontSize(4, oneToOne, device.logicalDpiY()), 4.0);
    // At exactly 4 the text is written; below it the screen shows its rect, print nothing.
    std::vector<OverlayItem> items =
        BuildOverlay(f.doc, Settings(), Projection(oneToOne), OverlayMode::Screen, device);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(items[0].kind == OverlayItem::Kind::Text && items[0].text == "four");
    EXPECT_TRUE(items[1].kind == OverlayItem::Kind::Rect && items[1].colour == QColor(0, 0, 255));
    items = BuildOverlay(f.doc, Settings(), Projection(oneToOne), OverlayMode::Print, device);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].text, "four");

    // Zoomed out to 1 pixel per mm both are rectangles: (20, 30) - (30, 35) lands on (5, 5) - (15, 10).
    items = BuildOverlay(f.doc, Settings(), Projection(1.0), OverlayMode::Screen, device);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].rect, QRect(5, 5, 10, 5));
    QImage image = Device(40, 20);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing); // the outline stays one whole pixel anyway
        PaintOverlay(painter, {items[0]});
    }
    // The outline only, not filled.
    const QRgb blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
    for (const auto& [x, y, colour] :
         {std::tuple{5, 5, blue}, std::tuple{15, 10, blue}, std::tuple{10, 5, blue}, std::tuple{10, 7, white},
          std::tuple{16, 10, white}, std::tuple{10, 4, white}})
        EXPECT_EQ(image.pixel(x, y), colour) << x << ", " << y;
}

TEST(DevelopmentOverlay, TextBytesAreDecodedFromTheWritersCodePage) {
    OverlayFixture f;
    f.Text(20, 30, 40, 10, {"\x80 5 \xE9t\xE9"}, 20).fontName = "Times New Roman";
    const QImage device = Device();
    const std::vector<OverlayItem> items =
        BuildOverlay(f.doc, Settings(), Projection(), OverlayMode::Print, device);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].text, QString::fromUtf8("\u20AC 5 \u00E9t\u00E9"));
    EXPECT_EQ(items[0].font.family(), "Times New Roman");
}

TEST(DevelopmentOverlay, DamagedTextsDrawNothingHarmful) {
    Settings settings;
    settings.bDrawNumber = true;
    OverlayFixture f;
    f.Text(20, 30, 40, 10, {}, 20);               // no lines
    f.Text(std::nan(""), 30, 40, 10, {"nan"}, 1); // no place, too small: no rect either
    f.Text(20, 30, 40, 10, {"huge"}, 2000000000); // far larger than any device
    f.Text(20, 30, 1e300, -1e300, {"far"}, 1);    // a rect beyond int
    f.square->Corner(0)->x2d = std::nan("");      // an edge without place
    QImage image = Device();
    std::vector<OverlayItem> items = BuildOverlay(f.doc, settings, Projection(), OverlayMode::Screen, image);
    size_t texts = 0, rects = 0;
    for (const OverlayItem& item : items) {
        if (item.kind == OverlayItem::Kind::Rect) {
            ++rects;
            continue;
        }
        if (item.edgeId == -1) ++texts;
        EXPECT_TRUE(std::isfinite(item.origin.x()));
        EXPECT_LE(item.font.pointSizeF(), 20000.0);
    }
    EXPECT_EQ(texts, 1u);
    EXPECT_EQ(rects, 1u);
    QPainter painter(&image);
    PaintOverlay(painter, items);
    // Without a development there is nothing to draw.
    Document empty;
    EXPECT_TRUE(BuildOverlay(empty, settings, Projection(), OverlayMode::Screen, image).empty());
}
