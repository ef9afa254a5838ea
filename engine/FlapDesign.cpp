#include "engine/FlapDesign.h"

#include "engine/Buildability.h"
#include "engine/Flaps.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tsm {

namespace {

constexpr double kQuarterTurn = 0.7853981633974483; // 45 degrees
constexpr double kBelowApex = 1 - 1e-6;
// Lower and narrower flaps, tried in this order until one has room.
constexpr double kHeightSteps[] = {1.0, 0.85, 0.7, 0.55, 0.45, 0.35, 0.25};
// Base angle limits in radians; 10 leaves the corner's own angle.
constexpr double kAngleCaps[] = {10.0, kQuarterTurn, 0.5, 0.35, 0.2};

struct Shape {
    std::vector<Point2> corners;
    double x0, y0, x1, y1;
    const Face* owner; // the face, or the face the flap stands on
};

Shape MakeShape(std::vector<Point2> corners, const Face* owner) {
    Shape shape{std::move(corners), INFINITY, INFINITY, -INFINITY, -INFINITY, owner};
    for (const Point2& p : shape.corners) {
        shape.x0 = std::min(shape.x0, p.x), shape.x1 = std::max(shape.x1, p.x);
        shape.y0 = std::min(shape.y0, p.y), shape.y1 = std::max(shape.y1, p.y);
    }
    return shape;
}

struct Candidate {
    double height, angle1, angle2, area;
    Shape shape;
};

// The faces and the flaps placed so far of one part, at the part's own positions.
struct PartRoom {
    std::vector<Shape> faces, flaps;

    // The shapes whose boxes reach within `reach` of the segment ab: all a flap on ab can meet.
    std::vector<const Shape*> Near(const Point2& a, const Point2& b, double reach) const {
        const double x0 = std::min(a.x, b.x) - reach, x1 = std::max(a.x, b.x) + reach;
        const double y0 = std::min(a.y, b.y) - reach, y1 = std::max(a.y, b.y) + reach;
        std::vector<const Shape*> near;
        for (const std::vector<Shape>* list : {&faces, &flaps})
            for (const Shape& other : *list)
                if (other.x0 < x1 && x0 < other.x1 && other.y0 < y1 && y0 < other.y1) near.push_back(&other);
        return near;
    }
};

// The first shape the flap covers, null when it is clear.
const Shape* FirstCovered(const Shape& flap, const std::vector<const Shape*>& near, double tolerance) {
    for (const Shape* other : near) {
        if (other->x0 >= flap.x1 || flap.x0 >= other->x1 || other->y0 >= flap.y1 || flap.y0 >= other->y1)
            continue;
        if (SharedArea(other->corners, flap.corners) > tolerance) return other;
    }
    return nullptr;
}

// The reference flap of `side`, its base angles at most 45 degrees.
Shape ReferenceShape(HalfEdge& side, double height, double length, bool sideFlag) {
    side.flapHeight = std::min(height, length / 2);
    side.flapAngle1 = std::min(side.flapAngle1, kQuarterTurn);
    side.flapAngle2 = std::min(side.flapAngle2, kQuarterTurn);
    const std::array<Point2, 4> outline = FlapOutline(side, sideFlag);
    return MakeShape({outline.begin(), outline.end()}, side.face);
}

// Every lower or narrower flap on `side` that still holds glue, its base angles at most the corners' own
// `angle1` and `angle2`, the largest first; each base angle narrows on its own, as a crowded corner at one
// end leaves the other end free. The side's own flap values are left as they came.
std::vector<Candidate> CandidatesOf(HalfEdge& side, double height, double length, double angle1,
                                    double angle2, bool sideFlag) {
    const double least = ReferenceFlapArea(length, height) / 2;
    const double own1 = side.flapAngle1, own2 = side.flapAngle2, height0 = side.flapHeight;
    std::vector<Candidate> candidates;
    for (double cap1 : kAngleCaps)
        for (double cap2 : kAngleCaps) {
            side.flapAngle1 = std::min(angle1, cap1);
            side.flapAngle2 = std::min(angle2, cap2);
            // No higher than where the sides meet: above that the flap would be a spike. Just below it, so
            // that rounding (a fitted layout scales every flap) cannot turn the flap into the spike either.
            const double spread = 1 / std::tan(side.flapAngle1) + 1 / std::tan(side.flapAngle2);
            const double apex = spread > 0 ? length / spread : INFINITY;
            for (double step : kHeightSteps) {
                side.flapHeight = std::min(height * step, apex * kBelowApex);
                // The area from the shape's measures, the same for a shape and its mirror image: which of
                // the two comes first must not depend on how the part happens to lie.
                const double area = side.flapHeight * (length - side.flapHeight * spread / 2);
                if (area < least) break; // lower ones are smaller still
                const std::array<Point2, 4> outline = FlapOutline(side, sideFlag);
                Shape shape = MakeShape({outline.begin(), outline.end()}, side.face);
                candidates.push_back(
                    {side.flapHeight, side.flapAngle1, side.flapAngle2, area, std::move(shape)});
            }
        }
    side.flapAngle1 = own1, side.flapAngle2 = own2, side.flapHeight = height0;
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.area > b.area; });
    return candidates;
}

} // namespace

