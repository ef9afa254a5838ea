#include "view3d/ViewHints.h"

namespace tsm {

View3DHintActions ActionsForHint(int hint) {
    View3DHintActions a;
    switch (hint) {
    case 1000:
        a.uploadMissingTextures = true;
        a.resetCamera = true;
        a.rebuildProjection = true;
        a.clearPick = true;
        break;
    case 2:
        a.rebuildProjection = true;
        break;
    case 3:
    case 10:
        a.resetCamera = true;
        a.rebuildProjection = true;
        break;
    case 6:
    case 8:
    case 15:
        a.clearPick = true;
        a.rebuildProjection = true;
        break;
    case 11:
        a.resetCamera = true;
        a.viewFromBelow = true;
        a.rebuildProjection = true;
        break;
    case 13:
        a.clearPick = true;
        break;
    case 14:
        a.reloadAllTextures = true;
        a.redrawAllViews = true;
        break;
    default:
        break;
    }
    return a;
}

} // namespace tsm
