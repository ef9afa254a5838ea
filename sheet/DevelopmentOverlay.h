// What is drawn on top of the development's raster with a painter: the free texts and the edge ID numbers.
// The same overlay goes on the screen, on printed pages and on the bitmap outputs; on screen, texts too
// small to read are shown as their outline rectangles instead.
#pragma once

#include "model/Document.h"
#include "sheet/RasterProjection.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRect>
#include <QString>

#include <vector>

class QPainter;
class QPaintDevice;

namespace tsm {

enum class OverlayMode { Print, Screen };

// Texts at or above this size on the device are written, smaller ones are outlined on screen.
constexpr double kSmallestTextSize = 4.0;
// Edge IDs are written only above this size on the device.
constexpr double kSmallestEdgeIdSize = 3.0;
// The edge ID's baseline stands this many font sizes off its edge, as in the EPS output.
constexpr double kEdgeIdLiftEm = 0.2 * 0.7;

// One drawing step of the overlay, in device pixels.
struct OverlayItem {
    enum class Kind { Text, Rect, Line };
    Kind kind = Kind::Text;
    QString text;
    QFont font; // its point size is meant for the device the overlay was built for
    QColor colour;
    QPointF origin;            // Text: the start of the baseline, before rotation about itself
    double angleDegrees = 0.0; // Text: clockwise on the device, as the painter turns
    QRect rect;                // Rect: outlined with a one-pixel pen
    QPointF end;               // Line: a leader from `origin` to here, drawn thin and grey
    int edgeId = -1;           // the number an edge ID item shows, -1 for texts
};

// The size of a font on the device: points x device pixels per mm / (device pixels per inch / 25.4), that
// is the point size that makes the text as large on the device as it is on the development.
double OverlayFontSize(double points, double pixelsPerMM, double deviceDpiY);

// The items in drawing order: texts in list order, then edge IDs part by part, face by face, corner by
// corner (as written, or the readable labels with their leaders). `device` gives the resolution and the font
// metrics; settings come from `settings`.
std::vector<OverlayItem> BuildOverlay(const Document& document, const Settings& settings,
                                      const RasterProjection& projection, OverlayMode mode,
                                      const QPaintDevice& device);

// Draws the items with a transparent background; the painter's state is restored afterwards.
void PaintOverlay(QPainter& painter, const std::vector<OverlayItem>& items);

// BuildOverlay for the painter's device, then PaintOverlay, then the part numbers when the settings show
// them.
void DrawOverlay(QPainter& painter, const Document& document, const Settings& settings,
                 const RasterProjection& projection, OverlayMode mode);

} // namespace tsm
