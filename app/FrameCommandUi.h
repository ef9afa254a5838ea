// The menus, the toolbar and the hidden command actions of the main window, built from the command
// table, and the refresh of their enabled and checked states.
#pragma once

#include "app/CommandController.h"
#include "app/RecentFileList.h"

#include <QString>

#include <functional>
#include <map>
#include <string>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace tsm {

class FrameCommandUi {
public:
    struct Callbacks {
        std::function<void(CommandId)> execute; // a command of the table
        std::function<void(size_t)> openRecent; // an entry of the recent-file list
        std::function<void()> refresh;          // bring the states up to date (a menu is opening)
    };
    FrameCommandUi(QMainWindow& frame, Callbacks callbacks);

    // The twelve buttons with the program's images, in toolbar order.
    QToolBar* CreateToolBar();
    // The menu bar, and every command without a menu entry as an action of the window so that its
    // accelerator works and it can be reached.
    void CreateMenus();

    // Null for a number that has no action.
    QAction* Action(CommandId commandId) const;
    QMenu* RecentMenu() const { return recentMenu_; }
    QMenu* ExportMenu() const { return exportMenu_; }

    void Refresh(const CommandController& controller, bool toolbarVisible, bool statusBarVisible);
    void RebuildRecentMenu(const RecentFileList& files, const std::string& homeFolder);

    // The label of the submenu holding the recent files.
    static const char* const kRecentFilesLabel; // "Recently Used Files"
    static const char* const kExportLabel;      // "&Export"

private:
    QAction* MakeAction(const CommandInfo& command);
    QMenu* AddMenu(const QString& title, std::initializer_list<CommandId> commands);
    void Fill(QMenu* menu, std::initializer_list<CommandId> commands);

    QMainWindow& frame_;
    Callbacks callbacks_;
    std::map<CommandId, QAction*> actions_;
    QMenu* recentMenu_ = nullptr;
    QMenu* exportMenu_ = nullptr;
};

} // namespace tsm
