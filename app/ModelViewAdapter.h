// The 3D view's behaviour in its window: the view logic of view3d behind the window's logic seam. The
// window is the logic's host as it is; its timer drives the face-check animation.
#pragma once

#include "app/ViewLogic.h"
#include "view3d/ModelViewLogic.h"

namespace tsm {

class ModelViewAdapter : public IViewLogic {
public:
    explicit ModelViewAdapter(IViewHost& host);

    ModelViewLogic& Logic() { return logic_; }

    void OnUpdate(UpdateHint hint) override { logic_.OnUpdate(hint); }
    void Resize(int width, int height) override { logic_.Resize(width, height); }
    void Paint(QPainter& painter) override { logic_.Paint(painter); }
    void MousePress(QMouseEvent& event) override { logic_.MousePress(event); }
    void MouseRelease(QMouseEvent& event) override { logic_.MouseRelease(event); }
    void MouseMove(QMouseEvent& event) override { logic_.MouseMove(event); }
    void Wheel(QWheelEvent& event) override { logic_.Wheel(event); }
    void KeyRelease(QKeyEvent& event) override { logic_.KeyRelease(event); }
    void TimerTick() override { logic_.TimerTick(); }

private:
    ModelViewLogic logic_;
};

} // namespace tsm