double ReferenceFlapArea(double length, double height) {
    // 45-degree sides: the top is the base less twice the height.
    const double h = std::min(height, length / 2);
    return h * (length - h);
}

double LowestFlapHeight(double length, double height, double spread) {
    const double least = ReferenceFlapArea(length, height) / 2;
    const double apex = spread > 0 ? length / spread : INFINITY;
    double lowest = -1;
    for (double step : kHeightSteps) {
        const double t = std::min(height * step, apex * kBelowApex);
        if (t * (length - t * spread / 2) < least) break;
        lowest = t;
    }
    return lowest;
}

bool HoldsFlap(double length, double height, const HalfEdge& side1, const HalfEdge& side2) {
    for (const HalfEdge* side : {&side1, &side2}) {
        // The widest base angles leave the most room under a flap's top; narrower caps only take from it.
        const double spread = 1 / std::tan(side->flapAngle1) + 1 / std::tan(side->flapAngle2);
        if (LowestFlapHeight(length, height, spread) > 0) return true;
    }
    return false;
}

bool FitsBesideSlit(double length, double height, double gap, double angleThere, double angleOther) {
    if (!(length > 0) || !(height > 0) || !(angleOther > 0)) return false;
    // The widest angle the caps leave that still fits the slit; the caps run from wide to narrow.
    double there = -1;
    for (double cap : kAngleCaps)
        if (std::min(angleThere, cap) < gap) {
            there = std::min(angleThere, cap);
            break;
        }
    if (!(there > 0)) return false;
    return LowestFlapHeight(length, height, 1 / std::tan(there) + 1 / std::tan(angleOther)) > 0;
}

