#include "engine/Flaps.h"

#include "engine/Topology.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tsm {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Below this the two flap sides are taken as parallel and the flap is a trapezoid of full height.
constexpr double kParallelApexRad = 1e-6;
// A base angle this close to 0 or pi would push a trapezoid tip out to infinity.
constexpr double kFlatSine = 1e-12;

// Every corner starts with the same base angles, and most keep them: their sines and cosines, and the
// sine of the apex they leave, are worked out once. std::sin of the same double gives the same bits, so a
// shape comes out as if each had been computed afresh.
struct DefaultTrig {
    double angle = HalfEdge().flapAngle1;
    double sine = std::sin(angle);
    double cosine = std::cos(angle);
    double apex = kPi - angle - angle;
    double sinApex = std::sin(apex);
};
const DefaultTrig kDefaults;

double Sine(double angle) {
    return angle == kDefaults.angle ? kDefaults.sine : std::sin(angle);
}
double Cosine(double angle) {
    return angle == kDefaults.angle ? kDefaults.cosine : std::cos(angle);
}
// Equal as bits: +0 and -0 have sines of their own signs.
bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Interior angle of a face at vertex v between its neighbours a and b, radians, from the 3D positions.
double InteriorAngle(const Vec3& v, const Vec3& a, const Vec3& b, bool& ok) {
    const double va2 = DistanceSquared(v, a);
    const double vb2 = DistanceSquared(v, b);
    const double ab2 = DistanceSquared(a, b);
    const double denominator = 2.0 * std::sqrt(va2) * std::sqrt(vb2);
    ok = denominator > 0.0 && std::isfinite(denominator);
    if (!ok) return 0.0;
    // Rounding can push the cosine just past +-1 on a degenerate corner; acos would give NaN.
    const double cosine = std::clamp((va2 + vb2 - ab2) / denominator, -1.0, 1.0);
    return std::acos(cosine);
}

} // namespace

FlapShape ComputeFlapShape(const HalfEdge& h, bool sideFlag) {
    const Point2 p1 = h.Pos2D();
    if (h.next == nullptr) return {p1, p1};
    const Point2 p2 = h.next->Pos2D();
    // p1 - p2 is exactly -(p2 - p1), and hypot looks at magnitudes only: one length serves the edge and
    // both of its directions.
    const Point2 along = p2 - p1, back = p1 - p2;
    const double length = Length(along);
    // A zero-length edge has no direction; an empty flap at the corner keeps later boxes finite.
    if (!(length > 0.0)) return {p1, p1};

    // Positive turns put the flap on the side used by developments drawn the other way round.
    const double sign = sideFlag ? 1.0 : -1.0;
    const double height = h.flapHeight;
    const double a1 = h.flapAngle1;
    const double a2 = h.flapAngle2;
    const Point2 towardEnd{along.x / length, along.y / length};
    const Point2 towardStart{back.x / length, back.y / length};
    // Rotation by sign * angle from the angle's own sine and cosine: sine is odd and cosine even, so this
    // gives exactly what rotating by the signed angle gives, with each function evaluated once.
    const auto turn = [sign](const Point2& p, double cosine, double sine) {
        const double s = sign * sine;
        return Point2{p.x * cosine - p.y * s, p.x * s + p.y * cosine};
    };

    const auto triangle = [&]() -> FlapShape {
        static const double kCosQuarter = std::cos(kPi / 2), kSinQuarter = std::sin(kPi / 2);
        const Point2 middle = (p1 + p2) * 0.5;
        const Point2 tip = middle + turn(towardStart, kCosQuarter, kSinQuarter) * height;
        return {tip, tip};
    };

    // Most flaps have the same angle at both ends.
    const bool sameAngles = SameBits(a1, a2);
    const double sin1 = Sine(a1);
    const double sin2 = sameAngles ? sin1 : Sine(a2);
    const double apex = kPi - a1 - a2;
    if (std::fabs(apex) > kParallelApexRad) {
        const double sinApex = apex == kDefaults.apex ? kDefaults.sinApex : std::sin(apex);
        const double s1 = sin1 / sinApex * length;
        const double s2 = sin2 / sinApex * length;
        const double s = (s1 + s2 + length) / 2;
        const double radicand = s * (s - s1) * (s - s2) * (s - length);
        // The sides meet below the flap height (or their meeting point is not a real triangle).
        if (!(radicand >= 0.0) || 2.0 * std::sqrt(radicand) / length <= height) return triangle();
    }
    // Only a damaged angle pair (0 with pi) gets here; a finite triangle beats infinite tips.
    if (std::fabs(sin1) < kFlatSine || std::fabs(sin2) < kFlatSine) return triangle();
    const double cos1 = Cosine(a1);
    const double cos2 = sameAngles ? cos1 : Cosine(a2);
    FlapShape shape;
    shape.tipEnd = p2 + turn(towardStart, cos1, sin1) * (height / sin1);
    shape.tipStart = p1 + turn(towardEnd, cos2, -sin2) * (height / sin2);
    return shape;
}

