#include "view3d/FaceCheckAnimation.h"

#include "model/Mesh.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace tsm {
namespace {

TEST(FaceCheckAnimation, SpeedTable) {
    // Any other stored value, including a damaged one, is 75 ms.
    const std::pair<int, int> cases[] = {{0, 25}, {1, 60},  {2, 110},
                                         {3, 75}, {-1, 75}, {-2147483647 - 1, 75}};
    for (auto [index, ms] : cases) EXPECT_EQ(FaceCheckTickIntervalMs(index), ms) << index;
}

TEST(FaceCheckAnimation, TenEqualStepsTowardsTheTarget) {
    Camera3D camera; // pitch 30, yaw -30
    FaceCheckAnimation animation;
    EXPECT_EQ(animation.Start(camera, 90, 0, 0), 25);
    EXPECT_TRUE(animation.Running());
    EXPECT_DOUBLE_EQ(animation.PitchIncrement(), 6.0);
    EXPECT_DOUBLE_EQ(animation.YawIncrement(), 3.0);
    // A full run at speed 0: ten ticks of 25 ms, the timer stops at the tenth.
    int ticks = 0;
    bool finished = false;
    while (!finished && ticks < 100) {
        finished = animation.Tick(camera);
        ++ticks;
        if (!finished) {
            EXPECT_EQ(animation.Step(), ticks);
        }
    }
    EXPECT_EQ(ticks, 10);
    EXPECT_FALSE(animation.Running());
    EXPECT_EQ(animation.Step(), 0);
    EXPECT_NEAR(camera.pitch, 90.0, 1e-9);
    EXPECT_NEAR(camera.yaw, 0.0, 1e-9);
    // Idle ticks (a stray timer message) change nothing.
    EXPECT_FALSE(animation.Tick(camera));
    EXPECT_NEAR(camera.pitch, 90.0, 1e-9);
}

TEST(FaceCheckAnimation, ARequestDuringARunIsIgnored) {
    Camera3D camera;
    FaceCheckAnimation animation;
    ASSERT_EQ(animation.Start(camera, 0, 60, 2), 110);
    animation.Tick(camera);
    EXPECT_EQ(animation.Start(camera, -90, -90, 0), 0);
    EXPECT_EQ(animation.TargetPitch(), 0);
    EXPECT_EQ(animation.TargetYaw(), 60);
    EXPECT_DOUBLE_EQ(animation.YawIncrement(), 9.0);
    // Camera resets meanwhile do not stop the run; the steps keep their size and the end is not snapped.
    camera.Reset();
    for (int i = 0; i < 9; ++i) animation.Tick(camera);
    EXPECT_FALSE(animation.Running());
    EXPECT_NEAR(camera.yaw, -30.0 + 9 * 9.0, 1e-9);
    EXPECT_NEAR(camera.pitch, 30.0 - 9 * 3.0, 1e-9);
    // After the run a new request starts again.
    EXPECT_EQ(animation.Start(camera, 0, 0, 7), 75);
}

// A face with the given corners and unit normal (no topology: the target needs only these).
std::unique_ptr<CFace> Face(std::vector<std::unique_ptr<CVertex>>& store, const std::vector<Vec3>& corners,
                            const Vec3& normal) {
    auto face = std::make_unique<CFace>();
    for (const Vec3& p : corners) {
        store.push_back(std::make_unique<CVertex>());
        store.back()->position = p;
        auto h = std::make_unique<CHalfEdge>();
        h->vertex = store.back().get();
        face->halfEdges.push_back(std::move(h));
    }
    face->plane[0] = normal.x;
    face->plane[1] = normal.y;
    face->plane[2] = normal.z;
    return face;
}

TEST(FaceCheckAnimation, TargetsTurnTheMarkedFacesToTheViewer) {
    CMeshModel model;
    model.center = {10, 20, 30};
    std::vector<std::unique_ptr<CVertex>> store;
    const Vec3 c = model.center;
    // A face on top, centred above the model centre: pitch 90 brings it round, yaw stays 0.
    auto top = Face(store, {c + Vec3{-1, 5, -1}, c + Vec3{1, 5, -1}, c + Vec3{1, 5, 1}, c + Vec3{-1, 5, 1}},
                    {0, 1, 0});
    FaceCheckTarget t = ComputeFaceCheckTarget(model, {top.get()});
    EXPECT_NEAR(t.pitch, 90.0, 1e-9);
    EXPECT_EQ(t.yaw, 0.0);
    // A face on the +x side: yaw -90, pitch 0.
    auto side = Face(store, {c + Vec3{5, -1, -1}, c + Vec3{5, 1, -1}, c + Vec3{5, 1, 1}, c + Vec3{5, -1, 1}},
                     {1, 0, 0});
    t = ComputeFaceCheckTarget(model, {side.get()});
    EXPECT_NEAR(t.yaw, -90.0, 1e-9);
    EXPECT_EQ(t.pitch, 0.0);
    // Just under the threshold (about 45 degrees up) still counts as a side: yaw.
    auto slope = Face(store, {c + Vec3{0, 3, 3}}, {0, 0.70710678, 0.70710678});
    t = ComputeFaceCheckTarget(model, {slope.get()});
    EXPECT_EQ(t.pitch, 0.0);
    EXPECT_NEAR(t.yaw, 0.0, 1e-9);
    // Just over it: pitch from the centre's height and depth.
    auto steeper = Face(store, {c + Vec3{0, 3, 3}}, {0, 0.7073, 0.7069});
    t = ComputeFaceCheckTarget(model, {steeper.get()});
    EXPECT_NEAR(t.pitch, 45.0, 1e-9);
    EXPECT_EQ(t.yaw, 0.0);
    // Two faces: normals summed, corners averaged (top and bottom cancel to a side view).
    auto bottom = Face(store, {c + Vec3{-1, -5, 4}, c + Vec3{1, -5, 4}, c + Vec3{0, -5, 5}}, {0, -1, 0});
    auto up = Face(store, {c + Vec3{-1, 5, 4}, c + Vec3{1, 5, 4}, c + Vec3{0, 5, 5}}, {0, 1, 0});
    t = ComputeFaceCheckTarget(model, {bottom.get(), up.get()});
    EXPECT_EQ(t.pitch, 0.0);
    EXPECT_NEAR(t.yaw, 0.0, 1e-9);
    // Nothing marked, or null entries: no turn and no division by zero.
    t = ComputeFaceCheckTarget(model, {});
    EXPECT_EQ(t.pitch, 0.0);
    EXPECT_EQ(t.yaw, 0.0);
    t = ComputeFaceCheckTarget(model, {nullptr});
    EXPECT_EQ(t.pitch, 0.0);
}

} // namespace
} // namespace tsm
