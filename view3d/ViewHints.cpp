#include "view3d/ViewHints.h"

namespace tsm {

View3DHintActions ActionsForHint(UpdateHint hint) {
    View3DHintActions a;
    switch (hint) {
    case UpdateHint::NewModel:
        a.uploadMissingTextures = true;
        a.resetCamera = true;
        a.rebuildProjection = true;
        a.clearPick = true;
        break;
    case UpdateHint::RebuildProjection:
        a.rebuildProjection = true;
        break;
    case UpdateHint::ResetCamera:
    case UpdateHint::CoordinatesChanged:
        a.resetCamera = true;
        a.rebuildProjection = true;
        break;
    case UpdateHint::DevelopmentReplaced:
    case UpdateHint::Undone:
    case UpdateHint::ClearPickAndProjection:
        a.clearPick = true;
        a.rebuildProjection = true;
        break;
    case UpdateHint::ViewFromBelow:
        a.resetCamera = true;
        a.viewFromBelow = true;
        a.rebuildProjection = true;
        break;
    case UpdateHint::ClearPick:
        a.clearPick = true;
        break;
    case UpdateHint::TextureFilterChanged:
        a.reloadAllTextures = true;
        a.redrawAllViews = true;
        break;
    default:
        break;
    }
    return a;
}

} // namespace tsm
