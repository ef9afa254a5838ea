#include "app/MainFrame.h"

#include "AppTestSupport.h"
#include "app/DocumentInfoDialog.h"
#include "app/HelpWindow.h"
#include "app/LayoutMethodDialog.h"
#include "app/ObjectListDialog.h"
#include "app/StatusTexts.h"
#include "engine/Extents.h"
#include "engine/PartEdits.h"
#include "model/BinaryWriter.h"
#include "model/DocumentSettings.h"
#include "sheet/OffSheet.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tsm;
using namespace tsm::test;

namespace {

const CommandId kModelCommands[] = {
    CommandId::TurnOnLight,       CommandId::UseMaterials,         CommandId::ShowObjectList,
    CommandId::ResetViewPosition, CommandId::TextureConfiguration, CommandId::Unfold,
    CommandId::FlipFaces,         CommandId::JoinIsolatedEdges,    CommandId::ChangeCoordinates,
    CommandId::SimplifyMesh};
const CommandId kDevelopmentCommands[] = {
    CommandId::EmphasizeOpenEdges, CommandId::ShowEdgeId,        CommandId::Print,
    CommandId::PrintPreview,       CommandId::DocumentInfo,      CommandId::CheckFace,
    CommandId::ShowPageNumber,     CommandId::RecalculateLayout, CommandId::UndoUnfold};

int FirstColumn(const MainFrame& frame) {
    return frame.Splitter()->sizes().at(0);
}

} // namespace

TEST(MainFrame, CommandEnablingByDocumentState) {
    FrameHarness h;
    // Every row's handler is there once the window is built.
    for (const CommandInfo& command : CommandTable())
        EXPECT_TRUE(h.frame->Commands().HasHandler(command.id)) << command.id;
    const auto expect = [&h](bool model, bool development) {
        for (CommandId id : kModelCommands) EXPECT_EQ(h.Enabled(id), model) << id;
        for (CommandId id : kDevelopmentCommands) EXPECT_EQ(h.Enabled(id), development) << id;
        // The hidden mode commands follow the same rule; the others are always on.
        EXPECT_EQ(h.Enabled(CommandId::ModeSelectMove), development);
        for (CommandId id : {CommandId::FileOpen, CommandId::SplitWindow, CommandId::OpenHelp,
                             CommandId::ResetToDefault, CommandId::ImportMesh})
            EXPECT_TRUE(h.Enabled(id)) << id;
    };
    expect(false, false);
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteModelWithoutDevelopment(h.folder.File("plain.tsm"))));
    EXPECT_EQ(h.prompt.texts, std::vector<std::string>{"No data for development."});
    expect(true, false);
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    expect(true, true);
}

TEST(MainFrame, EditModeTogglesBackToNoneAndKeepsTheIdleText) {
    FrameHarness h;
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    h.log2d->hints.clear();
    h.Trigger(CommandId::CheckFace);
    EXPECT_EQ(h.frame->ViewSettings().editMode, EditMode::CheckFace);
    EXPECT_TRUE(h.Checked(CommandId::CheckFace));
    h.Trigger(CommandId::ModeSelectMove);
    EXPECT_FALSE(h.Checked(CommandId::CheckFace));
    EXPECT_TRUE(h.Checked(CommandId::ModeSelectMove));
    h.Trigger(CommandId::ModeSelectMove);
    EXPECT_EQ(h.frame->ViewSettings().editMode, EditMode::None);
    EXPECT_FALSE(h.Checked(CommandId::ModeSelectMove));
    EXPECT_EQ(h.log2d->hints, std::vector<UpdateHint>(3, UpdateHint::ClearSelection));
    EXPECT_EQ(h.frame->MessagePane()->text(), "[3D Rot] L/R [3D Mov] Ctrl+R [2D Pan] L/R [Zoom] Wheel");
    h.frame->show();
    QApplication::setActiveWindow(h.frame.get());
    // Each mode's keys, as its menu text shows them, from one mode to the next.
    const std::pair<Qt::Key, EditMode> keys[] = {
        {Qt::Key_K, EditMode::CheckFace}, {Qt::Key_M, EditMode::SelectMove},
        {Qt::Key_F, EditMode::EditFlaps}, {Qt::Key_R, EditMode::RotatePart},
        {Qt::Key_N, EditMode::JoinFace},  {Qt::Key_T, EditMode::InputText},
        {Qt::Key_E, EditMode::ColorEdge}, {Qt::Key_E, EditMode::None},
    };
    for (const auto& [key, mode] : keys) {
        QTest::keyClick(h.frame.get(), key, Qt::ControlModifier);
        EXPECT_EQ(h.frame->ViewSettings().editMode, mode) << key;
    }
}

