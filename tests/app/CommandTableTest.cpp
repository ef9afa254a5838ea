#include "app/CommandTable.h"

#include "app/StatusTexts.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using namespace tsm;

namespace {

const CommandInfo& Command(CommandId id) {
    const CommandInfo* command = FindCommand(id);
    EXPECT_NE(command, nullptr) << id;
    static const CommandInfo none;
    return command ? *command : none;
}

// The key combinations a text names: "Ctrl+K", "Ctrl+Shift+S", "F1", "Del".
std::vector<std::string> NamedKeys(const std::string& text) {
    static const std::regex keys(
        R"((?:(?:Ctrl|Shift|Alt)\+)+(?:F[0-9]+|Del|[A-Z0-9])\b|\bF[0-9]+\b|\bDel\b)");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), keys); it != std::sregex_iterator(); ++it)
        found.push_back(it->str());
    return found;
}

} // namespace

TEST(CommandTable, EveryShortcutATextShowsIsBound) {
    std::set<std::string> bound;
    for (const CommandInfo& command : CommandTable())
        for (const char* keys : {command.keys, command.alternateKeys})
            if (*keys) bound.insert(keys);
    std::vector<std::string> statusTexts = {kStatusNavigationHint, kStatusOpenFile};
    for (const CommandInfo& command : CommandTable()) {
        // The menu shows the row's own keys after the tab; the tooltip names them too.
        for (const std::string& text : {MenuShortcutText(command), std::string(command.tooltip)})
            for (const std::string& keys : NamedKeys(text)) EXPECT_EQ(keys, command.keys) << command.id;
        statusTexts.push_back(command.hint);
    }
    // A status text may name any command's keys. There L and R are the mouse buttons: "Shift+R" is a chord.
    for (const std::string& text : statusTexts)
        for (const std::string& keys : NamedKeys(text))
            if (keys.back() != 'L' && keys.back() != 'R') {
                EXPECT_EQ(bound.count(keys), 1u) << text;
            }
    EXPECT_EQ(NamedKeys("Save &As...\tCtrl+Shift+S [Zoom] Shift+R F1 Delete"),
              (std::vector<std::string>{"Ctrl+Shift+S", "Shift+R", "F1"}));
}

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
    EXPECT_EQ(MenuLabel(Command(CommandId::ImportModel)), "TSM File Import");
    EXPECT_EQ(MenuLabel(Command(CommandId::PrintConfiguration)), "Print &Configuration...");
    EXPECT_EQ(MenuLabel(Command(CommandId::SingleWindow)), "Show Only the Development");
    EXPECT_EQ(MenuLabel(Command(CommandId::WebPage)), "Tessaly's &Webpage...");
}
