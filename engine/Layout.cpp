#include "engine/Layout.h"

#include "engine/Extents.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tsm {

namespace {

struct Rect {
    double x0, y0, x1, y1;
};

// Rectangles whose edges only touch do not overlap.
bool Overlaps(const Rect& a, const Rect& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

// A part's rectangle with the spacing added on its right and lower sides; the spacing is what keeps
// neighbours apart.
Rect PlacedRect(const CPart& part, double spacing) {
    return {part.x, part.y, part.x + part.width + spacing, part.y + part.height + spacing};
}

// The trial rectangle starts a thousandth of the part's size inside its corner, so that a neighbour whose
// spacing edge ends exactly at the corner does not count as overlapping.
Rect TrialRect(double x, double y, double w, double h, double spacing) {
    return {x + 0.001 * w, y + 0.001 * h, x + w + spacing, y + h + spacing};
}

bool HitsPlaced(const Rect& trial, const std::vector<Rect>& placed) {
    for (const Rect& r : placed) {
        if (Overlaps(trial, r)) return true;
    }
    return false;
}

double SheetIndex(double value, double sheetSize) {
    return std::trunc(value / sheetSize);
}

// The area of the smallest rectangle of the sheet's proportions (height / width = ratio) that holds w x h.
double PaperShapedArea(double w, double h, double ratio) {
    if (w > 0 && h / w >= ratio) return h * h / ratio;
    return w * w * ratio;
}

// The first free whole sheet in growing square shells of the sheet grid; shell k adds column k (rows 0 to
// k - 1) and then row k (columns 0 to k). Cells beyond every placed part are always free, so the search
// ends; the cap only guards against non-finite sizes.
bool FindFreeSheet(double w, double h, double spacing, double pw, double ph, const std::vector<Rect>& placed,
                   Point2& position) {
    const int maxShell = 100000;
    for (int k = 1; k <= maxShell; ++k) {
        for (int cell = 0; cell < 2 * k + 1; ++cell) {
            const int column = cell < k ? k : cell - k;
            const int row = cell < k ? cell : k;
            const double x = column * pw;
            const double y = row * ph;
            if (!HitsPlaced(TrialRect(x, y, w, h, spacing), placed)) {
                position = {x, y};
                return true;
            }
        }
    }
    return false;
}

} // namespace

void LayoutParts(Development& development, double modelSize, const LayoutMethod& method,
                 const SheetArea& sheet, double& defaultFlapHeightMM) {
    const double pw = sheet.printableWidthMM;
    const double ph = sheet.printableHeightMM;
    if (!(pw > 0) || !(ph > 0) || !std::isfinite(pw) || !std::isfinite(ph)) return;
    const double ratio = ph / pw;
    const double spacing = method.automatic ? method.spacingPercent * modelSize / 100.0 : method.spacingMM;
    const bool avoidBreaks = method.avoidPageBreaks && !method.automatic;

    std::vector<CPart*> order;
    for (auto& part : development.parts) order.push_back(part.get());
    std::stable_sort(order.begin(), order.end(), [](const CPart* a, const CPart* b) {
        return a->width * a->height > b->width * b->height;
    });

    std::vector<Point2> candidates{{0, 0}};
    std::vector<Rect> placed;
    placed.reserve(order.size());
    double extentW = 0, extentH = 0;

    for (CPart* part : order) {
        const double w = part->width, h = part->height;
        const bool fitsSheet = w + spacing <= pw && h + spacing <= ph;
        int best = -1;
        double bestScore = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < candidates.size(); ++i) {
            const Point2 c = candidates[i];
            if (avoidBreaks && fitsSheet &&
                (SheetIndex(c.x, pw) != SheetIndex(c.x + w + spacing, pw) ||
                 SheetIndex(c.y, ph) != SheetIndex(c.y + h + spacing, ph)))
                continue;
            const double newW = std::max(extentW, c.x + w + spacing);
            const double newH = std::max(extentH, c.y + h + spacing);
            const double score = PaperShapedArea(newW, newH, ratio);
            if (best >= 0) {
                if (score > bestScore) continue;
                if (score == bestScore) {
                    const Point2 b = candidates[best];
                    if (!(c.y < b.y || (c.y == b.y && c.x < b.x))) continue;
                }
            }
            if (HitsPlaced(TrialRect(c.x, c.y, w, h, spacing), placed)) continue;
            best = static_cast<int>(i);
            bestScore = score;
        }

        Point2 position;
        bool onFreshSheet = false;
        if (best >= 0) {
            position = candidates[best];
        } else if (avoidBreaks && FindFreeSheet(w, h, spacing, pw, ph, placed, position)) {
            onFreshSheet = true;
        } else {
            // Every candidate is blocked (only possible with page breaks avoided when no sheet is free, or
            // with degenerate sizes): below everything placed so far never overlaps.
            position = {0, extentH};
            onFreshSheet = true;
        }

        part->x = position.x;
        part->y = position.y;
        extentW = std::max(extentW, position.x + w + spacing);
        extentH = std::max(extentH, position.y + h + spacing);
        placed.push_back(PlacedRect(*part, spacing));

        candidates.push_back({position.x + w + spacing, position.y});
        const double below = position.y + h + spacing;
        if (!onFreshSheet) {
            double rightEdge = 0;
            for (const Rect& r : placed) {
                if (r.y0 < below && r.y1 > below) rightEdge = std::max(rightEdge, r.x1);
            }
            candidates.push_back({rightEdge, below});
            candidates.erase(candidates.begin() + best);
        } else {
            candidates.push_back({position.x, below});
        }
    }

    for (auto& part : development.parts) {
        part->x += spacing / 2;
        part->y += spacing / 2;
    }
    ComputeDevelopmentExtent(development, true);

    if (method.automatic && extentW > 0 && extentH > 0) {
        // The factor is relative to the scale the parts were laid out at (1.0 after unfolding).
        defaultFlapHeightMM *=
            ScaleDevelopment(development, development.scale * std::min(pw / extentW, ph / extentH), false);
        ComputeDevelopmentExtent(development, true);
        defaultFlapHeightMM = std::trunc(defaultFlapHeightMM * 10 + 0.5) * 0.1;
    }
}

void RecalculatePartsLayout(Document& document, const LayoutMethod& method, const SheetArea& sheet) {
    if (!document.development || !document.model) return;
    double& flapHeight = document.display.dDefaultFlapHeightMM;
    flapHeight *=
        ScaleDevelopment(*document.development, method.automatic ? 1.0 : document.documentScale, false);
    LayoutParts(*document.development, document.model->size, method, sheet, flapHeight);
}

} // namespace tsm
