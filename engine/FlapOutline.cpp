#include "engine/FlapOutline.h"

#include "engine/Classify.h"
#include "engine/Flaps.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tsm {

namespace {

double Cross2(const Point2& a, const Point2& b) {
    return a.x * b.y - a.y * b.x;
}

// Two directions whose cross product is this small relative to their lengths are taken as parallel;
// dividing by it would put the crossing far outside both segments anyway.
constexpr double kParallelRelative = 1e-12;

Point2 Offset(const Part& part) {
    return {part.x, part.y};
}

void PartRect(const Part& part, double rect[4]) {
    rect[0] = part.x;
    rect[1] = part.y;
    rect[2] = part.width;
    rect[3] = part.height;
}

// Does any face of a part, or any flap drawn so far in this pass, cover the point?
bool IsCovered(const Development& development, const Point2& p) {
    for (const auto& part : development.parts) {
        if (part == nullptr) continue;
        double rect[4];
        PartRect(*part, rect);
        if (!PointInRect(p, rect)) continue;
        const Point2 offset = Offset(*part);
        for (const Face* face : part->faces) {
            if (face == nullptr || face->CornerCount() < 3) continue;
            const Point2 c0 = offset + face->Corner(0)->Pos2D();
            for (size_t i = 1; i + 1 < face->CornerCount(); ++i) {
                const Point2 ci = offset + face->Corner(i)->Pos2D();
                const Point2 cj = offset + face->Corner(i + 1)->Pos2D();
                if (PointInTriangle(p, c0, ci, cj)) return true;
            }
        }
        for (const auto& line : part->lines) {
            if (line == nullptr || !line->flapDrawn) continue;
            const HalfEdge* h = line->first;
            if (h == nullptr || h->next == nullptr) continue;
            const std::array<Point2, 4> q = FlapOutline(*h);
            if (!(Length(q[3] - q[0]) >= kMinHidingFlapBaseMM)) continue;
            const Point2 p1 = offset + q[0], tipStart = offset + q[1], tipEnd = offset + q[2],
                         p2 = offset + q[3];
            if (PointInTriangle(p, p1, tipStart, tipEnd) || PointInTriangle(p, p1, tipEnd, p2)) return true;
        }
    }
    return false;
}

void EmitVisiblePieces(const Development& development, const Point2& a, const Point2& b,
                       const FlapPieceSink& sink) {
    if (a == b) return; // the apex of a triangular flap: no side to draw
    std::vector<double> cuts{0.0, 1.0};
    for (const auto& part : development.parts) {
        if (part == nullptr) continue;
        double rect[4];
        PartRect(*part, rect);
        if (!SegmentTouchesRect(a, b, rect)) continue;
        const Point2 offset = Offset(*part);
        for (const Face* face : part->faces) {
            if (face == nullptr) continue;
            for (const auto& corner : face->halfEdges) {
                if (corner->next == nullptr) continue;
                double t = 0;
                if (SegmentsCross(a, b, offset + corner->Pos2D(), offset + corner->next->Pos2D(), &t)) {
                    cuts.push_back(t);
                }
            }
        }
    }
    std::sort(cuts.begin(), cuts.end());
    const Point2 direction = b - a;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const double t0 = cuts[k], t1 = cuts[k + 1];
        if (!(t1 > t0)) continue; // the same crossing met twice (a corner shared by several edges)
        const Point2 middle = a + direction * ((t0 + t1) / 2);
        if (IsCovered(development, middle)) continue;
        sink(a + direction * t0, a + direction * t1);
    }
}

} // namespace

bool SegmentsCross(const Point2& a, const Point2& b, const Point2& c, const Point2& d, double* t) {
    const Point2 r = b - a, s = d - c;
    const double denominator = Cross2(r, s);
    if (!(std::fabs(denominator) > kParallelRelative * Length(r) * Length(s))) return false;
    const Point2 ac = c - a;
    const double tAB = Cross2(ac, s) / denominator;
    const double uCD = Cross2(ac, r) / denominator;
    if (!(tAB >= 0.0 && tAB <= 1.0 && uCD >= 0.0 && uCD <= 1.0)) return false;
    if (t != nullptr) *t = tAB;
    return true;
}

bool PointInTriangle(const Point2& p, const Point2& a, const Point2& b, const Point2& c) {
    const double area = Cross2(b - a, c - a);
    if (area == 0.0 || !std::isfinite(area)) return false;
    const double d1 = Cross2(b - a, p - a);
    const double d2 = Cross2(c - b, p - b);
    const double d3 = Cross2(a - c, p - c);
    // The same sign as the triangle's own orientation on all three sides, or on a side.
    if (area > 0) return d1 >= 0 && d2 >= 0 && d3 >= 0;
    return d1 <= 0 && d2 <= 0 && d3 <= 0;
}

bool PointInRect(const Point2& p, const double rect[4]) {
    const double x0 = std::min(rect[0], rect[0] + rect[2]), x1 = std::max(rect[0], rect[0] + rect[2]);
    const double y0 = std::min(rect[1], rect[1] + rect[3]), y1 = std::max(rect[1], rect[1] + rect[3]);
    return p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1;
}

bool SegmentTouchesRect(const Point2& a, const Point2& b, const double rect[4]) {
    if (PointInRect(a, rect) || PointInRect(b, rect)) return true;
    const Point2 c00{rect[0], rect[1]}, c10{rect[0] + rect[2], rect[1]};
    const Point2 c11{rect[0] + rect[2], rect[1] + rect[3]}, c01{rect[0], rect[1] + rect[3]};
    return SegmentsCross(a, b, c00, c10, nullptr) || SegmentsCross(a, b, c10, c11, nullptr) ||
           SegmentsCross(a, b, c11, c01, nullptr) || SegmentsCross(a, b, c01, c00, nullptr);
}

bool HasDrawnFlap(DrawKind drawKind) {
    return drawKind == DrawKind::FlapMountain || drawKind == DrawKind::FlapValley ||
           drawKind == DrawKind::FlapOnly;
}

void BeginFlapOutlinePass(Development& development) {
    for (auto& part : development.parts) {
        if (part == nullptr) continue;
        for (auto& line : part->lines) {
            if (line != nullptr) line->flapDrawn = false;
        }
    }
}

void DrawFlapOutline(Development& development, const Part& part, PartLine& line, const FlapPieceSink& sink) {
    const HalfEdge* h = line.first;
    if (h == nullptr || h->next == nullptr) return;
    const std::array<Point2, 4> local = FlapOutline(*h);
    std::array<Point2, 4> q;
    for (size_t i = 0; i < q.size(); ++i) q[i] = Offset(part) + local[i];
    for (size_t i = 0; i + 1 < q.size(); ++i) EmitVisiblePieces(development, q[i], q[i + 1], sink);
    // Only now: the flap's own outline must not be tested against itself.
    line.flapDrawn = true;
}

} // namespace tsm
