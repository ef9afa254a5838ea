#include "engine/TreePieces.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tsm {

namespace {

constexpr int kRoots = 8;

double HullArea(const std::vector<Point2>& hull) {
    double twice = 0;
    for (size_t i = 0; i < hull.size(); ++i) {
        const Point2& a = hull[i];
        const Point2& b = hull[(i + 1) % hull.size()];
        twice += a.x * b.y - a.y * b.x;
    }
    return std::abs(twice) / 2;
}

std::vector<Point2> HullOf(const std::vector<Point2>& points) {
    std::vector<Point2> hull;
    for (size_t i : ConvexHull(points)) hull.push_back(points[i]);
    return hull;
}

struct Grown {
    std::vector<char> kept;
    int pieces = 0;
};

Grown GrowFrom(const FlatTree& tree, const std::vector<std::vector<std::pair<int, int>>>& around, int root,
               const PartLimit& limit) {
    const int n = static_cast<int>(tree.start.size()) - 1;
    Grown grown;
    grown.kept.assign(tree.links.size(), 1);
    std::vector<int> order{root}, parent(n, -2), parentLink(n, -1);
    parent[root] = -1;
    for (size_t i = 0; i < order.size(); ++i)
        for (const auto& [g, link] : around[order[i]])
            if (parent[g] == -2) parent[g] = order[i], parentLink[g] = link, order.push_back(g);
    std::vector<std::vector<Point2>> hull(n);
    std::vector<double> area(n, 0.0); // of each child's piece, once it is closed to growth below
    std::vector<std::vector<int>> children(n);
    for (size_t i = order.size(); i-- > 0;) {
        const int f = order[i];
        std::vector<Point2> own(tree.corners.begin() + tree.start[f],
                                tree.corners.begin() + tree.start[f + 1]);
        hull[f] = HullOf(own);
        std::vector<int>& kids = children[f];
        std::stable_sort(kids.begin(), kids.end(), [&](int a, int b) { return area[a] < area[b]; });
        for (int c : kids) {
            std::vector<Point2> both = hull[f];
            both.insert(both.end(), hull[c].begin(), hull[c].end());
            std::vector<Point2> merged = HullOf(both);
            double turn = 0;
            if (FindFittingTurn(merged, limit, 0, turn)) {
                hull[f] = std::move(merged);
            } else {
                grown.kept[parentLink[c]] = 0;
                ++grown.pieces;
            }
            std::vector<Point2>().swap(hull[c]);
        }
        area[f] = HullArea(hull[f]);
        if (parent[f] >= 0) children[parent[f]].push_back(f);
    }
    ++grown.pieces;
    return grown;
}

} // namespace

std::vector<char> PiecesFittingSheets(const FlatTree& tree, const PartLimit& limit, int& pieces) {
    const int n = static_cast<int>(tree.start.size()) - 1;
    pieces = n > 0 ? 1 : 0;
    if (n <= 0) return {};
    std::vector<std::vector<std::pair<int, int>>> around(n);
    for (size_t i = 0; i < tree.links.size(); ++i) {
        around[tree.links[i][0]].push_back({tree.links[i][1], static_cast<int>(i)});
        around[tree.links[i][1]].push_back({tree.links[i][0], static_cast<int>(i)});
    }
    Grown best;
    best.pieces = -1;
    for (int k = 0; k < std::min(kRoots, n); ++k) {
        Grown grown = GrowFrom(tree, around, static_cast<int>(int64_t(k) * n / std::min(kRoots, n)), limit);
        if (best.pieces < 0 || grown.pieces < best.pieces) best = std::move(grown);
    }
    pieces = best.pieces;
    return best.kept;
}

} // namespace tsm
