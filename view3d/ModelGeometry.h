// The 3D view's model as flat arrays, gathered once per frame in drawing order: the faces with their
// materials, the grey back sides, the picked faces and the edges with their styles. No GL here, so what a
// frame will contain can be checked without drawing it.
#pragma once

#include "model/Document.h"

#include <cstdint>
#include <vector>

namespace tsm {

struct Settings;

// Consecutive faces drawn with one material (or, textured, with the document's base material and the
// material's texture).
struct FaceRun {
    Material* material = nullptr; // the face material; for a textured run the texture's owner
    bool textured = false;
    int firstFace = 0, faceCount = 0;
    int firstIndex = 0, indexCount = 0; // into frontIndices / backIndices
};

// Polygons corner by corner, and the same polygons as fan triangles from the first corner: the front in
// ring order, the back in reverse order (fanned from the last corner, as a polygon given backwards is).
struct FaceArrays {
    std::vector<float> positions; // 3 per corner
    std::vector<float> normals;   // 3 per corner: the face normal
    std::vector<float> texCoords; // 2 per corner: u, v
    std::vector<int> polygonSizes;
    std::vector<int> firstCorners; // of each polygon
    std::vector<uint32_t> frontIndices;
    std::vector<uint32_t> backIndices;
    std::vector<float> backNormals; // the negated normals
    std::vector<FaceRun> runs;

    int FaceCount() const { return static_cast<int>(polygonSizes.size()); }
    int CornerCount() const { return static_cast<int>(positions.size() / 3); }
};

// Line segments with a colour per end; runs of equal width.
struct LineRun {
    float widthPixels = 1;
    int firstVertex = 0, vertexCount = 0;
};
struct LineArrays {
    std::vector<float> positions; // 3 per segment end
    std::vector<float> colors;    // 3 per segment end
    std::vector<LineRun> runs;

    int SegmentCount() const { return static_cast<int>(positions.size() / 6); }
};

struct ModelFrameGeometry {
    FaceArrays faces;  // the faces not picked, of the visible solids
    FaceArrays picked; // the picked faces, drawn red on both sides
    LineArrays edges;
};

// What a gathering depends on apart from the model's own contents: the document and the display settings.
// Two gatherings with equal keys and an unchanged model give the same arrays.
struct GatherKey {
    const Document* document = nullptr;
    const Mesh* model = nullptr;
    const Development* development = nullptr;
    bool drawFace = false, drawEdge = false, useMaterial = false, drawOpened = false;
    bool useEdgeColor = false, omitFlatEdge = false;
    int32_t flatEdgeAngle = 0;
    int32_t colors[8] = {};

    static GatherKey Of(const Document& document, const Settings& settings);
    bool operator==(const GatherKey& other) const;
};

// One step of the assembly: only the parts built so far are drawn, the newest highlighted as picked faces
// are. Inactive: the whole model as usual.
struct AssemblyStepView {
    bool active = false;
    std::vector<const Part*> builtParts; // the newest among them
    const Part* newPart = nullptr;
};

// Faces are gathered only with drawFaces, edges only with drawEdges. Corners sit at their opened display
// positions when the document has a development and drawModelOnOpen is on. An active step leaves out the
// faces of parts not yet built and the edges that only they have.
void GatherModelFrame(Document& document, const Settings& settings, ModelFrameGeometry& out,
                      const AssemblyStepView& step = {});

// The material a face is drawn with: its own by index, or the model's default for a negative or
// out-of-range index.
Material& FaceDrawMaterial(Mesh& model, const Face& face);
// Where a corner is drawn.
Vec3 CornerPosition(const HalfEdge& corner, bool opened);

} // namespace tsm
