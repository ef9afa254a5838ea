#include "engine/PartFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace tsm;

namespace {

TEST(ConvexHull, LeavesInnerAndCollinearPointsOut) {
    const std::vector<Point2> points{{0, 0}, {1, 1}, {2, 0}, {2, 2}, {1, 0}, {0, 2}, {0.5, 1.5}};
    std::vector<size_t> hull = ConvexHull(points);
    std::sort(hull.begin(), hull.end());
    EXPECT_EQ(hull, (std::vector<size_t>{0, 2, 3, 5}));
    EXPECT_EQ(ConvexHull({{3, 3}}).size(), 1u);
}

TEST(FindFittingTurn, PrefersTheGivenTurnThenLaysAnEdgeAlongAnAxis) {
    PartLimit limit;
    limit.active = true;
    limit.sheet = {5, 12, {}};
    limit.flapHeightMM = 0;
    // A stick 9.9 long lying diagonally: its box is 7.5 wide, too wide; stood up along y it fits.
    const std::vector<Point2> stick{{0, 0}, {7, 7}, {7.5, 6.5}, {0.5, -0.5}};
    double turn = 0;
    ASSERT_TRUE(FindFittingTurn(stick, limit, 0.0, turn));
    EXPECT_NE(turn, 0.0);
    EXPECT_TRUE(FitsTurned(stick, limit, turn));
    // Fitting as given, it stays as given.
    limit.sheet = {8, 12, {}};
    ASSERT_TRUE(FindFittingTurn(stick, limit, 0.25, turn));
    EXPECT_EQ(turn, 0.25);
    // Room for flaps on both sides and the spacing makes it too long for any turn; the scale counts too.
    limit.flapHeightMM = 1;
    limit.spacingMM = 0.5;
    EXPECT_FALSE(FindFittingTurn(stick, limit, 0.0, turn));
    limit.scale = 0.5;
    EXPECT_TRUE(FindFittingTurn(stick, limit, 0.0, turn));
}

} // namespace
