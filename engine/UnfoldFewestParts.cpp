#include "engine/UnfoldFewestParts.h"

#include "engine/UnfoldOverlap.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numeric>
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
constexpr double kFoldWeight = 0.1; // per degree of fold away from flat
// The growths after the upright one run while their count times the face count stays under this, between
// 2 and 44 of them, so that the time grows with the model's size and no more.
constexpr double kFaceGrowthBudget = 160000;

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
            own_.push_back(std::make_unique<CPart>());
            original_.push_back(in_.faces[i]->part);
        }
        double lengthSum = 0;
        int counted = 0;
        for (int i = 0; i < m_; ++i) {
            edgeIndex_.emplace(in_.edges[i], i);
            const double length = in_.edges[i]->length;
            if (std::isfinite(length)) lengthSum += length, ++counted;
        }
        meanLength_ = counted > 0 && lengthSum > 0 ? lengthSum / counted : 1.0;
    }

    FewestPartsPlan Run() {
        FewestPartsPlan best;
        const int growths = GrowthsFor(in_);
        std::vector<double> keys(m_);
        for (int i = 0; i < m_; ++i) keys[i] = in_.edges[i]->unfoldWeight;
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
        Restore();
        if (cancelled_) {
            FewestPartsPlan none;
            none.cancelled = true;
            return none;
        }
        return best;
    }

private:
    bool Joinable(const CEdge& edge) const { return edge.unfoldWeight >= 0; }

    // Sharp folds are the natural places to cut, and joining long edges first keeps the cuts short.
    // Joins the user asked for come before every other.
    double FlatLongKey(const CEdge& edge) const {
        const double fold = std::isfinite(edge.foldAngle) ? 180.0 - edge.foldAngle : 180.0;
        const double length = std::isfinite(edge.length) ? edge.length / meanLength_ : 0.0;
        const double key = kFoldWeight * fold - length;
        return edge.edgeClass == EdgeClass::MarkedJoined ? key - 1e9 : key;
    }

    // The leftovers of the last growth are mostly faces that every neighbour refused; joining them
    // earlier next time lets the large parts grow around them instead, and the overlaps fall elsewhere.
    void PullSmallParts(std::vector<double>& keys, double pull) const {
        for (int i = 0; i < m_; ++i) {
            const CEdge& edge = *in_.edges[i];
            if (!Joinable(edge) || !Separates(i)) continue;
            const size_t a = edge.halfEdge1->face->part->faces.size();
            const size_t b = edge.halfEdge2->face->part->faces.size();
            if (std::min(a, b) < static_cast<size_t>(kSmallPart)) keys[i] -= pull;
        }
    }

    void Reset() {
        for (size_t i = 0; i < in_.faces.size(); ++i) {
            CFace* face = in_.faces[i];
            LayFaceFlat(*face);
            own_[i]->faces.assign(1, face);
            face->part = own_[i].get();
        }
        space_ = std::make_unique<MergeSpace>(in_.overlap, in_.cellSize, in_.sharedPointSquared);
        parts_ = static_cast<int>(in_.faces.size());
        joins_.clear();
        refused_.assign(m_, 0);
        lastPosition_ = -1;
    }

    void Restore() {
        space_.reset();
        for (size_t i = 0; i < in_.faces.size(); ++i) {
            CFace* face = in_.faces[i];
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

    bool Join(int index) {
        CEdge& edge = *in_.edges[index];
        CHalfEdge* h = edge.halfEdge1;
        CHalfEdge* t = edge.halfEdge2;
        CPart* a = h->face->part;
        CPart* b = t->face->part;
        if (a == b) return false;
        const RigidMotion moved = space_->JoinMotion(*h, *t);
        if (space_->Overlaps(*a, *b, moved)) {
            refused_[index] = 1;
            return false;
        }
        CPart& kept = space_->Merge(*a, *b, moved);
        // The emptied part gives its room back, as the unfolder's own parts do when they are dropped.
        std::vector<CFace*>().swap(&kept == a ? b->faces : a->faces);
        joins_.push_back(&edge);
        --parts_;
        return true;
    }

    bool Separates(int index) const {
        const CEdge& edge = *in_.edges[index];
        return edge.halfEdge1->face->part != edge.halfEdge2->face->part;
    }

    // The mirror image of a join, as the upright unfolding makes it.
    void JoinPartner(int index) {
        const CEdge* s = in_.edges[index]->symmetricEdge;
        if (s == nullptr || s == in_.edges[index]) return;
        auto it = edgeIndex_.find(s);
        if (it == edgeIndex_.end()) return;
        const int k = it->second;
        if (!Joinable(*s) || refused_[k] || !Separates(k)) return;
        Join(k);
    }

    // Every edge in the order of `keys` joins the two parts it separates unless that makes an overlap;
    // each join is followed by its mirror image's, as in the upright unfolding.
    void Merge(const std::vector<double>& keys) {
        std::vector<int> order(m_);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
        for (int i = 0; i < m_ && !cancelled_; ++i) {
            Tick(i);
            const int index = order[i];
            if (refused_[index] || !Joinable(*in_.edges[index]) || !Separates(index)) continue;
            if (Join(index)) JoinPartner(index);
        }
    }

    // No growth can leave fewer parts than the pieces that joinable edges connect.
    int ConnectedPieces() const {
        std::unordered_map<const CFace*, int> index;
        for (size_t i = 0; i < in_.faces.size(); ++i) index.emplace(in_.faces[i], static_cast<int>(i));
        std::vector<int> root(in_.faces.size());
        std::iota(root.begin(), root.end(), 0);
        const auto find = [&root](int x) {
            while (root[x] != x) x = root[x] = root[root[x]];
            return x;
        };
        int pieces = static_cast<int>(in_.faces.size());
        for (const CEdge* edge : in_.edges) {
            if (!Joinable(*edge)) continue;
            auto a = index.find(edge->halfEdge1->face), b = index.find(edge->halfEdge2->face);
            if (a == index.end() || b == index.end()) continue;
            const int ra = find(a->second), rb = find(b->second);
            if (ra != rb) root[ra] = rb, --pieces;
        }
        return pieces;
    }

    double CutLength() const {
        double sum = 0;
        for (int i = 0; i < m_; ++i) {
            const CEdge& edge = *in_.edges[i];
            if (edge.halfEdge1 && edge.halfEdge2 && std::isfinite(edge.length)) sum += edge.length;
        }
        for (const CEdge* edge : joins_)
            if (std::isfinite(edge->length)) sum -= edge->length;
        return sum;
    }

    const FewestPartsInput& in_;
    const std::function<bool(int)>& step_;
    const int m_;
    std::unordered_map<const CEdge*, int> edgeIndex_;
    std::vector<std::unique_ptr<CPart>> own_;
    std::vector<CPart*> original_;
    double meanLength_ = 1.0;
    std::unique_ptr<MergeSpace> space_;
    int parts_ = 0;
    std::vector<CEdge*> joins_;
    std::vector<char> refused_;
    int trial_ = 0;
    int lastPosition_ = -1;
    bool cancelled_ = false;
};

} // namespace

int FewestPartsSteps(const FewestPartsInput& input) {
    return GrowthsFor(input) * static_cast<int>(input.edges.size());
}

FewestPartsPlan PlanFewestParts(const FewestPartsInput& input, const std::function<bool(int)>& step) {
    Planner planner(input, step);
    return planner.Run();
}

} // namespace tsm
