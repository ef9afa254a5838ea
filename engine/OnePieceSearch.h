// The tree search behind SearchOnePiece: a spanning tree of the faces laid out, its overlapping faces,
// the vertices where a cut ends in a narrow slit and the flaps without room counted as the tree changes
// one edge at a time.
#pragma once

#include "engine/OnePieceFlaps.h"
#include "engine/UnfoldFewestParts.h"
#include "engine/UnfoldOverlap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tsm::onepiece {

// Larger models take too long per move for the search to pay off within seconds.
constexpr size_t kMostFaces = 1500;
// The search's work is counted in faces turned to a trial position and tested; this many per face of the
// model, so that a model twice the size gets twice the moves at twice the cost each.
constexpr double kWorkPerFace = 24000;
// And no more than this in all, which keeps a model of 1,500 faces to a few seconds.
constexpr double kMostWork = 12e6;
// Under a sheet limit the tree is cut into sheets, and a tree without overlaps (even one with a few flaps
// crowded) leaves far fewer parts than the ribbons peeled on larger models; there the search gets twice the
// work and larger models. Measured at 150 mm on the bunny simplified: 1,600 faces 8 parts against 27
// peeled, 2,000 faces 11 against 28 (10 s), 2,500 faces 9 against 41 (9 s); 1,376 faces 7 parts against 9
// with the work of one sheet. The whole bunny of 3,674 faces finds no tree without overlaps in seven times
// that work.
constexpr size_t kMostFacesUnderLimit = 2500;
constexpr double kMostWorkUnderLimit = 24e6;
// Larger models under a sheet limit, up to this many faces, get only the search that lets slits close (the
// other found no tree on the bunny of 2,800 or 3,674 faces at 150 mm), in rounds of this much work per face
// each, and it stops after the first round that leaves a tree without overlaps. Measured on the bunny of
// 3,674 faces: 13 parts in 45 s, against 37 peeled; in rounds of a quarter less work 27, a quarter more 15.
// Beyond that the search runs a region at a time (OnePieceRegions.h).
constexpr size_t kMostFacesLarge = 4000;
constexpr double kRoundWorkPerFaceLarge = 13000;
inline bool LargeUnderLimit(const FewestPartsInput& input) {
    return input.limit.active && input.faces.size() > kMostFacesUnderLimit;
}
// A growth of the fewest-parts plan costs about as much work as turning and testing this many faces per
// face of the model (measured on the bunny at 150 mm: 738 growths and dissolutions in 5 s, its search's
// 191 million in 35 s), which the search's share of the progress follows.
constexpr double kWorkPerGrowth = 10;
// The search runs in rounds of equal work, each from the starting tree with a draw of its own: where a
// tree is found at all it is mostly found within a quarter of the work, and a round that goes astray
// seldom comes back, so fresh draws find one piece more often than one long search.
constexpr int kRounds = 4;
// Each move tries a few tree edges on the way between two overlapping faces, or around a bad vertex, and
// for each a few edges to join across the cut instead.
constexpr int kRemovalsPerMove = 4;
constexpr int kJoinsPerRemoval = 6;
// A swapped edge may not swap back for this many moves (plus up to as many again, drawn).
constexpr int kTenure = 6;
// After this many moves without a better tree the search goes back to the best one.
constexpr int kStaleMoves = 300;
// Faces whose box covers more cells than this along an axis are tested against every face.
constexpr int kWideCells = 8;
// An overlap or a bad vertex weighs as much as this many crowded flaps: a tree that clears them but
// crowds a few flaps is nearer one piece than one that clears the flaps by overlapping.
constexpr int kClash = 4;
// Once faces and vertices are clear, no move raises the cost by more than this (three overlaps): a swap
// that lays a large side across the rest undoes in one move what took hundreds, and the search seldom
// finds its way back before it gives up.
constexpr int kMostRise = 3 * kClash;
// A flap tested for room costs about as much as turning this many faces and testing them.
constexpr double kHitWork = 4;
// The whole tree laid out and its overlaps counted again, as the search does when it goes back to its best
// tree, costs about as much as turning and testing this many faces per face of the model (measured on 800
// faces: 1.1 ms, where a face turned and tested takes 170 ns). Counted, it keeps to its time a search that
// makes only small moves around one stubborn fault and goes back every few hundred: uncounted, such a
// search's rounds took 10 s each where others take half a second.
constexpr double kLayoutWork = 8;
// A tree whose faces are clear and which the count leaves with at most this many crowded flaps and narrow
// slits is shown to the flap design, at most this many times in a search; a design costs about as much as
// turning this many faces per face of the model (measured: 20 ms on 1,376 faces).
constexpr int kAskedFaults = 4;
constexpr int kMostAsked = 32;
constexpr double kDesignWork = 48;
constexpr double kQuarterTurn = 0.7853981633974483;

