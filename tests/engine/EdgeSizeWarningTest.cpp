#include "engine/EdgeSizeWarning.h"

#include "DevelopmentFixture.h"
#include "engine/MeshImportPipeline.h"
#include "engine/Topology.h"
#include "engine/Unfolder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tsm;
using namespace tsm::test;

namespace {

std::unique_ptr<Document> Imported(const std::string& name) {
    RecordingPrompt prompt;
    Result<ImportedMesh> imported = ImportMeshDocument(
        std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/" + name, Settings(), prompt);
    return imported.ok() ? std::move(imported->document) : nullptr;
}

// Unfolds fitted to one A4 sheet, or with the scale that makes the model's largest side `sizeMM` long.
void UnfoldAt(Document& document, std::optional<double> sizeMM) {
    Settings settings;
    settings.layoutMethod.automatic = !sizeMM;
    if (sizeMM) {
        ComputeBounds(*document.model);
        const Vec3 extent = document.model->boundsMax - document.model->boundsMin;
        document.documentScale = *sizeMM / std::max({extent.x, extent.y, extent.z});
    }
    RecordingPrompt prompt;
    ASSERT_TRUE(UnfoldDocument(document, settings, prompt, nullptr, UnfoldOptions()).ok());
}

} // namespace

TEST(EdgeSizeWarning, MedianEdgeOfAHandMadeDevelopment) {
    DevelopmentFixture fx;
    EXPECT_FALSE(MedianEdgeLengthMM(fx.Dev()));
    // A 3 x 4 triangle: edges 3, 4 and 5; the median is the middle one whatever the order.
    Face* face = fx.AddFace({fx.AddVertex(0, 0), fx.AddVertex(3, 0), fx.AddVertex(0, 4)});
    auto part = std::make_unique<Part>();
    part->faces.push_back(face);
    fx.Dev().parts.push_back(std::move(part));
    EXPECT_DOUBLE_EQ(*MedianEdgeLengthMM(fx.Dev()), 4.0);
    // Flaps of 2 mm fit under 4 mm edges; flaps of 2.5 mm do not.
    fx.doc.display.defaultFlapHeightMM = 2.0;
    EXPECT_EQ(UnbuildableWarning(fx.doc), "");
    fx.doc.display.defaultFlapHeightMM = 2.5;
    EXPECT_NE(UnbuildableWarning(fx.doc).find("typical edge is 4.0 mm long"), std::string::npos);
    // Without a development there is nothing to warn of.
    Document none;
    EXPECT_EQ(UnbuildableWarning(none), "");
}

TEST(EdgeSizeWarning, TheBunnyOnOneSheetIsTooSmallTheCactusAt300MillimetresIsNot) {
    auto bunny = Imported("bunny.obj");
    ASSERT_TRUE(bunny);
    UnfoldAt(*bunny, std::nullopt);
    EXPECT_NE(UnbuildableWarning(*bunny), "") << *MedianEdgeLengthMM(*bunny->development);

    auto cactus = Imported("cactus.off");
    ASSERT_TRUE(cactus);
    UnfoldAt(*cactus, 300.0);
    EXPECT_EQ(UnbuildableWarning(*cactus), "") << *MedianEdgeLengthMM(*cactus->development);
}
