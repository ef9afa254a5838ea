#include "view3d/FacePick.h"

#include "View3DFixtures.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tsm {
namespace {

using test::Facing;

constexpr int kW = 200, kH = 150;

ScreenProjector Projector(const Camera3D& camera, const Mesh* model) {
    return ViewProjector(CameraProjection(camera, kW, kH, model), kW, kH);
}

// The face of the solid whose normal is nearest `direction`.
Face* FaceToward(const Solid& solid, const Vec3& direction) {
    Face* best = nullptr;
    for (const auto& face : solid.faces)
        if (!best || Dot(face->Normal(), direction) > Dot(best->Normal(), direction)) best = face.get();
    return best;
}

TEST(FacePick, TriangleHitTest) {
    auto doc = test::CubeDocument();
    const ScreenProjector p = Projector(Facing(0, 0), doc->model.get());
    const Vec3 a{-1, -1, 1}, b{1, -1, 1}, c{0, 1, 1};
    const double cx = kW / 2.0, cy = kH / 2.0;
    // The model centre is mid-window; up in the model is up on the screen (smaller window y).
    EXPECT_NEAR(p.Project({0, 0, 0}).x, cx, 1e-9);
    EXPECT_NEAR(p.Project({0, 0, 0}).y, cy, 1e-9);
    EXPECT_LT(p.Project(c).y, cy);
    EXPECT_GT(p.Project(b).x, cx);
    // Inside, whichever way round the corners run.
    const auto depth = TriangleHitDepth(p, cx, cy, a, b, c);
    ASSERT_TRUE(depth.has_value());
    EXPECT_NEAR(*depth, (p.Project(a).depth + p.Project(b).depth + p.Project(c).depth) / 3, 1e-12);
    EXPECT_TRUE(TriangleHitDepth(p, cx, cy, a, c, b).has_value());
    // Outside: beside it and beyond a corner.
    EXPECT_FALSE(TriangleHitDepth(p, 2, 2, a, b, c).has_value());
    EXPECT_FALSE(TriangleHitDepth(p, p.Project(c).x, p.Project(c).y - 5, a, b, c).has_value());
    // Exactly on an edge or a corner counts as inside (a zero counts as non-negative).
    const ScreenProjector::Point pa = p.Project(a), pb = p.Project(b);
    EXPECT_TRUE(TriangleHitDepth(p, (pa.x + pb.x) / 2, pa.y, a, b, c).has_value());
    EXPECT_TRUE(TriangleHitDepth(p, pa.x, pa.y, a, b, c).has_value());
    // A triangle reaching behind the eye is never hit.
    Camera3D near = Facing(0, 0);
    near.distance = -0.4;
    const ScreenProjector close = Projector(near, doc->model.get());
    EXPECT_FALSE(TriangleHitDepth(close, cx, cy, {-5, -5, 0.0}, {5, -5, 0.0}, {0, 5, 5}).has_value());
}

TEST(FacePick, PicksTheNearestFaceOfACube) {
    auto doc = test::CubeDocument();
    const Solid& cube = *doc->model->solids[0];
    const Mesh* model = doc->model.get();
    // Straight on: the front face (+z), not the back face behind it; from above: the top; turned a
    // quarter: the side that now faces the viewer.
    const std::pair<Camera3D, Vec3> views[] = {
        {Facing(0, 0), {0, 0, 1}}, {Facing(90, 0), {0, 1, 0}}, {Facing(0, -90), {1, 0, 0}}};
    for (const auto& [camera, toward] : views)
        EXPECT_EQ(PickFace(model, Projector(camera, model), kW / 2.0, kH / 2.0), FaceToward(cube, toward));
    EXPECT_EQ(PickFace(model, Projector(Facing(0, 0), model), 1, 1), nullptr);
    EXPECT_EQ(PickFace(nullptr, Projector(Facing(0, 0), model), kW / 2.0, kH / 2.0), nullptr);
}

TEST(FacePick, OnlyVisibleSolidsAndVertexPositionsCount) {
    auto doc = test::CubeDocument();
    Solid& cube = *doc->model->solids[0];
    const Mesh* model = doc->model.get();
    const ScreenProjector p = Projector(Facing(0, 0), model);
    // The opened display positions are ignored: picking uses the vertices.
    for (auto& face : cube.faces)
        for (auto& h : face->halfEdges) h->displayPos = {100, 100, 100};
    EXPECT_EQ(PickFace(model, p, kW / 2.0, kH / 2.0), FaceToward(cube, {0, 0, 1}));
    // Hidden or left out of the development: not pickable.
    cube.shown = false;
    EXPECT_EQ(PickFace(model, p, kW / 2.0, kH / 2.0), nullptr);
    cube.shown = true;
    cube.inDevelopment = false;
    EXPECT_EQ(PickFace(model, p, kW / 2.0, kH / 2.0), nullptr);
    cube.inDevelopment = true;
    // Restricted to quadrilaterals the cube still answers; a triangle-only model does not.
    EXPECT_NE(PickFace(model, p, kW / 2.0, kH / 2.0, true), nullptr);
    Document triangles;
    const MeshData tetra = Tetrahedron(2.0);
    AddSolid(triangles, "tetra", tetra.vertices, tetra.faces);
    const ScreenProjector pt = Projector(Facing(0, 0), triangles.model.get());
    EXPECT_NE(PickFace(triangles.model.get(), pt, kW / 2.0, kH / 2.0), nullptr);
    EXPECT_EQ(PickFace(triangles.model.get(), pt, kW / 2.0, kH / 2.0, true), nullptr);
    // Two identical solids: the first one found keeps the hit.
    const MeshData twin = Cube(2.0);
    AddSolid(*doc, "twin", twin.vertices, twin.faces);
    EXPECT_EQ(PickFace(model, p, kW / 2.0, kH / 2.0), FaceToward(cube, {0, 0, 1}));
}

// The walk from a face crosses only folds not drawn (flat ones when they are omitted, those whose line the
// user hid); a cut edge or a face already marked stops it. Three faces in a row, all flat.
TEST(FacePick, MarkedRegionCrossesOnlyUndrawnFolds) {
    const struct {
        bool omitFlat;
        const char* change;
        int start;
        int picked;
    } cases[] = {
        {true, "", 0, 3},        {false, "", 1, 1},        {false, "hide 0-1", 0, 2},
        {true, "cut 0-1", 0, 1}, {true, "marked 1", 2, 2}, {true, "marked 1", 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.change) + " from " + std::to_string(c.start));
        Document doc;
        const MeshData sheet = Grid(3, 1, 1.0);
        Solid& flat = AddSolid(doc, "sheet", sheet.vertices, sheet.faces);
        for (auto& edge : flat.edges)
            if (edge->halfEdge1 && edge->halfEdge2)
                edge->halfEdge1->joinsTwin = edge->halfEdge2->joinsTwin = true;
        HalfEdge* between = nullptr;
        for (auto& h : flat.faces[0]->halfEdges)
            if (h->Joined() && h->Joined()->face == flat.faces[1].get()) between = h.get();
        ASSERT_NE(between, nullptr);
        PartLine hidden;
        hidden.hidden = true;
        if (std::string(c.change) == "hide 0-1") between->line = &hidden;
        if (std::string(c.change) == "cut 0-1") {
            between->twin->joinsTwin = between->joinsTwin = false;
        }
        if (std::string(c.change) == "marked 1") flat.faces[1]->picked = true;
        doc.display.omitFlatFolds = c.omitFlat;
        MarkPickedRegion(*flat.faces[size_t(c.start)], doc.display);
        int picked = 0;
        for (const auto& face : flat.faces) picked += face->picked;
        EXPECT_EQ(picked, c.picked);
        EXPECT_TRUE(flat.faces[size_t(c.start)]->picked);
    }
}

} // namespace
} // namespace tsm
