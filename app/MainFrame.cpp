#include "app/MainFrame.h"

#include "app/AboutDialog.h"
#include "app/AppInfo.h"
#include "app/AssemblyOrderDialog.h"
#include "app/AssemblyStepDialog.h"
#include "app/CommandLine.h"
#include "app/ConfigurationDialogs.h"
#include "app/DevelopmentViewLogic.h"
#include "app/DocumentInfoDialog.h"
#include "app/HelpWindow.h"
#include "app/ModelCommands.h"
#include "app/ModelViewAdapter.h"
#include "app/ObjectListDialog.h"
#include "app/PrintCommands.h"
#include "app/PrintConfigDialog.h"
#include "app/RecoveryController.h"
#include "app/SplashWindow.h"
#include "app/StatusTexts.h"
#include "app/TextureConfigDialog.h"
#include "app/ToolbarIcons.h"
#include "app/UpdateNoticeDialog.h"
#include "model/DocumentSettings.h"
#include "sheet/DevelopmentViewState.h"
#include "sheet/FontFamilies.h"
#include "sheet/OffSheet.h"
#include "sheet/Paper.h"
#include "sheet/SheetScreen.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace tsm {

namespace {

QString Local(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// The first local file among the dropped URLs; an application opens one document at a time.
std::string FirstDroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QByteArray path = url.toLocalFile().toLocal8Bit();
        if (!path.isEmpty()) return std::string(path.constData(), static_cast<size_t>(path.size()));
    }
    return {};
}

// A stored rectangle is used only where some screen shows it, so that a window saved on a monitor that is
// gone does not open out of reach.
bool OnSomeScreen(const QRect& rect) {
    const auto screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&rect](const QScreen* screen) {
        return screen->availableGeometry().intersects(rect);
    });
}

} // namespace

