#include "sheet/RegistrationMarks.h"

#include <algorithm>

namespace tsm {

std::optional<MarksKind> MarksKindNamed(const std::string& word) {
    if (word == "none") return MarksKind::None;
    if (word == "silhouette") return MarksKind::Silhouette;
    return std::nullopt;
}

const char* MarksKindName(MarksKind kind) {
    return kind == MarksKind::Silhouette ? "silhouette" : "none";
}

std::vector<std::vector<Point2>> RegistrationMarkShapes(MarksKind kind, double w, double h) {
    if (kind != MarksKind::Silhouette) return {};
    const double i = kMarkInsetMM, s = kMarkSquareMM, a = kMarkArmMM, t = kMarkArmWidthMM;
    return {
        {{i, i}, {i + s, i}, {i + s, i + s}, {i, i + s}},
        // Corner at the top right: an arm going left along the top edge, one going down along the right.
        {{w - i - a, i},
         {w - i, i},
         {w - i, i + a},
         {w - i - t, i + a},
         {w - i - t, i + t},
         {w - i - a, i + t}},
        // Corner at the bottom left: an arm going up along the left edge, one going right along the bottom.
        {{i, h - i - a},
         {i + t, h - i - a},
         {i + t, h - i - t},
         {i + a, h - i - t},
         {i + a, h - i},
         {i, h - i}},
    };
}

std::vector<PaperRect> MarkKeepOutZones(MarksKind kind, double w, double h) {
    std::vector<PaperRect> zones;
    for (const std::vector<Point2>& shape : RegistrationMarkShapes(kind, w, h)) {
        PaperRect box{shape[0].x, shape[0].y, shape[0].x, shape[0].y};
        for (const Point2& p : shape) {
            box.left = std::min(box.left, p.x);
            box.top = std::min(box.top, p.y);
            box.right = std::max(box.right, p.x);
            box.bottom = std::max(box.bottom, p.y);
        }
        const double c = kMarkClearanceMM;
        zones.push_back({std::max(0.0, box.left - c), std::max(0.0, box.top - c), std::min(w, box.right + c),
                         std::min(h, box.bottom + c)});
    }
    return zones;
}

} // namespace tsm
