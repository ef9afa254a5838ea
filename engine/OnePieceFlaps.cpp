// The flaps the tree search counts: each cut edge's flap is kept from move to move with its place on a
// grid of its own, so that a trial move looks only at what the move disturbs. A flap of the moved side
// that now meets a face or flap of the rest, and a flap of the rest that a moved face now covers, are
// placed again, along with the newly cut edge and the edges still crowded; all others stay as they are.
#include "engine/OnePieceSearch.h"

#include "engine/FlapDesign.h"
#include "engine/Flaps.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

namespace tsm::onepiece {

// Whether side k of `link` can hold a flap of half its reference area at all, whatever lies around it: the
// flap design keeps a flap within the base angles the neighbour's corners allow, and on a thin face those
// leave too little glue however the faces are laid out.
bool Search::Holds(int link, int k) const {
    const Link& l = links_[link];
    const HalfEdge& side = *in_.faces[l.face[k]]->halfEdges[l.corner[k]];
    const Edge& edge = *in_.edges[l.edge];
    const double length = edge.length;
    if (!(length > 0) || !std::isfinite(length)) return true;
    if (!(side.flapAngle1 > 0) || !(side.flapAngle2 > 0)) return false;
    const double spread = 1 / std::tan(side.flapAngle1) + 1 / std::tan(side.flapAngle2);
    const double apex = spread > 0 ? length / spread : in_.flapHeight;
    const double t = std::min(in_.flapHeight, apex);
    const double h = std::min(in_.flapHeight, length / 2);
    return t * (length - t * spread / 2) >= 0.999 * h * (length - h) / 2;
}

// Calls keep(link) for every flap on the grid whose box meets `box`, once each, and returns the face of
// the first that `flap` overlaps among those kept, -1 when none.
template <typename Keep> int Search::FlapHit(const Point2* flap, const Box& box, Keep&& keep) {
    ++linkStampNow_;
    for (int64_t x = CellOf(box.x0); x <= CellOf(box.x1); ++x)
        for (int64_t y = CellOf(box.y0); y <= CellOf(box.y1); ++y) {
            auto it = flapCells_.find(Key(x, y));
            if (it == flapCells_.end()) continue;
            for (int link : it->second) {
                if (linkStamp_[link] == linkStampNow_) continue;
                linkStamp_[link] = linkStampNow_;
                if (keep(link) && box.Meets(flapBox_[link]) &&
                    FacesOverlap(flap, 4, flapShape_[link].data(), 4, in_.sharedPointSquared))
                    return flapFace_[link];
            }
        }
    return -1;
}

// The face that the flap polygon `flap` beside face f runs into, or whose flap it runs into; -1 when it is
// clear. During a trial the moved side is met by taking the flap back through the move instead, so that
// the grids stay as they are.
int Search::Hit(const Point2* flap, int f) {
    work_ += kHitWork;
    const Box box = BoxOf(flap, 4);
    int hit = -1;
    const auto faces = [&](const Point2* polygon, const Box& around, bool moved) {
        Near(f, around, [&](int g) {
            if (hit < 0 && (!trial_ || (inSide_[g] != 0) == moved) &&
                FacesOverlap(polygon, 4, World(g), Count(g), in_.sharedPointSquared))
                hit = g;
        });
    };
    faces(flap, box, false);
    if (hit < 0)
        hit = FlapHit(flap, box,
                      [&](int link) { return !trial_ || (!dropped_[link] && !inSide_[flapFace_[link]]); });
    if (!trial_ || hit >= 0) return hit;
    std::array<Point2, 4> back;
    for (int i = 0; i < 4; ++i) back[i] = trialTurn_.Unapply(flap[i]);
    const Box backBox = BoxOf(back.data(), 4);
    faces(back.data(), backBox, true);
    if (hit < 0)
        hit = FlapHit(back.data(), backBox,
                      [&](int link) { return !dropped_[link] && inSide_[flapFace_[link]]; });
    for (const FlapChange& other : placed_)
        if (hit < 0 && box.Meets(BoxOf(other.shape.data(), 4)) &&
            FacesOverlap(flap, 4, other.shape.data(), 4, in_.sharedPointSquared))
            hit = other.face;
    return hit;
}

void Search::PlaceFlap(int link, int f, const std::array<Point2, 4>& shape) {
    flapFace_[link] = f;
    flapShape_[link] = shape;
    const Box box = flapBox_[link] = BoxOf(shape.data(), 4);
    for (int64_t x = CellOf(box.x0); x <= CellOf(box.x1); ++x)
        for (int64_t y = CellOf(box.y0); y <= CellOf(box.y1); ++y) flapCells_[Key(x, y)].push_back(link);
}

void Search::RemoveFlap(int link) {
    blocker_[link] = -1;
    if (flapFace_[link] < 0) return;
    flapFace_[link] = -1;
    const Box& box = flapBox_[link];
    for (int64_t x = CellOf(box.x0); x <= CellOf(box.x1); ++x)
        for (int64_t y = CellOf(box.y0); y <= CellOf(box.y1); ++y) {
            std::vector<int>& cell = flapCells_[Key(x, y)];
            cell.erase(std::find(cell.begin(), cell.end(), link));
        }
}

// The face a crowded edge sends the search towards: a flap that runs into another flap of its own face
// names no path to cut, the edge's two faces do.
void Search::Crowd(int link, int blocker) {
    const Link& l = links_[link];
    blocker_[link] = blocker >= 0 && blocker != l.face[0] ? blocker : l.face[1];
}

void Search::ListCrowded() {
    crowdedFaces_.clear();
    for (size_t k = 0; k < links_.size(); ++k)
        if (blocker_[k] >= 0) crowdedFaces_.push_back({links_[k].face[0], blocker_[k]});
    crowded_ = static_cast<int>(crowdedFaces_.size());
}

void Search::CountCrowded() {
    flapFace_.assign(links_.size(), -1);
    blocker_.assign(links_.size(), -1);
    flapShape_.resize(links_.size());
    flapBox_.resize(links_.size());
    linkStamp_.assign(links_.size(), 0);
    dropped_.assign(links_.size(), 0);
    flapCells_.clear();
    crowdedFaces_.clear();
    crowded_ = 0;
    if (!(in_.flapHeight > 0)) return;
    for (size_t k = 0; k < links_.size(); ++k) {
        if (inTree_[k]) continue;
        int blocker = -1;
        const int link = static_cast<int>(k);
        // The smaller face carries the flap where it can, as the flap design prefers.
        const int first = area_[links_[k].face[1]] < area_[links_[k].face[0]] ? 1 : 0;
        if (stubborn_[k] || !(FlapRoom(link, first, blocker) || FlapRoom(link, 1 - first, blocker)))
            Crowd(link, stubborn_[k] ? -1 : blocker);
    }
    ListCrowded();
}

// The flaps `move` disturbs placed again as they would be once it is made, into `move.flaps`, and their
// change in crowded edges added to its delta. Nothing of the search's state changes.
void Search::Trial(Move& move) {
    trial_ = true;
    trialTurn_ = move.turn;
    for (int f : side_)
        for (int c = start_[f]; c < start_[f + 1]; ++c) moved_[c] = move.turn.Apply(world_[c]);
    std::vector<int> again;
    dropped_[move.added] = 1;
    // Flaps of the moved side that now meet a face or flap of the rest.
    for (int f : side_)
        for (int link : faceLinks_[f]) {
            if (flapFace_[link] != f || dropped_[link]) continue;
            std::array<Point2, 4> shape;
            for (int i = 0; i < 4; ++i) shape[i] = move.turn.Apply(flapShape_[link][i]);
            if (Hit(shape.data(), f) >= 0) again.push_back(link);
        }
    // Flaps of the rest that a moved face now covers.
    for (int f : side_) {
        work_ += 1;
        const Point2* p = moved_.data() + start_[f];
        const Box box = BoxOf(p, Count(f));
        FlapHit(p, box, [&](int link) {
            if (!dropped_[link] && !inSide_[flapFace_[link]] && box.Meets(flapBox_[link]) &&
                FacesOverlap(p, Count(f), flapShape_[link].data(), 4, in_.sharedPointSquared))
                again.push_back(link);
            return false;
        });
    }
    // A crowded edge finds room only where something left: the moved side's old place and the flaps
    // taken away. Those of the moved side are tried again wherever they go.
    const double reach = in_.flapHeight;
    Box freed{INFINITY, INFINITY, -INFINITY, -INFINITY};
    const auto grow = [&freed](const Box& box) {
        freed = {std::min(freed.x0, box.x0), std::min(freed.y0, box.y0), std::max(freed.x1, box.x1),
                 std::max(freed.y1, box.y1)};
    };
    for (int f : side_) grow(boxes_[f]);
    for (int link : again) grow(flapBox_[link]);
    if (flapFace_[move.added] >= 0) grow(flapBox_[move.added]);
    freed = {freed.x0 - reach, freed.y0 - reach, freed.x1 + reach, freed.y1 + reach};
    const auto near = [&](int link) {
        const Link& l = links_[link];
        for (int k = 0; k < 2; ++k) {
            const int f = l.face[k];
            if (inSide_[f]) return true;
            const Point2 a = World(f)[l.corner[k]], b = World(f)[(l.corner[k] + 1) % Count(f)];
            if (freed.Meets({std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)}))
                return true;
        }
        return false;
    };
    int after = crowded_ - (blocker_[move.added] >= 0);
    for (size_t k = 0; k < links_.size(); ++k)
        if (blocker_[k] >= 0 && !stubborn_[k] && static_cast<int>(k) != move.added &&
            near(static_cast<int>(k)))
            again.push_back(static_cast<int>(k)), --after;
    again.push_back(move.removed);
    std::sort(again.begin(), again.end());
    again.erase(std::unique(again.begin(), again.end()), again.end());
    for (int link : again) dropped_[link] = 1;
    placed_.clear();
    std::vector<FlapChange> crowded;
    for (int link : again) {
        int blocker = -1;
        const Link& l = links_[link];
        const int first = area_[l.face[1]] < area_[l.face[0]] ? 1 : 0;
        if (!stubborn_[link] && (FlapRoom(link, first, blocker) || FlapRoom(link, 1 - first, blocker)))
            continue;
        ++after;
        crowded.push_back({link, -1, blocker, {}});
    }
    for (int link : again) dropped_[link] = 0;
    dropped_[move.added] = 0;
    trial_ = false;
    move.flaps = std::move(placed_);
    placed_.clear();
    move.flaps.insert(move.flaps.end(), crowded.begin(), crowded.end());
    move.flapsKnown = true;
    move.delta += after - crowded_;
}

