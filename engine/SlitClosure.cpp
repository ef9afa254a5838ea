#include "engine/SlitClosure.h"

#include "engine/CutRepair.h"
#include "engine/Topology.h"
#include "model/Geometry.h"

#include <cmath>
#include <unordered_set>

namespace tsm {

namespace {

bool Folded(const Edge& edge) {
    return edge.halfEdge1 != nullptr && edge.halfEdge1->Joined() != nullptr;
}

} // namespace

bool SlitCloses(double length, double defect, double flapHeight) {
    // A flat vertex (to rounding) needs no slit at all: its cuts end elsewhere as they always have.
    constexpr double kFlatRadians = 1e-6;
    return defect > kFlatRadians && defect <= kMostClosingRadians && length > 0 && flapHeight > 0 &&
           length * defect <= kClosingShare * flapHeight;
}

int CloseSlits(Part& part, double flapHeight, const std::function<bool(const Edge&)>& foldable) {
    if (!(flapHeight > 0)) return 0;
    const double apart = kClosingShare * flapHeight;
    int closed = 0;
    std::unordered_set<const Vertex*> seen;
    for (Face* face : part.faces) {
        for (auto& corner : face->halfEdges) {
            HalfEdge* start = corner.get();
            if (start->vertex == nullptr || !seen.insert(start->vertex).second) continue;
            const Fan around = FanAt(start, &part, &part, Folded);
            if (!around.ring || around.open != 1) continue;
            HalfEdge* s = around.openCorner;
            HalfEdge* t = s->twin;
            if (t == nullptr || t->face == nullptr || t->face->part != &part || s->next == nullptr ||
                t->next == nullptr || s->edge == nullptr || (foldable && !foldable(*s->edge)))
                continue;
            if (!SlitCloses(s->edge->length, around.Defect(), flapHeight)) continue;
            if (Length(s->Pos2D() - t->next->Pos2D()) > apart ||
                Length(s->next->Pos2D() - t->Pos2D()) > apart)
                continue;
            // The far end keeps a cut of its own, two where it is shallow itself, so that it does not end a
            // slit no flap fits in turn; on the part's outline it keeps the outline's.
            const Fan far = FanAt(s->next, &part, &part, Folded);
            const bool shallow = far.Defect() < kMinSlitRadians;
            if (far.ring && far.open - 1 < (shallow ? 2 : 1)) continue;
            s->joinsTwin = t->joinsTwin = true;
            ++closed;
        }
    }
    return closed;
}

} // namespace tsm
