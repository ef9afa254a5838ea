#include "view3d/ModelViewLogic.h"

#include "View3DFixtures.h"
#include "model/Settings.h"
#include "view3d/GLContextRegistry.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace tsm {
namespace {

using test::At;

constexpr int kW = 200, kH = 160;

int PickedCount(const Document& doc) {
    int n = 0;
    for (const auto& solid : doc.model->solids)
        for (const auto& face : solid->faces) n += face->picked;
    return n;
}

// A view on the sample cube (one part), looking straight at its front, in check mode.
struct CheckModeView {
    CheckModeView() : sample("cube.tsm"), host(sample.Doc()), view(host) {
        host.settings.editMode = EditMode::CheckFace;
        view.Resize(kW, kH);
        view.OnUpdate(UpdateHint::NewModel);
        view.Camera().pitch = 0;
        view.Camera().yaw = 0;
        view.CameraChanged();
    }
    void Click(int x, int y, int releaseX, int releaseY) {
        view.ButtonDown(PointerButton::Left, At(x, y));
        view.ButtonUp(PointerButton::Left, At(releaseX, releaseY));
    }
    test::OpenedSample sample;
    test::RecordingHost host;
    ModelViewLogic view;
};

TEST(ModelViewLogic, ResizeSetsUpOnceAndIgnoresZeroAndSameSizes) {
    test::RecordingHost host;
    ModelViewLogic view(host);
    // Before any size there is nothing to draw into; painting shows the background.
    EXPECT_TRUE(view.RenderFrame().isNull());
    QImage window(20, 10, QImage::Format_RGB32);
    window.fill(Qt::black);
    {
        QPainter painter(&window);
        view.Resize(20, 0); // ignored: still nothing
        view.Paint(painter);
    }
    // Colour 7 over the whole client area, not stale pixels.
    EXPECT_EQ(window.pixel(19, 9), qRgb(255, 255, 255));
    EXPECT_EQ(window.pixel(0, 0), qRgb(255, 255, 255));
    view.Resize(kW, kH);
    EXPECT_GT(host.textureLimit, 512);
    const QImage& frame = view.RenderFrame();
    EXPECT_EQ(frame.size(), QSize(kW, kH));
    const Mat4 before = view.Projection();
    view.Resize(kW, kH);
    view.Resize(0, 50);
    EXPECT_EQ(view.Surface().Image().size(), QSize(kW, kH));
    view.Resize(kW * 2, kH);
    EXPECT_EQ(view.RenderFrame().size(), QSize(kW * 2, kH));
    EXPECT_NE(view.Projection().m[5] / view.Projection().m[0], before.m[5] / before.m[0]);
    EXPECT_TRUE(host.prompt.texts.empty());
}

TEST(ModelViewLogic, HintsResetTheCameraAndRedraw) {
    auto doc = test::CubeDocument();
    test::RecordingHost host(doc.get());
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    view.Camera().yaw = 100;
    view.Camera().distance = -9;
    view.OnUpdate(UpdateHint::ClearPick); // only the pick
    EXPECT_EQ(view.Camera().yaw, 100);
    // The camera reaches the projection only when a hint or a camera change rebuilds it.
    const Mat4 stale = view.Projection();
    view.OnUpdate(UpdateHint::RebuildProjection);
    EXPECT_NE(view.Projection().m[0], stale.m[0]);
    view.OnUpdate(UpdateHint::ResetCamera);
    EXPECT_EQ(view.Camera().yaw, -30.0);
    EXPECT_EQ(view.Camera().distance, -5.0);
    view.Camera().pitch = 10;
    view.OnUpdate(UpdateHint::ViewFromBelow);
    EXPECT_EQ(view.Camera().pitch, -30.0); // seen from below
    EXPECT_EQ(view.Camera().yaw, -30.0);
    view.OnUpdate(UpdateHint::NewModel);
    EXPECT_EQ(view.Camera().pitch, 30.0);
    EXPECT_EQ(host.repaints, 5);
    EXPECT_TRUE(host.hints.empty());
    // A texture filter change redraws every view.
    view.OnUpdate(UpdateHint::TextureFilterChanged);
    EXPECT_EQ(host.hints, (std::vector<UpdateHint>{UpdateHint::Redraw}));
    EXPECT_EQ(host.repaints, 5);
}

std::unique_ptr<Document> CheckerDocument(CMaterial** checker) {
    auto doc = std::make_unique<Document>();
    *checker = &AddMaterial(*doc, "checker", {1, 1, 1}, MakeCheckerboard(8, 8, 2, {1, 0, 0}, {0, 0, 1}));
    const MeshData quad = Grid(1, 1, 1.0);
    AssignFaceUV(AddSolid(*doc, "quad", quad.vertices, quad.faces, 0));
    return doc;
}

GLint MagFilter(ModelViewLogic& view, unsigned texture) {
    if (!view.Surface().MakeCurrent()) return 0;
    GLint filter = 0;
    if (glIsTexture(texture)) {
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    }
    glctx::Release();
    return filter;
}

// A new model has its textures made at once, in the view's context, and drawn from then on without being
// made again; a filter change makes them again; another document takes the old one's textures away.
TEST(ModelViewLogic, TexturesFollowTheHints) {
    CMaterial* checker = nullptr;
    auto doc = CheckerDocument(&checker);
    test::RecordingHost host(doc.get());
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    view.OnUpdate(UpdateHint::NewModel);
    const unsigned first = view.Renderer().Textures().Find(*checker).name;
    ASSERT_NE(first, 0u);
    EXPECT_EQ(MagFilter(view, first), GL_LINEAR);
    const QImage smooth = view.RenderFrame().copy();
    view.RenderFrame();
    EXPECT_EQ(view.Renderer().Textures().Find(*checker).name, first);
    EXPECT_EQ(view.Renderer().Textures().Count(), 1u);

    host.settings.bTextureSmooth = false;
    view.OnUpdate(UpdateHint::TextureFilterChanged);
    const unsigned second = view.Renderer().Textures().Find(*checker).name;
    ASSERT_NE(second, 0u);
    EXPECT_EQ(MagFilter(view, second), GL_NEAREST);
    if (second != first) {
        EXPECT_EQ(MagFilter(view, first), 0); // the old one deleted
    }
    // Nearest texels: only the two checker colours, lit, where linear filtering blended them.
    EXPECT_NE(view.RenderFrame(), smooth);

    // The document is replaced: the old materials' textures go with it, also when a document without a
    // model comes in between.
    CMaterial* newChecker = nullptr;
    auto replacement = CheckerDocument(&newChecker);
    host.document = replacement.get();
    doc.reset();
    view.OnUpdate(UpdateHint::NewModel);
    const unsigned third = view.Renderer().Textures().Find(*newChecker).name;
    ASSERT_NE(third, 0u);
    EXPECT_EQ(view.Renderer().Textures().Count(), 1u);
    if (third != second) {
        EXPECT_EQ(MagFilter(view, second), 0);
    }
    Document empty;
    host.document = &empty;
    view.OnUpdate(UpdateHint::NewModel);
    EXPECT_EQ(view.Renderer().Textures().Count(), 0u);
    EXPECT_EQ(MagFilter(view, third), 0);
    EXPECT_TRUE(host.prompt.texts.empty());
}

TEST(ModelViewLogic, WheelAndDragZoomThroughTheView) {
    auto doc = test::CubeDocument();
    test::RecordingHost host(doc.get());
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    view.WheelTurned(120);
    EXPECT_DOUBLE_EQ(view.Camera().distance, -5.24);
    host.settings.bZoomWheelInvert = true;
    view.WheelTurned(120);
    EXPECT_DOUBLE_EQ(view.Camera().distance, -5.0);
    EXPECT_EQ(host.repaints, 2);
    // Qt's events reach the same code.
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    view.Wheel(wheel);
    EXPECT_DOUBLE_EQ(view.Camera().distance, -5.24);
    EXPECT_TRUE(wheel.isAccepted());

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), Qt::RightButton,
                      Qt::RightButton, Qt::ShiftModifier);
    view.MousePress(press);
    QMouseEvent move(QEvent::MouseMove, QPointF(60, 70), QPointF(60, 70), Qt::NoButton, Qt::RightButton,
                     Qt::ShiftModifier);
    view.MouseMove(move);
    EXPECT_DOUBLE_EQ(view.Camera().distance, -5.24 + 0.3);
    // Left drag rotates.
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(60, 70), QPointF(60, 70), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    view.MousePress(left);
    QMouseEvent turn(QEvent::MouseMove, QPointF(70, 70), QPointF(70, 70), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    view.MouseMove(turn);
    EXPECT_DOUBLE_EQ(view.Camera().yaw, -30.0 + 7.0);
}

