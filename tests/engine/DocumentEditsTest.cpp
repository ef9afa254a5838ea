#include "engine/DocumentEdits.h"

#include "engine/CutJoin.h"
#include "engine/EdgeColor.h"
#include "engine/EngineCompletion.h"
#include "engine/FlapEdits.h"
#include "engine/MeshImportPipeline.h"
#include "engine/PartEdits.h"
#include "engine/Unfolder.h"
#include "model/BinaryReader.h"
#include "model/BinaryWriter.h"
#include "tests/engine/DevelopedDocument.h"
#include "tests/support/DocumentCompare.h"
#include "tests/support/TestMeshFiles.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

using namespace tsm;
using test::Developed;
using test::WithFlap;

TEST(DocumentEdits, UndoBringsBackTheStateBeforeEachKindOfEditAndRedoTheOneAfter) {
    const struct {
        const char* name;
        std::function<EditResult(Developed&)> edit;
    } cases[] = {
        {"cut", [](Developed& d) { return CutFold(d.context, d.Fold()); }},
        {"join",
         [](Developed& d) {
             return JoinCutEdge(d.context, d.Joinable(), Point2{0, 0});
         }},
        {"switch flap", [](Developed& d) { return SwitchFlap(d.context, d.Line(WithFlap)); }},
        {"flap height", [](Developed& d) { return ChangeFlapHeight(d.context, d.Line(WithFlap), 9); }},
        {"add flap", [](Developed& d) { return AddFlapTo(d.context, d.Open(), LineKind::ValleyFlap); }},
        {"flap details",
         [](Developed& d) { return ChangeFlapDetails(d.context, d.Line(WithFlap), 4, 60, 80); }},
        {"rotate",
         [](Developed& d) {
             return RotatePartBy(d.context, *d.Dev().parts[0], {3, 4}, 33);
         }},
        {"move",
         [](Developed& d) {
             EditSelection s;
             s.parts = {d.Dev().parts[1].get()};
             s.texts = {d.Dev().texts[0].get()};
             s.pictures = {d.Dev().imagesB[0].get()};
             return MoveSelection(d.context, s, {2, -2});
         }},
        {"resize",
         [](Developed& d) {
             return ResizeTextOrPicture(d.context, d.Dev().imagesA[0]->rect, {1, 2, 3, 4});
         }},
        {"delete selection",
         [](Developed& d) {
             EditSelection s;
             s.texts = {d.Dev().texts[1].get()};
             s.pictures = {d.Dev().imagesA[0].get()};
             return DeleteSelection(d.context, s);
         }},
        {"add text",
         [](Developed& d) {
             return AddTextAt(d.context, MakeText({5, 5}, {"new"}, "Serif", 20, 255));
         }},
        {"edit text",
         [](Developed& d) {
             return EditText(d.context, 0, MakeText({0, 0}, {"edited", "twice"}, "Sans", 8, 0));
         }},
        {"delete text", [](Developed& d) { return DeleteTextAt(d.context, 0); }},
        {"duplicate text", [](Developed& d) { return DuplicateTextAt(d.context, 1); }},
        {"order text", [](Developed& d) { return OrderText(d.context, 0, StackOrder::Top); }},
        {"order picture",
         [](Developed& d) { return OrderPicture(d.context, false, 0, StackOrder::AboveDevelopment); }},
        {"paint",
         [](Developed& d) {
             return ColorLines(d.context, {&d.Fold()}, EdgeColorAction{false, {255, 0, 0}});
         }},
        {"mesh edit",
         [](Developed& d) {
             return RunModelEdit(d.context, UpdateHint::Redraw, [&] {
                 Solid& solid = *d.doc.model->solids[1];
                 solid.name = "renamed";
                 solid.edges[0]->edgeClass = EdgeClass::MarkedOpen;
                 return Outcome::Ok();
             });
         }},
    };
    for (const auto& c : cases) {
        Developed d;
        const std::string before = test::DocumentStateBytes(d.doc);
        const EditResult result = c.edit(d);
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.reason();
        EXPECT_TRUE(d.doc.modified) << c.name;
        const std::string after = test::DocumentStateBytes(d.doc);
        ASSERT_NE(after, before) << c.name;
        d.doc.modified = false;
        EXPECT_EQ(*Undo(d.context), UpdateHint::Undone) << c.name;
        EXPECT_TRUE(test::DocumentStateBytes(d.doc) == before) << c.name;
        EXPECT_TRUE(d.doc.modified) << c.name;
        ASSERT_TRUE(Redo(d.context).ok()) << c.name;
        EXPECT_TRUE(test::DocumentStateBytes(d.doc) == after) << c.name;
    }
}

// Sixteen cuts and joins chosen at random (a fixed seed) on every shared mesh, unfolded, saved and read
// back as a person would have it; undoing them all gives back every field and the saved bytes, which are
// the bytes of the file it was read from.
TEST(DocumentEdits, UndoingRandomCutsAndJoinsGivesBackTheSavedBytes) {
    const std::vector<std::string> files = test::TestMeshFiles();
    ASSERT_GE(files.size(), 10u);
    std::mt19937 random(31);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const Settings settings;
        RecordingPrompt prompt(false);
        Result<ImportedMesh> import = ImportMeshDocument(file, settings, prompt);
        ASSERT_TRUE(import.ok());
        std::unique_ptr<Document> imported = std::move(import->document);
        ASSERT_TRUE(UnfoldDocument(*imported, settings, prompt, nullptr, UnfoldOptions()).ok());
        const std::string file0 = SerializeBinaryModel(*imported, imported->display);

        Document doc;
        EngineCompletion completion(settings);
        BinaryReader reader(file, doc, ImportKind::Open, prompt, completion, settings);
        ASSERT_TRUE(reader.LoadFromBytes(file0).ok());
        EXPECT_TRUE(SerializeBinaryModel(doc, doc.display) == file0);
        const std::string state0 = test::DocumentStateBytes(doc);

        EditContext context{doc, settings};
        int edits = 0;
        for (int attempt = 0; attempt < 400 && edits < 16; ++attempt) {
            std::vector<PartLine*> lines;
            for (auto& part : doc.development->parts)
                for (auto& line : part->lines) lines.push_back(line.get());
            PartLine& line = *lines[random() % lines.size()];
            if (!IsFoldLine(line) && !IsJoinableCutLine(line)) continue;
            const EditResult result = IsFoldLine(line) ? CutFold(context, line) : JoinCutEdge(context, line);
            ASSERT_TRUE(result.ok()) << result.reason();
            ++edits;
        }
        EXPECT_EQ(edits, 16);
        for (int i = 0; i < edits; ++i) ASSERT_TRUE(Undo(context).ok());
        EXPECT_TRUE(test::DocumentStateBytes(doc) == state0);
        EXPECT_TRUE(SerializeBinaryModel(doc, doc.display) == file0);
    }
}
