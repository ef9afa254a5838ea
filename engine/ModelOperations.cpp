// The whole-model operations on the mesh: normalisation of imported meshes, Flip Faces, Join Adjacent
// Isolated Edges and the pairing of mirror-symmetric edges.
#include "engine/ModelOperations.h"

#include "engine/Topology.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tsm {

namespace {

std::string Format(const char* pattern, int a, int b = 0, int c = 0) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

// Part lines name edges by pointer; after a solid's edges were rebuilt or merged, each line takes the
// edge its half-edge now belongs to.
void RepointPartLineEdges(Mesh& model) {
    if (!model.document || !model.document->development) return;
    for (auto& part : model.document->development->parts)
        for (auto& line : part->lines) {
            const HalfEdge* side = line->first ? line->first : line->second;
            line->edge = side ? side->edge : nullptr;
        }
}

// Objects taken out of the model by normalisation. They stay alive until the development has dropped
// every reference to them, so no stale address is ever compared against a new object.
struct Released {
    // Solids first: they go last, after the vertices, corners and faces that may live in their blocks.
    std::vector<std::unique_ptr<Solid>> solids;
    std::vector<CornerPtr> corners;
    std::vector<FacePtr> faces;
    std::vector<VertexPtr> vertices;
    std::unordered_set<const void*> addresses;

    template <typename Owner> void Keep(std::vector<Owner>& into, Owner object) {
        addresses.insert(object.get());
        into.push_back(std::move(object));
    }
    bool Has(const void* p) const { return p && addresses.count(p) != 0; }
};

void ForgetReleased(Development* development, const Released& released) {
    if (!development || released.addresses.empty()) return;
    for (auto& part : development->parts) {
        if (released.Has(part->solid)) part->solid = nullptr;
        auto& faces = part->faces;
        faces.erase(std::remove_if(faces.begin(), faces.end(), [&](Face* f) { return released.Has(f); }),
                    faces.end());
        auto& lines = part->lines;
        for (auto& line : lines) {
            if (released.Has(line->first)) line->first = nullptr;
            if (released.Has(line->second)) line->second = nullptr;
            if (!line->first) std::swap(line->first, line->second);
        }
        // A line left without sides was only named by released corners.
        lines.erase(std::remove_if(lines.begin(), lines.end(), [](const auto& l) { return !l->first; }),
                    lines.end());
    }
}

// The faces with a corner on each vertex, by the vertex's running number; kept here rather than in every
// vertex, since only the joining below needs them.
using FacesAt = std::vector<std::vector<Face*>>;

// In every face that has a corner on `from`, that corner and the ends of its edge now name `to`.
void ReplaceVertex(FacesAt& facesAt, Vertex* from, Vertex* to) {
    if (!from || !to || from == to) return;
    if (size_t(from->index) >= facesAt.size() || size_t(to->index) >= facesAt.size()) return;
    from->deleted = true;
    std::vector<Face*>& fromFaces = facesAt[size_t(from->index)];
    std::vector<Face*>& toFaces = facesAt[size_t(to->index)];
    for (Face* face : fromFaces) {
        for (auto& h : face->halfEdges) {
            if (h->vertex == from) h->vertex = to;
            if (Edge* e = h->edge) {
                if (e->vertex1 == from) e->vertex1 = to;
                if (e->vertex2 == from) e->vertex2 = to;
            }
        }
        if (std::find(toFaces.begin(), toFaces.end(), face) == toFaces.end()) toFaces.push_back(face);
    }
    fromFaces.clear();
}

bool IsOpenCandidate(const Edge& e) {
    return !e.halfEdge2 && !e.mark && e.halfEdge1 && e.vertex1 && e.vertex2;
}

} // namespace

