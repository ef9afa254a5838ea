#include "view3d/FaceCheckAnimation.h"

#include "model/Mesh.h"

#include <cmath>

namespace tsm {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
// The cosine of about 45 degrees: beyond it the faces' mean normal is nearer the Y axis than the XZ plane.
constexpr double kMostlyVertical = 0.7072135785007072;

} // namespace

int FaceCheckTickIntervalMs(int speedIndex) {
    switch (speedIndex) {
    case 0:
        return 25;
    case 1:
        return 60;
    case 2:
        return 110;
    default:
        return 75;
    }
}

int FaceCheckAnimation::Start(const Camera3D& camera, double targetPitch, double targetYaw, int speedIndex) {
    if (running_) return 0;
    targetPitch_ = targetPitch;
    targetYaw_ = targetYaw;
    pitchIncrement_ = (targetPitch - camera.pitch) / kFaceCheckAnimationSteps;
    yawIncrement_ = (targetYaw - camera.yaw) / kFaceCheckAnimationSteps;
    step_ = 0;
    running_ = true;
    return FaceCheckTickIntervalMs(speedIndex);
}

bool FaceCheckAnimation::Tick(Camera3D& camera) {
    if (!running_) return false;
    camera.pitch += pitchIncrement_;
    camera.yaw += yawIncrement_;
    if (++step_ < kFaceCheckAnimationSteps) return false;
    step_ = 0;
    running_ = false;
    return true;
}

FaceCheckTarget ComputeFaceCheckTarget(const Mesh& model, const std::vector<const Face*>& faces) {
    Vec3 normalSum, cornerSum;
    size_t corners = 0;
    for (const Face* face : faces) {
        if (face == nullptr) continue;
        normalSum = normalSum + face->Normal();
        for (const auto& h : face->halfEdges) {
            if (h->vertex == nullptr) continue;
            cornerSum = cornerSum + (h->vertex->position - model.center);
            ++corners;
        }
    }
    const Vec3 centre = corners ? cornerSum / double(corners) : Vec3{};
    const double length = Length(normalSum);
    FaceCheckTarget target;
    if (length > 0 && std::fabs(normalSum.y) / length > kMostlyVertical) {
        target.pitch = std::atan2(centre.y, centre.z) * kDegreesPerRadian;
    } else {
        target.yaw = -std::atan2(centre.x, centre.z) * kDegreesPerRadian;
    }
    return target;
}

} // namespace tsm
