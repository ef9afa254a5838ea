#include "tools/lib/Samples.h"

#include "engine/EngineCompletion.h"
#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"
#include "model/Settings.h"
#include "tools/lib/Invariants.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tsm;

namespace {

std::string Serialize(const Document& doc) {
    return SerializeBinaryModel(doc, DisplaySettings());
}

std::unique_ptr<Document> Read(const std::string& bytes, const std::string& name) {
    auto doc = std::make_unique<Document>();
    RecordingPrompt prompt;
    EngineCompletion completion;
    BinaryReader loader(name, *doc, 0, prompt, completion);
    EXPECT_EQ(loader.LoadFromBytes(bytes), kLoadOk) << loader.FailureReason();
    EXPECT_TRUE(prompt.texts.empty());
    return doc;
}

std::unique_ptr<Document> ReadFile(const std::string& path) {
    auto doc = std::make_unique<Document>();
    RecordingPrompt prompt;
    EngineCompletion completion;
    BinaryReader loader(path, *doc, 0, prompt, completion);
    EXPECT_EQ(loader.Load(), kLoadOk) << path << ": " << loader.FailureReason();
    return doc;
}

// Every corner, line and part of the two documents agrees.
void ExpectSameDevelopment(const Document& built, const Document& read) {
    ASSERT_EQ(built.model->solids.size(), read.model->solids.size());
    for (size_t s = 0; s < built.model->solids.size(); ++s) {
        const CSolid& a = *built.model->solids[s];
        const CSolid& b = *read.model->solids[s];
        ASSERT_EQ(a.faces.size(), b.faces.size());
        ASSERT_EQ(a.edges.size(), b.edges.size());
        for (size_t e = 0; e < a.edges.size(); ++e) EXPECT_EQ(a.edges[e]->edgeId, b.edges[e]->edgeId);
        for (size_t f = 0; f < a.faces.size(); ++f) {
            EXPECT_EQ(a.faces[f]->partIndex, b.faces[f]->partIndex);
            ASSERT_EQ(a.faces[f]->CornerCount(), b.faces[f]->CornerCount());
            for (size_t c = 0; c < a.faces[f]->CornerCount(); ++c) {
                const CHalfEdge& x = *a.faces[f]->Corner(c);
                const CHalfEdge& y = *b.faces[f]->Corner(c);
                // The reader measures the parts again, which may move them by a rounding error.
                EXPECT_NEAR(x.x2d, y.x2d, 1e-9);
                EXPECT_NEAR(x.y2d, y.y2d, 1e-9);
                EXPECT_EQ(x.u, y.u);
                EXPECT_EQ(x.v, y.v);
                EXPECT_EQ(x.hasFlap, y.hasFlap);
                EXPECT_EQ(x.joined != nullptr, y.joined != nullptr);
            }
        }
    }
    const Development& a = *built.development;
    const Development& b = *read.development;
    ASSERT_EQ(a.parts.size(), b.parts.size());
    for (size_t p = 0; p < a.parts.size(); ++p) {
        EXPECT_NEAR(a.parts[p]->x, b.parts[p]->x, 1e-9);
        EXPECT_NEAR(a.parts[p]->y, b.parts[p]->y, 1e-9);
        EXPECT_NEAR(a.parts[p]->width, b.parts[p]->width, 1e-9);
        EXPECT_NEAR(a.parts[p]->height, b.parts[p]->height, 1e-9);
        ASSERT_EQ(a.parts[p]->lines.size(), b.parts[p]->lines.size());
        for (size_t l = 0; l < a.parts[p]->lines.size(); ++l)
            EXPECT_EQ(a.parts[p]->lines[l]->drawKind, b.parts[p]->lines[l]->drawKind);
    }
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(a.frame[i], b.frame[i], 1e-9);
}

} // namespace

TEST(Samples, BuildingIsDeterministic) {
    // Two builds in one process give the same bytes, so the committed files can be made again.
    Document first, second;
    ASSERT_TRUE(BuildSampleHouse(first).empty());
    ASSERT_TRUE(BuildSampleHouse(second).empty());
    EXPECT_EQ(Serialize(first), Serialize(second));
    Document cubeA, cubeB;
    ASSERT_TRUE(BuildSampleCube(cubeA).empty());
    ASSERT_TRUE(BuildSampleCube(cubeB).empty());
    EXPECT_EQ(Serialize(cubeA), Serialize(cubeB));
}

TEST(Samples, HouseSurvivesAWriteAndReadUnchanged) {
    Document house;
    ASSERT_TRUE(BuildSampleHouse(house).empty());
    const auto read = Read(Serialize(house), "house.tsm");
    EXPECT_TRUE(CheckModelInvariants(*read).empty());
    ExpectSameDevelopment(house, *read);
    // What the sample promises: several solids and parts, a textured and a plain material, a text of
    // several lines and a picture in each list.
    EXPECT_EQ(read->model->solids.size(), 3u);
    EXPECT_EQ(read->development->parts.size(), 4u);
    ASSERT_EQ(read->model->materials.size(), 2u);
    ASSERT_NE(read->model->materials[0]->texture, nullptr);
    EXPECT_EQ(read->model->materials[0]->texture->width, 16);
    EXPECT_EQ(read->model->materials[1]->texture, nullptr);
    ASSERT_EQ(read->development->texts.size(), 2u);
    EXPECT_EQ(read->development->texts[1]->lines.size(), 3u);
    EXPECT_EQ(read->development->imagesA.size(), 1u);
    EXPECT_EQ(read->development->imagesB.size(), 1u);
    EXPECT_EQ(read->development->imageMaterials.size(), 2u);
}

TEST(Samples, CubeSurvivesAWriteAndReadUnchanged) {
    Document cube;
    ASSERT_TRUE(BuildSampleCube(cube).empty());
    const auto read = Read(Serialize(cube), "cube.tsm");
    EXPECT_TRUE(CheckModelInvariants(*read).empty());
    ExpectSameDevelopment(cube, *read);
    EXPECT_TRUE(read->model->materials.empty());
}

TEST(Samples, CommittedFilesOpenAndHoldTheirLinks) {
    // The files in samples/ are what make_samples writes; they must open cleanly.
    const std::string folder = std::string(TESSALY_SOURCE_DIR) + "/samples/";
    const auto cube = ReadFile(folder + "cube.tsm");
    EXPECT_TRUE(CheckModelInvariants(*cube).empty());
    ASSERT_NE(cube->development, nullptr);
    EXPECT_EQ(cube->development->parts.size(), 1u);
    const auto house = ReadFile(folder + "house.tsm");
    EXPECT_TRUE(CheckModelInvariants(*house).empty());
    ASSERT_NE(house->development, nullptr);
    EXPECT_EQ(house->development->parts.size(), 4u);
    EXPECT_EQ(house->development->texts.size(), 2u);
}
