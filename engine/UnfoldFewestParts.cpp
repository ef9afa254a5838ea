#include "engine/UnfoldFewestParts.h"

#include "engine/CutRepair.h"
#include "engine/OnePieceSearch.h"
#include "engine/PartHulls.h"
#include "engine/UnfoldOnePiece.h"
#include "engine/UnfoldOverlap.h"
#include "engine/UnfoldPeel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <limits>
#include <numeric>
#include <set>
#include <unordered_map>

namespace tsm {

namespace {

// A part with fewer faces than this counts as a leftover that the next growth should absorb.
constexpr int kSmallPart = 20;
// How much sooner, in the growth order, an edge on a small part's border comes in each following growth:
// ten degrees of fold make one step of 1.0, the length of a mean edge another. Which pull leaves the
// fewest parts differs from model to model and jumps about (measured on the test meshes: the bunny ends
// one part lower with the stronger pull, the cactus one part higher), so the growths run in chains, one
// chain per pull, each starting again from the sharp folds and long edges; a chain gives way to the next
// once it has not found fewer parts for a few growths.
constexpr double kSmallPartPulls[] = {3.0, 6.0};
constexpr int kStaleGrowths = 4;
// Cutting a neighbour for a leftover group pays off less often than a dissolution, but often enough on
// the test meshes (the bunny at 150 mm, 174 dissolutions: 117 parts with two attempts each, 102 with four,
// 96 with six); each attempt costs about a growth.
constexpr int kRehomesPerDissolution = 6;
// How many of the joins between a stuck group's edge and the face in its way are tried as the cut.
constexpr int kCutsPerEdge = 8;
constexpr double kFoldWeight = 0.1; // per degree of fold away from flat
// The growths after the upright one run while their count times the face count stays under this, between
// 2 and 44 of them, so that the time grows with the model's size and no more.
constexpr double kFaceGrowthBudget = 64000;

// After the growths, parts are dissolved one at a time, smallest first: their faces go one by one to the
// neighbouring parts, which often take singly the faces they refused as a group; a dissolution that leaves
// fewer parts is kept. They find far more than further growths do (measured: the bunny at 150 mm, 156
// parts after 44 growths and 44 dissolutions, 110 after 17 and 132 in about the same time), and they cost
// less, as the parts that stay are made again untested; so they get the larger budget per face. The count
// falls about evenly with the budget (the bunny: 110 at 130, 102 at 174, 86 at 522), the time rises with
// it. Large models get none: a few dissolutions rarely find one that pays, and there each costs seconds.
constexpr double kFaceDissolutionBudget = 640000;
constexpr int kMostDissolutions = 176;
constexpr int kFewestDissolutions = 4;

int DissolutionsFor(const FewestPartsInput& input) {
    const double faces = std::max<double>(1.0, static_cast<double>(input.faces.size()));
    const int all = static_cast<int>(std::min<double>(kFaceDissolutionBudget / faces, kMostDissolutions));
    if (all < kFewestDissolutions) return 0;
    return input.candidateLimit > 0 ? std::min(input.candidateLimit, all) : all;
}

// The peel's joins lay no edge's two sides closer together at both ends than this share of the edge's
// reference flap height: its flap would then crowd, and the unfolding would cut the part for it. On the
// bunny at 150 mm, 12 crowded flaps and 48 parts made without the rule; a quarter leaves 1 and 41 parts
// (a fifth 42, a third 44, a half 46, the whole height 48: refused joins cost parts as well).
constexpr double kSidesApart = 0.25;

// The peel runs under a sheet limit only: fitted to one sheet it leaves the bunny in 41 parts rather than
// 96, but its long ribbons spread so wide that the scale which fits them on the sheet falls by a third.
// And on models larger than the one-piece search takes when fitted: on smaller ones that search's tree,
// cut into sheets, leaves fewer parts (the geosphere, peeled, ended a part worse); on larger ones the
// search may find no tree without overlaps, and the peel is what is left.
int PeelsFor(const FewestPartsInput& input) {
    return input.limit.active && input.faces.size() > onepiece::kMostFaces ? kMostPeelOrders : 0;
}

int GrowthsFor(const FewestPartsInput& input) {
    const double faces = std::max<double>(1.0, static_cast<double>(input.faces.size()));
    const int learned = static_cast<int>(std::clamp(kFaceGrowthBudget / faces, 2.0, 44.0));
    const int all = 1 + learned;
    return input.candidateLimit > 0 ? std::min(input.candidateLimit, all) : all;
}

class Planner {
public:
    Planner(const FewestPartsInput& input, const std::function<bool(int)>& step)
        : in_(input), step_(step), m_(static_cast<int>(input.edges.size())) {
        const size_t n = in_.faces.size();
        own_.reserve(n);
        original_.reserve(n);
        for (size_t i = 0; i < n; ++i) {
            own_.push_back(std::make_unique<Part>());
            original_.push_back(in_.faces[i]->part);
            faceIndex_.emplace(in_.faces[i], static_cast<int>(i));
            LayFaceFlat(*in_.faces[i]);
            for (const auto& corner : in_.faces[i]->halfEdges) flat_.push_back(corner->Pos2D());
        }
        double lengthSum = 0;
        int counted = 0;
        for (int i = 0; i < m_; ++i) {
            edgeIndex_.emplace(in_.edges[i], i);
            const auto sideOf = [&](const HalfEdge* h) {
                auto it = h != nullptr ? faceIndex_.find(h->face) : faceIndex_.end();
                return it != faceIndex_.end() ? it->second : -1;
            };
            sides_.push_back({sideOf(in_.edges[i]->halfEdge1), sideOf(in_.edges[i]->halfEdge2)});
            const double length = in_.edges[i]->length;
            if (std::isfinite(length)) lengthSum += length, ++counted;
        }
        meanLength_ = counted > 0 && lengthSum > 0 ? lengthSum / counted : 1.0;
    }

