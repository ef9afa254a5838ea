#include "app/MainFrame.h"

#include "AppTestSupport.h"
#include "app/DocumentInfoDialog.h"
#include "app/ObjectListDialog.h"
#include "app/StatusTexts.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <fstream>

using namespace tsm;
using namespace tsm::test;

namespace {

// The model commands and the development commands of the edge cases.
const int kModelCommands[] = {
    kCmdTurnOnLight, kCmdUseMaterials, kCmdShowObjectList, kCmdResetViewPosition, kCmdTextureConfiguration,
    kCmdUnfold,      kCmdUndoUnfold,   kCmdFlipFaces,      kCmdJoinIsolatedEdges, kCmdChangeCoordinates};
const int kDevelopmentCommands[] = {kCmdEmphasizeOpenEdges, kCmdShowEdgeId,       kCmdPrint,
                                    kCmdPrintPreview,       kCmdDocumentInfo,     kCmdCheckFace,
                                    kCmdShowPageNumber,     kCmdRecalculateLayout};

int FirstColumn(const MainFrame& frame) {
    return frame.Splitter()->sizes().at(0);
}

// Runs `check` on the modal dialog once it is open, then closes it.
template <typename Check> void WhenModalOpens(Check check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        check(modal);
        modal->close();
    });
}

} // namespace

TEST(MainFrame, CommandEnablingByDocumentState) {
    TempFolder folder;
    FrameHarness h(folder.path());
    // No model: the model and development commands are off, the others on.
    for (int id : kModelCommands) EXPECT_FALSE(h.Enabled(id)) << id;
    for (int id : kDevelopmentCommands) EXPECT_FALSE(h.Enabled(id)) << id;
    for (int id :
         {kCmdFileOpen, kCmdSplitWindow, kCmdSingleWindow, kCmdOpenHelp, kCmdResetToDefault, kCmdImportMesh})
        EXPECT_TRUE(h.Enabled(id)) << id;

    // A model without development: the model commands come on, the development ones stay off.
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteModelWithoutDevelopment(folder.File("plain.tsm"))));
    EXPECT_EQ(h.prompt.texts, std::vector<std::string>{"No data for development."});
    for (int id : kModelCommands) EXPECT_TRUE(h.Enabled(id)) << id;
    for (int id : kDevelopmentCommands) EXPECT_FALSE(h.Enabled(id)) << id;
    // The hidden mode commands follow the same rule.
    EXPECT_FALSE(h.Enabled(kCmdModeSelectMove));

    // A model with a development: everything.
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    for (int id : kModelCommands) EXPECT_TRUE(h.Enabled(id)) << id;
    for (int id : kDevelopmentCommands) EXPECT_TRUE(h.Enabled(id)) << id;
    EXPECT_TRUE(h.Enabled(kCmdModeSelectMove));
}

TEST(MainFrame, MenusToolbarAndAccelerators) {
    TempFolder folder;
    FrameHarness h(folder.path());
    QStringList menus;
    for (QAction* top : h.frame->menuBar()->actions()) menus << top->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "&Model", "&Configuration", "&Help"}));
    // Print Configuration appears in both menus under its two names.
    QStringList configuration;
    for (QAction* item : h.frame->menuBar()->actions().at(4)->menu()->actions())
        configuration << item->text();
    EXPECT_TRUE(configuration.contains("&Print Configuration..."));
    QStringList file;
    for (QAction* item : h.frame->menuBar()->actions().at(0)->menu()->actions()) file << item->text();
    EXPECT_TRUE(file.contains("Print &Configuration......"));
    EXPECT_TRUE(file.contains("Recently Used Files"));
    // Twelve buttons in table order, each with its own icon.
    QList<QAction*> buttons;
    for (QAction* action : h.frame->ToolBar()->actions())
        if (!action->isSeparator()) buttons << action;
    ASSERT_EQ(buttons.size(), kToolbarButtonCount);
    for (int i = 0; i < kToolbarButtonCount; ++i) {
        EXPECT_EQ(buttons[i], h.frame->CommandUi().Action(kToolbarCommands[i])) << i;
        EXPECT_FALSE(buttons[i]->icon().isNull()) << i;
    }
    EXPECT_EQ(buttons[7]->toolTip(), "Check Corresponding Face Ctrl+K");
    EXPECT_EQ(buttons[7]->statusTip(), "Check Corresponding Face");
    // The accelerator table, and no keys for the other modes.
    EXPECT_EQ(h.frame->CommandUi().Action(kCmdCheckFace)->shortcut(), QKeySequence("Ctrl+K"));
    EXPECT_EQ(h.frame->CommandUi().Action(kCmdEditCopy)->shortcut(), QKeySequence("Ctrl+C"));
    EXPECT_EQ(h.frame->CommandUi().Action(kCmdOpenHelp)->shortcut(), QKeySequence("F1"));
    EXPECT_TRUE(h.frame->CommandUi().Action(kCmdModeRotatePart)->shortcut().isEmpty());
    // Commands without a menu entry are still actions of the window.
    EXPECT_TRUE(h.frame->actions().contains(h.frame->CommandUi().Action(kCmdShowFlaps)));
}

