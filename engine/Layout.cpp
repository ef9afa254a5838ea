#include "engine/Layout.h"

#include "engine/Extents.h"
#include "engine/Flaps.h"
#include "engine/SheetNesting.h"
#include "engine/SheetPacking.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>
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
Rect PlacedRect(const Part& part, double spacing) {
    return {part.x, part.y, part.x + part.width + spacing, part.y + part.height + spacing};
}

// The trial rectangle starts a thousandth of the part's size inside its corner, so that a neighbour whose
// spacing edge ends exactly at the corner does not count as overlapping.
Rect TrialRect(double x, double y, double w, double h, double spacing) {
    return {x + 0.001 * w, y + 0.001 * h, x + w + spacing, y + h + spacing};
}

// The placed rectangles, found by a uniform grid: every candidate corner of every part asks whether its
// rectangle hits one, and asking all of them made the layout of thousands of parts cost the cube of
// their count. Rectangles spanning too many cells, or not finite, are kept in a list every query scans.
class PlacedRects {
public:
    explicit PlacedRects(double cellSize) : cell_(cellSize > 0 && std::isfinite(cellSize) ? cellSize : 0) {}

    const std::vector<Rect>& All() const { return rects_; }

    void Add(const Rect& r) {
        const int index = static_cast<int>(rects_.size());
        rects_.push_back(r);
        Span span;
        if (!SpanOf(r, span)) {
            wide_.push_back(index);
            return;
        }
        for (int64_t x = span.x0; x <= span.x1; ++x)
            for (int64_t y = span.y0; y <= span.y1; ++y) cells_[Key(x, y)].push_back(index);
    }

    // Whether `trial` overlaps a placed rectangle. `blocker` is the index of one that overlapped a trial at
    // the same corner before, or -1; it is asked first, as a corner that was blocked mostly stays blocked
    // by the same rectangle, and it is set to the one found.
    bool Hits(const Rect& trial, int& blocker) const {
        if (blocker >= 0 && Overlaps(trial, rects_[blocker])) return true;
        for (int i : wide_)
            if (Overlaps(trial, rects_[i])) return blocker = i, true;
        Span span;
        if (!SpanOf(trial, span)) {
            for (size_t i = 0; i < rects_.size(); ++i)
                if (Overlaps(trial, rects_[i])) return blocker = static_cast<int>(i), true;
            return false;
        }
        for (int64_t x = span.x0; x <= span.x1; ++x)
            for (int64_t y = span.y0; y <= span.y1; ++y) {
                auto it = cells_.find(Key(x, y));
                if (it == cells_.end()) continue;
                for (int i : it->second)
                    if (Overlaps(trial, rects_[i])) return blocker = i, true;
            }
        return false;
    }

private:
    // Rectangles that overlap share a cell: the cell index only ever grows with the coordinate.
    struct Span {
        int64_t x0, x1, y0, y1;
    };
    static constexpr int64_t kMaxCells = 256;
    static constexpr double kMaxIndex = 1 << 30;

    int64_t Index(double v) const {
        return static_cast<int64_t>(std::clamp(std::floor(v / cell_), -kMaxIndex, kMaxIndex));
    }
    bool SpanOf(const Rect& r, Span& span) const {
        if (!(cell_ > 0) || !std::isfinite(r.x0) || !std::isfinite(r.y0) || !std::isfinite(r.x1) ||
            !std::isfinite(r.y1))
            return false;
        span = {Index(r.x0), Index(r.x1), Index(r.y0), Index(r.y1)};
        return (span.x1 - span.x0 + 1) * (span.y1 - span.y0 + 1) <= kMaxCells;
    }
    static uint64_t Key(int64_t x, int64_t y) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
    }

    double cell_;
    std::vector<Rect> rects_;
    std::vector<int> wide_;
    std::unordered_map<uint64_t, std::vector<int>> cells_;
};

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
bool FindFreeSheet(double w, double h, double spacing, double pw, double ph, const PlacedRects& placed,
                   const PlacedRects& zones, const std::vector<Point2>& spots, Point2& position) {
    const int maxShell = 100000;
    for (int k = 1; k <= maxShell; ++k) {
        for (int cell = 0; cell < 2 * k + 1; ++cell) {
            const int column = cell < k ? k : cell - k;
            const int row = cell < k ? cell : k;
            for (const Point2& spot : spots) {
                const double x = column * pw + spot.x;
                const double y = row * ph + spot.y;
                int blocker = -1, zone = -1;
                if (!placed.Hits(TrialRect(x, y, w, h, spacing), blocker) &&
                    !zones.Hits(TrialRect(x, y, w, h, spacing), zone)) {
                    position = {x, y};
                    return true;
                }
            }
        }
    }
    return false;
}

