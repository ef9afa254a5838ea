// The development view's picture: where the sheets land on screen, the paper with its shadow, outline and
// dotted printable borders, the welcome text, the page labels, and the Document Info values.

#include "sheet/SheetScreen.h"

#include "engine/Extents.h"
#include "model/Settings.h"
#include "sheet/Paper.h"
#include "tests/sheet/RasterFixtures.h"
#include "tests/sheet/ReferenceImage.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Samples.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <tuple>

using namespace tsm;
using namespace tsm::test;

namespace {

SheetLayout A4(int columns, int rows) {
    SheetLayout layout;
    layout.columns = columns;
    layout.rows = rows;
    return layout;
}

bool IsGrey(QRgb pixel, int level, int tolerance = 1) {
    return std::abs(qRed(pixel) - level) <= tolerance && std::abs(qGreen(pixel) - level) <= tolerance &&
           std::abs(qBlue(pixel) - level) <= tolerance;
}

std::vector<LineSwatchKind> Kinds(const DevelopmentInfo& info) {
    return {info.cut.kind, info.mountain.kind, info.valley.kind};
}

int DarkPixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) ++count;
    return count;
}

} // namespace

TEST(SheetScreen, GridLandsCentredAndTruncated) {
    const SheetLayout layout = A4(1, 1); // 210 x 297 mm, margins 15
    ScreenView view;
    view.clientWidth = 400;
    view.clientHeight = 300;
    view.zoom = 1.0;
    // (0 - 105) + 200 and (0 - 148.5) + 150 = 1.5, truncated.
    EXPECT_EQ((std::vector<int>{GridToScreenX(view, layout, 0), GridToScreenY(view, layout, 0),
                                GridToScreenX(view, layout, 210)}),
              (std::vector<int>{95, 1, 305}));
    // Pan moves the sheets by pan x zoom; truncation goes towards zero on both sides of it: (-105 + 10) x 2
    // + 200, (-148.5 - 5) x 2 + 150, and -154.5 towards zero.
    view.panX = 10;
    view.panY = -5;
    view.zoom = 2.0;
    EXPECT_EQ((std::vector<int>{GridToScreenX(view, layout, 0), GridToScreenY(view, layout, 0),
                                GridToScreenY(view, layout, 1.25)}),
              (std::vector<int>{10, -157, -154}));
    // The raster and overlay mapping agrees: development (x, y) is grid (x + 15, y + 15).
    const RasterProjection p = ScreenProjection(view, layout);
    EXPECT_EQ((std::vector<double>{p.ToPixel({0, 0}).x, p.ToPixel({0, 0}).y, double(p.widthPixels),
                                   p.pixelsPerMMX}),
              (std::vector<double>{40, -127, 400, 2}));
    // Huge or broken values give pixels GL can take instead of undefined casts.
    view.panX = 0;
    view.zoom = 1e300;
    EXPECT_EQ(GridToScreenX(view, layout, 1000), 100000000);
    EXPECT_EQ(GridToScreenX(view, layout, -1000), -100000000);
    view.zoom = std::nan("");
    EXPECT_EQ(GridToScreenX(view, layout, 10), 0);
}

TEST(SheetScreen, FitLeavesFifteenPixelsOnEachSide) {
    const SheetLayout layout = A4(2, 1); // sheet area 390 x 297 mm
    // With a development the whole sheet area fits: 470 / 390 is the smaller ratio.
    ScreenView view = FitScreenView(500, 700, layout, true);
    EXPECT_DOUBLE_EQ(view.zoom, 470.0 / 390.0);
    EXPECT_TRUE(view.panX == 0 && view.panY == 0);
    // Without one, the paper of one sheet: 470 / 210 against 670 / 297.
    view = FitScreenView(500, 700, layout, false);
    EXPECT_DOUBLE_EQ(view.zoom, 470.0 / 210.0);
    // The fitted sheet area is centred with at least 15 pixels around it.
    view = FitScreenView(500, 700, layout, true);
    EXPECT_GE(GridToScreenX(view, layout, 0), 14);
    EXPECT_LE(GridToScreenX(view, layout, 390), 486);
    // A client smaller than the margins still gets a usable zoom.
    EXPECT_EQ(FitScreenView(20, 10, layout, true).zoom, 1.0);
    EXPECT_EQ(FitScreenView(0, 0, layout, false).zoom, 1.0);
}

