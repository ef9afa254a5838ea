#include "engine/FlapReach.h"

#include "engine/Buildability.h"
#include "engine/Topology.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tsm {

namespace {

// A flap glued across a fold this gentle follows it, pressed on, so the faces either side of it hold the
// flap as one flat face would. Simplified meshes have many corners of 15 to 25 degrees, whose edges then
// hold no flap on either side: within 30 degrees the cactus simplified to 300, 400 and 800 faces comes out
// in one piece (3, 6 and 42 parts within 10 degrees), and 55 of 63 draws over 21 simplified bunnies, cacti
// and gears do (45 within 10).
constexpr double kGentleDegrees = 30;
// The faces looked at around one flap: enough for a fan of slivers, and a bound on the work.
constexpr int kMostFaces = 64;
constexpr double kCovered = 0.999;
constexpr int kPointRows = 4, kPointColumns = 12;

bool Gentle(const HalfEdge& h) {
    return h.edge != nullptr && std::fabs(h.edge->foldAngle - 180.0) <= kGentleDegrees && h.twin != nullptr &&
           h.twin->face != nullptr;
}

double Corner(const HalfEdge& corner) {
    const HalfEdge* previous = PreviousCorner(corner);
    return previous != nullptr && corner.vertex != nullptr && previous->vertex != nullptr
               ? CornerAngle(corner, *previous)
               : 0.0;
}

// The angle the faces around the flap's end leave for it: the neighbour's corner there and those of the
// faces beyond it across gentle folds, turning away from the flap's own face. `atEnd` picks the end of
// `side`. Zero where no gentle fold leads on from the neighbour: the corner's own angle stands as it is.
double RoomAt(const HalfEdge& side, bool atEnd, double most) {
    const HalfEdge* t = side.twin;
    const Face* own = side.face;
    const HalfEdge* corner = atEnd ? t : t->next;
    double sum = corner != nullptr ? Corner(*corner) : 0.0;
    bool crossed = false;
    for (int step = 0; step < kMostFaces && sum < most && corner != nullptr; ++step) {
        // The edge crossed next: the one into the corner at the end, the one out of it at the start.
        const HalfEdge* crossing = atEnd ? PreviousCorner(*corner) : corner;
        if (crossing == nullptr || !Gentle(*crossing) || crossing->twin->face == own) break;
        corner = atEnd ? crossing->twin : crossing->twin->next;
        if (corner == nullptr) break;
        sum += Corner(*corner);
        crossed = true;
    }
    return crossed ? std::min(sum, most) : 0.0;
}

// The corners of the face of `across` laid out in the plane, its edge `across` at `from` (its start) and `to`
// (its end), on the side away from `inside`: as the face would lie were the fold along that edge opened flat.
std::vector<Point2> LaidBeside(const HalfEdge& across, const Point2& from, const Point2& to,
                               const Point2& inside) {
    if (across.vertex == nullptr || across.next == nullptr || across.next->vertex == nullptr) return {};
    const Vec3 a = across.vertex->position, b = across.next->vertex->position;
    const Vec3 along = b - a;
    const double length = Length(along);
    const Point2 flat = to - from;
    const double flatLength = Length(flat);
    std::vector<Point2> corners;
    if (!(length > 0) || !(flatLength > 0)) return corners;
    const Vec3 u = along * (1 / length);
    const Point2 x{flat.x / flatLength, flat.y / flatLength};
    Point2 y{-x.y, x.x};
    // Away from the face already laid out.
    if ((inside.x - from.x) * y.x + (inside.y - from.y) * y.y > 0) y = {-y.x, -y.y};
    for (const auto& h : across.face->halfEdges) {
        if (h->vertex == nullptr) return {};
        const Vec3 d = h->vertex->position - a;
        const double t = Dot(d, u);
        const double off = Length(d - u * t);
        corners.push_back({from.x + x.x * t + y.x * off, from.y + x.y * t + y.y * off});
    }
    return corners;
}

// Whether the flap of `side` with these base angles lies on the faces reached from its neighbour across
// gentle folds, each laid out flat as the glued flap finds it.
bool LiesOnGentleFaces(const HalfEdge& side, double height, double angle1, double angle2) {
    const Vec3 origin = side.vertex->position;
    const double length = Length(side.next->vertex->position - origin);
    if (!(length > 0) || !(angle1 > 0) || !(angle2 > 0) || side.twin->vertex == nullptr) return false;
    const double spread = 1 / std::tan(angle1) + 1 / std::tan(angle2);
    const double top = std::min(height, spread > 0 ? length / spread * (1 - 1e-6) : height);
    const std::vector<Point2> flap{
        {0, 0}, {length, 0}, {length - top / std::tan(angle1), top}, {top / std::tan(angle2), top}};
    const double need = std::fabs(SignedArea(flap));
    // The neighbour first, laid beside the edge on the flap's side (y up), then the faces beyond it that
    // reach the flap's box, one after another across gentle folds.
    struct Laid {
        const Face* face;
        std::vector<Point2> corners;
    };
    std::vector<Laid> laid{{side.twin->face, LaidBeside(*side.twin, {length, 0}, {0, 0}, {length / 2, -1})}};
    double covered = 0;
    // Faces laid out around a saddle vertex may overlap one another and count part of the flap twice: points
    // spread over the flap must each lie on some face as well.
    std::vector<Point2> points;
    for (int row = 0; row < kPointRows; ++row) {
        const double y = top * (row + 0.5) / kPointRows;
        const double x0 = y / std::tan(angle2), x1 = length - y / std::tan(angle1);
        for (int column = 0; column < kPointColumns; ++column)
            points.push_back({x0 + (x1 - x0) * (column + 0.5) / kPointColumns, y});
    }
    std::vector<char> onFace(points.size(), 0);
    for (size_t i = 0; i < laid.size() && covered < kCovered * need; ++i) {
        // A copy: the faces found next are added to `laid`.
        const std::vector<Point2> polygon = laid[i].corners;
        const Face* face = laid[i].face;
        if (polygon.size() < 3) continue;
        double x0 = polygon[0].x, x1 = x0, y0 = polygon[0].y, y1 = y0;
        Point2 inside{0, 0};
        for (const Point2& p : polygon) {
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
            inside = inside + p * (1.0 / polygon.size());
        }
        if (i > 0 && !(x0 < length && x1 > 0 && y0 < top && y1 > 0)) continue;
        covered += SharedArea(polygon, flap);
        for (size_t p = 0; p < points.size(); ++p)
            onFace[p] = onFace[p] || PointInPolygon(points[p], polygon);
        const auto& ring = face->halfEdges;
        for (size_t k = 0; k < ring.size(); ++k) {
            const HalfEdge& h = *ring[k];
            if (!Gentle(h) || h.twin->face == side.face || laid.size() >= static_cast<size_t>(kMostFaces))
                continue;
            const Face* next = h.twin->face;
            if (std::any_of(laid.begin(), laid.end(), [next](const Laid& l) { return l.face == next; }))
                continue;
            laid.push_back({next, LaidBeside(*h.twin, polygon[(k + 1) % ring.size()], polygon[k], inside)});
        }
    }
    return covered >= kCovered * need &&
           std::all_of(onFace.begin(), onFace.end(), [](char c) { return c != 0; });
}

} // namespace

