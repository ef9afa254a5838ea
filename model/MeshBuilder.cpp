#include "model/MeshBuilder.h"

#include <algorithm>

namespace tsm {

bool MeshBuilder::CountFits(uint64_t count, uint64_t minBytesEach, uint64_t bytesLeft) {
    if (minBytesEach == 0) return true;
    return count <= bytesLeft / minBytesEach;
}

int MeshBuilder::AddVertex(const Vec3& position) {
    positions_.push_back(position);
    return static_cast<int>(positions_.size()) - 1;
}

int MeshBuilder::AddTexCoord(double u, double v) {
    texCoords_.emplace_back(u, v);
    return static_cast<int>(texCoords_.size()) - 1;
}

void MeshBuilder::BeginSolid(const std::string& name) {
    auto found = solidByName_.find(name);
    if (found != solidByName_.end()) {
        currentSolid_ = found->second;
        return;
    }
    currentSolid_ = static_cast<int>(solids_.size());
    solids_.push_back({name});
    solidByName_.emplace(name, currentSolid_);
}

void MeshBuilder::UseMaterial(const std::string& name) {
    auto found = materialByName_.find(name);
    if (found != materialByName_.end()) {
        currentMaterial_ = found->second;
        return;
    }
    currentMaterial_ = static_cast<int>(materials_.size());
    materials_.push_back(name);
    materialByName_.emplace(name, currentMaterial_);
}

namespace {

// Grows at least geometrically, so that many small reservations in a row stay linear.
template <typename T> void ReserveMore(std::vector<T>& list, size_t more) {
    if (list.size() + more > list.capacity()) list.reserve(std::max(list.size() + more, list.capacity() * 2));
}

} // namespace

void MeshBuilder::Reserve(size_t vertices, size_t texCoords, size_t triangleCorners) {
    ReserveMore(positions_, vertices);
    ReserveMore(texCoords_, texCoords);
    ReserveMore(cornerVertices_, triangleCorners);
    ReserveMore(cornerTexCoords_, triangleCorners);
    ReserveMore(faces_, triangleCorners / 3);
    ReserveMore(faceMaterials_, triangleCorners / 3);
}

MeshBuilder::FaceOutcome MeshBuilder::AddFace(const std::vector<int>& vertices,
                                              const std::vector<int>& texCoords) {
    if (texCoords.empty() || texCoords.size() >= vertices.size())
        return AddFace(vertices.data(), texCoords.empty() ? nullptr : texCoords.data(), vertices.size());
    paddedTexCoords_.assign(texCoords.begin(), texCoords.end());
    paddedTexCoords_.resize(vertices.size(), -1);
    return AddFace(vertices.data(), paddedTexCoords_.data(), vertices.size());
}

MeshBuilder::FaceOutcome MeshBuilder::AddFace(const int* vertices, const int* texCoords, size_t n) {
    const int vertexCount = VertexCount(), texCoordCount = TexCoordCount();
    for (size_t i = 0; i < n; ++i) {
        if (vertices[i] < 0 || vertices[i] >= vertexCount) return FaceOutcome::BadVertex;
        if (texCoords && texCoords[i] >= texCoordCount) return FaceOutcome::BadTexCoord;
    }
    if (n == 3) {
        // Nearly every face of a large mesh: a triangle with a repeated corner has fewer than three
        // distinct ones whichever two repeat, and one without is kept as it is.
        return AddTriangle(vertices[0], vertices[1], vertices[2], texCoords ? texCoords[0] : -1,
                           texCoords ? texCoords[1] : -1, texCoords ? texCoords[2] : -1);
    }

    // A corner that repeats its predecessor adds nothing to the outline ("4 a b c c" is a triangle).
    // Written in place, with the room made ahead: a large file has millions of corners.
    const size_t start = cornerVertices_.size();
    ReserveMore(cornerVertices_, n);
    ReserveMore(cornerTexCoords_, n);
    cornerVertices_.resize(start + n);
    cornerTexCoords_.resize(start + n);
    int* const outVertices = cornerVertices_.data() + start;
    int* const outTexCoords = cornerTexCoords_.data() + start;
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i) {
        if (kept > 0 && outVertices[kept - 1] == vertices[i]) continue;
        outVertices[kept] = vertices[i];
        outTexCoords[kept] = texCoords ? texCoords[i] : -1;
        ++kept;
    }
    while (kept > 1 && outVertices[kept - 1] == outVertices[0]) --kept;
    cornerVertices_.resize(start + kept);
    cornerTexCoords_.resize(start + kept);
    const size_t count = cornerVertices_.size() - start;
    // A vertex met twice in one outline would pinch the surface into a non-manifold point.
    bool repeated = count < 3;
    const int* corners = cornerVertices_.data() + start;
    if (!repeated && count <= kFewCorners) {
        // Most faces are triangles and quads: compared pairwise, without a copy to sort.
        for (size_t i = 1; i < count && !repeated; ++i)
            for (size_t j = 0; j < i && !repeated; ++j) repeated = corners[i] == corners[j];
    } else if (!repeated) {
        sorted_.assign(corners, corners + count);
        std::sort(sorted_.begin(), sorted_.end());
        repeated = std::adjacent_find(sorted_.begin(), sorted_.end()) != sorted_.end();
    }
    if (repeated) {
        cornerVertices_.resize(start);
        cornerTexCoords_.resize(start);
        ++skipped_;
        return FaceOutcome::Skipped;
    }
    if (currentSolid_ < 0) BeginSolid(std::string());
    faces_.push_back({currentSolid_, start, count});
    faceMaterials_.push_back(currentMaterial_);
    return FaceOutcome::Added;
}

