// Where the vector line renderer draws: a metafile, an SVG file, a printer or clipboard painter, or a
// recorder in the tests. Outputs see only solid pens and straight segments in device units; dashes have
// already been broken into segments by the renderer.
#pragma once

#include "model/Geometry.h"

#include <cstdint>

namespace tsm {

struct PenColour {
    uint8_t r = 0, g = 0, b = 0;

    // 0x00BBGGRR, the order the settings and metafiles use.
    uint32_t ToColorRef() const { return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16); }
};

inline bool operator==(const PenColour& a, const PenColour& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(const PenColour& a, const PenColour& b) {
    return !(a == b);
}

// Which kind of line the segments that follow belong to; outputs with layers (SVG) sort by it.
enum class VectorLayer { FlapOutline, Cut, Mountain, Valley };

class VectorOutput {
public:
    virtual ~VectorOutput() = default;

    // Around one drawing of the development.
    virtual void Begin() {}
    virtual void End() {}

    virtual void SetLayer(VectorLayer /*layer*/) {}
    // A solid pen; `widthDevice` in device units (pixels at the output's resolution).
    virtual void SetPen(const PenColour& colour, int widthDevice) = 0;
    // One straight segment in device units with the current pen.
    virtual void Segment(const Point2& a, const Point2& b) = 0;
};

} // namespace tsm
