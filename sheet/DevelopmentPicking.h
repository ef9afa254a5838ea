// What the development view's edit modes find under the mouse and what they select: the object at a point,
// the objects meeting a dragged rectangle, the part line near a point, the handles of a text or picture.
// Everything is in development millimetres; the view turns its pixel tolerances into millimetres first,
// so that a hit needs the same few pixels on screen whatever the zoom.
#pragma once

#include "engine/DocumentEdits.h"
#include "model/Development.h"
#include "model/Geometry.h"

#include <array>
#include <functional>
#include <vector>

namespace tsm {

// Pixel tolerances on screen, whatever the zoom: a line is hit within 4 pixels of it, a handle is a
// square of 7 pixels (3 on each side of its point), and a press up to 3 pixels from the handle counts.
constexpr double kLineHitPixels = 4.0;
constexpr int kHandleHalfPixels = 3;

// One object of select and move.
struct DevObject {
    enum class Kind { None, Part, Text, Picture };
    Kind kind = Kind::None;
    Part* part = nullptr;
    TextBlock* text = nullptr;
    ImageBlock* picture = nullptr;
    explicit operator bool() const { return kind != Kind::None; }
    bool operator==(const DevObject& other) const {
        return kind == other.kind && part == other.part && text == other.text && picture == other.picture;
    }
};

DevObject PartObject(Part* part);
DevObject TextObject(TextBlock* text);
DevObject PictureObject(ImageBlock* picture);

// The topmost object at `mm`: texts (drawn over everything, the last on top), the pictures above the
// parts, a part whose face covers the point, then the pictures under the parts.
DevObject ObjectAt(Development& development, const Point2& mm);
// Every object whose rectangle meets the rectangle between `a` and `b` (any two opposite corners): the
// pictures under the parts, the texts, the parts, then the pictures above them.
std::vector<DevObject> ObjectsMeetingRect(Development& development, const Point2& a, const Point2& b);
// The object's rectangle (x, y, width, height) with width and height made positive.
std::array<double, 4> ObjectRect(const DevObject& object);

bool IsSelected(const EditSelection& selection, const DevObject& object);
void Select(EditSelection& selection, const DevObject& object);
void Deselect(EditSelection& selection, const DevObject& object);
// Selects what is not selected and deselects what is.
void ToggleSelected(EditSelection& selection, const std::vector<DevObject>& objects);
// The only object selected when it is a text or a picture, the one whose handles show.
DevObject SingleTextOrPicture(const EditSelection& selection);
// Every selected object, parts first.
std::vector<DevObject> SelectedObjects(const EditSelection& selection);

// The part line nearest to `mm` within `toleranceMM`, topmost part first on a tie; null when none is.
// `accept`, when given, skips lines it refuses.
PartLine* LineNear(Development& development, const Point2& mm, double toleranceMM,
                   const std::function<bool(const PartLine&)>& accept = nullptr);

// The eight handles of a rectangle, clockwise from the top left corner: 0 top left, 1 top, 2 top right,
// 3 right, 4 bottom right, 5 bottom, 6 bottom left, 7 left.
std::array<Point2, 8> HandlePoints(const std::array<double, 4>& rect);
// The handle within `toleranceMM` of `mm` (in both directions), -1 when none is.
int HandleAt(const std::array<double, 4>& rect, const Point2& mm, double toleranceMM);
// The rectangle after handle `handle` moved by `by`; a side dragged across the opposite one stops 1 mm
// before it.
std::array<double, 4> DragHandle(const std::array<double, 4>& rect, int handle, const Point2& by);

} // namespace tsm