    Result<FewestPartsPlan> Run() {
        FewestPartsPlan best;
        const int growths = GrowthsFor(in_);
        std::vector<double> keys(m_);
        for (int i = 0; i < m_; ++i) keys[i] = in_.weights[i];
        const int fewest = ConnectedPieces();
        const int chains = static_cast<int>(std::size(kSmallPartPulls));
        int chain = -1, chainBest = 0, stale = 0;
        for (int g = 0; g < growths && !cancelled_ && best.parts != fewest; ++g) {
            trial_ = g;
            if (g > 0 && (chain < 0 || (stale >= kStaleGrowths && chain + 1 < chains))) {
                ++chain;
                chainBest = std::numeric_limits<int>::max();
                stale = 0;
                for (int i = 0; i < m_; ++i) keys[i] = FlatLongKey(*in_.edges[i]);
            } else if (g > 0) {
                PullSmallParts(keys, kSmallPartPulls[chain]);
            }
            Reset();
            Merge(keys);
            if (cancelled_) break;
            const double cut = CutLength();
            if (parts_ < chainBest) {
                chainBest = parts_;
                stale = 0;
            } else {
                ++stale;
            }
            if (best.candidate < 0 || parts_ < best.parts || (parts_ == best.parts && cut < best.cutLength)) {
                best.joins = joins_;
                best.parts = parts_;
                best.cutLength = cut;
                best.candidate = g;
            }
        }
        const int dissolutions = DissolutionsFor(in_);
        if (!cancelled_ && best.candidate >= 0) Dissolve(best, growths, dissolutions);
        // Under a sheet limit the parts are ribbons cut to the sheet, and rings peeled from a seed leave
        // fewer of them than growths from everywhere (the bunny at 150 mm: about 60 against 150 before
        // the dissolutions). The peel and its dissolutions are kept only where they leave fewer parts.
        if (!cancelled_ && PeelsFor(in_) > 0) {
            sideBySide_ = in_.limit.active && in_.limit.scale > 0;
            FewestPartsPlan peeled = Peel(growths + dissolutions);
            if (!cancelled_ && peeled.candidate >= 0) {
                Dissolve(peeled, growths + dissolutions + kMostPeelOrders, dissolutions);
                if (peeled.parts < best.parts) {
                    peeled.grown = std::move(best.joins);
                    best = std::move(peeled);
                }
            }
        }
        int trial = growths + 2 * dissolutions + kMostPeelOrders;
        if (FewestPartsClosingPlans(in_) > 0) slitFlap_ = in_.limit.flapHeightMM / in_.limit.scale;
        for (int k = 0; k < FewestPartsClosingPlans(in_) && !cancelled_; ++k) {
            closingTogether_ = k == 1;
            FewestPartsPlan peeled = Peel(trial);
            if (!cancelled_ && peeled.candidate >= 0) {
                Dissolve(peeled, trial + kMostPeelOrders, dissolutions);
                best.closing.push_back(std::move(peeled.joins));
            }
            trial += kMostPeelOrders + dissolutions;
        }
        slitFlap_ = 0;
        closingTogether_ = false;
        Restore();
        if (cancelled_) return Outcome::Cancelled();
        return best;
    }

private:
    bool Joinable(int index) const { return in_.weights[index] >= 0; }