FlapDesignCounts DesignFlaps(Development& development, double height) {
    FlapDesignCounts counts;
    const bool sideFlag = development.reversed;
    // Shared area below this is rounding along a shared edge; it follows the flap height, which sets the
    // development's scale of detail before a fitted layout scales it to millimetres.
    const double tolerance = 1e-6 * height * height;
    std::unordered_map<const Part*, PartRoom> rooms;
    for (const auto& part : development.parts) {
        PartRoom& room = rooms[part.get()];
        for (const Face* face : part->faces) {
            std::vector<Point2> corners;
            for (const auto& h : face->halfEdges) corners.push_back(h->Pos2D());
            room.faces.push_back(MakeShape(std::move(corners), face));
        }
    }
    // Each flap first takes the least room that still holds glue, so that one flap's width never leaves
    // its neighbour none; then each in turn grows to the largest shape the others leave it.
    struct Placed {
        HalfEdge* side;
        PartRoom* room;
        size_t index; // in room->flaps
        double length;
        double angle1, angle2; // the corners' own, which the least shape narrowed
    };
    std::vector<Placed> placed;
    const auto take = [&](HalfEdge& side, const Candidate& candidate) {
        side.flapHeight = candidate.height;
        side.flapAngle1 = candidate.angle1;
        side.flapAngle2 = candidate.angle2;
    };
    std::unordered_set<const Edge*> done;
    for (const auto& part : development.parts) {
        for (Face* face : part->faces) {
            for (auto& corner : face->halfEdges) {
                HalfEdge* h = corner.get();
                HalfEdge* t = h->twin;
                if (t == nullptr || h->Joined() != nullptr || h->next == nullptr || t->next == nullptr ||
                    t->face == nullptr || t->face->part == nullptr || !done.insert(h->edge).second)
                    continue;
                HalfEdge* sides[2] = {h->hasFlap ? h : t, h->hasFlap ? t : h};
                const double length = Length(h->next->Pos2D() - h->Pos2D());
                bool fits = false;
                for (HalfEdge* side : sides) {
                    PartRoom& room = rooms[side->face->part];
                    std::vector<Candidate> candidates =
                        CandidatesOf(*side, height, length, side->flapAngle1, side->flapAngle2, sideFlag);
                    const std::vector<const Shape*> near =
                        room.Near(side->Pos2D(), side->next->Pos2D(), height * 1.01);
                    for (auto it = candidates.rbegin(); it != candidates.rend() && !fits; ++it) {
                        if (FirstCovered(it->shape, near, tolerance) != nullptr) continue;
                        placed.push_back(
                            {side, &room, room.flaps.size(), length, side->flapAngle1, side->flapAngle2});
                        take(*side, *it);
                        room.flaps.push_back(std::move(it->shape));
                        fits = true;
                    }
                    if (fits) {
                        side->hasFlap = true;
                        HalfEdge* other = side == h ? t : h;
                        other->hasFlap = false;
                        other->flapHeight = height;
                        break;
                    }
                    side->flapHeight = height;
                }
                if (fits) {
                    ++counts.designed;
                    continue;
                }
                // No side has room: the reference flap on the first side, drawn whole where it overlaps,
                // and left out of the room of the flaps after it, which it would crowd too. What the
                // smallest flap runs into on each side tells the unfolder where another cut would help.
                ++counts.crowded;
                CrowdedEdge crowded;
                for (int k = 1; k >= 0; --k) {
                    HalfEdge& side = *sides[k];
                    const double height1 = side.flapHeight, angle1 = side.flapAngle1,
                                 angle2 = side.flapAngle2;
                    const Shape least = ReferenceShape(side, height, length, sideFlag);
                    const std::vector<const Shape*> near =
                        rooms[side.face->part].Near(side.Pos2D(), side.next->Pos2D(), height * 1.01);
                    const Shape* covered = FirstCovered(least, near, tolerance);
                    crowded.sides[k] = &side;
                    crowded.blockers[k] = covered != nullptr ? covered->owner : nullptr;
                    if (k == 1) side.flapHeight = height1, side.flapAngle1 = angle1, side.flapAngle2 = angle2;
                }
                counts.crowdedEdges.push_back(crowded);
            }
        }
    }
    for (const Placed& flap : placed) {
        HalfEdge& side = *flap.side;
        Shape& mine = flap.room->flaps[flap.index];
        std::vector<Candidate> candidates =
            CandidatesOf(side, height, flap.length, flap.angle1, flap.angle2, sideFlag);
        const std::vector<const Shape*> near =
            flap.room->Near(side.Pos2D(), side.next->Pos2D(), height * 1.01);
        Shape kept = std::move(mine);
        mine = MakeShape({}, side.face); // out of its own way
        // The least shape is among the candidates, so one always fits; rounding aside, it keeps its own.
        for (Candidate& candidate : candidates) {
            if (FirstCovered(candidate.shape, near, tolerance) != nullptr) continue;
            take(side, candidate);
            kept = std::move(candidate.shape);
            break;
        }
        mine = std::move(kept);
    }
    return counts;
}

} // namespace tsm
