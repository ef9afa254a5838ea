#include "app/ModelCommands.h"

#include "AppTestSupport.h"
#include "app/LayoutMethodDialog.h"
#include "app/UndoUnfoldingDialog.h"
#include "engine/DocumentEdits.h"
#include "engine/EngineCompletion.h"
#include "engine/Extents.h"
#include "engine/MeshSimplify.h"
#include "engine/Unfolder.h"
#include "model/BinaryWriter.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <fstream>

using namespace tsm;
using namespace tsm::test;

namespace {

// Records the unfolder's reports; answers "cancel" from step `cancelAt` on (0: never).
class RecordingProgress : public IUnfoldProgress {
public:
    struct Log {
        std::string caption;
        int stepCount = -1;
        int steps = 0;
        bool finished = false;
    };
    RecordingProgress(std::shared_ptr<Log> log, int cancelAt) : log_(std::move(log)), cancelAt_(cancelAt) {}
    void Start(const std::string& caption, int stepCount) override {
        log_->caption = caption;
        log_->stepCount = stepCount;
    }
    bool Step(int, const std::string&) override {
        ++log_->steps;
        return cancelAt_ == 0 || log_->steps < cancelAt_;
    }
    void Finish() override { log_->finished = true; }

private:
    std::shared_ptr<Log> log_;
    int cancelAt_;
};

std::string WriteCube(const std::string& path) {
    return WriteModelWithDevelopment(path, "Cube", false);
}

size_t FaceCount(const Development& development) {
    size_t faces = 0;
    for (const auto& part : development.parts) faces += part->faces.size();
    return faces;
}

class ModelCommandsTest : public ControllerTest {
protected:
    ModelCommandsTest() {
        ModelCommandDialogs dialogs;
        dialogs.askLayoutMethod = [this](Document& doc, LayoutMethod& method) {
            ++layoutAsked;
            if (layoutAnswer) layoutAnswer(doc, method);
            return layoutOk;
        };
        dialogs.askUndoUnfolding = [this](bool hasTexts) -> std::optional<UndoUnfoldingChoice> {
            undoAskedWithTexts.push_back(hasTexts);
            return undoChoice;
        };
        dialogs.makeProgress = [this]() -> std::unique_ptr<IUnfoldProgress> {
            return std::make_unique<RecordingProgress>(progressLog, cancelAt);
        };
        InstallModelCommands(
            controller, ModelCommandServices{document, settings, prompt, frame, dialogs, UnfoldOptions(),
                                             &chooser, folder.path() + "/bin/", nullptr, nullptr, nullptr});
    }

    Document& Doc() { return *document.Current(); }

    int layoutAsked = 0;
    bool layoutOk = true;
    std::function<void(Document&, LayoutMethod&)> layoutAnswer;
    std::vector<bool> undoAskedWithTexts;
    std::optional<UndoUnfoldingChoice> undoChoice = UndoUnfoldingChoice{};
    std::shared_ptr<RecordingProgress::Log> progressLog = std::make_shared<RecordingProgress::Log>();
    int cancelAt = 0;
};

} // namespace

TEST_F(ModelCommandsTest, UnfoldStopsAtEitherCancelAndOtherwiseMakesADevelopment) {
    Open(WriteCube(folder.File("cube.tsm")));
    // Cancel in the layout dialog: no development, no message, no progress window.
    layoutOk = false;
    controller.Execute(CommandId::Unfold);
    EXPECT_EQ(Doc().development, nullptr);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_EQ(progressLog->stepCount, -1);
    EXPECT_TRUE(frame.calls.empty());

    // Cancel during the merge: the development is discarded with the message.
    layoutOk = true;
    cancelAt = 2;
    controller.Execute(CommandId::Unfold);
    EXPECT_EQ(Doc().development, nullptr);
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"Making development is canceled."}));
    EXPECT_EQ(progressLog->steps, 2);
    EXPECT_TRUE(progressLog->finished);
    EXPECT_TRUE(frame.calls.empty());

    // The closed cube becomes one part of its six faces, without a word to the user.
    cancelAt = 0;
    *progressLog = {};
    prompt.texts.clear();
    controller.Execute(CommandId::Unfold);
    ASSERT_NE(Doc().development, nullptr);
    EXPECT_EQ(Doc().development->parts.size(), 1u);
    EXPECT_EQ(FaceCount(*Doc().development), 6u);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_EQ(progressLog->caption, "Unfolding...");
    EXPECT_EQ(progressLog->steps, progressLog->stepCount);
    EXPECT_TRUE(progressLog->finished);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"hint 6", "idle"}));
}