NormaliseCounts NormaliseModel(Document& document, IPrompt& prompt) {
    Mesh& model = *document.model;
    ComputeBounds(model);
    const double s = model.size;
    const double minCornerGap = s * 0.0001;
    const double minFaceArea = s * s * 1e-8;
    NormaliseCounts counts;
    Released released;

    for (auto& solid : model.solids) {
        std::vector<FacePtr> kept;
        for (auto& face : solid->faces) {
            // Corners too close to the last retained one are duplicates of it.
            std::vector<CornerPtr> retained;
            for (auto& h : face->halfEdges) {
                const bool keep = h->vertex && (retained.empty() ||
                                                Distance(h->vertex->position,
                                                         retained.back()->vertex->position) > minCornerGap);
                if (keep)
                    retained.push_back(std::move(h));
                else
                    released.Keep(released.corners, std::move(h));
            }
            face->halfEdges = std::move(retained);
            if (face->halfEdges.size() >= 3 && FaceArea(*face) > minFaceArea) {
                LinkFaceRing(*face);
                ComputeFacePlane(*face);
                kept.push_back(std::move(face));
            } else {
                for (auto& h : face->halfEdges) released.addresses.insert(h.get());
                released.Keep(released.faces, std::move(face));
                ++counts.faces;
            }
        }
        solid->faces = std::move(kept);
    }

    std::unordered_set<const Vertex*> used;
    for (auto& solid : model.solids)
        for (auto& face : solid->faces)
            for (auto& h : face->halfEdges) used.insert(h->vertex);
    for (auto& solid : model.solids) {
        std::vector<VertexPtr> kept;
        for (auto& v : solid->vertices) {
            if (used.count(v.get())) {
                kept.push_back(std::move(v));
            } else {
                released.Keep(released.vertices, std::move(v));
                ++counts.vertices;
            }
        }
        solid->vertices = std::move(kept);
    }
    std::vector<std::unique_ptr<Solid>> keptSolids;
    for (auto& solid : model.solids) {
        if (!solid->faces.empty()) {
            keptSolids.push_back(std::move(solid));
        } else {
            released.Keep(released.solids, std::move(solid));
            ++counts.solids;
        }
    }
    model.solids = std::move(keptSolids);

    int faceCount = 0;
    for (auto& solid : model.solids) {
        // A fold link survives only where both corners are again each other's twin: their partners before
        // the edges are built again.
        std::unordered_map<const HalfEdge*, const HalfEdge*> joinedBefore;
        for (auto& face : solid->faces)
            for (auto& h : face->halfEdges)
                if (const HalfEdge* partner = h->Joined()) joinedBefore.emplace(h.get(), partner);
        BuildEdges(*solid);
        for (auto& edge : solid->edges) UpdateEdgeGeometry(*edge);
        RebuildVertexIncidence(*solid);
        const auto partnerBefore = [&](const HalfEdge* h) {
            const auto it = joinedBefore.find(h);
            return it != joinedBefore.end() ? it->second : nullptr;
        };
        for (auto& face : solid->faces)
            for (auto& h : face->halfEdges)
                if (h->joinsTwin)
                    h->joinsTwin =
                        h->twin && partnerBefore(h.get()) == h->twin && partnerBefore(h->twin) == h.get();
        faceCount += int(solid->faces.size());
    }
    ForgetReleased(document.development.get(), released);
    RepointPartLineEdges(model);

    if (counts.vertices > 0 || counts.faces > 0 || counts.solids > 0)
        prompt.Message(
            Format("%d vertice(s), %d face(s) and %d object(s) were deleted for data normalization.",
                   counts.vertices, counts.faces, counts.solids),
            PromptIcon::Information);
    if (faceCount > 500)
        prompt.Message(
            Format("Too many faces (# of faces: %d).\nIt may take very long time to assemble.", faceCount));
    return counts;
}

