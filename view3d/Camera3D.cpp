#include "view3d/Camera3D.h"

#include "model/Mesh.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The frustum: half the near-plane width, and the near and far planes.
constexpr double kFrustumHalfWidth = 0.05;
constexpr double kNearPlane = 0.134;
constexpr double kFarPlane = 2000.0;

} // namespace

void Camera3D::Reset() {
    pan = Vec3{};
    distance = -5.0;
    pitch = 30.0;
    yaw = -30.0;
    offsetX = 0;
    offsetY = 0;
}

void RotateCamera(Camera3D& camera, int dxPixels, int dyPixels) {
    camera.yaw += dxPixels * camera.rotationDegPerPixel;
    camera.pitch += dyPixels * camera.rotationDegPerPixel;
}

void MoveCamera(Camera3D& camera, int dxPixels, int dyUpPixels) {
    camera.offsetX += dxPixels * kMoveUnitsPerPixel;
    camera.offsetY += dyUpPixels * kMoveUnitsPerPixel;
}

void DragZoomCamera(Camera3D& camera, int dxPixels, int dyPixels) {
    camera.distance += (dxPixels + dyPixels) / kDragPixelsPerDistance;
    camera.distance = std::clamp(camera.distance, kFarthestDistance, kDragNearestDistance);
}

void WheelZoomCamera(Camera3D& camera, int wheelDelta, bool invert) {
    const double step = wheelDelta / kWheelDeltaPerDistance;
    camera.distance += invert ? step : -step;
    camera.distance = std::clamp(camera.distance, kFarthestDistance, kWheelNearestDistance);
}

void WheelZoomCameraAbout(Camera3D& camera, int wheelDelta, bool invert, double pointerX, double pointerY,
                          int clientWidth, int clientHeight) {
    const double before = camera.distance;
    WheelZoomCamera(camera, wheelDelta, invert);
    if (clientWidth <= 0 || clientHeight <= 0) return;
    // A point of that plane at eye x shows at x * near / (halfWidth * -distance) in device units; keeping
    // the pointer's device position shifts the screen offset by the position times the distance travelled.
    const double aspect = double(clientHeight) / clientWidth;
    const double deviceX = 2 * pointerX / clientWidth - 1;
    const double deviceY = 1 - 2 * pointerY / clientHeight;
    const double travelled = before - camera.distance;
    camera.offsetX += deviceX * kFrustumHalfWidth / kNearPlane * travelled;
    camera.offsetY += deviceY * kFrustumHalfWidth * aspect / kNearPlane * travelled;
}

bool IsClick(int pressX, int pressY, int releaseX, int releaseY) {
    // In double: the squares of far-apart ints do not fit in 64 bits.
    const double dx = double(releaseX) - pressX, dy = double(releaseY) - pressY;
    return dx * dx + dy * dy <= kClickSquaredPixels;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 product;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[k * 4 + r] * b.m[c * 4 + k];
            product.m[c * 4 + r] = sum;
        }
    return product;
}

Mat4 FrustumMatrix(double left, double right, double bottom, double top, double zNear, double zFar) {
    Mat4 f;
    f.m[0] = 2 * zNear / (right - left);
    f.m[5] = 2 * zNear / (top - bottom);
    f.m[8] = (right + left) / (right - left);
    f.m[9] = (top + bottom) / (top - bottom);
    f.m[10] = -(zFar + zNear) / (zFar - zNear);
    f.m[11] = -1;
    f.m[14] = -2 * zFar * zNear / (zFar - zNear);
    f.m[15] = 0;
    return f;
}

Mat4 TranslationMatrix(double x, double y, double z) {
    Mat4 t;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    return t;
}

Mat4 ScaleMatrix(double s) {
    Mat4 t;
    t.m[0] = t.m[5] = t.m[10] = s;
    return t;
}

Mat4 RotationMatrix(double degrees, double x, double y, double z) {
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0) return Mat4{};
    x /= length;
    y /= length;
    z /= length;
    const double a = degrees * kPi / 180.0;
    const double c = std::cos(a), s = std::sin(a), t = 1 - c;
    Mat4 r;
    r.m[0] = t * x * x + c;
    r.m[1] = t * x * y + s * z;
    r.m[2] = t * x * z - s * y;
    r.m[4] = t * x * y - s * z;
    r.m[5] = t * y * y + c;
    r.m[6] = t * y * z + s * x;
    r.m[8] = t * x * z + s * y;
    r.m[9] = t * y * z - s * x;
    r.m[10] = t * z * z + c;
    return r;
}

Mat4 CameraProjection(const Camera3D& camera, int clientWidth, int clientHeight, const Mesh* model) {
    const double aspect = clientWidth > 0 ? double(std::max(clientHeight, 1)) / clientWidth : 1.0;
    Mat4 p = FrustumMatrix(-kFrustumHalfWidth, kFrustumHalfWidth, -kFrustumHalfWidth * aspect,
                           kFrustumHalfWidth * aspect, kNearPlane, kFarPlane);
    p = p * TranslationMatrix(camera.offsetX, camera.offsetY, 0);
    p = p * TranslationMatrix(0, 0, camera.distance);
    p = p * RotationMatrix(camera.pitch, 1, 0, 0);
    p = p * RotationMatrix(camera.yaw, 0, 1, 0);
    p = p * TranslationMatrix(-camera.pan.x, -camera.pan.y, -camera.pan.z);
    // A model of no extent (one point, or nothing shown) keeps its own units rather than an infinite scale.
    if (model && model->size > 0 && std::isfinite(model->size)) {
        p = p * ScaleMatrix(2.0 / model->size);
        p = p * TranslationMatrix(-model->center.x, -model->center.y, -model->center.z);
    }
    return p;
}

void CameraInteraction::ButtonDown(PointerButton button, const PointerInput& input) {
    lastX_ = input.x;
    lastY_ = input.y;
    // The middle button only moves the camera: it is no drag and sets no press position, but it starts
    // from where it was pressed rather than from the last acting message.
    if (button == PointerButton::Middle) return;
    pressX_ = input.x;
    pressY_ = input.y;
    dragging_ = true;
}

bool CameraInteraction::Move(Camera3D& camera, const PointerInput& input, bool modelLoaded) {
    if (!modelLoaded) return false;
    const int dx = input.x - lastX_;
    const int dy = input.y - lastY_;
    if (input.middle || (input.right && input.ctrl) || (input.right && input.left)) {
        MoveCamera(camera, dx, -dy);
    } else if (input.right && input.shift) {
        DragZoomCamera(camera, dx, dy);
    } else if ((input.right || input.left) && dragging_) {
        RotateCamera(camera, dx, dy);
    } else {
        return false;
    }
    lastX_ = input.x;
    lastY_ = input.y;
    return true;
}

bool CameraInteraction::LeftUp(const PointerInput& input, bool modelLoaded) {
    if (!modelLoaded || !dragging_) return false;
    dragging_ = false;
    return IsClick(pressX_, pressY_, input.x, input.y);
}

} // namespace tsm
