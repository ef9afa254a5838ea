#include "engine/Unfolder.h"

#include "engine/Classify.h"
#include "engine/CutRepair.h"
#include "engine/Extents.h"
#include "engine/FlapDesign.h"
#include "engine/FlapReach.h"
#include "engine/Flaps.h"
#include "engine/Layout.h"
#include "engine/ModelOperations.h"
#include "engine/PartFit.h"
#include "engine/PartHulls.h"
#include "engine/SlitClosure.h"
#include "engine/Topology.h"
#include "engine/UnfoldFewestParts.h"
#include "engine/UnfoldOnePiece.h"
#include "engine/UnfoldOverlap.h"
#include "model/OpenPipeline.h"
#include "model/Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

namespace tsm {

const char* const kUnfoldCaption = "Unfolding...";
const char* const kUnfoldCancelledText = "Making development is canceled.";
const char* const kNoObjectToUnfoldText = "There are no object for unfolding.";

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPlanarLimitRadians = 0.017453292519943295; // 1 degree

Point2 Unit(const Point2& p) {
    const double len = Length(p);
    return len > 0 ? Point2{p.x / len, p.y / len} : Point2{};
}

double Angle(const Point2& p) {
    return std::atan2(p.y, p.x);
}

// The face's up direction drawn in its current flat layout.
Point2 FlatUp(const Face& face, const Point2& coefficients) {
    if (face.halfEdges.size() < 3) return {};
    const Point2 p0 = face.Corner(0)->Pos2D();
    const Point2 u = Unit(face.Corner(1)->Pos2D() - p0);
    const Point2 w = Unit(face.Corner(2)->Pos2D() - p0);
    return u * coefficients.x + w * coefficients.y;
}

// The turn that puts t's side of an edge onto h's side: t's direction runs opposite to h's afterwards.
double JoinTurn(const HalfEdge& h, const HalfEdge& t) {
    return Angle(h.Pos2D() - h.next->Pos2D()) - Angle(t.next->Pos2D() - t.Pos2D());
}

bool IsPlanar(const Face& face) {
    const Vec3 normal = face.Normal();
    const size_t n = face.halfEdges.size();
    if (n < 3) return false;
    const Vec3 p0 = face.Corner(0)->vertex->position;
    for (size_t i = 1; i + 1 < n; ++i) {
        const Vec3 a = face.Corner(i)->vertex->position - p0;
        const Vec3 b = face.Corner(i + 1)->vertex->position - p0;
        if (AngleBetween(Cross(a, b), normal) > kPlanarLimitRadians) return false;
    }
    return true;
}

// Rounds of cutting elsewhere for crowded flaps after the first unfolding, and how many rounds an edge may
// stay crowded before its face is cut free all round. Each round costs about one growth of the plan.
constexpr int kRepairRounds = 24;
constexpr int kPatientRounds = 3;
// Edges of faces freed all round tried again as joins once the rounds end, each costing a round.
constexpr size_t kMostRehomes = 24;
// Cut apart for crowded flaps into more than this many times the parts planned, and a few more, a plan is
// made again with no narrow notches: on a tube of long quads the growths joined each quad's two slivers to
// different strips, a comb of notches whose flaps all crowd (a trefoil tube of 2,000 faces at 150 mm: 7
// parts planned, 537 crowded flaps, 279 parts made; planned with no narrow notches, 13). Fitted to one
// sheet the same comb forms along the thin rims of machined parts (CGAL's rotor, 1,200 faces: 55 parts,
// 36 planned again; its spool 54 and 20).
constexpr int kCrowdedPlan = 2;
constexpr int kCrowdedPlanSlack = 4;

// What the rounds of joins and flaps change outside the development, so that each round starts afresh and
// a cancelled unfolding leaves the model as it was.
struct UnfoldState {
    std::vector<char> marks; // each edge's, in the order of the edge list
    struct Corner {
        bool hasFlap;
        double flapHeight, flapAngle1, flapAngle2;
    };
    std::vector<Corner> corners;
    double scale;
    double frame[4];
};

template <typename Visit> void ForEachCorner(Mesh& model, Visit visit) {
    for (auto& solid : model.solids)
        if (solid->inDevelopment)
            for (auto& face : solid->faces)
                for (auto& corner : face->halfEdges) visit(*corner);
}

UnfoldState SaveUnfoldState(Mesh& model, const std::vector<Edge*>& edges, const Development& dev) {
    UnfoldState state;
    for (const Edge* edge : edges) state.marks.push_back(edge->mark);
    ForEachCorner(model, [&](HalfEdge& h) {
        state.corners.push_back({h.hasFlap, h.flapHeight, h.flapAngle1, h.flapAngle2});
    });
    state.scale = dev.scale;
    std::copy(std::begin(dev.frame), std::end(dev.frame), std::begin(state.frame));
    return state;
}

void RestoreUnfoldState(const UnfoldState& state, Mesh& model, const std::vector<Edge*>& edges,
                        Development& dev) {
    for (size_t i = 0; i < edges.size(); ++i) edges[i]->mark = state.marks[i] != 0;
    size_t next = 0;
    ForEachCorner(model, [&](HalfEdge& h) {
        const UnfoldState::Corner& c = state.corners[next++];
        h.hasFlap = c.hasFlap;
        h.flapHeight = c.flapHeight;
        h.flapAngle1 = c.flapAngle1;
        h.flapAngle2 = c.flapAngle2;
    });
    dev.scale = state.scale;
    std::copy(std::begin(state.frame), std::end(state.frame), std::begin(dev.frame));
}

bool HasCorners(const Face& face) {
    if (face.halfEdges.size() < 3) return false;
    for (const auto& h : face.halfEdges)
        if (!h || !h->vertex || !h->next) return false;
    return true;
}

} // namespace

