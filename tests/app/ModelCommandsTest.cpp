#include "app/ModelCommands.h"

#include "AppTestSupport.h"
#include "engine/EngineCompletion.h"
#include "engine/Unfolder.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

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
        std::string lastText;
        bool finished = false;
    };
    RecordingProgress(std::shared_ptr<Log> log, int cancelAt) : log_(std::move(log)), cancelAt_(cancelAt) {}
    void Start(const std::string& caption, int stepCount) override {
        log_->caption = caption;
        log_->stepCount = stepCount;
    }
    bool Step(int, const std::string& text) override {
        ++log_->steps;
        log_->lastText = text;
        return cancelAt_ == 0 || log_->steps < cancelAt_;
    }
    void Finish() override { log_->finished = true; }

private:
    std::shared_ptr<Log> log_;
    int cancelAt_;
};

// One cube without a development.
std::string WriteCube(const std::string& path) {
    Document document;
    const MeshData cube = Cube(40);
    AddSolid(document, "Cube", cube.vertices, cube.faces);
    const Outcome written = WriteBinaryModel(document, document.display, path);
    EXPECT_TRUE(written.ok()) << written.reason();
    return path;
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
        InstallModelCommands(controller, ModelCommandServices{document,
                                                              settings,
                                                              prompt,
                                                              frame,
                                                              dialogs,
                                                              {},
                                                              &chooser,
                                                              folder.path() + "/bin/",
                                                              nullptr,
                                                              nullptr});
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

TEST_F(ModelCommandsTest, UnfoldMakesADevelopmentAndRedraws) {
    Open(WriteCube(folder.File("cube.tsm")));
    ASSERT_EQ(Doc().development, nullptr);
    controller.Execute(kCmdUnfold);
    ASSERT_NE(Doc().development, nullptr);
    // The closed cube becomes one part of its six faces, without a word to the user.
    EXPECT_EQ(Doc().development->parts.size(), 1u);
    EXPECT_EQ(FaceCount(*Doc().development), 6u);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_EQ(layoutAsked, 1);
    // The progress window was opened with the unfolding's caption, stepped and closed again.
    EXPECT_EQ(progressLog->caption, "Unfolding...");
    EXPECT_GT(progressLog->steps, 0);
    EXPECT_EQ(progressLog->steps, progressLog->stepCount);
    EXPECT_TRUE(progressLog->finished);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"hint 6", "idle"}));
    // Now the development commands run.
    EXPECT_TRUE(controller.IsEnabled(kCmdRecalculateLayout));
}

TEST_F(ModelCommandsTest, UnfoldStopsAtTheDialogsCancelAndAtTheProgressCancel) {
    Open(WriteCube(folder.File("cube.tsm")));
    // Cancel in the layout dialog: no development, no message, no progress window.
    layoutOk = false;
    controller.Execute(kCmdUnfold);
    EXPECT_EQ(Doc().development, nullptr);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_EQ(progressLog->stepCount, -1);
    EXPECT_TRUE(frame.calls.empty());

    // Cancel during the merge: the development is discarded with the message.
    layoutOk = true;
    cancelAt = 2;
    controller.Execute(kCmdUnfold);
    EXPECT_EQ(Doc().development, nullptr);
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"Making development is canceled."}));
    EXPECT_EQ(progressLog->steps, 2);
    EXPECT_TRUE(progressLog->finished);
    EXPECT_TRUE(frame.calls.empty());
}

TEST_F(ModelCommandsTest, UnfoldWithNothingToUnfold) {
    Open(WriteCube(folder.File("cube.tsm")));
    for (auto& solid : Doc().model->solids) solid->inDevelopment = false;
    controller.Execute(kCmdUnfold);
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"There are no object for unfolding."}));
    // The message comes before the dialog: nothing is asked.
    EXPECT_EQ(layoutAsked, 0);
    EXPECT_EQ(Doc().development, nullptr);
}