void MeshBuilder::Finish(Document& document, IModelCompletion* completion) const {
    Mesh& model = *document.model;
    const int materialBase = static_cast<int>(model.materials.size());
    for (const std::string& name : materials_) {
        auto material = std::make_unique<Material>();
        material->name = name;
        model.AppendMaterial(std::move(material));
    }
    const std::vector<uint8_t> reverse =
        FacesToReverse(faces_, cornerVertices_, positions_, static_cast<int>(solids_.size()));

    // Faces per solid, in file order; a file of one solid (most are) needs no list of them.
    std::vector<std::vector<size_t>> facesOfSolid(solids_.size() > 1 ? solids_.size() : 0);
    for (size_t f = 0; f < faces_.size() && !facesOfSolid.empty(); ++f)
        facesOfSolid[static_cast<size_t>(faces_[f].solid)].push_back(f);
    const auto faceCountOf = [&](size_t s) {
        return facesOfSolid.empty() ? faces_.size() : facesOfSolid[s].size();
    };
    const auto faceOf = [&](size_t s, size_t k) { return facesOfSolid.empty() ? k : facesOfSolid[s][k]; };

    // Bytes rather than bits: set once per corner of a large mesh.
    std::vector<uint8_t> usedAnywhere(positions_.size(), 0);
    for (int v : cornerVertices_) usedAnywhere[static_cast<size_t>(v)] = 1;

    std::vector<int> local(positions_.size(), -1);
    // Each file vertex's record in the current solid, one load away from its corners.
    std::vector<Vertex*> vertexOf(positions_.size(), nullptr);
    // Corners per file vertex within the current solid, so that each vertex's list of outgoing corners is
    // allocated once at its size.
    std::vector<uint32_t> uses(completion ? positions_.size() : 0, 0);
    bool first = true;
    for (size_t s = 0; s < solids_.size(); ++s) {
        const size_t faceCount = faceCountOf(s);
        if (faceCount == 0) continue;
        auto solid = std::make_unique<Solid>();
        solid->model = &model;
        solid->name = solids_[s].name;

        // The solid's vertices once each, marked in `local` until they are numbered.
        std::vector<int> used;
        size_t corners = 0;
        for (size_t k = 0; k < faceCount; ++k) {
            const FaceRing& face = faces_[faceOf(s, k)];
            corners += face.count;
            for (size_t c = 0; c < face.count; ++c) {
                const int v = cornerVertices_[face.first + c];
                if (!uses.empty()) ++uses[size_t(v)];
                if (local[static_cast<size_t>(v)] == -1) {
                    local[static_cast<size_t>(v)] = 0;
                    used.push_back(v);
                }
            }
        }
        if (first) {
            for (size_t v = 0; v < positions_.size(); ++v)
                if (!usedAnywhere[v]) used.push_back(static_cast<int>(v));
        }
        // In file order: a walk over all vertices when the solid has most of them, a sort otherwise.
        if (used.size() * 8 >= positions_.size()) {
            used.clear();
            for (size_t v = 0; v < positions_.size(); ++v)
                if (local[v] == 0 || (first && !usedAnywhere[v])) used.push_back(static_cast<int>(v));
        } else {
            std::sort(used.begin(), used.end());
        }
        // Vertices, faces and corners come from the solid's blocks: a large mesh would otherwise cost
        // hundreds of thousands of allocations.
        solid->vertices.reserve(used.size());
        for (int v : used) {
            VertexPtr vertex = NewVertex(*solid, used.size() - solid->vertices.size());
            vertexOf[static_cast<size_t>(v)] = vertex.get();
            vertex->position = positions_[static_cast<size_t>(v)];
            if (!uses.empty()) vertex->outgoing.reserve(uses[size_t(v)]);
            solid->vertices.push_back(std::move(vertex));
        }
        solid->faces.reserve(faceCount);
        // Planes are computed for a batch of faces at a time, their corners still in cache: a plane is a
        // chain of a root and divisions that the processor overlaps across the faces of a batch, where one
        // at a time each face's chain waited for its own.
        constexpr size_t kPlaneBatch = 32;
        size_t planed = 0; // faces of this solid with their planes
        const auto computePlanes = [&] {
            for (; planed < solid->faces.size(); ++planed)
                completion->ComputeFacePlane(*solid->faces[planed]);
        };
        for (size_t k = 0; k < faceCount; ++k) {
            const size_t f = faceOf(s, k);
            const FaceRing& pending = faces_[f];
            FacePtr face(solid->faceBlocks.Take(faceCount - solid->faces.size()));
            face->solid = solid.get();
            face->materialIndex = faceMaterials_[f] < 0 ? -1 : faceMaterials_[f] + materialBase;
            face->halfEdges.reserve(pending.count);
            for (size_t i = 0; i < pending.count; ++i) {
                // A turned face lists the same corners, each with its texture coordinates, the other way.
                const size_t c = pending.first + (reverse[f] ? pending.count - 1 - i : i);
                CornerPtr corner(solid->cornerBlocks.Take(corners));
                corner->face = face.get();
                const int v = cornerVertices_[c];
                Vertex* vertex = vertexOf[static_cast<size_t>(v)];
                corner->vertex = vertex;
                const int t = cornerTexCoords_[c];
                if (t >= 0) {
                    corner->u = texCoords_[static_cast<size_t>(t)].first;
                    corner->v = texCoords_[static_cast<size_t>(t)].second;
                }
                // The vertex incidence as the engine's rebuild makes it: faces in order, and a vertex at
                // most once per face, so the turn of a face's ring by its linking changes nothing here.
                if (completion) vertex->outgoing.push_back(corner.get());
                face->halfEdges.push_back(std::move(corner));
            }
            corners -= pending.count;
            if (completion) completion->LinkFaceRing(*face);
            solid->faces.push_back(std::move(face));
            if (completion && solid->faces.size() - planed == kPlaneBatch) computePlanes();
        }
        if (completion) computePlanes();
        for (int v : used) {
            local[static_cast<size_t>(v)] = -1;
            if (!uses.empty()) uses[size_t(v)] = 0;
        }
        model.AppendSolid(std::move(solid));
        first = false;
    }
}

} // namespace tsm
