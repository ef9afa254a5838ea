#include "model/OpenPipeline.h"

#include "tests/engine/DocumentTestSupport.h"
#include "tests/support/BinaryFixtures.h"
#include "tools/lib/ModelBuilder.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

// A flat square of two triangles in z = 0 at x0 whose diagonal, once unfolded, is a fold.
Solid& AddStrip(Document& doc, const std::string& name, double x0) {
    return AddSolid(doc, name, {{x0, 0, 0}, {x0 + 10, 0, 0}, {x0 + 10, 10, 0}, {x0, 10, 0}},
                    {{0, 1, 2}, {0, 2, 3}});
}

class OpenPipelineTest : public test::DocumentFixture {
protected:
    std::string WithDevelopment(const std::string& name) {
        Document doc;
        AddStrip(doc, "Strip", 0);
        EXPECT_TRUE(UnfoldForFixture(doc).empty());
        return Write(doc, name);
    }
};

TEST_F(OpenPipelineTest, OpensAModelAndTellsTheWindowInOrder) {
    // The extension test ignores case.
    const std::string path = WithDevelopment("Model.TSM");
    ASSERT_TRUE(documents_.OpenModelFile(path)) << testing::PrintToString(prompt_.texts);
    EXPECT_TRUE(prompt_.texts.empty());
    ASSERT_NE(documents_.Current(), nullptr);
    EXPECT_EQ(documents_.Title(), "Model");
    const std::vector<std::string> expected = {"recent:" + path, "title:Model", "panels", "hint:1000"};
    EXPECT_EQ(window_.calls, expected);
    EXPECT_FALSE(documents_.Current()->modified);
}

TEST_F(OpenPipelineTest, FailedOpensKeepThePreviousModelTitleAndSettings) {
    ASSERT_TRUE(documents_.OpenModelFile(WithDevelopment("good.tsm")));
    Document* good = documents_.Current();
    good->display.flatFoldAngleDegrees = 123;

    // A model whose settings block says otherwise, cut short after its settings began: the settings
    // read before the failure must not stay applied.
    Document other;
    AddStrip(other, "Other", 0);
    ASSERT_TRUE(UnfoldForFixture(other).empty());
    DisplaySettings changed;
    changed.flatFoldAngleDegrees = 99;
    std::string bytes = SerializeBinaryModel(other, changed);
    bytes.resize(bytes.size() - 20);
    // Corners within range whose part, once laid out by the engine, is not.
    test::BuiltFile far = test::BuildTriangleFile();
    far.at["corner1.x2d"] = far.at.at("corner0.vertex") + 4 + 85;
    far.at["corner2.x2d"] = far.at.at("corner0.vertex") + 4 + 2 * 85;
    far.SetF64("corner1.x2d", 9e14);
    far.SetF64("corner2.x2d", -9e14);
    // Bad input -> kind, the start of the reason, and the format that chose the reader (None: none ran). Only
    // the first nine characters choose the binary reader. A cancelled refusal has been shown already.
    const std::tuple<std::string, Outcome::Kind, std::string, FileFormat> cases[] = {
        {dir_.Write("cut.tsm", bytes), Outcome::Kind::Failed,
         "Cannot read the model file \"" + dir_.File("cut.tsm"), FileFormat::Binary},
        {dir_.Write("far.tsm", far.bytes), Outcome::Kind::Failed,
         "Cannot read the model file \"" + dir_.File("far.tsm") + "\":\npart 0 is too large to lay out",
         FileFormat::Binary},
        // An empty file is no model of either kind.
        {dir_.Write("empty.tsm", ""), Outcome::Kind::Failed, "Cannot read the model file", FileFormat::None},
        {dir_.Write("v.tsm", "version 3.0 of a text file\nsolid 1\n"), Outcome::Kind::Failed,
         "Cannot read the model file", FileFormat::Binary},
        {dir_.File("missing.tsm"), Outcome::Kind::Cancelled, "File does not exist.", FileFormat::None},
        {dir_.Write("model.obj", "version 3\n"), Outcome::Kind::Cancelled,
         "Cannot load file of specified type.", FileFormat::None},
    };
    for (const auto& [path, kind, reason, format] : cases) {
        prompt_.texts.clear();
        const Outcome opened = documents_.OpenModelFile(path);
        EXPECT_EQ(opened.kind(), kind) << path;
        EXPECT_EQ(opened.reason().rfind(reason, 0), 0u) << opened.reason();
        EXPECT_TRUE(documents_.LastFormat() == format) << path;
        EXPECT_EQ(prompt_.texts.size(), kind == Outcome::Kind::Cancelled ? 1u : 0u) << path;
        EXPECT_EQ(documents_.Current(), good);
        EXPECT_EQ(documents_.Title(), "good");
        EXPECT_EQ(good->display.flatFoldAngleDegrees, 123);
    }
    // Anything else is a text model file; one without any section is an empty model without development.
    EXPECT_TRUE(documents_.OpenModelFile(dir_.Write("t.tsm", "versio 3\n")));
    EXPECT_EQ(documents_.LastFormat(), FileFormat::Text);
    EXPECT_EQ(prompt_.texts.back(), "No data for development.");
}