TEST(MainFrame, TogglesShowTheirSwitchesAsCheckMarks) {
    TempFolder folder;
    FrameHarness h(folder.path());
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    const std::pair<int, bool Settings::*> toggles[] = {
        {kCmdEmphasizeOpenEdges, &Settings::bDrawOpenedModel},
        {kCmdTurnOnLight, &Settings::bTurnOnLight},
        {kCmdUseMaterials, &Settings::bUseMaterial},
        {kCmdShowEdgeId, &Settings::bDrawNumber},
        {kCmdShowPageNumber, &Settings::bDrawPageNumber},
        {kCmdColorFlaps, &Settings::bColorFlapWithFace},
    };
    for (const auto& [id, member] : toggles) {
        const bool before = h.frame->ViewSettings().*member;
        EXPECT_EQ(h.Checked(id), before) << id;
        h.Trigger(id);
        EXPECT_EQ(h.frame->ViewSettings().*member, !before) << id;
        EXPECT_EQ(h.Checked(id), !before) << id;
        // The toolbar button is the same action, so it shows the same state.
        h.Trigger(id);
        EXPECT_EQ(h.Checked(id), before) << id;
    }
    // "Hide Faces" is checked while faces are hidden.
    EXPECT_FALSE(h.Checked(kCmdHideFaces));
    h.Trigger(kCmdHideFaces);
    EXPECT_FALSE(h.frame->ViewSettings().bDrawFace);
    EXPECT_TRUE(h.Checked(kCmdHideFaces));
}

