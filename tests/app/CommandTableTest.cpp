#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <set>

using namespace tsm;

namespace {

const CommandInfo& Command(CommandId id) {
    const CommandInfo* command = FindCommand(id);
    EXPECT_NE(command, nullptr) << id;
    static const CommandInfo none;
    return command ? *command : none;
}

} // namespace

TEST(CommandTable, EveryNumberOnceAndNoneForOthers) {
    std::set<CommandId> ids;
    for (const CommandInfo& command : CommandTable()) {
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
        EXPECT_NE(command.run, nullptr) << command.id;
    }
    EXPECT_EQ(FindCommand(CommandId::RecentFileFirst), nullptr);
    EXPECT_EQ(FindCommand(CommandId{12345}), nullptr);
}

TEST(CommandTable, RowsCarryTheirKeys) {
    // Bound keys, and what the menu shows after the tab; the window's tests check the bound keys reach it.
    const std::tuple<CommandId, const char*, const char*, const char*> rows[] = {
        {CommandId::EditRedo, "Ctrl+Y", "Ctrl+Y", "&Redo"},
        {CommandId::Exit, "", "", "E&xit"},
    };
    for (const auto& [id, bound, shown, label] : rows) {
        EXPECT_STREQ(Command(id).keys, bound) << id;
        EXPECT_EQ(MenuShortcutText(Command(id)), shown) << id;
        if (label) {
            EXPECT_EQ(MenuLabel(Command(id)), label) << id;
        }
    }
    EXPECT_STREQ(Command(CommandId::EditRedo).alternateKeys, "Ctrl+Shift+Z");
}
