#include "model/Mesh.h"

#include "model/Development.h"

#include <gtest/gtest.h>

#include <set>

using namespace tsm;

// Corners from a solid's blocks and corners on their own share one face; each kind is freed its own way
// (the sanitizer build tells a corner freed twice, freed into the wrong place, or never freed).
TEST(MeshTest, CornersInBlocksAndOnTheirOwnLiveAndGoTogether) {
    auto solid = std::make_unique<Solid>();
    auto face = std::make_unique<Face>();
    std::set<const HalfEdge*> seen;
    // A guess far too small: the corners run over several blocks, and none moves or repeats.
    for (int c = 0; c < 200; ++c) {
        face->halfEdges.push_back(NewCorner(*solid, 3));
        face->halfEdges.back()->u = c;
        seen.insert(face->halfEdges.back().get());
    }
    EXPECT_EQ(seen.size(), 200u);
    EXPECT_GT(solid->cornerBlocks.BlockCount(), 1u);
    for (size_t c = 0; c < 200; ++c) EXPECT_EQ(face->halfEdges[c]->u, double(c));

    // A copy of a block's corner is a corner of its own: it is freed, where the original is not.
    face->halfEdges.push_back(std::make_unique<HalfEdge>(*face->halfEdges[7]));
    EXPECT_FALSE(face->halfEdges.back()->home.inBlock);
    EXPECT_EQ(face->halfEdges.back()->u, 7.0);
    *face->halfEdges[8] = *face->halfEdges.back();
    EXPECT_TRUE(face->halfEdges[8]->home.inBlock);

    // Dropped from its face before the solid goes, as the model's clean-up does.
    face->halfEdges.erase(face->halfEdges.begin(), face->halfEdges.begin() + 100);
    solid->faces.push_back(std::move(face));
    solid.reset();
}

// A cut or a join moves lines between parts and drops some; lines from the development's blocks and lines
// made on their own then share parts, and each kind is freed its own way when the development goes.
TEST(MeshTest, PartLinesFromBlocksMoveBetweenPartsAndGoWithTheDevelopment) {
    auto development = std::make_unique<Development>();
    Part* first = development->AppendPart(std::make_unique<Part>());
    Part* second = development->AppendPart(std::make_unique<Part>());
    for (int l = 0; l < 40; ++l) first->lines.push_back(LinePtr(development->lineBlocks.Take(1)));
    EXPECT_GT(development->lineBlocks.BlockCount(), 1u);
    second->lines.push_back(std::move(first->lines[3]));
    second->lines.push_back(std::make_unique<PartLine>());
    first->lines.erase(first->lines.begin(), first->lines.begin() + 10);
    EXPECT_TRUE(second->lines[0]->home.inBlock);
    EXPECT_FALSE(second->lines[1]->home.inBlock);
    development.reset();
}
