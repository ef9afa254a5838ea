// The readable edge labels and the part numbers as the view, the print and the SVG outputs draw them: one
// placement for all of them. The EPS and DXF exports keep the placement as written and never come here.
#pragma once

#include "engine/EdgeLabels.h"
#include "model/Document.h"

#include <array>
#include <string>
#include <vector>

namespace tsm {

// Whether edge IDs are shown by the readable rules (shown at all, and not placed as written).
bool ShowsReadableEdgeLabels(const Settings& settings);

// The boxes of the part numbers, which the edge labels keep clear of.
std::vector<std::array<Point2, 4>> PartNumberBoxes(const Development& development);

// The labels placed by the settings' rules, clear of the part numbers when settings.drawPartNumbers; empty
// unless ShowsReadableEdgeLabels.
std::vector<EdgeLabel> ReadableEdgeLabels(const Development& development, const Settings& settings);

// One <text> per label (centred on its place, turned along its edge, font size in millimetres) and one
// <line> per leader, from the edge to the label's centre.
std::string SvgEdgeLabels(const std::vector<EdgeLabel>& labels);

} // namespace tsm
