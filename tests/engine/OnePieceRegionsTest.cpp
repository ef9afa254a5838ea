#include "engine/OnePieceRegions.h"

#include "engine/OnePieceSearch.h"
#include "tests/engine/MeshInput.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <unordered_map>

using namespace tsm;

namespace {

// Union-find over face indices.
struct Sets {
    explicit Sets(size_t n) : root(n) { std::iota(root.begin(), root.end(), 0); }
    int Find(int x) {
        while (root[x] != x) x = root[x] = root[root[x]];
        return x;
    }
    void Join(int a, int b) { root[Find(a)] = Find(b); }
    std::vector<int> root;
};

// The faces on either side of every edge between two of the input's faces, as indices.
std::vector<std::pair<int, int>> Neighbours(const FewestPartsInput& input) {
    std::unordered_map<const Face*, int> index;
    for (size_t f = 0; f < input.faces.size(); ++f) index.emplace(input.faces[f], static_cast<int>(f));
    std::vector<std::pair<int, int>> pairs;
    for (const Edge* edge : input.edges)
        if (edge->halfEdge1 && edge->halfEdge2)
            pairs.push_back({index.at(edge->halfEdge1->face), index.at(edge->halfEdge2->face)});
    return pairs;
}

// The input's edges between two faces both below `below`: joined, they make the faces below it one part
// where those faces hang together.
std::vector<Edge*> JoinsBelow(const FewestPartsInput& input, int below) {
    std::unordered_map<const Face*, int> index;
    for (size_t f = 0; f < input.faces.size(); ++f) index.emplace(input.faces[f], static_cast<int>(f));
    std::vector<Edge*> joins;
    for (Edge* edge : input.edges)
        if (index.at(edge->halfEdge1->face) < below && index.at(edge->halfEdge2->face) < below)
            joins.push_back(edge);
    return joins;
}

} // namespace

// The regions the large-model search works in: each face in one region, every part (what the joins make)
// wholly inside one, each region one connected surface, and none beyond the size asked unless it is a
// single part too large on its own.
TEST(PartRegions, GatherWholeNeighbouringPartsWithinTheirSize) {
    MeshInput sphere = InputOf(Icosphere(2, 10)); // 320 faces
    const FewestPartsInput& input = sphere.input;
    const int n = static_cast<int>(input.faces.size());
    const struct {
        const char* name;
        std::vector<Edge*> joins;
        size_t most;
        size_t regions; // how many regions, 0: not pinned
    } cases[] = {
        {"every face a part", {}, 40, 0},
        {"every face a region", {}, 1, 320},
        {"a part of 100 faces, larger than a region", JoinsBelow(input, 100), 40, 0},
        {"a part of 100 faces, regions of 150", JoinsBelow(input, 100), 150, 0},
        {"all one part", JoinsBelow(input, n), 40, 1},
        {"all in one region", {}, 1000, 1},
    };
    const auto neighbours = Neighbours(input);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::vector<int>> regions = PartRegions(input, c.joins, c.most);
        if (c.regions > 0) {
            EXPECT_EQ(regions.size(), c.regions);
        }
        std::vector<int> regionOf(n, -1);
        for (size_t r = 0; r < regions.size(); ++r) {
            EXPECT_TRUE(std::is_sorted(regions[r].begin(), regions[r].end()));
            for (int f : regions[r]) {
                EXPECT_EQ(regionOf[f], -1) << "face " << f << " in two regions";
                regionOf[f] = static_cast<int>(r);
            }
        }
        EXPECT_EQ(std::count(regionOf.begin(), regionOf.end(), -1), 0);
        Sets parts(n), connected(n);
        for (const Edge* edge : c.joins) {
            const auto& pair =
                neighbours[std::find(input.edges.begin(), input.edges.end(), edge) - input.edges.begin()];
            parts.Join(pair.first, pair.second);
        }
        for (const auto& [a, b] : neighbours) {
            EXPECT_FALSE(parts.Find(a) == parts.Find(b) && regionOf[a] != regionOf[b]) << "a part split";
            if (regionOf[a] == regionOf[b]) connected.Join(a, b);
        }
        for (const std::vector<int>& region : regions) {
            std::set<int> pieces, partsIn;
            for (int f : region) pieces.insert(connected.Find(f)), partsIn.insert(parts.Find(f));
            EXPECT_EQ(pieces.size(), 1u) << "a region in pieces";
            EXPECT_TRUE(region.size() <= c.most || partsIn.size() == 1) << region.size() << " faces";
        }
    }
    EXPECT_TRUE(PartRegions(FewestPartsInput{}, {}, 10).empty());
}

// Cancelled in its first region, the search of the regions says so.
TEST(SearchRegions, CancelledInTheFirstRegion) {
    MeshInput sphere = InputOf(Icosphere(3, 100)); // 1,280 faces: more than one region's
    FewestPartsInput& input = sphere.input;
    input.limit.active = true;
    input.limit.sheet = {180, 267, {}};
    input.limit.scale = 1;
    input.flapHeight = 5;
    ASSERT_TRUE(SearchesRegions(input));
    ASSERT_GT(RegionSteps(input), 0);
    FewestPartsPlan plan;
    plan.parts = static_cast<int>(input.faces.size());
    int calls = 0;
    const Result<RegionTrees> searched = SearchRegions(input, plan, {}, [&](int) { return ++calls < 3; });
    EXPECT_TRUE(searched.cancelled());
    EXPECT_EQ(calls, 3);
    input.limit.active = false;
    EXPECT_FALSE(SearchesRegions(input));
    EXPECT_EQ(RegionSteps(input), 0);
}
