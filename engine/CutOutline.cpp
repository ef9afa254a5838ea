#include "engine/CutOutline.h"

#include "engine/FlapOutline.h"
#include "engine/Flaps.h"

#include <polyclipping/clipper.hpp>

#include <algorithm>
#include <cmath>

// The union of a part's faces and flaps is left to Clipper (libpolyclipping, Debian's build of Angus
// Johnson's polygon clipper): it is robust for touching and overlapping polygons, works on integers so its
// output has no near-duplicate points, and gives holes as such. Working units are kCutResolutionMM.

namespace tsm {

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

constexpr double kUnitsPerMM = 1.0 / kCutResolutionMM;
// Coordinates beyond this (about 4.6e14 mm) are refused by Clipper; a damaged file gets no outline.
constexpr double kLimitMM = 1e12;
// Growing and shrinking by this many units joins touching pieces; mitres up to this ratio keep sharp corners.
constexpr double kJoinUnits = 2.0;
constexpr double kMiterLimit = 1000.0;
// Corners closer than this many units, or this close to the line through their neighbours, are dropped.
constexpr double kCleanUnits = 3.0;

bool ToPath(const Point2* points, size_t count, Path& path) {
    path.clear();
    for (size_t i = 0; i < count; ++i) {
        const Point2& p = points[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > kLimitMM ||
            std::fabs(p.y) > kLimitMM)
            return false;
        const IntPoint q(static_cast<cInt>(std::llround(p.x * kUnitsPerMM)),
                         static_cast<cInt>(std::llround(p.y * kUnitsPerMM)));
        if (path.empty() || !(path.back() == q)) path.push_back(q);
    }
    while (path.size() > 1 && path.front() == path.back()) path.pop_back();
    if (path.size() < 3 || ClipperLib::Area(path) == 0.0) return false;
    // Every input runs one way, so that overlapping faces of a mirrored development add up, not cancel.
    if (!ClipperLib::Orientation(path)) ClipperLib::ReversePath(path);
    return true;
}

ClosedPath FromPath(const Path& path) {
    ClosedPath out;
    out.reserve(path.size());
    for (const IntPoint& p : path) out.push_back({p.X / kUnitsPerMM, p.Y / kUnitsPerMM});
    return out;
}

Point2 PartOffset(const Part& part) {
    return {part.x, part.y};
}

Paths FacePaths(const Part& part) {
    Paths paths;
    std::vector<Point2> corners;
    for (const Face* face : part.faces) {
        if (face == nullptr) continue;
        corners.clear();
        for (const auto& corner : face->halfEdges)
            if (corner != nullptr) corners.push_back(PartOffset(part) + corner->Pos2D());
        Path path;
        if (ToPath(corners.data(), corners.size(), path)) paths.push_back(std::move(path));
        // A fold whose two sides do not quite meet (a slit closed with the paper's give) is paper all the
        // same: the sliver between them is filled, or the machine would cut along the fold.
        for (const auto& corner : face->halfEdges) {
            const HalfEdge* h = corner.get();
            const HalfEdge* t = h != nullptr ? h->Joined() : nullptr;
            if (t == nullptr || t < h || h->next == nullptr || t->next == nullptr) continue;
            const Point2 gap[4] = {h->Pos2D(), h->next->Pos2D(), t->Pos2D(), t->next->Pos2D()};
            if (std::max(Length(gap[0] - gap[3]), Length(gap[1] - gap[2])) < kCutResolutionMM) continue;
            std::vector<Point2> sliver;
            for (const Point2& p : gap) sliver.push_back(PartOffset(part) + p);
            if (ToPath(sliver.data(), sliver.size(), path)) paths.push_back(std::move(path));
        }
    }
    return paths;
}

Paths FlapPaths(const Part& part) {
    Paths paths;
    for (const auto& line : part.lines) {
        if (line == nullptr || line->first == nullptr || line->first->next == nullptr ||
            !HasDrawnFlap(line->drawKind))
            continue;
        std::array<Point2, 4> q = FlapOutline(*line->first);
        for (Point2& p : q) p = PartOffset(part) + p;
        Path path;
        if (ToPath(q.data(), q.size(), path)) paths.push_back(std::move(path));
    }
    return paths;
}

struct Box {
    cInt left = 0, top = 0, right = -1, bottom = -1;
    bool Meets(const Box& o) const {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
};

Box BoxOf(const Paths& paths) {
    Box box;
    bool first = true;
    for (const Path& path : paths)
        for (const IntPoint& p : path) {
            if (first) {
                box = {p.X, p.Y, p.X, p.Y};
                first = false;
            }
            box.left = std::min(box.left, p.X);
            box.right = std::max(box.right, p.X);
            box.top = std::min(box.top, p.Y);
            box.bottom = std::max(box.bottom, p.Y);
        }
    return box;
}

Paths Union(const Paths& a, const Paths& b) {
    ClipperLib::Clipper clipper;
    clipper.AddPaths(a, ClipperLib::ptSubject, true);
    clipper.AddPaths(b, ClipperLib::ptSubject, true);
    Paths out;
    clipper.Execute(ClipperLib::ctUnion, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    return out;
}

Paths Difference(const Paths& a, const Paths& b) {
    if (a.empty() || b.empty()) return a;
    ClipperLib::Clipper clipper;
    clipper.AddPaths(a, ClipperLib::ptSubject, true);
    clipper.AddPaths(b, ClipperLib::ptClip, true);
    Paths out;
    clipper.Execute(ClipperLib::ctDifference, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    return out;
}

void Collect(const ClipperLib::PolyNode& node, size_t partIndex, std::vector<PartCutOutline>& out) {
    for (const ClipperLib::PolyNode* child : node.Childs) {
        // An outer contour: its children are its holes, their children islands inside them.
        Path outer = child->Contour;
        ClipperLib::CleanPolygon(outer, kCleanUnits);
        if (outer.size() < 3) continue;
        if (!ClipperLib::Orientation(outer)) ClipperLib::ReversePath(outer);
        PartCutOutline outline;
        outline.partIndex = partIndex;
        outline.outer = FromPath(outer);
        for (const ClipperLib::PolyNode* hole : child->Childs) {
            Path inner = hole->Contour;
            ClipperLib::CleanPolygon(inner, kCleanUnits);
            if (inner.size() >= 3) {
                if (ClipperLib::Orientation(inner)) ClipperLib::ReversePath(inner);
                outline.holes.push_back(FromPath(inner));
            }
            Collect(*hole, partIndex, out);
        }
        out.push_back(std::move(outline));
    }
}

} // namespace

double SignedArea2(const ClosedPath& path) {
    double sum = 0.0;
    for (size_t i = 0, n = path.size(); i < n; ++i) {
        const Point2& a = path[i];
        const Point2& b = path[(i + 1) % n];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum;
}

std::vector<PartCutOutline> CutOutlines(const Development& development, bool withFlaps) {
    const size_t count = development.parts.size();
    std::vector<Paths> faces(count), flaps(count);
    for (size_t i = 0; i < count; ++i) {
        if (development.parts[i] == nullptr) continue;
        faces[i] = FacePaths(*development.parts[i]);
        if (withFlaps) flaps[i] = FlapPaths(*development.parts[i]);
    }
    // A flap shows where no other part's face lies and no earlier part's flap (the print draws the earlier
    // one on top); the rest of it is hidden and must not be cut.
    std::vector<Paths> shownFlaps(count);
    for (size_t i = 0; i < count; ++i) {
        if (flaps[i].empty()) continue;
        const Box box = BoxOf(flaps[i]);
        Paths covering;
        const auto add = [&](const Paths& paths) {
            for (const Path& path : paths)
                if (BoxOf({path}).Meets(box)) covering.push_back(path);
        };
        for (size_t j = 0; j < count; ++j) {
            if (j == i) continue;
            add(faces[j]);
            if (j < i) add(shownFlaps[j]);
        }
        shownFlaps[i] = Difference(Union(flaps[i], {}), covering);
    }
    std::vector<PartCutOutline> out;
    for (size_t i = 0; i < count; ++i) {
        if (faces[i].empty() && shownFlaps[i].empty()) continue;
        // Pieces that only share an edge are not always joined by the union (a corner of one on the edge
        // of the other): growing by a hair and shrinking back joins them and leaves every corner in place
        // (mitred joins), to within a few resolution units.
        const Paths united = Union(faces[i], shownFlaps[i]);
        ClipperLib::ClipperOffset grow(kMiterLimit);
        grow.AddPaths(united, ClipperLib::jtMiter, ClipperLib::etClosedPolygon);
        Paths grown;
        grow.Execute(grown, kJoinUnits);
        ClipperLib::ClipperOffset shrink(kMiterLimit);
        shrink.AddPaths(grown, ClipperLib::jtMiter, ClipperLib::etClosedPolygon);
        ClipperLib::PolyTree tree;
        shrink.Execute(tree, -kJoinUnits);
        Collect(tree, i, out);
    }
    return out;
}

std::vector<FoldSegment> FoldSegments(const Development& development) {
    std::vector<FoldSegment> out;
    for (size_t i = 0; i < development.parts.size(); ++i) {
        const Part* part = development.parts[i].get();
        if (part == nullptr) continue;
        for (const auto& line : part->lines) {
            if (line == nullptr || line->hidden || line->first == nullptr || line->first->next == nullptr)
                continue;
            FoldKind kind;
            if (line->drawKind == DrawKind::Mountain || line->drawKind == DrawKind::FlapMountain)
                kind = FoldKind::Mountain;
            else if (line->drawKind == DrawKind::Valley || line->drawKind == DrawKind::FlapValley)
                kind = FoldKind::Valley;
            else
                continue;
            const Point2 a = PartOffset(*part) + line->first->Pos2D();
            const Point2 b = PartOffset(*part) + line->first->next->Pos2D();
            if (std::hypot(b.x - a.x, b.y - a.y) < kCutResolutionMM) continue;
            out.push_back({i, kind, a, b});
        }
    }
    return out;
}

} // namespace tsm
