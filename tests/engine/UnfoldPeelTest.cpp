#include "engine/UnfoldPeel.h"

#include "engine/Topology.h"
#include "tests/engine/MeshInput.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <unordered_map>

using namespace tsm;

namespace {

using Peeled = MeshInput;

// Every face and edge of `mesh`, all joinable, under a sheet limit of `sheet` mm at `scale` mm a unit.
Peeled Input(const MeshData& mesh, double scale = 1, SheetArea sheet = {180, 267, {}}) {
    Peeled p = InputOf(mesh);
    p.input.limit = {true, sheet, scale, 5, 0};
    return p;
}

// The lower layer of an edge's ends where they differ (a rung of the ribbon there), -1 within a layer.
int RibbonOf(const Edge& edge, const std::unordered_map<const Vertex*, int>& layer) {
    const int a = layer.at(edge.vertex1), b = layer.at(edge.vertex2);
    return a == b ? -1 : std::min(a, b);
}

// Each vertex's layer when peeled from `seed`.
std::unordered_map<const Vertex*, int> LayerMap(const FewestPartsInput& input, const Vertex* seed) {
    const std::vector<int> layers = PeelLayers(input, seed);
    std::unordered_map<const Vertex*, int> layer;
    for (const Face* face : input.faces)
        for (const auto& corner : face->halfEdges)
            layer.emplace(corner->vertex, static_cast<int>(layer.size()));
    EXPECT_EQ(layers.size(), layer.size());
    for (auto& [vertex, index] : layer) index = layers.at(index);
    return layer;
}

} // namespace