// splitmix64: the same numbers from the same seed everywhere, which no standard distribution promises.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }

private:
    uint64_t state_;
};

// An edge that may be folded: its two faces, the corner of each that starts it, and its two vertices.
struct Link {
    int edge = -1;
    int face[2] = {-1, -1};
    int corner[2] = {-1, -1};
    int vertex[2] = {-1, -1};
};

struct WindingInput;

struct Move {
    int removed = -1, added = -1;
    int delta = 0;
    RigidMotion turn;
    std::vector<std::pair<int, int>> pairs; // the moved side's new overlaps, moved face first
    bool flapsKnown = false;                // whether `flaps` holds the move's flap changes
    std::vector<FlapChange> flaps;
};

class Search {
public:
    // With `closing`, slits that close (SlitCloses) end cuts as a sharp vertex does.
    Search(const FewestPartsInput& input, const std::function<bool(int)>& step, int steps,
           bool closing = false)
        : in_(input), step_(step), steps_(steps), n_(static_cast<int>(input.faces.size())),
          closing_(closing) {}

    // Starts from the parts `joins` make, tied together. False when the model is not one connected surface
    // of simple faces.
    bool Build(const std::vector<Edge*>& joins);
    // Searches until a piece is found or the work is spent, or pauses once `rounds` of its rounds are
    // done: called again it goes on where it paused. Whether it found one piece.
    Result<bool> Run(int rounds = kRounds);
    // Spends `work` in all instead of the work the model's size gives (after Build, before Run).
    void LimitWork(double work) { budget_ = work; }
    // Whether the search has ended: found its piece or spent its work.
    bool Finished() const { return finished_; }
    // Whether some slit may close (SlitCloses) at all: where none may, the search is the same as one
    // that lets none close.
    bool MayCloseAny() const {
        return std::find(slitCloses_.begin(), slitCloses_.end(), 1) != slitCloses_.end();
    }
    std::vector<Edge*> Joins() const;
    bool FlapsDesigned(const std::vector<Edge*>& joins);
    // After a search that found no piece: the tree with no overlap that crowded the fewest flaps and
    // closed the fewest narrow slits, made the search's tree, and how many of both; -1 when no tree got
    // that far.
    int TakeNearest();
    // After a search that found no piece and no tree without overlaps: the tree of least cost any round
    // came to, made the search's tree, and its overlaps and narrow slits (and crowded flaps, where the
    // search had come to count them); -1 before any round ended.
    int TakeLeast();
    // The search's tree cut into pieces that each fit the input's sheet limit, as joins in tree order,
    // and how many pieces.
    std::vector<Edge*> JoinsInSheets(int& pieces);

private:
    int Child(int link) const {
        const Link& l = links_[link];
        return parentLink_[l.face[0]] == link ? l.face[0] : l.face[1];
    }
    bool InSubtree(int face, int root) const { return tin_[root] <= tin_[face] && tin_[face] < tout_[root]; }
    // Whether vertex v, with `cut` cut edges once `removed` is cut and `added` folded, ends a cut in a
    // slit too narrow for a flap. Its one cut edge is looked for only where some edge at v could do.
    bool Bad(int v, int cut, int removed = -1, int added = -1) const {
        if (!narrow_[v] || cut != 1) return false;
        if (!slitEnds_[v]) return true;
        const int lone = LoneCut(v, removed, added); // -1: an edge that is never folded
        if (lone < 0) return true;
        const int end = links_[lone].vertex[0] == v ? 0 : 1;
        return !slitHolds_[2 * lone + end] && !Closes(lone, end, removed, added);
    }
    // Cut edges at v once `removed` is cut and `added` folded.
    int CutAfter(int v, int removed, int added) const {
        const auto on = [&](int link) {
            return link >= 0 && (links_[link].vertex[0] == v || links_[link].vertex[1] == v);
        };
        return cut_[v] + on(removed) - on(added);
    }
    // Whether the slit `link` leaves at its end `end`, the only cut there, closes (SlitCloses) with the
    // tree as it would be: its far end keeps a cut of its own, two where that end is shallow too.
    bool Closes(int link, int end, int removed = -1, int added = -1) const {
        if (!slitCloses_[2 * link + end]) return false;
        const int far = links_[link].vertex[1 - end];
        return CutAfter(far, removed, added) >= (border_[far] ? 1 : narrow_[far] ? 3 : 2);
    }
    bool MayClose(int link) const { return slitCloses_[2 * link] || slitCloses_[2 * link + 1]; }
    // Whether cut `link` is a slit that closes, the tree as it would be: a flap it needs none.
    bool Closed(int link, int removed = -1, int added = -1) const {
        for (int end = 0; end < 2; ++end) {
            const int v = links_[link].vertex[end];
            if (narrow_[v] && CutAfter(v, removed, added) == 1 && Closes(link, end, removed, added))
                return true;
        }
        return false;
    }
    // The vertices whose badness a swap of `removed` for `added` may change: their narrow ends, and the
    // vertices whose slit along a link to those ends may close (it closes only while its far end keeps
    // cuts). Into affected_.
    void Affected(int removed, int added) const;
    // The cut link at v, the tree as it would be with `removed` cut and `added` folded; -1 when none.
    int LoneCut(int v, int removed = -1, int added = -1) const {
        for (int link : vertexLinks_[v])
            if ((!inTree_[link] || link == removed) && link != added) return link;
        return -1;
    }
    bool BadNow(int v) const { return Bad(v, cut_[v]); }
    int Cost() const { return kClash * (pairCount_ + badCount_) + crowded_; }
    const Point2* World(int f) const { return world_.data() + start_[f]; }
    int Count(int f) const { return start_[f + 1] - start_[f]; }