MainFrame::MainFrame(SettingsSession& session, FrameServices services)
    : session_(session), ownPrompt_(services.prompt ? nullptr : std::make_unique<MessageBoxPrompt>()),
      ownShell_(services.shell ? nullptr : std::make_unique<DesktopShell>()),
      ownChooser_(services.chooser ? nullptr : std::make_unique<DialogFileChooser>(this)),
      prompt_(services.prompt ? *services.prompt : *ownPrompt_),
      shell_(services.shell ? *services.shell : *ownShell_),
      chooser_(services.chooser ? *services.chooser : *ownChooser_),
      programDir_(services.programDir.empty() ? ProgramDirectory() : services.programDir),
      doc_(settings_, prompt_, completion_, this), recent_(kRecentFileCount),
      controller_(CommandServices{doc_, settings_, session_, prompt_, shell_, chooser_, completion_, *this,
                                  recent_, programDir_}),
      ui_(*this, FrameCommandUi::Callbacks{[this](CommandId id) { ExecuteCommand(id); },
                                           [this](size_t index) {
                                               controller_.OpenRecentFile(index);
                                               RefreshCommandStates();
                                           },
                                           [this] { RefreshCommandStates(); }}) {
    if (ownPrompt_) ownPrompt_->SetParent(this);
    setWindowIcon(ApplicationIcon());
    recent_.Load(session_.store());
    // The Model menu's dialogs and progress window, over this window.
    ModelCommandDialogs modelDialogs = WindowModelCommandDialogs(this, &session_.store());
    InstallModelCommands(controller_,
                         ModelCommandServices{doc_,
                                              settings_,
                                              prompt_,
                                              *this,
                                              modelDialogs,
                                              {},
                                              &chooser_,
                                              programDir_,
                                              [this] { return controller_.ConfirmSetAside(); },
                                              [this] { RunCoordinateWizard(); },
                                              [this] { ExecuteCommand(CommandId::SimplifyMesh); }});

    InstallOutputCommands(controller_, OutputCommandServices{doc_, settings_, prompt_, chooser_, *this,
                                                             std::move(services.bmpSize),
                                                             std::move(services.epsOptions), this});

    CreateClient();
    // Edit > Delete takes what the development view has selected, as its Delete key does; the view's
    // logic is looked up each time, as it may be replaced.
    const auto development = [this] { return dynamic_cast<DevelopmentViewLogic*>(view2d_->Logic()); };
    controller_.SetExternalHandler(
        CommandId::EditDelete,
        [development] {
            if (DevelopmentViewLogic* logic = development()) logic->DeleteSelection();
        },
        [development] {
            const DevelopmentViewLogic* logic = development();
            return logic != nullptr && logic->CanDeleteSelection();
        });
    toolbar_ = ui_.CreateToolBar();
    CreateModeToolBar();
    ui_.CreateMenus();
    CreateStatusBar();
    setAcceptDrops(true);
    RestorePlacement();
    InstallAssemblyStepView(controller_, this, doc_, [this]() -> ModelViewLogic* {
        auto* adapter = dynamic_cast<ModelViewAdapter*>(view3d_->Logic());
        return adapter != nullptr ? &adapter->Logic() : nullptr;
    });
    InstallAssemblyOrderCommand(controller_, this, doc_, prompt_,
                                [this](UpdateHint hint) { UpdateAllViews(hint); });
    objectList_ = new ObjectListDialog(this, [this] { UpdateAllViews(UpdateHint::Redraw); });
    objectList_->hide();
    controller_.SetExternalHandler(CommandId::PrintConfiguration, [this] {
        if (const std::optional<UpdateHint> hint = RunPrintConfiguration(this, settings_, doc_.Current()))
            UpdateAllViews(*hint);
    });
    controller_.SetExternalHandler(CommandId::PrinterSetup, [this] { RunPrinterSetupCommand(this); });
    InstallConfigurationCommands();
    LoadSettings(session_, settings_, programDir_);
    completion_ = EngineCompletion(settings_);
    SetFirstColumnWidth(std::max(0, width() / 2));
    doc_.SetInstalledFontFamilies(InstalledFontFamilies());
    RestoreBarState();
    if (services.showSplash) {
        splash_ = new SplashWindow();
        splash_->show();
    }

    recovery_ = std::make_unique<RecoveryController>(
        doc_, settings_, prompt_,
        services.recoveryFolder.empty() ? RecoveryFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"))
                                        : services.recoveryFolder);

    setWindowTitle(Local(std::string(kUntitledDocument) + " - " + kProductName));
    RecentFilesChanged();
    RefreshDocumentPanels();
}

MainFrame::~MainFrame() {
    if (splash_) delete splash_.data();
    // The views' logic and the Object List reach the document while they go; they go first.
    delete objectList_;
    delete textureDialog_;
    delete splitter_;
}

SplashWindow* MainFrame::Splash() const {
    return splash_.data();
}

void MainFrame::CreateClient() {
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("ViewSplitter"));
    splitter_->setChildrenCollapsible(true);
    view3d_ = new ModelViewWidget(*this, splitter_);
    view2d_ = new DevelopmentViewWidget(*this, splitter_);
    auto model3d = std::make_unique<ModelViewAdapter>(*view3d_);
    ModelViewLogic* logic3d = &model3d->Logic();
    view3d_->SetLogic(std::move(model3d));
    auto development = std::make_unique<DevelopmentViewLogic>(*view2d_);
    // A face checked on the development turns the model towards it.
    development->SetFaceCheckListener(
        [logic3d](const std::vector<const Face*>& faces) { logic3d->TurnTowards(faces); });
    view2d_->SetLogic(std::move(development));
    splitter_->addWidget(view3d_);
    splitter_->addWidget(view2d_);
    setCentralWidget(splitter_);
}

void MainFrame::CreateModeToolBar() {
    modeToolbar_ = new QToolBar(QStringLiteral("Edit Modes"), this);
    modeToolbar_->setObjectName(QStringLiteral("ModeToolBar"));
    modeToolbar_->setIconSize(QSize(16, 16));
    const CommandId modes[kModeImageCount] = {CommandId::ModeSelectMove, CommandId::ModeEditFlaps,
                                              CommandId::ModeRotatePart, CommandId::ModeJoinFace,
                                              CommandId::ModeInputText,  CommandId::ModeColorEdge};
    for (int i = 0; i < kModeImageCount; ++i) {
        QAction* action = ui_.Action(modes[i]);
        if (action == nullptr) continue;
        action->setIcon(ModeToolbarIcon(i));
        modeToolbar_->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, modeToolbar_);
}

