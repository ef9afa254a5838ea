// meshoptimizer rather than OpenMesh: both are kept in Debian, but meshoptimizer collapses every edge onto
// one of its existing vertices (so each corner keeps the texture coordinates it had on the original
// surface), treats vertices split by texture or material as seams that move only along themselves, and
// reduces a 50,000-face scan in a few tens of milliseconds on a flat index buffer, without first building
// a half-edge structure of its own.
#include "engine/MeshSimplify.h"

#include "engine/DisjointSets.h"
#include "engine/ModelOperations.h"
#include "engine/Topology.h"
#include "engine/Unfolder.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace tsm {

namespace {

// One corner of a triangle: the solid's vertex number, its texture coordinates, its face's material.
struct Wedge {
    int vertex;
    double u, v;
    int material;
    bool operator<(const Wedge& o) const {
        return std::tie(vertex, u, v, material) < std::tie(o.vertex, o.u, o.v, o.material);
    }
};

// A solid as triangles over wedges: the form the collapse works on.
struct TriangleSoup {
    std::vector<Wedge> wedges;
    std::vector<unsigned> indices; // three wedges a triangle
};

double TriangleArea(const Vec3& a, const Vec3& b, const Vec3& c) {
    return Length(Cross(b - a, c - a)) / 2;
}

// Ear clipping in the face's plane: papercraft faces may be concave n-gons, where a fan would fold over.
// Ears of no area are taken last, so a corner on a straight side does not make a sliver.
std::vector<std::array<size_t, 3>> Triangulate(const Face& face) {
    const size_t n = face.CornerCount();
    std::vector<std::array<size_t, 3>> out;
    if (n == 3) return {{0, 1, 2}};
    const Vec3 normal = face.Normal();
    const double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    const int drop = ax >= ay && ax >= az ? 0 : ay >= az ? 1 : 2;
    const double sign = (drop == 0 ? normal.x : drop == 1 ? normal.y : normal.z) < 0 ? -1.0 : 1.0;
    std::vector<Point2> p(n);
    for (size_t i = 0; i < n; ++i) {
        const Vec3& q = face.Corner(i)->vertex->position;
        p[i] = drop == 0 ? Point2{q.y, q.z} : drop == 1 ? Point2{q.z, q.x} : Point2{q.x, q.y};
        p[i].y *= sign;
    }
    const auto cross = [&](size_t a, size_t b, size_t c) {
        return (p[b].x - p[a].x) * (p[c].y - p[a].y) - (p[b].y - p[a].y) * (p[c].x - p[a].x);
    };
    double scale = 0;
    for (size_t i = 1; i < n; ++i) scale = std::max(scale, Length(p[i] - p[0]));
    const double eps = scale * scale * 1e-12;
    std::vector<size_t> ring(n);
    for (size_t i = 0; i < n; ++i) ring[i] = i;
    while (ring.size() > 3) {
        const size_t m = ring.size();
        size_t best = m;
        for (size_t i = 0; i < m && best == m; ++i) {
            const size_t a = ring[(i + m - 1) % m], b = ring[i], c = ring[(i + 1) % m];
            if (cross(a, b, c) <= eps) continue;
            bool inside = false;
            for (size_t k : ring) {
                if (k == a || k == b || k == c) continue;
                if (cross(a, b, k) >= 0 && cross(b, c, k) >= 0 && cross(c, a, k) >= 0) inside = true;
            }
            if (!inside) best = i;
        }
        if (best == m) best = 0; // rounding left no proper ear: cut one anyway rather than loop
        out.push_back({ring[(best + m - 1) % m], ring[best], ring[(best + 1) % m]});
        ring.erase(ring.begin() + std::ptrdiff_t(best));
    }
    out.push_back({ring[0], ring[1], ring[2]});
    return out;
}

TriangleSoup SoupOf(const Solid& solid) {
    std::unordered_map<const Vertex*, int> number;
    for (size_t i = 0; i < solid.vertices.size(); ++i) number[solid.vertices[i].get()] = int(i);
    TriangleSoup soup;
    std::map<Wedge, unsigned> wedgeIndex;
    for (const auto& face : solid.faces) {
        for (const auto& triangle : Triangulate(*face)) {
            for (size_t corner : triangle) {
                const HalfEdge& h = *face->Corner(corner);
                const Wedge w{number.at(h.vertex), h.u, h.v, face->materialIndex};
                const auto [it, added] = wedgeIndex.emplace(w, unsigned(soup.wedges.size()));
                if (added) soup.wedges.push_back(w);
                soup.indices.push_back(it->second);
            }
        }
    }
    return soup;
}

// Directed and undirected edge use over the solid's vertices: a clean surface has each directed edge
// once and each edge on at most two triangles, and no two triangles on the same three vertices. How many
// faults there are; the vertices at them go into `where` when given.
int EdgeFaults(const TriangleSoup& soup, std::vector<int>* where = nullptr) {
    const auto key = [](int a, int b) { return uint64_t(uint32_t(a)) << 32 | uint32_t(b); };
    std::unordered_map<uint64_t, int> directed, undirected;
    std::set<std::array<int, 3>> triangles;
    directed.reserve(soup.indices.size());
    undirected.reserve(soup.indices.size());
    int bad = 0;
    const auto fault = [&](std::initializer_list<int> at, bool first) {
        if (first) ++bad;
        if (where) where->insert(where->end(), at);
    };
    for (size_t t = 0; t + 2 < soup.indices.size(); t += 3) {
        std::array<int, 3> v;
        for (int k = 0; k < 3; ++k) v[size_t(k)] = soup.wedges[soup.indices[t + size_t(k)]].vertex;
        for (int k = 0; k < 3; ++k) {
            const int a = v[size_t(k)], b = v[size_t((k + 1) % 3)];
            if (const int uses = ++directed[key(a, b)]; uses >= 2) fault({a, b}, uses == 2);
            if (const int uses = ++undirected[key(std::min(a, b), std::max(a, b))]; uses >= 3)
                fault({a, b}, uses == 3);
        }
        std::sort(v.begin(), v.end());
        if (!triangles.insert(v).second) fault({v[0], v[1], v[2]}, true);
    }
    return bad;
}

// The vertices whose triangles make more than one fan, sharing no edge at the vertex: two surfaces
// touching at a point. A collapse across a thin part leaves such a pinch where the edges alone look clean
// (the elk's antler tip, simplified to 400 faces, became a closed tetrahedron on one vertex of the head),
// and the model then unfolds as separate surfaces with a lump of four faces. Marked in a list by vertex.
std::vector<char> Pinched(const TriangleSoup& soup, size_t vertices) {
    const auto key = [](int a, int b) { return uint64_t(uint32_t(a)) << 32 | uint32_t(b); };
    const auto vertexOf = [&](size_t corner) { return soup.wedges[soup.indices[corner]].vertex; };
    DisjointSets fans(soup.indices.size());
    std::unordered_map<uint64_t, size_t> cornerAt; // (vertex, neighbour) -> a corner at the vertex
    cornerAt.reserve(2 * soup.indices.size());
    for (size_t t = 0; t + 2 < soup.indices.size(); t += 3)
        for (size_t k = 0; k < 3; ++k) {
            const size_t corner = t + k;
            const int v = vertexOf(corner);
            for (const size_t other : {t + (k + 1) % 3, t + (k + 2) % 3}) {
                const auto [it, added] = cornerAt.emplace(key(v, vertexOf(other)), corner);
                if (!added) fans.Join(int(it->second), int(corner));
            }
        }
    std::vector<char> pinched(vertices, 0);
    std::vector<int> fanOf(vertices, -1);
    for (size_t corner = 0; corner < soup.indices.size(); ++corner) {
        const size_t v = size_t(vertexOf(corner));
        const int fan = fans.Find(int(corner));
        if (fanOf[v] < 0)
            fanOf[v] = fan;
        else if (fanOf[v] != fan)
            pinched[v] = 1;
    }
    return pinched;
}

// The vertices where a reduced solid is not a surface one can cut and glue: corners of triangles that
// lost their area or cross a material border, the vertices at edge faults and the pinches the original
// did not have (`pinchedBefore`). None when it is clean.
std::vector<int> Faults(const TriangleSoup& soup, const Solid& solid, double minArea,
                        const std::vector<char>& pinchedBefore) {
    std::vector<int> at;
    EdgeFaults(soup, &at);
    const std::vector<char> pinched = Pinched(soup, solid.vertices.size());
    for (size_t v = 0; v < pinched.size(); ++v)
        if (pinched[v] && !pinchedBefore[v]) at.push_back(int(v));
    for (size_t t = 0; t + 2 < soup.indices.size(); t += 3) {
        const Wedge& a = soup.wedges[soup.indices[t]];
        const Wedge& b = soup.wedges[soup.indices[t + 1]];
        const Wedge& c = soup.wedges[soup.indices[t + 2]];
        if (a.material != b.material || a.material != c.material ||
            TriangleArea(solid.vertices[size_t(a.vertex)]->position,
                         solid.vertices[size_t(b.vertex)]->position,
                         solid.vertices[size_t(c.vertex)]->position) <= minArea)
            at.insert(at.end(), {a.vertex, b.vertex, c.vertex});
    }
    return at;
}

// A thin tail or horn collapsed flat leaves two triangles on the same three vertices, back to back: a
// sliver with no inside. Taking both away leaves every other edge used as it was, once each way.
void DropBackToBack(TriangleSoup& soup) {
    std::map<std::array<int, 3>, std::vector<size_t>> byCorners[2]; // by orientation
    const auto vertexOf = [&](size_t corner) { return soup.wedges[soup.indices[corner]].vertex; };
    std::vector<char> drop(soup.indices.size() / 3, 0);
    for (size_t t = 0; t + 2 < soup.indices.size(); t += 3) {
        // Rotated to start at the least vertex: back to back, the other two come in the other order.
        std::array<int, 3> v{vertexOf(t), vertexOf(t + 1), vertexOf(t + 2)};
        std::rotate(v.begin(), std::min_element(v.begin(), v.end()), v.end());
        const int side = v[1] < v[2] ? 0 : 1;
        if (side == 1) std::swap(v[1], v[2]);
        std::vector<size_t>& other = byCorners[1 - side][v];
        if (!other.empty()) {
            drop[other.back() / 3] = drop[t / 3] = 1;
            other.pop_back();
        } else {
            byCorners[side][v].push_back(t);
        }
    }
    size_t kept = 0;
    for (size_t t = 0; t + 2 < soup.indices.size(); t += 3)
        if (!drop[t / 3])
            for (size_t k = 0; k < 3; ++k) soup.indices[kept++] = soup.indices[t + k];
    soup.indices.resize(kept);
}

const Vec3& PositionOf(const TriangleSoup& soup, const Solid& solid, unsigned wedge) {
    return solid.vertices[size_t(soup.wedges[wedge].vertex)]->position;
}

// A collapse on a flat region may leave a triangle whose corner lies on its opposite side (collinear
// corners, as on a straight outline of a subdivided polygon). Such a triangle and its neighbour across
// that side become two triangles over the other diagonal, when the neighbour has the same material and
// no texture seam runs along the side.
void FlipFlatTriangles(TriangleSoup& soup, const Solid& solid, double minArea) {
    std::vector<unsigned>& index = soup.indices;
    const auto vertexOf = [&](size_t corner) { return soup.wedges[index[corner]].vertex; };
    const auto key = [](int a, int b) { return uint64_t(uint32_t(a)) << 32 | uint32_t(b); };
    const auto sideKey = [&](size_t c) { return key(vertexOf(c), vertexOf(c - c % 3 + (c + 1) % 3)); };
    std::unordered_map<uint64_t, size_t> sideOf; // directed side -> its first corner
    for (size_t c = 0; c < index.size(); ++c) sideOf[sideKey(c)] = c;
    for (int pass = 0; pass < 8; ++pass) {
        bool flipped = false;
        for (size_t t = 0; t < index.size(); t += 3) {
            const Vec3 &a = PositionOf(soup, solid, index[t]), &b = PositionOf(soup, solid, index[t + 1]),
                       &c = PositionOf(soup, solid, index[t + 2]);
            if (TriangleArea(a, b, c) > minArea) continue;
            // The longest side p -> q, r opposite.
            const double l0 = DistanceSquared(a, b), l1 = DistanceSquared(b, c), l2 = DistanceSquared(c, a);
            const size_t k = l0 >= l1 && l0 >= l2 ? 0 : l1 >= l2 ? 1 : 2;
            const size_t p = t + k, q = t + (k + 1) % 3, r = t + (k + 2) % 3;
            const auto across = sideOf.find(key(vertexOf(q), vertexOf(p)));
            if (across == sideOf.end()) continue;
            const size_t uq = across->second, u = uq - uq % 3, up = u + (uq - u + 1) % 3,
                         us = u + (uq - u + 2) % 3;
            if (index[uq] != index[q] || index[up] != index[p] ||
                soup.wedges[index[us]].material != soup.wedges[index[r]].material)
                continue;
            const unsigned wp = index[p], wq = index[q], wr = index[r], ws = index[us];
            if (TriangleArea(PositionOf(soup, solid, wp), PositionOf(soup, solid, ws),
                             PositionOf(soup, solid, wr)) <= minArea ||
                TriangleArea(PositionOf(soup, solid, ws), PositionOf(soup, solid, wq),
                             PositionOf(soup, solid, wr)) <= minArea)
                continue;
            for (size_t c : {t, t + 1, t + 2, u, u + 1, u + 2}) sideOf.erase(sideKey(c));
            index[t] = wp, index[t + 1] = ws, index[t + 2] = wr;
            index[u] = ws, index[u + 1] = wq, index[u + 2] = wr;
            for (size_t c : {t, t + 1, t + 2, u, u + 1, u + 2}) sideOf[sideKey(c)] = c;
            flipped = true;
        }
        if (!flipped) return;
    }
}

// Each collapse step goes down to a quarter of the faces it starts from, or to the target.
constexpr size_t kCollapseStep = 4;
// A step that leaves faults is taken again this many times at most, each time with more faces kept.
constexpr int kStepRetries = 8;

// One collapse step of `from` down to `target` triangles, with every triangle at a `kept` vertex kept
// as it is. meshoptimizer (0.18) cannot be told which vertices to keep, but it can keep its borders: the
// kept triangles are left out of its input, and their ring becomes a border it does not move.
std::vector<unsigned> CollapseStep(const TriangleSoup& from, const std::vector<float>& positions,
                                   size_t target, const std::vector<char>& kept) {
    std::vector<unsigned> rest, aside;
    for (size_t t = 0; t + 2 < from.indices.size(); t += 3) {
        bool keep = false;
        for (size_t k = 0; k < 3; ++k) keep = keep || kept[size_t(from.wedges[from.indices[t + k]].vertex)];
        std::vector<unsigned>& to = keep ? aside : rest;
        to.insert(to.end(), from.indices.begin() + std::ptrdiff_t(t),
                  from.indices.begin() + std::ptrdiff_t(t + 3));
    }
    if (rest.empty()) return aside;
    const size_t restTarget = target * 3 > aside.size() ? target * 3 - aside.size() : 0;
    std::vector<unsigned> next(rest.size());
    // An error bound of the whole size: the face count alone decides where to stop.
    const size_t count = meshopt_simplify(next.data(), rest.data(), rest.size(), positions.data(),
                                          from.wedges.size(), sizeof(float) * 3, restTarget, 1.0f,
                                          aside.empty() ? 0 : meshopt_SimplifyLockBorder, nullptr);
    next.resize(count);
    next.insert(next.end(), aside.begin(), aside.end());
    return next;
}

// The collapse down to `targetTriangles`, as far as it goes with every step leaving a clean surface.
TriangleSoup Collapse(const TriangleSoup& soup, const Solid& solid, const Vec3& origin,
                      size_t targetTriangles, double minArea) {
    std::vector<float> positions;
    positions.reserve(soup.wedges.size() * 3);
    for (const Wedge& w : soup.wedges) {
        // Around the model's corner, so that float keeps the detail of a model far from the origin.
        const Vec3 p = solid.vertices[size_t(w.vertex)]->position - origin;
        positions.insert(positions.end(), {float(p.x), float(p.y), float(p.z)});
    }
    const std::vector<char> pinchedBefore = Pinched(soup, solid.vertices.size());
    TriangleSoup out = soup;
    TriangleSoup next;
    next.wedges = soup.wedges;
    // In steps of a quarter of the faces, each ranking the edges afresh on the surface the last one
    // left: one call to the target collapses whole batches on rankings taken from the dense surface, and
    // on a 58,784-face scan brought to 1,000 faces its largest deviation was 0.65 to 1.1 % of the size
    // over five vertex orders, against 0.5 to 0.6 % in steps.
    for (;;) {
        const size_t triangles = out.indices.size() / 3;
        const size_t step = std::max(targetTriangles, triangles / kCollapseStep);
        // Collapses on thin parts (legs, tails, horns) may pinch the surface: an edge between four faces,
        // two faces back to back. Such a step is taken again with the faces around each fault kept, so
        // that the rest still goes down; one no retry makes clean ends the reduction where it stands.
        std::vector<char> kept(solid.vertices.size(), 0);
        bool clean = false;
        for (int retry = 0; retry <= kStepRetries && !clean; ++retry) {
            next.indices = CollapseStep(out, positions, step, kept);
            // Slivers left on flat ground would hold the next step back.
            FlipFlatTriangles(next, solid, minArea);
            DropBackToBack(next);
            const std::vector<int> faults = Faults(next, solid, minArea, pinchedBefore);
            clean = faults.empty();
            for (int v : faults) kept[size_t(v)] = 1;
        }
        if (!clean || next.indices.empty() || next.indices.size() >= out.indices.size()) break;
        std::swap(out.indices, next.indices);
        if (step == targetTriangles) break;
    }
    return out;
}

void RebuildSolid(Solid& solid, const TriangleSoup& soup) {
    using Ends = std::pair<const Vertex*, const Vertex*>;
    const auto endsOf = [](const Vertex* a, const Vertex* b) { return a < b ? Ends(a, b) : Ends(b, a); };
    std::map<Ends, EdgeClass> marks;
    for (const auto& edge : solid.edges)
        if (edge->edgeClass != EdgeClass::Free) marks[endsOf(edge->vertex1, edge->vertex2)] = edge->edgeClass;

    std::vector<bool> used(solid.vertices.size(), false);
    std::vector<FacePtr> faces;
    faces.reserve(soup.indices.size() / 3);
    for (size_t t = 0; t + 2 < soup.indices.size(); t += 3) {
        auto face = std::make_unique<Face>();
        face->solid = &solid;
        for (size_t k = 0; k < 3; ++k) {
            const Wedge& w = soup.wedges[soup.indices[t + k]];
            auto h = std::make_unique<HalfEdge>();
            h->vertex = solid.vertices[size_t(w.vertex)].get();
            h->face = face.get();
            h->u = w.u;
            h->v = w.v;
            face->materialIndex = w.material;
            used[size_t(w.vertex)] = true;
            face->halfEdges.push_back(std::move(h));
        }
        LinkFaceRing(*face);
        ComputeFacePlane(*face);
        faces.push_back(std::move(face));
    }
    solid.edges.clear();
    solid.faces = std::move(faces);
    std::vector<VertexPtr> vertices;
    for (size_t i = 0; i < solid.vertices.size(); ++i) {
        if (!used[i]) continue;
        solid.vertices[i]->outgoing.clear();
        vertices.push_back(std::move(solid.vertices[i]));
    }
    solid.vertices = std::move(vertices);
    BuildEdges(solid);
    for (auto& edge : solid.edges) {
        UpdateEdgeGeometry(*edge);
        const auto mark = marks.find(endsOf(edge->vertex1, edge->vertex2));
        if (mark != marks.end()) edge->edgeClass = mark->second;
    }
    RebuildVertexIncidence(solid);
}

} // namespace

