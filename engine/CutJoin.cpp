// Cutting a part along a fold and joining two sides of a cut edge: the join tool's two operations.
#include "engine/CutJoin.h"

#include "engine/Extents.h"
#include "engine/Unfolder.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_set>

namespace tsm {

namespace {

Point2 OffsetOf(const Part* part) {
    return part != nullptr ? Point2{part->x, part->y} : Point2{};
}

double Angle(const Point2& p) {
    return std::atan2(p.y, p.x);
}

PartLine* AppendLine(Part& part, HalfEdge* first) {
    auto line = std::make_unique<PartLine>();
    line->first = first;
    line->edge = first->edge;
    line->drawKind = DrawKind::Omitted;
    line->lineKind = LineKind::NoFlap;
    first->line = line.get();
    part.lines.push_back(std::move(line));
    return part.lines.back().get();
}

void EraseLine(Part& part, const PartLine* line) {
    auto& lines = part.lines;
    lines.erase(
        std::remove_if(lines.begin(), lines.end(), [line](const LinePtr& l) { return l.get() == line; }),
        lines.end());
}

// Opens a fold: `side` keeps its record (or the record it shares), the other side gets one of its own.
void Unjoin(Part& part, HalfEdge* side) {
    HalfEdge* other = side->Joined();
    side->joinsTwin = other->joinsTwin = false;
    PartLine* shared = side->line;
    if (shared == nullptr) {
        AppendLine(part, side);
    } else {
        // The record stays with whichever side it names first.
        HalfEdge* keeper = shared->first == other ? other : side;
        HalfEdge* loser = keeper == side ? other : side;
        shared->first = keeper;
        shared->second = nullptr;
        keeper->line = shared;
        AppendLine(part, loser);
    }
}

// The faces of `part` reachable from `start` across joined corners.
std::unordered_set<const Face*> Reachable(const Part& part, Face* start) {
    std::unordered_set<const Face*> reached{start};
    std::vector<Face*> stack{start};
    while (!stack.empty()) {
        Face* face = stack.back();
        stack.pop_back();
        for (auto& corner : face->halfEdges) {
            const HalfEdge* j = corner->Joined();
            if (j == nullptr || j->face == nullptr || j->face->part != &part) continue;
            if (reached.insert(j->face).second) stack.push_back(j->face);
        }
    }
    return reached;
}

// Moves the faces of `part` that `keep` does not hold, with their line records, into a new part at the
// same position, appended to the development. Returns it, or null when every face is kept.
Part* SplitOff(Development& development, Part& part, const std::unordered_set<const Face*>& keep) {
    if (keep.size() == part.faces.size()) return nullptr;
    auto piece = std::make_unique<Part>();
    piece->x = part.x;
    piece->y = part.y;
    piece->solid = part.solid;
    // Both pieces stand where the part stood in a user's build order; the rule orders them there.
    piece->buildStep = part.buildStep;
    std::vector<Face*> kept;
    for (Face* face : part.faces) {
        if (keep.count(face) != 0) {
            kept.push_back(face);
        } else {
            piece->faces.push_back(face);
        }
    }
    part.faces = std::move(kept);
    std::vector<LinePtr> keptLines;
    for (auto& line : part.lines) {
        const Face* face = line->first != nullptr ? line->first->face : nullptr;
        if (face != nullptr && keep.count(face) == 0) {
            piece->lines.push_back(std::move(line));
        } else {
            keptLines.push_back(std::move(line));
        }
    }
    part.lines = std::move(keptLines);
    Part* added = development.AppendPart(std::move(piece));
    for (Face* face : added->faces) face->part = added;
    return added;
}

// The faces' part numbers follow the development's order, as the file writer and the unfolder keep them.
void RenumberFaces(Development& development) {
    for (size_t i = 0; i < development.parts.size(); ++i)
        for (Face* face : development.parts[i]->faces) face->partIndex = static_cast<int>(i);
}

void RemovePart(Development& development, const Part* part) {
    auto& parts = development.parts;
    parts.erase(std::remove_if(parts.begin(), parts.end(),
                               [part](const std::unique_ptr<Part>& p) { return p.get() == part; }),
                parts.end());
}

// Puts `face` (positions relative to its own part) onto the part of h: t's start lands on h's end and t
// runs opposite to h. The angle is the same in development coordinates, as both offsets only translate;
// working relative to t keeps the edge's two ends exact.
struct JoinTurn {
    double c = 1, s = 0;
    Point2 from, to;

