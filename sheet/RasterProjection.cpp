#include "sheet/RasterProjection.h"

#include <cmath>

namespace tsm {

namespace {

bool UsableScale(double scale) {
    return scale > 0.0 && std::isfinite(scale);
}

double Finite(double value) {
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

Point2 RasterProjection::ToPixel(const Point2& mm) const {
    return {originX + mm.x * pixelsPerMMX, originY + mm.y * pixelsPerMMY};
}

Point2 RasterProjection::ToDevelopment(const Point2& pixel) const {
    const double sx = UsableScale(pixelsPerMMX) ? pixelsPerMMX : 1.0;
    const double sy = UsableScale(pixelsPerMMY) ? pixelsPerMMY : 1.0;
    return {(pixel.x - originX) / sx, (pixel.y - originY) / sy};
}

void RasterProjection::VisibleRect(double rectMM[4]) const {
    const Point2 topLeft = ToDevelopment({0.0, 0.0});
    const Point2 bottomRight = ToDevelopment({double(widthPixels), double(heightPixels)});
    rectMM[0] = topLeft.x;
    rectMM[1] = topLeft.y;
    rectMM[2] = bottomRight.x - topLeft.x;
    rectMM[3] = bottomRight.y - topLeft.y;
}

RasterProjection RasterProjection::Band(int firstRow, int rows) const {
    RasterProjection band = *this;
    band.heightPixels = rows;
    band.originY = originY - firstRow;
    band.bandFirstRow = bandFirstRow + firstRow;
    if (bandOfHeightPixels == 0) band.bandOfHeightPixels = heightPixels;
    return band;
}

RasterProjection WholeProjection(const Development& development, int width, int height, int borderPixels) {
    const double frameWidth = development.frame[2];
    double scale = frameWidth > 0.0 ? (width - 2.0 * borderPixels) / frameWidth : 1.0;
    if (!UsableScale(scale)) scale = 1.0;
    RasterProjection projection;
    projection.widthPixels = width;
    projection.heightPixels = height;
    projection.pixelsPerMMX = scale;
    projection.pixelsPerMMY = scale;
    projection.originX = borderPixels - Finite(development.frame[0]) * scale;
    projection.originY = borderPixels - Finite(development.frame[1]) * scale;
    return projection;
}

RasterProjection RegionProjection(int width, int height, double pixelsPerMM, double leftMM, double topMM) {
    const double scale = UsableScale(pixelsPerMM) ? pixelsPerMM : 1.0;
    RasterProjection projection;
    projection.widthPixels = width;
    projection.heightPixels = height;
    projection.pixelsPerMMX = scale;
    projection.pixelsPerMMY = scale;
    projection.originX = -Finite(leftMM) * scale;
    projection.originY = -Finite(topMM) * scale;
    return projection;
}

} // namespace tsm
