#include "engine/UnfoldOnePiece.h"

#include "engine/DisjointSets.h"
#include "engine/OnePieceRegions.h"
#include "engine/OnePieceSearch.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace tsm {

namespace {

bool Searched(const FewestPartsInput& input) {
    const size_t most = input.limit.active ? onepiece::kMostFacesLarge : onepiece::kMostFaces;
    return input.treeSearch && !input.faces.empty() && input.faces.size() <= most;
}

// Under a sheet limit one piece seldom fits, but a tree without overlaps cut where it outgrows the sheet
// keeps every cut it had where no flap has room and no slit is narrow, and adds only cuts along its own
// folds: it may give fewer parts than the growths. The tree's pieces become `near`'s nearest where they are
// fewer than `fewest`, which they then set.
Outcome SearchUnderLimit(onepiece::Search& search, bool closing, FewestPartsPlan& near, int& fewest) {
    Result<bool> found = search.Run();
    if (!found.ok()) return found.outcome();
    if (!*found && search.TakeNearest() < 0) return Outcome::Ok();
    int pieces = 0;
    std::vector<Edge*> joins = search.JoinsInSheets(pieces);
    if (pieces < fewest) fewest = pieces, near.nearest = std::move(joins), near.nearestSlitsClose = closing;
    return Outcome::Ok();
}

// The length of the edges between two faces that `joins` leave cut.
double CutLength(const FewestPartsInput& input, const std::vector<Edge*>& joins) {
    double length = 0;
    for (const Edge* edge : input.edges)
        if (edge->halfEdge1 && edge->halfEdge2 && std::isfinite(edge->length)) length += edge->length;
    for (const Edge* edge : joins)
        if (std::isfinite(edge->length)) length -= edge->length;
    return length;
}

// The surfaces `input`'s faces make, joined where an edge may fold, each as its faces in `input`'s order;
// the surfaces in the order of their first face.
std::vector<std::vector<Face*>> Surfaces(const FewestPartsInput& input) {
    std::unordered_map<const Face*, int> index;
    for (size_t f = 0; f < input.faces.size(); ++f) index.emplace(input.faces[f], static_cast<int>(f));
    DisjointSets sets(input.faces.size());
    for (size_t i = 0; i < input.edges.size(); ++i) {
        const Edge& edge = *input.edges[i];
        if (input.weights[i] < 0 || edge.halfEdge1 == nullptr || edge.halfEdge2 == nullptr) continue;
        auto a = index.find(edge.halfEdge1->face), b = index.find(edge.halfEdge2->face);
        if (a != index.end() && b != index.end()) sets.Join(a->second, b->second);
    }
    std::vector<std::vector<Face*>> surfaces;
    std::unordered_map<int, size_t> surfaceOf;
    for (size_t f = 0; f < input.faces.size(); ++f) {
        auto [it, added] = surfaceOf.emplace(sets.Find(static_cast<int>(f)), surfaces.size());
        if (added) surfaces.emplace_back();
        surfaces[it->second].push_back(input.faces[f]);
    }
    return surfaces;
}

// The steps of the searches of the whole model.
int WholeSteps(const FewestPartsInput& input) {
    if (!Searched(input)) return 0;
    // A large model's search takes most of the unfolding's time: its steps count as many growths of the
    // plan as its work would make, so that the bar moves on through it.
    const double growths =
        onepiece::LargeUnderLimit(input)
            ? onepiece::kRounds * onepiece::kRoundWorkPerFaceLarge / onepiece::kWorkPerGrowth
            : 1.0;
    return static_cast<int>(static_cast<double>(input.edges.size()) * growths);
}

// Fitted, a model of several surfaces (rings linked through each other, eyes apart from a head) is searched
// one surface at a time, each for a piece of its own: a tree of the whole model cannot span them, and the
// search never ran on such a model (two linked rings of 800 faces kept the growths' 24 parts). The search's
// work is shared by the surfaces' faces. Where every surface comes out in one piece, that is the plan;
// otherwise each surface's piece, nearest tree or planned parts are offered together as the nearest.
Result<FewestPartsPlan> SearchEachSurface(const FewestPartsInput& input, const FewestPartsPlan& plan,
                                          const std::vector<std::vector<Face*>>& surfaces,
                                          const std::function<bool(int)>& step) {
    const double work =
        std::min(onepiece::kWorkPerFace * static_cast<double>(input.faces.size()), onepiece::kMostWork);
    const int steps = WholeSteps(input);
    int first = 0;
    std::vector<Edge*> pieces, nearest;
    bool nearer = false, allOne = true, closes = false, overlaps = false;
    for (const std::vector<Face*>& faces : surfaces) {
        std::unordered_map<const Face*, int> index;
        for (size_t f = 0; f < faces.size(); ++f) index.emplace(faces[f], static_cast<int>(f));
        const auto mine = [&](const Edge* edge) {
            return edge->halfEdge1 != nullptr && index.count(edge->halfEdge1->face) > 0;
        };
        FewestPartsInput surface = input;
        surface.faces = faces;
        surface.edges.clear(), surface.weights.clear(), surface.flapless.clear();
        for (size_t i = 0; i < input.edges.size(); ++i) {
            if (!mine(input.edges[i])) continue;
            surface.edges.push_back(input.edges[i]);
            surface.weights.push_back(input.weights[i]);
            if (!input.flapless.empty()) surface.flapless.push_back(input.flapless[i]);
        }
        surface.searchWork =
            work * static_cast<double>(faces.size()) / static_cast<double>(input.faces.size());
        // The plan's parts on this surface.
        FewestPartsPlan own;
        own.candidate = plan.candidate;
        own.parts = static_cast<int>(faces.size());
        DisjointSets parts(faces.size());
        for (Edge* edge : plan.joins) {
            if (!mine(edge)) continue;
            own.joins.push_back(edge);
            auto a = index.find(edge->halfEdge1->face), b = index.find(edge->halfEdge2->face);
            if (a != index.end() && b != index.end() && parts.Join(a->second, b->second)) --own.parts;
        }
        for (Edge* edge : plan.grown)
            if (mine(edge)) own.grown.push_back(edge);
        const int at = first;
        first += WholeSteps(surface);
        const std::function<bool(int)> surfaceStep = [&](int position) {
            return !step || step(std::min(steps, at + position));
        };
        const Result<FewestPartsPlan> searched = SearchOnePiece(surface, own, surfaceStep);
        if (!searched.ok()) return searched.outcome();
        const bool found = searched->parts == 1, near = !found && !searched->nearest.empty();
        const std::vector<Edge*>& best = found ? searched->joins : near ? searched->nearest : own.joins;
        nearest.insert(nearest.end(), best.begin(), best.end());
        pieces.insert(pieces.end(), searched->joins.begin(), searched->joins.end());
        allOne = allOne && found;
        nearer = nearer || (found && own.parts > 1) || near;
        closes = closes || (found ? searched->slitsClose : near && searched->nearestSlitsClose);
        overlaps = overlaps || (near && searched->nearestOverlaps);
    }
    if (allOne) {
        FewestPartsPlan one;
        one.joins = std::move(pieces);
        one.parts = static_cast<int>(surfaces.size());
        one.slitsClose = closes;
        one.candidate = plan.candidate;
        one.cutLength = CutLength(input, one.joins);
        return one;
    }
    FewestPartsPlan near = plan;
    if (nearer)
        near.nearest = std::move(nearest), near.nearestSlitsClose = closes, near.nearestOverlaps = overlaps;
    return near;
}

} // namespace

