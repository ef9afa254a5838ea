#include "engine/Extents.h"

#include "engine/Flaps.h"
#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

// One triangle at part position (100, 50) whose left edge runs down the sheet from (10, 0) to (10, 10)
// and carries a 5 mm, 45-degree flap; with the side flag false that flap's tip lies at (5, 5), left of
// the face.
struct FlapPart {
    DevelopmentFixture fx;
    Face* face = nullptr;
    Part* part = nullptr;
    FlapPart() {
        Vertex* a = fx.AddVertex(0, 0);
        Vertex* b = fx.AddVertex(0, 10);
        Vertex* c = fx.AddVertex(10, 5);
        face = fx.AddFace({a, b, c}, {{10, 0}, {10, 10}, {20, 5}});
        fx.PairEdges();
        part = fx.AddPart({face});
        DevelopmentFixture::MakeLines(part);
        part->x = 100;
        part->y = 50;
        Flapped()->hasFlap = true;
    }
    HalfEdge* Flapped() { return face->Corner(0); }
};

void ExpectBox(const std::vector<double>& box, double x, double y, double w, double h) {
    const double expected[] = {x, y, w, h};
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(box[i], expected[i]) << i;
}
void ExpectFrame(const Development& dev, double x, double y, double w, double h) {
    ExpectBox({dev.frame[0], dev.frame[1], dev.frame[2], dev.frame[3]}, x, y, w, h);
}
void ExpectPart(const Part& p, double x, double y, double w, double h) {
    ExpectBox({p.x, p.y, p.width, p.height}, x, y, w, h);
}

} // namespace

TEST(ComputePartExtent, OnlyAFlapStickingOutSetsTheBoxEdge) {
    FlapPart p;
    ComputePartExtent(*p.part);
    // The box starts at the flap tip (x 5), so everything moves left by 5 and the offset goes to x.
    ExpectPart(*p.part, 105, 50, 15, 10);
    EXPECT_DOUBLE_EQ(p.face->Corner(0)->x2d, 5);
    EXPECT_DOUBLE_EQ(p.face->Corner(2)->x2d, 15);
    EXPECT_DOUBLE_EQ(p.face->Corner(2)->y2d, 5);
    // The flap shape is recomputed after the move: its tip is now on the box's left edge.
    EXPECT_NEAR(FlapOutline(*p.Flapped())[1].x, 0, 1e-12);
    EXPECT_NEAR(FlapOutline(*p.Flapped())[2].y, 5, 1e-12);
    // A second run finds the box already at the origin and changes nothing.
    ComputePartExtent(*p.part);
    EXPECT_DOUBLE_EQ(p.part->x, 105);
    EXPECT_DOUBLE_EQ(p.face->Corner(0)->x2d, 5);

    // The development's side flag turns the flap into the face, so only the corners count.
    FlapPart reversed;
    reversed.fx.Dev().reversed = true;
    ComputePartExtent(*reversed.part);
    ExpectPart(*reversed.part, 110, 50, 10, 10);
    EXPECT_NEAR(FlapOutline(*reversed.Flapped())[1].x, 5, 1e-12);
    // A flap computed but not carried by this side takes no part in the box.
    FlapPart without;
    without.Flapped()->hasFlap = false;
    ComputePartExtent(*without.part);
    ExpectPart(*without.part, 110, 50, 10, 10);
}

// A text or picture block over the given rectangle, appended to the list.
template <class Block>
void AddBlock(std::vector<std::unique_ptr<Block>>& list, double x, double y, double w, double h) {
    auto block = std::make_unique<Block>();
    block->rect[0] = x;
    block->rect[1] = y;
    block->rect[2] = w;
    block->rect[3] = h;
    list.push_back(std::move(block));
}

TEST(ComputeDevelopmentExtent, CoversPartsTextsAndBothPictureListsAndMeasuresPartsWhenAsked) {
    Development dev;
    Part* part = dev.AppendPart(std::make_unique<Part>());
    part->x = 10;
    part->y = 20;
    part->width = 30;
    part->height = 40;
    ComputeDevelopmentExtent(dev, false);
    ExpectFrame(dev, 10, 20, 30, 40);
    AddBlock(dev.texts, -5, 25, 10, 5);
    ComputeDevelopmentExtent(dev, false);
    ExpectFrame(dev, -5, 20, 45, 40);
    // A picture with negative width and height spans from its corner back to the other end.
    AddBlock(dev.imagesA, 100, 5, -20, -10);
    ComputeDevelopmentExtent(dev, false);
    ExpectFrame(dev, -5, -5, 105, 65);
    AddBlock(dev.imagesB, 0, 70, 1, 1);
    ComputeDevelopmentExtent(dev, false);
    ExpectFrame(dev, -5, -5, 105, 76);

    FlapPart p;
    ComputeDevelopmentExtent(p.fx.Dev(), false);
    // The stored part box is used as it is (position only, no size yet).
    ExpectFrame(p.fx.Dev(), 100, 50, 0, 0);
    ComputeDevelopmentExtent(p.fx.Dev(), true);
    ExpectFrame(p.fx.Dev(), 105, 50, 15, 10);
}

