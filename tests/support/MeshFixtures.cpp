#include "tests/support/MeshFixtures.h"

#include "engine/Topology.h"

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

} // namespace tsm::test
