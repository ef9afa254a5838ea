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
    EXPECT_EQ(AcceleratorKeys(kCmdEditCopy), "Ctrl+C");
    EXPECT_EQ(AcceleratorKeys(kCmdFileOpen), "Ctrl+O");
    EXPECT_EQ(AcceleratorKeys(kCmdPrint), "Ctrl+P");
    EXPECT_EQ(AcceleratorKeys(kCmdCheckFace), "Ctrl+K");
    EXPECT_EQ(AcceleratorKeys(kCmdOpenHelp), "F1");
    // The Edit menu's and Save As's keys as people expect them, Redo with both of its usual pairs.
    EXPECT_EQ(AcceleratorKeys(kCmdFileSaveAs), "Ctrl+Shift+S");
    EXPECT_EQ(MenuShortcutText(Command(kCmdFileSaveAs)), "Ctrl+Shift+S");
    EXPECT_EQ(AcceleratorKeys(kCmdEditRedo), "Ctrl+Y");
    EXPECT_EQ(AlternateAcceleratorKeys(kCmdEditRedo), "Ctrl+Shift+Z");
    EXPECT_EQ(AlternateAcceleratorKeys(kCmdEditUndo), "");
    // The other modes only show their keys; binding them would take Ctrl+R from the 3D view's move.
    EXPECT_EQ(AcceleratorKeys(kCmdModeRotatePart), "");
    EXPECT_EQ(MenuShortcutText(Command(kCmdModeRotatePart)), "Ctrl+R");
    EXPECT_EQ(MenuLabel(Command(kCmdFileOpen)), "&Open...");
    EXPECT_EQ(MenuShortcutText(Command(kCmdExit)), "");
    EXPECT_EQ(MenuLabel(Command(kCmdExit)), "E&xit");
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
    Settings settings;
    settings.bDrawFace = true;
    // "Hide Faces" shows its switch inverted, "Show Faces" as it is.
    EXPECT_FALSE(IsCommandChecked(Command(kCmdHideFaces), settings));
    EXPECT_TRUE(IsCommandChecked(Command(kCmdShowFaces), settings));
    settings.bDrawFace = false;
    EXPECT_TRUE(IsCommandChecked(Command(kCmdHideFaces), settings));
    EXPECT_FALSE(IsCommandChecked(Command(kCmdShowFaces), settings));
    // The mode commands are checked only for their own mode.
    settings.editMode = EditMode::CheckFace;
    EXPECT_TRUE(IsCommandChecked(Command(kCmdCheckFace), settings));
    EXPECT_FALSE(IsCommandChecked(Command(kCmdModeSelectMove), settings));
    // Plain commands never show a mark.
    EXPECT_FALSE(IsCommandChecked(Command(kCmdFileOpen), settings));
}

TEST(CommandTable, ChoosingTheCurrentModeTurnsItOff) {
    struct Row {
        EditMode current, requested, next;
    };
    const Row rows[] = {
        {EditMode::None, EditMode::CheckFace, EditMode::CheckFace},
        {EditMode::CheckFace, EditMode::CheckFace, EditMode::None},
        // Another mode replaces the current one rather than turning it off.
        {EditMode::SelectMove, EditMode::CheckFace, EditMode::CheckFace},
        {EditMode::ColorEdge, EditMode::ColorEdge, EditMode::None},
    };
    for (const Row& r : rows)
        EXPECT_EQ(NextEditMode(r.current, r.requested), r.next)
            << static_cast<int>(r.current) << " " << static_cast<int>(r.requested);
}