TEST_F(ModelCommandsTest, UnfoldWithNothingToUnfoldOrAtTheDialogsScale) {
    Open(WriteCube(folder.File("cube.tsm")));
    for (auto& solid : Doc().model->solids) solid->inDevelopment = false;
    controller.Execute(CommandId::Unfold);
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"There are no object for unfolding."}));
    // The message comes before the dialog: nothing is asked.
    EXPECT_EQ(layoutAsked, 0);
    EXPECT_EQ(Doc().development, nullptr);

    for (auto& solid : Doc().model->solids) solid->inDevelopment = true;
    layoutAnswer = [](Document& doc, LayoutMethod& method) {
        method.automatic = false;
        doc.documentScale = 2.5;
    };
    controller.Execute(CommandId::Unfold);
    ASSERT_NE(Doc().development, nullptr);
    EXPECT_DOUBLE_EQ(Doc().development->scale, 2.5);
}

TEST_F(ModelCommandsTest, RecalculateLayoutAndUndoUnfolding) {
    Open(WriteCube(folder.File("cube.tsm")));
    controller.Execute(CommandId::Unfold);
    ASSERT_NE(Doc().development, nullptr);
    frame.calls.clear();

    // A specified scale and spacing: the single part lands at half the spacing.
    layoutAnswer = [](Document& doc, LayoutMethod& method) {
        method.automatic = false;
        method.spacingMM = 8.0;
        doc.documentScale = 0.5;
    };
    controller.Execute(CommandId::RecalculateLayout);
    EXPECT_DOUBLE_EQ(Doc().development->scale, 0.5);
    EXPECT_NEAR(Doc().development->parts[0]->x, 4.0, 1e-9);
    EXPECT_NEAR(Doc().development->parts[0]->y, 4.0, 1e-9);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"hint 5", "idle"}));

    frame.calls.clear();
    undoChoice.reset();
    controller.Execute(CommandId::UndoUnfold);
    EXPECT_NE(Doc().development, nullptr);
    EXPECT_EQ(undoAskedWithTexts, (std::vector<bool>{false})); // no texts: "Reuse texts" greyed out
    EXPECT_TRUE(frame.calls.empty());

    // OK with "Apply open edge info": the cut edges become marked open for the next unfolding.
    double text[4] = {1, 2, 30, 10};
    AddText(Doc(), text, {"Cube"});
    undoChoice = UndoUnfoldingChoice{true, true};
    controller.Execute(CommandId::UndoUnfold);
    EXPECT_EQ(undoAskedWithTexts.back(), true);
    EXPECT_EQ(Doc().development, nullptr);
    ASSERT_EQ(Doc().reusableTexts.size(), 1u);
    EXPECT_EQ(Doc().reusableTexts[0].lines, (std::vector<std::string>{"Cube"}));
    int open = 0;
    for (const auto& edge : Doc().model->solids[0]->edges)
        open += edge->edgeClass == EdgeClass::MarkedOpen ? 1 : 0;
    EXPECT_EQ(open, 7); // six squares in one part: 12 edges, 5 folds
    for (const auto& face : Doc().model->solids[0]->faces) EXPECT_EQ(face->part, nullptr);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"hint 6", "idle"}));
    EXPECT_FALSE(controller.IsEnabled(CommandId::RecalculateLayout));

    // The next unfolding places the kept text again and cuts the same edges.
    controller.Execute(CommandId::Unfold);
    ASSERT_NE(Doc().development, nullptr);
    EXPECT_EQ(Doc().development->texts.size(), 1u);
    EXPECT_EQ(FaceCount(*Doc().development), 6u);
}

