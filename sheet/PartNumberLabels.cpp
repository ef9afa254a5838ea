#include "sheet/PartNumberLabels.h"

#include "sheet/SvgExport.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tsm {

namespace {

// The baseline stands this many font sizes below the centre, so that the digits' middle is on it.
constexpr double kHalfCapHeightEm = 0.35;

} // namespace

std::string SvgPartNumbers(const Development& development) {
    std::string out;
    for (const PartNumberPlace& place :
         PlacePartNumbers(development, kLargestPartNumberMM, kSmallestPartNumberMM))
        out += "<text x=\"" + SvgNumber(place.centreMM.x) + "\" y=\"" +
               SvgNumber(place.centreMM.y + kHalfCapHeightEm * place.sizeMM) + "\" font-size=\"" +
               SvgNumber(place.sizeMM) + "\">" + std::to_string(place.number) + "</text>\n";
    if (out.empty()) return out;
    return "<g font-family=\"Arial\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"#1f3f9f\">\n" + out +
           "</g>\n";
}

void PaintPartNumbers(QPainter& painter, const Development& development, const RasterProjection& projection) {
    painter.save();
    painter.setPen(QColor(0x1f, 0x3f, 0x9f));
    for (const PartNumberPlace& place :
         PlacePartNumbers(development, kLargestPartNumberMM, kSmallestPartNumberMM)) {
        const Point2 centre = projection.ToPixel(place.centreMM);
        const double pixels = place.sizeMM * projection.pixelsPerMMY;
        // Sizes beyond a page's pixels are damaged input, not numbers anyone prints.
        if (!std::isfinite(centre.x + centre.y) || !(pixels >= 1 && pixels < 1e5)) continue;
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(static_cast<int>(std::lround(pixels)));
        font.setBold(true);
        painter.setFont(font);
        const QString text = QString::number(place.number);
        const double width = QFontMetricsF(font).horizontalAdvance(text);
        painter.drawText(QPointF(centre.x - width / 2, centre.y + kHalfCapHeightEm * pixels), text);
    }
    painter.restore();
}

} // namespace tsm