TEST_F(ModelCommandsTest, UnfoldUsesTheScaleTheDialogGives) {
    Open(WriteCube(folder.File("cube.tsm")));
    layoutAnswer = [](Document& doc, LayoutMethod& method) {
        method.automatic = false;
        doc.documentScale = 2.5;
    };
    controller.Execute(kCmdUnfold);
    ASSERT_NE(Doc().development, nullptr);
    EXPECT_DOUBLE_EQ(Doc().development->scale, 2.5);
}

TEST_F(ModelCommandsTest, UndoUnfoldingThrowsTheDevelopmentAway) {
    Open(WriteCube(folder.File("cube.tsm")));
    controller.Execute(kCmdUnfold);
    ASSERT_NE(Doc().development, nullptr);
    frame.calls.clear();

    // Cancel keeps everything.
    undoChoice.reset();
    controller.Execute(kCmdUndoUnfold);
    EXPECT_NE(Doc().development, nullptr);
    EXPECT_EQ(undoAskedWithTexts, (std::vector<bool>{false})); // no texts: "Reuse texts" greyed out
    EXPECT_TRUE(frame.calls.empty());

    // OK with "Apply open edge info": the cut edges become marked open for the next unfolding.
    double text[4] = {1, 2, 30, 10};
    AddText(Doc(), text, {"Cube"});
    undoChoice = UndoUnfoldingChoice{true, true};
    controller.Execute(kCmdUndoUnfold);
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
    EXPECT_FALSE(controller.IsEnabled(kCmdRecalculateLayout));

    // The next unfolding places the kept text again and cuts the same edges.
    controller.Execute(kCmdUnfold);
    ASSERT_NE(Doc().development, nullptr);
    EXPECT_EQ(Doc().development->texts.size(), 1u);
    EXPECT_EQ(FaceCount(*Doc().development), 6u);
}

TEST_F(ModelCommandsTest, RecalculateLayoutAsksAndRescales) {
    Open(WriteCube(folder.File("cube.tsm")));
    controller.Execute(kCmdUnfold);
    ASSERT_NE(Doc().development, nullptr);
    frame.calls.clear();
    const double autoScale = Doc().development->scale;

    // Cancel leaves the parts where they are.
    layoutOk = false;
    const double x = Doc().development->parts[0]->x;
    controller.Execute(kCmdRecalculateLayout);
    EXPECT_EQ(Doc().development->scale, autoScale);
    EXPECT_EQ(Doc().development->parts[0]->x, x);
    EXPECT_TRUE(frame.calls.empty());

    // A specified scale and spacing: the single part lands at half the spacing.
    layoutOk = true;
    layoutAnswer = [](Document& doc, LayoutMethod& method) {
        method.automatic = false;
        method.spacingMM = 8.0;
        doc.documentScale = 0.5;
    };
    controller.Execute(kCmdRecalculateLayout);
    EXPECT_DOUBLE_EQ(Doc().development->scale, 0.5);
    EXPECT_NEAR(Doc().development->parts[0]->x, 4.0, 1e-9);
    EXPECT_NEAR(Doc().development->parts[0]->y, 4.0, 1e-9);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"hint 5", "idle"}));
}

TEST_F(ModelCommandsTest, FlipFacesAndJoinIsolatedEdges) {
    Open(WriteCube(folder.File("cube.tsm")));
    const CFace& face = *Doc().model->solids[0]->faces[0];
    const double normalX = face.plane[0], normalY = face.plane[1], normalZ = face.plane[2];
    controller.Execute(kCmdFlipFaces);
    // Every face turned over.
    EXPECT_DOUBLE_EQ(face.plane[0], -normalX);
    EXPECT_DOUBLE_EQ(face.plane[1], -normalY);
    EXPECT_DOUBLE_EQ(face.plane[2], -normalZ);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"hint 0", "idle"}));
    // A closed cube has no open edges to join; the count is said even when it is 0.
    controller.Execute(kCmdJoinIsolatedEdges);
    EXPECT_EQ(prompt.texts, (std::vector<std::string>{"0 edges were merged."}));
}

