#include "view3d/FacingSplit.h"

#include <cmath>

namespace tsm {

namespace {

// Relative size of the orientation determinant below which the triangle counts as edge-on. GL works in
// single precision (relative error near 1e-7); this leaves a wide margin.
constexpr double kUndecidedShare = 1e-5;

struct ClipXYW {
    double x, y, w;
};

ClipXYW ToClip(const Mat4& p, const float* v) {
    const double x = v[0], y = v[1], z = v[2];
    return {p.m[0] * x + p.m[4] * y + p.m[8] * z + p.m[12], p.m[1] * x + p.m[5] * y + p.m[9] * z + p.m[13],
            p.m[3] * x + p.m[7] * y + p.m[11] * z + p.m[15]};
}

Facing FacingOf(const ClipXYW& a, const ClipXYW& b, const ClipXYW& c) {
    // The signed area of the projected triangle is this determinant over wa * wb * wc.
    if (!(a.w > 0 && b.w > 0 && c.w > 0)) return Facing::Undecided;
    const double det =
        a.x * (b.y * c.w - b.w * c.y) - a.y * (b.x * c.w - b.w * c.x) + a.w * (b.x * c.y - b.y * c.x);
    const double scale = (std::fabs(a.x) + std::fabs(a.y) + a.w) * (std::fabs(b.x) + std::fabs(b.y) + b.w) *
                         (std::fabs(c.x) + std::fabs(c.y) + c.w);
    if (!(std::fabs(det) > kUndecidedShare * scale)) return Facing::Undecided;
    return det > 0 ? Facing::Front : Facing::Back;
}

void KeepTriangles(const std::vector<uint32_t>& indices, int first, int count,
                   const std::vector<ClipXYW>& clip, Facing dropped, std::vector<uint32_t>& kept) {
    for (int i = first; i + 3 <= first + count; i += 3) {
        const uint32_t a = indices[size_t(i)], b = indices[size_t(i) + 1], c = indices[size_t(i) + 2];
        if (FacingOf(clip[a], clip[b], clip[c]) == dropped) continue;
        kept.insert(kept.end(), {a, b, c});
    }
}

} // namespace

Facing TriangleFacing(const Mat4& projection, const float* a, const float* b, const float* c) {
    return FacingOf(ToClip(projection, a), ToClip(projection, b), ToClip(projection, c));
}

void SplitByFacing(const FaceArrays& faces, const Mat4& projection, FacingSplit& out) {
    out.front.clear();
    out.back.clear();
    out.runs.clear();
    static thread_local std::vector<ClipXYW> clip;
    const int corners = faces.CornerCount();
    clip.resize(size_t(corners));
    for (int i = 0; i < corners; ++i) clip[size_t(i)] = ToClip(projection, &faces.positions[size_t(i) * 3]);

    for (const FaceRun& run : faces.runs) {
        FacingSplit::RunRange range;
        range.frontFirst = static_cast<int>(out.front.size());
        range.backFirst = static_cast<int>(out.back.size());
        // The back triangles of a run sit at the same place in backIndices as its front ones in
        // frontIndices: both lists have n - 2 triangles per face.
        KeepTriangles(faces.frontIndices, run.firstIndex, run.indexCount, clip, Facing::Back, out.front);
        KeepTriangles(faces.backIndices, run.firstIndex, run.indexCount, clip, Facing::Back, out.back);
        range.frontCount = static_cast<int>(out.front.size()) - range.frontFirst;
        range.backCount = static_cast<int>(out.back.size()) - range.backFirst;
        out.runs.push_back(range);
    }
}

} // namespace tsm
