#include "engine/Extents.h"
#include "tests/engine/DocumentTestSupport.h"
#include "tools/lib/Invariants.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tsm;
namespace fs = std::filesystem;

namespace {

Solid& AddMesh(Document& doc, const std::string& name, const MeshData& mesh, int material = -1) {
    return AddSolid(doc, name, mesh.vertices, mesh.faces, material);
}

class ModelImportTest : public test::DocumentFixture {
protected:
    // A box of the given size with one material and its fixture development at `scale`.
    std::string BoxFile(const std::string& name, double sx, double sy, double sz, double scale = 1.0,
                        double farTextX = 0) {
        Document doc;
        AddMaterial(doc, name + "-paint", Rgb{0.5f, 0.2f, 0.1f});
        AddMesh(doc, "Box", Box(sx, sy, sz), 0);
        FixtureUnfoldOptions options;
        options.scale = scale;
        options.rowWidthMM = 1e6; // one row: the development's shape follows the box
        EXPECT_TRUE(UnfoldForFixture(doc, {}, options).empty());
        doc.development->scale = scale;
        const double rect[4] = {1, 2, 30, 10};
        AddText(doc, rect, {"label"}, 12, 0, "MS Sans Serif", 4);
        if (farTextX > 0) {
            const double far[4] = {farTextX, 0, 10, 10};
            AddText(doc, far, {"far"});
        }
        ComputeDevelopmentExtent(*doc.development, true);
        return Write(doc, name);
    }
};

TEST_F(ModelImportTest, RefusalsLeaveTheDocumentAsItWas) {
    Document plain;
    AddMesh(plain, "Plain", Cube(10));
    const std::string plainPath = Write(plain, "plain.tsm");
    ASSERT_TRUE(documents_.OpenModelFile(BoxFile("a.tsm", 10, 10, 10)));
    fs::copy_file(dir_.File("a.tsm"), dir_.File("a.obj"));
    // Bad input -> kind and reason. A cancelled refusal has been shown; a failed one is the caller's to show.
    const std::tuple<std::string, Outcome::Kind, std::string> cases[] = {
        {plainPath, Outcome::Kind::Cancelled,
         "Cannot inport the file. One contains development and the other does not."},
        {dir_.File("a.obj"), Outcome::Kind::Cancelled, "Cannot load file of specified type."},
        {dir_.File("missing.tsm"), Outcome::Kind::Failed,
         "Cannot read the model file \"" + dir_.File("missing.tsm") +
             "\":\nthe file cannot be read or is empty."},
    };
    for (const auto& [path, kind, reason] : cases) {
        prompt_.texts.clear();
        const Outcome imported = documents_.ImportModelFile(path);
        EXPECT_EQ(imported.kind(), kind) << path;
        EXPECT_EQ(imported.reason(), reason);
        EXPECT_EQ(prompt_.texts.size(), kind == Outcome::Kind::Cancelled ? 1u : 0u);
        EXPECT_EQ(documents_.Current()->model->solids.size(), 1u);
        EXPECT_FALSE(documents_.Current()->modified);
    }
}

TEST_F(ModelImportTest, MergesSolidsMaterialsAndNamesAndMarksTheDocumentModified) {
    ASSERT_TRUE(documents_.OpenModelFile(BoxFile("a.tsm", 10, 10, 10)));
    window_.calls.clear();
    ASSERT_TRUE(documents_.ImportModelFile(BoxFile("b.tsm", 10, 10, 10)));
    const Document& doc = *documents_.Current();
    ASSERT_EQ(doc.model->solids.size(), 2u);
    EXPECT_EQ(doc.model->solids[0]->name, "Box");
    EXPECT_EQ(doc.model->solids[1]->name, "Box-2");
    ASSERT_EQ(doc.model->materials.size(), 2u);
    EXPECT_EQ(doc.model->materials[1]->name, "b.tsm-paint");
    // The imported faces point at the imported material, now behind the current ones.
    for (auto& face : doc.model->solids[1]->faces) EXPECT_EQ(face->materialIndex, 1);
    for (auto& face : doc.model->solids[0]->faces) EXPECT_EQ(face->materialIndex, 0);
    EXPECT_EQ(doc.model->solids[1]->model, doc.model.get());
    EXPECT_TRUE(doc.modified);
    EXPECT_TRUE(CheckModelInvariants(doc).empty());
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"panels", "hint:1000"}));
    EXPECT_EQ(doc.development->texts.size(), 2u);
    for (auto& part : doc.development->parts) EXPECT_EQ(part->development, doc.development.get());
}