Point2 FaceUpCoefficients(const Face& face) {
    if (face.halfEdges.size() < 3) return {};
    const Vec3 p0 = face.Corner(0)->vertex->position;
    const Vec3 p1 = face.Corner(1)->vertex->position;
    const Vec3 p2 = face.Corner(2)->vertex->position;
    const Vec3 n = face.Normal();
    const Vec3 lifted = p0 + Vec3{0, 1, 0};
    const double signedDistance = Dot(n, lifted) + face.plane[3];
    const Vec3 projected = lifted - n * signedDistance;
    Vec3 up = projected - p0;
    const double len = Length(up);
    if (len < 0.01) {
        // Nearly horizontal: the up direction runs towards -z on faces looking up, +z on faces looking
        // down, so that it continues the up direction of the side faces across the fold.
        up = signedDistance >= 0 ? Vec3{0, 0, -1} : Vec3{0, 0, 1};
    } else {
        up = up / len;
    }
    const double lu = Length(p1 - p0), lw = Length(p2 - p0);
    if (!(lu > 0) || !(lw > 0)) return {};
    const Vec3 u = (p1 - p0) / lu, w = (p2 - p0) / lw;
    // up = a u + b w in the pair of coordinates whose 2 x 2 system is best conditioned.
    const double dets[3] = {u.x * w.y - u.y * w.x, u.x * w.z - u.z * w.x, u.y * w.z - u.z * w.y};
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(dets[i]) > std::fabs(dets[best])) best = i;
    const double det = dets[best];
    if (!(std::fabs(det) >= 1e-10)) return {};
    double u1, u2, w1, w2, r1, r2;
    if (best == 0) {
        u1 = u.x, u2 = u.y, w1 = w.x, w2 = w.y, r1 = up.x, r2 = up.y;
    } else if (best == 1) {
        u1 = u.x, u2 = u.z, w1 = w.x, w2 = w.z, r1 = up.x, r2 = up.z;
    } else {
        u1 = u.y, u2 = u.z, w1 = w.y, w2 = w.z, r1 = up.y, r2 = up.z;
    }
    return {(r1 * w2 - r2 * w1) / det, (u1 * r2 - u2 * r1) / det};
}

void LayFaceFlat(Face& face) {
    const size_t n = face.halfEdges.size();
    if (n == 0) return;
    HalfEdge* c0 = face.Corner(0);
    c0->x2d = 0;
    c0->y2d = 0;
    if (n < 2) return;
    const Vec3 p0 = c0->vertex->position;
    HalfEdge* c1 = face.Corner(1);
    c1->x2d = c0->edge ? c0->edge->length : Distance(p0, c1->vertex->position);
    c1->y2d = 0;
    for (size_t i = 2; i < n; ++i) {
        const Vec3 pi = face.Corner(i)->vertex->position;
        const Vec3 pPrev = face.Corner(i - 1)->vertex->position;
        const double r0 = Distance(pi, p0), r1 = Distance(pi, pPrev);
        const Point2 centre0 = c0->Pos2D();
        const Point2 centre1 = face.Corner(i - 1)->Pos2D();
        const Point2 delta = centre1 - centre0;
        const double d = Length(delta);
        Point2 pos;
        if (!(d > 0)) {
            pos = centre0 + Point2{r0, 0};
        } else {
            const Point2 dir = delta * (1.0 / d);
            const double along = (r0 * r0 - r1 * r1 + d * d) / (2 * d);
            const double h2 = r0 * r0 - along * along;
            // Circles that do not meet: the point on the line through the centres.
            const double across = h2 > 0 ? std::sqrt(h2) : 0.0;
            // The side where (previous - corner 0) x (this - corner 0) is negative.
            const Point2 perp{-dir.y, dir.x};
            pos = centre0 + dir * along - perp * across;
        }
        face.Corner(i)->x2d = pos.x;
        face.Corner(i)->y2d = pos.y;
    }
}

double CoincidentEdgeThresholdMM(const Settings& s) {
    return s.joinAdjacentEdges ? s.joinAdjacentEdgesThresholdMM : 0.0001;
}

int JoinCoincidentCutEdges(Part& part, double thresholdMM) {
    int joins = 0;
    // Dropped lines leave the part's list in one sweep at the end: one erase per join made large parts
    // cost the square of their line count.
    std::unordered_set<const PartLine*> dropped;
    for (Face* face : part.faces) {
        for (auto& corner : face->halfEdges) {
            HalfEdge* h = corner.get();
            HalfEdge* t = h->twin;
            if (h->Joined() != nullptr || t == nullptr || t->face == nullptr || t->face->part != &part)
                continue;
            if (h->next == nullptr || t->next == nullptr) continue;
            if (Length(h->Pos2D() - t->next->Pos2D()) >= thresholdMM ||
                Length(h->next->Pos2D() - t->Pos2D()) >= thresholdMM)
                continue;
            const Point2 start = (h->Pos2D() + t->next->Pos2D()) * 0.5;
            const Point2 end = (h->next->Pos2D() + t->Pos2D()) * 0.5;
            h->x2d = t->next->x2d = start.x;
            h->y2d = t->next->y2d = start.y;
            h->next->x2d = t->x2d = end.x;
            h->next->y2d = t->y2d = end.y;
            h->joinsTwin = t->joinsTwin = true;
            if (t->line != nullptr && t->line != h->line) dropped.insert(t->line);
            t->line = h->line;
            if (h->line != nullptr) h->line->second = t;
            ++joins;
        }
    }
    if (!dropped.empty()) {
        auto& lines = part.lines;
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [&](const LinePtr& l) { return dropped.count(l.get()) > 0; }),
                    lines.end());
    }
    return joins;
}

