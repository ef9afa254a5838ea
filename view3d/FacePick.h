// Finding the face under the cursor in the 3D view, and marking the region of faces that the development
// shows as one face. Plain arithmetic on the view's matrices: no GL context is needed.
#pragma once

#include "model/Document.h"
#include "view3d/Camera3D.h"

#include <optional>

namespace tsm {

// The matrices and viewport the view draws with, and the projection of model points into window pixels
// with a top-left origin like mouse coordinates.
struct ScreenProjector {
    Mat4 modelview;
    Mat4 projection;
    int viewport[4] = {0, 0, 0, 0}; // x, y, width, height

    struct Point {
        double x = 0, y = 0;
        double depth = 0; // 0 at the near plane, 1 at the far plane
        double w = 1;     // clip-space w: not above 0 for a point at or behind the eye
    };
    Point Project(const Vec3& model) const;
};

// The projector of a view that draws with `projection` into a client area of the given size.
ScreenProjector ViewProjector(const Mat4& projection, int clientWidth, int clientHeight);

// The mean depth of the triangle's corners when the cursor lies inside its projection (edges count as
// inside), whichever way round it faces. None when outside, or when a corner is at or behind the eye,
// where the projection folds over and would report faces the viewer cannot see.
std::optional<double> TriangleHitDepth(const ScreenProjector& projector, double cursorX, double cursorY,
                                       const Vec3& a, const Vec3& b, const Vec3& c);

// The nearest face of the visible solids (in the development and shown) under the cursor, tested on
// the fan triangles of the vertex positions (not the opened display positions); on equal depth the first
// face found wins. `quadsOnly` considers faces with exactly four corners only. Null when none is hit.
Face* PickFace(const Mesh* model, const ScreenProjector& projector, double cursorX, double cursorY,
               bool quadsOnly = false);

// Clears the picked flag of every face of every part.
void ClearPartPicks(Development& development);

// Marks `face` and every face reachable from it across folds the development does not draw (flat edges
// while they are omitted, and lines hidden by the user): the faces that look like one face there.
// Faces already marked are not crossed.
void MarkPickedRegion(Face& face, const DisplaySettings& display);

} // namespace tsm
