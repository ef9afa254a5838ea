#include "engine/Layout.h"

#include "engine/Extents.h"
#include "engine/PartEdits.h"
#include "model/Settings.h"
#include "tests/engine/DevelopmentFixture.h"
#include "tests/engine/FlatOverlap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

// A rectangular part of w x h millimetres (one quad face, no flaps), measured.
Part* AddRectPart(DevelopmentFixture& fx, double w, double h) {
    Vertex* a = fx.AddVertex(0, 0);
    Vertex* b = fx.AddVertex(w, 0);
    Vertex* c = fx.AddVertex(w, h);
    Vertex* d = fx.AddVertex(0, h);
    Face* face = fx.AddFace({a, b, c, d});
    Part* part = fx.AddPart({face});
    ComputePartExtent(*part);
    part->x = part->y = 0;
    return part;
}

// For the cases that do not look at the default flap height the layout scales along.
void LayoutParts(Development& development, double modelSize, const LayoutMethod& method,
                 const SheetArea& sheet) {
    double flapHeightMM = DisplaySettings().defaultFlapHeightMM;
    tsm::LayoutParts(development, modelSize, method, sheet, flapHeightMM);
}

LayoutMethod Fixed(double spacingMM, bool avoidPageBreaks) {
    LayoutMethod method;
    method.automatic = false;
    method.spacingMM = spacingMM;
    method.avoidPageBreaks = avoidPageBreaks;
    return method;
}

// Whether the part with its spacing, as placed, crosses a sheet boundary.
bool Straddles(const Part& p, double s, double pw, double ph) {
    const double x = p.x - s / 2, y = p.y - s / 2;
    return std::trunc(x / pw) != std::trunc((x + p.width + s) / pw) ||
           std::trunc(y / ph) != std::trunc((y + p.height + s) / ph);
}

} // namespace

TEST(Layout, TwoSquaresStackOnPortraitAndSitSideBySideOnLandscape) {
    // The paper-shaped rectangle around them stays smaller: one above the other on portrait, side by side
    // on landscape.
    for (const bool portrait : {true, false}) {
        DevelopmentFixture fx;
        Part* a = AddRectPart(fx, 50, 50);
        Part* b = AddRectPart(fx, 50, 50);
        LayoutParts(fx.Dev(), 100, Fixed(10, false),
                    portrait ? SheetArea{180, 267, {}} : SheetArea{267, 180, {}});
        EXPECT_EQ(std::vector<double>({a->x, a->y, b->x, b->y}),
                  portrait ? std::vector<double>({5, 5, 5, 65}) : std::vector<double>({5, 5, 65, 5}));
    }
}

TEST(Layout, LargestFirstAndEqualAreasKeepTheirOrder) {
    DevelopmentFixture fx;
    Part* small = AddRectPart(fx, 10, 10);
    Part* wide = AddRectPart(fx, 30, 20);
    Part* tall = AddRectPart(fx, 20, 30);
    LayoutParts(fx.Dev(), 100, Fixed(10, false), SheetArea{180, 267, {}});
    // The largest area is placed first at the origin; of the two equal areas the earlier one wins it.
    EXPECT_DOUBLE_EQ(wide->x, 5);
    EXPECT_DOUBLE_EQ(wide->y, 5);
    EXPECT_FALSE(tall->x == 5 && tall->y == 5);
    EXPECT_FALSE(small->x == 5 && small->y == 5);
    EXPECT_EQ(test::OverlappingPartBoxes(fx.Dev()), 0);
}

TEST(Layout, AutoScalesTheArrangementToFitOneSheetExactly) {
    DevelopmentFixture fx;
    const double sizes[][2] = {{40, 25}, {12, 30}, {22, 22}, {60, 8}, {5, 5}, {33, 17}};
    for (auto& s : sizes) AddRectPart(fx, s[0], s[1]);
    double flapHeightMM = 5.0;
    LayoutMethod method; // automatic
    const double modelSize = 80;
    const double pw = 180, ph = 267;
    LayoutParts(fx.Dev(), modelSize, method, SheetArea{pw, ph, {}}, flapHeightMM);
    const double k = fx.Dev().scale;
    EXPECT_NE(k, 1.0);
    // Spacing is 5 % of the model's size, scaled with everything else; half of it lies beyond the parts.
    const double s = method.spacingPercent * modelSize / 100 * k;
    double right = 0, bottom = 0;
    for (auto& p : fx.Dev().parts) {
        right = std::max(right, p->x + p->width + s / 2);
        bottom = std::max(bottom, p->y + p->height + s / 2);
        EXPECT_GE(p->x, s / 2 - 1e-9);
        EXPECT_GE(p->y, s / 2 - 1e-9);
    }
    EXPECT_LE(right, pw + 1e-9);
    EXPECT_LE(bottom, ph + 1e-9);
    EXPECT_TRUE(std::fabs(right - pw) < 1e-9 || std::fabs(bottom - ph) < 1e-9) << right << " " << bottom;
    EXPECT_EQ(test::OverlappingPartBoxes(fx.Dev()), 0);
    // The default flap height is scaled too and kept to tenths of a millimetre.
    EXPECT_DOUBLE_EQ(flapHeightMM, std::trunc(5.0 * k * 10 + 0.5) * 0.1);
}

