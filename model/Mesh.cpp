#include "model/Mesh.h"

#include "model/Document.h"

namespace tsm {

void CMaterial::CopyColoursFrom(const CMaterial& other) {
    for (int i = 0; i < 4; ++i) {
        ambient[i] = other.ambient[i];
        diffuse[i] = other.diffuse[i];
        emission[i] = other.emission[i];
        specular[i] = other.specular[i];
    }
    shininess = other.shininess;
    for (int i = 0; i < 3; ++i) flatColor[i] = other.flatColor[i];
}

CMeshModel::CMeshModel(Document* doc) : document(doc) {
    for (int i = 0; i < 4; ++i) {
        greyMaterial.ambient[i] = 0.6f;
        greyMaterial.diffuse[i] = 0.6f;
    }
}

CSolid* CMeshModel::AppendSolid(std::unique_ptr<CSolid> solid) {
    solid->model = this;
    solids.push_back(std::move(solid));
    return solids.back().get();
}

CMaterial* CMeshModel::AppendMaterial(std::unique_ptr<CMaterial> material) {
    materials.push_back(std::move(material));
    return materials.back().get();
}

CEdge& AppendEdge(CSolid& solid, CHalfEdge* side1, CHalfEdge* side2, CVertex* vertex1, CVertex* vertex2,
                  bool joined) {
    solid.edges.push_back(std::make_unique<CEdge>());
    CEdge& edge = *solid.edges.back();
    edge.halfEdge1 = side1;
    edge.halfEdge2 = side2;
    edge.vertex1 = vertex1;
    edge.vertex2 = vertex2;
    if (side1) side1->edge = &edge;
    if (side2) side2->edge = &edge;
    if (side1 && side2) {
        side1->twin = side2;
        side2->twin = side1;
        if (joined) {
            side1->joined = side2;
            side2->joined = side1;
        }
    }
    return edge;
}

CHalfEdge* FindCorner(const CFace& face, const CVertex* vertex) {
    for (const auto& h : face.halfEdges)
        if (h->vertex == vertex) return h.get();
    return nullptr;
}

Document::Document() : model(std::make_unique<CMeshModel>(this)) {}

} // namespace tsm