TEST(SheetScreen, PaperShadowOutlineAndDottedBorders) {
    Settings settings;
    settings.bFirstLaunch = false; // no welcome text over the paper
    const SheetLayout layout = A4(1, 1);
    const ScreenView view = FitScreenView(300, 400, layout, false);
    RecordingPrompt prompt;
    const QImage image = RenderScreenImage(nullptr, settings, view, prompt);
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.size(), QSize(300, 400));
    EXPECT_TRUE(prompt.texts.empty());

    const int x0 = GridToScreenX(view, layout, 0), y0 = GridToScreenY(view, layout, 0);
    const int x1 = GridToScreenX(view, layout, 210), y1 = GridToScreenY(view, layout, 297);
    // Background grey 0.5, the paper white inside a one-pixel black outline on its edge pixels. The shadow:
    // 3 pixels right and down, so the right edge shows black from y0 + 3 on, grey above.
    const std::tuple<int, int, int> expected[] = {
        {2, 2, 128},           {x0 - 1, y0 + 20, 128}, {x0, y0, 0},           {x1 - 1, y1 - 1, 0},
        {x0 + 1, y0 + 1, 255}, {x1 - 2, y1 - 2, 255},  {x1 + 1, y0 + 1, 128}, {x1 + 1, y0 + 3, 0},
        {x1 + 2, y1 + 2, 0},   {x1 + 3, y1 + 3, 128},  {x0 + 1, y1 + 1, 128}};
    for (const auto& [x, y, level] : expected)
        EXPECT_TRUE(IsGrey(image.pixel(x, y), level)) << x << ", " << y;

    // The left printable border: 4 pixels grey 0.6, 4 white, from its top end on.
    const int bx = GridToScreenX(view, layout, 15);
    const int top = GridToScreenY(view, layout, 15);
    for (int i = 0; i < 48; ++i) {
        const bool on = (i / 4) % 2 == 0;
        EXPECT_TRUE(IsGrey(image.pixel(bx, top + i), on ? 153 : 255)) << i;
    }
    // The top border likewise along x; the margin between paper edge and border stays white.
    const int left = GridToScreenX(view, layout, 15);
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(IsGrey(image.pixel(left + i, top), (i / 4) % 2 == 0 ? 153 : 255)) << i;
    EXPECT_TRUE(IsGrey(image.pixel(bx - 3, top + 10), 255));
}