TEST_F(ModelImportTest, PlacesTheImportBesideATallDevelopmentAndBelowAWideOne) {
    // A tall box unfolds into a development taller than wide: the import goes to its right.
    // (The fixture development lays a box's faces out in a column.)
    ASSERT_TRUE(documents_.OpenModelFile(BoxFile("tall.tsm", 5, 5, 200)));
    const Development& dev = *documents_.Current()->development;
    const double right = dev.frame[0] + dev.frame[2], bottom = dev.frame[1] + dev.frame[3];
    ASSERT_LE(right, bottom);
    const size_t partsBefore = dev.parts.size();
    Document reference;
    {
        RecordingPrompt quiet;
        DocumentController other(settings_, quiet, completion_);
        ASSERT_TRUE(other.OpenModelFile(BoxFile("small.tsm", 10, 10, 10)));
        ASSERT_TRUE(documents_.ImportModelFile(dir_.File("small.tsm")));
        const Development& importedDev = *other.Current()->development;
        for (size_t i = 0; i < importedDev.parts.size(); ++i) {
            EXPECT_DOUBLE_EQ(dev.parts[partsBefore + i]->x, importedDev.parts[i]->x + right);
            EXPECT_DOUBLE_EQ(dev.parts[partsBefore + i]->y, importedDev.parts[i]->y);
        }
        EXPECT_DOUBLE_EQ(dev.texts.back()->rect[0], importedDev.texts[0]->rect[0] + right);
    }

    // A development made wide by a text far to the right: below.
    ASSERT_TRUE(documents_.OpenModelFile(BoxFile("wide.tsm", 5, 5, 5, 1.0, 2000)));
    const Development& wide = *documents_.Current()->development;
    const double wideRight = wide.frame[0] + wide.frame[2], wideBottom = wide.frame[1] + wide.frame[3];
    ASSERT_GT(wideRight, wideBottom);
    ASSERT_TRUE(documents_.ImportModelFile(dir_.File("small.tsm")));
    EXPECT_DOUBLE_EQ(wide.texts.back()->rect[1], 2 + wideBottom);
    EXPECT_DOUBLE_EQ(wide.texts.back()->rect[0], 1);
}

TEST_F(ModelImportTest, RescalesTheImportToTheCurrentScaleTextsIncluded) {
    ASSERT_TRUE(documents_.OpenModelFile(BoxFile("one.tsm", 10, 10, 10, 1.0)));
    const std::string twice = BoxFile("two.tsm", 10, 10, 10, 2.0);
    RecordingPrompt quiet;
    DocumentController other(settings_, quiet, completion_);
    ASSERT_TRUE(other.OpenModelFile(twice));
    const Development& original = *other.Current()->development;
    const Development& dev = *documents_.Current()->development;
    const size_t partsBefore = dev.parts.size();
    ASSERT_TRUE(documents_.ImportModelFile(twice));
    EXPECT_DOUBLE_EQ(dev.scale, 1.0);
    for (size_t i = 0; i < original.parts.size(); ++i) {
        EXPECT_NEAR(dev.parts[partsBefore + i]->width, original.parts[i]->width * 0.5, 1e-9);
        EXPECT_NEAR(dev.parts[partsBefore + i]->height, original.parts[i]->height * 0.5, 1e-9);
    }
    // Font size 12 at half scale is 6; line spacing 4 becomes 2.
    EXPECT_EQ(dev.texts.back()->fontSize, 6);
    EXPECT_EQ(dev.texts.back()->lineSpacing, 2);
    EXPECT_NEAR(dev.texts.back()->rect[2], 15, 1e-9);
}

TEST(MergeDocuments, ModelsWithoutDevelopmentMergeTheirMeshesOnly) {
    EngineCompletion completion;
    Document current, imported;
    AddMaterial(current, "A", Rgb{});
    AddMesh(current, "A", Cube(1), 0);
    AddMesh(imported, "B", Cube(1), -1); // "none" stays none
    AddMaterial(imported, "B", Rgb{});
    imported.model->solids[0]->faces[0]->materialIndex = 0;
    MergeDocuments(current, imported, completion);
    ASSERT_EQ(current.model->solids.size(), 2u);
    EXPECT_TRUE(imported.model->solids.empty());
    EXPECT_EQ(current.model->solids[1]->faces[0]->materialIndex, 1);
    EXPECT_EQ(current.model->solids[1]->faces[1]->materialIndex, -1);
    EXPECT_EQ(current.development, nullptr);
}

} // namespace
