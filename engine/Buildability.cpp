#include "engine/Buildability.h"

#include "engine/FlapDesign.h"
#include "engine/FlapOutline.h"
#include "engine/Flaps.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

// Boxes and sheet edges meet to within rounding of the layout's own sums.
constexpr double kFitToleranceMM = 1e-6;

double Cross(const Point2& a, const Point2& b) {
    return a.x * b.y - a.y * b.x;
}

enum class Kind { Face, Flap };

struct Piece {
    Kind kind;
    std::vector<Point2> corners; // on the development, part offset included
    double x0, y0, x1, y1;
};

Piece MakePiece(Kind kind, std::vector<Point2> corners) {
    Piece piece{kind, std::move(corners), 0, 0, 0, 0};
    piece.x0 = piece.y0 = INFINITY;
    piece.x1 = piece.y1 = -INFINITY;
    for (const Point2& p : piece.corners) {
        piece.x0 = std::min(piece.x0, p.x), piece.x1 = std::max(piece.x1, p.x);
        piece.y0 = std::min(piece.y0, p.y), piece.y1 = std::max(piece.y1, p.y);
    }
    return piece;
}

bool Overlap(const Piece& a, const Piece& b) {
    if (a.kind == Kind::Flap) return SharedArea(b.corners, a.corners) > kMinOverlapAreaMM2;
    if (b.kind == Kind::Flap) return SharedArea(a.corners, b.corners) > kMinOverlapAreaMM2;
    // Two faces: neither need be convex, so one is cut into the fan triangles the drawing fills.
    double area = 0;
    for (size_t i = 1; i + 1 < b.corners.size(); ++i)
        area += SharedArea(a.corners, {b.corners[0], b.corners[i], b.corners[i + 1]});
    return area > kMinOverlapAreaMM2;
}

} // namespace

bool PartFitsSheet(double widthMM, double heightMM, const SheetArea& sheet) {
    if (sheet.keepOuts.empty())
        return widthMM <= sheet.printableWidthMM + kFitToleranceMM &&
               heightMM <= sheet.printableHeightMM + kFitToleranceMM;
    return FreeSpotOnSheet(std::max(0.0, widthMM - kFitToleranceMM),
                           std::max(0.0, heightMM - kFitToleranceMM), sheet)
        .has_value();
}

bool PartOnOneSheet(const Part& part, const SheetArea& sheet) {
    const auto within = [](double start, double size, double sheetSize) {
        if (!(sheetSize > 0) || !std::isfinite(start) || !std::isfinite(size)) return false;
        const double index = std::floor((start + kFitToleranceMM) / sheetSize);
        return index >= 0 && start + size <= (index + 1) * sheetSize + kFitToleranceMM;
    };
    if (!within(part.x, part.width, sheet.printableWidthMM) ||
        !within(part.y, part.height, sheet.printableHeightMM))
        return false;
    // On its sheet, clear of the keep-outs.
    const double x =
        part.x - std::floor((part.x + kFitToleranceMM) / sheet.printableWidthMM) * sheet.printableWidthMM;
    const double y =
        part.y - std::floor((part.y + kFitToleranceMM) / sheet.printableHeightMM) * sheet.printableHeightMM;
    return std::none_of(sheet.keepOuts.begin(), sheet.keepOuts.end(), [&](const KeepOut& k) {
        return x + kFitToleranceMM < k.x1 && k.x0 < x + part.width - kFitToleranceMM &&
               y + kFitToleranceMM < k.y1 && k.y0 < y + part.height - kFitToleranceMM;
    });
}

double SharedArea(const std::vector<Point2>& polygon, const std::vector<Point2>& convex) {
    std::vector<Point2> clip = convex;
    if (SignedArea(clip) < 0) std::reverse(clip.begin(), clip.end());
    // Corners apart only by rounding (a flap whose sides meet at its top) make an edge of no direction,
    // whose inner side would be a guess.
    double extent = 0;
    for (const Point2& p : clip)
        extent = std::max({extent, std::fabs(p.x - clip[0].x), std::fabs(p.y - clip[0].y)});
    const double shortest = 1e-9 * extent;
    // Sutherland-Hodgman: keep the part of the polygon on the inner side of each clip edge in turn.
    std::vector<Point2> kept = polygon, next;
    for (size_t i = 0; i < clip.size() && !kept.empty(); ++i) {
        const Point2 a = clip[i], b = clip[(i + 1) % clip.size()];
        const Point2 edge = b - a;
        if (!(std::fabs(edge.x) > shortest || std::fabs(edge.y) > shortest)) continue;
        const auto side = [&](const Point2& p) { return Cross(edge, p - a); };
        next.clear();
        for (size_t k = 0; k < kept.size(); ++k) {
            const Point2 p = kept[k], q = kept[(k + 1) % kept.size()];
            const double sp = side(p), sq = side(q);
            if (sp >= 0) next.push_back(p);
            if ((sp >= 0) != (sq >= 0)) next.push_back(p + (q - p) * (sp / (sp - sq)));
        }
        kept.swap(next);
    }
    return kept.size() < 3 ? 0.0 : std::fabs(SignedArea(kept));
}

Buildability MeasureBuildability(const Development& development, const SheetArea& sheet) {
    Buildability result;
    std::vector<Piece> pieces;
    std::vector<double> flapHeights;
    std::vector<std::pair<double, double>> flapAreas; // each drawn flap's area and its edge's length
    for (const auto& part : development.parts) {
        if (!PartOnOneSheet(*part, sheet)) ++result.partsNotFitting;
        const Point2 offset{part->x, part->y};
        for (const Face* face : part->faces) {
            std::vector<Point2> corners;
            for (const auto& h : face->halfEdges) corners.push_back(offset + h->Pos2D());
            if (corners.size() >= 3) pieces.push_back(MakePiece(Kind::Face, std::move(corners)));
        }
        for (const auto& line : part->lines) {
            const HalfEdge* h = line->first;
            if (!HasDrawnFlap(line->drawKind) || h == nullptr || h->next == nullptr) continue;
            flapHeights.push_back(h->flapHeight);
            std::vector<Point2> corners;
            for (const Point2& p : FlapOutline(*h)) corners.push_back(offset + p);
            flapAreas.emplace_back(std::fabs(SignedArea(corners)), Length(corners.back() - corners.front()));
            pieces.push_back(MakePiece(Kind::Flap, std::move(corners)));
        }
    }
    const double tallest =
        flapHeights.empty() ? 0 : *std::max_element(flapHeights.begin(), flapHeights.end());
    for (double height : flapHeights)
        if (height < tallest * (1 - 1e-9)) ++result.flapsShortened;
    for (const auto& [area, length] : flapAreas)
        if (area < ReferenceFlapArea(length, tallest) / 2 * (1 - 1e-6)) ++result.flapsTooSmall;
    // A sweep along x: only pieces whose boxes overlap are compared.
    std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.x0 < b.x0; });
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& a = pieces[i];
        for (size_t j = i + 1; j < pieces.size() && pieces[j].x0 < a.x1; ++j) {
            const Piece& b = pieces[j];
            if (b.y0 >= a.y1 || a.y0 >= b.y1 || !Overlap(a, b)) continue;
            if (a.kind == Kind::Face && b.kind == Kind::Face)
                ++result.faceFaceOverlaps;
            else if (a.kind == Kind::Flap && b.kind == Kind::Flap)
                ++result.flapFlapOverlaps;
            else
                ++result.flapFaceOverlaps;
        }
    }
    return result;
}

} // namespace tsm
