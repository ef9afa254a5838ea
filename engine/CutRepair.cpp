#include "engine/CutRepair.h"

#include "engine/SlitClosure.h"
#include "engine/Topology.h"
#include "model/Geometry.h"

#include <cmath>
#include <unordered_map>

namespace tsm {

namespace {

struct Choice {
    Edge* edge = nullptr;
    size_t piece = 0; // faces cut off with it
};

// The join on the tree path from `from` to `to` that cuts off the fewest faces, counting the smaller of
// the two pieces it leaves.
Choice SmallestCutBetween(const Face* from, const Face* to) {
    // Breadth first from `from`, each face remembering the corner it was reached through.
    std::vector<const Face*> order{from};
    std::unordered_map<const Face*, const HalfEdge*> via{{from, nullptr}};
    for (size_t i = 0; i < order.size(); ++i)
        for (const auto& corner : order[i]->halfEdges) {
            const HalfEdge* joined = corner->Joined();
            if (joined == nullptr || joined->face == nullptr) continue;
            if (via.emplace(joined->face, joined).second) order.push_back(joined->face);
        }
    if (via.count(to) == 0) return {};
    // Each face's subtree size, leaves first.
    std::unordered_map<const Face*, size_t> below;
    for (size_t i = order.size(); i-- > 0;) {
        const Face* face = order[i];
        below[face] += 1;
        if (const HalfEdge* in = via[face]) below[in->Joined()->face] += below[face];
    }
    const size_t total = order.size();
    Choice best;
    for (const Face* face = to; via[face] != nullptr; face = via[face]->Joined()->face) {
        const size_t piece = std::min(below[face], total - below[face]);
        if (best.edge == nullptr || piece < best.piece) best = {via[face]->edge, piece};
    }
    return best;
}

// Whether the far end of `slit`, a slit that closes at its start, keeps a cut of its own with the faces
// joined as `joined` tells (two where that end is shallow too), so that it ends no narrow slit in turn.
bool FarEndKeepsCut(const HalfEdge& slit, const Part* a, const Part* b,
                    const std::function<bool(const Edge&)>& joined) {
    if (slit.next == nullptr) return false;
    const Fan far = FanAt(slit.next, a, b, joined);
    return !far.ring || far.open - 1 >= (far.Defect() < kMinSlitRadians ? 2 : 1);
}

// Whether the faces around the start of `start` close into a narrow slit once `edge` is joined.
bool NarrowSlitAt(HalfEdge* start, const Edge& edge, const Part* a, const Part* b,
                  const std::function<bool(const Edge&)>& joined, double flapHeight, bool slitsClose) {
    const auto joinedThen = [&](const Edge& other) { return &other == &edge || joined(other); };
    const Fan fan = FanAt(start, a, b, joinedThen);
    const double gap = fan.Defect();
    if (!fan.ring || fan.open != 1 || gap >= kMinSlitRadians) return false;
    const HalfEdge* slit = fan.openCorner;
    if (slit->edge == nullptr || !(flapHeight > 0)) return true;
    if (FitsSlitAt(*slit->edge, start->vertex, gap, flapHeight)) return false;
    // A slit that closes is no slit, where its far end keeps its cuts.
    return !slitsClose || !SlitCloses(slit->edge->length, gap, flapHeight) ||
           !FarEndKeepsCut(*slit, a, b, joinedThen);
}

} // namespace

Fan FanAt(HalfEdge* start, const Part* a, const Part* b, const std::function<bool(const Edge&)>& joined) {
    constexpr int kMostFaces = 1024; // a damaged ring never closes; stop going round it
    Fan fan;
    HalfEdge* h = start;
    for (int n = 0; n < kMostFaces; ++n) {
        HalfEdge* previous = PreviousCorner(*h);
        if (h->face == nullptr || (h->face->part != a && h->face->part != b) || previous == nullptr)
            return fan;
        fan.angle += CornerAngle(*h, *previous);
        if (h->edge == nullptr || !joined(*h->edge)) ++fan.open, fan.openCorner = h;
        h = previous->twin; // the next face around the vertex; null on the model's border
        if (h == nullptr) return fan;
        if (h == start) {
            fan.ring = true;
            return fan;
        }
    }
    return fan;
}

bool FitsSlitAt(const Edge& edge, const Vertex* end, double gap, double flapHeight) {
    // A side's flapAngle2 lies at its start, flapAngle1 at its end.
    for (const HalfEdge* side : {edge.halfEdge1, edge.halfEdge2}) {
        if (side == nullptr) continue;
        const bool starts = side->vertex == end;
        if (FitsBesideSlit(edge.length, flapHeight, gap, starts ? side->flapAngle2 : side->flapAngle1,
                           starts ? side->flapAngle1 : side->flapAngle2))
            return true;
    }
    return false;
}

bool ClosesNarrowSlit(const Edge& edge, const Part* a, const Part* b,
                      const std::function<bool(const Edge&)>& joined, double flapHeight, bool slitsClose) {
    HalfEdge* h = edge.halfEdge1;
    if (h == nullptr || h->next == nullptr) return false;
    return NarrowSlitAt(h, edge, a, b, joined, flapHeight, slitsClose) ||
           NarrowSlitAt(h->next, edge, a, b, joined, flapHeight, slitsClose);
}

bool ClosesSlit(const Edge& slit, const Edge& edge, const Part* a, const Part* b,
                const std::function<bool(const Edge&)>& joined, double flapHeight) {
    const auto joinedThen = [&](const Edge& other) { return &other == &edge || joined(other); };
    HalfEdge* h = slit.halfEdge1;
    if (h == nullptr || h->next == nullptr) return false;
    for (HalfEdge* start : {h, h->next}) {
        const Fan fan = FanAt(start, a, b, joinedThen);
        if (fan.ring && fan.open == 1 && fan.openCorner->edge == &slit &&
            SlitCloses(slit.length, fan.Defect(), flapHeight) &&
            FarEndKeepsCut(*fan.openCorner, a, b, joinedThen))
            return true;
    }
    return false;
}

bool LeavesNarrowNotch(const Edge& edge, const Part* a, const Part* b,
                       const std::function<bool(const Edge&)>& joined) {
    constexpr int kMostFaces = 1024; // as around a slit
    const auto inside = [&](const HalfEdge* h) {
        return h != nullptr && h->face != nullptr && (h->face->part == a || h->face->part == b);
    };
    const auto through = [&](const Edge* e) { return e == &edge || (e != nullptr && joined(*e)); };
    const HalfEdge* side = edge.halfEdge1;
    if (side == nullptr || side->next == nullptr) return false;
    for (const HalfEdge* start : {side, static_cast<const HalfEdge*>(side->next)}) {
        // `start` is the first side's corner at the vertex; the fan is followed both ways round from it.
        double angle = 0;
        const Edge* open[2] = {nullptr, nullptr};
        bool ring = false;
        const HalfEdge* h = start;
        for (int n = 0; n < kMostFaces && open[0] == nullptr && !ring; ++n) {
            const HalfEdge* previous = PreviousCorner(*h);
            if (previous == nullptr) return false;
            angle += CornerAngle(*h, *previous);
            const HalfEdge* next = previous->twin;
            if (!through(previous->edge) || !inside(next))
                open[0] = previous->edge;
            else if (next == start)
                ring = true;
            else
                h = next;
        }
        if (ring || open[0] == nullptr) continue;
        h = start;
        for (int n = 0; n < kMostFaces && open[1] == nullptr; ++n) {
            const HalfEdge* next = h->twin != nullptr ? h->twin->next : nullptr;
            if (!through(h->edge) || !inside(next)) {
                open[1] = h->edge;
                break;
            }
            h = next;
            const HalfEdge* previous = PreviousCorner(*h);
            if (previous == nullptr) return false;
            angle += CornerAngle(*h, *previous);
        }
        const double gap = kFullTurn - angle;
        if (open[1] != nullptr && open[0] != open[1] && gap > 0 && gap < kMinSlitRadians) return true;
    }
    return false;
}

std::vector<Edge*> JoinsToCut(const CrowdedEdge& crowded, bool isolate) {
    Choice best;
    for (int k = 0; k < 2 && !isolate; ++k) {
        const HalfEdge* side = crowded.sides[k];
        const Face* blocker = crowded.blockers[k];
        if (side == nullptr || blocker == nullptr || blocker == side->face) continue;
        const Choice choice = SmallestCutBetween(side->face, blocker);
        if (choice.edge != nullptr && (best.edge == nullptr || choice.piece < best.piece)) best = choice;
    }
    if (best.edge != nullptr) return {best.edge};
    std::vector<Edge*> cuts;
    if (crowded.sides[0] == nullptr || crowded.sides[0]->face == nullptr) return cuts;
    for (const auto& corner : crowded.sides[0]->face->halfEdges)
        if (corner->Joined() != nullptr && corner->edge != nullptr) cuts.push_back(corner->edge);
    return cuts;
}

} // namespace tsm
