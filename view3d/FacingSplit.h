// Which fan triangles each face pass needs to send. GL culls every triangle facing away, but only after
// transforming its corners; deciding here, from the same projection, halves the corners the front and back
// passes send. Triangles too close to edge-on to decide safely, or crossing the eye plane, are sent to
// both passes and left to GL, so the picture stays exactly what culling alone gives.
#pragma once

#include "view3d/Camera3D.h"
#include "view3d/ModelGeometry.h"

#include <cstdint>
#include <vector>

namespace tsm {

struct FacingSplit {
    std::vector<uint32_t> front; // triangles of frontIndices that may face the viewer
    std::vector<uint32_t> back;  // triangles of backIndices that may face the viewer
    // Per run of the arrays: where its triangles start in front and back, and how many indices they have.
    struct RunRange {
        int frontFirst = 0, frontCount = 0;
        int backFirst = 0, backCount = 0;
    };
    std::vector<RunRange> runs;
};

enum class Facing { Front, Back, Undecided };

// The facing of the triangle on screen under `projection` (counter-clockwise is front), from the clip
// coordinates of its corners.
Facing TriangleFacing(const Mat4& projection, const float* a, const float* b, const float* c);

void SplitByFacing(const FaceArrays& faces, const Mat4& projection, FacingSplit& out);

} // namespace tsm
