// The camera turn that follows a corresponding-face check: ten equal steps from the current pitch and yaw
// towards a target, one per timer tick. The widget owns the timer; this is the state it drives.
#pragma once

#include "view3d/Camera3D.h"

#include <vector>

namespace tsm {

struct Face;
struct Mesh;

constexpr int kFaceCheckAnimationSteps = 10;
// The timer id of the animation.
constexpr int kFaceCheckTimerId = 10;

// Milliseconds between ticks for faceCheckAnimationSpeed: 0 fast, 1 normal, 2 slow, others 75.
int FaceCheckTickIntervalMs(int speedIndex);

class FaceCheckAnimation {
public:
    // Starts a turn towards the target angles and returns the tick interval for the timer to start, or 0
    // when a turn is already running (the request is ignored).
    int Start(const Camera3D& camera, double targetPitch, double targetYaw, int speedIndex);
    // One step: adds the increments to the camera. Returns true when this was the last step and the timer
    // must stop. The last step is not snapped to the target. A tick while idle changes nothing.
    bool Tick(Camera3D& camera);

    bool Running() const { return running_; }
    int Step() const { return step_; }
    double TargetPitch() const { return targetPitch_; }
    double TargetYaw() const { return targetYaw_; }
    double PitchIncrement() const { return pitchIncrement_; }
    double YawIncrement() const { return yawIncrement_; }

private:
    bool running_ = false;
    int step_ = 0;
    double targetPitch_ = 0, targetYaw_ = 0;
    double pitchIncrement_ = 0, yawIncrement_ = 0;
};

// Where the camera turns after a check marked `faces`: with their normals summing to S and their corners
// lying on average at C from the model centre, faces that look mostly up or down (|S.y| / |S| above
// 0.7072135785007072) are brought round by pitch alone, others by yaw alone. Degrees.
struct FaceCheckTarget {
    double pitch = 0;
    double yaw = 0;
};
FaceCheckTarget ComputeFaceCheckTarget(const Mesh& model, const std::vector<const Face*>& faces);

} // namespace tsm
