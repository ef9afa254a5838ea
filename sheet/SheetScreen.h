// The development view's picture: grey background, the sheets of paper with their shadow and the dashed
// borders of the printable areas, the development, its overlay, the page labels and, before any model is
// open on a first launch, the welcome text. Also the values the Document Info dialog shows.
#pragma once

#include "model/Document.h"
#include "model/Prompt.h"
#include "model/Settings.h"
#include "sheet/Paper.h"
#include "sheet/RasterProjection.h"
#include "view3d/GLTextures.h"

#include <QImage>
#include <QString>

#include <functional>

#include <string>
#include <vector>

class QPainter;

namespace tsm {

// Zoom in screen pixels per millimetre; pan in millimetres, (0, 0) centring the sheet area.
struct ScreenView {
    int clientWidth = 0;
    int clientHeight = 0;
    double zoom = 1.0;
    double panX = 0.0;
    double panY = 0.0;
};

// What the screen shows: the paper of the current settings and the document's sheet grid (1 x 1 without
// a document).
struct SheetLayout {
    Paper paper;
    int columns = 1;
    int rows = 1;
};
SheetLayout CurrentSheetLayout(const Document* document, const Settings& settings);

// Pan (0, 0) and the zoom that leaves at least 15 pixels on every side: the whole sheet area with a
// development, one sheet's paper without.
ScreenView FitScreenView(int clientWidth, int clientHeight, const SheetLayout& layout, bool hasDevelopment);

// Screen x of a grid x (development x plus the side margin): (gridX - SheetsWidth / 2 + panX) x zoom +
// client width / 2, truncated; likewise for y.
int GridToScreenX(const ScreenView& view, const SheetLayout& layout, double gridX);
int GridToScreenY(const ScreenView& view, const SheetLayout& layout, double gridY);

// Development millimetres on the screen, for the raster drawing and the overlay.
RasterProjection ScreenProjection(const ScreenView& view, const SheetLayout& layout);

constexpr int kSheetShadowPixels = 3;
constexpr float kScreenBackgroundGrey = 0.5f;
constexpr float kPrintableBorderGrey = 0.6f;
// The printable-area borders: 4 pixels drawn, 4 left out, from each line's start.
constexpr unsigned short kPrintableBorderStipple = 0x0F0F;

// Into the current GL context: clears to grey (depth too), then the shadow, the white paper, its black
// outline and the dotted printable borders, all in screen pixels.
void DrawScreenBackground(const ScreenView& view, const SheetLayout& layout);
// The whole raster side of the screen into the current GL context: background, sheets, development with
// picked faces red. `finish` copies the drawing out while the textures made for it still exist. The
// textures come from `keptTextures` when given (a view keeps them from one paint to the next), else they
// are made for this drawing and deleted after it.
void DrawScreenRaster(Document* document, const Settings& settings, const ScreenView& view,
                      const SheetLayout& layout, unsigned fontListBase, const std::function<void()>& finish,
                      TextureCache* keptTextures = nullptr);

// The texts and their order.
extern const char* const kWelcomeLines[4];
// Four lines of "MS Sans Serif" at 10 points, centred in the client area.
void DrawWelcomeText(QPainter& painter, int clientWidth, int clientHeight);

// "p.%d" for each page of the page list (blank sheets left out with skipBlankPages), with its top centre
// at the centre of its sheet's printable area, in device pixels.
struct PageLabel {
    QString text;
    QPointF topCentre;
};
std::vector<PageLabel> BuildPageLabels(const Document& document, const Settings& settings,
                                       const SheetLayout& layout, const RasterProjection& projection);
// Blue "MS Sans Serif" at 14 points on an opaque white ground.
void DrawPageLabels(QPainter& painter, const std::vector<PageLabel>& labels);

// Steps of the view's paint after the raster: the overlay in screen mode, the page labels when "Show Page
// Number" (drawPageNumbers) is on, and the welcome text when no model is open and firstLaunch is set.
void DrawScreenOverlay(QPainter& painter, const Document* document, const Settings& settings,
                       const ScreenView& view);

// The whole picture of the development view at the view's client size, rendered off screen. A null image
// when the renderer failed (its messages went through `prompt`).
QImage RenderScreenImage(Document* document, const Settings& settings, const ScreenView& view,
                         IPrompt& prompt);

// The Document Info dialog's values.
enum class LineSwatchKind { Solid, Dashed, None };
struct LineSwatch {
    LineSwatchKind kind = LineSwatchKind::Solid;
    double patternMM[6] = {0, 0, 0, 0, 0, 0}; // the dash pattern when dashed
};
struct DevelopmentInfo {
    int faceCount = 0;
    int partCount = 0;
    std::string paperType; // "A4 Portrait"; codes without a listed name give " Portrait"
    LineSwatch cut;
    LineSwatch mountain;
    LineSwatch valley;
};
DevelopmentInfo GetDevelopmentInfo(const Document* document, const Settings& settings);

// A swatch across the middle of `rect`: a one-pixel black line, solid or dashed with its pattern at
// `pixelsPerMM`, or the centred text "None".
void DrawLineSwatch(QPainter& painter, const QRect& rect, const LineSwatch& swatch, double pixelsPerMM);

} // namespace tsm
