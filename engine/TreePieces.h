// Cutting one flat tree of faces (a net without overlaps, too large for a sheet) into pieces that each fit
// a sheet. Every piece is a subtree, so a cut ends where the net's border already runs: no new slit, and
// the faces keep the places the net gave them.
#pragma once

#include "engine/PartFit.h"

#include <array>
#include <vector>

namespace tsm {

struct FlatTree {
    std::vector<int> start;                // each face's first corner in `corners`; one more entry than faces
    std::vector<Point2> corners;           // every face's corners where the net lays them
    std::vector<std::array<int, 2>> links; // the tree's edges, as the two faces each joins
};

// Which links stay folded (1) so that every piece fits `limit`, with as few pieces as found. Grown from the
// leaves up: each face takes its children's pieces, smallest first, while the hull of them all still fits,
// and closes the others as pieces of their own; tried from a few roots, the fewest pieces kept (then the
// first root). A face that fits no sheet alone is a piece all the same.
std::vector<char> PiecesFittingSheets(const FlatTree& tree, const PartLimit& limit, int& pieces);

} // namespace tsm
