#include "engine/WindingCuts.h"

#include "engine/DisjointSets.h"

#include <algorithm>
#include <utility>

namespace tsm::onepiece {

std::vector<char> WindingTree(const WindingInput& input, Random& random) {
    const int vertices = static_cast<int>(input.vertexLinks.size());
    const size_t count = input.links.size();
    std::vector<char> walked(vertices, 0), cut(count, 0);
    const auto across = [&](int link, int v) {
        const Link& l = input.links[link];
        return l.vertex[0] == v ? l.vertex[1] : l.vertex[0];
    };
    const auto unwalked = [&](int v) {
        int n = 0;
        for (int link : input.vertexLinks[v]) n += !input.fixed[link] && !walked[across(link, v)];
        return n;
    };
    // The border is cut already: every cut may reach it, and the walk leaves from each of its vertices in
    // turn. A closed model's walk leaves from a sharp vertex, where its first cut may end.
    std::vector<int> stack;
    for (int v = 0; v < vertices; ++v)
        if (input.border[v]) walked[v] = 1, stack.push_back(v);
    if (stack.empty() && vertices > 0) {
        std::vector<int> sharp;
        for (int v = 0; v < vertices; ++v)
            if (!input.narrow[v]) sharp.push_back(v);
        const int first =
            sharp.empty() ? static_cast<int>(random.Below(vertices)) : sharp[random.Below(sharp.size())];
        walked[first] = 1;
        stack.push_back(first);
    }
    while (!stack.empty()) {
        const int v = stack.back();
        // Fewest unwalked neighbours first; a neighbour with none strands the walk, which is welcome at a
        // sharp vertex and a last resort at a narrow one. Ties are drawn.
        int step = -1;
        std::pair<int, uint64_t> best{0, 0};
        for (int link : input.vertexLinks[v]) {
            const int w = across(link, v);
            if (input.fixed[link] || walked[w]) continue;
            const int left = unwalked(w);
            const std::pair<int, uint64_t> rank{left > 0          ? left
                                                : input.narrow[w] ? vertices
                                                                  : -1,
                                                random.Next()};
            if (step < 0 || rank < best) step = link, best = rank;
        }
        if (step < 0) {
            stack.pop_back();
            continue;
        }
        cut[step] = 1;
        walked[across(step, v)] = 1;
        stack.push_back(across(step, v));
    }
    std::vector<int> cuts(vertices, 0);
    for (size_t k = 0; k < count; ++k)
        if (cut[k]) ++cuts[input.links[k].vertex[0]], ++cuts[input.links[k].vertex[1]];
    // Folded first: what must be, then every link the walk left, those that end the walk at a narrow vertex
    // last, so that a handle's extra cuts fall there; the walk's steps only where the faces need them.
    const auto ends = [&](int k) {
        int n = 0;
        for (int v : input.links[k].vertex) n += input.narrow[v] && !input.border[v] && cuts[v] == 1;
        return n;
    };
    std::vector<int> order, left;
    for (size_t k = 0; k < count; ++k)
        if (input.fixed[k]) order.push_back(static_cast<int>(k));
    for (size_t k = 0; k < count; ++k)
        if (!input.fixed[k] && !cut[k]) left.push_back(static_cast<int>(k));
    std::stable_sort(left.begin(), left.end(), [&](int a, int b) { return ends(a) < ends(b); });
    order.insert(order.end(), left.begin(), left.end());
    for (size_t k = 0; k < count; ++k)
        if (!input.fixed[k] && cut[k]) order.push_back(static_cast<int>(k));
    DisjointSets parts(input.faces);
    std::vector<char> folded(count, 0);
    for (int k : order) folded[k] = parts.Join(input.links[k].face[0], input.links[k].face[1]);
    return folded;
}

} // namespace tsm::onepiece
