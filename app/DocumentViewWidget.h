// The window of one view: hands its messages to the view's logic object and, while none is set, draws a
// plain background with a line about the document so that the program runs without it.
#pragma once

#include "app/CommandController.h"
#include "app/ViewLogic.h"

#include <QTimer>
#include <QWidget>

#include <memory>

namespace tsm {

class DocumentViewWidget : public QWidget, public IViewHost {
public:
    DocumentViewWidget(IFrameActions& frame, QWidget* parent);
    ~DocumentViewWidget() override;

    // Gives the view its behaviour; the logic learns the current size at once when the view has one.
    void SetLogic(std::unique_ptr<IViewLogic> logic);
    IViewLogic* Logic() const { return logic_.get(); }

    // A document update hint for this view.
    void OnUpdate(UpdateHint hint);
    // A command forwarded by the frame; false when the view does not handle it.
    bool HandleCommand(CommandId commandId);

    // IViewHost
    Document* CurrentDocument() const override { return frame_.CurrentDocument(); }
    Settings ViewSettings() const override { return frame_.ViewSettings(); }
    void TextureLimitFound(int pixels) override { frame_.TextureLimitFound(pixels); }
    IPrompt& Prompt() override { return frame_.FramePrompt(); }
    int ClientWidth() const override { return width(); }
    int ClientHeight() const override { return height(); }
    void Repaint() override { update(); }
    void UpdateAllViews(UpdateHint hint) override { frame_.UpdateAllViews(hint); }
    void ExecuteCommand(CommandId commandId) override { frame_.ExecuteCommand(commandId); }
    void SetStatusText(const std::string& text) override { frame_.ShowStatusText(text); }
    QWidget* Widget() override { return this; }
    void StartAnimationTimer(int intervalMs) override { timer_.start(intervalMs); }
    void StopAnimationTimer() override { timer_.stop(); }

protected:
    // The picture while the view has no logic: the background and the title and line about the document.
    virtual QColor PlaceholderBackground() const = 0;
    virtual QString PlaceholderTitle() const = 0;
    virtual QString PlaceholderDetail() const = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    IFrameActions& frame_;
    QTimer timer_; // the logic's animation; outlives the logic, which may stop it as it goes
    std::unique_ptr<IViewLogic> logic_;
};

// The 3D view (left pane).
class ModelViewWidget : public DocumentViewWidget {
public:
    using DocumentViewWidget::DocumentViewWidget;

protected:
    QColor PlaceholderBackground() const override;
    QString PlaceholderTitle() const override;
    QString PlaceholderDetail() const override;
};

// The development view (right pane).
class DevelopmentViewWidget : public DocumentViewWidget {
public:
    using DocumentViewWidget::DocumentViewWidget;

protected:
    QColor PlaceholderBackground() const override;
    QString PlaceholderTitle() const override;
    QString PlaceholderDetail() const override;
};

} // namespace tsm
