// The flap menu's actions: switching a flap to the other side, its height, adding one, and its shape.
#include "engine/FlapEdits.h"

#include "engine/CutJoin.h"
#include "engine/Extents.h"

#include <cmath>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;

void Remeasure(Part* part) {
    if (part != nullptr) ComputePartExtent(*part);
}

bool ValidHeight(double heightMM) {
    return std::isfinite(heightMM) && heightMM > 0;
}

bool ValidAngle(double radians) {
    return std::isfinite(radians) && radians > 0 && radians < kPi;
}

} // namespace

void SwitchFlapPosition(PartLine& line) {
    HalfEdge* h = line.first;
    if (h == nullptr) return;
    HalfEdge* t = h->twin;
    if (t != nullptr) {
        h->hasFlap = !h->hasFlap;
        t->hasFlap = !t->hasFlap;
        Part* own = PartOf(line);
        Part* other = t->face != nullptr ? t->face->part : nullptr;
        Remeasure(own);
        if (other != own) Remeasure(other);
        return;
    }
    // An open edge's flap comes and goes; a valley or flat flap goes too, as any flap does.
    line.lineKind = line.lineKind == LineKind::NoFlap ? LineKind::MountainFlap : LineKind::NoFlap;
    h->hasFlap = line.lineKind != LineKind::NoFlap;
    Remeasure(PartOf(line));
}

void SetFlapHeight(PartLine& line, double heightMM) {
    if (line.first == nullptr || !ValidHeight(heightMM)) return;
    line.first->flapHeight = heightMM;
    Remeasure(PartOf(line));
}

void AddFlap(PartLine& line, LineKind kind) {
    if (line.first == nullptr || kind == LineKind::NoFlap) return;
    line.lineKind = kind;
    line.first->hasFlap = true;
    Remeasure(PartOf(line));
}

void SetFlapShape(PartLine& line, double heightMM, double angle1, double angle2) {
    // A base angle of 0 or pi would throw a trapezoid's tip to infinity: such a shape is refused whole.
    if (line.first == nullptr || !ValidHeight(heightMM) || !ValidAngle(angle1) || !ValidAngle(angle2)) return;
    line.first->flapHeight = heightMM;
    line.first->flapAngle1 = angle1;
    line.first->flapAngle2 = angle2;
    Remeasure(PartOf(line));
}

} // namespace tsm
