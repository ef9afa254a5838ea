// How each part line is drawn (cut, mountain, valley, omitted, flap base) and the edge ID numbers.
#pragma once

#include "model/Document.h"

#include <vector>

namespace tsm {

// drawKind values of CPartLine.
enum DrawKind : int32_t {
    kDrawCut = 0,
    kDrawMountain = 1,
    kDrawValley = 2,
    kDrawOmitted = 3,
    kDrawFlapMountain = 4,
    kDrawFlapValley = 5,
    kDrawFlapOnly = 6
};

// bOmitFlatEdge is on and the fold is strictly flatter than iFlatEdgeAngle.
bool IsFlatEdge(const CEdge& edge, const DisplaySettings& display);
// Recomputes every drawKind and renumbers every edgeId of the model the development belongs to; `display`
// gives flat-edge omission and whether flaps are drawn.
void ClassifyPartLines(CTenkaizu& development, CMeshModel& model, const DisplaySettings& display);
// Faces reachable from `face` across omitted folds; the caller clears the faces' `visited` flags first.
void CollectFlatGroup(CFace& face, std::vector<CFace*>& group, const DisplaySettings& display);

} // namespace tsm
