#include "app/CommandController.h"

#include "app/UpdateCheck.h"
#include "model/DocumentSettings.h"
#include "sheet/OffSheet.h"
#include "sheet/Paper.h"

#include "engine/MeshImportPipeline.h"
#include "model/MeshImport.h"

#include <QUrl>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace tsm {

const char* const kMessageNoMaterials = "There are no material data. Texture can not be set.";
const char* const kMessageNoHelpFile = "Cannot find help file.";
const char* const kMessageUnknownFileType = "Cannot load file of specified type.";
const char* const kMessageNoWebPage =
    "This installation of Tessaly has no web page address.\nThe manual is always at hand under Help > Open "
    "Help (F1); updates come with your system's packages.";
const char* const kStatusNotAvailable = "This command is not available yet.";

CommandController::CommandController(CommandServices services) : s_(std::move(services)) {}

bool CommandController::HasModel() const {
    const Document* document = s_.document.Current();
    return document != nullptr && document->model != nullptr;
}

bool CommandController::HasDevelopment() const {
    return HasModel() && s_.document.Current()->development != nullptr;
}

bool CommandController::IsEnabled(int commandId) const {
    if (commandId == kCmdEditUndo || commandId == kCmdEditRedo) {
        const Document* document = s_.document.Current();
        return document != nullptr &&
               (commandId == kCmdEditUndo ? document->history.CanUndo() : document->history.CanRedo());
    }
    const CommandInfo* command = FindCommand(commandId);
    if (command == nullptr || !IsCommandEnabled(*command, HasModel(), HasDevelopment())) return false;
    const auto found = external_.find(commandId);
    if (found == external_.end()) return commandId != kCmdEditDelete;
    return !found->second.enabled || found->second.enabled();
}

bool CommandController::IsChecked(int commandId) const {
    const CommandInfo* command = FindCommand(commandId);
    return command != nullptr &&
           IsCommandChecked(*command, DocumentSettings(s_.settings, s_.document.Current()));
}

void CommandController::SetExternalHandler(int commandId, std::function<void()> handler) {
    external_[commandId] = External{std::move(handler), {}};
}

void CommandController::SetExternalHandler(int commandId, std::function<void()> handler,
                                           std::function<bool()> enabled) {
    external_[commandId] = External{std::move(handler), std::move(enabled)};
}

void CommandController::RunExternal(int commandId) {
    const auto found = external_.find(commandId);
    if (found != external_.end() && found->second.run)
        found->second.run();
    else
        s_.frame.ShowStatusText(kStatusNotAvailable);
}

void CommandController::RunInstalledOrForward(int commandId) {
    const auto found = external_.find(commandId);
    if (found != external_.end() && found->second.run)
        found->second.run();
    else
        s_.frame.ForwardToDevelopmentView(commandId);
}

bool IsOpenableType(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".tsm" || MeshFormatFromExtension(path) != MeshFormat::Unknown;
}

bool CommandController::OpenPath(const std::string& path) {
    // A mesh from another program, dropped or named on the command line, comes in as a new model to
    // unfold; everything else is read as a model file, which says what is wrong with it.
    if (MeshFormatFromExtension(path) != MeshFormat::Unknown)
        return ImportMeshFile(s_.document, path, s_.prompt);
    return s_.document.OpenModelFile(path);
}

bool CommandController::OpenReplacing(const std::string& path) {
    // A file no reader takes is refused before the user is asked to keep or save the open model.
    if (!IsOpenableType(path)) {
        s_.prompt.Message(kMessageUnknownFileType);
        return false;
    }
    return ConfirmSetAside() && OpenPath(path);
}

