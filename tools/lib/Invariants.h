// The link invariants every opened document satisfies, checked without following a stray pointer.
#pragma once

#include "model/Document.h"

#include <string>
#include <vector>

namespace tsm {

// Checks that:
// - every half-edge an edge names points back to that edge;
// - twin links are symmetric; joined links are symmetric and join twins only;
// - a face's part is set exactly when that part lists the face (once);
// - a half-edge's line, when set, is a record of some part whose first or second is that half-edge.
// Returns one line per violation, naming the solid, face and corner; empty when all hold.
std::vector<std::string> CheckModelInvariants(const Document& document);

} // namespace tsm
