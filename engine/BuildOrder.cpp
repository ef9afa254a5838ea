#include "engine/BuildOrder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

namespace tsm {
namespace {

double FlatFaceArea(const Face& face) {
    double twice = 0;
    const size_t n = face.CornerCount();
    for (size_t i = 0; i < n; ++i) {
        const HalfEdge* a = face.Corner(i);
        const HalfEdge* b = face.Corner((i + 1) % n);
        twice += a->x2d * b->y2d - b->x2d * a->y2d;
    }
    return std::fabs(twice) / 2;
}

double PartArea(const Part& part) {
    double area = 0;
    for (const Face* face : part.faces) area += FlatFaceArea(*face);
    return area;
}

// Larger area first, then more faces, then the earlier index: a strict order, so ties never depend on
// iteration order.
bool Precedes(const Development& development, const std::vector<double>& area, int a, int b) {
    if (area[a] != area[b]) return area[a] > area[b];
    const size_t facesA = development.parts[a]->faces.size();
    const size_t facesB = development.parts[b]->faces.size();
    if (facesA != facesB) return facesA > facesB;
    return a < b;
}

class OrderBuilder {
public:
    explicit OrderBuilder(const Development& development)
        : development_(development), shared_(CountSharedEdges(development)),
          built_(development.parts.size(), false), toBuilt_(development.parts.size(), 0) {
        for (const auto& part : development.parts) area_.push_back(PartArea(*part));
    }

    bool Built(int part) const { return built_[part]; }

    void Add(int part) {
        BuildStep step;
        step.part = part;
        for (size_t q = 0; q < built_.size(); ++q)
            if (built_[q] && shared_[part][q] > 0) step.joins.push_back(static_cast<int>(q));
        built_[part] = true;
        for (size_t q = 0; q < built_.size(); ++q) toBuilt_[q] += shared_[q][part];
        order_.push_back(std::move(step));
    }

    // The part the rule adds next: most edges to the built ones, or the largest when none touches them.
    int Next() const {
        int best = -1;
        for (int q = 0; q < static_cast<int>(built_.size()); ++q) {
            if (built_[q]) continue;
            if (best < 0 || toBuilt_[q] > toBuilt_[best] ||
                (toBuilt_[q] == toBuilt_[best] && Precedes(development_, area_, q, best)))
                best = q;
        }
        return best;
    }

    std::vector<BuildStep> Finish() {
        for (int next = Next(); next >= 0; next = Next()) Add(next);
        return std::move(order_);
    }

    // The rule may add `part` now: it touches the built parts, or it begins a solid none of whose parts
    // is built yet.
    bool MayAdd(int part) {
        if (toBuilt_[part] > 0) return true;
        if (begun_.empty()) MarkSolids();
        return !begun_[solidOf_[part]];
    }

    // Among `candidates` (unbuilt), the part the rule adds next that it may add now; -1 when none.
    int NextAmong(const std::vector<int>& candidates) {
        int best = -1;
        for (int q : candidates) {
            if (built_[q] || !MayAdd(q)) continue;
            if (best < 0 || toBuilt_[q] > toBuilt_[best] ||
                (toBuilt_[q] == toBuilt_[best] && Precedes(development_, area_, q, best)))
                best = q;
        }
        return best;
    }