int ModelFaceCount(const Mesh& model) {
    size_t count = 0;
    for (const auto& solid : model.solids) count += solid->faces.size();
    return int(count);
}

Outcome CheckSimplifiable(const Mesh& model, int targetFaces) {
    const int faces = ModelFaceCount(model);
    char text[200];
    if (targetFaces < kSimplifyFewestFaces || targetFaces >= faces) {
        std::snprintf(text, sizeof text, "The target must lie between %d and %d faces (the mesh has %d).",
                      kSimplifyFewestFaces, std::max(kSimplifyFewestFaces, faces - 1), faces);
        return Outcome::Failed(text);
    }
    int bad = 0;
    for (const auto& solid : model.solids) bad += EdgeFaults(SoupOf(*solid));
    if (bad > 0) {
        std::snprintf(text, sizeof text,
                      "The mesh cannot be simplified: %d edge(s) are shared by more than two faces or "
                      "twice in one direction.",
                      bad);
        return Outcome::Failed(text);
    }
    return Outcome::Ok();
}

Outcome SimplifyModel(Mesh& model, int targetFaces) {
    Outcome checked = CheckSimplifiable(model, targetFaces);
    if (!checked.ok()) return checked;
    const int total = ModelFaceCount(model);
    Vec3 lo{HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const auto& solid : model.solids)
        for (const auto& v : solid->vertices) {
            const Vec3& p = v->position;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    const double size = Distance(lo, hi);
    // The area below which normalisation deletes an imported face.
    const double minArea = size * size * 1e-8;
    for (auto& solid : model.solids) {
        const size_t share =
            std::max<size_t>(kSimplifyFewestFaces,
                             size_t(std::llround(double(targetFaces) * double(solid->faces.size()) / total)));
        if (share >= solid->faces.size()) continue;
        const TriangleSoup reduced = Collapse(SoupOf(*solid), *solid, lo, share, minArea);
        if (reduced.indices.size() / 3 < solid->faces.size()) RebuildSolid(*solid, reduced);
    }
    int index = 0;
    for (auto& solid : model.solids)
        for (auto& v : solid->vertices) v->index = index++;
    ComputeBounds(model);
    FindSymmetricEdges(model);
    return Outcome::Ok();
}

EditResult SimplifyMesh(EditContext& context, int targetFaces) {
    Document& document = context.document;
    if (!document.model) return Outcome::Failed("There is no model to edit.");
    // Refused before the development goes, so that a refusal changes nothing.
    Outcome checked = CheckSimplifiable(*document.model, targetFaces);
    if (!checked.ok()) return checked;
    return RunModelEdit(context, UpdateHint::DevelopmentReplaced, [&] {
        if (document.development) UndoUnfolding(document, CanReuseTexts(document), true);
        return SimplifyModel(*document.model, targetFaces);
    });
}

std::string SimplifyOfferText(const Document& document) {
    const Mesh& model = *document.model;
    const Vec3 extent = (model.boundsMax - model.boundsMin) * (document.documentScale / 10.0);
    char text[400];
    std::snprintf(text, sizeof text,
                  "The mesh has %d faces; assembled at scale %g it measures %.1f x %.1f x %.1f cm.\n"
                  "So many faces take very long to cut and glue. Simplify it to %d faces?",
                  ModelFaceCount(model), document.documentScale, extent.x, extent.y, extent.z,
                  kSuggestedFaceCount);
    return text;
}

} // namespace tsm
