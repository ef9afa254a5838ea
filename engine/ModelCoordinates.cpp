#include "engine/ModelCoordinates.h"

#include "engine/ModelOperations.h"
#include "engine/Topology.h"

namespace tsm {

namespace {

// Planes, fold angles, bounds and mirror partners from the new positions.
void PositionsChanged(Mesh& model) {
    for (auto& solid : model.solids) {
        for (auto& face : solid->faces) ComputeFacePlane(*face);
        for (auto& edge : solid->edges) UpdateEdgeGeometry(*edge);
    }
    ComputeBounds(model);
    FindSymmetricEdges(model);
}

} // namespace

void RotateModelQuarter(Mesh& model, Axis axis, int quarterTurns) {
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (turns == 0) return;
    static constexpr int kCos[4] = {1, 0, -1, 0};
    static constexpr int kSin[4] = {0, 1, 0, -1};
    const double c = kCos[turns], s = kSin[turns];
    // About the centre of what is shown, where the wizard draws its guide; hidden solids turn with it.
    ComputeBounds(model);
    const Vec3 centre = model.center;
    for (auto& solid : model.solids) {
        for (auto& vertex : solid->vertices) {
            const Vec3 d = vertex->position - centre;
            Vec3 r = d;
            switch (axis) {
            case Axis::X:
                r.y = d.y * c - d.z * s;
                r.z = d.z * c + d.y * s;
                break;
            case Axis::Y:
                r.z = d.z * c - d.x * s;
                r.x = d.z * s + d.x * c;
                break;
            case Axis::Z:
                r.x = d.x * c - d.y * s;
                r.y = d.y * c + d.x * s;
                break;
            }
            vertex->position = r + centre;
        }
    }
    PositionsChanged(model);
}

void MirrorModelX(Mesh& model) {
    ComputeBounds(model);
    const double cx = model.center.x;
    for (auto& solid : model.solids)
        for (auto& vertex : solid->vertices) vertex->position.x = 2 * cx - vertex->position.x;
    FlipFaces(model, false);
    PositionsChanged(model);
}

} // namespace tsm
