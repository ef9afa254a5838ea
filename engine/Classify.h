// How each part line is drawn (cut, mountain, valley, omitted, flap base) and the edge ID numbers.
#pragma once

#include "model/Document.h"

#include <vector>

namespace tsm {

// omitFlatFolds is on and the fold is strictly flatter than flatFoldAngleDegrees.
bool IsFlatEdge(const Edge& edge, const DisplaySettings& display);
// Recomputes every drawKind and renumbers every edgeId of the model the development belongs to; `display`
// gives flat-edge omission and whether flaps are drawn.
void ClassifyPartLines(Development& development, Mesh& model, const DisplaySettings& display);
// One part's lines as the whole classification treats them when it reaches this part: `nextEdgeId` is
// the number the next numbered edge gets, and the edges the earlier parts numbered keep theirs.
void ClassifyPartLines(Part& part, const DisplaySettings& display, int& nextEdgeId);
// Faces reachable from `face` across omitted folds; the caller clears the faces' `visited` flags first.
void CollectFlatGroup(Face& face, std::vector<Face*>& group, const DisplaySettings& display);

} // namespace tsm
