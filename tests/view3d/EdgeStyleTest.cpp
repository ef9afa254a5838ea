#include "view3d/EdgeStyle.h"

#include "model/Development.h"
#include "model/Mesh.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tsm {
namespace {

// An edge with both sides joined, folded at `foldAngle` degrees.
struct TwoSidedEdge {
    HalfEdge side1, side2;
    Edge edge;
    explicit TwoSidedEdge(double foldAngle) {
        edge.halfEdge1 = &side1;
        edge.halfEdge2 = &side2;
        side1.twin = &side2;
        side2.twin = &side1;
        side1.joinsTwin = side2.joinsTwin = true;
        edge.foldAngle = foldAngle;
    }
    void Cut() { side1.joinsTwin = side2.joinsTwin = false; }
};

// Whether a case's list of changes holds `word`.
bool Has(const char* changes, const char* word) {
    return std::strstr(changes, word) != nullptr;
}

TEST(EdgeStyle, Classification) {
    const struct {
        double foldAngle;
        bool hasDevelopment;
        const char* changes; // from a joined mountain fold under the default settings (flat beyond 175)
        EdgeStyle style;
    } cases[] = {
        {90, true, "valley", EdgeStyle::Valley},
        // Only edges strictly flatter than the threshold are hidden, and only when flat ones are omitted;
        // a single-sided edge never is.
        {175, false, "", EdgeStyle::Mountain},
        {175.001, false, "", EdgeStyle::Hidden},
        {175.001, false, "keep-flat", EdgeStyle::Mountain},
        {175.001, false, "flat-at-179", EdgeStyle::Mountain},
        {175.001, false, "one-sided", EdgeStyle::Mountain},
        // Edges the development cuts show as cut, flat or folded, opened or closed; not without one, and
        // not a single-sided edge (the mesh's own border).
        {180, true, "cut", EdgeStyle::Cut},
        {180, true, "cut closed", EdgeStyle::Cut},
        {90, true, "cut valley", EdgeStyle::Cut},
        {90, true, "cut one-sided", EdgeStyle::Mountain},
        {180, false, "cut", EdgeStyle::Hidden},
        {90, false, "cut", EdgeStyle::Mountain},
        {180, true, "", EdgeStyle::Hidden},
        {90, true, "cut hidden-line-2", EdgeStyle::Hidden},
        // A line the user hid hides the edge from either side.
        {90, true, "line-shown", EdgeStyle::Mountain},
        {90, true, "hidden-line-1", EdgeStyle::Hidden},
        {90, true, "line-shown hidden-line-2", EdgeStyle::Hidden},
        // The user's classes count only without a development, and last: even on a flat edge.
        {90, false, "open", EdgeStyle::Open},
        {90, false, "marked", EdgeStyle::Marked},
        {90, true, "open", EdgeStyle::Mountain},
        {180, false, "open", EdgeStyle::Open},
        {90, false, "other-class", EdgeStyle::Mountain},
    };
    for (const auto& c : cases) {
        TwoSidedEdge e(c.foldAngle);
        Settings settings;
        PartLine shown, hidden;
        hidden.hidden = true;
        e.edge.foldSense = !Has(c.changes, "valley");
        if (Has(c.changes, "cut")) e.Cut();
        if (Has(c.changes, "one-sided")) e.edge.halfEdge2 = nullptr;
        settings.omitFlatFolds = !Has(c.changes, "keep-flat");
        settings.drawModelOnOpen = !Has(c.changes, "closed");
        if (Has(c.changes, "flat-at-179")) settings.flatFoldAngleDegrees = 179;
        if (Has(c.changes, "line-shown")) e.side1.line = &shown;
        if (Has(c.changes, "hidden-line-1")) e.side1.line = &hidden;
        if (Has(c.changes, "hidden-line-2")) e.side2.line = &hidden;
        if (Has(c.changes, "open")) e.edge.edgeClass = EdgeClass::MarkedOpen;
        if (Has(c.changes, "marked")) e.edge.edgeClass = EdgeClass::MarkedJoined;
        if (Has(c.changes, "other-class")) e.edge.edgeClass = static_cast<EdgeClass>(5);
        EXPECT_EQ(ClassifyEdgeStyle(e.edge, c.hasDevelopment, settings), c.style)
            << c.foldAngle << " " << c.hasDevelopment << " " << c.changes;
    }
}

// Without edge colours the folds are black (the user's classes keep theirs: see the gathered arrays); cut
// edges keep the open edge's colour, wider than a fold.
TEST(EdgeStyle, ColoursComeFromTheSettingsWithRedInTheLowByte) {
    Settings settings;
    settings.useEdgeColors = false;
    const EdgeLook mountain = LookOfEdgeStyle(EdgeStyle::Mountain, settings);
    EXPECT_EQ(std::vector<float>(mountain.rgb, mountain.rgb + 3), (std::vector<float>{0, 0, 0}));
    settings.colors[4] = 0x00336699;
    const EdgeLook cut = LookOfEdgeStyle(EdgeStyle::Cut, settings);
    EXPECT_EQ(std::vector<float>(cut.rgb, cut.rgb + 3),
              (std::vector<float>{0x99 / 255.0f, 0x66 / 255.0f, 0x33 / 255.0f}));
    EXPECT_GT(cut.widthPixels, mountain.widthPixels);
    // The unused high byte is ignored.
    float rgb[3];
    ColorrefToRgb(static_cast<int32_t>(0xFF0000FF), rgb);
    EXPECT_EQ(std::vector<float>(rgb, rgb + 3), (std::vector<float>{1.0f, 0.0f, 0.0f}));
}

} // namespace
} // namespace tsm
