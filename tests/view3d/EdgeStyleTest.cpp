#include "view3d/EdgeStyle.h"

#include "model/Development.h"
#include "model/Mesh.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tsm {
namespace {

// An edge with both sides joined, folded at `foldAngle` degrees.
struct TwoSidedEdge {
    CHalfEdge side1, side2;
    CEdge edge;
    explicit TwoSidedEdge(double foldAngle) {
        edge.halfEdge1 = &side1;
        edge.halfEdge2 = &side2;
        side1.twin = side1.joined = &side2;
        side2.twin = side2.joined = &side1;
        edge.foldAngle = foldAngle;
    }
    void Cut() { side1.joined = side2.joined = nullptr; }
};

TEST(EdgeStyle, FoldSenseGivesMountainOrValley) {
    const Settings settings;
    TwoSidedEdge e(90);
    EXPECT_EQ(ClassifyEdgeStyle(e.edge, false, settings), EdgeStyle::Mountain);
    e.edge.foldSense = false;
    EXPECT_EQ(ClassifyEdgeStyle(e.edge, true, settings), EdgeStyle::Valley);
}

TEST(EdgeStyle, OnlyStrictlyFlatterEdgesAreHidden) {
    Settings settings; // threshold 175
    TwoSidedEdge at(175), beyond(175.001);
    EXPECT_EQ(ClassifyEdgeStyle(at.edge, false, settings), EdgeStyle::Mountain);
    EXPECT_EQ(ClassifyEdgeStyle(beyond.edge, false, settings), EdgeStyle::Hidden);
    // Not omitted: drawn.
    settings.bOmitFlatEdge = false;
    EXPECT_EQ(ClassifyEdgeStyle(beyond.edge, false, settings), EdgeStyle::Mountain);
    settings.bOmitFlatEdge = true;
    settings.iFlatEdgeAngle = 179;
    EXPECT_EQ(ClassifyEdgeStyle(beyond.edge, false, settings), EdgeStyle::Mountain);
    // A single-sided edge is never hidden as flat.
    settings.iFlatEdgeAngle = 175;
    beyond.edge.halfEdge2 = nullptr;
    EXPECT_EQ(ClassifyEdgeStyle(beyond.edge, false, settings), EdgeStyle::Mountain);
}

TEST(EdgeStyle, FlatEdgesCutInTheDevelopmentShowWhenOpened) {
    Settings settings;
    TwoSidedEdge e(180);
    e.Cut();
    EXPECT_EQ(ClassifyEdgeStyle(e.edge, true, settings), EdgeStyle::Mountain);
    // Without the opened model, without a development, or folded in it: hidden.
    settings.bDrawOpenedModel = false;
    EXPECT_EQ(ClassifyEdgeStyle(e.edge, true, settings), EdgeStyle::Hidden);
    settings.bDrawOpenedModel = true;
    EXPECT_EQ(ClassifyEdgeStyle(e.edge, false, settings), EdgeStyle::Hidden);
    TwoSidedEdge folded(180);
    EXPECT_EQ(ClassifyEdgeStyle(folded.edge, true, settings), EdgeStyle::Hidden);
}

TEST(EdgeStyle, LinesTheUserHidIsHiddenOnEitherSide) {
    const Settings settings;
    CPartLine hidden;
    hidden.hidden = true;
    CPartLine shown;
    for (int side = 0; side < 2; ++side) {
        TwoSidedEdge e(90);
        e.side1.line = &shown;
        (side == 0 ? e.side1 : e.side2).line = &hidden;
        EXPECT_EQ(ClassifyEdgeStyle(e.edge, true, settings), EdgeStyle::Hidden) << side;
    }
    TwoSidedEdge visible(90);
    visible.side1.line = &shown;
    EXPECT_EQ(ClassifyEdgeStyle(visible.edge, true, settings), EdgeStyle::Mountain);
}

TEST(EdgeStyle, UserEdgeClassesOnlyWithoutADevelopment) {
    const Settings settings;
    TwoSidedEdge open(90), marked(90);
    open.edge.edgeClass = EdgeClass::MarkedOpen;
    marked.edge.edgeClass = EdgeClass::MarkedJoined;
    EXPECT_EQ(ClassifyEdgeStyle(open.edge, false, settings), EdgeStyle::Open);
    EXPECT_EQ(ClassifyEdgeStyle(marked.edge, false, settings), EdgeStyle::Marked);
    EXPECT_EQ(ClassifyEdgeStyle(open.edge, true, settings), EdgeStyle::Mountain);
    EXPECT_EQ(ClassifyEdgeStyle(marked.edge, true, settings), EdgeStyle::Mountain);
    // The class is the last rule: it shows an edge even when it is flat.
    TwoSidedEdge flatOpen(180);
    flatOpen.edge.edgeClass = EdgeClass::MarkedOpen;
    EXPECT_EQ(ClassifyEdgeStyle(flatOpen.edge, false, settings), EdgeStyle::Open);
    // An unknown class changes nothing.
    TwoSidedEdge other(90);
    other.edge.edgeClass = static_cast<EdgeClass>(5);
    EXPECT_EQ(ClassifyEdgeStyle(other.edge, false, settings), EdgeStyle::Mountain);
}

TEST(EdgeStyle, ColoursComeFromTheSettingsWithRedInTheLowByte) {
    Settings settings;
    // The user's classes are drawn wide; folds thin.
    EXPECT_EQ(LookOfEdgeStyle(EdgeStyle::Mountain, settings).widthPixels, 1);
    EXPECT_EQ(LookOfEdgeStyle(EdgeStyle::Marked, settings).widthPixels, 3);
    // Each style reads its own configured colour: mountain 1, valley 2, open 4, marked 5.
    for (int i = 1; i <= 5; ++i) settings.colors[i] = 0x00102000 + i;
    const std::pair<EdgeStyle, int> colours[] = {
        {EdgeStyle::Mountain, 1}, {EdgeStyle::Valley, 2}, {EdgeStyle::Open, 4}, {EdgeStyle::Marked, 5}};
    for (auto [style, index] : colours) {
        const EdgeLook look = LookOfEdgeStyle(style, settings);
        EXPECT_EQ(std::vector<float>(look.rgb, look.rgb + 3),
                  (std::vector<float>{index / 255.0f, 0x20 / 255.0f, 0x10 / 255.0f}))
            << index;
    }
    EdgeLook mountain = LookOfEdgeStyle(EdgeStyle::Mountain, settings);
    // Without edge colours the folds are black; the user's classes keep their colours.
    settings.bUseEdgeColor = false;
    mountain = LookOfEdgeStyle(EdgeStyle::Mountain, settings);
    EXPECT_EQ(mountain.rgb[0] + mountain.rgb[1] + mountain.rgb[2], 0.0f);
    EXPECT_EQ(LookOfEdgeStyle(EdgeStyle::Valley, settings).rgb[1], 0);
    EXPECT_FLOAT_EQ(LookOfEdgeStyle(EdgeStyle::Open, settings).rgb[0], 4 / 255.0f);
    // The unused high byte is ignored.
    float rgb[3];
    ColorrefToRgb(static_cast<int32_t>(0xFF0000FF), rgb);
    EXPECT_EQ(std::vector<float>(rgb, rgb + 3), (std::vector<float>{1.0f, 0.0f, 0.0f}));
}

} // namespace
} // namespace tsm
