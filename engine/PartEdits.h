// Turning and moving parts, texts and pictures, and the texts' and pictures' own commands (add, delete,
// duplicate, stacking order).
// They keep every link consistent (faces and their parts, `joined` pairs and line records) and recompute
// extents where a part's shape changed, but neither take undo copies nor mark the document modified: the
// document commands (DocumentEdits.h) wrap them with that. Positions are development millimetres with the
// part's offset included, y growing downwards.
#pragma once

#include "model/Document.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tsm {

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

} // namespace tsm
