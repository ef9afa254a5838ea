#include "sheet/QPainterOutput.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <tuple>

using namespace tsm;

namespace {

QImage WhiteImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

// What the vector renderer sends is checked in its own tests, and the printed page shows its strokes; here
// the painter's side: pens, widths, caps and the caller's pen left as it was.
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
    // The blue one is one pixel wide.
    const QColor red(255, 0, 0), blue(0, 0, 255), white(Qt::white);
    for (const auto& [x, y, colour] :
         {std::tuple{20, 10, red}, std::tuple{20, 9, red}, std::tuple{20, 13, white},
          std::tuple{20, 6, white}, std::tuple{38, 10, white}, std::tuple{2, 10, white},
          std::tuple{20, 20, blue}, std::tuple{22, 20, white}})
        EXPECT_EQ(image.pixelColor(x, y), colour) << x << ", " << y;
}
