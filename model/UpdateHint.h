// The numbers a change to the document sends to both views. Each view decides what it redoes for one;
// a number a view does not know only redraws it. The values are fixed: the views' tables, the logs of the
// tests and the commands all use these numbers.
#pragma once

namespace tsm {

enum class UpdateHint : int {
    Redraw = 0,
    RebuildProjection = 2, // the 3D view's projection
    ResetCamera = 3,       // the 3D view's camera ("Reset View Position", first half)
    FitDevelopment = 4,    // the development view's fit ("Reset View")
    // The sheet grid and the part extents again, then a fit. Sent both when the paper, its orientation or
    // a margin changed and when the parts were laid out again: the receivers do the same for either.
    RecomputeSheets = 5,
    DevelopmentReplaced = 6, // unfolded or unfolding undone
    ClearSelection = 7,      // the edit mode changed
    Undone = 8,              // an edit was undone
    KeepGridInPlace = 9,     // the sheet grid again, the drawing staying where it is on screen
    CoordinatesChanged = 10, // the model-coordinate wizard turned the model: the 3D camera is reset
    ViewFromBelow = 11,      // the 3D camera reset, then pitched to look at the model from below
    FlapsSwitched = 12,      // "Show Flaps": the views do as for KeepGridInPlace
    ClearPick = 13,          // the 3D view's pick marker
    TextureFilterChanged = 14,
    ClearPickAndProjection = 15,
    NewModel = 1000, // a model was opened, imported or made current
};

} // namespace tsm
