// What the 3D view redoes for each document update hint.
#pragma once

namespace tsm {

struct View3DHintActions {
    bool uploadMissingTextures = false; // materials with an image but no GL texture yet
    bool reloadAllTextures = false;     // filters from bTextureSmooth, every image uploaded again
    bool resetCamera = false;
    bool viewFromBelow = false; // after the reset, pitch -30
    bool clearPick = false;
    bool rebuildProjection = false;
    bool redrawAllViews = false; // rather than only this view
};

// 1000 a model was opened; 2 the projection; 3, 10 camera reset; 6, 8, 15 pick cleared and projection;
// 11 reset seen from below; 13 pick cleared; 14 texture filtering changed; any other only a redraw.
View3DHintActions ActionsForHint(int hint);

} // namespace tsm
