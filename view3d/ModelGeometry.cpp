#include "view3d/ModelGeometry.h"

#include "model/Settings.h"
#include "view3d/EdgeStyle.h"

#include <algorithm>
#include <unordered_set>

namespace tsm {

namespace {

bool Visible(const Solid& solid) {
    return solid.inDevelopment && solid.shown;
}

void Push3(std::vector<float>& to, const Vec3& v) {
    to.push_back(static_cast<float>(v.x));
    to.push_back(static_cast<float>(v.y));
    to.push_back(static_cast<float>(v.z));
}

void ClearFaces(FaceArrays& a) {
    a.positions.clear();
    a.normals.clear();
    a.texCoords.clear();
    a.polygonSizes.clear();
    a.firstCorners.clear();
    a.frontIndices.clear();
    a.backIndices.clear();
    a.backNormals.clear();
    a.runs.clear();
}

void AppendFace(FaceArrays& a, const Face& face, bool opened) {
    const uint32_t first = static_cast<uint32_t>(a.CornerCount());
    const uint32_t n = static_cast<uint32_t>(face.CornerCount());
    const Vec3 normal = face.Normal();
    for (const auto& h : face.halfEdges) {
        Push3(a.positions, CornerPosition(*h, opened));
        Push3(a.normals, normal);
        Push3(a.backNormals, normal * -1.0);
        a.texCoords.push_back(static_cast<float>(h->u));
        a.texCoords.push_back(static_cast<float>(h->v));
    }
    a.polygonSizes.push_back(static_cast<int>(n));
    a.firstCorners.push_back(static_cast<int>(first));
    for (uint32_t i = 1; i + 1 < n; ++i) {
        a.frontIndices.insert(a.frontIndices.end(), {first, first + i, first + i + 1});
        const uint32_t last = first + n - 1;
        a.backIndices.insert(a.backIndices.end(), {last, last - i, last - i - 1});
    }
}

void AppendToRun(FaceArrays& a, Material* material, bool textured, int indicesBefore) {
    if (a.runs.empty() || a.runs.back().material != material || a.runs.back().textured != textured) {
        FaceRun run;
        run.material = material;
        run.textured = textured;
        run.firstFace = a.FaceCount() - 1;
        run.firstIndex = indicesBefore;
        a.runs.push_back(run);
    }
    FaceRun& run = a.runs.back();
    ++run.faceCount;
    run.indexCount = static_cast<int>(a.frontIndices.size()) - run.firstIndex;
}

// Whether the step shows a face: always without a step; with one, the faces of built parts.
class StepFilter {
public:
    explicit StepFilter(const AssemblyStepView& step) : step_(step) {
        if (step.active) built_.insert(step.builtParts.begin(), step.builtParts.end());
    }
    bool Shows(const Face* face) const {
        return !step_.active || (face != nullptr && built_.count(face->part) > 0);
    }
    bool Highlights(const Face& face) const { return step_.active && face.part == step_.newPart; }

private:
    const AssemblyStepView& step_;
    std::unordered_set<const Part*> built_;
};

void GatherFaces(Document& document, const Settings& settings, bool opened, const StepFilter& filter,
                 ModelFrameGeometry& out) {
    Mesh& model = *document.model;
    for (const auto& solid : model.solids) {
        if (!solid || !Visible(*solid)) continue;
        for (const auto& face : solid->faces) {
            if (face->CornerCount() < 3) continue; // a polygon of fewer corners covers no pixel
            if (!filter.Shows(face.get())) continue;
            FaceArrays& target = face->picked || filter.Highlights(*face) ? out.picked : out.faces;
            const int indicesBefore = static_cast<int>(target.frontIndices.size());
            AppendFace(target, *face, opened);
            Material* material = &document.baseMaterial;
            bool textured = false;
            if (settings.useMaterials) {
                material = &FaceDrawMaterial(model, *face);
                textured = material->texture != nullptr;
            }
            AppendToRun(target, material, textured, indicesBefore);
        }
    }
}

void AppendSegment(LineArrays& lines, const Vec3& a, const Vec3& b, const EdgeLook& look) {
    if (lines.runs.empty() || lines.runs.back().widthPixels != look.widthPixels) {
        LineRun run;
        run.widthPixels = look.widthPixels;
        run.firstVertex = static_cast<int>(lines.positions.size() / 3);
        lines.runs.push_back(run);
    }
    Push3(lines.positions, a);
    Push3(lines.positions, b);
    for (int i = 0; i < 2; ++i) lines.colors.insert(lines.colors.end(), look.rgb, look.rgb + 3);
    lines.runs.back().vertexCount += 2;
}

void GatherEdges(const Document& document, const Settings& settings, bool opened, const StepFilter& filter,
                 LineArrays& lines) {
    const bool hasDevelopment = document.development != nullptr;
    // Cut edges, wider than folds, come in a pass of their own: mixed in mesh order, every change of
    // width would start a run, and a cut mesh would draw in thousands of small calls.
    const auto faceOf = [](const HalfEdge* h) { return h != nullptr ? h->face : nullptr; };
    for (const bool cutPass : {false, true}) {
        for (const auto& solid : document.model->solids) {
            if (!solid || !Visible(*solid)) continue;
            for (const auto& edge : solid->edges) {
                if (!filter.Shows(faceOf(edge->halfEdge1)) && !filter.Shows(faceOf(edge->halfEdge2)))
                    continue;
                const EdgeStyle style = ClassifyEdgeStyle(*edge, hasDevelopment, settings);
                if (style == EdgeStyle::Hidden || (style == EdgeStyle::Cut) != cutPass) continue;
                const EdgeLook look = LookOfEdgeStyle(style, settings);
                const HalfEdge* first = edge->halfEdge1;
                if (opened && first != nullptr && first->next != nullptr) {
                    const HalfEdge* second = edge->halfEdge2;
                    const bool cut = first->Joined() == nullptr;
                    // A cut edge shows both of its sides, each at its own face's opened corners, and a step
                    // only the sides of the faces it shows.
                    if (!cut || filter.Shows(first->face))
                        AppendSegment(lines, first->displayPos, first->next->displayPos, look);
                    if (cut && second != nullptr && second->next != nullptr && filter.Shows(second->face))
                        AppendSegment(lines, second->displayPos, second->next->displayPos, look);
                } else if (edge->vertex1 != nullptr && edge->vertex2 != nullptr) {
                    AppendSegment(lines, edge->vertex1->position, edge->vertex2->position, look);
                }
            }
        }
    }
}

} // namespace

GatherKey GatherKey::Of(const Document& document, const Settings& settings) {
    GatherKey key;
    key.document = &document;
    key.model = document.model.get();
    key.development = document.development.get();
    key.drawFace = settings.drawFaces;
    key.drawEdge = settings.drawEdges;
    key.useMaterial = settings.useMaterials;
    key.drawOpened = settings.drawModelOnOpen;
    key.useEdgeColor = settings.useEdgeColors;
    key.omitFlatEdge = settings.omitFlatFolds;
    key.flatEdgeAngle = settings.flatFoldAngleDegrees;
    std::copy(settings.colors, settings.colors + 8, key.colors);
    return key;
}

bool GatherKey::operator==(const GatherKey& o) const {
    return document == o.document && model == o.model && development == o.development &&
           drawFace == o.drawFace && drawEdge == o.drawEdge && useMaterial == o.useMaterial &&
           drawOpened == o.drawOpened && useEdgeColor == o.useEdgeColor && omitFlatEdge == o.omitFlatEdge &&
           flatEdgeAngle == o.flatEdgeAngle && std::equal(colors, colors + 8, o.colors);
}

Material& FaceDrawMaterial(Mesh& model, const Face& face) {
    const int index = face.materialIndex;
    if (index < 0 || static_cast<size_t>(index) >= model.materials.size() || !model.materials[index])
        return model.defaultMaterial;
    return *model.materials[index];
}

Vec3 CornerPosition(const HalfEdge& corner, bool opened) {
    if (opened || corner.vertex == nullptr) return corner.displayPos;
    return corner.vertex->position;
}

void GatherModelFrame(Document& document, const Settings& settings, ModelFrameGeometry& out,
                      const AssemblyStepView& step) {
    ClearFaces(out.faces);
    ClearFaces(out.picked);
    out.edges.positions.clear();
    out.edges.colors.clear();
    out.edges.runs.clear();
    if (!document.model) return;
    const bool opened = document.development != nullptr && settings.drawModelOnOpen;
    const StepFilter filter(step);
    if (settings.drawFaces) GatherFaces(document, settings, opened, filter, out);
    if (settings.drawEdges) GatherEdges(document, settings, opened, filter, out.edges);
}

} // namespace tsm