    JoinTurn(const HalfEdge& h, const HalfEdge& t) {
        const double theta = Angle(h.Pos2D() - h.next->Pos2D()) - Angle(t.next->Pos2D() - t.Pos2D());
        c = std::cos(theta);
        s = std::sin(theta);
        from = t.Pos2D();
        to = h.next->Pos2D();
    }
    Point2 Apply(const Point2& p) const {
        const Point2 d = p - from;
        return Point2{c * d.x - s * d.y, s * d.x + c * d.y} + to;
    }
};

// Moves the corners of `faces` by the join turn of h and t; corners that lay exactly on t's two ends land
// exactly on h's.
void TurnFaces(const std::vector<Face*>& faces, const HalfEdge& h, const HalfEdge& t) {
    const JoinTurn turn(h, t);
    const Point2 tStart = t.Pos2D(), tEnd = t.next->Pos2D();
    const Point2 hStart = h.Pos2D(), hEnd = h.next->Pos2D();
    for (Face* face : faces)
        for (auto& corner : face->halfEdges) {
            const Point2 p = corner->Pos2D();
            const Point2 q = p == tStart ? hEnd : p == tEnd ? hStart : turn.Apply(p);
            corner->x2d = q.x;
            corner->y2d = q.y;
        }
}

} // namespace

std::array<Point2, 2> LineEnds(const PartLine& line) {
    const HalfEdge* h = line.first;
    if (h == nullptr) return {};
    const Point2 offset = OffsetOf(h->face != nullptr ? h->face->part : nullptr);
    const Point2 start = h->Pos2D() + offset;
    const Point2 end = h->next != nullptr ? h->next->Pos2D() + offset : start;
    return {start, end};
}

Part* PartOf(const PartLine& line) {
    return line.first != nullptr && line.first->face != nullptr ? line.first->face->part : nullptr;
}

bool IsFoldLine(const PartLine& line) {
    const HalfEdge* h = line.first;
    return h != nullptr && h->Joined() != nullptr && h->Joined() == line.second && h->face != nullptr &&
           h->next != nullptr && h->face->part != nullptr && h->Joined()->face != nullptr &&
           h->Joined()->face->part == h->face->part;
}

bool IsJoinableCutLine(const PartLine& line) {
    const HalfEdge* h = line.first;
    if (h == nullptr || h->Joined() != nullptr || h->next == nullptr || h->face == nullptr) return false;
    const HalfEdge* t = h->twin;
    // A face that borders itself cannot be turned onto itself; a twin outside the development has no side
    // to move.
    return t != nullptr && t->next != nullptr && t->face != nullptr && t->face != h->face &&
           h->face->part != nullptr && t->face->part != nullptr &&
           t->face->part->development == h->face->part->development;
}

Part* CutAtLine(Development& development, PartLine& line, double printableWidthMM) {
    if (!IsFoldLine(line)) return nullptr;
    HalfEdge* h = line.first;
    Part& part = *h->face->part;
    const auto ends = LineEnds(line);
    const Point2 d = ends[1] - ends[0];
    const double length = Length(d);
    Point2 offset = length > 0 ? Point2{d.y, -d.x} * (0.025 * printableWidthMM / length) : Point2{};
    if (development.reversed) offset = offset * -1.0;

    Unjoin(part, h);
    Part* piece = SplitOff(development, part, Reachable(part, h->face));
    if (piece == nullptr) {
        // A slit: the corners stay, but the side that now carries its own flap may widen the box.
        ComputePartExtent(part);
        return nullptr;
    }
    RenumberFaces(development);
    ComputePartExtent(*piece);
    ComputePartExtent(part);
    part.x += offset.x;
    part.y += offset.y;
    return piece;
}

void JoinAtLine(Development& development, PartLine& line, double coincidentThresholdMM) {
    if (!IsJoinableCutLine(line)) return;
    HalfEdge* h = line.first;
    HalfEdge* t = h->twin;
    Face* moved = t->face;
    Part& a = *h->face->part;
    Part* b = moved->part;
    const bool samePart = b == &a;
    PartLine* twinLine = t->line;
    std::vector<Part*> pieces;
    if (!samePart) {
        // Positions of B's corners become relative to A's box through the turn, which works on positions
        // relative to each side's own part.
        TurnFaces(b->faces, *h, *t);
        for (Face* face : b->faces) {
            face->part = &a;
            a.faces.push_back(face);
        }
        for (auto& record : b->lines)
            if (record.get() != twinLine) a.lines.push_back(std::move(record));
        b->faces.clear();
        b->lines.clear();
        // The merged part is built where the earlier of the two was.
        if (b->buildStep > 0 && (a.buildStep == 0 || b->buildStep < a.buildStep)) a.buildStep = b->buildStep;
        RemovePart(development, b);
    } else {
        if (twinLine != nullptr) EraseLine(a, twinLine);
        t->line = nullptr;
        for (auto& corner : moved->halfEdges)
            if (corner->Joined() != nullptr) Unjoin(a, corner.get());
        TurnFaces({moved}, *h, *t);
    }
    h->joinsTwin = t->joinsTwin = true;
    line.second = t;
    h->line = &line;
    t->line = &line;
    if (samePart) {
        // What the moved face held together may have fallen apart; every loose piece becomes a part.
        Part* piece = SplitOff(development, a, Reachable(a, h->face));
        while (piece != nullptr) {
            pieces.push_back(piece);
            piece = SplitOff(development, *piece, Reachable(*piece, piece->faces.front()));
        }
    }
    RenumberFaces(development);
    JoinCoincidentCutEdges(a, coincidentThresholdMM);
    ComputePartExtent(a);
    for (Part* piece : pieces) ComputePartExtent(*piece);
}

PartLine& JoinLineForClick(PartLine& line, const Point2& click) {
    HalfEdge* t = line.first != nullptr ? line.first->twin : nullptr;
    if (t == nullptr || t->line == nullptr || t->line == &line) return line;
    auto distance = [&click](const PartLine& l) {
        const auto ends = LineEnds(l);
        return Length((ends[0] + ends[1]) * 0.5 - click);
    };
    return distance(line) < distance(*t->line) ? line : *t->line;
}

} // namespace tsm
