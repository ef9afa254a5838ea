// Where development millimetres land on a raster: the mapping shared by the raster drawing of the
// development, its bitmap outputs and whatever is drawn on top of them afterwards.
#pragma once

#include "model/Document.h"

namespace tsm {

// pixel x = originX + x * pixelsPerMMX, pixel y = originY + y * pixelsPerMMY, with pixel y counted
// downwards from the top row like development y. Pixel (i, j) covers [i, i + 1) x [j, j + 1).
struct RasterProjection {
    int widthPixels = 0;
    int heightPixels = 0;
    double pixelsPerMMX = 1.0;
    double pixelsPerMMY = 1.0;
    double originX = 0.0;
    double originY = 0.0;
    // For a band of a taller raster: the rows above it and the whole raster's height (0: not a band).
    // GL draws a band through the whole raster's transform moved by whole rows, so that every band
    // rounds exactly as the whole raster would.
    int bandFirstRow = 0;
    int bandOfHeightPixels = 0;

    Point2 ToPixel(const Point2& mm) const;
    Point2 ToDevelopment(const Point2& pixel) const;
    // The development rectangle the raster shows: x, y, width, height in mm.
    void VisibleRect(double rectMM[4]) const;
    // Rows [firstRow, firstRow + rows) of this raster as a raster of their own: same scale, shifted origin.
    RasterProjection Band(int firstRow, int rows) const;
};

// The development's bounding box (its frame) across a raster of width x height pixels, `borderPixels`
// left and right and at the top: scale = (width - 2 x border) / frame width, the same scale vertically.
// A frame without width, or a border that leaves no room, takes the scale 1 instead of dividing by zero.
RasterProjection WholeProjection(const Development& development, int width, int height, int borderPixels);

// `pixelsPerMM` in both directions with development point (leftMM, topMM) at the raster's top left corner.
RasterProjection RegionProjection(int width, int height, double pixelsPerMM, double leftMM, double topMM);

} // namespace tsm
