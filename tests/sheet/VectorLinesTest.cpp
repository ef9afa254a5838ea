#include "sheet/VectorLines.h"

#include "engine/Extents.h"
#include "model/Settings.h"
#include "sheet/QPainterOutput.h"
#include "sheet/VectorOutput.h"
#include "tests/engine/DevelopmentFixture.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

// A VectorOutput that keeps every call.
struct RecordedSegment {
    VectorLayer layer = VectorLayer::Cut;
    PenColour colour;
    int width = 0;
    Point2 a, b;
};

class RecordingVectorOutput : public VectorOutput {
public:
    int begins = 0, ends = 0;
    std::vector<RecordedSegment> segments;

    void Begin() override { ++begins; }
    void End() override { ++ends; }
    void SetLayer(VectorLayer layer) override { layer_ = layer; }
    void SetPen(const PenColour& colour, int width) override {
        colour_ = colour;
        width_ = width;
    }
    void Segment(const Point2& a, const Point2& b) override {
        segments.push_back({layer_, colour_, width_, a, b});
    }

private:
    VectorLayer layer_ = VectorLayer::Cut;
    PenColour colour_;
    int width_ = 0;
};

void ExpectSpans(const std::vector<DashSpan>& spans, const std::vector<DashSpan>& expected) {
    ASSERT_EQ(spans.size(), expected.size());
    for (size_t i = 0; i < spans.size(); ++i) {
        EXPECT_NEAR(spans[i].from, expected[i].from, 1e-12) << "dash " << i;
        EXPECT_NEAR(spans[i].to, expected[i].to, 1e-12) << "dash " << i;
    }
}

// One square part, corners (0,0), (0,10), (10,10), (10,0); the line under test is the first corner's
// edge (0,0) -> (0,10), the other three lines are hidden. Its flap (if any) is the trapezoid
// (0,0), (-4,4), (-4,6), (0,10). It is drawn with `settings`.
struct LineScene {
    DevelopmentFixture fx;
    Settings settings;
    Part* part = nullptr;
    PartLine* line = nullptr;

    LineScene() {
        Face* face =
            fx.AddFace({fx.AddVertex(0, 0), fx.AddVertex(0, 10), fx.AddVertex(10, 10), fx.AddVertex(10, 0)});
        part = fx.AddPart({face});
        DevelopmentFixture::MakeLines(part);
        for (auto& l : part->lines) l->hidden = true;
        line = part->lines[0].get();
        line->hidden = false;
        HalfEdge* h = line->first;
        h->sideColor[0] = 0.5f, h->sideColor[1] = 1.0f, h->sideColor[2] = 0.2f;
        h->flapColor[2] = 1.0f;
        h->hasFlap = true;
        h->flapHeight = 4;
        ComputeDevelopmentExtent(fx.Dev(), true);
    }

    RecordingVectorOutput Draw() {
        RecordingVectorOutput out;
        DrawVectorLines(out, fx.Dev(), settings, 1, 1, DeviceRounding::None);
        return out;
    }
};

const PenColour kFlapColour{0, 0, 255};

#define EXPECT_SEGMENT(s, ax, ay, bx, by)                                                                    \
    do {                                                                                                     \
        EXPECT_NEAR((s).a.x, (ax), 1e-9);                                                                    \
        EXPECT_NEAR((s).a.y, (ay), 1e-9);                                                                    \
        EXPECT_NEAR((s).b.x, (bx), 1e-9);                                                                    \
        EXPECT_NEAR((s).b.y, (by), 1e-9);                                                                    \
    } while (0)

} // namespace

TEST(WalkDashes, PatternsGiveExactDashes) {
    const double none = -1;
    const struct {
        std::vector<double> pattern;
        double length;
        std::vector<DashSpan> spans;
    } cases[] = {
        // The raster renderer walks all six values: the -1 pair ends the cycle and restarts it.
        {{1.0, 1.0, -1, -1, -1, -1}, 5, {{0, 1}, {2, 3}, {4, 5}}},
        {{2.0, 1.0, 0.5, 1.0, -1, -1}, 10, {{0, 2}, {3, 3.5}, {4.5, 6.5}, {7.5, 8}, {9, 10}}},
        // A zero dash restarts at the first pair: the pair (3, 1) after it is never used.
        {{2, 1, 0, 5, 3, 1}, 10, {{0, 2}, {3, 5}, {6, 8}, {9, 10}}},
        // A dash just below 0.01 restarts too; one of exactly 0.01 is drawn.
        {{1, 1, 0.0099, 1}, 4.5, {{0, 1}, {2, 3}, {4, 4.5}}},
        {{1, 1, 0.01, 1}, 4.5, {{0, 1}, {2, 2.01}, {3.01, 4.01}}},
        // An edge shorter than the first dash is one dash cut at its end; the walk stops exactly at the end:
        // a gap reaching the end draws no empty dash.
        {{2, 1}, 0.5, {{0, 0.5}}},
        {{2, 1}, 3, {{0, 2}}},
        // An odd list: its last dash is followed by no gap before the restart.
        {{1, 1, 2}, 8, {{0, 1}, {2, 4}, {4, 5}, {6, 8}}},
        // First dash below 0.01, no pattern, zero, negative and non-finite lengths: nothing at all.
        {{none, none, none, none, none, none}, 10, {}},
        {{}, 10, {}},
        {{2, 1}, 0, {}},
        {{2, 1}, NAN, {}},
        {{2, 1}, INFINITY, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << ", " << c.pattern.size() << " values");
        ExpectSpans(WalkDashes(c.length, c.pattern.data(), c.pattern.size()), c.spans);
    }
    // A negative gap that cancels the dash never moves on: the walk must end, not hang.
    const double stuck[2] = {1, -1};
    EXPECT_EQ(WalkDashes(10.0, stuck, 2).size(), 1u);
    // Absurdly many dashes are cut short instead of filling memory.
    const double fine[2] = {0.01, 0.01};
    EXPECT_LE(WalkDashes(1e12, fine, 2).size(), 1000000u);
}

