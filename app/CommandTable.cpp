#include "app/CommandTable.h"

#include "app/PrintAndCutDialog.h"

namespace tsm {

namespace {

CommandInfo Plain(int id, const char* text, const char* hint, EnableRule enable, const char* tooltip = "") {
    CommandInfo info;
    info.id = id;
    info.text = text;
    info.hint = hint;
    info.tooltip = tooltip;
    info.enable = enable;
    return info;
}

CommandInfo Toggle(int id, const char* text, const char* hint, EnableRule enable, bool Settings::*member,
                   const char* tooltip = "") {
    CommandInfo info = Plain(id, text, hint, enable, tooltip);
    info.check = CheckRule::Switch;
    info.toggled = member;
    return info;
}

CommandInfo Mode(int id, const char* text, const char* hint, EditMode mode, const char* tooltip = "") {
    CommandInfo info = Plain(id, text, hint, EnableRule::Development, tooltip);
    info.check = CheckRule::EditMode;
    info.mode = mode;
    return info;
}

CommandInfo Hidden(CommandInfo info) {
    info.inMenu = false;
    return info;
}

std::vector<CommandInfo> BuildTable() {
    using E = EnableRule;
    std::vector<CommandInfo> table = {
        // File
        Plain(kCmdFileOpen, "&Open...\tCtrl+O", "Open File", E::Always, "Open File"),
        Plain(kCmdFileSave, "&Save\tCtrl+S", "Save the model and its development", E::Model, "Save"),
        Plain(kCmdFileSaveAs, "Save &As...\tCtrl+Shift+S",
              "Save the model and its development under a new name", E::Model),
        Plain(kCmdImportModel, "TSM File Inport", "Add the models of another file to this one", E::Model),
        Plain(kCmdImportMesh, "Import &Mesh...", "Open a mesh (OBJ, OFF, STL, PLY) as a new model",
              E::Always),
        Plain(kCmdCopyDevelopment, "Copy &Development to Clipboard...", "Copy the development as a picture",
              E::Development),
        Plain(kCmdDocumentInfo, "Document Info...",
              "Show the paper, the numbers of faces and parts and the "
              "line styles",
              E::Development),
        Plain(kCmdPrintConfiguration, "Print &Configuration......", "Change the print settings", E::Always),
        Plain(kCmdPrint, "&Print...\tCtrl+P", "Print the development", E::Development, "Print"),
        Plain(kCmdPrintPreview, "Print Pre&view...", "Display full pages", E::Development),
        Plain(kCmdPrinterSetup, "P&rinter Setup...", "Change the printer and printing options", E::Always),
        Plain(kCmdExit, "E&xit", "Quit the application", E::Always),
        // View
        Plain(kCmdViewToolbar, "&Toolbar", "Show or hide the toolbar", E::Always),
        Plain(kCmdViewStatusBar, "&Status Bar", "Show or hide the status bar", E::Always),
        Toggle(kCmdEmphasizeOpenEdges, "Em&phasize Open Edges", "Emphasize Open Edges", E::Development,
               &Settings::bDrawOpenedModel, "Emphasize Open Edges"),
        Toggle(kCmdTurnOnLight, "&Turn On Light", "Turn On Light", E::Model, &Settings::bTurnOnLight,
               "Turn On Light"),
        Toggle(kCmdUseMaterials, "Use &Materials for Faces", "Set Materials to Faces", E::Model,
               &Settings::bUseMaterial, "Set Materials to Faces"),
        Toggle(kCmdShowEdgeId, "Show &Edge ID", "Show Edge ID", E::Development, &Settings::bDrawNumber,
               "Show Edge ID"),
        Toggle(kCmdShowPageNumber, "Show &Page Number", "Show Page Number", E::Development,
               &Settings::bDrawPageNumber, "Show Page Number"),
        Toggle(kCmdColorFlaps, "Color &Flaps with Neighboring Face Color",
               "Color Flaps with Neighboring Faces", E::Development, &Settings::bColorFlapWithFace,
               "Color Flaps with Neighboring Faces"),
        Mode(kCmdCheckFace, "&Check Corresponding Face\tCtrl+K", "Check Corresponding Face",
             EditMode::CheckFace, "Check Corresponding Face Ctrl+K"),
        Plain(kCmdResetViewPosition, "&Reset View Position", "Reset Model View", E::Model,
              "Reset Model View"),
        Plain(kCmdShowObjectList, "Show &Object List", "Choose the objects to show", E::Model),
        Plain(kCmdSplitWindow, "&Split Window", "Split Window", E::Always, "Split Window"),
        Plain(kCmdSingleWindow, "Show only 2DPatternWindow", "Single Window", E::Always, "Single Window"),
        // Model
        Plain(kCmdUnfold, "Unfold", "Unfold the model", E::Model),
        Plain(kCmdUndoUnfold, "Undo Unfolding", "Undo the unfolding", E::Model),
        Plain(kCmdRecalculateLayout, "Recalculate Parts Layout", "Lay the parts out again", E::Development),
        Plain(kCmdFlipFaces, "Flip Faces", "Turn every face over", E::Model),
        Plain(kCmdJoinIsolatedEdges, "Join Adjacent Isolated Edges", "Join open edges that meet", E::Model),
        Plain(kCmdChangeCoordinates, "Change Model Coordinates", "Adjust the model's axes", E::Model),
        // Configuration
        Plain(kCmdTextureConfiguration, "&Texture Configuration...", "Set texture images to the materials",
              E::Model),
        Plain(kCmdOtherConfigurations, "&Other Configurations...", "Change the other settings", E::Always),
        Plain(kCmdResetToDefault, "&Reset to Default",
              "Return every setting to its default at the next start", E::Always),
        // Help
        Plain(kCmdOpenHelp, "&Open Help...\tF1", "Open the user manual", E::Always),
        Plain(kCmdWebPage, "Tessaly Designer's &Webpage...", "Open the product's web page", E::Always),
        Plain(kCmdCheckForUpdate, "&Check Web For Update...", "Look for a newer version on the web",
              E::Always),
        Plain(kCmdVersionInfo, "&Version Info...", "Display program information and version number",
              E::Always),

        // Edit
        Plain(kCmdEditUndo, "&Undo\tCtrl+Z", "Undo the last edit", E::Model, "Undo"),
        Plain(kCmdEditRedo, "&Redo\tCtrl+Y", "Redo the edit undone last", E::Model, "Redo"),
        Plain(kCmdEditCopy, "&Copy\tCtrl+C", "Copy the development as a picture", E::Development),
        Plain(kCmdEditDelete, "&Delete\tDel", "Delete the selected texts and pictures", E::Development),
        // File, Export submenu
        Plain(kCmdExportBitmap, "Export BMP...", "Save the development as a bitmap", E::Development),
        Plain(kCmdExportSheetBitmaps, "Export BMP per Sheet...",
              "Export the unfolded pattern to a bmp file per sheet.", E::Development),
        Plain(kCmdExportTextureBitmap, "Export BMP for Texture...",
              "Save the development as a texture bitmap", E::Development),
        Plain(kCmdExportEps, "Export EPS...", "Save the development as EPS", E::Development),
        Plain(kCmdExportDxf, "Export DXF...", "Save the development as DXF", E::Development),
        Plain(kCmdExportEmf, "Export EMF...", "Save the development as an enhanced metafile", E::Development),
        Plain(kCmdExportSvg, "Export SVG...", "Save the development as SVG", E::Development),
        Plain(kCmdExportPdf, "Export PDF...", "Print the development into a PDF file", E::Development),
        Plain(kCmdExportPrintAndCut, "Print and Cut...", "Export one file per sheet for a cutting machine",
              E::Development),

        // Routed without a menu entry.
        Hidden(Plain(kCmdHideFaces, "Hide Faces", "Hide Faces", E::Model)),
        Hidden(Toggle(kCmdShowEdges, "Show Edges", "Show Edges", E::Always, &Settings::bDrawEdge)),
        Hidden(Toggle(kCmdShowFaces, "Show Faces", "Show Faces", E::Always, &Settings::bDrawFace)),
        Hidden(Toggle(kCmdShowFlaps, "Show Flaps", "Show Flaps", E::Development, &Settings::bDrawFlap)),
        Hidden(Plain(kCmdColorConfiguration, "Color Configuration...", "Change the colours", E::Always)),
        Hidden(Plain(kCmdResetView, "Reset View", "Fit the sheets into the window", E::Development)),
        Hidden(Mode(kCmdModeSelectMove, "Select and Move\tCtrl+M",
                    "2D [Select/Move] L [Pan] R or Wheel Drag [Zoom] Shift+R or Wheel",
                    EditMode::SelectMove)),
        Hidden(Mode(kCmdModeEditFlaps, "Edit Flaps\tCtrl+F", "Click the edge of target flap.",
                    EditMode::EditFlaps)),
        Hidden(Mode(kCmdModeRotatePart, "Rotate Part\tCtrl+R",
                    "Click the point the center of rotate. And drag to rotate. (Cancel with Right click)",
                    EditMode::RotatePart)),
        Hidden(Mode(kCmdModeJoinFace, "Join/Disjoin Face\tCtrl+N",
                    "Click the edge to Join/Disjoin. Click again for Join to difine move part",
                    EditMode::JoinFace)),
        Hidden(Mode(kCmdModeInputText, "Input Text\tCtrl+T",
                    "Click the place to input text. Click the text to edit.", EditMode::InputText)),
        Hidden(Mode(kCmdModeColorEdge, "Set Edge Color\tCtrl+E",
                    "Click the edge to change color (drag for area select).", EditMode::ColorEdge)),
    };
    for (CommandInfo& info : table) {
        if (info.id == kCmdViewToolbar || info.id == kCmdViewStatusBar) info.check = CheckRule::BarVisible;
        // "Hide Faces" shows its switch inverted.
        if (info.id == kCmdHideFaces) {
            info.check = CheckRule::InvertedSwitch;
            info.toggled = &Settings::bDrawFace;
        }
    }
    return table;
}

} // namespace

const int kToolbarCommands[kToolbarButtonCount] = {
    kCmdFileOpen,       kCmdEmphasizeOpenEdges, kCmdTurnOnLight, kCmdUseMaterials,      kCmdShowEdgeId,
    kCmdShowPageNumber, kCmdColorFlaps,         kCmdCheckFace,   kCmdResetViewPosition, kCmdPrint,
    kCmdSplitWindow,    kCmdSingleWindow,
};

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = BuildTable();
    return table;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& info : CommandTable()) {
        if (info.id == id) return &info;
    }
    return nullptr;
}