TEST(Layout, PartsThatFitASheetNeverStraddleOne) {
    const double pw = 100, ph = 100, s = 10;
    auto build = [](DevelopmentFixture& fx) {
        for (int i = 0; i < 7; ++i) AddRectPart(fx, 45, 35);
        return AddRectPart(fx, 150, 30); // wider than a sheet
    };
    {
        DevelopmentFixture fx;
        Part* wide = build(fx);
        LayoutParts(fx.Dev(), 100, Fixed(s, true), SheetArea{pw, ph, {}});
        for (auto& p : fx.Dev().parts) {
            if (p.get() != wide) {
                EXPECT_FALSE(Straddles(*p, s, pw, ph)) << p->x << "," << p->y;
            }
        }
        // The part that fits no sheet is placed by its score and crosses a boundary.
        EXPECT_TRUE(Straddles(*wide, s, pw, ph));
        EXPECT_EQ(test::OverlappingPartBoxes(fx.Dev()), 0);
    }
    {
        // Guards the check above: without the option the same parts do straddle sheets.
        DevelopmentFixture fx;
        Part* wide = build(fx);
        LayoutParts(fx.Dev(), 100, Fixed(s, false), SheetArea{pw, ph, {}});
        int straddling = 0;
        for (auto& p : fx.Dev().parts) straddling += p.get() != wide && Straddles(*p, s, pw, ph);
        EXPECT_GT(straddling, 0);
        EXPECT_EQ(test::OverlappingPartBoxes(fx.Dev()), 0);
    }
}

TEST(Layout, SheetsFillOneAfterAnotherRowByRowInASquareGrid) {
    DevelopmentFixture fx;
    std::vector<Part*> parts;
    for (int i = 0; i < 5; ++i) parts.push_back(AddRectPart(fx, 80, 80));
    Part* small = AddRectPart(fx, 10, 85); // fits beside the first large one, not on a sheet of its own
    LayoutParts(fx.Dev(), 100, Fixed(5, true), SheetArea{100, 100, {}});
    // Five sheets, three to a row.
    const double expected[][2] = {{2.5, 2.5}, {102.5, 2.5}, {202.5, 2.5}, {2.5, 102.5}, {102.5, 102.5}};
    for (size_t i = 0; i < parts.size(); ++i)
        EXPECT_EQ(std::vector<double>({parts[i]->x, parts[i]->y}),
                  std::vector<double>({expected[i][0], expected[i][1]}))
            << i;
    EXPECT_EQ(std::vector<double>({small->x, small->y}), std::vector<double>({87.5, 2.5}));
}

TEST(Layout, BadSheetOrEmptyDevelopmentChangesNothing) {
    DevelopmentFixture fx;
    Part* part = AddRectPart(fx, 10, 10);
    // A sheet without printable area cannot take parts; they stay where they are.
    LayoutParts(fx.Dev(), 100, Fixed(10, true), SheetArea{0, 267, {}});
    LayoutParts(fx.Dev(), 100, Fixed(10, true), SheetArea{180, std::nan(""), {}});
    EXPECT_EQ(part->x, 0);
    EXPECT_EQ(part->y, 0);
    DevelopmentFixture empty;
    LayoutParts(empty.Dev(), 100, LayoutMethod{}, SheetArea{180, 267, {}});
    EXPECT_EQ(empty.Dev().frame[2], 0);
}

