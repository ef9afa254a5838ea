// The main window's commands: their numbers, menu texts, keys, status-bar hints, toolbar tooltips, the
// rules that enable them and put check marks on them, and what each one does. Menus, toolbar and the
// command controller are all built from this one table, so a command is added by adding its row.
#pragma once

#include "model/Settings.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace tsm {

// The numbers are the commands' resource numbers, kept as they were.
enum class CommandId : int {
    // File
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    ImportModel = 32990, // "TSM File Import"
    ImportMesh = 33101,  // "Import &Mesh...": a mesh of another file kind as a new model
    CopyDevelopment = 32805,
    DocumentInfo = 32878,
    PrintConfiguration = 32877,
    Print = 57607,
    PrintPreview = 57609,
    PrinterSetup = 57606,
    RecentFileFirst = 57616, // the recent-file entries take this and the following nine numbers
    Exit = 57665,
    // View
    ViewToolbar = 59392,
    ViewStatusBar = 59393,
    EmphasizeOpenEdges = 32873,
    TurnOnLight = 32779,
    UseMaterials = 32866,
    ShowEdgeId = 32832,
    ShowPageNumber = 32906,
    CheckFace = 32910,
    ColorFlaps = 32876,
    ResetViewPosition = 32908,
    ShowObjectList = 32861,
    SplitWindow = 32838,
    SingleWindow = 32839,
    // Configuration
    TextureConfiguration = 32862,
    OtherConfigurations = 32778,
    ResetToDefault = 32911,
    // Help
    OpenHelp = 32780,
    VersionInfo = 57664,
    WebPage = 32930,
    CheckForUpdate = 32957,
    // Routed without a menu entry
    EditCopy = 57634,
    EditUndo = 57643,
    EditRedo = 57644,
    HideFaces = 32849,
    ShowEdges = 32771,
    ShowFaces = 32772,
    ShowFlaps = 32843,
    ColorConfiguration = 32883,
    ResetView = 32835,
    ModeSelectMove = 32859,
    ModeEditFlaps = 32818,
    ModeRotatePart = 32854,
    ModeJoinFace = 32869,
    ModeInputText = 32884,
    ModeColorEdge = 32943,
    ExportBitmap = 32846,
    ExportSheetBitmaps = 32969,
    ExportEps = 32971,
    ExportDxf = 32972,
    ExportEmf = 32998,
    ExportTextureBitmap = 32973,
    // Model (a menu of ours; the commands keep their numbers)
    Unfold = 32781,
    UndoUnfold = 32782,
    RecalculateLayout = 32856,
    FlipFaces = 32784,
    JoinIsolatedEdges = 32931,
    ChangeCoordinates = 32815,
    SimplifyMesh = 33110, // fewer faces by edge collapse
    // Edit and File menu additions of ours
    EditDelete = 57632,         // deletes what the development view has selected
    ExportSvg = 33102,          // the development's lines and faces as SVG
    ExportPdf = 33103,          // the printed pages into a PDF file
    ExportPrintAndCut = 33104,  // one file per sheet for a cutting machine
    ExportInstructions = 33130, // the build steps as PDF pages
    ViewAssemblyStep = 33131,   // the 3D view built up to one step
    AssemblyOrder = 33132,      // the user's build order
};

// For test messages: the number.
std::ostream& operator<<(std::ostream& out, CommandId id);

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

struct CommandInfo;
class CommandController;
// What a command does: one of the controller's handlers, given the command's row.
using CommandHandler = void (CommandController::*)(const CommandInfo&);

struct CommandInfo {
    CommandId id{};
    // The menu text with its accelerator after a tab ("&Open...\tCtrl+O"); for a command without a menu
    // entry, its name.
    const char* text = "";
    // The keys bound to the command ("Ctrl+O"), "" for none; a second combination for the same command
    // ("Ctrl+Shift+Z" for Redo), "" for most.
    const char* keys = "";
    const char* alternateKeys = "";
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
    CommandHandler run = nullptr;
};

// Every routed command, menu commands first in menu order.
const std::vector<CommandInfo>& CommandTable();
// Null for a number that is not in the table (the recent-file entries are not).
const CommandInfo* FindCommand(CommandId id);

// The toolbar's commands, button i using image i.
constexpr int kToolbarButtonCount = 12;
extern const CommandId kToolbarCommands[kToolbarButtonCount];

// The menu text before the tab, and what is shown after it ("" when nothing).
std::string MenuLabel(const CommandInfo& command);
std::string MenuShortcutText(const CommandInfo& command);

// Whether the command may run for the document state.
bool IsCommandEnabled(const CommandInfo& command, bool hasModel, bool hasDevelopment);
// The check mark of a Switch, InvertedSwitch or EditMode command under `settings`; false for the others.
bool IsCommandChecked(const CommandInfo& command, const Settings& settings);

// The edit mode after the mode command for `requested`: the requested mode, or none when it is current.
EditMode NextEditMode(EditMode current, EditMode requested);

} // namespace tsm
