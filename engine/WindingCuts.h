// A tree whose cuts wind round the model. On a smooth surface nearly every vertex lies within a few
// degrees of flat: a cut that ends there leaves a slit no flap fits beside, while a cut that runs on
// through it leaves room on both sides. So the cuts of one clean piece run as long paths through every
// vertex and end only where a vertex is sharp, which a tree grown from the plan's parts seldom comes near.
// A walk from vertex to vertex that always steps to the neighbour with the fewest neighbours left unwalked
// (Warnsdorff's rule for a knight's tour) keeps to the edge of what it has walked and winds round the model
// as a knife peels an orange: it seldom strands itself, and where it must, it prefers a sharp vertex. Its
// faces lie in long bands, which overlap in places the search then mends one move at a time.
#pragma once

#include "engine/OnePieceSearch.h"

#include <vector>

namespace tsm::onepiece {

struct WindingInput {
    int faces = 0;
    const std::vector<Link>& links;
    const std::vector<std::vector<int>>& vertexLinks;
    const std::vector<char>& fixed;  // links that stay folded
    const std::vector<char>& narrow; // vertices where a cut may not end
    const std::vector<char>& border; // vertices on the model's border, cut already
};

// Which links the winding tree folds: a spanning tree of the faces. It cuts the walk's steps (from the
// border where there is one, else from a sharp vertex drawn) and, on a surface with handles, the few links
// more that no spanning tree can fold, chosen where they spare a narrow vertex the end of a cut.
std::vector<char> WindingTree(const WindingInput& input, Random& random);

} // namespace tsm::onepiece
