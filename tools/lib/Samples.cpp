#include "tools/lib/Samples.h"

#include "engine/Extents.h"
#include "engine/Topology.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

namespace tsm {

namespace {

// A smooth left-to-right, top-to-bottom colour ramp.
std::unique_ptr<TextureImage> MakeGradient(int width, int height) {
    auto image = std::make_unique<TextureImage>();
    image->width = width;
    image->height = height;
    image->pixels.reserve(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image->pixels.push_back(uint8_t(x * 255 / (width - 1)));
            image->pixels.push_back(uint8_t(y * 255 / (height - 1)));
            image->pixels.push_back(uint8_t(160));
        }
    }
    return image;
}

// Turns the model a quarter about x so that its z axis becomes y, the up direction of the 3D view. A rigid
// turn keeps every fold angle and length, so the development made before it stays valid.
void TurnZUpToYUp(Mesh& model) {
    for (auto& solid : model.solids) {
        for (auto& vertex : solid->vertices) {
            const Vec3 p = vertex->position;
            vertex->position = {p.x, p.z, -p.y};
        }
        for (auto& face : solid->faces) ComputeFacePlane(*face);
        for (auto& edge : solid->edges) UpdateEdgeGeometry(*edge);
    }
    ComputeBounds(model);
}

} // namespace

std::vector<std::string> BuildSampleCube(Document& doc) {
    const MeshData cube = Cube(40);
    AddSolid(doc, "Cube", cube.vertices, cube.faces);
    return UnfoldForFixture(doc);
}

std::vector<std::string> BuildSampleHouse(Document& doc) {
    AddMaterial(doc, "Walls", {1.0f, 0.95f, 0.85f},
                MakeCheckerboard(16, 16, 4, {0.93f, 0.85f, 0.70f}, {0.80f, 0.62f, 0.45f}));
    AddMaterial(doc, "Roof", {0.70f, 0.20f, 0.15f});

    const MeshData bodyMesh = Translated(Box(60, 40, 30), {0, 0, 15});
    Solid& body = AddSolid(doc, "Body", bodyMesh.vertices, bodyMesh.faces, 0);
    AssignFaceUV(body);
    const MeshData roof = Translated(Prism(64, 44, 20), {0, 0, 30});
    AddSolid(doc, "Roof", roof.vertices, roof.faces, 1);
    const MeshData chimney = Translated(Box(6, 6, 14), {18, 8, 40});
    AddSolid(doc, "Chimney", chimney.vertices, chimney.faces, 1);

    // The body's floor (face 0) comes off as a part of its own; the walls fold around the ceiling.
    std::vector<std::pair<int, int>> cuts;
    for (const auto& h : body.faces[0]->halfEdges) {
        for (size_t e = 0; e < body.edges.size(); ++e)
            if (body.edges[e].get() == h->edge) cuts.push_back({0, int(e)});
    }
    // Built with z up, where the floor plan reads naturally, and unfolded before it is stood upright.
    std::vector<std::string> problems = UnfoldForFixture(doc, cuts);
    if (!problems.empty()) return problems;
    TurnZUpToYUp(*doc.model);

    Development& development = *doc.development;
    const double below = development.frame[1] + development.frame[3] + 10;
    AddText(doc, {0, below, 120, 10}, {"Tessaly sample: a small house"}, 14, 0x00402000);
    AddText(doc, {0, below + 15, 120, 30},
            {"Cut along the solid lines.", "Fold the dashed lines.",
             "Glue each flap under the edge with its number."},
            10, 0x00000000, "MS Sans Serif", 3);
    AddPicture(doc, false, {130, below, 40, 40}, MakeGradient(32, 32));
    AddPicture(doc, true, {130, below + 45, 20, 20},
               MakeCheckerboard(8, 8, 2, {0.1f, 0.1f, 0.1f}, {0.95f, 0.95f, 0.95f}));
    ComputeDevelopmentExtent(development, false);
    return problems;
}

} // namespace tsm