TEST_F(OpenPipelineTest, TemporaryFilesAreUntitledAndNotRemembered) {
    ASSERT_TRUE(documents_.OpenModelFile(WithDevelopment("part.TMP.tsm")));
    EXPECT_EQ(documents_.Title(), "No Title");
    for (const std::string& call : window_.calls) EXPECT_NE(call.rfind("recent:", 0), 0u) << call;
}

TEST_F(OpenPipelineTest, NamesAreMadeUniqueAndEmptyOnesNumbered) {
    Document doc;
    for (const char* name : {"Box", "Box", "", "", "Object-1", ""}) AddStrip(doc, name, 0);
    for (const char* name : {"", "Wood", "Wood", ""}) {
        doc.model->AppendMaterial(std::make_unique<Material>())->name = name;
    }
    ASSERT_TRUE(documents_.OpenModelFile(Write(doc, "names.tsm")));
    std::vector<std::string> solids, materials;
    for (auto& solid : documents_.Current()->model->solids) solids.push_back(solid->name);
    for (auto& material : documents_.Current()->model->materials) materials.push_back(material->name);
    // Unnamed solids count on their own; "Object-1" taken by an unnamed one pushes the named one aside.
    EXPECT_EQ(solids,
              (std::vector<std::string>{"Box", "Box-2", "Object-1", "Object-2", "Object-1-2", "Object-3"}));
    EXPECT_EQ(materials, (std::vector<std::string>{"Pattern-1", "Wood", "Wood", "Pattern-2"}));
    // A named "Object-1" before an unnamed solid pushes the unnamed one aside.
    Document named;
    AddStrip(named, "Object-1", 0);
    AddStrip(named, "", 20);
    ASSERT_TRUE(documents_.OpenModelFile(Write(named, "n.tsm")));
    EXPECT_EQ(documents_.Current()->model->solids[1]->name, "Object-1-2");
}

TEST_F(OpenPipelineTest, MissingFontsAreReplacedWithOneMessage) {
    Document doc;
    AddStrip(doc, "Strip", 0);
    ASSERT_TRUE(UnfoldForFixture(doc).empty());
    for (const char* font : {"Nowhere Sans", "Nowhere Sans", "Liberation Sans", "MS Sans Serif"}) {
        auto text = std::make_unique<TextBlock>();
        text->fontName = font;
        text->lines = {"label"};
        doc.development->texts.push_back(std::move(text));
    }
    documents_.SetInstalledFontFamilies({"Liberation Sans", "DejaVu Sans"});
    ASSERT_TRUE(documents_.OpenModelFile(Write(doc, "fonts.tsm")));
    EXPECT_EQ(prompt_.texts, std::vector<std::string>{"Some fonts specified in the file do not exist in the "
                                                      "system.\nThese fonts will be replaced with the "
                                                      "default font."});
    const auto& texts = documents_.Current()->development->texts;
    EXPECT_EQ(texts[0]->fontName, "MS Sans Serif");
    EXPECT_EQ(texts[1]->fontName, "MS Sans Serif");
    EXPECT_EQ(texts[2]->fontName, "Liberation Sans");
}

} // namespace
