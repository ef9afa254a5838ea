#include "view3d/Camera3D.h"

#include "View3DFixtures.h"

#include "model/Mesh.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/ViewRenderSurface.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace tsm {
namespace {

using test::At;

// A wheel notch (120) moves a quarter unit, a drag (dx + dy) / 100; each stops at its own near limit. The
// wheel may come nearer than a drag; the next drag step clamps back to the drag's limit.
TEST(Camera3D, ZoomSteps) {
    const struct {
        double from;
        int wheel; // or 0 for a drag
        bool invert;
        int dx, dy;
        double to;
    } cases[] = {
        {-5, 120, false, 0, 0, -5.24},   {-5, 120, true, 0, 0, -4.76},     {-5, 15, false, 0, 0, -5.03},
        {-0.5, -120, false, 0, 0, -0.4}, {-29.9, 120, false, 0, 0, -30},   {-5, 0, false, 30, 20, -4.5},
        {-0.8, 0, false, 50, 50, -0.7},  {-29.9, 0, false, -50, -50, -30}, {-0.4, 0, false, 0, 0, -0.7}};
    for (const auto& c : cases) {
        Camera3D camera;
        camera.distance = c.from;
        if (c.wheel != 0)
            WheelZoomCamera(camera, c.wheel, c.invert);
        else
            DragZoomCamera(camera, c.dx, c.dy);
        EXPECT_NEAR(camera.distance, c.to, 1e-12) << c.from << " " << c.wheel << " " << c.dx << "," << c.dy;
    }
}

// Where a model point shows in a client of w x h pixels (y down).
std::pair<double, double> ScreenOf(const Mat4& p, const Vec3& v, int w, int h) {
    const double* m = p.m;
    const double cw = m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15];
    const double cx = (m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12]) / cw;
    const double cy = (m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13]) / cw;
    return {(cx + 1) * w / 2, (1 - cy) * h / 2};
}

// The point under the pointer, in the plane through the centre of view, stays under it through a wheel
// zoom, whatever the window's shape and the camera's offset; at a limit the camera keeps still.
TEST(Camera3D, WheelZoomsAboutThePointer) {
    const struct {
        Vec3 point; // in the plane square to the view through the pan point
        int wheel;
        double from, offsetX, offsetY;
        int w, h;
    } cases[] = {
        {{0.3, 0.2, 0}, 120, -5, 0, 0, 640, 480},
        {{-0.4, 0.1, 0}, -240, -5, 0.01, -0.02, 300, 700},
        {{0, 0, 0}, 360, -3, 0, 0, 640, 480},
        {{0.1, -0.05, 0}, -120, -0.5, 0, 0, 640, 480},
        {{-0.02, 0.03, 0}, 120, -29.9, 0.002, 0, 64, 48},
        {{0.05, 0.05, 0}, -120, -0.4, 0, 0, 640, 480},
    };
    for (const auto& c : cases) {
        Camera3D camera = test::Facing(0, 0);
        camera.distance = c.from;
        camera.offsetX = c.offsetX;
        camera.offsetY = c.offsetY;
        const auto [x, y] = ScreenOf(CameraProjection(camera, c.w, c.h, nullptr), c.point, c.w, c.h);
        const Camera3D before = camera;
        WheelZoomCameraAbout(camera, c.wheel, false, x, y, c.w, c.h);
        Camera3D centred = before;
        WheelZoomCamera(centred, c.wheel, false);
        EXPECT_EQ(camera.distance, centred.distance);
        const auto [x2, y2] = ScreenOf(CameraProjection(camera, c.w, c.h, nullptr), c.point, c.w, c.h);
        EXPECT_NEAR(x2, x, 1e-6) << c.wheel << " from " << c.from;
        EXPECT_NEAR(y2, y, 1e-6) << c.wheel << " from " << c.from;
        // Away from the centre of view the zoom moves the camera sideways too, unless it did not zoom.
        const bool moved = camera.offsetX != before.offsetX || camera.offsetY != before.offsetY;
        EXPECT_EQ(moved, camera.distance != before.distance && (c.point.x != 0 || c.point.y != 0));
    }
    // A client of no size zooms about the centre.
    Camera3D camera;
    WheelZoomCameraAbout(camera, 120, false, 5, 5, 0, 0);
    EXPECT_EQ(camera.offsetX, 0);
    EXPECT_NEAR(camera.distance, -5.24, 1e-12);
}

// The matrix GL builds from the same steps, read back from a context.
Mat4 GlProjection(const Camera3D& c, int w, int h, const Mesh* model) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.05, 0.05, -0.05 * h / w, 0.05 * h / w, 0.134, 2000.0);
    glTranslated(c.offsetX, c.offsetY, 0);
    glTranslated(0, 0, c.distance);
    glRotated(c.pitch, 1, 0, 0);
    glRotated(c.yaw, 0, 1, 0);
    glTranslated(-c.pan.x, -c.pan.y, -c.pan.z);
    if (model) {
        glScaled(2.0 / model->size, 2.0 / model->size, 2.0 / model->size);
        glTranslated(-model->center.x, -model->center.y, -model->center.z);
    }
    Mat4 m;
    glGetDoublev(GL_PROJECTION_MATRIX, m.m);
    return m;
}

