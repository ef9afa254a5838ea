#include "engine/UnfoldOverlap.h"

#include <algorithm>
#include <cmath>

namespace tsm {

namespace {

// A face spanning more cells than this is kept in a list that every query scans, so that one long thin
// face never costs a walk over thousands of cells.
constexpr int64_t kMaxCellsPerFace = 1024;
// Cell indices are clamped so that far-away or huge coordinates still give valid keys; clamping is
// monotone, so two segments whose boxes meet still share a cell.
constexpr double kMaxCellIndex = 1 << 30;
// Parts of at most this many faces get no grid: testing them all costs less than building one.
constexpr size_t kGridFaces = 8;

double Cross(const Point2& a, const Point2& b) {
    return a.x * b.y - a.y * b.x;
}

int Sign(double v) {
    return (v > 0) - (v < 0);
}

double SquaredDistance(const Point2& a, const Point2& b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

struct CellSpan {
    int64_t x0 = 0, x1 = -1, y0 = 0, y1 = -1;
};

int64_t CellIndex(double v, double cellSize) {
    return static_cast<int64_t>(std::clamp(std::floor(v / cellSize), -kMaxCellIndex, kMaxCellIndex));
}

struct Box {
    double x0 = 0, y0 = 0, x1 = -1, y1 = -1;
};

Box BoxOf(const Point2* p, size_t n) {
    Box box{p[0].x, p[0].y, p[0].x, p[0].y};
    for (size_t i = 1; i < n; ++i) {
        box.x0 = std::min(box.x0, p[i].x), box.x1 = std::max(box.x1, p[i].x);
        box.y0 = std::min(box.y0, p[i].y), box.y1 = std::max(box.y1, p[i].y);
    }
    return box;
}

// The cells that a box touches; false when they are too many or the box is not finite.
bool SpanOf(const Box& box, double cellSize, CellSpan& span) {
    if (!std::isfinite(box.x0) || !std::isfinite(box.y0) || !std::isfinite(box.x1) || !std::isfinite(box.y1))
        return false;
    span.x0 = CellIndex(box.x0, cellSize);
    span.x1 = CellIndex(box.x1, cellSize);
    span.y0 = CellIndex(box.y0, cellSize);
    span.y1 = CellIndex(box.y1, cellSize);
    return (span.x1 - span.x0 + 1) * (span.y1 - span.y0 + 1) <= kMaxCellsPerFace;
}

double SegmentDistanceSquared(const Point2& p, const Point2& a, const Point2& b) {
    const Point2 d = b - a;
    const double len2 = d.x * d.x + d.y * d.y;
    double t = len2 > 0 ? ((p.x - a.x) * d.x + (p.y - a.y) * d.y) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return SquaredDistance(p, a + d * t);
}

// Strictly inside the polygon: by crossing parity, and not within the shared-point distance of an edge.
// The distances are looked at only for a point the parity puts inside, which most points tested are not.
bool InsidePolygon(const Point2& p, const Point2* poly, size_t n, double sharedPointSquared) {
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++)
        if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
            p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
            inside = !inside;
    if (!inside) return false;
    for (size_t i = 0, j = n - 1; i < n; j = i++)
        if (SegmentDistanceSquared(p, poly[j], poly[i]) < sharedPointSquared) return false;
    return true;
}

Point2 MeanOf(const Point2* p, size_t n) {
    Point2 sum;
    for (size_t i = 0; i < n; ++i) sum = sum + p[i];
    return sum * (1.0 / static_cast<double>(n));
}

void CornerPositions(const Face& face, const RigidMotion& motion, std::vector<Point2>& out) {
    out.clear();
    for (const auto& corner : face.halfEdges) out.push_back(motion.Apply(corner->Pos2D()));
}

RigidMotion Compose(const RigidMotion& outer, const RigidMotion& inner) {
    RigidMotion m;
    m.c = outer.c * inner.c - outer.s * inner.s;
    m.s = outer.s * inner.c + outer.c * inner.s;
    // Keep the rotation a rotation as motions pile up over many joins.
    const double norm = std::hypot(m.c, m.s);
    if (norm > 0) m.c /= norm, m.s /= norm;
    const Point2 t = outer.Apply({inner.tx, inner.ty});
    m.tx = t.x;
    m.ty = t.y;
    return m;
}

uint64_t CellKey(int64_t x, int64_t y) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
}

} // namespace

