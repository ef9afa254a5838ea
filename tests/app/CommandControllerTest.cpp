#include "app/CommandController.h"

#include "AppTestSupport.h"
#include "engine/EngineCompletion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace tsm;
using namespace tsm::test;

namespace {

class CommandControllerTest : public ControllerTest {};

} // namespace

TEST_F(CommandControllerTest, TextureConfigurationOpensWithMaterials) {
    int shown = 0;
    controller.SetExternalHandler(CommandId::TextureConfiguration, [&shown] { ++shown; });
    Open(SamplePath("house.tsm"));
    controller.Execute(CommandId::TextureConfiguration);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_EQ(shown, 1);
}

TEST_F(CommandControllerTest, HelpOpensThePage) {
    std::filesystem::create_directories(folder.path() + "/bin/help");
    std::ofstream(folder.path() + "/bin/help/index.html") << "<html></html>";
    controller.Execute(CommandId::OpenHelp);
    ASSERT_EQ(shell.urls.size(), 1u);
    EXPECT_EQ(shell.urls[0], "file://" + folder.path() + "/bin/help/index.html");
    EXPECT_TRUE(prompt.texts.empty());
    // The window may show the page itself, even where the desktop fails.
    shell.succeed = false;
    frame.helpWindowShows = true;
    controller.Execute(CommandId::OpenHelp);
    EXPECT_TRUE(prompt.texts.empty());
    EXPECT_EQ(frame.calls.back(), "help " + folder.path() + "/bin/help/index.html");

    // The web page is the update server's site.
    settings.updateServerUrl = "https://updates.example/base/";
    controller.Execute(CommandId::WebPage);
    EXPECT_EQ(shell.urls.back(), "https://updates.example/");
}

TEST_F(CommandControllerTest, MeshesOpenAsNewModelsThroughOpenDropAndCommandLine) {
    const std::string mesh = std::string(TESSALY_SOURCE_DIR) + "/tests/data/meshes/cube_quad.off";
    // The Open dialog starts in the last folder; cancelled, nothing opens.
    settings.lastModelFolder = folder.path();
    controller.Execute(CommandId::FileOpen);
    EXPECT_EQ(chooser.startFolders.at(0), folder.path());
    EXPECT_EQ(document.Current(), nullptr);
    // Chosen: imported, asked about joining edges, no development yet.
    chooser.answers.push_back(mesh);
    controller.Execute(CommandId::FileOpen);
    ASSERT_NE(document.Current(), nullptr);
    EXPECT_EQ(document.Current()->model->solids.at(0)->faces.size(), 6u);
    EXPECT_EQ(document.Current()->development, nullptr);
    EXPECT_TRUE(document.Current()->modified);
    EXPECT_NE(std::find(prompt.texts.begin(), prompt.texts.end(), "Join Adjacent Isolated Edges?"),
              prompt.texts.end());
    // Dropped or named on the command line (both go through OpenPath), whatever the extension's case.
    const std::string upper = folder.File("CUBE.OFF");
    std::filesystem::copy_file(mesh, upper);
    Open(SamplePath("cube.tsm"));
    ASSERT_NE(document.Current()->development, nullptr);
    EXPECT_TRUE(controller.OpenPath(upper));
    EXPECT_EQ(document.Current()->development, nullptr);
    // A model file still opens as one.
    EXPECT_TRUE(controller.OpenPath(SamplePath("cube.tsm")));
    EXPECT_NE(document.Current()->development, nullptr);
}

TEST_F(CommandControllerTest, RecentFileThatFailsLeavesTheList) {
    recent.Add(folder.File("gone.tsm"));
    recent.Add(SamplePath("cube.tsm"));
    controller.OpenRecentFile(1);
    EXPECT_EQ(prompt.texts, std::vector<std::string>{"File does not exist."});
    EXPECT_EQ(recent.Files(), std::vector<std::string>{SamplePath("cube.tsm")});
    EXPECT_EQ(frame.calls, std::vector<std::string>{"recent"});
    controller.OpenRecentFile(5); // past the end: nothing
    EXPECT_EQ(prompt.texts.size(), 1u);
}

TEST_F(CommandControllerTest, WindowCommandsAndResetToDefault) {
    Open(SamplePath("cube.tsm"));
    int colours = 0;
    controller.SetExternalHandler(CommandId::ColorConfiguration, [&colours] { ++colours; });
    for (CommandId id : {CommandId::SplitWindow, CommandId::SingleWindow, CommandId::ShowObjectList,
                         CommandId::DocumentInfo, CommandId::VersionInfo, CommandId::Print,
                         CommandId::ViewToolbar, CommandId::ColorConfiguration, CommandId::Exit})
        controller.Execute(id);
    EXPECT_EQ(colours, 1);
    // A command the window has not installed is off, so it never runs half way.
    EXPECT_FALSE(controller.HasHandler(CommandId::OtherConfigurations));
    EXPECT_FALSE(controller.IsEnabled(CommandId::OtherConfigurations));
    controller.Execute(CommandId::OtherConfigurations);
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"split", "single", "objects", "info", "about",
                                                     "forward 57607", "bar 59392", "hint 0", "close"}));
    RecordingPrompt refuse(false);
    CommandController refusing(
        CommandServices{document, settings, session, refuse, shell, chooser, completion, frame, recent, ""});
    refusing.Execute(CommandId::ResetToDefault);
    EXPECT_EQ(refuse.texts.size(), 1u);
    EXPECT_FALSE(session.resetPending());
}

TEST_F(CommandControllerTest, DisabledCommandsDoNothing) {
    const bool light = Shown().lighting;
    controller.Execute(CommandId::TurnOnLight);
    controller.Execute(CommandId::CheckFace);
    controller.Execute(CommandId::TextureConfiguration);
    controller.Execute(CommandId{99999}); // not a command
    EXPECT_EQ(Shown().lighting, light);
    EXPECT_EQ(Shown().editMode, EditMode::None);
    EXPECT_TRUE(frame.calls.empty());
    EXPECT_TRUE(prompt.texts.empty());
}

TEST_F(CommandControllerTest, ImportAddsTheSecondFile) {
    Open(SamplePath("cube.tsm"));
    const size_t solids = document.Current()->model->solids.size();
    chooser.answers.push_back(SamplePath("cube.tsm"));
    controller.Execute(CommandId::ImportModel);
    EXPECT_EQ(document.Current()->model->solids.size(), 2 * solids);
}
