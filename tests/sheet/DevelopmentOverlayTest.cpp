// The overlay drawn over the development's raster: texts sized to the device, rectangles for unreadable
// texts on screen, and edge IDs turned with their edges, centred on them and hidden when too small.

#include "sheet/DevelopmentOverlay.h"

#include "model/Settings.h"
#include "sheet/EdgeLabelDrawing.h"
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
    Face* square = nullptr;
    Face* triangle = nullptr;
    Part* squarePart = nullptr;
    Part* trianglePart = nullptr;

    OverlayFixture() {
        square = AddFace({AddVertex(0, 0), AddVertex(0, 10), AddVertex(10, 10), AddVertex(10, 0)});
        triangle = AddFace({AddVertex(0, 0, 1), AddVertex(0, 10, 1), AddVertex(10, 0, 1)});
        PairEdges();
        squarePart = AddPart({square});
        trianglePart = AddPart({triangle});
        MakeLines(squarePart);
        MakeLines(trianglePart);
        const int ids[4] = {7, 10, 123, 4};
        for (int i = 0; i < 4; ++i) square->Corner(i)->edge->edgeId = ids[i];
        triangle->Corner(1)->edge->edgeId = 55;
        squarePart->x = 20, squarePart->y = 30, trianglePart->x = 40, trianglePart->y = 30;
    }

    TextBlock& Text(double x, double y, double w, double h, std::vector<std::string> lines, int size,
                    int32_t colour = 0) {
        auto block = std::make_unique<TextBlock>();
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

// Placed as written, as the EPS output places them.
TEST(DevelopmentOverlay, EdgeIdsTurnWithTheirEdgesCentredOnTheFacesSide) {
    Settings settings;
    settings.drawEdgeIds = true;
    settings.edgeLabelsAsWritten = true;
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
        settings.invertEdgeIds = inverted;
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

TEST(DevelopmentOverlay, EdgeIdsHideAtThreeOrLess) {
    Settings s;
    s.drawEdgeIds = true;
    s.edgeLabelsAsWritten = true;
    s.edgeIdFontSizePt = 3;
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
    s.drawEdgeIds = false;
    EXPECT_TRUE(EdgeIds(BuildOverlay(f.doc, s, Projection(), OverlayMode::Screen, device)).empty());
    s.drawEdgeIds = true;
    s.drawEdgeIdsWithGL = true;
    EXPECT_TRUE(EdgeIds(BuildOverlay(f.doc, s, Projection(), OverlayMode::Screen, device)).empty());
}

// By the readable rules: the placement's labels, each text's measured middle on its box's middle and its
// baseline half a cap height below it; the leader of a label with no room runs from its edge to its box.
TEST(DevelopmentOverlay, ReadableLabelsStandWhereThePlacementPutsThem) {
    Settings settings;
    settings.drawEdgeIds = true;
    settings.edgeLabelMinCapMM = 5.0; // too tall for the triangle: its label takes a leader
    OverlayFixture f;
    const QImage device = Device();
    const std::vector<EdgeLabel> labels = ReadableEdgeLabels(f.Dev(), settings);
    ASSERT_EQ(labels.size(), 5u);
    EXPECT_EQ(labels[4].spot, EdgeLabelSpot::Leader);
    size_t next = 0;
    for (const OverlayItem& item : BuildOverlay(f.doc, settings, Projection(), OverlayMode::Print, device)) {
        ASSERT_LT(next, labels.size());
        const EdgeLabel& label = labels[next];
        if (item.kind == OverlayItem::Kind::Line) {
            ASSERT_EQ(label.spot, EdgeLabelSpot::Leader);
            EXPECT_NEAR(item.origin.x(), Projection().ToPixel(label.leaderStartMM).x, 1e-9);
            EXPECT_NEAR(item.end.y(), Projection().ToPixel(label.leaderEndMM).y, 1e-9);
            continue;
        }
        ++next;
        EXPECT_EQ(item.text.toStdString(), label.text);
        const Baseline b = BaselineOf(item, device);
        const Point2 centre = Projection().ToPixel(label.centreMM);
        const double halfCap = 0.35 * label.sizeMM * 4.0;
        EXPECT_NEAR(b.middle.x() + b.up.x() * halfCap, centre.x, 1e-6) << label.text;
        EXPECT_NEAR(b.middle.y() + b.up.y() * halfCap, centre.y, 1e-6) << label.text;
    }
    EXPECT_EQ(next, labels.size());
}

TEST(DevelopmentOverlay, DamagedTextsDrawNothingHarmful) {
    Settings settings;
    settings.drawEdgeIds = true;
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