    // Where the peel runs, its ribbons and the growths leave fewer parts with the flapless edges joined
    // first (the cow at 150 mm: 79 parts, 85 without). Where the one-piece search runs alone, it starts
    // from the growths' parts, and finds trees more often from the usual order (the bunny simplified to
    // 300 faces, fitted: 2 parts, 4 with them first).
    bool FlaplessFirst() const { return !in_.flapless.empty() && PeelsFor(in_) > 0; }

    // The growth of each peel order that leaves the fewest parts (then the shortest cuts); growth k reports
    // as trial `firstTrial` + k.
    FewestPartsPlan Peel(int firstTrial) {
        FewestPartsPlan best;
        const std::vector<PeelOrder> orders = PeelOrders(in_);
        for (size_t k = 0; k < orders.size() && !cancelled_; ++k) {
            trial_ = firstTrial + static_cast<int>(k);
            Reset();
            Merge(orders[k]);
            if (cancelled_) break;
            const double cut = CutLength();
            if (best.candidate < 0 || parts_ < best.parts || (parts_ == best.parts && cut < best.cutLength)) {
                best.joins = joins_;
                best.parts = parts_;
                best.cutLength = cut;
                best.candidate = trial_;
            }
        }
        return best;
    }

    // The parts of `plan`, each as its faces' indices, smallest first (then by their first face).
    std::vector<std::vector<int>> PartsOf(const FewestPartsPlan& plan) {
        Reset();
        for (Edge* edge : plan.joins) Join(edgeIndex_.at(edge), false);
        std::unordered_map<const Part*, std::vector<int>> byPart;
        for (size_t i = 0; i < in_.faces.size(); ++i)
            byPart[in_.faces[i]->part].push_back(static_cast<int>(i));
        std::vector<std::vector<int>> parts;
        for (auto& [part, faces] : byPart) parts.push_back(std::move(faces));
        std::sort(parts.begin(), parts.end(), [](const std::vector<int>& a, const std::vector<int>& b) {
            return a.size() != b.size() ? a.size() < b.size() : a.front() < b.front();
        });
        return parts;
    }