// The cycle's coverage is what the walk inks of a long line; patterns that draw nothing have no cycle.
TEST(DashCycleOf, AgreesWithTheWalkOverALongLine) {
    const struct {
        std::vector<double> list;
        double length, ink;
    } cases[] = {
        {{1, 1, 1, 1, 1, 1}, 6, 3},       // the mountain default
        {{2, 1, 0.5, 1, 2, 1}, 7.5, 4.5}, // the valley default
        {{2, 1, 0, 5, 3, 1}, 3, 2},       // a zero dash ends the cycle
        {{1, 1, 2}, 4, 3},                // the last dash has no gap
        {{3, -1}, 2, 3},                  // overlapping dashes: all ink
        {{-1, -1, -1, -1, -1, -1}, 0, 0}, // nothing drawn
        {{1, -1}, 0, 0},                  // does not advance
        {{}, 0, 0},
    };
    for (const auto& c : cases) {
        const DashCycle cycle = DashCycleOf(c.list.data(), c.list.size());
        EXPECT_DOUBLE_EQ(cycle.length, c.length);
        if (c.length == 0) {
            EXPECT_EQ(cycle.Coverage(), 0.0);
            continue;
        }
        EXPECT_DOUBLE_EQ(cycle.ink, c.ink);
        const double line = c.length * 1000;
        double inked = 0;
        for (const DashSpan& span : WalkDashes(line, c.list)) inked += span.to - span.from;
        EXPECT_NEAR(cycle.Coverage(), std::min(1.0, inked / line), 1e-9);
    }
}

TEST(DrawVectorLines, FlapOutlinesFirstInTheFlapColour) {
    // The flap fold's outline and dashes are pinned by the metafile golden file; here the other cases.
    LineScene scene;
    scene.line->drawKind = DrawKind::FlapOnly;
    RecordingVectorOutput out = scene.Draw();
    ASSERT_EQ(out.segments.size(), 3u);
    EXPECT_TRUE(out.segments[2].layer == VectorLayer::FlapOutline && out.segments[2].colour == kFlapColour);
    EXPECT_SEGMENT(out.segments[1], -4, 4, -4, 6);
    EXPECT_TRUE(scene.line->flapDrawn);
    // A second drawing is a new pass: the flap is not hidden by its own earlier mark.
    EXPECT_EQ(scene.Draw().segments.size(), 3u);
    // The hidden flag is about the line; the flap outline still shows.
    scene.line->hidden = true;
    EXPECT_EQ(scene.Draw().segments.size(), 3u);
    // With flaps off, no outline.
    scene.settings.drawFlaps = false;
    EXPECT_TRUE(scene.Draw().segments.empty());
    // A cut line never draws a flap even when its corner has one.
    scene.settings.drawFlaps = true;
    scene.line->hidden = false;
    scene.line->drawKind = DrawKind::Cut;
    out = scene.Draw();
    ASSERT_EQ(out.segments.size(), 1u);
    EXPECT_EQ(out.segments[0].layer, VectorLayer::Cut);
}

TEST(DrawVectorLines, EmptyAndDamagedDevelopments) {
    Development empty;
    RecordingVectorOutput out;
    DrawVectorLines(out, empty, Settings(), 1, 1);
    EXPECT_EQ(std::make_pair(out.begins, out.ends), std::make_pair(1, 1));
    EXPECT_TRUE(out.segments.empty());

    // Null parts, null lines and lines without half-edges are skipped.
    LineScene scene;
    scene.line->drawKind = DrawKind::FlapMountain;
    scene.fx.Dev().parts.push_back(nullptr);
    scene.part->lines.push_back(nullptr);
    auto orphan = std::make_unique<PartLine>();
    orphan->drawKind = DrawKind::FlapMountain;
    scene.part->lines.push_back(std::move(orphan));
    EXPECT_EQ(scene.Draw().segments.size(), 7u);
}

// What the vector renderer sends is checked in its own tests, and the printed page shows its strokes; here
// the painter's side: pens, widths, caps and the caller's pen left as it was.
TEST(QPainterOutput, DrawsSolidSegmentsWithThePen) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setPen(QPen(Qt::green, 1));
        QPainterOutput out(painter);
        out.Begin();
        out.SetPen({255, 0, 0}, 3);
        out.Segment({5, 10}, {35, 10});
        out.SetPen({0, 0, 255}, 1);
        out.Segment({20, 15}, {20, 25});
        out.End();
        // The caller's pen is back after End.
        EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
        // A stray End pops nothing of the caller's.
        out.End();
        EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
    }
    // The red line is three pixels wide, centred on y = 10, and ends at x = 35 plus its round cap.
    // The blue one is one pixel wide.
    const QColor red(255, 0, 0), blue(0, 0, 255), white(Qt::white);
    for (const auto& [x, y, colour] :
         {std::tuple{20, 10, red}, std::tuple{20, 9, red}, std::tuple{20, 13, white},
          std::tuple{20, 6, white}, std::tuple{38, 10, white}, std::tuple{2, 10, white},
          std::tuple{20, 20, blue}, std::tuple{22, 20, white}})
        EXPECT_EQ(image.pixelColor(x, y), colour) << x << ", " << y;
}