void MainFrame::CreateStatusBar() {
    messagePane_ = new QLabel(this);
    messagePane_->setObjectName(QStringLiteral("MessagePane"));
    secondPane_ = new QLabel(this);
    secondPane_->setObjectName(QStringLiteral("SizePane"));
    secondPane_->setMinimumWidth(120);
    offSheetPane_ = new QLabel(this);
    offSheetPane_->setObjectName(QStringLiteral("OffSheetPane"));
    // The warning colour of the development view's marks, so that the count is read as one with them.
    offSheetPane_->setStyleSheet(QStringLiteral("color: rgb(200, 60, 0);"));
    statusBar()->addWidget(messagePane_, 1);
    statusBar()->addPermanentWidget(offSheetPane_);
    statusBar()->addPermanentWidget(secondPane_);
}

void MainFrame::RestorePlacement() {
    const WindowPlacement placement = ReadWindowPlacement(session_.store());
    const QRect stored(placement.left, placement.top, placement.right - placement.left,
                       placement.bottom - placement.top);
    if (!placement.IsEmpty() && OnSomeScreen(stored)) {
        setGeometry(stored);
        return;
    }
    // First start: most of the screen, centred.
    QRect area(0, 0, 1280, 800);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
    const QSize size(std::min(1200, area.width() * 9 / 10), std::min(780, area.height() * 9 / 10));
    setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
}

void MainFrame::RestoreBarState() {
    BarState state;
    if (!ReadBarState(session_.store(), &state)) return;
    if (!state.layout.empty())
        restoreState(QByteArray(state.layout.data(), static_cast<qsizetype>(state.layout.size())));
    toolbar_->setVisible(state.toolbarVisible);
    modeToolbar_->setVisible(state.toolbarVisible);
    statusBar()->setVisible(state.statusBarVisible);
}

void MainFrame::SetFirstColumnWidth(int width) {
    // The splitter fills the frame's width.
    const int total = this->width();
    splitter_->setSizes({width, std::max(0, total - width - splitter_->handleWidth())});
}

bool MainFrame::OpenFromCommandLine(const std::string& commandLineText) {
    if (commandLineText.empty()) return false;
    const bool opened = controller_.OpenPath(PathFromCommandLine(commandLineText));
    RefreshCommandStates();
    return opened;
}

void MainFrame::InstallConfigurationCommands() {
    controller_.SetExternalHandler(CommandId::OtherConfigurations, [this] {
        if (const std::optional<UpdateHint> hint =
                RunOtherConfigurations(this, settings_, doc_.Current(), prompt_, StandardColorChooser(this)))
            UpdateAllViews(*hint);
    });
    controller_.SetExternalHandler(CommandId::ColorConfiguration, [this] {
        ColorConfigDialog dialog(this, settings_, StandardColorChooser(this));
        dialog.exec();
    });
    textureDialog_ = new TextureConfigDialog(
        this, TextureConfigServices{[this] { return doc_.Current(); }, settings_, prompt_, chooser_,
                                    [this](UpdateHint hint) { UpdateAllViews(hint); }});
    textureDialog_->hide();
    materialListRefresh_ = [this] { textureDialog_->Refresh(); };
    controller_.SetExternalHandler(CommandId::TextureConfiguration, [this] {
        textureDialog_->show();
        textureDialog_->raise();
        textureDialog_->activateWindow();
    });
    controller_.SetExternalHandler(CommandId::ChangeCoordinates, [this] { RunCoordinateWizard(); });
    updateRequest_ = new UpdateRequest(this);
    SetVersionCheck([this](bool quiet) { StartVersionCheck(quiet); });
}

