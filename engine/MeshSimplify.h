// Reducing a mesh to a face count a person can cut and glue: the faces are triangulated, then a
// quadric-error edge collapse (meshoptimizer) removes vertices while texture seams and material borders
// stay where they are. Every collapsed corner keeps a vertex and texture coordinates of the original
// surface, every face its material.
#pragma once

#include "engine/DocumentEdits.h"
#include "model/Document.h"
#include "model/Outcome.h"
#include "model/Prompt.h"

#include <string>

namespace tsm {

// Above this many faces the import suggests simplifying, to kSuggestedFaceCount.
constexpr int kSimplifyOfferAbove = 3000;
constexpr int kSuggestedFaceCount = 1000;
// Fewer faces than this make no solid.
constexpr int kSimplifyFewestFaces = 4;

int ModelFaceCount(const Mesh& model);

// Why `targetFaces` cannot be reached from this model (a count out of range, edges shared by more than
// two faces or twice in one direction); Ok when SimplifyModel may run.
Outcome CheckSimplifiable(const Mesh& model, int targetFaces);

// Reduces the solids to about `targetFaces` faces in all, each solid to its share. Where the reduction
// would leave a face without area, an edge shared by more than two faces or a face across a material
// border, it keeps the faces there as they are and goes on around them; it stops short of the share only
// where that does not help. The edges are built again; user marks stay on the edges that remain. The
// model must have no development. Fails only where CheckSimplifiable fails, changing nothing then.
Outcome SimplifyModel(Mesh& model, int targetFaces);

// Model > Simplify Mesh...: one undo step. A development is undone first as Undo Unfolding does by
// default (texts kept for the next unfolding, cut edges marked open).
EditResult SimplifyMesh(EditContext& context, int targetFaces);

// The question after importing a mesh of more than kSimplifyOfferAbove faces: the count and the size the
// model would have assembled at the document's scale.
std::string SimplifyOfferText(const Document& document);

} // namespace tsm