TEST(SheetScreen, WelcomeTextOnlyWithoutModelOnFirstLaunch) {
    Settings settings;
    const SheetLayout layout = A4(1, 1);
    const ScreenView view = FitScreenView(400, 300, layout, false);
    RecordingPrompt prompt;
    EXPECT_EQ(std::vector<std::string>(kWelcomeLines, kWelcomeLines + 4),
              (std::vector<std::string>{"Welcome to Tessaly Vuvoza2.",
                                        "Short description is displayed on the status bar.",
                                        "Please see them as a hint of operation.", " "}));

    settings.bFirstLaunch = true;
    const QImage welcome = RenderScreenImage(nullptr, settings, view, prompt);
    settings.bFirstLaunch = false;
    const QImage plain = RenderScreenImage(nullptr, settings, view, prompt);
    // Three visible lines around the middle of the paper, centred: ink left and right of the centre line
    // alike, none in the top or bottom part of the view.
    const int x0 = GridToScreenX(view, layout, 0) + 2, x1 = GridToScreenX(view, layout, 210) - 2;
    const QRect middle(x0, 110, x1 - x0, 80);
    EXPECT_EQ(DarkPixels(plain, middle), 0);
    const int leftInk = DarkPixels(welcome, QRect(x0, 110, 200 - x0, 80));
    const int rightInk = DarkPixels(welcome, QRect(200, 110, 200 - x0, 80));
    EXPECT_GT(leftInk, 100);
    EXPECT_NEAR(double(leftInk) / rightInk, 1.0, 0.3);
    EXPECT_EQ(DarkPixels(welcome, QRect(x0, 25, x1 - x0, 60)), 0);
    EXPECT_EQ(DarkPixels(welcome, QRect(x0, 215, x1 - x0, 60)), 0);

    // With a model open there is no welcome text even on a first launch.
    settings.bFirstLaunch = true;
    Document doc;
    const QImage opened = RenderScreenImage(&doc, settings, view, prompt);
    EXPECT_EQ(DarkPixels(opened, middle), 0);
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(SheetScreen, PageLabelsSitInTheMiddleOfTheirSheets) {
    Settings settings;
    Document doc;
    BuildTexturedCube(doc);
    doc.sheetColumns = 3;
    doc.sheetRows = 2;
    const SheetLayout layout = CurrentSheetLayout(&doc, settings);
    ASSERT_EQ(layout.columns, 3);
    const ScreenView view = FitScreenView(600, 300, layout, true);
    const RasterProjection projection = ScreenProjection(view, layout);

    // Every sheet a page: p.1 to p.6 in print order, each at its printable area's centre.
    settings.bNoPrintBrankPage = false;
    std::vector<PageLabel> labels = BuildPageLabels(doc, settings, layout, projection);
    ASSERT_EQ(labels.size(), 6u);
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(labels[n].text, QString("p.%1").arg(n + 1));
        const Point2 centre = projection.ToPixel({(n % 3 + 0.5) * 180.0, (n / 3 + 0.5) * 267.0});
        EXPECT_DOUBLE_EQ(labels[n].topCentre.x(), centre.x);
        EXPECT_DOUBLE_EQ(labels[n].topCentre.y(), centre.y);
    }
    // Blank sheets are no pages: only the cube's sheet is labelled.
    settings.bNoPrintBrankPage = true;
    labels = BuildPageLabels(doc, settings, layout, projection);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0].text, "p.1");

    // Blue text on an opaque white ground below the given point, centred on it.
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(qRgb(128, 128, 128));
    {
        QPainter painter(&image);
        DrawPageLabels(painter, {{QStringLiteral("p.12"), QPointF(100, 40)}});
    }
    int blue = 0, white = 0, above = 0;
    double sumX = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const QRgb c = image.pixel(x, y);
            if (qBlue(c) > 200 && qRed(c) < 80 && qGreen(c) < 80) {
                ++blue;
                sumX += x + 0.5;
                if (y < 40) ++above;
            }
            if (c == qRgb(255, 255, 255)) ++white;
        }
    EXPECT_GT(blue, 20);
    EXPECT_GT(white, 50);
    EXPECT_EQ(above, 0);
    EXPECT_NEAR(sumX / blue, 100.0, 3.0);
}

TEST(SheetScreen, SheetsOnScreenReference) {
    Settings settings;
    settings.bDrawPageNumber = true;
    settings.bNoPrintBrankPage = false;
    Document doc;
    ASSERT_TRUE(BuildSampleHouse(doc).empty());
    UpdateSheetGrid(doc, Paper::FromSettings(settings), true);
    // Two columns of two sheets with their page labels; at this zoom the texts are their rectangles.
    doc.sheetColumns = 2;
    const SheetLayout layout = CurrentSheetLayout(&doc, settings);
    const ScreenView view = FitScreenView(480, 360, layout, true);
    RecordingPrompt prompt;
    const QImage image = RenderScreenImage(&doc, settings, view, prompt);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_TRUE(MatchesReference(image, "sheets-on-screen"));
}

