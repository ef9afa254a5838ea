// The flaps the tree search counts, kept from move to move: each cut edge's flap with its place on a grid
// of its own, so that a trial move looks only at what the move disturbs. A flap of the moved side that
// now meets a face or flap of the rest, and a flap of the rest that a moved face now covers, are placed
// again, along with the newly cut edge and the edges still crowded; all others stay as they are.
#pragma once

#include "engine/UnfoldOverlap.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace tsm::onepiece {

class Search;
struct Move;

struct Box {
    double x0, y0, x1, y1;
    bool Meets(const Box& o) const { return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1; }
};

// What a move does to one cut edge's flap: placed beside `face` as `shape`, or crowded (face -1) with
// `blocker` the face to cut towards.
struct FlapChange {
    int link = -1, face = -1, blocker = -1; // face kClosedSlit: a slit that closes, with no flap
    std::array<Point2, 4> shape;
};
constexpr int kClosedSlit = -2;

class KeptFlaps {
public:
    explicit KeptFlaps(Search& search) : s_(search) {}
    KeptFlaps(const KeptFlaps&) = delete;
    KeptFlaps& operator=(const KeptFlaps&) = delete;

    // Every cut edge's flap placed afresh, in edge order.
    void CountCrowded();
    // The flaps `move` disturbs placed again as they would be once it is made, into `move.flaps`, and
    // their change in crowded edges added to its delta. Nothing of the search's state changes.
    void Trial(Move& move);
    // Makes the flap changes of `move`, its side listed and its faces already turned.
    void Commit(const Move& move);
    // How many cut edges the flap design itself finds no room for in the tree's layout, as the unfolding
    // will lay it out. With `learn`, those edges become stubborn and the count follows.
    int DesignedCrowded(const std::vector<Edge*>& joins, bool learn);

private:
    // Where face f lies: during a trial, the moved side at its trial position.
    const Point2* Where(int f) const;
    int Hit(const Point2* flap, int f, bool restOnly = false);
    template <typename Keep> int FlapHit(const Point2* flap, const Box& box, Keep&& keep);
    void PlaceFlap(int link, int f, const std::array<Point2, 4>& shape);
    void RemoveFlap(int link);
    void Crowd(int link, int blocker);
    void ListCrowded();
    bool SomeSideHolds(int link, int& blocker);
    bool FlapRoom(int link, int k, int& blocker);

    Search& s_;
    // Each cut edge's flap kept from move to move, so that a move recounts only the flaps it disturbs:
    // the face it stands beside (-1: none) and its shape, or while crowded the face to cut towards.
    std::vector<int> flapFace_, blocker_;
    std::vector<std::array<Point2, 4>> flapShape_;
    std::vector<Box> flapBox_;
    std::unordered_map<uint64_t, std::vector<int>> flapCells_;
    std::vector<int> linkStamp_;
    int linkStampNow_ = 0;
    // A trial sees the moved side where the move puts it, without the flaps it takes away (`dropped_`)
    // and with those it has placed again.
    bool trial_ = false;
    RigidMotion trialTurn_;
    Box sideBox_{0, 0, 0, 0};
    std::vector<char> dropped_;
    std::vector<FlapChange> placed_;
};

} // namespace tsm::onepiece
