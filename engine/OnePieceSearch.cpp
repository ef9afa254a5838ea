#include "engine/OnePieceSearch.h"

#include "engine/WindingCuts.h"

#include "engine/CutRepair.h"
#include "engine/DisjointSets.h"
#include "engine/FlapDesign.h"
#include "engine/Flaps.h"
#include "engine/SlitClosure.h"
#include "engine/Topology.h"
#include "engine/TreePieces.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <numeric>

namespace tsm::onepiece {

bool Search::Build(const std::vector<Edge*>& joins) {
    std::unordered_map<const Face*, int>& faceIndex = faceIndex_;
    std::unordered_map<const Vertex*, int> vertexIndex;
    std::vector<double> angle;
    const auto vertexOf = [&](const Vertex* v) {
        auto [it, added] = vertexIndex.emplace(v, static_cast<int>(angle.size()));
        if (added) angle.push_back(0);
        return it->second;
    };
    start_.push_back(0);
    for (int f = 0; f < n_; ++f) {
        Face& face = *in_.faces[f];
        if (face.halfEdges.size() < 3) return false;
        faceIndex.emplace(&face, f);
        LayFaceFlat(face);
        for (const auto& corner : face.halfEdges) {
            const HalfEdge* previous = PreviousCorner(*corner);
            if (corner->vertex == nullptr || previous == nullptr) return false;
            local_.push_back(corner->Pos2D());
            angle[vertexOf(corner->vertex)] += CornerAngle(*corner, *previous);
        }
        start_.push_back(static_cast<int>(local_.size()));
        double twice = 0;
        for (int i = start_[f]; i + 1 < start_[f + 1]; ++i)
            twice += local_[i].x * local_[i + 1].y - local_[i + 1].x * local_[i].y;
        twice += local_.back().x * local_[start_[f]].y - local_[start_[f]].x * local_.back().y;
        area_.push_back(std::fabs(twice) / 2);
    }
    const int vertices = static_cast<int>(angle.size());
    border_.assign(vertices, 0);
    cut_.assign(vertices, 0);
    affectedMark_.assign(vertices, 0);
    faceLinks_.resize(n_);
    vertexLinks_.resize(vertices);
    const auto cornerOf = [](const HalfEdge* h) {
        const auto& ring = h->face->halfEdges;
        for (size_t k = 0; k < ring.size(); ++k)
            if (ring[k].get() == h) return static_cast<int>(k);
        return -1;
    };
    int edges = 0;
    for (size_t i = 0; i < in_.edges.size(); ++i) {
        const Edge& edge = *in_.edges[i];
        const HalfEdge* h[2] = {edge.halfEdge1, edge.halfEdge2};
        if (h[0] == nullptr || h[0]->vertex == nullptr || h[0]->next == nullptr) continue;
        auto a = h[0]->face ? faceIndex.find(h[0]->face) : faceIndex.end();
        auto b = h[1] && h[1]->face ? faceIndex.find(h[1]->face) : faceIndex.end();
        // An edge of faces outside those searched (a region of the model) is none of the search's.
        if (a == faceIndex.end() && b == faceIndex.end()) continue;
        const int ends[2] = {vertexOf(h[0]->vertex), vertexOf(h[0]->next->vertex)};
        ++edges;
        if (a == faceIndex.end() || b == faceIndex.end() || a->second == b->second) {
            border_[ends[0]] = border_[ends[1]] = 1;
            continue;
        }
        ++cut_[ends[0]], ++cut_[ends[1]];
        if (in_.weights[i] < 0) continue;
        Link link;
        link.edge = static_cast<int>(i);
        link.face[0] = a->second, link.face[1] = b->second;
        link.corner[0] = cornerOf(h[0]), link.corner[1] = cornerOf(h[1]);
        link.vertex[0] = ends[0], link.vertex[1] = ends[1];
        if (link.corner[0] < 0 || link.corner[1] < 0) return false;
        const int index = static_cast<int>(links_.size());
        links_.push_back(link);
        faceLinks_[link.face[0]].push_back(index);
        faceLinks_[link.face[1]].push_back(index);
        vertexLinks_[ends[0]].push_back(index);
        vertexLinks_[ends[1]].push_back(index);
    }
    narrow_.assign(vertices, 0);
    for (int v = 0; v < vertices; ++v) narrow_[v] = !border_[v] && kFullTurn - angle[v] < kMinSlitRadians;
    slitHolds_.assign(2 * links_.size(), 0);
    slitCloses_.assign(2 * links_.size(), 0);
    for (size_t k = 0; k < links_.size(); ++k)
        for (int end = 0; end < 2 && in_.flapHeight > 0; ++end) {
            const Link& l = links_[k];
            const int v = l.vertex[end];
            if (!narrow_[v]) continue;
            const Edge& edge = *in_.edges[l.edge];
            const Vertex* at = end == 0 ? edge.halfEdge1->vertex : edge.halfEdge1->next->vertex;
            if (!in_.limit.active)
                slitHolds_[2 * k + end] = FitsSlitAt(edge, at, kFullTurn - angle[v], in_.flapHeight);
            slitCloses_[2 * k + end] =
                closing_ && SlitCloses(edge.length, kFullTurn - angle[v], in_.flapHeight);
        }

    // The plan's parts first, tied together where sharp folds leave the shortest cuts.
    std::unordered_map<const Edge*, int> linkOf;
    for (size_t k = 0; k < links_.size(); ++k) linkOf.emplace(in_.edges[links_[k].edge], static_cast<int>(k));
    std::vector<int> order;
    std::vector<char> listed(links_.size(), 0);
    // Edges where neither side can hold a flap stay folded: first into the tree, and never cut by a move.
    fixed_.assign(links_.size(), 0);
    for (size_t k = 0; k < links_.size(); ++k)
        if (in_.flapHeight > 0 && !Holds(static_cast<int>(k), 0) && !Holds(static_cast<int>(k), 1))
            order.push_back(static_cast<int>(k)), listed[k] = fixed_[k] = 1;
    for (const Edge* edge : joins) {
        auto it = linkOf.find(edge);
        if (it != linkOf.end() && !listed[it->second]) order.push_back(it->second), listed[it->second] = 1;
    }
    // The cut edges of one piece leave a closed surface a disc: on a sphere they form a tree, with two ends
    // at least. On a surface with handles they hold a loop around each handle and need end nowhere.
    const bool sphere = vertices - edges + n_ == 2;
    handles_ = std::find(border_.begin(), border_.end(), 1) == border_.end() && vertices - edges + n_ < 2;
    const std::vector<int> edgesAt = cut_;
    const size_t planned = order.size();
    for (size_t k = 0; k < links_.size(); ++k)
        if (!listed[k]) order.push_back(static_cast<int>(k));
    double meanLength = 0;
    for (const Link& link : links_) meanLength += in_.edges[link.edge]->length / links_.size();
    const auto key = [&](int k) {
        const Edge& edge = *in_.edges[links_[k].edge];
        const double fold = std::isfinite(edge.foldAngle) ? 180.0 - edge.foldAngle : 180.0;
        const double length = std::isfinite(edge.length) && meanLength > 0 ? edge.length / meanLength : 0.0;
        return 0.1 * fold - length;
    };
    std::stable_sort(order.begin() + planned, order.end(), [&](int a, int b) { return key(a) < key(b); });
    DisjointSets parts(n_);
    inTree_.assign(links_.size(), 0);
    int pieces = n_;
    for (int k : order) {
        if (!parts.Join(links_[k].face[0], links_[k].face[1])) continue;
        --pieces;
        inTree_[k] = 1;
        --cut_[links_[k].vertex[0]], --cut_[links_[k].vertex[1]];
    }
    if (pieces != 1) return false;

    cell_ = in_.cellSize > 0 && std::isfinite(in_.cellSize) ? in_.cellSize : 2 * meanLength;
    if (!(cell_ > 0) || !std::isfinite(cell_)) return false;
    world_.resize(local_.size());
    moved_.resize(local_.size());
    boxes_.resize(n_);
    isWide_.assign(n_, 0);
    stamp_.assign(n_, 0);
    inSide_.assign(n_, 0);
    partners_.resize(n_);
    tabu_.assign(links_.size(), 0);
    stubborn_.assign(links_.size(), 0);
    large_ = LargeUnderLimit(in_);
    budget_ = large_ ? kRounds * kRoundWorkPerFaceLarge * n_
                     : std::min(kWorkPerFace * n_, in_.limit.active ? kMostWorkUnderLimit : kMostWork);
    if (in_.searchWork > 0 && !in_.limit.active) budget_ = in_.searchWork;
    startTree_ = inTree_;
    startCut_ = cut_;
    CountStuck(edgesAt, sphere);
    Layout();
    if (FreeOverlappingFolds()) {
        CountStuck(edgesAt, sphere);
        CountAll();
    }
    if (Winds()) {
        Random draw(Seed());
        UseTree(WindingTree(Winding(), draw));
    }
    return true;
}

// Folds no flap can be glued to stay folded, but where such folds alone lay two faces over each other (the
// slivers around a saddle of a simplified mesh) no tree is clear of overlaps, and the search would end with
// none to offer (a dinosaur of 1,000 faces, fitted, kept the growths' 36 parts). The folds between those
// faces may be cut after all; cut, their flap is crowded, which the tree nearest one piece then has. Whether
// any was.
bool Search::FreeOverlappingFolds() {
    std::vector<int> path;
    bool freed = false;
    for (int f = 0; f < n_; ++f)
        for (int g : partners_[f]) {
            if (g < f) continue;
            path.clear();
            for (int x = f, y = g; x != y; x = parentFace_[x]) {
                if (depth_[x] < depth_[y]) std::swap(x, y);
                path.push_back(parentLink_[x]);
            }
            if (!std::all_of(path.begin(), path.end(), [&](int link) { return fixed_[link]; })) continue;
            for (int link : path) fixed_[link] = 0;
            freed = true;
        }
    return freed;
}

// A shallow vertex with at most one edge that can be cut, and no room for a flap beside the slit that edge
// leaves, either ends a cut in a narrow slit or has a cut no flap fits beside: no tree gives one clean
// piece, and the search looks for the tree nearest it. A vertex ends a cut cleanly where it is sharp or
// where some edge that can be cut leaves a slit with room for its flap. On a sphere, where fewer than two
// vertices may end a cut, the others end in narrow slits. `edgesAt`: the edges at each vertex.
void Search::CountStuck(const std::vector<int>& edgesAt, bool sphere) {
    const int vertices = static_cast<int>(edgesAt.size());
    std::vector<int> cuttable = edgesAt;
    std::vector<char>& ends = slitEnds_;
    ends.assign(vertices, 0);
    for (size_t k = 0; k < links_.size(); ++k) {
        if (fixed_[k]) --cuttable[links_[k].vertex[0]], --cuttable[links_[k].vertex[1]];
        for (int end = 0; end < 2 && !fixed_[k]; ++end)
            ends[links_[k].vertex[end]] |= slitHolds_[2 * k + end] | slitCloses_[2 * k + end];
    }
    int enders = 0;
    stuck_ = 0;
    for (int v = 0; v < vertices; ++v) {
        enders += !narrow_[v] || ends[v];
        stuck_ += narrow_[v] && (cuttable[v] < 1 || (cuttable[v] == 1 && !ends[v]));
    }
    stuck_ += sphere ? std::max(0, 2 - enders) : 0;
}

// The motion that turns `movedFace`'s side of `link` onto the other side, each at its world position.
RigidMotion Search::Across(int link, int movedFace) const {
    const Link& l = links_[link];
    const int k = l.face[0] == movedFace ? 0 : 1;
    const int still = l.face[1 - k];
    const Point2* p = World(still);
    const Point2* q = World(movedFace);
    const Point2 hs = p[l.corner[1 - k]], he = p[(l.corner[1 - k] + 1) % Count(still)];
    const Point2 ts = q[l.corner[k]], te = q[(l.corner[k] + 1) % Count(movedFace)];
    const double theta = std::atan2(hs.y - he.y, hs.x - he.x) - std::atan2(te.y - ts.y, te.x - ts.x);
    RigidMotion turn;
    turn.c = std::cos(theta);
    turn.s = std::sin(theta);
    const Point2 shifted = turn.Apply(ts);
    turn.tx = he.x - shifted.x;
    turn.ty = he.y - shifted.y;
    return turn;
}

// The tree's parents and visiting order from face 0: a face's subtree is a range of the order.
void Search::Tree() {
    if (seen_.size() != static_cast<size_t>(n_)) {
        // Each face's links with the face across each, in one array: the walk below runs after every move.
        for (int f = 0; f < n_; ++f) {
            slotStart_.push_back(static_cast<int>(slotLink_.size()));
            for (int link : faceLinks_[f]) {
                slotLink_.push_back(link);
                slotFace_.push_back(links_[link].face[0] == f ? links_[link].face[1] : links_[link].face[0]);
            }
        }
        slotStart_.push_back(static_cast<int>(slotLink_.size()));
        seen_.assign(n_, 0);
        parentLink_.assign(n_, -1);
        parentFace_.assign(n_, -1);
        depth_.assign(n_, 0);
        tin_.assign(n_, -1);
        tout_.assign(n_, 0);
    }
    // Every face is reached, as the tree spans them all: a face's marks are all set once it is seen.
    ++seenNow_;
    order_.clear();
    walk_.assign(1, {0, slotStart_[0]});
    seen_[0] = seenNow_;
    tin_[0] = 0;
    order_.push_back(0);
    while (!walk_.empty()) {
        auto& [f, next] = walk_.back();
        if (next == slotStart_[f + 1]) {
            tout_[f] = static_cast<int>(order_.size());
            walk_.pop_back();
            continue;
        }
        const int slot = next++;
        const int link = slotLink_[slot];
        if (!inTree_[link]) continue;
        const int g = slotFace_[slot];
        if (seen_[g] == seenNow_) continue;
        seen_[g] = seenNow_;
        tin_[g] = static_cast<int>(order_.size());
        order_.push_back(g);
        parentLink_[g] = link;
        parentFace_[g] = f;
        depth_[g] = depth_[f] + 1;
        walk_.push_back({g, slotStart_[g]});
    }
}

// Every face placed anew from its flat corners along the tree, the overlaps and bad vertices counted.
void Search::Place() {
    std::copy(local_.begin() + start_[0], local_.begin() + start_[1], world_.begin());
    for (size_t i = 1; i < order_.size(); ++i) {
        const int f = order_[i];
        std::copy(local_.begin() + start_[f], local_.begin() + start_[f + 1], world_.begin() + start_[f]);
        const RigidMotion turn = Across(parentLink_[f], f);
        for (int c = start_[f]; c < start_[f + 1]; ++c) world_[c] = turn.Apply(world_[c]);
    }
}

void Search::Layout() {
    Tree();
    Place();
    cells_.clear();
    wide_.clear();
    std::fill(isWide_.begin(), isWide_.end(), 0);
    for (int f = 0; f < n_; ++f) Index(f, true);
    CountAll();
}

Box Search::BoxOf(const Point2* p, int count) const {
    Box box{p[0].x, p[0].y, p[0].x, p[0].y};
    for (int i = 1; i < count; ++i) {
        box.x0 = std::min(box.x0, p[i].x), box.x1 = std::max(box.x1, p[i].x);
        box.y0 = std::min(box.y0, p[i].y), box.y1 = std::max(box.y1, p[i].y);
    }
    return box;
}

// Adds face f to the grid at its world position, or takes it out.
void Search::Index(int f, bool insert) {
    if (insert) boxes_[f] = BoxOf(World(f), Count(f));
    const Box& box = boxes_[f];
    if (Wide(box)) {
        if (insert)
            wide_.push_back(f), isWide_[f] = 1;
        else
            wide_.erase(std::find(wide_.begin(), wide_.end(), f)), isWide_[f] = 0;
        return;
    }
    ForEachCell(box, [&](uint64_t key) {
        std::vector<int>& cell = cells_[key];
        if (insert)
            cell.push_back(f);
        else
            cell.erase(std::find(cell.begin(), cell.end(), f));
    });
}

void Search::CountAll() {
    pairCount_ = 0;
    for (auto& list : partners_) list.clear();
    for (int f = 0; f < n_; ++f)
        Near(f, boxes_[f], [&](int g) {
            if (g < f || !FacesOverlap(World(f), Count(f), World(g), Count(g), in_.sharedPointSquared))
                return;
            partners_[f].push_back(g);
            partners_[g].push_back(f);
            ++pairCount_;
        });
    badCount_ = 0;
    for (size_t v = 0; v < cut_.size(); ++v) badCount_ += BadNow(static_cast<int>(v));
    if (flapsCounted_) flaps_.CountCrowded();
}

// The faces that move when `removed` is cut: the smaller of the two sides it leaves.
void Search::Side(int removed) {
    for (int f : side_) inSide_[f] = 0;
    side_.clear();
    // The subtree is a range of the visiting order and the rest the ranges either side of it: the side
    // costs no more than its own faces.
    const int child = Child(removed);
    const auto take = [&](int from, int to) {
        for (int i = from; i < to; ++i) side_.push_back(order_[i]), inSide_[order_[i]] = 1;
    };
    if (2 * (tout_[child] - tin_[child]) <= n_) {
        take(tin_[child], tout_[child]);
    } else {
        take(0, tin_[child]);
        take(tout_[child], n_);
    }
    sideOld_ = 0;
    for (int f : side_)
        for (int g : partners_[f]) sideOld_ += !inSide_[g];
}

void Search::Affected(int removed, int added) const {
    affected_.clear();
    // Each vertex once, marked rather than sorted: this runs for every join a move weighs.
    if (++affectedNow_ == 0) std::fill(affectedMark_.begin(), affectedMark_.end(), 0), affectedNow_ = 1;
    const auto add = [&](int v) {
        if (affectedMark_[v] != affectedNow_) affectedMark_[v] = affectedNow_, affected_.push_back(v);
    };
    const int ends[4] = {links_[removed].vertex[0], links_[removed].vertex[1], links_[added].vertex[0],
                         links_[added].vertex[1]};
    // Only a narrow vertex is ever bad, and one beyond the ends only through a slit along `link` that may
    // close, whose far end is v: the rest need no look (a tenth of the search's time went here).
    for (int v : ends) {
        if (narrow_[v]) add(v);
        if (!closing_) continue;
        for (int link : vertexLinks_[v]) {
            const int end = links_[link].vertex[0] == v ? 1 : 0;
            if (slitCloses_[2 * link + end]) add(links_[link].vertex[end]);
        }
    }
}

// The change in bad vertices when `removed` is cut and `added` folded.
int Search::Leaves(int removed, int added) const {
    Affected(removed, added);
    int leaves = 0;
    for (int v : affected_) leaves += Bad(v, CutAfter(v, removed, added), removed, added) - BadNow(v);
    return leaves;
}

// The cost change of cutting `removed` (its side listed by Side) and folding `added` instead, in `move`
// unless it exceeds `allowed`.
bool Search::Evaluate(int removed, int added, int leaves, int allowed, Move& move) {
    const Link& a = links_[added];
    const int movedFace = inSide_[a.face[0]] ? a.face[0] : a.face[1];
    const RigidMotion turn = Across(added, movedFace);
    std::vector<std::pair<int, int>> pairs;
    int fresh = 0;
    for (int f : side_) {
        work_ += 1;
        for (int c = start_[f]; c < start_[f + 1]; ++c) moved_[c] = turn.Apply(world_[c]);
        const Point2* p = moved_.data() + start_[f];
        Near(f, BoxOf(p, Count(f)), [&](int g) {
            if (inSide_[g] || !FacesOverlap(p, Count(f), World(g), Count(g), in_.sharedPointSquared)) return;
            pairs.push_back({f, g});
            ++fresh;
        });
        if (kClash * (fresh - sideOld_ + leaves) - crowded_ > allowed) return false;
    }
    move.removed = removed;
    move.added = added;
    move.delta = kClash * (fresh - sideOld_ + leaves);
    move.turn = turn;
    move.pairs = std::move(pairs);
    move.flapsKnown = false;
    // Flaps are counted for the moves that may be made: the count decides between them.
    if (flapsCounted_ && move.delta <= kMostRise) flaps_.Trial(move);
    return move.delta <= allowed;
}

void Search::Apply(const Move& move) {
    for (int f : side_) {
        Index(f, false);
        for (int c = start_[f]; c < start_[f + 1]; ++c) world_[c] = move.turn.Apply(world_[c]);
        Index(f, true);
        auto& list = partners_[f];
        for (int g : list)
            if (!inSide_[g]) {
                auto& back = partners_[g];
                back.erase(std::find(back.begin(), back.end(), f));
                --pairCount_;
            }
        list.erase(std::remove_if(list.begin(), list.end(), [&](int g) { return !inSide_[g]; }), list.end());
    }
    if (flapsCounted_) flaps_.Commit(move);
    for (const auto& [f, g] : move.pairs) {
        partners_[f].push_back(g);
        partners_[g].push_back(f);
        ++pairCount_;
    }
    const Link& r = links_[move.removed];
    const Link& a = links_[move.added];
    // Each vertex once: one the swapped edges share keeps its count, but its cut may be the other edge now.
    Affected(move.removed, move.added);
    for (int v : affected_) badCount_ -= BadNow(v);
    ++cut_[r.vertex[0]], ++cut_[r.vertex[1]];
    --cut_[a.vertex[0]], --cut_[a.vertex[1]];
    inTree_[move.removed] = 0;
    inTree_[move.added] = 1;
    for (int v : affected_) badCount_ += BadNow(v);
    for (int f : side_) inSide_[f] = 0;
    side_.clear();
    Tree();
}

bool Search::Tick() {
    if (!step_ || steps_ <= 0) return true;
    const int position = 1 + static_cast<int>(std::min(1.0, work_ / budget_) * (steps_ - 1));
    if (position == lastPosition_) return true;
    lastPosition_ = position;
    return step_(position);
}

Result<bool> Search::Run(int rounds) {
    if (finished_) return found_;
    const uint64_t seed = Seed();
    // Where an earlier call paused, the search goes on exactly as if it had not.
    if (!started_) {
        started_ = true;
        random_ = Random(seed);
        best_ = Cost();
        bestTree_ = inTree_;
    }
    Random& random = random_;
    int& round = round_;
    int& best = best_;
    std::vector<char>& bestTree = bestTree_;
    int& stale = stale_;
    // Back to the best tree, placed afresh so that rounding cannot pile up.
    const auto backToBest = [&] {
        stale = 0;
        work_ += kLayoutWork * n_;
        UseTree(bestTree);
    };
    // A round's best tree, kept where no round came nearer (TakeLeast).
    const auto keepLeast = [&] {
        if (best < leastCost_) leastCost_ = best, least_ = bestTree;
    };
    std::vector<int> removals, joins, leaves;
    Move chosen, trial;
    bool designed = false;
    for (int& iteration = iteration_;; ++iteration) {
        if (!Tick()) return Outcome::Cancelled();
        // Flaps count from the first tree whose faces and vertices are all clear on (but for the slits no
        // tree avoids): before that, nearly every edge is crowded somewhere and counting them would only
        // cost time.
        if (!flapsCounted_ && pairCount_ + badCount_ <= stuck_ && in_.flapHeight > 0) {
            flapsCounted_ = true;
            flaps_.CountCrowded();
            Remember();
            best = Cost();
            bestTree = inTree_;
            stale = 0;
        }
        if (roomy_) {
            designed = true;
            break;
        }
        if (Cost() == 0) {
            designed = !flapsCounted_ || FlapsDesigned(Joins());
            if (designed || Cost() == 0) break;
            // The design found crowded flaps the count missed: the tree kept as nearest is no better than
            // the count now says, or a truly nearer one would never replace it.
            if (nearest_ == inTree_) nearestFaults_ = crowded_ + badCount_, nearestAsked_ = true;
            best = Cost();
            bestTree = inTree_;
            stale = 0;
        }
        if (work_ >= budget_) break;
        if (work_ >= budget_ * (round + 1) / kRounds) {
            if (large_ && nearestFaults_ >= 0) break;
            keepLeast();
            // The first round draws from the search's seed, each later one from a seed drawn from it.
            ++round;
            random = Random(Random(seed + static_cast<uint64_t>(round)).Next());
            Restart();
            best = Cost();
            bestTree = inTree_;
            stale = 0;
            if (round >= rounds) {
                ++iteration; // where the next call takes up the loop
                return false;
            }
            continue;
        }
        // One conflict drawn: an overlapping pair, a vertex whose cut ends there in too narrow a slit, or a
        // crowded flap and the face it runs into.
        const size_t pick = random.Below(2 * pairCount_ + badCount_ + crowdedFaces_.size());
        removals.clear();
        // Each overlapping pair is listed under both its faces; a draw past them need not walk the faces.
        const size_t listed = 2 * static_cast<size_t>(pairCount_);
        size_t seen = pick >= listed ? listed : 0;
        for (int f = 0; f < n_ && removals.empty() && pick < listed; ++f) {
            if (pick >= seen + partners_[f].size()) {
                seen += partners_[f].size();
                continue;
            }
            int x = f, y = partners_[f][pick - seen];
            while (x != y) {
                if (depth_[x] < depth_[y]) std::swap(x, y);
                removals.push_back(parentLink_[x]);
                x = parentFace_[x];
            }
        }
        if (removals.empty() && pick >= seen + badCount_) {
            auto [x, y] = crowdedFaces_[pick - seen - badCount_];
            while (x != y) {
                if (depth_[x] < depth_[y]) std::swap(x, y);
                removals.push_back(parentLink_[x]);
                x = parentFace_[x];
            }
        } else if (removals.empty()) {
            size_t bad = pick - seen;
            for (size_t v = 0; v < cut_.size(); ++v)
                if (BadNow(static_cast<int>(v)) && bad-- == 0) {
                    for (int link : vertexLinks_[v])
                        if (inTree_[link]) removals.push_back(link);
                    break;
                }
        }
        removals.erase(
            std::remove_if(removals.begin(), removals.end(), [&](int link) { return fixed_[link]; }),
            removals.end());
        for (size_t i = 0; i < removals.size() && i < static_cast<size_t>(kRemovalsPerMove); ++i)
            std::swap(removals[i], removals[i + random.Below(removals.size() - i)]);
        if (removals.size() > static_cast<size_t>(kRemovalsPerMove)) removals.resize(kRemovalsPerMove);
        chosen.removed = -1;
        int bestDelta = flapsCounted_ ? kMostRise + 1 : std::numeric_limits<int>::max();
        bool tried = false;
        for (int removed : removals) {
            Side(removed);
            joins.clear();
            for (int f : side_)
                for (int link : faceLinks_[f]) {
                    const Link& l = links_[link];
                    if (!inTree_[link] && inSide_[l.face[0]] != inSide_[l.face[1]]) joins.push_back(link);
                }
            // Where some joins leave fewer bad vertices, only those are drawn: a cut that must end at a sharp
            // vertex rarely gets there by a join drawn from all.
            leaves.clear();
            for (int link : joins) leaves.push_back(Leaves(removed, link));
            const bool better = std::any_of(leaves.begin(), leaves.end(), [](int d) { return d < 0; });
            const bool worse = std::all_of(leaves.begin(), leaves.end(), [](int d) { return d > 0; });
            size_t kept = 0;
            for (size_t i = 0; i < joins.size(); ++i)
                if (better ? leaves[i] < 0 : worse || leaves[i] <= 0)
                    joins[kept] = joins[i], leaves[kept++] = leaves[i];
            joins.resize(kept);
            for (size_t i = 0; i < joins.size() && i < static_cast<size_t>(kJoinsPerRemoval); ++i) {
                const size_t drawn = i + random.Below(joins.size() - i);
                std::swap(joins[i], joins[drawn]);
                std::swap(leaves[i], leaves[drawn]);
                const int added = joins[i];
                const bool taboo = tabu_[removed] > iteration || tabu_[added] > iteration;
                // A forbidden swap is allowed only where it beats the best tree found.
                const int allowed = taboo ? std::min(bestDelta - 1, best - Cost() - 1) : bestDelta - 1;
                tried = true;
                if (Evaluate(removed, added, leaves[i], allowed, trial)) {
                    bestDelta = trial.delta;
                    std::swap(chosen, trial);
                }
            }
        }
        // A draw that offers no move (every fold that could be cut is one no flap fits beside) still costs
        // as much as a look at every face, so that the search ends even where nothing is left to move.
        if (chosen.removed < 0 && !tried) {
            work_ += n_;
            continue;
        }
        // Every move tried rises too far: the tree stays, and the draw counts as a move without a better
        // tree. The moves tried have counted their work.
        if (chosen.removed < 0) {
            if (++stale >= kStaleMoves) backToBest();
            continue;
        }
        Side(chosen.removed);
        if (flapsCounted_ && !chosen.flapsKnown) flaps_.Trial(chosen);
        Apply(chosen);
        tabu_[chosen.removed] = iteration + kTenure + static_cast<int>(random.Below(kTenure + 1));
        tabu_[chosen.added] = tabu_[chosen.removed];
        // A tree the design passed ends the search at the top of the loop.
        if (Remember()) {
            best = Cost();
            bestTree = inTree_;
            stale = 0;
        } else if (Cost() < best) {
            best = Cost();
            bestTree = inTree_;
            stale = 0;
        } else if (++stale >= kStaleMoves) {
            backToBest();
        }
    }
    finished_ = true;
    keepLeast();
    if (!designed) return false;
    // Checked once more from the flat faces, as the unfolding will replay the joins; the flaps kept from
    // move to move may differ from the design's, which has the last word.
    Layout();
    found_ = pairCount_ + badCount_ == 0 && (!flapsCounted_ || FlapsDesigned(Joins()));
    return found_;
}

// Keeps the tree as the nearest one where it has fewer faults than the one kept. A tree with only a few
// faults left is shown to the flap design first, as a clear one is: the count and the design place flaps
// each their own way, and the unfolding cuts where the design, not the count, finds no room (a tree the
// count gave one crowded flap left six to cut for). Returns whether the design was asked.
bool Search::Remember() {
    // A narrow slit is cut apart as a crowded flap is, at about the cost of one more part.
    int faults = crowded_ + badCount_;
    if (!flapsCounted_ || pairCount_ != 0 || (nearestFaults_ >= 0 && faults >= nearestFaults_)) return false;
    const bool ask = faults > 0 && faults <= kAskedFaults && asked_ < kMostAsked;
    if (ask) {
        ++asked_;
        work_ += kDesignWork * n_;
        faults = flaps_.DesignedCrowded(Joins(), true) + badCount_;
        roomy_ = faults == 0;
        if (nearestFaults_ >= 0 && faults >= nearestFaults_) return true;
    }
    nearest_ = inTree_, nearestFaults_ = faults, nearestAsked_ = ask;
    return ask;
}

int Search::TakeNearest() {
    if (nearestFaults_ < 0) return -1;
    UseTree(nearest_);
    // A tree kept on the count alone is shown to the design now: its crowded flaps are what gets cut.
    if (!nearestAsked_ && in_.flapHeight > 0) {
        nearestFaults_ = flaps_.DesignedCrowded(Joins(), false) + badCount_;
        nearestAsked_ = true;
    }
    return nearestFaults_;
}

int Search::TakeLeast() {
    if (least_.empty()) return -1;
    UseTree(least_);
    return pairCount_ + badCount_ + crowded_;
}

// Makes `tree` the search's tree, its vertices' cut counts following, laid out afresh.
void Search::UseTree(const std::vector<char>& tree) {
    for (size_t k = 0; k < links_.size(); ++k)
        if (inTree_[k] != tree[k]) {
            const int d = tree[k] ? -1 : 1;
            cut_[links_[k].vertex[0]] += d, cut_[links_[k].vertex[1]] += d;
        }
    inTree_ = tree;
    Layout();
}

// Back to the tree the search started from, keeping only the stubborn flaps learnt and the nearest tree:
// the round's own draw leads elsewhere from there, where the best tree found so far would hold the search
// in the valley the draws so far have led it into.
void Search::Restart() {
    inTree_ = startTree_;
    cut_ = startCut_;
    flapsCounted_ = false;
    crowded_ = 0;
    crowdedFaces_.clear();
    std::fill(tabu_.begin(), tabu_.end(), 0);
    if (Winds())
        UseTree(WindingTree(Winding(), random_));
    else
        Layout();
}

// A closed surface with handles (a knotted tube, a ring, a figure eight) needs cuts that end nowhere: each
// round around a handle may run through every vertex. Fitted, such a surface's rounds start from the
// plan's tree and from a winding one by turns, the search that closes slits the other way round: the
// first search's rounds from a winding tree find most of the knotted tubes, whose trees from the plan end
// cuts at shallow vertices by the dozen (of 16 tubes of 600 to 1,400 faces, 4 came out in one piece, now
// 10 or more), and the other's first round from the plan's tree finds what it found before. On a surface
// without handles every tree ends its cuts somewhere, and the winding trees' ends left a smooth head of
// 1,000 faces in 11 parts, where the plan's left 2. Under a sheet limit the tree is cut back into
// sheet-sized parts along the plan's own, and every round starts there.
bool Search::Winds() const {
    return handles_ && !in_.limit.active && (round_ + (closing_ ? 1 : 0)) % 2 == 0;
}

WindingInput Search::Winding() const {
    return {n_, links_, vertexLinks_, fixed_, narrow_, border_};
}

// Whether side k of `link` can hold a flap of half its reference area at all, whatever lies around it: the
// flap design keeps a flap within the base angles the neighbour's corners allow, and on a thin face those
// leave too little glue however the faces are laid out.
bool Search::Holds(int link, int k) const {
    const Link& l = links_[link];
    const HalfEdge& side = *in_.faces[l.face[k]]->halfEdges[l.corner[k]];
    const Edge& edge = *in_.edges[l.edge];
    const double length = edge.length;
    if (!(length > 0) || !std::isfinite(length)) return true;
    if (!(side.flapAngle1 > 0) || !(side.flapAngle2 > 0)) return false;
    const double spread = 1 / std::tan(side.flapAngle1) + 1 / std::tan(side.flapAngle2);
    const double apex = spread > 0 ? length / spread : in_.flapHeight;
    const double t = std::min(in_.flapHeight, apex);
    const double h = std::min(in_.flapHeight, length / 2);
    return t * (length - t * spread / 2) >= 0.999 * h * (length - h) / 2;
}

bool Search::FlapsDesigned(const std::vector<Edge*>& joins) {
    return flaps_.DesignedCrowded(joins, true) == 0;
}

std::vector<Edge*> Search::Joins() const {
    std::vector<Edge*> joins;
    for (size_t i = 1; i < order_.size(); ++i)
        joins.push_back(in_.edges[links_[parentLink_[order_[i]]].edge]);
    return joins;
}

} // namespace tsm::onepiece

namespace tsm::onepiece {

std::vector<Edge*> Search::JoinsInSheets(int& pieces) {
    Tree();
    Place();
    FlatTree tree;
    tree.start = start_;
    tree.corners = world_;
    std::vector<int> linkOf;
    for (size_t i = 1; i < order_.size(); ++i) {
        const Link& l = links_[parentLink_[order_[i]]];
        tree.links.push_back({l.face[0], l.face[1]});
        linkOf.push_back(parentLink_[order_[i]]);
    }
    const std::vector<char> kept = PiecesFittingSheets(tree, in_.limit, pieces);
    std::vector<Edge*> joins;
    for (size_t i = 0; i < linkOf.size(); ++i)
        if (kept[i]) joins.push_back(in_.edges[links_[linkOf[i]].edge]);
    return joins;
}

} // namespace tsm::onepiece
