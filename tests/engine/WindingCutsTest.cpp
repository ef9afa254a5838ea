#include "engine/WindingCuts.h"

#include "engine/DisjointSets.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

using namespace tsm;
using namespace tsm::onepiece;

namespace {

// The links between a mesh's faces, as the search makes them: every edge two faces share. Edges of one
// face only put their vertices on the border.
struct Graph {
    int faces = 0;
    std::vector<Link> links;
    std::vector<std::vector<int>> vertexLinks;
    std::vector<char> fixed, narrow, border;

    explicit Graph(const MeshData& mesh) : faces(static_cast<int>(mesh.faces.size())) {
        std::map<std::pair<int, int>, std::vector<int>> sides;
        for (int f = 0; f < faces; ++f) {
            const auto& ring = mesh.faces[f];
            for (size_t k = 0; k < ring.size(); ++k) {
                const int a = ring[k], b = ring[(k + 1) % ring.size()];
                sides[{std::min(a, b), std::max(a, b)}].push_back(f);
            }
        }
        const size_t vertices = mesh.vertices.size();
        vertexLinks.resize(vertices);
        narrow.assign(vertices, 1);
        border.assign(vertices, 0);
        for (const auto& [ends, around] : sides) {
            if (around.size() != 2) {
                border[ends.first] = border[ends.second] = 1;
                continue;
            }
            Link link;
            link.edge = static_cast<int>(links.size());
            link.face[0] = around[0], link.face[1] = around[1];
            link.vertex[0] = ends.first, link.vertex[1] = ends.second;
            vertexLinks[ends.first].push_back(link.edge);
            vertexLinks[ends.second].push_back(link.edge);
            links.push_back(link);
        }
        fixed.assign(links.size(), 0);
    }
    WindingInput Input() const { return {faces, links, vertexLinks, fixed, narrow, border}; }
};

struct Shape {
    int pieces = 0;          // the faces' pieces once the folded links join them
    int folded = 0;          // folded links
    int uncut = 0;           // inner vertices without a cut link: no tree leaves one
    int narrowEnds = 0;      // inner narrow vertices where a single cut ends
    bool fixedFolded = true; // every fixed link folded
};

Shape ShapeOf(const Graph& graph, const std::vector<char>& folded) {
    Shape shape;
    DisjointSets parts(graph.faces);
    shape.pieces = graph.faces;
    std::vector<int> cuts(graph.vertexLinks.size(), 0);
    for (size_t k = 0; k < graph.links.size(); ++k) {
        const Link& l = graph.links[k];
        if (!folded[k]) {
            ++cuts[l.vertex[0]], ++cuts[l.vertex[1]];
            shape.fixedFolded = shape.fixedFolded && !graph.fixed[k];
            continue;
        }
        ++shape.folded;
        shape.pieces -= parts.Join(l.face[0], l.face[1]);
    }
    for (size_t v = 0; v < cuts.size(); ++v) {
        if (graph.border[v]) continue;
        shape.uncut += cuts[v] == 0;
        shape.narrowEnds += graph.narrow[v] && cuts[v] == 1;
    }
    return shape;
}

} // namespace

// Whatever the surface, the winding tree folds a spanning tree of its faces, so every inner vertex keeps a
// cut; of hundreds of narrow vertices its cuts end at one at most (where the walk starts or strands itself),
// or on a sphere without a sharp vertex at the two where every tree's cuts end.
TEST(WindingCuts, FoldsASpanningTreeWhoseCutsSeldomEndAtANarrowVertex) {
    struct Case {
        const char* name;
        MeshData mesh;
        int mostNarrowEnds;
        int sharpBegin = 0, sharpEnd = 0; // the vertices that are sharp; all others narrow
    } cases[] = {
        {"ring of 24 by 8", Torus(24, 8, 20, 6, true), 1},
        {"trefoil of 57 by 12", TrefoilTube(57, 12, 10, 4), 1},
        {"sphere of 320", Icosphere(2, 10), 2},
        // The icosahedron's twelve corners come first; a star's pyramid tips after its sphere's vertices.
        {"sphere of 320, the icosahedron's corners sharp", Icosphere(2, 10), 1, 0, 12},
        {"star of 60, its tips sharp", Stellated(Icosphere(0, 10), 8), 0, 12, 32},
        {"open sheet of 10 by 10", Grid(10, 10, 1), 1},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Graph graph(c.mesh);
        for (int v = c.sharpBegin; v < c.sharpEnd; ++v) graph.narrow[v] = 0;
        Random random(7);
        const std::vector<char> folded = WindingTree(graph.Input(), random);
        ASSERT_EQ(folded.size(), graph.links.size());
        const Shape shape = ShapeOf(graph, folded);
        EXPECT_EQ(shape.pieces, 1);
        EXPECT_EQ(shape.folded, graph.faces - 1);
        EXPECT_EQ(shape.uncut, 0);
        EXPECT_LE(shape.narrowEnds, c.mostNarrowEnds);
    }
}

// Links no flap fits on stay folded, the walk goes round them, and the same draw gives the same tree.
TEST(WindingCuts, KeepsFixedLinksFoldedAndRepeatsItsDraw) {
    Graph graph(Torus(16, 6, 20, 6, true));
    for (size_t k = 0; k < graph.links.size(); k += 5) graph.fixed[k] = 1;
    Random first(11), second(11), other(12);
    const std::vector<char> folded = WindingTree(graph.Input(), first);
    const Shape shape = ShapeOf(graph, folded);
    EXPECT_TRUE(shape.fixedFolded);
    EXPECT_EQ(shape.pieces, 1);
    EXPECT_EQ(shape.uncut, 0);
    EXPECT_EQ(WindingTree(graph.Input(), second), folded);
    EXPECT_NE(WindingTree(graph.Input(), other), folded);
}

// Nothing to walk: no faces, or faces without a shared edge, give a tree of nothing.
TEST(WindingCuts, AnEmptyOrLoneFaceGraphFoldsNothing) {
    for (const MeshData& mesh : {MeshData{}, MeshData{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}}}) {
        Graph graph(mesh);
        Random random(1);
        EXPECT_TRUE(WindingTree(graph.Input(), random).empty());
    }
}