TEST(MainFrame, EditModeTogglesBackToNoneAndKeepsTheIdleText) {
    TempFolder folder;
    FrameHarness h(folder.path());
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    h.log2d->hints.clear();
    h.Trigger(kCmdCheckFace);
    EXPECT_EQ(h.frame->ViewSettings().editMode, EditMode::CheckFace);
    EXPECT_TRUE(h.Checked(kCmdCheckFace));
    h.Trigger(kCmdModeSelectMove);
    EXPECT_FALSE(h.Checked(kCmdCheckFace));
    EXPECT_TRUE(h.Checked(kCmdModeSelectMove));
    h.Trigger(kCmdModeSelectMove);
    EXPECT_EQ(h.frame->ViewSettings().editMode, EditMode::None);
    EXPECT_FALSE(h.Checked(kCmdModeSelectMove));
    EXPECT_EQ(h.log2d->hints, (std::vector<UpdateHint>{UpdateHint::ClearSelection, UpdateHint::ClearSelection,
                                                       UpdateHint::ClearSelection}));
    EXPECT_EQ(h.frame->MessagePane()->text(), "[3D Rot] L/R [3D Mov] Ctrl+R [2D Pan] L/R [Zoom] Wheel");
    // The accelerator reaches the command too.
    h.frame->show();
    QApplication::setActiveWindow(h.frame.get());
    QTest::keyClick(h.frame.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(h.frame->ViewSettings().editMode, EditMode::CheckFace);
}

TEST(MainFrame, UpdateHintsReachBothViews) {
    TempFolder folder;
    FrameHarness h(folder.path());
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    EXPECT_EQ(h.log3d->hints, std::vector<UpdateHint>{UpdateHint::NewModel});
    EXPECT_EQ(h.log2d->hints, std::vector<UpdateHint>{UpdateHint::NewModel});
    h.Trigger(kCmdResetViewPosition);
    h.Trigger(kCmdResetView);
    h.Trigger(kCmdShowFlaps);
    h.Trigger(kCmdTurnOnLight);
    const std::vector<UpdateHint> expected = {UpdateHint::NewModel,       UpdateHint::ResetCamera,
                                              UpdateHint::FitDevelopment, UpdateHint::FitDevelopment,
                                              UpdateHint::FlapsSwitched,  UpdateHint::Redraw};
    EXPECT_EQ(h.log3d->hints, expected);
    EXPECT_EQ(h.log2d->hints, expected);
    // Forwarded commands reach the development view's logic only.
    h.Trigger(kCmdPrint);
    h.Trigger(kCmdPrintPreview);
    EXPECT_EQ(h.log2d->commands, (std::vector<int>{kCmdPrint, kCmdPrintPreview}));
    EXPECT_TRUE(h.log3d->commands.empty());
    // A view's logic may run commands and send hints through its host.
    h.frame->View3D()->ExecuteCommand(kCmdResetView);
    EXPECT_EQ(h.log2d->hints.back(), UpdateHint::FitDevelopment);
}

TEST(MainFrame, FailedOpenKeepsTitleAndModel) {
    TempFolder folder;
    FrameHarness h(folder.path());
    EXPECT_EQ(h.frame->windowTitle(), "Untitled - TessalyVuvoza2");
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    EXPECT_EQ(h.frame->windowTitle(), "cube - TessalyVuvoza2");
    Document* opened = h.frame->Doc().Current();
    const std::vector<UpdateHint> hintsBefore = h.log3d->hints;

    // Missing file, wrong type and a damaged file: each shows its message and changes nothing.
    std::ofstream(folder.File("notes.txt")) << "text";
    std::ofstream(folder.File("broken.tsm")) << "version 3\ngarbage";
    h.prompt.texts.clear();
    EXPECT_FALSE(h.frame->OpenFromCommandLine(folder.File("missing.tsm")));
    EXPECT_FALSE(h.frame->OpenFromCommandLine(folder.File("notes.txt")));
    EXPECT_FALSE(h.frame->OpenFromCommandLine(folder.File("broken.tsm")));
    ASSERT_EQ(h.prompt.texts.size(), 3u);
    EXPECT_EQ(h.prompt.texts[0], "File does not exist.");
    EXPECT_EQ(h.prompt.texts[1], "Cannot load file of specified type.");
    EXPECT_EQ(h.frame->windowTitle(), "cube - TessalyVuvoza2");
    EXPECT_EQ(h.frame->Doc().Current(), opened);
    EXPECT_EQ(h.log3d->hints, hintsBefore);
    EXPECT_EQ(h.frame->RecentFiles().Files().size(), 1u);
}

TEST(MainFrame, StatusPanesFollowTheDocument) {
    TempFolder folder;
    FrameHarness h(folder.path());
    EXPECT_EQ(h.frame->MessagePane()->text(), "Open a file.");
    EXPECT_EQ(h.frame->SecondPane()->text(), "");
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    EXPECT_EQ(h.frame->MessagePane()->text(), "[3D Rot] L/R [3D Mov] Ctrl+R [2D Pan] L/R [Zoom] Wheel");
    EXPECT_EQ(h.frame->SecondPane()->text().toStdString(), AssembledSizeText(h.frame->Doc().Current()));
    EXPECT_TRUE(h.frame->SecondPane()->text().startsWith("Assembled size: Height "));
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteModelWithoutDevelopment(folder.File("plain.tsm"))));
    EXPECT_EQ(h.frame->MessagePane()->text(), "");
    EXPECT_EQ(h.frame->SecondPane()->text(), "");
}

TEST(MainFrame, SplitterHalvesAndSingleWindowUntilResize) {
    TempFolder folder;
    FrameHarness h(folder.path());
    h.frame->resize(800, 600);
    h.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(h.frame.get()));
    const int half = h.frame->width() / 2;
    EXPECT_NEAR(FirstColumn(*h.frame), half, 3);
    h.Trigger(kCmdSingleWindow);
    EXPECT_EQ(FirstColumn(*h.frame), 0);
    // A resize brings the 3D view back at half the new width.
    h.frame->resize(900, 600);
    QApplication::processEvents();
    EXPECT_NEAR(FirstColumn(*h.frame), 450, 3);
    h.Trigger(kCmdSingleWindow);
    h.Trigger(kCmdSplitWindow);
    EXPECT_NEAR(FirstColumn(*h.frame), 450, 3);
}