    // Tries to hand each part's faces to its neighbours, at most `tries` parts, keeping every attempt that
    // leaves fewer parts in `best`.
    void Dissolve(FewestPartsPlan& best, int growths, int tries) {
        if (tries <= 0 || best.parts <= 1) return;
        std::vector<std::vector<int>> parts = PartsOf(best);
        parts.pop_back(); // the largest has nowhere to go
        const std::unordered_map<const Face*, int>& faceIndex = faceIndex_;
        std::vector<char> inside(in_.faces.size(), 0);
        // Whether side k of edge i lies in the dissolved part.
        const auto sideIn = [&](int i, int k) {
            const int f = sides_[i][k];
            return f >= 0 && inside[f];
        };
        std::vector<int> border;
        int splits = kRehomesPerDissolution * tries;
        // Parts change as others dissolve; each face set is tried once.
        std::set<std::vector<int>> tried;
        size_t next = 0;
        for (int t = 0; t < tries && next < parts.size() && !cancelled_;) {
            const std::vector<int> dissolved = parts[next++];
            if (!tried.insert(dissolved).second) continue;
            trial_ = growths + t;
            for (int f : dissolved) inside[f] = 1;
            Reset();
            // The other parts again, as the plan made them.
            for (size_t j = 0; j < best.joins.size() && !cancelled_; ++j) {
                Tick(static_cast<int>(j * m_ / std::max<size_t>(best.joins.size(), 1)));
                const int i = edgeIndex_.at(best.joins[j]);
                if (sideIn(i, 0) && sideIn(i, 1)) continue;
                // A part's joins stay within the part: the others are made from the same faces as before.
                Join(i, false);
            }
            border.clear();
            for (int i = 0; i < m_; ++i) {
                if (Joinable(i) && (sideIn(i, 0) || sideIn(i, 1))) border.push_back(i);
            }
            SortFlatLongFirst(border);
            // A face of the dissolved part still alone joins a neighbour that holds other faces, sweep after
            // sweep, so that the faces next to the neighbours go first and open the way for the rest.
            const auto alone = [&](int i, int k) {
                const HalfEdge* h = k == 0 ? in_.edges[i]->halfEdge1 : in_.edges[i]->halfEdge2;
                return sideIn(i, k) && h->face->part->faces.size() == 1;
            };
            for (bool moved = true; moved && !cancelled_;) {
                moved = false;
                for (int i : border) {
                    if (refused_[i] || !Separates(i) || alone(i, 0) == alone(i, 1)) continue;
                    moved = Join(i) || moved;
                }
            }
            // What no neighbour took joins up again among itself.
            for (int i : border)
                if (!refused_[i] && Separates(i)) Join(i);
            // The groups left over, which no neighbour took whole: a neighbour cut in two may take one.
            std::vector<const Part*> leftovers;
            for (int f : dissolved) {
                const Part* part = in_.faces[f]->part;
                const bool only = std::all_of(part->faces.begin(), part->faces.end(),
                                              [&](const Face* face) { return inside[faceIndex.at(face)]; });
                if (only && std::find(leftovers.begin(), leftovers.end(), part) == leftovers.end())
                    leftovers.push_back(part);
            }
            for (int f : dissolved) inside[f] = 0;
            std::vector<Edge*> base = joins_;
            int count = parts_;
            if (count >= best.parts && count - static_cast<int>(leftovers.size()) < best.parts) {
                std::vector<std::vector<int>> groups;
                for (const Part* part : leftovers) {
                    groups.emplace_back();
                    for (const Face* face : part->faces) groups.back().push_back(faceIndex.at(face));
                }
                for (const std::vector<int>& group : groups)
                    if (Rehome(base, group, faceIndex, count, splits)) base = joins_, count = parts_;
            }
            // A dissolution works on one part; on a mirror-symmetric model it is kept only where it
            // leaves every join's mirror image joined too.
            const bool fewer = count < best.parts && MirrorsKept(base);
            if (fewer) {
                best.joins = base;
                best.parts = count;
                best.cutLength = CutLength(base);
            }
            ++t;
            if (fewer && best.parts > 1) {
                parts = PartsOf(best);
                parts.pop_back();
                next = 0;
            }
        }
    }

    bool MirrorsKept(const std::vector<Edge*>& joins) const {
        std::vector<char> in(m_, 0);
        for (const Edge* edge : joins) in[edgeIndex_.at(edge)] = 1;
        for (const Edge* edge : joins) {
            const Edge* mirror = edge->symmetricEdge;
            if (mirror == nullptr || mirror == edge) continue;
            auto it = edgeIndex_.find(mirror);
            if (it != edgeIndex_.end() && !in[it->second]) return false;
        }
        return true;
    }

    // Makes `joins` but `skipped` from the flat faces; stops early when cancelled. `joins` were made in
    // this order from the flat faces, so each join meets the parts it met then and is made untested;
    // without `skipped` the joins of its part meet other parts, and those are tested again (`retest`
    // tells, by face index, the faces of that part).
    // Joins are given by edge index: a replay makes thousands, each looked up once per attempt otherwise.
    void Replay(const std::vector<int>& joins, int skipped = -1, const std::vector<char>* retest = nullptr) {
        Reset();
        for (size_t j = 0; j < joins.size(); ++j) {
            // The attempts of one dissolution all report its last step, and may be cancelled there.
            if (j % 256 == 0 && step_ && !cancelled_ && !step_((trial_ + 1) * m_)) cancelled_ = true;
            if (cancelled_) return;
            const int index = joins[j];
            if (index == skipped) continue;
            const bool tested = skipped >= 0 && (retest == nullptr || (*retest)[sides_[index][0]]);
            Join(index, tested);
        }
    }

