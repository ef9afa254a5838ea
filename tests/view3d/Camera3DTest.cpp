#include "view3d/Camera3D.h"

#include "View3DFixtures.h"

#include "model/Mesh.h"
#include "view3d/GLContextRegistry.h"
#include "view3d/ViewRenderSurface.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <vector>

namespace tsm {
namespace {

using test::At;

TEST(Camera3D, ResetRestoresTheStartingViewButNotTheSensitivity) {
    Camera3D camera;
    camera.pan = {1, 2, 3};
    camera.distance = -12;
    camera.pitch = 5;
    camera.yaw = 7;
    camera.offsetX = 0.3;
    camera.offsetY = -0.2;
    camera.rotationDegPerPixel = 0.25;
    camera.Reset();
    const Camera3D fresh;
    EXPECT_EQ(camera.pan, fresh.pan);
    EXPECT_EQ(
        std::vector<double>({camera.distance, camera.pitch, camera.yaw, camera.offsetX, camera.offsetY}),
        std::vector<double>({-5.0, 30.0, -30.0, 0.0, 0.0}));
    EXPECT_EQ(camera.rotationDegPerPixel, 0.25);
}

TEST(Camera3D, WheelNotchMovesByAQuarterUnitAndStopsAtItsLimits) {
    Camera3D camera;
    // One notch forward moves the camera away, inverted it comes nearer.
    WheelZoomCamera(camera, 120, false);
    EXPECT_DOUBLE_EQ(camera.distance, -5.24);
    camera.Reset();
    WheelZoomCamera(camera, 120, true);
    EXPECT_DOUBLE_EQ(camera.distance, -4.76);
    camera.Reset();
    WheelZoomCamera(camera, -120, false);
    EXPECT_DOUBLE_EQ(camera.distance, -4.76);
    // A high-resolution wheel's small steps count in proportion.
    camera.Reset();
    WheelZoomCamera(camera, 15, false);
    EXPECT_DOUBLE_EQ(camera.distance, -5.03);

    // Zooming in stops at -0.4, out at -30, however far the wheel turns.
    for (int i = 0; i < 100; ++i) WheelZoomCamera(camera, -120, false);
    EXPECT_EQ(camera.distance, -0.4);
    for (int i = 0; i < 1000; ++i) WheelZoomCamera(camera, 120, false);
    EXPECT_EQ(camera.distance, -30.0);
    WheelZoomCamera(camera, -1200000, true); // inverted: a huge turn back is still clamped
    EXPECT_EQ(camera.distance, -30.0);
}

TEST(Camera3D, ShiftDragZoomHasItsOwnNearLimit) {
    Camera3D camera;
    // Right or down brings the model nearer: (dx + dy) / 100.
    DragZoomCamera(camera, 30, 20);
    EXPECT_DOUBLE_EQ(camera.distance, -4.5);
    DragZoomCamera(camera, -100, 0);
    EXPECT_DOUBLE_EQ(camera.distance, -5.5);
    for (int i = 0; i < 100; ++i) DragZoomCamera(camera, 50, 50);
    EXPECT_EQ(camera.distance, -0.7);
    for (int i = 0; i < 1000; ++i) DragZoomCamera(camera, -50, -50);
    EXPECT_EQ(camera.distance, -30.0);
    // The wheel may come nearer than a drag; the next drag step clamps back to the drag's limit.
    camera.distance = -0.4;
    DragZoomCamera(camera, 0, 0);
    EXPECT_EQ(camera.distance, -0.7);
}

TEST(Camera3D, ThreePixelsDiagonallyIsADrag) {
    // Squared distance 18 is a drag; 9 along one axis is still a click; far-apart coordinates do not
    // overflow into a click.
    const struct {
        int x, y;
        bool click;
    } cases[] = {{13, 13, false}, {7, 13, false}, {13, 10, true}, {10, 7, true},
                 {12, 12, true},  {10, 10, true}, {14, 10, false}};
    for (const auto& c : cases) EXPECT_EQ(IsClick(10, 10, c.x, c.y), c.click) << c.x << "," << c.y;
    EXPECT_FALSE(IsClick(-2000000000, 0, 2000000000, 0));
}

// The matrix GL builds from the same steps, read back from a context.
Mat4 GlProjection(const Camera3D& c, int w, int h, const CMeshModel* model) {
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
    CMeshModel model;
    model.size = 40;
    model.center = {3, -2, 7};
    Camera3D camera;
    camera.pan = {0.1, -0.2, 0.3};
    camera.distance = -7.5;
    camera.pitch = 47;
    camera.yaw = -123;
    camera.offsetX = 0.04;
    camera.offsetY = -0.02;
    for (const CMeshModel* m :
         {static_cast<const CMeshModel*>(nullptr), static_cast<const CMeshModel*>(&model)}) {
        const Mat4 ours = CameraProjection(camera, 640, 480, m);
        const Mat4 gl = GlProjection(camera, 640, 480, m);
        // GL keeps single precision.
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours.m[i], gl.m[i], 1e-5 * (1 + std::fabs(gl.m[i]))) << i;
    }
    glctx::Release();
}

TEST(Camera3D, AModelOfNoExtentKeepsAFiniteProjection) {
    CMeshModel point;
    point.size = 0;
    const Mat4 p = CameraProjection(Camera3D{}, 100, 100, &point);
    for (double v : p.m) EXPECT_TRUE(std::isfinite(v));
    // A window of no width yet (before the first resize) gives a finite matrix too.
    for (double v : CameraProjection(Camera3D{}, 0, 0, nullptr).m) EXPECT_TRUE(std::isfinite(v));
}

TEST(Camera3D, RotationAboutAnAxisOfNoLengthIsTheIdentity) {
    const Mat4 none = RotationMatrix(45, 0, 0, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(none.m[i], Mat4{}.m[i]);
}

TEST(CameraInteraction, LeftDragRotatesOnlyWhileDragging) {
    Camera3D camera;
    CameraInteraction mouse;
    PointerInput move = At(20, 10);
    move.left = true;
    // A move reporting the left button without a press in this view (a drag coming in from outside).
    EXPECT_FALSE(mouse.Move(camera, move, true));
    EXPECT_EQ(camera.yaw, -30.0);

    mouse.ButtonDown(PointerButton::Left, At(10, 10));
    EXPECT_TRUE(mouse.Dragging());
    EXPECT_TRUE(mouse.Move(camera, move, true));
    EXPECT_DOUBLE_EQ(camera.yaw, -30.0 + 10 * 0.7);
    EXPECT_EQ(camera.pitch, 30.0);
    EXPECT_EQ(mouse.LastX(), 20);
    // Each move counts from the last acting one.
    move.x = 20;
    move.y = 15;
    EXPECT_TRUE(mouse.Move(camera, move, true));
    EXPECT_DOUBLE_EQ(camera.pitch, 30.0 + 5 * 0.7);
    // Modifiers other than the right button's cases still rotate with the left button.
    move.shift = move.ctrl = true;
    move.x = 21;
    EXPECT_TRUE(mouse.Move(camera, move, true));
    EXPECT_DOUBLE_EQ(camera.yaw, -30.0 + 11 * 0.7);
}

TEST(CameraInteraction, RightButtonWithModifiersMovesOrZooms) {
    Camera3D camera;
    CameraInteraction mouse;
    mouse.ButtonDown(PointerButton::Right, At(100, 100));
    PointerInput input = At(110, 90);
    input.right = true;
    input.ctrl = true;
    // Ctrl: move, screen up positive.
    EXPECT_TRUE(mouse.Move(camera, input, true));
    EXPECT_DOUBLE_EQ(camera.offsetX, 0.02);
    EXPECT_DOUBLE_EQ(camera.offsetY, 0.02);
    // Shift: zoom by (dx + dy) / 100.
    input.ctrl = false;
    input.shift = true;
    input.x = 130;
    input.y = 120;
    EXPECT_TRUE(mouse.Move(camera, input, true));
    EXPECT_DOUBLE_EQ(camera.distance, -5.0 + 0.5);
    // Right and left together move even with Shift.
    input.left = true;
    input.x = 140;
    EXPECT_TRUE(mouse.Move(camera, input, true));
    EXPECT_DOUBLE_EQ(camera.offsetX, 0.04);
    EXPECT_DOUBLE_EQ(camera.distance, -4.5);
    // Right alone rotates.
    input.left = input.shift = false;
    input.x = 150;
    EXPECT_TRUE(mouse.Move(camera, input, true));
    EXPECT_DOUBLE_EQ(camera.yaw, -30.0 + 7.0);
}

TEST(CameraInteraction, MiddleButtonMovesFromWhereItWasPressed) {
    Camera3D camera;
    CameraInteraction mouse;
    mouse.ButtonDown(PointerButton::Left, At(0, 0));
    mouse.LeftUp(At(0, 0), true);
    // Far from the last acting position: the move starts at the press, without a jump.
    mouse.ButtonDown(PointerButton::Middle, At(300, 200));
    EXPECT_FALSE(mouse.Dragging());
    PointerInput input = At(305, 200);
    input.middle = true;
    EXPECT_TRUE(mouse.Move(camera, input, true));
    EXPECT_DOUBLE_EQ(camera.offsetX, 0.01);
    EXPECT_EQ(camera.offsetY, 0.0);
}

TEST(CameraInteraction, NothingMovesWithoutAModelOrAButton) {
    Camera3D camera;
    CameraInteraction mouse;
    mouse.ButtonDown(PointerButton::Left, At(0, 0));
    PointerInput input = At(50, 50);
    input.left = true;
    EXPECT_FALSE(mouse.Move(camera, input, false));
    EXPECT_EQ(camera.yaw, -30.0);
    // The last position stays where the press was.
    EXPECT_EQ(mouse.LastX(), 0);
    // A plain move with no button does nothing and keeps the last position.
    EXPECT_FALSE(mouse.Move(camera, At(70, 70), true));
    EXPECT_EQ(mouse.LastX(), 0);
}

TEST(CameraInteraction, ReleaseTellsAClickFromADrag) {
    CameraInteraction mouse;
    // Three pixels diagonally: a drag.
    mouse.ButtonDown(PointerButton::Left, At(50, 50));
    EXPECT_FALSE(mouse.LeftUp(At(53, 53), true));
    EXPECT_FALSE(mouse.Dragging());
    // Three pixels along one axis: a click.
    mouse.ButtonDown(PointerButton::Left, At(50, 50));
    EXPECT_TRUE(mouse.LeftUp(At(50, 53), true));
    // A release without a press first (the flag already cleared) is no click.
    EXPECT_FALSE(mouse.LeftUp(At(50, 53), true));
    // Without a model the release is ignored and the flag stays.
    mouse.ButtonDown(PointerButton::Left, At(50, 50));
    EXPECT_FALSE(mouse.LeftUp(At(50, 50), false));
    EXPECT_TRUE(mouse.Dragging());
    // A right press also starts a drag, so a left release afterwards measures from the right press.
    mouse.ButtonDown(PointerButton::Right, At(10, 10));
    EXPECT_TRUE(mouse.LeftUp(At(11, 11), true));
}

} // namespace
} // namespace tsm
