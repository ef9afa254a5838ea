#include "model/Mesh.h"

#include "model/Document.h"

#include <algorithm>

namespace tsm {

void Material::CopyColoursFrom(const Material& other) {
    for (int i = 0; i < 4; ++i) {
        ambient[i] = other.ambient[i];
        diffuse[i] = other.diffuse[i];
        emission[i] = other.emission[i];
        specular[i] = other.specular[i];
    }
    shininess = other.shininess;
    for (int i = 0; i < 3; ++i) flatColor[i] = other.flatColor[i];
}

Mesh::Mesh(Document* doc) : document(doc) {
    for (int i = 0; i < 4; ++i) {
        greyMaterial.ambient[i] = 0.6f;
        greyMaterial.diffuse[i] = 0.6f;
    }
}

Solid* Mesh::AppendSolid(std::unique_ptr<Solid> solid) {
    solid->model = this;
    solids.push_back(std::move(solid));
    return solids.back().get();
}

Material* Mesh::AppendMaterial(std::unique_ptr<Material> material) {
    materials.push_back(std::move(material));
    return materials.back().get();
}

Edge& AppendEdge(Solid& solid, HalfEdge* side1, HalfEdge* side2, Vertex* vertex1, Vertex* vertex2,
                 bool joined) {
    // The readers reserve the edge list at the stored count, so what is left of it is still to come.
    solid.edges.push_back(NewEdge(solid, solid.edges.capacity() - solid.edges.size()));
    Edge& edge = *solid.edges.back();
    edge.halfEdge1 = side1;
    edge.halfEdge2 = side2;
    edge.vertex1 = vertex1;
    edge.vertex2 = vertex2;
    if (side1) side1->edge = &edge;
    if (side2) side2->edge = &edge;
    if (side1 && side2) {
        side1->twin = side2;
        side2->twin = side1;
        if (joined) side1->joinsTwin = side2->joinsTwin = true;
    }
    return edge;
}

CornerPtr NewCorner(Solid& solid, size_t expected) {
    return CornerPtr(solid.cornerBlocks.Take(expected));
}

VertexPtr NewVertex(Solid& solid, size_t expected) {
    return VertexPtr(solid.vertexBlocks.Take(expected));
}

FacePtr NewFace(Solid& solid, size_t expected) {
    return FacePtr(solid.faceBlocks.Take(expected));
}

EdgePtr NewEdge(Solid& solid, size_t expected) {
    return EdgePtr(solid.edgeBlocks.Take(expected));
}

HalfEdge* FindCorner(const Face& face, const Vertex* vertex) {
    for (const auto& h : face.halfEdges)
        if (h->vertex == vertex) return h.get();
    return nullptr;
}

Document::Document() : model(std::make_unique<Mesh>(this)) {}

} // namespace tsm
