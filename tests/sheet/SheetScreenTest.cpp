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

using namespace tsm;
using namespace tsm::test;

namespace {

SheetLayout A4(int columns, int rows) {
    SheetLayout layout;
    layout.columns = columns;
    layout.rows = rows;
    return layout;
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

TEST(SheetScreen, WelcomeTextOnlyWithoutModelOnFirstLaunch) {
    Settings settings;
    const SheetLayout layout = A4(1, 1);
    const ScreenView view = FitScreenView(400, 300, layout, false);
    RecordingPrompt prompt;
    settings.firstLaunch = true;
    const QImage welcome = RenderScreenImage(nullptr, settings, view, prompt);
    settings.firstLaunch = false;
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
    settings.firstLaunch = true;
    Document doc;
    const QImage opened = RenderScreenImage(&doc, settings, view, prompt);
    EXPECT_EQ(DarkPixels(opened, middle), 0);
    EXPECT_TRUE(prompt.texts.empty());
}

TEST(SheetScreen, SheetsOnScreenReference) {
    Settings settings;
    settings.drawPageNumbers = true;
    settings.skipBlankPages = false;
    Document doc;
    ASSERT_TRUE(BuildSampleHouse(doc).empty());
    UpdateSheetGrid(doc, Paper::FromSettings(settings), true);
    // Two columns of two sheets with their page labels (blue on white, centred below their point); at this
    // zoom the texts are their rectangles.
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

    settings.paperSize = kPaperB1;
    settings.paperOrientation = 1;
    settings.cutLineStyle = settings.valleyLineStyle = 1;
    settings.mountainLineStyle = 0;
    info = GetDevelopmentInfo(&doc, settings);
    EXPECT_EQ(info.paperType, "B1 Landscape");
    EXPECT_EQ(Kinds(info), (std::vector<LineSwatchKind>{LineSwatchKind::None, LineSwatchKind::Solid,
                                                        LineSwatchKind::None}));

    // Letter, legal and custom have no name here; any cut style but 1 is solid; a fold style outside the
    // table is dashed with the fold's own pattern.
    settings.paperOrientation = 0;
    for (int code : {int(kPaperLetter), int(kPaperLegal), int(kPaperCustom), 99, -1}) {
        settings.paperSize = code;
        EXPECT_EQ(GetDevelopmentInfo(&doc, settings).paperType, " Portrait") << code;
    }
    settings.cutLineStyle = 3;
    settings.mountainLineStyle = 7;
    settings.valleyLineStyle = 3; // the mountain pattern's value, still the valley's pattern
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
