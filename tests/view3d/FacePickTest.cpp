#include "view3d/FacePick.h"

#include "View3DFixtures.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <utility>

namespace tsm {
namespace {

using test::Facing;

constexpr int kW = 200, kH = 150;

ScreenProjector Projector(const Camera3D& camera, const CMeshModel* model) {
    return ViewProjector(CameraProjection(camera, kW, kH, model), kW, kH);
}

// The face of the solid whose normal is nearest `direction`.
CFace* FaceToward(const CSolid& solid, const Vec3& direction) {
    CFace* best = nullptr;
    for (const auto& face : solid.faces)
        if (!best || Dot(face->Normal(), direction) > Dot(best->Normal(), direction)) best = face.get();
    return best;
}

TEST(FacePick, ProjectionPutsTheModelCentreMidWindowTopDown) {
    auto doc = test::CubeDocument();
    const ScreenProjector p = Projector(Camera3D{}, doc->model.get());
    const ScreenProjector::Point centre = p.Project({0, 0, 0});
    EXPECT_NEAR(centre.x, kW / 2.0, 1e-9);
    EXPECT_NEAR(centre.y, kH / 2.0, 1e-9);
    // Looking straight at the model, up in the model is up on the screen: smaller window y.
    const ScreenProjector straight = Projector(Facing(0, 0), doc->model.get());
    EXPECT_LT(straight.Project({0, 0.5, 0}).y, kH / 2.0);
    EXPECT_GT(straight.Project({0.5, 0, 0}).x, kW / 2.0);
}

TEST(FacePick, TriangleHitTest) {
    auto doc = test::CubeDocument();
    const ScreenProjector p = Projector(Facing(0, 0), doc->model.get());
    const Vec3 a{-1, -1, 1}, b{1, -1, 1}, c{0, 1, 1};
    const double cx = kW / 2.0, cy = kH / 2.0;
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
    const CSolid& cube = *doc->model->solids[0];
    const CMeshModel* model = doc->model.get();
    // Straight on: the front face (+z), not the back face behind it; from above: the top; turned a
    // quarter: the side that now faces the viewer.
    const std::pair<Camera3D, Vec3> views[] = {
        {Facing(0, 0), {0, 0, 1}}, {Facing(90, 0), {0, 1, 0}}, {Facing(0, -90), {1, 0, 0}}};
    for (const auto& [camera, toward] : views)
        EXPECT_EQ(PickFace(model, Projector(camera, model), kW / 2.0, kH / 2.0), FaceToward(cube, toward));
    // Empty background; no model.
    EXPECT_EQ(PickFace(model, Projector(Facing(0, 0), model), 1, 1), nullptr);
    EXPECT_EQ(PickFace(nullptr, Projector(Facing(0, 0), model), kW / 2.0, kH / 2.0), nullptr);
}

TEST(FacePick, OnlyVisibleSolidsAndVertexPositionsCount) {
    auto doc = test::CubeDocument();
    CSolid& cube = *doc->model->solids[0];
    const CMeshModel* model = doc->model.get();
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
}

// Two identical solids: the first one found keeps the hit.
TEST(FacePick, TiesGoToTheFirstSolid) {
    Document twins;
    const MeshData cube = Cube(1.0);
    AddSolid(twins, "a", cube.vertices, cube.faces);
    AddSolid(twins, "b", cube.vertices, cube.faces);
    const CMeshModel* model = twins.model.get();
    const CFace* first = PickFace(model, Projector(Facing(0, 0), model), kW / 2.0, kH / 2.0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->solid, model->solids[0].get());
}

// Joins every edge of the solid in the development sense (both sides stay together).
void JoinAll(CSolid& solid) {
    for (auto& edge : solid.edges)
        if (edge->halfEdge1 && edge->halfEdge2) {
            edge->halfEdge1->joined = edge->halfEdge2;
            edge->halfEdge2->joined = edge->halfEdge1;
        }
}

int PickedCount(const CSolid& solid) {
    int n = 0;
    for (const auto& face : solid.faces) n += face->picked;
    return n;
}

TEST(FacePick, MarkedRegionCrossesOnlyUndrawnFolds) {
    Document doc;
    const MeshData sheet = Grid(3, 1, 1.0);
    CSolid& flat = AddSolid(doc, "sheet", sheet.vertices, sheet.faces);
    JoinAll(flat);
    // Flat folds are omitted: the three coplanar faces look like one.
    MarkPickedRegion(*flat.faces[0], doc.display);
    EXPECT_EQ(PickedCount(flat), 3);
    MarkPickedRegion(*flat.faces[2], doc.display); // already marked: nothing more happens
    EXPECT_EQ(PickedCount(flat), 3);

    // With flat folds drawn, only the face itself.
    for (auto& face : flat.faces) face->picked = false;
    doc.display.bOmitFlatEdge = false;
    MarkPickedRegion(*flat.faces[1], doc.display);
    EXPECT_EQ(PickedCount(flat), 1);
    doc.display.bOmitFlatEdge = true;

    // A cut edge (not joined) stops the region even when flat.
    for (auto& face : flat.faces) face->picked = false;
    CHalfEdge* between = FindCorner(*flat.faces[0], nullptr);
    for (auto& h : flat.faces[0]->halfEdges)
        if (h->joined && h->joined->face == flat.faces[1].get()) between = h.get();
    ASSERT_NE(between, nullptr);
    between->joined->joined = nullptr;
    between->joined = nullptr;
    MarkPickedRegion(*flat.faces[0], doc.display);
    EXPECT_EQ(PickedCount(flat), 1);
    EXPECT_TRUE(flat.faces[0]->picked);

    // A marked neighbour is not crossed: the walk stops at faces already marked.
    for (auto& face : flat.faces) face->picked = false;
    flat.faces[1]->picked = true;
    MarkPickedRegion(*flat.faces[2], doc.display);
    EXPECT_EQ(PickedCount(flat), 2);
    EXPECT_FALSE(flat.faces[0]->picked);
}

TEST(FacePick, MarkedRegionCrossesFoldsTheUserHid) {
    auto doc = test::CubeDocument();
    CSolid& cube = *doc->model->solids[0];
    JoinAll(cube);
    // Real folds: one face only.
    MarkPickedRegion(*cube.faces[0], doc->display);
    EXPECT_EQ(PickedCount(cube), 1);
    // A fold whose part line the user hid is crossed.
    for (auto& face : cube.faces) face->picked = false;
    CPartLine hidden;
    hidden.hidden = true;
    CHalfEdge* h = cube.faces[0]->Corner(0);
    h->line = &hidden;
    MarkPickedRegion(*cube.faces[0], doc->display);
    EXPECT_EQ(PickedCount(cube), 2);
    EXPECT_TRUE(h->joined->face->picked);
    h->line = nullptr;
}

} // namespace
} // namespace tsm
