#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <set>

using namespace tsm;

namespace {

const CommandInfo& Command(int id) {
    const CommandInfo* command = FindCommand(id);
    EXPECT_NE(command, nullptr) << id;
    static const CommandInfo none;
    return command ? *command : none;
}

} // namespace

TEST(CommandTable, EveryNumberOnceAndNoneForOthers) {
    std::set<int> ids;
    for (const CommandInfo& command : CommandTable())
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
    EXPECT_EQ(FindCommand(kCmdRecentFileFirst), nullptr);
    EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST(CommandTable, OnlyTheAcceleratorTableHasKeys) {
    // Bound keys, and what the menu shows after the tab; the window's tests check the bound keys reach it.
    const std::tuple<int, const char*, const char*, const char*> rows[] = {
        {kCmdFileSaveAs, "Ctrl+Shift+S", "Ctrl+Shift+S", "Save &As..."},
        // The other modes only show their keys; binding them would take Ctrl+R from the 3D view's move.
        {kCmdModeRotatePart, "", "Ctrl+R", nullptr},
        {kCmdExit, "", "", "E&xit"},
    };
    for (const auto& [id, bound, shown, label] : rows) {
        EXPECT_EQ(AcceleratorKeys(id), bound) << id;
        EXPECT_EQ(MenuShortcutText(Command(id)), shown) << id;
        if (label) {
            EXPECT_EQ(MenuLabel(Command(id)), label) << id;
        }
    }
}

TEST(CommandTable, CheckMarks) {
    // "Show Faces" shows its switch as it is, "Hide Faces" inverts it, plain commands never show a mark.
    Settings settings;
    for (const bool faces : {true, false}) {
        settings.bDrawFace = faces;
        EXPECT_EQ(IsCommandChecked(Command(kCmdShowFaces), settings), faces);
        EXPECT_EQ(IsCommandChecked(Command(kCmdHideFaces), settings), !faces);
        EXPECT_FALSE(IsCommandChecked(Command(kCmdFileOpen), settings));
    }
}
