#include "tests/support/engine/MeshFixtures.h"

#include "engine/Extents.h"
#include "engine/Topology.h"
#include "model/TextureImage.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <stdexcept>

namespace tsm::test {

Solid* AddRawSolid(Mesh& model, const std::vector<Vec3>& positions, const FaceList& faces) {
    auto solid = std::make_unique<Solid>();
    for (const Vec3& p : positions) {
        auto v = std::make_unique<Vertex>();
        v->position = p;
        solid->vertices.push_back(std::move(v));
    }
    for (const auto& indices : faces) {
        auto face = std::make_unique<Face>();
        face->solid = solid.get();
        for (int i : indices) {
            auto h = NewCorner(*solid, indices.size()); // in blocks, as a file's reader makes them
            h->vertex = solid->vertices.at(size_t(i)).get();
            h->face = face.get();
            face->halfEdges.push_back(std::move(h));
        }
        solid->faces.push_back(std::move(face));
    }
    return model.AppendSolid(std::move(solid));
}

void CompleteSolid(Solid& solid) {
    for (auto& face : solid.faces) {
        LinkFaceRing(*face);
        ComputeFacePlane(*face);
    }
    BuildEdges(solid);
    for (auto& edge : solid.edges) UpdateEdgeGeometry(*edge);
    RebuildVertexIncidence(solid);
}

Solid* AddSolid(Mesh& model, const std::vector<Vec3>& positions, const FaceList& faces) {
    Solid* solid = AddRawSolid(model, positions, faces);
    CompleteSolid(*solid);
    return solid;
}

std::vector<Vec3> BoxPositions(const Vec3& lo, const Vec3& hi) {
    std::vector<Vec3> p;
    for (int i = 0; i < 8; ++i)
        p.push_back({(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z});
    return p;
}

FaceList BoxFaces() {
    return {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
}

Solid* AddBox(Mesh& model, const Vec3& lo, const Vec3& hi) {
    return AddSolid(model, BoxPositions(lo, hi), BoxFaces());
}

int VertexNumber(const Solid& solid, const Vertex* v) {
    for (size_t i = 0; i < solid.vertices.size(); ++i)
        if (solid.vertices[i].get() == v) return int(i);
    return -1;
}

Edge* FindEdge(const Solid& solid, int a, int b) {
    const Vertex* va = solid.vertices.at(size_t(a)).get();
    const Vertex* vb = solid.vertices.at(size_t(b)).get();
    for (const auto& e : solid.edges)
        if ((e->vertex1 == va && e->vertex2 == vb) || (e->vertex1 == vb && e->vertex2 == va)) return e.get();
    return nullptr;
}

std::unique_ptr<Document> MakeRichDocument() {
    auto doc = std::make_unique<Document>();
    Document& d = *doc;
    AddMaterial(d, "Checker", {0.9f, 0.8f, 0.7f}, MakeCheckerboard(8, 4, 2, {1, 0, 0}, {0, 0.5f, 1}));
    Material& plain = AddMaterial(d, "Plain", {0.2f, 0.4f, 0.6f});
    plain.emission[0] = 0.125f;
    plain.specular[2] = 0.75f;
    plain.shininess = 12.5f;
    MakeBitmap(*d.model->materials[0]);

    const MeshData cube = Cube(20);
    Solid& cubeSolid = AddSolid(d, "Cube", cube.vertices, cube.faces, 0);
    const MeshData roof = Translated(Prism(30, 20, 10), {40, 0, 0});
    AddSolid(d, "Roof", roof.vertices, roof.faces, 1);
    const MeshData sheet = Translated(Grid(2, 1, 10), {-40, 0, 0});
    Solid& sheetSolid = AddSolid(d, "Sheet", sheet.vertices, sheet.faces, -1);
    const MeshData tetra = Translated(Tetrahedron(10), {0, 40, 0});
    Solid& loose = AddSolid(d, "Loose", tetra.vertices, tetra.faces, 1);
    loose.inDevelopment = false;
    for (auto& solid : d.model->solids) AssignFaceUV(*solid);
    cubeSolid.faces[2]->materialIndex = 1;

    FixtureUnfoldOptions unfold;
    unfold.scale = 1.5;
    const auto problems = UnfoldForFixture(d, {}, unfold);
    if (!problems.empty()) throw std::runtime_error("rich fixture: " + problems.front());
    // A solid outside the development keeps whatever part index it stores.
    loose.faces[0]->partIndex = 7;

    Development& dev = *d.development;
    dev.reversed = true;
    int corner = 0;
    for (auto& solid : d.model->solids) {
        for (auto& face : solid->faces) {
            for (auto& h : face->halfEdges) {
                ++corner;
                h->sideColor[0] = float(corner % 7) / 8.0f;
                h->sideColor[1] = 0.5f;
                h->sideColor[2] = float(corner % 3) / 4.0f;
                if (h->hasFlap) {
                    h->flapColor[0] = 0.25f;
                    h->flapColor[1] = float(corner % 5) / 8.0f;
                    h->flapColor[2] = 1.0f;
                    h->flapHeight = 4.5 + corner % 3;
                }
            }
        }
    }
    cubeSolid.edges[0]->edgeClass = EdgeClass::MarkedOpen;
    cubeSolid.edges[0]->edgeFlag = true;
    cubeSolid.edges[3]->edgeClass = EdgeClass::MarkedJoined;
    sheetSolid.edges.back()->edgeFlag = true;
    dev.parts[0]->lines[1]->hidden = true;
    dev.parts.back()->lines.back()->hidden = true;
    // The flap heights and the flap side changed: lay the parts out again as a reader would find them.
    for (auto& part : dev.parts) ComputePartExtent(*part);
    int kind = 0;
    for (auto& part : dev.parts)
        for (auto& line : part->lines)
            if (line->first && !line->first->twin) line->lineKind = static_cast<LineKind>(++kind % 4);

    const double textRect[4] = {10, 120, 60, 20};
    AddText(d, textRect, {"Glue tabs first", "then fold", "Tessaly \xe9t\xe9"}, 12, 0x00112233, "Arial", 4);
    const double noteRect[4] = {80.5, 130.25, 30, 8};
    AddText(d, noteRect, {"", "second line after an empty one"}, 9, 0x000000FF, "Courier New", 3);
    const double pictureA[4] = {100, 10, -40, 25};
    AddPicture(d, false, pictureA, MakeCheckerboard(5, 3, 1, {0, 0, 0}, {1, 1, 1}));
    const double pictureB1[4] = {5, 5, 20, -10};
    AddPicture(d, true, pictureB1, MakeCheckerboard(4, 4, 2, {0.5f, 0, 0}, {0, 0.5f, 0}));
    const double pictureB2[4] = {-15, 60, -12.5, -7.5};
    AddPicture(d, true, pictureB2, MakeCheckerboard(1, 2, 1, {0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}));
    ComputeDevelopmentExtent(dev, false);
    return doc;
}

} // namespace tsm::test