void MainFrame::StartVersionCheck(bool quiet) {
    // Without a server there is nothing to ask at start-up; the menu command says it got no answer.
    if (quiet && settings_.updateServerUrl.empty()) return;
    updateRequest_->Start(settings_.updateServerUrl, [this, quiet](const UpdateReply& reply) {
        const auto notice = updateNotice_ ? updateNotice_ : [this] { return AskUpdateNotice(this); };
        PresentUpdateReply(
            reply, quiet, settings_, prompt_, [this](const std::string& url) { shell_.OpenUrl(url); },
            notice);
    });
}

bool MainFrame::RunCoordinateWizard() {
    Document* document = doc_.Current();
    if (document == nullptr || document->model == nullptr) return false;
    ModelViewLogic* guide = nullptr;
    if (auto* adapter = dynamic_cast<ModelViewAdapter*>(view3d_->Logic())) guide = &adapter->Logic();
    CoordinateWizardHost host;
    host.ask =
        askWizardStep_ ? askWizardStep_ : [this](WizardStep step) { return AskWizardStep(this, step); };
    host.setGuide = [guide](int mode) {
        if (guide != nullptr) guide->SetGuideMode(mode);
    };
    host.updateAllViews = [this](UpdateHint hint) { UpdateAllViews(hint); };
    const bool changed = tsm::RunCoordinateWizard(*document, ViewSettings(), host);
    RefreshIdleText();
    return changed;
}

void MainFrame::SetVersionCheck(std::function<void(bool)> check) {
    versionCheck_ = std::move(check);
    controller_.SetExternalHandler(CommandId::CheckForUpdate, [this] {
        if (versionCheck_) versionCheck_(false);
    });
}

void MainFrame::RunStartupVersionCheck() {
    if (versionCheck_) versionCheck_(true);
}

void MainFrame::RefreshCommandStates() {
    ui_.Refresh(controller_, !toolbar_->isHidden(), !statusBar()->isHidden());
    if (!title_.empty()) RefreshTitle();
    if (recovery_) recovery_->DocumentChanged();
}

void MainFrame::SetTitle(const std::string& title) {
    title_ = title;
    RefreshTitle();
}

void MainFrame::RefreshTitle() {
    // A star after the name marks unsaved changes.
    const bool modified = doc_.Current() != nullptr && doc_.Current()->modified;
    const QString title = Local(title_ + (modified ? "*" : "") + " - " + kProductName);
    if (windowTitle() != title) setWindowTitle(title);
}

Settings MainFrame::ViewSettings() const {
    return DocumentSettings(settings_, doc_.Current());
}

void MainFrame::TextureLimitFound(int pixels) {
    if (pixels > 0) settings_.systemTextureLimit = pixels;
}

void MainFrame::AddRecentFile(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    settings_.lastModelFolder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    recent_.Add(path);
    RecentFilesChanged();
}

void MainFrame::RefreshDocumentPanels() {
    objectList_->Rebuild(doc_.Current());
    if (materialListRefresh_) materialListRefresh_();
    RefreshIdleText();
    RefreshCommandStates();
}

void MainFrame::UpdateAllViews(UpdateHint hint) {
    view3d_->OnUpdate(hint);
    view2d_->OnUpdate(hint);
    RefreshCommandStates();
    RefreshOffSheetCount();
}

void MainFrame::RefreshOffSheetCount() {
    if (offSheetPane_ == nullptr) return;
    const Document* document = doc_.Current();
    const OffSheetCount count =
        document ? CountOffSheet(*document, Paper::FromSettings(DocumentSettings(settings_, document)))
                 : OffSheetCount{};
    offSheetPane_->setText(Local(OffSheetText(count)));
}

void MainFrame::ExecuteCommand(CommandId commandId) {
    controller_.Execute(commandId);
    RefreshCommandStates();
}

void MainFrame::ShowStatusText(const std::string& text) {
    statusBar()->showMessage(Local(text));
}

