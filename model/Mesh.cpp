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
    solid.edges.push_back(std::make_unique<Edge>());
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
        if (joined) {
            side1->joined = side2;
            side2->joined = side1;
        }
    }
    return edge;
}

CornerPtr NewCorner(Solid& solid, size_t expected) {
    if (solid.cornerBlockFree == 0) {
        // The smallest block keeps a face-by-face caller from allocating per corner; the guess, capped
        // so that a damaged count cannot reserve without bound, saves blocks on the common path.
        constexpr size_t kMinBlock = 64, kMaxBlock = size_t(1) << 16;
        const size_t size = std::clamp(expected, kMinBlock, kMaxBlock);
        // Plain new: every member has its initialiser, and make_unique's value-initialisation would clear
        // the whole block once more before running them.
        solid.cornerBlocks.push_back(std::unique_ptr<HalfEdge[]>(new HalfEdge[size]));
        solid.cornerBlockNext = solid.cornerBlocks.back().get();
        solid.cornerBlockFree = size;
    }
    HalfEdge* corner = solid.cornerBlockNext++;
    --solid.cornerBlockFree;
    corner->home.inBlock = true;
    return CornerPtr(corner);
}

HalfEdge* FindCorner(const Face& face, const Vertex* vertex) {
    for (const auto& h : face.halfEdges)
        if (h->vertex == vertex) return h.get();
    return nullptr;
}

Document::Document() : model(std::make_unique<Mesh>(this)) {}

} // namespace tsm