void FlipFaces(Mesh& model, bool onlyInDevelopment) {
    bool flipped = false;
    for (auto& solid : model.solids) {
        if (onlyInDevelopment && !solid->inDevelopment) continue;
        flipped = true;
        std::vector<EdgePtr> oldEdges = std::move(solid->edges);
        solid->edges.clear();
        for (auto& face : solid->faces) {
            for (double& value : face->plane) value = -value;
            std::reverse(face->halfEdges.begin(), face->halfEdges.end());
            for (auto& h : face->halfEdges) {
                h->edge = nullptr;
                h->twin = h->next = nullptr;
                h->joinsTwin = false;
            }
            LinkFaceRing(*face);
        }
        BuildEdges(*solid);
        for (auto& edge : solid->edges) UpdateEdgeGeometry(*edge);

        using Ends = std::pair<const Vertex*, const Vertex*>;
        auto endsOf = [](const Edge& e) {
            return std::less<const Vertex*>()(e.vertex1, e.vertex2) ? Ends(e.vertex1, e.vertex2)
                                                                    : Ends(e.vertex2, e.vertex1);
        };
        std::map<Ends, Edge*> byEnds;
        for (auto& edge : solid->edges) byEnds.emplace(endsOf(*edge), edge.get());
        for (auto& old : oldEdges) {
            if (old->edgeClass == EdgeClass::Free) continue;
            auto found = byEnds.find(endsOf(*old));
            if (found != byEnds.end()) found->second->edgeClass = old->edgeClass;
        }
    }
    if (!flipped) return;
    RepointPartLineEdges(model);
    // Mirror partners named the released edges; the geometry is unchanged, so pairing again restores them.
    FindSymmetricEdges(model);
}

int JoinAdjacentIsolatedEdges(Mesh& model, IPrompt& prompt) {
    int index = 0;
    for (auto& solid : model.solids) {
        for (auto& v : solid->vertices) {
            v->index = index++;
            v->deleted = false;
        }
        for (auto& edge : solid->edges) edge->mark = false;
    }
    FacesAt facesAt(static_cast<size_t>(index));
    for (auto& solid : model.solids)
        for (auto& face : solid->faces)
            for (auto& h : face->halfEdges) {
                Vertex* v = h->vertex;
                // A corner on a vertex of another solid, or none, is not joined here.
                if (!v || v->index < 0 || v->index >= index) continue;
                std::vector<Face*>& faces = facesAt[size_t(v->index)];
                if (faces.empty() || faces.back() != face.get()) faces.push_back(face.get());
            }

    const double tolerance = model.size * 1e-6;
    int merged = 0;
    for (auto& solid : model.solids) {
        auto& edges = solid->edges;
        for (size_t i = 0; i < edges.size(); ++i) {
            Edge& e = *edges[i];
            if (!IsOpenCandidate(e)) continue;
            for (size_t j = i + 1; j < edges.size(); ++j) {
                Edge& f = *edges[j];
                if (!IsOpenCandidate(f)) continue;
                if (!(Distance(e.vertex1->position, f.vertex2->position) <= tolerance &&
                      Distance(e.vertex2->position, f.vertex1->position) <= tolerance))
                    continue;
                Vertex* fStart = f.vertex1;
                Vertex* fEnd = f.vertex2;
                ReplaceVertex(facesAt, fEnd, e.vertex1);
                ReplaceVertex(facesAt, fStart, e.vertex2);
                f.mark = true;
                e.halfEdge2 = f.halfEdge1;
                f.halfEdge1->edge = &e;
                e.halfEdge1->twin = f.halfEdge1;
                f.halfEdge1->twin = e.halfEdge1;
                UpdateEdgeGeometry(e);
                ++merged;
                break; // e is no longer open
            }
        }
    }

    for (auto& solid : model.solids) {
        auto& edges = solid->edges;
        edges.erase(std::remove_if(edges.begin(), edges.end(), [](const auto& e) { return e->mark; }),
                    edges.end());
        auto& vertices = solid->vertices;
        vertices.erase(
            std::remove_if(vertices.begin(), vertices.end(), [](const auto& v) { return v->deleted; }),
            vertices.end());
        RebuildVertexIncidence(*solid);
    }
    RepointPartLineEdges(model);
    FindSymmetricEdges(model);
    prompt.Message(Format("%d edges were merged.", merged), PromptIcon::Information);
    return merged;
}

