#include "engine/CutRepair.h"
#include "engine/SlitClosure.h"

#include "engine/Topology.h"

#include "tests/engine/DevelopmentFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

using namespace tsm;
using tsm::test::DevelopmentFixture;

namespace {

// Triangles around a centre vertex raised `height` above its ring of radius 10, each spanning its share of
// `degrees` (six alike by default): flat at height 0, a cone whose angle defect grows with the height. The
// rim is the model's border.
class Fan : public DevelopmentFixture {
public:
    std::vector<Face*> faces;
    Part* part = nullptr;

    explicit Fan(double height, std::vector<double> degrees = std::vector<double>(6, 60)) {
        Vertex* centre = AddVertex(0, 0, height);
        std::vector<Vertex*> ring;
        double at = 0;
        for (double span : degrees) {
            ring.push_back(AddVertex(10 * std::cos(at * M_PI / 180), 10 * std::sin(at * M_PI / 180)));
            at += span;
        }
        for (size_t k = 0; k < ring.size(); ++k)
            faces.push_back(AddFace({centre, ring[k], ring[(k + 1) % ring.size()]}));
        PairEdges();
        part = AddPart(faces);
    }

    // The spoke between face k and the next one round.
    Edge* Spoke(int k) const { return Shared(faces[k], faces[(k + 1) % faces.size()])->edge; }

