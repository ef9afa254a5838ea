#include "engine/Classify.h"

#include "model/Settings.h"

#include <utility>

namespace tsm {

bool IsFlatEdge(const Edge& edge, const DisplaySettings& settings) {
    // Equality is deliberately not flat: a 175-degree fold at the default threshold stays marked.
    return settings.omitFlatFolds && static_cast<double>(settings.flatFoldAngleDegrees) < edge.foldAngle;
}

namespace {

DrawKind OpenEdgeDrawKind(LineKind lineKind, DrawKind current) {
    switch (lineKind) {
    case LineKind::NoFlap:
        return DrawKind::Cut;
    case LineKind::MountainFlap:
        return DrawKind::FlapMountain;
    case LineKind::ValleyFlap:
        return DrawKind::FlapValley;
    case LineKind::FlatFlap:
        return DrawKind::FlapOnly;
    default:
        return current; // an unknown stored kind keeps whatever the line showed before
    }
}

} // namespace

void ClassifyPartLines(Part& part, const DisplaySettings& display, int& nextEdgeId) {
    // A large model's edges, lines and corners lie far apart, and each read waits on memory: fetching a
    // few records ahead (the line, then what it names) lets those waits overlap.
    constexpr size_t kAhead = 8;
    const bool drawFlap = display.drawFlaps;
    const auto& lines = part.lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i + 2 * kAhead < lines.size()) __builtin_prefetch(lines[i + 2 * kAhead].get());
        if (i + kAhead < lines.size()) {
            // Corners and edges span more than one cache line: the links and the flap flag, the fold and
            // the number lie in lines of their own.
            const PartLine& ahead = *lines[i + kAhead];
            if (ahead.first) {
                __builtin_prefetch(&ahead.first->twin);
                __builtin_prefetch(&ahead.first->hasFlap);
            }
            if (ahead.edge) {
                __builtin_prefetch(&ahead.edge->foldAngle);
                __builtin_prefetch(&ahead.edge->edgeId, 1);
            }
        }
        const auto& line = lines[i];
        HalfEdge* h = line->first;
        Edge* e = line->edge;
        if (h == nullptr || e == nullptr) continue; // a damaged line record has nothing to classify
        if (h->twin == nullptr) {
            line->drawKind = OpenEdgeDrawKind(line->lineKind, line->drawKind);
            continue;
        }
        if (h->Joined() != nullptr) {
            if (line->hidden || IsFlatEdge(*e, display)) {
                line->drawKind = DrawKind::Omitted;
            } else {
                line->drawKind = e->foldSense ? DrawKind::Mountain : DrawKind::Valley;
            }
            continue;
        }
        // Numbers follow the flap sides in drawing order, so the two sides of a cut edge share the number
        // handed out when the side carrying the flap is met.
        Edge* own = h->edge != nullptr ? h->edge : e;
        if (own->edgeId == -1 && h->hasFlap) own->edgeId = nextEdgeId++;
        if (h->hasFlap && drawFlap) {
            line->drawKind = e->foldSense ? DrawKind::FlapMountain : DrawKind::FlapValley;
        } else {
            line->drawKind = DrawKind::Cut;
        }
    }
}

void ClassifyPartLines(Development& development, Mesh& model, const DisplaySettings& display) {
    // Every edge of every solid loses its number, including solids left out of the development, so that
    // no stale number survives a solid being taken out.
    constexpr size_t kAhead = 8;
    for (auto& solid : model.solids) {
        const auto& edges = solid->edges;
        for (size_t i = 0; i < edges.size(); ++i) {
            if (i + kAhead < edges.size()) __builtin_prefetch(&edges[i + kAhead]->edgeId, 1);
            edges[i]->edgeId = -1;
        }
    }
    int nextEdgeId = 1;
    for (auto& part : development.parts) ClassifyPartLines(*part, display, nextEdgeId);
}

void CollectFlatGroup(Face& face, std::vector<Face*>& group, const DisplaySettings& display) {
    // Depth-first with an explicit stack: a large flat region would otherwise recurse once per face.
    // The order matches the plain recursive walk (each face's corners in ring order).
    if (face.visited) return;
    face.visited = true;
    group.push_back(&face);
    std::vector<std::pair<Face*, size_t>> stack;
    stack.emplace_back(&face, 0);
    while (!stack.empty()) {
        Face* current = stack.back().first;
        size_t& index = stack.back().second;
        if (index >= current->CornerCount()) {
            stack.pop_back();
            continue;
        }
        const HalfEdge* h = current->Corner(index++);
        if (h == nullptr || h->Joined() == nullptr || h->Joined()->face == nullptr) continue;
        const bool flat = h->edge != nullptr && IsFlatEdge(*h->edge, display);
        const bool hidden = h->line != nullptr && h->line->hidden;
        if (!flat && !hidden) continue;
        Face* neighbour = h->Joined()->face;
        if (neighbour->visited) continue;
        neighbour->visited = true;
        group.push_back(neighbour);
        stack.emplace_back(neighbour, 0); // invalidates `index`; it is not used again in this round
    }
}

} // namespace tsm
