// One piece for small models fitted to one sheet. A single part is a spanning tree of the faces: the tree's
// edges are folded, all others cut. The growths build such trees greedily and stop where a join would
// overlap; here the tree is searched instead. Starting from the growths' parts tied together, a tabu search
// swaps one tree edge for another across the cut it leaves (the smaller side turning rigidly onto its new
// neighbour) until no two faces overlap and no cut ends at a vertex too shallow for a flap beside its slit.
// Where that finds no piece, a second search lets cuts end at slits that close (SlitClosure.h), which
// smooth models need: nearly all their vertices are too shallow for a slit. Fitted, a model of several
// surfaces is searched a surface at a time, each for a piece of its own. Under a sheet limit both
// search, the tree each found (or came nearest with) is cut along its own folds into pieces that fit the
// sheet, and the one with fewer pieces is offered; a model too large for that is searched a region at a
// time (OnePieceRegions.h). The search counts its work, never the time, and draws from its own generator,
// so that the same model gives the same plan on every machine.
#pragma once

#include "engine/UnfoldFewestParts.h"

namespace tsm {

// The number of steps SearchOnePiece reports for `input`: 0 where it never searches (a model too large to
// search).
int OnePieceSteps(const FewestPartsInput& input);

// A plan of one part when the search finds one, `plan` itself otherwise; then with the tree that came
// nearest (no overlap, the fewest flaps without room and narrow slits) as its `nearest` where those number
// fewer than `plan`'s parts less one. Under a sheet limit, `plan` with the tree cut into pieces that fit as
// its `nearest`, where they are fewer than `plan`'s parts. `step` is called
// with positions 1..OnePieceSteps and returns false to cancel. Faces keep their flat corners and their parts.
Result<FewestPartsPlan> SearchOnePiece(const FewestPartsInput& input, const FewestPartsPlan& plan,
                                       const std::function<bool(int)>& step);

} // namespace tsm