int OnePieceSteps(const FewestPartsInput& input) {
    return WholeSteps(input) + RegionSteps(input);
}

Result<FewestPartsPlan> SearchOnePiece(const FewestPartsInput& input, const FewestPartsPlan& plan,
                                       const std::function<bool(int)>& step) {
    if (plan.parts < 1 || (!Searched(input) && !SearchesRegions(input))) return plan;
    const std::vector<Edge*>& start = plan.grown.empty() ? plan.joins : plan.grown;
    const int steps = WholeSteps(input);
    // A search that lets slits close (SlitCloses) finds one piece on smooth models where every tree ends
    // cuts at shallow vertices, and misses some a search without them finds: its draws lead elsewhere. So
    // both search, each with half the bar: under a sheet limit one after the other, fitted by turns.
    const int plainSteps = onepiece::LargeUnderLimit(input) ? 0 : steps / 2;
    // A large model's steps run to tens of millions: their products need 64 bits.
    const auto share = [&](int position, int span) {
        return static_cast<int>(static_cast<int64_t>(position) * span / std::max(steps, 1));
    };
    // Each search's share of the bar follows its own work, the two added up: fitted they take turns.
    int plainAt = 0, closingAt = 0;
    const std::function<bool(int)> plainStep = [&](int position) {
        plainAt = share(position, plainSteps);
        return !step || step(std::max(1, plainAt + closingAt));
    };
    const std::function<bool(int)> closingStep = [&](int position) {
        closingAt = share(position, steps - plainSteps);
        return !step || step(std::max(1, plainAt + closingAt));
    };
    FewestPartsPlan near = plan;
    if (input.limit.active) {
        if (plan.parts <= 1) return plan;
        // Under a sheet limit the two trees, cut into sheets, are compared by their pieces. The first search
        // counts its flaps as it always has, the height in millimetres on faces at the model's own size
        // (most often far taller than they will be): measured, a good draw of its own (the cow of 1,500
        // faces at 150 mm: 5 parts, 10 at the flaps' true height). The search that closes slits measures them
        // against the flaps' true height, and counts its flaps so.
        FewestPartsInput scaled = input;
        scaled.flapHeight = input.limit.scale > 0 ? input.flapHeight / input.limit.scale : 0;
        int fewest = plan.parts;
        for (const bool closing : {false, true}) {
            if (!Searched(input) || (!closing && onepiece::LargeUnderLimit(input))) continue;
            onepiece::Search search(closing ? scaled : input, closing ? closingStep : plainStep, steps,
                                    closing);
            if (!search.Build(start)) return plan;
            const Outcome searched = SearchUnderLimit(search, closing, near, fewest);
            if (!searched.ok()) return searched;
        }
        // Where the whole model's searches left no fewer parts than the plan (on the cow of 2,000 faces at
        // 150 mm, all slivers, neither found a tree without overlaps), or the model is too large for them,
        // its regions are searched one by one: 15 parts there, against 35.
        if (fewest < plan.parts || !SearchesRegions(input)) return near;
        const std::function<bool(int)> regionStep = [&](int position) {
            return !step || step(steps + position);
        };
        const Result<RegionTrees> regions = SearchRegions(input, plan, start, regionStep);
        if (!regions.ok()) return regions.outcome();
        if (regions->parts < fewest) near.nearest = regions->joins, near.nearestSlitsClose = true;
        return near;
    }
    const std::vector<std::vector<Face*>> surfaces = Surfaces(input);
    if (surfaces.size() > 1) return SearchEachSurface(input, plan, surfaces, step);
    // Fitted, the search that closes slits finds within its first round most of the pieces the other
    // misses in all of its rounds (a bust of 562 faces: at 2 million of its 12 million work), while the
    // other finds most of its own within its first two rounds (of CGAL's example meshes, 17 of 20). So the
    // first search's first two rounds come first, then the other's first, then the rest of each in turn.
    // Where no slit may close anywhere the second search would be the first over again, and is left out.
    onepiece::Search plain(input, plainStep, steps, false);
    if (!plain.Build(start)) return plan;
    // One part may still crowd its flaps, which the unfolding then cuts apart.
    if (plan.parts == 1 && (!(input.flapHeight > 0) || plain.FlapsDesigned(plan.joins))) return plan;
    // The other is made when its first turn comes: most models the first search finds never need it.
    std::optional<onepiece::Search> closing;
    bool closes = true;
    const auto piece = [&](onepiece::Search& search, bool slitsClose) {
        FewestPartsPlan one;
        one.joins = search.Joins();
        one.parts = 1;
        one.slitsClose = slitsClose;
        one.candidate = plan.candidate;
        one.cutLength = CutLength(input, one.joins);
        return one;
    };
    // Each turn: which search, and how many of its rounds it has done by the turn's end.
    constexpr std::pair<bool, int> kTurns[] = {
        {false, 2}, {true, 1}, {false, onepiece::kRounds}, {true, onepiece::kRounds}};
    for (const auto& [slitsClose, rounds] : kTurns) {
        if (slitsClose && !closing) {
            closing.emplace(input, closingStep, steps, true);
            if (!closing->Build(start)) return plan;
            closes = closing->MayCloseAny();
            if (plan.parts == 1 && closes && closing->FlapsDesigned(plan.joins)) return plan;
        }
        if (slitsClose && !closes) continue;
        onepiece::Search& search = slitsClose ? *closing : plain;
        Result<bool> found = search.Run(rounds);
        if (!found.ok()) return found.outcome();
        if (*found) return piece(search, slitsClose);
    }
    // A tree with fewer crowded flaps and narrow slits than the growths have parts less one may end in
    // fewer parts: the searches' nearer one, the first's where they are as near. Where neither came to a
    // tree without overlaps (the knotted tubes of 800 faces and more), the tree of least cost, cut where
    // it overlaps, still leaves far fewer parts than the growths: the knots of 1,300 faces 30 and 25
    // parts for 49 and 50, a head 27 for 51. Its overlaps may cost several cuts each, so it comes second.
    int fewest = plan.parts - 1;
    for (const bool overlapping : {false, true}) {
        for (const bool slitsClose : {false, true}) {
            if ((slitsClose && (!closing || !closes)) || !plan.nearest.empty()) continue;
            onepiece::Search& search = slitsClose ? *closing : plain;
            const int faults = overlapping ? search.TakeLeast() : search.TakeNearest();
            if (faults >= 0 && faults < fewest) {
                fewest = faults;
                near.nearest = search.Joins();
                near.nearestSlitsClose = slitsClose;
                near.nearestOverlaps = overlapping;
            }
        }
        if (!near.nearest.empty()) break;
    }
    return near;
}

} // namespace tsm