TEST(ComputeDevelopmentExtent, EmptyPartAndDevelopmentGiveEmptyBoxes) {
    // An empty part keeps its place; without any content the extremes must not leak out as an infinite
    // frame.
    Development dev;
    Part* part = dev.AppendPart(std::make_unique<Part>());
    part->x = 3;
    part->width = 9;
    ComputePartExtent(*part);
    EXPECT_DOUBLE_EQ(part->x, 3);
    EXPECT_DOUBLE_EQ(part->width, 0);
    dev.parts.clear();
    dev.frame[0] = 7;
    dev.frame[2] = 9;
    ComputeDevelopmentExtent(dev, true);
    ExpectFrame(dev, 0, 0, 0, 0);
}

TEST(ScaleDevelopment, TargetIsAbsoluteAndScalesGeometryAndFlaps) {
    FlapPart p;
    Development& dev = p.fx.Dev();
    ComputeDevelopmentExtent(dev, true);
    // The same scale moves nothing.
    EXPECT_DOUBLE_EQ(ScaleDevelopment(dev, 1.0, true), 1.0);
    ExpectPart(*p.part, 105, 50, 15, 10);
    EXPECT_DOUBLE_EQ(p.Flapped()->flapHeight, 5);
    EXPECT_NEAR(FlapOutline(*p.Flapped())[1].x, 0, 1e-12);

    dev.scale = 2.0;
    const double factor = ScaleDevelopment(dev, 1.0, false); // f = 0.5
    EXPECT_DOUBLE_EQ(dev.scale, 1.0);
    ExpectPart(*p.part, 52.5, 25, 7.5, 5);
    EXPECT_DOUBLE_EQ(p.face->Corner(2)->y2d, 2.5);
    EXPECT_DOUBLE_EQ(p.Flapped()->flapHeight, 2.5);
    EXPECT_DOUBLE_EQ(factor, 0.5); // the owner's default flap height goes with it
    // The flap shape follows the new corners and height: tip at (0, 2.5).
    EXPECT_NEAR(FlapOutline(*p.Flapped())[1].x, 0, 1e-12);
    EXPECT_NEAR(FlapOutline(*p.Flapped())[1].y, 2.5, 1e-12);
    // The frame's size is scaled; its corner is left for the next extent computation.
    ExpectFrame(dev, 105, 50, 7.5, 5);
}

TEST(ScaleDevelopment, TextsScaleOnlyWhenAskedWithTruncatedSizes) {
    Development dev;
    AddBlock(dev.texts, 10, 20, 30, 40);
    TextBlock* t = dev.texts.back().get();
    t->fontSize = 11;
    t->lineSpacing = 3;

    ScaleDevelopment(dev, 0.5, false);
    EXPECT_EQ(t->fontSize, 11);
    EXPECT_DOUBLE_EQ(t->rect[0], 10);

    dev.scale = 1.0;
    ScaleDevelopment(dev, 0.5, true);
    // 11 x 0.5 = 5.5 truncates to 5; 3 x 0.5 = 1.5 keeps 1.5 in tenths, then truncates to 1.
    EXPECT_EQ(t->fontSize, 5);
    EXPECT_EQ(t->lineSpacing, 1);
    EXPECT_DOUBLE_EQ(t->rect[0], 5);
    EXPECT_DOUBLE_EQ(t->rect[1], 10);
    EXPECT_DOUBLE_EQ(t->rect[2], 15);
    EXPECT_DOUBLE_EQ(t->rect[3], 20);
}

TEST(ScaleDevelopment, UnusableScalesDoNotCorruptTheDevelopment) {
    FlapPart p;
    Development& dev = p.fx.Dev();
    ComputeDevelopmentExtent(dev, true);
    // A non-positive or non-finite target is refused outright.
    for (double bad : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_DOUBLE_EQ(ScaleDevelopment(dev, bad, true), 1.0) << bad;
        EXPECT_DOUBLE_EQ(dev.scale, 1.0) << bad;
        EXPECT_DOUBLE_EQ(p.part->x, 105) << bad;
    }
    // A damaged current scale (0 from a file) gives no factor: the target is adopted as it stands.
    dev.scale = 0.0;
    EXPECT_DOUBLE_EQ(ScaleDevelopment(dev, 2.0, true), 1.0);
    EXPECT_DOUBLE_EQ(dev.scale, 2.0);
    EXPECT_DOUBLE_EQ(p.part->x, 105);
    // Font sizes that would overflow are held at the int32 limit instead of wrapping.
    auto text = std::make_unique<TextBlock>();
    text->fontSize = 2000000000;
    TextBlock* t = text.get();
    dev.texts.push_back(std::move(text));
    ScaleDevelopment(dev, 20.0, true);
    EXPECT_EQ(t->fontSize, std::numeric_limits<int32_t>::max());
}