void CommandController::OpenRecentFile(size_t index) {
    const auto& files = s_.recentFiles.Files();
    if (index >= files.size() || !ConfirmSetAside()) return;
    const std::string path = files[index];
    if (!OpenPath(path)) {
        // The entry may have moved meanwhile (a successful open puts it first): remove it by its path.
        const auto& now = s_.recentFiles.Files();
        for (size_t i = 0; i < now.size(); ++i) {
            if (now[i] == path) {
                s_.recentFiles.Remove(i);
                break;
            }
        }
        s_.frame.RecentFilesChanged();
    }
}

void CommandController::ChooseAndOpen(bool import) {
    const std::string start = OpenDialogStartFolder(s_.settings.sLastDataOpenedDir, s_.programDir);
    if (import) {
        const std::optional<std::string> chosen = s_.chooser.ChooseOpenFile(kModelFileFilter, start);
        if (chosen) s_.document.ImportModelFile(*chosen);
        return;
    }
    if (!ConfirmSetAside()) return;
    const std::optional<std::string> chosen = s_.chooser.ChooseOpenFile(kOpenAnyFileFilter, start);
    if (chosen) OpenPath(*chosen);
}

void CommandController::ToggleSwitch(const CommandInfo& command) {
    if (command.toggled == nullptr) return;
    Document* document = s_.document.Current();
    Settings settings = DocumentSettings(s_.settings, document);
    settings.*command.toggled = !(settings.*command.toggled);
    KeepSettings(settings, s_.settings, document);
    s_.frame.UpdateAllViews(UpdateHint::Redraw);
}

void CommandController::ShowFlaps(const CommandInfo& command) {
    Document* document = s_.document.Current();
    Settings settings = DocumentSettings(s_.settings, document);
    settings.*command.toggled = !(settings.*command.toggled);
    KeepSettings(settings, s_.settings, document);
    if (document != nullptr && document->development != nullptr && document->model != nullptr) {
        // The flaps decide the lines' drawn kinds and the parts' extents.
        s_.completion.ClassifyPartLines(*document->development, *document->model, document->display);
        s_.completion.ComputeDevelopmentExtent(*document->development, true);
    }
    s_.frame.UpdateAllViews(UpdateHint::FlapsSwitched);
}

void CommandController::Export(int commandId) {
    // The texture bitmap is the model's picture, not the sheets'.
    if (commandId != kCmdExportTextureBitmap && s_.document.Current() != nullptr) {
        const Document& document = *s_.document.Current();
        const Paper paper = Paper::FromSettings(DocumentSettings(s_.settings, &document));
        if (!ConfirmOffSheet(document, paper, s_.prompt, "Export anyway")) return;
    }
    ExportFormat format = ExportFormat::Dxf;
    switch (commandId) {
    case kCmdExportEps:
        // The window adds its options dialog.
        if (external_.count(commandId) != 0) {
            RunExternal(commandId);
            return;
        }
        format = ExportFormat::Eps;
        break;
    case kCmdExportDxf:
        format = ExportFormat::Dxf;
        break;
    case kCmdExportEmf:
        format = ExportFormat::Emf;
        break;
    case kCmdExportSvg:
        format = ExportFormat::Svg;
        break;
    default:
        // The bitmaps need the renderer and the size dialog; PDF goes through the printing.
        RunInstalledOrForward(commandId);
        return;
    }
    const std::optional<std::string> chosen =
        s_.chooser.ChooseSaveFile(ExportDialogFilter(format), ExportDefaultExtension(format));
    if (!chosen || s_.document.Current() == nullptr) return;
    // The command has shown its own messages; the window has nothing to add.
    Document& document = *s_.document.Current();
    (void)ExportDevelopment(format, document, DocumentSettings(s_.settings, &document), *chosen,
                            exportOptions_, s_.prompt);
}

void CommandController::OpenHelp() {
    const std::string path = FindHelpFile(s_.programDir);
    const std::string url =
        path.empty() ? std::string()
                     : QUrl::fromLocalFile(QString::fromLocal8Bit(path.c_str())).toString().toStdString();
    if (url.empty()) {
        s_.prompt.Message(kMessageNoHelpFile);
        return;
    }
    // A bare X server has no launcher for web pages; the window shows the page itself then.
    if (!s_.shell.OpenUrl(url) && !s_.frame.ShowHelpWindow(path)) s_.prompt.Message(kMessageNoHelpFile);
}

