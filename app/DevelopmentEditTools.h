// The edit modes of the development view: what a press, a drag, a release or a key does in Select and
// Move, Edit Flaps, Rotate Part and Join/Disjoin Face, and what each draws over the development. Every
// change of the document goes through the document commands (engine/DocumentEdits.h); a drag that changes
// the data as the mouse moves takes its undo copy at the press and hands it in at the release, so one drag
// is one undo step.
#pragma once

#include "app/EdgeColorDialog.h"
#include "app/ViewLogic.h"
#include "engine/DocumentEdits.h"
#include "sheet/DevelopmentPicking.h"
#include "sheet/DevelopmentViewState.h"

#include <QPoint>

#include <functional>
#include <optional>

class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace tsm {

class DevelopmentEditTools {
public:
    DevelopmentEditTools(IViewHost& host, const DevelopmentViewState& state);

    // Any button press; true when the current mode takes the drag that may follow, so that the view does
    // not pan with it.
    bool Press(const QMouseEvent& event);
    // A mouse move while the mode owns the drag, or a move with no button held (the highlighted line and
    // the cursor follow it).
    void Move(const QMouseEvent& event);
    bool OwnsDrag() const { return owner_ != Drag::None; }
    // A left release; `click` when it was within 3 pixels of its press.
    void Release(const QMouseEvent& event, bool click);
    void KeyRelease(const QKeyEvent& event);
    // A right click (release within 3 pixels of its press): the object menu of a text or picture under
    // it, else the view's menu of modes, Reset View and exports.
    void RightClick(const QMouseEvent& event);
    // The mode may have changed: the Edge Color dialog shows exactly while Set Edge Color is current.
    void ModeMaybeChanged();
    EdgeColorChoice& ColorChoice() { return colorChoice_; }
    EdgeColorDialog* ColorDialog() const { return colorDialog_; }

    // The document changed: `clearSelection` drops the selection too. Lines found under the mouse are
    // always forgotten, as an edit may have made them anew.
    void DocumentChanged(bool clearSelection);
    // The selection outlines and handles, the line under the cursor, the rotation centre and the rubber
    // band, in screen pixels.
    void Draw(QPainter& painter) const;

    const EditSelection& Selection() const { return selection_; }
    // Edit > Delete and the Delete key: the selected texts and pictures go as one undo step; parts are
    // never deleted, so a selection of parts alone gives nothing to delete.
    bool CanDeleteSelection() const;
    void DeleteSelection();
    const PartLine* HighlightedLine() const { return hoverLine_; }
    const PartLine* PendingJoinLine() const { return joinLine_; }
    std::optional<Point2> RotationCentre() const { return centre_; }

private:
    enum class Drag { None, Move, Resize, Band, Rotate };

    EditMode Mode() const;
    Development* CurrentDevelopment() const;
    SheetLayout Layout() const;
    Point2 ToMM(const QPointF& pixel) const;
    QPointF ToPixel(const Point2& mm) const;
    double PixelsToMM(double pixels) const;
    // Runs a document command with the view's context and sends its hint, or says why it was refused.
    void Run(const std::function<EditResult(EditContext&)>& command);
    void Commit(UpdateHint hint);
    void DropStaleSelection();

    void SelectPress(const QMouseEvent& event, const Point2& mm);
    void SelectDrag(const QPointF& pixel, const Point2& mm);
    void SelectRelease(const QMouseEvent& event, bool click);
    void FlapClick(const Point2& mm, const QPoint& global);
    void JoinClick(const Point2& mm);
    void RotateDrag(const Point2& mm);
    void CancelRotation();
    void UpdateHover(const QMouseEvent& event, const Point2& mm);
    void TextClick(const Point2& mm);
    void ColorClick(const Point2& mm);
    void ColorLinesIn(const Point2& a, const Point2& b);
    void ObjectMenu(const DevObject& object, const QPoint& global);
    void ViewMenu(const QPoint& global);
    std::function<bool(const PartLine&)> ColorAccept() const;
    EdgeColorAction ColorAction() const;

    IViewHost& host_;
    const DevelopmentViewState& state_;
    EditSelection selection_;

    Drag owner_ = Drag::None;
    PendingEdit pending_;
    Point2 pressMM_;
    QPointF pressPixel_, bandEnd_;
    bool pastThreshold_ = false; // the drag went further than a click may
    Point2 appliedMove_;
    // The press's object, and whether it was selected before the press (a Ctrl or Shift click on it
    // then deselects it).
    DevObject pressed_;
    bool wasSelected_ = false;
    bool toggleModifier_ = false;
    int handle_ = -1;
    std::array<double, 4> rectAtPress_ = {0, 0, 0, 0};
    double* resized_ = nullptr;
    bool flipX_ = false, flipY_ = false;

    PartLine* hoverLine_ = nullptr;
    PartLine* joinLine_ = nullptr; // a cut edge clicked once in Join/Disjoin Face

    Part* rotatePart_ = nullptr;
    std::optional<Point2> centre_;
    double appliedDegrees_ = 0.0;
    bool rotatePressArmed_ = false;
    bool rightClickSpent_ = false;

    EdgeColorChoice colorChoice_;
    EdgeColorDialog* colorDialog_ = nullptr; // a child of the view's widget
};

} // namespace tsm