TEST(DevelopmentInfo, CountsPaperAndSwatches) {
    Settings settings;
    Document doc;
    BuildTexturedCube(doc);
    AddSolid(doc, "Extra", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    DevelopmentInfo info = GetDevelopmentInfo(&doc, settings);
    EXPECT_EQ(info.faceCount, 7); // faces of every solid, in a part or not
    EXPECT_EQ(info.partCount, int(doc.development->parts.size()));
    EXPECT_EQ(info.paperType, "A4 Portrait");
    // Defaults: solid cut, mountain dashed with its pattern (style 3), valley with its own (style 2).
    EXPECT_EQ(Kinds(info), (std::vector<LineSwatchKind>{LineSwatchKind::Solid, LineSwatchKind::Dashed,
                                                        LineSwatchKind::Dashed}));
    EXPECT_EQ(info.mountain.patternMM[0], 1.0);
    EXPECT_EQ(info.valley.patternMM[2], 0.5);

    settings.iPaperSize = kPaperB1;
    settings.iPaperOrientation = 1;
    settings.iCutLineStyle = settings.iValleyLineStyle = 1;
    settings.iMountainLineStyle = 0;
    info = GetDevelopmentInfo(&doc, settings);
    EXPECT_EQ(info.paperType, "B1 Landscape");
    EXPECT_EQ(Kinds(info), (std::vector<LineSwatchKind>{LineSwatchKind::None, LineSwatchKind::Solid,
                                                        LineSwatchKind::None}));

    // Letter, legal and custom have no name here; any cut style but 1 is solid; a fold style outside the
    // table is dashed with the fold's own pattern.
    settings.iPaperOrientation = 0;
    for (int code : {int(kPaperLetter), int(kPaperLegal), int(kPaperCustom), 99, -1}) {
        settings.iPaperSize = code;
        EXPECT_EQ(GetDevelopmentInfo(&doc, settings).paperType, " Portrait") << code;
    }
    settings.iCutLineStyle = 3;
    settings.iMountainLineStyle = 7;
    settings.iValleyLineStyle = 3; // the mountain pattern's value, still the valley's pattern
    info = GetDevelopmentInfo(&doc, settings);
    EXPECT_EQ(Kinds(info), (std::vector<LineSwatchKind>{LineSwatchKind::Solid, LineSwatchKind::Dashed,
                                                        LineSwatchKind::Dashed}));
    EXPECT_EQ(info.mountain.patternMM[1], 1.0);
    EXPECT_EQ(info.valley.patternMM[0], 2.0);

    // No document: nothing counted.
    info = GetDevelopmentInfo(nullptr, settings);
    EXPECT_TRUE(info.faceCount == 0 && info.partCount == 0);
}

TEST(DevelopmentInfo, SwatchesDrawTheirLines) {
    const auto row = [](const LineSwatch& swatch) {
        QImage image(40, 11, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawLineSwatch(painter, QRect(0, 0, 40, 11), swatch, 4.0);
        painter.end();
        std::string line;
        for (int x = 0; x < 40; ++x) line += qGray(image.pixel(x, 5)) < 128 ? '#' : '.';
        return line;
    };
    LineSwatch solid;
    EXPECT_EQ(row(solid), std::string(40, '#'));
    // 1 mm dash, 1 mm gap at 4 pixels per mm.
    LineSwatch mountain;
    mountain.kind = LineSwatchKind::Dashed;
    const double pattern[6] = {1.0, 1.0, -1, -1, -1, -1};
    std::copy(pattern, pattern + 6, mountain.patternMM);
    EXPECT_EQ(row(mountain), "####....####....####....####....####....");
    // "None" is text in the middle: ink, but not a line across.
    LineSwatch none;
    none.kind = LineSwatchKind::None;
    const std::string text = row(none);
    EXPECT_EQ(text.front(), '.');
    EXPECT_EQ(text.back(), '.');
    // A pattern that starts below 0.01 draws nothing.
    mountain.patternMM[0] = -1;
    EXPECT_EQ(row(mountain), std::string(40, '.'));
}
