// The program's own pictures, drawn with QPainter: the twelve toolbar images in their normal, hot (under
// the mouse) and disabled forms, and the program's mark.
#pragma once

#include <QIcon>
#include <QImage>
#include <QRectF>

class QPainter;

namespace tsm {

enum class IconState { Normal, Hot, Disabled };

// Toolbar image `index` (0..11, in toolbar order) at `pixels` square; an index outside that range gives
// a transparent image.
QImage ToolbarImage(int index, IconState state, int pixels = 16);
// The three states as one icon, at 16, 24 and 32 pixels.
QIcon ToolbarIcon(int index);

// The edit modes' toolbar: image `index` (0..5: Select and Move, Edit Flaps, Rotate Part, Join/Disjoin
// Face, Input Text, Set Edge Color); other indices give a transparent image.
constexpr int kModeImageCount = 6;
QImage ModeToolbarImage(int index, IconState state, int pixels = 16);
QIcon ModeToolbarIcon(int index);

// The program's mark, a paper cube folding up, filling `rect`.
void DrawApplicationMark(QPainter& painter, const QRectF& rect);
QIcon ApplicationIcon();

} // namespace tsm
