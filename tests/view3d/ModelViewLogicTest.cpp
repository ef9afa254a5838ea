#include "view3d/ModelViewLogic.h"

#include "View3DFixtures.h"
#include "model/Settings.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <functional>

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
    view.Resize(kW, kH);
    EXPECT_GT(host.textureLimit, 512);
    // Nothing open: the background alone.
    EXPECT_EQ(view.RenderFrame().pixel(kW / 2, kH / 2), qRgb(255, 255, 255));
    const Mat4 before = view.Projection();
    view.Resize(kW, kH);
    view.Resize(0, 50);
    EXPECT_EQ(view.RenderFrame().size(), QSize(kW, kH));
    view.Resize(kW * 2, kH);
    EXPECT_EQ(view.RenderFrame().size(), QSize(kW * 2, kH));
    EXPECT_NE(view.Projection().m[5] / view.Projection().m[0], before.m[5] / before.m[0]);
    EXPECT_TRUE(host.prompt.texts.empty());
}

// Each hint does what it names and repaints, or redraws every view after a texture filter change; the
// camera reaches the projection only when a hint rebuilds it. Esc clears the pick marker, other keys are
// left to the window's shortcuts.
TEST(ModelViewLogic, HintsAndEscape) {
    const struct {
        UpdateHint hint;
        bool clearsPick, resetsCamera, rebuildsProjection;
    } cases[] = {
        {UpdateHint::ClearPick, true, false, false},
        {UpdateHint::RebuildProjection, false, false, true},
        {UpdateHint::ResetCamera, false, true, true},
        {UpdateHint::ViewFromBelow, false, true, true},
        {UpdateHint::DevelopmentReplaced, true, false, true},
        {UpdateHint::Undone, true, false, true},
        {UpdateHint::ClearPickAndProjection, true, false, true},
        {UpdateHint::NewModel, true, true, true},
        {UpdateHint::TextureFilterChanged, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.hint));
        CheckModeView v;
        v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
        ASSERT_NE(v.view.PickMarker(), nullptr);
        v.view.Camera().yaw = 100;
        const Mat4 stale = v.view.Projection();
        const int repaints = v.host.repaints;
        v.view.OnUpdate(c.hint);
        EXPECT_EQ(v.view.PickMarker() == nullptr, c.clearsPick);
        EXPECT_EQ(v.view.Camera().yaw == -30.0, c.resetsCamera);
        EXPECT_EQ(v.view.Camera().pitch == -30.0, c.hint == UpdateHint::ViewFromBelow);
        EXPECT_EQ(v.view.Projection().m[0] != stale.m[0], c.rebuildsProjection);
        const bool redrawsAll = c.hint == UpdateHint::TextureFilterChanged;
        EXPECT_EQ(v.host.repaints, repaints + !redrawsAll);
        EXPECT_EQ(v.host.hints.size(), 1u + redrawsAll); // after the click's
    }
    CheckModeView v;
    v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
    QKeyEvent other(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
    v.view.KeyRelease(other);
    EXPECT_NE(v.view.PickMarker(), nullptr);
    EXPECT_FALSE(other.isAccepted());
    QKeyEvent escape(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    v.view.KeyRelease(escape);
    EXPECT_EQ(v.view.PickMarker(), nullptr);
}

std::unique_ptr<Document> CheckerDocument(Material** checker) {
    auto doc = std::make_unique<Document>();
    *checker = &AddMaterial(*doc, "checker", {1, 1, 1}, MakeCheckerboard(8, 8, 2, {1, 0, 0}, {0, 0, 1}));
    const MeshData quad = Grid(1, 1, 1.0);
    AssignFaceUV(AddSolid(*doc, "quad", quad.vertices, quad.faces, 0));
    return doc;
}

// A new model has its textures made at once, in the view's context, and drawn from then on without being
// made again; a filter change makes them again; another document takes the old one's textures away.
TEST(ModelViewLogic, TexturesFollowTheHints) {
    Material* checker = nullptr;
    auto doc = CheckerDocument(&checker);
    test::RecordingHost host(doc.get());
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    view.OnUpdate(UpdateHint::NewModel);
    const unsigned first = view.Renderer().Textures().Find(*checker).name;
    ASSERT_NE(first, 0u);
    const QImage smooth = view.RenderFrame().copy();
    view.RenderFrame();
    EXPECT_EQ(view.Renderer().Textures().Find(*checker).name, first);

    host.settings.smoothTextures = false;
    view.OnUpdate(UpdateHint::TextureFilterChanged);
    EXPECT_NE(view.Renderer().Textures().Find(*checker).name, 0u);
    // Nearest texels: only the two checker colours, lit, where linear filtering blended them.
    EXPECT_NE(view.RenderFrame(), smooth);

    // The document is replaced: the old materials' textures go with it.
    Material* newChecker = nullptr;
    auto replacement = CheckerDocument(&newChecker);
    host.document = replacement.get();
    doc.reset();
    view.OnUpdate(UpdateHint::NewModel);
    EXPECT_NE(view.Renderer().Textures().Find(*newChecker).name, 0u);
    EXPECT_EQ(view.Renderer().Textures().Count(), 1u);
    EXPECT_TRUE(host.prompt.texts.empty());
}

TEST(ModelViewLogic, WheelAndDragZoomThroughTheView) {
    auto doc = test::CubeDocument();
    test::RecordingHost host(doc.get());
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    // The setting reaches the zoom; a sideways wheel is left alone.
    host.settings.invertWheelZoom = true;
    const auto wheel = [&view](QPoint delta) {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        view.Wheel(event);
        return event.isAccepted();
    };
    EXPECT_TRUE(wheel(QPoint(0, -120)));
    EXPECT_FALSE(wheel(QPoint(120, 0)));
    EXPECT_DOUBLE_EQ(view.Camera().distance, -5.24);
    EXPECT_EQ(host.repaints, 1);
    // About the pointer near the top left: moving away draws the model towards it, left and up.
    EXPECT_LT(view.Camera().offsetX, 0);
    EXPECT_GT(view.Camera().offsetY, 0);

    // Shift and the right button zoom, the left button rotates.
    const auto mouse = [&view](QEvent::Type type, int x, int y, Qt::MouseButton button,
                               Qt::KeyboardModifiers modifiers) {
        QMouseEvent event(type, QPointF(x, y), QPointF(x, y),
                          type == QEvent::MouseMove ? Qt::NoButton : button, button, modifiers);
        type == QEvent::MouseMove ? view.MouseMove(event) : view.MousePress(event);
    };
    mouse(QEvent::MouseButtonPress, 50, 50, Qt::RightButton, Qt::ShiftModifier);
    mouse(QEvent::MouseMove, 60, 70, Qt::RightButton, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(view.Camera().distance, -5.24 + 0.3);
    mouse(QEvent::MouseButtonPress, 60, 70, Qt::LeftButton, Qt::NoModifier);
    mouse(QEvent::MouseMove, 70, 70, Qt::LeftButton, Qt::NoModifier);
    EXPECT_DOUBLE_EQ(view.Camera().yaw, -30.0 + 7.0);
}

TEST(ModelViewLogic, ClickInCheckModeMarksTheRegionAndRedrawsAllViews) {
    CheckModeView v;
    // Outside check mode, or without a development, a click does nothing.
    v.host.settings.editMode = EditMode::SelectMove;
    v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
    v.host.settings.editMode = EditMode::CheckFace;
    auto development = std::move(v.sample.Doc()->development);
    v.Click(kW / 2, kH / 2, kW / 2, kH / 2);
    v.sample.Doc()->development = std::move(development);
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 0);
    EXPECT_TRUE(v.host.hints.empty());

    // The middle of the window is the cube's front face.
    v.Click(kW / 2, kH / 2, kW / 2 + 3, kH / 2);
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 1);
    ASSERT_NE(v.view.PickMarker(), nullptr);
    EXPECT_GT(v.view.PickMarker()->Normal().z, 0.9);
    EXPECT_EQ(v.host.hints, (std::vector<UpdateHint>{UpdateHint::Redraw}));
    EXPECT_EQ(v.view.RenderFrame().pixel(kW / 2, kH / 2), qRgb(255, 0, 0));
    // Clicking the background clears every mark and marks nothing.
    v.Click(2, 2, 2, 2);
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 0);
    EXPECT_EQ(v.view.PickMarker(), nullptr);
    EXPECT_EQ(v.host.hints.size(), 2u);
    // A right release does not end the drag, so the next left release is measured from the right press.
    v.view.ButtonDown(PointerButton::Right, At(kW / 2, kH / 2));
    v.view.ButtonUp(PointerButton::Right, At(kW / 2, kH / 2));
    v.view.ButtonUp(PointerButton::Left, At(kW / 2 + 1, kH / 2));
    EXPECT_EQ(PickedCount(*v.sample.Doc()), 1);
}