void MainFrame::RefreshIdleText() {
    const Document* document = doc_.Current();
    statusBar()->clearMessage();
    // While an edit mode is chosen its own hint says what the mouse does.
    const char* modeText = EditModeStatusText(settings_.editMode);
    const bool showMode = document != nullptr && document->development != nullptr && *modeText != '\0';
    messagePane_->setText(Local(showMode ? std::string(modeText) : IdleStatusText(document)));
    // Without a development there is no assembled size to show; an old one would describe another model.
    secondPane_->setText(Local(AssembledSizeText(document)));
    RefreshOffSheetCount();
}

void MainFrame::RecentFilesChanged() {
    ui_.RebuildRecentMenu(recent_, qEnvironmentVariable("HOME").toStdString());
}

void MainFrame::SplitWindow() {
    SetFirstColumnWidth(std::max(0, width() / 2));
}

void MainFrame::SingleWindow() {
    SetFirstColumnWidth(0);
}

void MainFrame::ShowObjectList() {
    objectList_->show();
    objectList_->raise();
    objectList_->activateWindow();
}

bool MainFrame::ShowHelpWindow(const std::string& path) {
    if (helpWindow_ == nullptr) helpWindow_ = new HelpWindow(this);
    if (!helpWindow_->ShowPage(path)) return false;
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
    return true;
}

void MainFrame::ShowDocumentInfo() {
    DocumentInfoDialog dialog(this, GetDevelopmentInfo(doc_.Current(), ViewSettings()));
    dialog.exec();
}

void MainFrame::ShowAbout() {
    AboutDialog dialog(this);
    dialog.exec();
}

void MainFrame::ToggleBar(CommandId commandId) {
    // The edit modes' bar goes and comes with the main one: "Toolbar" means the bars under the menus.
    if (commandId == CommandId::ViewToolbar) {
        const bool show = toolbar_->isHidden();
        toolbar_->setVisible(show);
        modeToolbar_->setVisible(show);
        return;
    }
    statusBar()->setVisible(statusBar()->isHidden());
}

void MainFrame::CloseFrame() {
    close();
}

void MainFrame::ForwardToDevelopmentView(CommandId commandId) {
    view2d_->HandleCommand(commandId);
}

void MainFrame::SaveAtClose() {
    if (saved_) return;
    saved_ = true;
    SettingsStore& store = session_.store();
    if (!session_.resetPending()) {
        const QRect normal =
            (isMaximized() || isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
        WindowPlacement placement;
        placement.left = normal.left();
        placement.top = normal.top();
        placement.right = normal.left() + normal.width();
        placement.bottom = normal.top() + normal.height();
        placement.show = isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal;
        WriteWindowPlacement(store, placement);

        BarState bars;
        bars.toolbarVisible = !toolbar_->isHidden();
        bars.statusBarVisible = !statusBar()->isHidden();
        const QByteArray layout = saveState();
        bars.layout.assign(layout.constData(), static_cast<size_t>(layout.size()));
        WriteBarState(store, bars);
    }
    recent_.Save(store);
    // The display values of the model shown last are the ones the next start begins with.
    Settings stored = ViewSettings();
    // The window is closing: there is no one left to tell that the preferences could not be kept.
    static_cast<void>(SaveSettings(session_, stored));
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (!controller_.ConfirmSetAside()) {
        event->ignore();
        return;
    }
    recovery_->DocumentClosed();
    SaveAtClose();
    objectList_->hide();
    textureDialog_->hide();
    QMainWindow::closeEvent(event);
}

void MainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The splash stays in front of the frame that appears after it.
    if (splash_) splash_->raise();
}

void MainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // A new frame size always brings the two panes back to half each.
    if (event->size().width() > 0 && event->size().height() > 0 && splitter_ != nullptr)
        SetFirstColumnWidth(event->size().width() / 2);
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!FirstDroppedFile(event->mimeData()).empty()) event->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent* event) {
    const std::string path = FirstDroppedFile(event->mimeData());
    if (path.empty()) return;
    event->acceptProposedAction();
    activateWindow();
    controller_.OpenReplacing(path);
    RefreshCommandStates();
}

} // namespace tsm