bool SegmentsOverlap(const Point2& p1, const Point2& p2, const Point2& q1, const Point2& q2,
                     double sharedPointSquared) {
    // Each test below can only clear the pair, so they run cheapest and likeliest first: the boxes, the
    // sides, and last the shared ends.
    if (std::max(p1.x, p2.x) < std::min(q1.x, q2.x) || std::max(q1.x, q2.x) < std::min(p1.x, p2.x) ||
        std::max(p1.y, p2.y) < std::min(q1.y, q2.y) || std::max(q1.y, q2.y) < std::min(p1.y, p2.y))
        return false;
    const Point2 d = p2 - p1;
    const int s1 = Sign(Cross(d, q1 - p1)), s2 = Sign(Cross(d, q2 - p1));
    if (s1 == s2 && s1 != 0) return false;
    const Point2 e = q2 - q1;
    const int s3 = Sign(Cross(e, p1 - q1)), s4 = Sign(Cross(e, p2 - q1));
    if (s3 == s4 && s3 != 0) return false;
    return !(SquaredDistance(p1, q1) < sharedPointSquared || SquaredDistance(p1, q2) < sharedPointSquared ||
             SquaredDistance(p2, q1) < sharedPointSquared || SquaredDistance(p2, q2) < sharedPointSquared);
}

bool FacesOverlap(const Point2* a, size_t aCount, const Point2* b, size_t bCount, double sharedPointSquared) {
    if (aCount < 3 || bCount < 3) return false;
    const Box ba = BoxOf(a, aCount), bb = BoxOf(b, bCount);
    if (ba.x1 < bb.x0 || bb.x1 < ba.x0 || ba.y1 < bb.y0 || bb.y1 < ba.y0) return false;
    for (size_t i = 0; i < bCount; ++i)
        for (size_t j = 0; j < aCount; ++j)
            if (SegmentsOverlap(b[i], b[(i + 1) % bCount], a[j], a[(j + 1) % aCount], sharedPointSquared))
                return true;
    return InsidePolygon(MeanOf(b, bCount), a, aCount, sharedPointSquared) ||
           InsidePolygon(MeanOf(a, aCount), b, bCount, sharedPointSquared);
}

// A part's faces with copies of their stored corner positions side by side, so that the candidates of a
// probe are read without a walk through their corners, and the cells as an open-addressed table whose
// faces are chained through one array, so that a large part costs no allocation per cell.
struct MergeSpace::Grid {
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    struct Entry {
        const Face* face = nullptr;
        uint32_t start = 0, count = 0; // the face's corners in `points`
        Box box;                       // of those corners
    };
    std::vector<Point2> points;
    std::vector<Entry> entries;
    std::vector<uint32_t> wide; // faces spanning too many cells, or not finite
    // Cell table: keys and the first link of each used slot (kNone: a free slot).
    std::vector<uint64_t> keys;
    std::vector<uint32_t> heads;
    size_t used = 0;
    // Links: the face of each, and the next link of the same cell.
    std::vector<uint32_t> linkFace, linkNext;
    // Which query last took each face as a candidate, so that a face in several cells is tested once.
    std::vector<uint32_t> seen;
    uint32_t query = 0;

    size_t Slot(uint64_t key) const {
        const size_t mask = keys.size() - 1;
        size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
        while (heads[i] != kNone && keys[i] != key) i = (i + 1) & mask;
        return i;
    }

    uint32_t Head(uint64_t key) const { return keys.empty() ? kNone : heads[Slot(key)]; }

    void Add(uint64_t key, uint32_t face) {
        if (2 * (used + 1) > keys.size()) Grow();
        const size_t i = Slot(key);
        if (heads[i] == kNone) {
            keys[i] = key;
            ++used;
        }
        linkFace.push_back(face);
        linkNext.push_back(heads[i]);
        heads[i] = static_cast<uint32_t>(linkFace.size() - 1);
    }

    void Grow() {
        std::vector<uint64_t> oldKeys(std::max<size_t>(64, 2 * keys.size()));
        std::vector<uint32_t> oldHeads(oldKeys.size(), kNone);
        oldKeys.swap(keys);
        oldHeads.swap(heads);
        for (size_t i = 0; i < oldKeys.size(); ++i)
            if (oldHeads[i] != kNone) {
                const size_t j = Slot(oldKeys[i]);
                keys[j] = oldKeys[i];
                heads[j] = oldHeads[i];
            }
    }

