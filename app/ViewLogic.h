// The seam between a view's window and its behaviour. The window (ModelViewWidget, DevelopmentViewWidget)
// owns the widget and hands every paint, size, mouse, key and update message to a logic object; the logic
// draws, navigates and edits, and reaches the rest of the program through its host. Only Qt Gui types
// appear here, so a logic object needs no widget code of its own.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "model/UpdateHint.h"
#include "view3d/ModelViewLogic.h"

#include <string>

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QWheelEvent;
class QWidget;

namespace tsm {

enum class CommandId : int;

// What a view's logic may ask of the window around it: the 3D view's part (the document, the prompt, a
// repaint, a hint to both views, the animation timer) and what only the application's views need.
class IViewHost : public IModelViewHost {
public:
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Runs a command of the main window (the context menus' mode commands, for example).
    virtual void ExecuteCommand(CommandId commandId) = 0;
    // Shows a text in the status bar's message pane until the next idle text.
    virtual void SetStatusText(const std::string& text) = 0;
    // The view's widget, as the parent of menus and dialogs and for focus and mouse capture.
    virtual QWidget* Widget() = 0;
};

class IViewLogic {
public:
    virtual ~IViewLogic() = default;

    // A document update hint; each view defines what it redoes for which.
    virtual void OnUpdate(UpdateHint hint) = 0;
    // The client area's new size in pixels, both above zero.
    virtual void Resize(int width, int height) = 0;
    // The whole client area, in one operation (the background is not erased first).
    virtual void Paint(QPainter& painter) = 0;

    virtual void MousePress(QMouseEvent&) {}
    virtual void MouseRelease(QMouseEvent&) {}
    virtual void MouseDoubleClick(QMouseEvent&) {}
    virtual void MouseMove(QMouseEvent&) {}
    virtual void Wheel(QWheelEvent&) {}
    virtual void KeyPress(QKeyEvent&) {}
    virtual void KeyRelease(QKeyEvent&) {}
    // The host's animation timer, running between StartAnimationTimer and StopAnimationTimer.
    virtual void TimerTick() {}

    // A command the main window forwards to this view (copy, print, print preview, bitmap exports); false
    // when the view does not handle it.
    virtual bool HandleCommand(CommandId /*commandId*/) { return false; }
};

} // namespace tsm
