#include "view3d/ModelGeometry.h"

#include "View3DFixtures.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

namespace tsm {
namespace {

TEST(ModelGeometry, PolygonsAndTheirFansFrontAndBack) {
    Settings settings;
    Document doc;
    const MeshData quad = Grid(1, 1, 1.0);
    AddSolid(doc, "quad", quad.vertices, quad.faces);
    ModelFrameGeometry g;
    GatherModelFrame(doc, settings, g);
    ASSERT_EQ(g.faces.FaceCount(), 1);
    EXPECT_EQ(g.faces.CornerCount(), 4);
    // Front: fanned from corner 0 in ring order. Back: the reversed ring fanned from the last corner.
    EXPECT_EQ(g.faces.frontIndices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(g.faces.backIndices, (std::vector<uint32_t>{3, 2, 1, 3, 1, 0}));
    // Each corner carries the face normal; the back normals are negated.
    EXPECT_EQ(g.faces.normals[2], 1.0f);
    EXPECT_EQ(g.faces.backNormals[2], -1.0f);
    EXPECT_EQ(g.faces.texCoords.size(), 8u);
    EXPECT_EQ(g.picked.FaceCount(), 0);
}

TEST(ModelGeometry, PickedFacesGoApartAndInvisibleSolidsAreLeftOut) {
    Settings settings;
    auto doc = test::CubeDocument();
    CSolid& cube = *doc->model->solids[0];
    cube.faces[1]->picked = true;
    cube.faces[4]->picked = true;
    ModelFrameGeometry g;
    GatherModelFrame(*doc, settings, g);
    EXPECT_EQ(g.faces.FaceCount(), 4);
    EXPECT_EQ(g.picked.FaceCount(), 2);
    // Faces off: neither normal nor picked faces; edges still.
    settings.bDrawFace = false;
    GatherModelFrame(*doc, settings, g);
    EXPECT_EQ(g.faces.FaceCount(), 0);
    EXPECT_EQ(g.picked.FaceCount(), 0);
    EXPECT_EQ(g.edges.SegmentCount(), 12);
    settings.bDrawFace = true;
    settings.bDrawEdge = false;
    GatherModelFrame(*doc, settings, g);
    EXPECT_EQ(g.edges.SegmentCount(), 0);
    EXPECT_EQ(g.faces.FaceCount(), 4);
    // A solid hidden from view or left out of the development is not drawn.
    settings.bDrawEdge = true;
    for (auto flag : {&CSolid::shown, &CSolid::inDevelopment}) {
        cube.*flag = false;
        GatherModelFrame(*doc, settings, g);
        EXPECT_EQ(g.faces.FaceCount() + g.picked.FaceCount() + g.edges.SegmentCount(), 0);
        cube.*flag = true;
    }
    // No model at all.
    Document empty;
    empty.model.reset();
    GatherModelFrame(empty, settings, g);
    EXPECT_EQ(g.faces.FaceCount() + g.edges.SegmentCount(), 0);
}

TEST(ModelGeometry, MaterialsByIndexInRunsOfConsecutiveFaces) {
    Settings settings;
    Document doc;
    CMaterial& red = AddMaterial(doc, "red", {1, 0, 0});
    CMaterial& checker =
        AddMaterial(doc, "checker", {1, 1, 1}, MakeCheckerboard(8, 8, 2, {0, 0, 0}, {1, 1, 1}));
    const MeshData grid = Grid(6, 1, 1.0);
    CSolid& solid = AddSolid(doc, "grid", grid.vertices, grid.faces);
    const int indices[6] = {0, 0, -1, 7, 1, 0};
    for (int i = 0; i < 6; ++i) solid.faces[size_t(i)]->materialIndex = indices[i];
    ModelFrameGeometry g;
    GatherModelFrame(doc, settings, g);
    // Faces 0-1 red, 2-3 the default material (-1 and past the end), 4 textured, 5 red again.
    ASSERT_EQ(g.faces.runs.size(), 4u);
    EXPECT_EQ(g.faces.runs[0].material, &red);
    EXPECT_EQ(g.faces.runs[0].faceCount, 2);
    EXPECT_EQ(g.faces.runs[1].material, &doc.model->defaultMaterial);
    EXPECT_EQ(g.faces.runs[1].faceCount, 2);
    EXPECT_EQ(g.faces.runs[1].firstIndex, 12);
    EXPECT_EQ(g.faces.runs[1].indexCount, 12);
    EXPECT_EQ(g.faces.runs[2].material, &checker);
    EXPECT_TRUE(g.faces.runs[2].textured);
    EXPECT_FALSE(g.faces.runs[0].textured);
    EXPECT_EQ(g.faces.runs[3].material, &red);
    EXPECT_EQ(g.faces.runs[3].firstFace, 5);
    // Materials off: one plain run in the document's white base material.
    settings.bUseMaterial = false;
    GatherModelFrame(doc, settings, g);
    ASSERT_EQ(g.faces.runs.size(), 1u);
    EXPECT_EQ(g.faces.runs[0].material, &doc.baseMaterial);
    EXPECT_FALSE(g.faces.runs[0].textured);
    EXPECT_EQ(g.faces.runs[0].faceCount, 6);
}

TEST(ModelGeometry, OpenedPositionsAndDoubledCutEdges) {
    Settings settings;
    test::OpenedSample sample("cube.tsm");
    ASSERT_TRUE(sample.opened);
    Document& doc = *sample.Doc();
    ModelFrameGeometry g;
    GatherModelFrame(doc, settings, g);
    // The sample cube is one part: 7 of its 12 edges are cut and show twice.
    int cut = 0;
    for (auto& edge : doc.model->solids[0]->edges) cut += edge->halfEdge1->joined == nullptr;
    EXPECT_EQ(cut, 7);
    EXPECT_EQ(g.edges.SegmentCount(), 12 + cut);
    // Corners sit at their display positions.
    const CHalfEdge& first = *doc.model->solids[0]->faces[0]->Corner(0);
    EXPECT_EQ(g.faces.positions[0], float(first.displayPos.x));
    EXPECT_FALSE(first.displayPos == first.vertex->position);
    // Not opened: every edge once, at the vertices.
    settings.bDrawOpenedModel = false;
    GatherModelFrame(doc, settings, g);
    EXPECT_EQ(g.edges.SegmentCount(), 12);
    EXPECT_EQ(g.faces.positions[0], float(first.vertex->position.x));
    // Nor without a development, whatever the setting.
    settings.bDrawOpenedModel = true;
    auto development = std::move(doc.development);
    GatherModelFrame(doc, settings, g);
    EXPECT_EQ(g.edges.SegmentCount(), 12);
    EXPECT_EQ(g.faces.positions[0], float(first.vertex->position.x));
    doc.development = std::move(development);
}

TEST(ModelGeometry, EdgeRunsByWidthWithTheirColours) {
    Settings settings;
    auto doc = test::CubeDocument();
    auto& edges = doc->model->solids[0]->edges;
    edges[0]->edgeClass = EdgeClass::MarkedOpen;   // open, 3 pixels
    edges[1]->edgeClass = EdgeClass::MarkedJoined; // marked, 3 pixels
    edges[5]->foldAngle = 180;
    ModelFrameGeometry g;
    GatherModelFrame(*doc, settings, g);
    EXPECT_EQ(g.edges.SegmentCount(), 11); // the flat one hidden
    ASSERT_EQ(g.edges.runs.size(), 2u);
    EXPECT_EQ(g.edges.runs[0].widthPixels, 3);
    EXPECT_EQ(g.edges.runs[0].vertexCount, 4);
    EXPECT_EQ(g.edges.runs[1].widthPixels, 1);
    EXPECT_EQ(g.edges.runs[1].firstVertex, 4);
    EXPECT_EQ(g.edges.colors.size(), g.edges.positions.size());
    // The open edge's two ends in colour 4.
    EXPECT_EQ(g.edges.colors[0], 1.0f);
    EXPECT_FLOAT_EQ(g.edges.colors[4], 100 / 255.0f);
}

TEST(ModelGeometry, KeysDifferWhenTheDocumentOrTheDisplaySettingsDo) {
    Settings settings;
    Document a, b;
    const GatherKey key = GatherKey::Of(a, settings);
    EXPECT_TRUE(key == GatherKey::Of(a, settings));
    EXPECT_FALSE(key == GatherKey::Of(b, settings));
    Settings changed = settings;
    changed.colors[2] = 0;
    EXPECT_FALSE(key == GatherKey::Of(a, changed));
    changed = settings;
    changed.bDrawOpenedModel = false;
    EXPECT_FALSE(key == GatherKey::Of(a, changed));
    changed = settings;
    changed.iFlatEdgeAngle = 170;
    EXPECT_FALSE(key == GatherKey::Of(a, changed));
    // Settings the 3D arrays do not use leave the key alone.
    changed = settings;
    changed.bDrawFlap = !settings.bDrawFlap;
    changed.bTurnOnLight = false;
    EXPECT_TRUE(key == GatherKey::Of(a, changed));
    a.development = std::make_unique<Development>();
    EXPECT_FALSE(key == GatherKey::Of(a, settings));
}

} // namespace
} // namespace tsm
