#include "sheet/SheetScreen.h"

#include "sheet/DevelopmentOverlay.h"
#include "sheet/DevelopmentRaster.h"
#include "sheet/PageList.h"
#include "sheet/VectorLines.h"
#include "view3d/OffscreenBitmap.h"

#include <GL/gl.h>

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tsm {

const char* const kWelcomeLines[4] = {
    "Welcome to Tessaly.",
    "Short description is displayed on the status bar.",
    "Please see them as a hint of operation.",
    " ",
};

namespace {

// Pixels kept free on each side when the view fits its content.
constexpr int kFitMarginPixels = 15;
constexpr int kWelcomePointSize = 10;
constexpr int kPageLabelPointSize = 14;

int TruncatePixel(double value) {
    if (!std::isfinite(value)) return 0;
    // Far outside any client area, still far inside int: GL gets coordinates it can take.
    return static_cast<int>(std::clamp(value, -1e8, 1e8));
}

void FillRect(int x0, int y0, int x1, int y1) {
    glBegin(GL_QUADS);
    glVertex2i(x0, y0);
    glVertex2i(x1, y0);
    glVertex2i(x1, y1);
    glVertex2i(x0, y1);
    glEnd();
}

// The rectangle (x0, y0)-(x1, y1) where the rectangle (cx0, cy0)-(cx1, cy1) does not lie, in up to four
// pieces: what a fill of the whole would leave showing once the other is filled over it, without paying
// for the hidden pixels. Whole-pixel corners make the pieces cover exactly the same pixels.
void FillOutside(int x0, int y0, int x1, int y1, int cx0, int cy0, int cx1, int cy1) {
    // A quad fills the same pixels whichever way round its corners are given.
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    if (cx1 < cx0) std::swap(cx0, cx1);
    if (cy1 < cy0) std::swap(cy0, cy1);
    if (x1 == x0 || y1 == y0) return;
    if (cx1 <= cx0 || cy1 <= cy0 || cx1 <= x0 || x1 <= cx0 || cy1 <= y0 || y1 <= cy0) {
        FillRect(x0, y0, x1, y1);
        return;
    }
    const int top = std::max(y0, cy0), bottom = std::min(y1, cy1);
    if (y0 < top) FillRect(x0, y0, x1, top);
    if (bottom < y1) FillRect(x0, bottom, x1, y1);
    if (x0 < cx0) FillRect(x0, top, cx0, bottom);
    if (cx1 < x1) FillRect(cx1, top, x1, bottom);
}

QFont ScreenFont(int pointSize) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(pointSize);
    return font;
}

} // namespace

SheetLayout CurrentSheetLayout(const Document* document, const Settings& settings) {
    SheetLayout layout;
    layout.paper = Paper::FromSettings(settings);
    if (document != nullptr) {
        layout.columns = std::clamp<int32_t>(document->sheetColumns, 1, kMaxSheetsPerAxis);
        layout.rows = std::clamp<int32_t>(document->sheetRows, 1, kMaxSheetsPerAxis);
    }
    return layout;
}

ScreenView FitScreenView(int clientWidth, int clientHeight, const SheetLayout& layout, bool hasDevelopment) {
    ScreenView view;
    view.clientWidth = clientWidth;
    view.clientHeight = clientHeight;
    const double contentWidth =
        hasDevelopment ? layout.paper.SheetsWidth(layout.columns) : layout.paper.PaperWidth();
    const double contentHeight =
        hasDevelopment ? layout.paper.SheetsHeight(layout.rows) : layout.paper.PaperHeight();
    const double zoom = std::min((clientWidth - 2.0 * kFitMarginPixels) / contentWidth,
                                 (clientHeight - 2.0 * kFitMarginPixels) / contentHeight);
    // A client smaller than the margins, or paper without size, has no fitting zoom; one pixel per
    // millimetre still shows something.
    view.zoom = (zoom > 0 && std::isfinite(zoom)) ? zoom : 1.0;
    return view;
}

int GridToScreenX(const ScreenView& view, const SheetLayout& layout, double gridX) {
    return TruncatePixel((gridX - layout.paper.SheetsWidth(layout.columns) / 2 + view.panX) * view.zoom +
                         view.clientWidth / 2.0);
}

int GridToScreenY(const ScreenView& view, const SheetLayout& layout, double gridY) {
    return TruncatePixel((gridY - layout.paper.SheetsHeight(layout.rows) / 2 + view.panY) * view.zoom +
                         view.clientHeight / 2.0);
}

RasterProjection ScreenProjection(const ScreenView& view, const SheetLayout& layout) {
    RasterProjection projection;
    projection.widthPixels = view.clientWidth;
    projection.heightPixels = view.clientHeight;
    projection.pixelsPerMMX = view.zoom;
    projection.pixelsPerMMY = view.zoom;
    projection.originX =
        (layout.paper.sideMarginMM - layout.paper.SheetsWidth(layout.columns) / 2 + view.panX) * view.zoom +
        view.clientWidth / 2.0;
    projection.originY =
        (layout.paper.topMarginMM - layout.paper.SheetsHeight(layout.rows) / 2 + view.panY) * view.zoom +
        view.clientHeight / 2.0;
    return projection;
}