// The corners FreeSpotOnSheet tries, relative to a sheet: its own, and those right of and below each
// keep-out, sorted top to bottom, then left to right.
std::vector<Point2> SpotsOnSheet(const SheetArea& sheet) {
    std::vector<double> xs{0}, ys{0};
    for (const KeepOut& k : sheet.keepOuts) {
        xs.push_back(k.x1);
        ys.push_back(k.y1);
    }
    std::vector<Point2> spots;
    for (double y : ys)
        for (double x : xs) spots.push_back({x, y});
    std::sort(spots.begin(), spots.end(),
              [](const Point2& a, const Point2& b) { return a.y < b.y || (a.y == b.y && a.x < b.x); });
    spots.erase(std::unique(spots.begin(), spots.end(),
                            [](const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }),
                spots.end());
    return spots;
}

// The layout keeps this much more than the spacing from a keep-out, so that a part's box never touches one.
constexpr double kKeepOutGapMM = 0.5;

} // namespace

std::optional<Point2> FreeSpotOnSheet(double w, double h, const SheetArea& sheet) {
    // A free box slid left and then up stops at x 0 or a keep-out's right edge, and at y 0 or a keep-out's
    // lower edge: those corners are all there is to try.
    if (!(w >= 0) || !(h >= 0)) return std::nullopt;
    for (const Point2& spot : SpotsOnSheet(sheet)) {
        if (spot.x + w > sheet.printableWidthMM || spot.y + h > sheet.printableHeightMM) continue;
        const bool clear = std::none_of(sheet.keepOuts.begin(), sheet.keepOuts.end(), [&](const KeepOut& k) {
            return spot.x < k.x1 && k.x0 < spot.x + w && spot.y < k.y1 && k.y0 < spot.y + h;
        });
        if (clear) return spot;
    }
    return std::nullopt;
}