TEST_F(ModelCommandsTest, ImportMeshMakesANewDocumentReadyToUnfold) {
    // A unit cube as OBJ quads, corners counter-clockwise seen from outside.
    const std::string path = folder.File("box.obj");
    {
        std::ofstream out(path);
        out << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
               "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";
    }
    // Cancel in the file dialog: nothing happens.
    controller.Execute(kCmdImportMesh);
    EXPECT_EQ(document.Current(), nullptr);
    ASSERT_EQ(chooser.openFilters.size(), 1u);
    EXPECT_EQ(chooser.openFilters[0], "Meshes (*.obj *.off *.stl *.ply)|*.obj;*.off;*.stl;*.ply|"
                                      "Wavefront OBJ (*.obj)|*.obj|Object File Format (*.off)|*.off|"
                                      "Stereolithography (*.stl)|*.stl|Polygon File Format (*.ply)|*.ply||");
    // The file becomes the current document, without a development, and unfolds.
    chooser.answers.push_back(path);
    controller.Execute(kCmdImportMesh);
    ASSERT_NE(document.Current(), nullptr);
    ASSERT_NE(Doc().model, nullptr);
    EXPECT_EQ(Doc().development, nullptr);
    ASSERT_EQ(Doc().model->solids.size(), 1u);
    EXPECT_EQ(Doc().model->solids[0]->faces.size(), 6u);
    EXPECT_TRUE(controller.IsEnabled(kCmdUnfold));
    prompt.texts.clear();
    controller.Execute(kCmdUnfold);
    ASSERT_NE(Doc().development, nullptr);
    EXPECT_EQ(FaceCount(*Doc().development), 6u);

    // A file that is not a mesh leaves the current document and says why, naming the file.
    const std::string bad = folder.File("bad.ply");
    {
        std::ofstream out(bad);
        out << "this is not a mesh\n";
    }
    Document* before = document.Current();
    prompt.texts.clear();
    chooser.answers.push_back(bad);
    controller.Execute(kCmdImportMesh);
    EXPECT_EQ(document.Current(), before);
    ASSERT_FALSE(prompt.texts.empty());
    EXPECT_NE(prompt.texts.back().find("bad.ply"), std::string::npos) << prompt.texts.back();
}

namespace {

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) texts << action->text();
    return texts;
}

QMenu* TopMenu(MainFrame& frame, const QString& title) {
    for (QAction* top : frame.menuBar()->actions())
        if (top->text() == title) return top->menu();
    return nullptr;
}

// Presses OK in the next modal dialog once it shows, then runs `after`.
void AcceptNextDialog(std::function<void()> after = {}) {
    QTimer::singleShot(0, [after] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->accept();
        if (after) after();
    });
}

QWidget* WindowTitled(const QString& prefix) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle().startsWith(prefix)) return widget;
    return nullptr;
}

} // namespace

TEST(ModelMenu, HoldsTheModelCommandsAndImportMeshSitsInTheFileMenu) {
    TempFolder folder;
    FrameHarness h(folder.path());
    QMenu* model = TopMenu(*h.frame, "&Model");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(MenuTexts(model),
              (QStringList{"Unfold", "Undo Unfolding", "Recalculate Parts Layout", "Flip Faces",
                           "Join Adjacent Isolated Edges", "Change Model Coordinates"}));
    // Import Mesh sits in the File menu under Import.
    const QStringList file = MenuTexts(TopMenu(*h.frame, "&File"));
    ASSERT_TRUE(file.contains("Import &Mesh..."));
    EXPECT_EQ(file.indexOf("Import &Mesh..."), file.indexOf("TSM File Inport") + 1);
}

