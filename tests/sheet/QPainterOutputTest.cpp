#include "sheet/QPainterOutput.h"

#include "model/Settings.h"
#include "sheet/VectorLines.h"
#include "tests/sheet/VectorFixture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

using namespace tsm;

namespace {

QImage WhiteImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

TEST(QPainterOutput, DrawsSolidSegmentsWithThePen) {
    QImage image = WhiteImage(40, 30);
    {
        QPainter painter(&image);
        painter.setPen(QPen(Qt::green, 1));
        QPainterOutput out(painter);
        out.Begin();
        out.SetPen({255, 0, 0}, 3);
        out.Segment({5, 10}, {35, 10});
        out.SetPen({0, 0, 255}, 1);
        out.Segment({20, 15}, {20, 25});
        out.End();
        // The caller's pen is back after End.
        EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
        // A stray End pops nothing of the caller's.
        out.End();
        EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
    }
    // The red line is three pixels wide, centred on y = 10, and ends at x = 35 plus its round cap.
    EXPECT_EQ(image.pixelColor(20, 10), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(20, 9), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(20, 13), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(20, 6), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(38, 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(2, 10), QColor(Qt::white));
    // The blue one-pixel line.
    EXPECT_EQ(image.pixelColor(20, 20), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(22, 20), QColor(Qt::white));
}

TEST(QPainterOutput, DrawsTheDevelopmentAtTheRequestedScale) {
    test::TinyDevelopment tiny;
    // 4 pixels per millimetre, origin moved so that the frame (16, 10) lands at (0, 0).
    const double s = 4.0;
    QImage image = WhiteImage(14 * 4 + 1, 10 * 4 + 1);
    {
        QPainter painter(&image);
        painter.translate(-16 * s, -10 * s);
        QPainterOutput out(painter);
        DrawVectorLines(out, tiny.Dev(), Settings(), s, s);
    }
    const auto px = [&](double x, double y) {
        return image.pixelColor(int((x - 16) * s), int((y - 10) * s));
    };
    EXPECT_EQ(px(25, 10), QColor(255, 0, 0)); // red top cut line
    EXPECT_EQ(px(30, 15), QColor(0, 0, 0));   // right cut line
    EXPECT_EQ(px(16, 15), QColor(0, 127, 0)); // flap tip side
    EXPECT_EQ(px(20, 10.5), QColor(0, 0, 0)); // first mountain dash
    EXPECT_EQ(px(23, 17), QColor(Qt::white)); // inside a face
    EXPECT_EQ(px(17, 11), QColor(Qt::white)); // outside, beside the flap
}
