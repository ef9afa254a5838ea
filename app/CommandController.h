// What each command of the main window does and when it may run. The window builds its menus and
// toolbar from the command table and hands every command here, where the row's handler runs; the window
// side of a command (dialogs, the splitter, the bars) comes back through IFrameActions or is installed by
// the window, so the rules run and are tested without a window.
#pragma once

#include "app/CommandTable.h"
#include "app/DesktopServices.h"
#include "app/RecentFileList.h"
#include "model/ModelCompletion.h"
#include "model/OpenPipeline.h"
#include "model/SettingsPersistence.h"
#include "sheet/ExportCommands.h"

#include <functional>
#include <map>
#include <string>

namespace tsm {

extern const char* const kMessageNoMaterials;     // "There are no material data. Texture can not be set."
extern const char* const kMessageNoHelpFile;      // "Cannot find help file."
extern const char* const kMessageUnknownFileType; // "Cannot load file of specified type."
extern const char* const kMessageNoWebPage;       // the web page command without a server address

// Whether a file of this name's type can be opened: a model file (.tsm) or a mesh (.obj, .off, .stl, .ply).
bool IsOpenableType(const std::string& path);

// The main window as the commands and the views' windows see it; the part the open pipeline drives, the
// title, the recent files, the panels and UpdateAllViews, is IDocumentWindow's.
class IFrameActions : public IDocumentWindow {
public:
    // The current document; null before the first successful open.
    virtual Document* CurrentDocument() const = 0;
    // The application's settings with the current document's display block in place.
    virtual Settings ViewSettings() const = 0;
    // A view's GL context reported its largest texture size.
    virtual void TextureLimitFound(int pixels) = 0;
    virtual IPrompt& FramePrompt() = 0;
    // Runs a command of the table as the menus do (the views' context menus use it).
    virtual void ExecuteCommand(CommandId commandId) = 0;
    // The status bar's idle text after a mode change.
    virtual void RefreshIdleText() = 0;
    virtual void RecentFilesChanged() = 0;
    virtual void SplitWindow() = 0;
    virtual void SingleWindow() = 0;
    virtual void ShowObjectList() = 0;
    virtual void ShowDocumentInfo() = 0;
    virtual void ShowAbout() = 0;
    virtual void ToggleBar(CommandId commandId) = 0;
    virtual void CloseFrame() = 0;
    // Copy, print, print preview and the bitmap exports belong to the development view.
    virtual void ForwardToDevelopmentView(CommandId commandId) = 0;
    // A passing note in the status bar's message pane.
    virtual void ShowStatusText(const std::string& text) = 0;
    // The help page (an HTML file) in the program's own window, for when no desktop launcher opens it;
    // false when the window cannot show it.
    virtual bool ShowHelpWindow(const std::string& path) {
        (void)path;
        return false;
    }
};

extern const char* const kSaveChangesQuestion; // "Save changes to %s?"
// What a failed save says: the file and the writer's reason.
std::string SaveFailureMessage(const std::string& path, const std::string& reason);

struct CommandServices {
    DocumentController& document;
    Settings& settings; // the application's
    SettingsSession& session;
    IPrompt& prompt;
    IShell& shell;
    IFileChooser& chooser;
    IModelCompletion& completion;
    IFrameActions& frame;
    RecentFileList& recentFiles;
    std::string programDir; // ending in '/'
};

class CommandController {
public:
    explicit CommandController(CommandServices services);

    // A command the window installs is off until it is installed.
    bool IsEnabled(CommandId commandId) const;
    // The check mark of a toggle or mode command; false for the others (the bar commands are the window's).
    bool IsChecked(CommandId commandId) const;
    // Whether the command's handler can run: always, but for a command the window installs, once it has.
    bool HasHandler(CommandId commandId) const;

    // Runs the handler of a command of the table; a disabled or unknown command does nothing.
    void Execute(CommandId commandId);

    // Opens a model through the open pipeline, as the command line and dropped files do.
    bool OpenPath(const std::string& path);
    // A dropped file: the current document's unsaved changes are asked about first.
    bool OpenReplacing(const std::string& path);
    // Opens the entry of the recent-file list; an entry that fails to open leaves the list.
    void OpenRecentFile(size_t index);

    // Save and Save As. False when the document was not saved: none to save, the dialog cancelled, or the
    // write failed (the user is told why; the document keeps its unsaved mark).
    bool Save();
    bool SaveAs();
    // Before the current document is replaced or closed: when it has unsaved changes, asks "Save changes
    // to NAME?". False means keep it: Cancel, or Yes and the save did not happen.
    bool ConfirmSetAside();

    // Commands whose dialogs and engines live in the window (printing, the other configuration dialogs,
    // the version check, unfolding and layout) run what the window installs here; until then they are off.
    void SetExternalHandler(CommandId commandId, std::function<void()> handler);
    // The same for a command that can act only sometimes (Delete: while the development view has a
    // selection): `enabled` is asked on top of the table's rule.
    void SetExternalHandler(CommandId commandId, std::function<void()> handler,
                            std::function<bool()> enabled);

    ExportOptions& exportOptions() { return exportOptions_; }

    // The table's handlers, each given its row.
    void OpenFile(const CommandInfo& command);
    void ImportModel(const CommandInfo& command);
    void SaveFile(const CommandInfo& command);
    void SaveFileAs(const CommandInfo& command);
    void Undo(const CommandInfo& command);
    void Redo(const CommandInfo& command);
    void Exit(const CommandInfo& command);
    void ToggleBar(const CommandInfo& command);
    void ToggleSwitch(const CommandInfo& command);
    void ShowFlaps(const CommandInfo& command);
    void ChooseEditMode(const CommandInfo& command);
    void RunInstalled(const CommandInfo& command);
    void ForwardToDevelopmentView(const CommandInfo& command);
    void ShowDocumentInfo(const CommandInfo& command);
    void ResetViewPosition(const CommandInfo& command);
    void ResetView(const CommandInfo& command);
    void ShowObjectList(const CommandInfo& command);
    void SplitWindow(const CommandInfo& command);
    void SingleWindow(const CommandInfo& command);
    void TextureConfiguration(const CommandInfo& command);
    void ColorConfiguration(const CommandInfo& command);
    void ResetToDefault(const CommandInfo& command);
    void OpenHelp(const CommandInfo& command);
    void OpenWebPage(const CommandInfo& command);
    void ShowVersionInfo(const CommandInfo& command);
    // EPS, DXF, EMF and SVG; EPS runs the window's (with its options dialog) once installed.
    void ExportVector(const CommandInfo& command);
    // The sheets' bitmaps and PDF, the window's once installed; like every output of the sheets they ask
    // first when parts or texts lie off the sheets.
    void ExportInstalled(const CommandInfo& command);

private:
    bool HasModel() const;
    bool HasDevelopment() const;
    // False when parts or texts lie off the sheets and the user chose not to export them so.
    bool ConfirmExport();
    void ChooseAndOpen(bool import);
    bool WriteDocument(const std::string& path);
    void UndoOrRedo(bool undo);

    CommandServices s_;
    struct External {
        std::function<void()> run;
        std::function<bool()> enabled; // empty: whenever the table's rule allows
    };
    std::map<CommandId, External> external_;
    ExportOptions exportOptions_;
};

} // namespace tsm
