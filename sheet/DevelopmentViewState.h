// The development view's navigation state and its arithmetic: fitting, panning, zooming, the mapping
// between the screen and development millimetres, click versus drag, what each document update hint
// redoes, and the status texts of the mouse modes. No widgets and no GL, so every rule is testable alone.
#pragma once

#include "model/Document.h"
#include "model/EditMode.h"
#include "model/Geometry.h"
#include "model/UpdateHint.h"
#include "sheet/SheetScreen.h"

#include <optional>
#include <vector>

namespace tsm {

// What the development view redoes for one document update hint.
struct DevelopmentHintActions {
    bool resetEditState = false; // the edit modes' transient state, and the drag flag
    bool clearSelection = false;
    bool recomputeGrid = false;     // sheet grid from scratch, then a fit
    bool recomputeExtents = false;  // part extents first (with recomputeGrid)
    bool updateGridInPlace = false; // sheet grid again, the drawing staying where it is on screen
    bool fit = false;
    bool reapplyTextureFilter = false; // smoothTextures changed
    bool redraw = false;
};
// Any hint not named in the table only redraws, the 3D view's own ones included.
DevelopmentHintActions DevelopmentActionsForHint(UpdateHint hint);

// The status bar text of a mouse mode; empty for EditMode::None and for values outside the table.
const char* EditModeStatusText(EditMode mode);

enum class DevButton { Left, Right, Middle };

// The buttons and keys held during a mouse message.
struct DevPointer {
    int x = 0;
    int y = 0;
    bool left = false;
    bool right = false;
    bool middle = false;
    bool shift = false;
};

// A release at most this far from its press is a click (squared pixels).
constexpr int kClickMaxSquaredPixels = 9;
// A zoom under which a sheet's printable width or height would be narrower than this is refused.
constexpr double kMinPrintablePixels = 5.0;

class DevelopmentViewState {
public:
    const ScreenView& View() const { return view_; }
    double Zoom() const { return view_.zoom; }
    double PanX() const { return view_.panX; }
    double PanY() const { return view_.panY; }
    bool Dragging() const { return dragging_; }

    // The client size; a fit or the next paint uses it. Sizes below 1 are kept as they come.
    void SetClientSize(int width, int height);
    // "Reset View": pan (0, 0), the sheet area (or one sheet without a development) with 15 pixels free.
    void Fit(const SheetLayout& layout, bool hasDevelopment);
    // Sets the zoom unless a sheet's printable area would become narrower or lower than 5 pixels, or the
    // value is not a positive number. True when accepted.
    bool SetZoom(double zoom, const SheetLayout& layout);
    void SetPan(double panXMM, double panYMM);

    // Any button press: the drag flag is set (only EndDrag clears it) and the press point remembered.
    void ButtonDown(const DevPointer& pointer);
    // A mouse move: while the drag flag is set and a button is held, pans by the movement (or, with Shift
    // and the right button, zooms by it). True when the picture changed.
    bool MouseMoved(const DevPointer& pointer, const SheetLayout& layout);
    // Whether a release at (x, y) ends a click rather than a drag.
    bool IsClick(int x, int y) const;
    // A wheel turn inside the view (120 per notch); forward zooms out unless `invert`. With `pointer` (client
    // pixels) the development point under it stays there; without, the view's centre does. True when
    // accepted.
    bool WheelTurned(int delta, bool invert, const SheetLayout& layout, std::optional<Point2> pointer = {});
    // Whether the user zoomed or panned since the last fit; until then a resized view fits again.
    bool Navigated() const { return navigated_; }
    // A new document: the drag ends.
    void EndDrag() { dragging_ = false; }

    // The grid changed from `before` to `after`: the pan moves by half the change of the sheet area so
    // that the development stays where it was on screen.
    void KeepDrawingInPlace(const SheetLayout& before, const SheetLayout& after);

    // Screen pixels and development millimetres for the current view.
    Point2 ScreenToDevelopment(double x, double y, const SheetLayout& layout) const;
    Point2 DevelopmentToScreen(const Point2& mm, const SheetLayout& layout) const;

private:
    ScreenView view_;
    bool dragging_ = false;
    bool navigated_ = false;
    int lastX_ = 0, lastY_ = 0;
    int pressX_ = 0, pressY_ = 0;
};

// The face of a part that covers development point `mm` (a triangle of the fan from its first corner),
// the topmost first: parts drawn later lie above earlier ones. Null when the point is on no face.
Face* FaceAtDevelopmentPoint(const Development& development, const Point2& mm);

// The corresponding-face check at `mm`: clears the pick mark of every face of every part, then marks the
// face there with the faces reachable from it across omitted folds. Returns the marked group (empty when
// no face is there).
std::vector<Face*> CheckCorrespondingFace(Development& development, const DisplaySettings& display,
                                          const Point2& mm);

} // namespace tsm