TEST(ModelViewLogic, ClickInCheckModeMarksTheRegionAndRedrawsAllViews) {
    CheckModeView v;
    // The middle of the window is the cube's front face.
    v.Click(kW / 2, kH / 2, kW / 2 + 3, kH / 2);
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 1);
    ASSERT_NE(v.view.PickMarker(), nullptr);
    EXPECT_GT(v.view.PickMarker()->Normal().z, 0.9);
    EXPECT_EQ(v.host.hints, (std::vector<UpdateHint>{UpdateHint::Redraw}));
    // The picked face is drawn red.
    const QImage& frame = v.view.RenderFrame();
    EXPECT_EQ(frame.pixel(kW / 2, kH / 2), qRgb(255, 0, 0));

    // A drag of three pixels diagonally is no click: nothing changes.
    v.Click(5, 5, 8, 8);
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 1);
    EXPECT_EQ(v.host.hints.size(), 1u);
    // Clicking the background clears every mark and marks nothing.
    v.Click(2, 2, 2, 2);
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 0);
    EXPECT_EQ(v.view.PickMarker(), nullptr);
    EXPECT_EQ(v.host.hints.size(), 2u);
}

TEST(ModelViewLogic, ClicksOutsideCheckModeOrWithoutDevelopmentDoNothing) {
    CheckModeView v;
    v.host.settings.editMode = EditMode::SelectMove;
    v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 0);
    EXPECT_TRUE(v.host.hints.empty());
    v.host.settings.editMode = EditMode::CheckFace;
    auto development = std::move(v.sample.Doc()->development);
    v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 0);
    v.sample.Doc()->development = std::move(development);
    // A right release does not end the drag, so the next left release is measured from the right press.
    v.view.ButtonDown(PointerButton::Right, At(kW / 2, kH / 2));
    v.view.ButtonUp(PointerButton::Right, At(kW / 2, kH / 2));
    EXPECT_TRUE(v.view.Interaction().Dragging());
    v.view.ButtonUp(PointerButton::Left, At(kW / 2 + 1, kH / 2));
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 1);
}