    // The corners of `face` on the development, its part at `moved` when that part is `movedPart`.
    void Corners(const Face& face, const Part* movedPart, const RigidMotion& moved,
                 std::vector<Point2>& out) {
        out.clear();
        for (const auto& corner : face.halfEdges)
            out.push_back(face.part == movedPart ? moved.Apply(corner->Pos2D()) : space_->Position(*corner));
    }

    // The `stuck` group (a part of `base`) joins a neighbour across one of its edges once that neighbour
    // is cut, between the face the group overlapped and the edge, and the piece cut off finds another
    // neighbour. True, with the joins made, once that leaves fewer than `target` parts; each attempt
    // spends one of `left`.
    bool Rehome(const std::vector<Edge*>& base, const std::vector<int>& stuck,
                const std::unordered_map<const Face*, int>& faceIndex, int target, int& left) {
        std::vector<char> in(in_.faces.size(), 0);
        for (int f : stuck) in[f] = 1;
        const auto stuckSide = [&](const HalfEdge* h) { return in[faceIndex.at(h->face)] != 0; };
        std::vector<int> edges;
        for (int i = 0; i < m_; ++i) {
            const Edge& edge = *in_.edges[i];
            if (Joinable(i) && stuckSide(edge.halfEdge1) != stuckSide(edge.halfEdge2)) edges.push_back(i);
        }
        SortFlatLongFirst(edges);
        std::vector<int> baseIndex;
        baseIndex.reserve(base.size());
        for (const Edge* join : base) baseIndex.push_back(edgeIndex_.at(join));
        std::vector<Point2> p, q;
        for (int e : edges) {
            if (left <= 0 || cancelled_) return false;
            --left;
            // The same joins made in the same order from the flat faces leave the same parts: an attempt
            // that gave up before joining anything, and the caller's own state, need no replay.
            if (joins_ != base) Replay(baseIndex);
            Edge& edge = *in_.edges[e];
            const HalfEdge* near = stuckSide(edge.halfEdge1) ? edge.halfEdge2 : edge.halfEdge1;
            const Part* neighbour = near->face->part;
            const Part* group = (near == edge.halfEdge1 ? edge.halfEdge2 : edge.halfEdge1)->face->part;
            if (neighbour == group) continue;
            const RigidMotion moved = space_->JoinMotion(*edge.halfEdge1, *edge.halfEdge2);
            const Part* movedPart = edge.halfEdge2->face->part;
            // The neighbour's first face in the way.
            const Face* blocker = nullptr;
            for (const Face* face : neighbour->faces) {
                Corners(*face, movedPart, moved, p);
                for (const Face* other : group->faces) {
                    Corners(*other, movedPart, moved, q);
                    if (FacesOverlap(p.data(), p.size(), q.data(), q.size(), in_.sharedPointSquared)) {
                        blocker = face;
                        break;
                    }
                }
                if (blocker) break;
            }
            if (blocker == nullptr) continue;
            // The neighbour's joins lead from the edge's face to the blocker; cutting any of them parts the
            // two.
            std::unordered_map<const Face*, std::pair<const Face*, Edge*>> from;
            std::unordered_map<const Face*, std::vector<std::pair<const Face*, Edge*>>> tree;
            for (Edge* join : base) {
                const Face* x = join->halfEdge1->face;
                const Face* y = join->halfEdge2->face;
                if (x->part != neighbour) continue;
                tree[x].push_back({y, join});
                tree[y].push_back({x, join});
            }
            std::vector<const Face*> queue = {near->face};
            from[near->face] = {nullptr, nullptr};
            for (size_t k = 0; k < queue.size(); ++k)
                for (const auto& [next, join] : tree[queue[k]])
                    if (from.emplace(next, std::make_pair(queue[k], join)).second) queue.push_back(next);
            std::vector<char> inNeighbour(in_.faces.size(), 0);
            for (const Face* face : neighbour->faces) inNeighbour[faceIndex.at(face)] = 1;
            std::vector<Edge*> path;
            for (const Face* face = blocker; from.count(face) && from[face].second;) {
                path.push_back(from[face].second);
                face = from[face].first;
            }
            for (size_t k = 0; k < path.size() && k < static_cast<size_t>(kCutsPerEdge); ++k) {
                if (left <= 0 || cancelled_) return false;
                --left;
                Replay(baseIndex, edgeIndex_.at(path[k]), &inNeighbour);
                if (!Join(e)) continue;
                const Part* piece = blocker->part;
                if (piece == in_.edges[e]->halfEdge1->face->part) continue;
                std::vector<int> around;
                for (int i = 0; i < m_; ++i) {
                    const Edge& other = *in_.edges[i];
                    if (!Joinable(i) || !Separates(i)) continue;
                    if (other.halfEdge1->face->part == piece || other.halfEdge2->face->part == piece)
                        around.push_back(i);
                }
                SortFlatLongFirst(around);
                for (int i : around)
                    if (Separates(i) && Join(i)) break;
                if (parts_ < target) return true;
            }
        }
        return false;
    }

