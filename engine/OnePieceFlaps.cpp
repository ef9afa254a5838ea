#include "engine/OnePieceFlaps.h"

#include "engine/OnePieceSearch.h"

#include "engine/FlapDesign.h"
#include "engine/Flaps.h"
#include "engine/SlitClosure.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

namespace tsm::onepiece {

// Calls keep(link) once for each flap in the grid cells `box` covers and returns the face of the first
// kept one that `flap` overlaps, -1 when none.
template <typename Keep> int KeptFlaps::FlapHit(const Point2* flap, const Box& box, Keep&& keep) {
    const auto hits = [&](int link) {
        return keep(link) && box.Meets(flapBox_[link]) &&
               FacesOverlap(flap, 4, flapShape_[link].data(), 4, s_.in_.sharedPointSquared);
    };
    // A box over many cells (a face far larger than the rest) looks at every flap instead.
    if (s_.Wide(box)) {
        for (size_t link = 0; link < flapFace_.size(); ++link)
            if (flapFace_[link] >= 0 && hits(static_cast<int>(link))) return flapFace_[link];
        return -1;
    }
    ++linkStampNow_;
    int hit = -1;
    s_.ForEachCell(box, [&](uint64_t key) {
        auto it = flapCells_.find(key);
        if (hit >= 0 || it == flapCells_.end()) return;
        for (int link : it->second) {
            if (linkStamp_[link] == linkStampNow_) continue;
            linkStamp_[link] = linkStampNow_;
            if (hits(link)) {
                hit = flapFace_[link];
                return;
            }
        }
    });
    return hit;
}

const Point2* KeptFlaps::Where(int f) const {
    return trial_ && s_.inSide_[f] ? s_.moved_.data() + s_.start_[f] : s_.World(f);
}

// The face that the flap polygon `flap` beside face f runs into, or whose flap it runs into; -1 when it is
// clear. During a trial the moved side is met by taking the flap back through the move instead, so that
// the grids stay as they are; with `restOnly` only what does not move is looked at.

int KeptFlaps::Hit(const Point2* flap, int f, bool restOnly) {
    s_.work_ += kHitWork;
    const Box box = s_.BoxOf(flap, 4);
    int hit = -1;
    const auto faces = [&](const Point2* polygon, const Box& around, bool moved) {
        s_.Near(f, around, [&](int g) {
            if (hit < 0 && (!trial_ || (s_.inSide_[g] != 0) == moved) &&
                FacesOverlap(polygon, 4, s_.World(g), s_.Count(g), s_.in_.sharedPointSquared))
                hit = g;
        });
    };
    faces(flap, box, false);
    if (hit < 0)
        hit = FlapHit(flap, box,
                      [&](int link) { return !trial_ || (!dropped_[link] && !s_.inSide_[flapFace_[link]]); });
    if (!trial_ || hit >= 0 || restOnly) return hit;
    std::array<Point2, 4> back;
    for (int i = 0; i < 4; ++i) back[i] = trialTurn_.Unapply(flap[i]);
    const Box backBox = s_.BoxOf(back.data(), 4);
    if (backBox.Meets(sideBox_)) {
        faces(back.data(), backBox, true);
        if (hit < 0)
            hit = FlapHit(back.data(), backBox,
                          [&](int link) { return !dropped_[link] && s_.inSide_[flapFace_[link]]; });
    }
    for (const FlapChange& other : placed_)
        if (hit < 0 && box.Meets(s_.BoxOf(other.shape.data(), 4)) &&
            FacesOverlap(flap, 4, other.shape.data(), 4, s_.in_.sharedPointSquared))
            hit = other.face;
    return hit;
}

void KeptFlaps::PlaceFlap(int link, int f, const std::array<Point2, 4>& shape) {
    flapFace_[link] = f;
    flapShape_[link] = shape;
    flapBox_[link] = s_.BoxOf(shape.data(), 4);
    s_.ForEachCell(flapBox_[link], [&](uint64_t key) { flapCells_[key].push_back(link); });
}

void KeptFlaps::RemoveFlap(int link) {
    blocker_[link] = -1;
    if (flapFace_[link] < 0) return;
    flapFace_[link] = -1;
    s_.ForEachCell(flapBox_[link], [&](uint64_t key) {
        std::vector<int>& cell = flapCells_[key];
        cell.erase(std::find(cell.begin(), cell.end(), link));
    });
}

// The face a crowded edge sends the search towards: a flap that runs into another flap of its own face
// names no path to cut, the edge's two faces do.
void KeptFlaps::Crowd(int link, int blocker) {
    const Link& l = s_.links_[link];
    blocker_[link] = blocker >= 0 && blocker != l.face[0] ? blocker : l.face[1];
}

void KeptFlaps::ListCrowded() {
    s_.crowdedFaces_.clear();
    for (size_t k = 0; k < s_.links_.size(); ++k)
        if (blocker_[k] >= 0) s_.crowdedFaces_.push_back({s_.links_[k].face[0], blocker_[k]});
    s_.crowded_ = static_cast<int>(s_.crowdedFaces_.size());
}

void KeptFlaps::CountCrowded() {
    flapFace_.assign(s_.links_.size(), -1);
    blocker_.assign(s_.links_.size(), -1);
    flapShape_.resize(s_.links_.size());
    flapBox_.resize(s_.links_.size());
    linkStamp_.assign(s_.links_.size(), 0);
    dropped_.assign(s_.links_.size(), 0);
    flapCells_.clear();
    s_.crowdedFaces_.clear();
    s_.crowded_ = 0;
    if (!(s_.in_.flapHeight > 0)) return;
    for (size_t k = 0; k < s_.links_.size(); ++k) {
        if (s_.inTree_[k]) continue;
        int blocker = -1;
        const int link = static_cast<int>(k);
        if (!s_.Closed(link) && !SomeSideHolds(link, blocker)) Crowd(link, blocker);
    }
    ListCrowded();
}

// The flaps `move` disturbs placed again as they would be once it is made, into `move.flaps`, and their
// change in crowded edges added to its delta. Nothing of the search's state changes.
void KeptFlaps::Trial(Move& move) {
    trial_ = true;
    trialTurn_ = move.turn;
    // The moved side's faces and flaps before the move, which most flaps tested lie far from.
    sideBox_ = {INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (int f : s_.side_)
        sideBox_ = {std::min(sideBox_.x0, s_.boxes_[f].x0 - s_.in_.flapHeight),
                    std::min(sideBox_.y0, s_.boxes_[f].y0 - s_.in_.flapHeight),
                    std::max(sideBox_.x1, s_.boxes_[f].x1 + s_.in_.flapHeight),
                    std::max(sideBox_.y1, s_.boxes_[f].y1 + s_.in_.flapHeight)};
    for (int f : s_.side_)
        for (int c = s_.start_[f]; c < s_.start_[f + 1]; ++c) s_.moved_[c] = move.turn.Apply(s_.world_[c]);
    std::vector<int> again;
    dropped_[move.added] = 1;
    // Flaps of the moved side that now meet a face or flap of the rest (the side turns as one piece).
    for (int f : s_.side_)
        for (int link : s_.faceLinks_[f]) {
            if (flapFace_[link] != f || dropped_[link]) continue;
            std::array<Point2, 4> shape;
            for (int i = 0; i < 4; ++i) shape[i] = move.turn.Apply(flapShape_[link][i]);
            if (Hit(shape.data(), f, true) >= 0) again.push_back(link);
        }
    // Flaps of the rest that a moved face now covers.
    for (int f : s_.side_) {
        s_.work_ += 1;
        const Point2* p = s_.moved_.data() + s_.start_[f];
        const Box box = s_.BoxOf(p, s_.Count(f));
        FlapHit(p, box, [&](int link) {
            if (!dropped_[link] && !s_.inSide_[flapFace_[link]] && box.Meets(flapBox_[link]) &&
                FacesOverlap(p, s_.Count(f), flapShape_[link].data(), 4, s_.in_.sharedPointSquared))
                again.push_back(link);
            return false;
        });
    }
    // A crowded edge finds room only where something left: the moved side's old place and the flaps
    // taken away. Those of the moved side are tried again wherever they go.
    const double reach = s_.in_.flapHeight;
    Box freed{INFINITY, INFINITY, -INFINITY, -INFINITY};
    const auto grow = [&freed](const Box& box) {
        freed = {std::min(freed.x0, box.x0), std::min(freed.y0, box.y0), std::max(freed.x1, box.x1),
                 std::max(freed.y1, box.y1)};
    };
    for (int f : s_.side_) grow(s_.boxes_[f]);
    for (int link : again) grow(flapBox_[link]);
    if (flapFace_[move.added] >= 0) grow(flapBox_[move.added]);
    freed = {freed.x0 - reach, freed.y0 - reach, freed.x1 + reach, freed.y1 + reach};
    const auto near = [&](int link) {
        const Link& l = s_.links_[link];
        for (int k = 0; k < 2; ++k) {
            const int f = l.face[k];
            if (s_.inSide_[f]) return true;
            const Point2 a = s_.World(f)[l.corner[k]], b = s_.World(f)[(l.corner[k] + 1) % s_.Count(f)];
            if (freed.Meets({std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)}))
                return true;
        }
        return false;
    };
    for (size_t k = 0; k < s_.links_.size(); ++k)
        if (blocker_[k] >= 0 && !s_.stubborn_[k] && static_cast<int>(k) != move.added &&
            near(static_cast<int>(k)))
            again.push_back(static_cast<int>(k));
    again.push_back(move.removed);
    // A slit closes or opens as the cuts at its ends come and go.
    for (int link : {move.removed, move.added})
        for (int end = 0; end < 2; ++end)
            for (int other : s_.vertexLinks_[s_.links_[link].vertex[end]])
                if (!s_.inTree_[other] && other != move.added && s_.MayClose(other)) again.push_back(other);
    std::sort(again.begin(), again.end());
    again.erase(std::unique(again.begin(), again.end()), again.end());
    int after = s_.crowded_ - (blocker_[move.added] >= 0);
    for (int link : again) after -= blocker_[link] >= 0;
    for (int link : again) dropped_[link] = 1;
    placed_.clear();
    std::vector<FlapChange> crowded;
    for (int link : again) {
        int blocker = -1;
        if (s_.Closed(link, move.removed, move.added)) {
            crowded.push_back({link, kClosedSlit, -1, {}});
            continue;
        }
        if (SomeSideHolds(link, blocker)) continue;
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
    move.delta += after - s_.crowded_;
}

// Makes the flap changes of `move`, its side listed and its faces already turned.
void KeptFlaps::Commit(const Move& move) {
    for (int f : s_.side_)
        for (int link : s_.faceLinks_[f]) {
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
        else if (change.face != kClosedSlit)
            Crowd(change.link, change.blocker); // a stubborn edge's blocker is -1
    }
    ListCrowded();
}

// Whether either side of `link` has room for its flap, the smaller face first as the flap design prefers;
// never for a stubborn edge, whose blocker stays -1.
bool KeptFlaps::SomeSideHolds(int link, int& blocker) {
    if (s_.stubborn_[link]) return false;
    const Link& l = s_.links_[link];
    const int first = s_.area_[l.face[1]] < s_.area_[l.face[0]] ? 1 : 0;
    return FlapRoom(link, first, blocker) || FlapRoom(link, 1 - first, blocker);
}

// Whether side k of `link` has room for a flap of half its reference area, as the flap design looks for
// one: the largest first, then lower ones, then narrower ones; the one found stays in the way of the
// flaps after it. `blocker` is set to a face the first one runs into (or whose flap it runs into).
bool KeptFlaps::FlapRoom(int link, int k, int& blocker) {
    constexpr double kNarrowCot = 2.74; // base angles of 0.35 radians
    constexpr double kHalfCot = 1.83;   // and of 0.5
    constexpr double kSlimCot = 4.93;   // and of 0.2, which only a slit's end calls for
    const Link& l = s_.links_[link];
    const int f = l.face[k];
    const Point2* p = Where(f);
    const Point2 a = p[l.corner[k]], b = p[(l.corner[k] + 1) % s_.Count(f)];
    const double length = Length(b - a);
    if (!(length > 0)) return true;
    const Point2 along = (b - a) * (1 / length);
    Point2 out{-along.y, along.x};
    Point2 centre;
    for (int i = 0; i < s_.Count(f); ++i) centre = centre + p[i] * (1.0 / s_.Count(f));
    if ((centre.x - a.x) * out.x + (centre.y - a.y) * out.y > 0) out = out * -1;
    const double height = std::min(s_.in_.flapHeight, length / 2);
    const double half = height * (length - height) / 2;
    // Base angles of at most 45 degrees, narrower where the corners' own angles are, and as a last resort
    // narrow ones.
    const HalfEdge& side = *s_.in_.faces[f]->halfEdges[l.corner[k]];
    const double cotEnd = 1 / std::tan(std::clamp(side.flapAngle1, 0.2, kQuarterTurn));
    const double cotStart = 1 / std::tan(std::clamp(side.flapAngle2, 0.2, kQuarterTurn));
    struct Shape {
        double height, cotStart, cotEnd;
    };
    // The lowest the design itself would try: its heights come in steps, and one lower than the design
    // goes would find room the design then does not.
    const auto least = [&](double c1, double c2) {
        return Shape{LowestFlapHeight(length, s_.in_.flapHeight, c1 + c2), c1, c2};
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
                            least(kNarrowCot, kNarrowCot),
                            least(std::max(kSlimCot, cotStart), cotEnd),
                            least(cotStart, std::max(kSlimCot, cotEnd))};
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

// The model's faces get the layout for the while and everything the design touches is put back.
int KeptFlaps::DesignedCrowded(const std::vector<Edge*>& joins, bool learn) {
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
    std::vector<int> head(s_.n_), tail(s_.n_), next(s_.n_, -1), root(s_.n_);
    std::iota(head.begin(), head.end(), 0);
    std::iota(tail.begin(), tail.end(), 0);
    std::iota(root.begin(), root.end(), 0);
    const auto find = [&root](int x) {
        while (root[x] != x) x = root[x] = root[root[x]];
        return x;
    };
    for (const Edge* edge : joins) {
        const int a = find(s_.faceIndex_.at(edge->halfEdge1->face)),
                  b = find(s_.faceIndex_.at(edge->halfEdge2->face));
        next[tail[a]] = head[b];
        tail[a] = tail[b];
        root[b] = a;
    }
    for (int f = head[find(0)]; f >= 0; f = next[f]) part.faces.push_back(s_.in_.faces[f]);
    for (int f = 0; f < s_.n_; ++f) {
        Face* face = s_.in_.faces[f];
        parts.push_back(face->part);
        face->part = &part;
        for (size_t c = 0; c < face->halfEdges.size(); ++c) {
            HalfEdge* h = face->halfEdges[c].get();
            kept.push_back({h, *h});
            h->x2d = s_.world_[s_.start_[f] + c].x, h->y2d = s_.world_[s_.start_[f] + c].y;
            h->joinsTwin = false;
        }
    }
    for (size_t k = 0; k < s_.links_.size(); ++k) {
        if (!s_.inTree_[k]) continue;
        const Edge& edge = *s_.in_.edges[s_.links_[k].edge];
        edge.halfEdge1->joinsTwin = edge.halfEdge2->joinsTwin = true;
    }
    if (s_.closing_) CloseSlits(part, s_.in_.flapHeight);
    PlaceFlaps(development, *s_.in_.faces[0]->solid->model, s_.in_.flapHeight);
    const FlapDesignCounts counts = DesignFlaps(development, s_.in_.flapHeight);
    if (learn)
        for (const CrowdedEdge& crowded : counts.crowdedEdges) {
            // An edge on a region's border has its crowded side outside the region: no link of the search's.
            auto face = s_.faceIndex_.find(crowded.sides[0]->face);
            if (face == s_.faceIndex_.end()) continue;
            for (int link : s_.faceLinks_[face->second])
                if (s_.in_.edges[s_.links_[link].edge] == crowded.sides[0]->edge) s_.stubborn_[link] = 1;
        }
    for (const Kept& k : kept) *k.corner = k.copy;
    for (int f = 0; f < s_.n_; ++f) s_.in_.faces[f]->part = parts[f];
    part.faces.clear();
    if (learn && !counts.crowdedEdges.empty()) CountCrowded();
    return static_cast<int>(counts.crowdedEdges.size());
}

} // namespace tsm::onepiece