namespace {

// Steps of the automatic layout's shrinking while it cannot keep clear of the keep-outs on one sheet.
constexpr int kKeepOutShrinkSteps = 40;
constexpr double kKeepOutShrinkFactor = 0.97;
constexpr double kOnSheetToleranceMM = 1e-9;

bool MeetsAKeepOut(const Development& development, const SheetArea& sheet) {
    for (const auto& part : development.parts)
        for (const KeepOut& k : sheet.keepOuts)
            if (part->x < k.x1 && k.x0 < part->x + part->width && part->y < k.y1 &&
                k.y0 < part->y + part->height)
                return true;
    return false;
}

bool AllOnTheFirstSheet(const Development& development, const SheetArea& sheet) {
    for (const auto& part : development.parts)
        if (part->x < -kOnSheetToleranceMM || part->y < -kOnSheetToleranceMM ||
            part->x + part->width > sheet.printableWidthMM + kOnSheetToleranceMM ||
            part->y + part->height > sheet.printableHeightMM + kOnSheetToleranceMM)
            return false;
    return true;
}

// As much as a part's box may exceed a sheet and still be taken to fit it, as the unfolding's fit test
// allows.
constexpr double kPackToleranceMM = 1e-6;

// The cells parts are set out on by their shapes.
constexpr double kNestCellMM = 1.0;

// A part's faces and the flaps of its cut edges, in its box's coordinates.
NestShape ShapeOf(const Part& part) {
    NestShape shape;
    shape.w = part.width, shape.h = part.height;
    for (const Face* face : part.faces) {
        std::vector<Point2> corners;
        for (const auto& h : face->halfEdges) corners.push_back(h->Pos2D());
        shape.polygons.push_back(std::move(corners));
    }
    for (const auto& line : part.lines)
        if (line->first && !line->second && line->first->next && line->first->flapHeight > 0) {
            const auto flap = FlapOutline(*line->first);
            shape.polygons.emplace_back(flap.begin(), flap.end());
        }
    return shape;
}

// Every part on one sheet, sheets filled one after another and set out row by row in a square-ish grid;
// false (nothing moved) when some part's box with its spacing fits no sheet clear of the keep-outs. The
// boxes are packed largest first by a few measures of large, and the packing on the fewest sheets is kept
// (the first of them on a tie): which one packs best depends on the boxes' shapes.
bool PackPartsOnSheets(const std::vector<Part*>& order, double spacing, const SheetArea& sheet) {
    if (order.empty()) return false;
    std::vector<PackBlock> blocked;
    for (const KeepOut& k : sheet.keepOuts)
        blocked.push_back(
            {k.x0 - kKeepOutGapMM, k.y0 - kKeepOutGapMM, k.x1 + kKeepOutGapMM, k.y1 + kKeepOutGapMM});
    const auto measures = {
        +[](const Part* p) { return p->width * p->height; },
        +[](const Part* p) { return p->height; },
        +[](const Part* p) { return std::max(p->width, p->height); },
        +[](const Part* p) { return p->width; },
    };
    std::vector<Part*> best;
    std::vector<PackedBox> bestPacked;
    int bestSheets = 0;
    for (auto measure : measures) {
        std::vector<Part*> sorted = order;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](const Part* a, const Part* b) { return measure(a) > measure(b); });
        std::vector<PackBox> boxes;
        for (const Part* part : sorted) boxes.push_back({part->width + spacing, part->height + spacing});
        std::vector<PackedBox> packed =
            PackOnSheets(boxes, sheet.printableWidthMM, sheet.printableHeightMM, blocked, kPackToleranceMM);
        if (packed.size() != sorted.size()) return false;
        int sheets = 0;
        for (const PackedBox& p : packed) sheets = std::max(sheets, p.sheet + 1);
        if (!best.empty() && sheets >= bestSheets) continue;
        best = std::move(sorted), bestPacked = std::move(packed), bestSheets = sheets;
    }
    if (bestSheets > 1) {
        // Long curved parts leave most of their boxes empty: set out by their shapes, a neighbour may
        // reach into that room and the parts take fewer sheets. On a tie their boxes stay apart. Largest
        // box first, as `order` comes (other orders and half turns took no fewer sheets).
        std::vector<Part*> sorted = order;
        std::vector<NestShape> shapes;
        for (const Part* part : sorted) shapes.push_back(ShapeOf(*part));
        std::vector<PackedBox> nested = NestOnSheets(shapes, sheet.printableWidthMM, sheet.printableHeightMM,
                                                     blocked, spacing, kNestCellMM);
        int sheets = 0;
        for (const PackedBox& p : nested) sheets = std::max(sheets, p.sheet + 1);
        if (nested.size() == sorted.size() && sheets < bestSheets)
            best = std::move(sorted), bestPacked = std::move(nested), bestSheets = sheets;
    }
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(bestSheets))));
    for (size_t i = 0; i < best.size(); ++i) {
        best[i]->x = bestPacked[i].sheet % columns * sheet.printableWidthMM + bestPacked[i].x;
        best[i]->y = bestPacked[i].sheet / columns * sheet.printableHeightMM + bestPacked[i].y;
    }
    return true;
}

} // namespace

