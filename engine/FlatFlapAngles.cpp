#include "engine/FlatFlapAngles.h"

#include "engine/Buildability.h"
#include "engine/Topology.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tsm {

namespace {

// Faces this close to one plane take a flap across the fold between them as if it were flat: paper glued
// there gives that little.
constexpr double kFlatDegrees = 0.1;
// The flat faces looked at around one flap: enough for a fan of slivers, and a bound on the work.
constexpr int kMostFaces = 64;
constexpr double kCovered = 0.999;

bool Flat(const HalfEdge& h) {
    return h.edge != nullptr && std::fabs(h.edge->foldAngle - 180.0) <= kFlatDegrees && h.twin != nullptr &&
           h.twin->face != nullptr;
}

double Corner(const HalfEdge& corner) {
    const HalfEdge* previous = PreviousCorner(corner);
    return previous != nullptr && corner.vertex != nullptr && previous->vertex != nullptr
               ? CornerAngle(corner, *previous)
               : 0.0;
}

// The angle the faces around the flap's end leave for it: the neighbour's corner there and those of the
// flat faces beyond, turning away from the flap's own face. `atEnd` picks the end of `side`. Zero where no
// flat face lies beyond the neighbour: the corner's own angle stands there as it is.
double RoomAt(const HalfEdge& side, bool atEnd, double most) {
    const HalfEdge* t = side.twin;
    const Face* own = side.face;
    const HalfEdge* corner = atEnd ? t : t->next;
    double sum = corner != nullptr ? Corner(*corner) : 0.0;
    bool crossed = false;
    for (int step = 0; step < kMostFaces && sum < most && corner != nullptr; ++step) {
        // The edge crossed next: the one into the corner at the end, the one out of it at the start.
        const HalfEdge* crossing = atEnd ? PreviousCorner(*corner) : corner;
        if (crossing == nullptr || !Flat(*crossing) || crossing->twin->face == own) break;
        corner = atEnd ? crossing->twin : crossing->twin->next;
        if (corner == nullptr) break;
        sum += Corner(*corner);
        crossed = true;
    }
    return crossed ? std::min(sum, most) : 0.0;
}

// Whether the flap of `side` with these base angles lies on the flat faces reached from its neighbour.
bool LiesOnFlatFaces(const HalfEdge& side, double height, double angle1, double angle2) {
    const HalfEdge& t = *side.twin;
    const Vec3 origin = side.vertex->position;
    const Vec3 along = side.next->vertex->position - origin;
    const double length = Length(along);
    if (!(length > 0)) return false;
    const Vec3 x = along * (1 / length);
    // Across the edge toward the inside of the neighbour: from the edge to the neighbour's centre.
    Vec3 centre{0, 0, 0};
    for (const auto& h : t.face->halfEdges)
        centre = centre + h->vertex->position * (1.0 / t.face->halfEdges.size());
    Vec3 y = centre - origin;
    y = y - x * Dot(y, x);
    const double across = Length(y);
    if (!(across > 0)) return false;
    y = y * (1 / across);
    const double spread = 1 / std::tan(angle1) + 1 / std::tan(angle2);
    const double top = std::min(height, spread > 0 ? length / spread * (1 - 1e-6) : height);
    const std::vector<Point2> flap{
        {0, 0}, {length, 0}, {length - top / std::tan(angle1), top}, {top / std::tan(angle2), top}};
    double need = 0;
    for (size_t i = 0; i < flap.size(); ++i) {
        const Point2 a = flap[i], b = flap[(i + 1) % flap.size()];
        need += (a.x * b.y - b.x * a.y) / 2;
    }
    need = std::fabs(need);
    // The flat faces around the neighbour that reach the flap's box, one after another across flat folds.
    std::vector<const Face*> faces{t.face};
    double covered = 0;
    for (size_t i = 0; i < faces.size() && covered < kCovered * need; ++i) {
        std::vector<Point2> polygon;
        bool near = false;
        for (const auto& h : faces[i]->halfEdges) {
            const Vec3 d = h->vertex->position - origin;
            polygon.push_back({Dot(d, x), Dot(d, y)});
        }
        double x0 = polygon[0].x, x1 = x0, y0 = polygon[0].y, y1 = y0;
        for (const Point2& p : polygon)
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x), y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        near = x0 < length && x1 > 0 && y0 < top && y1 > 0;
        if (!near && i > 0) continue;
        covered += SharedArea(polygon, flap);
        for (const auto& h : faces[i]->halfEdges) {
            if (!Flat(*h) || h->twin->face == side.face || static_cast<int>(faces.size()) >= kMostFaces)
                continue;
            if (std::find(faces.begin(), faces.end(), h->twin->face) == faces.end())
                faces.push_back(h->twin->face);
        }
    }
    return covered >= kCovered * need;
}

} // namespace

std::vector<FlapAnglesBefore> WidenFlapsOverFlatFaces(const std::vector<Edge*>& edges, double flapHeight,
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
                if ((a1 == old1 && a2 == old2) || !LiesOnFlatFaces(*side, flapHeight, a1, a2)) continue;
                widened.push_back({side, old1, old2});
                side->flapAngle1 = a1, side->flapAngle2 = a2;
                break;
            }
        }
    }
    return widened;
}

} // namespace tsm