std::vector<FlapAnglesBefore> WidenFlapsAcrossGentleFolds(const std::vector<Edge*>& edges, double flapHeight,
                                                          double maxAngle) {
    std::vector<FlapAnglesBefore> widened;
    if (!(flapHeight > 0) || !(maxAngle > 0)) return widened;
    for (Edge* edge : edges) {
        for (HalfEdge* side : {edge->halfEdge1, edge->halfEdge2}) {
            if (side == nullptr || side->twin == nullptr || side->next == nullptr ||
                side->vertex == nullptr || side->next->vertex == nullptr || side->twin->face == nullptr ||
                side->twin->next == nullptr)
                continue;
            const double room1 = RoomAt(*side, true, maxAngle), room2 = RoomAt(*side, false, maxAngle);
            const double old1 = side->flapAngle1, old2 = side->flapAngle2;
            if (room1 <= old1 && room2 <= old2) continue;
            const std::array<std::pair<double, double>, 3> tries{
                {{std::max(room1, old1), std::max(room2, old2)},
                 {std::max(room1, old1), old2},
                 {old1, std::max(room2, old2)}}};
            for (const auto& [a1, a2] : tries) {
                if ((a1 == old1 && a2 == old2) || !LiesOnGentleFaces(*side, flapHeight, a1, a2)) continue;
                widened.push_back({side, old1, old2});
                side->flapAngle1 = a1, side->flapAngle2 = a2;
                break;
            }
        }
    }
    return widened;
}

} // namespace tsm