// Only triangles of a closed surface are peeled: a quad, or an edge with nothing across it, leaves no order.
TEST(UnfoldPeel, PeelsOnlyClosedTriangleMeshes) {
    const struct {
        const char* name;
        MeshData mesh;
        bool peeled;
    } cases[] = {{"cube of quads", Cube(10), false},
                 {"open grid", Grid(4, 4, 10), false},
                 {"tetrahedron", Tetrahedron(10), true},
                 {"sphere", Icosphere(2, 10), true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Peeled p = Input(c.mesh);
        const std::vector<PeelOrder> orders = PeelOrders(p.input);
        EXPECT_EQ(!orders.empty(), c.peeled);
        EXPECT_LE(orders.size(), static_cast<size_t>(kMostPeelOrders));
        for (const PeelOrder& order : orders) EXPECT_EQ(order.size(), p.input.edges.size());
        EXPECT_EQ(PeelFrom(p.input, nullptr).empty(), true);
    }
}

// Peeled from a vertex, the layers grow by at most one across an edge; the rungs come ribbon after ribbon
// outwards, each ring edge after them but one per ribbon (the one that carries the last ribbon's part on),
// so the ribbons grow as strips rather than everywhere at once.
TEST(UnfoldPeel, JoinsRibbonAfterRibbonBeforeTheRings) {
    Peeled p = Input(Icosphere(3, 50));
    const Vertex* seed = p.input.faces[7]->Corner(1)->vertex;
    const PeelOrder order = PeelFrom(p.input, seed);
    ASSERT_EQ(order.size(), p.input.edges.size());
    const std::unordered_map<const Vertex*, int> layer = LayerMap(p.input, seed);
    EXPECT_EQ(layer.at(seed), 0);
    int top = 0;
    for (const Edge* edge : p.input.edges) {
        EXPECT_LE(std::abs(layer.at(edge->vertex1) - layer.at(edge->vertex2)), 1);
        top = std::max(top, RibbonOf(*edge, layer));
    }
    ASSERT_GE(top, 5); // a sphere of 1,280 faces has rings enough to tell
    double lastRung = -1;
    std::vector<double> firstOf(top + 1, 1e300), lastOf(top + 1, -1);
    for (size_t i = 0; i < order.size(); ++i) {
        const int k = RibbonOf(*p.input.edges[i], layer);
        if (k < 0) continue;
        lastRung = std::max(lastRung, order[i]);
        firstOf[k] = std::min(firstOf[k], order[i]);
        lastOf[k] = std::max(lastOf[k], order[i]);
    }
    for (int k = 0; k < top; ++k) EXPECT_LT(lastOf[k], firstOf[k + 1]) << "ribbon " << k;
    int ringsAmongRungs = 0;
    for (size_t i = 0; i < order.size(); ++i)
        ringsAmongRungs += RibbonOf(*p.input.edges[i], layer) < 0 && order[i] < lastRung;
    EXPECT_LE(ringsAmongRungs, top);
    std::vector<double> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_TRUE(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) << "keys tie";
}

// Among the ring edges joined after the rungs, those whose two ends each lie on three ring edges or more
// come first, then those with one such end: each such join leaves one meeting of three cuts fewer at an end.
TEST(UnfoldPeel, JoinsRingEdgesBetweenBranchingRingVerticesFirst) {
    Peeled p = Input(Icosphere(3, 50));
    for (int seedFace : {7, 300, 901}) {
        SCOPED_TRACE(seedFace);
        const Vertex* seed = p.input.faces[seedFace]->Corner(0)->vertex;
        const PeelOrder order = PeelFrom(p.input, seed);
        const std::unordered_map<const Vertex*, int> layer = LayerMap(p.input, seed);
        std::unordered_map<const Vertex*, int> ringEdges;
        double lastRung = -1;
        for (size_t i = 0; i < order.size(); ++i) {
            const Edge& edge = *p.input.edges[i];
            if (RibbonOf(edge, layer) >= 0)
                lastRung = std::max(lastRung, order[i]);
            else
                ++ringEdges[edge.vertex1], ++ringEdges[edge.vertex2];
        }
        // Each ring edge joined after the rungs, by its key, and how many of its ends branch.
        std::vector<std::pair<double, int>> rings;
        for (size_t i = 0; i < order.size(); ++i) {
            const Edge& edge = *p.input.edges[i];
            if (RibbonOf(edge, layer) < 0 && order[i] > lastRung)
                rings.push_back({order[i], (ringEdges[edge.vertex1] > 2) + (ringEdges[edge.vertex2] > 2)});
        }
        std::sort(rings.begin(), rings.end());
        ASSERT_FALSE(rings.empty());
        EXPECT_GT(rings.front().second, 0) << "a sphere of 1,280 faces has ring vertices that branch";
        for (size_t i = 1; i < rings.size(); ++i)
            EXPECT_GE(rings[i - 1].second, rings[i].second) << "ring edge " << i << " of " << rings.size();
    }
}

// A smooth sphere too large for the one-piece search, at a size where every ribbon must be cut to the
// sheet: the plan keeps the peel, whose parts are far fewer than the growths from everywhere leave
// (measured with two growths and two dissolutions: 43 parts, against 372 without the peel).
TEST(UnfoldPeel, PlanPeelsALargeSmoothSphereIntoFewParts) {
    Peeled p = Input(Icosphere(4, 50), 1.5);
    p.input.candidateLimit = 2;
    ASSERT_GT(p.input.faces.size(), 1500u);
    int lastStep = 0;
    const Result<FewestPartsPlan> plan = PlanFewestParts(p.input, [&](int step) {
        EXPECT_GE(step, lastStep);
        lastStep = step;
        return true;
    });
    ASSERT_TRUE(plan.ok());
    EXPECT_LE(lastStep, FewestPartsSteps(p.input));
    EXPECT_LE(plan->parts, 60);
    EXPECT_GE(plan->parts, 2);
}

// Cancelled among the peeled growths, the plan is cancelled and every face is back in the part it had.
TEST(UnfoldPeel, CancelInThePeelGivesTheFacesBack) {
    Peeled p = Input(Icosphere(4, 50), 1.5);
    p.input.candidateLimit = 2;
    const int cancelAt = FewestPartsSteps(p.input) / 2; // past two growths and two dissolutions
    int reached = 0;
    const Result<FewestPartsPlan> plan = PlanFewestParts(p.input, [&](int step) {
        reached = std::max(reached, step);
        return step < cancelAt;
    });
    EXPECT_TRUE(plan.cancelled());
    EXPECT_GE(reached, cancelAt);
    for (const Face* face : p.input.faces) EXPECT_EQ(face->part, nullptr);
}