    RigidMotion Across(int link, int movedFace) const;
    void Tree();
    bool FreeOverlappingFolds();
    void CountStuck(const std::vector<int>& edgesAt, bool sphere);
    void Place(); // every face's corners where the tree lays them
    void Layout();
    void Index(int f, bool insert);
    Box BoxOf(const Point2* p, int count) const;
    template <typename Visit> void Near(int f, const Box& box, Visit&& visit);
    void CountAll();
    void Side(int removed);
    int Leaves(int removed, int added) const;
    // `leaves`: Leaves(removed, added), worked out already.
    bool Evaluate(int removed, int added, int leaves, int allowed, Move& move);
    void Apply(const Move& move);
    bool Tick();
    void Restart();
    // Whether the round about to start begins from a winding tree (WindingCuts.h) rather than the plan's.
    bool Winds() const;
    WindingInput Winding() const;
    uint64_t Seed() const {
        return 0x5EED0000ull + static_cast<uint64_t>(n_) * 0x100000001B3ull + links_.size();
    }
    bool Remember();
    void UseTree(const std::vector<char>& tree);
    int64_t CellOf(double x) const { return static_cast<int64_t>(std::floor(x / cell_)); }
    static uint64_t Key(int64_t x, int64_t y) {
        return static_cast<uint64_t>(x) << 32 ^ static_cast<uint32_t>(y);
    }
    // Whether `box` spans more grid cells than are worth walking (a face far larger than the rest).
    bool Wide(const Box& box) const {
        return CellOf(box.x1) - CellOf(box.x0) >= kWideCells || CellOf(box.y1) - CellOf(box.y0) >= kWideCells;
    }
    // Calls visit(key) for every grid cell `box` covers.
    template <typename Visit> void ForEachCell(const Box& box, Visit&& visit) const {
        for (int64_t x = CellOf(box.x0); x <= CellOf(box.x1); ++x)
            for (int64_t y = CellOf(box.y0); y <= CellOf(box.y1); ++y) visit(Key(x, y));
    }
    bool Holds(int link, int k) const;

