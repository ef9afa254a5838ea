#include "sheet/PageList.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

// Border rule: a sheet's printable rectangle is half-open, [c·pw, (c+1)·pw) x [r·ph, (r+1)·ph), so the
// printable rectangles tile the development without overlap and a point on a shared border belongs to
// exactly one sheet: the one to its right (or below). A segment lying exactly on the border between two
// sheets therefore makes only the right (lower) one non-blank; a segment that ends on a border from the
// left makes the sheet on the right non-blank through that end point; and a segment touching a sheet's
// right or bottom border only from outside leaves it blank.
struct SheetRect {
    double x0, y0, x1, y1;

    bool Contains(const Point2& p) const { return p.x >= x0 && p.x < x1 && p.y >= y0 && p.y < y1; }
};

SheetRect RectOf(const Paper& paper, int column, int row) {
    const double pw = paper.PrintableWidth();
    const double ph = paper.PrintableHeight();
    return {column * pw, row * ph, (column + 1) * pw, (row + 1) * ph};
}

// True when some point of the closed segment ab lies in the half-open rectangle. The segment is clipped
// to the closed rectangle (Liang-Barsky); the clipped piece has a point in the half-open one exactly when
// its midpoint does, because only a piece lying wholly on the right or bottom border (or a single
// border point) misses it.
bool SegmentTouches(const Point2& a, const Point2& b, const SheetRect& rect) {
    if (!(rect.x0 < rect.x1 && rect.y0 < rect.y1)) return false; // no printable area (margins too wide)
    if (rect.Contains(a) || rect.Contains(b)) return true;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - rect.x0, rect.x1 - a.x, a.y - rect.y0, rect.y1 - a.y};
    double t0 = 0.0;
    double t1 = 1.0;
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0) return false; // parallel to this side and outside it
            continue;
        }
        const double r = q[k] / p[k];
        if (p[k] < 0.0) {
            t0 = std::max(t0, r);
        } else {
            t1 = std::min(t1, r);
        }
    }
    if (!(t0 <= t1)) return false;
    // The clipped ends lie in the closed rectangle; clamping removes the rounding of a + t d, which on a
    // segment far longer than a sheet can otherwise land the piece on the wrong side of a border.
    const auto clipped = [&](double t) {
        return Point2{std::clamp(a.x + t * dx, rect.x0, rect.x1), std::clamp(a.y + t * dy, rect.y0, rect.y1)};
    };
    return rect.Contains((clipped(t0) + clipped(t1)) * 0.5);
}

// Calls visit(a, b) with every edge segment of every part, in development coordinates, until it
// returns true.
template <typename Visit> bool AnySegment(const Development& development, Visit visit) {
    for (const auto& part : development.parts) {
        const Point2 offset{part->x, part->y};
        for (const Face* face : part->faces) {
            if (face == nullptr) continue;
            for (const auto& corner : face->halfEdges) {
                if (corner->next == nullptr) continue;
                if (visit(offset + corner->Pos2D(), offset + corner->next->Pos2D())) return true;
            }
        }
    }
    return false;
}

// The sheet index range [first, last] that the closed interval [low, high] may reach, clipped to
// 0..count-1; first > last when it reaches none. Division and the exact test's multiplication can round
// differently at a border, so the range is one sheet wider on each side and SegmentTouches decides.
void SheetRange(double low, double high, double step, int count, int& first, int& last) {
    first = 0;
    last = -1;
    if (!(low <= high)) return; // NaN
    const double a = std::floor(low / step) - 1.0;
    const double b = std::floor(high / step) + 1.0;
    if (!(b >= 0.0) || !(a <= count - 1.0)) return;
    first = a < 0.0 ? 0 : static_cast<int>(a);
    last = b > count - 1.0 ? count - 1 : static_cast<int>(b);
}

} // namespace

bool IsSheetBlank(const Development& development, const Paper& paper, int column, int row) {
    const SheetRect rect = RectOf(paper, column, row);
    return !AnySegment(development,
                       [&rect](const Point2& a, const Point2& b) { return SegmentTouches(a, b, rect); });
}

std::vector<SheetIndex> BuildPageList(const Document& document, const Paper& paper, bool skipBlankSheets) {
    const int columns = std::clamp<int32_t>(document.sheetColumns, 1, kMaxSheetsPerAxis);
    const int rows = std::clamp<int32_t>(document.sheetRows, 1, kMaxSheetsPerAxis);
    std::vector<SheetIndex> pages;
    if (!skipBlankSheets) {
        pages.reserve(static_cast<size_t>(columns) * rows);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) pages.push_back({c, r});
        }
        return pages;
    }
    const double pw = paper.PrintableWidth();
    const double ph = paper.PrintableHeight();
    if (!document.development || !(pw > 0.0) || !(ph > 0.0) || !std::isfinite(pw) || !std::isfinite(ph)) {
        return pages; // nothing drawn, or no printable area: every sheet is blank
    }

    // Each segment marks only the sheets its bounding box reaches, instead of every sheet testing every
    // segment; the exact test is the same as IsSheetBlank's.
    std::vector<char> used(static_cast<size_t>(columns) * rows, 0);
    AnySegment(*document.development, [&](const Point2& a, const Point2& b) {
        int c0, c1, r0, r1;
        SheetRange(std::min(a.x, b.x), std::max(a.x, b.x), pw, columns, c0, c1);
        SheetRange(std::min(a.y, b.y), std::max(a.y, b.y), ph, rows, r0, r1);
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c) {
                char& mark = used[static_cast<size_t>(r) * columns + c];
                if (!mark && SegmentTouches(a, b, RectOf(paper, c, r))) mark = 1;
            }
        }
        return false;
    });
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (used[static_cast<size_t>(r) * columns + c]) pages.push_back({c, r});
        }
    }
    return pages;
}

} // namespace tsm
