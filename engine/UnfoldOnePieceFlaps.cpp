#include "engine/FlapDesign.h"
#include "engine/Flaps.h"
#include "engine/OnePieceSearch.h"

#include <algorithm>
#include <memory>
#include <numeric>

namespace tsm::onepiece {

// Whether the flap polygon `flap` beside face f meets no other face.
bool Search::Clear(const Point2* flap, int f, int& blocker) {
    const Box box = BoxOf(flap, 4);
    int hit = -1;
    Near(f, box, [&](int g) {
        if (hit < 0 && FacesOverlap(flap, 4, World(g), Count(g), in_.sharedPointSquared)) hit = g;
    });
    for (int64_t x = CellOf(box.x0); hit < 0 && x <= CellOf(box.x1); ++x)
        for (int64_t y = CellOf(box.y0); hit < 0 && y <= CellOf(box.y1); ++y) {
            auto it = flapCells_.find(Key(x, y));
            if (it == flapCells_.end()) continue;
            for (int i : it->second)
                if (hit < 0 && box.Meets(flapBoxes_[i]) &&
                    FacesOverlap(flap, 4, flaps_[i].data(), 4, in_.sharedPointSquared))
                    hit = flapFaces_[i];
        }
    if (hit < 0) return true;
    if (blocker < 0) blocker = hit;
    return false;
}

// Whether side k of `link` has room for a flap of half its reference area, as the flap design looks for
// one: the largest first, then lower ones, then narrower ones; the one found stays in the way of the
// flaps after it. `blocker` is set to a face the first one runs into (or whose flap it runs into).
bool Search::FlapRoom(int link, int k, int& blocker) {
    constexpr double kNarrowCot = 2.74; // base angles of 0.35 radians
    const Link& l = links_[link];
    const int f = l.face[k];
    const Point2* p = World(f);
    const Point2 a = p[l.corner[k]], b = p[(l.corner[k] + 1) % Count(f)];
    const double length = Length(b - a);
    if (!(length > 0)) return true;
    const Point2 along = (b - a) * (1 / length);
    Point2 out{-along.y, along.x};
    Point2 centre;
    for (int i = 0; i < Count(f); ++i) centre = centre + p[i] * (1.0 / Count(f));
    if ((centre.x - a.x) * out.x + (centre.y - a.y) * out.y > 0) out = out * -1;
    const double height = std::min(in_.flapHeight, length / 2);
    const double half = height * (length - height) / 2;
    // Base angles of at most 45 degrees, narrower where the corners' own angles are, and as a last resort
    // narrow ones.
    const HalfEdge& side = *in_.faces[f]->halfEdges[l.corner[k]];
    const double cotEnd = 1 / std::tan(std::clamp(side.flapAngle1, 0.2, kQuarterTurn));
    const double cotStart = 1 / std::tan(std::clamp(side.flapAngle2, 0.2, kQuarterTurn));
    struct Shape {
        double height, cotStart, cotEnd;
    };
    // Heights of half the reference area: t (length - t (cotStart + cotEnd) / 2) = half.
    const auto least = [&](double c1, double c2) {
        const double c = (c1 + c2) / 2, root = length * length - 4 * c * half;
        return Shape{root < 0 ? -1.0 : (length - std::sqrt(root)) / (2 * c), c1, c2};
    };
    const Shape shapes[] = {{std::min(height, 0.999 * length / (cotStart + cotEnd)), cotStart, cotEnd},
                            least(cotStart, cotEnd),
                            least(kNarrowCot, kNarrowCot)};
    for (const Shape& shape : shapes) {
        const double t = shape.height;
        if (!(t > 0) || t * (length - t * (shape.cotStart + shape.cotEnd) / 2) < half * 0.999) continue;
        std::array<Point2, 4> flap = {b, a, a + out * t + along * (t * shape.cotStart),
                                      b + out * t - along * (t * shape.cotEnd)};
        if (!Clear(flap.data(), f, blocker)) continue;
        const int index = static_cast<int>(flaps_.size());
        flaps_.push_back(flap);
        flapFaces_.push_back(f);
        flapBoxes_.push_back(BoxOf(flap.data(), 4));
        const Box& box = flapBoxes_.back();
        for (int64_t x = CellOf(box.x0); x <= CellOf(box.x1); ++x)
            for (int64_t y = CellOf(box.y0); y <= CellOf(box.y1); ++y) flapCells_[Key(x, y)].push_back(index);
        return true;
    }
    return false;
}

void Search::CountCrowded() {
    crowded_ = 0;
    crowdedFaces_.clear();
    flaps_.clear();
    flapFaces_.clear();
    flapBoxes_.clear();
    flapCells_.clear();
    if (!(in_.flapHeight > 0)) return;
    for (size_t k = 0; k < links_.size(); ++k) {
        if (inTree_[k]) continue;
        int blocker = -1;
        const int link = static_cast<int>(k);
        if (stubborn_[k]) {
            ++crowded_;
            crowdedFaces_.push_back({links_[k].face[0], links_[k].face[1]});
            continue;
        }
        // The smaller face carries the flap where it can, as the flap design prefers.
        const int first = area_[links_[k].face[1]] < area_[links_[k].face[0]] ? 1 : 0;
        if (FlapRoom(link, first, blocker) || FlapRoom(link, 1 - first, blocker)) continue;
        ++crowded_;
        crowdedFaces_.push_back({links_[k].face[0], blocker >= 0 ? blocker : links_[k].face[1]});
    }
}

// Once flaps count: makes `move`, counts the crowded edges, and takes the move back; the move's delta
// then includes their change.
int Search::Trial(Move& move) {
    const int before = crowded_;
    std::vector<std::pair<int, int>> old;
    for (int f : side_)
        for (int g : partners_[f])
            if (!inSide_[g]) old.push_back({f, g});
    const std::vector<int> side = side_;
    Move back;
    back.removed = move.added;
    back.added = move.removed;
    const RigidMotion& m = move.turn;
    back.turn.c = m.c;
    back.turn.s = -m.s;
    back.turn.tx = -(m.c * m.tx + m.s * m.ty);
    back.turn.ty = -(-m.s * m.tx + m.c * m.ty);
    back.pairs = std::move(old);
    const std::vector<std::pair<int, int>> crowdedFaces = crowdedFaces_;
    Apply(move);
    CountCrowded();
    const int after = crowded_;
    side_ = side;
    for (int f : side_) inSide_[f] = 1;
    Apply(back);
    crowded_ = before;
    crowdedFaces_ = crowdedFaces;
    side_ = side;
    for (int f : side_) inSide_[f] = 1;
    move.delta += after - before;
    return after;
}

// Whether the flap design itself finds room for every flap of the tree's layout, as the unfolding will
// lay it out. The model's faces get the layout for the while and everything the design touches is put
// back. Edges it finds crowded become stubborn, and the count of crowded edges follows.
bool Search::FlapsDesigned(const std::vector<Edge*>& joins) {
    struct Kept {
        HalfEdge* corner;
        HalfEdge copy;
    };
    std::vector<Kept> kept;
    std::vector<Part*> parts;
    Development development;
    development.parts.push_back(std::make_unique<Part>());
    Part& part = *development.parts.back();
    part.development = &development;
    // The faces in the order the unfolding's merges leave them, which the design visits them in: at every
    // join the first side's faces before the second's.
    std::vector<int> head(n_), tail(n_), next(n_, -1), root(n_);
    std::iota(head.begin(), head.end(), 0);
    std::iota(tail.begin(), tail.end(), 0);
    std::iota(root.begin(), root.end(), 0);
    const auto find = [&root](int x) {
        while (root[x] != x) x = root[x] = root[root[x]];
        return x;
    };
    for (const Edge* edge : joins) {
        const int a = find(faceIndex_.at(edge->halfEdge1->face)),
                  b = find(faceIndex_.at(edge->halfEdge2->face));
        next[tail[a]] = head[b];
        tail[a] = tail[b];
        root[b] = a;
    }
    for (int f = head[find(0)]; f >= 0; f = next[f]) part.faces.push_back(in_.faces[f]);
    for (int f = 0; f < n_; ++f) {
        Face* face = in_.faces[f];
        parts.push_back(face->part);
        face->part = &part;
        for (size_t c = 0; c < face->halfEdges.size(); ++c) {
            HalfEdge* h = face->halfEdges[c].get();
            kept.push_back({h, *h});
            h->x2d = world_[start_[f] + c].x, h->y2d = world_[start_[f] + c].y;
            h->joined = nullptr;
        }
    }
    for (size_t k = 0; k < links_.size(); ++k) {
        if (!inTree_[k]) continue;
        const Edge& edge = *in_.edges[links_[k].edge];
        edge.halfEdge1->joined = edge.halfEdge2;
        edge.halfEdge2->joined = edge.halfEdge1;
    }
    PlaceFlaps(development, *in_.faces[0]->solid->model, in_.flapHeight);
    const FlapDesignCounts counts = DesignFlaps(development, in_.flapHeight);
    for (const CrowdedEdge& crowded : counts.crowdedEdges)
        for (int link : faceLinks_[faceIndex_.at(crowded.sides[0]->face)])
            if (in_.edges[links_[link].edge] == crowded.sides[0]->edge) stubborn_[link] = 1;
    for (const Kept& k : kept) *k.corner = k.copy;
    for (int f = 0; f < n_; ++f) in_.faces[f]->part = parts[f];
    part.faces.clear();
    if (counts.crowdedEdges.empty()) return true;
    CountCrowded();
    return false;
}

} // namespace tsm::onepiece