// The cow of the user's report: unfolded at a specified size, then Recalculate Parts Layout. The dialog
// proposes that layout (even when the session's scale was forgotten), OK on it changes nothing, and undo
// after a real change gives back every saved byte, the default flap height included.
TEST_F(ModelCommandsTest, RecalculateProposesTheCurrentLayoutAndUndoGivesBackEveryByte) {
    Open(WriteCube(folder.File("cube.tsm")));
    layoutAnswer = [](Document& doc, LayoutMethod& method) {
        method.automatic = false;
        method.spacingMM = 8.0;
        doc.documentScale = 1.0;
    };
    controller.Execute(CommandId::Unfold);
    ASSERT_NE(Doc().development, nullptr);
    const std::string unfolded = SerializeBinaryModel(Doc(), Doc().display);
    Doc().documentScale = 3.0;
    settings.layoutMethod = LayoutMethod{};

    LayoutMethod proposed;
    double proposedScale = 0;
    layoutAnswer = [&](Document& doc, LayoutMethod& method) {
        proposed = method;
        proposedScale = doc.documentScale;
    };
    controller.Execute(CommandId::RecalculateLayout);
    EXPECT_FALSE(proposed.automatic);
    EXPECT_EQ(proposed.spacingMM, 8.0);
    EXPECT_EQ(proposedScale, 1.0);
    EXPECT_EQ(SerializeBinaryModel(Doc(), Doc().display), unfolded);
    EXPECT_FALSE(Doc().history.CanUndo());

    // Scale 0.5: every part and the flap height shrink; undo brings all of it back.
    layoutAnswer = [](Document& doc, LayoutMethod&) { doc.documentScale = 0.5; };
    controller.Execute(CommandId::RecalculateLayout);
    EXPECT_DOUBLE_EQ(Doc().development->scale, 0.5);
    EXPECT_DOUBLE_EQ(Doc().display.defaultFlapHeightMM, 2.5);
    EditContext context{Doc(), settings};
    ASSERT_TRUE(Undo(context).ok());
    EXPECT_EQ(SerializeBinaryModel(Doc(), Doc().display), unfolded);
    EXPECT_EQ(Doc().documentScale, 3.0);

    // A development fitted to the sheet is proposed as Auto.
    layoutAnswer = [](Document&, LayoutMethod& method) { method.automatic = true; };
    controller.Execute(CommandId::RecalculateLayout);
    layoutAnswer = [&](Document&, LayoutMethod& method) { proposed = method; };
    controller.Execute(CommandId::RecalculateLayout);
    EXPECT_TRUE(proposed.automatic);
}

TEST_F(ModelCommandsTest, FlipFacesAndJoinIsolatedEdges) {
    Open(WriteCube(folder.File("cube.tsm")));
    const Face& face = *Doc().model->solids[0]->faces[0];
    const Vec3 normal = face.Normal();
    controller.Execute(CommandId::FlipFaces);
    EXPECT_NEAR(Length(face.Normal() + normal), 0.0, 1e-9);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"hint 0", "idle"}));
    // A closed cube has no open edges to join; the count is said even when it is 0.
    controller.Execute(CommandId::JoinIsolatedEdges);
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"0 edges were merged."}));

    // The flaps turn to the other side with the faces: the parts' extents are those opening the saved
    // file measures, so that the file saved after the flip opens and saves again unchanged.
    Open(SamplePath("cube.tsm"));
    controller.Execute(CommandId::FlipFaces);
    for (const auto& part : Doc().development->parts) {
        const double width = part->width, height = part->height;
        ComputePartExtent(*part);
        EXPECT_EQ(width, part->width);
        EXPECT_EQ(height, part->height);
    }
}

TEST_F(ModelCommandsTest, ImportMeshMakesANewDocumentReadyToUnfoldOrSaysWhyNot) {
    const std::string path = std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/cube_quad.off";
    controller.Execute(CommandId::ImportMesh);
    EXPECT_EQ(document.Current(), nullptr);
    chooser.answers.push_back(path);
    controller.Execute(CommandId::ImportMesh);
    ASSERT_NE(document.Current(), nullptr);
    EXPECT_EQ(Doc().model->solids.at(0)->faces.size(), 6u);
    EXPECT_TRUE(controller.IsEnabled(CommandId::Unfold));

    // A file that is not a mesh leaves the current document and says why, naming the file.
    const std::string bad = folder.File("bad.ply");
    std::ofstream(bad) << "this is not a mesh\n";
    Document* before = document.Current();
    prompt.texts.clear();
    chooser.answers.push_back(bad);
    controller.Execute(CommandId::ImportMesh);
    EXPECT_EQ(document.Current(), before);
    ASSERT_FALSE(prompt.texts.empty());
    EXPECT_NE(prompt.texts.back().find("bad.ply"), std::string::npos) << prompt.texts.back();
}

