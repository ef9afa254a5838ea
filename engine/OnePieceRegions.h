// Under a sheet limit, a model too large for one tree search, or one whose whole searches leave no fewer
// parts than the plan, is searched a region at a time. The plan's parts are gathered into connected regions
// of a few hundred faces; each region's faces are searched as a surface of their own (its edges to other
// regions stay cut, as a border), and the region's tree, cut into pieces that fit the sheet, replaces the
// region's parts where it leaves fewer. A region is far easier to lay flat than the whole: its border frees
// every cut that reaches it. Where its parts can join across the regions' borders, the unfolding joins them
// as it makes the plan.
#pragma once

#include "engine/UnfoldFewestParts.h"

#include <vector>

namespace tsm {

// Measured at 150 mm (the whole cow of 5,804 faces, 72 parts before): regions of at most 300 faces left
// 46 parts, 500 faces 36, 1,000 faces 40. Larger regions find fewer trees without overlaps in their work.
constexpr size_t kRegionFaces = 500;

// The parts `joins` make of `input.faces`, gathered into regions: each grown breadth first from the lowest
// numbered part not yet taken, over parts that share an edge, while it stays within `most` faces (a part
// larger than that is a region alone). Each region as its faces' indices in `input.faces`, ascending.
std::vector<std::vector<int>> PartRegions(const FewestPartsInput& input, const std::vector<Edge*>& joins,
                                          size_t most);

// Whether SearchRegions may search `input`: a model of more than one region's faces under a sheet limit.
bool SearchesRegions(const FewestPartsInput& input);

// The number of steps SearchRegions reports for `input`.
int RegionSteps(const FewestPartsInput& input);

struct RegionTrees {
    std::vector<Edge*> joins; // in the order they are to be made
    int parts = 0;            // how many parts they leave, as planned
};

// The plan's joins with each region's tree, cut into pieces, in place of the region's own where it leaves
// fewer parts. The search starts each region from `start`'s joins among its faces. `step` is called with
// positions 1..RegionSteps and returns false to cancel. Faces keep their flat corners and their parts.
Result<RegionTrees> SearchRegions(const FewestPartsInput& input, const FewestPartsPlan& plan,
                                  const std::vector<Edge*>& start, const std::function<bool(int)>& step);

} // namespace tsm
