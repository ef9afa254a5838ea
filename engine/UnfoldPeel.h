// Growth orders that peel a closed surface in rings. On a smooth mesh every vertex whose faces do not lie
// flat sits on a part border, and a cut line may end only at a sharp vertex, so the parts are ribbons of
// faces whose every corner lies on their border, and their number follows where the borders meet. Rings
// around a seed vertex meet nowhere: the vertices are put in layers by how many edges lie between them
// and the seed (so that an edge joins a layer to itself or to the next), the edges within a layer stay
// cut as rings and are joined last, and the edges between two layers, the rungs of the ribbon between
// them, are joined one after another along the ribbon: a ribbon grows from its start until the sheet or
// an overlap stops it, and goes on as the next part.
#pragma once

#include "engine/UnfoldFewestParts.h"

#include <vector>

namespace tsm {

// One growth order: a key per edge of `input.edges`, the lower joined sooner.
using PeelOrder = std::vector<double>;

// At most this many orders, one per seed.
constexpr int kMostPeelOrders = 8;

// Orders peeled from the two sharpest vertices and the vertices furthest out along each axis. Empty when
// the faces are not triangles of closed surfaces. Deterministic: seeds and layers follow the model alone.
std::vector<PeelOrder> PeelOrders(const FewestPartsInput& input);

// The order peeled from `seed` alone; empty where PeelOrders gives none or `seed` is no corner of a face.
PeelOrder PeelFrom(const FewestPartsInput& input, const Vertex* seed);

// Each vertex's layer when peeled from `seed`, in the order the faces first name the vertices (face by
// face, corner by corner); -1 for a vertex the seed's surface does not reach. Empty as PeelFrom is.
std::vector<int> PeelLayers(const FewestPartsInput& input, const Vertex* seed);

} // namespace tsm