TEST(MainFrame, DroppedModelFileOpens) {
    TempFolder folder;
    FrameHarness h(folder.path());
    QMimeData data;
    data.setUrls({QUrl("https://example.org/remote.tsm"),
                  QUrl::fromLocalFile(QString::fromStdString(SamplePath("cube.tsm")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(h.frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(h.frame.get(), &drop);
    ASSERT_NE(h.frame->Doc().Current(), nullptr);
    EXPECT_EQ(h.frame->windowTitle(), "cube - TessalyVuvoza2");
    // Only remote URLs: not accepted.
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/remote.tsm")});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(h.frame.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST(MainFrame, RecentFilesMenuOpensAndHoldsTen) {
    TempFolder folder;
    FrameHarness h(folder.path());
    EXPECT_FALSE(h.frame->CommandUi().RecentMenu()->isEnabled());
    for (int i = 0; i < 11; ++i) {
        const std::string path = folder.File("m" + std::to_string(i) + ".tsm");
        std::filesystem::copy_file(SamplePath("cube.tsm"), path);
        ASSERT_TRUE(h.frame->OpenFromCommandLine(path));
    }
    QMenu* recent = h.frame->CommandUi().RecentMenu();
    EXPECT_TRUE(recent->isEnabled());
    ASSERT_EQ(recent->actions().size(), 10);
    EXPECT_TRUE(recent->actions()[0]->text().endsWith("m10.tsm"));
    // The next Open dialog starts where the last file came from.
    EXPECT_EQ(h.frame->AppSettings().sLastDataOpenedDir,
              std::filesystem::path(folder.path()).lexically_normal().string() + "/");
    // Choosing an entry opens it.
    recent->actions()[9]->trigger();
    EXPECT_EQ(h.frame->windowTitle(), "m1 - TessalyVuvoza2");
    EXPECT_TRUE(h.frame->CommandUi().RecentMenu()->actions()[0]->text().endsWith("m1.tsm"));
}

TEST(MainFrame, ObjectListSelectionSetsTheBoundFlag) {
    TempFolder folder;
    FrameHarness h(folder.path());
    // Without development: every solid, bound to inDevelopment.
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteModelWithoutDevelopment(folder.File("plain.tsm"))));
    h.Trigger(kCmdShowObjectList);
    ObjectListDialog* dialog = h.frame->ObjectList();
    EXPECT_TRUE(dialog->isVisible());
    QListWidget* list = dialog->List();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Box");
    EXPECT_TRUE(list->item(1)->isSelected());
    CMeshModel& model = *h.frame->Doc().Current()->model;
    h.log3d->hints.clear();
    // A click toggles one line and its flag, and redraws.
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

    // The list is rebuilt for the next document (which solids, and which flag, the binding's tests check).
    ASSERT_TRUE(h.frame->OpenFromCommandLine(WriteModelWithDevelopment(folder.File("dev.tsm"), "In")));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "In");
}

TEST(MainFrame, DocumentInfoShowsTheDevelopmentValues) {
    TempFolder folder;
    FrameHarness h(folder.path());
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("house.tsm")));
    const DevelopmentInfo expected = GetDevelopmentInfo(h.frame->Doc().Current(), h.frame->ViewSettings());
    bool seen = false;
    WhenModalOpens([&](QWidget* modal) {
        auto* info = dynamic_cast<DocumentInfoDialog*>(modal);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->windowTitle(), "Information");
        EXPECT_EQ(info->PaperTypeText().toStdString(), expected.paperType);
        EXPECT_EQ(info->FaceCountText(), QString::number(expected.faceCount));
        EXPECT_EQ(info->PartCountText(), "4");
        seen = true;
    });
    h.Trigger(kCmdDocumentInfo);
    EXPECT_TRUE(seen);
}

TEST(MainFrame, AboutDialogShowsTheVersion) {
    TempFolder folder;
    FrameHarness h(folder.path());
    bool seen = false;
    WhenModalOpens([&](QWidget* modal) {
        auto* version = modal->findChild<QLabel*>("version");
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), "Ver. 2.1.1");
        // The tests draw with the software rasterizer, through Mesa's surfaceless platform.
        auto* renderer = modal->findChild<QLabel*>("renderer");
        ASSERT_NE(renderer, nullptr);
        EXPECT_TRUE(renderer->text().startsWith("OpenGL: llvmpipe")) << renderer->text().toStdString();
        EXPECT_TRUE(renderer->text().endsWith("EGL surfaceless")) << renderer->text().toStdString();
        seen = true;
    });
    h.Trigger(kCmdVersionInfo);
    EXPECT_TRUE(seen);
}
