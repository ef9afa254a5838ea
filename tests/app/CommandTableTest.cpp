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

TEST(CommandTable, MenuTextsAreTheSystemsOwn) {
    // The menus show these texts character for character, accelerators after the tab.
    const std::pair<int, const char*> texts[] = {
        {kCmdFileOpen, "&Open...\tCtrl+O"},
        {kCmdCopyDevelopment, "Copy &Development to Clipboard..."},
        {kCmdDocumentInfo, "Document Info..."},
        {kCmdPrintConfiguration, "Print &Configuration......"},
        {kCmdPrint, "&Print...\tCtrl+P"},
        {kCmdPrintPreview, "Print Pre&view..."},
        {kCmdPrinterSetup, "P&rinter Setup..."},
        {kCmdExit, "E&xit"},
        {kCmdEmphasizeOpenEdges, "Em&phasize Open Edges"},
        {kCmdTurnOnLight, "&Turn On Light"},
        {kCmdUseMaterials, "Use &Materials for Faces"},
        {kCmdShowEdgeId, "Show &Edge ID"},
        {kCmdShowPageNumber, "Show &Page Number"},
        {kCmdCheckFace, "&Check Corresponding Face\tCtrl+K"},
        {kCmdColorFlaps, "Color &Flaps with Neighboring Face Color"},
        {kCmdResetViewPosition, "&Reset View Position"},
        {kCmdShowObjectList, "Show &Object List"},
        {kCmdSplitWindow, "&Split Window"},
        {kCmdSingleWindow, "Show only 2DPatternWindow"},
        {kCmdTextureConfiguration, "&Texture Configuration..."},
        {kCmdOtherConfigurations, "&Other Configurations..."},
        {kCmdResetToDefault, "&Reset to Default"},
        {kCmdOpenHelp, "&Open Help...\tF1"},
        {kCmdVersionInfo, "&Version Info..."},
        {kCmdWebPage, "Tessaly Designer's &Webpage..."},
        {kCmdCheckForUpdate, "&Check Web For Update..."},
        {kCmdImportModel, "TSM File Inport"},
    };
    for (const auto& [id, text] : texts) {
        EXPECT_STREQ(Command(id).text, text) << id;
        EXPECT_TRUE(Command(id).inMenu) << id;
    }
    // Every number appears once.
    std::set<int> ids;
    for (const CommandInfo& command : CommandTable())
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
    EXPECT_EQ(FindCommand(kCmdRecentFileFirst), nullptr);
    EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST(CommandTable, ToolbarButtonsInOrderWithTheirStrings) {
    const std::tuple<int, const char*, const char*> buttons[kToolbarButtonCount] = {
        {kCmdFileOpen, "Open File", "Open File"},
        {kCmdEmphasizeOpenEdges, "Emphasize Open Edges", "Emphasize Open Edges"},
        {kCmdTurnOnLight, "Turn On Light", "Turn On Light"},
        {kCmdUseMaterials, "Set Materials to Faces", "Set Materials to Faces"},
        {kCmdShowEdgeId, "Show Edge ID", "Show Edge ID"},
        {kCmdShowPageNumber, "Show Page Number", "Show Page Number"},
        {kCmdColorFlaps, "Color Flaps with Neighboring Faces", "Color Flaps with Neighboring Faces"},
        {kCmdCheckFace, "Check Corresponding Face", "Check Corresponding Face Ctrl+K"},
        {kCmdResetViewPosition, "Reset Model View", "Reset Model View"},
        {kCmdPrint, "Print the development", "Print"},
        {kCmdSplitWindow, "Split Window", "Split Window"},
        {kCmdSingleWindow, "Single Window", "Single Window"},
    };
    for (int i = 0; i < kToolbarButtonCount; ++i) {
        const auto& [id, hint, tooltip] = buttons[i];
        EXPECT_EQ(kToolbarCommands[i], id) << i;
        EXPECT_STREQ(Command(id).hint, hint) << i;
        EXPECT_STREQ(Command(id).tooltip, tooltip) << i;
    }
}

TEST(CommandTable, OnlyTheAcceleratorTableHasKeys) {
    // Bound keys, and what the menu shows after the tab; the window's tests check the bound keys reach it.
    const std::tuple<int, const char*, const char*, const char*> rows[] = {
        {kCmdFileOpen, "Ctrl+O", "Ctrl+O", "&Open..."},
        {kCmdPrint, "Ctrl+P", "Ctrl+P", "&Print..."},
        {kCmdFileSaveAs, "Ctrl+Shift+S", "Ctrl+Shift+S", nullptr},
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

TEST(CommandTable, EnablingFollowsModelAndDevelopment) {
    // Nothing loaded: the model commands are off, the always commands on.
    for (int id : {kCmdTurnOnLight, kCmdUseMaterials, kCmdShowObjectList, kCmdResetViewPosition,
                   kCmdTextureConfiguration, kCmdImportModel, kCmdHideFaces})
        EXPECT_FALSE(IsCommandEnabled(Command(id), false, false)) << id;
    for (int id : {kCmdFileOpen, kCmdPrintConfiguration, kCmdPrinterSetup, kCmdExit, kCmdSplitWindow,
                   kCmdSingleWindow, kCmdOtherConfigurations, kCmdResetToDefault, kCmdOpenHelp,
                   kCmdVersionInfo, kCmdWebPage, kCmdCheckForUpdate})
        EXPECT_TRUE(IsCommandEnabled(Command(id), false, false)) << id;
    // A model without development: the development commands stay off.
    for (int id : {kCmdEmphasizeOpenEdges, kCmdShowEdgeId, kCmdPrint, kCmdPrintPreview, kCmdDocumentInfo,
                   kCmdShowPageNumber, kCmdCheckFace, kCmdColorFlaps, kCmdCopyDevelopment, kCmdShowFlaps,
                   kCmdResetView, kCmdModeSelectMove, kCmdModeColorEdge, kCmdExportDxf, kCmdEditCopy,
                   kCmdEditDelete, kCmdExportSvg, kCmdExportPdf, kCmdExportTextureBitmap})
        EXPECT_FALSE(IsCommandEnabled(Command(id), true, false)) << id;
    EXPECT_TRUE(IsCommandEnabled(Command(kCmdTurnOnLight), true, false));
    // A development without a model cannot happen; it enables nothing more than no model.
    EXPECT_FALSE(IsCommandEnabled(Command(kCmdPrint), false, true));
    EXPECT_TRUE(IsCommandEnabled(Command(kCmdPrint), true, true));
}

TEST(CommandTable, CheckMarksFollowTheSwitchesAndTheMode) {
    // The window's tests toggle the switches and the modes; "Show Faces" shows its switch as it is, where
    // "Hide Faces" inverts it, and plain commands never show a mark.
    Settings settings;
    settings.editMode = EditMode::CheckFace;
    for (const bool faces : {true, false}) {
        settings.bDrawFace = faces;
        EXPECT_EQ(IsCommandChecked(Command(kCmdShowFaces), settings), faces);
        EXPECT_EQ(IsCommandChecked(Command(kCmdHideFaces), settings), !faces);
        EXPECT_FALSE(IsCommandChecked(Command(kCmdFileOpen), settings));
    }
}
