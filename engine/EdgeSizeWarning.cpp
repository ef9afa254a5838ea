#include "engine/EdgeSizeWarning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace tsm {

std::optional<double> MedianEdgeLengthMM(const Development& development) {
    std::vector<double> lengths;
    for (const auto& part : development.parts) {
        if (!part) continue;
        for (const Face* face : part->faces) {
            if (face == nullptr) continue;
            for (const auto& corner : face->halfEdges) {
                if (corner->next == nullptr) continue;
                const double length = Length(corner->next->Pos2D() - corner->Pos2D());
                if (std::isfinite(length)) lengths.push_back(length);
            }
        }
    }
    if (lengths.empty()) return std::nullopt;
    const auto middle = lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2);
    std::nth_element(lengths.begin(), middle, lengths.end());
    return *middle;
}

std::string UnbuildableWarning(const Document& document) {
    if (!document.development) return {};
    const std::optional<double> median = MedianEdgeLengthMM(*document.development);
    const double flap = document.display.defaultFlapHeightMM;
    if (!median || !(flap > 0) || *median >= 2 * flap) return {};
    char text[400];
    std::snprintf(text, sizeof text,
                  "This development is too small to build: its typical edge is %.1f mm long, shorter than "
                  "two glue flaps (%.1f mm each), so flaps and edge IDs cover the faces.\n"
                  "Lay the parts out at a larger size, or simplify the mesh to fewer, larger faces.",
                  *median, flap);
    return text;
}

} // namespace tsm
