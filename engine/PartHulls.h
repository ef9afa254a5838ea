// The convex hulls of parts while they merge, for the sheet limit: each part's hull corners are kept from
// join to join, so that testing whether two parts joined would still fit a sheet costs the two hulls, not
// every corner of both parts. A part met for the first time is a single face.
#pragma once

#include "engine/PartFit.h"
#include "engine/UnfoldOverlap.h"

#include <unordered_map>
#include <vector>

namespace tsm {

class PartHulls {
public:
    // `space` gives the corners' positions and must outlive the hulls; Clear before it is replaced.
    PartHulls(const PartLimit& limit, const MergeSpace* space) : limit_(limit), space_(space) {}

    // Whether a limit applies at all; without one every join fits.
    bool Active() const { return limit_.active; }
    void Clear(const MergeSpace* space) {
        hulls_.clear();
        space_ = space;
    }
    // The hull of A and of B at `movedB` together, when some turn of it fits the limit; empty when none.
    std::vector<HalfEdge*> FittingHull(const Part& a, const Part& b, const RigidMotion& movedB);
    // Records the joined part's hull (from FittingHull) once A and B have merged into `kept`; an empty one
    // is found again from the part's corners when next needed.
    void Merged(const Part& a, const Part& b, const Part& kept, std::vector<HalfEdge*> hull);

private:
    const std::vector<HalfEdge*>& HullOf(const Part& part);

    PartLimit limit_;
    const MergeSpace* space_;
    std::unordered_map<const Part*, std::vector<HalfEdge*>> hulls_;
};

} // namespace tsm
