#include "view3d/AssemblyStep.h"

#include "View3DFixtures.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace tsm {
namespace {

// The cube cut into parts of the given faces.
std::unique_ptr<Document> CubeInParts(const std::vector<std::vector<int>>& parts) {
    auto doc = test::CubeDocument();
    doc->development = std::make_unique<Development>();
    Solid& cube = *doc->model->solids[0];
    for (const auto& faces : parts) {
        Part* part = doc->development->AppendPart(std::make_unique<Part>());
        part->solid = &cube;
        for (int f : faces) {
            cube.faces[f]->part = part;
            part->faces.push_back(cube.faces[f].get());
        }
    }
    return doc;
}

// Each cube face as the new part: under the camera's turn (pitch about x, then yaw about y, as the
// projection applies them) the direction from the cube's middle to the face ends up pointing at the viewer.
TEST(AssemblyStep, TheNewPartsFacesTurnTowardsTheCamera) {
    for (int f = 0; f < 6; ++f) {
        auto doc = CubeInParts({{f}});
        const Solid& cube = *doc->model->solids[0];
        Vec3 middle, centre;
        for (const auto& v : cube.vertices) middle = middle + v->position / 8.0;
        for (const auto& h : cube.faces[f]->halfEdges) centre = centre + h->vertex->position / 4.0;
        const Vec3 out = centre - middle;
        Camera3D camera;
        camera.Reset();
        TurnTowardsPart(*doc->model, *doc->development->parts[0], camera);
        const Mat4 turn = RotationMatrix(camera.pitch, 1, 0, 0) * RotationMatrix(camera.yaw, 0, 1, 0);
        const double* m = turn.m;
        const Vec3 seen{m[0] * out.x + m[4] * out.y + m[8] * out.z,
                        m[1] * out.x + m[5] * out.y + m[9] * out.z,
                        m[2] * out.x + m[6] * out.y + m[10] * out.z};
        EXPECT_NEAR(seen.x, 0, 1e-9) << f;
        EXPECT_NEAR(seen.y, 0, 1e-9) << f;
        EXPECT_GT(seen.z, 0.5) << f;
    }
}

// Only the parts built so far are gathered, the newest as highlighted (picked) faces, and only the sides
// of edges that the built faces have.
TEST(AssemblyStep, StepsShowTheBuiltPartsWithTheNewestHighlighted) {
    auto doc = CubeInParts({{0}, {1, 2, 3, 4, 5}});
    const std::vector<BuildStep> order{{1, {}}, {0, {1}}};
    const auto counts = [&](size_t step) {
        ModelFrameGeometry g;
        GatherModelFrame(*doc, Settings(), g, StepView(*doc->development, order, step));
        return std::vector<int>{g.faces.FaceCount(), g.picked.FaceCount(), g.edges.SegmentCount()};
    };
    // Every edge is cut (nothing joined), so each side of an edge is drawn at its own face.
    EXPECT_EQ(counts(0), (std::vector<int>{0, 5, 20}));
    EXPECT_EQ(counts(1), (std::vector<int>{5, 1, 24}));
    EXPECT_FALSE(StepView(*doc->development, order, 2).active) << "beyond the order";
    EXPECT_EQ(counts(2), (std::vector<int>{6, 0, 24})) << "inactive: the whole model";

    auto single = CubeInParts({{0}, {1, 2, 3, 4, 5}});
    ModelFrameGeometry g;
    GatherModelFrame(*single, Settings(), g, StepView(*single->development, {{0, {}}}, 0));
    EXPECT_EQ((std::vector<int>{g.faces.FaceCount(), g.picked.FaceCount(), g.edges.SegmentCount()}),
              (std::vector<int>{0, 1, 4})); // one face and its own sides of its four edges
}

} // namespace
} // namespace tsm
