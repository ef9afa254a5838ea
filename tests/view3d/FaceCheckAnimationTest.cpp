#include "view3d/FaceCheckAnimation.h"

#include "model/Mesh.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace tsm {
namespace {

// Ten equal steps from where the camera was at the start: a request during a run is ignored, and a camera
// reset meanwhile neither stops the run nor changes its steps; the end is not snapped to the target.
TEST(FaceCheckAnimation, TenEqualStepsTowardsTheTarget) {
    Camera3D camera; // pitch 30, yaw -30
    FaceCheckAnimation animation;
    ASSERT_EQ(animation.Start(camera, 0, 60, 2), 110);
    EXPECT_TRUE(animation.Running());
    EXPECT_FALSE(animation.Tick(camera));
    EXPECT_EQ(animation.Start(camera, -90, -90, 0), 0);
    camera.Reset();
    for (int tick = 2; tick <= 10; ++tick) EXPECT_EQ(animation.Tick(camera), tick == 10) << tick;
    EXPECT_FALSE(animation.Running());
    EXPECT_NEAR(camera.yaw, -30.0 + 9 * 9.0, 1e-9);
    EXPECT_NEAR(camera.pitch, 30.0 - 9 * 3.0, 1e-9);
    // Stray ticks change nothing; after the run a new request starts again.
    EXPECT_FALSE(animation.Tick(camera));
    EXPECT_NEAR(camera.pitch, 30.0 - 9 * 3.0, 1e-9);
    // Any speed but the three known ones, a damaged one too, is 75 ms.
    EXPECT_EQ(animation.Start(camera, 0, 0, 7), 75);
    for (auto [index, ms] : {std::pair{0, 25}, std::pair{1, 60}, std::pair{-1, 75}})
        EXPECT_EQ(FaceCheckTickIntervalMs(index), ms);
}

// Marked faces of one corner each, given from the model centre, with their unit normals (no topology: the
// target needs only these).
TEST(FaceCheckAnimation, TargetsTurnTheMarkedFacesToTheViewer) {
    const struct {
        const char* what;
        std::vector<std::pair<Vec3, Vec3>> faces; // corner, normal
        double pitch, yaw;
    } cases[] = {
        // Above the model centre: pitch 90 brings it round.
        {"top", {{{0, 5, 0}, {0, 1, 0}}}, 90, 0},
        {"+x side", {{{5, 0, 0}, {1, 0, 0}}}, 0, -90},
        // About 45 degrees up: just under the threshold still a side, just over it a pitch from the centre's
        // height and depth.
        {"slope", {{{0, 3, 3}, {0, 0.70710678, 0.70710678}}}, 0, 0},
        {"steeper", {{{0, 3, 3}, {0, 0.7073, 0.7069}}}, 45, 0},
        // Normals summed, corners averaged: top and bottom cancel to a side view.
        {"top and bottom", {{{1, -5, 4}, {0, -1, 0}}, {{-1, 5, 4}, {0, 1, 0}}}, 0, 0},
        // Nothing marked: no turn and no division by zero.
        {"none", {}, 0, 0},
    };
    Mesh model;
    model.center = {10, 20, 30};
    for (const auto& c : cases) {
        std::vector<std::unique_ptr<Vertex>> vertices;
        std::vector<std::unique_ptr<Face>> faces;
        std::vector<const Face*> marked = {nullptr}; // null entries are passed over
        for (const auto& [corner, normal] : c.faces) {
            vertices.push_back(std::make_unique<Vertex>());
            vertices.back()->position = model.center + corner;
            faces.push_back(std::make_unique<Face>());
            faces.back()->halfEdges.push_back(std::make_unique<HalfEdge>());
            faces.back()->halfEdges.back()->vertex = vertices.back().get();
            faces.back()->plane[0] = normal.x;
            faces.back()->plane[1] = normal.y;
            faces.back()->plane[2] = normal.z;
            marked.push_back(faces.back().get());
        }
        const FaceCheckTarget t = ComputeFaceCheckTarget(model, marked);
        EXPECT_NEAR(t.pitch, c.pitch, 1e-9) << c.what;
        EXPECT_NEAR(t.yaw, c.yaw, 1e-9) << c.what;
    }
}

} // namespace
} // namespace tsm
