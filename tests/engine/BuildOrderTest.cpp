#include "engine/BuildOrder.h"

#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

std::vector<int> Parts(const std::vector<BuildStep>& order) {
    std::vector<int> parts;
    for (const BuildStep& step : order) parts.push_back(step.part);
    return parts;
}

// Parts of a strip of triangles (each shares an edge with the next) given as lists of triangles.
std::vector<BuildStep> OrderOfStrip(const std::vector<std::vector<int>>& parts,
                                    const std::vector<int>& user = {}) {
    DevelopmentFixture fixture;
    fixture.StripInParts(parts);
    return user.empty() ? DeriveBuildOrder(fixture.Dev()) : CompleteBuildOrder(fixture.Dev(), user);
}

TEST(BuildOrder, LargestFirstThenMostSharedEdgesThenEarliest) {
    struct Case {
        const char* what;
        std::vector<std::vector<int>> parts;
        std::vector<int> order;
    } cases[] = {
        {"largest first, then along the strip", {{0}, {1, 2, 3, 4}, {5, 6, 7}}, {1, 2, 0}},
        {"equal areas: the earlier part", {{0, 1, 2, 3}, {4, 5, 6, 7}}, {0, 1}},
        {"two edges to the built ones beat one", {{7}, {0, 1, 2, 4, 5, 6}, {3}}, {1, 2, 0}},
        {"a part touching nothing built waits", {{0, 1}, {2, 3, 4, 5}, {6}, {7}}, {1, 0, 2, 3}},
    };
    for (const Case& c : cases) EXPECT_EQ(Parts(OrderOfStrip(c.parts)), c.order) << c.what;
}

TEST(BuildOrder, JoinsNameTheBuiltNeighbours) {
    const auto order = OrderOfStrip({{7}, {0, 1, 2, 4, 5, 6}, {3}});
    ASSERT_EQ(order.size(), 3u);
    EXPECT_TRUE(order[0].joins.empty());
    EXPECT_EQ(order[1].joins, std::vector<int>{1});
    EXPECT_EQ(order[2].joins, std::vector<int>{1});
    EXPECT_EQ(PartNumbers(order, 3), (std::vector<int>{3, 1, 2}));
}

TEST(BuildOrder, SeparateSolidsStartAgainWithTheirLargestPart) {
    DevelopmentFixture fixture;
    const std::vector<Face*> a = fixture.Strip(4);
    const std::vector<Face*> b = fixture.Strip(4); // new vertices: no edge shared with the first strip
    fixture.AddPart({a[0], a[1]});
    fixture.AddPart({b[0]});
    fixture.AddPart({a[2], a[3]});
    fixture.AddPart({b[1], b[2], b[3]});
    const auto order = DeriveBuildOrder(fixture.Dev());
    EXPECT_EQ(Parts(order), (std::vector<int>{3, 1, 0, 2}));
    EXPECT_TRUE(order[2].joins.empty()); // a new start
}

TEST(BuildOrder, AUsersSequenceIsKeptAndCompleted) {
    const std::vector<std::vector<int>> parts{{0, 1}, {2, 3, 4, 5}, {6}, {7}};
    struct Case {
        std::vector<int> user, order;
    } cases[] = {
        {{3, 2, 1, 0}, {3, 2, 1, 0}},
        {{2, 2, -1, 9}, {2, 1, 0, 3}}, // repeats and unknown parts dropped, the rest by the rule
        {{0}, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) EXPECT_EQ(Parts(OrderOfStrip(parts, c.user)), c.order);
}

TEST(BuildOrder, CutEdgesWithinOnePartAndOpenEdgesDoNotCount) {
    DevelopmentFixture fixture;
    const std::vector<Face*> strip = fixture.Strip(3);
    fixture.AddPart({strip[0], strip[1], strip[2]}); // the joins between them left cut
    EXPECT_EQ(CountSharedEdges(fixture.Dev()), (std::vector<std::vector<int>>{{0}}));
    EXPECT_EQ(Parts(DeriveBuildOrder(fixture.Dev())), std::vector<int>{0});
    EXPECT_EQ(LargestFace(*fixture.Dev().parts[0]), strip[0]);
    EXPECT_TRUE(DeriveBuildOrder(Development{}).empty());
}

} // namespace

// The number sits on the largest face's centroid and shrinks with the room around it, between the bounds.
TEST(PartNumbers, ShrinkToTheLargestFaceBetweenTheBounds) {
    const double oneDigit = std::sqrt(0.09 + 0.25); // the box's half diagonal per unit of size
    struct Case {
        double side, size;
    } cases[] = {{100, 10}, {4, 2 / oneDigit}, {1, 2}};
    for (const Case& c : cases) {
        DevelopmentFixture fixture;
        Face* small =
            fixture.AddFace({fixture.AddVertex(0, 0), fixture.AddVertex(0.5, 0), fixture.AddVertex(0, 0.5)});
        Face* square = fixture.AddFace({fixture.AddVertex(0, 0), fixture.AddVertex(c.side, 0),
                                        fixture.AddVertex(c.side, c.side), fixture.AddVertex(0, c.side)});
        Part* part = fixture.AddPart({small, square});
        part->x = 5, part->y = 7;
        const auto places = PlacePartNumbers(fixture.Dev(), 10, 2);
        ASSERT_EQ(places.size(), 1u);
        EXPECT_EQ(places[0].number, 1);
        EXPECT_NEAR(places[0].centreMM.x, 5 + c.side / 2, 1e-9);
        EXPECT_NEAR(places[0].centreMM.y, 7 + c.side / 2, 1e-9);
        EXPECT_NEAR(places[0].sizeMM, c.size, 1e-9) << c.side;
    }
}