namespace {

// Sorts (key, index) pairs by key and then by index, as std::sort would, for keys that are not NaN. The
// pairs are dealt out to buckets by key in one pass, and each bucket, a pair or two on average, is sorted
// on its own. A large model has hundreds of thousands of edges to sort.
void SortByKeyThenIndex(std::pair<double, uint32_t>* items, size_t n) {
    // Below a few thousand pairs the bucket tables would cost more than the sort they replace.
    if (n < 4096) return std::sort(items, items + n);
    double lo = items[0].first, hi = items[0].first;
    for (size_t i = 1; i < n; ++i) {
        lo = std::min(lo, items[i].first);
        hi = std::max(hi, items[i].first);
    }
    const double range = hi - lo;
    // All keys equal, or some infinite: no spread to deal the pairs out by.
    if (!(range > 0) || !std::isfinite(range)) return std::sort(items, items + n);
    // Rounding never puts a larger key in an earlier bucket, so the buckets in turn are in key order.
    const double scale = double(n) / range;
    const auto bucketOf = [&](double key) { return std::min(size_t((key - lo) * scale), n - 1); };
    std::vector<uint32_t> end(n, 0);
    for (size_t i = 0; i < n; ++i) ++end[bucketOf(items[i].first)];
    uint32_t sum = 0;
    for (uint32_t& count : end) sum += std::exchange(count, sum);
    std::vector<std::pair<double, uint32_t>> dealt(n);
    for (size_t i = 0; i < n; ++i) dealt[end[bucketOf(items[i].first)]++] = items[i];
    // Each bucket now ends where the next begins.
    uint32_t begin = 0;
    for (size_t b = 0; b < n; begin = end[b++]) {
        auto* first = dealt.data() + begin;
        auto* last = dealt.data() + end[b];
        if (last - first < 2) continue;
        if (last - first > 16) {
            std::sort(first, last);
            continue;
        }
        for (auto* i = first + 1; i < last; ++i)
            for (auto* j = i; j > first && *j < *(j - 1); --j) std::swap(*j, *(j - 1));
    }
    std::copy(dealt.begin(), dealt.end(), items);
}

} // namespace

void PairPendingSymmetricEdges(Mesh& model) {
    if (model.symmetricEdgesPending) FindSymmetricEdges(model);
}