// A turn towards the marked faces, when the setting asks for one, runs on the host's timer.
TEST(ModelViewLogic, FaceCheckAnimationRunsOnTheHostsTimer) {
    auto doc = test::CubeDocument();
    test::RecordingHost host(doc.get());
    host.settings.faceCheckAnimationSpeed = 2;
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    const Face* top = nullptr;
    for (const auto& face : doc->model->solids[0]->faces)
        if (face->Normal().y > 0.9) top = face.get();
    ASSERT_NE(top, nullptr);
    host.settings.animateFaceCheck = false;
    view.TurnTowards({top});
    host.settings.animateFaceCheck = true;
    view.TurnTowards({});
    EXPECT_FALSE(host.timerRunning);
    view.TurnTowards({top});
    EXPECT_TRUE(host.timerRunning);
    EXPECT_EQ(host.timerIntervalMs, 110);
    const int repaints = host.repaints;
    for (int tick = 1; tick <= 10; ++tick) {
        view.TimerTick();
        EXPECT_EQ(host.timerRunning, tick < 10) << tick;
    }
    // Stray ticks after the end change nothing.
    view.TimerTick();
    EXPECT_EQ(host.repaints, repaints + 10);
    EXPECT_NEAR(view.Camera().pitch, 90.0, 1e-9);
}

