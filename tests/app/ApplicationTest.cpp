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
    std::string error;
    EXPECT_TRUE(store.LoadFile(path, &error)) << error;
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
        // Read once: its one message appears once.
        {{"\"" + plain + "\""}, "plain model - TessalyVuvoza2", {"No data for development."}},
        // The shell split the path at its blanks; the pieces are joined again.
        {{folder.path() + "/my", "models/cube", "copy.tsm"}, "cube copy - TessalyVuvoza2", {}},
        {{}, "Untitled - TessalyVuvoza2", {}},
    };
    for (const auto& row : rows) {
        TempFolder settings;
        Start start(settings, row.arguments);
        ASSERT_TRUE(start.started);
        EXPECT_TRUE(start.frame().isVisible());
        EXPECT_EQ(start.frame().windowTitle(), row.title);
        EXPECT_EQ(start.prompt.texts, row.texts);
    }
}

TEST(Application, SettingsWrittenAtCloseAreReadAtTheNextStart) {
    TempFolder folder;
    const std::string storePath = folder.File("config/settings.reg");
    QRect placed;
    {
        Start first(folder, {SamplePath("cube.tsm")});
        // A first start with no stored values runs on the defaults.
        EXPECT_TRUE(first.frame().AppSettings().bFirstLaunch);
        EXPECT_TRUE(first.frame().AppSettings().bDrawOpenedModel);
        first.frame().CommandUi().Action(kCmdEmphasizeOpenEdges)->trigger();
        first.frame().CommandUi().Action(kCmdViewToolbar)->trigger();
        first.frame().setGeometry(QRect(40, 50, 720, 480));
        placed = first.frame().geometry();
        first.frame().close();
    }
    // Both keys and the window's values are in the file.
    const SettingsStore store = ReadStoreFile(storePath);
    EXPECT_FALSE(StoredBool(store, kSettingsKeyPath, "bFirstLaunch"));
    EXPECT_FALSE(StoredBool(store, kOptionsKeyPath, "bDrawOpenedModel"));
    const WindowPlacement placement = ReadWindowPlacement(store);
    EXPECT_EQ(placement.left, placed.left());
    EXPECT_EQ(placement.right, placed.left() + placed.width());
    EXPECT_EQ(placement.show, kShowNormal);
    BarState bars;
    ASSERT_TRUE(ReadBarState(store, &bars));
    EXPECT_FALSE(bars.toolbarVisible);

    // The next start reads them back.
    Start second(folder, {});
    EXPECT_FALSE(second.frame().AppSettings().bFirstLaunch);
    EXPECT_FALSE(second.frame().AppSettings().bDrawOpenedModel);
    EXPECT_EQ(second.frame().geometry(), placed);
    // The edit modes' bar follows View > Toolbar, both ways.
    EXPECT_TRUE(second.frame().ToolBar()->isHidden());
    EXPECT_TRUE(second.frame().ModeToolBar()->isHidden());
    EXPECT_FALSE(second.frame().CommandUi().Action(kCmdViewToolbar)->isChecked());
    second.frame().CommandUi().Action(kCmdViewToolbar)->trigger();
    EXPECT_FALSE(second.frame().ModeToolBar()->isHidden());
    EXPECT_TRUE(second.frame().CommandUi().Action(kCmdViewToolbar)->isChecked());
    ASSERT_EQ(second.frame().RecentFiles().Files().size(), 1u);
    EXPECT_EQ(second.frame().RecentFiles().Files()[0],
              std::filesystem::path(SamplePath("cube.tsm")).lexically_normal().string());
}

TEST(Application, ResetToDefaultTakesEffectAtTheNextStart) {
    TempFolder folder;
    const std::string storePath = folder.File("config/settings.reg");
    {
        Start first(folder, {SamplePath("cube.tsm")});
        first.frame().close(); // stores every key
    }
    {
        Start second(folder, {SamplePath("cube.tsm")});
        second.frame().CommandUi().Action(kCmdEmphasizeOpenEdges)->trigger();
        second.frame().CommandUi().Action(kCmdResetToDefault)->trigger();
        EXPECT_EQ(second.prompt.texts.back(),
                  "Reset configurations to default?\n(Changes are applied after restart)");
        // Until the program ends the settings stay as they are.
        EXPECT_FALSE(second.frame().AppSettings().bDrawOpenedModel);
        second.frame().close();
    }
    const SettingsStore store = ReadStoreFile(storePath);
    EXPECT_FALSE(store.KeyExists(kOptionsKeyPath));
    EXPECT_FALSE(store.KeyExists(FrameworkKeyPath() + "Window"));
    EXPECT_FALSE(store.KeyExists(FrameworkKeyPath() + "ControlBars"));
    EXPECT_TRUE(store.KeyExists(kSettingsKeyPath));
    EXPECT_FALSE(StoredBool(store, kSettingsKeyPath, "bFirstLaunch"));

    // A new process starts from the compiled-in values; nothing stored overrides them any more.
    Start third(folder, {});
    EXPECT_TRUE(third.frame().AppSettings().bDrawOpenedModel);
}

TEST(Application, RefusedResetChangesNothing) {
    TempFolder folder;
    {
        Start first(folder, {SamplePath("cube.tsm")}, /*answer=*/false);
        first.frame().CommandUi().Action(kCmdEmphasizeOpenEdges)->trigger();
        first.frame().CommandUi().Action(kCmdResetToDefault)->trigger();
        first.frame().close();
    }
    const SettingsStore store = ReadStoreFile(folder.File("config/settings.reg"));
    EXPECT_TRUE(store.KeyExists(kOptionsKeyPath));
    EXPECT_FALSE(StoredBool(store, kOptionsKeyPath, "bDrawOpenedModel"));
    EXPECT_FALSE(ReadWindowPlacement(store).IsEmpty());
}