void LayoutParts(Development& development, double modelSize, const LayoutMethod& method,
                 const SheetArea& sheet, double& defaultFlapHeightMM) {
    const double pw = sheet.printableWidthMM;
    const double ph = sheet.printableHeightMM;
    if (!(pw > 0) || !(ph > 0) || !std::isfinite(pw) || !std::isfinite(ph)) return;
    const double ratio = ph / pw;
    const double placedScale = development.scale;
    const double spacing = method.automatic ? method.spacingPercent * modelSize / 100.0 : method.spacingMM;
    const bool avoidBreaks = method.avoidPageBreaks && !method.automatic;

    std::vector<Part*> order;
    for (auto& part : development.parts) order.push_back(part.get());
    std::stable_sort(order.begin(), order.end(), [](const Part* a, const Part* b) {
        return a->width * a->height > b->width * b->height;
    });

    if (avoidBreaks && PackPartsOnSheets(order, spacing, sheet)) {
        for (auto& part : development.parts) {
            part->x += spacing / 2;
            part->y += spacing / 2;
        }
        ComputeDevelopmentExtent(development, true);
        return;
    }

    // A cell about the mean part's size holds a few rectangles.
    double sizeSum = 0;
    int sized = 0;
    for (const Part* part : order) {
        const double size = part->width + part->height + 2 * spacing;
        if (std::isfinite(size)) sizeSum += size, ++sized;
    }
    std::vector<Point2> candidates{{0, 0}};
    std::vector<int> blockers{-1}; // per candidate: the placed rectangle that last blocked it
    PlacedRects placed(sized == 0 ? 0.0 : 0.5 * sizeSum / sized);
    double extentW = 0, extentH = 0;

    // The keep-outs of the sheets the parts may take, as rectangles no part's may overlap. The automatic
    // layout is scaled afterwards, so it has no sheets to keep to while it places the parts.
    PlacedRects zones(pw);
    std::vector<Point2> spots{{0, 0}};
    if (!method.automatic && !sheet.keepOuts.empty()) {
        double area = 0;
        for (const Part* part : order) area += (part->width + spacing) * (part->height + spacing);
        const double sheets = std::isfinite(area) ? area / (pw * ph) : 0;
        const int grid = static_cast<int>(std::min(64.0, 2 * std::ceil(std::sqrt(sheets)) + 4));
        for (int row = 0; row < grid; ++row)
            for (int column = 0; column < grid; ++column)
                for (const KeepOut& k : sheet.keepOuts)
                    zones.Add({column * pw + k.x0 - kKeepOutGapMM, row * ph + k.y0 - kKeepOutGapMM,
                               column * pw + k.x1 + kKeepOutGapMM, row * ph + k.y1 + kKeepOutGapMM});
        spots = SpotsOnSheet(sheet);
        for (Point2& spot : spots) spot = spot + Point2{kKeepOutGapMM, kKeepOutGapMM};
        spots.front() = {0, 0};
        candidates = spots;
        blockers.assign(candidates.size(), -1);
    }

    for (Part* part : order) {
        const double w = part->width, h = part->height;
        const bool fitsSheet = FreeSpotOnSheet(w + spacing, h + spacing, sheet).has_value();
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
            if (placed.Hits(TrialRect(c.x, c.y, w, h, spacing), blockers[i])) continue;
            // A part too big for the room between the keep-outs cannot keep clear of them anyway.
            int zone = -1;
            if (fitsSheet && zones.Hits(TrialRect(c.x, c.y, w, h, spacing), zone)) continue;
            best = static_cast<int>(i);
            bestScore = score;
        }

        Point2 position;
        bool onFreshSheet = false;
        if (best >= 0) {
            position = candidates[best];
        } else if (avoidBreaks && FindFreeSheet(w, h, spacing, pw, ph, placed,
                                                fitsSheet ? zones : PlacedRects(0), spots, position)) {
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
        placed.Add(PlacedRect(*part, spacing));

        candidates.push_back({position.x + w + spacing, position.y});
        const double below = position.y + h + spacing;
        if (!onFreshSheet) {
            double rightEdge = 0;
            for (const Rect& r : placed.All()) {
                if (r.y0 < below && r.y1 > below) rightEdge = std::max(rightEdge, r.x1);
            }
            candidates.push_back({rightEdge, below});
            candidates.erase(candidates.begin() + best);
            blockers.erase(blockers.begin() + best);
        } else {
            candidates.push_back({position.x, below});
        }
        blockers.resize(candidates.size(), -1);
    }

    for (auto& part : development.parts) {
        part->x += spacing / 2;
        part->y += spacing / 2;
    }
    ComputeDevelopmentExtent(development, true);

    if (method.automatic && extentW > 0 && extentH > 0) {
        // The factor is relative to the scale the parts were laid out at (1.0 after unfolding).
        const double factor = std::min(pw / extentW, ph / extentH);
        defaultFlapHeightMM *= ScaleDevelopment(development, development.scale * factor, false);
        ComputeDevelopmentExtent(development, true);
        if (!sheet.keepOuts.empty() && MeetsAKeepOut(development, sheet)) {
            // Scaled after placing, the arrangement could not keep to the zones: it is laid out again at its
            // own scale with them, one step smaller each time it no longer fits the one sheet.
            LayoutMethod fixed = method;
            fixed.automatic = false;
            fixed.avoidPageBreaks = true;
            const double spacingAtScale = spacing * factor / development.scale;
            bool clear = false;
            for (int step = 0; step < kKeepOutShrinkSteps && !clear; ++step) {
                if (step > 0)
                    defaultFlapHeightMM *=
                        ScaleDevelopment(development, development.scale * kKeepOutShrinkFactor, false);
                fixed.spacingMM = spacingAtScale * development.scale;
                LayoutParts(development, modelSize, fixed, sheet, defaultFlapHeightMM);
                clear = AllOnTheFirstSheet(development, sheet) && !MeetsAKeepOut(development, sheet);
            }
            if (!clear) {
                // No room between the zones at any size tried: the plain arrangement, as before.
                SheetArea plain = sheet;
                plain.keepOuts.clear();
                defaultFlapHeightMM *= ScaleDevelopment(development, placedScale, false);
                LayoutParts(development, modelSize, method, plain, defaultFlapHeightMM);
                return;
            }
        }
        defaultFlapHeightMM = std::trunc(defaultFlapHeightMM * 10 + 0.5) * 0.1;
    }
}

