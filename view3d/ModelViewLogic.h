// The behaviour of the 3D view (ModelViewWidget): the render surface, the camera and its navigation,
// picking for the corresponding-face check, the face-check animation and the update hints. The widget
// around it hands over its size, paint, mouse, wheel, key and timer events and provides the host below;
// nothing here needs a widget.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "model/UpdateHint.h"
#include "view3d/Camera3D.h"
#include "view3d/FaceCheckAnimation.h"
#include "view3d/FacePick.h"
#include "view3d/ModelRenderer.h"
#include "view3d/ViewRenderSurface.h"

#include <QImage>

#include <vector>

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QWheelEvent;

namespace tsm {

// What the 3D view asks of the window around it.
class IModelViewHost {
public:
    virtual ~IModelViewHost() = default;
    virtual Document* CurrentDocument() const = 0; // null before the first open
    // What the view draws with: the window's settings with the document's display block in place.
    virtual Settings ViewSettings() const = 0;
    // The view's GL context reported its largest texture size (the system texture limit).
    virtual void TextureLimitFound(int /*pixels*/) {}
    virtual IPrompt& Prompt() = 0;
    virtual void Repaint() = 0;                           // invalidate without erasing
    virtual void UpdateAllViews(UpdateHint hint) = 0;     // both views, this one included
    virtual void StartAnimationTimer(int intervalMs) = 0; // then call TimerTick on every timeout
    virtual void StopAnimationTimer() = 0;
};

// A host without a window: nothing to repaint, no timer, for drawing the view off screen.
class OffscreenModelViewHost : public IModelViewHost {
public:
    OffscreenModelViewHost(Document* document, const Settings& settings, IPrompt& prompt)
        : document_(document), settings_(document ? WithDisplay(settings, document->display) : settings),
          prompt_(prompt) {}
    Document* CurrentDocument() const override { return document_; }
    Settings ViewSettings() const override { return settings_; }
    IPrompt& Prompt() override { return prompt_; }
    void Repaint() override {}
    void UpdateAllViews(UpdateHint) override {}
    void StartAnimationTimer(int) override {}
    void StopAnimationTimer() override {}

private:
    Document* document_;
    Settings settings_;
    IPrompt& prompt_;
};

class ModelViewLogic {
public:
    explicit ModelViewLogic(IModelViewHost& host);

    void OnUpdate(UpdateHint hint);
    // A new client size; zero sizes and the same size change nothing.
    void Resize(int width, int height);
    // Renders a frame and draws it at (0, 0) in one operation.
    void Paint(QPainter& painter);
    // Renders a frame; the picture is in the returned image (null when the view cannot draw).
    const QImage& RenderFrame();

    // Qt's events, read as the plain inputs below.
    void MousePress(QMouseEvent& event);
    void MouseRelease(QMouseEvent& event);
    void MouseMove(QMouseEvent& event);
    void Wheel(QWheelEvent& event);
    void KeyRelease(QKeyEvent& event);

    void ButtonDown(PointerButton button, const PointerInput& input);
    void ButtonUp(PointerButton button, const PointerInput& input);
    void MouseMoved(const PointerInput& input);
    // Zooms about the pointer (client pixels).
    void WheelTurned(int wheelDelta, double pointerX, double pointerY);
    void EscapeReleased();
    // The animation timer's timeout.
    void TimerTick();

    // Called after a check in the development view marked faces: turns the camera towards them when
    // animateFaceCheck is on. A request while a turn runs is ignored.
    void TurnTowards(const std::vector<const Face*>& markedFaces);
    void StartFaceCheckAnimation(double targetPitch, double targetYaw);

    // The model-coordinate wizard's guide (0 none).
    void SetGuideMode(int mode);
    // The assembly step to show (inactive: the whole model).
    void SetAssemblyStep(AssemblyStepView step);

    Camera3D& Camera() { return camera_; }
    // After changing the camera directly: rebuild the projection and repaint.
    void CameraChanged();
    const Mat4& Projection() const { return projection_; }
    ScreenProjector Projector() const { return ViewProjector(projection_, width_, height_); }
    const FaceCheckAnimation& Animation() const { return animation_; }
    const CameraInteraction& Interaction() const { return interaction_; }
    // The face the last click in check mode hit, until a hint or Esc clears it.
    const Face* PickMarker() const { return pickMarker_; }
    const ModelRenderer& Renderer() const { return renderer_; }
    ViewRenderSurface& Surface() { return surface_; }

private:
    bool ModelLoaded() const;
    void RebuildProjection();
    void ClickAction(int x, int y);

    IModelViewHost& host_;
    ViewRenderSurface surface_;
    ModelRenderer renderer_; // after surface_, so that its textures go while the surface's context lives
    Camera3D camera_;
    Mat4 projection_;
    CameraInteraction interaction_;
    FaceCheckAnimation animation_;
    int width_ = 0, height_ = 0;
    bool glInitialised_ = false;
    int guideMode_ = kGuideNone;
    AssemblyStepView step_;
    const Face* pickMarker_ = nullptr;
    // Whether the next frame may draw the last frame's arrays again: only the camera moved since, and no
    // hint, click or face check came that could have changed the model.
    bool cameraMoved_ = false;
    bool modelMayHaveChanged_ = true;
    QImage empty_;
};

// The 3D view's picture of `document` without a window, as a fresh view shows it after opening, with the
// given camera: for tsmtool and the tests. Null when the renderer failed (messages through `prompt`).
QImage RenderModelViewImage(Document* document, const Settings& settings, int width, int height,
                            const Camera3D& camera, IPrompt& prompt, int guideMode = kGuideNone,
                            const AssemblyStepView& step = {});

} // namespace tsm
