// What the window says when a command cannot do what was asked, one row each: the situation, the command,
// and the exact words of the one message box shown.
#include "app/CommandController.h"

#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace tsm {
namespace {

using namespace test;

struct Window : ControllerTest {
    void TestBody() override {}
};

struct Row {
    const char* name;
    std::function<void(Window&)> run;
    std::string message;
};

TEST(AppFailures, RefusedCommandsSayWhyInOneMessage) {
    const Row rows[] = {
        {"texture without materials",
         [](Window& w) {
             w.Open(SamplePath("cube.tsm"));
             w.controller.SetExternalHandler(CommandId::TextureConfiguration, [] { ADD_FAILURE(); });
             w.controller.Execute(CommandId::TextureConfiguration);
         },
         "There are no material data. Texture can not be set."},
        {"help file missing",
         [](Window& w) {
             w.controller.Execute(CommandId::OpenHelp);
             EXPECT_TRUE(w.shell.urls.empty());
         },
         "Cannot find help file."},
        // The desktop failing to open it is reported the same way.
        {"help not opened",
         [](Window& w) {
             std::filesystem::create_directories(w.folder.path() + "/bin/help");
             std::ofstream(w.folder.path() + "/bin/help/index.html") << "<html></html>";
             w.shell.succeed = false;
             w.controller.Execute(CommandId::OpenHelp);
         },
         "Cannot find help file."},
        {"web page without a server", [](Window& w) { w.controller.Execute(CommandId::WebPage); },
         kMessageNoWebPage},
        {"missing mesh",
         [](Window& w) {
             w.Open(SamplePath("cube.tsm"));
             EXPECT_FALSE(w.controller.OpenPath(w.folder.File("missing.stl")));
             EXPECT_NE(w.document.Current()->development, nullptr);
         },
         "File does not exist."},
        // Refused before the unsaved changes are asked about.
        {"dropped file of an unknown type",
         [](Window& w) {
             w.Open(SamplePath("cube.tsm"));
             w.document.Current()->modified = true;
             EXPECT_FALSE(w.controller.OpenReplacing(w.folder.File("notes.txt")));
         },
         "Cannot load file of specified type."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Window w;
        row.run(w);
        EXPECT_EQ(w.prompt.texts, std::vector<std::string>{row.message});
    }
}

} // namespace
} // namespace tsm
