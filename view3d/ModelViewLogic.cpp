#include "view3d/ModelViewLogic.h"

#include "model/Settings.h"
#include "view3d/EdgeStyle.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/ViewHints.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <utility>

namespace tsm {

namespace {

PointerInput ReadInput(const QMouseEvent& event) {
    PointerInput input;
    const QPoint at = event.position().toPoint();
    input.x = at.x();
    input.y = at.y();
    input.left = event.buttons() & Qt::LeftButton;
    input.right = event.buttons() & Qt::RightButton;
    input.middle = event.buttons() & Qt::MiddleButton;
    input.ctrl = event.modifiers() & Qt::ControlModifier;
    input.shift = event.modifiers() & Qt::ShiftModifier;
    return input;
}

bool ToPointerButton(Qt::MouseButton qtButton, PointerButton& button) {
    switch (qtButton) {
    case Qt::LeftButton:
        button = PointerButton::Left;
        return true;
    case Qt::RightButton:
        button = PointerButton::Right;
        return true;
    case Qt::MiddleButton:
        button = PointerButton::Middle;
        return true;
    default:
        return false;
    }
}

QColor BackgroundColour(const Settings& settings) {
    float rgb[3];
    ColorrefToRgb(settings.colors[7], rgb);
    return QColor::fromRgbF(rgb[0], rgb[1], rgb[2]);
}

} // namespace

ModelViewLogic::ModelViewLogic(IModelViewHost& host)
    : host_(host), surface_(host.Prompt(), RenderSlot::View3D) {
    camera_.rotationDegPerPixel = 0.7;
    camera_.Reset();
    RebuildProjection();
}

bool ModelViewLogic::ModelLoaded() const {
    const Document* document = host_.CurrentDocument();
    return document != nullptr && document->model != nullptr;
}

void ModelViewLogic::RebuildProjection() {
    const Document* document = host_.CurrentDocument();
    projection_ = CameraProjection(camera_, width_, height_, document ? document->model.get() : nullptr);
}

void ModelViewLogic::CameraChanged() {
    cameraMoved_ = true;
    RebuildProjection();
    host_.Repaint();
}

void ModelViewLogic::OnUpdate(UpdateHint hint) {
    modelMayHaveChanged_ = true;
    const View3DHintActions actions = ActionsForHint(hint);
    Document* document = host_.CurrentDocument();
    if ((actions.uploadMissingTextures || actions.reloadAllTextures) && surface_.MakeCurrent()) {
        const Mesh* model = document ? document->model.get() : nullptr;
        const bool smooth = host_.ViewSettings().smoothTextures;
        if (actions.reloadAllTextures)
            renderer_.ReloadAllTextures(model, smooth);
        else
            renderer_.UploadMissingTextures(model, smooth);
        glctx::Release();
    }
    if (actions.resetCamera) camera_.Reset();
    // The step's parts are those of the development it was chosen on.
    if (hint == UpdateHint::NewModel || hint == UpdateHint::DevelopmentReplaced) step_ = AssemblyStepView{};
    if (actions.viewFromBelow) camera_.pitch = -30.0;
    if (actions.clearPick) pickMarker_ = nullptr;
    if (actions.rebuildProjection) RebuildProjection();
    if (actions.redrawAllViews)
        host_.UpdateAllViews(UpdateHint::Redraw);
    else
        host_.Repaint();
}

void ModelViewLogic::Resize(int width, int height) {
    if (width <= 0 || height <= 0 || (width == width_ && height == height_)) return;
    width_ = width;
    height_ = height;
    if (surface_.Resize(width, height)) {
        if (!glInitialised_) {
            host_.TextureLimitFound(InitModelViewGL());
            glInitialised_ = true;
        }
        glctx::Release();
    }
    RebuildProjection();
}

const QImage& ModelViewLogic::RenderFrame() {
    if (!surface_.MakeCurrent()) return empty_;
    if (!glInitialised_) {
        host_.TextureLimitFound(InitModelViewGL());
        glInitialised_ = true;
    }
    LoadViewProjection(projection_, width_, height_);
    ModelFrameOptions options;
    options.guideMode = guideMode_;
    options.step = step_;
    options.onlyCameraMoved = cameraMoved_ && !modelMayHaveChanged_;
    cameraMoved_ = false;
    modelMayHaveChanged_ = false;
    renderer_.Render(host_.CurrentDocument(), host_.ViewSettings(), projection_, options);
    surface_.Finish();
    glctx::Release();
    return surface_.Image();
}

void ModelViewLogic::Paint(QPainter& painter) {
    const QImage& image = RenderFrame();
    if (image.isNull()) {
        // No surface until a successful resize: show the background rather than stale pixels.
        painter.fillRect(painter.window(), BackgroundColour(host_.ViewSettings()));
        return;
    }
    painter.drawImage(0, 0, image);
}

void ModelViewLogic::ButtonDown(PointerButton button, const PointerInput& input) {
    interaction_.ButtonDown(button, input);
}

void ModelViewLogic::ButtonUp(PointerButton button, const PointerInput& input) {
    if (button != PointerButton::Left) return;
    if (interaction_.LeftUp(input, ModelLoaded())) ClickAction(input.x, input.y);
}

void ModelViewLogic::MouseMoved(const PointerInput& input) {
    if (interaction_.Move(camera_, input, ModelLoaded())) CameraChanged();
}

void ModelViewLogic::WheelTurned(int wheelDelta, double pointerX, double pointerY) {
    WheelZoomCameraAbout(camera_, wheelDelta, host_.ViewSettings().invertWheelZoom, pointerX, pointerY,
                         width_, height_);
    CameraChanged();
}

void ModelViewLogic::EscapeReleased() {
    pickMarker_ = nullptr;
    host_.Repaint();
}

void ModelViewLogic::ClickAction(int x, int y) {
    Document* document = host_.CurrentDocument();
    if (!document || !document->development || host_.ViewSettings().editMode != EditMode::CheckFace) return;
    modelMayHaveChanged_ = true;
    ClearPartPicks(*document->development);
    Face* face = PickFace(document->model.get(), Projector(), x, y);
    if (face) MarkPickedRegion(*face, document->display);
    pickMarker_ = face;
    host_.UpdateAllViews(UpdateHint::Redraw);
}

void ModelViewLogic::MousePress(QMouseEvent& event) {
    PointerButton button;
    if (ToPointerButton(event.button(), button)) ButtonDown(button, ReadInput(event));
}

void ModelViewLogic::MouseRelease(QMouseEvent& event) {
    PointerButton button;
    if (ToPointerButton(event.button(), button)) ButtonUp(button, ReadInput(event));
}

void ModelViewLogic::MouseMove(QMouseEvent& event) {
    MouseMoved(ReadInput(event));
}

void ModelViewLogic::Wheel(QWheelEvent& event) {
    // A sideways wheel says nothing about distance.
    if (event.angleDelta().y() == 0) {
        event.ignore();
        return;
    }
    WheelTurned(event.angleDelta().y(), event.position().x(), event.position().y());
    event.accept();
}

void ModelViewLogic::KeyRelease(QKeyEvent& event) {
    if (event.key() == Qt::Key_Escape)
        EscapeReleased();
    else
        event.ignore();
}

void ModelViewLogic::TimerTick() {
    if (!animation_.Running()) return;
    if (animation_.Tick(camera_)) host_.StopAnimationTimer();
    CameraChanged();
}

void ModelViewLogic::StartFaceCheckAnimation(double targetPitch, double targetYaw) {
    // Called right after a check in the development view marked faces.
    modelMayHaveChanged_ = true;
    const int intervalMs =
        animation_.Start(camera_, targetPitch, targetYaw, host_.ViewSettings().faceCheckAnimationSpeed);
    if (intervalMs > 0) host_.StartAnimationTimer(intervalMs);
}

void ModelViewLogic::TurnTowards(const std::vector<const Face*>& markedFaces) {
    const Document* document = host_.CurrentDocument();
    if (!host_.ViewSettings().animateFaceCheck || markedFaces.empty() || !document || !document->model)
        return;
    const FaceCheckTarget target = ComputeFaceCheckTarget(*document->model, markedFaces);
    StartFaceCheckAnimation(target.pitch, target.yaw);
}

void ModelViewLogic::SetGuideMode(int mode) {
    guideMode_ = mode;
    host_.Repaint();
}

void ModelViewLogic::SetAssemblyStep(AssemblyStepView step) {
    step_ = std::move(step);
    modelMayHaveChanged_ = true;
    host_.Repaint();
}

QImage RenderModelViewImage(Document* document, const Settings& settings, int width, int height,
                            const Camera3D& camera, IPrompt& prompt, int guideMode,
                            const AssemblyStepView& step) {
    OffscreenModelViewHost host(document, settings, prompt);
    ModelViewLogic view(host);
    view.Resize(width, height);
    view.OnUpdate(UpdateHint::NewModel);
    view.Camera() = camera;
    view.CameraChanged();
    view.SetGuideMode(guideMode);
    view.SetAssemblyStep(step);
    return view.RenderFrame().copy();
}

} // namespace tsm
