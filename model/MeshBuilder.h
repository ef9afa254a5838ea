// The one builder the mesh readers (OBJ, OFF, STL, PLY) share: they hand it vertices, polygons, named
// groups, material names and texture coordinates in file order, and it turns them into solids of a
// Mesh in the state the model readers leave a model in before the engine completes it.
//
// Indices given to the builder are 0-based positions in the file's vertex (or texture coordinate) list.
// Each solid owns its own vertices: the file's vertices its faces use, in file order. Vertices that no
// face uses go to the first solid, so that the normalisation of the engine counts them as removed.
#pragma once

#include "model/Document.h"
#include "model/FaceOrientation.h"
#include "model/ModelCompletion.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tsm {

class MeshBuilder {
public:
    enum class FaceOutcome {
        Added,
        Skipped,   // fewer than three distinct corners, or a corner repeated apart from its neighbour
        BadVertex, // an index outside the vertices given so far
        BadTexCoord
    };

    // True when `count` records of at least `minBytesEach` bytes can fit in `bytesLeft`: the readers
    // check every declared count with it before they reserve anything.
    static bool CountFits(uint64_t count, uint64_t minBytesEach, uint64_t bytesLeft);

    // Returns the vertex's 0-based index.
    int AddVertex(const Vec3& position);
    int AddTexCoord(double u, double v);
    int VertexCount() const { return static_cast<int>(positions_.size()); }
    int TexCoordCount() const { return static_cast<int>(texCoords_.size()); }
    void ReserveVertices(size_t count) { positions_.reserve(count); }
    // Room for this many more vertices, texture coordinates and triangle corners.
    void Reserve(size_t vertices, size_t texCoords, size_t triangleCorners);

    // Faces from now on go to the solid of that name (created on first use; an empty name is a solid
    // of its own that the open pipeline names later).
    void BeginSolid(const std::string& name);
    // Faces from now on use the material of that name (one material per distinct name).
    void UseMaterial(const std::string& name);
    // A material library named by the file, as written (one or more names, maybe with spaces).
    void AddMaterialLibrary(const std::string& names) { materialLibraries_.push_back(names); }
    const std::vector<std::string>& MaterialLibraries() const { return materialLibraries_; }
    int MaterialCount() const { return static_cast<int>(materials_.size()); }
    // The materials' names in the order Finish appends them.
    const std::vector<std::string>& MaterialNames() const { return materials_; }

    // `texCoords`, when not empty, holds one texture coordinate index per corner (-1: none).
    // Consecutive repeats of a vertex (also across the wrap) are dropped first.
    FaceOutcome AddFace(const std::vector<int>& vertices, const std::vector<int>& texCoords = {});
    // The same for `count` corners in place; `texCoords` null or `count` long.
    FaceOutcome AddFace(const int* vertices, const int* texCoords, size_t count);
    // A triangle of vertices and texture coordinates (or -1) that exist, as a reader's that made them
    // itself knows: AddFace without checking the numbers or walking the corners of its general case.
    FaceOutcome AddTriangle(int a, int b, int c, int ta, int tb, int tc) {
        if (a == b || b == c || c == a) {
            ++skipped_;
            return FaceOutcome::Skipped;
        }
        if (currentSolid_ < 0) BeginSolid(std::string());
        const size_t first = cornerVertices_.size();
        cornerVertices_.push_back(a);
        cornerVertices_.push_back(b);
        cornerVertices_.push_back(c);
        cornerTexCoords_.push_back(ta);
        cornerTexCoords_.push_back(tb);
        cornerTexCoords_.push_back(tc);
        faces_.push_back({currentSolid_, first, 3});
        faceMaterials_.push_back(currentMaterial_);
        return FaceOutcome::Added;
    }
    int FaceCount() const { return static_cast<int>(faces_.size()); }
    int SkippedFaces() const { return skipped_; }

    // Appends the solids and materials to the document's model, each face turned where its neighbours
    // disagree with it (model/FaceOrientation.h). With a completion, every face ring is linked, every
    // plane computed and every vertex's outgoing corners listed; the edges are left to the engine's edge
    // building, as for any mesh that arrives without edge records.
    void Finish(Document& document, IModelCompletion* completion) const;

private:
    struct PendingSolid {
        std::string name;
    };

    std::vector<Vec3> positions_;
    std::vector<std::pair<double, double>> texCoords_;
    std::vector<PendingSolid> solids_;
    std::map<std::string, int> solidByName_;
    std::vector<std::string> materials_;
    std::map<std::string, int> materialByName_;
    std::vector<std::string> materialLibraries_;
    std::vector<FaceRing> faces_;
    std::vector<int> faceMaterials_;
    std::vector<int> cornerVertices_;
    std::vector<int> cornerTexCoords_;
    // Faces of up to this many corners are checked for a repeated vertex without sorting.
    static constexpr size_t kFewCorners = 8;
    std::vector<int> sorted_;          // the corners of a larger face, sorted
    std::vector<int> paddedTexCoords_; // texture coordinates of a face that gave fewer than its corners
    int currentSolid_ = -1;
    int currentMaterial_ = -1;
    int skipped_ = 0;
};

} // namespace tsm
