#include "engine/EdgeLabels.h"

#include "engine/BuildOrder.h"
#include "engine/FlapOutline.h"
#include "engine/Flaps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace tsm {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMillimetresPerPoint = 25.4 / 72.0;
// Lines are drawn about 0.2 mm wide: a label keeps this far from every line.
constexpr double kLineClearanceMM = 0.25;
// Each try shrinks the label by this much until it reaches the smallest size.
constexpr double kShrinkStep = 0.88;
// Where there is room, labels are this much larger than the smallest size.
constexpr double kRoomyLabelScale = 1.5;
// How far a leader may reach for a free spot.
constexpr double kLongestLeaderMM = 40.0;
// A segment covering more cells than this is checked against every box instead of being filed.
constexpr int64_t kMostCellsPerItem = 4096;

double Dot2(const Point2& a, const Point2& b) {
    return a.x * b.x + a.y * b.y;
}
bool Finite(const Point2& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

struct Segment {
    Point2 a, b;
};

struct Box {
    Point2 centre;
    Point2 u; // along the baseline, unit
    double halfWidth = 0, halfHeight = 0;
    Point2 V() const { return {-u.y, u.x}; }
};

Box MakeBox(const Point2& centre, double angle, double sizeMM, size_t characters) {
    return {centre,
            {std::cos(angle), std::sin(angle)},
            0.5 * kLabelCharWidthEm * sizeMM * characters,
            0.5 * sizeMM};
}

std::array<Point2, 4> Corners(const Box& box) {
    const Point2 w = box.u * box.halfWidth, h = box.V() * box.halfHeight;
    return {box.centre - w - h, box.centre + w - h, box.centre + w + h, box.centre - w + h};
}

// Does the segment come within `margin` of the box? Clipped in the box's own frame.
bool SegmentMeetsBox(const Segment& s, const Box& box, double margin) {
    const Point2 v = box.V();
    const Point2 a{Dot2(s.a - box.centre, box.u), Dot2(s.a - box.centre, v)};
    const Point2 b{Dot2(s.b - box.centre, box.u), Dot2(s.b - box.centre, v)};
    const double hx = box.halfWidth + margin, hy = box.halfHeight + margin;
    double t0 = 0, t1 = 1;
    const Point2 d = b - a;
    const double p[4] = {-d.x, d.x, -d.y, d.y};
    const double q[4] = {a.x + hx, hx - a.x, a.y + hy, hy - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

// Segments and placed boxes filed by the cells of a square grid, so that a box is checked only against
// what lies near it.
class Grid {
public:
    explicit Grid(double cellMM) : cell_(cellMM) {}

    void AddSegment(const Segment& s) {
        segments_.push_back(s);
        File(std::min(s.a.x, s.b.x), std::min(s.a.y, s.b.y), std::max(s.a.x, s.b.x), std::max(s.a.y, s.b.y),
             static_cast<int>(segments_.size() - 1), segmentCells_, wideSegments_);
    }
    void AddBox(const Box& box) {
        boxes_.push_back(box);
        double x0, y0, x1, y1;
        Bounds(box, 0, x0, y0, x1, y1);
        File(x0, y0, x1, y1, static_cast<int>(boxes_.size() - 1), boxCells_, wideBoxes_);
    }

    bool Free(const Box& box) const {
        double x0, y0, x1, y1;
        Bounds(box, kLineClearanceMM, x0, y0, x1, y1);
        const auto corners = Corners(box);
        const auto segmentHits = [&](int i) { return SegmentMeetsBox(segments_[i], box, kLineClearanceMM); };
        const auto boxHits = [&](int i) { return LabelBoxesOverlap(corners, Corners(boxes_[i])); };
        for (int i : wideSegments_)
            if (segmentHits(i)) return false;
        for (int i : wideBoxes_)
            if (boxHits(i)) return false;
        const int64_t cx0 = Cell(x0), cx1 = Cell(x1), cy0 = Cell(y0), cy1 = Cell(y1);
        if ((cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kMostCellsPerItem) return false;
        for (int64_t cx = cx0; cx <= cx1; ++cx)
            for (int64_t cy = cy0; cy <= cy1; ++cy) {
                const int64_t key = Key(cx, cy);
                if (const auto s = segmentCells_.find(key); s != segmentCells_.end())
                    for (int i : s->second)
                        if (segmentHits(i)) return false;
                if (const auto b = boxCells_.find(key); b != boxCells_.end())
                    for (int i : b->second)
                        if (boxHits(i)) return false;
            }
        return true;
    }

private:
    using Cells = std::unordered_map<int64_t, std::vector<int>>;

    static void Bounds(const Box& box, double margin, double& x0, double& y0, double& x1, double& y1) {
        const double ex = std::abs(box.u.x) * box.halfWidth + std::abs(box.u.y) * box.halfHeight + margin;
        const double ey = std::abs(box.u.y) * box.halfWidth + std::abs(box.u.x) * box.halfHeight + margin;
        x0 = box.centre.x - ex;
        x1 = box.centre.x + ex;
        y0 = box.centre.y - ey;
        y1 = box.centre.y + ey;
    }
    int64_t Cell(double v) const {
        return static_cast<int64_t>(std::floor(std::clamp(v / cell_, -1e6, 1e6)));
    }
    static int64_t Key(int64_t cx, int64_t cy) {
        return (cx + (int64_t(1) << 21)) << 22 | (cy + (int64_t(1) << 21));
    }

    void File(double x0, double y0, double x1, double y1, int index, Cells& cells, std::vector<int>& wide) {
        const int64_t cx0 = Cell(x0), cx1 = Cell(x1), cy0 = Cell(y0), cy1 = Cell(y1);
        if ((cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kMostCellsPerItem) {
            wide.push_back(index);
            return;
        }
        for (int64_t cx = cx0; cx <= cx1; ++cx)
            for (int64_t cy = cy0; cy <= cy1; ++cy) cells[Key(cx, cy)].push_back(index);
    }

    double cell_;
    std::vector<Segment> segments_;
    std::vector<Box> boxes_;
    Cells segmentCells_, boxCells_;
    std::vector<int> wideSegments_, wideBoxes_;
};

std::vector<Point2> FacePolygon(const Face& face, const Point2& offset) {
    std::vector<Point2> points;
    for (const auto& corner : face.halfEdges) points.push_back(offset + corner->Pos2D());
    return points;
}

bool HasOwnFlap(const HalfEdge& side) {
    return side.line != nullptr && side.line->first == &side && !side.line->hidden &&
           HasDrawnFlap(side.line->drawKind);
}

bool Whole(const Development& development) {
    for (const auto& part : development.parts) {
        if (part == nullptr) return false;
        for (const Face* face : part->faces)
            if (face == nullptr) return false;
    }
    return true;
}

class Placer {
public:
    Placer(const Development& development, const EdgeLabelRules& rules)
        : development_(development), rules_(rules), grid_(4.0) {
        // The build order needs every part and face in place; a damaged development labels IDs alone.
        if (rules.partEdge && Whole(development))
            numbers_ = PartNumbers(DeriveBuildOrder(development), development.parts.size());
        for (size_t p = 0; p < development.parts.size(); ++p) partIndex_[development.parts[p].get()] = int(p);
        // Every face edge and every drawn flap outline is a line no label may cross.
        for (const auto& part : development.parts) {
            if (part == nullptr) continue;
            const Point2 offset{part->x, part->y};
            for (const Face* face : part->faces) {
                if (face == nullptr) continue;
                for (const auto& corner : face->halfEdges) {
                    if (corner == nullptr || corner->next == nullptr) continue;
                    AddSegment(offset + corner->Pos2D(), offset + corner->next->Pos2D());
                    if (!HasOwnFlap(*corner)) continue;
                    const std::array<Point2, 4> q = FlapOutline(*corner);
                    for (int i = 0; i < 3; ++i) AddSegment(offset + q[i], offset + q[i + 1]);
                }
            }
        }
    }

    void KeepOut(const std::array<Point2, 4>& corners) {
        const Point2 centre = (corners[0] + corners[2]) * 0.5;
        const Point2 along = corners[1] - corners[0], across = corners[3] - corners[0];
        const double width = Length(along), height = Length(across);
        if (!(width > 0) || !Finite(centre)) return;
        grid_.AddBox({centre, along * (1 / width), width / 2, height / 2});
    }

    void PlaceAll(std::vector<EdgeLabel>& out) {
        for (const auto& part : development_.parts) {
            if (part == nullptr) continue;
            const Point2 offset{part->x, part->y};
            for (const Face* face : part->faces) {
                if (face == nullptr || face->CornerCount() < 3) continue;
                const std::vector<Point2> polygon = FacePolygon(*face, offset);
                const double area = SignedArea(polygon);
                if (!(std::abs(area) > 0)) continue;
                for (const auto& corner : face->halfEdges)
                    if (corner->edge != nullptr && corner->edge->edgeId != -1 && corner->next != nullptr)
                        PlaceSide(*corner, offset, polygon, area > 0, out);
            }
        }
    }

private:
    void AddSegment(const Point2& a, const Point2& b) {
        if (Finite(a) && Finite(b)) grid_.AddSegment({a, b});
    }

    std::string TextOf(const HalfEdge& side) const {
        const std::string id = std::to_string(side.edge->edgeId);
        if (!rules_.partEdge || side.twin == nullptr || side.twin->face == nullptr) return id;
        const auto other = partIndex_.find(side.twin->face->part);
        if (other == partIndex_.end() || size_t(other->second) >= numbers_.size() ||
            numbers_[other->second] <= 0)
            return id;
        return std::to_string(numbers_[other->second]) + "-" + id;
    }

    // The largest size from the largest down to the smallest at which the label fits next to the edge on
    // the side `inward` points to, its centre within `region`; slid along the edge when the middle is taken.
    bool FitBeside(EdgeLabel& label, const Point2& a, const Point2& b, const Point2& inward,
                   const std::vector<Point2>& region) {
        const double length = Length(b - a);
        const Point2 mid = (a + b) * 0.5, along = (b - a) * (1 / length);
        for (double size = rules_.largestSizeMM;;
             size = std::max(rules_.smallestSizeMM, size * kShrinkStep)) {
            const double lift = kLineClearanceMM + 0.15 * size + 0.5 * size;
            for (double slide : {0.0, -0.2, 0.2, -0.35, 0.35}) {
                const Point2 centre = mid + along * (slide * length) + inward * lift;
                const Box box = MakeBox(centre, label.angle, size, label.text.size());
                if (!PointInPolygon(centre, region) || !grid_.Free(box)) continue;
                label.centreMM = centre;
                label.sizeMM = size;
                grid_.AddBox(box);
                return true;
            }
            if (size <= rules_.smallestSizeMM) return false;
        }
    }

    // The nearest free spot around the edge's middle, at the smallest size and level, for a leader.
    bool FitAtLeader(EdgeLabel& label, const Point2& mid, const Point2& inward) {
        const double size = rules_.smallestSizeMM;
        const double start = size * 1.5, step = size * 0.6;
        for (double r = start; r <= kLongestLeaderMM; r += step) {
            const int directions = std::clamp(static_cast<int>(2 * kPi * r / step), 8, 256);
            for (int k = 0; k < directions; ++k) {
                // Alternating sides of the inward direction, nearest the face first.
                const double turn = ((k + 1) / 2) * (2 * kPi / directions) * (k % 2 == 0 ? 1 : -1);
                const Point2 centre = mid + Rotate(inward, turn) * r;
                const Box box = MakeBox(centre, 0.0, size, label.text.size());
                if (!OnSheetOf(mid, box) || !grid_.Free(box)) continue;
                label.centreMM = centre;
                label.sizeMM = size;
                label.angle = 0.0;
                label.spot = EdgeLabelSpot::Leader;
                label.leaderStartMM = mid + inward * kLineClearanceMM;
                const Point2 back = label.leaderStartMM - centre;
                const double reach = std::min((box.halfWidth + 0.2) / std::max(1e-12, std::abs(back.x)),
                                              (box.halfHeight + 0.2) / std::max(1e-12, std::abs(back.y)));
                label.leaderEndMM = centre + back * std::min(1.0, reach);
                grid_.AddBox(box);
                return true;
            }
        }
        return false;
    }

    // Whether `box` lies within the printable area of the sheet `point` is on (one at negative coordinates
    // counts as on the first), clear of that sheet's keep-outs.
    bool OnSheetOf(const Point2& point, const Box& box) const {
        if (!rules_.sheet) return true;
        const SheetArea& sheet = *rules_.sheet;
        const double w = sheet.printableWidthMM, h = sheet.printableHeightMM;
        if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h)) return true;
        const Point2 origin{std::max(0.0, std::floor(point.x / w)) * w,
                            std::max(0.0, std::floor(point.y / h)) * h};
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (const Point2& corner : Corners(box)) {
            x0 = std::min(x0, corner.x - origin.x);
            x1 = std::max(x1, corner.x - origin.x);
            y0 = std::min(y0, corner.y - origin.y);
            y1 = std::max(y1, corner.y - origin.y);
        }
        if (!(x0 >= 0 && y0 >= 0 && x1 <= w && y1 <= h)) return false;
        for (const auto& k : sheet.keepOuts)
            if (x0 < k.x1 && k.x0 < x1 && y0 < k.y1 && k.y0 < y1) return false;
        return true;
    }

    void PlaceSide(const HalfEdge& side, const Point2& offset, const std::vector<Point2>& polygon,
                   bool leftIsInside, std::vector<EdgeLabel>& out) {
        const Point2 a = offset + side.Pos2D(), b = offset + side.next->Pos2D();
        const double length = Length(b - a);
        if (!(length > 0) || !std::isfinite(length)) return;
        const Point2 along = (b - a) * (1 / length);
        const Point2 left{-along.y, along.x};
        const Point2 inward = leftIsInside ? left : left * -1.0;
        EdgeLabel label;
        label.edgeId = side.edge->edgeId;
        label.side = &side;
        label.text = TextOf(side);
        // Never upside down: the baseline runs rightwards, or upwards on the sheet for an upright edge.
        const Point2 reading =
            (along.x > 1e-9 || (std::abs(along.x) <= 1e-9 && along.y < 0)) ? along : along * -1.0;
        label.angle = std::atan2(reading.y, reading.x);

        std::vector<Point2> flap;
        if (HasOwnFlap(side)) {
            const std::array<Point2, 4> q = FlapOutline(side);
            for (const Point2& p : q) flap.push_back(offset + p);
        }
        const auto onFlap = [&] {
            if (flap.empty() || !FitBeside(label, a, b, inward * -1.0, flap)) return false;
            label.spot = EdgeLabelSpot::Flap;
            return true;
        };
        const auto onFace = [&] {
            if (!FitBeside(label, a, b, inward, polygon)) return false;
            label.spot = EdgeLabelSpot::Face;
            return true;
        };
        const bool placed = rules_.onFlaps ? onFlap() || onFace() : onFace() || onFlap();
        if (placed || FitAtLeader(label, (a + b) * 0.5, inward)) out.push_back(std::move(label));
    }

    const Development& development_;
    EdgeLabelRules rules_;
    Grid grid_;
    std::vector<int> numbers_;
    std::unordered_map<const Part*, int> partIndex_;
};

} // namespace

EdgeLabelRules EdgeLabelRulesOf(const Settings& settings) {
    EdgeLabelRules rules;
    rules.onFlaps = settings.edgeLabelsOnFlaps;
    rules.partEdge = settings.edgeLabelsWithPart;
    // A damaged setting neither makes labels vanish nor grow past any sheet.
    const double cap =
        std::isfinite(settings.edgeLabelMinCapMM) ? std::clamp(settings.edgeLabelMinCapMM, 0.3, 20.0) : 1.5;
    rules.smallestSizeMM = cap / kLabelCapHeightEm;
    // Where there is room, a label is half again as tall as the smallest, or as the edge ID font if larger.
    rules.largestSizeMM =
        std::clamp(settings.edgeIdFontSizePt * kMillimetresPerPoint, kRoomyLabelScale * rules.smallestSizeMM,
                   std::max(kRoomyLabelScale * rules.smallestSizeMM, 20.0));
    return rules;
}

std::array<Point2, 4> LabelBox(const Point2& centre, double angle, double sizeMM, size_t characters) {
    return Corners(MakeBox(centre, angle, sizeMM, characters));
}

bool LabelBoxesOverlap(const std::array<Point2, 4>& a, const std::array<Point2, 4>& b) {
    // Separating axes: the two edge directions of each box.
    for (const auto* box : {&a, &b})
        for (int e = 0; e < 2; ++e) {
            const Point2 d = (*box)[e + 1] - (*box)[e];
            const Point2 axis{-d.y, d.x};
            double minA = 1e300, maxA = -1e300, minB = 1e300, maxB = -1e300;
            for (const Point2& p : a) {
                minA = std::min(minA, Dot2(p, axis));
                maxA = std::max(maxA, Dot2(p, axis));
            }
            for (const Point2& p : b) {
                minB = std::min(minB, Dot2(p, axis));
                maxB = std::max(maxB, Dot2(p, axis));
            }
            const double slack = 1e-9 * (Dot2(axis, axis) + 1);
            if (maxA <= minB + slack || maxB <= minA + slack) return false;
        }
    return true;
}

std::vector<EdgeLabel> PlaceEdgeLabels(const Development& development, const EdgeLabelRules& rules,
                                       const std::vector<std::array<Point2, 4>>& keepOut) {
    std::vector<EdgeLabel> labels;
    if (!(rules.smallestSizeMM > 0) || !(rules.largestSizeMM >= rules.smallestSizeMM)) return labels;
    Placer placer(development, rules);
    for (const auto& box : keepOut) placer.KeepOut(box);
    placer.PlaceAll(labels);
    return labels;
}

} // namespace tsm
