#include "model/FaceOrientation.h"

#include <gtest/gtest.h>

using namespace tsm;

namespace {

// A fan of `count` triangles around vertex 0 (more than a vertex's few corners, so that its edges are
// sorted rather than compared pairwise); every odd one listed the other way, and in solid `oddSolid`.
struct Fan {
    std::vector<FaceRing> faces;
    std::vector<int> corners;
    std::vector<Vec3> positions{{0, 0, 1}};
};

Fan MakeFan(int count, int oddSolid) {
    Fan fan;
    for (int i = 0; i <= count; ++i) fan.positions.push_back({double(i), double(i * i % 7), 0});
    for (int i = 0; i < count; ++i) {
        const bool odd = i % 2;
        fan.faces.push_back({odd ? oddSolid : 0, fan.corners.size(), 3});
        fan.corners.insert(fan.corners.end(), {0, odd ? i + 2 : i + 1, odd ? i + 1 : i + 2});
    }
    return fan;
}

std::vector<uint8_t> Alternating(size_t count) {
    std::vector<uint8_t> flags(count, 0);
    for (size_t i = 1; i < count; i += 2) flags[i] = 1;
    return flags;
}

TEST(FacesToReverse, TurnsFacesToAgreeOnlyAcrossEdgesOfTwoFacesOfOneSolid) {
    const struct {
        const char* name;
        int count, oddSolid, solidCount, thirdOnFirstEdge;
        std::vector<uint8_t> expected;
    } cases[] = {
        // The odd faces disagree with the first and are turned: half turned is no majority to turn back.
        {"one solid", 30, 0, 1, 0, Alternating(30)},
        // The odd faces in another solid share no edge with the even ones: nothing carries across.
        {"two solids", 30, 1, 2, 0, std::vector<uint8_t>(30, 0)},
        {"few corners", 4, 0, 1, 0, Alternating(4)},
        // A third face on the edge between faces 0 and 1 cuts the fan there: face 0 alone agrees with
        // itself, and the rest keeps the turn of face 1, reached first.
        {"third face", 4, 0, 1, 1, {0, 0, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        Fan fan = MakeFan(c.count, c.oddSolid);
        if (c.thirdOnFirstEdge) {
            fan.positions.push_back({0, 0, -1});
            fan.faces.push_back({0, fan.corners.size(), 3});
            fan.corners.insert(fan.corners.end(), {0, 2, int(fan.positions.size()) - 1});
        }
        EXPECT_EQ(FacesToReverse(fan.faces, fan.corners, fan.positions, c.solidCount), c.expected) << c.name;
    }
}

// The walk reads each ring as the corners up to the next one's first: rings that do not lie back to back
// (a gap, an overlap, a ring of two, corners past the last ring) would send it into another ring's corners.
TEST(FacesToReverse, TurnsNothingWhereRingsDoNotLieBackToBack) {
    const struct {
        const char* name;
        size_t secondFirst, secondCount, extraCorners;
    } cases[] = {
        {"gap", 4, 3, 1}, {"overlap", 2, 3, 0}, {"two corners", 3, 2, 0}, {"corners left over", 3, 3, 1}};
    for (const auto& c : cases) {
        Fan fan = MakeFan(2, 0);
        fan.corners.insert(fan.corners.end(), c.extraCorners, 0);
        fan.faces[1].first = c.secondFirst;
        fan.faces[1].count = c.secondCount;
        EXPECT_EQ(FacesToReverse(fan.faces, fan.corners, fan.positions, 1), std::vector<uint8_t>(2, 0))
            << c.name;
    }
    // The same fan back to back has its second face turned.
    const Fan fan = MakeFan(2, 0);
    EXPECT_EQ(FacesToReverse(fan.faces, fan.corners, fan.positions, 1), Alternating(2));
}

} // namespace