    // Whether an edge is joined, when the first `count` spokes are.
    std::function<bool(const Edge&)> SpokesJoined(int count) const {
        std::set<const Edge*> joined;
        for (int k = 0; k < count; ++k) joined.insert(Spoke(k));
        return [joined](const Edge& edge) { return joined.count(&edge) > 0; };
    }
};

TEST(ClosesNarrowSlit, OnlyTheLastButOneSpokeOfAShallowVertex) {
    struct Case {
        const char* what;
        double height;
        int joinedBefore; // spokes 0.. joined already; the next one is tried
        bool otherPart;   // face 3 in a part of its own
        bool narrow;
    } cases[] = {
        {"flat, one spoke left open", 0, 4, false, true},  {"flat, two spokes left open", 0, 3, false, false},
        {"shallow cone (defect 0.13)", 2, 4, false, true}, {"tall cone (defect 3.6)", 20, 4, false, false},
        {"a face of another part", 0, 4, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fan fan(c.height);
        Part other;
        if (c.otherPart) fan.faces[3]->part = &other;
        EXPECT_EQ(ClosesNarrowSlit(*fan.Spoke(c.joinedBefore), fan.part, fan.part,
                                   fan.SpokesJoined(c.joinedBefore)),
                  c.narrow);
    }
}

// A cone of defect 0.29 with spokes 10.4 long: the last spoke open leaves a slit that a flap 1 high fits
// beside (base angle 0.2), one 5 high does not; on the flat fan nothing does. A cone of defect 0.035 (just
// under two degrees) leaves one whose sides lie 0.35 apart at the rim: where slits close, it does beside
// flaps 10 high (a twentieth of them is 0.5), not beside flaps 5 high; a cone of defect 0.05 never does.
TEST(ClosesNarrowSlit, NotWhereTheOpenSpokeHoldsAFlapBesideTheSlitOrTheSlitCloses) {
    const struct {
        double height, flapHeight;
        bool slitsClose, narrow;
    } cases[] = {{3, 0, false, true},  {3, 1, false, false}, {3, 5, false, true},
                 {0, 1, false, true},  {0, 1, true, true},   {1, 10, true, false},
                 {1, 10, false, true}, {1, 5, true, true},   {1.2, 100, true, true}};
    for (const auto& c : cases) {
        Fan fan(c.height);
        for (auto& edge : fan.solid->edges) UpdateEdgeGeometry(*edge);
        EXPECT_EQ(ClosesNarrowSlit(*fan.Spoke(4), fan.part, fan.part, fan.SpokesJoined(4), c.flapHeight,
                                   c.slitsClose),
                  c.narrow)
            << c.height << " " << c.flapHeight << " " << c.slitsClose;
    }
}

// Joining spoke 4 of a cone of defect 0.035 leaves spoke 5 its only cut: that slit closes beside flaps 10
// high, not beside flaps 5 high nor at a steeper cone, and is not spoke 4 itself; with spoke 3 still open
// the centre keeps two cuts and nothing closes.
TEST(ClosesSlit, OnlyTheLastSpokeOfAShallowConeBesideTallEnoughFlaps) {
    const struct {
        double height, flapHeight;
        int slit, joinedBefore;
        bool closes;
    } cases[] = {{1, 10, 5, 4, true},  {1, 5, 5, 4, false},  {1.2, 100, 5, 4, false},
                 {1, 10, 4, 4, false}, {1, 10, 5, 3, false}, {0, 10, 5, 4, false}};
    for (const auto& c : cases) {
        Fan fan(c.height);
        for (auto& edge : fan.solid->edges) UpdateEdgeGeometry(*edge);
        EXPECT_EQ(ClosesSlit(*fan.Spoke(c.slit), *fan.Spoke(4), fan.part, fan.part,
                             fan.SpokesJoined(c.joinedBefore), c.flapHeight),
                  c.closes)
            << c.height << " " << c.flapHeight << " " << c.slit << " " << c.joinedBefore;
    }
}

// The fan laid flat with spokes 0 to 4 joined: the last spoke a slit whose sides meet at the centre and lie
// the defect apart at the rim (the model's border, which keeps cuts of its own).
void LayOpenFan(Fan& fan) {
    double at = 0;
    for (Face* face : fan.faces) {
        const Vec3 a = face->Corner(1)->vertex->position - face->Corner(0)->vertex->position;
        const Vec3 b = face->Corner(2)->vertex->position - face->Corner(0)->vertex->position;
        face->Corner(0)->x2d = face->Corner(0)->y2d = 0;
        face->Corner(1)->x2d = Length(a) * std::cos(at), face->Corner(1)->y2d = Length(a) * std::sin(at);
        at += AngleBetween(a, b);
        face->Corner(2)->x2d = Length(b) * std::cos(at), face->Corner(2)->y2d = Length(b) * std::sin(at);
    }
    for (int k = 0; k < 5; ++k) {
        Edge* spoke = fan.Spoke(k);
        spoke->halfEdge1->joinsTwin = spoke->halfEdge2->joinsTwin = true;
    }
    for (auto& edge : fan.solid->edges) UpdateEdgeGeometry(*edge);
}

// The slit of a cone closes where its defect is under two degrees and its sides lie within a twentieth of
// the flap height (as ClosesNarrowSlit lets it); it is then folded where it lies, and never where the
// caller keeps it cut.
TEST(CloseSlits, FoldsTheSlitOfANearlyFlatConeWithinAShareOfTheFlapHeight) {
    const struct {
        const char* what;
        double height, flapHeight;
        bool foldable, closed;
    } cases[] = {
        {"defect 0.035, sides 0.35 apart, flaps 10", 1, 10, true, true},
        {"flaps 5: sides further apart than 0.25", 1, 5, true, false},
        {"defect 0.05", 1.2, 100, true, false},
        {"kept cut", 1, 10, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fan fan(c.height);
        LayOpenFan(fan);
        const double rimX = fan.faces[0]->Corner(1)->x2d;
        EXPECT_EQ(CloseSlits(*fan.part, c.flapHeight, [&](const Edge&) { return c.foldable; }),
                  c.closed ? 1 : 0);
        EXPECT_EQ(fan.Spoke(5)->halfEdge1->Joined() != nullptr, c.closed);
        EXPECT_EQ(fan.faces[0]->Corner(1)->x2d, rimX);
    }
}

// Joined into a fan that leaves only a sliver's room between two cut edges, the faces around a vertex
// leave a notch no flap fits in; a wider gap, a fan still open further round, or a full ring (the slit's
// case) is no such notch.
TEST(LeavesNarrowNotch, OnlyWhereTheFanLeavesASliversRoom) {
    const struct {
        const char* what;
        double sliver;
        int joinedBefore; // spokes 0.. joined already; the next one is tried
        bool sliverApart; // the sliver in a part of its own
        bool notch;
    } cases[] = {
        {"a 10 degree sliver left out", 10, 4, true, true},
        {"a 30 degree sliver left out", 30, 4, true, false},
        {"two faces left out", 10, 3, true, false},
        {"the sliver joined too: a ring", 10, 5, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Six faces alike and a sliver (face 6).
        std::vector<double> degrees(6, (360 - c.sliver) / 6);
        degrees.push_back(c.sliver);
        Fan fan(0, degrees);
        Part apart;
        if (c.sliverApart) fan.faces[6]->part = &apart;
        EXPECT_EQ(LeavesNarrowNotch(*fan.Spoke(c.joinedBefore), fan.part, fan.part,
                                    fan.SpokesJoined(c.joinedBefore)),
                  c.notch);
    }
}

TEST(JoinsToCut, CutsOffTheSmallestPieceBetweenFlapAndBlocker) {
    struct Case {
        const char* what;
        int side, blocker; // strip faces; -1: no blocker named
        bool isolate;
        std::set<std::pair<int, int>> cuts; // joins between strip faces k and k + 1, as (k, k + 1)
    } cases[] = {
        {"leaf side", 0, 3, false, {{0, 1}}},
        {"leaf blocker", 2, 5, false, {{4, 5}}},
        {"a tie goes to the join nearest the blocker", 1, 4, false, {{3, 4}}},
        {"no blocker: the face cut free", 2, -1, false, {{1, 2}, {2, 3}}},
        {"blocked by itself", 2, 2, false, {{1, 2}, {2, 3}}},
        {"isolated although a blocker is named", 0, 3, true, {{0, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DevelopmentFixture scene;
        const std::vector<Face*> strip = scene.Strip(6);
        scene.AddPart(strip);
        for (int k = 0; k + 1 < 6; ++k) DevelopmentFixture::Join(strip[k], strip[k + 1]);
        CrowdedEdge crowded;
        crowded.sides[0] = strip[c.side]->halfEdges[0].get();
        crowded.blockers[0] = c.blocker >= 0 ? strip[c.blocker] : nullptr;
        std::set<std::pair<int, int>> cuts;
        for (const Edge* edge : JoinsToCut(crowded, c.isolate))
            for (int k = 0; k + 1 < 6; ++k)
                if (DevelopmentFixture::Shared(strip[k], strip[k + 1])->edge == edge) cuts.insert({k, k + 1});
        EXPECT_EQ(cuts, c.cuts);
    }
}

} // namespace
