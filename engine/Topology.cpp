#include "engine/Topology.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace tsm {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
// Normals closer than this (as a cosine) count as parallel: the fold is flat.
constexpr double kParallelCosine = 0.99999;

// Whether every corner names a vertex: the positions are then read in place, with no copy per face (the
// import computes the plane of every face of a large mesh).
bool CornersHaveVertices(const Face& face) {
    for (const auto& h : face.halfEdges)
        if (!h || !h->vertex) return false;
    return true;
}

const Vec3& CornerPosition(const Face& face, size_t i) {
    return face.halfEdges[i]->vertex->position;
}

double TriangleArea(const Vec3& a, const Vec3& b, const Vec3& c) {
    return HeronArea(Distance(a, b), Distance(b, c), Distance(c, a));
}

// Whether the angle between k and e, in degrees, is below 90. Both are unit vectors (or e is zero) and k
// runs along the edge, so their dot product is nearly always close to +-1: its sign then decides, and only
// a dot product near zero, or a value that is not finite, takes the measured angle's word.
bool LessThanQuarterTurn(const Vec3& k, const Vec3& e) {
    constexpr double kClearDot = 1e-6;
    const double dot = Dot(k, e);
    const bool finite = std::isfinite(k.x) && std::isfinite(k.y) && std::isfinite(k.z) &&
                        std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z);
    if (finite && dot >= kClearDot) return true;
    if (finite && dot <= -kClearDot) return false;
    return AngleBetween(k, e) * kDegreesPerRadian < 90.0;
}

// A corner as the edge building sees it: numbers of the vertices it runs from and to.
struct DirectedCorner {
    HalfEdge* corner;
    uint32_t a, b;
};

constexpr uint32_t kNoCorner = 0xffffffffu;

} // namespace

void LinkFaceRing(Face& face) {
    auto& corners = face.halfEdges;
    const size_t n = corners.size();
    if (n == 0) return;
    for (const auto& h : corners)
        if (!h) return;
    // Linked without a division per corner: the import links every face of a large mesh.
    for (size_t i = 0; i + 1 < n; ++i) corners[i]->next = corners[i + 1].get();
    corners[n - 1]->next = corners[0].get();
    if (n <= 3) return;
    const Vertex* v0 = corners[0]->vertex;
    const Vertex* v1 = corners[1]->vertex;
    const Vertex* v2 = corners[2]->vertex;
    const Vertex* v3 = corners[3]->vertex;
    if (!v0 || !v1 || !v2 || !v3) return;
    // A fan from corner 0 then runs along the shorter diagonal; the ring itself stays as it was.
    if (Distance(v1->position, v3->position) < Distance(v0->position, v2->position))
        std::rotate(corners.begin(), corners.begin() + 1, corners.end());
}

namespace {

// Whether Heron's radicand for the triangle is positive without computing it. Twice the area (the cross
// product's length) beyond a ten-thousandth of the longest side squared keeps each of its factors s - a
// above a billionth of that side, six orders of magnitude beyond their rounding; squared sides within
// 1e-100 .. 1e100 keep the product clear of underflow and overflow. Anything else is left to the radicand.
bool HeronCertainlyPositive(double crossSquared, const Vec3& p0, const Vec3& p1, const Vec3& p2) {
    const double longest =
        std::max({DistanceSquared(p0, p1), DistanceSquared(p1, p2), DistanceSquared(p2, p0)});
    return longest > 1e-100 && longest < 1e100 && crossSquared > 1e-8 * longest * longest;
}

// The plane through p0 with the direction of `cross`, unless that has no length.
void SetPlane(Face& face, const Vec3& cross, const Vec3& p0) {
    const double len = Length(cross);
    if (!(len > 0)) return;
    const Vec3 normal = cross / len;
    face.plane[0] = normal.x;
    face.plane[1] = normal.y;
    face.plane[2] = normal.z;
    face.plane[3] = -Dot(normal, p0);
}

} // namespace