    // Starts a query: every face counts as not yet taken.
    void NewQuery() {
        seen.resize(entries.size(), 0);
        if (++query == 0) {
            std::fill(seen.begin(), seen.end(), 0);
            query = 1;
        }
    }

    bool Take(uint32_t face) {
        if (seen[face] == query) return false;
        seen[face] = query;
        return true;
    }
};

MergeSpace::MergeSpace(OverlapStrategy strategy, double cellSize, double sharedPointSquared)
    : strategy_(strategy), cellSize_(cellSize), sharedPointSquared_(sharedPointSquared) {
    if (!(cellSize_ > 0) || !std::isfinite(cellSize_)) strategy_ = OverlapStrategy::AllPairs;
}

MergeSpace::~MergeSpace() = default;

MergeSpace::State& MergeSpace::StateOf(const Part& part) {
    return states_[&part];
}

Point2 MergeSpace::Position(const HalfEdge& corner) const {
    const Part* part = corner.face ? corner.face->part : nullptr;
    auto it = states_.find(part);
    return it == states_.end() ? corner.Pos2D() : it->second.motion.Apply(corner.Pos2D());
}

RigidMotion MergeSpace::Motion(const Part& part) const {
    auto it = states_.find(&part);
    return it == states_.end() ? RigidMotion{} : it->second.motion;
}

RigidMotion MergeSpace::JoinMotion(const HalfEdge& h, const HalfEdge& t) const {
    const Point2 hs = Position(h), he = Position(*h.next);
    const Point2 ts = Position(t), te = Position(*t.next);
    const double theta = std::atan2(hs.y - he.y, hs.x - he.x) - std::atan2(te.y - ts.y, te.x - ts.x);
    // Development position P of B goes to R(theta)(P - ts) + he; B's stored positions reach P through
    // B's own motion first.
    RigidMotion turn;
    turn.c = std::cos(theta);
    turn.s = std::sin(theta);
    const Point2 shift = Point2{turn.Apply(ts).x, turn.Apply(ts).y};
    turn.tx = he.x - shift.x;
    turn.ty = he.y - shift.y;
    auto it = states_.find(t.face->part);
    return it == states_.end() ? turn : Compose(turn, it->second.motion);
}

void MergeSpace::Insert(Grid& grid, const Face* face) {
    Grid::Entry entry;
    entry.face = face;
    entry.start = static_cast<uint32_t>(grid.points.size());
    for (const auto& corner : face->halfEdges) grid.points.push_back(corner->Pos2D());
    entry.count = static_cast<uint32_t>(grid.points.size() - entry.start);
    const uint32_t index = static_cast<uint32_t>(grid.entries.size());
    CellSpan span;
    if (entry.count < 3) {
        grid.wide.push_back(index);
    } else {
        entry.box = BoxOf(grid.points.data() + entry.start, entry.count);
        if (!SpanOf(entry.box, cellSize_, span)) {
            grid.wide.push_back(index);
        } else {
            for (int64_t x = span.x0; x <= span.x1; ++x)
                for (int64_t y = span.y0; y <= span.y1; ++y) grid.Add(CellKey(x, y), index);
        }
    }
    grid.entries.push_back(entry);
}

MergeSpace::Grid& MergeSpace::GridOf(const Part& part) {
    State& state = StateOf(part);
    if (!state.grid) {
        state.grid = std::make_unique<Grid>();
        for (const Face* face : part.faces) Insert(*state.grid, face);
    }
    return *state.grid;
}

