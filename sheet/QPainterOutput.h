// The vector lines on a QPainter: printed pages and clipboard pictures. Device units are the painter's
// current user units, so the caller sets the origin (and nothing else) before drawing.
#pragma once

#include "sheet/VectorOutput.h"

class QPainter;

namespace tsm {

class QPainterOutput : public VectorOutput {
public:
    // The painter must stay active while the output is drawn on.
    explicit QPainterOutput(QPainter& painter);

    // Saves the painter's state and restores it at End(): the caller's pen and brush survive the drawing.
    void Begin() override;
    void End() override;
    // Solid, with round caps and joins like a device pen wider than one pixel.
    void SetPen(const PenColour& colour, int widthDevice) override;
    void Segment(const Point2& a, const Point2& b) override;

private:
    QPainter& painter_;
    int saved_ = 0;
};

} // namespace tsm
