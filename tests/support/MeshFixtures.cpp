#include "tests/support/MeshFixtures.h"

#include "engine/Topology.h"

namespace tsm::test {

CSolid* AddRawSolid(CMeshModel& model, const std::vector<Vec3>& positions, const FaceList& faces) {
    auto solid = std::make_unique<CSolid>();
    for (const Vec3& p : positions) {
        auto v = std::make_unique<CVertex>();
        v->position = p;
        solid->vertices.push_back(std::move(v));
    }
    for (const auto& indices : faces) {
        auto face = std::make_unique<CFace>();
        face->solid = solid.get();
        for (int i : indices) {
            auto h = std::make_unique<CHalfEdge>();
            h->vertex = solid->vertices.at(size_t(i)).get();
            h->face = face.get();
            face->halfEdges.push_back(std::move(h));
        }
        solid->faces.push_back(std::move(face));
    }
    return model.AppendSolid(std::move(solid));
}

void CompleteSolid(CSolid& solid) {
    for (auto& face : solid.faces) {
        LinkFaceRing(*face);
        ComputeFacePlane(*face);
    }
    BuildEdges(solid);
    for (auto& edge : solid.edges) UpdateEdgeGeometry(*edge);
    RebuildVertexIncidence(solid);
}

CSolid* AddSolid(CMeshModel& model, const std::vector<Vec3>& positions, const FaceList& faces) {
    CSolid* solid = AddRawSolid(model, positions, faces);
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

CSolid* AddBox(CMeshModel& model, const Vec3& lo, const Vec3& hi) {
    return AddSolid(model, BoxPositions(lo, hi), BoxFaces());
}

int VertexNumber(const CSolid& solid, const CVertex* v) {
    for (size_t i = 0; i < solid.vertices.size(); ++i)
        if (solid.vertices[i].get() == v) return int(i);
    return -1;
}

CEdge* FindEdge(const CSolid& solid, int a, int b) {
    const CVertex* va = solid.vertices.at(size_t(a)).get();
    const CVertex* vb = solid.vertices.at(size_t(b)).get();
    for (const auto& e : solid.edges)
        if ((e->vertex1 == va && e->vertex2 == vb) || (e->vertex1 == vb && e->vertex2 == va)) return e.get();
    return nullptr;
}

} // namespace tsm::test
