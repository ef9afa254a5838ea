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

// What a person reads in menus, hints and tooltips: no misspelt word, no internal window name, and the
// program called by one name.
TEST(CommandTable, LabelsReadAsWords) {
    const char* const wrong[] = {
        "Inport",          "......",        "montain", "difine",  "the corresponding between",
        "2DPatternWindow", "3DModelWindow", "Vuvoza",  "Designer"};
    for (const CommandInfo& command : CommandTable()) {
        for (const char* text : {command.text, command.hint, command.tooltip}) {
            for (const char* word : wrong)
                EXPECT_EQ(std::string(text).find(word), std::string::npos) << command.id << ": " << text;
        }
    }
    EXPECT_EQ(MenuLabel(Command(kCmdImportModel)), "TSM File Import");
    EXPECT_EQ(MenuLabel(Command(kCmdPrintConfiguration)), "Print &Configuration...");
    EXPECT_EQ(MenuLabel(Command(kCmdSingleWindow)), "Show Only the Development");
    EXPECT_EQ(MenuLabel(Command(kCmdWebPage)), "Tessaly's &Webpage...");
}
