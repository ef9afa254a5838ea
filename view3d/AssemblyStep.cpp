#include "view3d/AssemblyStep.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
// Nearer than this, the model's far side crowds the picture and its near side meets the near plane.
constexpr double kCloseFramingDistance = 1.5;

// The face's normal times its area (half the cross products' sum), in model units.
Vec3 AreaNormal(const Face& face) {
    Vec3 sum;
    const size_t n = face.CornerCount();
    if (n < 3 || face.Corner(0)->vertex == nullptr) return sum;
    const Vec3 origin = face.Corner(0)->vertex->position;
    for (size_t i = 1; i + 1 < n; ++i) {
        const Vertex* a = face.Corner(i)->vertex;
        const Vertex* b = face.Corner(i + 1)->vertex;
        if (a == nullptr || b == nullptr) continue;
        sum = sum + Cross(a->position - origin, b->position - origin) * 0.5;
    }
    return sum;
}

} // namespace

AssemblyStepView StepView(const Development& development, const std::vector<BuildStep>& order, size_t step) {
    AssemblyStepView view;
    if (step >= order.size()) return view;
    const int partCount = static_cast<int>(development.parts.size());
    for (size_t k = 0; k <= step; ++k)
        if (order[k].part >= 0 && order[k].part < partCount)
            view.builtParts.push_back(development.parts[order[k].part].get());
    if (view.builtParts.empty()) return view;
    view.active = true;
    const int newest = order[step].part;
    view.newPart = newest >= 0 && newest < partCount ? development.parts[newest].get() : nullptr;
    return view;
}

void TurnTowardsPart(const Mesh& model, const Part& part, Camera3D& camera) {
    Vec3 direction, centre;
    size_t corners = 0;
    for (const Face* face : part.faces) {
        direction = direction + AreaNormal(*face);
        for (const auto& h : face->halfEdges)
            if (h->vertex != nullptr) {
                centre = centre + (h->vertex->position - model.center);
                ++corners;
            }
    }
    // A closed part (its normals sum to nothing) is seen from where it lies.
    if (Length(direction) < 1e-9 * std::max(1.0, model.size * model.size) && corners > 0)
        direction = centre / double(corners);
    const double length = Length(direction);
    if (!(length > 0) || !std::isfinite(length)) return;
    const Vec3 d = direction / length;
    // The camera looks along -z after turning the model by pitch about x, then yaw about y: the model's
    // direction that ends up facing it is (-cos p sin y, sin p, cos p cos y).
    camera.pitch = std::asin(std::clamp(d.y, -1.0, 1.0)) * kDegreesPerRadian;
    camera.yaw = std::atan2(-d.x, d.z) * kDegreesPerRadian;
}

void FrameStepPart(const Mesh& model, const Part& part, Camera3D& camera) {
    TurnTowardsPart(model, part, camera);
    if (!(model.size > 0) || !std::isfinite(model.size)) return;
    Vec3 low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
    for (const Face* face : part.faces)
        for (const auto& h : face->halfEdges)
            if (h->vertex != nullptr) {
                const Vec3& p = h->vertex->position;
                low = Vec3{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
                high = Vec3{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
            }
    if (!(low.x <= high.x)) return;
    // The projection scales the model to 2 / size units before the pan, and the default distance of 5 shows
    // a radius of about 1.5 of them; a part gets a third of that at most, with the model around it.
    const double toUnits = 2.0 / model.size;
    camera.pan = (low + high) * 0.5 * toUnits - model.center * toUnits;
    const double radius = Length(high - low) * 0.5 * toUnits;
    camera.distance = -std::clamp(10.0 * radius, kCloseFramingDistance, 5.0);
}

} // namespace tsm
