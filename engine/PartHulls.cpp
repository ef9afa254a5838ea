#include "engine/PartHulls.h"

#include <cmath>

namespace tsm {

const std::vector<HalfEdge*>& PartHulls::HullOf(const Part& part) {
    auto it = hulls_.find(&part);
    if (it != hulls_.end()) return it->second;
    std::vector<HalfEdge*>& hull = hulls_[&part];
    // A face is convex, or near enough for a bound that the joined hull is computed again from.
    if (part.faces.size() == 1) {
        for (auto& corner : part.faces.front()->halfEdges) hull.push_back(corner.get());
        return hull;
    }
    std::vector<HalfEdge*> corners;
    std::vector<Point2> points;
    const RigidMotion motion = space_->Motion(part);
    for (Face* face : part.faces)
        for (auto& corner : face->halfEdges) {
            corners.push_back(corner.get());
            points.push_back(motion.Apply(corner->Pos2D()));
        }
    for (size_t i : ConvexHull(points)) hull.push_back(corners[i]);
    return hull;
}

std::vector<HalfEdge*> PartHulls::FittingHull(const Part& a, const Part& b, const RigidMotion& movedB) {
    std::vector<HalfEdge*> corners = HullOf(a);
    std::vector<Point2> points;
    const RigidMotion motionA = space_->Motion(a);
    for (const HalfEdge* c : corners) points.push_back(motionA.Apply(c->Pos2D()));
    // B's corners as stored: the join's motion includes B's own.
    for (HalfEdge* c : HullOf(b)) {
        corners.push_back(c);
        points.push_back(movedB.Apply(c->Pos2D()));
    }
    std::vector<Point2> hullPoints;
    std::vector<HalfEdge*> hull;
    for (size_t i : ConvexHull(points)) {
        hull.push_back(corners[i]);
        hullPoints.push_back(points[i]);
    }
    // Only the turns that lay a hull edge along x or y: the joined part is turned later from where it then
    // lies, by those same turns, and any other turn that fits here might be one it never tries.
    double along = 0;
    if (hullPoints.size() >= 2) {
        const Point2 d = hullPoints[1] - hullPoints[0];
        along = -std::atan2(d.y, d.x);
    }
    double turn = 0;
    if (!FindFittingTurn(hullPoints, limit_, along, turn)) hull.clear();
    return hull;
}

void PartHulls::Merged(const Part& a, const Part& b, const Part& kept, std::vector<HalfEdge*> hull) {
    hulls_.erase(&a);
    hulls_.erase(&b);
    if (!hull.empty()) hulls_[&kept] = std::move(hull);
}

} // namespace tsm