    void AddAndMark(int part) {
        if (begun_.empty()) MarkSolids();
        begun_[solidOf_[part]] = true;
        Add(part);
    }

private:
    // Parts joined through shared cut edges form one solid for the rule.
    void MarkSolids() {
        const int n = static_cast<int>(built_.size());
        solidOf_.assign(n, -1);
        int solids = 0;
        for (int start = 0; start < n; ++start) {
            if (solidOf_[start] >= 0) continue;
            std::vector<int> stack{start};
            solidOf_[start] = solids;
            while (!stack.empty()) {
                const int p = stack.back();
                stack.pop_back();
                for (int q = 0; q < n; ++q)
                    if (shared_[p][q] > 0 && solidOf_[q] < 0) {
                        solidOf_[q] = solids;
                        stack.push_back(q);
                    }
            }
            ++solids;
        }
        begun_.assign(solids, false);
        for (int p = 0; p < n; ++p)
            if (built_[p]) begun_[solidOf_[p]] = true;
    }

public:
private:
    const Development& development_;
    std::vector<std::vector<int>> shared_;
    std::vector<double> area_;
    std::vector<bool> built_;
    std::vector<int> toBuilt_; // cut edges each part shares with the built ones
    std::vector<BuildStep> order_;
    std::vector<int> solidOf_; // filled on first use
    std::vector<bool> begun_;  // per solid: a part of it is built
};

double DistanceToSegment(const Point2& p, const Point2& a, const Point2& b) {
    const Point2 ab = b - a;
    const double lengthSquared = ab.x * ab.x + ab.y * ab.y;
    double t = lengthSquared > 0 ? ((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return Length(p - (a + ab * t));
}

// The area centroid of the face's development polygon; the corners' mean for a face of no area.
Point2 Centroid(const Face& face) {
    const size_t n = face.CornerCount();
    double twice = 0, cx = 0, cy = 0, mx = 0, my = 0;
    for (size_t i = 0; i < n; ++i) {
        const Point2 a = face.Corner(i)->Pos2D(), b = face.Corner((i + 1) % n)->Pos2D();
        const double cross = a.x * b.y - b.x * a.y;
        twice += cross;
        cx += (a.x + b.x) * cross;
        cy += (a.y + b.y) * cross;
        mx += a.x / n;
        my += a.y / n;
    }
    if (std::fabs(twice) < 1e-12) return {mx, my};
    return {cx / (3 * twice), cy / (3 * twice)};
}

} // namespace

std::vector<std::vector<int>> CountSharedEdges(const Development& development) {
    const size_t n = development.parts.size();
    std::unordered_map<const Part*, int> index;
    for (size_t p = 0; p < n; ++p) index.emplace(development.parts[p].get(), static_cast<int>(p));
    std::vector<std::vector<int>> shared(n, std::vector<int>(n, 0));
    for (size_t p = 0; p < n; ++p)
        for (const Face* face : development.parts[p]->faces)
            for (const auto& corner : face->halfEdges) {
                const HalfEdge* twin = corner->twin;
                if (twin == nullptr || twin->face == nullptr) continue;
                const auto other = index.find(twin->face->part);
                if (other == index.end() || other->second == static_cast<int>(p)) continue;
                ++shared[p][other->second];
            }
    return shared;
}

std::vector<BuildStep> DeriveBuildOrder(const Development& development) {
    return CompleteBuildOrder(development, {});
}

std::vector<BuildStep> CompleteBuildOrder(const Development& development, const std::vector<int>& sequence) {
    OrderBuilder builder(development);
    const int n = static_cast<int>(development.parts.size());
    for (int part : sequence)
        if (part >= 0 && part < n && !builder.Built(part)) builder.Add(part);
    return builder.Finish();
}

std::vector<BuildStep> RankedBuildOrder(const Development& development, const std::vector<int>& rank) {
    const int n = static_cast<int>(development.parts.size());
    std::vector<int> ranked;
    for (int p = 0; p < n; ++p)
        if (p < static_cast<int>(rank.size()) && rank[p] > 0) ranked.push_back(p);
    std::stable_sort(ranked.begin(), ranked.end(), [&rank](int a, int b) { return rank[a] < rank[b]; });
    OrderBuilder builder(development);
    std::vector<int> waiting; // in the order the user gave them
    const auto addWaiting = [&]() {
        for (bool added = true; added;) {
            added = false;
            for (auto it = waiting.begin(); it != waiting.end(); ++it)
                if (builder.MayAdd(*it)) {
                    builder.AddAndMark(*it);
                    waiting.erase(it);
                    added = true;
                    break;
                }
        }
    };
    for (size_t first = 0; first < ranked.size();) {
        size_t end = first;
        while (end < ranked.size() && rank[ranked[end]] == rank[ranked[first]]) ++end;
        std::vector<int> group(ranked.begin() + first, ranked.begin() + end);
        for (size_t left = group.size(); left > 0; --left) {
            const int next = builder.NextAmong(group);
            if (next < 0) break;
            builder.AddAndMark(next);
            addWaiting();
        }
        for (int p : group)
            if (!builder.Built(p)) waiting.push_back(p);
        first = end;
    }
    addWaiting();
    return builder.Finish();
}

std::vector<BuildStep> DocumentBuildOrder(const Development& development) {
    std::vector<int> rank;
    bool any = false;
    for (const auto& part : development.parts) {
        rank.push_back(part->buildStep);
        any = any || part->buildStep > 0;
    }
    return any ? RankedBuildOrder(development, rank) : DeriveBuildOrder(development);
}

std::vector<int> PartNumbers(const std::vector<BuildStep>& order, size_t partCount) {
    std::vector<int> numbers(partCount, 0);
    for (size_t step = 0; step < order.size(); ++step) {
        const int part = order[step].part;
        if (part >= 0 && static_cast<size_t>(part) < partCount) numbers[part] = static_cast<int>(step) + 1;
    }
    return numbers;
}

const Face* LargestFace(const Part& part) {
    const Face* largest = nullptr;
    double largestArea = -1;
    for (const Face* face : part.faces) {
        const double area = FlatFaceArea(*face);
        if (area > largestArea) {
            largest = face;
            largestArea = area;
        }
    }
    return largest;
}

std::vector<PartNumberPlace> PlacePartNumbers(const Development& development, double largestMM,
                                              double smallestMM) {
    const std::vector<int> numbers = PartNumbers(DocumentBuildOrder(development), development.parts.size());
    std::vector<PartNumberPlace> places;
    for (size_t p = 0; p < development.parts.size(); ++p) {
        const Part& part = *development.parts[p];
        const Face* face = LargestFace(part);
        if (face == nullptr || face->CornerCount() < 3) continue;
        const Point2 centre = Centroid(*face);
        double room = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < face->CornerCount(); ++i)
            room = std::min(room, DistanceToSegment(centre, face->Corner(i)->Pos2D(),
                                                    face->Corner((i + 1) % face->CornerCount())->Pos2D()));
        // The box's half diagonal per unit of size, for its digits.
        const double digits = static_cast<double>(std::to_string(numbers[p]).size());
        const double halfDiagonal = std::sqrt(0.09 * digits * digits + 0.25);
        PartNumberPlace place;
        place.part = static_cast<int>(p);
        place.number = numbers[p];
        place.centreMM = centre + Point2{part.x, part.y};
        place.sizeMM = std::max(smallestMM, std::min(largestMM, room / halfDiagonal));
        if (std::isfinite(place.centreMM.x + place.centreMM.y + place.sizeMM)) places.push_back(place);
    }
    return places;
}

} // namespace tsm
