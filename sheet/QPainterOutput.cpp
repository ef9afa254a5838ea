#include "sheet/QPainterOutput.h"

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace tsm {

QPainterOutput::QPainterOutput(QPainter& painter) : painter_(painter) {}

void QPainterOutput::Begin() {
    painter_.save();
    ++saved_;
}

void QPainterOutput::End() {
    // Only what Begin saved: an unbalanced End must not pop the caller's own saved states.
    if (saved_ == 0) return;
    painter_.restore();
    --saved_;
}

void QPainterOutput::SetPen(const PenColour& colour, int widthDevice) {
    QPen pen(QColor(colour.r, colour.g, colour.b), std::max(1, widthDevice), Qt::SolidLine, Qt::RoundCap,
             Qt::RoundJoin);
    painter_.setPen(pen);
}

void QPainterOutput::Segment(const Point2& a, const Point2& b) {
    painter_.drawLine(QLineF(a.x, a.y, b.x, b.y));
}

} // namespace tsm
