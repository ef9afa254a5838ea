// Bad requests to the engine, one row each: what a person might ask of a document or hand it, and the
// exact words they read back. A refused edit changes nothing, marks nothing modified and keeps no undo copy.
#include "engine/AssemblyOrder.h"
#include "engine/MeshImportPipeline.h"
#include "engine/MeshSimplify.h"
#include "engine/PartEdits.h"
#include "engine/Topology.h"
#include "tests/engine/DevelopedDocument.h"
#include "tests/model/ImageTestSupport.h"
#include "tests/support/DocumentCompare.h"

#include <gtest/gtest.h>

#include <functional>

namespace tsm {
namespace {

using test::Developed;
using test::WithFlap;

struct Row {
    const char* name;
    std::function<EditResult(Developed&)> run; // a failed Outcome converts
    std::string reason;
    Outcome::Kind kind = Outcome::Kind::Failed;
};

// Three faces on one edge, a fin on a cube, simplified through the model alone: the count stays as it was.
Outcome SimplifyFinnedCube() {
    MeshData fin = Cube(20);
    fin.vertices.push_back({0, 0, 30});
    fin.faces.push_back({fin.faces[0][0], fin.faces[0][1], int(fin.vertices.size()) - 1});
    Document doc;
    AddSolid(doc, "fin", fin.vertices, fin.faces);
    ComputeBounds(*doc.model);
    Outcome outcome = SimplifyModel(*doc.model, 5);
    EXPECT_EQ(ModelFaceCount(*doc.model), 7);
    return outcome;
}

// The mesh `text` imported from a file `name`; `shown` are the messages before the refusal's own.
Outcome Import(const std::string& name, const std::string& text, std::vector<std::string> shown) {
    testimage::TempFolder folder;
    RecordingPrompt prompt;
    const Result<ImportedMesh> imported = ImportMeshDocument(folder.Write(name, text), Settings(), prompt);
    shown.push_back(imported.reason());
    EXPECT_EQ(prompt.texts, shown);
    return imported.outcome();
}

TEST(EngineFailures, BadRequestsAreRefusedWithTheirReasonAndChangeNothing) {
    const std::string range = "The target must lie between 4 and 7 faces (the mesh has 8).";
    const auto simplify = [](int target) {
        return [target](Developed& d) { return SimplifyMesh(d.context, target); };
    };
    const std::string lacks = "The order names a part twice or a part the development lacks.";
    const Row rows[] = {
        {"flap on a fold", [](Developed& d) { return SwitchFlap(d.context, d.Fold()); },
         "Only a cut edge carries a flap."},
        {"second flap",
         [](Developed& d) { return AddFlapTo(d.context, d.Line(WithFlap), LineKind::MountainFlap); },
         "This edge has a flap already."},
        {"flat flap angle",
         [](Developed& d) { return ChangeFlapDetails(d.context, d.Line(WithFlap), 5, 0, 45); },
         "Specify flap angles between 1 and 179 degrees."},
        {"empty text",
         [](Developed& d) {
             return AddTextAt(d.context, MakeText({0, 0}, {""}, "Sans", 9, 0));
         },
         "A text needs at least one character."},
        {"no such text", [](Developed& d) { return DeleteTextAt(d.context, 7); }, "There is no such text."},
        {"no such picture", [](Developed& d) { return OrderPicture(d.context, true, 4, StackOrder::Top); },
         "There is no such picture."},
        {"move without development",
         [](Developed&) {
             Document empty;
             const Settings settings;
             EditContext context{empty, settings};
             return MoveSelection(context, {}, {1, 1});
         },
         kNoDevelopmentText},
        // Cube and sheet hold 8 faces; a refused simplification keeps the development.
        {"simplify to three", simplify(3), range},
        {"simplify below zero", simplify(-5), range},
        {"simplify to all", simplify(8), range},
        {"simplify to more", simplify(1000), range},
        {"simplify a fin", [](Developed&) { return SimplifyFinnedCube(); },
         "The mesh cannot be simplified: 2 edge(s) are shared by more than two faces or twice in one "
         "direction."},
        {"build a part twice",
         [](Developed& d) {
             return SetBuildOrder(d.context, {1, 1});
         },
         lacks},
        {"build a missing part", [](Developed& d) { return SetBuildOrder(d.context, {99}); }, lacks},
        // A refused import has been shown: it is cancelled. A missing file: UnfoldCommandTest.
        {"mesh with a bad number", [](Developed&) { return Import("bad.obj", "v 0 0 0\nv 1 0 q\n", {}); },
         "The mesh cannot be imported.\nbad.obj, line 2: \"q\" is not a number", Outcome::Kind::Cancelled},
        // Every face collapses in the normalisation: its message, then the refusal, and no question.
        {"mesh of one line",
         [](Developed&) {
             return Import("line.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nf 1 2 3\n",
                           {"3 vertice(s), 1 face(s) and 1 object(s) were deleted for data normalization."});
         },
         "The mesh cannot be imported.\nNo face of line.obj is left after data normalization.",
         Outcome::Kind::Cancelled},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Developed d;
        const std::string before = test::DocumentStateBytes(d.doc);
        const Outcome outcome = row.run(d).outcome();
        EXPECT_EQ(outcome.kind(), row.kind);
        EXPECT_EQ(outcome.reason(), row.reason);
        EXPECT_TRUE(test::DocumentStateBytes(d.doc) == before);
        EXPECT_FALSE(d.doc.modified);
        EXPECT_FALSE(d.doc.history.CanUndo());
    }
}

} // namespace
} // namespace tsm
