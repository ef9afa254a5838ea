// How the 3D view draws each mesh edge: hidden, or which style with its line width and colour.
#pragma once

#include <cstdint>

namespace tsm {

struct Edge;
struct Settings;

enum class EdgeStyle { Hidden, Mountain, Valley, Open, Marked, Cut };

// The rules in order, a later one overriding an earlier: mountain or valley by the fold sense; flat edges
// hidden while omitted (with both sides); an edge the development cuts (both sides there, not joined to
// each other) drawn as cut; edges whose part line the user hid; without a development, the user's open
// (class 1) and marked (class 2) edges.
EdgeStyle ClassifyEdgeStyle(const Edge& edge, bool hasDevelopment, const Settings& settings);

struct EdgeLook {
    float widthPixels = 1;
    float rgb[3] = {0, 0, 0};
};
// Mountain and valley 1 pixel in colours 1 and 2 (black without useEdgeColors); open and marked 3 pixels
// in colours 4 and 5; cut 2 pixels in colour 4, always.
EdgeLook LookOfEdgeStyle(EdgeStyle style, const Settings& settings);

// A colour table entry (0x00BBGGRR) as GL intensities, each byte divided by 255.
void ColorrefToRgb(int32_t colorref, float rgb[3]);

} // namespace tsm