TEST(MainFrame, UpdateHintsReachBothViews) {
    FrameHarness h;
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    EXPECT_EQ(h.log3d->hints, std::vector<UpdateHint>{UpdateHint::NewModel});
    EXPECT_EQ(h.log2d->hints, std::vector<UpdateHint>{UpdateHint::NewModel});
    h.Trigger(CommandId::ResetViewPosition);
    h.Trigger(CommandId::ResetView);
    h.Trigger(CommandId::ShowFlaps);
    h.Trigger(CommandId::TurnOnLight);
    const std::vector<UpdateHint> expected = {UpdateHint::NewModel,       UpdateHint::ResetCamera,
                                              UpdateHint::FitDevelopment, UpdateHint::FitDevelopment,
                                              UpdateHint::FlapsSwitched,  UpdateHint::Redraw};
    EXPECT_EQ(h.log3d->hints, expected);
    EXPECT_EQ(h.log2d->hints, expected);
    // Without flaps no line is drawn as a flap's.
    for (const auto& part : h.frame->Doc().Current()->development->parts)
        for (const auto& line : part->lines)
            EXPECT_TRUE(line->drawKind != DrawKind::FlapMountain && line->drawKind != DrawKind::FlapValley);
    h.Trigger(CommandId::Print);
    h.Trigger(CommandId::PrintPreview);
    EXPECT_EQ(h.log2d->commands, (std::vector<CommandId>{CommandId::Print, CommandId::PrintPreview}));
    EXPECT_TRUE(h.log3d->commands.empty());
    // Commands without a menu entry are still actions of the window, so that their keys work.
    EXPECT_TRUE(h.frame->actions().contains(h.frame->CommandUi().Action(CommandId::ShowFlaps)));
    // A view's logic may run commands and send hints through its host.
    h.frame->View3D()->ExecuteCommand(CommandId::ResetView);
    EXPECT_EQ(h.log2d->hints.back(), UpdateHint::FitDevelopment);
}

