// Print-and-cut registration marks: what a cutting machine's optical sensor looks for on a printed sheet to
// find where the print lies. Paper coordinates: millimetres from the paper's top left corner, y down.
#pragma once

#include "model/Geometry.h"
#include "model/Settings.h"
#include "sheet/Paper.h"

#include <optional>
#include <string>
#include <vector>

namespace tsm {

// "none" or "silhouette"; nothing for another word.
std::optional<MarksKind> MarksKindNamed(const std::string& word);
const char* MarksKindName(MarksKind kind);

// An axis-parallel rectangle, paper millimetres.
struct PaperRect {
    double left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(const Point2& p) const {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    bool Meets(const PaperRect& o) const {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
};

constexpr double kMarkInsetMM = 10.0;     // painted outer edges from the paper edges
constexpr double kMarkSquareMM = 5.0;     // side of the filled square
constexpr double kMarkArmMM = 20.0;       // length of each arm of an L mark
constexpr double kMarkArmWidthMM = 0.5;   // width of an arm
constexpr double kMarkClearanceMM = 20.0; // nothing printed or cut this close to a mark

// Each mark as a filled polygon (the square, then the top right L, then the bottom left L), clockwise on
// the sheet. None for MarksKind::None.
std::vector<std::vector<Point2>> RegistrationMarkShapes(MarksKind kind, double paperWidth,
                                                        double paperHeight);

// The areas print and cut content keeps out of: each mark's bounding box grown by kMarkClearanceMM and
// cut to the paper. Layout rules use them to keep parts off; the print leaves out what falls there.
std::vector<PaperRect> MarkKeepOutZones(MarksKind kind, double paperWidth, double paperHeight);
inline std::vector<PaperRect> MarkKeepOutZones(MarksKind kind, const Paper& paper) {
    return MarkKeepOutZones(kind, paper.PaperWidth(), paper.PaperHeight());
}

} // namespace tsm