void FindSymmetricEdges(Mesh& model) {
    model.symmetricEdgesPending = false;
    // Everything the window scan reads sits in the entry itself, and the keys beside it in the sorted
    // index: the scan reads two arrays in turn instead of chasing edge pointers. An entry fills one cache
    // line.
    struct Entry {
        Vec3 a, b; // end points as halfEdge1 runs
        Edge* edge;
        bool negativeSide;
    };
    std::vector<std::pair<double, uint32_t>> order; // key, place in `entries`
    const double s = model.size;
    const double q = (s * 0.005) * (s * 0.005);
    const Vec3 reference{s, s, s};

    std::vector<Entry> entries;
    size_t edgeCount = 0;
    for (auto& solid : model.solids) edgeCount += solid->edges.size();
    entries.reserve(edgeCount);
    order.reserve(edgeCount);
    // The edges, their first sides and those sides' vertices lie far apart in a large model, and reading
    // each waits on memory. Each link is fetched some edges ahead, from what an earlier round fetched
    // (the edge, its side, the side's vertex and successor, the successor's vertex), so the waits overlap.
    constexpr size_t kAhead = 6;
    for (auto& solid : model.solids) {
        const auto& edges = solid->edges;
        const size_t n = edges.size();
        for (size_t i = 0; i < n; ++i) {
            if (i + 4 * kAhead < n) __builtin_prefetch(edges[i + 4 * kAhead].get());
            if (i + 3 * kAhead < n && edges[i + 3 * kAhead]->halfEdge1) {
                __builtin_prefetch(edges[i + 3 * kAhead]->halfEdge1);
                __builtin_prefetch(&edges[i + 3 * kAhead]->mark, 1); // the edge's second cache line
            }
            if (i + 2 * kAhead < n && edges[i + 2 * kAhead]->halfEdge1) {
                const HalfEdge& ahead = *edges[i + 2 * kAhead]->halfEdge1;
                __builtin_prefetch(ahead.vertex);
                __builtin_prefetch(ahead.next);
            }
            if (i + kAhead < n && edges[i + kAhead]->halfEdge1 && edges[i + kAhead]->halfEdge1->next)
                __builtin_prefetch(edges[i + kAhead]->halfEdge1->next->vertex);
            Edge* edge = edges[i].get();
            edge->symmetricEdge = nullptr;
            Entry entry{{}, {}, edge, false};
            const HalfEdge* h = edge->halfEdge1;
            if (h && h->vertex && h->next && h->next->vertex) {
                entry.a = h->vertex->position;
                entry.b = h->next->vertex->position;
            } else if (edge->vertex1 && edge->vertex2) {
                entry.a = edge->vertex1->position;
                entry.b = edge->vertex2->position;
            } else {
                continue;
            }
            Vec3 mid = (entry.a + entry.b) * 0.5;
            edge->mark = mid.x < 0; // negative side of the mirror plane
            if (edge->mark) mid.x = -mid.x;
            const double key = DistanceSquared(mid, reference);
            entry.negativeSide = edge->mark;
            order.emplace_back(key, static_cast<uint32_t>(entries.size()));
            entries.push_back(entry);
        }
    }
    // Sort an index by key; equal keys keep their model order so that the same file always pairs the
    // same way. NaN keys (broken coordinates) are set last first, in model order, and never match; the
    // sort then compares plain pairs, the index breaking ties.
    const auto numbered = std::stable_partition(order.begin(), order.end(),
                                                [](const auto& item) { return !std::isnan(item.first); });
    SortByKeyThenIndex(order.data(), size_t(numbered - order.begin()));
    std::vector<Entry> sorted;
    sorted.reserve(entries.size());
    // The copy reads the entries in key order, all over the array, and the scan writes to the edges in
    // that order: both fetch a few entries ahead.
    for (size_t i = 0; i < order.size(); ++i) {
        if (i + kAhead < order.size()) __builtin_prefetch(&entries[order[i + kAhead].second]);
        sorted.push_back(entries[order[i].second]);
    }
    entries.clear();
    entries.shrink_to_fit();

    auto mirror = [](Vec3 p) {
        p.x = -p.x;
        return p;
    };
    auto matches = [&](const Entry& e, const Entry& f) {
        const Vec3 b1 = mirror(f.a), b2 = mirror(f.b);
        return (DistanceSquared(e.a, b1) < q && DistanceSquared(e.b, b2) < q) ||
               (DistanceSquared(e.a, b2) < q && DistanceSquared(e.b, b1) < q);
    };
    const long count = long(sorted.size());
    for (long i = 0; i < count; ++i) {
        if (i + long(kAhead) < count) __builtin_prefetch(&sorted[size_t(i) + kAhead].edge->symmetricEdge, 1);
        const Entry& e = sorted[i];
        auto tryPartner = [&](long j) {
            const Entry& f = sorted[j];
            if (f.negativeSide == e.negativeSide || !matches(e, f)) return false;
            e.edge->symmetricEdge = f.edge;
            f.edge->symmetricEdge = e.edge;
            return true;
        };
        // Written so that a NaN difference also ends the window.
        const double key = order[size_t(i)].first;
        auto inWindow = [&](long j) { return std::fabs(order[size_t(j)].first - key) <= q; };
        bool found = false;
        for (long j = i - 1; j >= 0 && !found && inWindow(j); --j) found = tryPartner(j);
        for (long j = i + 1; j < count && !found && inWindow(j); ++j) found = tryPartner(j);
    }
}

} // namespace tsm
