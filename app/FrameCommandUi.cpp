#include "app/FrameCommandUi.h"

#include "app/PrintAndCutDialog.h"
#include "app/ToolbarIcons.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace tsm {

const char* const FrameCommandUi::kRecentFilesLabel = "Recently Used Files";
const char* const FrameCommandUi::kExportLabel = "&Export";

namespace {

constexpr int kSeparator = 0;
constexpr int kRecentFilesPlace = -1;
constexpr int kExportPlace = -2;

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

FrameCommandUi::FrameCommandUi(QMainWindow& frame, Callbacks callbacks)
    : frame_(frame), callbacks_(std::move(callbacks)) {
    for (const CommandInfo& command : CommandTable()) actions_[command.id] = MakeAction(command);
}

QAction* FrameCommandUi::MakeAction(const CommandInfo& command) {
    // The table's text, tab and shown keys included: the menu shows the part after the tab as the keys.
    auto* action = new QAction(Text(command.text), &frame_);
    action->setStatusTip(Text(command.hint));
    if (*command.tooltip) action->setToolTip(Text(command.tooltip));
    QList<QKeySequence> keys;
    for (const std::string& text : {AcceleratorKeys(command.id), AlternateAcceleratorKeys(command.id)})
        if (!text.empty()) keys << QKeySequence(QString::fromStdString(text));
    action->setShortcuts(keys);
    action->setCheckable(command.check != CheckRule::None);
    const int id = command.id;
    QObject::connect(action, &QAction::triggered, &frame_, [this, id] { callbacks_.execute(id); });
    return action;
}

QAction* FrameCommandUi::Action(int commandId) const {
    const auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

QToolBar* FrameCommandUi::CreateToolBar() {
    auto* toolbar = new QToolBar(QStringLiteral("Toolbar"), &frame_);
    toolbar->setObjectName(QStringLiteral("MainToolBar"));
    toolbar->setIconSize(QSize(16, 16));
    toolbar->setMovable(true);
    for (int i = 0; i < kToolbarButtonCount; ++i) {
        QAction* action = Action(kToolbarCommands[i]);
        action->setIcon(ToolbarIcon(i));
        // Groups: file, display switches, face check and view, print, window layout.
        if (i == 1 || i == 7 || i == 9 || i == 10) toolbar->addSeparator();
        toolbar->addAction(action);
    }
    frame_.addToolBar(Qt::TopToolBarArea, toolbar);
    return toolbar;
}

QMenu* FrameCommandUi::AddMenu(const QString& title, std::initializer_list<int> commands) {
    QMenu* menu = frame_.menuBar()->addMenu(title);
    Fill(menu, commands);
    return menu;
}

void FrameCommandUi::Fill(QMenu* menu, std::initializer_list<int> commands) {
    for (int id : commands) {
        if (id == kSeparator) {
            menu->addSeparator();
        } else if (id == kRecentFilesPlace) {
            recentMenu_ = menu->addMenu(Text(kRecentFilesLabel));
        } else if (id == kExportPlace) {
            // People look for the picture files here; the commands keep their numbers and routing.
            exportMenu_ = menu->addMenu(Text(kExportLabel));
            Fill(exportMenu_, {kCmdExportBitmap, kCmdExportSheetBitmaps, kCmdExportTextureBitmap, kSeparator,
                               kCmdExportEps, kCmdExportDxf, kCmdExportEmf, kCmdExportSvg, kSeparator,
                               kCmdExportPdf, kCmdExportPrintAndCut});
        } else {
            menu->addAction(Action(id));
        }
    }
}

void FrameCommandUi::CreateMenus() {
    AddMenu(QStringLiteral("&File"),
            {kCmdFileOpen, kCmdFileSave, kCmdFileSaveAs, kSeparator, kCmdImportModel, kCmdImportMesh,
             kSeparator, kExportPlace, kCmdCopyDevelopment, kCmdDocumentInfo, kSeparator,
             kCmdPrintConfiguration, kCmdPrint, kCmdPrintPreview, kCmdPrinterSetup, kSeparator,
             kRecentFilesPlace, kSeparator, kCmdExit});
    AddMenu(QStringLiteral("&Edit"), {kCmdEditUndo, kCmdEditRedo, kSeparator, kCmdEditCopy, kCmdEditDelete});
    AddMenu(QStringLiteral("&View"),
            {kCmdViewToolbar, kCmdViewStatusBar, kSeparator, kCmdEmphasizeOpenEdges, kCmdTurnOnLight,
             kCmdUseMaterials, kCmdShowEdgeId, kCmdShowPageNumber, kCmdColorFlaps, kSeparator, kCmdCheckFace,
             kSeparator, kCmdResetViewPosition, kCmdShowObjectList, kSeparator, kCmdSplitWindow,
             kCmdSingleWindow});
    AddMenu(QStringLiteral("&Model"), {kCmdUnfold, kCmdUndoUnfold, kCmdRecalculateLayout, kSeparator,
                                       kCmdFlipFaces, kCmdJoinIsolatedEdges, kCmdChangeCoordinates});
    QMenu* configuration =
        AddMenu(QStringLiteral("&Configuration"), {kCmdTextureConfiguration, kCmdPrintConfiguration,
                                                   kCmdOtherConfigurations, kSeparator, kCmdResetToDefault});
    AddMenu(QStringLiteral("&Help"),
            {kCmdOpenHelp, kSeparator, kCmdWebPage, kCmdCheckForUpdate, kSeparator, kCmdVersionInfo});

    // The Configuration menu names Print Configuration differently from the File menu: a second action
    // for the same command.
    QAction* shared = Action(kCmdPrintConfiguration);
    auto* second = new QAction(QStringLiteral("&Print Configuration..."), &frame_);
    second->setStatusTip(shared->statusTip());
    QObject::connect(second, &QAction::triggered, &frame_,
                     [this] { callbacks_.execute(kCmdPrintConfiguration); });
    QObject::connect(shared, &QAction::changed, second,
                     [shared, second] { second->setEnabled(shared->isEnabled()); });
    configuration->insertAction(shared, second);
    configuration->removeAction(shared);

    for (const CommandInfo& command : CommandTable())
        if (!command.inMenu) frame_.addAction(Action(command.id));

    // The states are current whenever a menu opens, whatever changed them.
    for (QAction* top : frame_.menuBar()->actions())
        if (QMenu* menu = top->menu())
            QObject::connect(menu, &QMenu::aboutToShow, &frame_, [this] { callbacks_.refresh(); });
    QObject::connect(exportMenu_, &QMenu::aboutToShow, &frame_, [this] { callbacks_.refresh(); });
}

void FrameCommandUi::Refresh(const CommandController& controller, bool toolbarVisible,
                             bool statusBarVisible) {
    for (const auto& [id, action] : actions_) {
        const CommandInfo* command = FindCommand(id);
        action->setEnabled(controller.IsEnabled(id));
        if (command->check == CheckRule::BarVisible)
            action->setChecked(id == kCmdViewToolbar ? toolbarVisible : statusBarVisible);
        else if (command->check != CheckRule::None)
            action->setChecked(controller.IsChecked(id));
    }
}

void FrameCommandUi::RebuildRecentMenu(const RecentFileList& files, const std::string& homeFolder) {
    if (recentMenu_ == nullptr) return;
    recentMenu_->clear();
    const auto& paths = files.Files();
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string text = RecentFileList::MenuText(i, paths[i], homeFolder);
        QAction* action =
            recentMenu_->addAction(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
        action->setStatusTip(QStringLiteral("Open this document"));
        QObject::connect(action, &QAction::triggered, &frame_, [this, i] { callbacks_.openRecent(i); });
    }
    recentMenu_->setEnabled(!paths.empty());
}

} // namespace tsm