void ComputeFacePlane(Face& face) {
    const size_t n = face.halfEdges.size();
    if (n < 3 || !CornersHaveVertices(face)) return;
    const Vec3& p0 = CornerPosition(face, 0);
    double bestArea = 0;
    size_t best = 0;
    if (n == 3) {
        // One fan triangle, whose area need only be positive, as HeronArea's radicand is exactly when the
        // area is: its root is spared on the import's path, and so are the sides' roots for a triangle
        // far from degenerate, whose radicand is then positive for certain.
        const Vec3 &p1 = CornerPosition(face, 1), &p2 = CornerPosition(face, 2);
        const Vec3 cross = Cross(p1 - p0, p2 - p0);
        if (!HeronCertainlyPositive(Dot(cross, cross), p0, p1, p2)) {
            const double a = Distance(p0, p1), b = Distance(p1, p2), c = Distance(p2, p0);
            const double s = (a + b + c) / 2;
            if (!(s * (s - a) * (s - b) * (s - c) > 0)) return;
        }
        SetPlane(face, cross, p0);
        return;
    }
    for (size_t i = 2; i < n; ++i) {
        const double area = TriangleArea(p0, CornerPosition(face, i - 1), CornerPosition(face, i));
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    if (best == 0) return; // every fan triangle is degenerate: keep the plane we had
    SetPlane(face, Cross(CornerPosition(face, best - 1) - p0, CornerPosition(face, best) - p0), p0);
}

double FaceArea(const Face& face) {
    if (!CornersHaveVertices(face)) return 0;
    double area = 0;
    for (size_t i = 2; i < face.halfEdges.size(); ++i)
        area += TriangleArea(CornerPosition(face, 0), CornerPosition(face, i - 1), CornerPosition(face, i));
    return area;
}

double CornerAngle(const HalfEdge& corner, const HalfEdge& previous) {
    const Vec3 v = corner.vertex->position;
    return AngleBetween(corner.next->vertex->position - v, previous.vertex->position - v);
}

void BuildEdges(Solid& solid) {
    solid.edges.clear();
    for (auto& face : solid.faces)
        for (auto& h : face->halfEdges) {
            h->twin = nullptr;
            h->edge = nullptr;
        }

    // Ends are numbered by position in the solid's vertex list rather than by address, so that the order
    // of the open edges (by their ends' numbers) is the same on every run. A corner naming a foreign
    // vertex gets a number after the solid's own, in order of first appearance. The vertices' own
    // numbers hold their places meanwhile, as in RebuildVertexIncidence.
    const size_t n = solid.vertices.size();
    std::vector<int> saved(n);
    for (size_t i = 0; i < n; ++i) {
        saved[i] = solid.vertices[i]->index;
        solid.vertices[i]->index = int(i);
    }
    std::unordered_map<const Vertex*, uint32_t> foreign;
    const auto numberOf = [&](const Vertex* v) {
        const size_t i = size_t(v->index);
        if (v->index >= 0 && i < n && solid.vertices[i].get() == v) return uint32_t(i);
        return foreign.emplace(v, uint32_t(n + foreign.size())).first->second;
    };
    std::vector<DirectedCorner> corners;
    size_t cornerCount = 0;
    for (const auto& face : solid.faces) cornerCount += face->halfEdges.size();
    corners.reserve(cornerCount);
    for (auto& face : solid.faces)
        for (auto& corner : face->halfEdges) {
            HalfEdge* h = corner.get();
            if (!h->vertex || !h->next || !h->next->vertex) continue;
            const uint32_t a = numberOf(h->vertex);
            corners.push_back({h, a, numberOf(h->next->vertex)});
        }
    for (size_t i = 0; i < n; ++i) solid.vertices[i]->index = saved[i];

    // Corners bucketed by their lower end (a counting sort), so that the corners of one undirected edge
    // meet in one short run.
    const size_t numbers = n + foreign.size();
    std::vector<uint32_t> start(numbers + 1, 0), byLow(corners.size());
    for (const DirectedCorner& c : corners) ++start[std::min(c.a, c.b) + 1];
    for (size_t v = 0; v < numbers; ++v) start[v + 1] += start[v];
    {
        std::vector<uint32_t> next(start.begin(), start.end() - 1);
        for (uint32_t i = 0; i < corners.size(); ++i) byLow[next[std::min(corners[i].a, corners[i].b)]++] = i;
    }

    // Within an edge the corners are taken in face order: each one pairs with the first still waiting
    // that runs the other way, or else waits itself. A corner with both ends on one vertex runs both ways.
    std::vector<uint32_t> partner(corners.size(), kNoCorner), open;
    std::vector<uint32_t> waiting[2];
    size_t surplus = 0;
    for (size_t v = 0; v < numbers; ++v) {
        uint32_t* first = byLow.data() + start[v];
        uint32_t* last = byLow.data() + start[v + 1];
        const auto high = [&](uint32_t i) { return std::max(corners[i].a, corners[i].b); };
        std::sort(first, last,
                  [&](uint32_t i, uint32_t j) { return std::pair(high(i), i) < std::pair(high(j), j); });
        for (uint32_t* group = first; group < last;) {
            uint32_t* end = group + 1;
            while (end < last && high(*end) == high(*group)) ++end;
            size_t head[2] = {0, 0};
            waiting[0].clear();
            waiting[1].clear();
            for (uint32_t* i = group; i < end; ++i) {
                const DirectedCorner& c = corners[*i];
                const int way = c.a <= c.b ? 0 : 1;
                const int other = c.a == c.b ? 0 : 1 - way;
                const size_t left = waiting[other].size() - head[other];
                if (left == 0) {
                    waiting[way].push_back(*i);
                    continue;
                }
                if (left > 1) ++surplus;
                partner[*i] = waiting[other][head[other]++];
            }
            for (int way = 0; way < 2; ++way)
                open.insert(open.end(), waiting[way].begin() + ptrdiff_t(head[way]), waiting[way].end());
            group = end;
        }
    }
    for (size_t i = 0; i < surplus; ++i)
        std::cerr << "Warning: two or more halfedges are assigned "
                  << "to one halfedge" << std::endl;

    // Paired edges in the order their second corner comes, then the open ones by their ends' numbers.
    solid.edges.reserve(corners.size() - (corners.size() - open.size()) / 2);
    for (uint32_t i = 0; i < corners.size(); ++i) {
        if (partner[i] == kNoCorner) continue;
        HalfEdge* h = corners[i].corner;
        HalfEdge* g = corners[partner[i]].corner;
        h->twin = g;
        g->twin = h;
        auto edge = std::make_unique<Edge>();
        edge->halfEdge1 = h;
        edge->halfEdge2 = g;
        edge->vertex1 = h->vertex;
        edge->vertex2 = g->vertex;
        h->edge = edge.get();
        g->edge = edge.get();
        solid.edges.push_back(std::move(edge));
    }
    std::sort(open.begin(), open.end(), [&](uint32_t i, uint32_t j) {
        return std::tie(corners[i].a, corners[i].b, i) < std::tie(corners[j].a, corners[j].b, j);
    });
    for (uint32_t i : open) {
        HalfEdge* h = corners[i].corner;
        auto edge = std::make_unique<Edge>();
        edge->halfEdge1 = h;
        edge->vertex1 = h->vertex;
        edge->vertex2 = h->next->vertex;
        h->edge = edge.get();
        solid.edges.push_back(std::move(edge));
    }
}

void UpdateEdgeGeometry(Edge& edge) {
    edge.length =
        (edge.vertex1 && edge.vertex2) ? Distance(edge.vertex1->position, edge.vertex2->position) : 0;
    auto flat = [&edge](double angleDegrees) {
        edge.foldSense = true;
        edge.foldAngle = angleDegrees;
    };
    if (!edge.halfEdge2 || !edge.halfEdge1 || !edge.halfEdge1->face || !edge.halfEdge2->face) return flat(0);
    const Vec3 nA = edge.halfEdge1->face->Normal();
    const Vec3 nB = edge.halfEdge2->face->Normal();
    if (Dot(nA, nB) > kParallelCosine) return flat(180);
    Vec3 k = Cross(nA, nB);
    const double kLength = Length(k);
    if (kLength == 0) return flat(180);
    k = k / kLength;
    Vec3 e;
    if (edge.vertex1 && edge.vertex2 && edge.length > 0)
        e = (edge.vertex2->position - edge.vertex1->position) / edge.length;
    // The fold line's direction k runs along halfEdge1 exactly when the edge is convex (a mountain).
    edge.foldSense = LessThanQuarterTurn(k, e);
    edge.foldAngle = 180.0 - AngleBetween(nA, nB) * kDegreesPerRadian;
}

void RebuildVertexIncidence(Solid& solid) {
    // Counted first, so that each list is allocated once at its size rather than grown step by step: a
    // large model has hundreds of thousands of vertices. The running numbers hold the vertices' places
    // meanwhile; a corner whose vertex is not the solid's own is simply appended.
    const size_t n = solid.vertices.size();
    std::vector<int> numbers(n);
    std::vector<uint32_t> counts(n, 0);
    for (size_t i = 0; i < n; ++i) {
        numbers[i] = solid.vertices[i]->index;
        solid.vertices[i]->index = int(i);
    }
    const auto place = [&](const Vertex* v) {
        const size_t i = size_t(v->index);
        return v->index >= 0 && i < n && solid.vertices[i].get() == v ? i : n;
    };
    for (auto& face : solid.faces)
        for (auto& h : face->halfEdges)
            if (h->vertex && place(h->vertex) < n) ++counts[place(h->vertex)];
    for (size_t i = 0; i < n; ++i) {
        auto& outgoing = solid.vertices[i]->outgoing;
        outgoing.clear();
        if (outgoing.capacity() != counts[i]) std::vector<HalfEdge*>().swap(outgoing);
        outgoing.reserve(counts[i]);
    }
    for (auto& face : solid.faces)
        for (auto& h : face->halfEdges)
            if (h->vertex) h->vertex->outgoing.push_back(h.get());
    for (size_t i = 0; i < n; ++i) solid.vertices[i]->index = numbers[i];
}

void ComputeBounds(Mesh& model) {
    const double big = std::numeric_limits<double>::max();
    Vec3 lo{big, big, big};
    Vec3 hi{-big, -big, -big};
    bool any = false;
    for (const auto& solid : model.solids) {
        if (!solid->inDevelopment || !solid->shown) continue;
        for (const auto& v : solid->vertices) {
            const Vec3& p = v->position;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            any = true;
        }
    }
    // Nothing to measure: an empty box at the origin instead of infinite extents.
    if (!any) lo = hi = Vec3{};
    model.boundsMin = lo;
    model.boundsMax = hi;
    model.center = (lo + hi) * 0.5;
    const double dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
    model.size = std::max({dx, dy, dz});
    if (dy >= 0.01 * dx && dy >= 0.01 * dz)
        model.dominantAxis = 1;
    else
        model.dominantAxis = dz > dx ? 2 : 0;
}

} // namespace tsm
