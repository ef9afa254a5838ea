#include "model/MeshBuilder.h"

#include "tests/support/RecordingCompletion.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

using namespace tsm;

namespace {

MeshBuilder SquareBuilder() {
    MeshBuilder builder;
    for (Vec3 p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{1, 1, 0}, Vec3{0, 1, 0}}) builder.AddVertex(p);
    return builder;
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
    // Long outlines are checked as well as short ones.
    EXPECT_EQ(builder.AddFace({0, 1, 2, 3, 0, 1, 2, 3, 1}), MeshBuilder::FaceOutcome::Skipped);
    EXPECT_EQ(builder.FaceCount(), 1);
    EXPECT_EQ(builder.SkippedFaces(), 4);

    Document doc;
    test::RecordingCompletion completion;
    builder.Finish(doc, &completion);
    const Face& face = *doc.model->solids.at(0)->faces.at(0);
    ASSERT_EQ(face.CornerCount(), 3u);
    // Refused faces left no corners behind in the kept one.
    EXPECT_EQ(face.Corner(2)->vertex->position, (Vec3{1, 1, 0}));
}

TEST(MeshBuilderTest, TrianglesOfKnownCornersSkipAnyRepeatAndKeepTheirTextureCoordinates) {
    MeshBuilder builder = SquareBuilder();
    builder.AddTexCoord(0.25, 0.75);
    for (const auto& c : {std::array<int, 3>{0, 0, 1}, {0, 1, 1}, {1, 0, 1}})
        EXPECT_EQ(builder.AddTriangle(c[0], c[1], c[2], 0, 0, 0), MeshBuilder::FaceOutcome::Skipped);
    EXPECT_EQ(builder.AddTriangle(0, 1, 2, 0, -1, 0), MeshBuilder::FaceOutcome::Added);
    EXPECT_EQ(builder.SkippedFaces(), 3);

    Document doc;
    builder.Finish(doc, nullptr);
    const Face& face = *doc.model->solids.at(0)->faces.at(0);
    ASSERT_EQ(face.CornerCount(), 3u);
    EXPECT_EQ(face.Corner(0)->v, 0.75);
    EXPECT_EQ(face.Corner(1)->u, 0.0); // no texture coordinates
    EXPECT_EQ(face.Corner(2)->u, 0.25);
}

} // namespace
