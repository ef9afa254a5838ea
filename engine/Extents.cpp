#include "engine/Extents.h"

#include "engine/Flaps.h"
#include "model/Settings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tsm {

namespace {

// A running bounding box; `empty` stays true until the first point is taken in.
struct Box {
    double minX = std::numeric_limits<double>::max();
    double minY = std::numeric_limits<double>::max();
    double maxX = -std::numeric_limits<double>::max();
    double maxY = -std::numeric_limits<double>::max();
    bool empty = true;

    void Add(double x, double y) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
        empty = false;
    }
    void Add(const Point2& p) { Add(p.x, p.y); }
    // A rectangle whose width or height is negative still spans both of its ends.
    void AddRect(const double rect[4]) {
        Add(rect[0], rect[1]);
        Add(rect[0] + rect[2], rect[1] + rect[3]);
    }
};

bool SideFlagOf(const Part& part) {
    return part.development != nullptr && part.development->reversed;
}

int32_t TruncToInt32(double value) {
    if (!(value == value)) return 0; // NaN
    const double clamped = std::clamp(value, static_cast<double>(std::numeric_limits<int32_t>::min()),
                                      static_cast<double>(std::numeric_limits<int32_t>::max()));
    return static_cast<int32_t>(std::trunc(clamped));
}

// The box starts at the part's origin and has the part's size, up to a nanometre per metre of part: the
// difference a flap tip computed from corners that were moved by the box's corner can make.
bool InPlace(const Part& part, const Box& box) {
    const double tolerance = 1e-9 * (1.0 + std::abs(part.width) + std::abs(part.height));
    return std::abs(box.minX) <= tolerance && std::abs(box.minY) <= tolerance &&
           std::abs(box.maxX - box.minX - part.width) <= tolerance &&
           std::abs(box.maxY - box.minY - part.height) <= tolerance;
}

} // namespace

void ComputePartExtent(Part& part) {
    const bool sideFlag = SideFlagOf(part);
    Box box;
    // The lines' sides lie far apart in a large model: each link is fetched some lines ahead (the line,
    // its side, the side's successor), so that the waits on memory overlap. A corner spans several cache
    // lines; the links, the position and the flap fields each lie in one of their own.
    constexpr size_t kAhead = 6;
    const auto& lines = part.lines;
    const size_t n = lines.size();
    for (size_t i = 0; i < n; ++i) {
        if (i + 3 * kAhead < n) __builtin_prefetch(lines[i + 3 * kAhead].get());
        if (i + 2 * kAhead < n && lines[i + 2 * kAhead]->first) {
            const HalfEdge* ahead = lines[i + 2 * kAhead]->first;
            __builtin_prefetch(&ahead->next);
            __builtin_prefetch(&ahead->x2d);
            __builtin_prefetch(&ahead->hasFlap);
        }
        if (i + kAhead < n && lines[i + kAhead]->first && lines[i + kAhead]->first->next)
            __builtin_prefetch(&lines[i + kAhead]->first->next->x2d);
        const HalfEdge* h = lines[i]->first;
        // Only flaps take part in the box.
        if (h == nullptr || !h->hasFlap) continue;
        const FlapShape shape = ComputeFlapShape(*h, sideFlag);
        box.Add(shape.tipStart);
        box.Add(shape.tipEnd);
    }
    const auto& faces = part.faces;
    for (size_t i = 0; i < faces.size(); ++i) {
        if (i + 2 < faces.size() && faces[i + 2] != nullptr)
            __builtin_prefetch(faces[i + 2]->halfEdges.data());
        if (i + 1 < faces.size() && faces[i + 1] != nullptr)
            for (auto& corner : faces[i + 1]->halfEdges) __builtin_prefetch(&corner->x2d);
        if (faces[i] == nullptr) continue;
        for (auto& corner : faces[i]->halfEdges) box.Add(corner->Pos2D());
    }
    if (box.empty) {
        // A part with nothing in it keeps its place; there is no box to normalise.
        part.width = 0;
        part.height = 0;
        return;
    }
    // Measured before (or read from a file written after measuring): moving the corners again by the
    // rounding step a flap tip leaves would change their last bits at every measuring, so opening and
    // saving, or an undo, would not give back the bytes that were there.
    if (InPlace(part, box)) return;
    for (Face* face : part.faces) {
        if (face == nullptr) continue;
        for (auto& corner : face->halfEdges) {
            corner->x2d -= box.minX;
            corner->y2d -= box.minY;
        }
    }
    part.x += box.minX;
    part.y += box.minY;
    part.width = box.maxX - box.minX;
    part.height = box.maxY - box.minY;
}

void ComputeDevelopmentExtent(Development& development, bool recomputeParts) {
    if (recomputeParts) {
        for (auto& part : development.parts) ComputePartExtent(*part);
    }
    Box box;
    for (auto& part : development.parts) {
        const double rect[4] = {part->x, part->y, part->width, part->height};
        box.AddRect(rect);
    }
    for (auto& text : development.texts) box.AddRect(text->rect);
    for (auto& image : development.imagesA) box.AddRect(image->rect);
    for (auto& image : development.imagesB) box.AddRect(image->rect);
    if (box.empty) {
        // Nothing to measure: an empty frame at the origin rather than the untouched extremes, whose
        // difference would overflow to infinity in every consumer.
        std::fill(std::begin(development.frame), std::end(development.frame), 0.0);
        return;
    }
    development.frame[0] = box.minX;
    development.frame[1] = box.minY;
    development.frame[2] = box.maxX - box.minX;
    development.frame[3] = box.maxY - box.minY;
}

double ScaleDevelopment(Development& development, double targetScale, bool scaleTexts) {
    // Scales are absolute factors; a non-positive or non-finite one (damaged file) cannot be reached.
    if (!(targetScale > 0.0) || !std::isfinite(targetScale)) return 1.0;
    double factor = targetScale / development.scale;
    if (!(factor > 0.0) || !std::isfinite(factor)) {
        // The current scale is unusable, so there is no factor to apply: adopt the target as it stands.
        factor = 1.0;
    }

    for (auto& part : development.parts) {
        part->x *= factor;
        part->y *= factor;
        part->width *= factor;
        part->height *= factor;
        for (Face* face : part->faces) {
            if (face == nullptr) continue;
            for (auto& corner : face->halfEdges) {
                corner->x2d *= factor;
                corner->y2d *= factor;
            }
        }
    }
    development.scale = targetScale;
    development.frame[2] *= factor;
    development.frame[3] *= factor;

    for (auto& part : development.parts) {
        for (Face* face : part->faces) {
            if (face == nullptr) continue;
            for (auto& corner : face->halfEdges) corner->flapHeight *= factor;
        }
    }

    if (!scaleTexts) return factor;
    for (auto& text : development.texts) {
        for (double& value : text->rect) value *= factor;
        text->fontSize = TruncToInt32(text->fontSize * factor);
        // Line spacing is kept to a tenth of a millimetre before it is cut back to whole millimetres.
        text->lineSpacing = TruncToInt32(0.1 * std::trunc(text->lineSpacing * 10.0 * factor + 0.5));
    }
    return factor;
}

double ScaleForLargestDimension(const Mesh& model, double sizeMM) {
    const Vec3 extent = model.boundsMax - model.boundsMin;
    const double largest = std::max({extent.x, extent.y, extent.z});
    if (!(largest > 0) || !std::isfinite(largest)) return 0;
    return sizeMM / largest;
}

} // namespace tsm