struct Unfolder::Impl {
    Mesh& model;
    Development& dev;
    Unfolder& owner;
    std::unordered_map<const Face*, Point2> up;
    std::unordered_map<const Part*, size_t> slot; // position in dev.parts during the merge
    std::unique_ptr<MergeSpace> space;
    // Parts no larger than a sheet: each part's convex hull corners, kept through the merge.
    PartLimit limit;
    std::unique_ptr<PartHulls> hulls;
    // Whether joins that leave a narrow slit are refused, as they are when flaps must have room.
    bool slitsNarrow = false;
    double slitFlapHeight = 0; // the flaps' height, for a flap beside a slit
    // Whether slits that close are folded (SlitCloses), as in the trees the one-piece search makes.
    bool slitsClose = false;
    static bool IsJoinedEdge(const Edge& edge) { return edge.halfEdge1 && edge.halfEdge1->Joined(); }
    const std::function<bool(const Edge&)> IsJoined = IsJoinedEdge;

    Impl(Mesh& m, Development& d, Unfolder& o) : model(m), dev(d), owner(o) {}

    void LayFlat() {
        // Every face starts as a part: room for all of them at once, rather than a map rebuilt time and
        // again as it grows, which on large models cost more than laying the faces flat.
        size_t faces = 0;
        for (auto& solid : model.solids)
            if (solid->inDevelopment) faces += solid->faces.size();
        slot.reserve(faces);
        up.reserve(faces);
        dev.parts.reserve(dev.parts.size() + faces);
        for (auto& solid : model.solids) {
            if (!solid->inDevelopment) continue;
            for (auto& facePtr : solid->faces) {
                Face& face = *facePtr;
                for (auto& h : face.halfEdges) {
                    h->joinsTwin = false;
                    h->line = nullptr;
                }
                face.part = nullptr;
                face.partIndex = -1;
                if (!HasCorners(face)) continue;
                LayFaceFlat(face);
                face.placed = true;
                auto part = std::make_unique<Part>();
                part->solid = solid.get();
                part->faces.push_back(&face);
                Part* p = dev.AppendPart(std::move(part));
                face.part = p;
                slot[p] = dev.parts.size() - 1;
            }
        }
    }

    // Overlap test and join of one edge; false when the join was refused. `tested` false joins without
    // the test, for a join already known to leave no overlap.
    bool TryJoin(Edge& edge, bool tested = true) {
        HalfEdge* h = edge.halfEdge1;
        HalfEdge* t = edge.halfEdge2;
        Part* a = h->face->part;
        Part* b = t->face->part;
        const RigidMotion movedB = space->JoinMotion(*h, *t);
        std::vector<HalfEdge*> joinedHull;
        if (limit.active) joinedHull = hulls->FittingHull(*a, *b, movedB);
        if (tested) ++owner.overlapTests_;
        if ((limit.active && joinedHull.empty()) ||
            (slitsNarrow && ClosesNarrowSlit(edge, a, b, IsJoined, slitFlapHeight, slitsClose)) ||
            (tested && space->Overlaps(*a, *b, movedB))) {
            edge.mark = true;
            ++owner.refusedJoins_;
            return false;
        }
        Part& kept = space->Merge(*a, *b, movedB);
        if (limit.active) hulls->Merged(*a, *b, kept, std::move(joinedHull));
        // The joined part stays where A was in the development's list, whichever object carries it on.
        const size_t slotA = slot[a], slotB = slot[b];
        if (&kept == b) std::swap(dev.parts[slotA], dev.parts[slotB]);
        dev.parts[slotB].reset();
        slot.erase(a);
        slot.erase(b);
        slot[&kept] = slotA;
        h->joinsTwin = t->joinsTwin = true;
        return true;
    }

    static bool Joinable(const Edge& edge) {
        const HalfEdge* h = edge.halfEdge1;
        const HalfEdge* t = edge.halfEdge2;
        return h && t && h->face && t->face && h->face->part && t->face->part && h->next && t->next;
    }

    double Weight(const Edge& edge) {
        if (!Joinable(edge) || edge.edgeClass == EdgeClass::MarkedOpen) return -1;
        if (edge.foldAngle > 170 || edge.edgeClass == EdgeClass::MarkedJoined) return 0;
        const HalfEdge& h = *edge.halfEdge1;
        const HalfEdge& t = *edge.halfEdge2;
        const double alpha = Angle(FlatUp(*h.face, up[h.face]));
        const double beta = Angle(FlatUp(*t.face, up[t.face])) + JoinTurn(h, t);
        double d = std::fmod(std::fabs(alpha - beta), 2 * kPi) * 180.0 / kPi;
        if (d > 180) d = 360 - d;
        // A face without a usable layout (non-finite corners) bends the most, and keeps the sort ordered.
        if (!std::isfinite(d)) return 180;
        return std::fabs(d);
    }

