// What the development editors do to the data: cut a fold and join a cut edge, the flap actions, turning
// and moving parts, texts and pictures, and edge colours. These change the development and the corners it
// lies on and keep every link consistent (faces and their parts, `joined` pairs and line records), with
// extents recomputed where a part's shape changed. They neither take undo copies nor mark the document
// modified: the document commands (DocumentEdits.h) wrap them with that.
//
// All positions are development millimetres with the part's offset included, y growing downwards.
#pragma once

#include "model/Document.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tsm {

// ---- cutting and joining ----

// A fold: both sides of the edge lie in the line's part, joined.
bool IsFoldLine(const PartLine& line);
// A cut edge that has a neighbour to join with: the line's `first` corner has a twin that is not joined,
// and that twin lies in another face that belongs to a part of the same development.
bool IsJoinableCutLine(const PartLine& line);

// Cuts the fold `line` (IsFoldLine must hold). The other side gets a line record of its own. When the cut
// splits the part, the faces that no longer connect to the clicked side's face become a new part, and the
// clicked side's piece (the one holding `line.first`) moves by 2.5 % of `printableWidthMM` perpendicular to
// the edge, into that face; the new piece stays. Returns the new part, or null when the part stayed whole.
Part* CutAtLine(Development& development, PartLine& line, double printableWidthMM);

// Joins the cut edge `line` (IsJoinableCutLine must hold) with its twin side. The part holding
// `line.first` stays; the twin's part is turned onto it and merged into it. When both sides lie in one
// part, only the twin's face moves across, after its folds are cut, and whatever no longer connects
// becomes new parts. Coincident cut edges of the result are joined within `coincidentThresholdMM`.
void JoinAtLine(Development& development, PartLine& line, double coincidentThresholdMM);

// The join tool's second click at `click`: `line` when the click is nearer to the midpoint of its own side
// of the edge, else the line of the twin's side (also on a tie), so that the side nearer the click stays.
PartLine& JoinLineForClick(PartLine& line, const Point2& click);

// ---- flaps ----

// "Switch Flap Position": with a twin both sides swap their flap; on an open edge the flap comes and goes
// (lineKind NoFlap <-> MountainFlap). Extents of the parts involved are recomputed; the caller reclassifies.
void SwitchFlapPosition(PartLine& line);
// The `first` corner's flap height in mm (> 0); the part's extent is recomputed.
void SetFlapHeight(PartLine& line, double heightMM);
// Adds a flap on the line's `first` side: lineKind becomes `kind` (not NoFlap) and hasFlap is set; the
// extent is recomputed; the caller reclassifies.
void AddFlap(PartLine& line, LineKind kind);
// What the flap dialog edits: height in mm and the two base angles in radians (each within (0, pi)).
void SetFlapShape(PartLine& line, double heightMM, double angle1, double angle2);

// ---- turning and moving ----

// Turns the part about `centre` by `degrees`, counter-clockwise as seen on the sheet, then recomputes its
// extent. The part's other parts are untouched.
void RotatePart(Part& part, const Point2& centre, double degrees);
// The corner of `part` nearest to `point`: the rotate tool's centre. The part must have faces.
Point2 NearestCorner(const Part& part, const Point2& point);

void MovePart(Part& part, const Point2& by);
void MoveText(TextBlock& text, const Point2& by);
void MovePicture(ImageBlock& picture, const Point2& by);
// A text's or picture's rectangle (x, y, width, height) after a resize handle was dragged.
void ResizeRect(double rect[4], const std::array<double, 4>& newRect);

// ---- texts and pictures ----

// The stacking order commands of the object context menus. Texts take the first four; pictures all six
// (Under and Above Development move a picture between the two picture lists, to the top of the other list).
enum class StackOrder { Top, Upper, Lower, Bottom, UnderDevelopment, AboveDevelopment };

// Points to millimetres, as text sizes are given.
constexpr double kMMPerPoint = 25.4 / 72.0;

// A new text at `at` (its rectangle's top left): one entry of `lines` a line; `fontSizePoints` > 0;
// `color` 0x00BBGGRR. Width and height are estimated from the size (0.6 em a character, lines one em
// high with the block's line spacing between them); the window may measure and set them afterwards.
TextBlock MakeText(const Point2& at, std::vector<std::string> lines, const std::string& fontName,
                   int32_t fontSizePoints, int32_t color);
// Re-estimates the rectangle's width and height from the lines and size, keeping its position.
void EstimateTextSize(TextBlock& text);

// In what follows, an index out of range changes nothing and is handed back as the result.

// Appends on top of the other texts; returns its index.
size_t AddText(Development& development, TextBlock text);
void DeleteText(Development& development, size_t index);
// A copy placed 5 mm right and down of the original, on top; returns its index.
size_t DuplicateText(Development& development, size_t index);
// Returns the text's new index. Under/AboveDevelopment do nothing to texts.
size_t ReorderText(Development& development, size_t index, StackOrder order);

void DeletePicture(Development& development, bool aboveDevelopment, size_t index);
// `aboveDevelopment` names the list the picture is in (imagesB) and is updated with its new list; returns
// the picture's new index. Moving a picture to the side of the parts it is already on does nothing.
size_t ReorderPicture(Development& development, bool& aboveDevelopment, size_t index, StackOrder order);

// ---- edge colours ----

// The "Edge Color" dialog's target check boxes.
struct EdgeColorTargets {
    bool cutLines = true;
    bool mountain = true;
    bool valley = true;
};

// Whether the colour tool may act on `line`: kinds Mountain and FlapMountain need `mountain`, Valley and
// FlapValley need `valley`, Cut needs `cutLines`; with flat edges omitted, a flat edge's line only when
// its kind is Cut, FlapMountain or FlapValley.
bool CanColorLine(const PartLine& line, const EdgeColorTargets& targets, const DisplaySettings& display);
// Shows the line and gives its `first` corner (and that corner's joined partner) the colour.
void PaintLine(PartLine& line, const std::array<uint8_t, 3>& rgb);
void HideLine(PartLine& line);
// The `first` corner's side colour as 0-255 channels (rounded).
std::array<uint8_t, 3> LineColor(const PartLine& line);
// The lines that lie wholly inside the rectangle (any two opposite corners) and that CanColorLine allows,
// in part order then line order.
std::vector<PartLine*> LinesInRect(Development& development, const Point2& a, const Point2& b,
                                   const EdgeColorTargets& targets, const DisplaySettings& display);

// ---- finding ----

// A line's end points in development coordinates: the `first` corner and the next one, offset included.
std::array<Point2, 2> LineEnds(const PartLine& line);
// The part holding `line`, by its `first` corner's face.
Part* PartOf(const PartLine& line);

} // namespace tsm