TEST(Layout, RecalculateRescalesThenLaysOut) {
    // Automatic: back to scale 1.0, then the layout scales the arrangement onto one sheet.
    DevelopmentFixture fx;
    fx.doc.model->size = 50;
    AddRectPart(fx, 40, 20);
    AddRectPart(fx, 30, 30);
    ScaleDevelopment(fx.Dev(), 2.0, false);
    RecalculatePartsLayout(fx.doc, LayoutMethod{}, SheetArea{180, 267, {}});
    const double s = 5.0 * 50 / 100 * fx.Dev().scale;
    double right = 0;
    for (auto& p : fx.Dev().parts) right = std::max(right, p->x + p->width + s / 2);
    EXPECT_NEAR(right, 180, 1e-9);
    // Without a development nothing happens.
    Document none;
    RecalculatePartsLayout(none, LayoutMethod{}, SheetArea{180, 267, {}});
    EXPECT_EQ(none.development, nullptr);
}

// Texts across a sheet border or beyond the first sheet come onto the nearest sheet the parts lie on, moved
// as little as it takes; texts already on a sheet, even one the parts leave empty, stay.
TEST(Layout, TextsOffTheSheetsComeBackOntoTheNearestPartSheet) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double rect[4];
        double expected[2]; // x, y afterwards
    } cases[] = {
        {{10, 10, 30, 10}, {10, 10}},   // on the first sheet
        {{-5, 10, 30, 10}, {0, 10}},    // left of it
        {{10, -40, 30, 10}, {10, 0}},   // above it
        {{90, 10, 30, 10}, {70, 10}},   // across the border to the second column: onto the first
        {{150, 10, 30, 10}, {150, 10}}, // on a sheet the parts leave empty
        {{390, 30, 30, 10}, {70, 30}},  // across a border beyond the parts: onto the last part column
        {{40, 10, -30, 10}, {40, 10}},  // negative width, inside
        {{20, 10, -30, 10}, {30, 10}},  // negative width, out on the left
        {{10, 195, 30, 10}, {10, 190}}, // across the bottom of the only row
        {{-20, -20, 250, 10}, {0, 0}},  // wider than a sheet: to its top left
        {{nan, 10, 30, 10}, {nan, 10}}, // nothing to measure: left alone
        {{69.9999999, 1, 30.0000005, 1}, {69.9999999, 1}}, // against the border within the tolerance
    };
    for (const auto& c : cases) {
        DevelopmentFixture fx;
        Part* part = AddRectPart(fx, 50, 50);
        part->x = 20;
        TextBlock text;
        std::copy(c.rect, c.rect + 4, text.rect);
        AddText(fx.Dev(), text);
        BringTextsOntoSheets(fx.Dev(), {100, 200, {}});
        const double* r = fx.Dev().texts[0]->rect;
        const std::string label = std::to_string(c.rect[0]) + "," + std::to_string(c.rect[1]);
        if (std::isnan(c.expected[0]))
            EXPECT_TRUE(std::isnan(r[0])) << label;
        else
            EXPECT_NEAR(r[0], c.expected[0], 1e-9) << label;
        EXPECT_NEAR(r[1], c.expected[1], 1e-9) << label;
        EXPECT_EQ(std::vector<double>(r + 2, r + 4), std::vector<double>(c.rect + 2, c.rect + 4)) << label;
    }
}

