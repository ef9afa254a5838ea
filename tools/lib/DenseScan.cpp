#include "tools/lib/DenseScan.h"

#include "engine/MeshImportPipeline.h"
#include "model/Settings.h"

#include <unordered_map>

namespace tsm {

MeshData MeshDataOf(const Solid& solid) {
    MeshData mesh;
    std::unordered_map<const Vertex*, int> number;
    for (const auto& v : solid.vertices) {
        number[v.get()] = int(mesh.vertices.size());
        mesh.vertices.push_back(v->position);
    }
    for (const auto& f : solid.faces) {
        mesh.faces.emplace_back();
        for (const auto& h : f->halfEdges) mesh.faces.back().push_back(number.at(h->vertex));
    }
    return mesh;
}

MeshData SharedMesh(const std::string& sourceDir, const std::string& name) {
    RecordingPrompt no;
    const Result<ImportedMesh> imported =
        ImportMeshDocument(sourceDir + "/tests/data/meshes/" + name, Settings(), no);
    if (!imported.ok() || imported->document->model->solids.empty()) return {};
    return MeshDataOf(*imported->document->model->solids.front());
}

MeshData SharedBunny(const std::string& sourceDir) {
    return SharedMesh(sourceDir, "bunny.obj");
}

MeshData DenseBunny(const std::string& sourceDir) {
    return Subdivided(SharedBunny(sourceDir), 2);
}

} // namespace tsm
