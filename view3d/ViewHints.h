// What the 3D view redoes for each document update hint.
#pragma once

#include "model/UpdateHint.h"

namespace tsm {

struct View3DHintActions {
    bool uploadMissingTextures = false; // materials with an image but no GL texture yet
    bool reloadAllTextures = false;     // filters from smoothTextures, every image uploaded again
    bool resetCamera = false;
    bool viewFromBelow = false; // after the reset, pitch -30
    bool clearPick = false;
    bool rebuildProjection = false;
    bool redrawAllViews = false; // rather than only this view
};

// Any hint not named in the table only redraws this view, the development view's own ones included.
View3DHintActions ActionsForHint(UpdateHint hint);

} // namespace tsm
