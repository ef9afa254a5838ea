#include "app/CommandTable.h"

#include "app/CommandController.h"

#include <ostream>

namespace tsm {

namespace {

using C = CommandController;

// One row under construction: the builders below fill the common columns, Keys and Run the rest.
struct Row {
    CommandInfo info;
    Row& Keys(const char* keys, const char* alternate = "") {
        info.keys = keys;
        info.alternateKeys = alternate;
        return *this;
    }
    Row& Run(CommandHandler run) {
        info.run = run;
        return *this;
    }
    Row& Hidden() {
        info.inMenu = false;
        return *this;
    }
    operator CommandInfo() const { return info; }
};

Row Plain(CommandId id, const char* text, const char* hint, EnableRule enable, CommandHandler run,
          const char* tooltip = "") {
    Row row;
    row.info.id = id;
    row.info.text = text;
    row.info.hint = hint;
    row.info.tooltip = tooltip;
    row.info.enable = enable;
    row.info.run = run;
    return row;
}

Row Toggle(CommandId id, const char* text, const char* hint, EnableRule enable, bool Settings::*member,
           const char* tooltip = "") {
    Row row = Plain(id, text, hint, enable, &C::ToggleSwitch, tooltip);
    row.info.check = CheckRule::Switch;
    row.info.toggled = member;
    return row;
}

Row Mode(CommandId id, const char* text, const char* hint, EditMode mode, const char* tooltip = "") {
    Row row = Plain(id, text, hint, EnableRule::Development, &C::ChooseEditMode, tooltip);
    row.info.check = CheckRule::EditMode;
    row.info.mode = mode;
    return row;
}

// The command the window installs: dialogs, the renderer's outputs, the unfolder.
Row Installed(CommandId id, const char* text, const char* hint, EnableRule enable, const char* tooltip = "") {
    return Plain(id, text, hint, enable, &C::RunInstalled, tooltip);
}

std::vector<CommandInfo> BuildTable() {
    using E = EnableRule;
    using I = CommandId;
    std::vector<CommandInfo> table = {
        // File
        Plain(I::FileOpen, "&Open...\tCtrl+O", "Open File", E::Always, &C::OpenFile, "Open File")
            .Keys("Ctrl+O"),
        Plain(I::FileSave, "&Save\tCtrl+S", "Save the model and its development", E::Model, &C::SaveFile,
              "Save")
            .Keys("Ctrl+S"),
        Plain(I::FileSaveAs, "Save &As...\tCtrl+Shift+S",
              "Save the model and its development under a new name", E::Model, &C::SaveFileAs)
            .Keys("Ctrl+Shift+S"),
        Plain(I::ImportModel, "TSM File Import", "Add the models of another file to this one", E::Model,
              &C::ImportModel),
        Installed(I::ImportMesh, "Import &Mesh...", "Open a mesh (OBJ, OFF, STL, PLY) as a new model",
                  E::Always),
        Installed(I::CopyDevelopment, "Copy &Development to Clipboard...",
                  "Copy the development as a picture", E::Development),
        Plain(I::DocumentInfo, "Document Info...",
              "Show the paper, the numbers of faces and parts and the "
              "line styles",
              E::Development, &C::ShowDocumentInfo),
        Installed(I::PrintConfiguration, "Print &Configuration...", "Change the print settings", E::Always),
        Plain(I::Print, "&Print...\tCtrl+P", "Print the development", E::Development,
              &C::ForwardToDevelopmentView, "Print")
            .Keys("Ctrl+P"),
        Plain(I::PrintPreview, "Print Pre&view...", "Display full pages", E::Development,
              &C::ForwardToDevelopmentView),
        Installed(I::PrinterSetup, "P&rinter Setup...", "Change the printer and printing options", E::Always),
        Plain(I::Exit, "E&xit", "Quit the application", E::Always, &C::Exit),
        // View
        Plain(I::ViewToolbar, "&Toolbar", "Show or hide the toolbar", E::Always, &C::ToggleBar),
        Plain(I::ViewStatusBar, "&Status Bar", "Show or hide the status bar", E::Always, &C::ToggleBar),
        Toggle(I::EmphasizeOpenEdges, "Em&phasize Open Edges", "Emphasize Open Edges", E::Development,
               &Settings::drawModelOnOpen, "Emphasize Open Edges"),
        Toggle(I::TurnOnLight, "&Turn On Light", "Turn On Light", E::Model, &Settings::lighting,
               "Turn On Light"),
        Toggle(I::UseMaterials, "Use &Materials for Faces", "Set Materials to Faces", E::Model,
               &Settings::useMaterials, "Set Materials to Faces"),
        Toggle(I::ShowEdgeId, "Show &Edge ID", "Show Edge ID", E::Development, &Settings::drawEdgeIds,
               "Show Edge ID"),
        Toggle(I::ShowPageNumber, "Show &Page Number", "Show Page Number", E::Development,
               &Settings::drawPageNumbers, "Show Page Number"),
        Toggle(I::ColorFlaps, "Color &Flaps with Neighboring Face Color",
               "Color Flaps with Neighboring Faces", E::Development, &Settings::colorFlapsLikeFaces,
               "Color Flaps with Neighboring Faces"),
        Mode(I::CheckFace, "&Check Corresponding Face\tCtrl+K", "Check Corresponding Face",
             EditMode::CheckFace, "Check Corresponding Face Ctrl+K")
            .Keys("Ctrl+K"),
        Plain(I::ResetViewPosition, "&Reset View Position", "Reset Model View", E::Model,
              &C::ResetViewPosition, "Reset Model View"),
        Plain(I::ShowObjectList, "Show &Object List", "Choose the objects to show", E::Model,
              &C::ShowObjectList),
        Installed(I::ViewAssemblyStep, "&Assembly Step...", "Show the model as built up to one step",
                  E::Development),
        Plain(I::SplitWindow, "&Split Window", "Split Window", E::Always, &C::SplitWindow, "Split Window"),
        Plain(I::SingleWindow, "Show Only the Development", "Single Window", E::Always, &C::SingleWindow,
              "Single Window"),
        // Model
        Installed(I::Unfold, "Unfold", "Unfold the model", E::Model),
        Installed(I::UndoUnfold, "Undo Unfolding", "Undo the unfolding", E::Model),
        Installed(I::RecalculateLayout, "Recalculate Parts Layout", "Lay the parts out again",
                  E::Development),
        Installed(I::FlipFaces, "Flip Faces", "Turn every face over", E::Model),
        Installed(I::JoinIsolatedEdges, "Join Adjacent Isolated Edges", "Join open edges that meet",
                  E::Model),
        Installed(I::ChangeCoordinates, "Change Model Coordinates", "Adjust the model's axes", E::Model),
        Installed(I::SimplifyMesh, "Simplify Mesh...", "Reduce the mesh to fewer faces", E::Model),
        Installed(I::AssemblyOrder, "Assembly &Order...", "Choose the order the parts are glued in",
                  E::Development),
        // Configuration
        Plain(I::TextureConfiguration, "&Texture Configuration...", "Set texture images to the materials",
              E::Model, &C::TextureConfiguration),
        Installed(I::OtherConfigurations, "&Other Configurations...", "Change the other settings", E::Always),
        Plain(I::ResetToDefault, "&Reset to Default", "Return every setting to its default at the next start",
              E::Always, &C::ResetToDefault),
        // Help
        Plain(I::OpenHelp, "&Open Help...\tF1", "Open the user manual", E::Always, &C::OpenHelp).Keys("F1"),
        Plain(I::WebPage, "Tessaly's &Webpage...", "Open the product's web page", E::Always, &C::OpenWebPage),
        Installed(I::CheckForUpdate, "&Check Web For Update...", "Look for a newer version on the web",
                  E::Always),
        Plain(I::VersionInfo, "&Version Info...", "Display program information and version number", E::Always,
              &C::ShowVersionInfo),

        // Edit
        Plain(I::EditUndo, "&Undo\tCtrl+Z", "Undo the last edit", E::Model, &C::Undo, "Undo").Keys("Ctrl+Z"),
        Plain(I::EditRedo, "&Redo\tCtrl+Y", "Redo the edit undone last", E::Model, &C::Redo, "Redo")
            .Keys("Ctrl+Y", "Ctrl+Shift+Z"),
        Installed(I::EditCopy, "&Copy\tCtrl+C", "Copy the development as a picture", E::Development)
            .Keys("Ctrl+C"),
        Installed(I::EditDelete, "&Delete\tDel", "Delete the selected texts and pictures", E::Development)
            .Keys("Del"),
        // File, Export submenu
        Plain(I::ExportBitmap, "Export BMP...", "Save the development as a bitmap", E::Development,
              &C::ExportInstalled),
        Plain(I::ExportSheetBitmaps, "Export BMP per Sheet...",
              "Export the unfolded pattern to a bmp file per sheet.", E::Development, &C::ExportInstalled),
        Installed(I::ExportTextureBitmap, "Export BMP for Texture...",
                  "Save the development as a texture bitmap", E::Development),
        Plain(I::ExportEps, "Export EPS...", "Save the development as EPS", E::Development, &C::ExportVector),
        Plain(I::ExportDxf, "Export DXF...", "Save the development as DXF", E::Development, &C::ExportVector),
        Plain(I::ExportEmf, "Export EMF...", "Save the development as an enhanced metafile", E::Development,
              &C::ExportVector),
        Plain(I::ExportSvg, "Export SVG...", "Save the development as SVG", E::Development, &C::ExportVector),
        Plain(I::ExportPdf, "Export PDF...", "Print the development into a PDF file", E::Development,
              &C::ExportInstalled),
        Plain(I::ExportPrintAndCut, "Print and Cut...", "Export one file per sheet for a cutting machine",
              E::Development, &C::ExportInstalled),
        Plain(I::ExportInstructions, "Assembly Instructions...",
              "Export the build steps, one picture each, as PDF pages", E::Development, &C::ExportInstalled),

        // Routed without a menu entry.
        Plain(I::HideFaces, "Hide Faces", "Hide Faces", E::Model, &C::ToggleSwitch).Hidden(),
        Toggle(I::ShowEdges, "Show Edges", "Show Edges", E::Always, &Settings::drawEdges).Hidden(),
        Toggle(I::ShowFaces, "Show Faces", "Show Faces", E::Always, &Settings::drawFaces).Hidden(),
        Toggle(I::ShowFlaps, "Show Flaps", "Show Flaps", E::Development, &Settings::drawFlaps)
            .Run(&C::ShowFlaps)
            .Hidden(),
        Plain(I::ColorConfiguration, "Color Configuration...", "Change the colours", E::Always,
              &C::ColorConfiguration)
            .Hidden(),
        Plain(I::ResetView, "Reset View", "Fit the sheets into the window", E::Development, &C::ResetView)
            .Hidden(),
        Mode(I::ModeSelectMove, "Select and Move\tCtrl+M",
             "2D [Select/Move] L [Pan] R or Wheel Drag [Zoom] Shift+R or Wheel", EditMode::SelectMove)
            .Keys("Ctrl+M")
            .Hidden(),
        Mode(I::ModeEditFlaps, "Edit Flaps\tCtrl+F", "Click the edge of target flap.", EditMode::EditFlaps)
            .Keys("Ctrl+F")
            .Hidden(),
        Mode(I::ModeRotatePart, "Rotate Part\tCtrl+R",
             "Click the point the center of rotate. And drag to rotate. (Cancel with Right click)",
             EditMode::RotatePart)
            .Keys("Ctrl+R")
            .Hidden(),
        Mode(I::ModeJoinFace, "Join/Disjoin Face\tCtrl+N",
             "Click the edge to Join/Disjoin. Click again for Join to choose the part that moves.",
             EditMode::JoinFace)
            .Keys("Ctrl+N")
            .Hidden(),
        Mode(I::ModeInputText, "Input Text\tCtrl+T", "Click the place to input text. Click the text to edit.",
             EditMode::InputText)
            .Keys("Ctrl+T")
            .Hidden(),
        Mode(I::ModeColorEdge, "Set Edge Color\tCtrl+E",
             "Click the edge to change color (drag for area select).", EditMode::ColorEdge)
            .Keys("Ctrl+E")
            .Hidden(),
    };
    for (CommandInfo& info : table) {
        if (info.id == I::ViewToolbar || info.id == I::ViewStatusBar) info.check = CheckRule::BarVisible;
        // "Hide Faces" shows its switch inverted.
        if (info.id == I::HideFaces) {
            info.check = CheckRule::InvertedSwitch;
            info.toggled = &Settings::drawFaces;
        }
    }
    return table;
}

} // namespace

const CommandId kToolbarCommands[kToolbarButtonCount] = {
    CommandId::FileOpen,     CommandId::EmphasizeOpenEdges, CommandId::TurnOnLight,
    CommandId::UseMaterials, CommandId::ShowEdgeId,         CommandId::ShowPageNumber,
    CommandId::ColorFlaps,   CommandId::CheckFace,          CommandId::ResetViewPosition,
    CommandId::Print,        CommandId::SplitWindow,        CommandId::SingleWindow,
};

std::ostream& operator<<(std::ostream& out, CommandId id) {
    return out << static_cast<int>(id);
}

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = BuildTable();
    return table;
}

const CommandInfo* FindCommand(CommandId id) {
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
