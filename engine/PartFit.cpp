#include "engine/PartFit.h"

#include "engine/Buildability.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tsm {

namespace {

constexpr double kHalfPi = 1.5707963267948966;

double Turn(const Point2& o, const Point2& a, const Point2& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

} // namespace

std::vector<size_t> ConvexHull(const std::vector<Point2>& points) {
    std::vector<size_t> order(points.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return points[a].x < points[b].x || (points[a].x == points[b].x && points[a].y < points[b].y);
    });
    if (order.size() < 3) return order;
    // Andrew's monotone chain: the lower chain left to right, then the upper one back.
    std::vector<size_t> hull(2 * order.size());
    size_t k = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        while (k >= 2 && Turn(points[hull[k - 2]], points[hull[k - 1]], points[order[i]]) <= 0) --k;
        hull[k++] = order[i];
    }
    for (size_t i = order.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && Turn(points[hull[k - 2]], points[hull[k - 1]], points[order[i]]) <= 0) --k;
        hull[k++] = order[i];
    }
    hull.resize(k - 1);
    return hull;
}

namespace {

// The size of the box around the hull turned by `turn`, in millimetres, with room for flaps and spacing.
Point2 TurnedBox(const std::vector<Point2>& hull, const PartLimit& limit, double turn) {
    const double c = std::cos(turn), s = std::sin(turn);
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (const Point2& p : hull) {
        const double x = c * p.x - s * p.y, y = s * p.x + c * p.y;
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    const double room = 2 * limit.flapHeightMM + limit.spacingMM;
    return {(x1 - x0) * limit.scale + room, (y1 - y0) * limit.scale + room};
}

// Calls `offer` with every turn that lays a hull edge along x, then along y.
template <typename Offer> void ForEachEdgeTurn(const std::vector<Point2>& hull, Offer&& offer) {
    for (size_t i = 0; i < hull.size(); ++i) {
        const Point2 d = hull[(i + 1) % hull.size()] - hull[i];
        if (d.x == 0 && d.y == 0) continue;
        const double along = -std::atan2(d.y, d.x);
        if (offer(along) || offer(along + kHalfPi)) return;
    }
}

} // namespace

bool FitsTurned(const std::vector<Point2>& hull, const PartLimit& limit, double turn) {
    if (hull.empty()) return true;
    const Point2 box = TurnedBox(hull, limit, turn);
    return PartFitsSheet(box.x, box.y, limit.sheet);
}

bool FindCompactTurn(const std::vector<Point2>& hull, const PartLimit& limit, double preferred,
                     double& turn) {
    if (hull.empty()) return FitsTurned(hull, limit, preferred) ? (turn = preferred, true) : false;
    bool found = false;
    double smallest = INFINITY;
    const auto offer = [&](double candidate) {
        const Point2 box = TurnedBox(hull, limit, candidate);
        // A rounding's worth smaller is no smaller: the earlier turn, and first of all `preferred`, stays.
        if (box.x * box.y < smallest * (1 - 1e-9) && PartFitsSheet(box.x, box.y, limit.sheet))
            turn = candidate, smallest = box.x * box.y, found = true;
        return false; // every turn is looked at
    };
    offer(preferred);
    ForEachEdgeTurn(hull, offer);
    return found;
}

bool FindFittingTurn(const std::vector<Point2>& hull, const PartLimit& limit, double preferred,
                     double& turn) {
    if (FitsTurned(hull, limit, preferred)) return turn = preferred, true;
    bool found = false;
    ForEachEdgeTurn(hull, [&](double candidate) {
        if (FitsTurned(hull, limit, candidate)) turn = candidate, found = true;
        return found;
    });
    return found;
}

} // namespace tsm