    const FewestPartsInput& in_;
    const std::function<bool(int)>& step_;
    const int steps_;
    const int n_;
    const bool closing_;
    std::unordered_map<const Face*, int> faceIndex_;
    std::vector<int> start_;                    // each face's first corner; n_ + 1 entries
    std::vector<Point2> local_, world_, moved_; // corners laid flat, on the tree's layout, on trial
    std::vector<Link> links_;
    std::vector<std::vector<int>> faceLinks_, vertexLinks_;
    std::vector<char> narrow_; // an inner vertex whose slit leaves no room for most flaps
    // Whether a flap fits beside the slit a link leaves where it is the only cut at its end 0 or 1: on an
    // edge long beside the flap height a narrowed base angle still leaves half the glue.
    std::vector<char> slitHolds_;
    std::vector<char> slitEnds_; // whether some edge that may be cut holds a flap beside its slit there
    // Whether the slit a link leaves at its end 0 or 1, the only cut there, is narrow enough to close.
    std::vector<char> slitCloses_;
    std::vector<char> border_; // a vertex on the model's border
    mutable std::vector<int> affected_;
    mutable std::vector<unsigned> affectedMark_; // affectedNow_ where a vertex is in affected_ already
    mutable unsigned affectedNow_ = 0;
    std::vector<int> cut_; // cut edges at each vertex
    std::vector<char> inTree_;
    std::vector<char> startTree_; // the tree every round starts from, and its cut edges at each vertex
    std::vector<int> startCut_;
    std::vector<char> fixed_; // folded always: neither side can hold a flap
    std::vector<int> parentLink_, parentFace_, depth_, tin_, tout_, order_;
    // The tree walk's own: each face's links and the faces across them from slotStart_[f], the faces seen
    // in this walk (seen_ at seenNow_) and the faces on the way with their next slot.
    std::vector<int> slotStart_, slotLink_, slotFace_, seen_;
    int seenNow_ = 0;
    std::vector<std::pair<int, int>> walk_;
    std::vector<std::vector<int>> partners_; // the faces each face overlaps
    int pairCount_ = 0, badCount_ = 0;
    // Once faces and vertices are clear, the cut edges where no side has room for a flap, each with the
    // face beside it and the face its flap runs into.
    bool flapsCounted_ = false;
    int crowded_ = 0;
    std::vector<std::pair<int, int>> crowdedFaces_;
    std::vector<double> area_; // each face's area
    // Edges the flap design found crowded where the quick test saw room: from then on they count as
    // crowded whenever they are cut.
    std::vector<char> stubborn_;
    double cell_ = 1;
    std::unordered_map<uint64_t, std::vector<int>> cells_;
    std::vector<int> wide_;
    std::vector<char> isWide_;
    std::vector<Box> boxes_;
    std::vector<int> stamp_;
    int stampNow_ = 0;
    std::vector<char> inSide_;
    std::vector<int> side_;
    int sideOld_ = 0; // overlaps between the side and the rest
    std::vector<int> tabu_;
    int stuck_ = 0;             // shallow vertices whose cut ends in a narrow slit whatever the tree
    std::vector<char> nearest_; // the tree TakeNearest gives, with its crowded flaps and narrow slits
    int nearestFaults_ = -1;
    bool nearestAsked_ = false; // whether the design counted nearestFaults_
    std::vector<char> least_;   // the tree TakeLeast gives, and its cost
    int leastCost_ = std::numeric_limits<int>::max();
    int asked_ = 0;
    bool roomy_ = false;   // the design found room for every flap the count crowded, and no slit is narrow
    bool handles_ = false; // a closed surface with handles: its cuts need end nowhere
    double work_ = 0, budget_ = 0;
    // Run's own, kept where it pauses between rounds.
    bool started_ = false, finished_ = false, found_ = false;
    Random random_{0};
    int round_ = 0, best_ = 0, stale_ = 0, iteration_ = 1;
    std::vector<char> bestTree_;
    bool large_ = false; // a model beyond kMostFacesUnderLimit under a sheet limit
    int lastPosition_ = 0;
    friend class KeptFlaps;
    KeptFlaps flaps_{*this};
};

// Calls `visit` once for every other face whose box meets `box`, as the grid holds them.
template <typename Visit> void Search::Near(int f, const Box& box, Visit&& visit) {
    ++stampNow_;
    stamp_[f] = stampNow_;
    const auto offer = [&](int g) {
        if (stamp_[g] == stampNow_) return;
        stamp_[g] = stampNow_;
        if (box.Meets(boxes_[g])) visit(g);
    };
    for (int g : wide_) offer(g);
    if (Wide(box)) {
        for (int g = 0; g < n_; ++g) offer(g);
        return;
    }
    ForEachCell(box, [&](uint64_t key) {
        auto it = cells_.find(key);
        if (it != cells_.end())
            for (int g : it->second) offer(g);
    });
}

} // namespace tsm::onepiece
