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

// The face index of the face on `h`'s side, or -1 where it is none of the input's.
int FaceOf(const std::unordered_map<const Face*, int>& index, const HalfEdge* h) {
    if (h == nullptr || h->face == nullptr) return -1;
    auto it = index.find(h->face);
    return it == index.end() ? -1 : it->second;
}

} // namespace

std::vector<std::vector<int>> PartRegions(const FewestPartsInput& input, const std::vector<Edge*>& joins,
                                          size_t most) {
    const int n = static_cast<int>(input.faces.size());
    std::unordered_map<const Face*, int> index;
    for (int f = 0; f < n; ++f) index.emplace(input.faces[f], f);
    std::vector<int> root(n);
    std::iota(root.begin(), root.end(), 0);
    const auto find = [&root](int x) {
        while (root[x] != x) x = root[x] = root[root[x]];
        return x;
    };
    for (const Edge* edge : joins) {
        const int a = FaceOf(index, edge->halfEdge1), b = FaceOf(index, edge->halfEdge2);
        if (a >= 0 && b >= 0) root[find(a)] = find(b);
    }
    // Parts numbered by their lowest face.
    std::vector<int> partOf(n), numberOf(n, -1);
    std::vector<std::vector<int>> partFaces;
    for (int f = 0; f < n; ++f) {
        int& number = numberOf[find(f)];
        if (number < 0) number = static_cast<int>(partFaces.size()), partFaces.emplace_back();
        partOf[f] = number;
        partFaces[number].push_back(f);
    }
    const int parts = static_cast<int>(partFaces.size());
    std::vector<std::vector<int>> neighbours(parts);
    for (const Edge* edge : input.edges) {
        const int a = FaceOf(index, edge->halfEdge1), b = FaceOf(index, edge->halfEdge2);
        if (a < 0 || b < 0 || partOf[a] == partOf[b]) continue;
        neighbours[partOf[a]].push_back(partOf[b]);
        neighbours[partOf[b]].push_back(partOf[a]);
    }
    // A part too large for the region growing stays free for a later one: `seen` marks the parts queued by
    // the region grown now.
    std::vector<char> taken(parts, 0);
    std::vector<int> seen(parts, -1), queue;
    std::vector<std::vector<int>> regions;
    for (int first = 0; first < parts; ++first) {
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
    RegionTrees trees{plan.joins, plan.parts};
    if (!SearchesRegions(input) || plan.parts <= 1) return trees;
    trees.joins.clear();
    trees.parts = 0;
    const std::vector<std::vector<int>> regions = PartRegions(input, plan.joins, kRegionFaces);
    const int n = static_cast<int>(input.faces.size());
    std::unordered_map<const Face*, int> index;
    for (int f = 0; f < n; ++f) index.emplace(input.faces[f], f);
    std::vector<int> regionOf(n);
    for (size_t r = 0; r < regions.size(); ++r)
        for (int f : regions[r]) regionOf[f] = static_cast<int>(r);
    // The plan's own joins and parts in each region: a region keeps them where its search does no better.
    std::vector<std::vector<Edge*>> planned(regions.size());
    std::vector<int> plannedParts(regions.size(), 0);
    for (size_t r = 0; r < regions.size(); ++r) plannedParts[r] = static_cast<int>(regions[r].size());
    std::vector<int> root(n);
    std::iota(root.begin(), root.end(), 0);
    const auto find = [&root](int x) {
        while (root[x] != x) x = root[x] = root[root[x]];
        return x;
    };
    for (Edge* edge : plan.joins) {
        const int a = FaceOf(index, edge->halfEdge1), b = FaceOf(index, edge->halfEdge2);
        if (a < 0 || b < 0 || find(a) == find(b)) continue;
        root[find(a)] = find(b);
        planned[regionOf[a]].push_back(edge);
        --plannedParts[regionOf[a]];
    }
    // The search measures slits and flaps against the flaps' true height on faces at the model's size, as
    // the search that closes slits does under a limit, and lets slits close.
    FewestPartsInput region = input;
    region.flapHeight = input.limit.scale > 0 ? input.flapHeight / input.limit.scale : 0;
    const double workPerFace = RegionWorkPerFace(input);
    const int steps = RegionSteps(input);
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