    // Edge indices in the order a growth from the sharp folds and long edges would join them.
    void SortFlatLongFirst(std::vector<int>& edges) const {
        std::stable_sort(edges.begin(), edges.end(), [&](int a, int b) {
            return FlatLongKey(*in_.edges[a]) < FlatLongKey(*in_.edges[b]);
        });
    }

    // Sharp folds are the natural places to cut, and joining long edges first keeps the cuts short.
    // Joins the user asked for come before every other.
    double FlatLongKey(const Edge& edge) const {
        const double fold = std::isfinite(edge.foldAngle) ? 180.0 - edge.foldAngle : 180.0;
        const double length = std::isfinite(edge.length) ? edge.length / meanLength_ : 0.0;
        const double key = kFoldWeight * fold - length;
        return edge.edgeClass == EdgeClass::MarkedJoined ? key - 1e9 : key;
    }

    // The leftovers of the last growth are mostly faces that every neighbour refused; joining them
    // earlier next time lets the large parts grow around them instead, and the overlaps fall elsewhere.
    void PullSmallParts(std::vector<double>& keys, double pull) const {
        for (int i = 0; i < m_; ++i) {
            const Edge& edge = *in_.edges[i];
            if (!Joinable(i) || !Separates(i)) continue;
            const size_t a = edge.halfEdge1->face->part->faces.size();
            const size_t b = edge.halfEdge2->face->part->faces.size();
            if (std::min(a, b) < static_cast<size_t>(kSmallPart)) keys[i] -= pull;
        }
    }

    void Reset() {
        size_t corner = 0;
        for (size_t i = 0; i < in_.faces.size(); ++i) {
            Face* face = in_.faces[i];
            for (auto& h : face->halfEdges) {
                h->x2d = flat_[corner].x;
                h->y2d = flat_[corner++].y;
            }
            own_[i]->faces.assign(1, face);
            face->part = own_[i].get();
        }
        space_ = std::make_unique<MergeSpace>(in_.overlap, in_.cellSize, in_.sharedPointSquared);
        hulls_.Clear(space_.get());
        parts_ = static_cast<int>(in_.faces.size());
        joins_.clear();
        refused_.assign(m_, 0);
        joined_.assign(m_, 0);
        lastPosition_ = -1;
    }

    void Restore() {
        hulls_.Clear(nullptr);
        space_.reset();
        for (size_t i = 0; i < in_.faces.size(); ++i) {
            Face* face = in_.faces[i];
            LayFaceFlat(*face);
            own_[i]->faces.clear();
            face->part = original_[i];
        }
    }

    // Reports progress within the current growth, `done` edges into it.
    void Tick(int done) {
        if (!step_ || cancelled_) return;
        const int position = trial_ * m_ + done + 1;
        if (position - lastPosition_ < 64 && done + 1 < m_) return;
        lastPosition_ = position;
        if (!step_(std::max(position, 1))) cancelled_ = true;
    }

