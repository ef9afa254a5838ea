// The edge colour tool: which lines it may act on, painting, hiding and picking their colour.
#include "engine/EdgeColor.h"

#include "engine/Classify.h"
#include "engine/CutJoin.h"

#include <algorithm>
#include <cmath>

namespace tsm {

bool CanColorLine(const PartLine& line, const EdgeColorTargets& targets, const DisplaySettings& display) {
    bool targeted = false;
    switch (line.drawKind) {
    case DrawKind::Mountain:
    case DrawKind::FlapMountain:
        targeted = targets.mountain;
        break;
    case DrawKind::Valley:
    case DrawKind::FlapValley:
        targeted = targets.valley;
        break;
    case DrawKind::Cut:
        targeted = targets.cutLines;
        break;
    default:
        return false;
    }
    if (!targeted) return false;
    const bool flat = line.edge != nullptr && IsFlatEdge(*line.edge, display);
    return !flat || line.drawKind == DrawKind::Cut || line.drawKind == DrawKind::FlapMountain ||
           line.drawKind == DrawKind::FlapValley;
}

void PaintLine(PartLine& line, const std::array<uint8_t, 3>& rgb) {
    line.hidden = false;
    HalfEdge* h = line.first;
    if (h == nullptr) return;
    for (HalfEdge* side : {h, h->Joined()}) {
        if (side == nullptr) continue;
        for (int i = 0; i < 3; ++i) side->sideColor[i] = static_cast<float>(rgb[i] / 255.0);
    }
}

void HideLine(PartLine& line) {
    line.hidden = true;
}

std::array<uint8_t, 3> LineColor(const PartLine& line) {
    std::array<uint8_t, 3> rgb{0, 0, 0};
    if (line.first == nullptr) return rgb;
    for (int i = 0; i < 3; ++i) {
        const double v = std::round(static_cast<double>(line.first->sideColor[i]) * 255.0);
        rgb[i] = static_cast<uint8_t>(std::isfinite(v) ? std::clamp(v, 0.0, 255.0) : 0.0);
    }
    return rgb;
}

std::vector<PartLine*> LinesInRect(Development& development, const Point2& a, const Point2& b,
                                   const EdgeColorTargets& targets, const DisplaySettings& display) {
    const double minX = std::min(a.x, b.x), maxX = std::max(a.x, b.x);
    const double minY = std::min(a.y, b.y), maxY = std::max(a.y, b.y);
    auto inside = [&](const Point2& p) { return p.x >= minX && p.x <= maxX && p.y >= minY && p.y <= maxY; };
    std::vector<PartLine*> found;
    for (auto& part : development.parts)
        for (auto& line : part->lines) {
            if (line->first == nullptr || !CanColorLine(*line, targets, display)) continue;
            const auto ends = LineEnds(*line);
            if (inside(ends[0]) && inside(ends[1])) found.push_back(line.get());
        }
    return found;
}

} // namespace tsm