std::string MenuLabel(const CommandInfo& command) {
    const std::string text = command.text;
    return text.substr(0, text.find('\t'));
}

std::string MenuShortcutText(const CommandInfo& command) {
    const std::string text = command.text;
    const size_t tab = text.find('\t');
    return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

std::string AcceleratorKeys(int id) {
    switch (id) {
    case kCmdEditCopy:
        return "Ctrl+C";
    case kCmdFileOpen:
        return "Ctrl+O";
    case kCmdFileSave:
        return "Ctrl+S";
    case kCmdFileSaveAs:
        return "Ctrl+Shift+S";
    case kCmdEditDelete:
        return "Del";
    case kCmdEditUndo:
        return "Ctrl+Z";
    case kCmdEditRedo:
        return "Ctrl+Y";
    case kCmdPrint:
        return "Ctrl+P";
    case kCmdCheckFace:
        return "Ctrl+K";
    case kCmdOpenHelp:
        return "F1";
    default:
        return {};
    }
}

std::string AlternateAcceleratorKeys(int id) {
    return id == kCmdEditRedo ? "Ctrl+Shift+Z" : std::string();
}

bool IsCommandEnabled(const CommandInfo& command, bool hasModel, bool hasDevelopment) {
    switch (command.enable) {
    case EnableRule::Always:
        return true;
    case EnableRule::Model:
        return hasModel;
    case EnableRule::Development:
        return hasModel && hasDevelopment;
    }
    return false;
}

bool IsCommandChecked(const CommandInfo& command, const Settings& settings) {
    switch (command.check) {
    case CheckRule::Switch:
        return command.toggled != nullptr && settings.*command.toggled;
    case CheckRule::InvertedSwitch:
        return command.toggled != nullptr && !(settings.*command.toggled);
    case CheckRule::EditMode:
        return settings.editMode == command.mode;
    case CheckRule::None:
    case CheckRule::BarVisible:
        break;
    }
    return false;
}

EditMode NextEditMode(EditMode current, EditMode requested) {
    return current == requested ? EditMode::None : requested;
}

} // namespace tsm