bool FlapSideFlag(const HalfEdge& h) {
    const Part* part = h.face != nullptr ? h.face->part : nullptr;
    return part != nullptr && part->development != nullptr && part->development->reversed;
}

void AutoFlapAngles(HalfEdge& h, int32_t maxBaseAngleDegrees) {
    const double maxAngle = maxBaseAngleDegrees * kPi / 180.0;
    h.flapAngle1 = maxAngle;
    h.flapAngle2 = maxAngle;
    const HalfEdge* t = h.twin;
    if (t == nullptr) return;
    // t runs the other way in the neighbouring face: its own corner lies at the end of h, t.next's at
    // the start. A flap no wider than that face's corners never sticks out past them when glued.
    const auto cornerAngle = [maxAngle](const HalfEdge* corner) {
        const HalfEdge* previous = corner != nullptr ? PreviousCorner(*corner) : nullptr;
        if (previous == nullptr || corner->vertex == nullptr || previous->vertex == nullptr ||
            corner->next->vertex == nullptr) {
            return maxAngle;
        }
        bool ok = false;
        const double angle = InteriorAngle(corner->vertex->position, previous->vertex->position,
                                           corner->next->vertex->position, ok);
        return ok ? std::min(maxAngle, angle) : maxAngle;
    };
    h.flapAngle1 = cornerAngle(t);
    h.flapAngle2 = cornerAngle(t->next);
}

void AutoFlapAnglesAll(Mesh& model, int32_t maxBaseAngleDegrees) {
    for (auto& solid : model.solids) {
        for (auto& face : solid->faces) {
            for (auto& corner : face->halfEdges) AutoFlapAngles(*corner, maxBaseAngleDegrees);
        }
    }
}

void PlaceFlaps(Development& development, Mesh& /*model*/, double height) {
    for (auto& part : development.parts) {
        for (Face* face : part->faces) {
            for (auto& corner : face->halfEdges) corner->flapHeight = height;
        }
    }
    for (auto& part : development.parts) {
        for (Face* face : part->faces) {
            for (auto& corner : face->halfEdges) {
                HalfEdge* h = corner.get();
                HalfEdge* t = h->twin;
                if (t == nullptr) {
                    h->hasFlap = false;
                    continue;
                }
                if (t->hasFlap) continue;
                // The smaller face carries the flap: it is the easier one to tuck under its neighbour.
                // On equal areas the side met first keeps it, since its twin is then left alone.
                const double ownArea = FaceArea(*face);
                const double twinArea = t->face != nullptr ? FaceArea(*t->face) : ownArea;
                if (twinArea < ownArea) {
                    t->hasFlap = true;
                    h->hasFlap = false;
                } else {
                    h->hasFlap = true;
                    t->hasFlap = false;
                }
            }
        }
    }
}

std::array<Point2, 4> FlapOutline(const HalfEdge& h, bool sideFlag) {
    const Point2 start = h.Pos2D();
    const Point2 end = h.next != nullptr ? h.next->Pos2D() : start;
    const FlapShape shape = ComputeFlapShape(h, sideFlag);
    return {start, shape.tipStart, shape.tipEnd, end};
}

std::array<Point2, 4> FlapOutline(const HalfEdge& h) {
    return FlapOutline(h, FlapSideFlag(h));
}

} // namespace tsm
