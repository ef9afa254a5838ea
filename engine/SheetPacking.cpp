#include "engine/SheetPacking.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tsm {

namespace {

struct Room {
    double x0, y0, x1, y1;
    double W() const { return x1 - x0; }
    double H() const { return y1 - y0; }
};

bool Overlap(const Room& a, const Room& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool Inside(const Room& a, const Room& b) {
    return a.x0 >= b.x0 && a.y0 >= b.y0 && a.x1 <= b.x1 && a.y1 <= b.y1;
}

// The free room of one sheet, as every largest rectangle that lies in it: they overlap one another, and a
// box fits the sheet's free room where it fits one of them.
class Sheet {
public:
    explicit Sheet(const Room& whole) : free_{whole} {}

    // Where a w x h box leaves the least room along its shorter side (then its longer side, then the
    // topmost, leftmost place); false when it fits nowhere.
    bool Best(double w, double h, double tolerance, Room& at) const {
        double bestShort = std::numeric_limits<double>::infinity(), bestLong = bestShort;
        bool found = false;
        for (const Room& f : free_) {
            if (w > f.W() + tolerance || h > f.H() + tolerance) continue;
            const double a = f.W() - w, b = f.H() - h;
            const double shortSide = std::min(a, b), longSide = std::max(a, b);
            if (found && (shortSide > bestShort ||
                          (shortSide == bestShort &&
                           (longSide > bestLong ||
                            (longSide == bestLong && (f.y0 > at.y0 || (f.y0 == at.y0 && f.x0 >= at.x0)))))))
                continue;
            bestShort = shortSide, bestLong = longSide;
            at = {f.x0, f.y0, f.x0 + w, f.y0 + h};
            found = true;
        }
        return found;
    }

    // Takes `used` out of the free room: each rectangle it overlaps gives way to the (up to four) largest
    // ones beside it, and rectangles inside others are dropped.
    void Take(const Room& used) {
        std::vector<Room> kept, made;
        for (const Room& f : free_) {
            if (!Overlap(f, used)) {
                kept.push_back(f);
                continue;
            }
            if (used.x0 > f.x0) made.push_back({f.x0, f.y0, used.x0, f.y1});
            if (used.x1 < f.x1) made.push_back({used.x1, f.y0, f.x1, f.y1});
            if (used.y0 > f.y0) made.push_back({f.x0, f.y0, f.x1, used.y0});
            if (used.y1 < f.y1) made.push_back({f.x0, used.y1, f.x1, f.y1});
        }
        // Only the new rectangles can lie inside others, or hold old ones: the old ones were maximal.
        std::vector<char> dropped(made.size(), 0);
        for (size_t i = 0; i < made.size(); ++i) {
            for (size_t j = 0; j < made.size() && !dropped[i]; ++j)
                if (i != j && !dropped[j] && Inside(made[i], made[j])) dropped[i] = 1;
            for (const Room& k : kept)
                if (!dropped[i] && Inside(made[i], k)) dropped[i] = 1;
        }
        free_.clear();
        for (const Room& k : kept) {
            bool inside = false;
            for (size_t i = 0; i < made.size() && !inside; ++i) inside = !dropped[i] && Inside(k, made[i]);
            if (!inside) free_.push_back(k);
        }
        for (size_t i = 0; i < made.size(); ++i)
            if (!dropped[i]) free_.push_back(made[i]);
    }

private:
    std::vector<Room> free_;
};

bool Finite(double v) {
    return std::isfinite(v);
}

} // namespace

std::vector<PackedBox> PackOnSheets(const std::vector<PackBox>& boxes, double w, double h,
                                    const std::vector<PackBlock>& blocked, double tolerance) {
    if (!(w > 0) || !(h > 0) || !Finite(w) || !Finite(h) || !(tolerance >= 0)) return {};
    Sheet empty({0, 0, w, h});
    for (const PackBlock& b : blocked) {
        if (!Finite(b.x0) || !Finite(b.y0) || !Finite(b.x1) || !Finite(b.y1)) return {};
        empty.Take({b.x0, b.y0, b.x1, b.y1});
    }
    std::vector<Sheet> sheets;
    std::vector<PackedBox> placed;
    placed.reserve(boxes.size());
    Room at{};
    for (const PackBox& box : boxes) {
        if (!(box.w >= 0) || !(box.h >= 0) || !Finite(box.w) || !Finite(box.h)) return {};
        if (!empty.Best(box.w, box.h, tolerance, at)) return {};
        size_t s = 0;
        while (s < sheets.size() && !sheets[s].Best(box.w, box.h, tolerance, at)) ++s;
        if (s == sheets.size()) {
            sheets.push_back(empty);
            sheets.back().Best(box.w, box.h, tolerance, at);
        }
        sheets[s].Take(at);
        placed.push_back({static_cast<int>(s), at.x0, at.y0});
    }
    return placed;
}

} // namespace tsm
