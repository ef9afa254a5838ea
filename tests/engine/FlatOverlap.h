// An overlap check that shares nothing with the unfolder: separating axes on the fan triangles of the faces
// as they lie on the sheet.
#pragma once

#include "model/Development.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tsm::test {

struct Tri {
    Point2 p[3];
    const Face* face;
    double minX, maxX;
};

// Two triangles overlap with positive area when no edge normal of either separates them by more than eps.
inline bool TrianglesOverlap(const Tri& a, const Tri& b, double eps) {
    for (const Tri* t : {&a, &b}) {
        for (int i = 0; i < 3; ++i) {
            const Point2 e = t->p[(i + 1) % 3] - t->p[i];
            const double len = std::hypot(e.x, e.y);
            if (len == 0) return false; // a degenerate triangle covers no area
            const Point2 axis{-e.y / len, e.x / len};
            double a0 = 1e300, a1 = -1e300, b0 = 1e300, b1 = -1e300;
            for (int k = 0; k < 3; ++k) {
                const double pa = a.p[k].x * axis.x + a.p[k].y * axis.y;
                const double pb = b.p[k].x * axis.x + b.p[k].y * axis.y;
                a0 = std::min(a0, pa), a1 = std::max(a1, pa), b0 = std::min(b0, pb), b1 = std::max(b1, pb);
            }
            if (a1 - b0 <= eps || b1 - a0 <= eps) return false;
        }
    }
    return true;
}

// Pairs of faces of the part whose flat positions overlap.
inline int OverlappingFacePairs(const Part& part) {
    std::vector<Tri> tris;
    for (const Face* face : part.faces)
        for (size_t i = 1; i + 1 < face->halfEdges.size(); ++i) {
            Tri t{{face->Corner(0)->Pos2D(), face->Corner(i)->Pos2D(), face->Corner(i + 1)->Pos2D()},
                  face,
                  0,
                  0};
            t.minX = std::min({t.p[0].x, t.p[1].x, t.p[2].x});
            t.maxX = std::max({t.p[0].x, t.p[1].x, t.p[2].x});
            tris.push_back(t);
        }
    std::sort(tris.begin(), tris.end(), [](const Tri& a, const Tri& b) { return a.minX < b.minX; });
    const double eps = 1e-6 * (part.width + part.height + 1);
    int count = 0;
    for (size_t i = 0; i < tris.size(); ++i)
        for (size_t j = i + 1; j < tris.size() && tris[j].minX < tris[i].maxX; ++j)
            if (tris[i].face != tris[j].face && TrianglesOverlap(tris[i], tris[j], eps)) ++count;
    return count;
}

inline int OverlappingFacePairs(const Development& dev) {
    int overlaps = 0;
    for (auto& part : dev.parts) overlaps += OverlappingFacePairs(*part);
    return overlaps;
}

// Pairs of parts whose boxes overlap.
inline int OverlappingPartBoxes(const Development& dev) {
    int count = 0;
    for (size_t i = 0; i < dev.parts.size(); ++i)
        for (size_t j = i + 1; j < dev.parts.size(); ++j) {
            const Part& a = *dev.parts[i];
            const Part& b = *dev.parts[j];
            count +=
                a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
        }
    return count;
}

} // namespace tsm::test
