#include "model/MeshBuilder.h"

#include "engine/EngineCompletion.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace tsm;

namespace {

MeshBuilder SquareBuilder() {
    MeshBuilder builder;
    for (Vec3 p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}, Vec3{0, 1, 0}}) builder.AddVertex(p);
    return builder;
}

TEST(MeshBuilderTest, CountFitsGuardsAgainstOverflow) {
    EXPECT_TRUE(MeshBuilder::CountFits(10, 6, 60));
    EXPECT_FALSE(MeshBuilder::CountFits(11, 6, 60));
    // A product beyond 64 bits must not wrap round to a small number.
    EXPECT_FALSE(MeshBuilder::CountFits(UINT64_MAX / 2, 4, 100));
    EXPECT_TRUE(MeshBuilder::CountFits(0, 50, 0));
    EXPECT_TRUE(MeshBuilder::CountFits(UINT64_MAX, 0, 0)); // records of no size take no room
}

TEST(MeshBuilderTest, FacesAreCheckedBeforeTheyAreKept) {
    MeshBuilder builder = SquareBuilder();
    builder.AddTexCoord(0.5, 0.5);
    EXPECT_EQ(builder.AddFace({0, 1, 4}), MeshBuilder::FaceOutcome::BadVertex);
    EXPECT_EQ(builder.AddFace({0, -1, 2}), MeshBuilder::FaceOutcome::BadVertex);
    EXPECT_EQ(builder.AddFace({0, 1, 2}, {0, 1, -1}), MeshBuilder::FaceOutcome::BadTexCoord);
    EXPECT_EQ(builder.AddFace({0, 1}), MeshBuilder::FaceOutcome::Skipped);
    // The wrap counts as neighbours: "0 1 2 0" is the triangle 0 1 2.
    EXPECT_EQ(builder.AddFace({0, 1, 2, 0}), MeshBuilder::FaceOutcome::Added);
    // A vertex twice apart from its neighbour pinches the outline.
    EXPECT_EQ(builder.AddFace({0, 1, 0, 2}), MeshBuilder::FaceOutcome::Skipped);
    EXPECT_EQ(builder.AddFace({3, 3, 3}), MeshBuilder::FaceOutcome::Skipped);
    EXPECT_EQ(builder.FaceCount(), 1);
    EXPECT_EQ(builder.SkippedFaces(), 3);

    Document doc;
    EngineCompletion completion;
    builder.Finish(doc, &completion);
    const CFace& face = *doc.model->solids.at(0)->faces.at(0);
    ASSERT_EQ(face.CornerCount(), 3u);
    // Refused faces left no corners behind in the kept one.
    EXPECT_EQ(face.Corner(2)->vertex->position, (Vec3{1, 1, 0}));
}

TEST(MeshBuilderTest, FinishLinksTheSolidAndLeavesTheRestToTheCompletion) {
    // With the completion every vertex knows its corner (rings and planes are checked on the real meshes);
    // the edges are the engine's to build. Without it the corners stay unlinked.
    for (const bool complete : {true, false}) {
        MeshBuilder builder = SquareBuilder();
        builder.AddFace({0, 1, 2, 3});
        Document doc;
        EngineCompletion completion;
        builder.Finish(doc, complete ? &completion : nullptr);
        const CSolid& solid = *doc.model->solids.at(0);
        EXPECT_EQ(solid.faces.at(0)->solid, &solid);
        EXPECT_EQ(solid.model, doc.model.get());
        EXPECT_EQ(solid.vertices[2]->outgoing.size(), complete ? 1u : 0u);
        EXPECT_EQ(solid.faces[0]->Corner(0)->next != nullptr, complete);
        EXPECT_TRUE(solid.edges.empty());
    }
}

TEST(MeshBuilderTest, MaterialsFollowTheDocumentsOwn) {
    // Material indices count from the materials the model already has.
    Document doc;
    doc.model->AppendMaterial(std::make_unique<CMaterial>());
    MeshBuilder builder = SquareBuilder();
    builder.UseMaterial("paint");
    builder.AddFace({0, 1, 2});
    builder.UseMaterial("");
    builder.AddFace({0, 2, 3});
    builder.Finish(doc, nullptr);
    ASSERT_EQ(doc.model->materials.size(), 3u);
    EXPECT_EQ(doc.model->materials[1]->name, "paint");
    EXPECT_EQ(doc.model->solids[0]->faces[0]->materialIndex, 1);
    EXPECT_EQ(doc.model->solids[0]->faces[1]->materialIndex, 2);
}

} // namespace
