// A mesh as the fewest-parts planner and the tree search take it, for the tests of both.
#pragma once

#include "engine/Topology.h"
#include "engine/UnfoldFewestParts.h"
#include "model/Document.h"
#include "tools/lib/ModelBuilder.h"
#include "tools/lib/Primitives.h"

#include <memory>

namespace tsm {

struct MeshInput {
    std::unique_ptr<Document> doc;
    FewestPartsInput input;
};

// Every face and edge of `mesh`, all joinable, fitted and without flaps: each test sets the rest.
inline MeshInput InputOf(const MeshData& mesh) {
    MeshInput m{std::make_unique<Document>(), {}};
    AddSolid(*m.doc, "mesh", mesh.vertices, mesh.faces);
    Solid& solid = *m.doc->model->solids[0];
    double lengths = 0;
    for (auto& edge : solid.edges) UpdateEdgeGeometry(*edge), lengths += edge->length;
    for (auto& face : solid.faces) m.input.faces.push_back(face.get());
    for (auto& edge : solid.edges) m.input.edges.push_back(edge.get()), m.input.weights.push_back(0);
    m.input.cellSize = 2 * lengths / static_cast<double>(solid.edges.size());
    m.input.sharedPointSquared = 1e-16;
    return m;
}

} // namespace tsm