TEST(Camera3D, ProjectionIsWhatGlBuildsFromTheSameSteps) {
    RecordingPrompt prompt;
    ViewRenderSurface surface(prompt, RenderSlot::View3D);
    ASSERT_TRUE(surface.Resize(4, 4));
    Mesh model;
    model.size = 40;
    model.center = {3, -2, 7};
    Camera3D camera = test::Facing(47, -123);
    camera.pan = {0.1, -0.2, 0.3};
    camera.distance = -7.5;
    camera.offsetX = 0.04;
    camera.offsetY = -0.02;
    for (const Mesh* m : {static_cast<const Mesh*>(nullptr), static_cast<const Mesh*>(&model)}) {
        const Mat4 ours = CameraProjection(camera, 640, 480, m);
        const Mat4 gl = GlProjection(camera, 640, 480, m);
        // GL keeps single precision.
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours.m[i], gl.m[i], 1e-5 * (1 + std::fabs(gl.m[i]))) << i;
    }
    glctx::Release();
}

// A model of no extent, a window of no width yet (before the first resize) and a rotation about an axis of
// no length give finite matrices.
TEST(Camera3D, DegenerateInputsGiveFiniteMatrices) {
    Mesh point;
    point.size = 0;
    for (double v : CameraProjection(Camera3D{}, 100, 100, &point).m) EXPECT_TRUE(std::isfinite(v));
    for (double v : CameraProjection(Camera3D{}, 0, 0, nullptr).m) EXPECT_TRUE(std::isfinite(v));
    const Mat4 none = RotationMatrix(45, 0, 0, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(none.m[i], Mat4{}.m[i]);
}

// A move from (100, 100) to (110, 120) rotates, moves (screen up positive) or zooms by what is pressed and
// held; only a press in this view starts a rotation, and nothing moves without a model.
TEST(CameraInteraction, ButtonsAndModifiersChooseWhatADragDoes) {
    enum Effect { kNothing, kRotate, kMove, kZoom };
    const struct {
        const char* pressed;
        const char* held;
        bool model;
        Effect effect;
    } cases[] = {
        {"left", "left", true, kRotate},       {"", "left", true, kNothing},
        {"left", "left", false, kNothing},     {"left", "left shift ctrl", true, kRotate},
        {"right", "right", true, kRotate},     {"right", "right ctrl", true, kMove},
        {"right", "right shift", true, kZoom}, {"right", "right left shift", true, kMove},
        {"middle", "middle", true, kMove},     {"left", "", true, kNothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pressed) + " / " + c.held);
        const auto has = [](const char* words, const char* word) {
            return std::strstr(words, word) != nullptr;
        };
        Camera3D camera;
        CameraInteraction mouse;
        if (has(c.pressed, "left")) mouse.ButtonDown(PointerButton::Left, At(100, 100));
        if (has(c.pressed, "right")) mouse.ButtonDown(PointerButton::Right, At(100, 100));
        if (has(c.pressed, "middle")) mouse.ButtonDown(PointerButton::Middle, At(100, 100));
        PointerInput input = At(110, 120);
        input.left = has(c.held, "left");
        input.right = has(c.held, "right");
        input.middle = has(c.held, "middle");
        input.shift = has(c.held, "shift");
        input.ctrl = has(c.held, "ctrl");
        EXPECT_EQ(mouse.Move(camera, input, c.model), c.effect != kNothing);
        std::vector<double> expected = {-30, 30, 0, 0, -5};
        if (c.effect == kRotate) expected = {-30 + 7, 30 + 14, 0, 0, -5};
        if (c.effect == kMove) expected = {-30, 30, 0.02, -0.04, -5};
        if (c.effect == kZoom) expected = {-30, 30, 0, 0, -4.7};
        const std::vector<double> got = {camera.yaw, camera.pitch, camera.offsetX, camera.offsetY,
                                         camera.distance};
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-9) << i;
    }
}

// Each move counts from the last acting one; a release tells a click from a drag.
TEST(CameraInteraction, MovesAndReleasesAfterAPress) {
    Camera3D camera;
    CameraInteraction mouse;
    mouse.ButtonDown(PointerButton::Left, At(10, 10));
    PointerInput input = At(20, 15);
    input.left = true;
    EXPECT_TRUE(mouse.Move(camera, input, true));
    EXPECT_FALSE(mouse.Move(camera, At(70, 70), true)); // no button held: not acting
    input.x = 21;
    EXPECT_TRUE(mouse.Move(camera, input, true));
    EXPECT_NEAR(camera.yaw, -30 + 11 * 0.7, 1e-9);
    EXPECT_NEAR(camera.pitch, 30 + 5 * 0.7, 1e-9);
    EXPECT_EQ(mouse.LastX(), 21);
    // Three pixels diagonally from the press (squared distance 18) is a drag, three along one axis a click;
    // far-apart coordinates do not overflow into a click.
    EXPECT_TRUE(mouse.Dragging());
    EXPECT_FALSE(mouse.LeftUp(At(13, 13), true));
    EXPECT_FALSE(mouse.Dragging());
    // A release without a press first (the flag already cleared) is no click.
    EXPECT_FALSE(mouse.LeftUp(At(10, 10), true));
    // Without a model the release is ignored and the flag stays.
    mouse.ButtonDown(PointerButton::Left, At(50, 50));
    EXPECT_FALSE(mouse.LeftUp(At(50, 50), false));
    EXPECT_TRUE(mouse.Dragging());
    EXPECT_TRUE(mouse.LeftUp(At(50, 53), true));
    EXPECT_FALSE(IsClick(-2000000000, 0, 2000000000, 0));
}

} // namespace
} // namespace tsm