void CommandController::OpenWebPage() {
    // The page lives where the update server does; one setting names both.
    const std::string page = ProductWebPage(s_.settings.sUpdateServerURL);
    if (page.empty())
        s_.prompt.Message(kMessageNoWebPage);
    else
        s_.shell.OpenUrl(page);
}

void CommandController::Execute(int commandId) {
    const CommandInfo* command = FindCommand(commandId);
    if (command == nullptr || !IsEnabled(commandId)) return;

    if (command->check == CheckRule::EditMode) {
        s_.settings.editMode = NextEditMode(s_.settings.editMode, command->mode);
        s_.frame.UpdateAllViews(UpdateHint::ClearSelection);
        s_.frame.RefreshIdleText();
        return;
    }
    if (commandId == kCmdShowFlaps) {
        ShowFlaps(*command);
        return;
    }
    if (command->check == CheckRule::Switch || command->check == CheckRule::InvertedSwitch) {
        ToggleSwitch(*command);
        return;
    }

    switch (commandId) {
    case kCmdFileOpen:
        ChooseAndOpen(false);
        break;
    case kCmdFileSave:
        Save();
        break;
    case kCmdFileSaveAs:
        SaveAs();
        break;
    case kCmdEditUndo:
    case kCmdEditRedo:
        UndoOrRedo(commandId == kCmdEditUndo);
        break;
    case kCmdImportModel:
        ChooseAndOpen(true);
        break;
    case kCmdExit:
        s_.frame.CloseFrame();
        break;
    case kCmdViewToolbar:
    case kCmdViewStatusBar:
        s_.frame.ToggleBar(commandId);
        break;
    case kCmdCopyDevelopment:
    case kCmdEditCopy:
        RunInstalledOrForward(commandId);
        break;
    case kCmdPrint:
    case kCmdPrintPreview:
        s_.frame.ForwardToDevelopmentView(commandId);
        break;
    case kCmdDocumentInfo:
        s_.frame.ShowDocumentInfo();
        break;
    case kCmdResetViewPosition:
        s_.frame.UpdateAllViews(UpdateHint::ResetCamera);
        s_.frame.UpdateAllViews(UpdateHint::FitDevelopment);
        break;
    case kCmdResetView:
        s_.frame.UpdateAllViews(UpdateHint::FitDevelopment);
        break;
    case kCmdShowObjectList:
        s_.frame.ShowObjectList();
        break;
    case kCmdSplitWindow:
        s_.frame.SplitWindow();
        break;
    case kCmdSingleWindow:
        s_.frame.SingleWindow();
        break;
    case kCmdTextureConfiguration:
        if (s_.document.Current()->model->materials.empty())
            s_.prompt.Message(kMessageNoMaterials);
        else
            RunExternal(commandId);
        break;
    case kCmdResetToDefault:
        ResetConfigurations(s_.session, s_.prompt);
        break;
    case kCmdOpenHelp:
        OpenHelp();
        break;
    case kCmdVersionInfo:
        s_.frame.ShowAbout();
        break;
    case kCmdWebPage:
        OpenWebPage();
        break;
    case kCmdColorConfiguration:
        RunExternal(commandId);
        s_.frame.UpdateAllViews(UpdateHint::Redraw);
        break;
    case kCmdExportBitmap:
    case kCmdExportSheetBitmaps:
    case kCmdExportEps:
    case kCmdExportDxf:
    case kCmdExportEmf:
    case kCmdExportTextureBitmap:
    case kCmdExportSvg:
    case kCmdExportPdf:
        Export(commandId);
        break;
    default:
        RunExternal(commandId);
        break;
    }
}

} // namespace tsm