    // `tested` false joins without testing: for joins replayed in the order that made them from the same
    // flat faces, whose parts are the very parts they were, which fitted then and fit now.
    // With `notches` no join may leave a notch too narrow for the flaps of the cut edges around it.
    bool Join(int index, bool tested = true) {
        Edge& edge = *in_.edges[index];
        HalfEdge* h = edge.halfEdge1;
        HalfEdge* t = edge.halfEdge2;
        Part* a = h->face->part;
        Part* b = t->face->part;
        if (a == b) return false;
        const RigidMotion moved = space_->JoinMotion(*h, *t);
        std::vector<HalfEdge*> hull;
        if (tested && hulls_.Active()) hull = hulls_.FittingHull(*a, *b, moved);
        if (tested &&
            ((hulls_.Active() && hull.empty()) ||
             ClosesNarrowSlit(edge, a, b, joinedEdge_, slitFlap_, slitFlap_ > 0) ||
             space_->Overlaps(*a, *b, moved) || (sideBySide_ && LaysSidesTogether(edge, *a, *b, moved)) ||
             (in_.notches && LeavesNarrowNotch(edge, a, b, joinedEdge_)))) {
            refused_[index] = 1;
            return false;
        }
        Part& kept = space_->Merge(*a, *b, moved);
        if (hulls_.Active()) hulls_.Merged(*a, *b, kept, std::move(hull));
        // The emptied part gives its room back, as the unfolder's own parts do when they are dropped.
        std::vector<Face*>().swap(&kept == a ? b->faces : a->faces);
        joins_.push_back(&edge);
        joined_[index] = 1;
        --parts_;
        return true;
    }

    // Whether joining A and B (B at `moved`) lays another edge between them with its two sides together
    // on the paper, closer at both ends than the flap its cut needs: no flap would have room there.
    bool LaysSidesTogether(const Edge& joined, const Part& a, const Part& b, const RigidMotion& moved) const {
        const Part& small = a.faces.size() <= b.faces.size() ? a : b;
        const Part* other = &small == &a ? &b : &a;
        const double flap = in_.limit.flapHeightMM / in_.limit.scale;
        for (const Face* face : small.faces)
            for (const auto& corner : face->halfEdges) {
                const HalfEdge* twin = corner->twin;
                if (twin == nullptr || corner->edge == &joined || twin->face->part != other) continue;
                const HalfEdge* inA = &small == &a ? corner.get() : twin;
                const HalfEdge* inB = inA == corner.get() ? twin : corner.get();
                const Point2 as = space_->Position(*inA), ae = space_->Position(*inA->next);
                const Point2 bs = moved.Apply(inB->Pos2D()), be = moved.Apply(inB->next->Pos2D());
                const double room = kSidesApart * std::min(flap, Length(ae - as) / 2);
                if (std::max(Length(as - be), Length(ae - bs)) >= room) continue;
                if (closingTogether_ && ClosesSlit(*corner->edge, joined, &a, &b, joinedEdge_, slitFlap_))
                    continue;
                return true;
            }
        return false;
    }

    bool Separates(int index) const {
        const Edge& edge = *in_.edges[index];
        return edge.halfEdge1->face->part != edge.halfEdge2->face->part;
    }

    // The mirror image of a join, as the upright unfolding makes it.
    void JoinPartner(int index) {
        const Edge* s = in_.edges[index]->symmetricEdge;
        if (s == nullptr || s == in_.edges[index]) return;
        auto it = edgeIndex_.find(s);
        if (it == edgeIndex_.end()) return;
        const int k = it->second;
        if (!Joinable(k) || refused_[k] || !Separates(k)) return;
        Join(k);
    }

    // Every edge in the order of `keys` joins the two parts it separates unless that makes an overlap;
    // each join is followed by its mirror image's, as in the upright unfolding.
    void Merge(const std::vector<double>& keys) {
        std::vector<int> order(m_);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
        if (FlaplessFirst())
            std::stable_partition(order.begin(), order.end(), [&](int i) { return in_.flapless[i] != 0; });
        for (int i = 0; i < m_ && !cancelled_; ++i) {
            Tick(i);
            const int index = order[i];
            if (refused_[index] || !Joinable(index) || !Separates(index)) continue;
            if (Join(index)) JoinPartner(index);
        }
    }