TEST(MainFrame, TitleAndStatusPanesFollowTheDocumentAndAFailedOpenKeepsThem) {
    FrameHarness h;
    EXPECT_EQ(h.frame->windowTitle(), "Untitled - Tessaly");
    EXPECT_EQ(h.frame->MessagePane()->text(), "Open a file.");
    EXPECT_EQ(h.frame->SecondPane()->text(), "");
    // A dropped file opens; only remote addresses are refused.
    const QUrl remote("https://example.org/remote.tsm");
    EXPECT_FALSE(DropUrls(*h.frame, {remote}));
    ASSERT_TRUE(
        DropUrls(*h.frame, {remote, QUrl::fromLocalFile(QString::fromStdString(SamplePath("cube.tsm")))}));
    EXPECT_EQ(h.frame->windowTitle(), "cube - Tessaly");
    EXPECT_EQ(h.frame->MessagePane()->text(), "[3D Rot] L/R [3D Mov] Ctrl+R [2D Pan] L/R [Zoom] Wheel");
    EXPECT_EQ(h.frame->SecondPane()->text().toStdString(), AssembledSizeText(h.frame->Doc().Current()));
    Document* opened = h.frame->Doc().Current();
    const std::vector<UpdateHint> hintsBefore = h.log3d->hints;
    const size_t recent = h.frame->RecentFiles().Files().size();

    // Missing file, wrong type and a damaged file: each shows its message and changes nothing.
    std::ofstream(h.folder.File("notes.txt")) << "text";
    std::ofstream(h.folder.File("broken.tsm")) << "version 3\ngarbage";
    h.prompt.texts.clear();
    for (const char* name : {"missing.tsm", "notes.txt", "broken.tsm"})
        EXPECT_FALSE(h.frame->OpenFromCommandLine(h.folder.File(name))) << name;
    ASSERT_EQ(h.prompt.texts.size(), 3u);
    EXPECT_EQ(h.prompt.texts[0], "File does not exist.");
    EXPECT_EQ(h.prompt.texts[1], "Cannot load file of specified type.");
    EXPECT_EQ(h.frame->windowTitle(), "cube - Tessaly");
    EXPECT_EQ(h.frame->Doc().Current(), opened);
    EXPECT_EQ(h.log3d->hints, hintsBefore);
    EXPECT_EQ(h.frame->RecentFiles().Files().size(), recent);
    // Without a development the panes are empty.
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteModelWithoutDevelopment(h.folder.File("plain.tsm"))));
    EXPECT_EQ(h.frame->MessagePane()->text(), "");
    EXPECT_EQ(h.frame->SecondPane()->text(), "");
}

TEST(MainFrame, SplitterHalvesAndSingleWindowUntilResize) {
    FrameHarness h;
    h.frame->resize(800, 600);
    h.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.frame.get()));
    const int half = h.frame->width() / 2;
    EXPECT_NEAR(FirstColumn(*h.frame), half, 3);
    h.Trigger(CommandId::SingleWindow);
    EXPECT_EQ(FirstColumn(*h.frame), 0);
    h.frame->resize(900, 600);
    QApplication::processEvents();
    EXPECT_NEAR(FirstColumn(*h.frame), 450, 3);
    h.Trigger(CommandId::SingleWindow);
    h.Trigger(CommandId::SplitWindow);
    EXPECT_NEAR(FirstColumn(*h.frame), 450, 3);
}

TEST(MainFrame, ObjectListSelectionSetsTheBoundFlag) {
    FrameHarness h;
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteModelWithoutDevelopment(h.folder.File("plain.tsm"))));
    h.Trigger(CommandId::ShowObjectList);
    ObjectListDialog* dialog = h.frame->ObjectList();
    EXPECT_TRUE(dialog->isVisible());
    QListWidget* list = dialog->List();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Box");
    EXPECT_TRUE(list->item(1)->isSelected());
    Mesh& model = *h.frame->Doc().Current()->model;
    h.log3d->hints.clear();
    const QRect line = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, line.center());
    EXPECT_FALSE(list->item(1)->isSelected());
    EXPECT_FALSE(model.solids[1]->inDevelopment);
    EXPECT_TRUE(model.solids[0]->inDevelopment);
    EXPECT_EQ(h.log3d->hints, std::vector<UpdateHint>{UpdateHint::Redraw});
    dialog->ClearButton()->click();
    EXPECT_FALSE(model.solids[0]->inDevelopment);
    EXPECT_EQ(list->selectedItems().size(), 0);
    dialog->SelectAllButton()->click();
    EXPECT_TRUE(model.solids[0]->inDevelopment && model.solids[1]->inDevelopment);
    EXPECT_EQ(list->selectedItems().size(), 2);
    dialog->CloseButton()->click();
    EXPECT_FALSE(dialog->isVisible());

    // The list is rebuilt for the next document (which solids, and which flag, the binding's tests check).
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteModelWithDevelopment(h.folder.File("dev.tsm"), "In")));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "In");
}