    // Turns the part upright, or under a limit to where it lies most compactly on a sheet.
    void Orient(Part& part) {
        Point2 sum;
        for (const Face* face : part.faces) {
            const Point2 c = up[face];
            if (Length(c) < 1e-6 || !IsPlanar(*face)) continue;
            sum = sum + FlatUp(*face, c) * FaceArea(*face);
        }
        if (part.faces.empty()) return;
        const bool upright = Length(sum) >= 0.0001;
        double theta = upright ? -std::atan2(sum.x, -sum.y) : 0.0;
        if (limit.active) {
            std::vector<Point2> points;
            for (const Face* face : part.faces)
                for (const auto& corner : face->halfEdges) points.push_back(corner->Pos2D());
            std::vector<Point2> hull;
            for (size_t i : ConvexHull(points)) hull.push_back(points[i]);
            double turn = theta;
            if (FindCompactTurn(hull, limit, theta, turn)) theta = turn;
        }
        if (!upright && theta == 0.0) return;
        const Point2 pivot = part.faces.front()->Corner(0)->Pos2D();
        for (Face* face : part.faces)
            for (auto& corner : face->halfEdges) {
                const Point2 p = Rotate(corner->Pos2D() - pivot, theta) + pivot;
                corner->x2d = p.x;
                corner->y2d = p.y;
            }
    }

    static void MakeLines(Part& part) {
        for (Face* face : part.faces)
            for (auto& corner : face->halfEdges) {
                HalfEdge* h = corner.get();
                if (h->line != nullptr) continue;
                auto line = std::make_unique<PartLine>();
                line->first = h;
                line->edge = h->edge;
                line->drawKind = DrawKind::Omitted;
                line->lineKind = LineKind::NoFlap;
                line->hidden = false;
                h->line = line.get();
                if (h->Joined() != nullptr) {
                    line->second = h->Joined();
                    h->Joined()->line = line.get();
                }
                part.lines.push_back(std::move(line));
            }
    }
};

Unfolder::Unfolder(Mesh& model, double documentScale, UnfoldOptions options)
    : model_(model), documentScale_(documentScale), options_(options),
      development_(std::make_unique<Development>()) {}

Unfolder::~Unfolder() = default;

double Unfolder::JoinWeight(const Edge& edge) const {
    for (const auto& [candidate, weight] : weights_)
        if (candidate == &edge) return weight;
    return -1;
}