// Makes the flap changes of `move`, its side listed and its faces already turned.
void Search::CommitFlaps(const Move& move) {
    for (int f : side_)
        for (int link : faceLinks_[f]) {
            if (flapFace_[link] != f) continue;
            std::array<Point2, 4> shape = flapShape_[link];
            for (Point2& p : shape) p = move.turn.Apply(p);
            RemoveFlap(link);
            PlaceFlap(link, f, shape);
        }
    RemoveFlap(move.added);
    for (const FlapChange& change : move.flaps) {
        RemoveFlap(change.link);
        if (change.face >= 0)
            PlaceFlap(change.link, change.face, change.shape);
        else if (stubborn_[change.link])
            Crowd(change.link, -1);
        else
            Crowd(change.link, change.blocker);
    }
    ListCrowded();
}

// Whether side k of `link` has room for a flap of half its reference area, as the flap design looks for
// one: the largest first, then lower ones, then narrower ones; the one found stays in the way of the
// flaps after it. `blocker` is set to a face the first one runs into (or whose flap it runs into).
bool Search::FlapRoom(int link, int k, int& blocker) {
    constexpr double kNarrowCot = 2.74; // base angles of 0.35 radians
    constexpr double kHalfCot = 1.83;   // and of 0.5
    const Link& l = links_[link];
    const int f = l.face[k];
    const Point2* p = Where(f);
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
    // One end narrowed while the other keeps its angle, as at the end of a slit: the design narrows each
    // end on its own.
    const double cotHalf = std::max(kHalfCot, cotStart), cotHalfEnd = std::max(kHalfCot, cotEnd);
    const double cotNarrow = std::max(kNarrowCot, cotStart), cotNarrowEnd = std::max(kNarrowCot, cotEnd);
    const Shape shapes[] = {{std::min(height, 0.999 * length / (cotStart + cotEnd)), cotStart, cotEnd},
                            least(cotStart, cotEnd),
                            least(cotHalf, cotEnd),
                            least(cotStart, cotHalfEnd),
                            least(cotNarrow, cotEnd),
                            least(cotStart, cotNarrowEnd),
                            least(kNarrowCot, kNarrowCot)};
    for (const Shape& shape : shapes) {
        const double t = shape.height;
        if (!(t > 0) || t * (length - t * (shape.cotStart + shape.cotEnd) / 2) < half * 0.999) continue;
        std::array<Point2, 4> flap = {b, a, a + out * t + along * (t * shape.cotStart),
                                      b + out * t - along * (t * shape.cotEnd)};
        const int hit = Hit(flap.data(), f);
        if (hit >= 0) {
            if (blocker < 0) blocker = hit;
            continue;
        }
        if (trial_)
            placed_.push_back({link, f, -1, flap});
        else
            PlaceFlap(link, f, flap);
        return true;
    }
    return false;
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
