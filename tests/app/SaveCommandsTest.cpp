#include "app/MainFrame.h"

#include "AppTestSupport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace tsm;
using namespace tsm::test;

namespace {

// A modified copy of the sample cube, opened in a fresh window.
struct ModifiedCube {
    TempFolder folder;
    std::unique_ptr<FrameHarness> h;
    std::string path;

    ModifiedCube() {
        path = folder.File("cube.tsm");
        std::filesystem::copy_file(SamplePath("cube.tsm"), path);
        h = std::make_unique<FrameHarness>(folder.path());
        EXPECT_TRUE(h->frame->OpenFromCommandLine(path));
        Doc().development->parts[0]->x += 10;
        Doc().modified = true;
        h->frame->RefreshCommandStates();
    }
    Document& Doc() { return *h->frame->Doc().Current(); }
};

void Drop(MainFrame& frame, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
}

} // namespace

TEST(SaveCommands, TitleMarksUnsavedChangesUntilSaved) {
    ModifiedCube c;
    EXPECT_EQ(c.h->frame->windowTitle(), "cube* - TessalyVuvoza2");
    c.h->Trigger(kCmdFileSave);
    EXPECT_TRUE(c.h->chooser.saveFilters.empty()) << "a file opened from disk saves without asking";
    EXPECT_FALSE(c.Doc().modified);
    EXPECT_EQ(c.h->frame->windowTitle(), "cube - TessalyVuvoza2");

    FrameHarness reopened(c.folder.path());
    ASSERT_TRUE(reopened.frame->OpenFromCommandLine(c.path));
    EXPECT_EQ(reopened.frame->Doc().Current()->development->parts[0]->x, c.Doc().development->parts[0]->x);
}

TEST(SaveCommands, SaveAsTakesTheChosenNameAndAFailureKeepsTheMark) {
    ModifiedCube c;
    c.h->chooser.answers = {"/proc/self/cube.tsm", c.folder.File("copy.tsm")};
    c.h->Trigger(kCmdFileSaveAs);
    ASSERT_EQ(c.h->prompt.texts.size(), 1u);
    EXPECT_EQ(c.h->prompt.texts[0].rfind("Could not save /proc/self/cube.tsm.\n", 0), 0u)
        << c.h->prompt.texts[0];
    EXPECT_TRUE(c.Doc().modified);
    EXPECT_EQ(c.h->chooser.suggestedPaths.back(), c.path);

    c.h->Trigger(kCmdFileSaveAs);
    EXPECT_FALSE(c.Doc().modified);
    EXPECT_TRUE(std::filesystem::exists(c.folder.File("copy.tsm")));
    EXPECT_EQ(c.h->frame->windowTitle(), "copy - TessalyVuvoza2");
    EXPECT_EQ(c.h->frame->Doc().SavePath(), c.folder.File("copy.tsm"));
}

TEST(SaveCommands, UnsavedChangesAreAskedAboutBeforeTheDocumentIsSetAside) {
    const std::string other = SamplePath("house.tsm");
    const struct {
        const char* name;
        std::function<void(ModifiedCube&)> replace;
    } ways[] = {
        {"open",
         [&](ModifiedCube& c) {
             c.h->chooser.answers = {other};
             c.h->Trigger(kCmdFileOpen);
         }},
        {"import mesh",
         [&](ModifiedCube& c) {
             c.h->chooser.answers = {std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/icosahedron.off"};
             c.h->Trigger(kCmdImportMesh);
         }},
        {"drop", [&](ModifiedCube& c) { Drop(*c.h->frame, other); }},
        {"recent file", [&](ModifiedCube& c) { c.h->frame->Commands().OpenRecentFile(0); }},
        {"close", [&](ModifiedCube& c) { c.h->frame->close(); }},
        // The window manager's close button comes through the platform window, not through QWidget::close.
        {"window manager",
         [&](ModifiedCube& c) {
             c.h->frame->show();
             ASSERT_NE(c.h->frame->windowHandle(), nullptr);
             c.h->frame->windowHandle()->close();
         }},
    };
    for (const auto& way : ways) {
        // Cancel keeps the document, edits and all.
        ModifiedCube cancelled;
        cancelled.h->prompt.threeWayAnswer = PromptAnswer::Cancel;
        Document* before = &cancelled.Doc();
        way.replace(cancelled);
        EXPECT_EQ(cancelled.h->prompt.texts, std::vector<std::string>{"Save changes to cube?"}) << way.name;
        EXPECT_EQ(cancelled.h->frame->Doc().Current(), before) << way.name;
        EXPECT_TRUE(cancelled.Doc().modified) << way.name;

        // No lets it go unsaved; Yes saves it first.
        for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
            ModifiedCube c;
            c.h->prompt.threeWayAnswer = answer;
            const double moved = c.Doc().development->parts[0]->x;
            way.replace(c);
            EXPECT_EQ(c.h->prompt.texts.front(), "Save changes to cube?") << way.name;
            FrameHarness reopened(c.folder.path());
            ASSERT_TRUE(reopened.frame->OpenFromCommandLine(c.path));
            const double stored = reopened.frame->Doc().Current()->development->parts[0]->x;
            EXPECT_EQ(stored == moved, answer == PromptAnswer::Yes) << way.name;
        }
    }
}

TEST(SaveCommands, NothingIsAskedWithoutUnsavedChanges) {
    TempFolder folder;
    FrameHarness h(folder.path());
    ASSERT_TRUE(h.frame->OpenFromCommandLine(SamplePath("cube.tsm")));
    Drop(*h.frame, SamplePath("house.tsm"));
    EXPECT_TRUE(h.prompt.texts.empty());
    EXPECT_EQ(h.frame->Doc().Title(), "house");
}