TEST(ModelViewLogic, EscapeAndHintsClearThePickMarker) {
    CheckModeView v;
    v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
    ASSERT_NE(v.view.PickMarker(), nullptr);
    const int repaints = v.host.repaints;
    QKeyEvent other(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    v.view.KeyRelease(other);
    EXPECT_NE(v.view.PickMarker(), nullptr);
    EXPECT_FALSE(other.isAccepted()); // left to the window's shortcuts
    QKeyEvent escape(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    v.view.KeyRelease(escape);
    EXPECT_EQ(v.view.PickMarker(), nullptr);
    EXPECT_EQ(v.host.repaints, repaints + 1);
    for (UpdateHint hint : {UpdateHint::NewModel, UpdateHint::DevelopmentReplaced, UpdateHint::Undone,
                            UpdateHint::ClearPickAndProjection, UpdateHint::ClearPick}) {
        v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
        ASSERT_NE(v.view.PickMarker(), nullptr);
        v.view.OnUpdate(hint);
        EXPECT_EQ(v.view.PickMarker(), nullptr) << static_cast<int>(hint);
    }
    v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
    v.view.OnUpdate(UpdateHint::RebuildProjection);
    EXPECT_NE(v.view.PickMarker(), nullptr);
}

TEST(ModelViewLogic, FaceCheckAnimationRunsOnTheHostsTimer) {
    auto doc = test::CubeDocument();
    test::RecordingHost host(doc.get());
    host.settings.iFaceCheckAnimationSpeedIndex = 2;
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    view.StartFaceCheckAnimation(90, 60);
    EXPECT_TRUE(host.timerRunning);
    EXPECT_EQ(host.timerIntervalMs, 110);
    // A second request while turning is ignored.
    view.StartFaceCheckAnimation(0, 0);
    EXPECT_EQ(host.timerStarts, 1);
    const int repaints = host.repaints;
    for (int tick = 1; tick <= 10; ++tick) {
        // A camera reset halfway does not stop the turn.
        if (tick == 5) view.OnUpdate(UpdateHint::ResetCamera);
        view.TimerTick();
        EXPECT_EQ(host.timerRunning, tick < 10) << tick;
    }
    EXPECT_EQ(host.repaints, repaints + 11);
    EXPECT_NEAR(view.Camera().pitch, 30.0 + 6 * 6.0, 1e-9);
    EXPECT_NEAR(view.Camera().yaw, -30.0 + 6 * 9.0, 1e-9);
    // Stray ticks after the end change nothing.
    view.TimerTick();
    EXPECT_NEAR(view.Camera().yaw, -30.0 + 6 * 9.0, 1e-9);
}

TEST(ModelViewLogic, TurnTowardsFollowsTheSetting) {
    auto doc = test::CubeDocument();
    test::RecordingHost host(doc.get());
    ModelViewLogic view(host);
    const CFace* top = nullptr;
    for (const auto& face : doc->model->solids[0]->faces)
        if (face->Normal().y > 0.9) top = face.get();
    ASSERT_NE(top, nullptr);
    host.settings.bUseAnimationForFaceCheck = false;
    view.TurnTowards({top});
    EXPECT_EQ(host.timerStarts, 0);
    host.settings.bUseAnimationForFaceCheck = true;
    view.TurnTowards({});
    EXPECT_EQ(host.timerStarts, 0);
    view.TurnTowards({top});
    EXPECT_EQ(host.timerStarts, 1);
    EXPECT_NEAR(view.Animation().TargetPitch(), 90.0, 1e-9);
    EXPECT_EQ(view.Animation().TargetYaw(), 0.0);
}

TEST(ModelViewLogic, CameraOnlyFramesDrawTheLastArraysAgain) {
    test::OpenedSample sample("cube.tsm");
    test::RecordingHost host(sample.Doc());
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    view.OnUpdate(UpdateHint::NewModel);
    view.RenderFrame();
    const int gathered = view.Renderer().GatherCount();
    // Turning the camera reuses the arrays; the picture is the one a fresh gathering gives.
    view.Camera().yaw += 20;
    view.CameraChanged();
    const QImage turned = view.RenderFrame().copy();
    EXPECT_EQ(view.Renderer().GatherCount(), gathered);
    Camera3D camera = view.Camera();
    RecordingPrompt prompt;
    EXPECT_EQ(turned, RenderModelViewImage(sample.Doc(), host.settings, kW, kH, camera, prompt));
    // A paint for any other reason gathers again.
    view.RenderFrame();
    EXPECT_EQ(view.Renderer().GatherCount(), gathered + 1);
    // A hint, a changed display setting or a face check since the last frame: gathered again.
    view.Camera().yaw += 5;
    view.CameraChanged();
    view.OnUpdate(UpdateHint::Redraw);
    view.RenderFrame();
    EXPECT_EQ(view.Renderer().GatherCount(), gathered + 2);
    view.Camera().yaw += 5;
    view.CameraChanged();
    host.settings.bDrawOpenedModel = false;
    view.RenderFrame();
    EXPECT_EQ(view.Renderer().GatherCount(), gathered + 3);
    view.Camera().yaw += 5;
    view.CameraChanged();
    view.StartFaceCheckAnimation(0, 0);
    view.RenderFrame();
    EXPECT_EQ(view.Renderer().GatherCount(), gathered + 4);
}

} // namespace
} // namespace tsm
