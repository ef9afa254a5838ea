#include "view3d/ModelGeometry.h"

#include "View3DFixtures.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace tsm {
namespace {

TEST(ModelGeometry, PickedFacesGoApartAndInvisibleSolidsAreLeftOut) {
    auto doc = test::CubeDocument();
    Solid& cube = *doc->model->solids[0];
    cube.faces[1]->picked = cube.faces[4]->picked = true;
    // Faces, picked faces and edge segments, gathered into arrays that held the last frame's.
    ModelFrameGeometry g;
    const auto counts = [&g](Document& document, const Settings& settings) {
        GatherModelFrame(document, settings, g);
        return std::vector<int>{g.faces.FaceCount(), g.picked.FaceCount(), g.edges.SegmentCount()};
    };
    Settings settings;
    EXPECT_EQ(counts(*doc, settings), (std::vector<int>{4, 2, 12}));
    settings.drawFaces = false;
    EXPECT_EQ(counts(*doc, settings), (std::vector<int>{0, 0, 12}));
    settings.drawFaces = true;
    settings.drawEdges = false;
    EXPECT_EQ(counts(*doc, settings), (std::vector<int>{4, 2, 0}));
    // A solid hidden from view or left out of the development is not drawn, nor a document without a model.
    for (auto flag : {&Solid::shown, &Solid::inDevelopment}) {
        cube.*flag = false;
        EXPECT_EQ(counts(*doc, Settings()), (std::vector<int>{0, 0, 0}));
        cube.*flag = true;
    }
    Document empty;
    empty.model.reset();
    EXPECT_EQ(counts(empty, Settings()), (std::vector<int>{0, 0, 0}));
}

TEST(ModelGeometry, MaterialsByIndexInRunsOfConsecutiveFaces) {
    Settings settings;
    Document doc;
    Material& red = AddMaterial(doc, "red", {1, 0, 0});
    Material& checker =
        AddMaterial(doc, "checker", {1, 1, 1}, MakeCheckerboard(8, 8, 2, {0, 0, 0}, {1, 1, 1}));
    const MeshData grid = Grid(6, 1, 1.0);
    Solid& solid = AddSolid(doc, "grid", grid.vertices, grid.faces);
    const int indices[6] = {0, 0, -1, 7, 1, 0};
    for (int i = 0; i < 6; ++i) solid.faces[size_t(i)]->materialIndex = indices[i];
    ModelFrameGeometry g;
    GatherModelFrame(doc, settings, g);
    // Material, first face, faces, first index, indices and whether textured, of each run.
    using Run = std::tuple<const Material*, int, int, int, int, bool>;
    const auto runs = [&g] {
        std::vector<Run> all;
        for (const FaceRun& r : g.faces.runs)
            all.emplace_back(r.material, r.firstFace, r.faceCount, r.firstIndex, r.indexCount, r.textured);
        return all;
    };
    // Faces 0-1 red, 2-3 the default material (-1 and past the end), 4 textured, 5 red again.
    EXPECT_EQ(runs(), (std::vector<Run>{{&red, 0, 2, 0, 12, false},
                                        {&doc.model->defaultMaterial, 2, 2, 12, 12, false},
                                        {&checker, 4, 1, 24, 6, true},
                                        {&red, 5, 1, 30, 6, false}}));
    // Materials off: one plain run in the document's white base material.
    settings.useMaterials = false;
    GatherModelFrame(doc, settings, g);
    EXPECT_EQ(runs(), (std::vector<Run>{{&doc.baseMaterial, 0, 6, 0, 36, false}}));
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

// A development's cut edges, each side at its own face's corners, gathered after the folds in one run of
// their own, however the mesh orders its edges.
TEST(ModelGeometry, CutEdgesFormOneRunAfterTheFolds) {
    test::OpenedSample sample("cube.tsm");
    ASSERT_TRUE(sample.opened);
    ModelFrameGeometry g;
    GatherModelFrame(*sample.Doc(), sample.settings, g);
    ASSERT_EQ(g.edges.runs.size(), 2u);
    EXPECT_EQ(g.edges.runs[0].widthPixels, 1);
    EXPECT_EQ(g.edges.runs[0].vertexCount, 2 * 5); // five folds
    EXPECT_EQ(g.edges.runs[1].widthPixels, 2);
    EXPECT_EQ(g.edges.runs[1].vertexCount, 2 * 2 * 7); // seven cuts, both sides
}

TEST(ModelGeometry, KeysDifferWhenTheDocumentOrTheDisplaySettingsDo) {
    Settings settings;
    Document a, b;
    const GatherKey key = GatherKey::Of(a, settings);
    EXPECT_TRUE(key == GatherKey::Of(a, settings));
    EXPECT_FALSE(key == GatherKey::Of(b, settings));
    // Each setting the arrays depend on changes the key; those they do not use (the last) leave it alone.
    Settings changed[4] = {settings, settings, settings, settings};
    changed[0].colors[2] = 0;
    changed[1].drawModelOnOpen = false;
    changed[2].flatFoldAngleDegrees = 170;
    changed[3].drawFlaps = !settings.drawFlaps;
    changed[3].lighting = false;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(key == GatherKey::Of(a, changed[i]), i == 3) << i;
    a.development = std::make_unique<Development>();
    EXPECT_FALSE(key == GatherKey::Of(a, settings));
}

} // namespace
} // namespace tsm