void DrawScreenBackground(const ScreenView& view, const SheetLayout& layout) {
    glViewport(0, 0, view.clientWidth, view.clientHeight);
    glClearColor(kScreenBackgroundGrey, kScreenBackgroundGrey, kScreenBackgroundGrey, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Screen pixels, y downwards: integer coordinates are pixel corners.
    glOrtho(0, view.clientWidth, view.clientHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
    // The paper is the background: it writes no depth, so everything drawn later lies on top.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_LINE_SMOOTH);

    const Paper& paper = layout.paper;
    const Point2 corner = paper.SheetCorner(layout.columns, layout.rows);
    const int x0 = GridToScreenX(view, layout, 0.0);
    const int y0 = GridToScreenY(view, layout, 0.0);
    const int x1 = GridToScreenX(view, layout, corner.x);
    const int y1 = GridToScreenY(view, layout, corner.y);

    glColor3f(0.0f, 0.0f, 0.0f);
    FillOutside(x0 + kSheetShadowPixels, y0 + kSheetShadowPixels, x1 + kSheetShadowPixels,
                y1 + kSheetShadowPixels, x0, y0, x1, y1);
    glColor3f(1.0f, 1.0f, 1.0f);
    FillRect(x0, y0, x1, y1);
    // The outline on the paper's own edge pixels, one pixel wide, drawn as fills so that no corner pixel
    // depends on how lines end.
    glColor3f(0.0f, 0.0f, 0.0f);
    FillRect(x0, y0, x1, y0 + 1);
    FillRect(x0, y1 - 1, x1, y1);
    FillRect(x0, y0, x0 + 1, y1);
    FillRect(x1 - 1, y0, x1, y1);

    const double pw = paper.PrintableWidth();
    const double ph = paper.PrintableHeight();
    const double side = paper.sideMarginMM;
    const double top = paper.topMarginMM;
    glColor3f(kPrintableBorderGrey, kPrintableBorderGrey, kPrintableBorderGrey);
    glEnable(GL_LINE_STIPPLE);
    glLineStipple(1, kPrintableBorderStipple);
    glLineWidth(1.0f);
    glBegin(GL_LINES);
    const int topY = GridToScreenY(view, layout, top);
    const int bottomY = GridToScreenY(view, layout, top + layout.rows * ph);
    for (int i = 0; i <= layout.columns; ++i) {
        const int x = GridToScreenX(view, layout, side + i * pw);
        glVertex2d(x + 0.5, topY + 0.5);
        glVertex2d(x + 0.5, bottomY + 0.5);
    }
    const int leftX = GridToScreenX(view, layout, side);
    const int rightX = GridToScreenX(view, layout, side + layout.columns * pw);
    for (int j = 0; j <= layout.rows; ++j) {
        const int y = GridToScreenY(view, layout, top + j * ph);
        glVertex2d(leftX + 0.5, y + 0.5);
        glVertex2d(rightX + 0.5, y + 0.5);
    }
    glEnd();

    glPopAttrib();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void DrawWelcomeText(QPainter& painter, int clientWidth, int clientHeight) {
    if (painter.device() == nullptr) return;
    painter.save();
    const QFont font = ScreenFont(kWelcomePointSize);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetricsF metrics(font, painter.device());
    const double lineHeight = metrics.lineSpacing();
    // The four lines as one block around the middle, each centred on its baseline.
    const double blockTop = clientHeight / 2.0 - 2 * lineHeight;
    for (int i = 0; i < 4; ++i) {
        const QString line = QString::fromLatin1(kWelcomeLines[i]);
        const double baseline = blockTop + i * lineHeight + metrics.ascent();
        painter.drawText(QPointF(clientWidth / 2.0 - metrics.horizontalAdvance(line) / 2, baseline), line);
    }
    painter.restore();
}

std::vector<PageLabel> BuildPageLabels(const Document& document, const Settings& settings,
                                       const SheetLayout& layout, const RasterProjection& projection) {
    std::vector<PageLabel> labels;
    const std::vector<SheetIndex> pages = BuildPageList(document, layout.paper, settings.skipBlankPages);
    const double pw = layout.paper.PrintableWidth();
    const double ph = layout.paper.PrintableHeight();
    for (size_t n = 0; n < pages.size(); ++n) {
        const Point2 centre = projection.ToPixel({(pages[n].column + 0.5) * pw, (pages[n].row + 0.5) * ph});
        labels.push_back({QStringLiteral("p.%1").arg(n + 1), QPointF(centre.x, centre.y)});
    }
    return labels;
}

void DrawPageLabels(QPainter& painter, const std::vector<PageLabel>& labels) {
    if (painter.device() == nullptr || labels.empty()) return;
    painter.save();
    const QFont font = ScreenFont(kPageLabelPointSize);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 255));
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    const QFontMetricsF metrics(font, painter.device());
    for (const PageLabel& label : labels) {
        const double x = TruncatePixel(label.topCentre.x()) - metrics.horizontalAdvance(label.text) / 2;
        const double baseline = TruncatePixel(label.topCentre.y()) + metrics.ascent();
        painter.drawText(QPointF(x, baseline), label.text);
    }
    painter.restore();
}

void DrawScreenOverlay(QPainter& painter, const Document* document, const Settings& settings,
                       const ScreenView& view) {
    if (document == nullptr) {
        if (settings.firstLaunch) DrawWelcomeText(painter, view.clientWidth, view.clientHeight);
        return;
    }
    if (document->development == nullptr) return;
    const SheetLayout layout = CurrentSheetLayout(document, settings);
    const RasterProjection projection = ScreenProjection(view, layout);
    DrawOverlay(painter, *document, settings, projection, OverlayMode::Screen);
    if (settings.drawPageNumbers)
        DrawPageLabels(painter, BuildPageLabels(*document, settings, layout, projection));
}

void DrawScreenRaster(Document* document, const Settings& settings, const ScreenView& view,
                      const SheetLayout& layout, unsigned fontListBase, const std::function<void()>& finish,
                      TextureCache* keptTextures) {
    DrawScreenBackground(view, layout);
    // Textures made in this context must go before it does.
    TextureCache textures(TextureSource::BitmapFirst);
    if (document != nullptr && document->development != nullptr) {
        RasterTarget target;
        target.projection = ScreenProjection(view, layout);
        target.textures = keptTextures != nullptr ? keptTextures : &textures;
        target.fontListBase = fontListBase;
        RasterMode mode;
        mode.bitmapMode = false;
        mode.highlightPicked = true;
        DrawRaster(*document, settings, target, mode);
    }
    finish();
    textures.Release();
}

QImage RenderScreenImage(Document* document, const Settings& settings, const ScreenView& view,
                         IPrompt& prompt) {
    if (view.clientWidth <= 0 || view.clientHeight <= 0) return {};
    OffscreenBitmap renderer(prompt, view.clientWidth, view.clientHeight);
    if (!renderer.Begin()) return {};
    const SheetLayout layout = CurrentSheetLayout(document, settings);
    DrawScreenRaster(document, settings, view, layout, renderer.FontListBase(),
                     [&renderer] { renderer.Finish(); });
    QImage image = renderer.ToImage();
    renderer.End();
    if (image.isNull()) return image;
    QPainter painter(&image);
    DrawScreenOverlay(painter, document, settings, view);
    return image;
}

DevelopmentInfo GetDevelopmentInfo(const Document* document, const Settings& settings) {
    DevelopmentInfo info;
    if (document != nullptr && document->model != nullptr)
        for (const auto& solid : document->model->solids)
            if (solid != nullptr) info.faceCount += static_cast<int>(solid->faces.size());
    if (document != nullptr && document->development != nullptr)
        info.partCount = static_cast<int>(document->development->parts.size());

    // Letter, legal and custom sizes have no name here, only the orientation.
    const int code = settings.paperSize;
    info.paperType = code >= kPaperA4 && code <= kPaperB1 ? Paper::SizeName(code) : "";
    info.paperType += settings.paperOrientation != 0 ? " Landscape" : " Portrait";

    info.cut.kind = settings.cutLineStyle == kLineNone ? LineSwatchKind::None : LineSwatchKind::Solid;
    const auto fold = [](int32_t style, const double(&pattern)[6], LineSwatch& swatch) {
        swatch.kind = style == kLineSolid  ? LineSwatchKind::Solid
                      : style == kLineNone ? LineSwatchKind::None
                                           : LineSwatchKind::Dashed;
        if (swatch.kind == LineSwatchKind::Dashed) std::copy(pattern, pattern + 6, swatch.patternMM);
    };
    fold(settings.mountainLineStyle, settings.mountainDash, info.mountain);
    fold(settings.valleyLineStyle, settings.valleyDash, info.valley);
    return info;
}

void DrawLineSwatch(QPainter& painter, const QRect& rect, const LineSwatch& swatch, double pixelsPerMM) {
    painter.save();
    if (swatch.kind == LineSwatchKind::None) {
        painter.setPen(Qt::black);
        painter.drawText(rect, Qt::AlignCenter, QStringLiteral("None"));
    } else {
        // One pixel row across the middle; dashes as spans of whole pixels from their start to their end.
        const double y = rect.top() + rect.height() / 2;
        const double left = rect.left();
        if (swatch.kind == LineSwatchKind::Solid) {
            painter.fillRect(QRectF(left, y, rect.width(), 1), Qt::black);
        } else if (pixelsPerMM > 0 && std::isfinite(pixelsPerMM)) {
            for (const DashSpan& dash : WalkDashes(rect.width() / pixelsPerMM, swatch.patternMM, 6))
                painter.fillRect(
                    QRectF(left + dash.from * pixelsPerMM, y, (dash.to - dash.from) * pixelsPerMM, 1),
                    Qt::black);
        }
    }
    painter.restore();
}

} // namespace tsm
