#include "engine/OnePieceRegions.h"

#include "engine/OnePieceSearch.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <unordered_map>

namespace tsm {

namespace {

// Each region's search gets this much work per face of it (a region's search that finds no tree without
// overlaps spends it all), and all of them together no more than kMostRegionWork, shared by faces.
// Measured at 150 mm on the whole cow (5,804 faces): 24,000 per face left 36 parts, 12,000 38 (in 38 s),
// 6,000 46, against 72 in 18 s without. The armadillo (52,000 faces) gets 4,600 per face: 391 parts in
// 228 s against 451 in 86 s; with half that, 409.
constexpr double kRegionWorkPerFace = 12000;
constexpr double kMostRegionWork = 240e6;
// A region of few faces or of one part has nothing to gain.
constexpr size_t kFewestRegionFaces = 50;

double RegionWorkPerFace(const FewestPartsInput& input) {
    const double faces = static_cast<double>(std::max<size_t>(input.faces.size(), 1));
    return std::min(kRegionWorkPerFace, kMostRegionWork / faces);
}

// The input's faces by their index, and the parts joins make of them.
class FaceParts {
public:
    explicit FaceParts(const FewestPartsInput& input) : root_(input.faces.size()) {
        std::iota(root_.begin(), root_.end(), 0);
        for (size_t f = 0; f < input.faces.size(); ++f) index_.emplace(input.faces[f], static_cast<int>(f));
    }
    // The index of the face on `h`'s side, or -1 where it is none of the input's.
    int FaceOf(const HalfEdge* h) const {
        if (h == nullptr || h->face == nullptr) return -1;
        auto it = index_.find(h->face);
        return it == index_.end() ? -1 : it->second;
    }
    int Find(int x) {
        while (root_[x] != x) x = root_[x] = root_[root_[x]];
        return x;
    }
    // Makes one part of the parts on either side of `edge`; false where it joins nothing (an edge of other
    // faces, or within one part already).
    bool Join(const Edge& edge) {
        const int a = FaceOf(edge.halfEdge1), b = FaceOf(edge.halfEdge2);
        if (a < 0 || b < 0 || Find(a) == Find(b)) return false;
        root_[Find(a)] = Find(b);
        return true;
    }

private:
    std::unordered_map<const Face*, int> index_;
    std::vector<int> root_;
};

// PartRegions, of the parts `parts` holds.
std::vector<std::vector<int>> Regions(const FewestPartsInput& input, FaceParts& parts, size_t most) {
    const int n = static_cast<int>(input.faces.size());
    // Parts numbered by their lowest face.
    std::vector<int> partOf(n), numberOf(n, -1);
    std::vector<std::vector<int>> partFaces;
    for (int f = 0; f < n; ++f) {
        int& number = numberOf[parts.Find(f)];
        if (number < 0) number = static_cast<int>(partFaces.size()), partFaces.emplace_back();
        partOf[f] = number;
        partFaces[number].push_back(f);
    }
    const int count = static_cast<int>(partFaces.size());
    std::vector<std::vector<int>> neighbours(count);
    for (const Edge* edge : input.edges) {
        const int a = parts.FaceOf(edge->halfEdge1), b = parts.FaceOf(edge->halfEdge2);
        if (a < 0 || b < 0 || partOf[a] == partOf[b]) continue;
        neighbours[partOf[a]].push_back(partOf[b]);
        neighbours[partOf[b]].push_back(partOf[a]);
    }
    // A part too large for the region growing stays free for a later one: `seen` marks the parts queued by
    // the region grown now.
    std::vector<char> taken(count, 0);
    std::vector<int> seen(count, -1), queue;
    std::vector<std::vector<int>> regions;
    for (int first = 0; first < count; ++first) {
        if (taken[first]) continue;
        const int now = static_cast<int>(regions.size());
        std::vector<int> faces;
        queue.assign(1, first);
        seen[first] = now;
        for (size_t q = 0; q < queue.size(); ++q) {
            const int part = queue[q];
            if (!faces.empty() && faces.size() + partFaces[part].size() > most) continue;
            taken[part] = 1;
            faces.insert(faces.end(), partFaces[part].begin(), partFaces[part].end());
            for (int next : neighbours[part])
                if (!taken[next] && seen[next] != now) seen[next] = now, queue.push_back(next);
        }
        std::sort(faces.begin(), faces.end());
        regions.push_back(std::move(faces));
    }
    return regions;
}

} // namespace

std::vector<std::vector<int>> PartRegions(const FewestPartsInput& input, const std::vector<Edge*>& joins,
                                          size_t most) {
    FaceParts parts(input);
    for (const Edge* edge : joins) parts.Join(*edge);
    return Regions(input, parts, most);
}

bool SearchesRegions(const FewestPartsInput& input) {
    return input.limit.active && input.treeSearch && input.faces.size() > kRegionFaces;
}

int RegionSteps(const FewestPartsInput& input) {
    if (!SearchesRegions(input)) return 0;
    // As many steps as growths of the plan would take the regions' work, as the whole search counts them.
    const double growths = RegionWorkPerFace(input) / onepiece::kWorkPerGrowth;
    return static_cast<int>(std::min(static_cast<double>(input.faces.size()) * growths, 1e9));
}

Result<RegionTrees> SearchRegions(const FewestPartsInput& input, const FewestPartsPlan& plan,
                                  const std::vector<Edge*>& start, const std::function<bool(int)>& step) {
    if (!SearchesRegions(input) || plan.parts <= 1) return RegionTrees{plan.joins, plan.parts};
    // The plan's own joins (those that join two parts) and parts in each region: a region keeps them where
    // its search does no better.
    FaceParts planParts(input);
    std::vector<Edge*> joining;
    for (Edge* edge : plan.joins)
        if (planParts.Join(*edge)) joining.push_back(edge);
    const std::vector<std::vector<int>> regions = Regions(input, planParts, kRegionFaces);
    const int n = static_cast<int>(input.faces.size());
    std::vector<int> regionOf(n);
    std::vector<int> plannedParts;
    for (size_t r = 0; r < regions.size(); ++r) {
        plannedParts.push_back(static_cast<int>(regions[r].size()));
        for (int f : regions[r]) regionOf[f] = static_cast<int>(r);
    }
    std::vector<std::vector<Edge*>> planned(regions.size());
    for (Edge* edge : joining) {
        const int r = regionOf[planParts.FaceOf(edge->halfEdge1)];
        planned[r].push_back(edge);
        --plannedParts[r];
    }
    // The search measures slits and flaps against the flaps' true height on faces at the model's size, as
    // the search that closes slits does under a limit, and lets slits close.
    FewestPartsInput region = input;
    region.flapHeight = input.limit.scale > 0 ? input.flapHeight / input.limit.scale : 0;
    const double workPerFace = RegionWorkPerFace(input);
    const int steps = RegionSteps(input);
    RegionTrees trees;
    std::vector<Edge*>& joins = trees.joins;
    int& parts = trees.parts;
    int done = 0;
    for (size_t r = 0; r < regions.size(); ++r) {
        const std::vector<int>& faces = regions[r];
        // The region's share of the bar, from the faces searched before it.
        const int first = static_cast<int>(static_cast<int64_t>(steps) * done / n);
        done += static_cast<int>(faces.size());
        const int span = std::max(1, static_cast<int>(static_cast<int64_t>(steps) * done / n) - first);
        const std::function<bool(int)> regionStep = [&](int position) {
            return !step || step(std::max(1, first + position));
        };
        const auto keepPlanned = [&] {
            joins.insert(joins.end(), planned[r].begin(), planned[r].end());
            parts += plannedParts[r];
        };
        if (plannedParts[r] <= 1 || faces.size() < kFewestRegionFaces) {
            keepPlanned();
            continue;
        }
        region.faces.clear();
        for (int f : faces) region.faces.push_back(input.faces[f]);
        onepiece::Search search(region, regionStep, span, true);
        if (!search.Build(start)) {
            keepPlanned();
            continue;
        }
        search.LimitWork(workPerFace * static_cast<double>(faces.size()));
        const Result<bool> found = search.Run();
        if (!found.ok()) return found.outcome();
        if (!*found && search.TakeNearest() < 0) {
            keepPlanned();
            continue;
        }
        int pieces = 0;
        std::vector<Edge*> tree = search.JoinsInSheets(pieces);
        if (pieces >= plannedParts[r]) {
            keepPlanned();
            continue;
        }
        joins.insert(joins.end(), tree.begin(), tree.end());
        parts += pieces;
    }
    return trees;
}

} // namespace tsm
