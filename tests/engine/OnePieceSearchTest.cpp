#include "engine/OnePieceSearch.h"

#include "tests/engine/MeshInput.h"
#include "tools/lib/Primitives.h"

#include <gtest/gtest.h>

#include <unordered_map>

using namespace tsm;

namespace {

using Searched = MeshInput;

// Fitted, with flaps `flapHeight` high.
Searched Input(const MeshData& mesh, double flapHeight) {
    Searched s = InputOf(mesh);
    s.input.flapHeight = flapHeight;
    return s;
}

// The search's tree as indices into the model's edges, in the tree's order.
std::vector<int> TreeEdges(const onepiece::Search& search, const Searched& s) {
    std::unordered_map<const Edge*, int> index;
    for (size_t i = 0; i < s.input.edges.size(); ++i) index.emplace(s.input.edges[i], static_cast<int>(i));
    std::vector<int> edges;
    for (const Edge* edge : search.Joins()) edges.push_back(index.at(edge));
    return edges;
}

} // namespace

// The unfolding lets two searches take turns a few rounds at a time: a search paused between rounds and
// called again must find exactly what it would have found in one go, or the turns would change the result.
TEST(OnePieceSearch, PausedBetweenRoundsGoesOnAsIfItHadNot) {
    const struct {
        const char* name;
        MeshData mesh;
        double flapHeight;
        bool closing;
    } cases[] = {
        // Every vertex too shallow for a cut to end at: no round finds a piece, and every round runs.
        {"sphere of 80", Icosphere(1, 10), 1.5, false},
        {"sphere of 80, slits closing", Icosphere(1, 10), 1.5, true},
        {"trefoil", TrefoilTube(40, 5, 10, 3), 2, true},
    };
    const std::function<bool(int)> none;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Searched a = Input(c.mesh, c.flapHeight), b = Input(c.mesh, c.flapHeight);
        onepiece::Search once(a.input, none, 0, c.closing), paused(b.input, none, 0, c.closing);
        ASSERT_TRUE(once.Build({}));
        ASSERT_TRUE(paused.Build({}));
        const Result<bool> whole = once.Run();
        ASSERT_TRUE(whole.ok());
        EXPECT_TRUE(once.Finished());
        bool found = false;
        for (int rounds = 1; rounds <= onepiece::kRounds && !paused.Finished(); ++rounds) {
            const Result<bool> part = paused.Run(rounds);
            ASSERT_TRUE(part.ok());
            found = *part;
            // A search paused before its last round has not ended, unless it found its piece.
            if (rounds < onepiece::kRounds && !found) {
                EXPECT_FALSE(paused.Finished());
            }
        }
        EXPECT_TRUE(paused.Finished());
        EXPECT_EQ(found, *whole);
        // The tree the last round left, which every round's draws lead to, and the nearest one kept.
        EXPECT_EQ(TreeEdges(paused, b), TreeEdges(once, a));
        EXPECT_EQ(paused.TakeNearest(), once.TakeNearest());
        EXPECT_EQ(TreeEdges(paused, b), TreeEdges(once, a));
    }
}
