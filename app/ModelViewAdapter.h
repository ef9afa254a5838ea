// The 3D view's behaviour in its window: the view logic of view3d behind the window's logic seam, with a
// Qt timer driving the face-check animation.
#pragma once

#include "app/ViewLogic.h"
#include "view3d/ModelViewLogic.h"

#include <QTimer>

namespace tsm {

class ModelViewAdapter : public IViewLogic, private IModelViewHost {
public:
    explicit ModelViewAdapter(IViewHost& host);

    ModelViewLogic& Logic() { return logic_; }

    void OnUpdate(int hint) override { logic_.OnUpdate(hint); }
    void Resize(int width, int height) override { logic_.Resize(width, height); }
    void Paint(QPainter& painter) override { logic_.Paint(painter); }
    void MousePress(QMouseEvent& event) override { logic_.MousePress(event); }
    void MouseRelease(QMouseEvent& event) override { logic_.MouseRelease(event); }
    void MouseMove(QMouseEvent& event) override { logic_.MouseMove(event); }
    void Wheel(QWheelEvent& event) override { logic_.Wheel(event); }
    void KeyRelease(QKeyEvent& event) override { logic_.KeyRelease(event); }

private:
    PMdoc* Document() const override { return host_.Document(); }
    Settings ViewSettings() const override { return host_.ViewSettings(); }
    void TextureLimitFound(int pixels) override { host_.TextureLimitFound(pixels); }
    IPrompt& Prompt() override { return host_.Prompt(); }
    void Repaint() override { host_.Repaint(); }
    void UpdateAllViews(int hint) override { host_.UpdateAllViews(hint); }
    void StartAnimationTimer(int intervalMs) override { timer_.start(intervalMs); }
    void StopAnimationTimer() override { timer_.stop(); }

    IViewHost& host_;
    QTimer timer_;
    ModelViewLogic logic_;
};

} // namespace tsm
