#include "engine/FlapReach.h"

#include "engine/Flaps.h"
#include "engine/Topology.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tsm;

namespace {

constexpr double kQuarterTurn = 0.7853981633974483;

std::unique_ptr<Document> Made(const std::vector<Vec3>& vertices,
                               const std::vector<std::vector<int>>& faces) {
    auto doc = std::make_unique<Document>();
    AddSolid(*doc, "mesh", vertices, faces);
    for (auto& edge : doc->model->solids[0]->edges) UpdateEdgeGeometry(*edge);
    AutoFlapAnglesAll(*doc->model, 45);
    return doc;
}

std::vector<Edge*> Edges(Document& doc) {
    std::vector<Edge*> edges;
    for (auto& edge : doc.model->solids[0]->edges) edges.push_back(edge.get());
    return edges;
}

HalfEdge* SideFrom(Document& doc, const Vec3& from, const Vec3& to) {
    for (auto& face : doc.model->solids[0]->faces)
        for (auto& h : face->halfEdges)
            if (h->vertex->position == from && h->next->vertex->position == to) return h.get();
    return nullptr;
}

// The far corner of the face beyond the sliver, (10, 1, 0) turned about that face's edge from (0,0,0) to
// (10,0.5,0) by `degrees`: the fold between the two faces.
Vec3 Folded(double degrees) {
    const Vec3 axis = Vec3{10, 0.5, 0} * (1 / Length(Vec3{10, 0.5, 0}));
    const Vec3 corner{10, 1, 0};
    const Vec3 along = axis * Dot(corner, axis), off = corner - along;
    const double turn = degrees * 3.14159265358979323846 / 180;
    return along + off * std::cos(turn) + Cross(axis, off) * std::sin(turn);
}

} // namespace

// A sliver beside the edge from (0,0,0) to (10,0,0), and one more face beyond it around the start: the
// flap's angle there grows over both where they meet in a gentle fold and hold the whole flap.
TEST(FlapReach, AFlapReachesOverFlatFacesThatHoldIt) {
    struct Case {
        const char* name;
        Vec3 beyond; // the far corner of the face beyond the sliver
        double angleAtStart;
    } cases[] = {
        {"flat, reaching the flap's far end", {10, 1, 0}, std::atan(0.1)},
        {"folded by 5 degrees", Folded(5), std::atan(0.1)},
        {"folded by 25 degrees the other way", Folded(-25), std::atan(0.1)},
        {"flat, but too short for the flap's top", {5, 0.5, 0}, std::atan(0.05)},
        {"folded by 25 degrees", Folded(25), std::atan(0.1)},
        {"folded by 40 degrees", Folded(40), std::atan(0.05)},
        {"folded out of the plane", {10, 1, 1}, std::atan(0.05)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Made({{0, 0, 0}, {10, 0, 0}, {5, -5, 0}, {10, 0.5, 0}, c.beyond},
                        {{0, 1, 2}, {1, 0, 3}, {3, 0, 4}});
        HalfEdge* side = SideFrom(*doc, {0, 0, 0}, {10, 0, 0});
        ASSERT_NE(side, nullptr);
        ASSERT_NEAR(side->flapAngle2, std::atan(0.05), 1e-9);
        const double end = side->flapAngle1;
        const std::vector<FlapAnglesBefore> widened =
            WidenFlapsAcrossGentleFolds(Edges(*doc), 0.8, kQuarterTurn);
        EXPECT_NEAR(side->flapAngle2, c.angleAtStart, 1e-9);
        EXPECT_EQ(side->flapAngle1, end);
        // What the widening hands back puts every angle back as it was.
        for (const FlapAnglesBefore& before : widened)
            before.side->flapAngle1 = before.angle1, before.side->flapAngle2 = before.angle2;
        EXPECT_NEAR(side->flapAngle2, std::atan(0.05), 1e-9);
    }
}

// A gear's flat caps are fans of 80 slivers: every spoke's flap may open to the widest angle at the
// centre, where a sliver's own corner would leave it 4.5 degrees. The walls' flaps stay as they were.
TEST(FlapReach, SpokesOfAFlatFanOpenToTheWidestAngle) {
    const MeshData gear = Gear(20, 40, 46, 8);
    auto doc = Made(gear.vertices, gear.faces);
    // The caps' centres are the only corners on the gear's axis.
    const auto centre = [](const HalfEdge* h) {
        return std::hypot(h->vertex->position.x, h->vertex->position.y) < 1e-9;
    };
    std::vector<std::pair<HalfEdge*, double>> walls;
    for (auto& face : doc->model->solids[0]->faces)
        for (auto& h : face->halfEdges)
            if (h->vertex->position.z != h->next->vertex->position.z)
                walls.push_back({h.get(), h->flapAngle1});
    WidenFlapsAcrossGentleFolds(Edges(*doc), 4.6, kQuarterTurn);
    int spokes = 0;
    for (auto& face : doc->model->solids[0]->faces)
        for (auto& h : face->halfEdges) {
            if (centre(h.get())) {
                EXPECT_DOUBLE_EQ(h->flapAngle2, kQuarterTurn);
                ++spokes;
            }
            if (centre(h->next)) {
                EXPECT_DOUBLE_EQ(h->flapAngle1, kQuarterTurn);
                ++spokes;
            }
        }
    EXPECT_EQ(spokes, 2 * 2 * 80);
    for (const auto& [h, angle] : walls) EXPECT_EQ(h->flapAngle1, angle);
}
