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

// Places in a menu that are no command.
constexpr CommandId kSeparator = CommandId{0};
constexpr CommandId kRecentFilesPlace = CommandId{-1};
constexpr CommandId kExportPlace = CommandId{-2};

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
    for (const char* text : {command.keys, command.alternateKeys})
        if (*text) keys << QKeySequence(QString::fromUtf8(text));
    action->setShortcuts(keys);
    action->setCheckable(command.check != CheckRule::None);
    const CommandId id = command.id;
    QObject::connect(action, &QAction::triggered, &frame_, [this, id] { callbacks_.execute(id); });
    return action;
}

QAction* FrameCommandUi::Action(CommandId commandId) const {
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

QMenu* FrameCommandUi::AddMenu(const QString& title, std::initializer_list<CommandId> commands) {
    QMenu* menu = frame_.menuBar()->addMenu(title);
    Fill(menu, commands);
    return menu;
}

void FrameCommandUi::Fill(QMenu* menu, std::initializer_list<CommandId> commands) {
    for (CommandId id : commands) {
        if (id == kSeparator) {
            menu->addSeparator();
        } else if (id == kRecentFilesPlace) {
            recentMenu_ = menu->addMenu(Text(kRecentFilesLabel));
        } else if (id == kExportPlace) {
            // People look for the picture files here; the commands keep their numbers and routing.
            exportMenu_ = menu->addMenu(Text(kExportLabel));
            Fill(exportMenu_,
                 {CommandId::ExportBitmap, CommandId::ExportSheetBitmaps, CommandId::ExportTextureBitmap,
                  kSeparator, CommandId::ExportEps, CommandId::ExportDxf, CommandId::ExportEmf,
                  CommandId::ExportSvg, kSeparator, CommandId::ExportPdf, CommandId::ExportPrintAndCut,
                  CommandId::ExportInstructions});
        } else {
            menu->addAction(Action(id));
        }
    }
}

void FrameCommandUi::CreateMenus() {
    AddMenu(QStringLiteral("&File"),
            {CommandId::FileOpen, CommandId::FileSave, CommandId::FileSaveAs, kSeparator,
             CommandId::ImportModel, CommandId::ImportMesh, kSeparator, kExportPlace,
             CommandId::CopyDevelopment, CommandId::DocumentInfo, kSeparator, CommandId::PrintConfiguration,
             CommandId::Print, CommandId::PrintPreview, CommandId::PrinterSetup, kSeparator,
             kRecentFilesPlace, kSeparator, CommandId::Exit});
    AddMenu(QStringLiteral("&Edit"), {CommandId::EditUndo, CommandId::EditRedo, kSeparator,
                                      CommandId::EditCopy, CommandId::EditDelete});
    AddMenu(QStringLiteral("&View"),
            {CommandId::ViewToolbar, CommandId::ViewStatusBar, kSeparator, CommandId::EmphasizeOpenEdges,
             CommandId::TurnOnLight, CommandId::UseMaterials, CommandId::ShowEdgeId,
             CommandId::ShowPageNumber, CommandId::ColorFlaps, kSeparator, CommandId::CheckFace, kSeparator,
             CommandId::ResetViewPosition, CommandId::ShowObjectList, CommandId::ViewAssemblyStep, kSeparator,
             CommandId::SplitWindow, CommandId::SingleWindow});
    AddMenu(QStringLiteral("&Model"),
            {CommandId::Unfold, CommandId::UndoUnfold, CommandId::RecalculateLayout, kSeparator,
             CommandId::FlipFaces, CommandId::JoinIsolatedEdges, CommandId::ChangeCoordinates,
             CommandId::SimplifyMesh, kSeparator, CommandId::AssemblyOrder});
    QMenu* configuration = AddMenu(QStringLiteral("&Configuration"),
                                   {CommandId::TextureConfiguration, CommandId::PrintConfiguration,
                                    CommandId::OtherConfigurations, kSeparator, CommandId::ResetToDefault});
    AddMenu(QStringLiteral("&Help"), {CommandId::OpenHelp, kSeparator, CommandId::WebPage,
                                      CommandId::CheckForUpdate, kSeparator, CommandId::VersionInfo});

    // The Configuration menu names Print Configuration differently from the File menu: a second action
    // for the same command.
    QAction* shared = Action(CommandId::PrintConfiguration);
    auto* second = new QAction(QStringLiteral("&Print Configuration..."), &frame_);
    second->setStatusTip(shared->statusTip());
    QObject::connect(second, &QAction::triggered, &frame_,
                     [this] { callbacks_.execute(CommandId::PrintConfiguration); });
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
            action->setChecked(id == CommandId::ViewToolbar ? toolbarVisible : statusBarVisible);
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