TEST(ModelMenu, UnfoldFromTheWindowWithItsDialogAndProgressWindow) {
    TempFolder folder;
    FrameHarness h(folder.path());
    h.frame->show();
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteCube(folder.File("cube.tsm"))));
    h.prompt.texts.clear(); // the open says the file has no development
    h.log2d->hints.clear();
    // The layout dialog answered with OK; the progress window runs without a cancel.
    bool sawDialog = false;
    QTimer::singleShot(0, [&sawDialog] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        sawDialog = dialog->windowTitle() == "Development Layout Method";
        dialog->accept();
    });
    h.Trigger(kCmdUnfold);
    EXPECT_TRUE(sawDialog);
    ASSERT_NE(h.frame->Doc().Current()->development, nullptr);
    EXPECT_TRUE(h.prompt.texts.empty());
    // The window is usable again, the progress window gone, and the views were told.
    EXPECT_TRUE(h.frame->isEnabled());
    EXPECT_EQ(WindowTitled("Unfolding..."), nullptr);
    EXPECT_FALSE(h.log2d->hints.empty());
    EXPECT_TRUE(h.Enabled(kCmdRecalculateLayout));
    // The progress window's corner was remembered for the next time.
    StoredValue x;
    EXPECT_TRUE(h.session.store().QueryValue(ProgressPositionKeyPath(), "X", &x));

    // Undo Unfolding through its dialog.
    AcceptNextDialog();
    h.Trigger(kCmdUndoUnfold);
    EXPECT_EQ(h.frame->Doc().Current()->development, nullptr);
    EXPECT_FALSE(h.Enabled(kCmdRecalculateLayout));
}

TEST(WindowUnfoldProgress, OpensModalStepsAndCancels) {
    QWidget mainWindow;
    mainWindow.show();
    SettingsStore profile;
    WindowUnfoldProgress progress(&mainWindow, &profile);
    // Reports before Start (none expected) go on harmlessly.
    EXPECT_TRUE(progress.Step(1, "early"));
    progress.Start("Unfolding...", 4);
    ASSERT_NE(progress.Window(), nullptr);
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_TRUE(progress.Step(2, "Unfolding...  2/4"));
    EXPECT_EQ(progress.Window()->Window()->windowTitle(), "Unfolding... [50%]");
    EXPECT_EQ(progress.Window()->Text(), "Unfolding...  2/4");
    // Cancel: the next step says stop.
    progress.Window()->CancelButton()->click();
    EXPECT_FALSE(progress.Step(3, "Unfolding...  3/4"));
    progress.Finish();
    EXPECT_EQ(progress.Window(), nullptr);
    EXPECT_TRUE(mainWindow.isEnabled());
    // The position went to the profile when the window closed.
    StoredValue x;
    EXPECT_TRUE(profile.QueryValue(ProgressPositionKeyPath(), "X", &x));
}

TEST_F(ModelCommandsTest, ImportMeshOffersTheCoordinateWizardUntilToldToStop) {
    const std::string path = folder.File("tri.off");
    std::ofstream(path) << "OFF\n4 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 1 2 3\n3 0 3 2\n";
    std::vector<WizardOffer> answers = {{false, false}, {true, true}};
    int offered = 0, wizards = 0;
    ModelCommandDialogs dialogs;
    dialogs.offerCoordinateWizard = [&] { return answers[size_t(offered++)]; };
    ModelCommandServices services{document, settings,
                                  prompt,   frame,
                                  dialogs,  {},
                                  &chooser, folder.path() + "/",
                                  nullptr,  [&wizards] { ++wizards; }};
    InstallModelCommands(controller, services);
    for (int run = 0; run < 3; ++run) {
        chooser.answers.push_back(path);
        controller.Execute(kCmdImportMesh);
        ASSERT_NE(document.Current(), nullptr);
    }
    // No; then Yes with "stop asking"; then not asked any more.
    EXPECT_EQ(offered, 2);
    EXPECT_EQ(wizards, 1);
    EXPECT_FALSE(settings.bOfferCoordinateWizard);
}
