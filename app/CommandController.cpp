#include "app/CommandController.h"

#include "app/FailureReport.h"
#include "engine/DocumentEdits.h"
#include "model/DocumentSettings.h"
#include "sheet/OffSheet.h"
#include "sheet/Paper.h"
#include "update/UpdateCheck.h"

#include "engine/MeshImportPipeline.h"
#include "model/MeshImport.h"
#include "model/TextCase.h"

#include <QUrl>

#include <algorithm>
#include <filesystem>

namespace tsm {

const char* const kMessageNoMaterials = "There are no material data. Texture can not be set.";
const char* const kMessageNoHelpFile = "Cannot find help file.";
const char* const kMessageUnknownFileType = "Cannot load file of specified type.";
const char* const kMessageNoWebPage =
    "This installation of Tessaly has no web page address.\nThe manual is always at hand under Help > Open "
    "Help (F1); updates come with your system's packages.";
const char* const kSaveChangesQuestion = "Save changes to %s?";

std::string SaveFailureMessage(const std::string& path, const std::string& reason) {
    return "Could not save " + path + ".\n" + reason;
}

CommandController::CommandController(CommandServices services) : s_(std::move(services)) {}

bool CommandController::HasModel() const {
    const Document* document = s_.document.Current();
    return document != nullptr && document->model != nullptr;
}

bool CommandController::HasDevelopment() const {
    return HasModel() && s_.document.Current()->development != nullptr;
}

bool CommandController::IsEnabled(CommandId commandId) const {
    if (commandId == CommandId::EditUndo || commandId == CommandId::EditRedo) {
        const Document* document = s_.document.Current();
        return document != nullptr &&
               (commandId == CommandId::EditUndo ? document->history.CanUndo() : document->history.CanRedo());
    }
    const CommandInfo* command = FindCommand(commandId);
    if (command == nullptr || !IsCommandEnabled(*command, HasModel(), HasDevelopment())) return false;
    if (!HasHandler(commandId)) return false;
    const auto found = external_.find(commandId);
    return found == external_.end() || !found->second.enabled || found->second.enabled();
}

bool CommandController::IsChecked(CommandId commandId) const {
    const CommandInfo* command = FindCommand(commandId);
    return command != nullptr &&
           IsCommandChecked(*command, DocumentSettings(s_.settings, s_.document.Current()));
}

bool CommandController::HasHandler(CommandId commandId) const {
    const CommandInfo* command = FindCommand(commandId);
    if (command == nullptr || command->run == nullptr) return false;
    if (command->run != &CommandController::RunInstalled &&
        command->run != &CommandController::ExportInstalled)
        return true;
    const auto found = external_.find(commandId);
    return found != external_.end() && found->second.run;
}

void CommandController::SetExternalHandler(CommandId commandId, std::function<void()> handler) {
    external_[commandId] = External{std::move(handler), {}};
}

void CommandController::SetExternalHandler(CommandId commandId, std::function<void()> handler,
                                           std::function<bool()> enabled) {
    external_[commandId] = External{std::move(handler), std::move(enabled)};
}

void CommandController::RunInstalled(const CommandInfo& command) {
    const auto found = external_.find(command.id);
    if (found != external_.end() && found->second.run) found->second.run();
}

bool IsOpenableType(const std::string& path) {
    return EqualsAsciiLower(std::filesystem::path(path).extension().string(), ".tsm") || IsMeshFile(path);
}

bool CommandController::OpenPath(const std::string& path) {
    // A mesh from another program, chosen in Open, dropped or named on the command line, comes in as a new
    // model to unfold, as Import Mesh brings it (converted first where our readers do not read it);
    // everything else is read as a model file, which says what is wrong with it.
    const Outcome opened =
        IsMeshFile(path) ? ImportMeshFile(s_.document, path, s_.prompt) : s_.document.OpenModelFile(path);
    ReportFailure(s_.prompt, opened, PromptIcon::Error);
    return opened.ok();
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
    const std::string start = OpenDialogStartFolder(s_.settings.lastModelFolder, s_.programDir);
    if (import) {
        const std::optional<std::string> chosen = s_.chooser.ChooseOpenFile(kModelFileFilter, start);
        if (chosen) ReportFailure(s_.prompt, s_.document.ImportModelFile(*chosen), PromptIcon::Error);
        return;
    }
    if (!ConfirmSetAside()) return;
    const std::optional<std::string> chosen = s_.chooser.ChooseOpenFile(kOpenAnyFileFilter, start);
    if (chosen) OpenPath(*chosen);
}

void CommandController::OpenFile(const CommandInfo&) {
    ChooseAndOpen(false);
}

void CommandController::ImportModel(const CommandInfo&) {
    ChooseAndOpen(true);
}

void CommandController::SaveFile(const CommandInfo&) {
    Save();
}

void CommandController::SaveFileAs(const CommandInfo&) {
    SaveAs();
}

void CommandController::Undo(const CommandInfo&) {
    UndoOrRedo(true);
}

void CommandController::Redo(const CommandInfo&) {
    UndoOrRedo(false);
}

void CommandController::Exit(const CommandInfo&) {
    s_.frame.CloseFrame();
}

void CommandController::ToggleBar(const CommandInfo& command) {
    s_.frame.ToggleBar(command.id);
}

void CommandController::ForwardToDevelopmentView(const CommandInfo& command) {
    s_.frame.ForwardToDevelopmentView(command.id);
}

void CommandController::ShowDocumentInfo(const CommandInfo&) {
    s_.frame.ShowDocumentInfo();
}

void CommandController::ResetViewPosition(const CommandInfo&) {
    s_.frame.UpdateAllViews(UpdateHint::ResetCamera);
    s_.frame.UpdateAllViews(UpdateHint::FitDevelopment);
}

void CommandController::ResetView(const CommandInfo&) {
    s_.frame.UpdateAllViews(UpdateHint::FitDevelopment);
}

void CommandController::ShowObjectList(const CommandInfo&) {
    s_.frame.ShowObjectList();
}

void CommandController::SplitWindow(const CommandInfo&) {
    s_.frame.SplitWindow();
}

void CommandController::SingleWindow(const CommandInfo&) {
    s_.frame.SingleWindow();
}

void CommandController::ShowVersionInfo(const CommandInfo&) {
    s_.frame.ShowAbout();
}

void CommandController::TextureConfiguration(const CommandInfo& command) {
    if (s_.document.Current()->model->materials.empty())
        s_.prompt.Message(kMessageNoMaterials);
    else
        RunInstalled(command);
}

void CommandController::ColorConfiguration(const CommandInfo& command) {
    RunInstalled(command);
    s_.frame.UpdateAllViews(UpdateHint::Redraw);
}

void CommandController::ResetToDefault(const CommandInfo&) {
    ResetConfigurations(s_.session, s_.prompt);
}

void CommandController::ChooseEditMode(const CommandInfo& command) {
    s_.settings.editMode = NextEditMode(s_.settings.editMode, command.mode);
    s_.frame.UpdateAllViews(UpdateHint::ClearSelection);
    s_.frame.RefreshIdleText();
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

bool CommandController::ConfirmExport() {
    if (s_.document.Current() == nullptr) return true;
    const Document& document = *s_.document.Current();
    const Paper paper = Paper::FromSettings(DocumentSettings(s_.settings, &document));
    return ConfirmOffSheet(document, paper, s_.prompt, "Export anyway");
}

void CommandController::ExportInstalled(const CommandInfo& command) {
    if (ConfirmExport()) RunInstalled(command);
}

void CommandController::ExportVector(const CommandInfo& command) {
    if (!ConfirmExport()) return;
    ExportFormat format = ExportFormat::Dxf;
    switch (command.id) {
    case CommandId::ExportEps:
        // The window adds its options dialog.
        if (external_.count(command.id) != 0) {
            RunInstalled(command);
            return;
        }
        format = ExportFormat::Eps;
        break;
    case CommandId::ExportEmf:
        format = ExportFormat::Emf;
        break;
    case CommandId::ExportSvg:
        format = ExportFormat::Svg;
        break;
    default:
        break;
    }
    const std::optional<std::string> chosen =
        s_.chooser.ChooseSaveFile(ExportDialogFilter(format), ExportDefaultExtension(format));
    if (!chosen || s_.document.Current() == nullptr) return;
    // The command has shown its own messages; the window has nothing to add.
    Document& document = *s_.document.Current();
    (void)ExportDevelopment(format, document, DocumentSettings(s_.settings, &document), *chosen,
                            exportOptions_, s_.prompt);
}

void CommandController::OpenHelp(const CommandInfo&) {
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

void CommandController::OpenWebPage(const CommandInfo&) {
    // The page lives where the update server does; one setting names both.
    const std::string page = ProductWebPage(s_.settings.updateServerUrl);
    if (page.empty())
        s_.prompt.Message(kMessageNoWebPage);
    else
        s_.shell.OpenUrl(page);
}

void CommandController::Execute(CommandId commandId) {
    const CommandInfo* command = FindCommand(commandId);
    if (command == nullptr || !IsEnabled(commandId)) return;
    (this->*command->run)(*command);
}

// The commands that keep the user's work: Save, Save As, the question before a document with unsaved
// changes is set aside, and Undo and Redo of the edits.
bool CommandController::Save() {
    if (s_.document.Current() == nullptr) return false;
    const std::string path = s_.document.SavePath();
    return path.empty() ? SaveAs() : WriteDocument(path);
}

bool CommandController::SaveAs() {
    if (s_.document.Current() == nullptr) return false;
    const std::optional<std::string> chosen =
        s_.chooser.ChooseSaveFile(kModelFileFilter, "tsm", s_.document.SuggestedSavePath());
    return chosen && WriteDocument(*chosen);
}

bool CommandController::WriteDocument(const std::string& path) {
    const Outcome outcome = s_.document.SaveAs(path);
    if (!outcome.ok()) {
        ReportFailure(s_.prompt, Outcome::Failed(SaveFailureMessage(path, outcome.reason())),
                      PromptIcon::Error);
        return false;
    }
    s_.frame.RecentFilesChanged();
    return true;
}

bool CommandController::ConfirmSetAside() {
    const Document* document = s_.document.Current();
    if (document == nullptr || !document->modified) return true;
    std::string question = kSaveChangesQuestion;
    question.replace(question.find("%s"), 2, s_.document.Title());
    switch (s_.prompt.AskYesNoCancel(question)) {
    case PromptAnswer::Yes:
        return Save();
    case PromptAnswer::No:
        return true;
    case PromptAnswer::Cancel:
        break;
    }
    return false;
}

void CommandController::UndoOrRedo(bool undo) {
    Document* document = s_.document.Current();
    if (document == nullptr) return;
    const Settings settings = DocumentSettings(s_.settings, document);
    EditContext context{*document, settings, Paper::FromSettings(settings).PrintableWidth()};
    const EditResult result = undo ? tsm::Undo(context) : tsm::Redo(context);
    if (!result.ok()) {
        ReportFailure(s_.prompt, result.outcome());
        return;
    }
    s_.frame.UpdateAllViews(*result);
    s_.frame.RefreshIdleText();
}

} // namespace tsm
