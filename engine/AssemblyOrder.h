// The build order a user sets: which part is glued on at which step. The steps are kept on the parts
// (Part::buildStep), so the undo copies, a cut and a join carry them like any other part field; the
// document's order itself is always DocumentBuildOrder's (BuildOrder.h).
#pragma once

#include "engine/UndoCommands.h"
#include "model/Development.h"

#include <string>
#include <vector>

namespace tsm {

// "Part N shares no cut edge with the parts built before it.", N the part's number now.
std::string OrderBreaksRuleText(int partNumber);

// The first part of `sequence` (part indices in build order) that shares no cut edge with the parts before
// it although a part of its solid is among them; -1 when every step keeps the rule. Indices out of range
// and repeats are skipped.
int FirstPartBreakingOrder(const Development& development, const std::vector<int>& sequence);

// After any change of the development, the steps of a user's order run 1…n along DocumentBuildOrder again:
// a cut part's pieces and a merged part take their places by the rule. Nothing changes while the order
// is derived.
void RenumberBuildSteps(Development& development);

// The document command of Model ▸ Assembly Order… and `tsmtool order`: `sequence` lists part indices in the
// order the user builds them, the parts it leaves out following by the rule; an empty sequence goes back
// to the derived order. Refused, changing nothing, when a part breaks the rule (OrderBreaksRuleText) or an
// index is out of range or repeated.
EditResult SetBuildOrder(EditContext& context, const std::vector<int>& sequence);

} // namespace tsm
