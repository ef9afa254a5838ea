#include "view3d/FacePick.h"

#include "engine/Classify.h"

#include <vector>

namespace tsm {

namespace {

void Transform(const Mat4& m, const double in[4], double out[4]) {
    for (int r = 0; r < 4; ++r)
        out[r] = m.m[r] * in[0] + m.m[4 + r] * in[1] + m.m[8 + r] * in[2] + m.m[12 + r] * in[3];
}

// Z of the cross product of the edge from `from` to `to` with the vector from the cursor to `to`.
double EdgeSide(const ScreenProjector::Point& from, const ScreenProjector::Point& to, double cx, double cy) {
    return (to.x - from.x) * (to.y - cy) - (to.y - from.y) * (to.x - cx);
}

bool Visible(const Solid& solid) {
    return solid.inDevelopment && solid.shown;
}

bool CrossesUndrawnFold(const HalfEdge& h, const DisplaySettings& display) {
    const bool flat = h.edge != nullptr && IsFlatEdge(*h.edge, display);
    const bool hidden = h.line != nullptr && h.line->hidden;
    return flat || hidden;
}

} // namespace

ScreenProjector::Point ScreenProjector::Project(const Vec3& model) const {
    const double p[4] = {model.x, model.y, model.z, 1.0};
    double eye[4], clip[4];
    Transform(modelview, p, eye);
    Transform(projection, eye, clip);
    Point out;
    out.w = clip[3];
    if (clip[3] == 0) return out;
    const double x = clip[0] / clip[3], y = clip[1] / clip[3], z = clip[2] / clip[3];
    out.x = (x + 1) * viewport[2] * 0.5 + viewport[0];
    out.y = viewport[3] - ((y + 1) * viewport[3] * 0.5 + viewport[1]);
    out.depth = (z + 1) * 0.5;
    return out;
}

ScreenProjector ViewProjector(const Mat4& projection, int clientWidth, int clientHeight) {
    ScreenProjector projector;
    projector.projection = projection;
    projector.viewport[2] = clientWidth;
    projector.viewport[3] = clientHeight;
    return projector;
}

std::optional<double> TriangleHitDepth(const ScreenProjector& projector, double cursorX, double cursorY,
                                       const Vec3& a, const Vec3& b, const Vec3& c) {
    const ScreenProjector::Point pa = projector.Project(a), pb = projector.Project(b),
                                 pc = projector.Project(c);
    if (pa.w <= 0 || pb.w <= 0 || pc.w <= 0) return std::nullopt;
    const double s1 = EdgeSide(pa, pb, cursorX, cursorY);
    const double s2 = EdgeSide(pb, pc, cursorX, cursorY);
    const double s3 = EdgeSide(pc, pa, cursorX, cursorY);
    const bool allNonNegative = s1 >= 0 && s2 >= 0 && s3 >= 0;
    const bool allNegative = s1 < 0 && s2 < 0 && s3 < 0;
    if (!allNonNegative && !allNegative) return std::nullopt;
    return pa.depth / 3 + pb.depth / 3 + pc.depth / 3;
}

Face* PickFace(const Mesh* model, const ScreenProjector& projector, double cursorX, double cursorY,
               bool quadsOnly) {
    if (model == nullptr) return nullptr;
    Face* nearest = nullptr;
    double nearestDepth = 0;
    for (const auto& solid : model->solids) {
        if (!solid || !Visible(*solid)) continue;
        for (const auto& face : solid->faces) {
            const size_t n = face->CornerCount();
            if (n < 3 || (quadsOnly && n != 4)) continue;
            const Vertex* first = face->Corner(0)->vertex;
            if (first == nullptr) continue;
            for (size_t i = 1; i + 1 < n; ++i) {
                const Vertex* v1 = face->Corner(i)->vertex;
                const Vertex* v2 = face->Corner(i + 1)->vertex;
                if (v1 == nullptr || v2 == nullptr) continue;
                const std::optional<double> depth = TriangleHitDepth(
                    projector, cursorX, cursorY, first->position, v1->position, v2->position);
                if (!depth) continue;
                if (nearest == nullptr || *depth < nearestDepth) {
                    nearest = face.get();
                    nearestDepth = *depth;
                }
                break; // the first triangle containing the cursor gives the face's depth
            }
        }
    }
    return nearest;
}

void ClearPartPicks(Development& development) {
    for (const auto& part : development.parts)
        for (Face* face : part->faces)
            if (face) face->picked = false;
}

void MarkPickedRegion(Face& face, const DisplaySettings& display) {
    // An explicit stack: a large flat region would otherwise recurse once per face.
    if (face.picked) return;
    face.picked = true;
    std::vector<Face*> pending{&face};
    while (!pending.empty()) {
        Face* current = pending.back();
        pending.pop_back();
        for (const auto& h : current->halfEdges) {
            if (h->Joined() == nullptr || h->Joined()->face == nullptr || !CrossesUndrawnFold(*h, display))
                continue;
            Face* neighbour = h->Joined()->face;
            if (neighbour->picked) continue;
            neighbour->picked = true;
            pending.push_back(neighbour);
        }
    }
}

} // namespace tsm