TEST(MainFrame, DocumentInfoAndAboutShowTheirValues) {
    FrameHarness h;
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("house.tsm")));
    const DevelopmentInfo expected = GetDevelopmentInfo(h.frame->Doc().Current(), h.frame->ViewSettings());
    AnswerModal<DocumentInfoDialog>([expected](DocumentInfoDialog& info) {
        EXPECT_EQ(info.PaperTypeText().toStdString(), expected.paperType);
        EXPECT_EQ(info.FaceCountText(), QString::number(expected.faceCount));
        EXPECT_EQ(info.PartCountText(), "4");
    });
    h.Trigger(CommandId::DocumentInfo);
    AnswerModal<QDialog>([](QDialog& about) {
        auto* version = about.findChild<QLabel*>("version");
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), "Ver. 2.1.1");
        // The tests draw with the software rasterizer.
        auto* renderer = about.findChild<QLabel*>("renderer");
        ASSERT_NE(renderer, nullptr);
        EXPECT_TRUE(renderer->text().startsWith("OpenGL: llvmpipe")) << renderer->text().toStdString();
    });
    h.Trigger(CommandId::VersionInfo);
}

// A part moved off the sheets is counted in the status bar, and an export asks first: Cancel stops it
// before the file dialog.
TEST(MainFrame, PartsOffTheSheetsAreCountedAndExportsAskFirst) {
    FrameHarness h(false);
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    EXPECT_EQ(h.frame->OffSheetPane()->text(), "");
    h.frame->Doc().Current()->development->parts.at(0)->x = -30;
    h.frame->UpdateAllViews(UpdateHint::Redraw);
    EXPECT_EQ(h.frame->OffSheetPane()->text(), "1 part lies outside the sheets.");
    h.prompt.texts.clear();
    h.Trigger(CommandId::ExportDxf);
    ASSERT_EQ(h.prompt.texts.size(), 1u);
    EXPECT_EQ(h.prompt.texts[0].rfind("1 part lies outside the sheets.", 0), 0u);
    EXPECT_TRUE(h.chooser.saveFilters.empty());
}