bool MergeSpace::ProbeGrid(const Part& probe, const RigidMotion& probeMotion, const Part& indexed,
                           const RigidMotion& indexedMotion) {
    // A few faces are quicker to test one by one than to index.
    Grid* grid = indexed.faces.size() > kGridFaces ? &GridOf(indexed) : nullptr;
    std::vector<Point2>& pp = probeCorners_;
    std::vector<Point2>& pi = indexedCorners_;
    std::vector<Point2>& few = fewCorners_;
    std::vector<uint32_t>& fewStart = fewStart_;
    if (!grid) {
        few.clear();
        fewStart.clear();
        for (const Face* face : indexed.faces) {
            fewStart.push_back(static_cast<uint32_t>(few.size()));
            for (const auto& corner : face->halfEdges) few.push_back(indexedMotion.Apply(corner->Pos2D()));
        }
        fewStart.push_back(static_cast<uint32_t>(few.size()));
    }
    // The grid holds stored positions; a probe box taken back into that frame is widened by far more
    // than the rounding of the two motions, so no face whose development box meets it is missed.
    const double margin = 1e-6 * cellSize_ + std::sqrt(sharedPointSquared_);
    // Whether the probe face with these stored corners overlaps the indexed part.
    const auto overlaps = [&](const Point2* stored, size_t count) {
        pp.resize(count);
        for (size_t k = 0; k < count; ++k) pp[k] = probeMotion.Apply(stored[k]);
        if (pp.size() < 3) return false;
        if (!grid) {
            for (size_t i = 0; i + 1 < fewStart.size(); ++i)
                if (FacesOverlap(few.data() + fewStart[i], fewStart[i + 1] - fewStart[i], pp.data(),
                                 pp.size(), sharedPointSquared_))
                    return true;
            return false;
        }
        const Box box = BoxOf(pp.data(), pp.size());
        const Point2 corners[4] = {
            indexedMotion.Unapply({box.x0, box.y0}), indexedMotion.Unapply({box.x1, box.y0}),
            indexedMotion.Unapply({box.x1, box.y1}), indexedMotion.Unapply({box.x0, box.y1})};
        Box local = BoxOf(corners, 4);
        local.x0 -= margin, local.y0 -= margin, local.x1 += margin, local.y1 += margin;
        // A face whose stored box misses the widened probe box cannot meet the probe on the development.
        const auto test = [&](uint32_t index) {
            const Grid::Entry& e = grid->entries[index];
            if (e.box.x1 < local.x0 || local.x1 < e.box.x0 || e.box.y1 < local.y0 || local.y1 < e.box.y0)
                return false;
            pi.resize(e.count);
            for (uint32_t k = 0; k < e.count; ++k) pi[k] = indexedMotion.Apply(grid->points[e.start + k]);
            return FacesOverlap(pi.data(), pi.size(), pp.data(), pp.size(), sharedPointSquared_);
        };
        CellSpan span;
        if (!SpanOf(local, cellSize_, span)) {
            for (uint32_t index = 0; index < grid->entries.size(); ++index)
                if (test(index)) return true;
            return false;
        }
        for (uint32_t index : grid->wide)
            if (test(index)) return true;
        grid->NewQuery();
        for (int64_t x = span.x0; x <= span.x1; ++x)
            for (int64_t y = span.y0; y <= span.y1; ++y)
                for (uint32_t link = grid->Head(CellKey(x, y)); link != Grid::kNone;
                     link = grid->linkNext[link]) {
                    const uint32_t index = grid->linkFace[link];
                    if (grid->Take(index) && test(index)) return true;
                }
        return false;
    };
    std::vector<Point2>& stored = storedCorners_;
    const auto overlapsFace = [&](const Face* face) {
        stored.clear();
        for (const auto& corner : face->halfEdges) stored.push_back(corner->Pos2D());
        return overlaps(stored.data(), stored.size());
    };
    // Two large parts that overlapped along one edge mostly overlap at the same face along the next
    // edge between them; asking that face first spares a walk over the whole smaller part each time.
    const uint64_t key =
        reinterpret_cast<uintptr_t>(&probe) * 0x9E3779B97F4A7C15ull ^ reinterpret_cast<uintptr_t>(&indexed);
    auto hint = hints_.find(key);
    if (hint != hints_.end() && hint->second->part == &probe && overlapsFace(hint->second)) return true;
    // A probe with a grid of its own has its corners side by side there.
    auto probeState = states_.find(&probe);
    const Grid* probeGrid = probeState != states_.end() ? probeState->second.grid.get() : nullptr;
    if (probeGrid != nullptr && probeGrid->entries.size() == probe.faces.size()) {
        for (const Grid::Entry& e : probeGrid->entries)
            if (overlaps(probeGrid->points.data() + e.start, e.count)) {
                hints_[key] = e.face;
                return true;
            }
        return false;
    }
    for (const Face* face : probe.faces) {
        if (overlapsFace(face)) {
            hints_[key] = face;
            return true;
        }
    }
    return false;
}

