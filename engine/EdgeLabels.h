// Edge labels a builder can read: each side of a cut edge carries its own label inside its face next to
// the edge (or on its flap), turned along the edge and never upside down, shrunk to fit down to a smallest
// legible size, and otherwise moved onto the flap or to a free spot nearby with a leader line back to the
// edge. No label overlaps another or crosses a line. One placement serves the view, the print and the SVG
// outputs, so that they all show the same labels at the same places.
#pragma once

#include "engine/Layout.h"
#include "model/Development.h"
#include "model/Settings.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tsm {

// A label's box as measured for placing: this many font sizes per character wide and one font size tall,
// centred on its place. The cap height of the sans fonts is about 0.7 of the font size.
constexpr double kLabelCharWidthEm = 0.6;
constexpr double kLabelCapHeightEm = 0.7;

struct EdgeLabelRules {
    bool onFlaps = false;        // a side with a flap shows its label there first
    bool partEdge = false;       // "12-3": the other side's part number, then the edge ID
    double largestSizeMM = 3.0;  // the font size a label takes where there is room
    double smallestSizeMM = 2.1; // the font size of the smallest legible cap height
    // Each sheet's printable area, the development's sheets laid edge to edge from the origin. A label moved
    // away from its edge stays on the printable area of the sheet the edge's middle is on, clear of its
    // keep-outs: a label off the paper is not printed. Without it, labels go wherever there is room.
    std::optional<SheetArea> sheet;
};

// The rules the settings ask for: the smallest size from the cap height; the largest half again as large,
// or the edge ID font size when that is larger.
EdgeLabelRules EdgeLabelRulesOf(const Settings& settings);

enum class EdgeLabelSpot { Face, Flap, Leader };

struct EdgeLabel {
    int edgeId = -1;
    const HalfEdge* side = nullptr; // the side whose face (or flap) the label belongs to
    std::string text;
    Point2 centreMM;     // the middle of the label's box, development millimetres
    double angle = 0.0;  // radians the baseline turns from +x towards +y (clockwise as seen on the sheet)
    double sizeMM = 0.0; // font size
    EdgeLabelSpot spot = EdgeLabelSpot::Face;
    Point2 leaderStartMM; // Leader: on the edge's middle, just inside the face
    Point2 leaderEndMM;   // Leader: where the line meets the label's box, just short of it
};

// The four corners of the box a label of `characters` characters covers.
std::array<Point2, 4> LabelBox(const Point2& centre, double angle, double sizeMM, size_t characters);
// Whether two such boxes overlap (touching is not overlapping).
bool LabelBoxesOverlap(const std::array<Point2, 4>& a, const std::array<Point2, 4>& b);

// One label per side of every numbered edge, in drawing order (part, face, corner). `keepOut` boxes (the
// part numbers) are avoided like other labels. A side that finds no room at all is left out.
std::vector<EdgeLabel> PlaceEdgeLabels(const Development& development, const EdgeLabelRules& rules,
                                       const std::vector<std::array<Point2, 4>>& keepOut = {});

} // namespace tsm