Result<UnfoldedDevelopment> Unfolder::Run(IUnfoldProgress* progress) {
    if (!development_) development_ = std::make_unique<Development>();
    overlapTests_ = 0;
    refusedJoins_ = 0;
    Development& dev = *development_;
    PairPendingSymmetricEdges(model_);
    Impl impl(model_, dev, *this);
    const LayoutMethod& method = options_.layoutMethod;

    impl.LayFlat();

    std::vector<Edge*> edges;
    double lengthSum = 0;
    for (auto& solid : model_.solids) {
        if (!solid->inDevelopment) continue;
        for (auto& face : solid->faces) impl.up[face.get()] = FaceUpCoefficients(*face);
        for (auto& edge : solid->edges) {
            edge->mark = false;
            edges.push_back(edge.get());
            if (std::isfinite(edge->length)) lengthSum += edge->length;
        }
    }
    // The weights are the unfolder's own scratch, kept beside the edges rather than in every edge record.
    weights_.clear();
    for (Edge* edge : edges) weights_.emplace_back(edge, impl.Weight(*edge));
    std::stable_sort(weights_.begin(), weights_.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    std::vector<double> weights;
    weights.reserve(edges.size());
    for (size_t i = 0; i < edges.size(); ++i) {
        edges[i] = weights_[i].first;
        weights.push_back(weights_[i].second);
    }

    // A cell about twice the mean edge holds a few faces; the flat layout keeps 3D edge lengths.
    const double cellSize = edges.empty() ? 0.0 : 2.0 * lengthSum / static_cast<double>(edges.size());
    // Ends closer than this share a point: the same vertex reached through different faces, apart only by
    // rounding. It follows the model's size; a fixed distance would swallow whole edges of small models
    // and the thin wedges where faces around a saddle vertex close their ring onto each other.
    const double size = model_.size > 0 && std::isfinite(model_.size) ? model_.size : 1.0;
    const double shared = 1e-8 * size;
    impl.space = std::make_unique<MergeSpace>(options_.overlap, cellSize, shared * shared);
    // An unfolding at a given scale keeps every part within a sheet; a fitted one is scaled to one sheet
    // whole, and the upright one is the unfolding as it always was.
    constexpr double kFixedScaleFlapHeightMM = 5.0;
    if (options_.strategy == UnfoldStrategy::FewestParts && !method.automatic && documentScale_ > 0 &&
        std::isfinite(documentScale_)) {
        impl.limit.active = true;
        impl.limit.sheet = {options_.printableWidthMM, options_.printableHeightMM, options_.keepOuts};
        impl.limit.scale = documentScale_;
        impl.limit.flapHeightMM = kFixedScaleFlapHeightMM;
        impl.limit.spacingMM = method.spacingMM;
    }
    impl.hulls = std::make_unique<PartHulls>(impl.limit, impl.space.get());

    // Flaps widened across gentle folds, put back as they were if the unfolding is cancelled.
    std::vector<FlapAnglesBefore> widened;
    const auto cancel = [&] {
        for (const FlapAnglesBefore& side : widened)
            side.side->flapAngle1 = side.angle1, side.side->flapAngle2 = side.angle2;
        progress->Finish();
        development_.reset();
        return Outcome::Cancelled(kUnfoldCancelledText);
    };
    char text[96];
    // The rounds past the last repair round, and the tries to rehome freed faces after them, report within
    // the last round's steps again: the bar stays where it got to.
    int shown = 0;
    const auto step = [&](int position, int count) {
        shown = std::max(shown, position);
        std::snprintf(text, sizeof text, "%s  %d/%d", kUnfoldCaption, shown, count);
        return progress->Step(shown, text);
    };
    double flapHeight = method.automatic ? model_.size * 0.05 : kFixedScaleFlapHeightMM;
    auto& parts = dev.parts;
    // From the joined faces to parts with lines and flaps, at the scale they are laid out at. `foldable`
    // tells which slits may close: not those cut to give a crowded flap room.
    const auto finishParts = [&](const std::function<bool(const Edge&)>& foldable) {
        parts.erase(std::remove(parts.begin(), parts.end(), nullptr), parts.end());
        for (auto& part : parts) impl.space->Settle(*part);
        if (impl.slitsClose)
            for (auto& part : parts) CloseSlits(*part, impl.slitFlapHeight, foldable);
        impl.slot.clear();
        impl.space.reset();
        for (auto& part : parts) {
            part->development = &dev;
            impl.Orient(*part);
            Impl::MakeLines(*part);
        }
        ScaleDevelopment(dev, method.automatic ? 1.0 : documentScale_, false);
        for (auto& part : parts) {
            ComputePartExtent(*part);
            part->x = part->y = 0;
        }
        PlaceFlaps(dev, model_, flapHeight);
    };
    if (options_.strategy == UnfoldStrategy::FewestParts) {
        impl.slitsNarrow = true;
        // A fitted unfolding lays its faces out at the flaps' scale; one at a size only once it is done.
        if (method.automatic) impl.slitFlapHeight = flapHeight;
        // A flap along a thin face (a spoke of a flat fan) may reach over the faces beyond it across gentle
        // folds; the faces are still at the model's own size here.
        const double modelFlapHeight = method.automatic ? flapHeight : flapHeight / documentScale_;
        if (std::isfinite(modelFlapHeight))
            widened = WidenFlapsAcrossGentleFolds(edges, modelFlapHeight,
                                                  options_.maxFlapBaseAngleDegrees * kPi / 180.0);
        FewestPartsInput input;
        for (auto& solid : model_.solids) {
            if (!solid->inDevelopment) continue;
            for (auto& face : solid->faces)
                if (face->part != nullptr) input.faces.push_back(face.get());
        }
        input.edges = edges;
        input.weights = weights;
        input.overlap = options_.overlap;
        input.cellSize = cellSize;
        input.sharedPointSquared = shared * shared;
        input.flapHeight = flapHeight;
        input.limit = impl.limit;
        // An edge between two slivers has no side a flap can be glued to; the growths join such edges first,
        // and so does every round here, which cuts them only to free a face that stays crowded.
        input.flapless.assign(edges.size(), 0);
        for (size_t i = 0; i < edges.size(); ++i) {
            const Edge& edge = *edges[i];
            input.flapless[i] = modelFlapHeight > 0 && std::isfinite(modelFlapHeight) && weights[i] >= 0 &&
                                edge.halfEdge1 != nullptr && edge.halfEdge2 != nullptr &&
                                !HoldsFlap(edge.length, modelFlapHeight, *edge.halfEdge1, *edge.halfEdge2);
        }
        const int planSteps = FewestPartsSteps(input);
        const int edgeCount = static_cast<int>(edges.size());
        // After the plan's steps, each round of joins takes two steps per edge: the plan's joins made
        // again, then the parts grown where they still can. Where the one-piece search may offer the tree
        // it came nearest with, and the peel plans with slits that close, those are made too, and the best
        // of them again.
        const int replaySteps = (kRepairRounds + 1) * 2 * edgeCount;
        const int offered = 1 + (OnePieceSteps(input) > 0 ? 1 : 0) + FewestPartsClosingPlans(input);
        const int searchPasses = offered > 1 ? offered + 1 : 1;
        // A plan whose flaps crowd far beyond what it foresaw is planned again with no narrow notches, made,
        // and the better of the two made again: seldom, so all that shares the steps of one pass, half to
        // the plan and a quarter to each making.
        const bool limited = impl.limit.active;
        const int notchedFirst = planSteps + searchPasses * replaySteps;
        const int count = notchedFirst + replaySteps;
        std::function<bool(int)> planStep;
        if (progress) planStep = [&](int position) { return step(position, count); };
        std::vector<char> joinable;
        for (double weight : weights) joinable.push_back(weight >= 0);
        if (progress) progress->Start(kUnfoldCaption, count);
        const Result<FewestPartsPlan> plan = PlanFewestParts(input, planStep);
        if (!plan.ok()) return cancel();
        std::unordered_map<const Edge*, size_t> edgeIndex;
        for (size_t i = 0; i < edges.size(); ++i) edgeIndex.emplace(edges[i], i);
        const UnfoldState start = SaveUnfoldState(model_, edges, dev);
        // A plan on offer: its joins, whether its tree came from the search that lets slits close (folded
        // then, and at a size measured against the flaps' height on the faces as they lie here; the growths
        // plan with none), and whether its joins may lay faces over each other, each then tested as it is
        // made.
        struct Offer {
            const std::vector<Edge*>* joins;
            bool slitsClose, tested;
        };
        // Makes the offer's joins, then cuts for crowded flaps in rounds; false when cancelled.
        // The pass reports from `first` on, its steps shrunk into `span` positions. `crowdedLeft` tells how
        // many cut edges the pass left whose flap, with no room anywhere, runs into a face or flap; a crowded
        // flap that runs into nothing (an edge between slivers, whose corners are narrower than its flap's)
        // is drawn whole and overlaps nothing, and left out.
        size_t crowdedLeft = 0;
        const auto replay = [&](const Offer& offer, int first, int span = 0) {
            const std::vector<Edge*>& planned = *offer.joins;
            const bool tested = offer.tested;
            impl.slitsClose = offer.slitsClose;
            if (!method.automatic) impl.slitFlapHeight = offer.slitsClose ? modelFlapHeight : 0;
            const auto at = [&](int64_t k) {
                return first + static_cast<int>(span > 0 ? k * span / replaySteps : k);
            };
            // Joins undone so that crowded flaps get room, and how often each edge was crowded.
            std::vector<char> cut(edges.size(), 0);
            std::vector<int> crowdedRounds(edges.size(), 0);
            // One round: the joins made afresh but for those in `cut`, and the flaps designed; false when
            // cancelled.
            const auto makeRound = [&](int round, FlapDesignCounts& flaps) {
                const int64_t base = static_cast<int64_t>(std::min(round, kRepairRounds)) * 2 * edgeCount;
                // Every round starts from the model as it came, flaps included; the cancel points all come
                // before the round's flaps, so a cancelled unfolding leaves the model's flaps as they were.
                if (round > 0 || first > planSteps) {
                    parts.clear();
                    RestoreUnfoldState(start, model_, edges, dev);
                    impl.LayFlat();
                    impl.space = std::make_unique<MergeSpace>(options_.overlap, cellSize, shared * shared);
                    impl.hulls->Clear(impl.space.get());
                }
                for (size_t i = 0; i < edges.size(); ++i)
                    if (input.flapless[i] && !cut[i] &&
                        edges[i]->halfEdge1->face->part != edges[i]->halfEdge2->face->part)
                        impl.TryJoin(*edges[i]);
                const int joins = static_cast<int>(planned.size());
                for (int i = 0; i < joins; ++i) {
                    const int position = at(base + (static_cast<int64_t>(i) + 1) * edgeCount / joins);
                    if (progress && !step(position, count)) return false;
                    // The plan made these very joins from the same flat faces, its overlap tests included; a
                    // limit may refuse some, and then the later ones meet other neighbours. Once joins are
                    // undone the parts differ from the plan's, and every join is tested again.
                    const Edge& edge = *planned[i];
                    if (cut[edgeIndex.at(&edge)] || edge.halfEdge1->face->part == edge.halfEdge2->face->part)
                        continue;
                    impl.TryJoin(*planned[i], limited || round > 0 || tested);
                }
                for (size_t i = 0; (limited || round > 0 || tested) && i < edges.size(); ++i) {
                    if (progress && !step(at(base + edgeCount + static_cast<int64_t>(i) + 1), count))
                        return false;
                    Edge& edge = *edges[i];
                    if (!joinable[i] || cut[i] || edge.halfEdge1->Joined() != nullptr) continue;
                    if (edge.halfEdge1->face->part == edge.halfEdge2->face->part) continue;
                    if (!impl.TryJoin(edge) || round == 0) continue;
                    // Past the first round, as in the upright unfolding, a join brings its mirror image.
                    Edge* s = edge.symmetricEdge;
                    auto partner = s != nullptr && s != &edge ? edgeIndex.find(s) : edgeIndex.end();
                    if (partner != edgeIndex.end() && joinable[partner->second] && !cut[partner->second] &&
                        s->halfEdge1->Joined() == nullptr &&
                        s->halfEdge1->face->part != s->halfEdge2->face->part)
                        impl.TryJoin(*s);
                }
                finishParts([&](const Edge& edge) {
                    auto it = edgeIndex.find(&edge);
                    return it == edgeIndex.end() || !cut[it->second];
                });
                flaps = DesignFlaps(dev, flapHeight);
                return true;
            };
            FlapDesignCounts flaps;
            int round = 0;
            for (;; ++round) {
                if (!makeRound(round, flaps)) return false;
                if (flaps.crowdedEdges.empty() || round == kRepairRounds) break;
                // Where no side of a cut edge has room for a flap, the part is cut elsewhere: between the
                // flap and what it runs into, or, for an edge that stays crowded, all around its face.
                bool changed = false;
                const auto flaplessEdge = [&](const Edge* edge) {
                    auto it = edgeIndex.find(edge);
                    return it != edgeIndex.end() && input.flapless[it->second];
                };
                for (const CrowdedEdge& crowded : flaps.crowdedEdges) {
                    bool isolate = ++crowdedRounds[edgeIndex.at(crowded.sides[0]->edge)] > kPatientRounds;
                    // An edge no flap can be glued to is cut only to free a face all round, where the face
                    // alone has room for the spike its flap becomes; the face is freed at once where such
                    // an edge is the cut chosen.
                    std::vector<Edge*> cuts = JoinsToCut(crowded, isolate);
                    if (!isolate && std::any_of(cuts.begin(), cuts.end(), flaplessEdge)) {
                        isolate = true;
                        cuts = JoinsToCut(crowded, true);
                    }
                    for (Edge* edge : cuts)
                        for (Edge* undo : {edge, edge->symmetricEdge}) {
                            auto it = undo != nullptr ? edgeIndex.find(undo) : edgeIndex.end();
                            if (it == edgeIndex.end()) continue;
                            changed = changed || !cut[it->second];
                            cut[it->second] = 1;
                        }
                }
                if (!changed) break;
            }
            // A face freed all round may have room along one of its edges now that the parts around it have
            // settled: each such edge is tried in a round of its own and kept where it leaves fewer parts and
            // no more crowded flaps.
            const auto crowdedSet = [&] {
                std::unordered_set<const Edge*> set;
                for (const CrowdedEdge& edge : flaps.crowdedEdges) set.insert(edge.sides[0]->edge);
                return set;
            };
            std::unordered_set<const Edge*> crowded = crowdedSet();
            // A face whose own edge stays crowded keeps its room: joined, the spike its flap becomes would
            // lie on a neighbour.
            std::vector<size_t> homes;
            for (const auto& part : parts) {
                if (part->faces.size() != 1) continue;
                const Face& face = *part->faces.front();
                if (std::any_of(face.halfEdges.begin(), face.halfEdges.end(),
                                [&](const auto& corner) { return crowded.count(corner->edge) > 0; }))
                    continue;
                for (const auto& corner : face.halfEdges) {
                    auto it = corner->edge != nullptr ? edgeIndex.find(corner->edge) : edgeIndex.end();
                    if (it != edgeIndex.end() && cut[it->second] && joinable[it->second])
                        homes.push_back(it->second);
                }
            }
            std::sort(homes.begin(), homes.end());
            if (homes.size() > kMostRehomes) homes.resize(kMostRehomes);
            size_t fewest = parts.size();
            bool settled = true;
            int next = round; // the positions the tries report, after the rounds'
            for (size_t home : homes) {
                if (!cut[home]) continue;
                cut[home] = 0;
                if (!makeRound(++next, flaps)) return false;
                const std::unordered_set<const Edge*> now = crowdedSet();
                if (parts.size() < fewest && std::all_of(now.begin(), now.end(), [&](const Edge* e) {
                        return crowded.count(e) > 0;
                    })) {
                    fewest = parts.size();
                    crowded = now;
                    settled = true;
                } else {
                    cut[home] = 1;
                    settled = false;
                }
            }
            if (!settled && !makeRound(++next, flaps)) return false;
            crowdedLeft = static_cast<size_t>(
                std::count_if(flaps.crowdedEdges.begin(), flaps.crowdedEdges.end(),
                              [](const CrowdedEdge& edge) { return edge.blockers[0] != nullptr; }));
            return true;
        };
        // Each plan on offer is made, and the one that leaves the fewest parts without more flaps crowded
        // into others is kept (the first on a tie), made again where another was made after it.
        std::vector<Offer> offers{{&plan->joins, plan->slitsClose, false}};
        if (!plan->nearest.empty())
            offers.push_back({&plan->nearest, plan->nearestSlitsClose, plan->nearestOverlaps});
        for (const std::vector<Edge*>& closing : plan->closing) offers.push_back({&closing, true, false});
        size_t kept = 0, keptParts = 0, keptCrowded = 0;
        int pass = 0;
        for (size_t k = 0; k < offers.size(); ++k) {
            if (!replay(offers[k], planSteps + pass++ * replaySteps)) return cancel();
            if (k == 0 || (parts.size() < keptParts && crowdedLeft <= keptCrowded))
                kept = k, keptParts = parts.size(), keptCrowded = crowdedLeft;
        }
        if (kept + 1 != offers.size() && !replay(offers[kept], planSteps + pass * replaySteps))
            return cancel();
        const Offer made = offers[kept];
        if (parts.size() > static_cast<size_t>(kCrowdedPlan * plan->parts + kCrowdedPlanSlack)) {
            // The tree search counts its own flaps and made no such comb; run again it costs as much as the
            // first time (the tubes measured: the same parts either way), so the second plan is the growths'
            // and the peel's alone.
            input.notches = true;
            input.treeSearch = false;
            input.closingPlans = false;
            const int notchedSteps = std::max(FewestPartsSteps(input), 1);
            std::function<bool(int)> notchedStep;
            const int half = replaySteps / 2, quarter = replaySteps / 4;
            if (progress)
                notchedStep = [&](int position) {
                    const int64_t shrunk = static_cast<int64_t>(position) * half / notchedSteps;
                    return step(notchedFirst + static_cast<int>(shrunk), count);
                };
            const Result<FewestPartsPlan> notched = PlanFewestParts(input, notchedStep);
            if (!notched.ok()) return cancel();
            const size_t before = parts.size();
            if (!replay({&notched->joins, false, false}, notchedFirst + half, quarter)) return cancel();
            if (parts.size() >= before && !replay(made, notchedFirst + half + quarter, quarter))
                return cancel();
        }
        // Repair rounds that end early, and a pass there was no nearer tree for, leave their steps untaken:
        // the bar still ends full. Cancelled there, the model's flaps go back to how they came in.
        if (progress && !step(count, count)) {
            RestoreUnfoldState(start, model_, edges, dev);
            return cancel();
        }
    } else {
        const int count = static_cast<int>(edges.size());
        if (progress) progress->Start(kUnfoldCaption, count);
        for (int i = 0; i < count; ++i) {
            if (progress && !step(i + 1, count)) return cancel();
            Edge& edge = *edges[i];
            if (edge.mark || weights[i] < 0) continue;
            if (edge.halfEdge1->face->part == edge.halfEdge2->face->part) continue;
            if (!impl.TryJoin(edge)) continue;
            Edge* s = edge.symmetricEdge;
            if (s != nullptr && s != &edge && s->edgeClass != EdgeClass::MarkedOpen && !s->mark &&
                Impl::Joinable(*s) && s->halfEdge1->face->part != s->halfEdge2->face->part)
                impl.TryJoin(*s);
        }
        finishParts(nullptr);
    }
    for (auto& part : parts) {
        ComputePartExtent(*part);
        part->x = part->y = 0;
    }
    LayoutParts(dev, model_.size, method,
                {options_.printableWidthMM, options_.printableHeightMM, options_.keepOuts}, flapHeight);
    for (auto& part : parts) JoinCoincidentCutEdges(*part, options_.coincidentEdgeThresholdMM);
    ClassifyPartLines(dev, model_, options_.display);
    // A model file keeps no face order within a part, and its readers list each part's faces in model
    // order; so does the new development, which then reads back exactly as it was saved.
    std::unordered_map<const Face*, size_t> ordinal;
    for (auto& solid : model_.solids)
        for (auto& face : solid->faces) ordinal.emplace(face.get(), ordinal.size());
    for (size_t i = 0; i < parts.size(); ++i) {
        auto& faces = parts[i]->faces;
        std::sort(faces.begin(), faces.end(),
                  [&](const Face* a, const Face* b) { return ordinal[a] < ordinal[b]; });
        for (Face* face : faces) face->partIndex = static_cast<int>(i);
    }
    if (progress) progress->Finish();

    return UnfoldedDevelopment{std::move(development_), flapHeight};
}

Outcome UnfoldDocument(Document& document, const Settings& settings, IPrompt& prompt,
                       const std::function<bool()>& askLayoutMethod, const UnfoldOptions& options,
                       IUnfoldProgress* progress) {
    if (!document.model) return Outcome::Cancelled("there is no model to unfold");
    Mesh& model = *document.model;
    bool any = false;
    for (auto& solid : model.solids) any = any || solid->inDevelopment;
    if (!any) {
        prompt.Message(kNoObjectToUnfoldText, PromptIcon::Information);
        return Outcome::Cancelled(kNoObjectToUnfoldText);
    }
    ComputeBounds(model);
    AutoFlapAnglesAll(model, settings.maxFlapBaseAngleDegrees);
    for (auto& solid : model.solids)
        for (auto& edge : solid->edges) UpdateEdgeGeometry(*edge);
    if (askLayoutMethod && !askLayoutMethod()) return Outcome::Cancelled();

    UnfoldOptions runOptions = options;
    runOptions.layoutMethod = settings.layoutMethod;
    runOptions.strategy = UnfoldStrategyOf(settings);
    runOptions.coincidentEdgeThresholdMM = CoincidentEdgeThresholdMM(settings);
    runOptions.display = document.display;
    runOptions.maxFlapBaseAngleDegrees = settings.maxFlapBaseAngleDegrees;
    Unfolder unfolder(model, document.documentScale, runOptions);
    Result<UnfoldedDevelopment> result = unfolder.Run(progress);
    if (!result.ok()) {
        prompt.Message(kUnfoldCancelledText, PromptIcon::Information);
        return Outcome::Cancelled(kUnfoldCancelledText);
    }
    SeparateCorners(model);
    for (const TextBlock& text : document.reusableTexts)
        result->development->texts.push_back(std::make_unique<TextBlock>(text));
    document.development = std::move(result->development);
    document.display.defaultFlapHeightMM = result->defaultFlapHeightMM;
    document.developmentLayout = settings.layoutMethod;
    ComputeDevelopmentExtent(*document.development, true);
    document.modified = true;
    return Outcome::Ok();
}

DevelopmentSummary SummariseDevelopment(const Development& development) {
    DevelopmentSummary summary;
    for (const auto& part : development.parts) {
        ++summary.parts;
        for (const auto& line : part->lines) {
            const HalfEdge* h = line->first;
            if (line->second != nullptr || h == nullptr || h->next == nullptr) continue;
            // A cut between faces carries a flap on one side; an open edge of the model may carry one too.
            if ((h->twin != nullptr && h->hasFlap) || line->lineKind != LineKind::NoFlap) ++summary.flaps;
            const double length = Length(h->next->Pos2D() - h->Pos2D());
            if (std::isfinite(length)) summary.cutLengthMM += length;
        }
    }
    return summary;
}

bool CanReuseTexts(const Document& document) {
    return document.development && !document.development->texts.empty();
}

void UndoUnfolding(Document& document, bool reuseTexts, bool applyOpenEdges) {
    if (document.model) {
        for (auto& solid : document.model->solids) {
            solid->shown = true;
            for (auto& face : solid->faces) {
                face->part = nullptr;
                face->partIndex = -1;
                for (auto& corner : face->halfEdges) {
                    const bool cut = corner->Joined() == nullptr && corner->twin != nullptr;
                    if (applyOpenEdges && solid->inDevelopment && cut && corner->edge)
                        corner->edge->edgeClass = EdgeClass::MarkedOpen;
                    corner->line = nullptr;
                    corner->joinsTwin = false;
                }
            }
        }
    }
    document.reusableTexts.clear();
    if (reuseTexts && document.development) {
        for (const auto& text : document.development->texts) document.reusableTexts.push_back(*text);
    }
    document.development.reset();
    document.developmentLayout.reset();
    document.modified = true;
}

} // namespace tsm
