#include "view3d/FacingSplit.h"

#include <gtest/gtest.h>

namespace tsm {
namespace {

// Which pass a triangle goes to. Whole frames are compared with the one-polygon-at-a-time drawing in the
// renderer's tests; these are the triangles that GL must decide.
TEST(FacingSplit, UndecidedTrianglesGoToBothPasses) {
    Camera3D camera;
    camera.pitch = 0;
    camera.yaw = 0;
    const Mat4 p = CameraProjection(camera, 200, 150, nullptr);
    const float front[3][3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}};
    EXPECT_EQ(TriangleFacing(p, front[0], front[1], front[2]), Facing::Front);
    EXPECT_EQ(TriangleFacing(p, front[0], front[2], front[1]), Facing::Back);
    // Seen exactly edge-on.
    const float edgeOn[3][3] = {{-1, 0, -1}, {1, 0, -1}, {0, 0, 1}};
    EXPECT_EQ(TriangleFacing(p, edgeOn[0], edgeOn[1], edgeOn[2]), Facing::Undecided);
    // Reaching behind the eye (at z = 5): GL clips.
    const float behind[3][3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 9}};
    EXPECT_EQ(TriangleFacing(p, behind[0], behind[1], behind[2]), Facing::Undecided);
    // A triangle of no area.
    const float line[3][3] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}};
    EXPECT_EQ(TriangleFacing(p, line[0], line[1], line[2]), Facing::Undecided);
}

} // namespace
} // namespace tsm
