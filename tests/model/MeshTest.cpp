#include "model/Mesh.h"

#include "model/Development.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
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

// A record is taken from its blocks with its members' initialisers alone, over memory that may hold an
// earlier record's values: a member added without an initialiser would come out as those values.
template <typename Record> Record* MadeOverOldValues(std::vector<unsigned char>& memory) {
    memory.assign(sizeof(Record) + alignof(Record), 0xA5);
    void* at = memory.data();
    size_t room = memory.size();
    return new (std::align(alignof(Record), sizeof(Record), at, room)) Record;
}

TEST(MeshTest, RecordsMadeOverOldValuesStartFromTheirInitialValues) {
    std::vector<unsigned char> memory;
    // Corners and edges have no padding before their home: every byte up to it is a member's.
    const HalfEdge clearCorner{};
    EXPECT_EQ(std::memcmp(MadeOverOldValues<HalfEdge>(memory), &clearCorner, offsetof(HalfEdge, home) + 1),
              0);
    const Edge clearEdge{};
    EXPECT_EQ(std::memcmp(MadeOverOldValues<Edge>(memory), &clearEdge, offsetof(Edge, home) + 1), 0);

    Face* face = MadeOverOldValues<Face>(memory);
    EXPECT_TRUE(face->solid == nullptr && face->part == nullptr && face->halfEdges.empty());
    for (double p : face->plane) EXPECT_EQ(p, 0.0);
    EXPECT_EQ(face->materialIndex, -1);
    EXPECT_EQ(face->partIndex, -1);
    EXPECT_EQ(face->solidIndexHint, -1);
    EXPECT_FALSE(face->visited || face->picked || face->placed || face->home.inBlock);
    face->~Face();

    Vertex* vertex = MadeOverOldValues<Vertex>(memory);
    EXPECT_EQ(vertex->position, Vec3());
    EXPECT_EQ(vertex->index, 0);
    EXPECT_FALSE(vertex->deleted || vertex->home.inBlock);
    EXPECT_TRUE(vertex->outgoing.empty());
    vertex->~Vertex();
}