TEST(ModelMenu, UnfoldFromTheWindowWithItsDialogAndProgressWindow) {
    FrameHarness h;
    h.frame->show();
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteCube(h.folder.File("cube.tsm"))));
    EXPECT_FALSE(h.Enabled(CommandId::UndoUnfold)); // nothing to undo without a development
    AnswerModal<LayoutMethodDialog>();
    h.Trigger(CommandId::Unfold);
    ASSERT_NE(h.frame->Doc().Current()->development, nullptr);
    EXPECT_TRUE(h.frame->isEnabled()); // the progress window let go of it
    EXPECT_TRUE(h.Enabled(CommandId::RecalculateLayout));
    EXPECT_TRUE(h.Enabled(CommandId::UndoUnfold));

    AnswerModal<UndoUnfoldingDialog>();
    h.Trigger(CommandId::UndoUnfold);
    EXPECT_EQ(h.frame->Doc().Current()->development, nullptr);
    EXPECT_FALSE(h.Enabled(CommandId::RecalculateLayout));
    EXPECT_FALSE(h.Enabled(CommandId::UndoUnfold));
}

TEST_F(ModelCommandsTest, ImportMeshOffersTheCoordinateWizardUntilToldToStop) {
    const std::string path = folder.File("tri.off");
    std::ofstream(path) << "OFF\n4 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 1 2 3\n3 0 3 2\n";
    std::vector<WizardOffer> answers = {{false, false}, {true, true}};
    int offered = 0, wizards = 0;
    ModelCommandDialogs dialogs;
    dialogs.offerCoordinateWizard = [&] { return answers[size_t(offered++)]; };
    InstallModelCommands(controller, ModelCommandServices{document, settings, prompt, frame, dialogs,
                                                          UnfoldOptions(), &chooser, folder.path() + "/",
                                                          nullptr, [&wizards] { ++wizards; }, nullptr});
    for (int run = 0; run < 3; ++run) {
        chooser.answers.push_back(path);
        controller.Execute(CommandId::ImportMesh);
        ASSERT_NE(document.Current(), nullptr);
    }
    // No; then Yes with "stop asking"; then not asked any more.
    EXPECT_EQ(offered, 2);
    EXPECT_EQ(wizards, 1);
    EXPECT_FALSE(settings.offerCoordinateWizard);
}

// The import offers simplifying a mesh above 3,000 faces; Yes opens the face-count dialog at 1,000. The
// menu command suggests half the faces, at most 1,000; Cancel changes nothing, a count the engine
// refuses is said, and a simplification is one undo step.
TEST_F(ModelCommandsTest, SimplifyMeshAfterImportOrFromTheMenuIsOneUndoStep) {
    std::vector<std::pair<int, int>> asked;
    std::optional<int> answer;
    ModelCommandDialogs dialogs;
    dialogs.askFaceCount = [&](int current, int suggested) {
        asked.emplace_back(current, suggested);
        return answer;
    };
    InstallModelCommands(controller,
                         ModelCommandServices{document, settings, prompt, frame, dialogs, UnfoldOptions(),
                                              &chooser, folder.path() + "/", nullptr, nullptr, nullptr});
    chooser.answers.push_back(std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/bunny.obj");
    controller.Execute(CommandId::ImportMesh);
    ASSERT_NE(document.Current(), nullptr);
    EXPECT_EQ(prompt.texts.back().rfind("The mesh has 3674 faces; assembled at scale ", 0), 0u)
        << prompt.texts.back();
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{3674, 1000}}));
    EXPECT_EQ(ModelFaceCount(*Doc().model), 3674) << "cancelled";

    answer = 3674;
    prompt.texts.clear();
    controller.Execute(CommandId::SimplifyMesh);
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{
                                "The target must lie between 4 and 3673 faces (the mesh has 3674)."}));

    answer = 400;
    frame.calls.clear();
    controller.Execute(CommandId::SimplifyMesh);
    const int simplified = ModelFaceCount(*Doc().model);
    EXPECT_LE(simplified, 450);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"hint 6", "idle"}));
    controller.Execute(CommandId::SimplifyMesh);
    EXPECT_EQ(asked.back(), std::make_pair(simplified, simplified / 2));

    controller.Execute(CommandId::EditUndo);
    EXPECT_EQ(ModelFaceCount(*Doc().model), 3674);
}
