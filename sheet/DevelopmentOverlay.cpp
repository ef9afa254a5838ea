#include "sheet/DevelopmentOverlay.h"

#include "model/Settings.h"
#include "sheet/CodePage.h"
#include "sheet/DevelopmentRaster.h"
#include "sheet/EdgeLabelDrawing.h"
#include "sheet/PartNumberLabels.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMillimetresPerInch = 25.4;
constexpr double kPointsPerInch = 72.0;
constexpr double kMillimetresPerPoint = kMillimetresPerInch / kPointsPerInch;
// Beyond this many pixels per em a text covers far more than any device; damaged files must not make the
// painter build glyphs that large.
constexpr double kLargestEmPixels = 20000.0;

QColor FromColorRef(int32_t colorRef) {
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

QFont FontFor(const QString& family, double deviceSize, int dpiY) {
    QFont font(family);
    const double largest = kLargestEmPixels * kPointsPerInch / std::max(1, dpiY);
    font.setPointSizeF(std::min(deviceSize, largest));
    return font;
}

void AddTexts(std::vector<OverlayItem>& items, const Document& document, const Development& development,
              const RasterProjection& projection, OverlayMode mode, const QPaintDevice& device) {
    const int dpiY = device.logicalDpiY();
    for (const auto& block : development.texts) {
        if (block == nullptr) continue;
        const QColor colour = FromColorRef(block->color);
        const double size = OverlayFontSize(block->fontSize, projection.pixelsPerMMY, dpiY);
        if (size >= kSmallestTextSize) {
            const size_t n = block->lines.size();
            if (n == 0) continue;
            const QFont font = FontFor(DecodeModelString(block->fontName, document.writerLocale), size, dpiY);
            const double ascent = QFontMetricsF(font, const_cast<QPaintDevice*>(&device)).ascent();
            const double lineHeight = (block->rect[3] - (n - 1) * double(block->lineSpacing)) / n;
            for (size_t i = 0; i < n; ++i) {
                const double top = block->rect[1] + (block->lineSpacing + lineHeight) * i;
                const Point2 p = projection.ToPixel({block->rect[0], top});
                OverlayItem item;
                item.kind = OverlayItem::Kind::Text;
                item.text = DecodeModelString(block->lines[i], document.writerLocale);
                item.font = font;
                item.colour = colour;
                // Whole device pixels, as text output on a device context takes them; the line's top is
                // given, the painter wants its baseline.
                item.origin = QPointF(std::trunc(p.x), std::trunc(p.y) + ascent);
                items.push_back(item);
            }
        } else if (mode == OverlayMode::Screen) {
            const Point2 a = projection.ToPixel({block->rect[0], block->rect[1]});
            const Point2 b =
                projection.ToPixel({block->rect[0] + block->rect[2], block->rect[1] + block->rect[3]});
            if (!std::isfinite(a.x + a.y + b.x + b.y)) continue;
            const auto pixel = [](double v) { return static_cast<int>(std::clamp(v, -1e8, 1e8)); };
            OverlayItem item;
            item.kind = OverlayItem::Kind::Rect;
            item.colour = colour;
            const int left = pixel(std::min(a.x, b.x)), top = pixel(std::min(a.y, b.y));
            item.rect = QRect(left, top, pixel(std::max(a.x, b.x)) - left, pixel(std::max(a.y, b.y)) - top);
            items.push_back(item);
        }
    }
}

// The readable labels at their own sizes, centred on their places, each leader under its label.
void AddReadableLabels(std::vector<OverlayItem>& items, const Development& development,
                       const Settings& settings, const RasterProjection& projection,
                       const QPaintDevice& device) {
    const int dpiY = device.logicalDpiY();
    for (const EdgeLabel& label : ReadableEdgeLabels(development, settings)) {
        const Point2 centre = projection.ToPixel(label.centreMM);
        const double size =
            OverlayFontSize(label.sizeMM / kMillimetresPerPoint, projection.pixelsPerMMY, dpiY);
        if (!std::isfinite(centre.x + centre.y) || !(size > kSmallestEdgeIdSize)) continue;
        if (label.spot == EdgeLabelSpot::Leader) {
            const Point2 a = projection.ToPixel(label.leaderStartMM),
                         b = projection.ToPixel(label.leaderEndMM);
            OverlayItem leader;
            leader.kind = OverlayItem::Kind::Line;
            leader.colour = QColor(0x60, 0x60, 0x60);
            leader.origin = QPointF(a.x, a.y);
            leader.end = QPointF(b.x, b.y);
            leader.edgeId = label.edgeId;
            items.push_back(leader);
        }
        OverlayItem item;
        item.kind = OverlayItem::Kind::Text;
        item.edgeId = label.edgeId;
        item.text = QString::fromStdString(label.text);
        item.font = FontFor(QStringLiteral("Arial"), size, dpiY);
        item.colour = Qt::black;
        item.angleDegrees = label.angle * 180.0 / kPi;
        const double width =
            QFontMetricsF(item.font, const_cast<QPaintDevice*>(&device)).horizontalAdvance(item.text);
        // Half the width back along the baseline, and half a cap height down from the box's middle.
        const double dx = -width / 2, dy = kLabelCapHeightEm / 2 * label.sizeMM * projection.pixelsPerMMY;
        const double c = std::cos(label.angle), s = std::sin(label.angle);
        item.origin = QPointF(centre.x + dx * c - dy * s, centre.y + dx * s + dy * c);
        items.push_back(item);
    }
}

void AddEdgeIds(std::vector<OverlayItem>& items, const Development& development, const Settings& settings,
                const RasterProjection& projection, const QPaintDevice& device) {
    if (!settings.drawEdgeIds || settings.drawEdgeIdsWithGL) return;
    const int dpiY = device.logicalDpiY();
    const double size = OverlayFontSize(settings.edgeIdFontSizePt, projection.pixelsPerMMY, dpiY);
    if (!(size > kSmallestEdgeIdSize)) return;
    if (ShowsReadableEdgeLabels(settings)) {
        AddReadableLabels(items, development, settings, projection, device);
        return;
    }
    const QFont font = FontFor(QStringLiteral("Arial"), size, dpiY);
    const QFontMetricsF metrics(font, const_cast<QPaintDevice*>(&device));
    const double lift = kEdgeIdLiftEm * font.pointSizeF() * dpiY / kPointsPerInch;
    // Which end is A decides on which side of the edge the number stands.
    ForEachEdgeIdPlacement(development, settings, [&](int edgeId, const EdgeIdPlacement& placement) {
        const Point2 mid = projection.ToPixel(placement.midpointMM);
        if (!std::isfinite(mid.x + mid.y + placement.angle)) return;
        // The angle turns counter-clockwise as seen; the painter turns clockwise.
        const double phi = -placement.angle;
        const double c = std::cos(phi), s = std::sin(phi);

        OverlayItem item;
        item.kind = OverlayItem::Kind::Text;
        item.edgeId = edgeId;
        item.text = QString::number(item.edgeId);
        item.font = font;
        item.colour = Qt::black;
        item.angleDegrees = phi * 180.0 / kPi;
        // Half the measured width back along the baseline, and the lift up the glyphs' side.
        const double dx = -metrics.horizontalAdvance(item.text) / 2;
        const double dy = -lift;
        item.origin = QPointF(mid.x, mid.y) + QPointF(dx * c - dy * s, dx * s + dy * c);
        items.push_back(item);
    });
}

} // namespace

