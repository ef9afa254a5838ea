// The join plan of the "Fewest parts" unfolding. Parts grow by joining faces across edges in some order,
// refusing any join that would make a part overlap itself; which order leaves few parts is hard to tell
// beforehand, so several growths are made and the one with the fewest parts (then the shortest cuts) wins:
// first the upright unfolding's own order, so that no plan has more parts than it; then sharp folds cut
// and long edges joined first; then, growth after growth, the edges around the small leftover parts of the
// last growth are moved earlier, which lets the large parts form around those faces (in chains of
// growths, each moving them by another amount). On models small enough, the winner's parts are then
// dissolved one by one into their neighbours, a neighbour in the way cut in two where its piece finds
// another home, and every such change that leaves fewer parts is kept. Under a sheet limit, on models too
// large for the one-piece search, the surface is peeled in rings from a few seeds as well (UnfoldPeel.h),
// and that plan, dissolved in the same way, is kept where it leaves fewer parts. Everything depends on
// the model alone, so the same model always gets the same plan.
#pragma once

#include "engine/PartFit.h"
#include "engine/Unfolder.h"
#include "model/Result.h"

#include <functional>
#include <vector>

namespace tsm {

struct FewestPartsInput {
    std::vector<Face*> faces; // every face to unfold, each in a part of its own
    std::vector<Edge*> edges; // every edge of those faces' solids, in the upright unfolding's join order
    // Beside `edges`: each one's place in the upright unfolding's order; negative: never joined.
    std::vector<double> weights;
    OverlapStrategy overlap = OverlapStrategy::Indexed;
    double cellSize = 0;
    double sharedPointSquared = 0;
    // The flaps' height in development units, for the search for one piece; 0 leaves flaps unchecked.
    double flapHeight = 0;
    // The sheet every part must fit, at the development's scale; inactive when fitted to one sheet.
    PartLimit limit;
    // At most this many growths; 0: as many as the model's size allows (fewer on large models, so that the
    // time stays in proportion to the face count).
    int candidateLimit = 0;
    // No join may leave the faces around a vertex a notch too narrow for the flaps of the two cut edges
    // around it (LeavesNarrowNotch). Off by default: the rule costs the one-piece search its best starts
    // (the bunny simplified to 2,200 faces at 150 mm: 35 parts with it, 9 without); the unfolding plans
    // again with it where the flaps crowd far beyond the plan.
    bool notches = false;
    // Beside `edges`: 1 where no side can carry a flap that holds glue (HoldsFlap): a cut there could never
    // be glued. On models the peel runs on, every growth joins these first. Empty: none.
    std::vector<char> flapless;
    // Whether the one-piece search runs where the model is small enough for it.
    bool treeSearch = true;
    // Fitted, the one-piece search's work in all, where above 0; otherwise as the faces' count gives.
    double searchWork = 0;
    // Whether the peel plans again with slits that close, where it runs under a sheet limit (`closing`).
    bool closingPlans = true;
};

struct FewestPartsPlan {
    std::vector<Edge*> joins; // in the order they are to be made, each as halfEdge1's part taking halfEdge2's
    int parts = 0;
    double cutLength = 0;
    int candidate = -1; // which growth won: 0 the upright one
    // Where the one-piece search found no piece, the joins of the tree that came nearest (a few flaps
    // crowd, a few slits are narrow), for the unfolding to try as well: cut apart there, it may leave
    // fewer parts than `joins`. Under a sheet limit, the search's tree already cut into pieces that fit.
    std::vector<Edge*> nearest;
    // Whether the tree of `joins` (one part) or of `nearest` came from the search that lets slits close
    // (SlitClosure.h): made, those slits are folded.
    bool slitsClose = false, nearestSlitsClose = false;
    // Whether `nearest` may lay faces over each other (the search came to no tree without overlaps): its
    // joins are then tested as they are made, as a plan's own are not.
    bool nearestOverlaps = false;
    // Where the peel's plan won, the growths' own best joins: the one-piece search finds trees without
    // overlaps far more often from parts grown everywhere than from ribbons, and starts from these.
    std::vector<Edge*> grown;
    // Under a sheet limit, where the peel runs, its plans again with slits that close (SlitClosure.h), for
    // the unfolding to make as well: how many parts a plan leaves once made tells more than its count here
    // (the bunny at 150 mm: 41 planned, 37 made), so the unfolding keeps whichever leaves the fewest.
    std::vector<std::vector<Edge*>> closing;
};

// How many plans `closing` holds for `input` (0 where the peel does not run under a sheet limit).
int FewestPartsClosingPlans(const FewestPartsInput& input);

// The number of steps PlanFewestParts reports for `input`.
int FewestPartsSteps(const FewestPartsInput& input);

// Plans the joins. Edges need their foldAngle and length. Faces are laid flat again and given back their
// own parts before it returns, so that the caller replays the joins from the same start. `step` is called
// with positions 1..FewestPartsSteps and returns false to cancel, which gives a cancelled result.
Result<FewestPartsPlan> PlanFewestParts(const FewestPartsInput& input, const std::function<bool(int)>& step);

} // namespace tsm
