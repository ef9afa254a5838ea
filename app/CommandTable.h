// The main window's commands: their numbers, menu texts and accelerators, status-bar hints, toolbar
// tooltips, and the rules that enable them and put check marks on them. Menus, toolbar and the command
// controller are all built from this one table.
#pragma once

#include "model/Settings.h"

#include <string>
#include <vector>

namespace tsm {

enum CommandId : int {
    // File
    kCmdFileOpen = 57601,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdImportModel = 32990, // "TSM File Import"
    kCmdImportMesh = 33101,  // "Import &Mesh...": a mesh of another file kind as a new model
    kCmdCopyDevelopment = 32805,
    kCmdDocumentInfo = 32878,
    kCmdPrintConfiguration = 32877,
    kCmdPrint = 57607,
    kCmdPrintPreview = 57609,
    kCmdPrinterSetup = 57606,
    kCmdRecentFileFirst = 57616, // the recent-file entries take this and the following nine numbers
    kCmdExit = 57665,
    // View
    kCmdViewToolbar = 59392,
    kCmdViewStatusBar = 59393,
    kCmdEmphasizeOpenEdges = 32873,
    kCmdTurnOnLight = 32779,
    kCmdUseMaterials = 32866,
    kCmdShowEdgeId = 32832,
    kCmdShowPageNumber = 32906,
    kCmdCheckFace = 32910,
    kCmdColorFlaps = 32876,
    kCmdResetViewPosition = 32908,
    kCmdShowObjectList = 32861,
    kCmdSplitWindow = 32838,
    kCmdSingleWindow = 32839,
    // Configuration
    kCmdTextureConfiguration = 32862,
    kCmdOtherConfigurations = 32778,
    kCmdResetToDefault = 32911,
    // Help
    kCmdOpenHelp = 32780,
    kCmdVersionInfo = 57664,
    kCmdWebPage = 32930,
    kCmdCheckForUpdate = 32957,
    // Routed without a menu entry
    kCmdEditCopy = 57634,
    kCmdEditUndo = 57643,
    kCmdEditRedo = 57644,
    kCmdHideFaces = 32849,
    kCmdShowEdges = 32771,
    kCmdShowFaces = 32772,
    kCmdShowFlaps = 32843,
    kCmdColorConfiguration = 32883,
    kCmdResetView = 32835,
    kCmdModeSelectMove = 32859,
    kCmdModeEditFlaps = 32818,
    kCmdModeRotatePart = 32854,
    kCmdModeJoinFace = 32869,
    kCmdModeInputText = 32884,
    kCmdModeColorEdge = 32943,
    kCmdExportBitmap = 32846,
    kCmdExportSheetBitmaps = 32969,
    kCmdExportEps = 32971,
    kCmdExportDxf = 32972,
    kCmdExportEmf = 32998,
    kCmdExportTextureBitmap = 32973,
    // Model (a menu of ours; the commands keep their numbers)
    kCmdUnfold = 32781,
    kCmdUndoUnfold = 32782,
    kCmdRecalculateLayout = 32856,
    kCmdFlipFaces = 32784,
    kCmdJoinIsolatedEdges = 32931,
    kCmdChangeCoordinates = 32815,
    // Edit and File menu additions of ours
    kCmdEditDelete = 57632, // deletes what the development view has selected
    kCmdExportSvg = 33102,  // the development's lines and faces as SVG
    kCmdExportPdf = 33103,  // the printed pages into a PDF file
};

constexpr int kRecentFileCount = 10;

// What must be loaded for a command to be enabled. A development implies a model.
enum class EnableRule { Always, Model, Development };

enum class CheckRule {
    None,
    Switch,         // checked while the setting is on
    InvertedSwitch, // checked while the setting is off
    EditMode,       // checked while the edit mode is the command's mode
    BarVisible,     // the toolbar and status-bar commands: checked while the bar shows
};

struct CommandInfo {
    int id = 0;
    // The menu text with its accelerator after a tab ("&Open...\tCtrl+O"); for a command without a menu
    // entry, its name.
    const char* text = "";
    // The first line of the command's string: the status-bar hint while a menu item or button is under
    // the mouse.
    const char* hint = "";
    // The second line: the toolbar button's tooltip; empty when the command has no button.
    const char* tooltip = "";
    EnableRule enable = EnableRule::Always;
    CheckRule check = CheckRule::None;
    bool Settings::*toggled = nullptr; // the switch of a Switch or InvertedSwitch command
    EditMode mode = EditMode::None;    // the mode of an EditMode command
    bool inMenu = true;
};

// Every routed command, menu commands first in menu order.
const std::vector<CommandInfo>& CommandTable();
// Null for a number that is not in the table (the recent-file entries are not).
const CommandInfo* FindCommand(int id);

// The toolbar's commands, button i using image i.
constexpr int kToolbarButtonCount = 12;
extern const int kToolbarCommands[kToolbarButtonCount];

// The menu text before the tab, and what is shown after it ("" when nothing).
std::string MenuLabel(const CommandInfo& command);
std::string MenuShortcutText(const CommandInfo& command);
// The keys of the accelerator table ("Ctrl+O"), "" for a command without one. The edit modes show their
// keys in their texts, but only Check Corresponding Face has an accelerator. The Edit menu's commands and
// Save As have the keys people expect of them.
std::string AcceleratorKeys(int id);
// A second key combination for the same command ("Ctrl+Shift+Z" for Redo), "" for most.
std::string AlternateAcceleratorKeys(int id);

// Whether the command may run for the document state.
bool IsCommandEnabled(const CommandInfo& command, bool hasModel, bool hasDevelopment);
// The check mark of a Switch, InvertedSwitch or EditMode command under `settings`; false for the others.
bool IsCommandChecked(const CommandInfo& command, const Settings& settings);

// The edit mode after the mode command for `requested`: the requested mode, or none when it is current.
EditMode NextEditMode(EditMode current, EditMode requested);

} // namespace tsm
