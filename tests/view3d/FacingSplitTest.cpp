#include "view3d/FacingSplit.h"

#include "View3DFixtures.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <set>

namespace tsm {
namespace {

// The faces whose triangles are in `indices`, by their first corner.
std::set<int> FacesIn(const FaceArrays& a, const std::vector<uint32_t>& indices) {
    std::set<int> faces;
    for (uint32_t i : indices)
        for (int f = 0; f < a.FaceCount(); ++f)
            if (int(i) >= a.firstCorners[f] && int(i) < a.firstCorners[f] + a.polygonSizes[f])
                faces.insert(f);
    return faces;
}

TEST(FacingSplit, ACubeSendsEachFaceToOnePass) {
    Settings settings;
    auto doc = test::CubeDocument();
    ModelFrameGeometry g;
    GatherModelFrame(*doc, settings, g);
    Camera3D camera; // sees three faces
    FacingSplit split;
    SplitByFacing(g.faces, CameraProjection(camera, 200, 150, doc->model.get()), split);
    const std::set<int> front = FacesIn(g.faces, split.front), back = FacesIn(g.faces, split.back);
    EXPECT_EQ(front.size(), 3u);
    EXPECT_EQ(back.size(), 3u);
    for (int f : front) {
        EXPECT_EQ(back.count(f), 0u) << f;
        // The faces kept for the front pass face the viewer: +x, +y or +z from this camera.
        const float* n = &g.faces.normals[size_t(g.faces.firstCorners[f]) * 3];
        EXPECT_GT(n[0] + n[1] + n[2], 0.5f) << f;
    }
    EXPECT_EQ(split.front.size(), 18u);
    ASSERT_EQ(split.runs.size(), 1u);
    EXPECT_EQ(split.runs[0].frontCount, 18);
    EXPECT_EQ(split.runs[0].backCount, 18);
}

TEST(FacingSplit, UndecidedTrianglesGoToBothPasses) {
    Camera3D camera;
    camera.pitch = 0;
    camera.yaw = 0;
    const Mat4 p = CameraProjection(camera, 200, 150, nullptr);
    const float front[3][3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}};
    EXPECT_EQ(TriangleFacing(p, front[0], front[1], front[2]), Facing::Front);
    EXPECT_EQ(TriangleFacing(p, front[0], front[2], front[1]), Facing::Back);
    // Seen exactly edge-on: GL decides.
    const float edgeOn[3][3] = {{-1, 0, -1}, {1, 0, -1}, {0, 0, 1}};
    EXPECT_EQ(TriangleFacing(p, edgeOn[0], edgeOn[1], edgeOn[2]), Facing::Undecided);
    // Reaching behind the eye (at z = 5): GL clips and decides.
    const float behind[3][3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 9}};
    EXPECT_EQ(TriangleFacing(p, behind[0], behind[1], behind[2]), Facing::Undecided);
    // A triangle of no area.
    const float line[3][3] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}};
    EXPECT_EQ(TriangleFacing(p, line[0], line[1], line[2]), Facing::Undecided);
}

TEST(FacingSplit, RunsKeepTheirOrderAndBounds) {
    Settings settings;
    Document doc;
    AddMaterial(doc, "a", {1, 0, 0});
    AddMaterial(doc, "b", {0, 1, 0});
    const MeshData ball = Icosphere(1, 1.0);
    CSolid& solid = AddSolid(doc, "ball", ball.vertices, ball.faces);
    for (size_t f = 0; f < solid.faces.size(); ++f) solid.faces[f]->materialIndex = int(f / 20);
    ModelFrameGeometry g;
    GatherModelFrame(doc, settings, g);
    // 80 faces: materials 0 and 1, then indices 2 and 3, both past the end, in one default run.
    ASSERT_EQ(g.faces.runs.size(), 3u);
    FacingSplit split;
    SplitByFacing(g.faces, CameraProjection(Camera3D{}, 200, 150, doc.model.get()), split);
    ASSERT_EQ(split.runs.size(), g.faces.runs.size());
    size_t frontTotal = 0;
    for (size_t r = 0; r < split.runs.size(); ++r) {
        const auto& range = split.runs[r];
        EXPECT_EQ(size_t(range.frontFirst), frontTotal);
        frontTotal += size_t(range.frontCount);
        // Every kept triangle of a run lies within the run's own corners.
        const int lo = g.faces.firstCorners[size_t(g.faces.runs[r].firstFace)];
        const int last = g.faces.runs[r].firstFace + g.faces.runs[r].faceCount - 1;
        const int hi = g.faces.firstCorners[size_t(last)] + g.faces.polygonSizes[size_t(last)];
        for (int i = range.frontFirst; i < range.frontFirst + range.frontCount; ++i) {
            EXPECT_GE(int(split.front[size_t(i)]), lo);
            EXPECT_LT(int(split.front[size_t(i)]), hi);
        }
    }
    EXPECT_EQ(frontTotal, split.front.size());
    // A closed convex ball: about half of its triangles face the viewer, each either way.
    EXPECT_EQ(split.front.size() + split.back.size(), g.faces.frontIndices.size());
}

} // namespace
} // namespace tsm
