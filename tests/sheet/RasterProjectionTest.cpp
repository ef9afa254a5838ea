#include "sheet/RasterProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tsm {
namespace {

void ExpectPoint(const Point2& actual, double x, double y) {
    EXPECT_NEAR(actual.x, x, 1e-9);
    EXPECT_NEAR(actual.y, y, 1e-9);
}

TEST(RasterProjection, WholeDevelopmentFillsTheWidthLessTheBorders) {
    Development development;
    const double frame[4] = {10, 20, 100, 50};
    std::copy(frame, frame + 4, development.frame);
    // (210 - 2 x 5) / 100 = 2 pixels per mm; the frame's corners land on the borders.
    const RasterProjection p = WholeProjection(development, 210, 110, 5);
    EXPECT_EQ(
        (std::vector<double>{double(p.widthPixels), double(p.heightPixels), p.pixelsPerMMX, p.pixelsPerMMY}),
        (std::vector<double>{210, 110, 2, 2}));
    ExpectPoint(p.ToPixel({10, 20}), 5, 5);
    ExpectPoint(p.ToPixel({110, 70}), 205, 105);
    // Without a border the frame spans the whole width.
    const RasterProjection q = WholeProjection(development, 300, 150, 0);
    ExpectPoint(q.ToPixel({10, 20}), 0, 0);
    ExpectPoint(q.ToPixel({110, 20}), 300, 0);
}

TEST(RasterProjection, DegenerateWholeProjectionsKeepAUsableScale) {
    Development development; // empty: a frame without width
    RasterProjection p = WholeProjection(development, 100, 100, 5);
    EXPECT_DOUBLE_EQ(p.pixelsPerMMX, 1.0);
    ExpectPoint(p.ToPixel({0, 0}), 5, 5);
    // Borders that leave no room, and a frame of NaN (damaged file): scale 1, finite origin.
    development.frame[2] = 50;
    EXPECT_DOUBLE_EQ(WholeProjection(development, 10, 10, 5).pixelsPerMMX, 1.0);
    EXPECT_DOUBLE_EQ(WholeProjection(development, 10, 10, 8).pixelsPerMMX, 1.0);
    development.frame[0] = std::numeric_limits<double>::quiet_NaN();
    development.frame[2] = std::numeric_limits<double>::infinity();
    p = WholeProjection(development, 100, 100, 5);
    EXPECT_TRUE(std::isfinite(p.pixelsPerMMX) && p.pixelsPerMMX > 0);
    EXPECT_TRUE(std::isfinite(p.originX));
}

TEST(RasterProjection, RegionPutsItsCornerAtTheTopLeft) {
    // Sheet (1, 1) of A4 with margins 15 at 2 pixels per mm: printable 180 x 267 mm.
    const RasterProjection p = RegionProjection(360, 534, 2.0, 180, 267);
    ExpectPoint(p.ToPixel({180, 267}), 0, 0);
    ExpectPoint(p.ToPixel({360, 534}), 360, 534);
    double rect[4];
    p.VisibleRect(rect);
    EXPECT_EQ(std::vector<double>(rect, rect + 4), (std::vector<double>{180, 267, 180, 267}));
    // A scale that is not positive would map everything onto one point: it becomes 1.
    EXPECT_DOUBLE_EQ(RegionProjection(10, 10, 0.0, 0, 0).pixelsPerMMX, 1.0);
    EXPECT_DOUBLE_EQ(RegionProjection(10, 10, -3.0, 0, 0).pixelsPerMMY, 1.0);
}

TEST(RasterProjection, RoundTripAndBands) {
    RasterProjection p = RegionProjection(400, 300, 3.5, -12.25, 40);
    for (const Point2 mm : {Point2{0, 0}, Point2{-12.25, 40}, Point2{77.1, 3.3}}) {
        const Point2 back = p.ToDevelopment(p.ToPixel(mm));
        ExpectPoint(back, mm.x, mm.y);
    }
    // Rows 100 to 149 as a raster of their own: the same point lies 100 rows higher in it.
    const RasterProjection band = p.Band(100, 50);
    EXPECT_EQ(std::make_pair(band.widthPixels, band.heightPixels), std::make_pair(400, 50));
    const Point2 mm{20, 75};
    ExpectPoint(band.ToPixel(mm), p.ToPixel(mm).x, p.ToPixel(mm).y - 100);
    double rect[4];
    band.VisibleRect(rect);
    EXPECT_NEAR(rect[1], 40 + 100 / 3.5, 1e-9);
    EXPECT_NEAR(rect[3], 50 / 3.5, 1e-9);
    // The band remembers where it lies in the whole raster, also when cut again.
    const RasterProjection inner = band.Band(10, 20);
    EXPECT_EQ((std::vector<int>{band.bandFirstRow, band.bandOfHeightPixels, inner.bandFirstRow,
                                inner.bandOfHeightPixels}),
              (std::vector<int>{100, 300, 110, 300}));
    ExpectPoint(inner.ToPixel(mm), p.ToPixel(mm).x, p.ToPixel(mm).y - 110);
    EXPECT_EQ(p.bandOfHeightPixels, 0);
    // A projection with a broken scale still maps back without dividing by zero.
    p.pixelsPerMMX = 0;
    EXPECT_TRUE(std::isfinite(p.ToDevelopment({10, 10}).x));
}

} // namespace
} // namespace tsm
