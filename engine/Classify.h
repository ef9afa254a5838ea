// How each part line is drawn (cut, mountain, valley, omitted, flap base) and the edge ID numbers.
#pragma once

#include "model/Document.h"

#include <vector>

namespace tsm {

// bOmitFlatEdge is on and the fold is strictly flatter than iFlatEdgeAngle.
bool IsFlatEdge(const CEdge& edge, const DisplaySettings& display);
// Recomputes every drawKind and renumbers every edgeId of the model the development belongs to; `display`
// gives flat-edge omission and whether flaps are drawn.
void ClassifyPartLines(Development& development, CMeshModel& model, const DisplaySettings& display);
// Faces reachable from `face` across omitted folds; the caller clears the faces' `visited` flags first.
void CollectFlatGroup(CFace& face, std::vector<CFace*>& group, const DisplaySettings& display);

} // namespace tsm
