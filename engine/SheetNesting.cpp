#include "engine/SheetNesting.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

// A grid holds no more cells than this along a side; larger paper gets larger cells.
constexpr double kMostCellsPerSide = 600;

struct Run {
    int row, x0, x1; // cells x0 to x1 - 1 of one row
};

// The cells each polygon touches, row by row: the polygon clipped to a row's band, from its leftmost to its
// rightmost point there (exact for convex pieces, more for others), within the box's cells.
std::vector<Run> Cells(const NestShape& shape, double cell) {
    const int rows = static_cast<int>(std::floor(shape.h / cell)) + 1;
    const int columns = static_cast<int>(std::floor(shape.w / cell)) + 1;
    std::vector<int> low(rows, columns), high(rows, -1);
    std::vector<Point2> band, next;
    for (const auto& polygon : shape.polygons) {
        if (polygon.size() < 3) continue;
        double y0 = polygon[0].y, y1 = polygon[0].y;
        for (const Point2& p : polygon) y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        const int first = std::clamp(static_cast<int>(std::floor(y0 / cell)), 0, rows - 1);
        const int last = std::clamp(static_cast<int>(std::floor(y1 / cell)), 0, rows - 1);
        for (int r = first; r <= last; ++r) {
            band = polygon;
            for (const auto& [edge, above] : {std::pair{r * cell, false}, std::pair{(r + 1) * cell, true}}) {
                next.clear();
                for (size_t i = 0; i < band.size(); ++i) {
                    const Point2 p = band[i], q = band[(i + 1) % band.size()];
                    const double sp = above ? edge - p.y : p.y - edge, sq = above ? edge - q.y : q.y - edge;
                    if (sp >= 0) next.push_back(p);
                    if ((sp >= 0) != (sq >= 0)) next.push_back(p + (q - p) * (sp / (sp - sq)));
                }
                band.swap(next);
            }
            if (band.empty()) continue;
            double x0 = band[0].x, x1 = band[0].x;
            for (const Point2& p : band) x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
            low[r] = std::min(low[r], std::clamp(static_cast<int>(std::floor(x0 / cell)), 0, columns - 1));
            high[r] = std::max(high[r], std::clamp(static_cast<int>(std::floor(x1 / cell)), 0, columns - 1));
        }
    }
    std::vector<Run> runs;
    for (int r = 0; r < rows; ++r)
        if (high[r] >= low[r]) runs.push_back({r, low[r], high[r] + 1});
    return runs;
}

// One sheet's cells, with, for each row and column, the last taken cell left of that column (or -1): a
// shape that meets a taken cell moves right past it at once.
class Grid {
public:
    Grid(int columns, int rows)
        : columns_(columns), rows_(rows), taken_(columns * rows, 0), last_(rows * (columns + 1), -1) {}

    // Takes the cells of `runs` at (dx, dy), grown by `grow` cells on every side.
    void Take(const std::vector<Run>& runs, int dx, int dy, int grow) {
        int top = rows_, bottom = -1;
        for (const Run& run : runs)
            for (int r = std::max(0, run.row + dy - grow); r <= std::min(rows_ - 1, run.row + dy + grow);
                 ++r) {
                const int a = std::max(0, run.x0 + dx - grow), b = std::min(columns_, run.x1 + dx + grow);
                std::fill(taken_.begin() + r * columns_ + a, taken_.begin() + r * columns_ + std::max(a, b),
                          1);
                top = std::min(top, r), bottom = std::max(bottom, r);
            }
        for (int r = top; r <= bottom; ++r) {
            int last = -1;
            for (int c = 0; c < columns_; ++c) {
                last_[r * (columns_ + 1) + c] = last;
                if (taken_[r * columns_ + c]) last = c;
            }
            last_[r * (columns_ + 1) + columns_] = last;
        }
    }

    // The topmost, then leftmost offset at which `runs` meet no taken cell, with the box's right and lower
    // edges at most `right` and `bottom` cells in.
    bool Find(const std::vector<Run>& runs, int right, int bottom, int& dx, int& dy) const {
        for (dy = 0; dy <= bottom; ++dy)
            for (dx = 0; dx <= right;) {
                int skip = 0;
                for (const Run& run : runs) {
                    const int last = last_[(run.row + dy) * (columns_ + 1) + run.x1 + dx];
                    if (last >= run.x0 + dx) {
                        skip = last - run.x0 + 1 - dx;
                        break;
                    }
                }
                if (skip == 0) return true;
                dx += skip;
            }
        return false;
    }

private:
    int columns_, rows_;
    std::vector<char> taken_;
    std::vector<int> last_;
};

} // namespace

std::vector<PackedBox> NestOnSheets(const std::vector<NestShape>& shapes, double w, double h,
                                    const std::vector<PackBlock>& blocked, double spacing, double cell) {
    if (!(spacing >= 0) || !std::isfinite(spacing) || !(w - spacing > 0) || !(h - spacing > 0) ||
        !std::isfinite(w) || !std::isfinite(h) || !(cell > 0) || !std::isfinite(cell))
        return {};
    cell = std::max(cell, std::max(w, h) / kMostCellsPerSide);
    // The grid starts half the spacing in from the sheet's corner, where a part's box may start.
    const double usableW = w - spacing, usableH = h - spacing;
    const int columns = static_cast<int>(std::floor(usableW / cell)) + 2;
    const int rows = static_cast<int>(std::floor(usableH / cell)) + 2;
    const int grow = static_cast<int>(std::ceil(spacing / cell));
    Grid empty(columns, rows);
    for (const PackBlock& b : blocked) {
        if (!std::isfinite(b.x0) || !std::isfinite(b.y0) || !std::isfinite(b.x1) || !std::isfinite(b.y1))
            return {};
        NestShape zone;
        const double x0 = std::max(0.0, b.x0 - spacing / 2), y0 = std::max(0.0, b.y0 - spacing / 2);
        const double x1 = std::min(usableW, b.x1 - spacing / 2), y1 = std::min(usableH, b.y1 - spacing / 2);
        if (!(x1 > x0) || !(y1 > y0)) continue;
        zone.w = x1, zone.h = y1;
        zone.polygons.push_back({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
        empty.Take(Cells(zone, cell), 0, 0, grow);
    }
    std::vector<Grid> sheets;
    std::vector<PackedBox> placed;
    for (const NestShape& shape : shapes) {
        if (!(shape.w >= 0) || !(shape.h >= 0) || shape.w > usableW + 1e-6 || shape.h > usableH + 1e-6)
            return {};
        for (const auto& polygon : shape.polygons)
            for (const Point2& p : polygon)
                if (!std::isfinite(p.x) || !std::isfinite(p.y)) return {};
        const std::vector<Run> runs = Cells(shape, cell);
        // Offsets keep the whole box within the sheet, so the runs stay inside the grid.
        const int right = static_cast<int>(std::floor((usableW - shape.w) / cell + 1e-9));
        const int bottom = static_cast<int>(std::floor((usableH - shape.h) / cell + 1e-9));
        int dx = 0, dy = 0;
        size_t s = 0;
        while (s < sheets.size() && !sheets[s].Find(runs, std::max(0, right), std::max(0, bottom), dx, dy))
            ++s;
        if (s == sheets.size()) {
            sheets.push_back(empty);
            if (!sheets.back().Find(runs, std::max(0, right), std::max(0, bottom), dx, dy)) return {};
        }
        sheets[s].Take(runs, dx, dy, grow);
        placed.push_back({static_cast<int>(s), dx * cell, dy * cell});
    }
    return placed;
}

} // namespace tsm