// Many parts of very different sizes: a few span many cells of the layout's index, some have a side of
// zero or no finite size at all. No two placed rectangles, spacing included, overlap, and every part
// with a finite size is placed at finite coordinates.
TEST(Layout, ManyMixedPartsNeverOverlap) {
    struct Case {
        const char* name;
        int parts;
        double giant; // side of every 50th part, mm
        bool avoidPageBreaks;
        bool broken; // one more part of no finite size
    };
    const Case cases[] = {
        {"giants among them", 400, 900, false, false},
        {"giants on sheets", 300, 150, true, false},
        {"a broken part", 300, 150, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DevelopmentFixture fx;
        for (int i = 0; i < c.parts; ++i) {
            const double w = i % 50 == 0 ? c.giant : 2 + (i * 37 % 23);
            const double h = i % 50 == 0 ? c.giant / 3 : 1 + (i * 53 % 17);
            AddRectPart(fx, i % 97 == 5 ? 0.0 : w, h);
        }
        Part* broken = c.broken ? AddRectPart(fx, 5, 5) : nullptr;
        if (broken) broken->width = std::nan("");
        const double s = 2;
        LayoutParts(fx.Dev(), 100, Fixed(s, c.avoidPageBreaks), SheetArea{180, 267, {}});
        int overlaps = 0;
        auto& parts = fx.Dev().parts;
        for (size_t i = 0; i < parts.size(); ++i) {
            const Part& a = *parts[i];
            if (&a == broken) continue;
            EXPECT_TRUE(std::isfinite(a.x) && std::isfinite(a.y)) << i;
            for (size_t j = i + 1; j < parts.size(); ++j) {
                const Part& b = *parts[j];
                if (&b == broken) continue;
                overlaps += a.x < b.x + b.width + s && b.x < a.x + a.width + s && a.y < b.y + b.height + s &&
                            b.y < a.y + a.height + s && a.width > 0 && b.width > 0;
            }
        }
        EXPECT_EQ(overlaps, 0);
    }
}

// The A4 registration marks' zones as a 180 x 267 printable area sees them: top left, top right, bottom left.
const SheetArea kMarkedA4{180, 267, {{0, 0, 20, 20}, {145, 0, 180, 35}, {0, 232, 35, 267}}};

TEST(Layout, FreeSpotOnSheetRestsAgainstTheKeepOuts) {
    const struct {
        double w, h;
        bool found;
        double x, y;
    } cases[] = {
        {10, 10, true, 20, 0},   // right of the top left zone, on the top edge
        {125, 30, true, 20, 0},  // exactly between the two top zones
        {126, 30, true, 0, 20},  // too wide for that gap: below the top left zone
        {180, 197, true, 0, 35}, // the whole band between the zones
        {180, 198, false, 0, 0}, // one millimetre too tall for it
        {110, 267, true, 35, 0}, // the full-height column between the left zones and the right one
        {110, 232, true, 20, 0}, // ... which, short enough, may start right of the top left zone
        {181, 10, false, 0, 0},  // wider than the sheet
        {-1, 10, false, 0, 0},   // bad input
    };
    for (const auto& c : cases) {
        const std::optional<Point2> spot = FreeSpotOnSheet(c.w, c.h, kMarkedA4);
        ASSERT_EQ(spot.has_value(), c.found) << c.w << " x " << c.h;
        if (spot) {
            EXPECT_EQ(std::vector<double>({spot->x, spot->y}), std::vector<double>({c.x, c.y})) << c.w;
        }
    }
    // Without keep-outs the corner is free for anything the size of the area.
    EXPECT_TRUE(FreeSpotOnSheet(180, 267, SheetArea{180, 267, {}}).has_value());
}

TEST(Layout, FixedScaleKeepsPartsOutOfTheKeepOuts) {
    // Enough parts for several sheets; each box, placed, lies on one sheet and clear of its keep-outs.
    DevelopmentFixture fx;
    std::vector<Part*> parts;
    for (int i = 0; i < 40; ++i) parts.push_back(AddRectPart(fx, 30 + i % 5 * 7, 25 + i % 3 * 11));
    LayoutParts(fx.Dev(), 100, Fixed(4, true), kMarkedA4);
    for (const Part* p : parts) {
        EXPECT_FALSE(Straddles(*p, 4, 180, 267)) << p->x << ", " << p->y;
        const double x = std::fmod(p->x, 180), y = std::fmod(p->y, 267);
        for (const KeepOut& k : kMarkedA4.keepOuts)
            EXPECT_FALSE(x < k.x1 && k.x0 < x + p->width && y < k.y1 && k.y0 < y + p->height)
                << p->x << ", " << p->y;
    }
    EXPECT_EQ(test::OverlappingPartBoxes(fx.Dev()), 0);
}

TEST(Layout, AutoKeepsOneSheetAndClearOfTheKeepOuts) {
    // Fitted to one sheet, the arrangement is laid out again clear of the zones, smaller if it must; a
    // sheet whose zones leave no room keeps the plain arrangement.
    const struct {
        SheetArea sheet;
        bool clear;
    } cases[] = {{kMarkedA4, true}, {SheetArea{180, 267, {{0, 0, 180, 267}}}, false}};
    for (const auto& c : cases) {
        DevelopmentFixture fx;
        for (int i = 0; i < 12; ++i) AddRectPart(fx, 30 + i % 5 * 7, 25 + i % 3 * 11);
        LayoutParts(fx.Dev(), 100, LayoutMethod(), c.sheet);
        bool meets = false;
        for (const auto& p : fx.Dev().parts) {
            EXPECT_GE(p->x, -1e-9);
            EXPECT_GE(p->y, -1e-9);
            EXPECT_LE(p->x + p->width, 180 + 1e-9);
            EXPECT_LE(p->y + p->height, 267 + 1e-9);
            for (const KeepOut& k : c.sheet.keepOuts)
                meets = meets ||
                        (p->x < k.x1 && k.x0 < p->x + p->width && p->y < k.y1 && k.y0 < p->y + p->height);
        }
        EXPECT_EQ(meets, !c.clear);
        EXPECT_EQ(test::OverlappingPartBoxes(fx.Dev()), 0);
    }
}
