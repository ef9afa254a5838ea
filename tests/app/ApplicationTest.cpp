#include "app/Application.h"

#include "AppTestSupport.h"
#include "app/FrameProfile.h"

#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace tsm;
using namespace tsm::test;

namespace {

// A start of the program with recorders in place of the desktop; the settings live in `folder`.
struct Start {
    Start(const TempFolder& folder, std::vector<std::string> arguments, bool answer = true) : prompt(answer) {
        FrameServices services;
        services.prompt = &prompt;
        services.shell = &shell;
        services.chooser = &chooser;
        services.showSplash = false;
        services.programDir = folder.path() + "/bin/";
        app = std::make_unique<Application>(services, folder.File("config/settings.reg"));
        arguments.insert(arguments.begin(), "tessaly");
        started = app->InitInstance(arguments);
    }
    MainFrame& frame() { return *app->Frame(); }

    RecordingPrompt prompt;
    RecordingShell shell;
    ScriptedChooser chooser;
    std::unique_ptr<Application> app;
    bool started = false;
};

SettingsStore ReadStoreFile(const std::string& path) {
    SettingsStore store;
    const Result<size_t> loaded = store.LoadFile(path);
    EXPECT_TRUE(loaded.ok()) << loaded.reason();
    return store;
}

bool StoredBool(const SettingsStore& store, const char* key, const char* name) {
    StoredValue value;
    EXPECT_TRUE(store.QueryValue(key, name, &value)) << name;
    return value.bytes.size() == 1 && value.bytes[0] != 0;
}

} // namespace

TEST(Application, CommandLinePathsOpenOnceWhetherQuotedOrSplitAtBlanks) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() + "/my models");
    const std::string plain = folder.path() + "/my models/plain model.tsm";
    WriteModelWithoutDevelopment(plain);
    std::filesystem::copy_file(SamplePath("cube.tsm"), folder.path() + "/my models/cube copy.tsm");
    const struct {
        std::vector<std::string> arguments;
        const char* title;
        std::vector<std::string> texts;
    } rows[] = {
        {{"\"" + plain + "\""}, "plain model - Tessaly", {"No data for development."}},
        // The shell split the path at its blanks; the pieces are joined again.
        {{folder.path() + "/my", "models/cube", "copy.tsm"}, "cube copy - Tessaly", {}},
    };
    for (const auto& row : rows) {
        TempFolder settings;
        Start start(settings, row.arguments);
        ASSERT_TRUE(start.started);
        EXPECT_EQ(start.frame().windowTitle(), row.title);
        EXPECT_EQ(start.prompt.texts, row.texts);
    }
}

TEST(Application, SettingsWrittenAtCloseAreReadAtTheNextStartUntilAReset) {
    TempFolder folder;
    const std::string storePath = folder.File("config/settings.reg");
    QRect placed;
    {
        Start first(folder, {SamplePath("cube.tsm")});
        first.frame().CommandUi().Action(CommandId::EmphasizeOpenEdges)->trigger();
        first.frame().CommandUi().Action(CommandId::ViewToolbar)->trigger();
        first.frame().setGeometry(QRect(40, 50, 720, 480));
        placed = first.frame().geometry();
        first.frame().close();
    }
    const SettingsStore store = ReadStoreFile(storePath);
    EXPECT_FALSE(StoredBool(store, kSettingsKeyPath, "bFirstLaunch"));
    EXPECT_FALSE(StoredBool(store, kOptionsKeyPath, "bDrawOpenedModel"));
    const WindowPlacement placement = ReadWindowPlacement(store);
    EXPECT_EQ(placement.left, placed.left());
    EXPECT_EQ(placement.right, placed.left() + placed.width());
    EXPECT_EQ(placement.show, kShowNormal);

    {
        Start second(folder, {});
        EXPECT_FALSE(second.frame().AppSettings().firstLaunch);
        EXPECT_FALSE(second.frame().AppSettings().drawModelOnOpen);
        EXPECT_EQ(second.frame().geometry(), placed);
        // The edit modes' bar follows View > Toolbar, both ways.
        EXPECT_TRUE(second.frame().ToolBar()->isHidden());
        EXPECT_TRUE(second.frame().ModeToolBar()->isHidden());
        EXPECT_FALSE(second.frame().CommandUi().Action(CommandId::ViewToolbar)->isChecked());
        second.frame().CommandUi().Action(CommandId::ViewToolbar)->trigger();
        EXPECT_FALSE(second.frame().ModeToolBar()->isHidden());
        EXPECT_TRUE(second.frame().CommandUi().Action(CommandId::ViewToolbar)->isChecked());
        ASSERT_EQ(second.frame().RecentFiles().Files().size(), 1u);
        EXPECT_EQ(second.frame().RecentFiles().Files()[0],
                  std::filesystem::path(SamplePath("cube.tsm")).lexically_normal().string());
        // Reset to Default: until the program ends the settings stay as they are.
        second.frame().CommandUi().Action(CommandId::ResetToDefault)->trigger();
        EXPECT_EQ(second.prompt.texts.back(),
                  "Reset configurations to default?\n(Changes are applied after restart)");
        EXPECT_FALSE(second.frame().AppSettings().drawModelOnOpen);
        second.frame().close();
    }
    // Only the first-launch mark outlives the reset; the next start runs on the compiled-in values.
    const SettingsStore reset = ReadStoreFile(storePath);
    EXPECT_FALSE(reset.KeyExists(kOptionsKeyPath));
    EXPECT_FALSE(reset.KeyExists(FrameworkKeyPath() + "Window"));
    EXPECT_FALSE(reset.KeyExists(FrameworkKeyPath() + "ControlBars"));
    EXPECT_FALSE(StoredBool(reset, kSettingsKeyPath, "bFirstLaunch"));
    Start third(folder, {});
    EXPECT_TRUE(third.frame().AppSettings().drawModelOnOpen);
}
