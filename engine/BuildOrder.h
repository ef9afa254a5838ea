// The order in which a builder glues the parts together: each step adds one part that shares at least one
// cut edge with the parts already built. The first part is the largest (area on the development); each
// later one is the part with the most cut edges to the built ones, the larger and then the earlier part
// winning a tie. A solid apart from the built ones starts again with its largest part. The order is derived
// from the development alone, so the same development always gives the same order and part numbers.
#pragma once

#include "model/Development.h"

#include <cstddef>
#include <vector>

namespace tsm {

struct BuildStep {
    int part = -1;          // index in Development::parts
    std::vector<int> joins; // parts built before this one that share a cut edge with it, ascending
};

// For every part, how many cut edges it shares with each other part: neighbours[p][q] > 0 when they touch.
// Taken from the faces' twins, so it does not trust any stored order.
std::vector<std::vector<int>> CountSharedEdges(const Development& development);

// One step per part, in build order.
std::vector<BuildStep> DeriveBuildOrder(const Development& development);

// The order given as a list of parts (a user's own order), with each step's joins filled in. Parts missing
// from `sequence` follow by the rule above; repeated and unknown indices are dropped.
std::vector<BuildStep> CompleteBuildOrder(const Development& development, const std::vector<int>& sequence);

// The order a user set, given as ranks of the parts (`rank[p]` > 0; 0 or missing for a part without one):
// parts by ascending rank, the parts of one rank by the rule above, unranked parts last by the rule. A part
// that shares no cut edge with the parts built so far while its solid is already begun waits until it
// does, so every step keeps the rule; a user's sequence that keeps it comes back unchanged.
std::vector<BuildStep> RankedBuildOrder(const Development& development, const std::vector<int>& rank);

// The document's order: the user's steps stored on the parts (Part::buildStep) when any part carries one,
// else the derived order. Part numbers, the instructions and the step view all follow this one.
std::vector<BuildStep> DocumentBuildOrder(const Development& development);

// The 1-based number of each part (index in Development::parts) in the given order; 0 for a part the order
// leaves out.
std::vector<int> PartNumbers(const std::vector<BuildStep>& order, size_t partCount);

// The face of a part on which its number is printed: the one with the largest area on the development.
const Face* LargestFace(const Part& part);

// Where a part's number is printed: centred on its largest face's centroid (development millimetres, the
// part's offset included), at the largest font size up to `largestMM` whose box (0.6 size per digit wide,
// one size tall) stays within the face's edges around that point, and never below `smallestMM`.
struct PartNumberPlace {
    int part = -1;
    int number = 0;
    Point2 centreMM;
    double sizeMM = 0;
};
std::vector<PartNumberPlace> PlacePartNumbers(const Development& development, double largestMM,
                                              double smallestMM);

} // namespace tsm
