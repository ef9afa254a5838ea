// The whole-model operations on the mesh: normalisation of imported meshes, Flip Faces, Join Adjacent
// Isolated Edges and the pairing of mirror-symmetric edges.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"

namespace tsm {

struct NormaliseCounts {
    int vertices = 0;
    int faces = 0;
    int solids = 0;
};
// Deletes degenerate corners, faces, vertices and solids of an imported mesh and rebuilds its edges.
NormaliseCounts NormaliseModel(Document& document, IPrompt& prompt);
// Reverses every face of every solid (only those in the development when `onlyInDevelopment`).
void FlipFaces(Mesh& model, bool onlyInDevelopment);
// Merges coincident open edges of each solid; shows the count and returns it.
int JoinAdjacentIsolatedEdges(Mesh& model, IPrompt& prompt);
// Pairs every edge with its mirror image across x = 0 (sorted-key window, never all pairs).
void FindSymmetricEdges(Mesh& model);
// Pairs them if opening left that for later (`Mesh::symmetricEdgesPending`).
void PairPendingSymmetricEdges(Mesh& model);

} // namespace tsm
