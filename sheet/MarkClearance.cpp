#include "sheet/MarkClearance.h"

#include "sheet/CutFiles.h"

#include <algorithm>
#include <map>

namespace tsm {

namespace {

// Rooms are searched on this grid (mm).
constexpr double kSearchStepMM = 1.0;

PaperRect BoxOf(const ClosedPath& path) {
    PaperRect box{path[0].x, path[0].y, path[0].x, path[0].y};
    for (const Point2& p : path) {
        box.left = std::min(box.left, p.x);
        box.right = std::max(box.right, p.x);
        box.top = std::min(box.top, p.y);
        box.bottom = std::max(box.bottom, p.y);
    }
    return box;
}

PaperRect Joined(const PaperRect& a, const PaperRect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

PaperRect Moved(const PaperRect& r, const Point2& by) {
    return {r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}

PaperRect Grown(const PaperRect& r, double by) {
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

// Overlap with some area; touching boxes do not overlap.
bool Overlaps(const PaperRect& a, const PaperRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string NumberList(const std::vector<size_t>& parts) {
    std::string list;
    for (size_t part : parts) list += (list.empty() ? "" : ", ") + std::to_string(part + 1);
    return list;
}

} // namespace

std::vector<PartMove> PlanMarkClearance(const Document& document, const Settings& settings,
                                        const Paper& paper, MarksKind marks) {
    std::vector<PartMove> plan;
    const std::vector<PaperRect> zones = MarkKeepOutZones(marks, paper);
    if (zones.empty() || document.development == nullptr) return plan;
    const std::vector<CutSheet> sheets = BuildCutSheets(document, settings, paper, marks);

    // Each part's box in development millimetres, and the sheet it is cut from.
    std::map<size_t, PaperRect> boxes;
    std::map<size_t, size_t> sheetOf;
    std::vector<size_t> intruding;
    for (size_t s = 0; s < sheets.size(); ++s) {
        const Point2 shift = SheetShift(paper, sheets[s].sheet);
        for (const PartCutOutline& cut : sheets[s].cuts) {
            const PaperRect paperBox = BoxOf(cut.outer);
            const PaperRect box = Moved(paperBox, {-shift.x, -shift.y});
            const auto found = boxes.find(cut.partIndex);
            boxes[cut.partIndex] = found == boxes.end() ? box : Joined(found->second, box);
            sheetOf.emplace(cut.partIndex, s);
            for (const PaperRect& zone : zones)
                if (Overlaps(zone, paperBox)) intruding.push_back(cut.partIndex);
        }
    }
    std::sort(intruding.begin(), intruding.end());
    intruding.erase(std::unique(intruding.begin(), intruding.end()), intruding.end());

    const double pw = paper.PrintableWidth(), ph = paper.PrintableHeight();
    for (size_t part : intruding) {
        const PaperRect box = boxes[part];
        const double w = box.right - box.left, h = box.bottom - box.top;
        std::vector<size_t> order{sheetOf[part]};
        for (size_t s = 0; s < sheets.size(); ++s)
            if (s != sheetOf[part]) order.push_back(s);
        PartMove move;
        move.partIndex = part;
        for (size_t s : order) {
            if (move.placed) break;
            const SheetIndex& sheet = sheets[s].sheet;
            const Point2 shift = SheetShift(paper, sheet);
            std::vector<PaperRect> obstacles;
            for (const PaperRect& zone : zones)
                obstacles.push_back(Grown(Moved(zone, {-shift.x, -shift.y}), kClearanceGapMM));
            for (const auto& [other, otherBox] : boxes)
                if (other != part) obstacles.push_back(Grown(otherBox, kClearanceGapMM));
            const double left = sheet.column * pw, top = sheet.row * ph;
            for (double y = top; !move.placed && y + h <= top + ph; y += kSearchStepMM) {
                for (double x = left; x + w <= left + pw; x += kSearchStepMM) {
                    const PaperRect candidate{x, y, x + w, y + h};
                    if (std::none_of(obstacles.begin(), obstacles.end(),
                                     [&](const PaperRect& o) { return Overlaps(o, candidate); })) {
                        move.by = {x - box.left, y - box.top};
                        move.placed = true;
                        boxes[part] = candidate;
                        break;
                    }
                }
            }
        }
        plan.push_back(move);
    }
    return plan;
}

EditResult ApplyMarkClearance(EditContext& context, const std::vector<PartMove>& plan) {
    const bool any = std::any_of(plan.begin(), plan.end(), [](const PartMove& m) { return m.placed; });
    if (!any || context.document.development == nullptr) return UpdateHint::Redraw;
    Development& development = *context.document.development;
    return RunDevelopmentEdit(context, UpdateHint::KeepGridInPlace, [&]() {
        for (const PartMove& move : plan)
            if (move.placed && move.partIndex < development.parts.size() &&
                development.parts[move.partIndex] != nullptr)
                MovePart(*development.parts[move.partIndex], move.by);
    });
}

std::string MarkClearanceMessage(const std::vector<PartMove>& plan) {
    std::vector<size_t> moved, stuck;
    for (const PartMove& move : plan) (move.placed ? moved : stuck).push_back(move.partIndex);
    std::string text;
    if (!moved.empty())
        text += (moved.size() == 1 ? "Part " + NumberList(moved) + " was"
                                   : "Parts " + NumberList(moved) + " were") +
                " moved away from the registration marks.";
    if (!stuck.empty()) {
        if (!text.empty()) text += '\n';
        text += (stuck.size() == 1 ? "Part " + NumberList(stuck) + " lies"
                                   : "Parts " + NumberList(stuck) + " lie") +
                " within 20 mm of a registration mark and found no free room; move " +
                (stuck.size() == 1 ? "it" : "them") + " before cutting.";
    }
    return text;
}

EditResult ClearMarkZonesBeforePrinting(Document& document, const Settings& settings, const Paper& paper,
                                        IPrompt& prompt) {
    const MarksKind marks = MarksKindOf(settings);
    if (marks == MarksKind::None || document.development == nullptr) return UpdateHint::Redraw;
    const std::vector<PartMove> plan = PlanMarkClearance(document, settings, paper, marks);
    if (plan.empty()) return UpdateHint::Redraw;
    EditContext context{document, settings, paper.PrintableWidth()};
    const EditResult moved = ApplyMarkClearance(context, plan);
    prompt.Message(MarkClearanceMessage(plan));
    UpdateSheetGrid(document, paper, true);
    return moved;
}

} // namespace tsm
