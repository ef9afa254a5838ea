#include "engine/TreePieces.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <vector>

using namespace tsm;

namespace {

// Unit squares at the given grid cells, linked as listed.
FlatTree Squares(const std::vector<std::pair<int, int>>& cells,
                 const std::vector<std::array<int, 2>>& links) {
    FlatTree tree;
    tree.start.push_back(0);
    for (const auto& [x, y] : cells) {
        for (const Point2& p : {Point2{0, 0}, Point2{1, 0}, Point2{1, 1}, Point2{0, 1}})
            tree.corners.push_back({x + p.x, y + p.y});
        tree.start.push_back(static_cast<int>(tree.corners.size()));
    }
    tree.links = links;
    return tree;
}

PartLimit Sheet(double width, double height) {
    PartLimit limit;
    limit.active = true;
    limit.sheet = {width, height, {}};
    limit.flapHeightMM = 0;
    return limit;
}

// The faces of each piece the kept links leave, by the piece's first face.
std::map<int, std::vector<int>> PiecesOf(const FlatTree& tree, const std::vector<char>& kept) {
    const int n = static_cast<int>(tree.start.size()) - 1;
    std::vector<int> root(n);
    std::iota(root.begin(), root.end(), 0);
    const auto find = [&root](int x) {
        while (root[x] != x) x = root[x] = root[root[x]];
        return x;
    };
    for (size_t i = 0; i < tree.links.size(); ++i)
        if (kept[i]) root[find(tree.links[i][0])] = find(tree.links[i][1]);
    std::map<int, std::vector<int>> pieces;
    std::map<int, int> first;
    for (int f = 0; f < n; ++f) {
        const int r = find(f);
        if (!first.count(r)) first[r] = f;
        pieces[first[r]].push_back(f);
    }
    return pieces;
}

bool PieceFits(const FlatTree& tree, const std::vector<int>& faces, const PartLimit& limit) {
    std::vector<Point2> points;
    for (int f : faces)
        points.insert(points.end(), tree.corners.begin() + tree.start[f],
                      tree.corners.begin() + tree.start[f + 1]);
    std::vector<Point2> hull;
    for (size_t i : ConvexHull(points)) hull.push_back(points[i]);
    double turn = 0;
    return FindFittingTurn(hull, limit, 0, turn);
}

TEST(PiecesFittingSheets, CutsAlongTheTreeIntoTheFewestPiecesThatFit) {
    const auto row = [](int n) {
        std::vector<std::pair<int, int>> cells;
        std::vector<std::array<int, 2>> links;
        for (int i = 0; i < n; ++i) {
            cells.push_back({i, 0});
            if (i > 0) links.push_back({i - 1, i});
        }
        return Squares(cells, links);
    };
    // A plus of arms two long: the row through the middle fits a long sheet, the other arms apart.
    const FlatTree plus =
        Squares({{0, 0}, {-1, 0}, {-2, 0}, {1, 0}, {2, 0}, {0, 1}, {0, 2}, {0, -1}, {0, -2}},
                {{0, 1}, {1, 2}, {0, 3}, {3, 4}, {0, 5}, {5, 6}, {0, 7}, {7, 8}});
    const struct {
        const char* name;
        FlatTree tree;
        PartLimit limit;
        int pieces;
    } cases[] = {
        {"a row of ten, three to a sheet", row(10), Sheet(3.5, 1.5), 4},
        {"a row of ten, stood up on the sheet", row(10), Sheet(1.5, 5.5), 2},
        {"a row that fits whole", row(6), Sheet(6.2, 1.2), 1},
        {"faces too large each alone", row(3), Sheet(0.5, 0.5), 3},
        {"a plus on a long sheet", plus, Sheet(5.2, 1.2), 3},
        {"a plus on a square sheet", plus, Sheet(5.2, 5.2), 1},
        {"no faces", FlatTree{{0}, {}, {}}, Sheet(1, 1), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int pieces = -1;
        const std::vector<char> kept = PiecesFittingSheets(c.tree, c.limit, pieces);
        EXPECT_EQ(pieces, c.pieces);
        ASSERT_EQ(kept.size(), c.tree.links.size());
        const auto found = PiecesOf(c.tree, kept);
        EXPECT_EQ(static_cast<int>(found.size()), c.pieces);
        // Every piece fits, but for a single face that fits no sheet alone.
        for (const auto& [first, faces] : found)
            EXPECT_TRUE(faces.size() == 1 || PieceFits(c.tree, faces, c.limit)) << "piece of face " << first;
    }
}

} // namespace