// File > Open takes the meshes Import Mesh takes: a format only the converter reads (here a stand-in
// converter that writes a tetrahedron) and glTF come in as untitled imported models; a converter that
// crashes is one message naming the file, and the open model stays.
TEST(MainFrame, OpenBringsConvertedAndGltfMeshesInAsImportedModels) {
    FrameHarness h;
    h.prompt.threeWayAnswer = PromptAnswer::No; // the imported models are set aside unsaved
    const std::string converter = h.folder.File("convert.sh");
    std::ofstream(converter) << "#!/bin/sh\nprintf 'v 0 0 0\\nv 1 0 0\\nv 0 1 0\\nv 0 0 1\\nf 1 3 2\\n"
                                "f 1 2 4\\nf 1 4 3\\nf 2 3 4\\n' > \"$2\"\n";
    const std::string crasher = h.folder.File("crash.sh");
    std::ofstream(crasher) << "#!/bin/sh\nkill -SEGV $$\n";
    for (const std::string& script : {converter, crasher})
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    // One triangle, its positions in a data URI.
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const QByteArray data = QByteArray(reinterpret_cast<const char*>(positions), sizeof positions).toBase64();
    std::ofstream(h.folder.File("tri.gltf"))
        << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
        << R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"accessors":[{"bufferView":0,)"
        << R"("componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
        << R"("bufferViews":[{"buffer":0,"byteLength":36}],"buffers":[{"byteLength":36,)"
        << R"("uri":"data:application/octet-stream;base64,)" << data.toStdString() << R"("}]})";
    std::ofstream(h.folder.File("Tetra.DAE")) << "stand-in";
    const struct {
        const char* file;
        const std::string& converter;
        size_t faces; // 0: refused
    } cases[] = {{"Tetra.DAE", converter, 4}, {"tri.gltf", converter, 1}, {"Tetra.DAE", crasher, 0}};
    for (const auto& c : cases) {
        setenv("TESSALY_CONVERTER", c.converter.c_str(), 1);
        const Document* before = h.frame->Doc().Current();
        h.prompt.texts.clear();
        h.chooser.answers.push_back(h.folder.File(c.file));
        h.Trigger(CommandId::FileOpen);
        unsetenv("TESSALY_CONVERTER");
        const Document* now = h.frame->Doc().Current();
        if (c.faces == 0) {
            EXPECT_EQ(now, before);
            ASSERT_FALSE(h.prompt.texts.empty());
            EXPECT_NE(h.prompt.texts.back().find("Tetra.DAE: the converter crashed"), std::string::npos)
                << h.prompt.texts.back();
            continue;
        }
        ASSERT_NE(now, nullptr) << c.file;
        ASSERT_NE(now, before) << c.file;
        EXPECT_EQ(now->development, nullptr);
        EXPECT_TRUE(now->modified);
        EXPECT_EQ(now->model->solids.at(0)->faces.size(), c.faces) << c.file;
        EXPECT_EQ(h.frame->Doc().SavePath(), "") << c.file;
        EXPECT_EQ(h.frame->Doc().Title(), std::filesystem::path(c.file).stem().string());
    }
    // The dialog offers them.
    EXPECT_NE(h.chooser.openFilters.at(0).find("*.dae"), std::string::npos);
    EXPECT_NE(h.chooser.openFilters.at(0).find("*.glb"), std::string::npos);
}

// A text moved off the sheets is counted; Recalculate Parts Layout, OK on the proposal, brings it onto a
// sheet and the count goes; undo gives back every byte of before.
TEST(MainFrame, RecalculateBringsATextOffTheSheetsBackAndUndoRestoresIt) {
    FrameHarness h(false);
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    Document& doc = *h.frame->Doc().Current();
    TextBlock text;
    const double across[4] = {-12, 40, 30, 8}; // over the first sheet's left border
    std::copy(across, across + 4, text.rect);
    text.lines = {"Cube"};
    AddText(*doc.development, text);
    ComputeDevelopmentExtent(*doc.development, false);
    h.frame->UpdateAllViews(UpdateHint::Redraw);
    EXPECT_EQ(h.frame->OffSheetPane()->text(), "1 text lies outside the sheets.");
    const std::string before = SerializeBinaryModel(doc, doc.display);

    AnswerModal<LayoutMethodDialog>();
    h.Trigger(CommandId::RecalculateLayout);
    const Paper paper = Paper::FromSettings(DocumentSettings(h.frame->AppSettings(), &doc));
    EXPECT_FALSE(TextOffSheet(*doc.development->texts.at(0), doc, paper));
    EXPECT_EQ(CountOffSheet(doc, paper).total(), 0);
    EXPECT_EQ(h.frame->OffSheetPane()->text(), "");

    h.Trigger(CommandId::EditUndo);
    EXPECT_EQ(SerializeBinaryModel(doc, doc.display), before);
    EXPECT_EQ(h.frame->OffSheetPane()->text(), "1 text lies outside the sheets.");
}

// F1 with no launcher answering: the help shows in the program's own window, without a message.
TEST(MainFrame, F1ShowsTheHelpInTheProgramsWindowWithoutALauncher) {
    FrameHarness h;
    h.frame->show();
    h.shell.succeed = false;
    QAction* help = h.frame->CommandUi().Action(CommandId::OpenHelp);
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));
    help->trigger();
    EXPECT_EQ(h.shell.urls.size(), 1u);
    EXPECT_TRUE(h.prompt.texts.empty());
    // HelpWindow has no meta object of its own, so findChild would take any dialog for it.
    HelpWindow* window = nullptr;
    for (QDialog* dialog : h.frame->findChildren<QDialog*>())
        if (auto* help = dynamic_cast<HelpWindow*>(dialog)) window = help;
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->Browser()->toPlainText().contains("Tessaly"));
    window->close();
}
