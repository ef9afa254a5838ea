// The main window: toolbar, menus, the two-pane status bar, the splitter with the 3D view on the left and
// the development view on the right, the Object List, and what it stores when it closes. It is the open
// pipeline's window and the views' frame; what each command does is the command controller's.
#pragma once

#include "app/CommandController.h"
#include "app/CoordinateWizard.h"
#include "app/DesktopServices.h"
#include "app/DocumentViewWidget.h"
#include "app/FrameCommandUi.h"
#include "app/FrameProfile.h"
#include "app/MessageBoxPrompt.h"
#include "app/OutputCommands.h"
#include "app/RecentFileList.h"
#include "engine/EngineCompletion.h"
#include "model/OpenPipeline.h"
#include "model/SettingsPersistence.h"
#include "update/UpdateCheck.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QSplitter;
class QToolBar;

namespace tsm {

class HelpWindow;
class ObjectListDialog;
class RecoveryController;
class TextureConfigDialog;
class SplashWindow;

struct FrameServices {
    IPrompt* prompt = nullptr;       // null: modal message boxes
    IShell* shell = nullptr;         // null: the desktop's default programs
    IFileChooser* chooser = nullptr; // null: the standard file dialogs
    BmpSizeChooser bmpSize;          // null: the "Output Size (BMP)" dialog
    EpsOptionsChooser epsOptions;    // null: the "EPS Option" dialog
    bool showSplash = true;
    std::string programDir;     // ending in '/'; empty: the running executable's folder
    std::string recoveryFolder; // empty: the user's state folder (RecoveryFolder)
};

class MainFrame : public QMainWindow, public IFrameActions {
public:
    // Creates the frame in the start-up order: client, toolbar and menus, status bar, drops, the stored
    // placement, the Object List, the settings, the splitter at half width, the font list, the bar state
    // and the splash window. The session's store must have been read.
    MainFrame(SettingsSession& session, FrameServices services = {});
    ~MainFrame() override;

    // The command-line text taken whole as one path (surrounding quotes dropped) and opened; an empty
    // text opens nothing.
    bool OpenFromCommandLine(const std::string& commandLineText);

    // The version check (quiet at start, interactive from the Help menu) lives elsewhere.
    void SetVersionCheck(std::function<void(bool quiet)> check);
    void RunStartupVersionCheck();
    // The Texture Configuration dialog's material list, refreshed with the other panels.
    void SetMaterialListRefresh(std::function<void()> refresh) { materialListRefresh_ = std::move(refresh); }

    void RefreshCommandStates();
    // "Change Model Coordinates" with the orientation guide in the 3D view; true when the model changed.
    bool RunCoordinateWizard();
    // The wizard's step dialogs; unset: the modal dialogs over this window.
    void SetWizardSteps(std::function<WizardChoice(WizardStep)> ask) { askWizardStep_ = std::move(ask); }
    TextureConfigDialog* TextureDialog() const { return textureDialog_; }
    // The version check's request (its timeout may be shortened) and its start-up notice; unset: the
    // "Update Information" dialog over this window.
    UpdateRequest* VersionRequest() const { return updateRequest_; }
    void SetUpdateNotice(std::function<NoticeAnswer()> notice) { updateNotice_ = std::move(notice); }

    CommandController& Commands() { return controller_; }
    DocumentController& Doc() { return doc_; }
    Settings& AppSettings() { return settings_; }
    RecentFileList& RecentFiles() { return recent_; }
    FrameCommandUi& CommandUi() { return ui_; }
    ModelViewWidget* View3D() const { return view3d_; }
    DevelopmentViewWidget* DevelopmentView() const { return view2d_; }
    QSplitter* Splitter() const { return splitter_; }
    QToolBar* ToolBar() const { return toolbar_; }
    QToolBar* ModeToolBar() const { return modeToolbar_; }
    QLabel* MessagePane() const { return messagePane_; }
    QLabel* SecondPane() const { return secondPane_; }
    // "2 parts lie outside the sheets.", empty while every part and text is on a sheet.
    QLabel* OffSheetPane() const { return offSheetPane_; }
    ObjectListDialog* ObjectList() const { return objectList_; }
    SplashWindow* Splash() const;
    RecoveryController& Recovery() const { return *recovery_; }

    // IDocumentWindow
    void SetTitle(const std::string& title) override;
    void AddRecentFile(const std::string& path) override;
    void RefreshDocumentPanels() override;
    void UpdateAllViews(UpdateHint hint) override;

    // IFrameActions
    Document* CurrentDocument() const override { return doc_.Current(); }
    Settings ViewSettings() const override;
    void TextureLimitFound(int pixels) override;
    IPrompt& FramePrompt() override { return prompt_; }
    void ExecuteCommand(CommandId commandId) override;
    void ShowStatusText(const std::string& text) override;
    bool ShowHelpWindow(const std::string& path) override;
    // The help window once opened, null before.
    HelpWindow* Help() const { return helpWindow_; }
    void RefreshIdleText() override;
    void RecentFilesChanged() override;
    void SplitWindow() override;
    void SingleWindow() override;
    void ShowObjectList() override;
    void ShowDocumentInfo() override;
    void ShowAbout() override;
    void ToggleBar(CommandId commandId) override;
    void CloseFrame() override;
    void ForwardToDevelopmentView(CommandId commandId) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateClient();
    void CreateModeToolBar();
    void CreateStatusBar();
    void RefreshOffSheetCount();
    void RestorePlacement();
    void RestoreBarState();
    void SetFirstColumnWidth(int width);
    void SaveAtClose();
    void RefreshTitle();
    void InstallConfigurationCommands();
    void StartVersionCheck(bool quiet);

    SettingsSession& session_;
    std::unique_ptr<MessageBoxPrompt> ownPrompt_;
    std::unique_ptr<DesktopShell> ownShell_;
    std::unique_ptr<DialogFileChooser> ownChooser_;
    IPrompt& prompt_;
    IShell& shell_;
    IFileChooser& chooser_;
    std::string programDir_;
    // The application's settings: read at start, written at close, passed down to everything else.
    Settings settings_;
    EngineCompletion completion_;
    DocumentController doc_;
    RecentFileList recent_;
    CommandController controller_;
    FrameCommandUi ui_;

    QSplitter* splitter_ = nullptr;
    ModelViewWidget* view3d_ = nullptr;
    DevelopmentViewWidget* view2d_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QToolBar* modeToolbar_ = nullptr; // the development view's edit modes
    QLabel* messagePane_ = nullptr;
    QLabel* secondPane_ = nullptr;
    QLabel* offSheetPane_ = nullptr;
    HelpWindow* helpWindow_ = nullptr;
    ObjectListDialog* objectList_ = nullptr;
    TextureConfigDialog* textureDialog_ = nullptr;
    std::function<WizardChoice(WizardStep)> askWizardStep_;
    UpdateRequest* updateRequest_ = nullptr;
    std::function<NoticeAnswer()> updateNotice_;
    QPointer<SplashWindow> splash_;
    std::function<void(bool)> versionCheck_;
    std::function<void()> materialListRefresh_;
    std::unique_ptr<RecoveryController> recovery_;
    bool saved_ = false;
    std::string title_; // the document's, without the unsaved-changes mark
};

} // namespace tsm
