// Where to cut a part so that a crowded cut edge gets room for its flap. A part's joins form a tree; a
// flap that runs into a face of its own part stops doing so once some join on the tree path between the
// flap's face and that face is cut. The join chosen is the one that cuts off the smallest piece, which
// then finds the easiest new home on a neighbouring part (on a tie, the join nearest the blocker).
#pragma once

#include "engine/FlapDesign.h"

#include <functional>
#include <vector>

namespace tsm {

// A vertex whose faces all lie in one part, joined around it but for one cut edge, leaves that edge as a
// slit whose sides meet at the vertex's angle defect: a flap on either side runs into the other side's
// face at once. Narrowed to the slit's angle at that end, a flap keeps half its reference area only where
// the slit opens at least about as wide as the narrowest base angle the flap design tries (0.35).
constexpr double kMinSlitRadians = 0.35;
constexpr double kFullTurn = 6.283185307179586;

// The faces around the vertex `start` leaves, while they lie in part `a` or `b`: their angle sum, how many
// of their edges at the vertex are not `joined` (the last such corner kept), and whether they close around
// the vertex (false where they reach the model's border or another part).
struct Fan {
    double angle = 0;
    int open = 0;
    HalfEdge* openCorner = nullptr;
    bool ring = false;
    double Defect() const { return kFullTurn - angle; }
};
Fan FanAt(HalfEdge* start, const Part* a, const Part* b, const std::function<bool(const Edge&)>& joined);

// Whether a flap `flapHeight` high fits beside the slit `edge` leaves where it is the only cut at its end
// `end`, the slit opening `gap` radians: on an edge long beside the flap height a base angle narrowed to
// the slit still leaves half the glue.
bool FitsSlitAt(const Edge& edge, const Vertex* end, double gap, double flapHeight);

// Whether joining parts `a` and `b` across `edge` would close the faces around one of its ends into a slit
// narrower than kMinSlitRadians, unless (with `flapHeight` above 0) the edge left open there fits a flap
// beside it, or (with `slitsClose` too) the slit closes (SlitCloses) and its far end keeps a cut of its own,
// two where that end is shallow too. `joined` tells which other edges are joined already.
bool ClosesNarrowSlit(const Edge& edge, const Part* a, const Part* b,
                      const std::function<bool(const Edge&)>& joined, double flapHeight = 0,
                      bool slitsClose = false);

// Whether joining parts `a` and `b` across `edge` leaves `slit` the only cut around one of its ends, a
// slit that closes there (SlitCloses, beside flaps `flapHeight` high) and whose far end keeps its cuts:
// its sides then lie together by design.
bool ClosesSlit(const Edge& slit, const Edge& edge, const Part* a, const Part* b,
                const std::function<bool(const Edge&)>& joined, double flapHeight);

// Whether joining parts `a` and `b` across `edge` lays the faces of the joined part around one of its ends
// into a fan that leaves a gap narrower than kMinSlitRadians between two different cut edges: both edges'
// flaps would have to lie in that notch (a quad split into two slivers, one joined to each neighbour, leaves
// such notches all along a strip). A full ring of faces is the slit ClosesNarrowSlit tests.
bool LeavesNarrowNotch(const Edge& edge, const Part* a, const Part* b,
                       const std::function<bool(const Edge&)>& joined);

// The edges whose joins to undo for `crowded` (joins are read from the corners' `joined`). With
// `isolate`, or when neither side names a blocker in its own part, every join of the first side's face:
// a face alone always has room for its flaps.
std::vector<Edge*> JoinsToCut(const CrowdedEdge& crowded, bool isolate);

} // namespace tsm