void RecalculatePartsLayout(Document& document, const LayoutMethod& method, const SheetArea& sheet) {
    if (!document.development || !document.model) return;
    double& flapHeight = document.display.defaultFlapHeightMM;
    flapHeight *=
        ScaleDevelopment(*document.development, method.automatic ? 1.0 : document.documentScale, false);
    LayoutParts(*document.development, document.model->size, method, sheet, flapHeight);
    BringTextsOntoSheets(*document.development, sheet);
    document.developmentLayout = method;
}

namespace {

// A layout that puts a text exactly against a sheet's edge must not count as across it.
constexpr double kSheetEdgeToleranceMM = 1e-6;

// The shift that brings [low, high] into the sheet of `index` along one axis (of length `step`), or onto
// its start when it is longer than the sheet.
double ShiftIntoSheet(double low, double high, double index, double step) {
    const double start = index * step, end = start + step;
    if (high - low > step) return start - low;
    if (low < start) return start - low;
    if (high > end) return end - high;
    return 0;
}

// Which sheet along one axis a span [low, high] lies on whole, or -1 when none does.
double SheetHolding(double low, double high, double step) {
    const double index = std::floor((low + kSheetEdgeToleranceMM) / step);
    if (index < 0 || high > (index + 1) * step + kSheetEdgeToleranceMM) return -1;
    return index;
}

} // namespace

void BringTextsOntoSheets(Development& development, const SheetArea& sheet) {
    const double pw = sheet.printableWidthMM, ph = sheet.printableHeightMM;
    if (!(pw > 0) || !(ph > 0) || !std::isfinite(pw) || !std::isfinite(ph)) return;
    // The sheets the parts cover, counted as the sheet grid counts them (1 % past a sheet adds none).
    double partsRight = 0, partsBottom = 0;
    for (const auto& part : development.parts) {
        if (!part || !std::isfinite(part->x + part->width + part->y + part->height)) continue;
        partsRight = std::max(partsRight, part->x + part->width);
        partsBottom = std::max(partsBottom, part->y + part->height);
    }
    const double lastColumn = std::floor(partsRight / (pw * 1.01));
    const double lastRow = std::floor(partsBottom / (ph * 1.01));
    for (auto& text : development.texts) {
        if (!text) continue;
        double* rect = text->rect;
        const double x0 = std::min(rect[0], rect[0] + rect[2]), x1 = std::max(rect[0], rect[0] + rect[2]);
        const double y0 = std::min(rect[1], rect[1] + rect[3]), y1 = std::max(rect[1], rect[1] + rect[3]);
        if (!std::isfinite(x0 + x1 + y0 + y1)) continue;
        if (SheetHolding(x0, x1, pw) >= 0 && SheetHolding(y0, y1, ph) >= 0) continue;
        // The sheet nearest the text's centre among the parts' sheets.
        const double column = std::clamp(std::floor((x0 + x1) / 2 / pw), 0.0, lastColumn);
        const double row = std::clamp(std::floor((y0 + y1) / 2 / ph), 0.0, lastRow);
        rect[0] += ShiftIntoSheet(x0, x1, column, pw);
        rect[1] += ShiftIntoSheet(y0, y1, row, ph);
    }
}

LayoutMethod ProposedLayoutMethod(const Document& document, const LayoutMethod& preferred) {
    return document.developmentLayout.value_or(preferred);
}

bool SameLayout(const LayoutMethod& a, double scaleA, const LayoutMethod& b, double scaleB) {
    if (a.automatic != b.automatic) return false;
    if (a.automatic) return a.spacingPercent == b.spacingPercent;
    return a.spacingMM == b.spacingMM && a.avoidPageBreaks == b.avoidPageBreaks && scaleA == scaleB;
}

} // namespace tsm
