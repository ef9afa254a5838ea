#include "app/MainFrame.h"

#include "AppTestSupport.h"

#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace tsm;
using namespace tsm::test;

namespace {

// A modified copy of the sample cube, opened in a fresh window.
struct ModifiedCube : FrameHarness {
    ModifiedCube() : path(folder.File("cube.tsm")) {
        std::filesystem::copy_file(SamplePath("cube.tsm"), path);
        EXPECT_TRUE(frame->OpenFromCommandLine(path));
        Doc().development->parts[0]->x += 10;
        Doc().modified = true;
        frame->RefreshCommandStates();
    }
    Document& Doc() { return *frame->Doc().Current(); }
    // Where the first part lies in the file as another window reads it.
    double StoredX() {
        FrameHarness reopened;
        EXPECT_TRUE(reopened.frame->OpenFromCommandLine(path));
        return reopened.frame->Doc().Current()->development->parts[0]->x;
    }
    std::string path;
};

void Drop(MainFrame& frame, const std::string& path) {
    DropUrls(frame, {QUrl::fromLocalFile(QString::fromStdString(path))});
}

} // namespace

TEST(SaveCommands, SaveKeepsTheNameSaveAsTakesTheChosenOneAndAFailureKeepsTheMark) {
    ModifiedCube c;
    EXPECT_EQ(c.frame->windowTitle(), "cube* - Tessaly");
    // A file opened from disk saves without asking.
    c.Trigger(CommandId::FileSave);
    EXPECT_TRUE(c.chooser.saveFilters.empty());
    EXPECT_FALSE(c.Doc().modified);
    EXPECT_EQ(c.frame->windowTitle(), "cube - Tessaly");
    EXPECT_EQ(c.StoredX(), c.Doc().development->parts[0]->x);

    c.Doc().modified = true;
    c.chooser.answers = {"/proc/self/cube.tsm", c.folder.File("copy.tsm")};
    c.Trigger(CommandId::FileSaveAs);
    ASSERT_EQ(c.prompt.texts.size(), 1u);
    EXPECT_EQ(c.prompt.texts[0].rfind("Could not save /proc/self/cube.tsm.\n", 0), 0u) << c.prompt.texts[0];
    EXPECT_TRUE(c.Doc().modified);
    EXPECT_EQ(c.chooser.suggestedPaths.back(), c.path);
    c.Trigger(CommandId::FileSaveAs);
    EXPECT_FALSE(c.Doc().modified);
    EXPECT_TRUE(std::filesystem::exists(c.folder.File("copy.tsm")));
    EXPECT_EQ(c.frame->windowTitle(), "copy - Tessaly");
    EXPECT_EQ(c.frame->Doc().SavePath(), c.folder.File("copy.tsm"));
}

TEST(SaveCommands, UnsavedChangesAreAskedAboutBeforeTheDocumentIsSetAside) {
    const std::string other = SamplePath("house.tsm");
    const struct {
        const char* name;
        std::function<void(ModifiedCube&)> replace;
    } ways[] = {
        {"open",
         [&](ModifiedCube& c) {
             c.chooser.answers = {other};
             c.Trigger(CommandId::FileOpen);
         }},
        {"import mesh",
         [&](ModifiedCube& c) {
             c.chooser.answers = {std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/icosahedron.off"};
             c.Trigger(CommandId::ImportMesh);
         }},
        {"drop", [&](ModifiedCube& c) { Drop(*c.frame, other); }},
        {"recent file", [&](ModifiedCube& c) { c.frame->Commands().OpenRecentFile(0); }},
        // The window manager's close button comes through the platform window, not through QWidget::close.
        {"window manager",
         [&](ModifiedCube& c) {
             c.frame->show();
             ASSERT_NE(c.frame->windowHandle(), nullptr);
             c.frame->windowHandle()->close();
         }},
    };
    for (const auto& way : ways) {
        // Cancel keeps the document, edits and all.
        ModifiedCube cancelled;
        cancelled.prompt.threeWayAnswer = PromptAnswer::Cancel;
        Document* before = &cancelled.Doc();
        way.replace(cancelled);
        EXPECT_EQ(cancelled.prompt.texts, std::vector<std::string>{"Save changes to cube?"}) << way.name;
        EXPECT_EQ(cancelled.frame->Doc().Current(), before) << way.name;
        EXPECT_TRUE(cancelled.Doc().modified) << way.name;

        // No lets it go unsaved; Yes saves it first.
        for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
            ModifiedCube c;
            c.prompt.threeWayAnswer = answer;
            const double moved = c.Doc().development->parts[0]->x;
            way.replace(c);
            EXPECT_EQ(c.prompt.texts.front(), "Save changes to cube?") << way.name;
            const double stored = c.StoredX();
            EXPECT_EQ(stored == moved, answer == PromptAnswer::Yes) << way.name;
        }
    }
}
