// The parts while they merge, and the overlap test of a candidate join: would part B, turned onto part A,
// put any of its faces on one of A's? Two faces overlap when an edge of one crosses an edge of the other,
// or when one lies inside the other (which no edge crossing reveals).
//
// During the merge each part keeps its corners in a frame of its own plus one rigid motion to the
// development, so that turning a part costs nothing and a join re-expresses only the smaller part in the
// larger one's frame. Two ways to find the candidate face pairs, with the same answers: every pair, or a
// uniform grid of each part's face boxes in the part's own frame.
#pragma once

#include "engine/Unfolder.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tsm {

// True when the segments p1-p2 and q1-q2 cross or touch, unless two of their ends lie closer than the
// square root of `sharedPointSquared` (then they share a point, as neighbouring face edges do).
bool SegmentsOverlap(const Point2& p1, const Point2& p2, const Point2& q1, const Point2& q2,
                     double sharedPointSquared);

// Whether two flat faces, given by their corner positions in ring order, overlap: some pair of their
// edges overlaps (SegmentsOverlap), or the mean of one's corners lies inside the other farther than the
// shared-point distance from its edges. Symmetric in its two faces.
bool FacesOverlap(const Point2* a, size_t aCount, const Point2* b, size_t bCount, double sharedPointSquared);

// A rotation followed by a translation: p -> R p + t, with R = [c -s; s c].
struct RigidMotion {
    double c = 1, s = 0, tx = 0, ty = 0;
    Point2 Apply(const Point2& p) const { return {c * p.x - s * p.y + tx, s * p.x + c * p.y + ty}; }
    Point2 Unapply(const Point2& p) const {
        const double x = p.x - tx, y = p.y - ty;
        return {c * x + s * y, -s * x + c * y};
    }
};

class MergeSpace {
public:
    // `cellSize` is the grid's cell edge in development units; a non-positive or non-finite cell size
    // makes the indexed strategy fall back to all pairs.
    MergeSpace(OverlapStrategy strategy, double cellSize, double sharedPointSquared);
    ~MergeSpace();
    MergeSpace(const MergeSpace&) = delete;
    MergeSpace& operator=(const MergeSpace&) = delete;

    // A corner's position on the development (its part's motion applied to its stored position).
    Point2 Position(const HalfEdge& corner) const;
    // The motion that takes the part's stored positions to the development.
    RigidMotion Motion(const Part& part) const;
    // The motion that puts t's side of the edge onto h's side (t's part turned, t's start on h's end).
    RigidMotion JoinMotion(const HalfEdge& h, const HalfEdge& t) const;
    // Whether B at `movedB` would overlap A.
    bool Overlaps(const Part& a, const Part& b, const RigidMotion& movedB);
    // Joins A and B, B placed at `movedB`, into whichever of the two holds more faces (A on a tie), which
    // it returns; the other is left empty. Only the smaller one's faces change hands, so that growing one
    // large part face by face costs in proportion to its size. Until Settle the survivor's face list is
    // in no particular order.
    Part& Merge(Part& a, Part& b, const RigidMotion& movedB);
    // Writes every corner's development position into x2d, y2d; the part's motion becomes the identity.
    // The part's faces are put in merge order: A's before B's at every merge, as if B's faces had always
    // been appended to A's.
    void Settle(Part& part);

private:
    struct Grid;
    struct State {
        RigidMotion motion;
        std::unique_ptr<Grid> grid;
        // The faces in merge order, linked through next_; null until the part first merges.
        Face* head = nullptr;
        Face* tail = nullptr;
    };
    // Links the part's faces in their list order unless they are linked already.
    void Chain(const Part& part, State& state);
    State& StateOf(const Part& part);
    Grid& GridOf(const Part& part);
    void Insert(Grid& grid, const Face* face);
    // Whether any face of `probe` (at `probeMotion`) overlaps a face of `indexed` (at `indexedMotion`),
    // the candidates of each probe face coming from `indexed`'s grid.
    bool ProbeGrid(const Part& probe, const RigidMotion& probeMotion, const Part& indexed,
                   const RigidMotion& indexedMotion);

    OverlapStrategy strategy_;
    double cellSize_;
    double sharedPointSquared_;
    std::unordered_map<const Part*, State> states_;
    std::unordered_map<const Face*, Face*> next_;
    // The face of one part that last overlapped another, keyed by the two parts (a clash of keys only
    // makes a poor first guess).
    std::unordered_map<uint64_t, const Face*> hints_;
    // Scratch corner positions of the probe's face and of a candidate, kept to spare an allocation each.
    std::vector<Point2> probeCorners_, indexedCorners_, storedCorners_, fewCorners_;
    std::vector<uint32_t> fewStart_;
};

} // namespace tsm
