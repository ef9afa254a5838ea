// The 3D view's orbit camera and the mouse navigation around it, as plain arithmetic: no GL and no widgets,
// so that every rule can be checked on its own. The renderer loads the matrix built here, and picking
// projects with the same matrix, so what is drawn and what is picked never disagree.
#pragma once

#include "model/Geometry.h"

namespace tsm {

struct Mesh;

struct Camera3D {
    Vec3 pan;                         // point of the normalised model space the camera looks at
    double distance = -5.0;           // along the viewing axis; always negative
    double pitch = 30.0;              // degrees about X
    double yaw = -30.0;               // degrees about Y
    double offsetX = 0, offsetY = 0;  // screen offset, in projection units
    double rotationDegPerPixel = 0.7; // set once, not touched by Reset

    void Reset();
};

// Distance limits: the wheel may come nearer than a Shift-drag; both stop at the same far limit.
constexpr double kWheelNearestDistance = -0.4;
constexpr double kDragNearestDistance = -0.7;
constexpr double kFarthestDistance = -30.0;
constexpr double kWheelDeltaPerDistance = 500.0; // 120 per notch: 0.24 per notch
constexpr double kDragPixelsPerDistance = 100.0;
constexpr double kMoveUnitsPerPixel = 0.002;
// A press and release at most this far apart (squared, in pixels) are a click rather than a drag.
constexpr int kClickSquaredPixels = 9;

// yaw += dx x sensitivity, pitch += dy x sensitivity.
void RotateCamera(Camera3D& camera, int dxPixels, int dyPixels);
// Screen offset; dyUpPixels is positive when the mouse went up the screen.
void MoveCamera(Camera3D& camera, int dxPixels, int dyUpPixels);
// Shift + right drag: right or down brings the model nearer.
void DragZoomCamera(Camera3D& camera, int dxPixels, int dyPixels);
// Signed wheel amount (120 per notch); forward moves away unless inverted.
void WheelZoomCamera(Camera3D& camera, int wheelDelta, bool invert);
// The same zoom about the pointer (client pixels, y down): the point under it in the plane through the
// camera's centre of view, square to the view, stays under it.
void WheelZoomCameraAbout(Camera3D& camera, int wheelDelta, bool invert, double pointerX, double pointerY,
                          int clientWidth, int clientHeight);
bool IsClick(int pressX, int pressY, int releaseX, int releaseY);

// A 4 x 4 matrix in GL's column-major order: element (row r, column c) is m[c * 4 + r].
struct Mat4 {
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};
Mat4 operator*(const Mat4& a, const Mat4& b);
Mat4 FrustumMatrix(double left, double right, double bottom, double top, double zNear, double zFar);
Mat4 TranslationMatrix(double x, double y, double z);
Mat4 ScaleMatrix(double s);
// Counter-clockwise degrees about the axis, as glRotate.
Mat4 RotationMatrix(double degrees, double x, double y, double z);

// The whole camera as one projection matrix (the modelview stays identity, so lighting and picking work in
// model space): the frustum of the client size, the screen offset, the distance, pitch, yaw and pan, and,
// with a model, the scale and shift that put the model into about two units around the origin.
Mat4 CameraProjection(const Camera3D& camera, int clientWidth, int clientHeight, const Mesh* model);

// Which mouse buttons and keys were down when a mouse message was handled.
struct PointerInput {
    int x = 0, y = 0;
    bool left = false, right = false, middle = false;
    bool ctrl = false, shift = false;
};

enum class PointerButton { Left, Right, Middle };

// The press, the last position and the dragging flag of the 3D view's mouse navigation.
class CameraInteraction {
public:
    void ButtonDown(PointerButton button, const PointerInput& input);
    // Moves, zooms or rotates the camera by the movement since the last acting message; true when the
    // camera changed.
    bool Move(Camera3D& camera, const PointerInput& input, bool modelLoaded);
    // True when the release completes a click (no drag) on a loaded model.
    bool LeftUp(const PointerInput& input, bool modelLoaded);

    bool Dragging() const { return dragging_; }
    int LastX() const { return lastX_; }
    int LastY() const { return lastY_; }

private:
    int pressX_ = 0, pressY_ = 0;
    int lastX_ = 0, lastY_ = 0;
    bool dragging_ = false;
};

} // namespace tsm