    // No growth can leave fewer parts than the pieces that joinable edges connect.
    int ConnectedPieces() const {
        std::unordered_map<const Face*, int> index;
        for (size_t i = 0; i < in_.faces.size(); ++i) index.emplace(in_.faces[i], static_cast<int>(i));
        std::vector<int> root(in_.faces.size());
        std::iota(root.begin(), root.end(), 0);
        const auto find = [&root](int x) {
            while (root[x] != x) x = root[x] = root[root[x]];
            return x;
        };
        int pieces = static_cast<int>(in_.faces.size());
        for (int i = 0; i < m_; ++i) {
            if (!Joinable(i)) continue;
            const Edge* edge = in_.edges[i];
            auto a = index.find(edge->halfEdge1->face), b = index.find(edge->halfEdge2->face);
            if (a == index.end() || b == index.end()) continue;
            const int ra = find(a->second), rb = find(b->second);
            if (ra != rb) root[ra] = rb, --pieces;
        }
        return pieces;
    }

    double CutLength() const { return CutLength(joins_); }

    double CutLength(const std::vector<Edge*>& joins) const {
        double sum = 0;
        for (int i = 0; i < m_; ++i) {
            const Edge& edge = *in_.edges[i];
            if (edge.halfEdge1 && edge.halfEdge2 && std::isfinite(edge.length)) sum += edge.length;
        }
        for (const Edge* edge : joins)
            if (std::isfinite(edge->length)) sum -= edge->length;
        return sum;
    }

    const FewestPartsInput& in_;
    const std::function<bool(int)>& step_;
    const int m_;
    std::unordered_map<const Edge*, int> edgeIndex_;
    std::unordered_map<const Face*, int> faceIndex_;
    std::vector<std::array<int, 2>> sides_; // each edge's two faces by index, -1 where none
    std::vector<Point2> flat_;              // every face's corners laid flat, face after face
    std::vector<std::unique_ptr<Part>> own_;
    std::vector<Part*> original_;
    double meanLength_ = 1.0;
    std::unique_ptr<MergeSpace> space_;
    PartHulls hulls_{in_.limit, nullptr};
    int parts_ = 0;
    std::vector<Edge*> joins_;
    std::vector<char> refused_;
    std::vector<char> joined_;
    const std::function<bool(const Edge&)> joinedEdge_ = [this](const Edge& edge) {
        auto it = edgeIndex_.find(&edge);
        return it != edgeIndex_.end() && joined_[it->second] != 0;
    };
    int trial_ = 0;
    int lastPosition_ = -1;
    bool sideBySide_ = false; // refusing joins that lay the two sides of an edge together
    // Above 0, the flaps' height in model units: joins may leave slits that close beside such flaps.
    double slitFlap_ = 0;
    bool closingTogether_ = false; // laying a closing slit's sides together is no laying sides together
    bool cancelled_ = false;
};

} // namespace

namespace {

int GrowthSteps(const FewestPartsInput& input) {
    const int peel = PeelsFor(input) > 0 ? PeelsFor(input) + DissolutionsFor(input) : 0;
    const int peels = (1 + FewestPartsClosingPlans(input)) * peel;
    return (GrowthsFor(input) + DissolutionsFor(input) + peels) * static_cast<int>(input.edges.size());
}

} // namespace

// Under a sheet limit the peel plans again twice with slits that close (SlitClosure.h): its parts may then
// hold the shallow vertices that every ribbon had to keep on its border, measured at the flaps' height on
// the sheet. Whether a join that lays such a slit's two sides together counts as laying sides together
// (refused, a join elsewhere) leads the peel different ways, and which leaves fewer parts differs from model
// to model and jumps about (made, at 150 mm: the elephant 80 parts refusing, 67 not; the cow 72 and 81 with
// crowded flaps; both against 82 and 77 without closing), so both are planned.
int FewestPartsClosingPlans(const FewestPartsInput& input) {
    return input.closingPlans && PeelsFor(input) > 0 && input.limit.flapHeightMM > 0 && input.limit.scale > 0
               ? 2
               : 0;
}

int FewestPartsSteps(const FewestPartsInput& input) {
    return GrowthSteps(input) + OnePieceSteps(input);
}

Result<FewestPartsPlan> PlanFewestParts(const FewestPartsInput& input, const std::function<bool(int)>& step) {
    Planner planner(input, step);
    Result<FewestPartsPlan> plan = planner.Run();
    if (!plan.ok()) return plan;
    // Where the growths leave several parts of a small model, a search over whole trees may find one.
    const int grown = GrowthSteps(input);
    std::function<bool(int)> after;
    if (step) after = [&](int position) { return step(grown + position); };
    return SearchOnePiece(input, *plan, after);
}

} // namespace tsm