bool MergeSpace::Overlaps(const Part& a, const Part& b, const RigidMotion& movedB) {
    const RigidMotion motionA = StateOf(a).motion;
    if (strategy_ == OverlapStrategy::Indexed) {
        // Probe with the smaller part; its faces look up the larger one's grid.
        if (b.faces.size() <= a.faces.size()) return ProbeGrid(b, movedB, a, motionA);
        return ProbeGrid(a, motionA, b, movedB);
    }
    // Every pair: A's positions and face boxes once per test, then each face of B against all of them.
    std::vector<Point2> pa;
    std::vector<size_t> start;
    std::vector<Box> boxes;
    std::vector<Point2> corners;
    for (const Face* face : a.faces) {
        CornerPositions(*face, motionA, corners);
        start.push_back(pa.size());
        boxes.push_back(corners.empty() ? Box{} : BoxOf(corners.data(), corners.size()));
        pa.insert(pa.end(), corners.begin(), corners.end());
    }
    start.push_back(pa.size());
    std::vector<Point2> pb;
    for (const Face* face : b.faces) {
        CornerPositions(*face, movedB, pb);
        if (pb.size() < 3) continue;
        const Box bb = BoxOf(pb.data(), pb.size());
        for (size_t i = 0; i + 1 < start.size(); ++i) {
            const Box& ba = boxes[i];
            if (ba.x1 < bb.x0 || bb.x1 < ba.x0 || ba.y1 < bb.y0 || bb.y1 < ba.y0) continue;
            if (FacesOverlap(pa.data() + start[i], start[i + 1] - start[i], pb.data(), pb.size(),
                             sharedPointSquared_))
                return true;
        }
    }
    return false;
}

void MergeSpace::Chain(const Part& part, State& state) {
    if (state.head != nullptr || part.faces.empty()) return;
    state.head = part.faces.front();
    for (size_t i = 0; i + 1 < part.faces.size(); ++i) next_[part.faces[i]] = part.faces[i + 1];
    state.tail = part.faces.back();
}

Part& MergeSpace::Merge(Part& a, Part& b, const RigidMotion& movedB) {
    State stateA = std::move(StateOf(a));
    State stateB = std::move(StateOf(b));
    states_.erase(&a);
    states_.erase(&b);
    Chain(a, stateA);
    Chain(b, stateB);
    stateB.motion = movedB;
    // The smaller part is re-expressed in the larger one's frame; the larger one's grid stays valid.
    const bool keepA = b.faces.size() <= a.faces.size();
    State& big = keepA ? stateA : stateB;
    const State& small = keepA ? stateB : stateA;
    Part& bigPart = keepA ? a : b;
    Part& smallPart = keepA ? b : a;
    for (Face* face : smallPart.faces) {
        for (auto& corner : face->halfEdges) {
            const Point2 p = big.motion.Unapply(small.motion.Apply(corner->Pos2D()));
            corner->x2d = p.x;
            corner->y2d = p.y;
        }
        if (big.grid) Insert(*big.grid, face);
        face->part = &bigPart;
        bigPart.faces.push_back(face);
    }
    smallPart.faces.clear();
    // A's faces before B's, whichever part survives.
    Face* const head = stateA.head;
    Face* const joint = stateB.head;
    Face* const tail = stateB.tail;
    if (stateA.tail != nullptr && joint != nullptr) next_[stateA.tail] = joint;
    big.head = head != nullptr ? head : joint;
    big.tail = tail != nullptr ? tail : stateA.tail;
    states_[&bigPart] = std::move(big);
    return bigPart;
}

void MergeSpace::Settle(Part& part) {
    auto it = states_.find(&part);
    if (it == states_.end()) return;
    const RigidMotion motion = it->second.motion;
    if (it->second.head != nullptr) {
        const size_t count = part.faces.size();
        part.faces.clear();
        for (Face* face = it->second.head; face != nullptr && part.faces.size() < count;) {
            part.faces.push_back(face);
            if (face == it->second.tail) break;
            auto next = next_.find(face);
            face = next == next_.end() ? nullptr : next->second;
        }
    }
    for (Face* face : part.faces)
        for (auto& corner : face->halfEdges) {
            const Point2 p = motion.Apply(corner->Pos2D());
            corner->x2d = p.x;
            corner->y2d = p.y;
        }
    states_.erase(it);
}

} // namespace tsm