double OverlayFontSize(double points, double pixelsPerMM, double deviceDpiY) {
    if (!(deviceDpiY > 0)) return 0.0;
    const double size = points * pixelsPerMM / (deviceDpiY / kMillimetresPerInch);
    return std::isfinite(size) ? size : 0.0;
}

std::vector<OverlayItem> BuildOverlay(const Document& document, const Settings& settings,
                                      const RasterProjection& projection, OverlayMode mode,
                                      const QPaintDevice& device) {
    std::vector<OverlayItem> items;
    if (document.development == nullptr) return items;
    AddTexts(items, document, *document.development, projection, mode, device);
    AddEdgeIds(items, *document.development, settings, projection, device);
    return items;
}

void PaintOverlay(QPainter& painter, const std::vector<OverlayItem>& items) {
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setBrush(Qt::NoBrush);
    for (const OverlayItem& item : items) {
        if (item.kind == OverlayItem::Kind::Rect) {
            // One whole pixel on each side, as a device pen draws it, whatever the caller's hints.
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(item.colour, 0));
            painter.drawRect(item.rect);
            continue;
        }
        if (item.kind == OverlayItem::Kind::Line) {
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(QPen(item.colour, 0));
            painter.drawLine(item.origin, item.end);
            continue;
        }
        painter.setPen(item.colour);
        painter.setFont(item.font);
        if (item.angleDegrees == 0.0) {
            painter.drawText(item.origin, item.text);
        } else {
            painter.save();
            painter.translate(item.origin);
            painter.rotate(item.angleDegrees);
            painter.drawText(QPointF(0, 0), item.text);
            painter.restore();
        }
    }
    painter.restore();
}

void DrawOverlay(QPainter& painter, const Document& document, const Settings& settings,
                 const RasterProjection& projection, OverlayMode mode) {
    if (painter.device() == nullptr) return;
    PaintOverlay(painter, BuildOverlay(document, settings, projection, mode, *painter.device()));
    if (settings.drawPartNumbers && document.development != nullptr)
        PaintPartNumbers(painter, *document.development, projection);
}

} // namespace tsm