TEST(ModelViewLogic, CameraOnlyFramesDrawTheLastArraysAgain) {
    test::OpenedSample sample("cube.tsm");
    test::RecordingHost host(sample.Doc());
    ModelViewLogic view(host);
    view.Resize(kW, kH);
    view.OnUpdate(UpdateHint::NewModel);
    view.RenderFrame();
    int gathered = view.Renderer().GatherCount();
    // Turning the camera reuses the arrays; the picture is the one a fresh gathering gives.
    view.Camera().yaw += 20;
    view.CameraChanged();
    const QImage turned = view.RenderFrame().copy();
    EXPECT_EQ(view.Renderer().GatherCount(), gathered);
    RecordingPrompt prompt;
    EXPECT_EQ(turned, RenderModelViewImage(sample.Doc(), host.settings, kW, kH, view.Camera(), prompt));
    // A paint for any other reason gathers again; so does a camera move with a hint, a changed display
    // setting or a face check since the last frame.
    view.RenderFrame();
    EXPECT_EQ(view.Renderer().GatherCount(), ++gathered);
    const std::function<void()> changes[] = {
        [&] { view.OnUpdate(UpdateHint::Redraw); },
        [&] { host.settings.drawModelOnOpen = false; },
        [&] { view.StartFaceCheckAnimation(0, 0); },
    };
    for (const auto& change : changes) {
        view.Camera().yaw += 5;
        view.CameraChanged();
        change();
        view.RenderFrame();
        EXPECT_EQ(view.Renderer().GatherCount(), ++gathered);
    }
}

} // namespace
} // namespace tsm
